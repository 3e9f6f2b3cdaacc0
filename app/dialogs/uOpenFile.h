// Step 1: the open page. Leaving it keeps a copy of the picture as loaded.
#pragma once
#include "app/main/uMain_Page.h"

class TFrm_OpenFile : public TStepPage {
 public:
  explicit TFrm_OpenFile(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_OpenFile"; }
  static void FormDestroy(TObject* Sender);
};

// Step 2: rotate, crop and resize the picture.
// The page holds the common layout and its help for now; the step's own
// tools arrive with its retouching work.
#pragma once
#include "app/uMain_Page.h"

class TFrm_Size : public TStepPage {
 public:
  explicit TFrm_Size(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Size"; }
};

// Step 3: highlight removal on a marked rectangle.
// The page holds the common layout and its help for now; the step's own
// tools arrive with its retouching work.
#pragma once
#include "app/uMain_Page.h"

class TFrm_HighLight : public TStepPage {
 public:
  explicit TFrm_HighLight(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_HighLight"; }
};

// Step 5: skin smoothing.
// The page holds the common layout and its help for now; the step's own
// tools arrive with its retouching work.
#pragma once
#include "app/uMain_Page.h"

class TFrm_Smooth : public TStepPage {
 public:
  explicit TFrm_Smooth(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Smooth"; }
};

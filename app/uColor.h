// Step 4: colour optimisation from a lasso sample.
// The page holds the common layout and its help for now; the step's own
// tools arrive with its retouching work.
#pragma once
#include "app/uMain_Page.h"

class TFrm_Color : public TStepPage {
 public:
  explicit TFrm_Color(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Color"; }
};

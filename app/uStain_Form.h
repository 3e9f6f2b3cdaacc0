// Step 6: blemish and mole removal with the circular eraser.
// The page holds the common layout and its help for now; the step's own
// tools arrive with its retouching work.
#pragma once
#include "app/uMain_Page.h"

class TFrm_Stain : public TStepPage {
 public:
  explicit TFrm_Stain(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Stain"; }
};

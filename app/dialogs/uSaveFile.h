// Step 7: the save page. Holding a mouse button down on the picture shows
// the photo as it was loaded, for comparison.
#pragma once
#include "app/main/uMain_Page.h"

class TFrm_SaveFile : public TStepPage {
 public:
  explicit TFrm_SaveFile(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_SaveFile"; }
  void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void Image1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

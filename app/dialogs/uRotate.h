// The rotate dialog of the size step: a quarter, half or any turn, either
// way. The chosen turn is left in Angle (degrees, clockwise positive) when
// the dialog closes with OK.
#pragma once
#include <string>

#include "platform/ui/forms/Forms.h"

class TkzuRadioButton;
class TspSkinButton;
class TspSkinNumericEdit;

// The turn `angle` degrees make, in [0, 360): whole turns either way are
// dropped and a turn to the left becomes the same turn to the right.
double NormaliseAngle(double angle);

class TFrm_Rotate : public TForm {
 public:
  explicit TFrm_Rotate(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Rotate"; }

  TkzuRadioButton* RB_180D = nullptr;
  TkzuRadioButton* RB_P90D = nullptr;
  TkzuRadioButton* RB_N90D = nullptr;
  TkzuRadioButton* RB_POther = nullptr;
  TkzuRadioButton* RB_NOther = nullptr;
  TspSkinNumericEdit* NEdt_POther = nullptr;
  TspSkinNumericEdit* NEdt_NOther = nullptr;
  TspSkinButton* Btn_Ok = nullptr;
  TspSkinButton* Btn_Cancel = nullptr;

  // Degrees, clockwise positive; set by Btn_OkClick.
  double Angle = 0;

  // Every radio button's click: only the checked kind's angle edit is open.
  void RB_180DClick(TObject* Sender);
  void Btn_OkClick(TObject* Sender);
};

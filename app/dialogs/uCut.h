// The crop dialog of the size step: a free crop or one at a fixed ratio of
// width to height. The ratio's two numbers must be whole numbers of 1 to
// 65535 for OK to close the dialog.
#pragma once
#include <string>

#include "platform/rtl/Types.h"
#include "platform/ui/forms/Forms.h"

class TkzuRadioButton;
class TLabel;
class TspSkinButton;
class TspSkinSpinEdit;

// The frame a crop starts with, edges inclusive, in display pixels: a square
// of half the smaller side of the visible part (x0, y0, a by b), shaped to
// ratioWidth : ratioHeight when both are non-zero, centred in the visible
// part. Never smaller than 1 by 1.
TRect CropStartFrame(int x0, int y0, int a, int b, int ratioWidth, int ratioHeight);

class TFrm_Cut : public TForm {
 public:
  explicit TFrm_Cut(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Cut"; }

  TkzuRadioButton* RB_Free = nullptr;
  TkzuRadioButton* RB_Scale = nullptr;
  TLabel* Lbl_Width = nullptr;
  TLabel* Lbl_Height = nullptr;
  TspSkinSpinEdit* SE_Width = nullptr;
  TspSkinSpinEdit* SE_Height = nullptr;
  TspSkinButton* Btn_Ok = nullptr;
  TspSkinButton* Btn_Cancel = nullptr;

  // Both radio buttons' click: the ratio's edits are open for a fixed ratio.
  void RB_FreeClick(TObject* Sender);
  // Keeps the dialog open, with a message, when the ratio cannot be used.
  void Btn_OkClick(TObject* Sender);
};

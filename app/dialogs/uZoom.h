// The resize dialog of the size step: the new width and height in pixels,
// optionally tied to the picture's own ratio. OK closes it only for a size
// the resizing can make.
#pragma once
#include <string>

#include "platform/ui/forms/Forms.h"

class TGroupBox;
class TkzuCheckBox;
class TLabel;
class TspSkinButton;
class TspSkinSpinEdit;

// Largest side the resizing routines take.
constexpr int MaxPictureSide = 65535;

// Whether a picture of width x height can be resized to newWidth x
// newHeight within the picture budget, counting the square the mixed path
// (one side growing, the other shrinking) passes through.
bool ResizeWithinBudget(int width, int height, int newWidth, int newHeight);

class TFrm_Zoom : public TForm {
 public:
  explicit TFrm_Zoom(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Zoom"; }

  TGroupBox* GB_SetPix = nullptr;
  TLabel* Lbl_Width = nullptr;
  TLabel* Lbl_Height = nullptr;
  TspSkinSpinEdit* SE_Width = nullptr;
  TspSkinSpinEdit* SE_Height = nullptr;
  TkzuCheckBox* CB_KeepScale = nullptr;
  TspSkinButton* Btn_Ok = nullptr;
  TspSkinButton* Btn_Cancel = nullptr;

  // The picture's size when the dialog opens.
  int OrgWidth = 0;
  int OrgHeight = 0;
  // The side the user changed last: 0 none, 1 width, 2 height.
  int LastEdited = 0;

  void FormShow(TObject* Sender);
  void SE_WidthChange(TObject* Sender);
  void SE_HeightChange(TObject* Sender);
  void CB_KeepScaleClick(TObject* Sender);
  // Keeps the dialog open, with a message, for a size that cannot be made.
  void Btn_OkClick(TObject* Sender);

 private:
  void AttachChangeHandlers();
};

// Step 2: rotate, crop and resize the picture. Each button opens its small
// dialog; the crop is made on screen with the crop frame and ends with a
// double-click on the picture (a right click drops it). Every finished
// operation replaces WorkImage, shows it, and is pushed to the history.
#pragma once
#include <memory>

#include "app/main/uMain_Page.h"
#include "platform/rtl/Events.h"

class THandCutFrame;
class TspSkinButton;
class TCropFrameLink;
class TBitmap;

class TFrm_Size : public TStepPage {
 public:
  explicit TFrm_Size(TComponent* AOwner);
  ~TFrm_Size() override;
  std::string ClassName() const override { return "TFrm_Size"; }

  TspSkinButton* Btn_Rotate = nullptr;
  TspSkinButton* Btn_Cut = nullptr;
  TspSkinButton* Btn_Zoom = nullptr;

  // The page's crop frame; the program-wide CropFrame link reaches it while
  // the page exists.
  THandCutFrame* CutFrame() const { return cutFrame_.get(); }

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void Btn_RotateClick(TObject* Sender);
  void Btn_CutClick(TObject* Sender);
  void Btn_ZoomClick(TObject* Sender);
  void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void Image1DblClick(TObject* Sender);

 private:
  // Makes picture the working image, shows it at the current zoom, centred,
  // pushes it and shows its size.
  void TakeResult(std::unique_ptr<TBitmap> picture);
  std::unique_ptr<THandCutFrame> cutFrame_;
  std::unique_ptr<TCropFrameLink> cropLink_;
  bool destroyed_ = false;
};

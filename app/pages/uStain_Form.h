// Step 6: blemish and mole removal. A circle outline follows the mouse over
// the picture; a left click fills the disc under it from the ring around
// it, and the mouse wheel (through the main window) sizes the circle.
#pragma once
#include <memory>

#include "app/main/uMain_Page.h"

class TMyImage;
class TRoundCursor;

class TFrm_Stain : public TStepPage {
 public:
  explicit TFrm_Stain(TComponent* AOwner);
  ~TFrm_Stain() override;
  std::string ClassName() const override { return "TFrm_Stain"; }

  // Image1 as the picture control that tells when the mouse enters and leaves.
  TMyImage* MyImage1() const { return myImage_; }
  // The eraser on Image1; the main window reaches it through ::Eraser.
  TRoundCursor* RoundCursor() const { return cursor_.get(); }

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  // The eraser's click at a display position with a display radius.
  void ErasePatch(TPoint Position, int Radius);

 private:
  class TLink;
  TMyImage* myImage_ = nullptr;
  std::unique_ptr<TRoundCursor> cursor_;
  std::unique_ptr<TLink> link_;
  bool created_ = false;
};

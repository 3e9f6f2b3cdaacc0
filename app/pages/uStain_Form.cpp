#include "app/pages/uStain_Form.h"

#include "app/tools/MyImage.h"
#include "app/tools/RoundCursor.h"
#include "app/main/uMain.h"
#include "app/main/uMain_History.h"
#include "app/pixels/uStain.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/forms/Screen.h"

// The eraser as the main window's wheel handlers see it.
class TFrm_Stain::TLink : public TEraserLink {
 public:
  explicit TLink(TRoundCursor& cursor) : cursor_(cursor) {}
  int Radius() const override { return cursor_.Radius(); }
  void SetRadius(int r) override { cursor_.SetRadius(r); }

 private:
  TRoundCursor& cursor_;
};

TFrm_Stain::TFrm_Stain(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Stain");
  myImage_ = new TMyImage(this);
  BuildCommonLayout("痘痣去除", {"帮助", "使用魔术擦点击各个黑痣或者污点，即可以去除皮肤上的黑痣、痘、以及污点。滚动滚轮可以调节魔术擦的大小"},
                    kDefaultHelpHeight, myImage_);
  OnCreate = [this](TObject* s) { FormCreate(s); };
  EndLayout();
}

TFrm_Stain::~TFrm_Stain() {
  // The destroy handler needs this class's members, which are gone by the
  // time the base destructor would call it.
  OnDestroy = nullptr;
  if (created_) FormDestroy(this);
}

void TFrm_Stain::FormCreate(TObject*) {
  created_ = true;
  // Entry 0: the picture as the step found it.
  HistoryPush(WorkImage.get());
  // The eraser writes the picture in place: pixels it still shares (with the
  // picture as opened) are made its own now rather than on the first click.
  if (WorkImage && !WorkImage->Empty() && WorkImage->SharesPixels()) WorkImage->ScanLine(0);
  cursor_ = std::make_unique<TRoundCursor>(myImage_);
  cursor_->OnErase = [this](TPoint position, int radius) { ErasePatch(position, radius); };
  link_ = std::make_unique<TLink>(*cursor_);
  Eraser = link_.get();
}

void TFrm_Stain::FormDestroy(TObject*) {
  created_ = false;
  HistoryClear();
  if (Eraser == link_.get()) Eraser = nullptr;
  link_.reset();
  cursor_.reset();
}

void TFrm_Stain::ErasePatch(TPoint Position, int Radius) {
  if (!WorkImage || WorkImage->Empty() || !(ZoomFactor > 0)) return;
  TScreenCursorGuard hourglass(crHourGlass);
  // Entries already written let go of the picture, so the fill below writes
  // it in place instead of copying it away from them.
  if (History) History->Collect();
  // A ring wholly off the picture leaves nothing to fill from: the picture
  // and the history stay as they are.
  if (!::ErasePatch(WorkImage.get(), Position, Radius, ZoomFactor)) return;
  // The new display has no outline; it comes back where the mouse is.
  if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
  if (cursor_) cursor_->DrawOutline();
  // Written behind the user's back; a failure is told at the next action.
  HistoryKeep(WorkImage.get());
}

#include "themed/bars/KZUProgressBar.h"

#include <algorithm>
#include <cstdint>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/system/UiMessages.h"

namespace {
constexpr int Thickness = 12;
}

TkzuProgressBar::TkzuProgressBar(TComponent* AOwner) : TCustomPanel(AOwner) {
  ControlStyle &= ~csAcceptsControls;
  picture_ = std::make_unique<TPicture>();
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetBounds(Left(), Top(), 150, Thickness);
  SetColor(clBtnFace);
  SetCaption("50%");
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  RefreshCaption();
}

TkzuProgressBar::~TkzuProgressBar() = default;

int TkzuProgressBar::Percent() const {
  if (min_ == max_) return 0;
  return int((int64_t(position_) - min_) * 100 / (int64_t(max_) - min_));
}

int TkzuProgressBar::FilledLength(int n) const {
  if (min_ >= max_ || position_ <= min_) return 0;
  if (position_ > max_) return n;
  return int(int64_t(n) * (int64_t(position_) - min_) / (int64_t(max_) - min_));
}

void TkzuProgressBar::RefreshCaption() { SetCaption(IntToStr(Percent()) + "%"); }

void TkzuProgressBar::SetPicture(const TPicture* v) {
  picture_->Assign(v);
  Invalidate();
}

void TkzuProgressBar::SetMin(int v) {
  min_ = v;
  RefreshCaption();
  Invalidate();
}

void TkzuProgressBar::SetMax(int v) {
  max_ = v;
  RefreshCaption();
  Invalidate();
}

void TkzuProgressBar::SetPosition(int v) {
  position_ = v;
  RefreshCaption();
  Invalidate();
}

void TkzuProgressBar::SetOrientation(TkzuProgressBarOrientation v) {
  orientation_ = v;
  LoadLook();
  const int longSide = std::max(Width(), Height());
  turning_ = true;
  if (v == kzuHorizontal)
    SetBounds(Left(), Top(), longSide, Thickness);
  else
    SetBounds(Left(), Top(), Thickness, longSide);
  turning_ = false;
}

void TkzuProgressBar::SetBorderColor(TColor v) {
  borderColor_ = v;
  Invalidate();
}

void TkzuProgressBar::SetCaptionColor(TColor v) {
  captionColor_ = v;
  Invalidate();
}

void TkzuProgressBar::SetShowCaption(bool v) {
  // Only a change repaints: the vertical paint turns the caption off.
  if (v == showCaption_) return;
  showCaption_ = v;
  Invalidate();
}

void TkzuProgressBar::SetSmartShowCaption(bool v) {
  smartShowCaption_ = v;
  Invalidate();
}

void TkzuProgressBar::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  LoadLook();
}

void TkzuProgressBar::LoadLook() {
  if (uiStyle_ != TkzuUIStyle::Custom) {
    TBitmap b;
    TryLoadThemeBitmap(GetThemeBitmapName(uiStyle_, orientation_ == kzuHorizontal ? 43 : 44), b);
    picture_->SetGraphic(&b);
    SetColor(GetThemeColor(uiStyle_, 9));
    borderColor_ = GetThemeColor(uiStyle_, 8);
  }
  Invalidate();
}

bool TkzuProgressBar::CanResize(int& NewWidth, int& NewHeight) {
  if (!turning_) {
    if (orientation_ == kzuHorizontal && NewHeight != Thickness) return false;
    if (orientation_ == kzuVertical && NewWidth != Thickness) return false;
  }
  return TCustomPanel::CanResize(NewWidth, NewHeight);
}

void TkzuProgressBar::Paint() {
  const int W = ClientWidth(), H = ClientHeight();
  if (W <= 0 || H <= 0) return;
  TBitmap buffer(W, H, pfDevice);
  TCanvas* c = buffer.Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(TRect{0, 0, W, H});
  TGraphic* pic = picture_->Graphic();
  const bool hasPic = pic && !pic->Empty();
  if (orientation_ == kzuHorizontal) {
    const int f = std::max(1, FilledLength(W - 1));
    if (hasPic && f > 1) c->StretchDraw(TRect{1, 1, f, H - 1}, pic);
    c->FillRect(TRect{f, 1, W - 1, H - 1});
  } else {
    const int f = FilledLength(H - 1);
    const int t = f == H - 1 ? H - f : H - f - 1;
    if (hasPic && f > 0) {
      // Upward from the bottom: the picture mirrored top to bottom.
      TBitmap turned(pic->Width(), pic->Height(), pfDevice);
      turned.Canvas()->Draw(0, 0, pic);
      c->CopyRect(TRect{1, H - 2, W - 1, t - 1}, turned.Canvas(), TRect{0, 0, turned.Width(), turned.Height()});
    }
    c->FillRect(TRect{1, 1, W - 1, t});
    showCaption_ = false;  // the field, not the setter: no repaint from paint
  }
  if (showCaption_ && (!smartShowCaption_ || position_ != min_)) {
    const std::string text = Caption();
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(captionColor_);
    const TSize sz = c->TextExtent(text);
    c->TextOut((W - sz.cx) / 2, (H - sz.cy) / 2, text);
  }
  c->Brush()->SetColor(borderColor_);
  c->FrameRect(TRect{0, 0, W, H});
  Canvas()->CopyRect(TRect{0, 0, W, H}, c, TRect{0, 0, W, H});
}

void TkzuProgressBar::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  TCustomPanel::Dispatch(Message);
}

#include "themed/bars/KZUScrollBar.h"

#include <algorithm>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/system/UiMessages.h"
#include "themed/buttons/KZUButton.h"
#include "themed/core/KZUPublic.h"

namespace {

constexpr int ArrowRepeatInterval = 100;
constexpr int MinThumbLength = 18;
// The image list that cut the track picture kept its default height.
constexpr int TrackSliceHeight = 16;

void SetButtonPicture(TPicture* target, TkzuUIStyle style, int entry, bool turn) {
  TBitmap b;
  TryLoadThemeBitmap(GetThemeBitmapName(style, entry), b);
  if (turn && !b.Empty()) RotateBitmapLeft(&b);
  target->SetGraphic(&b);
}

}  // namespace

TkzuScrollBar::TkzuScrollBar(TComponent* AOwner) : TCustomPanel(AOwner) {
  ControlStyle &= ~csAcceptsControls;
  startCap_ = std::make_unique<TBitmap>();
  middle_ = std::make_unique<TBitmap>();
  endCap_ = std::make_unique<TBitmap>();
  track_ = new TkzuScrollTrackBar(this);
  track_->SetUIStyle(TkzuUIStyle::Custom);
  track_->SetParent(this);
  down_ = new TkzuImageButton(this);
  down_->SetParent(this);
  up_ = new TkzuImageButton(this);
  up_->SetParent(this);
  down_->MouseContinuouslyDownInterval = ArrowRepeatInterval;
  up_->MouseContinuouslyDownInterval = ArrowRepeatInterval;
  down_->OnMouseContinuouslyDown = [this](TObject*) { track_->SetPosition(track_->Position() + SmallChange); };
  up_->OnMouseContinuouslyDown = [this](TObject*) { track_->SetPosition(track_->Position() - SmallChange); };
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetHeight(185);
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  LayoutParts();
}

TkzuScrollBar::~TkzuScrollBar() {
  up_->OnMouseContinuouslyDown = nullptr;
  down_->OnMouseContinuouslyDown = nullptr;
  track_->OnChange = nullptr;
}

void TkzuScrollBar::SetPageSize(int v) {
  track_->SetPageSize(v);
  BuildThumb();
}

void TkzuScrollBar::SetLineButton(int v) {
  if (v == lineButton_) return;
  lineButton_ = v;
  BuildThumb();
}

void TkzuScrollBar::SetOrientation(TkzuProgressBarOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  LoadScrollPictures();
  LayoutParts();
}

void TkzuScrollBar::SetUIStyle(TkzuUIStyle v) {
  if (v == uiStyle_) return;
  uiStyle_ = v;
  if (v != TkzuUIStyle::Custom) {
    SetColor(GetThemeColor(v, 84));
    track_->SetColor(GetThemeColor(v, 84));
  }
  LoadScrollPictures();
  LayoutParts();
}

void TkzuScrollBar::SetSliderVisible(bool v) {
  if (track_->GetSliderVisible() != v) track_->SetSliderVisible(v);
}

void TkzuScrollBar::LoadScrollPictures() {
  if (uiStyle_ == TkzuUIStyle::Custom) return;
  TPicture none;
  track_->SetBarImage(&none);
  TBitmap trackPic;
  if (TryLoadThemeBitmap(GetThemeBitmapName(uiStyle_, 91), trackPic)) {
    RotateBitmapLeft(&trackPic);
    const int sw = trackPic.Width() / 3, sh = std::min(TrackSliceHeight, trackPic.Height());
    TBitmap* slices[3] = {startCap_.get(), middle_.get(), endCap_.get()};
    for (int i = 0; i < 3; ++i) {
      slices[i]->SetSize(sw, sh);
      if (sw <= 0 || sh <= 0) continue;
      slices[i]->Canvas()->CopyRect(TRect{0, 0, sw, sh}, trackPic.Canvas(), TRect{i * sw, 0, (i + 1) * sw, sh});
      if (orientation_ == kzuVertical) RotateBitmapRight(slices[i]);
    }
  }
  const bool turn = orientation_ == kzuHorizontal;
  SetButtonPicture(up_->PicNormal(), uiStyle_, 85, turn);
  SetButtonPicture(up_->PicMouseOn(), uiStyle_, 86, turn);
  SetButtonPicture(up_->PicMouseDown(), uiStyle_, 87, turn);
  SetButtonPicture(down_->PicNormal(), uiStyle_, 88, turn);
  SetButtonPicture(down_->PicMouseOn(), uiStyle_, 89, turn);
  SetButtonPicture(down_->PicMouseDown(), uiStyle_, 90, turn);
  up_->SetAutoSize(false);
  up_->SetAutoSize(true);
  down_->SetAutoSize(false);
  down_->SetAutoSize(true);
}

void TkzuScrollBar::LayoutParts() {
  if (laying_) return;
  laying_ = true;
  track_->SetOrientation(orientation_);
  const int w = Width(), h = Height();
  if (orientation_ == kzuVertical) {
    SetControlPos(up_, TPoint{0, 0});
    track_->SetBounds(0, up_->Height(), track_->Width(), std::max(0, h - down_->Height() - up_->Height() - 1));
    SetControlPos(down_, TPoint{0, h - down_->Height()});
    SetWidth(up_->Width());
  } else {
    SetControlPos(up_, TPoint{0, 0});
    track_->SetBounds(up_->Width(), 0, std::max(0, w - down_->Width() - up_->Width()), track_->Height());
    SetControlPos(down_, TPoint{w - down_->Width(), 0});
    SetHeight(up_->Height());
  }
  laying_ = false;
  BuildThumb();
}

void TkzuScrollBar::BuildThumb() {
  const bool vert = orientation_ == kzuVertical;
  const int thick = vert ? startCap_->Width() : startCap_->Height();
  int length;
  if (lineButton_ > 0) {
    if (lineButton_ < MinThumbLength) lineButton_ = MinThumbLength;
    length = lineButton_;
  } else {
    int page = track_->PageSize();
    if (page < 10 || page > 100) page = 10;
    length = page * (vert ? track_->Height() : track_->Width()) / 100;
  }
  TBitmap thumb;
  if (thick > 0 && length > 0) {
    if (vert)
      thumb.SetSize(thick, length);
    else
      thumb.SetSize(length, thick);
    TCanvas* c = thumb.Canvas();
    const int a = vert ? startCap_->Height() : startCap_->Width();
    const int b = vert ? endCap_->Height() : endCap_->Width();
    if (vert) {
      c->Draw(0, 0, startCap_.get());
      if (length - a - b > 0) c->StretchDraw(TRect{0, a, thick, length - b}, middle_.get());
      c->Draw(0, length - b, endCap_.get());
    } else {
      c->Draw(0, 0, startCap_.get());
      if (length - a - b > 0) c->StretchDraw(TRect{a, 0, length - b, thick}, middle_.get());
      c->Draw(length - b, 0, endCap_.get());
    }
  }
  TPicture p;
  p.SetGraphic(&thumb);
  track_->SetSliderImage(&p);
  track_->UpdateSliderSize();
}

void TkzuScrollBar::Resize() {
  TCustomPanel::Resize();
  LayoutParts();
}

void TkzuScrollBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TCustomPanel::Dispatch(Message);
      LayoutParts();
      return;
    case CM_COLORCHANGED:
      TCustomPanel::Dispatch(Message);
      if (track_) track_->SetColor(Color());
      return;
    default: TCustomPanel::Dispatch(Message); return;
  }
}

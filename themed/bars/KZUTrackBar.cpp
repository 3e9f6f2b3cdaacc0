#include "themed/bars/KZUTrackBar.h"

#include <algorithm>
#include <cstdint>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/forms/Timer.h"
#include "platform/ui/system/UiMessages.h"
#include "themed/core/KZUPublic.h"
#include "themed/panels/KZUImagePanel.h"

namespace {

constexpr Cardinal PageRepeatInterval = 500;

int MulDivTrunc(int64_t a, int64_t b, int64_t c) {
  const int64_t q = a * b / c;
  return int(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

}  // namespace

TkzuTrackBar::TkzuTrackBar(TComponent* AOwner) : TCustomPanel(AOwner) {
  ControlStyle &= ~csAcceptsControls;
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  barBitmap_ = std::make_unique<TBitmap>();
  barImage_ = std::make_unique<TPicture>();
  slider_ = new TkzuImagePanel(this);
  slider_->SetParent(this);
  slider_->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int x, int y) { SliderMouseDown(b, x, y); };
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  UpdateSlider();
}

TkzuTrackBar::~TkzuTrackBar() {
  timer_.reset();
  if (slider_) slider_->OnMouseDown = nullptr;
}

TPicture* TkzuTrackBar::SliderImage() const { return slider_->Picture(); }

void TkzuTrackBar::SetBarImage(const TPicture* v) {
  barImage_->Assign(v);
  RefreshAll();
}

void TkzuTrackBar::SetSliderImage(const TPicture* v) {
  slider_->SetPicture(v);
  UpdateSlider();
  Invalidate();
}

void TkzuTrackBar::SetMin(int v) {
  min_ = v;
  UpdateSlider();
}

void TkzuTrackBar::SetMax(int v) {
  max_ = v;
  UpdateSlider();
}

void TkzuTrackBar::SetPosition(int v) {
  // Max first, then Min, so an inverted range settles on Min.
  position_ = std::max(std::min(v, max_), min_);
  UpdateSlider();
}

void TkzuTrackBar::SetPageSize(int v) {
  if (v < 0 || v > 100) return;
  pageSize_ = v;
}

void TkzuTrackBar::SetOrientation(TkzuProgressBarOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  RefreshAll();
}

void TkzuTrackBar::SetUIStyle(TkzuUIStyle v) {
  if (v == uiStyle_) return;
  uiStyle_ = v;
  if (v != TkzuUIStyle::Custom) SetColor(GetThemeColor(v, 79));
  RefreshAll();
}

bool TkzuTrackBar::GetSliderVisible() const { return slider_->Visible(); }
void TkzuTrackBar::SetSliderVisible(bool v) { slider_->SetVisible(v); }

void TkzuTrackBar::UpdateSliderSize() {
  slider_->SetAutoSize(true);
  UpdateSlider();
}

TPoint TkzuTrackBar::PositionToSliderPos() const {
  const int sw = slider_->Width(), sh = slider_->Height(), w = Width(), h = Height();
  const int64_t span = int64_t(max_) - min_;
  const int64_t off = int64_t(position_) - min_;
  if (orientation_ == kzuHorizontal)
    return TPoint{span == 0 ? 0 : MulDivTrunc(off, w - sw, span), std::max(0, h - sh) / 2};
  return TPoint{std::max(0, w - sw) / 2, span == 0 ? 0 : MulDivTrunc(off, h - sh, span)};
}

int TkzuTrackBar::PointToPosition(int x, int y) const {
  const bool horz = orientation_ == kzuHorizontal;
  const int s = horz ? slider_->Width() : slider_->Height();
  const int len = horz ? Width() : Height();
  const int c = horz ? x : y;
  if (s == len) return 0;
  const int64_t q = int64_t(c - s / 2) * (int64_t(max_) - min_) / (int64_t(len) - s);
  return int(std::clamp<int64_t>(int64_t(min_) + q, INT32_MIN, INT32_MAX));
}

void TkzuTrackBar::Report() {
  if (position_ == lastReported_) return;
  lastReported_ = position_;
  auto alive = AliveToken();
  if (TNotifyEvent h = OnChange) h(this);
  if (!*alive) return;
  lastReported_ = position_;
}

void TkzuTrackBar::UpdateSlider() {
  // The slider is placed on every call: a new range, size or thumb moves it
  // even when the position stays; only OnChange waits for a new position.
  SetControlPos(slider_, PositionToSliderPos());
  Invalidate();
  Report();
}

int TkzuTrackBar::BarPictureHeight() const { return barImage_->Height(); }

void TkzuTrackBar::UpdatePictures() {
  const bool horz = orientation_ == kzuHorizontal;
  if (uiStyle_ != TkzuUIStyle::Custom) {
    TBitmap bar, slider;
    TryLoadThemeBitmap(GetThemeBitmapName(uiStyle_, horz ? 75 : 77), bar);
    barImage_->SetGraphic(&bar);
    barBitmap_->SetSize(horz ? Width() : Height(), bar.Height());
    if (!bar.Empty() && !barBitmap_->Empty())
      DrawThreePartBitmap(&bar, barBitmap_->Canvas(), TRect{0, 0, barBitmap_->Width(), barBitmap_->Height()},
                          false);
    if (!horz) RotateBitmapLeft(barBitmap_.get());
    TryLoadThemeBitmap(GetThemeBitmapName(uiStyle_, horz ? 76 : 78), slider);
    TPicture p;
    p.SetGraphic(&slider);
    slider_->SetPicture(&p);
    slider_->SetAutoSize(true);
    return;
  }
  barBitmap_->SetSize(barImage_->Width(), barImage_->Height());
  if (!barBitmap_->Empty()) {
    barBitmap_->Canvas()->Draw(0, 0, barImage_->Graphic());
    if (!horz) RotateBitmapLeft(barBitmap_.get());
  }
}

void TkzuTrackBar::RefreshAll() {
  if (refreshing_) return;
  refreshing_ = true;
  UpdatePictures();
  const int cross = std::max(BarPictureHeight(), orientation_ == kzuVertical ? slider_->Width() : slider_->Height());
  if (orientation_ == kzuVertical)
    SetWidth(cross);
  else
    SetHeight(cross);
  // A size change re-draws the bar for the new length.
  UpdatePictures();
  refreshing_ = false;
  UpdateSlider();
  Invalidate();
}

void TkzuTrackBar::Resize() {
  TCustomPanel::Resize();
  RefreshAll();
}

void TkzuTrackBar::Paint() {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  TBitmap buffer(w, h, pfDevice);
  TCanvas* c = buffer.Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(TRect{0, 0, w, h});
  if (!barBitmap_->Empty()) {
    const int bh = BarPictureHeight();
    if (orientation_ == kzuHorizontal)
      c->Draw(0, (h - bh) / 2, barBitmap_.get());
    else
      c->Draw((w - bh) / 2, 0, barBitmap_.get());
  }
  Canvas()->CopyRect(TRect{0, 0, w, h}, c, TRect{0, 0, w, h});
}

void TkzuTrackBar::SliderMouseDown(TMouseButton, int X, int Y) {
  grab_ = orientation_ == kzuHorizontal ? X : Y;
  dragging_ = true;
  SetCapture(Handle());
}

void TkzuTrackBar::PageToward(int x, int y) {
  const TPoint sp = PositionToSliderPos();
  const int p = orientation_ == kzuHorizontal ? sp.X : sp.Y;
  const int c = orientation_ == kzuHorizontal ? x : y;
  if (p < c)
    SetPosition(std::min(int(std::min<int64_t>(int64_t(position_) + pageSize_, INT32_MAX)), PointToPosition(x, y)));
  else if (c < p)
    SetPosition(std::max(int(std::max<int64_t>(int64_t(position_) - pageSize_, INT32_MIN)), PointToPosition(x, y)));
}

void TkzuTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft) return;
  PageToward(X, Y);
  if (!*alive || timer_) return;
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetInterval(PageRepeatInterval);
  timer_->SetOnTimer([this](TObject*) {
    POINT p{};
    GetCursorPos(&p);
    const TPoint cp = ScreenToClient(TPoint{p.X, p.Y});
    PageToward(cp.X, cp.Y);
  });
  timer_->SetEnabled(true);
}

void TkzuTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomPanel::MouseMove(Shift, X, Y);
  if (!*alive) return;
  if (dragging_) {
    const bool horz = orientation_ == kzuHorizontal;
    const int w = Width(), h = Height(), sw = slider_->Width(), sh = slider_->Height();
    if (horz)
      SetControlPos(slider_, TPoint{std::clamp(X - grab_, 0, std::max(0, w - sw)), slider_->Top()});
    else
      SetControlPos(slider_, TPoint{slider_->Left(), std::clamp(Y - grab_, 0, std::max(0, h - sh))});
    position_ = std::max(std::min(PointToPosition(X, Y), max_), min_);
    Report();
    return;
  }
  if (timer_ && (X < 0 || Y < 0 || X >= Width() || Y >= Height())) timer_.reset();
}

void TkzuTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  timer_.reset();
  const bool wasDragging = dragging_;
  dragging_ = false;
  if (wasDragging) ReleaseCapture();
  TCustomPanel::MouseUp(Button, Shift, X, Y);
}

void TkzuTrackBar::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  TCustomPanel::Dispatch(Message);
}

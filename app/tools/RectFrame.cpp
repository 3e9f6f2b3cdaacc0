#include "app/tools/RectFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/tools/HandCutFrame.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Timer.h"

TRectFrame::TRectFrame(TImage* image) : image_(image), imageAlive_(image->AliveToken()) {
  image_->SetAutoSize(true);
  image_->SetStretch(true);
  savedDown_ = image_->OnMouseDown;
  savedMove_ = image_->OnMouseMove;
  savedUp_ = image_->OnMouseUp;
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(100);
  timer_->SetOnTimer([this](TObject* s) { TimerTick(s); });
}

TRectFrame::~TRectFrame() {
  timer_->SetEnabled(false);
  if (installed_ && *imageAlive_) {
    image_->OnMouseDown = savedDown_;
    image_->OnMouseMove = savedMove_;
    image_->OnMouseUp = savedUp_;
  }
}

void TRectFrame::Attach() {
  if (!*imageAlive_)
    return;
  const RowImage d = DisplayRows(image_);
  if (d.Empty()) {
    shown_ = RowImageBuffer();
  } else {
    if (shown_.Width() != d.Width || shown_.Height() != d.Height)
      shown_ = RowImageBuffer(d.Width, d.Height, RowImageBuffer::Unset{});
    for (int y = 0; y < d.Height; ++y)
      std::memcpy(shown_.Row(y), d.Row(y), std::size_t(d.Width) * 3);
  }
  image_->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseDown(s, b, sh, x, y); };
  image_->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { MouseMove(s, sh, x, y); };
  image_->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseUp(s, b, sh, x, y); };
  installed_ = true;
}

RowImage TRectFrame::Display() const {
  if (!*imageAlive_)
    return RowImage{};
  const RowImage d = DisplayRows(image_);
  return d.Width == shown_.Width() && d.Height == shown_.Height() ? d : RowImage{};
}

void TRectFrame::DrawBorder() { DrawFrameAnts(Display(), Frame(), phase_, DashLength); }

void TRectFrame::RestoreBorder() {
  RestoreFrameEdges(Display(), shown_.View(), Frame());
  Repaint();
}

void TRectFrame::Repaint() {
  if (*imageAlive_)
    image_->Invalidate();
}

void TRectFrame::Tell(bool selected) {
  if (OnSelection)
    OnSelection(selected);
}

void TRectFrame::Drop() {
  hasRect_ = false;
  left_ = right_ = top_ = bottom_ = 0;
}

void TRectFrame::TimerTick(TObject*) {
  DrawBorder();
  if (++phase_ >= 2 * DashLength)
    phase_ = 0;
  if (*imageAlive_)
    InvalidateFrameEdges(image_, Frame());
}

void TRectFrame::Rescale(bool keepDisplay, double factor) {
  if (!hasRect_ || !std::isfinite(factor) || factor <= 0)
    return;
  timer_->SetEnabled(false);
  phase_ = 0;
  if (!keepDisplay)
    RestoreBorder();
  const RowImage d = *imageAlive_ ? DisplayRows(image_) : RowImage{};
  const int w = d.Empty() ? shown_.Width() : d.Width, h = d.Empty() ? shown_.Height() : d.Height;
  // Scaled edges can land one past the display (an odd size at 1.5 from 2.0); clamp.
  auto scale = [factor](int v, int size) {
    const double s = std::clamp(double(v) * factor, -1.0, double(size));
    return int(Round(s));
  };
  const int l = scale(left_, w), r = scale(right_, w), t = scale(top_, h), b = scale(bottom_, h);
  if (w <= 0 || h <= 0 || l > w - 1 || t > h - 1 || r < 0 || b < 0) {
    Drop();
    Tell(false);
    return;
  }
  left_ = std::clamp(l, 0, w - 1);
  right_ = std::clamp(r, 0, w - 1);
  top_ = std::clamp(t, 0, h - 1);
  bottom_ = std::clamp(b, 0, h - 1);
  hasRect_ = true;
  timer_->SetEnabled(true);
}

void TRectFrame::Clear(bool keepDisplay) {
  if (!hasRect_)
    return;
  timer_->SetEnabled(false);
  phase_ = 0;
  if (!keepDisplay)
    RestoreBorder();
  Drop();
  Tell(false);
}

bool TRectFrame::GetRect(TRect& rect) const {
  if (!hasRect_)
    return false;
  rect = Frame();
  return true;
}

void TRectFrame::MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    dragging_ = true;
    const bool inside = hasRect_ && !(y < top_ || y > bottom_ || x < left_ || x > right_);
    if (hasRect_) {
      timer_->SetEnabled(false);
      phase_ = 0;
    }
    if (inside) {
      moving_ = true;
      move_.Grab(x, y, Frame(), shown_.Width(), shown_.Height());
    } else {
      if (hasRect_)
        RestoreBorder();
      moving_ = false;
      startPoint_ = endPoint_ = TPoint{std::clamp(x, 0, std::max(0, shown_.Width() - 1)),
                                       std::clamp(y, 0, std::max(0, shown_.Height() - 1))};
    }
  }
  if (savedDown_)
    savedDown_(sender, button, shift, x, y);
}

void TRectFrame::MouseMove(TObject* sender, TShiftState shift, int x, int y) {
  if (*imageAlive_)
    image_->SetCursor(hasRect_ && y >= top_ && y <= bottom_ && x >= left_ && x <= right_ ? crSizeAll : crDefault);
  if (dragging_) {
    RestoreBorder();
    if (moving_) {
      const TRect f = move_.Follow(x, y);
      left_ = f.Left, top_ = f.Top, right_ = f.Right, bottom_ = f.Bottom;
    } else {
      endPoint_ = TPoint{std::clamp(x, 0, std::max(0, shown_.Width() - 1)),
                         std::clamp(y, 0, std::max(0, shown_.Height() - 1))};
      left_ = std::min(startPoint_.X, endPoint_.X);
      right_ = std::max(startPoint_.X, endPoint_.X);
      top_ = std::min(startPoint_.Y, endPoint_.Y);
      bottom_ = std::max(startPoint_.Y, endPoint_.Y);
    }
    DrawBorder();
    Repaint();
  }
  if (savedMove_)
    savedMove_(sender, shift, x, y);
}

void TRectFrame::MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && dragging_) {
    dragging_ = false;
    if (!moving_ && endPoint_ == startPoint_) {
      Drop();
      Tell(false);
      return;
    }
    if (!moving_)
      hasRect_ = true;
    timer_->SetEnabled(true);
    Tell(hasRect_);
  }
  if (savedUp_)
    savedUp_(sender, button, shift, x, y);
}

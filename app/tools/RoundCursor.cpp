#include "app/tools/RoundCursor.h"

#include <algorithm>
#include <cmath>

#include "app/tools/HandCutFrame.h"
#include "app/tools/MyImage.h"

void InvertCircle(const RowImage& d, TPoint c, int r) {
  if (d.Empty() || r < 0)
    return;
  // Round(sqrt(s)) = r for an integer s exactly when r^2 - r + 1 <= s <= r^2 + r
  // (s = 0 for r = 0): a square root never lies exactly half way.
  const std::int64_t lo = r == 0 ? 0 : std::int64_t(r) * r - r + 1, hi = std::int64_t(r) * r + r;
  const int b = int(std::trunc(std::sqrt(double(r) * r / 2)));
  const std::int64_t y0 = std::max<std::int64_t>(0, std::int64_t(c.Y) - r);
  const std::int64_t y1 = std::min<std::int64_t>(d.Height - 1, std::int64_t(c.Y) + r);
  const std::int64_t x0 = std::max<std::int64_t>(0, std::int64_t(c.X) - r);
  const std::int64_t x1 = std::min<std::int64_t>(d.Width - 1, std::int64_t(c.X) + r);
  for (std::int64_t y = y0; y <= y1; ++y) {
    const std::int64_t dy = y - c.Y;
    Byte* row = d.Row(int(y));
    for (std::int64_t x = x0; x <= x1; ++x) {
      const std::int64_t dx = x - c.X;
      if (std::abs(dy) < b && std::abs(dx) < b) {
        x = std::max(x, std::int64_t(c.X) + b - 1);  // jump over the inner square
        continue;
      }
      const std::int64_t s = dy * dy + dx * dx;
      if (s < lo || s > hi)
        continue;
      Byte* p = row + x * 3;
      p[0] = Byte(255 - p[0]);
      p[1] = Byte(255 - p[1]);
      p[2] = Byte(255 - p[2]);
    }
  }
}

TRoundCursor::TRoundCursor(TMyImage* image) : image_(image), imageAlive_(image->AliveToken()) {
  image_->SetAutoSize(true);
  image_->SetStretch(true);
  savedEnter_ = image_->OnMouseEnter;
  savedLeave_ = image_->OnMouseLeave;
  savedDown_ = image_->OnMouseDown;
  savedMove_ = image_->OnMouseMove;
  savedUp_ = image_->OnMouseUp;
  image_->OnMouseEnter = [this](TObject* s) { MouseEnter(s); };
  image_->OnMouseLeave = [this](TObject* s) { MouseLeave(s); };
  image_->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseDown(s, b, sh, x, y); };
  image_->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { MouseMove(s, sh, x, y); };
  image_->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseUp(s, b, sh, x, y); };
}

TRoundCursor::~TRoundCursor() {
  if (!*imageAlive_)
    return;
  image_->OnMouseEnter = savedEnter_;
  image_->OnMouseLeave = savedLeave_;
  image_->OnMouseDown = savedDown_;
  image_->OnMouseMove = savedMove_;
  image_->OnMouseUp = savedUp_;
}

void TRoundCursor::DrawOutline() {
  if (position_ == NoPosition || !*imageAlive_)
    return;
  InvertCircle(DisplayRows(image_), position_, radius_);
}

void TRoundCursor::Repaint() {
  if (*imageAlive_)
    image_->Invalidate();
}

void TRoundCursor::SetRadius(int r) {
  DrawOutline();
  radius_ = std::max(0, r);
  DrawOutline();
  Repaint();
}

void TRoundCursor::MoveTo(TPoint p) {
  DrawOutline();
  position_ = p;
  DrawOutline();
  Repaint();
}

void TRoundCursor::MouseEnter(TObject* sender) {
  if (savedEnter_)
    savedEnter_(sender);
}

void TRoundCursor::MouseLeave(TObject* sender) {
  MoveTo(NoPosition);
  if (savedLeave_)
    savedLeave_(sender);
}

void TRoundCursor::MouseMove(TObject* sender, TShiftState shift, int x, int y) {
  MoveTo(TPoint{x, y});
  if (savedMove_)
    savedMove_(sender, shift, x, y);
}

void TRoundCursor::MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && OnErase) {
    // A press can come without a move before it (a tap, a synthetic
    // event): the outline and the erase go where the press is.
    if (position_ != TPoint{x, y})
      MoveTo(TPoint{x, y});
    OnErase(position_, radius_);
  }
  if (savedDown_)
    savedDown_(sender, button, shift, x, y);
}

void TRoundCursor::MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (savedUp_)
    savedUp_(sender, button, shift, x, y);
}

#include "app/tools/HandCutFrame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/pixels/BitmapRows.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/paint/Paint.h"

RowImage DisplayRows(TImage* image) {
  if (!image)
    return RowImage{};
  auto* bitmap = dynamic_cast<TBitmap*>(image->Picture()->Graphic());
  if (!bitmap || bitmap->Empty())
    return RowImage{};
  return BitmapRows(bitmap);
}

namespace {

// One pixel of an ant line: k counts along the 2 x dash period.
inline void PaintAnt(Byte* p, int k, int dash) { std::memset(p, k < dash ? 0 : 255, 3); }

// k for the first position of a line, from Floor((p - s - phase) / dash) even <=> black.
inline int FirstAnt(int offset, int phase, int dash) {
  const int period = 2 * dash;
  return (((offset - phase) % period) + period) % period;
}

void AntRow(const RowImage& d, int y, int left, int right, int phase, int dash) {
  if (y < 0 || y >= d.Height)
    return;
  const int from = std::max(left, 0), to = std::min(right, d.Width - 1);
  if (from > to)
    return;
  Byte* row = d.Row(y) + std::ptrdiff_t(from) * 3;
  int k = FirstAnt(from - left, phase, dash);
  const int period = 2 * dash;
  for (int x = from; x <= to; ++x, row += 3) {
    PaintAnt(row, k, dash);
    if (++k == period)
      k = 0;
  }
}

void AntColumn(const RowImage& d, int x, int top, int bottom, int phase, int dash) {
  if (x < 0 || x >= d.Width)
    return;
  const int from = std::max(top, 0), to = std::min(bottom, d.Height - 1);
  if (from > to)
    return;
  int k = FirstAnt(from - top, phase, dash);
  const int period = 2 * dash;
  Byte* p = d.Row(from) + std::ptrdiff_t(x) * 3;
  for (int y = from; y <= to; ++y, p += d.Stride) {
    PaintAnt(p, k, dash);
    if (++k == period)
      k = 0;
  }
}

void CopyRowPart(const RowImage& to, const RowImage& from, int y, int left, int right) {
  if (y < 0 || y >= to.Height || y >= from.Height)
    return;
  left = std::max(left, 0);
  right = std::min({right, to.Width - 1, from.Width - 1});
  if (left > right)
    return;
  std::memcpy(to.Row(y) + std::ptrdiff_t(left) * 3, from.Row(y) + std::ptrdiff_t(left) * 3,
              std::size_t(right - left + 1) * 3);
}

void CopyColumnPart(const RowImage& to, const RowImage& from, int x, int top, int bottom) {
  if (x < 0 || x >= to.Width || x >= from.Width)
    return;
  top = std::max(top, 0);
  bottom = std::min({bottom, to.Height - 1, from.Height - 1});
  for (int y = top; y <= bottom; ++y)
    std::memcpy(to.Row(y) + std::ptrdiff_t(x) * 3, from.Row(y) + std::ptrdiff_t(x) * 3, 3);
}

void FillRowPart(const RowImage& d, int y, int left, int right, Byte v) {
  if (y < 0 || y >= d.Height)
    return;
  left = std::max(left, 0);
  right = std::min(right, d.Width - 1);
  if (left <= right)
    std::memset(d.Row(y) + std::ptrdiff_t(left) * 3, v, std::size_t(right - left + 1) * 3);
}

void FillColumnPart(const RowImage& d, int x, int top, int bottom, Byte v) {
  if (x < 0 || x >= d.Width)
    return;
  top = std::max(top, 0);
  bottom = std::min(bottom, d.Height - 1);
  for (int y = top; y <= bottom; ++y)
    std::memset(d.Row(y) + std::ptrdiff_t(x) * 3, v, 3);
}

bool SameSize(const RowImage& a, const RowImage& b) { return a.Width == b.Width && a.Height == b.Height; }

}  // namespace

void DrawFrameAnts(const RowImage& display, const TRect& f, int phase, int dashLength) {
  if (display.Empty() || dashLength <= 0)
    return;
  AntRow(display, f.Top, f.Left, f.Right, phase, dashLength);
  AntRow(display, f.Bottom, f.Left, f.Right, phase, dashLength);
  AntColumn(display, f.Left, f.Top, f.Bottom, phase, dashLength);
  AntColumn(display, f.Right, f.Top, f.Bottom, phase, dashLength);
}

void RestoreFrameEdges(const RowImage& display, const RowImage& shown, const TRect& f) {
  if (display.Empty() || shown.Empty())
    return;
  CopyRowPart(display, shown, f.Top, f.Left, f.Right);
  CopyRowPart(display, shown, f.Bottom, f.Left, f.Right);
  CopyColumnPart(display, shown, f.Left, f.Top, f.Bottom);
  CopyColumnPart(display, shown, f.Right, f.Top, f.Bottom);
}

void InvalidateFrameEdges(TImage* image, const TRect& f) {
  TWinControl* parent = image->Parent();
  if (!image->Visible() || !parent || !parent->HandleAllocated())
    return;
  const int x = image->Left(), y = image->Top();
  // Parent client coordinates, right and bottom exclusive; the bitmap covers
  // the control, so nothing needs erasing first.
  const RECT lines[4] = {{x + f.Left, y + f.Top, x + f.Right + 1, y + f.Top + 1},
                         {x + f.Left, y + f.Bottom, x + f.Right + 1, y + f.Bottom + 1},
                         {x + f.Left, y + f.Top, x + f.Left + 1, y + f.Bottom + 1},
                         {x + f.Right, y + f.Top, x + f.Right + 1, y + f.Bottom + 1}};
  for (const RECT& r : lines)
    InvalidateRect(parent->Handle(), &r, FALSE);
}

void TFrameMove::Grab(int x, int y, const TRect& f, int displayWidth, int displayHeight) {
  start_ = at_ = TPoint{x, y};
  offLeft_ = x - f.Left;
  offRight_ = f.Right - x;
  offTop_ = y - f.Top;
  offBottom_ = f.Bottom - y;
  maxX_ = std::max(offLeft_, displayWidth - 1 - offRight_);
  maxY_ = std::max(offTop_, displayHeight - 1 - offBottom_);
}

TRect TFrameMove::Follow(int x, int y) {
  at_ = TPoint{std::clamp(x, offLeft_, maxX_), std::clamp(y, offTop_, maxY_)};
  return TRect{at_.X - offLeft_, at_.Y - offTop_, at_.X + offRight_, at_.Y + offBottom_};
}

THandCutFrame::THandCutFrame(TImage* image) : image_(image), imageAlive_(image->AliveToken()) {
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

THandCutFrame::~THandCutFrame() {
  timer_->SetEnabled(false);
  // Our handlers point at this object; never leave them on the control.
  RestoreHandlers();
}

void THandCutFrame::InstallHandlers() {
  image_->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseDown(s, b, sh, x, y); };
  image_->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { MouseMove(s, sh, x, y); };
  image_->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseUp(s, b, sh, x, y); };
  installed_ = true;
}

void THandCutFrame::RestoreHandlers() {
  if (!installed_)
    return;
  installed_ = false;
  if (!*imageAlive_)
    return;
  image_->OnMouseDown = savedDown_;
  image_->OnMouseMove = savedMove_;
  image_->OnMouseUp = savedUp_;
}

RowImage THandCutFrame::Display() const {
  if (!*imageAlive_)
    return RowImage{};
  RowImage d = DisplayRows(image_);
  return SameSize(d, untouched_.View()) ? d : RowImage{};
}

void THandCutFrame::Repaint() {
  if (*imageAlive_)
    image_->Invalidate();
}

void THandCutFrame::Start(int left, int top, int right, int bottom) {
  if (!idle_)
    Cancel();
  const RowImage d = DisplayRows(image_);
  if (d.Empty())
    return;
  untouched_ = RowImageBuffer(d.Width, d.Height, RowImageBuffer::Unset{});
  shown_ = RowImageBuffer(d.Width, d.Height, RowImageBuffer::Unset{});
  for (int y = 0; y < d.Height; ++y) {
    std::memcpy(untouched_.Row(y), d.Row(y), std::size_t(d.Width) * 3);
    std::memcpy(shown_.Row(y), d.Row(y), std::size_t(d.Width) * 3);
  }
  // The frame lives on the display.
  left_ = std::clamp(std::min(left, right), 0, d.Width - 1);
  right_ = std::clamp(std::max(left, right), 0, d.Width - 1);
  top_ = std::clamp(std::min(top, bottom), 0, d.Height - 1);
  bottom_ = std::clamp(std::max(top, bottom), 0, d.Height - 1);
  empty_ = false;
  dragging_ = false;
  Render();
  DrawBorder();
  DrawHandles();
  phase_ = 0;
  timer_->SetEnabled(true);
  InstallHandlers();
  idle_ = false;
  Repaint();
}

void THandCutFrame::Cancel() {
  if (idle_)
    return;
  RestoreHandlers();
  timer_->SetEnabled(false);
  phase_ = 0;
  dragging_ = false;
  if (const RowImage d = Display(); !d.Empty())
    for (int y = 0; y < d.Height; ++y) {
      std::memcpy(d.Row(y), untouched_.Row(y), std::size_t(d.Width) * 3);
      std::memcpy(shown_.Row(y), untouched_.Row(y), std::size_t(d.Width) * 3);
    }
  Repaint();
  idle_ = true;
  if (*imageAlive_)
    image_->SetCursor(crDefault);
}

bool THandCutFrame::Finish(TRect& rect) {
  if (idle_ || empty_ || right_ < left_ || bottom_ < top_)
    return false;
  rect = TRect{left_, top_, right_, bottom_};
  RestoreHandlers();
  timer_->SetEnabled(false);
  phase_ = 0;
  dragging_ = false;
  idle_ = true;
  if (*imageAlive_)
    image_->SetCursor(crDefault);
  return true;
}

void THandCutFrame::Render() {
  const RowImage d = Display();
  if (d.Empty())
    return;
  Byte dark[256];
  for (int v = 0; v < 256; ++v)
    dark[v] = Byte(std::max(0, v - Darken));
  auto darken = [&](Byte* out, Byte* keep, const Byte* from, int x0, int x1) {
    for (int i = x0 * 3, end = (x1 + 1) * 3; i < end; ++i)
      out[i] = keep[i] = dark[from[i]];
  };
  for (int y = 0; y < d.Height; ++y) {
    Byte* out = d.Row(y);
    Byte* keep = shown_.Row(y);
    const Byte* from = untouched_.Row(y);
    if (y < top_ || y > bottom_) {
      darken(out, keep, from, 0, d.Width - 1);
      continue;
    }
    darken(out, keep, from, 0, left_ - 1);
    darken(out, keep, from, right_ + 1, d.Width - 1);
    const std::size_t l = std::size_t(left_) * 3, n = std::size_t(right_ - left_ + 1) * 3;
    std::memcpy(keep + l, from + l, n);
    if (y > top_ && y < bottom_ && right_ - left_ > 1)
      std::memcpy(out + l + 3, from + l + 3, n - 6);
  }
}

void THandCutFrame::DrawBorder() { DrawFrameAnts(Display(), Frame(), phase_, DashLength); }

void THandCutFrame::RestoreBorder() { RestoreFrameEdges(Display(), shown_.View(), Frame()); }

void THandCutFrame::DrawHandles() {
  const RowImage d = Display();
  if (d.Empty())
    return;
  const int r = HandleReach;
  for (TPoint c : {TPoint{left_, top_}, TPoint{left_, bottom_}, TPoint{right_, top_}, TPoint{right_, bottom_}}) {
    // Inclusive 7 x 7 outline: the very pixels EraseHandles puts back.
    FillRowPart(d, c.Y - r, c.X - r, c.X + r, 255);
    FillRowPart(d, c.Y + r, c.X - r, c.X + r, 255);
    FillColumnPart(d, c.X - r, c.Y - r, c.Y + r, 255);
    FillColumnPart(d, c.X + r, c.Y - r, c.Y + r, 255);
  }
}

void THandCutFrame::EraseHandles() {
  const RowImage d = Display();
  if (d.Empty())
    return;
  const int r = HandleReach;
  const RowImage s = shown_.View();
  for (TPoint c : {TPoint{left_, top_}, TPoint{left_, bottom_}, TPoint{right_, top_}, TPoint{right_, bottom_}}) {
    CopyRowPart(d, s, c.Y - r, c.X - r, c.X + r);
    CopyRowPart(d, s, c.Y + r, c.X - r, c.X + r);
    CopyColumnPart(d, s, c.X - r, c.Y - r, c.Y + r);
    CopyColumnPart(d, s, c.X + r, c.Y - r, c.Y + r);
  }
}

void THandCutFrame::TimerTick(TObject*) {
  DrawBorder();
  if (++phase_ >= 2 * DashLength)
    phase_ = 0;
  if (*imageAlive_)
    InvalidateFrameEdges(image_, Frame());
}

namespace {
bool Near(int x, int y, int cx, int cy) {
  return std::abs(x - cx) <= THandCutFrame::HandleReach && std::abs(y - cy) <= THandCutFrame::HandleReach;
}
}  // namespace

void THandCutFrame::MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    const TPoint corners[4][2] = {{{left_, top_}, {right_, bottom_}},
                                  {{right_, bottom_}, {left_, top_}},
                                  {{right_, top_}, {left_, bottom_}},
                                  {{left_, bottom_}, {right_, top_}}};
    bool grabbed = false;
    for (const auto& c : corners)
      if (Near(x, y, c[0].X, c[0].Y)) {
        moving_ = false;
        dragPoint_ = c[0];
        anchor_ = c[1];
        dragging_ = grabbed = true;
        break;
      }
    if (!grabbed && y >= top_ && y <= bottom_ && x >= left_ && x <= right_) {
      moving_ = true;
      move_.Grab(x, y, Frame(), untouched_.Width(), untouched_.Height());
      dragging_ = true;
    }
    if (dragging_) {
      timer_->SetEnabled(false);
      phase_ = 0;
    }
  }
  if (savedDown_)
    savedDown_(sender, button, shift, x, y);
}

void THandCutFrame::RatioCorrect() {
  if (RatioWidth == 0 || RatioHeight == 0)
    return;
  const int u = std::abs(dragPoint_.Y - anchor_.Y) + 1, v = std::abs(dragPoint_.X - anchor_.X) + 1;
  if (double(RatioHeight) / RatioWidth > double(u) / v) {
    const int dx = int(std::int64_t(RatioWidth) * u / RatioHeight);
    dragPoint_.X = dragPoint_.X < anchor_.X ? anchor_.X - dx : anchor_.X + dx;
  } else {
    const int dy = int(std::int64_t(v) * RatioHeight / RatioWidth);
    dragPoint_.Y = dragPoint_.Y < anchor_.Y ? anchor_.Y - dy : anchor_.Y + dy;
  }
  // The correction may reach one pixel past the picture; the frame stays on it.
  dragPoint_.X = std::clamp(dragPoint_.X, 0, untouched_.Width() - 1);
  dragPoint_.Y = std::clamp(dragPoint_.Y, 0, untouched_.Height() - 1);
}

void THandCutFrame::MouseMove(TObject* sender, TShiftState shift, int x, int y) {
  if (*imageAlive_) {
    TCursor cursor = crDefault;
    if (Near(x, y, left_, top_) || Near(x, y, right_, bottom_))
      cursor = crSizeNWSE;
    else if (Near(x, y, right_, top_) || Near(x, y, left_, bottom_))
      cursor = crSizeNESW;
    else if (y >= top_ && y <= bottom_ && x >= left_ && x <= right_)
      cursor = crSizeAll;
    image_->SetCursor(cursor);
  }
  if (dragging_) {
    EraseHandles();
    RestoreBorder();
    if (moving_) {
      const TRect f = move_.Follow(x, y);
      left_ = f.Left, top_ = f.Top, right_ = f.Right, bottom_ = f.Bottom;
    } else {
      dragPoint_ = TPoint{std::clamp(x, 0, untouched_.Width() - 1), std::clamp(y, 0, untouched_.Height() - 1)};
      RatioCorrect();
      left_ = std::min(dragPoint_.X, anchor_.X);
      right_ = std::max(dragPoint_.X, anchor_.X);
      top_ = std::min(dragPoint_.Y, anchor_.Y);
      bottom_ = std::max(dragPoint_.Y, anchor_.Y);
    }
    DrawBorder();
    DrawHandles();
    Repaint();
  }
  if (savedMove_)
    savedMove_(sender, shift, x, y);
}

void THandCutFrame::MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && dragging_) {
    dragging_ = false;
    if (moving_ && !move_.Moved()) {
      // Nothing moved: the frame is drawn as it was; let the ants march on.
      timer_->SetEnabled(true);
      return;
    }
    if (!moving_ && dragPoint_ == anchor_) {
      left_ = right_ = top_ = bottom_ = 0;
      empty_ = true;
      return;
    }
    empty_ = false;
    Render();
    DrawHandles();
    timer_->SetEnabled(true);
    Repaint();
  }
  if (savedUp_)
    savedUp_(sender, button, shift, x, y);
}

#include "app/tools/AntLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/tools/HandCutFrame.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Timer.h"

namespace {

std::uint64_t Key(int x, int y) { return (std::uint64_t(std::uint32_t(y)) << 32) | std::uint32_t(x); }

// num / den rounded half to even, den > 0.
int RoundDiv(std::int64_t num, std::int64_t den) {
  std::int64_t q = num / den, r = num % den;
  if (r < 0) {
    r += den;
    --q;
  }
  if (2 * r > den || (2 * r == den && (q & 1)))
    ++q;
  return int(q);
}

}  // namespace

TAntLine::TAntLine(TImage* image) : image_(image), imageAlive_(image->AliveToken()) {
  image_->SetAutoSize(true);
  image_->SetStretch(true);
  savedDown_ = image_->OnMouseDown;
  savedMove_ = image_->OnMouseMove;
  savedUp_ = image_->OnMouseUp;
  image_->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseDown(s, b, sh, x, y); };
  image_->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { MouseMove(s, sh, x, y); };
  image_->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { MouseUp(s, b, sh, x, y); };
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(100);
  timer_->SetOnTimer([this](TObject* s) { TimerTick(s); });
}

TAntLine::~TAntLine() {
  timer_->SetEnabled(false);
  if (*imageAlive_) {
    image_->OnMouseDown = savedDown_;
    image_->OnMouseMove = savedMove_;
    image_->OnMouseUp = savedUp_;
  }
}

void TAntLine::ResetBounds() {
  minX_ = 10000;
  maxX_ = 0;
  minY_ = 10000;
  maxY_ = 0;
}

RowImage TAntLine::PathDisplay() const {
  if (!*imageAlive_ || path_.empty())
    return RowImage{};
  const RowImage d = DisplayRows(image_);
  return minX_ >= 0 && minY_ >= 0 && maxX_ < d.Width && maxY_ < d.Height ? d : RowImage{};
}

TPoint TAntLine::ClampToDisplay(int x, int y) const {
  const RowImage d = *imageAlive_ ? DisplayRows(image_) : RowImage{};
  return TPoint{std::clamp(x, 0, std::max(0, d.Width - 1)), std::clamp(y, 0, std::max(0, d.Height - 1))};
}

void TAntLine::Repaint() {
  if (*imageAlive_)
    image_->Invalidate();
}

void TAntLine::AddPoint(const RowImage& d, int x, int y) {
  if (x < 0 || y < 0 || x >= d.Width || y >= d.Height)
    return;
  if (!onPath_.insert(Key(x, y)).second)
    return;
  if (path_.empty()) {
    minX_ = maxX_ = x;
    minY_ = maxY_ = y;
  } else {
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
  }
  Byte* p = d.Row(y) + std::ptrdiff_t(x) * 3;
  path_.push_back(TPathPoint{x, y, p[2], p[1], p[0]});
  p[0] = Byte(255 - p[0]);
  p[1] = Byte(255 - p[1]);
  p[2] = Byte(255 - p[2]);
}

void TAntLine::AddLine(int x1, int y1, int x2, int y2) {
  const RowImage d = *imageAlive_ ? DisplayRows(image_) : RowImage{};
  if (d.Empty())
    return;
  if (x1 == x2 && y1 == y2) {
    AddPoint(d, x1, y1);
    return;
  }
  if (std::abs(x1 - x2) < std::abs(y1 - y2)) {
    const bool firstLow = y1 < y2;
    const int xa = firstLow ? x1 : x2, ya = firstLow ? y1 : y2, xb = firstLow ? x2 : x1, yb = firstLow ? y2 : y1;
    for (int y = ya; y <= yb; ++y)
      AddPoint(d, xa + RoundDiv(std::int64_t(xb - xa) * (y - ya), yb - ya), y);
  } else {
    const bool firstLeft = x1 < x2;
    const int xa = firstLeft ? x1 : x2, ya = firstLeft ? y1 : y2, xb = firstLeft ? x2 : x1, yb = firstLeft ? y2 : y1;
    for (int x = xa; x <= xb; ++x)
      AddPoint(d, x, ya + RoundDiv(std::int64_t(yb - ya) * (x - xa), xb - xa));
  }
}

void TAntLine::ReleasePath(bool keepDisplay) {
  if (!keepDisplay)
    if (const RowImage d = PathDisplay(); !d.Empty()) {
      for (const TPathPoint& p : path_) {
        Byte* px = d.Row(p.Y) + std::ptrdiff_t(p.X) * 3;
        px[0] = p.B;
        px[1] = p.G;
        px[2] = p.R;
      }
      Repaint();
    }
  path_.clear();
  onPath_.clear();
  ResetBounds();
  region_ = TRegionArray{};
}

void TAntLine::Clear(bool keepDisplay) {
  timer_->SetEnabled(false);
  phase_ = 0;
  ReleasePath(keepDisplay);
  outline_.clear();
  corners_.clear();
}

void TAntLine::Recapture() {
  const RowImage d = PathDisplay();
  if (d.Empty())
    return;
  for (TPathPoint& p : path_) {
    const Byte* px = d.Row(p.Y) + std::ptrdiff_t(p.X) * 3;
    p.B = px[0];
    p.G = px[1];
    p.R = px[2];
  }
}

void TAntLine::SaveOutline() {
  outline_.clear();
  outline_.reserve(path_.size());
  for (const TPathPoint& p : path_)
    outline_.push_back(TPoint{p.X, p.Y});
}

void TAntLine::BuildRegion() {
  if (path_.empty() || !(minX_ < maxX_ && minY_ < maxY_))
    return;
  const int w = maxX_ - minX_ + 1, h = maxY_ - minY_ + 1;
  if (std::int64_t(w) * h > MaxRegionCells)
    return;
  const std::size_t cells = std::size_t(w) * std::size_t(h);
  region_.Width = w;
  region_.Height = h;
  region_.Cells.assign(cells, 0);
  std::vector<Byte> touch(cells, 0), reached(cells, 0);
  originX_ = minX_;
  originY_ = minY_;
  std::vector<Byte>& path = region_.Cells;  // marks the path first, the area after
  for (const TPathPoint& p : path_)
    path[std::size_t(p.Y - minY_) * w + std::size_t(p.X - minX_)] = 1;

  // Flood the outside from every border cell through non-path cells; the
  // path cells it meets face the outside.
  std::vector<std::size_t> stack;
  auto visit = [&](std::size_t i) {
    if (path[i])
      touch[i] = 1;
    else if (!reached[i]) {
      reached[i] = 1;
      stack.push_back(i);
    }
  };
  auto flood = [&](std::size_t start) {
    visit(start);
    while (!stack.empty()) {
      const std::size_t i = stack.back();
      stack.pop_back();
      const int x = int(i % std::size_t(w)), y = int(i / std::size_t(w));
      if (x > 0) visit(i - 1);
      if (x < w - 1) visit(i + 1);
      if (y > 0) visit(i - w);
      if (y < h - 1) visit(i + w);
    }
  };
  for (int x = 0; x < w; ++x) {
    flood(std::size_t(x));
    flood(std::size_t(h - 1) * w + std::size_t(x));
  }
  for (int y = 1; y < h - 1; ++y) {
    flood(std::size_t(y) * w);
    flood(std::size_t(y) * w + std::size_t(w - 1));
  }

  for (std::size_t i = 0; i < cells; ++i)
    path[i] = !reached[i] && !touch[i];

  // Outside-facing path cells with no area beside them are a tail or a loop
  // outside the area.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = std::size_t(y) * w + std::size_t(x);
      if (!touch[i])
        continue;
      bool beside = false;
      for (int dy = -1; dy <= 1 && !beside; ++dy)
        for (int dx = -1; dx <= 1 && !beside; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if ((dx || dy) && nx >= 0 && ny >= 0 && nx < w && ny < h && path[std::size_t(ny) * w + std::size_t(nx)])
            beside = true;
        }
      if (!beside)
        touch[i] = 0;
    }

  const RowImage d = PathDisplay();
  std::size_t kept = 0;
  for (std::size_t k = 0; k < path_.size(); ++k) {
    const TPathPoint& p = path_[k];
    if (touch[std::size_t(p.Y - minY_) * w + std::size_t(p.X - minX_)]) {
      path_[kept++] = p;
      continue;
    }
    onPath_.erase(Key(p.X, p.Y));
    if (!d.Empty()) {
      Byte* px = d.Row(p.Y) + std::ptrdiff_t(p.X) * 3;
      px[0] = p.B;
      px[1] = p.G;
      px[2] = p.R;
    }
  }
  path_.resize(kept);
}

void TAntLine::DrawAnts() {
  const RowImage d = PathDisplay();
  if (d.Empty())
    return;
  const int period = 2 * DashLength;
  // Index i is black when Floor((i - phase) / dash) is even.
  int k = ((-phase_) % period + period) % period;
  for (const TPathPoint& p : path_) {
    std::memset(d.Row(p.Y) + std::ptrdiff_t(p.X) * 3, k < DashLength ? 0 : 255, 3);
    if (++k == period)
      k = 0;
  }
}

void TAntLine::TimerTick(TObject*) {
  DrawAnts();
  if (++phase_ >= 2 * DashLength)
    phase_ = 0;
  Repaint();
}

void TAntLine::Rescale(bool keepDisplay, double factor) {
  if (!std::isfinite(factor) || factor <= 0 || !timer_->Enabled())
    return;
  timer_->SetEnabled(false);
  phase_ = 0;
  ReleasePath(keepDisplay);
  const RowImage d = *imageAlive_ ? DisplayRows(image_) : RowImage{};
  // Scaled points may land past the display (an odd size from 2.0 to 1.5).
  auto scaled = [&](TPoint p) {
    auto one = [factor](int v, int size) {
      return int(Round(std::clamp(double(v) * factor, 0.0, double(std::max(0, size - 1)))));
    };
    return TPoint{one(p.X, d.Width), one(p.Y, d.Height)};
  };
  for (TPoint& c : corners_)
    c = scaled(c);
  for (std::size_t i = 0; i < corners_.size(); ++i) {
    const TPoint a = corners_[i], b = corners_[(i + 1) % corners_.size()];
    AddLine(a.X, a.Y, b.X, b.Y);
  }
  BuildRegion();
  SaveOutline();
  timer_->SetEnabled(true);
  Repaint();
}

void TAntLine::MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    drawing_ = true;
    Clear(false);
    startPoint_ = lastPoint_ = ClampToDisplay(x, y);
    corners_.assign(1, startPoint_);
  }
  if (savedDown_)
    savedDown_(sender, button, shift, x, y);
}

void TAntLine::MouseMove(TObject* sender, TShiftState shift, int x, int y) {
  if (drawing_) {
    const TPoint p = ClampToDisplay(x, y);
    AddLine(p.X, p.Y, lastPoint_.X, lastPoint_.Y);
    if (!(p == lastPoint_))
      corners_.push_back(p);
    lastPoint_ = p;
    Repaint();
  }
  if (savedMove_)
    savedMove_(sender, shift, x, y);
}

void TAntLine::MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && drawing_) {
    drawing_ = false;
    const TPoint p = ClampToDisplay(x, y);
    if (!(p == lastPoint_))
      corners_.push_back(p);
    AddLine(p.X, p.Y, startPoint_.X, startPoint_.Y);
    BuildRegion();
    SaveOutline();
    timer_->SetEnabled(true);
    Repaint();
    if (OnLassoDone)
      OnLassoDone(minX_, maxX_, region_, maxY_, minY_);
  }
  if (savedUp_)
    savedUp_(sender, button, shift, x, y);
}

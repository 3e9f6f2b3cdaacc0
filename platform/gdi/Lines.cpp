// Lines: MoveToEx, LineTo, Polyline, PolylineTo, PolyPolyline.
//
// One-pixel pens step along the major axis and take the minor coordinate
// nearest the true line (Bresenham's rule). A tie, the line passing exactly
// between two pixels, goes to the smaller coordinate whichever way the line
// runs, so a line drawn backwards covers the same pixels and an XOR line
// drawn back erases itself. The end point is never drawn.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/PenStroke.h"
#include "platform/gdi/ShapeRegions.h"

PenStroke::PenStroke(DeviceContext& dc) : dc_(dc) {
  const GdiPen* pen = dc.st.pen;
  int dash = pen ? pen->Dash() : PS_NULL;
  visible_ = pen && dash != PS_NULL;
  if (!visible_) return;
  width_ = std::max(1, pen->width);
  color_ = ColorToPixel(dc.Resolve(pen->color));
  gap_ = ColorToPixel(dc.Resolve(dc.st.bkColor));
  gapOpaque_ = dc.st.bkMode == OPAQUE;
  if (width_ == 1) {
    switch (dash) {
      case PS_DASH: dashes_ = {18, 6}; break;
      case PS_DOT: dashes_ = {3, 3}; break;
      case PS_DASHDOT: dashes_ = {9, 6, 3, 6}; break;
      case PS_DASHDOTDOT: dashes_ = {9, 3, 3, 3, 3, 3}; break;
      case PS_ALTERNATE: dashes_ = {1, 1}; break;
      case PS_USERSTYLE:
        for (DWORD v : pen->userStyle) dashes_.push_back(int(std::min<DWORD>(v, 1u << 16)));
        if (dashes_.size() % 2) dashes_.insert(dashes_.end(), dashes_.begin(), dashes_.end());
        break;
      default: break;
    }
    bool any = false;
    for (int v : dashes_) any = any || v > 0;
    if (!any) dashes_.clear();
    if (!dashes_.empty()) dashLeft_ = dashes_[0];
  }
}

void PenStroke::FlushRun() {
  if (!runOpen_) return;
  runOpen_ = false;
  if (runOn_)
    PaintSpan(dc_, runY_, runX0_, runX1_, SolidPaint(color_), dc_.st.rop2);
  else if (gapOpaque_)
    PaintSpan(dc_, runY_, runX0_, runX1_, SolidPaint(gap_), dc_.st.rop2);
}

void PenStroke::Plot(int x, int y) {
  bool on = true;
  if (!dashes_.empty()) {
    while (dashLeft_ == 0) {
      dashIndex_ = (dashIndex_ + 1) % dashes_.size();
      dashLeft_ = dashes_[dashIndex_];
    }
    on = (dashIndex_ % 2) == 0;
    --dashLeft_;
  }
  if (runOpen_ && y == runY_ && on == runOn_) {
    if (x == runX1_) {
      ++runX1_;
      return;
    }
    if (x == runX0_ - 1) {
      --runX0_;
      return;
    }
  }
  FlushRun();
  runOpen_ = true;
  runY_ = y;
  runX0_ = x;
  runX1_ = x + 1;
  runOn_ = on;
}

void PenStroke::Segment(int x0, int y0, int x1, int y1) {
  if (!visible_) return;
  if (width_ > 1) {
    wide_ = Region::Combine(wide_, ThickSegmentRegion(x0, y0, x1, y1, width_, ClipRows(dc_)), Region::Op::Or);
    return;
  }
  // Walk only the steps whose major coordinate lies in the clip box; the
  // error term of the first one follows from the closed form of the walk:
  // after i steps the minor axis has moved floor((2 * minor * i + major - tie) / (2 * major)),
  // where tie is 1 when the minor axis grows (ties stay behind, at the
  // smaller coordinate) and 0 when it shrinks (ties move on, to the smaller).
  const RECT box = dc_.EffectiveClip().Box();
  const std::int64_t dx = std::llabs(std::int64_t(x1) - x0), dy = std::llabs(std::int64_t(y1) - y0);
  const int sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
  const bool xMajor = dx >= dy;
  const std::int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  const int m0 = xMajor ? x0 : y0, s0 = xMajor ? sx : sy, sMinor = xMajor ? sy : sx;
  const std::int64_t lo = xMajor ? box.Left : box.Top, hi = xMajor ? box.Right : box.Bottom;
  std::int64_t iLo = s0 > 0 ? lo - m0 : m0 - (hi - 1);
  std::int64_t iHi = s0 > 0 ? hi - m0 : m0 - lo + 1;
  iLo = std::max<std::int64_t>(iLo, 0);
  iHi = std::min<std::int64_t>(iHi, major);
  if (iLo >= iHi) {
    Advance(major);
    return;
  }
  Advance(iLo);
  const std::int64_t tie = sMinor > 0 ? 1 : 0;
  const std::int64_t moved = (2 * minor * iLo + major - tie) / (2 * major);
  // Moves on when err >= tie, i.e. err > tie - 1.
  std::int64_t err = 2 * minor * (iLo + 1) - major - 2 * major * moved;
  const std::int64_t threshold = tie - 1;
  std::int64_t a = m0 + s0 * iLo;                      // major coordinate
  std::int64_t b = (xMajor ? y0 : x0) + sMinor * moved;  // minor coordinate
  for (std::int64_t i = iLo; i < iHi; ++i) {
    if (xMajor)
      Plot(int(a), int(b));
    else
      Plot(int(b), int(a));
    if (err > threshold) {
      b += sMinor;
      err -= 2 * major;
    }
    err += 2 * minor;
    a += s0;
  }
  Advance(major - iHi);
}

void PenStroke::Advance(std::int64_t n) {
  if (dashes_.empty() || n <= 0) return;
  std::int64_t period = 0;
  for (int v : dashes_) period += v;
  n %= period;
  while (n > 0) {
    while (dashLeft_ == 0) {
      dashIndex_ = (dashIndex_ + 1) % dashes_.size();
      dashLeft_ = dashes_[dashIndex_];
    }
    std::int64_t k = std::min<std::int64_t>(n, dashLeft_);
    dashLeft_ -= int(k);
    n -= k;
  }
}

void PenStroke::Flush() {
  FlushRun();
  if (!wide_.IsEmpty()) {
    PaintRegion(dc_, wide_, SolidPaint(color_), dc_.st.rop2);
    wide_.Clear();
  }
}

BOOL MoveToEx(HDC h, int x, int y, POINT* old) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  if (old) *old = dc->st.pos;
  dc->st.pos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC h, POINT* p) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !p) return FALSE;
  *p = dc->st.pos;
  return TRUE;
}

BOOL LineTo(HDC h, int x, int y) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  PenStroke s(*dc);
  s.Segment(dc->SX(dc->st.pos.X), dc->SY(dc->st.pos.Y), dc->SX(x), dc->SY(y));
  s.Flush();
  dc->st.pos = POINT{x, y};
  return TRUE;
}

namespace {
void StrokePath(DeviceContext& dc, const POINT* pts, int count, PenStroke& s) {
  for (int i = 0; i + 1 < count; ++i)
    s.Segment(dc.SX(pts[i].X), dc.SY(pts[i].Y), dc.SX(pts[i + 1].X), dc.SY(pts[i + 1].Y));
}
}  // namespace

BOOL Polyline(HDC h, const POINT* pts, int count) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !pts || count < 2 || count > kMaxPoints) return FALSE;
  PenStroke s(*dc);
  StrokePath(*dc, pts, count, s);
  return TRUE;
}

BOOL PolylineTo(HDC h, const POINT* pts, DWORD count) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !pts || count == 0 || count > DWORD(kMaxPoints)) return FALSE;
  std::vector<POINT> all;
  all.reserve(count + 1);
  all.push_back(dc->st.pos);
  all.insert(all.end(), pts, pts + count);
  PenStroke s(*dc);
  StrokePath(*dc, all.data(), int(all.size()), s);
  dc->st.pos = pts[count - 1];
  return TRUE;
}

BOOL PolyPolyline(HDC h, const POINT* pts, const DWORD* counts, DWORD polys) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !pts || !counts || polys == 0) return FALSE;
  std::int64_t total = 0;
  for (DWORD i = 0; i < polys; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
    if (total > kMaxPoints) return FALSE;
  }
  for (DWORD i = 0; i < polys; ++i) {
    PenStroke s(*dc);
    StrokePath(*dc, pts, int(counts[i]), s);
    pts += counts[i];
  }
  return TRUE;
}

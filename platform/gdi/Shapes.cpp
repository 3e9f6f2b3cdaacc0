// Filled and outlined shapes: polygons, rectangles, rounded rectangles,
// ellipses, arcs, pies, chords, and the rectangle helpers of USER.
//
// Outlines of one-pixel solid pens and of wide pens are rings: the shape
// minus the same shape inset by the pen width, so every outline pixel is
// painted once even with XOR modes. PS_INSIDEFRAME keeps the ring inside the
// bounds; other wide pens are centred on the one-pixel outline. The brush
// fills what the ring leaves inside. Without a pen the filled shape is one
// pixel smaller to the right and bottom, as in GDI. Dashed one-pixel pens
// dash rectangles and polygons along their edges and curved outlines along
// the curve (see DashedOutline.h).
#include <algorithm>
#include <cmath>

#include "platform/gdi/DashedOutline.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/PenStroke.h"
#include "platform/gdi/ShapeRegions.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Maps each pixel of `r` through `keep`, building a new region row by row.
template <class Pred> Region FilterRegion(const Region& r, Pred keep) {
  if (r.IsEmpty()) return Region();
  RECT box = r.Box();
  std::vector<std::vector<int>> rows(static_cast<size_t>(box.Bottom - box.Top));
  for (const Region::Band& b : r.Bands())
    for (int y = b.top; y < b.bottom; ++y) {
      std::vector<int>& row = rows[size_t(y - box.Top)];
      for (size_t i = 0; i + 1 < b.xs.size(); i += 2)
        for (int x = b.xs[i]; x < b.xs[i + 1]; ++x) {
          if (!keep(x, y)) continue;
          if (!row.empty() && row.back() == x)
            ++row.back();
          else {
            row.push_back(x);
            row.push_back(x + 1);
          }
        }
    }
  return Region::FromRows(box.Top, rows);
}

bool SolidOutline(const DeviceContext& dc) {
  const GdiPen* p = dc.st.pen;
  if (!p) return false;
  int d = p->Dash();
  return p->width > 1 || d == PS_SOLID || d == PS_INSIDEFRAME;
}

// A visible one-pixel pen with a dash pattern.
bool StyledPen(const DeviceContext& dc) {
  return dc.st.pen && dc.st.pen->Dash() != PS_NULL && !SolidOutline(dc);
}

struct ShapeParts {
  Region ring, interior;
};

// Whether a dashed outline of bounds s is ordered whole.
bool DashWhole(RECT s) { return s.Right - s.Left <= kDashWholeOutline && s.Bottom - s.Top <= kDashWholeOutline; }

// Ring and interior of a shape `make(l, t, r, b)` for the DC's pen; only the
// rows in the clip box unless `whole` (for dashing) and the shape is small
// enough to order its outline whole.
template <class Make> ShapeParts Parts(DeviceContext& dc, RECT s, Make make, bool whole = false) {
  ShapeParts p;
  whole = whole && DashWhole(s);
  const RowWindow win = whole ? RowWindow{} : ClipRows(dc);
  const GdiPen* pen = dc.st.pen;
  bool visible = pen && pen->Dash() != PS_NULL;
  if (!visible) {
    p.interior = make(s.Left, s.Top, s.Right - 1, s.Bottom - 1, 0, win);
    return p;
  }
  int w = std::max(1, pen->width);
  RECT o = s;
  if (pen->Dash() != PS_INSIDEFRAME && w > 1) {
    int e1 = (w - 1) / 2, e2 = w / 2;
    o = RECT{s.Left - e1, s.Top - e1, s.Right + e2, s.Bottom + e2};
  }
  Region outer = make(o.Left, o.Top, o.Right, o.Bottom, 0, win);
  p.interior = make(o.Left + w, o.Top + w, o.Right - w, o.Bottom - w, w, win);
  p.ring = Region::Combine(outer, p.interior, Region::Op::Diff);
  return p;
}

RECT Normalised(const DeviceContext& dc, int l, int t, int r, int b) { return LogicalToSurface(dc, RECT{l, t, r, b}); }

void FillAndFrame(DeviceContext& dc, const ShapeParts& parts) {
  PaintRegion(dc, parts.interior, BrushPaint(dc, dc.st.brush), dc.st.rop2);
  if (!parts.ring.IsEmpty() && dc.st.pen)
    PaintRegion(dc, parts.ring, SolidPaint(ColorToPixel(dc.Resolve(dc.st.pen->color))), dc.st.rop2);
}

// Closed curves: the fill, then the dashed ring from the rightmost point
// counter-clockwise.
void FillAndDash(DeviceContext& dc, const ShapeParts& parts, RECT s) {
  PaintRegion(dc, parts.interior, BrushPaint(dc, dc.st.brush), dc.st.rop2);
  PenStroke st(dc);
  // The rows of a large ring still run far beyond the clip box sideways.
  DashRing(st, DashWhole(s) ? parts.ring : ClipToBox(dc, parts.ring), (s.Left + s.Right) / 2.0,
           (s.Top + s.Bottom) / 2.0, (s.Right - s.Left) / 2.0, (s.Bottom - s.Top) / 2.0, 0, false);
}

// ---- Arcs ------------------------------------------------------------------------
struct ArcGeometry {
  double cx, cy, rx, ry;
  double a0, sweep;  // start angle and counter-clockwise sweep (y up)
  POINT p0, p1;      // arc end points on the ellipse, surface coordinates
};

double AngleOf(double cx, double cy, double x, double y) { return std::atan2(cy - y, x - cx); }

POINT OnEllipse(const ArcGeometry& g, double a) {
  double c = std::cos(a), s = std::sin(a);
  double t = 1.0 / std::sqrt((c / std::max(g.rx, 0.5)) * (c / std::max(g.rx, 0.5)) +
                             (s / std::max(g.ry, 0.5)) * (s / std::max(g.ry, 0.5)));
  return POINT{int(std::floor(g.cx + t * c)), int(std::floor(g.cy - t * s))};
}

ArcGeometry Geometry(const DeviceContext& dc, RECT s, int xs, int ys, int xe, int ye) {
  ArcGeometry g;
  g.cx = (s.Left + s.Right) / 2.0;
  g.cy = (s.Top + s.Bottom) / 2.0;
  g.rx = (s.Right - s.Left) / 2.0;
  g.ry = (s.Bottom - s.Top) / 2.0;
  double a = AngleOf(g.cx, g.cy, dc.SX(xs), dc.SY(ys)), b = AngleOf(g.cx, g.cy, dc.SX(xe), dc.SY(ye));
  if (dc.st.arcDirection == AD_CLOCKWISE) std::swap(a, b);
  g.a0 = a;
  g.sweep = std::fmod(b - a + 4 * kPi, 2 * kPi);
  if (g.sweep == 0) g.sweep = 2 * kPi;  // same radial: the whole ellipse
  g.p0 = OnEllipse(g, a);
  g.p1 = OnEllipse(g, b);
  if (dc.st.arcDirection == AD_CLOCKWISE) std::swap(g.p0, g.p1);
  return g;
}

bool InSweep(const ArcGeometry& g, int x, int y) {
  double a = AngleOf(g.cx, g.cy, x + 0.5, y + 0.5);
  return std::fmod(a - g.a0 + 4 * kPi, 2 * kPi) <= g.sweep;
}

enum class ArcKind { Arc, Pie, Chord };

BOOL ArcShape(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye, ArcKind kind) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  RECT s = Normalised(*dc, l, t, r, b);
  if (s.Right - s.Left < 1 || s.Bottom - s.Top < 1) return TRUE;
  ArcGeometry g = Geometry(*dc, s, xs, ys, xe, ye);
  const bool dashed = StyledPen(*dc);
  ShapeParts parts = Parts(
      *dc, s, [](double a, double bb, double c, double d, int, RowWindow win) { return EllipseRegion(a, bb, c, d, win); },
      dashed);
  // A small dashed ring stays whole so its pattern does not depend on the
  // clip; of any other only what meets the clip box is walked.
  if (!dashed || !DashWhole(s)) parts.ring = ClipToBox(*dc, parts.ring);
  parts.interior = ClipToBox(*dc, parts.interior);
  if (kind == ArcKind::Arc) {
    // An arc has no interior; it is the outline only, even without a ring.
    if (parts.ring.IsEmpty()) return TRUE;
    parts.interior.Clear();
  }
  Region fill;
  if (kind == ArcKind::Pie) {
    fill = FilterRegion(parts.interior, [&](int x, int y) { return InSweep(g, x, y); });
  } else if (kind == ArcKind::Chord) {
    // The side of the chord the arc runs on: right of start -> end (y up).
    double sx = g.p0.X + 0.5, sy = -(g.p0.Y + 0.5), ex = g.p1.X + 0.5, ey = -(g.p1.Y + 0.5);
    fill = FilterRegion(parts.interior, [&](int x, int y) {
      double px = x + 0.5, py = -(y + 0.5);
      return (ex - sx) * (py - sy) - (ey - sy) * (px - sx) <= 0 || g.sweep >= 2 * kPi;
    });
  }
  PaintRegion(*dc, fill, BrushPaint(*dc, dc->st.brush), dc->st.rop2);
  Region ring = FilterRegion(parts.ring, [&](int x, int y) { return InSweep(g, x, y); });
  PenStroke st(*dc);
  if (dashed)
    DashRing(st, ring, g.cx, g.cy, g.rx, g.ry, g.a0, dc->st.arcDirection == AD_CLOCKWISE);
  else if (!ring.IsEmpty())
    PaintRegion(*dc, ring, SolidPaint(ColorToPixel(dc->Resolve(dc->st.pen->color))), dc->st.rop2);
  if (kind != ArcKind::Arc && g.sweep < 2 * kPi) {
    int cx = int(std::floor(g.cx)), cy = int(std::floor(g.cy));
    if (kind == ArcKind::Pie) {
      st.Segment(g.p1.X, g.p1.Y, cx, cy);
      st.Segment(cx, cy, g.p0.X, g.p0.Y);
    } else {
      st.Segment(g.p1.X, g.p1.Y, g.p0.X, g.p0.Y);
    }
  }
  return TRUE;
}

}  // namespace

// ---- Polygons ----------------------------------------------------------------------
BOOL PolyPolygon(HDC h, const POINT* pts, const int* counts, int polys) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !pts || !counts || polys <= 0) return FALSE;
  std::int64_t total = 0;
  for (int i = 0; i < polys; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
    if (total > kMaxPoints) return FALSE;
  }
  // GDI fills the pixels whose centres lie inside the polygon when its
  // vertices are pixel centres, the same points the outline passes through;
  // the region builder samples at x + 0.5, so the vertices move by half.
  std::vector<PointF> fp(static_cast<size_t>(total));
  for (std::int64_t i = 0; i < total; ++i)
    fp[size_t(i)] = PointF{double(dc->SX(pts[i].X)) + 0.5, double(dc->SY(pts[i].Y)) + 0.5};
  Region fill = PolygonRegion(fp, std::vector<int>(counts, counts + polys), dc->st.polyFillMode, ClipRows(*dc));
  PaintRegion(*dc, fill, BrushPaint(*dc, dc->st.brush), dc->st.rop2);
  const POINT* p = pts;
  for (int i = 0; i < polys; ++i) {
    PenStroke s(*dc);
    for (int k = 0; k < counts[i]; ++k) {
      const POINT& a = p[k];
      const POINT& b = p[(k + 1) % counts[i]];
      s.Segment(dc->SX(a.X), dc->SY(a.Y), dc->SX(b.X), dc->SY(b.Y));
    }
    p += counts[i];
  }
  return TRUE;
}

BOOL Polygon(HDC h, const POINT* pts, int count) { return PolyPolygon(h, pts, &count, 1); }

// ---- Rectangles and ellipses ----------------------------------------------------
BOOL Rectangle(HDC h, int l, int t, int r, int b) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  RECT s = Normalised(*dc, l, t, r, b);
  auto rect = [](double a, double bb, double c, double d, int, RowWindow) {
    return Region(RECT{int(a), int(bb), int(c), int(d)});
  };
  if (dc->st.pen && dc->st.pen->Dash() != PS_NULL && !SolidOutline(*dc)) {
    PaintRegion(*dc, rect(s.Left + 1, s.Top + 1, s.Right - 1, s.Bottom - 1, 0, {}), BrushPaint(*dc, dc->st.brush),
                dc->st.rop2);
    PenStroke st(*dc);
    int x1 = s.Right - 1, y1 = s.Bottom - 1;
    st.Segment(s.Left, s.Top, x1, s.Top);
    st.Segment(x1, s.Top, x1, y1);
    st.Segment(x1, y1, s.Left, y1);
    st.Segment(s.Left, y1, s.Left, s.Top);
    return TRUE;
  }
  FillAndFrame(*dc, Parts(*dc, s, rect));
  return TRUE;
}

BOOL RoundRect(HDC h, int l, int t, int r, int b, int w, int hh) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  w = GdiClampCoord(w);
  hh = GdiClampCoord(hh);
  RECT s = Normalised(*dc, l, t, r, b);
  auto make = [&](double a, double bb, double c, double d, int inset, RowWindow win) {
    return RoundRectRegion(a, bb, c, d, std::abs(w) - 2 * inset, std::abs(hh) - 2 * inset, win);
  };
  if (StyledPen(*dc))
    FillAndDash(*dc, Parts(*dc, s, make, true), s);
  else
    FillAndFrame(*dc, Parts(*dc, s, make));
  return TRUE;
}

BOOL Ellipse(HDC h, int l, int t, int r, int b) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  RECT s = Normalised(*dc, l, t, r, b);
  auto make = [](double a, double bb, double c, double d, int, RowWindow win) { return EllipseRegion(a, bb, c, d, win); };
  if (StyledPen(*dc))
    FillAndDash(*dc, Parts(*dc, s, make, true), s);
  else
    FillAndFrame(*dc, Parts(*dc, s, make));
  return TRUE;
}

BOOL Arc(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcShape(h, l, t, r, b, xs, ys, xe, ye, ArcKind::Arc);
}
BOOL Pie(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcShape(h, l, t, r, b, xs, ys, xe, ye, ArcKind::Pie);
}
BOOL Chord(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcShape(h, l, t, r, b, xs, ys, xe, ye, ArcKind::Chord);
}

// ---- Rectangle helpers ------------------------------------------------------------
namespace {
// A brush handle, or a system colour index + 1 in its place.
Paint BrushOrSysColor(DeviceContext& dc, HBRUSH brush, bool& ok) {
  ok = true;
  auto v = reinterpret_cast<std::uintptr_t>(brush);
  if (v > 0 && v <= 31) return SolidPaint(ColorToPixel(GdiSysColor(int(v) - 1)));
  GdiBrush* b = GdiCheck(brush, OBJ_BRUSH);
  if (!b) {
    ok = false;
    return Paint();
  }
  return BrushPaint(dc, b);
}
}  // namespace

int FillRect(HDC h, const RECT* r, HBRUSH brush) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !r) return 0;
  bool ok;
  Paint p = BrushOrSysColor(*dc, brush, ok);
  if (!ok) return 0;
  if (r->Right <= r->Left || r->Bottom <= r->Top) return 1;
  PaintRect(*dc, LogicalToSurface(*dc, *r), p, R2_COPYPEN);
  return 1;
}

int FrameRect(HDC h, const RECT* r, HBRUSH brush) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !r) return 0;
  bool ok;
  Paint p = BrushOrSysColor(*dc, brush, ok);
  if (!ok) return 0;
  if (r->Right <= r->Left || r->Bottom <= r->Top) return 1;
  RECT s = LogicalToSurface(*dc, *r);
  Region frame = Region::Combine(Region(s), Region(RECT{s.Left + 1, s.Top + 1, s.Right - 1, s.Bottom - 1}),
                                 Region::Op::Diff);
  PaintRegion(*dc, frame, p, R2_COPYPEN);
  return 1;
}

BOOL InvertRect(HDC h, const RECT* r) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !r) return FALSE;
  PaintRect(*dc, LogicalToSurface(*dc, *r), SolidPaint(0), R2_NOT);
  return TRUE;
}

BOOL DrawFocusRect(HDC h, const RECT* r) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !r) return FALSE;
  RECT s = LogicalToSurface(*dc, *r);
  if (s.Right <= s.Left || s.Bottom <= s.Top) return TRUE;
  // Every other pixel of the one-pixel frame, inverted: a checkerboard tied
  // to the DC origin, so drawing the same rectangle again restores it.
  Region frame = ClipToBox(*dc, Region::Combine(Region(s), Region(RECT{s.Left + 1, s.Top + 1, s.Right - 1, s.Bottom - 1}),
                                               Region::Op::Diff));
  const int ox = dc->origin.X, oy = dc->origin.Y;
  Region dots = FilterRegion(frame, [&](int x, int y) { return ((x - ox + y - oy) & 1) == 0; });
  PaintRegion(*dc, dots, SolidPaint(0xFFFFFF), R2_XORPEN);
  return TRUE;
}

// ---- Flood fill ---------------------------------------------------------------------
BOOL ExtFloodFill(HDC h, int x, int y, COLORREF c, UINT type) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || (type != FLOODFILLBORDER && type != FLOODFILLSURFACE)) return FALSE;
  const Region& clip = dc->EffectiveClip();
  const int sx = dc->SX(x), sy = dc->SY(y);
  if (!clip.Contains(sx, sy)) return FALSE;
  const Surface& s = dc->surface;
  // The colour as this surface stores it, so paletted surfaces compare right.
  std::uint32_t key = ColorToPixel(dc->Resolve(c));
  {
    std::uint32_t probe;
    ReadPixelRow(s, sy, sx, 1, &probe);
    std::uint32_t saved = probe;
    WritePixelRow(s, sy, sx, 1, &key);
    ReadPixelRow(s, sy, sx, 1, &key);
    WritePixelRow(s, sy, sx, 1, &saved);
  }
  std::vector<std::vector<std::uint32_t>> rows(static_cast<size_t>(s.height));
  std::vector<std::vector<Byte>> done(static_cast<size_t>(s.height));
  auto row = [&](int yy) -> const std::vector<std::uint32_t>& {
    auto& r = rows[size_t(yy)];
    if (r.empty()) {
      r.resize(size_t(s.width));
      ReadPixelRow(s, yy, 0, s.width, r.data());
      done[size_t(yy)].assign(size_t(s.width), 0);
    }
    return r;
  };
  auto fillable = [&](int xx, int yy) {
    if (xx < 0 || yy < 0 || xx >= s.width || yy >= s.height) return false;
    const auto& r = row(yy);
    if (done[size_t(yy)][size_t(xx)] || !clip.Contains(xx, yy)) return false;
    return type == FLOODFILLSURFACE ? r[size_t(xx)] == key : r[size_t(xx)] != key;
  };
  if (!fillable(sx, sy)) return FALSE;
  // Scan-line fill with an explicit stack: no recursion on big areas.
  std::vector<std::pair<int, int>> stack{{sx, sy}};
  std::vector<std::vector<int>> spans(static_cast<size_t>(s.height));
  int minY = sy, maxY = sy;
  while (!stack.empty()) {
    auto [px, py] = stack.back();
    stack.pop_back();
    if (!fillable(px, py)) continue;
    int l = px, r = px;
    while (fillable(l - 1, py)) --l;
    while (fillable(r + 1, py)) ++r;
    for (int i = l; i <= r; ++i) done[size_t(py)][size_t(i)] = 1;
    spans[size_t(py)].push_back(l);
    spans[size_t(py)].push_back(r + 1);
    minY = std::min(minY, py);
    maxY = std::max(maxY, py);
    for (int ny : {py - 1, py + 1}) {
      bool inRun = false;
      for (int i = l; i <= r; ++i) {
        bool f = fillable(i, ny);
        if (f && !inRun) stack.push_back({i, ny});
        inRun = f;
      }
    }
  }
  std::vector<std::vector<int>> ordered(spans.begin() + minY, spans.begin() + maxY + 1);
  for (auto& v : ordered) {
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 0; i + 1 < v.size(); i += 2) pairs.push_back({v[i], v[i + 1]});
    std::sort(pairs.begin(), pairs.end());
    v.clear();
    for (auto& p : pairs) {
      if (!v.empty() && v.back() >= p.first)
        v.back() = std::max(v.back(), p.second);
      else {
        v.push_back(p.first);
        v.push_back(p.second);
      }
    }
  }
  PaintRegion(*dc, Region::FromRows(minY, ordered), BrushPaint(*dc, dc->st.brush), R2_COPYPEN);
  return TRUE;
}

BOOL FloodFill(HDC h, int x, int y, COLORREF c) { return ExtFloodFill(h, x, y, c, FLOODFILLBORDER); }

// Region objects and painting through them. Region coordinates are logical
// units taken as device units; painting calls map them through the DC.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/ShapeRegions.h"

namespace {

constexpr DWORD kMaxRects = 1u << 24;
// Shapes taller than this are refused rather than scan converted row by row.
constexpr std::int64_t kMaxShapeRows = 1 << 16;

bool TallerThanLimit(std::int64_t t, std::int64_t b) { return (b > t ? b - t : t - b) > kMaxShapeRows; }

HRGN NewRegion(Region&& r) {
  auto* g = new GdiRegion;
  g->rgn = std::move(r);
  return GdiPublish<HRGN>(g);
}

RECT Ordered(int l, int t, int r, int b) { return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)}; }

// Region in logical units -> surface coordinates of a DC.
Region ToSurface(const DeviceContext& dc, const Region& r) {
  Region s = r;
  s.Offset(dc.SX(0), dc.SY(0));
  return s;
}

}  // namespace

HRGN CreateRectRgn(int l, int t, int r, int b) { return NewRegion(Region(Ordered(l, t, r, b))); }

HRGN CreateRectRgnIndirect(const RECT* r) { return r ? CreateRectRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr; }

HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  if (TallerThanLimit(t, b)) return nullptr;
  RECT o = Ordered(l, t, r, b);
  return NewRegion(RoundRectRegion(o.Left, o.Top, o.Right, o.Bottom, std::abs(w), std::abs(h)));
}

HRGN CreateEllipticRgn(int l, int t, int r, int b) {
  if (TallerThanLimit(t, b)) return nullptr;
  RECT o = Ordered(l, t, r, b);
  return NewRegion(EllipseRegion(o.Left, o.Top, o.Right, o.Bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
  return r ? CreateEllipticRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr;
}

HRGN CreatePolyPolygonRgn(const POINT* pts, const int* counts, int polys, int fillMode) {
  if (!pts || !counts || polys <= 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  std::int64_t total = 0;
  for (int i = 0; i < polys; ++i) {
    if (counts[i] < 0) return nullptr;
    total += counts[i];
    if (total > kMaxPoints) return nullptr;
  }
  std::vector<PointF> fp(static_cast<size_t>(total));
  std::int64_t minY = 0, maxY = 0;
  for (std::int64_t i = 0; i < total; ++i) {
    fp[size_t(i)] = PointF{double(pts[i].X), double(pts[i].Y)};
    minY = i ? std::min<std::int64_t>(minY, pts[i].Y) : pts[i].Y;
    maxY = i ? std::max<std::int64_t>(maxY, pts[i].Y) : pts[i].Y;
  }
  if (TallerThanLimit(minY, maxY)) return nullptr;
  return NewRegion(PolygonRegion(fp, std::vector<int>(counts, counts + polys), fillMode));
}

HRGN CreatePolygonRgn(const POINT* pts, int count, int fillMode) {
  return CreatePolyPolygonRgn(pts, &count, 1, fillMode);
}

int CombineRgn(HRGN hd, HRGN ha, HRGN hb, int mode) {
  GdiRegion* d = GdiCheck(hd, OBJ_REGION);
  GdiRegion* a = GdiCheck(ha, OBJ_REGION);
  if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    d->rgn = a->rgn;
    return d->rgn.Complexity();
  }
  GdiRegion* b = GdiCheck(hb, OBJ_REGION);
  if (!b) return ERROR;
  static const Region::Op ops[] = {Region::Op::And, Region::Op::Or, Region::Op::Xor, Region::Op::Diff};
  d->rgn = Region::Combine(a->rgn, b->rgn, ops[mode - RGN_AND]);
  return d->rgn.Complexity();
}

int OffsetRgn(HRGN h, int dx, int dy) {
  GdiRegion* r = GdiCheck(h, OBJ_REGION);
  if (!r) return ERROR;
  r->rgn.Offset(dx, dy);
  return r->rgn.Complexity();
}

BOOL PtInRegion(HRGN h, int x, int y) {
  GdiRegion* r = GdiCheck(h, OBJ_REGION);
  return r && r->rgn.Contains(x, y);
}

BOOL RectInRegion(HRGN h, const RECT* rc) {
  GdiRegion* r = GdiCheck(h, OBJ_REGION);
  if (!r || !rc) return FALSE;
  return r->rgn.Intersects(Ordered(rc->Left, rc->Top, rc->Right, rc->Bottom));
}

BOOL EqualRgn(HRGN ha, HRGN hb) {
  GdiRegion* a = GdiCheck(ha, OBJ_REGION);
  GdiRegion* b = GdiCheck(hb, OBJ_REGION);
  if (!a || !b) return ERROR;
  return a->rgn == b->rgn;
}

int GetRgnBox(HRGN h, RECT* box) {
  GdiRegion* r = GdiCheck(h, OBJ_REGION);
  if (!r || !box) return ERROR;
  *box = r->rgn.Box();
  return r->rgn.Complexity();
}

BOOL SetRectRgn(HRGN h, int l, int t, int r, int b) {
  GdiRegion* g = GdiCheck(h, OBJ_REGION);
  if (!g) return FALSE;
  g->rgn.SetRect(Ordered(l, t, r, b));
  return TRUE;
}

DWORD GetRegionData(HRGN h, DWORD size, RGNDATA* out) {
  GdiRegion* r = GdiCheck(h, OBJ_REGION);
  if (!r) return 0;
  std::vector<RECT> rects = r->rgn.Rects();
  DWORD need = DWORD(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  if (!out) return need;
  if (size < need) return 0;
  RGNDATAHEADER hd;
  hd.nCount = DWORD(rects.size());
  hd.nRgnSize = DWORD(rects.size() * sizeof(RECT));
  hd.rcBound = r->rgn.Box();
  std::memcpy(&out->rdh, &hd, sizeof hd);
  if (!rects.empty()) std::memcpy(reinterpret_cast<Byte*>(out) + sizeof(RGNDATAHEADER), rects.data(), hd.nRgnSize);
  return need;
}

HRGN ExtCreateRegion(const void* xform, DWORD size, const RGNDATA* data) {
  if (!data || size < sizeof(RGNDATAHEADER)) return nullptr;
  XFORM xf;
  if (xform) {
    std::memcpy(&xf, xform, sizeof xf);
    // Scale and translation only: a rotated or sheared rectangle is no
    // rectangle, and a region of them is not supported.
    if (xf.eM12 != 0 || xf.eM21 != 0) return nullptr;
    for (float v : {xf.eM11, xf.eM22, xf.eDx, xf.eDy})
      if (!std::isfinite(v)) return nullptr;
  }
  RGNDATAHEADER hd;
  std::memcpy(&hd, &data->rdh, sizeof hd);
  if (hd.iType != RDH_RECTANGLES || hd.nCount > kMaxRects) return nullptr;
  if (std::uint64_t(sizeof(RGNDATAHEADER)) + std::uint64_t(hd.nCount) * sizeof(RECT) > size) return nullptr;
  std::vector<RECT> rects(hd.nCount);
  if (hd.nCount)
    std::memcpy(rects.data(), reinterpret_cast<const Byte*>(data) + sizeof(RGNDATAHEADER), hd.nCount * sizeof(RECT));
  if (xform) {
    // Edges map to the nearest whole pixel; a negative scale flips the rectangle.
    auto map = [](LongInt v, float m, float d) {
      double x = std::floor(double(v) * m + d + 0.5);
      return int(std::clamp(x, double(-kGdiCoordLimit), double(kGdiCoordLimit)));
    };
    for (RECT& r : rects) {
      int l = map(r.Left, xf.eM11, xf.eDx), rr = map(r.Right, xf.eM11, xf.eDx);
      int t = map(r.Top, xf.eM22, xf.eDy), b = map(r.Bottom, xf.eM22, xf.eDy);
      r = RECT{std::min(l, rr), std::min(t, b), std::max(l, rr), std::max(t, b)};
    }
  }
  return NewRegion(Region::FromRects(rects.data(), rects.size()));
}

BOOL FillRgn(HDC h, HRGN hr, HBRUSH hb) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiRegion* r = GdiCheck(hr, OBJ_REGION);
  GdiBrush* b = GdiCheck(hb, OBJ_BRUSH);
  if (!dc || !r || !b) return FALSE;
  PaintRegion(*dc, ToSurface(*dc, r->rgn), BrushPaint(*dc, b), R2_COPYPEN);
  return TRUE;
}

BOOL PaintRgn(HDC h, HRGN hr) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiRegion* r = GdiCheck(hr, OBJ_REGION);
  if (!dc || !r) return FALSE;
  PaintRegion(*dc, ToSurface(*dc, r->rgn), BrushPaint(*dc, dc->st.brush), dc->st.rop2);
  return TRUE;
}

BOOL InvertRgn(HDC h, HRGN hr) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiRegion* r = GdiCheck(hr, OBJ_REGION);
  if (!dc || !r) return FALSE;
  PaintRegion(*dc, ToSurface(*dc, r->rgn), SolidPaint(0), R2_NOT);
  return TRUE;
}

BOOL FrameRgn(HDC h, HRGN hr, HBRUSH hb, int w, int hh) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiRegion* r = GdiCheck(hr, OBJ_REGION);
  GdiBrush* b = GdiCheck(hb, OBJ_BRUSH);
  if (!dc || !r || !b || w < 0 || hh < 0 || w > 4096 || hh > 4096) return FALSE;
  // The frame is the region minus its own erosion: pixels whose w x h
  // neighbourhood leaves the region.
  Region eroded = r->rgn;
  for (int dx = -w; dx <= w; ++dx) {
    if (dx == 0) continue;
    Region s = r->rgn;
    s.Offset(dx, 0);
    eroded = Region::Combine(eroded, s, Region::Op::And);
  }
  for (int dy = -hh; dy <= hh; ++dy) {
    if (dy == 0) continue;
    Region s = r->rgn;
    s.Offset(0, dy);
    eroded = Region::Combine(eroded, s, Region::Op::And);
  }
  Region frame = Region::Combine(r->rgn, eroded, Region::Op::Diff);
  PaintRegion(*dc, ToSurface(*dc, frame), BrushPaint(*dc, b), R2_COPYPEN);
  return TRUE;
}

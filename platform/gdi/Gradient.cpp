// GradientFill: rectangles shaded across or down, and Gouraud triangles.
// Channels are 8.8 fixed point as the vertices give them; a pixel takes the
// colour at its left (or top) edge for rectangles and at its centre for
// triangles. The ROP does not apply; the clip does.
#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/ShapeRegions.h"

namespace {

constexpr UINT kMaxVertices = 1u << 20;

void FillGradientRect(DeviceContext& dc, const TRIVERTEX& a, const TRIVERTEX& b, bool vertical) {
  TRIVERTEX v0 = a, v1 = b;
  // The colours follow the vertices, whichever corner each one is.
  if ((vertical ? v0.y : v0.x) > (vertical ? v1.y : v1.x)) std::swap(v0, v1);
  int x0 = dc.SX(std::min(a.x, b.x)), x1 = dc.SX(std::max(a.x, b.x));
  int y0 = dc.SY(std::min(a.y, b.y)), y1 = dc.SY(std::max(a.y, b.y));
  if (x0 >= x1 || y0 >= y1) return;
  const int len = vertical ? y1 - y0 : x1 - x0;
  auto at = [&](int i) {
    auto ch = [&](COLOR16 c0, COLOR16 c1) {
      std::int64_t v = (std::int64_t(c0) * (len - i) + std::int64_t(c1) * i) / len;
      return std::uint32_t(v >> 8);
    };
    return (ch(v0.Red, v1.Red) << 16) | (ch(v0.Green, v1.Green) << 8) | ch(v0.Blue, v1.Blue);
  };
  const Region& clip = dc.EffectiveClip();
  std::vector<std::uint32_t> row;
  if (!vertical) {
    row.resize(size_t(len));
    for (int i = 0; i < len; ++i) row[size_t(i)] = at(i);
  }
  for (int y = std::max(y0, clip.Box().Top); y < y1; ++y) {
    const Region::Band* band = clip.BandAt(y);
    if (!band) continue;
    std::uint32_t c = vertical ? at(y - y0) : 0;
    for (size_t i = 0; i + 1 < band->xs.size(); i += 2) {
      int l = std::max(x0, band->xs[i]), r = std::min(x1, band->xs[i + 1]);
      if (l >= r) continue;
      if (vertical) {
        std::vector<std::uint32_t> solid(static_cast<size_t>(r - l), c);
        WritePixelRow(dc.surface, y, l, r - l, solid.data());
      } else {
        WritePixelRow(dc.surface, y, l, r - l, &row[size_t(l - x0)]);
      }
    }
  }
}

void FillGradientTriangle(DeviceContext& dc, const TRIVERTEX& a, const TRIVERTEX& b, const TRIVERTEX& c) {
  // Coverage follows the polygon rule (pixel centres, left and top edges in);
  // colours are barycentric at the centre, in coordinates doubled so centres
  // (2x + 1) stay integers.
  const std::int64_t ax = 2 * std::int64_t(dc.SX(a.x)), ay = 2 * std::int64_t(dc.SY(a.y));
  const std::int64_t bx = 2 * std::int64_t(dc.SX(b.x)), by = 2 * std::int64_t(dc.SY(b.y));
  const std::int64_t cx = 2 * std::int64_t(dc.SX(c.x)), cy = 2 * std::int64_t(dc.SY(c.y));
  const std::int64_t area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return;
  const std::int64_t ar = area < 0 ? -area : area;
  std::vector<PointF> pts = {{double(ax) / 2, double(ay) / 2}, {double(bx) / 2, double(by) / 2},
                             {double(cx) / 2, double(cy) / 2}};
  Region tri = Region::Combine(PolygonRegion(pts, {3}, ALTERNATE), dc.EffectiveClip(), Region::Op::And);
  std::vector<std::uint32_t> row;
  auto ch = [&](COLOR16 c0, COLOR16 c1, COLOR16 c2, std::int64_t w0, std::int64_t w1, std::int64_t w2) {
    return std::uint32_t(((std::int64_t(c0) * w0 + std::int64_t(c1) * w1 + std::int64_t(c2) * w2) / ar) >> 8);
  };
  for (const Region::Band& band : tri.Bands())
    for (int y = band.top; y < band.bottom; ++y) {
      const std::int64_t py = 2 * std::int64_t(y) + 1;
      for (size_t i = 0; i + 1 < band.xs.size(); i += 2) {
        row.resize(size_t(band.xs[i + 1] - band.xs[i]));
        for (int x = band.xs[i]; x < band.xs[i + 1]; ++x) {
          const std::int64_t px = 2 * std::int64_t(x) + 1;
          std::int64_t w0 = (bx - px) * (cy - py) - (by - py) * (cx - px);
          std::int64_t w1 = (cx - px) * (ay - py) - (cy - py) * (ax - px);
          if (area < 0) {
            w0 = -w0;
            w1 = -w1;
          }
          w0 = std::clamp<std::int64_t>(w0, 0, ar);
          w1 = std::clamp<std::int64_t>(w1, 0, ar - w0);
          std::int64_t w2 = ar - w0 - w1;
          row[size_t(x - band.xs[i])] = (ch(a.Red, b.Red, c.Red, w0, w1, w2) << 16) |
                                        (ch(a.Green, b.Green, c.Green, w0, w1, w2) << 8) |
                                        ch(a.Blue, b.Blue, c.Blue, w0, w1, w2);
        }
        WritePixelRow(dc.surface, y, band.xs[i], int(row.size()), row.data());
      }
    }
}

}  // namespace

BOOL GradientFill(HDC h, const TRIVERTEX* v, UINT nv, const void* mesh, UINT nm, DWORD mode) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !v || !mesh || nv == 0 || nv > kMaxVertices) return FALSE;
  if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (UINT i = 0; i < nm; ++i) {
      if (rects[i].UpperLeft >= nv || rects[i].LowerRight >= nv) return FALSE;
      FillGradientRect(*dc, v[rects[i].UpperLeft], v[rects[i].LowerRight], mode == GRADIENT_FILL_RECT_V);
    }
    return TRUE;
  }
  if (mode == GRADIENT_FILL_TRIANGLE) {
    const auto* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
    for (UINT i = 0; i < nm; ++i) {
      if (tris[i].Vertex1 >= nv || tris[i].Vertex2 >= nv || tris[i].Vertex3 >= nv) return FALSE;
      FillGradientTriangle(*dc, v[tris[i].Vertex1], v[tris[i].Vertex2], v[tris[i].Vertex3]);
    }
    return TRUE;
  }
  return FALSE;
}

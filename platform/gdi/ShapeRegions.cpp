#include "platform/gdi/ShapeRegions.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/GdiTypes.h"

namespace {

struct Crossing {
  double x;
  int dir;
};

// First pixel whose centre is at or right of x.
inline int FirstPixelFrom(double x) {
  double v = std::ceil(x - 0.5);
  return v < -2147483647.0 ? -2147483647 : v > 2147483647.0 ? 2147483647 : int(v);
}

}  // namespace

Region PolygonRegion(const std::vector<PointF>& pts, const std::vector<int>& counts, int fillMode, RowWindow win) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  double minY = 1e300, maxY = -1e300;
  size_t base = 0;
  for (int n : counts) {
    if (n < 0 || base + size_t(n) > pts.size()) break;
    for (int i = 0; i < n; ++i) {
      PointF a = pts[base + size_t(i)], b = pts[base + size_t((i + 1) % n)];
      if (a.y == b.y) continue;
      int dir = a.y < b.y ? 1 : -1;
      if (a.y > b.y) std::swap(a, b);
      edges.push_back(Edge{a.x, a.y, b.x, b.y, dir});
      minY = std::min(minY, a.y);
      maxY = std::max(maxY, b.y);
    }
    base += size_t(n);
  }
  if (edges.empty()) return Region();
  int y0 = std::max(FirstPixelFrom(minY), win.lo), y1 = std::min(FirstPixelFrom(maxY), win.hi);
  if (y1 <= y0) return Region();
  std::vector<std::vector<int>> rows(static_cast<size_t>(std::max(0, y1 - y0)));
  std::vector<Crossing> xs;
  for (int y = y0; y < y1; ++y) {
    double yc = y + 0.5;
    xs.clear();
    for (const Edge& e : edges)
      if (yc >= e.y0 && yc < e.y1) xs.push_back(Crossing{e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir});
    std::sort(xs.begin(), xs.end(), [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    std::vector<int>& row = rows[size_t(y - y0)];
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += fillMode == WINDING ? xs[i].dir : 1;
      bool inside = fillMode == WINDING ? wind != 0 : (wind & 1);
      if (!inside) continue;
      int a = FirstPixelFrom(xs[i].x), b = FirstPixelFrom(xs[i + 1].x);
      if (a >= b) continue;
      if (!row.empty() && row.back() >= a) {
        row.back() = std::max(row.back(), b);
      } else {
        row.push_back(a);
        row.push_back(b);
      }
    }
  }
  return Region::FromRows(y0, rows);
}

Region RoundRectRegion(double l, double t, double r, double b, double ew, double eh, RowWindow win) {
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  ew = std::clamp(std::fabs(ew), 0.0, r - l);
  eh = std::clamp(std::fabs(eh), 0.0, b - t);
  int y0 = std::max(FirstPixelFrom(t), win.lo), y1 = std::min(FirstPixelFrom(b), win.hi);
  int xl = FirstPixelFrom(l), xr = FirstPixelFrom(r);
  if (y1 <= y0 || xr <= xl) return Region();
  const double rx = ew / 2, ry = eh / 2;
  std::vector<std::vector<int>> rows(static_cast<size_t>(y1 - y0));
  for (int y = y0; y < y1; ++y) {
    double yc = y + 0.5, dy = 0;
    if (yc < t + ry)
      dy = (t + ry) - yc;
    else if (yc > b - ry)
      dy = yc - (b - ry);
    double inset = 0;
    if (dy > 0) {
      if (ry <= 0 || dy > ry) continue;
      double q = dy / ry;
      inset = rx - rx * std::sqrt(std::max(0.0, 1 - q * q));
    }
    // Same count of pixels dropped on both sides keeps rows symmetric.
    int a = FirstPixelFrom(l + inset);
    int k = a - xl;
    int bb = xr - k;
    if (a < bb) rows[size_t(y - y0)] = {a, bb};
  }
  return Region::FromRows(y0, rows);
}

Region ThickSegmentRegion(int x0, int y0, int x1, int y1, int w, RowWindow win) {
  const double half = w / 2.0;
  const double cx0 = x0 + 0.5, cy0 = y0 + 0.5, cx1 = x1 + 0.5, cy1 = y1 + 0.5;
  Region cap0 = EllipseRegion(cx0 - half, cy0 - half, cx0 + half, cy0 + half, win);
  if (x0 == x1 && y0 == y1) return cap0;
  double dx = cx1 - cx0, dy = cy1 - cy0, len = std::sqrt(dx * dx + dy * dy);
  double nx = -dy / len * half, ny = dx / len * half;
  std::vector<PointF> quad = {{cx0 + nx, cy0 + ny}, {cx1 + nx, cy1 + ny}, {cx1 - nx, cy1 - ny}, {cx0 - nx, cy0 - ny}};
  Region body = PolygonRegion(quad, {4}, WINDING, win);
  Region cap1 = EllipseRegion(cx1 - half, cy1 - half, cx1 + half, cy1 + half, win);
  return Region::Combine(Region::Combine(body, cap0, Region::Op::Or), cap1, Region::Op::Or);
}

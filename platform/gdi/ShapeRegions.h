// Scan conversion of the filled shapes into regions. A pixel belongs to a
// shape when its centre (x + 0.5, y + 0.5) does; a centre exactly on a left
// or top edge is in, on a right or bottom edge out, so a polygon or ellipse
// over [l, r) x [t, b) covers exactly the pixels of that rectangle's kind.
#pragma once
#include <vector>

#include "platform/gdi/Region.h"

struct PointF {
  double x = 0, y = 0;
};

// Rows a scan conversion may produce, [lo, hi): drawing passes its clip box
// so huge shapes cost only the rows that can show.
struct RowWindow {
  int lo = -(1 << 30);
  int hi = 1 << 30;
};

// Polygons (counts[i] points each, implicitly closed) with ALTERNATE or WINDING.
Region PolygonRegion(const std::vector<PointF>& pts, const std::vector<int>& counts, int fillMode,
                     RowWindow win = {});
// Rounded rectangle over [l, r) x [t, b) with corner ellipses ew x eh;
// ew = r - l and eh = b - t give an ellipse. Rows are symmetric.
Region RoundRectRegion(double l, double t, double r, double b, double ew, double eh, RowWindow win = {});
inline Region EllipseRegion(double l, double t, double r, double b, RowWindow win = {}) {
  return RoundRectRegion(l, t, r, b, r - l, b - t, win);
}
// Thick segment of width w between pixel centres, with round caps.
Region ThickSegmentRegion(int x0, int y0, int x1, int y1, int w, RowWindow win = {});

// Shared by the mask tests.
#pragma once
#include <vector>

#include "platform/rtl/Types.h"

namespace masktest {

// The four corners of a rectangle as a polygon, clockwise from top left.
inline std::vector<TPoint> RectPolygon(int x1, int y1, int x2, int y2) {
  return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

}  // namespace masktest

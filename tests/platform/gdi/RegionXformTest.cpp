#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace {

struct RectList {
  RGNDATAHEADER rdh;
  RECT rects[2];
};

HRGN Union(std::initializer_list<RECT> rects) {
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  for (const RECT& x : rects) {
    HRGN p = CreateRectRgnIndirect(&x);
    CombineRgn(r, r, p, RGN_OR);
    DeleteObject(p);
  }
  return r;
}

TEST(ExtCreateRegion, AppliesScaleAndTranslation) {
  RectList data;
  data.rdh.nCount = 2;
  data.rects[0] = RECT{0, 0, 2, 1};
  data.rects[1] = RECT{1, 1, 3, 3};
  struct Case {
    XFORM xf;
    RECT a, b;  // where the two rectangles go
  };
  const Case cases[] = {
      {{1, 0, 0, 1, 0, 0}, {0, 0, 2, 1}, {1, 1, 3, 3}},
      {{2, 0, 0, 3, 10, -1}, {10, -1, 14, 2}, {12, 2, 16, 8}},
      // A negative scale mirrors: x -> -x.
      {{-1, 0, 0, 1, 0, 0}, {-2, 0, 0, 1}, {-3, 1, -1, 3}},
      // Edges round to the nearest pixel: 0.25, 1.25 (1), 0.75 (1), 1.75 (2).
      {{0.5f, 0, 0, 0.5f, 0.25f, 0.25f}, {0, 0, 1, 1}, {1, 1, 2, 2}},
  };
  for (const Case& k : cases) {
    HRGN got = ExtCreateRegion(&k.xf, sizeof data, reinterpret_cast<const RGNDATA*>(&data));
    ASSERT_NE(got, nullptr);
    HRGN want = Union({k.a, k.b});
    EXPECT_TRUE(EqualRgn(got, want)) << k.xf.eM11 << " " << k.xf.eDx;
    DeleteObject(got);
    DeleteObject(want);
  }
}

TEST(ExtCreateRegion, RefusesRotationAndNonFiniteTransforms) {
  RectList data;
  data.rdh.nCount = 1;
  data.rects[0] = RECT{0, 0, 2, 2};
  const XFORM bad[] = {
      {0, 1, -1, 0, 0, 0},
      {1, 0.5f, 0, 1, 0, 0},
      {std::nanf(""), 0, 0, 1, 0, 0},
      {1, 0, 0, 1, INFINITY, 0},
  };
  for (const XFORM& xf : bad)
    EXPECT_EQ(ExtCreateRegion(&xf, sizeof(RGNDATAHEADER) + sizeof(RECT), reinterpret_cast<const RGNDATA*>(&data)),
              nullptr);
  // Huge scales stay inside the coordinate range instead of overflowing.
  XFORM huge{1e30f, 0, 0, 1e30f, 0, 0};
  HRGN r = ExtCreateRegion(&huge, sizeof(RGNDATAHEADER) + sizeof(RECT), reinterpret_cast<const RGNDATA*>(&data));
  ASSERT_NE(r, nullptr);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box.Left, 0);
  EXPECT_GT(box.Right, 1 << 26);
  DeleteObject(r);
}

}  // namespace

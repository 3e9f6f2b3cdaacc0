#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

std::vector<RECT> RectsOf(HRGN r) {
  DWORD n = GetRegionData(r, 0, nullptr);
  std::vector<Byte> buf(n);
  auto* d = reinterpret_cast<RGNDATA*>(buf.data());
  EXPECT_EQ(GetRegionData(r, n, d), n);
  RGNDATAHEADER h;
  std::memcpy(&h, buf.data(), sizeof h);
  std::vector<RECT> out(h.nCount);
  if (h.nCount) std::memcpy(out.data(), buf.data() + sizeof h, h.nCount * sizeof(RECT));
  return out;
}

TEST(CombineRgn, SetOperationsGiveBandedRectangles) {
  struct Case {
    int mode;
    int result;
    std::vector<RECT> rects;
  };
  const Case cases[] = {
      {RGN_OR, COMPLEXREGION, {{0, 0, 4, 2}, {0, 2, 6, 4}, {2, 4, 6, 6}}},
      {RGN_AND, SIMPLEREGION, {{2, 2, 4, 4}}},
      {RGN_XOR, COMPLEXREGION, {{0, 0, 4, 2}, {0, 2, 2, 4}, {4, 2, 6, 4}, {2, 4, 6, 6}}},
      {RGN_DIFF, COMPLEXREGION, {{0, 0, 4, 2}, {0, 2, 2, 4}}},
      {RGN_COPY, SIMPLEREGION, {{0, 0, 4, 4}}},
  };
  HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6);
  for (const Case& k : cases) {
    HRGN d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, k.mode), k.result) << k.mode;
    EXPECT_EQ(RectsOf(d), k.rects) << k.mode;
    DeleteObject(d);
  }
  HRGN far = CreateRectRgn(10, 10, 12, 12), d = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(CombineRgn(d, a, far, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_OR), ERROR);
  for (HRGN r : {a, b, far, d}) DeleteObject(r);
}

TEST(Regions, PointsOnRightAndBottomEdgesAreOutside) {
  HRGN r = CreateRectRgn(1, 1, 4, 3);
  EXPECT_TRUE(PtInRegion(r, 1, 1));
  EXPECT_TRUE(PtInRegion(r, 3, 2));
  EXPECT_FALSE(PtInRegion(r, 4, 2));
  EXPECT_FALSE(PtInRegion(r, 3, 3));
  RECT touching{4, 0, 6, 6}, crossing{3, 2, 9, 9};
  EXPECT_FALSE(RectInRegion(r, &touching));
  EXPECT_TRUE(RectInRegion(r, &crossing));
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box, Rect(1, 1, 4, 3));
  EXPECT_EQ(OffsetRgn(r, -1, 2), SIMPLEREGION);
  GetRgnBox(r, &box);
  EXPECT_EQ(box, Rect(0, 3, 3, 5));
  SetRectRgn(r, 5, 5, 2, 2);  // corners in any order
  GetRgnBox(r, &box);
  EXPECT_EQ(box, Rect(2, 2, 5, 5));
  DeleteObject(r);
}

TEST(Regions, EqualRegionsBuiltDifferently) {
  HRGN whole = CreateRectRgn(0, 0, 6, 4);
  HRGN left = CreateRectRgn(0, 0, 3, 4), right = CreateRectRgn(3, 0, 6, 4), u = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(u, left, right, RGN_OR);
  EXPECT_TRUE(EqualRgn(whole, u));
  EXPECT_EQ(RectsOf(u).size(), 1u);
  EXPECT_FALSE(EqualRgn(whole, left));
  for (HRGN r : {whole, left, right, u}) DeleteObject(r);
}

TEST(Regions, RegionDataRoundTripAndTruncation) {
  HRGN e = CreateEllipticRgn(0, 0, 9, 7);
  DWORD n = GetRegionData(e, 0, nullptr);
  std::vector<Byte> buf(n);
  ASSERT_EQ(GetRegionData(e, n, reinterpret_cast<RGNDATA*>(buf.data())), n);
  EXPECT_EQ(GetRegionData(e, n - 1, reinterpret_cast<RGNDATA*>(buf.data())), 0u);
  HRGN copy = ExtCreateRegion(nullptr, n, reinterpret_cast<const RGNDATA*>(buf.data()));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(EqualRgn(e, copy));
  EXPECT_EQ(ExtCreateRegion(nullptr, n - 4, reinterpret_cast<const RGNDATA*>(buf.data())), nullptr);
  // Overlapping, unordered rectangles are merged into bands.
  struct {
    RGNDATAHEADER h;
    RECT r[2];
  } data;
  data.h.nCount = 2;
  data.r[0] = RECT{2, 2, 6, 6};
  data.r[1] = RECT{0, 0, 4, 4};
  HRGN merged = ExtCreateRegion(nullptr, sizeof data, reinterpret_cast<const RGNDATA*>(&data));
  EXPECT_EQ(RectsOf(merged), (std::vector<RECT>{{0, 0, 4, 2}, {0, 2, 6, 4}, {2, 4, 6, 6}}));
  for (HRGN r : {e, copy, merged}) DeleteObject(r);
}

TEST(Regions, EllipseAndPolygonRowsFollowPixelCentres) {
  HRGN e = CreateEllipticRgn(0, 0, 4, 4);
  EXPECT_EQ(RectsOf(e), (std::vector<RECT>{{1, 0, 3, 1}, {0, 1, 4, 3}, {1, 3, 3, 4}}));
  const POINT tri[] = {{0, 0}, {4, 0}, {0, 4}};
  HRGN t = CreatePolygonRgn(tri, 3, ALTERNATE);
  EXPECT_EQ(RectsOf(t), (std::vector<RECT>{{0, 0, 3, 1}, {0, 1, 2, 2}, {0, 2, 1, 3}}));
  HRGN rr = CreateRoundRectRgn(0, 0, 10, 10, 4, 4);
  EXPECT_FALSE(PtInRegion(rr, 0, 0));
  EXPECT_TRUE(PtInRegion(rr, 5, 0));
  EXPECT_TRUE(PtInRegion(rr, 0, 5));
  EXPECT_FALSE(PtInRegion(rr, 9, 9));
  EXPECT_EQ(CreatePolygonRgn(tri, 3, 7), nullptr);
  for (HRGN r : {e, t, rr}) DeleteObject(r);
}

TEST(Clipping, SelectClipRgnLimitsEveryDrawingCall) {
  TestCanvas c(4, 4);
  HRGN e = CreateEllipticRgn(0, 0, 4, 4);
  EXPECT_EQ(SelectClipRgn(c.dc, e), COMPLEXREGION);
  DeleteObject(e);  // the DC keeps its own copy
  RECT all{0, 0, 4, 4};
  FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Picture(), Rows({".##.", "####", "####", ".##."}));
  c.Fill(RGB(255, 255, 255));
  TestCanvas src(4, 4, RGB(0, 0, 0));
  BitBlt(c.dc, 0, 0, 4, 4, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(c.Picture(), Rows({".##.", "####", "####", ".##."}));
  c.Fill(RGB(255, 255, 255));
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 4, 0);
  EXPECT_EQ(c.Picture(), Rows({".##.", "....", "....", "...."}));
  EXPECT_EQ(SetPixel(c.dc, 0, 0, RGB(0, 0, 0)), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc, 0, 0), CLR_INVALID);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(c.dc, got), 1);
  EXPECT_TRUE(PtInRegion(got, 1, 0));
  SelectClipRgn(c.dc, nullptr);
  EXPECT_EQ(GetClipRgn(c.dc, got), 0);
  DeleteObject(got);
}

TEST(Clipping, ExcludeAndIntersectUseLogicalCoordinates) {
  TestCanvas c(6, 3);
  SetViewportOrgEx(c.dc, 1, 0, nullptr);
  IntersectClipRect(c.dc, 0, 0, 4, 3);   // device 1..4
  ExcludeClipRect(c.dc, 1, 1, 3, 2);     // device 2..3 on row 1
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  EXPECT_EQ(box, Rect(0, 0, 4, 3));
  PatBlt(c.dc, -1, 0, 6, 3, BLACKNESS);
  EXPECT_EQ(c.Picture(), Rows({".####.", ".#..#.", ".####."}));
  EXPECT_TRUE(PtVisible(c.dc, 0, 0));
  EXPECT_FALSE(PtVisible(c.dc, 1, 1));
  EXPECT_EQ(IntersectClipRect(c.dc, 10, 10, 11, 11), NULLREGION);
  EXPECT_EQ(GetClipBox(c.dc, &box), NULLREGION);
}

TEST(RegionPainting, FillFrameInvertAndPaint) {
  TestCanvas c(5, 4);
  HRGN r = CreateRectRgn(0, 0, 5, 4);
  EXPECT_TRUE(FrameRgn(c.dc, r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1));
  EXPECT_EQ(c.Picture(), Rows({"#####", "#...#", "#...#", "#####"}));
  EXPECT_TRUE(InvertRgn(c.dc, r));
  EXPECT_EQ(c.Picture(), Rows({".....", ".###.", ".###.", "....."}));
  SetRectRgn(r, 1, 1, 2, 2);
  EXPECT_TRUE(FillRgn(c.dc, r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
  EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255));
  SetROP2(c.dc, R2_NOT);
  EXPECT_TRUE(PaintRgn(c.dc, r));
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 0));
  EXPECT_FALSE(FillRgn(c.dc, r, nullptr));
  DeleteObject(r);
}

}  // namespace

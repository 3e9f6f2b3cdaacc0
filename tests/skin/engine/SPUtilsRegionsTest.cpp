#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/Gdi.h"
#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

std::vector<RECT> RectsOf(const std::vector<std::uint8_t>& data) {
  RGNDATAHEADER h;
  std::memcpy(&h, data.data(), sizeof h);
  std::vector<RECT> r(h.nCount);
  if (h.nCount) std::memcpy(r.data(), data.data() + sizeof h, h.nCount * sizeof(RECT));
  return r;
}

bool Same(const RECT& a, const RECT& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

TEST(CreateRgnDataFromBitmap, RunsOfPureBlackInScanOrder) {
  TBitmap mask;
  mask.SetPixelFormat(pf24bit);
  mask.SetSize(8, 2);
  Fill(mask, 0xFFFFFF);
  for (int x : {0, 1, 2, 5}) SetPx(mask, x, 0, 0);
  SetPx(mask, 7, 0, Rgb(1, 0, 0));  // nearly black is outside
  SetPx(mask, 7, 1, 0);
  std::vector<std::uint8_t> data;
  const std::size_t size = CreateRgnDataFromBitmap(&mask, 10, 20, data);
  ASSERT_EQ(size, 32u + 3 * 16u);
  ASSERT_EQ(data.size(), size);
  RGNDATAHEADER h;
  std::memcpy(&h, data.data(), sizeof h);
  EXPECT_EQ(h.dwSize, 32u);
  EXPECT_EQ(h.iType, 1u);
  EXPECT_EQ(h.nRgnSize, 0u);
  EXPECT_TRUE(Same(h.rcBound, RECT{10, 20, 18, 22}));
  const std::vector<RECT> r = RectsOf(data);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_TRUE(Same(r[0], RECT{10, 20, 13, 21}));
  EXPECT_TRUE(Same(r[1], RECT{15, 20, 16, 21}));
  EXPECT_TRUE(Same(r[2], RECT{17, 21, 18, 22}));
}

TEST(CreateRgnDataFromBitmap, KeepsEveryRunOfAFinelyDitheredMask) {
  // 20000 single-pixel runs: more than a fixed table of 10001 would hold.
  TBitmap mask;
  mask.SetPixelFormat(pf24bit);
  mask.SetSize(200, 200);
  Fill(mask, 0xFFFFFF);
  for (int y = 0; y < 200; ++y)
    for (int x = (y & 1); x < 200; x += 2) SetPx(mask, x, y, 0);
  std::vector<std::uint8_t> data;
  CreateRgnDataFromBitmap(&mask, 0, 0, data);
  const std::vector<RECT> r = RectsOf(data);
  ASSERT_EQ(r.size(), 20000u);
  EXPECT_TRUE(Same(r.back(), RECT{199, 199, 200, 200}));
  HRGN rgn = nullptr;
  CreateRegionFromBitmap(rgn, &mask);
  ASSERT_NE(rgn, nullptr);
  EXPECT_TRUE(PtInRegion(rgn, 199, 199));
  EXPECT_FALSE(PtInRegion(rgn, 198, 199));
  DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
}

TEST(CreateRegionFromBitmap, EmptyOrAllWhiteMaskGivesNoRegion) {
  TBitmap empty, white;
  white.SetPixelFormat(pf24bit);
  white.SetSize(5, 5);
  Fill(white, 0xFFFFFF);
  std::vector<std::uint8_t> data{1, 2, 3};
  EXPECT_EQ(CreateRgnDataFromBitmap(&empty, 0, 0, data), 0u);
  EXPECT_TRUE(data.empty());
  for (TBitmap* m : {&empty, &white}) {
    HRGN rgn = reinterpret_cast<HRGN>(1);
    CreateRegionFromBitmap(rgn, m);
    EXPECT_EQ(rgn, nullptr);
  }
}

// A 20 x 20 mask of a frame with no top border: client (4, 0)-(16, 16),
// bands from row 4 to 12 and column 6 to 14, all black but the bottom-left
// corner pixel and one pixel in the left band.
struct MaskFrame {
  TBitmap mask;
  const TPoint LT{6, 4}, RT{14, 4}, LB{6, 12}, RB{14, 12};
  const TRect C{4, 0, 16, 16};
  MaskFrame() {
    mask.SetPixelFormat(pf24bit);
    mask.SetSize(20, 20);
    Fill(mask, 0);
    SetPx(mask, 0, 19, 0xFFFFFF);
    SetPx(mask, 1, 5, 0xFFFFFF);
  }
};

TEST(CreateSkinRegion, FrameWithoutTopBorderKeepsSidesBottomAndClient) {
  MaskFrame f;
  // A 30 x 30 window: bands grow by 10.
  const TRect NC{4, 0, 26, 26};
  HRGN rgn = nullptr;
  CreateSkinRegion(rgn, f.LT, f.RT, f.LB, f.RB, f.C, f.LT, TPoint{24, 4}, TPoint{6, 22}, TPoint{24, 22}, NC, &f.mask,
                   30, 30);
  ASSERT_NE(rgn, nullptr);
  EXPECT_TRUE(PtInRegion(rgn, 15, 15));  // client
  EXPECT_TRUE(PtInRegion(rgn, 2, 2));    // left strip
  EXPECT_TRUE(PtInRegion(rgn, 28, 20));  // right strip
  EXPECT_TRUE(PtInRegion(rgn, 15, 28));  // bottom strip
  EXPECT_FALSE(PtInRegion(rgn, 0, 29));  // the white corner, now at the window's corner
  // The white band pixel (1, 5) lands in the tiled band every 8 rows from
  // row 1; the first 4 rows take the fixed rows above the band instead.
  EXPECT_TRUE(PtInRegion(rgn, 1, 1));
  EXPECT_TRUE(PtInRegion(rgn, 1, 5));
  EXPECT_FALSE(PtInRegion(rgn, 1, 9));
  EXPECT_FALSE(PtInRegion(rgn, 1, 17));
  EXPECT_TRUE(PtInRegion(rgn, 1, 10));
  RECT box{};
  GetRgnBox(rgn, &box);
  EXPECT_TRUE(Same(box, RECT{0, 0, 30, 30}));
  DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
}

TEST(CreateSkinRegion, NoRegionWhenTheWindowIsSmallerThanItsCorners) {
  MaskFrame f;
  HRGN rgn = reinterpret_cast<HRGN>(1);
  CreateSkinRegion(rgn, f.LT, f.RT, f.LB, f.RB, f.C, f.LT, TPoint{5, 4}, f.LB, f.RB, f.C, &f.mask, 20, 20);
  EXPECT_EQ(rgn, nullptr);
}

TEST(CreateSkinRegion, MaskSmallerThanTheFrameCountsItsMissingPartAsOutside) {
  MaskFrame f;
  TBitmap small;
  small.SetPixelFormat(pf24bit);
  small.SetSize(10, 20);  // only the left half of the frame's mask
  Fill(small, 0);
  const TRect NC{4, 0, 26, 26};
  HRGN rgn = nullptr;
  CreateSkinRegion(rgn, f.LT, f.RT, f.LB, f.RB, f.C, f.LT, TPoint{24, 4}, TPoint{6, 22}, TPoint{24, 22}, NC, &small,
                   30, 30);
  ASSERT_NE(rgn, nullptr);
  EXPECT_TRUE(PtInRegion(rgn, 2, 10));
  EXPECT_TRUE(PtInRegion(rgn, 15, 15));
  // The bottom strip's right end lies beyond the small mask.
  EXPECT_FALSE(PtInRegion(rgn, 28, 28));
  DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
}

TEST(CreateSkinMask, StripsTileTheirBandsAndKeepTheirEnds) {
  TBitmap mask;
  CoordPicture(mask, 20, 20);
  TBitmap top, left, right, bottom;
  const TPoint LT{6, 6}, RT{14, 6}, LB{6, 12}, RB{14, 12};
  const TRect C{4, 4, 16, 16};
  // A 40 x 36 window: NC (4, 4)-(36, 32).
  CreateSkinMask(LT, RT, LB, RB, C, LT, TPoint{34, 6}, TPoint{6, 28}, TPoint{34, 28}, TRect{4, 4, 36, 32}, &mask,
                 &top, &left, &right, &bottom, 40);
  ASSERT_EQ(top.Width(), 40);
  ASSERT_EQ(top.Height(), 4);
  ASSERT_EQ(left.Width(), 4);
  ASSERT_EQ(left.Height(), 28);
  ASSERT_EQ(right.Width(), 4);
  ASSERT_EQ(bottom.Height(), 4);
  // Top: fixed 0..5, band 6..13 tiled from 6 up to 34, fixed 14..19 at 34.
  for (int x = 0; x < 40; ++x) {
    const int sx = x < 6 ? x : x < 34 ? 6 + (x - 6) % 8 : x - 20;
    ASSERT_EQ(Px(top, x, 1), From(sx, 1)) << x;
  }
  // Left: band rows 6..11 tiled from row 0, then rows 4..5 on top and 12..15
  // at the bottom.
  for (int y = 0; y < 28; ++y) {
    const int sy = y < 2 ? 4 + y : y >= 24 ? 12 + (y - 24) : 6 + y % 6;
    ASSERT_EQ(Px(left, 1, y), From(1, sy)) << y;
  }
  EXPECT_EQ(Px(right, 3, 10), From(19, 6 + 10 % 6));
  EXPECT_EQ(Px(bottom, 39, 3), From(19, 19));
}

}  // namespace

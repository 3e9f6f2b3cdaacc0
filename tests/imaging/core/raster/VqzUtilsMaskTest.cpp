// TVQMask against small hand-worked masks: pixels and spans, rectangles,
// ellipses and polygons, the ways selections combine, moves, the bounding
// box and the copies of images through the mask.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/imaging/core/BitmapTestSupport.h"
#include "imaging/core/base/vqzutils.h"
#include "tests/imaging/core/MaskTestSupport.h"

using namespace bitmaptest;

namespace {

// The mask as rows of '#' (set, or non-zero) and '.'.
std::vector<std::string> Picture(const TVQMask& m) {
  std::vector<std::string> rows;
  for (int y = 0; y < m.Height(); ++y) {
    std::string r;
    for (int x = 0; x < m.Width(); ++x) r += m.GetPixel(x, y) ? '#' : '.';
    rows.push_back(r);
  }
  return rows;
}

struct Box {
  int x1, y1, x2, y2;
  friend bool operator==(const Box&, const Box&) = default;
};
Box BoxOf(const TVQMask& m) { return {m.X1(), m.Y1(), m.X2(), m.Y2()}; }
std::ostream& operator<<(std::ostream& o, const Box& b) {
  return o << "(" << b.x1 << "," << b.y1 << ")-(" << b.x2 << "," << b.y2 << ")";
}


// The view's ellipse: trunc(min radius x 2 pi) points, at least 50, each
// rounded (halves to even) and limited to the image.
std::vector<TPoint> Ellipse(int cx, int cy, int rx, int ry, int w, int h) {
  const int n = std::max(50, static_cast<int>(std::min(rx, ry) * 2 * std::numbers::pi));
  std::vector<TPoint> points;
  for (int k = 0; k < n; ++k) {
    const double t = 2 * std::numbers::pi / n * k;
    points.push_back({std::min(w, std::max(0, static_cast<int>(std::nearbyint(cx + std::cos(t) * rx)))),
                      std::min(h, std::max(0, static_cast<int>(std::nearbyint(cy + std::sin(t) * ry))))});
  }
  return points;
}

std::vector<TPoint> Join(std::vector<TPoint> a, const std::vector<TPoint>& b) {
  a.push_back({VQPolygonSeparator, VQPolygonSeparator});
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class Mask : public ::testing::TestWithParam<int> {
 protected:
  int bits() const { return GetParam(); }
};

TEST_P(Mask, StartsEmptyAndReadsZeroEverywhere) {
  TVQMask m;
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(m.GetPixel(0, 0), 0);
  EXPECT_THROW(m.GetScanline(0), EVQBitmapError);
  m.AllocateBits(3, 2, bits());
  EXPECT_EQ(m.RowLength(), 4);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(m.GetPixel(-1, 0), 0);
  EXPECT_EQ(m.GetPixel(3, 0), 0);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"...", "..."}));
  EXPECT_THROW(m.AllocateBits(2, 2, 4), EVQBitmapError);
}

TEST_P(Mask, SetPixelGrowsTheBoxAndIgnoresPointsOutside) {
  TVQMask m;
  m.AllocateBits(10, 10, bits());
  m.SetPixel(5, 7, 1);
  EXPECT_EQ(BoxOf(m), (Box{5, 7, 5, 7}));
  m.SetPixel(2, 9, 200);
  EXPECT_EQ(BoxOf(m), (Box{2, 7, 5, 9}));
  m.SetPixel(-1, 3, 1);
  m.SetPixel(10, 3, 1);
  EXPECT_EQ(BoxOf(m), (Box{2, 7, 5, 9}));
  EXPECT_EQ(m.GetPixel(5, 7), 1);
  EXPECT_EQ(m.GetPixel(2, 9), bits() == 1 ? 1 : 200);
  // Row 0 is the top, stored last.
  EXPECT_EQ(m.GetScanline(9), m.Bits());
}

TEST_P(Mask, FillSetsFullAndAClearedPixelClearsIt) {
  TVQMask m;
  m.AllocateBits(9, 3, bits());
  m.Fill(255);
  EXPECT_TRUE(m.Full);
  EXPECT_TRUE(m.IsEmpty());  // Fill leaves the box alone
  m.SetPixel(0, 0, 0);
  EXPECT_FALSE(m.Full);
  m.SyncFull();
  EXPECT_FALSE(m.Full);
  m.SetPixel(0, 0, 255);
  m.SyncFull();
  EXPECT_TRUE(m.Full);
  m.SyncRect();
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 8, 2}));
  m.Clear();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_FALSE(m.Full);
}

TEST_P(Mask, FillSpanClipsAndCounts) {
  TVQMask m;
  m.AllocateBits(12, 3, bits());
  EXPECT_EQ(m.FillSpan(255, 3, 9, 1), 7);
  EXPECT_EQ(m.FillSpan(255, -4, 1, 7), 2);  // row clamped to 2
  EXPECT_EQ(m.FillSpan(255, 11, 40, 0), 1);
  EXPECT_EQ(m.FillSpan(255, 5, 4, 0), 0);
  EXPECT_EQ(m.FillSpan(0, 5, 6, 1), 2);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"...........#", "...##..###..", "##.........."}));
  EXPECT_TRUE(m.IsEmpty());  // spans leave the box to their caller
}

TEST_P(Mask, TriangleFillsItsUpperEndAndLeavesLowerAndRightEdgesOut) {
  TVQMask m;
  m.AllocateBits(12, 12, bits());
  const std::vector<TPoint> triangle = {{0, 0}, {10, 0}, {0, 10}};
  m.FillPolygons(255, triangle);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{
                            "##########..",
                            "#########...",
                            "########....",
                            "#######.....",
                            "######......",
                            "#####.......",
                            "####........",
                            "###.........",
                            "##..........",
                            "#...........",
                            "............",
                            "............",
                        }));
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 9, 9}));
}

TEST_P(Mask, RectangleCoversItsCornersExclusiveOfRightAndBottom) {
  TVQMask m;
  m.AllocateBits(8, 6, bits());
  m.FillPolygons(1, masktest::RectPolygon(2, 1, 6, 4));
  EXPECT_EQ(Picture(m), (std::vector<std::string>{
                            "........",
                            "..####..",
                            "..####..",
                            "..####..",
                            "........",
                            "........",
                        }));
  EXPECT_EQ(BoxOf(m), (Box{2, 1, 5, 3}));
  // A rectangle without width selects nothing and leaves no box.
  TVQMask thin;
  thin.AllocateBits(8, 6, bits());
  thin.FillPolygons(1, masktest::RectPolygon(3, 1, 3, 5));
  EXPECT_TRUE(thin.IsEmpty());
}

TEST_P(Mask, DiamondByHand) {
  TVQMask m;
  m.AllocateBits(7, 7, bits());
  m.FillPolygons(1, std::vector<TPoint>{{3, 0}, {6, 3}, {3, 6}, {0, 3}});
  EXPECT_EQ(Picture(m), (std::vector<std::string>{
                            ".......",
                            "..##...",
                            ".####..",
                            "######.",
                            ".####..",
                            "..##...",
                            ".......",
                        }));
}

TEST_P(Mask, EllipseOfTheViewsPoints) {
  TVQMask m;
  m.AllocateBits(9, 9, bits());
  const auto circle = Ellipse(4, 4, 3, 3, 9, 9);
  EXPECT_EQ(circle.size(), 50u);
  m.FillPolygons(1, circle);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{
                            ".........",
                            "..####...",
                            "..####...",
                            ".######..",
                            ".######..",
                            ".######..",
                            "..####...",
                            ".........",
                            ".........",
                        }));
  EXPECT_EQ(BoxOf(m), (Box{1, 1, 6, 6}));
  TVQMask wide;
  wide.AllocateBits(13, 9, bits());
  wide.FillPolygons(1, Ellipse(6, 4, 5, 3, 13, 9));
  EXPECT_EQ(Picture(wide), (std::vector<std::string>{
                               ".............",
                               "...######....",
                               "..########...",
                               ".##########..",
                               ".##########..",
                               "..########...",
                               "...######....",
                               ".............",
                               ".............",
                           }));
}

TEST_P(Mask, SeparatedPolygonsFillApartAndOverlapsCancel) {
  TVQMask m;
  m.AllocateBits(10, 4, bits());
  m.FillPolygons(1, Join(masktest::RectPolygon(0, 0, 3, 3), masktest::RectPolygon(6, 1, 9, 4)));
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"###.......", "###...###.", "###...###.", "......###."}));
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 8, 3}));
  // Separated, overlapping polygons add up; traced as one polygon they are
  // even-odd and the overlap is out.
  TVQMask u;
  u.AllocateBits(8, 3, bits());
  u.FillPolygons(1, Join(masktest::RectPolygon(0, 0, 5, 3), masktest::RectPolygon(3, 0, 8, 3)));
  EXPECT_EQ(Picture(u), (std::vector<std::string>{"########", "########", "########"}));
  TVQMask x;
  x.AllocateBits(8, 3, bits());
  x.FillPolygons(1,
                 std::vector<TPoint>{{0, 0}, {5, 0}, {5, 3}, {0, 3}, {0, 0}, {3, 0}, {8, 0}, {8, 3}, {3, 3}, {3, 0}});
  EXPECT_EQ(Picture(x), (std::vector<std::string>{"###..###", "###..###", "###..###"}));
}

TEST_P(Mask, CombineModesReplaceAddAndSubtract) {
  TVQMask m;
  m.AllocateBits(8, 4, bits());
  m.FillPolygons(1, masktest::RectPolygon(0, 0, 4, 3));
  // Add: a second fill joins the first.
  m.FillPolygons(1, masktest::RectPolygon(3, 1, 7, 4));
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"####....", "#######.", "#######.", "...####."}));
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 6, 3}));
  // Subtract: a fill with 0 clears, the box stays a bound.
  m.FillPolygons(0, masktest::RectPolygon(2, 0, 5, 4));
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"##......", "##...##.", "##...##.", ".....##."}));
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 6, 3}));
  // A fill that covers nothing keeps the box of what is there.
  m.FillPolygons(1, masktest::RectPolygon(7, 0, 7, 3));
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 6, 3}));
  // Replace: clear, then fill.
  m.Clear();
  m.FillPolygons(1, masktest::RectPolygon(1, 1, 3, 2));
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"........", ".##.....", "........", "........"}));
  EXPECT_EQ(BoxOf(m), (Box{1, 1, 2, 1}));
}

TEST_P(Mask, PolygonsBeyondTheMaskAreClippedWithoutWalkingTheirSize) {
  TVQMask m;
  m.AllocateBits(5, 4, bits());
  m.FillPolygons(1, masktest::RectPolygon(-2000000000, -2000000000, 2000000000, 2));
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"#####", "#####", ".....", "....."}));
  EXPECT_EQ(BoxOf(m), (Box{0, 0, 4, 1}));
  m.FillPolygons(1, std::vector<TPoint>{{0, 1000}, {4, 2000}, {0, 3000}});  // wholly below
  EXPECT_EQ(Picture(m)[3], ".....");
  m.FillPolygons(1, std::vector<TPoint>{});
  m.FillPolygons(1, nullptr, 3);
  TVQMask none;  // no plane: nothing to fill
  none.FillPolygons(1, masktest::RectPolygon(0, 0, 3, 3));
  EXPECT_TRUE(none.IsEmpty());
}

TEST_P(Mask, FillPolygonsRecomputesFull) {
  TVQMask m;
  m.AllocateBits(3, 3, bits());
  m.FillPolygons(255, masktest::RectPolygon(0, 0, 3, 3));
  EXPECT_TRUE(m.Full);
  m.FillPolygons(0, masktest::RectPolygon(1, 1, 2, 2));
  EXPECT_FALSE(m.Full);
}

TEST_P(Mask, MoveByWithoutClipKeepsTheBoxInside) {
  TVQMask m;
  m.AllocateBits(10, 4, bits());
  m.FillPolygons(1, masktest::RectPolygon(5, 1, 9, 3));  // box right edge 8 = width - 2
  int dx = 3, dy = 0;
  m.MoveBy(dx, dy, false);
  EXPECT_EQ(dx, 1);
  EXPECT_EQ(dy, 0);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"..........", "......####", "......####", ".........."}));
  EXPECT_EQ(BoxOf(m), (Box{6, 1, 9, 2}));
  dx = -20;
  dy = -20;
  m.MoveBy(dx, dy, false);
  EXPECT_EQ(dx, -6);
  EXPECT_EQ(dy, -1);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"####......", "####......", "..........", ".........."}));
}

TEST_P(Mask, MoveByWithClipDropsWhatLeavesTheMask) {
  TVQMask m;
  m.AllocateBits(4, 8, bits());
  m.FillPolygons(1, masktest::RectPolygon(1, 2, 3, 7));
  int dx = 0, dy = -5;
  m.MoveBy(dx, dy, true);
  EXPECT_EQ(dy, -5);
  // Rows 2 to 4 left the mask; rows 5 and 6 now sit at 0 and 1.
  EXPECT_EQ(Picture(m), (std::vector<std::string>{".##.", ".##.", "....", "....", "....", "....", "....", "...."}));
  EXPECT_EQ(BoxOf(m), (Box{1, 0, 2, 1}));
  dx = 10;
  m.MoveBy(dx, dy = 0, true);  // everything leaves
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(Picture(m)[0], "....");
}

TEST_P(Mask, ResizeKeepsTheTopLeftAndCutsEveryBox) {
  TVQMask m;
  m.AllocateBits(6, 4, bits());
  m.Fill(255);  // padding too
  m.SetBox(0, 0, 5, 3);
  m.Resize(9, 5);
  EXPECT_FALSE(m.Full);  // grown: the new pixels are clear
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"######...", "######...", "######...", "######...", "........."}));
  // A one-column box beyond the new width is cut too.
  TVQMask column;
  column.AllocateBits(10, 10, bits());
  column.FillPolygons(1, masktest::RectPolygon(8, 2, 9, 6));
  EXPECT_EQ(BoxOf(column), (Box{8, 2, 8, 5}));
  column.Resize(5, 5);
  EXPECT_TRUE(column.IsEmpty());
  column.Resize(10, 10);
  column.FillPolygons(1, masktest::RectPolygon(4, 2, 5, 9));
  column.Resize(5, 5);
  EXPECT_EQ(BoxOf(column), (Box{4, 2, 4, 4}));
}

TEST_P(Mask, ConvertsToAndFromBitmaps) {
  TVQMask m;
  m.AllocateBits(11, 3, bits());
  m.FillPolygons(bits() == 1 ? 1 : 128, masktest::RectPolygon(2, 0, 9, 2));
  TVQBitmap b;
  b.CopyFromMask(&m);
  EXPECT_EQ(b.GetPixelFormat(), bits() == 1 ? vqBits1 : vqGray8);
  EXPECT_EQ(b.GetPixelRGB(1, 1), TRGBPixel{});
  EXPECT_NE(b.GetPixelRGB(2, 1), TRGBPixel{});
  EXPECT_FALSE(b.Full);
  TVQMask back;
  b.CopyBitmapToMask(&back);
  EXPECT_EQ(back.BitCount(), bits());
  EXPECT_EQ(Picture(back), Picture(m));
  EXPECT_EQ(BoxOf(back), BoxOf(m));
  b.Fill(255);
  b.CopyBitmapToMask(&back);
  EXPECT_TRUE(back.Full);
  EXPECT_EQ(BoxOf(back), (Box{0, 0, 10, 2}));
  TVQBitmap none;
  none.Allocate(2, 2, vqGray8);
  none.CopyFromMask(nullptr);
  EXPECT_TRUE(none.Full);
  EXPECT_EQ(none.GetPixelByte(1, 1), 255);
  TVQBitmap rgb;
  rgb.Allocate(2, 2, vqRGB24);
  rgb.CopyBitmapToMask(&back);  // other formats copy nothing
  EXPECT_EQ(back.Width(), 11);
}

INSTANTIATE_TEST_SUITE_P(Depths, Mask, ::testing::Values(1, 8),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

// ---- copying images through a mask -------------------------------------------

TEST(MaskCopy, OneBitMaskCopiesSelectedPixels) {
  for (TVQPixelFormat f : {vqRGB24, vqGray8, vqPalette8, vqBits1}) {
    SCOPED_TRACE(FormatName(f));
    TVQMask m;
    m.AllocateBits(5, 4, 1);
    m.FillPolygons(1, masktest::RectPolygon(1, 1, 4, 3));
    auto source = NewBitmap(vqMemoryBuffer, 5, 4, f);
    source->Fill(f == vqRGB24 ? 0x00FFFFFF : 255);
    auto dest = NewBitmap(vqTempFile, 5, 4, f);
    m.CopyMasked(dest.get(), source.get(), false, false, false);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x)
        ASSERT_EQ(dest->GetPixelByte(f == vqRGB24   ? x * 3
                                     : f == vqBits1 ? 0
                                                    : x,
                                     y) != 0,
                  f == vqBits1 ? (y >= 1 && y <= 2) : (x >= 1 && x <= 3 && y >= 1 && y <= 2))
            << x << "," << y;
    if (f == vqBits1) EXPECT_EQ(dest->GetScanline(1)[0], 0x70);
  }
}

TEST(MaskCopy, EightBitMaskBlendsByItsValue) {
  TVQMask m;
  m.AllocateBits(3, 1, 8);
  m.SetPixel(0, 0, 128);
  m.SetPixel(1, 0, 255);
  m.SetPixel(2, 0, 1);
  auto source = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  auto dest = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  source->Fill(0);
  dest->Fill(255);
  m.CopyMasked(dest.get(), source.get(), false, false, false);
  // d + floor((s - d) x m / 256)
  EXPECT_EQ(dest->GetPixelByte(0, 0), 127);  // 255 + floor(-127.5)
  EXPECT_EQ(dest->GetPixelByte(1, 0), 0);    // 255 + floor(-254.004)
  EXPECT_EQ(dest->GetPixelByte(2, 0), 254);  // 255 + floor(-0.996)
  EXPECT_FALSE(dest->Full);
  auto up = NewBitmap(vqMemoryBuffer, 3, 1, vqRGB24);
  auto from = NewBitmap(vqMemoryBuffer, 3, 1, vqRGB24);
  from->Fill(0x00FFFFFF);
  m.CopyMasked(up.get(), from.get(), false, false, false);
  EXPECT_EQ(up->GetPixelRGB(0, 0), (TRGBPixel{127, 127, 127}));
  EXPECT_EQ(up->GetPixelRGB(1, 0), (TRGBPixel{254, 254, 254}));
  EXPECT_EQ(up->GetPixelRGB(2, 0), (TRGBPixel{0, 0, 0}));
}

TEST(MaskCopy, AtBoxReadsAndWritesFromTheBoxCorner) {
  TVQMask m;
  m.AllocateBits(6, 6, 1);
  m.FillPolygons(1, masktest::RectPolygon(3, 2, 5, 4));  // box (3,2)-(4,3)
  auto source = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  source->SetPixelByte(0, 0, 10);
  source->SetPixelByte(1, 0, 11);
  source->SetPixelByte(0, 1, 12);
  source->SetPixelByte(1, 1, 13);
  auto dest = NewBitmap(vqMemoryBuffer, 6, 6, vqGray8);
  m.CopyMasked(dest.get(), source.get(), false, true, false);
  EXPECT_EQ(dest->GetPixelByte(3, 2), 10);
  EXPECT_EQ(dest->GetPixelByte(4, 3), 13);
  auto cut = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  m.CopyMasked(cut.get(), dest.get(), true, false, false);
  EXPECT_EQ(cut->GetPixelByte(0, 0), 10);
  EXPECT_EQ(cut->GetPixelByte(1, 1), 13);
}

TEST(MaskCopy, MixedOrOtherFormatsCopyNothing) {
  TVQMask m;
  m.AllocateBits(2, 2, 1);
  m.Fill(255);
  m.SyncRect();
  auto source = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  source->Fill(9);
  auto dest = NewBitmap(vqMemoryBuffer, 2, 2, vqRGB24);
  m.CopyMasked(dest.get(), source.get(), false, false, true);
  EXPECT_EQ(dest->GetPixelRGB(0, 0), TRGBPixel{});
  EXPECT_FALSE(dest->HasAlphaChannel());
  auto g16 = NewBitmap(vqMemoryBuffer, 2, 2, vqGray16);
  auto g16b = NewBitmap(vqMemoryBuffer, 2, 2, vqGray16);
  g16->Fill(500);
  m.CopyMasked(g16b.get(), g16.get(), false, false, false);
  EXPECT_EQ(g16b->GetPixelByte(0, 0), 0);
}

TEST(MaskCopy, CopyAlphaTakesTheSmallerOfSourceAlphaAndMask) {
  TVQMask m;
  m.AllocateBits(3, 1, 8);
  m.SetPixel(1, 0, 100);
  m.SetPixel(2, 0, 255);
  m.SetBox(0, 0, 2, 0);
  auto source = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  source->GetAlphaChannel()->Fill(180);
  auto dest = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  m.CopyMasked(dest.get(), source.get(), false, false, true);
  EXPECT_EQ(dest->GetAlpha(0, 0), 0);
  EXPECT_EQ(dest->GetAlpha(1, 0), 100);
  EXPECT_EQ(dest->GetAlpha(2, 0), 180);
  EXPECT_FALSE(dest->GetAlphaChannel()->Full);
  auto noAlpha = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  m.CopyMaskedAlpha(dest.get(), noAlpha.get(), false, false);
  EXPECT_EQ(dest->GetAlpha(2, 0), 255);
}

TEST(MaskCopy, AOneColumnBoxNeverWritesOutsideThePicture) {
  // A mask larger than the pictures, its box one column at the right edge:
  // every pixel outside either picture is skipped.
  TVQMask m;
  m.AllocateBits(20, 20, 1);
  m.FillPolygons(1, masktest::RectPolygon(19, 0, 20, 20));
  m.Resize(20, 20);
  EXPECT_EQ(BoxOf(m), (Box{19, 0, 19, 19}));
  auto source = NewBitmap(vqMemoryBuffer, 3, 3, vqRGB24);
  auto dest = NewBitmap(vqMemoryBuffer, 3, 3, vqRGB24);
  source->Fill(0x00FFFFFF);
  m.CopyMasked(dest.get(), source.get(), false, false, true);  // column 19 of both: outside
  m.CopyMasked(dest.get(), source.get(), true, false, true);   // source column 19: outside
  EXPECT_EQ(dest->GetPixelRGB(0, 0), TRGBPixel{});
  m.CopyMasked(dest.get(), source.get(), true, true, true);  // column 0 of both
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(dest->GetPixelRGB(0, y), (TRGBPixel{255, 255, 255}));
    EXPECT_EQ(dest->GetPixelRGB(1, y), TRGBPixel{});
    EXPECT_EQ(dest->GetAlpha(0, y), 255);
  }
  m.CopyMasked(dest.get(), dest.get(), false, true, false);  // source and dest one image
  // Shrinking the mask under its box cuts the box, so a later copy stays in.
  TVQMask n;
  n.AllocateBits(10, 10, 1);
  n.FillPolygons(1, masktest::RectPolygon(9, 9, 10, 10));
  n.Resize(1, 1);
  EXPECT_TRUE(n.IsEmpty());
  n.CopyMasked(dest.get(), source.get(), false, false, true);
}

TEST(MaskCopy, OneByOneMasksAndImages) {
  TVQMask m;
  m.AllocateBits(1, 1, 1);
  m.SetPixel(0, 0, 1);
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"#"}));
  m.SyncFull();
  EXPECT_TRUE(m.Full);
  int dx = 1, dy = 1;
  m.MoveBy(dx, dy, false);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 0);
  auto a = NewBitmap(vqTempFile, 1, 1, vqBits1);
  auto b = NewBitmap(vqTempFile, 1, 1, vqBits1);
  a->Fill(1);
  m.CopyMasked(b.get(), a.get(), true, true, true);
  EXPECT_EQ(b->GetScanline(0)[0] & 0x80, 0x80);
  m.Resize(0, 0);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(m.Bits(), nullptr);
}

}  // namespace

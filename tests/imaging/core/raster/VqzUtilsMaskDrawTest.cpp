// TVQMask drawing: the marching-ants outline, the inverted overlay and the
// grey checker outside the selection, on framework bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "tests/imaging/core/MaskTestSupport.h"

namespace {

constexpr TColor kRed = 0x000000FF;   // colour A
constexpr TColor kBlue = 0x00FF0000;  // colour B


// A 24-bit bitmap of one grey level.
std::unique_ptr<TBitmap> Canvas24(int w, int h, Byte level) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y) std::memset(b->ScanLine(y), level, static_cast<std::size_t>(w) * 3);
  return b;
}

// 'A' red, 'B' blue, 'G' grey 97, '.' the background, '?' anything else.
std::vector<std::string> Seen(TBitmap& b, Byte background) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    const Byte* p = static_cast<const Byte*>(b.ScanLine(y));
    std::string r;
    for (int x = 0; x < b.Width(); ++x, p += 3) {
      if (p[0] == background && p[1] == background && p[2] == background)
        r += '.';
      else if (p[0] == 0 && p[1] == 0 && p[2] == 255)
        r += 'A';
      else if (p[0] == 255 && p[1] == 0 && p[2] == 0)
        r += 'B';
      else if (p[0] == 97 && p[1] == 97 && p[2] == 97)
        r += 'G';
      else
        r += '?';
    }
    rows.push_back(r);
  }
  return rows;
}

TEST(MaskOutline, MarchesAroundTheSelectionInRunsOfFour) {
  TVQMask m;
  m.AllocateBits(8, 6, 1);
  m.FillPolygons(1, masktest::RectPolygon(2, 1, 6, 5));
  auto b = Canvas24(8, 6, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6, 0, kRed, kBlue);
  // Colour B where (x + y + phase) mod 8 < 4.
  EXPECT_EQ(Seen(*b, 200), (std::vector<std::string>{
                               "........",
                               "..BAAA..",
                               "..A..A..",
                               "..A..B..",
                               "..AABB..",
                               "........",
                           }));
  auto shifted = Canvas24(8, 6, 200);
  m.DrawOutline(shifted->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6, 4, kRed, kBlue);
  EXPECT_EQ(Seen(*shifted, 200), (std::vector<std::string>{
                                     "........",
                                     "..ABBB..",
                                     "..B..B..",
                                     "..B..A..",
                                     "..BBAA..",
                                     "........",
                                 }));
  auto again = Canvas24(8, 6, 200);
  m.DrawOutline(again->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6, 8, kRed, kBlue);
  EXPECT_EQ(Seen(*again, 200), Seen(*b, 200));
  EXPECT_EQ(m.OutlineWidth(), 8);
  EXPECT_EQ(m.OutlineHeight(), 6);
}

TEST(MaskOutline, AViewportEdgeThatCutsTheSelectionDrawsNoLine) {
  TVQMask m;
  m.AllocateBits(8, 6, 1);
  m.FillPolygons(1, masktest::RectPolygon(2, 1, 6, 5));
  auto b = Canvas24(4, 6, 200);
  // Source columns 3 to 6: the selection goes on left of the view.
  m.DrawOutline(b->Canvas(), 0, 0, 4, 6, 3, 0, 4, 6, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200), (std::vector<std::string>{"....", "BBB.", "..A.", "..A.", "AAA.", "...."}));
}

TEST(MaskOutline, AWholeMaskIsOutlinedAtItsEdges) {
  TVQMask m;
  m.AllocateBits(4, 3, 8);
  m.Fill(255);
  m.SyncRect();
  auto b = Canvas24(4, 3, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 4, 3, 0, 0, 4, 3, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200), (std::vector<std::string>{"BBBB", "B..A", "BBAA"}));
}

TEST(MaskOutline, ZoomedTheOutlineFollowsTheScaledSelection) {
  TVQMask m;
  m.AllocateBits(4, 4, 1);
  m.FillPolygons(1, masktest::RectPolygon(1, 1, 3, 3));
  auto b = Canvas24(10, 10, 200);
  m.DrawOutline(b->Canvas(), 1, 1, 8, 8, 0, 0, 4, 4, 0, kRed, kBlue);  // twice the size, at (1, 1)
  const auto seen = Seen(*b, 200);
  int drawn = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool ring = (x >= 3 && x <= 6 && y >= 3 && y <= 6) && !(x >= 4 && x <= 5 && y >= 4 && y <= 5);
      EXPECT_EQ(seen[std::size_t(y)][std::size_t(x)] != '.', ring) << x << "," << y;
      drawn += seen[std::size_t(y)][std::size_t(x)] != '.';
    }
  EXPECT_EQ(drawn, 12);
  // Drawing at another size makes the scaled copy again.
  m.DrawOutline(b->Canvas(), 0, 0, 2, 2, 0, 0, 4, 4, 0, kRed, kBlue);
  EXPECT_EQ(m.OutlineWidth(), 2);
}

TEST(MaskOutline, TheScaledCopyIsMadeAgainWhenTheMaskChanges) {
  TVQMask m;
  m.AllocateBits(6, 4, 1);
  m.FillPolygons(1, masktest::RectPolygon(1, 1, 3, 3));
  auto b = Canvas24(6, 4, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 6, 4, 0, 0, 6, 4, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200), (std::vector<std::string>{"......", ".BB...", ".BA...", "......"}));
  // Through a method, a row handed out for writing, or the plane itself.
  m.SetPixel(4, 1, 1);
  b = Canvas24(6, 4, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 6, 4, 0, 0, 6, 4, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200)[1], ".BB.A.");
  m.GetScanline(3)[0] = 0x80;
  m.SetBox(0, 1, 4, 3);
  b = Canvas24(6, 4, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 6, 4, 0, 0, 6, 4, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200)[3], "B.....");
  std::memset(m.Bits(), 0, 4);  // rows are bottom-up: row 3 comes first
  b = Canvas24(6, 4, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 6, 4, 0, 0, 6, 4, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200)[3], "......");
  // The next tick walks the same copy in the next phase.
  m.DrawOutline(b->Canvas(), 0, 0, 6, 4, 0, 0, 6, 4, 3, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200)[1], ".AA.B.");
}

TEST(MaskOutline, NothingForAnEmptySelectionOrSize) {
  TVQMask m;
  m.AllocateBits(4, 4, 1);
  auto b = Canvas24(4, 4, 200);
  m.DrawOutline(b->Canvas(), 0, 0, 4, 4, 0, 0, 4, 4, 0, kRed, kBlue);
  m.SetPixel(1, 1, 1);
  m.DrawOutline(b->Canvas(), 0, 0, 0, 4, 0, 0, 4, 4, 0, kRed, kBlue);
  m.DrawOutline(b->Canvas(), 0, 0, 4, 4, 0, 0, 0, 0, 0, kRed, kBlue);
  m.DrawOutline(nullptr, 0, 0, 4, 4, 0, 0, 4, 4, 0, kRed, kBlue);
  EXPECT_EQ(Seen(*b, 200), (std::vector<std::string>{"....", "....", "....", "...."}));
  // Far outside the canvas: clipped by the canvas, no harm.
  m.DrawOutline(b->Canvas(), -100000, 2000000000, 4, 4, 0, 0, 4, 4, 0, kRed, kBlue);
  m.DrawOutline(b->Canvas(), 0, 0, 1, 1, 0, 0, 4, 4, 0, kRed, kBlue);
}

TEST(MaskXor, InvertsTheCanvasWhereBitsAreSet) {
  TVQMask m;
  m.AllocateBits(4, 3, 1);
  m.SetPixel(1, 0, 1);
  m.SetPixel(2, 2, 1);
  auto b = Canvas24(4, 3, 0x30);
  m.DrawXor(b->Canvas(), 0, 0, 4, 3, 0, 0, 4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const Byte v = static_cast<const Byte*>(b->ScanLine(y))[x * 3];
      EXPECT_EQ(v, m.GetPixel(x, y) ? 0xCF : 0x30) << x << "," << y;
    }
  // The source row counts from the top: mask row 2 onto canvas row 0.
  auto one = Canvas24(4, 1, 0);
  m.DrawXor(one->Canvas(), 0, 0, 4, 1, 0, 2, 4, 1);
  EXPECT_EQ(static_cast<const Byte*>(one->ScanLine(0))[2 * 3], 0xFF);
  EXPECT_EQ(static_cast<const Byte*>(one->ScanLine(0))[1 * 3], 0x00);
  // 8-bit masks and empty masks draw nothing.
  TVQMask grey;
  grey.AllocateBits(4, 1, 8);
  grey.SetPixel(0, 0, 255);
  grey.DrawXor(one->Canvas(), 0, 0, 4, 1, 0, 0, 4, 1);
  EXPECT_EQ(static_cast<const Byte*>(one->ScanLine(0))[0], 0x00);
}

TEST(MaskChecker, GreysEveryOtherUnselectedPixel) {
  TVQMask m;
  m.AllocateBits(4, 4, 1);
  m.FillPolygons(1, masktest::RectPolygon(0, 0, 2, 2));
  auto b = Canvas24(4, 4, 255);
  m.DrawCheckerOutside(b.get(), 0, 0, 4, 4, 0, 0, 4, 4);
  EXPECT_EQ(Seen(*b, 255), (std::vector<std::string>{"..G.", "...G", "G.G.", ".G.G"}));
  // Offset beyond the bitmap: only what lies in it is painted.
  auto c = Canvas24(3, 3, 255);
  m.DrawCheckerOutside(c.get(), 1, 1, 4, 4, 0, 0, 4, 4);
  EXPECT_EQ(Seen(*c, 255), (std::vector<std::string>{"...", "...", "..."}));
  m.DrawCheckerOutside(c.get(), -2, -2, 4, 4, 0, 0, 4, 4);
  EXPECT_EQ(Seen(*c, 255), (std::vector<std::string>{"G..", ".G.", "..."}));
  TBitmap eight(4, 4, pf8bit);  // only 24-bit bitmaps
  m.DrawCheckerOutside(&eight, 0, 0, 4, 4, 0, 0, 4, 4);
  TVQMask empty;
  empty.AllocateBits(4, 4, 1);
  auto d = Canvas24(4, 4, 255);
  empty.DrawCheckerOutside(d.get(), 0, 0, 4, 4, 0, 0, 4, 4);
  EXPECT_EQ(Seen(*d, 255)[0], "....");
}

}  // namespace

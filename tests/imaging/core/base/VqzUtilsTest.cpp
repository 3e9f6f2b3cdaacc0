#include <limits>
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "imaging/core/base/vqzutils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace {

TEST(BitsAndSizes, MaskBitWidth) {
  const struct {
    std::uint32_t Mask;
    int Width;
  } cases[] = {{240, 4}, {63519, 5}, {0xFFFFFFFFu, 32}, {0, 0}, {0x80000000u, 1}, {0x7C00, 5}, {0x3E0, 5}, {0x1F, 5}};
  for (const auto& c : cases) EXPECT_EQ(MaskBitWidth(c.Mask), c.Width) << c.Mask;
}

TEST(BitsAndSizes, CeilLog2) {
  const struct {
    std::uint32_t Value;
    int Bits;
  } cases[] = {{0, -1}, {1, 0}, {2, 1}, {3, 2}, {5, 3}, {256, 8}, {257, 9}, {0x80000000u, 31}, {0xFFFFFFFFu, 32}};
  for (const auto& c : cases) EXPECT_EQ(CeilLog2(c.Value), c.Bits) << c.Value;
}

TEST(BitsAndSizes, CalcRowLength) {
  const struct {
    Int64 Width;
    int Bits, Align;
    Int64 Length;
  } cases[] = {{3, 24, 32, 12}, {3, 24, 8, 9}, {10, 1, 32, 4}, {33, 1, 32, 8}, {5, 4, 16, 4}, {0, 24, 32, 0},
               // Wider than 32-bit arithmetic could hold.
               {40000LL * 40000LL, 24, 32, 4800000000LL},
               // Any multiple of 8 aligns by the same formula.
               {3, 24, 64, 16}, {5, 8, 24, 6}, {1, 1, 64, 8}};
  for (const auto& c : cases) EXPECT_EQ(CalcRowLength(c.Width, c.Bits, c.Align), c.Length) << c.Width;
}

TEST(BitsAndSizes, CalcRowLengthRefusesAlignmentsThatAreNotWholeBytes) {
  for (int align : {0, -8, 4, 12, 33})
    EXPECT_THROW(CalcRowLength(3, 24, align), EInvalidOperation) << align;
  EXPECT_THROW(CalcRowLength(std::numeric_limits<Int64>::max() / 2, 32, 32), EIntOverflow);
}

TEST(BitsAndSizes, ByteAndBitOrder) {
  EXPECT_EQ(SwapDWord(0x44332211u), 0x11223344u);
  EXPECT_EQ(SwapWord(0x1122), 0x2211);
  std::uint32_t v = 1;
  ReverseBits32(v);
  EXPECT_EQ(v, 0x80000000u);
  v = 0x0000F00Du;
  ReverseBits32(v);
  EXPECT_EQ(v, 0xB00F0000u);
  Byte b = 0x01;
  ReverseByteBits(b);
  EXPECT_EQ(b, 0x80);
  b = 0xC4;
  ReverseByteBits(b);
  EXPECT_EQ(b, 0x23);
}

TEST(BitsAndSizes, ColorCountSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(ColorCount(8, 0), 1);
  EXPECT_EQ(ColorCount(1, 1), 2);
  EXPECT_EQ(ColorCount(8, 3), 16777216);
  EXPECT_EQ(ColorCount(8, 4), 4294967296LL);
  EXPECT_EQ(ColorCount(16, 4), std::numeric_limits<Int64>::max());
}

TEST(Powers, IntPowerAndPower) {
  EXPECT_DOUBLE_EQ(IntPower(2, 10), 1024);
  EXPECT_DOUBLE_EQ(IntPower(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(IntPower(7, 0), 1);
  EXPECT_DOUBLE_EQ(IntPower(2, std::numeric_limits<int>::min()), 0);
  EXPECT_DOUBLE_EQ(Power(0, 3.5), 0);
  EXPECT_DOUBLE_EQ(Power(5, 0), 1);
  EXPECT_DOUBLE_EQ(Power(-2, 3), -8);
  EXPECT_NEAR(Power(2, 0.5), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(Power(10, -1.5), 0.0316227766, 1e-9);
}

TEST(Geometry, RectsIntersectTakesACornersInAnyOrder) {
  EXPECT_TRUE(RectsIntersect(10, 10, 0, 0, 5, 5, 20, 20));
  EXPECT_TRUE(RectsIntersect(0, 0, 5, 5, 5, 5, 9, 9));  // touching corners
  EXPECT_FALSE(RectsIntersect(0, 0, 4, 4, 5, 0, 9, 9));
  EXPECT_FALSE(RectsIntersect(10, 0, 12, 4, 5, 0, 9, 9));
  EXPECT_FALSE(RectsIntersect(5, 20, 6, 10, 0, 0, 9, 9));
}

TEST(Geometry, ClassifyRectInRect) {
  const struct {
    int ix1, iy1, ix2, iy2, Result;
  } cases[] = {
      {2, 2, 8, 8, 2},       // inside
      {5, 5, 15, 15, 1},     // one corner inside
      {-5, 2, 15, 8, 0},     // spans the width: neither side inside
      {-5, -5, 15, 15, 0},   // encloses the outer
      {2, 5, 8, 15, 1},      // both sides in, bottom out
      {20, 20, 30, 30, 0},   // apart
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyRectInRect(0, 0, 10, 10, c.ix1, c.iy1, c.ix2, c.iy2), c.Result);
}

TEST(Geometry, DistanceToSegment) {
  EXPECT_DOUBLE_EQ(DistanceToSegment(0, 5, 0, 0, 10, 0), 5);
  EXPECT_DOUBLE_EQ(DistanceToSegment(50000, 0, 0, 0, 10, 0), 1000000);
  EXPECT_DOUBLE_EQ(DistanceToSegment(13, 4, 0, 0, 10, 0), 5);
  EXPECT_DOUBLE_EQ(DistanceToSegment(-3, -4, 0, 0, 10, 0), 5);
  EXPECT_DOUBLE_EQ(DistanceToSegment(3, 4, 0, 0, 0, 0), 5);
  EXPECT_NEAR(DistanceToSegment(0, 10, 0, 0, 10, 10), std::sqrt(50.0), 1e-12);
}

TEST(Geometry, SnapLineEnd) {
  const struct {
    int ex, ey, wx, wy;
  } cases[] = {
      {5, 100, 0, 100},   // steep: vertical
      {100, 5, 100, 0},   // flat: horizontal
      {50, 40, 50, 50},   // dx>0, dy>0, e>=f: lengthen y
      {40, 50, 50, 50},   // e<f: lengthen x
      {-50, -40, -40, -40},  // dx<0, dy<0, e>=f: shorten x
      {-40, -50, -40, -40},  // e<f: shorten y
      {-50, 40, -50, 50},  // dx<0, dy>=0, e>=f
      {-40, 50, -50, 50},  // e<f
      {50, -40, 50, -50},  // dx>=0, dy<0, e>=f
      {40, -50, 50, -50},  // e<f
  };
  for (const auto& c : cases) {
    int x = c.ex, y = c.ey;
    SnapLineEnd(0, 0, x, y);
    EXPECT_EQ(x, c.wx) << c.ex << "," << c.ey;
    EXPECT_EQ(y, c.wy) << c.ex << "," << c.ey;
  }
}

TEST(Geometry, ScaleToFit) {
  int w = -1, h = -1;
  ScaleToFit(400, 200, 100, 100, w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  ScaleToFit(10, 1000, 100, 100, w, h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 100);
  ScaleToFit(10, 20, 100, 100, w, h);  // enlarges
  EXPECT_EQ(w, 50);
  EXPECT_EQ(h, 100);
  w = h = -7;
  ScaleToFit(0, 20, 100, 100, w, h);
  EXPECT_EQ(w, -7);
}

TEST(FilesAndPlatform, CreateFolderPathMakesMissingParents) {
  const std::string base = GetTempPath() + "vqcore-folders-" + std::to_string(::getpid());
  const std::string deep = base + "/a/b/c/";
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(DirectoryExists(base + "/a/b/c"));
  EXPECT_TRUE(CreateFolderPath(deep));  // existing: nothing to do
  EXPECT_THROW(CreateFolderPath(""), Exception);
  try {
    CreateFolderPath("");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot Create Directory");
  }
  RemoveDir(base + "/a/b/c");
  RemoveDir(base + "/a/b");
  RemoveDir(base + "/a");
  RemoveDir(base);
}

TEST(FilesAndPlatform, GetFileSizeByNameIs64BitAndMinusOneWhenMissing) {
  EXPECT_EQ(GetFileSizeByName("/nonexistent/vqcore"), -1);
  const std::string name = GetTempFileName("", "vqsz");
  ASSERT_FALSE(name.empty());
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("12345", 5);
  }
  EXPECT_EQ(GetFileSizeByName(name), 5);
  DeleteFile(name);
}

TEST(FilesAndPlatform, PlatformQueries) {
  EXPECT_TRUE(IsWindows2000OrMe());
#if defined(__x86_64__)
  EXPECT_TRUE(CpuHasMMX());
#endif
}

TEST(Text, TextToFloatTolerantAcceptsEitherSeparator) {
  EXPECT_DOUBLE_EQ(TextToFloatTolerant("1,5", 0), 1.5);
  EXPECT_DOUBLE_EQ(TextToFloatTolerant("2.25", 0), 2.25);
  EXPECT_DOUBLE_EQ(TextToFloatTolerant(" -3,75 ", 0), -3.75);
  EXPECT_DOUBLE_EQ(TextToFloatTolerant("abc", 7.5), 7.5);
  EXPECT_DOUBLE_EQ(TextToFloatTolerant("", -1), -1);
  EXPECT_DOUBLE_EQ(TextToFloatTolerant("1,2,3", 9), 9);
}

TEST(Colour, RGBToLabGivesStandardD65Values) {
  // Reference CIE L*a*b* (D65) values of sRGB primaries, L* scaled by 255/100.
  const struct {
    std::uint32_t Rgb;
    TCIELab Lab;
  } cases[] = {
      {0xFFFFFF, {255, 0, 0}},
      {0x000000, {0, 0, 0}},
      {0xFF0000, {136, 80, 67}},     // L* 53.24, a* 80.09, b* 67.20
      {0x00FF00, {224, -86, 83}},    // L* 87.73, a* -86.18, b* 83.18
      {0x0000FF, {82, 79, -108}},    // L* 32.30, a* 79.19, b* -107.86
      {0x808080, {137, 0, 0}},       // L* 53.59
  };
  for (const auto& c : cases) {
    const TCIELab lab = RGBToLab(c.Rgb);
    EXPECT_EQ(lab.L, c.Lab.L) << std::hex << c.Rgb;
    EXPECT_EQ(lab.a, c.Lab.a) << std::hex << c.Rgb;
    EXPECT_EQ(lab.b, c.Lab.b) << std::hex << c.Rgb;
  }
}

TEST(Colour, LabToRGBInvertsRGBToLab) {
  // 8-bit Lab is coarse near the gamut's edge, so the inverse is checked in
  // Lab: going back to RGB and again to Lab lands on the same cell or next to it.
  int worst = 0;
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) {
        const std::uint32_t rgb = (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
        const TCIELab lab = RGBToLab(rgb);
        const TCIELab again = RGBToLab(LabToRGB(lab));
        worst = std::max({worst, std::abs(lab.L - again.L), std::abs(lab.a - again.a), std::abs(lab.b - again.b)});
      }
  EXPECT_LE(worst, 1);
  // Greys come back within a level.
  for (int v = 0; v < 256; v += 17) {
    const std::uint32_t grey = std::uint32_t(v) * 0x010101u;
    const std::uint32_t back = LabToRGB(RGBToLab(grey));
    for (int shift : {0, 8, 16}) EXPECT_LE(std::abs(int((back >> shift) & 0xFF) - v), 1) << v;
  }
  EXPECT_EQ(LabToRGB(TCIELab{255, 0, 0}), 0xFFFFFFu);
  EXPECT_EQ(LabToRGB(TCIELab{0, 0, 0}), 0x000000u);
}

TEST(Curves, BezierPoints) {
  const TPoint p0{0, 0}, p1{0, 100}, p2{100, 100}, p3{100, 0};
  const auto one = BezierPoints(p0, p1, p2, p3, 1);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], p3);
  const auto four = BezierPoints(p0, p1, p2, p3, 4);
  // t = 1/4: x = 3 t^2 (1-t) 100 + t^3 100 = 15.625, y = 3 t (1-t) 100 = 56.25.
  ASSERT_EQ(four.size(), 4u);
  EXPECT_EQ(four[0], (TPoint{16, 56}));
  EXPECT_EQ(four[1], (TPoint{50, 75}));
  EXPECT_EQ(four[2], (TPoint{84, 56}));
  EXPECT_EQ(four[3], p3);
  EXPECT_TRUE(BezierPoints(p0, p1, p2, p3, 0).empty());
  EXPECT_EQ(ChooseInt(true, 1, 2), 1);
  EXPECT_EQ(ChooseInt(false, 1, 2), 2);
}

TEST(ViewParams, Defaults) {
  const TVQScrollBarParams s;
  EXPECT_EQ(s.LineStep, -1);
  EXPECT_EQ(s.PageStep, -1);
  EXPECT_TRUE(s.Tracking);
  const TVQMouseWheelParams m;
  EXPECT_FALSE(m.Invert);
  EXPECT_EQ(m.Action, 2);
  EXPECT_EQ(m.StepKind, 1);
  EXPECT_EQ(m.Step, 8);
  EXPECT_FALSE(m.ZoomAtCursor);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

TEST(BitBlt, TernaryRopsFollowTheirTruthTables) {
  const DWORD S = RGB(0x0F, 0x33, 0xC5), D = RGB(0xF0, 0x5A, 0x3C), P = RGB(0x66, 0xAA, 0x0F), m = 0xFFFFFF;
  struct Case {
    DWORD rop;
    DWORD expected;
  };
  const Case cases[] = {
      {SRCCOPY, S},
      {SRCPAINT, S | D},
      {SRCAND, S & D},
      {SRCINVERT, S ^ D},
      {SRCERASE, S & ~D & m},
      {NOTSRCCOPY, ~S & m},
      {NOTSRCERASE, ~(S | D) & m},
      {MERGECOPY, P & S},
      {MERGEPAINT, (~S | D) & m},
      {PATCOPY, P},
      {PATPAINT, (P | ~S | D) & m},
      {PATINVERT, P ^ D},
      {DSTINVERT, ~D & m},
      {BLACKNESS, 0},
      {WHITENESS, m},
      {0x00B8074A, (S & D) | (~S & P & m)},  // where S is set take D, else P
      {0x00E20746, (S & P) | (~S & D & m)},  // where S is set take P, else D
  };
  TestCanvas src(1, 1, S);
  for (const Case& k : cases) {
    TestCanvas dst(2, 1, D);
    HBRUSH b = CreateSolidBrush(P);
    HGDIOBJ old = SelectObject(dst.dc, b);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, k.rop)) << std::hex << k.rop;
    EXPECT_EQ(dst.At(0, 0), k.expected) << std::hex << k.rop;
    EXPECT_EQ(dst.At(1, 0), D) << std::hex << k.rop;
    SelectObject(dst.dc, old);
    DeleteObject(b);
  }
}

TEST(BitBlt, MonochromeSourceTakesTextAndBackgroundColours) {
  const Byte bits[] = {0xA0, 0x00};  // 1 0 1 0 ... rows padded to 2 bytes
  HBITMAP mono = CreateBitmap(4, 1, 1, 1, bits);
  ASSERT_NE(mono, nullptr);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mdc, mono);
  TestCanvas dst(4, 1);
  SetTextColor(dst.dc, RGB(255, 0, 0));
  SetBkColor(dst.dc, RGB(0, 0, 255));
  BitBlt(dst.dc, 0, 0, 4, 1, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), RGB(0, 0, 255));  // 1 -> background
  EXPECT_EQ(dst.At(1, 0), RGB(255, 0, 0));  // 0 -> text
  EXPECT_EQ(dst.At(2, 0), RGB(0, 0, 255));
  EXPECT_EQ(dst.At(3, 0), RGB(255, 0, 0));
  SelectObject(mdc, old);
  DeleteObject(mono);
  DeleteDC(mdc);
}

TEST(BitBlt, ColourToMonochromeMarksTheSourceBackgroundColour) {
  TestCanvas src(4, 1, RGB(0, 128, 0));
  src.Set(1, 0, RGB(1, 2, 3));
  src.Set(3, 0, RGB(255, 255, 255));
  SetBkColor(src.dc, RGB(0, 128, 0));
  HDC mdc = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(mdc, 4, 1);  // a fresh memory DC is monochrome
  BITMAP bm;
  GetObject(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  HGDIOBJ old = SelectObject(mdc, mono);
  BitBlt(mdc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY);
  Byte out[2] = {};
  EXPECT_EQ(GetBitmapBits(mono, 2, out), 2);
  EXPECT_EQ(out[0] & 0xF0, 0xA0);  // green -> 1, others (even white) -> 0
  SelectObject(mdc, old);
  DeleteObject(mono);
  DeleteDC(mdc);
}

TEST(BitBlt, SourceOutsideItsBitmapLeavesTheDestination) {
  TestCanvas src(4, 4, RGB(0, 0, 0));
  TestCanvas dst(6, 6);
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 6, 6, src.dc, -2, 1, SRCCOPY));
  // Source columns -2..3 and rows 1..6: only x 2..5, y 0..2 exist.
  EXPECT_EQ(dst.Picture(), Rows({"..####", "..####", "..####", "......", "......", "......"}));
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 6, 6, src.dc, 1000000, -1000000, SRCCOPY));
  EXPECT_TRUE(BitBlt(dst.dc, 2000000000, 2000000000, 100, 100, src.dc, 0, 0, SRCCOPY));
}

TEST(BitBlt, OverlappingCopyWithinOneSurfaceReadsBeforeWriting) {
  TestCanvas c(6, 1);
  for (int x = 0; x < 6; ++x) c.Set(x, 0, RGB(x, 0, 0));
  BitBlt(c.dc, 1, 0, 5, 1, c.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(c.At(x, 0), RGB(x - 1, 0, 0));
}

TEST(BitBlt, KeepsAlphaOfThirtyTwoBitPixels) {
  TestCanvas src(1, 1);
  src.Set(0, 0, RGB(10, 20, 30), 77);
  TestCanvas dst(1, 1);
  BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(dst.AlphaAt(0, 0), 77);
}

TEST(BitBlt, BadHandlesFail) {
  TestCanvas c(2, 2);
  int junk = 0;
  EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, c.dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(c.dc, 0, 0, 1, 1, reinterpret_cast<HDC>(&junk), 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(c.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(PatBlt(c.dc, 0, 0, 1, 1, BLACKNESS));
  EXPECT_FALSE(PatBlt(c.dc, 0, 0, 1, 1, SRCCOPY));
}

TEST(PatBlt, HonoursClipAndNegativeSizes) {
  TestCanvas c(4, 4);
  IntersectClipRect(c.dc, 1, 1, 3, 3);
  PatBlt(c.dc, 4, 4, -4, -4, BLACKNESS);
  EXPECT_EQ(c.Picture(), Rows({"....", ".##.", ".##.", "...."}));
}

TEST(StretchBlt, NearestKeepsAndDropsWholePixels) {
  TestCanvas src(4, 1);
  for (int x = 0; x < 4; ++x) src.Set(x, 0, RGB(10 * (x + 1), 0, 0));
  TestCanvas up(8, 1), down(2, 1), mirrored(4, 1);
  SetStretchBltMode(up.dc, COLORONCOLOR);
  SetStretchBltMode(down.dc, COLORONCOLOR);  // the default BLACKONWHITE combines what it drops
  StretchBlt(up.dc, 0, 0, 8, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(up.At(x, 0), RGB(10 * (x / 2 + 1), 0, 0)) << x;
  // Shrinking steps from the first pixel: 0 and 2.
  StretchBlt(down.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(down.At(0, 0), RGB(10, 0, 0));
  EXPECT_EQ(down.At(1, 0), RGB(30, 0, 0));
  StretchBlt(mirrored.dc, 3, 0, -4, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(mirrored.At(x, 0), RGB(10 * (4 - x), 0, 0)) << x;
}

TEST(StretchBlt, ColorOnColorShrinkPicksSourcePixelsByGdiStepping) {
  // Destination pixel i takes source pixel floor(i * src / dst + 1/2): the
  // only simple rule giving both of GDI's known picks below.
  struct Case {
    int src;
    std::vector<int> picked;
  };
  const Case cases[] = {
      {4, {0, 2}},
      {10, {0, 3, 5, 8}},
  };
  for (const Case& k : cases) {
    const int n = int(k.picked.size());
    for (bool vertical : {false, true}) {
      TestCanvas src(vertical ? 1 : k.src, vertical ? k.src : 1);
      for (int i = 0; i < k.src; ++i) src.Set(vertical ? 0 : i, vertical ? i : 0, RGB(10 * (i + 1), 0, 0));
      TestCanvas dst(vertical ? 1 : n, vertical ? n : 1);
      SetStretchBltMode(dst.dc, COLORONCOLOR);
      ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, dst.width, dst.height, src.dc, 0, 0, src.width, src.height, SRCCOPY));
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(dst.At(vertical ? 0 : i, vertical ? i : 0), RGB(10 * (k.picked[size_t(i)] + 1), 0, 0))
            << k.src << " to " << n << (vertical ? " rows" : " columns") << ", pixel " << i;
    }
  }
}

TEST(StretchBlt, MirrorsVerticallyWithNegativeSourceHeight) {
  TestCanvas src(1, 3);
  for (int y = 0; y < 3; ++y) src.Set(0, y, RGB(0, 50 * y, 0));
  TestCanvas dst(1, 3);
  // A negative extent counts back from and including its start.
  StretchBlt(dst.dc, 0, 0, 1, 3, src.dc, 0, 2, 1, -3, SRCCOPY);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(dst.At(0, y), RGB(0, 50 * (2 - y), 0));
}

// Exact area average of a source block for output pixel (ox, oy), computed
// with real numbers from the overlap of the pixel squares.
COLORREF ReferenceAverage(const TestCanvas& src, int sw, int sh, int dw, int dh, int ox, int oy) {
  const double x0 = double(ox) * sw / dw, x1 = double(ox + 1) * sw / dw;
  const double y0 = double(oy) * sh / dh, y1 = double(oy + 1) * sh / dh;
  double sum[3] = {}, area = 0;
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) {
      double wx = std::max(0.0, std::min(x1, x + 1.0) - std::max(x0, double(x)));
      double wy = std::max(0.0, std::min(y1, y + 1.0) - std::max(y0, double(y)));
      double w = wx * wy;
      if (w <= 0) continue;
      COLORREF c = src.At(x, y);
      sum[0] += w * GetRValue(c);
      sum[1] += w * GetGValue(c);
      sum[2] += w * GetBValue(c);
      area += w;
    }
  auto ch = [&](int i) { return int(std::floor(sum[i] / area + 0.5)); };
  return RGB(ch(0), ch(1), ch(2));
}

TEST(StretchBlt, HalftoneShrinkAveragesTheCoveredArea) {
  struct Case {
    int sw, sh, dw, dh;
  };
  const Case cases[] = {{6, 4, 2, 2}, {5, 3, 2, 2}, {7, 5, 3, 2}, {9, 9, 4, 9}};
  std::mt19937 rng(1234);
  for (const Case& k : cases) {
    TestCanvas src(k.sw, k.sh);
    for (int y = 0; y < k.sh; ++y)
      for (int x = 0; x < k.sw; ++x) src.Set(x, y, RGB(rng() & 255, rng() & 255, rng() & 255));
    TestCanvas dst(k.dw, k.dh);
    SetStretchBltMode(dst.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, k.dw, k.dh, src.dc, 0, 0, k.sw, k.sh, SRCCOPY));
    for (int y = 0; y < k.dh; ++y)
      for (int x = 0; x < k.dw; ++x)
        EXPECT_EQ(dst.At(x, y), ReferenceAverage(src, k.sw, k.sh, k.dw, k.dh, x, y))
            << k.sw << "x" << k.sh << "->" << k.dw << "x" << k.dh << " at " << x << "," << y;
  }
}

TEST(StretchBlt, HalftoneEnlargeInterpolatesBetweenPixelCentres) {
  TestCanvas src(2, 1);
  src.Set(0, 0, RGB(0, 0, 0));
  src.Set(1, 0, RGB(255, 255, 255));
  TestCanvas dst(4, 1);
  SetStretchBltMode(dst.dc, HALFTONE);
  StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  // Centres fall at source -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
  EXPECT_EQ(GetRValue(dst.At(0, 0)), 0);
  EXPECT_EQ(GetRValue(dst.At(1, 0)), 64);   // 63.75
  EXPECT_EQ(GetRValue(dst.At(2, 0)), 191);  // 191.25
  EXPECT_EQ(GetRValue(dst.At(3, 0)), 255);
}

TEST(StretchDIBits, OneBitMaskInvertsWhereSetCountingRowsFromTheBottom) {
  // 2x2 bottom-up: bottom row "10", top row "01".
  struct {
    BITMAPINFO bi;
  } info;
  info.bi.bmiHeader.biWidth = 2;
  info.bi.bmiHeader.biHeight = 2;
  info.bi.bmiHeader.biBitCount = 1;
  info.bi.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  info.bi.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  const Byte bits[8] = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
  TestCanvas c(4, 4, RGB(10, 20, 30));
  // Source rows from 0 (bottom) upward: whole picture, doubled.
  EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 4, 4, 0, 0, 2, 2, bits, &info.bi, DIB_RGB_COLORS, SRCINVERT), 2);
  const COLORREF inv = RGB(245, 235, 225), same = RGB(10, 20, 30);
  EXPECT_EQ(c.At(0, 0), same);
  EXPECT_EQ(c.At(3, 0), inv);  // top row "01"
  EXPECT_EQ(c.At(0, 3), inv);  // bottom row "10"
  EXPECT_EQ(c.At(3, 3), same);
}

TEST(TransparentBlt, SkipsTheKeyColourAndStretches) {
  TestCanvas src(2, 1, RGB(255, 0, 255));
  src.Set(1, 0, RGB(0, 0, 255));
  TestCanvas dst(4, 2, RGB(0, 255, 0));
  EXPECT_TRUE(TransparentBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, RGB(255, 0, 255)));
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(dst.At(0, y), RGB(0, 255, 0));
    EXPECT_EQ(dst.At(1, y), RGB(0, 255, 0));
    EXPECT_EQ(dst.At(2, y), RGB(0, 0, 255));
    EXPECT_EQ(dst.At(3, y), RGB(0, 0, 255));
  }
  EXPECT_FALSE(TransparentBlt(dst.dc, 0, 0, -4, 2, src.dc, 0, 0, 2, 1, 0));
}

TEST(AlphaBlend, PremultipliedSourceOver) {
  TestCanvas src(1, 1);
  src.Set(0, 0, RGB(100, 50, 0), 128);  // premultiplied: colour <= alpha
  TestCanvas dst(1, 1, RGB(200, 200, 200));
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  EXPECT_TRUE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bf));
  // d = s + d * (255 - 128) / 255 = s + 99.6
  EXPECT_EQ(dst.At(0, 0), RGB(200, 150, 100));
}

TEST(AlphaBlend, ConstantAlphaAlsoScalesPremultipliedSource) {
  TestCanvas src(1, 1);
  src.Set(0, 0, RGB(255, 255, 255), 255);
  TestCanvas dst(1, 1, RGB(0, 0, 0));
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 51, AC_SRC_ALPHA};
  AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bf);
  EXPECT_EQ(dst.At(0, 0), RGB(51, 51, 51));
}

TEST(AlphaBlend, ConstantAlphaMixesColours) {
  TestCanvas src(1, 1, RGB(255, 0, 0));
  TestCanvas dst(1, 1, RGB(0, 0, 255));
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 128, 0};
  AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bf);
  EXPECT_EQ(dst.At(0, 0), RGB(128, 0, 127));
}

TEST(AlphaBlend, FullyTransparentPixelsLeaveDestination) {
  TestCanvas src(2, 1);
  src.Set(0, 0, RGB(0, 0, 0), 0);
  src.Set(1, 0, RGB(9, 9, 9), 255);
  TestCanvas dst(2, 1, RGB(40, 50, 60));
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 2, 1, bf);
  EXPECT_EQ(dst.At(0, 0), RGB(40, 50, 60));
  EXPECT_EQ(dst.At(1, 0), RGB(9, 9, 9));
}

TEST(GradientFill, HorizontalAndVerticalRectangles) {
  TRIVERTEX v[2];
  v[0] = TRIVERTEX{0, 0, 0x0000, 0x0000, 0xFF00, 0};
  v[1] = TRIVERTEX{4, 2, 0xFF00, 0x0000, 0x0000, 0};
  GRADIENT_RECT r{0, 1};
  TestCanvas h(4, 2), vv(4, 2);
  EXPECT_TRUE(GradientFill(h.dc, v, 2, &r, 1, GRADIENT_FILL_RECT_H));
  // Colour at the left edge of each column, channels 0xFF00 * k / 4 >> 8.
  const COLORREF expected[4] = {RGB(0, 0, 255), RGB(63, 0, 191), RGB(127, 0, 127), RGB(191, 0, 63)};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(h.At(x, 0), expected[x]) << x;
    EXPECT_EQ(h.At(x, 1), expected[x]) << x;
  }
  EXPECT_TRUE(GradientFill(vv.dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(vv.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(vv.At(3, 1), RGB(127, 0, 127));
  GRADIENT_RECT bad{0, 7};
  EXPECT_FALSE(GradientFill(h.dc, v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
}

TEST(GradientFill, TriangleCoversPixelCentresInside) {
  TRIVERTEX v[3] = {{0, 0, 0xFF00, 0, 0, 0}, {4, 0, 0xFF00, 0, 0, 0}, {0, 4, 0xFF00, 0, 0, 0}};
  GRADIENT_TRIANGLE t{0, 1, 2};
  TestCanvas c(4, 4);
  GradientFill(c.dc, v, 3, &t, 1, GRADIENT_FILL_TRIANGLE);
  EXPECT_EQ(c.Picture(RGB(255, 0, 0)), Rows({"###.", "##..", "#...", "...."}));
}

TEST(MaskBlt, ForegroundWhereMaskIsSetBackgroundElsewhere) {
  TestCanvas src(4, 1, RGB(0, 0, 255));
  TestCanvas dst(4, 1, RGB(0, 255, 0));
  const Byte bits[2] = {0x50, 0};  // 0 1 0 1
  HBITMAP mask = CreateBitmap(4, 1, 1, 1, bits);
  EXPECT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
  EXPECT_EQ(dst.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(dst.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(dst.At(2, 0), RGB(0, 255, 0));
  EXPECT_EQ(dst.At(3, 0), RGB(0, 0, 255));
  DeleteObject(mask);
}

TEST(Blits, HugeRectanglesCostOnlyTheVisiblePart) {
  TestCanvas src(2, 2, RGB(0, 0, 255));
  src.Set(0, 0, RGB(255, 0, 0));
  TestCanvas c(4, 4);
  EXPECT_TRUE(PatBlt(c.dc, -1000000000, -1000000000, 2000000000, 2000000000, BLACKNESS));
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 0));
  for (int mode : {COLORONCOLOR, HALFTONE}) {
    SetStretchBltMode(c.dc, mode);
    EXPECT_TRUE(StretchBlt(c.dc, 0, 0, 2000000000, 2000000000, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0)) << mode;
    EXPECT_EQ(c.At(3, 3), RGB(255, 0, 0)) << mode;  // all inside the first source pixel
  }
  EXPECT_TRUE(TransparentBlt(c.dc, 0, 0, 2000000000, 2000000000, src.dc, 0, 0, 2, 2, RGB(1, 1, 1)));
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, 0};
  EXPECT_TRUE(AlphaBlend(c.dc, -2000000000, 0, 2000000000, 4, src.dc, 0, 0, 2, 2, bf));
  EXPECT_FALSE(StretchBlt(c.dc, 0, 0, 4, 4, src.dc, 0, 0, 0, 2, SRCCOPY));
}

// A source rectangle two billion pixels long on a 3 x 3 surface. Only the
// destination rows (columns) whose centre's source pixel exists are drawn;
// the one that is gathers a span of the source whose pixels past the
// surface read as its edge, so it is what the edge row (column) alone
// gives, and only the surface's pixels are read, not the span.
TEST(Blits, HugeSourcesCostOnlyThePixelsThatExist) {
  TestCanvas tall(3, 3), wide(3, 3);
  const COLORREF colours[3] = {RGB(200, 30, 10), RGB(20, 180, 60), RGB(40, 70, 250)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      tall.Set(x, y, colours[x]);  // every row alike
      wide.Set(x, y, colours[y]);  // every column alike
    }
  const COLORREF untouched = RGB(255, 255, 255);
  for (int mode : {BLACKONWHITE, WHITEONBLACK, HALFTONE}) {
    SCOPED_TRACE(mode);
    // The one drawn row (column): the edge row (column) scaled alone.
    TestCanvas row(4, 1), column(1, 4);
    SetStretchBltMode(row.dc, mode);
    SetStretchBltMode(column.dc, mode);
    ASSERT_TRUE(StretchBlt(row.dc, 0, 0, 4, 1, tall.dc, 0, 2, 3, 1, SRCCOPY));
    ASSERT_TRUE(StretchBlt(column.dc, 0, 0, 1, 4, wide.dc, 2, 0, 1, 3, SRCCOPY));
    struct TCase {
      const char* what;
      int y, h;
      HDC src;
      int sw, sh;
      int drawnRow, drawnColumn;  // -1: not that way
    } cases[] = {
        {"tall", 0, 4, tall.dc, 3, 2000000000, 0, -1},
        {"tall, drawn upside down", 3, -4, tall.dc, 3, 2000000000, 3, -1},
        {"wide", 0, 4, wide.dc, 2000000000, 3, -1, 0},
    };
    for (const TCase& k : cases) {
      SCOPED_TRACE(k.what);
      TestCanvas c(4, 4, untouched);
      SetStretchBltMode(c.dc, mode);
      ASSERT_TRUE(StretchBlt(c.dc, 0, k.y, 4, k.h, k.src, 0, 0, k.sw, k.sh, SRCCOPY));
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
          const COLORREF expected = y == k.drawnRow      ? row.At(x, 0)
                                    : x == k.drawnColumn ? column.At(0, y)
                                                         : untouched;
          EXPECT_EQ(c.At(x, y), expected) << x << "," << y;
        }
    }
  }
}

TEST(PatBlt, HatchPatternMatchesFillRectAndFollowsTheBrushOrigin) {
  HBRUSH b = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
  TestCanvas fill(16, 16), pat(16, 16);
  for (TestCanvas* c : {&fill, &pat}) {
    SetBrushOrgEx(c->dc, 3, 5, nullptr);
    SelectObject(c->dc, b);
  }
  RECT r{1, 2, 15, 13};
  FillRect(fill.dc, &r, b);
  PatBlt(pat.dc, 1, 2, 14, 11, PATCOPY);
  EXPECT_EQ(pat.Picture(), fill.Picture());
  EXPECT_NE(pat.Picture().find('#'), std::string::npos);
  for (TestCanvas* c : {&fill, &pat}) SelectObject(c->dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(b);
}

}  // namespace

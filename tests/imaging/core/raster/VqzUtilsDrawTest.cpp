#include <gtest/gtest.h>

#include "imaging/core/raster/vqzutils_draw.h"
#include "platform/graphics/Graphics.h"

namespace {

constexpr TColor kBack = 0x00123456;

std::unique_ptr<TBitmap> Canvas24(int w, int h) {
  auto bmp = std::make_unique<TBitmap>(w, h, pf24bit);
  bmp->Canvas()->Brush()->SetColor(kBack);
  bmp->Canvas()->FillRect(TRect{0, 0, w, h});
  return bmp;
}

TColor G(int g) { return TColor(g | (g << 8) | (g << 16)); }

TEST(FrameworkPixelFormat, BitsPerPixel) {
  const struct {
    TPixelFormat F;
    int Bits;
  } cases[] = {{pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf15bit, 15}, {pf16bit, 16},
               {pf24bit, 24}, {pf32bit, 32}, {pfDevice, 0}, {pfCustom, 0}};
  for (const auto& c : cases) EXPECT_EQ(FrameworkPixelFormatBits(c.F), c.Bits);
}

TEST(Drawing, BevelRectLeavesOutLineEnds) {
  auto bmp = Canvas24(5, 5);
  TCanvas& c = *bmp->Canvas();
  DrawBevelRect(c, 0, 0, 4, 4, clRed, clBlue);
  EXPECT_EQ(c.Pixels(0, 0), clRed);
  EXPECT_EQ(c.Pixels(3, 0), clRed);
  EXPECT_EQ(c.Pixels(0, 3), clRed);
  EXPECT_EQ(c.Pixels(4, 0), kBack);  // end point of the top edge
  EXPECT_EQ(c.Pixels(0, 4), clBlue);  // the bottom edge starts there
  EXPECT_EQ(c.Pixels(4, 4), clBlue);
  EXPECT_EQ(c.Pixels(4, 1), clBlue);
  EXPECT_EQ(c.Pixels(2, 2), kBack);
}

TEST(Drawing, ShadowRightKind1FillsBelowTheSquareTop) {
  auto bmp = Canvas24(8, 10);
  TCanvas& c = *bmp->Canvas();
  c.Brush()->SetColor(clGreen);
  DrawShadowRight(c, 2, 0, 4, 8, 1);  // w = 3: fills (2,3)-(4,9) exclusive
  EXPECT_EQ(c.Pixels(2, 2), kBack);
  EXPECT_EQ(c.Pixels(2, 3), clGreen);
  EXPECT_EQ(c.Pixels(3, 8), clGreen);
  EXPECT_EQ(c.Pixels(4, 3), kBack);
  EXPECT_EQ(c.Pixels(2, 9), kBack);
}

TEST(Drawing, ShadowRightKind2DrawsAFadingRamp) {
  auto bmp = Canvas24(6, 14);
  TCanvas& c = *bmp->Canvas();
  DrawShadowRight(c, 0, 0, 3, 11, 2);  // w = 4; column i runs from y 4 to 11 + i - 1 + 1
  // e^(i/4) / e x 255, truncated: 93, 120, 154, 198.
  const int grey[4] = {93, 120, 154, 198};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c.Pixels(i, 3), kBack) << i;
    EXPECT_EQ(c.Pixels(i, 4), G(grey[i])) << i;
    EXPECT_EQ(c.Pixels(i, 11 - 4 + i + 2), G(grey[i])) << i;
    EXPECT_EQ(c.Pixels(i, 11 - 4 + i + 3), kBack) << i;
  }
}

TEST(Drawing, ShadowRightKind3FadesDownAndCutsTheCorner) {
  auto bmp = Canvas24(4, 6);
  TCanvas& c = *bmp->Canvas();
  DrawShadowRight(c, 0, 0, 1, 3, 3);  // w = 2, h = 4
  // Rows j = 0..4, columns i = start..2; the row's fade is g((4 - 3j) / 4):
  // 255, 120, 56, 26, 12 and the column ramp g(i / 2): 93, 154, 255.
  const int want[5][3] = {{255, 255, 255}, {120, 154, 255}, {93, 154, 255}, {93, 154, 255}, {-1, 154, 255}};
  for (int j = 0; j < 5; ++j)
    for (int i = 0; i < 3; ++i) EXPECT_EQ(c.Pixels(i, j), want[j][i] < 0 ? kBack : G(want[j][i])) << i << "," << j;
  EXPECT_EQ(c.Pixels(3, 0), kBack);
}

TEST(Drawing, ShadowBottomMirrorsTheRightShadow) {
  auto right = Canvas24(6, 6);
  auto bottom = Canvas24(6, 6);
  DrawShadowRight(*right->Canvas(), 0, 0, 1, 3, 3);
  DrawShadowBottom(*bottom->Canvas(), 0, 0, 3, 1, 3);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(right->Canvas()->Pixels(x, y), bottom->Canvas()->Pixels(y, x)) << x << "," << y;
  auto r2 = Canvas24(14, 14);
  auto b2 = Canvas24(14, 14);
  DrawShadowRight(*r2->Canvas(), 0, 0, 3, 11, 2);
  DrawShadowBottom(*b2->Canvas(), 0, 0, 11, 3, 2);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x) EXPECT_EQ(r2->Canvas()->Pixels(x, y), b2->Canvas()->Pixels(y, x)) << x << "," << y;
}

}  // namespace

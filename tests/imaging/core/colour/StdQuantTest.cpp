// The variance split: boxes of a 5-bit-per-channel histogram.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imaging/core/colour/stdquant.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"
#include "tests/imaging/core/ColourTestSupport.h"

using namespace bitmaptest;
using namespace colourtest;

namespace {

TEST(StdQuant, TwoColoursAskedSixteenMakeTwoBoxes) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
    SCOPED_TRACE(LocationName(l));
    auto b = ColourPicture(
        l, 2, 2, {ColourRGB(0, 0, 0), ColourRGB(255, 255, 255), ColourRGB(255, 255, 255), ColourRGB(0, 0, 0)});
    VarianceQuantizer q(*b, 16);
    ASSERT_EQ(q.BoxCount(), 2);
    // Box 0's red axis: mean 15.5, search 8..24, the first best cut 8, so
    // the halves are cells 0 and 31 on every axis.
    EXPECT_EQ(q.Box(0).Upper[0], 1);
    EXPECT_EQ(q.Box(1).Lower[0], 31);
    EXPECT_EQ(q.Box(0).Count, 2);
    EXPECT_EQ(q.Box(1).Count, 2);
    TRGBPixel palette[16];
    for (TRGBPixel& p : palette) p = ColourRGB(1, 2, 3);
    q.WritePalette(palette);
    EXPECT_EQ(palette[0], ColourRGB(0, 0, 0));
    EXPECT_EQ(palette[1], ColourRGB(248, 248, 248));  // mean cell 31 x 8
    for (int i = 2; i < 16; ++i) EXPECT_EQ(palette[i], ColourRGB(1, 2, 3)) << i;
    EXPECT_EQ(q.Lookup(0x000000), 0);
    EXPECT_EQ(q.Lookup(0xFFFFFF), 1);
    EXPECT_EQ(q.Lookup(0xF8F8F8), 1);
  }
}

TEST(StdQuant, BoxStatisticsAreThoseOfTheCells) {
  // Red cells 0, 0, 2 and 4 (red 0, 7, 16, 39); green and blue 0.
  auto b = ColourPicture(vqMemoryBuffer, 4, 1,
                         {ColourRGB(0, 0, 0), ColourRGB(7, 0, 0), ColourRGB(16, 0, 0), ColourRGB(39, 0, 0)});
  VarianceQuantizer q(*b, 1);
  ASSERT_EQ(q.BoxCount(), 1);
  // mean = 6 / 4 = 1.5; error = (0 + 0 + 4 + 16 - 1.5^2 x 4) / 4 = 2.75.
  EXPECT_DOUBLE_EQ(q.Box(0).Mean[0], 1.5);
  EXPECT_DOUBLE_EQ(q.Box(0).Error, 2.75);
  TRGBPixel palette[1];
  q.WritePalette(palette);
  EXPECT_EQ(palette[0], ColourRGB(16, 0, 0));  // Round(1.5) = 2 (half to even), x 8
}

TEST(StdQuant, EveryColourMapsToTheBoxHoldingItsCell) {
  std::mt19937 rng(9);
  std::vector<TRGBPixel> pixels(50 * 30);
  for (TRGBPixel& p : pixels) p = ColourRGB(Byte(rng()), Byte(rng()), Byte(rng()));
  auto b = ColourPicture(vqMemoryBuffer, 50, 30, pixels);
  VarianceQuantizer q(*b, 40);
  ASSERT_EQ(q.BoxCount(), 40);
  for (const TRGBPixel& p : pixels) {
    const std::uint32_t c = (std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b;
    const int i = q.Lookup(c);
    const VarianceBox& box = q.Box(i);
    const int cell[3] = {p.r >> 3, p.g >> 3, p.b >> 3};
    for (int a = 0; a < 3; ++a) {
      EXPECT_GE(cell[a], box.Lower[a]);
      EXPECT_LT(cell[a], box.Upper[a]);
    }
  }
  // The boxes share out every pixel.
  Int64 total = 0;
  for (int i = 0; i < q.BoxCount(); ++i) total += q.Box(i).Count;
  EXPECT_EQ(total, 1500);
}

TEST(StdQuant, TheHistogramIsTheSameForAnyThreadCount) {
  std::mt19937 rng(4);
  std::vector<TRGBPixel> pixels(70 * 41);
  for (TRGBPixel& p : pixels) p = ColourRGB(Byte(rng()), Byte(rng() & 0xF0), Byte(rng()));
  std::vector<std::vector<TRGBPixel>> palettes;
  for (int threads : {1, 2, 3, 8}) {
    SetParallelThreadCount(threads);
    auto b = ColourPicture(vqMemoryBuffer, 70, 41, pixels);
    VarianceQuantizer q(*b, 100);
    std::vector<TRGBPixel> palette(256);
    q.WritePalette(palette.data());
    palettes.push_back(palette);
  }
  SetParallelThreadCount(0);
  for (std::size_t i = 1; i < palettes.size(); ++i) EXPECT_TRUE(palettes[i] == palettes[0]);
}

}  // namespace

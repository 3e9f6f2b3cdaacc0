// TVQQuantizer: its choice of method, the exact table, the grey ramp, the
// source palette, NeuQuant, QuantizeBitmap and NearestPaletteIndex.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/colour/neurquant.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"
#include "tests/imaging/core/ColourTestSupport.h"

using namespace bitmaptest;
using namespace colourtest;

namespace {

// n distinct colours, none of them grey, each used twice (second half
// repeats the first).
std::vector<TRGBPixel> NqDistinctColours(int n) {
  std::vector<TRGBPixel> v;
  for (int i = 0; i < n; ++i) v.push_back(ColourRGB(Byte(i), Byte(255 - i), Byte(i * 7 + 1)));
  for (int i = 0; i < n; ++i) v.push_back(v[std::size_t(i)]);
  return v;
}

std::vector<TRGBPixel> NqNoise(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<TRGBPixel> v(static_cast<std::size_t>(n));
  for (TRGBPixel& p : v) p = ColourRGB(Byte(rng()), Byte(rng()), Byte(rng()));
  return v;
}

TEST(NeurQuant, SampleFactorTable) {
  struct Case {
    Int64 pixels;
    int factor;
  };
  const Case cases[] = {{0, 1},     {1999, 1},  {2000, 2},     {150000, 15},
                        {10000, 3}, {21000, 4}, {1000000, 30}, {24000000, 30}};
  for (const Case& c : cases) EXPECT_EQ(NeuQuantSampleFactor(c.pixels), c.factor) << c.pixels;
}

TEST(NeurQuant, ExactlyNColoursKeepThemInOrderOfAppearance) {
  for (int n : {2, 16, 127, 128, 256}) {
    SCOPED_TRACE(n);
    const auto pixels = NqDistinctColours(n);
    auto b = ColourPicture(vqMemoryBuffer, n, 2, pixels);
    std::vector<TRGBPixel> palette(256, ColourRGB(9, 9, 9));
    const TVQQuantizer q(b.get(), palette.data(), n, -1);
    ASSERT_TRUE(q.HasExactTable());
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(palette[std::size_t(i)], pixels[std::size_t(i)]) << i;
      EXPECT_EQ(q.ColorIndex(PackedOf(pixels[std::size_t(i)])), i);
    }
  }
}

TEST(NeurQuant, OneColourMoreThanAskedTakesTheMethod) {
  struct Case {
    int n;
    TVQQuantizer::TMethod method;
  };
  for (const Case c : {Case{16, TVQQuantizer::qmVariance}, Case{127, TVQQuantizer::qmVariance},
                       Case{128, TVQQuantizer::qmNeuQuant}, Case{255, TVQQuantizer::qmNeuQuant}}) {
    SCOPED_TRACE(c.n);
    auto b = ColourPicture(vqMemoryBuffer, c.n + 1, 2, NqDistinctColours(c.n + 1));
    std::vector<TRGBPixel> palette(256);
    const TVQQuantizer q(b.get(), palette.data(), c.n, -1);
    EXPECT_FALSE(q.HasExactTable());
    EXPECT_EQ(q.Method(), c.method);
  }
}

TEST(NeurQuant, GreyPicturesGetTheRampEvenWithFewColours) {
  auto b =
      ColourPicture(vqMemoryBuffer, 3, 1, {ColourRGB(10, 10, 10), ColourRGB(200, 200, 200), ColourRGB(10, 10, 10)});
  TRGBPixel palette[4];
  const TVQQuantizer q(b.get(), palette, 4, -1);
  EXPECT_TRUE(q.Grey());
  EXPECT_FALSE(q.HasExactTable());
  const Byte want[4] = {0, 64, 128, 192};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(palette[i], ColourRGB(want[i], want[i], want[i]));
  EXPECT_EQ(q.ColorIndex(0xC8C8C8), 3);  // grey 200
  EXPECT_EQ(q.ColorIndex(0x3F3F3F), 0);
  TRGBPixel three[3];
  const TVQQuantizer t(b.get(), three, 3, -1);
  EXPECT_EQ(three[1], ColourRGB(85, 85, 85));  // Trunc(256 / 3 x 1)
  EXPECT_EQ(three[2], ColourRGB(170, 170, 170));
}

TEST(NeurQuant, PalettedSourcesAreAnsweredFromTheirOwnPalette) {
  // A grey palette that is not a ramp: indexes must match the copied palette.
  auto b = NewBitmap(vqMemoryBuffer, 2, 1, vqPalette8);
  for (int i = 0; i < 256; ++i) b->SetPaletteColor(i, ColourRGB(Byte(255 - i), Byte(255 - i), Byte(255 - i)));
  TRGBPixel palette[256];
  const TVQQuantizer q(b.get(), palette, 256, -1);
  EXPECT_EQ(palette[0], ColourRGB(255, 255, 255));
  EXPECT_EQ(q.ColorIndex(0xFFFFFF), 0);
  EXPECT_EQ(q.ColorIndex(0x000000), 255);
  EXPECT_EQ(q.ColorIndex(0x0A0A0A), 245);
  // A colour missing from the palette gets its nearest entry, never 256.
  auto c = NewBitmap(vqMemoryBuffer, 2, 1, vqPalette8);
  c->SetPaletteColor(0, ColourRGB(200, 0, 0));
  c->SetPaletteColor(1, ColourRGB(0, 0, 200));
  TRGBPixel two[2];
  const TVQQuantizer p(c.get(), two, 2, -1);
  EXPECT_EQ(two[1], ColourRGB(0, 0, 200));
  EXPECT_EQ(p.ColorIndex(PackedOf(ColourRGB(10, 0, 180))), 1);
}

TEST(NeurQuant, ColoursMissingFromTheExactTableGetTheNearestEntry) {
  auto b = ColourPicture(vqMemoryBuffer, 3, 1, {ColourRGB(200, 0, 0), ColourRGB(0, 200, 0), ColourRGB(0, 0, 200)});
  TRGBPixel palette[8];
  const TVQQuantizer q(b.get(), palette, 8, -1);
  ASSERT_TRUE(q.HasExactTable());
  EXPECT_EQ(q.ColorIndex(PackedOf(ColourRGB(10, 190, 5))), 1);
  EXPECT_EQ(q.ColorIndex(PackedOf(ColourRGB(0, 0, 255))), 2);
}

TEST(NeurQuant, ColourCountsOutsideTheRangeAreClamped) {
  auto b = ColourPicture(vqMemoryBuffer, 20, 20, NqNoise(400, 1));
  std::vector<TRGBPixel> palette(256);
  const TVQQuantizer big(b.get(), palette.data(), 5000, -1);
  EXPECT_EQ(big.ColorCount(), 256);
  const TVQQuantizer none(b.get(), palette.data(), 0, -1);
  EXPECT_EQ(none.ColorCount(), 1);
  EXPECT_EQ(none.ColorIndex(0x123456), 0);
}

// NeuQuant's search is exact for its sum-of-differences distance: every
// pixel's entry is as near as any entry of the palette.
TEST(NeurQuant, EveryPixelMapsToItsNearestNeuron) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
    SCOPED_TRACE(LocationName(l));
    const auto pixels = NqNoise(60 * 50, 7);
    auto b = ColourPicture(l, 60, 50, pixels);
    std::vector<TRGBPixel> palette(256);
    const TVQQuantizer q(b.get(), palette.data(), 256, -1);
    ASSERT_EQ(q.Method(), TVQQuantizer::qmNeuQuant);
    std::vector<Byte> row(60);
    for (int y = 0; y < 50; ++y) {
      q.ColorIndexRow(reinterpret_cast<const Byte*>(&pixels[std::size_t(y * 60)]), 60, row.data());
      for (int x = 0; x < 60; ++x) {
        const TRGBPixel p = pixels[std::size_t(y * 60 + x)];
        const int i = q.ColorIndex(PackedOf(p));
        ASSERT_EQ(row[std::size_t(x)], i);
        int best = 1000;
        for (const TRGBPixel& e : palette) best = std::min(best, ColourDistance(p, e));
        ASSERT_EQ(ColourDistance(p, palette[std::size_t(i)]), best) << x << "," << y;
      }
    }
  }
}

TEST(NeurQuant, TheSameInputGivesTheSamePaletteWhereverItIsStored) {
  const auto pixels = NqNoise(80 * 40, 2);
  std::vector<std::vector<TRGBPixel>> palettes;
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile, vqTBitmap})
    for (int quality : {-1, 100, 0}) {
      auto b = ColourPicture(l, 80, 40, pixels);
      std::vector<TRGBPixel> palette(256);
      const TVQQuantizer q(b.get(), palette.data(), 200, quality);
      if (quality == -1) palettes.push_back(palette);
    }
  for (std::size_t i = 1; i < palettes.size(); ++i) EXPECT_TRUE(palettes[i] == palettes[0]) << i;
}

TEST(NeurQuant, TheNetworkLearnsTheClustersOfAPicture) {
  // Four colour clusters with noise (far more than 256 colours): the
  // network starts as a grey ramp and must move entries onto each cluster.
  const TRGBPixel centres[4] = {ColourRGB(220, 30, 30), ColourRGB(30, 200, 40), ColourRGB(40, 40, 210),
                                ColourRGB(230, 220, 30)};
  std::mt19937 rng(6);
  std::vector<TRGBPixel> pixels;
  for (int i = 0; i < 100 * 60; ++i) {
    const TRGBPixel c = centres[(i / 7) % 4];
    auto jitter = [&](Byte v) { return Byte(v + int(rng() % 17) - 8); };
    pixels.push_back(TRGBPixel{jitter(c.b), jitter(c.g), jitter(c.r)});
  }
  auto b = ColourPicture(vqMemoryBuffer, 100, 60, pixels);
  std::vector<TRGBPixel> palette(256);
  const TVQQuantizer q(b.get(), palette.data(), 256, -1);
  ASSERT_EQ(q.Method(), TVQQuantizer::qmNeuQuant);
  for (const TRGBPixel& c : centres) {
    int best = 1000;
    for (const TRGBPixel& e : palette) best = std::min(best, ColourDistance(c, e));
    EXPECT_LE(best, 12) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST(NeurQuant, QuantizeBitmapReplacesPixelsByTheirEntries) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
    SCOPED_TRACE(LocationName(l));
    const auto pixels = NqNoise(30 * 20, 4);
    auto b = ColourPicture(l, 30, 20, pixels);
    auto copy = ColourPicture(vqMemoryBuffer, 30, 20, pixels);
    std::vector<TRGBPixel> palette(16), again(16);
    const TVQQuantizer q(copy.get(), again.data(), 16, -1);
    std::vector<int> percents;
    TVQProgressRec progress;
    progress.OnProgress = [&](TObject*, int p) { percents.push_back(p); };
    QuantizeBitmap(b.get(), 16, palette.data(), &progress);
    EXPECT_TRUE(palette == again);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) {
        const TRGBPixel want = again[std::size_t(q.ColorIndex(PackedOf(pixels[std::size_t(y * 30 + x)])))];
        const Byte* p = b->GetScanline(y) + 3 * x;
        ASSERT_EQ((TRGBPixel{p[0], p[1], p[2]}), want) << x << "," << y;
      }
    ASSERT_EQ(percents.size(), 20u);
    EXPECT_EQ(percents[0], 4);    // Trunc(100 / 20.5 x 1)
    EXPECT_EQ(percents[19], 97);  // Trunc(100 / 20.5 x 20)
  }
}

TEST(NeurQuant, QuantizeBitmapIsTheSameForAnyThreadCount) {
  const auto pixels = NqNoise(64 * 48, 8);
  std::vector<std::vector<Byte>> results;
  for (int threads : {1, 2, 3, 8}) {
    SetParallelThreadCount(threads);
    auto b = ColourPicture(vqMemoryBuffer, 64, 48, pixels);
    QuantizeBitmap(b.get(), 256);
    std::vector<Byte> all;
    for (const auto& row : PixelRows(*b)) all.insert(all.end(), row.begin(), row.end());
    results.push_back(all);
  }
  SetParallelThreadCount(0);
  for (std::size_t i = 1; i < results.size(); ++i) EXPECT_TRUE(results[i] == results[0]) << i;
}

TEST(NeurQuant, NearestPaletteIndexTable) {
  const TRGBPixel palette[8] = {ColourRGB(0, 0, 0),       ColourRGB(255, 255, 255), ColourRGB(255, 0, 0),
                                ColourRGB(100, 100, 100), ColourRGB(0, 255, 0),     ColourRGB(0, 0, 255),
                                ColourRGB(9, 9, 9),       ColourRGB(120, 100, 100)};
  struct Case {
    std::uint32_t colour;
    int index;
  };
  // 110,100,100 is 10 from entries 3 and 7: the first wins.
  const Case cases[] = {{0x6E6464, 3}, {0x000000, 0}, {0x0A0A0A, 6}, {0xF00000, 2}, {0x7F6464, 7}, {0xFFFFFF, 1}};
  for (const Case& c : cases) EXPECT_EQ(NearestPaletteIndex(palette, 8, c.colour), c.index) << std::hex << c.colour;
  EXPECT_EQ(NearestPaletteIndex(palette, 0, 0x123456), 0);
}

}  // namespace

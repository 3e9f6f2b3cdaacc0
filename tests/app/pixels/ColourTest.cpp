#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RGB2LAB.h"

namespace {

TEST(RGB2LAB, WhiteAndBlack) {
  TLab white = RgbToLab(255, 255, 255), black = RgbToLab(0, 0, 0);
  EXPECT_NEAR(white.L, 100, 1e-9);
  EXPECT_NEAR(white.a, 0, 1e-9);
  EXPECT_NEAR(white.b, 0, 1e-9);
  EXPECT_NEAR(black.L, 0, 1e-9);
  EXPECT_NEAR(black.a, 0, 1e-9);
  EXPECT_NEAR(black.b, 0, 1e-9);
}

TEST(RGB2LAB, SkinTargets) {
  struct Case {
    double L;
    TRgbBytes rgb;
  } cases[] = {{50, {148, 110, 92}}, {78, {226, 183, 164}}, {82, {238, 194, 175}}};
  for (const Case& c : cases)
    EXPECT_EQ(LabToRgb(c.L, 14, 16), c.rgb) << "L = " << c.L;
}

TEST(RGB2LAB, MidGreyByHand) {
  // 128: (0.50196 + 0.055) / 1.055 = 0.52793, to the 2.4th = 0.21586; Y = 0.21586
  // (the Y row sums to 1), L = 116 x Y^(1/3) - 16 = 53.585.
  TLab grey = RgbToLab(128, 128, 128);
  EXPECT_NEAR(grey.L, 53.585, 2e-3);
}

TEST(RGB2LAB, RoundTripStaysWithinOneStep) {
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) {
        TLab lab = RgbToLab(Byte(r), Byte(g), Byte(b));
        TRgbBytes back = LabToRgb(lab.L, lab.a, lab.b);
        ASSERT_LE(std::abs(back.R - r), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(back.G - g), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(back.B - b), 1) << r << "," << g << "," << b;
      }
}

TEST(RGB2LAB, OutOfGamutLabClampsToBytes) {
  EXPECT_EQ(LabToRgb(120, 0, 0), (TRgbBytes{255, 255, 255}));
  EXPECT_EQ(LabToRgb(-20, 0, 0), (TRgbBytes{0, 0, 0}));
}

TEST(ChannelCurve, PointsOfTheCurves) {
  struct Case {
    int mean, target, x, expected;
  } cases[] = {
      // lower curve: 20 (200x - x^2) / 100^2
      {100, 120, 0, 0},
      {100, 120, 10, 14},  // 3.8 -> 4
      {100, 120, 50, 65},
      {100, 120, 100, 120},
      // upper curve: 20 ((155)^2 - (x - 100)^2) / 155^2
      {100, 120, 200, 212},  // 11.675 -> 12
      {100, 120, 255, 255},
      // mean 0: the upper curve alone, 50 (65025 - x^2) / 65025
      {0, 50, 0, 50},
      {0, 50, 100, 142},
      {0, 50, 255, 255},
      // mean 255: the lower curve alone, -55 (510x - x^2) / 65025
      {255, 200, 0, 0},
      {255, 200, 100, 65},
      {255, 200, 255, 200},
      // no change asked
      {80, 80, 37, 37},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChannelCurve(Byte(c.mean), Byte(c.target))[std::size_t(c.x)], c.expected)
        << "mean " << c.mean << " target " << c.target << " x " << c.x;
}

TEST(ChannelCurveAdjust, EachChannelTakesItsOwnCurve) {
  RowImageBuffer image(2, 1);
  Byte* p = image.Row(0);
  p[0] = 100, p[1] = 100, p[2] = 50;  // blue, green, red
  p[3] = 255, p[4] = 0, p[5] = 100;
  ChannelCurveAdjust(image, {100, 0, 255}, {120, 50, 200});
  EXPECT_EQ(p[2], 65);   // red 50 on the lower curve of mean 100
  EXPECT_EQ(p[1], 142);  // green 100 on the upper curve of mean 0
  EXPECT_EQ(p[0], 65);   // blue 100 on the lower curve of mean 255
  EXPECT_EQ(p[5], 120);
  EXPECT_EQ(p[4], 50);
  EXPECT_EQ(p[3], 200);
}

TEST(LevelMap, TruncatesAndClamps) {
  struct Case {
    int low, high, newLow, value, newHigh, expected;
  } cases[] = {
      {10, 200, 0, 105, 255, 127},  // 24225 / 190 = 127.5
      {0, 2, 0, 1, 255, 127},
      {0, 3, 0, 1, 255, 85},
      {10, 10, 0, 77, 255, 77},   // low = high: unchanged
      {10, 200, 0, 5, 255, 0},    // -1275 / 190 truncates to -6, clamped
      {10, 200, 0, 250, 255, 255},
      {40, 200, 10, 120, 205, 107},  // 10 + 15600 / 160 = 107.5
  };
  for (const Case& c : cases)
    EXPECT_EQ(LevelMap(c.low, c.high, c.newLow, c.value, c.newHigh), c.expected)
        << c.low << " " << c.high << " " << c.newLow << " " << c.value << " " << c.newHigh;
}

// 32 by 32 pixels: clip = Round(1024 x 0.5 / 256) = 2.
RowImageBuffer LevelsFixture() {
  RowImageBuffer image(32, 32);
  for (int i = 0; i < 1024; ++i) {
    Byte* p = image.Row(i / 32) + (i % 32) * 3;
    p[2] = i < 2 ? 40 : i < 4 ? 200 : 120;                          // red: 40 .. 200
    p[1] = i == 0 ? 10 : i < 3 ? 30 : i < 5 ? 180 : 100;             // green: one 10, low at 30 .. 180
    p[0] = i < 2 ? 60 : i < 4 ? 250 : 150;                           // blue: 60 .. 250
  }
  return image;
}

TEST(AutoLevels, StretchesFromTheClippedExtremesKeepingOffsets) {
  RowImageBuffer image = LevelsFixture();
  AutoLevels(image);
  // Lows 40, 30, 60 (min 30) and highs 200, 180, 250 (max 250):
  // red 40..200 -> 10..205, green 30..180 -> 0..185, blue 60..250 -> 30..255.
  auto px = [&](int i) { return image.Row(i / 32) + (i % 32) * 3; };
  EXPECT_EQ(px(0)[2], 10);
  EXPECT_EQ(px(2)[2], 205);
  EXPECT_EQ(px(10)[2], 107);  // 10 + 195 x 80 div 160
  EXPECT_EQ(px(0)[1], 0);     // 10 is below the low: clamped
  EXPECT_EQ(px(1)[1], 0);
  EXPECT_EQ(px(3)[1], 185);
  EXPECT_EQ(px(10)[1], 86);   // 185 x 70 div 150
  EXPECT_EQ(px(0)[0], 30);
  EXPECT_EQ(px(2)[0], 255);
  EXPECT_EQ(px(10)[0], 136);  // 30 + 225 x 90 div 190
}

TEST(AutoLevels, FullRangeInEveryChannelLeavesThePictureAlone) {
  RowImageBuffer image(32, 32);
  for (int i = 0; i < 1024; ++i) {
    Byte* p = image.Row(i / 32) + (i % 32) * 3;
    Byte v = i < 3 ? 0 : i < 6 ? 255 : Byte(i * 7);
    p[0] = p[1] = p[2] = v;
  }
  RowImageBuffer before = RowImageBuffer::CopyOf(image);
  AutoLevels(image);
  for (int y = 0; y < 32; ++y)
    EXPECT_EQ(std::memcmp(image.Row(y), before.Row(y), 96), 0) << "row " << y;
}

TEST(AutoLevels, TinyPicturesRunSafely) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 5}}) {
    RowImageBuffer image(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w * 3; ++x)
        image.Row(y)[x] = Byte(x * 40 + y * 7);
    RowImageBuffer before = RowImageBuffer::CopyOf(image);
    AutoLevels(image);  // clip rounds to 0: lows 0 and highs 255, nothing moves
    for (int y = 0; y < h; ++y)
      EXPECT_EQ(std::memcmp(image.Row(y), before.Row(y), std::size_t(w) * 3), 0);
  }
}

// Auto levels in the plainest form, as a yardstick for the fast path.
void ReferenceAutoLevels(const RowImage& image) {
  std::int64_t hist[3][256] = {};
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      for (int c = 0; c < 3; ++c)
        ++hist[c][image.Row(y)[x * 3 + c]];
  const std::int64_t clip = std::llrint(double(std::int64_t(image.Width) * image.Height) * 0.5 / 256);
  int low[3], high[3];
  for (int c = 0; c < 3; ++c) {
    low[c] = 255, high[c] = 0;
    std::int64_t run = 0;
    for (int v = 0; v < 256; ++v)
      if ((run += hist[c][v]) >= clip) {
        low[c] = v;
        break;
      }
    run = 0;
    for (int v = 255; v >= 0; --v)
      if ((run += hist[c][v]) >= clip) {
        high[c] = v;
        break;
      }
  }
  const int minLow = std::min({low[0], low[1], low[2]}), maxHigh = std::max({high[0], high[1], high[2]});
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      for (int c = 0; c < 3; ++c) {
        Byte& v = image.Row(y)[x * 3 + c];
        v = LevelMap(low[c], high[c], std::max(0, low[c] - minLow), v, std::min(255, high[c] + 255 - maxHigh));
      }
}

TEST(AutoLevels, MatchesThePlainFormBitForBit) {
  unsigned seed = 777;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {3, 5}, {4, 4}, {5, 7}, {7, 3}, {33, 17}, {97, 61}, {128, 64}};
  for (auto [w, h] : sizes)
    for (int spread : {256, 120, 40}) {
      RowImageBuffer a(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 3; ++c)
            // Each channel in its own narrow band, with now and then an outlier.
            a.Row(y)[x * 3 + c] = Byte(next() % 50 == 0 ? next() % 256 : (30 * c + next() % unsigned(spread)) % 256);
      RowImageBuffer b = RowImageBuffer::CopyOf(a);
      AutoLevels(a);
      ReferenceAutoLevels(b);
      for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), std::size_t(w) * 3), 0) << w << "x" << h << " row " << y;
    }
}

}  // namespace

// RGB to HSL and back, and YUV samples to RGB, against hand-worked values.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/core/colour/pictoraproc_colorspace.h"

namespace colorspacetest {

std::uint32_t Packed(int r, int g, int b) { return std::uint32_t(r << 16 | g << 8 | b); }

TEST(RGBToHSL, HandWorkedColours) {
  struct Case {
    int r, g, b;
    double h, s, l;
  };
  const Case cases[] = {
      {255, 0, 0, 0, 1, 0.5},
      {0, 255, 0, 1.0 / 3, 1, 0.5},
      {0, 0, 255, 2.0 / 3, 1, 0.5},
      {255, 255, 0, 1.0 / 6, 1, 0.5},      // red and green tie: red's branch
      {255, 0, 255, 5.0 / 6, 1, 0.5},      // negative hue wrapped by +1
      {128, 128, 128, 0, 0, 128.0 / 255},  // grey
      {0, 0, 0, 0, 0, 0},
      {255, 255, 255, 0, 0, 1},
      {64, 32, 16, 1.0 / 18, 0.6, 80.0 / 510},          // light below 0.5: d / (max + min)
      {255, 128, 128, 0, 1, (255.0 + 128) / 510},       // light above 0.5: d / (2 - max - min)
      {16, 64, 32, 7.0 / 18, 0.6, 80.0 / 510},                // green the largest: (b - r) / d + 2
  };
  for (const Case& c : cases) {
    double h = -1, s = -1, l = -1;
    RGBToHSL(Packed(c.r, c.g, c.b), h, s, l);
    EXPECT_NEAR(h, c.h, 1e-12) << c.r << "," << c.g << "," << c.b;
    EXPECT_NEAR(s, c.s, 1e-12) << c.r << "," << c.g << "," << c.b;
    EXPECT_NEAR(l, c.l, 1e-12) << c.r << "," << c.g << "," << c.b;
  }
}

TEST(HSLToRGB, HandWorkedColours) {
  struct Case {
    double l, s, h;
    Byte r, g, b;
  };
  const Case cases[] = {
      {0.5, 1, 1.0 / 3, 0, 255, 0},
      {0.5, 1, 0, 255, 0, 0},
      {0.5, 1, 1.5, 0, 255, 255},      // hue wrapped once: cyan
      {0.75, 0.5, 0, 223, 159, 159},   // m2 = L + S - LS = 0.875, m1 = 0.625
      {0.25, 0.5, 0.6, 32, 57, 96},    // m2 = 0.375, m1 = 0.125, every HueToChannel branch
      {0.5, 0, 0.3, 128, 128, 128},    // grey: 127.5 rounds to the even 128
      {128.5 / 255, 0, 0, 128, 128, 128},  // 128.5 rounds to the even 128, not up
      {-1, 0.5, 0, 0, 0, 0},           // lightness clamped to 0
      {0.5, 2, 0, 255, 0, 0},          // saturation clamped to 1
      {3, 0, 0, 255, 255, 255},
  };
  for (const Case& c : cases) {
    Byte b = 1, g = 1, r = 1;
    HSLToRGB(b, g, r, c.l, c.s, c.h);
    EXPECT_EQ(r, c.r) << c.l << " " << c.s << " " << c.h;
    EXPECT_EQ(g, c.g) << c.l << " " << c.s << " " << c.h;
    EXPECT_EQ(b, c.b) << c.l << " " << c.s << " " << c.h;
  }
}

TEST(HSLToRGB, HueToChannelTakesEachThirdOfTheCircle) {
  struct Case {
    double h, expect;
  };
  // Low level 0.2, high 0.8.
  const Case cases[] = {
      {0.1, 0.56},   // rising: 0.2 + 0.6 x 0.6
      {0.3, 0.8},    // high
      {0.6, 0.44},   // falling: 0.2 + 0.6 x (2/3 - 0.6) x 6
      {0.9, 0.2},    // low
      {-0.9, 0.56},  // wrapped once to 0.1
      {1.3, 0.8},    // wrapped once to 0.3
  };
  for (const Case& c : cases) EXPECT_NEAR(HueToChannel(0.2, 0.8, c.h), c.expect, 1e-12) << c.h;
}

TEST(HSLToRGB, RoundTripsEveryColourOfAGrid) {
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 7) {
        double h, s, l;
        RGBToHSL(Packed(r, g, b), h, s, l);
        Byte bb, gg, rr;
        HSLToRGB(bb, gg, rr, l, s, h);
        ASSERT_EQ(rr, r) << r << "," << g << "," << b;
        ASSERT_EQ(gg, g) << r << "," << g << "," << b;
        ASSERT_EQ(bb, b) << r << "," << g << "," << b;
      }
}

TEST(YUVToRGB, HandWorkedSamples) {
  struct Case {
    int y, u, v;
    Byte r, g, b;
  };
  const Case cases[] = {
      {16, 128, 128, 0, 0, 0},
      {235, 128, 128, 255, 255, 255},   // 1.164 x 219 = 254.9: rounded up
      {128, 128, 128, 130, 130, 130},   // 130.368
      {81, 90, 240, 254, 0, 0},         // red 75.66 + 178.752; blue and green just below 0
      {100, 200, 50, 0, 133, 243},      // 97.776 - 124.488; + 63.414 - 28.152; + 145.296
      {0, 0, 0, 0, 135, 0},             // green -18.624 + 104.064 + 50.048 = 135.488
      {255, 255, 255, 255, 125, 255},   // green 278.196 - 103.251 - 49.657 = 125.288
      // Exact halves round as the double sum lands: red -13.968 + 132.468 is
      // 118.50000000000001 (119), 17.46 - 15.96 is 1.4999999999999964 (1).
      {4, 128, 211, 119, 0, 0},
      {31, 128, 118, 1, 26, 17},
  };
  for (const Case& c : cases) {
    Byte b = 7, g = 7, r = 7;
    YUVToRGB(c.y, c.u, c.v, b, g, r);
    EXPECT_EQ(r, c.r) << c.y << " " << c.u << " " << c.v;
    EXPECT_EQ(g, c.g) << c.y << " " << c.u << " " << c.v;
    EXPECT_EQ(b, c.b) << c.y << " " << c.u << " " << c.v;
  }
}

TEST(YUVToRGB, WholeFrameTermsGiveTheFormulasBytesForEverySample) {
  const TVQYUVTerms& t = YUVTerms();
  for (int y = 0; y < 256; ++y)
    for (int u = 0; u < 256; ++u)
      for (int v = 0; v < 256; ++v) {
        const double l = 1.164 * (y - 16);
        const double expect[3] = {l + 2.018 * (u - 128), l - 0.813 * (v - 128) - 0.391 * (u - 128),
                                  l + 1.596 * (v - 128)};
        Byte bgr[3];
        YUVToBGR(t, Byte(y), Byte(u), Byte(v), bgr);
        for (int i = 0; i < 3; ++i) {
          const double e = expect[i] < 0 ? 0 : expect[i] > 255 ? 255 : std::nearbyint(expect[i]);
          if (bgr[i] != Byte(e)) FAIL() << y << " " << u << " " << v << " channel " << i << ": " << int(bgr[i]);
        }
      }
}

}  // namespace colorspacetest

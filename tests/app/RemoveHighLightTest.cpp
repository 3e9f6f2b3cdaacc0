#include "app/RemoveHighLight.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/PublicFun.h"

namespace {

constexpr BGR kSkin{120, 140, 200};    // R 200 G 140 B 120: likelihood 0.85, luma 156
constexpr BGR kShine{225, 235, 250};   // R 250 G 235 B 225: likelihood 0.44, luma 238
constexpr BGR kEye{20, 20, 30};        // dark
constexpr BGR kBackdrop{120, 0, 0};    // blue

void Put(const RowImage& image, int x, int y, BGR c) {
  Byte* p = image.Row(y) + x * 3;
  p[0] = c.B, p[1] = c.G, p[2] = c.R;
}
BGR At(const RowImage& image, int x, int y) {
  const Byte* p = image.Row(y) + x * 3;
  return BGR{p[0], p[1], p[2]};
}

// 14 by 14: a two-pixel backdrop frame, skin inside (rows and columns 2..11),
// a 5 by 5 shine at 5..9 and, when eyeRows > 0, a dark column at x = 10 from row 5.
RowImageBuffer Face(int eyeRows) {
  RowImageBuffer patch(14, 14);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x) {
      bool inside = x >= 2 && x <= 11 && y >= 2 && y <= 11;
      bool shine = x >= 5 && x <= 9 && y >= 5 && y <= 9;
      bool eye = x == 10 && y >= 5 && y < 5 + eyeRows;
      Put(patch, x, y, !inside ? kBackdrop : shine ? kShine : eye ? kEye : kSkin);
    }
  return patch;
}

TEST(RgbToHsv, Values) {
  struct Case {
    int r, g, b;
    THsv hsv;
  } cases[] = {
      {255, 0, 0, {0, 100, 100}},
      {0, 0, 0, {0, 0, 0}},
      {128, 64, 32, {20, 75, 50}},    // S 191.25 -> 191 -> 74.9 -> 75; V 50.2
      {0, 0, 255, {240, 100, 100}},
      {255, 0, 128, {330, 100, 100}},  // Round(-30.1) + 360
      {10, 200, 10, {120, 95, 78}},    // S Round(242.25) = 242 -> 94.9
      {250, 235, 225, {24, 10, 98}},   // S 25.5 -> 26 (to even) -> 10.2
      {200, 140, 120, {15, 40, 78}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RgbToHsv(c.r, c.g, c.b), c.hsv) << c.r << "," << c.g << "," << c.b;
}

TEST(HsvToRgb, Values) {
  struct Case {
    int h, s, v;
    TRgb rgb;
  } cases[] = {
      {0, 100, 100, {255, 0, 0}},
      {120, 50, 100, {127, 255, 127}},  // s = Round(127.5) = 128
      {330, 100, 100, {255, 0, 128}},   // q = 255 - 1950750 div 15300
      {360, 100, 100, {255, 0, 0}},     // 360 counts as 0
      {200, 0, 50, {128, 128, 128}},    // grey: v = Round(127.5)
      {15, 25, 97, {247, 201, 186}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HsvToRgb(c.h, c.s, c.v), c.rgb) << c.h << "," << c.s << "," << c.v;
}

TEST(HsvToRgb, NegativeValueGivesBlackNotWhite) {
  // V = -1 gives v = Round(-2.55) = -3, which as a raw byte would be 253.
  EXPECT_EQ(HsvToRgb(15, 40, -1), (TRgb{0, 0, 0}));
}

TEST(SkinLikelihood, SkinScoresHighOtherColoursLow) {
  EXPECT_GT(SkinLikelihood(200, 140, 120), 0.85);
  EXPECT_LT(SkinLikelihood(200, 140, 120), 0.86);
  EXPECT_GT(SkinLikelihood(250, 235, 225), 0.43);  // just below the skin threshold
  EXPECT_LT(SkinLikelihood(250, 235, 225), 0.45);
  EXPECT_LT(SkinLikelihood(0, 0, 255), 1e-20);
  // The centre of the model: Cb 117.4361, Cr 156.5599 has likelihood 1.
  double best = 0;
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 5)
        best = std::max(best, SkinLikelihood(r, g, b));
  EXPECT_LE(best, 1.0);
  EXPECT_GT(best, 0.99);
}

TEST(PrepareHighlightMask, BrightSpotEnclosedBySkinIsTheHighlight) {
  HighlightMask m = PrepareHighlightMask(Face(0));
  ASSERT_EQ(m.Width, 14);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x) {
      std::size_t i = std::size_t(y) * 14 + x;
      bool inside = x >= 2 && x <= 11 && y >= 2 && y <= 11;
      bool shine = x >= 5 && x <= 9 && y >= 5 && y <= 9;
      EXPECT_EQ(bool(m.Skin[i]), inside && !shine) << x << "," << y;
      EXPECT_EQ(bool(m.SkinRegion[i]), inside) << x << "," << y;  // the shine is an enclosed hole
      // 100 region pixels: k = 20 and the 25 shine pixels put T at 238.
      EXPECT_EQ(bool(m.Highlight[i]), shine) << x << "," << y;
    }
  EXPECT_EQ(m.Luma[5 * 14 + 5], 238);
  EXPECT_EQ(m.Luma[3 * 14 + 3], 156);
}

TEST(PrepareHighlightMask, RegionWithLessThanEightyPercentSkinAroundIsDropped) {
  // The ring of the shine is 24 pixels; a dark column beside it takes some.
  const std::pair<int, bool> cases[] = {{4, true},    // 20 of 24 skin: 19.2 <= 20, stays
                                        {5, false}};  // 19 of 24: 19.2 > 19, dropped
  for (auto [eyeRows, stays] : cases) {
    HighlightMask m = PrepareHighlightMask(Face(eyeRows));
    EXPECT_EQ(bool(m.Highlight[7 * 14 + 7]), stays) << eyeRows;
  }
}

TEST(PrepareHighlightMask, NonSkinPatchHasNoHighlight) {
  RowImageBuffer patch(9, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      Put(patch, x, y, (x + y) % 3 ? kBackdrop : BGR{255, 255, 255});
  HighlightMask m = PrepareHighlightMask(patch);
  for (std::size_t i = 0; i < m.Highlight.size(); ++i) {
    EXPECT_FALSE(m.SkinRegion[i]);
    EXPECT_FALSE(m.Highlight[i]);
  }
}

TEST(SampleSurroundings, InverseCubeOfTheDistance) {
  // 3 by 3 with the centre a highlight: four neighbours at 1 (weight 1), four
  // diagonals at sqrt 2 (weight 0.35355); the rays of steps of 2 leave at once.
  HighlightMask m;
  m.Width = m.Height = 3;
  m.Pixels.assign(27, 0);
  m.Highlight.assign(9, 0);
  m.Highlight[4] = 1;
  m.Pixels[3 * 3 + 2] = 255;  // red of the left neighbour
  std::optional<BGR> c = SampleSurroundings(m, 1, 1);
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->R, 47);  // 255 / (4 + 4 x 0.35355) = 47.1
  EXPECT_EQ(c->G, 0);
}

TEST(SampleSurroundings, PassesOverHighlightsAndNoneWhenAllRaysLeave) {
  HighlightMask m;
  m.Width = 5, m.Height = 1;
  m.Pixels = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 90, 90, 90};
  m.Highlight = {1, 1, 1, 1, 0};
  std::optional<BGR> c = SampleSurroundings(m, 0, 0);  // only the right ray meets (0, 4)
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(*c, (BGR{90, 90, 90}));
  m.Highlight = {1, 1, 1, 1, 1};
  EXPECT_FALSE(SampleSurroundings(m, 0, 2).has_value());
}

TEST(ApplyHighlightRemoval, ShineTakesTheSkinHueByAmount) {
  RowImageBuffer patch = Face(0);
  HighlightMask m = PrepareHighlightMask(patch);
  // Shine (24, 10, 98), skin (15, 40, 78): result HSV (15, S, 97).
  const std::pair<int, TRgb> cases[] = {{0, {247, 229, 222}},    // S 10
                                        {50, {247, 201, 186}},   // S (500 + 2000) div 100 = 25
                                        {100, {247, 173, 149}}}; // S 40
  for (auto [amount, rgb] : cases) {
    RowImageBuffer out = ApplyHighlightRemoval(m, amount);
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 14; ++x) {
        bool shine = x >= 5 && x <= 9 && y >= 5 && y <= 9;
        BGR want = shine ? BGR{rgb.B, rgb.G, rgb.R} : At(patch, x, y);
        ASSERT_EQ(At(out, x, y), want) << "amount " << amount << " at " << x << "," << y;
      }
  }
}

TEST(ApplyHighlightRemoval, BlackHighlightStaysBlack) {
  HighlightMask m;
  m.Width = 3, m.Height = 1;
  m.Pixels = {120, 140, 200, 0, 0, 0, 120, 140, 200};
  m.Highlight = {0, 1, 0};
  RowImageBuffer out = ApplyHighlightRemoval(m, 50);
  EXPECT_EQ(At(out, 1, 0), (BGR{0, 0, 0}));
}

TEST(ApplyHighlightRemoval, AllHighlightIsLeftAlone) {
  HighlightMask m;
  m.Width = 2, m.Height = 2;
  m.Pixels.assign(12, 240);
  m.Highlight.assign(4, 1);
  RowImageBuffer out = ApplyHighlightRemoval(m, 100);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(At(out, x, y), (BGR{240, 240, 240}));
}

TEST(PrepareHighlightMask, SmallAndOddPatches) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 7}, {5, 3}}) {
    RowImageBuffer patch(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        Put(patch, x, y, (x * 7 + y * 3) % 4 ? kSkin : kShine);
    HighlightMask m = PrepareHighlightMask(patch);
    RowImageBuffer out = ApplyHighlightRemoval(m, 60);
    EXPECT_EQ(out.Width(), w);
    EXPECT_EQ(out.Height(), h);
  }
}

TEST(HighlightRectToImage, EdgesDividedRoundedAndKeptOnThePicture) {
  EXPECT_EQ(HighlightRectToImage(10, 10, 109, 59, 0.5, 1000, 800), (TRect{20, 20, 219, 119}));
  // Zoom 2: Round(199 / 2) = 100 is one past a 100-wide picture.
  EXPECT_EQ(HighlightRectToImage(0, 0, 199, 99, 2.0, 100, 50), (TRect{0, 0, 100, 50}));
  EXPECT_EQ(HighlightRectToImage(3, 5, 3, 5, 2.0, 100, 50), (TRect{2, 2, 3, 3}));  // 1.5 -> 2, 2.5 -> 2
  EXPECT_TRUE(HighlightRectToImage(500, 0, 600, 10, 1.0, 100, 50).IsEmpty());
}

}  // namespace

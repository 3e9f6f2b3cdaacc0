#include "app/pixels/RemoveHighLight.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "app/pixels/PublicFun.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/app/pixels/RowImageTestSupport.h"

namespace {

constexpr BGR kSkin{120, 140, 200};    // R 200 G 140 B 120: likelihood 0.85, luma 156
constexpr BGR kShine{225, 235, 250};   // R 250 G 235 B 225: likelihood 0.44, luma 238
constexpr BGR kEye{20, 20, 30};        // dark
constexpr BGR kBackdrop{120, 0, 0};    // blue

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

// The removal pixel by pixel through SampleSurroundings, as a yardstick for the fast path.
RowImageBuffer ReferenceRemoval(const HighlightMask& m, int amount) {
  RowImageBuffer out(m.Width, m.Height);
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x) {
      const std::size_t i = std::size_t(y) * m.Width + x;
      const Byte* p = &m.Pixels[i * 3];
      Put(out, x, y, BGR{p[0], p[1], p[2]});
      if (!m.Highlight[i])
        continue;
      std::optional<BGR> a = SampleSurroundings(m, y, x);
      if (!a)
        continue;
      THsv own = RgbToHsv(p[2], p[1], p[0]), near = RgbToHsv(a->R, a->G, a->B);
      TRgb c = HsvToRgb(near.H, (own.S * (100 - amount) + amount * near.S) / 100, std::max(own.V - 1, 0));
      Put(out, x, y, BGR{c.B, c.G, c.R});
    }
  return out;
}

TEST(ApplyHighlightRemoval, MatchesSamplingEachPixelBitForBit) {
  unsigned seed = 4242;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 7}, {7, 1}, {3, 4}, {17, 5}, {40, 31}, {64, 64}})
    for (int density : {10, 50, 90, 100}) {
      HighlightMask m;
      m.Width = w, m.Height = h;
      const std::size_t n = std::size_t(w) * std::size_t(h);
      m.Pixels.resize(n * 3);
      m.Highlight.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c)
          m.Pixels[i * 3 + std::size_t(c)] = Byte(next() % 256);
        // Blocks of highlight as well as scattered pixels, so rays pass over runs.
        const std::size_t x = i % std::size_t(w), y = i / std::size_t(w);
        m.Highlight[i] = int(next() % 100) < density || (x / 5 + y / 4) % 3 == 0;
      }
      for (int amount : {0, 37, 100}) {
        RowImageBuffer got = ApplyHighlightRemoval(m, amount), want = ReferenceRemoval(m, amount);
        for (int y = 0; y < h; ++y)
          ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(RowImageStride(w))), 0)
              << w << "x" << h << " density " << density << " amount " << amount << " row " << y;
      }
    }
}

// Tall patches whose highlights are large discs and bars crossing many rows,
// so rays run far through them and across every grouping of rows the
// routine makes, with any number of threads.
TEST(ApplyHighlightRemoval, MatchesSamplingEachPixelThroughLargeHighlights) {
  unsigned seed = 99;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (auto [w, h] : {std::pair{45, 131}, {90, 77}, {13, 200}}) {
    HighlightMask m;
    m.Width = w, m.Height = h;
    const std::size_t n = std::size_t(w) * std::size_t(h);
    m.Pixels.resize(n * 3);
    m.Highlight.resize(n);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::size_t i = std::size_t(y) * std::size_t(w) + std::size_t(x);
        for (int c = 0; c < 3; ++c) m.Pixels[i * 3 + std::size_t(c)] = Byte(next() % 256);
        const int dx = x - w / 2, dy = y - h / 2;
        const bool disc = dx * dx + dy * dy < (w * w) / 5;
        const bool bar = (x + 2 * y) % 37 < 6;
        m.Highlight[i] = (disc || bar) && next() % 50 != 0;
      }
    for (int threads : {1, 2, 3, 8}) {
      SetParallelThreadCount(threads);
      RowImageBuffer got = ApplyHighlightRemoval(m, 64), want = ReferenceRemoval(m, 64);
      SetParallelThreadCount(0);
      for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(w) * 3), 0)
            << w << "x" << h << " threads " << threads << " row " << y;
    }
  }
}

TEST(ApplyHighlightRemoval, MatchesSamplingEachPixelOnAFace) {
  RowImageBuffer patch = Face(3);
  HighlightMask m = PrepareHighlightMask(patch);
  for (int amount : {0, 50, 100}) {
    RowImageBuffer got = ApplyHighlightRemoval(m, amount), want = ReferenceRemoval(m, amount);
    for (int y = 0; y < 14; ++y)
      ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), 14 * 3), 0) << "amount " << amount << " row " << y;
  }
}

// The mask in the plainest form: every step pixel by pixel with coordinates.
HighlightMask ReferenceMask(const RowImage& patch) {
  const int W = patch.Width, H = patch.Height;
  const std::size_t N = std::size_t(W) * std::size_t(H);
  HighlightMask m;
  m.Width = W, m.Height = H;
  m.Luma.resize(N), m.Skin.resize(N), m.SkinRegion.resize(N), m.Highlight.resize(N);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      BGR c = At(patch, x, y);
      const int num = 299 * c.R + 587 * c.G + 114 * c.B;
      int q = num / 1000;
      if (num % 1000 > 500 || (num % 1000 == 500 && q % 2 == 1))
        ++q;
      const std::size_t i = std::size_t(y) * W + x;
      m.Luma[i] = Byte(q);
      m.Skin[i] = q >= 120 && SkinLikelihood(c.R, c.G, c.B) >= 0.45;
    }
  auto flood = [&](auto passable) {
    std::vector<std::uint8_t> reached(N, 0);
    std::vector<std::pair<int, int>> todo;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (y == 0 || x == 0 || y == H - 1 || x == W - 1)
          todo.push_back({x, y});
    while (!todo.empty()) {
      auto [x, y] = todo.back();
      todo.pop_back();
      if (x < 0 || y < 0 || x >= W || y >= H)
        continue;
      const std::size_t i = std::size_t(y) * W + x;
      if (reached[i] || !passable(i))
        continue;
      reached[i] = 1;
      todo.insert(todo.end(), {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}});
    }
    return reached;
  };
  std::vector<std::uint8_t> outside = flood([&](std::size_t i) { return !m.Skin[i]; });
  std::int64_t hist[256] = {}, n = 0;
  for (std::size_t i = 0; i < N; ++i) {
    m.SkinRegion[i] = !outside[i];
    if (m.SkinRegion[i])
      ++hist[m.Luma[i]], ++n;
  }
  int T = 255;
  std::int64_t running = 0;
  for (int level = 255; level >= 0; --level)
    if ((running += hist[level]) > (2 * n + 9) / 10) {
      T = level;
      break;
    }
  for (std::size_t i = 0; i < N; ++i)
    m.Highlight[i] = m.SkinRegion[i] && m.Luma[i] >= T;
  std::vector<std::uint8_t> outer = flood([&](std::size_t i) { return !m.Highlight[i]; });
  std::vector<int> label(N, -1);
  std::vector<std::vector<std::pair<int, int>>> regions;
  for (int y0 = 0; y0 < H; ++y0)
    for (int x0 = 0; x0 < W; ++x0) {
      if (!m.Highlight[std::size_t(y0) * W + x0] || label[std::size_t(y0) * W + x0] >= 0)
        continue;
      std::vector<std::pair<int, int>> region, todo{{x0, y0}};
      while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        if (x < 0 || y < 0 || x >= W || y >= H)
          continue;
        const std::size_t i = std::size_t(y) * W + x;
        if (!m.Highlight[i] || label[i] >= 0)
          continue;
        label[i] = int(regions.size());
        region.push_back({x, y});
        todo.insert(todo.end(), {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}});
      }
      regions.push_back(region);
    }
  std::vector<std::size_t> drop;
  for (const auto& region : regions) {
    std::set<std::size_t> ring;
    for (auto [x, y] : region)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (x + dx >= 0 && y + dy >= 0 && x + dx < W && y + dy < H &&
              !m.Highlight[std::size_t(y + dy) * W + std::size_t(x + dx)])
            ring.insert(std::size_t(y + dy) * W + std::size_t(x + dx));
    std::int64_t c = 0, sk = 0;
    for (std::size_t q : ring)
      if (outer[q])
        ++c, sk += m.Skin[q];
    if (4 * c > 5 * sk)
      for (auto [x, y] : region)
        drop.push_back(std::size_t(y) * W + std::size_t(x));
  }
  for (std::size_t i : drop)
    m.Highlight[i] = 0;
  return m;
}

TEST(PrepareHighlightMask, MatchesThePlainFormBitForBit) {
  unsigned seed = 99;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 9}, {9, 1}, {13, 11}, {40, 33}, {64, 48}})
    for (int round = 0; round < 3; ++round) {
      RowImageBuffer patch(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          // Blobs of shine and dark spots on skin with grain, some backdrop
          // and stray colours, so the colour cache both hits and collides.
          const int r = int(next() % 100), cell = (x / 4 + y / 3 + round) % 5;
          BGR c = cell == 0 ? kShine : cell == 1 && r < 30 ? kEye : kSkin;
          if (x == 0 || r < 5)
            c = kBackdrop;
          else if (r < 15)
            c = BGR{Byte(next() % 256), Byte(next() % 256), Byte(next() % 256)};
          const int grain = int(next() % 7) - 3;
          c.R = Byte(std::clamp(c.R + grain, 0, 255));
          c.G = Byte(std::clamp(c.G + grain, 0, 255));
          Put(patch, x, y, c);
        }
      HighlightMask got = PrepareHighlightMask(patch), want = ReferenceMask(patch);
      EXPECT_EQ(got.Luma, want.Luma) << w << "x" << h;
      EXPECT_EQ(got.Skin, want.Skin) << w << "x" << h;
      EXPECT_EQ(got.SkinRegion, want.SkinRegion) << w << "x" << h;
      EXPECT_EQ(got.Highlight, want.Highlight) << w << "x" << h;
    }
}

TEST(PrepareHighlightMask, SkinTestRightForManyColours) {
  // More colours than the likelihood cache holds, bright and near skin, so slots are reused.
  unsigned seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  RowImageBuffer patch(256, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 256; ++x)
      Put(patch, x, y, BGR{Byte(60 + next() % 150), Byte(100 + next() % 120), Byte(150 + next() % 106)});
  HighlightMask got = PrepareHighlightMask(patch), want = ReferenceMask(patch);
  EXPECT_EQ(got.Skin, want.Skin);
  EXPECT_EQ(got.Highlight, want.Highlight);
}

}  // namespace

#include "app/pixels/uSmooth.h"

#include <gtest/gtest.h>

#include <limits>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <tuple>

#include "tests/app/pixels/RowImageTestSupport.h"

namespace {

// Skin-like content: smooth ramps, small noise and a hard edge, so every weight band occurs.
BGR Portrait(int x, int y) {
  unsigned h = unsigned(x) * 2654435761u ^ unsigned(y) * 40503u;
  h ^= h >> 15;
  int noise = int(h % 23) - 11;
  int base = (x + y) % 40 < 30 ? 170 : 90;
  return BGR{Byte(std::clamp(base - 40 + noise, 0, 255)), Byte(std::clamp(base + noise + x % 7, 0, 255)),
             Byte(std::clamp(base + 40 + noise - y % 5, 0, 255))};
}

std::set<int> AsSet(const std::vector<int>& v) { return std::set<int>(v.begin(), v.end()); }

TEST(SmoothOffsets, SparseAboveFiveDenseUpToFive) {
  EXPECT_EQ(AsSet(SmoothOffsets(5)), (std::set<int>{-5, -4, -3, -2, -1, 1, 2, 3, 4, 5}));
  EXPECT_EQ(AsSet(SmoothOffsets(6)), (std::set<int>{-6, -5, -4, -2, -1, 1, 2, 4, 5, 6}));    // b = Round(3.5) = 4
  EXPECT_EQ(AsSet(SmoothOffsets(7)), (std::set<int>{-7, -6, -4, -2, -1, 1, 2, 4, 6, 7}));    // Round(5.5) = 6
  EXPECT_EQ(AsSet(SmoothOffsets(10)), (std::set<int>{-10, -8, -6, -3, -1, 1, 3, 6, 8, 10}));  // b = Round(5.5) = 6
  EXPECT_EQ(AsSet(SmoothOffsets(50)), (std::set<int>{-50, -38, -26, -13, -1, 1, 13, 26, 38, 50}));
  EXPECT_EQ(SmoothOffsets(50).size(), 10u);
  EXPECT_TRUE(SmoothOffsets(0).empty());
}

TEST(SmoothDifferenceWeight, Bands) {
  const std::pair<int, int> cases[] = {{0, 255}, {20, 255}, {21, 248}, {40, 127}, {59, 6}, {60, 0}, {255, 0}};
  for (auto [d, w] : cases)
    EXPECT_EQ(SmoothDifferenceWeight(d), w) << "d = " << d;
}

TEST(SmoothPicture, UniformPictureIsUnchanged) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {5, 3}, {61, 17}})
    for (int radius : {0, 5, 10, 50}) {
      RowImageBuffer src = Make(w, h, [](int, int) { return BGR{12, 130, 251}; });
      RowImageBuffer out = SmoothPicture(src, radius);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(At(out, x, y), (BGR{12, 130, 251})) << w << "x" << h << " r" << radius;
    }
}

TEST(SmoothPicture, OneRowByHandAndSharpEdgeStays) {
  // Middle pixel: itself and 100 at weight 255 each; 200 differs by 90 and counts 0.
  const int v[3] = {100, 110, 200};
  RowImageBuffer src = Make(3, 1, [&](int x, int) { return BGR{Byte(v[x]), Byte(v[x]), Byte(v[x])}; });
  RowImageBuffer out = SmoothPicture(src, 10);
  EXPECT_EQ(At(out, 0, 0).R, 100);  // ends have no neighbours along any direction
  EXPECT_EQ(At(out, 1, 0).R, 105);
  EXPECT_EQ(At(out, 2, 0).R, 200);
}

TEST(SmoothPicture, PartialWeightByHand) {
  // 1 by 3 column: the centre 100 sees 140 (d = 40, weight 127) and 90 (d = 10, weight 255):
  // (255 x 100 + 127 x 140 + 255 x 90) div 637 = 66230 div 637 = 103.
  const int v[3] = {140, 100, 90};
  RowImageBuffer src = Make(1, 3, [&](int, int y) { return BGR{Byte(v[y]), 0, 0}; });
  EXPECT_EQ(At(SmoothPicture(src, 7), 0, 1).B, 103);
}

// The smoothing written out pixel by pixel from its definition.
RowImageBuffer ReferenceSmooth(const RowImage& src, int r) {
  if (r == 0)
    r = 5;
  const int W = src.Width, H = src.Height;
  RowImageBuffer out(W, H);
  const int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {-1, 1}};  // (row, column)
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      BGR c = At(src, x, y);
      long total = 255, s[3] = {255L * c.B, 255L * c.G, 255L * c.R};
      for (int d = 0; d < 4; ++d) {
        int n = dirs[d][0] == 0   ? std::min({r, x, W - 1 - x})
                : dirs[d][1] == 0 ? std::min({r, y, H - 1 - y})
                                  : std::min({r, x, W - 1 - x, y, H - 1 - y});
        std::vector<int> ks;
        if (n > 5) {
          int b = int(std::nearbyint((n + 1) / 2.0));
          for (int k : {1, (b + 1) / 2, b, int(std::nearbyint((b + n) / 2.0)), n})
            ks.push_back(k), ks.push_back(-k);
        } else {
          for (int k = -n; k <= n; ++k)
            if (k)
              ks.push_back(k);
        }
        for (int k : ks) {
          BGR q = At(src, x + k * dirs[d][1], y + k * dirs[d][0]);
          int diff = std::max({std::abs(q.B - c.B), std::abs(q.G - c.G), std::abs(q.R - c.R)});
          int w = diff <= 20 ? 255 : diff < 60 ? (60 - diff) * 255 / 40 : 0;
          total += w;
          s[0] += w * q.B, s[1] += w * q.G, s[2] += w * q.R;
        }
      }
      Byte* o = out.Row(y) + x * 3;
      for (int i = 0; i < 3; ++i)
        o[i] = Byte(s[i] / total);
    }
  return out;
}

TEST(SmoothPicture, MatchesTheDirectDefinitionAtEdgesAndInside) {
  for (auto [w, h] : {std::pair{2, 2}, {1, 9}, {23, 19}, {64, 40}})
    for (int radius : {0, 3, 6, 7, 10, 50}) {
      RowImageBuffer src = Make(w, h, Portrait);
      RowImageBuffer got = SmoothPicture(src, radius), want = ReferenceSmooth(src, radius);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(At(got, x, y), At(want, x, y)) << w << "x" << h << " r" << radius << " at " << x << "," << y;
    }
}

TEST(SmoothPicture, RadiiBeyondThePictureActAsItsLargerSide) {
  RowImageBuffer src = Make(23, 19, Portrait);
  RowImageBuffer want = ReferenceSmooth(src, 23);
  for (int radius : {24, 1 << 30, std::numeric_limits<int>::max()}) {
    RowImageBuffer got = SmoothPicture(src, radius);
    for (int y = 0; y < 19; ++y)
      for (int x = 0; x < 23; ++x)
        ASSERT_EQ(At(got, x, y), At(want, x, y)) << "r" << radius << " at " << x << "," << y;
  }
}

// Random grain around a few levels, so differences fall in every weight band
// and whole blocks of eight as well as the pixels left over meet the direct sums.
TEST(SmoothPicture, MatchesTheDirectDefinitionOnRandomPictures) {
  unsigned seed = 2024;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u, int(seed >> 24); };
  struct Case {
    int w, h, radius;
  };
  const Case cases[] = {{1, 1, 10}, {2, 2, 10}, {3, 1, 6},  {28, 23, 10}, {29, 23, 10}, {35, 21, 10},
                        {36, 22, 10}, {37, 25, 7}, {45, 19, 6}, {20, 20, 5}, {31, 13, 3},  {117, 109, 50},
                        {108, 103, 50}, {9, 40, 1}};
  for (const Case& c : cases) {
    RowImageBuffer src(c.w, c.h);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        int level = (x / 5 + y / 4) % 3 == 0 ? 40 : (x / 5 + y / 4) % 3 == 1 ? 120 : 200;
        Byte* p = src.Row(y) + x * 3;
        for (int ch = 0; ch < 3; ++ch) {
          int v = next();
          p[ch] = Byte(v < 16 ? v * 16 : std::clamp(level + (v % 81) - 40, 0, 255));  // some wild values
        }
      }
    RowImageBuffer got = SmoothPicture(src, c.radius), want = ReferenceSmooth(src, c.radius);
    for (int y = 0; y < c.h; ++y)
      ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(c.w) * 3), 0)
          << c.w << "x" << c.h << " r" << c.radius << " row " << y;
  }
}

// Interior runs that fill blocks of sixteen, of eight and leave pixels over,
// in every mix: the wide blocks (where the processor has them) and the
// narrower ones give the direct sums' bytes.
TEST(SmoothPicture, MatchesTheDirectDefinitionOnInteriorRunsOfEveryLength) {
  unsigned seed = 39;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u, int(seed >> 24); };
  for (int radius : {6, 10})
    for (int run : {15, 16, 17, 23, 24, 25, 31, 32, 40, 47}) {
      const int w = run + 2 * radius, h = 2 * radius + 3;
      RowImageBuffer src(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
          src.Row(y)[x] = Byte(std::clamp(110 + (x / 9 % 2) * 30 + next() % 61 - 30, 0, 255));
      RowImageBuffer got = SmoothPicture(src, radius), want = ReferenceSmooth(src, radius);
      for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(w) * 3), 0)
            << "run " << run << " r" << radius << " row " << y;
    }
}

// Extremes: black next to white and values one apart at the band limits.
TEST(SmoothPicture, MatchesTheDirectDefinitionAtTheWeightLimits) {
  const int levels[] = {0, 255, 100, 120, 121, 159, 160, 161, 80, 19, 20, 21, 59, 60, 61};
  RowImageBuffer src(41, 33);
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 41; ++x) {
      Byte* p = src.Row(y) + x * 3;
      p[0] = Byte(levels[(x * 7 + y * 3) % 15]);
      p[1] = Byte(levels[(x + y * 11) % 15]);
      p[2] = Byte(levels[(x * 5 + y) % 15]);
    }
  for (int radius : {0, 6, 10, 13}) {
    RowImageBuffer got = SmoothPicture(src, radius), want = ReferenceSmooth(src, radius);
    for (int y = 0; y < 33; ++y)
      ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), 41 * 3), 0) << "r" << radius << " row " << y;
  }
}

TEST(SmoothPicture, ReadsBottomUpRows) {
  RowImageBuffer src = Make(30, 20, Portrait);
  std::ptrdiff_t stride = RowImageStride(30);
  std::vector<Byte> bytes(std::size_t(stride * 20));
  RowImage dib{30, 20, bytes.data() + 19 * stride, -stride};
  for (int y = 0; y < 20; ++y)
    std::memcpy(dib.Row(y), src.Row(y), 90);
  RowImageBuffer a = SmoothPicture(src, 10), b = SmoothPicture(dib, 10);
  for (int y = 0; y < 20; ++y)
    ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), 90), 0) << "row " << y;
}

TEST(SmoothPicture, ReportsEveryRow) {
  RowImageBuffer src = Make(4, 6, Portrait);
  std::vector<std::pair<int, int>> calls;
  SmoothPicture(src, 10, [&](int done, int total) { calls.emplace_back(done, total); });
  ASSERT_EQ(calls.size(), 6u);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(calls[std::size_t(i)], (std::pair{i + 1, 6}));
}

// Written over a bitmap that held another picture, with several rows to a
// 64th of the pass (the rows above and below each group are read too), the
// direct sums' bytes; a bitmap of another size is refused untouched.
TEST(SmoothPicture, IntoAnotherPictureWritesTheDirectDefinition) {
  unsigned seed = 77;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u, int(seed >> 24); };
  for (auto [w, h, radius] : {std::tuple{70, 300, 10}, {61, 257, 50}, {40, 130, 6}}) {
    RowImageBuffer src(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w * 3; ++x)
        src.Row(y)[x] = Byte(std::clamp(100 + (x / 11 + y / 7) % 2 * 50 + next() % 61 - 30, 0, 255));
    std::unique_ptr<TBitmap> source = BitmapFromRows(src);
    std::unique_ptr<TBitmap> into = BitmapFromRows(Make(w, h, Portrait));
    SmoothPictureInto(source.get(), radius, {}, into.get());
    RowImageBuffer want = ReferenceSmooth(src, radius);
    const RowImage got = BitmapRows(into.get());
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(w) * 3), 0) << w << "x" << h << " row " << y;
  }
  std::unique_ptr<TBitmap> source = BitmapFromRows(Make(20, 10, Portrait));
  std::unique_ptr<TBitmap> other = BitmapFromRows(Make(20, 11, Portrait));
  EXPECT_THROW(SmoothPictureInto(source.get(), 5, {}, other.get()), EInvalidGraphicOperation);
  EXPECT_THROW(SmoothPictureInto(source.get(), 5, {}, source.get()), EInvalidGraphicOperation);
  RowImageBuffer unchanged = Make(20, 11, Portrait);
  const RowImage rows = BitmapRows(other.get());
  for (int y = 0; y < 11; ++y)
    EXPECT_EQ(std::memcmp(rows.Row(y), unchanged.Row(y), 60), 0) << "row " << y;
}

TEST(BlendByDifference, AmountByHowFarThePixelMoved) {
  // fine 0, mid 40, rough 50 on a source of 100.
  const std::pair<int, int> cases[] = {
      {102, 100},  // moved 2: fine, stays
      {105, 102},  // moved 5: (60 x 100 + 40 x 105) div 100
      {95, 98},    // (6000 + 3800) div 100
      {108, 103},  // moved 8 is still mid: 10320 div 100
      {109, 104},  // moved 9 is rough: 10450 div 100 = 104.5 truncated
      {130, 115},  // moved 30: half way
      {70, 85},
  };
  for (auto [moved, expected] : cases) {
    const int smoothed = moved;
    RowImageBuffer src = Make(1, 1, [](int, int) { return BGR{100, 100, 100}; });
    RowImageBuffer sm = Make(1, 1, [&](int, int) { return BGR{100, Byte(smoothed), 100}; });
    RowImageBuffer out = BlendByDifference(src, sm, 0, {}, 50, 40);
    EXPECT_EQ(At(out, 0, 0), (BGR{100, Byte(expected), 100})) << "smoothed " << smoothed;
  }
}

TEST(BlendByDifference, FullAmountsGiveTheSmoothedPicture) {
  RowImageBuffer src = Make(7, 5, Portrait);
  RowImageBuffer sm = SmoothPicture(src, 10);
  RowImageBuffer all = BlendByDifference(src, sm, 100, {}, 100, 100);
  RowImageBuffer none = BlendByDifference(src, sm, 0, {}, 0, 0);
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(std::memcmp(all.Row(y), sm.Row(y), 21), 0);
    EXPECT_EQ(std::memcmp(none.Row(y), src.Row(y), 21), 0);
  }
}

TEST(BlendByDifference, RefusesPicturesOfDifferentSizes) {
  RowImageBuffer a(3, 3), b(3, 4);
  EXPECT_THROW(BlendByDifference(a, b, 0, {}, 50, 40), EInvalidGraphicOperation);
}

// The blend pixel by pixel in the plainest form, as a yardstick for the fast path.
RowImageBuffer ReferenceBlend(const RowImage& src, const RowImage& sm, int fine, int rough, int mid) {
  fine = std::clamp(fine, 0, 100), mid = std::clamp(mid, 0, 100), rough = std::clamp(rough, 0, 100);
  RowImageBuffer out(src.Width, src.Height);
  for (int y = 0; y < src.Height; ++y)
    for (int x = 0; x < src.Width; ++x) {
      const Byte* s = src.Row(y) + x * 3;
      const Byte* t = sm.Row(y) + x * 3;
      int d = 0;
      for (int c = 0; c < 3; ++c)
        d = std::max(d, std::abs(int(s[c]) - int(t[c])));
      int m = d <= 2 ? fine : d <= 8 ? mid : rough;
      for (int c = 0; c < 3; ++c)
        out.Row(y)[x * 3 + c] = Byte(((100 - m) * s[c] + m * t[c]) / 100);
    }
  return out;
}

TEST(BlendByDifference, MatchesThePlainFormBitForBit) {
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {1, 7}, {15, 3}, {16, 2}, {17, 3}, {31, 2},
                                       {32, 1}, {33, 4}, {47, 3}, {48, 2}, {100, 3}, {129, 5}};
  const int amounts[][3] = {{0, 50, 40}, {100, 100, 100}, {0, 0, 0}, {100, 0, 50}, {37, 91, 3},
                            {-5, 150, 60}, {13, 67, 99}};
  for (auto [w, h] : sizes)
    for (const auto& a : amounts) {
      RowImageBuffer src(w, h), sm(w, h);
      for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * 3; ++i) {
          int v = int(next() % 256);
          // Moves of 0..12 in either direction reach all three bands; now and
          // then a jump to anywhere, and the extremes 0 and 255.
          int r = int(next() % 32);
          int t = r < 25 ? v + r / 2 - 6 : r < 30 ? int(next() % 256) : r == 30 ? 0 : 255;
          src.Row(y)[i] = Byte(v);
          sm.Row(y)[i] = Byte(std::clamp(t, 0, 255));
        }
      RowImageBuffer got = BlendByDifference(src, sm, a[0], {}, a[1], a[2]);
      RowImageBuffer want = ReferenceBlend(src, sm, a[0], a[1], a[2]);
      for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(RowImageStride(w))), 0)
            << w << "x" << h << " amounts " << a[0] << "," << a[1] << "," << a[2] << " row " << y;
    }
}

TEST(BlendByDifference, EveryBandAtEveryPlaceInARow) {
  // One moved channel per pixel, each channel and each pixel position in turn,
  // at the band limits 2/3 and 8/9, up and down.
  const int moves[] = {0, 1, 2, 3, -3, 8, 9, -8, -9, 40, -40};
  const int W = 37;
  for (int channel = 0; channel < 3; ++channel)
    for (int move : moves) {
      RowImageBuffer src(W, 2), sm(W, 2);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < W; ++x)
          for (int c = 0; c < 3; ++c) {
            int v = 60 + 3 * x + 20 * c;
            src.Row(y)[x * 3 + c] = Byte(v);
            sm.Row(y)[x * 3 + c] = Byte(c == channel && (x + y) % 2 == 0 ? v + move : v);
          }
      RowImageBuffer got = BlendByDifference(src, sm, 10, {}, 90, 50), want = ReferenceBlend(src, sm, 10, 90, 50);
      for (int y = 0; y < 2; ++y)
        ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), std::size_t(W) * 3), 0) << channel << " " << move;
    }
}

TEST(BlendByDifference, BitmapEntryPointMatchesTheBufferOne) {
  RowImageBuffer src = Make(35, 6, Portrait);
  RowImageBuffer sm = SmoothPicture(src, 7);
  std::unique_ptr<TBitmap> a = BitmapFromRows(src), b = BitmapFromRows(sm);
  std::unique_ptr<TBitmap> out = BlendByDifference(a.get(), b.get(), 0, {}, 50, 40);
  RowImageBuffer want = ReferenceBlend(src, sm, 0, 50, 40);
  const RowImage got = BitmapRows(out.get());
  for (int y = 0; y < 6; ++y)
    EXPECT_EQ(std::memcmp(got.Row(y), want.Row(y), 35 * 3), 0) << "row " << y;
}

}  // namespace

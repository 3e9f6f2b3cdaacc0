#include "app/pixels/RotateImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tests/app/pixels/RowImageTestSupport.h"

namespace {

BGR Grey(int v) { return BGR{Byte(v), Byte(v), Byte(v)}; }

// Pseudo-random but fixed content.
BGR Noise(int x, int y) {
  unsigned h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return BGR{Byte(h), Byte(h >> 8), Byte(h >> 16)};
}

// A bottom-up copy, as a DIB holds it: row 0 is last in memory.
struct BottomUp {
  std::vector<Byte> bytes;
  RowImage view;
  explicit BottomUp(const RowImage& source) {
    std::ptrdiff_t stride = RowImageStride(source.Width);
    bytes.assign(std::size_t(stride * source.Height), 0);
    view = RowImage{source.Width, source.Height, bytes.data() + (source.Height - 1) * stride, -stride};
    for (int y = 0; y < source.Height; ++y)
      std::memcpy(view.Row(y), source.Row(y), std::size_t(source.Width) * 3);
  }
};

void ExpectSame(const RowImage& a, const RowImage& b) {
  ASSERT_EQ(a.Width, b.Width);
  ASSERT_EQ(a.Height, b.Height);
  for (int y = 0; y < a.Height; ++y)
    for (int x = 0; x < a.Width; ++x)
      ASSERT_EQ(At(a, x, y), At(b, x, y)) << "at " << x << "," << y;
}

TEST(BicubicTable, RowsGivenAsExamples) {
  const auto& t = BicubicTable();
  EXPECT_EQ(t[0], (BicubicRow{0.0f, 1.0f, 0.0f, 0.0f}));
  EXPECT_EQ(t[25], (BicubicRow{-0.0703f, 0.8203f, 0.2734f, -0.0234f}));
  EXPECT_EQ(t[50], (BicubicRow{-0.0625f, 0.5625f, 0.5625f, -0.0625f}));
  EXPECT_EQ(t[100], (BicubicRow{0.0f, 0.0f, 1.0f, 0.0f}));
}

TEST(BicubicTable, EveryRowFollowsTheFourDecimalFormula) {
  const auto& table = BicubicTable();
  for (int k = 0; k <= 100; ++k) {
    double t = k / 100.0;
    double a = std::round(-t * (1 - t) * (1 - t) / 2 * 10000) / 10000;
    double d = std::round(-t * t * (1 - t) / 2 * 10000) / 10000;
    BicubicRow expected{float(a), float((1 - t) - a), float(t - d), float(d)};
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(table[k][j], expected[j], 1e-7) << "row " << k << " weight " << j;
  }
}

TEST(EnlargeBicubic, TwoByTwoToThreeByThreeKeepsCornersAndAveragesTheCentre) {
  const int v[2][2] = {{10, 20}, {30, 41}};
  RowImageBuffer src = Make(2, 2, [&](int x, int y) { return BGR{Byte(v[y][x]), Byte(2 * v[y][x]), 0}; });
  RowImageBuffer out = EnlargeBicubic(src, 3, 3);
  ASSERT_EQ(out.Width(), 3);
  ASSERT_EQ(out.Height(), 3);
  EXPECT_EQ(At(out, 0, 0), At(src, 0, 0));
  EXPECT_EQ(At(out, 2, 0), At(src, 1, 0));
  EXPECT_EQ(At(out, 0, 2), At(src, 0, 1));
  EXPECT_EQ(At(out, 2, 2), At(src, 1, 1));
  // Centre: (10 + 20 + 30 + 41) / 4 = 25.25 and twice that 50.5, a half that goes to even.
  EXPECT_EQ(At(out, 1, 1), (BGR{25, 50, 0}));
  // Top edge midpoint: (10 + 20) / 2.
  EXPECT_EQ(At(out, 1, 0).B, 15);
}

TEST(EnlargeBicubic, FractionOnAnExactHalfPercentRoundsToEven) {
  // Column x of 201 sits at x / 200: column 1 at 0.005 (row Round(0.5) = 0),
  // column 3 at 0.015 (row Round(1.5) = 2, weight 0.0202 - 0.0002 on the right pixel).
  RowImageBuffer src = Make(2, 2, [](int x, int) { return Grey(x ? 200 : 0); });
  RowImageBuffer out = EnlargeBicubic(src, 201, 2);
  EXPECT_EQ(At(out, 1, 0).G, 0);
  EXPECT_EQ(At(out, 3, 0).G, 4);
  EXPECT_EQ(At(out, 100, 1).G, 100);
  EXPECT_EQ(At(out, 200, 1).G, 200);
}

TEST(EnlargeBicubic, SizesBelowTwoBecomeTwo) {
  RowImageBuffer src = Make(1, 1, [](int, int) { return BGR{1, 2, 3}; });
  RowImageBuffer out = EnlargeBicubic(src, 1, 0);
  ASSERT_EQ(out.Width(), 2);
  ASSERT_EQ(out.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(At(out, x, y), (BGR{1, 2, 3}));
}

// The enlargement written out directly, one pixel at a time: position
// i (size - 1) / (count - 1), the fraction's table row rounded half to even,
// and the sixteen products summed row by row in single precision.
RowImageBuffer ReferenceEnlarge(const RowImage& src, int w, int h) {
  w = std::max(w, 2), h = std::max(h, 2);
  RowImageBuffer out(w, h);
  const auto& table = BicubicTable();
  auto place = [](int i, int count, int size, int& whole, int& row) {
    long long num = (long long)i * (size - 1), den = count - 1;
    whole = int(num / den);
    row = int(std::nearbyint(double(num % den) * 100 / double(den)));
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sx, sy, rx, ry;
      place(x, w, src.Width, sx, rx);
      place(y, h, src.Height, sy, ry);
      const BicubicRow& wx = table[std::size_t(rx)];
      const BicubicRow& wy = table[std::size_t(ry)];
      float sum[3] = {};
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
          float q = wy[i] * wx[j];
          BGR p = At(src, std::clamp(sx - 1 + j, 0, src.Width - 1), std::clamp(sy - 1 + i, 0, src.Height - 1));
          sum[0] += q * p.B, sum[1] += q * p.G, sum[2] += q * p.R;
        }
      Byte* o = out.Row(y) + x * 3;
      for (int c = 0; c < 3; ++c)
        o[c] = Byte(std::clamp(int(std::nearbyint(sum[c])), 0, 255));
    }
  return out;
}

TEST(EnlargeBicubic, MatchesTheDirectDefinition) {
  const std::pair<int, int> sizes[][2] = {
      {{1, 1}, {2, 2}},   {{1, 1}, {5, 3}},    {{2, 2}, {3, 3}},     {{2, 2}, {9, 7}},    {{3, 2}, {11, 2}},
      {{1, 7}, {4, 20}},  {{7, 5}, {7, 5}},    {{7, 5}, {8, 6}},     {{13, 9}, {40, 31}}, {{16, 9}, {33, 19}},
      {{50, 30}, {101, 61}}, {{37, 23}, {38, 97}}, {{5, 4}, {201, 2}}, {{64, 3}, {65, 9}}};
  for (const auto& s : sizes) {
    RowImageBuffer src = Make(s[0].first, s[0].second, Noise);
    ExpectSame(EnlargeBicubic(src, s[1].first, s[1].second), ReferenceEnlarge(src, s[1].first, s[1].second));
    BottomUp dib(src);
    ExpectSame(EnlargeBicubic(dib.view, s[1].first, s[1].second), ReferenceEnlarge(src, s[1].first, s[1].second));
  }
}

// Sharp black and white steps push the sums past 0 and 255, so the clamping counts.
TEST(EnlargeBicubic, MatchesTheDirectDefinitionOnHardEdges) {
  RowImageBuffer src = Make(9, 8, [](int x, int y) { return Grey(((x / 2 + y) & 1) ? 255 : 0); });
  for (auto [w, h] : {std::pair{10, 9}, {17, 15}, {64, 57}})
    ExpectSame(EnlargeBicubic(src, w, h), ReferenceEnlarge(src, w, h));
}

TEST(ReduceAverage, FourByOneToTwoByOneAveragesPairsInTwoRows) {
  const int v[4] = {10, 21, 30, 43};
  RowImageBuffer src = Make(4, 1, [&](int x, int) { return Grey(v[x]); });
  RowImageBuffer out = ReduceAverage(src, 2, 1);
  ASSERT_EQ(out.Width(), 2);
  ASSERT_EQ(out.Height(), 2);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(At(out, 0, y).R, 16);  // 15.5 to even
    EXPECT_EQ(At(out, 1, y).R, 36);  // 36.5 to even
  }
}

TEST(ReduceAverage, PartialColumnsCountByTheirShare) {
  // 3 columns into 2: (0 x 1 + 90 x 0.5) / 1.5 = 30 and (90 x 0.5 + 200 x 1) / 1.5 = 163.3.
  const int v[3] = {0, 90, 200};
  RowImageBuffer src = Make(3, 2, [&](int x, int) { return BGR{Byte(v[x]), 7, 255}; });
  RowImageBuffer out = ReduceAverage(src, 2, 2);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(At(out, 0, y), (BGR{30, 7, 255}));
    EXPECT_EQ(At(out, 1, y), (BGR{163, 7, 255}));
  }
}

TEST(ReduceAverage, MatchesTheBlockMeanOfAnOddPicture) {
  RowImageBuffer src = Make(13, 7, Noise);
  RowImageBuffer out = ReduceAverage(src, 5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      // Exact areas: source column c covers [c, c + 1) of 13, result column x covers [13x/5, 13(x+1)/5).
      double sum[3] = {}, total = 0;
      for (int sy = 0; sy < 7; ++sy)
        for (int sx = 0; sx < 13; ++sx) {
          double wx = std::max(0.0, std::min(sx + 1.0, 13.0 * (x + 1) / 5) - std::max(double(sx), 13.0 * x / 5));
          double wy = std::max(0.0, std::min(sy + 1.0, 7.0 * (y + 1) / 3) - std::max(double(sy), 7.0 * y / 3));
          BGR c = At(src, sx, sy);
          total += wx * wy;
          sum[0] += wx * wy * c.B, sum[1] += wx * wy * c.G, sum[2] += wx * wy * c.R;
        }
      BGR got = At(out, x, y);
      EXPECT_NEAR(got.B, sum[0] / total, 0.5 + 1e-3);
      EXPECT_NEAR(got.G, sum[1] / total, 0.5 + 1e-3);
      EXPECT_NEAR(got.R, sum[2] / total, 0.5 + 1e-3);
    }
}

TEST(ReduceAverage, ProductsAreExactAndOnlyTheRunningSumIsSingle) {
  // Worked out with q x value exact and the sum rounded to single after each
  // addition; rounding each product to single first gives 77, 128 and 142/154.
  auto byte = [](int x, int y, int c) { return Byte((x * 37 + y * 91 + c * 13) % 256); };
  RowImageBuffer src = Make(6, 6, [&](int x, int y) { return BGR{byte(x, y, 0), byte(x, y, 1), byte(x, y, 2)}; });
  RowImageBuffer out = ReduceAverage(src, 5, 5);
  EXPECT_EQ(At(out, 1, 0), (BGR{65, 78, 91}));
  EXPECT_EQ(At(out, 0, 1), (BGR{127, 140, 153}));
  EXPECT_EQ(At(out, 2, 1), (BGR{129, 141, 155}));
}

TEST(ResizePicture, PicksThePathBySize) {
  RowImageBuffer src = Make(100, 50, Noise);
  ExpectSame(ResizePicture(src, 100, 50), src);
  ExpectSame(ResizePicture(src, 120, 60), EnlargeBicubic(src, 120, 60));
  ExpectSame(ResizePicture(src, 40, 50), ReduceAverage(src, 40, 50));
  // One side grows, the other shrinks: through a square of the larger side.
  ExpectSame(ResizePicture(src, 80, 80), EnlargeBicubic(src, 80, 80));
  ExpectSame(ResizePicture(src, 60, 70), ReduceAverage(EnlargeBicubic(src, 70, 70), 60, 70));
}

TEST(ResizePicture, RefusesSizesOutsideSixteenBits) {
  RowImageBuffer src = Make(4, 4, Noise);
  for (auto [w, h] : {std::pair{0, 4}, {4, -1}, {65536, 4}, {4, 70000}})
    EXPECT_THROW(ResizePicture(src, w, h), EOutOfMemory) << w << "x" << h;
  // 65535 x 65535 would need 12.9 GB: refused before any allocation.
  EXPECT_THROW(ResizePicture(src, 65535, 65535), EOutOfMemory);
}

TEST(QuarterTurns, MatchTheIndexMapping) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 2}, {37, 33}, {70, 5}}) {
    RowImageBuffer src = Make(w, h, Noise);
    BottomUp dib(src);
    for (const RowImage& in : {src.View(), dib.view}) {
      RowImageBuffer r90 = Rotate90(in), r270 = Rotate270(in), r180 = Rotate180(in);
      ASSERT_EQ(r90.Width(), h);
      ASSERT_EQ(r90.Height(), w);
      ASSERT_EQ(r270.Width(), h);
      ASSERT_EQ(r270.Height(), w);
      ASSERT_EQ(r180.Width(), w);
      ASSERT_EQ(r180.Height(), h);
      for (int y = 0; y < w; ++y)
        for (int x = 0; x < h; ++x) {
          ASSERT_EQ(At(r90, x, y), Noise(y, h - 1 - x));
          ASSERT_EQ(At(r270, x, y), Noise(w - 1 - y, x));
        }
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(At(r180, x, y), Noise(w - 1 - x, h - 1 - y));
    }
  }
}

TEST(QuarterTurns, NinetyIsClockwiseOnTheScreen) {
  // The top-left pixel of a tall picture ends at the top-right.
  RowImageBuffer src = Make(2, 3, [](int x, int y) { return Grey(x == 0 && y == 0 ? 255 : 0); });
  RowImageBuffer out = Rotate90(src);
  EXPECT_EQ(At(out, 2, 0).R, 255);
}

TEST(RotateAnyAngle, OnePixelStaysOnePixel) {
  RowImageBuffer src = Make(1, 1, [](int, int) { return BGR{9, 99, 199}; });
  for (double angle : {45.0, 30.0, 0.5, -170.0}) {
    RowImageBuffer out = RotateAnyAngle(src, angle);
    ASSERT_EQ(out.Width(), 1);
    ASSERT_EQ(out.Height(), 1);
    EXPECT_EQ(At(out, 0, 0), (BGR{9, 99, 199}));
  }
}

TEST(RotateAnyAngle, NinetyDegreesMatchesTheQuarterTurn) {
  RowImageBuffer src = Make(10, 6, Noise);
  ExpectSame(RotateAnyAngle(src, 90), Rotate90(src));
}

TEST(RotateAnyAngle, SizeFromTheTurnedCornersAndWhiteCorners) {
  RowImageBuffer src = Make(40, 30, [](int, int) { return Grey(0); });
  RowImageBuffer out = RotateAnyAngle(src, 30);
  // Corners about (20, 15): x' spans [20 - 20c - 15s .. 20 + 19c + 14s] etc.
  double c = std::cos(std::numbers::pi / 6), s = std::sin(std::numbers::pi / 6);
  int left = int(std::floor(20 + (-20 * c - 14 * s))), right = int(std::ceil(20 + (19 * c + 15 * s)));
  int top = int(std::floor(15 + (-20 * s - 15 * c))), bottom = int(std::ceil(15 + (19 * s + 14 * c)));
  EXPECT_EQ(out.Width(), right - left + 1);
  EXPECT_EQ(out.Height(), bottom - top + 1);
  EXPECT_EQ(At(out, 0, 0), Grey(255));
  EXPECT_EQ(At(out, out.Width() - 1, out.Height() - 1), Grey(255));
  EXPECT_EQ(At(out, out.Width() / 2, out.Height() / 2), Grey(0));
}

// The rotation written out directly from its definition, one pixel at a time.
RowImageBuffer ReferenceRotate(const RowImage& src, double angle) {
  const int W = src.Width, H = src.Height;
  auto padded = [&](int x, int y) {
    x = std::clamp(x, 0, W + 5), y = std::clamp(y, 0, H + 5);
    return (x < 3 || y < 3 || x >= W + 3 || y >= H + 3) ? Grey(255) : At(src, x - 3, y - 3);
  };
  double th = angle * std::numbers::pi / 180;
  int cx = W / 2, cy = H / 2;
  auto map = [&](int x, int y, double t, int ox, int oy, float& mx, float& my) {
    float offx = float((x - ox) * std::cos(t) - (y - oy) * std::sin(t));
    float offy = float((x - ox) * std::sin(t) + (y - oy) * std::cos(t));
    mx = float(ox + offx), my = float(oy + offy);
  };
  float xs[4], ys[4];
  map(0, 0, th, cx, cy, xs[0], ys[0]);
  map(W - 1, 0, th, cx, cy, xs[1], ys[1]);
  map(0, H - 1, th, cx, cy, xs[2], ys[2]);
  map(W - 1, H - 1, th, cx, cy, xs[3], ys[3]);
  int left = int(std::floor(*std::min_element(xs, xs + 4))), right = int(std::ceil(*std::max_element(xs, xs + 4)));
  int top = int(std::floor(*std::min_element(ys, ys + 4))), bottom = int(std::ceil(*std::max_element(ys, ys + 4)));
  RowImageBuffer out(right - left + 1, bottom - top + 1);
  const auto& table = BicubicTable();
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      float mx, my;
      map(x, y, -th, cx - left, cy - top, mx, my);
      float px = mx + float(left + 3), py = my + float(top + 3);
      if (px < 0 || py < 0 || px > W + 5 || py > H + 5)
        continue;
      int ix = int(px), iy = int(py);
      const BicubicRow& wx = table[std::size_t(std::nearbyint((px - ix) * 100.0))];
      const BicubicRow& wy = table[std::size_t(std::nearbyint((py - iy) * 100.0))];
      float sum[3] = {};
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
          float q = wy[i] * wx[j];
          BGR p = padded(ix - 1 + j, iy - 1 + i);
          sum[0] += q * p.B, sum[1] += q * p.G, sum[2] += q * p.R;
        }
      Byte* o = out.Row(y) + x * 3;
      for (int c = 0; c < 3; ++c)
        o[c] = Byte(std::clamp(int(std::nearbyint(sum[c])), 0, 255));
    }
  return out;
}

TEST(RotateAnyAngle, MatchesTheDirectDefinition) {
  for (auto [w, h] : {std::pair{2, 2}, {7, 5}, {16, 9}}) {
    RowImageBuffer src = Make(w, h, Noise);
    for (double angle : {30.0, -12.5, 0.5, 135.0, 271.0})
      ExpectSame(RotateAnyAngle(src, angle), ReferenceRotate(src, angle));
  }
}

TEST(RotateAnyAngle, MatchesTheDirectDefinitionAtMoreSizesAndAngles) {
  for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {3, 3}, {5, 2}, {13, 11}, {33, 17}, {40, 41}}) {
    RowImageBuffer src = Make(w, h, Noise);
    BottomUp dib(src);
    for (double angle : {1.0, 30.0, 45.0, -60.0, 89.9, 90.0, 180.0, 200.3, -359.0}) {
      RowImageBuffer want = ReferenceRotate(src, angle);
      ExpectSame(RotateAnyAngle(src, angle), want);
      ExpectSame(RotateAnyAngle(dib.view, angle), want);
    }
  }
  RowImageBuffer edges = Make(12, 10, [](int x, int y) { return Grey(((x + y / 2) & 1) ? 255 : 0); });
  for (double angle : {7.0, 30.0, -33.3})
    ExpectSame(RotateAnyAngle(edges, angle), ReferenceRotate(edges, angle));
}

TEST(QuarterTurns, MatchTheIndexMappingAtMoreSizes) {
  for (auto [w, h] : {std::pair{1, 5}, {5, 1}, {2, 3}, {4, 4}, {15, 16}, {16, 15}, {17, 33}, {33, 17}, {64, 65},
                      {67, 130}}) {
    RowImageBuffer src = Make(w, h, Noise);
    BottomUp dib(src);
    for (const RowImage& in : {src.View(), dib.view}) {
      RowImageBuffer r90 = Rotate90(in), r270 = Rotate270(in);
      ASSERT_EQ(r90.Width(), h);
      ASSERT_EQ(r90.Height(), w);
      for (int y = 0; y < w; ++y)
        for (int x = 0; x < h; ++x) {
          ASSERT_EQ(At(r90, x, y), Noise(y, h - 1 - x)) << w << "x" << h;
          ASSERT_EQ(At(r270, x, y), Noise(w - 1 - y, x)) << w << "x" << h;
        }
    }
  }
}

TEST(CropBlockToImage, HalfZoomFreeFrame) {
  // Round(109 / 0.5) = 218 and Round(59 / 0.5) = 118: a block of 199 by 99.
  EXPECT_EQ(CropBlockToImage(10, 10, 109, 59, 0.5, 0, 0, 1000, 800), (TRect{20, 20, 219, 119}));
}

TEST(CropBlockToImage, LastDisplayColumnAtZoomTwoStaysOnThePicture) {
  // Round(199 / 2) = Round(99.5) = 100, one past a 100-pixel-wide picture.
  EXPECT_EQ(CropBlockToImage(0, 0, 199, 99, 2.0, 0, 0, 100, 50), (TRect{0, 0, 100, 50}));
}

TEST(CropBlockToImage, RatioGivesTheHeightAndIsKeptAtTheBottomEdge) {
  // 3 : 4, width 60 gives height 80.
  EXPECT_EQ(CropBlockToImage(10, 10, 69, 0, 1.0, 3, 4, 200, 200), (TRect{10, 10, 70, 90}));
  // Only 40 rows remain below row 10: height 40, width Round(40 x 3 / 4) = 30.
  EXPECT_EQ(CropBlockToImage(10, 10, 69, 0, 1.0, 3, 4, 200, 50), (TRect{10, 10, 40, 50}));
}

TEST(CropBlockToImage, NothingLeftGivesAnEmptyBlock) {
  EXPECT_TRUE(CropBlockToImage(300, 10, 320, 20, 1.0, 0, 0, 100, 100).IsEmpty());
  EXPECT_TRUE(CropBlockToImage(0, 0, 10, 10, 0.0, 0, 0, 100, 100).IsEmpty());
}

TEST(CopyBlock, CopiesTheBlock) {
  RowImageBuffer src = Make(9, 7, Noise);
  RowImageBuffer out = CopyBlock(src, TRect{2, 3, 7, 5});
  ASSERT_EQ(out.Width(), 5);
  ASSERT_EQ(out.Height(), 2);
  EXPECT_EQ(At(out, 0, 0), Noise(2, 3));
  EXPECT_EQ(At(out, 4, 1), Noise(6, 4));
}

TEST(RotateImage, EmptyPictureIsRefused) {
  RowImage empty{};
  EXPECT_THROW(EnlargeBicubic(empty, 4, 4), EInvalidGraphicOperation);
  EXPECT_THROW(Rotate90(empty), EInvalidGraphicOperation);
  EXPECT_THROW(RotateAnyAngle(empty, 30), EInvalidGraphicOperation);
}

}  // namespace

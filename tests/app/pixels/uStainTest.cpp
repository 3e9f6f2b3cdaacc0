#include "app/pixels/uStain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

RowImageBuffer Filled(int w, int h, Byte v) {
  RowImageBuffer image(w, h);
  for (int y = 0; y < h; ++y)
    std::memset(image.Row(y), v, std::size_t(w) * 3);
  return image;
}

Byte& Channel(const RowImage& image, int x, int y, int c) { return image.Row(y)[x * 3 + c]; }

TEST(EraseDiscToImage, ZoomConversions) {
  EXPECT_EQ(EraseDiscToImage(TPoint{100, 100}, 15, 1.0), (EraseDisc{100, 100, 15}));
  EXPECT_EQ(EraseDiscToImage(TPoint{100, 100}, 15, 0.5), (EraseDisc{200, 200, 30}));
  // Halves go to even: 5 / 2 = 2.5 -> 2, 7 / 2 = 3.5 -> 4.
  EXPECT_EQ(EraseDiscToImage(TPoint{5, 7}, 5, 2.0), (EraseDisc{2, 4, 2}));
}

TEST(EraseDiscPixels, CentresNearTheLimitsOfIntStayOutside) {
  constexpr int hi = std::numeric_limits<int>::max(), lo = std::numeric_limits<int>::min();
  RowImageBuffer image = Filled(8, 8, 0);
  Channel(image, 3, 3, 1) = 90;
  // Scaled by a zoom below 1 these land beyond int; they must not wrap into the picture.
  for (TPoint at : {TPoint{hi, 3}, TPoint{3, hi}, TPoint{lo, lo}, TPoint{hi - 2, hi - 2}})
    for (double zoom : {1.0, 0.5, 1e-6})
      EXPECT_FALSE(ErasePatch(image, at, 15, zoom)) << at.X << "," << at.Y << " zoom " << zoom;
  for (EraseDisc d : {EraseDisc{hi, hi, 65535}, EraseDisc{lo, 3, 65535}, EraseDisc{3, lo + 1, 2}})
    EXPECT_FALSE(EraseDiscPixels(image, d));
  EXPECT_EQ(Channel(image, 3, 3, 1), 90);
}

TEST(EraseDiscPixels, RingAndDiscOnAFiveByFive) {
  // R = 2 about (2, 2): the ring is s = 4 or 5 (twelve pixels), the disc s <= 1;
  // the four diagonal neighbours (s = 2) and the corners (s = 8) are neither.
  RowImageBuffer image = Filled(5, 5, 0);
  Channel(image, 4, 2, 1) = 255;  // ring pixel (0, +2), green only
  for (int c : {0, 2})
    Channel(image, 1, 1, c) = 99;  // diagonal neighbour, not part of anything
  ASSERT_TRUE(EraseDiscPixels(image, EraseDisc{2, 2, 2}));
  // Centre: 255 x (1/4) / (4 x 1/4 + 8 x 1/5) = 24.52.
  EXPECT_EQ(Channel(image, 2, 2, 1), 25);
  EXPECT_EQ(Channel(image, 2, 2, 0), 0);
  // (3, 2) against the twelve ring pixels, worked out in double.
  const int ring[12][2] = {{0, 2}, {0, -2}, {2, 0}, {-2, 0}, {1, 2}, {-1, 2}, {1, -2}, {-1, -2},
                           {2, 1}, {2, -1}, {-2, 1}, {-2, -1}};
  double total = 0, lit = 0;
  for (auto [dx, dy] : ring) {
    double d2 = (dx - 1) * (dx - 1) + dy * dy;
    total += 1 / d2;
    if (dx == 2 && dy == 0)
      lit = 1 / d2;
  }
  EXPECT_NEAR(Channel(image, 3, 2, 1), 255 * lit / total, 0.5);
  EXPECT_EQ(Channel(image, 1, 1, 0), 99);  // untouched
  EXPECT_EQ(Channel(image, 4, 2, 1), 255);  // the ring itself is not refilled
}

TEST(EraseDiscPixels, UniformAreaIsUnchanged) {
  RowImageBuffer image = Filled(80, 60, 173);
  ASSERT_TRUE(ErasePatch(image, TPoint{40, 30}, 15, 1.0));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 240; ++x)
      ASSERT_EQ(image.Row(y)[x], 173);
}

TEST(EraseDiscPixels, RingEntirelyOffThePictureChangesNothing) {
  // A 6 by 4 picture, a disc of radius 30 around its middle: the disc covers it
  // all and no ring pixel exists, so there is nothing to interpolate from.
  RowImageBuffer image = Filled(6, 4, 0);
  Channel(image, 2, 1, 0) = 200;
  EXPECT_FALSE(EraseDiscPixels(image, EraseDisc{3, 2, 30}));
  EXPECT_EQ(Channel(image, 2, 1, 0), 200);
  EXPECT_FALSE(EraseDiscPixels(image, EraseDisc{3, 2, 0}));
  EXPECT_FALSE(ErasePatch(image, TPoint{3, 2}, 15, 0.0));
}

// Direct form of the refill for comparison, using the ring pixels on the picture.
void ReferenceErase(const RowImage& image, int cx, int cy, int R) {
  struct P {
    int x, y;
    Byte c[3];
  };
  std::vector<P> ring;
  int f = int(std::floor(std::sqrt(R * R / 2.0)));
  for (int y = std::max(0, cy - R); y <= std::min(image.Height - 1, cy + R); ++y)
    for (int x = std::max(0, cx - R); x <= std::min(image.Width - 1, cx + R); ++x) {
      if (std::abs(y - cy) < f && std::abs(x - cx) < f)
        continue;
      if (std::nearbyint(std::sqrt(double((y - cy) * (y - cy) + (x - cx) * (x - cx)))) == R)
        ring.push_back(P{x, y, {Channel(image, x, y, 0), Channel(image, x, y, 1), Channel(image, x, y, 2)}});
    }
  for (int y = std::max(0, cy - R + 1); y <= std::min(image.Height - 1, cy + R - 1); ++y)
    for (int x = std::max(0, cx - R + 1); x <= std::min(image.Width - 1, cx + R - 1); ++x) {
      if (std::sqrt(double((y - cy) * (y - cy) + (x - cx) * (x - cx))) > R - 1)
        continue;
      float total = 0;
      std::vector<float> w;
      for (const P& p : ring) {
        float t = float(std::sqrt(double((p.y - y) * (p.y - y) + (p.x - x) * (p.x - x))));
        w.push_back(float((1.0 / t) * (1.0 / t)));
        total += w.back();
      }
      for (int c = 0; c < 3; ++c) {
        float sum = 0;
        for (std::size_t i = 0; i < ring.size(); ++i)
          sum = float(sum + double(ring[i].c[c]) * w[i] / total);
        Channel(image, x, y, c) = Byte(std::nearbyint(sum));
      }
    }
}

TEST(EraseDiscPixels, MatchesTheDirectFormInsideAndClippedAtEdges) {
  const int w = 41, h = 33;
  RowImageBuffer a(w, h), b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x)
      a.Row(y)[x] = b.Row(y)[x] = Byte((x * 37 + y * 101 + (x * y) % 13) & 255);
  const int cases[][3] = {{20, 16, 9}, {0, 0, 6}, {40, 32, 12}, {3, 30, 5}, {20, 2, 15}, {20, 16, 1}};
  for (auto [cx, cy, R] : cases) {
    ASSERT_TRUE(EraseDiscPixels(a, EraseDisc{cx, cy, R}));
    ReferenceErase(b, cx, cy, R);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), std::size_t(w) * 3), 0) << cx << "," << cy << " R" << R << " row " << y;
  }
}

TEST(EraseDiscPixels, TinyPictures) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 1}}) {
    RowImageBuffer image = Filled(w, h, 50);
    for (int R : {1, 2, 5})
      for (int c = -1; c <= w; ++c)
        EraseDiscPixels(image, EraseDisc{c, c, R});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w * 3; ++x)
        EXPECT_EQ(image.Row(y)[x], 50);
  }
}

TEST(EraseDiscPixels, MatchesTheDirectFormForLargerDiscsAndOddRuns) {
  // Even and odd run lengths and starts, discs clipped on every side.
  const int w = 91, h = 77;
  RowImageBuffer a(w, h), b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x)
      a.Row(y)[x] = b.Row(y)[x] = Byte((x * 53 + y * 29 + (x * y) % 17) & 255);
  const int cases[][3] = {{45, 38, 30}, {44, 37, 31}, {0, 38, 20}, {90, 10, 25}, {45, 76, 18}, {7, 3, 2}, {8, 3, 3}};
  for (auto [cx, cy, R] : cases) {
    ASSERT_TRUE(EraseDiscPixels(a, EraseDisc{cx, cy, R}));
    ReferenceErase(b, cx, cy, R);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), std::size_t(w) * 3), 0) << cx << "," << cy << " R" << R << " row " << y;
  }
}

TEST(EraseDiscPixels, MatchesTheDirectFormOnSmallPictures) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 2}, {5, 4}, {6, 5}})
    for (int R : {1, 2, 3})
      for (int c = -1; c <= w; ++c) {
        RowImageBuffer a(w, h);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w * 3; ++x)
            a.Row(y)[x] = Byte((x * 71 + y * 13) & 255);
        RowImageBuffer b = RowImageBuffer::CopyOf(a);
        if (!EraseDiscPixels(a, EraseDisc{c, c / 2, R}))
          continue;  // no ring on the picture: nothing was changed
        ReferenceErase(b, c, c / 2, R);
        for (int y = 0; y < h; ++y)
          ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), std::size_t(w) * 3), 0) << w << "x" << h << " R" << R;
      }
}

TEST(EraseDiscPixels, MatchesTheDirectFormOnNoiseUnderAWideDisc) {
  // Noise gives every colour and weight total its own quotients; runs of
  // eight and more take the widest path.
  const int w = 120, h = 110;
  RowImageBuffer a(w, h);
  std::uint32_t seed = 12345u;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) {
      seed = seed * 1664525u + 1013904223u;
      a.Row(y)[x] = Byte(seed >> 24);
    }
  RowImageBuffer b = RowImageBuffer::CopyOf(a);
  ASSERT_TRUE(EraseDiscPixels(a, EraseDisc{61, 52, 47}));
  ReferenceErase(b, 61, 52, 47);
  for (int y = 0; y < h; ++y)
    ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), std::size_t(w) * 3), 0) << "row " << y;
}

}  // namespace

#include <gtest/gtest.h>

#include "imaging/core/processing/pictoraproc_magicwand.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using bitmaptest::NewBitmap;

// '.' white, '#' black in every format; in 24 bits also 'a' (10, 10, 10),
// 'b' (20, 20, 20), 'c' (30, 30, 30), 'g' (20, 31, 20).
TRGBPixel WandColour(char c) {
  switch (c) {
    case '.': return {255, 255, 255};
    case 'a': return {10, 10, 10};
    case 'b': return {20, 20, 20};
    case 'c': return {30, 30, 30};
    case 'g': return {20, 31, 20};
    default: return {0, 0, 0};
  }
}

std::unique_ptr<TVQBitmap> WandPicture(const std::vector<std::string>& g, TVQPixelFormat f = vqRGB24,
                                       TVQLocation l = vqMemoryBuffer) {
  const int w = static_cast<int>(g[0].size()), h = static_cast<int>(g.size());
  auto b = NewBitmap(l, w, h, f);
  if (f == vqPalette8) {
    b->SetPaletteColor(0, TRGBPixel{0, 0, 0});
    b->SetPaletteColor(1, TRGBPixel{255, 255, 255});
  }
  for (int y = 0; y < h; ++y) {
    Byte* row = b->GetScanline(y);
    for (int x = 0; x < w; ++x) {
      const bool white = g[y][x] == '.';
      const TRGBPixel p = WandColour(g[y][x]);
      switch (f) {
        case vqBits1:
          if (white) row[x >> 3] |= static_cast<Byte>(0x80 >> (x & 7));
          break;
        case vqPalette8: row[x] = white ? 1 : 0; break;
        case vqGray8: row[x] = white ? 255 : 0; break;
        case vqGray16: row[2 * x] = row[2 * x + 1] = white ? 255 : 0; break;
        case vq32f: {
          const float v = white ? 1.0f : 0.0f;
          std::memcpy(row + 4 * x, &v, 4);
          break;
        }
        case vqCMYK: {
          const TCMYKPixel k = RGBToCMYK(p);
          std::memcpy(row + 4 * x, &k, 4);
          break;
        }
        default: std::memcpy(row + 3 * x, &p, 3);
      }
    }
  }
  return b;
}

std::vector<std::string> WandMaskText(TVQMask& m) {
  std::vector<std::string> out;
  for (int y = 0; y < m.Height(); ++y) {
    std::string row;
    for (int x = 0; x < m.Width(); ++x) row += m.GetPixel(x, y) ? 'X' : '-';
    out.push_back(row);
  }
  return out;
}

// Dots reached only by going down, across, up and down again.
const std::vector<std::string> kWandWinding = {".#...", ".#.#.", ".#.#.", "...#."};
const std::vector<std::string> kWandWindingRegion = {"X-XXX", "X-X-X", "X-X-X", "XXX-X"};

struct TWandCase {
  const char* name;
  std::vector<std::string> picture;
  int x, y, tolerance;
  bool grow, global;
  std::vector<std::string> expected;
};

TEST(MagicWand, RegionsOnHandMadeShapes) {
  const TWandCase cases[] = {
      {"single pixel", {"#####", "##.##", "#####"}, 2, 1, 0, false, false, {"-----", "--X--", "-----"}},
      {"single pixel grown", {"#####", "##.##", "#####", "#####"}, 2, 1, 0, true, false,
       {"-XXX-", "-XXX-", "-XXX-", "-----"}},
      {"grown at the corner is clipped", {".##", "###"}, 0, 0, 0, true, false, {"XX-", "XX-"}},
      {"corner touch is two regions", {"..##", "..##", "##..", "##.."}, 0, 0, 0, false, false,
       {"XX--", "XX--", "----", "----"}},
      {"corner touch, global", {"..##", "..##", "##..", "##.."}, 0, 0, 0, false, true,
       {"XX--", "XX--", "--XX", "--XX"}},
      {"winding", kWandWinding, 0, 0, 0, false, false, kWandWindingRegion},
      {"winding from the far end", kWandWinding, 4, 3, 0, false, false, kWandWindingRegion},
      {"tolerance 10 takes 10 to 30", {"#abc.", "#abc."}, 2, 0, 10, false, false, {"-XXX-", "-XXX-"}},
      {"tolerance 9 takes only 20", {"#abc.", "#abc."}, 2, 1, 9, false, false, {"--X--", "--X--"}},
      {"each channel on its own", {"bgbb", "bbbg"}, 0, 0, 10, false, false, {"X-XX", "XXX-"}},
      {"tolerance 255 takes all", {"#a.g", "c.b#"}, 1, 1, 255, false, false, {"XXXX", "XXXX"}},
      {"global with tolerance", {"#ab.", ".cb#"}, 2, 0, 10, false, true, {"-XX-", "-XX-"}},
      {"flat picture", {"....", "....", "...."}, 3, 2, 0, false, false, {"XXXX", "XXXX", "XXXX"}},
      {"wide rows across whole bytes",
       {"................#...................", "................#.........#.........",
        "..........................#.......#."},
       20, 0, 0, false, false,
       {"XXXXXXXXXXXXXXXX-XXXXXXXXXXXXXXXXXXX", "XXXXXXXXXXXXXXXX-XXXXXXXXX-XXXXXXXXX",
        "XXXXXXXXXXXXXXXXXXXXXXXXXX-XXXXXXX-X"}},
      {"wide rows, walled in",
       {"........#.......#...", "........#.......#...", "........#########..."}, 9, 1, 0, true, false,
       {"--------XXXXXXXXX---", "--------XXXXXXXXX---", "--------XXXXXXXXX---"}},
  };
  for (const auto& c : cases) {
    auto b = WandPicture(c.picture);
    TVQMask m;
    m.AllocateBits(b->GetWidth(), b->GetHeight(), 8);
    if (c.global) MagicWandGlobal(b.get(), c.x, c.y, 200, &m, c.tolerance);
    else MagicWandFill(b.get(), c.x, c.y, 200, &m, c.tolerance, c.grow);
    EXPECT_EQ(WandMaskText(m), c.expected) << c.name;
    for (int y = 0; y < m.Height(); ++y)
      for (int x = 0; x < m.Width(); ++x) EXPECT_TRUE(m.GetPixel(x, y) == 0 || m.GetPixel(x, y) == 200) << c.name;
  }
}

TEST(MagicWand, EveryFormatAndStorage) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (TVQPixelFormat f : {vqBits1, vqPalette8, vqGray8, vqGray16, vqRGB24, vq32f, vqCMYK}) {
      auto b = WandPicture(kWandWinding, f, l);
      TVQMask m;
      m.AllocateBits(5, 4, 1);
      MagicWandFill(b.get(), 2, 0, 1, &m, 0, false);
      EXPECT_EQ(WandMaskText(m), kWandWindingRegion) << bitmaptest::FormatName(f);
      TVQMask g;
      g.AllocateBits(5, 4, 1);
      MagicWandGlobal(b.get(), 1, 1, 1, &g, 0);
      EXPECT_EQ(WandMaskText(g), (std::vector<std::string>{"-X---", "-X-X-", "-X-X-", "---X-"}))
          << bitmaptest::FormatName(f);
    }
}

TEST(MagicWand, MaskBoxCoversTheRegion) {
  auto b = WandPicture({"####", "#..#", "#.##", "####"});
  TVQMask m;
  m.AllocateBits(4, 4, 8);
  MagicWandFill(b.get(), 1, 2, 77, &m, 0, false);
  EXPECT_EQ(m.X1(), 1);
  EXPECT_EQ(m.Y1(), 1);
  EXPECT_EQ(m.X2(), 2);
  EXPECT_EQ(m.Y2(), 2);
  EXPECT_EQ(m.GetPixel(1, 2), 77);
  // A second fill adds to what is there and widens the box.
  MagicWandFill(b.get(), 3, 3, 33, &m, 0, false);
  EXPECT_EQ(m.GetPixel(1, 2), 77);
  EXPECT_EQ(m.GetPixel(0, 0), 33);
  EXPECT_EQ(m.X1(), 0);
  EXPECT_EQ(m.Y2(), 3);
}

TEST(MagicWand, PointsOutsideAndHostileInputsChangeNothing) {
  auto b = WandPicture({"..", ".."});
  for (auto [x, y] : {std::pair{2, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
    TVQMask m;
    m.AllocateBits(2, 2, 8);
    MagicWandFill(b.get(), x, y, 255, &m, 0, true);
    MagicWandGlobal(b.get(), x, y, 255, &m, 0);
    EXPECT_EQ(WandMaskText(m), (std::vector<std::string>{"--", "--"}));
    EXPECT_TRUE(m.IsEmpty());
  }
  TVQMask m;
  m.AllocateBits(2, 2, 8);
  MagicWandFill(b.get(), 0, 0, 255, &m, -1, false);  // the seed itself does not match
  EXPECT_EQ(WandMaskText(m), (std::vector<std::string>{"--", "--"}));
  MagicWandFill(b.get(), 0, 0, 255, nullptr, 0, false);
  TVQBitmap empty;
  MagicWandFill(&empty, 0, 0, 255, &m, 0, false);
  MagicWandGlobal(nullptr, 0, 0, 255, &m, 0);
  EXPECT_TRUE(m.IsEmpty());
  // A mask smaller than the picture takes the part it covers.
  auto big = WandPicture({"....", "....", "...."});
  TVQMask small;
  small.AllocateBits(2, 2, 8);
  MagicWandFill(big.get(), 3, 2, 9, &small, 0, true);
  EXPECT_EQ(WandMaskText(small), (std::vector<std::string>{"XX", "XX"}));
  EXPECT_EQ(small.X2(), 1);
}

TEST(MagicWand, SameMaskForAnyThreadCount) {
  auto b = NewBitmap(vqMemoryBuffer, 97, 61, vqRGB24);
  bitmaptest::WritePattern(*b, 5);
  std::vector<std::string> first, firstGlobal;
  for (int threads : {1, 2, 3, 8}) {
    SetParallelThreadCount(threads);
    TVQMask m, g;
    m.AllocateBits(97, 61, 8);
    g.AllocateBits(97, 61, 8);
    MagicWandFill(b.get(), 40, 30, 255, &m, 90, true);
    MagicWandGlobal(b.get(), 40, 30, 255, &g, 90);
    if (threads == 1) {
      first = WandMaskText(m);
      firstGlobal = WandMaskText(g);
      // The pattern gives a region wider than the seed and its ring.
      int marked = 0;
      for (const auto& r : first) marked += static_cast<int>(std::count(r.begin(), r.end(), 'X'));
      EXPECT_GT(marked, 9);
    } else {
      EXPECT_EQ(WandMaskText(m), first) << threads;
      EXPECT_EQ(WandMaskText(g), firstGlobal) << threads;
    }
  }
  SetParallelThreadCount(0);
}

using TWandCorners = std::set<std::pair<int, int>>;

TEST(MagicWandOutline, PolygonsOfPixelCorners) {
  const struct {
    const char* name;
    std::vector<std::string> picture;
    int x, y, tolerance;
    bool grow;
    TWandCorners corners;
  } cases[] = {
      {"single pixel", {"#####", "##.##", "#####"}, 2, 1, 0, false, {{2, 1}, {3, 1}, {3, 2}, {2, 2}}},
      // Growing stays within the region's box, here the pixel itself.
      {"single pixel grown", {"#####", "##.##", "#####"}, 2, 1, 0, true, {{2, 1}, {3, 1}, {3, 2}, {2, 2}}},
      {"flat picture", {"....", "....", "...."}, 1, 1, 0, false, {{0, 0}, {4, 0}, {4, 3}, {0, 3}}},
      {"L shape", {"#..", "##."}, 0, 0, 0, false, {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {0, 2}}},
      {"L shape grown fills its box", {"#..", "##."}, 0, 1, 0, true, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}},
      {"tolerance", {"#abc.", "#abc."}, 2, 0, 10, false, {{1, 0}, {4, 0}, {4, 2}, {1, 2}}},
      {"U shape", {"#.#", "#.#", "###"}, 0, 0, 0, false,
       {{0, 0}, {1, 0}, {1, 2}, {2, 2}, {2, 0}, {3, 0}, {3, 3}, {0, 3}}},
  };
  for (const auto& c : cases) {
    auto b = WandPicture(c.picture);
    int count = -1;
    const std::vector<TPoint> points = MagicWandOutline(b.get(), c.x, c.y, count, c.tolerance, c.grow);
    EXPECT_EQ(count, static_cast<int>(points.size())) << c.name;
    TWandCorners seen;
    for (const TPoint& p : points) seen.insert({p.X, p.Y});
    EXPECT_EQ(seen, c.corners) << c.name;
    // Consecutive points are joined by straight or diagonal lines along the
    // pixel edges: each pair shares x or y unless a corner repeats.
    for (size_t i = 1; i < points.size(); ++i) {
      const TPoint a = points[i - 1], d = points[i];
      EXPECT_TRUE(a.X == d.X || a.Y == d.Y) << c.name << " point " << i;
    }
  }
}

TEST(MagicWandOutline, OutsideGivesNothing) {
  auto b = WandPicture({"..", ".."});
  for (auto [x, y] : {std::pair{2, 0}, {0, 2}, {-1, 1}}) {
    int count = 5;
    EXPECT_TRUE(MagicWandOutline(b.get(), x, y, count, 0, false).empty());
    EXPECT_EQ(count, 0);
  }
  int count = 5;
  EXPECT_TRUE(MagicWandOutline(b.get(), 0, 0, count, -1, false).empty());
  EXPECT_EQ(count, 0);
}

}  // namespace

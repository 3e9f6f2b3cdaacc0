#include <gtest/gtest.h>

#include "imaging/core/processing/pictoraproc_rotate.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using bitmaptest::FormatName;
using bitmaptest::NewBitmap;
using bitmaptest::PixelRows;
using bitmaptest::WritePattern;

using TLabelGrid = std::vector<std::vector<int>>;

int RotBytesOf(TVQPixelFormat f) { return PixelFormatBits(f) / 8; }

// Label k as the pixel's bytes: every byte differs between labels; 1-bit
// pixels are set for odd labels.
void RotPutLabel(TVQBitmap& b, int x, int y, int k) {
  Byte* row = b.GetScanline(y);
  const int p = RotBytesOf(b.GetPixelFormat());
  if (p == 0) {
    if (k & 1) row[x >> 3] |= static_cast<Byte>(0x80 >> (x & 7));
    else row[x >> 3] &= static_cast<Byte>(~(0x80 >> (x & 7)));
    return;
  }
  for (int i = 0; i < p; ++i) row[x * p + i] = static_cast<Byte>(k + 40 * i);
}

std::string RotPixelText(TVQBitmap& b, int x, int y) {
  const Byte* row = b.GetScanline(y);
  const int p = RotBytesOf(b.GetPixelFormat());
  if (p == 0) return std::to_string((row[x >> 3] >> (7 - (x & 7))) & 1);
  std::string s;
  for (int i = 0; i < p; ++i) s += std::to_string(row[x * p + i]) + ".";
  return s;
}

std::string RotLabelText(TVQPixelFormat f, int k) {
  const int p = RotBytesOf(f);
  if (p == 0) return std::to_string(k & 1);
  std::string s;
  for (int i = 0; i < p; ++i) s += std::to_string(static_cast<Byte>(k + 40 * i)) + ".";
  return s;
}

std::unique_ptr<TVQBitmap> RotLabelled(TVQLocation l, TVQPixelFormat f, const TLabelGrid& g) {
  auto b = NewBitmap(l, static_cast<int>(g[0].size()), static_cast<int>(g.size()), f);
  for (int y = 0; y < b->GetHeight(); ++y)
    for (int x = 0; x < b->GetWidth(); ++x) RotPutLabel(*b, x, y, g[y][x]);
  return b;
}

void RotExpectLabels(TVQBitmap& b, TVQPixelFormat f, const TLabelGrid& g, const std::string& what) {
  ASSERT_EQ(b.GetPixelFormat(), f) << what;
  ASSERT_EQ(b.GetHeight(), static_cast<int>(g.size())) << what;
  ASSERT_EQ(b.GetWidth(), static_cast<int>(g[0].size())) << what;
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x)
      EXPECT_EQ(RotPixelText(b, x, y), RotLabelText(f, g[y][x])) << what << " at " << x << "," << y;
}

// The 3 x 2 picture
//   1 2 3
//   4 5 6
// turned and mirrored, worked by hand.
const TLabelGrid kRotSource = {{1, 2, 3}, {4, 5, 6}};
const TLabelGrid kRotCCW = {{3, 6}, {2, 5}, {1, 4}};
const TLabelGrid kRotCW = {{4, 1}, {5, 2}, {6, 3}};
const TLabelGrid kRotHalf = {{6, 5, 4}, {3, 2, 1}};
const TLabelGrid kRotMirrorH = {{3, 2, 1}, {6, 5, 4}};
const TLabelGrid kRotMirrorV = {{4, 5, 6}, {1, 2, 3}};

const TVQPixelFormat kRotFormats[] = {vqBits1, vqPalette8, vqGray8, vqGray16, vqRGB24, vq32f, vqCMYK};

TEST(Rotate, QuarterTurnsByAngleInEveryFormatAndStorage) {
  const struct {
    double angle;
    const TLabelGrid* expected;
  } cases[] = {{90, &kRotCCW}, {-90, &kRotCW}, {270, &kRotCW}, {180, &kRotHalf}, {-180, &kRotHalf},
               {450, &kRotCCW}, {-450, &kRotCW}, {360, &kRotSource}, {720, &kRotSource}, {90.0004, &kRotCCW}};
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (TVQPixelFormat f : kRotFormats)
      for (const auto& c : cases) {
        // 1-bit takes its own path, exact only at the listed angles; 90.0004
        // is 90 after truncation to millidegrees.
        if (f == vqBits1 && (c.angle == 450 || c.angle == -450 || c.angle == 720 || c.angle == 360 ||
                             c.angle == 90.0004))
          continue;
        auto b = RotLabelled(l, f, kRotSource);
        RotateBitmap(b.get(), c.angle, false, 0);
        RotExpectLabels(*b, f, *c.expected,
                        std::string(FormatName(f)) + " by " + std::to_string(c.angle) + " in " +
                            bitmaptest::LocationName(l));
        EXPECT_EQ(b->Location(), l);
      }
}

TEST(Rotate, QuarterTurnsIntoDestination) {
  for (TVQPixelFormat f : kRotFormats) {
    auto src = RotLabelled(vqMemoryBuffer, f, kRotSource);
    auto dst = NewBitmap(vqMemoryBuffer, 7, 7, vqGray8);
    Rotate90Clockwise(src.get(), dst.get());
    RotExpectLabels(*dst, f, kRotCW, std::string("clockwise ") + FormatName(f));
    Rotate90CounterClockwise(src.get(), dst.get());
    RotExpectLabels(*dst, f, kRotCCW, std::string("counter-clockwise ") + FormatName(f));
    RotExpectLabels(*src, f, kRotSource, "source kept");
  }
}

TEST(Rotate, PaletteTravelsWithTheQuarterTurn) {
  auto b = RotLabelled(vqMemoryBuffer, vqPalette8, kRotSource);
  b->SetPaletteColor(6, TRGBPixel{9, 8, 7});
  RotateBitmap(b.get(), 90, false, 0);
  EXPECT_EQ(b->GetPixelRGB(1, 0), (TRGBPixel{9, 8, 7}));
}

TEST(Flip, MirrorsEveryFormatAndStorage) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (TVQPixelFormat f : kRotFormats) {
      auto h = RotLabelled(l, f, kRotSource);
      FlipBitmap(h.get(), 0);
      RotExpectLabels(*h, f, kRotMirrorH, std::string("horizontal ") + FormatName(f));
      auto v = RotLabelled(l, f, kRotSource);
      FlipBitmap(v.get(), 1);
      RotExpectLabels(*v, f, kRotMirrorV, std::string("vertical ") + FormatName(f));
      auto odd = RotLabelled(l, f, kRotSource);
      FlipBitmap(odd.get(), 2);
      RotExpectLabels(*odd, f, kRotSource, std::string("unknown direction ") + FormatName(f));
    }
}

TEST(Flip, OneBitRowOfThirteenMirrorsWithoutPaddingBits) {
  auto b = NewBitmap(vqMemoryBuffer, 13, 2, vqBits1);
  // Row 0 has only pixel 0 set; padding bits of the row are set on purpose.
  b->GetScanline(0)[0] = 0x80;
  b->GetScanline(0)[1] = 0x07;
  b->GetScanline(1)[0] = 0x00;
  b->GetScanline(1)[1] = 0x08;  // pixel 12
  FlipBitmap(b.get(), 0);
  // Pixel 12 set in row 0: 0000 0000 0000 1 -> byte 1 = 0000 1000.
  EXPECT_EQ(b->GetScanline(0)[0], 0x00);
  EXPECT_EQ(b->GetScanline(0)[1] & 0xF8, 0x08);
  EXPECT_EQ(b->GetScanline(1)[0], 0x80);
  EXPECT_EQ(b->GetScanline(1)[1] & 0xF8, 0x00);
}

TEST(Rotate, AlphaChannelMovesWithThePicture) {
  const struct {
    double angle;
    int flip;
    const TLabelGrid* expected;
  } cases[] = {{90, -1, &kRotCCW}, {-90, -1, &kRotCW}, {180, -1, &kRotHalf}, {0, 0, &kRotMirrorH},
               {0, 1, &kRotMirrorV}};
  for (TVQPixelFormat f : {vqRGB24, vqGray8, vqBits1, vqCMYK})
    for (const auto& c : cases) {
      auto b = RotLabelled(vqMemoryBuffer, f, kRotSource);
      TVQBitmap* a = b->GetAlphaChannel();
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) a->GetScanline(y)[x] = static_cast<Byte>(kRotSource[y][x] * 10);
      if (c.flip >= 0) FlipBitmap(b.get(), c.flip);
      else RotateBitmap(b.get(), c.angle, false, 0);
      ASSERT_TRUE(b->HasAlphaChannel());
      TVQBitmap* turned = b->GetAlphaChannel();
      ASSERT_EQ(turned->GetWidth(), b->GetWidth());
      ASSERT_EQ(turned->GetHeight(), b->GetHeight());
      for (int y = 0; y < b->GetHeight(); ++y)
        for (int x = 0; x < b->GetWidth(); ++x)
          EXPECT_EQ(b->GetAlpha(x, y), (*c.expected)[y][x] * 10) << FormatName(f) << " " << c.angle << " " << c.flip;
    }
}

// A 3 x 2 grey picture (40 80 120 / 160 200 240) on background
// R 30, G 20, B 10, worked through the three shears by hand.
struct TRotShearCase {
  double angle;
  bool antialias;
  int w, h;
  std::vector<std::vector<TRGBPixel>> rgb;  // as {r, g, b}
};

TRGBPixel RotRGB(int r, int g, int b) { return TRGBPixel{static_cast<Byte>(b), static_cast<Byte>(g), static_cast<Byte>(r)}; }

std::vector<TRotShearCase> RotShearCases() {
  const TRGBPixel B = RotRGB(30, 20, 10);
  auto G = [](int v) { return RotRGB(v, v, v); };
  return {
      {25, false, 4, 5,
       {{B, B, B, B}, {G(80), G(120), B, B}, {G(200), G(240), B, B}, {G(160), B, B, B}, {B, B, B, B}}},
      {25, true, 4, 5,
       {{B, B, B, B},
        {RotRGB(59, 54, 50), RotRGB(119, 119, 120), RotRGB(74, 67, 61), RotRGB(36, 26, 16)},
        {RotRGB(103, 98, 94), G(209), RotRGB(138, 133, 128), RotRGB(39, 29, 20)},
        {RotRGB(202, 203, 202), RotRGB(44, 36, 26), RotRGB(16, 5, 0), B},
        {B, B, B, B}}},
      {-20, false, 6, 4,
       {{B, G(40), G(80), B, B, B},
        {B, G(160), G(200), G(120), B, B},
        {B, B, G(240), B, B, B},
        {B, B, B, B, B, B}}},
      {-20, true, 6, 4,
       {{B, RotRGB(38, 37, 35), RotRGB(59, 55, 52), RotRGB(23, 11, 0), B, B},
        {B, RotRGB(187, 189, 192), RotRGB(156, 157, 158), RotRGB(121, 125, 129), RotRGB(29, 17, 7), B},
        {B, RotRGB(66, 58, 51), RotRGB(195, 193, 191), RotRGB(133, 128, 123), RotRGB(43, 34, 24), B},
        {B, B, B, RotRGB(31, 21, 11), B, B}}},
  };
}

std::unique_ptr<TVQBitmap> RotGreyPicture(TVQLocation l) {
  auto b = NewBitmap(l, 3, 2, vqRGB24);
  const int v[2][3] = {{40, 80, 120}, {160, 200, 240}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c) b->GetScanline(y)[x * 3 + c] = static_cast<Byte>(v[y][x]);
  return b;
}

TEST(Rotate, ArbitraryAnglesByThreeShears) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (const auto& c : RotShearCases()) {
      auto b = RotGreyPicture(l);
      RotateBitmap(b.get(), c.angle, c.antialias, 30 * 65536 + 20 * 256 + 10);
      ASSERT_EQ(b->GetWidth(), c.w) << c.angle << " " << c.antialias;
      ASSERT_EQ(b->GetHeight(), c.h);
      for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
          const TRGBPixel p = b->GetPixelRGB(x, y), e = c.rgb[y][x];
          EXPECT_TRUE(p == e) << c.angle << (c.antialias ? " aa" : "") << " at " << x << "," << y << ": " << int(p.r)
                              << "," << int(p.g) << "," << int(p.b) << " want " << int(e.r) << "," << int(e.g)
                              << "," << int(e.b);
        }
    }
}

TEST(Rotate, AngleBeyondFortyFiveTurnsByQuartersFirst) {
  // -135: a clockwise quarter, then -45 by shears; the quarter is exact, so
  // it equals turning the clockwise-turned picture by -45.
  auto a = RotGreyPicture(vqMemoryBuffer);
  RotateBitmap(a.get(), -135, true, 0x102030);
  auto b = RotGreyPicture(vqMemoryBuffer);
  RotateBitmap(b.get(), -90, true, 0x102030);
  ASSERT_EQ(b->GetWidth(), 2);
  RotateBitmap(b.get(), -45, true, 0x102030);
  EXPECT_EQ(PixelRows(*a), PixelRows(*b));
  EXPECT_GT(a->GetWidth(), 2);
}

TEST(Rotate, FlatPictureAtThirtyDegrees) {
  for (bool aa : {false, true}) {
    auto b = NewBitmap(vqMemoryBuffer, 100, 50, vqRGB24);
    b->Fill(static_cast<double>(0x326496));  // platform colour: R 0x96, G 0x64, B 0x32
    const TRGBPixel source = b->GetPixelRGB(0, 0);
    RotateBitmap(b.get(), 30, aa, 0x010203);
    const TRGBPixel bg = RotRGB(1, 2, 3);
    const int w = b->GetWidth(), h = b->GetHeight();
    EXPECT_GT(w, 100);
    EXPECT_GT(h, 50);
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
      EXPECT_TRUE(b->GetPixelRGB(x, y) == bg) << aa << " corner " << x << "," << y << " of " << w << "x" << h;
    EXPECT_TRUE(b->GetPixelRGB(w / 2, h / 2) == source);
    int mixed = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const TRGBPixel p = b->GetPixelRGB(x, y);
        if (!(p == bg) && !(p == source)) ++mixed;
      }
    if (aa) EXPECT_GT(mixed, 0);
    else EXPECT_EQ(mixed, 0);
  }
}

TEST(Rotate, OtherFormatsAtArbitraryAnglesBecomeTwentyFourBit) {
  auto b = NewBitmap(vqMemoryBuffer, 3, 2, vqGray8);
  const int v[2][3] = {{40, 80, 120}, {160, 200, 240}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b->GetScanline(y)[x] = static_cast<Byte>(v[y][x]);
  RotateBitmap(b.get(), -20, false, 30 * 65536 + 20 * 256 + 10);
  auto want = RotGreyPicture(vqMemoryBuffer);
  RotateBitmap(want.get(), -20, false, 30 * 65536 + 20 * 256 + 10);
  EXPECT_EQ(b->GetPixelFormat(), vqRGB24);
  EXPECT_EQ(PixelRows(*b), PixelRows(*want));
}

TEST(Rotate, ShearedAlphaIsTransparentWhereBackgroundComesIn) {
  auto b = RotGreyPicture(vqMemoryBuffer);
  b->GetAlphaChannel();  // all 255
  RotateBitmap(b.get(), 25, false, 0x1E140A);
  // The 25-degree layout above: source pixels at these places, background elsewhere.
  const bool inside[5][4] = {{0, 0, 0, 0}, {1, 1, 0, 0}, {1, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}};
  ASSERT_EQ(b->GetAlphaChannel()->GetWidth(), 4);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b->GetAlpha(x, y), inside[y][x] ? 255 : 0) << x << "," << y;
}

TEST(RotateBits1, AnyAngleMapsBack) {
  const struct {
    double angle;
    std::uint32_t background;
    std::vector<const char*> rows;
  } cases[] = {
      {45, 0xFFFFFF, {"1001", "1111", "1001", "1111"}},
      {45, 0x000000, {"0001", "0111", "1001", "0110"}},
      {45, 0xC800C8, {"0001", "0111", "1001", "0110"}},  // green 0 counts as black
      {45, 0x010101, {"1001", "1111", "1001", "1111"}},
      {30, 0x000000, {"1000", "1110", "0001", "0110"}},
  };
  const char* src[] = {"1100", "0011", "1010"};
  for (const auto& c : cases) {
    auto b = NewBitmap(vqMemoryBuffer, 4, 3, vqBits1);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) RotPutLabel(*b, x, y, src[y][x] == '1');
    RotateBitmap(b.get(), c.angle, false, c.background);
    ASSERT_EQ(b->GetPixelFormat(), vqBits1);
    ASSERT_EQ(b->GetWidth(), 4);
    ASSERT_EQ(b->GetHeight(), 4);
    for (int y = 0; y < 4; ++y) {
      std::string row;
      for (int x = 0; x < 4; ++x) row += RotPixelText(*b, x, y);
      EXPECT_EQ(row, c.rows[y]) << c.angle << " bg " << c.background << " row " << y;
    }
  }
}

TEST(Rotate, ProgressCountsShearLines) {
  auto b = RotGreyPicture(vqMemoryBuffer);
  std::vector<int> seen;
  TVQProgressRec progress;
  progress.OnProgress = [&](TObject*, int per) { seen.push_back(per); };
  RotateBitmap(b.get(), 25, true, 0, &progress);
  // h 2 + W1 4 + H2 5 = 11 lines; the last report is row 4 of shear 3.
  ASSERT_EQ(seen.size(), 2u + 5u + 5u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen[2], 2 * 100 / 11);
  EXPECT_EQ(seen.back(), (2 + 4 + 4) * 100 / 11);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);
}

TEST(Rotate, SameBytesForAnyThreadCount) {
  const double angles[] = {90, -90, 180, 33, -17.5};
  for (double angle : angles)
    for (bool aa : {false, true}) {
      std::vector<std::vector<Byte>> first;
      for (int threads : {1, 2, 3, 8}) {
        SetParallelThreadCount(threads);
        auto b = NewBitmap(vqMemoryBuffer, 61, 47, vqRGB24);
        WritePattern(*b, 3);
        TVQBitmap* a = b->GetAlphaChannel();
        for (int y = 0; y < 47; ++y)
          for (int x = 0; x < 61; ++x) a->GetScanline(y)[x] = static_cast<Byte>(x * 7 + y);
        RotateBitmap(b.get(), angle, aa, 0x123456);
        FlipBitmap(b.get(), 0);
        FlipBitmap(b.get(), 1);
        auto rows = PixelRows(*b);
        auto alpha = PixelRows(*b->GetAlphaChannel());
        rows.insert(rows.end(), alpha.begin(), alpha.end());
        if (threads == 1) first = rows;
        else EXPECT_EQ(rows, first) << angle << " with " << threads << " threads";
      }
      SetParallelThreadCount(0);
    }
}

TEST(Rotate, TooLargeATurnIsRefusedAndKeepsThePicture) {
  // 50000 x 1 at 45 degrees would need about 35356 x 35356 pixels.
  auto b = NewBitmap(vqMemoryBuffer, 50000, 1, vqRGB24);
  WritePattern(*b, 9);
  const auto before = PixelRows(*b);
  EXPECT_THROW(RotateBitmap(b.get(), 45, true, 0), EOutOfMemory);
  EXPECT_EQ(b->GetWidth(), 50000);
  EXPECT_EQ(b->GetHeight(), 1);
  EXPECT_EQ(PixelRows(*b), before);
  // 1-bit, 200000 x 8 at 45 degrees: about 141000 x 141000 bits.
  auto bits = NewBitmap(vqMemoryBuffer, 200000, 8, vqBits1);
  WritePattern(*bits, 2);
  const auto bitsBefore = PixelRows(*bits);
  EXPECT_THROW(RotateBitmap(bits.get(), 45, false, 0), EOutOfMemory);
  EXPECT_EQ(bits->GetWidth(), 200000);
  EXPECT_EQ(PixelRows(*bits), bitsBefore);
}

TEST(Rotate, HostileInputsLeaveSoundBitmaps) {
  TVQBitmap empty;
  RotateBitmap(&empty, 30, true, 0);
  FlipBitmap(&empty, 0);
  EXPECT_TRUE(empty.IsEmpty());
  RotateBitmap(nullptr, 30, true, 0);
  FlipBitmap(nullptr, 1);
  for (double angle : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    auto b = RotGreyPicture(vqMemoryBuffer);
    RotateBitmap(b.get(), angle, true, 0);
    EXPECT_EQ(b->GetWidth(), 3);
    EXPECT_EQ(b->GetHeight(), 2);
  }
  // Huge angles reduce modulo a full turn: 1e300 degrees is some angle, not a crash.
  auto huge = RotGreyPicture(vqMemoryBuffer);
  RotateBitmap(huge.get(), 1e300, true, 0);
  EXPECT_FALSE(huge->IsEmpty());
  for (TVQPixelFormat f : kRotFormats)
    for (double angle : {0.001, 44.9, -44.9, 1.0, 90.0}) {
      auto one = NewBitmap(vqMemoryBuffer, 1, 1, f);
      RotateBitmap(one.get(), angle, true, 0xFFFFFF);
      EXPECT_GE(one->GetWidth(), 1) << FormatName(f) << " " << angle;
      EXPECT_GE(one->GetHeight(), 1);
      auto line = NewBitmap(vqMemoryBuffer, 1, 300, f);
      RotateBitmap(line.get(), angle, false, 0);
      EXPECT_GE(line->GetWidth(), 1);
    }
}

}  // namespace

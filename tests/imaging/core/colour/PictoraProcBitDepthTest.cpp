// The bit-depth routines: ordered dither, thresholds (given, average grey,
// maximum entropy), histograms, the two-colour test, the 1-to-24 expansion,
// the row converter and bit inversion.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"
#include "tests/imaging/core/ColourTestSupport.h"

using namespace bitmaptest;
using namespace colourtest;

namespace {

TEST(BitDepth, BayerMatrixIsTheRecursiveEightByEight) {
  const Byte row0[8] = {0, 32, 8, 40, 2, 34, 10, 42};
  const Byte row1[8] = {48, 16, 56, 24, 50, 18, 58, 26};
  const Byte row7[8] = {63, 31, 55, 23, 61, 29, 53, 21};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(BayerMatrix[0][c], row0[c]);
    EXPECT_EQ(BayerMatrix[1][c], row1[c]);
    EXPECT_EQ(BayerMatrix[7][c], row7[c]);
  }
  bool seen[64] = {};
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) seen[BayerMatrix[r][c]] = true;
  for (bool s : seen) EXPECT_TRUE(s);
}

TEST(BitDepth, OrderedDitherOfWhiteSetsEveryBitAndNearWhiteMissesEntry63) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
    SCOPED_TRACE(LocationName(l));
    auto white = ColourRows(l, {std::vector<TRGBPixel>(8, GreyPixel(255)), std::vector<TRGBPixel>(8, GreyPixel(255))});
    OrderedDither1Bit(white.get());
    ASSERT_EQ(white->GetPixelFormat(), vqBits1);
    EXPECT_EQ(PixelRows(*white), (std::vector<ByteRow>{{0xFF}, {0xFF}}));
    // (250, 255, 255): grey 253, level 63; entry 63 is at x = 7, y = 0.
    auto nearWhite = ColourRows(l, {std::vector<TRGBPixel>(8, ColourRGB(250, 255, 255))});
    OrderedDither1Bit(nearWhite.get());
    EXPECT_EQ(PixelRows(*nearWhite), (std::vector<ByteRow>{{0xFE}}));
  }
}

TEST(BitDepth, OrderedDitherOfAGradientFollowsTheMatrix) {
  // Greys 0, 36, 72, ... 252 along x: levels 0, 9, 18, 27, 36, 45, 54, 63
  // against column y of the matrix (x selects its row).
  std::vector<TRGBPixel> ramp;
  for (int x = 0; x < 8; ++x) ramp.push_back(GreyPixel(Byte(36 * x)));
  auto b = ColourRows(vqMemoryBuffer, {ramp, ramp, ramp});
  OrderedDither1Bit(b.get());
  // y = 0: entries 0 48 12 60 3 51 15 63 -> bits . . 1 . 1 . 1 1: grey 252
  // has every channel at 251 or more, so its level is 64, above 63.
  // y = 1: entries 32 16 44 28 35 19 47 31 -> . . . . 1 1 1 1
  // y = 2: entries 8 56 4 52 11 59 7 55 -> . . 1 . 1 . 1 1
  EXPECT_EQ(PixelRows(*b), (std::vector<ByteRow>{{0x2B}, {0x0F}, {0x2B}}));
}

TEST(BitDepth, ThresholdModesOnAGradient) {
  // Greys 0, 36, ... 252. The average grey is 1008 div 8 = 126; the entropy
  // cut is 109; a given 200 keeps the two brightest.
  struct Case {
    int threshold;
    Byte bits;
  };
  std::vector<TRGBPixel> ramp;
  for (int x = 0; x < 8; ++x) ramp.push_back(GreyPixel(Byte(36 * x)));
  for (const Case& c : {Case{-1, 0x0F}, Case{-2, 0x0F}, Case{200, 0x03}, Case{36, 0x7F}, Case{37, 0x3F}}) {
    SCOPED_TRACE(c.threshold);
    auto b = ColourRows(vqMemoryBuffer, {ramp, ramp});
    Threshold1Bit(b.get(), c.threshold);
    EXPECT_EQ(PixelRows(*b), (std::vector<ByteRow>{{c.bits}, {c.bits}}));
  }
}

TEST(BitDepth, OrderedDitherLeavesOtherFormatsAlone) {
  auto b = NewBitmap(vqMemoryBuffer, 4, 1, vqGray8);
  b->Fill(200);
  OrderedDither1Bit(b.get());
  Threshold1Bit(b.get(), 10);
  EXPECT_EQ(b->GetPixelFormat(), vqGray8);
  EXPECT_EQ(PixelRows(*b), (std::vector<ByteRow>{{200, 200, 200, 200}}));
}

TEST(BitDepth, ThresholdsOnAHalfBlackHalfWhitePicture) {
  // Left half black, right half white: the average grey is 127 (each row
  // 4 x 255 div 8), the entropy cut lies between the two levels; both keep
  // the halves. A given threshold of 256 clears all.
  struct Case {
    int threshold;
    Byte bits;
  };
  const Case cases[] = {{-1, 0x0F}, {-2, 0x0F}, {1, 0x0F}, {255, 0x0F}, {256, 0x00}, {0, 0xFF}, {-7, 0xFF}};
  const std::vector<TRGBPixel> row = {GreyPixel(0),   GreyPixel(0),   GreyPixel(0),   GreyPixel(0),
                                      GreyPixel(255), GreyPixel(255), GreyPixel(255), GreyPixel(255)};
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(LocationName(l)) + " threshold " + std::to_string(c.threshold));
      auto b = ColourRows(l, {row, row});
      Threshold1Bit(b.get(), c.threshold);
      ASSERT_EQ(b->GetPixelFormat(), vqBits1);
      EXPECT_EQ(PixelRows(*b), (std::vector<ByteRow>{{c.bits}, {c.bits}}));
    }
}

TEST(BitDepth, MaximumEntropyThresholdTable) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, Int64>> bins;
    int threshold;
  };
  const Case cases[] = {
      // Two levels score 0 at every cut between them: the first cut wins
      // (the score must not have to beat 0).
      {"black and white", {{0, 5}, {255, 5}}, 1},
      {"10 and 200", {{10, 1}, {200, 3}}, 11},
      // Eight equal levels 0, 36, ... 252: the score ln(P - P^2) + 2 ln 8 is
      // largest at P = 1/2, first reached at t = 109.
      {"eight levels", {{0, 1}, {36, 1}, {72, 1}, {108, 1}, {144, 1}, {180, 1}, {216, 1}, {252, 1}}, 109},
      // One level: no cut splits it; the average grey is taken instead.
      {"one level", {{100, 9}}, -1},
      {"empty", {}, -1},
  };
  for (const Case& c : cases) {
    Int64 counts[256] = {};
    for (auto [bin, n] : c.bins) counts[bin] = n;
    EXPECT_EQ(MaxEntropyThreshold(counts), c.threshold) << c.name;
  }
}

TEST(BitDepth, EntropyThresholdOnASingleGreyFallsBackToTheAverage) {
  auto b = ColourRows(vqMemoryBuffer, {{GreyPixel(100), GreyPixel(100), GreyPixel(100)}});
  auto dest = NewBitmap(vqMemoryBuffer, 3, 1, vqBits1);
  ThresholdTo1Bit(b.get(), dest.get(), -2);
  EXPECT_EQ(PixelRows(*dest), (std::vector<ByteRow>{{0xE0}}));
}

TEST(BitDepth, ThresholdComparesTheGreyOfEverySourceFormat) {
  // Greys 53 (red), 117, 255 and 0 for the colour picture; threshold 117.
  struct Case {
    TVQPixelFormat format;
    ByteRow row;
    Byte bits;
  };
  const float f0 = 0.2f, f1 = 0.5f, f2 = 0.46f, f3 = 1.0f;  // 51 127 117 255
  ByteRow floats(16);
  std::memcpy(&floats[0], &f0, 4);
  std::memcpy(&floats[4], &f1, 4);
  std::memcpy(&floats[8], &f2, 4);
  std::memcpy(&floats[12], &f3, 4);
  const Case cases[] = {
      {vqRGB24, {0, 0, 255, 50, 100, 200, 255, 255, 255, 0, 0, 0}, 0x60},
      {vqGray8, {116, 117, 118, 0}, 0x60},
      {vqGray16, {0xFF, 116, 0, 117, 0, 255, 0xFF, 0}, 0x60},
      {vq32f, floats, 0x70},
      // CMYK forms of red, (200, 100, 50), white, black.
      {vqCMYK, {255, 0, 0, 255, 255, 127, 63, 200, 255, 255, 255, 255, 0, 0, 0, 1}, 0x20},
      {vqBits1, {0x90}, 0x90},  // copied as it is
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FormatName(c.format));
    auto b = NewBitmap(vqMemoryBuffer, 4, 1, c.format);
    std::memcpy(b->GetScanline(0), c.row.data(), c.row.size());
    auto dest = NewBitmap(vqMemoryBuffer, 4, 1, vqBits1);
    ThresholdTo1Bit(b.get(), dest.get(), c.format == vqCMYK ? 118 : 117);
    EXPECT_EQ(PixelRows(*dest)[0], ByteRow{c.bits});
  }
}

TEST(BitDepth, AverageColorDividesEachRowThenTheTotal) {
  // Row 0: red sums 10 + 11 + 12 = 33 -> 11; row 1: 0 + 0 + 2 = 2 -> 0;
  // (11 + 0) div 2 = 5. Green 200 each row; blue (1 div 3 = 0) + (255).
  auto b = ColourRows(vqMemoryBuffer, {{ColourRGB(10, 200, 1), ColourRGB(11, 200, 0), ColourRGB(12, 200, 0)},
                                       {ColourRGB(0, 200, 255), ColourRGB(0, 200, 255), ColourRGB(2, 200, 255)}});
  int r, g, bl;
  AverageColor(b.get(), r, g, bl);
  EXPECT_EQ(r, 5);
  EXPECT_EQ(g, 200);
  EXPECT_EQ(bl, 127);

  auto bits = NewBitmap(vqTempFile, 4, 1, vqBits1);
  bits->GetScanline(0)[0] = 0xC0;  // two white of four
  AverageColor(bits.get(), r, g, bl);
  EXPECT_EQ(r, 127);
  EXPECT_EQ(bl, 127);

  TVQBitmap empty;
  AverageColor(&empty, r, g, bl);
  EXPECT_EQ(r, 128);
  EXPECT_EQ(g, 128);
  EXPECT_EQ(bl, 128);
}

TEST(BitDepth, GreyHistogramCountsOnePerPixel) {
  auto bits = NewBitmap(vqMemoryBuffer, 10, 2, vqBits1);
  bits->GetScanline(0)[0] = 0xE0;  // 3 set of 10
  bits->GetScanline(1)[1] = 0x40;  // 1 set of 10
  Int64 counts[256];
  GreyHistogram(bits.get(), counts);
  EXPECT_EQ(counts[0], 16);
  EXPECT_EQ(counts[1], 4);
  EXPECT_EQ(counts[255], 0);

  auto colour = ColourRows(vqTempFile, {{ColourRGB(255, 0, 0), ColourRGB(255, 0, 0), GreyPixel(7)}});
  GreyHistogram(colour.get(), counts);
  EXPECT_EQ(counts[53], 2);
  EXPECT_EQ(counts[7], 1);
  Int64 total = 0;
  for (Int64 c : counts) total += c;
  EXPECT_EQ(total, 3);
}

TEST(BitDepth, TwoColorBitmapTable) {
  struct Case {
    const char* name;
    std::vector<std::vector<TRGBPixel>> rows;
    bool two;
    TRGBPixel c0, c1;
    std::vector<ByteRow> bits;
  };
  const Case cases[] = {
      {"one colour", {{GreyPixel(9), GreyPixel(9)}}, false, {}, {}, {}},
      {"three colours", {{GreyPixel(0), GreyPixel(255)}, {GreyPixel(9), GreyPixel(0)}}, false, {}, {}, {}},
      // White met first: black still becomes colour 0, the white pixels set.
      {"white first",
       {{GreyPixel(255), GreyPixel(0), GreyPixel(255)}, {GreyPixel(0), GreyPixel(0), GreyPixel(255)}},
       true,
       GreyPixel(0),
       GreyPixel(255),
       {{0xA0}, {0x20}}},
      // Equal rounded grey (53.55 and 53.96 both round to 54): the first met
      // stays colour 0.
      {"equal grey",
       {{ColourRGB(255, 0, 0), ColourRGB(0, 76, 0)}},
       true,
       ColourRGB(255, 0, 0),
       ColourRGB(0, 76, 0),
       {{0x40}}},
  };
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(LocationName(l)) + " " + c.name);
      auto b = ColourRows(l, c.rows);
      TRGBPixel c0{1, 1, 1}, c1{1, 1, 1};
      auto result = TwoColorBitmap(b.get(), c0, c1);
      ASSERT_EQ(result != nullptr, c.two);
      if (!c.two) continue;
      EXPECT_EQ(c0, c.c0);
      EXPECT_EQ(c1, c.c1);
      EXPECT_EQ(result->GetPixelFormat(), vqBits1);
      EXPECT_EQ(PixelRows(*result), c.bits);
    }
}

TEST(BitDepth, Expand1To24IgnoresTheColourTable) {
  BuildBitExpansionTable();
  TBitmap one;
  one.NewImage(10, 1, pf1bit, {RGBQUAD{0, 0, 255, 0}, RGBQUAD{0, 255, 0, 0}});
  Byte* row = static_cast<Byte*>(one.ScanLine(0));
  row[0] = 0x81;  // pixels 0 and 7 set
  row[1] = 0x40;  // pixel 9 set
  TBitmap wide;
  std::vector<int> percents;
  TVQProgressRec progress;
  progress.OnProgress = [&](TObject*, int p) { percents.push_back(p); };
  Expand1To24(&one, &wide, &progress);
  ASSERT_EQ(wide.PixelFormat(), pf24bit);
  ASSERT_EQ(wide.Width(), 10);
  const Byte* p = static_cast<const Byte*>(static_cast<const TBitmap&>(wide).ScanLine(0));
  const bool set[10] = {true, false, false, false, false, false, false, true, false, true};
  for (int x = 0; x < 10; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(p[3 * x + c], set[x] ? 255 : 0) << x;
  EXPECT_EQ(percents, std::vector<int>{66});  // Trunc(100 / 1.5 x 1)
}

TEST(BitDepth, QuantizeRowTable) {
  const TRGBPixel palette[16] = {ColourRGB(255, 0, 0), ColourRGB(0, 255, 0), ColourRGB(0, 0, 255), ColourRGB(1, 2, 3)};
  struct Case {
    const char* name;
    int srcBits, dstBits, count;
    ByteRow src, dst;
    int written;
  };
  const Case cases[] = {
      {"1 to 1", 1, 1, 10, {0xA5, 0xC0}, {0xA5, 0xC0}, 2},
      {"1 to 4", 1, 4, 3, {0xA0}, {0x10, 0x10}, 2},
      {"1 to 8", 1, 8, 3, {0xA0}, {1, 0, 1}, 3},
      {"1 to 24: entry 1 for set", 1, 24, 2, {0x80}, {0, 255, 0, 0, 0, 255}, 6},
      {"4 to 4", 4, 4, 3, {0x12, 0x30}, {0x12, 0x30}, 2},
      {"4 to 8", 4, 8, 3, {0x12, 0x30}, {1, 2, 3}, 3},
      {"4 to 24", 4, 24, 2, {0x32}, {3, 2, 1, 255, 0, 0}, 6},
      {"8 to 1", 8, 1, 9, {1, 0, 0, 1, 1, 1, 1, 1, 1}, {0x9F, 0x80}, 2},
      {"8 to 8", 8, 8, 2, {7, 9}, {7, 9}, 2},
      {"8 to 24", 8, 24, 2, {2, 0}, {255, 0, 0, 0, 0, 255}, 6},
      {"24 to 24", 24, 24, 1, {1, 2, 3}, {1, 2, 3}, 3},
      {"32 to 24", 32, 24, 2, {1, 2, 3, 9, 4, 5, 6, 9}, {1, 2, 3, 4, 5, 6}, 6},
      {"8 to 4 has no rule", 8, 4, 2, {1, 2}, {0xEE}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteRow dst(c.dst.size(), c.written ? 0 : 0xEE);
    EXPECT_EQ(QuantizeRow(c.src.data(), dst.data(), std::uint16_t(c.srcBits), std::uint16_t(c.dstBits),
                          std::uint16_t(c.count), palette, nullptr),
              c.written);
    EXPECT_EQ(dst, c.dst);
  }
}

TEST(BitDepth, QuantizeRowFromColourAsksTheQuantiser) {
  // Three colours: the exact table gives them 0, 1, 2 in order of appearance.
  auto b = ColourRows(vqMemoryBuffer,
                      {{ColourRGB(9, 9, 1), ColourRGB(200, 0, 0), ColourRGB(0, 0, 200), ColourRGB(200, 0, 0)}});
  TRGBPixel palette[16] = {};
  const TVQQuantizer q(b.get(), palette, 16, -1);
  ASSERT_TRUE(q.HasExactTable());
  ByteRow four(2, 0), eight(4, 0);
  const Byte* row = b->GetScanline(0);
  EXPECT_EQ(QuantizeRow(row, four.data(), 24, 4, 4, nullptr, &q), 2);
  EXPECT_EQ(four, (ByteRow{0x01, 0x21}));
  EXPECT_EQ(QuantizeRow(row, eight.data(), 24, 8, 4, nullptr, &q), 4);
  EXPECT_EQ(eight, (ByteRow{0, 1, 2, 1}));
}

TEST(BitDepth, InvertBitmapBitsStaysInsideOddRowLengths) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
    SCOPED_TRACE(LocationName(l));
    auto b = NewBitmap(l);
    b->SetRowAlignment(8);
    b->Allocate(20, 3, vqBits1);  // rows of 3 bytes
    ASSERT_EQ(b->GetRowLength(), 3);
    b->GetScanline(1)[0] = 0x0F;
    b->ReleaseViews();
    InvertBitmapBits(b.get());
    EXPECT_EQ(WholeRows(*b), (std::vector<ByteRow>{{0xFF, 0xFF, 0xFF}, {0xF0, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}}));
  }
}

TEST(BitDepth, ProgressIsReportedAfterEveryRow) {
  auto b = ColourRows(vqMemoryBuffer, {{GreyPixel(1)}, {GreyPixel(2)}, {GreyPixel(3)}});
  std::vector<int> percents;
  TVQProgressRec progress;
  progress.OnProgress = [&](TObject*, int p) { percents.push_back(p); };
  OrderedDither1Bit(b.get(), &progress);
  // Trunc(100 / 3.5 x y)
  EXPECT_EQ(percents, (std::vector<int>{28, 57, 85}));
}

TEST(BitDepth, RowParallelRoutinesGiveTheSameBytesForAnyThreadCount) {
  auto make = [] {
    auto b = NewBitmap(vqMemoryBuffer, 61, 37, vqRGB24);
    std::mt19937 rng(3);
    for (int y = 0; y < 37; ++y)
      for (int x = 0; x < 183; ++x) b->GetScanline(y)[x] = Byte(rng());
    return b;
  };
  std::vector<std::vector<ByteRow>> dither, threshold, entropy;
  std::vector<std::vector<int>> averages;
  for (int threads : {1, 2, 3, 8}) {
    SetParallelThreadCount(threads);
    auto a = make();
    OrderedDither1Bit(a.get());
    dither.push_back(PixelRows(*a));
    auto t = make();
    Threshold1Bit(t.get(), -1);
    threshold.push_back(PixelRows(*t));
    auto e = make();
    Threshold1Bit(e.get(), -2);
    entropy.push_back(PixelRows(*e));
    auto c = make();
    int r, g, bl;
    AverageColor(c.get(), r, g, bl);
    averages.push_back({r, g, bl});
  }
  SetParallelThreadCount(0);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(dither[i], dither[0]);
    EXPECT_EQ(threshold[i], threshold[0]);
    EXPECT_EQ(entropy[i], entropy[0]);
    EXPECT_EQ(averages[i], averages[0]);
  }
}

}  // namespace

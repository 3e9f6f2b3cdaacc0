// The pixel-format conversion of TVQBitmap: every pair of the conversion
// table on a 4 x 2 picture with hand-worked pixels, the refused pairs, the
// two bi-level methods, the framework-bitmap rules and the alpha channel.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap_format.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"
#include "tests/imaging/core/ColourTestSupport.h"

using namespace bitmaptest;
using namespace colourtest;

namespace {

ByteRow FmtFloats(std::initializer_list<float> values) {
  ByteRow out;
  for (float f : values) {
    Byte b[4];
    std::memcpy(b, &f, 4);
    out.insert(out.end(), b, b + 4);
  }
  return out;
}

ByteRow FmtWords(std::initializer_list<unsigned> values) {
  ByteRow out;
  for (unsigned v : values) {
    out.push_back(Byte(v & 0xFF));
    out.push_back(Byte(v >> 8));
  }
  return out;
}

// Row 0 of each source picture (4 pixels); row 1 holds the same pixels in
// reverse order.
//   colour: red, (200, 100, 50), white, black (blue-green-red bytes)
//   palette: entries 0..3 are those colours, pixels 0, 1, 2, 3
//   grey 8: 0, 128, 255, 64;  grey 16: 0, 40000, 65535, 1023
//   float: 0.0, 0.999, 1.0, 0.5;  1 bit: set, clear, set, set
//   CMYK: the CMYK forms of the four colours
ByteRow FmtSourceRow(TVQPixelFormat f) {
  switch (f) {
    case vqBits1: return {0xB0};
    case vqPalette8: return {0, 1, 2, 3};
    case vqGray8: return {0, 128, 255, 64};
    case vqGray16: return FmtWords({0, 40000, 65535, 1023});
    case vqRGB24: return {0, 0, 255, 50, 100, 200, 255, 255, 255, 0, 0, 0};
    case vq32f: return FmtFloats({0.0f, 0.999f, 1.0f, 0.5f});
    case vqCMYK: return {255, 0, 0, 255, 255, 127, 63, 200, 255, 255, 255, 255, 0, 0, 0, 1};
    default: return {};
  }
}

ByteRow FmtReversed(const ByteRow& row, int bytesPerPixel) {
  ByteRow out;
  for (int i = static_cast<int>(row.size()) / bytesPerPixel - 1; i >= 0; --i)
    out.insert(out.end(), row.begin() + i * bytesPerPixel, row.begin() + (i + 1) * bytesPerPixel);
  return out;
}

int FmtPixelSize(TVQPixelFormat f) { return f == vqBits1 ? 0 : PixelFormatBits(f) / 8; }

ByteRow FmtSourceRow1(TVQPixelFormat f) {
  return f == vqBits1 ? ByteRow{0xD0} : FmtReversed(FmtSourceRow(f), FmtPixelSize(f));
}

std::unique_ptr<TVQBitmap> FmtSource(TVQLocation l, TVQPixelFormat f) {
  auto b = NewBitmap(l, 4, 2, f);
  if (f == vqPalette8) {
    b->SetPaletteColor(0, TRGBPixel{0, 0, 255});
    b->SetPaletteColor(1, TRGBPixel{50, 100, 200});
    b->SetPaletteColor(2, TRGBPixel{255, 255, 255});
    b->SetPaletteColor(3, TRGBPixel{0, 0, 0});
  }
  const ByteRow r0 = FmtSourceRow(f), r1 = FmtSourceRow1(f);
  std::memcpy(b->GetScanline(0), r0.data(), r0.size());
  std::memcpy(b->GetScanline(1), r1.data(), r1.size());
  b->ReleaseViews();
  return b;
}

struct FmtCase {
  TVQPixelFormat from, to;
  ByteRow row0;  // pixel bytes of row 0 after the conversion; row 1 is its reverse
};

// Hand-worked: grey = (21 R + 71 G + 8 B) div 100; 16-bit grey =
// (212 R + 713 G + 75 B) x 256 div 1000; float grey = (0.2126 R + 0.7152 G
// + 0.0722 B) / 255.
std::vector<FmtCase> FmtPerPixelCases() {
  const float f117 = static_cast<float>((0.2126 * 200 + 0.7152 * 100 + 0.0722 * 50) / 255);
  return {
      {vqBits1, vqGray8, {255, 0, 255, 255}},
      {vqBits1, vqGray16, FmtWords({65535, 0, 65535, 65535})},
      {vqBits1, vqRGB24, {255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255, 255}},
      {vqBits1, vq32f, FmtFloats({1.0f, 0.0f, 1.0f, 1.0f})},
      {vqBits1, vqPalette8, {1, 0, 1, 1}},
      {vqPalette8, vqGray8, {53, 117, 255, 0}},
      {vqPalette8, vqGray16, FmtWords({13839, 30067, 65280, 0})},
      {vqPalette8, vqRGB24, FmtSourceRow(vqRGB24)},
      {vqPalette8, vq32f, FmtFloats({0.2126f, f117, 1.0f, 0.0f})},
      {vqGray8, vqPalette8, {0, 128, 255, 64}},
      {vqGray8, vqGray16, FmtWords({0, 32768, 65280, 16384})},
      {vqGray8, vqRGB24, {0, 0, 0, 128, 128, 128, 255, 255, 255, 64, 64, 64}},
      {vqGray8, vq32f, FmtFloats({0.0f, float(128 / 255.0), 1.0f, float(64 / 255.0)})},
      {vqGray16, vqPalette8, {0, 156, 255, 3}},
      {vqGray16, vqGray8, {0, 156, 255, 3}},
      {vqGray16, vqRGB24, {0, 0, 0, 156, 156, 156, 255, 255, 255, 3, 3, 3}},
      {vqGray16, vq32f, FmtFloats({0.0f, float(40000 / 65535.0), 1.0f, float(1023 / 65535.0)})},
      {vqRGB24, vqGray8, {53, 117, 255, 0}},
      {vqRGB24, vqGray16, FmtWords({13839, 30067, 65280, 0})},
      {vqRGB24, vq32f, FmtFloats({0.2126f, f117, 1.0f, 0.0f})},
      {vqRGB24, vqCMYK, FmtSourceRow(vqCMYK)},
      // The colour picture has four colours: its palette is exact, in order
      // of first appearance.
      {vqRGB24, vqPalette8, {0, 1, 2, 3}},
      {vq32f, vqGray8, {0, 254, 255, 127}},
      {vq32f, vqPalette8, {0, 254, 255, 127}},
      {vq32f, vqGray16, FmtWords({0, 65469, 65535, 32767})},
      {vq32f, vqRGB24, {0, 0, 0, 254, 254, 254, 255, 255, 255, 127, 127, 127}},
      // (255, 127, 63, 200) comes back as (200, 99, 49), not (200, 100, 50).
      {vqCMYK, vqRGB24, {0, 0, 255, 49, 99, 200, 255, 255, 255, 0, 0, 0}},
  };
}

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildBitExpansionTable(); }
};

TEST_F(FormatTest, EveryPerPixelPairGivesTheHandWorkedPixels) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
    for (const FmtCase& c : FmtPerPixelCases()) {
      SCOPED_TRACE(std::string(LocationName(l)) + " " + FormatName(c.from) + " to " + FormatName(c.to));
      auto b = FmtSource(l, c.from);
      b->SetPixelFormat(c.to);
      ASSERT_EQ(b->GetPixelFormat(), c.to);
      ASSERT_EQ(b->GetWidth(), 4);
      ASSERT_EQ(b->GetHeight(), 2);
      const auto rows = PixelRows(*b);
      EXPECT_EQ(rows[0], c.row0);
      EXPECT_EQ(rows[1], FmtReversed(c.row0, FmtPixelSize(c.to)));
    }
  }
}

TEST_F(FormatTest, PaletteTargetsGetTheirPalettes) {
  auto fromBits = FmtSource(vqMemoryBuffer, vqBits1);
  fromBits->SetPixelFormat(vqPalette8);
  TRGBPixel e{1, 2, 3};
  fromBits->GetPaletteColor(0, e);
  EXPECT_EQ(e, (TRGBPixel{0, 0, 0}));
  fromBits->GetPaletteColor(1, e);
  EXPECT_EQ(e, (TRGBPixel{255, 255, 255}));
  // The rest are cleared, never stale memory.
  fromBits->GetPaletteColor(2, e);
  EXPECT_EQ(e, (TRGBPixel{0, 0, 0}));

  for (TVQPixelFormat f : {vqGray8, vqGray16, vq32f}) {
    auto b = FmtSource(vqMemoryBuffer, f);
    b->SetPixelFormat(vqPalette8);
    for (int i : {0, 1, 127, 255}) {
      b->GetPaletteColor(i, e);
      EXPECT_EQ(e, (TRGBPixel{Byte(i), Byte(i), Byte(i)})) << FormatName(f) << " entry " << i;
    }
  }

  auto colour = FmtSource(vqMemoryBuffer, vqRGB24);
  colour->SetPixelFormat(vqPalette8);
  const TRGBPixel want[4] = {{0, 0, 255}, {50, 100, 200}, {255, 255, 255}, {0, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    colour->GetPaletteColor(i, e);
    EXPECT_EQ(e, want[i]) << i;
  }
}

// Bi-level method 0 (ordered dither) and 1 (threshold at the grey of the
// average colour). Row 0 uses matrix entries 0, 48, 12, 60 along x, row 1
// 32, 16, 44, 28.
TEST_F(FormatTest, BiLevelMethodsGiveTheHandWorkedBits) {
  struct Case {
    TVQPixelFormat from;
    Byte dither0, dither1, threshold0, threshold1;
  };
  const Case cases[] = {
      // levels 13 29 63 0 / 0 63 29 13; average grey 105
      {vqRGB24, 0xA0, 0x40, 0x60, 0x60},
      {vqPalette8, 0xA0, 0x40, 0x60, 0x60},
      // levels 0 32 63 16 / 16 63 32 0; average 111
      {vqGray8, 0x20, 0x40, 0x60, 0x60},
      // levels (v div 1024) 0 39 63 0 / 0 63 39 0; average of high bytes 103
      {vqGray16, 0x20, 0x40, 0x60, 0x60},
      // levels 0 63 63 31 / 31 63 63 0; average 159
      {vq32f, 0x60, 0x60, 0x60, 0x60},
  };
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (const Case& c : cases)
      for (Byte method : {Byte(0), Byte(1)}) {
        SCOPED_TRACE(std::string(LocationName(l)) + " " + FormatName(c.from) + " method " + std::to_string(method));
        auto b = FmtSource(l, c.from);
        b->BiLevelMethod = method;
        b->SetPixelFormat(vqBits1);
        ASSERT_EQ(b->GetPixelFormat(), vqBits1);
        const auto rows = PixelRows(*b);
        EXPECT_EQ(rows[0], ByteRow{method == 0 ? c.dither0 : c.threshold0});
        EXPECT_EQ(rows[1], ByteRow{method == 0 ? c.dither1 : c.threshold1});
      }
}

TEST_F(FormatTest, OtherBiLevelMethodsLeaveBlackRowsNotStaleMemory) {
  auto b = FmtSource(vqMemoryBuffer, vqRGB24);
  b->BiLevelMethod = 7;
  b->SetPixelFormat(vqBits1);
  EXPECT_EQ(PixelRows(*b), (std::vector<ByteRow>{{0x00}, {0x00}}));
}

TEST_F(FormatTest, FloatsOutsideZeroToOneKeepTheLowPartOfTheirIntegerPart) {
  // -1.5 x 255 = -382.5: integer part -382, low byte 0x82; 2.0 gives 510,
  // low byte 254 and low word 131070 & 0xFFFF = 65534; NaN and infinity
  // have no integer part and give 0.
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  auto b = NewBitmap(vqMemoryBuffer, 4, 1, vq32f);
  const ByteRow row = FmtFloats({-1.5f, 2.0f, nan, inf});
  std::memcpy(b->GetScanline(0), row.data(), row.size());
  auto g16 = NewBitmap(vqMemoryBuffer);
  g16->Assign(b.get());
  b->SetPixelFormat(vqGray8);
  EXPECT_EQ(PixelRows(*b)[0], (ByteRow{0x82, 254, 0, 0}));
  g16->SetPixelFormat(vqGray16);
  // -1.5 x 65535 = -98302.5: -98302 & 0xFFFF = 32770.
  EXPECT_EQ(PixelRows(*g16)[0], FmtWords({32770, 65534, 0, 0}));
}

TEST_F(FormatTest, UniformGrey128DithersHalfThePixels) {
  auto b = NewBitmap(vqMemoryBuffer, 8, 8, vqGray8);
  b->Fill(128);
  b->BiLevelMethod = 0;
  b->SetPixelFormat(vqBits1);
  // Exactly the entries below 32: 0xAA on even rows (entries 0 48 12 60 3 51
  // 15 63 on row 0), 0x55 on row 1 (32 16 44 28 35 19 47 31).
  const auto rows = PixelRows(*b);
  EXPECT_EQ(rows[0], ByteRow{0xAA});
  EXPECT_EQ(rows[1], ByteRow{0x55});
  int set = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) set += GetBit(rows[std::size_t(y)].data(), x);
  EXPECT_EQ(set, 32);
}

TEST_F(FormatTest, RefusedPairsRaiseTheirMessagesAndLeaveTheImageAsItWas) {
  struct Case {
    TVQPixelFormat from, to;
    const char* message;
  };
  const Case cases[] = {
      {vqBits1, vqCMYK, "1bit gray scale to CMYK not supported"},
      {vqPalette8, vqCMYK, "8bit paletted to CMYK not supported"},
      {vqGray8, vqCMYK, "8bit gray scale to CMYK not supported"},
      {vqGray16, vqCMYK, "16bit gray scale to CMYK not supported"},
      {vq32f, vqCMYK, "32bit float point gray scale to CMYK not supported"},
      {vqCMYK, vqBits1, "CMYK to 1bit gray scale not supported"},
      {vqCMYK, vqPalette8, "CMYK to 8bit paletted not supported"},
      {vqCMYK, vqGray8, "CMYK to 8bit gray scale not supported"},
      {vqCMYK, vqGray16, "CMYK to 16bit gray scale not supported"},
      {vqCMYK, vq32f, "CMYK to 32bit float point gray scale not supported"},
  };
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(LocationName(l)) + " " + c.message);
      auto b = FmtSource(l, c.from);
      b->SetAlpha(1, 1, 77);
      const auto before = PixelRows(*b);
      try {
        b->SetPixelFormat(c.to);
        ADD_FAILURE() << "no exception";
      } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
      }
      EXPECT_EQ(b->GetPixelFormat(), c.from);
      EXPECT_EQ(PixelRows(*b), before);
      ASSERT_TRUE(b->HasAlphaChannel());
      EXPECT_EQ(b->GetAlpha(1, 1), 77);
      EXPECT_EQ(b->GetAlpha(0, 0), 255);
    }
}

TEST_F(FormatTest, TheAlphaChannelSurvivesEveryConversion) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (TVQPixelFormat from : FormatsOf(l))
      for (TVQPixelFormat to : FormatsOf(l)) {
        if (from == to || (to == vqCMYK && from != vqRGB24) || (from == vqCMYK && to != vqRGB24)) continue;
        SCOPED_TRACE(std::string(LocationName(l)) + " " + FormatName(from) + " to " + FormatName(to));
        auto b = FmtSource(l, from);
        TVQBitmap* alpha = b->GetAlphaChannel();
        for (int y = 0; y < 2; ++y)
          for (int x = 0; x < 4; ++x) b->SetAlpha(x, y, Byte(10 * x + 100 * y));
        const auto before = PixelRows(*alpha);
        b->SetPixelFormat(to);
        ASSERT_TRUE(b->HasAlphaChannel());
        EXPECT_EQ(PixelRows(*b->GetAlphaChannel()), before);
      }
}

TEST_F(FormatTest, AnAlphaChannelStaysEightBitGrey) {
  auto b = FmtSource(vqMemoryBuffer, vqRGB24);
  TVQBitmap* alpha = b->GetAlphaChannel();
  alpha->Fill(90);
  EXPECT_THROW(alpha->SetPixelFormat(vqRGB24), EVQBitmapError);
  EXPECT_EQ(alpha->GetPixelFormat(), vqGray8);
  EXPECT_EQ(PixelRows(*alpha)[1], (ByteRow{90, 90, 90, 90}));
}

TEST_F(FormatTest, LosslessRoundTrips) {
  struct Trip {
    TVQPixelFormat from, via;
  };
  const Trip trips[] = {{vqGray8, vqGray16}, {vqGray8, vqRGB24},  {vqGray8, vqPalette8}, {vqBits1, vqGray8},
                        {vqBits1, vqRGB24},  {vqBits1, vqGray16}, {vqPalette8, vqRGB24}};
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile})
    for (const Trip& t : trips) {
      SCOPED_TRACE(std::string(LocationName(l)) + " " + FormatName(t.from) + " via " + FormatName(t.via));
      auto b = FmtSource(l, t.from);
      const auto before = PixelRows(*b);
      b->SetPixelFormat(t.via);
      b->SetPixelFormat(t.from);
      EXPECT_EQ(PixelRows(*b), before);
    }
}

TEST_F(FormatTest, RGBToCMYKAndBackLosesTheLowBits) {
  auto b = FmtSource(vqMemoryBuffer, vqRGB24);
  b->SetPixelFormat(vqCMYK);
  b->SetPixelFormat(vqRGB24);
  EXPECT_EQ(PixelRows(*b)[0], (ByteRow{0, 0, 255, 49, 99, 200, 255, 255, 255, 0, 0, 0}));
}

TEST_F(FormatTest, EmptyAndNullImagesOnlyChangeTheFormat) {
  auto b = NewBitmap(vqMemoryBuffer, 3, 2, vqRGB24);
  b->SetPixelFormat(vqNull);
  EXPECT_TRUE(b->IsEmpty());
  b->SetPixelFormat(vqGray16);
  EXPECT_EQ(b->GetPixelFormat(), vqGray16);
  EXPECT_EQ(b->GetRowLength(), 8);
  EXPECT_EQ(PixelRows(*b), (std::vector<ByteRow>{ByteRow(6, 0), ByteRow(6, 0)}));
}

TEST_F(FormatTest, PaletteColorsOutOfRangeAreTakenWithin1To256) {
  // 300 distinct colours: more than any palette holds.
  auto b = NewBitmap(vqMemoryBuffer, 30, 10, vqRGB24);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 30; ++x) {
      Byte* p = b->GetScanline(y) + 3 * x;
      p[0] = Byte(x * 8);
      p[1] = Byte(y * 25);
      p[2] = Byte((x * 7 + y * 13) & 0xFF);
    }
  for (int asked : {0, -5, 1, 1000}) {
    SCOPED_TRACE(asked);
    auto c = NewBitmap(vqMemoryBuffer);
    c->Assign(b.get());
    c->PaletteColors = asked;
    c->SetPixelFormat(vqPalette8);
    ASSERT_EQ(c->GetPixelFormat(), vqPalette8);
    if (asked <= 1) {
      // One colour: every pixel is index 0.
      for (const ByteRow& row : PixelRows(*c))
        for (Byte v : row) EXPECT_EQ(v, 0);
    }
  }
}

// More colours than asked: the palette and indexes are the quantiser's, and
// every index is the nearest entry by the variance split's cells.
TEST_F(FormatTest, ColourToPaletteUsesTheQuantiserForManyColours) {
  auto b = NewBitmap(vqMemoryBuffer, 40, 20, vqRGB24);
  std::mt19937 rng(5);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) b->GetScanline(y)[x] = Byte(rng());
  auto copy = NewBitmap(vqMemoryBuffer);
  copy->Assign(b.get());
  TRGBPixel palette[16] = {};
  const TVQQuantizer q(copy.get(), palette, 16, -1);
  ASSERT_EQ(q.Method(), TVQQuantizer::qmVariance);
  b->PaletteColors = 16;
  b->SetPixelFormat(vqPalette8);
  for (int i = 0; i < 16; ++i) {
    TRGBPixel e;
    b->GetPaletteColor(i, e);
    EXPECT_EQ(e, palette[i]) << i;
  }
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      const Byte* p = copy->GetScanline(y) + 3 * x;
      const std::uint32_t c = (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
      ASSERT_EQ(b->GetScanline(y)[x], q.ColorIndex(c)) << x << "," << y;
    }
}

TEST_F(FormatTest, RowParallelConversionsGiveTheSameBytesForAnyThreadCount) {
  auto make = [] {
    auto b = NewBitmap(vqMemoryBuffer, 61, 37, vqRGB24);
    std::mt19937 rng(11);
    for (int y = 0; y < 37; ++y)
      for (int x = 0; x < 183; ++x) b->GetScanline(y)[x] = Byte(rng());
    return b;
  };
  for (TVQPixelFormat to : {vqBits1, vqPalette8, vqGray8, vqGray16, vq32f, vqCMYK})
    for (Byte method : {Byte(0), Byte(1)}) {
      if (method == 0 && to != vqBits1) continue;
      std::vector<std::vector<ByteRow>> results;
      for (int threads : {1, 2, 3, 8}) {
        SetParallelThreadCount(threads);
        auto b = make();
        b->BiLevelMethod = method;
        b->PaletteColors = to == vqPalette8 ? 200 : 256;
        b->SetPixelFormat(to);
        results.push_back(PixelRows(*b));
      }
      SetParallelThreadCount(0);
      for (std::size_t i = 1; i < results.size(); ++i) EXPECT_EQ(results[i], results[0]) << FormatName(to);
    }
}

// ---- a framework TBitmap as storage --------------------------------------------------

TEST_F(FormatTest, FrameworkOneBitToColourExpandsSetBitsToWhite) {
  auto b = FmtSource(vqTBitmap, vqBits1);
  // The colour table is not consulted.
  b->GetTBitmap()->SetColorTable({RGBQUAD{0, 0, 255, 0}, RGBQUAD{0, 255, 0, 0}});
  b->SetPixelFormat(vqRGB24);
  EXPECT_EQ(b->Location(), vqTBitmap);
  EXPECT_EQ(b->GetTBitmap()->PixelFormat(), pf24bit);
  EXPECT_EQ(PixelRows(*b)[0], (ByteRow{255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255, 255}));
  EXPECT_EQ(PixelRows(*b)[1], (ByteRow{255, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255}));
}

TEST_F(FormatTest, FrameworkColourToOneBitUsesTheBitDepthRoutines) {
  // Dither: a pixel with all three channels at 251 or more counts as 64, so
  // (251, 251, 251) at the entry 63 of x = 7, y = 0 is set; (250, 255, 255)
  // has grey 253, level 63, and stays clear there.
  auto b = NewBitmap(vqTBitmap, 8, 1, vqRGB24);
  for (int x = 0; x < 8; ++x) std::memset(b->GetScanline(0) + 3 * x, 251, 3);
  b->BiLevelMethod = 0;
  b->SetPixelFormat(vqBits1);
  EXPECT_EQ(b->GetTBitmap()->PixelFormat(), pf1bit);
  EXPECT_EQ(PixelRows(*b)[0], ByteRow{0xFF});

  auto c = NewBitmap(vqTBitmap, 8, 1, vqRGB24);
  for (int x = 0; x < 8; ++x) {
    Byte* p = c->GetScanline(0) + 3 * x;
    p[0] = 255;
    p[1] = 255;
    p[2] = 250;
  }
  c->BiLevelMethod = 0;
  c->SetPixelFormat(vqBits1);
  EXPECT_EQ(PixelRows(*c)[0], ByteRow{0xFE});

  auto t = FmtSource(vqTBitmap, vqRGB24);
  t->BiLevelMethod = 1;
  t->SetAlpha(2, 0, 9);
  t->SetPixelFormat(vqBits1);
  EXPECT_EQ(t->GetPixelFormat(), vqBits1);
  EXPECT_EQ(PixelRows(*t), (std::vector<ByteRow>{{0x60}, {0x60}}));
  EXPECT_EQ(t->GetAlpha(2, 0), 9);
}

TEST_F(FormatTest, FrameworkOtherPairsConvertThroughTheTable) {
  struct Case {
    TVQPixelFormat from, to, stored;
    ByteRow row0;
  };
  const Case cases[] = {
      {vqRGB24, vqGray8, vqGray8, {53, 117, 255, 0}},
      {vqRGB24, vqGray16, vqGray8, {53, 117, 255, 0}},  // a TBitmap keeps 16-bit grey as 8-bit
      {vqGray8, vqRGB24, vqRGB24, {0, 0, 0, 128, 128, 128, 255, 255, 255, 64, 64, 64}},
      {vqPalette8, vqRGB24, vqRGB24, FmtSourceRow(vqRGB24)},
      {vqBits1, vqGray8, vqGray8, {255, 0, 255, 255}},
      {vqRGB24, vqPalette8, vqPalette8, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FormatName(c.from)) + " to " + FormatName(c.to));
    auto b = FmtSource(vqTBitmap, c.from);
    b->SetAlpha(3, 1, 40);
    b->SetPixelFormat(c.to);
    EXPECT_EQ(b->Location(), vqTBitmap);
    EXPECT_EQ(b->GetPixelFormat(), c.stored);
    EXPECT_EQ(PixelRows(*b)[0], c.row0);
    EXPECT_EQ(b->GetAlpha(3, 1), 40);
  }
}

TEST_F(FormatTest, AnEmptyFrameworkBitmapTakesTheTargetsPixelFormat) {
  struct Case {
    TVQPixelFormat to, stored;
    TPixelFormat framework;
  };
  const Case cases[] = {{vqBits1, vqBits1, pf1bit},
                        {vqRGB24, vqRGB24, pf24bit},
                        {vqGray8, vqGray8, pf8bit},
                        {vqPalette8, vqPalette8, pf8bit},
                        {vqGray16, vqGray8, pf8bit}};
  for (const Case& c : cases) {
    SCOPED_TRACE(FormatName(c.to));
    auto b = NewBitmap(vqTBitmap);
    TBitmap* framework = b->GetTBitmap();
    ASSERT_NE(framework, nullptr);
    framework->SetPixelFormat(c.to == vqRGB24 ? pf1bit : pf24bit);
    b->SetPixelFormat(c.to);
    EXPECT_EQ(framework->PixelFormat(), c.framework);
    EXPECT_EQ(b->GetPixelFormat(), c.stored);
    // The next size comes in that format.
    framework->SetSize(9, 2);
    EXPECT_EQ(b->GetPixelFormat(), c.stored);
    EXPECT_EQ(b->GetWidth(), 9);
  }
  auto b = NewBitmap(vqTBitmap);
  b->GetTBitmap();
  EXPECT_THROW(b->SetPixelFormat(vqCMYK), EVQBitmapError);
}

TEST_F(FormatTest, FrameworkBitmapsRefuseFloatAndCMYKUnchanged) {
  for (TVQPixelFormat to : {vq32f, vqCMYK}) {
    auto b = FmtSource(vqTBitmap, vqRGB24);
    const auto before = PixelRows(*b);
    EXPECT_THROW(b->SetPixelFormat(to), EVQBitmapError);
    EXPECT_EQ(b->GetPixelFormat(), vqRGB24);
    EXPECT_EQ(PixelRows(*b), before);
  }
}

}  // namespace

// 24-bit colour to 16-bit grey, float grey and CMYK through the vector
// loops gives the plain loops' bytes for every one of the 2^24 colours (a
// 4096-pixel-wide picture holding each once, its rows' ends left to the
// plain loop), and for narrow pictures whose rows are mostly ends.
TEST(BitmapFormat, VectorConversionsMatchThePlainLoopsForEveryColour) {
  const struct {
    int Width, Height;
  } sizes[] = {{4096, 4096}, {1, 3}, {9, 2}, {10, 2}, {27, 3}, {37, 2}};
  for (const auto& z : sizes) {
    auto src = NewBitmap(vqMemoryBuffer, z.Width, z.Height, vqRGB24);
    std::uint32_t seed = 99;
    for (int y = 0; y < z.Height; ++y) {
      Byte* row = src->GetScanline(y);
      for (int x = 0; x < z.Width; ++x) {
        seed = seed * 1103515245 + 12345;
        const std::uint32_t c = z.Width == 4096 ? std::uint32_t(y) * 4096 + std::uint32_t(x) : seed >> 8;
        row[3 * x] = static_cast<Byte>(c);
        row[3 * x + 1] = static_cast<Byte>(c >> 8);
        row[3 * x + 2] = static_cast<Byte>(c >> 16);
      }
    }
    for (TVQPixelFormat to : {vqGray16, vq32f, vqCMYK}) {
      std::unique_ptr<TVQBitmap> out[2];
      for (bool vector : {false, true}) {
        SetPixelFormatSimd(vector);
        out[vector] = NewBitmap(vqMemoryBuffer, 1, 1, vqRGB24);
        out[vector]->Assign(src.get());
        out[vector]->SetPixelFormat(to);
        ASSERT_EQ(out[vector]->GetPixelFormat(), to);
      }
      int differ = 0;
      for (int y = 0; y < z.Height; ++y)
        differ += std::memcmp(out[0]->GetScanline(y), out[1]->GetScanline(y),
                              static_cast<std::size_t>(out[0]->GetRowLength())) != 0;
      EXPECT_EQ(differ, 0) << z.Width << "x" << z.Height << " to " << int(to);
    }
  }
  SetPixelFormatSimd(true);
}

// The BMP reader and writer and their run-length coders, on hand-built files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_rle.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/Streams.h"

namespace {

using BmpBytes = std::vector<std::uint8_t>;

void BmpPut16(BmpBytes& b, std::uint32_t v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
void BmpPut32(BmpBytes& b, std::uint32_t v) {
  BmpPut16(b, v & 0xFFFF);
  BmpPut16(b, v >> 16);
}

struct TBmpSpec {
  std::int32_t width = 1, height = 1;
  int bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;
  std::int32_t ppm = 0;
  std::uint32_t used = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint32_t> masks;    // after the palette, or inside a long header
  BmpBytes pixels;
};

// A file header, the header, palette, masks and the pixel bytes given.
BmpBytes BmpBuild(const TBmpSpec& s) {
  BmpBytes h;
  BmpPut32(h, s.headerSize);
  if (s.headerSize == 12) {
    BmpPut16(h, std::uint32_t(s.width));
    BmpPut16(h, std::uint32_t(s.height));
    BmpPut16(h, 1);
    BmpPut16(h, std::uint32_t(s.bits));
  } else {
    BmpPut32(h, std::uint32_t(s.width));
    BmpPut32(h, std::uint32_t(s.height));
    BmpPut16(h, 1);
    BmpPut16(h, std::uint32_t(s.bits));
    BmpPut32(h, s.compression);
    BmpPut32(h, std::uint32_t(s.pixels.size()));
    BmpPut32(h, std::uint32_t(s.ppm));
    BmpPut32(h, std::uint32_t(s.ppm));
    BmpPut32(h, s.used);
    BmpPut32(h, 0);
    if (s.headerSize >= 52)
      for (std::uint32_t m : s.masks) BmpPut32(h, m);
    h.resize(s.headerSize, 0);
  }
  for (std::uint32_t c : s.palette) {
    h.push_back(std::uint8_t(c));
    h.push_back(std::uint8_t(c >> 8));
    h.push_back(std::uint8_t(c >> 16));
    if (s.headerSize != 12) h.push_back(0);
  }
  if (s.headerSize < 52)
    for (std::uint32_t m : s.masks) BmpPut32(h, m);
  BmpBytes f = {'B', 'M'};
  BmpPut32(f, std::uint32_t(14 + h.size() + s.pixels.size()));
  BmpPut32(f, 0);
  BmpPut32(f, std::uint32_t(14 + h.size()));
  f.insert(f.end(), h.begin(), h.end());
  f.insert(f.end(), s.pixels.begin(), s.pixels.end());
  return f;
}

struct TBmpLoaded {
  TVQBitmap image;
  TIOParamsVals params{nullptr};
  bool aborted = false;
};

void BmpLoad(const BmpBytes& file, TBmpLoaded& out, bool native = false) {
  TMemoryStream s;
  s.Write(file.data(), std::int64_t(file.size()));
  s.SetPosition(0);
  out.params.NativePixelFormat = native;
  TVQProgressRec p;
  p.Aborting = &out.aborted;
  LoadBmpImage(s, &out.image, 0, false, false, p, out.params);
}

// Blue, green, red of every pixel, rows top first.
BmpBytes BmpRgbRows(TVQBitmap& b) {
  BmpBytes r;
  for (int y = 0; y < b.GetHeight(); ++y) {
    const Byte* p = b.GetScanline(y);
    r.insert(r.end(), p, p + b.GetWidth() * 3);
  }
  return r;
}

BmpBytes BmpIndexRows(TVQBitmap& b) {
  BmpBytes r;
  for (int y = 0; y < b.GetHeight(); ++y) {
    const Byte* p = b.GetScanline(y);
    r.insert(r.end(), p, p + b.GetWidth());
  }
  return r;
}

// ---- run-length decoding ---------------------------------------------------------

struct TBmpRleCase {
  const char* name;
  bool four;
  int width, height;
  bool topDown;
  BmpBytes data;
  BmpBytes expected;  // indices, image rows top first
};

TEST(BmpRle, DecodesRunsDeltasAndAbsoluteRunsWithinTheImage) {
  const std::vector<TBmpRleCase> cases = {
      {"run, end of line, end of bitmap", false, 4, 2, false, {3, 5, 0, 0, 0, 1}, {0, 0, 0, 0, 5, 5, 5, 0}},
      {"same, top-down", false, 4, 2, true, {3, 5, 0, 0, 0, 1}, {5, 5, 5, 0, 0, 0, 0, 0}},
      {"delta to column 6 of the next row", false, 8, 2, false, {2, 9, 0, 2, 4, 1, 1, 7, 0, 1},
       {0, 0, 0, 0, 0, 0, 7, 0, 9, 9, 0, 0, 0, 0, 0, 0}},
      {"rle4 run alternates nibbles", true, 6, 1, false, {5, 0x12, 0, 1}, {1, 2, 1, 2, 1, 0}},
      {"rle8 absolute run and padding byte", false, 5, 1, false, {0, 3, 10, 11, 12, 99, 1, 4},
       {10, 11, 12, 4, 0}},
      {"rle4 absolute run of five, three bytes and padding", true, 7, 1, false,
       {0, 5, 0x12, 0x34, 0x50, 0xEE, 1, 0x60}, {1, 2, 3, 4, 5, 6, 0}},
      {"rle8 pixels past the width are dropped", false, 2, 1, false, {1, 1, 1, 2, 1, 3, 1, 4},
       {1, 2}},
      {"rle4 pixels past the width are dropped", true, 2, 1, false, {4, 0x12, 1, 0x30}, {1, 2}},
      {"absolute run longer than the data", false, 8, 1, false, {0, 6, 1, 2}, {1, 2, 0, 0, 0, 0, 0, 0}},
      {"delta past the last row ends", false, 2, 2, true, {0, 2, 0, 5, 1, 9}, {0, 0, 0, 0}},
      {"end of line past the last row ends", false, 1, 1, false, {0, 0, 1, 9}, {0}},
      {"lone count byte", false, 2, 1, false, {1, 3, 2}, {3, 0}},
      {"delta far to the right then a run is dropped", false, 2, 1, false, {0, 2, 255, 0, 3, 6}, {0, 0}},
  };
  for (const TBmpRleCase& c : cases) {
    SCOPED_TRACE(c.name);
    TVQBitmap img;
    img.Allocate(c.width, c.height, vqPalette8);
    for (int y = 0; y < c.height; ++y) std::fill_n(img.GetScanline(y), c.width, Byte(0));
    TVQProgressRec p;
    if (c.four)
      DecodeRle4(&img, c.data.data(), int(c.data.size()), c.topDown, p, nullptr);
    else
      DecodeRle8(&img, c.data.data(), int(c.data.size()), c.topDown, p, nullptr);
    EXPECT_EQ(BmpIndexRows(img), c.expected);
  }
}

TEST(BmpRle, PaletteFormStoresColoursAndReportsRows) {
  TRGBPixel pal[256] = {};
  pal[5] = TRGBPixel{1, 2, 3};
  TVQBitmap img;
  img.Allocate(2, 2, vqRGB24);
  std::vector<int> seen;
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  p.OnProgress = [&](TObject*, int per) { seen.push_back(per); };
  const BmpBytes data = {2, 5, 0, 0, 1, 5, 0, 0};
  DecodeRle8(&img, data.data(), int(data.size()), true, p, pal);
  EXPECT_EQ(BmpRgbRows(img), (BmpBytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0}));
  // After the first end of line: Trunc(2 x 50); the second leaves no row.
  EXPECT_EQ(seen, std::vector<int>{100});
}

// ---- run-length encoding ---------------------------------------------------------

struct TBmpEncodeCase {
  const char* name;
  bool four;
  BmpBytes row;
  BmpBytes expected;
};

TEST(BmpRle, EncodesRowsAsGiven) {
  BmpBytes long8(300, 4);
  BmpBytes lit8;
  for (int i = 0; i < 257; ++i) lit8.push_back(Byte(i & 1));
  BmpBytes lit8Code = {0, 255};
  lit8Code.insert(lit8Code.end(), lit8.begin(), lit8.begin() + 255);
  lit8Code.push_back(0);  // 255 bytes: padded
  lit8Code.insert(lit8Code.end(), {1, 1, 1, 0, 0, 0});
  const std::vector<TBmpEncodeCase> cases = {
      {"run then two literals", false, {7, 7, 7, 1, 2}, {3, 7, 1, 1, 1, 2, 0, 0}},
      {"rle4 three literals", true, {1, 2, 3}, {0, 3, 0x12, 0x30, 0, 0}},
      {"rle4 five literals padded", true, {1, 2, 3, 4, 5}, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0}},
      {"rle8 three literals padded", false, {1, 2, 3}, {0, 3, 1, 2, 3, 0, 0, 0}},
      {"rle8 four literals", false, {1, 2, 3, 4}, {0, 4, 1, 2, 3, 4, 0, 0}},
      {"300 equal", false, long8, {255, 4, 45, 4, 0, 0}},
      {"rle4 run in both nibbles", true, {7, 7, 7}, {3, 0x77, 0, 0}},
      {"rle4 one literal", true, {9}, {1, 0x90, 0, 0}},
      {"rle4 two literals", true, {1, 2}, {2, 0x12, 0, 0}},
      {"empty row", false, {}, {0, 0}},
      {"257 alternating literals", false, lit8, lit8Code},
  };
  for (const TBmpEncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpBytes out(c.row.size() * 10 + 2);
    const int n = c.four ? EncodeRle4Row(c.row.data(), int(c.row.size()), out.data())
                         : EncodeRle8Row(c.row.data(), int(c.row.size()), out.data());
    out.resize(std::size_t(n));
    EXPECT_EQ(out, c.expected);
  }
}

TEST(BmpRle, EncodedRowsDecodeToTheSameIndices) {
  const BmpBytes row = {3, 3, 1, 2, 5, 5, 5, 5, 0, 1, 2, 3, 4, 4, 9};
  for (bool four : {false, true}) {
    SCOPED_TRACE(four);
    BmpBytes code(row.size() * 10 + 2);
    const int n = four ? EncodeRle4Row(row.data(), int(row.size()), code.data())
                       : EncodeRle8Row(row.data(), int(row.size()), code.data());
    TVQBitmap img;
    img.Allocate(int(row.size()), 1, vqPalette8);
    TVQProgressRec p;
    if (four)
      DecodeRle4(&img, code.data(), n, true, p, nullptr);
    else
      DecodeRle8(&img, code.data(), n, true, p, nullptr);
    EXPECT_EQ(BmpIndexRows(img), row);
  }
}

// ---- reading ------------------------------------------------------------------

struct TBmpReadCase {
  const char* name;
  TBmpSpec spec;
  BmpBytes expected;  // blue, green, red, rows top first
};

TEST(BmpRead, DecodesEveryDepth) {
  const BmpBytes twoRows24 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  TBmpSpec s24;
  s24.width = 2, s24.height = 2, s24.pixels = twoRows24;
  TBmpSpec s24td = s24;
  s24td.height = -2;
  TBmpSpec s32;
  s32.bits = 32, s32.pixels = {10, 20, 30, 99};
  TBmpSpec s16;
  s16.width = 2, s16.bits = 16, s16.pixels = {0xFF, 0x7F, 0x21, 0x04};
  TBmpSpec s565 = s16;
  s565.compression = 3, s565.masks = {0xF800, 0x07E0, 0x001F}, s565.pixels = {0xFF, 0xFF, 0x20, 0x08};
  TBmpSpec s565v4 = s565;
  s565v4.headerSize = 108;
  TBmpSpec s8;
  s8.width = 4, s8.bits = 8, s8.used = 3, s8.palette = {0x030201, 0x060504, 0x090807};
  s8.pixels = {1, 0, 2, 200};
  TBmpSpec s4;
  s4.width = 3, s4.bits = 4, s4.used = 3, s4.palette = {0x030201, 0x060504, 0x090807}, s4.pixels = {0x12, 0x00, 0, 0};
  TBmpSpec core;
  core.headerSize = 12, core.width = 2, core.bits = 1, core.palette = {0x112233, 0x445566}, core.pixels = {0x40, 0, 0, 0};
  TBmpSpec rle8;
  rle8.width = 3, rle8.height = 2, rle8.bits = 8, rle8.compression = 1, rle8.used = 2;
  rle8.palette = {0x000001, 0x000002}, rle8.pixels = {3, 1, 0, 0, 0, 2, 1, 0, 1, 0, 0, 1};
  TBmpSpec rle4;
  rle4.width = 4, rle4.bits = 4, rle4.compression = 2, rle4.used = 2;
  rle4.palette = {0x000001, 0x000002}, rle4.pixels = {4, 0x01, 0, 1};
  const std::vector<TBmpReadCase> cases = {
      {"24-bit bottom-up", s24, {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
      {"24-bit top-down", s24td, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"32-bit drops the fourth byte", s32, {10, 20, 30}},
      // Fields fill 8 bits by repeating their bits: 31 of 5 bits is 255.
      {"16-bit 5-5-5", s16, {0xFF, 0xFF, 0xFF, 8, 8, 8}},
      {"16-bit bit fields 5-6-5", s565, {0xFF, 0xFF, 0xFF, 0, 4, 8}},
      {"16-bit bit fields inside a 108-byte header", s565v4, {0xFF, 0xFF, 0xFF, 0, 4, 8}},
      {"8-bit palette, index past it is black", s8, {4, 5, 6, 1, 2, 3, 7, 8, 9, 0, 0, 0}},
      {"4-bit palette", s4, {4, 5, 6, 7, 8, 9, 1, 2, 3}},
      {"rle8 with a delta", rle8, {0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 2, 0, 0, 2, 0, 0}},
      {"rle4", rle4, {1, 0, 0, 2, 0, 0, 1, 0, 0, 2, 0, 0}},
  };
  for (const TBmpReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    TBmpLoaded l;
    BmpLoad(BmpBuild(c.spec), l);
    ASSERT_FALSE(l.aborted);
    ASSERT_EQ(l.image.GetPixelFormat(), vqRGB24);
    EXPECT_EQ(BmpRgbRows(l.image), c.expected);
  }
  // The core 1-bit file: bits as stored, OS/2 version, default resolution.
  TBmpLoaded l;
  BmpLoad(BmpBuild(core), l);
  ASSERT_FALSE(l.aborted);
  EXPECT_EQ(l.image.GetPixelFormat(), vqBits1);
  EXPECT_EQ(l.image.GetScanline(0)[0] & 0xC0, 0x40);
  EXPECT_EQ(l.params.BmpVersion, 2);
  EXPECT_EQ(l.params.DpiX(), 300);
  ASSERT_EQ(l.params.ColorMapCount(), 2);
  EXPECT_EQ(l.params.ColorMap()[1], (TRGBPixel{0x66, 0x55, 0x44}));
}

TEST(BmpRead, OneBitWhiteThenBlackIsInverted) {
  struct {
    std::vector<std::uint32_t> palette;
    Byte first, second;
  } cases[] = {{{0x000000, 0xFFFFFF}, 0xA5, 0xC0}, {{0xFFFFFF, 0x000000}, 0x5A, 0x3F}};
  for (const auto& c : cases) {
    TBmpSpec s;
    s.width = 10, s.bits = 1, s.used = 2, s.palette = c.palette, s.pixels = {0xA5, 0xC0, 0, 0};
    TBmpLoaded l;
    BmpLoad(BmpBuild(s), l);
    ASSERT_FALSE(l.aborted);
    EXPECT_EQ(l.image.GetScanline(0)[0], c.first);
    EXPECT_EQ(l.image.GetScanline(0)[1], c.second);
  }
}

TEST(BmpRead, NativeFormatKeepsIndicesAndPalette) {
  TBmpSpec s;
  s.width = 3, s.bits = 8, s.used = 2, s.palette = {0x030201, 0x060504}, s.pixels = {1, 0, 1, 0};
  TBmpLoaded l;
  BmpLoad(BmpBuild(s), l, true);
  ASSERT_EQ(l.image.GetPixelFormat(), vqPalette8);
  EXPECT_EQ(BmpIndexRows(l.image), (BmpBytes{1, 0, 1}));
  TRGBPixel c;
  l.image.GetPaletteColor(1, c);
  EXPECT_EQ(c, (TRGBPixel{4, 5, 6}));
  EXPECT_EQ(l.image.PaletteColors, 256);
}

TEST(BmpRead, HeaderFieldsGoToTheParameters) {
  struct {
    std::uint32_t headerSize;
    std::int32_t ppm;
    std::uint32_t used;
    int version, dpi, colours;
  } cases[] = {{40, 0, 300, 1, 300, 256}, {64, 3937, 0, 3, 100, 256}, {108, 11811, 2, 0, 300, 2}};
  for (const auto& c : cases) {
    TBmpSpec s;
    s.headerSize = c.headerSize, s.ppm = c.ppm, s.used = c.used, s.bits = 8, s.pixels = {0, 0, 0, 0};
    s.palette.assign(c.used == 300 ? 0 : c.colours, 0x102030);
    TBmpLoaded l;
    BmpLoad(BmpBuild(s), l);
    ASSERT_FALSE(l.aborted);
    EXPECT_EQ(l.params.BmpVersion, c.version);
    EXPECT_EQ(l.params.DpiX(), c.dpi);
    EXPECT_EQ(l.params.ColorMapCount(), c.colours);
    EXPECT_EQ(l.params.BitsPerSample, 8);
    EXPECT_EQ(l.params.SamplesPerPixel, 1);
  }
}

TEST(BmpRead, HostileFilesSetTheAbortFlag) {
  TBmpSpec ok;
  ok.pixels = {1, 2, 3, 0};
  BmpBytes notBm = BmpBuild(ok);
  notBm[0] = 'X';
  TBmpSpec huge = ok;
  huge.width = 100000, huge.height = 100000;
  TBmpSpec negative = ok;
  negative.width = -5;
  BmpBytes pastEnd = BmpBuild(ok);
  pastEnd[10] = 0xF0;
  BmpBytes shortHeader = BmpBuild(ok);
  shortHeader[14] = 8;
  const BmpBytes truncated = {'B', 'M', 0, 0};
  const std::vector<std::pair<const char*, BmpBytes>> cases = {
      {"not BM", notBm},      {"huge", BmpBuild(huge)},        {"negative width", BmpBuild(negative)},
      {"offset past end", pastEnd}, {"header of 8 bytes", shortHeader}, {"truncated header", truncated},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    TBmpLoaded l;
    BmpLoad(bytes, l);
    EXPECT_TRUE(l.aborted);
  }
}

TEST(BmpRead, TruncatedPixelsEndQuietly) {
  TBmpSpec s;
  s.width = 2, s.height = 3, s.bits = 8, s.compression = 1, s.used = 2, s.palette = {0x000001, 0x000002};
  s.pixels = {2, 1, 0};  // a pair cut in half
  TBmpLoaded l;
  BmpLoad(BmpBuild(s), l);
  EXPECT_FALSE(l.aborted);
  EXPECT_EQ(l.image.GetScanline(2)[0], 2);  // blue of index 1
  EXPECT_EQ(l.image.GetScanline(0)[0], 0);
}

// ---- writing -----------------------------------------------------------------

BmpBytes BmpSave(TVQBitmap& img, TIOParamsVals& params, bool& aborted) {
  TMemoryStream s;
  TVQProgressRec p;
  p.Aborting = &aborted;
  SaveBmpImage(s, &img, params, p);
  BmpBytes out(std::size_t(s.Size()));
  s.SetPosition(0);
  s.Read(out.data(), std::int64_t(out.size()));
  return out;
}

TEST(BmpWrite, TwentyFourBitBytesAreHandWorked) {
  TVQBitmap img;
  img.Allocate(1, 2, vqRGB24);
  img.GetScanline(0)[0] = 1, img.GetScanline(0)[1] = 2, img.GetScanline(0)[2] = 3;
  img.GetScanline(1)[0] = 4, img.GetScanline(1)[1] = 5, img.GetScanline(1)[2] = 6;
  TIOParamsVals params(nullptr);
  params.SetDpiX(300);
  params.SetDpiY(300);
  bool aborted = false;
  const BmpBytes out = BmpSave(img, params, aborted);
  ASSERT_FALSE(aborted);
  BmpBytes want = {'B', 'M'};
  BmpPut32(want, 62);
  BmpPut32(want, 0);
  BmpPut32(want, 54);
  BmpPut32(want, 40);
  BmpPut32(want, 1);
  BmpPut32(want, 2);
  BmpPut16(want, 1);
  BmpPut16(want, 24);
  BmpPut32(want, 0);
  BmpPut32(want, 8);
  BmpPut32(want, 11811);  // Round(300 / 2.54 x 100)
  BmpPut32(want, 11811);
  BmpPut32(want, 0);
  BmpPut32(want, 16777216);
  want.insert(want.end(), {4, 5, 6, 0, 1, 2, 3, 0});  // bottom row first
  EXPECT_EQ(out, want);
  TBmpLoaded l;
  BmpLoad(out, l);
  ASSERT_FALSE(l.aborted);
  EXPECT_EQ(BmpRgbRows(l.image), (BmpBytes{1, 2, 3, 4, 5, 6}));
}

TEST(BmpWrite, EightBitRunLengthRowsEndWithEndOfLineAndBitmap) {
  TVQBitmap img;
  img.Allocate(5, 1, vqPalette8);
  const Byte row[5] = {7, 7, 7, 1, 2};
  std::copy(row, row + 5, img.GetScanline(0));
  for (int i = 0; i < 256; ++i) img.SetPaletteColor(i, TRGBPixel{Byte(i), Byte(i), Byte(i)});
  struct {
    int version;
    std::uint32_t headerSize, compression;
    BmpBytes pixels;
  } cases[] = {{1, 40, 1, {3, 7, 1, 1, 1, 2, 0, 0, 0, 1}}, {2, 12, 0, {7, 7, 7, 1, 2, 0, 0, 0}},
               {3, 64, 1, {3, 7, 1, 1, 1, 2, 0, 0, 0, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    TIOParamsVals params(nullptr);
    params.BitsPerSample = 8, params.SamplesPerPixel = 1, params.BmpCompression = 1;
    params.BmpVersion = Byte(c.version);
    bool aborted = false;
    const BmpBytes out = BmpSave(img, params, aborted);
    ASSERT_FALSE(aborted);
    const std::size_t palBytes = 256 * (c.headerSize == 12 ? 3 : 4);
    ASSERT_EQ(out.size(), 14 + c.headerSize + palBytes + c.pixels.size());
    EXPECT_EQ(out[14], c.headerSize);
    if (c.headerSize != 12) EXPECT_EQ(out[14 + 16], c.compression);
    EXPECT_EQ(BmpBytes(out.end() - std::ptrdiff_t(c.pixels.size()), out.end()), c.pixels);
    EXPECT_EQ(params.ColorMapCount(), 256);
    TBmpLoaded l;
    BmpLoad(out, l, true);
    ASSERT_FALSE(l.aborted);
    EXPECT_EQ(BmpIndexRows(l.image), BmpBytes(row, row + 5));
  }
}

TEST(BmpWrite, OneBitImageGoesOutBlackThenWhite) {
  TVQBitmap img;
  img.Allocate(3, 1, vqBits1);
  img.GetScanline(0)[0] = 0xA0;
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 1, params.SamplesPerPixel = 1;
  bool aborted = false;
  const BmpBytes out = BmpSave(img, params, aborted);
  ASSERT_FALSE(aborted);
  ASSERT_EQ(out.size(), 14u + 40 + 8 + 4);
  EXPECT_EQ(BmpBytes(out.begin() + 54, out.end()), (BmpBytes{0, 0, 0, 0, 255, 255, 255, 0, 0xA0, 0, 0, 0}));
  TBmpLoaded l;
  BmpLoad(out, l);
  EXPECT_EQ(l.image.GetScanline(0)[0] & 0xE0, 0xA0);
}

TEST(BmpWrite, FourBitRowsPackTwoIndicesAByte) {
  TVQBitmap img;
  img.Allocate(3, 1, vqPalette8);
  img.GetScanline(0)[0] = 1, img.GetScanline(0)[1] = 2, img.GetScanline(0)[2] = 3;
  for (int i = 0; i < 16; ++i) img.SetPaletteColor(i, TRGBPixel{Byte(i * 16), 0, 0});
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 4, params.SamplesPerPixel = 1;
  bool aborted = false;
  const BmpBytes out = BmpSave(img, params, aborted);
  ASSERT_FALSE(aborted);
  ASSERT_EQ(out.size(), 14u + 40 + 64 + 4);
  EXPECT_EQ(BmpBytes(out.end() - 4, out.end()), (BmpBytes{0x12, 0x30, 0, 0}));
}

// ---- through the I/O component -------------------------------------------------

TEST(BmpComponent, SaveToFileAndLoadFromFileRoundTrip) {
  StartImagingLibrary();
  InstallBmpFilter();
  char pattern[] = "/tmp/lumiqa_bmptest_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/x.bmp";
  {
    TVQBitmap img;
    img.Allocate(2, 1, vqRGB24);
    const Byte px[6] = {1, 2, 3, 200, 100, 50};
    std::copy(px, px + 6, img.GetScanline(0));
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.SaveToFile(path);
    EXPECT_FALSE(io.Aborting);
  }
  {
    TVQBitmap img;
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.LoadFromFile(path);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(BmpRgbRows(img), (BmpBytes{1, 2, 3, 200, 100, 50}));
    EXPECT_EQ(io.Parameters()->Width, 2);
  }
  unlink(path.c_str());
  rmdir(pattern);
  EndImagingLibrary();
}

}  // namespace

namespace {

// A 24-bit and an 8-bit file of 37 x 23 pixels read to the same bytes for
// any thread count.
TEST(BmpRead, SameBytesForAnyThreadCount) {
  for (int bits : {8, 24}) {
    SCOPED_TRACE(bits);
    TBmpSpec s;
    s.width = 37, s.height = 23, s.bits = bits;
    if (bits == 8) {
      s.used = 256;
      for (int i = 0; i < 256; ++i) s.palette.push_back(std::uint32_t(i * 0x010203));
    }
    const int rowLen = ((37 * bits + 31) / 32) * 4;
    for (int i = 0; i < rowLen * 23; ++i) s.pixels.push_back(Byte(i * 7 + 3));
    const BmpBytes file = BmpBuild(s);
    std::vector<BmpBytes> results;
    for (int threads : {1, 2, 3, 8}) {
      SetParallelThreadCount(threads);
      TBmpLoaded l;
      BmpLoad(file, l);
      ASSERT_FALSE(l.aborted);
      results.push_back(BmpRgbRows(l.image));
    }
    SetParallelThreadCount(0);
    for (const BmpBytes& r : results) EXPECT_EQ(r, results[0]);
    // The top image row is the last file row: its first pixel by hand.
    const int last = rowLen * 22;
    if (bits == 24) {
      EXPECT_EQ(results[0][0], Byte(last * 7 + 3));
    } else {
      const Byte index = Byte(last * 7 + 3);
      EXPECT_EQ(results[0][0], Byte(index * 3));  // blue of index i is 3 i (mod 256)
    }
  }
}

}  // namespace

namespace {

// Rows a megabyte long are read in bands of three: the second band and a
// cut last row land where they belong.
TEST(BmpRead, WideRowsReadInBandsAndACutRowEndsTheImage) {
  TBmpSpec s;
  s.width = 349526, s.height = 5;
  const std::size_t rowLen = 1048580;  // 349526 x 3 rounded up to 4
  s.pixels.assign(rowLen * 5 - rowLen / 2, 0);
  for (std::size_t k = 0; k < 5; ++k) {
    s.pixels[k * rowLen] = Byte(10 + k);
    if (k < 4) s.pixels[k * rowLen + 349525 * 3 + 2] = Byte(20 + k);
  }
  TBmpLoaded l;
  BmpLoad(BmpBuild(s), l);
  ASSERT_FALSE(l.aborted);
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    const Byte* row = l.image.GetScanline(4 - k);
    EXPECT_EQ(row[0], 10 + k);
    EXPECT_EQ(row[349525 * 3 + 2], k < 4 ? 20 + k : 0);  // the cut row's end is zeros
  }
}

}  // namespace

namespace {

// Formats the file has no depth for go out through 24 bits; sizes a core
// header cannot hold are refused.
TEST(BmpWrite, OtherFormatsAndOversizedCoreHeaders) {
  TVQBitmap grey;
  grey.Allocate(1, 1, vqGray16);
  grey.GetScanline(0)[0] = 0xFF, grey.GetScanline(0)[1] = 0xFF;
  struct {
    const char* name;
    int bitsPerSample, samples;
    BmpBytes pixels;  // the file's pixel bytes
  } cases[] = {{"24-bit", 8, 3, {255, 255, 255, 0}}, {"1-bit", 1, 1, {0x80, 0, 0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bitsPerSample, params.SamplesPerPixel = c.samples;
    bool aborted = false;
    const BmpBytes out = BmpSave(grey, params, aborted);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(BmpBytes(out.end() - 4, out.end()), c.pixels);
  }
  TVQBitmap wide;
  wide.Allocate(70000, 1, vqRGB24);
  TIOParamsVals params(nullptr);
  params.BmpVersion = 2;
  bool aborted = false;
  BmpSave(wide, params, aborted);
  EXPECT_TRUE(aborted);
}

}  // namespace

namespace {

// Before each row: Trunc(k x 100 / height); an abort set by the handler at
// the third report leaves the first two file rows read and the rest as
// allocated.
TEST(BmpRead, ReportsEachRowAndStopsOnAbort) {
  TBmpSpec s;
  s.height = 4, s.pixels = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0, 4, 4, 4, 0};
  const BmpBytes file = BmpBuild(s);
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop);
    TMemoryStream in;
    in.Write(file.data(), std::int64_t(file.size()));
    in.SetPosition(0);
    TVQBitmap img;
    TIOParamsVals params(nullptr);
    bool aborted = false;
    std::vector<int> seen;
    TVQProgressRec p;
    p.Aborting = &aborted;
    p.OnProgress = [&](TObject*, int per) {
      seen.push_back(per);
      if (stop && seen.size() == 3) aborted = true;
    };
    LoadBmpImage(in, &img, 0, false, false, p, params);
    EXPECT_EQ(seen, (stop ? std::vector<int>{0, 25, 50} : std::vector<int>{0, 25, 50, 75}));
    EXPECT_EQ(BmpRgbRows(img), (stop ? BmpBytes{0, 0, 0, 0, 0, 0, 2, 2, 2, 1, 1, 1}
                                     : BmpBytes{4, 4, 4, 3, 3, 3, 2, 2, 2, 1, 1, 1}));
  }
}

// Without the file header the stream starts at the info header; a
// parameters-only read fills the block and leaves the image alone.
TEST(BmpRead, NoFileHeaderAndParametersOnly) {
  TBmpSpec s;
  s.width = 1, s.height = 1, s.pixels = {7, 8, 9, 0};
  const BmpBytes file = BmpBuild(s);
  for (bool paramsOnly : {false, true}) {
    SCOPED_TRACE(paramsOnly);
    TMemoryStream in;
    in.Write(file.data() + 14, std::int64_t(file.size() - 14));
    in.SetPosition(0);
    TVQBitmap img;
    TIOParamsVals params(nullptr);
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    LoadBmpImage(in, &img, 0, true, paramsOnly, p, params);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(params.Width, 1);
    EXPECT_EQ(params.BitsPerSample, 8);
    EXPECT_EQ(params.SamplesPerPixel, 3);
    EXPECT_EQ(BmpRgbRows(img), (paramsOnly ? BmpBytes{} : BmpBytes{7, 8, 9}));
  }
}

}  // namespace

namespace {

// A 24-bit image saved at 8 bits: a 256-entry palette from the quantiser
// that holds the image's two colours, and rows that read back to them.
TEST(BmpWrite, EightBitSaveOfAColourImageQuantises) {
  TVQBitmap img;
  img.Allocate(3, 1, vqRGB24);
  const Byte px[9] = {10, 20, 30, 200, 100, 50, 10, 20, 30};
  std::copy(px, px + 9, img.GetScanline(0));
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8, params.SamplesPerPixel = 1;
  bool aborted = false;
  const BmpBytes out = BmpSave(img, params, aborted);
  ASSERT_FALSE(aborted);
  EXPECT_EQ(params.ColorMapCount(), 256);
  ASSERT_EQ(out.size(), 14u + 40 + 1024 + 4);
  EXPECT_EQ(out[14 + 14], 8);                           // bits per pixel
  EXPECT_EQ(out[14 + 32 + 1], 1);                       // colours used 256
  EXPECT_EQ(out[out.size() - 4], out[out.size() - 2]);  // equal pixels, equal indices
  EXPECT_NE(out[out.size() - 4], out[out.size() - 3]);
  TBmpLoaded l;
  BmpLoad(out, l);
  ASSERT_FALSE(l.aborted);
  EXPECT_EQ(BmpRgbRows(l.image), BmpBytes(px, px + 9));
}

}  // namespace

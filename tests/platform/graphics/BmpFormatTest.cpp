#include "platform/graphics/BmpFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/platform/graphics/BmpBuilder.h"

namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;

TDibColor C(std::uint32_t rgb) { return {std::uint8_t(rgb), std::uint8_t(rgb >> 8), std::uint8_t(rgb >> 16), 0}; }

std::vector<TDibColor> SixteenColours() {
  std::vector<TDibColor> p;
  for (std::uint32_t i = 0; i < 16; ++i) p.push_back(C(0x010203 * i + 0x400000 * (i & 3)));
  return p;
}

struct DecodeCase {
  std::string name;
  BmpLayout layout;
  Rows expected;  // 0xRRGGBB, row 0 at the top
  int bitCount;   // depth of the decoded image
};

// 5 x 3 pictures of every depth and header kind, with the colours each must
// decode to.
std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> cases;
  auto add = [&](std::string name, BmpLayout s, const Rows& values, bool topDown, Rows expected, int outBits) {
    s.width = int(values[0].size());
    s.height = topDown ? -int(values.size()) : int(values.size());
    s.pixels = PackRows(values, s.bits, topDown);
    cases.push_back({std::move(name), std::move(s), std::move(expected), outBits});
  };
  {
    BmpLayout s;
    s.bits = 1;
    s.palette = {C(0xFF0000), C(0x0000FF)};
    add("1bit", s, {{0, 1, 1, 0, 1}, {1, 0, 0, 1, 0}, {1, 1, 1, 1, 0}}, false,
        {{0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000, 0x0000FF},
         {0x0000FF, 0xFF0000, 0xFF0000, 0x0000FF, 0xFF0000},
         {0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000}},
        1);
  }
  {
    BmpLayout s;
    s.bits = 4;
    s.palette = SixteenColours();
    Rows v = {{0, 15, 7, 8, 3}, {1, 2, 4, 9, 14}, {5, 6, 10, 11, 12}};
    Rows e = v;
    for (auto& r : e)
      for (auto& p : r) {
        TDibColor c = s.palette[p];
        p = (std::uint32_t(c.Red) << 16) | (c.Green << 8) | c.Blue;
      }
    add("4bit", s, v, false, e, 4);
  }
  {
    BmpLayout s;
    s.bits = 8;
    for (int i = 0; i < 256; ++i) s.palette.push_back(C(std::uint32_t(255 - i) * 0x010101 ^ 0x00FF00 * (i & 1)));
    Rows v = {{0, 255, 128, 1, 2}, {3, 4, 5, 254, 253}, {100, 101, 102, 103, 104}};
    Rows e = v;
    for (auto& r : e)
      for (auto& p : r) p = ((255 - p) * 0x010101) ^ (0x00FF00 * (p & 1));
    add("8bit", s, v, false, e, 8);
    BmpLayout core = s;
    core.headerSize = 12;
    add("8bit core header", core, v, false, e, 8);
  }
  {
    // A short table: indexes past it are black, never a read past the table.
    BmpLayout s;
    s.bits = 8;
    s.palette = {C(0x112233), C(0x445566), C(0x778899)};
    add("8bit short table", s, {{0, 1, 2, 3, 200}, {2, 1, 0, 0, 0}, {0, 0, 0, 0, 255}}, false,
        {{0x112233, 0x445566, 0x778899, 0, 0}, {0x778899, 0x445566, 0x112233, 0x112233, 0x112233},
         {0x112233, 0x112233, 0x112233, 0x112233, 0}},
        8);
  }
  const Rows v555 = {{0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0000}, {0x4210, 0x0421, 0x0001, 0x0400, 0x3C00}, {0, 0, 0, 0, 0}};
  const Rows e555 = {{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000},
                     {0x848484, 0x080808, 0x000008, 0x080000, 0x7B0000},
                     {0, 0, 0, 0, 0}};
  {
    BmpLayout s;
    s.bits = 16;
    add("16bit 555 plain", s, v555, false, e555, 16);
    s.compression = BMP_BITFIELDS;
    s.masks = {0x7C00, 0x03E0, 0x001F};
    add("16bit 555 bit fields", s, v555, true, e555, 16);
  }
  const Rows v565 = {{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0020}, {0x8410, 0, 0, 0, 0}, {0, 0, 0, 0, 0x0821}};
  const Rows e565 = {{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000400},
                     {0x848284, 0, 0, 0, 0},
                     {0, 0, 0, 0, 0x080408}};
  {
    BmpLayout s;
    s.bits = 16;
    s.compression = BMP_BITFIELDS;
    s.masks = {0xF800, 0x07E0, 0x001F};
    add("16bit 565 bit fields", s, v565, false, e565, 16);
    BmpLayout v4 = s;
    v4.headerSize = 108;
    add("16bit 565 V4 header", v4, v565, false, e565, 16);
  }
  {
    // 4-4-4: any other layout comes out as 32 bits.
    BmpLayout s;
    s.bits = 16;
    s.compression = BMP_BITFIELDS;
    s.masks = {0x0F00, 0x00F0, 0x000F};
    add("16bit 444 bit fields", s, {{0x0F00, 0x00F0, 0x000F, 0x0FFF, 0x0888}, {0, 0, 0, 0, 0}, {0x0123, 0, 0, 0, 0}},
        false,
        {{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x888888}, {0, 0, 0, 0, 0}, {0x112233, 0, 0, 0, 0}}, 32);
  }
  const Rows v24 = {{0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFEDCBA},
                    {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F},
                    {0xFFFFFF, 0x000000, 0x808080, 0x7F7F7F, 0xABCDEF}};
  {
    BmpLayout s;
    s.bits = 24;
    add("24bit bottom-up", s, v24, false, v24, 24);
    add("24bit top-down", s, v24, true, v24, 24);
    BmpLayout v5 = s;
    v5.headerSize = 124;
    add("24bit V5 header", v5, v24, false, v24, 24);
    BmpLayout os2 = s;
    os2.headerSize = 64;
    add("24bit OS/2 header", os2, v24, false, v24, 24);
    BmpLayout v3 = s;
    v3.headerSize = 56;
    add("24bit V3 header", v3, v24, true, v24, 24);
  }
  {
    BmpLayout s;
    s.bits = 32;
    add("32bit plain", s, v24, false, v24, 32);
    s.compression = BMP_BITFIELDS;
    s.masks = {0x0000FF, 0x00FF00, 0xFF0000};  // red in the low byte
    Rows swapped = v24;
    for (auto& r : swapped)
      for (auto& p : r) p = ((p & 0xFF) << 16) | (p & 0xFF00) | (p >> 16);
    add("32bit swapped bit fields", s, swapped, false, v24, 32);
    BmpLayout v5 = s;
    v5.headerSize = 124;
    v5.masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};  // R, G, B, A from the top
    Rows rgba = v24;
    for (auto& r : rgba)
      for (auto& p : r) p = (p << 8) | 0x80;
    add("32bit V5 RGBA bit fields", v5, rgba, true, v24, 32);
  }
  return cases;
}

TEST(BmpReader, DecodesEveryDepthAndHeader) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file = MakeBmp(c.layout);
    TDibImage img = ReadBmp(file.data(), file.size());
    ASSERT_EQ(img.Width, int(c.expected[0].size()));
    ASSERT_EQ(img.Height, int(c.expected.size()));
    EXPECT_EQ(img.BitCount, c.bitCount);
    for (int y = 0; y < img.Height; ++y)
      for (int x = 0; x < img.Width; ++x)
        EXPECT_EQ(PixelRGB(img, x, y), c.expected[y][x]) << "at " << x << "," << y;
  }
}

TEST(BmpReader, KeepsAlphaOfBitFieldImages) {
  BmpLayout s;
  s.headerSize = 124;
  s.bits = 32;
  s.compression = BMP_BITFIELDS;
  s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  s.width = 2;
  s.height = 1;
  s.pixels = PackRows({{0x40112233, 0xFF445566}}, 32, false);
  std::vector<std::uint8_t> file = MakeBmp(s);
  TDibImage img = ReadBmp(file.data(), file.size());
  EXPECT_EQ(img.Row(0)[3], 0x40);
  EXPECT_EQ(img.Row(0)[7], 0xFF);
}

// Every prefix of a good file that cuts into the headers, the table or the
// pixels must raise, not read past the end.
TEST(BmpReader, RejectsEveryTruncation) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file = MakeBmp(c.layout);
    int bits = c.layout.bits;
    std::size_t rowBytes = (std::size_t(c.layout.width) * bits + 7) / 8;
    std::size_t lastPad = ((rowBytes + 3) & ~std::size_t(3)) - rowBytes;
    for (std::size_t n = 0; n + lastPad < file.size(); ++n) {
      std::vector<std::uint8_t> cut(file.begin(), file.begin() + std::ptrdiff_t(n));
      EXPECT_THROW(ReadBmp(cut.data(), cut.size()), EInvalidGraphic) << "prefix " << n;
    }
  }
}

struct BadCase {
  const char* name;
  std::function<void(BmpLayout&)> damage;
};

TEST(BmpReader, RejectsBadHeaders) {
  const BadCase cases[] = {
      {"bit count 3", [](BmpLayout& s) { s.bits = 3; }},
      {"bit count 0", [](BmpLayout& s) { s.bits = 0; }},
      {"unknown header size", [](BmpLayout& s) { s.headerSize = 44; }},
      {"RLE8 on 24 bits", [](BmpLayout& s) { s.compression = BMP_RLE8; }},
      {"RLE4 on 24 bits", [](BmpLayout& s) { s.compression = BMP_RLE4; }},
      {"bit fields on 24 bits", [](BmpLayout& s) { s.compression = BMP_BITFIELDS; }},
      {"JPEG compression", [](BmpLayout& s) { s.compression = 4; }},
      {"width zero", [](BmpLayout& s) { s.width = 0; }},
      {"width negative", [](BmpLayout& s) { s.width = -5; }},
      {"height zero", [](BmpLayout& s) { s.height = 0; }},
      {"height INT_MIN", [](BmpLayout& s) { s.height = INT32_MIN; }},
      {"pixels larger than the file", [](BmpLayout& s) { s.height = 4000; }},
      {"size overflows 64 bits", [](BmpLayout& s) { s.width = 0x7FFFFFFF, s.height = 0x7FFFFFFF; }},
      {"top-down size too big", [](BmpLayout& s) { s.width = 70000, s.height = -70000; }},
      {"pixel offset past the end", [](BmpLayout& s) { s.offBits = 100000, s.padToOffset = false; }},
      {"pixel offset inside the header", [](BmpLayout& s) { s.offBits = 20; }},
      {"table of the depth's count past the file", [](BmpLayout& s) { s.bits = 8, s.colorsUsed = 300; }},
      {"huge table on 24 bits", [](BmpLayout& s) { s.colorsUsed = 0x40000000; }},
      {"bit fields in an OS/2 header", [](BmpLayout& s) { s.headerSize = 64, s.bits = 16, s.compression = BMP_BITFIELDS; }},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpLayout s;
    s.bits = 24;
    s.width = 3;
    s.height = 2;
    s.pixels.assign(24, 0x55);
    c.damage(s);
    std::vector<std::uint8_t> file = MakeBmp(s);
    EXPECT_THROW(ReadBmp(file.data(), file.size()), EInvalidGraphic);
  }
}

// A colour count past what the depth allows reads the depth's own count.
TEST(BmpReader, ColourCountPastTheDepthReadsTheDepthsCount) {
  struct CountCase {
    std::uint16_t bits;
    std::int64_t colorsUsed;
  };
  for (const CountCase& c : {CountCase{1, 3}, CountCase{4, 17}, CountCase{8, 257}, CountCase{8, 0xFFFFFFFF}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.colorsUsed) + " colours");
    const int n = 1 << c.bits;
    BmpLayout s;
    s.bits = c.bits;
    s.colorsUsed = c.colorsUsed;
    for (int i = 0; i < n; ++i) s.palette.push_back(C((std::uint32_t(i) * 0x010101u) ^ 0x5A3C00u));
    Rows values = {{std::uint32_t(n - 1), 0, 1}, {1, std::uint32_t(n - 1), 0}};
    s.width = 3;
    s.height = 2;
    s.pixels = PackRows(values, c.bits, false);
    std::vector<std::uint8_t> file = MakeBmp(s);
    TDibImage img = ReadBmp(file.data(), file.size());
    ASSERT_EQ(img.BitCount, c.bits);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(PixelRGB(img, x, y), (values[y][x] * 0x010101u) ^ 0x5A3C00u) << x << "," << y;
  }
}

TEST(BmpReader, RejectsWrongMagic) {
  BmpLayout s;
  s.width = 1;
  s.height = 1;
  s.pixels.assign(4, 0);
  std::vector<std::uint8_t> file = MakeBmp(s);
  file[0] = 'X';
  EXPECT_THROW(ReadBmp(file.data(), file.size()), EInvalidGraphic);
}

TEST(BmpReader, HonoursTheLimit) {
  BmpLayout s;
  s.width = 64;
  s.height = 64;
  s.pixels.assign(64 * 64 * 3, 0);
  std::vector<std::uint8_t> file = MakeBmp(s);
  TBmpReadLimits small;
  small.MaxBytes = 64 * 64 * 3 - 1;
  EXPECT_THROW(ReadBmp(file.data(), file.size(), small), EInvalidGraphic);
  small.MaxBytes = 64 * 64 * 3;
  EXPECT_NO_THROW(ReadBmp(file.data(), file.size(), small));
}

// ---- Run-length files ------------------------------------------------------

BmpLayout Rle(std::uint16_t bits, int w, int h, std::vector<std::uint8_t> data) {
  BmpLayout s;
  s.bits = bits;
  s.compression = bits == 8 ? BMP_RLE8 : BMP_RLE4;
  s.width = w;
  s.height = h;
  for (int i = 0; i < (1 << bits); ++i) s.palette.push_back(C(std::uint32_t(i) * 0x010101));
  s.pixels = std::move(data);
  return s;
}

// Index of pixel (x, y), y = 0 at the top.
int Index(const TDibImage& img, int x, int y) {
  const std::uint8_t* row = img.Row(y);
  if (img.BitCount == 8) return row[x];
  return (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
}

TEST(BmpReader, DecodesRle8RunsLiteralsDeltasAndLineEnds) {
  // Bottom row: run of 3 x 7, literal 1 2 3 (padded), end of line.
  // Middle row: delta (2, 0) then run 2 x 9, end of line.
  // Top row: run 6 x 4, end of bitmap.
  BmpLayout s = Rle(8, 6, 3,
                  {3, 7, 0, 3, 1, 2, 3, 0, 0, 0,
                   0, 2, 2, 0, 2, 9, 0, 0,
                   6, 4, 0, 1});
  std::vector<std::uint8_t> file = MakeBmp(s);
  TDibImage img = ReadBmp(file.data(), file.size());
  const int expected[3][6] = {{4, 4, 4, 4, 4, 4}, {0, 0, 9, 9, 0, 0}, {7, 7, 7, 1, 2, 3}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(Index(img, x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpReader, DecodesRle4AlternatingRunsAndOddLiterals) {
  // Bottom row: run of 5 alternating 1/2, literal of 3 nibbles 3 4 5 (2 bytes,
  // already even), end of line. Top row: run of 8 alternating F/E.
  BmpLayout s = Rle(4, 8, 2, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 8, 0xFE, 0, 1});
  std::vector<std::uint8_t> file = MakeBmp(s);
  TDibImage img = ReadBmp(file.data(), file.size());
  const int expected[2][8] = {{15, 14, 15, 14, 15, 14, 15, 14}, {1, 2, 1, 2, 1, 3, 4, 5}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Index(img, x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpReader, RejectsRunLengthDataLeavingTheImage) {
  const BadCase cases[] = {
      {"run past the last row", [](BmpLayout& s) { s.pixels = {0, 0, 0, 0, 0, 0, 4, 1, 0, 1}; }},
      {"literal cut short", [](BmpLayout& s) { s.pixels = {0, 4, 1}; }},
      {"delta past the right edge", [](BmpLayout& s) { s.pixels = {0, 2, 5, 0, 0, 1}; }},
      {"delta past the top", [](BmpLayout& s) { s.pixels = {0, 2, 0, 4, 0, 1}; }},
      {"delta then run on the row past the top", [](BmpLayout& s) { s.pixels = {0, 2, 0, 3, 1, 1, 0, 1}; }},
      {"delta cut short", [](BmpLayout& s) { s.pixels = {0, 2, 1}; }},
      {"top-down run-length", [](BmpLayout& s) { s.height = -3; }},
  };
  for (int bits : {8, 4}) {
    for (const BadCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (bits == 8 ? " (RLE8)" : " (RLE4)"));
      BmpLayout s = Rle(std::uint16_t(bits), 4, 3, {4, 1, 0, 1});
      c.damage(s);
      std::vector<std::uint8_t> file = MakeBmp(s);
      EXPECT_THROW(ReadBmp(file.data(), file.size()), EInvalidGraphic);
    }
  }
}

// Runs and literals past the row's end are clipped there (a common writer
// encodes the row padding as a run of index 0); the next row starts clean.
TEST(BmpReader, ClipsRunLengthRunsAtTheRowEnd) {
  struct ClipCase {
    const char* name;
    std::vector<std::uint8_t> data;
    int expected[2][4];  // top row first
  };
  const ClipCase cases[] = {
      {"run past the row end", {6, 3, 0, 0, 2, 5, 0, 1}, {{5, 5, 0, 0}, {3, 3, 3, 3}}},
      {"padding run after a full row", {4, 3, 2, 0, 0, 0, 4, 6, 0, 1}, {{6, 6, 6, 6}, {3, 3, 3, 3}}},
      {"run from the middle of the row", {1, 2, 255, 7, 0, 0, 1, 1, 0, 1}, {{1, 0, 0, 0}, {2, 7, 7, 7}}},
      {"literal past the row end", {0, 6, 1, 2, 3, 4, 5, 6, 0, 0, 3, 9, 0, 1}, {{9, 9, 9, 0}, {1, 2, 3, 4}}},
  };
  for (int bits : {8, 4}) {
    for (const ClipCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (bits == 8 ? " (RLE8)" : " (RLE4)"));
      std::vector<std::uint8_t> data = c.data;
      if (bits == 4) {
        // The same picture in RLE4: runs repeat one nibble, literals pack two.
        std::vector<std::uint8_t> d4;
        for (std::size_t i = 0; i < data.size();) {
          std::uint8_t n = data[i], v = data[i + 1];
          if (n) {
            d4.insert(d4.end(), {n, std::uint8_t(v << 4 | v)});
            i += 2;
          } else if (v >= 3) {
            std::vector<std::uint8_t> packed((v + 1) / 2, 0);
            for (int k = 0; k < v; ++k) packed[k / 2] |= std::uint8_t(data[i + 2 + k] << ((k & 1) ? 0 : 4));
            if (packed.size() & 1) packed.push_back(0);
            d4.insert(d4.end(), {0, v});
            d4.insert(d4.end(), packed.begin(), packed.end());
            i += 2 + v + (v & 1);
          } else {
            d4.insert(d4.end(), {0, v});
            i += 2;
          }
        }
        data = d4;
      }
      BmpLayout s = Rle(std::uint16_t(bits), 4, 2, data);
      std::vector<std::uint8_t> file = MakeBmp(s);
      TDibImage img = ReadBmp(file.data(), file.size());
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Index(img, x, y), c.expected[y][x]) << x << "," << y;
    }
  }
}

TEST(BmpReader, RunLengthDataWithoutEndCodeLeavesTheRestBlack) {
  BmpLayout s = Rle(8, 2, 2, {2, 5});
  std::vector<std::uint8_t> file = MakeBmp(s);
  TDibImage img = ReadBmp(file.data(), file.size());
  EXPECT_EQ(Index(img, 0, 1), 5);
  EXPECT_EQ(Index(img, 1, 1), 5);
  EXPECT_EQ(Index(img, 0, 0), 0);
}

// ---- Writer ----------------------------------------------------------------

TEST(BmpWriter, RoundTripsEveryDepth) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file = MakeBmp(c.layout);
    TDibImage img = ReadBmp(file.data(), file.size());
    std::vector<std::uint8_t> written = WriteBmp(img);
    TDibImage back = ReadBmp(written.data(), written.size());
    EXPECT_EQ(back.BitCount, img.BitCount);
    EXPECT_EQ(back.Is565, img.Is565);
    EXPECT_EQ(back.Palette, img.Palette);
    EXPECT_EQ(back.Bits, img.Bits);
  }
}

TEST(BmpWriter, WritesTheFramesOthersExpect) {
  TDibImage img;
  img.Allocate(3, 2, 24);
  std::vector<std::uint8_t> f = WriteBmp(img);
  ASSERT_EQ(f.size(), 14u + 40u + 2u * 12u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(f[2] | (f[3] << 8), int(f.size()));
  EXPECT_EQ(f[10], 54);  // pixels right after the 40-byte header
  EXPECT_EQ(f[14], 40);
  EXPECT_EQ(f[22], 2);  // positive height: bottom-up
}

TEST(BmpStream, ReadsExactlyOneFileOfBfSize) {
  BmpLayout a;
  a.width = 1;
  a.height = 1;
  a.pixels = {1, 2, 3, 0};
  BmpLayout b = a;
  b.pixels = {4, 5, 6, 0};
  std::vector<std::uint8_t> fa = MakeBmp(a), fb = MakeBmp(b);
  TMemoryStream ms;
  ms.WriteBuffer(fa.data(), std::int64_t(fa.size()));
  ms.WriteBuffer(fb.data(), std::int64_t(fb.size()));
  ms.SetPosition(0);
  EXPECT_EQ(ReadBmpFileBytes(ms), fa);
  EXPECT_EQ(ms.Position(), std::int64_t(fa.size()));
  EXPECT_EQ(ReadBmpFileBytes(ms), fb);
}

// A wrong bfSize must neither make us allocate what it claims nor lose a
// bitmap whose writer left the field 0: the stream's end bounds the read.
TEST(BmpStream, BfSizeBeyondTheStreamOrZeroReadsWhatTheStreamHolds) {
  for (std::uint32_t field : {0x7FFFFFF0u, 0u, 5u}) {
    BmpLayout a;
    a.width = 1;
    a.height = 1;
    a.pixels = {1, 2, 3, 0};
    a.fileSizeField = field;
    std::vector<std::uint8_t> fa = MakeBmp(a);
    TMemoryStream ms;
    ms.WriteBuffer(fa.data(), std::int64_t(fa.size()));
    ms.SetPosition(0);
    std::vector<std::uint8_t> got = ReadBmpFileBytes(ms);
    EXPECT_EQ(got, fa) << "bfSize " << field;
    TDibImage img = ReadBmp(got.data(), got.size());
    EXPECT_EQ(img.Width, 1) << "bfSize " << field;
  }
}

TEST(BmpStream, RefusesAStreamTooShortForAnyHeader) {
  const std::uint8_t bytes[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 0};
  TMemoryStream ms;
  ms.WriteBuffer(bytes, sizeof bytes);
  ms.SetPosition(0);
  EXPECT_THROW(ReadBmpFileBytes(ms), EInvalidGraphic);
}

TEST(PackedDib, ReadsIconColourAndMask) {
  // 2 x 2 icon at 24 bits: header height 4 (colour + mask), mask rows 4 bytes.
  std::vector<std::uint8_t> d;
  Put(d, 40, 4);
  Put(d, 2, 4);
  Put(d, 4, 4);
  Put(d, 1, 2);
  Put(d, 24, 2);
  for (int i = 0; i < 6; ++i) Put(d, 0, 4);
  std::vector<std::uint8_t> colour = PackRows({{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, 24, false);
  d.insert(d.end(), colour.begin(), colour.end());
  std::vector<std::uint8_t> mask = PackRows({{1, 0}, {0, 1}}, 1, false);
  d.insert(d.end(), mask.begin(), mask.end());
  TDibImage m;
  TDibImage img = ReadPackedDib(d.data(), d.size(), &m);
  ASSERT_EQ(img.Height, 2);
  EXPECT_EQ(PixelRGB(img, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelRGB(img, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(m, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(m, 1, 0), 0u);
  EXPECT_EQ(PixelRGB(m, 1, 1), 0xFFFFFFu);
  d.resize(d.size() - 1);  // the mask of a 24-bit icon is required
  EXPECT_THROW(ReadPackedDib(d.data(), d.size(), &m), EInvalidGraphic);
}

// ---- TBitmap streaming rows between the file and its section --------------

TMemoryStream* StreamOf(const std::vector<std::uint8_t>& bytes, TMemoryStream& s) {
  s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  return &s;
}

TEST(BmpStream, BitmapsLoadEveryDepthAsTheReaderDecodesIt) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file = MakeBmp(c.layout);
    const TDibImage want = ReadBmp(file.data(), file.size());
    // Behind some bytes of another record, and followed by more.
    std::vector<std::uint8_t> around = {1, 2, 3};
    around.insert(around.end(), file.begin(), file.end());
    around.insert(around.end(), {9, 9, 9, 9, 9});
    TMemoryStream s;
    StreamOf(around, s);
    s.SetPosition(3);
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(s.Position(), std::int64_t(3 + file.size()));
    const TDibImage got = b.ToDib();
    EXPECT_EQ(got.BitCount, want.BitCount);
    EXPECT_EQ(got.Is565, want.Is565);
    EXPECT_EQ(got.Palette, want.Palette);
    EXPECT_EQ(got.Bits, want.Bits);
  }
}

TEST(BmpStream, BitmapsRefuseEveryTruncation) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file = MakeBmp(c.layout);
    std::size_t rowBytes = (std::size_t(c.layout.width) * c.layout.bits + 7) / 8;
    std::size_t lastPad = ((rowBytes + 3) & ~std::size_t(3)) - rowBytes;
    for (std::size_t n = 0; n + lastPad < file.size(); ++n) {
      std::vector<std::uint8_t> cut(file.begin(), file.begin() + std::ptrdiff_t(n));
      TMemoryStream s;
      StreamOf(cut, s);
      TBitmap b;
      EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic) << "prefix " << n;
    }
  }
}

TEST(BmpStream, BitmapsSaveWhatTheWriterWrites) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
    SCOPED_TRACE(int(f));
    TBitmap b(13, 7, f);
    for (int y = 0; y < 7; ++y) {
      auto* p = static_cast<std::uint8_t*>(b.ScanLine(y));
      for (int x = 0; x < b.RowBytes(); ++x) p[x] = std::uint8_t(x * 37 + y * 11);
    }
    TMemoryStream s;
    b.SaveToStream(s);
    const std::vector<std::uint8_t> want = WriteBmp(b.ToDib());
    ASSERT_EQ(s.Size(), std::int64_t(want.size()));
    EXPECT_EQ(std::memcmp(s.Memory(), want.data(), want.size()), 0);
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(s);
    // Read as the reader reads it: the last row's padding is not taken.
    EXPECT_EQ(back.ToDib().Bits, ReadBmp(want.data(), want.size()).Bits);
  }
}

}  // namespace

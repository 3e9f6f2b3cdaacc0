// The TGA reader and writer on hand-built files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqtgafil.h"
#include "platform/rtl/Streams.h"

namespace {

using TgaBytes = std::vector<std::uint8_t>;

struct TTgaSpec {
  TTgaSpec(int t = 2, int d = 24, int w = 2, int h = 2, int desc = 0, int mt = 0, int mf = 0, int ml = 0,
           int me = 0, TgaBytes m = {}, TgaBytes px = {})
      : type(t), depth(d), width(w), height(h), descriptor(desc), mapType(mt), mapFirst(mf), mapLength(ml),
        mapEntry(me), map(std::move(m)), pixels(std::move(px)) {}
  int type, depth, width, height, descriptor;
  int mapType, mapFirst, mapLength, mapEntry;
  TgaBytes map, pixels;
  std::string id;
};

TgaBytes TgaBuild(const TTgaSpec& s) {
  TgaBytes b = {std::uint8_t(s.id.size()), std::uint8_t(s.mapType), std::uint8_t(s.type),
                std::uint8_t(s.mapFirst), std::uint8_t(s.mapFirst >> 8), std::uint8_t(s.mapLength),
                std::uint8_t(s.mapLength >> 8), std::uint8_t(s.mapEntry), 3, 0, 4, 0,
                std::uint8_t(s.width), std::uint8_t(s.width >> 8), std::uint8_t(s.height),
                std::uint8_t(s.height >> 8), std::uint8_t(s.depth), std::uint8_t(s.descriptor)};
  b.insert(b.end(), s.id.begin(), s.id.end());
  b.insert(b.end(), s.map.begin(), s.map.end());
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  return b;
}

struct TTgaLoaded {
  bool abort = false;
  TVQBitmap image;
  TIOParamsVals params{nullptr};
  std::unique_ptr<TVQMask> mask;
};

void TgaLoad(const TgaBytes& bytes, TTgaLoaded& out, std::int64_t at = 0) {
  TMemoryStream s;
  std::vector<std::uint8_t> pad(std::size_t(at), 0xEE);
  if (at) s.Write(pad.data(), at);
  s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(at);
  TVQProgressRec p;
  p.Aborting = &out.abort;
  LoadTgaImage(s, &out.image, out.params, false, out.mask, false, p);
}

// Pixels top row first as 0xRRGGBB.
std::vector<std::uint32_t> TgaPixels(TVQBitmap& img) {
  std::vector<std::uint32_t> v;
  for (int y = 0; y < img.GetHeight(); ++y) {
    const Byte* r = img.GetScanline(y);
    for (int x = 0; x < img.GetWidth(); ++x)
      v.push_back(std::uint32_t(r[x * 3 + 2]) << 16 | std::uint32_t(r[x * 3 + 1]) << 8 | r[x * 3]);
  }
  return v;
}

struct TTgaCase {
  const char* name;
  TTgaSpec spec;
  std::vector<std::uint32_t> expected;
  std::vector<int> alpha;  // top row first; empty when no mask
};

// Pixel bytes (blue, green, red) of the 24-bit cases: A red, B green, C blue, D white.
#define TGA_A 0x00, 0x00, 0xFF
#define TGA_B 0x00, 0xFF, 0x00
#define TGA_C 0xFF, 0x00, 0x00
#define TGA_D 0xFF, 0xFF, 0xFF

const std::vector<TTgaCase>& TgaCases() {
  static const std::vector<TTgaCase> cases = {
      // Bottom-up: the first row read is the last bitmap row.
      {"true colour bottom-up", {2, 24, 2, 2, 0, 0, 0, 0, 0, {}, {TGA_A, TGA_B, TGA_C, TGA_D}},
       {0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}, {}},
      {"true colour top-down", {2, 24, 2, 2, 0x20, 0, 0, 0, 0, {}, {TGA_C, TGA_D, TGA_A, TGA_B}},
       {0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}, {}},
      {"right-to-left bottom-up", {2, 24, 2, 2, 0x10, 0, 0, 0, 0, {}, {TGA_A, TGA_B, TGA_C, TGA_D}},
       {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}, {}},
      {"right-to-left top-down", {2, 24, 2, 2, 0x30, 0, 0, 0, 0, {}, {TGA_A, TGA_B, TGA_C, TGA_D}},
       {0x00FF00, 0xFF0000, 0xFFFFFF, 0x0000FF}, {}},
      // 16 bits: red 0x7C00, green 0x03E0, blue with bit 15 set, 0x0421 = 8, 8, 8;
      // 31 is 255.
      {"16-bit", {2, 16, 2, 2, 0x20, 0, 0, 0, 0, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x80, 0x21, 0x04}},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x080808}, {}},
      {"grey without map", {3, 8, 3, 1, 0, 0, 0, 0, 0, {}, {0x00, 0x40, 0xFF}}, {0x000000, 0x404040, 0xFFFFFF}, {}},
      // Map entries 2 and 3; index 0 and 1 keep the default table: 28+32r, 28+32g, 60+64b for 32r+4g+b.
      {"colour-mapped 24-bit map",
       {1, 8, 4, 1, 0, 1, 2, 2, 24, {0x10, 0x20, 0x30, 0x01, 0x02, 0x03}, {2, 3, 0, 39}},
       {0x302010, 0x030201, 0x1C1C3C, 0x3C3CFC}, {}},
      {"colour-mapped 16-bit map", {1, 8, 2, 1, 0, 1, 0, 2, 16, {0x00, 0x7C, 0x1F, 0x00}, {0, 1}},
       {0xFF0000, 0x0000FF}, {}},
      {"colour-mapped 32-bit map", {1, 8, 1, 1, 0, 1, 0, 1, 32, {0x11, 0x22, 0x33, 0x99}, {0}}, {0x332211}, {}},
      // One run packet of 4 runs on from the first row read into the next.
      {"rle run across rows", {10, 24, 2, 2, 0, 0, 0, 0, 0, {}, {0x83, TGA_C}},
       {0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF}, {}},
      {"rle raw then run", {10, 24, 3, 1, 0x20, 0, 0, 0, 0, {}, {0x00, TGA_A, 0x81, TGA_B}},
       {0xFF0000, 0x00FF00, 0x00FF00}, {}},
      {"rle grey", {11, 8, 4, 1, 0, 0, 0, 0, 0, {}, {0x82, 0x10, 0x00, 0x20}},
       {0x101010, 0x101010, 0x101010, 0x202020}, {}},
      {"rle colour-mapped", {9, 8, 3, 1, 0, 1, 0, 2, 24, {0, 0, 0, 0xFF, 0xFF, 0xFF}, {0x01, 1, 0, 0x80, 1}},
       {0xFFFFFF, 0x000000, 0xFFFFFF}, {}},
      // 32 bits with alpha: run of 2 with alpha 0x40, a raw pixel with alpha 0x80.
      {"rle 32-bit alpha", {10, 32, 3, 1, 0x28, 0, 0, 0, 0, {}, {0x81, 1, 2, 3, 0x40, 0x00, 4, 5, 6, 0x80}},
       {0x030201, 0x030201, 0x060504}, {0x40, 0x40, 0x80}},
      {"32-bit alpha mirrored", {2, 32, 2, 1, 0x18, 0, 0, 0, 0, {}, {1, 2, 3, 0x10, 4, 5, 6, 0x20}},
       {0x060504, 0x030201}, {0x20, 0x10}},
      // Without alpha bits the fourth byte is ignored and no mask is made.
      {"32-bit without alpha bits", {2, 32, 1, 1, 0x20, 0, 0, 0, 0, {}, {1, 2, 3, 0x10}}, {0x030201}, {}},
  };
  return cases;
}

TEST(TgaFiltRead, HandBuiltFiles) {
  for (const TTgaCase& c : TgaCases()) {
    SCOPED_TRACE(c.name);
    TTgaLoaded l;
    TgaLoad(TgaBuild(c.spec), l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(l.params.Width, c.spec.width);
    EXPECT_EQ(l.params.Height, c.spec.height);
    EXPECT_EQ(l.params.TgaXPos, 3);
    EXPECT_EQ(l.params.TgaYPos, 4);
    EXPECT_EQ(l.params.TgaCompressed, c.spec.type >= 9);
    EXPECT_EQ(TgaPixels(l.image), c.expected);
    if (c.alpha.empty()) {
      EXPECT_EQ(l.mask, nullptr);
    } else {
      ASSERT_NE(l.mask, nullptr);
      std::vector<int> a;
      for (int y = 0; y < c.spec.height; ++y)
        for (int x = 0; x < c.spec.width; ++x) a.push_back(l.mask->GetPixel(x, y));
      EXPECT_EQ(a, c.alpha);
    }
  }
}

TEST(TgaFiltRead, ParamsByDepthAndMap) {
  struct {
    int type, depth, bits, samples;
    bool grey;
    int mapCount;
  } const rows[] = {{3, 8, 8, 1, true, 0}, {2, 16, 5, 3, false, 0}, {2, 24, 8, 3, false, 0},
                    {2, 32, 8, 4, false, 0}, {1, 8, 8, 1, false, 2}, {3, 1, 1, 1, false, 0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.depth);
    TTgaSpec s{r.type, r.depth, 8, 1};
    if (r.mapCount) s.mapType = 1, s.mapLength = 2, s.mapEntry = 24, s.map = TgaBytes(6, 7);
    s.pixels = TgaBytes(64, 0);
    TTgaLoaded l;
    TgaLoad(TgaBuild(s), l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(l.params.BitsPerSample, r.bits);
    EXPECT_EQ(l.params.SamplesPerPixel, r.samples);
    EXPECT_EQ(l.params.TgaGrayscale, r.grey);
    EXPECT_EQ(l.params.ColorMapCount(), r.mapCount);
  }
}

TEST(TgaFiltRead, OneBitRowsAreCopiedIntoAOneBitImage) {
  TTgaSpec s{3, 1, 10, 2, 0x20};
  s.pixels = {0xA0, 0x40, 0x81, 0xC0};
  TTgaLoaded l;
  TgaLoad(TgaBuild(s), l);
  ASSERT_FALSE(l.abort);
  ASSERT_EQ(l.image.GetPixelFormat(), vqBits1);
  EXPECT_EQ(l.image.GetScanline(0)[0], 0xA0);
  EXPECT_EQ(l.image.GetScanline(0)[1] & 0xC0, 0x40);
  EXPECT_EQ(l.image.GetScanline(1)[0], 0x81);
}

TEST(TgaFiltRead, ImageIdStopsAtItsZero) {
  TTgaSpec s{2, 24, 1, 1, 0};
  s.id = std::string("pic\0x", 5);
  s.pixels = {TGA_A};
  TTgaLoaded l;
  TgaLoad(TgaBuild(s), l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.params.TgaImageId, "pic");
  EXPECT_EQ(TgaPixels(l.image), std::vector<std::uint32_t>{0xFF0000});
}

TEST(TgaFiltRead, HostileHeadersSetTheAbortFlag) {
  struct {
    const char* name;
    TTgaSpec spec;
  } const rows[] = {
      {"image type 4", {4, 24, 1, 1, 0, 0, 0, 0, 0, {}, {1, 2, 3}}},
      {"depth 15", {2, 15, 1, 1, 0, 0, 0, 0, 0, {}, {1, 2}}},
      {"depth 4 has no decoder", {1, 4, 2, 1, 0, 0, 0, 0, 0, {}, {0x12}}},
      {"width 0", {2, 24, 0, 1, 0, 0, 0, 0, 0, {}, {1, 2, 3}}},
      {"height 0", {2, 24, 1, 0, 0, 0, 0, 0, 0, {}, {1, 2, 3}}},
      {"truncated raw data", {2, 24, 2, 2, 0, 0, 0, 0, 0, {}, {TGA_A, TGA_B, TGA_C}}},
      {"truncated run packet", {10, 24, 2, 1, 0, 0, 0, 0, 0, {}, {0x81, 0xFF}}},
      {"truncated raw packet", {10, 24, 2, 1, 0, 0, 0, 0, 0, {}, {0x01, TGA_A}}},
      {"truncated colour map", {1, 8, 1, 1, 0, 1, 0, 4, 24, {1, 2, 3}, {}}},
      {"1-bit rle", {11, 1, 8, 1, 0, 0, 0, 0, 0, {}, {0x00, 0xFF}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TTgaLoaded l;
    TgaLoad(TgaBuild(r.spec), l);
    EXPECT_TRUE(l.abort);
  }
  TTgaLoaded shortHeader;
  TgaLoad(TgaBytes{0, 0, 2, 0, 0}, shortHeader);
  EXPECT_TRUE(shortHeader.abort);
}

TEST(TgaFiltRead, HugeSizesAreRefusedBeforeAllocation) {
  TTgaSpec s{2, 24, 65535, 65535};
  TTgaLoaded l;
  TgaLoad(TgaBuild(s), l);
  EXPECT_TRUE(l.abort);
  EXPECT_TRUE(l.image.IsEmpty());
}

TEST(TgaFiltRead, TruncatedDataKeepsTheRowsRead) {
  // Bottom-up 1x3: only the bottom row arrives.
  TTgaSpec s{2, 24, 1, 3, 0, 0, 0, 0, 0, {}, {TGA_A, 0xFF}};
  TTgaLoaded l;
  TgaLoad(TgaBuild(s), l);
  EXPECT_TRUE(l.abort);
  EXPECT_EQ(TgaPixels(l.image), (std::vector<std::uint32_t>{0, 0, 0xFF0000}));
}

TEST(TgaFiltRead, ColourMapPastTheTableIsDropped) {
  // Entries 254 to 257: 254 and 255 land, the rest are read over.
  TTgaSpec s{1, 8, 2, 1, 0, 1, 254, 4, 24, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}, {254, 255}};
  TTgaLoaded l;
  TgaLoad(TgaBuild(s), l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(TgaPixels(l.image), (std::vector<std::uint32_t>{0x010101, 0x020202}));
  EXPECT_EQ(l.params.ColorMapCount(), 4);
}

TEST(TgaFiltRead, RunPastThePictureStopsAtItsEnd) {
  // A run of 128 for a 2x1 picture.
  TTgaSpec s{10, 24, 2, 1, 0, 0, 0, 0, 0, {}, {0xFF, TGA_B}};
  TTgaLoaded l;
  TgaLoad(TgaBuild(s), l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(TgaPixels(l.image), (std::vector<std::uint32_t>{0x00FF00, 0x00FF00}));
}

TEST(TgaFiltRead, NoFooterGivesDefaults) {
  TTgaSpec s{2, 24, 1, 1, 0, 0, 0, 0, 0, {}, {TGA_A}};
  TTgaLoaded l;
  l.params.TgaAspectRatio = 3;
  l.params.TgaGamma = 3;
  l.params.TgaAuthor = "x";
  TgaLoad(TgaBuild(s), l);
  ASSERT_FALSE(l.abort);
  EXPECT_DOUBLE_EQ(l.params.TgaAspectRatio, 1.0);
  EXPECT_DOUBLE_EQ(l.params.TgaGamma, 2.2);
  EXPECT_EQ(l.params.TgaAuthor, "");
  EXPECT_DOUBLE_EQ(l.params.TgaDate, IOToday());
}

// ---- writing -------------------------------------------------------------------

TgaBytes TgaSave(TVQBitmap& img, TIOParamsVals& params, TVQMask* mask, bool& abort, std::int64_t at = 0) {
  TMemoryStream s;
  std::vector<std::uint8_t> pad(std::size_t(at), 0xEE);
  if (at) s.Write(pad.data(), at);
  TVQProgressRec p;
  p.Aborting = &abort;
  SaveTgaImage(s, &img, params, mask, p);
  TgaBytes b(std::size_t(s.Size()));
  s.SetPosition(0);
  s.Read(b.data(), std::int64_t(b.size()));
  return TgaBytes(b.begin() + at, b.end());
}

void TgaFill(TVQBitmap& img, int w, int h, const std::vector<std::uint32_t>& px) {
  img.Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = px[std::size_t(y * w + x)];
      Byte* p = img.GetScanline(y) + x * 3;
      p[0] = Byte(c), p[1] = Byte(c >> 8), p[2] = Byte(c >> 16);
    }
}

TEST(TgaFiltWrite, RawBytesOfATinyPicture) {
  TVQBitmap img;
  TgaFill(img, 2, 1, {0x112233, 0x445566});
  TIOParamsVals params(nullptr);
  params.TgaCompressed = false;
  params.TgaXPos = 5;
  params.TgaImageId = "ab";
  bool abort = false;
  const TgaBytes b = TgaSave(img, params, nullptr, abort);
  ASSERT_FALSE(abort);
  const TgaBytes head = {3, 0, 2, 0, 0, 0, 0, 0, 5, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 'a', 'b', 0,
                         0x33, 0x22, 0x11, 0x66, 0x55, 0x44};
  ASSERT_EQ(b.size(), head.size() + 495 + 26);
  EXPECT_EQ(TgaBytes(b.begin(), b.begin() + std::ptrdiff_t(head.size())), head);
  EXPECT_EQ(b[head.size()], 0xEF);  // 495 = 0x01EF
  EXPECT_EQ(b[head.size() + 1], 0x01);
  const std::size_t f = b.size() - 26;
  EXPECT_EQ(b[f], head.size());
  EXPECT_EQ(std::string(b.begin() + std::ptrdiff_t(f) + 8, b.end()), std::string("TRUEVISION-XFILE.\0", 18));
}

TEST(TgaFiltWrite, RunLengthPackets) {
  struct {
    std::vector<std::uint32_t> row;
    TgaBytes packets;
  } const rows[] = {
      {{0x010203, 0x010203, 0x040506}, {0x81, 3, 2, 1, 0x00, 6, 5, 4}},
      {{0x0A, 0x0B, 0x0C, 0x0C}, {0x01, 0x0A, 0, 0, 0x0B, 0, 0, 0x81, 0x0C, 0, 0}},
      {{0x07}, {0x00, 0x07, 0, 0}},
  };
  for (const auto& r : rows) {
    TVQBitmap img;
    TgaFill(img, int(r.row.size()), 1, r.row);
    TIOParamsVals params(nullptr);
    params.TgaCompressed = true;
    bool abort = false;
    const TgaBytes b = TgaSave(img, params, nullptr, abort);
    ASSERT_FALSE(abort);
    EXPECT_EQ(b[2], 10);
    EXPECT_EQ(TgaBytes(b.begin() + 19, b.begin() + 19 + std::ptrdiff_t(r.packets.size())), r.packets);
    EXPECT_EQ(b[19 + r.packets.size()], 0xEF);
  }
}

TEST(TgaFiltWrite, LongRunsSplitAt128) {
  TVQBitmap img;
  TgaFill(img, 130, 1, std::vector<std::uint32_t>(130, 0x010101));
  TIOParamsVals params(nullptr);
  bool abort = false;
  const TgaBytes b = TgaSave(img, params, nullptr, abort);
  EXPECT_EQ(TgaBytes(b.begin() + 19, b.begin() + 27), (TgaBytes{0xFF, 1, 1, 1, 0x81, 1, 1, 1}));
}

TEST(TgaFiltWrite, RoundTripsWithExtension) {
  TVQBitmap img;
  const std::vector<std::uint32_t> px = {0x102030, 0x102030, 0x405060, 0x708090, 0x708090, 0x708090};
  TgaFill(img, 3, 2, px);
  for (bool rle : {false, true}) {
    SCOPED_TRACE(rle);
    TIOParamsVals params(nullptr);
    params.TgaCompressed = rle;
    params.TgaAspectRatio = 1.5;
    params.TgaGamma = 1.0;
    params.TgaAuthor = std::string(50, 'q');
    params.TgaJobName = "job";
    params.TgaBackground = TRGBPixel{3, 2, 1};
    params.TgaDate = 45000.5;  // 2023-03-15 12:00
    bool abort = false;
    const TgaBytes b = TgaSave(img, params, nullptr, abort, 1000);
    ASSERT_FALSE(abort);
    const std::size_t ext = b.size() - 26 - 495;
    EXPECT_EQ(b[ext + 474] | b[ext + 475] << 8, 15000);
    EXPECT_EQ(b[ext + 476] | b[ext + 477] << 8, 10000);
    EXPECT_EQ(b[ext + 367] | b[ext + 368] << 8, 3);
    EXPECT_EQ(b[ext + 369] | b[ext + 370] << 8, 15);
    EXPECT_EQ(b[ext + 371] | b[ext + 372] << 8, 2023);
    EXPECT_EQ(b[ext + 373] | b[ext + 374] << 8, 12);
    EXPECT_EQ(b[ext + 2 + 40], 0);  // the author keeps its zero
    TTgaLoaded l;
    TgaLoad(b, l, 1000);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(TgaPixels(l.image), px);
    EXPECT_DOUBLE_EQ(l.params.TgaAspectRatio, 1.5);
    EXPECT_DOUBLE_EQ(l.params.TgaGamma, 1.0);
    EXPECT_EQ(l.params.TgaAuthor, std::string(40, 'q'));
    EXPECT_EQ(l.params.TgaJobName, "job");
    EXPECT_EQ(l.params.TgaBackground, (TRGBPixel{3, 2, 1}));
    EXPECT_DOUBLE_EQ(l.params.TgaDate, 45000.5);
    EXPECT_EQ(l.params.TgaCompressed, rle);
  }
}

TEST(TgaFiltWrite, AlphaMaskRoundTripsAt32Bits) {
  TVQBitmap img;
  TgaFill(img, 2, 2, {1, 2, 3, 4});
  TVQMask mask;
  mask.AllocateBits(2, 2, 8);
  mask.GetScanline(0)[0] = 0x10, mask.GetScanline(0)[1] = 0x20;
  mask.GetScanline(1)[0] = 0x30, mask.GetScanline(1)[1] = 0xFF;
  mask.Full = false;
  TIOParamsVals params(nullptr);
  params.TgaCompressed = true;
  bool abort = false;
  const TgaBytes b = TgaSave(img, params, &mask, abort);
  ASSERT_FALSE(abort);
  EXPECT_EQ(b[2], 2);  // alpha is written raw
  EXPECT_EQ(b[16], 32);
  EXPECT_EQ(b[17], 0x28);
  EXPECT_FALSE(params.TgaCompressed);
  TTgaLoaded l;
  TgaLoad(b, l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(TgaPixels(l.image), (std::vector<std::uint32_t>{1, 2, 3, 4}));
  ASSERT_NE(l.mask, nullptr);
  EXPECT_EQ(l.mask->GetPixel(0, 0), 0x10);
  EXPECT_EQ(l.mask->GetPixel(1, 0), 0x20);
  EXPECT_EQ(l.mask->GetPixel(0, 1), 0x30);
  EXPECT_EQ(l.mask->GetPixel(1, 1), 0xFF);
}

TEST(TgaFiltWrite, OneSampleRequestsWriteEightBitIndices) {
  struct {
    int bits;
    bool grey, rle;
    int type, mapLength;
    bool compressedAfter;
  } const rows[] = {{8, false, false, 1, 256, false}, {8, false, true, 9, 256, true},
                    {4, false, true, 1, 16, false},   {1, false, false, 1, 2, false},
                    {8, true, false, 3, 0, false},    {8, true, true, 11, 0, true}};
  const std::vector<std::uint32_t> px = {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.bits * 10 + r.grey);
    TVQBitmap img;
    TgaFill(img, 2, 2, px);
    TIOParamsVals params(nullptr);
    params.SamplesPerPixel = 1;
    params.BitsPerSample = r.bits;
    params.TgaGrayscale = r.grey;
    params.TgaCompressed = r.rle;
    bool abort = false;
    const TgaBytes b = TgaSave(img, params, nullptr, abort);
    ASSERT_FALSE(abort);
    EXPECT_EQ(b[1], r.mapLength ? 1 : 0);
    EXPECT_EQ(b[2], r.type);
    EXPECT_EQ(b[5] | b[6] << 8, r.mapLength);
    EXPECT_EQ(b[16], 8);
    EXPECT_EQ(params.TgaCompressed, r.compressedAfter);
    TTgaLoaded l;
    TgaLoad(b, l);
    ASSERT_FALSE(l.abort);
    const std::vector<std::uint32_t> back = TgaPixels(l.image);
    if (r.bits == 4) {
      // Sixteen quantiser colours need not hold pure white; both light pixels share one.
      EXPECT_EQ(back[0], 0u);
      EXPECT_EQ(back[3], 0u);
      EXPECT_EQ(back[1], back[2]);
      EXPECT_GE(back[1] & 0xFF, 0xC0u);
    } else {
      EXPECT_EQ(back, px);
    }
    EXPECT_EQ(l.params.TgaGrayscale, r.grey);
  }
}

TEST(TgaFiltWrite, TwoColourRequestKeepsBothColours) {
  TVQBitmap img;
  TgaFill(img, 3, 1, {0xA0B0C0, 0x102030, 0xA0B0C0});
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 1;
  params.BitsPerSample = 1;
  bool abort = false;
  const TgaBytes b = TgaSave(img, params, nullptr, abort);
  ASSERT_FALSE(abort);
  // Map: the darker colour first; then the indices 1, 0, 1.
  EXPECT_EQ(TgaBytes(b.begin() + 19, b.end() - 521),
            (TgaBytes{0x30, 0x20, 0x10, 0xC0, 0xB0, 0xA0, 1, 0, 1}));
}

TEST(TgaFiltWrite, GreyBytesAreThePaletteGreys) {
  TVQBitmap img;
  TgaFill(img, 2, 1, {0x404040, 0x808080});
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 1;
  params.BitsPerSample = 8;
  params.TgaGrayscale = true;
  params.TgaCompressed = false;
  bool abort = false;
  const TgaBytes b = TgaSave(img, params, nullptr, abort);
  ASSERT_FALSE(abort);
  EXPECT_EQ(TgaBytes(b.begin() + 19, b.begin() + 21), (TgaBytes{0x40, 0x80}));
}

TEST(TgaFiltWrite, OtherPixelFormatsWriteNothing) {
  TVQBitmap img;
  img.Allocate(2, 2, vqPalette8);
  TIOParamsVals params(nullptr);
  bool abort = false;
  EXPECT_TRUE(TgaSave(img, params, nullptr, abort).empty());
}

TEST(TgaFiltSlot, ReadsAndWritesThroughTheSlot) {
  InstallTgaFilter();  // other suites clear the slots
  const TVQBuiltInFilter f = BuiltInFilter(ioTGA);
  ASSERT_NE(f.Load, nullptr);
  ASSERT_NE(f.Save, nullptr);
  TVQBitmap img;
  TgaFill(img, 1, 1, {0x123456});
  TIOParamsVals params(nullptr);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  TMemoryStream s;
  TVQFilterSaveArgs saveArgs;
  f.Save(s, &img, &params, saveArgs, p);
  s.SetPosition(0);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  TVQFilterLoadArgs loadArgs;
  f.Load(s, &back, &backParams, loadArgs, p);
  ASSERT_FALSE(abort);
  EXPECT_EQ(TgaPixels(back), std::vector<std::uint32_t>{0x123456});
}

#undef TGA_A
#undef TGA_B
#undef TGA_C
#undef TGA_D

}  // namespace

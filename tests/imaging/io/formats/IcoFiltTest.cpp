// The icon and cursor readers and the icon writer: files made by icoutils,
// ImageMagick and Pillow against the pixels those programs read, files of
// our writer that they read back the same, hand-built and damaged files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_ico.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/pngfilt.h"
#include "platform/rtl/Streams.h"

namespace {

using IcoBytes = std::vector<std::uint8_t>;

IcoBytes IcoFixture(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/ico/" + name, std::ios::binary);
  return IcoBytes(std::istreambuf_iterator<char>(f), {});
}

struct TIcoLoaded {
  bool abort = false;
  TVQBitmap image;
  TIOParamsVals params{nullptr};
  std::unique_ptr<TVQMask> alpha;
};

void IcoLoadBytes(const IcoBytes& bytes, TIcoLoaded& out, bool cursor = false, bool noAlpha = false,
                  bool paramsOnly = false) {
  TMemoryStream s;
  s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TVQProgressRec p;
  p.Aborting = &out.abort;
  if (cursor)
    LoadCurImage(s, &out.image, out.params, noAlpha, out.alpha, p, paramsOnly);
  else
    LoadIcoImage(s, &out.image, out.params, noAlpha, out.alpha, p, paramsOnly);
}

// The image as RGBA bytes, top row first, alpha from the plane (255 when
// there is none).
IcoBytes IcoRgba(TVQBitmap& img, const TVQMask* alpha) {
  IcoBytes v;
  for (int y = 0; y < img.GetHeight(); ++y)
    for (int x = 0; x < img.GetWidth(); ++x) {
      const TRGBPixel c = img.GetPixelRGB(x, y);
      v.insert(v.end(), {c.r, c.g, c.b, alpha ? alpha->GetScanline(y)[x] : Byte(255)});
    }
  return v;
}

// Little-endian helpers for hand-built files.
void IcoPut16(IcoBytes& b, int v) { b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
void IcoPut32(IcoBytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

struct TIcoDib {
  int width = 2, height = 2, bits = 8;
  int entryWidth = -1, entryHeight = -1;  // -1: the image's
  int colors = 0, word4 = 1, word6 = -1;  // word6 -1: the bit count
  int headerBits = -1;                    // -1: the bit count
  int fileType = 1;
  std::uint32_t infoSize = 40;
  IcoBytes palette, pixels, mask;  // palette as 4-byte entries
};

// One directory entry and its data: info header, palette, colour rows,
// mask rows (as given).
IcoBytes IcoBuild(const TIcoDib& d) {
  IcoBytes b;
  IcoPut16(b, 0);
  IcoPut16(b, d.fileType);
  IcoPut16(b, 1);
  b.push_back(std::uint8_t(d.entryWidth < 0 ? d.width : d.entryWidth));
  b.push_back(std::uint8_t(d.entryHeight < 0 ? d.height : d.entryHeight));
  b.push_back(std::uint8_t(d.colors));
  b.push_back(0);
  IcoPut16(b, d.word4);
  IcoPut16(b, d.word6 < 0 ? d.bits : d.word6);
  IcoPut32(b, std::uint32_t(d.infoSize + d.palette.size() + d.pixels.size() + d.mask.size()));
  IcoPut32(b, 22);
  IcoPut32(b, d.infoSize);
  IcoPut32(b, std::uint32_t(d.width));
  IcoPut32(b, std::uint32_t(d.height * 2));
  IcoPut16(b, 1);
  IcoPut16(b, d.headerBits < 0 ? d.bits : d.headerBits);
  for (int i = 0; i < 6; ++i) IcoPut32(b, i == 2 || i == 3 ? 3780 : 0);
  b.resize(b.size() + d.infoSize - 40, 0);
  b.insert(b.end(), d.palette.begin(), d.palette.end());
  b.insert(b.end(), d.pixels.begin(), d.pixels.end());
  b.insert(b.end(), d.mask.begin(), d.mask.end());
  return b;
}

// A 2 x 2 8-bit entry: palette red, green, blue, white; bottom row indices
// 0, 1, top row 2, 3; the top-left pixel transparent.
TIcoDib IcoSmall8() {
  TIcoDib d;
  d.palette.assign(256 * 4, 0);
  const std::uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
  for (int i = 0; i < 4; ++i) std::memcpy(&d.palette[std::size_t(i) * 4], colours[i], 3);
  d.pixels = {0, 1, 0, 0, 2, 3, 0, 0};
  d.mask = {0, 0, 0, 0, 0x80, 0, 0, 0};
  return d;
}

// ---- files of other programs ------------------------------------------------------

std::uint64_t IcoFnv(const IcoBytes& b) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (std::uint8_t c : b) h = (h ^ c) * 0x100000001B3ull;
  return h;
}

// Compares with the expected RGBA of "<file>.<index>.rgba" (or its hash in
// ".fnv"): alpha everywhere, colour where the pixel is not transparent.
// opaque: the reader gives alpha 255 everywhere: 24-bit entries, whose mask
// it leaves unread, and Pillow's 8-bit file, whose mask bits are all clear
// (Pillow writes and reads its mask rows without their padding).
void IcoExpectPixels(const std::string& file, int index, TVQBitmap& img, const TVQMask* alpha, bool opaque) {
  const std::string base = file + "." + std::to_string(index);
  const IcoBytes got = IcoRgba(img, alpha);
  const IcoBytes want = IcoFixture(base + ".rgba");
  if (want.empty()) {
    std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/ico/" + base + ".fnv");
    std::string hex;
    f >> hex;
    ASSERT_FALSE(hex.empty()) << base;
    EXPECT_EQ(IcoFnv(got), std::stoull(hex, nullptr, 16)) << base;
    return;
  }
  ASSERT_EQ(got.size(), want.size()) << base;
  int differ = 0;
  for (std::size_t i = 0; i < got.size(); i += 4) {
    const bool seen = want[i + 3] != 0;
    const Byte alphaWanted = opaque ? 255 : want[i + 3];
    if (got[i + 3] != alphaWanted || ((seen || opaque) && std::memcmp(&got[i], &want[i], 3) != 0)) ++differ;
  }
  EXPECT_EQ(differ, 0) << base;
}

struct TIcoFixtureCase {
  const char* file;
  int index;
  int width, height, bits;
  bool opaque;
};

TEST(IcoRead, FilesOfOtherProgramsGiveTheirPixels) {
  const TIcoFixtureCase cases[] = {
      {"it_bw1.ico", 0, 19, 9, 1, false},    {"it_few4.ico", 0, 13, 11, 4, false},
      {"it_many8.ico", 0, 17, 12, 8, false}, {"it_rgb24.ico", 0, 16, 16, 24, true},
      {"it_rgba32.ico", 0, 16, 16, 32, false}, {"it_png.ico", 0, 16, 16, 8, false},
      {"it_multi.ico", 0, 19, 9, 8, false},  {"it_multi.ico", 1, 13, 11, 8, false},
      {"it_multi.ico", 2, 16, 16, 24, true}, {"im_few4.ico", 0, 13, 11, 4, false},
      {"im_bw32.ico", 0, 19, 9, 32, false},  {"im_multi.ico", 0, 16, 16, 32, false},
      {"im_multi.ico", 1, 32, 32, 32, false}, {"im_png256.ico", 0, 256, 256, 8, false},
      {"pil_bmp32.ico", 0, 16, 16, 32, false}, {"pil_p8.ico", 0, 13, 11, 8, true},
      {"pil_png.ico", 0, 8, 8, 8, false},    {"pil_png.ico", 1, 16, 16, 8, false},
  };
  for (const TIcoFixtureCase& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.index));
    TIcoLoaded l;
    l.params.IcoImageIndex = c.index;
    IcoLoadBytes(IcoFixture(c.file), l);
    ASSERT_FALSE(l.abort);
    ASSERT_EQ(l.image.GetWidth(), c.width);
    ASSERT_EQ(l.image.GetHeight(), c.height);
    EXPECT_EQ(l.params.Width, c.width);
    EXPECT_EQ(l.params.BitsPerSample, c.bits > 8 ? 8 : c.bits);
    IcoExpectPixels(c.file, c.index, l.image, l.alpha.get(), c.opaque);
  }
}

TEST(CurRead, CursorsOfIcotoolGiveItsPixelsAndHotSpots) {
  const struct {
    const char* file;
    int width, height, hotX, hotY;
  } cases[] = {{"it_cur8.cur", 13, 11, 3, 5}, {"it_cur32.cur", 16, 16, 7, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TIcoLoaded l;
    IcoLoadBytes(IcoFixture(c.file), l, true);
    ASSERT_FALSE(l.abort);
    ASSERT_EQ(l.image.GetWidth(), c.width);
    ASSERT_EQ(l.image.GetHeight(), c.height);
    EXPECT_EQ(l.params.CurHotSpotX, c.hotX);
    EXPECT_EQ(l.params.CurHotSpotY, c.hotY);
    IcoExpectPixels(c.file, 0, l.image, l.alpha.get(), false);
  }
}

TEST(IcoRead, SizeTableListsTheFirstEntriesWith256ForAZeroByte) {
  TIcoLoaded l;
  l.params.IcoSizes[5] = {9, 9};
  l.params.IcoBitCounts[5] = 4;
  IcoLoadBytes(IcoFixture("it_multi.ico"), l, false, false, true);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.params.IcoSizes[0].Width, 19);
  EXPECT_EQ(l.params.IcoSizes[1].Height, 11);
  EXPECT_EQ(l.params.IcoBitCounts[2], 24);
  EXPECT_EQ(l.params.IcoSizes[5].Width, 0);
  EXPECT_EQ(l.params.IcoBitCounts[5], 0);

  TIcoLoaded big;
  IcoLoadBytes(IcoFixture("im_png256.ico"), big, false, false, true);
  ASSERT_FALSE(big.abort);
  EXPECT_EQ(big.params.IcoSizes[0].Width, 256);
  EXPECT_EQ(big.params.IcoSizes[0].Height, 256);
  EXPECT_EQ(big.params.Width, 256);
  EXPECT_EQ(big.image.GetWidth(), 0);  // params only
}

// ---- hand-built entries -----------------------------------------------------------

TEST(IcoRead, TransparentPixelsTakeTheBackgroundAndAlphaZero) {
  for (bool noAlpha : {false, true}) {
    TIcoLoaded l;
    l.params.IcoBackground = TRGBPixel{0, 0, 255};  // red
    IcoLoadBytes(IcoBuild(IcoSmall8()), l, false, noAlpha);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(IcoRgba(l.image, l.alpha.get()),
              (IcoBytes{255, 0, 0, Byte(noAlpha ? 255 : 0), 255, 255, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255}));
    EXPECT_EQ(l.alpha == nullptr, noAlpha);
    EXPECT_EQ(l.params.ColorMapCount(), 256);
    EXPECT_EQ(l.params.DpiX(), 96);
  }
}

TEST(IcoRead, OneBitMaskedPixelsInvertOnAWhiteBackgroundOnly) {
  // Colour bits 1, 0 over mask bits 1, 1 in both rows.
  TIcoDib d;
  d.bits = 1;
  d.palette = {0, 0, 0, 0, 255, 255, 255, 0};
  d.pixels = {0x80, 0, 0, 0, 0x80, 0, 0, 0};
  d.mask = {0xC0, 0, 0, 0, 0xC0, 0, 0, 0};
  for (bool white : {true, false}) {
    TIcoLoaded l;
    if (!white) l.params.IcoBackground = TRGBPixel{0, 0, 255};
    IcoLoadBytes(IcoBuild(d), l);
    ASSERT_FALSE(l.abort);
    ASSERT_EQ(l.image.GetPixelFormat(), vqBits1);
    EXPECT_EQ(l.image.GetScanline(0)[0] & 0xC0, white ? 0x40 : 0x80);
    EXPECT_EQ(l.alpha->GetScanline(1)[0], 0);
    EXPECT_EQ(l.alpha->GetScanline(1)[1], 0);
  }
}

TEST(IcoRead, AnIndexOutsideTheDirectoryReadsNothingAndFails) {
  TIcoLoaded l;
  l.image.Allocate(3, 3, vqGray8);
  l.params.Width = 77;
  l.params.IcoImageIndex = 5;
  IcoLoadBytes(IcoFixture("it_multi.ico"), l);
  EXPECT_TRUE(l.abort);
  EXPECT_EQ(l.image.GetWidth(), 3);
  EXPECT_EQ(l.params.Width, 77);
  EXPECT_EQ(l.params.IcoSizes[0].Width, 64);
  EXPECT_EQ(l.alpha, nullptr);
}

TEST(IcoRead, AZeroEntrySizeTakesTheInfoHeaders) {
  TIcoDib d;
  d.width = d.height = 256;
  d.bits = 1;
  d.palette = {0, 0, 0, 0, 255, 255, 255, 0};
  d.pixels.assign(32 * 256, 0xFF);
  d.mask.assign(32 * 256, 0);
  d.entryWidth = d.entryHeight = 0;
  TIcoLoaded l;
  IcoLoadBytes(IcoBuild(d), l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.image.GetWidth(), 256);
  EXPECT_EQ(l.image.GetHeight(), 256);
  EXPECT_EQ(l.image.GetScanline(255)[31], 0xFF);
}

TEST(IcoRead, TheInfoHeaderWinsOverADifferentEntryWidth) {
  TIcoDib d = IcoSmall8();
  d.entryWidth = 48;
  d.entryHeight = 48;
  TIcoLoaded l;
  IcoLoadBytes(IcoBuild(d), l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.image.GetWidth(), 2);
  EXPECT_EQ(l.image.GetHeight(), 2);
}

TEST(IcoRead, AStreamStartingWithBmIsReadAsABmpFile) {
  IcoBytes bmp = {'B', 'M'};
  IcoPut32(bmp, 14 + 40 + 4);
  IcoPut32(bmp, 0);
  IcoPut32(bmp, 54);
  IcoPut32(bmp, 40);
  IcoPut32(bmp, 1);
  IcoPut32(bmp, 1);
  IcoPut16(bmp, 1);
  IcoPut16(bmp, 24);
  bmp.resize(54, 0);
  bmp.insert(bmp.end(), {10, 20, 30, 0});
  TIcoLoaded l;
  IcoLoadBytes(bmp, l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(IcoRgba(l.image, nullptr), (IcoBytes{30, 20, 10, 255}));
}

TEST(CurRead, ColourCount255ReadsAFullPaletteAndTheHotSpot) {
  TIcoDib d = IcoSmall8();
  d.fileType = 2;
  d.colors = 255;
  d.word4 = 1;
  d.word6 = 1;
  TIcoLoaded l;
  l.params.CurBackground = TRGBPixel{0, 255, 0};
  IcoLoadBytes(IcoBuild(d), l, true);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.params.ColorMapCount(), 256);
  EXPECT_EQ(l.params.CurHotSpotX, 1);
  EXPECT_EQ(l.params.CurHotSpotY, 1);
  EXPECT_EQ(l.params.BitsPerSample, 8);
  EXPECT_EQ(l.params.SamplesPerPixel, 1);
  EXPECT_EQ(IcoRgba(l.image, l.alpha.get())[0], 0);  // the green background, transparent
  EXPECT_EQ(IcoRgba(l.image, l.alpha.get())[1], 255);
}

TEST(CurRead, APngEntryIsDecoded) {
  IcoBytes file = IcoFixture("it_png.ico");
  file[2] = 2;
  TIcoLoaded l;
  IcoLoadBytes(file, l, true);
  ASSERT_FALSE(l.abort);
  IcoExpectPixels("it_png.ico", 0, l.image, l.alpha.get(), false);
}

// Damaged files end through the abort flag, with nothing allocated past
// what the data can fill.
TEST(IcoRead, DamagedFilesSetTheAbortFlag) {
  const IcoBytes good = IcoBuild(IcoSmall8());
  auto with = [&](std::size_t at, std::initializer_list<std::uint8_t> v) {
    IcoBytes b = good;
    std::copy(v.begin(), v.end(), b.begin() + std::ptrdiff_t(at));
    return b;
  };
  auto cut = [&](std::size_t n) { return IcoBytes(good.begin(), good.begin() + std::ptrdiff_t(n)); };
  TIcoDib noBits = IcoSmall8();
  noBits.word6 = 0;
  noBits.headerBits = 0;
  TIcoDib bits16 = IcoSmall8();
  bits16.bits = 16;
  bits16.palette.clear();
  bits16.pixels.assign(8, 0);
  TIcoDib huge = IcoSmall8();
  huge.entryWidth = huge.entryHeight = 0;
  const struct {
    const char* name;
    IcoBytes bytes;
  } cases[] = {
      {"header cut", cut(4)},
      {"directory cut", cut(15)},
      {"offset past the end", with(18, {0xFF, 0xFF, 0, 0})},
      {"offset into the palette", with(18, {0x10, 0x04, 0, 0})},
      {"info header of 12 bytes", with(22, {12})},
      {"info header of 200 bytes", with(22, {200})},
      {"no bit count and no colour count", IcoBuild(noBits)},
      {"16 bits", IcoBuild(bits16)},
      {"palette cut", cut(22 + 40 + 500)},
      {"colour rows cut", cut(std::size_t(22 + 40 + 1024 + 6))},
      {"sides from a header of 100000 x 200000", [&] {
         IcoBytes b = IcoBuild(huge);
         const std::uint8_t w[] = {0xA0, 0x86, 0x01, 0, 0x40, 0x0D, 0x03, 0};
         std::copy(std::begin(w), std::end(w), b.begin() + 26);
         return b;
       }()},
      {"negative height in the header", with(30, {0xFC, 0xFF, 0xFF, 0xFF})},
      {"a PNG entry that is cut", [] {
         IcoBytes b = IcoFixture("it_png.ico");
         b.resize(60);
         return b;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIcoLoaded l;
    if (std::string(c.name) == "negative height in the header") {
      // Only an entry height of 0 takes the header's.
      l.params.IcoImageIndex = 0;
      IcoBytes b = c.bytes;
      b[7] = 0;
      IcoLoadBytes(b, l);
    } else {
      IcoLoadBytes(c.bytes, l);
    }
    EXPECT_TRUE(l.abort);
  }
}

TEST(IcoRead, MaskRowsCutShortCountAsOpaque) {
  IcoBytes b = IcoBuild(IcoSmall8());
  b.resize(b.size() - 8);
  TIcoLoaded l;
  IcoLoadBytes(b, l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.alpha->GetScanline(0)[0], 255);
}

TEST(IcoRead, TheAbortFlagStopsTheRows) {
  TIcoDib d;
  d.width = d.height = 200;
  d.bits = 24;
  d.pixels.assign(600 * 200, 7);
  d.mask.assign(32 * 200, 0);
  TMemoryStream s;
  const IcoBytes b = IcoBuild(d);
  s.Write(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
  bool abort = false;
  int calls = 0;
  TVQProgressRec p;
  p.Aborting = &abort;
  p.OnProgress = [&](TObject*, int) { abort = ++calls == 2; };
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  std::unique_ptr<TVQMask> alpha;
  LoadIcoImage(s, &img, params, false, alpha, p, false);
  EXPECT_TRUE(abort);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(img.GetScanline(0)[0], 0);  // the top rows come last
  EXPECT_EQ(img.GetScanline(199)[0], 7);
}

TEST(IcoRead, ReadIcoCountReadsTheHeaderAndRestoresThePosition) {
  TMemoryStream s;
  const IcoBytes b = IcoFixture("it_multi.ico");
  s.Write(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
  EXPECT_EQ(ReadIcoCount(&s), 3);
  EXPECT_EQ(s.Position(), 0);
  TMemoryStream empty;
  EXPECT_EQ(ReadIcoCount(&empty), 0);
}

// ---- writing ------------------------------------------------------------------------

// The 16 x 16 RGBA source picture of the fixtures, alpha in the image's
// alpha channel.
void IcoSourceImage(const std::string& png, TVQBitmap& img) {
  const IcoBytes b = IcoFixture(png);
  TMemoryStream s;
  s.Write(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  TIOParamsVals params(nullptr);
  std::unique_ptr<TVQMask> mask;
  LoadPngImage(s, &img, &params, false, mask, false, p);
  ASSERT_FALSE(abort);
  if (mask) img.GetAlphaChannel()->CopyFromMask(mask.get());
}

IcoBytes IcoSave(TVQBitmap& img, TIOParamsVals& params, std::vector<std::int32_t> bits,
                 std::vector<TIOParamsVals::TIcoSize> sizes, bool& abort) {
  TMemoryStream s;
  TVQProgressRec p;
  p.Aborting = &abort;
  SaveIcoImage(s, &img, params, bits, sizes, p);
  const auto* m = static_cast<const std::uint8_t*>(s.Memory());
  return IcoBytes(m, m + s.Size());
}

TEST(IcoWrite, DirectoryOfAn8BitAndA32BitEntry) {
  TVQBitmap img;
  IcoSourceImage("rgba16.png", img);
  TIOParamsVals params(nullptr);
  bool abort = false;
  const IcoBytes out = IcoSave(img, params, {8, 32}, {{16, 16}, {32, 32}}, abort);
  ASSERT_FALSE(abort);
  ASSERT_GT(out.size(), 6u + 32);
  EXPECT_EQ(IcoBytes(out.begin(), out.begin() + 6), (IcoBytes{0, 0, 1, 0, 2, 0}));
  EXPECT_EQ(IcoBytes(out.begin() + 6, out.begin() + 14), (IcoBytes{16, 16, 255, 0, 0, 0, 0, 0}));
  EXPECT_EQ(IcoBytes(out.begin() + 22, out.begin() + 30), (IcoBytes{32, 32, 0, 0, 1, 0, 32, 0}));
  const std::uint32_t size0 = out[14] | out[15] << 8, offset0 = out[18] | out[19] << 8;
  const std::uint32_t size1 = out[30] | out[31] << 8 | out[32] << 16, offset1 = out[34] | out[35] << 8;
  EXPECT_EQ(offset0, 38u);
  EXPECT_EQ(offset1, offset0 + size0);
  EXPECT_EQ(offset1 + size1, out.size());
  // 8 bits: header, 256 colours, 16 rows of 16 bytes, 16 mask rows of 4.
  EXPECT_EQ(size0, 40u + 1024 + 256 + 64);
  EXPECT_EQ(params.ColorMapCount(), 256);
  for (int index : {0, 1}) {
    TIcoLoaded l;
    l.params.IcoImageIndex = index;
    IcoLoadBytes(out, l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(l.image.GetWidth(), index ? 32 : 16);
  }
}

TEST(IcoWrite, TransparentPixelsOfAPaletteEntryGetIndexZeroAndAMaskBit) {
  TVQBitmap img;
  IcoSourceImage("rgba16.png", img);
  TIOParamsVals params(nullptr);
  bool abort = false;
  const IcoBytes out = IcoSave(img, params, {8}, {{16, 16}}, abort);
  ASSERT_FALSE(abort);
  const std::size_t rows = 22 + 40 + 1024, mask = rows + 256;
  ASSERT_EQ(out.size(), mask + 64);
  // File row 15 is the top row: its first four pixels are transparent.
  const std::uint8_t* top = &out[rows + 15 * 16];
  EXPECT_EQ(IcoBytes(top, top + 5), (IcoBytes{0, 0, 0, 0, top[4]}));
  EXPECT_NE(top[4], 0);
  EXPECT_EQ(out[mask + 15 * 4], 0xF0);
  // File row 0 is the half-transparent bottom row: every pixel masked.
  EXPECT_EQ(IcoBytes(&out[mask], &out[mask + 4]), (IcoBytes{0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(out[rows], 0);
}

// Writing and reading back gives the same picture at each depth, as far
// as the depth holds it.
TEST(IcoWrite, EachDepthReadsBack) {
  TVQBitmap few;
  IcoSourceImage("few13x11.png", few);  // 11 colours, binary alpha
  TVQBitmap rgba;
  IcoSourceImage("rgba16.png", rgba);
  TVQBitmap bw;
  IcoSourceImage("bw19x9.png", bw);
  bw.SetPixelFormat(vqBits1);
  const struct {
    const char* name;
    TVQBitmap* img;
    int bits;
    bool alphaExact;
  } cases[] = {{"1 bit", &bw, 1, false},  {"4 bits", &few, 4, false}, {"8 bits", &few, 8, false},
               {"24 bits", &rgba, 24, false}, {"32 bits", &rgba, 32, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals params(nullptr);
    bool abort = false;
    const int w = c.img->GetWidth(), h = c.img->GetHeight();
    const IcoBytes out = IcoSave(*c.img, params, {c.bits}, {{w, h}}, abort);
    ASSERT_FALSE(abort);
    TIcoLoaded l;
    IcoLoadBytes(out, l);
    ASSERT_FALSE(l.abort);
    const IcoBytes got = IcoRgba(l.image, l.alpha.get());
    const IcoBytes want = IcoRgba(*c.img, nullptr);
    TVQBitmap* a = c.img->GetAlphaChannel();
    int differ = 0;
    for (int i = 0; i < w * h; ++i) {
      const Byte srcAlpha = a->GetScanline(i / w)[i % w];
      const Byte alphaWanted = c.bits == 24 ? 255 : c.alphaExact ? srcAlpha : srcAlpha == 255 ? 255 : 0;
      // Fully transparent pixels go grey in the resampler; their colour is not kept.
      const bool visible = alphaWanted != 0 && srcAlpha != 0;
      if (got[std::size_t(i) * 4 + 3] != alphaWanted) ++differ;
      if (visible && std::memcmp(&got[std::size_t(i) * 4], &want[std::size_t(i) * 4], 3) != 0) ++differ;
    }
    EXPECT_EQ(differ, 0);
  }
}

TEST(IcoWrite, SizesFollowTheResamplersRulesAndStopAt256) {
  TVQBitmap img;
  img.Allocate(40, 20, vqRGB24);
  const struct {
    int w, h;
    int wantW, wantH;  // 0: refused
  } cases[] = {{16, 16, 16, 16}, {-1, 10, 20, 10}, {24, -1, 24, 12}, {0, 0, 40, 20}, {-30, 5, 30, 5},
               {-1, -1, 40, 20}, {256, 256, 256, 256}, {257, 16, 0, 0}, {16, 300, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
    TIOParamsVals params(nullptr);
    bool abort = false;
    const IcoBytes out = IcoSave(img, params, {24}, {{c.w, c.h}}, abort);
    EXPECT_EQ(abort, c.wantW == 0);
    if (c.wantW == 0) {
      EXPECT_TRUE(out.empty());
      continue;
    }
    TIcoLoaded l;
    IcoLoadBytes(out, l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(l.image.GetWidth(), c.wantW);
    EXPECT_EQ(l.image.GetHeight(), c.wantH);
    EXPECT_EQ(out[6], std::uint8_t(c.wantW));
  }
}

TEST(IcoWrite, BitCountZeroTakesTheBlocksDepth) {
  const struct {
    TVQPixelFormat format;
    int samples, bits, wantDepth;
  } cases[] = {{vqRGB24, 3, 8, 24}, {vqRGB24, 4, 8, 32}, {vqRGB24, 1, 4, 4}, {vqRGB24, 1, 8, 8},
               {vqBits1, 3, 8, 1}};
  for (const auto& c : cases) {
    TVQBitmap img;
    img.Allocate(4, 4, c.format);
    TIOParamsVals params(nullptr);
    params.SamplesPerPixel = c.samples;
    params.BitsPerSample = c.bits;
    bool abort = false;
    const IcoBytes out = IcoSave(img, params, {0}, {{4, 4}}, abort);
    ASSERT_FALSE(abort);
    EXPECT_EQ(out[22 + 14], c.wantDepth);
  }
}

TEST(IcoWrite, NoSizesOrNoImageIsRefused) {
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  bool abort = false;
  EXPECT_TRUE(IcoSave(img, params, {8}, {{16, 16}}, abort).empty());
  EXPECT_TRUE(abort);
  img.Allocate(4, 4, vqRGB24);
  abort = false;
  EXPECT_TRUE(IcoSave(img, params, {}, {}, abort).empty());
  EXPECT_TRUE(abort);
}

// Files of our writer, checked once in icoutils, ImageMagick and Pillow to
// read as their ".rgba" files say: the writer still makes them byte for
// byte, and our reader gives the same pixels.
TEST(IcoWrite, FilesCheckedInOtherProgramsAreWrittenTheSame) {
  const struct {
    const char* file;
    const char* source;
    std::vector<std::int32_t> bits;
    std::vector<TIOParamsVals::TIcoSize> sizes;
  } cases[] = {
      {"ours_rgba.ico", "rgba16.png", {1, 4, 8, 24, 32}, {{16, 16}, {16, 16}, {16, 16}, {16, 16}, {16, 16}}},
      {"ours_sizes.ico", "many17x12.png", {8, 32, 32}, {{8, 8}, {32, 24}, {17, 12}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TVQBitmap img;
    IcoSourceImage(c.source, img);
    TIOParamsVals params(nullptr);
    bool abort = false;
    const IcoBytes out = IcoSave(img, params, c.bits, c.sizes, abort);
    ASSERT_FALSE(abort);
    EXPECT_TRUE(out == IcoFixture(c.file));
    for (int i = 0; i < int(c.sizes.size()); ++i) {
      TIcoLoaded l;
      l.params.IcoImageIndex = i;
      IcoLoadBytes(out, l);
      ASSERT_FALSE(l.abort);
      IcoExpectPixels(c.file, i, l.image, l.alpha.get(), c.bits[std::size_t(i)] == 24);
    }
  }
}

// ---- through the I/O component ----------------------------------------------------

TEST(IcoComponent, SaveToFileAndLoadFromFileKeepTheAlphaChannel) {
  StartImagingLibrary();
  InstallBmpFilter();
  char pattern[] = "/tmp/lumiqa_icotest_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/x.ico";
  {
    TVQBitmap img;
    IcoSourceImage("rgba16.png", img);
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.Parameters()->IcoSizes[0] = {16, 16};
    io.Parameters()->IcoBitCounts[0] = 32;
    io.Parameters()->IcoSizes[1] = {8, 8};
    io.Parameters()->IcoBitCounts[1] = 4;
    io.SaveToFile(path);
    EXPECT_FALSE(io.Aborting);
  }
  EXPECT_EQ(IcoImageCount(path), 2);
  EXPECT_EQ(IcoImageCount(path + ".none"), 0);
  {
    TVQBitmap img;
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.LoadFromFile(path);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Parameters()->FileType, ioICO);
    EXPECT_EQ(io.Parameters()->IcoSizes[1].Width, 8);
    ASSERT_EQ(img.GetWidth(), 16);
    ASSERT_TRUE(img.HasAlphaChannel());
    EXPECT_EQ(img.GetAlpha(0, 0), 0);
    EXPECT_EQ(img.GetAlpha(8, 15), 128);
    EXPECT_EQ(img.GetAlpha(8, 8), 255);
  }
  unlink(path.c_str());
  rmdir(pattern);
  EndImagingLibrary();
}

}  // namespace

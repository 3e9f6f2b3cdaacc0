// The PCX and DCX filter: files written by netpbm, ImageMagick and Pillow
// against the pixels those programs read from them, hand-built run-length
// data, the writer's bytes and round trips, damaged input, DCX pages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/Streams.h"

namespace {

using PcxBytes = std::vector<std::uint8_t>;

PcxBytes PcxFixture(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/pcx/" + name, std::ios::binary);
  return PcxBytes(std::istreambuf_iterator<char>(f), {});
}

// The pixels of a binary "P6 W H 255" fixture as 0xRRGGBB, top row first.
std::vector<std::uint32_t> PcxExpected(const std::string& name, int& w, int& h) {
  const PcxBytes b = PcxFixture(name);
  std::string head(b.begin(), b.begin() + std::min<std::size_t>(b.size(), 32));
  int maxval = 0, used = 0;
  if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3 || maxval != 255) return {};
  std::vector<std::uint32_t> v;
  for (std::size_t i = std::size_t(used) + 1; i + 3 <= b.size(); i += 3)
    v.push_back(std::uint32_t(b[i]) << 16 | std::uint32_t(b[i + 1]) << 8 | b[i + 2]);
  return v;
}

struct TPcxLoaded {
  bool abort = false;
  TVQBitmap image;
  TIOParamsVals params{nullptr};
  std::vector<int> percents;
};

void PcxLoad(const PcxBytes& bytes, TPcxLoaded& out, std::int64_t dataSize = 0, bool paramsOnly = false) {
  TMemoryStream s;
  if (!bytes.empty()) s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TVQProgressRec p;
  p.Aborting = &out.abort;
  p.OnProgress = [&out](TObject*, int per) { out.percents.push_back(per); };
  LoadPcxImage(s, &out.image, out.params, paramsOnly, p, dataSize);
}

// Pixels top row first as 0xRRGGBB; 1-bit images as black and white.
std::vector<std::uint32_t> PcxPixels(TVQBitmap& img) {
  std::vector<std::uint32_t> v;
  const bool bits = img.GetPixelFormat() == vqBits1;
  for (int y = 0; y < img.GetHeight(); ++y) {
    const Byte* r = img.GetScanline(y);
    for (int x = 0; x < img.GetWidth(); ++x) {
      if (bits)
        v.push_back((r[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0);
      else
        v.push_back(std::uint32_t(r[x * 3 + 2]) << 16 | std::uint32_t(r[x * 3 + 1]) << 8 | r[x * 3]);
    }
  }
  return v;
}

void PcxFill(TVQBitmap& img, int w, int h, const std::vector<std::uint32_t>& rgb) {
  img.Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = rgb[std::size_t(y * w + x) % rgb.size()];
      Byte* p = img.GetScanline(y) + 3 * x;
      p[0] = Byte(c), p[1] = Byte(c >> 8), p[2] = Byte(c >> 16);
    }
}

PcxBytes PcxSave(TVQBitmap& img, TIOParamsVals& params, bool& abort) {
  TMemoryStream s;
  TVQProgressRec p;
  p.Aborting = &abort;
  SavePcxImage(s, &img, params, p);
  const auto* m = static_cast<const std::uint8_t*>(s.Memory());
  return PcxBytes(m, m + s.Size());
}

PcxBytes PcxSaveAs(TVQBitmap& img, int bits, int samples, bool& abort, bool rle = true) {
  TIOParamsVals params(nullptr);
  params.BitsPerSample = bits;
  params.SamplesPerPixel = samples;
  params.PcxCompression = rle;
  return PcxSave(img, params, abort);
}

// A header of the given fields; palette entries as 0xRRGGBB.
PcxBytes PcxHeader(int encoding, int bits, int planes, int w, int h, int bpl,
                   const std::vector<std::uint32_t>& pal = {}, int dpiX = 96, int dpiY = 96) {
  PcxBytes b(128, 0);
  b[0] = 10, b[1] = 5, b[2] = Byte(encoding), b[3] = Byte(bits);
  b[8] = Byte(w - 1), b[9] = Byte((w - 1) >> 8), b[10] = Byte(h - 1), b[11] = Byte((h - 1) >> 8);
  b[12] = Byte(dpiX), b[13] = Byte(dpiX >> 8), b[14] = Byte(dpiY), b[15] = Byte(dpiY >> 8);
  for (std::size_t i = 0; i < pal.size() && i < 16; ++i)
    b[16 + 3 * i] = Byte(pal[i] >> 16), b[17 + 3 * i] = Byte(pal[i] >> 8), b[18 + 3 * i] = Byte(pal[i]);
  b[65] = Byte(planes), b[66] = Byte(bpl), b[67] = Byte(bpl >> 8), b[68] = 1;
  return b;
}

PcxBytes PcxCat(PcxBytes a, const PcxBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- files of other programs -------------------------------------------------------

struct TPcxFixtureCase {
  const char* file;
  const char* expected;
  int bits, samples, mapCount;
  bool oneBit;
  int dpiX, dpiY;
};

TEST(PcxFilterRead, FilesOfOtherProgramsReadAsTheyReadThem) {
  // ppmtopcx stores the picture's size as its resolution; ImageMagick
  // writes 0, which gives the default; Pillow 100.
  const TPcxFixtureCase cases[] = {
      {"netpbm_1bit.pcx", "expect_bw.ppm", 1, 1, 2, true, 70, 6},
      {"pillow_1bit.pcx", "expect_bw.ppm", 1, 1, 2, true, 100, 100},
      {"netpbm_2bit.pcx", "expect_c4.ppm", 2, 1, 4, false, 70, 6},
      {"netpbm_2planes.pcx", "expect_c4.ppm", 2, 1, 4, false, 70, 6},
      {"netpbm_3planes.pcx", "expect_c8.ppm", 3, 1, 8, false, 70, 6},
      {"netpbm_4planes.pcx", "expect_c16.ppm", 4, 1, 16, false, 70, 6},
      {"netpbm_4bit.pcx", "expect_c16.ppm", 4, 1, 16, false, 70, 6},
      {"netpbm_8bit.pcx", "expect_rgb.ppm", 8, 1, 256, false, 70, 6},
      {"magick_8bit.pcx", "magick_8bit.ppm", 8, 1, 256, false, 300, 300},
      {"pillow_8bit.pcx", "pillow_8bit.ppm", 8, 1, 256, false, 100, 100},
      {"pillow_grey.pcx", "pillow_grey.ppm", 8, 1, 256, false, 100, 100},
      {"netpbm_24bit.pcx", "expect_rgb.ppm", 8, 3, 0, false, 70, 6},
      {"magick_24bit.pcx", "expect_rgb.ppm", 8, 3, 0, false, 300, 300},
      {"pillow_24bit.pcx", "expect_rgb.ppm", 8, 3, 0, false, 100, 100},
      {"magick_raw.pcx", "expect_rgb.ppm", 8, 3, 0, false, 300, 300},
      // The alpha plane is not used; the colour planes are the picture's.
      {"magick_rgba.pcx", "expect_rgb.ppm", 8, 4, 0, false, 72, 150},
  };
  for (const TPcxFixtureCase& c : cases) {
    SCOPED_TRACE(c.file);
    int w = 0, h = 0;
    const std::vector<std::uint32_t> expected = PcxExpected(c.expected, w, h);
    ASSERT_EQ(expected.size(), std::size_t(w) * h);
    TPcxLoaded l;
    PcxLoad(PcxFixture(c.file), l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(l.params.Width, w);
    EXPECT_EQ(l.params.Height, h);
    EXPECT_EQ(l.params.BitsPerSample, c.bits);
    EXPECT_EQ(l.params.SamplesPerPixel, c.samples);
    EXPECT_EQ(l.params.ColorMapCount(), c.mapCount);
    EXPECT_EQ(l.params.DpiX(), c.dpiX);
    EXPECT_EQ(l.params.DpiY(), c.dpiY);
    EXPECT_EQ(l.image.GetPixelFormat(), c.oneBit ? vqBits1 : vqRGB24);
    EXPECT_EQ(PcxPixels(l.image), expected);
  }
}

TEST(PcxFilterRead, HeaderPaletteOfAFourPlaneFileIsTheColourMap) {
  TPcxLoaded l;
  PcxLoad(PcxFixture("netpbm_4planes.pcx"), l);
  ASSERT_FALSE(l.abort);
  ASSERT_EQ(l.params.ColorMapCount(), 16);
  // The header's entries 0 and 1: black, then 0x000080 (blue, green, red here).
  EXPECT_EQ(l.params.ColorMap()[0], (TRGBPixel{0, 0, 0}));
  EXPECT_EQ(l.params.ColorMap()[1], (TRGBPixel{128, 0, 0}));
}

// ---- hand-built run-length data -------------------------------------------------

struct TPcxHandCase {
  const char* name;
  PcxBytes file;
  std::vector<std::uint32_t> expected;
};

TEST(PcxFilterRead, RunsCarryAcrossLinesPlanesAndRows) {
  const std::vector<std::uint32_t> pal4 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  const std::vector<std::uint32_t> pal16 = {0x000000, 0x010101, 0x020202, 0x030303, 0x040404, 0x050505,
                                            0x060606, 0x070707, 0x080808, 0x090909, 0x0A0A0A, 0x0B0B0B,
                                            0x0C0C0C, 0x0D0D0D, 0x0E0E0E, 0xFFFFFF};
  const TPcxHandCase cases[] = {
      // 3 x 2 at 24 bits, 4 bytes a line: one run of 12 fills row 0's red,
      // green and blue lines, its padding included; row 1 by literals.
      {"run across the planes of a row",
       PcxCat(PcxHeader(1, 8, 3, 3, 2, 4), {0xCC, 0x40, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}),
       {0x404040, 0x404040, 0x404040, 0x010407, 0x020508, 0x030609}},
      // One run of 8 covers row 0 (bytes per line 2, 3 planes) and row 1's red line.
      {"run across rows",
       PcxCat(PcxHeader(1, 8, 3, 1, 2, 2), {0xC8, 0x11, 0x22, 0x00, 0x33, 0x00}),
       {0x111111, 0x112233}},
      // 8 bits: a count of 0 writes nothing and is passed over; a single
      // byte of 192 or more comes as a run of one.
      {"count 0 and coded single bytes",
       PcxCat(PcxCat(PcxHeader(1, 8, 1, 3, 1, 4), {0xC0, 0x55, 0x01, 0xC1, 0xC5, 0x02, 0x00}),
              PcxCat(PcxBytes(1, 12), [] {
                PcxBytes p(768, 0);
                p[3] = 0x10, p[6] = 0x20, p[0xC5 * 3 + 2] = 0x99;
                return p;
              }())),
       {0x100000, 0x000099, 0x200000}},
      // 1 bit in 4 planes, bit x of plane p is bit p of the index.
      {"four planes of one bit",
       PcxCat(PcxHeader(0, 1, 4, 2, 1, 2, pal16), {0x80, 0, 0x40, 0, 0xC0, 0, 0x00, 0}),
       {0x050505, 0x060606}},
      // 2 bits packed, four pixels a byte, high bits first; raw data.
      {"two bits packed", PcxCat(PcxHeader(0, 2, 1, 5, 1, 2, pal4), {0x1B, 0x40}), {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000}},
      // 4 bits packed, two pixels a byte; a run of 2 gives both bytes.
      {"four bits packed", PcxCat(PcxHeader(1, 4, 1, 4, 1, 2, pal16), {0xC2, 0xF1}),
       {0xFFFFFF, 0x010101, 0xFFFFFF, 0x010101}},
      // 1 bit in 2 planes: 4 colours of the header palette.
      {"two planes of one bit", PcxCat(PcxHeader(1, 1, 2, 4, 1, 2, pal4), {0xC2, 0x50, 0xC2, 0x30}),
       {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}},
      // 1 bit, 1 plane: copied; a run of 4 crosses into row 1.
      {"one bit across rows", PcxCat(PcxHeader(1, 1, 1, 9, 2, 2), {0xC4, 0x81}),
       {0xFFFFFF, 0, 0, 0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF}},
  };
  for (const TPcxHandCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPcxLoaded l;
    PcxLoad(c.file, l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(PcxPixels(l.image), c.expected);
  }
}

TEST(PcxFilterRead, ZeroResolutionGivesTheDefaultBothWays) {
  for (auto [x, y] : {std::pair{0, 72}, std::pair{72, 0}}) {
    TPcxLoaded l;
    PcxLoad(PcxCat(PcxHeader(0, 8, 3, 1, 1, 2, {}, x, y), PcxBytes(6, 0)), l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(l.params.DpiX(), kIODefaultDpi);
    EXPECT_EQ(l.params.DpiY(), kIODefaultDpi);
  }
}

TEST(PcxFilterRead, HostileFilesSetTheAbortFlag) {
  auto with = [](PcxBytes b, int at, Byte v) {
    b[std::size_t(at)] = v;
    return b;
  };
  const PcxBytes good = PcxCat(PcxHeader(1, 8, 3, 2, 2, 2), PcxBytes(12, 1));
  PcxBytes xmaxBelowXmin = good;
  xmaxBelowXmin[4] = 5;  // xmin 5, xmax 1
  const struct {
    const char* name;
    PcxBytes file;
  } rows[] = {
      {"manufacturer", with(good, 0, 11)},
      {"bits 9", with(good, 3, 9)},
      {"encoding 2", with(good, 2, 2)},
      {"bits 0", with(good, 3, 0)},
      {"8 bits in 2 planes", with(good, 65, 2)},
      {"8 bits in 5 planes", with(good, 65, 5)},
      {"4 bits in 3 planes", with(with(good, 3, 4), 65, 3)},
      {"xmax below xmin", xmaxBelowXmin},
      {"lines shorter than the width", with(good, 66, 1)},
      {"short header", PcxBytes(good.begin(), good.begin() + 100)},
      {"8-bit palette would overlap the header", PcxCat(PcxHeader(0, 8, 1, 2, 1, 2), PcxBytes(700, 0))},
      {"truncated raw data", PcxCat(PcxHeader(0, 8, 3, 2, 2, 2), PcxBytes(11, 1))},
      {"truncated run", PcxCat(PcxHeader(1, 8, 3, 2, 2, 2), {0xC5, 1})},
      {"count without its byte", PcxCat(PcxHeader(1, 8, 3, 2, 1, 2), {1, 2, 3, 4, 5, 0xC1})},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TPcxLoaded l;
    PcxLoad(r.file, l);
    EXPECT_TRUE(l.abort);
  }
}

TEST(PcxFilterRead, HugeSizesAreRefusedBeforeAllocation) {
  // 65536 x 65536, lines long enough.
  PcxBytes f = PcxHeader(1, 1, 1, 65536, 65536, 65535);
  f[8] = f[9] = f[10] = f[11] = 0xFF;
  f[66] = 0xFF, f[67] = 0xFF;
  TPcxLoaded l;
  PcxLoad(PcxCat(f, PcxBytes(1000, 0)), l);
  EXPECT_TRUE(l.abort);
  EXPECT_TRUE(l.image.IsEmpty());
}

TEST(PcxFilterRead, DataEndingEarlyKeepsTheRowsDecoded) {
  // 1 x 3 at 24 bits, two bytes a line: row 0 whole, row 1 cut inside its green line.
  TPcxLoaded l;
  PcxLoad(PcxCat(PcxHeader(1, 8, 3, 1, 3, 2), {0xC6, 0x20, 0x30, 0x00, 0x40}), l);
  EXPECT_TRUE(l.abort);
  EXPECT_EQ(PcxPixels(l.image), (std::vector<std::uint32_t>{0x202020, 0x304000, 0}));
}

TEST(PcxFilterRead, DataSizeBoundsTheDataAndPlacesThePalette) {
  // An 8-bit file followed by other bytes: with its own size the palette is
  // found; the data of a run past DataSize is not taken.
  PcxBytes pal(768, 0);
  pal[3 * 1] = 0xAB;
  const PcxBytes file = PcxCat(PcxCat(PcxHeader(1, 8, 1, 2, 1, 2), {0xC2, 0x01, 12}), pal);
  TPcxLoaded l;
  PcxLoad(PcxCat(file, PcxBytes(50, 0x77)), l, std::int64_t(file.size()));
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(PcxPixels(l.image), (std::vector<std::uint32_t>{0xAB0000, 0xAB0000}));
  // 24 bits: data cut after a count byte ends the read; one byte more completes it.
  const PcxBytes rgb = PcxCat(PcxHeader(1, 8, 3, 1, 1, 2), {0xC6, 0x05, 0x07, 0x07});
  TPcxLoaded cut;
  PcxLoad(rgb, cut, 129);
  EXPECT_TRUE(cut.abort);
  TPcxLoaded whole;
  PcxLoad(rgb, whole, 130);
  ASSERT_FALSE(whole.abort);
  EXPECT_EQ(PcxPixels(whole.image), std::vector<std::uint32_t>{0x050505});
}

TEST(PcxFilterRead, ASizePastTheStreamMeansItsRest) {
  // An 8-bit file 4 bytes into a stream, told the whole stream's size (as
  // after an old 4-byte stream header): its palette is the stream's last 768 bytes.
  PcxBytes pal(768, 0);
  pal[3 * 1 + 1] = 0xCD;
  const PcxBytes file = PcxCat(PcxCat(PcxHeader(1, 8, 1, 2, 1, 2), {0xC2, 0x01, 12}), pal);
  TMemoryStream s;
  s.Write("PCX", 4);
  s.Write(file.data(), std::int64_t(file.size()));
  s.SetPosition(4);
  TPcxLoaded l;
  TVQProgressRec p;
  p.Aborting = &l.abort;
  LoadPcxImage(s, &l.image, l.params, false, p, s.Size());
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(PcxPixels(l.image), (std::vector<std::uint32_t>{0x00CD00, 0x00CD00}));
}

TEST(PcxFilterRead, FileBackedImagesReadAndWriteARowAtATime) {
  int w = 0, h = 0;
  const std::vector<std::uint32_t> expected = PcxExpected("expect_c16.ppm", w, h);
  TPcxLoaded l;
  l.image.MemoryThreshold = 1;
  l.image.SetLocation(vqTempFile);
  PcxLoad(PcxFixture("netpbm_4planes.pcx"), l);
  ASSERT_FALSE(l.abort);
  ASSERT_EQ(l.image.Location(), vqTempFile);
  EXPECT_EQ(PcxPixels(l.image), expected);
  TIOParamsVals params(nullptr);
  bool abort = false;
  TPcxLoaded back;
  PcxLoad(PcxSave(l.image, params, abort), back);
  ASSERT_FALSE(back.abort);
  EXPECT_EQ(PcxPixels(back.image), expected);
}

TEST(PcxFilterRead, ParamsOnlyReadsNoPixels) {
  TPcxLoaded l;
  PcxLoad(PcxFixture("netpbm_4planes.pcx"), l, 0, true);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(l.params.Width, 70);
  EXPECT_EQ(l.params.ColorMapCount(), 16);
  EXPECT_TRUE(l.image.IsEmpty());
}

TEST(PcxFilterRead, ReportsRowsAndStopsOnAbort) {
  TPcxLoaded all;
  PcxLoad(PcxCat(PcxHeader(0, 8, 3, 1, 4, 2), PcxBytes(24, 9)), all);
  ASSERT_FALSE(all.abort);
  EXPECT_EQ(all.percents, (std::vector<int>{0, 25, 50, 75}));

  TMemoryStream s;
  const PcxBytes f = PcxCat(PcxHeader(0, 8, 3, 1, 4, 2), PcxBytes(24, 9));
  s.Write(f.data(), std::int64_t(f.size()));
  s.SetPosition(0);
  bool abort = false;
  int calls = 0;
  TVQProgressRec p;
  p.Aborting = &abort;
  p.OnProgress = [&](TObject*, int) {
    if (++calls == 2) abort = true;
  };
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  LoadPcxImage(s, &img, params, false, p, 0);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(PcxPixels(img)[0], 0x090909u);
  EXPECT_EQ(PcxPixels(img)[1], 0u);
}

TEST(PcxFilterRead, SameBytesForAnyThreadCount) {
  // 37 x 23 in four planes of one bit and in three planes of eight.
  for (int planes : {3, 4}) {
    SCOPED_TRACE(planes);
    const int bits = planes == 4 ? 1 : 8;
    const int bpl = planes == 4 ? 6 : 38;
    PcxBytes data(std::size_t(bpl) * planes * 23);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = Byte((i * 37 + 5) % 191);
    const PcxBytes file = PcxCat(PcxHeader(0, bits, planes, 37, 23, bpl, {0x102030, 0x405060, 0x708090}), data);
    std::vector<std::vector<std::uint32_t>> results;
    for (int threads : {1, 2, 3, 8}) {
      SetParallelThreadCount(threads);
      TPcxLoaded l;
      PcxLoad(file, l);
      ASSERT_FALSE(l.abort);
      results.push_back(PcxPixels(l.image));
    }
    SetParallelThreadCount(0);
    for (const auto& r : results) EXPECT_EQ(r, results[0]);
  }
}

// ---- writing ----------------------------------------------------------------------

TEST(PcxFilterWrite, HeaderFieldsPerDepth) {
  const struct {
    int bits, samples, width;
    int fileBits, planes, bpl, paletteInfo;
    bool trailer;
  } rows[] = {
      {1, 1, 9, 1, 1, 2, 1, false},  {1, 1, 17, 1, 1, 4, 1, false}, {4, 1, 5, 4, 1, 4, 1, false},
      {8, 1, 5, 8, 1, 6, 1, true},   {8, 3, 5, 8, 3, 6, 0, false},  {8, 3, 4, 8, 3, 4, 0, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.bits * 100 + r.samples * 10 + r.width);
    TVQBitmap img;
    PcxFill(img, r.width, 2, {0x000000, 0xFFFFFF});
    TIOParamsVals params(nullptr);
    params.BitsPerSample = r.bits;
    params.SamplesPerPixel = r.samples;
    params.PcxVersion = 3;
    params.SetDpiX(150);
    params.SetDpiY(75);
    bool abort = false;
    const PcxBytes out = PcxSave(img, params, abort);
    ASSERT_FALSE(abort);
    ASSERT_GT(out.size(), 128u);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(out[2], 1);
    EXPECT_EQ(out[3], r.fileBits);
    EXPECT_EQ(out[8] | out[9] << 8, r.width - 1);
    EXPECT_EQ(out[10] | out[11] << 8, 1);
    EXPECT_EQ(out[12] | out[13] << 8, 150);
    EXPECT_EQ(out[14] | out[15] << 8, 75);
    EXPECT_EQ(out[65], r.planes);
    EXPECT_EQ(out[66] | out[67] << 8, r.bpl);
    EXPECT_EQ(out[68] | out[69] << 8, r.paletteInfo);
    if (r.trailer) {
      ASSERT_GT(out.size(), 128u + 769);
      EXPECT_EQ(out[out.size() - 769], 12);
    }
  }
}

TEST(PcxFilterWrite, RunLengthLinesByHand) {
  // 3 x 1 at 24 bits: red 70 70 C8, green 0 0 0, blue 1 2 C8; each line of
  // three samples gets a zero byte.
  TVQBitmap img;
  PcxFill(img, 3, 1, {0x700001, 0x700002, 0xC800C8});
  bool abort = false;
  const PcxBytes out = PcxSaveAs(img, 8, 3, abort);
  ASSERT_FALSE(abort);
  EXPECT_EQ(PcxBytes(out.begin() + 128, out.end()),
            (PcxBytes{0xC2, 0x70, 0xC1, 0xC8, 0, 0xC3, 0x00, 0, 0x01, 0x02, 0xC1, 0xC8, 0}));
  // Raw: each line padded to its four bytes.
  const PcxBytes raw = PcxSaveAs(img, 8, 3, abort, false);
  EXPECT_EQ(raw[2], 0);
  EXPECT_EQ(PcxBytes(raw.begin() + 128, raw.end()),
            (PcxBytes{0x70, 0x70, 0xC8, 0, 0, 0, 0, 0, 0x01, 0x02, 0xC8, 0}));
}

TEST(PcxFilterWrite, LongRunsSplitAt63) {
  TVQBitmap img;
  PcxFill(img, 130, 1, {0x050505});
  bool abort = false;
  const PcxBytes out = PcxSaveAs(img, 8, 3, abort);
  ASSERT_FALSE(abort);
  const PcxBytes line = {0xFF, 5, 0xFF, 5, 0xC4, 5};
  EXPECT_EQ(PcxBytes(out.begin() + 128, out.end()), PcxCat(PcxCat(line, line), line));
}

TEST(PcxFilterWrite, RoundTripsThroughTheReader) {
  // Sixteen colours, so 4- and 8-bit output keeps them exactly.
  std::vector<std::uint32_t> colours;
  for (int i = 0; i < 16; ++i) colours.push_back(std::uint32_t(i * 0x0F1011) & 0xFFFFFF);
  std::vector<std::uint32_t> pattern;
  for (int i = 0; i < 23 * 7; ++i) pattern.push_back(colours[std::size_t((i / 3 + i / 23) % 16)]);
  for (int depth : {4, 8, 24})
    for (bool rle : {true, false}) {
      SCOPED_TRACE(depth * 10 + rle);
      TVQBitmap img;
      PcxFill(img, 23, 7, pattern);
      bool abort = false;
      const PcxBytes out = PcxSaveAs(img, depth == 4 ? 4 : 8, depth == 24 ? 3 : 1, abort, rle);
      ASSERT_FALSE(abort);
      TPcxLoaded l;
      PcxLoad(out, l);
      ASSERT_FALSE(l.abort);
      EXPECT_EQ(PcxPixels(l.image), pattern);
    }
}

TEST(PcxFilterWrite, OneBitOutputKeepsTwoColoursInTheHeader) {
  TVQBitmap img;
  PcxFill(img, 10, 2, {0x2040C0, 0xF0E0D0, 0xF0E0D0});
  bool abort = false;
  const PcxBytes out = PcxSaveAs(img, 1, 1, abort);
  ASSERT_FALSE(abort);
  EXPECT_EQ(PcxBytes(out.begin() + 16, out.begin() + 22), (PcxBytes{0x20, 0x40, 0xC0, 0xF0, 0xE0, 0xD0}));
  TPcxLoaded l;
  PcxLoad(out, l);
  ASSERT_FALSE(l.abort);
  ASSERT_EQ(l.image.GetPixelFormat(), vqBits1);
  // The darker colour takes the clear bits.
  std::vector<std::uint32_t> expected;
  for (int i = 0; i < 20; ++i) expected.push_back(i % 3 == 0 ? 0 : 0xFFFFFF);
  EXPECT_EQ(PcxPixels(l.image), expected);

  // A 1-bit image goes out black and white, bits past the width cleared.
  TVQBitmap bits;
  bits.Allocate(3, 1, vqBits1);
  bits.GetScanline(0)[0] = 0xBF;
  const PcxBytes mono = PcxSaveAs(bits, 1, 1, abort);
  EXPECT_EQ(PcxBytes(mono.begin() + 16, mono.begin() + 22), (PcxBytes{0, 0, 0, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(PcxBytes(mono.begin() + 128, mono.end()), (PcxBytes{0xA0, 0}));
}

TEST(PcxFilterWrite, RequestsOutsideTheFourDepthsTakeTheNextOne) {
  const struct {
    int bits, samples, fileBits, planes;
  } rows[] = {{2, 1, 4, 1}, {3, 1, 4, 1}, {16, 1, 8, 3}, {16, 3, 8, 3}, {8, 4, 8, 3}, {5, 3, 8, 3}, {4, 2, 8, 1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.bits * 10 + r.samples);
    TVQBitmap img;
    PcxFill(img, 4, 2, {0x112233, 0x445566});
    bool abort = false;
    const PcxBytes out = PcxSaveAs(img, r.bits, r.samples, abort);
    ASSERT_FALSE(abort);
    EXPECT_EQ(out[3], r.fileBits);
    EXPECT_EQ(out[65], r.planes);
    TPcxLoaded l;
    PcxLoad(out, l);
    ASSERT_FALSE(l.abort);
    EXPECT_EQ(PcxPixels(l.image), (std::vector<std::uint32_t>{0x112233, 0x445566, 0x112233, 0x445566, 0x112233,
                                                              0x445566, 0x112233, 0x445566}));
  }
  TVQBitmap img;
  PcxFill(img, 2, 2, {0});
  bool abort = false;
  EXPECT_TRUE(PcxSaveAs(img, 0, 3, abort).empty());
  EXPECT_TRUE(abort);
}

TEST(PcxFilterWrite, WidthsPastTheHeaderAreRefused) {
  TVQBitmap img;
  img.Allocate(65537, 1, vqBits1);
  bool abort = false;
  EXPECT_TRUE(PcxSaveAs(img, 1, 1, abort).empty());
  EXPECT_TRUE(abort);
}

TEST(PcxFilterWrite, OtherPixelFormatsAreConverted) {
  TVQBitmap img;
  img.Allocate(3, 1, vqGray8);
  img.GetScanline(0)[0] = 0x10, img.GetScanline(0)[1] = 0x80, img.GetScanline(0)[2] = 0xF0;
  bool abort = false;
  TPcxLoaded l;
  PcxLoad(PcxSaveAs(img, 8, 3, abort), l);
  ASSERT_FALSE(l.abort);
  EXPECT_EQ(PcxPixels(l.image), (std::vector<std::uint32_t>{0x101010, 0x808080, 0xF0F0F0}));
}

TEST(PcxFilterWrite, AFailingStreamStopsTheWriter) {
  TVQBitmap img;
  PcxFill(img, 8, 8, {0x123456});
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 1;  // 8 bits: the palette would follow the rows
  const Byte none[1] = {};
  TVQMemStream s(none, 0);  // takes no bytes
  bool abort = false;
  int calls = 0;
  TVQProgressRec p;
  p.Aborting = &abort;
  p.OnProgress = [&](TObject*, int) { ++calls; };
  SavePcxImage(s, &img, params, p);
  EXPECT_TRUE(abort);
  EXPECT_EQ(calls, 0);  // the header failed, so no row was reported
}

TEST(PcxFilterWrite, SameBytesForAnyThreadCount) {
  TVQBitmap img;
  img.Allocate(301, 97, vqRGB24);
  for (int y = 0; y < 97; ++y)
    for (int x = 0; x < 301 * 3; ++x) img.GetScanline(y)[x] = Byte((x / 7 + y * 13) % 256);
  for (int samples : {1, 3}) {
    SCOPED_TRACE(samples);
    std::vector<PcxBytes> results;
    for (int threads : {1, 2, 3, 8}) {
      SetParallelThreadCount(threads);
      TIOParamsVals params(nullptr);
      params.SamplesPerPixel = samples;
      bool abort = false;
      results.push_back(PcxSave(img, params, abort));
      ASSERT_FALSE(abort);
    }
    SetParallelThreadCount(0);
    for (const auto& r : results) EXPECT_EQ(r, results[0]);
  }
}

// ---- DCX ---------------------------------------------------------------------------

PcxBytes DcxOf(const std::vector<PcxBytes>& pages) {
  PcxBytes b(4 + 4 * (pages.size() + 1), 0);
  b[0] = 0xB1, b[1] = 0x68, b[2] = 0xDE, b[3] = 0x3A;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const std::uint32_t at = std::uint32_t(b.size());
    for (int k = 0; k < 4; ++k) b[4 + 4 * i + std::size_t(k)] = Byte(at >> (8 * k));
    b.insert(b.end(), pages[i].begin(), pages[i].end());
  }
  return b;
}

PcxBytes PcxOnePixel(std::uint32_t rgb) {
  return PcxCat(PcxHeader(0, 8, 3, 1, 1, 2), {Byte(rgb >> 16), 0, Byte(rgb >> 8), 0, Byte(rgb), 0});
}

struct TDcxRead {
  bool abort = false;
  TVQBitmap image;
  TIOParamsVals params{nullptr};
};

void DcxLoad(const PcxBytes& bytes, TDcxRead& r, int index) {
  TMemoryStream s;
  if (!bytes.empty()) s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TVQProgressRec p;
  p.Aborting = &r.abort;
  r.params.DcxImageIndex = index;
  LoadDcxPage(s, &r.image, r.params, false, p);
}

TEST(DcxFilter, PagesOfAnImageMagickFile) {
  const PcxBytes file = PcxFixture("magick_3pages.dcx");
  TMemoryStream s;
  s.Write(file.data(), std::int64_t(file.size()));
  s.SetPosition(0);
  EXPECT_TRUE(IsDcxStream(&s));
  EXPECT_EQ(CountDcxPages(&s), 3);
  const char* expected[] = {"expect_rgb.ppm", "expect_c16.ppm", "expect_bw.ppm"};
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE(page);
    int w = 0, h = 0;
    const std::vector<std::uint32_t> pixels = PcxExpected(expected[page], w, h);
    TDcxRead r;
    DcxLoad(file, r, page);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(PcxPixels(r.image), pixels);
  }
}

TEST(DcxFilter, PageIndexIsClampedAndStoredBack) {
  const PcxBytes file = DcxOf({PcxOnePixel(0x010203), PcxOnePixel(0x040506), PcxOnePixel(0x070809)});
  for (auto [asked, got, rgb] : {std::tuple{7, 2, 0x070809u}, std::tuple{-3, 0, 0x010203u}, std::tuple{1, 1, 0x040506u}}) {
    SCOPED_TRACE(asked);
    TDcxRead r;
    DcxLoad(file, r, asked);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(r.params.DcxImageIndex, got);
    EXPECT_EQ(PcxPixels(r.image), std::vector<std::uint32_t>{rgb});
  }
}

TEST(DcxFilter, BadContainersSetTheAbortFlag) {
  PcxBytes offsetPastEnd = DcxOf({PcxOnePixel(1)});
  offsetPastEnd[5] = 0x10;
  PcxBytes intoTable = DcxOf({PcxOnePixel(1)});
  intoTable[4] = 4;  // the page would start at the table
  const struct {
    const char* name;
    PcxBytes file;
  } rows[] = {
      {"no pages", DcxOf({})},
      {"not a DCX", PcxOnePixel(1)},
      {"table without its end", PcxBytes{0xB1, 0x68, 0xDE, 0x3A, 0x10, 0, 0, 0}},
      {"offset past the end", offsetPastEnd},
      {"page inside the table", intoTable},
      {"empty", {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TDcxRead d;
    DcxLoad(r.file, d, 0);
    EXPECT_TRUE(d.abort);
  }
}

struct TDcxSaved {
  bool abort = false;
  PcxBytes bytes;
};

TDcxSaved DcxSave(const PcxBytes& before, std::uint32_t rgb, int index) {
  TMemoryStream s;
  if (!before.empty()) s.Write(before.data(), std::int64_t(before.size()));
  s.SetPosition(std::int64_t(before.size()));
  TVQBitmap img;
  PcxFill(img, 1, 1, {rgb});
  TIOParamsVals params(nullptr);
  params.DcxImageIndex = index;
  TDcxSaved r;
  TVQProgressRec p;
  p.Aborting = &r.abort;
  SaveDcxPage(s, &img, params, p);
  const auto* m = static_cast<const std::uint8_t*>(s.Memory());
  r.bytes.assign(m, m + s.Size());
  return r;
}

std::vector<std::uint32_t> DcxAllPages(const PcxBytes& file) {
  TMemoryStream s;
  s.Write(file.data(), std::int64_t(file.size()));
  s.SetPosition(0);
  std::vector<std::uint32_t> v;
  const int n = CountDcxPages(&s);
  for (int i = 0; i < n; ++i) {
    TDcxRead r;
    DcxLoad(file, r, i);
    v.push_back(r.abort ? 0xDEAD : PcxPixels(r.image)[0]);
  }
  return v;
}

TEST(DcxFilter, SaveInsertsAPage) {
  const TDcxSaved first = DcxSave({}, 0x111111, 0);
  ASSERT_FALSE(first.abort);
  EXPECT_EQ(DcxAllPages(first.bytes), std::vector<std::uint32_t>{0x111111});
  const PcxBytes three = DcxOf({PcxOnePixel(0x010203), PcxOnePixel(0x040506), PcxOnePixel(0x070809)});
  const struct {
    int index;
    std::vector<std::uint32_t> pages;
  } rows[] = {
      {0, {0xAAAAAA, 0x010203, 0x040506, 0x070809}},
      {2, {0x010203, 0x040506, 0xAAAAAA, 0x070809}},
      {3, {0x010203, 0x040506, 0x070809, 0xAAAAAA}},
      {4, {0x010203, 0x040506, 0x070809}},  // past the end: not written
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.index);
    const TDcxSaved saved = DcxSave(three, 0xAAAAAA, r.index);
    ASSERT_FALSE(saved.abort);
    EXPECT_EQ(DcxAllPages(saved.bytes), r.pages);
  }
}

TEST(DcxFilter, SaveIntoAStreamThatIsNoDcxLeavesIt) {
  const PcxBytes other = PcxOnePixel(0x123456);
  const TDcxSaved saved = DcxSave(other, 0xAAAAAA, 0);
  EXPECT_TRUE(saved.abort);
  EXPECT_EQ(saved.bytes, other);
}

TEST(DcxFilter, AFullTableTakesNoMorePages) {
  std::vector<PcxBytes> pages(kDcxMaxPages, PcxOnePixel(0x010101));
  const PcxBytes full = DcxOf(pages);
  const TDcxSaved saved = DcxSave(full, 0xAAAAAA, 0);
  EXPECT_TRUE(saved.abort);
  EXPECT_EQ(saved.bytes, full);
}

// ---- through the slots and the I/O component -------------------------------------

TEST(PcxFilterSlot, FilesLoadAndSaveThroughTheComponent) {
  StartImagingLibrary();
  InstallPcxFilter();  // other suites clear the slots
  char pattern[] = "/tmp/lumiqa_pcxtest_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  {
    std::ofstream f(dir + "/in.pcx", std::ios::binary);
    const PcxBytes b = PcxFixture("netpbm_4planes.pcx");
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }
  {
    TVQBitmap img;
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.LoadFromFile(dir + "/in.pcx");
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Parameters()->FileType, ioPCX);
    int w = 0, h = 0;
    EXPECT_EQ(PcxPixels(img), PcxExpected("expect_c16.ppm", w, h));
    // Saved as a DCX file of one page, then read back by content.
    io.SaveToFile(dir + "/out.dcx");
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(DcxPageCount(dir + "/out.dcx"), 1);
    TVQBitmap back;
    TPictoraIO io2(nullptr);
    io2.SetAttachedBitmap(&back);
    io2.LoadFromFile(dir + "/out.dcx");
    ASSERT_FALSE(io2.Aborting);
    EXPECT_EQ(io2.Parameters()->FileType, ioDCX);
    EXPECT_EQ(PcxPixels(back), PcxPixels(img));
  }
  {
    // A stream save with its 12-byte header reads back through the stream load.
    TVQBitmap img;
    PcxFill(img, 3, 2, {0x102030, 0x405060, 0x708090});
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.StreamHeaders = true;
    TMemoryStream s;
    io.SavePcxToStream(&s);
    ASSERT_FALSE(io.Aborting);
    s.Write("tail", 4);
    s.SetPosition(0);
    TVQBitmap back;
    TPictoraIO io2(nullptr);
    io2.SetAttachedBitmap(&back);
    io2.StreamHeaders = true;
    io2.LoadPcxFromStream(&s);
    ASSERT_FALSE(io2.Aborting);
    EXPECT_EQ(PcxPixels(back), PcxPixels(img));
  }
  std::system(("rm -rf " + dir).c_str());
  EndImagingLibrary();
}

}  // namespace

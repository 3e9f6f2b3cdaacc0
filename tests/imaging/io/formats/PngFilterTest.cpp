// The PNG filter over libpng: every colour type and depth of small
// ImageMagick-made fixtures against the pixels ImageMagick reads from them,
// alpha and background, round trips through the writer, damaged input.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/pngfilt.h"
#include "platform/rtl/Streams.h"

namespace {

using PngBytes = std::vector<std::uint8_t>;

PngBytes PngFixture(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/png/" + name, std::ios::binary);
  return PngBytes(std::istreambuf_iterator<char>(f), {});
}

struct TPngRead {
  bool aborted = false;
  std::unique_ptr<TVQBitmap> image = std::make_unique<TVQBitmap>();
  std::unique_ptr<TIOParamsVals> params = std::make_unique<TIOParamsVals>(nullptr);
  std::unique_ptr<TVQMask> mask;
  std::vector<int> percents;
};

void PngReadInto(TPngRead& r, const PngBytes& bytes, bool noAlphaMask = false, bool paramsOnly = false) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TVQProgressRec progress;
  progress.Aborting = &r.aborted;
  progress.OnProgress = [&r](TObject*, int per) { r.percents.push_back(per); };
  LoadPngImage(s, r.image.get(), r.params.get(), noAlphaMask, r.mask, paramsOnly, progress);
}

// "RRGGBB" of a 24-bit pixel.
std::string PngHex(TVQBitmap* image, int x, int y) {
  const Byte* p = image->GetScanline(y) + 3 * x;
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", p[2], p[1], p[0]);
  return buf;
}

std::vector<std::string> PngAllHex(TVQBitmap* image) {
  std::vector<std::string> out;
  for (int y = 0; y < image->GetHeight(); ++y)
    for (int x = 0; x < image->GetWidth(); ++x) out.push_back(PngHex(image, x, y));
  return out;
}

std::vector<int> PngMaskValues(const TVQMask& m) {
  std::vector<int> out;
  for (int y = 0; y < m.Height(); ++y)
    for (int x = 0; x < m.Width(); ++x) out.push_back(m.GetPixel(x, y));
  return out;
}

using Hexes = std::vector<std::string>;

// What `convert x.png txt:-` gives, row by row (16-bit files: the high byte
// of each sample, which is what stripping keeps).
const Hexes kRgb8 = {"00007F", "3F007F", "7F007F", "BF007F", "FF007F", "007F7F", "3F7F7F", "7F7F7F",
                     "BF7F7F", "FF7F7F", "00FF7F", "3FFF7F", "7FFF7F", "BFFF7F", "FFFF7F"};
const Hexes kRgb16 = {"000080", "400080", "800080", "BF0080", "FF0080", "008080", "408080", "808080",
                      "BF8080", "FF8080", "00FF80", "40FF80", "80FF80", "BFFF80", "FFFF80"};
const Hexes kGray8 = {"000000", "3F3F3F", "7F7F7F", "BFBFBF", "FFFFFF", "000000", "3F3F3F", "7F7F7F",
                      "BFBFBF", "FFFFFF", "000000", "3F3F3F", "7F7F7F", "BFBFBF", "FFFFFF"};
const Hexes kGray2 = {"000000", "000000", "000000", "FFFFFF", "FFFFFF", "000000", "000000", "000000",
                      "FFFFFF", "FFFFFF", "000000", "000000", "000000", "FFFFFF", "FFFFFF"};
// 4 bits: v x 0x11 for v = 0 ... 14.
const Hexes kGray4 = {"000000", "111111", "222222", "333333", "444444", "555555", "666666", "777777",
                      "888888", "999999", "AAAAAA", "BBBBBB", "CCCCCC", "DDDDDD", "EEEEEE"};
const Hexes kGray16 = {"000000", "121212", "242424", "363636", "494949", "5B5B5B", "6D6D6D", "808080",
                       "929292", "A4A4A4", "B6B6B6", "C9C9C9", "DBDBDB", "EDEDED", "FFFFFF"};
// Alpha of rgba.png: (x + y) / 6 of 255, rounded.
const std::vector<int> kRgbaAlpha = {0x00, 0x2B, 0x55, 0x80, 0xAA, 0x2B, 0x55, 0x80,
                                     0xAA, 0xD5, 0x55, 0x80, 0xAA, 0xD5, 0xFF};

struct TPngCase {
  const char* file;
  int bits, samples;
  bool interlaced;
  const Hexes* pixels;
  std::vector<int> alpha;  // empty: no mask
};

TEST(PngFilter, EveryColourTypeAndDepthReadsAsImageMagickReadsIt) {
  const std::vector<int> grayAlpha = {0, 0, 0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0x80, 255, 255, 255, 255, 255};
  const Hexes grayAlphaPixels = {"000000", "3F3F3F", "7F7F7F", "BFBFBF", "FFFFFF", "000000", "3F3F3F", "7F7F7F",
                                 "BFBFBF", "FFFFFF", "000000", "3F3F3F", "7F7F7F", "BFBFBF", "FFFFFF"};
  const Hexes palette = {"FF0000", "FF0000", "00FF00", "FF0000", "FF0000", "FF0000", "0000FF", "FF0000",
                         "FF0000", "FF0000", "FF0000", "FF0000", "FF0000", "FF0000", "FF0000"};
  std::vector<int> paletteAlpha(15, 255);
  paletteAlpha[14] = 0;
  const TPngCase cases[] = {
      {"gray8.png", 8, 1, false, &kGray8, {}},
      {"gray2.png", 2, 1, false, &kGray2, {}},
      {"gray4.png", 4, 1, false, &kGray4, {}},
      {"gray16.png", 16, 1, false, &kGray16, {}},
      {"rgb8.png", 8, 3, false, &kRgb8, {}},
      {"rgb16.png", 16, 3, false, &kRgb16, {}},
      // ImageMagick stored this one as a 4-bit palette; its text and gAMA
      // chunks change nothing.
      {"text_gamma.png", 4, 1, false, &kRgb8, {}},
      {"rgba.png", 8, 4, false, &kRgb8, kRgbaAlpha},
      {"rgba_interlaced.png", 8, 4, true, &kRgb8, kRgbaAlpha},
      {"grayalpha.png", 8, 2, false, &grayAlphaPixels, grayAlpha},
      {"palette_trns.png", 8, 1, false, &palette, paletteAlpha},
  };
  for (const TPngCase& c : cases) {
    SCOPED_TRACE(c.file);
    TPngRead r;
    PngReadInto(r, PngFixture(c.file));
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->Width, 5);
    EXPECT_EQ(r.params->Height, 3);
    EXPECT_EQ(r.params->BitsPerSample, c.bits);
    EXPECT_EQ(r.params->SamplesPerPixel, c.samples);
    EXPECT_EQ(r.params->PngInterlaced, c.interlaced);
    ASSERT_EQ(r.image->GetPixelFormat(), vqRGB24);
    EXPECT_EQ(PngAllHex(r.image.get()), *c.pixels);
    if (c.alpha.empty()) {
      EXPECT_EQ(r.mask, nullptr);
    } else {
      ASSERT_NE(r.mask, nullptr);
      EXPECT_EQ(PngMaskValues(*r.mask), c.alpha);
    }
    // One step per row and pass; the last reaches 100.
    ASSERT_FALSE(r.percents.empty());
    EXPECT_EQ(r.percents.back(), 100);
    EXPECT_EQ(int(r.percents.size()), c.interlaced ? 3 * 7 : 3);
  }
}

TEST(PngFilter, PaletteEntriesGoToTheColorMapInBlueGreenRedOrder) {
  TPngRead r;
  PngReadInto(r, PngFixture("palette_trns.png"), false, true);
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.params->ColorMapCount(), 4);
  const TRGBPixel want[] = {{0, 0, 255}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.params->ColorMap()[i], want[i]) << i;
  // Params only: no pixels.
  EXPECT_TRUE(r.image->IsEmpty());
}

TEST(PngFilter, OneBitFilesKeepTheirPackedRows) {
  TPngRead r;
  PngReadInto(r, PngFixture("gray1.png"));
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.image->GetPixelFormat(), vqBits1);
  EXPECT_EQ(r.params->BitsPerSample, 1);
  // (x + y) odd is white: 01010, 10101, 01010 from the top bit.
  const Byte rows[] = {0x50, 0xA8, 0x50};
  for (int y = 0; y < 3; ++y) EXPECT_EQ(r.image->GetScanline(y)[0] & 0xF8, rows[y]) << y;
}

TEST(PngFilter, NativeFormatKeepsEightBitGreyAndPalette) {
  TPngRead g;
  g.params->NativePixelFormat = true;
  PngReadInto(g, PngFixture("gray8.png"));
  ASSERT_FALSE(g.aborted);
  ASSERT_EQ(g.image->GetPixelFormat(), vqGray8);
  const Byte row[] = {0x00, 0x3F, 0x7F, 0xBF, 0xFF};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(g.image->GetScanline(2)[x], row[x]) << x;

  TPngRead p;
  p.params->NativePixelFormat = true;
  PngReadInto(p, PngFixture("palette_trns.png"));
  ASSERT_FALSE(p.aborted);
  ASSERT_EQ(p.image->GetPixelFormat(), vqPalette8);
  const Byte indices[] = {1, 1, 2, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 0};
  for (int i = 0; i < 15; ++i) EXPECT_EQ(p.image->GetScanline(i / 5)[i % 5], indices[i]) << i;
  TRGBPixel c;
  p.image->GetPaletteColor(3, c);
  EXPECT_EQ(c, (TRGBPixel{255, 0, 0}));
}

TEST(PngFilter, WithoutAMaskAlphaIsComposedOntoTheFilesBackground) {
  // ImageMagick writes a white bKGD and gAMA 1/2.2; the file's gamma makes
  // libpng compose in linear light: ((c/255)^2.2 a + 1 (1 - a))^(1/2.2).
  TPngRead r;
  r.params->PngBackground = {0, 0, 0};
  PngReadInto(r, PngFixture("rgba.png"), true);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.mask, nullptr);
  EXPECT_EQ(PngHex(r.image.get(), 0, 0), "FFFFFF");  // alpha 0
  EXPECT_EQ(PngHex(r.image.get(), 4, 2), "FFFF7F");  // alpha 255
  // BF007F at alpha 128/255: 0.529 -> 0.7636 -> E2; 0 -> 0.498 -> BA;
  // 0.2157 -> 0.6063 -> CB.
  EXPECT_EQ(PngHex(r.image.get(), 3, 0), "E2BACB");
  EXPECT_EQ(r.params->PngBackground, (TRGBPixel{255, 255, 255}));
}

// Writes then reads back through the filter.
PngBytes PngWrite(TVQBitmap* image, TIOParamsVals* params, TVQMask* mask, bool* aborted) {
  TMemoryStream s;
  TVQProgressRec progress;
  progress.Aborting = aborted;
  SavePngImage(s, image, params, mask, progress);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return PngBytes(p, p + s.Size());
}

TEST(PngFilter, RoundTripsKeepPixelsMaskAndSettings) {
  struct TTrip {
    const char* file;
    bool native, interlaced;
  } trips[] = {{"rgb8.png", false, false}, {"rgba.png", false, true}, {"gray8.png", true, false},
               {"palette_trns.png", true, false}, {"gray1.png", false, true}};
  for (const TTrip& t : trips) {
    SCOPED_TRACE(t.file);
    TPngRead a;
    a.params->NativePixelFormat = t.native;
    PngReadInto(a, PngFixture(t.file));
    ASSERT_FALSE(a.aborted);
    a.params->PngInterlaced = t.interlaced;
    a.params->SetDpiX(150);
    a.params->SetDpiY(72);
    bool aborted = false;
    const PngBytes out = PngWrite(a.image.get(), a.params.get(), a.mask.get(), &aborted);
    ASSERT_FALSE(aborted);
    TPngRead b;
    b.params->NativePixelFormat = t.native;
    PngReadInto(b, out);
    ASSERT_FALSE(b.aborted);
    EXPECT_EQ(b.params->PngInterlaced, t.interlaced);
    EXPECT_EQ(b.params->DpiX(), 150);
    EXPECT_EQ(b.params->DpiY(), 72);
    ASSERT_EQ(b.image->GetPixelFormat(), a.image->GetPixelFormat());
    const int bytes = a.image->GetPixelFormat() == vqBits1 ? 1 : a.image->GetPixelFormat() == vqRGB24 ? 15 : 5;
    for (int y = 0; y < 3; ++y)
      EXPECT_EQ(PngBytes(a.image->GetScanline(y), a.image->GetScanline(y) + bytes),
                PngBytes(b.image->GetScanline(y), b.image->GetScanline(y) + bytes))
          << y;
    ASSERT_EQ(a.mask == nullptr, b.mask == nullptr);
    if (a.mask) EXPECT_EQ(PngMaskValues(*a.mask), PngMaskValues(*b.mask));
  }
}

// The filter byte in front of each row of the inflated image data.
std::vector<int> PngRowFilters(const PngBytes& file) {
  PngBytes idat;
  for (std::size_t i = 8; i + 12 <= file.size();) {
    const std::size_t n = (std::size_t(file[i]) << 24) | (file[i + 1] << 16) | (file[i + 2] << 8) | file[i + 3];
    if (std::string(file.begin() + long(i) + 4, file.begin() + long(i) + 8) == "IDAT")
      idat.insert(idat.end(), file.begin() + long(i) + 8, file.begin() + long(i + 8 + n));
    i += 12 + n;
  }
  PngBytes raw(4096);
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, idat.data(), uLong(idat.size())) != Z_OK) return {};
  std::vector<int> filters;
  for (std::size_t at = 0; at < size; at += 1 + 15) filters.push_back(raw[at]);
  return filters;
}

TEST(PngFilter, PngFilterPicksTheRowFilter) {
  TPngRead a;
  PngReadInto(a, PngFixture("rgb8.png"));
  ASSERT_FALSE(a.aborted);
  // 5 x 3 RGB: three rows of 15 bytes; Paeth is 4, sub 1, none 0.
  for (auto [setting, filter] : {std::pair{0, 0}, {1, 1}, {2, 4}}) {
    a.params->PngFilter = Byte(setting);
    bool aborted = false;
    EXPECT_EQ(PngRowFilters(PngWrite(a.image.get(), a.params.get(), nullptr, &aborted)),
              (std::vector<int>{filter, filter, filter}))
        << setting;
    EXPECT_FALSE(aborted);
  }
}

TEST(PngFilter, WrittenFilesReadBackInImageMagickAsWritten) {
  // Ours, checked with `convert out.png txt:-`: an RGBA file whose pixels
  // are rgba.png's, and bKGD from PngBackground.
  TPngRead a;
  PngReadInto(a, PngFixture("rgba.png"));
  ASSERT_FALSE(a.aborted);
  a.params->PngBackground = {0x30, 0x20, 0x10};
  bool aborted = false;
  const PngBytes out = PngWrite(a.image.get(), a.params.get(), a.mask.get(), &aborted);
  ASSERT_FALSE(aborted);
  // IHDR: 5 x 3, depth 8, colour type 6.
  ASSERT_GT(out.size(), 33u);
  EXPECT_EQ(out[24], 8);
  EXPECT_EQ(out[25], 6);
  TPngRead b;
  PngReadInto(b, out, true);
  ASSERT_FALSE(b.aborted);
  EXPECT_EQ(b.params->PngBackground, (TRGBPixel{0x30, 0x20, 0x10}));
  // `convert` reads this file as rgba.png's pixels and alpha, 300 dpi as
  // 118.11 pixels a centimetre; ours does the same.
  TPngRead c;
  PngReadInto(c, out);
  ASSERT_FALSE(c.aborted);
  EXPECT_EQ(PngAllHex(c.image.get()), kRgb8);
  ASSERT_NE(c.mask, nullptr);
  EXPECT_EQ(PngMaskValues(*c.mask), kRgbaAlpha);
}

TEST(PngFilter, TruncatedAndCorruptFilesEndWithTheAbortFlag) {
  const PngBytes good = PngFixture("rgba_interlaced.png");
  ASSERT_GT(good.size(), 100u);
  // Every cut before IEND's type fails: the image data or the end is missing.
  for (std::size_t n = 0; n + 8 < good.size(); ++n) {
    TPngRead r;
    PngReadInto(r, PngBytes(good.begin(), good.begin() + long(n)));
    EXPECT_TRUE(r.aborted) << n;
  }
  // A flipped byte in IHDR's width breaks its CRC.
  PngBytes bad = good;
  bad[18] ^= 0x40;
  TPngRead r;
  PngReadInto(r, bad);
  EXPECT_TRUE(r.aborted);
  // The four signature bytes pass the content test; the rest does not.
  PngBytes sig = good;
  sig[5] = 'X';
  TMemoryStream s;
  s.WriteBuffer(sig.data(), std::int64_t(sig.size()));
  s.SetPosition(0);
  EXPECT_TRUE(IsPngStream(&s));
  TPngRead q;
  PngReadInto(q, sig);
  EXPECT_TRUE(q.aborted);
}

TEST(PngFilter, HugeDimensionsAreRefusedBeforeAllocating) {
  // IHDR of 65535 x 65535 (over the pixel cap), CRC made right.
  PngBytes f = PngFixture("rgb8.png");
  for (int i = 16; i < 24; ++i) f[std::size_t(i)] = (i % 4 < 2) ? 0x00 : 0xFF;
  const uLong crc = crc32(0, f.data() + 12, 17);
  for (int i = 0; i < 4; ++i) f[std::size_t(29 + i)] = Byte(crc >> (24 - 8 * i));
  TPngRead r;
  PngReadInto(r, f);
  EXPECT_TRUE(r.aborted);
  EXPECT_TRUE(r.image->IsEmpty());
}

TEST(PngFilter, TheComponentLoadsAndSavesPngFiles) {
  RegisterPngFilter();
  char dir[] = "/tmp/pngfiltXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string in = std::string(LUMIQA_TEST_DATA) + "/png/rgba.png";
  const std::string out = std::string(dir) + "/x.png";
  TPictoraIO io(nullptr);
  io.LoadFromFile(in);
  ASSERT_FALSE(io.Aborting);
  EXPECT_EQ(PngAllHex(io.Image()), kRgb8);
  ASSERT_TRUE(io.Image()->HasAlphaChannel());
  EXPECT_EQ(io.Image()->GetAlpha(1, 0), 0x2B);
  io.SaveToFile(out);
  ASSERT_FALSE(io.Aborting);
  TPictoraIO back(nullptr);
  back.LoadFromFile(out);
  ASSERT_FALSE(back.Aborting);
  EXPECT_EQ(PngAllHex(back.Image()), kRgb8);
  EXPECT_EQ(back.Image()->GetAlpha(4, 1), 0xD5);
  unlink(out.c_str());
  rmdir(dir);
}

}  // namespace

namespace {

TEST(PngFilter, OneSampleOutputOfTrueColourImagesGoesThroughTheQuantizer) {
  struct TQuantCase {
    const char* file;
    int bits;
    int colourType, depth;  // IHDR of what we write
    const Hexes* pixels;    // read back; nil: only the colour count is known
  } cases[] = {
      {"rgb8.png", 8, 3, 8, &kRgb8},      // 15 colours fit the exact table
      {"gray8.png", 8, 0, 8, &kGray8},    // a grey picture writes grey levels
      {"gray4.png", 4, 0, 4, &kGray4},    // top 4 bits of 0x00 ... 0xEE
      {"gray16.png", 16, 0, 16, &kGray16},
      {"rgb8.png", 2, 3, 2, nullptr},     // at most 4 colours
      {"rgb8.png", 16, 3, 8, &kRgb8},     // a palette cannot be 16 bits deep
  };
  for (const TQuantCase& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.bits));
    TPngRead a;
    PngReadInto(a, PngFixture(c.file));
    ASSERT_FALSE(a.aborted);
    ASSERT_EQ(a.image->GetPixelFormat(), vqRGB24);
    a.params->SamplesPerPixel = 1;
    a.params->BitsPerSample = c.bits;
    bool aborted = false;
    const PngBytes out = PngWrite(a.image.get(), a.params.get(), nullptr, &aborted);
    ASSERT_FALSE(aborted);
    ASSERT_GT(out.size(), 33u);
    EXPECT_EQ(out[24], c.depth);
    EXPECT_EQ(out[25], c.colourType);
    TPngRead b;
    PngReadInto(b, out);
    ASSERT_FALSE(b.aborted);
    const Hexes got = PngAllHex(b.image.get());
    if (c.pixels) {
      EXPECT_EQ(got, *c.pixels);
    } else {
      std::vector<std::string> distinct(got);
      std::sort(distinct.begin(), distinct.end());
      distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
      EXPECT_LE(distinct.size(), 4u);
      EXPECT_GE(distinct.size(), 2u);
    }
  }
}

TEST(PngFilter, IndexedOutputWithAMaskMakesEntryZeroTransparent) {
  TPngRead a;
  PngReadInto(a, PngFixture("palette_trns.png"));
  ASSERT_FALSE(a.aborted);
  ASSERT_NE(a.mask, nullptr);
  a.params->SamplesPerPixel = 1;
  a.params->BitsPerSample = 8;
  a.params->PngBackground = {0x11, 0x22, 0x33};
  bool aborted = false;
  const PngBytes out = PngWrite(a.image.get(), a.params.get(), a.mask.get(), &aborted);
  ASSERT_FALSE(aborted);
  EXPECT_EQ(out[25], 3);
  TPngRead b;
  b.params->NativePixelFormat = true;
  PngReadInto(b, out);
  ASSERT_FALSE(b.aborted);
  // Entry 0 is the background; the transparent pixel is index 0.
  ASSERT_GE(b.params->ColorMapCount(), 4);
  EXPECT_EQ(b.params->ColorMap()[0], (TRGBPixel{0x11, 0x22, 0x33}));
  EXPECT_EQ(b.image->GetScanline(2)[4], 0);
  for (int i = 0; i < 14; ++i) EXPECT_NE(b.image->GetScanline(i / 5)[i % 5], 0) << i;
  // Read as RGB: the same colours and mask as the source.
  TPngRead c;
  PngReadInto(c, out);
  ASSERT_FALSE(c.aborted);
  ASSERT_NE(c.mask, nullptr);
  EXPECT_EQ(PngMaskValues(*c.mask), PngMaskValues(*a.mask));
  for (int i = 0; i < 14; ++i) EXPECT_EQ(PngHex(c.image.get(), i % 5, i / 5), PngHex(a.image.get(), i % 5, i / 5)) << i;
}

TEST(PngFilter, OneBitOutputOfATwoColourPicture) {
  TPngRead a;
  PngReadInto(a, PngFixture("gray2.png"));  // black and white only
  ASSERT_FALSE(a.aborted);
  ASSERT_EQ(a.image->GetPixelFormat(), vqRGB24);
  a.params->SamplesPerPixel = 1;
  a.params->BitsPerSample = 1;
  bool aborted = false;
  const PngBytes out = PngWrite(a.image.get(), a.params.get(), nullptr, &aborted);
  ASSERT_FALSE(aborted);
  EXPECT_EQ(out[24], 1);
  EXPECT_EQ(out[25], 0);
  TPngRead b;
  PngReadInto(b, out);
  ASSERT_FALSE(b.aborted);
  ASSERT_EQ(b.image->GetPixelFormat(), vqBits1);
  // 00011 in every row.
  for (int y = 0; y < 3; ++y) EXPECT_EQ(b.image->GetScanline(y)[0] & 0xF8, 0x18) << y;
}

}  // namespace

namespace {

// The file without its chunks of the given type.
PngBytes PngWithoutChunk(const PngBytes& file, const std::string& type) {
  PngBytes out(file.begin(), file.begin() + 8);
  for (std::size_t i = 8; i + 12 <= file.size();) {
    const std::size_t n = (std::size_t(file[i]) << 24) | (file[i + 1] << 16) | (file[i + 2] << 8) | file[i + 3];
    if (std::string(file.begin() + long(i) + 4, file.begin() + long(i) + 8) != type)
      out.insert(out.end(), file.begin() + long(i), file.begin() + long(i + 12 + n));
    i += 12 + n;
  }
  return out;
}

TEST(PngFilter, WithoutBkgdAlphaIsComposedOntoPngBackground) {
  const PngBytes file = PngWithoutChunk(PngFixture("rgba.png"), "bKGD");
  TPngRead r;
  r.params->PngBackground = {0x00, 0x00, 0xFF};  // red
  PngReadInto(r, file, true);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.mask, nullptr);
  EXPECT_EQ(PngHex(r.image.get(), 0, 0), "FF0000");  // alpha 0
  EXPECT_EQ(PngHex(r.image.get(), 4, 2), "FFFF7F");  // alpha 255
  // BF007F at alpha 128/255 in linear light (the file's gAMA 1/2.2):
  // red 0.529 a + 1 (1 - a) -> E2, green 0, blue 0.2157 a = 0.1083 -> 5D.
  EXPECT_EQ(PngHex(r.image.get(), 3, 0), "E2005D");
  // The colour given stays; there was no bKGD to take.
  EXPECT_EQ(r.params->PngBackground, (TRGBPixel{0x00, 0x00, 0xFF}));
}

TEST(PngFilter, AnAbortFromTheProgressHandlerStopsTheRead) {
  TMemoryStream s;
  const PngBytes f = PngFixture("rgb8.png");
  s.WriteBuffer(f.data(), std::int64_t(f.size()));
  s.SetPosition(0);
  bool aborted = false;
  int calls = 0;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  progress.OnProgress = [&](TObject*, int) {
    if (++calls == 1) aborted = true;
  };
  TVQBitmap image;
  TIOParamsVals params(nullptr);
  std::unique_ptr<TVQMask> mask;
  LoadPngImage(s, &image, &params, false, mask, false, progress);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(calls, 1);
}

}  // namespace

namespace {

// Takes only the first `room` bytes written to it.
class TPngShortStream : public TMemoryStream {
 public:
  explicit TPngShortStream(std::int64_t room) : room_(room) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t n = std::min(count, room_ - Size());
    return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
  }

 private:
  std::int64_t room_;
};

TEST(PngFilter, AShortWriteSetsTheAbortFlag) {
  TPngRead a;
  PngReadInto(a, PngFixture("rgb8.png"));
  ASSERT_FALSE(a.aborted);
  for (std::int64_t room : {0, 8, 40, 70}) {
    TPngShortStream s(room);
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    SavePngImage(s, a.image.get(), a.params.get(), nullptr, progress);
    EXPECT_TRUE(aborted) << room;
    EXPECT_LE(s.Size(), room);
  }
}

TEST(PngFilter, AnEmptyImageIsNotWritten) {
  TVQBitmap empty;
  TIOParamsVals params(nullptr);
  TMemoryStream s;
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  SavePngImage(s, &empty, &params, nullptr, progress);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(s.Size(), 0);
}

}  // namespace

namespace {

TEST(PngFilter, IndexedAndGreyOutputCarryTheBackground) {
  struct TBgCase {
    const char* file;
    bool withMask;
    TRGBPixel background, readBack;
  } cases[] = {
      // Entry 0 of an indexed file with alpha is the background.
      {"palette_trns.png", true, {0x11, 0x22, 0x33}, {0x11, 0x22, 0x33}},
      // Grey (pixels are blue, green, red): (r 21 + g 71 + b 8) / 100 =
      // (0x50 x 21 + 0x64 x 71 + 0x78 x 8) / 100 = 97.
      {"gray8.png", false, {0x78, 0x64, 0x50}, {97, 97, 97}},
      // Exact palette: the background's own entry (it is one of the colours).
      {"rgb8.png", false, {0x7F, 0x7F, 0x7F}, {0x7F, 0x7F, 0x7F}},
  };
  for (const TBgCase& c : cases) {
    SCOPED_TRACE(c.file);
    TPngRead a;
    PngReadInto(a, PngFixture(c.file));
    ASSERT_FALSE(a.aborted);
    a.params->SamplesPerPixel = 1;
    a.params->BitsPerSample = 8;
    a.params->PngBackground = c.background;
    bool aborted = false;
    const PngBytes out = PngWrite(a.image.get(), a.params.get(), c.withMask ? a.mask.get() : nullptr, &aborted);
    ASSERT_FALSE(aborted);
    TPngRead b;
    b.params->PngBackground = {1, 2, 3};
    PngReadInto(b, out, true);
    ASSERT_FALSE(b.aborted);
    EXPECT_EQ(b.params->PngBackground, c.readBack);
    // The clear pixel of the masked case shows the background (red 0x33).
    if (c.withMask) EXPECT_EQ(PngHex(b.image.get(), 4, 2), "332211");
  }
}

}  // namespace

// The JPEG filter over libjpeg: small fixtures made by cjpeg and ImageMagick
// against the pixels djpeg and ImageMagick decode from them, scaled decodes,
// CMYK with and without Adobe's marker, markers and profiles through a
// save, the writer's settings, damaged and truncated input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>


#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

// After the project headers: libjpeg defines TRUE and FALSE as macros,
// which would rewrite the platform's own constants.
#include <jpeglib.h>
#include <jerror.h>

namespace {

using JpegBytes = std::vector<std::uint8_t>;

JpegBytes JpegFixture(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/jpeg/" + name, std::ios::binary);
  EXPECT_TRUE(f.good()) << name;
  return JpegBytes(std::istreambuf_iterator<char>(f), {});
}

// A binary PGM or PPM (maxval 255) as rows of R, G, B; grey repeated.
struct TJpegPixels {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

TJpegPixels JpegExpected(const std::string& name) {
  const JpegBytes b = JpegFixture(name);
  TJpegPixels p;
  char magic[3] = {};
  int maxval = 0, used = 0;
  std::string head(b.begin(), b.begin() + std::min<std::size_t>(b.size(), 40));
  EXPECT_EQ(std::sscanf(head.c_str(), "%2s %d %d %d%n", magic, &p.width, &p.height, &maxval, &used), 4);
  const bool grey = std::string(magic) == "P5";
  const std::size_t start = std::size_t(used) + 1;
  const std::size_t n = std::size_t(p.width) * p.height;
  EXPECT_EQ(b.size(), start + n * (grey ? 1 : 3)) << name;
  p.rgb.resize(n * 3);
  for (std::size_t i = 0; i < n && start + (grey ? i : 3 * i + 2) < b.size(); ++i)
    for (int c = 0; c < 3; ++c) p.rgb[3 * i + c] = b[start + (grey ? i : 3 * i + c)];
  return p;
}

// A decoded 24-bit image in the same form.
TJpegPixels JpegDecoded(TVQBitmap* image) {
  TJpegPixels p;
  p.width = image->GetWidth();
  p.height = image->GetHeight();
  for (int y = 0; y < p.height; ++y) {
    const Byte* row = image->GetScanline(y);
    for (int x = 0; x < p.width; ++x)
      for (int c = 2; c >= 0; --c) p.rgb.push_back(row[3 * x + c]);
  }
  return p;
}

void JpegExpectSame(const TJpegPixels& got, const TJpegPixels& want) {
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  const auto diff = std::mismatch(got.rgb.begin(), got.rgb.end(), want.rgb.begin());
  EXPECT_TRUE(diff.first == got.rgb.end()) << "first difference at byte " << (diff.first - got.rgb.begin());
}

struct TJpegRead {
  bool aborted = false;
  std::unique_ptr<TVQBitmap> image = std::make_unique<TVQBitmap>();
  std::unique_ptr<TIOParamsVals> params = std::make_unique<TIOParamsVals>(nullptr);
  std::vector<int> percents;
};

void JpegReadInto(TJpegRead& r, const JpegBytes& bytes, bool paramsOnly = false, TStream* tables = nullptr,
                  bool noColorConversion = false) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TVQProgressRec progress;
  progress.Aborting = &r.aborted;
  progress.OnProgress = [&r](TObject*, int per) { r.percents.push_back(per); };
  LoadJpegImage(&s, tables, r.image.get(), noColorConversion, paramsOnly, progress, *r.params);
}

JpegBytes JpegWrite(TVQBitmap* image, TIOParamsVals& params, bool* aborted) {
  TMemoryStream s;
  TVQProgressRec progress;
  progress.Aborting = aborted;
  SaveJpegImage(&s, image, params, progress);
  const auto* m = static_cast<const std::uint8_t*>(s.Memory());
  return JpegBytes(m, m + s.Size());
}

// A picture with smooth areas and edges, w x h, 24-bit.
std::unique_ptr<TVQBitmap> JpegPicture(int w, int h) {
  auto b = std::make_unique<TVQBitmap>();
  b->Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y) {
    Byte* row = b->GetScanline(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = Byte((x * 255) / std::max(1, w - 1));
      row[3 * x + 1] = Byte((y * 255) / std::max(1, h - 1));
      row[3 * x + 2] = Byte(((x + y) * 200) / std::max(1, w + h) + (((x / 4 + y / 4) % 2) ? 30 : 0));
    }
  }
  return b;
}

double JpegMeanDifference(TVQBitmap* a, TVQBitmap* b) {
  double sum = 0;
  const int bytes = a->GetWidth() * 3;
  for (int y = 0; y < a->GetHeight(); ++y)
    for (int i = 0; i < bytes; ++i) sum += std::abs(a->GetScanline(y)[i] - b->GetScanline(y)[i]);
  return sum / (double(bytes) * a->GetHeight());
}

int JpegMaxDifference(TVQBitmap* a, TVQBitmap* b) {
  int most = 0;
  const int bytes = a->GetWidth() * (a->GetPixelFormat() == vqCMYK ? 4 : 3);
  for (int y = 0; y < a->GetHeight(); ++y)
    for (int i = 0; i < bytes; ++i) most = std::max(most, std::abs(a->GetScanline(y)[i] - b->GetScanline(y)[i]));
  return most;
}

// The segments of a JPEG up to its first scan: (marker code, offset of the
// segment's FF).
std::vector<std::pair<int, std::size_t>> JpegSegments(const JpegBytes& b) {
  std::vector<std::pair<int, std::size_t>> out;
  std::size_t i = 2;
  while (i + 4 <= b.size() && b[i] == 0xFF) {
    const int code = b[i + 1];
    out.push_back({code, i});
    if (code == 0xDA) break;
    i += 2 + (std::size_t(b[i + 2]) << 8 | b[i + 3]);
  }
  return out;
}

JpegBytes JpegWithoutSegments(const JpegBytes& b, int code) {
  JpegBytes out(b.begin(), b.begin() + 2);
  std::size_t from = 2;
  for (auto [c, at] : JpegSegments(b)) {
    if (c == 0xDA) break;
    const std::size_t end = at + 2 + (std::size_t(b[at + 2]) << 8 | b[at + 3]);
    if (c != code) out.insert(out.end(), b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(end));
    from = end;
  }
  out.insert(out.end(), b.begin() + std::ptrdiff_t(from), b.end());
  return out;
}

TEST(JpegFilter, DecodesFilesOfOtherWritersToTheirPixels) {
  struct TCrossCase {
    const char* file;
    const char* pixels;
    Byte dct;
    int colorSpace, samples;
    bool progressive;
  } cases[] = {
      {"baseline.jpg", "baseline.ppm", 0, 2, 3, false},
      {"baseline.jpg", "baseline_fast.ppm", 1, 2, 3, false},
      {"baseline.jpg", "baseline_float.ppm", 2, 2, 3, false},
      {"progressive.jpg", "baseline.ppm", 0, 2, 3, true},
      {"restart.jpg", "baseline.ppm", 0, 2, 3, false},
      {"markers.jpg", "baseline.ppm", 0, 2, 3, false},
      {"rgb.jpg", "rgb.ppm", 0, 0, 3, false},
      {"grey.jpg", "grey.ppm", 0, 1, 1, false},
      {"scaled.jpg", "scaled_1.ppm", 0, 2, 3, false},
  };
  for (const TCrossCase& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.pixels);
    TJpegRead r;
    r.params->JpegDctMethod = c.dct;
    r.params->JpegColorSpace = 9;
    JpegReadInto(r, JpegFixture(c.file));
    ASSERT_FALSE(r.aborted);
    ASSERT_EQ(r.image->GetPixelFormat(), vqRGB24);
    JpegExpectSame(JpegDecoded(r.image.get()), JpegExpected(c.pixels));
    EXPECT_EQ(r.params->JpegColorSpace, c.colorSpace);
    EXPECT_EQ(r.params->SamplesPerPixel, c.samples);
    EXPECT_EQ(r.params->BitsPerSample, 8);
    EXPECT_EQ(r.params->JpegProgressive, c.progressive);
    EXPECT_EQ(r.params->JpegWarningCount, 0);
    EXPECT_EQ(r.params->Width, r.image->GetWidth());
    EXPECT_EQ(r.params->JpegScaleUsed, 1);
    ASSERT_FALSE(r.percents.empty());
    EXPECT_EQ(r.percents.back(), 100);
  }
}

TEST(JpegFilter, ScaledDecodesGiveTheCodecsReducedPictures) {
  struct TScaleCase {
    Byte scale;
    int wantW, wantH;
    int used;
    const char* pixels;
  } cases[] = {
      {1, 0, 0, 1, "scaled_1.ppm"}, {2, 0, 0, 2, "scaled_2.ppm"},   {3, 0, 0, 4, "scaled_4.ppm"},
      {4, 0, 0, 8, "scaled_8.ppm"}, {7, 0, 0, 1, "scaled_1.ppm"},   {0, 30, 20, 2, "scaled_2.ppm"},
      {0, 8, 5, 8, "scaled_8.ppm"}, {0, 200, 200, 1, "scaled_1.ppm"}, {0, 0, 10, 1, "scaled_1.ppm"},
  };
  for (const TScaleCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.scale) + " " + c.pixels);
    TJpegRead r;
    r.params->JpegScale = c.scale;
    r.params->Width = c.wantW;
    r.params->Height = c.wantH;
    JpegReadInto(r, JpegFixture("scaled.jpg"));
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->JpegScaleUsed, c.used);
    EXPECT_EQ(r.params->JpegOriginalWidth, 67);
    EXPECT_EQ(r.params->JpegOriginalHeight, 45);
    EXPECT_EQ(r.params->Width, r.image->GetWidth());
    EXPECT_EQ(r.params->Height, r.image->GetHeight());
    JpegExpectSame(JpegDecoded(r.image.get()), JpegExpected(c.pixels));
  }
}

TEST(JpegFilter, AutomaticScaleTakesTheSmallestReductionThatStillCoversTheWantedSize) {
  auto picture = JpegPicture(1600, 1200);
  TIOParamsVals wp(nullptr);
  wp.JpegColorSpace = 1;
  bool aborted = false;
  const JpegBytes file = JpegWrite(picture.get(), wp, &aborted);
  ASSERT_FALSE(aborted);
  TJpegRead small;
  small.params->JpegScale = 0;
  small.params->Width = 100;
  small.params->Height = 100;
  JpegReadInto(small, file);
  ASSERT_FALSE(small.aborted);
  EXPECT_EQ(small.params->JpegScaleUsed, 8);
  EXPECT_EQ(small.image->GetWidth(), 200);
  EXPECT_EQ(small.image->GetHeight(), 150);
  TJpegRead large;
  large.params->JpegScale = 0;
  large.params->Width = 1000;
  large.params->Height = 1000;
  JpegReadInto(large, file, true);
  ASSERT_FALSE(large.aborted);
  EXPECT_EQ(large.params->JpegScaleUsed, 1);
  EXPECT_EQ(large.params->Width, 1600);
  EXPECT_EQ(large.params->Height, 1200);
}

// The raw CMYK that Pillow (cmyk_adobe) and ImageMagick (ycck_adobe) decode
// holds plain ink amounts; the library's CMYK form holds them inverted.
std::vector<std::uint8_t> JpegStoredCmyk(const std::string& name) {
  JpegBytes ink = JpegFixture(name);
  for (auto& v : ink) v = std::uint8_t(255 - v);
  return ink;
}

TEST(JpegFilter, CmykLoadsNativelyOrConvertedEveryPixelOfEveryRow) {
  struct TCmykCase {
    const char* file;
    const char* inks;
    int colorSpace;
  } cases[] = {{"cmyk_adobe.jpg", "cmyk_adobe.cmyk", 3}, {"ycck_adobe.jpg", "ycck_adobe.cmyk", 4}};
  for (const TCmykCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<std::uint8_t> stored = JpegStoredCmyk(c.inks);
    const int w = 37, h = 29;
    ASSERT_EQ(stored.size(), std::size_t(w) * h * 4);
    TJpegRead native;
    native.params->NativePixelFormat = true;
    JpegReadInto(native, JpegFixture(c.file));
    ASSERT_FALSE(native.aborted);
    ASSERT_EQ(native.image->GetPixelFormat(), vqCMYK);
    EXPECT_EQ(native.params->JpegColorSpace, c.colorSpace);
    EXPECT_EQ(native.params->SamplesPerPixel, 4);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(std::memcmp(native.image->GetScanline(y), stored.data() + std::size_t(y) * w * 4, std::size_t(w) * 4),
                0)
          << "row " << y;
    TJpegRead rgb;
    JpegReadInto(rgb, JpegFixture(c.file));
    ASSERT_FALSE(rgb.aborted);
    ASSERT_EQ(rgb.image->GetPixelFormat(), vqRGB24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* k = stored.data() + (std::size_t(y) * w + x) * 4;
        const Byte* p = rgb.image->GetScanline(y) + 3 * x;
        ASSERT_EQ(p[0], k[2] * k[3] / 255) << x << "," << y;
        ASSERT_EQ(p[1], k[1] * k[3] / 255) << x << "," << y;
        ASSERT_EQ(p[2], k[0] * k[3] / 255) << x << "," << y;
      }
  }
}

TEST(JpegFilter, CmykWithoutAdobesMarkerHoldsPlainInks) {
  const JpegBytes adobe = JpegFixture("cmyk_adobe.jpg");
  const JpegBytes plain = JpegWithoutSegments(adobe, 0xEE);
  ASSERT_LT(plain.size(), adobe.size());
  const std::vector<std::uint8_t> stored = JpegStoredCmyk("cmyk_adobe.cmyk");
  TJpegRead r;
  r.params->NativePixelFormat = true;
  JpegReadInto(r, plain);
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.image->GetPixelFormat(), vqCMYK);
  for (int y = 0; y < 29; ++y) {
    const Byte* row = r.image->GetScanline(y);
    for (int i = 0; i < 37 * 4; ++i) ASSERT_EQ(row[i], 255 - stored[std::size_t(y) * 37 * 4 + i]) << y << " " << i;
  }
}

TEST(JpegFilter, FindsTheStartWithinTheFirstHundredBytesOnly) {
  const JpegBytes jpeg = JpegFixture("baseline.jpg");
  for (int pad : {0, 1, 99, 100}) {
    SCOPED_TRACE(pad);
    JpegBytes bytes(std::size_t(pad), 0x20);
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
    EXPECT_EQ(FindJpegStart(&s), pad < 100 ? pad : -1);
    EXPECT_EQ(s.Position(), 0);
    TJpegRead r;
    JpegReadInto(r, bytes);
    EXPECT_EQ(r.aborted, pad >= 100);
    if (pad < 100) JpegExpectSame(JpegDecoded(r.image.get()), JpegExpected("baseline.ppm"));
  }
}

// The JFIF header the codec writes, with its density fields changed.
JpegBytes JpegWithDensity(int unit, int x, int y) {
  auto picture = JpegPicture(16, 16);
  TIOParamsVals p(nullptr);
  bool aborted = false;
  JpegBytes b = JpegWrite(picture.get(), p, &aborted);
  EXPECT_FALSE(aborted);
  EXPECT_EQ(std::memcmp(b.data() + 6, "JFIF", 5), 0);
  b[13] = std::uint8_t(unit);
  b[14] = std::uint8_t(x >> 8), b[15] = std::uint8_t(x);
  b[16] = std::uint8_t(y >> 8), b[17] = std::uint8_t(y);
  return b;
}

TEST(JpegFilter, DensityBecomesTheResolution) {
  struct TDensityCase {
    int unit, x, y;
    int dpiX, dpiY;
  } cases[] = {
      {2, 118, 118, 299, 299}, {0, 1, 1, 1, 1}, {1, 72, 96, 72, 96}, {3, 50, 50, 777, 777},
  };
  for (const TDensityCase& c : cases) {
    SCOPED_TRACE(c.unit);
    TJpegRead r;
    r.params->SetDpiX(777);
    r.params->SetDpiY(777);
    JpegReadInto(r, JpegWithDensity(c.unit, c.x, c.y), true);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->DpiX(), c.dpiX);
    EXPECT_EQ(r.params->DpiY(), c.dpiY);
  }
  // What is written: dots per inch, 300 for none.
  auto picture = JpegPicture(8, 8);
  TIOParamsVals p(nullptr);
  p.SetDpiX(0);
  p.SetDpiY(150);
  bool aborted = false;
  const JpegBytes b = JpegWrite(picture.get(), p, &aborted);
  EXPECT_EQ(b[13], 1);
  EXPECT_EQ(b[14] << 8 | b[15], 300);
  EXPECT_EQ(b[16] << 8 | b[17], 150);
}

std::string JpegMarkerText(const TVQMarkerList& m, int i) {
  return std::string(reinterpret_cast<const char*>(m.GetMarkerData(i)), std::size_t(m.GetMarkerLength(i)));
}

TEST(JpegFilter, MarkersAndTheProfileComeInAndGoBackOut) {
  TJpegRead r;
  JpegReadInto(r, JpegFixture("markers.jpg"));
  ASSERT_FALSE(r.aborted);
  const TVQMarkerList& m = *r.params->JpegMarkers;
  // The JFIF header is left out: the writer's codec writes its own.
  ASSERT_EQ(m.GetCount(), 2);
  EXPECT_EQ(m.GetMarkerType(0), 0xE2);
  EXPECT_EQ(m.GetMarkerType(1), 0xFE);
  EXPECT_EQ(JpegMarkerText(m, 1), "Lumiqa marker test");
  ASSERT_EQ(r.params->InputICC->Length(), 2576);
  ASSERT_EQ(m.GetMarkerLength(0), 2576 + 14);
  EXPECT_EQ(std::memcmp(r.params->InputICC->Data(), m.GetMarkerData(0) + 14, 2576), 0);

  // An EXIF block, a second APP0 and an Adobe marker join them.
  const std::string exif("Exif\0\0II*\0\x08\0\0\0\0\0\0\0\0\0", 20);
  r.params->JpegMarkers->AddMarker(0xE1, exif.data(), int(exif.size()));
  r.params->JpegMarkers->AddMarker(0xE0, "JFXX\0\x13", 6);
  r.params->JpegMarkers->AddMarker(0xEE, "Adobe\0\0\0\0\0\0\0", 12);
  bool aborted = false;
  const JpegBytes out = JpegWrite(r.image.get(), *r.params, &aborted);
  ASSERT_FALSE(aborted);
  // One profile only: the markers carry it.
  int app2 = 0, app14 = 0;
  for (auto [code, at] : JpegSegments(out)) {
    app2 += code == 0xE2;
    app14 += code == 0xEE;
  }
  EXPECT_EQ(app2, 1);
  EXPECT_EQ(app14, 0);  // YCbCr output needs none
  TJpegRead back;
  JpegReadInto(back, out);
  ASSERT_FALSE(back.aborted);
  const TVQMarkerList& b = *back.params->JpegMarkers;
  // Only the leading JFIF header is left out; a later APP0 stays.
  ASSERT_EQ(b.GetCount(), 4);
  EXPECT_EQ(b.GetMarkerType(0), 0xE2);
  EXPECT_EQ(b.GetMarkerType(1), 0xFE);
  EXPECT_EQ(JpegMarkerText(b, 1), "Lumiqa marker test");
  EXPECT_EQ(b.GetMarkerType(2), 0xE1);
  EXPECT_EQ(JpegMarkerText(b, 2), exif);
  EXPECT_EQ(b.GetMarkerType(3), 0xE0);
  EXPECT_EQ(JpegMarkerText(b, 3), std::string("JFXX\0\x13", 6));
  EXPECT_EQ(back.params->InputICC->Length(), 2576);
}

TEST(JpegFilter, AProfileOnlyInTheBlockIsWrittenInChunks) {
  auto picture = JpegPicture(24, 16);
  TIOParamsVals p(nullptr);
  std::vector<Byte> profile(100000);
  for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = Byte(i * 7 + i / 300);
  p.InputICC->LoadFromBuffer(profile.data(), Int64(profile.size()));
  bool aborted = false;
  const JpegBytes out = JpegWrite(picture.get(), p, &aborted);
  ASSERT_FALSE(aborted);
  TJpegRead r;
  JpegReadInto(r, out, true);
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.params->InputICC->Length(), Int64(profile.size()));
  EXPECT_EQ(std::memcmp(r.params->InputICC->Data(), profile.data(), profile.size()), 0);
  ASSERT_EQ(r.params->JpegMarkers->GetCount(), 2);
  EXPECT_EQ(r.params->JpegMarkers->GetMarkerType(1), 0xE2);
}

TEST(JpegFilter, TheWritersSettingsReachTheFile) {
  auto picture = JpegPicture(64, 48);
  struct TWriteCase {
    Byte colorSpace;
    int readBack, samples;
    TVQPixelFormat native;
    double tolerance;  // mean difference
  } cases[] = {
      {0, 0, 3, vqRGB24, 1.5}, {1, 1, 1, vqRGB24, 255}, {2, 2, 3, vqRGB24, 4},
      {3, 3, 4, vqCMYK, 4},    {4, 4, 4, vqCMYK, 4},    {9, 0, 3, vqRGB24, 1.5},
  };
  for (const TWriteCase& c : cases) {
    SCOPED_TRACE(int(c.colorSpace));
    TIOParamsVals p(nullptr);
    p.JpegColorSpace = c.colorSpace;
    p.JpegQuality = 95;
    bool aborted = false;
    const JpegBytes out = JpegWrite(picture.get(), p, &aborted);
    ASSERT_FALSE(aborted);
    TJpegRead r;
    JpegReadInto(r, out);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->JpegColorSpace, c.readBack);
    EXPECT_EQ(r.params->SamplesPerPixel, c.samples);
    EXPECT_EQ(r.image->GetPixelFormat(), vqRGB24);
    EXPECT_LE(JpegMeanDifference(r.image.get(), picture.get()), c.tolerance);
    // Our own CMYK reads back as the library's CMYK form.
    TJpegRead n;
    n.params->NativePixelFormat = true;
    JpegReadInto(n, out);
    EXPECT_EQ(n.image->GetPixelFormat(), c.native);
  }
}

TEST(JpegFilter, ProgressiveHuffmanSmoothingAndDctChangeTheFile) {
  auto picture = JpegPicture(64, 48);
  auto write = [&](auto change) {
    TIOParamsVals p(nullptr);
    p.JpegQuality = 90;
    change(p);
    bool aborted = false;
    JpegBytes out = JpegWrite(picture.get(), p, &aborted);
    EXPECT_FALSE(aborted);
    return out;
  };
  const JpegBytes plain = write([](TIOParamsVals&) {});
  const JpegBytes progressive = write([](TIOParamsVals& p) { p.JpegProgressive = true; });
  const JpegBytes optimal = write([](TIOParamsVals& p) { p.JpegOptimalHuffman = true; });
  const JpegBytes smooth = write([](TIOParamsVals& p) { p.JpegSmoothing = 60; });
  const JpegBytes fast = write([](TIOParamsVals& p) { p.JpegDctMethod = 1; });
  const JpegBytes worse = write([](TIOParamsVals& p) { p.JpegQuality = 30; });
  TJpegRead r;
  JpegReadInto(r, progressive, true);
  EXPECT_TRUE(r.params->JpegProgressive);
  JpegReadInto(r, plain, true);
  EXPECT_FALSE(r.params->JpegProgressive);
  EXPECT_LT(optimal.size(), plain.size());
  EXPECT_LT(worse.size(), plain.size());
  EXPECT_NE(smooth, plain);
  EXPECT_NE(fast, plain);
  // Optimal tables change the coding, not the picture.
  TJpegRead a, b;
  JpegReadInto(a, plain);
  JpegReadInto(b, optimal);
  EXPECT_EQ(JpegMaxDifference(a.image.get(), b.image.get()), 0);
}

TEST(JpegFilter, ImagesOfOtherFormatsAreWrittenFromAColourCopy) {
  // The codec reads three bytes a pixel: any other row would be read past.
  for (TVQPixelFormat format : {vqBits1, vqGray8, vqPalette8, vqCMYK}) {
    SCOPED_TRACE(int(format));
    TVQBitmap image;
    image.Allocate(20, 10, format);
    for (int y = 0; y < 10; ++y)
      std::memset(image.GetScanline(y), y < 5 ? 0xF0 : 0x0F, std::size_t(image.GetRowLength()));
    TIOParamsVals p(nullptr);
    bool aborted = false;
    const JpegBytes out = JpegWrite(&image, p, &aborted);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(image.GetPixelFormat(), format);
    TJpegRead r;
    JpegReadInto(r, out);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->SamplesPerPixel, 3);
    EXPECT_EQ(r.image->GetWidth(), 20);
    EXPECT_EQ(r.image->GetHeight(), 10);
  }
}

// A JPEG whose components name no colour space, written by libjpeg itself.
JpegBytes JpegUnknownComponents(int components) {
  jpeg_compress_struct ci;
  jpeg_error_mgr err;
  ci.err = jpeg_std_error(&err);
  jpeg_create_compress(&ci);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&ci, &mem, &size);
  ci.image_width = 16;
  ci.image_height = 8;
  ci.input_components = components;
  ci.in_color_space = JCS_UNKNOWN;
  jpeg_set_defaults(&ci);
  jpeg_set_colorspace(&ci, JCS_UNKNOWN);
  jpeg_start_compress(&ci, TRUE);
  std::vector<JSAMPLE> row(std::size_t(16) * components, 100);
  JSAMPROW rows[1] = {row.data()};
  while (ci.next_scanline < ci.image_height) jpeg_write_scanlines(&ci, rows, 1);
  jpeg_finish_compress(&ci);
  JpegBytes out(mem, mem + size);
  jpeg_destroy_compress(&ci);
  std::free(mem);
  return out;
}

TEST(JpegFilter, ComponentsTheRowsCannotHoldAbort) {
  // Two samples a pixel would leave a third of every row unwritten.
  const JpegBytes file = JpegUnknownComponents(2);
  TJpegRead r;
  JpegReadInto(r, file);
  EXPECT_TRUE(r.aborted);
  TJpegRead params;
  JpegReadInto(params, file, true);
  EXPECT_FALSE(params.aborted);
  EXPECT_EQ(params.params->Width, 16);
}

TEST(JpegFilter, AFileOfThousandsOfScansIsRefused) {
  // The last scan again and again: libjpeg only warns about the progression.
  const JpegBytes good = JpegFixture("progressive.jpg");
  std::size_t last = 0;
  for (std::size_t i = 0; i + 1 < good.size(); ++i)
    if (good[i] == 0xFF && good[i + 1] == 0xDA) last = i;
  ASSERT_GT(last, 0u);
  const std::size_t eoi = good.size() - 2;
  ASSERT_EQ(good[eoi + 1], 0xD9);
  auto withScans = [&](int copies) {
    JpegBytes b(good.begin(), good.begin() + std::ptrdiff_t(eoi));
    for (int i = 0; i < copies; ++i) b.insert(b.end(), good.begin() + std::ptrdiff_t(last), good.begin() + std::ptrdiff_t(eoi));
    b.push_back(0xFF), b.push_back(0xD9);
    return b;
  };
  TJpegRead some;
  JpegReadInto(some, withScans(20));
  EXPECT_FALSE(some.aborted);
  TJpegRead many;
  JpegReadInto(many, withScans(1000));
  EXPECT_TRUE(many.aborted);
}

TEST(JpegFilter, NothingIsWrittenForAnEmptyImage) {
  TVQBitmap empty;
  TIOParamsVals p(nullptr);
  bool aborted = false;
  EXPECT_TRUE(JpegWrite(&empty, p, &aborted).empty());
  EXPECT_TRUE(aborted);
}

// Takes the first limit bytes, then refuses.
class TJpegShortStream : public TMemoryStream {
 public:
  explicit TJpegShortStream(std::int64_t limit) : limit_(limit) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t room = std::max<std::int64_t>(0, limit_ - Size());
    return TMemoryStream::Write(buffer, std::min(count, room));
  }

 private:
  std::int64_t limit_;
};

TEST(JpegFilter, AShortWriteAbortsWithoutRaising) {
  auto picture = JpegPicture(600, 400);
  TIOParamsVals p(nullptr);
  p.JpegQuality = 100;
  TJpegShortStream s(1000);
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  int calls = 0;
  progress.OnProgress = [&calls](TObject*, int) { ++calls; };
  EXPECT_NO_THROW(SaveJpegImage(&s, picture.get(), p, progress));
  EXPECT_TRUE(aborted);
  EXPECT_LT(calls, 400);  // it stopped taking rows
}

TEST(JpegFilter, ACodecErrorWhileWritingRaisesWithTheAbortFlagSet) {
  auto picture = JpegPicture(8, 8);
  TIOParamsVals p(nullptr);
  std::vector<Byte> huge(65535, 'x');
  p.JpegMarkers->AddMarker(0xFE, huge.data(), int(huge.size()));
  TMemoryStream s;
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  try {
    SaveJpegImage(&s, picture.get(), p, progress);
    ADD_FAILURE() << "no exception";
  } catch (const EVQJpegException& e) {
    EXPECT_EQ(e.Message(), "Bogus marker length");
  }
  EXPECT_TRUE(aborted);
}

TEST(JpegFilter, MessageTextsFollowTheClassicTable) {
  EXPECT_EQ(JpegMessageText(0), "Bogus message code ?");
  EXPECT_EQ(JpegMessageText(1), "Sorry, there are legal restrictions on arithmetic coding");
  EXPECT_EQ(JpegMessageText(2), "ALIGN_TYPE is wrong, please fix");
  EXPECT_EQ(JpegMessageText(JERR_NO_SOI), "Not a JPEG file: starts with 0x? 0x?");
  EXPECT_EQ(JpegMessageText(73), "");
  EXPECT_EQ(JpegMessageText(74), "");
  EXPECT_EQ(JpegMessageText(122), "Invalid SOS parameters for sequential JPEG");
  EXPECT_EQ(JpegMessageText(123), "Application transferred too many scanlines");
  EXPECT_EQ(JpegMessageText(124), "Corrupted");
  EXPECT_EQ(JpegMessageText(-1), "Corrupted");
}

TEST(JpegFilter, DataCutInsideTheScanWarnsAndGivesEveryRow) {
  // Restart intervals meet the end where a restart marker was due.
  const std::pair<const char*, int> cases[] = {
      {"baseline.jpg", JWRN_HIT_MARKER}, {"progressive.jpg", JWRN_HIT_MARKER}, {"restart.jpg", JWRN_MUST_RESYNC}};
  for (auto [name, warning] : cases) {
    SCOPED_TRACE(name);
    JpegBytes b = JpegFixture(name);
    // Halfway through the first scan's coded data.
    const auto segments = JpegSegments(b);
    ASSERT_EQ(segments.back().first, 0xDA);
    const std::size_t sos = segments.back().second;
    std::size_t data = sos + 2 + (std::size_t(b[sos + 2]) << 8 | b[sos + 3]), end = data;
    while (end + 1 < b.size() && !(b[end] == 0xFF && b[end + 1] != 0 && (b[end + 1] & 0xF8) != 0xD0)) ++end;
    b.resize((data + end) / 2);
    TJpegRead r;
    JpegReadInto(r, b);
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(r.image->GetHeight(), 29);
    EXPECT_GT(r.params->JpegWarningCount, 0);
    EXPECT_EQ(r.params->JpegLastWarning, warning);
    ASSERT_FALSE(r.percents.empty());
    EXPECT_EQ(r.percents.back(), 100);
  }
}

TEST(JpegFilter, DamagedAndEmptyInputAborts) {
  const JpegBytes good = JpegFixture("baseline.jpg");
  std::size_t sof = 0;
  for (auto [code, at] : JpegSegments(good))
    if (code == 0xC0) sof = at;
  ASSERT_GT(sof, 0u);
  struct TDamage {
    const char* what;
    JpegBytes bytes;
    bool inHeader;  // a params-only read sees it too
  };
  std::vector<TDamage> cases;
  cases.push_back({"empty", {}, true});
  cases.push_back({"start only", JpegBytes(good.begin(), good.begin() + 3), true});
  cases.push_back({"cut in the headers", JpegBytes(good.begin(), good.begin() + std::ptrdiff_t(sof + 6)), true});
  JpegBytes precision = good;
  precision[sof + 4] = 12;
  cases.push_back({"12-bit samples", precision, true});
  JpegBytes zeroWidth = good;
  zeroWidth[sof + 7] = 0, zeroWidth[sof + 8] = 0;
  cases.push_back({"no width", zeroWidth, true});
  JpegBytes components = good;
  components[sof + 9] = 0;
  cases.push_back({"no components", components, true});
  cases.push_back({"no quantisation tables", JpegWithoutSegments(good, 0xDB), false});
  for (const TDamage& d : cases) {
    SCOPED_TRACE(d.what);
    TJpegRead r;
    JpegReadInto(r, d.bytes);
    EXPECT_TRUE(r.aborted);
    TJpegRead params;
    JpegReadInto(params, d.bytes, true);
    EXPECT_EQ(params.aborted, d.inHeader);
  }
}

JpegBytes JpegWithFrameSize(const char* name, int width, int height) {
  JpegBytes b = JpegFixture(name);
  for (auto [code, at] : JpegSegments(b))
    if (code == 0xC0 || code == 0xC2) {
      b[at + 5] = std::uint8_t(height >> 8), b[at + 6] = std::uint8_t(height);
      b[at + 7] = std::uint8_t(width >> 8), b[at + 8] = std::uint8_t(width);
    }
  return b;
}

TEST(JpegFilter, HugeFramesAreRefusedBeforeTheirMemoryIsTaken) {
  struct THugeCase {
    const char* file;
    Byte scale;
  } cases[] = {
      {"baseline.jpg", 1},     // 3.6 gigapixels of picture
      {"progressive.jpg", 4},  // a small picture, but gigabytes of coefficients
  };
  for (const THugeCase& c : cases) {
    SCOPED_TRACE(c.file);
    const JpegBytes b = JpegWithFrameSize(c.file, 60000, 60000);
    TJpegRead params;
    params.params->JpegScale = c.scale;
    JpegReadInto(params, b, true);
    EXPECT_FALSE(params.aborted);
    EXPECT_EQ(params.params->JpegOriginalWidth, 60000);
    TJpegRead r;
    r.params->JpegScale = c.scale;
    JpegReadInto(r, b);
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(r.image->GetWidth(), 0);
  }
}

TEST(JpegFilter, AnEmptyTablesStreamAborts) {
  TMemoryStream tables;
  TJpegRead r;
  JpegReadInto(r, JpegFixture("baseline.jpg"), false, &tables);
  EXPECT_TRUE(r.aborted);
}

TEST(JpegFilter, TablesFromAnotherStreamAreKept) {
  // An abbreviated image: its tables in one stream, its data in another.
  const JpegBytes full = JpegFixture("baseline.jpg");
  JpegBytes tables = {0xFF, 0xD8};
  JpegBytes image = {0xFF, 0xD8};
  std::size_t from = 2;
  for (auto [code, at] : JpegSegments(full)) {
    if (code == 0xDA) break;
    const std::size_t end = at + 2 + (std::size_t(full[at + 2]) << 8 | full[at + 3]);
    JpegBytes& to = code == 0xDB || code == 0xC4 ? tables : image;
    to.insert(to.end(), full.begin() + std::ptrdiff_t(at), full.begin() + std::ptrdiff_t(end));
    from = end;
  }
  tables.push_back(0xFF), tables.push_back(0xD9);
  image.insert(image.end(), full.begin() + std::ptrdiff_t(from), full.end());
  TJpegRead alone;
  JpegReadInto(alone, image);
  EXPECT_TRUE(alone.aborted);
  TMemoryStream t;
  t.WriteBuffer(tables.data(), std::int64_t(tables.size()));
  t.SetPosition(0);
  TJpegRead r;
  JpegReadInto(r, image, false, &t);
  ASSERT_FALSE(r.aborted);
  JpegExpectSame(JpegDecoded(r.image.get()), JpegExpected("baseline.ppm"));
}

TEST(JpegFilter, WithoutColourConversionTheStoredComponentsComeOut) {
  TJpegRead plain, raw;
  JpegReadInto(plain, JpegFixture("baseline.jpg"));
  JpegReadInto(raw, JpegFixture("baseline.jpg"), false, nullptr, true);
  ASSERT_FALSE(raw.aborted);
  // Y, Cb, Cr of a pixel give back its colour by the JFIF equations.
  for (int x : {0, 17, 36}) {
    const Byte* ycc = raw.image->GetScanline(11) + 3 * x;
    const Byte* bgr = plain.image->GetScanline(11) + 3 * x;
    const double r = ycc[0] + 1.402 * (ycc[2] - 128);
    const double b = ycc[0] + 1.772 * (ycc[1] - 128);
    EXPECT_NEAR(bgr[2], std::clamp(r, 0.0, 255.0), 1.5);
    EXPECT_NEAR(bgr[0], std::clamp(b, 0.0, 255.0), 1.5);
  }
}

TEST(JpegFilter, ParamsOnlyLeavesTheImageAlone) {
  TJpegRead r;
  r.image->Allocate(3, 3, vqGray8);
  JpegReadInto(r, JpegFixture("progressive.jpg"), true);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.image->GetWidth(), 3);
  EXPECT_EQ(r.image->GetPixelFormat(), vqGray8);
  EXPECT_EQ(r.params->Width, 37);
  EXPECT_EQ(r.params->Height, 29);
  EXPECT_TRUE(r.params->JpegProgressive);
  EXPECT_TRUE(r.percents.empty());
}

TEST(JpegFilter, AbortFromProgressStopsTheRows) {
  TMemoryStream s;
  const JpegBytes b = JpegFixture("scaled.jpg");
  s.WriteBuffer(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
  bool aborted = false;
  int rows = 0;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  progress.OnProgress = [&](TObject*, int) {
    if (++rows == 10) aborted = true;
  };
  TVQBitmap image;
  TIOParamsVals p(nullptr);
  LoadJpegImage(&s, nullptr, &image, false, false, progress, p);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(rows, 10);
}

TEST(JpegFilter, ReadsAndWritesRunOnSeveralThreadsAtOnce) {
  const JpegBytes file = JpegFixture("progressive.jpg");
  const TJpegPixels want = JpegExpected("baseline.ppm");
  std::vector<int> same(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        TJpegRead r;
        JpegReadInto(r, file);
        bool aborted = false;
        const JpegBytes out = JpegWrite(r.image.get(), *r.params, &aborted);
        TJpegRead back;
        JpegReadInto(back, out);
        const TJpegPixels got = JpegDecoded(r.image.get());
        same[std::size_t(t)] += !r.aborted && !aborted && !back.aborted && got.rgb == want.rgb;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(same, std::vector<int>(4, 5));
}

TEST(JpegFilter, TheComponentLoadsAndSavesJpegFilesAndStreams) {
  InstallJpegFilter();
  char dir[] = "/tmp/jpegfiltXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string out = std::string(dir) + "/x.jpg";
  TPictoraIO io(nullptr);
  io.LoadFromFile(std::string(LUMIQA_TEST_DATA) + "/jpeg/baseline.jpg");
  ASSERT_FALSE(io.Aborting);
  JpegExpectSame(JpegDecoded(io.Image()), JpegExpected("baseline.ppm"));
  EXPECT_EQ(io.Parameters()->FileType, ioJPEG);
  io.Parameters()->JpegQuality = 100;
  io.SaveToFile(out);
  ASSERT_FALSE(io.Aborting);
  TPictoraIO back(nullptr);
  back.LoadFromFile(out);
  ASSERT_FALSE(back.Aborting);
  EXPECT_LE(JpegMeanDifference(back.Image(), io.Image()), 3);

  // Two images in one stream, each behind its header.
  TMemoryStream s;
  io.StreamHeaders = true;
  io.SaveToStreamFormat(&s, ioJPEG);
  io.SaveToStreamFormat(&s, ioJPEG);
  ASSERT_FALSE(io.Aborting);
  s.SetPosition(0);
  TPictoraIO fromStream(nullptr);
  fromStream.LoadFromStream(&s);
  ASSERT_FALSE(fromStream.Aborting);
  const std::int64_t second = s.Position();
  EXPECT_EQ(second, s.Size() / 2);
  fromStream.LoadFromStream(&s);
  ASSERT_FALSE(fromStream.Aborting);
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(fromStream.Image()->GetWidth(), 37);
  unlink(out.c_str());
  rmdir(dir);
}

}  // namespace

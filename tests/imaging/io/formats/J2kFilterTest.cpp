// The JPEG 2000 filter: files made by OpenJPEG's own tools read to the
// pixels those tools decode, our files read back, the encoder's options,
// progress, abort and hostile input.
#include <gtest/gtest.h>
#include <openjpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqj2000.h"
#include "imaging/io/formats/vqj2000_stream.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/Streams.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using J2kBytes = std::vector<std::uint8_t>;

J2kBytes J2kFixture(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/jpeg2000/" + name, std::ios::binary);
  return J2kBytes(std::istreambuf_iterator<char>(f), {});
}

// The abort flag and the progress calls of one filter call; the hook may
// set the flag from a progress call.
struct TJ2kRun {
  bool abort = false;
  std::vector<int> progress;
  std::function<void(TJ2kRun&)> hook;
  TVQProgressRec Rec() {
    TVQProgressRec p;
    p.Aborting = &abort;
    p.OnProgress = [this](TObject*, int per) {
      progress.push_back(per);
      if (hook) hook(*this);
    };
    return p;
  }
};

struct TJ2kLoaded : TJ2kRun {
  TVQBitmap image;
  TIOParamsVals params{nullptr};
};

void J2kLoadFrom(TStream& s, TJ2kLoaded& out, bool paramsOnly = false) {
  TVQProgressRec p = out.Rec();
  LoadJ2kImage(s, &out.image, out.params, paramsOnly, p);
}

void J2kLoad(const J2kBytes& bytes, TJ2kLoaded& out, bool paramsOnly = false, std::int64_t at = 0) {
  TMemoryStream s;
  const J2kBytes pad(std::size_t(at), 0xEE);
  if (at) s.Write(pad.data(), at);
  s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(at);
  J2kLoadFrom(s, out, paramsOnly);
}

void J2kSaveInto(TStream& s, TVQBitmap& img, TIOParamsVals& params, int format, TJ2kRun& run) {
  TVQProgressRec p = run.Rec();
  SaveJ2kImage(s, &img, params, format, p);
}

J2kBytes J2kSave(TVQBitmap& img, TIOParamsVals& params, int format, TJ2kRun& run) {
  TMemoryStream s;
  J2kSaveInto(s, img, params, format, run);
  const auto* m = static_cast<const std::uint8_t*>(s.Memory());
  return J2kBytes(m, m + s.Size());
}

J2kBytes J2kSave(TVQBitmap& img, TIOParamsVals& params, int format, bool& abort) {
  TJ2kRun run;
  run.abort = abort;
  J2kBytes b = J2kSave(img, params, format, run);
  abort = run.abort;
  return b;
}

// Pixels top row first as 0xRRGGBB (1-bit images: 0 or 1).
std::vector<std::uint32_t> J2kPixels(TVQBitmap& img) {
  std::vector<std::uint32_t> v;
  for (int y = 0; y < img.GetHeight(); ++y) {
    const Byte* r = img.GetScanline(y);
    for (int x = 0; x < img.GetWidth(); ++x) {
      if (img.GetPixelFormat() == vqBits1)
        v.push_back((r[x >> 3] >> (7 - (x & 7))) & 1);
      else
        v.push_back(std::uint32_t(r[x * 3 + 2]) << 16 | std::uint32_t(r[x * 3 + 1]) << 8 | r[x * 3]);
    }
  }
  return v;
}

void J2kFill(TVQBitmap& img, int w, int h, const std::function<std::uint32_t(int, int)>& rgb) {
  img.Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y) {
    Byte* r = img.GetScanline(y);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = rgb(x, y);
      r[x * 3] = Byte(c), r[x * 3 + 1] = Byte(c >> 8), r[x * 3 + 2] = Byte(c >> 16);
    }
  }
}

std::uint32_t J2kNoise(int x, int y) {
  std::uint32_t v = std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u;
  v ^= v >> 13;
  v *= 0x5bd1e995u;
  return (v ^ (v >> 15)) & 0xFFFFFF;
}

// ---- files of OpenJPEG's tools ----------------------------------------------------

// The planes the tools' decoder wrote (component after component, each at
// its own size, little-endian above 8 bits) as the filter shows them.
struct TJ2kCrossCase {
  const char* file;
  int width, height;
  int planes;             // components in the .raw file
  int prec;
  bool sgnd;
  int sub;                // chroma step of planes 1 and 2
  int bits, samples;      // BitsPerSample and SamplesPerPixel read
  bool oneBit;
};

std::uint32_t J2kTo8(std::int64_t v, int prec, bool sgnd) {
  if (sgnd) v += std::int64_t(1) << (prec - 1);
  const std::int64_t m = (std::int64_t(1) << prec) - 1;
  return prec >= 8 ? std::uint32_t(v >> (prec - 8)) : std::uint32_t((v * 255 + m / 2) / m);
}

std::vector<std::uint32_t> J2kExpected(const TJ2kCrossCase& c) {
  const J2kBytes raw = J2kFixture(std::string(c.file).substr(0, std::string(c.file).find('.')) + ".raw");
  const int bytes = c.prec > 8 ? 2 : 1;
  std::vector<std::vector<std::int64_t>> planes;
  std::size_t at = 0;
  for (int i = 0; i < c.planes; ++i) {
    const int step = i == 0 ? 1 : c.sub;
    const int pw = (c.width + step - 1) / step, ph = (c.height + step - 1) / step;
    std::vector<std::int64_t> p;
    for (int k = 0; k < pw * ph; ++k, at += std::size_t(bytes)) {
      std::int64_t v = bytes == 2 ? raw.at(at) | raw.at(at + 1) << 8 : raw.at(at);
      if (c.sgnd && v >= (std::int64_t(1) << (8 * bytes - 1))) v -= std::int64_t(1) << (8 * bytes);
      p.push_back(v);
    }
    planes.push_back(p);
  }
  EXPECT_EQ(at, raw.size()) << c.file;
  std::vector<std::uint32_t> out;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      auto sample = [&](int i) {
        const int step = i == 0 ? 1 : c.sub;
        const int pw = (c.width + step - 1) / step;
        return J2kTo8(planes[std::size_t(i)][std::size_t((y / step) * pw + x / step)], c.prec, c.sgnd);
      };
      if (c.oneBit)
        out.push_back(planes[0][std::size_t(y * c.width + x)] != 0);
      else if (c.samples == 1)
        out.push_back(sample(0) * 0x010101u);
      else
        out.push_back(sample(0) << 16 | sample(1) << 8 | sample(2));
    }
  return out;
}

TEST(J2kCrossRead, FilesOfOpenJpegToolsReadToTheirPixels) {
  const TJ2kCrossCase cases[] = {
      {"rgb_lossless.j2k", 29, 19, 3, 8, false, 1, 8, 3, false},
      {"rgb_lossy.j2k", 29, 19, 3, 8, false, 1, 8, 3, false},
      {"rgb_irrev.j2k", 29, 19, 3, 8, false, 1, 8, 3, false},
      {"rgb_tiled_rlcp.j2k", 29, 19, 3, 8, false, 1, 8, 3, false},
      {"rgb.jp2", 29, 19, 3, 8, false, 1, 8, 3, false},
      {"offset.j2k", 29, 19, 3, 8, false, 1, 8, 3, false},
      {"rgba.j2k", 14, 10, 4, 8, false, 1, 8, 3, false},
      {"sub.j2k", 16, 12, 3, 8, false, 2, 8, 3, false},
      {"grey8.jp2", 31, 13, 1, 8, false, 1, 8, 1, false},
      {"grey16.jp2", 17, 11, 1, 16, false, 1, 16, 1, false},
      {"grey4.j2k", 13, 7, 1, 4, false, 1, 4, 1, false},
      {"signed.j2k", 12, 10, 1, 8, true, 1, 8, 1, false},
      {"bits1.j2k", 35, 9, 1, 1, false, 1, 1, 1, true},
  };
  for (const TJ2kCrossCase& c : cases) {
    SCOPED_TRACE(c.file);
    TJ2kLoaded r;
    J2kLoad(J2kFixture(c.file), r);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(r.params.Width, c.width);
    EXPECT_EQ(r.params.Height, c.height);
    EXPECT_EQ(r.params.BitsPerSample, c.bits);
    EXPECT_EQ(r.params.SamplesPerPixel, c.samples);
    EXPECT_EQ(r.image.GetPixelFormat(), c.oneBit ? vqBits1 : vqRGB24);
    EXPECT_EQ(J2kPixels(r.image), J2kExpected(c));
    TJ2kLoaded header;
    J2kLoad(J2kFixture(c.file), header, true);
    ASSERT_FALSE(header.abort);
    EXPECT_EQ(header.params.Width, c.width);
    EXPECT_EQ(header.params.Height, c.height);
    EXPECT_EQ(header.params.BitsPerSample, c.bits);
    EXPECT_EQ(header.params.SamplesPerPixel, c.samples);
  }
}

TEST(J2kCrossRead, NarrowSamplesReachWhite) {
  // The 4-bit file's values run 0 to 15; 15 must read as 255, not 240.
  TJ2kLoaded r;
  J2kLoad(J2kFixture("grey4.j2k"), r);
  ASSERT_FALSE(r.abort);
  const std::vector<std::uint32_t> px = J2kPixels(r.image);
  EXPECT_EQ(px[51], 0xFFFFFFu);  // x 12, y 3: 15
  EXPECT_EQ(px[1], 0x111111u);   // 1
}

TEST(J2kRead, HeaderOnlyFillsTheBlockAndLeavesTheImage) {
  TJ2kLoaded r;
  const TRGBPixel map[2] = {{1, 2, 3}, {4, 5, 6}};
  r.params.SetColorMap(map, 2);
  r.params.SetDpiX(72);
  J2kLoad(J2kFixture("grey16.jp2"), r, true);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(r.params.Width, 17);
  EXPECT_EQ(r.params.Height, 11);
  EXPECT_EQ(r.params.BitsPerSample, 16);
  EXPECT_EQ(r.params.SamplesPerPixel, 1);
  EXPECT_EQ(r.params.DpiX(), kIODefaultDpi);
  EXPECT_EQ(r.params.ColorMapCount(), 0);
  EXPECT_TRUE(r.image.IsEmpty());
  EXPECT_TRUE(r.progress.empty());
}

TEST(J2kRead, ReadsFromTheStreamsPosition) {
  TJ2kLoaded r;
  J2kLoad(J2kFixture("rgb.jp2"), r, false, 37);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(J2kPixels(r.image), J2kExpected({"rgb.jp2", 29, 19, 3, 8, false, 1, 8, 3, false}));
}

TEST(J2kRead, FileBackedPicturesReadAndWrite) {
  const std::vector<std::uint32_t> expected = J2kExpected({"rgb.jp2", 29, 19, 3, 8, false, 1, 8, 3, false});
  auto img = bitmaptest::NewBitmap(vqTempFile);
  TMemoryStream s;
  const J2kBytes b = J2kFixture("rgb.jp2");
  s.Write(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
  TIOParamsVals params(nullptr);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  LoadJ2kImage(s, img.get(), params, false, p);
  ASSERT_FALSE(abort);
  ASSERT_EQ(img->Location(), vqTempFile);
  EXPECT_EQ(J2kPixels(*img), expected);
  TIOParamsVals out(nullptr);
  const J2kBytes saved = J2kSave(*img, out, kJ2kFormatJpc, abort);
  ASSERT_FALSE(abort);
  TJ2kLoaded r;
  J2kLoad(saved, r);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(J2kPixels(r.image), expected);
}

TEST(J2kRead, ProgressAfterEachRow) {
  TJ2kLoaded r;
  J2kLoad(J2kFixture("grey8.jp2"), r);
  ASSERT_FALSE(r.abort);
  std::vector<int> expected;
  for (int y = 0; y < 13; ++y) expected.push_back(y * 100 / 13);
  EXPECT_EQ(r.progress, expected);
}

TEST(J2kRead, AbortFromProgressStopsTheRows) {
  TJ2kLoaded r;
  r.hook = [](TJ2kRun& run) { run.abort = run.progress.size() == 4; };
  J2kLoad(J2kFixture("rgb_lossless.j2k"), r);
  EXPECT_TRUE(r.abort);
  EXPECT_EQ(r.progress.size(), 4u);
}

// Sets the abort flag once the reader has taken some bytes, as a user's
// cancel during decoding does.
class TJ2kCancellingStream : public TMemoryStream {
 public:
  bool* flag = nullptr;
  std::int64_t after = 0;
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = TMemoryStream::Read(buffer, count);
    if (Position() > after) *flag = true;
    return n;
  }
};

TEST(J2kRead, AbortWhileDecodingEndsTheRead) {
  const J2kBytes b = J2kFixture("rgb_tiled_rlcp.j2k");
  TJ2kCancellingStream s;
  s.Write(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
  TJ2kLoaded r;
  s.flag = &r.abort;
  s.after = 100;
  J2kLoadFrom(s, r);
  EXPECT_TRUE(r.abort);
  EXPECT_TRUE(r.progress.empty());
}

class TJ2kFailingStream : public TMemoryStream {
 public:
  std::int64_t readLimit = std::numeric_limits<std::int64_t>::max();
  std::int64_t writeLimit = std::numeric_limits<std::int64_t>::max();
  bool raise = false;
  std::int64_t Read(void* buffer, std::int64_t count) override {
    if (Position() + count > readLimit) {
      if (raise) throw EReadError("disk gone");
      count = std::max<std::int64_t>(0, readLimit - Position());
    }
    return TMemoryStream::Read(buffer, count);
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (Position() + count > writeLimit) {
      if (raise) throw EWriteError("disk full");
      count = std::max<std::int64_t>(0, writeLimit - Position());
    }
    return TMemoryStream::Write(buffer, count);
  }
};

TEST(J2kRead, StreamErrorsEndWithTheAbortFlag) {
  const J2kBytes b = J2kFixture("rgb.jp2");
  for (bool raise : {false, true}) {
    SCOPED_TRACE(raise);
    TJ2kFailingStream s;
    s.Write(b.data(), std::int64_t(b.size()));
    s.SetPosition(0);
    s.readLimit = 200;
    s.raise = raise;
    TJ2kLoaded r;
    EXPECT_NO_THROW(J2kLoadFrom(s, r));
    EXPECT_TRUE(r.abort);
  }
}

TEST(J2kRead, TruncatedFilesEndWithTheAbortFlag) {
  for (const char* name : {"rgb_lossless.j2k", "rgb.jp2", "grey16.jp2", "rgb_tiled_rlcp.j2k", "bits1.j2k"}) {
    const J2kBytes whole = J2kFixture(name);
    for (std::size_t keep : {std::size_t(3), std::size_t(12), std::size_t(40), whole.size() / 2, whole.size() - 3}) {
      SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(keep));
      TJ2kLoaded r;
      J2kLoad(J2kBytes(whole.begin(), whole.begin() + std::ptrdiff_t(keep)), r);
      EXPECT_TRUE(r.abort);
    }
  }
}

// Offsets of the SIZ fields in a code stream that starts FF 4F FF 51.
constexpr std::size_t kJ2kSizX = 8, kJ2kSizY = 12, kJ2kSizTileX = 24, kJ2kSizTileY = 28, kJ2kSizComps = 40;
constexpr std::size_t kJ2kSizPrec = 42;

void J2kPut32(J2kBytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (24 - 8 * i));
}

TEST(J2kRead, DamagedHeadersEndWithTheAbortFlag) {
  const J2kBytes good = J2kFixture("rgb_lossless.j2k");
  struct TDamage {
    const char* what;
    std::function<void(J2kBytes&)> damage;
  };
  const TDamage cases[] = {
      {"no signature", [](J2kBytes& b) { b[1] = 0x4E; }},
      {"zero width", [](J2kBytes& b) { J2kPut32(b, kJ2kSizX, 0); }},
      {"no components", [](J2kBytes& b) { b[kJ2kSizComps] = 0, b[kJ2kSizComps + 1] = 0; }},
      {"precision 39", [](J2kBytes& b) { b[kJ2kSizPrec] = 38; }},
      {"zero tile size", [](J2kBytes& b) { J2kPut32(b, kJ2kSizTileX, 0); }},
  };
  for (const TDamage& c : cases) {
    SCOPED_TRACE(c.what);
    J2kBytes b = good;
    c.damage(b);
    TJ2kLoaded r;
    J2kLoad(b, r);
    EXPECT_TRUE(r.abort);
  }
  // A JP2 box claiming more bytes than the file has.
  J2kBytes jp2 = J2kFixture("rgb.jp2");
  J2kPut32(jp2, 12, 0x7FFFFFF0);
  TJ2kLoaded r;
  J2kLoad(jp2, r);
  EXPECT_TRUE(r.abort);
}

TEST(J2kRead, MoreTilesThanBytesAreRefused) {
  // 29 x 65535 in 8 x 8 tiles needs 32768 tile parts; the file has room for
  // a few hundred.
  for (const char* name : {"rgb_lossless.j2k", "rgb.jp2"}) {
    SCOPED_TRACE(name);
    J2kBytes b = J2kFixture(name);
    const std::size_t at = std::string(name).find(".jp2") != std::string::npos ? 0x55 : 0;
    ASSERT_EQ(b[at + 3], 0x51);
    J2kPut32(b, at + kJ2kSizY, 65535);
    J2kPut32(b, at + kJ2kSizTileX, 8);
    J2kPut32(b, at + kJ2kSizTileY, 8);
    for (bool paramsOnly : {true, false}) {
      TJ2kLoaded r;
      J2kLoad(b, r, paramsOnly);
      EXPECT_TRUE(r.abort);
    }
  }
}

TEST(J2kRead, HugeImagesAreRefusedBeforeDecoding) {
  J2kBytes b = J2kFixture("grey4.j2k");
  ASSERT_EQ(b[3], 0x51);
  J2kPut32(b, kJ2kSizX, 20000);
  J2kPut32(b, kJ2kSizY, 20000);
  J2kPut32(b, kJ2kSizTileX, 20000);
  J2kPut32(b, kJ2kSizTileY, 20000);
  for (bool paramsOnly : {true, false}) {
    TJ2kLoaded r;
    J2kLoad(b, r, paramsOnly);
    EXPECT_TRUE(r.abort);
    EXPECT_TRUE(r.image.IsEmpty());
  }
}

// ---- colour models made through the codec itself ----------------------------------

struct TJ2kPlaneDef {
  int dx, dy, prec;
  bool sgnd;
  std::function<int(int, int)> value;  // at sample (i, j)
};

J2kBytes J2kEncodeWithCodec(int w, int h, OPJ_COLOR_SPACE space, const std::vector<TJ2kPlaneDef>& defs,
                            OPJ_CODEC_FORMAT format) {
  std::vector<opj_image_cmptparm_t> parts(defs.size());
  for (std::size_t i = 0; i < defs.size(); ++i) {
    parts[i] = {};
    parts[i].dx = OPJ_UINT32(defs[i].dx);
    parts[i].dy = OPJ_UINT32(defs[i].dy);
    parts[i].w = OPJ_UINT32((w + defs[i].dx - 1) / defs[i].dx);
    parts[i].h = OPJ_UINT32((h + defs[i].dy - 1) / defs[i].dy);
    parts[i].prec = OPJ_UINT32(defs[i].prec);
    parts[i].sgnd = defs[i].sgnd;
  }
  TJ2kImagePtr image(opj_image_create(OPJ_UINT32(parts.size()), parts.data(), space));
  image->x1 = OPJ_UINT32(w);
  image->y1 = OPJ_UINT32(h);
  for (std::size_t i = 0; i < defs.size(); ++i)
    for (OPJ_UINT32 j = 0; j < parts[i].h; ++j)
      for (OPJ_UINT32 k = 0; k < parts[i].w; ++k)
        image->comps[i].data[j * parts[i].w + k] = defs[i].value(int(k), int(j));
  opj_cparameters_t setup;
  opj_set_default_encoder_parameters(&setup);
  setup.numresolution = 2;
  setup.tcp_mct = 0;
  TMemoryStream out;
  bool abort = false;
  TJ2kIO io;
  io.Stream = &out;
  io.Aborting = &abort;
  TJ2kCodecPtr codec(opj_create_compress(format));
  J2kRouteMessages(codec.get(), io);
  EXPECT_TRUE(opj_setup_encoder(codec.get(), &setup, image.get()));
  {
    TJ2kStreamPtr s = J2kWriteStream(io);
    EXPECT_TRUE(opj_start_compress(codec.get(), image.get(), s.get()) && opj_encode(codec.get(), s.get()) &&
                opj_end_compress(codec.get(), s.get()));
  }
  EXPECT_FALSE(abort);
  const auto* m = static_cast<const std::uint8_t*>(out.Memory());
  return J2kBytes(m, m + io.End);
}

TEST(J2kColour, YccTablesHoldTheStandardFigures) {
  const TJ2kYccTables& t = J2kYccTables();
  EXPECT_EQ(t.CrR[128], 0);
  EXPECT_EQ(t.CrR[255], 178);
  EXPECT_EQ(t.CrR[0], -179);
  EXPECT_EQ(t.CbB[0], -227);
  EXPECT_EQ(t.CbB[255], 225);
  EXPECT_EQ(t.CrG[255], -91);
  EXPECT_EQ(t.CrG[0], 91);
  EXPECT_EQ(t.CbG[255], -44);
  EXPECT_EQ(t.CbG[0], 44);
}

TEST(J2kColour, YccReadsThroughTheTables) {
  struct TYcc {
    int y, cb, cr;
    std::uint32_t rgb;
  };
  // 128 128 128 is grey; others: R = Y + 1.402 (Cr - 128), G = Y - 0.344 (Cb
  // - 128) - 0.714 (Cr - 128), B = Y + 1.772 (Cb - 128), clamped.
  const TYcc cases[] = {{128, 128, 128, 0x808080}, {100, 200, 50, 0x0083E4}, {30, 255, 255, 0xD000FF},
                        {200, 0, 0, 0x15FF00}};
  for (const TYcc& c : cases) {
    SCOPED_TRACE(c.rgb);
    const J2kBytes b = J2kEncodeWithCodec(
        4, 4, OPJ_CLRSPC_SYCC,
        {{1, 1, 8, false, [&](int, int) { return c.y; }}, {1, 1, 8, false, [&](int, int) { return c.cb; }},
         {1, 1, 8, false, [&](int, int) { return c.cr; }}},
        OPJ_CODEC_JP2);
    TJ2kLoaded r;
    J2kLoad(b, r);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(J2kPixels(r.image), std::vector<std::uint32_t>(16, c.rgb));
  }
}

TEST(J2kColour, SubsampledChromaIsReadAtHalfTheCoordinates) {
  // Cb and Cr vary by sample; each 2 x 2 block of pixels shares one.
  const J2kBytes b = J2kEncodeWithCodec(5, 3, OPJ_CLRSPC_SYCC,
                                        {{1, 1, 8, false, [](int, int) { return 128; }},
                                         {2, 2, 8, false, [](int i, int j) { return 128 + 40 * i + 10 * j; }},
                                         {2, 2, 8, false, [](int, int) { return 128; }}},
                                        OPJ_CODEC_JP2);
  TJ2kLoaded r;
  J2kLoad(b, r);
  ASSERT_FALSE(r.abort);
  const TJ2kYccTables& t = J2kYccTables();
  std::vector<std::uint32_t> expected;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const int cb = 128 + 40 * (x / 2) + 10 * (y / 2);
      const auto c = [](int v) { return std::uint32_t(std::clamp(v, 0, 255)); };
      expected.push_back(c(128) << 16 | c(128 + t.CbG[std::size_t(cb)]) << 8 | c(128 + t.CbB[std::size_t(cb)]));
    }
  EXPECT_EQ(J2kPixels(r.image), expected);
}

TEST(J2kColour, GreyWithAlphaReadsTheGrey) {
  const J2kBytes b = J2kEncodeWithCodec(3, 2, OPJ_CLRSPC_GRAY,
                                        {{1, 1, 8, false, [](int i, int j) { return 10 + i + 3 * j; }},
                                         {1, 1, 8, false, [](int, int) { return 255; }}},
                                        OPJ_CODEC_J2K);
  TJ2kLoaded r;
  J2kLoad(b, r);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(r.params.SamplesPerPixel, 1);
  EXPECT_EQ(J2kPixels(r.image), (std::vector<std::uint32_t>{0x0A0A0A, 0x0B0B0B, 0x0C0C0C, 0x0D0D0D, 0x0E0E0E,
                                                             0x0F0F0F}));
}

// The JP2 colour box's enumerated colour space, changed in place.
void J2kSetEnumeratedSpace(J2kBytes& b, std::uint32_t space) {
  const std::string text(b.begin(), b.end());
  const std::size_t colr = text.find("colr");
  ASSERT_NE(colr, std::string::npos);
  ASSERT_EQ(b[colr + 4], 1);
  for (int i = 0; i < 4; ++i) b[colr + 7 + std::size_t(i)] = std::uint8_t(space >> (24 - 8 * i));
}

TEST(J2kColour, OtherColourModelsAndMissingComponentsAbort) {
  const auto value = [](int, int) { return 9; };
  const std::vector<TJ2kPlaneDef> four = {
      {1, 1, 8, false, value}, {1, 1, 8, false, value}, {1, 1, 8, false, value}, {1, 1, 8, false, value}};
  // CMYK (12) and e-sYCC (24) have no place in a 24-bit picture; an sRGB file
  // with one component has no green or blue.
  J2kBytes cmyk = J2kEncodeWithCodec(4, 4, OPJ_CLRSPC_SRGB, four, OPJ_CODEC_JP2);
  J2kSetEnumeratedSpace(cmyk, 12);
  J2kBytes esycc = J2kEncodeWithCodec(4, 4, OPJ_CLRSPC_SRGB, four, OPJ_CODEC_JP2);
  J2kSetEnumeratedSpace(esycc, 24);
  J2kBytes lonely = J2kEncodeWithCodec(4, 4, OPJ_CLRSPC_SRGB, {{1, 1, 8, false, value}}, OPJ_CODEC_JP2);
  for (const J2kBytes* b : {&cmyk, &esycc, &lonely})
    for (bool paramsOnly : {false, true}) {
      TJ2kLoaded r;
      J2kLoad(*b, r, paramsOnly);
      EXPECT_TRUE(r.abort);
    }
  // The same four components named sRGB read as colour, the fourth dropped.
  const J2kBytes rgba = J2kEncodeWithCodec(4, 4, OPJ_CLRSPC_SRGB, four, OPJ_CODEC_JP2);
  TJ2kLoaded r;
  J2kLoad(rgba, r);
  EXPECT_FALSE(r.abort);
  EXPECT_EQ(r.params.SamplesPerPixel, 3);
}

TEST(J2kColour, HeaderOnlyReadsKnowTheColourModel) {
  // A YCbCr file says three samples; its header read decodes one pixel.
  const J2kBytes b = J2kEncodeWithCodec(
      6, 6, OPJ_CLRSPC_SYCC,
      {{1, 1, 12, false, [](int, int) { return 7; }}, {2, 2, 12, false, [](int, int) { return 2048; }},
       {2, 2, 12, false, [](int, int) { return 2048; }}},
      OPJ_CODEC_JP2);
  TJ2kLoaded r;
  J2kLoad(b, r, true);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(r.params.SamplesPerPixel, 3);
  EXPECT_EQ(r.params.BitsPerSample, 12);
  EXPECT_EQ(r.params.Width, 6);
  EXPECT_TRUE(r.image.IsEmpty());
}

// ---- writing ------------------------------------------------------------------------

TEST(J2kWrite, LosslessRoundTripsInBothContainers) {
  TVQBitmap img;
  J2kFill(img, 41, 27, J2kNoise);
  const std::vector<std::uint32_t> source = J2kPixels(img);
  for (int format : {kJ2kFormatJp2, kJ2kFormatJpc}) {
    SCOPED_TRACE(format);
    TIOParamsVals params(nullptr);
    bool abort = false;
    const J2kBytes b = J2kSave(img, params, format, abort);
    ASSERT_FALSE(abort);
    TMemoryStream s;
    s.Write(b.data(), std::int64_t(b.size()));
    s.SetPosition(0);
    EXPECT_TRUE(format == kJ2kFormatJp2 ? IsJp2Stream(&s) : IsJ2kStream(&s));
    TJ2kLoaded r;
    J2kLoad(b, r);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(J2kPixels(r.image), source);
  }
}

TEST(J2kWrite, DepthsAndColourSpaces) {
  TVQBitmap img;
  J2kFill(img, 9, 5, [](int x, int y) { return J2kNoise(x, y) | (x == 0 ? 0xFFFFFF : 0); });
  struct TDepthCase {
    int bits, space;
    int readBits, readSamples;
  };
  const TDepthCase cases[] = {{8, 1, 8, 3}, {8, 2, 8, 3}, {8, 0, 8, 1}, {16, 1, 16, 3},
                              {4, 0, 4, 1}, {12, 1, 12, 3}, {0, 1, 8, 3}, {40, 0, 8, 1}};
  for (const TDepthCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, space " + std::to_string(c.space));
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.J2kColorSpace = Byte(c.space);
    bool abort = false;
    const J2kBytes b = J2kSave(img, params, kJ2kFormatJpc, abort);
    ASSERT_FALSE(abort);
    TJ2kLoaded r;
    J2kLoad(b, r);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(r.params.BitsPerSample, c.readBits);
    EXPECT_EQ(r.params.SamplesPerPixel, c.readSamples);
    // Each value v is written as trunc(v / 255 x m) and read back to 8 bits.
    const int m = (1 << c.readBits) - 1;
    const auto back = [&](int v) {
      const std::int64_t s = std::int64_t(v) * m / 255;
      return c.readBits >= 8 ? std::uint32_t(s >> (c.readBits - 8)) : std::uint32_t((s * 255 + m / 2) / m);
    };
    std::vector<std::uint32_t> expected;
    for (std::uint32_t p : J2kPixels(img)) {
      const int r8 = int(p >> 16), g8 = int(p >> 8 & 255), b8 = int(p & 255);
      if (c.readSamples == 1) {
        const int grey = (r8 * 21 + g8 * 71 + b8 * 8) / 100;
        expected.push_back(back(grey) * 0x010101u);
      } else {
        expected.push_back(back(r8) << 16 | back(g8) << 8 | back(b8));
      }
    }
    EXPECT_EQ(J2kPixels(r.image), expected);
  }
}

TEST(J2kWrite, OneBitImagesWriteOneBitGrey) {
  TVQBitmap img;
  img.Allocate(19, 4, vqBits1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 19; ++x)
      if ((x * 7 + y) % 3 == 0) img.GetScanline(y)[x >> 3] |= Byte(0x80 >> (x & 7));
  const std::vector<std::uint32_t> source = J2kPixels(img);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.J2kColorSpace = 1;
  bool abort = false;
  const J2kBytes b = J2kSave(img, params, kJ2kFormatJp2, abort);
  ASSERT_FALSE(abort);
  EXPECT_EQ(params.BitsPerSample, 1);
  EXPECT_EQ(params.J2kColorSpace, 0);
  TJ2kLoaded r;
  J2kLoad(b, r);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(r.image.GetPixelFormat(), vqBits1);
  EXPECT_EQ(J2kPixels(r.image), source);
}

TEST(J2kWrite, OtherPixelFormatsAreWrittenAsTwentyFourBits) {
  TVQBitmap img;
  img.Allocate(3, 2, vqGray8);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) img.GetScanline(y)[x] = Byte(40 * x + 100 * y);
  TIOParamsVals params(nullptr);
  bool abort = false;
  const J2kBytes b = J2kSave(img, params, kJ2kFormatJpc, abort);
  ASSERT_FALSE(abort);
  EXPECT_EQ(img.GetPixelFormat(), vqGray8);
  TJ2kLoaded r;
  J2kLoad(b, r);
  ASSERT_FALSE(r.abort);
  EXPECT_EQ(J2kPixels(r.image), (std::vector<std::uint32_t>{0x000000, 0x282828, 0x505050, 0x646464, 0x8C8C8C,
                                                             0xB4B4B4}));
}

TEST(J2kWrite, TinyImagesEncode) {
  for (int side : {1, 2, 3, 15, 31}) {
    SCOPED_TRACE(side);
    TVQBitmap img;
    J2kFill(img, side, side == 3 ? 40 : side, J2kNoise);
    TIOParamsVals params(nullptr);
    bool abort = false;
    const J2kBytes b = J2kSave(img, params, kJ2kFormatJpc, abort);
    ASSERT_FALSE(abort);
    TJ2kLoaded r;
    J2kLoad(b, r);
    ASSERT_FALSE(r.abort);
    EXPECT_EQ(J2kPixels(r.image), J2kPixels(img));
  }
}

TEST(J2kOptions, BlockFieldsBecomeEncoderOptions) {
  struct TOptCase {
    const char* what;
    int bits, space;
    double rate;
    int progression, w, h;
    TJ2kEncoderOptions expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const TOptCase cases[] = {
      {"defaults", 8, 1, 1.0, 0, 640, 480, {8, 3, 0, 0, 6, true}},
      {"half the size, rlcp", 8, 1, 0.5, 1, 640, 480, {8, 3, 2, 1, 6, true}},
      {"a tenth", 8, 2, 0.1, 0, 640, 480, {8, 3, 10, 0, 6, true}},
      {"rate 0", 8, 1, 0.0, 2, 640, 480, {8, 3, 1e9, -1, 6, true}},
      {"rate above 1", 8, 1, 3.0, 0, 640, 480, {8, 3, 0, 0, 6, true}},
      {"rate NaN", 8, 1, nan, 0, 640, 480, {8, 3, 0, 0, 6, true}},
      {"grey", 16, 0, 1.0, 0, 640, 480, {16, 1, 0, 0, 6, false}},
      {"no depth", 0, 3, 1.0, 0, 640, 480, {8, 3, 0, 0, 6, true}},
      {"one pixel", 1, 0, 1.0, 0, 1, 1, {1, 1, 0, 0, 1, false}},
      {"16 square", 8, 1, 1.0, 0, 16, 16, {8, 3, 0, 0, 5, true}},
      {"17 x 3", 8, 1, 1.0, 0, 17, 3, {8, 3, 0, 0, 2, true}},
      {"32 square", 8, 1, 1.0, 0, 32, 32, {8, 3, 0, 0, 6, true}},
  };
  for (const TOptCase& c : cases) {
    SCOPED_TRACE(c.what);
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.J2kColorSpace = Byte(c.space);
    params.J2kRate = c.rate;
    params.J2kProgression = Byte(c.progression);
    const TJ2kEncoderOptions o = J2kEncoderOptions(params, c.w, c.h);
    EXPECT_EQ(o.Precision, c.expected.Precision);
    EXPECT_EQ(o.Components, c.expected.Components);
    EXPECT_DOUBLE_EQ(o.Ratio, c.expected.Ratio);
    EXPECT_EQ(o.Progression, c.expected.Progression);
    EXPECT_EQ(o.Resolutions, c.expected.Resolutions);
    EXPECT_EQ(o.ColourTransform, c.expected.ColourTransform);
  }
}

// The code stream's COD marker segment: progression order, layers, colour
// transform, decomposition levels, wavelet.
struct TJ2kCod {
  int progression = -1, layers = -1, mct = -1, levels = -1, wavelet = -1;
};

TJ2kCod J2kReadCod(const J2kBytes& b) {
  TJ2kCod c;
  for (std::size_t i = 0; i + 12 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0x52) {
      c.progression = b[i + 5];
      c.layers = b[i + 6] << 8 | b[i + 7];
      c.mct = b[i + 8];
      c.levels = b[i + 9];
      c.wavelet = b[i + 13];
      break;
    }
  return c;
}

TEST(J2kWrite, RateAndProgressionReachTheCodeStream) {
  TVQBitmap img;
  J2kFill(img, 64, 48, J2kNoise);
  TIOParamsVals lossless(nullptr);
  bool abort = false;
  const J2kBytes whole = J2kSave(img, lossless, kJ2kFormatJpc, abort);
  TIOParamsVals half(nullptr);
  half.J2kRate = 0.5;
  half.J2kProgression = 1;
  const J2kBytes lossy = J2kSave(img, half, kJ2kFormatJpc, abort);
  ASSERT_FALSE(abort);
  const TJ2kCod a = J2kReadCod(whole), b = J2kReadCod(lossy);
  EXPECT_EQ(a.progression, 0);
  EXPECT_EQ(b.progression, 1);
  EXPECT_EQ(b.layers, 1);
  EXPECT_EQ(b.mct, 1);
  EXPECT_EQ(b.levels, 5);
  EXPECT_EQ(b.wavelet, 1);  // reversible 5-3
  // Noise does not compress: the whole stream is above the raw size, the
  // half-rate one within it.
  const std::size_t raw = 64 * 48 * 3;
  EXPECT_GT(whole.size(), raw * 9 / 10);
  EXPECT_LE(lossy.size(), raw / 2);
  EXPECT_GT(lossy.size(), raw / 4);
}

TEST(J2kWrite, Jp2ColourBoxNamesTheColourSpace) {
  TVQBitmap img;
  J2kFill(img, 8, 8, J2kNoise);
  for (int space : {0, 1}) {
    TIOParamsVals params(nullptr);
    params.J2kColorSpace = Byte(space);
    bool abort = false;
    const J2kBytes b = J2kSave(img, params, kJ2kFormatJp2, abort);
    ASSERT_FALSE(abort);
    const std::string text(b.begin(), b.end());
    const std::size_t colr = text.find("colr");
    ASSERT_NE(colr, std::string::npos);
    EXPECT_EQ(b[colr + 4], 1);                      // enumerated
    EXPECT_EQ(b[colr + 10], space == 0 ? 17 : 16);  // greyscale or sRGB
  }
}

TEST(J2kWrite, WritesAtTheStreamsPositionAndEndsAfterTheImage) {
  TVQBitmap img;
  J2kFill(img, 20, 10, J2kNoise);
  TMemoryStream s;
  const char lead[] = "leading bytes";
  s.Write(lead, 13);
  TIOParamsVals params(nullptr);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  SaveJ2kImage(s, &img, params, kJ2kFormatJp2, p);
  ASSERT_FALSE(abort);
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(std::memcmp(s.Memory(), lead, 13), 0);
  s.SetPosition(13);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  LoadJ2kImage(s, &back, backParams, false, p);
  ASSERT_FALSE(abort);
  EXPECT_EQ(J2kPixels(back), J2kPixels(img));
}

TEST(J2kWrite, ProgressAndAbort) {
  TVQBitmap img;
  J2kFill(img, 10, 7, J2kNoise);
  TIOParamsVals params(nullptr);
  TJ2kRun whole;
  EXPECT_FALSE(J2kSave(img, params, kJ2kFormatJpc, whole).empty());
  EXPECT_FALSE(whole.abort);
  EXPECT_EQ(whole.progress, (std::vector<int>{0, 14, 28, 42, 57, 71, 85}));
  TJ2kRun stopped;
  stopped.hook = [](TJ2kRun& run) { run.abort = run.progress.size() == 2; };
  EXPECT_TRUE(J2kSave(img, params, kJ2kFormatJpc, stopped).empty());
  EXPECT_TRUE(stopped.abort);
  EXPECT_EQ(stopped.progress.size(), 2u);
}

TEST(J2kWrite, FailuresEndWithTheAbortFlag) {
  TVQBitmap img;
  J2kFill(img, 33, 20, J2kNoise);
  for (int format : {kJ2kFormatJp2, kJ2kFormatJpc})
    for (bool raise : {false, true}) {
      SCOPED_TRACE(std::to_string(format) + (raise ? " raising" : " short"));
      TJ2kFailingStream s;
      s.writeLimit = 60;
      s.raise = raise;
      TIOParamsVals params(nullptr);
      TJ2kRun run;
      EXPECT_NO_THROW(J2kSaveInto(s, img, params, format, run));
      EXPECT_TRUE(run.abort);
    }
  // No such codec format, and no picture.
  TIOParamsVals params(nullptr);
  bool abort = false;
  EXPECT_TRUE(J2kSave(img, params, 2, abort).empty());
  EXPECT_TRUE(abort);
  TVQBitmap empty;
  abort = false;
  J2kSave(empty, params, kJ2kFormatJpc, abort);
  EXPECT_TRUE(abort);
}

TEST(J2kWrite, SameBytesAndPixelsForAnyThreadCount) {
  TVQBitmap img;
  J2kFill(img, 157, 93, [](int x, int y) { return J2kNoise(x / 3, y / 2) ^ std::uint32_t(x * 0x010203); });
  J2kBytes first;
  std::vector<std::uint32_t> firstPixels;
  for (int threads : {1, 3, 8}) {
    SCOPED_TRACE(threads);
    SetParallelThreadCount(threads);
    TIOParamsVals params(nullptr);
    params.J2kRate = 0.2;
    bool abort = false;
    const J2kBytes b = J2kSave(img, params, kJ2kFormatJpc, abort);
    TJ2kLoaded r;
    J2kLoad(b, r);
    EXPECT_FALSE(abort || r.abort);
    if (first.empty()) {
      first = b;
      firstPixels = J2kPixels(r.image);
    } else {
      EXPECT_EQ(b, first);
      EXPECT_EQ(J2kPixels(r.image), firstPixels);
    }
  }
  SetParallelThreadCount(0);
}

// ---- the temporary stream ------------------------------------------------------------

TEST(J2kTmpStream, LivesInTheTemporaryFolderAndTakesItsFileAlong) {
  char pattern[] = "/tmp/lumiqa_j2ktmp_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string saved = TempFolder;
  TempFolder = std::string(pattern) + "/a/b/";
  std::string name;
  {
    TVQTmpStream s;
    name = s.FileName();
    EXPECT_EQ(name.rfind(TempFolder + "pictora", 0), 0u) << name;
    EXPECT_EQ(s.Write("abc", 3), 3);
    EXPECT_TRUE(FileExists(name));
  }
  EXPECT_FALSE(FileExists(name));
  TempFolder = saved;
  rmdir((std::string(pattern) + "/a/b").c_str());
  rmdir((std::string(pattern) + "/a").c_str());
  rmdir(pattern);
}

// ---- through the I/O component ----------------------------------------------------------

TEST(J2kComponent, SavesAndLoadsByExtensionAndContent) {
  StartImagingLibrary();
  InstallJ2kFilter();
  char pattern[] = "/tmp/lumiqa_j2ktest_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  TVQBitmap source;
  J2kFill(source, 23, 11, J2kNoise);
  for (const char* ext : {".jp2", ".j2k"}) {
    SCOPED_TRACE(ext);
    const std::string path = std::string(pattern) + "/x" + ext;
    const int type = std::string(ext) == ".jp2" ? ioJP2 : ioJ2K;
    {
      TPictoraIO io(nullptr);
      io.SetAttachedBitmap(&source);
      io.SaveToFile(path);
      EXPECT_FALSE(io.Aborting);
    }
    {
      TVQBitmap img;
      TPictoraIO io(nullptr);
      io.SetAttachedBitmap(&img);
      io.LoadFromFile(path);
      EXPECT_FALSE(io.Aborting);
      EXPECT_EQ(io.Parameters()->FileType, type);
      EXPECT_EQ(J2kPixels(img), J2kPixels(source));
      TFileStream f(path, fmOpenRead);
      TVQBitmap fromStream;
      TPictoraIO byContent(nullptr);
      byContent.SetAttachedBitmap(&fromStream);
      byContent.LoadFromStream(&f);
      EXPECT_FALSE(byContent.Aborting);
      EXPECT_EQ(byContent.Parameters()->FileType, type);
      EXPECT_EQ(J2kPixels(fromStream), J2kPixels(source));
    }
    unlink(path.c_str());
  }
  rmdir(pattern);
  EndImagingLibrary();
}

}  // namespace

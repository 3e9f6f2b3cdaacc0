// PNM and WBMP files written by netpbm, ImageMagick and Pillow against the
// pixels ImageMagick reads from them (tests/data/pnm/make_fixtures.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt_pnm.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

using PnmFixBytes = std::vector<std::uint8_t>;

PnmFixBytes PnmFixFile(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/pnm/" + name, std::ios::binary);
  return PnmFixBytes(std::istreambuf_iterator<char>(f), {});
}

// The pixels of a binary "P6 W H 255" file as red, green, blue bytes.
PnmFixBytes PnmFixExpected(const std::string& name, int& w, int& h) {
  const PnmFixBytes b = PnmFixFile(name);
  const std::string head(b.begin(), b.begin() + std::min<std::size_t>(b.size(), 32));
  int maxval = 0, used = 0;
  if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3 || maxval != 255) return {};
  return PnmFixBytes(b.begin() + used + 1, b.end());
}

// Red, green, blue of every pixel, top row first; 1-bit images as black
// and white.
PnmFixBytes PnmFixPixels(TVQBitmap& img) {
  PnmFixBytes v;
  for (int y = 0; y < img.GetHeight(); ++y) {
    const Byte* r = img.GetScanline(y);
    for (int x = 0; x < img.GetWidth(); ++x) {
      if (img.GetPixelFormat() == vqBits1) {
        const Byte c = (r[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
        v.insert(v.end(), {c, c, c});
      } else {
        v.insert(v.end(), {r[x * 3 + 2], r[x * 3 + 1], r[x * 3]});
      }
    }
  }
  return v;
}

TEST(PnmFixtures, FilesOfOtherProgramsReadAsTheyReadThem) {
  // Samples of other maxvals are v * 255 / maxval rounded down, as
  // ImageMagick reads them; netpbm's pamdepth rounds to nearest.
  const char* const files[] = {
      "nb_p1.pbm",       "nb_p4.pbm",       "nb_p2.pgm",       "nb_p5.pgm",       "nb_p3.ppm",
      "nb_p6.ppm",       "nb_p6_65535.ppm", "nb_p3_65535.ppm", "nb_p5_65535.pgm", "nb_p2_65535.pgm",
      "nb_p6_1023.ppm",  "nb_p3_1023.ppm",  "nb_p5_1023.pgm",  "nb_p6_15.ppm",    "im_plain.pbm",
      "im_raw.pbm",      "im_plain.pgm",    "im_raw.pgm",      "im_plain.ppm",    "im_raw.ppm",
      "im_raw16.ppm",    "im_plain16.ppm",  "pil_p4.pbm",      "pil_p5.pgm",      "pil_p6.ppm",
      "pil_p5_16.pgm",   "nb.wbmp",         "im.wbmp",         "ours_p4.pbm",     "ours_p5.pgm",
      "ours_p6.ppm",     "ours.wbmp",
      // more samples than the header's token cap
      "nb_p2_big.pgm",   "nb_p3_big.ppm",
  };
  for (const char* file : files) {
    SCOPED_TRACE(file);
    int w = 0, h = 0;
    const PnmFixBytes expected = PnmFixExpected(std::string(file) + ".ppm", w, h);
    ASSERT_EQ(expected.size(), std::size_t(w) * h * 3);
    const PnmFixBytes bytes = PnmFixFile(file);
    TMemoryStream s;
    s.Write(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    if (std::string(file).ends_with(".wbmp"))
      LoadWbmpImage(s, &image, params, false, p);
    else
      LoadPnmImage(s, &image, params, false, p);
    ASSERT_FALSE(aborted);
    ASSERT_EQ(image.GetWidth(), w);
    ASSERT_EQ(image.GetHeight(), h);
    EXPECT_EQ(PnmFixPixels(image), expected);
  }
}

}  // namespace

namespace {

// ours_* were written by this writer and read back as the reader test
// reads them (ImageMagick's pixels) by ImageMagick, netpbm and Pillow.
TEST(PnmFixtures, FilesCheckedInOtherProgramsAreWrittenTheSame) {
  const struct {
    const char* file;
    const char* source;
    int bits, samples;
  } cases[] = {
      {"ours_p4.pbm", "nb_p4.pbm", 1, 1},
      {"ours_p5.pgm", "nb_p6.ppm", 8, 1},
      {"ours_p6.ppm", "nb_p6.ppm", 8, 3},
      {"ours.wbmp", "nb_p4.pbm", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const PnmFixBytes bytes = PnmFixFile(c.source);
    TMemoryStream in;
    in.Write(bytes.data(), std::int64_t(bytes.size()));
    in.SetPosition(0);
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    LoadPnmImage(in, &image, params, false, p);
    ASSERT_FALSE(aborted);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    TMemoryStream s;
    if (std::string(c.file).ends_with(".wbmp"))
      SaveWbmpImage(s, &image, p);
    else
      SavePnmImage(s, &image, params, p);
    ASSERT_FALSE(aborted);
    const auto* m = static_cast<const std::uint8_t*>(s.Memory());
    const PnmFixBytes out(m, m + s.Size());
    EXPECT_TRUE(out == PnmFixFile(c.file));
  }
}

}  // namespace

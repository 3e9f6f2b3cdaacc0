// BMP files written by ImageMagick, netpbm and Pillow against the pixels
// ImageMagick reads from them (tests/data/bmp/make_fixtures.sh).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"
#include "tests/imaging/io/formats/FixtureFiles.h"

namespace {

using BmpFixBytes = iofix::Bytes;

BmpFixBytes BmpFixFile(const std::string& name) { return iofix::File("bmp", name); }
BmpFixBytes BmpFixExpected(const std::string& name, int& w, int& h) {
  return iofix::ExpectedP6("bmp", name, w, h);
}
BmpFixBytes BmpFixPixels(TVQBitmap& img) { return iofix::Pixels(img); }

TEST(BmpFixtures, FilesOfOtherProgramsReadAsTheyReadThem) {
  // Pillow and bmptopnm truncate 5- and 6-bit fields where ImageMagick
  // rounds; the 32-bit files' alpha is not read.
  const char* const files[] = {
      "im_1.bmp",       "im_4.bmp",       "im_8.bmp",      "im_rle8.bmp",      "im_rle8few.bmp",
      "im_555.bmp",     "im_565.bmp",     "im_24.bmp",     "im_v5_24.bmp",     "im_32.bmp",
      "im_os2.bmp",     "nb_1.bmp",       "nb_4.bmp",      "nb_8.bmp",         "nb_24.bmp",
      "nb_os2_24.bmp",  "nb_os2_4.bmp",   "pil_1.bmp",     "pil_8.bmp",        "pil_grey.bmp",
      "pil_24.bmp",     "pil_32.bmp",     "hand_rle4.bmp", "hand_topdown.bmp",
      "ours_1.bmp",     "ours_4.bmp",     "ours_rle4.bmp", "ours_8.bmp",       "ours_rle8.bmp",
      "ours_24.bmp",    "ours_core24.bmp", "ours_core8.bmp",
  };
  for (const char* file : files) {
    SCOPED_TRACE(file);
    int w = 0, h = 0;
    const BmpFixBytes expected = BmpFixExpected(std::string(file) + ".ppm", w, h);
    ASSERT_EQ(expected.size(), std::size_t(w) * h * 3);
    const BmpFixBytes bytes = BmpFixFile(file);
    TMemoryStream s;
    s.Write(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    LoadBmpImage(s, &image, 0, false, false, p, params);
    ASSERT_FALSE(aborted);
    ASSERT_EQ(image.GetWidth(), w);
    ASSERT_EQ(image.GetHeight(), h);
    EXPECT_EQ(BmpFixPixels(image), expected);
  }
}

}  // namespace

namespace {

// An image as our reader reads a fixture.
void BmpFixLoad(const std::string& name, TVQBitmap& image) {
  const BmpFixBytes bytes = BmpFixFile(name);
  TMemoryStream s;
  s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TIOParamsVals params(nullptr);
  bool aborted = false;
  TVQProgressRec p;
  p.Aborting = &aborted;
  LoadBmpImage(s, &image, 0, false, false, p, params);
  ASSERT_FALSE(aborted);
}

// ours_*.bmp were written by this writer and read back as the reader test
// reads them (ImageMagick's pixels) by ImageMagick, Pillow and bmptopnm.
TEST(BmpFixtures, FilesCheckedInOtherProgramsAreWrittenTheSame) {
  const struct {
    const char* file;
    const char* source;
    int bits, samples, version, compression;
  } cases[] = {
      {"ours_1.bmp", "im_1.bmp", 1, 1, 1, 0},       {"ours_4.bmp", "im_4.bmp", 4, 1, 1, 0},
      {"ours_rle4.bmp", "im_4.bmp", 4, 1, 1, 1},    {"ours_8.bmp", "im_4.bmp", 8, 1, 1, 0},
      {"ours_rle8.bmp", "im_4.bmp", 8, 1, 1, 1},    {"ours_24.bmp", "im_24.bmp", 8, 3, 1, 0},
      {"ours_core24.bmp", "im_24.bmp", 8, 3, 2, 0}, {"ours_core8.bmp", "im_4.bmp", 8, 1, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TVQBitmap image;
    BmpFixLoad(c.source, image);
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.BmpVersion = Byte(c.version);
    params.BmpCompression = Byte(c.compression);
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    TMemoryStream s;
    SaveBmpImage(s, &image, params, p);
    ASSERT_FALSE(aborted);
    const auto* m = static_cast<const std::uint8_t*>(s.Memory());
    const BmpFixBytes out(m, m + s.Size());
    EXPECT_TRUE(out == BmpFixFile(c.file));
  }
}

}  // namespace

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
#include "tests/imaging/io/formats/FixtureFiles.h"

namespace {

using PnmFixBytes = iofix::Bytes;

PnmFixBytes PnmFixFile(const std::string& name) { return iofix::File("pnm", name); }
PnmFixBytes PnmFixExpected(const std::string& name, int& w, int& h) {
  return iofix::ExpectedP6("pnm", name, w, h);
}
PnmFixBytes PnmFixPixels(TVQBitmap& img) { return iofix::Pixels(img); }

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

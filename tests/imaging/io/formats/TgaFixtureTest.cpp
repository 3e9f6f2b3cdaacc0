// TGA files written by ImageMagick, netpbm and Pillow against the pixels and
// alpha ImageMagick reads from them (tests/data/tga/make_fixtures.sh).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqtgafil.h"
#include "platform/rtl/Streams.h"

namespace {

using TgaFixBytes = std::vector<std::uint8_t>;

TgaFixBytes TgaFixFile(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/tga/" + name, std::ios::binary);
  return TgaFixBytes(std::istreambuf_iterator<char>(f), {});
}

// The tuples of a PAM of RGB_ALPHA at maxval 255.
TgaFixBytes TgaFixExpected(const std::string& name, int& w, int& h) {
  const TgaFixBytes b = TgaFixFile(name);
  const std::string text(b.begin(), b.end());
  const std::size_t end = text.find("ENDHDR\n");
  if (end == std::string::npos ||
      std::sscanf(text.c_str(), "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\n", &w, &h) != 2)
    return {};
  return TgaFixBytes(b.begin() + std::ptrdiff_t(end + 7), b.end());
}

struct TTgaFixCase {
  const char* file;
  bool alpha;  // a mask is made
};

TEST(TgaFixtures, FilesOfOtherProgramsReadAsTheyReadThem) {
  const TTgaFixCase cases[] = {
      {"im_t1.tga", false},           {"im_t9.tga", false},           {"im_t2_24.tga", false},
      {"im_t10_24.tga", false},       {"im_t2_32.tga", true},         {"im_t10_32.tga", true},
      {"im_t3.tga", false},           {"im_t11.tga", false},          {"nb_t1.tga", false},
      {"nb_t9.tga", false},           {"nb_t2.tga", false},           {"nb_t10.tga", false},
      {"nb_t3.tga", false},           {"nb_t11.tga", false},          {"pil_24_bottom.tga", false},
      {"pil_24_top.tga", false},      {"pil_24_rle_bottom.tga", false}, {"pil_24_rle_top.tga", false},
      {"pil_32_bottom.tga", true},    {"pil_32_top.tga", true},       {"pil_32_rle_bottom.tga", true},
      {"pil_32_rle_top.tga", true},   {"pil_grey_bottom.tga", false}, {"pil_grey_top.tga", false},
      {"pil_grey_rle_bottom.tga", false}, {"pil_grey_rle_top.tga", false}, {"pil_map_bottom.tga", false},
      {"pil_map_top.tga", false},     {"pil_map_rle_bottom.tga", false}, {"pil_map_rle_top.tga", false},
      {"hand_t2_16.tga", false},      {"ours_24.tga", false},         {"ours_24_rle.tga", false},
      {"ours_32.tga", true},          {"ours_map8.tga", false},       {"ours_map8_rle.tga", false},
      {"ours_map4.tga", false},       {"ours_grey.tga", false},       {"ours_grey_rle.tga", false},
  };
  for (const TTgaFixCase& c : cases) {
    SCOPED_TRACE(c.file);
    int w = 0, h = 0;
    const TgaFixBytes expected = TgaFixExpected(std::string(c.file) + ".pam", w, h);
    ASSERT_EQ(expected.size(), std::size_t(w) * h * 4);
    const TgaFixBytes bytes = TgaFixFile(c.file);
    TMemoryStream s;
    s.Write(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    std::unique_ptr<TVQMask> mask;
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    LoadTgaImage(s, &image, params, false, mask, false, p);
    ASSERT_FALSE(aborted);
    ASSERT_EQ(image.GetWidth(), w);
    ASSERT_EQ(image.GetHeight(), h);
    ASSERT_EQ(image.GetPixelFormat(), vqRGB24);
    ASSERT_EQ(mask != nullptr, c.alpha);
    TgaFixBytes got, want;
    for (int y = 0; y < h; ++y) {
      const Byte* r = image.GetScanline(y);
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* e = &expected[std::size_t(y * w + x) * 4];
        got.insert(got.end(), {r[x * 3 + 2], r[x * 3 + 1], r[x * 3]});
        want.insert(want.end(), {e[0], e[1], e[2]});
        if (c.alpha) got.push_back(Byte(mask->GetPixel(x, y))), want.push_back(e[3]);
      }
    }
    EXPECT_EQ(got, want);
  }
}

}  // namespace

namespace {

// ours_*.tga were written by this writer and read back as the reader test
// reads them (ImageMagick's pixels and alpha) by ImageMagick and Pillow.
TEST(TgaFixtures, FilesCheckedInOtherProgramsAreWrittenTheSame) {
  const struct {
    const char* file;
    const char* source;
    int bits, samples;
    bool rle, grey, alpha;
  } cases[] = {
      {"ours_24.tga", "pil_24_top.tga", 8, 3, false, false, false},
      {"ours_24_rle.tga", "pil_24_top.tga", 8, 3, true, false, false},
      {"ours_32.tga", "pil_32_top.tga", 8, 4, false, false, true},
      {"ours_map8.tga", "pil_map_top.tga", 8, 1, false, false, false},
      {"ours_map8_rle.tga", "pil_map_top.tga", 8, 1, true, false, false},
      {"ours_map4.tga", "pil_map_top.tga", 4, 1, false, false, false},
      {"ours_grey.tga", "pil_grey_top.tga", 8, 1, false, true, false},
      {"ours_grey_rle.tga", "pil_grey_top.tga", 8, 1, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const TgaFixBytes bytes = TgaFixFile(c.source);
    TMemoryStream in;
    in.Write(bytes.data(), std::int64_t(bytes.size()));
    in.SetPosition(0);
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    std::unique_ptr<TVQMask> mask;
    bool aborted = false;
    TVQProgressRec p;
    p.Aborting = &aborted;
    LoadTgaImage(in, &image, params, false, mask, false, p);
    ASSERT_FALSE(aborted);
    ASSERT_EQ(mask != nullptr, c.alpha);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.TgaCompressed = c.rle;
    params.TgaGrayscale = c.grey;
    TMemoryStream s;
    SaveTgaImage(s, &image, params, mask.get(), p);
    ASSERT_FALSE(aborted);
    const auto* m = static_cast<const std::uint8_t*>(s.Memory());
    const TgaFixBytes out(m, m + s.Size());
    EXPECT_TRUE(out == TgaFixFile(c.file));
  }
}

}  // namespace

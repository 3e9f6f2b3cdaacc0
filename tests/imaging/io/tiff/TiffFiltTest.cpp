// The TIFF reader on files written by other programs (tests/data/tiff, each
// with the pixels another reader gives) and on hand-built directories.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "imaging/io/coders/tiflzw.h"
#include "platform/rtl/Streams.h"

namespace {

std::vector<Byte> TiffTestFile(const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/tiff/" + name, std::ios::binary);
  return std::vector<Byte>(std::istreambuf_iterator<char>(f), {});
}

// A binary PPM (P6) or PGM (P5) of maxval 255: width, height, samples.
struct TTiffNetpbm {
  int w = 0, h = 0, c = 0;
  std::vector<Byte> px;
};

TTiffNetpbm TiffTestNetpbm(const std::string& name) {
  TTiffNetpbm p;
  const std::vector<Byte> b = TiffTestFile(name);
  if (b.size() < 2) return p;
  p.c = b[1] == '6' ? 3 : 1;
  std::size_t i = 2;
  int values[3] = {};
  for (int k = 0; k < 3; ++k) {
    while (i < b.size() && std::isspace(b[i])) ++i;
    while (i < b.size() && std::isdigit(b[i])) values[k] = values[k] * 10 + (b[i++] - '0');
  }
  ++i;
  p.w = values[0], p.h = values[1];
  p.px.assign(b.begin() + std::ptrdiff_t(i), b.end());
  return p;
}

struct TTiffLoaded {
  std::unique_ptr<TVQBitmap> image = std::make_unique<TVQBitmap>();
  std::unique_ptr<TVQMask> mask;
  std::unique_ptr<TIOParamsVals> params = std::make_unique<TIOParamsVals>(nullptr);
  int count = 0;
  bool aborted = false;
};

TTiffLoaded TiffTestLoad(const std::vector<Byte>& bytes, int index = 0, bool native = false) {
  TTiffLoaded r;
  r.params->TiffImageIndex = index;
  r.params->NativePixelFormat = native;
  r.params->TiffLzwDecompress = TiffLzwDecode;
  TVQMemStream s(bytes.data(), std::int64_t(bytes.size()));
  TVQProgressRec p;
  p.Aborting = &r.aborted;
  LoadTiffImage(r.image.get(), s, r.count, false, false, true, r.mask, false, p, r.params.get());
  return r;
}

// The loaded pixel at x, y as red, green, blue.
void TiffTestPixel(TVQBitmap& b, int x, int y, Byte rgb[3]) {
  const Byte* row = b.GetScanline(y);
  if (b.GetPixelFormat() == vqBits1) {
    const Byte v = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    rgb[0] = rgb[1] = rgb[2] = v;
  } else {
    rgb[0] = row[3 * x + 2], rgb[1] = row[3 * x + 1], rgb[2] = row[3 * x];
  }
}


// A one-IFD TIFF: the header, the data, the values that do not fit in
// their entries, then the IFD (whose next offset is next, 0 by default).
struct TTiffTag {
  TTiffTag(std::uint16_t g, std::uint16_t t, std::vector<std::uint32_t> v, std::string x = {})
      : tag(g), type(t), values(std::move(v)), text(std::move(x)) {}
  std::uint16_t tag, type;
  std::vector<std::uint32_t> values;  // SHORT, LONG, RATIONAL pairs
  std::string text;                   // ASCII (with its zero) or UNDEFINED
};

std::vector<Byte> TiffTestBuild(bool big, std::vector<TTiffTag> tags, const std::vector<Byte>& data,
                                std::uint32_t next = 0) {
  std::vector<Byte> out = {Byte(big ? 'M' : 'I'), Byte(big ? 'M' : 'I')};
  auto put16 = [&](std::vector<Byte>& v, std::uint32_t x) {
    if (big) v.insert(v.end(), {Byte(x >> 8), Byte(x)});
    else v.insert(v.end(), {Byte(x), Byte(x >> 8)});
  };
  auto put32 = [&](std::vector<Byte>& v, std::uint32_t x) {
    if (big) v.insert(v.end(), {Byte(x >> 24), Byte(x >> 16), Byte(x >> 8), Byte(x)});
    else v.insert(v.end(), {Byte(x), Byte(x >> 8), Byte(x >> 16), Byte(x >> 24)});
  };
  put16(out, 42);
  put32(out, 0);
  out.insert(out.end(), data.begin(), data.end());
  std::vector<std::vector<Byte>> fields;
  std::vector<std::uint32_t> counts;
  for (const TTiffTag& t : tags) {
    std::vector<Byte> f;
    std::uint32_t count = 0;
    if (t.type == 2 || t.type == 7) {
      f.assign(t.text.begin(), t.text.end());
      count = std::uint32_t(f.size());
    } else if (t.type == 3) {
      for (auto v : t.values) put16(f, v);
      count = std::uint32_t(t.values.size());
    } else if (t.type == 5 || t.type == 10) {
      for (auto v : t.values) put32(f, v);
      count = std::uint32_t(t.values.size() / 2);
    } else {
      for (auto v : t.values) put32(f, v);
      count = std::uint32_t(t.values.size());
    }
    if (f.size() > 4) {
      if (out.size() % 2) out.push_back(0);
      const auto at = std::uint32_t(out.size());
      out.insert(out.end(), f.begin(), f.end());
      f.clear();
      put32(f, at);
    }
    f.resize(4, 0);
    fields.push_back(f);
    counts.push_back(count);
  }
  if (out.size() % 2) out.push_back(0);
  const auto ifd = std::uint32_t(out.size());
  put16(out, std::uint32_t(tags.size()));
  for (std::size_t i = 0; i < tags.size(); ++i) {
    put16(out, tags[i].tag);
    put16(out, tags[i].type);
    put32(out, counts[i]);
    out.insert(out.end(), fields[i].begin(), fields[i].end());
  }
  put32(out, next == 1 ? ifd : next);
  std::vector<Byte> h;
  put32(h, ifd);
  std::copy(h.begin(), h.end(), out.begin() + 4);
  return out;
}

struct TTiffFixture {
  const char* name;
  int tolerance;
};

class TiffFixtureRead : public testing::TestWithParam<TTiffFixture> {};

TEST_P(TiffFixtureRead, GivesThePixelsOfTheReferenceReader) {
  const std::string name = GetParam().name;
  const std::vector<Byte> file = TiffTestFile(name + ".tif");
  ASSERT_FALSE(file.empty()) << name;
  TTiffLoaded r = TiffTestLoad(file);
  ASSERT_FALSE(r.aborted) << name;
  const TTiffNetpbm want = TiffTestNetpbm(name + ".ppm");
  const TTiffNetpbm alpha = TiffTestNetpbm(name + ".pgm");
  ASSERT_EQ(r.image->GetWidth(), want.w);
  ASSERT_EQ(r.image->GetHeight(), want.h);
  int bad = 0;
  for (int y = 0; y < want.h; ++y) {
    for (int x = 0; x < want.w; ++x) {
      Byte got[3];
      TiffTestPixel(*r.image, x, y, got);
      const std::size_t at = (std::size_t(y) * std::size_t(want.w) + std::size_t(x));
      int a = 255;
      if (alpha.w) {
        a = alpha.px[at];
        ASSERT_TRUE(r.mask) << name;
        if (r.mask->GetScanline(y)[x] != a) ++bad;
      }
      // The reference premultiplies colours by alpha.
      if (a != 255) continue;
      for (int k = 0; k < 3; ++k)
        if (std::abs(got[k] - want.px[at * 3 + std::size_t(k)]) > GetParam().tolerance) ++bad;
    }
  }
  EXPECT_EQ(bad, 0) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, TiffFixtureRead,
    testing::Values(TTiffFixture{"bw_none", 0}, TTiffFixture{"bw_white", 0}, TTiffFixture{"bw_packbits", 0},
                    TTiffFixture{"bw_g3", 0}, TTiffFixture{"bw_g32d", 0}, TTiffFixture{"bw_g3fill", 0},
                    TTiffFixture{"bw_g32dfill", 0}, TTiffFixture{"bw_g4", 0}, TTiffFixture{"bw_g4strips", 0},
                    TTiffFixture{"bw_g4lsb", 0}, TTiffFixture{"bw_g4be", 0}, TTiffFixture{"bw_g4tiles", 0},
                    TTiffFixture{"grey_none", 0}, TTiffFixture{"grey_packbits", 0}, TTiffFixture{"grey_be", 0},
                    TTiffFixture{"grey_tiles", 0}, TTiffFixture{"rgb_none", 0}, TTiffFixture{"rgb_packbits", 0},
                    TTiffFixture{"rgb_planar", 0}, TTiffFixture{"rgb_tiles", 0}, TTiffFixture{"rgb_be", 0},
                    TTiffFixture{"rgba_none", 0}, TTiffFixture{"pal_none", 0}, TTiffFixture{"grey4_none", 0},
                    TTiffFixture{"grey16_none", 1}, TTiffFixture{"grey16_be", 1}, TTiffFixture{"cmyk_none", 2},
                    TTiffFixture{"greya_none", 0}, TTiffFixture{"rgb_lzw", 0}, TTiffFixture{"rgb_lzwpred", 0},
                    TTiffFixture{"grey_lzwtiles", 0}, TTiffFixture{"bw_lzw", 0}, TTiffFixture{"grey16_lzwpred", 1},
                    TTiffFixture{"rgb_jpeg", 2}, TTiffFixture{"rgb_jpegrgb", 2}, TTiffFixture{"rgb_jpegtiles", 2},
                    TTiffFixture{"grey_jpeg", 2}),
    [](const testing::TestParamInfo<TTiffFixture>& i) { return std::string(i.param.name); });

TEST(TiffReader, MultiPageFileCountsAndReadsEachPage) {
  const std::vector<Byte> file = TiffTestFile("multi.tif");
  TVQMemStream s(file.data(), std::int64_t(file.size()));
  EXPECT_EQ(CountTiffImages(s), 3);
  const char* pages[] = {"bw_g4", "rgb_packbits", "grey_none"};
  for (int i = 0; i < 3; ++i) {
    TTiffLoaded r = TiffTestLoad(file, i);
    ASSERT_FALSE(r.aborted) << i;
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.params->TiffImageCount, 3);
    TTiffLoaded one = TiffTestLoad(TiffTestFile(std::string(pages[i]) + ".tif"));
    ASSERT_EQ(r.image->GetPixelFormat(), one.image->GetPixelFormat());
    for (int y = 0; y < one.image->GetHeight(); ++y)
      EXPECT_EQ(std::memcmp(r.image->GetScanline(y), one.image->GetScanline(y), std::size_t(one.image->GetRowLength())), 0);
  }
  TTiffLoaded past = TiffTestLoad(file, 3);
  EXPECT_TRUE(past.aborted);
}

TEST(TiffReader, NativeFormatsKeepTheirSamples) {
  struct Case {
    const char* name;
    TVQPixelFormat format;
  } cases[] = {{"grey_none", vqGray8}, {"grey16_none", vqGray16}, {"pal_none", vqPalette8}, {"cmyk_none", vqCMYK},
               {"rgb_none", vqRGB24}};
  for (const Case& c : cases) {
    TTiffLoaded r = TiffTestLoad(TiffTestFile(std::string(c.name) + ".tif"), 0, true);
    ASSERT_FALSE(r.aborted) << c.name;
    EXPECT_EQ(r.image->GetPixelFormat(), c.format) << c.name;
  }
  // 8-bit grey as stored.
  TTiffLoaded g = TiffTestLoad(TiffTestFile("grey_none.tif"), 0, true);
  const TTiffNetpbm want = TiffTestNetpbm("grey_none.ppm");
  for (int y = 0; y < want.h; ++y)
    for (int x = 0; x < want.w; ++x)
      ASSERT_EQ(g.image->GetScanline(y)[x], want.px[(std::size_t(y) * std::size_t(want.w) + std::size_t(x)) * 3]);
}

TEST(TiffReader, BigEndianShortWidthAndLongLengthGiveTheSameSize) {
  for (bool big : {false, true}) {
    const std::vector<Byte> f = TiffTestBuild(
        big, {{256, 3, {3}}, {257, 4, {2}}, {258, 3, {8}}, {262, 3, {1}}, {273, 4, {8}}, {277, 3, {1}}, {279, 4, {6}}},
        {10, 20, 30, 40, 50, 60});
    TTiffLoaded r = TiffTestLoad(f);
    ASSERT_FALSE(r.aborted) << big;
    EXPECT_EQ(r.params->Width, 3);
    EXPECT_EQ(r.params->Height, 2);
    Byte px[3];
    TiffTestPixel(*r.image, 2, 1, px);
    EXPECT_EQ(px[0], 60);
  }
}

TEST(TiffReader, ChainsThatLoopEndAndCountEachImageOnce) {
  const std::vector<Byte> self = TiffTestBuild(false, {{256, 3, {1}}, {257, 3, {1}}}, {}, 1);
  TVQMemStream s(self.data(), std::int64_t(self.size()));
  EXPECT_EQ(CountTiffImages(s), 1);
  // Two IFDs pointing at each other: the second links back to the first.
  std::vector<Byte> two = TiffTestBuild(false, {{256, 3, {1}}, {257, 3, {1}}}, {});
  const std::uint32_t first = two[4] | two[5] << 8;
  const auto second = std::uint32_t(two.size());
  two.insert(two.end(), {1, 0, 0, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0});
  two.insert(two.end(), {Byte(first), Byte(first >> 8), 0, 0});
  const std::size_t link = first + 2 + 12 * 2;
  two[link] = Byte(second), two[link + 1] = Byte(second >> 8);
  TVQMemStream s2(two.data(), std::int64_t(two.size()));
  EXPECT_EQ(CountTiffImages(s2), 2);
}

TEST(TiffReader, HeaderChecks) {
  std::vector<Byte> junk = {'X', 'X', 42, 0, 8, 0, 0, 0};
  TTiffLoaded r = TiffTestLoad(junk);
  EXPECT_TRUE(r.aborted);
  // A first IFD offset of 0: no image and no abort.
  std::vector<Byte> empty = {'I', 'I', 42, 0, 0, 0, 0, 0};
  TTiffLoaded e = TiffTestLoad(empty);
  EXPECT_FALSE(e.aborted);
  EXPECT_EQ(e.count, 0);
}

TEST(TiffReader, OneStripWhenRowsPerStripIsMissingOrAllOnes) {
  for (bool all : {false, true}) {
    std::vector<TTiffTag> tags = {{256, 3, {2}}, {257, 3, {3}}, {258, 3, {8}}, {262, 3, {1}}, {273, 4, {8}}};
    if (all) tags.push_back({278, 4, {0xFFFFFFFF}});
    const std::vector<Byte> f = TiffTestBuild(false, tags, {1, 2, 3, 4, 5, 6});
    TTiffLoaded r = TiffTestLoad(f, 0, true);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.image->GetScanline(2)[1], 6);
  }
}

TEST(TiffReader, ResolutionInCentimetresIsConvertedAndTruncated) {
  const std::vector<Byte> f = TiffTestBuild(false, {{256, 3, {1}}, {257, 3, {1}}, {282, 5, {72, 1}}, {283, 5, {0, 1}}, {296, 3, {3}}}, {});
  TTiffLoaded r;
  r.params->TiffImageIndex = 0;
  TVQMemStream s(f.data(), std::int64_t(f.size()));
  TVQProgressRec p;
  p.Aborting = &r.aborted;
  LoadTiffImage(r.image.get(), s, r.count, false, true, true, r.mask, true, p, r.params.get());
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.params->DpiX(), 182);
  EXPECT_EQ(r.params->DpiY(), kIODefaultDpi);
  EXPECT_EQ(r.params->Width, 1);
  EXPECT_EQ(r.params->TiffImageCount, 1);
  EXPECT_TRUE(r.image->IsEmpty()) << "params only leaves the bitmap alone";
}

TEST(TiffReader, ExifSubsecTimeInTheValueFieldInBothByteOrders) {
  for (bool big : {false, true}) {
    // The EXIF IFD sits after the main one: built as a second file's IFD.
    std::vector<Byte> f = TiffTestBuild(big, {{256, 3, {1}}, {257, 3, {1}}, {34665, 4, {0}}}, {});
    const auto exif = std::uint32_t(f.size());
    auto put = [&](std::initializer_list<Byte> le, std::initializer_list<Byte> be) {
      f.insert(f.end(), big ? be : le);
    };
    put({2, 0}, {0, 2});
    put({0x90, 0x92, 2, 0, 3, 0, 0, 0, '4', '2', 0, 0}, {0x92, 0x90, 0, 2, 0, 0, 0, 3, '4', '2', 0, 0});
    put({0x00, 0x90, 7, 0, 4, 0, 0, 0, '0', '2', '2', '1'}, {0x90, 0x00, 0, 7, 0, 0, 0, 4, '0', '2', '2', '1'});
    put({0, 0, 0, 0}, {0, 0, 0, 0});
    // Patch the pointer entry (the third of the first IFD).
    const std::uint32_t ifd = big ? std::uint32_t(f[4] << 24 | f[5] << 16 | f[6] << 8 | f[7]) : std::uint32_t(f[4] | f[5] << 8);
    const std::size_t v = ifd + 2 + 12 * 2 + 8;
    for (int i = 0; i < 4; ++i) f[v + std::size_t(i)] = Byte(big ? exif >> (24 - 8 * i) : exif >> (8 * i));
    TTiffLoaded r = TiffTestLoad(f);
    EXPECT_TRUE(r.params->ExifPresent) << big;
    EXPECT_EQ(r.params->ExifSubsecTime, "42") << big;
    EXPECT_EQ(r.params->ExifVersion, "0221") << big;
  }
}

TEST(TiffReader, BadDirectoriesAbortWithoutReadingPastTheData) {
  const std::vector<Byte> px(4, 0xAA);
  struct Case {
    const char* what;
    std::vector<TTiffTag> tags;
  } cases[] = {
      {"bits differ", {{256, 3, {1}}, {257, 3, {1}}, {258, 3, {8, 4, 8}}, {277, 3, {3}}, {273, 4, {8}}}},
      {"colour map short", {{256, 3, {1}}, {257, 3, {1}}, {258, 3, {8}}, {262, 3, {3}}, {273, 4, {8}}, {320, 3, {1, 2, 3}}}},
      {"no size", {{258, 3, {8}}, {273, 4, {8}}}},
      {"huge", {{256, 4, {100000}}, {257, 4, {100000}}, {273, 4, {8}}}},
      {"offsets past the end", {{256, 3, {1}}, {257, 3, {4}}, {258, 3, {8}}, {262, 3, {1}}, {273, 4, {8, 9, 10, 11, 12}}, {278, 3, {1}}}},
      {"unknown compression", {{256, 3, {2}}, {257, 3, {2}}, {258, 3, {8}}, {259, 3, {99}}, {273, 4, {8}}}},
      {"YCbCr without JPEG", {{256, 3, {1}}, {257, 3, {1}}, {258, 3, {8, 8, 8}}, {262, 3, {6}}, {277, 3, {3}}, {273, 4, {8}}}},
      {"planar of 4 bits", {{256, 3, {2}}, {257, 3, {1}}, {258, 3, {4, 4, 4}}, {277, 3, {3}}, {284, 3, {2}}, {273, 4, {8, 9, 10}}}},
  };
  for (const Case& c : cases) {
    std::vector<Byte> f = TiffTestBuild(false, c.tags, px);
    if (std::string(c.what) == "offsets past the end") f.resize(f.size());  // offsets array lies inside
    TTiffLoaded r = TiffTestLoad(f);
    if (std::string(c.what) == "offsets past the end") {
      EXPECT_FALSE(r.aborted) << c.what;  // strips past the end are skipped
      continue;
    }
    EXPECT_TRUE(r.aborted) << c.what;
  }
}

TEST(TiffReader, StripsPastTheEndOfTheStreamAreSkippedOrCut) {
  // Offsets beyond the data and a byte count far past it.
  const std::vector<Byte> f = TiffTestBuild(
      false, {{256, 3, {4}}, {257, 3, {2}}, {258, 3, {8}}, {262, 3, {1}}, {273, 4, {8, 0x7FFFFFF0}}, {278, 3, {1}}, {279, 4, {0x10000000, 4}}},
      {1, 2, 3});
  TTiffLoaded r = TiffTestLoad(f, 0, true);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.image->GetScanline(0)[0], 1);
  EXPECT_EQ(r.image->GetScanline(0)[2], 3);
}

TEST(TiffReader, BilevelPhotometricAndCompressionDecideInversion) {
  // One row of 8 pixels, the first four black in the file's sense.
  struct Case {
    int photometric, compression;
    Byte want;  // the bitmap's byte: a set bit is white
  } cases[] = {{0, 1, 0x0F}, {1, 1, 0xF0}, {0, 32773, 0x0F}, {1, 32773, 0xF0}, {-1, 1, 0x0F},
               // CCITT codes white 4 (1011) and black 4 (011): black is black
               // in WhiteIsZero, and comes out white in BlackIsZero whatever
               // the scheme.
               {0, 2, 0xF0}, {1, 2, 0x0F}, {1, 3, 0x0F}, {-1, 2, 0xF0}};
  for (const Case& c : cases) {
    const std::vector<Byte> data = c.compression == 1       ? std::vector<Byte>{0xF0}
                                   : c.compression == 32773 ? std::vector<Byte>{0, 0xF0}
                                   : c.compression == 2     ? std::vector<Byte>{0xB6}
                                                            : std::vector<Byte>{0x00, 0x1B, 0x60};
    std::vector<TTiffTag> tags = {{256, 3, {8}}, {257, 3, {1}}, {259, 3, {std::uint32_t(c.compression)}},
                                  {273, 4, {8}}, {279, 4, {std::uint32_t(data.size())}}};
    if (c.photometric >= 0) tags.push_back({262, 3, {std::uint32_t(c.photometric)}});
    TTiffLoaded r = TiffTestLoad(TiffTestBuild(false, tags, data));
    ASSERT_FALSE(r.aborted);
    ASSERT_EQ(r.image->GetPixelFormat(), vqBits1);
    EXPECT_EQ(r.image->GetScanline(0)[0], c.want) << c.photometric << " " << c.compression;
  }
}

TEST(TiffReader, SixteenBitGreyOfTwelveBitsIsStretchedForTheOneProgram) {
  for (bool molli : {true, false}) {
    std::vector<TTiffTag> tags = {{256, 3, {2}}, {257, 3, {1}}, {258, 3, {16}}, {262, 3, {1}}, {273, 4, {8}}};
    if (molli) tags.push_back({305, 2, {}, std::string("Look@Molli v1.1 x") + '\0'});
    TTiffLoaded r = TiffTestLoad(TiffTestBuild(false, tags, {0xFF, 0x0F, 0x00, 0x08}));
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.image->GetScanline(0)[0], molli ? 255 : 15);
    EXPECT_EQ(r.image->GetScanline(0)[3], molli ? 128 : 8);
  }
}

TEST(TiffReader, FourBitGreyOfOddWidthTakesTheLastPixelFromAHighNibble) {
  TTiffLoaded r = TiffTestLoad(TiffTestBuild(false, {{256, 3, {3}}, {257, 3, {1}}, {258, 3, {4}}, {262, 3, {1}}, {273, 4, {8}}}, {0x0F, 0xA0}));
  ASSERT_FALSE(r.aborted);
  const Byte* row = r.image->GetScanline(0);
  EXPECT_EQ(row[0], 0);
  EXPECT_EQ(row[3], 255);
  EXPECT_EQ(row[6], 0xAA);
}

TEST(TiffReader, OrientationIsAppliedWhenAsked) {
  // 2 x 1 grey: 10, 20. Orientation 6 (turn clockwise) gives 1 x 2, 10 on top.
  for (int o : {2, 5, 6, 7, 8}) {
    TTiffLoaded r;
    r.params->TiffApplyOrientation = true;
    r.params->NativePixelFormat = true;
    const std::vector<Byte> f = TiffTestBuild(false, {{256, 3, {2}}, {257, 3, {1}}, {258, 3, {8}}, {262, 3, {1}}, {273, 4, {8}}, {274, 3, {std::uint32_t(o)}}}, {10, 20});
    TVQMemStream s(f.data(), std::int64_t(f.size()));
    TVQProgressRec p;
    p.Aborting = &r.aborted;
    LoadTiffImage(r.image.get(), s, r.count, false, false, true, r.mask, false, p, r.params.get());
    ASSERT_FALSE(r.aborted);
    const bool turned = o >= 5;
    ASSERT_EQ(r.image->GetWidth(), turned ? 1 : 2) << o;
    // 5 transposes, 6 and 7 keep, 8 puts the first pixel at the bottom.
    const Byte first = r.image->GetScanline(0)[0];
    const Byte want = o == 2 ? 20 : o == 5 || o == 6 ? 10 : 20;
    EXPECT_EQ(first, want) << o;
  }
}

}  // namespace

namespace {

TEST(TiffReader, LzwWithoutACoderAborts) {
  TTiffLoaded r;
  r.params->TiffLzwDecompress = nullptr;
  const TVQTiffLzwDecompressFunc saved = DefTiffLzwDecompress;
  DefTiffLzwDecompress = nullptr;
  const std::vector<Byte> f = TiffTestFile("rgb_lzw.tif");
  TVQMemStream s(f.data(), std::int64_t(f.size()));
  TVQProgressRec p;
  p.Aborting = &r.aborted;
  LoadTiffImage(r.image.get(), s, r.count, false, false, true, r.mask, false, p, r.params.get());
  DefTiffLzwDecompress = saved;
  EXPECT_TRUE(r.aborted);
}

TEST(TiffReader, PredictorGivesThePixelsOfTheFileWithout) {
  TTiffLoaded a = TiffTestLoad(TiffTestFile("rgb_lzw.tif"));
  TTiffLoaded b = TiffTestLoad(TiffTestFile("rgb_lzwpred.tif"));
  ASSERT_FALSE(a.aborted || b.aborted);
  for (int y = 0; y < a.image->GetHeight(); ++y)
    EXPECT_EQ(std::memcmp(a.image->GetScanline(y), b.image->GetScanline(y), std::size_t(a.image->GetWidth()) * 3), 0);
}

}  // namespace

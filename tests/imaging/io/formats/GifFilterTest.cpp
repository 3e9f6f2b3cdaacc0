#include "imaging/io/formats/giffilter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/coders/giflzw.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using TGifRgb = std::array<std::uint8_t, 3>;

// ---- building GIF files --------------------------------------------------------------

struct TGifTestFrame {
  int x = 0, y = 0, w = 1, h = 1;
  Bytes pixels;  // w x h indices
  bool control = false;
  int disposal = 0;
  bool transparent = false;
  int transparentIndex = 0;
  int delay = 0;
  std::vector<TGifRgb> local;  // a local table when not empty
  bool interlaced = false;
  int codeSize = 0;  // 0: from the table
};

void GifTestU16(Bytes& b, int v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}

int GifTestBits(std::size_t entries) {
  int s = 0;
  while ((2u << s) < entries) ++s;
  return s;
}

void GifTestTable(Bytes& b, const std::vector<TGifRgb>& t) {
  const std::size_t n = 2u << GifTestBits(t.size());
  for (std::size_t i = 0; i < n; ++i) {
    const TGifRgb c = i < t.size() ? t[i] : TGifRgb{0, 0, 0};
    b.insert(b.end(), c.begin(), c.end());
  }
}

Bytes GifTestFile(int sw, int sh, const std::vector<TGifRgb>& global, int background,
                  const std::vector<TGifTestFrame>& frames, const std::vector<std::string>& comments = {}) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  GifTestU16(b, sw);
  GifTestU16(b, sh);
  b.push_back(global.empty() ? 0 : std::uint8_t(0x80 | GifTestBits(global.size())));
  b.push_back(std::uint8_t(background));
  b.push_back(0);
  if (!global.empty()) GifTestTable(b, global);
  for (const std::string& c : comments) {
    b.insert(b.end(), {0x21, 0xFE, std::uint8_t(c.size())});
    b.insert(b.end(), c.begin(), c.end());
    b.push_back(0);
  }
  for (const TGifTestFrame& f : frames) {
    if (f.control) {
      b.insert(b.end(), {0x21, 0xF9, 4, std::uint8_t(f.disposal << 2 | (f.transparent ? 1 : 0))});
      GifTestU16(b, f.delay);
      b.insert(b.end(), {std::uint8_t(f.transparentIndex), 0});
    }
    b.push_back(0x2C);
    GifTestU16(b, f.x);
    GifTestU16(b, f.y);
    GifTestU16(b, f.w);
    GifTestU16(b, f.h);
    b.push_back(std::uint8_t((f.local.empty() ? 0 : 0x80 | GifTestBits(f.local.size())) |
                             (f.interlaced ? 0x40 : 0)));
    if (!f.local.empty()) GifTestTable(b, f.local);
    TMemoryStream data;
    const std::size_t entries = f.local.empty() ? global.size() : f.local.size();
    GifLzwEncode(&data, f.h, f.w, f.codeSize ? f.codeSize : GifTestBits(entries) + 1, f.pixels.data(), f.interlaced);
    const auto* p = static_cast<const std::uint8_t*>(data.Memory());
    b.insert(b.end(), p, p + data.Size());
  }
  b.push_back(0x3B);
  return b;
}

Bytes GifTestReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes GifTestData(const std::string& name) { return GifTestReadFile(std::string(LUMIQA_TEST_DATA) + "/gif/" + name); }

void GifTestFill(TMemoryStream& s, const Bytes& b) {
  s.Clear();
  s.WriteBuffer(b.data(), std::int64_t(b.size()));
  s.SetPosition(0);
}

class GifFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    StartImagingLibrary();
    InstallGifFilter();
  }
  void TearDown() override { EndImagingLibrary(); }

  // One frame through the reader.
  struct TRead {
    TVQBitmap image;
    std::unique_ptr<TVQMask> mask;
    TIOParamsVals params{nullptr};
    int count = -1;
    bool aborted = false;
    std::int64_t position = 0;
  };
  void Read(TRead& r, const Bytes& file, int index = 0, bool paramsOnly = false) {
    TMemoryStream s;
    GifTestFill(s, file);
    r.params.GifImageIndex = index;
    TVQProgressRec progress;
    progress.Aborting = &r.aborted;
    LoadGifImage(s, &r.image, r.count, false, r.mask, paramsOnly, progress, r.params);
    r.position = s.Position();
  }
  // The composed picture through the component.
  int Compose(TPictoraIO& io, const Bytes& file, int index) {
    TMemoryStream s;
    GifTestFill(s, file);
    io.Parameters()->GifImageIndex = index;
    return io.LoadGifFromStream(&s);
  }
};

const std::vector<TGifRgb> kGifGrey4 = {{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}};

// ---- reading one frame -----------------------------------------------------------------

TEST_F(GifFilter, TwoColourTablesGiveOneBitOnlyWhenBlackThenWhite) {
  struct Case {
    std::vector<TGifRgb> table;
    bool native;
    TVQPixelFormat format;
  };
  const Case cases[] = {{{{0, 0, 0}, {255, 255, 255}}, false, vqBits1},
                        {{{255, 255, 255}, {0, 0, 0}}, false, vqRGB24},
                        {{{255, 255, 255}, {0, 0, 0}}, true, vqPalette8},
                        {kGifGrey4, false, vqRGB24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    TGifTestFrame f;
    f.w = 9;
    f.h = 2;
    f.pixels = {0, 1, 0, 1, 1, 1, 0, 0, 1, 1, 0, 1, 0, 0, 0, 1, 1, 0};
    TRead r;
    r.params.NativePixelFormat = c.native;
    Read(r, GifTestFile(9, 2, c.table, 0, {f}), 0);
    ASSERT_FALSE(r.aborted);
    ASSERT_EQ(r.image.GetPixelFormat(), c.format);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 9; ++x) {
        const TGifRgb want = c.table[f.pixels[std::size_t(y * 9 + x)]];
        const TRGBPixel got = r.image.GetPixelRGB(x, y);
        EXPECT_EQ((TGifRgb{got.r, got.g, got.b}), want) << x << "," << y;
      }
    EXPECT_EQ(r.params.BitsPerSample, c.table.size() == 2 ? 1 : 2);
    EXPECT_EQ(r.params.ColorMapCount(), int(c.table.size()));
  }
}

TEST_F(GifFilter, TransparencyClearsExactlyTheTransparentIndexInTheMask) {
  TGifTestFrame f;
  f.w = 4;
  f.h = 2;
  f.pixels = {3, 0, 3, 1, 2, 3, 3, 0};
  TRead plain;
  Read(plain, GifTestFile(4, 2, kGifGrey4, 0, {f}));
  ASSERT_TRUE(plain.mask);
  EXPECT_FALSE(plain.params.GifHasTransparency);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(plain.mask->GetPixel(i % 4, i / 4), 255);

  f.control = true;
  f.transparent = true;
  f.transparentIndex = 3;
  TRead r;
  Read(r, GifTestFile(4, 2, kGifGrey4, 0, {f}));
  EXPECT_TRUE(r.params.GifHasTransparency);
  EXPECT_EQ(r.params.GifTransparentColor, (TRGBPixel{255, 255, 255}));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(r.mask->GetPixel(i % 4, i / 4), f.pixels[std::size_t(i)] == 3 ? 0 : 255) << i;
}

TEST_F(GifFilter, ReadsTheChosenFrameWithItsOwnControlBlockAndCountsAll) {
  std::vector<TGifTestFrame> frames(5);
  for (int i = 0; i < 5; ++i) {
    frames[std::size_t(i)].w = 2;
    frames[std::size_t(i)].h = 1;
    frames[std::size_t(i)].x = i;
    frames[std::size_t(i)].pixels = {std::uint8_t(i % 4), 0};
    frames[std::size_t(i)].control = i != 3;
    frames[std::size_t(i)].delay = 10 * (i + 1);
    frames[std::size_t(i)].disposal = i % 3;
  }
  frames[2].local = {{9, 9, 9}, {1, 2, 3}, {7, 7, 7}};
  const Bytes file = GifTestFile(8, 1, kGifGrey4, 2, frames, {"first", "", "second"});
  struct Case {
    int index, delay, disposal, x;
  };
  for (const Case c : {Case{0, 10, 0, 0}, Case{2, 30, 2, 2}, Case{3, 0, 0, 3}, Case{4, 50, 1, 4}}) {
    SCOPED_TRACE(c.index);
    TRead r;
    Read(r, file, c.index);
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(r.count, 5);
    EXPECT_EQ(r.params.GifImageCount, 5);
    EXPECT_EQ(r.params.GifDelayTime, c.delay);
    EXPECT_EQ(r.params.GifDisposalMethod, c.disposal);
    EXPECT_EQ(r.params.GifXPos, c.x);
    EXPECT_EQ(r.params.GifWinWidth, 8);
    EXPECT_EQ(r.params.GifBackground, (TRGBPixel{170, 170, 170}));
    EXPECT_EQ(r.params.GifComments->Count(), 2);
    EXPECT_EQ(r.position, std::int64_t(file.size()));
  }
  TRead local;
  Read(local, file, 2);
  const TRGBPixel c = local.image.GetPixelRGB(0, 0);  // index 2 of the local table
  EXPECT_EQ((TGifRgb{c.r, c.g, c.b}), (TGifRgb{7, 7, 7}));
  EXPECT_EQ(local.params.ColorMapCount(), 4);
}

TEST_F(GifFilter, UntrustedInput) {
  TGifTestFrame f;
  f.w = 4;
  f.h = 4;
  f.pixels.assign(16, 1);
  const Bytes good = GifTestFile(4, 4, kGifGrey4, 0, {f, f});
  struct Case {
    const char* name;
    Bytes file;
    bool aborted;
    int count;  // -1: not looked at
  };
  Bytes notGif = good;
  notGif[0] = 'X';
  Bytes headerOnly(good.begin(), good.begin() + 13 + 12);
  Bytes refused = good;
  refused[13 + 12 + 10] = 12;  // the first frame's code size
  TGifTestFrame empty = f;
  empty.w = 0;
  empty.pixels.clear();
  TGifTestFrame outside = f;
  outside.x = 60000;
  outside.y = 60000;
  TGifTestFrame pastTable = f;
  pastTable.pixels.assign(16, 200);
  pastTable.codeSize = 8;
  const Case cases[] = {
      {"not a GIF", notGif, true, 0},
      {"ends after the header", headerOnly, true, 0},
      {"short header", Bytes(good.begin(), good.begin() + 10), true, 0},
      {"decoder refuses the data", refused, true, 1},
      {"zero-sized frame", GifTestFile(4, 4, kGifGrey4, 0, {empty, f}), true, 1},
      {"frame outside the screen", GifTestFile(4, 4, kGifGrey4, 0, {outside}), false, 1},
      {"indices past the table", GifTestFile(4, 4, kGifGrey4, 0, {pastTable}), false, 1},
      {"truncated in the second frame", Bytes(good.begin(), good.end() - 6), false, 2},
      {"truncated in the first descriptor", Bytes(good.begin(), good.begin() + 13 + 12 + 5), false, 0},
      {"garbage between blocks", [&] {
         Bytes b = good;
         b.insert(b.begin() + 13 + 12, {7, 7, 7});
         return b;
       }(), false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRead r;
    Read(r, c.file, 0);
    EXPECT_EQ(r.aborted, c.aborted);
    if (c.count >= 0) {
      EXPECT_EQ(r.count, c.count);
    }
  }
  TRead past;
  Read(past, GifTestFile(4, 4, kGifGrey4, 0, {pastTable}), 0);
  EXPECT_EQ(past.image.GetPixelRGB(1, 1), (TRGBPixel{0, 0, 0}));
}

TEST_F(GifFilter, ParamsOnlyLeavesTheBitmapAlone) {
  TGifTestFrame f;
  f.w = 3;
  f.h = 2;
  f.pixels.assign(6, 2);
  f.interlaced = true;
  TRead r;
  Read(r, GifTestFile(5, 6, kGifGrey4, 1, {f}), 0, true);
  EXPECT_FALSE(r.aborted);
  EXPECT_TRUE(r.image.IsEmpty());
  EXPECT_EQ(r.params.Width, 3);
  EXPECT_EQ(r.params.Height, 2);
  EXPECT_EQ(r.params.GifWinHeight, 6);
  EXPECT_TRUE(r.params.GifInterlaced);
  EXPECT_EQ(r.params.BitsPerSample, 2);
  EXPECT_EQ(r.params.DpiX(), kIODefaultDpi);
}

// ---- files of other writers, composed --------------------------------------------------

struct TGifFixture {
  const char* name;
  int frames, width, height;
};

// Expected frames: ImageMagick's coalesced frames as RGBA rows.
TEST_F(GifFilter, ComposesFilesOfOtherWritersAsImageMagickCoalescesThem) {
  const TGifFixture fixtures[] = {{"im_offsets", 4, 24, 16},   {"im_opt", 3, 24, 16},
                                  {"gs_opt", 3, 24, 16},       {"gs_interlaced", 4, 24, 16},
                                  {"pillow_anim", 4, 24, 16},  {"pillow_trans", 3, 24, 16},
                                  {"gs_src", 4, 24, 16}};
  for (const TGifFixture& fx : fixtures) {
    const Bytes file = GifTestData(std::string(fx.name) + ".gif");
    const Bytes rgba = GifTestData(std::string(fx.name) + ".rgba");
    ASSERT_EQ(rgba.size(), std::size_t(fx.frames) * fx.width * fx.height * 4) << fx.name;
    for (int k = 0; k < fx.frames; ++k) {
      SCOPED_TRACE(testing::Message() << fx.name << " frame " << k);
      TPictoraIO io(nullptr);
      ASSERT_EQ(Compose(io, file, k), fx.frames);
      ASSERT_FALSE(io.Aborting);
      TVQBitmap* img = io.Image();
      ASSERT_EQ(img->GetWidth(), fx.width);
      ASSERT_EQ(img->GetHeight(), fx.height);
      ASSERT_EQ(img->GetPixelFormat(), vqRGB24);
      int wrong = 0;
      for (int y = 0; y < fx.height; ++y)
        for (int x = 0; x < fx.width; ++x) {
          const std::uint8_t* e = &rgba[((std::size_t(k) * fx.height + y) * fx.width + x) * 4];
          const int alpha = img->HasAlphaChannel() ? img->GetAlpha(x, y) : 255;
          const TRGBPixel c = img->GetPixelRGB(x, y);
          // A transparent pixel's colour means nothing.
          if (alpha != e[3] || (e[3] && (c.r != e[0] || c.g != e[1] || c.b != e[2]))) {
            if (wrong++ == 0)
              ADD_FAILURE() << "at " << x << "," << y << " got " << int(c.r) << " " << int(c.g) << " " << int(c.b)
                            << " " << alpha << " want " << int(e[0]) << " " << int(e[1]) << " " << int(e[2]) << " "
                            << int(e[3]);
          }
        }
      EXPECT_EQ(wrong, 0);
    }
  }
}

TEST_F(GifFilter, OneBitFileOfAnotherWriter) {
  TPictoraIO io(nullptr);
  EXPECT_EQ(Compose(io, GifTestData("pillow_bw.gif"), 0), 1);
  const Bytes rgba = GifTestData("pillow_bw.rgba");
  ASSERT_EQ(io.Image()->GetWidth(), 13);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) EXPECT_EQ(io.Image()->GetPixelRGB(x, y).r, rgba[std::size_t(y * 13 + x) * 4]);
}

// ---- composition rules -----------------------------------------------------------------

// Four frames on an 8 x 4 screen of background index 2 (170 grey).
std::vector<TGifTestFrame> GifTestAnimation() {
  std::vector<TGifTestFrame> frames(4);
  TGifTestFrame& a = frames[0];
  a.x = 1, a.y = 1, a.w = 2, a.h = 2, a.pixels = {0, 0, 0, 0};
  TGifTestFrame& b = frames[1];
  b.x = 4, b.y = 0, b.w = 2, b.h = 2, b.pixels = {1, 1, 1, 3};
  b.control = true, b.disposal = 2, b.transparent = true, b.transparentIndex = 3;
  TGifTestFrame& c = frames[2];
  c.x = 0, c.y = 3, c.w = 1, c.h = 1, c.pixels = {3};
  TGifTestFrame& d = frames[3];
  d.x = 6, d.y = 2, d.w = 2, d.h = 2, d.pixels = {1, 0, 0, 1};
  return frames;
}

// Each pixel as 'k' black (0), 'd' dark (85), 'w' white, '.' transparent.
std::string GifTestPicture(TVQBitmap* img) {
  std::string s;
  for (int y = 0; y < img->GetHeight(); ++y) {
    for (int x = 0; x < img->GetWidth(); ++x) {
      const int a = img->HasAlphaChannel() ? img->GetAlpha(x, y) : 255;
      const int v = img->GetPixelRGB(x, y).r;
      s += a == 0 ? '.' : v == 0 ? 'k' : v == 85 ? 'd' : v == 255 ? 'w' : '?';
    }
    s += '|';
  }
  return s;
}

TEST_F(GifFilter, ComposesFramesWithPositionTransparencyAndDisposal) {
  const Bytes file = GifTestFile(8, 4, kGifGrey4, 2, GifTestAnimation());
  struct Case {
    int index;
    const char* picture;
  };
  const Case cases[] = {
      {0, "........|.kk.....|.kk.....|........|"},
      {1, "....dd..|.kk.d...|.kk.....|........|"},
      // Frame 1 restores its place to the background, transparent.
      {2, "........|.kk.....|.kk.....|w.......|"},
      {3, "........|.kk.....|.kk...dk|w.....kd|"},
      {-1, "........|.kk.....|.kk...dk|w.....kd|"},
      {9, "........|.kk.....|.kk...dk|w.....kd|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TPictoraIO io(nullptr);
    EXPECT_EQ(Compose(io, file, c.index), 4);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(GifTestPicture(io.Image()), c.picture);
    EXPECT_EQ(io.Parameters()->GifImageIndex, c.index);
    EXPECT_EQ(io.Parameters()->FileType, ioGIF);
  }
  // Under the transparent pixels lies the background colour.
  TPictoraIO io(nullptr);
  Compose(io, file, 0);
  EXPECT_EQ(io.Image()->GetPixelRGB(0, 0), (TRGBPixel{170, 170, 170}));
}

TEST_F(GifFilter, AFrameLargerThanTheScreenEnlargesTheCanvas) {
  std::vector<TGifTestFrame> frames = GifTestAnimation();
  frames[2].w = 10, frames[2].h = 5, frames[2].y = 0, frames[2].pixels.assign(50, 3);
  frames[2].control = true, frames[2].transparent = true, frames[2].transparentIndex = 3;
  TPictoraIO io(nullptr);
  EXPECT_EQ(Compose(io, GifTestFile(8, 4, kGifGrey4, 2, frames), 2), 4);
  // The new area is opaque background.
  EXPECT_EQ(GifTestPicture(io.Image()),
            "........??|.kk.....??|.kk.....??|........??|??????????|");
}

TEST_F(GifFilter, AOneBitFrameAmidColourFramesDoesNotRestartTheCanvas) {
  std::vector<TGifTestFrame> frames = GifTestAnimation();
  frames[2].local = {{0, 0, 0}, {255, 255, 255}};
  frames[2].pixels = {1};
  TPictoraIO io(nullptr);
  Compose(io, GifTestFile(8, 4, kGifGrey4, 2, frames), 3);
  EXPECT_EQ(GifTestPicture(io.Image()), "........|.kk.....|.kk...dk|w.....kd|");
}

TEST_F(GifFilter, AFrameThatFailsLeavesThePictureOfTheFramesBefore) {
  std::vector<TGifTestFrame> frames = GifTestAnimation();
  frames[2].w = 0;
  frames[2].pixels.clear();
  TPictoraIO io(nullptr);
  EXPECT_EQ(Compose(io, GifTestFile(8, 4, kGifGrey4, 2, frames), 3), 3);
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(GifTestPicture(io.Image()), "....dd..|.kk.d...|.kk.....|........|");
}

TEST_F(GifFilter, ASingleFrameFileGivesTheFrameWithItsTransparency) {
  TGifTestFrame f;
  f.x = 3, f.w = 2, f.h = 1, f.pixels = {3, 1};
  f.control = true, f.transparent = true, f.transparentIndex = 3;
  TPictoraIO io(nullptr);
  EXPECT_EQ(Compose(io, GifTestFile(8, 4, kGifGrey4, 2, {f}, {"one", "two"}), 0), 1);
  EXPECT_EQ(GifTestPicture(io.Image()), ".d|");
  EXPECT_EQ(io.Parameters()->GifComments->Count(), 2);
  EXPECT_EQ(io.Background(), TColor(0xFFFFFF));  // the transparent colour
}

TEST_F(GifFilter, CommentsOfAnAnimationAreListedOnce) {
  TPictoraIO io(nullptr);
  Compose(io, GifTestFile(8, 4, kGifGrey4, 2, GifTestAnimation(), {"made here"}), -1);
  EXPECT_EQ(io.Parameters()->GifComments->Count(), 1);
}

int gGifDecodes = 0;
void GifCountingDecoder(TStream* s, int h, int w, void* d, bool i) {
  ++gGifDecodes;
  GifLzwDecode(s, h, w, d, i);
}

// Counts the bytes read through it.
struct TGifCountingStream : TMemoryStream {
  std::int64_t Read(void* b, std::int64_t n) override {
    const std::int64_t got = TMemoryStream::Read(b, n);
    BytesRead += got;
    return got;
  }
  std::int64_t BytesRead = 0;
};

TEST_F(GifFilter, TheLastFrameOfALongAnimationDecodesEachFrameOnceAndReadsTheFileOnce) {
  // Noisy frames, so that the file is several times the decoder's read-ahead
  // and walking it once per frame would show.
  std::vector<TGifTestFrame> frames(60);
  std::uint32_t noise = 1;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    frames[i].w = 256, frames[i].h = 64, frames[i].y = int(i % 4);
    frames[i].pixels.resize(256 * 64);
    for (auto& v : frames[i].pixels) v = std::uint8_t((noise = noise * 1103515245u + 12345u) >> 30);
    frames[i].pixels[3 * 256] = std::uint8_t(i % 3);
  }
  const Bytes file = GifTestFile(256, 68, kGifGrey4, 0, frames);
  ASSERT_GT(file.size(), 4u * 65536);
  TPictoraIO io(nullptr);
  io.Parameters()->GifLzwDecompress = GifCountingDecoder;
  io.Parameters()->GifImageIndex = -1;
  TGifCountingStream s;
  GifTestFill(s, file);
  gGifDecodes = 0;
  EXPECT_EQ(io.LoadGifFromStream(&s), 60);
  EXPECT_EQ(gGifDecodes, 60);
  // One walk of the blocks and one read of each frame's data, with the
  // read-ahead of the buffers.
  EXPECT_LT(s.BytesRead, 2 * std::int64_t(file.size()) + 60 * 65536 + 65536);
  EXPECT_EQ(io.Image()->GetPixelRGB(0, 3 + 3).r, kGifGrey4[59 % 3][0]);  // row 3 of the last frame
}

// ---- writing ----------------------------------------------------------------------------

struct TGifWritten {
  Bytes file;
  bool aborted = false;
};

TGifWritten GifTestSave(TVQBitmap& image, TIOParamsVals& params) {
  TMemoryStream s;
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  SaveGifImage(s, &image, params, progress);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return {Bytes(p, p + s.Size()), aborted};
}

void GifTestPaint(TVQBitmap& image, int w, int h, int colours) {
  image.Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int k = (x * 7 + y * 3) % colours;
      Byte* p = image.GetScanline(y) + 3 * x;
      p[0] = Byte(k * 40), p[1] = Byte(255 - k * 20), p[2] = Byte(k * 13);
    }
}

TEST_F(GifFilter, WrittenFilesReadBackWithTheSamePixels) {
  struct Case {
    const char* name;
    int bits, colours;
    bool interlaced, alpha;
  };
  const Case cases[] = {{"8 bits", 8, 50, false, false}, {"4 bits", 4, 16, true, false},
                        {"2 bits", 2, 4, false, false},  {"8 bits with alpha", 8, 200, false, true},
                        {"depth of another format's 16 bits", 16, 30, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TVQBitmap image;
    GifTestPaint(image, 37, 23, c.colours);
    if (c.alpha)
      for (int x = 0; x < 37; ++x) image.SetAlpha(x, 5, 0);
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.GifInterlaced = c.interlaced;
    params.GifComments->Add(std::string(300, 'c'));
    const TGifWritten out = GifTestSave(image, params);
    ASSERT_FALSE(out.aborted);
    EXPECT_EQ(out.file[10] & 7, std::min(c.bits, 8) - 1);
    TRead r;
    Read(r, out.file);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params.GifInterlaced, c.interlaced);
    EXPECT_EQ(r.params.GifComments->Count(), 2);  // one text in two sub-blocks
    EXPECT_EQ(r.params.GifHasTransparency, c.alpha);
    int wrong = 0;
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) {
        const bool clear = c.alpha && y == 5;
        if (r.mask->GetPixel(x, y) != (clear ? 0 : 255)) ++wrong;
        if (!clear && !(r.image.GetPixelRGB(x, y) == image.GetPixelRGB(x, y))) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(GifFilter, AlphaHoldsBackTheLastIndexOfAFullTable) {
  TVQBitmap image;
  GifTestPaint(image, 8, 8, 64);
  image.SetAlpha(2, 2, 10);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  const TGifWritten out = GifTestSave(image, params);
  ASSERT_FALSE(out.aborted);
  EXPECT_EQ(out.file[10], 0xF7);  // a 256-entry table
  const std::size_t control = 13 + 768;
  EXPECT_EQ(out.file[control], 0x21);
  EXPECT_EQ(out.file[control + 3] & 1, 1);
  EXPECT_EQ(out.file[control + 6], 255);
}

TEST_F(GifFilter, OneBitImagesAndTwoColourPictures) {
  TVQBitmap image;
  image.Allocate(10, 3, vqRGB24);
  image.Fill(0xFF0000);  // blue
  for (int x = 0; x < 10; x += 3) image.SetPixelByte(x * 3 + 2, 1, 255);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 1;
  const TGifWritten out = GifTestSave(image, params);
  ASSERT_FALSE(out.aborted);
  EXPECT_EQ(out.file[10] & 7, 0);
  TRead r;
  Read(r, out.file);
  ASSERT_EQ(r.image.GetPixelFormat(), vqBits1);
  // The darker colour is black.
  for (int x = 0; x < 10; ++x) EXPECT_EQ(r.image.GetPixelRGB(x, 1).r, x % 3 == 0 ? 255 : 0) << x;
}

TEST_F(GifFilter, WritingWithoutAnEncoderAbortsAfterTheDescriptors) {
  TVQBitmap image;
  GifTestPaint(image, 4, 4, 3);
  TIOParamsVals params(nullptr);
  params.GifLzwCompress = nullptr;
  DefGifLzwCompress = nullptr;
  const TGifWritten out = GifTestSave(image, params);
  DefGifLzwCompress = GifLzwEncode;
  EXPECT_TRUE(out.aborted);
  EXPECT_EQ(out.file.size(), 13u + 768 + 8 + 10);
}

TEST_F(GifFilter, AShortWriteInsideTheEncoderIsReported) {
  TVQBitmap image;
  GifTestPaint(image, 64, 64, 200);
  TIOParamsVals params(nullptr);
  // A stream that takes only the header and descriptors.
  struct TShort : TMemoryStream {
    std::int64_t Write(const void* b, std::int64_t n) override {
      return Size() + n > 13 + 768 + 18 ? 0 : TMemoryStream::Write(b, n);
    }
  } s;
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  SaveGifImage(s, &image, params, progress);
  EXPECT_TRUE(aborted);
}

// ---- frame copy -----------------------------------------------------------------------------

TEST_F(GifFilter, DeleteGifFrameCountsAndRemovesFrames) {
  char pattern[] = "/tmp/lumiqa_giftest_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/a.gif";
  Bytes file = GifTestFile(8, 4, kGifGrey4, 2, GifTestAnimation(), {"note"});
  file[3] = '8', file[4] = '7';
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  EXPECT_EQ(GifFrameCount(path), 4);
  EXPECT_EQ(DeleteGifFrame(path, -1, false), 4);
  EXPECT_EQ(GifTestReadFile(path), file);
  EXPECT_EQ(DeleteGifFrame(path, 1, true), 3);
  const Bytes left = GifTestReadFile(path);
  EXPECT_EQ(std::string(left.begin(), left.begin() + 6), "GIF89a");
  // What was frame 2 is frame 1 now, and frame 1's disposal went with it.
  TRead r;
  Read(r, left, 1);
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.params.GifXPos, 0);
  EXPECT_EQ(r.params.GifYPos, 3);
  EXPECT_EQ(r.params.GifDisposalMethod, 0);
  EXPECT_EQ(r.params.GifComments->Count(), 1);
  EXPECT_EQ(GifFrameCount(std::string(pattern) + "/none.gif"), 0);
  const std::string text = std::string(pattern) + "/t.gif";
  std::ofstream(text) << "not a picture";
  EXPECT_EQ(DeleteGifFrame(text, 0, true), 0);
  unlink(path.c_str());
  unlink(text.c_str());
  rmdir(pattern);
}

}  // namespace

// Packed DIBs and YUV frames into bitmaps and back: every depth and layout
// on small hand-made blocks, the row orders, hostile headers, and the same
// bytes for every thread count.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_colorspace.h"
#include "imaging/core/colour/pictoraproc_frames.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace framestest {

using Bytes = std::vector<Byte>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(Byte(v >> (8 * i)));
}

// A packed DIB: 40-byte header, table or masks, then the pixel bytes.
Bytes Dib(int w, int h, int bitCount, std::uint32_t compression, const std::vector<std::uint32_t>& table,
          const Bytes& pixels, std::uint32_t clrUsed = 0) {
  Bytes b;
  Put32(b, 40);
  Put32(b, std::uint32_t(w));
  Put32(b, std::uint32_t(h));
  b.push_back(1);
  b.push_back(0);
  b.push_back(Byte(bitCount));
  b.push_back(Byte(bitCount >> 8));
  Put32(b, compression);
  for (int i = 0; i < 3; ++i) Put32(b, 0);
  Put32(b, clrUsed);
  Put32(b, 0);
  for (std::uint32_t q : table) Put32(b, q);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

std::unique_ptr<TVQBitmap> MemoryBitmap() { return bitmaptest::NewBitmap(vqMemoryBuffer); }

TRGBPixel Rgb(int r, int g, int b) { return TRGBPixel{Byte(b), Byte(g), Byte(r)}; }
TRGBPixel Yuv(int y, int u, int v) {
  TRGBPixel p;
  YUVToRGB(y, u, v, p.b, p.g, p.r);
  return p;
}

// Pixels row by row from the top.
std::vector<TRGBPixel> Pixels(TVQBitmap& b) {
  std::vector<TRGBPixel> out;
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x) out.push_back(b.GetPixelRGB(x, y));
  return out;
}

std::string Show(const std::vector<TRGBPixel>& v) {
  std::string s;
  for (const TRGBPixel& p : v)
    s += "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
  return s;
}

const TRGBPixel black{}, white{255, 255, 255};

TEST(FrameToBitmap, DecodesEveryDepthTheDibsCarry) {
  struct Case {
    const char* name;
    Bytes block;
    int width, height, bitCount;
    TVQPixelFormat format;
    std::vector<TRGBPixel> pixels;  // from the top
  };
  const std::vector<std::uint32_t> vga16 = {0x000000, 0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112,
                                            0x131415, 0x161718, 0x191A1B, 0x1C1D1E, 0x1F2021, 0x222324, 0x252627,
                                            0x28292A, 0x2B2C2D};
  auto entry = [&](int i) { return Rgb(Byte(vga16[i] >> 16), Byte(vga16[i] >> 8), Byte(vga16[i])); };
  const Case cases[] = {
      // The table (white, black) is ignored: a set bit is white. Stored rows
      // come bottom-up.
      {"1 bit", Dib(3, 2, 1, 0, {0xFFFFFF, 0}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}), 3, 2, 1, vqBits1,
       {black, white, black, white, black, white}},
      // A 5-pixel row 0x12 0x34 0x50 gives entries 1 to 5.
      {"4 bits, odd width", Dib(5, 1, 4, 0, vga16, {0x12, 0x34, 0x50, 0}), 5, 1, 4, vqRGB24,
       {entry(1), entry(2), entry(3), entry(4), entry(5)}},
      // Three colours used; index 200 lies past them and reads black.
      {"8 bits, colours used", Dib(2, 2, 8, 0, {0x030201, 0x060504, 0x090807}, {2, 200, 0, 0, 0, 1, 0, 0}, 3), 2,
       2, 8, vqRGB24, {Rgb(3, 2, 1), Rgb(6, 5, 4), Rgb(9, 8, 7), black}},
      {"16 bits 5-5-5", Dib(3, 1, 16, 0, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}), 3, 1, 16, vqRGB24,
       {Rgb(248, 0, 0), Rgb(0, 248, 0), Rgb(0, 0, 248)}},
      // Pure red 0xF800 is red 248; 0x8410 has the top bit of each field.
      {"16 bits 5-6-5", Dib(4, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84}),
       4, 1, 16, vqRGB24, {Rgb(248, 0, 0), Rgb(0, 252, 0), Rgb(0, 0, 248), Rgb(128, 128, 128)}},
      // Blue above red, and two-bit fields: each field lands in its channel.
      {"16 bits, other masks", Dib(2, 1, 16, 3, {0x0003, 0x000C, 0x7C00}, {0x03, 0x00, 0x08, 0x7C}), 2, 1, 16,
       vqRGB24, {Rgb(192, 0, 0), Rgb(0, 128, 248)}},
      {"24 bits", Dib(2, 2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}), 2, 2, 24, vqRGB24,
       {Rgb(9, 8, 7), Rgb(12, 11, 10), Rgb(3, 2, 1), Rgb(6, 5, 4)}},
      {"32 bits", Dib(2, 1, 32, 0, {}, {1, 2, 3, 99, 4, 5, 6, 99}), 2, 1, 32, vqRGB24, {Rgb(3, 2, 1), Rgb(6, 5, 4)}},
      // The masks are skipped, not applied.
      {"32 bits, bit fields", Dib(2, 1, 32, 3, {0xFF, 0xFF00, 0xFF0000}, {1, 2, 3, 99, 4, 5, 6, 99}), 2, 1, 32,
       vqRGB24, {Rgb(3, 2, 1), Rgb(6, 5, 4)}},
      // A negative height stores the rows top-down.
      {"8 bits, top-down", Dib(1, -2, 8, 0, {0x0000FF, 0x00FF00}, {0, 0, 0, 0, 1, 0, 0, 0}, 2), 1, 2, 8, vqRGB24,
       {Rgb(0, 0, 255), Rgb(0, 255, 0)}},
      // Run-length rows: a run of two 1s, end of line; a 2, a 0, end of bitmap.
      {"8 bits, run-length",
       Dib(2, 2, 8, 1, {0x0A0B0C, 0x112233, 0x445566}, {2, 1, 0, 0, 1, 2, 1, 0, 0, 1}, 3), 2, 2, 8, vqRGB24,
       {Rgb(0x44, 0x55, 0x66), Rgb(0x0A, 0x0B, 0x0C), Rgb(0x11, 0x22, 0x33), Rgb(0x11, 0x22, 0x33)}},
      // Three pixels alternating the nibbles 1 and 2.
      {"4 bits, run-length", Dib(3, 1, 4, 2, vga16, {3, 0x12, 0, 1}), 3, 1, 4, vqRGB24,
       {entry(1), entry(2), entry(1)}},
      // Layouts not decoded leave the bitmap allocated and black.
      {"24 bits, run-length", Dib(2, 1, 24, 1, {}, {1, 2, 3, 4, 5, 6, 0, 0}), 2, 1, 24, vqRGB24, {black, black}},
      {"2 bits", Dib(2, 1, 2, 0, {}, {0xFF, 0, 0, 0}), 2, 1, 2, vqRGB24, {black, black}},
  };
  for (const Case& c : cases) {
    auto b = MemoryBitmap();
    EXPECT_EQ(FrameToBitmap(c.block.data(), c.block.size(), b.get()), c.bitCount) << c.name;
    ASSERT_EQ(b->GetWidth(), c.width) << c.name;
    ASSERT_EQ(b->GetHeight(), c.height) << c.name;
    EXPECT_EQ(b->GetPixelFormat(), c.format) << c.name;
    EXPECT_EQ(Show(Pixels(*b)), Show(c.pixels)) << c.name;
  }
}

TEST(FrameToBitmap, TakesThePixelsFromTheBitsPointerWhenGiven) {
  const Bytes header = Dib(2, 1, 8, 0, {0x112233, 0x445566}, {}, 2);
  const Bytes rows = {1, 0, 0, 0};
  auto b = MemoryBitmap();
  EXPECT_EQ(FrameToBitmap(header.data(), header.size(), b.get(), rows.data(), rows.size()), 8);
  EXPECT_EQ(Show(Pixels(*b)), Show({Rgb(0x44, 0x55, 0x66), Rgb(0x11, 0x22, 0x33)}));
  // Three bytes cannot hold the padded row.
  EXPECT_THROW(FrameToBitmap(header.data(), header.size(), b.get(), rows.data(), 3), EInvalidGraphic);
}

// A larger header (here 124 bytes) puts the table after its own size.
TEST(FrameToBitmap, TheTableFollowsTheHeadersOwnSize) {
  Bytes block = Dib(2, 1, 8, 0, {}, {}, 2);
  block[0] = 124;
  block.resize(124, 0);
  for (std::uint32_t q : {0x0000FFu, 0x00FF00u}) Put32(block, q);
  for (Byte b : {1, 0, 0, 0}) block.push_back(b);
  auto b = MemoryBitmap();
  EXPECT_EQ(FrameToBitmap(block.data(), block.size(), b.get()), 8);
  EXPECT_EQ(Show(Pixels(*b)), Show({Rgb(0, 255, 0), Rgb(0, 0, 255)}));
  TVQDibbitmap dib;
  EXPECT_EQ(DibToBitmap(block.data(), block.size(), &dib), 8);
  EXPECT_EQ(GetPixel(dib.DC(), 0, 0), COLORREF(0x00FF00));
  EXPECT_EQ(GetPixel(dib.DC(), 1, 0), COLORREF(0xFF0000));
}

TEST(FrameToBitmap, ReadsAGlobalBlock) {
  const Bytes block = Dib(1, 1, 24, 0, {}, {10, 20, 30, 0});
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, block.size());
  std::memcpy(GlobalLock(h), block.data(), block.size());
  GlobalUnlock(h);
  auto b = MemoryBitmap();
  EXPECT_EQ(FrameToBitmap(h, b.get()), 24);
  EXPECT_EQ(b->GetPixelRGB(0, 0), Rgb(30, 20, 10));
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);  // unlocked again
  GlobalFree(h);
}

TEST(FrameToBitmap, RefusesHeadersItsBlockCannotHoldAndKeepsTheBitmap) {
  auto patch = [](Bytes b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = Byte(v >> (8 * i));
    return b;
  };
  const Bytes rgb = Dib(2, 2, 24, 0, {}, Bytes(16, 7));
  const Bytes grey = Dib(2, 1, 8, 0, {0, 0}, {0, 1, 0, 0});
  const Bytes i420 = Dib(4, 4, 12, VQFourCC('I', '4', '2', '0'), {}, Bytes(24, 128));
  struct Case {
    const char* name;
    Bytes block;
  };
  const Case cases[] = {
      {"shorter than the header", Bytes(rgb.begin(), rgb.begin() + 39)},
      {"width 0", patch(rgb, 4, 0)},
      {"negative width", patch(rgb, 4, std::uint32_t(-5))},
      {"height 0", patch(rgb, 8, 0)},
      {"smallest height", patch(rgb, 8, 0x80000000u)},
      {"header size past the block", patch(rgb, 0, 1000)},
      {"colours used past the block", patch(grey, 32, 0xFFFFFFFFu)},
      {"rows one byte short", Bytes(rgb.begin(), rgb.end() - 1)},
      {"huge width", patch(rgb, 4, 0x7FFFFFFF)},
      {"huge height", patch(rgb, 8, 0x7FFFFFFF)},
      {"masks cut short", Dib(1, 1, 16, 3, {0xF800, 0x07E0}, {})},
      {"I420 frame one byte short", Bytes(i420.begin(), i420.end() - 1)},
      {"unknown layout larger than its block", patch(patch(i420, 16, VQFourCC('A', 'B', 'C', 'D')), 4, 100000)},
      // Sizes whose row bytes times rows would wrap 64 bits.
      {"widest rows at the largest bit count",
       patch(patch(patch(rgb, 12, 0xFFFF0001u), 4, 0x7FFFFFFF), 8, 0x7FFFFFFF)},
      {"unknown layout of the largest size",
       patch(patch(patch(patch(i420, 12, 0xFFFF0001u), 16, VQFourCC('A', 'B', 'C', 'D')), 4, 0x7FFFFFFF), 8,
             0x7FFFFFFF)},
      {"run-length picture far larger than its bytes", Dib(60000, 60000, 8, 1, {0, 0}, {0, 1}, 2)},
      {"run-length run past the picture", Dib(2, 1, 8, 1, {0, 0}, {2, 1, 0, 0, 2, 1, 0, 1}, 2)},
      {"IYU2 frame of the largest size",
       patch(patch(patch(i420, 16, VQFourCC('I', 'Y', 'U', '2')), 4, 0x7FFFFFFF), 8, 0x7FFFFFFF)},
  };
  for (const Case& c : cases) {
    auto b = MemoryBitmap();
    b->Allocate(1, 1, vqGray8);
    b->SetPixelByte(0, 0, 77);
    EXPECT_THROW(FrameToBitmap(c.block.data(), c.block.size(), b.get()), EInvalidGraphic) << c.name;
    EXPECT_EQ(b->GetWidth(), 1) << c.name;
    EXPECT_EQ(b->GetPixelFormat(), vqGray8) << c.name;
    EXPECT_EQ(b->GetPixelByte(0, 0), 77) << c.name;
  }
  auto b = MemoryBitmap();
  EXPECT_THROW(FrameToBitmap(nullptr, 100, b.get()), EInvalidGraphic);
}

// A YUV frame: the header with the FOURCC, then the frame.
Bytes Frame(const char* fourcc, int w, int h, const Bytes& data) {
  return Dib(w, h, 16, VQFourCC(fourcc[0], fourcc[1], fourcc[2], fourcc[3]), {}, data);
}

TEST(FrameToBitmap, UnpacksEveryYUVLayout) {
  // CLJR: V 21, U 42, Y 3, 31, 16, 8, widened by repeating their top bits.
  const std::uint32_t cljr = 21u | 42u << 6 | 3u << 12 | 31u << 17 | 16u << 22 | 8u << 27;
  const Bytes cljrBytes = {Byte(cljr), Byte(cljr >> 8), Byte(cljr >> 16), Byte(cljr >> 24)};
  const Bytes yuy2 = {50, 60, 70, 80, 90, 100, 110, 120};
  struct Case {
    const char* fourcc;
    int w;
    Bytes data;
    std::vector<TRGBPixel> pixels;
  };
  const TRGBPixel a = Yuv(50, 60, 80), b = Yuv(70, 60, 80), c = Yuv(90, 100, 120);
  const Case cases[] = {
      // Odd width: the last group's second pixel lies past the row.
      {"YUY2", 3, yuy2, {a, b, c}},
      {"YUNV", 3, yuy2, {a, b, c}},
      {"UYVY", 2, {60, 50, 80, 70}, {a, b}},
      {"UYNV", 2, {60, 50, 80, 70}, {a, b}},
      {"cyuv", 2, {60, 50, 80, 70}, {a, b}},
      {"YVYU", 2, {50, 80, 70, 60}, {a, b}},
      {"Y211", 5, yuy2, {a, a, b, b, c}},
      {"IYU1", 4, {60, 50, 70, 80, 90, 110}, {a, b, Yuv(90, 60, 80), Yuv(110, 60, 80)}},
      {"IYU2", 2, {60, 50, 80, 100, 90, 120}, {a, c}},
      {"Y41P",
       8,
       {60, 20, 80, 30, 100, 40, 120, 50, 70, 90, 110, 130},
       {Yuv(20, 60, 80), Yuv(30, 60, 80), Yuv(40, 60, 80), Yuv(50, 60, 80), Yuv(70, 100, 120), Yuv(90, 100, 120),
        Yuv(110, 100, 120), Yuv(130, 100, 120)}},
      {"Y41P", 5, {60, 20, 80, 30, 100, 40, 120, 50, 70, 90, 110, 130},
       {Yuv(20, 60, 80), Yuv(30, 60, 80), Yuv(40, 60, 80), Yuv(50, 60, 80), Yuv(70, 100, 120)}},
      {"CLJR", 4, cljrBytes, {Yuv(24, 170, 85), Yuv(255, 170, 85), Yuv(132, 170, 85), Yuv(66, 170, 85)}},
      {"CLJR", 3, cljrBytes, {Yuv(24, 170, 85), Yuv(255, 170, 85), Yuv(132, 170, 85)}},
  };
  for (const Case& k : cases) {
    const Bytes block = Frame(k.fourcc, k.w, 1, k.data);
    auto bitmap = MemoryBitmap();
    EXPECT_EQ(FrameToBitmap(block.data(), block.size(), bitmap.get()), 16) << k.fourcc;
    EXPECT_EQ(bitmap->GetPixelFormat(), vqRGB24) << k.fourcc;
    EXPECT_EQ(Show(Pixels(*bitmap)), Show(k.pixels)) << k.fourcc << " width " << k.w;
    EXPECT_EQ(YUVFrameSize(VQFourCC(k.fourcc[0], k.fourcc[1], k.fourcc[2], k.fourcc[3]), k.w, 1),
              Int64(k.data.size()))
        << k.fourcc;
  }
}

// Planar frames of any size: luma Y[y][x], chroma of (x div step, y div step)
// from planes of rounded-up size, in the layout's plane order.
TEST(FrameToBitmap, UnpacksPlanarFramesOfOddSizes) {
  struct Case {
    const char* fourcc;
    int w, h, step;
    bool uFirst;
  };
  const Case cases[] = {{"I420", 3, 3, 2, true}, {"IYUV", 4, 2, 2, true}, {"YV12", 5, 3, 2, false},
                        {"YVU9", 5, 5, 4, false}, {"YVU9", 8, 4, 4, false}};
  for (const Case& k : cases) {
    const int cw = (k.w + k.step - 1) / k.step, ch = (k.h + k.step - 1) / k.step;
    Bytes data;
    for (int i = 0; i < k.w * k.h; ++i) data.push_back(Byte(16 + 7 * i));
    for (int i = 0; i < 2 * cw * ch; ++i) data.push_back(Byte(40 + 23 * i));
    const Bytes block = Frame(k.fourcc, k.w, k.h, data);
    auto bitmap = MemoryBitmap();
    FrameToBitmap(block.data(), block.size(), bitmap.get());
    std::vector<TRGBPixel> expect;
    const std::size_t first = std::size_t(k.w * k.h), second = first + std::size_t(cw * ch);
    for (int y = 0; y < k.h; ++y)
      for (int x = 0; x < k.w; ++x) {
        const std::size_t c = std::size_t((y / k.step) * cw + x / k.step);
        const Byte u = data[(k.uFirst ? first : second) + c], v = data[(k.uFirst ? second : first) + c];
        expect.push_back(Yuv(data[std::size_t(y * k.w + x)], u, v));
      }
    EXPECT_EQ(Show(Pixels(*bitmap)), Show(expect)) << k.fourcc << " " << k.w << "x" << k.h;
  }
}

TEST(FrameToBitmap, PositiveHeightsFillFromTheTopAndY41PAndCyuvTheOtherWay) {
  // A 4 x 4 I420 frame: chroma row 0 serves stored rows 0 and 1, row 1
  // stored rows 2 and 3.
  Bytes data;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) data.push_back(Byte(30 + 40 * y));
  for (Byte u : {Byte(70), Byte(70), Byte(200), Byte(200)}) data.push_back(u);
  for (Byte v : {Byte(90), Byte(90), Byte(20), Byte(20)}) data.push_back(v);
  const TRGBPixel rows[4] = {Yuv(30, 70, 90), Yuv(70, 70, 90), Yuv(110, 200, 20), Yuv(150, 200, 20)};
  for (int sign : {1, -1}) {
    const Bytes block = Frame("I420", 4, 4 * sign, data);
    auto b = MemoryBitmap();
    FrameToBitmap(block.data(), block.size(), b.get());
    ASSERT_EQ(b->GetHeight(), 4);
    for (int r = 0; r < 4; ++r)
      EXPECT_EQ(b->GetPixelRGB(3, sign > 0 ? r : 3 - r), rows[r]) << "stored row " << r << " sign " << sign;
  }
  // Two stored rows of UYVY and cyuv (the same bytes) and Y41P.
  const Bytes packed = {60, 50, 80, 50, 100, 150, 120, 150};
  for (const char* fourcc : {"UYVY", "cyuv"}) {
    const bool reversed = fourcc[0] == 'c';
    for (int sign : {1, -1}) {
      const Bytes block = Frame(fourcc, 2, 2 * sign, packed);
      auto b = MemoryBitmap();
      FrameToBitmap(block.data(), block.size(), b.get());
      const bool fromTop = (sign > 0) != reversed;
      EXPECT_EQ(b->GetPixelRGB(0, fromTop ? 0 : 1), Yuv(50, 60, 80)) << fourcc << sign;
      EXPECT_EQ(b->GetPixelRGB(0, fromTop ? 1 : 0), Yuv(150, 100, 120)) << fourcc << sign;
    }
  }
  Bytes y41p(24, 128);
  y41p[1] = 20;   // first stored row's first luma
  y41p[13] = 220;  // second stored row's
  const Bytes block = Frame("Y41P", 8, 2, y41p);
  auto b = MemoryBitmap();
  FrameToBitmap(block.data(), block.size(), b.get());
  EXPECT_EQ(b->GetPixelRGB(0, 1), Yuv(20, 128, 128));
  EXPECT_EQ(b->GetPixelRGB(0, 0), Yuv(220, 128, 128));
}

TEST(FrameToBitmap, UnknownLayoutsLeaveABlackBitmapOfTheFramesSize) {
  const Bytes block = Frame("ABCD", 3, -2, Bytes(16, 200));
  auto b = MemoryBitmap();
  EXPECT_EQ(FrameToBitmap(block.data(), block.size(), b.get()), 16);
  EXPECT_EQ(b->GetWidth(), 3);
  EXPECT_EQ(b->GetHeight(), 2);
  EXPECT_EQ(Show(Pixels(*b)), Show(std::vector<TRGBPixel>(6, black)));
}

struct ThreadCountScope {
  explicit ThreadCountScope(int n) { SetParallelThreadCount(n); }
  ~ThreadCountScope() { SetParallelThreadCount(0); }
};

std::vector<Byte> RowBytes(TVQBitmap& b) {
  std::vector<Byte> out;
  for (int y = 0; y < b.GetHeight(); ++y) {
    const Byte* row = b.GetScanline(y);
    out.insert(out.end(), row, row + b.GetWidth() * 3);
  }
  return out;
}

TEST(FrameToBitmap, SameBytesForEveryThreadCountAndStorage) {
  Bytes noise(std::size_t(YUVFrameSize(VQFourCC('I', '4', '2', '0'), 61, 203)));
  unsigned seed = 7;
  for (Byte& v : noise) v = Byte((seed = seed * 1664525u + 1013904223u) >> 24);
  std::vector<std::uint32_t> table(256);
  for (std::size_t i = 0; i < 256; ++i) table[i] = std::uint32_t(i * 0x010307u);
  const Bytes frames[] = {Frame("I420", 61, 203, noise), Frame("YUY2", 61, -100, noise),
                          Dib(61, 203, 8, 0, table, Bytes(noise.begin(), noise.begin() + 64 * 203))};
  for (const Bytes& block : frames) {
    std::vector<Byte> reference;
    for (int threads : {1, 2, 3, 8}) {
      ThreadCountScope scope(threads);
      auto b = MemoryBitmap();
      FrameToBitmap(block.data(), block.size(), b.get());
      if (reference.empty())
        reference = RowBytes(*b);
      else
        EXPECT_EQ(RowBytes(*b), reference) << threads << " threads";
    }
    auto file = bitmaptest::NewBitmap(vqTempFile);
    FrameToBitmap(block.data(), block.size(), file.get());
    ASSERT_EQ(file->Location(), vqTempFile);
    EXPECT_EQ(RowBytes(*file), reference) << "file-backed";
  }
}

// The bytes of a global block.
Bytes BlockBytes(HGLOBAL h) {
  const Byte* p = static_cast<const Byte*>(GlobalLock(h));
  Bytes out(p, p + GlobalSize(h));
  GlobalUnlock(h);
  return out;
}

TEST(BitmapToDib, WritesTheHeaderTableAndRowsBottomUp) {
  // 1 bit, 10 x 2: table black and white, rows of 4 bytes, the last row first.
  auto one = MemoryBitmap();
  one->Allocate(10, 2, vqBits1);
  one->GetScanline(0)[0] = 0xC0;
  one->GetScanline(0)[1] = 0x40;
  one->GetScanline(1)[0] = 0x01;
  HGLOBAL h = BitmapToDib(one.get());
  ASSERT_NE(h, nullptr);
  Bytes expect = Dib(10, 2, 1, 0, {0x00000000, 0xFFFFFFFF}, {0x01, 0, 0, 0, 0xC0, 0x40, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(BlockBytes(h), expect);
  EXPECT_EQ(GlobalSize(h), 52u + 8u);
  GlobalFree(h);

  // 24 bits, 2 x 2: rows right after the header, 4 spare bytes at the end.
  auto rgb = MemoryBitmap();
  rgb->Allocate(2, 2, vqRGB24);
  for (int i = 0; i < 6; ++i) rgb->GetScanline(0)[i] = Byte(1 + i), rgb->GetScanline(1)[i] = Byte(11 + i);
  h = BitmapToDib(rgb.get());
  expect = Dib(2, 2, 24, 0, {}, {11, 12, 13, 14, 15, 16, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(BlockBytes(h), expect);
  GlobalFree(h);

  // Other formats: the header alone with bit count 0, the block zeroed.
  auto grey = MemoryBitmap();
  grey->Allocate(3, 2, vqGray8);
  grey->Fill(200);
  h = BitmapToDib(grey.get());
  expect = Dib(3, 2, 0, 0, {}, Bytes(4 + 4 * 2, 0));
  EXPECT_EQ(BlockBytes(h), expect);
  GlobalFree(h);
}

TEST(BitmapToDib, RowsStayFourByteAlignedForAnyRowAlignment) {
  auto b = MemoryBitmap();
  b->SetRowAlignment(8);
  b->Allocate(3, 2, vqRGB24);
  ASSERT_EQ(b->GetRowLength(), 9);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 9; ++i) b->GetScanline(y)[i] = Byte(10 * y + i);
  HGLOBAL h = BitmapToDib(b.get());
  const Bytes got = BlockBytes(h);
  ASSERT_EQ(got.size(), 44u + 24u);
  EXPECT_EQ(got[40], 10);  // the bottom row first
  EXPECT_EQ(got[40 + 12], 0);
  EXPECT_EQ(got[40 + 9], 0);  // padding
  GlobalFree(h);
}

TEST(BitmapToDib, RoundTripsThroughFrameToBitmap) {
  for (TVQPixelFormat format : {vqBits1, vqRGB24})
    for (TVQLocation location : {vqMemoryBuffer, vqTempFile}) {
      auto b = bitmaptest::NewBitmap(location, 37, 11, format);
      bitmaptest::WritePattern(*b, 3);
      HGLOBAL h = BitmapToDib(b.get());
      auto back = MemoryBitmap();
      EXPECT_EQ(FrameToBitmap(h, back.get()), format == vqBits1 ? 1 : 24);
      GlobalFree(h);
      EXPECT_EQ(back->GetPixelFormat(), format);
      EXPECT_EQ(Show(Pixels(*back)), Show(Pixels(*b))) << bitmaptest::FormatName(format)
                                                     << bitmaptest::LocationName(location);
    }
}

TEST(DibToBitmap, DrawsEveryDepthIntoTheDibBitmap) {
  struct Case {
    const char* name;
    Bytes block;
    int returned, bitCount;
    std::vector<COLORREF> pixels;  // from the top, as GetPixel reads them
  };
  const Case cases[] = {
      {"1 bit", Dib(2, 1, 1, 0, {0, 0xFFFFFF}, {0x80, 0, 0, 0}), 1, 1, {0xFFFFFF, 0}},
      {"4 bits", Dib(2, 1, 4, 0, {0x0000FF, 0x00FF00}, {0x10, 0, 0, 0}, 2), 4, 24, {0x00FF00, 0xFF0000}},
      {"8 bits", Dib(1, 2, 8, 0, {0x112233, 0x445566}, {0, 0, 0, 0, 1, 0, 0, 0}, 2), 8, 24, {0x665544, 0x332211}},
      {"16 bits 5-6-5", Dib(1, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0, 0}), 16, 24, {0x0000FF}},
      {"16 bits 5-5-5", Dib(2, 1, 16, 0, {}, {0xE0, 0x03, 0x1F, 0x00}), 16, 24, {0x00FF00, 0xFF0000}},
      {"32 bits, bit fields", Dib(1, 1, 32, 3, {0xFF0000, 0xFF00, 0xFF}, {0x10, 0x20, 0x30, 0}), 32, 24, {0x102030}},
      {"24 bits", Dib(1, 1, 24, 0, {}, {0x10, 0x20, 0x30, 0}), 24, 24, {0x102030}},
      {"32 bits", Dib(1, 1, 32, 0, {}, {0x10, 0x20, 0x30, 0}), 32, 24, {0x102030}},
      {"32 bits, run-length code: nothing drawn", Dib(1, 1, 32, 1, {}, {0x10, 0x20, 0x30, 0}), 32, 24, {0}},
  };
  for (const Case& c : cases) {
    TVQDibbitmap dib;
    EXPECT_EQ(DibToBitmap(c.block.data(), c.block.size(), &dib), c.returned) << c.name;
    EXPECT_EQ(dib.GetBitCount(), c.bitCount) << c.name;
    const int w = dib.GetWidth();
    for (std::size_t i = 0; i < c.pixels.size(); ++i)
      EXPECT_EQ(GetPixel(dib.DC(), int(i) % w, int(i) / w), c.pixels[i]) << c.name << " pixel " << i;
  }
}

TEST(DibToBitmap, RefusesDibsItsBlockCannotHold) {
  const Bytes full = Dib(4, 4, 8, 0, std::vector<std::uint32_t>(256, 0), Bytes(16, 1));
  TVQDibbitmap dib;
  dib.AllocateBits(1, 1, 24);
  EXPECT_THROW(DibToBitmap(full.data(), full.size() - 1, &dib), EInvalidGraphic);
  EXPECT_THROW(DibToBitmap(full.data(), 40 + 1023, &dib), EInvalidGraphic);
  EXPECT_THROW(DibToBitmap(full.data(), 20, &dib), EInvalidGraphic);
  EXPECT_EQ(dib.GetWidth(), 1);
  EXPECT_EQ(DibToBitmap(full.data(), full.size(), &dib), 8);
  EXPECT_EQ(dib.GetWidth(), 4);
}

}  // namespace framestest

// The halftone read straight from 24- and 32-bit rows must give the image
// the general row reader gives, bit for bit.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/gdi/Stretch.h"
#include "tests/platform/gdi/StretchRows.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

TEST(HalftoneBlockDirect, MatchesTheRowReaderBitForBit) {
  struct Case {
    int sw, sh, dw, dh;
    bool mirrorX, mirrorY;
    int bpp;
  } cases[] = {
      {1200, 900, 300, 225, false, false, 3},  // a quarter, big enough to be split across threads
      {600, 400, 300, 200, false, false, 4},  // a half
      {599, 401, 101, 67, false, false, 3},   // uneven covers
      {37, 23, 80, 50, false, false, 3},      // enlarged both ways
      {37, 23, 80, 10, true, false, 4},       // wider, shorter, mirrored
      {64, 48, 64, 20, false, true, 3},       // one axis kept
      {1000, 3, 7, 1, false, false, 3},       // long and thin
      {5, 1200, 2, 333, true, true, 4},
  };
  std::mt19937 rng(77);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << "->" << c.dw << "x" << c.dh << " bpp " << c.bpp);
    // The source sits 3 columns and 2 rows into larger rows.
    StretchRows rows(c.sw + 5, c.sh + 4, c.bpp, rng);
    const int x0 = 3, y0 = 2;
    // A window of the destination, as a clipped blit asks for.
    const int col0 = c.dw / 5, col1 = c.dw - c.dw / 7, row0 = c.dh / 6, row1 = c.dh;
    const AxisTaps xt = HalftoneTaps(c.sw, c.dw, c.mirrorX, col0, col1);
    const AxisTaps yt = HalftoneTaps(c.sh, c.dh, c.mirrorY, row0, row1);
    const int w = col1 - col0, h = row1 - row0;
    std::vector<std::uint32_t> expected(std::size_t(w) * std::size_t(h)), got(expected.size(), 0xDEADBEEF);
    HalftoneBlock([&](int y, int x, int n, std::uint32_t* out) { rows.Read(y0 + y, x0 + x, n, out); }, xt, yt, 0, w,
                  0, h, expected.data());
    HalftoneBlockDirect(DirectRows{rows.bytes.data(), rows.pitch, c.bpp, x0, y0}, xt, yt, 0, w, 0, h, got.data());
    ASSERT_EQ(got, expected);
  }
}

// Through StretchBlt: a 24-bit source (read in place) and the same picture
// as 8-bit palette indices (read through the general reader) stretch alike,
// from a source rectangle inside each.
TEST(HalftoneBlockDirect, StretchBltFromTwentyFourBitsMatchesThePalettedPath) {
  const int w = 90, h = 70;
  // 16 colours, so the picture fits a palette exactly.
  RGBQUAD table[16];
  std::mt19937 rng(5);
  for (auto& q : table) q = RGBQUAD{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
  std::vector<int> index(std::size_t(w) * h);
  for (int& i : index) i = int(rng() % 16);
  auto makeDib = [&](int bpp, void** bits) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;  // bottom-up, as the framework's bitmaps
    bi.bmiHeader.biBitCount = Word(bpp);
    if (bpp == 8) {
      for (int i = 0; i < 16; ++i) bi.bmiColors[i] = table[i];
      bi.bmiHeader.biClrUsed = 16;
    }
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
  };
  void *bits24 = nullptr, *bits8 = nullptr;
  HBITMAP dib24 = makeDib(24, &bits24), dib8 = makeDib(8, &bits8);
  ASSERT_NE(dib24, nullptr);
  ASSERT_NE(dib8, nullptr);
  const std::ptrdiff_t pitch24 = (w * 3 + 3) & ~3, pitch8 = (w + 3) & ~3;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int i = index[std::size_t(y) * w + std::size_t(x)];
      auto* p = static_cast<std::uint8_t*>(bits24) + (h - 1 - y) * pitch24 + x * 3;
      p[0] = table[i].rgbBlue, p[1] = table[i].rgbGreen, p[2] = table[i].rgbRed;
      static_cast<std::uint8_t*>(bits8)[(h - 1 - y) * pitch8 + x] = std::uint8_t(i);
    }
  HDC dc24 = CreateCompatibleDC(nullptr), dc8 = CreateCompatibleDC(nullptr);
  HGDIOBJ old24 = SelectObject(dc24, dib24), old8 = SelectObject(dc8, dib8);
  struct Case {
    int sx, sy, sw, sh, dw, dh;
  } cases[] = {{0, 0, 90, 70, 23, 17}, {7, 5, 61, 44, 20, 30}, {10, 3, 40, 40, 97, 61}, {1, 1, 88, 68, 88, 13}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sx << "," << c.sy << " " << c.sw << "x" << c.sh << "->" << c.dw << "x" << c.dh);
    TestCanvas a(c.dw, c.dh), b(c.dw, c.dh);
    SetStretchBltMode(a.dc, HALFTONE);
    SetStretchBltMode(b.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(a.dc, 0, 0, c.dw, c.dh, dc24, c.sx, c.sy, c.sw, c.sh, SRCCOPY));
    ASSERT_TRUE(StretchBlt(b.dc, 0, 0, c.dw, c.dh, dc8, c.sx, c.sy, c.sw, c.sh, SRCCOPY));
    for (int y = 0; y < c.dh; ++y)
      for (int x = 0; x < c.dw; ++x) ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
  }
  SelectObject(dc24, old24);
  SelectObject(dc8, old8);
  DeleteDC(dc24);
  DeleteDC(dc8);
  DeleteObject(dib24);
  DeleteObject(dib8);
}

}  // namespace

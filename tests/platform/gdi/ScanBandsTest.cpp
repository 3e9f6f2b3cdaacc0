// SetDIBitsToDevice with bands of scan lines, and the AND / OR stretch modes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/Gdi.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

COLORREF ScanColor(int scan) { return RGB(10 * (scan + 1), 0, 0); }

TEST(SetDIBitsToDevice, DrawsTheBandOfScanLinesItIsGiven) {
  // A 2 x 6 DIB; only the band's rows are in memory, memory row m holding
  // scan startScan + m. expected[row] is the scan drawn there, -1 none.
  struct Case {
    bool topDown;
    int sy, h, destY;
    UINT start, lines;
    int result;
    int expected[6];
  };
  const Case cases[] = {
      // Bottom-up: scan s of the whole picture lands on row 5 - s.
      {false, 0, 6, 0, 2, 3, 3, {-1, 4, 3, 2, -1, -1}},
      // Source rows 1..3 (from the bottom) at y 0: scan 3 on row 0, 2 on row 1; scan 1 is not in the band.
      {false, 1, 3, 0, 2, 3, 3, {3, 2, -1, -1, -1, -1}},
      // More lines than the picture has: only scans 4 and 5.
      {false, 0, 6, 0, 4, 10, 2, {5, 4, -1, -1, -1, -1}},
      // Top-down: scans count from the top, scan s on row s.
      {true, 0, 6, 0, 2, 3, 3, {-1, -1, 2, 3, 4, -1}},
      // Source rows 3..5 at y 1: scans 3 and 4 are in the band.
      {true, 3, 3, 1, 2, 3, 3, {-1, 3, 4, -1, -1, -1}},
      // Whole picture in one band.
      {false, 0, 6, 0, 0, 6, 6, {5, 4, 3, 2, 1, 0}},
  };
  for (const Case& k : cases) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = 2;
    bi.bmiHeader.biHeight = k.topDown ? -6 : 6;
    bi.bmiHeader.biBitCount = 24;
    const int stride = 8;
    const int rows = int(std::min<UINT>(k.lines, 6 - k.start));
    std::vector<unsigned char> bits(size_t(stride * rows));
    for (int m = 0; m < rows; ++m)
      for (int x = 0; x < 2; ++x) bits[size_t(m * stride + x * 3 + 2)] = GetRValue(ScanColor(int(k.start) + m));
    TestCanvas c(2, 6);
    EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, k.destY, 2, DWORD(k.h), 0, k.sy, k.start, k.lines, bits.data(), &bi,
                                DIB_RGB_COLORS),
              k.result);
    for (int y = 0; y < 6; ++y) {
      COLORREF want = k.expected[y] < 0 ? RGB(255, 255, 255) : ScanColor(k.expected[y]);
      EXPECT_EQ(c.At(0, y), want) << "case start " << k.start << " topDown " << k.topDown << " row " << y;
      EXPECT_EQ(c.At(1, y), want);
    }
  }
}

TEST(SetDIBitsToDevice, RefusesEmptyBandsAndBadArguments) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 1;
  bi.bmiHeader.biHeight = 4;
  bi.bmiHeader.biBitCount = 32;
  std::uint32_t px[4] = {0, 0, 0, 0};
  TestCanvas c(1, 4);
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 1, 4, 0, 0, 4, 1, px, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 1, 4, 0, 0, 0, 0, px, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 1, 4, 0, 0, 0, 4, nullptr, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(nullptr, 0, 0, 1, 4, 0, 0, 0, 4, px, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 1, 4, 0, 0, 0, 4, px, nullptr, DIB_RGB_COLORS), 0);
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
  // A source far outside the picture draws nothing but is no error.
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 1, 4, 5, 0, 0, 4, px, &bi, DIB_RGB_COLORS), 4);
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
}

// One row of blue values through StretchBlt in a stretch mode.
std::vector<int> StretchRow(int mode, const std::vector<int>& src, int x, int w) {
  TestCanvas s(int(src.size()), 1);
  for (size_t i = 0; i < src.size(); ++i) s.Set(int(i), 0, RGB(0, 0, src[i]));
  TestCanvas d(2, 1, RGB(0, 0, 0x55));
  SetStretchBltMode(d.dc, mode);
  StretchBlt(d.dc, x, 0, w, 1, s.dc, 0, 0, int(src.size()), 1, SRCCOPY);
  return {GetBValue(d.At(0, 0)), GetBValue(d.At(1, 0))};
}

TEST(StretchBltMode, ShrinkingAndsOrOrsTheDroppedPixels) {
  // Five pixels onto two: groups [0, 2) and [2, 5).
  const std::vector<int> bits = {1, 2, 4, 8, 16}, holes = {0xFE, 0xFD, 0xFB, 0xF7, 0xEF};
  struct Case {
    int mode;
    const std::vector<int>& src;
    int x, w;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {WHITEONBLACK, bits, 0, 2, {1 | 2, 4 | 8 | 16}},
      {BLACKONWHITE, holes, 0, 2, {0xFC, 0xE3}},
      {WHITEONBLACK, bits, 1, -2, {4 | 8 | 16, 1 | 2}},  // mirrored
      {BLACKONWHITE, holes, 1, -2, {0xE3, 0xFC}},
      {COLORONCOLOR, bits, 0, 2, {1, 8}},  // stepped from the first pixel: 0 and 2.5 rounded up
      {BLACKONWHITE, bits, 0, 2, {1 & 2, 4 & 8 & 16}},
  };
  for (const Case& k : cases)
    EXPECT_EQ(StretchRow(k.mode, k.src, k.x, k.w), k.expected) << "mode " << k.mode << " w " << k.w;
}

TEST(StretchBltMode, BlackLinesSurviveBlackOnWhiteInBothAxes) {
  // A black corner pixel and a black row in white 4 x 4, shrunk to 2 x 2.
  TestCanvas src(4, 4);
  src.Set(0, 0, RGB(0, 0, 0));
  for (int x = 0; x < 4; ++x) src.Set(x, 3, RGB(0, 0, 0));
  for (int mode : {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR}) {
    TestCanvas d(2, 2, RGB(9, 9, 9));
    SetStretchBltMode(d.dc, mode);
    StretchBlt(d.dc, 0, 0, 2, 2, src.dc, 0, 0, 4, 4, SRCCOPY);
    // COLORONCOLOR keeps rows and columns 0 and 2.
    const char* want = mode == BLACKONWHITE ? "#.\n##\n" : mode == WHITEONBLACK ? "..\n..\n" : "#.\n..\n";
    EXPECT_EQ(d.Picture(), want) << mode;
  }
  // Enlarging one axis while shrinking the other: rows repeat, columns combine.
  TestCanvas d(2, 8, RGB(9, 9, 9));
  StretchBlt(d.dc, 0, 0, 2, 8, src.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(d.Picture(), Rows({"#.", "#.", "..", "..", "..", "..", "##", "##"}));
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

// 5- and 6-bit channels widen by repeating their top bits.
int Widen5(int v8) {
  int v = v8 >> 3;
  return (v << 3) | (v >> 2);
}
int Widen6(int v8) {
  int v = v8 >> 2;
  return (v << 2) | (v >> 4);
}

const COLORREF kColours[] = {RGB(0, 0, 0),     RGB(255, 255, 255), RGB(255, 0, 0),  RGB(0, 255, 0),
                             RGB(0, 0, 255),   RGB(128, 128, 128), RGB(3, 77, 201), RGB(250, 130, 9),
                             RGB(192, 192, 192), RGB(17, 200, 34)};

TEST(GetDIBits, ConvertsToEveryDepthAndBack) {
  TestCanvas src(10, 1);
  for (int x = 0; x < 10; ++x) src.Set(x, 0, kColours[x]);
  struct Case {
    int bpp;
    DWORD compression;
    DWORD masks[3];
  };
  const Case cases[] = {
      {24, BI_RGB, {}},      {32, BI_RGB, {}},
      {16, BI_RGB, {}},      {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
      {8, BI_RGB, {}},       {4, BI_RGB, {}},
      {1, BI_RGB, {}},
  };
  for (const Case& k : cases) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = 10;
    bi.bmiHeader.biHeight = 1;
    bi.bmiHeader.biBitCount = Word(k.bpp);
    bi.bmiHeader.biCompression = k.compression;
    if (k.compression == BI_BITFIELDS) std::memcpy(bi.bmiColors, k.masks, sizeof k.masks);
    std::vector<Byte> bits(64);
    ASSERT_EQ(GetDIBits(src.dc, src.bmp, 0, 1, bits.data(), &bi, DIB_RGB_COLORS), 1) << k.bpp;
    TestCanvas back(10, 1, RGB(1, 1, 1));
    ASSERT_EQ(SetDIBits(back.dc, back.bmp, 0, 1, bits.data(), &bi, DIB_RGB_COLORS), 1) << k.bpp;
    for (int x = 0; x < 10; ++x) {
      COLORREF c = kColours[x], expected = c;
      if (k.bpp == 16 && k.compression == BI_RGB)
        expected = RGB(Widen5(GetRValue(c)), Widen5(GetGValue(c)), Widen5(GetBValue(c)));
      else if (k.bpp == 16)
        expected = RGB(Widen5(GetRValue(c)), Widen6(GetGValue(c)), Widen5(GetBValue(c)));
      else if (k.bpp <= 8) {
        // The nearest colour of the table handed back in bmiColors.
        int n = 1 << k.bpp, best = 0;
        long bestD = -1;
        for (int i = 0; i < n; ++i) {
          const RGBQUAD& q = bi.bmiColors[i];
          long dr = q.rgbRed - GetRValue(c), dg = q.rgbGreen - GetGValue(c), db = q.rgbBlue - GetBValue(c);
          long d = dr * dr + dg * dg + db * db;
          if (bestD < 0 || d < bestD) {
            bestD = d;
            best = i;
          }
        }
        expected = RGB(bi.bmiColors[best].rgbRed, bi.bmiColors[best].rgbGreen, bi.bmiColors[best].rgbBlue);
      }
      EXPECT_EQ(back.At(x, 0), expected) << k.bpp << "/" << k.compression << " pixel " << x;
    }
  }
}

TEST(GetDIBits, StaticColoursSurviveEightAndFourBits) {
  TestCanvas src(4, 1);
  const COLORREF exact[4] = {RGB(0, 0, 0), RGB(255, 0, 0), RGB(128, 128, 128), RGB(255, 255, 255)};
  for (int x = 0; x < 4; ++x) src.Set(x, 0, exact[x]);
  for (int bpp : {8, 4}) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = 4;
    bi.bmiHeader.biHeight = 1;
    bi.bmiHeader.biBitCount = Word(bpp);
    Byte bits[4] = {};
    GetDIBits(src.dc, src.bmp, 0, 1, bits, &bi, DIB_RGB_COLORS);
    TestCanvas back(4, 1);
    SetDIBits(back.dc, back.bmp, 0, 1, bits, &bi, DIB_RGB_COLORS);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(back.At(x, 0), exact[x]) << bpp;
  }
}

TEST(GetDIBits, BottomUpOutputStartsWithTheBottomRow) {
  TestCanvas src(1, 3);
  for (int y = 0; y < 3; ++y) src.Set(0, y, RGB(y + 1, 0, 0));
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 1;
  bi.bmiHeader.biHeight = 3;
  bi.bmiHeader.biBitCount = 32;
  Byte bits[12] = {};
  ASSERT_EQ(GetDIBits(src.dc, src.bmp, 0, 3, bits, &bi, DIB_RGB_COLORS), 3);
  EXPECT_EQ(bits[2], 3);
  EXPECT_EQ(bits[6], 2);
  EXPECT_EQ(bits[10], 1);
  // Scan lines 1..2 only: the upper two picture rows.
  Byte part[8] = {};
  ASSERT_EQ(GetDIBits(src.dc, src.bmp, 1, 5, part, &bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(part[2], 2);
  EXPECT_EQ(part[6], 1);
}

TEST(GetDIBits, NullBitsDescribesTheBitmap) {
  TestCanvas src(7, 5);
  BITMAPINFO bi;
  bi.bmiHeader.biBitCount = 0;
  EXPECT_NE(GetDIBits(src.dc, src.bmp, 0, 0, nullptr, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(bi.bmiHeader.biWidth, 7);
  EXPECT_EQ(std::abs(bi.bmiHeader.biHeight), 5);
  EXPECT_EQ(bi.bmiHeader.biBitCount, 32);
  EXPECT_EQ(bi.bmiHeader.biSizeImage, 7u * 5u * 4u);
}

TEST(CreateDIBSection, PaletteDibsKeepTheirOwnIndices) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 3;
  bi.bmiHeader.biHeight = 1;
  bi.bmiHeader.biBitCount = 8;
  bi.bmiHeader.biClrUsed = 3;
  bi.bmiColors[0] = RGBQUAD{0, 0, 255, 0};
  bi.bmiColors[1] = RGBQUAD{0, 0, 255, 0};  // the same red twice
  bi.bmiColors[2] = RGBQUAD{255, 0, 0, 0};
  void* p = nullptr;
  HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  ASSERT_NE(h, nullptr);
  Byte* px = static_cast<Byte*>(p);
  px[0] = 1;
  px[1] = 2;
  px[2] = 0;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, h);
  BITMAPINFO out;
  out.bmiHeader.biWidth = 3;
  out.bmiHeader.biHeight = 1;
  out.bmiHeader.biBitCount = 8;
  Byte bits[4] = {};
  GetDIBits(dc, h, 0, 1, bits, &out, DIB_RGB_COLORS);
  EXPECT_EQ(bits[0], 1);  // index 1, not the equal colour at index 0
  EXPECT_EQ(bits[1], 2);
  EXPECT_EQ(bits[2], 0);
  EXPECT_EQ(out.bmiColors[2], (RGBQUAD{255, 0, 0, 0}));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 255));
  RGBQUAD table[3];
  EXPECT_EQ(GetDIBColorTable(dc, 0, 3, table), 3u);
  RGBQUAD green{0, 255, 0, 0};
  EXPECT_EQ(SetDIBColorTable(dc, 2, 5, &green), 1u);
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
  SelectObject(dc, old);
  DeleteObject(h);
  DeleteDC(dc);
}

TEST(CreateDIBSection, RowsArePaddedAndBottomUpByDefault) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 3;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biBitCount = 24;
  void* p = nullptr;
  HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  ASSERT_NE(h, nullptr);
  DIBSECTION ds;
  ASSERT_EQ(GetObject(h, sizeof ds, &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);  // 9 bytes padded to 12
  EXPECT_EQ(ds.dsBm.bmBits, p);
  EXPECT_EQ(ds.dsBmih.biSizeImage, 24u);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, h);
  SetPixel(dc, 0, 1, RGB(1, 2, 3));  // bottom row: first in memory
  const Byte* b = static_cast<const Byte*>(p);
  EXPECT_EQ(b[0], 3);
  EXPECT_EQ(b[1], 2);
  EXPECT_EQ(b[2], 1);
  SelectObject(dc, old);
  DeleteObject(h);
  DeleteDC(dc);
}

TEST(CreateDIBSection, RefusesBadAndOversizedHeaders) {
  struct Case {
    int w, h, bpp;
    DWORD compression;
  };
  const Case cases[] = {{0, 10, 32, BI_RGB},     {10, 0, 32, BI_RGB},     {-5, 10, 32, BI_RGB},
                        {10, 10, 7, BI_RGB},     {10, 10, 24, BI_BITFIELDS}, {10, 10, 8, BI_RLE8},
                        {40000, 20000, 32, BI_RGB}, {1 << 30, 1, 32, BI_RGB}};
  for (const Case& k : cases) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = k.w;
    bi.bmiHeader.biHeight = k.h;
    bi.bmiHeader.biBitCount = Word(k.bpp);
    bi.bmiHeader.biCompression = k.compression;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0), nullptr) << k.w << "x" << k.h;
    EXPECT_EQ(p, nullptr);
  }
  EXPECT_EQ(CreateBitmap(-1, 5, 1, 1, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(5, 5, 2, 1, nullptr), nullptr);
}

TEST(DibSection, DrawingWorksOnEveryDepth) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = 5;
    bi.bmiHeader.biHeight = 3;
    bi.bmiHeader.biBitCount = Word(bpp);
    if (bpp <= 8) {
      bi.bmiColors[0] = RGBQUAD{255, 255, 255, 0};
      bi.bmiColors[1] = RGBQUAD{0, 0, 0, 0};
      bi.bmiHeader.biClrUsed = 2;
    }
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
    ASSERT_NE(h, nullptr) << bpp;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, h);
    RECT all{0, 0, 5, 3};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    MoveToEx(dc, 0, 1, nullptr);
    LineTo(dc, 4, 1);
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(GetPixel(dc, x, 1), x < 4 ? RGB(0, 0, 0) : RGB(255, 255, 255)) << bpp << " x " << x;
      EXPECT_EQ(GetPixel(dc, x, 0), RGB(255, 255, 255)) << bpp;
    }
    SelectObject(dc, old);
    DeleteObject(h);
    DeleteDC(dc);
  }
}

TEST(SetDIBitsToDevice, CopiesAOneToOneDib) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 2;  // bottom-up
  bi.bmiHeader.biBitCount = 24;
  const Byte bits[16] = {0, 0, 255, 0, 255, 0, 0, 0,     // bottom: red, green
                         255, 0, 0, 0, 0, 0, 0, 0};      // top: blue, black
  TestCanvas c(3, 3);
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 1, 1, 2, 2, 0, 0, 0, 2, bits, &bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 255));
  EXPECT_EQ(c.At(2, 1), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 2), RGB(255, 0, 0));
  EXPECT_EQ(c.At(2, 2), RGB(0, 255, 0));
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
}

TEST(BitmapBits, DeviceBitmapRowsArePaddedToWords) {
  const Byte in[4] = {0xF0, 0xAA, 0x0F, 0x55};  // 3x2 mono: 2 bytes per row
  HBITMAP h = CreateBitmap(3, 2, 1, 1, in);
  ASSERT_NE(h, nullptr);
  Byte out[4] = {};
  EXPECT_EQ(GetBitmapBits(h, 4, out), 4);
  EXPECT_EQ(out[0] & 0xE0, 0xE0);
  EXPECT_EQ(out[2] & 0xE0, 0x00);
  BITMAP bm;
  GetObject(h, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(h);
}

TEST(Palette, NearestIndexAndSystemEntries) {
  LOGPALETTE lp;
  lp.palNumEntries = 3;
  lp.palPalEntry[0] = PALETTEENTRY{0, 0, 0, 0};
  lp.palPalEntry[1] = PALETTEENTRY{250, 0, 0, 0};
  lp.palPalEntry[2] = PALETTEENTRY{0, 0, 250, 0};
  HPALETTE pal = CreatePalette(&lp);
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(200, 10, 10)), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(10, 10, 200)), 2u);
  PALETTEENTRY e[3];
  EXPECT_EQ(GetPaletteEntries(pal, 1, 5, e), 2u);
  EXPECT_EQ(e[0], (PALETTEENTRY{250, 0, 0, 0}));
  TestCanvas c(1, 1);
  EXPECT_NE(SelectPalette(c.dc, pal, FALSE), nullptr);
  EXPECT_EQ(RealizePalette(c.dc), 0u);
  SetPixel(c.dc, 0, 0, PALETTEINDEX(2));
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 250));
  PALETTEENTRY sys[256];
  EXPECT_EQ(GetSystemPaletteEntries(c.dc, 0, 256, sys), 256u);
  EXPECT_EQ(sys[0], (PALETTEENTRY{0, 0, 0, 0}));
  EXPECT_EQ(sys[255], (PALETTEENTRY{255, 255, 255, 0}));
  EXPECT_EQ(sys[249], (PALETTEENTRY{255, 0, 0, 0}));
  SelectPalette(c.dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  DeleteObject(pal);
}

TEST(CreateDIBSection, BitFieldMasksMustBeSingleRunsInsideThePixel) {
  struct Case {
    int bpp;
    DWORD r, g, b;
    bool ok;
  };
  const Case cases[] = {
      {16, 0xF800, 0x07E0, 0x001F, true},       {16, 0x7C00, 0x03E0, 0x001F, true},
      {32, 0xFF0000, 0xFF00, 0xFF, true},       {32, 0x3FF00000, 0x000FFC00, 0x000003FF, true},
      {16, 0xF300, 0x07E0, 0x001F, false},      {16, 0x1F0000, 0x07E0, 0x001F, false},
      {32, 0, 0xFF00, 0xFF, false},             {32, 0xF3000000, 0xFF00, 0xFF, false},
  };
  for (const Case& k : cases) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = 2;
    bi.bmiHeader.biHeight = 1;
    bi.bmiHeader.biBitCount = Word(k.bpp);
    bi.bmiHeader.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {k.r, k.g, k.b};
    std::memcpy(bi.bmiColors, masks, sizeof masks);
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
    EXPECT_EQ(h != nullptr, k.ok) << std::hex << k.r;
    if (!h) continue;
    // White goes in and comes back white whatever the channel widths.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, h);
    SetPixel(dc, 1, 0, RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255)) << std::hex << k.r;
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteObject(h);
    DeleteDC(dc);
  }
}

}  // namespace

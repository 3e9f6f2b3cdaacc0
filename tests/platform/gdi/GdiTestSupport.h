// Small fixtures for drawing tests: a memory DC over a 32-bit top-down DIB
// section, direct pixel access, and a text picture of an area.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/gdi/Gdi.h"

struct TestCanvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  std::uint8_t* bits = nullptr;
  int width = 0, height = 0, bpp = 32;

  // bpp other than 32 gets a small colour table; At/Set/Picture read and
  // write 32-bit pixels only.
  TestCanvas(int w, int h, COLORREF fill = RGB(255, 255, 255), int depth = 32) : width(w), height(h), bpp(depth) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biBitCount = Word(bpp);
    if (bpp <= 8) {
      // A small table: white, black, red, green, blue.
      const RGBQUAD table[5] = {{255, 255, 255, 0}, {0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
      int n = bpp == 1 ? 2 : 5;
      for (int i = 0; i < n; ++i) bi.bmiColors[i] = table[i];
      bi.bmiHeader.biClrUsed = DWORD(n);
    }
    void* p = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<std::uint8_t*>(p);
    old = SelectObject(dc, bmp);
    Fill(fill);
  }
  ~TestCanvas() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  TestCanvas(const TestCanvas&) = delete;
  TestCanvas& operator=(const TestCanvas&) = delete;

  void Fill(COLORREF c) {
    if (bpp != 32) {
      HBRUSH b = CreateSolidBrush(c);
      RECT r{0, 0, width, height};
      FillRect(dc, &r, b);
      DeleteObject(b);
      return;
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) Set(x, y, c);
  }
  // Raw access, bypassing the DC: BGRX bytes of a 32-bit top-down DIB.
  COLORREF At(int x, int y) const {
    const std::uint8_t* p = bits + (std::size_t(y) * width + x) * 4;
    return RGB(p[2], p[1], p[0]);
  }
  std::uint8_t AlphaAt(int x, int y) const { return bits[(std::size_t(y) * width + x) * 4 + 3]; }
  void Set(int x, int y, COLORREF c, std::uint8_t a = 0) {
    std::uint8_t* p = bits + (std::size_t(y) * width + x) * 4;
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
    p[3] = a;
  }
  // One character per pixel: '#' where the pixel equals `ink`, '.' where it
  // equals `paper`, '?' otherwise; rows separated by '\n'.
  std::string Picture(COLORREF ink = RGB(0, 0, 0), COLORREF paper = RGB(255, 255, 255)) const {
    std::string s;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        COLORREF c = At(x, y);
        s += c == ink ? '#' : c == paper ? '.' : '?';
      }
      s += '\n';
    }
    return s;
  }
};

// Joins picture rows written one per line in the test.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) {
    s += r;
    s += '\n';
  }
  return s;
}

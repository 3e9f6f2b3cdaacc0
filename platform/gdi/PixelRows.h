// The one place that converts pixels between surface formats and colours.
// Rows are read into and written from 32-bit 0x00RRGGBB values (BGRX bytes),
// the working format of every drawing loop; the format is decided once per
// row, never per pixel.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"

inline std::uint32_t ColorToPixel(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF PixelToColor(std::uint32_t p) {
  return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}
inline std::uint32_t QuadToPixel(const RGBQUAD& q) {
  return (std::uint32_t(q.rgbRed) << 16) | (std::uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
}

// Pixels [x0, x0 + n) of row y; the caller keeps them inside the surface.
void ReadPixelRow(const Surface& s, int y, int x0, int n, std::uint32_t* out);
void WritePixelRow(const Surface& s, int y, int x0, int n, const std::uint32_t* in);
// Raw colour-table indices of a paletted row (1, 4, 8 bits).
void ReadIndexRow(const Surface& s, int y, int x0, int n, Byte* out);
void WriteIndexRow(const Surface& s, int y, int x0, int n, const Byte* in);

// Index of the nearest entry (squared RGB distance; first wins on ties).
int NearestColorIndex(const RGBQUAD* colors, int count, std::uint32_t pixel);

// 256 entries: the 20 static colours at 0-9 and 246-255, a colour cube between.
std::vector<PALETTEENTRY> SystemPaletteEntries();

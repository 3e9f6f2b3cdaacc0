// Small bitmaps with known pixels for the drawing tests, and pixel reads.
#pragma once
#include <cstdint>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace skinpx {

// 0x00RRGGBB
inline std::uint32_t Rgb(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }

// A 24-bit picture whose pixel (x, y) is red x, green y, blue tag, so a
// composed result tells where each of its pixels came from.
inline void CoordPicture(TBitmap& b, int w, int h, int tag = 7) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<std::uint8_t*>(b.ScanLine(y));
    for (int x = 0; x < w; ++x) {
      row[x * 3] = std::uint8_t(tag);
      row[x * 3 + 1] = std::uint8_t(y);
      row[x * 3 + 2] = std::uint8_t(x);
    }
  }
}

inline void Fill(TBitmap& b, std::uint32_t rgb) {
  for (int y = 0; y < b.Height(); ++y) {
    auto* row = static_cast<std::uint8_t*>(b.ScanLine(y));
    const int bpp = b.PixelFormat() == pf24bit ? 3 : 4;
    for (int x = 0; x < b.Width(); ++x) {
      row[x * bpp] = std::uint8_t(rgb);
      row[x * bpp + 1] = std::uint8_t(rgb >> 8);
      row[x * bpp + 2] = std::uint8_t(rgb >> 16);
    }
  }
}

inline void SetPx(TBitmap& b, int x, int y, std::uint32_t rgb) {
  auto* row = static_cast<std::uint8_t*>(b.ScanLine(y));
  const int bpp = b.PixelFormat() == pf24bit ? 3 : 4;
  row[x * bpp] = std::uint8_t(rgb);
  row[x * bpp + 1] = std::uint8_t(rgb >> 8);
  row[x * bpp + 2] = std::uint8_t(rgb >> 16);
}

// Pixel (x, y) as 0x00RRGGBB, from a 24-bit or a 32-bit bitmap.
inline std::uint32_t Px(TBitmap& b, int x, int y) {
  const auto* row = static_cast<const std::uint8_t*>(b.ScanLine(y));
  const int bpp = b.PixelFormat() == pf24bit ? 3 : 4;
  return Rgb(row[x * bpp + 2], row[x * bpp + 1], row[x * bpp]);
}

// Where a pixel of a CoordPicture result came from.
inline std::uint32_t From(int x, int y, int tag = 7) { return Rgb(x, y, tag); }

}  // namespace skinpx

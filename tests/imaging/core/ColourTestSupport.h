// Helpers of the colour tests (quantisers, bit depths, format conversion):
// colours by red, green, blue, packed values, and 24-bit pictures in a
// chosen storage.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/imaging/core/BitmapTestSupport.h"

namespace colourtest {

using ByteRow = std::vector<Byte>;

inline TRGBPixel ColourRGB(Byte r, Byte g, Byte b) { return TRGBPixel{b, g, r}; }
inline TRGBPixel GreyPixel(Byte v) { return TRGBPixel{v, v, v}; }
// Red in bits 16-23, green 8-15, blue 0-7.
inline std::uint32_t PackedOf(TRGBPixel p) { return (std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b; }
// The sum of absolute channel differences.
inline int ColourDistance(TRGBPixel a, TRGBPixel b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

// A w x h 24-bit picture from pixels row after row.
inline std::unique_ptr<TVQBitmap> ColourPicture(TVQLocation l, int w, int h, const std::vector<TRGBPixel>& pixels) {
  auto b = bitmaptest::NewBitmap(l, w, h, vqRGB24);
  for (int y = 0; y < h; ++y)
    std::memcpy(b->GetScanline(y), &pixels[std::size_t(y) * std::size_t(w)], std::size_t(w) * 3);
  b->ReleaseViews();
  return b;
}

// A 24-bit picture from its rows.
inline std::unique_ptr<TVQBitmap> ColourRows(TVQLocation l, const std::vector<std::vector<TRGBPixel>>& rows) {
  std::vector<TRGBPixel> all;
  for (const auto& row : rows) all.insert(all.end(), row.begin(), row.end());
  return ColourPicture(l, static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), all);
}

}  // namespace colourtest

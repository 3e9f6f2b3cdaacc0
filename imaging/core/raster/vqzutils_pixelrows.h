// Pixel rows of every format read as grey levels or colours: the one place
// the bit-depth routines, the pixel-format conversion and the quantisers
// turn a stored pixel into a grey or an RGB value.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

// (r x red + g x green + b x blue) div 100 with the library's grey weights.
inline int VQGreyOf(int r, int g, int b) {
  return (r * GrayWeightRed + g * GrayWeightGreen + b * GrayWeightBlue) / 100;
}
inline int VQGreyOf(TRGBPixel p) { return VQGreyOf(p.r, p.g, p.b); }

// The integer part of f x scale, its low bits kept by mask; NaN and values
// beyond 64 bits give 0.
inline std::uint32_t VQFloatIntegerBits(float f, double scale, std::uint32_t mask) {
  const double v = static_cast<double>(f) * scale;
  if (!(v > -9.2e18 && v < 9.2e18)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) & mask);
}
inline float VQLoadFloat(const Byte* p) {
  float f;
  std::memcpy(&f, p, sizeof f);
  return f;
}
inline void VQStoreFloat(Byte* p, float f) { std::memcpy(p, &f, sizeof f); }

// Grey of each of the 256 entries of a palette (zeros where none).
void VQPaletteGreys(TVQBitmap& bitmap, Byte greys[256]);

// Grey levels of width pixels of a row that is not 1-bit: palette colour's
// grey, the 8-bit value, the 16-bit high byte, the colour's grey, the low
// byte of Trunc(v x 255), the grey of the CMYK colour. Greys above 255
// (grey weights summing past 100) are clamped.
void VQGreyRow(TVQPixelFormat format, const Byte* row, int width, const Byte* paletteGreys, Byte* out);

// RGB of width pixels of a row of any format (1-bit set white), as
// GetPixelRGB gives them.
void VQColorRow(TVQPixelFormat format, const Byte* row, int width, const TRGBPixel* palette, TRGBPixel* out);

// Helpers of the raster-model tests: bitmaps in a chosen storage, a pixel
// pattern that differs in every byte, and the pixel bytes of every row.
#pragma once
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

namespace bitmaptest {

inline const char* LocationName(TVQLocation l) {
  return l == vqMemoryBuffer ? "Memory" : l == vqTempFile ? "TempFile" : "TBitmap";
}

inline const char* FormatName(TVQPixelFormat f) {
  static const char* const names[] = {"Null", "Bits1", "Palette8", "Gray8", "Gray16", "RGB24", "32f", "CMYK"};
  return names[f];
}

// The formats each storage holds.
inline std::vector<TVQPixelFormat> FormatsOf(TVQLocation l) {
  if (l == vqTBitmap) return {vqBits1, vqPalette8, vqGray8, vqRGB24};
  return {vqBits1, vqPalette8, vqGray8, vqGray16, vqRGB24, vq32f, vqCMYK};
}

// An empty bitmap that will store its pixels at the location whatever their
// size: memory and TBitmap never spill to a file, a file never goes to memory.
inline std::unique_ptr<TVQBitmap> NewBitmap(TVQLocation location) {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = location == vqTempFile ? 0 : std::numeric_limits<Int64>::max();
  b->SetLocation(location);
  return b;
}

inline std::unique_ptr<TVQBitmap> NewBitmap(TVQLocation location, int w, int h, TVQPixelFormat f) {
  auto b = NewBitmap(location);
  b->Allocate(w, h, f);
  return b;
}

// Bytes of a row that hold pixels.
inline int PixelBytes(TVQBitmap& b) { return (b.GetWidth() * b.GetBitCount() + 7) / 8; }

inline Byte PatternByte(int x, int y, int seed) { return static_cast<Byte>(x * 29 + y * 71 + seed * 13 + 5); }

// Writes the pattern into every pixel byte (and only there: the bits of a
// 1-bit row past its width stay as they are).
inline void WritePattern(TVQBitmap& b, int seed = 0) {
  const int n = PixelBytes(b), w = b.GetWidth();
  for (int y = 0; y < b.GetHeight(); ++y) {
    Byte* row = b.GetScanline(y);
    for (int i = 0; i < n; ++i) {
      Byte v = PatternByte(i, y, seed);
      if (b.GetBitCount() == 1 && i == n - 1 && (w & 7)) {
        const Byte keep = static_cast<Byte>(0xFFu >> (w & 7));
        v = static_cast<Byte>((v & ~keep) | (row[i] & keep));
      }
      row[i] = v;
    }
  }
}

// The pixel bytes of every row, the bits past a 1-bit row's width cleared.
inline std::vector<std::vector<Byte>> PixelRows(TVQBitmap& b) {
  std::vector<std::vector<Byte>> rows;
  const int n = PixelBytes(b), w = b.GetWidth();
  for (int y = 0; y < b.GetHeight(); ++y) {
    const Byte* row = b.GetScanline(y);
    std::vector<Byte> r(row, row + n);
    if (b.GetBitCount() == 1 && (w & 7)) r.back() &= static_cast<Byte>(0xFF00u >> (w & 7));
    rows.push_back(r);
  }
  return rows;
}

// Whole rows, padding included.
inline std::vector<std::vector<Byte>> WholeRows(TVQBitmap& b) {
  std::vector<std::vector<Byte>> rows;
  for (int y = 0; y < b.GetHeight(); ++y) {
    const Byte* row = b.GetScanline(y);
    rows.emplace_back(row, row + b.GetRowLength());
  }
  return rows;
}

}  // namespace bitmaptest

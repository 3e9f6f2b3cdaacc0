// The bit planes of the magic wand: one bit a pixel, most significant bit
// first, width div 8 + 1 bytes a row.
#pragma once
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"

struct TWandPlane {
  int width = 0, height = 0, rowBytes = 0;
  std::vector<Byte> bits;
  TWandPlane(int w, int h);
  Byte* Row(int y) { return bits.data() + static_cast<size_t>(y) * rowBytes; }
  const Byte* Row(int y) const { return bits.data() + static_cast<size_t>(y) * rowBytes; }
  bool Get(int x, int y) const { return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
  void Set(int x, int y) { Row(y)[x >> 3] |= static_cast<Byte>(0x80 >> (x & 7)); }
  void Clear(int x, int y) { Row(y)[x >> 3] &= static_cast<Byte>(~(0x80 >> (x & 7))); }
};

// Set where the pixel's colour is within the tolerance of the seed.
TWandPlane WandMatchPlane(TVQBitmap& bitmap, TRGBPixel seed, int tolerance);

// The four-connected region of matching pixels around (x, y), which must
// lie in the bitmap; the box is left, top = INT_MAX, right, bottom = 0 when
// nothing matched.
struct TWandRegion {
  TWandPlane visited;
  int left, top, right, bottom;
};
TWandRegion WandFillRegion(TVQBitmap& bitmap, int x, int y, int tolerance);

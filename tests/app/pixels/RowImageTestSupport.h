// Building and reading 24-bit row images pixel by pixel in the pixel tests.
#pragma once
#include "app/pixels/RowImage.h"

// An image whose pixel (x, y) is pixel(x, y).
template <typename F>
RowImageBuffer Make(int w, int h, F pixel) {
  RowImageBuffer image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BGR c = pixel(x, y);
      Byte* p = image.Row(y) + x * 3;
      p[0] = c.B, p[1] = c.G, p[2] = c.R;
    }
  return image;
}

inline BGR At(const RowImage& image, int x, int y) {
  const Byte* p = image.Row(y) + x * 3;
  return BGR{p[0], p[1], p[2]};
}

inline void Put(const RowImage& image, int x, int y, BGR c) {
  Byte* p = image.Row(y) + x * 3;
  p[0] = c.B, p[1] = c.G, p[2] = c.R;
}

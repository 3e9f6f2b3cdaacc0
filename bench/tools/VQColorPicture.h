// A photo-like 24-bit picture for the colour benchmarks: smooth shading,
// soft discs, edges and grain, so quantisers and dithers meet a photo's
// spread of colours.
#pragma once
#include <cstdint>

// Fills h rows of w blue-green-red pixels; row(y) gives row y's address.
template <class RowOf>
void PaintColourPhoto(int w, int h, RowOf row) {
  std::uint32_t seed = 2463534242u;
  auto clamp = [](int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed & 15) - 8;
      const int dx = x - w / 3, dy = y - h / 2;
      const int disc = (dx * dx + dy * dy) < (h / 4) * (h / 4) ? 60 : 0;
      const int band = ((x / 300 + y / 200) & 1) ? 30 : 0;
      p[0] = clamp(x * 160 / w + band + grain - disc / 2);
      p[1] = clamp(y * 190 / h + disc + grain);
      p[2] = clamp(((x + y) * 140) / (w + h) + 50 - band + disc + grain);
    }
  }
}

// Random source rows for the halftone tests, read as the general row reader does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// Rows of 3 or 4 bytes a pixel, padded to 4 bytes, filled with random bytes.
struct StretchRows {
  int w, h, bpp;
  std::vector<std::uint8_t> bytes;
  std::ptrdiff_t pitch;
  StretchRows(int width, int height, int bytesPerPixel, std::mt19937& rng)
      : w(width), h(height), bpp(bytesPerPixel), pitch(std::ptrdiff_t((width * bytesPerPixel + 3) & ~3)) {
    bytes.resize(std::size_t(pitch) * std::size_t(height));
    for (auto& b : bytes) b = std::uint8_t(rng());
  }
  void Read(int y, int x0, int n, std::uint32_t* out) const {
    const std::uint8_t* p = bytes.data() + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(x0) * bpp;
    for (int i = 0; i < n; ++i, p += bpp) out[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
  }
};

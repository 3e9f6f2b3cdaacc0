// Reading the fixture files of tests/data/<folder>/ and the pixels the
// readers give, shared by the filters' cross-read tests.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"

namespace iofix {

using Bytes = std::vector<std::uint8_t>;

inline Bytes File(const std::string& folder, const std::string& name) {
  std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/" + folder + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

// The pixels of a binary "P6 W H 255" file as red, green, blue bytes.
inline Bytes ExpectedP6(const std::string& folder, const std::string& name, int& w, int& h) {
  const Bytes b = File(folder, name);
  const std::string head(b.begin(), b.begin() + std::min<std::size_t>(b.size(), 32));
  int maxval = 0, used = 0;
  if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3 || maxval != 255) return {};
  return Bytes(b.begin() + used + 1, b.end());
}

// Red, green, blue of every pixel, top row first; 1-bit images as black
// and white.
inline Bytes Pixels(TVQBitmap& img) {
  Bytes v;
  for (int y = 0; y < img.GetHeight(); ++y) {
    const Byte* r = img.GetScanline(y);
    for (int x = 0; x < img.GetWidth(); ++x) {
      if (img.GetPixelFormat() == vqBits1) {
        const Byte c = (r[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
        v.insert(v.end(), {c, c, c});
      } else {
        v.insert(v.end(), {r[x * 3 + 2], r[x * 3 + 1], r[x * 3]});
      }
    }
  }
  return v;
}

}  // namespace iofix

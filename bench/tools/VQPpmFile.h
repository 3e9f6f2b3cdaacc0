// Binary PPM files (P6, maxval 255) in and out of 24-bit images, for the
// whole-process tools that are compared with other programs.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/tools/SwapRedBlue.h"
#include "bench/tools/VQColorPicture.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

inline std::unique_ptr<TVQBitmap> NewMemoryBitmap() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = INT64_MAX;
  b->SetLocation(vqMemoryBuffer);
  return b;
}

// Null when the file is anything else, or larger than 100000 on a side.
inline std::unique_ptr<TVQBitmap> ReadPPM(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  char magic[3] = {};
  long w = 0, h = 0, maxval = 0;
  std::unique_ptr<TVQBitmap> b;
  if (std::fscanf(f, "%2s %ld %ld %ld", magic, &w, &h, &maxval) == 4 && std::strcmp(magic, "P6") == 0 &&
      maxval == 255 && w > 0 && h > 0 && w <= 100000 && h <= 100000 && std::fgetc(f) != EOF) {
    b = NewMemoryBitmap();
    b->Allocate(int(w), int(h), vqRGB24);
    std::vector<std::uint8_t> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
      if (std::fread(row.data(), 1, row.size(), f) != row.size()) {
        b.reset();
        break;
      }
      SwapRedBlue(row.data(), b->GetScanline(y), int(w));
    }
  }
  std::fclose(f);
  return b;
}

inline bool WritePPM(TVQBitmap& b, const char* path) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const int w = b.GetWidth();
  std::fprintf(f, "P6\n%d %d\n255\n", w, b.GetHeight());
  std::vector<std::uint8_t> row(std::size_t(w) * 3);
  for (int y = 0; y < b.GetHeight(); ++y) {
    SwapRedBlue(b.GetScanline(y), row.data(), w);
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

// A photo-like picture of w x h as a PPM file.
inline int WritePhotoPPM(const char* path, int w, int h) {
  auto b = NewMemoryBitmap();
  b->Allocate(w, h, vqRGB24);
  PaintColourPhoto(w, h, [&](int y) { return b->GetScanline(y); });
  return WritePPM(*b, path) ? 0 : 1;
}

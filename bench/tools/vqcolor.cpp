// One colour operation of the imaging core per process, for whole-process
// comparisons with other programs:
//   vqcolor make OUT.ppm [W H]          a photo-like picture (6000 x 4000)
//   vqcolor colors256 IN.ppm OUT.bmp    256-colour palette, no dithering
//   vqcolor dither IN.ppm OUT.bmp       ordered dither to 1 bit
//   vqcolor threshold IN.ppm OUT.bmp    1 bit at grey 128 (half way)
//   vqcolor gray8|gray16|float|cmyk IN.ppm   the conversion alone, timed
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/tools/VQColorPicture.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/graphics/Bitmap.h"

namespace {

constexpr long kMaxSide = 100000;

std::unique_ptr<TVQBitmap> NewMemoryBitmap() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = INT64_MAX;
  b->SetLocation(vqMemoryBuffer);
  return b;
}

// A binary PPM (P6, maxval 255); null when it is anything else.
std::unique_ptr<TVQBitmap> ReadPPM(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  char magic[3] = {};
  long w = 0, h = 0, maxval = 0;
  std::unique_ptr<TVQBitmap> b;
  if (std::fscanf(f, "%2s %ld %ld %ld", magic, &w, &h, &maxval) == 4 && std::strcmp(magic, "P6") == 0 &&
      maxval == 255 && w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && std::fgetc(f) != EOF) {
    b = NewMemoryBitmap();
    b->Allocate(int(w), int(h), vqRGB24);
    std::vector<std::uint8_t> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
      if (std::fread(row.data(), 1, row.size(), f) != row.size()) {
        b.reset();
        break;
      }
      std::uint8_t* d = b->GetScanline(y);
      for (long x = 0; x < w; ++x) {
        d[3 * x] = row[std::size_t(3 * x + 2)];
        d[3 * x + 1] = row[std::size_t(3 * x + 1)];
        d[3 * x + 2] = row[std::size_t(3 * x)];
      }
    }
  }
  std::fclose(f);
  return b;
}

int WritePPM(const char* path, int w, int h) {
  std::vector<std::uint8_t> pixels(std::size_t(w) * h * 3);
  PaintColourPhoto(w, h, [&](int y) { return &pixels[std::size_t(y) * w * 3]; });
  FILE* f = std::fopen(path, "wb");
  if (!f) return 1;
  std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  for (std::size_t i = 0; i < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
  std::fwrite(pixels.data(), 1, pixels.size(), f);
  std::fclose(f);
  return 0;
}

// 1-bit and paletted images go out as BMP through a framework bitmap.
void WriteBMP(TVQBitmap& b, const char* path) {
  const bool bits = b.GetPixelFormat() == vqBits1;
  std::vector<RGBQUAD> colors;
  if (bits) {
    colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  } else {
    for (int i = 0; i < 256; ++i) {
      TRGBPixel e;
      b.GetPaletteColor(i, e);
      colors.push_back(RGBQUAD{e.b, e.g, e.r, 0});
    }
  }
  TBitmap out;
  out.NewImage(b.GetWidth(), b.GetHeight(), bits ? pf1bit : pf8bit, colors);
  const std::size_t n = std::size_t((b.GetWidth() * b.GetBitCount() + 7) / 8);
  for (int y = 0; y < b.GetHeight(); ++y) std::memcpy(out.ScanLine(y), b.GetScanline(y), n);
  out.SaveToFile(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vqcolor make|colors256|dither|threshold|gray8|gray16|float|cmyk IN [OUT]\n");
    return 2;
  }
  const std::string op = argv[1];
  if (op == "make")
    return WritePPM(argv[2], argc > 4 ? std::atoi(argv[3]) : 6000, argc > 4 ? std::atoi(argv[4]) : 4000);
  BuildBitExpansionTable();
  try {
    std::unique_ptr<TVQBitmap> b = ReadPPM(argv[2]);
    if (!b) {
      std::fprintf(stderr, "vqcolor: %s is not a binary 8-bit PPM\n", argv[2]);
      return 1;
    }
    if (op == "colors256" || op == "dither") {
      if (argc < 4) return 2;
      b->PaletteColors = 256;
      b->BiLevelMethod = 0;
      b->SetPixelFormat(op == "dither" ? vqBits1 : vqPalette8);
      WriteBMP(*b, argv[3]);
      return 0;
    }
    if (op == "threshold") {
      if (argc < 4) return 2;
      auto bits = NewMemoryBitmap();
      bits->Allocate(b->GetWidth(), b->GetHeight(), vqBits1);
      ThresholdTo1Bit(b.get(), bits.get(), 128);
      WriteBMP(*bits, argv[3]);
      return 0;
    }
    const TVQPixelFormat to = op == "gray8"    ? vqGray8
                              : op == "gray16" ? vqGray16
                              : op == "float"  ? vq32f
                              : op == "cmyk"   ? vqCMYK
                                               : vqNull;
    if (to == vqNull) return 2;
    const auto start = std::chrono::steady_clock::now();
    b->SetPixelFormat(to);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %.1f ms\n", op.c_str(), ms);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqcolor: %s\n", e.what());
    return 1;
  }
}

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

#include "bench/tools/VQPpmFile.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/graphics/Bitmap.h"

namespace {

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
    return WritePhotoPPM(argv[2], argc > 4 ? std::atoi(argv[3]) : 6000, argc > 4 ? std::atoi(argv[4]) : 4000);
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

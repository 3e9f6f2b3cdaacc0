// One photo file operation per process, for whole-process comparisons with
// other programs (time and peak memory):
//   photo_io jpeg-decode IN.jpg          JPEG file -> 24-bit TBitmap
//   photo_io jpeg-encode IN.bmp OUT.jpg Q  BMP file -> TBitmap -> TJPEGImage -> file
//   photo_io bmp-load IN.bmp             BMP file -> TBitmap
//   photo_io bmp-save IN.bmp OUT.bmp     BMP file -> TBitmap -> BMP file
//   photo_io jpeg-to-ppm IN.jpg OUT.ppm  JPEG file -> 24-bit TBitmap -> PPM file
//   photo_io ppm-to-jpeg IN.ppm OUT.jpg Q  PPM file -> TBitmap -> JPEG file
// The PPM forms do what libjpeg-turbo's djpeg -ppm and cjpeg do, so whole
// processes compare: the JPEG side is the wizard's own path, and files are
// written plainly (no flush to disk), as those tools write theirs.
// Prints the picture's size and one checksum row, so the work cannot be
// left out.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/tools/SwapRedBlue.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/JPEGImage.h"

namespace {

int Report(TBitmap& b) {
  const auto* row = static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(b).ScanLine(b.Height() / 2));
  unsigned sum = 0;
  for (int i = 0; i < b.RowBytes(); ++i) sum = sum * 31 + row[i];
  std::printf("%d x %d, %d bits, row sum %08x\n", b.Width(), b.Height(), TBitmap::BitsOf(b.PixelFormat()), sum);
  return 0;
}

// Binary PPM (P6, maxval 255) into a 24-bit bitmap: R,G,B becomes B,G,R.
bool ReadPpm(const char* name, TBitmap& b) {
  std::FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  int w = 0, h = 0, maxval = 0;
  const bool ok = std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && w > 0 && h > 0 &&
                  w <= 65500 && h <= 65500 && std::fgetc(f) != EOF;
  if (!ok) {
    std::fclose(f);
    return false;
  }
  auto* block = b.NewImage(w, h, pf24bit);
  const std::ptrdiff_t pitch = b.RowBytes();
  std::vector<std::uint8_t> rgb(std::size_t(w) * 3);
  bool complete = true;
  for (int y = 0; y < h && complete; ++y) {
    complete = std::fread(rgb.data(), 3, std::size_t(w), f) == std::size_t(w);
    SwapRedBlue(rgb.data(), block + std::ptrdiff_t(h - 1 - y) * pitch, w);
  }
  std::fclose(f);
  return complete;
}

bool WritePpm(const char* name, const TBitmap& b) {
  std::FILE* f = std::fopen(name, "wb");
  if (!f) return false;
  const int w = b.Width(), h = b.Height();
  std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  std::vector<std::uint8_t> rgb(std::size_t(w) * 3);
  bool ok = true;
  for (int y = 0; y < h && ok; ++y) {
    SwapRedBlue(static_cast<const std::uint8_t*>(b.ScanLine(y)), rgb.data(), w);
    ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
  }
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: photo_io jpeg-decode|jpeg-encode|jpeg-to-ppm|ppm-to-jpeg|bmp-load|bmp-save IN [OUT] [QUALITY]\n");
    return 2;
  }
  const std::string op = argv[1];
  try {
    TBitmap bitmap;
    if (op == "jpeg-decode") {
      TJPEGImage jpeg;
      jpeg.LoadFromFile(argv[2]);
      bitmap.Assign(&jpeg);
      return Report(bitmap);
    }
    if (op == "jpeg-to-ppm" && argc > 3) {
      TJPEGImage jpeg;
      jpeg.LoadFromFile(argv[2]);
      bitmap.Assign(&jpeg);
      if (!WritePpm(argv[3], bitmap)) throw std::runtime_error("cannot write the PPM file");
      return Report(bitmap);
    }
    if (op == "ppm-to-jpeg" && argc > 3) {
      if (!ReadPpm(argv[2], bitmap)) throw std::runtime_error("not a 24-bit binary PPM file");
      TJpegEncodeOptions o;
      o.Quality = argc > 4 ? std::atoi(argv[4]) : 75;
      const auto* top = static_cast<const std::uint8_t*>(std::as_const(bitmap).ScanLine(0));
      const std::vector<std::uint8_t> jpeg =
          EncodeJpegRows(top, -std::ptrdiff_t(bitmap.RowBytes()), bitmap.Width(), bitmap.Height(), false, o);
      std::FILE* f = std::fopen(argv[3], "wb");
      const bool ok = f && std::fwrite(jpeg.data(), 1, jpeg.size(), f) == jpeg.size();
      if (f && std::fclose(f) != 0) throw std::runtime_error("cannot write the JPEG file");
      if (!ok) throw std::runtime_error("cannot write the JPEG file");
      return Report(bitmap);
    }
    bitmap.LoadFromFile(argv[2]);
    if (op == "bmp-load") return Report(bitmap);
    if (argc < 4) return 2;
    if (op == "bmp-save") {
      bitmap.SaveToFile(argv[3]);
      return Report(bitmap);
    }
    if (op == "jpeg-encode") {
      TJPEGImage jpeg;
      jpeg.CompressionQuality = argc > 4 ? std::atoi(argv[4]) : 90;
      jpeg.Assign(&bitmap);
      jpeg.SaveToFile(argv[3]);
      return Report(bitmap);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "photo_io: %s\n", e.what());
    return 1;
  }
  return 2;
}

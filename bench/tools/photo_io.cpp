// One photo file operation per process, for whole-process comparisons with
// other programs (time and peak memory):
//   photo_io jpeg-decode IN.jpg          JPEG file -> 24-bit TBitmap
//   photo_io jpeg-encode IN.bmp OUT.jpg Q  BMP file -> TBitmap -> TJPEGImage -> file
//   photo_io bmp-load IN.bmp             BMP file -> TBitmap
//   photo_io bmp-save IN.bmp OUT.bmp     BMP file -> TBitmap -> BMP file
// Prints the picture's size and one checksum row, so the work cannot be
// left out.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

namespace {

int Report(TBitmap& b) {
  const auto* row = static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(b).ScanLine(b.Height() / 2));
  unsigned sum = 0;
  for (int i = 0; i < b.RowBytes(); ++i) sum = sum * 31 + row[i];
  std::printf("%d x %d, %d bits, row sum %08x\n", b.Width(), b.Height(), TBitmap::BitsOf(b.PixelFormat()), sum);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: photo_io jpeg-decode|jpeg-encode|bmp-load|bmp-save IN [OUT] [QUALITY]\n");
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

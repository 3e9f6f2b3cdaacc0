// One JPEG decode or encode per process, for whole-process comparisons with
// libjpeg-turbo's tools (PPM files read and written included, as theirs are):
//   vqjpeg read IN.jpg OUT.ppm [SCALE]       vs  djpeg [-scale 1/N] -ppm -outfile OUT.ppm IN.jpg
//   vqjpeg write IN.ppm OUT.jpg [QUALITY]    vs  cjpeg -quality Q -outfile OUT.jpg IN.ppm
// SCALE is JpegScale: 1 full size, 2 half, 3 quarter, 4 eighth.
// LUMIQA_JPEG_SPACE sets JpegColorSpace of a write (0 RGB, 1 grey, 2 YCbCr,
// 3 CMYK, 4 YCCK), LUMIQA_JPEG_PROGRESSIVE=1 a progressive one.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/tools/VQPpmFile.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: vqjpeg read IN.jpg OUT.ppm [SCALE] | write IN.ppm OUT.jpg [QUALITY]\n");
    return 2;
  }
  const std::string op = argv[1];
  TIOParamsVals params(nullptr);
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  try {
    if (op == "read") {
      TFileStream in(argv[2], fmOpenRead);
      std::unique_ptr<TVQBitmap> image = NewMemoryBitmap();
      if (argc > 4) params.JpegScale = Byte(std::atoi(argv[4]));
      LoadJpegImage(&in, nullptr, image.get(), false, false, progress, params);
      if (aborted || !WritePPM(*image, argv[3])) return 1;
      return 0;
    }
    if (op == "write") {
      std::unique_ptr<TVQBitmap> image = ReadPPM(argv[2]);
      if (!image) return 1;
      params.JpegQuality = argc > 4 ? std::atoi(argv[4]) : 75;
      if (const char* space = std::getenv("LUMIQA_JPEG_SPACE")) params.JpegColorSpace = Byte(std::atoi(space));
      if (const char* p = std::getenv("LUMIQA_JPEG_PROGRESSIVE")) params.JpegProgressive = std::atoi(p) != 0;
      TFileStream out(argv[3], fmCreate);
      SaveJpegImage(&out, image.get(), params, progress);
      return aborted ? 1 : 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqjpeg: %s\n", e.what());
    return 1;
  }
  return 2;
}

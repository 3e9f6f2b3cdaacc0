// One PNG read or write per process, for whole-process comparisons with
// netpbm (PPM files read and written included, as theirs are):
//   vqpng read IN.png OUT.ppm                 vs  pngtopam IN.png > OUT.ppm
//   vqpng write IN.ppm OUT.png [FILTER]       vs  pnmtopng -compression 6 IN.ppm > OUT.png
// FILTER is PngFilter: 0 none (the default), 1 sub, 2 Paeth, 5 libpng's choice.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/tools/VQPpmFile.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/pngfilt.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: vqpng read IN.png OUT.ppm | write IN.ppm OUT.png [FILTER]\n");
    return 2;
  }
  const std::string op = argv[1];
  TIOParamsVals params(nullptr);
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  if (op == "read") {
    TFileStream in(argv[2], fmOpenRead);
    std::unique_ptr<TVQBitmap> image = NewMemoryBitmap();
    std::unique_ptr<TVQMask> mask;
    LoadPngImage(in, image.get(), &params, true, mask, false, progress);
    if (aborted || !WritePPM(*image, argv[3])) return 1;
    return 0;
  }
  if (op == "write") {
    std::unique_ptr<TVQBitmap> image = ReadPPM(argv[2]);
    if (!image) return 1;
    params.PngCompression = 6;
    if (argc > 4) params.PngFilter = Byte(std::atoi(argv[4]));
    TFileStream out(argv[3], fmCreate);
    SavePngImage(out, image.get(), &params, nullptr, progress);
    return aborted ? 1 : 0;
  }
  return 2;
}

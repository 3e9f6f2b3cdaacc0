// One GIF read or write per process, for whole-process comparisons:
//   vqgif read IN.gif OUT.ppm [INDEX]   every frame up to INDEX (default: all)
//                                       composed, the picture written as PPM
//   vqgif write IN.ppm OUT.gif [BITS] [interlaced]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/tools/VQPpmFile.h"
#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/formats/giffilter.h"
#include "imaging/io/component/pictoraio.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: vqgif read IN.gif OUT.ppm [INDEX] | write IN.ppm OUT.gif [BITS] [interlaced]\n");
    return 2;
  }
  StartImagingLibrary();
  const std::string op = argv[1];
  if (op == "read") {
    TPictoraIO io(nullptr);
    io.Parameters()->GifImageIndex = argc > 4 ? std::atoi(argv[4]) : -1;
    TFileStream in(argv[2], fmOpenRead);
    const int frames = io.LoadGifFromStream(&in);
    if (io.Aborting || frames < 1) return 1;
    io.Image()->SetPixelFormat(vqRGB24);
    return WritePPM(*io.Image(), argv[3]) ? 0 : 1;
  }
  if (op == "write") {
    std::unique_ptr<TVQBitmap> image = ReadPPM(argv[2]);
    if (!image) return 1;
    TIOParamsVals params(nullptr);
    params.BitsPerSample = argc > 4 ? std::atoi(argv[4]) : 8;
    params.GifInterlaced = argc > 5 && std::strcmp(argv[5], "interlaced") == 0;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    TFileStream out(argv[3], fmCreate);
    SaveGifImage(out, image.get(), params, progress);
    return aborted ? 1 : 0;
  }
  return 2;
}

// One JPEG 2000 read or write per process, for whole-process comparisons with
// OpenJPEG's own command-line tools:
//   vqj2000 read IN.j2k [OUT.ppm]          vs  opj_decompress -i IN.j2k -o OUT
//   vqj2000 write IN.ppm OUT.j2k [RATE]    vs  opj_compress -i IN.ppm -o OUT.j2k [-r 1/RATE]
// The thread count follows LUMIQA_THREADS (theirs: -threads N).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/tools/VQPpmFile.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqj2000.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vqj2000 read IN [OUT.ppm] | write IN.ppm OUT.jp2|OUT.j2k [RATE]\n");
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
    LoadJ2kImage(in, image.get(), params, false, progress);
    if (aborted) return 1;
    return argc > 3 && !WritePPM(*image, argv[3]) ? 1 : 0;
  }
  if (op == "write" && argc > 3) {
    std::unique_ptr<TVQBitmap> image = ReadPPM(argv[2]);
    if (!image) return 1;
    if (argc > 4) params.J2kRate = std::atof(argv[4]);
    const std::string out = argv[3];
    const bool jp2 = out.size() > 4 && out.compare(out.size() - 4, 4, ".jp2") == 0;
    TFileStream file(out, fmCreate);
    SaveJ2kImage(file, image.get(), params, jp2 ? kJ2kFormatJp2 : kJ2kFormatJpc, progress);
    return aborted ? 1 : 0;
  }
  return 2;
}

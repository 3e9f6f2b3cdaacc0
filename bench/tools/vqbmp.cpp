// The BMP and PNM filters per process, for whole-process comparisons with
// other programs:
//   vqbmp read IN.bmp              read the file into an image
//   vqbmp copy IN.bmp OUT.bmp      read it and write it again at its depth
//   vqbmp pnmread IN.pnm           read a PNM (P1 to P6) into an image
//   vqbmp pnmcopy IN.pnm OUT.pnm   read it and write it again (P4, P5 or P6)
#include <climits>
#include <cstdio>
#include <cstring>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_pnm.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  const bool pnm = argc >= 2 && std::strncmp(argv[1], "pnm", 3) == 0;
  const char* verb = pnm ? argv[1] + 3 : argc >= 2 ? argv[1] : "";
  const bool copy = std::strcmp(verb, "copy") == 0;
  if (argc < 3 || (!copy && std::strcmp(verb, "read") != 0) || (copy && argc < 4)) {
    std::fprintf(stderr, "usage: vqbmp read|pnmread IN | vqbmp copy|pnmcopy IN OUT\n");
    return 2;
  }
  StartImagingLibrary();
  TVQBitmap image;
  image.MemoryThreshold = LLONG_MAX;
  image.SetLocation(vqMemoryBuffer);
  TIOParamsVals params(nullptr);
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  {
    TFileStream in(argv[2], fmOpenRead);
    if (pnm)
      LoadPnmImage(in, &image, params, false, progress);
    else
      LoadBmpImage(in, &image, int(in.Size()), false, false, progress, params);
  }
  if (!aborted && copy) {
    TFileStream out(argv[3], fmCreate);
    if (pnm)
      SavePnmImage(out, &image, params, progress);
    else
      SaveBmpImage(out, &image, params, progress);
  }
  EndImagingLibrary();
  return aborted ? 1 : 0;
}

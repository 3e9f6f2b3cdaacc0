// The BMP filter per process, for whole-process comparisons with other
// programs:
//   vqbmp read IN.bmp              read the file into an image
//   vqbmp copy IN.bmp OUT.bmp      read it and write it again at its depth
#include <climits>
#include <cstdio>
#include <cstring>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "copy") == 0 && argc < 4)) {
    std::fprintf(stderr, "usage: vqbmp read IN.bmp | vqbmp copy IN.bmp OUT.bmp\n");
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
    LoadBmpImage(in, &image, int(in.Size()), false, false, progress, params);
  }
  if (!aborted && std::strcmp(argv[1], "copy") == 0) {
    TFileStream out(argv[3], fmCreate);
    SaveBmpImage(out, &image, params, progress);
  }
  EndImagingLibrary();
  return aborted ? 1 : 0;
}

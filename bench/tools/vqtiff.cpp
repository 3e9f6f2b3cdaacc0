// Copies every image of a TIFF into a new TIFF with one compression, for
// whole-process comparisons with other programs that do the same:
//   vqtiff IN.tif OUT.tif none|lzw|packbits|g3|g32d|g4
// Images are read in their own format (NativePixelFormat) into memory.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench/tools/VQPpmFile.h"
#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: vqtiff IN.tif OUT.tif none|lzw|packbits|g3|g32d|g4\n");
    return 2;
  }
  // Sets the LZW coders' hooks.
  StartImagingLibrary();
  const std::string c = argv[3];
  const int compression = c == "lzw" ? 5 : c == "packbits" ? 8 : c == "g3" ? 2 : c == "g32d" ? 3 : c == "g4" ? 4 : 0;
  TFileStream in(argv[1], fmOpenRead);
  TFileStream out(argv[2], fmCreate);
  const int count = CountTiffImages(in);
  for (int i = 0; i < count; ++i) {
    TIOParamsVals params(nullptr);
    params.TiffImageIndex = i;
    params.NativePixelFormat = true;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    std::unique_ptr<TVQBitmap> image = NewMemoryBitmap();
    std::unique_ptr<TVQMask> mask;
    int n = 0;
    in.Seek(0, soBeginning);
    LoadTiffImage(image.get(), in, n, false, true, true, mask, false, progress, &params);
    if (aborted) return 1;
    params.TiffCompression = Byte(compression);
    params.TiffImageIndex = i;
    out.Seek(0, soBeginning);
    SaveTiffImage(out, i > 0, image.get(), progress, params);
    if (aborted) return 1;
  }
  return 0;
}

// The PCX filter per process, for whole-process comparisons with other
// programs and for handing our files to them:
//   vqpcx read IN.pcx                       read the file into an image
//   vqpcx toppm IN.pcx OUT.ppm              read it and write it as P6 (P4 for 1 bit)
//   vqpcx topcx IN.pnm OUT.pcx BITS SAMPLES [raw]
//                                          read a PNM and write it as PCX
//   vqpcx todcx OUT.dcx IN.pnm...           a DCX of the PNMs' pictures, in order
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt_pnm.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

int main(int argc, char** argv) {
  const bool read = argc == 3 && std::strcmp(argv[1], "read") == 0;
  const bool toPpm = argc == 4 && std::strcmp(argv[1], "toppm") == 0;
  const bool toPcx = argc >= 6 && std::strcmp(argv[1], "topcx") == 0;
  if (argc >= 4 && std::strcmp(argv[1], "todcx") == 0) {
    StartImagingLibrary();
    TMemoryStream dcx;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    for (int i = 3; i < argc && !aborted; ++i) {
      TVQBitmap page;
      TIOParamsVals params(nullptr);
      TFileStream in(argv[i], fmOpenRead);
      LoadPnmImage(in, &page, params, false, progress);
      params.DcxImageIndex = i - 3;
      if (!aborted) SaveDcxPage(dcx, &page, params, progress);
    }
    if (!aborted) dcx.SaveToFile(argv[2]);
    EndImagingLibrary();
    return aborted ? 1 : 0;
  }
  if (!read && !toPpm && !toPcx) {
    std::fprintf(stderr,
                 "usage: vqpcx read IN.pcx | vqpcx toppm IN.pcx OUT.ppm | vqpcx topcx IN.pnm OUT.pcx BITS SAMPLES [raw] | "
                 "vqpcx todcx OUT.dcx IN.pnm...\n");
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
    if (toPcx)
      LoadPnmImage(in, &image, params, false, progress);
    else
      LoadPcxImage(in, &image, params, false, progress, 0);
  }
  if (!aborted && !read) {
    TFileStream out(argv[3], fmCreate);
    if (toPpm) {
      // Colour output whatever the file's depth; 1-bit images stay bits.
      params.BitsPerSample = 8;
      params.SamplesPerPixel = 3;
      SavePnmImage(out, &image, params, progress);
    } else {
      params.BitsPerSample = std::atoi(argv[4]);
      params.SamplesPerPixel = std::atoi(argv[5]);
      params.PcxCompression = !(argc > 6 && std::strcmp(argv[6], "raw") == 0);
      SavePcxImage(out, &image, params, progress);
    }
  }
  EndImagingLibrary();
  return aborted ? 1 : 0;
}

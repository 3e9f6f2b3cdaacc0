// The TIFF filter's slot, its header test and the image count of a file.
#include "imaging/io/tiff/tiffilt.h"

#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"

// ---- the TIFF slot of the I/O component -------------------------------------------

namespace {

void TiffFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                    TVQProgressRec& Progress) {
  if (!Params) return;
  LoadTiffImage(Image, Stream, Args.ImageCount, false, Args.NoAlphaMask, Args.BaseAtPosition, Args.Mask,
                Args.ParamsOnly, Progress, Params);
}

void TiffFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                    TVQProgressRec& Progress) {
  if (Params) SaveTiffImage(Stream, false, Image, Progress, *Params);
}

// Detection already links this module, so the slot is filled at start-up.
[[maybe_unused]] const bool kTiffSlotFilled = (InstallTiffFilter(), true);

}  // namespace

bool IsTiffHeader(const std::uint8_t* Head) {
  return (Head[0] == 'I' && Head[1] == 'I') || (Head[0] == 'M' && Head[1] == 'M');
}

void InstallTiffFilter() { SetBuiltInFilter(ioTIFF, TiffFilterLoad, TiffFilterSave); }

int TiffImageCount(const std::string& FileName) {
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    return CountTiffImages(file);
  } catch (...) {
    return 0;
  }
}

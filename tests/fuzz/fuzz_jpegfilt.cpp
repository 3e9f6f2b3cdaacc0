// Feeds arbitrary bytes to the JPEG filter's reader: params only, full
// size, scaled, natively (CMYK), without colour conversion and after a
// tables stream made of the same bytes. A picture it accepts must write
// back with the block it read and read back to the same size.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

bool FuzzJpegRead(const std::uint8_t* data, std::size_t size, TVQBitmap& image, TIOParamsVals& params,
                  bool paramsOnly, bool noColorConversion, bool withTables) {
  TMemoryStream s;
  if (size) s.WriteBuffer(data, std::int64_t(size));
  s.SetPosition(0);
  TMemoryStream tables;
  if (withTables && size) tables.WriteBuffer(data, std::int64_t(size));
  tables.SetPosition(0);
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  LoadJpegImage(&s, withTables ? &tables : nullptr, &image, noColorConversion, paramsOnly, progress, params);
  return !aborted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    // Big but valid headers would only measure the allocator.
    TVQBitmap probe;
    TIOParamsVals params(nullptr);
    if (!FuzzJpegRead(data, size, probe, params, true, false, false)) return 0;
    if (std::int64_t(params.Width) * params.Height > (1 << 20)) return 0;
  }
  for (int mode = 0; mode < 5; ++mode) {
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    params.NativePixelFormat = mode == 1;
    params.JpegScale = Byte(mode == 2 ? 4 : mode == 3 ? 0 : 1);
    params.Width = params.Height = mode == 3 ? 16 : 0;
    params.JpegDctMethod = Byte(mode % 3);
    if (!FuzzJpegRead(data, size, image, params, false, mode == 4, mode == 3)) continue;
    if (image.GetWidth() != params.Width || image.GetHeight() != params.Height) std::abort();
    if (mode == 4) continue;
    TMemoryStream out;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    try {
      SaveJpegImage(&out, &image, params, progress);
    } catch (const EVQJpegException&) {
      // Only markers the codec cannot write again may refuse.
      continue;
    }
    if (aborted) std::abort();
    TVQBitmap back;
    TIOParamsVals backParams(nullptr);
    if (!FuzzJpegRead(static_cast<const std::uint8_t*>(out.Memory()), std::size_t(out.Size()), back, backParams,
                      false, false, false))
      std::abort();
    if (back.GetWidth() != image.GetWidth() || back.GetHeight() != image.GetHeight()) std::abort();
  }
  return 0;
}

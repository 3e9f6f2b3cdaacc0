// Feeds arbitrary bytes to the PNG reader with and without a mask and in
// the native formats. Anything it accepts must write back and read back to
// the same rows and mask.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/pngfilt.h"
#include "platform/rtl/Streams.h"

namespace {

bool FuzzPngRead(const std::uint8_t* data, std::size_t size, TVQBitmap& image, TIOParamsVals& params,
                 std::unique_ptr<TVQMask>& mask, bool noAlphaMask, bool paramsOnly) {
  TMemoryStream s;
  if (size) s.WriteBuffer(data, std::int64_t(size));
  s.SetPosition(0);
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  LoadPngImage(s, &image, &params, noAlphaMask, mask, paramsOnly, progress);
  return !aborted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    // Big but valid headers would only measure the allocator.
    TVQBitmap probe;
    TIOParamsVals params(nullptr);
    std::unique_ptr<TVQMask> mask;
    if (!FuzzPngRead(data, size, probe, params, mask, false, true)) return 0;
    if (std::int64_t(params.Width) * params.Height > (1 << 22)) return 0;
  }
  for (int mode = 0; mode < 3; ++mode) {
    TVQBitmap image;
    TIOParamsVals params(nullptr);
    params.NativePixelFormat = mode == 2;
    std::unique_ptr<TVQMask> mask;
    if (!FuzzPngRead(data, size, image, params, mask, mode == 1, false)) continue;
    if (mode == 1 && mask) std::abort();
    TMemoryStream out;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    SavePngImage(out, &image, &params, mask.get(), progress);
    if (aborted) std::abort();
    TVQBitmap back;
    TIOParamsVals backParams(nullptr);
    backParams.NativePixelFormat = params.NativePixelFormat;
    std::unique_ptr<TVQMask> backMask;
    if (!FuzzPngRead(static_cast<const std::uint8_t*>(out.Memory()), std::size_t(out.Size()), back, backParams,
                     backMask, false, false))
      std::abort();
    if (back.GetPixelFormat() != image.GetPixelFormat() || back.GetWidth() != image.GetWidth() ||
        back.GetHeight() != image.GetHeight())
      std::abort();
    const int w = image.GetWidth();
    const int bytes = image.GetPixelFormat() == vqBits1 ? w / 8 : image.GetPixelFormat() == vqRGB24 ? 3 * w : w;
    // Indexed output with alpha keeps only opaque and clear pixels, and at
    // most 255 colours: its mask is checked as that, its colours not.
    const bool indexedAlpha = mask && params.SamplesPerPixel == 1;
    for (int y = 0; y < image.GetHeight(); ++y) {
      const std::unique_ptr<Byte[]> row(new Byte[std::size_t(bytes) + 1]);
      std::memcpy(row.get(), image.GetScanline(y), std::size_t(bytes));
      if (!indexedAlpha && std::memcmp(row.get(), back.GetScanline(y), std::size_t(bytes)) != 0) std::abort();
      if (!mask) continue;
      if (!backMask) std::abort();
      const Byte* m = mask->GetScanline(y);
      const Byte* b = backMask->GetScanline(y);
      for (int x = 0; x < w; ++x)
        if (b[x] != (indexedAlpha ? (m[x] == 255 ? 255 : 0) : m[x])) std::abort();
    }
  }
  return 0;
}

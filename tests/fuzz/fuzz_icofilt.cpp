// Feeds arbitrary bytes to the icon and cursor readers. An icon that loads
// must save as a 32-bit entry (24-bit for 1-bit images, 1-bit ones as
// they are) and read back with the same pixels where they are visible.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/formats/bmpfilt_ico.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  // Big but valid PNG entries would only measure the allocator; the sizes
  // of the others are bounded by their data.
  for (bool cursor : {false, true}) {
    in.SetPosition(0);
    TIOParamsVals params(nullptr);
    params.CurImageIndex = int(size % 2);
    params.IcoImageIndex = int(size % 3);
    std::unique_ptr<TVQMask> mask;
    if (cursor)
      LoadCurImage(in, nullptr, params, true, mask, p, true);
    else
      LoadIcoImage(in, nullptr, params, true, mask, p, true);
    if (std::int64_t(params.Width) * params.Height > (1 << 22)) return 0;
  }
  abort = false;
  {
    in.SetPosition(0);
    TVQBitmap img;
    TIOParamsVals params(nullptr);
    params.CurImageIndex = int(size % 2);
    std::unique_ptr<TVQMask> mask;
    LoadCurImage(in, &img, params, size & 2, mask, p, false);
  }
  abort = false;
  in.SetPosition(0);
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  params.IcoImageIndex = int(size % 3);
  if (size & 4) params.IcoBackground = TRGBPixel{0, 0, 255};
  std::unique_ptr<TVQMask> mask;
  LoadIcoImage(in, &img, params, false, mask, p, false);
  const TVQPixelFormat format = img.GetPixelFormat();
  if (abort || img.IsEmpty() || (format != vqRGB24 && format != vqBits1)) return 0;
  const int w = img.GetWidth(), h = img.GetHeight();
  if (w > 256 || h > 256) return 0;
  if (mask) img.GetAlphaChannel()->CopyFromMask(mask.get());
  const bool bits1 = format == vqBits1;
  TMemoryStream out;
  TIOParamsVals outParams(nullptr);
  const std::int32_t bits[] = {bits1 ? 1 : 32};
  const TIOParamsVals::TIcoSize sizes[] = {{w, h}};
  SaveIcoImage(out, &img, outParams, bits, sizes, p);
  if (abort) std::abort();
  out.SetPosition(0);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  std::unique_ptr<TVQMask> backMask;
  LoadIcoImage(out, &back, backParams, false, backMask, p, false);
  if (abort || back.GetWidth() != w || back.GetHeight() != h || !backMask) std::abort();
  TVQBitmap* alpha = img.HasAlphaChannel() ? img.GetAlphaChannel() : nullptr;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Byte a = alpha ? alpha->GetScanline(y)[x] : 255;
      const Byte b = backMask->GetScanline(y)[x];
      if (bits1 ? (a == 255) != (b == 255) : a != b) std::abort();
      if (a == 0 || (bits1 && a != 255)) continue;
      const TRGBPixel c = img.GetPixelRGB(x, y), d = back.GetPixelRGB(x, y);
      if (c.r != d.r || c.g != d.g || c.b != d.b) std::abort();
    }
  }
  return 0;
}

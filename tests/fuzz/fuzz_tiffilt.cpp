// Feeds arbitrary bytes to the TIFF reader. An image that loads must save
// and load back with the same pixels, in a compression the input picks.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "imaging/io/coders/tiflzw.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TVQMemStream in(data, std::int64_t(size));
  const int index = size > 0 ? data[size - 1] % 3 : 0;
  const bool native = size > 1 && (data[size - 2] & 1);
  // Keep the fuzzer's images small; the reader's own cap is far larger.
  {
    TIOParamsVals probe(nullptr);
    probe.TiffImageIndex = index;
    std::unique_ptr<TVQMask> mask;
    bool abort = false;
    TVQProgressRec p;
    p.Aborting = &abort;
    int count = 0;
    LoadTiffImage(nullptr, in, count, false, true, true, mask, true, p, &probe);
    if (std::int64_t(probe.Width) * probe.Height > (1 << 18)) return 0;
    in.Seek(0, soBeginning);
  }
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  params.TiffImageIndex = index;
  params.NativePixelFormat = native;
  params.TiffLzwDecompress = TiffLzwDecode;
  std::unique_ptr<TVQMask> mask;
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  int count = 0;
  LoadTiffImage(&img, in, count, false, false, true, mask, false, p, &params);
  // CMYK is written from RGB, which is not exact.
  if (abort || img.IsEmpty() || img.GetPixelFormat() == vqCMYK) return 0;
  const int compressions[] = {0, 5, 8, 4, 3, 1, 2};
  TIOParamsVals out(nullptr);
  out.TiffCompression = Byte(compressions[size % 7]);
  out.TiffLzwCompress = TiffLzwEncode;
  const TVQPixelFormat f = img.GetPixelFormat();
  out.BitsPerSample = f == vqBits1 ? 1 : f == vqGray16 ? 16 : 8;
  out.SamplesPerPixel = f == vqRGB24 ? 3 : 1;
  TMemoryStream saved;
  SaveTiffImage(saved, false, &img, p, out);
  if (abort) std::abort();
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  backParams.NativePixelFormat = true;
  backParams.TiffLzwDecompress = TiffLzwDecode;
  std::unique_ptr<TVQMask> backMask;
  saved.Seek(0, soBeginning);
  LoadTiffImage(&back, saved, count, false, true, true, backMask, false, p, &backParams);
  if (abort || back.GetWidth() != img.GetWidth() || back.GetHeight() != img.GetHeight() || back.GetPixelFormat() != f)
    std::abort();
  const int bytes = f == vqBits1 ? img.GetWidth() / 8 : img.GetWidth() * img.GetBitCount() / 8;
  for (int y = 0; y < img.GetHeight(); ++y)
    if (std::memcmp(img.GetScanline(y), back.GetScanline(y), std::size_t(bytes)) != 0) std::abort();
  return 0;
}

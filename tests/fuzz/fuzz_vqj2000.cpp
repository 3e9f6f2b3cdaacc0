// Feeds arbitrary bytes to the imaging library's JPEG 2000 reader. A picture
// that loads must save losslessly in either container and load back with
// the same pixels.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqj2000.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/Streams.h"

// One thread: the codec would otherwise start a pool for every input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetParallelThreadCount(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  in.SetPosition(0);
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  LoadJ2kImage(in, &img, params, true, p);
  // Keep the fuzzer's pictures small (with at most 8 KB of input, at most
  // 8192 components); the reader's own caps are far larger.
  if (abort || std::int64_t(params.Width) * params.Height > (1 << 14)) return 0;
  in.SetPosition(0);
  LoadJ2kImage(in, &img, params, false, p);
  if (abort || img.IsEmpty() || std::int64_t(img.GetWidth()) * img.GetHeight() > (1 << 12)) return 0;
  TIOParamsVals out(nullptr);
  TMemoryStream saved;
  SaveJ2kImage(saved, &img, out, size & 1 ? kJ2kFormatJp2 : kJ2kFormatJpc, p);
  if (abort) std::abort();
  saved.SetPosition(0);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  LoadJ2kImage(saved, &back, backParams, false, p);
  if (abort || back.GetWidth() != img.GetWidth() || back.GetHeight() != img.GetHeight() ||
      back.GetPixelFormat() != img.GetPixelFormat())
    std::abort();
  const std::size_t bytes =
      img.GetPixelFormat() == vqBits1 ? std::size_t(img.GetWidth() + 7) / 8 : std::size_t(img.GetWidth()) * 3;
  for (int y = 0; y < img.GetHeight(); ++y)
    if (std::memcmp(img.GetScanline(y), back.GetScanline(y), bytes) != 0) std::abort();
  return 0;
}

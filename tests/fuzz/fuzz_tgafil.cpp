// Feeds arbitrary bytes to the imaging library's TGA reader. A file that
// loads must save and load back with the same pixels, and as indexed
// output with the same size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqtgafil.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Keep the fuzzer's images small; the reader's own cap is far larger.
  if (size >= 16 && std::int64_t(data[12] | data[13] << 8) * (data[14] | data[15] << 8) > (1 << 16)) return 0;
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  in.SetPosition(0);
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  std::unique_ptr<TVQMask> mask;
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  LoadTgaImage(in, &img, params, false, mask, false, p);
  if (abort || img.GetPixelFormat() != vqRGB24 || img.IsEmpty()) return 0;
  TIOParamsVals out(nullptr);
  out.TgaCompressed = size & 1;
  if (size % 3 == 0) {
    // Indexed output: quantised colours need not match, the size must.
    TIOParamsVals idx(nullptr);
    idx.SamplesPerPixel = 1;
    idx.BitsPerSample = (size / 3) % 2 ? 8 : 1;
    idx.TgaGrayscale = size & 2;
    TMemoryStream q;
    SaveTgaImage(q, &img, idx, nullptr, p);
    q.SetPosition(0);
    TVQBitmap qBack;
    TIOParamsVals qParams(nullptr);
    std::unique_ptr<TVQMask> qMask;
    LoadTgaImage(q, &qBack, qParams, false, qMask, false, p);
    if (abort || qBack.GetWidth() != img.GetWidth() || qBack.GetHeight() != img.GetHeight()) std::abort();
  }
  TMemoryStream saved;
  SaveTgaImage(saved, &img, out, mask.get(), p);
  if (abort) std::abort();
  saved.SetPosition(0);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  std::unique_ptr<TVQMask> backMask;
  LoadTgaImage(saved, &back, backParams, false, backMask, false, p);
  if (abort || back.GetWidth() != img.GetWidth() || back.GetHeight() != img.GetHeight()) std::abort();
  for (int y = 0; y < img.GetHeight(); ++y) {
    if (std::memcmp(img.GetScanline(y), back.GetScanline(y), std::size_t(img.GetWidth()) * 3) != 0) std::abort();
    if (mask && (!backMask || std::memcmp(mask->GetScanline(y), backMask->GetScanline(y), std::size_t(img.GetWidth())) != 0))
      std::abort();
  }
  return 0;
}

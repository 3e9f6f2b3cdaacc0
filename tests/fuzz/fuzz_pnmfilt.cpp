// Feeds arbitrary bytes to the imaging library's PNM and WBMP readers. A first
// byte 'W' picks WBMP. A file that loads must save and load back with the
// same pixels.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt_pnm.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

bool FuzzPnmSame(TVQBitmap& a, TVQBitmap& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetPixelFormat() != b.GetPixelFormat())
    return false;
  const bool bits = a.GetPixelFormat() == vqBits1;
  const int w = a.GetWidth();
  for (int y = 0; y < a.GetHeight(); ++y) {
    const Byte* p = a.GetScanline(y);
    const Byte* q = b.GetScanline(y);
    if (!bits) {
      if (std::memcmp(p, q, std::size_t(w) * 3) != 0) return false;
      continue;
    }
    // Bits past the width are not the image's.
    for (int x = 0; x < w; ++x)
      if ((p[x >> 3] ^ q[x >> 3]) & (0x80 >> (x & 7))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool wbmp = size > 0 && data[0] == 'W';
  if (wbmp) ++data, --size;
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  in.SetPosition(0);
  TIOParamsVals params(nullptr);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  // Headers first, so the fuzzer's images stay small; the readers' own cap
  // is far larger.
  if (wbmp)
    LoadWbmpImage(in, nullptr, params, true, p);
  else
    LoadPnmImage(in, nullptr, params, true, p);
  if (abort || std::int64_t(params.Width) * params.Height > (1 << 18)) return 0;
  in.SetPosition(0);
  TVQBitmap img;
  if (wbmp)
    LoadWbmpImage(in, &img, params, false, p);
  else
    LoadPnmImage(in, &img, params, false, p);
  if (abort || img.IsEmpty()) return 0;
  TMemoryStream saved;
  TIOParamsVals out(nullptr);
  if (wbmp) {
    if (img.GetWidth() > 255 || img.GetHeight() > 255) return 0;
    SaveWbmpImage(saved, &img, p);
  } else {
    SavePnmImage(saved, &img, out, p);
  }
  if (abort) std::abort();
  saved.SetPosition(0);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  if (wbmp)
    LoadWbmpImage(saved, &back, backParams, false, p);
  else
    LoadPnmImage(saved, &back, backParams, false, p);
  if (abort || !FuzzPnmSame(img, back)) std::abort();
  return 0;
}

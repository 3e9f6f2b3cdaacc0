// Feeds arbitrary bytes to the imaging library's BMP reader and, with a small
// image, straight to its run-length decoders. A file that loads as a 24-bit
// image must save and load back with the same pixels.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_rle.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

void FuzzBmpRle(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return;
  const int width = 1 + data[0] % 40, height = 1 + data[1] % 40;
  const int mode = data[2] & 7;  // rle4/rle8, palette/indices, top-down
  TVQBitmap img;
  const bool palette = mode & 2;
  img.Allocate(width, height, palette ? vqRGB24 : vqPalette8);
  TRGBPixel pal[256] = {};
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  if (mode & 1)
    DecodeRle4(&img, data + 3, int(size - 3), mode & 4, p, palette ? pal : nullptr);
  else
    DecodeRle8(&img, data + 3, int(size - 3), mode & 4, p, palette ? pal : nullptr);
}

// Width times height from an info or core header, to keep the fuzzer's
// images small; the reader's own cap is far larger.
bool FuzzBmpSmall(const std::uint8_t* data, std::size_t size) {
  std::uint8_t d[26] = {};  // a short file reads as zeros past its end
  std::memcpy(d, data, std::min<std::size_t>(size, sizeof d));
  auto u32 = [&](std::size_t o) { return std::uint32_t(d[o] | d[o + 1] << 8 | d[o + 2] << 16 | std::uint32_t(d[o + 3]) << 24); };
  std::int64_t w, h;
  if (u32(14) == 12) {
    w = d[18] | d[19] << 8;
    h = d[20] | d[21] << 8;
  } else {
    w = std::int32_t(u32(18));
    h = std::int32_t(u32(22));
  }
  return std::llabs(w * h) <= (1 << 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] == 'R') {
    FuzzBmpRle(data + 1, size - 1);
    return 0;
  }
  if (!FuzzBmpSmall(data, size)) return 0;
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  in.SetPosition(0);
  TVQBitmap img;
  TIOParamsVals params(nullptr);
  params.NativePixelFormat = size > 30 && (data[size - 1] & 1);
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  LoadBmpImage(in, &img, 0, false, false, p, params);
  if (abort || img.GetPixelFormat() != vqRGB24 || img.IsEmpty()) return 0;
  TIOParamsVals out(nullptr);
  out.BitsPerSample = 8;
  out.SamplesPerPixel = 3;
  TMemoryStream saved;
  SaveBmpImage(saved, &img, out, p);
  if (abort) std::abort();
  saved.SetPosition(0);
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  LoadBmpImage(saved, &back, 0, false, false, p, backParams);
  if (abort || back.GetWidth() != img.GetWidth() || back.GetHeight() != img.GetHeight()) std::abort();
  for (int y = 0; y < img.GetHeight(); ++y)
    if (std::memcmp(img.GetScanline(y), back.GetScanline(y), std::size_t(img.GetWidth()) * 3) != 0) std::abort();
  return 0;
}

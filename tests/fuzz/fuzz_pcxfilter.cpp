// Feeds arbitrary bytes to the imaging library's PCX reader, or to its DCX
// page reader when they start with the DCX magic. A picture that loads must
// save and load back: 24-bit and 1-bit output with the same pixels, indexed
// output with the same size; a page inserted into a DCX adds one page.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

bool FuzzPcxLoad(TStream& s, bool dcx, int index, TVQBitmap* img, TIOParamsVals& params, bool paramsOnly) {
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  s.SetPosition(0);
  params.DcxImageIndex = index;
  if (dcx)
    LoadDcxPage(s, img, params, paramsOnly, p);
  else
    LoadPcxImage(s, img, params, paramsOnly, p, 0);
  return !abort;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  const bool dcx = size >= 4 && data[0] == 0xB1 && data[1] == 0x68 && data[2] == 0xDE && data[3] == 0x3A;
  const int index = size > 4 ? data[size - 1] % 4 : 0;
  TIOParamsVals params(nullptr);
  // Keep the fuzzer's images small; the reader's own cap is far larger.
  if (!FuzzPcxLoad(in, dcx, index, nullptr, params, true) || std::int64_t(params.Width) * params.Height > (1 << 14))
    return 0;
  TVQBitmap img;
  if (!FuzzPcxLoad(in, dcx, index, &img, params, false) || img.IsEmpty()) return 0;

  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  TIOParamsVals out(nullptr);
  const int kind = int(size % 4);
  out.BitsPerSample = kind == 0 ? 1 : kind == 1 ? 4 : 8;
  out.SamplesPerPixel = kind == 3 ? 3 : 1;
  out.PcxCompression = size & 4;
  TMemoryStream saved;
  SavePcxImage(saved, &img, out, p);
  if (abort) std::abort();
  TVQBitmap back;
  TIOParamsVals backParams(nullptr);
  if (!FuzzPcxLoad(saved, false, 0, &back, backParams, false)) std::abort();
  if (back.GetWidth() != img.GetWidth() || back.GetHeight() != img.GetHeight()) std::abort();
  const bool sameFormat = (kind == 3 && img.GetPixelFormat() == vqRGB24) ||
                          (kind == 0 && img.GetPixelFormat() == vqBits1);
  if (sameFormat) {
    const std::size_t n = kind == 3 ? std::size_t(img.GetWidth()) * 3 : std::size_t(img.GetWidth() / 8);
    for (int y = 0; y < img.GetHeight(); ++y)
      if (std::memcmp(img.GetScanline(y), back.GetScanline(y), n) != 0) std::abort();
  }

  if (dcx) {
    in.SetPosition(0);
    const int before = CountDcxPages(&in);
    TIOParamsVals page(nullptr);
    page.DcxImageIndex = index;
    SaveDcxPage(in, &img, page, p);
    in.SetPosition(0);
    if (!abort && index <= before && CountDcxPages(&in) != before + 1) std::abort();
  }
  return 0;
}

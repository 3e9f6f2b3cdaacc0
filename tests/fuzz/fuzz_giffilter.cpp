// Feeds arbitrary bytes to the GIF reader: every frame composed through the
// I/O component, and each frame read alone. A picture that loads must save
// and load back with its size.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/formats/giffilter.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

// Keeps the fuzzer's pictures small; the reader's own cap is far larger.
bool FuzzGifSmall(const std::uint8_t* data, std::size_t size, int& frames) {
  if (size >= 10 && std::int64_t(data[6] | data[7] << 8) * (data[8] | data[9] << 8) > (1 << 16)) return false;
  TMemoryStream in;
  in.Write(data, std::int64_t(size));
  TIOParamsVals params(nullptr);
  TVQBitmap none;
  std::unique_ptr<TVQMask> mask;
  bool abort = false;
  TVQProgressRec p;
  p.Aborting = &abort;
  frames = 0;
  TGifStreamIndex index;
  for (int i = 0; i == 0 || i < frames; ++i) {
    in.SetPosition(0);
    params.GifImageIndex = i;
    LoadGifImage(in, &none, frames, true, mask, true, p, params, &index);
    if (std::int64_t(params.Width) * params.Height > (1 << 16)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (StartImagingLibrary(), true);
  (void)started;
  int frames = 0;
  if (!FuzzGifSmall(data, size, frames) || frames > 64) return 0;
  TPictoraIO io(nullptr);
  io.Parameters()->GifImageIndex = -1;
  io.Parameters()->NativePixelFormat = size & 1;
  io.LoadFromBuffer(data, std::int64_t(size), ioGIF);
  if (io.Aborting || io.Image()->IsEmpty()) return 0;
  const int w = io.Image()->GetWidth(), h = io.Image()->GetHeight();
  // The write goes through the quantiser, slow on large pictures: small
  // ones show the same paths.
  if (w * h > 4096) return 0;
  TMemoryStream saved;
  io.Parameters()->BitsPerSample = int(size % 9);
  io.SaveGifToStream(&saved);
  if (io.Aborting) std::abort();
  TPictoraIO back(nullptr);
  back.LoadFromBuffer(saved.Memory(), saved.Size(), ioGIF);
  if (back.Aborting || back.Image()->GetWidth() != w || back.Image()->GetHeight() != h) std::abort();
  return 0;
}

// Feeds arbitrary bytes to the packed-DIB imports, into a bitmap and drawn
// into a DIB bitmap. What the bitmap import accepts must export and import
// again to the same pixels.
#include <cstdint>
#include <cstdlib>

#include "imaging/core/colour/pictoraproc_frames.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  try {
    TVQBitmap bitmap;
    FrameToBitmap(data, size, &bitmap);
    if (bitmap.GetPixelFormat() == vqBits1 || bitmap.GetPixelFormat() == vqRGB24) {
      HGLOBAL block = BitmapToDib(&bitmap);
      TVQBitmap back;
      FrameToBitmap(block, &back);
      GlobalFree(block);
      if (back.GetWidth() != bitmap.GetWidth() || back.GetHeight() != bitmap.GetHeight() ||
          back.GetPixelFormat() != bitmap.GetPixelFormat())
        std::abort();
      const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
      if (std::int64_t(w) * h <= 1 << 16)
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            if (!(back.GetPixelRGB(x, y) == bitmap.GetPixelRGB(x, y))) std::abort();
    }
  } catch (const EInvalidGraphic&) {
  } catch (const EOutOfMemory&) {
  }
  try {
    TVQDibbitmap dib;
    DibToBitmap(data, size, &dib);
  } catch (const EInvalidGraphic&) {
  } catch (const EOutOfMemory&) {
  }
  return 0;
}

// Writes arbitrary bytes over an image block of a virtual DIB list's file,
// then reads it back every way the list offers. A block is either refused
// with EReadError or read within its bounds; what is read writes back and
// reads again the same.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_virtualdib.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  const bool hasAlpha = data[0] & 1;
  const Byte* block = data + 1;
  const Int64 n = static_cast<Int64>(size - 1);
  TVQStoredDIB parsed;
  ParseStoredDIB(block, n, hasAlpha, parsed);

  TVQVirtualDIBList list;
  // A block at least as large as the bytes: one row of enough pixels.
  const int width = static_cast<int>(std::max<Int64>(1, n / 3 + 1));
  TVQDIBHandle h = list.AddImage(width, 1, 24, hasAlpha);
  list.UnmapAll();
  Byte* view = list.FileBuffer().MapView(vqReadWrite, n, h->Offset);
  if (n > 0) std::memcpy(view, block, static_cast<std::size_t>(n));
  list.FileBuffer().ReleaseView(view);
  try {
    const int w = list.GetImageWidth(h);
    list.GetAlphaBits(h);
    TVQBitmap back;
    if (!list.CopyToBitmap(h, &back) || back.GetWidth() != w) std::abort();
    TVQBitmap* acquired = list.AcquireBitmap(h);
    if (!acquired) std::abort();
    TVQBitmap copy;
    copy.Assign(acquired);
    list.ReleaseBitmap(acquired, true);
    TVQBitmap again;
    list.CopyToBitmap(h, &again);
    if (again.GetWidth() != copy.GetWidth() || again.GetHeight() != copy.GetHeight()) std::abort();
    for (int y = 0; y < again.GetHeight(); ++y)
      if (std::memcmp(again.GetScanline(y), copy.GetScanline(y), static_cast<std::size_t>((copy.GetWidth() * copy.GetBitCount() + 7) / 8)) != 0)
        std::abort();
  } catch (const EReadError&) {
  }
  return 0;
}

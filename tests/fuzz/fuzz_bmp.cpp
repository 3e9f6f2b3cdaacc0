// Feeds arbitrary bytes to the BMP reader, as a file and as an icon's packed
// DIB, to the bitmap's stream loader that reads rows straight into its
// section, and to the icon file reader whose images are packed DIBs.
// Anything the BMP reader accepts must write back and read back the same,
// and what the stream loader accepts must be what the reader decodes.
#include <cstdint>
#include <cstdlib>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TBmpReadLimits limits;
  limits.MaxBytes = 16u << 20;  // keep run-length bombs cheap
  try {
    TDibImage img = ReadBmp(data, size, limits);
    std::vector<std::uint8_t> again = WriteBmp(img);
    TDibImage back = ReadBmp(again.data(), again.size(), limits);
    if (back.Bits != img.Bits || back.Palette != img.Palette || back.BitCount != img.BitCount) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  try {
    TDibImage mask;
    TDibImage img = ReadPackedDib(data, size, &mask, limits);
    if (mask.Width != img.Width || mask.Height != img.Height) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  try {
    TMemoryStream s;
    s.WriteBuffer(data, std::int64_t(size));
    s.SetPosition(0);
    TBitmap b;
    b.LoadFromStream(s, limits);
    TDibImage got = b.ToDib();
    TDibImage want = ReadBmp(data, std::size_t(s.Position()), limits);
    if (got.Bits != want.Bits || got.BitCount != want.BitCount || got.Palette != want.Palette) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  try {
    TIcon icon;
    icon.LoadFromBytes(data, size);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}

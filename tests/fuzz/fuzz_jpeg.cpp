// Feeds arbitrary bytes to the JPEG decoder at every scale, in colour and in
// grey, from memory and through a reader in small pieces. libjpeg errors
// must come back as EInvalidGraphic, and both ways must agree on the pixels.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"

namespace {

bool Decode(const std::uint8_t* data, std::size_t size, std::size_t chunk, const TJpegDecodeOptions& o,
            TDibImage& img) {
  try {
    if (!chunk) {
      img = DecodeJpeg(data, size, o);
      return true;
    }
    std::size_t at = 0;
    DecodeJpegInto(
        [&](std::uint8_t* b, std::size_t n) {
          n = std::min({n, chunk, size - at});
          if (n) std::memcpy(b, data + at, n);
          at += n;
          return n;
        },
        o,
        [&img](int w, int h, int bits) {
          if (bits == 8) img.Palette = GreyPalette(8);
          img.Allocate(w, h, bits);
          return TJpegRows{img.Row(0), -std::ptrdiff_t(img.Stride())};
        });
    return true;
  } catch (const EInvalidGraphic&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TJpegDecodeOptions o;
  o.MaxBytes = 16u << 20;
  // The first byte picks the options so the fuzzer explores them too, and
  // the size of the reader's pieces (1 to 961 bytes).
  o.ScaleDenom = 1 << (data[0] & 3);
  o.Grayscale = (data[0] & 4) != 0;
  o.Fast = (data[0] & 8) != 0;
  const std::size_t chunk = 1 + std::size_t(data[0] >> 4) * std::size_t(data[0] >> 4) * 4;
  TDibImage fromMemory, fromReader;
  const bool memoryOk = Decode(data + 1, size - 1, 0, o, fromMemory);
  const bool readerOk = Decode(data + 1, size - 1, chunk, o, fromReader);
  // Empty data is refused by both, in their own words.
  if (memoryOk != readerOk) std::abort();
  if (memoryOk && (fromMemory.Width != fromReader.Width || fromMemory.Height != fromReader.Height ||
                   fromMemory.Bits != fromReader.Bits))
    std::abort();
  return 0;
}

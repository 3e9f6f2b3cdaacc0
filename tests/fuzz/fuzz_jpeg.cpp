// Feeds arbitrary bytes to the JPEG decoder at every scale, in colour and in
// grey. libjpeg errors must come back as EInvalidGraphic.
#include <cstdint>

#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TJpegDecodeOptions o;
  o.MaxBytes = 16u << 20;
  // The first byte picks the options so the fuzzer explores them too.
  o.ScaleDenom = 1 << (data[0] & 3);
  o.Grayscale = (data[0] & 4) != 0;
  o.Fast = (data[0] & 8) != 0;
  try {
    TDibImage img = DecodeJpeg(data + 1, size - 1, o);
    (void)img;
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}

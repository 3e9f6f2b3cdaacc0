// Feeds arbitrary code streams to the GIF LZW decoder: bytes 0-2 give the
// width, height and interlace flag, the rest is the stream from its
// code-size byte. Whatever it decodes must go through the encoder and back
// unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/io/coders/giflzw.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int width = data[0] % 64 + 1, height = data[1] % 64 + 1;
  const bool interlaced = data[2] & 1;
  const int bits = data[2] >> 1 & 7;
  TMemoryStream in;
  in.Write(data + 3, std::int64_t(size - 3));
  in.SetPosition(0);
  std::vector<std::uint8_t> pixels(std::size_t(width) * height, 0);
  GifLzwDecode(&in, height, width, pixels.data(), interlaced);
  const std::int64_t at = in.Position();
  if (at < 0 || at > in.Size()) std::abort();

  const int mask = (1 << (bits + 1)) - 1;
  for (auto& p : pixels) p = std::uint8_t(p & mask);
  TMemoryStream coded;
  GifLzwEncode(&coded, height, width, bits + 1, pixels.data(), interlaced);
  coded.SetPosition(0);
  std::vector<std::uint8_t> back(pixels.size(), 0xAA);
  GifLzwDecode(&coded, height, width, back.data(), interlaced);
  if (back != pixels || coded.Position() != coded.Size()) std::abort();
  return 0;
}

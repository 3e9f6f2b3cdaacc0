#include "imaging/io/jpegfilt.h"

#include "imaging/io/pictoraio_formats.h"

namespace {
// A JPEG may follow up to 99 bytes of something else (a stream header).
constexpr int kJpegStartPositions = 100;
constexpr std::uint8_t kSoi[3] = {0xFF, 0xD8, 0xFF};
}  // namespace

std::int64_t FindJpegStart(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  std::uint8_t window[kJpegStartPositions + 2];
  // One read of what is there; a match needs all three bytes inside it.
  std::int64_t got = Stream->Read(window, sizeof window);
  for (std::int64_t i = 0; i + 3 <= got && i < kJpegStartPositions; ++i)
    if (window[i] == kSoi[0] && window[i + 1] == kSoi[1] && window[i + 2] == kSoi[2]) return guard.Start() + i;
  return -1;
}

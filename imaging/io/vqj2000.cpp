#include "imaging/io/vqj2000.h"

#include <cstdint>
#include <cstring>

#include "imaging/io/pictoraio_formats.h"

namespace {

constexpr std::uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr std::uint8_t kJ2kStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

template <std::size_t N>
bool StartsWith(TStream* stream, const std::uint8_t (&magic)[N]) {
  TStreamPositionGuard guard(stream);
  std::uint8_t head[N];
  return ReadExact(stream, head, N) && std::memcmp(head, magic, N) == 0;
}

}  // namespace

bool IsJp2Stream(TStream* Stream) { return StartsWith(Stream, kJp2Signature); }
bool IsJ2kStream(TStream* Stream) { return StartsWith(Stream, kJ2kStart); }

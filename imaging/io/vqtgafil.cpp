#include "imaging/io/vqtgafil.h"

#include <cstdint>

#include "imaging/io/pictoraio_formats.h"

namespace {

constexpr int kTgaHeaderSize = 18;
constexpr int kTgaColorMapTypeAt = 1;
constexpr int kTgaImageTypeAt = 2;
constexpr int kTgaPixelDepthAt = 16;

bool IsTgaImageType(std::uint8_t t) { return t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11; }
bool IsTgaDepth(std::uint8_t d) { return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

}  // namespace

bool IsTgaStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  std::uint8_t h[kTgaHeaderSize];
  if (!ReadExact(Stream, h, sizeof h)) return false;
  return h[kTgaColorMapTypeAt] <= 1 && IsTgaImageType(h[kTgaImageTypeAt]) && IsTgaDepth(h[kTgaPixelDepthAt]);
}

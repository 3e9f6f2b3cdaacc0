#include "platform/graphics/RowConvert.h"

#include <cstring>
#include <vector>

namespace {

// Palette indices of 1, 4 or 8 bits to B,G,R (3 bytes) or B,G,R,255.
template <int OutBytes>
void PaletteRow(const TRowFormat& f, const std::uint8_t* src, std::uint8_t* dst, int width) {
  const TDibColor* pal = f.Palette;
  if (f.BitCount == 8) {
    for (int x = 0; x < width; ++x, dst += OutBytes) {
      const TDibColor& c = pal[src[x]];
      dst[0] = c.Blue;
      dst[1] = c.Green;
      dst[2] = c.Red;
      if constexpr (OutBytes == 4) dst[3] = 255;
    }
    return;
  }
  const int bits = f.BitCount, perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; ++x, dst += OutBytes) {
    const int shift = 8 - bits * (x % perByte + 1);
    const TDibColor& c = pal[(src[x / perByte] >> shift) & mask];
    dst[0] = c.Blue;
    dst[1] = c.Green;
    dst[2] = c.Red;
    if constexpr (OutBytes == 4) dst[3] = 255;
  }
}

void Bgr24To32(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 3, dst += 4) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
    dst[3] = 255;
  }
}

void Bgr32To24(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

}  // namespace

void ConvertDibRows(const TRowFormat& from, const std::uint8_t* src, std::ptrdiff_t srcStride, const TRowFormat& to,
                    std::uint8_t* dst, std::ptrdiff_t dstStride, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const bool paletted = from.BitCount <= 8;
  using TRow = void (*)(const TRowFormat&, const std::uint8_t*, std::uint8_t*, int);
  TRow direct = nullptr;
  if (paletted && to.BitCount == 24) direct = PaletteRow<3>;
  else if (paletted && to.BitCount == 32) direct = PaletteRow<4>;
  else if (from.BitCount == 24 && to.BitCount == 32) direct = [](const TRowFormat&, const std::uint8_t* s, std::uint8_t* d, int w) { Bgr24To32(s, d, w); };
  else if (from.BitCount == 32 && to.BitCount == 24) direct = [](const TRowFormat&, const std::uint8_t* s, std::uint8_t* d, int w) { Bgr32To24(s, d, w); };
  if (direct) {
    for (int y = 0; y < height; ++y) direct(from, src + y * srcStride, dst + y * dstStride, width);
    return;
  }
  std::vector<std::uint8_t> row(std::size_t(width) * 4);
  std::vector<TDibColor> palette;
  if (to.BitCount <= 8) palette.assign(to.Palette, to.Palette + (std::size_t(1) << to.BitCount));
  TNearestIndex nearest(palette);
  for (int y = 0; y < height; ++y) {
    RowToBGRA(from, src + y * srcStride, row.data(), width);
    BGRAToRow(to, &nearest, row.data(), dst + y * dstStride, width);
  }
}

#include "imaging/core/raster/vqzutils_pixelrows.h"

#include "imaging/core/colour/pictoraproc_bitrows.h"

void VQPaletteGreys(TVQBitmap& bitmap, Byte greys[256]) {
  std::memset(greys, 0, 256);
  const TRGBPixel* palette = bitmap.Palette();
  if (!palette) return;
  const int n = bitmap.PaletteCount() < 256 ? bitmap.PaletteCount() : 256;
  for (int i = 0; i < n; ++i) {
    const int g = VQGreyOf(palette[i]);
    greys[i] = static_cast<Byte>(g < 0 ? 0 : g > 255 ? 255 : g);
  }
}

namespace {

inline Byte PixelRowsClampGrey(int g) { return static_cast<Byte>(g < 0 ? 0 : g > 255 ? 255 : g); }

}  // namespace

void VQGreyRow(TVQPixelFormat format, const Byte* row, int width, const Byte* paletteGreys, Byte* out) {
  switch (format) {
    case vqPalette8:
      for (int x = 0; x < width; ++x) out[x] = paletteGreys[row[x]];
      break;
    case vqGray8: std::memcpy(out, row, static_cast<std::size_t>(width)); break;
    case vqGray16:
      for (int x = 0; x < width; ++x) out[x] = row[2 * x + 1];
      break;
    case vqRGB24:
      if (GrayWeightRed + GrayWeightGreen + GrayWeightBlue <= 100 && GrayWeightRed >= 0 && GrayWeightGreen >= 0 &&
          GrayWeightBlue >= 0) {
        const int wr = GrayWeightRed, wg = GrayWeightGreen, wb = GrayWeightBlue;
        for (int x = 0; x < width; ++x, row += 3)
          out[x] = static_cast<Byte>((row[2] * wr + row[1] * wg + row[0] * wb) / 100);
      } else {
        for (int x = 0; x < width; ++x, row += 3) out[x] = PixelRowsClampGrey(VQGreyOf(row[2], row[1], row[0]));
      }
      break;
    case vq32f:
      for (int x = 0; x < width; ++x)
        out[x] = static_cast<Byte>(VQFloatIntegerBits(VQLoadFloat(row + 4 * x), 255.0, 0xFF));
      break;
    case vqCMYK:
      for (int x = 0; x < width; ++x, row += 4)
        out[x] = PixelRowsClampGrey(VQGreyOf(CMYKToRGB(TCMYKPixel{row[0], row[1], row[2], row[3]})));
      break;
    case vqBits1:
      for (int x = 0; x < width; ++x) out[x] = GetBit(row, x) ? 255 : 0;
      break;
    default: std::memset(out, 0, static_cast<std::size_t>(width)); break;
  }
}

void VQColorRow(TVQPixelFormat format, const Byte* row, int width, const TRGBPixel* palette, TRGBPixel* out) {
  switch (format) {
    case vqBits1:
      for (int x = 0; x < width; ++x) {
        const Byte v = GetBit(row, x) ? 255 : 0;
        out[x] = TRGBPixel{v, v, v};
      }
      break;
    case vqPalette8:
      for (int x = 0; x < width; ++x) out[x] = palette ? palette[row[x]] : TRGBPixel{};
      break;
    case vqGray8:
      for (int x = 0; x < width; ++x) out[x] = TRGBPixel{row[x], row[x], row[x]};
      break;
    case vqGray16:
      for (int x = 0; x < width; ++x) out[x] = TRGBPixel{row[2 * x + 1], row[2 * x + 1], row[2 * x + 1]};
      break;
    case vqRGB24: std::memcpy(static_cast<void*>(out), row, static_cast<std::size_t>(width) * 3); break;
    case vq32f:
      for (int x = 0; x < width; ++x) {
        const Byte v = static_cast<Byte>(VQFloatIntegerBits(VQLoadFloat(row + 4 * x), 255.0, 0xFF));
        out[x] = TRGBPixel{v, v, v};
      }
      break;
    case vqCMYK:
      for (int x = 0; x < width; ++x, row += 4) out[x] = CMYKToRGB(TCMYKPixel{row[0], row[1], row[2], row[3]});
      break;
    default:
      for (int x = 0; x < width; ++x) out[x] = TRGBPixel{};
      break;
  }
}

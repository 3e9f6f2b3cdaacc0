// The row colour conversion the TIFF and JPEG filters call through
// IOConvertRow, and the 32-bit forms of the CMYK conversions.
#include <cstring>

#include "imaging/core/base/vqzutils.h"
#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "imaging/io/component/pictoraio.h"

TVQConvertRowProc IOConvertRow = ConvertRow;

TRGBPixel CMYKToRGB(std::uint32_t Value) {
  return CMYKToRGB(TCMYKPixel{Byte(Value), Byte(Value >> 8), Byte(Value >> 16), Byte(Value >> 24)});
}

std::uint32_t RGBToCMYK(std::uint32_t Value) {
  const TCMYKPixel c = RGBToCMYK(TRGBPixel{Byte(Value), Byte(Value >> 8), Byte(Value >> 16)});
  return std::uint32_t(c.c) | std::uint32_t(c.m) << 8 | std::uint32_t(c.y) << 16 | std::uint32_t(c.k) << 24;
}

namespace {

enum : Byte { rcRGB, rcBGR, rcCMYK, rcCMYK6, rcLab, rcGray, rcRGB16LE, rcRGB16BE };

void ConvertRowToBGR(Byte* s, Byte from, Byte* d, int count) {
  switch (from) {
    case rcRGB:
      CopySwapRB(reinterpret_cast<TRGBPixel*>(d), reinterpret_cast<const TRGBPixel*>(s), count);
      break;
    case rcBGR:
      std::memmove(d, s, std::size_t(count) * 3);
      break;
    case rcCMYK:
      for (int i = 0; i < count; ++i, s += 4, d += 3) {
        const TRGBPixel p = CMYKToRGB(TCMYKPixel{s[0], s[1], s[2], s[3]});
        d[0] = p.b, d[1] = p.g, d[2] = p.r;
      }
      break;
    case rcCMYK6:
      // The stored inks are inverted in the source itself, as the callers
      // expect.
      for (int i = 0; i < count; ++i, s += 6, d += 3) {
        for (int k = 0; k < 4; ++k) s[k] = Byte(255 - s[k]);
        const TRGBPixel p = CMYKToRGB(TCMYKPixel{s[0], s[1], s[2], s[3]});
        d[0] = p.b, d[1] = p.g, d[2] = p.r;
      }
      break;
    case rcLab:
      for (int i = 0; i < count; ++i, s += 3, d += 3) {
        const std::uint32_t rgb = LabToRGB(TCIELab{s[0], std::int8_t(s[1]), std::int8_t(s[2])});
        d[0] = Byte(rgb), d[1] = Byte(rgb >> 8), d[2] = Byte(rgb >> 16);
      }
      break;
    case rcRGB16LE:
      for (int i = 0; i < count; ++i, s += 6, d += 3) d[0] = s[5], d[1] = s[3], d[2] = s[1];
      break;
    case rcRGB16BE:
      for (int i = 0; i < count; ++i, s += 6, d += 3) d[0] = s[4], d[1] = s[2], d[2] = s[0];
      break;
    default:
      break;
  }
}

void ConvertRowFromBGR(const Byte* s, Byte* d, Byte to, int count) {
  switch (to) {
    case rcBGR:
      std::memmove(d, s, std::size_t(count) * 3);
      break;
    case rcCMYK:
      for (int i = 0; i < count; ++i, s += 3, d += 4) {
        const TCMYKPixel c = RGBToCMYK(TRGBPixel{s[0], s[1], s[2]});
        d[0] = c.c, d[1] = c.m, d[2] = c.y, d[3] = c.k;
      }
      break;
    case rcLab:
      for (int i = 0; i < count; ++i, s += 3, d += 3) {
        const TCIELab lab = RGBToLab(std::uint32_t(s[0]) | std::uint32_t(s[1]) << 8 | std::uint32_t(s[2]) << 16);
        d[0] = lab.L, d[1] = Byte(lab.a), d[2] = Byte(lab.b);
      }
      break;
    case rcGray:
      for (int i = 0; i < count; ++i, s += 3, ++d) *d = Byte(VQGreyOf(s[2], s[1], s[0]));
      break;
    default:
      break;
  }
}

}  // namespace

void ConvertRow(void* Source, Byte SourceFormat, void* Dest, Byte DestFormat, int Count, TIOParamsVals*) {
  if (!Source || !Dest || Count <= 0) return;
  auto* s = static_cast<Byte*>(Source);
  auto* d = static_cast<Byte*>(Dest);
  const Byte from = SourceFormat & 0x7F;
  if (DestFormat == rcBGR)
    ConvertRowToBGR(s, from, d, Count);
  else if (from == rcBGR)
    ConvertRowFromBGR(s, d, DestFormat, Count);
}

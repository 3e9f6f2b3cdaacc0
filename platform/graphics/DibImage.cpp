#include "platform/graphics/DibImage.h"

#include <cstring>

#include "platform/graphics/RowConvert.h"
#include "platform/rtl/Exceptions.h"

void TDibImage::Allocate(int width, int height, int bitCount) {
  if (width < 0 || height < 0) throw EInvalidGraphic("Invalid bitmap size");
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw EInvalidGraphic("Invalid bit depth");
  }
  std::uint64_t stride = std::uint64_t(StrideFor(width, bitCount));
  if (height > 0 && stride > MaxDibBytes / std::uint64_t(height)) throw EInvalidGraphic("Bitmap too large");
  std::uint64_t bytes = stride * std::uint64_t(height);
  Width = width;
  Height = height;
  BitCount = bitCount;
  Bits.assign(std::size_t(bytes), 0);
  if (bitCount <= 8) {
    if (Palette.size() != (std::size_t(1) << bitCount)) Palette = DefaultPalette(bitCount);
  } else {
    Palette.clear();
  }
}

std::vector<TDibColor> GreyPalette(int bitCount) {
  int n = 1 << bitCount;
  std::vector<TDibColor> p(n);
  for (int i = 0; i < n; ++i) {
    auto v = std::uint8_t(i * 255 / (n - 1));
    p[i] = {v, v, v, 0};
  }
  return p;
}

std::vector<TDibColor> DefaultPalette(int bitCount) {
  if (bitCount == 1) return {{0, 0, 0, 0}, {255, 255, 255, 0}};
  if (bitCount == 4) {
    // The VGA order: dark colours, silver, grey, then the bright ones.
    static const std::uint32_t vga[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                          0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                          0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    std::vector<TDibColor> p(16);
    for (int i = 0; i < 16; ++i)  // vga[] is 0x00BBGGRR
      p[i] = {std::uint8_t(vga[i] >> 16), std::uint8_t(vga[i] >> 8), std::uint8_t(vga[i]), 0};
    return p;
  }
  if (bitCount == 8) {
    std::vector<TDibColor> p(256);
    int i = 0;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) p[i++] = {std::uint8_t(b * 51), std::uint8_t(g * 51), std::uint8_t(r * 51), 0};
    for (int k = 0; i < 256; ++i, ++k) {  // 40 greys between the cube's steps
      auto v = std::uint8_t(k * 255 / 39);
      p[i] = {v, v, v, 0};
    }
    return p;
  }
  return {};
}

void RowToBGRA(const TRowFormat& f, const std::uint8_t* src, std::uint8_t* dst, int width) {
  switch (f.BitCount) {
    case 1:
    case 4:
    case 8: {
      const int bits = f.BitCount;
      const int perByte = 8 / bits;
      const unsigned mask = (1u << bits) - 1;
      for (int x = 0; x < width; ++x) {
        int shift = 8 - bits * (x % perByte + 1);
        const TDibColor& c = f.Palette[(src[x / perByte] >> shift) & mask];
        dst[0] = c.Blue;
        dst[1] = c.Green;
        dst[2] = c.Red;
        dst[3] = 255;
        dst += 4;
      }
      break;
    }
    case 16:
      for (int x = 0; x < width; ++x, src += 2, dst += 4) {
        unsigned v = unsigned(src[0]) | (unsigned(src[1]) << 8);
        unsigned r, g, b = v & 31;
        if (f.Is565) {
          g = (v >> 5) & 63;
          r = (v >> 11) & 31;
          dst[1] = std::uint8_t((g << 2) | (g >> 4));
        } else {
          g = (v >> 5) & 31;
          r = (v >> 10) & 31;
          dst[1] = std::uint8_t((g << 3) | (g >> 2));
        }
        dst[0] = std::uint8_t((b << 3) | (b >> 2));
        dst[2] = std::uint8_t((r << 3) | (r >> 2));
        dst[3] = 255;
      }
      break;
    case 24:
      for (int x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
      }
      break;
    case 32:
      std::memcpy(dst, src, std::size_t(width) * 4);
      break;
  }
}

TNearestIndex::TNearestIndex(const std::vector<TDibColor>& palette) : palette_(palette), cache_(4096) {}

std::uint8_t TNearestIndex::Find(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::uint32_t key = 0x01000000u | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
  Slot& slot = cache_[((key * 2654435761u) >> 20) & 4095];
  if (slot.Key == key) return slot.Index;
  int best = 0, bestDist = 1 << 30;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    int db = palette_[i].Blue - b, dg = palette_[i].Green - g, dr = palette_[i].Red - r;
    int d = db * db + dg * dg + dr * dr;
    if (d < bestDist) {
      bestDist = d;
      best = int(i);
      if (d == 0) break;
    }
  }
  slot.Key = key;
  slot.Index = std::uint8_t(best);
  return slot.Index;
}

void BGRAToRow(const TRowFormat& f, TNearestIndex* nearest, const std::uint8_t* src, std::uint8_t* dst,
               int width) {
  switch (f.BitCount) {
    case 1:
    case 4:
    case 8: {
      const int bits = f.BitCount;
      const int perByte = 8 / bits;
      std::memset(dst, 0, std::size_t((width * bits + 7) / 8));
      for (int x = 0; x < width; ++x, src += 4) {
        int shift = 8 - bits * (x % perByte + 1);
        dst[x / perByte] |= std::uint8_t(nearest->Find(src[0], src[1], src[2]) << shift);
      }
      break;
    }
    case 16:
      for (int x = 0; x < width; ++x, src += 4, dst += 2) {
        unsigned v;
        if (f.Is565)
          v = (unsigned(src[2] >> 3) << 11) | (unsigned(src[1] >> 2) << 5) | unsigned(src[0] >> 3);
        else
          v = (unsigned(src[2] >> 3) << 10) | (unsigned(src[1] >> 3) << 5) | unsigned(src[0] >> 3);
        dst[0] = std::uint8_t(v);
        dst[1] = std::uint8_t(v >> 8);
      }
      break;
    case 24:
      for (int x = 0; x < width; ++x, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
      }
      break;
    case 32:
      std::memcpy(dst, src, std::size_t(width) * 4);
      break;
  }
}

TDibImage ConvertDib(const TDibImage& src, int bitCount, bool is565, const std::vector<TDibColor>& palette) {
  TDibImage out;
  if (bitCount <= 8) out.Palette = palette.size() == (std::size_t(1) << bitCount) ? palette : DefaultPalette(bitCount);
  out.Allocate(src.Width, src.Height, bitCount);
  out.Is565 = bitCount == 16 && is565;
  TRowFormat from{src.BitCount, src.Is565, src.Palette.empty() ? nullptr : src.Palette.data()};
  TRowFormat to{out.BitCount, out.Is565, out.Palette.empty() ? nullptr : out.Palette.data()};
  if (src.Height > 0)
    ConvertDibRows(from, src.Row(0), -std::ptrdiff_t(src.Stride()), to, out.Row(0), -std::ptrdiff_t(out.Stride()),
                   src.Width, src.Height);
  return out;
}

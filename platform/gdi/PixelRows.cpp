#include "platform/gdi/PixelRows.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

struct Channel {
  DWORD mask = 0;
  int shift = 0;
  int bits = 0;
  Byte expand[256] = {};  // value -> 8 bits when bits <= 8
};

void SetupChannel(Channel& c, DWORD mask) {
  c.mask = mask;
  c.shift = mask ? std::countr_zero(mask) : 0;
  // Width of the span from the lowest to the highest set bit, so a mask with
  // holes still indexes inside the table.
  c.bits = mask ? int(std::bit_width(mask >> c.shift)) : 0;
  if (c.bits > 0 && c.bits <= 8) {
    int max = (1 << c.bits) - 1;
    // Repeat the value's bits downward (5 bits abcde -> abcdeabc), so 0 and
    // the maximum map to 0 and 255.
    for (int v = 0; v <= max; ++v) {
      int r = 0;
      for (int shift = 8 - c.bits; shift > -c.bits; shift -= c.bits) r |= shift >= 0 ? v << shift : v >> -shift;
      c.expand[v] = Byte(r);
    }
  }
}

inline Byte Extract(const Channel& c, DWORD px) {
  DWORD v = (px & c.mask) >> c.shift;
  if (c.bits <= 8) return c.bits ? c.expand[v] : 0;
  return Byte(v >> (c.bits - 8));
}

inline DWORD Pack(const Channel& c, Byte v) {
  if (!c.bits) return 0;
  DWORD x;
  if (c.bits <= 8)
    x = DWORD(v) >> (8 - c.bits);
  else if (c.bits <= 16)
    x = (DWORD(v) << (c.bits - 8)) | (DWORD(v) >> (16 - c.bits));
  else
    x = DWORD(v) << (c.bits - 8);
  return (x << c.shift) & c.mask;
}

struct Masks {
  Channel r, g, b;
  explicit Masks(const Surface& s) {
    DWORD rm = s.redMask, gm = s.greenMask, bm = s.blueMask;
    if (!rm && !gm && !bm) {
      if (s.bpp == 16) {
        rm = 0x7C00;
        gm = 0x03E0;
        bm = 0x001F;
      } else {
        rm = 0xFF0000;
        gm = 0xFF00;
        bm = 0xFF;
      }
    }
    SetupChannel(r, rm);
    SetupChannel(g, gm);
    SetupChannel(b, bm);
  }
};

void PaletteTable(const Surface& s, std::uint32_t* table, int entries) {
  for (int i = 0; i < entries; ++i) table[i] = (s.colors && i < s.colorCount) ? QuadToPixel(s.colors[i]) : 0;
}

}  // namespace

int NearestColorIndex(const RGBQUAD* colors, int count, std::uint32_t pixel) {
  int r = int((pixel >> 16) & 0xFF), g = int((pixel >> 8) & 0xFF), b = int(pixel & 0xFF);
  int best = 0;
  long bestD = -1;
  for (int i = 0; i < count; ++i) {
    int dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
    long d = long(dr) * dr + long(dg) * dg + long(db) * db;
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

void ReadIndexRow(const Surface& s, int y, int x0, int n, Byte* out) {
  const Byte* row = s.Row(y);
  switch (s.bpp) {
    case 1:
      for (int i = 0; i < n; ++i) {
        int x = x0 + i;
        out[i] = Byte((row[x >> 3] >> (7 - (x & 7))) & 1);
      }
      break;
    case 4:
      for (int i = 0; i < n; ++i) {
        int x = x0 + i;
        out[i] = Byte((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
      }
      break;
    case 8: std::memcpy(out, row + x0, size_t(n)); break;
    default: std::memset(out, 0, size_t(n));
  }
}

void WriteIndexRow(const Surface& s, int y, int x0, int n, const Byte* in) {
  Byte* row = s.Row(y);
  for (int i = 0; i < n; ++i) {
    int x = x0 + i, v = in[i];
    if (s.bpp == 8) {
      row[x] = Byte(v);
    } else if (s.bpp == 4) {
      Byte& b = row[x >> 1];
      b = (x & 1) ? Byte((b & 0xF0) | (v & 15)) : Byte((b & 0x0F) | (v << 4));
    } else if (s.bpp == 1) {
      Byte& b = row[x >> 3];
      Byte bit = Byte(0x80 >> (x & 7));
      b = (v & 1) ? Byte(b | bit) : Byte(b & ~bit);
    }
  }
}

void ReadPixelRow(const Surface& s, int y, int x0, int n, std::uint32_t* out) {
  if (n <= 0) return;
  const Byte* row = s.Row(y);
  switch (s.bpp) {
    case 1:
    case 4:
    case 8: {
      std::uint32_t table[256];
      int entries = 1 << s.bpp;
      PaletteTable(s, table, entries);
      if (s.bpp == 8) {
        for (int i = 0; i < n; ++i) out[i] = table[row[x0 + i]];
      } else if (s.bpp == 4) {
        for (int i = 0; i < n; ++i) {
          int x = x0 + i;
          out[i] = table[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
        }
      } else {
        for (int i = 0; i < n; ++i) {
          int x = x0 + i;
          out[i] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
        }
      }
      break;
    }
    case 16: {
      Masks m(s);
      const Byte* p = row + x0 * 2;
      for (int i = 0; i < n; ++i, p += 2) {
        DWORD v = DWORD(p[0]) | (DWORD(p[1]) << 8);
        out[i] = (std::uint32_t(Extract(m.r, v)) << 16) | (std::uint32_t(Extract(m.g, v)) << 8) | Extract(m.b, v);
      }
      break;
    }
    case 24: {
      const Byte* p = row + x0 * 3;
      for (int i = 0; i < n; ++i, p += 3) out[i] = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
      break;
    }
    case 32: {
      if (s.IsBGRX()) {
        const Byte* p = row + x0 * 4;
        for (int i = 0; i < n; ++i, p += 4)
          out[i] = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        break;
      }
      Masks m(s);
      const Byte* p = row + x0 * 4;
      for (int i = 0; i < n; ++i, p += 4) {
        DWORD v = DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24);
        out[i] = (std::uint32_t(Extract(m.r, v)) << 16) | (std::uint32_t(Extract(m.g, v)) << 8) | Extract(m.b, v);
      }
      break;
    }
    default: std::memset(out, 0, size_t(n) * 4);
  }
}

void WritePixelRow(const Surface& s, int y, int x0, int n, const std::uint32_t* in) {
  if (n <= 0) return;
  Byte* row = s.Row(y);
  switch (s.bpp) {
    case 1:
    case 4:
    case 8: {
      int entries = std::min(1 << s.bpp, s.colorCount);
      if (!s.colors || entries <= 0) entries = 0;
      // Runs of one colour are the common case; remember the last answer.
      std::uint32_t lastPx = in[0] ^ 1u;
      int lastIdx = 0;
      for (int i = 0; i < n; ++i) {
        std::uint32_t px = in[i] & 0xFFFFFF;
        if (px != lastPx) {
          lastPx = px;
          lastIdx = entries ? NearestColorIndex(s.colors, entries, px) : 0;
        }
        int x = x0 + i;
        if (s.bpp == 8) {
          row[x] = Byte(lastIdx);
        } else if (s.bpp == 4) {
          Byte& b = row[x >> 1];
          b = (x & 1) ? Byte((b & 0xF0) | lastIdx) : Byte((b & 0x0F) | (lastIdx << 4));
        } else {
          Byte& b = row[x >> 3];
          Byte bit = Byte(0x80 >> (x & 7));
          b = lastIdx ? Byte(b | bit) : Byte(b & ~bit);
        }
      }
      break;
    }
    case 16: {
      Masks m(s);
      Byte* p = row + x0 * 2;
      for (int i = 0; i < n; ++i, p += 2) {
        std::uint32_t px = in[i];
        DWORD v = Pack(m.r, Byte(px >> 16)) | Pack(m.g, Byte(px >> 8)) | Pack(m.b, Byte(px));
        p[0] = Byte(v);
        p[1] = Byte(v >> 8);
      }
      break;
    }
    case 24: {
      Byte* p = row + x0 * 3;
      for (int i = 0; i < n; ++i, p += 3) {
        p[0] = Byte(in[i]);
        p[1] = Byte(in[i] >> 8);
        p[2] = Byte(in[i] >> 16);
      }
      break;
    }
    case 32: {
      if (s.IsBGRX()) {
        // The fourth byte is left as it was: it may carry alpha for AlphaBlend.
        Byte* p = row + x0 * 4;
        for (int i = 0; i < n; ++i, p += 4) {
          p[0] = Byte(in[i]);
          p[1] = Byte(in[i] >> 8);
          p[2] = Byte(in[i] >> 16);
        }
        break;
      }
      Masks m(s);
      Byte* p = row + x0 * 4;
      for (int i = 0; i < n; ++i, p += 4) {
        std::uint32_t px = in[i];
        DWORD v = Pack(m.r, Byte(px >> 16)) | Pack(m.g, Byte(px >> 8)) | Pack(m.b, Byte(px));
        p[0] = Byte(v);
        p[1] = Byte(v >> 8);
        p[2] = Byte(v >> 16);
        p[3] = Byte(v >> 24);
      }
      break;
    }
    default: break;
  }
}

std::vector<PALETTEENTRY> SystemPaletteEntries() {
  static const Byte kLow[10][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},
                                   {128, 0, 128},   {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
  static const Byte kHigh[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                                    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
  std::vector<PALETTEENTRY> e(256);
  for (int i = 0; i < 10; ++i) {
    e[size_t(i)] = PALETTEENTRY{kLow[i][0], kLow[i][1], kLow[i][2], 0};
    e[size_t(246 + i)] = PALETTEENTRY{kHigh[i][0], kHigh[i][1], kHigh[i][2], 0};
  }
  // The free middle gets a 6x6x6 colour cube, then a grey ramp.
  int k = 10;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) e[size_t(k++)] = PALETTEENTRY{Byte(r * 51), Byte(g * 51), Byte(b * 51), 0};
  for (int i = 0; k < 246; ++i, ++k) {
    Byte v = Byte(8 + i * 250 / 20);
    e[size_t(k)] = PALETTEENTRY{v, v, v, 0};
  }
  return e;
}

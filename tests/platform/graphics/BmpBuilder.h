// Builds BMP files byte by byte for the tests, so every header variant and
// every kind of damage can be made on the spot.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/graphics/DibImage.h"

struct BmpLayout {
  std::uint32_t headerSize = 40;  // 12, 40, 52, 56, 64, 108, 124
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: top-down
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::vector<TDibColor> palette;
  std::int64_t colorsUsed = -1;         // -1: palette.size() (info headers)
  std::vector<std::uint32_t> masks;     // after a 40-byte header, or inside V2+
  std::vector<std::uint8_t> pixels;     // exactly as they sit in the file
  std::int64_t offBits = -1;            // -1: right after the table
  bool padToOffset = true;              // false: only the field says offBits
  std::int64_t fileSizeField = -1;      // -1: the real size
};

inline void Put(std::vector<std::uint8_t>& v, std::uint64_t x, int bytes) {
  for (int i = 0; i < bytes; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
}

inline std::vector<std::uint8_t> MakeBmp(const BmpLayout& s) {
  std::vector<std::uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put(v, 0, 4);  // file size, patched below
  Put(v, 0, 4);
  Put(v, 0, 4);  // offset, patched below
  Put(v, s.headerSize, 4);
  if (s.headerSize == 12) {
    Put(v, std::uint16_t(s.width), 2);
    Put(v, std::uint16_t(s.height), 2);
    Put(v, 1, 2);
    Put(v, s.bits, 2);
  } else {
    Put(v, std::uint32_t(s.width), 4);
    Put(v, std::uint32_t(s.height), 4);
    Put(v, 1, 2);
    Put(v, s.bits, 2);
    Put(v, s.compression, 4);
    Put(v, s.pixels.size(), 4);
    Put(v, 2835, 4);
    Put(v, 2835, 4);
    Put(v, s.colorsUsed >= 0 ? std::uint64_t(s.colorsUsed) : s.palette.size(), 4);
    Put(v, 0, 4);
    std::size_t inHeader = 0;
    if (s.headerSize >= 52 && s.headerSize != 64)
      for (; inHeader < (s.headerSize >= 56 ? 4u : 3u); ++inHeader)
        Put(v, inHeader < s.masks.size() ? s.masks[inHeader] : 0, 4);
    while (v.size() < 14 + s.headerSize) v.push_back(0);
    if (s.headerSize == 40)
      for (std::uint32_t m : s.masks) Put(v, m, 4);
  }
  for (const TDibColor& c : s.palette) {
    v.push_back(c.Blue);
    v.push_back(c.Green);
    v.push_back(c.Red);
    if (s.headerSize != 12) v.push_back(0);
  }
  std::size_t off = s.offBits >= 0 ? std::size_t(s.offBits) : v.size();
  while (s.padToOffset && v.size() < off) v.push_back(0);
  v.insert(v.end(), s.pixels.begin(), s.pixels.end());
  std::uint64_t size = s.fileSizeField >= 0 ? std::uint64_t(s.fileSizeField) : v.size();
  for (int i = 0; i < 4; ++i) v[2 + i] = std::uint8_t(size >> (8 * i));
  for (int i = 0; i < 4; ++i) v[10 + i] = std::uint8_t(off >> (8 * i));
  return v;
}

// Packs pixel values (row 0 = top) into padded file rows, bottom-up unless
// topDown. Values are indexes for <= 8 bits, raw little-endian words else
// (24 bits: 0xRRGGBB, stored B, G, R).
inline std::vector<std::uint8_t> PackRows(const std::vector<std::vector<std::uint32_t>>& rows, int bits,
                                          bool topDown) {
  std::vector<std::uint8_t> out;
  int n = int(rows.size());
  for (int i = 0; i < n; ++i) {
    const auto& row = rows[topDown ? i : n - 1 - i];
    std::vector<std::uint8_t> r;
    if (bits < 8) {
      r.assign((row.size() * bits + 7) / 8, 0);
      for (std::size_t x = 0; x < row.size(); ++x)
        r[x * bits / 8] |= std::uint8_t(row[x] << (8 - bits - int(x * bits % 8)));
    } else {
      for (std::uint32_t p : row) Put(r, p, bits / 8);
    }
    while (r.size() % 4) r.push_back(0);
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

// The decoded colour of pixel (x, y) as 0xRRGGBB, whatever the depth.
inline std::uint32_t PixelRGB(const TDibImage& img, int x, int y) {
  std::vector<std::uint8_t> row(std::size_t(img.Width) * 4);
  TRowFormat f{img.BitCount, img.Is565, img.Palette.empty() ? nullptr : img.Palette.data()};
  RowToBGRA(f, img.Row(y), row.data(), img.Width);
  const std::uint8_t* p = &row[std::size_t(x) * 4];
  return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

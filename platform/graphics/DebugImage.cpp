#include "platform/graphics/DebugImage.h"

#include <algorithm>
#include <cstdio>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpFormat.h"

namespace {

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
  static const auto table = [] {
    std::vector<std::uint32_t> t(256);
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBE(std::vector<std::uint8_t>& v, std::uint32_t x) {
  for (int i = 3; i >= 0; --i) v.push_back(std::uint8_t(x >> (8 * i)));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  PutBE(out, std::uint32_t(data.size()));
  std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBE(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<std::uint8_t> EncodeDebugPng(const TDibImage& image) {
  bool alpha = false;
  if (image.BitCount == 32)
    for (int y = 0; y < image.Height && !alpha; ++y)
      for (int x = 0; x < image.Width; ++x)
        if (image.Row(y)[4 * x + 3]) {
          alpha = true;
          break;
        }
  const int channels = alpha ? 4 : 3;
  // Filter byte 0 and the pixels of each row, top to bottom.
  std::vector<std::uint8_t> raw;
  raw.reserve(std::size_t(image.Height) * (1 + std::size_t(image.Width) * channels));
  std::vector<std::uint8_t> bgra(std::size_t(image.Width) * 4);
  TRowFormat f{image.BitCount, image.Is565, image.Palette.empty() ? nullptr : image.Palette.data()};
  for (int y = 0; y < image.Height; ++y) {
    RowToBGRA(f, image.Row(y), bgra.data(), image.Width);
    raw.push_back(0);
    for (int x = 0; x < image.Width; ++x) {
      const std::uint8_t* p = &bgra[std::size_t(x) * 4];
      raw.push_back(p[2]);
      raw.push_back(p[1]);
      raw.push_back(p[0]);
      if (alpha) raw.push_back(p[3]);
    }
  }
  // zlib stream of stored blocks (at most 65535 bytes each) and Adler-32.
  std::vector<std::uint8_t> z = {0x78, 0x01};
  std::size_t pos = 0;
  do {
    std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
    z.push_back(pos + n == raw.size() ? 1 : 0);
    z.push_back(std::uint8_t(n));
    z.push_back(std::uint8_t(n >> 8));
    z.push_back(std::uint8_t(~n));
    z.push_back(std::uint8_t(~n >> 8));
    z.insert(z.end(), raw.begin() + std::ptrdiff_t(pos), raw.begin() + std::ptrdiff_t(pos + n));
    pos += n;
  } while (pos < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, (b << 16) | a);

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  PutBE(ihdr, std::uint32_t(image.Width));
  PutBE(ihdr, std::uint32_t(image.Height));
  ihdr.insert(ihdr.end(), {8, std::uint8_t(alpha ? 6 : 2), 0, 0, 0});
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

bool SaveBitmapForDebug(const TBitmap& bitmap, const std::string& fileName) {
  try {
    TDibImage img = bitmap.ToDib();
    if (img.Width == 0 || img.Height == 0) return false;
    bool png = fileName.size() >= 4 && (fileName.compare(fileName.size() - 4, 4, ".png") == 0 ||
                                        fileName.compare(fileName.size() - 4, 4, ".PNG") == 0);
    std::vector<std::uint8_t> bytes = png ? EncodeDebugPng(img) : WriteBmp(img);
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0) && ok;
  } catch (...) {
    return false;
  }
}

// Dumps a bitmap as a 32-bit top-down BMP file for looking at test output.
#include <cstdio>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

namespace {
void Put16(std::vector<Byte>& o, unsigned v) {
  o.push_back(Byte(v));
  o.push_back(Byte(v >> 8));
}
void Put32(std::vector<Byte>& o, std::uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}
bool WriteSurface(const Surface& s, const char* path) {
  if (!s.Valid() || !path) return false;
  const std::uint32_t image = std::uint32_t(s.width) * std::uint32_t(s.height) * 4;
  std::vector<Byte> o;
  Put16(o, 0x4D42);
  Put32(o, 14 + 40 + image);
  Put32(o, 0);
  Put32(o, 14 + 40);
  Put32(o, 40);
  Put32(o, std::uint32_t(s.width));
  Put32(o, std::uint32_t(-s.height));  // top-down
  Put16(o, 1);
  Put16(o, 32);
  for (int i = 0; i < 6; ++i) Put32(o, i == 1 ? image : 0);
  std::vector<std::uint32_t> row(static_cast<size_t>(s.width));
  for (int y = 0; y < s.height; ++y) {
    ReadPixelRow(s, y, 0, s.width, row.data());
    for (std::uint32_t p : row) Put32(o, p);
  }
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(o.data(), 1, o.size(), f) == o.size();
  return std::fclose(f) == 0 && ok;
}
}  // namespace

bool WriteBitmapToBmpFile(HBITMAP bm, const char* path) {
  GdiBitmap* b = GdiCheck(bm, OBJ_BITMAP);
  return b && WriteSurface(b->surface, path);
}

bool WriteDCToBmpFile(HDC h, const char* path) {
  DeviceContext* dc = GdiCheckDC(h);
  return dc && WriteSurface(dc->surface, path);
}

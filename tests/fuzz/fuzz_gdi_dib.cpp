// DIB headers, colour tables and region data from arbitrary bytes through the
// drawing calls that take them: bad headers are refused, good ones draw,
// and nothing reads or writes outside the buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace {

struct Reader {
  const std::uint8_t* p;
  std::size_t n;
  template <class T> T Take() {
    T v{};
    std::size_t k = n < sizeof v ? n : sizeof v;
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  const Byte ops = in.Take<Byte>();
  BITMAPINFO bi;
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = in.Take<std::int16_t>();
  bi.bmiHeader.biHeight = in.Take<std::int16_t>();
  bi.bmiHeader.biBitCount = in.Take<Word>();
  bi.bmiHeader.biCompression = in.Take<Byte>();
  bi.bmiHeader.biClrUsed = in.Take<Word>();
  const int sx = in.Take<std::int8_t>(), sy = in.Take<std::int8_t>();
  const int sw = in.Take<std::int8_t>(), sh = in.Take<std::int8_t>();
  const int dx = in.Take<std::int8_t>(), dy = in.Take<std::int8_t>();
  const int dw = in.Take<std::int8_t>(), dh = in.Take<std::int8_t>();
  const DWORD rop = DWORD(in.Take<Byte>()) << 16;
  std::size_t table = in.n < 64 ? in.n : 64;
  std::memcpy(bi.bmiColors, in.p, table);
  in.p += table;
  in.n -= table;

  // Pixel data: whatever is left, padded to what the header says it needs.
  std::int64_t need = DibImageSize(bi.bmiHeader);
  if (need > (1 << 22)) return 0;
  std::vector<Byte> bits(std::size_t(need > 0 ? need : 0) + in.n);
  if (in.n) std::memcpy(bits.data(), in.p, in.n);

  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO target;
  target.bmiHeader.biWidth = 16;
  target.bmiHeader.biHeight = -16;
  target.bmiHeader.biBitCount = Word((ops & 3) == 0 ? 32 : (ops & 3) == 1 ? 24 : (ops & 3) == 2 ? 8 : 1);
  HBITMAP canvas = CreateDIBSection(dc, &target, DIB_RGB_COLORS, nullptr, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, canvas);
  SetStretchBltMode(dc, (ops & 4) ? HALFTONE : COLORONCOLOR);
  if (need > 0) {
    StretchDIBits(dc, dx, dy, dw, dh, sx, sy, sw, sh, bits.data(), &bi, DIB_RGB_COLORS, rop | 0x20);
    SetDIBits(dc, canvas, 0, 16, bits.data(), &bi, DIB_RGB_COLORS);
    GetDIBits(dc, canvas, UINT(sy & 15), UINT(sh & 31), bits.data(), &bi, DIB_RGB_COLORS);
    void* dibBits = nullptr;
    if (HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &dibBits, nullptr, 0)) {
      HDC src = CreateCompatibleDC(dc);
      HGDIOBJ prev = SelectObject(src, dib);
      StretchBlt(dc, dx, dy, dw, dh, src, sx, sy, sw, sh, rop | 0x20);
      BLENDFUNCTION bf{AC_SRC_OVER, 0, Byte(ops), Byte((ops >> 3) & 1)};
      AlphaBlend(dc, dx, dy, dw & 0x7F, dh & 0x7F, src, sx, sy, sw & 0x7F, sh & 0x7F, bf);
      TransparentBlt(dc, dx, dy, dw & 0x7F, dh & 0x7F, src, sx, sy, sw & 0x7F, sh & 0x7F, RGB(ops, 0, 0));
      SelectObject(src, prev);
      DeleteDC(src);
      DeleteObject(dib);
    }
  }
  // The same bytes as region data, taken at their real length.
  if (HRGN r = ExtCreateRegion(nullptr, DWORD(size), reinterpret_cast<const RGNDATA*>(data))) {
    SelectClipRgn(dc, r);
    PatBlt(dc, 0, 0, 16, 16, PATINVERT);
    DeleteObject(r);
  }
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  return 0;
}

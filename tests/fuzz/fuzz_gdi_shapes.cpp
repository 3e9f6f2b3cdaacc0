// Drawing calls with arbitrary coordinates, sizes, pens, modes and clips on a
// small canvas: everything stays inside the surface and nothing overflows.
#include <cstddef>
#include <cstdint>
#include <cstring>

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
  // Mostly small coordinates, sometimes far out.
  int Coord() {
    Byte kind = Take<Byte>();
    if (kind & 0x80) return Take<std::int32_t>() >> (kind & 7);
    return int(std::int8_t(kind << 1)) / 2;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 24;
  bi.bmiHeader.biHeight = -20;
  const Byte depth = in.Take<Byte>();
  bi.bmiHeader.biBitCount = Word(depth % 3 == 0 ? 32 : depth % 3 == 1 ? 8 : 1);
  bi.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  for (int step = 0; step < 24 && in.n > 0; ++step) {
    const Byte op = in.Take<Byte>();
    const int a = in.Coord(), b = in.Coord(), c = in.Coord(), d = in.Coord();
    switch (op % 16) {
      case 0: MoveToEx(dc, a, b, nullptr); LineTo(dc, c, d); break;
      case 1: Rectangle(dc, a, b, c, d); break;
      case 2: Ellipse(dc, a, b, c, d); break;
      case 3: RoundRect(dc, a, b, c, d, in.Coord(), in.Coord()); break;
      case 4: Pie(dc, a, b, c, d, in.Coord(), in.Coord(), in.Coord(), in.Coord()); break;
      case 5: Chord(dc, a, b, c, d, in.Coord(), in.Coord(), in.Coord(), in.Coord()); break;
      case 6: {
        POINT pts[5] = {{a, b}, {c, d}, {in.Coord(), in.Coord()}, {in.Coord(), in.Coord()}, {in.Coord(), in.Coord()}};
        SetPolyFillMode(dc, (op & 16) ? WINDING : ALTERNATE);
        Polygon(dc, pts, 3 + (op >> 6) % 3);
        break;
      }
      case 7: {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        if (pen) DeleteObject(pen);
        pen = CreatePen(op >> 4, (c & 15), RGB(a, b, d));
        SelectObject(dc, pen);
        break;
      }
      case 8: {
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        if (brush) DeleteObject(brush);
        brush = (op & 16) ? CreateHatchBrush((op >> 5) % 6, RGB(a, b, c)) : CreateSolidBrush(RGB(a, b, c));
        SelectObject(dc, brush);
        break;
      }
      case 9: SetROP2(dc, 1 + (op >> 4)); break;
      case 10: IntersectClipRect(dc, a, b, c, d); break;
      case 11: ExcludeClipRect(dc, a, b, c, d); break;
      case 12: SetViewportOrgEx(dc, a, b, nullptr); break;
      case 13: {
        RECT r{a, b, c, d};
        if (op & 16) DrawFocusRect(dc, &r); else DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
        break;
      }
      case 14: {
        // Every stretch mode: BLACKONWHITE, WHITEONBLACK, COLORONCOLOR, HALFTONE.
        SetStretchBltMode(dc, 1 + (op >> 4) % 4);
        const int sx = in.Coord(), sy = in.Coord(), sw = in.Coord(), sh = in.Coord();
        StretchBlt(dc, a, b, c, d, dc, sx, sy, sw, sh, SRCCOPY);
        break;
      }
      case 15: ExtFloodFill(dc, a, b, RGB(c, d, 0), op >> 7); break;
    }
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  if (pen) DeleteObject(pen);
  if (brush) DeleteObject(brush);
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
  return 0;
}

// Icon and cursor objects: creation from bitmaps, copies, and drawing.
#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/Stretch.h"
#include "platform/rtl/HandleTable.h"

namespace {

// Icons are small; this bounds what a bad ICONINFO can make us allocate.
constexpr std::int64_t kMaxIconPixels = std::int64_t(1) << 22;

constexpr unsigned kIconHandleKind = 4;

THandleTable& IconTable() {
  // Never destroyed: stock cursors stay reachable until exit.
  static THandleTable* table = new THandleTable(kIconHandleKind);
  return *table;
}

GdiIcon* CheckIcon(HGDIICON h) { return GdiIconFromHandle(h); }

// Mask bits of rows [y0, y0 + h) of a bitmap: 1 where the screen shows.
// 1-bit bitmaps give their index bits; deeper ones take white as 1.
void ReadMaskRows(const Surface& s, int y0, int w, int h, Byte* out) {
  std::vector<std::uint32_t> px(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    Byte* o = out + size_t(y) * size_t(w);
    if (s.bpp == 1) {
      ReadIndexRow(s, y0 + y, 0, w, o);
      for (int x = 0; x < w; ++x) o[x] = o[x] ? 1 : 0;
    } else {
      ReadPixelRow(s, y0 + y, 0, w, px.data());
      for (int x = 0; x < w; ++x) o[x] = (px[size_t(x)] & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
    }
  }
}

HGDIICON Register(GdiIcon* icon) { return GdiAddIcon(icon); }

}  // namespace

HGDIICON GdiAddIcon(GdiIcon* icon) {
  if (!icon) return nullptr;
  std::uintptr_t h = IconTable().Add(icon);
  if (!h) {
    delete icon;
    return nullptr;
  }
  icon->handle = HandleValue<HICON__>(h);
  return icon->handle;
}

GdiIcon* GdiIconFromHandle(HGDIICON h) { return static_cast<GdiIcon*>(IconTable().Find(HandleBits(h))); }

GdiIcon* GdiTakeIcon(HGDIICON h) {
  GdiIcon* icon = GdiIconFromHandle(h);
  if (!icon || icon->stock) return nullptr;
  return static_cast<GdiIcon*>(IconTable().Remove(HandleBits(h)));
}

HGDIICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  GdiBitmap* mask = GdiCheck(info->hbmMask, OBJ_BITMAP);
  GdiBitmap* color = info->hbmColor ? GdiCheck(info->hbmColor, OBJ_BITMAP) : nullptr;
  if (!mask || !mask->surface.Valid() || (info->hbmColor && (!color || !color->surface.Valid()))) return nullptr;
  const Surface& ms = mask->surface;
  const int w = color ? color->surface.width : ms.width;
  const int h = color ? color->surface.height : ms.height / 2;
  if (w <= 0 || h <= 0 || std::int64_t(w) * h > kMaxIconPixels) return nullptr;
  if (ms.width < w || ms.height < (color ? h : 2 * h)) return nullptr;

  auto icon = std::make_unique<GdiIcon>();
  icon->isIcon = info->fIcon != FALSE;
  icon->monochrome = color == nullptr;
  icon->width = w;
  icon->height = h;
  icon->hotSpot = icon->isIcon ? POINT{w / 2, h / 2}
                               : POINT{int(std::min<DWORD>(info->xHotspot, DWORD(w))),
                                       int(std::min<DWORD>(info->yHotspot, DWORD(h)))};
  const size_t n = size_t(w) * size_t(h);
  icon->mask.resize(n);
  icon->color.resize(n);
  ReadMaskRows(ms, 0, w, h, icon->mask.data());
  if (color) {
    const Surface& cs = color->surface;
    const bool alphaBytes = cs.bpp == 32 && cs.IsBGRX();
    for (int y = 0; y < h; ++y) {
      std::uint32_t* row = &icon->color[size_t(y) * size_t(w)];
      ReadPixelRow(cs, y, 0, w, row);
      if (!alphaBytes) continue;
      const Byte* raw = cs.Row(y);
      for (int x = 0; x < w; ++x) {
        row[x] = (row[x] & 0xFFFFFF) | (std::uint32_t(raw[4 * x + 3]) << 24);
        icon->hasAlpha = icon->hasAlpha || raw[4 * x + 3] != 0;
      }
    }
  } else {
    // The lower half holds the XOR bits: 1 inverts, drawn as white.
    std::vector<Byte> xorBits(n);
    ReadMaskRows(ms, h, w, h, xorBits.data());
    for (size_t i = 0; i < n; ++i) icon->color[i] = xorBits[i] ? 0xFFFFFFu : 0u;
  }
  return Register(icon.release());
}

BOOL GetIconInfo(HGDIICON h, ICONINFO* info) {
  GdiIcon* icon = CheckIcon(h);
  if (!icon || !info) return FALSE;
  const int w = icon->width, hh = icon->height;
  const int maskH = icon->monochrome ? 2 * hh : hh;
  const size_t rowBytes = size_t((w + 15) / 16) * 2;
  std::vector<Byte> bits(rowBytes * size_t(maskH), 0);
  auto putRow = [&](int y, const Byte* ones) {
    Byte* r = &bits[size_t(y) * rowBytes];
    for (int x = 0; x < w; ++x)
      if (ones[x]) r[x >> 3] = Byte(r[x >> 3] | (0x80 >> (x & 7)));
  };
  for (int y = 0; y < hh; ++y) putRow(y, &icon->mask[size_t(y) * size_t(w)]);
  if (icon->monochrome) {
    std::vector<Byte> row(static_cast<size_t>(w));
    for (int y = 0; y < hh; ++y) {
      const std::uint32_t* c = &icon->color[size_t(y) * size_t(w)];
      for (int x = 0; x < w; ++x) row[size_t(x)] = c[x] & 0xFFFFFF ? 1 : 0;
      putRow(hh + y, row.data());
    }
  }
  HBITMAP mask = CreateBitmap(w, maskH, 1, 1, bits.data());
  if (!mask) return FALSE;
  HBITMAP color = nullptr;
  if (!icon->monochrome) {
    BITMAPINFO bmi;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = hh;
    bmi.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    color = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!color || !p) {
      DeleteObject(mask);
      if (color) DeleteObject(color);
      return FALSE;
    }
    // Bottom-up: the top row is the last one in memory; the alpha byte rides along.
    for (int y = 0; y < hh; ++y)
      std::memcpy(static_cast<Byte*>(p) + size_t(hh - 1 - y) * size_t(w) * 4, &icon->color[size_t(y) * size_t(w)],
                  size_t(w) * 4);
  }
  info->fIcon = icon->isIcon ? TRUE : FALSE;
  info->xHotspot = DWORD(icon->hotSpot.X);
  info->yHotspot = DWORD(icon->hotSpot.Y);
  info->hbmMask = mask;
  info->hbmColor = color;
  return TRUE;
}

HGDIICON CopyIcon(HGDIICON h) {
  GdiIcon* icon = CheckIcon(h);
  if (!icon) return nullptr;
  auto copy = std::make_unique<GdiIcon>();
  copy->isIcon = icon->isIcon;
  copy->monochrome = icon->monochrome;
  copy->hasAlpha = icon->hasAlpha;
  copy->hotSpot = icon->hotSpot;
  copy->width = icon->width;
  copy->height = icon->height;
  copy->color = icon->color;
  copy->mask = icon->mask;
  copy->systemId = icon->systemId;
  return Register(copy.release());
}

BOOL DestroyIcon(HGDIICON h) {
  GdiIcon* icon = CheckIcon(h);
  if (!icon) return FALSE;
  if (icon->stock) return TRUE;  // shared system cursors stay
  delete GdiTakeIcon(h);
  return TRUE;
}

BOOL DrawIconEx(HDC h, int x, int y, HGDIICON hi, int cx, int cy, UINT step, HBRUSH flickerBrush, UINT flags) {
  (void)step;  // animated cursors are not kept; every icon has one frame
  DeviceContext* dc = GdiCheckDC(h);
  GdiIcon* icon = CheckIcon(hi);
  if (!dc || !icon || !(flags & DI_NORMAL) || cx < 0 || cy < 0) return FALSE;
  GdiBrush* brush = nullptr;
  if (flickerBrush && !(brush = GdiCheck(flickerBrush, OBJ_BRUSH))) return FALSE;
  if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? 32 : icon->width;
  if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? 32 : icon->height;
  const std::int64_t X0 = dc->SX(x), Y0 = dc->SY(y);
  if (brush) PaintRect(*dc, LogicalToSurface(*dc, RECT{x, y, GdiClampCoord(std::int64_t(x) + cx),
                                                       GdiClampCoord(std::int64_t(y) + cy)}),
                       BrushPaint(*dc, brush), R2_COPYPEN);
  const Region& clip = dc->EffectiveClip();
  const RECT box = clip.Box();
  const int c0 = int(std::clamp<std::int64_t>(box.Left - X0, 0, cx));
  const int c1 = int(std::clamp<std::int64_t>(box.Right - X0, 0, cx));
  const int r0 = int(std::clamp<std::int64_t>(box.Top - Y0, 0, cy));
  const int r1 = int(std::clamp<std::int64_t>(box.Bottom - Y0, 0, cy));
  if (c0 >= c1 || r0 >= r1) return TRUE;
  const NearestMap xmap(icon->width, cx, false, c0, c1), ymap(icon->height, cy, false, r0, r1);
  const bool useMask = flags & DI_MASK, useImage = flags & DI_IMAGE;
  const bool blend = useImage && icon->hasAlpha;
  std::vector<std::uint32_t> d(static_cast<size_t>(c1 - c0));
  for (int r = r0; r < r1; ++r) {
    const int sy = int(Y0) + r;
    const Region::Band* band = clip.BandAt(sy);
    if (!band) continue;
    const size_t rowStart = size_t(ymap[size_t(r)]) * size_t(icon->width);
    const std::uint32_t* src = &icon->color[rowStart];
    const Byte* msk = &icon->mask[rowStart];
    for (size_t bi = 0; bi + 1 < band->xs.size(); bi += 2) {
      const int a = int(std::max<std::int64_t>(X0 + c0, band->xs[bi]));
      const int b = int(std::min<std::int64_t>(X0 + c1, band->xs[bi + 1]));
      if (a >= b) continue;
      const int n = b - a, first = int(a - X0);
      ReadPixelRow(dc->surface, sy, a, n, d.data());
      for (int i = 0; i < n; ++i) {
        const int sx = xmap[size_t(first + i)];
        const std::uint32_t c = src[sx];
        std::uint32_t& o = d[size_t(i)];
        if (blend) {
          const std::uint32_t al = c >> 24, inv = 255 - al;
          std::uint32_t v = 0;
          for (int sh = 0; sh < 24; sh += 8)
            v |= ((((c >> sh) & 0xFF) * al + ((o >> sh) & 0xFF) * inv + 127) / 255) << sh;
          o = v;
        } else if (useMask && useImage) {
          o = ((msk[sx] ? o : 0u) ^ c) & 0xFFFFFF;
        } else if (useMask) {
          o = msk[sx] ? 0xFFFFFFu : 0u;
        } else {
          o = c & 0xFFFFFF;
        }
      }
      WritePixelRow(dc->surface, sy, a, n, d.data());
    }
  }
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HGDIICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_COMPAT | DI_DEFAULTSIZE);
}

// Logical palettes kept as data: every surface is true colour or carries its
// own colour table, so realising a palette changes nothing on screen.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (!lp || lp->palVersion != 0x300 || lp->palNumEntries == 0 || lp->palNumEntries > 256) return nullptr;
  auto* p = new GdiPalette;
  p->entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
  return GdiPublish<HPALETTE>(p);
}

HPALETTE SelectPalette(HDC h, HPALETTE pal, BOOL forceBackground) {
  (void)forceBackground;
  DeviceContext* dc = GdiCheckDC(h);
  GdiPalette* p = GdiCheck(pal, OBJ_PAL);
  if (!dc || !p) return nullptr;
  GdiPalette* old = dc->st.palette;
  HPALETTE oldHandle = GdiHandleOf<HPALETTE>(old);
  GdiAddRef(p);
  dc->st.palette = p;
  GdiRelease(old);
  return oldHandle;
}

UINT RealizePalette(HDC h) { return GdiCheckDC(h) ? 0 : UINT(GDI_ERROR); }

UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF c) {
  GdiPalette* p = GdiCheck(pal, OBJ_PAL);
  if (!p || p->entries.empty()) return CLR_INVALID;
  std::vector<RGBQUAD> q(p->entries.size());
  for (size_t i = 0; i < q.size(); ++i)
    q[i] = RGBQUAD{p->entries[i].peBlue, p->entries[i].peGreen, p->entries[i].peRed, 0};
  return UINT(NearestColorIndex(q.data(), int(q.size()), ColorToPixel(c & 0xFFFFFF)));
}

COLORREF GetNearestColor(HDC h, COLORREF c) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return CLR_INVALID;
  const Surface& s = dc->surface;
  COLORREF rc = dc->Resolve(c);
  if (s.bpp > 8 || !s.colors || s.colorCount == 0) return rc;
  return PixelToColor(QuadToPixel(s.colors[NearestColorIndex(s.colors, s.colorCount, ColorToPixel(rc))]));
}

UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* out) {
  GdiPalette* p = GdiCheck(pal, OBJ_PAL);
  if (!p) return 0;
  if (!out) return UINT(p->entries.size());
  if (start >= p->entries.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(p->entries.size()) - start);
  std::copy(p->entries.begin() + start, p->entries.begin() + start + n, out);
  return n;
}

UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* in) {
  GdiPalette* p = GdiCheck(pal, OBJ_PAL);
  if (!p || !in || p->stock || start >= p->entries.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(p->entries.size()) - start);
  std::copy(in, in + n, p->entries.begin() + start);
  return n;
}

UINT GetSystemPaletteEntries(HDC h, UINT start, UINT count, PALETTEENTRY* out) {
  if (!GdiCheckDC(h)) return 0;
  static const std::vector<PALETTEENTRY> sys = SystemPaletteEntries();
  if (!out) return UINT(sys.size());
  if (start >= sys.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(sys.size()) - start);
  std::copy(sys.begin() + start, sys.begin() + start + n, out);
  return n;
}

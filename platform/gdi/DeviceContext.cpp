// Device contexts: creation, state, selection, saving and clipping, plus the
// two primitives the text engine draws with.
#include "platform/gdi/DeviceContext.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

namespace {

void RefState(const DcState& s) {
  GdiAddRef(s.pen);
  GdiAddRef(s.brush);
  GdiAddRef(s.font);
  GdiAddRef(s.bitmap);
  GdiAddRef(s.palette);
}
void ReleaseState(const DcState& s) {
  GdiRelease(s.pen);
  GdiRelease(s.brush);
  GdiRelease(s.font);
  GdiRelease(s.bitmap);
  GdiRelease(s.palette);
}

DcState DefaultState() {
  DcState s;
  s.pen = static_cast<GdiPen*>(GdiStock(BLACK_PEN));
  s.brush = static_cast<GdiBrush*>(GdiStock(WHITE_BRUSH));
  s.font = static_cast<GdiFont*>(GdiStock(SYSTEM_FONT));
  s.palette = static_cast<GdiPalette*>(GdiStock(DEFAULT_PALETTE));
  return s;
}

// Whole device in device coordinates: what "no clip region" stands for.
RECT DeviceBounds(const DeviceContext& dc) {
  RECT r{0, 0, dc.surface.width, dc.surface.height};
  r.Left -= dc.origin.X;
  r.Right -= dc.origin.X;
  r.Top -= dc.origin.Y;
  r.Bottom -= dc.origin.Y;
  return r;
}

// Whether any state of the DC, current or saved, still holds the bitmap.
bool Holds(const DeviceContext& dc, const GdiBitmap* bm) {
  if (dc.st.bitmap == bm) return true;
  for (const DcState& s : dc.saved)
    if (s.bitmap == bm) return true;
  return false;
}

void AttachBitmap(DeviceContext& dc, GdiBitmap* bm) {
  dc.st.bitmap = bm;
  if (!bm->stock) bm->selectedInto = &dc;
  dc.surface = bm->surface;
  dc.InvalidateClip();
}

int ClipResult(DeviceContext& dc) { return dc.EffectiveClip().Complexity(); }

}  // namespace

const Region& DeviceContext::EffectiveClip() {
  if (!clipDirty) return effClip;
  effClip.SetRect(RECT{0, 0, surface.width, surface.height});
  if (visRgn) effClip = Region::Combine(effClip, *visRgn, Region::Op::And);
  if (st.clip) {
    Region c = *st.clip;
    c.Offset(origin.X, origin.Y);
    effClip = Region::Combine(effClip, c, Region::Op::And);
  }
  clipDirty = false;
  return effClip;
}

COLORREF DeviceContext::Resolve(COLORREF c) const {
  if ((c >> 24) == 0x01) {
    // PALETTEINDEX: an entry of the selected palette.
    unsigned i = c & 0xFFFF;
    if (st.palette && i < st.palette->entries.size()) {
      const PALETTEENTRY& e = st.palette->entries[i];
      return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return 0;
  }
  return c & 0xFFFFFF;
}

RECT LogicalToSurface(const DeviceContext& dc, const RECT& r) {
  RECT s{dc.SX(r.Left), dc.SY(r.Top), dc.SX(r.Right), dc.SY(r.Bottom)};
  if (s.Left > s.Right) std::swap(s.Left, s.Right);
  if (s.Top > s.Bottom) std::swap(s.Top, s.Bottom);
  return s;
}

bool IsMonoBitmapDC(const DeviceContext& dc) { return dc.st.bitmap && dc.st.bitmap->monochrome; }

// ---- Creation -----------------------------------------------------------------
HDC CreateCompatibleDC(HDC dc) {
  if (dc && !GdiCheckDC(dc)) return nullptr;
  auto* d = new DeviceContext;
  d->kind = OBJ_MEMDC;
  d->st = DefaultState();
  GdiBitmap* bm = GdiStockBitmap();
  d->st.bitmap = bm;
  d->surface = bm->surface;
  HDC handle = GdiEnterDC(d);
  if (handle) RefState(d->st);
  return handle;
}

HDC CreateSurfaceDC(const Surface& surface, POINT origin, const Region* visible) {
  if (!surface.Valid() || surface.bpp != 32) return nullptr;
  auto* d = new DeviceContext;
  d->kind = OBJ_DC;
  d->surface = surface;
  d->origin = origin;
  if (visible) d->visRgn = *visible;
  d->st = DefaultState();
  HDC handle = GdiEnterDC(d);
  if (handle) RefState(d->st);
  return handle;
}

void SetSurfaceDCOrigin(HDC h, POINT origin, const Region* visible) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || dc->kind != OBJ_DC) return;
  dc->origin = origin;
  if (visible)
    dc->visRgn = *visible;
  else
    dc->visRgn.reset();
  dc->InvalidateClip();
}

BOOL DeleteDC(HDC h) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  GdiLeaveDC(dc);
  if (dc->st.bitmap && dc->st.bitmap->selectedInto == dc) dc->st.bitmap->selectedInto = nullptr;
  for (const DcState& s : dc->saved) {
    if (s.bitmap && s.bitmap->selectedInto == dc) s.bitmap->selectedInto = nullptr;
    ReleaseState(s);
  }
  ReleaseState(dc->st);
  delete dc;
  return TRUE;
}

// ---- Saving -------------------------------------------------------------------
int SaveDC(HDC h) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return 0;
  RefState(dc->st);
  dc->saved.push_back(dc->st);
  return int(dc->saved.size());
}

BOOL RestoreDC(HDC h, int level) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  int n = int(dc->saved.size());
  int target = level < 0 ? n + level + 1 : level;  // -1: the last save
  if (target < 1 || target > n) return FALSE;
  while (int(dc->saved.size()) > target) {
    ReleaseState(dc->saved.back());
    dc->saved.pop_back();
  }
  DcState s = std::move(dc->saved.back());
  dc->saved.pop_back();
  GdiBitmap* oldBm = dc->st.bitmap;
  ReleaseState(dc->st);
  dc->st = std::move(s);  // keeps the references taken by SaveDC
  if (dc->st.bitmap) AttachBitmap(*dc, dc->st.bitmap);
  if (oldBm && oldBm != dc->st.bitmap && !Holds(*dc, oldBm) && oldBm->selectedInto == dc)
    oldBm->selectedInto = nullptr;
  dc->InvalidateClip();
  return TRUE;
}

// ---- Origins --------------------------------------------------------------------
namespace {
BOOL SetOrg(HDC h, POINT DcState::*field, int x, int y, POINT* old, bool offset) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  POINT& p = dc->st.*field;
  if (old) *old = p;
  p = offset ? POINT{GdiClampCoord(std::int64_t(p.X) + x), GdiClampCoord(std::int64_t(p.Y) + y)}
             : POINT{GdiClampCoord(x), GdiClampCoord(y)};
  return TRUE;
}
BOOL GetOrg(HDC h, POINT DcState::*field, POINT* out) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !out) return FALSE;
  *out = dc->st.*field;
  return TRUE;
}
}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) { return SetOrg(dc, &DcState::viewportOrg, x, y, old, false); }
BOOL OffsetViewportOrgEx(HDC dc, int x, int y, POINT* old) { return SetOrg(dc, &DcState::viewportOrg, x, y, old, true); }
BOOL GetViewportOrgEx(HDC dc, POINT* p) { return GetOrg(dc, &DcState::viewportOrg, p); }
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) { return SetOrg(dc, &DcState::windowOrg, x, y, old, false); }
BOOL OffsetWindowOrgEx(HDC dc, int x, int y, POINT* old) { return SetOrg(dc, &DcState::windowOrg, x, y, old, true); }
BOOL GetWindowOrgEx(HDC dc, POINT* p) { return GetOrg(dc, &DcState::windowOrg, p); }
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) { return SetOrg(dc, &DcState::brushOrg, x, y, old, false); }
BOOL GetBrushOrgEx(HDC dc, POINT* p) { return GetOrg(dc, &DcState::brushOrg, p); }

BOOL LPtoDP(HDC h, POINT* pts, int count) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || (!pts && count > 0) || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) pts[i] = dc->LPtoDP(pts[i]);
  return TRUE;
}

BOOL DPtoLP(HDC h, POINT* pts, int count) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || (!pts && count > 0) || count < 0) return FALSE;
  for (int i = 0; i < count; ++i)
    pts[i] = POINT{GdiClampCoord(std::int64_t(pts[i].X) + dc->st.windowOrg.X - dc->st.viewportOrg.X),
                   GdiClampCoord(std::int64_t(pts[i].Y) + dc->st.windowOrg.Y - dc->st.viewportOrg.Y)};
  return TRUE;
}

int GetDeviceCaps(HDC h, int index) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return 0;
  switch (index) {
    case HORZRES: return dc->surface.width;
    case VERTRES: return dc->surface.height;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return 0;
    case RASTERCAPS: return 0x0001 | 0x0008 | 0x0800 | 0x0200;  // bitblt, bitmap64, stretchblt, dibtodev
    default: return 0;
  }
}

// ---- Selection --------------------------------------------------------------------
HGDIOBJ SelectObject(HDC h, HGDIOBJ obj) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiObject* o = GdiCheckObject(obj);
  if (!dc || !o) return nullptr;
  GdiObject* old = nullptr;
  switch (o->type) {
    case OBJ_PEN: old = dc->st.pen; dc->st.pen = static_cast<GdiPen*>(o); break;
    case OBJ_BRUSH: old = dc->st.brush; dc->st.brush = static_cast<GdiBrush*>(o); break;
    case OBJ_FONT: old = dc->st.font; dc->st.font = static_cast<GdiFont*>(o); break;
    case OBJ_BITMAP: {
      auto* bm = static_cast<GdiBitmap*>(o);
      // Only memory DCs hold bitmaps, and a bitmap sits in one DC at a time.
      if (dc->kind != OBJ_MEMDC) return nullptr;
      if (!bm->stock && bm->selectedInto && bm->selectedInto != dc) return nullptr;
      GdiBitmap* oldBm = dc->st.bitmap;
      GdiAddRef(bm);
      AttachBitmap(*dc, bm);
      // The stock bitmap sits in every fresh DC on every thread: never written.
      if (oldBm && oldBm != bm && !oldBm->stock && !Holds(*dc, oldBm)) oldBm->selectedInto = nullptr;
      HGDIOBJ oldHandle = GdiHandleOf<HGDIOBJ>(oldBm);
      GdiRelease(oldBm);
      return oldHandle;
    }
    case OBJ_REGION: {
      int r = SelectClipRgn(h, static_cast<HRGN>(obj));
      if (r == ERROR) return HGDI_ERROR;
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(r));
    }
    default: return nullptr;
  }
  HGDIOBJ oldHandle = GdiHandleOf<HGDIOBJ>(old);
  GdiAddRef(o);
  GdiRelease(old);
  return oldHandle;
}

HGDIOBJ GetCurrentObject(HDC h, UINT type) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return GdiHandleOf<HGDIOBJ>(dc->st.pen);
    case OBJ_BRUSH: return GdiHandleOf<HGDIOBJ>(dc->st.brush);
    case OBJ_FONT: return GdiHandleOf<HGDIOBJ>(dc->st.font);
    case OBJ_BITMAP: return GdiHandleOf<HGDIOBJ>(dc->st.bitmap);
    case OBJ_PAL: return GdiHandleOf<HGDIOBJ>(dc->st.palette);
    default: return nullptr;
  }
}

// ---- Attributes -----------------------------------------------------------------
namespace {
template <class T> T SetAttr(HDC h, T DcState::*field, T v, T fail) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return fail;
  T old = dc->st.*field;
  dc->st.*field = v;
  return old;
}
template <class T> T GetAttr(HDC h, T DcState::*field, T fail) {
  DeviceContext* dc = GdiCheckDC(h);
  return dc ? dc->st.*field : fail;
}
}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF c) { return SetAttr(dc, &DcState::textColor, c, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return GetAttr(dc, &DcState::textColor, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF c) { return SetAttr(dc, &DcState::bkColor, c, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return GetAttr(dc, &DcState::bkColor, CLR_INVALID); }
int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return SetAttr(dc, &DcState::bkMode, mode, 0);
}
int GetBkMode(HDC dc) { return GetAttr(dc, &DcState::bkMode, 0); }
int SetROP2(HDC dc, int rop2) {
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return SetAttr(dc, &DcState::rop2, rop2, 0);
}
int GetROP2(HDC dc) { return GetAttr(dc, &DcState::rop2, 0); }
int SetStretchBltMode(HDC dc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return SetAttr(dc, &DcState::stretchMode, mode, 0);
}
int GetStretchBltMode(HDC dc) { return GetAttr(dc, &DcState::stretchMode, 0); }
int SetPolyFillMode(HDC dc, int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return SetAttr(dc, &DcState::polyFillMode, mode, 0);
}
int GetPolyFillMode(HDC dc) { return GetAttr(dc, &DcState::polyFillMode, 0); }
int SetArcDirection(HDC dc, int dir) {
  if (dir != AD_COUNTERCLOCKWISE && dir != AD_CLOCKWISE) return 0;
  return SetAttr(dc, &DcState::arcDirection, dir, 0);
}
int GetArcDirection(HDC dc) { return GetAttr(dc, &DcState::arcDirection, 0); }
UINT SetTextAlign(HDC dc, UINT a) { return SetAttr(dc, &DcState::textAlign, a, UINT(GDI_ERROR)); }
UINT GetTextAlign(HDC dc) { return GetAttr(dc, &DcState::textAlign, UINT(GDI_ERROR)); }
int SetTextCharacterExtra(HDC dc, int e) { return SetAttr(dc, &DcState::charExtra, e, int(0x80000000)); }
int GetTextCharacterExtra(HDC dc) { return GetAttr(dc, &DcState::charExtra, int(0x80000000)); }

// ---- Clipping -------------------------------------------------------------------
int ExtSelectClipRgn(HDC h, HRGN hr, int mode) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  GdiRegion* r = hr ? GdiCheck(hr, OBJ_REGION) : nullptr;
  if (hr && !r) return ERROR;
  if (!r) {
    if (mode != RGN_COPY) return ERROR;
    dc->st.clip.reset();
  } else if (mode == RGN_COPY) {
    dc->st.clip = r->rgn;
  } else {
    Region cur = dc->st.clip ? *dc->st.clip : Region(DeviceBounds(*dc));
    static const Region::Op ops[] = {Region::Op::And, Region::Op::Or, Region::Op::Xor, Region::Op::Diff};
    dc->st.clip = Region::Combine(cur, r->rgn, ops[mode - RGN_AND]);
  }
  dc->InvalidateClip();
  return ClipResult(*dc);
}

int SelectClipRgn(HDC dc, HRGN r) { return ExtSelectClipRgn(dc, r, RGN_COPY); }

int IntersectClipRect(HDC h, int l, int t, int r, int b) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return ERROR;
  POINT a = dc->LPtoDP({l, t}), c = dc->LPtoDP({r, b});
  RECT rc{std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)};
  Region cur = dc->st.clip ? *dc->st.clip : Region(DeviceBounds(*dc));
  dc->st.clip = Region::Combine(cur, Region(rc), Region::Op::And);
  dc->InvalidateClip();
  return ClipResult(*dc);
}

int ExcludeClipRect(HDC h, int l, int t, int r, int b) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return ERROR;
  POINT a = dc->LPtoDP({l, t}), c = dc->LPtoDP({r, b});
  RECT rc{std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)};
  Region cur = dc->st.clip ? *dc->st.clip : Region(DeviceBounds(*dc));
  dc->st.clip = Region::Combine(cur, Region(rc), Region::Op::Diff);
  dc->InvalidateClip();
  return ClipResult(*dc);
}

int OffsetClipRgn(HDC h, int dx, int dy) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return ERROR;
  if (dc->st.clip) dc->st.clip->Offset(dx, dy);
  dc->InvalidateClip();
  return ClipResult(*dc);
}

int GetClipBox(HDC h, RECT* out) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !out) return ERROR;
  const Region& clip = dc->EffectiveClip();
  if (clip.IsEmpty()) {
    *out = RECT{};
    return NULLREGION;
  }
  RECT b = clip.Box();
  int dx = -dc->origin.X - dc->st.viewportOrg.X + dc->st.windowOrg.X;
  int dy = -dc->origin.Y - dc->st.viewportOrg.Y + dc->st.windowOrg.Y;
  *out = RECT{b.Left + dx, b.Top + dy, b.Right + dx, b.Bottom + dy};
  return clip.Complexity();
}

int GetClipRgn(HDC h, HRGN hr) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiRegion* r = GdiCheck(hr, OBJ_REGION);
  if (!dc || !r) return -1;
  if (!dc->st.clip) return 0;
  r->rgn = *dc->st.clip;
  return 1;
}

BOOL PtVisible(HDC h, int x, int y) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return FALSE;
  return dc->EffectiveClip().Contains(dc->SX(x), dc->SY(y));
}

BOOL RectVisible(HDC h, const RECT* r) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !r) return FALSE;
  return dc->EffectiveClip().Intersects(LogicalToSurface(*dc, *r));
}

// ---- Text-engine primitives ---------------------------------------------------
void GdiFillSolidRect(HDC h, const RECT& r, COLORREF c) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return;
  PaintRect(*dc, LogicalToSurface(*dc, r), SolidPaint(ColorToPixel(dc->Resolve(c))), R2_COPYPEN);
}

void GdiBlendMask(HDC h, int x, int y, const std::uint8_t* mask, int maskStride, int w, int hgt, COLORREF c,
                  bool coverage) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !mask || w <= 0 || hgt <= 0 || maskStride < w) return;
  const std::uint32_t col = ColorToPixel(dc->Resolve(c));
  const std::uint32_t cr = (col >> 16) & 0xFF, cg = (col >> 8) & 0xFF, cb = col & 0xFF;
  const int sx = dc->SX(x), sy = dc->SY(y);
  const Region& clip = dc->EffectiveClip();
  std::vector<std::uint32_t> buf(static_cast<size_t>(w));
  for (int row = 0; row < hgt; ++row) {
    const Region::Band* band = clip.BandAt(sy + row);
    if (!band) continue;
    const std::uint8_t* m = mask + std::ptrdiff_t(row) * maskStride;
    for (size_t i = 0; i + 1 < band->xs.size(); i += 2) {
      int a = std::max(sx, band->xs[i]), b = std::min(sx + w, band->xs[i + 1]);
      if (a >= b) continue;
      int n = b - a;
      const std::uint8_t* mm = m + (a - sx);
      ReadPixelRow(dc->surface, sy + row, a, n, buf.data());
      for (int k = 0; k < n; ++k) {
        unsigned al = mm[k];
        if (!al) continue;
        if (!coverage || al == 255) {
          buf[size_t(k)] = col;
          continue;
        }
        std::uint32_t d = buf[size_t(k)];
        unsigned inv = 255 - al;
        unsigned r = (cr * al + ((d >> 16) & 0xFF) * inv + 127) / 255;
        unsigned g = (cg * al + ((d >> 8) & 0xFF) * inv + 127) / 255;
        unsigned bl = (cb * al + (d & 0xFF) * inv + 127) / 255;
        buf[size_t(k)] = (r << 16) | (g << 8) | bl;
      }
      WritePixelRow(dc->surface, sy + row, a, n, buf.data());
    }
  }
}

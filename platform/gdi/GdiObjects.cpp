// Object lifetime: the live-handle registry, stock objects, pens, brushes,
// fonts and the generic object calls.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/rtl/HandleTable.h"
#include "platform/rtl/LastError.h"

namespace {

// Guards reference counts and deferred deletes; the tables lock themselves.
std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

// One table per kind of handle, so a pen's handle is never taken for a
// brush's. Kinds 1, 4 and 5 belong to kernel objects, icons and menus.
constexpr unsigned kGdiDcKind = 2;
constexpr unsigned kGdiPenKind = 3;
constexpr unsigned kGdiBrushKind = 6;
constexpr unsigned kGdiFontKind = 7;
constexpr unsigned kGdiBitmapKind = 8;
constexpr unsigned kGdiRegionKind = 9;
constexpr unsigned kGdiPaletteKind = 10;
constexpr unsigned kGdiExtPenKind = 11;
constexpr unsigned kGdiKindShift = 28;

struct GdiTables {
  THandleTable* byKind[16] = {};
  GdiTables() {
    for (unsigned k : {kGdiDcKind, kGdiPenKind, kGdiBrushKind, kGdiFontKind, kGdiBitmapKind, kGdiRegionKind,
                       kGdiPaletteKind, kGdiExtPenKind})
      byKind[k] = new THandleTable(k);
  }
};

// Never freed: handles may be checked from static destructors.
THandleTable* GdiTableOfKind(unsigned kind) {
  static GdiTables* tables = new GdiTables;
  return kind < 16 ? tables->byKind[kind] : nullptr;
}

unsigned GdiKindOf(const GdiObject* obj) {
  switch (obj->type) {
    case OBJ_PEN: return static_cast<const GdiPen*>(obj)->extended ? kGdiExtPenKind : kGdiPenKind;
    case OBJ_BRUSH: return kGdiBrushKind;
    case OBJ_FONT: return kGdiFontKind;
    case OBJ_BITMAP: return kGdiBitmapKind;
    case OBJ_REGION: return kGdiRegionKind;
    case OBJ_PAL: return kGdiPaletteKind;
    default: return 0;
  }
}

unsigned GdiHandleKind(const void* h) { return unsigned(reinterpret_cast<std::uintptr_t>(h) >> kGdiKindShift); }

template <class T> T* MakeStock(T* obj) {
  obj->stock = true;
  GdiEnter(obj);
  return obj;
}

GdiBrush* StockBrush(COLORREF c) {
  auto* b = new GdiBrush;
  b->color = c;
  return MakeStock(b);
}
GdiPen* StockPen(int style, COLORREF c) {
  auto* p = new GdiPen;
  p->style = UINT(style);
  p->color = c;
  return MakeStock(p);
}
GdiFont* StockFont(const char* face, int height, int weight, Byte pitch) {
  auto* f = new GdiFont;
  f->lf.lfHeight = height;
  f->lf.lfWeight = weight;
  f->lf.lfCharSet = DEFAULT_CHARSET;
  f->lf.lfPitchAndFamily = pitch;
  std::strncpy(f->lf.lfFaceName, face, LF_FACEBYTES - 1);
  return MakeStock(f);
}

struct StockTable {
  GdiObject* objs[20] = {};
  GdiBitmap* monoBitmap = nullptr;
  StockTable() {
    objs[WHITE_BRUSH] = StockBrush(RGB(255, 255, 255));
    objs[LTGRAY_BRUSH] = StockBrush(RGB(192, 192, 192));
    objs[GRAY_BRUSH] = StockBrush(RGB(128, 128, 128));
    objs[DKGRAY_BRUSH] = StockBrush(RGB(64, 64, 64));
    objs[BLACK_BRUSH] = StockBrush(RGB(0, 0, 0));
    auto* nb = new GdiBrush;
    nb->style = BS_NULL;
    objs[NULL_BRUSH] = MakeStock(nb);
    objs[WHITE_PEN] = StockPen(PS_SOLID, RGB(255, 255, 255));
    objs[BLACK_PEN] = StockPen(PS_SOLID, RGB(0, 0, 0));
    objs[NULL_PEN] = StockPen(PS_NULL, 0);
    objs[OEM_FIXED_FONT] = StockFont("Terminal", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    objs[ANSI_FIXED_FONT] = StockFont("Courier New", 13, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    objs[ANSI_VAR_FONT] = StockFont("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    objs[SYSTEM_FONT] = StockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
    objs[DEVICE_DEFAULT_FONT] = StockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
    objs[SYSTEM_FIXED_FONT] = StockFont("Courier New", 16, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    objs[DEFAULT_GUI_FONT] = StockFont("Tahoma", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    auto* pal = new GdiPalette;
    pal->entries = SystemPaletteEntries();
    pal->entries.erase(pal->entries.begin() + 10, pal->entries.end() - 10);
    objs[DEFAULT_PALETTE] = MakeStock(pal);
    objs[DC_BRUSH] = StockBrush(RGB(255, 255, 255));
    objs[DC_PEN] = StockPen(PS_SOLID, RGB(0, 0, 0));
    // A memory DC starts with a 1x1 monochrome bitmap, so bitmaps made
    // compatible with a fresh memory DC are monochrome, as in GDI.
    auto* bm = new GdiBitmap;
    bm->colorTable = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    bm->storage.reset(AllocatePixels(4));
    bm->surface = Surface{bm->storage.get(), 4, 1, 1, 1, bm->colorTable.data(), 2};
    bm->monochrome = true;
    monoBitmap = MakeStock(bm);
  }
};

StockTable& Stock() {
  static StockTable t;
  return t;
}

void Destroy(GdiObject* obj) {
  if (THandleTable* t = GdiTableOfKind(GdiKindOf(obj))) t->Remove(obj->gdiHandle);
  delete obj;
}

COLORREF DefaultSysColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(200, 200, 200);
    case COLOR_BACKGROUND: return RGB(0, 0, 0);
    case COLOR_ACTIVECAPTION: return RGB(153, 180, 209);
    case COLOR_INACTIVECAPTION: return RGB(191, 205, 219);
    case COLOR_MENU: return RGB(240, 240, 240);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(100, 100, 100);
    case COLOR_MENUTEXT: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(0, 0, 0);
    case COLOR_ACTIVEBORDER: return RGB(180, 180, 180);
    case COLOR_INACTIVEBORDER: return RGB(244, 247, 252);
    case COLOR_APPWORKSPACE: return RGB(171, 171, 171);
    case COLOR_HIGHLIGHT: return RGB(51, 153, 255);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT: return RGB(67, 78, 84);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    case COLOR_INFOTEXT: return RGB(0, 0, 0);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    default: return RGB(0, 0, 0);
  }
}
GdiSysColorFn g_sysColor = nullptr;

}  // namespace

// ---- Handle tables ----------------------------------------------------------
std::uintptr_t GdiEnter(GdiObject* obj) {
  THandleTable* t = obj ? GdiTableOfKind(GdiKindOf(obj)) : nullptr;
  std::uintptr_t h = t ? t->Add(obj) : 0;
  if (!h) {
    // Out of handles: the call that made the object fails cleanly.
    delete obj;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  obj->gdiHandle = h;
  return h;
}

GdiObject* GdiCheckObject(const void* h) {
  if (!h) return nullptr;
  unsigned kind = GdiHandleKind(h);
  THandleTable* t = kind == kGdiDcKind ? nullptr : GdiTableOfKind(kind);
  auto* o = t ? static_cast<GdiObject*>(t->Find(reinterpret_cast<std::uintptr_t>(h))) : nullptr;
  if (!o) SetLastError(ERROR_INVALID_HANDLE);
  return o;
}

HDC GdiEnterDC(DeviceContext* dc) {
  std::uintptr_t h = GdiTableOfKind(kGdiDcKind)->Add(dc);
  if (!h) {
    delete dc;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  dc->handle = reinterpret_cast<HDC>(h);
  return dc->handle;
}

void GdiLeaveDC(DeviceContext* dc) {
  GdiTableOfKind(kGdiDcKind)->Remove(reinterpret_cast<std::uintptr_t>(dc->handle));
}

DeviceContext* GdiCheckDC(HDC dc) {
  if (!dc) return nullptr;
  auto* d = static_cast<DeviceContext*>(GdiTableOfKind(kGdiDcKind)->Find(reinterpret_cast<std::uintptr_t>(dc)));
  if (!d) SetLastError(ERROR_INVALID_HANDLE);
  return d;
}

std::size_t GdiHandleCount(DWORD objType) {
  unsigned kind = 0;
  switch (objType) {
    case OBJ_DC:
    case OBJ_MEMDC: kind = kGdiDcKind; break;
    case OBJ_PEN: kind = kGdiPenKind; break;
    case OBJ_EXTPEN: kind = kGdiExtPenKind; break;
    case OBJ_BRUSH: kind = kGdiBrushKind; break;
    case OBJ_FONT: kind = kGdiFontKind; break;
    case OBJ_BITMAP: kind = kGdiBitmapKind; break;
    case OBJ_REGION: kind = kGdiRegionKind; break;
    case OBJ_PAL: kind = kGdiPaletteKind; break;
    default: return 0;
  }
  return GdiTableOfKind(kind)->Count();
}

void GdiAddRef(GdiObject* obj) {
  if (!obj) return;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  ++obj->selectCount;
}

void GdiRelease(GdiObject* obj) {
  if (!obj) return;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  if (obj->selectCount > 0) --obj->selectCount;
  if (obj->selectCount == 0 && obj->deletePending && !obj->stock) Destroy(obj);
}

GdiObject* GdiStock(int index) {
  if (index < 0 || index >= 20) return nullptr;
  return Stock().objs[index];
}
GdiBitmap* GdiStockBitmap() { return Stock().monoBitmap; }

HGDIOBJ GetStockObject(int index) { return GdiHandleOf<HGDIOBJ>(GdiStock(index)); }

BOOL DeleteObject(HGDIOBJ obj) {
  // Looked up under the lock, so of two threads deleting one handle only
  // one frees the object.
  std::lock_guard<std::mutex> lock(RegistryMutex());
  GdiObject* o = GdiCheckObject(obj);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  if (o->selectCount > 0) {
    // A bitmap selected into a DC cannot go; pens, brushes, fonts and
    // palettes are freed once the last DC lets go of them.
    if (o->type == OBJ_BITMAP) return FALSE;
    o->deletePending = true;
    return TRUE;
  }
  Destroy(o);
  return TRUE;
}

DWORD GetObjectType(const void* h) {
  if (GdiHandleKind(h) == kGdiDcKind) {
    DeviceContext* dc = GdiCheckDC(static_cast<HDC>(const_cast<void*>(h)));
    return dc ? dc->kind : 0;
  }
  GdiObject* o = GdiCheckObject(h);
  if (!o) return 0;
  if (o->type == OBJ_PEN && static_cast<GdiPen*>(o)->extended) return OBJ_EXTPEN;
  return o->type;
}

namespace {
int CopyOut(const void* src, int n, int size, void* out) {
  if (!out) return n;
  int c = std::min(n, size);
  if (c <= 0) return 0;
  std::memcpy(out, src, size_t(c));
  return c;
}
}  // namespace

int GetObject(HGDIOBJ h, int size, void* out) {
  GdiObject* o = GdiCheckObject(h);
  if (!o || size < 0) return 0;
  switch (o->type) {
    case OBJ_PEN: {
      auto* p = static_cast<GdiPen*>(o);
      LOGPEN lp;
      lp.lopnStyle = p->style & PS_STYLE_MASK;
      lp.lopnWidth = POINT{p->width, 0};
      lp.lopnColor = p->color;
      return CopyOut(&lp, int(sizeof lp), size, out);
    }
    case OBJ_BRUSH: {
      auto* b = static_cast<GdiBrush*>(o);
      LOGBRUSH lb;
      lb.lbStyle = b->style;
      lb.lbColor = b->color;
      lb.lbHatch = uintptr_t(b->hatch);
      return CopyOut(&lb, int(sizeof lb), size, out);
    }
    case OBJ_FONT: return CopyOut(&static_cast<GdiFont*>(o)->lf, int(sizeof(LOGFONT)), size, out);
    case OBJ_PAL: {
      Word n = Word(static_cast<GdiPalette*>(o)->entries.size());
      return CopyOut(&n, int(sizeof n), size, out);
    }
    case OBJ_BITMAP: {
      auto* bm = static_cast<GdiBitmap*>(o);
      DIBSECTION ds;
      ds.dsBm.bmType = 0;
      ds.dsBm.bmWidth = bm->surface.width;
      ds.dsBm.bmHeight = bm->surface.height;
      ds.dsBm.bmWidthBytes = LongInt(bm->dibSection ? DibStride(bm->surface.width, bm->surface.bpp)
                                                    : ((bm->surface.width * bm->surface.bpp + 15) / 16) * 2);
      ds.dsBm.bmPlanes = 1;
      ds.dsBm.bmBitsPixel = Word(bm->surface.bpp);
      ds.dsBm.bmBits = bm->dibSection ? bm->storage.get() : nullptr;
      if (bm->dibSection && out && size >= int(sizeof(DIBSECTION))) {
        ds.dsBmih = bm->header;
        ds.dsBitfields[0] = bm->surface.redMask;
        ds.dsBitfields[1] = bm->surface.greenMask;
        ds.dsBitfields[2] = bm->surface.blueMask;
        return CopyOut(&ds, int(sizeof ds), size, out);
      }
      if (!out && bm->dibSection) return int(sizeof(DIBSECTION));
      return CopyOut(&ds.dsBm, int(sizeof(BITMAP)), size, out);
    }
    default: return 0;
  }
}

// ---- Pens -------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color) {
  if ((style & PS_STYLE_MASK) > PS_ALTERNATE) return nullptr;
  auto* p = new GdiPen;
  p->style = UINT(style);
  // Wider than any surface is as wide as it needs to be.
  p->width = std::clamp(width, 1, 1 << 16);
  // Styled cosmetic pens wider than one pixel draw solid.
  int dash = style & PS_STYLE_MASK;
  if (width > 1 && dash >= PS_DASH && dash <= PS_DASHDOTDOT) p->style = PS_SOLID;
  p->color = color;
  return GdiPublish<HPEN>(p);
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(int(lp->lopnStyle), lp->lopnWidth.X, lp->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* lb, DWORD styleCount, const DWORD* styles) {
  if (!lb) return nullptr;
  int dash = int(style & PS_STYLE_MASK);
  if (dash > PS_ALTERNATE || width > 0x7FFF) return nullptr;
  if (dash == PS_USERSTYLE && (styleCount == 0 || styleCount > 16 || !styles)) return nullptr;
  auto* p = new GdiPen;
  p->extended = true;
  p->style = style;
  p->width = std::max(int(width), 1);
  p->color = lb->lbStyle == BS_NULL ? 0 : lb->lbColor;
  if (lb->lbStyle == BS_NULL) p->style = (style & ~UINT(PS_STYLE_MASK)) | PS_NULL;
  if (dash == PS_USERSTYLE) p->userStyle.assign(styles, styles + styleCount);
  return GdiPublish<HPEN>(p);
}

// ---- Brushes --------------------------------------------------------------
HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new GdiBrush;
  b->color = color;
  return GdiPublish<HBRUSH>(b);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto* b = new GdiBrush;
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color;
  return GdiPublish<HBRUSH>(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  GdiBitmap* bm = GdiCheck(bitmap, OBJ_BITMAP);
  if (!bm || !bm->surface.Valid()) return nullptr;
  const Surface& s = bm->surface;
  // Patterns larger than this tile nothing useful; keep the copy small.
  if (s.width > 4096 || s.height > 4096) return nullptr;
  auto* b = new GdiBrush;
  b->style = BS_PATTERN;
  b->patW = s.width;
  b->patH = s.height;
  b->patternMono = bm->monochrome;
  b->pattern.resize(size_t(s.width) * size_t(s.height));
  for (int y = 0; y < s.height; ++y) ReadPixelRow(s, y, 0, s.width, &b->pattern[size_t(y) * size_t(s.width)]);
  if (b->patternMono) {
    b->patternBits.resize(b->pattern.size());
    for (size_t i = 0; i < b->pattern.size(); ++i) b->patternBits[i] = (b->pattern[i] & 0xFFFFFF) ? 1 : 0;
  }
  return GdiPublish<HBRUSH>(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: {
      auto* b = new GdiBrush;
      b->style = BS_NULL;
      return GdiPublish<HBRUSH>(b);
    }
    case BS_HATCHED: return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
    case BS_PATTERN8X8: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default: return nullptr;
  }
}

// ---- Fonts ------------------------------------------------------------------
HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto* f = new GdiFont;
  f->lf = *lf;
  f->lf.lfFaceName[LF_FACEBYTES - 1] = 0;
  return GdiPublish<HFONT>(f);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const char* faceName) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = Byte(italic != 0);
  lf.lfUnderline = Byte(underline != 0);
  lf.lfStrikeOut = Byte(strikeOut != 0);
  lf.lfCharSet = Byte(charSet);
  lf.lfOutPrecision = Byte(outPrecision);
  lf.lfClipPrecision = Byte(clipPrecision);
  lf.lfQuality = Byte(quality);
  lf.lfPitchAndFamily = Byte(pitchAndFamily);
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACEBYTES - 1);
  return CreateFontIndirect(&lf);
}

// ---- System colours -----------------------------------------------------------
void SetGdiSysColorSource(GdiSysColorFn fn) { g_sysColor = fn; }
COLORREF GdiSysColor(int index) { return g_sysColor ? g_sysColor(index) : DefaultSysColor(index); }

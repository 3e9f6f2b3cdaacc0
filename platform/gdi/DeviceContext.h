// Internal model of device contexts and GDI objects, shared by the drawing
// modules, the text engine and the window layer. Applications use Gdi.h.
//
// Coordinates: logical (what callers pass) -> device (DC) by
//   device = logical - windowOrg + viewportOrg,
// and device -> surface by adding the DC's origin (non-zero for a window DC
// over part of a shared top-level surface). Clip regions are kept in device
// coordinates as GDI reports them; drawing uses the effective clip in
// surface coordinates (surface bounds, visible region, clip region).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Region.h"

// A block of pixels in one of the DIB formats. Row y (0 = top) starts at
// top + y * pitch; pitch is negative for bottom-up storage.
struct Surface {
  Byte* top = nullptr;
  std::ptrdiff_t pitch = 0;
  int width = 0;
  int height = 0;
  int bpp = 32;  // 1, 4, 8, 16, 24 or 32
  // Colour table for 1, 4 and 8 bits (entries beyond count read as black).
  const RGBQUAD* colors = nullptr;
  int colorCount = 0;
  // Channel masks for 16 and 32 bits; 32-bit BGRX when all zero.
  DWORD redMask = 0, greenMask = 0, blueMask = 0;

  Byte* Row(int y) const { return top + y * pitch; }
  bool Valid() const { return top != nullptr && width > 0 && height > 0; }
  // Plain 0x00RRGGBB-in-memory BGRX: the fast path of every loop.
  bool IsBGRX() const {
    return bpp == 32 && (redMask == 0 || (redMask == 0xFF0000 && greenMask == 0xFF00 && blueMask == 0xFF));
  }
};

// Bytes per row of a DIB: rows padded to 4 bytes.
inline std::int64_t DibStride(int width, int bpp) { return ((std::int64_t(width) * bpp + 31) / 32) * 4; }

// ---- Objects --------------------------------------------------------------
struct GdiObject {
  explicit GdiObject(DWORD t) : type(t) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  DWORD type;
  std::uintptr_t gdiHandle = 0;  // the table entry naming it, set by GdiPublish
  bool stock = false;
  int selectCount = 0;         // references from DC states, current and saved
  bool deletePending = false;  // DeleteObject while selected: freed on release
};

struct GdiPen : GdiObject {
  GdiPen() : GdiObject(OBJ_PEN) {}
  bool extended = false;  // made by ExtCreatePen: its own kind of handle
  UINT style = PS_SOLID;  // full style word (type, caps, joins, dash style)
  int width = 1;
  COLORREF color = 0;
  std::vector<DWORD> userStyle;
  int Dash() const { return int(style & PS_STYLE_MASK); }
};

struct GdiBrush : GdiObject {
  GdiBrush() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int hatch = 0;
  // Pattern brushes keep their own copy of the pattern as BGRX; a monochrome
  // pattern keeps its bits (patternMono) and takes the DC's text and
  // background colours when used.
  int patW = 0, patH = 0;
  std::vector<std::uint32_t> pattern;
  bool patternMono = false;
  std::vector<Byte> patternBits;  // monochrome: 1 byte per pixel, 0 or 1
};

struct FontFace;  // owned by the text engine
struct GdiFont : GdiObject {
  GdiFont() : GdiObject(OBJ_FONT) {}
  LOGFONT lf;
  // The text engine's resolved face, filled on first use.
  std::shared_ptr<FontFace> face;
};

struct PixelStorageFree {
  void operator()(Byte* p) const { std::free(p); }
};
struct GdiBitmap : GdiObject {
  GdiBitmap() : GdiObject(OBJ_BITMAP) {}
  Surface surface;
  std::unique_ptr<Byte[], PixelStorageFree> storage;  // from AllocatePixels
  std::vector<RGBQUAD> colorTable;
  bool dibSection = false;
  bool monochrome = false;  // 1-bit device bitmap: bits map through DC colours
  bool topDown = false;
  BITMAPINFOHEADER header;  // as created (DIB sections)
  DeviceContext* selectedInto = nullptr;
};

struct GdiRegion : GdiObject {
  GdiRegion() : GdiObject(OBJ_REGION) {}
  Region rgn;
};

struct GdiPalette : GdiObject {
  GdiPalette() : GdiObject(OBJ_PAL) {}
  std::vector<PALETTEENTRY> entries;
};

// An icon or cursor: a colour image (BGRX, top row first, with alpha when
// hasAlpha) and its AND mask (one byte per pixel, 1 = the screen shows
// through). A monochrome icon keeps its XOR bits as black and white pixels.
// Not a GDI object to callers: GetObjectType gives 0, DeleteObject refuses.
constexpr DWORD kGdiIconType = 0x49434F;
struct GdiIcon : GdiObject {
  GdiIcon() : GdiObject(kGdiIconType) {}
  bool isIcon = true;
  bool monochrome = false;
  bool hasAlpha = false;
  POINT hotSpot{};
  int width = 0, height = 0;
  std::vector<std::uint32_t> color;
  std::vector<Byte> mask;
  int systemId = 0;  // for the window layer's shared system cursors
  HGDIICON handle = nullptr;  // set by GdiAddIcon
};

// Device coordinates are kept within 27 bits, GDI's own range, so sums of a
// few of them (corners, pen widths, origins) never overflow an int.
constexpr int kGdiCoordLimit = 1 << 27;
inline int GdiClampCoord(std::int64_t v) {
  return v < -kGdiCoordLimit ? -kGdiCoordLimit : v > kGdiCoordLimit ? kGdiCoordLimit : int(v);
}

// ---- Device contexts --------------------------------------------------------
// Selected objects are held by pointer: a DC state keeps a reference, so
// they outlive a DeleteObject while selected.
struct DcState {
  GdiPen* pen = nullptr;
  GdiBrush* brush = nullptr;
  GdiFont* font = nullptr;
  GdiBitmap* bitmap = nullptr;  // memory DCs only
  GdiPalette* palette = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  int polyFillMode = ALTERNATE;
  int arcDirection = AD_COUNTERCLOCKWISE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int charExtra = 0;
  POINT pos{};
  POINT viewportOrg{};
  POINT windowOrg{};
  POINT brushOrg{};
  std::optional<Region> clip;  // device coordinates; none = unclipped
};

struct DeviceContext {
  DWORD kind = OBJ_MEMDC;  // OBJ_MEMDC or OBJ_DC (over an external surface)
  HDC handle = nullptr;    // set when the DC is entered in the table
  Surface surface;         // memory DCs: the selected bitmap's pixels
  POINT origin{};          // device (0,0) in surface coordinates
  std::optional<Region> visRgn;  // surface coordinates; none = whole surface
  DcState st;
  std::vector<DcState> saved;
  // Effective clip in surface coordinates, rebuilt when state changes.
  Region effClip;
  bool clipDirty = true;

  const Region& EffectiveClip();
  void InvalidateClip() { clipDirty = true; }
  // Logical -> surface coordinates.
  int SX(int x) const { return GdiClampCoord(std::int64_t(x) - st.windowOrg.X + st.viewportOrg.X + origin.X); }
  int SY(int y) const { return GdiClampCoord(std::int64_t(y) - st.windowOrg.Y + st.viewportOrg.Y + origin.Y); }
  // Logical -> device (DC) coordinates.
  POINT LPtoDP(POINT p) const {
    return {GdiClampCoord(std::int64_t(p.X) - st.windowOrg.X + st.viewportOrg.X),
            GdiClampCoord(std::int64_t(p.Y) - st.windowOrg.Y + st.viewportOrg.Y)};
  }
  // The colour a COLORREF draws as on this surface (palette-relative forms
  // resolved through the selected palette).
  COLORREF Resolve(COLORREF c) const;
};

// ---- Handle tables ---------------------------------------------------------
// Every object and DC is reached through its handle's table entry, which
// carries the kind and a generation, so a stale handle, or a handle of
// another kind, fails the call instead of reaching whatever now lives there.
// Enters the object in its kind's table and returns its handle; nullptr (the
// object freed) when the table is full.
std::uintptr_t GdiEnter(GdiObject* obj);
template <class H> H GdiPublish(GdiObject* obj) { return reinterpret_cast<H>(GdiEnter(obj)); }
template <class H> H GdiHandleOf(const GdiObject* obj) { return obj ? reinterpret_cast<H>(obj->gdiHandle) : nullptr; }
// The live object a handle names, of any GDI kind; nullptr for 0, stale or
// foreign handles (ERROR_INVALID_HANDLE set for a non-null one).
GdiObject* GdiCheckObject(const void* h);
DeviceContext* GdiCheckDC(HDC dc);  // nullptr when not a live DC
template <class T> T* GdiCheckAs(const void* h, DWORD type) {
  GdiObject* o = GdiCheckObject(h);
  return o && o->type == type ? static_cast<T*>(o) : nullptr;
}
inline GdiPen* GdiCheck(HPEN h, DWORD type) { return GdiCheckAs<GdiPen>(h, type); }
inline GdiBrush* GdiCheck(HBRUSH h, DWORD type) { return GdiCheckAs<GdiBrush>(h, type); }
inline GdiFont* GdiCheck(HFONT h, DWORD type) { return GdiCheckAs<GdiFont>(h, type); }
inline GdiBitmap* GdiCheck(HBITMAP h, DWORD type) { return GdiCheckAs<GdiBitmap>(h, type); }
inline GdiRegion* GdiCheck(HRGN h, DWORD type) { return GdiCheckAs<GdiRegion>(h, type); }
inline GdiPalette* GdiCheck(HPALETTE h, DWORD type) { return GdiCheckAs<GdiPalette>(h, type); }
// Icons and cursors: a table whose handles carry a generation, so a
// destroyed icon's handle never names the next icon.
HGDIICON GdiAddIcon(GdiIcon* icon);  // nullptr (icon freed) when the table is full
GdiIcon* GdiIconFromHandle(HGDIICON h);
// Takes a live, non-stock icon out of the table; the caller frees it.
GdiIcon* GdiTakeIcon(HGDIICON h);
// A new DC enters the table (nullptr, the DC freed, when it is full); a
// DC leaves it before it is freed.
HDC GdiEnterDC(DeviceContext* dc);
void GdiLeaveDC(DeviceContext* dc);
// Live entries in the table of one kind (an OBJ_* value; OBJ_DC and
// OBJ_MEMDC share one), stock objects included.
std::size_t GdiHandleCount(DWORD objType);

// ---- For the window layer -------------------------------------------------
// A DC over an external 32-bit BGRX surface; device (0,0) sits at `origin` of
// the surface and drawing stays inside `visible` (surface coordinates; null
// means the whole surface). The surface must outlive the DC; free it with
// DeleteDC. Returns nullptr for an invalid surface.
HDC CreateSurfaceDC(const Surface& surface, POINT origin, const Region* visible);
// Moves a surface DC (window moved or resized); resets nothing else.
void SetSurfaceDCOrigin(HDC dc, POINT origin, const Region* visible);

// ---- For the text engine ----------------------------------------------------
// Fills a logical rectangle with a plain colour: viewport transform and clip
// apply, the ROP does not.
void GdiFillSolidRect(HDC dc, const RECT& logicalRect, COLORREF c);
// Draws colour c where the mask is set (w x h bytes, rows maskStride apart,
// placed at logical x, y). coverage=false: any non-zero byte sets the pixel;
// coverage=true: bytes are alpha 0..255 for anti-aliased glyphs.
void GdiBlendMask(HDC dc, int x, int y, const std::uint8_t* mask, int maskStride, int w, int h,
                  COLORREF c, bool coverage);

// ---- Shared system colours ------------------------------------------------
// COLOR_* index -> RGB; replaceable by the window layer's system-colour table.
using GdiSysColorFn = COLORREF (*)(int index);
void SetGdiSysColorSource(GdiSysColorFn fn);
COLORREF GdiSysColor(int index);

// Bitmaps: device bitmaps, DIB sections, pixel transfer between formats,
// colour tables and single pixels.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/rtl/PictureMemory.h"

namespace {

// Per side; the byte cap is the real limit, this keeps index arithmetic small.
constexpr int kMaxDimension = 1 << 20;

bool ValidDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

std::vector<RGBQUAD> ToQuads(const std::vector<PALETTEENTRY>& e) {
  std::vector<RGBQUAD> q(e.size());
  for (size_t i = 0; i < e.size(); ++i) q[i] = RGBQUAD{e[i].peBlue, e[i].peGreen, e[i].peRed, 0};
  return q;
}

// A new bitmap with zeroed storage laid out as a DIB, or nullptr.
GdiBitmap* NewBitmap(int width, int height, int bpp, bool topDown, std::vector<RGBQUAD> table) {
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension || !ValidDepth(bpp))
    return nullptr;
  std::int64_t stride = DibStride(width, bpp);
  Byte* bits = AllocatePixels(stride * height);
  if (!bits) return nullptr;
  auto* bm = new GdiBitmap;
  bm->storage.reset(bits);
  bm->colorTable = std::move(table);
  bm->topDown = topDown;
  Surface& s = bm->surface;
  s.width = width;
  s.height = height;
  s.bpp = bpp;
  s.pitch = topDown ? stride : -stride;
  s.top = topDown ? bits : bits + stride * (height - 1);
  s.colors = bm->colorTable.empty() ? nullptr : bm->colorTable.data();
  s.colorCount = int(bm->colorTable.size());
  bm->header.biWidth = width;
  bm->header.biHeight = topDown ? -height : height;
  bm->header.biBitCount = Word(bpp);
  bm->header.biSizeImage = DWORD(stride * height);
  return bm;
}

GdiBitmap* NewDeviceBitmap(int width, int height, int bpp) {
  std::vector<RGBQUAD> table;
  if (bpp == 1)
    table = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  else if (bpp <= 8)
    table = DefaultColorTable(bpp);
  GdiBitmap* bm = NewBitmap(width, height, bpp, true, std::move(table));
  if (bm) bm->monochrome = bpp == 1;
  return bm;
}

// Device bitmaps hand their bits out in rows padded to 2 bytes, top row first.
std::int64_t DeviceRowBytes(int width, int bpp) { return ((std::int64_t(width) * bpp + 15) / 16) * 2; }

// Copies rows between two surfaces of equal width, converting formats.
void TransferRow(const Surface& src, int sy, const Surface& dst, int dy, int n, std::vector<std::uint32_t>& buf) {
  // Equal depth and a destination table that begins with the source's: the
  // indices mean the same colours, so they move as they are (two equal
  // entries stay apart).
  if (src.bpp <= 8 && src.bpp == dst.bpp && src.colorCount <= dst.colorCount &&
      (src.colorCount == 0 || std::equal(src.colors, src.colors + src.colorCount, dst.colors))) {
    std::vector<Byte> idx(static_cast<size_t>(n));
    ReadIndexRow(src, sy, 0, n, idx.data());
    WriteIndexRow(dst, dy, 0, n, idx.data());
    return;
  }
  if (src.bpp == dst.bpp && src.bpp >= 16 && src.redMask == dst.redMask && src.greenMask == dst.greenMask &&
      src.blueMask == dst.blueMask) {
    std::memcpy(dst.Row(dy), src.Row(sy), size_t(n) * size_t(src.bpp / 8));
    return;
  }
  buf.resize(size_t(n));
  ReadPixelRow(src, sy, 0, n, buf.data());
  WritePixelRow(dst, dy, 0, n, buf.data());
}

// Scan lines count from the bottom of a bottom-up DIB, from the top of a
// top-down one; this is the picture row (0 = top) of a scan line.
int PictureRow(const DibFormat& f, UINT scan) { return f.topDown ? int(scan) : f.height - 1 - int(scan); }

// The format of a caller buffer holding `lines` scan lines, as a top-down
// view in memory order.
DibFormat ScanWindow(DibFormat f, UINT lines) {
  f.height = int(lines);
  f.topDown = true;
  f.imageBytes = f.stride * f.height;
  return f;
}

}  // namespace

Byte* AllocatePixels(std::int64_t bytes) { return AllocatePictureMemory(bytes, kMaxBitmapBytes); }

const std::vector<RGBQUAD>& DefaultColorTable(int bpp) {
  static const std::vector<RGBQUAD> k8 = ToQuads(SystemPaletteEntries());
  static const std::vector<RGBQUAD> k4 = [] {
    std::vector<RGBQUAD> t(k8.begin(), k8.begin() + 8);
    t[7] = RGBQUAD{192, 192, 192, 0};
    t.insert(t.end(), k8.end() - 8, k8.end());
    return t;
  }();
  static const std::vector<RGBQUAD> k1 = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  return bpp == 1 ? k1 : bpp == 4 ? k4 : k8;
}

std::int64_t DibImageSize(const BITMAPINFOHEADER& h) {
  if (h.biWidth <= 0 || h.biHeight == 0 || !ValidDepth(h.biBitCount)) return 0;
  std::int64_t height = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
  return DibStride(h.biWidth, h.biBitCount) * height;
}

bool ParseDibHeader(const BITMAPINFO* bmi, UINT usage, const DeviceContext* dc, DibFormat& f) {
  if (!bmi) return false;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biSize < 12 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  if (!ValidDepth(h.biBitCount)) return false;
  f.width = h.biWidth;
  f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  f.topDown = h.biHeight < 0;
  f.bpp = h.biBitCount;
  if (f.width > kMaxDimension || f.height > kMaxDimension) return false;
  f.stride = DibStride(f.width, f.bpp);
  f.imageBytes = f.stride * f.height;
  if (f.imageBytes > kMaxBitmapBytes) return false;
  f.colors.clear();
  f.redMask = f.greenMask = f.blueMask = 0;
  if (h.biCompression == BI_BITFIELDS) {
    if (f.bpp != 16 && f.bpp != 32) return false;
    DWORD m[3];
    std::memcpy(m, bmi->bmiColors, sizeof m);
    // Each mask one run of bits inside the pixel.
    for (DWORD mask : m) {
      if (!mask || (f.bpp == 16 && mask > 0xFFFF)) return false;
      DWORD run = mask >> std::countr_zero(mask);
      if (run & (run + 1)) return false;
    }
    f.redMask = m[0];
    f.greenMask = m[1];
    f.blueMask = m[2];
  } else if (h.biCompression != BI_RGB) {
    return false;
  }
  if (f.bpp <= 8) {
    size_t n = h.biClrUsed ? std::min<size_t>(h.biClrUsed, size_t(1) << f.bpp) : size_t(1) << f.bpp;
    if (usage == DIB_PAL_COLORS) {
      Word idx[256];
      std::memcpy(idx, bmi->bmiColors, n * sizeof(Word));
      const GdiPalette* pal = dc ? dc->st.palette : nullptr;
      f.colors.resize(n);
      for (size_t i = 0; i < n; ++i)
        if (pal && idx[i] < pal->entries.size()) {
          const PALETTEENTRY& e = pal->entries[idx[i]];
          f.colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
    } else {
      f.colors.assign(bmi->bmiColors, bmi->bmiColors + n);
    }
  }
  return true;
}

Surface DibSurface(const DibFormat& f, const void* bits) {
  Surface s;
  Byte* base = static_cast<Byte*>(const_cast<void*>(bits));
  s.width = f.width;
  s.height = f.height;
  s.bpp = f.bpp;
  s.pitch = f.topDown ? f.stride : -f.stride;
  s.top = f.topDown ? base : base + f.stride * (f.height - 1);
  s.colors = f.colors.empty() ? nullptr : f.colors.data();
  s.colorCount = int(f.colors.size());
  s.redMask = f.redMask;
  s.greenMask = f.greenMask;
  s.blueMask = f.blueMask;
  return s;
}

// ---- Creation -------------------------------------------------------------------
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (planes != 1 || !ValidDepth(int(bpp))) return nullptr;
  GdiBitmap* bm = NewDeviceBitmap(width, height, int(bpp));
  if (!bm) return nullptr;
  HBITMAP handle = GdiPublish<HBITMAP>(bm);
  if (handle && bits) SetBitmapBits(handle, DWORD(DeviceRowBytes(width, int(bpp)) * height), bits);
  return handle;
}

HBITMAP CreateBitmapIndirect(const BITMAP* b) {
  if (!b) return nullptr;
  return CreateBitmap(b->bmWidth, b->bmHeight, b->bmPlanes, b->bmBitsPixel, b->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC h, int width, int height) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return GdiHandleOf<HBITMAP>(GdiStockBitmap());
  GdiBitmap* bm = NewDeviceBitmap(width, height, IsMonoBitmapDC(*dc) ? 1 : 32);
  return bm ? GdiPublish<HBITMAP>(bm) : nullptr;
}

HBITMAP CreateDIBSection(HDC h, const BITMAPINFO* bmi, UINT usage, void** bits, void* section, DWORD offset) {
  (void)offset;
  if (bits) *bits = nullptr;
  if (section) return nullptr;  // file-mapping sections do not exist here
  DeviceContext* dc = h ? GdiCheckDC(h) : nullptr;
  if (h && !dc) return nullptr;
  DibFormat f;
  if (!ParseDibHeader(bmi, usage, dc, f)) return nullptr;
  GdiBitmap* bm = NewBitmap(f.width, f.height, f.bpp, f.topDown, f.colors);
  if (!bm) return nullptr;
  bm->dibSection = true;
  bm->surface.redMask = f.redMask;
  bm->surface.greenMask = f.greenMask;
  bm->surface.blueMask = f.blueMask;
  bm->header = bmi->bmiHeader;
  bm->header.biSize = 40;
  bm->header.biSizeImage = DWORD(f.imageBytes);
  bm->header.biClrUsed = DWORD(f.colors.size());
  Byte* pixels = bm->storage.get();
  HBITMAP handle = GdiPublish<HBITMAP>(bm);
  if (bits && handle) *bits = pixels;
  return handle;
}

HBITMAP CreateDIBitmap(HDC h, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* bmi,
                       UINT usage) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !header || header->biWidth <= 0 || header->biHeight == 0 || header->biHeight == INT32_MIN) return nullptr;
  int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  // The bitmap takes the DC's format, so a fresh memory DC gives monochrome.
  GdiBitmap* bm = NewDeviceBitmap(header->biWidth, height, IsMonoBitmapDC(*dc) ? 1 : 32);
  if (!bm) return nullptr;
  HBITMAP handle = GdiPublish<HBITMAP>(bm);
  if (handle && (init & CBM_INIT) && bits && bmi && !SetDIBits(h, handle, 0, UINT(height), bits, bmi, usage)) {
    DeleteObject(handle);
    return nullptr;
  }
  return handle;
}

// ---- Transfer -------------------------------------------------------------------
int GetDIBits(HDC h, HBITMAP hb, UINT start, UINT lines, void* bits, BITMAPINFO* bmi, UINT usage) {
  DeviceContext* dc = GdiCheckDC(h);
  GdiBitmap* bm = GdiCheck(hb, OBJ_BITMAP);
  if (!dc || !bm || !bmi) return 0;
  const Surface& src = bm->surface;
  BITMAPINFOHEADER& hd = bmi->bmiHeader;
  if (hd.biBitCount == 0) {
    // Describe the bitmap itself.
    hd.biSize = 40;
    hd.biWidth = src.width;
    hd.biHeight = bm->topDown && bm->dibSection ? -src.height : src.height;
    hd.biPlanes = 1;
    hd.biBitCount = Word(src.bpp);
    hd.biCompression = (src.redMask && (src.bpp == 16 || src.bpp == 32)) ? BI_BITFIELDS : BI_RGB;
    hd.biSizeImage = DWORD(DibStride(src.width, src.bpp) * src.height);
    hd.biClrUsed = 0;
    if (hd.biCompression == BI_BITFIELDS) {
      DWORD m[3] = {src.redMask, src.greenMask, src.blueMask};
      std::memcpy(bmi->bmiColors, m, sizeof m);
    }
    return src.height;
  }
  if (!ValidDepth(hd.biBitCount)) return 0;
  if (hd.biWidth <= 0) hd.biWidth = src.width;
  if (hd.biHeight == 0) hd.biHeight = src.height;
  // Colour table of the output: the bitmap's own when depths match.
  if (hd.biBitCount <= 8 && usage == DIB_RGB_COLORS) {
    const std::vector<RGBQUAD>& own = bm->colorTable;
    const std::vector<RGBQUAD>& t =
        (src.bpp == hd.biBitCount && !own.empty()) ? own : DefaultColorTable(hd.biBitCount);
    size_t n = std::min(t.size(), size_t(1) << hd.biBitCount);
    std::copy(t.begin(), t.begin() + std::ptrdiff_t(n), bmi->bmiColors);
    std::fill(bmi->bmiColors + n, bmi->bmiColors + (size_t(1) << hd.biBitCount), RGBQUAD{});
    hd.biClrUsed = 0;
  }
  if (hd.biCompression == BI_RGB && (hd.biBitCount == 16 || hd.biBitCount == 32)) {
    // nothing: 5-5-5 and 8-8-8 are implied
  } else if (hd.biCompression == BI_BITFIELDS) {
    DWORD m[3];
    std::memcpy(m, bmi->bmiColors, sizeof m);
    if (!m[0] && !m[1] && !m[2]) {
      DWORD def[3] = {hd.biBitCount == 16 ? 0xF800u : 0xFF0000u, hd.biBitCount == 16 ? 0x07E0u : 0xFF00u,
                      hd.biBitCount == 16 ? 0x001Fu : 0xFFu};
      std::memcpy(bmi->bmiColors, def, sizeof def);
    }
  }
  DibFormat f;
  if (!ParseDibHeader(bmi, DIB_RGB_COLORS, dc, f)) return 0;
  hd.biSizeImage = DWORD(f.imageBytes);
  if (!bits) return src.height;
  if (start >= UINT(f.height)) return 0;
  UINT n = std::min<UINT>(lines, UINT(f.height) - start);
  // The buffer holds just the n scan lines from `start`, in memory order.
  const DibFormat win = ScanWindow(f, n);
  Surface dst = DibSurface(win, bits);
  int w = std::min(f.width, src.width);
  std::vector<std::uint32_t> buf;
  for (UINT k = 0; k < n; ++k) {
    int row = PictureRow(f, start + k);
    if (row < src.height) TransferRow(src, row, dst, int(k), w, buf);
  }
  return int(n);
}

int SetDIBits(HDC h, HBITMAP hb, UINT start, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage) {
  DeviceContext* dc = h ? GdiCheckDC(h) : nullptr;
  GdiBitmap* bm = GdiCheck(hb, OBJ_BITMAP);
  if ((h && !dc) || !bm || !bits || bm->stock) return 0;
  DibFormat f;
  if (!ParseDibHeader(bmi, usage, dc, f)) return 0;
  if (start >= UINT(f.height)) return 0;
  UINT n = std::min<UINT>(lines, UINT(f.height) - start);
  const DibFormat win = ScanWindow(f, n);
  Surface src = DibSurface(win, bits);
  const Surface& dst = bm->surface;
  int w = std::min(f.width, dst.width);
  std::vector<std::uint32_t> buf;
  for (UINT k = 0; k < n; ++k) {
    int row = PictureRow(f, start + k);
    if (row < dst.height) TransferRow(src, int(k), dst, row, w, buf);
  }
  return int(n);
}

LongInt GetBitmapBits(HBITMAP hb, LongInt size, void* bits) {
  GdiBitmap* bm = GdiCheck(hb, OBJ_BITMAP);
  if (!bm || size < 0) return 0;
  const Surface& s = bm->surface;
  std::int64_t rowBytes = DeviceRowBytes(s.width, s.bpp);
  if (!bits) return LongInt(rowBytes * s.height);
  std::int64_t copyBytes = std::min<std::int64_t>(rowBytes, (std::int64_t(s.width) * s.bpp + 7) / 8);
  Byte* out = static_cast<Byte*>(bits);
  std::int64_t done = 0;
  for (int y = 0; y < s.height && done + rowBytes <= size; ++y, done += rowBytes) {
    std::memcpy(out + done, s.Row(y), size_t(copyBytes));
    std::memset(out + done + copyBytes, 0, size_t(rowBytes - copyBytes));
  }
  return LongInt(done);
}

LongInt SetBitmapBits(HBITMAP hb, DWORD size, const void* bits) {
  GdiBitmap* bm = GdiCheck(hb, OBJ_BITMAP);
  if (!bm || !bits || bm->stock) return 0;
  const Surface& s = bm->surface;
  std::int64_t rowBytes = DeviceRowBytes(s.width, s.bpp);
  std::int64_t copyBytes = std::min<std::int64_t>(rowBytes, (std::int64_t(s.width) * s.bpp + 7) / 8);
  const Byte* in = static_cast<const Byte*>(bits);
  std::int64_t done = 0;
  for (int y = 0; y < s.height && done + rowBytes <= std::int64_t(size); ++y, done += rowBytes)
    std::memcpy(s.Row(y), in + done, size_t(copyBytes));
  return LongInt(done);
}

BOOL GetBitmapDimensionEx(HBITMAP hb, SIZE* size) {
  if (!GdiCheck(hb, OBJ_BITMAP) || !size) return FALSE;
  *size = SIZE{0, 0};
  return TRUE;
}

UINT GetDIBColorTable(HDC h, UINT start, UINT count, RGBQUAD* colors) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !colors || !dc->st.bitmap || !dc->st.bitmap->dibSection) return 0;
  const std::vector<RGBQUAD>& t = dc->st.bitmap->colorTable;
  if (start >= t.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(t.size()) - start);
  std::copy(t.begin() + start, t.begin() + start + n, colors);
  return n;
}

UINT SetDIBColorTable(HDC h, UINT start, UINT count, const RGBQUAD* colors) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !colors || !dc->st.bitmap || !dc->st.bitmap->dibSection) return 0;
  std::vector<RGBQUAD>& t = dc->st.bitmap->colorTable;
  if (start >= t.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(t.size()) - start);
  std::copy(colors, colors + n, t.begin() + start);
  return n;
}

// ---- Pixels -----------------------------------------------------------------------
COLORREF GetPixel(HDC h, int x, int y) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return CLR_INVALID;
  int sx = dc->SX(x), sy = dc->SY(y);
  if (!dc->EffectiveClip().Contains(sx, sy)) return CLR_INVALID;
  std::uint32_t p;
  ReadPixelRow(dc->surface, sy, sx, 1, &p);
  return PixelToColor(p);
}

COLORREF SetPixel(HDC h, int x, int y, COLORREF c) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc) return CLR_INVALID;
  int sx = dc->SX(x), sy = dc->SY(y);
  if (!dc->EffectiveClip().Contains(sx, sy)) return CLR_INVALID;
  std::uint32_t p = ColorToPixel(dc->Resolve(c));
  WritePixelRow(dc->surface, sy, sx, 1, &p);
  ReadPixelRow(dc->surface, sy, sx, 1, &p);
  return PixelToColor(p);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF c) { return SetPixel(dc, x, y, c) != CLR_INVALID; }

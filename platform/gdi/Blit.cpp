// Blits: BitBlt, PatBlt, StretchBlt, MaskBlt, StretchDIBits and
// SetDIBitsToDevice. Every ternary raster operation is evaluated from its
// truth table (the code's third byte over pattern, source and destination);
// the common ones have their own loops. Source and destination are clipped:
// a destination pixel is drawn only when it lies in the clip and the source
// pixel under its centre lies inside the source surface.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/Stretch.h"

namespace {

inline bool UsesSource(unsigned rop3) { return ((rop3 >> 2) ^ rop3) & 0x33; }
inline bool UsesPattern(unsigned rop3) { return ((rop3 >> 4) ^ rop3) & 0x0F; }
inline bool UsesDest(unsigned rop3) { return ((rop3 >> 1) ^ rop3) & 0x55; }

// d = rop3(p, s, d) over n pixels; p may be a single colour (pStep 0).
void Rop3Row(unsigned rop3, const std::uint32_t* s, const std::uint32_t* p, int pStep, std::uint32_t* d, int n) {
  switch (rop3) {
    case 0xCC: std::memcpy(d, s, size_t(n) * 4); return;                             // SRCCOPY
    case 0xEE: for (int i = 0; i < n; ++i) d[i] |= s[i]; return;                      // SRCPAINT
    case 0x88: for (int i = 0; i < n; ++i) d[i] &= s[i]; return;                      // SRCAND
    case 0x66: for (int i = 0; i < n; ++i) d[i] ^= s[i]; return;                      // SRCINVERT
    case 0x33: for (int i = 0; i < n; ++i) d[i] = ~s[i] & 0xFFFFFF; return;           // NOTSRCCOPY
    case 0x55: for (int i = 0; i < n; ++i) d[i] = ~d[i] & 0xFFFFFF; return;           // DSTINVERT
    case 0x00: std::fill(d, d + n, 0u); return;                                       // BLACKNESS
    case 0xFF: std::fill(d, d + n, 0xFFFFFFu); return;                                // WHITENESS
    case 0xF0: for (int i = 0; i < n; ++i) d[i] = p[i * pStep]; return;               // PATCOPY
    case 0x5A: for (int i = 0; i < n; ++i) d[i] ^= p[i * pStep]; return;              // PATINVERT
    default: break;
  }
  for (int i = 0; i < n; ++i) {
    std::uint32_t pp = p ? p[i * pStep] : 0, ss = s ? s[i] : 0, dd = d[i], r = 0;
    for (unsigned k = 0; k < 8; ++k) {
      if (!(rop3 & (1u << k))) continue;
      r |= ((k & 4) ? pp : ~pp) & ((k & 2) ? ss : ~ss) & ((k & 1) ? dd : ~dd);
    }
    d[i] = r & 0xFFFFFF;
  }
}

// How source pixels turn into colours for a given destination.
struct SourceMapping {
  const Surface* surf = nullptr;
  bool monoToColor = false;  // 0 bits -> fg, 1 bits -> bg
  std::uint32_t fg = 0, bg = 0;
  bool colorToMono = false;  // equal to key -> white, else black
  std::uint32_t key = 0;
};

void ReadMapped(const SourceMapping& m, int y, int x0, int n, std::uint32_t* out) {
  if (m.monoToColor) {
    thread_local std::vector<Byte> idx;
    idx.resize(size_t(n));
    ReadIndexRow(*m.surf, y, x0, n, idx.data());
    for (int i = 0; i < n; ++i) out[i] = idx[size_t(i)] ? m.bg : m.fg;
    return;
  }
  ReadPixelRow(*m.surf, y, x0, n, out);
  if (m.colorToMono)
    for (int i = 0; i < n; ++i) out[i] = (out[i] & 0xFFFFFF) == m.key ? 0xFFFFFFu : 0u;
}

SourceMapping MappingFor(const DeviceContext* src, const Surface* surf, DeviceContext& dst) {
  SourceMapping m;
  m.surf = surf;
  bool srcMono = src && IsMonoBitmapDC(*src);
  bool dstMono = IsMonoBitmapDC(dst);
  if (srcMono && !dstMono) {
    m.monoToColor = true;
    m.fg = ColorToPixel(dst.Resolve(dst.st.textColor));
    m.bg = ColorToPixel(dst.Resolve(dst.st.bkColor));
  } else if (!srcMono && dstMono && src) {
    m.colorToMono = true;
    m.key = ColorToPixel(src->Resolve(src->st.bkColor));
  }
  return m;
}

// Narrows [lo, hi) to the destination pixels whose source pixel (map plus
// start) lies in [0, limit); the map is monotonic, so trimming the ends does.
void ValidRange(const NearestMap& map, int start, int limit, int& lo, int& hi) {
  auto ok = [&](int i) {
    std::int64_t v = std::int64_t(map[size_t(i)]) + start;
    return v >= 0 && v < limit;
  };
  while (lo < hi && !ok(lo)) ++lo;
  while (hi > lo && !ok(hi - 1)) --hi;
}

struct StretchJob {
  DeviceContext* dst = nullptr;
  // Destination in surface coordinates, normalised; 64-bit so that far-off
  // rectangles neither overflow nor allocate.
  std::int64_t dl = 0, dt = 0, dw = 0, dh = 0;
  // Source, surface coordinates: start and signed length per axis.
  const Surface* srcSurf = nullptr;
  SourceMapping map;
  int sx = 0, sy = 0, sw = 0, sh = 0;
  bool mirrorX = false, mirrorY = false;
  int mode = COLORONCOLOR;
  unsigned rop3 = 0xCC;
  // Optional per-pixel mask (MaskBlt): where the mask bit is 0, rop3b applies.
  const Surface* mask = nullptr;
  int mx = 0, my = 0;
  unsigned rop3b = 0xAA;
};

// Runs a blit: source (optional) scaled into the destination rectangle, the
// brush as pattern, through the clip.
bool RunBlit(StretchJob& j) {
  DeviceContext& dc = *j.dst;
  const std::int64_t dw = j.dw, dh = j.dh;
  if (dw <= 0 || dh <= 0) return true;
  const bool useS = UsesSource(j.rop3) || (j.mask && UsesSource(j.rop3b));
  const bool useP = UsesPattern(j.rop3) || (j.mask && UsesPattern(j.rop3b));
  if (useS && (j.sw <= 0 || j.sh <= 0 || !j.srcSurf || !j.srcSurf->Valid())) return false;
  Paint pat;
  if (useP) {
    pat = BrushPaint(dc, dc.st.brush);
    if (pat.kind == Paint::Kind::None) pat = SolidPaint(0);
  }
  // The part of the destination inside the clip box, relative to its corner.
  const RECT box = dc.EffectiveClip().Box();
  int c0 = int(std::clamp<std::int64_t>(box.Left - j.dl, 0, dw));
  int c1 = int(std::clamp<std::int64_t>(box.Right - j.dl, 0, dw));
  int r0 = int(std::clamp<std::int64_t>(box.Top - j.dt, 0, dh));
  int r1 = int(std::clamp<std::int64_t>(box.Bottom - j.dt, 0, dh));
  if (c0 >= c1 || r0 >= r1) return true;
  // Only columns and rows whose source pixel exists are drawn.
  NearestMap xmap, ymap;
  if (useS) {
    xmap = NearestMap(j.sw, dw, j.mirrorX, c0, c1);
    ymap = NearestMap(j.sh, dh, j.mirrorY, r0, r1);
    ValidRange(xmap, j.sx, j.srcSurf->width, c0, c1);
    ValidRange(ymap, j.sy, j.srcSurf->height, r0, r1);
    if (c0 >= c1 || r0 >= r1) return true;
  }
  const int X0 = int(j.dl + c0);  // surface x of column c0
  const int Y0 = int(j.dt + r0);  // surface y of row r0
  const int cw = c1 - c0;

  // Source rows for the block, scaled: a halftone block computed up front, or
  // nearest rows fetched as needed. Both read before any write, so a blit
  // within one surface sees the original pixels.
  std::vector<std::uint32_t> block;
  const bool halftone = useS && j.mode == HALFTONE && (j.sw != dw || j.sh != dh);
  const bool sameSurface = useS && j.srcSurf->top == dc.surface.top;
  const SourceMapping& sm = j.map;
  auto readSrc = [&](int y, int x0, int n, std::uint32_t* out) {
    int yy = std::clamp(j.sy + y, 0, j.srcSurf->height - 1);
    int a = j.sx + x0, b = a + n;
    int ca = std::clamp(a, 0, j.srcSurf->width), cb = std::clamp(b, 0, j.srcSurf->width);
    if (ca < cb) ReadMapped(sm, yy, ca, cb - ca, out + (ca - a));
    // Edge replicate for taps that fall outside the surface.
    for (int i = 0; i < ca - a && i < n; ++i) out[i] = ca < cb ? out[ca - a] : 0;
    for (int i = std::max(cb - a, 0); i < n; ++i) out[i] = ca < cb ? out[cb - a - 1] : 0;
  };
  // The source pixels that exist, relative to the source corner: reads
  // outside give the edge pixel, so the work never follows a source
  // rectangle larger than its surface (a 2,000,000,000-row source onto a
  // few rows reads the surface's rows once each).
  SourceBounds valid;
  if (useS) {
    auto rel = [](int start, std::int64_t v) {
      return int(std::clamp<std::int64_t>(v - start, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    valid = {rel(j.sx, 0), rel(j.sy, 0), rel(j.sx, j.srcSurf->width), rel(j.sy, j.srcSurf->height)};
  }
  const bool scanCombine = useS && (j.mode == BLACKONWHITE || j.mode == WHITEONBLACK) && (j.sw > dw || j.sh > dh);
  if (scanCombine) {
    block.resize(size_t(cw) * size_t(r1 - r0));
    ScanCombineBlock(readSrc, j.sw, j.sh, dw, dh, j.mirrorX, j.mirrorY, c0, c1, r0, r1, j.mode == BLACKONWHITE,
                     block.data(), valid);
  } else if (halftone) {
    AxisTaps xt = HalftoneTaps(j.sw, dw, j.mirrorX, c0, c1, valid.x0, valid.x1),
             yt = HalftoneTaps(j.sh, dh, j.mirrorY, r0, r1, valid.y0, valid.y1);
    block.resize(size_t(cw) * size_t(r1 - r0));
    // Plain 24- and 32-bit sources whose rectangle lies inside them are read
    // in place; everything else goes through the row reader.
    const Surface& ss = *j.srcSurf;
    const bool direct = !sm.monoToColor && !sm.colorToMono && (ss.bpp == 24 || ss.IsBGRX()) && j.sx >= 0 &&
                        j.sy >= 0 && j.sx + j.sw <= ss.width && j.sy + j.sh <= ss.height;
    if (direct)
      HalftoneBlockDirect(DirectRows{ss.top, ss.pitch, ss.bpp / 8, j.sx, j.sy}, xt, yt, 0, cw, 0, r1 - r0,
                          block.data());
    else
      HalftoneBlock(readSrc, xt, yt, 0, cw, 0, r1 - r0, block.data());
  } else if (sameSurface) {
    block.resize(size_t(cw) * size_t(r1 - r0));
    int sxLo = xmap[size_t(c0)], sxHi = sxLo;
    for (int c = c0; c < c1; ++c) {
      sxLo = std::min(sxLo, xmap[size_t(c)]);
      sxHi = std::max(sxHi, xmap[size_t(c)]);
    }
    std::vector<std::uint32_t> row(static_cast<size_t>(sxHi - sxLo + 1));
    for (int r = r0; r < r1; ++r) {
      ReadMapped(sm, j.sy + ymap[size_t(r)], j.sx + sxLo, sxHi - sxLo + 1, row.data());
      std::uint32_t* o = &block[size_t(r - r0) * size_t(cw)];
      for (int c = c0; c < c1; ++c) o[c - c0] = row[size_t(xmap[size_t(c)] - sxLo)];
    }
  }

  std::vector<std::uint32_t> srow, prow, drow(static_cast<size_t>(cw)), mrow;
  std::vector<Byte> mbits;
  int cachedSrcY = -1;
  int sxLo = 0, sxHi = 0;
  std::vector<std::uint32_t> rawRow;
  if (useS && block.empty()) {
    sxLo = xmap[size_t(c0)];
    sxHi = sxLo;
    for (int c = c0; c < c1; ++c) {
      sxLo = std::min(sxLo, xmap[size_t(c)]);
      sxHi = std::max(sxHi, xmap[size_t(c)]);
    }
    rawRow.resize(size_t(sxHi - sxLo + 1));
    srow.resize(size_t(cw));
  }
  const Region& clip = dc.EffectiveClip();
  // A one-to-one SRCCOPY between 32-bit surfaces copies whole rows, the
  // fourth byte (alpha) included.
  const bool direct = j.rop3 == 0xCC && !j.mask && useS && block.empty() && j.sw == dw && j.sh == dh &&
                      !j.mirrorX && !j.mirrorY && !sm.monoToColor && !sm.colorToMono && j.srcSurf->IsBGRX() &&
                      dc.surface.IsBGRX();
  // A one-to-one SRCCOPY of a plain 24-bit source onto a 32-bit surface
  // (a back buffer onto a window) moves three bytes a pixel and keeps the
  // fourth, as the row writer does.
  const bool direct24 = !direct && j.rop3 == 0xCC && !j.mask && useS && block.empty() && j.sw == dw &&
                        j.sh == dh && !j.mirrorX && !j.mirrorY && !sm.monoToColor && !sm.colorToMono &&
                        j.srcSurf->bpp == 24 && dc.surface.IsBGRX();
  for (int r = r0; r < r1; ++r) {
    const int y = Y0 + (r - r0);
    const Region::Band* band = clip.BandAt(y);
    if (!band) continue;
    if (direct24) {
      const Byte* srow0 = j.srcSurf->Row(j.sy + r);
      for (size_t bi = 0; bi + 1 < band->xs.size(); bi += 2) {
        const int a = std::max(X0, band->xs[bi]), b = std::min(X0 + cw, band->xs[bi + 1]);
        const Byte* from = srow0 + std::ptrdiff_t(j.sx + c0 + (a - X0)) * 3;
        Byte* to = dc.surface.Row(y) + std::ptrdiff_t(a) * 4;
        for (int i = a; i < b; ++i, from += 3, to += 4) {
          to[0] = from[0];
          to[1] = from[1];
          to[2] = from[2];
        }
      }
      continue;
    }
    if (direct) {
      const Byte* srow0 = j.srcSurf->Row(j.sy + r);
      for (size_t bi = 0; bi + 1 < band->xs.size(); bi += 2) {
        int a = std::max(X0, band->xs[bi]), b = std::min(X0 + cw, band->xs[bi + 1]);
        if (a < b)
          std::memcpy(dc.surface.Row(y) + std::ptrdiff_t(a) * 4,
                      srow0 + std::ptrdiff_t(j.sx + c0 + (a - X0)) * 4, size_t(b - a) * 4);
      }
      continue;
    }
    const std::uint32_t* s = nullptr;
    if (useS) {
      if (!block.empty()) {
        s = &block[size_t(r - r0) * size_t(cw)];
      } else {
        int srcY = ymap[size_t(r)];
        if (srcY != cachedSrcY) {
          ReadMapped(sm, j.sy + srcY, j.sx + sxLo, sxHi - sxLo + 1, rawRow.data());
          if (sxHi - sxLo + 1 == cw && !j.mirrorX && j.sw == dw)
            std::memcpy(srow.data(), rawRow.data(), size_t(cw) * 4);
          else
            for (int c = c0; c < c1; ++c) srow[size_t(c - c0)] = rawRow[size_t(xmap[size_t(c)] - sxLo)];
          cachedSrcY = srcY;
        }
        s = srow.data();
      }
    }
    for (size_t bi = 0; bi + 1 < band->xs.size(); bi += 2) {
      int a = std::max(X0, band->xs[bi]), b = std::min(X0 + cw, band->xs[bi + 1]);
      if (a >= b) continue;
      const int n = b - a, off = a - X0;
      const std::uint32_t* p = nullptr;
      int pStep = 0;
      if (useP) {
        if (pat.kind == Paint::Kind::Solid) {
          p = &pat.color;
        } else {
          prow.resize(size_t(n));
          int py = ((y - pat.orgY) % pat.patH + pat.patH) % pat.patH;
          int px = ((a - pat.orgX) % pat.patW + pat.patW) % pat.patW;
          const std::uint32_t* src = &pat.pat[size_t(py) * size_t(pat.patW)];
          for (int i = 0; i < n; ++i) {
            prow[size_t(i)] = src[px];
            if (++px == pat.patW) px = 0;
          }
          p = prow.data();
          pStep = 1;
        }
      }
      std::uint32_t* d = drow.data();
      if (UsesDest(j.rop3) || j.mask) ReadPixelRow(dc.surface, y, a, n, d);
      if (!j.mask) {
        Rop3Row(j.rop3, s ? s + off : nullptr, p, pStep, d, n);
      } else {
        // Mask bit 1: foreground ROP; 0: background ROP.
        mbits.resize(size_t(n));
        int myy = j.my + r, mxx = j.mx + c0 + off;
        for (int i = 0; i < n; ++i) {
          int mx = mxx + i;
          mbits[size_t(i)] = (myy >= 0 && myy < j.mask->height && mx >= 0 && mx < j.mask->width)
                                 ? Byte((j.mask->Row(myy)[mx >> 3] >> (7 - (mx & 7))) & 1)
                                 : 1;
        }
        mrow.assign(d, d + n);
        Rop3Row(j.rop3, s ? s + off : nullptr, p, pStep, d, n);
        Rop3Row(j.rop3b, s ? s + off : nullptr, p, pStep, mrow.data(), n);
        for (int i = 0; i < n; ++i)
          if (!mbits[size_t(i)]) d[i] = mrow[size_t(i)];
      }
      WritePixelRow(dc.surface, y, a, n, d);
    }
  }
  return true;
}

// Normalises a signed extent to a start and positive length; true if it was
// negative. A negative extent runs leftward from and including its start, so
// (w - 1, -w) mirrors the pixels 0 .. w - 1.
bool Normalise(std::int64_t& start, std::int64_t& len) {
  if (len >= 0) return false;
  start += len + 1;
  len = -len;
  return true;
}

bool StretchCore(DeviceContext& dst, int x, int y, int w, int h, DeviceContext* src, int sx, int sy, int sw, int sh,
                 DWORD rop, bool stretch, const Surface* mask = nullptr, int mx = 0, int my = 0, unsigned rop3b = 0xAA) {
  StretchJob j;
  j.dst = &dst;
  j.rop3 = (rop >> 16) & 0xFF;
  j.mode = dst.st.stretchMode;
  std::int64_t dx = dst.SX(x), dy = dst.SY(y), dw = w, dh = h;
  bool fx = Normalise(dx, dw), fy = Normalise(dy, dh);
  j.dl = dx;
  j.dt = dy;
  j.dw = dw;
  j.dh = dh;
  if (UsesSource(j.rop3) || (mask && UsesSource(rop3b))) {
    if (!src) return false;
    std::int64_t ssx = src->SX(sx), ssy = src->SY(sy), ssw = stretch ? sw : w, ssh = stretch ? sh : h;
    if (!stretch) {
      ssw = dw;
      ssh = dh;
      fx = fy = false;
      // BitBlt with a negative size still copies the same pixels.
      if (w < 0) ssx += w;
      if (h < 0) ssy += h;
    }
    bool gx = Normalise(ssx, ssw), gy = Normalise(ssy, ssh);
    j.srcSurf = &src->surface;
    j.map = MappingFor(src, &src->surface, dst);
    if (ssw > INT32_MAX || ssh > INT32_MAX) return false;
    // A source starting far outside its surface has nothing to give.
    if (ssx + ssw <= 0 || ssy + ssh <= 0 || ssx >= src->surface.width || ssy >= src->surface.height) return true;
    j.sx = int(ssx);
    j.sy = int(ssy);
    j.sw = int(ssw);
    j.sh = int(ssh);
    j.mirrorX = fx != gx;
    j.mirrorY = fy != gy;
  }
  j.mask = mask;
  j.mx = mx;
  j.my = my;
  j.rop3b = rop3b;
  return RunBlit(j);
}

}  // namespace

BOOL BitBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, DWORD rop) {
  DeviceContext* dst = GdiCheckDC(hdst);
  DeviceContext* src = hsrc ? GdiCheckDC(hsrc) : nullptr;
  if (!dst || (hsrc && !src)) return FALSE;
  if (UsesSource((rop >> 16) & 0xFF) && !src) return FALSE;
  return StretchCore(*dst, x, y, w, h, src, sx, sy, w, h, rop, false);
}

BOOL PatBlt(HDC h, int x, int y, int w, int hh, DWORD rop) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || UsesSource((rop >> 16) & 0xFF)) return FALSE;
  return StretchCore(*dc, x, y, w, hh, nullptr, 0, 0, 0, 0, rop, false);
}

BOOL StretchBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, DWORD rop) {
  DeviceContext* dst = GdiCheckDC(hdst);
  DeviceContext* src = hsrc ? GdiCheckDC(hsrc) : nullptr;
  if (!dst || (hsrc && !src)) return FALSE;
  if (UsesSource((rop >> 16) & 0xFF) && (!src || sw == 0 || sh == 0)) return FALSE;
  return StretchCore(*dst, x, y, w, h, src, sx, sy, sw, sh, rop, true);
}

BOOL MaskBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, HBITMAP hmask, int mx, int my,
             DWORD rop4) {
  DeviceContext* dst = GdiCheckDC(hdst);
  DeviceContext* src = hsrc ? GdiCheckDC(hsrc) : nullptr;
  if (!dst || (hsrc && !src) || w < 0 || h < 0) return FALSE;
  DWORD fore = rop4 & 0x00FFFFFF;
  unsigned back = (rop4 >> 24) & 0xFF;
  if (!hmask) return BitBlt(hdst, x, y, w, h, hsrc, sx, sy, fore);
  GdiBitmap* mask = GdiCheck(hmask, OBJ_BITMAP);
  if (!mask || mask->surface.bpp != 1) return FALSE;
  if ((UsesSource((fore >> 16) & 0xFF) || UsesSource(back)) && !src) return FALSE;
  return StretchCore(*dst, x, y, w, h, src, sx, sy, w, h, fore, false, &mask->surface, mx, my, back);
}

namespace {

// A DIB in caller memory as a source: a scratch DC-less blit.
int DibBlit(DeviceContext& dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
            const BITMAPINFO* bmi, UINT usage, DWORD rop, bool stretch) {
  DibFormat f;
  if (!bits || !ParseDibHeader(bmi, usage, &dc, f)) return 0;
  Surface s = DibSurface(f, bits);
  StretchJob j;
  j.dst = &dc;
  j.rop3 = (rop >> 16) & 0xFF;
  j.mode = dc.st.stretchMode;
  std::int64_t dx = dc.SX(x), dy = dc.SY(y), dw = w, dh = h;
  bool fx = Normalise(dx, dw), fy = Normalise(dy, dh);
  j.dl = dx;
  j.dt = dy;
  j.dw = dw;
  j.dh = dh;
  // Source y counts from the bottom row of a bottom-up DIB.
  std::int64_t ssx = sx, ssw = stretch ? sw : dw, ssh = stretch ? sh : dh;
  bool gx = Normalise(ssx, ssw);
  bool gy = ssh < 0;
  if (gy) ssh = -ssh;
  // Rows [first, first + ssh) counted from the top of the picture.
  std::int64_t first = f.topDown ? (gy ? sy - ssh + 1 : sy) : (gy ? f.height - std::int64_t(sy) - 1 : f.height - std::int64_t(sy) - ssh);
  if (ssw > INT32_MAX || ssh > INT32_MAX) return 0;
  if (ssx + ssw <= 0 || first + ssh <= 0 || ssx >= f.width || first >= f.height) return int(stretch ? ssh : dh);
  j.srcSurf = &s;
  j.map.surf = &s;
  j.sx = int(ssx);
  j.sy = int(first);
  j.sw = int(ssw);
  j.sh = int(ssh);
  j.mirrorX = fx != gx;
  j.mirrorY = fy != gy;
  if (!RunBlit(j)) return 0;
  return int(stretch ? ssh : dh);
}

}  // namespace

int StretchDIBits(HDC h, int x, int y, int w, int hh, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* bmi, UINT usage, DWORD rop) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || sw == 0 || sh == 0) return 0;
  return DibBlit(*dc, x, y, w, hh, sx, sy, sw, sh, bits, bmi, usage, rop, true);
}

int SetDIBitsToDevice(HDC h, int x, int y, DWORD w, DWORD hh, int sx, int sy, UINT startScan, UINT lines,
                      const void* bits, const BITMAPINFO* bmi, UINT usage) {
  DeviceContext* dc = GdiCheckDC(h);
  DibFormat f;
  if (!dc || !bits || w > 0x7FFFFFFF || hh > 0x7FFFFFFF || !ParseDibHeader(bmi, usage, dc, f)) return 0;
  // bits hold scan lines [startScan, startScan + lines): counted from the
  // bottom of a bottom-up DIB, from the top of a top-down one. The source
  // rectangle's y counts the same way; its top row lands on y.
  const std::int64_t height = f.height;
  if (lines == 0 || startScan >= height) return 0;
  const int band = int(std::min<std::int64_t>(lines, height - startScan));
  f.height = band;
  Surface s = DibSurface(f, bits);
  // Band row t (0 = top of the band in memory order) -> scan line and destination row.
  const std::int64_t S = startScan, L = band, Y = sy, H = hh;
  std::int64_t t0, t1, dy0;
  if (f.topDown) {
    t0 = std::max<std::int64_t>({0, Y - S, -S});
    t1 = std::min<std::int64_t>({L, Y + H - S, height - S});
    dy0 = S - Y;  // destination row of band row t is y + dy0 + t
  } else {
    t0 = std::max<std::int64_t>({0, S + L - Y - H, S + L - height});
    t1 = std::min<std::int64_t>({L, S + L - Y, S + L});
    dy0 = Y + H - S - L;
  }
  if (t0 >= t1 || w == 0) return band;
  StretchJob j;
  j.dst = dc;
  j.rop3 = 0xCC;
  j.dl = std::int64_t(dc->SX(x));
  j.dt = std::int64_t(dc->SY(y)) + dy0 + t0;
  j.dw = w;
  j.dh = t1 - t0;
  j.srcSurf = &s;
  j.map.surf = &s;
  if (std::int64_t(sx) + std::int64_t(w) <= 0 || sx >= f.width) return band;
  j.sx = sx;
  j.sy = int(t0);
  j.sw = int(w);
  j.sh = int(t1 - t0);
  return RunBlit(j) ? band : 0;
}

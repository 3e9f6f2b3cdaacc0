// AlphaBlend and TransparentBlt: stretched by the nearest rule (source pixel
// under the destination pixel's centre), clipped to source and destination.
#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/Stretch.h"

namespace {

// round(x * a / 255) for x, a in 0..255, exactly.
inline std::uint32_t MulDiv255(std::uint32_t x, std::uint32_t a) {
  std::uint32_t t = x * a + 128;
  return (t + (t >> 8)) >> 8;
}

// Raw row with the fourth byte, as 0xAARRGGBB; formats without alpha read 255.
void ReadArgb(const Surface& s, int y, int x0, int n, std::uint32_t* out) {
  if (s.IsBGRX()) {
    const Byte* p = s.Row(y) + std::ptrdiff_t(x0) * 4;
    for (int i = 0; i < n; ++i, p += 4)
      out[i] = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
               (std::uint32_t(p[3]) << 24);
    return;
  }
  ReadPixelRow(s, y, x0, n, out);
  for (int i = 0; i < n; ++i) out[i] |= 0xFF000000u;
}

void WriteArgb(const Surface& s, int y, int x0, int n, const std::uint32_t* in) {
  if (s.IsBGRX()) {
    Byte* p = s.Row(y) + std::ptrdiff_t(x0) * 4;
    for (int i = 0; i < n; ++i, p += 4) {
      p[0] = Byte(in[i]);
      p[1] = Byte(in[i] >> 8);
      p[2] = Byte(in[i] >> 16);
      p[3] = Byte(in[i] >> 24);
    }
    return;
  }
  WritePixelRow(s, y, x0, n, in);
}

struct Mapped {
  std::int64_t dl = 0, dt = 0;  // destination corner, surface coordinates
  NearestMap xmap, ymap;
  int sx = 0, sy = 0;
  int c0 = 0, c1 = 0, r0 = 0, r1 = 0;  // drawn columns and rows, relative
};

// Shared set-up: sizes must be non-negative; only destination pixels inside
// the clip box whose source pixel exists are drawn.
bool MapBlit(DeviceContext& dst, int x, int y, int w, int h, DeviceContext& src, int sx, int sy, int sw, int sh,
             Mapped& m) {
  if (w < 0 || h < 0 || sw < 0 || sh < 0) return false;
  m.dl = dst.SX(x);
  m.dt = dst.SY(y);
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return true;
  const RECT box = dst.EffectiveClip().Box();
  m.c0 = int(std::clamp<std::int64_t>(box.Left - m.dl, 0, w));
  m.c1 = int(std::clamp<std::int64_t>(box.Right - m.dl, 0, w));
  m.r0 = int(std::clamp<std::int64_t>(box.Top - m.dt, 0, h));
  m.r1 = int(std::clamp<std::int64_t>(box.Bottom - m.dt, 0, h));
  if (m.c0 >= m.c1 || m.r0 >= m.r1) return true;
  m.sx = src.SX(sx);
  m.sy = src.SY(sy);
  m.xmap = NearestMap(sw, w, false, m.c0, m.c1);
  m.ymap = NearestMap(sh, h, false, m.r0, m.r1);
  auto xok = [&](int c) { return std::int64_t(m.sx) + m.xmap[size_t(c)] >= 0 && m.sx + std::int64_t(m.xmap[size_t(c)]) < src.surface.width; };
  auto yok = [&](int r) { return std::int64_t(m.sy) + m.ymap[size_t(r)] >= 0 && m.sy + std::int64_t(m.ymap[size_t(r)]) < src.surface.height; };
  while (m.c0 < m.c1 && !xok(m.c0)) ++m.c0;
  while (m.c1 > m.c0 && !xok(m.c1 - 1)) --m.c1;
  while (m.r0 < m.r1 && !yok(m.r0)) ++m.r0;
  while (m.r1 > m.r0 && !yok(m.r1 - 1)) --m.r1;
  return true;
}

// Calls fn(row, y, a, b) for each clipped run [a, b) of surface row y.
template <class RowFn> void ForEachClipped(DeviceContext& dst, const Mapped& m, RowFn fn) {
  if (m.c0 >= m.c1) return;
  const Region& clip = dst.EffectiveClip();
  const int x0 = int(m.dl + m.c0), x1 = int(m.dl + m.c1);
  for (int r = m.r0; r < m.r1; ++r) {
    int y = int(m.dt + r);
    const Region::Band* band = clip.BandAt(y);
    if (!band) continue;
    for (size_t i = 0; i + 1 < band->xs.size(); i += 2) {
      int a = std::max(x0, band->xs[i]), b = std::min(x1, band->xs[i + 1]);
      if (a < b) fn(r, y, a, b);
    }
  }
}

// Source column of surface x in a run.
inline int SourceX(const Mapped& m, int x) { return m.sx + m.xmap[size_t(x - m.dl)]; }

}  // namespace

BOOL AlphaBlend(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, BLENDFUNCTION bf) {
  DeviceContext* dst = GdiCheckDC(hdst);
  DeviceContext* src = GdiCheckDC(hsrc);
  if (!dst || !src || bf.BlendOp != AC_SRC_OVER) return FALSE;
  const bool perPixel = bf.AlphaFormat & AC_SRC_ALPHA;
  if (perPixel && src->surface.bpp != 32) return FALSE;
  Mapped m;
  if (!MapBlit(*dst, x, y, w, h, *src, sx, sy, sw, sh, m)) return FALSE;
  const std::uint32_t sca = bf.SourceConstantAlpha;
  std::vector<std::uint32_t> s, d, raw;
  ForEachClipped(*dst, m, [&](int r, int yy, int a, int b) {
    int n = b - a;
    s.resize(size_t(n));
    d.resize(size_t(n));
    int srcY = m.sy + m.ymap[size_t(r)];
    // Source pixels for this run, gathered through the column map.
    int first = SourceX(m, a), last = SourceX(m, b - 1);
    raw.resize(size_t(last - first + 1));
    ReadArgb(src->surface, srcY, first, last - first + 1, raw.data());
    for (int i = 0; i < n; ++i) s[size_t(i)] = raw[size_t(SourceX(m, a + i) - first)];
    ReadArgb(dst->surface, yy, a, n, d.data());
    for (int i = 0; i < n; ++i) {
      std::uint32_t sp = s[size_t(i)], dp = d[size_t(i)];
      std::uint32_t sr = (sp >> 16) & 0xFF, sg = (sp >> 8) & 0xFF, sb = sp & 0xFF, sa = sp >> 24;
      std::uint32_t dr = (dp >> 16) & 0xFF, dg = (dp >> 8) & 0xFF, db = dp & 0xFF, da = dp >> 24;
      if (perPixel) {
        // Premultiplied source scaled by the constant, then "over".
        sr = MulDiv255(sr, sca);
        sg = MulDiv255(sg, sca);
        sb = MulDiv255(sb, sca);
        sa = MulDiv255(sa, sca);
        std::uint32_t inv = 255 - sa;
        dr = std::min<std::uint32_t>(255, sr + MulDiv255(dr, inv));
        dg = std::min<std::uint32_t>(255, sg + MulDiv255(dg, inv));
        db = std::min<std::uint32_t>(255, sb + MulDiv255(db, inv));
        da = std::min<std::uint32_t>(255, sa + MulDiv255(da, inv));
      } else {
        std::uint32_t inv = 255 - sca;
        dr = MulDiv255(sr, sca) + MulDiv255(dr, inv);
        dg = MulDiv255(sg, sca) + MulDiv255(dg, inv);
        db = MulDiv255(sb, sca) + MulDiv255(db, inv);
        da = MulDiv255(sa, sca) + MulDiv255(da, inv);
        dr = std::min<std::uint32_t>(dr, 255);
        dg = std::min<std::uint32_t>(dg, 255);
        db = std::min<std::uint32_t>(db, 255);
        da = std::min<std::uint32_t>(da, 255);
      }
      d[size_t(i)] = (da << 24) | (dr << 16) | (dg << 8) | db;
    }
    WriteArgb(dst->surface, yy, a, n, d.data());
  });
  return TRUE;
}

BOOL TransparentBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, UINT key) {
  DeviceContext* dst = GdiCheckDC(hdst);
  DeviceContext* src = GdiCheckDC(hsrc);
  if (!dst || !src) return FALSE;
  Mapped m;
  if (!MapBlit(*dst, x, y, w, h, *src, sx, sy, sw, sh, m)) return FALSE;
  const std::uint32_t keyPx = ColorToPixel(key & 0xFFFFFF);
  std::vector<std::uint32_t> s, d;
  ForEachClipped(*dst, m, [&](int r, int yy, int a, int b) {
    int n = b - a;
    int srcY = m.sy + m.ymap[size_t(r)];
    int first = SourceX(m, a), last = SourceX(m, b - 1);
    s.resize(size_t(last - first + 1));
    ReadPixelRow(src->surface, srcY, first, last - first + 1, s.data());
    d.resize(size_t(n));
    ReadPixelRow(dst->surface, yy, a, n, d.data());
    for (int i = 0; i < n; ++i) {
      std::uint32_t p = s[size_t(SourceX(m, a + i) - first)];
      if (p != keyPx) d[size_t(i)] = p;
    }
    WritePixelRow(dst->surface, yy, a, n, d.data());
  });
  return TRUE;
}

#include "platform/gdi/Raster.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/PixelRows.h"
#include "platform/gdi/ShapeRegions.h"

namespace {

// 8x8 hatch masks, bit 7 leftmost; lines through row and column 7 so that a
// hatch tiled from the origin starts its pattern on the cell edge.
const Byte kHatch[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF},  // HS_HORIZONTAL
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

inline int Mod(int a, int m) {
  int r = a % m;
  return r < 0 ? r + m : r;
}

// Paints [x0, x1) of row y, already clipped.
void PaintSegment(const Surface& s, int y, int x0, int x1, const Paint& p, int rop2) {
  int n = x1 - x0;
  if (n <= 0 || p.kind == Paint::Kind::None || rop2 == R2_NOP) return;
  thread_local std::vector<std::uint32_t> buf;
  if (buf.size() < size_t(n)) buf.resize(size_t(n));
  std::uint32_t* d = buf.data();
  const bool needDst = rop2 != R2_COPYPEN && rop2 != R2_NOTCOPYPEN && rop2 != R2_BLACK && rop2 != R2_WHITE;
  const bool masked = p.kind == Paint::Kind::Pattern && !p.mask.empty();
  if (needDst || masked) ReadPixelRow(s, y, x0, n, d);
  if (p.kind == Paint::Kind::Solid) {
    if (rop2 == R2_COPYPEN) {
      std::fill(d, d + n, p.color);
    } else {
      for (int i = 0; i < n; ++i) d[i] = ApplyRop2(rop2, p.color, d[i]);
    }
  } else {
    int py = Mod(y - p.orgY, p.patH);
    const std::uint32_t* prow = &p.pat[size_t(py) * size_t(p.patW)];
    const Byte* mrow = masked ? &p.mask[size_t(py) * size_t(p.patW)] : nullptr;
    int px = Mod(x0 - p.orgX, p.patW);
    for (int i = 0; i < n; ++i) {
      if (!mrow || mrow[px]) d[i] = ApplyRop2(rop2, prow[px], d[i]);
      if (++px == p.patW) px = 0;
    }
  }
  WritePixelRow(s, y, x0, n, d);
}

}  // namespace

Paint SolidPaint(std::uint32_t pixel) {
  Paint p;
  p.kind = Paint::Kind::Solid;
  p.color = pixel & 0xFFFFFF;
  return p;
}

Paint BrushPaint(DeviceContext& dc, GdiBrush* b) {
  Paint p;
  if (!b || b->style == BS_NULL) return p;
  p.orgX = dc.origin.X + dc.st.brushOrg.X;
  p.orgY = dc.origin.Y + dc.st.brushOrg.Y;
  if (b->style == BS_SOLID) return SolidPaint(ColorToPixel(dc.Resolve(b->color)));
  p.kind = Paint::Kind::Pattern;
  if (b->style == BS_HATCHED) {
    p.patW = p.patH = 8;
    p.pat.resize(64);
    std::uint32_t fg = ColorToPixel(dc.Resolve(b->color));
    std::uint32_t bg = ColorToPixel(dc.Resolve(dc.st.bkColor));
    bool opaque = dc.st.bkMode == OPAQUE;
    if (!opaque) p.mask.resize(64);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        bool on = (kHatch[b->hatch][y] >> (7 - x)) & 1;
        p.pat[size_t(y * 8 + x)] = on ? fg : bg;
        if (!opaque) p.mask[size_t(y * 8 + x)] = on;
      }
    return p;
  }
  p.patW = b->patW;
  p.patH = b->patH;
  if (b->patternMono) {
    // Monochrome patterns take the DC's colours: 0 bits text, 1 bits background.
    std::uint32_t fg = ColorToPixel(dc.Resolve(dc.st.textColor));
    std::uint32_t bg = ColorToPixel(dc.Resolve(dc.st.bkColor));
    p.pat.resize(b->patternBits.size());
    for (size_t i = 0; i < p.pat.size(); ++i) p.pat[i] = b->patternBits[i] ? bg : fg;
  } else {
    p.pat = b->pattern;
  }
  if (p.patW <= 0 || p.patH <= 0) p.kind = Paint::Kind::None;
  return p;
}

void PaintSpan(DeviceContext& dc, int y, int x0, int x1, const Paint& p, int rop2) {
  if (x1 <= x0) return;
  const Region::Band* band = dc.EffectiveClip().BandAt(y);
  if (!band) return;
  for (size_t i = 0; i + 1 < band->xs.size(); i += 2) {
    int a = std::max(x0, band->xs[i]), b = std::min(x1, band->xs[i + 1]);
    if (a < b) PaintSegment(dc.surface, y, a, b, p, rop2);
  }
}

void PaintRect(DeviceContext& dc, RECT r, const Paint& p, int rop2) {
  if (r.Right <= r.Left || r.Bottom <= r.Top || p.kind == Paint::Kind::None) return;
  for (const Region::Band& band : dc.EffectiveClip().Bands()) {
    if (band.bottom <= r.Top) continue;
    if (band.top >= r.Bottom) break;
    int y0 = std::max(band.top, r.Top), y1 = std::min(band.bottom, r.Bottom);
    for (size_t i = 0; i + 1 < band.xs.size(); i += 2) {
      int a = std::max(r.Left, band.xs[i]), b = std::min(r.Right, band.xs[i + 1]);
      if (a >= b) continue;
      for (int y = y0; y < y1; ++y) PaintSegment(dc.surface, y, a, b, p, rop2);
    }
  }
}

void PaintRegion(DeviceContext& dc, const Region& rgn, const Paint& p, int rop2) {
  if (p.kind == Paint::Kind::None) return;
  Region clipped = Region::Combine(rgn, dc.EffectiveClip(), Region::Op::And);
  for (const Region::Band& band : clipped.Bands())
    for (int y = band.top; y < band.bottom; ++y)
      for (size_t i = 0; i + 1 < band.xs.size(); i += 2) PaintSegment(dc.surface, y, band.xs[i], band.xs[i + 1], p, rop2);
}


RowWindow ClipRows(DeviceContext& dc) {
  RECT box = dc.EffectiveClip().Box();
  return RowWindow{box.Top, box.Bottom};
}

Region ClipToBox(DeviceContext& dc, const Region& r) {
  return Region::Combine(r, Region(dc.EffectiveClip().Box()), Region::Op::And);
}

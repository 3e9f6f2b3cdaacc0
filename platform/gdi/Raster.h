// Span painting on a DC's surface: the common end of fills, shapes, lines and
// regions. Coordinates here are surface coordinates; the DC's effective clip
// is applied to every span.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"

// What a span is painted with: one colour, or a pattern tiled from an origin
// (hatched and pattern brushes). Pattern pixels whose mask byte is 0 are left
// alone (the gaps of a hatch in transparent background mode).
struct Paint {
  enum class Kind { None, Solid, Pattern };
  Kind kind = Kind::None;
  std::uint32_t color = 0;
  std::vector<std::uint32_t> pat;
  std::vector<Byte> mask;  // empty: every pattern pixel paints
  int patW = 0, patH = 0;
  int orgX = 0, orgY = 0;  // surface position of pattern pixel (0, 0)
};

Paint SolidPaint(std::uint32_t pixel);
// The DC's selected brush (or `brush`) with the DC's colours and brush origin.
Paint BrushPaint(DeviceContext& dc, GdiBrush* brush);

// ROP2 on 24-bit pixels: the code's four truth-table bits over pen and
// destination (minus one, as GDI numbers them from 1).
inline std::uint32_t ApplyRop2(int rop2, std::uint32_t pen, std::uint32_t dst) {
  unsigned t = unsigned(rop2 - 1) & 15;
  std::uint32_t r = 0;
  if (t & 8) r |= pen & dst;
  if (t & 4) r |= pen & ~dst;
  if (t & 2) r |= ~pen & dst;
  if (t & 1) r |= ~pen & ~dst;
  return r & 0xFFFFFF;
}

void PaintSpan(DeviceContext& dc, int y, int x0, int x1, const Paint& p, int rop2);
void PaintRect(DeviceContext& dc, RECT r, const Paint& p, int rop2);
void PaintRegion(DeviceContext& dc, const Region& rgn, const Paint& p, int rop2);

// Styled one-pixel pens on curved outlines: the pixels of the outline ring
// are put in order along it, so the dash pattern runs on around the curve.
#pragma once
#include "platform/gdi/PenStroke.h"
#include "platform/gdi/Region.h"

// Strokes `ring` (a one-pixel outline of a convex shape around (cx, cy))
// pixel by pixel in the order of the pixels' angles on the rx x ry ellipse:
// counter-clockwise (y up) from angle a0, or clockwise back from a0 + 2 pi
// when `clockwise`. Segments added to `stroke` afterwards continue the pattern.
void DashRing(PenStroke& stroke, const Region& ring, double cx, double cy, double rx, double ry, double a0,
              bool clockwise);
// Outlines whose bounds stay within this many pixels are ordered whole, so
// the pattern does not depend on the clip; of larger ones only the part
// inside the clip box is ordered and drawn, so that a huge figure costs what
// its visible part costs.
constexpr int kDashWholeOutline = 1 << 11;

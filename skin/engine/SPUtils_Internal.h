// Piece copying and tiling shared by the composition and mask routines.
#pragma once
#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/Types.h"

class TBitmap;

namespace sputils {

// The bitmap's DC, set to copy scaled pieces by their nearest pixels.
HDC PrepareTarget(TBitmap* b);
// Source rectangle s into destination d, scaled when the sizes differ;
// nothing when either has no width or height.
void CopyPiece(HDC dst, const TRect& d, HDC src, const TRect& s);
// Tiles the source band of length L over [d0, d1): every tile starts with
// the band's first column (TileX) or row (TileY); the last is cut at d1.
void TileX(HDC dst, int d0, int d1, int dTop, int dBottom, HDC src, int sLeft, int L, int sTop, int sBottom);
void TileY(HDC dst, int d0, int d1, int dLeft, int dRight, HDC src, int sTop, int L, int sLeft, int sRight);
// Tiles s over d in both directions, cut at d's right and bottom edges.
void TileXY(HDC dst, const TRect& d, HDC src, const TRect& s);
TRect Offset(const TRect& r, int dx, int dy);

}  // namespace sputils

// Icons and cursors: a colour image with an AND mask (or 32-bit colour with
// alpha) and a hot spot. Drawing follows the screen rule: the mask ANDs the
// destination, then the image XORs it; images with alpha blend instead.
#pragma once
#include "platform/gdi/GdiTypes.h"

// Copies the bitmaps of `info` (the caller keeps them). A colour icon takes
// its size from hbmColor and needs a mask at least as large; without
// hbmColor the mask is twice as high, AND half on top. Icons (fIcon) have
// their hot spot at the centre. nullptr for bad handles or sizes.
HGDIICON CreateIconIndirect(const ICONINFO* info);
// New bitmaps the caller deletes: a 1-bit mask and a 32-bit bottom-up DIB
// section (alpha kept), or a double-height mask alone for monochrome icons.
BOOL GetIconInfo(HGDIICON icon, ICONINFO* info);
HGDIICON CopyIcon(HGDIICON icon);
BOOL DestroyIcon(HGDIICON icon);
// cx or cy 0: the icon's own size, or 32 with DI_DEFAULTSIZE. Stretching
// takes the pixel under each destination centre. DI_MASK alone copies the
// mask (white = transparent), DI_IMAGE alone the image; a flicker brush
// fills the rectangle first. The DC's ROP2 does not apply.
BOOL DrawIconEx(HDC dc, int x, int y, HGDIICON icon, int cx, int cy, UINT step, HBRUSH flickerBrush, UINT flags);
// At the default size (32 x 32).
BOOL DrawIcon(HDC dc, int x, int y, HGDIICON icon);

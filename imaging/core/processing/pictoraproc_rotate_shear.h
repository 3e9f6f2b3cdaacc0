// The turns by angles other than quarters, behind RotateBitmap and
// RotateBits1.
#pragma once
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

// A 24-bit bitmap turned by degrees (within +-45, not 0) with three shears
// into a bitmap of the turned size; its alpha channel turns the same way,
// transparent where the background comes in.
void RotShearBitmap(TVQBitmap& bitmap, double degrees, bool antialias, TRGBPixel background,
                    TVQProgressRec* progress);

// A 1-bit bitmap turned by any angle, each result pixel mapped back into
// the source (alpha alike, transparent outside).
void RotMapBits1(TVQBitmap& bitmap, bool whiteBackground, TVQProgressRec* progress, double angle);

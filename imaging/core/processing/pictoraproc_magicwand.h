// Selecting the pixels whose colour is close to the colour under a point:
// the connected region (four-connected) or every such pixel of the picture.
// A pixel matches when each of its red, green and blue differs from the
// seed pixel's by at most the tolerance; pixels of every format are read as
// RGB.
#pragma once
#include <vector>

#include "platform/rtl/Types.h"

class TVQBitmap;
class TVQMask;

// Marks the region around (x, y) in the mask with maskValue; with grow,
// each region pixel's 3 x 3 neighbourhood (clipped to the image). Nothing
// when (x, y) lies outside the bitmap.
void MagicWandFill(TVQBitmap* bitmap, int x, int y, int maskValue, TVQMask* mask, int tolerance, bool grow);

// Marks every matching pixel of the picture. Nothing when (x, y) lies
// outside the bitmap.
void MagicWandGlobal(TVQBitmap* bitmap, int x, int y, int maskValue, TVQMask* mask, int tolerance);

// The outline of the region around (x, y) as a closed polygon of pixel
// corners (a region's left edge at its first column, its right edge one past
// its last), with grow the region's pixels widened by one within its box;
// empty with count 0 when (x, y) lies outside the bitmap. The tracing grid
// has four cells per pixel each way over the region's box, two bits a
// cell; a box whose grid would pass VQMaxPixelBlock bytes raises
// EOutOfMemory.
std::vector<TPoint> MagicWandOutline(TVQBitmap* bitmap, int x, int y, int& count, int tolerance, bool grow);

// Row access shared by the turning and mirroring routines.
#pragma once
#include <functional>
#include <memory>

#include "imaging/core/raster/vqzutils_bitmap.h"

// b itself when its rows stay put, otherwise a memory copy kept in holder.
TVQBitmap& RotMemoryRows(TVQBitmap& b, std::unique_ptr<TVQBitmap>& holder);

// body(first, last, rows) with rows[k] the address of row first + k: bands
// on all cores when the rows stay put and parallel is true, otherwise one
// row at a time in order (file-backed rows are written back).
using TVQRotBand = std::function<void(int first, int last, Byte* const* rows)>;
void RotWriteRows(TVQBitmap& dst, const TVQRotBand& body, bool parallel = true);

// A one-byte alpha plane the size of the image takes the rows of plane.
void RotSetAlphaFrom(TVQBitmap& image, TVQBitmap& plane);

// Walking the rows of one or two bitmaps for the pixel routines: in
// parallel bands when every row address stays valid (memory and TBitmap
// storage), one row at a time through the file views otherwise, and in
// order when a progress handler wants to hear of each row.
#pragma once
#include <functional>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/base/vqzutils_progress.h"

// Addresses of every row, top first, of an image whose rows stay put (not
// file-backed); empty otherwise.
std::vector<Byte*> VQRowTable(TVQBitmap& bitmap);

// How a row walk reports progress after row y (from 1) of h.
enum class TVQRowPercent { Scaled, Divided };  // 100 / (h + 0.5) x y, or y x 100 / (h + 0.5)

// body(first, last, src rows, dst rows) for bands of rows [first, last):
// src[y] and dst[y] are the rows' addresses for y in the band (indexes are
// image rows; entries outside the band are not to be used). dst may be
// null. Source rows are read-only; the body writes every pixel of its
// destination rows (a file-backed row is handed out zeroed, not read).
// With a progress handler, or when parallel is false, the rows go one by
// one in order.
using TVQRowBand = std::function<void(int first, int last, Byte* const* src, Byte* const* dst)>;
// inPlace: the body rewrites the source rows (dst null).
void VQWalkRows(TVQBitmap& src, TVQBitmap* dst, const TVQRowBand& body, TVQProgressRec* progress = nullptr,
                TVQRowPercent percent = TVQRowPercent::Scaled, bool parallel = true, bool inPlace = false);

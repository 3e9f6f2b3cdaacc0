// Framework bitmaps and the row views of the pixel routines. The routines'
// bitmap entry points work on a 24-bit bitmap's own rows through a RowImage
// and hand their result back as a new 24-bit bitmap.
//
// Ownership: a routine that makes a picture returns std::unique_ptr<TBitmap>;
// the caller owns it (release() hands it to a raw pointer). Sources are
// passed as TBitmap*, converted to 24 bits in place and never freed.
#pragma once
#include <functional>
#include <memory>

#include "app/pixels/RowImage.h"
#include "platform/graphics/Bitmap.h"

// Converts the bitmap to pf24bit in place (nothing when it already is) and
// returns a view of its rows: bottom-up, so the stride is negative. An empty
// bitmap gives an empty view. The view lasts until the bitmap's size, format
// or handle changes. Raises EInvalidGraphicOperation for a null bitmap.
RowImage BitmapRows(TBitmap* bitmap);
// The same view for reading only: a 24-bit bitmap's pixels are not made its
// own first, so one that shares them (TBitmap::ShareFrom) is not copied.
// The caller writes nothing through it.
RowImage BitmapRowsToRead(TBitmap* bitmap);

// A new 24-bit bitmap with the picture's pixels.
std::unique_ptr<TBitmap> BitmapFromRows(const RowImage& picture);
// A new 24-bit bitmap of width x height (at least 1 by 1) whose rows `write`
// fills, every pixel of them: a routine's result made in place, not copied.
std::unique_ptr<TBitmap> BitmapWrittenBy(int width, int height, const std::function<void(const RowImage&)>& write);

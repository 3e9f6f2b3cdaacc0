// Edge-preserving skin smoothing and the blend of the smoothed picture with
// the original by how much each pixel moved.
#pragma once
#include <vector>

#include "app/pixels/BitmapRows.h"
#include "app/pixels/RowImage.h"

// Offsets sampled along one direction with n neighbours available: all of
// -n..n but 0 up to 5, else the ten at 1, (b+1) div 2, b, Round((b+n)/2), n and
// their negatives with b = Round((n+1)/2).
std::vector<int> SmoothOffsets(int n);

// Weight of a sample whose largest channel difference from the centre is d.
int SmoothDifferenceWeight(int d);

// Averages each pixel with similar neighbours along the rows, columns and both
// diagonals; radius 0 means 5. `progress` (may be empty) hears on the calling
// thread as rows are done (see PictureRows).
RowImageBuffer SmoothPicture(const RowImage& source, int radius, const RowProgress& progress = {});

// Per pixel, moves from `source` towards `smoothed` by fine, mid or rough
// percent as the smoothing moved it by at most 2, 3..8, or more than 8.
RowImageBuffer BlendByDifference(const RowImage& source, const RowImage& smoothed, int fine,
                                 const RowProgress& progress, int rough, int mid);

// The same on framework bitmaps: sources are converted to 24 bits in place and
// left alive; the caller owns the new bitmap. A progress bar is driven through
// `progress` (its maximum is the `total` it is told).
std::unique_ptr<TBitmap> SmoothPicture(TBitmap* source, int radius, const RowProgress& progress = {});
// The smoothing written over every pixel of `into`, a 24-bit bitmap of the
// source's size other than the source, so a slider change reuses the last
// smoothing's memory; the sizes are checked before anything is written.
void SmoothPictureInto(TBitmap* source, int radius, const RowProgress& progress, TBitmap* into);
std::unique_ptr<TBitmap> BlendByDifference(TBitmap* source, TBitmap* smoothed, int fine, const RowProgress& progress,
                                           int rough, int mid);
// The same blend written over every pixel of `into`, a 24-bit bitmap of the
// source's size, so a picture's memory serves again instead of fresh pages;
// the sizes are checked before anything is written.
void BlendByDifferenceInto(TBitmap* source, TBitmap* smoothed, int fine, const RowProgress& progress, int rough,
                           int mid, TBitmap* into);

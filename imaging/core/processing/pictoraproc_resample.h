// The resampling filters of the imaging library, by which images are
// resized and views draw zoomed pictures.
//
// Every routine writes into a destination the caller allocated at the
// wanted size: the destination's size decides the scale. Rows go to all
// cores unless a progress handler wants to hear of each row in order; the
// bytes are the same for any thread count.
#pragma once
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/base/vqzdefs.h"
#include "platform/rtl/Types.h"

class TVQBitmap;

enum TResampleFilter : Byte {
  rfNone,
  rfTriangle,
  rfHermite,
  rfBell,
  rfBSpline,
  rfLanczos3,
  rfMitchell,
  rfNearest,
  rfLinear,
  rfFastLinear,
  rfBilinear,
  rfBicubic
};

// A kernel and its support radius, for rfTriangle to rfLinear.
struct TResampleKernel {
  double (*Kernel)(double x);
  double Support;
};
// Indexed by filter; entries outside rfTriangle..rfLinear have no kernel.
extern const TResampleKernel ResampleKernels[rfBicubic + 1];

// sin(pi x) / (pi x), 1 at 0.
double Sinc(double x);

// The dispatcher: rfNone stretches to the nearest pixel, a 1-bit source
// becomes 24-bit grey, the rest is filtered. An alpha channel is resampled
// with the same filter. Fully transparent source pixels are taken as grey
// 128 so their colour does not bleed into visible edges; the caller's
// source keeps its pixels.
void ResampleBitmap(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter, TVQProgressRec* progress = nullptr);

// Nearest neighbour, every pixel format (the destination takes the source's
// format; a paletted destination keeps its own palette).
void StretchNearest(TVQBitmap* source, TVQBitmap* dest, TVQProgressRec* progress = nullptr);

// 24-bit sources through the kernel filters (rfFastLinear, rfBilinear and
// rfBicubic go to their own routines). The destination becomes 24-bit.
// Sources the filters cannot take (other formats, 1 x 1, rfNone) are
// stretched to the nearest pixel, so the destination is always written.
void ResampleFiltered(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter,
                      TVQProgressRec* progress = nullptr);
// One byte per pixel (grey images and alpha channels).
void ResampleFilteredGray(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter);
// A 1-bit source (set bits 255) into a 24-bit grey destination.
void ResampleFiltered1Bit(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter);

// Linear interpolation when enlarging, averaging of the covered source
// pixels when reducing; the last window reaches the last source pixel.
void FastLinear24(TVQBitmap* source, TVQBitmap* dest, TVQProgressRec* progress = nullptr);
void FastLinearGray(TVQBitmap* source, TVQBitmap* dest, TVQProgressRec* progress = nullptr);
void FastLinear1Bit(TVQBitmap* source, TVQBitmap* dest);
// Fast linear reductions average narrow windows from rows of window means
// built with vector instructions, unless switched off (then pixel by pixel);
// both ways give the same bytes, which the tests compare.
void SetFastLinearSimd(bool enabled);

// The kernel filters make 24-bit rows and divide their sums with vector
// instructions unless switched off; the same bytes either way.
void SetResampleSimd(bool enabled);

// Area-weighted resampling of a 24-bit source, each piece of a destination
// pixel's footprint taking a bilinear or bicubic value.
void AreaInterpolate(TVQBitmap* source, TVQBitmap* dest, bool bicubic, TVQProgressRec* progress = nullptr);

// The share of set bits of a 1-bit source rectangle (inclusive corners)
// under each pixel of a smaller 24-bit grey destination.
void ReduceArea(TVQBitmap* source, int x1, int y1, int x2, int y2, TVQBitmap* dest);

// Pixels of a 24-bit bitmap whose alpha is 0 take the colour.
void FillTransparentPixels(TVQBitmap* bitmap, TRGBPixel color);

// Cubic convolution (a = -1) of four samples at fraction t, clamped to
// [0, 255].
double KeysCubic(double pm1, double p0, double p1, double p2, double t);

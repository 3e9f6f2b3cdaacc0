// PNG filter of the imaging library: the glue over libpng that reads PNG
// files into bitmaps, parameter block fields and alpha masks.
#pragma once
#include <memory>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TIOParamsVals;

// Fills the PNG slot of the I/O component (done when the library starts).
void RegisterPngFilter();

// True when the stream, from its position, starts with the first four bytes
// of the PNG signature and holds at least eight bytes; the position is
// restored.
bool IsPngStream(TStream* Stream);

// Reads a PNG image. NoAlphaMask composes alpha onto the file's bKGD colour
// (or Params->PngBackground) instead of filling Mask. Bad input sets
// *Progress.Aborting and returns.
void LoadPngImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, bool NoAlphaMask,
                  std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress);

// Writes Bitmap as PNG (pngfiltw.cpp); Mask, when it holds alpha, becomes
// the alpha channel. Errors and short writes set *Progress.Aborting.
void SavePngImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, TVQMask* Mask,
                  TVQProgressRec& Progress);

// Portable any-map (P1 to P6) and wireless bitmap readers and writers.
#pragma once
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TIOParamsVals;
struct TVQProgressRec;

// Reads one PNM from the stream's position: bitmaps as 1-bit images, grey
// and pixel maps as 24-bit ones; samples of maxval above 255 are two bytes.
// Bad or short data sets *Progress.Aborting.
void LoadPnmImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TVQProgressRec& Progress);
// Writes a 1-bit image as P4, a grey one (8 bits, one sample) as P5, any
// other as P6, with the block's comments in the header.
void SavePnmImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);
// WBMP type 0, sizes as multi-byte integers.
void LoadWbmpImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                   TVQProgressRec& Progress);
// Images past 255 on a side keep their top-left part, cut to at most 255.
void SaveWbmpImage(TStream& Stream, TVQBitmap* Bitmap, TVQProgressRec& Progress);

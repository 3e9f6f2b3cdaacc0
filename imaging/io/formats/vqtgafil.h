// TGA filter of the imaging library: the plausibility test that content
// detection uses, the reader and the writer.
#pragma once
#include <memory>

#include "platform/rtl/Streams.h"

// True when the 18-byte header at the stream's position has colour map type
// 0 or 1, image type 1, 2, 3, 9, 10 or 11 and pixel depth 1, 4, 8, 16, 24 or
// 32; the position is restored.
bool IsTgaStream(TStream* Stream);

class TVQBitmap;
class TVQMask;
class TIOParamsVals;
struct TVQProgressRec;

// Reads one TGA from the stream's position (its footer and extension area
// at the stream's end). A 32-bit image with alpha fills Mask (created when
// nil) unless NoAlphaMask. Bad or short data sets *Progress.Aborting.
void LoadTgaImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool NoAlphaMask,
                  std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress);
// Writes the image as a 24-bit TGA, or 32-bit when Mask holds alpha, with
// its extension area and footer.
void SaveTgaImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQMask* Mask,
                  TVQProgressRec& Progress);
// Fills the I/O component's TGA slot (done once at start-up).
void InstallTgaFilter();

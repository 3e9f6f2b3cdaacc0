// Windows icon and cursor readers and the icon writer. The content tests
// are in bmpfilt.h.
#pragma once
#include <cstdint>
#include <memory>
#include <span>

#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TVQMask;
struct TVQProgressRec;

// The image count of the directory at the stream's position (0 when the
// stream is shorter than the header); the position is restored.
int ReadIcoCount(TStream* Stream);

// Reads directory entry IcoImageIndex of an icon file at the stream's
// position (a stream that starts with "BM" is read as a BMP file). An index
// outside the directory reads nothing. Transparent pixels become
// IcoBackground, or 0 in Alpha (created when nil) unless NoAlpha. Entries
// holding a PNG stream are read by the PNG filter. Bad or short data sets
// *Progress.Aborting.
void LoadIcoImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                  std::unique_ptr<TVQMask>& Alpha, TVQProgressRec& Progress, bool ParamsOnly);
// The same for a cursor file: entry CurImageIndex, its hot spot into
// CurHotSpotX and CurHotSpotY, CurBackground for transparent pixels.
void LoadCurImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                  std::unique_ptr<TVQMask>& Alpha, TVQProgressRec& Progress, bool ParamsOnly);

// Writes an icon file with one entry per size, the image resampled to it,
// at the bit count of the same index (1, 4, 8, 24 or 32; 0: the block's
// BitsPerSample and SamplesPerPixel). Sizes follow the resampler's rules
// (-1 keeps the aspect, 0 the image's side) and must come out at most 256.
void SaveIcoImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, std::span<const std::int32_t> Bits,
                  std::span<const TIOParamsVals::TIcoSize> Sizes, TVQProgressRec& Progress);

// The slots through which the I/O component reaches the built-in format
// filters. Each filter module fills its slot when the library starts; a
// format whose slot is empty cannot be read or written, and the component's
// entry points then report it through the abort flag.
#pragma once
#include <cstdint>
#include <memory>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TIOParamsVals;
struct TGifStreamIndex;

// What a load passes to a reader besides the stream, image, block and
// progress, and what the reader gives back.
struct TVQFilterLoadArgs {
  bool ParamsOnly = false;
  // The reader keeps no transparency mask (params-only reads).
  bool NoAlphaMask = false;
  // Bytes of image data from the position; 0 when the reader takes the
  // rest of the stream.
  std::int64_t DataSize = 0;
  // TIFF: offsets count from the stream's position rather than its start.
  bool BaseAtPosition = true;
  // Set by a reader that found transparency.
  std::unique_ptr<TVQMask> Mask;
  // Images or frames in the file, for the multi-image formats.
  int ImageCount = 0;
  // GIF: the stream's blocks as a previous read of it found them (filled
  // when empty), so that reading frame after frame walks them once.
  TGifStreamIndex* GifIndex = nullptr;
};

struct TVQFilterSaveArgs {
  // The image's alpha channel as an 8-bit mask, or nil.
  TVQMask* AlphaMask = nullptr;
};

// Filters report bad input by setting *Progress.Aborting and returning.
using TVQFilterLoad = void (*)(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                               TVQProgressRec& Progress);
using TVQFilterSave = void (*)(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs& Args,
                               TVQProgressRec& Progress);

struct TVQBuiltInFilter {
  TVQFilterLoad Load = nullptr;
  TVQFilterSave Save = nullptr;
};

// The slot of a built-in file type (1 to 19); other types have none.
// Setting a slot replaces what was there; an empty routine clears it.
void SetBuiltInFilter(int FileType, TVQFilterLoad Load, TVQFilterSave Save);
TVQBuiltInFilter BuiltInFilter(int FileType);

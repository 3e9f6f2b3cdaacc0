// JPEG filter of the imaging library: the glue over libjpeg (version 62
// API) that reads JPEG data into bitmaps and parameter blocks and writes
// them back, with the codec's errors turned into the abort flag.
#pragma once
#include <cstdint>
#include <string>

#include "imaging/core/base/vqzutils_progress.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TIOParamsVals;

// A codec error, carrying the text of its message code.
LUMIQA_EXCEPTION(EVQJpegException, Exception)

// The first of the 100 positions from the stream's position on at which the
// bytes FF D8 FF stand, or -1 when none does; the position is restored.
std::int64_t FindJpegStart(TStream* Stream);

// The text of a codec message code: the classic libjpeg table (codes 0 to
// 123) with every printf conversion written as "?"; "Corrupted" for any
// other code.
std::string JpegMessageText(int Code);

// Reads the JPEG found within the first 100 bytes from the stream's
// position. TablesStream (or nil) holds a tables-only data stream read
// first. NoColorConversion hands the components over as stored. Bad input
// sets *Progress.Aborting; a stream that ends inside the coded data only
// warns (JpegWarningCount) and gives every row.
void LoadJpegImage(TStream* Stream, TStream* TablesStream, TVQBitmap* Bitmap, bool NoColorConversion,
                   bool ParamsOnly, TVQProgressRec& Progress, TIOParamsVals& Params);

// Writes Bitmap as a JPEG with the block's settings and markers. A codec
// error sets *Progress.Aborting and raises EVQJpegException; a short write
// sets the flag and stops.
void SaveJpegImage(TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);
// The same, with CMYK written as plain inks and no Adobe marker when asked:
// the form TIFF readers expect in JPEG strips (ours reads both).
void SaveJpegStream(TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress,
                    bool PlainCmykInks);

// Fills the I/O component's JPEG slot (done once at start-up).
void InstallJpegFilter();

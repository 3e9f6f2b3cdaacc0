// PCX and DCX filter of the imaging library: PaintBrush images of 1, 2, 4
// and 8 bits in one plane, 1 bit in two to four planes and 8 bits in three
// or four planes, raw or run-length coded, and the multipage DCX container
// (content test, page count, reading one page, inserting a page).
#pragma once
#include <cstdint>

#include "platform/rtl/Streams.h"

constexpr std::uint32_t kDcxMagic = 987654321;  // 0x3ADE68B1
constexpr int kDcxMaxPages = 1024;

class TVQBitmap;
class TIOParamsVals;
struct TVQProgressRec;

// The DCX magic at the stream's position, then a table of page offsets ended
// by a 0 (or full at 1024 entries), each below the stream's size. A stream
// that ends inside the table is no DCX. The position is restored.
bool IsDcxStream(TStream* Stream);
// The number of page offsets in the table (those read before the stream
// ends); the position is restored.
int CountDcxPages(TStream* Stream);

// Reads the PCX image at the stream's position. DataSize: its bytes from
// the header on, the 256-colour palette being the last 768 of them; 0 or
// more than the stream holds means the rest of the stream. Bad or short
// data sets *Progress.Aborting (rows decoded before the end stay).
void LoadPcxImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TVQProgressRec& Progress, std::int64_t DataSize);
// Writes the image at the stream's position as a PCX of 1, 4 or 8 bits in
// one plane or 8 bits in three planes, chosen from BitsPerSample and
// SamplesPerPixel; run-length coded when PcxCompression is set.
void SavePcxImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);

// Reads page DcxImageIndex (clamped to the pages there are, and stored back)
// of the DCX at the stream's position; offsets count from the stream's start.
void LoadDcxPage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                 TVQProgressRec& Progress);
// Inserts the image as a page before page DcxImageIndex (after the last one
// when it equals the page count, nowhere when larger) of the DCX the stream
// holds; an empty stream is a DCX without pages. The new file is built in
// memory and then replaces the stream's content.
void SaveDcxPage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);

// Fills the I/O component's PCX and DCX slots (done once at start-up).
void InstallPcxFilter();

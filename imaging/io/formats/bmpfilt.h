// BMP, icon, cursor and portable any-map filters of the imaging library:
// the content tests that content detection uses and the BMP reader and
// writer (icons and cursors in bmpfilt_ico.h, any-maps in bmpfilt_pnm.h).
#pragma once
#include "platform/rtl/Streams.h"

// An icon (type 1) or cursor (type 2) directory at the stream's position:
// more than 22 bytes, a zero reserved word, the type, a count above 0, and
// that many 16-byte entries each with a zero reserved byte, a data size
// above 0 and a data offset at or past the end of that entry. The position
// is restored.
bool IsIcoStream(TStream* Stream);
bool IsCurStream(TStream* Stream);

// A PNM header at the stream's position: after any comments the magic "P1"
// to "P6", then a width and a height both above 0. The position is restored.
bool IsPnmStream(TStream* Stream);

class TVQBitmap;
class TIOParamsVals;
struct TVQProgressRec;

// Reads one BMP from the stream's position. Size: the BMP's bytes, below 1
// when unknown. Bad data sets *Progress.Aborting and returns.
void LoadBmpImage(TStream& Stream, TVQBitmap* Bitmap, int Size, bool NoFileHeader, bool ParamsOnly,
                  TVQProgressRec& Progress, TIOParamsVals& Params);
// Writes the image as a BMP of 1, 4, 8 or 24 bits at the stream's position.
void SaveBmpImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);
// Fills the I/O component's BMP, PNM, WBMP, ICO and CUR slots (done once at
// start-up).
void InstallBmpFilter();

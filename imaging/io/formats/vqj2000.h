// JPEG 2000 filter of the imaging library: the glue over OpenJPEG that reads
// JP2 files and J2K code streams into bitmaps and writes either.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "imaging/core/base/vqzutils_progress.h"
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TIOParamsVals;

// The JP2 signature box (00 00 00 0C 6A 50 20 20 0D 0A 87 0A) at the stream's
// position; the position is restored.
bool IsJp2Stream(TStream* Stream);
// A code stream: start of code stream and SIZ markers (FF 4F FF 51) at the
// stream's position; the position is restored.
bool IsJ2kStream(TStream* Stream);

// Reads a JP2 file or a J2K code stream from the stream's position. Grey
// images fill one sample, RGB and YCbCr images three (a fourth component,
// alpha, is not kept); the bitmap is 1-bit for one 1-bit sample, else 24-bit.
// Samples keep their top 8 bits (narrower ones are scaled up). ParamsOnly
// reads the header alone. Bad, truncated or oversized input and codec errors
// set *Progress.Aborting; an abort set while reading stops the read.
void LoadJ2kImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TVQProgressRec& Progress);

// The codec formats a save can ask for.
constexpr int kJ2kFormatJp2 = 0;  // "jp2"
constexpr int kJ2kFormatJpc = 1;  // "jpc"
// The name and description of a codec format, or nil for another number.
const char* J2kFormatName(int Format);
const char* J2kFormatDescription(int Format);

// Writes the image at the stream's position as a JP2 file (Format 0) or a
// code stream (Format 1): one grey component when J2kColorSpace is 0 (always
// for a 1-bit image, which also sets BitsPerSample 1 and J2kColorSpace 0),
// else RGB, at BitsPerSample bits. Codec errors and short writes set
// *Progress.Aborting.
void SaveJ2kImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, int Format, TVQProgressRec& Progress);

// How a save's parameters reach the encoder.
struct TJ2kEncoderOptions {
  int Precision = 8;
  int Components = 3;
  // Compression ratio of the only quality layer; 0 keeps every bit.
  double Ratio = 0;
  // 0 layer-resolution-component-position, 1 resolution-layer-component-
  // position, -1 the encoder's default.
  int Progression = -1;
  int Resolutions = 6;
  // The reversible colour transform of three components.
  bool ColourTransform = true;
};
// The options for a width x height image of the bitmap's kind with the
// block's fields (after the 1-bit adjustment).
TJ2kEncoderOptions J2kEncoderOptions(const TIOParamsVals& Params, int Width, int Height);

// Colour tables from YCbCr to RGB, for Cb or Cr of 0 to 255.
struct TJ2kYccTables {
  std::array<int, 256> CrR, CbB, CrG, CbG;
};
const TJ2kYccTables& J2kYccTables();

// A file stream on a new temporary file named "pictora..." in TempFolder,
// or in the system temporary folder when that is empty (missing folders are
// created); the file is deleted with the stream. Raises EFCreateError when
// no file can be made.
class TVQTmpStream : public TFileStream {
 public:
  TVQTmpStream();
  ~TVQTmpStream() override;
  std::string ClassName() const override { return "TVQTmpStream"; }
};

// Fills the I/O component's JP2 and J2K slots (done once at start-up).
void InstallJ2kFilter();

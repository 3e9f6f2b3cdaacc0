// What the TIFF reader's directory half hands its pixel half: the chosen
// image's tags, checked against the stream.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class TVQBitmap;
class TVQMask;
class TIOParamsVals;

// Larger images are refused rather than allocated.
constexpr std::int64_t kTiffMaxPixels = std::int64_t(1) << 28;

struct TTIFFVars {
  TStream* Stream = nullptr;
  std::int64_t Base = 0;  // offsets count from here
  std::int64_t End = 0;   // the stream's size
  bool BigEndian = false;
  int Width = 0;
  int Length = 0;
  int SamplesPerPixel = 1;
  int BitsPerSample = 1;
  std::int64_t RowsPerStrip = 0;
  int TileWidth = -1;
  int TileLength = -1;
  int Photometric = 2;
  int PlanarConfig = 1;
  int Orientation = 1;
  int Compression = 1;
  int Predictor = 1;
  int T4Options = 0;
  int FillOrder = 1;
  int ExtraSamples = 0;
  std::vector<std::uint32_t> StripOffsets, StripByteCounts;
  std::vector<std::uint32_t> TileOffsets, TileByteCounts;
  TRGBPixel ColorMap[256] = {};
  int ColorMapCount = 0;
  std::vector<Byte> JpegTables;
  std::string Software;
  int JpegProc = 0;
  std::uint32_t JpegIfOffset = 0, JpegIfLength = 0;
  TVQTiffLzwDecompressFunc LzwDecompress = nullptr;
  TIOParamsVals* Params = nullptr;
  TVQMask* Mask = nullptr;  // nil when no mask is filled
};

// Reads the strips or tiles into the bitmap (final size and pixel format)
// and the mask; bad data sets the abort flag.
void TiffDecodeImage(TTIFFVars& v, TVQBitmap* Bitmap, TVQProgressRec& Progress);

// The bytes at Base + offset, as many as lie inside the stream; false when
// the offset itself is past the end.
bool TiffReadAt(TTIFFVars& v, std::uint32_t offset, std::int64_t count, std::vector<Byte>& out);

// TIFF filter of the imaging library: the reader (one image of the chain,
// both byte orders, strips and tiles), the writer (a new little-endian file
// or an image linked into an existing one), the image count, and the EXIF
// block of JPEG files, which is a TIFF structure.
#pragma once
#include <cstdint>
#include <memory>

#include "imaging/core/base/vqzutils_progress.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class TVQBitmap;
class TVQMask;
class TIOParamsVals;

// Reads the image whose index is Params->TiffImageIndex. BaseAtPosition:
// offsets count from the stream's position, else from its start.
// AllowMissingSize lets an image without width or length through (the
// EXIF thumbnail). NoAlphaMask: no mask is made or filled; otherwise Mask
// is reused, or created when the image has alpha. ImageCount receives the
// number of images in the chain. Params may be nil only for counting (no
// bitmap). Bad input sets *Progress.Aborting.
void LoadTiffImage(TVQBitmap* Bitmap, TStream& Stream, int& ImageCount, bool AllowMissingSize, bool NoAlphaMask,
                   bool BaseAtPosition, std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress,
                   TIOParamsVals* Params);
// The number of images in the chain from the stream's position.
int CountTiffImages(TStream& Stream);

// Writes Bitmap as one image of a little-endian TIFF with the block's
// compression, photometric and metadata, or, with Bitmap nil, only the
// metadata tags (the EXIF block). Append: the stream holds a TIFF and the
// image is linked in at Params.TiffImageIndex (at the end when the index is
// not below the count). Returns the number of images in the stream, 0 when
// appending to something that is not a little-endian TIFF. A short write
// sets *Progress.Aborting.
int SaveTiffImage(TStream& Stream, bool Append, TVQBitmap* Bitmap, TVQProgressRec& Progress, TIOParamsVals& Params);

// True when the first two bytes give a byte order, "II" or "MM".
bool IsTiffHeader(const std::uint8_t* Head);

// Fills the I/O component's TIFF slot (done once at start-up).
void InstallTiffFilter();

// The EXIF block of a JPEG APP1 segment: "Exif", two zero bytes and a TIFF
// structure with the block's EXIF fields. Buffer is a new block (free with
// delete[]).
void BuildExifBlock(TIOParamsVals* Params, Byte*& Buffer, int& Length);
// 1 when Data is an EXIF block and was read into Params (its fields, its
// thumbnail into ExifThumbnail, ExifPresent set); 0 otherwise, nothing
// changed.
int ReadExifBlock(const Byte* Data, int Length, TIOParamsVals* Params);
// The EXIF fields of Source into Dest; Dest's ExifImageDescription takes
// Source's TiffImageDescription, and the orientation and resolutions go
// through their setters.
void CopyExifFields(const TIOParamsVals* Source, TIOParamsVals* Dest);

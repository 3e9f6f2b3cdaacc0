// Resizing and rotation of 24-bit pictures. Every routine leaves the source
// alone and returns a new picture that the caller owns.
#pragma once
#include <array>

#include "app/pixels/BitmapRows.h"
#include "app/pixels/RowImage.h"

// Row k holds the weights of the samples at offsets -1, 0, +1, +2 for the
// fraction k / 100 (k = 0..100).
using BicubicRow = std::array<float, 4>;
const std::array<BicubicRow, 101>& BicubicTable();

// Sizes below 2 become 2; the corners map onto the source's corners.
RowImageBuffer EnlargeBicubic(const RowImage& source, int width, int height);
// Sizes below 2 become 2; every result pixel is the area-weighted mean of its block.
RowImageBuffer ReduceAverage(const RowImage& source, int width, int height);
// Enlarges, reduces, or (one side growing, the other shrinking) enlarges to a
// square and reduces that. Sizes must lie in 1..65535.
RowImageBuffer ResizePicture(const RowImage& source, int width, int height);

// Turns by `angle` degrees, clockwise on the screen for positive angles; the
// corners outside the picture are white.
RowImageBuffer RotateAnyAngle(const RowImage& source, double angle);
RowImageBuffer Rotate90(const RowImage& source);   // a quarter turn clockwise
RowImageBuffer Rotate180(const RowImage& source);
RowImageBuffer Rotate270(const RowImage& source);  // a quarter turn counter-clockwise

// Converts a finished crop frame (display pixels, edges inclusive) to the
// block of the picture to keep. With both ratio values non-zero the height
// follows the width; a block running past the picture is cut at its edge and,
// with a ratio, narrowed to keep the ratio. Returns an empty rectangle when
// nothing of the picture remains.
TRect CropBlockToImage(int left, int top, int right, int bottom, double zoom, int ratioWidth,
                       int ratioHeight, int imageWidth, int imageHeight);

// A plain copy of a block of the picture (the block must lie inside it).
RowImageBuffer CopyBlock(const RowImage& source, const TRect& block);
std::unique_ptr<TBitmap> CopyBlock(TBitmap* source, const TRect& block);

// The same routines on framework bitmaps (see BitmapRows.h): the source is
// converted to 24 bits in place and left alive; the result is a new 24-bit
// bitmap that the caller owns.
std::unique_ptr<TBitmap> EnlargeBicubic(TBitmap* source, int width, int height);
std::unique_ptr<TBitmap> ReduceAverage(TBitmap* source, int width, int height);
std::unique_ptr<TBitmap> ResizePicture(TBitmap* source, int width, int height);
std::unique_ptr<TBitmap> RotateAnyAngle(TBitmap* source, double angle);
std::unique_ptr<TBitmap> Rotate90(TBitmap* source);
std::unique_ptr<TBitmap> Rotate180(TBitmap* source);
std::unique_ptr<TBitmap> Rotate270(TBitmap* source);

// Reads a picture file into a new 24-bit bitmap that the caller owns. The
// kind comes from the last three letters of the name, in any case (BMP, JPG,
// ICO, EMF, WMF; so ".jpeg" is refused and "photobmp" is a bitmap).
// Transparent parts of icons come out white. Any failure, a missing file
// included, gives nullptr; nothing is raised or reported.
// Pictures whose 24-bit pixels would pass the picture budget are refused
// from their headers, before anything is decoded.
std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName);
// What a load that gave a picture met on the way.
struct TPictureLoadNotes {
  // The file ended before the picture did: what it holds is there, the
  // rest (the lower part of a JPEG) is filled in.
  bool Truncated = false;
};
// The same, telling notes what the user should hear of.
std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, TPictureLoadNotes* notes);
// The same with a lower bound on width x height (for fuzzing and tests).
std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, std::uint64_t maxPixels);

// Why LoadPicture gave no picture, so the user hears the right reason: a
// picture over the size bound is not a damaged one.
enum class TPictureRefusal { None, Missing, UnknownKind, TooLarge, Damaged };
// The same, telling why it gave no picture and what the user should hear of
// the picture it gave.
std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName, std::uint64_t maxPixels, TPictureRefusal* why,
                                     TPictureLoadNotes* notes = nullptr);

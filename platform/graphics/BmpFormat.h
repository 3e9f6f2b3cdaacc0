// The BMP reader and writer: file bytes <-> TDibImage.
//
// Read: the core (12), info (40), V2/V3 (52/56), OS/2 2.x (64), V4 (108) and
// V5 (124) headers; 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_RLE8, BI_RLE4 and
// BI_BITFIELDS; bottom-up and top-down rows. Every size and offset is checked
// against the data; anything bad raises EInvalidGraphic.
// 16-bit files come out as 5-5-5 or 5-6-5 when their masks are one of those,
// other bit-field layouts as 32-bit B,G,R,A.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/graphics/DibImage.h"

class TStream;

constexpr std::uint32_t BMP_RGB = 0;
constexpr std::uint32_t BMP_RLE8 = 1;
constexpr std::uint32_t BMP_RLE4 = 2;
constexpr std::uint32_t BMP_BITFIELDS = 3;

struct TBmpReadLimits {
  // Largest decoded pixel block accepted, checked from the header before
  // anything is allocated (tests, fuzzing and skins lower it).
  std::uint64_t MaxBytes = DefaultPictureBudget;
  // Most pixels (width x height) accepted; checked from the header, before
  // anything is decoded. Callers loading untrusted pictures lower it.
  std::uint64_t MaxPixels = ~std::uint64_t(0);
};

// A whole .bmp file (14-byte file header first).
TDibImage ReadBmp(const std::uint8_t* data, std::size_t size, const TBmpReadLimits& limits = {});

// A packed DIB: info header, colour table, pixels (as in icons and the
// clipboard). With iconMask the header's height counts the colour image and
// the 1-bit AND mask below it; the mask is returned in *iconMask (white
// pixels = transparent); a 32-bit icon may leave the mask out.
TDibImage ReadPackedDib(const std::uint8_t* data, std::size_t size, TDibImage* iconMask = nullptr,
                        const TBmpReadLimits& limits = {});

// What a file's headers say once every field is checked: enough to place
// its rows without reading them.
struct TBmpLayout {
  int Width = 0, Height = 0;
  int BitCount = 0;  // in the file
  int OutBits = 0;   // decoded
  bool Is565 = false;
  bool TopDown = false;
  bool Generic = false;  // bit fields other than 5-5-5, 5-6-5 or B,G,R: decoded to 32-bit B,G,R,A
  std::uint32_t Compression = BMP_RGB;
  std::uint32_t Masks[4] = {0, 0, 0, 0};
  std::vector<TDibColor> Palette;  // 2^bits entries for <= 8 bits
  std::uint64_t PixelOffset = 0;   // from the file's start
  std::uint64_t SrcStride = 0;
  // What the rows take in the file (the last row's padding may be missing);
  // 0 for run-length data.
  std::uint64_t PixelBytes = 0;
  // Rows that are copied as they are, in the order of a DIB or reversed.
  bool Plain() const { return !Generic && (Compression == BMP_RGB || Compression == BMP_BITFIELDS); }
};

// The headers and colour table of a .bmp file, from its first headSize
// bytes (which hold at least everything up to the end of the colour table,
// or the whole file); fileSize is the whole file's. Checks all that ReadBmp
// checks before it allocates, the rows' extent against fileSize included.
TBmpLayout ReadBmpLayout(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize,
                         const TBmpReadLimits& limits = {});

// Reads the 14-byte file header at the stream's position into head and
// returns the bitmap's size in the stream from its start (bfSize, or the
// rest of the stream), checked against the limits as ReadBmpFileBytes does.
std::int64_t BmpStreamExtent(TStream& stream, std::uint8_t (&head)[14], const TBmpReadLimits& limits = {});

// Reads exactly one .bmp file from the stream's position: the 14-byte file
// header and then the rest of bfSize bytes. Raises EInvalidGraphic when the
// stream ends early or the sizes are not believable; with limits, also
// when the file is far larger than a picture within them can be.
std::vector<std::uint8_t> ReadBmpFileBytes(TStream& stream, const TBmpReadLimits& limits = {});

// A bottom-up file with a 40-byte info header; 5-6-5 is written as bit
// fields, every other depth as BI_RGB with a full colour table for <= 8 bits.
std::vector<std::uint8_t> WriteBmp(const TDibImage& image);
// The same without the file header (info header, table, pixels).
std::vector<std::uint8_t> WritePackedDib(const TDibImage& image);
// What WriteBmp puts before the rows, for a writer that streams the rows of
// a bottom-up block itself.
std::vector<std::uint8_t> BmpFileHeaders(int width, int height, int bitCount, bool is565,
                                         const std::vector<TDibColor>& palette);

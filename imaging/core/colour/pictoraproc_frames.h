// Packed device-independent bitmaps (a 40-byte info header, its colour table
// or bit-field masks, then rows bottom-up padded to 4 bytes) and video
// frames in eleven YUV layouts, into and out of the library's bitmaps.
//
// Every import takes the length of the block it reads and checks each
// header field against it before anything is allocated: a header whose
// pixels do not fit the block raises EInvalidGraphic and leaves the target
// as it was.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_dib.h"
#include "platform/rtl/Types.h"
#include "platform/user/system/GlobalMemory.h"

constexpr std::uint32_t VQFourCC(char a, char b, char c, char d) {
  return std::uint32_t(Byte(a)) | (std::uint32_t(Byte(b)) << 8) | (std::uint32_t(Byte(c)) << 16) |
         (std::uint32_t(Byte(d)) << 24);
}

// The info header's fields as read from a block.
struct TVQDibHeader {
  std::uint32_t Size = 0;
  std::int32_t Width = 0, Height = 0;
  std::uint16_t Planes = 0, BitCount = 0;
  std::uint32_t Compression = 0, SizeImage = 0;
  std::int32_t XPelsPerMeter = 0, YPelsPerMeter = 0;
  std::uint32_t ClrUsed = 0, ClrImportant = 0;
};
constexpr std::size_t VQDibHeaderSize = 40;
// Raises EInvalidGraphic when the block is shorter than the header.
TVQDibHeader ReadDibHeader(const void* data, std::size_t length);

// Bytes a YUV frame of the layout needs; -1 for a code that is no YUV layout
// this library reads. Chroma planes of odd sizes are rounded up, and packed
// layouts take whole groups per row.
Int64 YUVFrameSize(std::uint32_t fourcc, int width, int height);

// A YUV frame being unpacked: its bytes (YUVFrameSize of them) and size.
struct TVQYUVFrame {
  const Byte* Data = nullptr;
  int Width = 0, Height = 0;
};
// The unpackers: stored row r of the frame into the 24-bit row dst.
void UnpackI420(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackYV12(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackYVU9(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackYUY2(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackUYVY(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackYVYU(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackY211(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackIYU1(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackIYU2(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackY41P(const TVQYUVFrame& frame, int r, Byte* dst);
void UnpackCLJR(const TVQYUVFrame& frame, int r, Byte* dst);
using TVQYUVUnpacker = void (*)(const TVQYUVFrame&, int, Byte*);
// The unpacker of a FOURCC, or nullptr.
TVQYUVUnpacker YUVUnpackerOf(std::uint32_t fourcc);
// Y41P and cyuv frames keep their rows in the opposite order to the rest.
bool YUVRowsReversed(std::uint32_t fourcc);

// Reads a packed DIB or a YUV frame (a FOURCC in the compression field)
// into bitmap: vqBits1 for 1-bit DIBs, vqRGB24 for everything else. The
// pixels follow the header (and its colour table or masks) unless bits is
// given, which then holds them in bitsLength bytes. Run-length coded 8- and
// 4-bit DIBs are decoded. Returns the header's bit count. Layouts it does
// not decode leave the bitmap allocated and black.
int FrameToBitmap(const void* header, std::size_t length, TVQBitmap* bitmap, const void* bits = nullptr,
                  std::size_t bitsLength = 0);
// The same from a global memory block, locked for the call.
int FrameToBitmap(HGLOBAL header, TVQBitmap* bitmap, const void* bits = nullptr, std::size_t bitsLength = 0);

// Draws a packed DIB into dest, allocated at its size (1 bit for 1-bit DIBs,
// 24 bits otherwise), through the platform's DIB blit. Returns the bit count.
int DibToBitmap(const void* dib, std::size_t length, TVQDibbitmap* dest, const void* bits = nullptr,
                std::size_t bitsLength = 0);
int DibToBitmap(HGLOBAL dib, TVQDibbitmap* dest, const void* bits = nullptr, std::size_t bitsLength = 0);

// A packed DIB of a vqBits1 (black and white table) or vqRGB24 bitmap in a
// new movable, shareable global block the caller frees; other formats give
// the header alone with bit count 0. Rows are 4-byte aligned whatever the
// bitmap's row alignment.
HGLOBAL BitmapToDib(TVQBitmap* bitmap);

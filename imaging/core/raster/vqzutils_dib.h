// The two lightweight bitmaps beside TVQBitmap: TVQDibbitmap, a 1- or
// 24-bit DIB section selected into its own memory device context (drawn
// with the platform's blits, filled through its pixel pointer), and
// TVQWorkBitmap, a bare block of rows the resampler uses as scratch space;
// and the DrawDib wrappers the views draw packed DIBs through.
// Rows are bottom-up and padded to 4 bytes in both.
#pragma once
#include <memory>
#include <string>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TVQDibbitmap : public TVQBaseBitmap {
 public:
  TVQDibbitmap();
  ~TVQDibbitmap() override;
  std::string ClassName() const override { return "TVQDibbitmap"; }

  // Raises EVQBitmapError for a row outside the section.
  Byte* GetScanline(int row) final;
  int GetBitCount() final { return bitCount_; }
  int GetHeight() final { return height_; }
  int GetWidth() final { return width_; }
  // vqBits1 for 1 bit, vqRGB24 for 24, vqNull otherwise.
  TVQPixelFormat GetPixelFormat() final;
  int GetRowLength() final { return rowLength_; }
  // vqBits1 and vqRGB24 make a section; other formats change nothing.
  void Allocate(int width, int height, TVQPixelFormat format) final;
  // Only from another TVQDibbitmap: same size, bit count and bytes.
  void Assign(TObject* source) final;

  // Nothing for a width or height below 1 or a bit count other than 1 and
  // 24; sizes past VQMaxPixelBlock raise EOutOfMemory. A section the
  // platform refuses leaves the bitmap empty (size 0).
  void AllocateBits(int width, int height, int bitCount);
  void FreeBits();

  HDC DC() const { return dc_; }
  HBITMAP Section() const { return section_; }
  // 40-byte header, two colours: 0 black, 1 white.
  const BITMAPINFO& Header() const { return header_; }
  Byte* Bits() const { return bits_; }

 private:
  int width_ = 0, height_ = 0;
  int bitCount_ = 0;
  int rowLength_ = 0;
  HDC dc_ = nullptr;
  HBITMAP section_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  BITMAPINFO header_;
  Byte* bits_ = nullptr;
};

class TVQWorkBitmap : public TObject {
 public:
  TVQWorkBitmap() = default;
  // Allocates when width and height are above 0.
  TVQWorkBitmap(int width, int height, int bitCount);
  ~TVQWorkBitmap() override { Free(); }
  std::string ClassName() const override { return "TVQWorkBitmap"; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  int RowLength() const { return rowLength_; }
  Byte* Bits() const { return bits_.get(); }

  // Keeps the block when asked for the same size again; a new block starts
  // zeroed. Sizes past VQMaxPixelBlock raise EOutOfMemory.
  void Allocate(int width, int height, int bitCount);
  // Row y from the top; raises EVQBitmapError outside the block.
  Byte* GetRow(int y);
  void Free();

 private:
  int width_ = 0, height_ = 0;
  int bitCount_ = 0;
  int rowLength_ = 0;
  std::unique_ptr<Byte[]> bits_;
};

// DrawDib: draws packed DIBs scaled onto a device context (nearest pixel).
struct TDrawDibContext;
using HDRAWDIB = TDrawDibContext*;
HDRAWDIB OpenDrawDib();
bool CloseDrawDib(HDRAWDIB context);
// The source rectangle counts from the top-left of the picture; a
// destination width or height of -1 takes the source's, a source width or
// height of -1 the whole picture's. False when nothing could be drawn.
bool DrawDibStretch(HDRAWDIB context, HDC dc, int xDst, int yDst, int dxDst, int dyDst, const BITMAPINFO* header,
                    const void* bits, int xSrc, int ySrc, int dxSrc, int dySrc, unsigned flags);
// There are no palette screens: nothing to realise, 0 colours changed.
unsigned RealizeDrawDib(HDRAWDIB context, HDC dc, bool background);

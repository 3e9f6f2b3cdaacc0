// The imaging library's raster bitmap: TVQBaseBitmap, the row interface
// every bitmap of the library offers, and TVQBitmap, the image container in
// one of eight pixel formats, stored in memory, in a temporary file or in a
// framework TBitmap, with an optional 8-bit alpha channel.
//
// Layouts: a row is width x bits per pixel rounded up to the row alignment
// (32 bits unless set otherwise); padding belongs to the row. Memory rows
// are bottom-up (row y at (Height - 1 - y) x RowLength), temporary-file rows
// top-down (row y at file offset y x RowLength), TBitmap rows as the
// TBitmap keeps them. Every pixel block starts zeroed.
//
// Sizes are 64-bit and a block larger than VQMaxPixelBlock is refused with
// EOutOfMemory before anything is allocated; the image is then left empty.
// Row and pixel coordinates are checked: a row or pixel outside the image
// raises EVQBitmapError instead of reaching foreign memory.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TBitmap;
class TCanvas;
class TVQMask;
class TVQDibbitmap;
struct TVQStretchArgs;
enum TResampleFilter : Byte;
enum TVQBlendOperation : Byte;

LUMIQA_EXCEPTION(EVQBitmapError, Exception)

enum TVQPixelFormat : Byte { vqNull, vqBits1, vqPalette8, vqGray8, vqGray16, vqRGB24, vq32f, vqCMYK };
enum TVQLocation : Byte { vqMemoryBuffer, vqTempFile, vqTBitmap };

// 0, 1, 8, 8, 16, 24, 32, 32 for the formats in order; 0 for other values.
int PixelFormatBits(TVQPixelFormat format);

// The largest pixel block of one image (alpha channels included): every
// offset and size the library's 32-bit fields hold stays below 2^31.
constexpr Int64 VQMaxPixelBlock = 0x7FFFFFFF;
// The memory threshold taken when the platform reports no free memory.
constexpr Int64 VQFallbackMemoryThreshold = 33554432;

// The CMYK form of a colour: K' = the largest of red, green and blue (at
// least 1) in byte 3, each channel x 255 div K' in bytes 0 to 2; and back.
struct TCMYKPixel {
  Byte c = 0, m = 0, y = 0, k = 0;
  friend bool operator==(const TCMYKPixel&, const TCMYKPixel&) = default;
};
static_assert(sizeof(TCMYKPixel) == 4);
TCMYKPixel RGBToCMYK(TRGBPixel rgb);
TRGBPixel CMYKToRGB(TCMYKPixel cmyk);

class TVQBaseBitmap : public TObject {
 public:
  std::string ClassName() const override { return "TVQBaseBitmap"; }

  // How a temporary-file row is paged: vqRead fills it from the file,
  // vqWrite writes it back; vqReadWrite after construction.
  Byte ViewAccess = vqReadWrite;

  // Address of the first byte of the row (0 is the top).
  virtual Byte* GetScanline(int row) = 0;
  virtual int GetBitCount() = 0;
  virtual int GetHeight() = 0;
  virtual int GetWidth() = 0;
  virtual TVQPixelFormat GetPixelFormat() = 0;
  virtual int GetRowLength() = 0;
  virtual void Allocate(int width, int height, TVQPixelFormat format) = 0;
  virtual void Assign(TObject* source) = 0;
};

class TVQBitmap : public TVQBaseBitmap {
 public:
  // An empty image; the memory threshold is DefaultMemoryThreshold, or half
  // of the available memory when that is -1 (automatic).
  TVQBitmap();
  ~TVQBitmap() override;
  std::string ClassName() const override { return "TVQBitmap"; }

  // A bitmap flagged as an alpha channel: vqGray8 at the location
  // (vqTBitmap becomes vqMemoryBuffer), filled with 255 and Full.
  static std::unique_ptr<TVQBitmap> CreateAlphaChannel(int width, int height, TVQLocation location);

  // ---- the base interface ----------------------------------------------------

  // A temporary-file row is paged in a window of whole rows: its address
  // stays valid at least until the next GetScanline, ReleaseViews or storage
  // change of this bitmap, so hold one row of a file-backed bitmap at a
  // time (rows of different bitmaps may be held together). Memory and
  // TBitmap rows stay valid until the storage changes.
  Byte* GetScanline(int row) final;
  int GetBitCount() final;
  int GetHeight() final;
  int GetWidth() final;
  TVQPixelFormat GetPixelFormat() final;
  int GetRowLength() final;
  // Frees the image and its alpha channel (a caller's TBitmap is kept and
  // reused), then allocates width x height in the format at the location.
  void Allocate(int width, int height, TVQPixelFormat format) final;
  // Copies size, format, pixels, palette, alpha channel and bi-level method
  // bit for bit from a TVQBitmap; a framework TBitmap goes to
  // CopyFromTBitmap; anything else is ignored.
  void Assign(TObject* source) final;

  // ---- storage --------------------------------------------------------------

  TVQLocation Location() const { return location_; }
  // Moves the pixels to the location (the threshold rule may pick another);
  // the image is unchanged when the new storage cannot be made.
  void SetLocation(TVQLocation location);
  // Switch to vqTBitmap first.
  TBitmap* GetTBitmap();
  TCanvas* GetCanvas();

  // Pixel-block size in bytes that separates memory from file storage: a
  // vqTempFile image below it goes to memory, a vqMemoryBuffer image above
  // it to a file; equal keeps the location. Read at each allocation.
  Int64 MemoryThreshold = 0;
  int RowAlignment() const { return rowAlignment_; }
  // Bits, a positive multiple of 8; takes effect at the next allocation.
  void SetRowAlignment(int bits);

  void FreeImage(bool withAlpha);
  // Writes back the rows of a file-backed image handed out for writing and
  // drops them, so the next row is read from the file again.
  void ReleaseViews();
  // Moves storage, palette, alpha channel, flags, location, row alignment
  // and bi-level method to other (which is freed first); leaves this empty.
  void TransferTo(TVQBitmap* other);
  // Wraps the caller's TBitmap (1-, 8- or 24-bit; other formats are refused
  // with EVQBitmapError and leave the image empty) as vqTBitmap storage.
  void EncapsulateTBitmap(TBitmap* bitmap, bool freeFirst);
  // Wraps the caller's block, which must hold height rows of the row length
  // for width, format and the row alignment, as vqMemoryBuffer storage.
  void EncapsulateMemory(void* data, int width, int height, TVQPixelFormat format, bool freeFirst);

  bool IsAlphaChannel() const { return isAlphaChannel_; }
  bool ExternalBitmap() const { return externalBitmap_; }
  bool ExternalMemory() const { return externalMemory_; }
  bool IsEmpty() { return GetWidth() <= 0 || GetHeight() <= 0 || GetPixelFormat() == vqNull; }
  TVQFileBuffer* FileBuffer() { return fileBuffer_.get(); }

  // ---- pixels and palette ---------------------------------------------------

  // Every pixel is at full value: 255 in an alpha channel, white in an image.
  bool Full = false;

  // Nothing when equal; otherwise ConvertPixelFormat.
  void SetPixelFormat(TVQPixelFormat format);
  // Converts every pixel to the format by the conversion table, keeping the
  // alpha channel; from or to vqNull the image is allocated anew. A pair
  // without a rule (to CMYK from all but 24-bit, from CMYK to all but
  // 24-bit) raises Exception before anything changes; so does a vq32f or
  // vqCMYK target in a framework TBitmap (EVQBitmapError).
  void ConvertPixelFormat(TVQPixelFormat format);

  const TRGBPixel* Palette() const { return palette_.get(); }
  int PaletteCount() const { return paletteCount_; }
  // Out-of-range indexes leave rgb unchanged (get) or are ignored (set).
  void GetPaletteColor(int index, TRGBPixel& rgb) const;
  void SetPaletteColor(int index, TRGBPixel rgb);

  Byte GetPixelByte(int x, int y);
  // A value other than 255 clears Full. x is a byte of the row.
  void SetPixelByte(int x, int y, Byte value);
  TRGBPixel GetPixelRGB(int x, int y);
  bool IsGrayImage();

  // value: integer formats take its integer part; vqRGB24 and vqCMYK a
  // platform colour (system colours resolved). Byte formats fill whole rows.
  void Fill(double value);
  // Inclusive, clipped to the image; a value short of full clears Full.
  void FillRect(int x1, int y1, int x2, int y2, double value);
  // Keep the top-left pixels; the alpha channel follows. New pixels are
  // zero, new alpha 255.
  void SetWidth(int value);
  void SetHeight(int value);
  // Alignments: 0 left or top, 1 centre, 2 right or bottom.
  void ResizeCanvas(int newWidth, int newHeight, double fillValue, double alphaFillValue, int horizontalAlign,
                    int verticalAlign);
  // Moves the inclusive rectangle's pixels so that its corner lands at
  // (destX, destY), after filling the old place with the value.
  void MoveRect(int x1, int y1, int x2, int y2, int destX, int destY, double fillValue);

  // ---- copies ---------------------------------------------------------------

  // As Assign, keeping this image's alpha channel (dropped when it no
  // longer has the image's size), ignoring the source's, and Full False.
  void AssignImage(TVQBitmap* source);
  // Clipped to both images; same formats copy bytes (bits at any offset for
  // vqBits1), vqBits1 into vqRGB24 gives black and white.
  void CopyRectTo(TVQBitmap* dest, int sourceX, int sourceY, int destX, int destY, int width, int height);
  // Each destination alpha byte becomes the larger of itself and the source's.
  void MergeAlphaRectTo(TVQBitmap* dest, int sourceX, int sourceY, int destX, int destY, int width, int height);
  void CopyFromTBitmap(TBitmap* bitmap);
  // A 1-bit mask gives vqBits1, an 8-bit one vqGray8; no mask fills with 255.
  void CopyFromMask(TVQMask* mask);
  // vqBits1 and vqGray8 images only; the mask's box covers its set pixels.
  void CopyBitmapToMask(TVQMask* mask);
  void CopyFromDibbitmap(TVQDibbitmap* dib);

  // ---- alpha channel --------------------------------------------------------

  // Made on first use (filled with 255); none on an alpha channel itself.
  TVQBitmap* GetAlphaChannel();
  bool HasAlphaChannel() const { return alphaChannel_ != nullptr; }
  void RemoveAlphaChannel();
  Byte GetAlpha(int x, int y);
  // A value other than 255 clears Full of the alpha channel and the image.
  void SetAlpha(int x, int y, Byte value);
  // Recomputes Full of the alpha channel (of this bitmap when it is one).
  void SyncAlphaFull();

  // ---- scaled drawing -------------------------------------------------------

  // Draws the source rectangle (XSrc, YSrc, DxSrc, DySrc) of this image,
  // scaled, into the destination rectangle of a 24-bit image, clipped to
  // ClipRect (inclusive corners; null for none). Empty tables are built
  // (DestRows: Dest's rows; XTable, YTable: the source column and row of
  // each column and row of the destination rectangle, from its left and top
  // edge); with FreeTables false the built tables stay with the caller for
  // the next call at the same scale. A destination that is not 24-bit
  // draws nothing.
  void RenderToTVQBitmap(TVQBitmap* Dest, std::vector<Byte*>& DestRows, std::vector<int>& XTable,
                         std::vector<int>& YTable, const TRect* ClipRect, int XDst, int YDst, int DxDst, int DyDst,
                         int XSrc, int YSrc, int DxSrc, int DySrc, bool EnableAlpha, bool RowReplicate, int Opacity,
                         TResampleFilter Filter, bool FreeTables, TVQBlendOperation BlendOp);
  // The same into a framework bitmap (24-bit ones only).
  void RenderToTBitmap(TBitmap* Dest, std::vector<Byte*>& DestRows, std::vector<int>& XTable,
                       std::vector<int>& YTable, const TRect* ClipRect, int XDst, int YDst, int DxDst, int DyDst,
                       int XSrc, int YSrc, int DxSrc, int DySrc, bool EnableAlpha, bool RowReplicate, int Opacity,
                       TResampleFilter Filter, bool FreeTables, TVQBlendOperation BlendOp);

  // The row operations of the drawing, by source format; the Alpha ones
  // blend with the opacity and the alpha channel.
  virtual void StretchRGB24(const TVQStretchArgs& args);
  virtual void StretchRGB24Alpha(const TVQStretchArgs& args);
  virtual void StretchBits1(const TVQStretchArgs& args);
  virtual void StretchBits1Alpha(const TVQStretchArgs& args);
  virtual void StretchGray8(const TVQStretchArgs& args);
  virtual void StretchGray8Alpha(const TVQStretchArgs& args);
  virtual void StretchPalette8(const TVQStretchArgs& args);
  virtual void StretchPalette8Alpha(const TVQStretchArgs& args);
  virtual void StretchGray16(const TVQStretchArgs& args);
  virtual void StretchGray16Alpha(const TVQStretchArgs& args);
  virtual void StretchFloat(const TVQStretchArgs& args);
  virtual void StretchFloatAlpha(const TVQStretchArgs& args);
  virtual void StretchCMYK(const TVQStretchArgs& args);
  virtual void StretchCMYKAlpha(const TVQStretchArgs& args);

  // ---- conversion and display settings -------------------------------------

  Byte BiLevelMethod = 1;  // to vqBits1: 0 ordered dither, 1 threshold
  int PaletteColors = 256;
  double GrayLow = 0, GrayHigh = 0;
  int RedOffset = 0, GreenOffset = 0, BlueOffset = 0;
  bool OffsetsOn = false;
  int Contrast = 0;

 private:
  struct Temporary {};
  // A scratch bitmap with another's threshold and alignment, so it takes
  // storage by the same rule without asking the system.
  TVQBitmap(Temporary, const TVQBitmap& like);

  void AllocateStorage();
  // Bit count and row length of the width and format; raises EOutOfMemory
  // when width x height would pass VQMaxPixelBlock.
  void ComputeRowLength();
  void AllocateTBitmapStorage();
  void SyncWithTBitmap();
  void RefreshTBitmapPalette();
  void ReadTBitmapPalette();
  [[noreturn]] void RowOutOfRange(int row) const;
  [[noreturn]] void PixelOutOfRange(int x, int y) const;
  bool HasRows() const { return width_ > 0 && height_ > 0 && rowLength_ > 0; }
  Byte* MemoryRow(int row) const { return memory_ + static_cast<Int64>(height_ - 1 - row) * rowLength_; }
  // Copies the rows (and palette) of source, of this image's size and
  // format, into this image's storage.
  void CopyPixelsFrom(TVQBitmap* source);
  // The conversion's parts: every row of source (this image's old storage)
  // into this image, and the framework-bitmap rules.
  void ConvertRowsFrom(TVQBitmap& source);
  void ConvertInTBitmap(TVQPixelFormat format);
  void CopyPaletteFrom(const TVQBitmap* source);
  // Assign (image false) or AssignImage (image true).
  void AssignFrom(TVQBitmap* source, bool image);
  // Empties the image after a storage failure, so no half image remains.
  void DropAfterFailure();
  // Drops an alpha channel whose size is no longer the image's.
  void FitAlphaChannel();
  // Width and height changed keeping the top-left pixels.
  void ResizeTo(int width, int height);
  void ResizeCanvasPlane(int newWidth, int newHeight, double fillValue, int horizontalAlign, int verticalAlign);
  std::unique_ptr<TVQBitmap> NewAlphaChannel(int width, int height, TVQLocation location) const;
  // The bytes of (x, y) after checking the pixel lies in the image.
  Byte* PixelAddress(int x, int y);
  // Trunc without undefined behaviour: NaN gives 0, the rest saturates.
  static Int64 IntegerPart(double value);
  std::unique_ptr<TVQFileBuffer> fileBuffer_;
  std::unique_ptr<TRGBPixel[]> palette_;
  int paletteCount_ = 0;
  std::unique_ptr<TVQBitmap> alphaChannel_;
  Byte* memory_ = nullptr;
  TBitmap* bitmap_ = nullptr;
  int width_ = 0, height_ = 0;
  int bitCount_ = 0;
  int rowLength_ = 0;
  TVQPixelFormat pixelFormat_ = vqNull;
  bool isAlphaChannel_ = false;
  TVQLocation location_ = vqTempFile;
  bool externalBitmap_ = false;
  bool externalMemory_ = false;
  int rowAlignment_ = 32;
};

// Sets a bitmap's ViewAccess for a scope and puts the old one back.
class TVQViewAccessScope {
 public:
  TVQViewAccessScope(TVQBaseBitmap& bitmap, Byte access) : bitmap_(bitmap), saved_(bitmap.ViewAccess) {
    bitmap.ViewAccess = access;
  }
  ~TVQViewAccessScope() { bitmap_.ViewAccess = saved_; }
  TVQViewAccessScope(const TVQViewAccessScope&) = delete;
  TVQViewAccessScope& operator=(const TVQViewAccessScope&) = delete;

 private:
  TVQBaseBitmap& bitmap_;
  Byte saved_;
};

// TBitmap: a picture held in one GDI DIB section.
//
// Pixel contract (what ScanLine users rely on):
//  - the pixels are one contiguous bottom-up block, rows padded to 4 bytes;
//    ScanLine(y) addresses row y counted from the top, so ScanLine(0) is the
//    highest address and ScanLine(Height - 1) the start of the block;
//  - pf1bit/pf4bit/pf8bit index the colour table (most significant bits
//    first); pf15bit is 16-bit 5-5-5, pf16bit 16-bit 5-6-5; pf24bit is
//    B,G,R; pf32bit and pfDevice are B,G,R,X (pfDevice is the screen's
//    32-bit format, reported separately so code can refuse it);
//  - the pointer stays valid until the size, pixel format, palette or handle
//    changes, or the bitmap goes dormant; drawing through Canvas writes the
//    same memory;
//  - a bitmap may share its pixels with a TJPEGImage it was assigned to or
//    from, or with a bitmap through ShareFrom (copy on write): ScanLine, Canvas, Handle and the colour table
//    make the pixels its own again before handing them out, so a row
//    pointer taken before such an Assign must be asked for again before
//    writing through it. The const ScanLine only reads and never copies.
// A bitmap made from nothing is zero-filled; growing one keeps the top-left
// pixels and paints the new area white.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/DibImage.h"
#include "platform/graphics/Graphic.h"

class TCanvas;
class TBitmapCanvas;

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
enum TBitmapHandleType { bmDIB, bmDDB };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pfDevice);
  ~TBitmap() override;
  std::string ClassName() const override { return "TBitmap"; }

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int w) override { SetSize(w, height_); }
  void SetHeight(int h) override { SetSize(width_, h); }
  // Raises EInvalidGraphic for negative sizes or more than 2^31 bytes.
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the pixels (nearest colour of the new table for <= 8 bits;
  // pf8bit gets a 6x6x6 cube with greys, pf4bit the 16 VGA colours).
  // pfCustom raises EInvalidGraphic.
  void SetPixelFormat(TPixelFormat f);
  static int BitsOf(TPixelFormat f);

  // Row y from the top; raises EInvalidGraphicOperation when out of range.
  void* ScanLine(int y);
  const void* ScanLine(int y) const;
  int RowBytes() const;  // distance between rows, always a multiple of 4

  TCanvas* Canvas();
  // The DIB section; nullptr when empty. Stays owned by the bitmap. A
  // dormant bitmap makes its section again here.
  HBITMAP Handle() const;
  // Takes ownership of bm. A bottom-up DIB section is kept as it is; any
  // other bitmap is copied into one (32 bits, or 1 bit if monochrome) and
  // freed, so Handle() may then differ from bm.
  void SetHandle(HBITMAP bm);
  // Gives the DIB section to the caller and leaves the bitmap empty.
  HBITMAP ReleaseHandle();
  TBitmapHandleType HandleType() const { return bmDIB; }
  void SetHandleType(TBitmapHandleType) {}  // always a DIB section here

  // The colour table of a <= 8-bit bitmap.
  std::vector<RGBQUAD> ColorTable() const;
  void SetColorTable(const std::vector<RGBQUAD>& colors);
  // A palette made from the colour table (nullptr for deeper bitmaps),
  // owned by the bitmap. SetPalette copies the entries into the table.
  HPALETTE Palette() override;
  void SetPalette(HPALETTE pal) override;

  // pf1bit with a black-and-white table.
  bool Monochrome() const;
  void SetMonochrome(bool m);

  // tmAuto takes the bottom-left pixel; setting a colour switches to
  // tmFixed (clDefault goes back to tmAuto).
  TColor TransparentColor() const;
  void SetTransparentColor(TColor c);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode m);

  void Assign(const TPersistent* source) override;
  // A picture whose pixels would pass DefaultPictureBudget (512 MiB), or
  // wider or taller than MaxDibDimension, is refused (EInvalidGraphic) from
  // its header, before anything is allocated.
  void LoadFromStream(TStream& stream) override;
  // The same, refusing (EInvalidGraphic) a picture beyond the limits before
  // decoding it: for untrusted files such as skins.
  void LoadFromStream(TStream& stream, const TBmpReadLimits& limits);
  using TGraphic::LoadFromFile;
  void LoadFromFile(const std::string& fileName, const TBmpReadLimits& limits);
  void SaveToStream(TStream& stream) override;
  bool CanLoad(const std::uint8_t* head, std::size_t size) const override;
  // Looks in the BITMAP resources (a .bmp file or a packed DIB).
  void LoadFromResourceName(const std::string& name);

  // Dormant: keeps the pixels in plain memory and frees the GDI side (the
  // canvas DC, the palette and the DIB section). Size, format, colour table
  // and pixels are unchanged; Handle, ScanLine, Canvas and drawing make a
  // new DIB section on demand (so Handle() then differs from before).
  void Dormant();
  bool IsDormant() const { return dormant_ != nullptr; }
  // FreeImage: frees the memory image kept beside the handle. The only such
  // image here is a dormant bitmap's, which holds the pixels, so they move
  // back into a DIB section; an awake bitmap has nothing to free.
  void FreeImage();

  // The pixels as a plain image, and back.
  TDibImage ToDib() const;
  void FromDib(const TDibImage& image);
  // Shares from's pixels, copy on write (see the pixel contract): a second
  // holder of a picture costs nothing until one side writes. Reading the
  // shared pixels (the const ScanLine, SaveToStream) from another thread is
  // safe while this thread may copy them away.
  void ShareFrom(const TBitmap& from);
  // True while another bitmap (or JPEG image) holds these very pixels.
  bool SharesPixels() const;

  // Replaces the content with a new width x height DIB section of format f
  // (colour table: colors, or the default one) and returns its bottom-up
  // block for the caller to fill; the block starts zeroed, at no cost, so
  // a reader that writes every row pays for no fill.
  std::uint8_t* NewImage(int width, int height, TPixelFormat f, const std::vector<RGBQUAD>& colors = {});

  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> NewSameKind() const override { return std::make_unique<TBitmap>(); }

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  friend class TBitmapCanvas;
  friend class TJPEGImage;
  // The DIB section; bitmaps that share pixels share this.
  struct TDibSection;
  // Takes from's pixels, leaving it empty.
  void TakeFrom(TBitmap& from);
  // Makes shared pixels this bitmap's own before they are written.
  void Unshare();
  // The plain-layout part of LoadFromStream: rows read straight into the
  // DIB section; false when the file needs the general reader.
  bool LoadRows(TStream& stream, const TBmpReadLimits& limits);
  HDC MemoryDC();
  void FreeDC();
  // Makes the DIB section of a dormant bitmap again.
  void Wake();
  void FreeHandle();
  // Makes an empty DIB section of the current format.
  void NewDib(int width, int height, const std::vector<RGBQUAD>& colors);

  int width_ = 0, height_ = 0;
  TPixelFormat format_ = pfDevice;
  std::shared_ptr<TDibSection> dib_;  // owns handle_
  HBITMAP handle_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  std::vector<RGBQUAD> colors_;
  HDC dc_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  HPALETTE palette_ = nullptr;
  std::unique_ptr<TBitmapCanvas> canvas_;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
  std::unique_ptr<TDibImage> dormant_;
};

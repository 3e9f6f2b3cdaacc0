// TVQMask: the selection mask, a plane of 1 bit (selected or not) or 8 bits
// (how much) per pixel with the bounding box of its set pixels and a full
// flag. Rows are bottom-up and padded to 4 bytes; in a 1-bit row the most
// significant bit is the leftmost pixel. The mask fills polygons (even-odd,
// several polygons separated by a point whose x is VQPolygonSeparator),
// moves its content, copies images through itself and draws itself on a
// canvas: inverted, as marching ants, or as a grey checker outside.
//
// The box (X1, Y1)-(X2, Y2) is inclusive and always inside the mask; it is
// empty when X1 is 2147483647.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TBitmap;
class TCanvas;
class TVQBitmap;

// A point with this x ends one polygon and starts the next.
constexpr int VQPolygonSeparator = 1048575;
constexpr int VQEmptyBox = 2147483647;

class TVQMask : public TObject {
 public:
  TVQMask();
  ~TVQMask() override;
  std::string ClassName() const override { return "TVQMask"; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  int RowLength() const { return rowLength_; }
  // Writable access to the plane counts as a change of it.
  Byte* Bits() {
    ++changes_;
    return bits_.get();
  }
  const Byte* Bits() const { return bits_.get(); }

  int X1() const { return x1_; }
  int Y1() const { return y1_; }
  int X2() const { return x2_; }
  int Y2() const { return y2_; }
  // Sets the box, clamped into the mask; x1 = VQEmptyBox empties it.
  void SetBox(int x1, int y1, int x2, int y2);
  // The box of the set pixels, found from the plane.
  void SyncRect();

  // Every pixel is at full value (255, or set for 1 bit).
  bool Full = false;

  // A zeroed plane of 1 or 8 bits (other counts raise EVQBitmapError);
  // sizes whose plane would pass VQMaxPixelBlock raise EOutOfMemory.
  void AllocateBits(int width, int height, int bitCount);
  // Frees the plane and the outline buffer; the box is kept.
  void FreeBits();
  // A new zeroed plane keeping the top-left pixels; the box is cut to it.
  void Resize(int width, int height);

  // 0 outside; the bit (0 or 1) or the byte.
  int GetPixel(int x, int y) const;
  bool IsPointInside(int x, int y) const { return GetPixel(x, y) != 0; }
  // Points outside are ignored; a value other than 0 widens the box.
  void SetPixel(int x, int y, int value);
  // Raises EVQBitmapError for a row outside the mask. The writable row
  // counts as a change of the plane.
  Byte* GetScanline(int y);
  const Byte* GetScanline(int y) const;
  // Every byte, padding included; the box is not changed.
  void Fill(int value);
  bool IsEmpty() const { return x1_ == VQEmptyBox; }
  // Fill (0) and an empty box.
  void Clear();
  // Row y (clamped) from x1 to x2 (clipped); the number of pixels written.
  int FillSpan(int value, int x1, int x2, int y);
  // The polygons between separators, even-odd, then SyncFull.
  void FillPolygons(int value, const TPoint* points, int count);
  void FillPolygons(int value, const std::vector<TPoint>& points) {
    FillPolygons(value, points.data(), static_cast<int>(points.size()));
  }
  void SyncFull();
  // Moves the pixels of the box by (dx, dy). With clip the part moved out
  // of the mask is cut; without, the offsets are first reduced so that the
  // box stays inside, and handed back.
  void MoveBy(int& dx, int& dy, bool clip);

  // The part (xSrc, ySrc, dxSrc, dySrc) of a 1-bit mask (ySrc from the top)
  // stretched onto the canvas rectangle, inverting where bits are set.
  void DrawXor(TCanvas* canvas, int xDst, int yDst, int dxDst, int dyDst, int xSrc, int ySrc, int dxSrc, int dySrc);
  // The outline of the source rectangle scaled to the destination one, one
  // canvas pixel at a time in runs of four of colorB and colorA along the
  // diagonals, shifted by phase (the marching ants).
  void DrawOutline(TCanvas* canvas, int destX, int destY, int destWidth, int destHeight, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, int phase, TColor colorA, TColor colorB, int unused1 = 0,
                   int unused2 = 0);
  // Greys (97, 97, 97) every other unselected pixel of a 24-bit bitmap.
  void DrawCheckerOutside(TBitmap* bitmap, int destX, int destY, int destWidth, int destHeight, int sourceX,
                          int sourceY, int sourceWidth, int sourceHeight);

  // Copies the source's box pixels into dest where the mask selects them
  // (blending by the 8-bit value); both images in one format of vqRGB24,
  // vqGray8, vqPalette8 or vqBits1. At box: the image is read (written) at
  // (x - X1, y - Y1) instead of (x, y). Pixels outside either image are
  // skipped.
  void CopyMasked(TVQBitmap* dest, TVQBitmap* source, bool destAtBox, bool sourceAtBox, bool copyAlpha);
  // Dest alpha: 0 where the mask is clear, else min(source alpha, mask).
  void CopyMaskedAlpha(TVQBitmap* dest, TVQBitmap* source, bool destAtBox, bool sourceAtBox);

  // The scaled copy of the last drawing, one bit per pixel (set where the
  // mask is not 0), rows bottom-up, and its size. It is kept while the plane,
  // the box and the drawing's rectangles stay the same, so the ants' ticks
  // only walk it.
  const Byte* OutlineBuffer() const { return outline_.data(); }
  int OutlineWidth() const { return outlineWidth_; }
  int OutlineHeight() const { return outlineHeight_; }

 private:
  struct Scale {
    Int64 xs = 0, ys = 0;  // source steps per destination pixel x 16384
  };
  // What the scaled copy was made from.
  struct OutlineKey {
    std::uint64_t changes = 0;
    int box[4] = {};
    int dest[2] = {};
    int source[4] = {};
    friend bool operator==(const OutlineKey&, const OutlineKey&) = default;
  };
  void FillPolygon(int value, const TPoint* points, int n);
  void ClampBox();
  void EmptyBox() {
    x1_ = y1_ = VQEmptyBox;
    x2_ = y2_ = 0;
  }
  // Makes the scaled buffer for a drawing; false when there is nothing to draw.
  bool BuildOutline(int destWidth, int destHeight, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                    Scale& scale);
  Byte* OutlineRow(int i) { return outline_.data() + static_cast<Int64>(outlineHeight_ - 1 - i) * outlineRowLength_; }
  void FreeOutline();
  const Byte* ReadRow(int y) const { return GetScanline(y); }

  int width_ = 0, height_ = 0;
  int bitCount_ = 0;
  int rowLength_ = 0;
  std::unique_ptr<Byte[]> bits_;
  int x1_ = VQEmptyBox, y1_ = VQEmptyBox, x2_ = 0, y2_ = 0;
  BITMAPINFO bitmapInfo_;
  std::vector<Byte> outline_;
  int outlineWidth_ = 0, outlineHeight_ = 0;
  int outlineRowLength_ = 0;
  std::uint64_t changes_ = 0;  // counts changes of the plane
  OutlineKey outlineKey_;
  bool outlineValid_ = false;
};

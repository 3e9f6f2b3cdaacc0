// TVQBitmap: filling, resizing, moving and copying pixels between bitmaps,
// masks, DIB bitmaps and framework bitmaps.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_dib.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "platform/graphics/Bitmap.h"

namespace {

float ToFloat(double v) {
  if (std::isnan(v) || std::isinf(v)) return static_cast<float>(v);
  return static_cast<float>(std::clamp(v, -double(FLT_MAX), double(FLT_MAX)));
}

// A rectangle of pixels clipped to a source and a destination image.
struct TClip {
  int sx = 0, sy = 0, dx = 0, dy = 0, w = 0, h = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
};

// A negative destination start moves the source start by as much and
// shortens the rectangle; the starts are clamped into the images and the
// size cut to what fits in both.
TClip ClipRect(int srcW, int srcH, int dstW, int dstH, Int64 sx, Int64 sy, Int64 dx, Int64 dy, Int64 w, Int64 h) {
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  sx = std::max<Int64>(sx, 0);
  sy = std::max<Int64>(sy, 0);
  w = std::min({w, Int64{srcW} - sx, Int64{dstW} - dx});
  h = std::min({h, Int64{srcH} - sy, Int64{dstH} - dy});
  TClip c;
  if (w <= 0 || h <= 0) return c;
  c.sx = int(sx);
  c.sy = int(sy);
  c.dx = int(dx);
  c.dy = int(dy);
  c.w = int(w);
  c.h = int(h);
  return c;
}

// One pixel's bytes of a fill value in a format of 16 bits or more.
std::vector<Byte> PixelBytes(TVQPixelFormat format, double value, Int64 whole, bool integerFloat, bool& full) {
  std::vector<Byte> px;
  switch (format) {
    case vqGray16: {
      const auto w = static_cast<std::uint16_t>(whole & 0xFFFF);
      px = {Byte(w & 0xFF), Byte(w >> 8)};
      full = w == 0xFFFF;
      break;
    }
    case vqRGB24: {
      const TRGBPixel c = ColorToRGBTriple(TColor(std::int32_t(std::uint32_t(whole))));
      px = {c.b, c.g, c.r};
      full = c.r == 255 && c.g == 255 && c.b == 255;
      break;
    }
    case vqCMYK: {
      const TRGBPixel c = ColorToRGBTriple(TColor(std::int32_t(std::uint32_t(whole))));
      const TCMYKPixel k = RGBToCMYK(c);
      px = {k.c, k.m, k.y, k.k};
      full = c.r == 255 && c.g == 255 && c.b == 255;
      break;
    }
    case vq32f: {
      const float f = integerFloat ? ToFloat(double(whole)) : ToFloat(value);
      px.resize(sizeof f);
      std::memcpy(px.data(), &f, sizeof f);
      full = f == 1.0f;
      break;
    }
    default: break;
  }
  return px;
}

// count copies of the pixel's bytes.
std::vector<Byte> Repeat(const std::vector<Byte>& px, int count) {
  std::vector<Byte> run(px.size() * static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < run.size(); i += px.size()) std::memcpy(run.data() + i, px.data(), px.size());
  return run;
}

}  // namespace

// ---- fills --------------------------------------------------------------------------

void TVQBitmap::Fill(double value) {
  SyncWithTBitmap();
  if (!HasRows() || pixelFormat_ == vqNull) return;
  const Int64 whole = IntegerPart(value);
  if (pixelFormat_ == vqBits1 || pixelFormat_ == vqPalette8 || pixelFormat_ == vqGray8) {
    const Byte b = pixelFormat_ == vqBits1 ? (value != 0 ? 255 : 0) : Byte(whole & 0xFF);
    TVQViewAccessScope writeOnly(*this, vqWrite);
    for (int y = 0; y < height_; ++y) std::memset(GetScanline(y), b, static_cast<std::size_t>(rowLength_));
    Full = pixelFormat_ == vqBits1 ? value != 0 : b == 255;
    return;
  }
  bool full = false;
  const std::vector<Byte> run = Repeat(PixelBytes(pixelFormat_, value, whole, false, full), width_);
  // Only the pixels: the padding keeps what it holds (a row without padding
  // need not be read first).
  const bool noPadding = run.size() == static_cast<std::size_t>(rowLength_);
  TVQViewAccessScope access(*this, noPadding ? vqWrite : vqReadWrite);
  for (int y = 0; y < height_; ++y) std::memcpy(GetScanline(y), run.data(), run.size());
  Full = full;
}

void TVQBitmap::FillRect(int x1, int y1, int x2, int y2, double value) {
  SyncWithTBitmap();
  if (!HasRows() || pixelFormat_ == vqNull) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width_ - 1);
  y2 = std::min(y2, height_ - 1);
  if (x1 > x2 || y1 > y2) return;
  const int n = x2 - x1 + 1;
  const Int64 whole = IntegerPart(value);
  bool full = false;
  TVQViewAccessScope readWrite(*this, vqReadWrite);
  if (pixelFormat_ == vqBits1) {
    full = value != 0;
    for (int y = y1; y <= y2; ++y) FillBits(GetScanline(y), x1, n, full);
  } else if (pixelFormat_ == vqPalette8 || pixelFormat_ == vqGray8) {
    const Byte b = Byte(whole & 0xFF);
    full = b == 255;
    for (int y = y1; y <= y2; ++y) std::memset(GetScanline(y) + x1, b, static_cast<std::size_t>(n));
  } else {
    const std::vector<Byte> px = PixelBytes(pixelFormat_, value, whole, true, full);
    const std::vector<Byte> run = Repeat(px, n);
    for (int y = y1; y <= y2; ++y) std::memcpy(GetScanline(y) + Int64{x1} * Int64(px.size()), run.data(), run.size());
  }
  if (!full) Full = false;
}

// ---- sizes --------------------------------------------------------------------------

void TVQBitmap::SetWidth(int value) { ResizeTo(value, GetHeight()); }

void TVQBitmap::SetHeight(int value) { ResizeTo(GetWidth(), value); }

void TVQBitmap::ResizeTo(int width, int height) {
  SyncWithTBitmap();
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  // Refused before anything changes, the alpha channel included.
  {
    TVQBitmap probe(Temporary{}, *this);
    probe.width_ = width;
    probe.height_ = height;
    probe.pixelFormat_ = pixelFormat_;
    probe.ComputeRowLength();
    if (location_ == vqTBitmap && (width > MaxDibDimension || height > MaxDibDimension))
      throw EOutOfMemory("A TBitmap cannot be " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  }
  const int oldW = width_, oldH = height_;
  if (alphaChannel_) alphaChannel_->ResizeTo(width, height);

  if (location_ == vqTBitmap && bitmap_) {
    bitmap_->SetSize(width, height);
    SyncWithTBitmap();
    // The TBitmap paints what it adds white; new pixels are zero in every
    // storage.
    if (width > oldW) FillRect(oldW, 0, width - 1, std::min(oldH, height) - 1, 0);
    if (height > oldH) FillRect(0, oldH, width - 1, height - 1, 0);
    Full = false;
    return;
  }

  std::unique_ptr<TVQBitmap> alpha = std::move(alphaChannel_);
  TVQBitmap temp(Temporary{}, *this);
  TransferTo(&temp);
  width_ = width;
  height_ = height;
  try {
    AllocateStorage();
    if (HasRows() && temp.HasRows()) {
      TVQViewAccessScope readOnly(temp, vqRead);
      TVQViewAccessScope writeOnly(*this, vqWrite);
      const int rows = std::min(oldH, height);
      const int columns = std::min(oldW, width);
      const std::size_t bytes = static_cast<std::size_t>(Int64{columns} * bitCount_ / 8);
      for (int y = 0; y < rows; ++y) {
        const Byte* from = temp.GetScanline(y);
        Byte* to = GetScanline(y);
        if (bitCount_ == 1)
          CopyBits(to, from, 0, temp.rowLength_, columns, 0);
        else
          std::memcpy(to, from, bytes);
      }
    }
  } catch (...) {
    DropAfterFailure();
    throw;
  }
  CopyPaletteFrom(&temp);
  Full = false;
  if (isAlphaChannel_) {
    // What an alpha channel gains is opaque, as a new alpha channel is.
    if (width > oldW) FillRect(oldW, 0, width - 1, std::min(oldH, height) - 1, 255);
    if (height > oldH) FillRect(0, oldH, width - 1, height - 1, 255);
  }
  alphaChannel_ = std::move(alpha);
}

void TVQBitmap::ResizeCanvas(int newWidth, int newHeight, double fillValue, double alphaFillValue, int horizontalAlign,
                             int verticalAlign) {
  SyncWithTBitmap();
  newWidth = std::max(newWidth, 0);
  newHeight = std::max(newHeight, 0);
  if (alphaChannel_)
    alphaChannel_->ResizeCanvasPlane(newWidth, newHeight, alphaFillValue, horizontalAlign, verticalAlign);
  std::unique_ptr<TVQBitmap> alpha = std::move(alphaChannel_);
  try {
    ResizeCanvasPlane(newWidth, newHeight, fillValue, horizontalAlign, verticalAlign);
  } catch (...) {
    alphaChannel_ = std::move(alpha);
    FitAlphaChannel();
    throw;
  }
  alphaChannel_ = std::move(alpha);
  FitAlphaChannel();
}

void TVQBitmap::ResizeCanvasPlane(int newWidth, int newHeight, double fillValue, int horizontalAlign,
                                  int verticalAlign) {
  const int oldW = width_, oldH = height_;
  // What is kept of a shrinking side moves to the top-left corner first.
  if (newWidth < oldW && (horizontalAlign == 1 || horizontalAlign == 2)) {
    const int start = horizontalAlign == 1 ? (oldW - newWidth) / 2 : oldW - newWidth;
    MoveRect(start, 0, oldW - 1, oldH - 1, 0, 0, fillValue);
  }
  if (newHeight < oldH && (verticalAlign == 1 || verticalAlign == 2)) {
    const int start = verticalAlign == 1 ? (oldH - newHeight) / 2 : oldH - newHeight;
    MoveRect(0, start, oldW - 1, oldH - 1, 0, 0, fillValue);
  }
  ResizeTo(newWidth, newHeight);
  if (newWidth > oldW) {
    FillRect(oldW, 0, newWidth - 1, newHeight - 1, fillValue);
    const int shift = horizontalAlign == 1 ? (newWidth - oldW) / 2 : horizontalAlign == 2 ? newWidth - oldW : 0;
    if (shift > 0) MoveRect(0, 0, oldW - 1, newHeight - 1, shift, 0, fillValue);
  }
  if (newHeight > oldH) {
    FillRect(0, oldH, newWidth - 1, newHeight - 1, fillValue);
    const int shift = verticalAlign == 1 ? (newHeight - oldH) / 2 : verticalAlign == 2 ? newHeight - oldH : 0;
    if (shift > 0) MoveRect(0, 0, newWidth - 1, oldH - 1, 0, shift, fillValue);
  }
}

void TVQBitmap::MoveRect(int x1, int y1, int x2, int y2, int destX, int destY, double fillValue) {
  SyncWithTBitmap();
  if (!HasRows() || pixelFormat_ == vqNull) return;
  Int64 sx1 = x1, sy1 = y1, dx = destX, dy = destY;
  // A corner cut off by the image carries the destination with it.
  if (sx1 < 0) {
    dx -= sx1;
    sx1 = 0;
  }
  if (sy1 < 0) {
    dy -= sy1;
    sy1 = 0;
  }
  const Int64 sx2 = std::min<Int64>(x2, width_ - 1), sy2 = std::min<Int64>(y2, height_ - 1);
  if (sx1 > sx2 || sy1 > sy2) return;
  const int w = int(sx2 - sx1 + 1), h = int(sy2 - sy1 + 1);
  dx = std::clamp<Int64>(dx, -Int64{w}, width_);
  dy = std::clamp<Int64>(dy, -Int64{h}, height_);
  TVQBitmap part(Temporary{}, *this);
  part.Allocate(w, h, pixelFormat_);
  CopyRectTo(&part, int(sx1), int(sy1), 0, 0, w, h);
  FillRect(int(sx1), int(sy1), int(sx2), int(sy2), fillValue);
  part.Full = Full;
  part.CopyRectTo(this, 0, 0, int(dx), int(dy), w, h);
}

// ---- copies between bitmaps -------------------------------------------------------------

void TVQBitmap::CopyRectTo(TVQBitmap* dest, int sourceX, int sourceY, int destX, int destY, int width, int height) {
  if (!dest) return;
  SyncWithTBitmap();
  dest->SyncWithTBitmap();
  if (!HasRows() || !dest->HasRows()) return;
  const TClip c = ClipRect(width_, height_, dest->width_, dest->height_, sourceX, sourceY, destX, destY, width, height);
  if (c.Empty()) return;
  enum { kBits, kBitsToRGB, kBytes } kind;
  if (pixelFormat_ == vqBits1 && dest->pixelFormat_ == vqBits1)
    kind = kBits;
  else if (pixelFormat_ == vqBits1 && dest->pixelFormat_ == vqRGB24)
    kind = kBitsToRGB;
  else if (pixelFormat_ == dest->pixelFormat_ && pixelFormat_ != vqNull)
    kind = kBytes;
  else
    return;

  const bool same = dest == this;
  // Within one image a source row is copied aside before the destination
  // row is asked for (a file-backed image holds one row at a time), and
  // rows run away from the overlap.
  std::vector<Byte> aside(same ? static_cast<std::size_t>(rowLength_) : 0);
  TVQViewAccessScope readWrite(*dest, vqReadWrite);
  std::unique_ptr<TVQViewAccessScope> readOnly;
  if (!same) readOnly = std::make_unique<TVQViewAccessScope>(*this, vqRead);
  const bool upward = same && c.dy > c.sy;
  const Int64 bpp = bitCount_ / 8;
  for (int k = 0; k < c.h; ++k) {
    const int r = upward ? c.h - 1 - k : k;
    const Byte* from = GetScanline(c.sy + r);
    if (same) {
      std::memcpy(aside.data(), from, aside.size());
      from = aside.data();
    }
    Byte* to = dest->GetScanline(c.dy + r);
    switch (kind) {
      case kBits: CopyBits(to, from, c.dx, rowLength_, c.w, c.sx); break;
      case kBitsToRGB:
        for (int i = 0; i < c.w; ++i) std::memset(to + Int64{c.dx + i} * 3, GetBit(from, c.sx + i) ? 255 : 0, 3);
        break;
      case kBytes: std::memcpy(to + c.dx * bpp, from + c.sx * bpp, static_cast<std::size_t>(c.w * bpp)); break;
    }
  }
  if (!Full) dest->Full = false;
}

void TVQBitmap::MergeAlphaRectTo(TVQBitmap* dest, int sourceX, int sourceY, int destX, int destY, int width,
                                 int height) {
  if (!dest) return;
  TVQBitmap* from = GetAlphaChannel();
  TVQBitmap* to = dest->GetAlphaChannel();
  if (!from || !to || from->pixelFormat_ != vqGray8 || to->pixelFormat_ != vqGray8) return;
  if (!from->HasRows() || !to->HasRows()) return;
  const TClip c =
      ClipRect(from->width_, from->height_, to->width_, to->height_, sourceX, sourceY, destX, destY, width, height);
  if (c.Empty()) return;
  const bool same = from == to;
  TVQViewAccessScope readWrite(*to, vqReadWrite);
  std::unique_ptr<TVQViewAccessScope> readOnly;
  if (!same) readOnly = std::make_unique<TVQViewAccessScope>(*from, vqRead);
  std::vector<Byte> aside(static_cast<std::size_t>(c.w));
  const bool upward = same && c.dy > c.sy;
  for (int k = 0; k < c.h; ++k) {
    const int r = upward ? c.h - 1 - k : k;
    std::memcpy(aside.data(), from->GetScanline(c.sy + r) + c.sx, aside.size());
    Byte* d = to->GetScanline(c.dy + r) + c.dx;
    for (int i = 0; i < c.w; ++i) d[i] = std::max(d[i], aside[std::size_t(i)]);
  }
  if (!from->Full) to->Full = false;
}

// ---- copies from other kinds of bitmaps --------------------------------------------------

void TVQBitmap::CopyFromTBitmap(TBitmap* bitmap) {
  if (!bitmap) return;
  const TPixelFormat pf = bitmap->PixelFormat();
  if (pf == pfDevice || pf == pfCustom) return;
  SyncWithTBitmap();
  if (location_ == vqTBitmap && !isAlphaChannel_) {
    if (bitmap == bitmap_) return;
    // Read as in memory, then stored in the own TBitmap: every source
    // format ends as vqBits1, vqPalette8 or vqRGB24, which it holds exactly.
    TVQBitmap read(Temporary{}, *this);
    read.location_ = vqMemoryBuffer;
    read.CopyFromTBitmap(bitmap);
    AssignFrom(&read, false);
    return;
  }
  const TBitmap& src = *bitmap;
  const bool monochrome = src.Monochrome();
  TVQPixelFormat format = vqRGB24;
  if ((pf == pf1bit && !monochrome) || pf == pf4bit || pf == pf8bit)
    format = vqPalette8;
  else if (pf == pf1bit)
    format = vqBits1;
  Allocate(src.Width(), src.Height(), format);
  if (format == vqPalette8) {
    const std::vector<RGBQUAD> table = src.ColorTable();
    for (std::size_t i = 0; i < table.size() && i < 256; ++i)
      palette_[i] = TRGBPixel{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed};
  }
  if (!HasRows()) return;
  TVQViewAccessScope writeOnly(*this, vqWrite);
  const int w = width_;
  const Int64 srcRow = src.RowBytes();
  for (int y = 0; y < height_; ++y) {
    const Byte* s = static_cast<const Byte*>(src.ScanLine(y));
    Byte* d = GetScanline(y);
    switch (pf) {
      case pf1bit:
        if (monochrome)
          CopyBits(d, s, 0, srcRow, w, 0);
        else
          for (int x = 0; x < w; ++x) d[x] = GetBit(s, x) ? 1 : 0;
        break;
      case pf4bit:
        for (int x = 0; x < w; ++x) d[x] = (x & 1) ? s[x >> 1] & 0x0F : s[x >> 1] >> 4;
        break;
      case pf8bit: std::memcpy(d, s, static_cast<std::size_t>(w)); break;
      case pf15bit:
      case pf16bit:
        for (int x = 0; x < w; ++x, d += 3) {
          const unsigned v = s[2 * x] | (unsigned(s[2 * x + 1]) << 8);
          if (pf == pf15bit) {
            d[2] = Byte(((v >> 10) & 31) << 3);
            d[1] = Byte(((v >> 5) & 31) << 3);
          } else {
            d[2] = Byte(((v >> 11) & 31) << 3);
            d[1] = Byte(((v >> 5) & 63) << 2);
          }
          d[0] = Byte((v & 31) << 3);
        }
        break;
      case pf24bit: std::memcpy(d, s, static_cast<std::size_t>(w) * 3); break;
      case pf32bit:
        for (int x = 0; x < w; ++x, d += 3, s += 4) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
        }
        break;
      default: break;
    }
  }
  Full = false;
}

void TVQBitmap::CopyFromMask(TVQMask* mask) {
  if (!mask) {
    Fill(255);
    return;
  }
  if (mask->BitCount() != 1 && mask->BitCount() != 8) {
    FreeImage(true);
    return;
  }
  Allocate(mask->Width(), mask->Height(), mask->BitCount() == 1 ? vqBits1 : vqGray8);
  if (!HasRows()) return;
  TVQViewAccessScope writeOnly(*this, vqWrite);
  for (int y = 0; y < height_; ++y) {
    if (bitCount_ == 1)
      CopyBits(GetScanline(y), mask->GetScanline(y), 0, mask->RowLength(), width_, 0);
    else
      std::memcpy(GetScanline(y), mask->GetScanline(y), static_cast<std::size_t>(width_));
  }
  Full = mask->Full;
}

void TVQBitmap::CopyBitmapToMask(TVQMask* mask) {
  if (!mask) return;
  const TVQPixelFormat format = GetPixelFormat();
  if (format != vqBits1 && format != vqGray8) return;
  mask->AllocateBits(width_, height_, format == vqBits1 ? 1 : 8);
  if (HasRows()) {
    TVQViewAccessScope readOnly(*this, vqRead);
    // Only the pixels: padding bits past the width are no pixels of the mask.
    for (int y = 0; y < height_; ++y) {
      if (format == vqBits1)
        CopyBits(mask->GetScanline(y), GetScanline(y), 0, rowLength_, width_, 0);
      else
        std::memcpy(mask->GetScanline(y), GetScanline(y), static_cast<std::size_t>(width_));
    }
  }
  mask->SyncRect();
  mask->Full = Full;
}

void TVQBitmap::CopyFromDibbitmap(TVQDibbitmap* dib) {
  if (!dib) return;
  TVQPixelFormat format;
  switch (dib->GetBitCount()) {
    case 1: format = vqBits1; break;
    case 8: format = vqGray8; break;
    case 24: format = vqRGB24; break;
    default: return;
  }
  Allocate(dib->GetWidth(), dib->GetHeight(), format);
  if (!HasRows()) return;
  TVQViewAccessScope writeOnly(*this, vqWrite);
  const std::size_t copy = static_cast<std::size_t>(std::min(rowLength_, dib->GetRowLength()));
  for (int y = 0; y < height_; ++y) std::memcpy(GetScanline(y), dib->GetScanline(y), copy);
}

#include "imaging/core/raster/vqzutils_dib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdi/Gdi.h"

namespace {

Int64 DibRowLength(Int64 width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

void CheckBlock(int width, int height, int bitCount, const char* what) {
  if (DibRowLength(width, bitCount) > VQMaxPixelBlock / std::max(height, 1))
    throw EOutOfMemory(std::string("Cannot hold a ") + what + " of " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels at " + std::to_string(bitCount) + " bits");
}

}  // namespace

// ---- TVQDibbitmap ------------------------------------------------------------------

TVQDibbitmap::TVQDibbitmap() {
  BITMAPINFOHEADER& h = header_.bmiHeader;
  h.biSize = 40;
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  header_.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  header_.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
}

TVQDibbitmap::~TVQDibbitmap() { FreeBits(); }

void TVQDibbitmap::FreeBits() {
  if (dc_) {
    if (oldBitmap_) SelectObject(dc_, oldBitmap_);
    DeleteDC(dc_);
  }
  if (section_) DeleteObject(section_);
  dc_ = nullptr;
  section_ = nullptr;
  oldBitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = bitCount_ = rowLength_ = 0;
}

void TVQDibbitmap::AllocateBits(int width, int height, int bitCount) {
  if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 24)) return;
  CheckBlock(width, height, bitCount, "DIB bitmap");
  FreeBits();
  BITMAPINFOHEADER& h = header_.bmiHeader;
  const Int64 rowLength = DibRowLength(width, bitCount);
  h.biWidth = width;
  h.biHeight = height;  // positive: rows bottom-up
  h.biBitCount = static_cast<Word>(bitCount);
  h.biSizeImage = static_cast<DWORD>(rowLength * height);
  h.biClrUsed = 0;
  dc_ = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  section_ = dc_ ? CreateDIBSection(dc_, &header_, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!section_ || !bits) {
    FreeBits();
    return;
  }
  oldBitmap_ = SelectObject(dc_, section_);
  bits_ = static_cast<Byte*>(bits);
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  rowLength_ = static_cast<int>(rowLength);
}

Byte* TVQDibbitmap::GetScanline(int row) {
  if (!bits_ || static_cast<unsigned>(row) >= static_cast<unsigned>(height_))
    throw EVQBitmapError("Row " + std::to_string(row) + " outside a DIB bitmap of " + std::to_string(height_) +
                         " rows");
  return bits_ + static_cast<Int64>(height_ - 1 - row) * rowLength_;
}

TVQPixelFormat TVQDibbitmap::GetPixelFormat() {
  switch (bitCount_) {
    case 1: return vqBits1;
    case 24: return vqRGB24;
    default: return vqNull;
  }
}

void TVQDibbitmap::Allocate(int width, int height, TVQPixelFormat format) {
  if (format == vqBits1)
    AllocateBits(width, height, 1);
  else if (format == vqRGB24)
    AllocateBits(width, height, 24);
}

void TVQDibbitmap::Assign(TObject* source) {
  auto* dib = dynamic_cast<TVQDibbitmap*>(source);
  if (!dib || dib == this) return;
  if (!dib->bits_) {
    FreeBits();
    return;
  }
  AllocateBits(dib->width_, dib->height_, dib->bitCount_);
  if (bits_) std::memcpy(bits_, dib->bits_, static_cast<std::size_t>(Int64{rowLength_} * height_));
}

// ---- TVQWorkBitmap -------------------------------------------------------------------

TVQWorkBitmap::TVQWorkBitmap(int width, int height, int bitCount) {
  if (width > 0 && height > 0) Allocate(width, height, bitCount);
}

void TVQWorkBitmap::Allocate(int width, int height, int bitCount) {
  if (width == width_ && height == height_ && bitCount == bitCount_ && (bits_ || width <= 0 || height <= 0)) return;
  if (width < 0 || height < 0 || bitCount < 0) throw EVQBitmapError("Negative size for a work bitmap");
  CheckBlock(width, height, bitCount, "work bitmap");
  Free();
  const Int64 rowLength = DibRowLength(width, bitCount);
  if (rowLength > 0 && height > 0) {
    try {
      bits_.reset(new Byte[static_cast<std::size_t>(rowLength * height)]());
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory for a work bitmap of " + std::to_string(rowLength * height) + " bytes");
    }
  }
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  rowLength_ = static_cast<int>(rowLength);
}

Byte* TVQWorkBitmap::GetRow(int y) {
  if (!bits_ || static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
    throw EVQBitmapError("Row " + std::to_string(y) + " outside a work bitmap of " + std::to_string(height_) + " rows");
  return bits_.get() + static_cast<Int64>(height_ - 1 - y) * rowLength_;
}

void TVQWorkBitmap::Free() {
  bits_.reset();
  width_ = height_ = bitCount_ = rowLength_ = 0;
}

// ---- DrawDib ---------------------------------------------------------------------------

struct TDrawDibContext {};

HDRAWDIB OpenDrawDib() { return new TDrawDibContext; }

bool CloseDrawDib(HDRAWDIB context) {
  delete context;
  return context != nullptr;
}

bool DrawDibStretch(HDRAWDIB context, HDC dc, int xDst, int yDst, int dxDst, int dyDst, const BITMAPINFO* header,
                    const void* bits, int xSrc, int ySrc, int dxSrc, int dySrc, unsigned) {
  if (!context || !dc || !header || !bits) return false;
  const int w = header->bmiHeader.biWidth;
  const int h = header->bmiHeader.biHeight < 0 ? -header->bmiHeader.biHeight : header->bmiHeader.biHeight;
  if (dxSrc == -1) dxSrc = w;
  if (dySrc == -1) dySrc = h;
  if (dxDst == -1) dxDst = dxSrc;
  if (dyDst == -1) dyDst = dySrc;
  // StretchDIBits counts a bottom-up picture's rows from its bottom.
  const int sy = header->bmiHeader.biHeight > 0 ? h - ySrc - dySrc : ySrc;
  const int old = SetStretchBltMode(dc, COLORONCOLOR);
  const int lines =
      StretchDIBits(dc, xDst, yDst, dxDst, dyDst, xSrc, sy, dxSrc, dySrc, bits, header, DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, old);
  return lines > 0;
}

unsigned RealizeDrawDib(HDRAWDIB, HDC, bool) { return 0; }

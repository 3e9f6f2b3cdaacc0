#include "imaging/core/raster/vqzutils_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/base/vqzutils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/PictureMemory.h"

namespace {

const char* const kFormatNames[] = {"vqNull",   "vqBits1", "vqPalette8", "vqGray8",
                                    "vqGray16", "vqRGB24", "vq32f",      "vqCMYK"};

std::string FormatName(TVQPixelFormat f) { return f <= vqCMYK ? kFormatNames[f] : "unknown format"; }

// Formats a TBitmap can hold without losing bits.
bool StorableInTBitmap(TVQPixelFormat f) { return f == vqBits1 || f == vqPalette8 || f == vqGray8 || f == vqRGB24; }

std::vector<RGBQUAD> GreyRamp() {
  std::vector<RGBQUAD> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[static_cast<std::size_t>(i)] = RGBQUAD{Byte(i), Byte(i), Byte(i), 0};
  return ramp;
}

Int64 AutomaticThreshold() {
  const Int64 half = AutoMemoryThreshold();
  return half > 0 ? half : VQFallbackMemoryThreshold;
}

}  // namespace

int PixelFormatBits(TVQPixelFormat format) {
  static const int bits[] = {0, 1, 8, 8, 16, 24, 32, 32};
  return format <= vqCMYK ? bits[format] : 0;
}

TCMYKPixel RGBToCMYK(TRGBPixel rgb) {
  const int k = std::max({int(rgb.r), int(rgb.g), int(rgb.b), 1});
  return TCMYKPixel{Byte(rgb.r * 255 / k), Byte(rgb.g * 255 / k), Byte(rgb.b * 255 / k), Byte(k)};
}

TRGBPixel CMYKToRGB(TCMYKPixel p) {
  return TRGBPixel{Byte(p.y * p.k / 255), Byte(p.m * p.k / 255), Byte(p.c * p.k / 255)};
}

// ---- construction ----------------------------------------------------------------

TVQBitmap::TVQBitmap() : fileBuffer_(std::make_unique<TVQFileBuffer>()) {
  MemoryThreshold = DefaultMemoryThreshold >= 0 ? DefaultMemoryThreshold : AutomaticThreshold();
}

TVQBitmap::TVQBitmap(Temporary, const TVQBitmap& like) : fileBuffer_(std::make_unique<TVQFileBuffer>()) {
  MemoryThreshold = like.MemoryThreshold;
  rowAlignment_ = like.rowAlignment_;
}

TVQBitmap::~TVQBitmap() { FreeImage(true); }

std::unique_ptr<TVQBitmap> TVQBitmap::NewAlphaChannel(int width, int height, TVQLocation location) const {
  std::unique_ptr<TVQBitmap> alpha(new TVQBitmap(Temporary{}, *this));
  alpha->rowAlignment_ = 32;
  alpha->isAlphaChannel_ = true;
  alpha->location_ = location == vqTBitmap ? vqMemoryBuffer : location;
  alpha->Allocate(width, height, vqGray8);
  alpha->Fill(255);
  return alpha;
}

std::unique_ptr<TVQBitmap> TVQBitmap::CreateAlphaChannel(int width, int height, TVQLocation location) {
  const TVQBitmap like;
  return like.NewAlphaChannel(width, height, location);
}

Int64 TVQBitmap::IntegerPart(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<Int64>::max();
  if (value <= -9.2e18) return std::numeric_limits<Int64>::min();
  return static_cast<Int64>(value);
}

// ---- storage ------------------------------------------------------------------------

void TVQBitmap::SetRowAlignment(int bits) {
  if (bits <= 0 || bits % 8 != 0) throw EVQBitmapError("Row alignment must be a positive multiple of 8 bits");
  rowAlignment_ = bits;
}

void TVQBitmap::ComputeRowLength() {
  bitCount_ = PixelFormatBits(pixelFormat_);
  rowLength_ = 0;
  if (width_ <= 0 || bitCount_ == 0) return;
  const Int64 rowLength = CalcRowLength(width_, bitCount_, rowAlignment_);
  const Int64 rows = std::max(height_, 1);
  if (rowLength > VQMaxPixelBlock / rows) {
    const std::string size = std::to_string(width_) + " x " + std::to_string(height_);
    width_ = height_ = bitCount_ = 0;
    throw EOutOfMemory(
        "Cannot hold an image of " + size + " pixels at " + std::to_string(PixelFormatBits(pixelFormat_)) +
        " bits per pixel: its pixels would take more than " + std::to_string(VQMaxPixelBlock) + " bytes");
  }
  rowLength_ = static_cast<int>(rowLength);
}

void TVQBitmap::AllocateStorage() {
  if (width_ < 0) width_ = 0;
  if (height_ < 0) height_ = 0;
  if (isAlphaChannel_ && pixelFormat_ != vqGray8 && pixelFormat_ != vqNull) {
    width_ = height_ = 0;
    throw EVQBitmapError("An alpha channel holds vqGray8 pixels only, not " + FormatName(pixelFormat_));
  }
  if (isAlphaChannel_ && location_ == vqTBitmap) location_ = vqMemoryBuffer;
  if (location_ == vqTBitmap && (pixelFormat_ == vq32f || pixelFormat_ == vqCMYK) && width_ > 0 && height_ > 0) {
    width_ = height_ = 0;
    throw EVQBitmapError(FormatName(pixelFormat_) + " pixel format not allowed when Location=vqTBitmap");
  }
  if (location_ == vqTBitmap && pixelFormat_ == vqGray16) pixelFormat_ = vqGray8;
  ComputeRowLength();
  Full = false;
  if (width_ == 0 || height_ == 0 || pixelFormat_ == vqNull) return;

  if (pixelFormat_ == vqPalette8) {
    palette_.reset(new TRGBPixel[256]());
    paletteCount_ = 256;
  }
  if (location_ == vqTBitmap) {
    AllocateTBitmapStorage();
    return;
  }
  const Int64 size = Int64{rowLength_} * height_;
  if (location_ == vqTempFile && size < MemoryThreshold) location_ = vqMemoryBuffer;
  if (location_ == vqMemoryBuffer && MemoryThreshold < size) location_ = vqTempFile;
  if (location_ == vqTempFile) {
    if (fileBuffer_->Allocate("", size))
      fileBuffer_->SetRowLayout(rowLength_, height_);
    else
      location_ = vqMemoryBuffer;
  }
  if (location_ == vqMemoryBuffer) {
    // Fresh zeroed pages, photo-sized blocks on huge pages: a decoder
    // writing its rows straight in pays a few faults instead of thousands.
    memory_ = AllocatePictureMemory(size, INT64_MAX);
    externalMemory_ = false;
    if (!memory_) {
      DropAfterFailure();
      throw EOutOfMemory("Out of memory for an image of " + std::to_string(size) + " bytes");
    }
  }
}

void TVQBitmap::AllocateTBitmapStorage() {
  TPixelFormat pf = pf24bit;
  std::vector<RGBQUAD> colors;
  switch (pixelFormat_) {
    case vqBits1:
      pf = pf1bit;
      colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
      break;
    case vqPalette8:
      pf = pf8bit;
      colors.assign(256, RGBQUAD{});
      break;
    case vqGray8:
      pf = pf8bit;
      colors = GreyRamp();
      break;
    default: break;
  }
  try {
    if (!bitmap_) {
      bitmap_ = new TBitmap();
      externalBitmap_ = false;
    }
    bitmap_->NewImage(width_, height_, pf, colors);
  } catch (...) {
    DropAfterFailure();
    throw;
  }
  rowAlignment_ = 32;
  rowLength_ = bitmap_->RowBytes();
}

void TVQBitmap::SyncWithTBitmap() {
  if (location_ != vqTBitmap || !bitmap_) return;
  TPixelFormat pf = bitmap_->PixelFormat();
  const int bits = TBitmap::BitsOf(pf);
  // A caller may have given the TBitmap a format no image format describes:
  // it is brought to 24 bits, which keeps every colour.
  if (bits != 1 && bits != 8 && bits != 24 && !bitmap_->Empty()) {
    bitmap_->SetPixelFormat(pf24bit);
    pf = pf24bit;
  }
  TVQPixelFormat format = vqRGB24;
  if (pf == pf1bit)
    format = vqBits1;
  else if (pf == pf8bit)
    format = isAlphaChannel_ || pixelFormat_ == vqGray8 ? vqGray8 : vqPalette8;
  const int w = bitmap_->Width(), h = bitmap_->Height();
  if (w == width_ && h == height_ && format == pixelFormat_) return;
  const bool paletteBefore = pixelFormat_ == vqPalette8;
  width_ = w;
  height_ = h;
  pixelFormat_ = format;
  bitCount_ = PixelFormatBits(format);
  rowAlignment_ = 32;
  rowLength_ = bitmap_->Empty() ? 0 : bitmap_->RowBytes();
  if (format == vqPalette8 && !paletteBefore) ReadTBitmapPalette();
  if (format != vqPalette8) {
    palette_.reset();
    paletteCount_ = 0;
  }
  if (alphaChannel_ && (alphaChannel_->width_ != w || alphaChannel_->height_ != h))
    alphaChannel_ = NewAlphaChannel(w, h, location_);
}

void TVQBitmap::ReadTBitmapPalette() {
  palette_.reset(new TRGBPixel[256]());
  paletteCount_ = 256;
  const std::vector<RGBQUAD> table = bitmap_ ? bitmap_->ColorTable() : std::vector<RGBQUAD>{};
  for (std::size_t i = 0; i < table.size() && i < 256; ++i)
    palette_[i] = TRGBPixel{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed};
}

void TVQBitmap::RefreshTBitmapPalette() {
  if (location_ != vqTBitmap || !bitmap_ || paletteCount_ <= 0 || !palette_) return;
  std::vector<RGBQUAD> table(static_cast<std::size_t>(paletteCount_));
  for (int i = 0; i < paletteCount_; ++i)
    table[std::size_t(i)] = RGBQUAD{palette_[i].b, palette_[i].g, palette_[i].r, 0};
  bitmap_->SetColorTable(table);
}

void TVQBitmap::FreeImage(bool withAlpha) {
  if (withAlpha) alphaChannel_.reset();
  palette_.reset();
  paletteCount_ = 0;
  fileBuffer_->Free();
  if (memory_ && !externalMemory_) std::free(memory_);
  memory_ = nullptr;
  if (bitmap_ && !externalBitmap_) delete bitmap_;
  bitmap_ = nullptr;
  width_ = height_ = bitCount_ = rowLength_ = 0;
  Full = externalBitmap_ = externalMemory_ = false;
}

void TVQBitmap::DropAfterFailure() { FreeImage(true); }

void TVQBitmap::FitAlphaChannel() {
  if (alphaChannel_ && (alphaChannel_->width_ != width_ || alphaChannel_->height_ != height_)) alphaChannel_.reset();
}

void TVQBitmap::ReleaseViews() {
  try {
    fileBuffer_->FlushRows();
    fileBuffer_->DiscardRows();
  } catch (...) {
    DropAfterFailure();
    throw;
  }
}

void TVQBitmap::TransferTo(TVQBitmap* other) {
  if (!other || other == this) return;
  SyncWithTBitmap();
  other->FreeImage(true);
  other->fileBuffer_ = std::move(fileBuffer_);
  fileBuffer_ = std::make_unique<TVQFileBuffer>();
  other->palette_ = std::move(palette_);
  other->paletteCount_ = paletteCount_;
  other->alphaChannel_ = std::move(alphaChannel_);
  other->memory_ = memory_;
  other->bitmap_ = bitmap_;
  other->width_ = width_;
  other->height_ = height_;
  other->bitCount_ = bitCount_;
  other->rowLength_ = rowLength_;
  other->pixelFormat_ = pixelFormat_;
  other->isAlphaChannel_ = isAlphaChannel_;
  other->location_ = location_;
  other->Full = Full;
  other->externalBitmap_ = externalBitmap_;
  other->externalMemory_ = externalMemory_;
  other->rowAlignment_ = rowAlignment_;
  other->BiLevelMethod = BiLevelMethod;
  // This bitmap keeps its description (format, location, alignment) but
  // holds nothing.
  paletteCount_ = 0;
  memory_ = nullptr;
  bitmap_ = nullptr;
  width_ = height_ = bitCount_ = rowLength_ = 0;
  Full = externalBitmap_ = externalMemory_ = false;
}

void TVQBitmap::SetLocation(TVQLocation location) {
  if (location == vqTBitmap && isAlphaChannel_) location = vqMemoryBuffer;
  SyncWithTBitmap();
  if (location == location_) return;
  if (location == vqTBitmap && !StorableInTBitmap(pixelFormat_) && HasRows())
    throw EVQBitmapError(FormatName(pixelFormat_) + " pixel format not allowed when Location=vqTBitmap");
  TVQBitmap temp(Temporary{}, *this);
  TransferTo(&temp);
  location_ = location;
  width_ = temp.width_;
  height_ = temp.height_;
  try {
    AllocateStorage();
    CopyPixelsFrom(&temp);
  } catch (...) {
    FreeImage(true);
    temp.TransferTo(this);
    throw;
  }
  CopyPaletteFrom(&temp);
  RefreshTBitmapPalette();
  Full = temp.Full;
  alphaChannel_ = std::move(temp.alphaChannel_);
}

TBitmap* TVQBitmap::GetTBitmap() {
  SetLocation(vqTBitmap);
  if (location_ != vqTBitmap) return nullptr;  // an alpha channel never lives in a TBitmap
  if (!bitmap_) {
    bitmap_ = new TBitmap();
    externalBitmap_ = false;
    switch (pixelFormat_) {
      case vqBits1: bitmap_->SetPixelFormat(pf1bit); break;
      case vqPalette8:
      case vqGray8: bitmap_->SetPixelFormat(pf8bit); break;
      default: bitmap_->SetPixelFormat(pf24bit); break;
    }
  }
  return bitmap_;
}

TCanvas* TVQBitmap::GetCanvas() {
  TBitmap* bitmap = GetTBitmap();
  return bitmap ? bitmap->Canvas() : nullptr;
}

void TVQBitmap::EncapsulateTBitmap(TBitmap* bitmap, bool freeFirst) {
  if (isAlphaChannel_) throw EVQBitmapError("An alpha channel cannot be stored in a TBitmap");
  std::unique_ptr<TVQBitmap> keptAlpha = freeFirst ? nullptr : std::move(alphaChannel_);
  FreeImage(true);
  if (!bitmap) return;
  TVQPixelFormat format;
  switch (bitmap->PixelFormat()) {
    case pf1bit: format = vqBits1; break;
    case pf8bit: format = vqPalette8; break;
    case pf24bit: format = vqRGB24; break;
    default: throw EVQBitmapError("Only 1-, 8- and 24-bit framework bitmaps can be the storage of an image");
  }
  location_ = vqTBitmap;
  pixelFormat_ = format;
  bitmap_ = bitmap;
  externalBitmap_ = true;
  width_ = bitmap->Width();
  height_ = bitmap->Height();
  bitCount_ = PixelFormatBits(format);
  rowAlignment_ = 32;
  rowLength_ = bitmap->Empty() ? 0 : bitmap->RowBytes();
  if (format == vqPalette8) ReadTBitmapPalette();
  alphaChannel_ = std::move(keptAlpha);
  FitAlphaChannel();
}

void TVQBitmap::EncapsulateMemory(void* data, int width, int height, TVQPixelFormat format, bool freeFirst) {
  std::unique_ptr<TVQBitmap> keptAlpha = freeFirst ? nullptr : std::move(alphaChannel_);
  FreeImage(true);
  if (!data || width <= 0 || height <= 0 || format == vqNull) return;
  if (isAlphaChannel_ && format != vqGray8) throw EVQBitmapError("An alpha channel holds vqGray8 pixels only");
  location_ = vqMemoryBuffer;
  pixelFormat_ = format;
  width_ = width;
  height_ = height;
  ComputeRowLength();
  memory_ = static_cast<Byte*>(data);
  externalMemory_ = true;
  if (format == vqPalette8) {
    palette_.reset(new TRGBPixel[256]());
    paletteCount_ = 256;
  }
  alphaChannel_ = std::move(keptAlpha);
  FitAlphaChannel();
}

// ---- the base interface ---------------------------------------------------------------

void TVQBitmap::RowOutOfRange(int row) const {
  throw EVQBitmapError("Row " + std::to_string(row) + " outside an image of " + std::to_string(height_) + " rows");
}

Byte* TVQBitmap::GetScanline(int row) {
  switch (location_) {
    case vqMemoryBuffer:
      if (memory_ && static_cast<unsigned>(row) < static_cast<unsigned>(height_)) return MemoryRow(row);
      break;
    case vqTempFile:
      if (fileBuffer_->IsAllocated() && static_cast<unsigned>(row) < static_cast<unsigned>(height_)) {
        try {
          return fileBuffer_->PageRow(row, ViewAccess);
        } catch (...) {
          DropAfterFailure();
          throw;
        }
      }
      break;
    case vqTBitmap:
      SyncWithTBitmap();
      if (bitmap_ && rowLength_ > 0 && static_cast<unsigned>(row) < static_cast<unsigned>(height_))
        return static_cast<Byte*>(bitmap_->ScanLine(row));
      break;
  }
  RowOutOfRange(row);
}

int TVQBitmap::GetBitCount() {
  SyncWithTBitmap();
  return bitCount_;
}

int TVQBitmap::GetHeight() {
  SyncWithTBitmap();
  return height_;
}

int TVQBitmap::GetWidth() {
  SyncWithTBitmap();
  return width_;
}

TVQPixelFormat TVQBitmap::GetPixelFormat() {
  SyncWithTBitmap();
  return pixelFormat_;
}

int TVQBitmap::GetRowLength() {
  SyncWithTBitmap();
  return rowLength_;
}

void TVQBitmap::Allocate(int width, int height, TVQPixelFormat format) {
  if (location_ == vqTBitmap && externalBitmap_ && bitmap_) {
    // The caller's TBitmap is kept and given the new size and format.
    TBitmap* kept = bitmap_;
    bitmap_ = nullptr;
    FreeImage(true);
    bitmap_ = kept;
    externalBitmap_ = true;
  } else {
    FreeImage(true);
  }
  width_ = width;
  height_ = height;
  pixelFormat_ = format;
  AllocateStorage();
}

void TVQBitmap::CopyPaletteFrom(const TVQBitmap* source) {
  if (!palette_ || !source->palette_) return;
  const int n = std::min(paletteCount_, source->paletteCount_);
  std::memcpy(palette_.get(), source->palette_.get(), sizeof(TRGBPixel) * static_cast<std::size_t>(n));
}

void TVQBitmap::CopyPixelsFrom(TVQBitmap* source) {
  if (!HasRows() || !source->HasRows()) return;
  if (location_ == vqTempFile && source->location_ == vqTempFile && rowLength_ == source->rowLength_ &&
      height_ == source->height_) {
    // Whole files are copied as files, not row by row.
    source->fileBuffer_->CopyTo(fileBuffer_.get(), Int64{rowLength_} * height_, 0);
    return;
  }
  TVQViewAccessScope readOnly(*source, vqRead);
  TVQViewAccessScope writeOnly(*this, vqWrite);
  const int rows = std::min(height_, source->height_);
  const std::size_t copy = static_cast<std::size_t>(std::min(rowLength_, source->rowLength_));
  const std::size_t rest = static_cast<std::size_t>(rowLength_) - copy;
  for (int y = 0; y < rows; ++y) {
    const Byte* from = source->GetScanline(y);
    Byte* to = GetScanline(y);
    std::memcpy(to, from, copy);
    if (rest) std::memset(to + copy, 0, rest);
  }
}

void TVQBitmap::AssignFrom(TVQBitmap* source, bool image) {
  source->SyncWithTBitmap();
  SyncWithTBitmap();
  if (isAlphaChannel_ && source->pixelFormat_ != vqGray8 && source->pixelFormat_ != vqNull)
    throw EVQBitmapError("An alpha channel holds vqGray8 pixels only, not " + FormatName(source->pixelFormat_));
  // The source may be this image's own alpha channel: it must outlive the copy.
  std::unique_ptr<TVQBitmap> heldSource;
  if (source == alphaChannel_.get()) heldSource = std::move(alphaChannel_);
  // A TBitmap cannot hold 16-bit, float or CMYK pixels: such an image goes
  // to memory (or a file) instead, so the copy stays exact.
  const bool inTBitmap = location_ == vqTBitmap && StorableInTBitmap(source->pixelFormat_);
  std::unique_ptr<TVQBitmap> keptAlpha;
  if (image || (inTBitmap && !source->alphaChannel_)) keptAlpha = std::move(alphaChannel_);
  if (location_ == vqTBitmap && !inTBitmap) {
    FreeImage(true);
    location_ = vqMemoryBuffer;
  }
  const bool sourceFull = source->Full;
  if (inTBitmap && externalBitmap_ && bitmap_) {
    TBitmap* kept = bitmap_;
    bitmap_ = nullptr;
    FreeImage(true);
    bitmap_ = kept;
    externalBitmap_ = true;
  } else {
    FreeImage(true);
  }
  width_ = source->width_;
  height_ = source->height_;
  pixelFormat_ = source->pixelFormat_;
  rowAlignment_ = source->rowAlignment_;
  try {
    AllocateStorage();
    CopyPixelsFrom(source);
  } catch (...) {
    DropAfterFailure();
    throw;
  }
  CopyPaletteFrom(source);
  RefreshTBitmapPalette();
  Full = inTBitmap && !image ? sourceFull : false;
  if (!image) BiLevelMethod = source->BiLevelMethod;
  if (!image && !isAlphaChannel_ && source->alphaChannel_) {
    if (!alphaChannel_) alphaChannel_ = NewAlphaChannel(0, 0, location_);
    alphaChannel_->AssignFrom(source->alphaChannel_.get(), false);
  } else if (keptAlpha || (image && heldSource)) {
    alphaChannel_ = keptAlpha ? std::move(keptAlpha) : std::move(heldSource);
    FitAlphaChannel();
  }
}

void TVQBitmap::Assign(TObject* source) {
  if (!source || source == this) return;
  if (auto* framework = dynamic_cast<TBitmap*>(source)) {
    CopyFromTBitmap(framework);
    return;
  }
  if (auto* image = dynamic_cast<TVQBitmap*>(source)) AssignFrom(image, false);
}

void TVQBitmap::AssignImage(TVQBitmap* source) {
  if (!source || source == this) return;
  AssignFrom(source, true);
}

// ---- alpha channel ---------------------------------------------------------------------

TVQBitmap* TVQBitmap::GetAlphaChannel() {
  if (isAlphaChannel_) return nullptr;
  SyncWithTBitmap();
  if (!alphaChannel_) alphaChannel_ = NewAlphaChannel(width_, height_, location_);
  return alphaChannel_.get();
}

void TVQBitmap::RemoveAlphaChannel() {
  if (!isAlphaChannel_) alphaChannel_.reset();
}

Byte TVQBitmap::GetAlpha(int x, int y) {
  TVQBitmap* plane = isAlphaChannel_ ? this : GetAlphaChannel();
  TVQViewAccessScope read(*plane, plane->ViewAccess | vqRead);
  return *plane->PixelAddress(x, y);
}

void TVQBitmap::SetAlpha(int x, int y, Byte value) {
  TVQBitmap* plane = isAlphaChannel_ ? this : GetAlphaChannel();
  TVQViewAccessScope readWrite(*plane, vqReadWrite);
  *plane->PixelAddress(x, y) = value;
  if (value != 255) {
    plane->Full = false;
    Full = false;
  }
}

void TVQBitmap::SyncAlphaFull() {
  TVQBitmap* plane = isAlphaChannel_ ? this : alphaChannel_.get();
  if (!plane) return;
  plane->Full = false;
  if (plane->IsEmpty() || plane->pixelFormat_ != vqGray8) return;
  TVQViewAccessScope readOnly(*plane, vqRead);
  const std::size_t n = static_cast<std::size_t>(plane->width_);
  for (int y = 0; y < plane->height_; ++y) {
    const Byte* row = plane->GetScanline(y);
    for (std::size_t x = 0; x < n; ++x)
      if (row[x] != 255) return;
  }
  plane->Full = true;
}

// ---- pixels and palette ------------------------------------------------------------------

void TVQBitmap::PixelOutOfRange(int x, int y) const {
  throw EVQBitmapError("Pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") outside an image of " +
                       std::to_string(width_) + " x " + std::to_string(height_));
}

Byte* TVQBitmap::PixelAddress(int x, int y) {
  SyncWithTBitmap();
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(height_) || bitCount_ == 0)
    PixelOutOfRange(x, y);
  return GetScanline(y) + static_cast<Int64>(x) * bitCount_ / 8;
}

Byte TVQBitmap::GetPixelByte(int x, int y) {
  SyncWithTBitmap();
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(rowLength_)) PixelOutOfRange(x, y);
  TVQViewAccessScope read(*this, ViewAccess | vqRead);
  return GetScanline(y)[x];
}

void TVQBitmap::SetPixelByte(int x, int y, Byte value) {
  SyncWithTBitmap();
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(rowLength_)) PixelOutOfRange(x, y);
  TVQViewAccessScope readWrite(*this, vqReadWrite);
  GetScanline(y)[x] = value;
  if (value != 255) Full = false;
}

TRGBPixel TVQBitmap::GetPixelRGB(int x, int y) {
  if (GetPixelFormat() == vqNull) return TRGBPixel{};
  TVQViewAccessScope read(*this, ViewAccess | vqRead);
  const Byte* p = PixelAddress(x, y);
  switch (pixelFormat_) {
    case vqBits1: {
      const Byte v = GetBit(GetScanline(y), x) ? 255 : 0;
      return TRGBPixel{v, v, v};
    }
    case vqPalette8: return palette_ ? palette_[*p] : TRGBPixel{};
    case vqGray8: return TRGBPixel{*p, *p, *p};
    case vqGray16: return TRGBPixel{p[1], p[1], p[1]};
    case vqRGB24: return TRGBPixel{p[0], p[1], p[2]};
    case vq32f: {
      float f;
      std::memcpy(&f, p, sizeof f);
      const Byte v = static_cast<Byte>(IntegerPart(double(f) * 255.0) & 0xFF);
      return TRGBPixel{v, v, v};
    }
    case vqCMYK: return CMYKToRGB(TCMYKPixel{p[0], p[1], p[2], p[3]});
    default: return TRGBPixel{};
  }
}

bool TVQBitmap::IsGrayImage() {
  switch (GetPixelFormat()) {
    case vqPalette8:
      for (int i = 0; i < paletteCount_; ++i)
        if (palette_[i].r != palette_[i].g || palette_[i].g != palette_[i].b) return false;
      return true;
    case vqRGB24: {
      if (!HasRows()) return true;
      TVQViewAccessScope readOnly(*this, vqRead);
      for (int y = 0; y < height_; ++y) {
        const Byte* p = GetScanline(y);
        for (int x = 0; x < width_; ++x, p += 3)
          if (p[0] != p[1] || p[1] != p[2]) return false;
      }
      return true;
    }
    default: return true;
  }
}

void TVQBitmap::GetPaletteColor(int index, TRGBPixel& rgb) const {
  if (index >= 0 && index < paletteCount_ && palette_) rgb = palette_[index];
}

void TVQBitmap::SetPaletteColor(int index, TRGBPixel rgb) {
  if (index < 0 || index >= paletteCount_ || !palette_) return;
  palette_[index] = rgb;
  RefreshTBitmapPalette();
}

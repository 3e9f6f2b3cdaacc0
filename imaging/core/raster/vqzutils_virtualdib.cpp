#include "imaging/core/raster/vqzutils_virtualdib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr Int64 kVirtualDIBInfoSize = 40;

Int64 VirtualDIBRowLength(Int64 width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

void VirtualDIBPut32(Byte* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(v >> (8 * i));
}

std::uint32_t VirtualDIBGet32(const Byte* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

Int64 VQStoredDIBSize(int width, int height, int bitCount, bool hasAlpha) {
  if (width <= 0 || height <= 0 || bitCount <= 0 || bitCount > 32) return -1;
  // Sides from the file may be anything: keep every product below 2^62.
  const Int64 rows = VirtualDIBRowLength(width, bitCount);
  if (rows > VQMaxPixelBlock / height) return -1;
  Int64 size = VQStoredDIBHeader + rows * height;
  if (hasAlpha) size += 1 + VirtualDIBRowLength(width, 8) * height;
  return size > VQMaxPixelBlock ? -1 : size;
}

bool ParseStoredDIB(const Byte* block, Int64 size, bool hasAlpha, TVQStoredDIB& out) {
  if (!block || size < VQStoredDIBHeader) return false;
  if (VirtualDIBGet32(block) != kVirtualDIBInfoSize) return false;
  const auto width = static_cast<std::int32_t>(VirtualDIBGet32(block + 4));
  const auto height = static_cast<std::int32_t>(VirtualDIBGet32(block + 8));
  const int bitCount = block[14] | block[15] << 8;
  if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 24)) return false;
  const Int64 need = VQStoredDIBSize(width, height, bitCount, hasAlpha);
  if (need < 0 || need > size) return false;
  out.Width = width;
  out.Height = height;
  out.BitCount = bitCount;
  out.RowLength = VirtualDIBRowLength(width, bitCount);
  out.AlphaRowLength = hasAlpha ? VirtualDIBRowLength(width, 8) : 0;
  out.AlphaFull = !hasAlpha || block[VQStoredDIBHeader + out.RowLength * height] != 0;
  return true;
}

TVQVirtualDIBList::TVQVirtualDIBList() {
  // Without a file the first image raises when it cannot make one either.
  fileBuffer_.Allocate("", fileSize_);
}

TVQVirtualDIBList::~TVQVirtualDIBList() {
  try {
    Clear();
  } catch (const Exception&) {
    // Views that cannot be written back are dropped with the file.
  }
}

void TVQVirtualDIBList::Clear() {
  acquired_.clear();
  mapped_.clear();
  for (auto& image : images_) image->View = nullptr;
  images_.clear();
  freeBlocks_.clear();
  fileBuffer_.Free();
  endOffset_ = 0;
  lastBlockSize_ = 0;
}

void TVQVirtualDIBList::UnmapAll() {
  while (!mapped_.empty()) Unmap(mapped_.front());
}

void TVQVirtualDIBList::ResetFile() {
  UnmapAll();
  if (fileBuffer_.IsAllocated()) {
    fileBuffer_.SetSize(fileSize_);
    if (fileBuffer_.FileSize() == fileSize_) return;
  } else if (fileBuffer_.Allocate("", fileSize_)) {
    return;
  }
  throw EWriteError("Cannot size the temporary file of the image list");
}

void TVQVirtualDIBList::ReserveSpace(int width, int height, int bitCount, int count) {
  const Int64 block = VQStoredDIBSize(width, height, bitCount, false);
  if (block < 0 || count <= 0) return;
  const Int64 old = fileSize_;
  fileSize_ += block * count;
  try {
    ResetFile();
  } catch (const Exception&) {
    fileSize_ = old;
    throw;
  }
}

void TVQVirtualDIBList::Unmap(TVQDIBHandle handle) {
  if (!handle->View) return;
  Byte* view = handle->View;
  handle->View = nullptr;
  handle->Access = 0;
  mapped_.erase(std::find(mapped_.begin(), mapped_.end(), handle));
  fileBuffer_.ReleaseView(view);
}

Byte* TVQVirtualDIBList::MapImage(TVQDIBHandle handle, Byte access) {
  if (handle->View && handle->Access != access) Unmap(handle);
  if (handle->View) {
    mapped_.erase(std::find(mapped_.begin(), mapped_.end(), handle));
    mapped_.push_back(handle);
    return handle->View;
  }
  while (!mapped_.empty() && static_cast<int>(mapped_.size()) + 1 > std::max(MaxMapped, 1)) Unmap(mapped_.front());
  try {
    handle->View = fileBuffer_.MapView(access, handle->MappedSize, handle->Offset);
  } catch (const EReadError&) {
    return nullptr;
  }
  handle->Access = access;
  mapped_.push_back(handle);
  return handle->View;
}

Byte* TVQVirtualDIBList::MapOrRaise(TVQDIBHandle handle, Byte access) {
  Byte* view = MapImage(handle, access);
  if (!view) throw EWriteError("Cannot map an image of the temporary file");
  return view;
}

void TVQVirtualDIBList::AllocateBlock(TVQDIBHandle handle, int width, int height, int bitCount, bool hasAlpha) {
  if (bitCount != 1 && bitCount != 24) throw EVQBitmapError("Only 1- and 24-bit images are stored");
  const Int64 size = VQStoredDIBSize(width, height, bitCount, hasAlpha);
  if (size < 0) throw EVQBitmapError("Image size out of range");
  handle->BlockSize = handle->MappedSize = size;
  handle->HasAlpha = hasAlpha;
  auto fit = std::find_if(freeBlocks_.begin(), freeBlocks_.end(), [&](const TVQFreeBlock& b) { return b.Size >= size; });
  if (fit != freeBlocks_.end()) {
    handle->Offset = fit->Offset;
    // The rest of a larger block stays free.
    if (fit->Size > size) {
      fit->Offset += size;
      fit->Size -= size;
    } else {
      freeBlocks_.erase(fit);
    }
  } else {
    if (size > growStep_) growStep_ = static_cast<int>(std::min<Int64>(lastBlockSize_ + size, VQMaxPixelBlock));
    lastBlockSize_ = static_cast<int>(size);
    if (endOffset_ + size > fileSize_ || !fileBuffer_.IsAllocated()) {
      const Int64 old = fileSize_;
      while (endOffset_ + size > fileSize_) fileSize_ += growStep_;
      try {
        ResetFile();
      } catch (const Exception&) {
        fileSize_ = old;
        throw;
      }
    }
    handle->Offset = endOffset_;
    endOffset_ += size;
  }
  Byte* view = MapOrRaise(handle, vqReadWrite);
  std::memset(view, 0, VQStoredDIBHeader);
  VirtualDIBPut32(view, kVirtualDIBInfoSize);
  VirtualDIBPut32(view + 4, static_cast<std::uint32_t>(width));
  VirtualDIBPut32(view + 8, static_cast<std::uint32_t>(height));
  view[12] = 1;
  view[14] = static_cast<Byte>(bitCount);
  std::memset(view + 44, 255, 3);  // the second colour entry: white
}

TVQDIBHandle TVQVirtualDIBList::AddImage(int width, int height, int bitCount, bool hasAlpha) {
  auto image = std::make_unique<TVQDIBImage>();
  AllocateBlock(image.get(), width, height, bitCount, hasAlpha);
  image->FullWidth = width;
  image->FullHeight = height;
  images_.push_back(std::move(image));
  return images_.back().get();
}

void TVQVirtualDIBList::WriteRows(Byte* view, const TVQStoredDIB& layout, TVQBitmap* bitmap) {
  const std::size_t pixelBytes = static_cast<std::size_t>((static_cast<Int64>(layout.Width) * layout.BitCount + 7) / 8);
  Byte* rows = view + VQStoredDIBHeader;
  for (int k = 0; k < layout.Height; ++k)
    std::memcpy(rows + layout.RowLength * k, bitmap->GetScanline(layout.Height - 1 - k), pixelBytes);
  if (layout.AlphaRowLength == 0) return;
  TVQBitmap* alpha = bitmap->GetAlphaChannel();
  Byte* full = rows + layout.RowLength * layout.Height;
  *full = alpha->Full ? 1 : 0;
  for (int k = 0; k < layout.Height; ++k)
    std::memcpy(full + 1 + layout.AlphaRowLength * k, alpha->GetScanline(layout.Height - 1 - k),
                static_cast<std::size_t>(layout.Width));
}

namespace {

// The bitmap as the list stores it: 1-bit stays, anything else is 24-bit.
TVQBitmap* VirtualDIBStorable(TVQBitmap* bitmap, std::unique_ptr<TVQBitmap>& converted) {
  const TVQPixelFormat f = bitmap->GetPixelFormat();
  if (f == vqBits1 || f == vqRGB24) return bitmap;
  converted = std::make_unique<TVQBitmap>();
  converted->Assign(bitmap);
  converted->ConvertPixelFormat(vqRGB24);
  return converted.get();
}

}  // namespace

TVQDIBHandle TVQVirtualDIBList::AddBitmap(TVQBitmap* bitmap) {
  std::unique_ptr<TVQBitmap> converted;
  TVQBitmap* source = VirtualDIBStorable(bitmap, converted);
  TVQViewAccessScope access(*source, vqRead);
  TVQDIBHandle handle = AddImage(source->GetWidth(), source->GetHeight(), source->GetBitCount(),
                                 source->HasAlphaChannel());
  TVQStoredDIB layout;
  ParseStoredDIB(handle->View, handle->MappedSize, handle->HasAlpha, layout);
  WriteRows(handle->View, layout, source);
  return handle;
}

bool TVQVirtualDIBList::ReadStored(TVQDIBHandle handle, TVQStoredDIB& stored, Byte*& view) {
  view = MapImage(handle, vqRead);
  if (!view) return false;
  if (!ParseStoredDIB(view, handle->MappedSize, handle->HasAlpha, stored))
    throw EReadError("Corrupt image in the temporary file of the image list");
  return true;
}

bool TVQVirtualDIBList::CopyToBitmap(TVQDIBHandle handle, TVQBitmap* bitmap) {
  TVQStoredDIB s;
  Byte* view = nullptr;
  if (!ReadStored(handle, s, view)) return false;
  const TVQPixelFormat format = s.BitCount == 1 ? vqBits1 : vqRGB24;
  if (bitmap->GetPixelFormat() != format || bitmap->GetWidth() != s.Width || bitmap->GetHeight() != s.Height)
    bitmap->Allocate(s.Width, s.Height, format);
  const std::size_t pixelBytes = static_cast<std::size_t>((static_cast<Int64>(s.Width) * s.BitCount + 7) / 8);
  const Byte* rows = view + VQStoredDIBHeader;
  {
    TVQViewAccessScope access(*bitmap, vqWrite);
    for (int k = 0; k < s.Height; ++k)
      std::memcpy(bitmap->GetScanline(s.Height - 1 - k), rows + s.RowLength * k, pixelBytes);
    bitmap->ReleaseViews();
  }
  if (s.AlphaFull) {
    bitmap->RemoveAlphaChannel();
    return true;
  }
  TVQBitmap* alpha = bitmap->GetAlphaChannel();
  const Byte* alphaRows = rows + s.RowLength * s.Height + 1;
  {
    TVQViewAccessScope access(*alpha, vqWrite);
    for (int k = 0; k < s.Height; ++k)
      std::memcpy(alpha->GetScanline(s.Height - 1 - k), alphaRows + s.AlphaRowLength * k,
                  static_cast<std::size_t>(s.Width));
    alpha->ReleaseViews();
  }
  alpha->Full = false;
  return true;
}

void TVQVirtualDIBList::UpdateImage(TVQDIBHandle handle, TVQBitmap* bitmap) {
  std::unique_ptr<TVQBitmap> converted;
  TVQBitmap* source = VirtualDIBStorable(bitmap, converted);
  TVQViewAccessScope access(*source, vqRead);
  const int width = source->GetWidth(), height = source->GetHeight(), bits = source->GetBitCount();
  const bool alpha = source->HasAlphaChannel();
  TVQStoredDIB s;
  Byte* view = MapOrRaise(handle, vqReadWrite);
  const bool same = ParseStoredDIB(view, handle->MappedSize, handle->HasAlpha, s) && s.Width == width &&
                    s.Height == height && s.BitCount == bits && handle->HasAlpha == alpha;
  if (!same) {
    // The old block is given back, so changing sizes do not leak file space.
    Unmap(handle);
    const TVQFreeBlock old{handle->Offset, handle->BlockSize};
    AllocateBlock(handle, width, height, bits, alpha);
    freeBlocks_.push_back(old);
    ParseStoredDIB(handle->View, handle->MappedSize, alpha, s);
    view = handle->View;
  }
  WriteRows(view, s, source);
}

TVQVirtualDIBList::Acquire* TVQVirtualDIBList::FindAcquired(TVQDIBHandle handle) {
  for (auto& a : acquired_)
    if (a.Image == handle) return &a;
  return nullptr;
}

TVQBitmap* TVQVirtualDIBList::AcquireBitmap(TVQDIBHandle handle) {
  if (!MapImage(handle, vqRead)) return nullptr;
  if (Acquire* a = FindAcquired(handle)) {
    ++a->UseCount;
    return a->Bitmap.get();
  }
  auto bitmap = std::make_unique<TVQBitmap>();
  if (!CopyToBitmap(handle, bitmap.get())) return nullptr;
  acquired_.push_back({handle, std::move(bitmap), 1});
  handle->Acquired = true;
  return acquired_.back().Bitmap.get();
}

void TVQVirtualDIBList::ReleaseBitmap(TVQBitmap* bitmap, bool writeBack) {
  if (!bitmap) return;
  auto it = std::find_if(acquired_.begin(), acquired_.end(), [&](const Acquire& a) { return a.Bitmap.get() == bitmap; });
  if (it == acquired_.end()) return;
  --it->UseCount;
  TVQDIBHandle handle = it->Image;
  if (writeBack) UpdateImage(handle, bitmap);
  if (it->UseCount > 0) return;
  handle->Acquired = false;
  acquired_.erase(it);
}

void TVQVirtualDIBList::ReleaseBitmapOf(TVQDIBHandle handle, bool writeBack) {
  if (Acquire* a = FindAcquired(handle)) ReleaseBitmap(a->Bitmap.get(), writeBack);
}

int TVQVirtualDIBList::GetImageWidth(TVQDIBHandle handle) {
  if (Acquire* a = FindAcquired(handle)) return a->Bitmap->GetWidth();
  TVQStoredDIB s;
  Byte* view = nullptr;
  return ReadStored(handle, s, view) ? s.Width : 0;
}

int TVQVirtualDIBList::GetImageHeight(TVQDIBHandle handle) {
  if (Acquire* a = FindAcquired(handle)) return a->Bitmap->GetHeight();
  TVQStoredDIB s;
  Byte* view = nullptr;
  return ReadStored(handle, s, view) ? s.Height : 0;
}

int TVQVirtualDIBList::GetImageBitCount(TVQDIBHandle handle) {
  if (Acquire* a = FindAcquired(handle)) return a->Bitmap->GetBitCount();
  TVQStoredDIB s;
  Byte* view = nullptr;
  return ReadStored(handle, s, view) ? s.BitCount : 0;
}

Byte* TVQVirtualDIBList::GetImageBits(TVQDIBHandle handle) {
  if (Acquire* a = FindAcquired(handle)) {
    TVQBitmap* b = a->Bitmap.get();
    return b->IsEmpty() ? nullptr : b->GetScanline(b->GetHeight() - 1);
  }
  TVQStoredDIB s;
  Byte* view = nullptr;
  return ReadStored(handle, s, view) ? view + VQStoredDIBHeader : nullptr;
}

Byte* TVQVirtualDIBList::GetAlphaBits(TVQDIBHandle handle) {
  if (Acquire* a = FindAcquired(handle)) {
    TVQBitmap* b = a->Bitmap.get();
    if (!b->HasAlphaChannel() || b->IsEmpty()) return nullptr;
    return b->GetAlphaChannel()->GetScanline(b->GetHeight() - 1);
  }
  TVQStoredDIB s;
  Byte* view = nullptr;
  if (!ReadStored(handle, s, view) || s.AlphaFull) return nullptr;
  return view + VQStoredDIBHeader + s.RowLength * s.Height + 1;
}

void TVQVirtualDIBList::DeleteImage(TVQDIBHandle handle) {
  freeBlocks_.push_back({handle->Offset, handle->BlockSize});
  auto a = std::find_if(acquired_.begin(), acquired_.end(), [&](const Acquire& r) { return r.Image == handle; });
  if (a != acquired_.end()) acquired_.erase(a);
  Unmap(handle);
  images_.erase(std::find_if(images_.begin(), images_.end(), [&](const auto& p) { return p.get() == handle; }));
  if (!images_.empty()) return;
  fileSize_ = growStep_;
  endOffset_ = 0;
  freeBlocks_.clear();
  ResetFile();
}

#include "app/pixels/BitmapRows.h"

#include <cstring>

RowImage BitmapRows(TBitmap* bitmap) {
  if (!bitmap)
    throw EInvalidGraphicOperation("No picture");
  if (bitmap->PixelFormat() != pf24bit)
    bitmap->SetPixelFormat(pf24bit);
  if (bitmap->Empty())
    return RowImage{};
  Byte* top = static_cast<Byte*>(bitmap->ScanLine(0));
  // A one-row bitmap has no second row to measure the stride from; its rows
  // would lie RowBytes apart, downwards in memory as in every DIB here.
  std::ptrdiff_t stride = bitmap->Height() > 1 ? static_cast<Byte*>(bitmap->ScanLine(1)) - top
                                               : -std::ptrdiff_t(bitmap->RowBytes());
  return RowImage{bitmap->Width(), bitmap->Height(), top, stride};
}

RowImage BitmapRowsToRead(TBitmap* bitmap) {
  if (!bitmap || bitmap->PixelFormat() != pf24bit || bitmap->Empty())
    return BitmapRows(bitmap);
  const TBitmap& shared = *bitmap;
  // Only read through: the const rows are never copied away from the
  // bitmaps sharing them.
  Byte* top = const_cast<Byte*>(static_cast<const Byte*>(shared.ScanLine(0)));
  std::ptrdiff_t stride = shared.Height() > 1 ? static_cast<const Byte*>(shared.ScanLine(1)) - top
                                              : -std::ptrdiff_t(shared.RowBytes());
  return RowImage{shared.Width(), shared.Height(), top, stride};
}

std::unique_ptr<TBitmap> BitmapFromRows(const RowImage& picture) {
  RequirePicture(picture);
  const std::size_t bytes = std::size_t(picture.Width) * 3;
  return BitmapWrittenBy(picture.Width, picture.Height, [&](const RowImage& rows) {
    ParallelRows(picture.Height, [&](int begin, int end) {
      for (int y = begin; y < end; ++y)
        std::memcpy(rows.Row(y), picture.Row(y), bytes);
    });
  });
}

std::unique_ptr<TBitmap> BitmapWrittenBy(int width, int height, const std::function<void(const RowImage&)>& write) {
  if (width < 1 || height < 1)
    throw EOutOfMemory("Picture size must be at least 1 by 1");
  // The bitmap's section comes zeroed by the system, never cleared here.
  auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
  write(BitmapRows(bitmap.get()));
  return bitmap;
}

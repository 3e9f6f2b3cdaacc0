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

std::unique_ptr<TBitmap> BitmapFromRows(const RowImage& picture) {
  RequirePicture(picture);
  auto bitmap = std::make_unique<TBitmap>(picture.Width, picture.Height, pf24bit);
  const RowImage rows = BitmapRows(bitmap.get());
  const std::size_t bytes = std::size_t(picture.Width) * 3;
  for (int y = 0; y < picture.Height; ++y)
    std::memcpy(rows.Row(y), picture.Row(y), bytes);
  return bitmap;
}

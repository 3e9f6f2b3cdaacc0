// TVQDibbitmap and TVQWorkBitmap against the platform's DIB sections and
// blits, and the DrawDib wrappers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/base/vqzutils.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

TEST(DibBitmap, ARowOfThreeRGBPixelsIsTwelveBytesAndRowsAreBottomUp) {
  TVQDibbitmap dib;
  dib.AllocateBits(3, 2, 24);
  EXPECT_EQ(dib.GetWidth(), 3);
  EXPECT_EQ(dib.GetHeight(), 2);
  EXPECT_EQ(dib.GetBitCount(), 24);
  EXPECT_EQ(dib.GetRowLength(), 12);
  EXPECT_EQ(dib.GetPixelFormat(), vqRGB24);
  EXPECT_EQ(dib.GetScanline(0), dib.Bits() + 12);
  EXPECT_EQ(dib.GetScanline(1), dib.Bits());
  const BITMAPINFOHEADER& h = dib.Header().bmiHeader;
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 3);
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biSizeImage, 24u);
  EXPECT_EQ(dib.Header().bmiColors[1], (RGBQUAD{255, 255, 255, 0}));
  for (int i = 0; i < 24; ++i) EXPECT_EQ(dib.Bits()[i], 0);
  EXPECT_THROW(dib.GetScanline(2), EVQBitmapError);
  EXPECT_THROW(dib.GetScanline(-1), EVQBitmapError);
}

TEST(DibBitmap, PixelsWrittenThroughTheRowsAreWhatTheDeviceContextSees) {
  TVQDibbitmap dib;
  dib.Allocate(5, 4, vqRGB24);
  ASSERT_NE(dib.DC(), nullptr);
  ASSERT_NE(dib.Section(), nullptr);
  Byte* row = dib.GetScanline(1);
  row[2 * 3 + 0] = 0x11;  // blue
  row[2 * 3 + 1] = 0x22;
  row[2 * 3 + 2] = 0x33;  // red
  EXPECT_EQ(GetPixel(dib.DC(), 2, 1), COLORREF(0x00112233));
  // And what the platform draws lands in the rows.
  SetPixelV(dib.DC(), 4, 3, 0x00AABBCC);
  EXPECT_EQ(dib.GetScanline(3)[12], 0xAA);
  EXPECT_EQ(dib.GetScanline(3)[14], 0xCC);
  // Blitted onto a framework bitmap, the picture keeps its rows.
  TBitmap target(5, 4, pf24bit);
  BitBlt(target.Canvas()->Handle(), 0, 0, 5, 4, dib.DC(), 0, 0, SRCCOPY);
  const Byte* copied = static_cast<const Byte*>(target.ScanLine(1));
  EXPECT_EQ(copied[6], 0x11);
  EXPECT_EQ(copied[8], 0x33);
}

TEST(DibBitmap, OneBitSectionsUseBlackAndWhite) {
  TVQDibbitmap dib;
  dib.Allocate(9, 2, vqBits1);
  EXPECT_EQ(dib.GetPixelFormat(), vqBits1);
  EXPECT_EQ(dib.GetRowLength(), 4);
  dib.GetScanline(0)[1] = 0x80;  // pixel 8 of the top row
  EXPECT_EQ(GetPixel(dib.DC(), 8, 0), COLORREF(0x00FFFFFF));
  EXPECT_EQ(GetPixel(dib.DC(), 7, 0), COLORREF(0));
  // Into a TVQBitmap and back out through a mask.
  TVQBitmap image;
  image.CopyFromDibbitmap(&dib);
  EXPECT_EQ(image.GetPixelFormat(), vqBits1);
  EXPECT_EQ(image.GetPixelRGB(8, 0), (TRGBPixel{255, 255, 255}));
  EXPECT_EQ(image.GetPixelRGB(8, 1), TRGBPixel{});
}

TEST(DibBitmap, OtherFormatsAndSizesChangeNothing) {
  TVQDibbitmap dib;
  dib.Allocate(10, 10, vqGray8);
  EXPECT_EQ(dib.GetWidth(), 0);
  EXPECT_EQ(dib.Bits(), nullptr);
  dib.AllocateBits(4, 4, 24);
  Byte* before = dib.Bits();
  dib.Allocate(10, 10, vqGray8);
  dib.AllocateBits(0, 5, 24);
  dib.AllocateBits(5, 5, 8);
  EXPECT_EQ(dib.Bits(), before);
  EXPECT_EQ(dib.GetWidth(), 4);
  EXPECT_THROW(dib.AllocateBits(50000, 50000, 24), EOutOfMemory);
  EXPECT_EQ(dib.GetWidth(), 4);
  dib.FreeBits();
  EXPECT_EQ(dib.GetWidth(), 0);
  EXPECT_EQ(dib.DC(), nullptr);
  EXPECT_EQ(dib.GetPixelFormat(), vqNull);
}

TEST(DibBitmap, AssignCopiesOnlyFromAnotherDib) {
  TVQDibbitmap a, b;
  a.AllocateBits(7, 3, 24);
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 21; ++i) a.GetScanline(y)[i] = static_cast<Byte>(y * 31 + i);
  b.Assign(&a);
  ASSERT_EQ(b.GetWidth(), 7);
  EXPECT_NE(b.Bits(), a.Bits());
  EXPECT_EQ(std::memcmp(b.Bits(), a.Bits(), 24 * 3), 0);
  TVQBitmap other;
  other.Allocate(2, 2, vqRGB24);
  b.Assign(&other);  // ignored
  EXPECT_EQ(b.GetWidth(), 7);
  TVQDibbitmap empty;
  b.Assign(&empty);
  EXPECT_EQ(b.GetWidth(), 0);
  // A TVQBitmap copies the 24-bit DIB row for row.
  TVQBitmap image;
  image.CopyFromDibbitmap(&a);
  EXPECT_EQ(image.GetPixelFormat(), vqRGB24);
  EXPECT_EQ(image.GetPixelRGB(6, 2), (TRGBPixel{Byte(62 + 18), Byte(62 + 19), Byte(62 + 20)}));
  image.CopyFromDibbitmap(&empty);  // no bit count: nothing
  EXPECT_EQ(image.GetWidth(), 7);
}

TEST(DibBitmap, OneByOne) {
  TVQDibbitmap dib;
  dib.AllocateBits(1, 1, 1);
  EXPECT_EQ(dib.GetRowLength(), 4);
  dib.GetScanline(0)[0] = 0x80;
  EXPECT_EQ(GetPixel(dib.DC(), 0, 0), COLORREF(0x00FFFFFF));
  dib.AllocateBits(1, 1, 24);
  EXPECT_EQ(dib.GetScanline(0), dib.Bits());
}

TEST(WorkBitmap, KeepsItsBlockForTheSameSizeAndStartsZeroed) {
  TVQWorkBitmap w(5, 3, 24);
  EXPECT_EQ(w.RowLength(), 16);
  Byte* block = w.Bits();
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 48; ++i) EXPECT_EQ(block[i], 0);
  EXPECT_EQ(w.GetRow(0), block + 32);
  EXPECT_EQ(w.GetRow(2), block);
  w.GetRow(1)[0] = 9;
  w.Allocate(5, 3, 24);
  EXPECT_EQ(w.Bits(), block);
  EXPECT_EQ(w.GetRow(1)[0], 9);
  w.Allocate(6, 3, 24);
  EXPECT_EQ(w.RowLength(), 20);
  EXPECT_EQ(w.GetRow(1)[0], 0);
  EXPECT_THROW(w.GetRow(3), EVQBitmapError);
  EXPECT_THROW(w.Allocate(1 << 20, 1 << 12, 32), EOutOfMemory);
  w.Free();
  EXPECT_EQ(w.Width(), 0);
  EXPECT_EQ(w.Bits(), nullptr);
  TVQWorkBitmap none(0, 4, 8);
  EXPECT_EQ(none.Bits(), nullptr);
  EXPECT_THROW(none.GetRow(0), EVQBitmapError);
}

TEST(DrawDib, StretchesAPackedDibOntoADeviceContext) {
  HDRAWDIB context = OpenDrawDib();
  ASSERT_NE(context, nullptr);
  TVQDibbitmap dib;
  dib.AllocateBits(2, 2, 24);
  std::memset(dib.GetScanline(0), 0x40, 6);  // top row grey 64
  std::memset(dib.GetScanline(1), 0xC0, 6);  // bottom row grey 192
  TBitmap target(4, 4, pf24bit);
  HDC dc = target.Canvas()->Handle();
  EXPECT_TRUE(DrawDibStretch(context, dc, 0, 0, 4, 4, &dib.Header(), dib.Bits(), 0, 0, 2, 2, 0));
  EXPECT_EQ(static_cast<const Byte*>(target.ScanLine(0))[0], 0x40);
  EXPECT_EQ(static_cast<const Byte*>(target.ScanLine(1))[9], 0x40);
  EXPECT_EQ(static_cast<const Byte*>(target.ScanLine(3))[0], 0xC0);
  // The source rectangle counts from the top; -1 takes whole sizes.
  TBitmap one(1, 1, pf24bit);
  EXPECT_TRUE(DrawDibStretch(context, one.Canvas()->Handle(), 0, 0, -1, -1, &dib.Header(), dib.Bits(), 0, 1, 1, 1, 0));
  EXPECT_EQ(static_cast<const Byte*>(one.ScanLine(0))[0], 0xC0);
  EXPECT_FALSE(DrawDibStretch(context, dc, 0, 0, 4, 4, nullptr, dib.Bits(), 0, 0, 2, 2, 0));
  EXPECT_EQ(RealizeDrawDib(context, dc, false), 0u);
  EXPECT_TRUE(CloseDrawDib(context));
}

}  // namespace

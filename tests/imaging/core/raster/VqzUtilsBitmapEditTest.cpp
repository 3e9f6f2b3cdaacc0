// TVQBitmap: pixels and palette, the alpha channel, copies from framework
// bitmaps, pixel-format requests and the Part's edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/imaging/core/BitmapTestSupport.h"
#include "imaging/core/base/vqzutils.h"
#include "platform/graphics/Bitmap.h"

using namespace bitmaptest;

namespace {

TEST(BitmapPixels, GetPixelRGBReadsEveryFormat) {
  auto bits = NewBitmap(vqMemoryBuffer, 9, 1, vqBits1);
  bits->GetScanline(0)[1] = 0x80;
  EXPECT_EQ(bits->GetPixelRGB(8, 0), (TRGBPixel{255, 255, 255}));
  EXPECT_EQ(bits->GetPixelRGB(7, 0), TRGBPixel{});

  auto pal = NewBitmap(vqMemoryBuffer, 2, 1, vqPalette8);
  pal->SetPaletteColor(7, TRGBPixel{1, 2, 3});
  pal->SetPixelByte(1, 0, 7);
  EXPECT_EQ(pal->GetPixelRGB(1, 0), (TRGBPixel{1, 2, 3}));

  auto g16 = NewBitmap(vqMemoryBuffer, 1, 1, vqGray16);
  g16->Fill(0xAB12);
  EXPECT_EQ(g16->GetPixelRGB(0, 0), (TRGBPixel{0xAB, 0xAB, 0xAB}));

  auto f = NewBitmap(vqMemoryBuffer, 3, 1, vq32f);
  const float values[3] = {0.999f, 2.0f, std::numeric_limits<float>::quiet_NaN()};
  std::memcpy(f->GetScanline(0), values, sizeof values);
  EXPECT_EQ(f->GetPixelRGB(0, 0), (TRGBPixel{254, 254, 254}));  // truncated
  EXPECT_EQ(f->GetPixelRGB(1, 0), (TRGBPixel{254, 254, 254}));  // 510: its low byte
  EXPECT_EQ(f->GetPixelRGB(2, 0), TRGBPixel{});

  auto cmyk = NewBitmap(vqMemoryBuffer, 1, 1, vqCMYK);
  const Byte form[4] = {255, 127, 63, 200};
  std::memcpy(cmyk->GetScanline(0), form, 4);
  EXPECT_EQ(cmyk->GetPixelRGB(0, 0), (TRGBPixel{49, 99, 200}));
  TVQBitmap none;
  EXPECT_EQ(none.GetPixelRGB(5, 5), TRGBPixel{});
}

TEST(BitmapPixels, CMYKFormRoundTrips) {
  EXPECT_EQ(RGBToCMYK(TRGBPixel{50, 100, 200}), (TCMYKPixel{255, 127, 63, 200}));
  EXPECT_EQ(RGBToCMYK(TRGBPixel{}), (TCMYKPixel{0, 0, 0, 1}));
  EXPECT_EQ(CMYKToRGB(TCMYKPixel{255, 127, 63, 200}), (TRGBPixel{49, 99, 200}));
}

TEST(BitmapPixels, PaletteIndexesOutsideAreIgnored) {
  auto b = NewBitmap(vqMemoryBuffer, 1, 1, vqPalette8);
  TRGBPixel c{9, 9, 9};
  b->GetPaletteColor(300, c);
  b->GetPaletteColor(-1, c);
  EXPECT_EQ(c, (TRGBPixel{9, 9, 9}));
  b->SetPaletteColor(256, TRGBPixel{1, 1, 1});
  b->GetPaletteColor(255, c);
  EXPECT_EQ(c, TRGBPixel{});
  auto rgb = NewBitmap(vqMemoryBuffer, 1, 1, vqRGB24);
  rgb->GetPaletteColor(0, c);
  EXPECT_EQ(c, TRGBPixel{});
}

TEST(BitmapPixels, PaletteReachesTheTBitmap) {
  auto b = NewBitmap(vqTBitmap, 2, 2, vqPalette8);
  b->SetPaletteColor(4, TRGBPixel{10, 20, 30});
  const auto table = b->GetTBitmap()->ColorTable();
  EXPECT_EQ(table[4], (RGBQUAD{10, 20, 30, 0}));
}

TEST(BitmapPixels, IsGrayImage) {
  auto rgb = NewBitmap(vqTempFile, 3, 3, vqRGB24);
  rgb->Fill(0x00808080);
  EXPECT_TRUE(rgb->IsGrayImage());
  rgb->GetScanline(2)[5] = 1;
  EXPECT_FALSE(rgb->IsGrayImage());
  auto pal = NewBitmap(vqMemoryBuffer, 1, 1, vqPalette8);
  EXPECT_TRUE(pal->IsGrayImage());
  pal->SetPaletteColor(200, TRGBPixel{1, 2, 3});
  EXPECT_FALSE(pal->IsGrayImage());
  auto bits = NewBitmap(vqMemoryBuffer, 1, 1, vqBits1);
  EXPECT_TRUE(bits->IsGrayImage());
}

TEST(BitmapPixels, SetPixelByteShortOfFullClearsFull) {
  auto b = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  b->Fill(255);
  b->SetPixelByte(0, 0, 255);
  EXPECT_TRUE(b->Full);
  b->SetPixelByte(0, 0, 254);
  EXPECT_FALSE(b->Full);
}

// ---- alpha channel ----------------------------------------------------------------

TEST(BitmapAlpha, MadeOnFirstUseFullyOpaque) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile, vqTBitmap}) {
    SCOPED_TRACE(LocationName(l));
    auto b = NewBitmap(l, 5, 3, vqRGB24);
    EXPECT_FALSE(b->HasAlphaChannel());
    TVQBitmap* alpha = b->GetAlphaChannel();
    ASSERT_NE(alpha, nullptr);
    EXPECT_TRUE(alpha->IsAlphaChannel());
    EXPECT_EQ(alpha->GetPixelFormat(), vqGray8);
    EXPECT_NE(alpha->Location(), vqTBitmap);
    EXPECT_EQ(alpha->GetWidth(), 5);
    EXPECT_TRUE(alpha->Full);
    EXPECT_EQ(alpha->GetAlphaChannel(), nullptr);  // no alpha of an alpha
    EXPECT_EQ(b->GetAlpha(4, 2), 255);
    b->SetAlpha(4, 2, 17);
    EXPECT_FALSE(alpha->Full);
    EXPECT_EQ(alpha->GetPixelByte(4, 2), 17);
    EXPECT_THROW(b->SetAlpha(5, 0, 1), EVQBitmapError);
    b->SetAlpha(4, 2, 255);
    b->SyncAlphaFull();
    EXPECT_TRUE(alpha->Full);
    b->RemoveAlphaChannel();
    EXPECT_FALSE(b->HasAlphaChannel());
  }
  auto standalone = TVQBitmap::CreateAlphaChannel(3, 2, vqTBitmap);
  EXPECT_TRUE(standalone->IsAlphaChannel());
  EXPECT_EQ(standalone->Location(), vqMemoryBuffer);
  EXPECT_EQ(standalone->GetAlpha(2, 1), 255);
  EXPECT_THROW(standalone->Allocate(2, 2, vqRGB24), EVQBitmapError);
  auto image = NewBitmap(vqMemoryBuffer, 3, 2, vqRGB24);
  EXPECT_THROW(standalone->Assign(image.get()), EVQBitmapError);
}

TEST(BitmapAlpha, MergeTakesTheLargerValue) {
  auto a = NewBitmap(vqMemoryBuffer, 3, 1, vqRGB24);
  auto b = NewBitmap(vqTempFile, 3, 1, vqRGB24);
  a->SetAlpha(0, 0, 10);
  a->SetAlpha(1, 0, 200);
  b->GetAlphaChannel()->Fill(100);
  a->MergeAlphaRectTo(b.get(), 0, 0, 0, 0, 3, 1);
  EXPECT_EQ(b->GetAlpha(0, 0), 100);
  EXPECT_EQ(b->GetAlpha(1, 0), 200);
  EXPECT_EQ(b->GetAlpha(2, 0), 255);
  a->MergeAlphaRectTo(a.get(), 1, 0, 0, 0, 2, 1);  // within one image
  EXPECT_EQ(a->GetAlpha(0, 0), 200);
  EXPECT_EQ(a->GetAlpha(1, 0), 255);
}

TEST(BitmapAlpha, AssignFromTheOwnAlphaChannel) {
  auto b = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  b->SetAlpha(1, 1, 7);
  b->Assign(b->GetAlphaChannel());
  EXPECT_EQ(b->GetPixelFormat(), vqGray8);
  EXPECT_EQ(b->GetPixelByte(1, 1), 7);
  EXPECT_FALSE(b->IsAlphaChannel());
}

// ---- copies from framework bitmaps --------------------------------------------------

std::unique_ptr<TBitmap> Framework(int w, int h, TPixelFormat f) {
  auto b = std::make_unique<TBitmap>(w, h, f);
  for (int y = 0; y < h; ++y) {
    Byte* row = static_cast<Byte*>(b->ScanLine(y));
    for (int i = 0; i < b->RowBytes(); ++i) row[i] = static_cast<Byte>(y * 17 + i * 3 + 1);
  }
  return b;
}

TEST(BitmapFromTBitmap, EachPixelFormatMapsAsThePartSays) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile, vqTBitmap}) {
    SCOPED_TRACE(LocationName(l));
    auto mono = Framework(11, 2, pf1bit);
    auto b = NewBitmap(l);
    b->CopyFromTBitmap(mono.get());
    EXPECT_EQ(b->GetPixelFormat(), vqBits1);
    for (int x = 0; x < 11; ++x)
      EXPECT_EQ(b->GetPixelRGB(x, 1).r != 0, GetBit(static_cast<const Byte*>(mono->ScanLine(1)), x));

    auto twoColours = Framework(5, 1, pf1bit);
    twoColours->SetColorTable({RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}});
    b->CopyFromTBitmap(twoColours.get());
    EXPECT_EQ(b->GetPixelFormat(), vqPalette8);
    EXPECT_EQ(b->Palette()[1], (TRGBPixel{4, 5, 6}));
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(b->GetPixelByte(x, 0), GetBit(static_cast<const Byte*>(twoColours->ScanLine(0)), x) ? 1 : 0);

    auto four = Framework(3, 1, pf4bit);
    b->CopyFromTBitmap(four.get());
    EXPECT_EQ(b->GetPixelFormat(), vqPalette8);
    const Byte* nibbles = static_cast<const Byte*>(four->ScanLine(0));
    EXPECT_EQ(b->GetPixelByte(0, 0), nibbles[0] >> 4);
    EXPECT_EQ(b->GetPixelByte(1, 0), nibbles[0] & 15);
    EXPECT_EQ(b->GetPixelByte(2, 0), nibbles[1] >> 4);
    EXPECT_EQ(b->Palette()[15], (TRGBPixel{four->ColorTable()[15].rgbBlue, four->ColorTable()[15].rgbGreen,
                                           four->ColorTable()[15].rgbRed}));

    auto eight = Framework(3, 2, pf8bit);
    b->CopyFromTBitmap(eight.get());
    EXPECT_EQ(b->GetPixelFormat(), vqPalette8);
    EXPECT_EQ(b->GetPixelByte(2, 1), static_cast<const Byte*>(eight->ScanLine(1))[2]);

    TBitmap fifteen(1, 1, pf15bit);
    const Byte white15[2] = {0xFF, 0x7F};
    std::memcpy(fifteen.ScanLine(0), white15, 2);
    b->CopyFromTBitmap(&fifteen);
    EXPECT_EQ(b->GetPixelFormat(), vqRGB24);
    EXPECT_EQ(b->GetPixelRGB(0, 0), (TRGBPixel{248, 248, 248}));

    TBitmap sixteen(1, 1, pf16bit);
    const Byte green16[2] = {0xE0, 0x07};  // 6 bits of green
    std::memcpy(sixteen.ScanLine(0), green16, 2);
    b->CopyFromTBitmap(&sixteen);
    EXPECT_EQ(b->GetPixelRGB(0, 0), (TRGBPixel{0, 252, 0}));

    auto deep = Framework(2, 2, pf24bit);
    b->CopyFromTBitmap(deep.get());
    EXPECT_EQ(b->GetPixelRGB(1, 1), (TRGBPixel{Byte(17 + 9 + 1), Byte(17 + 12 + 1), Byte(17 + 15 + 1)}));

    auto wide = Framework(2, 1, pf32bit);
    b->CopyFromTBitmap(wide.get());
    EXPECT_EQ(b->GetPixelFormat(), vqRGB24);
    EXPECT_EQ(b->GetPixelRGB(1, 0), (TRGBPixel{13, 16, 19}));

    TBitmap device(2, 2, pfDevice);
    b->CopyFromTBitmap(&device);  // nothing
    EXPECT_EQ(b->GetPixelFormat(), vqRGB24);
    EXPECT_EQ(b->GetWidth(), 2);
    EXPECT_FALSE(b->Full);
  }
}

TEST(BitmapFromTBitmap, AssignTakesAFrameworkBitmap) {
  auto deep = Framework(3, 3, pf24bit);
  TVQBitmap b;
  b.Assign(deep.get());
  EXPECT_EQ(b.GetPixelFormat(), vqRGB24);
  EXPECT_EQ(b.GetWidth(), 3);
  TObject other;
  b.Assign(&other);  // ignored
  EXPECT_EQ(b.GetWidth(), 3);
  b.Assign(nullptr);
  EXPECT_EQ(b.GetWidth(), 3);
}

// ---- pixel-format requests ----------------------------------------------------------

TEST(BitmapFormat, TheSameFormatChangesNothingAndRefusedConversionsLeaveItUnchanged) {
  auto b = NewBitmap(vqMemoryBuffer, 3, 2, vqPalette8);
  WritePattern(*b);
  b->PaletteColors = 16;
  b->SetPixelFormat(vqPalette8);
  EXPECT_EQ(b->GetPixelFormat(), vqPalette8);
  const auto pixels = PixelRows(*b);
  // Paletted to CMYK has no rule.
  EXPECT_THROW(b->SetPixelFormat(vqCMYK), Exception);
  EXPECT_EQ(b->GetPixelFormat(), vqPalette8);
  EXPECT_EQ(PixelRows(*b), pixels);
  // From and to vqNull there is nothing to convert.
  b->GetAlphaChannel()->Fill(3);
  b->SetPixelFormat(vqNull);
  EXPECT_TRUE(b->IsEmpty());
  EXPECT_EQ(b->GetWidth(), 3);
  b->SetPixelFormat(vqGray8);
  EXPECT_EQ(b->GetRowLength(), 4);
  EXPECT_EQ(b->GetAlpha(2, 1), 3);
}

// ---- every routine on one pixel --------------------------------------------------------

TEST(BitmapOnePixel, EveryRoutineOnOneByOne) {
  for (TVQLocation l : {vqMemoryBuffer, vqTempFile, vqTBitmap}) {
    for (TVQPixelFormat f : FormatsOf(l)) {
      SCOPED_TRACE(std::string(LocationName(l)) + " " + FormatName(f));
      auto b = NewBitmap(l, 1, 1, f);
      b->Fill(1);
      b->FillRect(0, 0, 0, 0, 0);
      b->FillRect(0, 0, 5, 5, 1);
      (void)b->GetPixelRGB(0, 0);
      (void)b->IsGrayImage();
      b->SetAlpha(0, 0, 4);
      b->SyncAlphaFull();
      b->MoveRect(0, 0, 0, 0, 0, 0, 0);
      b->MoveRect(0, 0, 0, 0, -1, 1, 0);
      b->ResizeCanvas(3, 3, 0, 0, 1, 1);
      b->ResizeCanvas(1, 1, 0, 0, 1, 1);
      b->SetWidth(2);
      b->SetHeight(2);
      b->SetWidth(1);
      b->SetHeight(1);
      auto c = NewBitmap(l, 1, 1, f);
      b->CopyRectTo(c.get(), 0, 0, 0, 0, 1, 1);
      b->MergeAlphaRectTo(c.get(), 0, 0, 0, 0, 1, 1);
      c->Assign(b.get());
      c->AssignImage(b.get());
      EXPECT_EQ(c->GetAlpha(0, 0), 4);
      b->ReleaseViews();
      b->SetLocation(vqMemoryBuffer);
      b->SetLocation(vqTempFile);
      TVQMask m;
      if (f == vqBits1 || f == vqGray8) {
        b->CopyBitmapToMask(&m);
        EXPECT_EQ(m.Width(), 1);
        b->CopyFromMask(&m);
      }
      b->FreeImage(true);
      EXPECT_TRUE(b->IsEmpty());
      b->Fill(1);
      b->FillRect(0, 0, 0, 0, 1);
      b->MoveRect(0, 0, 0, 0, 0, 0, 0);
      b->CopyRectTo(c.get(), 0, 0, 0, 0, 1, 1);
    }
  }
}

TEST(BitmapOnePixel, EmptyImagesTakeEveryRoutineQuietly) {
  TVQBitmap b;
  b.Fill(3);
  b.FillRect(0, 0, 10, 10, 3);
  b.SetWidth(0);
  b.SetHeight(0);
  b.ResizeCanvas(0, 0, 0, 0, 1, 1);
  b.MoveRect(0, 0, 3, 3, 1, 1, 0);
  b.ReleaseViews();
  EXPECT_TRUE(b.IsGrayImage());
  EXPECT_THROW(b.GetScanline(0), EVQBitmapError);
  EXPECT_THROW(b.GetAlpha(0, 0), EVQBitmapError);
  b.Allocate(0, 5, vqRGB24);
  EXPECT_TRUE(b.IsEmpty());
  b.SetWidth(2);  // now there are pixels: zero
  EXPECT_EQ(b.GetPixelRGB(1, 4), TRGBPixel{});
}

}  // namespace

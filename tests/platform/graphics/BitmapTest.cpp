#include "platform/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"  // complete handle types for SelectObject/GetObject
#include "platform/gdi/Gdi.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Resources.h"
#include "platform/rtl/Streams.h"
#include "tests/platform/graphics/BmpBuilder.h"

namespace {

std::uint8_t* Px(TBitmap& b, int x, int y) {
  return static_cast<std::uint8_t*>(b.ScanLine(y)) + x * (TBitmap::BitsOf(b.PixelFormat()) / 8);
}
void Put24(TBitmap& b, int x, int y, std::uint32_t rgb) {
  std::uint8_t* p = Px(b, x, y);
  p[0] = std::uint8_t(rgb), p[1] = std::uint8_t(rgb >> 8), p[2] = std::uint8_t(rgb >> 16);
}
std::uint32_t Get24(TBitmap& b, int x, int y) {
  std::uint8_t* p = Px(b, x, y);
  return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}
// The colour of a pixel whatever the format, as 0xRRGGBB.
std::uint32_t Rgb(const TBitmap& b, int x, int y) { return PixelRGB(b.ToDib(), x, y); }

TEST(BitmapScanLine, IsOneBottomUpBlockOfPaddedRowsForEveryFormat) {
  const struct {
    TPixelFormat format;
    int rowBytes;  // for width 5
  } cases[] = {{pf1bit, 4}, {pf4bit, 4}, {pf8bit, 8}, {pf15bit, 12}, {pf16bit, 12},
               {pf24bit, 16}, {pf32bit, 20}, {pfDevice, 20}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.format));
    TBitmap b(5, 3, c.format);
    EXPECT_EQ(b.PixelFormat(), c.format);
    EXPECT_EQ(b.RowBytes(), c.rowBytes);
    auto* top = static_cast<std::uint8_t*>(b.ScanLine(0));
    auto* bottom = static_cast<std::uint8_t*>(b.ScanLine(2));
    EXPECT_EQ(top - bottom, 2 * c.rowBytes);  // row 0 sits highest
    EXPECT_EQ(static_cast<std::uint8_t*>(b.ScanLine(1)) - bottom, c.rowBytes);
    // The block is the DIB section's own memory.
    DIBSECTION ds;
    ASSERT_EQ(GetObject(b.Handle(), int(sizeof ds), &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, static_cast<void*>(bottom));
    EXPECT_GT(ds.dsBmih.biHeight, 0);
  }
}

TEST(BitmapScanLine, SharesPixelsWithTheCanvas) {
  TBitmap b(4, 3, pf24bit);
  Put24(b, 1, 0, 0x123456);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), TColor(RGB(0x12, 0x34, 0x56)));
  b.Canvas()->SetPixels(3, 2, clRed);
  EXPECT_EQ(Get24(b, 3, 2), 0xFF0000u);
  EXPECT_EQ(Get24(b, 2, 2), 0u);  // a new bitmap is zero-filled
}

TEST(BitmapScanLine, RejectsRowsOutsideTheImage) {
  TBitmap b(2, 2, pf24bit);
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(2), EInvalidGraphicOperation);
  TBitmap empty;
  EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
}

TEST(BitmapSize, GrowingKeepsTheTopLeftAndPaintsTheRestWhite) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(int(f));
    TBitmap b(3, 2, f);
    b.Canvas()->SetPixels(2, 1, clWhite);
    b.Canvas()->SetPixels(0, 0, clWhite);
    b.SetSize(5, 4);
    EXPECT_EQ(Rgb(b, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 1, 0), 0u);
    EXPECT_EQ(Rgb(b, 2, 1), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 1, 1), 0u);
    EXPECT_EQ(Rgb(b, 3, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 0, 3), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 4, 3), 0xFFFFFFu);
    b.SetWidth(2);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(Rgb(b, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 1, 1), 0u);
  }
}

TEST(BitmapSize, RefusesNegativeAndHugeSizes) {
  TBitmap b;
  EXPECT_THROW(b.SetSize(-1, 4), EInvalidGraphic);
  EXPECT_THROW(b.SetSize(65535, 65535), EInvalidGraphic);  // 12.9 GB
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapPixelFormat, ConvertsBetweenFormats) {
  // Colours every target format holds exactly (cube steps, 5-bit steps).
  const std::uint32_t colours[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x336699};
  const TPixelFormat targets[] = {pf8bit, pf24bit, pf32bit, pfDevice};
  for (TPixelFormat to : targets) {
    SCOPED_TRACE(int(to));
    TBitmap b(6, 1, pf24bit);
    for (int x = 0; x < 6; ++x) Put24(b, x, 0, colours[x]);
    b.SetPixelFormat(to);
    EXPECT_EQ(b.PixelFormat(), to);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(Rgb(b, x, 0), colours[x]) << x;
  }
  TBitmap fifteen(2, 1, pf24bit);
  Put24(fifteen, 0, 0, 0xF80000);
  Put24(fifteen, 1, 0, 0x0804F8);
  fifteen.SetPixelFormat(pf15bit);
  EXPECT_EQ(*reinterpret_cast<std::uint16_t*>(Px(fifteen, 0, 0)), 0x7C00);
  fifteen.SetPixelFormat(pf16bit);
  EXPECT_EQ(*reinterpret_cast<std::uint16_t*>(Px(fifteen, 0, 0)), 0xF800);
  EXPECT_EQ(*reinterpret_cast<std::uint16_t*>(Px(fifteen, 1, 0)), (1 << 11) | (0 << 5) | 31);
  // One bit: nearest of black and white.
  TBitmap mono(2, 1, pf24bit);
  Put24(mono, 0, 0, 0x202020);
  Put24(mono, 1, 0, 0xD0D0D0);
  mono.SetPixelFormat(pf1bit);
  EXPECT_EQ(*static_cast<std::uint8_t*>(mono.ScanLine(0)) & 0xC0, 0x40);
  EXPECT_THROW(mono.SetPixelFormat(pfCustom), EInvalidGraphic);
}

// Every depth to every other, rows of different content and an odd width:
// the result is what the general path (each row through B,G,R,A) makes, in
// the same rows, whether the source pixels are shared with a copy or not.
TEST(BitmapPixelFormat, EveryConversionMatchesTheRowByRowDefinition) {
  struct TDepth {
    TPixelFormat format;
    int bits;
    bool is565;
  } depths[] = {{pf1bit, 1, false},   {pf4bit, 4, false},   {pf8bit, 8, false},  {pf15bit, 16, false},
                {pf16bit, 16, true},  {pf24bit, 24, false}, {pf32bit, 32, false}};
  const int w = 13, h = 5;
  for (const TDepth& from : depths)
    for (const TDepth& to : depths) {
      if (from.format == to.format) continue;
      SCOPED_TRACE(std::to_string(from.bits) + (from.is565 ? "/565" : "") + " to " + std::to_string(to.bits) +
                   (to.is565 ? "/565" : ""));
      TBitmap source(w, h, from.format);
      unsigned seed = 12345;
      for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(source.ScanLine(y));
        for (int i = 0; i < source.RowBytes(); ++i) row[i] = std::uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
      }
      TBitmap converted;
      converted.Assign(&source);  // shares the pixels until one side writes
      converted.SetPixelFormat(to.format);
      ASSERT_EQ(converted.Width(), w);
      ASSERT_EQ(converted.Height(), h);
      const std::vector<TDibColor> fromPalette = from.bits <= 8 ? DefaultPalette(from.bits) : std::vector<TDibColor>{};
      const std::vector<TDibColor> toPalette = to.bits <= 8 ? DefaultPalette(to.bits) : std::vector<TDibColor>{};
      const TRowFormat fromRow{from.bits, from.is565, fromPalette.empty() ? nullptr : fromPalette.data()};
      const TRowFormat toRow{to.bits, to.is565, toPalette.empty() ? nullptr : toPalette.data()};
      TNearestIndex nearest(toPalette);
      std::vector<std::uint8_t> bgra(std::size_t(w) * 4), expected(std::size_t(converted.RowBytes()));
      for (int y = 0; y < h; ++y) {
        RowToBGRA(fromRow, static_cast<const std::uint8_t*>(std::as_const(source).ScanLine(y)), bgra.data(), w);
        std::fill(expected.begin(), expected.end(), 0);
        BGRAToRow(toRow, &nearest, bgra.data(), expected.data(), w);
        const auto* got = static_cast<const std::uint8_t*>(std::as_const(converted).ScanLine(y));
        const std::size_t used = (std::size_t(w) * std::size_t(to.bits) + 7) / 8;
        EXPECT_EQ(std::vector<std::uint8_t>(got, got + used), std::vector<std::uint8_t>(expected.begin(), expected.begin() + std::ptrdiff_t(used)))
            << "row " << y;
      }
    }
}

TEST(BitmapMonochrome, TellsBlackAndWhiteFromOtherTwoColourTables) {
  TBitmap b(8, 1, pf1bit);
  EXPECT_TRUE(b.Monochrome());
  b.SetColorTable({RGBQUAD{0, 0, 255, 0}, RGBQUAD{255, 0, 0, 0}});
  EXPECT_EQ(b.PixelFormat(), pf1bit);
  EXPECT_FALSE(b.Monochrome());
  EXPECT_EQ(Rgb(b, 0, 0), 0xFF0000u);  // index 0 is now red
  b.SetMonochrome(true);
  EXPECT_TRUE(b.Monochrome());
  b.SetMonochrome(false);
  EXPECT_EQ(b.PixelFormat(), pfDevice);
}

TEST(BitmapPalette, FollowsTheColourTable) {
  TBitmap b(2, 2, pf8bit);
  std::vector<RGBQUAD> table(256);
  table[7] = {30, 20, 10, 0};
  b.SetColorTable(table);
  PALETTEENTRY e[256];
  ASSERT_EQ(GetPaletteEntries(b.Palette(), 0, 256, e), 256u);
  EXPECT_EQ(e[7], (PALETTEENTRY{10, 20, 30, 0}));
  LOGPALETTE lp;
  lp.palNumEntries = 1;
  lp.palPalEntry[0] = {1, 2, 3, 0};
  HPALETTE pal = CreatePalette(&lp);
  b.SetPalette(pal);
  DeleteObject(pal);
  EXPECT_EQ(b.ColorTable()[0], (RGBQUAD{3, 2, 1, 0}));
  EXPECT_EQ(b.ColorTable()[7], (RGBQUAD{30, 20, 10, 0}));
  TBitmap deep(1, 1, pf24bit);
  EXPECT_EQ(deep.Palette(), nullptr);
}

TEST(BitmapTransparency, AutomaticColourIsTheBottomLeftPixel) {
  TBitmap b(3, 3, pf24bit);
  Put24(b, 0, 2, 0x00FF00);
  EXPECT_EQ(b.TransparentMode(), tmAuto);
  EXPECT_EQ(b.TransparentColor(), clLime);
  b.SetTransparentColor(clFuchsia);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
  b.SetTransparentColor(clDefault);
  EXPECT_EQ(b.TransparentMode(), tmAuto);
  EXPECT_EQ(b.TransparentColor(), clLime);
  b.SetTransparentMode(tmFixed);  // freezes the current bottom-left colour
  Put24(b, 0, 2, 0x0000FF);
  EXPECT_EQ(b.TransparentColor(), clLime);
}

TEST(BitmapTransparency, DrawLeavesKeyPixelsOfTheTarget) {
  TBitmap glyph(2, 2, pf24bit);
  Put24(glyph, 0, 0, 0xFF0000);
  Put24(glyph, 1, 0, 0xFF00FF);
  Put24(glyph, 0, 1, 0xFF00FF);  // bottom-left: the automatic key
  Put24(glyph, 1, 1, 0x0000FF);
  TBitmap target(4, 4, pf24bit);
  target.Canvas()->Brush()->SetColor(clGray);
  target.Canvas()->FillRect(Rect(0, 0, 4, 4));
  glyph.SetTransparent(true);
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(Get24(target, 1, 1), 0xFF0000u);
  EXPECT_EQ(Get24(target, 2, 1), 0x808080u);
  EXPECT_EQ(Get24(target, 1, 2), 0x808080u);
  EXPECT_EQ(Get24(target, 2, 2), 0x0000FFu);
  glyph.SetTransparent(false);
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(Get24(target, 2, 1), 0xFF00FFu);
}

TEST(BitmapHandle, ReleaseHandsOverTheSectionAndEmpties) {
  TBitmap b(3, 2, pf24bit);
  Put24(b, 0, 0, 0xABCDEF);
  HBITMAP h = b.ReleaseHandle();
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Handle(), nullptr);
  DIBSECTION ds;
  ASSERT_EQ(GetObject(h, int(sizeof ds), &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 3);
  // Handing it back adopts the very same section.
  b.SetHandle(h);
  EXPECT_EQ(b.Handle(), h);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(Get24(b, 0, 0), 0xABCDEFu);
}

TEST(BitmapHandle, CopiesADeviceBitmapIntoASection) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP ddb = CreateBitmap(4, 3, 1, 32, nullptr);  // a 32-bit device bitmap
  HGDIOBJ old = SelectObject(dc, ddb);
  SetPixel(dc, 1, 2, RGB(9, 8, 7));
  SelectObject(dc, old);
  DeleteDC(dc);
  TBitmap b;
  b.SetHandle(ddb);
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(b.Canvas()->Pixels(1, 2), TColor(RGB(9, 8, 7)));
  EXPECT_EQ(Rgb(b, 1, 2), 0x090807u);
}

TEST(BitmapStream, SavesAndLoadsEveryFormat) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(int(f));
    TBitmap b(7, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) Put24(b, x, y, (x * 40) << 16 | (y * 100) << 8 | 0xFF);
    b.SetPixelFormat(f);
    TMemoryStream ms;
    b.SaveToStream(ms);
    b.SaveToStream(ms);
    ms.SetPosition(0);
    TBitmap c, d;
    c.LoadFromStream(ms);
    d.LoadFromStream(ms);  // the first load stopped at its own end
    EXPECT_EQ(c.PixelFormat(), f);
    EXPECT_EQ(c.ToDib().Bits, b.ToDib().Bits);
    EXPECT_EQ(d.ToDib().Bits, b.ToDib().Bits);
    EXPECT_EQ(c.ColorTable(), b.ColorTable());
  }
}

TEST(BitmapStream, LoadsFromNamedResources) {
  BmpLayout s;
  s.width = 1;
  s.height = 1;
  s.pixels = {0x11, 0x22, 0x33, 0};
  static const std::vector<std::uint8_t> file = MakeBmp(s);
  static const TResourceEntry entry[] = {{"BITMAP", "GraphicsTestGlyph", file.data(), file.data() + file.size()}};
  static bool once = (RegisterResources(entry, 1), true);
  (void)once;
  TBitmap b;
  b.LoadFromResourceName("graphicstestglyph");
  EXPECT_EQ(Rgb(b, 0, 0), 0x332211u);
  EXPECT_THROW(b.LoadFromResourceName("NoSuchGlyph"), EResNotFound);
}

TEST(BitmapAssign, CopiesDeeplyAndNilEmpties) {
  TBitmap a(2, 2, pf24bit);
  Put24(a, 0, 0, 0x010203);
  a.SetTransparentColor(clRed);
  TBitmap b;
  b.Assign(&a);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.TransparentColor(), clRed);
  EXPECT_NE(b.ScanLine(0), a.ScanLine(0));
  Put24(b, 0, 0, 0xFFFFFF);
  EXPECT_EQ(Get24(a, 0, 0), 0x010203u);
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapChange, FiresOnChangeForEveryKindOfChange) {
  TBitmap b;
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.SetSize(4, 4);
  EXPECT_EQ(changes, 1);
  b.SetSize(4, 4);
  EXPECT_EQ(changes, 1);  // nothing changed
  b.SetPixelFormat(pf8bit);
  EXPECT_EQ(changes, 2);
  b.Canvas()->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(changes, 3);
  b.SetTransparent(true);
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(b.Modified());
}

TEST(BitmapDormant, KeepsThePixelsAndTheCanvasWorksAfterwards) {
  TBitmap b(3, 3, pf32bit);
  b.Canvas()->SetPixels(1, 1, clBlue);
  b.Dormant();
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clBlue);
  b.Canvas()->SetPixels(2, 2, clRed);
  b.FreeImage();
  EXPECT_EQ(Rgb(b, 2, 2), 0xFF0000u);
}

}  // namespace

namespace {

TEST(BitmapHandle, KeepsAMonochromeDeviceBitmapAtOneBit) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(dc, 9, 2);  // a fresh memory DC is monochrome
  HGDIOBJ old = SelectObject(dc, ddb);
  SetPixel(dc, 8, 1, RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  TBitmap b;
  b.SetHandle(ddb);
  EXPECT_EQ(b.PixelFormat(), pf1bit);
  EXPECT_TRUE(b.Monochrome());
  EXPECT_EQ(Rgb(b, 8, 1), 0xFFFFFFu);
  EXPECT_EQ(Rgb(b, 7, 1), 0u);
}

}  // namespace

namespace {

TEST(BitmapHandle, CopiesATopDownSectionIntoBottomUpRows) {
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = 2;
  bmi.bmiHeader.biHeight = -3;  // top-down
  bmi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP h = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(h, nullptr);
  auto* top = static_cast<std::uint8_t*>(bits);  // row 0 is first in a top-down block
  top[0] = 0x33, top[1] = 0x22, top[2] = 0x11;
  TBitmap b;
  b.SetHandle(h);
  EXPECT_NE(b.Handle(), h);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(Rgb(b, 0, 0), 0x112233u);
  EXPECT_EQ(Rgb(b, 0, 2), 0u);
  EXPECT_LT(b.ScanLine(2), b.ScanLine(0));
}

TEST(BitmapFromDib, PadsAShortColourTableWithBlack) {
  TDibImage img;
  img.Palette = {TDibColor{0, 0, 255, 0}};
  img.Allocate(2, 1, 4);  // Allocate keeps a table only when it is full
  img.Palette = {TDibColor{0, 0, 255, 0}};
  img.Row(0)[0] = 0x01;  // pixels 0 and 1
  TBitmap b;
  b.FromDib(img);
  ASSERT_EQ(b.ColorTable().size(), 16u);
  EXPECT_EQ(Rgb(b, 0, 0), 0xFF0000u);
  EXPECT_EQ(Rgb(b, 1, 0), 0u);
}

}  // namespace

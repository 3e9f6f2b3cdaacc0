#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

// A 1-bit bitmap from rows of '1' (white, transparent) and '0'.
HBITMAP MaskBitmap(std::initializer_list<const char*> rows) {
  const int h = int(rows.size()), w = int(std::strlen(*rows.begin()));
  const int stride = ((w + 15) / 16) * 2;
  std::vector<unsigned char> bits(size_t(stride) * size_t(h), 0);
  int y = 0;
  for (const char* r : rows) {
    for (int x = 0; x < w; ++x)
      if (r[x] == '1') bits[size_t(y * stride + x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
    ++y;
  }
  return CreateBitmap(w, h, 1, 1, bits.data());
}

// A 32-bit top-down DIB section; pixels are 0xAARRGGBB.
HBITMAP ColorBitmap(int w, int h, const std::vector<std::uint32_t>& px) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biBitCount = 32;
  void* p = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  std::memcpy(p, px.data(), px.size() * 4);
  return b;
}

// Icon from a colour image and a mask; the bitmaps are freed again.
HGDIICON MakeIcon(HBITMAP color, HBITMAP mask, BOOL isIcon = TRUE, DWORD hx = 0, DWORD hy = 0) {
  ICONINFO ii;
  ii.fIcon = isIcon;
  ii.xHotspot = hx;
  ii.yHotspot = hy;
  ii.hbmMask = mask;
  ii.hbmColor = color;
  HGDIICON icon = CreateIconIndirect(&ii);
  if (color) DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

constexpr COLORREF kDst = RGB(0x40, 0x80, 0xC0);

TEST(DrawIconEx, MaskAndsThenImageXors) {
  // Mask 0 + colour: the colour; 0 + black: black; 1 + black: the screen;
  // 1 + white: the screen inverted.
  HGDIICON icon = MakeIcon(ColorBitmap(4, 1, {0x0A141E, 0, 0, 0xFFFFFF}), MaskBitmap({"0011"}));
  ASSERT_NE(icon, nullptr);
  struct Case {
    UINT flags;
    COLORREF expected[4];
  };
  const Case cases[] = {
      {DI_NORMAL, {RGB(10, 20, 30), RGB(0, 0, 0), kDst, RGB(0xBF, 0x7F, 0x3F)}},
      {DI_NORMAL | DI_COMPAT, {RGB(10, 20, 30), RGB(0, 0, 0), kDst, RGB(0xBF, 0x7F, 0x3F)}},
      {DI_MASK, {RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255)}},
      {DI_IMAGE, {RGB(10, 20, 30), RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255)}},
  };
  for (const Case& k : cases) {
    TestCanvas c(6, 3, kDst);
    EXPECT_TRUE(DrawIconEx(c.dc, 1, 1, icon, 0, 0, 0, nullptr, k.flags));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(c.At(1 + x, 1), k.expected[x]) << "flags " << k.flags << " x " << x;
    EXPECT_EQ(c.At(0, 1), kDst);
    EXPECT_EQ(c.At(5, 1), kDst);
    EXPECT_EQ(c.At(1, 0), kDst);
    EXPECT_EQ(c.At(1, 2), kDst);
  }
  TestCanvas none(2, 1, kDst);
  EXPECT_FALSE(DrawIconEx(none.dc, 0, 0, icon, 0, 0, 0, nullptr, 0));
  EXPECT_EQ(none.At(0, 0), kDst);
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(DrawIconEx, StretchesByNearestPixelAndHonoursClipAndOrigin) {
  HGDIICON icon = MakeIcon(ColorBitmap(2, 2, {0x000000, 0x000000, 0x000000, 0xFF0000}), MaskBitmap({"01", "00"}));
  TestCanvas c(6, 5);
  SetViewportOrgEx(c.dc, 1, 0, nullptr);
  IntersectClipRect(c.dc, 0, 0, 3, 5);  // logical; device columns 1..3
  EXPECT_TRUE(DrawIconEx(c.dc, 0, 1, icon, 4, 4, 0, nullptr, DI_NORMAL));
  // Each icon pixel becomes 2 x 2; the top-right quarter shows the paper,
  // the bottom-right one is red but for device column 4, clipped away.
  EXPECT_EQ(c.Picture(RGB(0, 0, 0)), Rows({"......",
                                           ".##...",
                                           ".##...",
                                           ".##?..",
                                           ".##?.."}));
  EXPECT_EQ(c.At(3, 3), RGB(255, 0, 0));
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(DrawIconEx, AlphaImagesBlendAndIgnoreTheMask) {
  // Alpha 0, 128 and 255 over (100, 100, 100); the mask says opaque.
  HGDIICON icon = MakeIcon(ColorBitmap(3, 1, {0x00C80000u, 0x80C80000u, 0xFFC80000u}), MaskBitmap({"000"}));
  TestCanvas c(3, 1, RGB(100, 100, 100));
  EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(0, 0), RGB(100, 100, 100));
  // (200 * 128 + 100 * 127 + 127) / 255 = 150; (0 * 128 + 100 * 127 + 127) / 255 = 50.
  EXPECT_EQ(c.At(1, 0), RGB(150, 50, 50));
  EXPECT_EQ(c.At(2, 0), RGB(200, 0, 0));
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(DrawIconEx, MonochromeIconsTakeAndAndXorHalvesOfTheMask) {
  // AND 0 XOR 0: black; 0 1: white; 1 0: screen; 1 1: screen inverted.
  HGDIICON icon = MakeIcon(nullptr, MaskBitmap({"0011", "0101"}));
  ASSERT_NE(icon, nullptr);
  TestCanvas c(4, 1, kDst);
  EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(c.At(2, 0), kDst);
  EXPECT_EQ(c.At(3, 0), RGB(0xBF, 0x7F, 0x3F));
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(icon, &ii));
  EXPECT_EQ(ii.hbmColor, nullptr);
  BITMAP bm;
  ASSERT_EQ(GetObject(ii.hbmMask, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 4);
  EXPECT_EQ(bm.bmHeight, 2);
  unsigned char bits[4] = {};
  EXPECT_EQ(GetBitmapBits(ii.hbmMask, 4, bits), 4);
  EXPECT_EQ(bits[0] & 0xF0, 0x30);  // AND row 0011
  EXPECT_EQ(bits[2] & 0xF0, 0x50);  // XOR row 0101
  DeleteObject(ii.hbmMask);
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(DrawIconEx, FlickerBrushFillsFirstAndDefaultSizeIsThirtyTwo) {
  HGDIICON icon = MakeIcon(ColorBitmap(2, 2, {0, 0, 0, 0}), MaskBitmap({"10", "11"}));
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  TestCanvas c(3, 3);
  EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, green, DI_NORMAL));
  EXPECT_EQ(c.At(0, 0), RGB(0, 255, 0));  // transparent: the brush shows
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 0));  // the one opaque pixel
  EXPECT_EQ(c.At(0, 1), RGB(0, 255, 0));
  EXPECT_EQ(c.At(2, 2), RGB(255, 255, 255));
  TestCanvas big(40, 40);
  EXPECT_TRUE(DrawIcon(big.dc, 2, 3, icon));
  // Only the icon's top-right pixel is opaque: 16 x 16 of 32 x 32 at (18, 3).
  EXPECT_EQ(big.At(18, 3), RGB(0, 0, 0));
  EXPECT_EQ(big.At(33, 18), RGB(0, 0, 0));
  EXPECT_EQ(big.At(34, 18), RGB(255, 255, 255));
  EXPECT_EQ(big.At(33, 19), RGB(255, 255, 255));
  EXPECT_EQ(big.At(17, 3), RGB(255, 255, 255));
  int junk = 0;
  EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, reinterpret_cast<HBRUSH>(&junk), DI_NORMAL));
  DeleteObject(green);
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(GetIconInfo, GivesBackMaskColourAlphaAndHotSpot) {
  HGDIICON icon = MakeIcon(ColorBitmap(3, 2, {0x11223344, 0, 0xFFFFFF, 0, 0x80010203, 0}), MaskBitmap({"010", "001"}));
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(icon, &ii));
  EXPECT_EQ(ii.fIcon, TRUE);
  EXPECT_EQ(ii.xHotspot, 1u);  // icons: the centre
  EXPECT_EQ(ii.yHotspot, 1u);
  DIBSECTION ds;
  ASSERT_EQ(GetObject(ii.hbmColor, sizeof ds, &ds), int(sizeof ds));
  ASSERT_EQ(ds.dsBm.bmBitsPixel, 32);
  ASSERT_GT(ds.dsBmih.biHeight, 0);  // bottom-up
  const auto* px = static_cast<const std::uint32_t*>(ds.dsBm.bmBits);
  EXPECT_EQ(px[3], 0x11223344u);  // top-left, alpha kept
  EXPECT_EQ(px[5], 0xFFFFFFu);       // top-right
  EXPECT_EQ(px[1], 0x80010203u);  // bottom row, middle
  unsigned char bits[4] = {};
  EXPECT_EQ(GetBitmapBits(ii.hbmMask, 4, bits), 4);
  EXPECT_EQ(bits[0] & 0xE0, 0x40);
  EXPECT_EQ(bits[2] & 0xE0, 0x20);
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  EXPECT_TRUE(DestroyIcon(icon));

  HGDIICON cursor = MakeIcon(ColorBitmap(3, 2, std::vector<std::uint32_t>(6, 0)), MaskBitmap({"000", "000"}), FALSE, 2, 1);
  ASSERT_TRUE(GetIconInfo(cursor, &ii));
  EXPECT_EQ(ii.fIcon, FALSE);
  EXPECT_EQ(ii.xHotspot, 2u);
  EXPECT_EQ(ii.yHotspot, 1u);
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  // The icon rebuilt from what GetIconInfo gave draws the same.
  ASSERT_TRUE(GetIconInfo(cursor, &ii));
  HGDIICON again = MakeIcon(ii.hbmColor, ii.hbmMask, FALSE, ii.xHotspot, ii.yHotspot);
  ASSERT_TRUE(GetIconInfo(again, &ii));
  EXPECT_EQ(ii.xHotspot, 2u);
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  EXPECT_TRUE(DestroyIcon(again));
  EXPECT_TRUE(DestroyIcon(cursor));
}

TEST(CopyIcon, MakesAnIndependentIcon) {
  HGDIICON icon = MakeIcon(ColorBitmap(1, 1, {0x00FF00}), MaskBitmap({"0"}));
  HGDIICON copy = CopyIcon(icon);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, icon);
  EXPECT_TRUE(DestroyIcon(icon));
  TestCanvas c(1, 1);
  EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, copy, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(0, 0), RGB(0, 255, 0));
  EXPECT_TRUE(DestroyIcon(copy));
}

TEST(Icons, BadHandlesAndSizesFail) {
  int junk = 0;
  HGDIICON bogus = reinterpret_cast<HGDIICON>(&junk);
  TestCanvas c(2, 2);
  EXPECT_EQ(CreateIconIndirect(nullptr), nullptr);
  ICONINFO ii;
  EXPECT_EQ(CreateIconIndirect(&ii), nullptr);  // no mask
  ii.hbmMask = reinterpret_cast<HBITMAP>(&junk);
  EXPECT_EQ(CreateIconIndirect(&ii), nullptr);
  // A mask smaller than the colour image, and a monochrome mask of one row.
  HBITMAP color = ColorBitmap(2, 2, {0, 0, 0, 0});
  ii.hbmMask = MaskBitmap({"00"});
  ii.hbmColor = color;
  EXPECT_EQ(CreateIconIndirect(&ii), nullptr);
  ii.hbmColor = nullptr;
  EXPECT_EQ(CreateIconIndirect(&ii), nullptr);
  DeleteObject(ii.hbmMask);
  DeleteObject(color);
  EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, bogus, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, nullptr, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_FALSE(GetIconInfo(bogus, &ii));
  EXPECT_EQ(CopyIcon(bogus), nullptr);
  EXPECT_FALSE(DestroyIcon(bogus));
  HGDIICON icon = MakeIcon(ColorBitmap(1, 1, {0}), MaskBitmap({"0"}));
  EXPECT_FALSE(DrawIconEx(nullptr, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, icon, -1, 1, 0, nullptr, DI_NORMAL));
  EXPECT_FALSE(GetIconInfo(icon, nullptr));
  // An icon is no GDI object: DeleteObject refuses it and its type is 0.
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(icon)));
  EXPECT_EQ(GetObjectType(icon), 0u);
  EXPECT_EQ(SelectObject(c.dc, reinterpret_cast<HGDIOBJ>(icon)), nullptr);
  // Far off and huge: only the visible part costs anything.
  EXPECT_TRUE(DrawIconEx(c.dc, -1000000000, -1000000000, icon, 2000000000, 2000000000, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 0));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
}

}  // namespace

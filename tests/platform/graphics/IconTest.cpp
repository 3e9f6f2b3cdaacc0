#include "platform/graphics/Icon.h"

#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/platform/graphics/BmpBuilder.h"

namespace {

// One icon directory entry plus its packed DIB (24-bit colour, 1-bit mask).
struct IconImage {
  int w, h;
  std::vector<std::vector<std::uint32_t>> colour, mask;  // rows top-down
  int hotX = 0, hotY = 0;
};

std::vector<std::uint8_t> MakeIco(const std::vector<IconImage>& images, int type) {
  std::vector<std::vector<std::uint8_t>> blobs;
  for (const IconImage& im : images) {
    std::vector<std::uint8_t> d;
    Put(d, 40, 4);
    Put(d, std::uint32_t(im.w), 4);
    Put(d, std::uint32_t(im.h * 2), 4);
    Put(d, 1, 2);
    Put(d, 24, 2);
    for (int i = 0; i < 6; ++i) Put(d, 0, 4);
    auto c = PackRows(im.colour, 24, false);
    auto m = PackRows(im.mask, 1, false);
    d.insert(d.end(), c.begin(), c.end());
    d.insert(d.end(), m.begin(), m.end());
    blobs.push_back(d);
  }
  std::vector<std::uint8_t> f;
  Put(f, 0, 2);
  Put(f, std::uint32_t(type), 2);
  Put(f, images.size(), 2);
  std::size_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    f.push_back(std::uint8_t(images[i].w));
    f.push_back(std::uint8_t(images[i].h));
    f.push_back(0);
    f.push_back(0);
    Put(f, std::uint32_t(type == 2 ? images[i].hotX : 1), 2);
    Put(f, std::uint32_t(type == 2 ? images[i].hotY : 24), 2);
    Put(f, blobs[i].size(), 4);
    Put(f, offset, 4);
    offset += blobs[i].size();
  }
  for (auto& b : blobs) f.insert(f.end(), b.begin(), b.end());
  return f;
}

IconImage Small() {
  // 2 x 2: red and green on top, blue and (transparent) white below.
  return {2, 2, {{0xFF0000, 0x00FF00}, {0x0000FF, 0x000000}}, {{0, 0}, {0, 1}}, 1, 0};
}

IconImage Square(int size, std::uint32_t colour) {
  IconImage im{size, size, {}, {}};
  im.colour.assign(std::size_t(size), std::vector<std::uint32_t>(std::size_t(size), colour));
  im.mask.assign(std::size_t(size), std::vector<std::uint32_t>(std::size_t(size), 0));
  return im;
}

TEST(Icon, DrawsThroughItsMask) {
  std::vector<std::uint8_t> ico = MakeIco({Small()}, 1);
  TIcon icon;
  icon.LoadFromBytes(ico.data(), ico.size());
  ASSERT_EQ(icon.Width(), 2);
  TBitmap target(3, 3, pf24bit);
  target.Canvas()->Brush()->SetColor(clYellow);
  target.Canvas()->FillRect(Rect(0, 0, 3, 3));
  target.Canvas()->Draw(1, 1, &icon);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(2, 1), clLime);
  EXPECT_EQ(target.Canvas()->Pixels(1, 2), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clYellow);  // masked out
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clYellow);
}

TEST(Icon, PrefersTheImageClosestToThirtyTwoPixels) {
  std::vector<std::uint8_t> ico = MakeIco({Square(16, 0x0000FF), Square(32, 0x00FF00), Square(48, 0xFF0000)}, 1);
  TIcon icon;
  icon.LoadFromBytes(ico.data(), ico.size());
  EXPECT_EQ(icon.ImageCount(), 3);
  EXPECT_EQ(icon.Width(), 32);
  TBitmap c, m;
  icon.GetImage(c, m);
  EXPECT_EQ(c.Canvas()->Pixels(5, 5), clLime);
}

TEST(Icon, CursorsKeepTheirHotSpotThroughSaveAndLoad) {
  std::vector<std::uint8_t> cur = MakeIco({Small()}, 2);
  TIcon icon;
  icon.LoadFromBytes(cur.data(), cur.size());
  EXPECT_TRUE(icon.IsCursor());
  EXPECT_EQ(icon.HotSpot(), Point(1, 0));
  TMemoryStream ms;
  icon.SaveToStream(ms);
  ms.SetPosition(0);
  TIcon again;
  again.LoadFromStream(ms);
  EXPECT_TRUE(again.IsCursor());
  EXPECT_EQ(again.HotSpot(), Point(1, 0));
  EXPECT_EQ(again.ImageEntry(0).Color.Bits, icon.ImageEntry(0).Color.Bits);
  EXPECT_EQ(again.ImageEntry(0).Mask.Bits, icon.ImageEntry(0).Mask.Bits);
}

TEST(Icon, RejectsDamagedFiles) {
  std::vector<std::uint8_t> good = MakeIco({Small()}, 1);
  for (std::size_t n = 0; n < good.size(); ++n) {
    TIcon icon;
    EXPECT_THROW(icon.LoadFromBytes(good.data(), n), EInvalidGraphic) << n;
  }
  const struct {
    const char* name;
    std::size_t at;
    std::uint8_t value;
  } cases[] = {{"type 3", 2, 3}, {"no images", 4, 0}, {"offset past the end", 18, 0xFF}, {"size past the end", 14, 0xFF}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> bad = good;
    bad[c.at] = c.value;
    if (c.at == 4) bad[5] = 0;
    TIcon icon;
    EXPECT_THROW(icon.LoadFromBytes(bad.data(), bad.size()), EInvalidGraphic) << c.name;
  }
  std::vector<std::uint8_t> png = good;
  const std::uint8_t sig[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::copy(std::begin(sig), std::end(sig), png.begin() + 22);
  TIcon icon;
  EXPECT_THROW(icon.LoadFromBytes(png.data(), png.size()), EInvalidGraphic);
}

TEST(Icon, AssignToABitmapPaintsOnWhite) {
  std::vector<std::uint8_t> ico = MakeIco({Small()}, 1);
  TIcon icon;
  icon.LoadFromBytes(ico.data(), ico.size());
  TBitmap b;
  b.Assign(&icon);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clWhite);
}

TEST(Icon, AlphaImagesBlend) {
  TDibImage colour;
  colour.Allocate(1, 1, 32);
  colour.Row(0)[2] = 255;  // red at half alpha
  colour.Row(0)[3] = 128;
  TDibImage mask;
  mask.Palette = DefaultPalette(1);
  mask.Allocate(1, 1, 1);
  TBitmap target(1, 1, pf24bit);
  DrawMasked(*target.Canvas(), Rect(0, 0, 1, 1), colour, mask);  // over black
  EXPECT_NEAR(GetRValue(COLORREF(target.Canvas()->Pixels(0, 0))), 128, 2);
}

TEST(IconHandle, IsMadeFromTheCurrentImageAndFollowsChanges) {
  std::vector<std::uint8_t> cur = MakeIco({Small()}, 2);
  TIcon icon;
  EXPECT_EQ(icon.Handle(), nullptr);  // empty
  icon.LoadFromBytes(cur.data(), cur.size());
  HGDIICON h = icon.Handle();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(icon.Handle(), h);  // made once
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(h, &ii));
  EXPECT_EQ(ii.fIcon, FALSE);
  EXPECT_EQ(ii.xHotspot, 1u);
  EXPECT_EQ(ii.yHotspot, 0u);
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  // The handle draws the same pixels as the TIcon.
  TBitmap target(2, 2, pf24bit);
  target.Canvas()->Brush()->SetColor(clYellow);
  target.Canvas()->FillRect(Rect(0, 0, 2, 2));
  ASSERT_TRUE(DrawIconEx(target.Canvas()->Handle(), 0, 0, h, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(0, 1), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clYellow);
  // New content frees the old handle.
  TBitmap red(1, 1, pf24bit);
  red.Canvas()->SetPixels(0, 0, clRed);
  icon.SetImage(red, nullptr);
  EXPECT_FALSE(GetIconInfo(h, &ii));
  ASSERT_NE(icon.Handle(), nullptr);
}

TEST(IconHandle, ReleaseGivesItAwayAndSetHandleTakesOne) {
  TBitmap lime(2, 1, pf24bit);
  lime.Canvas()->SetPixels(0, 0, clLime);
  lime.Canvas()->SetPixels(1, 0, clBlack);
  TBitmap mask(2, 1, pf1bit);
  mask.Canvas()->SetPixels(1, 0, clWhite);  // right pixel transparent
  TIcon a;
  a.SetImage(lime, &mask);
  HGDIICON h = a.ReleaseHandle();
  ASSERT_NE(h, nullptr);
  EXPECT_NE(a.Handle(), h);  // a new one; the released one is the caller's
  TIcon b;
  b.SetHandle(h);
  EXPECT_EQ(b.Handle(), h);
  EXPECT_FALSE(b.IsCursor());
  EXPECT_EQ(b.Width(), 2);
  TBitmap target(2, 1, pf24bit);
  target.Canvas()->Brush()->SetColor(clNavy);
  target.Canvas()->FillRect(Rect(0, 0, 2, 1));
  target.Canvas()->Draw(0, 0, &b);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clLime);
  EXPECT_EQ(target.Canvas()->Pixels(1, 0), clNavy);
  int junk = 0;
  EXPECT_THROW(b.SetHandle(reinterpret_cast<HGDIICON>(&junk)), EInvalidGraphic);
  b.SetHandle(nullptr);
  EXPECT_TRUE(b.Empty());
  ICONINFO ii;
  EXPECT_FALSE(GetIconInfo(h, &ii));  // b destroyed the handle it owned
}

TEST(IconHandle, MonochromeHandlesSplitIntoImageAndMask) {
  // AND 0011 over XOR 0101: black, white, screen, inverted screen.
  unsigned char bits[4] = {0x30, 0, 0x50, 0};
  ICONINFO ii;
  ii.hbmMask = CreateBitmap(4, 2, 1, 1, bits);
  HGDIICON h = CreateIconIndirect(&ii);
  DeleteObject(ii.hbmMask);
  TIcon icon;
  icon.SetHandle(h);
  EXPECT_EQ(icon.Width(), 4);
  EXPECT_EQ(icon.Height(), 1);
  TBitmap target(4, 1, pf24bit);
  target.Canvas()->Brush()->SetColor(TColor(RGB(0x40, 0x80, 0xC0)));
  target.Canvas()->FillRect(Rect(0, 0, 4, 1));
  target.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clBlack);
  EXPECT_EQ(target.Canvas()->Pixels(1, 0), clWhite);
  EXPECT_EQ(target.Canvas()->Pixels(2, 0), TColor(RGB(0x40, 0x80, 0xC0)));
  EXPECT_EQ(target.Canvas()->Pixels(3, 0), TColor(RGB(0xBF, 0x7F, 0x3F)));
}

}  // namespace

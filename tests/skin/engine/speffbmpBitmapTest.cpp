#include "skin/engine/speffbmp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/system/Clipbrd.h"
#include "platform/user/system/GlobalMemory.h"
#include "skin/engine/SPUtils.h"
#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

TEST(TspBitmap, SetSizeTakesAbsoluteValuesAndIgnoresZero) {
  TspBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetSize(-10, 5);
  ASSERT_FALSE(b.Empty());
  EXPECT_EQ(b.Width, 10);
  EXPECT_EQ(b.Height, 5);
  b.SetPixel(3, 2, 0x80112233u);
  b.SetSize(0, 5);
  EXPECT_EQ(b.Width, 10);
  EXPECT_EQ(*b.PixelAddress(3, 2), 0x80112233u);
  b.SetSize(10, 5);
  EXPECT_EQ(*b.PixelAddress(3, 2), 0x80112233u);
  EXPECT_EQ(FindBitmapByDC(b.DC), &b);
}

TEST(TspBitmap, SetPixelIgnoresCoordinatesOutside) {
  TspBitmap b;
  b.SetSize(4, 2);
  std::fill(b.Bits, b.Bits + 8, 0u);
  for (TPoint p : {TPoint{4, 0}, TPoint{-1, 0}, TPoint{0, 2}, TPoint{0, -1}}) b.SetPixel(p.X, p.Y, 0xFFFFFFFFu);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(b.Bits[i], 0u) << i;
  TspBitmap empty;
  empty.SetPixel(0, 0, 1);
  empty.SetAlpha(3);
}

TEST(TspBitmap, AssigningA32BitBitmapDetectsRealAlpha) {
  TBitmap src(3, 1, pf32bit);
  auto* row = static_cast<std::uint32_t*>(src.ScanLine(0));
  row[0] = 0xFF102030u;
  row[1] = 0x00405060u;
  row[2] = 0xFF708090u;
  TspBitmap b;
  b.Assign(&src);
  ASSERT_EQ(b.Width, 3);
  EXPECT_EQ(b.Bits[1], 0x00405060u);
  EXPECT_FALSE(b.HasAlpha);
  row[1] = 0x80405060u;
  b.Assign(&src);
  EXPECT_TRUE(b.HasAlpha);
  // A 24-bit bitmap comes in opaque.
  TBitmap rgb;
  CoordPicture(rgb, 2, 2);
  b.Assign(&rgb);
  EXPECT_EQ(b.Width, 2);
  EXPECT_EQ(*b.PixelAddress(1, 1), 0xFF000000u | From(1, 1));
  EXPECT_FALSE(b.HasAlpha);
}

TEST(TspBitmap, AssignToABitmapDrawsItIn) {
  TspBitmap b;
  b.SetSize(2, 2);
  std::fill(b.Bits, b.Bits + 4, 0xFF336699u);
  TBitmap out;
  out.Assign(&b);
  EXPECT_EQ(out.Width(), 2);
  EXPECT_EQ(out.PixelFormat(), pf32bit);
  EXPECT_EQ(Px(out, 1, 1), 0x336699u);
}

TEST(TspBitmap, AssignToTheClipboardPutsAPackedDib) {
  THeadlessSession session;
  TspBitmap b;
  b.SetSize(3, 2);
  std::fill(b.Bits, b.Bits + 6, 0xFF336699u);
  Clipboard()->Assign(&b);
  ASSERT_TRUE(Clipboard()->HasFormat(CF_DIB));

  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_DIB);
  ASSERT_NE(h, nullptr);
  const auto* dib = static_cast<const std::uint8_t*>(GlobalLock(h));
  BITMAPINFOHEADER info;
  std::memcpy(&info, dib, sizeof info);
  EXPECT_EQ(info.biWidth, 3);
  EXPECT_EQ(info.biHeight, 2);
  EXPECT_EQ(info.biBitCount, 32);
  std::uint32_t first;  // bottom-up: the bottom row's first pixel
  std::memcpy(&first, dib + info.biSize, 4);
  EXPECT_EQ(first & 0xFFFFFFu, 0x336699u);
  EXPECT_EQ(GlobalSize(h), info.biSize + 3u * 2u * 4u);
  GlobalUnlock(h);
  CloseClipboard();
}

struct BlendCase {
  std::uint32_t source, dest, expected;
};

TEST(BlendLine, ExactByteFormula) {
  const BlendCase cases[] = {
      {0x00FFFFFFu, 0x12345678u, 0x12345678u},  // alpha 0 keeps
      {0xFFABCDEFu, 0x12345678u, 0xFFABCDEFu},  // alpha 255 copies
      // Red 255 at 128 over black: (255 * 128) >> 8 = 127, alpha 64.
      {0x80FF0000u, 0x00000000u, 0x407F0000u},
      // Over opaque blue: blue (255*256 - 255*128) >> 8 = 127, alpha 191.
      {0x80FF0000u, 0xFF0000FFu, 0xBF7F007Fu},
  };
  for (const BlendCase& c : cases) {
    std::uint32_t d = c.dest;
    BlendLine(&c.source, &d, 1);
    EXPECT_EQ(d, c.expected) << std::hex << c.source << " over " << c.dest;
  }
  std::uint32_t untouched = 5;
  BlendLine(&cases[1].source, &untouched, 0);
  EXPECT_EQ(untouched, 5u);
}

TEST(ColorToPixel, OpaqueAndSystemColoursResolved) {
  EXPECT_EQ(ColorToPixel(0x00332211), 0xFF112233u);
  EXPECT_EQ(ColorToPixel(clBtnFace), 0xFF000000u | ((ColorToRGB(clBtnFace) & 0xFF) << 16) |
                                         (ColorToRGB(clBtnFace) & 0xFF00) | ((ColorToRGB(clBtnFace) >> 16) & 0xFF));
}

TEST(StackBlur, SpreadsASinglePixelIntoATriangle) {
  TspBitmap b;
  b.SetSize(5, 5);
  std::fill(b.Bits, b.Bits + 25, 0u);
  b.SetPixel(2, 2, 0x00FFFFFFu);
  StackBlur(&b, 1);
  const int expected[5][5] = {{0, 0, 0, 0, 0},
                              {0, 15, 31, 15, 0},
                              {0, 31, 63, 31, 0},
                              {0, 15, 31, 15, 0},
                              {0, 0, 0, 0, 0}};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const std::uint32_t v = std::uint32_t(expected[y][x]);
      ASSERT_EQ(*b.PixelAddress(x, y), 0xFF000000u | v << 16 | v << 8 | v) << x << "," << y;
    }
}

TEST(StackBlur, EdgesRepeatAndHugeRadiiAreCapped) {
  TspBitmap a, b;
  for (TspBitmap* t : {&a, &b}) {
    t->SetSize(3, 1);
    t->SetPixel(0, 0, 0xFF000000u | 90);
    t->SetPixel(1, 0, 0xFF000000u);
    t->SetPixel(2, 0, 0xFF000000u);
  }
  StackBlur(&a, 1);
  // Column 0: (90 + 2 * 90 + 0) / 4 = 67; column 1: (90 + 0 + 0) / 4 = 22.
  EXPECT_EQ(*a.PixelAddress(0, 0) & 0xFF, 67u);
  EXPECT_EQ(*a.PixelAddress(1, 0) & 0xFF, 22u);
  StackBlur(&b, 1 << 30);
  TspBitmap c;
  c.SetSize(3, 1);
  c.SetPixel(0, 0, 0xFF000000u | 90);
  c.SetPixel(1, 0, 0xFF000000u);
  c.SetPixel(2, 0, 0xFF000000u);
  StackBlur(&c, kMaxBlurRadius);
  // 90 spread over 129 neighbours, the edge one counted 65 + ... times.
  EXPECT_LT(*c.PixelAddress(0, 0) & 0xFF, 67u);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(*b.PixelAddress(x, 0), *c.PixelAddress(x, 0)) << x;
}

TEST(SetAlphaFromMask, MeanOfTheMaskChannelsWhereBothHavePixels) {
  TspBitmap b, m;
  b.SetSize(3, 1);
  m.SetSize(2, 1);
  std::fill(b.Bits, b.Bits + 3, 0x11223344u);
  m.SetPixel(0, 0, 0x000A141Fu);  // (10 + 20 + 31) / 3 = 20
  m.SetPixel(1, 0, 0x00FFFFFFu);
  SetAlphaFromMask(&b, &m);
  EXPECT_EQ(b.Bits[0], 0x14223344u);
  EXPECT_EQ(b.Bits[1], 0xFF223344u);
  EXPECT_EQ(b.Bits[2], 0x11223344u);
}

TEST(TspBitmapDrawTo, ScalesBySamplingAndClipsToTheTarget) {
  TspBitmap src, dst;
  src.SetSize(4, 1);
  for (int x = 0; x < 4; ++x) src.SetPixel(x, 0, 0xFF000000u | std::uint32_t(x + 1));
  dst.SetSize(7, 1);
  std::fill(dst.Bits, dst.Bits + 7, 0u);
  src.DrawTo(&dst, TRect{0, 0, 7, 1}, TRect{0, 0, 4, 1});
  const std::uint32_t want[] = {1, 1, 2, 2, 3, 3, 4};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.Bits[x] & 0xFF, want[x]) << x;
  // A source rectangle outside the bitmap draws nothing.
  std::fill(dst.Bits, dst.Bits + 7, 0u);
  src.DrawTo(&dst, TRect{0, 0, 4, 1}, TRect{1, 0, 5, 1});
  for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.Bits[x], 0u) << x;
  // Unscaled, partly left of the target.
  src.DrawTo(&dst, TRect{-2, 0, 2, 1}, TRect{0, 0, 4, 1});
  EXPECT_EQ(dst.Bits[0] & 0xFF, 3u);
  EXPECT_EQ(dst.Bits[1] & 0xFF, 4u);
  EXPECT_EQ(dst.Bits[2], 0u);
}

TEST(TspBitmapDraw, BlendsOverAPlainBitmapAndDrawsStraightIntoAnother) {
  TspBitmap glow;
  glow.SetSize(2, 1);
  glow.SetPixel(0, 0, 0x80FF0000u);
  glow.SetPixel(1, 0, 0x00FF0000u);
  glow.HasAlpha = true;
  TBitmap plain;
  plain.SetSize(4, 2);
  Fill(plain, 0xFFFFFF);
  glow.DrawToCanvas(plain.Canvas(), 1, 1);
  // Red stays 255; green and blue (255 * 256 - 255 * 128) >> 8 = 127.
  EXPECT_EQ(Px(plain, 1, 1), 0xFF7F7Fu);
  EXPECT_EQ(Px(plain, 2, 1), 0xFFFFFFu);
  EXPECT_EQ(Px(plain, 0, 0), 0xFFFFFFu);

  TspBitmap target;
  target.SetSize(4, 4);
  std::fill(target.Bits, target.Bits + 16, 0xFF000000u);
  SetWindowOrgEx(target.DC, 2, 2, nullptr);
  glow.HasAlpha = false;
  glow.Draw(target.DC, 3, 3);  // the window origin moves it to (1, 1)
  EXPECT_EQ(*target.PixelAddress(1, 1), 0x80FF0000u);
  EXPECT_EQ(*target.PixelAddress(2, 1), 0x00FF0000u);
  EXPECT_EQ(*target.PixelAddress(3, 3), 0xFF000000u);
}

// Pixels of a canvas that are not white.
std::vector<TPoint> Ink(TBitmap& b) {
  std::vector<TPoint> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (Px(b, x, y) != 0xFFFFFF) out.push_back(TPoint{x, y});
  return out;
}

TEST(DrawGlowText, WithoutBlurTheGlowIsTheTextMovedByTheOffset) {
  const TRect r{10, 10, 110, 40};
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
  TBitmap plain, glow;
  for (TBitmap* b : {&plain, &glow}) {
    b->SetSize(130, 60);
    Fill(*b, 0xFFFFFF);
    b->Canvas()->Font()->SetColor(clBlack);
    b->Canvas()->Font()->SetHeight(16);
  }
  TRect pr = r;
  plain.Canvas()->Brush()->SetStyle(bsClear);
  const int plainHeight = DrawWideText(plain.Canvas(), "Glow", pr, format);
  const int glowHeight = DrawGlowText(glow.Canvas(), r, "Glow", format, 2, clBlue, 0);
  EXPECT_EQ(glowHeight, plainHeight);
  const std::vector<TPoint> text = Ink(plain);
  ASSERT_FALSE(text.empty());
  auto inText = [&](int x, int y) {
    for (const TPoint& p : text)
      if (p.X == x && p.Y == y) return true;
    return false;
  };
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 130; ++x) {
      const std::uint32_t want = inText(x, y) ? 0x000000u : inText(x - 2, y - 2) ? 0x0000FFu : 0xFFFFFFu;
      ASSERT_EQ(Px(glow, x, y), want) << x << "," << y;
    }
}

TEST(DrawGlowText, HugeGlowSizeIsCapped) {
  TBitmap huge, capped;
  for (TBitmap* b : {&huge, &capped}) {
    b->SetSize(40, 20);
    Fill(*b, 0xFFFFFF);
  }
  DrawGlowText(huge.Canvas(), TRect{0, 0, 40, 20}, "xx", DT_SINGLELINE, 0, clRed, 1 << 30);
  DrawGlowText(capped.Canvas(), TRect{0, 0, 40, 20}, "xx", DT_SINGLELINE, 0, clRed, kMaxBlurRadius);
  bool tinted = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(Px(huge, x, y), Px(capped, x, y)) << x << "," << y;
      tinted = tinted || (Px(huge, x, y) != 0xFFFFFF && Px(huge, x, y) != 0);
    }
  EXPECT_TRUE(tinted);
}

TEST(DrawVistaGlowText, HaloOfTheGlowColourFadesAwayFromTheText) {
  TBitmap b;
  b.SetSize(200, 80);
  Fill(b, 0xFFFFFF);
  b.Canvas()->Font()->SetColor(clBlack);
  b.Canvas()->Font()->SetHeight(16);
  const TRect r{50, 30, 150, 50};
  DrawVistaGlowText(b.Canvas(), r, "Halo", DT_SINGLELINE | DT_VCENTER | DT_CENTER, clRed);
  // Inside the solid band behind the text the halo is strongest: red stays,
  // green and blue drop; it fades past the band's left end (x 47) and
  // leaves everything beyond its 12-pixel margin alone.
  const std::uint32_t inside = Px(b, 60, 40);
  EXPECT_EQ(inside >> 16, 0xFFu);
  EXPECT_LT(inside & 0xFF, 0x40u);
  const std::uint32_t edge = Px(b, 42, 40);
  EXPECT_EQ(edge >> 16, 0xFFu);
  EXPECT_GT(edge & 0xFF, inside & 0xFF);
  EXPECT_LT(edge & 0xFF, 0xFFu);
  EXPECT_EQ(Px(b, 5, 5), 0xFFFFFFu);
  EXPECT_EQ(Px(b, 195, 75), 0xFFFFFFu);
}

}  // namespace

namespace {

TEST(DrawReflectionText, MirrorBelowTheTextFadingTowardItsFoot) {
  const TRect r{20, 10, 180, 40};
  const UINT format = DT_SINGLELINE | DT_LEFT;
  const TColor reflection = 0x00FF0000;  // blue
  TBitmap plain, mirrored;
  for (TBitmap* b : {&plain, &mirrored}) {
    b->SetSize(200, 90);
    Fill(*b, 0xFFFFFF);
    b->Canvas()->Font()->SetColor(clBlack);
    b->Canvas()->Font()->SetHeight(16);
  }
  TRect pr = r;
  plain.Canvas()->Brush()->SetStyle(bsClear);
  DrawWideText(plain.Canvas(), "Mirror", pr, format);
  DrawReflectionText(mirrored.Canvas(), r, "Mirror", format, 0, reflection);
  const int th = GetWideTextHeight(plain.Canvas(), "Mirror");
  ASSERT_GT(th, 5);
  auto inked = [&](int x, int y) { return y >= 0 && y < 90 && Px(plain, x, y) == 0; };
  int reflected = 0;
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 200; ++x) {
      std::uint32_t want = inked(x, y) ? 0u : 0xFFFFFFu;
      // Text row 10 + k shows again at row 10 + 2 * th - 1 - k with alpha
      // 255 x (0.7 - (th - k) / th), nothing where that is below 0.
      const int k = 2 * th + 9 - y;
      if (!inked(x, y) && y >= 10 + th && k >= 0 && k < th && x >= r.Left && x < r.Right && inked(x, 10 + k)) {
        double f = 0.7 - double(th - k) / double(th);
        const std::uint32_t a = f < 0 ? 0 : std::uint32_t(255 * f);
        if (a) {
          const std::uint32_t rg = (255 * 256 - 255 * a) >> 8;
          want = rg << 16 | rg << 8 | 0xFF;
          ++reflected;
        }
      }
      ASSERT_EQ(Px(mirrored, x, y), want) << x << "," << y;
    }
  EXPECT_GT(reflected, 10);
}

}  // namespace

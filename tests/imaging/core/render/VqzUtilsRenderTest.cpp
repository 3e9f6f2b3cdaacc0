#include <gtest/gtest.h>

#include "imaging/core/render/vqzutils_render.h"

#include <cstring>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using bitmaptest::NewBitmap;

// The call with its usual arguments; tweak fields before Draw.
struct RenderCall {
  const TRect* Clip = nullptr;
  int XDst = 0, YDst = 0, DxDst = 0, DyDst = 0, XSrc = 0, YSrc = 0, DxSrc = 0, DySrc = 0;
  bool EnableAlpha = true, RowReplicate = false;
  int Opacity = 255;
  TResampleFilter Filter = rfNone;
  bool FreeTables = true;
  TVQBlendOperation Blend = boCopy;
  std::vector<Byte*> Rows;
  std::vector<int> X, Y;
  void Draw(TVQBitmap& src, TVQBitmap& dst) {
    src.RenderToTVQBitmap(&dst, Rows, X, Y, Clip, XDst, YDst, DxDst, DyDst, XSrc, YSrc, DxSrc, DySrc, EnableAlpha,
                          RowReplicate, Opacity, Filter, FreeTables, Blend);
  }
};

RenderCall Whole(TVQBitmap& src, int x, int y, int dx, int dy) {
  RenderCall c;
  c.XDst = x, c.YDst = y, c.DxDst = dx, c.DyDst = dy;
  c.DxSrc = src.GetWidth(), c.DySrc = src.GetHeight();
  return c;
}

// A 24-bit image whose every channel is the value of f(x, y).
template <class F>
std::unique_ptr<TVQBitmap> Grey24(int w, int h, F f, TVQLocation l = vqMemoryBuffer) {
  auto b = NewBitmap(l, w, h, vqRGB24);
  for (int y = 0; y < h; ++y) {
    Byte* r = b->GetScanline(y);
    for (int x = 0; x < w; ++x) std::memset(r + 3 * x, f(x, y), 3);
  }
  return b;
}

int At(TVQBitmap& b, int x, int y, int ch = 0) { return b.GetScanline(y)[3 * x + ch]; }

TEST(Render, OneToOneCopiesExactly) {
  auto src = NewBitmap(vqMemoryBuffer, 10, 10, vqRGB24);
  bitmaptest::WritePattern(*src, 1);
  auto dst = NewBitmap(vqMemoryBuffer, 10, 10, vqRGB24);
  Whole(*src, 0, 0, 10, 10).Draw(*src, *dst);
  EXPECT_EQ(bitmaptest::PixelRows(*dst), bitmaptest::PixelRows(*src));
}

TEST(Render, OpacityAndAlphaBlendWithFloor) {
  auto src = Grey24(2, 1, [](int x, int) { return x == 0 ? 200 : 0; });
  auto dst = Grey24(2, 1, [](int x, int) { return x == 0 ? 100 : 101; });
  auto c = Whole(*src, 0, 0, 2, 1);
  c.Opacity = 128;
  c.Draw(*src, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 150);  // 100 + 100 x 128 / 256
  EXPECT_EQ(At(*dst, 1, 0), 50);   // 101 + floor(-50.5)

  // Opacity 255 with an alpha byte of 255 still takes 255 / 256 of the step.
  auto layer = Grey24(3, 1, [](int, int) { return 200; });
  layer->SetAlpha(1, 0, 0);
  layer->SetAlpha(2, 0, 64);
  auto under = Grey24(3, 1, [](int, int) { return 100; });
  Whole(*layer, 0, 0, 3, 1).Draw(*layer, *under);
  EXPECT_EQ(At(*under, 0, 0), 199);
  EXPECT_EQ(At(*under, 1, 0), 100);  // transparent
  EXPECT_EQ(At(*under, 2, 0), 125);  // 100 + 100 x 64 / 256
  // The smaller of opacity and alpha.
  auto again = Grey24(3, 1, [](int, int) { return 100; });
  auto c2 = Whole(*layer, 0, 0, 3, 1);
  c2.Opacity = 32;
  c2.Draw(*layer, *again);
  EXPECT_EQ(At(*again, 0, 0), 112);
  EXPECT_EQ(At(*again, 2, 0), 112);
  // Without EnableAlpha only the opacity counts.
  auto plain = Grey24(3, 1, [](int, int) { return 100; });
  auto c3 = Whole(*layer, 0, 0, 3, 1);
  c3.EnableAlpha = false;
  c3.Draw(*layer, *plain);
  EXPECT_EQ(At(*plain, 1, 0), 200);
}

TEST(Render, FullAlphaChannelIsIgnored) {
  auto src = Grey24(2, 1, [](int, int) { return 200; });
  src->SetAlpha(0, 0, 0);
  src->GetAlphaChannel()->Full = true;
  auto dst = Grey24(2, 1, [](int, int) { return 100; });
  Whole(*src, 0, 0, 2, 1).Draw(*src, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 200);
}

TEST(Render, NegativeOriginSkipsSourceColumns) {
  auto src = Grey24(10, 1, [](int x, int) { return 10 * x; });
  auto dst = Grey24(30, 1, [](int, int) { return 7; });
  auto c = Whole(*src, -5, 0, 20, 1);
  c.Draw(*src, *dst);
  // 15 columns from source 2 over 8 columns: 2 + Trunc(i x 8 / 15).
  const int cols[15] = {2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9};
  for (int x = 0; x < 15; ++x) EXPECT_EQ(At(*dst, x, 0), 10 * cols[x]) << x;
  for (int x = 15; x < 30; ++x) EXPECT_EQ(At(*dst, x, 0), 7) << x;
}

// Zooms below, at and above 1, clipped on every side: only the clip's
// pixels change, each from its source pixel.
TEST(Render, ZoomsWithClippingAtEveryEdge) {
  auto src = Grey24(6, 6, [](int x, int y) { return 10 * x + 40 * y + 1; });
  const TRect clip{2, 3, 6, 5};  // inclusive
  const struct {
    int Dx, Num, Den;  // destination size; source = dest x Num / Den
  } zooms[] = {{3, 2, 1}, {6, 1, 1}, {9, 2, 3}};
  for (const auto& z : zooms) {
    auto dst = Grey24(8, 8, [](int, int) { return 250; });
    auto c = Whole(*src, 1, 1, z.Dx, z.Dx);
    c.Clip = &clip;
    c.Draw(*src, *dst);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= 2 && x <= 6 && y >= 3 && y <= 5 && x - 1 < z.Dx && y - 1 < z.Dx;
        const int sx = (x - 1) * 6 / z.Dx, sy = (y - 1) * 6 / z.Dx;
        EXPECT_EQ(At(*dst, x, y), inside ? 10 * sx + 40 * sy + 1 : 250) << z.Dx << " at " << x << "," << y;
      }
  }
}

// Copying a replicated row takes only the drawn columns, and only when
// nothing underneath matters.
TEST(Render, RowReplicateKeepsOtherColumnsAndBlends) {
  auto src = Grey24(2, 2, [](int x, int y) { return 100 + 50 * x + 20 * y; });
  const TRect clip{1, 0, 2, 3};
  for (int opacity : {255, 128}) {
    auto dst = Grey24(4, 4, [](int x, int y) { return 10 * y + x; });
    auto c = Whole(*src, 0, 0, 4, 4);
    c.Clip = &clip;
    c.RowReplicate = true;
    c.Opacity = opacity;
    c.Draw(*src, *dst);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const int under = 10 * y + x, s = 100 + 50 * (x / 2) + 20 * (y / 2);
        const int want = x < 1 || x > 2 ? under : opacity == 255 ? s : under + ((s - under) * 128 >> 8);
        EXPECT_EQ(At(*dst, x, y), want) << opacity << " at " << x << "," << y;
      }
  }
}

TEST(Render, FormatsAndGreyWindows) {
  auto dst = NewBitmap(vqMemoryBuffer, 3, 1, vqRGB24);
  auto g16 = NewBitmap(vqMemoryBuffer, 3, 1, vqGray16);
  const std::uint16_t v16[3] = {1500, 500, 3000};
  std::memcpy(g16->GetScanline(0), v16, 6);
  g16->GrayLow = 1000, g16->GrayHigh = 2000;
  Whole(*g16, 0, 0, 3, 1).Draw(*g16, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 127);
  EXPECT_EQ(At(*dst, 1, 0), 0);
  EXPECT_EQ(At(*dst, 2, 0, 2), 255);
  g16->GrayHigh = g16->GrayLow = 0;  // no window: the high byte
  Whole(*g16, 0, 0, 3, 1).Draw(*g16, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 1500 >> 8);

  auto g8 = NewBitmap(vqMemoryBuffer, 1, 1, vqGray8);
  g8->GetScanline(0)[0] = 77;
  Whole(*g8, 0, 0, 1, 1).Draw(*g8, *dst);
  EXPECT_EQ(At(*dst, 0, 0, 1), 77);

  auto bits = NewBitmap(vqMemoryBuffer, 2, 1, vqBits1);
  bits->GetScanline(0)[0] = 0x40;  // 0, 1
  Whole(*bits, 0, 0, 2, 1).Draw(*bits, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 0);
  EXPECT_EQ(At(*dst, 1, 0, 2), 255);

  auto pal = NewBitmap(vqMemoryBuffer, 1, 1, vqPalette8);
  pal->SetPaletteColor(5, TRGBPixel{11, 22, 33});
  pal->GetScanline(0)[0] = 5;
  Whole(*pal, 0, 0, 1, 1).Draw(*pal, *dst);
  EXPECT_EQ(std::vector<int>({At(*dst, 0, 0, 0), At(*dst, 0, 0, 1), At(*dst, 0, 0, 2)}), (std::vector<int>{11, 22, 33}));

  auto fl = NewBitmap(vqMemoryBuffer, 2, 1, vq32f);
  const float fv[2] = {0.5f, 0.25f};
  std::memcpy(fl->GetScanline(0), fv, 8);
  Whole(*fl, 0, 0, 2, 1).Draw(*fl, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 127);  // Trunc(0.5 x 255)
  fl->GrayLow = 0.25, fl->GrayHigh = 0.75;
  Whole(*fl, 0, 0, 2, 1).Draw(*fl, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 127);
  EXPECT_EQ(At(*dst, 1, 0), 0);

  auto cmyk = NewBitmap(vqMemoryBuffer, 1, 1, vqCMYK);
  const TCMYKPixel k = RGBToCMYK(TRGBPixel{40, 80, 160});
  std::memcpy(cmyk->GetScanline(0), &k, 4);
  Whole(*cmyk, 0, 0, 1, 1).Draw(*cmyk, *dst);
  const TRGBPixel back = CMYKToRGB(k);
  EXPECT_EQ(At(*dst, 0, 0, 0), back.b);
  EXPECT_EQ(At(*dst, 0, 0, 2), back.r);
}

TEST(Render, BlendContrastAndOffsets) {
  auto src = Grey24(2, 1, [](int x, int) { return x == 0 ? 255 : 0; });
  auto dst = Grey24(2, 1, [](int, int) { return 200; });
  auto c = Whole(*src, 0, 0, 2, 1);
  c.Blend = boMultiply;
  c.Draw(*src, *dst);
  EXPECT_EQ(At(*dst, 0, 0), 199);
  EXPECT_EQ(At(*dst, 1, 0), 0);
  auto dst2 = Grey24(2, 1, [](int, int) { return 200; });
  c.Blend = boScreen;
  c.Draw(*src, *dst2);
  EXPECT_EQ(At(*dst2, 1, 0), 201);
  // Blended, then laid over with the opacity.
  auto dst3 = Grey24(2, 1, [](int, int) { return 200; });
  c.Blend = boMultiply;
  c.Opacity = 128;
  c.Draw(*src, *dst3);
  EXPECT_EQ(At(*dst3, 1, 0), 100);  // 200 + floor((0 - 200) x 128 / 256)

  src->Contrast = -100;
  auto flat = Grey24(2, 1, [](int, int) { return 9; });
  Whole(*src, 0, 0, 2, 1).Draw(*src, *flat);
  EXPECT_EQ(At(*flat, 0, 0), 128);
  EXPECT_EQ(At(*flat, 1, 0, 2), 128);

  src->Contrast = 0;
  src->OffsetsOn = true;
  src->RedOffset = 10, src->BlueOffset = -20;
  Whole(*src, 0, 0, 2, 1).Draw(*src, *flat);
  EXPECT_EQ(std::vector<int>({At(*flat, 1, 0, 0), At(*flat, 1, 0, 1), At(*flat, 1, 0, 2)}), (std::vector<int>{0, 0, 10}));
  EXPECT_EQ(At(*flat, 0, 0, 0), 235);
}

TEST(Render, FilteredZoomResamplesFirst) {
  auto src = Grey24(3, 1, [](int x, int) { return x == 1 ? 255 : 0; });
  auto dst = Grey24(7, 1, [](int, int) { return 9; });
  auto c = Whole(*src, 1, 0, 5, 1);
  c.Filter = rfTriangle;
  c.Draw(*src, *dst);
  const int want[7] = {9, 0, 127, 255, 127, 0, 9};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(At(*dst, x, 0), want[x]) << x;

  // A 1-bit image reduced without alpha is averaged by area.
  auto bits = NewBitmap(vqMemoryBuffer, 4, 2, vqBits1);
  bits->GetScanline(0)[0] = 0xC0;
  bits->GetScanline(1)[0] = 0x80;
  auto small = Grey24(2, 1, [](int, int) { return 9; });
  auto b = Whole(*bits, 0, 0, 2, 1);
  b.Filter = rfLanczos3;
  b.Draw(*bits, *small);
  EXPECT_EQ(At(*small, 0, 0), 191);
  EXPECT_EQ(At(*small, 1, 0), 42);
}

TEST(Render, FilteredPartOfAnImageReadsItsRowsInPlace) {
  // A part of a picture in memory, in a framework bitmap and in a file,
  // each drawn filtered, gives what the same part cut out first gives.
  for (TVQLocation where : {vqMemoryBuffer, vqTBitmap, vqTempFile}) {
    for (TResampleFilter filter : {rfFastLinear, rfTriangle, rfBicubic}) {
      auto src = Grey24(61, 47, [](int x, int y) { return (x * 37 + y * 11) & 255; }, where);
      auto cut = Grey24(23, 19, [](int, int) { return 0; });
      src->CopyRectTo(cut.get(), 29, 17, 0, 0, 23, 19);
      for (auto [dx, dy] : {std::pair{9, 7}, std::pair{40, 31}}) {
        auto a = Grey24(50, 40, [](int, int) { return 3; });
        auto b = Grey24(50, 40, [](int, int) { return 3; });
        RenderCall part;
        part.XDst = 2, part.YDst = 3, part.DxDst = dx, part.DyDst = dy;
        part.XSrc = 29, part.YSrc = 17, part.DxSrc = 23, part.DySrc = 19;
        part.Filter = filter;
        part.Draw(*src, *a);
        auto whole = Whole(*cut, 2, 3, dx, dy);
        whole.Filter = filter;
        whole.Draw(*cut, *b);
        for (int y = 0; y < 40; ++y)
          ASSERT_EQ(std::memcmp(a->GetScanline(y), b->GetScanline(y), 150), 0)
              << "location " << int(where) << " filter " << int(filter) << " size " << dx << " row " << y;
      }
    }
  }
}

TEST(Render, TablesAreHandedBackAndReused) {
  auto src = Grey24(4, 4, [](int x, int y) { return x + 10 * y; });
  auto dst = Grey24(8, 8, [](int, int) { return 0; });
  auto c = Whole(*src, 0, 0, 8, 8);
  c.FreeTables = false;
  c.Draw(*src, *dst);
  EXPECT_EQ(c.X, (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3}));
  EXPECT_EQ(c.Y, c.X);
  EXPECT_EQ(c.Rows.size(), 8u);
  // A caller's table is used as given: columns drawn from column 3.
  c.X.assign(8, 3);
  c.Draw(*src, *dst);
  EXPECT_EQ(At(*dst, 0, 5), 3 + 20);
  // Entries past the source are trimmed off the end, not read.
  c.X = {0, 1, 2, 3, 0, 1, 99, 99};
  auto fresh = Grey24(8, 8, [](int, int) { return 250; });
  c.Rows.clear();
  c.Draw(*src, *fresh);
  EXPECT_EQ(At(*fresh, 5, 0), 1);
  EXPECT_EQ(At(*fresh, 6, 0), 250);
  EXPECT_EQ(At(*fresh, 7, 0), 250);
  // A short table is rebuilt.
  c.X = {0};
  c.Draw(*src, *fresh);
  EXPECT_EQ(At(*fresh, 7, 0), 3);
}

TEST(Render, DestinationIsChecked) {
  auto src = Grey24(2, 2, [](int, int) { return 200; });
  auto grey = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  Whole(*src, 0, 0, 2, 2).Draw(*src, *grey);
  EXPECT_EQ(grey->GetScanline(0)[0], 0);  // refused, not overrun
  // A file-backed destination is drawn through memory and written back.
  auto file = NewBitmap(vqTempFile, 4, 4, vqRGB24);
  Whole(*src, 0, 0, 4, 4).Draw(*src, *file);
  EXPECT_EQ(At(*file, 3, 3), 200);
  // A file-backed source, zoomed.
  auto fsrc = Grey24(2, 2, [](int x, int y) { return 10 * x + 100 * y; }, vqTempFile);
  auto dst = Grey24(4, 4, [](int, int) { return 0; });
  Whole(*fsrc, 0, 0, 4, 4).Draw(*fsrc, *dst);
  EXPECT_EQ(At(*dst, 3, 2), 110);
}

TEST(Render, HostileRectanglesDrawNothingOrClamp) {
  auto src = Grey24(4, 4, [](int, int) { return 200; });
  const struct {
    int X, Y, Dx, Dy, Sx, Sy, Sdx, Sdy;
    bool Draws;
  } cases[] = {
      {0, 0, 0, 4, 0, 0, 4, 4, false},       {0, 0, -4, 4, 0, 0, 4, 4, false},
      {0, 0, 4, 4, 0, 0, -4, 4, false},      {4, 0, 4, 4, 0, 0, 4, 4, false},
      {-2147483647, 0, 4, 4, 0, 0, 4, 4, false}, {0, 0, 2147483647, 2147483647, 0, 0, 4, 4, true},
      {-1, -1, 6, 6, 0, 0, 2147483647, 2147483647, true}, {0, 0, 4, 4, 3, 3, 4, 4, true},
      {0, 0, 4, 4, -9, -9, 4, 4, true},
  };
  for (const auto& h : cases) {
    auto dst = Grey24(4, 4, [](int, int) { return 0; });
    RenderCall c;
    c.XDst = h.X, c.YDst = h.Y, c.DxDst = h.Dx, c.DyDst = h.Dy;
    c.XSrc = h.Sx, c.YSrc = h.Sy, c.DxSrc = h.Sdx, c.DySrc = h.Sdy;
    c.Draw(*src, *dst);
    EXPECT_EQ(At(*dst, 0, 0) == 200, h.Draws) << h.X << " " << h.Dx << " " << h.Sx << " " << h.Sdx;
  }
}

TEST(Render, IntoAFrameworkBitmap) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(4, 2);
  auto src = Grey24(2, 1, [](int x, int) { return 60 + x; });
  std::vector<Byte*> rows;
  std::vector<int> xt, yt;
  const TRect clip{0, 0, 2, 1};
  src->RenderToTBitmap(&bmp, rows, xt, yt, &clip, 0, 0, 4, 2, 0, 0, 2, 1, false, false, 255, rfNone, true, boCopy);
  const Byte* r1 = static_cast<const Byte*>(static_cast<const TBitmap&>(bmp).ScanLine(1));
  EXPECT_EQ(r1[0], 60);
  EXPECT_EQ(r1[6], 61);
  EXPECT_EQ(r1[9], 0);  // clipped
  TBitmap mono;
  mono.SetPixelFormat(pf8bit);
  mono.SetSize(2, 2);
  src->RenderToTBitmap(&mono, rows, xt, yt, nullptr, 0, 0, 2, 2, 0, 0, 2, 1, false, false, 255, rfNone, true, boCopy);
  EXPECT_EQ(static_cast<const Byte*>(static_cast<const TBitmap&>(mono).ScanLine(0))[0], 0);
}

TEST(Render, SameBytesForEveryThreadCount) {
  auto src = NewBitmap(vqMemoryBuffer, 157, 93, vqRGB24);
  bitmaptest::WritePattern(*src, 2);
  for (int y = 0; y < 93; ++y)
    for (int x = 0; x < 157; x += 3) src->SetAlpha(x, y, static_cast<Byte>(x + y));
  for (int variant = 0; variant < 4; ++variant) {
    std::vector<std::vector<Byte>> first;
    for (int threads : {1, 2, 3, 8}) {
      SetParallelThreadCount(threads);
      auto dst = NewBitmap(vqMemoryBuffer, 300, 200, vqRGB24);
      bitmaptest::WritePattern(*dst, 9);
      auto c = Whole(*src, -7, 3, 320, 190);
      c.RowReplicate = true;
      c.Opacity = variant == 1 ? 100 : 255;
      c.Blend = variant == 2 ? boHue : variant == 3 ? boSoftLight : boCopy;
      c.Filter = variant == 3 ? rfLanczos3 : rfNone;
      c.Draw(*src, *dst);
      if (first.empty())
        first = bitmaptest::PixelRows(*dst);
      else
        EXPECT_EQ(bitmaptest::PixelRows(*dst), first) << variant << " threads " << threads;
    }
    SetParallelThreadCount(0);
  }
}

}  // namespace

#include <gtest/gtest.h>

#include "imaging/core/processing/pictoraproc_resample.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using bitmaptest::NewBitmap;

// One row of greys (vqGray8) or of equal channels (vqRGB24).
std::unique_ptr<TVQBitmap> GreyRow(const std::vector<int>& values, TVQPixelFormat f = vqGray8,
                                   TVQLocation l = vqMemoryBuffer) {
  auto b = NewBitmap(l, static_cast<int>(values.size()), 1, f);
  Byte* row = b->GetScanline(0);
  const int bpp = f == vqRGB24 ? 3 : 1;
  for (std::size_t x = 0; x < values.size(); ++x)
    for (int c = 0; c < bpp; ++c) row[x * bpp + c] = static_cast<Byte>(values[x]);
  return b;
}

// The first channel of every pixel of row y; for 24-bit the channels must agree.
std::vector<int> RowValues(TVQBitmap& b, int y = 0) {
  std::vector<int> v;
  const Byte* row = b.GetScanline(y);
  const int bpp = b.GetBitCount() / 8;
  for (int x = 0; x < b.GetWidth(); ++x) {
    if (bpp == 3) {
      EXPECT_EQ(row[3 * x], row[3 * x + 1]) << x;
      EXPECT_EQ(row[3 * x], row[3 * x + 2]) << x;
    }
    v.push_back(row[x * bpp]);
  }
  return v;
}

std::vector<int> ColumnValues(TVQBitmap& b) {
  std::vector<int> v;
  for (int y = 0; y < b.GetHeight(); ++y) v.push_back(b.GetScanline(y)[0]);
  return v;
}

TEST(Resample, KernelValuesAtWorkedPoints) {
  const struct {
    TResampleFilter F;
    double X, Want, Support;
  } cases[] = {
      {rfTriangle, 0, 1, 1},         {rfTriangle, -0.25, 0.75, 1},   {rfTriangle, 1, 0, 1},
      {rfHermite, 0.5, 0.5, 1},      {rfHermite, 0.25, 0.84375, 1},  {rfHermite, 1, 0, 1},
      {rfBell, 0, 0.75, 1.5},        {rfBell, 0.5, 0.5, 1.5},        {rfBell, -1, 0.125, 1.5},
      {rfBell, 1.5, 0, 1.5},         {rfBSpline, 0, 2.0 / 3, 2},     {rfBSpline, 1, 1.0 / 6, 2},
      {rfBSpline, -1.5, 0.125 / 6, 2}, {rfBSpline, 2, 0, 2},         {rfLanczos3, 0, 1, 3},
      {rfLanczos3, 0.5, 0.6079271, 3}, {rfLanczos3, -1.5, -0.1350949, 3}, {rfLanczos3, 3, 0, 3},
      {rfMitchell, 0, 16.0 / 18, 2}, {rfMitchell, 1, 1.0 / 18, 2},   {rfMitchell, 1.5, -0.2083333 / 6, 2},
      {rfMitchell, 2, 0, 2},         {rfNearest, 0.5, 1, 1},         {rfNearest, -0.5, 0, 1},
      {rfLinear, -1, 0, 1},          {rfLinear, 0.5, 0.5, 1},        {rfLinear, 1, 0, 1},
  };
  for (const auto& c : cases) {
    ASSERT_NE(ResampleKernels[c.F].Kernel, nullptr) << int(c.F);
    EXPECT_NEAR(ResampleKernels[c.F].Kernel(c.X), c.Want, 1e-6) << int(c.F) << " at " << c.X;
    EXPECT_EQ(ResampleKernels[c.F].Support, c.Support) << int(c.F);
  }
  for (TResampleFilter f : {rfNone, rfFastLinear, rfBilinear, rfBicubic}) EXPECT_EQ(ResampleKernels[f].Kernel, nullptr);
  EXPECT_DOUBLE_EQ(Sinc(0), 1);
  EXPECT_NEAR(Sinc(0.5), 0.6366198, 1e-6);
}

// An impulse kept at its size: the weights at whole offsets are the
// kernel's (x 256, rounded), normalised by their sum.
TEST(Resample, ImpulseAtIdentitySizeForEveryKernel) {
  const struct {
    TResampleFilter F;
    std::vector<int> Want;
  } cases[] = {
      {rfTriangle, {0, 0, 255, 0, 0}}, {rfHermite, {0, 0, 255, 0, 0}},   {rfLanczos3, {0, 0, 255, 0, 0}},
      {rfNearest, {0, 0, 255, 0, 0}},  {rfLinear, {0, 0, 255, 0, 0}},
      {rfBell, {0, 31, 191, 31, 0}},      // 32, 192, 32 of 256
      {rfBSpline, {0, 42, 169, 42, 0}},   // 43, 171, 43 of 257
      {rfMitchell, {0, 13, 227, 13, 0}},  // 14, 228, 14 of 256
  };
  for (const auto& c : cases)
    for (TVQPixelFormat f : {vqGray8, vqRGB24}) {
      auto src = GreyRow({0, 0, 255, 0, 0}, f);
      auto dst = NewBitmap(vqMemoryBuffer, 5, 1, f);
      ResampleFiltered(src.get(), dst.get(), c.F);
      EXPECT_EQ(RowValues(*dst), c.Want) << int(c.F) << " format " << int(f);
    }
}

TEST(Resample, EnlargingAndReducingWithWorkedWeights) {
  const struct {
    TResampleFilter F;
    std::vector<int> Src;
    int Width;
    std::vector<int> Want;
  } cases[] = {
      // 3 to 5: centres 0, 0.5, 1, 1.5, 2; halves weigh 128 + 128.
      {rfTriangle, {0, 255, 0}, 5, {0, 127, 255, 127, 0}},
      // 5 to 3: weights 64, 128, 64; the left and right windows mirror.
      {rfTriangle, {10, 20, 30, 40, 50}, 3, {15, 30, 47}},
      // 2 to 3: weights 6, -35, 156, 156, -35, 6 mirrored onto the two
      // pixels: 255 x 92 / 254.
      {rfLanczos3, {0, 255}, 3, {0, 92, 255}},
      // Odd sizes: 3 to 2, weights 64, 128, 64 with the mirrored neighbour.
      {rfTriangle, {0, 100, 200}, 2, {50, 175}},
  };
  for (const auto& c : cases) {
    auto src = GreyRow(c.Src, vqRGB24);
    auto dst = NewBitmap(vqMemoryBuffer, c.Width, 1, vqRGB24);
    ResampleFiltered(src.get(), dst.get(), c.F);
    EXPECT_EQ(RowValues(*dst), c.Want) << int(c.F) << " to " << c.Width;
  }
}

TEST(Resample, ChannelsAreFilteredApartAndColumnsLikeRows) {
  auto src = NewBitmap(vqMemoryBuffer, 3, 1, vqRGB24);
  const Byte px[9] = {0, 100, 200, 255, 50, 0, 0, 0, 0};
  std::memcpy(src->GetScanline(0), px, 9);
  auto dst = NewBitmap(vqMemoryBuffer, 5, 1, vqRGB24);
  ResampleFiltered(src.get(), dst.get(), rfTriangle);
  const Byte* d = dst->GetScanline(0);
  EXPECT_EQ(std::vector<int>(d + 3, d + 6), (std::vector<int>{127, 75, 100}));

  // A column of 5 to 3 gives the same values as the row.
  auto col = NewBitmap(vqMemoryBuffer, 1, 5, vqGray8);
  for (int y = 0; y < 5; ++y) col->GetScanline(y)[0] = static_cast<Byte>(10 * (y + 1));
  auto out = NewBitmap(vqMemoryBuffer, 1, 3, vqGray8);
  ResampleFilteredGray(col.get(), out.get(), rfTriangle);
  EXPECT_EQ(ColumnValues(*out), (std::vector<int>{15, 30, 47}));
}

// A 1 x 1 source cannot be filtered: it is stretched, so no destination
// pixel stays as allocated.
TEST(Resample, OnePixelSourceFillsTheDestination) {
  for (TResampleFilter f : {rfLanczos3, rfMitchell, rfFastLinear, rfBicubic, rfNone}) {
    auto src = NewBitmap(vqMemoryBuffer, 1, 1, vqRGB24);
    Byte* s = src->GetScanline(0);
    s[0] = 10, s[1] = 20, s[2] = 30;
    auto dst = NewBitmap(vqMemoryBuffer, 3, 2, vqRGB24);
    dst->Fill(99);
    ResampleBitmap(src.get(), dst.get(), f);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const TRGBPixel p = dst->GetPixelRGB(x, y);
        EXPECT_EQ(p.b, 10) << int(f);
        EXPECT_EQ(p.g, 20) << int(f);
        EXPECT_EQ(p.r, 30) << int(f);
      }
  }
}

// Grey images are filtered as one channel instead of being left unwritten.
TEST(Resample, GreyImageIsFilteredThroughTheDispatcher) {
  auto src = GreyRow({0, 255});
  auto dst = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  ResampleBitmap(src.get(), dst.get(), rfTriangle);
  EXPECT_EQ(RowValues(*dst), (std::vector<int>{0, 127, 255}));
  auto paletted = NewBitmap(vqMemoryBuffer, 2, 1, vqPalette8);
  paletted->GetScanline(0)[0] = 7;
  paletted->GetScanline(0)[1] = 9;
  auto pdst = NewBitmap(vqMemoryBuffer, 4, 1, vqPalette8);
  ResampleBitmap(paletted.get(), pdst.get(), rfLanczos3);
  EXPECT_EQ(RowValues(*pdst), (std::vector<int>{7, 7, 9, 9}));
}

TEST(Resample, OneBitSourceBecomesGrey) {
  auto src = NewBitmap(vqMemoryBuffer, 2, 1, vqBits1);
  src->GetScanline(0)[0] = 0x80;  // 1, 0
  auto dst = NewBitmap(vqMemoryBuffer, 3, 1, vqBits1);
  ResampleBitmap(src.get(), dst.get(), rfTriangle);
  ASSERT_EQ(dst->GetPixelFormat(), vqRGB24);
  EXPECT_EQ(RowValues(*dst), (std::vector<int>{255, 127, 0}));
}

TEST(Resample, FastLinearInterpolatesAndAverages) {
  const struct {
    std::vector<int> Src;
    int Width;
    std::vector<int> Want;
  } cases[] = {
      {{0, 255}, 4, {0, 127, 255, 255}},  // 255 x 0.5 rounded down
      {{255, 0}, 4, {255, 127, 0, 0}},    // 255 - 127.5 rounded towards minus infinity
      // 10 to 3: windows 0-3, 3-6 and 6-9 (the last one runs to the edge).
      {{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 3, {15, 45, 75}},
      // 1000 to 10 in small: the last window still reads the last pixel.
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 250}, 2, {0, 50}},
  };
  for (const auto& c : cases)
    for (TVQPixelFormat f : {vqGray8, vqRGB24}) {
      auto src = GreyRow(c.Src, f);
      auto dst = NewBitmap(vqMemoryBuffer, c.Width, 1, f);
      if (f == vqGray8)
        FastLinearGray(src.get(), dst.get());
      else
        FastLinear24(src.get(), dst.get());
      EXPECT_EQ(RowValues(*dst), c.Want) << c.Width << " format " << int(f);
    }
  // Rows: 4 to 2 averages rows 0-2 and 2-3; the unchanged width is copied.
  auto col = NewBitmap(vqMemoryBuffer, 1, 4, vqGray8);
  for (int y = 0; y < 4; ++y) col->GetScanline(y)[0] = static_cast<Byte>(40 * y);
  auto out = NewBitmap(vqMemoryBuffer, 1, 2, vqGray8);
  FastLinearGray(col.get(), out.get());
  EXPECT_EQ(ColumnValues(*out), (std::vector<int>{40, 100}));
  // Rows halved, width kept: the columns are copied, not averaged in pairs.
  auto two = NewBitmap(vqMemoryBuffer, 3, 2, vqGray8);
  const Byte r0[3] = {10, 20, 30}, r1[3] = {30, 40, 50};
  std::memcpy(two->GetScanline(0), r0, 3);
  std::memcpy(two->GetScanline(1), r1, 3);
  auto one = NewBitmap(vqMemoryBuffer, 3, 1, vqGray8);
  FastLinearGray(two.get(), one.get());
  EXPECT_EQ(RowValues(*one), (std::vector<int>{20, 30, 40}));
}

TEST(Resample, FastLinearAtEqualSizeCopiesWithAlpha) {
  auto src = NewBitmap(vqMemoryBuffer, 4, 3, vqRGB24);
  bitmaptest::WritePattern(*src);
  src->SetAlpha(1, 1, 77);
  auto dst = NewBitmap(vqMemoryBuffer, 4, 3, vqRGB24);
  ResampleBitmap(src.get(), dst.get(), rfFastLinear);
  EXPECT_EQ(bitmaptest::PixelRows(*dst), bitmaptest::PixelRows(*src));
  ASSERT_TRUE(dst->HasAlphaChannel());
  EXPECT_EQ(dst->GetAlpha(1, 1), 77);
  EXPECT_EQ(dst->GetAlpha(0, 0), 255);
}

TEST(Resample, FastLinearOneBit) {
  auto src = NewBitmap(vqMemoryBuffer, 2, 1, vqBits1);
  src->GetScanline(0)[0] = 0x40;  // 0, 1
  auto dst = NewBitmap(vqMemoryBuffer, 4, 1, vqRGB24);
  FastLinear1Bit(src.get(), dst.get());
  EXPECT_EQ(RowValues(*dst), (std::vector<int>{0, 127, 255, 255}));
}

// Reductions whose windows are 2 to 9 pixels wide (the narrow ones come
// from rows of window means, the widest add pixel by pixel) and an exact
// ratio: the same bytes either way, for odd widths that leave a ragged end,
// for grey and 24-bit, and on any thread count.
TEST(Resample, FastLinearWindowMeansMatchPixelByPixel) {
  const struct {
    int Sw, Dw;
  } cases[] = {{37, 25}, {61, 29}, {97, 31}, {101, 25}, {83, 17}, {131, 23},
               {157, 23}, {173, 22}, {190, 21}, {40, 10}, {7, 3}, {9, 8}};
  for (const auto& c : cases)
    for (TVQPixelFormat f : {vqGray8, vqRGB24}) {
      auto src = NewBitmap(vqMemoryBuffer, c.Sw, 9, f);
      std::uint32_t seed = 12345;
      for (int y = 0; y < 9; ++y) {
        Byte* row = src->GetScanline(y);
        for (int i = 0; i < bitmaptest::PixelBytes(*src); ++i) {
          seed = seed * 1103515245 + 12345;
          // Rows 0-2 (the first output row's window) white: the biggest
          // sums the windows can have, whose means must still be 255.
          row[i] = y < 3 ? 255 : static_cast<Byte>(seed >> 16);
        }
      }
      std::vector<std::vector<Byte>> plain;
      for (bool means : {false, true})
        for (int threads : {1, 3}) {
          SetFastLinearSimd(means);
          SetParallelThreadCount(threads);
          auto dst = NewBitmap(vqMemoryBuffer, c.Dw, 4, f);
          if (f == vqGray8)
            FastLinearGray(src.get(), dst.get());
          else
            FastLinear24(src.get(), dst.get());
          if (plain.empty())
            plain = bitmaptest::PixelRows(*dst);
          else
            EXPECT_EQ(bitmaptest::PixelRows(*dst), plain) << c.Sw << " to " << c.Dw << " format " << int(f)
                                                          << " means " << means << " threads " << threads;
          EXPECT_EQ(bitmaptest::PixelRows(*dst)[0], std::vector<Byte>(plain[0].size(), 255));
        }
    }
  SetFastLinearSimd(true);
  SetParallelThreadCount(0);
}

TEST(Resample, AreaInterpolateWorkedPieces) {
  const struct {
    bool Bicubic;
    std::vector<int> Src;
    int Width;
    std::vector<int> Want;
  } cases[] = {
      // Pure area: pieces of 1 over pixels 0-1 and 2-3.
      {false, {0, 100, 200, 40}, 2, {50, 120}},
      // Enlarging across: each half-pixel takes the value at its far end.
      {false, {0, 200}, 4, {100, 200, 200, 200}},
      // Bicubic overshoot below 0 and above 255 is clamped before averaging.
      {true, {0, 0, 255, 255}, 8, {0, 0, 127, 255, 255, 255, 255, 255}},
      {true, {90, 90, 90}, 7, {90, 90, 90, 90, 90, 90, 90}},
  };
  for (const auto& c : cases) {
    auto src = GreyRow(c.Src, vqRGB24);
    auto dst = NewBitmap(vqMemoryBuffer, c.Width, 1, vqRGB24);
    AreaInterpolate(src.get(), dst.get(), c.Bicubic, nullptr);
    EXPECT_EQ(RowValues(*dst), c.Want) << c.Bicubic << " to " << c.Width;
  }
  // A flat grey enlarged both ways stays grey.
  auto flat = NewBitmap(vqMemoryBuffer, 3, 3, vqRGB24);
  for (int y = 0; y < 3; ++y) std::memset(flat->GetScanline(y), 70, 9);
  for (bool bicubic : {false, true}) {
    auto big = NewBitmap(vqMemoryBuffer, 7, 5, vqRGB24);
    ResampleFiltered(flat.get(), big.get(), bicubic ? rfBicubic : rfBilinear);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(RowValues(*big, y), std::vector<int>(7, 70)) << bicubic;
  }
}

TEST(Resample, KeysCubicWeights) {
  EXPECT_DOUBLE_EQ(KeysCubic(10, 20, 30, 40, 0), 20);
  EXPECT_DOUBLE_EQ(KeysCubic(10, 20, 30, 40, 1), 30);
  EXPECT_DOUBLE_EQ(KeysCubic(0, 0, 255, 255, 0.5), 127.5);  // -0.125, 0.625, 0.625, -0.125
  EXPECT_DOUBLE_EQ(KeysCubic(0, 255, 255, 255, 0.5), 255);  // 286.875 clamped
  EXPECT_DOUBLE_EQ(KeysCubic(0, 0, 0, 255, 0.5), 0);        // -31.875 clamped
}

TEST(Resample, ReduceAreaCountsSetBits) {
  auto src = NewBitmap(vqMemoryBuffer, 4, 2, vqBits1);
  src->GetScanline(0)[0] = 0xC0;  // 1100
  src->GetScanline(1)[0] = 0x80;  // 1000
  auto dst = NewBitmap(vqMemoryBuffer, 2, 1, vqRGB24);
  ReduceArea(src.get(), 0, 0, 3, 1, dst.get());
  // Columns 0-1 (3 of 4 set) and 1-3 (1 of 6 set), rows 0-1.
  EXPECT_EQ(RowValues(*dst), (std::vector<int>{191, 42}));
}

TEST(Resample, StretchNearestEveryFormat) {
  const int xs[5] = {0, 0, 1, 1, 2}, ys[3] = {0, 0, 1};  // Trunc(3/5 x), Trunc(2/3 y)
  for (TVQPixelFormat f : {vqBits1, vqPalette8, vqGray8, vqGray16, vqRGB24, vq32f, vqCMYK})
    for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
      auto src = NewBitmap(l, 3, 2, f);
      bitmaptest::WritePattern(*src, 3);
      auto dst = NewBitmap(l, 5, 3, f);
      StretchNearest(src.get(), dst.get());
      const int bits = PixelFormatBits(f);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
          if (bits == 1) {
            const int sb = (src->GetScanline(ys[y])[0] >> (7 - xs[x])) & 1;
            const int db = (dst->GetScanline(y)[0] >> (7 - x)) & 1;
            EXPECT_EQ(db, sb) << x << "," << y;
            continue;
          }
          const int n = bits / 8;
          const std::vector<Byte> want(src->GetScanline(ys[y]) + n * xs[x], src->GetScanline(ys[y]) + n * xs[x] + n);
          const std::vector<Byte> got(dst->GetScanline(y) + n * x, dst->GetScanline(y) + n * x + n);
          EXPECT_EQ(got, want) << bitmaptest::FormatName(f) << " " << x << "," << y;
        }
    }
}

TEST(Resample, TransparentPixelsTurnGreyInTheResultOnly) {
  auto src = NewBitmap(vqMemoryBuffer, 2, 1, vqRGB24);
  Byte* s = src->GetScanline(0);
  for (int i = 0; i < 6; ++i) s[i] = static_cast<Byte>(200 + i);
  src->SetAlpha(0, 0, 0);
  auto dst = NewBitmap(vqMemoryBuffer, 4, 1, vqRGB24);
  ResampleBitmap(src.get(), dst.get(), rfNone);
  EXPECT_EQ(dst->GetPixelRGB(0, 0).r, 128);
  EXPECT_EQ(dst->GetPixelRGB(1, 0).g, 128);
  EXPECT_EQ(dst->GetPixelRGB(2, 0).b, 203);
  EXPECT_EQ(src->GetScanline(0)[0], 200);  // the caller's pixel is kept
  ASSERT_TRUE(dst->HasAlphaChannel());
  EXPECT_EQ(dst->GetAlpha(1, 0), 0);
  EXPECT_EQ(dst->GetAlpha(2, 0), 255);
  EXPECT_FALSE(dst->GetAlphaChannel()->Full);

  // FillTransparentPixels itself works in place.
  FillTransparentPixels(src.get(), TRGBPixel{1, 2, 3});
  EXPECT_EQ(std::vector<int>(s, s + 6), (std::vector<int>{1, 2, 3, 203, 204, 205}));
}

TEST(Resample, AlphaIsResampledWithTheFilter) {
  auto src = NewBitmap(vqMemoryBuffer, 3, 1, vqRGB24);
  src->SetAlpha(0, 0, 0);
  src->SetAlpha(1, 0, 255);
  src->SetAlpha(2, 0, 0);
  auto dst = NewBitmap(vqMemoryBuffer, 5, 1, vqRGB24);
  ResampleBitmap(src.get(), dst.get(), rfTriangle);
  EXPECT_EQ(RowValues(*dst->GetAlphaChannel()), (std::vector<int>{0, 127, 255, 127, 0}));
}

TEST(Resample, ProgressFollowsTheRows) {
  std::vector<int> seen;
  TVQProgressRec progress;
  progress.OnProgress = [&](TObject*, int per) { seen.push_back(per); };
  auto src = NewBitmap(vqMemoryBuffer, 2, 2, vqGray8);
  auto dst = NewBitmap(vqMemoryBuffer, 2, 3, vqGray8);
  StretchNearest(src.get(), dst.get(), &progress);
  EXPECT_EQ(seen, (std::vector<int>{0, 28, 57}));  // Trunc(y x 100 / 3.5)
  seen.clear();
  auto rgb = NewBitmap(vqMemoryBuffer, 2, 2, vqRGB24);
  auto big = NewBitmap(vqMemoryBuffer, 3, 3, vqRGB24);
  ResampleFiltered(rgb.get(), big.get(), rfTriangle, &progress);
  // Rows of the source (r + 1) then columns (2 + x + 1), of 2 + 3 + 0.5.
  EXPECT_EQ(seen, (std::vector<int>{18, 36, 54, 72, 90}));
}

// Every filter, memory or file storage, any thread count: the same bytes.
TEST(Resample, SameBytesForEveryThreadCountAndStorage) {
  auto src = NewBitmap(vqMemoryBuffer, 101, 61, vqRGB24);
  bitmaptest::WritePattern(*src, 5);
  for (int f = rfNone; f <= rfBicubic; ++f)
    for (auto size : {std::pair{43, 150}, std::pair{230, 29}}) {
      std::vector<std::vector<Byte>> first;
      for (int threads : {1, 2, 3, 8}) {
        SetParallelThreadCount(threads);
        auto dst = NewBitmap(vqMemoryBuffer, size.first, size.second, vqRGB24);
        ResampleBitmap(src.get(), dst.get(), static_cast<TResampleFilter>(f));
        if (first.empty())
          first = bitmaptest::PixelRows(*dst);
        else
          EXPECT_EQ(bitmaptest::PixelRows(*dst), first) << f << " threads " << threads;
      }
      SetParallelThreadCount(0);
      auto fileSrc = NewBitmap(vqTempFile, 101, 61, vqRGB24);
      bitmaptest::WritePattern(*fileSrc, 5);
      auto fileDst = NewBitmap(vqTempFile, size.first, size.second, vqRGB24);
      ResampleBitmap(fileSrc.get(), fileDst.get(), static_cast<TResampleFilter>(f));
      EXPECT_EQ(bitmaptest::PixelRows(*fileDst), first) << f << " file-backed";
    }
}

TEST(Resample, HostileSizes) {
  auto src = NewBitmap(vqMemoryBuffer, 5000, 1, vqRGB24);
  bitmaptest::WritePattern(*src);
  auto empty = NewBitmap(vqMemoryBuffer);
  for (int f = rfNone; f <= rfBicubic; ++f) {
    ResampleBitmap(src.get(), empty.get(), static_cast<TResampleFilter>(f));  // nothing to write
    EXPECT_TRUE(empty->IsEmpty());
    ResampleBitmap(empty.get(), src.get(), static_cast<TResampleFilter>(f));  // nothing to read
    auto one = NewBitmap(vqMemoryBuffer, 1, 1, vqRGB24);
    ResampleBitmap(src.get(), one.get(), static_cast<TResampleFilter>(f));  // 5000 to 1
    EXPECT_EQ(one->GetWidth(), 1);
  }
  // A whole row of 5000 pixels reduced to one by the box: their mean.
  auto flat = GreyRow(std::vector<int>(5000, 33), vqRGB24);
  auto one = NewBitmap(vqMemoryBuffer, 1, 1, vqRGB24);
  FastLinear24(flat.get(), one.get());
  EXPECT_EQ(RowValues(*one), std::vector<int>{33});
  // 3000 values i mod 256: 11 x 32640 + 16836 = 375876, div 3000.
  std::vector<int> ramp(3000);
  for (int i = 0; i < 3000; ++i) ramp[static_cast<std::size_t>(i)] = i % 256;
  auto wide = GreyRow(ramp);
  auto mean = NewBitmap(vqMemoryBuffer, 1, 1, vqGray8);
  FastLinearGray(wide.get(), mean.get());
  EXPECT_EQ(RowValues(*mean), std::vector<int>{125});
}

}  // namespace

// The kernel filters run both passes band by band, with vector loops for
// 24-bit rows and the division: the same bytes as the plain loops, as the
// whole-plane passes (taken when a progress handler listens) and on any
// thread count; noise makes Lanczos overshoot both ends, so the clamps count.
TEST(Resample, KernelFiltersMatchPlainLoopsAndWholePlane) {
  const struct {
    int Sw, Sh, Dw, Dh;
  } sizes[] = {{37, 23, 75, 47}, {61, 17, 15, 5}, {6, 5, 13, 11}, {1, 9, 7, 4}, {19, 1, 40, 3}, {50, 30, 49, 31}};
  for (const auto& z : sizes)
    for (TVQPixelFormat f : {vqRGB24, vqGray8, vqBits1}) {
      auto src = NewBitmap(vqMemoryBuffer, z.Sw, z.Sh, f);
      std::uint32_t seed = 777;
      for (int y = 0; y < z.Sh; ++y) {
        Byte* row = src->GetScanline(y);
        for (int i = 0; i < src->GetRowLength(); ++i) {
          seed = seed * 1103515245 + 12345;
          row[i] = (seed >> 20) & 1 ? static_cast<Byte>(seed >> 16) : ((seed >> 21) & 1 ? 255 : 0);
        }
      }
      for (int filter = rfTriangle; filter <= rfLinear; ++filter) {
        std::vector<std::vector<Byte>> plain;
        for (int way = 0; way < 5; ++way) {
          SetResampleSimd(way >= 2);
          SetParallelThreadCount(way == 1 || way == 3 ? 3 : 1);
          auto dst = NewBitmap(vqMemoryBuffer, z.Dw, z.Dh, f == vqGray8 ? vqGray8 : vqRGB24);
          TVQProgressRec progress;
          int reports = 0;
          progress.OnProgress = [&](TObject*, int) { ++reports; };
          if (f == vqGray8)
            ResampleFilteredGray(src.get(), dst.get(), static_cast<TResampleFilter>(filter));
          else if (f == vqBits1)
            ResampleFiltered1Bit(src.get(), dst.get(), static_cast<TResampleFilter>(filter));
          else
            ResampleFiltered(src.get(), dst.get(), static_cast<TResampleFilter>(filter), way == 4 ? &progress : nullptr);
          if (plain.empty())
            plain = bitmaptest::PixelRows(*dst);
          else
            EXPECT_EQ(bitmaptest::PixelRows(*dst), plain)
                << z.Sw << "x" << z.Sh << " to " << z.Dw << "x" << z.Dh << " format " << int(f) << " filter "
                << filter << " way " << way;
          if (way == 4 && f == vqRGB24) EXPECT_GT(reports, 0);
        }
      }
    }
  SetResampleSimd(true);
  SetParallelThreadCount(0);
}

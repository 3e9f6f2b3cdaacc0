#include <gtest/gtest.h>

#include "imaging/core/processing/pictoraproc_shadow.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

using bitmaptest::NewBitmap;

struct KernelCase {
  double radius;
  int halfWidth;
  std::vector<int> weights;  // w[0], w[1], ...
  int sum;
};

// g[i] = exp(-(i/r)^2 / 2) scaled to 65536 by the sum of the 201 values.
// Radius 1: S = 2.506628, w0 = 65536 / S = 26145, w1 = 0.606531 x 26145.
TEST(GaussianKernel, WeightsAreNormalisedAndTrimmed) {
  const std::vector<KernelCase> cases = {
      {0.3, 1, {65033, 251}, 65535},
      {1.0, 4, {26145, 15858, 3538, 290, 9}, 65535},
      {3.0, 13, {8715, 8244, 6978, 5286, 3583, 2173}, 65535},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.radius);
    const TGaussianKernel k = GaussianKernel(c.radius);
    EXPECT_EQ(k.HalfWidth, c.halfWidth);
    for (std::size_t i = 0; i < c.weights.size(); ++i) {
      EXPECT_EQ(k.W(static_cast<int>(i)), c.weights[i]) << i;
      EXPECT_EQ(k.W(-static_cast<int>(i)), c.weights[i]) << i;
    }
    EXPECT_EQ(k.W(c.halfWidth + 1), 0);
    int sum = 0;
    for (int i = -k.HalfWidth; i <= k.HalfWidth; ++i) sum += k.W(i);
    EXPECT_EQ(sum, c.sum);
  }
}

std::unique_ptr<TVQBitmap> Grey(int w, int h, const std::vector<int>& values) {
  auto b = NewBitmap(vqMemoryBuffer, w, h, vqGray8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->GetScanline(y)[x] = static_cast<Byte>(values[static_cast<std::size_t>(y * w + x)]);
  return b;
}

std::vector<int> Values(TVQBitmap& b, int channel = 0, int channels = 1) {
  std::vector<int> v;
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x) v.push_back(b.GetScanline(y)[x * channels + channel]);
  return v;
}

// Radius 1 on one row: out = (w x 255 + 32768) >> 16 for w = 26145, 15858,
// 3538, 290, 9; a one-row picture keeps the row through the column pass,
// whose weights add up to 65535.
TEST(GaussianBlur, SpreadsASinglePixelByTheKernel) {
  struct Case {
    double radius;
    std::vector<int> expected;
  };
  const std::vector<Case> cases = {
      {0.3, {0, 0, 0, 1, 253, 1, 0, 0, 0}},
      {1.0, {0, 1, 14, 62, 102, 62, 14, 1, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.radius);
    auto b = Grey(9, 1, {0, 0, 0, 0, 255, 0, 0, 0, 0});
    GaussianBlur(b.get(), nullptr, c.radius);
    EXPECT_EQ(Values(*b), c.expected);
  }
}

// Radius 0.3 in two dimensions: the row pass gives 1, 253, 1; the column
// pass takes 253 to (65033 x 253 + 32768) >> 16 = 251 and
// (251 x 253 + 32768) >> 16 = 1 above and below; the 1s spread no further.
TEST(GaussianBlur, BlursColumnsAfterRows) {
  std::vector<int> in(25, 0);
  in[12] = 255;
  auto b = Grey(5, 5, in);
  GaussianBlur(b.get(), nullptr, 0.3);
  const std::vector<int> expected = {0, 0, 0,   0, 0,  //
                                     0, 0, 1,   0, 0,  //
                                     0, 1, 251, 1, 0,  //
                                     0, 0, 1,   0, 0,  //
                                     0, 0, 0,   0, 0};
  EXPECT_EQ(Values(*b), expected);
}

// The same spot far along a long row, where the column pass works on a
// later stretch of the row.
TEST(GaussianBlur, BlursFarAlongLongRows) {
  std::vector<int> in(3 * 2100, 0);
  in[2100 + 2060] = 255;
  auto b = Grey(2100, 3, in);
  GaussianBlur(b.get(), nullptr, 0.3);
  auto at = [&](int x, int y) { return b->GetScanline(y)[x]; };
  EXPECT_EQ(at(2060, 1), 251);
  EXPECT_EQ(at(2059, 1), 1);
  EXPECT_EQ(at(2061, 1), 1);
  EXPECT_EQ(at(2060, 0), 1);
  EXPECT_EQ(at(2060, 2), 1);
  EXPECT_EQ(at(2061, 2), 0);
}

TEST(GaussianBlur, KeepsAFlatPictureAndBlursEachChannelApart) {
  auto flat = Grey(7, 4, std::vector<int>(28, 200));
  GaussianBlur(flat.get(), nullptr, 0.3);
  EXPECT_EQ(Values(*flat), std::vector<int>(28, 200));

  auto rgb = NewBitmap(vqMemoryBuffer, 9, 1, vqRGB24);
  const Byte centre[3] = {255, 0, 100};
  std::memcpy(rgb->GetScanline(0) + 12, centre, 3);
  GaussianBlur(rgb.get(), nullptr, 1.0);
  // 100: (26145 x 100 + 32768) >> 16 = 40, (15858 x 100 + 32768) >> 16 = 24, 3538 x 100 -> 5.
  EXPECT_EQ(Values(*rgb, 0, 3), (std::vector<int>{0, 1, 14, 62, 102, 62, 14, 1, 0}));
  EXPECT_EQ(Values(*rgb, 1, 3), std::vector<int>(9, 0));
  EXPECT_EQ(Values(*rgb, 2, 3), (std::vector<int>{0, 0, 5, 24, 40, 24, 5, 0, 0}));
}

TEST(GaussianBlur, LeavesOtherFormatsAndRadiiAlone) {
  for (double radius : {0.0, -2.0}) {
    auto b = Grey(3, 1, {0, 255, 0});
    GaussianBlur(b.get(), nullptr, radius);
    EXPECT_EQ(Values(*b), (std::vector<int>{0, 255, 0}));
  }
  auto bits = NewBitmap(vqMemoryBuffer, 16, 2, vqBits1);
  bits->GetScanline(0)[0] = 0x10;
  GaussianBlur(bits.get(), nullptr, 2.0);
  EXPECT_EQ(bits->GetScanline(0)[0], 0x10);
  EXPECT_EQ(bits->GetScanline(1)[0], 0);
}

TEST(GaussianBlur, ReportsRowsThenColumns) {
  auto b = Grey(3, 2, std::vector<int>(6, 9));
  std::vector<int> reports;
  TVQProgressRec progress;
  progress.OnProgress = [&](TObject*, int per) { reports.push_back(per); };
  GaussianBlur(b.get(), &progress, 1.0);
  // Rows y x 100 / 5, then columns (2 + x) x 100 / 5.
  EXPECT_EQ(reports, (std::vector<int>{0, 20, 40, 60, 80}));
}

// 700 pixels make rows longer than the column pass's strips.
TEST(GaussianBlur, SameBytesForAnyThreadCountAndStorage) {
  struct Size {
    int w, h;
  };
  for (const Size size : {Size{61, 47}, Size{700, 30}}) {
    auto make = [&](TVQLocation l) {
      auto b = NewBitmap(l, size.w, size.h, vqRGB24);
      bitmaptest::WritePattern(*b, 3);
      return b;
    };
    auto reference = make(vqMemoryBuffer);
    auto original = Values(*reference, 1, 3);
    SetParallelThreadCount(1);
    GaussianBlur(reference.get(), nullptr, 4.5);
    const auto expected = Values(*reference, 1, 3);
    EXPECT_NE(expected, original);
    for (int threads : {2, 3, 8}) {
      for (TVQLocation l : {vqMemoryBuffer, vqTempFile}) {
        SetParallelThreadCount(threads);
        auto b = make(l);
        GaussianBlur(b.get(), nullptr, 4.5);
        EXPECT_EQ(Values(*b, 1, 3), expected) << size.w << " " << threads;
      }
    }
    SetParallelThreadCount(0);
  }
}

// The vector loops against the plain ones: widths that leave a tail after
// the 16- and 32-byte runs (and runs shorter than both), a row longer than
// one column strip, grey and 24-bit, narrow and wide kernels. The noise has
// runs of 0 and 255 so the rounding and the clamp at 255 are both reached.
TEST(GaussianBlur, VectorLoopsGiveThePlainLoopsBytes) {
  struct Case {
    int w, h;
    TVQPixelFormat format;
  };
  const Case cases[] = {{1, 1, vqGray8},   {5, 3, vqRGB24},    {17, 9, vqGray8},  {7, 13, vqRGB24},
                        {23, 31, vqGray8}, {33, 29, vqRGB24},  {67, 45, vqGray8}, {701, 11, vqRGB24},
                        {3, 40, vqRGB24},  {129, 3, vqGray8}};
  auto fill = [](TVQBitmap& b) {
    const int n = b.GetWidth() * (b.GetPixelFormat() == vqRGB24 ? 3 : 1);
    std::uint32_t h = 12345;
    for (int y = 0; y < b.GetHeight(); ++y) {
      Byte* row = b.GetScanline(y);
      for (int i = 0; i < n; ++i) {
        h = h * 1103515245u + 12345u;
        const unsigned r = (h >> 16) & 1023;
        row[i] = static_cast<Byte>(r < 300 ? 255 : r < 400 ? 0 : r & 255);
      }
    }
  };
  auto bytes = [](TVQBitmap& b) {
    const std::size_t n = static_cast<std::size_t>(b.GetWidth()) * (b.GetPixelFormat() == vqRGB24 ? 3 : 1);
    std::vector<Byte> all;
    for (int y = 0; y < b.GetHeight(); ++y) all.insert(all.end(), b.GetScanline(y), b.GetScanline(y) + n);
    return all;
  };
  for (const Case& c : cases) {
    for (double radius : {0.9, 1.0, 2.5, 3.0, 7.3, 20.0}) {
      auto plain = NewBitmap(vqMemoryBuffer, c.w, c.h, c.format);
      auto vector = NewBitmap(vqMemoryBuffer, c.w, c.h, c.format);
      fill(*plain);
      fill(*vector);
      const auto original = bytes(*plain);
      SetGaussianSimd(false);
      GaussianBlur(plain.get(), nullptr, radius);
      SetGaussianSimd(true);
      GaussianBlur(vector.get(), nullptr, radius);
      if (c.w * c.h > 1) {
        EXPECT_NE(bytes(*plain), original) << c.w << "x" << c.h << " r" << radius;
      }
      EXPECT_EQ(bytes(*vector), bytes(*plain)) << c.w << "x" << c.h << " r" << radius;
    }
  }
}

// 100 x 100 opaque, offsets (4, 4), radius 3: grow = 8 + 15 = 23, the
// picture at 11..110. Row 60 of the shadow is row 56 of the blurred
// alpha, far from the box's top and bottom, so it is the row pass alone:
// (255 x sum of w[-13..d] + 32768) >> 16 where d is the distance inside
// the box's right edge (110) before the move: 114 - x.
TEST(AddSoftShadow, CastsABlurredShadowRightAndBelow) {
  auto b = NewBitmap(vqMemoryBuffer, 100, 100, vqRGB24);
  b->Fill(0xFFFFFF);
  AddSoftShadow(b.get(), 4, 4, nullptr, 0x102030, true, 3.0);
  ASSERT_EQ(b->GetWidth(), 123);
  ASSERT_EQ(b->GetHeight(), 123);
  EXPECT_EQ(b->GetAlpha(11, 11), 255);
  EXPECT_EQ(b->GetAlpha(110, 110), 255);
  EXPECT_EQ(b->GetPixelRGB(110, 60), (TRGBPixel{255, 255, 255}));
  struct Case {
    int x;
    int alpha;
  };
  // Sums: d 3 -> 57633, 0 -> 37125 (half of 65535 + w0), -1 -> 28410, -5 -> 4319.
  for (const Case& c : std::vector<Case>{{111, 224}, {114, 144}, {115, 111}, {119, 17}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(b->GetAlpha(c.x, 60), c.alpha);
    EXPECT_EQ(b->GetPixelRGB(c.x, 60), (TRGBPixel{0x30, 0x20, 0x10}));
    // Below the picture by symmetry.
    EXPECT_EQ(b->GetAlpha(60, c.x), c.alpha);
  }
  // Above and left of the picture the moved shadow leaves nothing.
  EXPECT_EQ(b->GetAlpha(60, 5), 0);
  EXPECT_EQ(b->GetAlpha(5, 60), 0);
  EXPECT_EQ(b->GetPixelRGB(5, 60), (TRGBPixel{0, 0, 0}));
}

TEST(AddSoftShadow, SameBytesForAnyThreadCount) {
  auto run = [](int threads) {
    SetParallelThreadCount(threads);
    auto b = NewBitmap(vqMemoryBuffer, 37, 29, vqRGB24);
    bitmaptest::WritePattern(*b, 2);
    b->GetAlphaChannel()->FillRect(0, 0, 36, 3, 0);
    AddSoftShadow(b.get(), -3, 2, nullptr, 0x4080C0, true, 1.5);
    SetParallelThreadCount(0);
    std::vector<int> v = Values(*b, 0, 3);
    const std::vector<int> a = Values(*b->GetAlphaChannel());
    v.insert(v.end(), a.begin(), a.end());
    return v;
  };
  const std::vector<int> one = run(1);
  for (int threads : {2, 3, 8}) EXPECT_EQ(run(threads), one) << threads;
}

TEST(AddSoftShadow, HalfTransparentPictureCastsNoShadow) {
  auto b = NewBitmap(vqMemoryBuffer, 20, 10, vqRGB24);
  bitmaptest::WritePattern(*b, 1);
  std::vector<int> before = Values(*b, 0, 3);
  b->GetAlphaChannel()->Fill(128);
  AddSoftShadow(b.get(), 0, 0, nullptr, 0, false, 2.0);
  EXPECT_EQ(Values(*b->GetAlphaChannel()), std::vector<int>(200, 128));
  EXPECT_EQ(Values(*b, 0, 3), before);
}

TEST(AddSoftShadow, OneBitShadowPixelsTurnBlack) {
  auto b = NewBitmap(vqMemoryBuffer, 16, 1, vqBits1);
  b->GetScanline(0)[0] = 0xFF;
  b->GetScanline(0)[1] = 0xFF;
  auto* alpha = b->GetAlphaChannel();
  for (int x = 8; x < 16; ++x) alpha->GetScanline(0)[x] = 0;
  AddSoftShadow(b.get(), 0, 0, nullptr, 0xFFFFFF, false, 1.0);
  // Columns 8..10 get alpha from the blur; column 11 only w4 = 9 of it,
  // (255 x 9 + 32768) >> 16 = 0, so it stays clear and white.
  EXPECT_EQ(b->GetScanline(0)[0], 0xFF);
  EXPECT_EQ(b->GetScanline(0)[1], 0x1F);
  // (255 x (w1 + .. + w4) + 32768) >> 16 = (255 x 19695 + 32768) >> 16.
  EXPECT_EQ(b->GetAlpha(8, 0), 77);
  EXPECT_EQ(b->GetAlpha(11, 0), 0);
}

std::vector<int> AlphaValues(TVQBitmap& b) { return Values(*b.GetAlphaChannel()); }

// rx = ry = 2 on 6 x 5: the top curve's points (0, 1), (1, 0), (2, 0),
// (2, 0) clear row 0 to column 2 from both sides and row 1 at column 0 and
// 5; the bottom curve's points (6, 4), (5, 5), (4, 5), (4, 5) lie outside.
TEST(RoundAlphaCorners, ClearsCornersAlongTheCurve) {
  auto b = NewBitmap(vqMemoryBuffer, 6, 5, vqRGB24);
  RoundAlphaCorners(b.get(), 2, 2);
  const std::vector<int> expected = {0,   0,   0,   0,   0,   0,    //
                                     0,   255, 255, 255, 255, 0,    //
                                     255, 255, 255, 255, 255, 255,  //
                                     255, 255, 255, 255, 255, 255,  //
                                     255, 255, 255, 255, 255, 255};
  EXPECT_EQ(AlphaValues(*b), expected);
  EXPECT_FALSE(b->GetAlphaChannel()->Full);
}

TEST(RoundAlphaCorners, CornersOfLargerPictures) {
  auto b = NewBitmap(vqMemoryBuffer, 100, 60, vqRGB24);
  RoundAlphaCorners(b.get(), 10, 10);
  EXPECT_EQ(b->GetAlpha(0, 0), 0);
  EXPECT_EQ(b->GetAlpha(99, 0), 0);
  EXPECT_EQ(b->GetAlpha(50, 30), 255);
  // t = 1/2 of the bottom curve: (95, 58.75) -> row 59 from column 95, and
  // the mirror up to column 4.
  EXPECT_EQ(b->GetAlpha(99, 59), 0);
  EXPECT_EQ(b->GetAlpha(95, 59), 0);
  EXPECT_EQ(b->GetAlpha(0, 59), 0);
  EXPECT_EQ(b->GetAlpha(4, 59), 0);
  EXPECT_EQ(b->GetAlpha(50, 59), 255);
  EXPECT_EQ(b->GetAlpha(50, 0), 255);

  auto narrow = NewBitmap(vqMemoryBuffer, 5, 200, vqRGB24);
  RoundAlphaCorners(narrow.get(), 10, 10);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(narrow->GetAlpha(x, 0), 0) << x;
  EXPECT_EQ(narrow->GetAlpha(2, 100), 255);
}

TEST(RoundAlphaCorners, ZeroRadiusOrEmptyPictureDoesNothing) {
  auto b = NewBitmap(vqMemoryBuffer, 6, 5, vqRGB24);
  RoundAlphaCorners(b.get(), 0, 4);
  EXPECT_FALSE(b->HasAlphaChannel());
  TVQBitmap empty;
  RoundAlphaCorners(&empty, 3, 3);
  EXPECT_FALSE(empty.HasAlphaChannel());
}

}  // namespace

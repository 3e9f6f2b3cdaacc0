#include <gtest/gtest.h>

#include "imaging/core/processing/pictoraproc_utils.h"

#include <cstring>

#include "platform/graphics/Bitmap.h"

namespace {

TEST(PixelUtils, CeilAndFloor) {
  const struct {
    double X;
    int Ceil, Floor;
  } cases[] = {{2.0, 2, 2}, {2.1, 3, 2}, {-2.5, -2, -3}, {2.9, 3, 2}, {-0.0, 0, 0}, {-3.0, -3, -3}};
  for (const auto& c : cases) {
    EXPECT_EQ(CeilInt(c.X), c.Ceil) << c.X;
    EXPECT_EQ(FloorInt(c.X), c.Floor) << c.X;
  }
}

TEST(PixelUtils, Clamping) {
  EXPECT_EQ(ClampInt(5, 10, 20), 10);
  EXPECT_EQ(ClampInt(25, 10, 20), 20);
  EXPECT_EQ(ClampInt(20, 10, 20), 20);
  EXPECT_EQ(ClampInt(15, 10, 20), 15);
  EXPECT_EQ(ClampByte(-3), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(77), 77);
  EXPECT_EQ(MinFloat(1, 1), 1);
  EXPECT_EQ(MaxFloat(-1, 2), 2);
  EXPECT_EQ(IMin(3, -3), -3);
  EXPECT_EQ(IMax(3, -3), 3);
}

TEST(PixelUtils, ColourEncodings) {
  EXPECT_EQ(RGBTripleToColor(0x112233), 0x332211u);
  EXPECT_EQ(RGBTripleToColor(0xFF112233), 0x332211u);
  EXPECT_EQ(RGBTripleToColor(RGBTripleToColor(0xABCDEF)), 0xABCDEFu);
  const TRGBPixel p = MakeRGB(1, 2, 3);
  EXPECT_EQ(p.r, 1);
  EXPECT_EQ(p.g, 2);
  EXPECT_EQ(p.b, 3);
  EXPECT_EQ(ColorToRGBTriple(clRed), (TRGBPixel{0, 0, 255}));
  EXPECT_EQ(ColorToRGBTriple(TColor(0x00804020)), (TRGBPixel{0x80, 0x40, 0x20}));
  EXPECT_EQ(ColorToRGBTriple(clBtnFace), ColorToRGBTriple(ColorToRGB(clBtnFace)));
  EXPECT_TRUE(SameRGB(0xAA123456, 0x00123456));
  EXPECT_FALSE(SameRGB(0x123456, 0x123457));
}

TEST(PixelUtils, GreyLevelUsesTheGlobalWeights) {
  EXPECT_EQ(RGBGrayLevel(0xFF0000), 53);
  EXPECT_EQ(RGBGrayLevel(0xFFFFFF), 255);
  const std::int32_t saved = GrayWeightRed;
  GrayWeightRed = 100;
  EXPECT_EQ(RGBGrayLevel(0xFF0000), 255);
  GrayWeightRed = saved;
}

TEST(PixelUtils, OrderAndSwaps) {
  int x1 = 9, y1 = 1, x2 = 3, y2 = 7;
  OrderRect(x1, y1, x2, y2);
  EXPECT_EQ(x1, 3);
  EXPECT_EQ(x2, 9);
  EXPECT_EQ(y1, 1);
  EXPECT_EQ(y2, 7);
  TRGBPixel row[2] = {{1, 2, 3}, {4, 5, 6}};
  SwapRB(row, 2);
  EXPECT_EQ(row[0], (TRGBPixel{3, 2, 1}));
  EXPECT_EQ(row[1], (TRGBPixel{6, 5, 4}));
  SwapPaletteRB(row, 1);
  EXPECT_EQ(row[0], (TRGBPixel{1, 2, 3}));
  TRGBPixel copy[2];
  CopySwapRB(copy, row, 2);
  EXPECT_EQ(copy[0], (TRGBPixel{3, 2, 1}));
  EXPECT_EQ(copy[1], (TRGBPixel{4, 5, 6}));
  EXPECT_EQ(row[1], (TRGBPixel{6, 5, 4}));
}

TEST(FilterPresets, HoldsTheNinePresetsInOrder) {
  BuildFilterPresets();
  const struct {
    const char* Name;
    std::int32_t V[9];
    std::int32_t Divisor;
  } want[] = {
      {"None", {0, 0, 0, 0, 1, 0, 0, 0, 0}, 0},
      {"Blur", {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},
      {"Edges", {1, 1, 1, 1, -8, 1, 1, 1, 1}, 1},
      {"Emboss", {-1, 0, 1, -1, 1, 1, -1, 0, 1}, 1},
      {"High Pass 1", {0, -1, 0, -1, 5, -1, 0, -1, 0}, 1},
      {"High Pass 2", {-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1},
      {"High Pass 3", {1, -2, 1, -2, 5, -2, 1, -2, 1}, 1},
      {"Low Pass 1", {1, 1, 1, 1, 1, 1, 1, 1, 1}, 10},
      {"Low Pass 2", {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16},
  };
  ASSERT_EQ(FilterPresets.size(), 9u);
  ASSERT_EQ(FilterPresetNames.size(), 9u);
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(FilterPresetNames[i], want[i].Name);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(FilterPresets[i].Values[k / 3][k % 3], want[i].V[k]) << want[i].Name;
    EXPECT_EQ(FilterPresets[i].Divisor, want[i].Divisor);
  }
  FilterPreset sharpen{{{0, -2, 0}, {-2, 11, -2}, {0, -2, 0}}, 3};
  AddFilterPreset(sharpen, "Sharpen");
  EXPECT_EQ(FilterPresetNames.back(), "Sharpen");
  EXPECT_EQ(FilterPresets.back().Values[1][1], 11);
  BuildFilterPresets();  // rebuilt, not appended twice
  EXPECT_EQ(FilterPresets.size(), 9u);
  FreeFilterPresets();
  EXPECT_TRUE(FilterPresets.empty());
  EXPECT_TRUE(FilterPresetNames.empty());
}

TEST(FrameworkBitmaps, CopyVclBitmapCopiesSizeFormatAndPixels) {
  TBitmap src(3, 2, pf24bit);
  for (int y = 0; y < 2; ++y) {
    auto* row = static_cast<Byte*>(src.ScanLine(y));
    for (int b = 0; b < 9; ++b) row[b] = static_cast<Byte>(10 * y + b);
  }
  TBitmap dst(7, 7, pf8bit);
  CopyVclBitmap(&src, &dst);
  EXPECT_EQ(dst.Width(), 3);
  EXPECT_EQ(dst.Height(), 2);
  EXPECT_EQ(dst.PixelFormat(), pf24bit);
  for (int y = 0; y < 2; ++y) EXPECT_EQ(std::memcmp(dst.ScanLine(y), src.ScanLine(y), 9), 0) << y;
  auto clone = CloneVclBitmap(&src);
  EXPECT_EQ(clone->Width(), 3);
  EXPECT_EQ(std::memcmp(clone->ScanLine(1), src.ScanLine(1), 9), 0);
}

TEST(FrameworkBitmaps, CopyVclBitmapKeepsTheColoursOfIndexedPixels) {
  TBitmap src(2, 1, pf8bit);
  std::vector<RGBQUAD> table(256);
  table[5].rgbRed = 200;
  table[6].rgbBlue = 99;
  src.SetColorTable(table);
  auto* row = static_cast<Byte*>(src.ScanLine(0));
  row[0] = 5;
  row[1] = 6;
  TBitmap dst;
  CopyVclBitmap(&src, &dst);
  ASSERT_EQ(dst.PixelFormat(), pf8bit);
  EXPECT_EQ(static_cast<Byte*>(dst.ScanLine(0))[0], 5);
  EXPECT_EQ(dst.ColorTable()[5].rgbRed, 200);
  EXPECT_EQ(dst.ColorTable()[6].rgbBlue, 99);
}

TEST(FrameworkBitmaps, CopyFromAnEmptyBitmapLeavesOneByOne) {
  TBitmap empty;
  empty.SetPixelFormat(pf24bit);
  TBitmap dst(5, 5, pf8bit);
  CopyVclBitmap(&empty, &dst);
  EXPECT_EQ(dst.Width(), 1);
  EXPECT_EQ(dst.Height(), 1);
  EXPECT_EQ(dst.PixelFormat(), pf24bit);
}

}  // namespace

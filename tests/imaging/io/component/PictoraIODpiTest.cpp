// Resolution adjustment on small pictures with hand-worked sizes and pixels.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"

namespace {

class IODpi : public ::testing::Test {
 protected:
  void SetUp() override { StartImagingLibrary(); }
  void TearDown() override { EndImagingLibrary(); }
};

// Rows of grey values, top first.
void FillGray(TVQBitmap& b, const std::vector<std::vector<int>>& rows) {
  b.Allocate(int(rows[0].size()), int(rows.size()), vqGray8);
  for (int y = 0; y < int(rows.size()); ++y)
    for (int x = 0; x < int(rows[0].size()); ++x) b.GetScanline(y)[x] = Byte(rows[y][x]);
}

struct TDpiCase {
  const char* name;
  int imageW, imageH, blockW, blockH, dpiX, dpiY;
  int newW, newH, newDpiX, newDpiY;
};

TEST_F(IODpi, TheShorterSideIsResampledToEqualResolutions) {
  const std::vector<TDpiCase> cases = {
      {"wide: the height", 4, 2, 4, 2, 200, 100, 4, 4, 200, 200},
      {"tall: the width", 2, 4, 2, 4, 100, 200, 4, 4, 200, 200},
      {"square block: the width", 3, 3, 3, 3, 100, 300, 9, 3, 300, 300},
      {"size from the block", 4, 2, 8, 4, 200, 100, 8, 8, 200, 200},
      {"truncated", 3, 2, 3, 2, 96, 72, 3, 2, 96, 96},
      {"equal resolutions", 4, 2, 4, 2, 150, 150, 4, 2, 150, 150},
      {"a resolution of 0", 4, 2, 4, 2, 0, 100, 4, 2, 0, 100},
      {"a block without size", 4, 2, 0, 0, 200, 100, 4, 2, 200, 100},
  };
  for (const TDpiCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPictoraIO io(nullptr);
    io.Image()->Allocate(c.imageW, c.imageH, vqRGB24);
    TIOParamsVals& p = *io.Parameters();
    p.Width = c.blockW;
    p.Height = c.blockH;
    p.SetDpiX(c.dpiX);
    p.SetDpiY(c.dpiY);
    p.ClearExif();
    io.AdjustDpi();
    EXPECT_EQ(io.Image()->GetWidth(), c.newW);
    EXPECT_EQ(io.Image()->GetHeight(), c.newH);
    EXPECT_EQ(p.DpiX(), c.newDpiX);
    EXPECT_EQ(p.DpiY(), c.newDpiY);
    // Written straight: the EXIF copies are not told.
    EXPECT_EQ(p.ExifXResolution, 0);
  }
}

TEST_F(IODpi, UnfilteredAdjustmentTakesTheNearestPixelInTheImagesFormat) {
  TPictoraIO io(nullptr);
  FillGray(*io.Image(), {{10, 20, 30, 40}, {50, 60, 70, 80}});
  TIOParamsVals& p = *io.Parameters();
  p.Width = 4;
  p.Height = 2;
  p.SetDpiX(200);
  p.SetDpiY(100);
  io.AdjustDpi();
  ASSERT_EQ(io.Image()->GetPixelFormat(), vqGray8);
  ASSERT_EQ(io.Image()->GetHeight(), 4);
  const std::vector<int> expected[] = {{10, 20, 30, 40}, {10, 20, 30, 40}, {50, 60, 70, 80}, {50, 60, 70, 80}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(io.Image()->GetScanline(y)[x], expected[y][std::size_t(x)]) << x << "," << y;
}

TEST_F(IODpi, APalettedImageKeepsItsPalette) {
  TPictoraIO io(nullptr);
  TVQBitmap& image = *io.Image();
  image.Allocate(2, 1, vqPalette8);
  image.SetPaletteColor(3, TRGBPixel{1, 2, 3});
  image.GetScanline(0)[0] = 3;
  TIOParamsVals& p = *io.Parameters();
  p.Width = 2;
  p.Height = 1;
  p.SetDpiX(300);
  p.SetDpiY(100);
  io.AdjustDpi();
  ASSERT_EQ(image.GetPixelFormat(), vqPalette8);
  ASSERT_EQ(image.GetHeight(), 3);
  EXPECT_EQ(image.GetScanline(2)[0], 3);
  EXPECT_EQ(image.GetPixelRGB(0, 2), (TRGBPixel{1, 2, 3}));
}

TEST_F(IODpi, FilteredAdjustmentGivesTwentyFourBitsAndTheAlphaStaysNearest) {
  TPictoraIO io(nullptr);
  io.FilteredAdjustDPI = true;
  FillGray(*io.Image(), {{90, 90}, {90, 90}});
  TVQBitmap* alpha = io.Image()->GetAlphaChannel();
  alpha->GetScanline(0)[0] = 0;
  alpha->GetScanline(0)[1] = 0;
  alpha->GetScanline(1)[0] = 255;
  alpha->GetScanline(1)[1] = 255;
  TIOParamsVals& p = *io.Parameters();
  p.Width = 2;
  p.Height = 2;
  p.SetDpiX(100);
  p.SetDpiY(200);
  io.AdjustDpi();
  ASSERT_EQ(io.Image()->GetPixelFormat(), vqRGB24);
  ASSERT_EQ(io.Image()->GetWidth(), 4);
  ASSERT_EQ(io.Image()->GetHeight(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_EQ(io.Image()->GetScanline(y)[x], 90);
  ASSERT_TRUE(io.Image()->HasAlphaChannel());
  TVQBitmap* a = io.Image()->GetAlphaChannel();
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(a->GetScanline(0)[x], 0);
    EXPECT_EQ(a->GetScanline(1)[x], 255);
  }
}

TEST_F(IODpi, AdjustBitmapDpiGivesANewBitmapAndTellsTheBlock) {
  TVQBitmap source;
  FillGray(source, {{1, 2}, {3, 4}, {5, 6}});
  TIOParamsVals p(nullptr);
  p.Width = 2;
  p.Height = 3;
  p.SetDpiX(150);
  p.SetDpiY(300);
  std::unique_ptr<TVQBitmap> result(AdjustBitmapDpi(&source, &p, false));
  ASSERT_NE(result.get(), &source);
  EXPECT_EQ(result->GetWidth(), 4);
  EXPECT_EQ(result->GetHeight(), 3);
  EXPECT_EQ(result->GetScanline(2)[1], 5);
  EXPECT_EQ(result->GetScanline(2)[2], 6);
  EXPECT_EQ(p.DpiX(), 300);
  EXPECT_EQ(p.ExifXResolution, 300);
  EXPECT_EQ(source.GetWidth(), 2);
  // Nothing to do: the bitmap itself comes back.
  EXPECT_EQ(AdjustBitmapDpi(&source, &p, true), &source);
}

}  // namespace

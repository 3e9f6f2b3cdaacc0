// The parameter block: every default, reset, metadata clearing, copies and
// the one-line description.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"

namespace {

class IOParams : public ::testing::Test {
 protected:
  // Other suites change the registry's rows; the descriptions come from a
  // fresh set.
  void SetUp() override {
    StartImagingLibrary();
    RegisterBuiltInFormats();
  }
  void TearDown() override {
    RegisterBuiltInFormats();
    EndImagingLibrary();
  }
};

struct TParamDefault {
  const char* name;
  std::function<double(const TIOParamsVals&)> get;
  double expected;
};

TEST_F(IOParams, AFreshBlockHoldsEveryDefault) {
  TPictoraIO io(nullptr);
  const TIOParamsVals& p = *io.Parameters();
  const std::vector<TParamDefault> table = {
      {"BitsPerSample", [](auto& b) { return b.BitsPerSample; }, 8},
      {"SamplesPerPixel", [](auto& b) { return b.SamplesPerPixel; }, 3},
      {"DpiX", [](auto& b) { return b.DpiX(); }, 300},
      {"DpiY", [](auto& b) { return b.DpiY(); }, 300},
      {"FileType", [](auto& b) { return b.FileType; }, 0},
      {"TiffCompression", [](auto& b) { return b.TiffCompression; }, 0},
      {"TiffPhotometric", [](auto& b) { return b.TiffPhotometric; }, 2},
      {"TiffPlanarConfig", [](auto& b) { return b.TiffPlanarConfig; }, 1},
      {"TiffOrientation", [](auto& b) { return b.TiffOrientation(); }, 1},
      {"ExifOrientation", [](auto& b) { return b.ExifOrientation(); }, 0},
      {"TiffJpegQuality", [](auto& b) { return b.TiffJpegQuality; }, 80},
      {"TiffJpegColorSpace", [](auto& b) { return b.TiffJpegColorSpace; }, 2},
      {"TiffApplyOrientation", [](auto& b) { return b.TiffApplyOrientation; }, 0},
      {"GifImageIndex", [](auto& b) { return b.GifImageIndex; }, 0},
      {"GifInterlaced", [](auto& b) { return b.GifInterlaced; }, 0},
      {"JpegColorSpace", [](auto& b) { return b.JpegColorSpace; }, 2},
      {"JpegQuality", [](auto& b) { return b.JpegQuality; }, 80},
      {"JpegDctMethod", [](auto& b) { return b.JpegDctMethod; }, 0},
      {"JpegScale", [](auto& b) { return b.JpegScale; }, 1},
      {"JpegScaleUsed", [](auto& b) { return b.JpegScaleUsed; }, 1},
      {"J2kColorSpace", [](auto& b) { return b.J2kColorSpace; }, 1},
      {"J2kRate", [](auto& b) { return b.J2kRate; }, 1.0},
      {"PcxVersion", [](auto& b) { return b.PcxVersion; }, 5},
      {"PcxCompression", [](auto& b) { return b.PcxCompression; }, 1},
      {"BmpVersion", [](auto& b) { return b.BmpVersion; }, 1},
      {"BmpCompression", [](auto& b) { return b.BmpCompression; }, 0},
      {"IcoBackground.r", [](auto& b) { return b.IcoBackground.r; }, 255},
      {"CurBackground.b", [](auto& b) { return b.CurBackground.b; }, 255},
      {"PngCompression", [](auto& b) { return b.PngCompression; }, 5},
      {"PngBackground.g", [](auto& b) { return b.PngBackground.g; }, 0},
      {"TgaCompressed", [](auto& b) { return b.TgaCompressed; }, 1},
      {"TgaAspectRatio", [](auto& b) { return b.TgaAspectRatio; }, 1.0},
      {"TgaGamma", [](auto& b) { return b.TgaGamma; }, 2.2},
      {"TgaDate", [](auto& b) { return b.TgaDate; }, IOToday()},
      {"ExifXResolution", [](auto& b) { return b.ExifXResolution; }, 0},
      {"PsPaperWidth", [](auto& b) { return b.PsPaperWidth; }, 595},
      {"PsPaperHeight", [](auto& b) { return b.PsPaperHeight; }, 842},
      {"PsCompression", [](auto& b) { return b.PsCompression; }, 1},
      {"PdfPaperWidth", [](auto& b) { return b.PdfPaperWidth; }, 595},
      {"PdfCompression", [](auto& b) { return b.PdfCompression; }, 2},
      {"ColorMapCount", [](auto& b) { return b.ColorMapCount(); }, 0},
      {"IcoSizes[0].Width", [](auto& b) { return b.IcoSizes[0].Width; }, 64},
      {"IcoSizes[0].Height", [](auto& b) { return b.IcoSizes[0].Height; }, 64},
      {"IcoSizes[1].Width", [](auto& b) { return b.IcoSizes[1].Width; }, 0},
      {"IcoBitCounts[0]", [](auto& b) { return b.IcoBitCounts[0]; }, 8},
      {"IcoBitCounts[1]", [](auto& b) { return b.IcoBitCounts[1]; }, 0},
      {"NativePixelFormat", [](auto& b) { return b.NativePixelFormat; }, 0},
  };
  for (const TParamDefault& row : table) EXPECT_DOUBLE_EQ(row.get(p), row.expected) << row.name;
  EXPECT_EQ(p.GifVersion, "GIF89a");
  EXPECT_EQ(p.PsTitle, "No Title");
  EXPECT_EQ(p.PdfTitle, "");
  EXPECT_EQ(p.Owner(), &io);
  EXPECT_EQ(p.ExifThumbnail, nullptr);
  EXPECT_EQ(p.GifLzwDecompress, DefGifLzwDecompress);
  EXPECT_EQ(p.TiffLzwCompress, DefTiffLzwCompress);
}

TEST_F(IOParams, ResetWithoutOwnerKeepsSizeAndResolution) {
  TIOParamsVals p(nullptr);
  EXPECT_EQ(p.DpiX(), 0);
  p.SetDpiX(72);
  p.SetDpiY(96);
  p.Width = 17;
  p.Height = 9;
  p.JpegQuality = 12;
  p.Reset();
  EXPECT_EQ(p.DpiX(), 72);
  EXPECT_EQ(p.DpiY(), 96);
  EXPECT_EQ(p.Width, 17);
  EXPECT_EQ(p.Height, 9);
  EXPECT_EQ(p.JpegQuality, 80);
  // The EXIF copies are cleared after the setters ran.
  EXPECT_EQ(p.ExifXResolution, 0);
}

TEST_F(IOParams, SettersKeepTheExifCopiesInStep) {
  TIOParamsVals p(nullptr);
  p.SetExifXResolution(299.9);
  EXPECT_EQ(p.DpiX(), 299);
  EXPECT_EQ(p.ExifXResolution, 299.0);
  p.SetDpiY(150);
  EXPECT_EQ(p.ExifYResolution, 150.0);
  p.SetExifOrientation(6);
  EXPECT_EQ(p.TiffOrientation(), 6);
  p.SetTiffOrientation(3);
  EXPECT_EQ(p.ExifOrientation(), 3);
  p.ClearExif();
  EXPECT_EQ(p.ExifOrientation(), 0);
  EXPECT_EQ(p.TiffOrientation(), 3);
  EXPECT_EQ(p.DpiY(), 150);
}

TEST_F(IOParams, ClearMetadataDropsWhatAFileBroughtAndKeepsWriteSettings) {
  TIOParamsVals p(nullptr);
  const Byte marker[3] = {1, 2, 3};
  p.JpegMarkers->AddMarker(0xE1, marker, 3);
  p.IptcInfo->AddItem(2, 5, marker, 3);
  p.GifComments->Add("hello");
  p.PxmComments->Add("# x");
  p.InputICC->LoadFromBuffer(marker, 3);
  p.TiffPageName = "page";
  p.TgaAuthor = "me";
  p.ExifPresent = true;
  p.ExifMake = "Cam";
  p.JpegQuality = 55;
  p.TgaCompressed = false;
  p.ClearMetadata();
  EXPECT_EQ(p.JpegMarkers->GetCount(), 0);
  EXPECT_EQ(p.IptcInfo->GetCount(), 0);
  EXPECT_EQ(p.GifComments->Count(), 0);
  EXPECT_EQ(p.PxmComments->Count(), 0);
  EXPECT_TRUE(p.InputICC->IsEmpty());
  EXPECT_EQ(p.TiffPageName, "");
  EXPECT_EQ(p.TgaAuthor, "");
  EXPECT_FALSE(p.ExifPresent);
  EXPECT_EQ(p.ExifMake, "");
  EXPECT_EQ(p.JpegQuality, 55);
  EXPECT_FALSE(p.TgaCompressed);
}

TEST_F(IOParams, AssignCopiesEverythingButOwnerNativeFormatAndWarnings) {
  TPictoraIO owner(nullptr);
  TIOParamsVals src(nullptr);
  const TRGBPixel palette[2] = {{1, 2, 3}, {4, 5, 6}};
  src.SetColorMap(palette, 2);
  src.SetDpiX(120);
  src.SetDpiY(60);
  src.SetTiffOrientation(5);
  src.JpegQuality = 33;
  src.TiffPageName = "p";
  src.NativePixelFormat = true;
  src.JpegWarningCount = 4;
  src.IcoSizes[2] = {32, 16};
  src.ExifWhitePoint[1] = 0.25;
  src.GifComments->Add("c");
  src.ExifThumbnail = std::make_unique<TVQBitmap>();
  src.ExifThumbnail->Allocate(3, 2, vqRGB24);
  TIOParamsVals& dst = *owner.Parameters();
  dst.JpegWarningCount = 1;
  dst.Assign(&src);
  EXPECT_EQ(dst.Owner(), &owner);
  EXPECT_FALSE(dst.NativePixelFormat);
  EXPECT_EQ(dst.JpegWarningCount, 1);
  EXPECT_EQ(dst.JpegQuality, 33);
  EXPECT_EQ(dst.TiffPageName, "p");
  EXPECT_EQ(dst.DpiX(), 120);
  EXPECT_EQ(dst.DpiY(), 60);
  EXPECT_EQ(dst.TiffOrientation(), 5);
  EXPECT_EQ(dst.ExifOrientation(), 5);
  EXPECT_EQ(dst.IcoSizes[2].Height, 16);
  EXPECT_EQ(dst.ExifWhitePoint[1], 0.25);
  EXPECT_EQ(dst.GifComments->Count(), 1);
  ASSERT_EQ(dst.ColorMapCount(), 2);
  EXPECT_NE(dst.ColorMap(), src.ColorMap());
  EXPECT_EQ(dst.ColorMap()[1], (TRGBPixel{4, 5, 6}));
  ASSERT_NE(dst.ExifThumbnail, nullptr);
  EXPECT_EQ(dst.ExifThumbnail->GetWidth(), 3);
  // A source without a palette or thumbnail: none and the own one stays.
  TIOParamsVals bare(nullptr);
  dst.Assign(&bare);
  EXPECT_EQ(dst.ColorMapCount(), 0);
  EXPECT_EQ(dst.ColorMap(), nullptr);
  ASSERT_NE(dst.ExifThumbnail, nullptr);
}

TEST_F(IOParams, AssignCompressionCopiesOnlyTheWriteSettings) {
  TIOParamsVals src(nullptr), dst(nullptr);
  src.JpegQuality = 20;
  src.PngCompression = 9;
  src.TgaGrayscale = true;
  src.SetTiffOrientation(8);
  src.TiffPageName = "other";
  src.Width = 500;
  dst.AssignCompression(&src);
  EXPECT_EQ(dst.JpegQuality, 20);
  EXPECT_EQ(dst.PngCompression, 9);
  EXPECT_TRUE(dst.TgaGrayscale);
  EXPECT_EQ(dst.TiffOrientation(), 8);
  EXPECT_EQ(dst.TiffPageName, "");
  EXPECT_EQ(dst.Width, 0);
}

struct TInfoCase {
  int type;
  std::function<void(TIOParamsVals&)> set;
  const char* text;
};

TEST_F(IOParams, ParamsInfoTextNamesTheFormatAndItsSettings) {
  const std::vector<TInfoCase> cases = {
      {ioJPEG, [](auto& p) { p.JpegColorSpace = 2; }, "JPEG Bitmap (JPG) YCbCr"},
      {ioJPEG, [](auto& p) { p.JpegColorSpace = 0; }, "JPEG Bitmap (JPG)"},
      {ioBMP, [](auto& p) { p.BmpVersion = 1; }, "Windows Bitmap (BMP) ver.3"},
      {ioTIFF, [](auto& p) { p.TiffCompression = 5; }, "TIFF Bitmap (TIF) LZW"},
      {ioTIFF, [](auto& p) { p.TiffCompression = 9; }, "TIFF Bitmap (TIF)"},
      {ioTGA, [](auto& p) { p.TgaCompressed = false; }, "Targa Bitmap (TGA) Uncompressed"},
      {ioPCX, [](auto& p) { p.PcxCompression = false; }, "PaintBrush (PCX) Uncompressed"},
      {ioJ2K, [](auto& p) { p.J2kColorSpace = 0; }, "JPEG2000 Code Stream (J2K) Gray level"},
      {ioGIF, [](auto& p) { p.GifInterlaced = true; }, "CompuServe Bitmap (GIF) Interlaced"},
      {ioAVI, [](auto&) {}, ""},
      {ioUnknown, [](auto&) {}, ""},
  };
  for (const TInfoCase& c : cases) {
    TIOParamsVals p(nullptr);
    p.FileType = c.type;
    c.set(p);
    EXPECT_EQ(ParamsInfoText(&p), c.text) << c.type;
  }
}

}  // namespace

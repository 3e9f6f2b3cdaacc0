// The EXIF block: built by the TIFF writer, read by the TIFF reader, in
// TIFF files and in the JPEG metadata steps of the I/O component.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "platform/rtl/Streams.h"

namespace {

void ExifTestFill(TIOParamsVals& p) {
  p.ExifPresent = true;
  p.ExifImageDescription = "a view";
  p.ExifMake = "Maker";
  p.ExifModel = "M1";
  p.SetTiffOrientation(6);
  p.ExifXResolution = 72;
  p.ExifYResolution = 96;
  p.ExifSoftware = "soft";
  p.ExifDateTime = "2026:12:11 10:00:00";
  p.ExifWhitePoint[0] = 0.3127, p.ExifWhitePoint[1] = 0.329;
  for (int i = 0; i < 6; ++i) p.ExifPrimaryChromaticities[i] = 0.1 * (i + 1);
  p.ExifYCbCrCoefficients[0] = 0.299, p.ExifYCbCrCoefficients[1] = 0.587, p.ExifYCbCrCoefficients[2] = 0.114;
  p.ExifYCbCrPositioning = 2;
  for (int i = 0; i < 6; ++i) p.ExifReferenceBlackWhite[i] = i * 40;
  p.ExifCopyright = "(c) someone";
  p.ExifExposureTime = 0.004;
  p.ExifFNumber = 2.8;
  p.ExifExposureProgram = 2;
  p.ExifISOSpeedRatings[0] = 200, p.ExifISOSpeedRatings[1] = 400;
  p.ExifVersion = "0221";
  p.ExifDateTimeOriginal = "2026:12:10 09:00:00";
  p.ExifDateTimeDigitized = "2026:12:10 09:00:01";
  p.ExifCompressedBitsPerPixel = 4;
  p.ExifShutterSpeedValue = -2.5;
  p.ExifApertureValue = 2.97;
  p.ExifBrightnessValue = -1.25;
  p.ExifExposureBiasValue = -0.7;
  p.ExifMaxApertureValue = 2.8;
  p.ExifSubjectDistance = 3.5;
  p.ExifMeteringMode = 5;
  p.ExifLightSource = 1;
  p.ExifFlash = 16;
  p.ExifFocalLength = 35;
  p.ExifSubsecTime = "42";
  p.ExifSubsecTimeOriginal = "7";
  p.ExifSubsecTimeDigitized = "123";
  p.ExifFlashPixVersion = "0100";
  p.ExifColorSpace = 1;
  p.ExifPixelXDimension = 640;
  p.ExifPixelYDimension = 480;
  p.ExifRelatedSoundFile = "SND00001.WAV";
  p.ExifFocalPlaneXResolution = 2000;
  p.ExifFocalPlaneYResolution = 2000.5;
  p.ExifFocalPlaneResolutionUnit = 2;
  p.ExifExposureIndex = 100;
  p.ExifSensingMethod = 2;
  p.ExifFileSource = 3;
  p.ExifSceneType = 1;
  p.ExifUserCommentCode = std::string("ASCII\0\0\0", 8).substr(0, 5) + "   ";
  p.ExifUserComment = "hello";
}

void ExifTestCompare(const TIOParamsVals& a, const TIOParamsVals& b) {
  EXPECT_EQ(b.ExifImageDescription, a.ExifImageDescription);
  EXPECT_EQ(b.ExifMake, a.ExifMake);
  EXPECT_EQ(b.ExifModel, a.ExifModel);
  EXPECT_EQ(b.ExifOrientation(), a.TiffOrientation());
  EXPECT_EQ(b.ExifXResolution, a.ExifXResolution);
  EXPECT_EQ(b.DpiY(), int(a.ExifYResolution));
  EXPECT_EQ(b.ExifSoftware, a.ExifSoftware);
  EXPECT_EQ(b.ExifDateTime, a.ExifDateTime);
  for (int i = 0; i < 2; ++i) EXPECT_NEAR(b.ExifWhitePoint[i], a.ExifWhitePoint[i], 1e-6);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(b.ExifPrimaryChromaticities[i], a.ExifPrimaryChromaticities[i], 1e-6);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(b.ExifYCbCrCoefficients[i], a.ExifYCbCrCoefficients[i], 1e-6);
  EXPECT_EQ(b.ExifYCbCrPositioning, a.ExifYCbCrPositioning);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(b.ExifReferenceBlackWhite[i], a.ExifReferenceBlackWhite[i], 1e-6);
  EXPECT_EQ(b.ExifCopyright, a.ExifCopyright);
  const double doubles[][2] = {{a.ExifExposureTime, b.ExifExposureTime},
                               {a.ExifFNumber, b.ExifFNumber},
                               {a.ExifCompressedBitsPerPixel, b.ExifCompressedBitsPerPixel},
                               {a.ExifShutterSpeedValue, b.ExifShutterSpeedValue},
                               {a.ExifApertureValue, b.ExifApertureValue},
                               {a.ExifBrightnessValue, b.ExifBrightnessValue},
                               {a.ExifExposureBiasValue, b.ExifExposureBiasValue},
                               {a.ExifMaxApertureValue, b.ExifMaxApertureValue},
                               {a.ExifSubjectDistance, b.ExifSubjectDistance},
                               {a.ExifFocalLength, b.ExifFocalLength},
                               {a.ExifFocalPlaneXResolution, b.ExifFocalPlaneXResolution},
                               {a.ExifFocalPlaneYResolution, b.ExifFocalPlaneYResolution},
                               {a.ExifExposureIndex, b.ExifExposureIndex}};
  for (const auto& d : doubles) EXPECT_NEAR(d[1], d[0], 1e-6);
  const int ints[][2] = {{a.ExifExposureProgram, b.ExifExposureProgram},
                         {a.ExifISOSpeedRatings[0], b.ExifISOSpeedRatings[0]},
                         {a.ExifISOSpeedRatings[1], b.ExifISOSpeedRatings[1]},
                         {a.ExifMeteringMode, b.ExifMeteringMode},
                         {a.ExifLightSource, b.ExifLightSource},
                         {a.ExifFlash, b.ExifFlash},
                         {a.ExifColorSpace, b.ExifColorSpace},
                         {a.ExifPixelXDimension, b.ExifPixelXDimension},
                         {a.ExifPixelYDimension, b.ExifPixelYDimension},
                         {a.ExifFocalPlaneResolutionUnit, b.ExifFocalPlaneResolutionUnit},
                         {a.ExifSensingMethod, b.ExifSensingMethod},
                         {a.ExifFileSource, b.ExifFileSource},
                         {a.ExifSceneType, b.ExifSceneType}};
  for (const auto& i : ints) EXPECT_EQ(i[1], i[0]);
  EXPECT_EQ(b.ExifVersion, a.ExifVersion);
  EXPECT_EQ(b.ExifFlashPixVersion, a.ExifFlashPixVersion);
  EXPECT_EQ(b.ExifDateTimeOriginal, a.ExifDateTimeOriginal);
  EXPECT_EQ(b.ExifDateTimeDigitized, a.ExifDateTimeDigitized);
  EXPECT_EQ(b.ExifSubsecTime, a.ExifSubsecTime);
  EXPECT_EQ(b.ExifSubsecTimeOriginal, a.ExifSubsecTimeOriginal);
  EXPECT_EQ(b.ExifSubsecTimeDigitized, a.ExifSubsecTimeDigitized);
  EXPECT_EQ(b.ExifRelatedSoundFile, a.ExifRelatedSoundFile);
  EXPECT_EQ(b.ExifUserCommentCode, a.ExifUserCommentCode);
  EXPECT_EQ(b.ExifUserComment, a.ExifUserComment);
}

TEST(ExifBlock, BuiltBlockReadsBackEveryField) {
  TIOParamsVals a(nullptr);
  ExifTestFill(a);
  Byte* block = nullptr;
  int length = 0;
  BuildExifBlock(&a, block, length);
  ASSERT_GT(length, 6);
  EXPECT_EQ(std::memcmp(block, "Exif\0\0", 6), 0);
  EXPECT_EQ(std::memcmp(block + 6, "II*\0", 4), 0);
  TIOParamsVals b(nullptr);
  EXPECT_EQ(ReadExifBlock(block, length, &b), 1);
  delete[] block;
  EXPECT_TRUE(b.ExifPresent);
  EXPECT_EQ(b.TiffOrientation(), 6);
  EXPECT_EQ(b.DpiX(), 72);
  ExifTestCompare(a, b);
}

TEST(ExifBlock, AnythingButExifIsRefusedUnchanged) {
  const Byte jfif[] = {'J', 'F', 'I', 'F', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  TIOParamsVals p(nullptr);
  p.ExifMake = "kept";
  EXPECT_EQ(ReadExifBlock(jfif, sizeof jfif, &p), 0);
  EXPECT_EQ(ReadExifBlock(jfif, 3, &p), 0);
  EXPECT_EQ(p.ExifMake, "kept");
  EXPECT_FALSE(p.ExifPresent);
  // A damaged TIFF after the signature still counts as an EXIF block.
  const Byte broken[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0};
  EXPECT_EQ(ReadExifBlock(broken, sizeof broken, &p), 1);
  EXPECT_FALSE(p.ExifThumbnail);
}

TEST(ExifBlock, TiffFileWithExifKeepsTheFieldsAndTheImage) {
  TIOParamsVals a(nullptr);
  ExifTestFill(a);
  TVQBitmap img;
  img.Allocate(9, 4, vqRGB24);
  for (int y = 0; y < 4; ++y)
    for (int i = 0; i < 27; ++i) img.GetScanline(y)[i] = Byte(i * 9 + y);
  TMemoryStream s;
  TVQProgressRec pr;
  bool abort = false;
  pr.Aborting = &abort;
  SaveTiffImage(s, false, &img, pr, a);
  ASSERT_FALSE(abort);
  s.Seek(0, soBeginning);
  TIOParamsVals b(nullptr);
  TVQBitmap back;
  std::unique_ptr<TVQMask> mask;
  int count = 0;
  LoadTiffImage(&back, s, count, false, true, true, mask, false, pr, &b);
  ASSERT_FALSE(abort);
  EXPECT_TRUE(b.ExifPresent);
  EXPECT_EQ(b.TiffImageDescription, a.ExifImageDescription);
  EXPECT_EQ(b.ExifSubsecTime, "42");
  EXPECT_NEAR(b.ExifExposureBiasValue, -0.7, 1e-6);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(std::memcmp(back.GetScanline(y), img.GetScanline(y), 27), 0);
}

// A stand-in JPEG reader that leaves a JFIF density and an APP1 marker.
std::vector<Byte> gExifTestApp1;
int gExifTestDensity = 1;

void ExifTestJpegLoad(TStream&, TVQBitmap* image, TIOParamsVals* p, TVQFilterLoadArgs&, TVQProgressRec&) {
  if (image) image->Allocate(2, 2, vqRGB24);
  p->SetDpiX(gExifTestDensity);
  p->SetDpiY(gExifTestDensity);
  if (!gExifTestApp1.empty()) p->JpegMarkers->AddMarker(225, gExifTestApp1.data(), int(gExifTestApp1.size()));
}

std::vector<Byte> gExifTestSavedApp1;
void ExifTestJpegSave(TStream&, TVQBitmap*, TIOParamsVals* p, TVQFilterSaveArgs&, TVQProgressRec&) {
  const int i = p->JpegMarkers->IndexOf(225);
  gExifTestSavedApp1.clear();
  if (i >= 0)
    gExifTestSavedApp1.assign(p->JpegMarkers->GetMarkerData(i), p->JpegMarkers->GetMarkerData(i) + p->JpegMarkers->GetMarkerLength(i));
}

TEST(ExifBlock, JpegLoadTakesTheExifResolutionOnlyForADensityOfOne) {
  StartImagingLibrary();
  const TVQBuiltInFilter saved = BuiltInFilter(ioJPEG);
  SetBuiltInFilter(ioJPEG, ExifTestJpegLoad, ExifTestJpegSave);
  TIOParamsVals src(nullptr);
  src.ExifPresent = true;
  src.ExifXResolution = 72;
  src.ExifYResolution = 72;
  Byte* block = nullptr;
  int length = 0;
  BuildExifBlock(&src, block, length);
  struct Case {
    bool exif;
    int density, want;
  } cases[] = {{true, 1, 72}, {false, 1, kIODefaultDpi}, {true, 150, 150}};
  const Byte jpeg[16] = {0xFF, 0xD8, 0xFF};
  for (const Case& c : cases) {
    gExifTestApp1 = c.exif ? std::vector<Byte>(block, block + length) : std::vector<Byte>();
    gExifTestDensity = c.density;
    TPictoraIO io(nullptr);
    io.LoadFromBuffer(jpeg, sizeof jpeg, ioJPEG);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Parameters()->DpiX(), c.want) << c.exif << " " << c.density;
    EXPECT_EQ(io.Parameters()->ExifPresent, c.exif);
    if (c.exif) {
      // A save writes the EXIF block back as the APP1 marker.
      TMemoryStream out;
      io.SaveToStreamFormat(&out, ioJPEG);
      ASSERT_GT(gExifTestSavedApp1.size(), 6u);
      TIOParamsVals back(nullptr);
      EXPECT_EQ(ReadExifBlock(gExifTestSavedApp1.data(), int(gExifTestSavedApp1.size()), &back), 1);
      EXPECT_EQ(back.ExifXResolution, 72);
    }
  }
  delete[] block;
  SetBuiltInFilter(ioJPEG, saved.Load, saved.Save);
  EndImagingLibrary();
}

}  // namespace

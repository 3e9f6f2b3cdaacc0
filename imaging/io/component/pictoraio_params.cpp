#include "imaging/io/component/pictoraio_params.h"

#include <cstring>
#include <ctime>

#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/SysUtils.h"

double IOToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // Days from 1899-12-30 to the civil date (proleptic Gregorian).
  int y = local.tm_year + 1900, m = local.tm_mon + 1, d = local.tm_mday;
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days1970 = long(era) * 146097 + doe - 719468;
  return double(days1970 + 25569);
}

TIOParamsVals::TIOParamsVals(TPictoraIO* Owner)
    : GifComments(std::make_unique<TStringList>()),
      JpegMarkers(std::make_unique<TVQMarkerList>()),
      IptcInfo(std::make_unique<TVQIPTCInfoList>()),
      ImagingAnnot(std::make_unique<TVQImagingAnnot>()),
      PxmComments(std::make_unique<TStringList>()),
      InputICC(std::make_unique<TVQICC>()),
      TargetICC(std::make_unique<TVQICC>()),
      owner_(Owner) {
  Reset();
}

TIOParamsVals::~TIOParamsVals() = default;

void TIOParamsVals::SetColorMap(const TRGBPixel* colors, int count) {
  colorMap_.reset();
  colorMapCount_ = 0;
  if (!colors || count <= 0) return;
  colorMap_ = std::make_unique<TRGBPixel[]>(std::size_t(count));
  std::memcpy(static_cast<void*>(colorMap_.get()), colors, std::size_t(count) * sizeof(TRGBPixel));
  colorMapCount_ = count;
}

void TIOParamsVals::SetDpiX(int Value) {
  dpiX_ = Value;
  ExifXResolution = Value;
  if (owner_) owner_->ViewResolutionChanged(dpiX_, dpiY_);
}

void TIOParamsVals::SetDpiY(int Value) {
  dpiY_ = Value;
  ExifYResolution = Value;
  if (owner_) owner_->ViewResolutionChanged(dpiX_, dpiY_);
}

void TIOParamsVals::Reset() {
  SetColorMap(nullptr, 0);
  // A fresh set of values carries every plain default; the few a reset
  // keeps or takes elsewhere are put back below.
  const std::int32_t width = Width, height = Height;
  static_cast<TIOParamsValues&>(*this) = TIOParamsValues();
  Width = width;
  Height = height;
  if (owner_) {
    if (TBitmap* bitmap = owner_->GetFrameworkBitmap()) {
      Width = bitmap->Width();
      Height = bitmap->Height();
    }
    SetDpiX(kIODefaultDpi);
    SetDpiY(kIODefaultDpi);
  }
  GifLzwDecompress = DefGifLzwDecompress;
  GifLzwCompress = DefGifLzwCompress;
  GifComments->Clear();
  SetTiffOrientation(1);
  TiffLzwDecompress = DefTiffLzwDecompress;
  TiffLzwCompress = DefTiffLzwCompress;
  JpegMarkers->Clear();
  IcoSizes[0] = {64, 64};
  IcoBitCounts[0] = 8;
  TgaDate = IOToday();
  IptcInfo->Clear();
  PxmComments->Clear();
  ClearExif();
  ImagingAnnot->Clear();
  InputICC->Clear();
  TargetICC->Reset();
}

void TIOParamsVals::ClearMetadata() {
  IptcInfo->Clear();
  ImagingAnnot->Clear();
  JpegMarkers->Clear();
  ClearExif();
  GifComments->Clear();
  TiffDocumentName.clear();
  TiffImageDescription.clear();
  TiffPageName.clear();
  TgaImageId.clear();
  TgaAuthor.clear();
  TgaJobName.clear();
  PxmComments->Clear();
  InputICC->Clear();
}

void TIOParamsVals::ClearExif() {
  const TIOParamsValues fresh;
  ExifPresent = false;
  ExifThumbnail.reset();
  ExifImageDescription = fresh.ExifImageDescription;
  ExifMake = fresh.ExifMake;
  ExifModel = fresh.ExifModel;
  exifOrientation_ = 0;
  ExifXResolution = 0;
  ExifYResolution = 0;
  ExifResolutionUnit = 0;
  ExifSoftware.clear();
  ExifDateTime.clear();
  std::memset(ExifWhitePoint, 0, sizeof ExifWhitePoint);
  std::memset(ExifPrimaryChromaticities, 0, sizeof ExifPrimaryChromaticities);
  std::memset(ExifYCbCrCoefficients, 0, sizeof ExifYCbCrCoefficients);
  ExifYCbCrPositioning = 0;
  std::memset(ExifReferenceBlackWhite, 0, sizeof ExifReferenceBlackWhite);
  ExifCopyright.clear();
  ExifExposureTime = ExifFNumber = 0;
  ExifExposureProgram = 0;
  ExifISOSpeedRatings[0] = ExifISOSpeedRatings[1] = 0;
  ExifVersion.clear();
  ExifDateTimeOriginal.clear();
  ExifDateTimeDigitized.clear();
  ExifCompressedBitsPerPixel = ExifShutterSpeedValue = ExifApertureValue = 0;
  ExifBrightnessValue = ExifExposureBiasValue = ExifMaxApertureValue = ExifSubjectDistance = 0;
  ExifMeteringMode = ExifLightSource = ExifFlash = 0;
  ExifFocalLength = 0;
  ExifSubsecTime.clear();
  ExifSubsecTimeOriginal.clear();
  ExifSubsecTimeDigitized.clear();
  ExifFlashPixVersion.clear();
  ExifColorSpace = ExifPixelXDimension = ExifPixelYDimension = 0;
  ExifRelatedSoundFile.clear();
  ExifFocalPlaneXResolution = ExifFocalPlaneYResolution = 0;
  ExifFocalPlaneResolutionUnit = 0;
  ExifExposureIndex = 0;
  ExifSensingMethod = ExifFileSource = ExifSceneType = 0;
  ExifUserComment.clear();
  ExifUserCommentCode.clear();
}

void TIOParamsVals::Assign(const TIOParamsVals* Source) {
  if (!Source || Source == this) return;
  const bool native = NativePixelFormat;
  const std::int32_t warnings = JpegWarningCount, lastWarning = JpegLastWarning;
  SetColorMap(Source->ColorMap(), Source->ColorMapCount());
  SetDpiX(Source->DpiX());
  SetDpiY(Source->DpiY());
  SetTiffOrientation(Source->TiffOrientation());
  static_cast<TIOParamsValues&>(*this) = static_cast<const TIOParamsValues&>(*Source);
  NativePixelFormat = native;
  JpegWarningCount = warnings;
  JpegLastWarning = lastWarning;
  GifComments->Assign(Source->GifComments.get());
  PxmComments->Assign(Source->PxmComments.get());
  JpegMarkers->Assign(Source->JpegMarkers.get());
  IptcInfo->Assign(Source->IptcInfo.get());
  ImagingAnnot->Assign(Source->ImagingAnnot.get());
  InputICC->Assign(Source->InputICC.get());
  TargetICC->Assign(Source->TargetICC.get());
  if (Source->ExifThumbnail) {
    if (!ExifThumbnail) ExifThumbnail = std::make_unique<TVQBitmap>();
    ExifThumbnail->Assign(Source->ExifThumbnail.get());
  }
}

void TIOParamsVals::AssignCompression(const TIOParamsVals* Source) {
  if (!Source || Source == this) return;
  const TIOParamsVals& s = *Source;
  BitsPerSample = s.BitsPerSample;
  SamplesPerPixel = s.SamplesPerPixel;
  TiffCompression = s.TiffCompression;
  TiffPhotometric = s.TiffPhotometric;
  TiffPlanarConfig = s.TiffPlanarConfig;
  SetTiffOrientation(s.TiffOrientation());
  TiffLzwDecompress = s.TiffLzwDecompress;
  TiffLzwCompress = s.TiffLzwCompress;
  TiffApplyOrientation = s.TiffApplyOrientation;
  TiffJpegQuality = s.TiffJpegQuality;
  TiffJpegColorSpace = s.TiffJpegColorSpace;
  GifInterlaced = s.GifInterlaced;
  GifLzwDecompress = s.GifLzwDecompress;
  GifLzwCompress = s.GifLzwCompress;
  JpegColorSpace = s.JpegColorSpace;
  JpegQuality = s.JpegQuality;
  JpegDctMethod = s.JpegDctMethod;
  JpegOptimalHuffman = s.JpegOptimalHuffman;
  JpegSmoothing = s.JpegSmoothing;
  JpegProgressive = s.JpegProgressive;
  J2kColorSpace = s.J2kColorSpace;
  J2kRate = s.J2kRate;
  J2kProgression = s.J2kProgression;
  PcxVersion = s.PcxVersion;
  PcxCompression = s.PcxCompression;
  BmpVersion = s.BmpVersion;
  BmpCompression = s.BmpCompression;
  PngInterlaced = s.PngInterlaced;
  PngFilter = s.PngFilter;
  PngCompression = s.PngCompression;
  TgaCompressed = s.TgaCompressed;
  TgaGrayscale = s.TgaGrayscale;
}

namespace {

const char* ParamsInfoWords(const TIOParamsVals& p) {
  static const char* const kTiff[] = {" Uncompressed", " Huffman", " Group 3 Fax", " Group 3 Fax 2D", " Group 4 Fax",
                                      " LZW",          " Jpeg v.5", " Jpeg",        " PackBits RLE"};
  static const char* const kJpeg[] = {"", " Gray level", " YCbCr", " CMYK", " YCbCrK"};
  static const char* const kBmp[] = {" ver.1", " ver.3", " OS/2 v.1", " OS/2 v.2"};
  static const char* const kJ2k[] = {" Gray level", " RGB", " YCbCr"};
  switch (p.FileType) {
    case ioTIFF:
      return p.TiffCompression < 9 ? kTiff[p.TiffCompression] : "";
    case ioGIF:
      return p.GifInterlaced ? " Interlaced" : "";
    case ioJPEG:
      return p.JpegColorSpace < 5 ? kJpeg[p.JpegColorSpace] : "";
    case ioPCX:
      return p.PcxCompression ? "" : " Uncompressed";
    case ioBMP:
      return p.BmpVersion < 4 ? kBmp[p.BmpVersion] : "";
    case ioPNG:
      return p.PngInterlaced ? " Interlaced" : "";
    case ioTGA:
      return p.TgaCompressed ? " Compressed" : " Uncompressed";
    case ioJP2:
    case ioJ2K:
      return p.J2kColorSpace < 3 ? kJ2k[p.J2kColorSpace] : "";
    default:
      return "";
  }
}

}  // namespace

std::string ParamsInfoText(const TIOParamsVals* Params) {
  if (!Params) return "";
  TVQFormatInfo* row = FormatInfoByType(Params->FileType);
  if (!row) return "";
  return row->Description + " (" + UpperCase(FormatExtension(Params->FileType, 0)) + ")" + ParamsInfoWords(*Params);
}

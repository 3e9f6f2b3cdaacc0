// TIOParamsVals: the parameter block that travels with every load and save.
// Readers fill it with what they find in a file, writers take from it the
// options of the file they produce. Fields are plain public members; the
// resolutions and the orientation go through their setters, which keep the
// EXIF copies (and the owner's view) in step.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"

class TPictoraIO;
class TVQBitmap;
class TVQMarkerList;
class TVQIPTCInfoList;
class TVQImagingAnnot;
class TVQICC;

// The library's default resolution in dots per inch.
constexpr int kIODefaultDpi = 300;

// Days since 1899-12-30 of the local date today (time of day 0).
double IOToday();

// The block's plain values, copied as a whole by Assign.
struct TIOParamsValues {
  std::int32_t BitsPerSample = 8;
  std::string FileName;
  std::int32_t SamplesPerPixel = 3;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t FileType = 0;
  Byte TiffCompression = 0;
  std::int32_t TiffImageIndex = 0;
  Byte TiffPhotometric = 2;
  std::int32_t TiffPlanarConfig = 1;
  std::int32_t TiffXPos = 0;
  std::int32_t TiffYPos = 0;
  std::string TiffDocumentName;
  std::string TiffImageDescription;
  std::string TiffPageName;
  std::int32_t TiffPageNumber = 0;
  std::int32_t TiffPageCount = 0;
  TVQTiffLzwDecompressFunc TiffLzwDecompress = nullptr;
  TVQTiffLzwCompressProc TiffLzwCompress = nullptr;
  bool TiffApplyOrientation = false;
  std::int32_t TiffJpegQuality = 80;
  Byte TiffJpegColorSpace = 2;
  std::int32_t DcxImageIndex = 0;
  std::string GifVersion = "GIF89a";
  std::int32_t GifImageIndex = 0;
  std::int32_t GifXPos = 0;
  std::int32_t GifYPos = 0;
  std::int32_t GifDelayTime = 0;
  bool GifHasTransparency = false;
  TRGBPixel GifTransparentColor;
  bool GifInterlaced = false;
  std::int32_t GifWinWidth = 0;
  std::int32_t GifWinHeight = 0;
  TRGBPixel GifBackground;
  std::int32_t GifAspectRatio = 0;
  Byte GifDisposalMethod = 0;
  TVQGifLzwDecompressProc GifLzwDecompress = nullptr;
  TVQGifLzwCompressProc GifLzwCompress = nullptr;
  Byte JpegColorSpace = 2;
  std::int32_t JpegQuality = 80;
  Byte JpegDctMethod = 0;
  bool JpegOptimalHuffman = false;
  std::int32_t JpegSmoothing = 0;
  bool JpegProgressive = false;
  Byte JpegScale = 1;
  std::int32_t JpegScaleUsed = 1;
  std::int32_t JpegWarningCount = 0;
  std::int32_t JpegLastWarning = 0;
  std::int32_t JpegOriginalWidth = 0;
  std::int32_t JpegOriginalHeight = 0;
  Byte J2kColorSpace = 1;
  double J2kRate = 1.0;
  Byte J2kProgression = 0;
  std::int32_t PcxVersion = 5;
  bool PcxCompression = true;
  Byte BmpVersion = 1;
  Byte BmpCompression = 0;
  std::int32_t IcoImageIndex = 0;
  TRGBPixel IcoBackground{255, 255, 255};
  std::int32_t CurImageIndex = 0;
  std::int32_t CurHotSpotX = 0;
  std::int32_t CurHotSpotY = 0;
  TRGBPixel CurBackground{255, 255, 255};
  bool PngInterlaced = false;
  TRGBPixel PngBackground;
  Byte PngFilter = 0;
  std::int32_t PngCompression = 5;
  std::int32_t TgaXPos = 0;
  std::int32_t TgaYPos = 0;
  bool TgaCompressed = true;
  std::string TgaImageId;
  std::string TgaAuthor;
  double TgaDate = 0;
  std::string TgaJobName;
  TRGBPixel TgaBackground;
  double TgaAspectRatio = 1.0;
  double TgaGamma = 2.2;
  bool TgaGrayscale = false;
  bool ExifPresent = false;
  std::string ExifImageDescription;
  std::string ExifMake;
  std::string ExifModel;
  double ExifXResolution = 0;
  double ExifYResolution = 0;
  std::int32_t ExifResolutionUnit = 0;
  std::string ExifSoftware;
  std::string ExifDateTime;
  double ExifWhitePoint[2] = {};
  double ExifPrimaryChromaticities[6] = {};
  double ExifYCbCrCoefficients[3] = {};
  std::int32_t ExifYCbCrPositioning = 0;
  double ExifReferenceBlackWhite[6] = {};
  std::string ExifCopyright;
  double ExifExposureTime = 0;
  double ExifFNumber = 0;
  std::int32_t ExifExposureProgram = 0;
  std::int32_t ExifISOSpeedRatings[2] = {};
  std::string ExifVersion;
  std::string ExifDateTimeOriginal;
  std::string ExifDateTimeDigitized;
  double ExifCompressedBitsPerPixel = 0;
  double ExifShutterSpeedValue = 0;
  double ExifApertureValue = 0;
  double ExifBrightnessValue = 0;
  double ExifExposureBiasValue = 0;
  double ExifMaxApertureValue = 0;
  double ExifSubjectDistance = 0;
  std::int32_t ExifMeteringMode = 0;
  std::int32_t ExifLightSource = 0;
  std::int32_t ExifFlash = 0;
  double ExifFocalLength = 0;
  std::string ExifSubsecTime;
  std::string ExifSubsecTimeOriginal;
  std::string ExifSubsecTimeDigitized;
  std::string ExifFlashPixVersion;
  std::int32_t ExifColorSpace = 0;
  std::int32_t ExifPixelXDimension = 0;
  std::int32_t ExifPixelYDimension = 0;
  std::string ExifRelatedSoundFile;
  double ExifFocalPlaneXResolution = 0;
  double ExifFocalPlaneYResolution = 0;
  std::int32_t ExifFocalPlaneResolutionUnit = 0;
  double ExifExposureIndex = 0;
  std::int32_t ExifSensingMethod = 0;
  std::int32_t ExifFileSource = 0;
  std::int32_t ExifSceneType = 0;
  std::string ExifUserComment;
  std::string ExifUserCommentCode;
  std::int32_t AviFrameCount = 0;
  std::int32_t AviFrameDelay = 0;
  std::int32_t PsPaperWidth = 595;
  std::int32_t PsPaperHeight = 842;
  Byte PsCompression = 1;
  std::string PsTitle = "No Title";
  std::int32_t PdfPaperWidth = 595;
  std::int32_t PdfPaperHeight = 842;
  Byte PdfCompression = 2;
  std::string PdfTitle;
  std::string PdfAuthor;
  std::string PdfSubject;
  std::string PdfKeywords;
  std::string PdfCreator;
  std::string PdfProducer;
  bool NativePixelFormat = false;
  std::int32_t GifImageCount = 0;
  std::int32_t TiffImageCount = 0;
  static constexpr int kIcoEntries = 16;
  struct TIcoSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
  };
  TIcoSize IcoSizes[kIcoEntries] = {};
  std::int32_t IcoBitCounts[kIcoEntries] = {};
};

class TIOParamsVals : public TObject, public TIOParamsValues {
 public:
  explicit TIOParamsVals(TPictoraIO* Owner);
  ~TIOParamsVals() override;
  std::string ClassName() const override { return "TIOParamsVals"; }
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  TPictoraIO* Owner() const { return owner_; }

  void Reset();
  // What a load must not inherit from the previous file; write settings stay.
  void ClearMetadata();
  void ClearExif();
  // Every field but the owner, NativePixelFormat and the JPEG warnings.
  void Assign(const TIOParamsVals* Source);
  // Only the fields that decide how an image is written.
  void AssignCompression(const TIOParamsVals* Source);

  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  void SetDpiX(int Value);
  void SetDpiY(int Value);
  // Written straight, without the EXIF copies or the view (resolution
  // adjustment does this).
  void StoreDpi(int x, int y) {
    dpiX_ = x;
    dpiY_ = y;
  }
  void SetExifXResolution(double Value) { SetDpiX(static_cast<int>(Value)); }
  void SetExifYResolution(double Value) { SetDpiY(static_cast<int>(Value)); }
  int TiffOrientation() const { return tiffOrientation_; }
  int ExifOrientation() const { return exifOrientation_; }
  void SetTiffOrientation(int Value) { tiffOrientation_ = exifOrientation_ = Value; }
  void SetExifOrientation(int Value) { tiffOrientation_ = exifOrientation_ = Value; }

  // The indexed accessors check no index; the arrays' sizes are the limit.
  int GetExifISOSpeed(int i) const { return ExifISOSpeedRatings[i]; }
  void SetExifISOSpeed(int i, int v) { ExifISOSpeedRatings[i] = v; }
  double GetExifWhitePoint(int i) const { return ExifWhitePoint[i]; }
  void SetExifWhitePoint(int i, double v) { ExifWhitePoint[i] = v; }
  double GetExifPrimaryChromaticities(int i) const { return ExifPrimaryChromaticities[i]; }
  void SetExifPrimaryChromaticities(int i, double v) { ExifPrimaryChromaticities[i] = v; }
  double GetExifYCbCrCoefficients(int i) const { return ExifYCbCrCoefficients[i]; }
  void SetExifYCbCrCoefficients(int i, double v) { ExifYCbCrCoefficients[i] = v; }
  double GetExifReferenceBlackWhite(int i) const { return ExifReferenceBlackWhite[i]; }
  void SetExifReferenceBlackWhite(int i, double v) { ExifReferenceBlackWhite[i] = v; }

  // Replaces the palette by a copy of count colours (none for count <= 0).
  void SetColorMap(const TRGBPixel* colors, int count);
  const TRGBPixel* ColorMap() const { return colorMap_.get(); }
  int ColorMapCount() const { return colorMapCount_; }

  std::unique_ptr<TStringList> GifComments;
  std::unique_ptr<TVQMarkerList> JpegMarkers;
  std::unique_ptr<TVQIPTCInfoList> IptcInfo;
  std::unique_ptr<TVQImagingAnnot> ImagingAnnot;
  std::unique_ptr<TStringList> PxmComments;
  // Owned; created when a reader finds a thumbnail.
  std::unique_ptr<TVQBitmap> ExifThumbnail;
  std::unique_ptr<TVQICC> InputICC;
  std::unique_ptr<TVQICC> TargetICC;

 private:

  TPictoraIO* owner_;
  std::int32_t dpiX_ = 0;
  std::int32_t dpiY_ = 0;
  std::int32_t tiffOrientation_ = 1;
  std::int32_t exifOrientation_ = 0;
  std::unique_ptr<TRGBPixel[]> colorMap_;
  std::int32_t colorMapCount_ = 0;
};

// A one-line description of the file a block describes: the registry row's
// description and first extension, then the words of its settings; empty
// when the type has no row.
std::string ParamsInfoText(const TIOParamsVals* Params);

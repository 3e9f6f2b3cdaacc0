// The EXIF block of JPEG files: a TIFF structure after "Exif" and two zero
// bytes, built by the TIFF writer and read by the TIFF reader.
#include <cstring>
#include <memory>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "platform/rtl/Streams.h"

namespace {
constexpr int kExifSignatureSize = 6;
}  // namespace

void BuildExifBlock(TIOParamsVals* Params, Byte*& Buffer, int& Length) {
  Buffer = nullptr;
  Length = 0;
  if (!Params) return;
  TMemoryStream s;
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  SaveTiffImage(s, false, nullptr, progress, *Params);
  Length = int(s.Size()) + kExifSignatureSize;
  Buffer = new Byte[std::size_t(Length)];
  std::memcpy(Buffer, "Exif\0\0", kExifSignatureSize);
  std::memcpy(Buffer + kExifSignatureSize, s.Memory(), std::size_t(s.Size()));
}

int ReadExifBlock(const Byte* Data, int Length, TIOParamsVals* Params) {
  if (!Data || !Params || Length < kExifSignatureSize || std::memcmp(Data, "Exif\0", 5) != 0) return 0;
  TIOParamsVals temp(Params->Owner());
  TVQMemStream s(Data + kExifSignatureSize, Length - kExifSignatureSize);
  std::unique_ptr<TVQMask> mask;
  bool aborted = false;
  TVQProgressRec progress;
  progress.Aborting = &aborted;
  int count = 0;
  // IFD 0 holds the tags (and usually no image of its own).
  temp.TiffImageIndex = 0;
  LoadTiffImage(nullptr, s, count, false, true, true, mask, true, progress, &temp);
  CopyExifFields(&temp, Params);
  Params->ExifPresent = true;
  // IFD 1 the thumbnail; one that cannot be read leaves none.
  s.Seek(0, soBeginning);
  aborted = false;
  temp.TiffImageIndex = 1;
  if (!Params->ExifThumbnail) Params->ExifThumbnail = std::make_unique<TVQBitmap>();
  LoadTiffImage(Params->ExifThumbnail.get(), s, count, true, true, true, mask, false, progress, &temp);
  if (aborted || Params->ExifThumbnail->IsEmpty()) Params->ExifThumbnail.reset();
  return 1;
}

void CopyExifFields(const TIOParamsVals* Source, TIOParamsVals* Dest) {
  if (!Source || !Dest) return;
  const TIOParamsVals& s = *Source;
  TIOParamsVals& d = *Dest;
  d.ExifImageDescription = s.TiffImageDescription;
  d.ExifMake = s.ExifMake;
  d.ExifModel = s.ExifModel;
  d.SetExifOrientation(s.ExifOrientation());
  d.SetExifXResolution(s.ExifXResolution);
  d.SetExifYResolution(s.ExifYResolution);
  d.ExifResolutionUnit = s.ExifResolutionUnit;
  d.ExifSoftware = s.ExifSoftware;
  d.ExifDateTime = s.ExifDateTime;
  std::memcpy(d.ExifWhitePoint, s.ExifWhitePoint, sizeof d.ExifWhitePoint);
  std::memcpy(d.ExifPrimaryChromaticities, s.ExifPrimaryChromaticities, sizeof d.ExifPrimaryChromaticities);
  std::memcpy(d.ExifYCbCrCoefficients, s.ExifYCbCrCoefficients, sizeof d.ExifYCbCrCoefficients);
  d.ExifYCbCrPositioning = s.ExifYCbCrPositioning;
  std::memcpy(d.ExifReferenceBlackWhite, s.ExifReferenceBlackWhite, sizeof d.ExifReferenceBlackWhite);
  d.ExifCopyright = s.ExifCopyright;
  d.ExifExposureTime = s.ExifExposureTime;
  d.ExifFNumber = s.ExifFNumber;
  d.ExifExposureProgram = s.ExifExposureProgram;
  d.ExifISOSpeedRatings[0] = s.ExifISOSpeedRatings[0];
  d.ExifISOSpeedRatings[1] = s.ExifISOSpeedRatings[1];
  d.ExifVersion = s.ExifVersion;
  d.ExifDateTimeOriginal = s.ExifDateTimeOriginal;
  d.ExifDateTimeDigitized = s.ExifDateTimeDigitized;
  d.ExifCompressedBitsPerPixel = s.ExifCompressedBitsPerPixel;
  d.ExifShutterSpeedValue = s.ExifShutterSpeedValue;
  d.ExifApertureValue = s.ExifApertureValue;
  d.ExifBrightnessValue = s.ExifBrightnessValue;
  d.ExifExposureBiasValue = s.ExifExposureBiasValue;
  d.ExifMaxApertureValue = s.ExifMaxApertureValue;
  d.ExifSubjectDistance = s.ExifSubjectDistance;
  d.ExifMeteringMode = s.ExifMeteringMode;
  d.ExifLightSource = s.ExifLightSource;
  d.ExifFlash = s.ExifFlash;
  d.ExifFocalLength = s.ExifFocalLength;
  d.ExifSubsecTime = s.ExifSubsecTime;
  d.ExifSubsecTimeOriginal = s.ExifSubsecTimeOriginal;
  d.ExifSubsecTimeDigitized = s.ExifSubsecTimeDigitized;
  d.ExifFlashPixVersion = s.ExifFlashPixVersion;
  d.ExifColorSpace = s.ExifColorSpace;
  d.ExifPixelXDimension = s.ExifPixelXDimension;
  d.ExifPixelYDimension = s.ExifPixelYDimension;
  d.ExifRelatedSoundFile = s.ExifRelatedSoundFile;
  d.ExifFocalPlaneXResolution = s.ExifFocalPlaneXResolution;
  d.ExifFocalPlaneYResolution = s.ExifFocalPlaneYResolution;
  d.ExifFocalPlaneResolutionUnit = s.ExifFocalPlaneResolutionUnit;
  d.ExifExposureIndex = s.ExifExposureIndex;
  d.ExifSensingMethod = s.ExifSensingMethod;
  d.ExifFileSource = s.ExifFileSource;
  d.ExifSceneType = s.ExifSceneType;
  d.ExifUserComment = s.ExifUserComment;
  d.ExifUserCommentCode = s.ExifUserCommentCode;
}

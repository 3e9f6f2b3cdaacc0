// The load and save entry points of TPictoraIO: dispatch by name, by type
// and by content, the registry paths, the per-format loads and saves and
// the reads that fill only the parameter block.
#include <cmath>
#include <cstring>
#include <string>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/formats/bmpfilt_ico.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/tiff/tiffilt.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/SysUtils.h"

namespace {

TVQBuiltInFilter gIOFilterSlots[ioDCX + 1];

// How one built-in format's entries differ from the common rules.
struct TIOFormatTraits {
  bool openFirst = false;  // the file load opens the file before anything else
  bool to24 = false;       // saves take 24-bit or 1-bit images only
  bool defaultDpi = true;  // ApplyDefaultDpi after the reader
  bool adjust = true;      // resolution adjustment when AutoAdjustDPI
  const char* header = nullptr;  // the magic of the 12-byte stream header
  bool alphaSave = false;  // saves pass the alpha channel as a mask
};

TIOFormatTraits IOTraits(int type) {
  TIOFormatTraits t;
  switch (type) {
    case ioTIFF:
      t.openFirst = true;
      t.header = "TIFF";
      break;
    case ioGIF:
    case ioDCX:
      t.openFirst = true;
      break;
    case ioJPEG:
      t.to24 = true;
      t.header = "JFIF";
      break;
    case ioPCX:
      t.openFirst = true;
      t.to24 = true;
      t.header = "PCX2";
      break;
    case ioICO:
    case ioPXM:
    case ioJP2:
    case ioJ2K:
      t.to24 = true;
      break;
    case ioWBMP:
      t.to24 = true;
      t.adjust = false;
      break;
    case ioTGA:
      t.to24 = true;
      t.alphaSave = true;
      break;
    case ioPNG:
      t.alphaSave = true;
      break;
    case ioPS:
    case ioPDF:
      t.openFirst = true;
      t.to24 = true;
      break;
    default:
      break;
  }
  return t;
}

constexpr int kStreamHeaderSize = 12;

// The text of the header's first five bytes up to the first zero byte.
std::string IOHeaderTag(const std::uint8_t* h) {
  const auto* text = reinterpret_cast<const char*>(h);
  return std::string(text, strnlen(text, 5));
}

std::uint32_t IOHeaderLength(const std::uint8_t* h) {
  return std::uint32_t(h[8]) | std::uint32_t(h[9]) << 8 | std::uint32_t(h[10]) << 16 | std::uint32_t(h[11]) << 24;
}

// Makes a safe save leave the target alone when the writer aborted.
struct TIOSaveAborted {};

std::string IOExtension(const std::string& FileName) {
  std::string ext = LowerCase(ExtractFileExt(FileName));
  return ext.empty() ? ext : ext.substr(1);
}

bool IOIsOneOf(const std::string& ext, std::initializer_list<const char*> list) {
  for (const char* e : list)
    if (ext == e) return true;
  return false;
}

// The type the name's extension gives a built-in load (0: the registry).
int IOLoadTypeByExtension(const std::string& e) {
  if (IOIsOneOf(e, {"jpg", "jpeg", "jpe"})) return ioJPEG;
  if (e == "jp2") return ioJP2;
  if (IOIsOneOf(e, {"j2k", "jpc", "j2c"})) return ioJ2K;
  if (e == "png") return ioPNG;
  if (IOIsOneOf(e, {"tif", "tiff", "fax", "g3n", "g3f"})) return ioTIFF;
  if (e == "pcx") return ioPCX;
  if (e == "dcx") return ioDCX;
  if (e == "gif") return ioGIF;
  if (e == "wmf") return ioWMF;
  if (e == "emf") return ioEMF;
  if (IOIsOneOf(e, {"bmp", "dib", "rle"})) return ioBMP;
  if (e == "cur") return ioCUR;
  if (e == "ico") return ioICO;
  if (IOIsOneOf(e, {"tga", "targa", "vda", "icb", "vst", "win"})) return ioTGA;
  if (IOIsOneOf(e, {"pxm", "ppm", "pgm", "pbm"})) return ioPXM;
  if (e == "wbmp") return ioWBMP;
  if (e == "avi") return ioAVI;
  return ioUnknown;
}

int IOSaveTypeByExtension(const std::string& e) {
  if (IOIsOneOf(e, {"ps", "eps"})) return ioPS;
  if (e == "pdf") return ioPDF;
  const int t = IOLoadTypeByExtension(e);
  return t == ioWMF || t == ioEMF || t == ioCUR || t == ioAVI ? ioUnknown : t;
}

bool IOHasBuiltInLoad(int t) {
  return t >= ioTIFF && t <= ioDCX && t != ioAVI && t != ioPS && t != ioPDF;
}

// The registry row's routines, a built-in placeholder counting as none: it
// would read nothing or write an empty file and report success.
TVQReadProc IORowReader(TVQFormatInfo* row) {
  return row && row->ReadProc != PlaceholderReadProc ? row->ReadProc : nullptr;
}
TVQWriteProc IORowWriter(TVQFormatInfo* row) {
  return row && row->WriteProc != PlaceholderWriteProc ? row->WriteProc : nullptr;
}

constexpr Byte kJpegApp13 = 237;

constexpr Byte kJpegApp1 = 225;

// After a JPEG read: the IPTC records of the Photoshop marker, and the EXIF
// block, whose resolution stands in for a JFIF density of 1 x 1.
void IOJpegMarkersToIptc(TIOParamsVals& p) {
  const int i = p.JpegMarkers->IndexOf(kJpegApp13);
  if (i >= 0) p.IptcInfo->LoadFromBuffer(p.JpegMarkers->GetMarkerData(i), p.JpegMarkers->GetMarkerLength(i));
  const int e = p.JpegMarkers->IndexOf(kJpegApp1);
  if (e < 0) return;
  const int x = p.DpiX(), y = p.DpiY();
  if (ReadExifBlock(p.JpegMarkers->GetMarkerData(e), p.JpegMarkers->GetMarkerLength(e), &p) && x == 1 && y == 1) {
    const double f = p.ExifResolutionUnit == 3 ? 2.54 : 1.0;
    const auto dpi = [f](double r) {
      const double v = std::trunc(r * f);
      return v > -2147483648.0 && v < 2147483647.0 ? int(v) : 0;
    };
    p.SetDpiX(dpi(p.ExifXResolution));
    p.SetDpiY(dpi(p.ExifYResolution));
  } else {
    // The EXIF copies follow the resolution setters; the JFIF density stays.
    p.StoreDpi(x, y);
  }
}

// Before a JPEG save: records the user changed, or records of a block that
// has no markers, go into the Photoshop marker (an empty list removes it).
void IOIptcToJpegMarkers(TIOParamsVals& p) {
  if (!p.IptcInfo->UserChanged && !(p.IptcInfo->GetCount() > 0 && p.JpegMarkers->GetCount() == 0)) return;
  Byte* buffer = nullptr;
  int length = 0;
  p.IptcInfo->SaveToBuffer(buffer, length, true);
  const int i = p.JpegMarkers->IndexOf(kJpegApp13);
  if (length > 0) {
    try {
      if (i >= 0)
        p.JpegMarkers->SetMarker(i, kJpegApp13, buffer, length);
      else
        p.JpegMarkers->AddMarker(kJpegApp13, buffer, length);
    } catch (...) {
      delete[] buffer;
      throw;
    }
  } else if (i >= 0) {
    p.JpegMarkers->DeleteMarker(i);
  }
  delete[] buffer;
  if (!p.ExifPresent) return;
  Byte* exif = nullptr;
  int exifLength = 0;
  BuildExifBlock(&p, exif, exifLength);
  try {
    const int e = p.JpegMarkers->IndexOf(kJpegApp1);
    if (e >= 0)
      p.JpegMarkers->SetMarker(e, kJpegApp1, exif, exifLength);
    else
      p.JpegMarkers->AddMarker(kJpegApp1, exif, exifLength);
  } catch (...) {
    delete[] exif;
    throw;
  }
  delete[] exif;
}

}  // namespace

void SetBuiltInFilter(int FileType, TVQFilterLoad Load, TVQFilterSave Save) {
  if (FileType < ioTIFF || FileType > ioDCX) return;
  gIOFilterSlots[FileType] = {Load, Save};
}

TVQBuiltInFilter BuiltInFilter(int FileType) {
  if (FileType < ioTIFF || FileType > ioDCX) return {};
  return gIOFilterSlots[FileType];
}

// ---- shared steps ----------------------------------------------------------------

void TPictoraIO::LoadWithFilter(int FileType, TStream& stream, TVQFilterLoadArgs& args, TVQProgressRec& progress) {
  TVQFilterLoad load = BuiltInFilter(FileType).Load;
  if (!load) {
    Aborting = true;
    return;
  }
  try {
    load(stream, image_, params_.get(), args, progress);
  } catch (...) {
    // Filters report bad input through the flag; one that raised anyway
    // ends the same way rather than through the caller.
    Aborting = true;
  }
}

void TPictoraIO::AfterRead(int FileType, TVQFilterLoadArgs& args, bool defaultDpi, bool adjust) {
  if (args.Mask) {
    image_->GetAlphaChannel()->CopyFromMask(args.Mask.get());
    args.Mask.reset();
  }
  if (Aborting) return;
  if (defaultDpi) ApplyDefaultDpi();
  if (adjust && AutoAdjustDPI) AdjustDpi();
  params_->FileType = FileType;
  FinishLoad();
}

int TPictoraIO::LoadStreamBody(int FileType, TStream* Stream, const std::string& FileName) {
  const TIOFormatTraits traits = IOTraits(FileType);
  const bool fromFile = !FileName.empty();
  TVQProgressRec progress = MakeProgress(true);
  if (!PrepareImage()) {
    DoFinishWork();
    return 0;
  }
  params_->ClearMetadata();
  image_->RemoveAlphaChannel();
  if (FileType == ioGIF) {
    int count = 0;
    try {
      count = LoadGifFrames(Stream, progress);
      if (fromFile) params_->FileName = FileName;
    } catch (...) {
      DoFinishWork();
      throw;
    }
    DoFinishWork();
    return count;
  }
  if (FileType == ioPNG && fromFile) {
    const TColor bg = ColorToRGB(Background());
    params_->PngBackground = TRGBPixel{Byte(bg >> 16), Byte(bg >> 8), Byte(bg)};
  }
  TVQFilterLoadArgs args;
  std::int64_t after = -1;  // where a stream header says the image ends
  if (!fromFile && traits.header && (StreamHeaders || FileType == ioJPEG)) {
    const std::int64_t start = Stream->Position();
    std::uint8_t h[kStreamHeaderSize] = {};
    const bool whole = ReadExact(Stream, h, kStreamHeaderSize);
    const std::string tag = IOHeaderTag(h);
    if (FileType == ioJPEG) {
      if (whole && tag == "JFIF")
        after = start + kStreamHeaderSize + IOHeaderLength(h);
      else
        Stream->Seek(start, soBeginning);
    } else if (FileType == ioPCX) {
      if (!whole || tag.compare(0, 3, "PCX") != 0) {
        Aborting = true;
        DoFinishWork();
        return 0;
      }
      if (tag == "PCX2") {
        args.DataSize = IOHeaderLength(h);
        after = start + kStreamHeaderSize + args.DataSize;
      } else {
        Stream->Seek(start + 4, soBeginning);
      }
    } else {
      if (!whole || tag != traits.header) {
        Aborting = true;
        DoFinishWork();
        return 0;
      }
      args.BaseAtPosition = false;
      after = start + kStreamHeaderSize + IOHeaderLength(h);
    }
  }
  if (FileType == ioBMP && fromFile) args.DataSize = Stream->Size();
  if (FileType == ioPCX && args.DataSize == 0) args.DataSize = Stream->Size();
  try {
    LoadWithFilter(FileType, *Stream, args, progress);
    if (FileType == ioJPEG) IOJpegMarkersToIptc(*params_);
    if (after >= 0) Stream->Seek(after, soBeginning);
    AfterRead(FileType, args, traits.defaultDpi, traits.adjust);
    if (!Aborting) params_->FileName = FileName;
    if (FileType == ioPNG && !Aborting) {
      const TRGBPixel& c = params_->PngBackground;
      background_ = TColor(c.r) | TColor(c.g) << 8 | TColor(c.b) << 16;
    }
  } catch (...) {
    DoFinishWork();
    throw;
  }
  DoFinishWork();
  return args.ImageCount;
}

int TPictoraIO::LoadFormatFromStream(int FileType, TStream* Stream) {
  int count = 0;
  if (StartOnThread([this, FileType, Stream] { LoadFormatFromStream(FileType, Stream); })) return -1;
  Aborting = false;
  count = LoadStreamBody(FileType, Stream, "");
  return count;
}

int TPictoraIO::LoadFormatFromFile(int FileType, const std::string& FileName) {
  if (StartOnThread([this, FileType, FileName] { LoadFormatFromFile(FileType, FileName); })) return -1;
  const TIOFormatTraits traits = IOTraits(FileType);
  std::unique_ptr<TFileStream> file;
  if (traits.openFirst) {
    file = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
    Aborting = false;
  } else {
    Aborting = true;
    try {
      file = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
    } catch (...) {
      DoFinishWork();
      throw;
    }
    Aborting = false;
  }
  return LoadStreamBody(FileType, file.get(), FileName);
}

void TPictoraIO::SaveStreamBody(int FileType, TStream& Stream) {
  const TIOFormatTraits traits = IOTraits(FileType);
  if (!PrepareImage()) return;
  {
    const TVQPixelFormat format = image_->GetPixelFormat();
    if (traits.to24 && format != vqRGB24 && format != vqBits1) image_->SetPixelFormat(vqRGB24);
    TVQProgressRec progress = MakeProgress(true);
    TVQFilterSaveArgs args;
    std::unique_ptr<TVQMask> mask;
    if (traits.alphaSave && image_->HasAlphaChannel()) {
      mask = std::make_unique<TVQMask>();
      image_->GetAlphaChannel()->CopyBitmapToMask(mask.get());
      args.AlphaMask = mask.get();
    }
    const bool header = traits.header && StreamHeaders;
    const std::int64_t start = Stream.Position();
    if (header) {
      const std::uint8_t zero[kStreamHeaderSize] = {};
      Stream.WriteBuffer(zero, kStreamHeaderSize);
    }
    if (FileType == ioDCX) Stream.SetSize(0);
    // An icon file needs at least one image size to write.
    if (FileType == ioICO && params_->IcoSizes[0].Width <= 0) Aborting = true;
    TVQFilterSave save = BuiltInFilter(FileType).Save;
    if (!save) Aborting = true;
    if (FileType == ioJPEG && save) IOIptcToJpegMarkers(*params_);
    if (!Aborting) {
      try {
        save(Stream, image_, params_.get(), args, progress);
      } catch (...) {
        Aborting = true;
      }
    }
    if (header && (FileType != ioPCX || !Aborting)) {
      const std::int64_t end = Stream.Position();
      std::uint8_t h[kStreamHeaderSize] = {};
      std::memcpy(h, traits.header, 4);
      const auto length = std::uint32_t(end - start - kStreamHeaderSize);
      for (int i = 0; i < 4; ++i) h[8 + i] = std::uint8_t(length >> (8 * i));
      Stream.Seek(start, soBeginning);
      Stream.WriteBuffer(h, kStreamHeaderSize);
      Stream.Seek(end, soBeginning);
    }
  }
}

void TPictoraIO::SaveFormatToStream(int FileType, TStream* Stream) {
  if (StartOnThread([this, FileType, Stream] { SaveFormatToStream(FileType, Stream); })) return;
  Aborting = false;
  try {
    SaveStreamBody(FileType, *Stream);
  } catch (...) {
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TPictoraIO::SaveFormatToFile(int FileType, const std::string& FileName) {
  if (StartOnThread([this, FileType, FileName] { SaveFormatToFile(FileType, FileName); })) return;
  const bool openFirst = IOTraits(FileType).openFirst;
  if (!openFirst) Aborting = true;
  bool opened = false;
  try {
    // The file is written beside the target and takes its name only when
    // the writer succeeded, so a failed save leaves what was there.
    SafeSaveFile(FileName, [&](TStream& out) {
      Aborting = false;
      opened = true;
      SaveStreamBody(FileType, out);
      if (Aborting) throw TIOSaveAborted();
    });
  } catch (const TIOSaveAborted&) {
  } catch (...) {
    Aborting = true;
    if (opened || !openFirst) DoFinishWork();
    throw;
  }
  DoFinishWork();
}

// ---- registry paths ------------------------------------------------------------------

// A file read through a registry row's reader, on the thread the entry
// runs on. Without an image the load by type still finishes its work; the
// one by extension, like LoadFromFile that calls it, does nothing more.
void TPictoraIO::ReadRegistryFile(const std::string& FileName, TVQFormatInfo* row, TVQReadProc read,
                                  bool finishWithoutImage) {
  Aborting = true;
  if (!PrepareImage()) {
    if (finishWithoutImage) DoFinishWork();
    return;
  }
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
  } catch (...) {
    DoFinishWork();
    throw;
  }
  Aborting = false;
  TVQProgressRec progress = MakeProgress(true);
  params_->FileName = FileName;
  params_->FileType = row->FileType;
  try {
    read(file.get(), image_, params_.get(), false, &progress);
  } catch (...) {
    Aborting = true;
  }
  if (!Aborting) {
    if (AutoAdjustDPI) AdjustDpi();
    FinishLoad();
  }
  DoFinishWork();
}

void TPictoraIO::RegistryLoadByExtension(const std::string& FileName, const std::string& ext) {
  params_->FileName.clear();
  params_->FileType = ioUnknown;
  params_->ClearMetadata();
  TVQFormatInfo* row = FormatInfoByExtension(ext);
  TVQReadProc read = IORowReader(row);
  if (!read) {
    Aborting = true;
    DoFinishWork();
    return;
  }
  if (StartOnThread([this, FileName] { LoadFromFile(FileName); })) return;
  ReadRegistryFile(FileName, row, read, false);
}

void TPictoraIO::RegistrySaveByExtension(const std::string& FileName, const std::string& ext) {
  TVQFormatInfo* row = FormatInfoByExtension(ext);
  TVQWriteProc write = IORowWriter(row);
  if (!write) {
    Aborting = true;
    return;
  }
  if (StartOnThread([this, FileName] { SaveToFile(FileName); })) return;
  Aborting = true;
  if (!PrepareImage()) {
    DoFinishWork();
    return;
  }
  const TVQPixelFormat format = image_->GetPixelFormat();
  if (format != vqRGB24 && format != vqBits1) image_->SetPixelFormat(vqRGB24);
  try {
    SafeSaveFile(FileName, [&](TStream& out) {
      Aborting = false;
      TVQProgressRec progress = MakeProgress(true);
      params_->FileName = FileName;
      params_->FileType = row->FileType;
      try {
        write(&out, image_, params_.get(), &progress);
      } catch (...) {
        Aborting = true;
      }
      if (Aborting) throw TIOSaveAborted();
    });
  } catch (const TIOSaveAborted&) {
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TPictoraIO::RegistryLoadByType(const std::string& FileName, int FileType) {
  params_->ClearMetadata();
  params_->FileName.clear();
  params_->FileType = ioUnknown;
  TVQFormatInfo* row = FormatInfoByType(FileType);
  TVQReadProc read = IORowReader(row);
  if (!read) {
    Aborting = true;
    DoFinishWork();
    return;
  }
  if (StartOnThread([this, FileName, FileType] { LoadFromFileFormat(FileName, FileType); })) return;
  ReadRegistryFile(FileName, row, read, true);
}

void TPictoraIO::RegistryStreamLoad(TStream* Stream, int FileType) {
  params_->ClearMetadata();
  params_->FileName.clear();
  params_->FileType = ioUnknown;
  TVQFormatInfo* row = FormatInfoByType(FileType);
  TVQReadProc read = IORowReader(row);
  if (!read) {
    Aborting = true;
    DoFinishWork();
    return;
  }
  Aborting = false;
  if (!PrepareImage()) {
    DoFinishWork();
    return;
  }
  TVQProgressRec progress = MakeProgress(true);
  params_->FileType = row->FileType;
  try {
    read(Stream, image_, params_.get(), false, &progress);
  } catch (...) {
    Aborting = true;
  }
  if (!Aborting) {
    if (AutoAdjustDPI) AdjustDpi();
    FinishLoad();
  }
  DoFinishWork();
}

void TPictoraIO::RegistryStreamSave(TStream* Stream, int FileType) {
  TVQWriteProc write = IORowWriter(FormatInfoByType(FileType));
  if (!write) {
    Aborting = true;
    return;
  }
  Aborting = false;
  if (!PrepareImage()) {
    DoFinishWork();
    return;
  }
  const TVQPixelFormat format = image_->GetPixelFormat();
  if (format != vqRGB24 && format != vqBits1) image_->SetPixelFormat(vqRGB24);
  TVQProgressRec progress = MakeProgress(true);
  params_->FileType = FileType;
  try {
    write(Stream, image_, params_.get(), &progress);
  } catch (...) {
    Aborting = true;
  }
  DoFinishWork();
}

// ---- dispatch ----------------------------------------------------------------------------

void TPictoraIO::LoadFromFile(const std::string& FileName) {
  if (!image_) return;
  if (FileName.empty() || LowerCase(FileName.substr(0, 7)) == "http://") {
    // Loading by address is not part of this build.
    Aborting = true;
    DoFinishWork();
    return;
  }
  const std::string ext = IOExtension(FileName);
  const int type = IOLoadTypeByExtension(ext);
  if (type == ioUnknown) {
    RegistryLoadByExtension(FileName, ext);
  } else if (type == ioAVI) {
    Aborting = true;
    DoFinishWork();
  } else {
    LoadFormatFromFile(type, FileName);
  }
}

void TPictoraIO::SaveToFile(const std::string& FileName) {
  if (FileName.empty()) return;
  const std::string ext = IOExtension(FileName);
  const int type = IOSaveTypeByExtension(ext);
  if (type == ioUnknown)
    RegistrySaveByExtension(FileName, ext);
  else
    SaveFormatToFile(type, FileName);
}

void TPictoraIO::LoadFromFileFormat(const std::string& FileName, int FileType) {
  if (IOHasBuiltInLoad(FileType))
    LoadFormatFromFile(FileType, FileName);
  else
    RegistryLoadByType(FileName, FileType);
}

void TPictoraIO::LoadFromStreamFormat(TStream* Stream, int FileType) {
  if (StartOnThread([this, Stream, FileType] { LoadFromStreamFormat(Stream, FileType); })) return;
  if (IOHasBuiltInLoad(FileType) && FileType != ioWMF && FileType != ioEMF)
    LoadFormatFromStream(FileType, Stream);
  else
    RegistryStreamLoad(Stream, FileType);
}

void TPictoraIO::LoadFromStream(TStream* Stream) {
  if (StartOnThread([this, Stream] { LoadFromStream(Stream); })) return;
  const std::int64_t position = Stream->Position();
  const int type = DetectStreamFileType(Stream);
  Stream->Seek(position, soBeginning);
  // WBMP has no content test, so detection never gives it.
  if (type == ioWBMP)
    RegistryStreamLoad(Stream, type);
  else
    LoadFromStreamFormat(Stream, type);
}

void TPictoraIO::SaveToStreamFormat(TStream* Stream, int FileType) {
  if (StartOnThread([this, Stream, FileType] { SaveToStreamFormat(Stream, FileType); })) return;
  const bool builtIn = FileType >= ioTIFF && FileType <= ioDCX && FileType != ioCUR && FileType != ioWMF &&
                       FileType != ioEMF && FileType != ioAVI;
  if (builtIn)
    SaveFormatToStream(FileType, Stream);
  else
    RegistryStreamSave(Stream, FileType);
}

void TPictoraIO::LoadFromBuffer(const void* Buffer, std::int64_t Size, int FileType) {
  TVQMemStream stream(Buffer, Size);
  const bool wasAsynchronous = Asynchronous;
  Asynchronous = false;
  try {
    if (FileType == ioUnknown)
      LoadFromStream(&stream);
    else
      LoadFromStreamFormat(&stream, FileType);
  } catch (...) {
    Asynchronous = wasAsynchronous;
    throw;
  }
  Asynchronous = wasAsynchronous;
}

// ---- parameters only -------------------------------------------------------------------

namespace {

void IOReadParams(TPictoraIO& io, int FileType, TStream& stream) {
  TIOParamsVals* params = io.Parameters();
  TVQProgressRec progress;
  progress.Aborting = &io.Aborting;
  TVQFilterLoad load = BuiltInFilter(FileType).Load;
  if (load && FileType != ioAVI) {
    TVQFilterLoadArgs args;
    args.ParamsOnly = true;
    args.NoAlphaMask = true;
    if (FileType == ioBMP || FileType == ioPCX) args.DataSize = stream.Size();
    load(stream, io.Image(), params, args, progress);
    if (FileType == ioJPEG) IOJpegMarkersToIptc(*params);
    return;
  }
  TVQReadProc read = IORowReader(FormatInfoByType(FileType));
  // Nothing can tell what the file holds: it is not taken as read.
  if (!read) {
    io.Aborting = true;
    return;
  }
  read(&stream, io.Image(), params, true, &progress);
}

}  // namespace

void TPictoraIO::ParamsFromFileFormat(const std::string& FileName, int FileType) {
  params_->FileType = FileType;
  try {
    params_->ClearMetadata();
    Aborting = true;
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    Aborting = false;
    IOReadParams(*this, FileType, file);
  } catch (...) {
    params_->FileType = ioUnknown;
  }
  if (Aborting) params_->FileType = ioUnknown;
  params_->FileName = FileName;
  DoFinishWork();
}

void TPictoraIO::ParamsFromStreamFormat(TStream* Stream, int FileType) {
  params_->FileType = FileType;
  Aborting = false;
  try {
    params_->ClearMetadata();
    IOReadParams(*this, FileType, *Stream);
  } catch (...) {
    params_->FileType = ioUnknown;
  }
  if (Aborting) params_->FileType = ioUnknown;
  DoFinishWork();
}

void TPictoraIO::ParamsFromFile(const std::string& FileName) {
  ParamsFromFileFormat(FileName, DetectFileType(FileName, true));
}

void TPictoraIO::ParamsFromStream(TStream* Stream) {
  int type = ioUnknown;
  try {
    type = DetectStreamFileType(Stream);
  } catch (...) {
  }
  ParamsFromStreamFormat(Stream, type);
}

int DcxPageCount(const std::string& FileName) {
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    return CountDcxPages(&file);
  } catch (...) {
    return 0;
  }
}

int IcoImageCount(const std::string& FileName) {
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    return ReadIcoCount(&file);
  } catch (...) {
    return 0;
  }
}

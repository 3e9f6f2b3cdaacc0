// TIFF reading: the directory walk, the tags of the chosen image and of its
// EXIF directory, the parameter block, the bitmap and the orientation.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/processing/pictoraproc_rotate.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "imaging/io/tiff/tiffilt_internal.h"

namespace {

constexpr int kTiffEntrySize = 12;
// A text this long or longer is not read.
constexpr std::uint32_t kTiffMaxText = 1048576;

enum : std::uint16_t {
  kTiffByte = 1,
  kTiffAscii = 2,
  kTiffShort = 3,
  kTiffLong = 4,
  kTiffRational = 5,
  kTiffSByte = 6,
  kTiffUndefined = 7,
  kTiffSShort = 8,
  kTiffSLong = 9,
  kTiffSRational = 10,
};

int TiffTypeSize(std::uint16_t type) {
  switch (type) {
    case kTiffShort:
    case kTiffSShort: return 2;
    case kTiffLong:
    case kTiffSLong: return 4;
    case kTiffRational:
    case kTiffSRational: return 8;
    case kTiffByte:
    case kTiffAscii:
    case kTiffSByte:
    case kTiffUndefined: return 1;
    default: return 0;
  }
}

struct TTiffEntry {
  std::uint16_t Tag = 0;
  std::uint16_t Type = 0;
  std::uint32_t Count = 0;
  std::uint32_t Value = 0;  // the value field in the file's byte order
  Byte Raw[4] = {};         // its bytes as they stand in the file
};

std::uint16_t TiffU16(const Byte* p, bool big) {
  return big ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t TiffU32(const Byte* p, bool big) {
  return big ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3]
             : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

bool TiffReadExactAt(TTIFFVars& v, std::int64_t at, Byte* dst, std::int64_t n) {
  if (at < 0 || n < 0 || at + n > v.End) return false;
  v.Stream->Seek(at, soBeginning);
  return ReadExact(v.Stream, dst, n);
}

// Reads the entries of the IFD at offset (relative to the base); false
// when they do not lie inside the stream.
bool TiffReadEntries(TTIFFVars& v, std::uint32_t offset, std::vector<TTiffEntry>& entries) {
  const std::int64_t at = v.Base + offset;
  Byte c[2];
  if (!TiffReadExactAt(v, at, c, 2)) return false;
  const int n = TiffU16(c, v.BigEndian);
  std::vector<Byte> raw(std::size_t(n) * kTiffEntrySize);
  if (!TiffReadExactAt(v, at + 2, raw.data(), std::int64_t(raw.size()))) return false;
  entries.resize(std::size_t(n));
  for (int i = 0; i < n; ++i) {
    const Byte* p = raw.data() + std::size_t(i) * kTiffEntrySize;
    TTiffEntry& e = entries[std::size_t(i)];
    e.Tag = TiffU16(p, v.BigEndian);
    e.Type = TiffU16(p + 2, v.BigEndian);
    e.Count = TiffU32(p + 4, v.BigEndian);
    e.Value = TiffU32(p + 8, v.BigEndian);
    std::memcpy(e.Raw, p + 8, 4);
  }
  return true;
}

// Value access over one directory's entries; the first entry of a tag
// counts, a missing tag gives the default.
class TTiffDirectory {
 public:
  TTiffDirectory(TTIFFVars& v, const std::vector<TTiffEntry>& entries) : v_(v), entries_(entries) {}

  const TTiffEntry* Find(std::uint16_t tag) const {
    for (const TTiffEntry& e : entries_)
      if (e.Tag == tag) return &e;
    return nullptr;
  }
  bool Has(std::uint16_t tag) const { return Find(tag) != nullptr; }

  std::int64_t Int(std::uint16_t tag, std::int64_t def) const {
    const TTiffEntry* e = Find(tag);
    if (!e) return def;
    switch (e->Type) {
      case kTiffShort: return TiffU16(e->Raw, v_.BigEndian);
      case kTiffSShort: return std::int16_t(TiffU16(e->Raw, v_.BigEndian));
      case kTiffByte:
      case kTiffUndefined: return e->Raw[0];
      case kTiffSByte: return std::int8_t(e->Raw[0]);
      default: return e->Value;
    }
  }

  // The bytes of the whole value: the value field when they fit there,
  // else read from its offset; false when they do not lie in the stream.
  bool Bytes(const TTiffEntry& e, std::int64_t n, std::vector<Byte>& out) const {
    if (n <= 4) {
      out.assign(e.Raw, e.Raw + std::max<std::int64_t>(n, 0));
      return true;
    }
    if (n > v_.End - v_.Base) return false;
    out.resize(std::size_t(n));
    return TiffReadExactAt(v_, v_.Base + e.Value, out.data(), n);
  }

  // The SHORT or LONG values of a tag; false when it is missing, of another
  // type or outside the stream.
  bool Array(std::uint16_t tag, std::vector<std::uint32_t>& out) const {
    out.clear();
    const TTiffEntry* e = Find(tag);
    if (!e || (e->Type != kTiffShort && e->Type != kTiffLong)) return false;
    const int size = TiffTypeSize(e->Type);
    std::vector<Byte> b;
    if (!Bytes(*e, std::int64_t(e->Count) * size, b)) return false;
    out.resize(e->Count);
    for (std::uint32_t i = 0; i < e->Count; ++i)
      out[i] = size == 2 ? TiffU16(&b[std::size_t(i) * 2], v_.BigEndian) : TiffU32(&b[std::size_t(i) * 4], v_.BigEndian);
    return true;
  }
  std::uint32_t Element(std::uint16_t tag, std::uint32_t i) const {
    const TTiffEntry* e = Find(tag);
    if (!e || i >= e->Count || (e->Type != kTiffShort && e->Type != kTiffLong)) return 0;
    const int size = TiffTypeSize(e->Type);
    Byte b[4] = {};
    if (std::int64_t(e->Count) * size <= 4) {
      std::memcpy(b, e->Raw + i * std::uint32_t(size), std::size_t(size));
    } else if (!TiffReadExactAt(v_, v_.Base + std::int64_t(e->Value) + std::int64_t(i) * size, b, size)) {
      return 0;
    }
    return size == 2 ? TiffU16(b, v_.BigEndian) : TiffU32(b, v_.BigEndian);
  }

  double Rational(std::uint16_t tag, std::uint32_t i = 0) const {
    const TTiffEntry* e = Find(tag);
    if (!e || i >= e->Count || (e->Type != kTiffRational && e->Type != kTiffSRational)) return 0;
    Byte b[8];
    if (!TiffReadExactAt(v_, v_.Base + std::int64_t(e->Value) + std::int64_t(i) * 8, b, 8)) return 0;
    const auto num = std::int32_t(TiffU32(b, v_.BigEndian));
    auto den = std::int32_t(TiffU32(b + 4, v_.BigEndian));
    if (den == 0) den = 1;
    return double(num) / double(den);
  }

  // count - 1 characters, up to the first zero byte.
  void Ascii(std::uint16_t tag, std::string& text) const {
    const TTiffEntry* e = Find(tag);
    if (!e || e->Count == 0 || e->Count >= kTiffMaxText) return;
    std::vector<Byte> b;
    if (!Bytes(*e, e->Count, b)) return;
    const std::size_t n = std::size_t(e->Count - 1);
    std::size_t len = 0;
    while (len < n && b[len]) ++len;
    text.assign(reinterpret_cast<const char*>(b.data()), len);
  }
  std::string Ascii(std::uint16_t tag) const {
    std::string s;
    Ascii(tag, s);
    return s;
  }

  // The EXIF version tags: 1 to 4 bytes from the value field; a longer
  // value gives no text.
  std::string UndefinedText(std::uint16_t tag) const {
    const TTiffEntry* e = Find(tag);
    if (!e || e->Count < 1 || e->Count > 4) return {};
    return std::string(reinterpret_cast<const char*>(e->Raw), e->Count);
  }

  bool Block(std::uint16_t tag, std::vector<Byte>& out, bool byTypeSize = false) const {
    const TTiffEntry* e = Find(tag);
    if (!e || e->Count == 0) return false;
    const std::int64_t n = std::int64_t(e->Count) * (byTypeSize ? std::max(TiffTypeSize(e->Type), 1) : 1);
    return Bytes(*e, n, out);
  }

 private:
  TTIFFVars& v_;
  const std::vector<TTiffEntry>& entries_;
};

void TiffReadExifDirectory(const TTiffDirectory& d, TIOParamsVals& p) {
  p.ExifExposureTime = d.Rational(33434);
  p.ExifFNumber = d.Rational(33437);
  p.ExifExposureProgram = int(d.Int(34850, 0));
  p.ExifISOSpeedRatings[0] = int(d.Element(34855, 0));
  p.ExifISOSpeedRatings[1] = int(d.Element(34855, 1));
  p.ExifVersion = d.UndefinedText(36864);
  d.Ascii(36867, p.ExifDateTimeOriginal);
  d.Ascii(36868, p.ExifDateTimeDigitized);
  p.ExifCompressedBitsPerPixel = d.Rational(37122);
  p.ExifShutterSpeedValue = d.Rational(37377);
  p.ExifApertureValue = d.Rational(37378);
  p.ExifBrightnessValue = d.Rational(37379);
  p.ExifExposureBiasValue = d.Rational(37380);
  p.ExifMaxApertureValue = d.Rational(37381);
  p.ExifSubjectDistance = d.Rational(37382);
  p.ExifMeteringMode = int(d.Int(37383, 0));
  p.ExifLightSource = int(d.Int(37384, 0));
  p.ExifFlash = int(d.Int(37385, 0));
  p.ExifFocalLength = d.Rational(37386);
  d.Ascii(37520, p.ExifSubsecTime);
  d.Ascii(37521, p.ExifSubsecTimeOriginal);
  d.Ascii(37522, p.ExifSubsecTimeDigitized);
  p.ExifFlashPixVersion = d.UndefinedText(40960);
  p.ExifColorSpace = int(d.Int(40961, 0));
  p.ExifPixelXDimension = int(d.Int(40962, 0));
  p.ExifPixelYDimension = int(d.Int(40963, 0));
  d.Ascii(40964, p.ExifRelatedSoundFile);
  p.ExifFocalPlaneXResolution = d.Rational(41486);
  p.ExifFocalPlaneYResolution = d.Rational(41487);
  p.ExifFocalPlaneResolutionUnit = int(d.Int(41488, 0));
  p.ExifExposureIndex = d.Rational(41493);
  p.ExifSensingMethod = int(d.Int(41495, 0));
  p.ExifFileSource = int(d.Int(41728, 0));
  p.ExifSceneType = int(d.Int(41729, 0));
  if (d.Has(37510)) {
    const std::string c = d.Ascii(37510);
    p.ExifUserCommentCode = c.substr(0, 8);
    p.ExifUserComment = c.size() > 8 ? c.substr(8) : std::string();
  }
}

int TiffCompressionCode(int c, int t4) {
  switch (c) {
    case 1: return 0;
    case 2: return 1;
    case 3: return t4 & 1 ? 3 : 2;
    case 4: return 4;
    case 5: return 5;
    case 6: return 6;
    case 7: return 7;
    case 32773: return 8;
    default: return 9;
  }
}

void TiffApplyOrientation(TVQBitmap* b, int o) {
  // RotateBitmap turns counter-clockwise for positive angles: 5 (transpose)
  // is -90 then a mirror, 7 (transverse) +90 then a mirror.
  switch (o) {
    case 2: FlipBitmap(b, 0); break;
    case 3: FlipBitmap(b, 1), FlipBitmap(b, 0); break;
    case 4: FlipBitmap(b, 1); break;
    case 5: RotateBitmap(b, -90, false, 0), FlipBitmap(b, 0); break;
    case 6: RotateBitmap(b, -90, false, 0); break;
    case 7: RotateBitmap(b, 90, false, 0), FlipBitmap(b, 0); break;
    case 8: RotateBitmap(b, 90, false, 0); break;
    default: break;
  }
}

}  // namespace

bool TiffReadAt(TTIFFVars& v, std::uint32_t offset, std::int64_t count, std::vector<Byte>& out) {
  const std::int64_t at = v.Base + offset;
  out.clear();
  if (at >= v.End || count < 0) return false;
  const std::int64_t n = std::min(count, v.End - at);
  out.resize(std::size_t(n));
  v.Stream->Seek(at, soBeginning);
  const std::int64_t got = n ? v.Stream->Read(out.data(), n) : 0;
  out.resize(std::size_t(std::max<std::int64_t>(got, 0)));
  return true;
}

void LoadTiffImage(TVQBitmap* Bitmap, TStream& Stream, int& ImageCount, bool AllowMissingSize, bool NoAlphaMask,
                   bool BaseAtPosition, std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress,
                   TIOParamsVals* Params) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  ImageCount = 0;
  TTIFFVars v;
  v.Stream = &Stream;
  v.End = Stream.Size();
  // The header is where the stream stands; offsets count from there or
  // from the stream's start.
  const std::int64_t at = Stream.Position();
  v.Base = BaseAtPosition ? at : 0;
  Byte head[8];
  if (!TiffReadExactAt(v, at, head, 8) || !((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'))) {
    abortFlag = true;
    return;
  }
  v.BigEndian = head[0] == 'M';
  const std::uint32_t first = TiffU32(head + 4, v.BigEndian);
  if (first == 0) return;

  // The chain ends at 0, at a link to itself or past the stream, and at an
  // IFD seen before (a loop).
  const int wanted = Params ? Params->TiffImageIndex : -1;
  std::vector<TTiffEntry> entries;
  bool found = false;
  std::set<std::uint32_t> seen;
  int count = 0;
  for (std::uint32_t ifd = first; ifd != 0;) {
    if (!seen.insert(ifd).second) break;
    std::vector<TTiffEntry> e;
    if (!TiffReadEntries(v, ifd, e)) break;
    Byte next[4];
    if (!TiffReadExactAt(v, v.Base + ifd + 2 + std::int64_t(e.size()) * kTiffEntrySize, next, 4)) break;
    if (count == wanted) {
      entries = std::move(e);
      found = true;
    }
    ++count;
    std::uint32_t n = TiffU32(next, v.BigEndian);
    if (n == ifd || std::int32_t(n) < 0 || v.Base + n >= v.End) n = 0;
    ifd = n;
  }
  ImageCount = count;
  if (!Params) return;
  if (!found) {
    abortFlag = true;
    return;
  }
  TIOParamsVals& p = *Params;
  const TTiffDirectory d(v, entries);

  v.Width = int(std::min<std::int64_t>(d.Int(256, 0), INT32_MAX));
  v.Length = int(std::min<std::int64_t>(d.Int(257, 0), INT32_MAX));
  std::vector<std::uint32_t> bits;
  v.BitsPerSample = 1;
  if (d.Array(258, bits) && !bits.empty()) {
    for (std::uint32_t b : bits)
      if (b != bits[0]) {
        abortFlag = true;
        return;
      }
    v.BitsPerSample = int(std::min<std::uint32_t>(bits[0], 64));
  }
  v.Compression = int(d.Int(259, 1));
  v.Photometric = int(d.Int(262, 2));
  v.FillOrder = int(d.Int(266, 1));
  d.Ascii(269, p.TiffDocumentName);
  d.Ascii(270, p.TiffImageDescription);
  d.Ascii(271, p.ExifMake);
  d.Ascii(272, p.ExifModel);
  v.Orientation = int(d.Int(274, 1));
  p.SetTiffOrientation(v.Orientation);
  v.SamplesPerPixel = int(std::min<std::int64_t>(d.Int(277, 1), 64));
  const std::int64_t rps = d.Int(278, v.Length);
  v.RowsPerStrip = rps == 0xFFFFFFFF || rps <= 0 ? v.Length : rps;
  const double xres = d.Rational(282), yres = d.Rational(283);
  v.PlanarConfig = int(d.Int(284, 1));
  p.TiffPlanarConfig = v.PlanarConfig;
  d.Ascii(285, p.TiffPageName);
  const double xpos = d.Rational(286), ypos = d.Rational(287);
  v.T4Options = int(d.Int(292, 0));
  const int unit = int(d.Int(296, 2));
  p.ExifResolutionUnit = unit;
  p.TiffPageNumber = int(d.Element(297, 0));
  p.TiffPageCount = int(d.Element(297, 1));
  d.Ascii(305, v.Software);
  p.ExifSoftware = v.Software;
  d.Ascii(306, p.ExifDateTime);
  v.Predictor = int(d.Int(317, 1));
  for (int i = 0; i < 2; ++i) p.ExifWhitePoint[i] = d.Rational(318, std::uint32_t(i));
  for (int i = 0; i < 6; ++i) p.ExifPrimaryChromaticities[i] = d.Rational(319, std::uint32_t(i));
  v.TileWidth = int(std::clamp<std::int64_t>(d.Int(322, -1), -1, INT32_MAX));
  v.TileLength = int(std::clamp<std::int64_t>(d.Int(323, -1), -1, INT32_MAX));
  v.ExtraSamples = int(d.Int(338, 0));
  v.JpegProc = int(d.Int(512, 0));
  v.JpegIfOffset = std::uint32_t(d.Int(513, 0));
  v.JpegIfLength = std::uint32_t(d.Int(514, 0));
  for (int i = 0; i < 3; ++i) p.ExifYCbCrCoefficients[i] = d.Rational(529, std::uint32_t(i));
  p.ExifYCbCrPositioning = int(d.Int(531, 0));
  for (int i = 0; i < 6; ++i) p.ExifReferenceBlackWhite[i] = d.Rational(532, std::uint32_t(i));
  d.Ascii(33432, p.ExifCopyright);
  std::vector<Byte> block;
  if (d.Block(32932, block) && p.ImagingAnnot) ReadImagingAnnotations(p.ImagingAnnot.get(), block.data(), Int64(block.size()));
  if (p.IptcInfo) {
    if (d.Block(33723, block, true))
      p.IptcInfo->LoadFromBuffer(block.data(), int(block.size()));
    else
      p.IptcInfo->Clear();
  }
  if (d.Block(34675, block) && p.InputICC) p.InputICC->LoadFromBuffer(block.data(), Int64(block.size()));
  const std::int64_t exifAt = d.Int(34665, 0);
  if (exifAt > 0 && exifAt <= UINT32_MAX) {
    std::vector<TTiffEntry> exif;
    if (TiffReadEntries(v, std::uint32_t(exifAt), exif)) TiffReadExifDirectory(TTiffDirectory(v, exif), p);
    p.ExifPresent = true;
  }

  // A bilevel image that says RGB is read as WhiteIsZero.
  if (v.SamplesPerPixel == 1 && v.BitsPerSample == 1 && v.Compression >= 1 && v.Compression <= 4 &&
      v.Photometric == 2)
    v.Photometric = 0;
  p.Width = v.Width;
  p.Height = v.Length;
  p.BitsPerSample = v.BitsPerSample;
  p.SamplesPerPixel = v.SamplesPerPixel;
  p.TiffCompression = Byte(TiffCompressionCode(v.Compression, v.T4Options));
  if (v.Photometric >= 0 && v.Photometric <= 6)
    p.TiffPhotometric = Byte(v.Photometric);
  else if (v.Photometric == 8)
    p.TiffPhotometric = 7;
  const double factor = unit == 3 ? 2.54 : 1.0;
  const auto dpi = [&](double r) {
    const double d0 = std::trunc(r * factor);
    return d0 >= 1 && d0 < 2147483647.0 ? int(d0) : kIODefaultDpi;
  };
  p.SetDpiX(dpi(xres));
  p.SetDpiY(dpi(yres));
  p.ExifXResolution = xres;
  p.ExifYResolution = yres;
  const auto pos = [&](double r) {
    const double d0 = std::trunc(r * factor);
    return std::fabs(d0) < 2147483647.0 ? int(d0) : 0;
  };
  p.TiffXPos = pos(xpos);
  p.TiffYPos = pos(ypos);
  p.TiffImageCount = ImageCount;

  auto fail = [&] {
    abortFlag = true;
    if (p.InputICC) p.InputICC->Clear();
  };
  if ((v.Width == 0 || v.Length == 0) && !AllowMissingSize) return fail();
  if (v.Compression == 5) {
    v.LzwDecompress = p.TiffLzwDecompress ? p.TiffLzwDecompress : DefTiffLzwDecompress;
    if (!v.LzwDecompress) return fail();
  }
  if (ParamsOnly || !Bitmap) return;
  if (v.Width <= 0 || v.Length <= 0 || std::int64_t(v.Width) * v.Length > kTiffMaxPixels) return fail();

  // The colour map: 2^bits entries of each colour, of which the first 256
  // are used; a map too short for its entries is refused.
  std::vector<std::uint32_t> map;
  if (v.Photometric == 3) {
    if (v.BitsPerSample > 16 || !d.Array(320, map)) return fail();
    const std::uint32_t n = 1u << v.BitsPerSample;
    if (map.size() < 3 * std::size_t(n)) return fail();
    v.ColorMapCount = int(std::min<std::uint32_t>(n, 256));
    for (int i = 0; i < v.ColorMapCount; ++i)
      v.ColorMap[i] = TRGBPixel{Byte(map[2 * n + std::uint32_t(i)] >> 8), Byte(map[n + std::uint32_t(i)] >> 8),
                                Byte(map[std::uint32_t(i)] >> 8)};
    p.SetColorMap(v.ColorMap, v.ColorMapCount);
  }

  if (d.Has(273) && !d.Array(273, v.StripOffsets)) return fail();
  d.Array(279, v.StripByteCounts);
  if (v.TileWidth > 0 || v.TileLength > 0) {
    if (d.Has(324) && !d.Array(324, v.TileOffsets)) return fail();
    d.Array(325, v.TileByteCounts);
  }
  if (v.Compression == 7) d.Block(347, v.JpegTables);

  if (!NoAlphaMask) {
    const bool alpha = (v.SamplesPerPixel == 4 && v.ExtraSamples == 2) ||
                       (v.SamplesPerPixel == 2 && v.BitsPerSample == 8) ||
                       (v.SamplesPerPixel == 4 && v.Photometric == 2);
    if (alpha && !Mask) Mask = std::make_unique<TVQMask>();
    if (Mask) {
      Mask->AllocateBits(v.Width, v.Length, 8);
      Mask->Fill(255);
      Mask->Full = false;
      if (alpha) v.Mask = Mask.get();
    }
  }

  // Old-style JPEG: the interchange-format stream straight into the bitmap.
  if (v.Compression == 6 && v.JpegProc < 2) {
    std::vector<Byte> jpeg;
    const std::int64_t want = v.JpegIfLength ? std::int64_t(v.JpegIfLength) : v.End - (v.Base + v.JpegIfOffset);
    if (!TiffReadAt(v, v.JpegIfOffset, want, jpeg) || jpeg.empty()) return fail();
    TVQMemStream in(jpeg.data(), std::int64_t(jpeg.size()));
    TIOParamsVals scratch(nullptr);
    LoadJpegImage(&in, nullptr, Bitmap, false, false, Progress, scratch);
    if (abortFlag) return fail();
    return;
  }
  if (v.Compression == 6) return fail();

  TVQPixelFormat format = vqRGB24;
  const int s = v.SamplesPerPixel, b = v.BitsPerSample, ph = v.Photometric;
  if (v.Compression == 7)
    format = vqRGB24;
  else if (b == 1 && s == 1 && ph != 3)
    format = vqBits1;
  else if (p.NativePixelFormat && s == 1 && b == 8 && ph == 3)
    format = vqPalette8;
  else if (p.NativePixelFormat && s == 1 && b == 8 && ph == 1)
    format = vqGray8;
  else if (p.NativePixelFormat && s == 1 && b == 16 && ph == 1)
    format = vqGray16;
  else if (p.NativePixelFormat && s == 4 && b == 8 && ph == 5)
    format = vqCMYK;
  Bitmap->Allocate(v.Width, v.Length, format);
  if (format == vqPalette8)
    for (int i = 0; i < 256; ++i) Bitmap->SetPaletteColor(i, i < v.ColorMapCount ? v.ColorMap[i] : TRGBPixel{});
  v.Params = &p;
  {
    TVQViewAccessScope scope(*Bitmap, vqWrite);
    TiffDecodeImage(v, Bitmap, Progress);
  }
  if (abortFlag) return fail();
  if (p.TiffApplyOrientation && v.Orientation != 1) {
    TiffApplyOrientation(Bitmap, v.Orientation);
    if (v.Mask && v.Orientation >= 2 && v.Orientation <= 8) {
      // The mask turns with the image, through a grey bitmap.
      TVQBitmap m;
      m.SetLocation(vqMemoryBuffer);
      m.Allocate(v.Width, v.Length, vqGray8);
      for (int y = 0; y < v.Length; ++y) std::memcpy(m.GetScanline(y), v.Mask->GetScanline(y), std::size_t(v.Width));
      TiffApplyOrientation(&m, v.Orientation);
      v.Mask->AllocateBits(m.GetWidth(), m.GetHeight(), 8);
      for (int y = 0; y < m.GetHeight(); ++y)
        std::memcpy(v.Mask->GetScanline(y), m.GetScanline(y), std::size_t(m.GetWidth()));
    }
  }
}

int CountTiffImages(TStream& Stream) {
  int count = 0;
  std::unique_ptr<TVQMask> mask;
  TVQProgressRec progress;
  bool abort = false;
  progress.Aborting = &abort;
  LoadTiffImage(nullptr, Stream, count, false, true, true, mask, false, progress, nullptr);
  return count;
}

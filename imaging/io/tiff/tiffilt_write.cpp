// TIFF writing: one little-endian image with its tags, as a new file or
// linked into an existing chain; with no bitmap only the metadata tags (the
// EXIF block).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/coders/tifccitt.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/tiff/tiffilt.h"
#include "platform/graphics/ByteReader.h"

namespace {

constexpr std::int64_t kTiffStripBytes = 524288;

enum : Byte { kTiffWcBGR = 1, kTiffWcCMYK = 2, kTiffWcLab = 4 };

std::int64_t TiffTrunc(double v) { return std::isfinite(v) ? std::int64_t(std::clamp(std::trunc(v), -1e15, 1e15)) : 0; }

struct TTiffWEntry {
  std::uint16_t Tag, Type;
  std::uint32_t Count;
  Byte Value[4];
};

// The pending tags of one IFD; values that do not fit in an entry are
// written at once and the entry gets their position.
class TTiffTagList {
 public:
  TTiffTagList(TStream& s, bool& abort) : s_(s), abort_(abort) {}

  void Add(std::uint16_t tag, std::uint16_t type, std::uint32_t count, const void* data, std::size_t bytes) {
    TTiffWEntry e{tag, type, count, {}};
    if (bytes <= 4) {
      if (bytes) std::memcpy(e.Value, data, bytes);
    } else {
      PutU32(e.Value, std::uint32_t(s_.Position()));
      SafeStreamWrite(&s_, abort_, data, std::int64_t(bytes));
    }
    entries_.push_back(e);
  }
  void Long(std::uint16_t tag, std::uint32_t v) {
    Byte b[4];
    PutU32(b, v);
    Add(tag, 4, 1, b, 4);
  }
  void Short(std::uint16_t tag, std::uint32_t v) {
    Byte b[2];
    PutU16(b, std::uint16_t(v));
    Add(tag, 3, 1, b, 2);
  }
  void Shorts(std::uint16_t tag, const std::vector<std::uint32_t>& v) {
    std::vector<Byte> b(v.size() * 2);
    for (std::size_t i = 0; i < v.size(); ++i) PutU16(&b[2 * i], std::uint16_t(v[i]));
    Add(tag, 3, std::uint32_t(v.size()), b.data(), b.size());
  }
  void Longs(std::uint16_t tag, const std::vector<std::uint32_t>& v) {
    std::vector<Byte> b(v.size() * 4);
    for (std::size_t i = 0; i < v.size(); ++i) PutU32(&b[4 * i], v[i]);
    // Arrays go at the current position even when one value would fit.
    TTiffWEntry e{tag, 4, std::uint32_t(v.size()), {}};
    if (v.size() == 1) {
      std::memcpy(e.Value, b.data(), 4);
    } else {
      PutU32(e.Value, std::uint32_t(s_.Position()));
      SafeStreamWrite(&s_, abort_, b.data(), std::int64_t(b.size()));
    }
    entries_.push_back(e);
  }
  // Doubles as numerator and denominator: the denominator starts at
  // 1,000,000 and shrinks by tens until the numerator fits.
  void Rationals(std::uint16_t tag, const double* v, int n, bool isSigned = false) {
    std::vector<Byte> b(std::size_t(n) * 8);
    for (int i = 0; i < n; ++i) {
      const double x = std::isfinite(v[i]) ? v[i] : 0;
      std::int64_t den = 1000000;
      while (den > 1 && std::fabs(x * double(den)) > 2147483640.0) den /= 10;
      const double num = std::clamp(std::nearbyint(x * double(den)), -2147483648.0, isSigned ? 2147483647.0 : 4294967295.0);
      PutU32(&b[std::size_t(i) * 8], std::uint32_t(std::int64_t(num)));
      PutU32(&b[std::size_t(i) * 8 + 4], std::uint32_t(den));
    }
    Add(tag, isSigned ? 10 : 5, std::uint32_t(n), b.data(), b.size());
  }
  void Rational(std::uint16_t tag, double v, bool isSigned = false) { Rationals(tag, &v, 1, isSigned); }
  void RationalParts(std::uint16_t tag, std::int64_t num, std::uint32_t den) {
    Byte b[8];
    PutU32(b, std::uint32_t(std::clamp<std::int64_t>(num, 0, UINT32_MAX)));
    PutU32(b + 4, den);
    Add(tag, 5, 1, b, 8);
  }
  void Ascii(std::uint16_t tag, const std::string& text) {
    if (text.empty()) return;
    std::string z = text;
    z.push_back('\0');
    Add(tag, 2, std::uint32_t(z.size()), z.data(), z.size());
  }
  void UndefinedText(std::uint16_t tag, const std::string& text) {
    if (text.empty()) return;
    Add(tag, 7, std::uint32_t(text.size()), text.data(), text.size());
  }

  // Pads to an even position and writes the IFD; returns its position.
  std::int64_t WriteIfd(std::uint32_t next) {
    if (s_.Position() % 2) {
      const Byte zero = 0;
      SafeStreamWrite(&s_, abort_, &zero, 1);
    }
    const std::int64_t at = s_.Position();
    std::stable_sort(entries_.begin(), entries_.end(), [](const TTiffWEntry& a, const TTiffWEntry& b) { return a.Tag < b.Tag; });
    std::vector<Byte> b(2 + entries_.size() * 12 + 4);
    PutU16(b.data(), std::uint16_t(entries_.size()));
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      Byte* p = &b[2 + i * 12];
      PutU16(p, entries_[i].Tag);
      PutU16(p + 2, entries_[i].Type);
      PutU32(p + 4, entries_[i].Count);
      std::memcpy(p + 8, entries_[i].Value, 4);
    }
    PutU32(&b[b.size() - 4], next);
    SafeStreamWrite(&s_, abort_, b.data(), std::int64_t(b.size()));
    return at;
  }

 private:
  TStream& s_;
  bool& abort_;
  std::vector<TTiffWEntry> entries_;
};

void TiffWriteExifTags(TTiffTagList& t, TStream& s, bool& abort, TIOParamsVals& p) {
  t.Ascii(270, p.ExifImageDescription);
  t.RationalParts(282, TiffTrunc(p.ExifXResolution), 1);
  t.RationalParts(283, TiffTrunc(p.ExifYResolution), 1);
  t.Short(274, std::uint32_t(p.TiffOrientation()));
  t.Short(296, 2);
  t.Ascii(305, p.ExifSoftware);
  t.Ascii(271, p.ExifMake);
  t.Ascii(272, p.ExifModel);
  t.Ascii(306, p.ExifDateTime);
  t.Rationals(318, p.ExifWhitePoint, 2);
  t.Short(531, std::uint32_t(p.ExifYCbCrPositioning));
  t.Rationals(319, p.ExifPrimaryChromaticities, 6);
  t.Rationals(529, p.ExifYCbCrCoefficients, 3);
  t.Rationals(532, p.ExifReferenceBlackWhite, 6);
  t.Ascii(33432, p.ExifCopyright);
  TTiffTagList e(s, abort);
  e.Rational(33434, p.ExifExposureTime);
  e.Rational(33437, p.ExifFNumber);
  e.Short(34850, std::uint32_t(p.ExifExposureProgram));
  e.Shorts(34855, {std::uint32_t(p.ExifISOSpeedRatings[0]), std::uint32_t(p.ExifISOSpeedRatings[1])});
  e.UndefinedText(36864, p.ExifVersion);
  e.Ascii(36867, p.ExifDateTimeOriginal);
  e.Ascii(36868, p.ExifDateTimeDigitized);
  e.Rational(37122, p.ExifCompressedBitsPerPixel);
  // The three values that may be negative are signed rationals.
  e.Rational(37377, p.ExifShutterSpeedValue, true);
  e.Rational(37378, p.ExifApertureValue);
  e.Rational(37379, p.ExifBrightnessValue, true);
  e.Rational(37380, p.ExifExposureBiasValue, true);
  e.Rational(37381, p.ExifMaxApertureValue);
  e.Rational(37382, p.ExifSubjectDistance);
  e.Short(37383, std::uint32_t(p.ExifMeteringMode));
  e.Short(37384, std::uint32_t(p.ExifLightSource));
  e.Short(37385, std::uint32_t(p.ExifFlash));
  e.Rational(37386, p.ExifFocalLength);
  e.Ascii(37520, p.ExifSubsecTime);
  e.Ascii(37521, p.ExifSubsecTimeOriginal);
  e.Ascii(37522, p.ExifSubsecTimeDigitized);
  e.UndefinedText(40960, p.ExifFlashPixVersion);
  e.Short(40961, std::uint32_t(p.ExifColorSpace));
  e.Short(40962, std::uint32_t(p.ExifPixelXDimension));
  e.Short(40963, std::uint32_t(p.ExifPixelYDimension));
  e.Ascii(40964, p.ExifRelatedSoundFile);
  e.Rational(41486, p.ExifFocalPlaneXResolution);
  e.Rational(41487, p.ExifFocalPlaneYResolution);
  e.Short(41488, std::uint32_t(p.ExifFocalPlaneResolutionUnit));
  e.Rational(41493, p.ExifExposureIndex);
  e.Short(41495, std::uint32_t(p.ExifSensingMethod));
  e.Short(41728, std::uint32_t(p.ExifFileSource));
  e.Short(41729, std::uint32_t(p.ExifSceneType));
  e.Ascii(37510, p.ExifUserCommentCode + p.ExifUserComment);
  t.Long(34665, std::uint32_t(e.WriteIfd(0)));
}

// PackBits: runs of 4 or more equal bytes (up to 128) as 1 - length and the
// byte, everything else as literals of up to 128.
void TiffPackBits(const Byte* row, std::int64_t n, std::vector<Byte>& out) {
  std::int64_t lit = 0;  // start of the pending literals
  auto flush = [&](std::int64_t end) {
    while (lit < end) {
      const std::int64_t k = std::min<std::int64_t>(128, end - lit);
      out.push_back(Byte(k - 1));
      out.insert(out.end(), row + lit, row + lit + k);
      lit += k;
    }
  };
  std::int64_t i = 0;
  while (i < n) {
    std::int64_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 4) {
      flush(i);
      out.push_back(Byte(1 - run));
      out.push_back(row[i]);
      i += run;
      lit = i;
    } else {
      i += run;
    }
  }
  flush(n);
}

// Where a new image goes in an existing chain: the link to rewrite and
// what it held.
struct TTiffLink {
  std::int64_t At = -1;
  std::uint32_t Old = 0;
};



std::uint32_t TiffLinkValue(const Byte* b) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

// The image's tags and strips; false when a write failed.
bool TiffWriteImage(TStream& s, TVQBitmap* bitmap, TTiffTagList& tags, TVQProgressRec& progress, TIOParamsVals& p) {
  bool dummyAbort = false;
  bool& abortFlag = progress.Aborting ? *progress.Aborting : dummyAbort;
  TVQBitmap* src = bitmap;
  std::unique_ptr<TVQBitmap> owned;
  auto copyAs = [&](TVQPixelFormat f) {
    auto c = std::make_unique<TVQBitmap>();
    c->Assign(src);
    c->SetPixelFormat(f);
    owned = std::move(c);
    src = owned.get();
  };
  int bps = p.BitsPerSample, spp = p.SamplesPerPixel, ph = p.TiffPhotometric, tc = p.TiffCompression;
  const bool bilevel = bps == 1 && spp == 1;
  if (bilevel && src->GetPixelFormat() != vqBits1) {
    TRGBPixel c0, c1;
    std::unique_ptr<TVQBitmap> two = TwoColorBitmap(src, c0, c1);
    if (two) {
      owned = std::move(two);
      src = owned.get();
    } else {
      copyAs(vqBits1);
    }
  } else if (!bilevel && src->GetPixelFormat() == vqBits1) {
    copyAs(vqRGB24);
  }
  TVQPixelFormat fmt = src->GetPixelFormat();
  // Grey and palette images the request fits are written as they are;
  // formats without rows of their own in the file become 24-bit.
  const bool native = spp == 1 && ((fmt == vqGray8 && bps == 8) || (fmt == vqGray16 && bps == 16) ||
                                   (fmt == vqPalette8 && bps == 8));
  if (fmt != vqBits1 && fmt != vqRGB24 && !native) copyAs(vqRGB24);
  fmt = src->GetPixelFormat();

  TRGBPixel pal[256] = {};
  int palCount = 0;
  std::unique_ptr<TVQQuantizer> quant;
  int wp = 2;  // the written photometric
  if (fmt == vqBits1) {
    bps = spp = 1;
  } else if (native) {
    if (tc != 5 && tc != 8) tc = 0;
    wp = ph = fmt == vqPalette8 ? 3 : 1;
    if (fmt == vqPalette8) {
      palCount = 256;
      for (int i = 0; i < 256; ++i) src->GetPaletteColor(i, pal[i]);
    }
  } else if (spp == 1 && ((bps >= 2 && bps <= 8) || bps == 16)) {
    palCount = std::min(1 << std::min(bps, 8), 256);
    quant = std::make_unique<TVQQuantizer>(src, pal, palCount, -1);
    if (tc != 5 && tc != 8) tc = 0;
    if (quant->Grey()) {
      wp = ph = 1;
    } else {
      wp = ph = 3;
      if (bps == 16) bps = 8;
    }
  } else {
    if (ph == 3 || ph == 0 || ph == 1 || ph == 6 || ph == 4) ph = 2;
    bps = 8;
    if (ph == 5) {
      wp = 5, spp = 4;
    } else if (ph == 7) {
      wp = 8, spp = 3;
    } else {
      wp = ph = 2, spp = 3;
    }
  }
  // Compression: CCITT only for 1-bit images, LZW only with a coder.
  int comp = 1, t4 = 0;
  switch (tc) {
    case 1: comp = 2; break;
    case 2: comp = 3; break;
    case 3: comp = 3, t4 = 1; break;
    case 4: comp = 4; break;
    case 5: comp = 5; break;
    case 8: comp = 32773; break;
    default: comp = 1; break;
  }
  // JPEG takes 24-bit images only (grey and palette requests dropped it
  // above); its colour space decides what is written.
  Byte jpegSpace = 0;
  if (tc == 7 && fmt == vqRGB24 && !quant && !native) {
    comp = 7;
    bps = 8;
    switch (p.TiffJpegColorSpace) {
      case 1: wp = 1, spp = 1, jpegSpace = 1; break;
      case 2: wp = 6, spp = 3, jpegSpace = 2; break;
      case 3: wp = 5, spp = 4, jpegSpace = 3; break;
      default: wp = 2, spp = 3, jpegSpace = 0; break;
    }
  }
  TVQTiffLzwCompressProc lzw = p.TiffLzwCompress ? p.TiffLzwCompress : DefTiffLzwCompress;
  if (comp == 5 && !lzw) comp = 1;
  const bool ccitt = comp >= 2 && comp <= 4;
  if (ccitt && fmt != vqBits1) comp = 1, t4 = 0, tc = 0;
  if (!(comp >= 2 && comp <= 4)) t4 = 0;
  const int predictor = comp == 5 && wp == 2 && bps == 8 && spp == 3 ? 2 : 1;
  p.BitsPerSample = bps;
  p.SamplesPerPixel = spp;
  p.TiffCompression = Byte(tc);
  p.TiffPhotometric = Byte(wp == 8 ? 7 : wp);
  if (fmt == vqBits1) p.TiffPhotometric = ccitt ? 0 : 1;

  const int W = src->GetWidth(), H = src->GetHeight();
  tags.Long(256, std::uint32_t(W));
  tags.Long(257, std::uint32_t(H));
  if (fmt == vqBits1 || wp == 1 || wp == 3)
    tags.Short(258, std::uint32_t(bps));
  else
    tags.Shorts(258, std::vector<std::uint32_t>(std::size_t(spp), 8));
  tags.Short(259, std::uint32_t(comp));
  tags.Short(262, fmt == vqBits1 ? (ccitt ? 0u : 1u) : std::uint32_t(wp));
  tags.Ascii(269, p.TiffDocumentName);
  if (ccitt) {
    tags.Short(266, 1);
    tags.Short(284, 1);
    tags.Short(327, 0);
  }

  if (comp == 7) {
    // One strip holding a whole JPEG stream, tables included.
    tags.Long(278, std::uint32_t(H));
    TIOParamsVals jp(nullptr);
    jp.JpegQuality = p.TiffJpegQuality;
    jp.JpegColorSpace = jpegSpace;
    const std::int64_t at = s.Position();
    try {
      SaveJpegStream(&s, src, jp, progress, true);
    } catch (const EVQJpegException&) {
      abortFlag = true;
    }
    tags.Long(273, std::uint32_t(at));
    tags.Long(279, std::uint32_t(s.Position() - at));
    if (abortFlag) return false;
  } else {
    // Strips of about 512 KB of rows.
    std::int64_t rowBytes = 0;
    if (fmt == vqBits1)
      rowBytes = (W + 7) / 8;
    else if (native)
      rowBytes = std::int64_t(W) * (fmt == vqGray16 ? 2 : 1);
    else
      rowBytes = (std::int64_t(W) * bps * spp + 7) / 8;
    const std::int64_t strips = std::max<std::int64_t>(std::int64_t(H) * rowBytes / kTiffStripBytes, 1);
    const int rps = int(std::max<std::int64_t>(H / strips, 1));
    tags.Long(278, std::uint32_t(rps));
    std::vector<std::uint32_t> offsets, counts;
    std::vector<Byte> row(std::size_t(rowBytes) + 8), work(std::size_t(W) * 4 + 8);
    TMemoryStream strip;
    std::vector<Byte> packed;
    Byte* ref = nullptr;
    int pendingBits = 0;
    Byte pendingByte = 0;
    void* lzwState = nullptr;
    auto closeStrip = [&] {
      if (comp == 3 && t4) EncodeCcitt1D(nullptr, W, &strip, abortFlag, ref, pendingBits, pendingByte);
      if (comp == 3 && !t4) EncodeCcittRow1D(nullptr, W, &strip, abortFlag, pendingBits, pendingByte);
      if (comp == 4) EncodeCcitt2D(nullptr, W, &strip, abortFlag, ref, pendingBits, pendingByte);
      if (comp == 5 && lzwState) lzw(nullptr, 0, &strip, &lzwState);
      lzwState = nullptr;
      pendingBits = 0;
      offsets.push_back(std::uint32_t(s.Position()));
      counts.push_back(std::uint32_t(strip.Size()));
      SafeStreamWrite(&s, abortFlag, strip.Memory(), strip.Size());
      strip.Clear();
    };
    const double per = 100.0 / H;
    progress.Per = per;
    for (int y = 0; y < H && !abortFlag; ++y) {
      Byte* in = src->GetScanline(y);
      Byte* r = row.data();
      if (fmt == vqBits1) {
        if (ccitt)
          for (std::int64_t i = 0; i < rowBytes; ++i) r[i] = Byte(~in[i]);
        else
          std::memcpy(r, in, std::size_t(rowBytes));
      } else if (native) {
        if (fmt == vqGray16)
          for (int x = 0; x < W; ++x) {
            std::uint16_t v;
            std::memcpy(&v, in + 2 * x, 2);
            PutU16(r + 2 * x, v);
          }
        else
          std::memcpy(r, in, std::size_t(W));
      } else if (quant) {
        quant->ColorIndexRow(in, W, work.data());
        if (bps == 8) {
          std::memcpy(r, work.data(), std::size_t(W));
        } else if (bps == 16) {
          for (int x = 0; x < W; ++x) PutU16(r + 2 * x, std::uint16_t(work[std::size_t(x)] * 256));
        } else {
          std::memset(r, 0, std::size_t(rowBytes));
          for (int x = 0; x < W; ++x) {
            const std::int64_t bit = std::int64_t(x) * bps;
            r[bit >> 3] |= Byte((work[std::size_t(x)] & ((1 << bps) - 1)) << (8 - bps - (bit & 7)));
          }
        }
      } else if (wp == 5) {
        IOConvertRow(in, kTiffWcBGR, r, kTiffWcCMYK, W, &p);
        for (int i = 0; i < W * 4; ++i) r[i] = Byte(~r[i]);
      } else if (wp == 8) {
        IOConvertRow(in, kTiffWcBGR, r, kTiffWcLab, W, &p);
      } else {
        for (int x = 0; x < W; ++x) r[3 * x] = in[3 * x + 2], r[3 * x + 1] = in[3 * x + 1], r[3 * x + 2] = in[3 * x];
        if (predictor == 2)
          for (std::int64_t i = std::int64_t(W) * 3 - 1; i >= 3; --i) r[i] = Byte(r[i] - r[i - 3]);
      }
      switch (comp) {
        case 2: EncodeCcittHuffman(r, W, &strip, abortFlag); break;
        case 3:
          if (t4)
            EncodeCcitt1D(r, W, &strip, abortFlag, ref, pendingBits, pendingByte);
          else
            EncodeCcittRow1D(r, W, &strip, abortFlag, pendingBits, pendingByte);
          break;
        case 4: EncodeCcitt2D(r, W, &strip, abortFlag, ref, pendingBits, pendingByte); break;
        case 5: lzw(r, int(rowBytes), &strip, &lzwState); break;
        case 32773:
          packed.clear();
          TiffPackBits(r, rowBytes, packed);
          strip.WriteBuffer(packed.data(), std::int64_t(packed.size()));
          break;
        default: strip.WriteBuffer(r, rowBytes); break;
      }
      if ((y + 1) % rps == 0 || y + 1 == H) closeStrip();
      if (progress.OnProgress) progress.OnProgress(progress.Sender, int(y * per));
    }
    if (lzwState) lzw(nullptr, 0, &strip, &lzwState);
    delete[] ref;
    if (offsets.size() == 1) {
      tags.Long(273, offsets[0]);
      tags.Long(279, counts[0]);
    } else {
      tags.Longs(273, offsets);
      tags.Longs(279, counts);
    }
    if (abortFlag) return false;
  }

  tags.Short(277, std::uint32_t(fmt == vqBits1 ? 1 : spp));
  if (predictor == 2) tags.Short(317, 2);
  tags.Ascii(285, p.TiffPageName);
  if (p.TiffXPos) tags.RationalParts(286, std::int64_t(p.TiffXPos) * 10000, 10000);
  if (p.TiffYPos) tags.RationalParts(287, std::int64_t(p.TiffYPos) * 10000, 10000);
  tags.Long(292, std::uint32_t(t4));
  if (comp == 3 || comp == 4) tags.Long(293, 0);
  tags.Long(254, 0);
  tags.Shorts(297, {std::uint32_t(p.TiffPageNumber), std::uint32_t(p.TiffPageCount)});
  if (p.IptcInfo && p.IptcInfo->GetCount() > 0) {
    Byte* block = nullptr;
    int length = 0;
    p.IptcInfo->SaveToBuffer(block, length, false);
    std::vector<Byte> b(block, block + length);
    delete[] block;
    b.resize((b.size() + 3) / 4 * 4, 0);
    tags.Add(33723, 4, std::uint32_t(b.size() / 4), b.data(), b.size());
  }
  if (p.ImagingAnnot && p.ImagingAnnot->Count() > 0) {
    Byte* block = nullptr;
    Int64 length = 0;
    WriteImagingAnnotations(p.ImagingAnnot.get(), block, length);
    if (block && length > 0) tags.Add(32932, 1, std::uint32_t(length), block, std::size_t(length));
    delete[] block;
  }
  if (wp == 3 && fmt != vqBits1) {
    const int n = 1 << bps;
    std::vector<std::uint32_t> map(std::size_t(n) * 3, 0);
    for (int i = 0; i < n && i < 256; ++i) {
      map[std::size_t(i)] = pal[i].r * 256u;
      map[std::size_t(n + i)] = pal[i].g * 256u;
      map[std::size_t(2 * n + i)] = pal[i].b * 256u;
    }
    tags.Shorts(320, map);
  }
  return !abortFlag;
}

}  // namespace

int SaveTiffImage(TStream& Stream, bool Append, TVQBitmap* Bitmap, TVQProgressRec& Progress, TIOParamsVals& Params) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  TIOParamsVals& p = Params;
  const std::int64_t start = Stream.Position();
  int images = 1;
  TTiffLink link;
  if (Append) {
    Byte h[8] = {};
    if (!ReadExact(&Stream, h, 4) || h[0] != 'I' || h[1] != 'I') {
      abortFlag = true;
      return 0;
    }
    // Walk the chain from the header's link; a link past the stream or one
    // seen before ends it.
    const std::int64_t size = Stream.Size();
    std::int64_t at = start + 4;
    std::set<std::uint32_t> seen;
    int n = 0;
    for (;;) {
      Byte b[4] = {};
      Stream.Seek(at, soBeginning);
      std::uint32_t value = ReadExact(&Stream, b, 4) ? TiffLinkValue(b) : 0;
      if (value && (std::int64_t(value) + 2 > size || !seen.insert(value).second)) value = 0;
      const int index = std::max(p.TiffImageIndex, 0);
      if (n == index || (value == 0 && index > n)) link = {at, value};
      if (value == 0) break;
      Byte c[2] = {};
      Stream.Seek(value, soBeginning);
      if (!ReadExact(&Stream, c, 2)) break;
      at = std::int64_t(value) + 2 + std::int64_t(c[0] | c[1] << 8) * 12;
      ++n;
    }
    images = n + 1;
    Stream.Seek(0, soEnd);
  } else {
    const Byte h[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
    SafeStreamWrite(&Stream, abortFlag, h, 8);
  }

  TTiffTagList tags(Stream, abortFlag);
  if (p.ExifPresent) {
    TiffWriteExifTags(tags, Stream, abortFlag, p);
  } else {
    tags.Ascii(270, p.TiffImageDescription);
    tags.RationalParts(282, p.DpiX(), 1);
    tags.RationalParts(283, p.DpiY(), 1);
    tags.Short(296, 2);
  }

  if (Bitmap && !Bitmap->IsEmpty()) {
    if (!TiffWriteImage(Stream, Bitmap, tags, Progress, p)) return images;
  }
  if (abortFlag) return images;
  const std::int64_t ifd = tags.WriteIfd(Append ? link.Old : 0);
  if (abortFlag) return images;
  const std::int64_t end = Stream.Position();
  Byte v[4];
  PutU32(v, std::uint32_t(ifd));
  Stream.Seek(Append ? link.At : start + 4, soBeginning);
  SafeStreamWrite(&Stream, abortFlag, v, 4);
  Stream.Seek(end, soBeginning);
  return images;
}

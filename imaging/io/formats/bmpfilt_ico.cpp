// Icon and cursor reading, icon writing.
#include "imaging/io/formats/bmpfilt_ico.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/base/vqzutils.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/colour/neurquant.h"
#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_dib.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/formats/pngfilt.h"
#include "platform/graphics/ByteReader.h"
#include "platform/rtl/ParallelRows.h"

namespace {

// Larger images are refused rather than allocated.
constexpr std::int64_t kIcoMaxPixels = std::int64_t(1) << 28;
constexpr int kIcoHeaderBytes = 6;
constexpr int kIcoEntryBytes = 16;
constexpr std::uint32_t kIcoInfoBytes = 40;
constexpr std::uint32_t kIcoLargestInfoBytes = 124;  // the version 5 header
// Below this an info header's size wins over a directory entry that differs.
constexpr std::int32_t kIcoHeaderSideLimit = 2048;
// A directory entry holds each side in one byte, 0 standing for 256.
constexpr int kIcoLargestSide = 256;
constexpr Byte kIcoPngSignature[4] = {0x89, 'P', 'N', 'G'};
constexpr int kIcoRowBand = 64;
constexpr TRGBPixel kIcoWhite{255, 255, 255};

struct TIcoEntry {
  int Width = 0, Height = 0, Colors = 0;
  // Planes and bit count of an icon; the hot spot of a cursor.
  std::uint16_t Word4 = 0, Word6 = 0;
  std::uint32_t Size = 0, Offset = 0;
};

TIcoEntry IcoEntryAt(const std::uint8_t* p) {
  TByteReader r(p, kIcoEntryBytes);
  TIcoEntry e;
  e.Width = r.U8();
  e.Height = r.U8();
  e.Colors = r.U8();
  r.Skip(1);
  e.Word4 = r.U16();
  e.Word6 = r.U16();
  e.Size = r.U32();
  e.Offset = r.U32();
  return e;
}

std::int64_t IcoRowBytes(std::int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

inline bool IcoBit(const Byte* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

// One load's arguments and what the directory said.
struct TIcoLoad {
  TStream& Stream;
  TVQBitmap* Bitmap;
  TIOParamsVals& Params;
  bool NoAlpha;
  std::unique_ptr<TVQMask>& Alpha;
  TVQProgressRec& Progress;
  bool ParamsOnly;
  bool Cursor;
  bool& Aborting;
  std::int64_t StreamSize = 0;
  TRGBPixel Background;
};

// An entry whose data is a PNG stream goes to the PNG filter, which reads
// no further than the entry's bytes; transparency is composed onto the
// icon's background when no alpha plane is kept.
void IcoLoadPngEntry(TIcoLoad& c, const TIcoEntry& e, std::int64_t dataStart) {
  const std::int64_t left = c.StreamSize - dataStart;
  const std::int64_t length = e.Size > 0 ? std::min<std::int64_t>(e.Size, left) : left;
  TMemoryStream png;
  png.SetSize(length);
  c.Stream.SetPosition(dataStart);
  if (!ReadExact(&c.Stream, png.Memory(), length)) {
    c.Aborting = true;
    return;
  }
  png.SetPosition(0);
  const TRGBPixel saved = c.Params.PngBackground;
  c.Params.PngBackground = c.Background;
  LoadPngImage(png, c.Bitmap, &c.Params, c.NoAlpha, c.Alpha, c.ParamsOnly || !c.Bitmap, c.Progress);
  c.Params.PngBackground = saved;
}

// File row k of the colour (XOR) rows with its transparency (AND) bits,
// into image row out and alpha row a (nil when none is kept).
struct TIcoRowJob {
  int Width = 0, Bits = 0;
  TRGBPixel Background;
  bool FlipUnderMask = false;  // 1 bit on a white background
};

void IcoDecodeRow(const TIcoRowJob& j, const TBmpRowDecoder& decode, const Byte* in, const Byte* andBits, Byte* out,
                  Byte* a) {
  decode(in, out);
  const int w = j.Width;
  switch (j.Bits) {
    case 1:
      for (int x = 0; x < w; ++x) {
        if (!IcoBit(andBits, x)) continue;
        if (a) a[x] = 0;
        if (j.FlipUnderMask) out[x >> 3] ^= Byte(0x80 >> (x & 7));
      }
      break;
    case 4:
    case 8:
      for (int x = 0; x < w; ++x) {
        if (!IcoBit(andBits, x)) continue;
        out[x * 3] = j.Background.b, out[x * 3 + 1] = j.Background.g, out[x * 3 + 2] = j.Background.r;
        if (a) a[x] = 0;
      }
      break;
    case 32:
      if (a)
        for (int x = 0; x < w; ++x) a[x] = in[x * 4 + 3];
      break;
    default: break;
  }
}

bool IcoDecodableDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }

// An entry holding a BMP info header, palette, colour rows and mask rows.
void IcoLoadDibEntry(TIcoLoad& c, const TIcoEntry& e, std::int64_t dataStart) {
  c.Stream.SetPosition(dataStart);
  std::uint8_t h[kIcoInfoBytes];
  if (!ReadExact(&c.Stream, h, sizeof h)) {
    c.Aborting = true;
    return;
  }
  TByteReader r(h, sizeof h);
  const std::uint32_t infoSize = r.U32();
  const std::int32_t headerWidth = r.I32(), headerHeight = r.I32();
  r.Skip(2);
  const int headerBits = r.U16();
  r.Skip(8);
  const std::int32_t ppmX = r.I32(), ppmY = r.I32();
  if (infoSize < kIcoInfoBytes || infoSize > kIcoLargestInfoBytes) {
    c.Aborting = true;
    return;
  }
  c.Params.SetDpiX(BmpDpiFromPpm(ppmX));
  c.Params.SetDpiY(BmpDpiFromPpm(ppmY));
  int bits = c.Cursor ? headerBits : (headerBits != 0 ? headerBits : e.Word6);
  if (bits == 0) bits = CeilLog2(std::uint32_t(e.Colors));
  if (bits <= 0) {
    c.Aborting = true;
    return;
  }
  if (bits > 8) {
    c.Params.BitsPerSample = 8;
    c.Params.SamplesPerPixel = bits == 32 ? 4 : 3;
  } else {
    c.Params.BitsPerSample = bits;
    c.Params.SamplesPerPixel = 1;
  }
  std::int64_t width = e.Width, height = e.Height;
  if (width == 0) width = headerWidth;
  if (height == 0) height = headerHeight / 2;
  if (!c.Cursor && e.Width != 0 && headerWidth != 0 && e.Width != headerWidth &&
      headerWidth < kIcoHeaderSideLimit && headerHeight < kIcoHeaderSideLimit) {
    width = headerWidth;
    height = headerHeight / 2;
  }
  if (width <= 0 || height <= 0 || width * height > kIcoMaxPixels) {
    c.Aborting = true;
    return;
  }
  // An icon's palette has 2^bits entries; a cursor's as many as its entry
  // counts. Lookups go through a full table.
  int colors = 0;
  if (bits <= 8) {
    colors = 1 << bits;
    if (c.Cursor && e.Colors != 0) colors = e.Colors == 255 ? 256 : e.Colors;
  }
  c.Params.SetColorMap(nullptr, 0);
  TRGBPixel palette[256] = {};
  c.Stream.SetPosition(dataStart + infoSize);
  if (colors > 0) {
    std::uint8_t raw[256 * 4];
    if (!ReadExact(&c.Stream, raw, std::int64_t(colors) * 4)) {
      c.Aborting = true;
      return;
    }
    for (int i = 0; i < colors; ++i) palette[i] = TRGBPixel{raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
    c.Params.SetColorMap(palette, colors);
  }
  c.Params.Width = std::int32_t(width);
  c.Params.Height = std::int32_t(height);
  if (c.ParamsOnly || !c.Bitmap) return;
  // Other depths have no rule for their rows; an empty picture would pass
  // for a read one.
  if (!IcoDecodableDepth(bits)) {
    c.Aborting = true;
    return;
  }
  const int w = int(width), hgt = int(height);
  const std::int64_t xorRow = IcoRowBytes(width, bits), andRow = IcoRowBytes(width, 1);
  // The colour rows must all be there; mask rows cut short count as opaque.
  std::int64_t left = c.StreamSize - c.Stream.Position();
  if (xorRow * hgt > left) {
    c.Aborting = true;
    return;
  }
  std::vector<Byte> xorData(std::size_t(xorRow * hgt));
  if (!ReadExact(&c.Stream, xorData.data(), std::int64_t(xorData.size()))) {
    c.Aborting = true;
    return;
  }
  std::vector<Byte> andData;
  if (bits <= 8) {
    andData.assign(std::size_t(andRow * hgt), 0);
    left = std::max<std::int64_t>(0, c.StreamSize - c.Stream.Position());
    const std::int64_t want = std::min<std::int64_t>(left, std::int64_t(andData.size()));
    if (want > 0) c.Stream.Read(andData.data(), want);
  }
  c.Bitmap->Allocate(w, hgt, bits == 1 ? vqBits1 : vqRGB24);
  std::vector<Byte*> alphaRows;
  if (!c.NoAlpha) {
    if (!c.Alpha) c.Alpha = std::make_unique<TVQMask>();
    c.Alpha->AllocateBits(w, hgt, 8);
    c.Alpha->Fill(255);
    c.Alpha->Full = false;
    alphaRows.resize(std::size_t(hgt));
    for (int y = 0; y < hgt; ++y) alphaRows[std::size_t(y)] = c.Alpha->GetScanline(y);
  }
  TIcoRowJob job;
  job.Width = w;
  job.Bits = bits;
  job.Background = c.Background;
  job.FlipUnderMask = c.Background == kIcoWhite;
  const TBmpRowDecoder decode(w, bits, palette, false);
  auto rows = [&](int k0, int k1) {
    for (int k = k0; k < k1; ++k) {
      const int y = hgt - 1 - k;
      IcoDecodeRow(job, decode, xorData.data() + xorRow * k, bits <= 8 ? andData.data() + andRow * k : nullptr,
                   c.Bitmap->GetScanline(y), alphaRows.empty() ? nullptr : alphaRows[std::size_t(y)]);
    }
  };
  const double per = 100.0 / hgt;
  c.Progress.Per = per;
  // A file-backed image holds one row at a time.
  const bool fileBacked = c.Bitmap->Location() == vqTempFile;
  for (int k0 = 0; k0 < hgt; k0 += kIcoRowBand) {
    ReportProgress(&c.Progress, int(k0 * per));
    if (c.Aborting) return;
    const int k1 = std::min(hgt, k0 + kIcoRowBand);
    if (fileBacked)
      rows(k0, k1);
    else
      ParallelRows(k1 - k0, [&](int b, int e) { rows(k0 + b, k0 + e); });
  }
}

void IcoLoad(TIcoLoad& c) {
  const std::int64_t start = c.Stream.Position();
  c.StreamSize = c.Stream.Size();
  std::uint8_t header[kIcoHeaderBytes];
  if (!ReadExact(&c.Stream, header, sizeof header)) {
    c.Aborting = true;
    return;
  }
  if (!c.Cursor && header[0] == 'B' && header[1] == 'M') {
    c.Stream.SetPosition(start);
    const int size = int(std::clamp<std::int64_t>(c.StreamSize - start, 0, 0x7FFFFFFF));
    LoadBmpImage(c.Stream, c.Bitmap, size, false, c.ParamsOnly, c.Progress, c.Params);
    return;
  }
  const int count = header[4] | header[5] << 8;
  const int index = c.Cursor ? c.Params.CurImageIndex : c.Params.IcoImageIndex;
  // A wrong index reads nothing, and says so: the caller would otherwise
  // take the image it already had for the entry it asked for.
  if (index < 0 || index >= count) {
    c.Aborting = true;
    return;
  }
  // The whole directory must be in the stream before any of it is used.
  if (StreamBytesLeft(&c.Stream) < std::int64_t(count) * kIcoEntryBytes) {
    c.Aborting = true;
    return;
  }
  std::vector<std::uint8_t> dir(std::size_t(count) * kIcoEntryBytes);
  if (!ReadExact(&c.Stream, dir.data(), std::int64_t(dir.size()))) {
    c.Aborting = true;
    return;
  }
  if (!c.Cursor) {
    // 0 in a size byte means 256, so a loaded icon saves back at its sizes.
    for (int i = 0; i < TIOParamsVals::kIcoEntries; ++i) {
      c.Params.IcoSizes[i] = {};
      c.Params.IcoBitCounts[i] = 0;
      if (i >= count) continue;
      const TIcoEntry e = IcoEntryAt(dir.data() + i * kIcoEntryBytes);
      c.Params.IcoSizes[i] = {e.Width ? e.Width : kIcoLargestSide, e.Height ? e.Height : kIcoLargestSide};
      c.Params.IcoBitCounts[i] = e.Word6 ? e.Word6 : e.Colors ? CeilLog2(std::uint32_t(e.Colors)) : 24;
    }
  }
  const TIcoEntry e = IcoEntryAt(dir.data() + std::size_t(index) * kIcoEntryBytes);
  if (c.Cursor) {
    c.Params.CurHotSpotX = e.Word4;
    c.Params.CurHotSpotY = e.Word6;
  }
  const std::int64_t dataStart = start + e.Offset;
  std::uint8_t magic[sizeof kIcoPngSignature];
  c.Stream.SetPosition(std::min(dataStart, c.StreamSize));
  if (!ReadExact(&c.Stream, magic, sizeof magic)) {
    c.Aborting = true;
    return;
  }
  if (std::memcmp(magic, kIcoPngSignature, sizeof magic) == 0)
    IcoLoadPngEntry(c, e, dataStart);
  else
    IcoLoadDibEntry(c, e, dataStart);
}

}  // namespace

int ReadIcoCount(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  std::uint8_t header[kIcoHeaderBytes];
  if (!ReadExact(Stream, header, sizeof header)) return 0;
  return header[4] | header[5] << 8;
}

void LoadIcoImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                  std::unique_ptr<TVQMask>& Alpha, TVQProgressRec& Progress, bool ParamsOnly) {
  bool dummyAbort = false;
  TIcoLoad c{Stream, Bitmap, Params, NoAlpha, Alpha, Progress, ParamsOnly, false,
             Progress.Aborting ? *Progress.Aborting : dummyAbort, 0, Params.IcoBackground};
  IcoLoad(c);
}

void LoadCurImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                  std::unique_ptr<TVQMask>& Alpha, TVQProgressRec& Progress, bool ParamsOnly) {
  bool dummyAbort = false;
  TIcoLoad c{Stream, Bitmap, Params, NoAlpha, Alpha, Progress, ParamsOnly, true,
             Progress.Aborting ? *Progress.Aborting : dummyAbort, 0, Params.CurBackground};
  IcoLoad(c);
}

// ---- writing ---------------------------------------------------------------------

namespace {

struct TIcoWriteEntry {
  int Width = 0, Height = 0;
  bool Resample = true;
  int Bits = 0;
  std::int64_t DataStart = 0, DataSize = 0;
};

// The resampler's size rules: -1 keeps the aspect, 0 the image's side, a
// negative value its magnitude; both negative leave the image as it is.
void IcoEntrySize(int imageWidth, int imageHeight, int wantWidth, int wantHeight, TIcoWriteEntry& e) {
  if (wantWidth < 0 && wantHeight < 0) {
    e.Width = imageWidth;
    e.Height = imageHeight;
    e.Resample = false;
    return;
  }
  std::int64_t w = wantWidth == -1  ? std::int64_t(wantHeight) * imageWidth / imageHeight
                   : wantWidth == 0 ? imageWidth
                                    : std::llabs(wantWidth);
  w = std::max<std::int64_t>(w, 1);
  std::int64_t h = wantHeight == -1  ? w * imageHeight / imageWidth
                   : wantHeight == 0 ? imageHeight
                                     : std::llabs(wantHeight);
  h = std::max<std::int64_t>(h, 1);
  e.Width = int(std::min<std::int64_t>(w, kIcoLargestSide + 1));
  e.Height = int(std::min<std::int64_t>(h, kIcoLargestSide + 1));
}

int IcoEntryDepth(int bitCount, int samples, int bits) {
  if (bitCount == 0) {
    if (samples == 3 && bits == 8) return 24;
    if (samples == 4 && bits == 8) return 32;
    if (samples == 1 && bits == 1) return 1;
    if (samples == 1 && bits == 4) return 4;
    return 8;
  }
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 32 ? bitCount : 24;
}

inline void IcoSetBit(Byte* row, int x) { row[x >> 3] |= Byte(0x80 >> (x & 7)); }

// One image's info header, palette, colour rows and mask rows. img is
// 1-bit for 1-bit entries, 24-bit for the others.
void IcoWriteImage(TStream& Stream, TVQBitmap* img, int depth, TIOParamsVals& Params, bool& aborting) {
  const int w = img->GetWidth(), h = img->GetHeight();
  TVQBitmap* alpha = img->HasAlphaChannel() ? img->GetAlphaChannel() : nullptr;
  const std::int64_t xorRow = IcoRowBytes(w, depth), andRow = IcoRowBytes(w, 1);
  std::vector<TRGBPixel> filePalette;
  std::unique_ptr<TVQQuantizer> quant;
  if (depth == 1) {
    filePalette = {TRGBPixel{0, 0, 0}, kIcoWhite};
  } else if (depth <= 8) {
    // Entry 0 is kept for transparent pixels.
    const int entries = 1 << depth;
    std::vector<TRGBPixel> map(static_cast<std::size_t>(entries));
    quant = std::make_unique<TVQQuantizer>(img, map.data(), entries - 1, -1);
    Params.SetColorMap(map.data(), entries);
    filePalette.push_back(TRGBPixel{0, 0, 0});
    filePalette.insert(filePalette.end(), map.begin(), map.end() - 1);
  }
  std::uint8_t hd[kIcoInfoBytes] = {};
  PutU32(hd, kIcoInfoBytes);
  PutU32(hd + 4, std::uint32_t(w));
  PutU32(hd + 8, std::uint32_t(h) * 2);
  PutU16(hd + 12, 1);
  PutU16(hd + 14, std::uint16_t(depth));
  PutU32(hd + 20, depth <= 8 ? std::uint32_t((xorRow + andRow) * h) : 0u);
  PutU32(hd + 24, BmpPpmFromDpi(Params.DpiX()));
  PutU32(hd + 28, BmpPpmFromDpi(Params.DpiY()));
  SafeStreamWrite(&Stream, aborting, hd, sizeof hd);
  std::vector<Byte> raw;
  for (const TRGBPixel& p : filePalette) raw.insert(raw.end(), {p.b, p.g, p.r, 0});
  if (!raw.empty()) SafeStreamWrite(&Stream, aborting, raw.data(), std::int64_t(raw.size()));
  std::vector<Byte> out(static_cast<std::size_t>(xorRow)), idx(static_cast<std::size_t>(w));
  std::vector<Byte> andRows(static_cast<std::size_t>(andRow * h), 0);
  TVQQuantizer::TRowCache cache;
  for (int r = 0; r < h && !aborting; ++r) {
    const int y = h - 1 - r;
    const Byte* in = img->GetScanline(y);
    const Byte* a = alpha ? alpha->GetScanline(y) : nullptr;
    Byte* andBits = andRows.data() + andRow * r;
    std::fill(out.begin(), out.end(), Byte(0));
    switch (depth) {
      case 24: std::memcpy(out.data(), in, std::size_t(w) * 3); break;
      case 32:
        for (int x = 0; x < w; ++x) {
          out[x * 4] = in[x * 3], out[x * 4 + 1] = in[x * 3 + 1], out[x * 4 + 2] = in[x * 3 + 2];
          out[x * 4 + 3] = a ? a[x] : 255;
          if (a && a[x] != 255) IcoSetBit(andBits, x);
        }
        break;
      case 1:
        // Set colour bits under set mask bits would invert the screen there.
        for (int x = 0; x < w; ++x) {
          if (a && a[x] != 255)
            IcoSetBit(andBits, x);
          else if (IcoBit(in, x))
            IcoSetBit(out.data(), x);
        }
        break;
      default:
        quant->ColorIndexRow(in, w, idx.data(), &cache);
        for (int x = 0; x < w; ++x) {
          Byte v = Byte(idx[std::size_t(x)] + 1);
          if (a && a[x] != 255) {
            v = 0;
            IcoSetBit(andBits, x);
          }
          if (depth == 8)
            out[std::size_t(x)] = v;
          else
            out[std::size_t(x / 2)] |= Byte((x & 1) ? v : v << 4);
        }
        break;
    }
    SafeStreamWrite(&Stream, aborting, out.data(), xorRow);
  }
  SafeStreamWrite(&Stream, aborting, andRows.data(), std::int64_t(andRows.size()));
}

}  // namespace

void SaveIcoImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, std::span<const std::int32_t> Bits,
                  std::span<const TIOParamsVals::TIcoSize> Sizes, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& aborting = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  const std::size_t count = Sizes.size();
  // Without an image the directory would hold nothing.
  if (!Bitmap || Bitmap->IsEmpty() || count == 0 || count > 0xFFFF) {
    aborting = true;
    return;
  }
  // Every size is checked before anything is written: a side the directory
  // cannot hold would leave a file other readers take for another size.
  std::vector<TIcoWriteEntry> entries(count);
  const int imageWidth = Bitmap->GetWidth(), imageHeight = Bitmap->GetHeight();
  for (std::size_t i = 0; i < count; ++i) {
    IcoEntrySize(imageWidth, imageHeight, Sizes[i].Width, Sizes[i].Height, entries[i]);
    if (entries[i].Width > kIcoLargestSide || entries[i].Height > kIcoLargestSide) {
      aborting = true;
      return;
    }
  }
  const std::int64_t start = Stream.Position();
  std::uint8_t header[kIcoHeaderBytes] = {};
  PutU16(header + 2, 1);
  PutU16(header + 4, std::uint16_t(count));
  SafeStreamWrite(&Stream, aborting, header, sizeof header);
  const std::vector<std::uint8_t> blank(count * kIcoEntryBytes, 0);
  SafeStreamWrite(&Stream, aborting, blank.data(), std::int64_t(blank.size()));
  if (aborting) return;
  Params.SetColorMap(nullptr, 0);
  if (Bitmap->GetPixelFormat() != vqRGB24) Params.BitsPerSample = Params.SamplesPerPixel = 1;
  // The resampler filters 24-bit and 1-bit images; others go through 24 bits.
  TVQBitmap* source = Bitmap;
  std::unique_ptr<TVQBitmap> converted;
  if (Bitmap->GetPixelFormat() != vqRGB24 && Bitmap->GetPixelFormat() != vqBits1) {
    converted = std::make_unique<TVQBitmap>();
    converted->Assign(Bitmap);
    converted->SetPixelFormat(vqRGB24);
    source = converted.get();
  }
  const TResampleFilter filter = source->GetPixelFormat() == vqBits1 ? rfNone : rfFastLinear;
  const double perEntry = 100.0 / double(count);
  for (std::size_t i = 0; i < count; ++i) {
    ReportProgress(&Progress, int(double(i) * perEntry));
    if (aborting) return;
    TIcoWriteEntry& e = entries[i];
    e.Bits = IcoEntryDepth(i < Bits.size() ? Bits[i] : 0, Params.SamplesPerPixel, Params.BitsPerSample);
    TVQBitmap resampled;
    TVQBitmap* img = source;
    if (e.Resample) {
      resampled.Allocate(e.Width, e.Height, source->GetPixelFormat());
      ResampleBitmap(source, &resampled, filter);
      img = &resampled;
    }
    const TVQPixelFormat want = e.Bits == 1 ? vqBits1 : vqRGB24;
    TVQBitmap copy;
    if (img->GetPixelFormat() != want) {
      copy.Assign(img);
      copy.SetPixelFormat(want);
      img = &copy;
    }
    e.DataStart = Stream.Position();
    IcoWriteImage(Stream, img, e.Bits, Params, aborting);
    if (aborting) return;
    e.DataSize = Stream.Position() - e.DataStart;
  }
  const std::int64_t end = Stream.Position();
  std::vector<std::uint8_t> dir(count * kIcoEntryBytes, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const TIcoWriteEntry& e = entries[i];
    std::uint8_t* p = dir.data() + i * kIcoEntryBytes;
    p[0] = std::uint8_t(e.Width);  // 256 wraps to 0, as the format says
    p[1] = std::uint8_t(e.Height);
    if (e.Bits > 8) {
      PutU16(p + 4, 1);
      PutU16(p + 6, std::uint16_t(e.Bits));
    } else {
      p[2] = std::uint8_t(std::min(1 << e.Bits, 255));
    }
    PutU32(p + 8, std::uint32_t(e.DataSize));
    PutU32(p + 12, std::uint32_t(e.DataStart - start));
  }
  Stream.SetPosition(start + kIcoHeaderBytes);
  SafeStreamWrite(&Stream, aborting, dir.data(), std::int64_t(dir.size()));
  Stream.SetPosition(end);
}

// BMP reading and writing.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_dib.h"
#include "imaging/io/formats/bmpfilt_rle.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/graphics/ByteReader.h"
#include "platform/rtl/ParallelRows.h"

namespace {

// Larger images are refused rather than allocated.
constexpr std::int64_t kBmpMaxPixels = std::int64_t(1) << 28;
constexpr int kBmpFileHeaderSize = 14;
constexpr int kBmpCoreSize = 12;
constexpr int kBmpInfoSize = 40;
constexpr int kBmpLongSize = 64;

std::int64_t BmpReadUpTo(TStream& s, void* buf, std::int64_t n) { return n > 0 ? s.Read(buf, n) : 0; }

int BmpMaskWidth(std::uint32_t m) {
  if (!m) return 0;
  while (!(m & 1)) m >>= 1;
  int w = 0;
  while (m & 1) {
    ++w;
    m >>= 1;
  }
  return w;
}

}  // namespace

int BmpDpiFromPpm(std::int32_t ppm) {
  const long d = std::lround(ppm / 100.0 * 2.54);
  return d > 0 ? int(d) : kIODefaultDpi;
}

std::uint32_t BmpPpmFromDpi(int dpi) { return std::uint32_t(std::lround(dpi / 2.54 * 100)); }

TBmpRowDecoder::TBmpRowDecoder(int width, int bits, const TRGBPixel* palette, bool indexed,
                               const std::uint32_t* masks)
    : width_(width), bits_(bits), palette_(palette), indexed_(indexed) {
  if (bits != 16) return;
  if (masks)
    for (int i = 0; i < 3; ++i) masks_[i] = masks[i];
  for (int i = 0; i < 3; ++i) {
    std::uint32_t m = masks_[i] & 0xFFFF;
    int low = 0;
    while (m && !(m & 1)) m >>= 1, ++low;
    const int w = BmpMaskWidth(m);
    low_[i] = low;
    field_[i] = w ? (1u << w) - 1 : 0;
    // Repeating the bits makes the largest value 255, as other readers do.
    for (std::uint32_t v = 0; w && w < 8 && v <= field_[i]; ++v) {
      std::uint32_t r = 0;
      int n = 0;
      for (; n < 8; n += w) r = r << w | v;
      scale_[i][v] = Byte(r >> (n - 8));
    }
  }
}

void TBmpRowDecoder::operator()(const Byte* in, Byte* out) const {
  const int w = width_;
  const TRGBPixel* palette = palette_;
  switch (bits_) {
    case 1: std::memcpy(out, in, std::size_t((w + 7) / 8)); break;
    case 4:
      for (int x = 0; x < w; ++x) {
        const Byte i = (x & 1) ? (in[x / 2] & 15) : (in[x / 2] >> 4);
        if (indexed_) {
          out[x] = i;
        } else {
          out[x * 3] = palette[i].b, out[x * 3 + 1] = palette[i].g, out[x * 3 + 2] = palette[i].r;
        }
      }
      break;
    case 8:
      if (indexed_) {
        std::memcpy(out, in, std::size_t(w));
      } else {
        for (int x = 0; x < w; ++x)
          out[x * 3] = palette[in[x]].b, out[x * 3 + 1] = palette[in[x]].g, out[x * 3 + 2] = palette[in[x]].r;
      }
      break;
    case 16:
      for (int x = 0; x < w; ++x) {
        const std::uint32_t p = std::uint32_t(in[x * 2] | (in[x * 2 + 1] << 8));
        for (int c = 0; c < 3; ++c) {
          const std::uint32_t f = field_[c], v = (p >> low_[c]) & f;
          out[x * 3 + 2 - c] = f < 255 ? scale_[c][v] : Byte(v >> (BmpMaskWidth(f) - 8));
        }
      }
      break;
    case 24: std::memcpy(out, in, std::size_t(w) * 3); break;
    case 32:
      for (int x = 0; x < w; ++x) out[x * 3] = in[x * 4], out[x * 3 + 1] = in[x * 4 + 1], out[x * 3 + 2] = in[x * 4 + 2];
      break;
    default: break;
  }
}

void LoadBmpImage(TStream& Stream, TVQBitmap* Bitmap, int Size, bool NoFileHeader, bool ParamsOnly,
                  TVQProgressRec& Progress, TIOParamsVals& Params) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  const std::int64_t start = Stream.Position();
  const std::int64_t streamSize = Stream.Size();
  std::uint8_t fh[kBmpFileHeaderSize] = {};
  std::uint32_t pixelOffset = 0;
  if (NoFileHeader) {
    fh[0] = 'B';
    fh[1] = 'M';
    PutU32(fh + 2, std::uint32_t(std::min<std::int64_t>(streamSize, 0xFFFFFFFF)));
  } else if (BmpReadUpTo(Stream, fh, kBmpFileHeaderSize) != kBmpFileHeaderSize) {
    abortFlag = true;
    return;
  }
  TByteReader f(fh, sizeof fh);
  const std::uint16_t type = f.U16();
  const std::uint32_t fileSize = f.U32();
  f.Skip(4);
  pixelOffset = NoFileHeader ? 0 : f.U32();
  std::int64_t size = Size;
  if (size < 1 && fileSize > 0) size = fileSize;
  if (type != 0x4D42) {
    abortFlag = true;
    return;
  }
  std::uint8_t hs[4] = {};
  if (BmpReadUpTo(Stream, hs, 4) != 4) {
    abortFlag = true;
    return;
  }
  Stream.Seek(-4, soCurrent);
  const std::uint32_t headerSize = TByteReader(hs, 4).U32();
  Params.SetColorMap(nullptr, 0);
  // Lookups go through a full table so an index past the file's palette
  // yields black.
  TRGBPixel palette[256] = {};
  int colorCount = 0;
  std::int64_t width = 0, height = 0;
  int bits = 0;
  std::uint32_t compression = 0, imageSize = 0;
  bool topDown = false;
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (headerSize == kBmpCoreSize) {
    std::uint8_t h[kBmpCoreSize] = {};
    BmpReadUpTo(Stream, h, kBmpCoreSize);
    TByteReader r(h, sizeof h);
    r.Skip(4);
    width = r.U16();
    height = r.U16();
    r.Skip(2);
    bits = r.U16();
    Params.BmpVersion = 2;
    Params.SetDpiX(kIODefaultDpi);
    Params.SetDpiY(kIODefaultDpi);
    if (bits >= 1 && bits <= 8) {
      colorCount = 1 << bits;
      std::uint8_t raw[256 * 3] = {};
      BmpReadUpTo(Stream, raw, colorCount * 3);
      for (int i = 0; i < colorCount; ++i) palette[i] = TRGBPixel{raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]};
    }
  } else {
    if (headerSize < 16) {  // too short to hold the depth
      abortFlag = true;
      return;
    }
    std::uint8_t h[kBmpLongSize] = {};
    BmpReadUpTo(Stream, h, std::min<std::uint32_t>(kBmpLongSize, headerSize));
    if (headerSize > kBmpLongSize) Stream.Seek(std::int64_t(headerSize) - kBmpLongSize, soCurrent);
    Params.BmpVersion = headerSize == kBmpLongSize ? 3 : headerSize == kBmpInfoSize ? 1 : 0;
    TByteReader r(h, sizeof h);
    r.Skip(4);
    width = r.I32();
    height = r.I32();
    r.Skip(2);
    bits = r.U16();
    compression = r.U32();
    imageSize = r.U32();
    const std::int32_t ppmX = r.I32(), ppmY = r.I32();
    std::uint32_t used = r.U32();
    if (height < 0) {
      height = -height;
      topDown = true;
    }
    Params.SetDpiX(BmpDpiFromPpm(ppmX));
    Params.SetDpiY(BmpDpiFromPpm(ppmY));
    if (used > 256) used = 0;
    if (used == 0 && bits <= 8) used = 1u << bits;
    if (used > 0) {
      colorCount = int(used);
      std::uint8_t raw[256 * 4] = {};
      BmpReadUpTo(Stream, raw, colorCount * 4);
      for (int i = 0; i < colorCount; ++i) palette[i] = TRGBPixel{raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
    }
    if (compression == 3) {
      // Longer headers carry the masks themselves.
      std::uint8_t m[12] = {};
      if (headerSize >= 52)
        std::memcpy(m, h + 40, 12);
      else
        BmpReadUpTo(Stream, m, 12);
      TByteReader mr(m, sizeof m);
      for (auto& v : masks) v = mr.U32();
    }
  }
  if (colorCount > 0) Params.SetColorMap(palette, colorCount);
  if (compression == 0 || compression == 3)
    Params.BmpCompression = 0;
  else if (compression == 1 || compression == 2)
    Params.BmpCompression = 1;
  if (pixelOffset != 0) {
    if (start + std::int64_t(pixelOffset) > streamSize) {
      abortFlag = true;
      return;
    }
    Stream.SetPosition(start + pixelOffset);
  }
  std::int64_t rleLength = size >= 1 ? size - (Stream.Position() - start) : std::int64_t(imageSize);
  rleLength = std::clamp<std::int64_t>(rleLength, 0, std::max<std::int64_t>(0, streamSize - Stream.Position()));
  if (width < 0 || width * height > kBmpMaxPixels) {
    abortFlag = true;
    return;
  }
  Params.Width = int(width);
  Params.Height = int(height);
  if (width == 0 || height == 0) ParamsOnly = true;
  const bool native = Params.NativePixelFormat;
  switch (bits) {
    case 1: Params.BitsPerSample = 1, Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4, Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8, Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5, Params.SamplesPerPixel = 3; break;
    case 24:
    case 32: Params.BitsPerSample = 8, Params.SamplesPerPixel = 3; break;
    default: break;
  }
  if (ParamsOnly || !Bitmap) return;
  const bool indexed = (bits == 4 || bits == 8) && native;
  Bitmap->Allocate(int(width), int(height), bits == 1 ? vqBits1 : indexed ? vqPalette8 : vqRGB24);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return;
  const int w = int(width), hgt = int(height);
  if (indexed) {
    for (int i = 0; i < colorCount; ++i) Bitmap->SetPaletteColor(i, palette[i]);
    Bitmap->PaletteColors = bits == 8 ? 256 : 16;
  }
  const double per = 100.0 / hgt;
  Progress.Per = per;
  if ((bits == 8 && compression == 1) || (bits == 4 && compression == 2)) {
    std::vector<Byte> data(std::size_t(std::min<std::int64_t>(rleLength, 0x7FFFFFFF)));
    const std::int64_t got = BmpReadUpTo(Stream, data.data(), std::int64_t(data.size()));
    const int n = int(std::max<std::int64_t>(0, got));
    const TRGBPixel* pal = indexed ? nullptr : palette;
    if (bits == 8)
      DecodeRle8(Bitmap, data.data(), n, topDown, Progress, pal);
    else
      DecodeRle4(Bitmap, data.data(), n, topDown, Progress, pal);
    return;
  }
  const bool plain = compression == 0 || (bits == 16 && compression == 3) || bits == 24 || bits == 32;
  if (!plain) return;
  const std::int64_t rowLen = ((width * bits + 31) / 32) * 4;
  // One file row into one image row; the depth is fixed for the whole image.
  const TBmpRowDecoder convert(w, bits, palette, indexed, masks);
  // Rows are read a band at a time (about 4 MB) and converted on all cores.
  const int band = int(std::clamp<std::int64_t>((std::int64_t(1) << 22) / rowLen, 1, hgt));
  std::vector<Byte> block(std::size_t(rowLen * band));
  const bool fileBacked = Bitmap->Location() == vqTempFile;
  for (int k0 = 0; k0 < hgt;) {
    int rows = 0;
    const int want = std::min(band, hgt - k0);
    while (rows < want) {
      if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, int((k0 + rows) * per));
      if (abortFlag) break;
      ++rows;
    }
    const std::int64_t got = std::max<std::int64_t>(0, BmpReadUpTo(Stream, block.data(), rowLen * rows));
    // A short read ends the image; a partial last row gets zeros.
    const int full = int(got / rowLen), done = std::min(rows, full + (got % rowLen ? 1 : 0));
    if (got % rowLen) std::fill(block.begin() + got, block.begin() + std::int64_t(done) * rowLen, Byte(0));
    auto convertRows = [&](int b, int e) {
      for (int i = b; i < e; ++i) {
        const int k = k0 + i;
        convert(block.data() + std::int64_t(i) * rowLen, Bitmap->GetScanline(topDown ? k : hgt - 1 - k));
      }
    };
    // A file-backed image holds one row at a time.
    if (fileBacked)
      convertRows(0, done);
    else
      ParallelRows(done, convertRows);
    if (done < want) break;
    k0 += rows;
  }
  if (bits == 1 && colorCount == 2 && palette[0] == TRGBPixel{255, 255, 255} && palette[1] == TRGBPixel{0, 0, 0}) {
    const int bytes = (w + 7) / 8;
    for (int y = 0; y < hgt; ++y) {
      Byte* p = Bitmap->GetScanline(y);
      for (int i = 0; i < bytes; ++i) p[i] = Byte(~p[i]);
    }
  }
}

void SaveBmpImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  if (!Bitmap || Bitmap->IsEmpty()) {
    abortFlag = true;
    return;
  }
  const int depth = (Params.BitsPerSample == 1 || Params.BitsPerSample == 4) ? Params.BitsPerSample
                    : Params.SamplesPerPixel == 1                             ? 8
                                                                              : 24;
  const std::int64_t start = Stream.Position();
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  const bool core = Params.BmpVersion == 2;
  const int headerSize = core ? kBmpCoreSize : Params.BmpVersion == 3 ? kBmpLongSize : kBmpInfoSize;
  // A core header holds 16-bit sizes; larger images would come out wrong.
  if (core && (w > 0xFFFF || h > 0xFFFF)) {
    abortFlag = true;
    return;
  }
  const bool rle = Params.BmpCompression == 1 && !core && (depth == 4 || depth == 8);
  std::uint8_t fh[kBmpFileHeaderSize] = {'B', 'M'};
  std::uint8_t hd[kBmpLongSize] = {};
  PutU32(hd, std::uint32_t(headerSize));
  if (core) {
    PutU16(hd + 4, std::uint16_t(w));
    PutU16(hd + 6, std::uint16_t(h));
    PutU16(hd + 8, 1);
  } else {
    PutU32(hd + 4, std::uint32_t(w));
    PutU32(hd + 8, std::uint32_t(h));
    PutU16(hd + 12, 1);
    PutU32(hd + 16, rle ? (depth == 4 ? 2u : 1u) : 0u);
    PutU32(hd + 24, BmpPpmFromDpi(Params.DpiX()));
    PutU32(hd + 28, BmpPpmFromDpi(Params.DpiY()));
    PutU32(hd + 32, depth <= 8 ? (1u << depth) : 0u);
    PutU32(hd + 36, 1u << depth);
  }
  SafeStreamWrite(&Stream, abortFlag, fh, kBmpFileHeaderSize);
  SafeStreamWrite(&Stream, abortFlag, hd, headerSize);
  if (abortFlag) return;

  // The image the rows come from, converted where the depth needs it.
  std::unique_ptr<TVQBitmap> copy;
  TVQBitmap* src = Bitmap;
  const TVQPixelFormat fmt = Bitmap->GetPixelFormat();
  auto convertedCopy = [&](TVQPixelFormat to) {
    copy = std::make_unique<TVQBitmap>();
    copy->Assign(Bitmap);
    copy->SetPixelFormat(to);
    src = copy.get();
  };
  TRGBPixel pal[256] = {};
  int palCount = 0;
  std::unique_ptr<TVQQuantizer> quant;
  // Formats without a path of their own to the output depth go through
  // 24 bits first.
  if (fmt != vqBits1 && fmt != vqPalette8 && fmt != vqGray8 && fmt != vqRGB24) convertedCopy(vqRGB24);
  if (depth == 1) {
    palCount = 2;
    pal[1] = TRGBPixel{255, 255, 255};
    if (fmt != vqBits1) {
      TRGBPixel c0, c1;
      std::unique_ptr<TVQBitmap> two = TwoColorBitmap(src, c0, c1);
      if (two) {
        copy = std::move(two);
        src = copy.get();
        pal[0] = c0;
        pal[1] = c1;
      } else {
        TVQBitmap* from = src;
        auto bits = std::make_unique<TVQBitmap>();
        bits->Assign(from);
        bits->SetPixelFormat(vqBits1);
        copy = std::move(bits);
        src = copy.get();
      }
    }
  } else if (depth == 24) {
    if (src->GetPixelFormat() != vqRGB24) convertedCopy(vqRGB24);
  } else {
    if (src->GetPixelFormat() != vqPalette8 && src->GetPixelFormat() != vqRGB24) convertedCopy(vqRGB24);
    palCount = 1 << depth;
    quant = std::make_unique<TVQQuantizer>(src, pal, palCount, -1);
  }
  if (palCount > 0) {
    Params.SetColorMap(pal, palCount);
    std::vector<Byte> raw;
    for (int i = 0; i < palCount; ++i) {
      raw.push_back(pal[i].b);
      raw.push_back(pal[i].g);
      raw.push_back(pal[i].r);
      if (!core) raw.push_back(0);
    }
    SafeStreamWrite(&Stream, abortFlag, raw.data(), std::int64_t(raw.size()));
  }
  const std::int64_t dataStart = Stream.Position();
  const std::int64_t rowLen = ((std::int64_t(w) * depth + 31) / 32) * 4;
  std::vector<Byte> out(std::size_t(rle ? std::int64_t(w) * 10 + 2 : rowLen));
  std::vector<Byte> idx(std::size_t(depth == 4 || depth == 8 ? w : 0));
  const double per = 100.0 / h;
  Progress.Per = per;
  const bool srcIndexed = src->GetPixelFormat() == vqPalette8;
  for (int r = 0; r < h && !abortFlag; ++r) {
    if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, int(r * per));
    if (abortFlag) break;
    const Byte* in = src->GetScanline(h - 1 - r);
    std::int64_t n = rowLen;
    if (depth == 1 || depth == 24) {
      std::fill(out.begin(), out.end(), Byte(0));
      std::memcpy(out.data(), in, std::size_t(depth == 1 ? (w + 7) / 8 : w * 3));
    } else {
      if (srcIndexed)
        std::memcpy(idx.data(), in, std::size_t(w));
      else
        quant->ColorIndexRow(in, w, idx.data());
      if (depth == 4)
        for (auto& i : idx) i &= 15;
      if (rle) {
        n = depth == 8 ? EncodeRle8Row(idx.data(), w, out.data()) : EncodeRle4Row(idx.data(), w, out.data());
      } else {
        std::fill(out.begin(), out.end(), Byte(0));
        if (depth == 8)
          std::memcpy(out.data(), idx.data(), std::size_t(w));
        else
          for (int x = 0; x < w; ++x) out[std::size_t(x / 2)] |= Byte((x & 1) ? idx[std::size_t(x)] : idx[std::size_t(x)] << 4);
      }
    }
    SafeStreamWrite(&Stream, abortFlag, out.data(), n);
  }
  if (rle && !abortFlag) {
    const Byte eob[2] = {0, 1};
    SafeStreamWrite(&Stream, abortFlag, eob, 2);
  }
  if (abortFlag) return;
  const std::int64_t end = Stream.Position();
  PutU32(fh + 2, std::uint32_t(end - start));
  PutU32(fh + 10, std::uint32_t(dataStart - start));
  if (core) {
    PutU16(hd + 10, std::uint16_t(depth));
  } else {
    PutU16(hd + 14, std::uint16_t(depth));
    PutU32(hd + 20, std::uint32_t(end - dataStart));
  }
  Stream.SetPosition(start);
  SafeStreamWrite(&Stream, abortFlag, fh, kBmpFileHeaderSize);
  SafeStreamWrite(&Stream, abortFlag, hd, headerSize);
  Stream.SetPosition(end);
}

// PCX reading and writing.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/graphics/ByteReader.h"
#include "platform/rtl/ParallelRows.h"

namespace {

// Larger images are refused rather than allocated.
constexpr std::int64_t kPcxMaxPixels = std::int64_t(1) << 28;
constexpr int kPcxHeaderSize = 128;
constexpr int kPcxPaletteSize = 768;
constexpr Byte kPcxManufacturer = 10;
constexpr Byte kPcxPaletteMarker = 12;
constexpr Byte kPcxRunFlag = 0xC0;
constexpr int kPcxMaxRun = 63;
// Rows are decoded and converted a band of about this many bytes at a time.
constexpr std::int64_t kPcxBandBytes = std::int64_t(1) << 22;

// How a row's plane lines turn into pixels; fixed for the whole image.
enum class TPcxLayout {
  Mono,    // 1 bit, 1 plane: copied into a 1-bit row
  Packed,  // 2, 4 or 8 bits in 1 plane: palette indices, high bits first
  Planar,  // 1 bit in 2 to 4 planes: bit x of plane p is bit p of the index
  Rgb,     // 8 bits in 3 or 4 planes: red, green, blue (a fourth plane is not used)
};

// Reads at most a budget of bytes through a 64 KB buffer and decodes runs,
// which may carry on from one line (and one row) into the next.
class TPcxInput {
 public:
  TPcxInput(TStream& s, std::int64_t budget) : s_(s), budget_(budget) {}

  // Fills n bytes; false when the data ends first, the rest left zero.
  bool Raw(Byte* dst, std::int64_t n) {
    while (n > 0) {
      if (at_ == filled_ && !Refill()) return Zero(dst, n);
      const std::int64_t k = std::min(n, filled_ - at_);
      std::memcpy(dst, buf_ + at_, std::size_t(k));
      at_ += k;
      dst += k;
      n -= k;
    }
    return true;
  }

  bool Rle(Byte* dst, std::int64_t n) {
    while (n > 0) {
      if (runLeft_ > 0) {
        const std::int64_t k = std::min<std::int64_t>(runLeft_, n);
        std::memset(dst, runValue_, std::size_t(k));
        runLeft_ -= int(k);
        dst += k;
        n -= k;
        continue;
      }
      if (filled_ - at_ < 2) Refill();
      const Byte* p = buf_ + at_;
      const Byte* const e = buf_ + filled_;
      if (p == e) return Zero(dst, n);
      // Within the buffer every code has its value byte after it.
      while (n > 0 && p + 1 < e) {
        const Byte c = *p++;
        if (c < kPcxRunFlag) {
          *dst++ = c;
          --n;
          continue;
        }
        const int count = c & kPcxMaxRun;
        const Byte v = *p++;
        const std::int64_t k = std::min<std::int64_t>(count, n);
        std::memset(dst, v, std::size_t(k));
        dst += k;
        n -= k;
        if (count > k) runLeft_ = int(count - k), runValue_ = v;
      }
      at_ = p - buf_;
      if (n > 0 && p + 1 == e) {
        Refill();  // moves the byte to the front
        if (filled_ - at_ >= 2) continue;
        // The data's last byte: a literal, or a count whose value is missing.
        const Byte c = buf_[at_++];
        if (c >= kPcxRunFlag) return Zero(dst, n);
        *dst++ = c;
        --n;
      }
    }
    return true;
  }

 private:
  static bool Zero(Byte* dst, std::int64_t n) {
    std::memset(dst, 0, std::size_t(n));
    return false;
  }
  // Keeps the unread bytes and appends what the stream and the budget give.
  bool Refill() {
    const std::int64_t keep = filled_ - at_;
    std::memmove(buf_, buf_ + at_, std::size_t(keep));
    at_ = 0;
    filled_ = keep;
    const std::int64_t want = std::min<std::int64_t>(std::int64_t(sizeof buf_) - keep, budget_);
    const std::int64_t got = want > 0 ? s_.Read(buf_ + keep, want) : 0;
    if (got <= 0) return keep > 0;
    budget_ -= got;
    filled_ += got;
    return true;
  }

  TStream& s_;
  std::int64_t budget_;
  Byte buf_[1 << 16];
  std::int64_t filled_ = 0;
  std::int64_t at_ = 0;
  int runLeft_ = 0;
  Byte runValue_ = 0;
};

// Byte b spread into eight bytes of 0 or 1, its high bit in the lowest.
constexpr std::array<std::uint64_t, 256> PcxMakeSpread() {
  std::array<std::uint64_t, 256> t{};
  for (int b = 0; b < 256; ++b)
    for (int k = 0; k < 8; ++k)
      if (b & (0x80 >> k)) t[std::size_t(b)] |= std::uint64_t(1) << (8 * k);
  return t;
}
constexpr std::array<std::uint64_t, 256> kPcxSpread = PcxMakeSpread();

inline void PcxPutColor(Byte* out, const TRGBPixel& c) {
  out[0] = c.b;
  out[1] = c.g;
  out[2] = c.r;
}

// Red, green and blue lines into blue, green, red pixels; the lines never
// overlap the row, which lets the compiler vectorise the loop.
void PcxInterleave(const Byte* __restrict r, const Byte* __restrict g, const Byte* __restrict b, Byte* __restrict out,
                   int width) {
  for (int x = 0; x < width; ++x) {
    out[3 * x] = b[x];
    out[3 * x + 1] = g[x];
    out[3 * x + 2] = r[x];
  }
}

// One decoded row (its plane lines one after another) into an image row.
void PcxConvertRow(TPcxLayout layout, const Byte* in, Byte* out, int width, int bits, int planes, int bpl,
                   const TRGBPixel* pal) {
  switch (layout) {
    case TPcxLayout::Mono:
      std::memcpy(out, in, std::size_t((width + 7) / 8));
      break;
    case TPcxLayout::Packed:
      if (bits == 8) {
        for (int x = 0; x < width; ++x) PcxPutColor(out + 3 * x, pal[in[x]]);
      } else {
        const int perByte = 8 / bits, mask = (1 << bits) - 1;
        for (int x = 0; x < width; ++x) {
          const int shift = 8 - bits * (x % perByte + 1);
          PcxPutColor(out + 3 * x, pal[(in[x / perByte] >> shift) & mask]);
        }
      }
      break;
    case TPcxLayout::Planar:
      for (int x0 = 0; x0 < width; x0 += 8) {
        std::uint64_t acc = 0;
        for (int p = 0; p < planes; ++p) acc |= kPcxSpread[in[std::size_t(p) * bpl + x0 / 8]] << p;
        const int n = std::min(8, width - x0);
        for (int k = 0; k < n; ++k) PcxPutColor(out + 3 * (x0 + k), pal[(acc >> (8 * k)) & 0xFF]);
      }
      break;
    case TPcxLayout::Rgb:
      PcxInterleave(in, in + bpl, in + 2 * std::size_t(bpl), out, width);
      break;
  }
}

}  // namespace

namespace {

void PcxLoad(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly, TVQProgressRec& Progress,
             std::int64_t DataSize, bool& abortFlag) {
  const std::int64_t start = Stream.Position();
  const std::int64_t left = StreamBytesLeft(&Stream);
  if (DataSize <= 0 || DataSize > left) DataSize = left;
  std::uint8_t hd[kPcxHeaderSize];
  if (DataSize < kPcxHeaderSize || !ReadExact(&Stream, hd, kPcxHeaderSize)) {
    abortFlag = true;
    return;
  }
  TByteReader h(hd, sizeof hd);
  const int manufacturer = h.U8(), version = h.U8(), encoding = h.U8(), bits = h.U8();
  const int xmin = h.U16(), ymin = h.U16(), xmax = h.U16(), ymax = h.U16();
  const int dpiX = h.U16(), dpiY = h.U16();
  h.Seek(65);
  const int planes = h.U8(), bpl = h.U16();
  if (manufacturer != kPcxManufacturer || bits > 8 || (encoding != 0 && encoding != 1)) {
    abortFlag = true;
    return;
  }
  const std::int64_t width = std::int64_t(xmax) - xmin + 1, height = std::int64_t(ymax) - ymin + 1;
  TPcxLayout layout;
  int indexBits = 0;  // 0: no palette
  if (planes == 1 && bits == 1) {
    layout = TPcxLayout::Mono;
    indexBits = 1;
  } else if (planes == 1 && (bits == 2 || bits == 4 || bits == 8)) {
    layout = TPcxLayout::Packed;
    indexBits = bits;
  } else if (bits == 1 && planes >= 2 && planes <= 4) {
    layout = TPcxLayout::Planar;
    indexBits = planes;
  } else if (bits == 8 && (planes == 3 || planes == 4)) {
    layout = TPcxLayout::Rgb;
  } else {
    // Any other combination would leave the picture undecoded.
    abortFlag = true;
    return;
  }
  // Lines shorter than the width, or a palette that would overlap the header.
  if (width <= 0 || height <= 0 || width * height > kPcxMaxPixels || bpl < (width * bits + 7) / 8 ||
      (indexBits == 8 && DataSize < kPcxHeaderSize + kPcxPaletteSize)) {
    abortFlag = true;
    return;
  }

  if (dpiX == 0 || dpiY == 0) {
    Params.SetDpiX(kIODefaultDpi);
    Params.SetDpiY(kIODefaultDpi);
  } else {
    Params.SetDpiX(dpiX);
    Params.SetDpiY(dpiY);
  }
  // Lookups go through a full table so no index reaches past the palette.
  TRGBPixel pal[256] = {};
  if (indexBits == 8) {
    std::uint8_t raw[kPcxPaletteSize];
    Stream.SetPosition(start + DataSize - kPcxPaletteSize);
    if (!ReadExact(&Stream, raw, kPcxPaletteSize)) {
      abortFlag = true;
      return;
    }
    for (int i = 0; i < 256; ++i) pal[i] = TRGBPixel{raw[3 * i + 2], raw[3 * i + 1], raw[3 * i]};
    Stream.SetPosition(start + kPcxHeaderSize);
  } else if (indexBits > 0) {
    for (int i = 0; i < 16; ++i) pal[i] = TRGBPixel{hd[16 + 3 * i + 2], hd[16 + 3 * i + 1], hd[16 + 3 * i]};
  }
  Params.BitsPerSample = layout == TPcxLayout::Planar ? planes : bits;
  Params.SamplesPerPixel = layout == TPcxLayout::Planar ? 1 : planes;
  Params.Width = int(width);
  Params.Height = int(height);
  Params.PcxVersion = version;
  Params.SetColorMap(indexBits ? pal : nullptr, indexBits ? 1 << indexBits : 0);
  if (ParamsOnly || !Bitmap) return;

  const int w = int(width), hgt = int(height);
  Bitmap->Allocate(w, hgt, layout == TPcxLayout::Mono ? vqBits1 : vqRGB24);
  const std::int64_t rowBytes = std::int64_t(bpl) * planes;
  const int band = int(std::clamp<std::int64_t>(kPcxBandBytes / rowBytes, 1, hgt));
  std::vector<Byte> block(std::size_t(rowBytes * band));
  auto input = std::make_unique<TPcxInput>(Stream, DataSize - kPcxHeaderSize);
  const bool rle = encoding == 1;
  const bool fileBacked = Bitmap->Location() == vqTempFile;
  const double per = 100.0 / hgt;
  Progress.Per = per;
  for (int y0 = 0; y0 < hgt && !abortFlag;) {
    const int want = std::min(band, hgt - y0);
    int rows = 0;
    bool ended = false;
    while (rows < want && !ended) {
      if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, int((y0 + rows) * per));
      if (abortFlag) break;
      Byte* row = block.data() + rows * rowBytes;
      ended = !(rle ? input->Rle(row, rowBytes) : input->Raw(row, rowBytes));
      ++rows;
    }
    auto convertRows = [&](int b, int e) {
      for (int i = b; i < e; ++i)
        PcxConvertRow(layout, block.data() + i * rowBytes, Bitmap->GetScanline(y0 + i), w, bits, planes, bpl, pal);
    };
    // A file-backed image holds one row at a time.
    if (fileBacked)
      convertRows(0, rows);
    else
      ParallelRows(rows, convertRows);
    // Data that ends early keeps the rows before it; the rest stay blank.
    if (ended) abortFlag = true;
    y0 += rows;
  }
}

}  // namespace

void LoadPcxImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TVQProgressRec& Progress, std::int64_t DataSize) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  try {
    PcxLoad(Stream, Bitmap, Params, ParamsOnly, Progress, DataSize, abortFlag);
  } catch (...) {
    // A stream that fails or memory that runs out ends the read like bad data.
    abortFlag = true;
  }
}

// ---- writing ----------------------------------------------------------------------

namespace {

// Codes one line of n samples: runs of up to 63 equal bytes, and single
// bytes that would read as a count, as a count and the byte. An odd line
// gets a zero byte, as its bytes per line are even. Returns the bytes written
// (at most 2 n + 1).
std::size_t PcxEncodeLine(const Byte* in, int n, Byte* out) {
  Byte* o = out;
  for (int i = 0; i < n;) {
    const Byte v = in[i];
    int run = 1;
    while (run < kPcxMaxRun && i + run < n && in[i + run] == v) ++run;
    if (run > 1 || v >= kPcxRunFlag) *o++ = Byte(kPcxRunFlag | run);
    *o++ = v;
    i += run;
  }
  if (n & 1) *o++ = 0;
  return std::size_t(o - out);
}

// The file's depth for the block's bits and samples: 1, 4, 8 or 24, or 0
// when nothing sensible is asked for. Requests between those (2 or 3 bits,
// 16-bit samples, four samples) take the next depth that holds them.
int PcxOutputDepth(int bitsPerSample, int samples) {
  if (bitsPerSample == 1) return 1;
  const int d = bitsPerSample * samples;
  if (bitsPerSample <= 0 || samples <= 0) return 0;
  return d <= 4 ? 4 : d <= 8 ? 8 : 24;
}

}  // namespace

void SavePcxImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  const int depth = PcxOutputDepth(Params.BitsPerSample, Params.SamplesPerPixel);
  if (!Bitmap || Bitmap->IsEmpty() || depth == 0) {
    abortFlag = true;
    return;
  }
  const int w = Bitmap->GetWidth(), hgt = Bitmap->GetHeight();
  const int samples = depth == 1 ? (w + 7) / 8 : depth == 4 ? (w + 1) / 2 : w;
  const int bpl = samples + (samples & 1);
  const int planes = depth == 24 ? 3 : 1;
  // The header holds 16-bit sizes.
  if (w > 0x10000 || hgt > 0x10000 || bpl > 0xFFFF) {
    abortFlag = true;
    return;
  }

  // The image the rows come from, converted where the depth needs it.
  std::unique_ptr<TVQBitmap> copy;
  TVQBitmap* src = Bitmap;
  const TVQPixelFormat fmt = Bitmap->GetPixelFormat();
  auto convertedCopy = [&](TVQPixelFormat to) {
    auto c = std::make_unique<TVQBitmap>();
    c->Assign(src);
    c->SetPixelFormat(to);
    copy = std::move(c);
    src = copy.get();
  };
  TRGBPixel pal[256] = {};
  int palCount = 0;
  std::unique_ptr<TVQQuantizer> quant;
  if (depth == 1) {
    palCount = 2;
    pal[1] = TRGBPixel{255, 255, 255};
    if (fmt != vqBits1) {
      TRGBPixel c0, c1;
      if (std::unique_ptr<TVQBitmap> two = TwoColorBitmap(Bitmap, c0, c1)) {
        copy = std::move(two);
        src = copy.get();
        pal[0] = c0;
        pal[1] = c1;
      } else {
        convertedCopy(vqBits1);
      }
    }
  } else {
    if (fmt != vqRGB24) convertedCopy(vqRGB24);
    if (depth != 24) {
      palCount = 1 << depth;
      quant = std::make_unique<TVQQuantizer>(src, pal, palCount, -1);
    }
  }

  const bool rle = Params.PcxCompression;
  std::uint8_t hd[kPcxHeaderSize] = {};
  hd[0] = kPcxManufacturer;
  hd[1] = Byte(Params.PcxVersion);
  hd[2] = rle ? 1 : 0;
  hd[3] = depth == 4 ? 4 : depth == 1 ? 1 : 8;
  PutU16(hd + 8, std::uint16_t(w - 1));
  PutU16(hd + 10, std::uint16_t(hgt - 1));
  PutU16(hd + 12, std::uint16_t(std::clamp(Params.DpiX(), 0, 0xFFFF)));
  PutU16(hd + 14, std::uint16_t(std::clamp(Params.DpiY(), 0, 0xFFFF)));
  if (depth <= 4)
    for (int i = 0; i < palCount; ++i) {
      hd[16 + 3 * i] = pal[i].r;
      hd[16 + 3 * i + 1] = pal[i].g;
      hd[16 + 3 * i + 2] = pal[i].b;
    }
  hd[65] = Byte(planes);
  PutU16(hd + 66, std::uint16_t(bpl));
  PutU16(hd + 68, depth == 24 ? 0 : 1);
  SafeStreamWrite(&Stream, abortFlag, hd, kPcxHeaderSize);

  // Rows are coded a band at a time on all cores, then written in order.
  const int band = std::clamp(int(kPcxBandBytes / (std::int64_t(bpl) * planes)), 1, hgt);
  const std::size_t lineCap = 2 * std::size_t(bpl) + 2;
  std::vector<Byte> coded(std::size_t(band) * planes * lineCap);
  std::vector<std::size_t> codedLen(static_cast<std::size_t>(band));
  const Byte tailMask = Byte(0xFF << ((8 - w % 8) % 8));
  auto codeRows = [&](int y0, int b, int e) {
    std::vector<Byte> lines(std::size_t(bpl) * planes), idx(quant ? std::size_t(w) : 0);
    TVQQuantizer::TRowCache cache;
    for (int i = b; i < e; ++i) {
      const Byte* in = src->GetScanline(y0 + i);
      std::fill(lines.begin(), lines.end(), Byte(0));
      if (depth == 1) {
        std::memcpy(lines.data(), in, std::size_t(samples));
        lines[std::size_t(samples) - 1] &= tailMask;
      } else if (depth == 24) {
        Byte* r = lines.data();
        Byte* g = r + bpl;
        Byte* bl = g + bpl;
        for (int x = 0; x < w; ++x) {
          bl[x] = in[3 * x];
          g[x] = in[3 * x + 1];
          r[x] = in[3 * x + 2];
        }
      } else {
        quant->ColorIndexRow(in, w, idx.data(), &cache);
        if (depth == 8)
          std::memcpy(lines.data(), idx.data(), std::size_t(w));
        else
          for (int x = 0; x < w; ++x) lines[std::size_t(x / 2)] |= Byte((idx[std::size_t(x)] & 15) << ((x & 1) ? 0 : 4));
      }
      Byte* out = coded.data() + std::size_t(i) * planes * lineCap;
      std::size_t n = 0;
      for (int p = 0; p < planes; ++p) {
        const Byte* line = lines.data() + std::size_t(p) * bpl;
        if (rle) {
          n += PcxEncodeLine(line, samples, out + n);
        } else {
          std::memcpy(out + n, line, std::size_t(bpl));
          n += std::size_t(bpl);
        }
      }
      codedLen[std::size_t(i)] = n;
    }
  };
  const bool fileBacked = src->Location() == vqTempFile;
  const double per = 100.0 / hgt;
  Progress.Per = per;
  for (int y0 = 0; y0 < hgt && !abortFlag; y0 += band) {
    const int rows = std::min(band, hgt - y0);
    if (fileBacked)
      codeRows(y0, 0, rows);
    else
      ParallelRows(rows, [&](int b, int e) { codeRows(y0, b, e); });
    for (int i = 0; i < rows && !abortFlag; ++i) {
      if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, int((y0 + i) * per));
      if (abortFlag) break;
      SafeStreamWrite(&Stream, abortFlag, coded.data() + std::size_t(i) * planes * lineCap,
                      std::int64_t(codedLen[std::size_t(i)]));
    }
  }
  if (depth == 8 && !abortFlag) {
    std::uint8_t tail[1 + kPcxPaletteSize];
    tail[0] = kPcxPaletteMarker;
    for (int i = 0; i < 256; ++i) {
      tail[1 + 3 * i] = pal[i].r;
      tail[1 + 3 * i + 1] = pal[i].g;
      tail[1 + 3 * i + 2] = pal[i].b;
    }
    SafeStreamWrite(&Stream, abortFlag, tail, sizeof tail);
  }
}

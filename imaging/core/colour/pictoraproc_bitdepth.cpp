#include "imaging/core/colour/pictoraproc_bitdepth.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"
#include "platform/graphics/Bitmap.h"

namespace {

// M(2n) from M(n): quadrant (qr, qc) of M(2n) is 4 M(n) plus the offset 0,
// 2 / 3, 1 of the quadrant.
struct BitdepthBayer {
  Byte m[8][8];
  constexpr BitdepthBayer() : m{} {
    constexpr int offset[2][2] = {{0, 2}, {3, 1}};
    for (int size = 1; size < 8; size *= 2) {
      Byte prev[8][8] = {};
      for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) prev[r][c] = m[r][c];
      for (int r = 0; r < 2 * size; ++r)
        for (int c = 0; c < 2 * size; ++c)
          m[r][c] = static_cast<Byte>(4 * prev[r % size][c % size] + offset[r / size][c / size]);
    }
  }
};
constexpr BitdepthBayer kBitdepthBayer;

// A fresh scratch bitmap that stores its pixels where the image would.
std::unique_ptr<TVQBitmap> BitdepthScratch(TVQBitmap& like, int w, int h, TVQPixelFormat format) {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = like.MemoryThreshold;
  b->SetLocation(like.Location() == vqTBitmap ? vqMemoryBuffer : like.Location());
  b->Allocate(w, h, format);
  return b;
}

}  // namespace

const Byte (&BayerMatrix)[8][8] = kBitdepthBayer.m;

void OrderedDitherRow(const Byte* level, int width, int y, Byte* dst) {
  // Along a row the entries repeat every eight pixels: column y mod 8.
  Byte t[8];
  for (int i = 0; i < 8; ++i) t[i] = BayerMatrix[i][y & 7];
  const int whole = width >> 3;
  for (int k = 0; k < whole; ++k, level += 8) {
    unsigned bits = 0;
    for (int i = 0; i < 8; ++i) bits |= (level[i] > t[i] ? 0x80u : 0u) >> i;
    dst[k] = static_cast<Byte>(bits);
  }
  if (const int rest = width & 7) {
    unsigned bits = 0;
    for (int i = 0; i < rest; ++i) bits |= (level[i] > t[i] ? 0x80u : 0u) >> i;
    dst[whole] = static_cast<Byte>(bits);
  }
}

void OrderedDither1Bit(TVQBitmap* bitmap, TVQProgressRec* progress) {
  if (!bitmap || bitmap->GetPixelFormat() != vqRGB24 || bitmap->IsEmpty()) return;
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  auto result = BitdepthScratch(*bitmap, w, h, vqBits1);
  const int wr = GrayWeightRed, wg = GrayWeightGreen, wb = GrayWeightBlue;
  VQWalkRows(
      *bitmap, result.get(),
      [&](int first, int last, Byte* const* src, Byte* const* dst) {
        // Locals, not captures: byte stores may alias anything referenced.
        const int width = w, red = wr, green = wg, blue = wb;
        std::vector<Byte> levels(static_cast<std::size_t>(width));
        Byte* level = levels.data();
        for (int y = first; y < last; ++y) {
          const Byte* p = src[y];
          for (int x = 0; x < width; ++x, p += 3) {
            if (p[0] >= 251 && p[1] >= 251 && p[2] >= 251) {
              level[x] = 64;
            } else {
              const int g = (p[2] * red + p[1] * green + p[0] * blue) / 100;
              level[x] = static_cast<Byte>((g < 0 ? 0 : g > 255 ? 255 : g) >> 2);
            }
          }
          OrderedDitherRow(level, width, y, dst[y]);
        }
      },
      progress);
  bitmap->AssignImage(result.get());
}

void Threshold1Bit(TVQBitmap* bitmap, int threshold, TVQProgressRec* progress) {
  if (!bitmap || bitmap->GetPixelFormat() != vqRGB24 || bitmap->IsEmpty()) return;
  auto result = BitdepthScratch(*bitmap, bitmap->GetWidth(), bitmap->GetHeight(), vqBits1);
  ThresholdTo1Bit(bitmap, result.get(), threshold, progress);
  bitmap->AssignImage(result.get());
}

int MaxEntropyThreshold(const Int64 counts[256]) {
  Int64 total = 0;
  for (int i = 0; i < 256; ++i) total += counts[i];
  if (total <= 0) return -1;
  double p[256];
  double h = 0;
  for (int i = 0; i < 256; ++i) {
    p[i] = static_cast<double>(counts[i]) / static_cast<double>(total);
    if (p[i] > 0) h -= p[i] * std::log(p[i]);
  }
  // The best score starts below every real one: a picture of two grey
  // levels scores exactly 0 at every cut and must still get its cut.
  double best = -std::numeric_limits<double>::infinity();
  int threshold = -1;
  double pb = 0, hb = 0;
  for (int t = 1; t <= 255; ++t) {
    pb += p[t - 1];
    if (p[t - 1] > 0) hb -= p[t - 1] * std::log(p[t - 1]);
    if (pb > 0 && pb < 1) {
      const double score = std::log(pb - pb * pb) + hb / pb + (h - hb) / (1 - pb);
      if (score > best) {
        best = score;
        threshold = t;
      }
    }
  }
  return threshold;
}

void AverageColor(TVQBitmap* bitmap, int& red, int& green, int& blue) {
  red = green = blue = 128;
  if (!bitmap || bitmap->IsEmpty()) return;
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  const TVQPixelFormat format = bitmap->GetPixelFormat();
  const TRGBPixel* palette = bitmap->Palette();
  std::vector<Int64> rowSums(static_cast<std::size_t>(h) * 3);
  VQWalkRows(*bitmap, nullptr, [&](int first, int last, Byte* const* src, Byte* const*) {
    std::vector<TRGBPixel> colors(static_cast<std::size_t>(w));
    for (int y = first; y < last; ++y) {
      VQColorRow(format, src[y], w, palette, colors.data());
      Int64 r = 0, g = 0, b = 0;
      for (const TRGBPixel& c : colors) {
        r += c.r;
        g += c.g;
        b += c.b;
      }
      Int64* s = &rowSums[static_cast<std::size_t>(y) * 3];
      s[0] = r / w;
      s[1] = g / w;
      s[2] = b / w;
    }
  });
  Int64 r = 0, g = 0, b = 0;
  for (int y = 0; y < h; ++y) {
    r += rowSums[static_cast<std::size_t>(y) * 3];
    g += rowSums[static_cast<std::size_t>(y) * 3 + 1];
    b += rowSums[static_cast<std::size_t>(y) * 3 + 2];
  }
  red = static_cast<int>(r / h);
  green = static_cast<int>(g / h);
  blue = static_cast<int>(b / h);
}

void GreyHistogram(TVQBitmap* bitmap, Int64 counts[256]) {
  std::memset(counts, 0, sizeof(Int64) * 256);
  if (!bitmap || bitmap->IsEmpty()) return;
  const int w = bitmap->GetWidth();
  const TVQPixelFormat format = bitmap->GetPixelFormat();
  Byte greys[256];
  VQPaletteGreys(*bitmap, greys);
  std::mutex merge;
  VQWalkRows(*bitmap, nullptr, [&](int first, int last, Byte* const* src, Byte* const*) {
    Int64 local[256] = {};
    std::vector<Byte> g(static_cast<std::size_t>(w));
    for (int y = first; y < last; ++y) {
      if (format == vqBits1) {
        for (int x = 0; x < w; ++x) ++local[GetBit(src[y], x) ? 1 : 0];
        continue;
      }
      VQGreyRow(format, src[y], w, greys, g.data());
      for (Byte v : g) ++local[v];
    }
    // Sums of counts are the same in any order.
    std::lock_guard<std::mutex> hold(merge);
    for (int i = 0; i < 256; ++i) counts[i] += local[i];
  });
}

void ThresholdTo1Bit(TVQBitmap* source, TVQBitmap* dest, int threshold, TVQProgressRec* progress) {
  if (!source || !dest || source->IsEmpty() || dest->GetPixelFormat() != vqBits1) return;
  const int w = std::min(source->GetWidth(), dest->GetWidth());
  const int h = std::min(source->GetHeight(), dest->GetHeight());
  if (w <= 0 || h <= 0) return;
  const TVQPixelFormat format = source->GetPixelFormat();
  if (format == vqBits1) {
    VQWalkRows(
        *source, dest,
        [&](int first, int last, Byte* const* src, Byte* const* dst) {
          for (int y = first; y < std::min(last, h); ++y) CopyBits(dst[y], src[y], 0, (w + 7) / 8, w, 0);
        },
        progress, TVQRowPercent::Divided);
    return;
  }
  if (threshold == -2) {
    Int64 counts[256];
    GreyHistogram(source, counts);
    threshold = MaxEntropyThreshold(counts);
  }
  if (threshold == -1) {
    int r, g, b;
    AverageColor(source, r, g, b);
    threshold = VQGreyOf(r, g, b);
  }
  Byte greys[256];
  VQPaletteGreys(*source, greys);
  VQWalkRows(
      *source, dest,
      [&](int first, int last, Byte* const* src, Byte* const* dst) {
        const int width = w, cut = threshold;
        std::vector<Byte> g(static_cast<std::size_t>(width));
        for (int y = first; y < std::min(last, h); ++y) {
          VQGreyRow(format, src[y], width, greys, g.data());
          Byte* d = dst[y];
          const int whole = width >> 3;
          const Byte* v = g.data();
          for (int k = 0; k < whole; ++k, v += 8) {
            unsigned bits = 0;
            for (int i = 0; i < 8; ++i) bits |= (v[i] >= cut ? 0x80u : 0u) >> i;
            d[k] = static_cast<Byte>(bits);
          }
          if (const int rest = width & 7) {
            unsigned bits = 0;
            for (int i = 0; i < rest; ++i) bits |= (v[i] >= cut ? 0x80u : 0u) >> i;
            d[whole] = static_cast<Byte>(bits);
          }
        }
      },
      progress, TVQRowPercent::Divided);
}

std::unique_ptr<TVQBitmap> TwoColorBitmap(TVQBitmap* bitmap, TRGBPixel& color0, TRGBPixel& color1) {
  if (!bitmap || bitmap->IsEmpty()) return nullptr;
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  const TVQPixelFormat format = bitmap->GetPixelFormat();
  const TRGBPixel* palette = bitmap->Palette();
  auto packed = [](TRGBPixel c) { return (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b; };
  THash1 seen(13);
  TRGBPixel first{}, second{};
  std::vector<TRGBPixel> colors(static_cast<std::size_t>(w));
  {
    TVQViewAccessScope readOnly(*bitmap, vqRead);
    for (int y = 0; y < h && seen.Count() <= 2; ++y) {
      VQColorRow(format, bitmap->GetScanline(y), w, palette, colors.data());
      for (const TRGBPixel& c : colors) {
        if (seen.Count() >= 1 && (c == first || (seen.Count() >= 2 && c == second))) continue;
        if (seen.Insert(packed(c))) {
          if (seen.Count() == 1) first = c;
          if (seen.Count() == 2) second = c;
        }
      }
    }
  }
  if (seen.Count() != 2) return nullptr;
  auto result = BitdepthScratch(*bitmap, w, h, vqBits1);
  // grey' unrounded; the darker colour takes the clear bits.
  auto greyPrime = [](TRGBPixel c) { return std::nearbyint((c.r * 21 + c.g * 71 + c.b * 8) / 100.0); };
  const bool swap = greyPrime(second) < greyPrime(first);
  color0 = swap ? second : first;
  color1 = swap ? first : second;
  const TRGBPixel clear = color0;
  VQWalkRows(*bitmap, result.get(), [&](int a, int b, Byte* const* src, Byte* const* dst) {
    std::vector<TRGBPixel> row(static_cast<std::size_t>(w));
    for (int y = a; y < b; ++y) {
      VQColorRow(format, src[y], w, palette, row.data());
      Byte* d = dst[y];
      for (int x = 0; x < w; ++x) SetBit(d, x, !(row[static_cast<std::size_t>(x)] == clear));
    }
  });
  return result;
}

void Expand1To24(TBitmap* source, TBitmap* dest, TVQProgressRec* progress) {
  if (!source || !dest) return;
  dest->SetSize(1, 1);
  dest->SetPixelFormat(pf24bit);
  const int w = source->Width(), h = source->Height();
  dest->SetSize(w, h);
  if (w <= 0 || h <= 0 || source->PixelFormat() != pf1bit) return;
  const int whole = w / 8, rest = w % 8;
  for (int y = 0; y < h; ++y) {
    const Byte* s = static_cast<const Byte*>(static_cast<const TBitmap*>(source)->ScanLine(y));
    Byte* d = static_cast<Byte*>(dest->ScanLine(y));
    for (int k = 0; k < whole; ++k, d += 24) std::memcpy(d, BitExpansionTable[s[k]], 24);
    if (rest) std::memcpy(d, BitExpansionTable[s[whole]], static_cast<std::size_t>(rest) * 3);
    ReportProgress(progress, RowPercent(y + 1, h));
  }
}

int QuantizeRow(const Byte* src, Byte* dst, std::uint16_t srcBits, std::uint16_t dstBits, std::uint16_t count,
                const TRGBPixel* palette, const TVQQuantizer* quantizer) {
  const int n = count;
  auto packedAt = [src](int x) {
    const Byte* p = src + 3 * x;
    return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
  };
  auto entry = [palette](int i) { return palette ? palette[i] : TRGBPixel{}; };
  switch (srcBits * 100 + dstBits) {
    case 2404:
      if (!quantizer) return 0;
      for (int x = 0; x < n; ++x)
        dst[x >> 1] |= static_cast<Byte>((quantizer->ColorIndex(packedAt(x)) & 0x0F) << ((x & 1) ? 0 : 4));
      break;
    case 2408:
      if (!quantizer) return 0;
      for (int x = 0; x < n; ++x) dst[x] = static_cast<Byte>(quantizer->ColorIndex(packedAt(x)));
      break;
    case 2424:
    case 808: std::memcpy(dst, src, static_cast<std::size_t>(n) * (srcBits / 8)); break;
    case 3224:
      for (int x = 0; x < n; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
      break;
    case 801:
      std::memset(dst, 0, static_cast<std::size_t>((n + 7) / 8));
      for (int x = 0; x < n; ++x) dst[x >> 3] |= static_cast<Byte>((src[x] & 1) << (7 - (x & 7)));
      break;
    case 824:
      for (int x = 0; x < n; ++x) {
        const TRGBPixel c = entry(src[x]);
        std::memcpy(dst + 3 * x, &c, 3);
      }
      break;
    case 101: std::memcpy(dst, src, static_cast<std::size_t>((n + 7) / 8)); break;
    case 104:
      for (int x = 0; x < n; ++x) dst[x >> 1] |= static_cast<Byte>((GetBit(src, x) ? 1 : 0) << ((x & 1) ? 0 : 4));
      break;
    case 108:
      for (int x = 0; x < n; ++x) dst[x] = GetBit(src, x) ? 1 : 0;
      break;
    case 124:
      for (int x = 0; x < n; ++x) {
        const TRGBPixel c = entry(GetBit(src, x) ? 1 : 0);
        std::memcpy(dst + 3 * x, &c, 3);
      }
      break;
    case 404: std::memcpy(dst, src, static_cast<std::size_t>((n + 1) / 2)); break;
    case 408:
      for (int x = 0; x < n; ++x) dst[x] = static_cast<Byte>((x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
      break;
    case 424:
      for (int x = 0; x < n; ++x) {
        const TRGBPixel c = entry((x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
        std::memcpy(dst + 3 * x, &c, 3);
      }
      break;
    default: return 0;
  }
  switch (dstBits) {
    case 1: return (n + 7) / 8;
    case 4: return (n + 1) / 2;
    case 8: return n;
    case 24: return 3 * n;
    default: return 0;
  }
}

void InvertBitmapBits(TVQBitmap* bitmap) {
  if (!bitmap || bitmap->IsEmpty()) return;
  const int length = bitmap->GetRowLength();
  const int h = bitmap->GetHeight();
  // Byte by byte over the row length: a row whose length is odd (an
  // alignment of 8 bits) is never written past its end.
  TVQViewAccessScope readWrite(*bitmap, vqReadWrite);
  for (int y = 0; y < h; ++y) {
    Byte* row = bitmap->GetScanline(y);
    for (int i = 0; i < length; ++i) row[i] = static_cast<Byte>(~row[i]);
  }
  bitmap->ReleaseViews();
}

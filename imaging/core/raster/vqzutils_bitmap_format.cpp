// TVQBitmap's pixel-format conversion.
#include "imaging/core/raster/vqzutils_bitmap_format.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// The message of a pair the table has no rule for, or null.
const char* FormatRefusal(TVQPixelFormat from, TVQPixelFormat to) {
  if (to == vqCMYK) switch (from) {
      case vqBits1: return "1bit gray scale to CMYK not supported";
      case vqPalette8: return "8bit paletted to CMYK not supported";
      case vqGray8: return "8bit gray scale to CMYK not supported";
      case vqGray16: return "16bit gray scale to CMYK not supported";
      case vq32f: return "32bit float point gray scale to CMYK not supported";
      default: return nullptr;
    }
  if (from == vqCMYK) switch (to) {
      case vqBits1: return "CMYK to 1bit gray scale not supported";
      case vqPalette8: return "CMYK to 8bit paletted not supported";
      case vqGray8: return "CMYK to 8bit gray scale not supported";
      case vqGray16: return "CMYK to 16bit gray scale not supported";
      case vq32f: return "CMYK to 32bit float point gray scale not supported";
      default: return nullptr;
    }
  return nullptr;
}

inline void FormatStore16(Byte* p, std::uint32_t v) {
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
}
inline std::uint32_t FormatLoad16(const Byte* p) { return p[0] | (std::uint32_t(p[1]) << 8); }

// The 16-bit grey of a colour, unsigned 32-bit arithmetic; white gives 65280.
inline std::uint32_t FormatGrey16(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (212 * r + 713 * g + 75 * b) * 256 / 1000;
}
// The floating-point grey of a colour with its fixed weights.
inline float FormatGreyFloat(int r, int g, int b) {
  return static_cast<float>((0.2126 * r + 0.7152 * g + 0.0722 * b) / 255);
}

// Level 0-63 of a float grey for the ordered dither: the byte of its grey,
// clamped, so values past white stay white instead of wrapping.
inline Byte FormatFloatLevel(float f) {
  const double v = static_cast<double>(f) * 255;
  if (!(v > 0)) return 0;
  return static_cast<Byte>((v >= 255 ? 255 : static_cast<int>(v)) >> 2);
}

// v x 255 div k for every k from 1 and v up to k: the CMYK form without a
// division per channel.
struct FormatCMYKScale {
  Byte t[256][256];
  FormatCMYKScale() : t{} {
    for (int k = 1; k < 256; ++k)
      for (int v = 0; v <= k; ++v) t[k][v] = static_cast<Byte>(v * 255 / k);
  }
};
const FormatCMYKScale& CMYKScale() {
  static const FormatCMYKScale table;
  return table;
}

std::atomic<bool> FormatSimdOn{true};

#if defined(__x86_64__) || defined(__i386__)
// Blue, green and red of eight 24-bit pixels as 32-bit lanes. Reads 28
// bytes from s.
struct FormatBgr8 {
  __m256i b, g, r;
};
__attribute__((target("avx2"))) inline __m256i FormatChannelMask(char c) {
  return _mm256_setr_epi8(c, -1, -1, -1, char(c + 3), -1, -1, -1, char(c + 6), -1, -1, -1, char(c + 9), -1, -1, -1, c,
                          -1, -1, -1, char(c + 3), -1, -1, -1, char(c + 6), -1, -1, -1, char(c + 9), -1, -1, -1);
}
__attribute__((target("avx2"))) inline FormatBgr8 FormatLoadBgr8(const Byte* s) {
  const __m256i v = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 12)), 1);
  const __m256i mb = FormatChannelMask(0), mg = FormatChannelMask(1), mr = FormatChannelMask(2);
  return {_mm256_shuffle_epi8(v, mb), _mm256_shuffle_epi8(v, mg), _mm256_shuffle_epi8(v, mr)};
}

// The vector forms of the three loops below; each returns the pixels it
// did, a multiple of eight, leaving the rest (and the last 28 bytes of
// the row) to the plain loop.
//
// 16-bit grey: (212 r + 713 g + 75 b) 256 / 1000 is (...) 32 / 125, whose
// dividend stays below 2^24 so floats hold it exactly; a quotient short of
// a whole number by at least 1/125 cannot round up to it at float
// precision, so truncating the float quotient is the integer division.
__attribute__((target("avx2"))) int FormatGrey16RowAvx2(const Byte* s, int width, Byte* d) {
  const __m256 k212 = _mm256_set1_ps(212 * 32), k713 = _mm256_set1_ps(713 * 32), k75 = _mm256_set1_ps(75 * 32);
  const __m256 k125 = _mm256_set1_ps(125);
  int x = 0;
  for (; x + 16 + 10 <= width; x += 16, s += 48, d += 32) {
    __m256i q[2];
    for (int h = 0; h < 2; ++h) {
      const FormatBgr8 p = FormatLoadBgr8(s + 24 * h);
      const __m256 v = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(p.r), k212),
                                                   _mm256_mul_ps(_mm256_cvtepi32_ps(p.g), k713)),
                                     _mm256_mul_ps(_mm256_cvtepi32_ps(p.b), k75));
      q[h] = _mm256_cvttps_epi32(_mm256_div_ps(v, k125));
    }
    const __m256i w = _mm256_permute4x64_epi64(_mm256_packus_epi32(q[0], q[1]), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), w);
  }
  return x;
}

// Float grey: the same doubles in the same order as the plain loop's
// ((0.2126 r + 0.7152 g) + 0.0722 b) / 255, four at a time.
__attribute__((target("avx2"))) int FormatFloatRowAvx2(const Byte* s, int width, Byte* d) {
  const __m256d kr = _mm256_set1_pd(0.2126), kg = _mm256_set1_pd(0.7152), kb = _mm256_set1_pd(0.0722);
  const __m256d k255 = _mm256_set1_pd(255);
  int x = 0;
  for (; x + 8 + 2 <= width; x += 8, s += 24, d += 32) {
    const FormatBgr8 p = FormatLoadBgr8(s);
    for (int h = 0; h < 2; ++h) {
      const __m128i r = h ? _mm256_extracti128_si256(p.r, 1) : _mm256_castsi256_si128(p.r);
      const __m128i g = h ? _mm256_extracti128_si256(p.g, 1) : _mm256_castsi256_si128(p.g);
      const __m128i b = h ? _mm256_extracti128_si256(p.b, 1) : _mm256_castsi256_si128(p.b);
      const __m256d v = _mm256_add_pd(
          _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(r), kr), _mm256_mul_pd(_mm256_cvtepi32_pd(g), kg)),
          _mm256_mul_pd(_mm256_cvtepi32_pd(b), kb));
      _mm_storeu_ps(reinterpret_cast<float*>(d + 16 * h), _mm256_cvtpd_ps(_mm256_div_pd(v, k255)));
    }
  }
  return x;
}

// CMYK: v 255 / k with v <= k <= 255; the quotient is at most 255 and a
// fraction short of a whole number by at least 1/255, far above float
// precision there, so the truncated float quotient is the table's value.
__attribute__((target("avx2"))) inline __m256i FormatCMYKScale8(__m256i v, __m256 k255, __m256 kf) {
  return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(v), k255), kf));
}
__attribute__((target("avx2"))) int FormatCMYKRowAvx2(const Byte* s, int width, Byte* d) {
  const __m256 k255 = _mm256_set1_ps(255);
  const __m256i one = _mm256_set1_epi32(1);
  int x = 0;
  for (; x + 8 + 2 <= width; x += 8, s += 24, d += 32) {
    const FormatBgr8 p = FormatLoadBgr8(s);
    const __m256i k = _mm256_max_epi32(_mm256_max_epi32(p.r, p.g), _mm256_max_epi32(p.b, one));
    const __m256 kf = _mm256_cvtepi32_ps(k);
    const __m256i out = _mm256_or_si256(
        _mm256_or_si256(FormatCMYKScale8(p.r, k255, kf), _mm256_slli_epi32(FormatCMYKScale8(p.g, k255, kf), 8)),
        _mm256_or_si256(_mm256_slli_epi32(FormatCMYKScale8(p.b, k255, kf), 16), _mm256_slli_epi32(k, 24)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), out);
  }
  return x;
}
#endif

}  // namespace

void SetPixelFormatSimd(bool enabled) { FormatSimdOn.store(enabled, std::memory_order_relaxed); }

void TVQBitmap::SetPixelFormat(TVQPixelFormat format) {
  SyncWithTBitmap();
  if (format == pixelFormat_) return;
  ConvertPixelFormat(format);
}

void TVQBitmap::ConvertPixelFormat(TVQPixelFormat format) {
  SyncWithTBitmap();
  if (format > vqCMYK) throw EVQBitmapError("Unknown pixel format " + std::to_string(int(format)));
  if (format == pixelFormat_) return;
  // Refused before anything moves, so the image stays as it was.
  if (const char* refusal = FormatRefusal(pixelFormat_, format)) throw Exception(refusal);
  if (location_ == vqTBitmap && bitmap_ && !HasRows() && format != vqNull) {
    // An empty framework bitmap only takes the pixel format, so that its
    // next size comes in the new format.
    if (format == vq32f || format == vqCMYK)
      throw EVQBitmapError(std::string(format == vq32f ? "vq32f" : "vqCMYK") +
                           " pixel format not allowed when Location=vqTBitmap");
    bitmap_->SetPixelFormat(format == vqBits1 ? pf1bit : format == vqRGB24 ? pf24bit : pf8bit);
    pixelFormat_ = format == vqGray16 ? vqGray8 : format;
    bitCount_ = PixelFormatBits(pixelFormat_);
    return;
  }
  if (pixelFormat_ == vqNull || format == vqNull || !HasRows()) {
    std::unique_ptr<TVQBitmap> alpha = std::move(alphaChannel_);
    Allocate(width_, height_, format);
    alphaChannel_ = std::move(alpha);
    FitAlphaChannel();
    return;
  }
  if (isAlphaChannel_ && format != vqGray8) throw EVQBitmapError("An alpha channel holds vqGray8 pixels only");
  if (location_ == vqTBitmap) {
    ConvertInTBitmap(format);
    return;
  }
  TVQBitmap old(Temporary{}, *this);
  TransferTo(&old);
  try {
    width_ = old.width_;
    height_ = old.height_;
    pixelFormat_ = format;
    isAlphaChannel_ = old.isAlphaChannel_;
    AllocateStorage();
    ConvertRowsFrom(old);
  } catch (...) {
    // A failed allocation or file write puts the old storage back.
    FreeImage(true);
    old.TransferTo(this);
    throw;
  }
  alphaChannel_ = std::move(old.alphaChannel_);
  RefreshTBitmapPalette();
}

void TVQBitmap::ConvertInTBitmap(TVQPixelFormat format) {
  if (format == vq32f || format == vqCMYK)
    throw EVQBitmapError(std::string(format == vq32f ? "vq32f" : "vqCMYK") +
                         " pixel format not allowed when Location=vqTBitmap");
  // A framework bitmap keeps 16-bit grey as 8-bit grey.
  if (format == vqGray16) format = vqGray8;
  if (format == pixelFormat_) return;
  const TVQPixelFormat from = pixelFormat_;
  if (from == vqBits1 && format == vqRGB24) {
    const std::unique_ptr<TBitmap> copy = CloneVclBitmap(bitmap_);
    Expand1To24(copy.get(), bitmap_);
  } else if (from == vqRGB24 && format == vqBits1) {
    TVQBitmap wrap(Temporary{}, *this);
    wrap.EncapsulateTBitmap(bitmap_, true);
    if (BiLevelMethod == 0)
      OrderedDither1Bit(&wrap);
    else if (BiLevelMethod == 1)
      Threshold1Bit(&wrap, -1);
    else
      bitmap_->NewImage(width_, height_, pf1bit, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
  } else {
    // The other pairs convert through a memory image by the table and come
    // back into the framework bitmap, so format and rows always agree.
    TVQBitmap work(Temporary{}, *this);
    work.MemoryThreshold = std::numeric_limits<Int64>::max();
    work.location_ = vqMemoryBuffer;
    work.AssignFrom(this, false);
    work.PaletteColors = PaletteColors;
    work.ConvertPixelFormat(format);
    AssignFrom(&work, false);
    return;
  }
  std::unique_ptr<TVQBitmap> alpha = std::move(alphaChannel_);
  SyncWithTBitmap();
  if (format == vqGray8 || format == vqPalette8) pixelFormat_ = format;
  alphaChannel_ = std::move(alpha);
  FitAlphaChannel();
}

void TVQBitmap::ConvertRowsFrom(TVQBitmap& source) {
  const TVQPixelFormat from = source.pixelFormat_, to = pixelFormat_;
  const int w = width_;
  const TRGBPixel* sourcePalette = source.palette_.get();

  if (to == vqBits1) {
    if (BiLevelMethod == 1) {
      ThresholdTo1Bit(&source, this, -1);
      return;
    }
    if (BiLevelMethod != 0) return;  // rows stay as allocated: zero, black
    Byte greys[256];
    VQPaletteGreys(source, greys);
    VQWalkRows(source, this, [&](int first, int last, Byte* const* src, Byte* const* dst) {
      const int width = w;
      std::vector<Byte> level(static_cast<std::size_t>(width));
      Byte* l = level.data();
      for (int y = first; y < last; ++y) {
        const Byte* s = src[y];
        switch (from) {
          case vqPalette8:
            for (int x = 0; x < width; ++x) l[x] = greys[s[x]] >> 2;
            break;
          case vqGray8:
            for (int x = 0; x < width; ++x) l[x] = s[x] >> 2;
            break;
          case vqGray16:
            for (int x = 0; x < width; ++x) l[x] = static_cast<Byte>(FormatLoad16(s + 2 * x) >> 10);
            break;
          case vqRGB24:
            VQGreyRow(vqRGB24, s, width, greys, l);
            for (int x = 0; x < width; ++x) l[x] >>= 2;
            break;
          case vq32f:
            for (int x = 0; x < width; ++x) l[x] = FormatFloatLevel(VQLoadFloat(s + 4 * x));
            break;
          default: std::memset(l, 0, static_cast<std::size_t>(width)); break;
        }
        OrderedDitherRow(l, width, y, dst[y]);
      }
    });
    return;
  }

  if (to == vqPalette8) {
    TRGBPixel* palette = palette_.get();
    if (from == vqBits1) {
      palette[0] = TRGBPixel{0, 0, 0};
      palette[1] = TRGBPixel{255, 255, 255};
    } else if (from != vqRGB24) {
      for (int i = 0; i < 256; ++i) palette[i] = TRGBPixel{Byte(i), Byte(i), Byte(i)};
    }
    if (from == vqRGB24) {
      const TVQQuantizer quantizer(&source, palette, std::clamp(PaletteColors, 1, 256), -1);
      VQWalkRows(source, this, [&](int first, int last, Byte* const* src, Byte* const* dst) {
        TVQQuantizer::TRowCache cache;
        for (int y = first; y < last; ++y) quantizer.ColorIndexRow(src[y], w, dst[y], &cache);
      });
      return;
    }
  }

  // Per-entry values of a palette source, taken once.
  std::uint32_t entryGrey16[256] = {};
  float entryFloat[256] = {};
  Byte entryGrey[256];
  VQPaletteGreys(source, entryGrey);
  if (from == vqPalette8 && sourcePalette)
    for (int i = 0; i < 256; ++i) {
      const TRGBPixel c = sourcePalette[i];
      entryGrey16[i] = FormatGrey16(c.r, c.g, c.b);
      entryFloat[i] = FormatGreyFloat(c.r, c.g, c.b);
    }
  const int wr = GrayWeightRed, wg = GrayWeightGreen, wb = GrayWeightBlue;
  const int pair = from * 10 + to;
  const FormatCMYKScale& cmyk = CMYKScale();
  bool simd = false;
#if defined(__x86_64__) || defined(__i386__)
  simd = FormatSimdOn.load(std::memory_order_relaxed) && CpuHasAvx2();
#endif
  double floatRed[256], floatGreen[256], floatBlue[256];
  for (int v = 0; v < 256; ++v) {
    floatRed[v] = 0.2126 * v;
    floatGreen[v] = 0.7152 * v;
    floatBlue[v] = 0.0722 * v;
  }

  VQWalkRows(source, this, [&](int first, int last, Byte* const* src, Byte* const* dst) {
    // Copies the loops can keep in registers: stores through a byte pointer
    // may alias anything captured by reference.
    const int width = w, red = wr, green = wg, blue = wb;
    const bool vector = simd;
    for (int y = first; y < last; ++y) {
      const Byte* s = src[y];
      Byte* d = dst[y];
      int x0 = 0;  // pixels done by a vector loop
      switch (pair) {
        // from 1 bit: black or white
        case vqBits1 * 10 + vqPalette8:
          for (int x = 0; x < width; ++x) d[x] = GetBit(s, x) ? 1 : 0;
          break;
        case vqBits1 * 10 + vqGray8:
          for (int x = 0; x < width; ++x) d[x] = GetBit(s, x) ? 255 : 0;
          break;
        case vqBits1 * 10 + vqGray16:
          for (int x = 0; x < width; ++x) FormatStore16(d + 2 * x, GetBit(s, x) ? 65535 : 0);
          break;
        case vqBits1 * 10 + vqRGB24: {
          const int whole = width / 8;
          for (int k = 0; k < whole; ++k) std::memcpy(d + 24 * k, BitExpansionTable[s[k]], 24);
          if (width % 8)
            std::memcpy(d + 24 * whole, BitExpansionTable[s[whole]], static_cast<std::size_t>(width % 8) * 3);
          break;
        }
        case vqBits1 * 10 + vq32f:
          for (int x = 0; x < width; ++x) VQStoreFloat(d + 4 * x, GetBit(s, x) ? 1.0f : 0.0f);
          break;
        // from a palette: the entry
        case vqPalette8 * 10 + vqGray8:
          for (int x = 0; x < width; ++x) d[x] = entryGrey[s[x]];
          break;
        case vqPalette8 * 10 + vqGray16:
          for (int x = 0; x < width; ++x) FormatStore16(d + 2 * x, entryGrey16[s[x]]);
          break;
        case vqPalette8 * 10 + vqRGB24:
          for (int x = 0; x < width; ++x) std::memcpy(d + 3 * x, &sourcePalette[s[x]], 3);
          break;
        case vqPalette8 * 10 + vq32f:
          for (int x = 0; x < width; ++x) VQStoreFloat(d + 4 * x, entryFloat[s[x]]);
          break;
        // from 8-bit grey
        case vqGray8 * 10 + vqPalette8: std::memcpy(d, s, static_cast<std::size_t>(width)); break;
        case vqGray8 * 10 + vqGray16:
          for (int x = 0; x < width; ++x) FormatStore16(d + 2 * x, std::uint32_t(s[x]) * 256);
          break;
        case vqGray8 * 10 + vqRGB24:
          for (int x = 0; x < width; ++x) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[x];
          break;
        case vqGray8 * 10 + vq32f:
          for (int x = 0; x < width; ++x) VQStoreFloat(d + 4 * x, static_cast<float>(s[x] / 255.0));
          break;
        // from 16-bit grey
        case vqGray16 * 10 + vqPalette8:
        case vqGray16 * 10 + vqGray8:
          for (int x = 0; x < width; ++x) d[x] = s[2 * x + 1];
          break;
        case vqGray16 * 10 + vqRGB24:
          for (int x = 0; x < width; ++x) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[2 * x + 1];
          break;
        case vqGray16 * 10 + vq32f:
          for (int x = 0; x < width; ++x)
            VQStoreFloat(d + 4 * x, static_cast<float>(FormatLoad16(s + 2 * x) / 65535.0));
          break;
        // from 24-bit colour
        case vqRGB24 * 10 + vqGray8:
          for (int x = 0; x < width; ++x, s += 3) {
            const int g = (s[2] * red + s[1] * green + s[0] * blue) / 100;
            d[x] = static_cast<Byte>(g);
          }
          break;
        case vqRGB24 * 10 + vqGray16:
#if defined(__x86_64__) || defined(__i386__)
          if (vector) x0 = FormatGrey16RowAvx2(s, width, d);
#endif
          s += 3 * x0;
          for (int x = x0; x < width; ++x, s += 3) FormatStore16(d + 2 * x, FormatGrey16(s[2], s[1], s[0]));
          break;
        case vqRGB24 * 10 + vq32f:
#if defined(__x86_64__) || defined(__i386__)
          if (vector) x0 = FormatFloatRowAvx2(s, width, d);
#endif
          s += 3 * x0;
          // The products looked up are the same doubles as computed.
          for (int x = x0; x < width; ++x, s += 3)
            VQStoreFloat(d + 4 * x, static_cast<float>((floatRed[s[2]] + floatGreen[s[1]] + floatBlue[s[0]]) / 255));
          break;
        case vqRGB24 * 10 + vqCMYK:
#if defined(__x86_64__) || defined(__i386__)
          if (vector) x0 = FormatCMYKRowAvx2(s, width, d);
#endif
          s += 3 * x0;
          d += 4 * x0;
          for (int x = x0; x < width; ++x, s += 3, d += 4) {
            const Byte b = s[0], g = s[1], r = s[2];
            const Byte k = std::max(std::max(r, g), std::max(b, Byte(1)));
            const Byte* scale = cmyk.t[k];
            d[0] = scale[r];
            d[1] = scale[g];
            d[2] = scale[b];
            d[3] = k;
          }
          break;
        // from float grey: integer parts, low bits kept
        case vq32f * 10 + vqPalette8:
        case vq32f * 10 + vqGray8:
          for (int x = 0; x < width; ++x)
            d[x] = static_cast<Byte>(VQFloatIntegerBits(VQLoadFloat(s + 4 * x), 255.0, 0xFF));
          break;
        case vq32f * 10 + vqGray16:
          for (int x = 0; x < width; ++x)
            FormatStore16(d + 2 * x, VQFloatIntegerBits(VQLoadFloat(s + 4 * x), 65535.0, 0xFFFF));
          break;
        case vq32f * 10 + vqRGB24:
          for (int x = 0; x < width; ++x) {
            const Byte v = static_cast<Byte>(VQFloatIntegerBits(VQLoadFloat(s + 4 * x), 255.0, 0xFF));
            d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = v;
          }
          break;
        // from CMYK
        case vqCMYK * 10 + vqRGB24:
          for (int x = 0; x < width; ++x, s += 4) {
            const TRGBPixel c = CMYKToRGB(TCMYKPixel{s[0], s[1], s[2], s[3]});
            std::memcpy(d + 3 * x, &c, 3);
          }
          break;
        default: break;
      }
    }
  });
}

#include "imaging/core/processing/pictoraproc_shadow.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "imaging/core/processing/pictoraproc_resample_rows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/Cpu.h"
#include "platform/rtl/ParallelRows.h"

TGaussianKernel GaussianKernel(double radius) {
  TGaussianKernel k;
  double g[101];
  double sum = 0;
  for (int i = 0; i <= 100; ++i) {
    const double q = i / radius;
    g[i] = std::exp(-(q * q) / 2);
    sum += i == 0 ? g[i] : 2 * g[i];
  }
  for (int i = 0; i <= 100; ++i) {
    // Normalised, so the weights add up to 65536 within rounding and a flat
    // picture keeps its value.
    const int w = static_cast<int>(std::nearbyint(g[i] * 65536 / sum));
    k.Weights[static_cast<std::size_t>(100 + i)] = w;
    k.Weights[static_cast<std::size_t>(100 - i)] = w;
  }
  k.HalfWidth = 100;
  while (k.HalfWidth > 1 && k.W(k.HalfWidth) == 0 && k.W(-k.HalfWidth) == 0) --k.HalfWidth;
  return k;
}

namespace {

std::atomic<bool> ShadowGaussSimdOn{true};

// One output run of the blur from k + 1 terms: up[0] is the centre, up[j]
// and down[j] the two taps at distance j. Sums of products in 32 bits, so
// every path below gives the same bytes.
struct TShadowGaussTaps {
  const Byte* up[101];
  const Byte* down[101];
  int k = 1;
  const TGaussianKernel* kernel = nullptr;
  // Weights of the term pairs (0,1), (2,3), ... as two 16-bit halves, the
  // odd one out paired with weight 0.
  std::int32_t pairs[51];
};

void ShadowGaussPairs(TShadowGaussTaps& t, const TGaussianKernel& kernel) {
  t.kernel = &kernel;
  t.k = kernel.HalfWidth;
  for (int j = 0; j <= t.k; j += 2) {
    const int lo = kernel.W(j), hi = j + 1 <= t.k ? kernel.W(j + 1) : 0;
    t.pairs[j / 2] = static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) << 16) | static_cast<std::uint32_t>(lo));
  }
}

#if defined(__x86_64__) || defined(__i386__)

// 16 bytes at a time: bytes widen to 16 bits, the two taps of a distance
// add up (at most 510), two terms interleave and pmaddwd multiplies them by
// their 16-bit weights and adds the pair into 32-bit lanes.
void ShadowGaussSse2(const TShadowGaussTaps& t, Byte* out, int n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi32(32768);
  for (int i0 = 0; i0 < n; i0 += 16) {
    const int i = std::min(i0, n - 16);  // the last run overlaps the one before
    __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
    for (int j = 0; j <= t.k; j += 2) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.up[j] + i));
      __m128i xl = _mm_unpacklo_epi8(x, zero), xh = _mm_unpackhi_epi8(x, zero);
      if (j > 0) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.down[j] + i));
        xl = _mm_add_epi16(xl, _mm_unpacklo_epi8(d, zero));
        xh = _mm_add_epi16(xh, _mm_unpackhi_epi8(d, zero));
      }
      __m128i yl = zero, yh = zero;
      if (j + 1 <= t.k) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.up[j + 1] + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.down[j + 1] + i));
        yl = _mm_add_epi16(_mm_unpacklo_epi8(u, zero), _mm_unpacklo_epi8(d, zero));
        yh = _mm_add_epi16(_mm_unpackhi_epi8(u, zero), _mm_unpackhi_epi8(d, zero));
      }
      const __m128i w = _mm_set1_epi32(t.pairs[j / 2]);
      a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi16(xl, yl), w));
      a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi16(xl, yl), w));
      a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi16(xh, yh), w));
      a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi16(xh, yh), w));
    }
    a0 = _mm_srai_epi32(_mm_add_epi32(a0, half), 16);
    a1 = _mm_srai_epi32(_mm_add_epi32(a1, half), 16);
    a2 = _mm_srai_epi32(_mm_add_epi32(a2, half), 16);
    a3 = _mm_srai_epi32(_mm_add_epi32(a3, half), 16);
    const __m128i r = _mm_packus_epi16(_mm_packs_epi32(a0, a1), _mm_packs_epi32(a2, a3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), r);
  }
}

// The same 32 bytes at a time; unpacking and packing both work within each
// 128-bit half, so the bytes come out in order.
__attribute__((target("avx2"))) void ShadowGaussAvx2(const TShadowGaussTaps& t, Byte* out, int n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i half = _mm256_set1_epi32(32768);
  for (int i0 = 0; i0 < n; i0 += 32) {
    const int i = std::min(i0, n - 32);
    __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
    for (int j = 0; j <= t.k; j += 2) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.up[j] + i));
      __m256i xl = _mm256_unpacklo_epi8(x, zero), xh = _mm256_unpackhi_epi8(x, zero);
      if (j > 0) {
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.down[j] + i));
        xl = _mm256_add_epi16(xl, _mm256_unpacklo_epi8(d, zero));
        xh = _mm256_add_epi16(xh, _mm256_unpackhi_epi8(d, zero));
      }
      __m256i yl = zero, yh = zero;
      if (j + 1 <= t.k) {
        const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.up[j + 1] + i));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.down[j + 1] + i));
        yl = _mm256_add_epi16(_mm256_unpacklo_epi8(u, zero), _mm256_unpacklo_epi8(d, zero));
        yh = _mm256_add_epi16(_mm256_unpackhi_epi8(u, zero), _mm256_unpackhi_epi8(d, zero));
      }
      const __m256i w = _mm256_set1_epi32(t.pairs[j / 2]);
      a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_unpacklo_epi16(xl, yl), w));
      a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(_mm256_unpackhi_epi16(xl, yl), w));
      a2 = _mm256_add_epi32(a2, _mm256_madd_epi16(_mm256_unpacklo_epi16(xh, yh), w));
      a3 = _mm256_add_epi32(a3, _mm256_madd_epi16(_mm256_unpackhi_epi16(xh, yh), w));
    }
    a0 = _mm256_srai_epi32(_mm256_add_epi32(a0, half), 16);
    a1 = _mm256_srai_epi32(_mm256_add_epi32(a1, half), 16);
    a2 = _mm256_srai_epi32(_mm256_add_epi32(a2, half), 16);
    a3 = _mm256_srai_epi32(_mm256_add_epi32(a3, half), 16);
    const __m256i r = _mm256_packus_epi16(_mm256_packs_epi32(a0, a1), _mm256_packs_epi32(a2, a3));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), r);
  }
}

#endif

// The centre weight must fit a signed 16-bit multiply; only radii below
// about 0.8 have a larger one, and their few taps stay scalar.
bool ShadowGaussSimdFits(const TGaussianKernel& kernel) {
  return ShadowGaussSimdOn.load(std::memory_order_relaxed) && kernel.W(0) <= 32767;
}

// Bytes [0, n) of out; false leaves them to the scalar loops.
bool ShadowGaussRun(const TShadowGaussTaps& t, Byte* out, int n) {
#if defined(__x86_64__) || defined(__i386__)
  if (n >= 32 && CpuHasAvx2()) {
    ShadowGaussAvx2(t, out, n);
    return true;
  }
  if (n >= 16) {
    ShadowGaussSse2(t, out, n);
    return true;
  }
#endif
  (void)t;
  (void)out;
  (void)n;
  return false;
}

// out[i] from the padded row: pad holds k edge copies on each side; the
// kernel is symmetric, so each pair of taps shares one multiply. A pair's
// weight (below 21,900) and two bytes fit 16 bits each, so the products
// widen from 16-bit multiplies; the sums stay below 2^31.
void ShadowBlurRow(const Byte* pad, Byte* out, int bytes, int channels, const TGaussianKernel& kernel,
                   std::vector<std::int32_t>& acc) {
  const int k = kernel.HalfWidth;
  const Byte* centre = pad + static_cast<std::size_t>(k) * channels;
  if (ShadowGaussSimdFits(kernel)) {
    TShadowGaussTaps t;
    ShadowGaussPairs(t, kernel);
    t.up[0] = centre;
    for (int j = 1; j <= k; ++j) {
      t.up[j] = centre - static_cast<std::ptrdiff_t>(j) * channels;
      t.down[j] = centre + static_cast<std::ptrdiff_t>(j) * channels;
    }
    if (ShadowGaussRun(t, out, bytes)) return;
  }
  std::int32_t* a = acc.data();
  const std::int32_t w0 = kernel.W(0);
  for (int i = 0; i < bytes; ++i) a[i] = w0 * centre[i];
  for (int j = 1; j <= k; ++j) {
    const auto w = static_cast<std::int16_t>(kernel.W(j));
    const Byte* l = centre - static_cast<std::ptrdiff_t>(j) * channels;
    const Byte* r = centre + static_cast<std::ptrdiff_t>(j) * channels;
    for (int i = 0; i < bytes; ++i) a[i] += w * static_cast<std::int16_t>(l[i] + r[i]);
  }
  for (int i = 0; i < bytes; ++i) {
    const int v = (a[i] + 32768) >> 16;
    out[i] = static_cast<Byte>(v > 255 ? 255 : v);
  }
}

// Output rows [first, last), bytes [b0, b1) of each, from the plane of
// row-blurred rows; rows beyond the edges repeat the edge rows. Integer
// sums: a pair's weight (below 21,900) and two bytes fit 16 bits each, so
// the products widen from 16-bit multiplies.
void ShadowBlurColumns(const Byte* plane, std::size_t stride, int height, Byte* const* dest, int first, int last,
                       int b0, int b1, const TGaussianKernel& kernel) {
  const int k = kernel.HalfWidth;
  // Strips of the row keep the taps' rows in cache from one output row to
  // the next.
  constexpr int kStrip = 2048;
  std::vector<std::int32_t> acc(static_cast<std::size_t>(std::min(b1 - b0, kStrip)));
  std::int32_t* a = acc.data();
  const std::int32_t w0 = kernel.W(0);
  const bool simd = ShadowGaussSimdFits(kernel);
  TShadowGaussTaps t;
  if (simd) ShadowGaussPairs(t, kernel);
  for (int s0 = b0; s0 < b1; s0 += kStrip) {
    const int n = std::min(kStrip, b1 - s0);
    auto row = [&](int y) { return plane + stride * static_cast<std::size_t>(std::clamp(y, 0, height - 1)) + s0; };
    for (int y = first; y < last; ++y) {
      if (simd) {
        t.up[0] = row(y);
        for (int j = 1; j <= k; ++j) {
          t.up[j] = row(y - j);
          t.down[j] = row(y + j);
        }
        if (ShadowGaussRun(t, dest[y] + s0, n)) continue;
      }
      const Byte* c = row(y);
      for (int i = 0; i < n; ++i) a[i] = w0 * c[i];
      for (int j = 1; j <= k; ++j) {
        const auto w = static_cast<std::int16_t>(kernel.W(j));
        const Byte* u = row(y - j);
        const Byte* d = row(y + j);
        for (int i = 0; i < n; ++i) a[i] += w * static_cast<std::int16_t>(u[i] + d[i]);
      }
      Byte* o = dest[y] + s0;
      for (int i = 0; i < n; ++i) {
        const int v = (a[i] + 32768) >> 16;
        o[i] = static_cast<Byte>(v > 255 ? 255 : v);
      }
    }
  }
}

}  // namespace

void SetGaussianSimd(bool enabled) { ShadowGaussSimdOn.store(enabled, std::memory_order_relaxed); }

void GaussianBlur(TVQBitmap* bitmap, TVQProgressRec* progress, double radius) {
  if (!bitmap || !(radius > 0)) return;
  const TVQPixelFormat format = bitmap->GetPixelFormat();
  if (format != vqGray8 && format != vqRGB24) return;
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight();
  if (width <= 0 || height <= 0) return;
  const int channels = format == vqRGB24 ? 3 : 1;
  const TGaussianKernel kernel = GaussianKernel(radius);
  const int k = kernel.HalfWidth;
  const int bytes = width * channels;
  const std::size_t stride = static_cast<std::size_t>(bytes);

  TVQViewAccessScope access(*bitmap, vqReadWrite);
  TResampleRowTable rows(*bitmap, true);
  std::vector<Byte> plane(stride * static_cast<std::size_t>(height));
  const int total = height + width;

  ResampleRunItems(
      height, progress,
      [&](int first, int last) {
        std::vector<Byte> pad(static_cast<std::size_t>(width + 2 * k) * channels);
        std::vector<std::int32_t> acc(stride);
        for (int y = first; y < last; ++y) {
          const Byte* src = rows[y];
          Byte* p = pad.data();
          for (int j = 0; j < k; ++j) std::memcpy(p + static_cast<std::size_t>(j) * channels, src, channels);
          std::memcpy(p + static_cast<std::size_t>(k) * channels, src, stride);
          for (int j = 0; j < k; ++j)
            std::memcpy(p + static_cast<std::size_t>(k + width + j) * channels, src + stride - channels, channels);
          ShadowBlurRow(p, plane.data() + stride * static_cast<std::size_t>(y), bytes, channels, kernel, acc);
        }
      },
      [&](int y) { return static_cast<int>(static_cast<Int64>(y) * 100 / total); });

  if (progress && progress->OnProgress) {
    for (int x = 0; x < width; ++x) {
      ShadowBlurColumns(plane.data(), stride, height, rows.Rows(), 0, height, x * channels, (x + 1) * channels,
                        kernel);
      ReportProgress(progress, static_cast<int>(static_cast<Int64>(height + x) * 100 / total));
    }
  } else {
    ParallelRows(height, [&](int first, int last) {
      ShadowBlurColumns(plane.data(), stride, height, rows.Rows(), first, last, 0, bytes, kernel);
    });
  }
  rows.Commit();
}

void AddSoftShadow(TVQBitmap* bitmap, int offsetX, int offsetY, TVQProgressRec* progress,
                   std::uint32_t shadowColor, bool enlarge, double radius) {
  if (!bitmap || bitmap->IsEmpty()) return;
  bitmap->GetAlphaChannel()->Full = false;
  if (enlarge) {
    const Int64 reach = std::max(std::llabs(static_cast<Int64>(offsetX)), std::llabs(static_cast<Int64>(offsetY)));
    const double spread = std::isfinite(radius) ? std::clamp(radius * 5, -1e12, 1e12) : 0.0;
    Int64 grow = std::max<Int64>(2 * reach + static_cast<Int64>(spread), 1);
    // Too large a margin fails in the allocation, not in int arithmetic.
    const Int64 room = std::numeric_limits<int>::max() - std::max(bitmap->GetWidth(), bitmap->GetHeight());
    grow = std::min(grow, room);
    bitmap->ResizeCanvas(static_cast<int>(bitmap->GetWidth() + grow), static_cast<int>(bitmap->GetHeight() + grow),
                         0, 0, 1, 1);
  }
  TVQBitmap* alpha = bitmap->GetAlphaChannel();
  alpha->Full = false;
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight();

  std::vector<Byte> saved(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  {
    TVQViewAccessScope access(*alpha, vqRead);
    for (int y = 0; y < height; ++y)
      std::memcpy(saved.data() + static_cast<std::size_t>(width) * y, alpha->GetScanline(y), width);
  }
  GaussianBlur(alpha, progress, radius);
  if (offsetX != 0 || offsetY != 0) alpha->MoveRect(0, 0, width - 1, height - 1, offsetX, offsetY, 0);

  const TVQPixelFormat format = bitmap->GetPixelFormat();
  const Byte red = static_cast<Byte>(shadowColor >> 16), green = static_cast<Byte>(shadowColor >> 8),
             blue = static_cast<Byte>(shadowColor);
  TVQViewAccessScope pictureAccess(*bitmap, vqReadWrite);
  TVQViewAccessScope alphaAccess(*alpha, vqReadWrite);
  TResampleRowTable pixels(*bitmap, true);
  TResampleRowTable alphaRows(*alpha, true);
  ParallelRows(height, [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      const Byte* s = saved.data() + static_cast<std::size_t>(width) * y;
      Byte* a = alphaRows[y];
      Byte* p = pixels[y];
      for (int x = 0; x < width; ++x) {
        if (s[x] != 0 || s[x] == a[x]) {
          a[x] = s[x];
          continue;
        }
        if (format == vqRGB24) {
          p[3 * x] = blue;
          p[3 * x + 1] = green;
          p[3 * x + 2] = red;
        } else if (format == vqBits1) {
          p[x >> 3] = static_cast<Byte>(p[x >> 3] & ~(0x80 >> (x & 7)));
        }
      }
    }
  });
  pixels.Commit();
  alphaRows.Commit();
}

void RoundAlphaCorners(TVQBitmap* bitmap, int radiusX, int radiusY) {
  if (!bitmap || bitmap->IsEmpty() || radiusX == 0 || radiusY == 0) return;
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight();
  const Int64 n = static_cast<Int64>(radiusX) + radiusY;
  // Each point clears a rectangle from the edge, so per row only the widest
  // reach matters: topReach[y] columns from each side, bottomFrom[y] the
  // first cleared column from the right.
  std::vector<int> topReach(static_cast<std::size_t>(height), -1);
  std::vector<int> bottomFrom(static_cast<std::size_t>(height), width);
  auto bezier = [](double t, double p0, double p1, double p2, double p3) {
    const double u = 1 - t;
    return static_cast<Int64>(
        std::nearbyint(u * u * u * p0 + 3 * t * u * u * p1 + 3 * t * t * u * p2 + t * t * t * p3));
  };
  const double rx = radiusX, ry = radiusY, w = width, h = height;
  for (Int64 i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / static_cast<double>(n);
    const Int64 tx = bezier(t, 0, 0, rx, rx), ty = bezier(t, ry, 0, 0, 0);
    if (tx >= 0 && ty >= 0) {
      const int col = static_cast<int>(std::min<Int64>(tx, width - 1));
      for (Int64 y = 0, e = std::min<Int64>(ty, height - 1); y <= e; ++y)
        topReach[static_cast<std::size_t>(y)] = std::max(topReach[static_cast<std::size_t>(y)], col);
    }
    const Int64 bx = bezier(t, w, w, w - rx, w - rx), by = bezier(t, h - ry, h, h, h);
    if (bx <= width - 1 && by <= height - 1) {
      const int col = static_cast<int>(std::max<Int64>(bx, 0));
      for (Int64 y = std::max<Int64>(by, 0); y < height; ++y)
        bottomFrom[static_cast<std::size_t>(y)] = std::min(bottomFrom[static_cast<std::size_t>(y)], col);
    }
  }
  TVQBitmap* alpha = bitmap->GetAlphaChannel();
  TVQViewAccessScope access(*alpha, vqReadWrite);
  TResampleRowTable rows(*alpha, true);
  for (int y = 0; y < height; ++y) {
    Byte* a = rows[y];
    const int reach = topReach[static_cast<std::size_t>(y)];
    if (reach >= 0) {
      std::memset(a, 0, static_cast<std::size_t>(reach) + 1);
      std::memset(a + (width - 1 - reach), 0, static_cast<std::size_t>(reach) + 1);
    }
    const int from = bottomFrom[static_cast<std::size_t>(y)];
    if (from < width) {
      std::memset(a + from, 0, static_cast<std::size_t>(width - from));
      std::memset(a, 0, static_cast<std::size_t>(width - from));
    }
  }
  rows.Commit();
  alpha->SyncAlphaFull();
}

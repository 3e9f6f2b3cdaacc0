#include "imaging/core/processing/pictoraproc_resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "imaging/core/processing/pictoraproc_resample_rows.h"
#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/Cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

double Sinc(double x) {
  if (x == 0) return 1;
  const double px = x * 3.14159265358979323846;
  return std::sin(px) / px;
}

namespace {

double ResampleTriangleKernel(double x) {
  const double a = std::fabs(x);
  return a < 1 ? 1 - a : 0;
}
double ResampleHermiteKernel(double x) {
  const double a = std::fabs(x);
  return a < 1 ? (2 * a - 3) * a * a + 1 : 0;
}
double ResampleBellKernel(double x) {
  const double a = std::fabs(x);
  if (a < 0.5) return 0.75 - a * a;
  if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
  return 0;
}
double ResampleBSplineKernel(double x) {
  const double a = std::fabs(x);
  if (a < 1) return 0.5 * a * a * a - a * a + 2.0 / 3.0;
  if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6;
  return 0;
}
double ResampleLanczos3Kernel(double x) { return std::fabs(x) < 3 ? Sinc(x) * Sinc(x / 3) : 0; }
double ResampleMitchellKernel(double x) {
  const double a = std::fabs(x);
  if (a < 1) return (7 * a * a * a - 12 * a * a + 16.0 / 3.0) / 6;
  if (a < 2) return (-7.0 / 3.0 * a * a * a + 12 * a * a - 20 * a + 32.0 / 3.0) / 6;
  return 0;
}
double ResampleNearestKernel(double x) { return x > -0.5 && x <= 0.5 ? 1 : 0; }
double ResampleLinearKernel(double x) { return x >= -1 && x < 1 ? 1 - std::fabs(x) : 0; }

}  // namespace

const TResampleKernel ResampleKernels[rfBicubic + 1] = {
    {nullptr, 0},
    {ResampleTriangleKernel, 1.0},
    {ResampleHermiteKernel, 1.0},
    {ResampleBellKernel, 1.5},
    {ResampleBSplineKernel, 2.0},
    {ResampleLanczos3Kernel, 3.0},
    {ResampleMitchellKernel, 2.0},
    {ResampleNearestKernel, 1.0},
    {ResampleLinearKernel, 1.0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
};

namespace {

// Per destination column (or row): its source indexes and weights (256 =
// 1.0) in [start[i], start[i + 1]), and the weights' sum.
struct TResampleContribs {
  std::vector<int> start, index, weight, sum;
};

// The scale from a source to a destination size: corner pixels map onto
// corner pixels unless a side is 1.
double ResampleScale(int src, int dst) {
  return src == 1 || dst == 1 ? double(dst) / src : double(dst - 1) / (src - 1);
}

void ResampleBuildContribs(int n, int dn, double scale, const TResampleKernel& k, TResampleContribs& c) {
  c.start.assign(static_cast<std::size_t>(dn) + 1, 0);
  c.sum.assign(static_cast<std::size_t>(dn), 0);
  c.index.clear();
  c.weight.clear();
  const double width = scale >= 1 ? k.Support : k.Support / scale;
  const double factor = scale >= 1 ? 1.0 : scale;
  for (int i = 0; i < dn; ++i) {
    const double centre = i / scale;
    int total = 0;
    for (int j = FloorInt(centre - width), last = CeilInt(centre + width); j <= last; ++j) {
      const int w = static_cast<int>(std::nearbyint(k.Kernel((centre - j) * factor) * factor * 256));
      if (w == 0) continue;
      int m = j < 0 ? -j : j >= n ? 2 * n - 1 - j : j;
      m = m < 0 ? 0 : m >= n ? n - 1 : m;
      c.index.push_back(m);
      c.weight.push_back(w);
      total += w;
    }
    c.sum[static_cast<std::size_t>(i)] = total;
    c.start[static_cast<std::size_t>(i) + 1] = static_cast<int>(c.index.size());
  }
}

// sum / weights truncated, or the sum's unsigned value / 256 when the
// weights cancel; clamped to a byte. Exact: |sum| stays far below 2^53.
inline Byte ResampleDivide(int sum, int weights) {
  if (weights == 0) return static_cast<Byte>(std::min<std::uint32_t>(static_cast<std::uint32_t>(sum) >> 8, 255));
  return ClampByte(static_cast<int>(static_cast<double>(sum) / weights));
}

// Row of bits (most significant first) as 0 and 255 bytes.
void ResampleUnpackBits(const Byte* row, int width, Byte* out) {
  for (int x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
}

template <int C>
void ResampleHorizontalRow(const Byte* s, Byte* out, const TResampleContribs& c, int dw) {
  const int* idx = c.index.data();
  const int* wt = c.weight.data();
  for (int i = 0; i < dw; ++i) {
    int acc[C] = {};
    for (int k = c.start[static_cast<std::size_t>(i)], e = c.start[static_cast<std::size_t>(i) + 1]; k < e; ++k) {
      const Byte* p = s + C * idx[k];
      for (int ch = 0; ch < C; ++ch) acc[ch] += wt[k] * p[ch];
    }
    for (int ch = 0; ch < C; ++ch) out[C * i + ch] = ResampleDivide(acc[ch], c.sum[static_cast<std::size_t>(i)]);
  }
}

std::atomic<bool> ResampleSimdOn{true};

// A 24-bit row's weights laid out for the vector loop: each destination
// pixel whose taps are ascending source pixels gets a dense run of 16-bit
// weights from its first tap, padded with zeros to whole groups of four.
struct TResampleDenseRow {
  std::vector<int> first;     // first source pixel, or -1: the plain loop
  std::vector<int> groups;    // groups of four taps
  std::vector<int> offset;    // into weight
  std::vector<std::int16_t> weight;
};

void ResampleBuildDense(const TResampleContribs& c, int n, TResampleDenseRow& d) {
  const std::size_t dn = c.sum.size();
  d.first.assign(dn, -1);
  d.groups.assign(dn, 0);
  d.offset.assign(dn, 0);
  d.weight.clear();
  for (std::size_t i = 0; i < dn; ++i) {
    const int b = c.start[i], e = c.start[i + 1];
    if (b == e || c.sum[i] == 0) continue;
    bool ascending = true;
    for (int k = b + 1; k < e && ascending; ++k) ascending = c.index[static_cast<std::size_t>(k)] > c.index[static_cast<std::size_t>(k) - 1];
    for (int k = b; k < e && ascending; ++k) ascending = std::abs(c.weight[static_cast<std::size_t>(k)]) <= 32767;
    const int j0 = c.index[static_cast<std::size_t>(b)];
    const int groups = (c.index[static_cast<std::size_t>(e) - 1] - j0 + 4) / 4;
    // The last group's 16-byte load must stay inside the row.
    if (!ascending || 3 * (j0 + 4 * (groups - 1)) + 16 > 3 * n) continue;
    d.first[i] = j0;
    d.groups[i] = groups;
    d.offset[i] = static_cast<int>(d.weight.size());
    d.weight.resize(d.weight.size() + 4 * static_cast<std::size_t>(groups), 0);
    std::int16_t* w = d.weight.data() + d.offset[i];
    for (int k = b; k < e; ++k)
      w[c.index[static_cast<std::size_t>(k)] - j0] = static_cast<std::int16_t>(c.weight[static_cast<std::size_t>(k)]);
  }
}

// One vertical output row: the weighted sum of the tap rows, divided as
// ResampleDivide does, over n bytes.
void ResampleVerticalPlain(const Byte* const* rows, const int* w, int taps, int ws, std::size_t from, std::size_t n,
                           Byte* d) {
  for (std::size_t i = from; i < n; ++i) {
    int acc = 0;
    for (int k = 0; k < taps; ++k) acc += w[k] * rows[k][i];
    d[i] = ResampleDivide(acc, ws);
  }
}

#if defined(__x86_64__) || defined(__i386__)
// trunc(v / ws) of eight sums, as static_cast<int>(double(v) / ws).
__attribute__((target("avx2"))) inline __m256i ResampleDivide8(__m256i v, __m256d ws) {
  const __m128i a = _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(v)), ws));
  const __m128i b = _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1)), ws));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
}

// The vertical row 16 bytes at a time, taps taken in pairs; returns where
// it got to. Sums are whole numbers, so their order changes nothing.
__attribute__((target("avx2"))) std::size_t ResampleVerticalAvx2(const Byte* const* rows, const int* w, int taps,
                                                                 int ws, std::size_t n, Byte* d) {
  if (ws == 0) return 0;
  for (int k = 0; k < taps; ++k)
    if (w[k] < -32768 || w[k] > 32767) return 0;
  const __m256d div = _mm256_set1_pd(ws);
  const __m256i zero = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256i lo = zero, hi = zero;  // bytes 0-3 and 8-11, 4-7 and 12-15
    int k = 0;
    for (; k + 1 < taps; k += 2) {
      const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i)));
      const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i)));
      const __m256i wp = _mm256_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(w[k + 1]) << 16) |
                                                            (static_cast<std::uint32_t>(w[k]) & 0xFFFF)));
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), wp));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), wp));
    }
    if (k < taps) {
      const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i)));
      const __m256i wp = _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(w[k]) & 0xFFFF));
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, zero), wp));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, zero), wp));
    }
    // Saturating packs clamp to 0-255 as ResampleDivide does.
    const __m256i q16 = _mm256_packs_epi32(ResampleDivide8(lo, div), ResampleDivide8(hi, div));
    const __m256i q8 = _mm256_permute4x64_epi64(_mm256_packus_epi16(q16, q16), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm256_castsi256_si128(q8));
  }
  return i;
}

// A 24-bit horizontal row for the pixels ResampleBuildDense laid out: four
// taps a load, two at a time into 32-bit blue, green, red sums. Writes four
// bytes a pixel, so out has one spare byte past the row.
__attribute__((target("avx2"))) void ResampleHorizontalAvx2(const Byte* s, Byte* out, const TResampleContribs& c,
                                                           const TResampleDenseRow& d, int dw) {
  const __m128i pair01 = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  const __m128i pair23 = _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  for (int i = 0; i < dw; ++i) {
    const int j0 = d.first[static_cast<std::size_t>(i)];
    if (j0 < 0) {
      int acc[3] = {};
      for (int k = c.start[static_cast<std::size_t>(i)], e = c.start[static_cast<std::size_t>(i) + 1]; k < e; ++k) {
        const Byte* p = s + 3 * c.index[static_cast<std::size_t>(k)];
        for (int ch = 0; ch < 3; ++ch) acc[ch] += c.weight[static_cast<std::size_t>(k)] * p[ch];
      }
      for (int ch = 0; ch < 3; ++ch) out[3 * i + ch] = ResampleDivide(acc[ch], c.sum[static_cast<std::size_t>(i)]);
      continue;
    }
    const Byte* p = s + 3 * j0;
    const std::int16_t* w = d.weight.data() + d.offset[static_cast<std::size_t>(i)];
    __m128i acc = _mm_setzero_si128();
    for (int g = d.groups[static_cast<std::size_t>(i)]; g > 0; --g, p += 12, w += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i ws = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_shuffle_epi8(v, pair01), _mm_shuffle_epi32(ws, 0x00)));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_shuffle_epi8(v, pair23), _mm_shuffle_epi32(ws, 0x55)));
    }
    const __m128i q = _mm256_cvttpd_epi32(
        _mm256_div_pd(_mm256_cvtepi32_pd(acc), _mm256_set1_pd(c.sum[static_cast<std::size_t>(i)])));
    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128());
    const int bgr = _mm_cvtsi128_si32(b);
    std::memcpy(out + 3 * i, &bgr, 4);
  }
}
#endif

// Both passes a band of destination rows at a time: the horizontal rows a
// band needs are made in a small ring as it goes, so no plane of the whole
// picture is written and read back. The same sums as ResampleTwoPass.
template <int C>
void ResampleStreamed(TResampleRowTable& src, TResampleRowTable& dst, int sw, int dw, int dh,
                      const TResampleContribs& hc, const TResampleContribs& vc, bool bits, int outC, int maxTaps) {
  const std::size_t planeRow = static_cast<std::size_t>(dw) * C;
  bool simd = false;
#if defined(__x86_64__) || defined(__i386__)
  simd = ResampleSimdOn.load(std::memory_order_relaxed) && CpuHasAvx2();
#endif
  TResampleDenseRow dense;
  if (simd && C == 3 && !bits) ResampleBuildDense(hc, sw, dense);

  ParallelRows(dh, [&](int first, int last) {
    const int slots = maxTaps + 1;
    const std::size_t stride = planeRow + 16;
    std::unique_ptr<Byte[]> ring(new Byte[stride * static_cast<std::size_t>(slots)]);
    std::vector<int> slotRow(static_cast<std::size_t>(slots), -1), slotUsed(static_cast<std::size_t>(slots), -1);
    std::vector<const Byte*> taps(static_cast<std::size_t>(maxTaps));
    std::vector<Byte> unpacked(bits ? static_cast<std::size_t>(sw) : 0);
    for (int y = first; y < last; ++y) {
      const int b = vc.start[static_cast<std::size_t>(y)], e = vc.start[static_cast<std::size_t>(y) + 1];
      // Rows already made are kept for this row first, then the missing
      // ones take the slots used longest ago.
      for (int k = b; k < e; ++k) {
        const int r = vc.index[static_cast<std::size_t>(k)];
        taps[static_cast<std::size_t>(k - b)] = nullptr;
        for (int t = 0; t < slots; ++t)
          if (slotRow[static_cast<std::size_t>(t)] == r) {
            slotUsed[static_cast<std::size_t>(t)] = y;
            taps[static_cast<std::size_t>(k - b)] = ring.get() + stride * static_cast<std::size_t>(t);
            break;
          }
      }
      for (int k = b; k < e; ++k) {
        if (taps[static_cast<std::size_t>(k - b)]) continue;
        const int r = vc.index[static_cast<std::size_t>(k)];
        int slot = -1;
        for (int t = 0; t < slots && slot < 0; ++t)
          if (slotRow[static_cast<std::size_t>(t)] == r) slot = t;  // made for an earlier tap of this row
        if (slot < 0) {
          slot = 0;
          for (int t = 1; t < slots; ++t)
            if (slotUsed[static_cast<std::size_t>(t)] < slotUsed[static_cast<std::size_t>(slot)]) slot = t;
          Byte* out = ring.get() + stride * static_cast<std::size_t>(slot);
          const Byte* s = src[r];
          if (bits) {
            ResampleUnpackBits(s, sw, unpacked.data());
            s = unpacked.data();
          }
#if defined(__x86_64__) || defined(__i386__)
          if (C == 3 && !dense.first.empty())
            ResampleHorizontalAvx2(s, out, hc, dense, dw);
          else
#endif
            ResampleHorizontalRow<C>(s, out, hc, dw);
          slotRow[static_cast<std::size_t>(slot)] = r;
        }
        slotUsed[static_cast<std::size_t>(slot)] = y;
        taps[static_cast<std::size_t>(k - b)] = ring.get() + stride * static_cast<std::size_t>(slot);
      }
      const int ws = vc.sum[static_cast<std::size_t>(y)];
      const int* w = vc.weight.data() + b;
      Byte* d = dst[y];
      if (outC == C) {
        std::size_t done = 0;
#if defined(__x86_64__) || defined(__i386__)
        if (simd) done = ResampleVerticalAvx2(taps.data(), w, e - b, ws, planeRow, d);
#endif
        ResampleVerticalPlain(taps.data(), w, e - b, ws, done, planeRow, d);
      } else {
        for (int x = 0; x < dw; ++x) {
          int acc = 0;
          for (int k = 0; k < e - b; ++k) acc += w[k] * taps[static_cast<std::size_t>(k)][x];
          d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = ResampleDivide(acc, ws);
        }
      }
    }
  });
}

// Two passes through a destination-width, source-height plane of C
// channels; a bits source is read as 0 and 255; outC 3 with C 1 writes
// grey to three channels.
template <int C>
void ResampleTwoPass(TVQBitmap* source, TVQBitmap* dest, const TResampleKernel& k, bool bits, int outC,
                     TVQProgressRec* progress) {
  const int sw = source->GetWidth(), sh = source->GetHeight();
  const int dw = dest->GetWidth(), dh = dest->GetHeight();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  TVQViewAccessScope sourceAccess(*source, vqRead);
  TResampleRowTable src(*source, true);
  TResampleRowTable dst(*dest, false);
  TResampleContribs hc, vc;
  ResampleBuildContribs(sw, dw, ResampleScale(sw, dw), k, hc);
  ResampleBuildContribs(sh, dh, ResampleScale(sh, dh), k, vc);
  int maxTaps = 1;
  for (int y = 0; y < dh; ++y)
    maxTaps = std::max(maxTaps, vc.start[static_cast<std::size_t>(y) + 1] - vc.start[static_cast<std::size_t>(y)]);
  // The rings stay smaller than the plane but where a huge reduction gives
  // thousands of taps to a few rows.
  const double rings = double(maxTaps + 1) * ParallelThreadCount() * (double(dw) * C + 16);
  if (!(progress && progress->OnProgress) && rings <= std::max(double(dw) * C * sh, 64e6)) {
    ResampleStreamed<C>(src, dst, sw, dw, dh, hc, vc, bits, outC, maxTaps);
    dst.Commit();
    return;
  }
  const std::size_t planeRow = static_cast<std::size_t>(dw) * C;
  std::vector<Byte> plane(planeRow * static_cast<std::size_t>(sh));
  const double total = sh + dw + 0.5;

  ResampleRunItems(
      sh, progress,
      [&](int first, int last) {
        std::vector<Byte> unpacked(bits ? static_cast<std::size_t>(sw) : 0);
        for (int y = first; y < last; ++y) {
          const Byte* s = src[y];
          if (bits) {
            ResampleUnpackBits(s, sw, unpacked.data());
            s = unpacked.data();
          }
          ResampleHorizontalRow<C>(s, plane.data() + planeRow * static_cast<std::size_t>(y), hc, dw);
        }
      },
      [&](int r) { return static_cast<int>((r + 1) * 100 / total); });

  // Vertical pass over a band of destination rows and a span of columns.
  auto vertical = [&](int first, int last, int x0, int x1) {
    const std::size_t n = static_cast<std::size_t>(x1 - x0) * C;
    std::vector<int> acc(n);
    for (int y = first; y < last; ++y) {
      std::fill(acc.begin(), acc.end(), 0);
      for (int kk = vc.start[static_cast<std::size_t>(y)], e = vc.start[static_cast<std::size_t>(y) + 1]; kk < e;
           ++kk) {
        const Byte* r = plane.data() + planeRow * static_cast<std::size_t>(vc.index[static_cast<std::size_t>(kk)]) +
                        static_cast<std::size_t>(x0) * C;
        const int w = vc.weight[static_cast<std::size_t>(kk)];
        int* a = acc.data();
        for (std::size_t i = 0; i < n; ++i) a[i] += w * r[i];
      }
      const int ws = vc.sum[static_cast<std::size_t>(y)];
      Byte* d = dst[y] + static_cast<std::size_t>(x0) * outC;
      if (outC == C) {
        if (ws != 0) {
          const double dws = ws;
          for (std::size_t i = 0; i < n; ++i) {
            const int q = static_cast<int>(acc[i] / dws);
            d[i] = static_cast<Byte>(q < 0 ? 0 : q > 255 ? 255 : q);
          }
        } else {
          for (std::size_t i = 0; i < n; ++i) d[i] = ResampleDivide(acc[i], 0);
        }
      } else {
        for (std::size_t i = 0; i < n; ++i) d[3 * i] = d[3 * i + 1] = d[3 * i + 2] = ResampleDivide(acc[i], ws);
      }
    }
  };
  if (progress && progress->OnProgress) {
    // Column by column, so the reports follow the columns.
    for (int x = 0; x < dw; ++x) {
      vertical(0, dh, x, x + 1);
      ReportProgress(progress, static_cast<int>((sh + x + 1) * 100 / total));
    }
  } else {
    ParallelRows(dh, [&](int first, int last) { vertical(first, last, 0, dw); });
  }
  dst.Commit();
}

}  // namespace

void SetResampleSimd(bool enabled) { ResampleSimdOn.store(enabled, std::memory_order_relaxed); }

namespace {

bool ResampleIsKernel(TResampleFilter filter) { return filter >= rfTriangle && filter <= rfLinear; }

// The destination in the wanted format at its own size.
void ResampleEnsureFormat(TVQBitmap* dest, TVQPixelFormat format) {
  if (dest->GetPixelFormat() != format) dest->Allocate(dest->GetWidth(), dest->GetHeight(), format);
}

}  // namespace

void StretchNearest(TVQBitmap* source, TVQBitmap* dest, TVQProgressRec* progress) {
  const int sw = source->GetWidth(), sh = source->GetHeight();
  const int dw = dest->GetWidth(), dh = dest->GetHeight();
  const TVQPixelFormat format = source->GetPixelFormat();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || format == vqNull) return;
  ResampleEnsureFormat(dest, format);
  TVQViewAccessScope sourceAccess(*source, vqRead);
  TVQViewAccessScope destAccess(*dest, vqReadWrite);
  TResampleRowTable src(*source, true);
  TResampleRowTable dst(*dest, format == vqBits1);
  std::vector<int> q(static_cast<std::size_t>(dw));
  const double xr = double(sw) / dw, yr = double(sh) / dh;
  for (int x = 0; x < dw; ++x) q[static_cast<std::size_t>(x)] = std::min(sw - 1, static_cast<int>(xr * x));
  const int bytes = PixelFormatBits(format) / 8;
  const int* map = q.data();
  ResampleRunItems(
      dh, progress,
      [&](int first, int last) {
        for (int y = first; y < last; ++y) {
          const Byte* s = src[std::min(sh - 1, static_cast<int>(yr * y))];
          Byte* d = dst[y];
          switch (bytes) {
            case 0:
              for (int x = 0; x < dw; ++x) {
                const int b = (s[map[x] >> 3] >> (7 - (map[x] & 7))) & 1;
                const Byte m = static_cast<Byte>(0x80 >> (x & 7));
                d[x >> 3] = static_cast<Byte>(b ? d[x >> 3] | m : d[x >> 3] & ~m);
              }
              break;
            case 1:
              for (int x = 0; x < dw; ++x) d[x] = s[map[x]];
              break;
            case 2:
              for (int x = 0; x < dw; ++x) std::memcpy(d + 2 * x, s + 2 * map[x], 2);
              break;
            case 3:
              for (int x = 0; x < dw; ++x) {
                const Byte* p = s + 3 * map[x];
                d[3 * x] = p[0];
                d[3 * x + 1] = p[1];
                d[3 * x + 2] = p[2];
              }
              break;
            default:
              for (int x = 0; x < dw; ++x) std::memcpy(d + 4 * x, s + 4 * map[x], 4);
              break;
          }
        }
      },
      [&](int y) { return static_cast<int>(y * 100 / (dh + 0.5)); });
  dst.Commit();
}

void ResampleFiltered(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter, TVQProgressRec* progress) {
  const TVQPixelFormat format = source->GetPixelFormat();
  if (source->IsEmpty() || dest->GetWidth() <= 0 || dest->GetHeight() <= 0) return;
  if (format == vqGray8 && filter != rfNone) {
    ResampleEnsureFormat(dest, vqGray8);
    ResampleFilteredGray(source, dest, filter);
    return;
  }
  if (format != vqRGB24 || filter == rfNone || filter > rfBicubic) {
    StretchNearest(source, dest, progress);
    return;
  }
  ResampleEnsureFormat(dest, vqRGB24);
  if (filter == rfFastLinear) return FastLinear24(source, dest, progress);
  if (filter == rfBicubic || filter == rfBilinear) return AreaInterpolate(source, dest, filter == rfBicubic, progress);
  ResampleTwoPass<3>(source, dest, ResampleKernels[filter], false, 3, progress);
}

void ResampleFilteredGray(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter) {
  if (source->IsEmpty() || dest->GetWidth() <= 0 || dest->GetHeight() <= 0) return;
  if (source->GetBitCount() != 8 || filter == rfNone || filter > rfBicubic) return StretchNearest(source, dest);
  ResampleEnsureFormat(dest, source->GetPixelFormat());
  if (!ResampleIsKernel(filter)) return FastLinearGray(source, dest);
  ResampleTwoPass<1>(source, dest, ResampleKernels[filter], false, 1, nullptr);
}

void ResampleFiltered1Bit(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter) {
  if (source->IsEmpty() || dest->GetWidth() <= 0 || dest->GetHeight() <= 0) return;
  if (source->GetPixelFormat() != vqBits1) return ResampleFiltered(source, dest, filter);
  ResampleEnsureFormat(dest, vqRGB24);
  if (!ResampleIsKernel(filter)) return FastLinear1Bit(source, dest);
  ResampleTwoPass<1>(source, dest, ResampleKernels[filter], true, 3, nullptr);
}

void FillTransparentPixels(TVQBitmap* bitmap, TRGBPixel color) {
  if (bitmap->GetPixelFormat() != vqRGB24 || !bitmap->HasAlphaChannel() || bitmap->IsEmpty()) return;
  TVQBitmap* alpha = bitmap->GetAlphaChannel();
  TResampleRowTable rows(*bitmap, true);
  TResampleRowTable alphaRows(*alpha, true);
  const int w = bitmap->GetWidth();
  ParallelRows(bitmap->GetHeight(), [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      const Byte* a = alphaRows[y];
      Byte* p = rows[y];
      for (int x = 0; x < w; ++x)
        if (a[x] == 0) {
          p[3 * x] = color.b;
          p[3 * x + 1] = color.g;
          p[3 * x + 2] = color.r;
        }
    }
  });
  rows.Commit();
}

namespace {

bool ResampleHasTransparentPixel(TVQBitmap* alpha) {
  TResampleRowTable rows(*alpha, true);
  const int w = alpha->GetWidth();
  for (int y = 0; y < alpha->GetHeight(); ++y)
    if (std::memchr(rows[y], 0, static_cast<std::size_t>(w))) return true;
  return false;
}

}  // namespace

void ResampleBitmap(TVQBitmap* source, TVQBitmap* dest, TResampleFilter filter, TVQProgressRec* progress) {
  if (source->IsEmpty() || dest->GetWidth() <= 0 || dest->GetHeight() <= 0) return;
  TVQBitmap* src = source;
  // Transparent pixels go grey in a copy: the caller's image keeps them.
  std::unique_ptr<TVQBitmap> filled;
  if (source->HasAlphaChannel() && source->GetPixelFormat() == vqRGB24 &&
      ResampleHasTransparentPixel(source->GetAlphaChannel())) {
    filled = std::make_unique<TVQBitmap>();
    filled->MemoryThreshold = std::numeric_limits<Int64>::max();
    filled->SetLocation(vqMemoryBuffer);
    filled->Assign(source);
    FillTransparentPixels(filled.get(), TRGBPixel{128, 128, 128});
    src = filled.get();
  }
  if (filter == rfNone)
    StretchNearest(src, dest, progress);
  else if (src->GetPixelFormat() == vqBits1)
    ResampleFiltered1Bit(src, dest, filter);
  else
    ResampleFiltered(src, dest, filter, progress);
  if (source->HasAlphaChannel()) {
    TVQBitmap* sa = source->GetAlphaChannel();
    TVQBitmap* da = dest->GetAlphaChannel();
    if (filter == rfNone)
      StretchNearest(sa, da);
    else
      ResampleFilteredGray(sa, da, filter);
    da->Full = sa->Full;
  }
}

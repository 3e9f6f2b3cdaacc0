// The fast resampling paths: linear interpolation and box averaging in
// fixed point, area-weighted interpolation, and 1-bit area reduction.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/processing/pictoraproc_resample_rows.h"
#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "platform/rtl/Cpu.h"

namespace {

// Per destination index: first source index, its fraction in units of
// 2^-17, and the last source index of its averaging window. The last
// window runs to the last source index so no edge pixel is dropped.
struct TFastLinearMap {
  std::vector<int> first, fraction, last;
  std::vector<std::uint64_t> reciprocal;  // ceil(2^32 / window), see TFastLinearDivider
};

void FastLinearBuildMap(int n, int dn, double factor, bool averaging, TFastLinearMap& m) {
  m.first.resize(static_cast<std::size_t>(dn));
  m.fraction.resize(static_cast<std::size_t>(dn));
  m.last.resize(static_cast<std::size_t>(dn));
  m.reciprocal.resize(static_cast<std::size_t>(dn));
  for (int j = 0; j < dn; ++j) {
    const double s = j / factor;
    const int i = std::min(n - 1, static_cast<int>(s));
    m.first[static_cast<std::size_t>(j)] = i;
    m.fraction[static_cast<std::size_t>(j)] = static_cast<int>((s - i) * 131072);
    const int e = j == dn - 1 ? n - 1
                              : static_cast<int>(std::min(j + 1, dn - 1) / factor + (averaging ? 0.0000000001 : 0));
    m.last[static_cast<std::size_t>(j)] = std::clamp(e, i, n - 1);
    const std::uint64_t count = std::uint64_t(m.last[static_cast<std::size_t>(j)] - i + 1);
    m.reciprocal[static_cast<std::size_t>(j)] = ((std::uint64_t(1) << 32) + count - 1) / count;
  }
}

inline int FastLinearLerp(int a, int b, int f) { return a + (((b - a) * f) >> 17); }

// sum div count by a multiplication: with m = ceil(2^32 / count) the
// quotient is exact while sum x count < 2^32, which holds for byte sums of
// windows up to 4000 pixels; wider windows divide.
struct TFastLinearDivider {
  std::uint64_t m = 0;
  int count = 1;
  explicit TFastLinearDivider(int c) : m(((std::uint64_t(1) << 32) + std::uint64_t(c) - 1) / std::uint64_t(c)), count(c) {}
  bool Exact() const { return count <= 4000; }
  int operator()(std::uint32_t sum) const { return static_cast<int>((sum * m) >> 32); }
};

std::atomic<bool> FastLinearSimdOn{true};

// Box widths up to this use the summed-window rows below; wider windows
// add pixel by pixel.
constexpr int kFastLinearMaxBox = 8;
// The shift by 15 is exact while 255 c (c - 1) < 2^15 for every count c.
static_assert(255 * (kFastLinearMaxBox + 1) * kFastLinearMaxBox < 32768);

// Averaging windows of one map are w or w + 1 pixels wide, but for the last
// one (it runs to the edge). Per destination index: where its window mean
// sits in the row of window means, or -1 to add it up pixel by pixel.
// A mean is sum x ceil(2^15 / count) >> 15, which is exact for byte sums of
// windows up to 11 pixels.
struct TFastLinearBoxPlan {
  int w = 0;
  std::uint16_t narrow = 0, wide = 0;  // ceil(2^15 / w), ceil(2^15 / (w + 1))
  std::vector<int> base;
};

inline int FastLinearBoxMean(unsigned sum, unsigned m) { return static_cast<int>((sum * m) >> 15); }

template <int C>
bool FastLinearBuildBoxPlan(int n, const TFastLinearMap& m, TFastLinearBoxPlan& p) {
  const std::size_t dn = m.first.size();
  if (dn == 0) return false;
  int w = n;
  for (std::size_t j = 0; j + 1 < dn || j == 0; ++j) w = std::min(w, m.last[j] - m.first[j] + 1);
  if (w > kFastLinearMaxBox) return false;
  p.w = w;
  p.narrow = static_cast<std::uint16_t>((32768 + w - 1) / w);
  p.wide = static_cast<std::uint16_t>((32768 + w) / (w + 1));
  p.base.resize(dn);
  const int wideFrom = C * (n - w + 1);  // the means over w + 1 follow those over w
  for (std::size_t j = 0; j < dn; ++j) {
    const int count = m.last[j] - m.first[j] + 1;
    p.base[j] = count == w ? C * m.first[j] : count == w + 1 ? wideFrom + C * m.first[j] : -1;
  }
  return true;
}

#if defined(__x86_64__) || defined(__i386__)
// The 32-byte form of the 16-byte loop below, with the same arithmetic.
// Returns where the means (first) and the wide means (second) got to.
template <int C>
__attribute__((target("avx2"))) std::pair<int, int> FastLinearWindowMeansAvx2(const Byte* s, int w, int lanes,
                                                                               int wideLanes, std::uint16_t narrowM,
                                                                               std::uint16_t wideM, Byte* means,
                                                                               Byte* wideMeans) {
  const __m256i narrow = _mm256_set1_epi16(static_cast<short>(narrowM)), wide = _mm256_set1_epi16(static_cast<short>(wideM));
  int k = 0, wideDone = 0;
  for (; k + 32 <= lanes; k += 32) {
    __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
    for (int t = 0; t < w; ++t) {
      lo = _mm256_add_epi16(lo, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + C * t))));
      hi = _mm256_add_epi16(hi,
                            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 16 + C * t))));
    }
    // packus works per 128-bit half: put the halves back in order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(means + k),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(lo, lo), narrow),
                                                                     _mm256_mulhi_epu16(_mm256_add_epi16(hi, hi), narrow)), 0xD8));
    if (k + 32 <= wideLanes) {
      lo = _mm256_add_epi16(lo, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + C * w))));
      hi = _mm256_add_epi16(hi,
                            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 16 + C * w))));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(wideMeans + k),
                          _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(lo, lo), wide),
                                                                       _mm256_mulhi_epu16(_mm256_add_epi16(hi, hi), wide)), 0xD8));
      wideDone = k + 32;
    }
  }
  return {k, wideDone};
}
#endif

// means[k] = (s[k] + s[k + C] + ...) div w over w pixels for k < C(n - w + 1),
// then the means over w + 1 pixels for k < C(n - w).
template <int C>
void FastLinearWindowMeans(const Byte* s, int n, const TFastLinearBoxPlan& p, Byte* means) {
  const int w = p.w, lanes = C * (n - w + 1), wideLanes = C * (n - w);
  Byte* wideMeans = means + lanes;
  int k = 0, wideDone = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (CpuHasAvx2()) std::tie(k, wideDone) = FastLinearWindowMeansAvx2<C>(s, w, lanes, wideLanes, p.narrow, p.wide, means, wideMeans);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i narrow = _mm_set1_epi16(static_cast<short>(p.narrow)), wide = _mm_set1_epi16(static_cast<short>(p.wide));
  // The sums doubled so the high half of the product is the shift by 15.
  const auto mean = [](__m128i sum, __m128i m) { return _mm_mulhi_epu16(_mm_add_epi16(sum, sum), m); };
  for (; k + 16 <= lanes; k += 16) {
    __m128i lo = zero, hi = zero;
    for (int t = 0; t < w; ++t) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + C * t));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(means + k), _mm_packus_epi16(mean(lo, narrow), mean(hi, narrow)));
    if (k + 16 <= wideLanes && wideDone == k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + C * w));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(wideMeans + k), _mm_packus_epi16(mean(lo, wide), mean(hi, wide)));
      wideDone = k + 16;
    }
  }
#endif
  for (; k < lanes; ++k) {
    unsigned sum = 0;
    for (int t = 0; t < w; ++t) sum += s[k + C * t];
    means[k] = static_cast<Byte>(FastLinearBoxMean(sum, p.narrow));
  }
  for (k = wideDone; k < wideLanes; ++k) {
    unsigned sum = 0;
    for (int t = 0; t <= w; ++t) sum += s[k + C * t];
    wideMeans[k] = static_cast<Byte>(FastLinearBoxMean(sum, p.wide));
  }
}

// One source row (bytes of C channels) to a row of dw pixels.
template <int C>
void FastLinearRow(const Byte* s, Byte* out, int sw, int dw, bool interpolate, const TFastLinearMap& m,
                   const TFastLinearBoxPlan* plan, Byte* means) {
  if (interpolate) {
    for (int j = 0; j < dw; ++j) {
      const int i = m.first[static_cast<std::size_t>(j)], f = m.fraction[static_cast<std::size_t>(j)];
      const Byte* a = s + C * i;
      const Byte* b = s + C * std::min(i + 1, sw - 1);
      for (int c = 0; c < C; ++c) out[C * j + c] = static_cast<Byte>(FastLinearLerp(a[c], b[c], f));
    }
    return;
  }
  if (plan) FastLinearWindowMeans<C>(s, sw, *plan, means);
  for (int j = 0; j < dw; ++j) {
    if (plan) {
      const int base = plan->base[static_cast<std::size_t>(j)];
      if (base >= 0) {
        std::memcpy(out + C * j, means + base, C);
        continue;
      }
    }
    const int i0 = m.first[static_cast<std::size_t>(j)], i1 = m.last[static_cast<std::size_t>(j)];
    std::uint32_t sum[C] = {};
    for (int i = i0; i <= i1; ++i)
      for (int c = 0; c < C; ++c) sum[c] += s[C * i + c];
    const int count = i1 - i0 + 1;
    if (count <= 4000) {
      const std::uint64_t r = m.reciprocal[static_cast<std::size_t>(j)];
      for (int c = 0; c < C; ++c) out[C * j + c] = static_cast<Byte>((sum[c] * r) >> 32);
    } else {
      for (int c = 0; c < C; ++c) out[C * j + c] = static_cast<Byte>(sum[c] / std::uint32_t(count));
    }
  }
}

void FastLinearUnpack(const Byte* row, int width, Byte* out) {
  for (int x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
}

// Adds a row of bytes into 16-bit sums (or starts them with it).
void FastLinearAddRow(const Byte* a, std::uint16_t* sum, std::size_t n, bool first) {
  if (first) {
    for (std::size_t i = 0; i < n; ++i) sum[i] = a[i];
  } else {
    for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<std::uint16_t>(sum[i] + a[i]);
  }
}

// d[i] = sum[i] x m >> 15 (m = ceil(2^15 / count), exact for narrow windows).
void FastLinearSumMeans(const std::uint16_t* sum, std::size_t n, std::uint16_t m, Byte* d) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i mm = _mm_set1_epi16(static_cast<short>(m));
  for (; i + 16 <= n; i += 16) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_packus_epi16(_mm_mulhi_epu16(_mm_add_epi16(lo, lo), mm),
                                      _mm_mulhi_epu16(_mm_add_epi16(hi, hi), mm)));
  }
#endif
  for (; i < n; ++i) d[i] = static_cast<Byte>(FastLinearBoxMean(sum[i], m));
}

// Grey to three equal channels.
void FastLinearSpread(const Byte* grey, Byte* o, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) o[3 * i] = o[3 * i + 1] = o[3 * i + 2] = grey[i];
}

// Source rows resampled across, kept for the two most recent rows asked
// for: neighbouring destination rows share their edge row.
template <int C>
class TFastLinearRowCache {
 public:
  TFastLinearRowCache(const TResampleRowTable& src, int sw, int dw, bool bits, bool interpolate,
                      const TFastLinearMap& m, const TFastLinearBoxPlan* plan)
      : src_(src), sw_(sw), dw_(dw), bits_(bits), interpolate_(interpolate), m_(m), plan_(plan),
        rowLen_(static_cast<std::size_t>(dw) * C),
        rows_(2 * rowLen_),
        unpacked_(bits ? static_cast<std::size_t>(sw) : 0),
        means_(plan ? static_cast<std::size_t>(C) * (2 * static_cast<std::size_t>(sw) + 1) : 0) {}

  const Byte* Row(int y) {
    for (int k = 0; k < 2; ++k)
      if (index_[k] == y) return rows_.data() + rowLen_ * static_cast<std::size_t>(recent_ = k);
    recent_ ^= 1;
    index_[recent_] = y;
    Byte* out = rows_.data() + rowLen_ * static_cast<std::size_t>(recent_);
    const Byte* s = src_[y];
    if (bits_) {
      FastLinearUnpack(s, sw_, unpacked_.data());
      s = unpacked_.data();
    }
    FastLinearRow<C>(s, out, sw_, dw_, interpolate_, m_, plan_, means_.data());
    return out;
  }

 private:
  const TResampleRowTable& src_;
  int sw_, dw_;
  bool bits_, interpolate_;
  const TFastLinearMap& m_;
  const TFastLinearBoxPlan* plan_;
  std::size_t rowLen_;
  std::vector<Byte> rows_, unpacked_, means_;
  int index_[2] = {-1, -1};
  int recent_ = 1;
};

// C channels in the source (1 for bits); outC channels written. Each
// destination row pulls its source rows through the row cache, so the
// source is read about once and nothing picture-sized is held between
// the passes.
template <int C>
void FastLinearRun(TVQBitmap* source, TVQBitmap* dest, bool bits, int outC, bool forceInterpolate,
                   TVQProgressRec* progress) {
  const int sw = source->GetWidth(), sh = source->GetHeight();
  const int dw = dest->GetWidth(), dh = dest->GetHeight();
  const double xf = double(dw) / sw, yf = double(dh) / sh;
  // A factor of 1 interpolates too: it copies instead of blurring pairs.
  const bool xi = forceInterpolate || xf >= 1, yi = forceInterpolate || yf >= 1;
  TFastLinearMap xm, ym;
  FastLinearBuildMap(sw, dw, xf, true, xm);
  FastLinearBuildMap(sh, dh, yf, false, ym);
  TFastLinearBoxPlan plan;
  const bool simd = FastLinearSimdOn.load(std::memory_order_relaxed);
  const bool boxed = !xi && simd && FastLinearBuildBoxPlan<C>(sw, xm, plan);
  TVQViewAccessScope sourceAccess(*source, vqRead);
  TResampleRowTable src(*source, true);
  TResampleRowTable dst(*dest, false);
  const std::size_t planeRow = static_cast<std::size_t>(dw) * C;
  const double total = dh + 0.5;
  ResampleRunItems(
      dh, progress,
      [&](int first, int last) {
        TFastLinearRowCache<C> rows(src, sw, dw, bits, xi, xm, boxed ? &plan : nullptr);
        std::vector<std::uint32_t> sum(yi ? 0 : planeRow);
        std::vector<std::uint16_t> narrowSum(yi || !simd ? 0 : planeRow);
        std::vector<Byte> row(outC == C ? 0 : planeRow);
        for (int j = first; j < last; ++j) {
          Byte* d = outC == C ? dst[j] : row.data();
          const int i0 = ym.first[static_cast<std::size_t>(j)];
          if (yi) {
            const int i1 = std::min(i0 + 1, sh - 1);
            const Byte* a = rows.Row(i0);
            const Byte* b = rows.Row(i1);
            const int f = ym.fraction[static_cast<std::size_t>(j)];
            for (std::size_t i = 0; i < planeRow; ++i) d[i] = static_cast<Byte>(FastLinearLerp(a[i], b[i], f));
          } else {
            const int i1 = ym.last[static_cast<std::size_t>(j)], count = i1 - i0 + 1;
            if (simd && count <= kFastLinearMaxBox + 1) {
              for (int r = i0; r <= i1; ++r) FastLinearAddRow(rows.Row(r), narrowSum.data(), planeRow, r == i0);
              FastLinearSumMeans(narrowSum.data(), planeRow, static_cast<std::uint16_t>((32768 + count - 1) / count), d);
              if (outC != C) FastLinearSpread(d, dst[j], planeRow);
              continue;
            }
            const Byte* a = rows.Row(i0);
            for (std::size_t i = 0; i < planeRow; ++i) sum[i] = a[i];
            for (int r = i0 + 1; r <= i1; ++r) {
              a = rows.Row(r);
              for (std::size_t i = 0; i < planeRow; ++i) sum[i] += a[i];
            }
            const TFastLinearDivider div(i1 - i0 + 1);
            if (div.Exact()) {
              for (std::size_t i = 0; i < planeRow; ++i) d[i] = static_cast<Byte>(div(sum[i]));
            } else {
              for (std::size_t i = 0; i < planeRow; ++i) d[i] = static_cast<Byte>(sum[i] / std::uint32_t(div.count));
            }
          }
          if (outC != C) FastLinearSpread(d, dst[j], planeRow);
        }
      },
      [&](int j) { return static_cast<int>(j * 100 / total); });
  dst.Commit();
}

bool FastLinearUsable(TVQBitmap* source, TVQBitmap* dest) {
  return !source->IsEmpty() && dest->GetWidth() > 0 && dest->GetHeight() > 0;
}

bool FastLinearSameSize(TVQBitmap* source, TVQBitmap* dest) {
  return source->GetWidth() == dest->GetWidth() && source->GetHeight() == dest->GetHeight();
}

}  // namespace

void SetFastLinearSimd(bool enabled) { FastLinearSimdOn.store(enabled, std::memory_order_relaxed); }

void FastLinear24(TVQBitmap* source, TVQBitmap* dest, TVQProgressRec* progress) {
  if (!FastLinearUsable(source, dest)) return;
  if (FastLinearSameSize(source, dest)) return dest->Assign(source);
  if (source->GetPixelFormat() != vqRGB24) return StretchNearest(source, dest, progress);
  if (dest->GetPixelFormat() != vqRGB24) dest->Allocate(dest->GetWidth(), dest->GetHeight(), vqRGB24);
  FastLinearRun<3>(source, dest, false, 3, false, progress);
}

void FastLinearGray(TVQBitmap* source, TVQBitmap* dest, TVQProgressRec* progress) {
  if (!FastLinearUsable(source, dest)) return;
  if (FastLinearSameSize(source, dest)) return dest->Assign(source);
  if (source->GetBitCount() != 8) return StretchNearest(source, dest, progress);
  if (dest->GetPixelFormat() != source->GetPixelFormat())
    dest->Allocate(dest->GetWidth(), dest->GetHeight(), source->GetPixelFormat());
  FastLinearRun<1>(source, dest, false, 1, false, progress);
}

void FastLinear1Bit(TVQBitmap* source, TVQBitmap* dest) {
  if (!FastLinearUsable(source, dest)) return;
  if (FastLinearSameSize(source, dest)) return dest->Assign(source);
  if (source->GetPixelFormat() != vqBits1) return StretchNearest(source, dest);
  if (dest->GetPixelFormat() != vqRGB24) dest->Allocate(dest->GetWidth(), dest->GetHeight(), vqRGB24);
  const int sw = source->GetWidth(), sh = source->GetHeight();
  if (dest->GetWidth() < sw && dest->GetHeight() < sh) return ReduceArea(source, 0, 0, sw - 1, sh - 1, dest);
  FastLinearRun<1>(source, dest, true, 3, true, nullptr);
}

void ReduceArea(TVQBitmap* source, int x1, int y1, int x2, int y2, TVQBitmap* dest) {
  const int sw = source->GetWidth(), sh = source->GetHeight();
  const int dw = dest->GetWidth(), dh = dest->GetHeight();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || source->GetPixelFormat() != vqBits1) return;
  if (dest->GetPixelFormat() != vqRGB24) dest->Allocate(dw, dh, vqRGB24);
  const double xs = double(x2) - x1 + 1, ys = double(y2) - y1 + 1;
  if (xs <= 0 || ys <= 0) return;
  const double xstep = xs / dw, ystep = ys / dh;
  std::vector<int> c0(static_cast<std::size_t>(dw)), c1(static_cast<std::size_t>(dw));
  for (int x = 0; x < dw; ++x) {
    const double lo = x1 + std::trunc(x * xstep - xstep / 2), hi = x1 + std::trunc(x * xstep + xstep / 2);
    c0[static_cast<std::size_t>(x)] = static_cast<int>(std::clamp(lo, 0.0, sw - 1.0));
    c1[static_cast<std::size_t>(x)] = static_cast<int>(std::clamp(hi, 0.0, sw - 1.0));
  }
  TVQViewAccessScope sourceAccess(*source, vqRead);
  TResampleRowTable src(*source, true);
  TResampleRowTable dst(*dest, false);
  ParallelRows(dh, [&](int first, int last) {
    std::vector<Int64> counts(static_cast<std::size_t>(sw) + 1);
    for (int y = first; y < last; ++y) {
      const double lo = y1 + std::trunc(y * ystep - ystep / 2), hi = y1 + std::trunc(y * ystep + std::trunc(ystep) / 2);
      const int r0 = static_cast<int>(std::clamp(lo, 0.0, sh - 1.0));
      const int r1 = static_cast<int>(std::clamp(hi, 0.0, sh - 1.0));
      // Set bits per column over the row window, then prefix sums.
      std::fill(counts.begin(), counts.end(), 0);
      for (int r = r0; r <= r1; ++r) {
        const Byte* s = src[r];
        for (int x = 0; x < sw; ++x) counts[static_cast<std::size_t>(x) + 1] += (s[x >> 3] >> (7 - (x & 7))) & 1;
      }
      for (int x = 0; x < sw; ++x) counts[static_cast<std::size_t>(x) + 1] += counts[static_cast<std::size_t>(x)];
      Byte* d = dst[y];
      const int rows = r1 - r0 + 1;
      for (int x = 0; x < dw; ++x) {
        const int a = c0[static_cast<std::size_t>(x)], b = c1[static_cast<std::size_t>(x)];
        const Int64 set = counts[static_cast<std::size_t>(b) + 1] - counts[static_cast<std::size_t>(a)];
        const Byte v = static_cast<Byte>(set * 255 / (Int64(rows) * (b - a + 1)));
        d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = v;
      }
    }
  });
  dst.Commit();
}

#include "app/pixels/uSmooth.h"
#include "platform/rtl/Cpu.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#define LUMIQA_SMOOTH_AVX2 1
#endif

namespace {

constexpr int kCentreWeight = 255;

const std::array<int, 256>& WeightTable() {
  static const std::array<int, 256> table = [] {
    std::array<int, 256> t{};
    for (int d = 0; d < 256; ++d)
      t[std::size_t(d)] = SmoothDifferenceWeight(d);
    return t;
  }();
  return table;
}

inline int MaxDifference(const Byte* a, const Byte* b) {
  int d0 = std::abs(int(a[0]) - int(b[0])), d1 = std::abs(int(a[1]) - int(b[1])), d2 = std::abs(int(a[2]) - int(b[2]));
  return std::max(d0, std::max(d1, d2));
}

// One pixel: its own value at weight 255 plus the weighted samples at the given byte offsets.
inline void SmoothPixel(const Byte* p, const std::ptrdiff_t* offs, std::size_t count, const int* weight,
                        Byte* out) {
  int total = kCentreWeight;
  int s0 = kCentreWeight * p[0], s1 = kCentreWeight * p[1], s2 = kCentreWeight * p[2];
  for (std::size_t i = 0; i < count; ++i) {
    const Byte* q = p + offs[i];
    int w = weight[MaxDifference(q, p)];
    total += w;
    s0 += w * q[0];
    s1 += w * q[1];
    s2 += w * q[2];
  }
  out[0] = Byte(s0 / total);
  out[1] = Byte(s1 / total);
  out[2] = Byte(s2 / total);
}

#if defined(__SSE2__)
// Eight neighbouring pixels at once, all at least r from every edge, one lane
// per pixel. Integer sums, so grouping the samples in pairs leaves them
// unchanged. `offsets` holds pairs of plane offsets; the planes are b, g, r.
void SmoothEight(const Byte* pb, const Byte* pg, const Byte* pr, const std::ptrdiff_t* offsets,
                 std::size_t count, Byte* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c20 = _mm_set1_epi8(20), c40 = _mm_set1_epi8(40), c51 = _mm_set1_epi16(51);
  const __m128i cb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pb));
  const __m128i cg = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pg));
  const __m128i cr = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pr));
  // Each centre byte twice, to meet the two samples of a pair side by side.
  const __m128i cb2 = _mm_unpacklo_epi8(cb, cb), cg2 = _mm_unpacklo_epi8(cg, cg), cr2 = _mm_unpacklo_epi8(cr, cr);
  // The centre's own share, 255 times each channel, as 32-bit sums per pixel.
  auto centre = [&](__m128i c, __m128i& lo, __m128i& hi) {
    __m128i v = _mm_mullo_epi16(_mm_unpacklo_epi8(c, zero), _mm_set1_epi16(kCentreWeight));
    lo = _mm_unpacklo_epi16(v, zero);
    hi = _mm_unpackhi_epi16(v, zero);
  };
  __m128i sb0, sb1, sg0, sg1, sr0, sr1;
  centre(cb, sb0, sb1);
  centre(cg, sg0, sg1);
  centre(cr, sr0, sr1);
  // Weights in 16 bits, two lanes per pixel; 40 samples of 255 stay far below 32767.
  __m128i t0 = zero, t1 = zero;
  auto load = [](const Byte* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
  auto absdiff = [](__m128i a, __m128i b) { return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)); };
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    const std::ptrdiff_t oa = offsets[i], ob = offsets[i + 1];
    const __m128i qb = _mm_unpacklo_epi8(load(pb + oa), load(pb + ob));
    const __m128i qg = _mm_unpacklo_epi8(load(pg + oa), load(pg + ob));
    const __m128i qr = _mm_unpacklo_epi8(load(pr + oa), load(pr + ob));
    const __m128i d = _mm_max_epu8(absdiff(qb, cb2), _mm_max_epu8(absdiff(qg, cg2), absdiff(qr, cr2)));
    // min(max(60 - d, 0), 40) * 255 / 40, which is the same as that times 51 / 8.
    const __m128i t = _mm_subs_epu8(c40, _mm_subs_epu8(d, c20));
    const __m128i w0 = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), c51), 3);
    const __m128i w1 = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), c51), 3);
    t0 = _mm_add_epi16(t0, w0);
    t1 = _mm_add_epi16(t1, w1);
    sb0 = _mm_add_epi32(sb0, _mm_madd_epi16(w0, _mm_unpacklo_epi8(qb, zero)));
    sb1 = _mm_add_epi32(sb1, _mm_madd_epi16(w1, _mm_unpackhi_epi8(qb, zero)));
    sg0 = _mm_add_epi32(sg0, _mm_madd_epi16(w0, _mm_unpacklo_epi8(qg, zero)));
    sg1 = _mm_add_epi32(sg1, _mm_madd_epi16(w1, _mm_unpackhi_epi8(qg, zero)));
    sr0 = _mm_add_epi32(sr0, _mm_madd_epi16(w0, _mm_unpacklo_epi8(qr, zero)));
    sr1 = _mm_add_epi32(sr1, _mm_madd_epi16(w1, _mm_unpackhi_epi8(qr, zero)));
  }
  const __m128i ones = _mm_set1_epi16(1), own = _mm_set1_epi32(kCentreWeight);
  const __m128 total0 = _mm_cvtepi32_ps(_mm_add_epi32(_mm_madd_epi16(t0, ones), own));
  const __m128 total1 = _mm_cvtepi32_ps(_mm_add_epi32(_mm_madd_epi16(t1, ones), own));
  // Sums below 2^24 and totals up to 10455 are exact in single precision, and
  // a quotient at least 1/10455 below the next integer stays below it when
  // rounded, so truncating the single quotient is the integer division.
  auto quotient = [&](__m128i s0, __m128i s1) {
    __m128i q0 = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(s0), total0));
    __m128i q1 = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(s1), total1));
    return _mm_packs_epi32(q0, q1);
  };
  alignas(16) std::uint16_t b[8], g[8], r[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(b), quotient(sb0, sb1));
  _mm_store_si128(reinterpret_cast<__m128i*>(g), quotient(sg0, sg1));
  _mm_store_si128(reinterpret_cast<__m128i*>(r), quotient(sr0, sr1));
  for (int i = 0; i < 8; ++i, out += 3) {
    out[0] = Byte(b[i]);
    out[1] = Byte(g[i]);
    out[2] = Byte(r[i]);
  }
}
#endif

#if defined(LUMIQA_SMOOTH_AVX2)
// SmoothEight's operations on sixteen pixels in 256-bit vectors, where the
// processor has them: the same integer sums per pixel and the same single
// division, so the same bytes. Each 128-bit half works as SmoothEight does on
// pixels 0..7 and 8..15; the 16-bit unpacks split a half into pixels 0..3 and
// 4..7 of it, and the final pack puts the pixels back in order.
#define LUMIQA_AVX2 __attribute__((target("avx2"), always_inline)) inline

LUMIQA_AVX2 __m128i Load16(const Byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Bytes of a and b side by side: pixel i's pair at bytes 2i, 2i + 1.
LUMIQA_AVX2 __m256i Pairs(__m128i a, __m128i b) {
  return _mm256_set_m128i(_mm_unpackhi_epi8(a, b), _mm_unpacklo_epi8(a, b));
}

LUMIQA_AVX2 __m256i AbsDiff(__m256i a, __m256i b) {
  return _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a));
}

// The centre's own share as 32-bit sums, grouped as the sums of the samples:
// lo pixels 0..3 and 8..11, hi pixels 4..7 and 12..15.
LUMIQA_AVX2 void CentreShare(__m128i c, __m256i& lo, __m256i& hi) {
  const __m256i v = _mm256_mullo_epi16(_mm256_cvtepu8_epi16(c), _mm256_set1_epi16(kCentreWeight));
  const __m256i grouped = _mm256_permute4x64_epi64(v, 0xD8);  // 0..3, 8..11 | 4..7, 12..15
  lo = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(grouped));
  hi = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(grouped, 1));
}

// The truncated single quotient is the integer division, as in SmoothEight.
LUMIQA_AVX2 __m256i Quotient16(__m256i s0, __m256i s1, __m256 total0, __m256 total1) {
  const __m256i q0 = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(s0), total0));
  const __m256i q1 = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(s1), total1));
  return _mm256_packs_epi32(q0, q1);  // pixels 0..7 | 8..15
}

__attribute__((target("avx2"))) void SmoothSixteen(const Byte* pb, const Byte* pg, const Byte* pr,
                                                   const std::ptrdiff_t* offsets, std::size_t count, Byte* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c20 = _mm256_set1_epi8(20), c40 = _mm256_set1_epi8(40), c51 = _mm256_set1_epi16(51);
  const __m128i cb = Load16(pb), cg = Load16(pg), cr = Load16(pr);
  const __m256i cb2 = Pairs(cb, cb), cg2 = Pairs(cg, cg), cr2 = Pairs(cr, cr);
  __m256i sb0, sb1, sg0, sg1, sr0, sr1;
  CentreShare(cb, sb0, sb1);
  CentreShare(cg, sg0, sg1);
  CentreShare(cr, sr0, sr1);
  __m256i t0 = zero, t1 = zero;
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    const std::ptrdiff_t oa = offsets[i], ob = offsets[i + 1];
    const __m256i qb = Pairs(Load16(pb + oa), Load16(pb + ob));
    const __m256i qg = Pairs(Load16(pg + oa), Load16(pg + ob));
    const __m256i qr = Pairs(Load16(pr + oa), Load16(pr + ob));
    const __m256i d = _mm256_max_epu8(AbsDiff(qb, cb2), _mm256_max_epu8(AbsDiff(qg, cg2), AbsDiff(qr, cr2)));
    const __m256i t = _mm256_subs_epu8(c40, _mm256_subs_epu8(d, c20));
    const __m256i w0 = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(t, zero), c51), 3);
    const __m256i w1 = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(t, zero), c51), 3);
    t0 = _mm256_add_epi16(t0, w0);
    t1 = _mm256_add_epi16(t1, w1);
    sb0 = _mm256_add_epi32(sb0, _mm256_madd_epi16(w0, _mm256_unpacklo_epi8(qb, zero)));
    sb1 = _mm256_add_epi32(sb1, _mm256_madd_epi16(w1, _mm256_unpackhi_epi8(qb, zero)));
    sg0 = _mm256_add_epi32(sg0, _mm256_madd_epi16(w0, _mm256_unpacklo_epi8(qg, zero)));
    sg1 = _mm256_add_epi32(sg1, _mm256_madd_epi16(w1, _mm256_unpackhi_epi8(qg, zero)));
    sr0 = _mm256_add_epi32(sr0, _mm256_madd_epi16(w0, _mm256_unpacklo_epi8(qr, zero)));
    sr1 = _mm256_add_epi32(sr1, _mm256_madd_epi16(w1, _mm256_unpackhi_epi8(qr, zero)));
  }
  const __m256i ones = _mm256_set1_epi16(1), own = _mm256_set1_epi32(kCentreWeight);
  const __m256 total0 = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_madd_epi16(t0, ones), own));
  const __m256 total1 = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_madd_epi16(t1, ones), own));
  alignas(32) std::uint16_t b[16], g[16], r[16];
  _mm256_store_si256(reinterpret_cast<__m256i*>(b), Quotient16(sb0, sb1, total0, total1));
  _mm256_store_si256(reinterpret_cast<__m256i*>(g), Quotient16(sg0, sg1, total0, total1));
  _mm256_store_si256(reinterpret_cast<__m256i*>(r), Quotient16(sr0, sr1, total0, total1));
  for (int i = 0; i < 16; ++i, out += 3) {
    out[0] = Byte(b[i]);
    out[1] = Byte(g[i]);
    out[2] = Byte(r[i]);
  }
}

#undef LUMIQA_AVX2

#endif

}  // namespace

int SmoothDifferenceWeight(int d) {
  if (d <= 20)
    return 255;
  if (d < 60)
    return (60 - d) * 255 / 40;
  return 0;
}

std::vector<int> SmoothOffsets(int n) {
  std::vector<int> offsets;
  if (n > 5) {
    int b = RoundEven((n + 1) / 2.0);
    for (int k : {1, (b + 1) / 2, b, RoundEven((b + n) / 2.0), n}) {
      offsets.push_back(k);
      offsets.push_back(-k);
    }
  } else {
    for (int k = 1; k <= n; ++k) {
      offsets.push_back(k);
      offsets.push_back(-k);
    }
  }
  return offsets;
}

namespace {

// A pass goes in pieces of a 64th of the rows, as PictureRows does.
constexpr int kSmoothPieces = 64;

// The smoothing into a result of the source's size: a new buffer or a new
// bitmap's own rows. Rows are smoothed in bands, each from the source alone.
void SmoothInto(const RowImage& source, int radius, const RowProgress& progress, const RowImage& result) {
  const int W = source.Width, H = source.Height;
  // Beyond the picture's larger side a radius changes nothing (every pixel's
  // reach stops at the edges), and clamping keeps 2r within int.
  const int r = std::min(radius == 0 ? 5 : std::max(radius, 0), std::max(W, H));
  const int* weight = WeightTable().data();
  const std::ptrdiff_t stride = source.Stride;
  // Byte steps of one offset along the rows, the columns, the diagonal and the anti-diagonal.
  const std::ptrdiff_t steps[4] = {3, stride, stride + 3, -stride + 3};

  const int maxN = std::min(r, std::max(W, H));
  std::vector<std::vector<int>> offsetsByN(std::size_t(maxN) + 1);
  for (int n = 0; n <= maxN; ++n)
    offsetsByN[std::size_t(n)] = SmoothOffsets(n);
  // Interior pixels, at least r from every edge, go eight at a time through
  // separate planes of blue, green and red; the rest one by one.
  const int run = W - 2 * r;
#if defined(__SSE2__)
  const bool interior = r <= maxN && run >= 8 && H > 2 * r;
#else
  const bool interior = false;
#endif
  // The planes hold one piece of rows and the r rows above and below it at
  // a time, refilled for each piece: a few megabytes rather than a copy of
  // the picture, so a pass needs no picture-sized scratch.
  const int piece = (H + kSmoothPieces - 1) / kSmoothPieces;
  const int windowRows = interior ? std::min(H, piece + 2 * r) : 0;
  const std::size_t planeBytes = std::size_t(windowRows) * std::size_t(W);
  std::unique_ptr<Byte[]> window(interior ? new Byte[3 * planeBytes] : nullptr);
  Byte* const planes[3] = {window.get(), window.get() + planeBytes, window.get() + 2 * planeBytes};
  std::vector<std::ptrdiff_t> planeOffsets;
  if (interior) {
    const std::ptrdiff_t planeSteps[4] = {1, W, std::ptrdiff_t(W) + 1, -std::ptrdiff_t(W) + 1};
    for (std::ptrdiff_t step : planeSteps)
      for (int k : offsetsByN[std::size_t(r)])
        planeOffsets.push_back(k * step);
  }

#if defined(LUMIQA_SMOOTH_AVX2)
  const bool avx2 = CpuHasAvx2();
#endif
  // Pieces go one after another, as PictureRows hands them out, each split
  // among the threads; the progress hears on the calling thread after each.
  for (int begin = 0; begin < H; begin += piece) {
    const int end = std::min(H, begin + piece);
    // First row held in the planes.
    const int top = interior ? std::max(0, begin - r) : 0;
    if (interior) {
      const int bottom = std::min(H, end + r);
      ParallelRows(bottom - top, [&](int a, int b) {
        for (int y = top + a; y < top + b; ++y) {
          const Byte* in = source.Row(y);
          const std::size_t at = std::size_t(y - top) * std::size_t(W);
          Byte* pb = planes[0] + at;
          Byte* pg = planes[1] + at;
          Byte* pr = planes[2] + at;
          for (int x = 0; x < W; ++x, in += 3)
            pb[x] = in[0], pg[x] = in[1], pr[x] = in[2];
        }
      });
    }
    ParallelRows(end - begin, [&](int a, int b) {
      std::vector<std::ptrdiff_t> edge;
      edge.reserve(40);
      for (int y = begin + a; y < begin + b; ++y) {
        const Byte* in = source.Row(y);
        Byte* out = result.Row(y);
        const int nv = std::min({r, y, H - 1 - y});
        const bool inner = interior && nv == r;
        const std::size_t rowAt = std::size_t(y - top) * std::size_t(W);
        for (int x = 0; x < W; ++x) {
#if defined(LUMIQA_SMOOTH_AVX2)
          if (inner && avx2 && x >= r && x + 16 <= W - r) {
            const std::size_t at = rowAt + std::size_t(x);
            SmoothSixteen(planes[0] + at, planes[1] + at, planes[2] + at, planeOffsets.data(), planeOffsets.size(),
                          out + x * 3);
            x += 15;
            continue;
          }
#endif
#if defined(__SSE2__)
          if (inner && x >= r && x + 8 <= W - r) {
            const std::size_t at = rowAt + std::size_t(x);
            SmoothEight(planes[0] + at, planes[1] + at, planes[2] + at, planeOffsets.data(), planeOffsets.size(),
                        out + x * 3);
            x += 7;
            continue;
          }
#endif
          const int nh = std::min({r, x, W - 1 - x});
          const int nd = std::min(nh, nv);
          const int ns[4] = {nh, nv, nd, nd};
          edge.clear();
          for (int d = 0; d < 4; ++d)
            for (int k : offsetsByN[std::size_t(ns[d])])
              edge.push_back(k * steps[d]);
          SmoothPixel(in + x * 3, edge.data(), edge.size(), weight, out + x * 3);
        }
      }
    });
    if (progress) progress(end, H);
  }
}

}  // namespace

RowImageBuffer SmoothPicture(const RowImage& source, int radius, const RowProgress& progress) {
  RequirePicture(source);
  // Every pixel is written.
  RowImageBuffer result(source.Width, source.Height, RowImageBuffer::Unset{});
  SmoothInto(source, radius, progress, result);
  return result;
}

namespace {

void RequireSameSize(const RowImage& source, const RowImage& smoothed) {
  RequirePicture(source);
  if (smoothed.Width != source.Width || smoothed.Height != source.Height)
    throw EInvalidGraphicOperation("Pictures differ in size");
}

// One pixel of the blend: the amount by the largest channel difference, then
// each byte as ((100 - m) s + m t) / 100, truncated.
inline void BlendPixel(const Byte* s, const Byte* t, Byte* out, int fine, int mid, int rough) {
  const int d = MaxDifference(s, t);
  const int m = d <= 2 ? fine : d > 8 ? rough : mid;
  for (int c = 0; c < 3; ++c)
    out[c] = Byte(((100 - m) * s[c] + m * t[c]) / 100);
}

#if defined(__SSE2__)
// Sixteen pixels (48 bytes) at once. Sums stay at most 25500, where
// (v * 5243) >> 19 equals v / 100 for every v, so the quotient is exact.
struct BlendSixteen {
  __m128i fine, mid, rough, hundred, magic, two, eight;
  __m128i phase[3][3];  // phase[k][r]: bytes of vector k that are channel r of their pixel

  BlendSixteen(int f, int m, int r)
      : fine(_mm_set1_epi8(char(f))), mid(_mm_set1_epi8(char(m))), rough(_mm_set1_epi8(char(r))),
        hundred(_mm_set1_epi16(100)), magic(_mm_set1_epi16(5243)), two(_mm_set1_epi8(2)), eight(_mm_set1_epi8(8)) {
    for (int k = 0; k < 3; ++k)
      for (int r = 0; r < 3; ++r) {
        alignas(16) Byte mask[16];
        for (int i = 0; i < 16; ++i)
          mask[i] = Byte((16 * k + i) % 3 == r ? 0xFF : 0);
        phase[k][r] = _mm_load_si128(reinterpret_cast<const __m128i*>(mask));
      }
  }

  static __m128i AbsDiff(__m128i a, __m128i b) { return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)); }
  // Byte j + K of the stream a, b.
  template <int K>
  static __m128i Ahead(__m128i a, __m128i b) {
    return _mm_or_si128(_mm_srli_si128(a, K), _mm_slli_si128(b, 16 - K));
  }
  // Byte j - K of the stream before, a.
  template <int K>
  static __m128i Behind(__m128i before, __m128i a) {
    return _mm_or_si128(_mm_slli_si128(a, K), _mm_srli_si128(before, 16 - K));
  }

  __m128i Mix(__m128i s, __m128i t, __m128i m) const {
    const __m128i zero = _mm_setzero_si128();
    auto half = [&](__m128i s16, __m128i t16, __m128i m16) {
      __m128i v = _mm_add_epi16(_mm_mullo_epi16(s16, _mm_sub_epi16(hundred, m16)), _mm_mullo_epi16(t16, m16));
      return _mm_srli_epi16(_mm_mulhi_epu16(v, magic), 3);
    };
    __m128i lo = half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(m, zero));
    __m128i hi = half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(m, zero));
    return _mm_packus_epi16(lo, hi);
  }

  __m128i Amount(__m128i d) const {
    const __m128i zero = _mm_setzero_si128();
    const __m128i isFine = _mm_cmpeq_epi8(_mm_subs_epu8(d, two), zero);
    const __m128i upTo8 = _mm_cmpeq_epi8(_mm_subs_epu8(d, eight), zero);
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(isFine, fine), _mm_and_si128(_mm_andnot_si128(isFine, upTo8), mid)),
                        _mm_andnot_si128(upTo8, rough));
  }

  void operator()(const Byte* s, const Byte* t, Byte* out) const {
    auto load = [](const Byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i s0 = load(s), s1 = load(s + 16), s2 = load(s + 32);
    const __m128i t0 = load(t), t1 = load(t + 16), t2 = load(t + 32);
    const __m128i zero = _mm_setzero_si128();
    const __m128i d0 = AbsDiff(s0, t0), d1 = AbsDiff(s1, t1), d2 = AbsDiff(s2, t2);
    // Largest difference of the pixel starting at each byte; right at the pixels' first bytes.
    const __m128i e0 = _mm_max_epu8(d0, _mm_max_epu8(Ahead<1>(d0, d1), Ahead<2>(d0, d1)));
    const __m128i e1 = _mm_max_epu8(d1, _mm_max_epu8(Ahead<1>(d1, d2), Ahead<2>(d1, d2)));
    const __m128i e2 = _mm_max_epu8(d2, _mm_max_epu8(Ahead<1>(d2, zero), Ahead<2>(d2, zero)));
    // Spread each pixel's value from its first byte to its other two.
    auto spread = [&](int k, __m128i before, __m128i e) {
      return _mm_or_si128(_mm_or_si128(_mm_and_si128(phase[k][0], e), _mm_and_si128(phase[k][1], Behind<1>(before, e))),
                          _mm_and_si128(phase[k][2], Behind<2>(before, e)));
    };
    const __m128i m0 = Amount(spread(0, zero, e0)), m1 = Amount(spread(1, e0, e1)), m2 = Amount(spread(2, e1, e2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), Mix(s0, t0, m0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), Mix(s1, t1, m1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), Mix(s2, t2, m2));
  }
};
#endif

// The blend into a result of the source's size: a new buffer, or a new
// bitmap's own rows, which saves the bitmap entry point a copy.
void BlendInto(const RowImage& source, const RowImage& smoothed, int fine, const RowProgress& progress, int rough,
               int mid, const RowImage& result) {
  const int W = source.Width, H = source.Height;
  // Amounts are percentages; kept to 0..100 the arithmetic fits 16 bits and vectorises.
  fine = std::clamp(fine, 0, 100), mid = std::clamp(mid, 0, 100), rough = std::clamp(rough, 0, 100);
#if defined(__SSE2__)
  const BlendSixteen sixteen(fine, mid, rough);
#endif
  PictureRows(H, [&, fine, mid, rough, W](int begin, int end) {
#if defined(__SSE2__)
    // A copy of its own, so stores through the rows cannot alias its constants.
    const BlendSixteen blend = sixteen;
#endif
    for (int y = begin; y < end; ++y) {
      const Byte* s = source.Row(y);
      const Byte* t = smoothed.Row(y);
      Byte* out = result.Row(y);
      int x = 0;
#if defined(__SSE2__)
      for (; x + 16 <= W; x += 16)
        blend(s + x * 3, t + x * 3, out + x * 3);
#endif
      for (; x < W; ++x)
        BlendPixel(s + x * 3, t + x * 3, out + x * 3, fine, mid, rough);
    }
  }, progress);
}

}  // namespace

RowImageBuffer BlendByDifference(const RowImage& source, const RowImage& smoothed, int fine,
                                 const RowProgress& progress, int rough, int mid) {
  RequireSameSize(source, smoothed);
  // Every pixel is written, so the white fill would be wasted.
  RowImageBuffer result(source.Width, source.Height, RowImageBuffer::Unset{});
  BlendInto(source, smoothed, fine, progress, rough, mid, result);
  return result;
}

std::unique_ptr<TBitmap> SmoothPicture(TBitmap* source, int radius, const RowProgress& progress) {
  const RowImage rows = BitmapRowsToRead(source);
  RequirePicture(rows);
  return BitmapWrittenBy(rows.Width, rows.Height,
                         [&](const RowImage& result) { SmoothInto(rows, radius, progress, result); });
}

void SmoothPictureInto(TBitmap* source, int radius, const RowProgress& progress, TBitmap* into) {
  const RowImage rows = BitmapRowsToRead(source);
  RequirePicture(rows);
  if (!into || into == source || into->PixelFormat() != pf24bit || into->Width() != rows.Width ||
      into->Height() != rows.Height)
    throw EInvalidGraphicOperation("The smoothing's picture is not of the source's size");
  SmoothInto(rows, radius, progress, BitmapRows(into));
}

std::unique_ptr<TBitmap> BlendByDifference(TBitmap* source, TBitmap* smoothed, int fine, const RowProgress& progress,
                                           int rough, int mid) {
  const RowImage s = BitmapRowsToRead(source), t = BitmapRowsToRead(smoothed);
  RequireSameSize(s, t);
  return BitmapWrittenBy(s.Width, s.Height,
                         [&](const RowImage& result) { BlendInto(s, t, fine, progress, rough, mid, result); });
}

void BlendByDifferenceInto(TBitmap* source, TBitmap* smoothed, int fine, const RowProgress& progress, int rough,
                           int mid, TBitmap* into) {
  const RowImage s = BitmapRowsToRead(source), t = BitmapRowsToRead(smoothed);
  RequireSameSize(s, t);
  if (!into || into->PixelFormat() != pf24bit || into->Width() != s.Width || into->Height() != s.Height)
    throw EInvalidGraphicOperation("The blend's picture is not of the source's size");
  BlendInto(s, t, fine, progress, rough, mid, BitmapRows(into));
}

#include "app/pixels/uStain.h"
#include "platform/rtl/Cpu.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#define LUMIQA_ERASE_AVX2 1
#endif

namespace {

// Weight of a ring pixel at squared distance s: the distance as a single, then (1/t)^2 as a single.
float InverseSquareWeight(std::int64_t s) {
  float t = float(std::sqrt(double(s)));
  double inv = 1.0 / double(t);
  return float(inv * inv);
}

// Beyond this radius the weight table would be too large; the weights are then
// worked out pair by pair (same values, slower).
constexpr int kMaxTableRadius = 512;

struct RingPixel {
  int Y, X;
  float C[3];
};

// The ring as the disc pixels read it: positions, colours in double, and the
// weights by squared distance (empty beyond kMaxTableRadius).
struct RingColumns {
  std::size_t N = 0;
  const int* Y = nullptr;
  const int* X = nullptr;
  const double* Colour[3] = {};
  const std::vector<float>* Table = nullptr;

  float WeightAt(std::int64_t s) const { return Table->empty() ? InverseSquareWeight(s) : (*Table)[std::size_t(s)]; }
};

#if defined(LUMIQA_ERASE_AVX2)
// Four neighbouring disc pixels at once, one per lane of 256-bit vectors,
// where the processor has them: each lane does the very operations of one
// pixel alone (single weights and total, double terms added to single sums),
// so each result is that pixel's. `scratch` holds 4 N doubles.
__attribute__((target("avx2"))) void EraseFour(Byte* p, int y, int x, const RingColumns& ring, double* scratch) {
  float total[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < ring.N; ++i) {
    const std::int64_t ey = ring.Y[i] - y, ex = ring.X[i] - x;
    for (int k = 0; k < 4; ++k) {
      const float w = ring.WeightAt(ey * ey + (ex - k) * (ex - k));
      scratch[4 * i + std::size_t(k)] = w;
      total[k] += w;
    }
  }
  const __m256d dtotal = _mm256_setr_pd(total[0], total[1], total[2], total[3]);
  __m256d sum[3] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
  for (std::size_t i = 0; i < ring.N; ++i) {
    const __m256d w = _mm256_loadu_pd(&scratch[4 * i]);
    for (int c = 0; c < 3; ++c) {
      // Rounding the double sum to single and back is float(...) in each lane.
      const __m256d term = _mm256_div_pd(_mm256_mul_pd(_mm256_set1_pd(ring.Colour[c][i]), w), dtotal);
      sum[c] = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_add_pd(sum[c], term)));
    }
  }
  alignas(16) float f[3][4];
  for (int c = 0; c < 3; ++c)
    _mm_store_ps(f[c], _mm256_cvtpd_ps(sum[c]));
  for (int lane = 0; lane < 4; ++lane)
    for (int c = 0; c < 3; ++c)
      p[lane * 3 + c] = ClampByte(int(std::lrint(f[c][lane])));
}

// RN(a / b) without a division, from y = RN(1 / b): the first correction
// brings a * y within an ulp of a / b, the second then gives the correctly
// rounded quotient (Markstein), so the result is the division's to the bit.
__attribute__((target("avx2,fma"))) inline __m256d EraseQuotient(__m256d a, __m256d b, __m256d y) {
  __m256d q = _mm256_mul_pd(a, y);
  __m256d r = _mm256_fnmadd_pd(q, b, a);
  q = _mm256_fmadd_pd(r, y, q);
  r = _mm256_fnmadd_pd(q, b, a);
  return _mm256_fmadd_pd(r, y, q);
}

// Eight neighbouring disc pixels, as EraseFour does four, with the division
// by the total replaced by EraseQuotient and two independent groups of sums,
// so neither the divider nor the rounding chain of one group holds the loop.
// `scratch` holds 8 N doubles.
__attribute__((target("avx2,fma"))) void EraseEight(Byte* p, int y, int x, const RingColumns& ring,
                                                    double* scratch) {
  float total[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < ring.N; ++i) {
    const std::int64_t ey = ring.Y[i] - y, ex = ring.X[i] - x;
    for (int k = 0; k < 8; ++k) {
      const float w = ring.WeightAt(ey * ey + (ex - k) * (ex - k));
      scratch[8 * i + std::size_t(k)] = w;
      total[k] += w;
    }
  }
  __m256d dtotal[2], inverse[2];
  for (int g = 0; g < 2; ++g) {
    dtotal[g] = _mm256_setr_pd(total[4 * g], total[4 * g + 1], total[4 * g + 2], total[4 * g + 3]);
    inverse[g] = _mm256_div_pd(_mm256_set1_pd(1.0), dtotal[g]);
  }
  __m256d sum[2][3] = {};
  for (std::size_t i = 0; i < ring.N; ++i) {
    const __m256d w[2] = {_mm256_loadu_pd(&scratch[8 * i]), _mm256_loadu_pd(&scratch[8 * i + 4])};
    for (int c = 0; c < 3; ++c) {
      const __m256d colour = _mm256_set1_pd(ring.Colour[c][i]);
      for (int g = 0; g < 2; ++g) {
        // colour * w is exact: 8 bits times a single's 24.
        const __m256d term = EraseQuotient(_mm256_mul_pd(colour, w[g]), dtotal[g], inverse[g]);
        sum[g][c] = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_add_pd(sum[g][c], term)));
      }
    }
  }
  alignas(16) float f[2][3][4];
  for (int g = 0; g < 2; ++g)
    for (int c = 0; c < 3; ++c)
      _mm_store_ps(f[g][c], _mm256_cvtpd_ps(sum[g][c]));
  for (int lane = 0; lane < 8; ++lane)
    for (int c = 0; c < 3; ++c)
      p[lane * 3 + c] = ClampByte(int(std::lrint(f[lane / 4][c][lane % 4])));
}

#endif

}  // namespace

EraseDisc EraseDiscToImage(TPoint position, int radius, double zoom) {
  if (!(zoom > 0))
    return EraseDisc{};
  double r = std::min(std::max(radius / zoom, 0.0), 65535.0);
  // A centre beyond 2^30 is far outside any picture either way; clamping keeps
  // it from wrapping around into one.
  auto centre = [&](int v) { return RoundEven(std::clamp(v / zoom, -1073741824.0, 1073741824.0)); };
  return EraseDisc{centre(position.X), centre(position.Y), RoundEven(r)};
}

bool EraseDiscPixels(const RowImage& image, const EraseDisc& disc) {
  const int W = image.Width, H = image.Height, R = disc.Radius, cx = disc.CentreX, cy = disc.CentreY;
  if (image.Empty() || R < 1)
    return false;
  // Round(sqrt(s)) = R exactly when (R - 1/2)^2 < s <= (R + 1/2)^2, s being an integer.
  const std::int64_t R2 = std::int64_t(R) * R, ringLo = R2 - R + 1, ringHi = R2 + R;
  const int f = int(std::floor(std::sqrt(R2 / 2.0)));

  // The disc's box in 64 bits: a centre near the limits of int must not wrap.
  const int y0 = int(std::max<std::int64_t>(0, std::int64_t(cy) - R));
  const int y1 = int(std::min<std::int64_t>(H - 1, std::int64_t(cy) + R));
  const int x0 = int(std::max<std::int64_t>(0, std::int64_t(cx) - R));
  const int x1 = int(std::min<std::int64_t>(W - 1, std::int64_t(cx) + R));
  std::vector<RingPixel> ring;
  for (int y = y0; y <= y1; ++y) {
    const Byte* row = image.Row(y);
    const std::int64_t dy = std::int64_t(y) - cy;
    for (int x = x0; x <= x1; ++x) {
      const std::int64_t dx = std::int64_t(x) - cx;
      if (std::abs(dy) < f && std::abs(dx) < f)
        continue;
      std::int64_t s = dy * dy + dx * dx;
      if (s >= ringLo && s <= ringHi)
        ring.push_back(RingPixel{y, x, {float(row[x * 3]), float(row[x * 3 + 1]), float(row[x * 3 + 2])}});
    }
  }
  if (ring.empty())
    return false;

  // Disc and ring pixels are less than 2R + 1 apart on each axis.
  std::vector<float> table;
  const std::int64_t span = 2 * std::int64_t(R) + 1;
  if (R <= kMaxTableRadius) {
    table.resize(std::size_t(2 * span * span));
    for (std::size_t s = 1; s < table.size(); ++s)
      table[s] = InverseSquareWeight(std::int64_t(s));
  }
  // The ring as separate columns, colours already in double for the sums.
  const std::size_t n = ring.size();
  std::vector<int> ringY(n), ringX(n);
  std::vector<double> colour[3];
  for (int c = 0; c < 3; ++c)
    colour[c].resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    ringY[i] = ring[i].Y, ringX[i] = ring[i].X;
    for (int c = 0; c < 3; ++c)
      colour[c][i] = double(ring[i].C[c]);
  }
  const RingColumns columns{n, ringY.data(), ringX.data(), {colour[0].data(), colour[1].data(), colour[2].data()}, &table};
  auto weightAt = [&](std::int64_t s) { return columns.WeightAt(s); };

  // One disc pixel: weights and their total in single precision, then each
  // term c w / total formed in double and added to single sums.
  auto one = [&](Byte* p, int y, int x, std::vector<double>& weights) {
    float total = 0;
    for (std::size_t i = 0; i < n; ++i) {
      std::int64_t ey = ringY[i] - y, ex = ringX[i] - x;
      float w = weightAt(ey * ey + ex * ex);
      weights[i] = w;
      total += w;
    }
    const double dtotal = total;
    float s0 = 0, s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const double w = weights[i];
      s0 = float(double(s0) + colour[0][i] * w / dtotal);
      s1 = float(double(s1) + colour[1][i] * w / dtotal);
      s2 = float(double(s2) + colour[2][i] * w / dtotal);
    }
    p[0] = ClampByte(int(std::lrint(s0)));
    p[1] = ClampByte(int(std::lrint(s1)));
    p[2] = ClampByte(int(std::lrint(s2)));
  };
#if defined(__SSE2__)
  // Two neighbouring disc pixels at once, one per lane: the very same
  // operations on each, so each result is that of `one`.
  auto two = [&](Byte* p, int y, int x, std::vector<double>& pairWeights) {
    float totalA = 0, totalB = 0;
    for (std::size_t i = 0; i < n; ++i) {
      std::int64_t ey = ringY[i] - y, ex = ringX[i] - x;
      float wa = weightAt(ey * ey + ex * ex), wb = weightAt(ey * ey + (ex - 1) * (ex - 1));
      pairWeights[2 * i] = wa;
      pairWeights[2 * i + 1] = wb;
      totalA += wa;
      totalB += wb;
    }
    const __m128d dtotal = _mm_setr_pd(totalA, totalB);
    __m128d s0 = _mm_setzero_pd(), s1 = _mm_setzero_pd(), s2 = _mm_setzero_pd();
    // Rounding the double sum to single and back is float(...) in each lane.
    auto add = [&](__m128d sum, double c, __m128d w) {
      return _mm_cvtps_pd(_mm_cvtpd_ps(_mm_add_pd(sum, _mm_div_pd(_mm_mul_pd(_mm_set1_pd(c), w), dtotal))));
    };
    for (std::size_t i = 0; i < n; ++i) {
      const __m128d w = _mm_loadu_pd(&pairWeights[2 * i]);
      s0 = add(s0, colour[0][i], w);
      s1 = add(s1, colour[1][i], w);
      s2 = add(s2, colour[2][i], w);
    }
    alignas(16) float f[3][4];
    _mm_store_ps(f[0], _mm_cvtpd_ps(s0));
    _mm_store_ps(f[1], _mm_cvtpd_ps(s1));
    _mm_store_ps(f[2], _mm_cvtpd_ps(s2));
    for (int lane = 0; lane < 2; ++lane)
      for (int c = 0; c < 3; ++c)
        p[lane * 3 + c] = ClampByte(int(std::lrint(f[c][lane])));
  };
#endif
  const std::int64_t inside = std::int64_t(R - 1) * (R - 1);
  // The ring's colours were taken above, so every disc row is filled from
  // them alone and the rows go in bands.
#if defined(LUMIQA_ERASE_AVX2)
  const bool avx2 = CpuHasAvx2(), fma = CpuHasAvx2Fma();
#endif
  ParallelRows(y1 - y0 + 1, [&](int begin, int end) {
  std::vector<double> scratch(8 * n);
  for (int y = y0 + begin; y < y0 + end; ++y) {
    Byte* row = image.Row(y);
    const std::int64_t dy = std::int64_t(y) - cy;
    // The disc's pixels in this row are one run of columns.
    int first = -1, last = -2;
    for (int x = x0; x <= x1; ++x) {
      const std::int64_t dx = std::int64_t(x) - cx;
      if (dy * dy + dx * dx > inside)
        continue;
      if (first < 0)
        first = x;
      last = x;
    }
    int x = first;
#if defined(LUMIQA_ERASE_AVX2)
    if (fma)
      for (; x >= 0 && x + 7 <= last; x += 8)
        EraseEight(row + x * 3, y, x, columns, scratch.data());
    if (avx2)
      for (; x >= 0 && x + 3 <= last; x += 4)
        EraseFour(row + x * 3, y, x, columns, scratch.data());
#endif
#if defined(__SSE2__)
    for (; x >= 0 && x + 1 <= last; x += 2)
      two(row + x * 3, y, x, scratch);
#endif
    for (; x >= 0 && x <= last; ++x)
      one(row + x * 3, y, x, scratch);
  }
  });
  return true;
}

bool ErasePatch(const RowImage& image, TPoint position, int radius, double zoom) {
  return EraseDiscPixels(image, EraseDiscToImage(position, radius, zoom));
}

bool ErasePatch(TBitmap* image, TPoint position, int radius, double zoom) {
  return ErasePatch(BitmapRows(image), position, radius, zoom);
}

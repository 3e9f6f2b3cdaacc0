#include "platform/gdi/Stretch.h"

#include <algorithm>

#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/Cpu.h"

NearestMap::NearestMap(int srcLen, std::int64_t dstLen, bool mirror, int from, int to) : base(from) {
  v.resize(static_cast<size_t>(std::max(0, to - from)));
  // Shrinking steps through the source from its first pixel, rounding
  // halves up: 4 -> 2 keeps 0 and 2, 10 -> 4 keeps 0, 3, 5 and 8. Enlarging
  // repeats the pixel under each destination centre.
  const bool shrink = dstLen < srcLen;
  for (int i = from; i < to; ++i) {
    __int128 k = mirror ? dstLen - 1 - i : i;
    v[size_t(i - from)] = shrink ? int((2 * k * srcLen + dstLen) / (2 * __int128(dstLen)))
                                 : int(((2 * k + 1) * srcLen) / (2 * __int128(dstLen)));
  }
}

namespace {

// Weights of one pixel that add up to more than this could overflow the
// 32-bit channel sums (255 times the weights); such axes (a source far
// larger than any surface) are scaled down to it.
constexpr std::uint32_t kMaxScale = 1u << 24;

// Rescales weights [offset, end) that sum to `from` so they sum to `to`,
// the rounding left over going to the heaviest tap.
void Rescale(std::vector<std::uint32_t>& w, size_t offset, std::uint64_t from, std::uint32_t to) {
  std::uint64_t sum = 0;
  size_t heaviest = offset;
  for (size_t k = offset; k < w.size(); ++k) {
    if (w[k] > w[heaviest]) heaviest = k;
    w[k] = std::uint32_t(std::uint64_t(w[k]) * to / from);
    sum += w[k];
  }
  if (offset < w.size()) w[heaviest] += std::uint32_t(to - sum);
}

}  // namespace

AxisTaps HalftoneTaps(int srcLen, std::int64_t dstLen, bool mirror, int from, int to, int validLo, int validHi) {
  AxisTaps t;
  const size_t n = size_t(to - from);
  t.first.resize(n);
  t.count.resize(n);
  t.offset.resize(n);
  // Reads outside [validLo, validHi) give the edge pixel; an empty range
  // means there is no limit.
  if (validLo >= validHi) {
    validLo = 0;
    validHi = srcLen;
  }
  // Output index i of the full axis; mirrored axes read their taps backward.
  auto at = [&](int i) -> std::int64_t { return mirror ? dstLen - 1 - i : i; };
  auto add = [&](int i, int first, std::initializer_list<std::uint32_t> w) {
    size_t k = size_t(i - from);
    t.first[k] = first;
    t.count[k] = int(w.size());
    t.offset[k] = int(t.weights.size());
    t.weights.insert(t.weights.end(), w);
  };
  if (srcLen == dstLen) {
    t.scale = 1;
    for (int i = from; i < to; ++i) add(i, at(i), {1});
  } else if (dstLen < srcLen) {
    // Destination pixel i covers source [i * srcLen, (i + 1) * srcLen) in
    // units of 1/dstLen pixel; each source pixel j spans [j * dstLen, ...).
    // The pixels before validLo (after validHi) all read as the edge pixel,
    // so their share is added to it: the work follows the pixels that
    // exist, not the rectangle asked for.
    const bool rescale = std::uint32_t(srcLen) > kMaxScale;
    t.scale = rescale ? kMaxScale : std::uint32_t(srcLen);
    for (int i = from; i < to; ++i) {
      const std::int64_t a = at(i) * srcLen, b = a + srcLen;
      const int j0 = int(a / dstLen), j1 = int((b + dstLen - 1) / dstLen);
      const int m0 = std::clamp(j0, validLo, validHi - 1), m1 = std::clamp(j1 - 1, validLo, validHi - 1) + 1;
      const size_t k = size_t(i - from);
      t.first[k] = m0;
      t.count[k] = m1 - m0;
      t.offset[k] = int(t.weights.size());
      for (int j = m0; j < m1; ++j) {
        std::int64_t lo = std::max(a, std::int64_t(j) * dstLen), hi = std::min(b, std::int64_t(j + 1) * dstLen);
        if (j == validLo) lo = a;       // everything before the first pixel
        if (j == validHi - 1) hi = b;   // and after the last
        t.weights.push_back(std::uint32_t(hi - lo));
      }
      if (rescale) Rescale(t.weights, size_t(t.offset[k]), std::uint64_t(srcLen), kMaxScale);
    }
  } else {
    // Centre of destination pixel i sits at source (i + 0.5) * src / dst - 0.5.
    t.scale = 256;
    for (int i = from; i < to; ++i) {
      __int128 num = (2 * __int128(at(i)) + 1) * srcLen - dstLen;  // 2 * dst * position
      std::int64_t pos = num <= 0 ? 0 : std::int64_t((num * 256) / (2 * __int128(dstLen)));
      int j = int(pos >> 8);
      std::uint32_t f = std::uint32_t(pos & 255);
      if (j >= srcLen - 1) {
        j = srcLen - 1;
        f = 0;
      }
      if (f == 0)
        add(i, j, {256});
      else
        add(i, j, {256 - f, f});
    }
  }
  t.lo = srcLen;
  t.hi = 0;
  for (size_t i = 0; i < n; ++i) {
    t.lo = std::min(t.lo, t.first[i]);
    t.hi = std::max(t.hi, t.first[i] + t.count[i]);
  }
  return t;
}

void HalftoneBlock(const SourceRowReader& read, const AxisTaps& xt, const AxisTaps& yt, int c0, int c1, int r0, int r1,
                   std::uint32_t* out) {
  const int w = c1 - c0;
  if (w <= 0 || r1 <= r0) return;
  // Source columns this block needs.
  int sx0 = xt.first[size_t(c0)], sx1 = sx0;
  for (int c = c0; c < c1; ++c) {
    sx0 = std::min(sx0, xt.first[size_t(c)]);
    sx1 = std::max(sx1, xt.first[size_t(c)] + xt.count[size_t(c)]);
  }
  const int sn = sx1 - sx0;
  std::vector<std::uint32_t> src(static_cast<size_t>(sn));
  // Horizontal sums of the last two source rows (channels apart): bilinear
  // enlarging reuses each row for several output rows.
  std::vector<std::uint32_t> hcache[2] = {std::vector<std::uint32_t>(static_cast<size_t>(w) * 3),
                                          std::vector<std::uint32_t>(static_cast<size_t>(w) * 3)};
  int cachedRow[2] = {-1, -1};
  int nextSlot = 0;
  std::vector<std::uint64_t> acc(static_cast<size_t>(w) * 3);
  const std::uint64_t total = std::uint64_t(xt.scale) * yt.scale;
  const std::uint64_t half = total / 2;
  // Totals that are powers of two (copy and bilinear axes) divide by shifting.
  const bool pow2 = (total & (total - 1)) == 0;
  int shift = 0;
  while (pow2 && (std::uint64_t(1) << shift) < total) ++shift;
  for (int r = r0; r < r1; ++r) {
    std::fill(acc.begin(), acc.end(), 0);
    const int ry = yt.first[size_t(r)], rn = yt.count[size_t(r)];
    const std::uint32_t* rw = &yt.weights[size_t(yt.offset[size_t(r)])];
    for (int k = 0; k < rn; ++k) {
      const int sy = ry + k;
      int slot = cachedRow[0] == sy ? 0 : cachedRow[1] == sy ? 1 : -1;
      if (slot < 0) {
        slot = nextSlot;
        nextSlot ^= 1;
        cachedRow[slot] = sy;
        read(sy, sx0, sn, src.data());
        std::uint32_t* h = hcache[slot].data();
        // Horizontal pass over whole rows: integer tap sums per channel.
        for (int c = c0; c < c1; ++c) {
          const std::uint32_t* p = &src[size_t(xt.first[size_t(c)] - sx0)];
          const std::uint32_t* wt = &xt.weights[size_t(xt.offset[size_t(c)])];
          const int n = xt.count[size_t(c)];
          std::uint32_t sr = 0, sg = 0, sb = 0;
          for (int t = 0; t < n; ++t) {
            std::uint32_t px = p[t], wv = wt[t];
            sr += ((px >> 16) & 0xFF) * wv;
            sg += ((px >> 8) & 0xFF) * wv;
            sb += (px & 0xFF) * wv;
          }
          size_t o = size_t(c - c0) * 3;
          h[o] = sr;
          h[o + 1] = sg;
          h[o + 2] = sb;
        }
      } else if (slot == nextSlot) {
        nextSlot ^= 1;  // keep the row just used, replace the other
      }
      const std::uint32_t* h = hcache[slot].data();
      const std::uint64_t wv = rw[k];
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += wv * h[i];
    }
    std::uint32_t* o = out + size_t(r - r0) * size_t(w);
    if (pow2) {
      for (int c = 0; c < w; ++c) {
        std::uint32_t rr = std::uint32_t((acc[size_t(c) * 3] + half) >> shift);
        std::uint32_t gg = std::uint32_t((acc[size_t(c) * 3 + 1] + half) >> shift);
        std::uint32_t bb = std::uint32_t((acc[size_t(c) * 3 + 2] + half) >> shift);
        o[c] = (rr << 16) | (gg << 8) | bb;
      }
    } else {
      for (int c = 0; c < w; ++c) {
        std::uint32_t rr = std::uint32_t((acc[size_t(c) * 3] + half) / total);
        std::uint32_t gg = std::uint32_t((acc[size_t(c) * 3 + 1] + half) / total);
        std::uint32_t bb = std::uint32_t((acc[size_t(c) * 3 + 2] + half) / total);
        o[c] = (rr << 16) | (gg << 8) | bb;
      }
    }
  }
}

namespace {

// Output rows [r0, r1) of the block; columns [c0, c1) of the taps. Built
// twice below, the wider vectors chosen at run time where the processor has
// them (by a test, not an ifunc, whose resolver runs before any sanitizer's
// run-time is up).
__attribute__((always_inline)) inline void HalftoneRowsBody(const DirectRows& src, const AxisTaps& xt,
                                                            const AxisTaps& yt, int c0, int c1, int r0, int r1,
                                                            int sx0, int sx1, std::uint32_t* out) {
  const int w = c1 - c0, bpp = src.bytesPerPixel;
  const size_t span = size_t(sx1 - sx0) * 3;
  std::vector<std::uint32_t> column(span);
  const std::uint64_t total = std::uint64_t(xt.scale) * yt.scale;
  const std::uint64_t half = total / 2;
  const bool pow2 = (total & (total - 1)) == 0;
  int shift = 0;
  while (pow2 && (std::uint64_t(1) << shift) < total) ++shift;
  // Integer division by total through a 64-bit reciprocal, corrected to
  // the exact quotient (the estimate is never below it and at most one
  // above): a hardware divide per channel costs more than all the rest.
  const std::uint64_t reciprocal = ~std::uint64_t(0) / total + 1;
  auto divide = [total, reciprocal](std::uint64_t x) {
    std::uint64_t q = std::uint64_t((static_cast<unsigned __int128>(x) * reciprocal) >> 64);
    if (q * total > x) --q;
    return std::uint32_t(q);
  };
  for (int r = r0; r < r1; ++r) {
    // Vertical pass over whole rows: the weighted sum of this row's source
    // rows, channel by channel. Sums stay below 2^32: the weights of one
    // output row add up to the axis scale, at most 2^20 here, times 255.
    const int ry = yt.first[size_t(r)], rn = yt.count[size_t(r)];
    const std::uint32_t* rw = &yt.weights[size_t(yt.offset[size_t(r)])];
    std::uint32_t* c = column.data();
    const size_t n = size_t(sx1 - sx0);
    if (rn <= 0) std::fill(column.begin(), column.end(), 0u);
    for (int k = 0; k < rn; ++k) {
      const std::uint8_t* p =
          src.top + std::ptrdiff_t(src.y0 + ry + k) * src.pitch + std::ptrdiff_t(src.x0 + sx0) * bpp;
      const std::uint32_t wv = rw[k];
      // The first row sets the sums, the others add to them.
      if (bpp == 3 && k == 0) {
        for (size_t i = 0; i < span; ++i) c[i] = wv * p[i];
      } else if (bpp == 3) {
        for (size_t i = 0; i < span; ++i) c[i] += wv * p[i];
      } else if (k == 0) {
        for (size_t i = 0; i < n; ++i) {
          c[3 * i] = wv * p[4 * i];
          c[3 * i + 1] = wv * p[4 * i + 1];
          c[3 * i + 2] = wv * p[4 * i + 2];
        }
      } else {
        for (size_t i = 0; i < n; ++i) {
          c[3 * i] += wv * p[4 * i];
          c[3 * i + 1] += wv * p[4 * i + 1];
          c[3 * i + 2] += wv * p[4 * i + 2];
        }
      }
    }
    // Horizontal pass: the column taps over the sums, in 64 bits.
    std::uint32_t* o = out + size_t(r - r0) * size_t(w);
    for (int cc = c0; cc < c1; ++cc) {
      const std::uint32_t* c = &column[size_t(xt.first[size_t(cc)] - sx0) * 3];
      const std::uint32_t* wt = &xt.weights[size_t(xt.offset[size_t(cc)])];
      const int n = xt.count[size_t(cc)];
      std::uint64_t sb = 0, sg = 0, sr = 0;
      for (int t = 0; t < n; ++t, c += 3) {
        const std::uint64_t wv = wt[t];
        sb += wv * c[0];
        sg += wv * c[1];
        sr += wv * c[2];
      }
      std::uint32_t rr, gg, bb;
      if (pow2) {
        rr = std::uint32_t((sr + half) >> shift), gg = std::uint32_t((sg + half) >> shift);
        bb = std::uint32_t((sb + half) >> shift);
      } else {
        rr = divide(sr + half), gg = divide(sg + half), bb = divide(sb + half);
      }
      o[cc - c0] = (rr << 16) | (gg << 8) | bb;
    }
  }
}

__attribute__((target("avx2"))) void HalftoneRowsAvx2(const DirectRows& src, const AxisTaps& xt, const AxisTaps& yt,
                                                      int c0, int c1, int r0, int r1, int sx0, int sx1,
                                                      std::uint32_t* out) {
  HalftoneRowsBody(src, xt, yt, c0, c1, r0, r1, sx0, sx1, out);
}

void HalftoneRowsPlain(const DirectRows& src, const AxisTaps& xt, const AxisTaps& yt, int c0, int c1, int r0, int r1,
                       int sx0, int sx1, std::uint32_t* out) {
  HalftoneRowsBody(src, xt, yt, c0, c1, r0, r1, sx0, sx1, out);
}

void HalftoneRowsDirect(const DirectRows& src, const AxisTaps& xt, const AxisTaps& yt, int c0, int c1, int r0, int r1,
                        int sx0, int sx1, std::uint32_t* out) {
  (CpuHasAvx2() ? HalftoneRowsAvx2 : HalftoneRowsPlain)(src, xt, yt, c0, c1, r0, r1, sx0, sx1, out);
}

}  // namespace

void HalftoneBlockDirect(const DirectRows& src, const AxisTaps& xt, const AxisTaps& yt, int c0, int c1, int r0,
                         int r1, std::uint32_t* out) {
  if (c1 <= c0 || r1 <= r0) return;
  int sx0 = xt.first[size_t(c0)], sx1 = sx0;
  for (int c = c0; c < c1; ++c) {
    sx0 = std::min(sx0, xt.first[size_t(c)]);
    sx1 = std::max(sx1, xt.first[size_t(c)] + xt.count[size_t(c)]);
  }
  // Work per output row is its source rows times the span. Big blocks go in
  // bands of rows, each band at least a quarter of a million taps so the hand
  // over costs nothing next to it; each band writes only its own rows of out.
  std::uint64_t work = 0;
  for (int r = r0; r < r1; ++r) work += std::uint64_t(yt.count[size_t(r)]);
  work *= std::uint64_t(sx1 - sx0);
  constexpr std::uint64_t kBandWork = 1u << 18;
  const int rows = r1 - r0;
  const int minBand = int(std::min<std::uint64_t>(rows, kBandWork * std::uint64_t(rows) / std::max<std::uint64_t>(work, 1) + 1));
  const size_t w = size_t(c1 - c0);
  ParallelRows(
      rows,
      [&](int a, int b) {
        HalftoneRowsDirect(src, xt, yt, c0, c1, r0 + a, r0 + b, sx0, sx1, out + size_t(a) * w);
      },
      minBand);
}

#include "app/uSmooth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

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

// A run of `count` pixels starting at plane index `first`, all at least r from
// every edge: the same sums as SmoothPixel, one offset at a time over the run.
void SmoothRun(const std::vector<Byte> (&planes)[3], std::size_t first, int count,
               const std::vector<std::ptrdiff_t>& offsets, std::vector<std::int32_t>& acc, Byte* out) {
  // The planes and the sums never overlap; saying so lets the loops vectorise.
  const Byte* __restrict cb = planes[0].data() + first;
  const Byte* __restrict cg = planes[1].data() + first;
  const Byte* __restrict cr = planes[2].data() + first;
  std::int32_t* __restrict total = acc.data();
  std::int32_t* __restrict sb = total + count;
  std::int32_t* __restrict sg = sb + count;
  std::int32_t* __restrict sr = sg + count;
  for (int i = 0; i < count; ++i) {
    total[i] = kCentreWeight;
    sb[i] = kCentreWeight * cb[i];
    sg[i] = kCentreWeight * cg[i];
    sr[i] = kCentreWeight * cr[i];
  }
  for (std::ptrdiff_t off : offsets) {
    const Byte* __restrict qb = cb + off;
    const Byte* __restrict qg = cg + off;
    const Byte* __restrict qr = cr + off;
    for (int i = 0; i < count; ++i) {
      int db = std::abs(int(qb[i]) - int(cb[i])), dg = std::abs(int(qg[i]) - int(cg[i]));
      int dr = std::abs(int(qr[i]) - int(cr[i]));
      int d = std::max(db, std::max(dg, dr));
      // Same bands as SmoothDifferenceWeight, without branches.
      int w = std::min(std::max(60 - d, 0) * 255 / 40, 255);
      total[i] += w;
      sb[i] += w * qb[i];
      sg[i] += w * qg[i];
      sr[i] += w * qr[i];
    }
  }
  for (int i = 0; i < count; ++i, out += 3) {
    out[0] = Byte(sb[i] / total[i]);
    out[1] = Byte(sg[i] / total[i]);
    out[2] = Byte(sr[i] / total[i]);
  }
}

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

RowImageBuffer SmoothPicture(const RowImage& source, int radius, const RowProgress& progress) {
  RequirePicture(source);
  const int r = radius == 0 ? 5 : std::max(radius, 0);
  const int W = source.Width, H = source.Height;
  RowImageBuffer result(W, H);
  const int* weight = WeightTable().data();
  const std::ptrdiff_t stride = source.Stride;
  // Byte steps of one offset along the rows, the columns, the diagonal and the anti-diagonal.
  const std::ptrdiff_t steps[4] = {3, stride, stride + 3, -stride + 3};

  const int maxN = std::min(r, std::max(W, H));
  std::vector<std::vector<int>> offsetsByN(std::size_t(maxN) + 1);
  for (int n = 0; n <= maxN; ++n)
    offsetsByN[std::size_t(n)] = SmoothOffsets(n);
  // Interior runs work on planes, one offset at a time over the whole run, so
  // the compiler can process many pixels per instruction.
  const std::size_t N = std::size_t(W) * std::size_t(H);
  std::vector<Byte> planes[3];
  const int run = W - 2 * r;
  const bool interior = r <= maxN && run > 0 && H > 2 * r;
  if (interior)
    for (int c = 0; c < 3; ++c) {
      planes[c].resize(N);
      for (int y = 0; y < H; ++y) {
        const Byte* in = source.Row(y) + c;
        Byte* out = &planes[c][std::size_t(y) * W];
        for (int x = 0; x < W; ++x)
          out[x] = in[x * 3];
      }
    }
  std::vector<std::ptrdiff_t> planeOffsets;
  if (interior) {
    const std::ptrdiff_t planeSteps[4] = {1, W, std::ptrdiff_t(W) + 1, -std::ptrdiff_t(W) + 1};
    for (std::ptrdiff_t step : planeSteps)
      for (int k : offsetsByN[std::size_t(r)])
        planeOffsets.push_back(k * step);
  }
  std::vector<std::int32_t> acc(interior ? std::size_t(run) * 4 : 0);

  std::vector<std::ptrdiff_t> edge;
  edge.reserve(40);
  for (int y = 0; y < H; ++y) {
    const Byte* in = source.Row(y);
    Byte* out = result.Row(y);
    const int nv = std::min({r, y, H - 1 - y});
    const bool inner = interior && nv == r;
    for (int x = 0; x < W; ++x) {
      if (inner && x == r) {
        SmoothRun(planes, std::size_t(y) * W + std::size_t(r), run, planeOffsets, acc, out + r * 3);
        x += run - 1;
        continue;
      }
      const int nh = std::min({r, x, W - 1 - x});
      const int nd = std::min(nh, nv);
      const int ns[4] = {nh, nv, nd, nd};
      edge.clear();
      for (int d = 0; d < 4; ++d)
        for (int k : offsetsByN[std::size_t(ns[d])])
          edge.push_back(k * steps[d]);
      SmoothPixel(in + x * 3, edge.data(), edge.size(), weight, out + x * 3);
    }
    if (progress)
      progress(y + 1, H);
  }
  return result;
}

RowImageBuffer BlendByDifference(const RowImage& source, const RowImage& smoothed, int fine,
                                 const RowProgress& progress, int rough, int mid) {
  RequirePicture(source);
  if (smoothed.Width != source.Width || smoothed.Height != source.Height)
    throw EInvalidGraphicOperation("Pictures differ in size");
  const int W = source.Width, H = source.Height;
  // Amounts are percentages; kept to 0..100 the arithmetic fits 16 bits and vectorises.
  fine = std::clamp(fine, 0, 100), mid = std::clamp(mid, 0, 100), rough = std::clamp(rough, 0, 100);
  RowImageBuffer result(W, H);
  std::vector<std::uint16_t> amount(std::size_t(W) * 3);
  for (int y = 0; y < H; ++y) {
    const Byte* s = source.Row(y);
    const Byte* t = smoothed.Row(y);
    Byte* out = result.Row(y);
    for (int x = 0; x < W; ++x) {
      int d = MaxDifference(s + x * 3, t + x * 3);
      std::uint16_t m = std::uint16_t(d <= 2 ? fine : d > 8 ? rough : mid);
      amount[std::size_t(x) * 3] = amount[std::size_t(x) * 3 + 1] = amount[std::size_t(x) * 3 + 2] = m;
    }
    const std::uint16_t* m = amount.data();
    for (int i = 0; i < W * 3; ++i)
      out[i] = Byte(std::uint16_t((100 - m[i]) * s[i] + m[i] * t[i]) / 100);
    if (progress)
      progress(y + 1, H);
  }
  return result;
}

#include "app/pixels/RotateImage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Round(num / den) for num >= 0, den > 0, halves to even, without the
// floating-point quotient: an exact half must not land on either side by chance.
int RoundRatio(std::int64_t num, std::int64_t den) {
  std::int64_t q = num / den, r2 = (num % den) * 2;
  if (r2 > den || (r2 == den && (q & 1)))
    ++q;
  return int(q);
}

std::array<BicubicRow, 101> MakeBicubicTable() {
  std::array<BicubicRow, 101> table{};
  for (int k = 0; k <= 100; ++k) {
    // a and d in units of 1/10000: t(1-t)^2/2 and t^2(1-t)/2 with t = k/100.
    int a4 = RoundRatio(std::int64_t(k) * (100 - k) * (100 - k), 200);
    int d4 = RoundRatio(std::int64_t(k) * k * (100 - k), 200);
    table[k] = {float(-a4 / 10000.0), float(((100 - k) * 100 + a4) / 10000.0),
                float((k * 100 + d4) / 10000.0), float(-d4 / 10000.0)};
  }
  return table;
}

// Bicubic sample of channel values at rows r[0..3] and byte offsets c[0..3].
inline void Sample16(const Byte* const r[4], const int c[4], const BicubicRow& wy, const BicubicRow& wx,
                     Byte* out) {
  float s0 = 0, s1 = 0, s2 = 0;
  for (int i = 0; i < 4; ++i) {
    const Byte* row = r[i];
    for (int j = 0; j < 4; ++j) {
      float q = wy[i] * wx[j];
      const Byte* p = row + c[j];
      s0 += q * float(p[0]);
      s1 += q * float(p[1]);
      s2 += q * float(p[2]);
    }
  }
  out[0] = ClampByte(int(std::lrint(s0)));
  out[1] = ClampByte(int(std::lrint(s1)));
  out[2] = ClampByte(int(std::lrint(s2)));
}

#if defined(__SSE2__)
// The same sixteen products and sums as Sample16, with one lane per channel:
// each lane adds its products in Sample16's order, in single precision.
// `taps(i, j)` gives the pixel at row i, column j as floats (blue, green, red, any).
template <typename Taps>
inline __m128 SampleLanes(const __m128 wy[4], __m128 wx, Taps taps) {
  __m128 s = _mm_setzero_ps();
  for (int i = 0; i < 4; ++i) {
    const __m128 q = _mm_mul_ps(wy[i], wx);
    s = _mm_add_ps(s, _mm_mul_ps(_mm_shuffle_ps(q, q, 0x00), taps(i, 0)));
    s = _mm_add_ps(s, _mm_mul_ps(_mm_shuffle_ps(q, q, 0x55), taps(i, 1)));
    s = _mm_add_ps(s, _mm_mul_ps(_mm_shuffle_ps(q, q, 0xAA), taps(i, 2)));
    s = _mm_add_ps(s, _mm_mul_ps(_mm_shuffle_ps(q, q, 0xFF), taps(i, 3)));
  }
  return s;
}

// Rounds half to even (the default rounding mode, as lrint) and clamps to 0..255.
inline std::uint32_t PackPixel(__m128 s) {
  __m128i v = _mm_cvtps_epi32(s);
  v = _mm_packs_epi32(v, v);
  return std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
}

inline void StorePixel(__m128 s, Byte* out) {
  std::uint32_t v = PackPixel(s);
  out[0] = Byte(v), out[1] = Byte(v >> 8), out[2] = Byte(v >> 16);
}

// Four pixels in twelve bytes.
inline void StoreFour(const __m128 s[4], Byte* out) {
  std::uint32_t p0 = PackPixel(s[0]), p1 = PackPixel(s[1]), p2 = PackPixel(s[2]), p3 = PackPixel(s[3]);
  const std::uint32_t words[3] = {(p0 & 0xFFFFFFu) | (p1 << 24), ((p1 >> 8) & 0xFFFFu) | (p2 << 16),
                                  ((p2 >> 16) & 0xFFu) | (p3 << 8)};
  std::memcpy(out, words, 12);
}

// One pixel's channels as floats; a struct so that containers keep the alignment.
struct Lanes {
  __m128 v;
};

// lrint without the library call: the conversion rounds by the current mode too.
inline int RoundToInt(double v) { return _mm_cvtsd_si32(_mm_set_sd(v)); }

inline __m128 BytesToFloats(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(v, zero), zero));
}
#endif

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Where a position's integer part and bicubic row are worked out once per column or row.
struct Tap {
  int Index[4];  // clamped source indices of offsets -1..+2
  int Row;       // bicubic table row
};

Tap MakeTap(int whole, int tableRow, int size) {
  Tap t;
  for (int j = 0; j < 4; ++j)
    t.Index[j] = Clamp(whole - 1 + j, 0, size - 1);
  t.Row = tableRow;
  return t;
}

// Taps for result index 0..count-1 at source position i * (size - 1) / (count - 1).
std::vector<Tap> EnlargeTaps(int count, int size) {
  std::vector<Tap> taps(static_cast<std::size_t>(count));
  std::int64_t den = count - 1;
  for (int i = 0; i < count; ++i) {
    std::int64_t num = std::int64_t(i) * (size - 1);
    taps[std::size_t(i)] = MakeTap(int(num / den), RoundRatio((num % den) * 100, den), size);
  }
  return taps;
}

// Block of result index i over a source of `size` reduced to `count`: first
// and last source index and their weights.
struct Span {
  int First, Last;
  float FirstWeight, LastWeight;
};

std::vector<Span> ReduceSpans(int count, int size) {
  std::vector<Span> spans(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::int64_t lo = std::int64_t(size) * i, hi = std::int64_t(size) * (i + 1);
    Span& s = spans[std::size_t(i)];
    s.First = int(lo / count);
    s.Last = int((hi - 1) / count);
    std::int64_t m0 = lo % count, m1 = hi % count;
    s.FirstWeight = m0 ? float(double(count - m0) / count) : 1.0f;
    s.LastWeight = m1 ? float(double(m1) / count) : 1.0f;
  }
  return spans;
}

inline float SpanWeight(const Span& s, int index) {
  if (index == s.Last)
    return s.LastWeight;
  return index == s.First ? s.FirstWeight : 1.0f;
}

}  // namespace

const std::array<BicubicRow, 101>& BicubicTable() {
  static const std::array<BicubicRow, 101> table = MakeBicubicTable();
  return table;
}

namespace {

// The routines write every byte of a result of the right size: a new buffer
// or a new bitmap's own rows, which saves the bitmap entry points a copy.
// Each band of result rows is worked out on its own, from the source alone.
void EnlargeInto(const RowImage& source, const RowImage& result) {
  const int w = result.Width, h = result.Height;
  const auto& table = BicubicTable();
  std::vector<Tap> cols = EnlargeTaps(w, source.Width), rows = EnlargeTaps(h, source.Height);
#if defined(__SSE2__)
  const int SW = source.Width;
  std::vector<Lanes> colWeights(cols.size());
  for (std::size_t x = 0; x < cols.size(); ++x)
    colWeights[x].v = _mm_loadu_ps(table[std::size_t(cols[x].Row)].data());
  ParallelRows(h, [&](int begin, int end) {
  // Source rows as four floats a pixel, converted once while output rows use
  // them: the four rows of one output row are consecutive, so four slots do.
  std::vector<Lanes> slots(std::size_t(SW) * 4);
  int slotRow[4] = {-1, -1, -1, -1};
  auto floatRow = [&](int row) {
    Lanes* f = &slots[std::size_t(row & 3) * std::size_t(SW)];
    if (slotRow[row & 3] != row) {
      slotRow[row & 3] = row;
      const Byte* in = source.Row(row);
      for (int x = 0; x < SW; ++x, in += 3)
        f[x].v = _mm_setr_ps(float(in[0]), float(in[1]), float(in[2]), 0.0f);
    }
    return f;
  };
  for (int y = begin; y < end; ++y) {
    const Tap& ty = rows[std::size_t(y)];
    const Lanes* r[4];
    for (int i = 0; i < 4; ++i)
      r[i] = floatRow(ty.Index[i]);
    const BicubicRow& wyRow = table[std::size_t(ty.Row)];
    const __m128 wy[4] = {_mm_set1_ps(wyRow[0]), _mm_set1_ps(wyRow[1]), _mm_set1_ps(wyRow[2]), _mm_set1_ps(wyRow[3])};
    Byte* out = result.Row(y);
    int x = 0;
    // Four pixels at a time: their sums are independent, so their additions overlap.
    for (; x + 4 <= w; x += 4, out += 12) {
      __m128 s[4];
      for (int k = 0; k < 4; ++k) {
        const int* c = cols[std::size_t(x + k)].Index;
        s[k] = SampleLanes(wy, colWeights[std::size_t(x + k)].v, [&](int i, int j) { return r[i][c[j]].v; });
      }
      StoreFour(s, out);
    }
    for (; x < w; ++x, out += 3) {
      const int* c = cols[std::size_t(x)].Index;
      StorePixel(SampleLanes(wy, colWeights[std::size_t(x)].v, [&](int i, int j) { return r[i][c[j]].v; }), out);
    }
  }
  });
#else
  for (Tap& t : cols)
    for (int& i : t.Index)
      i *= 3;
  ParallelRows(h, [&](int begin, int end) {
  for (int y = begin; y < end; ++y) {
    const Tap& ty = rows[std::size_t(y)];
    const Byte* r[4];
    for (int i = 0; i < 4; ++i)
      r[i] = source.Row(ty.Index[i]);
    const BicubicRow& wy = table[std::size_t(ty.Row)];
    Byte* out = result.Row(y);
    for (int x = 0; x < w; ++x, out += 3) {
      const Tap& tx = cols[std::size_t(x)];
      Sample16(r, tx.Index, wy, table[std::size_t(tx.Row)], out);
    }
  }
  });
#endif
}

void ReduceInto(const RowImage& source, const RowImage& result) {
  const int w = result.Width, h = result.Height;
  std::vector<Span> cols = ReduceSpans(w, source.Width), rows = ReduceSpans(h, source.Height);
  ParallelRows(h, [&](int begin, int end) {
  // Each result pixel's sums run over its block row by row, column by column;
  // visiting source rows in order keeps that order while reading rows once.
  std::vector<float> sum(std::size_t(w) * 4);
  for (int y = begin; y < end; ++y) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    const Span& sy = rows[std::size_t(y)];
    for (int sr = sy.First; sr <= sy.Last; ++sr) {
      float wr = SpanWeight(sy, sr);
      const Byte* in = source.Row(sr);
      float* acc = sum.data();
      for (int x = 0; x < w; ++x, acc += 4) {
        const Span& sx = cols[std::size_t(x)];
        for (int sc = sx.First; sc <= sx.Last; ++sc) {
          float q = wr * SpanWeight(sx, sc);
          const Byte* p = in + sc * 3;
          // The product and the sum are exact; only the running sum is a single.
          acc[3] += q;
          acc[0] = float(double(acc[0]) + double(q) * p[0]);
          acc[1] = float(double(acc[1]) + double(q) * p[1]);
          acc[2] = float(double(acc[2]) + double(q) * p[2]);
        }
      }
    }
    Byte* out = result.Row(y);
    const float* acc = sum.data();
    for (int x = 0; x < w; ++x, acc += 4, out += 3)
      for (int c = 0; c < 3; ++c)
        out[c] = ClampByte(RoundEven(double(acc[c]) / double(acc[3])));
  }
  });
}

void CopyInto(const RowImage& source, const RowImage& result) {
  ParallelRows(result.Height, [&](int begin, int end) {
    for (int y = begin; y < end; ++y)
      std::memcpy(result.Row(y), source.Row(y), std::size_t(result.Width) * 3);
  });
}

// The size ResizePicture gives: enlarging and reducing make at least 2 by 2.
TSize ResizedSize(const RowImage& source, int width, int height) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535)
    throw EOutOfMemory("Picture size out of range");
  RequirePicture(source);
  if (width == source.Width && height == source.Height)
    return TSize{width, height};
  return TSize{std::max(width, 2), std::max(height, 2)};
}

// The resize to width x height into a result of ResizedSize: one side growing
// and the other shrinking enlarges to a square first.
void ResizeInto(const RowImage& source, int width, int height, const RowImage& result) {
  if (width == source.Width && height == source.Height)
    return CopyInto(source, result);
  if (width >= source.Width && height >= source.Height)
    return EnlargeInto(source, result);
  if (width <= source.Width && height <= source.Height)
    return ReduceInto(source, result);
  const int c = std::max(width, height);
  RowImageBuffer square(c, c, RowImageBuffer::Unset{});
  EnlargeInto(source, square);
  ReduceInto(square, result);
}

}  // namespace

RowImageBuffer EnlargeBicubic(const RowImage& source, int width, int height) {
  RequirePicture(source);
  RowImageBuffer result(std::max(width, 2), std::max(height, 2), RowImageBuffer::Unset{});
  EnlargeInto(source, result);
  return result;
}

RowImageBuffer ReduceAverage(const RowImage& source, int width, int height) {
  RequirePicture(source);
  RowImageBuffer result(std::max(width, 2), std::max(height, 2), RowImageBuffer::Unset{});
  ReduceInto(source, result);
  return result;
}

RowImageBuffer ResizePicture(const RowImage& source, int width, int height) {
  const TSize size = ResizedSize(source, width, height);
  RowImageBuffer result(size.cx, size.cy, RowImageBuffer::Unset{});
  ResizeInto(source, width, height, result);
  return result;
}

namespace {

// One coordinate of the rotation about (cx, cy): the offset is rounded to a
// single, and so is the point.
inline float MapCoord(int centre, double along, double across) { return float(centre + float(along - across)); }

}  // namespace

namespace {

// A free turn: the result's size and where its pixels come from.
struct TurnPlan {
  int W = 0, H = 0, PW = 0, PH = 0;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int Cx = 0, Cy = 0;
  double Cs = 0, Sn = 0;
};

TurnPlan PlanTurn(const RowImage& source, double angle) {
  RequirePicture(source);
  if (!std::isfinite(angle))
    throw EInvalidGraphicOperation("Invalid rotation angle");
  TurnPlan t;
  const int W = source.Width, H = source.Height;
  t.W = W, t.H = H, t.PW = W + 6, t.PH = H + 6;
  if (std::int64_t(t.PW) * t.PH * 3 > MaxRowImageBytes)
    throw EOutOfMemory("Picture too large");
  double theta = angle * std::numbers::pi / 180;
  double cs = std::cos(theta), sn = std::sin(theta);
  const int cx = W / 2, cy = H / 2;
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  const int cornersX[4] = {0, W - 1, 0, W - 1}, cornersY[4] = {0, 0, H - 1, H - 1};
  for (int i = 0; i < 4; ++i) {
    double dx = cornersX[i] - cx, dy = cornersY[i] - cy;
    float px = MapCoord(cx, dx * cs, dy * sn), py = MapCoord(cy, dx * sn, -(dy * cs));
    if (i == 0 || px < minX) minX = px;
    if (i == 0 || px > maxX) maxX = px;
    if (i == 0 || py < minY) minY = py;
    if (i == 0 || py > maxY) maxY = py;
  }
  t.Left = int(std::floor(minX));
  t.Top = int(std::floor(minY));
  t.Width = int(std::ceil(maxX)) - t.Left + 1;
  t.Height = int(std::ceil(maxY)) - t.Top + 1;
  t.Cx = cx - t.Left;
  t.Cy = cy - t.Top;
  theta = -theta;
  t.Cs = std::cos(theta);
  t.Sn = std::sin(theta);
  return t;
}

void TurnInto(const RowImage& source, const TurnPlan& plan, const RowImage& result) {
  const int W = plan.W, H = plan.H, PW = plan.PW, PH = plan.PH;
  const int left = plan.Left, top = plan.Top, cx = plan.Cx, cy = plan.Cy;
  const double cs = plan.Cs, sn = plan.Sn;
  // The picture is read as if framed by a white margin of three pixels, so
  // the turned edges fade into white: padded (row, column) is source
  // (row - 3, column - 3) inside, white outside. Taps wholly inside the
  // source are read from its rows in place; only pixels near its edges
  // gather their sixteen taps through the frame, so no framed copy is made.
  const std::ptrdiff_t sstride = source.Stride;
  static const Byte kWhite[3] = {255, 255, 255};
  auto framed = [&](int row, int column) -> const Byte* {
    row -= 3, column -= 3;
    if (row < 0 || row >= H || column < 0 || column >= W) return kWhite;
    return source.Row(row) + std::ptrdiff_t(column) * 3;
  };
  const int RW = result.Width, RH = result.Height;
  // The products with x depend on the column only, those with y on the row only.
  std::vector<double> xcos(static_cast<std::size_t>(RW)), xsin(static_cast<std::size_t>(RW));
  for (int x = 0; x < RW; ++x) {
    xcos[std::size_t(x)] = double(x - cx) * cs;
    xsin[std::size_t(x)] = double(x - cx) * sn;
  }
  const auto& table = BicubicTable();
  const float maxPX = float(W + 5), maxPY = float(H + 5);
  ParallelRows(RH, [&](int begin, int end) {
#if defined(__SSE2__)
  // Pixels whose sixteen taps need no clamping wait here and go four at a
  // time, so that their independent sums overlap.
  struct Pending {
    const Byte* TopLeft;
    __m128 Wy, Wx;
    Byte* Out;
  };
  Pending pending[4];
  int waiting = 0;
  // One tap row of one pixel: the four products of row i added in order.
  auto tapRow = [&](__m128 sum, const Pending& p, int i, __m128 wyi) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p.TopLeft + i * sstride));
    const __m128 q = _mm_mul_ps(wyi, p.Wx);
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_shuffle_ps(q, q, 0x00), BytesToFloats(v)));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_shuffle_ps(q, q, 0x55), BytesToFloats(_mm_srli_si128(v, 3))));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_shuffle_ps(q, q, 0xAA), BytesToFloats(_mm_srli_si128(v, 6))));
    return _mm_add_ps(sum, _mm_mul_ps(_mm_shuffle_ps(q, q, 0xFF), BytesToFloats(_mm_srli_si128(v, 9))));
  };
  auto sample = [&](const Pending& p) {
    __m128 sum = _mm_setzero_ps();
    sum = tapRow(sum, p, 0, _mm_shuffle_ps(p.Wy, p.Wy, 0x00));
    sum = tapRow(sum, p, 1, _mm_shuffle_ps(p.Wy, p.Wy, 0x55));
    sum = tapRow(sum, p, 2, _mm_shuffle_ps(p.Wy, p.Wy, 0xAA));
    return tapRow(sum, p, 3, _mm_shuffle_ps(p.Wy, p.Wy, 0xFF));
  };
  auto flushFour = [&] {
    const Pending &p0 = pending[0], &p1 = pending[1], &p2 = pending[2], &p3 = pending[3];
    __m128 s0 = _mm_setzero_ps(), s1 = s0, s2 = s0, s3 = s0;
    s0 = tapRow(s0, p0, 0, _mm_shuffle_ps(p0.Wy, p0.Wy, 0x00));
    s1 = tapRow(s1, p1, 0, _mm_shuffle_ps(p1.Wy, p1.Wy, 0x00));
    s2 = tapRow(s2, p2, 0, _mm_shuffle_ps(p2.Wy, p2.Wy, 0x00));
    s3 = tapRow(s3, p3, 0, _mm_shuffle_ps(p3.Wy, p3.Wy, 0x00));
    s0 = tapRow(s0, p0, 1, _mm_shuffle_ps(p0.Wy, p0.Wy, 0x55));
    s1 = tapRow(s1, p1, 1, _mm_shuffle_ps(p1.Wy, p1.Wy, 0x55));
    s2 = tapRow(s2, p2, 1, _mm_shuffle_ps(p2.Wy, p2.Wy, 0x55));
    s3 = tapRow(s3, p3, 1, _mm_shuffle_ps(p3.Wy, p3.Wy, 0x55));
    s0 = tapRow(s0, p0, 2, _mm_shuffle_ps(p0.Wy, p0.Wy, 0xAA));
    s1 = tapRow(s1, p1, 2, _mm_shuffle_ps(p1.Wy, p1.Wy, 0xAA));
    s2 = tapRow(s2, p2, 2, _mm_shuffle_ps(p2.Wy, p2.Wy, 0xAA));
    s3 = tapRow(s3, p3, 2, _mm_shuffle_ps(p3.Wy, p3.Wy, 0xAA));
    s0 = tapRow(s0, p0, 3, _mm_shuffle_ps(p0.Wy, p0.Wy, 0xFF));
    s1 = tapRow(s1, p1, 3, _mm_shuffle_ps(p1.Wy, p1.Wy, 0xFF));
    s2 = tapRow(s2, p2, 3, _mm_shuffle_ps(p2.Wy, p2.Wy, 0xFF));
    s3 = tapRow(s3, p3, 3, _mm_shuffle_ps(p3.Wy, p3.Wy, 0xFF));
    StorePixel(s0, p0.Out);
    StorePixel(s1, p1.Out);
    StorePixel(s2, p2.Out);
    StorePixel(s3, p3.Out);
  };
#endif
  for (int y = begin; y < end; ++y) {
    double ysin = double(y - cy) * sn, ycos = double(y - cy) * cs;
    Byte* out = result.Row(y);
    for (int x = 0; x < RW; ++x, out += 3) {
      float px = float(MapCoord(cx, xcos[std::size_t(x)], ysin) + float(left + 3));
      float py = float(MapCoord(cy, xsin[std::size_t(x)], -ycos) + float(top + 3));
      if (!(px >= 0 && px <= maxPX && py >= 0 && py <= maxPY)) {
        out[0] = out[1] = out[2] = 255;  // a corner outside the picture
        continue;
      }
      int ix = int(px), iy = int(py);
      // px - ix is exact in single and times 100 exact in double.
#if defined(__SSE2__)
      int rowX = RoundToInt(double(px - float(ix)) * 100), rowY = RoundToInt(double(py - float(iy)) * 100);
#else
      int rowX = RoundEven(double(px - float(ix)) * 100), rowY = RoundEven(double(py - float(iy)) * 100);
#endif
#if defined(__SSE2__)
      // Every tap in the source, and the 16-byte load of a tap row within it.
      if (ix >= 4 && ix <= W - 2 && iy >= 4 && iy <= H) {
        pending[waiting++] = Pending{source.Row(iy - 4) + std::ptrdiff_t(ix - 4) * 3,
                                     _mm_loadu_ps(table[std::size_t(rowY)].data()),
                                     _mm_loadu_ps(table[std::size_t(rowX)].data()), out};
        if (waiting == 4) {
          flushFour();
          waiting = 0;
        }
        continue;
      }
#endif
      // The sixteen taps, clamped to the framed picture, gathered into rows.
      Byte taps[4][12];
      const Byte* r[4];
      const int c[4] = {0, 3, 6, 9};
      for (int i = 0; i < 4; ++i) {
        const int row = Clamp(iy - 1 + i, 0, PH - 1);
        for (int j = 0; j < 4; ++j) std::memcpy(&taps[i][j * 3], framed(row, Clamp(ix - 1 + j, 0, PW - 1)), 3);
        r[i] = taps[i];
      }
      Sample16(r, c, table[std::size_t(rowY)], table[std::size_t(rowX)], out);
    }
#if defined(__SSE2__)
    for (int k = 0; k < waiting; ++k)
      StorePixel(sample(pending[k]), pending[k].Out);
    waiting = 0;
#endif
  }
  });
}

}  // namespace

RowImageBuffer RotateAnyAngle(const RowImage& source, double angle) {
  const TurnPlan plan = PlanTurn(source, angle);
  RowImageBuffer result(plan.Width, plan.Height, RowImageBuffer::Unset{});
  TurnInto(source, plan, result);
  return result;
}

namespace {

constexpr int kTile = 32;

// result(x', y') = source(SrcX(x', y'), SrcY(x', y')) for result rows
// [y0, y1), walked in tiles so that both pictures stay in cache.
template <typename Map>
void RemapTiled(const RowImage& source, const RowImage& result, Map map, int y0, int y1) {
  const int RW = result.Width;
  for (int ty = y0; ty < y1; ty += kTile)
    for (int tx = 0; tx < RW; tx += kTile) {
      int ey = std::min(ty + kTile, y1), ex = std::min(tx + kTile, RW);
      for (int y = ty; y < ey; ++y) {
        Byte* out = result.Row(y) + tx * 3;
        for (int x = tx; x < ex; ++x, out += 3) {
          auto [sx, sy] = map(x, y);
          const Byte* p = source.Row(sy) + sx * 3;
          out[0] = p[0];
          out[1] = p[1];
          out[2] = p[2];
        }
      }
    }
}

// A quarter turn: result row y is one source column, read along the source
// rows. Bands of source rows (each row a page or more from the next) are
// turned a strip of result rows at a time, so that the pages stay in the
// address-translation cache and the strip's lines in the data cache while
// every write goes forward along a result row.
// Pixels move as four-byte words: the fourth byte read is the next pixel's
// (or, for the last column, the word starts one byte early and is shifted),
// and the fourth byte written is overwritten by the next pixel, except at the
// end of a row, where three bytes are written.
void QuarterTurn(const RowImage& source, const RowImage& result, bool clockwise, int ry0, int ry1) {
  const int W = source.Width, H = source.Height, RW = result.Width;
  constexpr int kStrip = 16, kBand = 128;
  const std::ptrdiff_t step = clockwise ? -source.Stride : source.Stride;
  // From a strip's first column to the line the next strip starts on.
  const std::uintptr_t next = std::uintptr_t(clockwise ? std::ptrdiff_t(3 * kStrip + 64) : std::ptrdiff_t(-64));
  for (int x0 = 0; x0 < RW; x0 += kBand) {
    const int x1 = std::min(x0 + kBand, RW - 1);  // the last pixel of a row is written apart
    const Byte* band = source.Row(clockwise ? H - 1 - x0 : x0);
    for (int y0 = ry0; y0 < ry1; y0 += kStrip) {
      const int n = std::min(kStrip, ry1 - y0);
      for (int k = 0; k < n; ++k) {
        const int col = clockwise ? y0 + k : W - 1 - y0 - k;
        const unsigned shift = col < W - 1 ? 0 : 8;
        const Byte* in = band + (col < W - 1 ? col * 3 : col * 3 - 1);
        Byte* out = result.Row(y0 + k);
        int x = x0;
        if (k == 0) {
          // Ask for the next strip's lines a whole strip ahead (a hint; it never faults).
          for (; x < x1; ++x, in += step) {
            __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(in) + next));
            std::uint32_t v;
            std::memcpy(&v, in, 4);
            v >>= shift;
            std::memcpy(out + x * 3, &v, 4);
          }
        } else if (shift == 0) {
          for (; x < x1; ++x, in += step)
            std::memcpy(out + x * 3, in, 4);
        } else {
          for (; x < x1; ++x, in += step) {
            std::uint32_t v;
            std::memcpy(&v, in, 4);
            v >>= 8;
            std::memcpy(out + x * 3, &v, 4);
          }
        }
        if (x1 == RW - 1) {
          std::uint32_t v;
          std::memcpy(&v, in, 4);
          v >>= shift;
          Byte* last = out + x1 * 3;
          last[0] = Byte(v), last[1] = Byte(v >> 8), last[2] = Byte(v >> 16);
        }
      }
    }
  }
}

// The turns write into a result of the right size: a new buffer, or a new
// bitmap's own rows, which saves the bitmap entry points a copy. Each band of
// result rows is turned on its own.
void Rotate90Into(const RowImage& source, const RowImage& result) {
  const int H = source.Height;
  ParallelRows(result.Height, [&](int begin, int end) {
    if (source.Width >= 2 && std::endian::native == std::endian::little)
      QuarterTurn(source, result, true, begin, end);
    else
      RemapTiled(source, result, [H](int x, int y) { return std::pair{y, H - 1 - x}; }, begin, end);
  });
}

void Rotate270Into(const RowImage& source, const RowImage& result) {
  const int W = source.Width;
  ParallelRows(result.Height, [&](int begin, int end) {
    if (source.Width >= 2 && std::endian::native == std::endian::little)
      QuarterTurn(source, result, false, begin, end);
    else
      RemapTiled(source, result, [W](int x, int y) { return std::pair{W - 1 - y, x}; }, begin, end);
  });
}

void Rotate180Into(const RowImage& source, const RowImage& result) {
  const int W = source.Width, H = source.Height;
  ParallelRows(H, [&](int begin, int end) {
  for (int y = begin; y < end; ++y) {
    const Byte* in = source.Row(H - 1 - y) + (W - 1) * 3;
    Byte* out = result.Row(y);
    for (int x = 0; x < W; ++x, out += 3, in -= 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
  });
}

}  // namespace

RowImageBuffer Rotate90(const RowImage& source) {
  RequirePicture(source);
  RowImageBuffer result(source.Height, source.Width, RowImageBuffer::Unset{});
  Rotate90Into(source, result);
  return result;
}

RowImageBuffer Rotate270(const RowImage& source) {
  RequirePicture(source);
  RowImageBuffer result(source.Height, source.Width, RowImageBuffer::Unset{});
  Rotate270Into(source, result);
  return result;
}

RowImageBuffer Rotate180(const RowImage& source) {
  RequirePicture(source);
  RowImageBuffer result(source.Width, source.Height, RowImageBuffer::Unset{});
  Rotate180Into(source, result);
  return result;
}

TRect CropBlockToImage(int left, int top, int right, int bottom, double zoom, int ratioWidth,
                       int ratioHeight, int imageWidth, int imageHeight) {
  if (!(zoom > 0) || imageWidth < 1 || imageHeight < 1)
    return TRect{};
  int l = RoundEven(left / zoom), t = RoundEven(top / zoom), r = RoundEven(right / zoom);
  bool ratio = ratioWidth != 0 && ratioHeight != 0;
  double aspect = ratio ? double(ratioHeight) / double(ratioWidth) : 0;
  // At zoom 2 the last display column rounds to one past the picture.
  l = std::max(l, 0);
  t = std::max(t, 0);
  r = std::min(r, imageWidth - 1);
  if (r < l || t > imageHeight - 1)
    return TRect{};
  int b = ratio ? RoundEven((r - l + 1) * aspect) + t - 1 : RoundEven(bottom / zoom);
  if (b > imageHeight - 1) {
    b = imageHeight - 1;
    if (ratio)  // keep the ratio: narrow the block to the height that fits
      r = std::min(r, l + RoundEven((b - t + 1) / aspect) - 1);
  }
  if (b < t || r < l)
    return TRect{};
  return TRect{l, t, r + 1, b + 1};
}

RowImageBuffer CopyBlock(const RowImage& source, const TRect& block) {
  RowImageBuffer result(block.Width(), block.Height(), RowImageBuffer::Unset{});
  CopyInto(RowImage{block.Width(), block.Height(), source.Row(block.Top) + block.Left * 3, source.Stride}, result);
  return result;
}

std::unique_ptr<TBitmap> CopyBlock(TBitmap* source, const TRect& block) {
  const RowImage rows = BitmapRows(source);
  return BitmapWrittenBy(block.Width(), block.Height(), [&](const RowImage& result) {
    CopyInto(RowImage{block.Width(), block.Height(), rows.Row(block.Top) + block.Left * 3, rows.Stride}, result);
  });
}

std::unique_ptr<TBitmap> EnlargeBicubic(TBitmap* source, int width, int height) {
  const RowImage rows = BitmapRows(source);
  RequirePicture(rows);
  return BitmapWrittenBy(std::max(width, 2), std::max(height, 2),
                         [&](const RowImage& result) { EnlargeInto(rows, result); });
}

std::unique_ptr<TBitmap> ReduceAverage(TBitmap* source, int width, int height) {
  const RowImage rows = BitmapRows(source);
  RequirePicture(rows);
  return BitmapWrittenBy(std::max(width, 2), std::max(height, 2),
                         [&](const RowImage& result) { ReduceInto(rows, result); });
}

std::unique_ptr<TBitmap> ResizePicture(TBitmap* source, int width, int height) {
  const RowImage rows = BitmapRows(source);
  const TSize size = ResizedSize(rows, width, height);
  return BitmapWrittenBy(size.cx, size.cy,
                         [&](const RowImage& result) { ResizeInto(rows, width, height, result); });
}

std::unique_ptr<TBitmap> RotateAnyAngle(TBitmap* source, double angle) {
  const RowImage rows = BitmapRows(source);
  const TurnPlan plan = PlanTurn(rows, angle);
  return BitmapWrittenBy(plan.Width, plan.Height, [&](const RowImage& result) { TurnInto(rows, plan, result); });
}

namespace {

// A turn on a bitmap, written straight into the new bitmap's rows.
// The source's rows are read after conversion to 24 bits rather than through
// a 32-bit copy from GetDIBits: both conversions widen every format to the
// same blue, green and red bytes, so the pixels are the same.
std::unique_ptr<TBitmap> TurnBitmap(TBitmap* source, bool swapSides,
                                    void (*turn)(const RowImage&, const RowImage&)) {
  const RowImage rows = BitmapRows(source);
  RequirePicture(rows);
  auto result = std::make_unique<TBitmap>(swapSides ? rows.Height : rows.Width, swapSides ? rows.Width : rows.Height,
                                          pf24bit);
  turn(rows, BitmapRows(result.get()));
  return result;
}

}  // namespace

std::unique_ptr<TBitmap> Rotate90(TBitmap* source) { return TurnBitmap(source, true, Rotate90Into); }

std::unique_ptr<TBitmap> Rotate180(TBitmap* source) { return TurnBitmap(source, false, Rotate180Into); }

std::unique_ptr<TBitmap> Rotate270(TBitmap* source) { return TurnBitmap(source, true, Rotate270Into); }

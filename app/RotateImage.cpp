#include "app/RotateImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

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

RowImageBuffer EnlargeBicubic(const RowImage& source, int width, int height) {
  RequirePicture(source);
  int w = std::max(width, 2), h = std::max(height, 2);
  RowImageBuffer result(w, h);
  const auto& table = BicubicTable();
  std::vector<Tap> cols = EnlargeTaps(w, source.Width), rows = EnlargeTaps(h, source.Height);
  for (Tap& t : cols)
    for (int& i : t.Index)
      i *= 3;
  for (int y = 0; y < h; ++y) {
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
  return result;
}

RowImageBuffer ReduceAverage(const RowImage& source, int width, int height) {
  RequirePicture(source);
  int w = std::max(width, 2), h = std::max(height, 2);
  RowImageBuffer result(w, h);
  std::vector<Span> cols = ReduceSpans(w, source.Width), rows = ReduceSpans(h, source.Height);
  // Each result pixel's sums run over its block row by row, column by column;
  // visiting source rows in order keeps that order while reading rows once.
  std::vector<float> sum(std::size_t(w) * 4);
  for (int y = 0; y < h; ++y) {
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
          acc[3] += q;
          acc[0] += q * float(p[0]);
          acc[1] += q * float(p[1]);
          acc[2] += q * float(p[2]);
        }
      }
    }
    Byte* out = result.Row(y);
    const float* acc = sum.data();
    for (int x = 0; x < w; ++x, acc += 4, out += 3)
      for (int c = 0; c < 3; ++c)
        out[c] = ClampByte(RoundEven(double(acc[c]) / double(acc[3])));
  }
  return result;
}

RowImageBuffer ResizePicture(const RowImage& source, int width, int height) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535)
    throw EOutOfMemory("Picture size out of range");
  RequirePicture(source);
  if (width == source.Width && height == source.Height)
    return RowImageBuffer::CopyOf(source);
  if (width >= source.Width && height >= source.Height)
    return EnlargeBicubic(source, width, height);
  if (width <= source.Width && height <= source.Height)
    return ReduceAverage(source, width, height);
  int c = std::max(width, height);
  RowImageBuffer square = EnlargeBicubic(source, c, c);
  return ReduceAverage(square, width, height);
}

namespace {

// One coordinate of the rotation about (cx, cy): the offset is rounded to a
// single, and so is the point.
inline float MapCoord(int centre, double along, double across) { return float(centre + float(along - across)); }

}  // namespace

RowImageBuffer RotateAnyAngle(const RowImage& source, double angle) {
  RequirePicture(source);
  if (!std::isfinite(angle))
    throw EInvalidGraphicOperation("Invalid rotation angle");
  const int W = source.Width, H = source.Height;
  const int PW = W + 6, PH = H + 6;
  if (std::int64_t(PW) * PH * 3 > MaxRowImageBytes)
    throw EOutOfMemory("Picture too large");
  // White margin of three pixels so the turned edges fade into white.
  std::vector<Byte> padded(std::size_t(PW) * PH * 3, 255);
  const std::ptrdiff_t pstride = std::ptrdiff_t(PW) * 3;
  for (int y = 0; y < H; ++y)
    std::memcpy(&padded[std::size_t((y + 3) * pstride + 9)], source.Row(y), std::size_t(W) * 3);

  double theta = angle * std::numbers::pi / 180;
  double cs = std::cos(theta), sn = std::sin(theta);
  int cx = W / 2, cy = H / 2;
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
  int left = int(std::floor(minX)), right = int(std::ceil(maxX));
  int top = int(std::floor(minY)), bottom = int(std::ceil(maxY));
  RowImageBuffer result(right - left + 1, bottom - top + 1);
  const int RW = result.Width(), RH = result.Height();

  cx -= left;
  cy -= top;
  theta = -theta;
  cs = std::cos(theta);
  sn = std::sin(theta);
  // The products with x depend on the column only, those with y on the row only.
  std::vector<double> xcos(static_cast<std::size_t>(RW)), xsin(static_cast<std::size_t>(RW));
  for (int x = 0; x < RW; ++x) {
    xcos[std::size_t(x)] = double(x - cx) * cs;
    xsin[std::size_t(x)] = double(x - cx) * sn;
  }
  const auto& table = BicubicTable();
  const float maxPX = float(W + 5), maxPY = float(H + 5);
  for (int y = 0; y < RH; ++y) {
    double ysin = double(y - cy) * sn, ycos = double(y - cy) * cs;
    Byte* out = result.Row(y);
    for (int x = 0; x < RW; ++x, out += 3) {
      float px = float(MapCoord(cx, xcos[std::size_t(x)], ysin) + float(left + 3));
      float py = float(MapCoord(cy, xsin[std::size_t(x)], -ycos) + float(top + 3));
      if (!(px >= 0 && px <= maxPX && py >= 0 && py <= maxPY))
        continue;  // stays white
      int ix = int(px), iy = int(py);
      // px - ix is exact in single and times 100 exact in double.
      int rowX = RoundEven(double(px - float(ix)) * 100), rowY = RoundEven(double(py - float(iy)) * 100);
      const Byte* r[4];
      int c[4];
      for (int i = 0; i < 4; ++i) {
        r[i] = &padded[std::size_t(Clamp(iy - 1 + i, 0, PH - 1) * pstride)];
        c[i] = Clamp(ix - 1 + i, 0, PW - 1) * 3;
      }
      Sample16(r, c, table[std::size_t(rowY)], table[std::size_t(rowX)], out);
    }
  }
  return result;
}

namespace {

constexpr int kTile = 32;

// result(x', y') = source(SrcX(x', y'), SrcY(x', y')), walked in tiles so that
// both pictures stay in cache.
template <typename Map>
void RemapTiled(const RowImage& source, RowImageBuffer& result, Map map) {
  const int RW = result.Width(), RH = result.Height();
  for (int ty = 0; ty < RH; ty += kTile)
    for (int tx = 0; tx < RW; tx += kTile) {
      int ey = std::min(ty + kTile, RH), ex = std::min(tx + kTile, RW);
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

}  // namespace

RowImageBuffer Rotate90(const RowImage& source) {
  RequirePicture(source);
  RowImageBuffer result(source.Height, source.Width);
  const int H = source.Height;
  RemapTiled(source, result, [H](int x, int y) { return std::pair{y, H - 1 - x}; });
  return result;
}

RowImageBuffer Rotate270(const RowImage& source) {
  RequirePicture(source);
  RowImageBuffer result(source.Height, source.Width);
  const int W = source.Width;
  RemapTiled(source, result, [W](int x, int y) { return std::pair{W - 1 - y, x}; });
  return result;
}

RowImageBuffer Rotate180(const RowImage& source) {
  RequirePicture(source);
  const int W = source.Width, H = source.Height;
  RowImageBuffer result(W, H);
  for (int y = 0; y < H; ++y) {
    const Byte* in = source.Row(H - 1 - y) + (W - 1) * 3;
    Byte* out = result.Row(y);
    for (int x = 0; x < W; ++x, out += 3, in -= 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
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
  RowImageBuffer result(block.Width(), block.Height());
  for (int y = 0; y < block.Height(); ++y)
    std::memcpy(result.Row(y), source.Row(block.Top + y) + block.Left * 3, std::size_t(block.Width()) * 3);
  return result;
}

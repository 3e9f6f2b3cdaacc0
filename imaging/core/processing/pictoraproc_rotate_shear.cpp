#include "imaging/core/processing/pictoraproc_rotate_shear.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "imaging/core/processing/pictoraproc_rotate_rows.h"
#include "imaging/core/raster/vqzutils_rowwalk.h"
#include "platform/rtl/ParallelRows.h"

namespace {

// (prev A + cur B + 2048) div 4096, clamped to a byte: the 2048 is the
// rounding, so a flat area keeps its value (rounding the quotient again would
// lift odd values by one at every shear).
inline Byte ShearMix(int prev, int cur, int a, int b) {
  return static_cast<Byte>(std::clamp((prev * a + cur * b + 2048) >> 12, 0, 255));
}

// One line move: source pixels i (stride apart) land at target shift + i.
struct TShearLine {
  int shift;
  int a;  // weight of the previous pixel in 1/4096, 0 without antialiasing
};

// Writes the target line of len pixels of N channels (contiguous).
template <int N>
void ShearLine(const Byte* src, Int64 srcStride, int n, Byte* dst, int len, const TShearLine& line, bool antialias,
               const Byte* bg) {
  for (int t = 0; t < len; ++t) std::memcpy(dst + static_cast<Int64>(t) * N, bg, N);
  const int lo = std::max(0, -line.shift), hi = std::min(n, len - line.shift);
  if (!antialias) {
    for (int i = lo; i < hi; ++i) std::memcpy(dst + static_cast<Int64>(line.shift + i) * N, src + i * srcStride, N);
    return;
  }
  const int a = line.a, b = 4096 - a;
  for (int i = lo; i < hi; ++i) {
    const Byte* prev = (i > 0 && line.shift + i - 1 >= 0) ? src + (i - 1) * srcStride : bg;
    const Byte* cur = src + i * srcStride;
    Byte* d = dst + static_cast<Int64>(line.shift + i) * N;
    for (int c = 0; c < N; ++c) d[c] = ShearMix(prev[c], cur[c], a, b);
  }
  if (a > 0 && n > 0 && line.shift + n >= 0 && line.shift + n < len) {
    const Byte* last = src + (n - 1) * srcStride;
    Byte* d = dst + static_cast<Int64>(line.shift + n) * N;
    for (int c = 0; c < N; ++c) d[c] = ShearMix(last[c], bg[c], a, b);
  }
}

// The three shears' geometry for a w x h picture.
// Extended precision throughout, as the shift tables were first worked in.
struct TShearPlan {
  long double th, t, s;
  int w, h, W1, H2, lift, t3, H3, W3;
  std::vector<TShearLine> rows1, cols2, rows3;
};

TShearLine ShearAt(long double f, bool truncated) {
  const long double r = std::nearbyint(f);  // half to even
  const long double frac = (f - r) * 4096;
  return {static_cast<int>(r), static_cast<int>(truncated ? std::trunc(frac) : std::nearbyint(frac))};
}

TShearPlan ShearPlanFor(int w, int h, double degrees) {
  TShearPlan p;
  p.w = w;
  p.h = h;
  p.th = degrees * std::numbers::pi_v<long double> / 180;
  p.t = std::fabs(std::sin(p.th / 2) / std::cos(p.th / 2));
  p.s = std::fabs(std::sin(p.th));
  auto round = [](long double v) { return static_cast<int>(std::nearbyint(v)); };
  const bool positive = p.th > 0;
  p.W1 = round(h * p.t + w + 1);
  p.H2 = round(p.s * p.W1 + h + 1);
  p.lift = round((p.W1 - w) * p.s);
  p.t3 = round(p.t * (p.H2 - h - p.lift));
  p.H3 = p.H2 - 2 * p.lift;
  p.W3 = round(p.t * p.H3 + p.W1 + 1 - 2 * p.t3);
  p.rows1.resize(h);
  for (int d = 0; d < h; ++d) p.rows1[d] = ShearAt((positive ? d : h - d) * p.t, true);
  p.cols2.resize(p.W1);
  for (int e = 0; e < p.W1; ++e) {
    p.cols2[e] = ShearAt((positive ? p.W1 - e : e) * p.s, false);
    p.cols2[e].shift -= p.lift;
  }
  p.rows3.resize(std::max(p.H3, 0));
  for (int r = 0; r < p.H3; ++r) {
    p.rows3[r] = ShearAt((positive ? r : p.H3 - r) * p.t, false);
    p.rows3[r].shift -= p.t3;
  }
  return p;
}

// Rows in order with progress after each, or bands on all cores.
// The line count after row y is base + y x lines / rows.
void ShearRows(int rows, TVQProgressRec* progress, int base, int lines, int total,
               const std::function<void(int, int)>& body) {
  if (progress && progress->OnProgress) {
    for (int y = 0; y < rows; ++y) {
      body(y, y + 1);
      ReportProgress(progress, static_cast<int>((base + Int64{y} * lines / rows) * 100 / total));
    }
    return;
  }
  ParallelRows(rows, body);
}

// Shears 1 and 2 of a plane of N channels: the picture's rows src (w x h)
// into the second buffer (W1 x H2).
template <int N>
std::unique_ptr<Byte[]> ShearFirstTwo(const std::vector<Byte*>& src, const TShearPlan& p, bool antialias, const Byte* bg,
                                TVQProgressRec* progress) {
  const int total = p.h + p.W1 + p.H2;
  // Every byte of both buffers is written (each line starts as background).
  auto buf1 = std::make_unique_for_overwrite<Byte[]>(static_cast<size_t>(p.W1) * p.h * N);
  ShearRows(p.h, progress, 0, p.h, total, [&](int first, int last) {
    for (int d = first; d < last; ++d)
      ShearLine<N>(src[d], N, p.w, buf1.get() + static_cast<size_t>(d) * p.W1 * N, p.W1, p.rows1[d], antialias, bg);
  });
  // The vertical shear runs over whole target rows: row Y of column E takes
  // buffer rows Y - shift and the one above, the same values the column
  // walk gives.
  auto buf2 = std::make_unique_for_overwrite<Byte[]>(static_cast<size_t>(p.W1) * p.H2 * N);
  const Int64 stride = static_cast<Int64>(p.W1) * N;
  // Ordered progress counts the columns as far as the rows have come.
  ShearRows(p.H2, progress, p.h, p.W1, total, [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      Byte* d = buf2.get() + y * stride;
      for (int e = 0; e < p.W1; ++e, d += N) {
        const TShearLine& line = p.cols2[e];
        const int i = y - line.shift;
        const Byte* col = buf1.get() + static_cast<Int64>(e) * N;
        if (i < 0 || i > p.h || (i == p.h && !(antialias && line.a > 0))) {
          std::memcpy(d, bg, N);
        } else if (!antialias) {
          std::memcpy(d, col + i * stride, N);
        } else {
          const Byte* prev = (i > 0 && y - 1 >= 0) ? col + (i - 1) * stride : bg;
          const Byte* cur = i < p.h ? col + i * stride : bg;
          for (int c = 0; c < N; ++c) d[c] = ShearMix(prev[c], cur[c], line.a, 4096 - line.a);
        }
      }
    }
  });
  return buf2;
}

template <int N>
void ShearPlane(TVQBitmap& source, TVQBitmap& target, const TShearPlan& p, bool antialias, const Byte* bg,
                TVQProgressRec* progress) {
  std::unique_ptr<TVQBitmap> holder;
  const std::vector<Byte*> src = VQRowTable(RotMemoryRows(source, holder));
  const std::unique_ptr<Byte[]> buf2 = ShearFirstTwo<N>(src, p, antialias, bg, progress);
  const int total = p.h + p.W1 + p.H2;
  const bool ordered = progress && progress->OnProgress;
  int reported = 0;
  RotWriteRows(
      target,
      [&](int first, int last, Byte* const* rows) {
        for (int r = first; r < last; ++r) {
          ShearLine<N>(buf2.get() + static_cast<size_t>(r) * p.W1 * N, N, p.W1, rows[r - first], p.W3, p.rows3[r],
                       antialias, bg);
          if (ordered) ReportProgress(progress, static_cast<int>((Int64{p.h} + p.W1 + reported++) * 100 / total));
        }
      },
      !ordered);
}

}  // namespace

void RotShearBitmap(TVQBitmap& bitmap, double degrees, bool antialias, TRGBPixel background,
                    TVQProgressRec* progress) {
  const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
  const TShearPlan plan = ShearPlanFor(w, h, degrees);
  const Int64 work = (Int64{plan.W1} * plan.h + Int64{plan.W1} * plan.H2) * 3;
  if (plan.W3 <= 0 || plan.H3 <= 0 || work > 2 * VQMaxPixelBlock ||
      Int64{plan.W3} * plan.H3 * 3 > VQMaxPixelBlock)
    throw EOutOfMemory("The turned image is too large");
  TVQBitmap taken;
  taken.MemoryThreshold = LLONG_MAX;
  bitmap.TransferTo(&taken);
  const Byte bg[3] = {background.b, background.g, background.r};
  try {
    bitmap.Allocate(plan.W3, plan.H3, vqRGB24);
    ShearPlane<3>(taken, bitmap, plan, antialias, bg, progress);
  } catch (...) {
    // The caller keeps the picture it had.
    taken.TransferTo(&bitmap);
    throw;
  }
  bitmap.BiLevelMethod = taken.BiLevelMethod;
  if (taken.HasAlphaChannel()) {
    TVQBitmap plane;
    plane.MemoryThreshold = LLONG_MAX;
    plane.SetLocation(vqMemoryBuffer);
    plane.Allocate(plan.W3, plan.H3, vqGray8);
    const Byte clear[1] = {0};
    ShearPlane<1>(*taken.GetAlphaChannel(), plane, plan, antialias, clear, nullptr);
    RotSetAlphaFrom(bitmap, plane);
  }
}

void RotMapBits1(TVQBitmap& bitmap, bool whiteBackground, TVQProgressRec* progress, double angle) {
  const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
  const double phi = -angle / 57.29577951308232;
  const double c = static_cast<double>(static_cast<Int64>(std::cos(phi) * 10000)) / 10000;
  const double s = static_cast<double>(static_cast<Int64>(std::sin(phi) * 10000)) / 10000;
  const int W = std::max(1, static_cast<int>(std::fabs(w * c) + std::fabs(h * s)));
  const int H = std::max(1, static_cast<int>(std::fabs(w * s) + std::fabs(h * c)));
  std::vector<int> dx(W), dy(W);
  for (int j = 0; j < W; ++j) {
    const double o = j - (W / 2.0 - 0.5);
    dx[j] = static_cast<int>(c * o);
    dy[j] = static_cast<int>(-s * o);
  }
  // Source column and row of result pixel (j, r), or -1 outside.
  auto sourceOf = [&](int j, int r, int& sx, int& sy) {
    const double t = r - (H / 2.0 - 0.5);
    sx = static_cast<int>((w / 2.0 - 0.5) + s * t) + dx[j];
    sy = static_cast<int>((h / 2.0 - 0.5) + c * t) + dy[j];
    return sx >= 0 && sx < w && sy >= 0 && sy < h;
  };
  TVQBitmap taken;
  taken.MemoryThreshold = LLONG_MAX;
  bitmap.TransferTo(&taken);
  std::unique_ptr<TVQBitmap> holder, alphaHolder;
  std::vector<Byte*> src;
  try {
    src = VQRowTable(RotMemoryRows(taken, holder));
    bitmap.Allocate(W, H, vqBits1);
  } catch (...) {
    // The caller keeps the picture it had.
    taken.TransferTo(&bitmap);
    throw;
  }
  const TRGBPixel* pal = taken.Palette();
  for (int i = 0; pal && i < taken.PaletteCount(); ++i) bitmap.SetPaletteColor(i, pal[i]);
  bitmap.BiLevelMethod = taken.BiLevelMethod;
  const bool ordered = progress && progress->OnProgress;
  const int rowLength = bitmap.GetRowLength();
  RotWriteRows(
      bitmap,
      [&](int first, int last, Byte* const* rows) {
        for (int r = first; r < last; ++r) {
          Byte* d = rows[r - first];
          std::memset(d, 0, rowLength);
          for (int j = 0; j < W; ++j) {
            int sx, sy;
            const bool set = sourceOf(j, r, sx, sy) ? ((src[sy][sx >> 3] >> (7 - (sx & 7))) & 1) != 0 : whiteBackground;
            if (set) d[j >> 3] |= static_cast<Byte>(0x80 >> (j & 7));
          }
          if (ordered) ReportProgress(progress, static_cast<int>(Int64{r} * 100 / H));
        }
      },
      !ordered);
  if (taken.HasAlphaChannel()) {
    const std::vector<Byte*> alpha = VQRowTable(RotMemoryRows(*taken.GetAlphaChannel(), alphaHolder));
    TVQBitmap plane;
    plane.MemoryThreshold = LLONG_MAX;
    plane.SetLocation(vqMemoryBuffer);
    plane.Allocate(W, H, vqGray8);
    RotWriteRows(plane, [&](int first, int last, Byte* const* rows) {
      for (int r = first; r < last; ++r)
        for (int j = 0; j < W; ++j) {
          int sx, sy;
          rows[r - first][j] = sourceOf(j, r, sx, sy) ? alpha[sy][sx] : 0;
        }
    });
    RotSetAlphaFrom(bitmap, plane);
  }
}

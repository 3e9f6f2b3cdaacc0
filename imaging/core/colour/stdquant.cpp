#include "imaging/core/colour/stdquant.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "imaging/core/raster/vqzutils_rowwalk.h"

namespace {

constexpr int kVarianceCells = 32768;

inline int VarianceCell(int r, int g, int b) { return r * 1024 + g * 32 + b; }

}  // namespace

VarianceQuantizer::VarianceQuantizer(TVQBitmap& source, int wanted)
    : histogram_(kVarianceCells, 0), lookup_(kVarianceCells, 0) {
  if (source.GetPixelFormat() != vqRGB24 || source.IsEmpty()) return;
  const int w = source.GetWidth(), h = source.GetHeight();
  // Bands count into their own histograms; sums of counts do not depend on
  // the order they are merged in.
  std::mutex merge;
  VQWalkRows(source, nullptr, [&](int first, int last, Byte* const* src, Byte* const*) {
    std::vector<std::uint32_t> local(kVarianceCells, 0);
    for (int y = first; y < last; ++y) {
      const Byte* p = src[y];
      for (int x = 0; x < w; ++x, p += 3)
        ++local[static_cast<std::size_t>(VarianceCell(p[2] >> 3, p[1] >> 3, p[0] >> 3))];
    }
    std::lock_guard<std::mutex> hold(merge);
    for (int i = 0; i < kVarianceCells; ++i)
      histogram_[static_cast<std::size_t>(i)] += local[static_cast<std::size_t>(i)];
  });
  pixels_ = static_cast<double>(w) * h;
  VarianceBox box0;
  box0.Count = static_cast<std::int32_t>(static_cast<Int64>(w) * h);
  for (int r = 0; r < 32; ++r)
    for (int g = 0; g < 32; ++g)
      for (int b = 0; b < 32; ++b) {
        const std::int32_t n = static_cast<std::int32_t>(histogram_[static_cast<std::size_t>(VarianceCell(r, g, b))]);
        box0.Hist[0][r] += n;
        box0.Hist[1][g] += n;
        box0.Hist[2][b] += n;
      }
  BoxStats(box0);
  boxes_.push_back(box0);
  SplitAll(wanted < 1 ? 1 : wanted > 256 ? 256 : wanted);
  BuildLookup();
}

void VarianceQuantizer::BoxStats(VarianceBox& box) const {
  box.Error = 0;
  if (box.Count == 0) return;
  double error = 0;
  for (int axis = 0; axis < 3; ++axis) {
    Int64 s1 = 0, s2 = 0;
    for (int v = box.Lower[axis]; v < box.Upper[axis] && v < 32; ++v) {
      s1 += static_cast<Int64>(v) * box.Hist[axis][v];
      s2 += static_cast<Int64>(v) * v * box.Hist[axis][v];
    }
    const double mean = static_cast<double>(s1) / box.Count;
    box.Mean[axis] = mean;
    error += static_cast<double>(s2) - mean * mean * box.Count;
  }
  box.Error = error / pixels_;
}

bool VarianceQuantizer::SplitAxis(const VarianceBox& box, int axis, VarianceBox& first, VarianceBox& second) const {
  const int lower = box.Lower[axis], upper = box.Upper[axis];
  if (lower + 1 == upper) return false;
  const double m = box.Mean[axis];
  const std::int32_t n = box.Count;
  const int c1 = static_cast<int>(std::nearbyint((lower + m) * 0.5));
  const int c2 = static_cast<int>(std::nearbyint((upper + m) * 0.5));
  std::int32_t sum = 0;
  for (int v = lower; v < c1 && v < 32; ++v) sum += box.Hist[axis][v];
  double partial = 0, best = -1;
  int bestCut = -1;
  std::int32_t bestSum = n;
  for (int e = c1; e <= c2 && e < 32; ++e) {
    sum += box.Hist[axis][e];
    if (sum == n) break;
    partial += static_cast<double>(box.Hist[axis][e]) * e / n;
    const double d = m - partial;
    const double score = static_cast<double>(sum) / static_cast<double>(n - sum) * (d * d);
    if (score > best) {
      best = score;
      bestCut = e;
      bestSum = sum;
    }
  }
  const int cut = (bestCut >= 0 ? bestCut : c1) + 1;
  first = box;
  second = box;
  first.Upper[axis] = cut;
  second.Lower[axis] = cut;
  first.Count = bestSum;
  second.Count = n - bestSum;
  if (first.Count == 0 || second.Count == 0) return false;
  std::memset(first.Hist, 0, sizeof first.Hist);
  for (int r = first.Lower[0]; r < first.Upper[0] && r < 32; ++r)
    for (int g = first.Lower[1]; g < first.Upper[1] && g < 32; ++g)
      for (int b = first.Lower[2]; b < first.Upper[2] && b < 32; ++b) {
        const std::int32_t c = static_cast<std::int32_t>(histogram_[static_cast<std::size_t>(VarianceCell(r, g, b))]);
        first.Hist[0][r] += c;
        first.Hist[1][g] += c;
        first.Hist[2][b] += c;
      }
  for (int a = 0; a < 3; ++a)
    for (int v = 0; v < 32; ++v) second.Hist[a][v] = box.Hist[a][v] - first.Hist[a][v];
  for (VarianceBox* half : {&first, &second})
    for (int a = 0; a < 3; ++a) {
      int lo = 32, hi = 0;
      for (int v = 0; v < 32; ++v)
        if (half->Hist[a][v] != 0) {
          if (lo == 32) lo = v;
          hi = v + 1;
        }
      half->Lower[a] = lo;
      half->Upper[a] = lo == 32 ? 1 : hi;
    }
  BoxStats(first);
  BoxStats(second);
  return true;
}

bool VarianceQuantizer::SplitBox(VarianceBox& box, VarianceBox& added) {
  if (box.Error == 0 || box.Count == 0) {
    box.Error = 0;
    return false;
  }
  VarianceBox first[3], second[3];
  double score[3];
  for (int a = 0; a < 3; ++a)
    score[a] = SplitAxis(box, a, first[a], second[a]) ? first[a].Error + second[a].Error : VarianceFailedSplit;
  int axis;
  if (score[0] < VarianceFailedSplit && score[0] <= score[1] && score[0] <= score[2])
    axis = 0;
  else if (score[1] < VarianceFailedSplit && score[1] <= score[0] && score[1] <= score[2])
    axis = 1;
  else if (score[2] < VarianceFailedSplit)
    axis = 2;
  else {
    box.Error = 0;
    return false;
  }
  box = first[axis];
  added = second[axis];
  return true;
}

void VarianceQuantizer::SplitAll(int wanted) {
  while (static_cast<int>(boxes_.size()) < wanted) {
    int chosen = -1;
    double largest = 0;
    for (std::size_t i = 0; i < boxes_.size(); ++i)
      if (boxes_[i].Error > largest) {
        largest = boxes_[i].Error;
        chosen = static_cast<int>(i);
      }
    if (chosen < 0) break;
    VarianceBox added;
    if (SplitBox(boxes_[static_cast<std::size_t>(chosen)], added)) boxes_.push_back(added);
  }
}

void VarianceQuantizer::BuildLookup() {
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    const VarianceBox& b = boxes_[i];
    for (int r = b.Lower[0]; r < b.Upper[0] && r < 32; ++r)
      for (int g = b.Lower[1]; g < b.Upper[1] && g < 32; ++g)
        for (int c = b.Lower[2]; c < b.Upper[2] && c < 32; ++c)
          lookup_[static_cast<std::size_t>(VarianceCell(r, g, c))] = static_cast<Byte>(i);
  }
}

void VarianceQuantizer::WritePalette(TRGBPixel* palette) const {
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    const VarianceBox& b = boxes_[i];
    palette[i] = TRGBPixel{static_cast<Byte>(static_cast<int>(std::nearbyint(b.Mean[2])) * 8),
                           static_cast<Byte>(static_cast<int>(std::nearbyint(b.Mean[1])) * 8),
                           static_cast<Byte>(static_cast<int>(std::nearbyint(b.Mean[0])) * 8)};
  }
}

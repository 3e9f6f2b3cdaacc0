// Area-weighted resampling: each destination pixel's footprint is cut at
// source pixel boundaries and every piece adds its area times a bilinear or
// bicubic value taken at its far corner.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/processing/pictoraproc_resample_rows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

namespace {

// The cubic convolution kernel (a = -1).
double AreaCubicWeight(double s) {
  const double a = std::fabs(s);
  if (a < 1) return a * a * a - 2 * a * a + 1;
  if (a < 2) return -a * a * a + 5 * a * a - 8 * a + 4;
  return 0.0;
}

// The four weights of KeysCubic at fraction t, so a row of pieces sharing
// a fraction computes them once.
struct TAreaCubic {
  double w[4];
  explicit TAreaCubic(double t)
      : w{AreaCubicWeight(t + 1), AreaCubicWeight(t), AreaCubicWeight(t - 1), AreaCubicWeight(t - 2)} {}
  double operator()(double pm1, double p0, double p1, double p2) const {
    const double v = pm1 * w[0] + p0 * w[1] + p1 * w[2] + p2 * w[3];
    return v < 0 ? 0 : v > 255 ? 255 : v;
  }
};

}  // namespace

double KeysCubic(double pm1, double p0, double p1, double p2, double t) { return TAreaCubic(t)(pm1, p0, p1, p2); }

namespace {

// Truncation that forgives the last bits of a weight sum: a flat area must
// keep its level although the weights add up to 1 - 1e-16.
inline double AreaTrunc(double v) { return std::trunc(v + 1e-7); }

// One piece of a footprint along an axis: its destination and source
// index, its length, and the fraction of its far end past the source
// index (1 on a source boundary).
struct TAreaPiece {
  int dest, src;
  double length, fraction;
};

std::vector<TAreaPiece> AreaBuildPieces(int n, int dn) {
  std::vector<TAreaPiece> pieces;
  pieces.reserve(static_cast<std::size_t>(n) + static_cast<std::size_t>(dn) + 1);
  const double step = double(n) / dn;
  double pos = 0;
  int t = 0, x = 0;
  while (x < dn) {
    const double sb = t + 1, db = (x + 1) * step;
    if (db <= sb + 0.0001 || t == n - 1) {
      pieces.push_back({x, t, db - pos, db - t});
      pos = db;
      ++x;
    } else {
      // A piece of no length adds nothing; it only moves on to the next pixel.
      if (sb - pos != 0) pieces.push_back({x, t, sb - pos, 1.0});
      pos = sb;
      ++t;
    }
  }
  return pieces;
}

// Index of the first piece of each destination index, and one past the end.
std::vector<int> AreaPieceStarts(const std::vector<TAreaPiece>& pieces, int dn) {
  std::vector<int> start(static_cast<std::size_t>(dn) + 1, static_cast<int>(pieces.size()));
  for (int i = static_cast<int>(pieces.size()) - 1; i >= 0; --i)
    start[static_cast<std::size_t>(pieces[static_cast<std::size_t>(i)].dest)] = i;
  return start;
}

}  // namespace

void AreaInterpolate(TVQBitmap* source, TVQBitmap* dest, bool bicubic, TVQProgressRec* progress) {
  const int sw = source->GetWidth(), sh = source->GetHeight();
  const int dw = dest->GetWidth(), dh = dest->GetHeight();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  if (source->GetPixelFormat() != vqRGB24) return StretchNearest(source, dest, progress);
  if (dest->GetPixelFormat() != vqRGB24) dest->Allocate(dw, dh, vqRGB24);
  const double sx = double(sw) / dw, sy = double(sh) / dh;
  const int mode = sx < 1 ? (sy < 1 ? 0 : 1) : (sy < 1 ? 2 : 3);
  const std::vector<TAreaPiece> hp = AreaBuildPieces(sw, dw), vp = AreaBuildPieces(sh, dh);
  const std::vector<int> vstart = AreaPieceStarts(vp, dh);
  std::vector<TAreaCubic> hcubic;
  if (bicubic)
    for (const TAreaPiece& h : hp) hcubic.emplace_back(h.fraction);
  const double area = sx * sy;
  TVQViewAccessScope sourceAccess(*source, vqRead);
  TResampleRowTable src(*source, true);
  TResampleRowTable dst(*dest, false);
  auto col = [sw](int t) { return 3 * std::clamp(t, 0, sw - 1); };
  auto row = [&](int r) -> const Byte* { return src[std::clamp(r, 0, sh - 1)]; };

  ResampleRunItems(
      dh, progress,
      [&](int first, int last) {
        std::vector<double> acc(static_cast<std::size_t>(dw) * 3), piece(static_cast<std::size_t>(dw) * 3);
        // Bicubic both ways: each source row's cubic values at the pieces do
        // not depend on the band's fraction, so the last rows are kept.
        struct Across {
          int row = -1;
          long used = 0;
          std::vector<double> values;
        } kept[5];
        long clock = 0;
        auto across = [&](int r) -> const double* {
          r = std::clamp(r, 0, sh - 1);
          Across* slot = &kept[0];
          for (Across& k : kept) {
            if (k.row == r) {
              k.used = ++clock;
              return k.values.data();
            }
            if (k.used < slot->used) slot = &k;
          }
          slot->row = r;
          slot->used = ++clock;
          slot->values.resize(hp.size() * 3);
          const Byte* q = src[r];
          for (std::size_t hi = 0; hi < hp.size(); ++hi) {
            const int t = hp[hi].src;
            const int c0 = col(t), c1 = col(t + 1), cm = col(t - 1), c2 = col(std::min(t + 1, sw - 1) + 1);
            for (int ch = 0; ch < 3; ++ch)
              slot->values[3 * hi + static_cast<std::size_t>(ch)] =
                  AreaTrunc(hcubic[hi](q[cm + ch], q[c0 + ch], q[c1 + ch], q[c2 + ch]));
          }
          return slot->values.data();
        };
        for (int y = first; y < last; ++y) {
          std::fill(acc.begin(), acc.end(), 0.0);
          for (int v = vstart[static_cast<std::size_t>(y)]; v < vstart[static_cast<std::size_t>(y) + 1]; ++v) {
            const TAreaPiece& vpc = vp[static_cast<std::size_t>(v)];
            const int r = vpc.src;
            const double g = vpc.fraction;
            const Byte* rm = row(r - 1);
            const Byte* s = row(r);
            const Byte* p = row(r + 1);
            const Byte* p2 = row(std::min(r + 1, sh - 1) + 1);
            std::fill(piece.begin(), piece.end(), 0.0);
            const TAreaCubic gc(g);
            const double *am = nullptr, *as = nullptr, *ap = nullptr, *ap2 = nullptr;
            if (bicubic && mode == 0) {
              am = across(r - 1), as = across(r), ap = across(r + 1), ap2 = across(std::min(r + 1, sh - 1) + 1);
            }
            for (std::size_t hi = 0; hi < hp.size(); ++hi) {
              const TAreaPiece& h = hp[hi];
              const int t = h.src;
              const double l = h.fraction;
              const int c0 = col(t), c1 = col(t + 1), cm = col(t - 1), c2 = col(std::min(t + 1, sw - 1) + 1);
              double* out = &piece[3 * static_cast<std::size_t>(h.dest)];
              for (int ch = 0; ch < 3; ++ch) {
                double value;
                if (mode == 3) {
                  value = s[c0 + ch];
                } else if (!bicubic) {
                  if (mode == 0)
                    value = (1 - g) * ((1 - l) * s[c0 + ch] + l * s[c1 + ch]) + g * ((1 - l) * p[c0 + ch] + l * p[c1 + ch]);
                  else if (mode == 1)
                    value = (1 - l) * s[c0 + ch] + l * s[c1 + ch];
                  else
                    value = (1 - g) * s[c0 + ch] + g * p[c0 + ch];
                } else if (mode == 0) {
                  const std::size_t k = 3 * hi + static_cast<std::size_t>(ch);
                  value = gc(am[k], as[k], ap[k], ap2[k]);
                } else if (mode == 1) {
                  value = hcubic[hi](s[cm + ch], s[c0 + ch], s[c1 + ch], s[c2 + ch]);
                } else {
                  value = gc(rm[c0 + ch], s[c0 + ch], p[c0 + ch], p2[c0 + ch]);
                }
                out[ch] += h.length * value;
              }
            }
            for (std::size_t i = 0; i < acc.size(); ++i) acc[i] += vpc.length * piece[i];
          }
          Byte* d = dst[y];
          for (std::size_t i = 0; i < acc.size(); ++i) {
            const double q = AreaTrunc(acc[i] / area);
            d[i] = static_cast<Byte>(q < 0 ? 0 : q > 255 ? 255 : q);
          }
        }
      },
      [&](int y) { return static_cast<int>(double(y + 1) / dh * 100); });
  dst.Commit();
}

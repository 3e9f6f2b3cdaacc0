#include "app/uStain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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

}  // namespace

EraseDisc EraseDiscToImage(TPoint position, int radius, double zoom) {
  if (!(zoom > 0))
    return EraseDisc{};
  double r = std::min(std::max(radius / zoom, 0.0), 65535.0);
  return EraseDisc{RoundEven(position.X / zoom), RoundEven(position.Y / zoom), RoundEven(r)};
}

bool EraseDiscPixels(const RowImage& image, const EraseDisc& disc) {
  const int W = image.Width, H = image.Height, R = disc.Radius, cx = disc.CentreX, cy = disc.CentreY;
  if (image.Empty() || R < 1)
    return false;
  // Round(sqrt(s)) = R exactly when (R - 1/2)^2 < s <= (R + 1/2)^2, s being an integer.
  const std::int64_t R2 = std::int64_t(R) * R, ringLo = R2 - R + 1, ringHi = R2 + R;
  const int f = int(std::floor(std::sqrt(R2 / 2.0)));

  std::vector<RingPixel> ring;
  for (int y = std::max(0, cy - R); y <= std::min(H - 1, cy + R); ++y) {
    const Byte* row = image.Row(y);
    const std::int64_t dy = y - cy;
    for (int x = std::max(0, cx - R); x <= std::min(W - 1, cx + R); ++x) {
      const std::int64_t dx = x - cx;
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
  std::vector<float> weights(ring.size());
  const std::int64_t inside = std::int64_t(R - 1) * (R - 1);
  for (int y = std::max(0, cy - R + 1); y <= std::min(H - 1, cy + R - 1); ++y) {
    Byte* row = image.Row(y);
    const std::int64_t dy = y - cy;
    for (int x = std::max(0, cx - R + 1); x <= std::min(W - 1, cx + R - 1); ++x) {
      const std::int64_t dx = x - cx;
      if (dy * dy + dx * dx > inside)
        continue;
      float total = 0;
      for (std::size_t i = 0; i < ring.size(); ++i) {
        std::int64_t ey = ring[i].Y - y, ex = ring[i].X - x;
        std::int64_t s = ey * ey + ex * ex;
        float w = table.empty() ? InverseSquareWeight(s) : table[std::size_t(s)];
        weights[i] = w;
        total += w;
      }
      // Each term c w / total is formed in double and added to single sums.
      const double dtotal = total;
      float s0 = 0, s1 = 0, s2 = 0;
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const double w = weights[i];
        s0 = float(double(s0) + double(ring[i].C[0]) * w / dtotal);
        s1 = float(double(s1) + double(ring[i].C[1]) * w / dtotal);
        s2 = float(double(s2) + double(ring[i].C[2]) * w / dtotal);
      }
      Byte* p = row + x * 3;
      p[0] = ClampByte(int(std::lrint(s0)));
      p[1] = ClampByte(int(std::lrint(s1)));
      p[2] = ClampByte(int(std::lrint(s2)));
    }
  }
  return true;
}

bool ErasePatch(const RowImage& image, TPoint position, int radius, double zoom) {
  return EraseDiscPixels(image, EraseDiscToImage(position, radius, zoom));
}

bool ErasePatch(TBitmap* image, TPoint position, int radius, double zoom) {
  return ErasePatch(BitmapRows(image), position, radius, zoom);
}

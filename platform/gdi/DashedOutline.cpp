#include "platform/gdi/DashedOutline.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr double kTwoPi = 6.28318530717958647692;
// A ring of a shape within kDashWholeOutline has far fewer pixels than this.
constexpr std::size_t kMaxRingPixels = std::size_t(1) << 22;
}  // namespace

void DashRing(PenStroke& stroke, const Region& ring, double cx, double cy, double rx, double ry, double a0,
              bool clockwise) {
  struct Px {
    double key;
    int x, y;
  };
  std::vector<Px> px;
  rx = std::max(rx, 0.5);
  ry = std::max(ry, 0.5);
  for (const Region::Band& b : ring.Bands())
    for (int y = b.top; y < b.bottom; ++y)
      for (std::size_t i = 0; i + 1 < b.xs.size(); i += 2)
        for (int x = b.xs[i]; x < b.xs[i + 1]; ++x) {
          if (px.size() >= kMaxRingPixels) return;
          double a = std::atan2((cy - (y + 0.5)) / ry, ((x + 0.5) - cx) / rx);
          px.push_back({std::fmod(a - a0 + 2 * kTwoPi, kTwoPi), x, y});
        }
  std::sort(px.begin(), px.end(), [](const Px& p, const Px& q) {
    if (p.key != q.key) return p.key < q.key;
    return p.y != q.y ? p.y < q.y : p.x < q.x;
  });
  if (clockwise) std::reverse(px.begin(), px.end());
  for (const Px& p : px) stroke.Pixel(p.x, p.y);
}

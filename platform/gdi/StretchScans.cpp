// The AND and OR stretch modes: shrinking combines the pixels it drops.
#include <algorithm>

#include "platform/gdi/Stretch.h"

namespace {

// Source pixels [first, last) that destination pixel i of dstLen combines.
struct Group {
  int first, last;
};
// Narrowed to [lo, hi) when that is not empty: the pixels outside read as
// the edge one, and the clamped group holds exactly the distinct pixels read.
Group GroupOf(int srcLen, std::int64_t dstLen, bool mirror, std::int64_t i, int lo, int hi) {
  const std::int64_t k = mirror ? dstLen - 1 - i : i;
  Group g;
  if (srcLen <= dstLen) {
    int n = int(((2 * __int128(k) + 1) * srcLen) / (2 * __int128(dstLen)));
    g = {n, n + 1};
  } else {
    g = {int((__int128(k) * srcLen) / dstLen), int((__int128(k + 1) * srcLen) / dstLen)};
  }
  if (lo < hi && g.first < g.last) g = {std::clamp(g.first, lo, hi - 1), std::clamp(g.last - 1, lo, hi - 1) + 1};
  return g;
}

}  // namespace

void ScanCombineBlock(const SourceRowReader& read, int srcW, int srcH, std::int64_t dstW, std::int64_t dstH,
                      bool mirrorX, bool mirrorY, int c0, int c1, int r0, int r1, bool useAnd, std::uint32_t* out,
                      const SourceBounds& valid) {
  const int w = c1 - c0;
  if (w <= 0 || r1 <= r0) return;
  std::vector<Group> cols(static_cast<size_t>(w));
  int sx0 = srcW, sx1 = 0;
  for (int c = c0; c < c1; ++c) {
    Group g = GroupOf(srcW, dstW, mirrorX, c, valid.x0, valid.x1);
    cols[size_t(c - c0)] = g;
    sx0 = std::min(sx0, g.first);
    sx1 = std::max(sx1, g.last);
  }
  const int sn = sx1 - sx0;
  std::vector<std::uint32_t> src(static_cast<size_t>(sn)), acc(static_cast<size_t>(w));
  const std::uint32_t start = useAnd ? 0xFFFFFFu : 0u;
  Group prev{-1, -1};
  for (int r = r0; r < r1; ++r) {
    std::uint32_t* o = out + size_t(r - r0) * size_t(w);
    const Group rows = GroupOf(srcH, dstH, mirrorY, r, valid.y0, valid.y1);
    if (rows.first == prev.first && rows.last == prev.last) {
      std::copy(o - w, o, o);  // an enlarged row repeats
      continue;
    }
    prev = rows;
    std::fill(acc.begin(), acc.end(), start);
    for (int sy = rows.first; sy < rows.last; ++sy) {
      read(sy, sx0, sn, src.data());
      for (int c = 0; c < w; ++c) {
        const std::uint32_t* p = &src[size_t(cols[size_t(c)].first - sx0)];
        const int n = cols[size_t(c)].last - cols[size_t(c)].first;
        std::uint32_t v = acc[size_t(c)];
        if (useAnd)
          for (int t = 0; t < n; ++t) v &= p[t];
        else
          for (int t = 0; t < n; ++t) v |= p[t];
        acc[size_t(c)] = v;
      }
    }
    for (int c = 0; c < w; ++c) o[c] = acc[size_t(c)] & 0xFFFFFF;
  }
}

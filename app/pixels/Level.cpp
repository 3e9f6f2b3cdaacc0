#include "app/pixels/Level.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

Byte LevelMap(int low, int high, int newLow, int value, int newHigh) {
  if (low == high)
    return ClampByte(value);
  return ClampByte(newLow + (newHigh - newLow) * (value - low) / (high - low));
}

void AutoLevels(const RowImage& bitmap) {
  if (bitmap.Empty())
    return;
  // Each band counts on its own, four histograms per channel taken by turns,
  // so runs of equal bytes do not wait on their own previous increment; the
  // counts are added up afterwards, in any order, to the same totals. A
  // picture holds fewer than 2^32 pixels, so 32-bit counts are enough.
  std::array<std::array<std::int64_t, 256>, 3> hist{};
  std::mutex histLock;
  ParallelRows(bitmap.Height, [&](int begin, int end) {
  std::vector<std::uint32_t> part(4 * 3 * 256, 0);
  std::uint32_t* h0 = &part[0];
  std::uint32_t* h1 = &part[3 * 256];
  std::uint32_t* h2 = &part[6 * 256];
  std::uint32_t* h3 = &part[9 * 256];
  for (int y = begin; y < end; ++y) {
    const Byte* p = bitmap.Row(y);
    int x = 0;
    for (; x + 4 <= bitmap.Width; x += 4, p += 12) {
      ++h0[p[0]], ++h0[256 + p[1]], ++h0[512 + p[2]];
      ++h1[p[3]], ++h1[256 + p[4]], ++h1[512 + p[5]];
      ++h2[p[6]], ++h2[256 + p[7]], ++h2[512 + p[8]];
      ++h3[p[9]], ++h3[256 + p[10]], ++h3[512 + p[11]];
    }
    for (; x < bitmap.Width; ++x, p += 3)
      ++h0[p[0]], ++h0[256 + p[1]], ++h0[512 + p[2]];
  }
  std::lock_guard<std::mutex> hold(histLock);
  for (std::size_t c = 0; c < 3; ++c)
    for (std::size_t v = 0; v < 256; ++v) {
      const std::size_t i = c * 256 + v;
      hist[c][v] += std::int64_t(h0[i]) + h1[i] + h2[i] + h3[i];
    }
  });
  const std::int64_t n = std::int64_t(bitmap.Width) * bitmap.Height;
  const std::int64_t clip = std::llrint(double(n) * 0.5 / 256);
  int low[3], high[3];
  for (int c = 0; c < 3; ++c) {
    low[c] = 255;
    std::int64_t run = 0;
    for (int v = 0; v < 256; ++v)
      if ((run += hist[std::size_t(c)][std::size_t(v)]) >= clip) {
        low[c] = v;
        break;
      }
    high[c] = 0;
    run = 0;
    for (int v = 255; v >= 0; --v)
      if ((run += hist[std::size_t(c)][std::size_t(v)]) >= clip) {
        high[c] = v;
        break;
      }
  }
  const int minLow = std::min({low[0], low[1], low[2]});
  const int maxHigh = std::max({high[0], high[1], high[2]});
  std::array<Byte, 256> maps[3];
  for (int c = 0; c < 3; ++c) {
    int newLow = std::max(0, low[c] - minLow), newHigh = std::min(255, high[c] + (255 - maxHigh));
    for (int v = 0; v < 256; ++v)
      maps[c][std::size_t(v)] = LevelMap(low[c], high[c], newLow, v, newHigh);
  }
  MapChannels(bitmap, maps);
}

void AutoLevels(TBitmap* bitmap) { AutoLevels(BitmapRows(bitmap)); }

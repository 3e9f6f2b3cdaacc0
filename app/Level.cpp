#include "app/Level.h"

#include <algorithm>
#include <array>
#include <cstdint>

Byte LevelMap(int low, int high, int newLow, int value, int newHigh) {
  if (low == high)
    return ClampByte(value);
  return ClampByte(newLow + (newHigh - newLow) * (value - low) / (high - low));
}

void AutoLevels(const RowImage& bitmap) {
  if (bitmap.Empty())
    return;
  std::array<std::array<std::int64_t, 256>, 3> hist{};
  for (int y = 0; y < bitmap.Height; ++y) {
    const Byte* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width; ++x, p += 3) {
      ++hist[0][p[0]];
      ++hist[1][p[1]];
      ++hist[2][p[2]];
    }
  }
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
  for (int y = 0; y < bitmap.Height; ++y) {
    Byte* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width; ++x, p += 3) {
      p[0] = maps[0][p[0]];
      p[1] = maps[1][p[1]];
      p[2] = maps[2][p[2]];
    }
  }
}

void AutoLevels(TBitmap* bitmap) { AutoLevels(BitmapRows(bitmap)); }

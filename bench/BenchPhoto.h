// The photo size of the page benchmarks and the process's peak memory.
// LUMIQA_BENCH_MEGAPIXELS=24 gives a 6000 x 4000 photo; anything else the
// 12-megapixel 4000 x 3000 one.
#pragma once
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/graphics/Bitmap.h"

inline bool BenchPhotoIs24Megapixels() {
  const char* v = std::getenv("LUMIQA_BENCH_MEGAPIXELS");
  return v && std::strcmp(v, "24") == 0;
}
inline int BenchPhotoWidth() { return BenchPhotoIs24Megapixels() ? 6000 : 4000; }
inline int BenchPhotoHeight() { return BenchPhotoIs24Megapixels() ? 4000 : 3000; }

// The largest resident size the process has had so far, in MiB, as a
// counter beside the times.
inline void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = double(usage.ru_maxrss) / 1024.0;
}

// Skin-like grain over gradients at the benchmark photo's size, so the
// smoothing, the blend and the eraser take every branch.
inline std::unique_ptr<TBitmap> BenchGrainPhoto() {
  const int w = BenchPhotoWidth(), h = BenchPhotoHeight();
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  std::uint32_t seed = 2463534242u;
  for (int y = 0; y < h; ++y) {
    auto* p = static_cast<std::uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x, p += 3) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed % 25);
      p[0] = std::uint8_t(x * 150 / w + 60 + grain);
      p[1] = std::uint8_t(y * 150 / h + 50 + grain);
      p[2] = std::uint8_t((x + y) * 100 / (w + h) + 120 + grain);
    }
  }
  return b;
}

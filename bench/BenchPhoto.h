// The photo size of the page benchmarks and the process's peak memory.
// LUMIQA_BENCH_MEGAPIXELS=24 gives a 6000 x 4000 photo; anything else the
// 12-megapixel 4000 x 3000 one.
#pragma once
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

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

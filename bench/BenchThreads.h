// The thread-count dimension of the benchmarks: one thread, and every thread
// the process may use.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdint>

#include "platform/rtl/ParallelRows.h"

// The thread count for one benchmark run, put back afterwards.
struct TBenchThreads {
  explicit TBenchThreads(std::int64_t n) { SetParallelThreadCount(int(n)); }
  ~TBenchThreads() { SetParallelThreadCount(0); }
};

// 1 and the default count.
inline std::int64_t AllBenchThreads() {
  SetParallelThreadCount(0);
  return ParallelThreadCount();
}

// One thread, then all of them, as the benchmark's only argument. Wall time,
// since the helpers' time is not the calling thread's.
inline void OneAndAllThreads(benchmark::internal::Benchmark* b) {
  b->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseRealTime();
}

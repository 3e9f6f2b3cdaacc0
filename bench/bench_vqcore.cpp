// Timings of the imaging core's row and encoder routines.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/base/vqzutils.h"

namespace {

std::vector<Byte> NoisyBytes(std::size_t n) {
  std::vector<Byte> v(n);
  unsigned seed = 1;
  for (std::size_t i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    // Runs and noise, as in scanned line art.
    v[i] = (seed >> 29) < 3 ? Byte(0) : Byte(seed >> 24);
  }
  return v;
}

// A 1-bit row of an A4 page at 600 dpi moved by an odd bit count.
void BM_CopyBitsUnaligned(benchmark::State& state) {
  const std::vector<Byte> src = NoisyBytes(5000 / 8 + 8);
  std::vector<Byte> dst(src.size() + 2);
  for (auto _ : state) {
    CopyBits(dst.data(), src.data(), 3, static_cast<Int64>(src.size()), 4960, 5);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * 620);
}
BENCHMARK(BM_CopyBitsUnaligned);

void BM_EncodeRunLength(benchmark::State& state) {
  const std::vector<Byte> src = NoisyBytes(1 << 20);
  std::vector<Byte> out(static_cast<std::size_t>(RunLengthBufferSize(static_cast<Int64>(src.size()))));
  for (auto _ : state)
    benchmark::DoNotOptimize(
        EncodeRunLength(src.data(), static_cast<int>(src.size()), out.data(), static_cast<Int64>(out.size())));
  state.SetBytesProcessed(state.iterations() * static_cast<Int64>(src.size()));
}
BENCHMARK(BM_EncodeRunLength);

void BM_EncodeASCII85(benchmark::State& state) {
  const std::vector<Byte> src = NoisyBytes(1 << 20);
  std::vector<char> out(static_cast<std::size_t>(ASCII85BufferSize(static_cast<Int64>(src.size()))));
  for (auto _ : state) {
    const Byte* s = src.data();
    char* d = out.data();
    int counter = 0;
    benchmark::DoNotOptimize(EncodeASCII85(s, static_cast<int>(src.size()), d, counter, static_cast<Int64>(out.size())));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<Int64>(src.size()));
}
BENCHMARK(BM_EncodeASCII85);

void BM_WriteBase64Lines(benchmark::State& state) {
  const std::vector<Byte> src = NoisyBytes(1 << 20);
  const std::string data(src.begin(), src.end());
  for (auto _ : state) {
    TStringStream in(data);
    TNulStream out;
    WriteBase64Lines(&in, &out, 76);
    benchmark::DoNotOptimize(out.Size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<Int64>(data.size()));
}
BENCHMARK(BM_WriteBase64Lines);

}  // namespace

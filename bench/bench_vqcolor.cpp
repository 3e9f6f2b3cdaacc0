// The colour side of the imaging core on a 24-megapixel photo-like picture:
// reduction to 256 colours, the two ways to 1 bit, and 24-bit colour to
// every other pixel format.
#include <benchmark/benchmark.h>

#include <climits>
#include <memory>

#include "bench/BenchThreads.h"
#include "bench/tools/VQColorPicture.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

namespace {

constexpr int kW = 6000, kH = 4000;

std::unique_ptr<TVQBitmap> MemoryBitmap() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = LLONG_MAX;
  b->SetLocation(vqMemoryBuffer);
  return b;
}

TVQBitmap& Photo() {
  static std::unique_ptr<TVQBitmap> photo = [] {
    BuildBitExpansionTable();
    auto b = MemoryBitmap();
    b->Allocate(kW, kH, vqRGB24);
    PaintColourPhoto(kW, kH, [&](int y) { return b->GetScanline(y); });
    return b;
  }();
  return *photo;
}

// One conversion of a fresh copy of the photo per iteration; the copy is
// not timed.
void Convert(benchmark::State& state, TVQPixelFormat to, Byte biLevelMethod) {
  const TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto b = MemoryBitmap();
    b->Assign(&Photo());
    b->BiLevelMethod = biLevelMethod;
    b->PaletteColors = 256;
    state.ResumeTiming();
    b->SetPixelFormat(to);
    benchmark::DoNotOptimize(b->GetScanline(0));
    state.PauseTiming();
    b.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * Int64{kW} * kH);
}

void BM_RGB24ToPalette256(benchmark::State& s) { Convert(s, vqPalette8, 1); }
void BM_RGB24ToBits1OrderedDither(benchmark::State& s) { Convert(s, vqBits1, 0); }
void BM_RGB24ToBits1AverageThreshold(benchmark::State& s) { Convert(s, vqBits1, 1); }
void BM_RGB24ToGray8(benchmark::State& s) { Convert(s, vqGray8, 1); }
void BM_RGB24ToGray16(benchmark::State& s) { Convert(s, vqGray16, 1); }
void BM_RGB24To32f(benchmark::State& s) { Convert(s, vq32f, 1); }
void BM_RGB24ToCMYK(benchmark::State& s) { Convert(s, vqCMYK, 1); }

void BM_ThresholdTo1BitAt128(benchmark::State& state) {
  const TBenchThreads threads(state.range(0));
  auto bits = MemoryBitmap();
  bits->Allocate(kW, kH, vqBits1);
  for (auto _ : state) ThresholdTo1Bit(&Photo(), bits.get(), 128);
  state.SetItemsProcessed(state.iterations() * Int64{kW} * kH);
}

BENCHMARK(BM_RGB24ToPalette256)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGB24ToBits1OrderedDither)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGB24ToBits1AverageThreshold)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdTo1BitAt128)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGB24ToGray8)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGB24ToGray16)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGB24To32f)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGB24ToCMYK)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

}  // namespace

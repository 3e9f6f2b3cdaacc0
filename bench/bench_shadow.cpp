// The thumbnail dressing on a 24-megapixel photo-like picture: Gaussian
// blurs of radius 3 and 20, and a soft shadow of radius 3 cast by an
// opaque picture with its canvas enlarged.
#include <benchmark/benchmark.h>

#include <climits>
#include <memory>

#include "bench/BenchThreads.h"
#include "bench/tools/VQColorPicture.h"
#include "imaging/core/processing/pictoraproc_shadow.h"
#include "imaging/core/raster/vqzutils_bitmap.h"

namespace {

constexpr int kShadowW = 6000, kShadowH = 4000;

std::unique_ptr<TVQBitmap> ShadowPhoto() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = LLONG_MAX;
  b->SetLocation(vqMemoryBuffer);
  b->Allocate(kShadowW, kShadowH, vqRGB24);
  PaintColourPhoto(kShadowW, kShadowH, [&](int y) { return b->GetScanline(y); });
  return b;
}

void BM_GaussianBlur(benchmark::State& state, double radius) {
  const TBenchThreads threads(state.range(0));
  auto photo = ShadowPhoto();
  for (auto _ : state) {
    GaussianBlur(photo.get(), nullptr, radius);
    benchmark::DoNotOptimize(photo->GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kShadowW} * kShadowH);
}

void BM_SoftShadow(benchmark::State& state) {
  const TBenchThreads threads(state.range(0));
  auto photo = ShadowPhoto();
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<TVQBitmap>();
    b->MemoryThreshold = LLONG_MAX;
    b->Assign(photo.get());
    state.ResumeTiming();
    AddSoftShadow(b.get(), 4, 4, nullptr, 0, true, 3.0);
    benchmark::DoNotOptimize(b->GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kShadowW} * kShadowH);
}

}  // namespace

BENCHMARK_CAPTURE(BM_GaussianBlur, radius3, 3.0)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GaussianBlur, radius20, 20.0)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoftShadow)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

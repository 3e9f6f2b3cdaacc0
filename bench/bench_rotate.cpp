// Turning and the magic wand on a 24-megapixel photo-like picture: a
// quarter turn, a 7-degree turn with antialiasing, mirroring, and a
// magic-wand fill and outline of a flat picture at tolerance 0.
#include <benchmark/benchmark.h>

#include <climits>
#include <memory>

#include "bench/BenchThreads.h"
#include "bench/tools/VQColorPicture.h"
#include "imaging/core/processing/pictoraproc_magicwand.h"
#include "imaging/core/processing/pictoraproc_rotate.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"

namespace {

constexpr int kRotW = 6000, kRotH = 4000;

std::unique_ptr<TVQBitmap> RotPhoto() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = LLONG_MAX;
  b->SetLocation(vqMemoryBuffer);
  b->Allocate(kRotW, kRotH, vqRGB24);
  PaintColourPhoto(kRotW, kRotH, [&](int y) { return b->GetScanline(y); });
  return b;
}

// Each run turns a fresh copy, so the size stays the same between runs.
void Turn(benchmark::State& state, double angle, bool antialias) {
  const TBenchThreads threads(state.range(0));
  const auto photo = RotPhoto();
  TVQBitmap work;
  work.MemoryThreshold = LLONG_MAX;
  work.SetLocation(vqMemoryBuffer);
  for (auto _ : state) {
    state.PauseTiming();
    work.Assign(photo.get());
    state.ResumeTiming();
    RotateBitmap(&work, angle, antialias, 0);
    benchmark::DoNotOptimize(work.GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kRotW} * kRotH);
}

void BM_Rotate90(benchmark::State& s) { Turn(s, 90, false); }
void BM_Rotate7Antialias(benchmark::State& s) { Turn(s, 7, true); }

void BM_FlipHorizontal(benchmark::State& state) {
  const TBenchThreads threads(state.range(0));
  const auto photo = RotPhoto();
  for (auto _ : state) {
    FlipBitmap(photo.get(), 0);
    benchmark::DoNotOptimize(photo->GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kRotW} * kRotH);
}

void BM_MagicWandFlat(benchmark::State& state) {
  const TBenchThreads threads(state.range(0));
  TVQBitmap flat;
  flat.MemoryThreshold = LLONG_MAX;
  flat.SetLocation(vqMemoryBuffer);
  flat.Allocate(kRotW, kRotH, vqRGB24);
  flat.Fill(static_cast<double>(0x406080));
  TVQMask mask;
  mask.AllocateBits(kRotW, kRotH, 8);
  for (auto _ : state) {
    MagicWandFill(&flat, kRotW / 2, kRotH / 2, 255, &mask, 0, false);
    benchmark::DoNotOptimize(mask.GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kRotW} * kRotH);
}

// The outline of the whole flat picture: the tracing grid covers every pixel.
void BM_MagicWandOutlineFlat(benchmark::State& state) {
  const TBenchThreads threads(state.range(0));
  TVQBitmap flat;
  flat.MemoryThreshold = LLONG_MAX;
  flat.SetLocation(vqMemoryBuffer);
  flat.Allocate(kRotW, kRotH, vqRGB24);
  flat.Fill(static_cast<double>(0x406080));
  for (auto _ : state) {
    int count = 0;
    auto points = MagicWandOutline(&flat, kRotW / 2, kRotH / 2, count, 0, false);
    benchmark::DoNotOptimize(points.data());
  }
  state.SetItemsProcessed(state.iterations() * Int64{kRotW} * kRotH);
}

BENCHMARK(BM_Rotate90)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate7Antialias)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipHorizontal)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagicWandFlat)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagicWandOutlineFlat)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

// Resampling, scaled drawing and layer blending on a 24-megapixel
// photo-like picture: every filter down to a third and up by half, the
// fast linear and area paths, views of 1920 x 1080 drawn from the whole
// picture, and two 24-megapixel layers blended.
#include <benchmark/benchmark.h>

#include <climits>
#include <memory>
#include <vector>

#include "bench/BenchThreads.h"
#include "bench/tools/VQColorPicture.h"
#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/render/vqzutils_render.h"

namespace {

constexpr int kW = 6000, kH = 4000;

std::unique_ptr<TVQBitmap> MemoryBitmap(int w, int h) {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = LLONG_MAX;
  b->SetLocation(vqMemoryBuffer);
  b->Allocate(w, h, vqRGB24);
  return b;
}

TVQBitmap& Photo() {
  static std::unique_ptr<TVQBitmap> photo = [] {
    auto b = MemoryBitmap(kW, kH);
    PaintColourPhoto(kW, kH, [&](int y) { return b->GetScanline(y); });
    return b;
  }();
  return *photo;
}

// The photo with an alpha channel that fades across it.
TVQBitmap& Layer() {
  static std::unique_ptr<TVQBitmap> layer = [] {
    auto b = MemoryBitmap(kW, kH);
    PaintColourPhoto(kW, kH, [&](int y) { return b->GetScanline(kH - 1 - y); });
    TVQBitmap* a = b->GetAlphaChannel();
    for (int y = 0; y < kH; ++y) {
      Byte* r = a->GetScanline(y);
      for (int x = 0; x < kW; ++x) r[x] = static_cast<Byte>(x * 255 / kW);
    }
    a->Full = false;
    return b;
  }();
  return *layer;
}

void Resize(benchmark::State& state, TResampleFilter filter, int w, int h) {
  const TBenchThreads threads(state.range(0));
  Photo();
  auto dst = MemoryBitmap(w, h);
  for (auto _ : state) {
    ResampleBitmap(&Photo(), dst.get(), filter);
    benchmark::DoNotOptimize(dst->GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kW} * kH);
}

void Down(benchmark::State& s, TResampleFilter f) { Resize(s, f, kW / 3, kH / 3); }
void Up(benchmark::State& s, TResampleFilter f) { Resize(s, f, kW * 3 / 2, kH * 3 / 2); }

// A 1920 x 1080 view of the whole picture.
void View(benchmark::State& state, TResampleFilter filter, bool alpha, int opacity, TVQBlendOperation op) {
  const TBenchThreads threads(state.range(0));
  TVQBitmap& src = alpha ? Layer() : Photo();
  auto dst = MemoryBitmap(1920, 1080);
  std::vector<Byte*> rows;
  std::vector<int> xt, yt;
  for (auto _ : state) {
    src.RenderToTVQBitmap(dst.get(), rows, xt, yt, nullptr, 0, 0, 1920, 1080, 0, 0, kW, kH, alpha, true, opacity,
                          filter, false, op);
    benchmark::DoNotOptimize(dst->GetScanline(0));
  }
}

// One 24-megapixel layer over another at 1:1.
void Blend(benchmark::State& state, bool alpha, int opacity, TVQBlendOperation op) {
  const TBenchThreads threads(state.range(0));
  TVQBitmap& src = alpha ? Layer() : Photo();
  auto dst = MemoryBitmap(kW, kH);
  std::vector<Byte*> rows;
  std::vector<int> xt, yt;
  for (auto _ : state) {
    src.RenderToTVQBitmap(dst.get(), rows, xt, yt, nullptr, 0, 0, kW, kH, 0, 0, kW, kH, alpha, false, opacity, rfNone,
                          false, op);
    benchmark::DoNotOptimize(dst->GetScanline(0));
  }
  state.SetItemsProcessed(state.iterations() * Int64{kW} * kH);
}

#define RESAMPLE_BENCH(name, filter)                                    \
  void BM_Down_##name(benchmark::State& s) { Down(s, filter); }         \
  void BM_Up_##name(benchmark::State& s) { Up(s, filter); }             \
  BENCHMARK(BM_Down_##name)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond); \
  BENCHMARK(BM_Up_##name)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

RESAMPLE_BENCH(Nearest, rfNone)
RESAMPLE_BENCH(Triangle, rfTriangle)
RESAMPLE_BENCH(Hermite, rfHermite)
RESAMPLE_BENCH(Bell, rfBell)
RESAMPLE_BENCH(BSpline, rfBSpline)
RESAMPLE_BENCH(Lanczos3, rfLanczos3)
RESAMPLE_BENCH(Mitchell, rfMitchell)
RESAMPLE_BENCH(KernelNearest, rfNearest)
RESAMPLE_BENCH(Linear, rfLinear)
RESAMPLE_BENCH(FastLinear, rfFastLinear)
RESAMPLE_BENCH(AreaBilinear, rfBilinear)
RESAMPLE_BENCH(AreaBicubic, rfBicubic)
#undef RESAMPLE_BENCH

void BM_ViewNearest(benchmark::State& s) { View(s, rfNone, false, 255, boCopy); }
void BM_ViewFastLinear(benchmark::State& s) { View(s, rfFastLinear, false, 255, boCopy); }
void BM_ViewAlphaOpacity(benchmark::State& s) { View(s, rfNone, true, 200, boCopy); }
void BM_BlendCopyOpacity(benchmark::State& s) { Blend(s, false, 128, boCopy); }
void BM_BlendAlpha(benchmark::State& s) { Blend(s, true, 255, boCopy); }
void BM_BlendMultiply(benchmark::State& s) { Blend(s, false, 255, boMultiply); }
void BM_BlendSoftLightAlpha(benchmark::State& s) { Blend(s, true, 255, boSoftLight); }
void BM_BlendHue(benchmark::State& s) { Blend(s, false, 255, boHue); }
BENCHMARK(BM_ViewNearest)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewFastLinear)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewAlphaOpacity)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendCopyOpacity)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendAlpha)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendMultiply)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendSoftLightAlpha)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendHue)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

}  // namespace

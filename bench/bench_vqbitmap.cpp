// Timings of the imaging library's raster model: filling and reading a
// 24-megapixel 24-bit bitmap in memory and in a temporary file (compare the
// file with `dd if=/dev/zero of=$TMPDIR/x bs=18000 count=4000`, the same
// bytes), and the marching-ants outline of a full-screen selection.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;  // 24 megapixels, 72 MB at 24 bits

std::unique_ptr<TVQBitmap> NewImage(TVQLocation location) {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = location == vqTempFile ? 0 : std::numeric_limits<Int64>::max();
  b->SetLocation(location);
  return b;
}

// Every row written through its address (new bytes each time, so nothing
// can be skipped as unchanged), then every row read back.
std::uint64_t FillAndRead(TVQBitmap& b, bool hinted) {
  static int seed = 0;
  ++seed;
  const std::size_t n = static_cast<std::size_t>(b.GetRowLength());
  {
    TVQViewAccessScope access(b, hinted ? vqWrite : vqReadWrite);
    for (int y = 0; y < kHeight; ++y) std::memset(b.GetScanline(y), (y + seed) & 0xFF, n);
  }
  TVQViewAccessScope access(b, hinted ? vqRead : vqReadWrite);
  std::uint64_t sum = 0;
  for (int y = 0; y < kHeight; ++y) {
    const Byte* row = b.GetScanline(y);
    std::uint64_t word;
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
      std::memcpy(&word, row + i, 8);
      sum += word;
    }
  }
  return sum;
}

// The bitmap made and touched once; each iteration fills and reads it.
void BM_FillRead(benchmark::State& state) {
  const auto location = static_cast<TVQLocation>(state.range(0));
  const bool hinted = state.range(1) != 0;
  auto b = NewImage(location);
  b->Allocate(kWidth, kHeight, vqRGB24);
  if (b->Location() != location) state.SkipWithError("the storage asked for was not made");
  benchmark::DoNotOptimize(FillAndRead(*b, hinted));
  for (auto _ : state) benchmark::DoNotOptimize(FillAndRead(*b, hinted));
  state.SetBytesProcessed(state.iterations() * Int64{b->GetRowLength()} * kHeight);
  state.SetLabel(location == vqMemoryBuffer ? (hinted ? "memory, access hints" : "memory")
                                            : (hinted ? "temp file, access hints" : "temp file"));
}
BENCHMARK(BM_FillRead)
    ->Args({vqMemoryBuffer, 0})
    ->Args({vqTempFile, 0})
    ->Args({vqTempFile, 1})
    ->Unit(benchmark::kMillisecond);

// The whole life of the bitmap: allocation, fill, read and free (the temp
// file made, reserved and deleted; fresh memory touched for the first time).
void BM_AllocateFillReadFree(benchmark::State& state) {
  const auto location = static_cast<TVQLocation>(state.range(0));
  for (auto _ : state) {
    auto b = NewImage(location);
    b->Allocate(kWidth, kHeight, vqRGB24);
    benchmark::DoNotOptimize(FillAndRead(*b, false));
  }
  state.SetBytesProcessed(state.iterations() * Int64{kWidth} * 3 * kHeight);
  state.SetLabel(location == vqMemoryBuffer ? "memory" : "temp file");
}
BENCHMARK(BM_AllocateFillReadFree)->Arg(vqMemoryBuffer)->Arg(vqTempFile)->Unit(benchmark::kMillisecond);

// TVQBitmap::Fill with a colour: whole pixels, the padding kept.
void BM_FillColour(benchmark::State& state) {
  const auto location = static_cast<TVQLocation>(state.range(0));
  auto b = NewImage(location);
  b->Allocate(kWidth, kHeight, vqRGB24);
  b->Fill(0);
  for (auto _ : state) b->Fill(0x00336699);
  state.SetBytesProcessed(state.iterations() * Int64{kWidth} * 3 * kHeight);
  state.SetLabel(location == vqMemoryBuffer ? "memory" : "temp file");
}
BENCHMARK(BM_FillColour)->Arg(vqMemoryBuffer)->Arg(vqTempFile)->Unit(benchmark::kMillisecond);

// ---- marching ants ----------------------------------------------------------------

std::vector<TPoint> Ellipse(int cx, int cy, int rx, int ry) {
  const int n = std::max(50, static_cast<int>(std::min(rx, ry) * 2 * std::numbers::pi));
  std::vector<TPoint> points;
  for (int k = 0; k < n; ++k) {
    const double t = 2 * std::numbers::pi / n * k;
    points.push_back(
        {static_cast<int>(std::lround(cx + std::cos(t) * rx)), static_cast<int>(std::lround(cy + std::sin(t) * ry))});
  }
  return points;
}

// One tick of the ants around a selection filling a 1920 x 1080 screen: the
// mask drawn 1:1 (range 0 = 1), or a 6000 x 4000 photo's mask fitted into
// the screen (range 0 = 0). With range 1 = 1 the mask counts as changed
// before every tick, so its scaled copy is made again each time (the first
// drawing after a selection changes).
void BM_MarchingAnts(benchmark::State& state) {
  const bool straight = state.range(0) != 0;
  const bool changed = state.range(1) != 0;
  const int sw = straight ? 1920 : 6000, sh = straight ? 1080 : 4000;
  const int dw = 1920, dh = straight ? 1080 : 1280;
  TVQMask mask;
  mask.AllocateBits(sw, sh, 1);
  mask.FillPolygons(1, Ellipse(sw / 2, sh / 2, sw / 2 - 2, sh / 2 - 2));
  TBitmap screen(1920, 1280, pf24bit);
  TCanvas* canvas = screen.Canvas();
  int phase = 0;
  for (auto _ : state) {
    if (changed) benchmark::DoNotOptimize(mask.Bits());
    mask.DrawOutline(canvas, 0, 0, dw, dh, 0, 0, sw, sh, phase, clBlack, clWhite);
    phase = (phase + 1) % 10;
  }
  state.SetLabel(std::string(straight ? "1920x1080 mask at 1:1" : "6000x4000 mask fitted to 1920x1280") +
                 (changed ? ", mask changed each tick" : ""));
}
BENCHMARK(BM_MarchingAnts)->Args({1, 0})->Args({0, 0})->Args({1, 1})->Args({0, 1})->Unit(benchmark::kMillisecond);

// A ragged selection (many small holes) has far more border pixels.
void BM_MarchingAntsRagged(benchmark::State& state) {
  TVQMask mask;
  mask.AllocateBits(1920, 1080, 1);
  mask.FillPolygons(1, Ellipse(960, 540, 958, 538));
  std::vector<TPoint> holes;
  for (int y = 20; y < 1060; y += 40)
    for (int x = 20; x < 1900; x += 40) {
      if (!holes.empty()) holes.push_back({VQPolygonSeparator, VQPolygonSeparator});
      for (const TPoint& p : Ellipse(x, y, 8, 8)) holes.push_back(p);
    }
  mask.FillPolygons(0, holes);
  TBitmap screen(1920, 1080, pf24bit);
  TCanvas* canvas = screen.Canvas();
  int phase = 0;
  for (auto _ : state) {
    mask.DrawOutline(canvas, 0, 0, 1920, 1080, 0, 0, 1920, 1080, phase, clBlack, clWhite);
    phase = (phase + 1) % 10;
  }
}
BENCHMARK(BM_MarchingAntsRagged)->Unit(benchmark::kMillisecond);

}  // namespace

// Timings of the retouching routines on a 12-megapixel portrait-like photo,
// each with one thread and with every thread the process may use.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "app/pixels/BitmapRows.h"
#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pixels/RotateImage.h"
#include "app/pixels/uSmooth.h"
#include "app/pixels/uStain.h"
#include "bench/BenchThreads.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// A lit face on a dark backdrop: skin with a soft gradient, grain, two dark eyes
// and a shiny forehead, so every routine meets the content it is made for.
RowImageBuffer MakePortrait(int w, int h) {
  RowImageBuffer image(w, h);
  const double cx = w / 2.0, cy = h / 2.0, rx = w * 0.3, ry = h * 0.42;
  unsigned seed = 12345;
  for (int y = 0; y < h; ++y) {
    Byte* p = image.Row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      int grain = int(seed >> 28) - 8;
      double ex = (x - cx) / rx, ey = (y - cy) / ry;
      double r2 = ex * ex + ey * ey;
      int R, G, B;
      if (r2 < 1) {
        double light = 1 - 0.35 * (ex + 0.5 * ey);
        R = int(205 * light), G = int(150 * light), B = int(125 * light);
        double fx = (x - cx) / rx, fy = (y - (cy - 0.45 * ry)) / ry;
        if (fx * fx + 4 * fy * fy < 0.02)
          R = 250, G = 235, B = 225;  // highlight
        for (double sx : {-0.35, 0.35}) {
          double dx = ex - sx, dy = ey + 0.15;
          if (dx * dx + 4 * dy * dy < 0.01)
            R = 40, G = 30, B = 30;  // eye
        }
      } else {
        R = 40 + (x * 60) / w, G = 60 + (y * 40) / h, B = 90;
      }
      p[0] = Byte(std::clamp(B + grain, 0, 255));
      p[1] = Byte(std::clamp(G + grain, 0, 255));
      p[2] = Byte(std::clamp(R + grain, 0, 255));
    }
  }
  return image;
}

const RowImageBuffer& Photo() {
  static const RowImageBuffer photo = MakePortrait(kWidth, kHeight);
  return photo;
}

void BM_SmoothPicture(benchmark::State& state) {
  const RowImageBuffer& photo = Photo();
  TBenchThreads threads(state.range(1));
  for (auto _ : state)
    benchmark::DoNotOptimize(SmoothPicture(photo, int(state.range(0))));
}
BENCHMARK(BM_SmoothPicture)
    ->ArgNames({"radius", "threads"})
    ->ArgsProduct({{10, 50}, {1, AllBenchThreads()}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_BlendByDifference(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  RowImageBuffer smoothed = SmoothPicture(photo, 10);
  for (auto _ : state)
    benchmark::DoNotOptimize(BlendByDifference(photo, smoothed, 0, {}, 50, 40));
}
BENCHMARK(BM_BlendByDifference)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_ChannelCurveAdjust(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  RowImageBuffer work = RowImageBuffer::CopyOf(Photo());
  for (auto _ : state) {
    ChannelCurveAdjust(work, {180, 130, 110}, {190, 150, 130});
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ChannelCurveAdjust)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_AutoLevels(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  RowImageBuffer work = RowImageBuffer::CopyOf(Photo());
  for (auto _ : state) {
    AutoLevels(work);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_AutoLevels)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_EnlargeBicubic12MpTo17Mp(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(EnlargeBicubic(photo, 4800, 3600));
}
BENCHMARK(BM_EnlargeBicubic12MpTo17Mp)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_EnlargeBicubic3MpTo12Mp(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  RowImageBuffer small = ReduceAverage(Photo(), 2000, 1500);
  for (auto _ : state)
    benchmark::DoNotOptimize(EnlargeBicubic(small, kWidth, kHeight));
}
BENCHMARK(BM_EnlargeBicubic3MpTo12Mp)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_ReduceAverage12MpToHalf(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(ReduceAverage(photo, 2000, 1500));
}
BENCHMARK(BM_ReduceAverage12MpToHalf)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_ReduceAverage12MpTo90Percent(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(ReduceAverage(photo, 3600, 2700));
}
BENCHMARK(BM_ReduceAverage12MpTo90Percent)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_RotateAnyAngle30(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(RotateAnyAngle(photo, 30));
}
BENCHMARK(BM_RotateAnyAngle30)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(Rotate90(photo));
}
BENCHMARK(BM_Rotate90)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_Rotate270(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(Rotate270(photo));
}
BENCHMARK(BM_Rotate270)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

// The quarter turn as the size step calls it, on a bitmap: the turn writes
// into the new bitmap's rows, so this should take no longer than the core above.
void BM_Rotate90OnBitmap(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  static const std::unique_ptr<TBitmap> photo = BitmapFromRows(Photo());
  for (auto _ : state)
    benchmark::DoNotOptimize(Rotate90(photo.get()));
}
BENCHMARK(BM_Rotate90OnBitmap)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

// The free turn and the resize as the size step calls them, on a bitmap: the
// result is the new bitmap itself, not a copy of a buffer.
void BM_RotateAnyAngleOnBitmap(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  static const std::unique_ptr<TBitmap> photo = BitmapFromRows(Photo());
  for (auto _ : state)
    benchmark::DoNotOptimize(RotateAnyAngle(photo.get(), 3.5));
}
BENCHMARK(BM_RotateAnyAngleOnBitmap)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_ResizeOnBitmapTo90Percent(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  static const std::unique_ptr<TBitmap> photo = BitmapFromRows(Photo());
  for (auto _ : state)
    benchmark::DoNotOptimize(ResizePicture(photo.get(), 3600, 2700));
}
BENCHMARK(BM_ResizeOnBitmapTo90Percent)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

// The rectangle a user draws over the face: 1500 by 1500 around the forehead highlight.
void BM_HighlightRemoval1500(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  const RowImageBuffer& photo = Photo();
  RowImageBuffer patch = CopyBlock(photo, TRect{1250, 300, 2750, 1800});
  for (auto _ : state) {
    HighlightMask mask = PrepareHighlightMask(patch);
    benchmark::DoNotOptimize(ApplyHighlightRemoval(mask, 50));
  }
}
BENCHMARK(BM_HighlightRemoval1500)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_ErasePatchRadius100(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  RowImageBuffer work = RowImageBuffer::CopyOf(Photo());
  for (auto _ : state) {
    ErasePatch(work, TPoint{2000, 1500}, 100, 1.0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ErasePatchRadius100)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

}  // namespace

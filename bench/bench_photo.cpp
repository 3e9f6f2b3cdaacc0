// Photo files on a 12-megapixel picture: JPEG decode into a 24-bit bitmap,
// JPEG encode at quality 100 from one, and BMP load and save, each through
// the framework's classes and real files.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr int kW = 4000, kH = 3000;

// Smooth shading, edges and grain, so the codec has a photo's work to do.
void PaintPhoto(TBitmap& b) {
  std::uint32_t seed = 2463534242u;
  for (int y = 0; y < kH; ++y) {
    auto* p = static_cast<std::uint8_t*>(b.ScanLine(y));
    for (int x = 0; x < kW; ++x, p += 3) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed & 15) - 8;
      const int band = ((x / 300 + y / 200) & 1) ? 40 : 0;
      auto clamp = [](int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
      p[0] = clamp(x * 180 / kW + band + grain);
      p[1] = clamp(y * 200 / kH + grain);
      p[2] = clamp(((x + y) * 120) / (kW + kH) + 60 - band + grain);
    }
  }
}

struct Files {
  std::string jpg, bmp, out;
  Files() {
    const std::string base = "/tmp/lumiqa_bench_photo_" + std::to_string(getpid());
    jpg = base + ".jpg";
    bmp = base + ".bmp";
    out = base + "_out";
    TBitmap b(kW, kH, pf24bit);
    PaintPhoto(b);
    b.SaveToFile(bmp);
    TJPEGImage j;
    j.CompressionQuality = 92;
    j.Assign(&b);
    j.SaveToFile(jpg);
  }
  ~Files() {
    std::remove(jpg.c_str());
    std::remove(bmp.c_str());
    std::remove(out.c_str());
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void BM_JpegDecodeInto24BitBitmap12MP(benchmark::State& state) {
  const Files& f = TheFiles();
  for (auto _ : state) {
    TJPEGImage j;
    j.LoadFromFile(f.jpg);
    TBitmap b;
    b.Assign(&j);
    benchmark::DoNotOptimize(b.Width());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_JpegDecodeInto24BitBitmap12MP)->Unit(benchmark::kMillisecond);

void BM_JpegEncodeQ100FromBitmap12MP(benchmark::State& state) {
  const Files& f = TheFiles();
  TBitmap b;
  b.LoadFromFile(f.bmp);
  for (auto _ : state) {
    TJPEGImage j;
    j.CompressionQuality = 100;
    j.Assign(&b);
    j.SaveToFile(f.out);
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_JpegEncodeQ100FromBitmap12MP)->Unit(benchmark::kMillisecond);

void BM_BmpLoad12MP(benchmark::State& state) {
  const Files& f = TheFiles();
  for (auto _ : state) {
    TBitmap b;
    b.LoadFromFile(f.bmp);
    benchmark::DoNotOptimize(b.Width());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_BmpLoad12MP)->Unit(benchmark::kMillisecond);

void BM_BmpSave12MP(benchmark::State& state) {
  const Files& f = TheFiles();
  TBitmap b;
  b.LoadFromFile(f.bmp);
  for (auto _ : state) b.SaveToFile(f.out);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_BmpSave12MP)->Unit(benchmark::kMillisecond);

}  // namespace

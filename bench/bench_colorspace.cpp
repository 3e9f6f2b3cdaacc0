// Whole-picture colour conversions on a 24-megapixel frame: YUV video frames
// and packed DIBs into a 24-bit bitmap (one thread and all), the export back
// to a packed DIB, and the HSL, L*a*b* and CMYK round trips of every pixel. Compare with
// ImageMagick on the same frame, e.g.
//   convert -size 6000x4000 -sampling-factor 4:2:0 yuv:frame.yuv bmp3:out.bmp
#include <benchmark/benchmark.h>

#include <limits>
#include <memory>
#include <vector>

#include "bench/BenchThreads.h"
#include "imaging/core/colour/pictoraproc_colorspace.h"
#include "imaging/core/colour/pictoraproc_frames.h"
#include "imaging/core/base/vqzutils.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

std::vector<Byte> Noise(std::size_t n) {
  std::vector<Byte> v(n);
  unsigned seed = 11;
  for (Byte& b : v) b = Byte((seed = seed * 1664525u + 1013904223u) >> 24);
  return v;
}

// The header (with the layout's code) and its frame.
std::vector<Byte> FrameBlock(std::uint32_t compression, int bitCount, std::size_t frameBytes, std::size_t tableBytes) {
  std::vector<Byte> block(40 + tableBytes);
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) block[at + std::size_t(i)] = Byte(v >> (8 * i));
  };
  put(0, 40);
  put(4, kWidth);
  put(8, kHeight);
  block[12] = 1;
  block[14] = Byte(bitCount);
  put(16, compression);
  const std::vector<Byte> frame = Noise(frameBytes + tableBytes);
  std::copy(frame.begin(), frame.begin() + std::ptrdiff_t(tableBytes), block.begin() + 40);
  block.insert(block.end(), frame.begin() + std::ptrdiff_t(tableBytes), frame.end());
  return block;
}

std::unique_ptr<TVQBitmap> MemoryImage() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = std::numeric_limits<Int64>::max();
  b->SetLocation(vqMemoryBuffer);
  return b;
}

void RunFrame(benchmark::State& state, const std::vector<Byte>& block) {
  TBenchThreads threads(state.range(0));
  auto b = MemoryImage();
  for (auto _ : state) benchmark::DoNotOptimize(FrameToBitmap(block.data(), block.size(), b.get()));
  state.SetItemsProcessed(state.iterations() * Int64{kWidth} * kHeight);
}

void BM_FrameI420(benchmark::State& state) {
  constexpr std::uint32_t code = VQFourCC('I', '4', '2', '0');
  static const std::vector<Byte> block = FrameBlock(code, 12, std::size_t(YUVFrameSize(code, kWidth, kHeight)), 0);
  RunFrame(state, block);
}
BENCHMARK(BM_FrameI420)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_FrameYUY2(benchmark::State& state) {
  constexpr std::uint32_t code = VQFourCC('Y', 'U', 'Y', '2');
  static const std::vector<Byte> block = FrameBlock(code, 16, std::size_t(YUVFrameSize(code, kWidth, kHeight)), 0);
  RunFrame(state, block);
}
BENCHMARK(BM_FrameYUY2)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_Dib8Bit(benchmark::State& state) {
  static const std::vector<Byte> block = FrameBlock(0, 8, std::size_t(kWidth) * kHeight, 1024);
  RunFrame(state, block);
}
BENCHMARK(BM_Dib8Bit)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_Dib24Bit(benchmark::State& state) {
  static const std::vector<Byte> block = FrameBlock(0, 24, std::size_t(kWidth) * 3 * kHeight, 0);
  RunFrame(state, block);
}
BENCHMARK(BM_Dib24Bit)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_BitmapToDib(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  static const std::vector<Byte> block = FrameBlock(0, 24, std::size_t(kWidth) * 3 * kHeight, 0);
  auto b = MemoryImage();
  FrameToBitmap(block.data(), block.size(), b.get());
  for (auto _ : state) {
    HGLOBAL dib = BitmapToDib(b.get());
    benchmark::DoNotOptimize(dib);
    GlobalFree(dib);
  }
  state.SetItemsProcessed(state.iterations() * Int64{kWidth} * kHeight);
}
BENCHMARK(BM_BitmapToDib)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

// RGB to HSL and back for every pixel, one thread: the cost of the
// per-colour routines the HSL blend operations call.
void BM_HSLRoundTrip(benchmark::State& state) {
  static const std::vector<Byte> pixels = Noise(std::size_t(kWidth) * 3 * kHeight);
  std::vector<Byte> out(pixels.size());
  for (auto _ : state) {
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
      double h, s, l;
      RGBToHSL(std::uint32_t(pixels[i + 2]) << 16 | std::uint32_t(pixels[i + 1]) << 8 | pixels[i], h, s, l);
      HSLToRGB(out[i], out[i + 1], out[i + 2], l, s, h);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * Int64{kWidth} * kHeight);
}
BENCHMARK(BM_HSLRoundTrip)->Unit(benchmark::kMillisecond);

// The same for the library's other single-colour conversions: CIE L*a*b*
// and the CMYK form.
void BM_LabRoundTrip(benchmark::State& state) {
  static const std::vector<Byte> pixels = Noise(std::size_t(kWidth) * 3 * kHeight);
  std::uint64_t sum = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < pixels.size(); i += 3)
      sum += LabToRGB(RGBToLab(std::uint32_t(pixels[i + 2]) << 16 | std::uint32_t(pixels[i + 1]) << 8 | pixels[i]));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * Int64{kWidth} * kHeight);
}
BENCHMARK(BM_LabRoundTrip)->Unit(benchmark::kMillisecond);

void BM_CMYKRoundTrip(benchmark::State& state) {
  static const std::vector<Byte> pixels = Noise(std::size_t(kWidth) * 3 * kHeight);
  std::uint64_t sum = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
      const TRGBPixel back = CMYKToRGB(RGBToCMYK(TRGBPixel{pixels[i], pixels[i + 1], pixels[i + 2]}));
      sum += back.r + back.g + back.b;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * Int64{kWidth} * kHeight);
}
BENCHMARK(BM_CMYKRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

// GIF reading and writing: the LZW coders on a 640 x 480 frame of photo-like
// indices, and the composed last frame of a 100-frame animation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/coders/giflzw.h"
#include "imaging/io/component/pictoraio.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr int kW = 640, kH = 480, kFrames = 100;

// Smooth bands with some noise, as a quantised photo gives.
std::vector<std::uint8_t> BenchGifIndices(int frame) {
  std::vector<std::uint8_t> p(std::size_t(kW) * kH);
  std::uint32_t noise = 7u + unsigned(frame);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      noise = noise * 1103515245u + 12345u;
      p[std::size_t(y) * kW + x] = std::uint8_t((x + 2 * y + 3 * frame) / 5 + (noise >> 30));
    }
  return p;
}

std::vector<std::uint8_t> BenchGifCoded(const std::vector<std::uint8_t>& indices) {
  TMemoryStream s;
  GifLzwEncode(&s, kH, kW, 8, indices.data(), false);
  const auto* b = static_cast<const std::uint8_t*>(s.Memory());
  return std::vector<std::uint8_t>(b, b + s.Size());
}

void BM_GifLzwDecode(benchmark::State& state) {
  const std::vector<std::uint8_t> coded = BenchGifCoded(BenchGifIndices(0));
  std::vector<std::uint8_t> out(std::size_t(kW) * kH);
  TMemoryStream s;
  s.WriteBuffer(coded.data(), std::int64_t(coded.size()));
  for (auto _ : state) {
    s.SetPosition(0);
    GifLzwDecode(&s, kH, kW, out.data(), false);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_GifLzwDecode)->Unit(benchmark::kMillisecond);

void BM_GifLzwEncode(benchmark::State& state) {
  const std::vector<std::uint8_t> indices = BenchGifIndices(0);
  for (auto _ : state) {
    TMemoryStream s;
    GifLzwEncode(&s, kH, kW, 8, indices.data(), false);
    benchmark::DoNotOptimize(s.Size());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_GifLzwEncode)->Unit(benchmark::kMillisecond);

// A whole animation: header, a 256-grey global table, full frames.
const std::vector<std::uint8_t>& BenchGifAnimation() {
  static const std::vector<std::uint8_t> file = [] {
    std::vector<std::uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', kW & 255, kW >> 8, kH & 255, kH >> 8, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i) f.insert(f.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(255 - i)});
    for (int k = 0; k < kFrames; ++k) {
      f.insert(f.end(), {0x2C, 0, 0, 0, 0, kW & 255, kW >> 8, kH & 255, kH >> 8, 0});
      const std::vector<std::uint8_t> coded = BenchGifCoded(BenchGifIndices(k));
      f.insert(f.end(), coded.begin(), coded.end());
    }
    f.push_back(0x3B);
    return f;
  }();
  return file;
}

void BM_GifComposeLastFrame(benchmark::State& state) {
  StartImagingLibrary();
  const std::vector<std::uint8_t>& file = BenchGifAnimation();
  for (auto _ : state) {
    TPictoraIO io(nullptr);
    io.Parameters()->GifImageIndex = -1;
    io.LoadFromBuffer(file.data(), std::int64_t(file.size()), ioGIF);
    benchmark::DoNotOptimize(io.Image()->GetWidth());
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_GifComposeLastFrame)->Unit(benchmark::kMillisecond);

}  // namespace

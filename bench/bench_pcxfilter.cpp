// The PCX filter on a 24-megapixel (6000 x 4000) 24-bit picture with grain,
// as a photo gives: writing and reading three planes of 8 bits, run-length
// coded and raw, on one thread and on all of them. A read's time includes
// the first touch of the new image's 72 MB, which on some virtual machines
// costs more than the decoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "bench/BenchThreads.h"
#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr int kPcxBenchWidth = 6000, kPcxBenchHeight = 4000;

std::unique_ptr<TVQBitmap> PcxBenchPhoto() {
  StartImagingLibrary();
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = INT64_MAX;
  b->SetLocation(vqMemoryBuffer);
  b->Allocate(kPcxBenchWidth, kPcxBenchHeight, vqRGB24);
  std::uint32_t seed = 2463534242u;
  for (int y = 0; y < kPcxBenchHeight; ++y) {
    Byte* p = b->GetScanline(y);
    for (int x = 0; x < kPcxBenchWidth; ++x, p += 3) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed % 25);
      p[0] = Byte(x * 150 / kPcxBenchWidth + 60 + grain);
      p[1] = Byte(y * 150 / kPcxBenchHeight + 50 + grain);
      p[2] = Byte((x + y) * 100 / (kPcxBenchWidth + kPcxBenchHeight) + 120 + grain);
    }
  }
  return b;
}

TVQBitmap& PcxBenchImage() {
  static std::unique_ptr<TVQBitmap> photo = PcxBenchPhoto();
  return *photo;
}

void PcxBenchSave(TStream& s, bool rle, bool& abort) {
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  params.PcxCompression = rle;
  TVQProgressRec p;
  p.Aborting = &abort;
  s.SetPosition(0);
  SavePcxImage(s, &PcxBenchImage(), params, p);
}

void BM_PcxWrite24MP(benchmark::State& state, bool rle) {
  const TBenchThreads threads(state.range(0));
  // Sized before timing, so the writes neither grow nor zero the stream.
  TMemoryStream s;
  s.SetSize(std::int64_t(kPcxBenchWidth) * kPcxBenchHeight * 3 * 2);
  bool abort = false;
  for (auto _ : state) PcxBenchSave(s, rle, abort);
  if (abort) state.SkipWithError("the writer aborted");
  state.counters["MB"] = double(s.Position()) / 1e6;
}
BENCHMARK_CAPTURE(BM_PcxWrite24MP, rle, true)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PcxWrite24MP, raw, false)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_PcxRead24MP(benchmark::State& state, bool rle) {
  const TBenchThreads threads(state.range(0));
  TMemoryStream s;
  bool abort = false;
  PcxBenchSave(s, rle, abort);
  TVQBitmap img;
  img.MemoryThreshold = INT64_MAX;
  img.SetLocation(vqMemoryBuffer);
  TIOParamsVals params(nullptr);
  TVQProgressRec p;
  p.Aborting = &abort;
  for (auto _ : state) {
    s.SetPosition(0);
    LoadPcxImage(s, &img, params, false, p, 0);
  }
  if (abort) state.SkipWithError("the reader aborted");
}
BENCHMARK_CAPTURE(BM_PcxRead24MP, rle, true)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PcxRead24MP, raw, false)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

}  // namespace

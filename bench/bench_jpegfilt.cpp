// The imaging library's JPEG filter on the benchmark photo (12 or 24
// megapixels, see BenchPhoto.h), from and to memory: a full decode into a
// 24-bit bitmap, a decode at 1/8, and an encode at quality 100.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "bench/BenchPhoto.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"

namespace {

std::unique_ptr<TVQBitmap> JpegBenchBitmap() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = INT64_MAX;
  b->SetLocation(vqMemoryBuffer);
  return b;
}

// The grain photo as 24-bit rows.
TVQBitmap& JpegBenchPhoto() {
  static std::unique_ptr<TVQBitmap> photo = [] {
    std::unique_ptr<TBitmap> grain = BenchGrainPhoto();
    auto b = JpegBenchBitmap();
    b->Allocate(grain->Width(), grain->Height(), vqRGB24);
    for (int y = 0; y < grain->Height(); ++y)
      std::memcpy(b->GetScanline(y), grain->ScanLine(y), std::size_t(grain->Width()) * 3);
    return b;
  }();
  return *photo;
}

TMemoryStream& JpegBenchFile() {
  static std::unique_ptr<TMemoryStream> file = [] {
    auto s = std::make_unique<TMemoryStream>();
    TIOParamsVals p(nullptr);
    p.JpegQuality = 92;
    TVQProgressRec progress;
    SaveJpegImage(s.get(), &JpegBenchPhoto(), p, progress);
    return s;
  }();
  return *file;
}

void JpegBenchDecode(benchmark::State& state, Byte scale) {
  TMemoryStream& file = JpegBenchFile();
  for (auto _ : state) {
    auto image = JpegBenchBitmap();
    TIOParamsVals p(nullptr);
    p.JpegScale = scale;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    file.SetPosition(0);
    LoadJpegImage(&file, nullptr, image.get(), false, false, progress, p);
    if (aborted) state.SkipWithError("decode aborted");
    benchmark::DoNotOptimize(image->GetScanline(0));
  }
  ReportPeakMemory(state);
}

void BM_JpegFiltDecode(benchmark::State& state) { JpegBenchDecode(state, 1); }
void BM_JpegFiltDecodeEighth(benchmark::State& state) { JpegBenchDecode(state, 4); }

void BM_JpegFiltEncodeQ100(benchmark::State& state) {
  TVQBitmap& photo = JpegBenchPhoto();
  for (auto _ : state) {
    TMemoryStream out;
    TIOParamsVals p(nullptr);
    p.JpegQuality = 100;
    bool aborted = false;
    TVQProgressRec progress;
    progress.Aborting = &aborted;
    SaveJpegImage(&out, &photo, p, progress);
    if (aborted) state.SkipWithError("encode aborted");
    benchmark::DoNotOptimize(out.Memory());
  }
  ReportPeakMemory(state);
}

BENCHMARK(BM_JpegFiltDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegFiltDecodeEighth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegFiltEncodeQ100)->Unit(benchmark::kMillisecond);

}  // namespace

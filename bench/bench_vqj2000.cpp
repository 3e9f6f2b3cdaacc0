// The JPEG 2000 filter on a photo-like picture (12 megapixels, 24 with
// LUMIQA_BENCH_MEGAPIXELS=24): the codec's decoding alone beside the whole
// load into a bitmap, so the difference is the filter's own share, and the
// lossless save.
#include <benchmark/benchmark.h>
#include <openjpeg.h>

#include <climits>
#include <memory>
#include <vector>

#include "bench/BenchPhoto.h"
#include "bench/BenchThreads.h"
#include "bench/tools/VQColorPicture.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqj2000.h"
#include "imaging/io/formats/vqj2000_stream.h"
#include "platform/rtl/Streams.h"

namespace {

std::unique_ptr<TVQBitmap> J2kBenchBitmap() {
  auto b = std::make_unique<TVQBitmap>();
  b->MemoryThreshold = LLONG_MAX;
  b->SetLocation(vqMemoryBuffer);
  return b;
}

TVQBitmap& J2kBenchPhoto() {
  static std::unique_ptr<TVQBitmap> photo = [] {
    auto b = J2kBenchBitmap();
    const int w = BenchPhotoWidth(), h = BenchPhotoHeight();
    b->Allocate(w, h, vqRGB24);
    PaintColourPhoto(w, h, [&](int y) { return b->GetScanline(y); });
    return b;
  }();
  return *photo;
}

// The photo as a code stream: lossless (rate 1) or at a tenth of its size.
TMemoryStream& J2kBenchStream(bool lossy) {
  static std::unique_ptr<TMemoryStream> streams[2];
  std::unique_ptr<TMemoryStream>& s = streams[lossy];
  if (!s) {
    s = std::make_unique<TMemoryStream>();
    TIOParamsVals params(nullptr);
    params.J2kRate = lossy ? 0.1 : 1.0;
    bool abort = false;
    TVQProgressRec p;
    p.Aborting = &abort;
    SaveJ2kImage(*s, &J2kBenchPhoto(), params, kJ2kFormatJpc, p);
  }
  return *s;
}

void BM_J2kCodecDecode(benchmark::State& state, bool lossy) {
  TMemoryStream& s = J2kBenchStream(lossy);
  const TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    s.SetPosition(0);
    bool abort = false;
    TJ2kIO io;
    io.Stream = &s;
    io.Aborting = &abort;
    TJ2kStreamPtr stream = J2kReadStream(io);
    TJ2kCodecPtr codec(opj_create_decompress(OPJ_CODEC_J2K));
    opj_dparameters_t setup;
    opj_set_default_decoder_parameters(&setup);
    opj_setup_decoder(codec.get(), &setup);
    J2kUseThreads(codec.get());  // before the header, as the codec wants
    opj_image_t* raw = nullptr;
    opj_read_header(stream.get(), codec.get(), &raw);
    TJ2kImagePtr image(raw);
    if (!opj_decode(codec.get(), stream.get(), image.get())) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image->comps[0].data);
  }
  ReportPeakMemory(state);
}

void BM_J2kLoad(benchmark::State& state, bool lossy) {
  TMemoryStream& s = J2kBenchStream(lossy);
  const TBenchThreads threads(state.range(0));
  auto img = J2kBenchBitmap();
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals params(nullptr);
    bool abort = false;
    TVQProgressRec p;
    p.Aborting = &abort;
    LoadJ2kImage(s, img.get(), params, false, p);
    if (abort) state.SkipWithError("load failed");
  }
  ReportPeakMemory(state);
}

void BM_J2kSaveLossless(benchmark::State& state) {
  TVQBitmap& photo = J2kBenchPhoto();
  const TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    TMemoryStream s;
    TIOParamsVals params(nullptr);
    bool abort = false;
    TVQProgressRec p;
    p.Aborting = &abort;
    SaveJ2kImage(s, &photo, params, kJ2kFormatJpc, p);
    if (abort) state.SkipWithError("save failed");
  }
  ReportPeakMemory(state);
}

BENCHMARK_CAPTURE(BM_J2kCodecDecode, lossless, false)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_J2kLoad, lossless, false)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_J2kCodecDecode, rate_0_1, true)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_J2kLoad, rate_0_1, true)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_J2kSaveLossless)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

}  // namespace

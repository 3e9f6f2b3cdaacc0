// The wizard's view on a 24-megapixel photo: the HALFTONE display copy a
// zoom step rebuilds (StretchCopy), at the fitted zoom of a 1920 x 1080
// screen and one step either side, and a whole zoom step's repaint.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "app/main/uMain_View.h"
#include "bench/BenchThreads.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"

namespace {

constexpr int kW = 6000, kH = 4000;

TBitmap& Photo() {
  static TBitmap* photo = [] {
    auto* b = new TBitmap(kW, kH, pf24bit);
    std::uint32_t seed = 2463534242u;
    for (int y = 0; y < kH; ++y) {
      auto* p = static_cast<std::uint8_t*>(b->ScanLine(y));
      for (int x = 0; x < kW; ++x, p += 3) {
        seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
        const int grain = int(seed & 15);
        p[0] = std::uint8_t(x * 180 / kW + grain);
        p[1] = std::uint8_t(y * 200 / kH + grain);
        p[2] = std::uint8_t((x + y) * 120 / (kW + kH) + 60 + grain);
      }
    }
    return b;
  }();
  return *photo;
}

// Display sizes for a scroll box of about 1900 x 1000 (a 1920 x 1080 screen):
// the fitted zoom 0.25, then 0.167 and 0.5.
void BM_StretchCopy(benchmark::State& state) {
  TBitmap& photo = Photo();
  const float zoom = float(state.range(0)) / 1000.0f;
  TBenchThreads threads(state.range(1));
  const TSize size = DisplaySize(kW, kH, zoom);
  for (auto _ : state) {
    auto copy = StretchCopy(&photo, size.cx, size.cy);
    benchmark::DoNotOptimize(copy->ScanLine(0));
  }
  state.SetLabel(std::to_string(size.cx) + "x" + std::to_string(size.cy));
}
BENCHMARK(BM_StretchCopy)
    ->ArgNames({"zoom", "threads"})
    ->ArgsProduct({{250, 167, 500}, {1, AllBenchThreads()}})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// A whole zoom step as the wizard repaints it: the display copy, the
// picture control taking it, centring in a scroll box that fills a
// 1920 x 1080 window, and the paint, on the headless display.
void BM_ZoomStepRepaint(benchmark::State& state) {
  TBitmap& photo = Photo();
  THeadlessSession session;
  TApplication app(nullptr);
  TApplication* saved = Application;
  Application = &app;
  {
    TForm* form = nullptr;
    app.CreateForm(form);
    form->SetBounds(0, 0, 1920, 1080);
    auto* box = new TScrollBox(form);
    box->SetParent(form);
    box->SetAlign(alClient);
    box->SetAutoScroll(true);
    auto* image = new TImage(form);
    image->SetParent(box);
    form->Show();
    session.display.RunUntilIdle();
    const float zooms[] = {0.167f, 0.25f};
    int step = 0;
    for (auto _ : state) {
      const TSize size = DisplaySize(kW, kH, zooms[step++ & 1]);
      auto copy = StretchCopy(&photo, size.cx, size.cy);
      image->Picture()->Assign(copy.get());
      CentrePicture(image, box);
      session.display.RunUntilIdle();
    }
  }
  app.DestroyComponents();
  Application = saved;
}
BENCHMARK(BM_ZoomStepRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

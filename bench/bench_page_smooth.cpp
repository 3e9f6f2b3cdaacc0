// The smoothing step's slider handlers on a 12-megapixel photo (24 with
// LUMIQA_BENCH_MEGAPIXELS=24), against the
// pixel routines they run: an amount slider (the blend, the display at the
// fitted zoom, the history entry replaced) against BlendByDifference alone,
// and the radius slider against SmoothPicture plus BlendByDifference. The
// difference is what the page adds around the routines; the paired runs
// measure it best on a busy machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/main/uMain.h"
#include "app/main/uMain_History.h"
#include "app/pixels/uSmooth.h"
#include "app/pages/uSmooth_Form.h"
#include "bench/BenchPhoto.h"
#include "bench/BenchThreads.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/forms/Application.h"
#include "skin/controls/SkinCtrls_Slider.h"

namespace {

const int kW = BenchPhotoWidth(), kH = BenchPhotoHeight();

std::unique_ptr<TBitmap> Photo() { return BenchGrainPhoto(); }

// The wizard on the headless display, entered into the smoothing step with
// the photo fitted into a 1920 x 1080 window, its history in a folder of its
// own under the temporary folder.
class TSmoothWorld {
 public:
  TSmoothWorld() {
    saved_ = Application;
    Application = &app_;
    folder_ = GetTempPath() + "lumiqa-bench-smooth-" + std::to_string(getpid());
    std::filesystem::create_directories(folder_);
    SetWizardFolder(folder_);
    app_.CreateForm(main_);
    main_->Show();
    main_->SetBounds(0, 0, 1920, 1080);
    session_.display.RunUntilIdle();
    WorkImage = Photo();
    main_->FitPicture(WorkImage.get(), main_->StepForm->Image1, main_->StepForm->ScrollBox_Image1);
    main_->StepEnabled = {false, false, false, true, false};
    const auto start = std::chrono::steady_clock::now();
    main_->Btn_NextClick(main_);
    session_.display.RunUntilIdle();
    entering_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    page_ = dynamic_cast<TFrm_Smooth*>(main_->StepForm);
  }
  // Seconds from the click on the next step to the painted first result.
  double Entering() const { return entering_; }
  TFrm_Main* Main() const { return main_; }
  ~TSmoothWorld() {
    delete main_;
    app_.DestroyComponents();
    Application = saved_;
    SetWizardFolder("");
    std::filesystem::remove_all(folder_);
  }
  TFrm_Smooth* Page() const { return page_; }
  void Idle() { session_.display.RunUntilIdle(); }

 private:
  THeadlessSession session_;
  TApplication app_{nullptr};
  TApplication* saved_ = nullptr;
  std::string folder_;
  TFrm_Main* main_ = nullptr;
  TFrm_Smooth* page_ = nullptr;
  double entering_ = 0;
};

// Entering the step: the click on the next step until the first smoothing
// is painted (the photo made before it is not timed).
void BM_EnterSmoothingStep(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    TSmoothWorld world;
    state.SetIterationTime(world.Entering());
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_EnterSmoothingStep)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(AllBenchThreads())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Undo back to the picture before the step, then redo to the result, each
// through the toolbar's handler with the paint it asks for; the counters
// give each half.
void BM_UndoThenRedo(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  TSmoothWorld world;
  History->Flush();
  double undo = 0, redo = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    world.Main()->Btn_UndoClick(nullptr);
    world.Idle();
    auto middle = std::chrono::steady_clock::now();
    world.Main()->Btn_RedoClick(nullptr);
    world.Idle();
    auto end = std::chrono::steady_clock::now();
    undo += std::chrono::duration<double>(middle - start).count();
    redo += std::chrono::duration<double>(end - middle).count();
  }
  state.counters["undo_ms"] = 1000 * undo / double(state.iterations());
  state.counters["redo_ms"] = 1000 * redo / double(state.iterations());
  ReportPeakMemory(state);
}
BENCHMARK(BM_UndoThenRedo)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

void BM_BlendByDifference(benchmark::State& state) {
  std::unique_ptr<TBitmap> source = Photo();
  std::unique_ptr<TBitmap> smoothed = SmoothPicture(source.get(), 10);
  int fine = 0;
  for (auto _ : state) {
    fine = fine == 0 ? 1 : 0;
    auto result = BlendByDifference(source.get(), smoothed.get(), fine, {}, 50, 40);
    benchmark::DoNotOptimize(result->ScanLine(0));
  }
}
BENCHMARK(BM_BlendByDifference)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole finished-change handler of an amount slider. The window paints
// what the last change left between two changes, as it does between two
// moves of the user's; with argument 1 that paint is timed too.
void BM_AmountSliderChanged(benchmark::State& state) {
  TSmoothWorld world;
  TFrm_Smooth* page = world.Page();
  const bool withPaint = state.range(0) != 0;
  TBenchThreads threads(state.range(1));
  for (auto _ : state) {
    page->Slider_Fine->SetValue(page->Slider_Fine->Value() == 0 ? 1 : 0);
    page->Slider_FineChanged(page->Slider_Fine);
    if (!withPaint) state.PauseTiming();
    world.Idle();
    if (!withPaint) state.ResumeTiming();
  }
  ReportPeakMemory(state);
}
// The same with the user pausing between changes long enough for the last
// entry's file to be written (not timed), as between two drags.
void BM_AmountSliderChangedAfterAPause(benchmark::State& state) {
  TSmoothWorld world;
  TFrm_Smooth* page = world.Page();
  TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    History->Flush();
    state.ResumeTiming();
    page->Slider_Fine->SetValue(page->Slider_Fine->Value() == 0 ? 1 : 0);
    page->Slider_FineChanged(page->Slider_Fine);
    world.Idle();
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_AmountSliderChangedAfterAPause)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_AmountSliderChanged)
    ->ArgNames({"paint", "threads"})
    ->ArgsProduct({{0, 1}, {1, AllBenchThreads()}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SmoothAndBlend(benchmark::State& state) {
  std::unique_ptr<TBitmap> source = Photo();
  int radius = 10;
  for (auto _ : state) {
    radius = radius == 10 ? 11 : 10;
    auto smoothed = SmoothPicture(source.get(), radius);
    auto result = BlendByDifference(source.get(), smoothed.get(), 0, {}, 50, 40);
    benchmark::DoNotOptimize(result->ScanLine(0));
  }
}
BENCHMARK(BM_SmoothAndBlend)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4);

// The whole finished-change handler of the radius slider, the paint between
// two changes as above.
void BM_RadiusSliderChanged(benchmark::State& state) {
  TSmoothWorld world;
  TFrm_Smooth* page = world.Page();
  const bool withPaint = state.range(0) != 0;
  TBenchThreads threads(state.range(1));
  for (auto _ : state) {
    page->Slider_Radius->SetValue(page->Slider_Radius->Value() == 10 ? 11 : 10);
    page->Slider_RadiusChanged(page->Slider_Radius);
    if (!withPaint) state.PauseTiming();
    world.Idle();
    if (!withPaint) state.ResumeTiming();
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_RadiusSliderChanged)
    ->ArgNames({"paint", "threads"})
    ->ArgsProduct({{0, 1}, {1, AllBenchThreads()}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(4);

// The same with a pause between changes in which the last entry's file is
// written (not timed): the smoothing and the blend then reuse the step's
// pictures instead of fresh pages.
void BM_RadiusSliderChangedAfterAPause(benchmark::State& state) {
  TSmoothWorld world;
  TFrm_Smooth* page = world.Page();
  TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    History->Flush();
    state.ResumeTiming();
    page->Slider_Radius->SetValue(page->Slider_Radius->Value() == 10 ? 11 : 10);
    page->Slider_RadiusChanged(page->Slider_Radius);
    world.Idle();
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_RadiusSliderChangedAfterAPause)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond)->MinTime(4);

// Handler and routines taken in turns on the same pictures, so a machine
// shared with other work slows both alike: the time is the handler's, the
// counters the means of both and of what the handler adds.
void PairedRun(benchmark::State& state, bool radius) {
  TSmoothWorld world;
  TFrm_Smooth* page = world.Page();
  using Clock = std::chrono::steady_clock;
  double routines = 0, handler = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    if (radius) {
      const int r = page->Slider_Radius->Value() == 10 ? 11 : 10;
      auto smoothed = SmoothPicture(page->SmoothSource.get(), r);
      auto result = BlendByDifference(page->SmoothSource.get(), smoothed.get(), 0, {}, 50, 40);
      benchmark::DoNotOptimize(result->ScanLine(0));
    } else {
      auto result = BlendByDifference(page->SmoothSource.get(), page->SmoothResult.get(), 1, {}, 50, 40);
      benchmark::DoNotOptimize(result->ScanLine(0));
    }
    const Clock::time_point t1 = Clock::now();
    if (radius) {
      page->Slider_Radius->SetValue(page->Slider_Radius->Value() == 10 ? 11 : 10);
      page->Slider_RadiusChanged(page->Slider_Radius);
    } else {
      page->Slider_Fine->SetValue(page->Slider_Fine->Value() == 0 ? 1 : 0);
      page->Slider_FineChanged(page->Slider_Fine);
    }
    const Clock::time_point t2 = Clock::now();
    world.Idle();
    const double r = std::chrono::duration<double>(t1 - t0).count(), h = std::chrono::duration<double>(t2 - t1).count();
    routines += r, handler += h;
    state.SetIterationTime(h);
  }
  const double n = double(state.iterations());
  state.counters["routines_ms"] = routines / n * 1e3;
  state.counters["handler_ms"] = handler / n * 1e3;
  state.counters["added_ms"] = (handler - routines) / n * 1e3;
}
void BM_AmountHandlerBesideBlend(benchmark::State& state) { PairedRun(state, false); }
BENCHMARK(BM_AmountHandlerBesideBlend)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3);
void BM_RadiusHandlerBesideSmoothing(benchmark::State& state) { PairedRun(state, true); }
BENCHMARK(BM_RadiusHandlerBesideSmoothing)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(6);

// The amount handler's three parts alone: the blend with the progress bar,
// the display at the fitted zoom, the history entry replaced.
void BM_PartRunBlend(benchmark::State& state) {
  TSmoothWorld world;
  for (auto _ : state) RunBlend(world.Page());
}
BENCHMARK(BM_PartRunBlend)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PartRedisplay(benchmark::State& state) {
  TSmoothWorld world;
  for (auto _ : state) Frm_Main->ShowPictureZoomed(WorkImage.get(), world.Page()->Image1, 0);
}
BENCHMARK(BM_PartRedisplay)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PartHistoryReplace(benchmark::State& state) {
  TSmoothWorld world;
  for (auto _ : state) {
    History->SetIndex(0);
    HistoryKeep(WorkImage.get());
  }
}
BENCHMARK(BM_PartHistoryReplace)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same entry written before the answer, as a step's first entry is.
void BM_PartHistoryWrittenAtOnce(benchmark::State& state) {
  TSmoothWorld world;
  for (auto _ : state) {
    History->SetIndex(0);
    HistoryPush(WorkImage.get());
  }
}
BENCHMARK(BM_PartHistoryWrittenAtOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The wizard's one-shot actions on a 12-megapixel photo (24 with
// LUMIQA_BENCH_MEGAPIXELS=24), driven through the real pages on the headless
// display: a blemish click and the size step's rotations through the rotate
// dialog. Each time runs from the user's last input (the click, the
// dialog's OK) to the painted result, and the peak memory of the process is
// reported.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/dialogs/uRotate.h"
#include "app/main/uMain.h"
#include "app/main/uMain_History.h"
#include "app/pages/uSize.h"
#include "app/pages/uStain_Form.h"
#include "app/pixels/BitmapRows.h"
#include "app/tools/RoundCursor.h"
#include "bench/BenchPhoto.h"
#include "bench/BenchThreads.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinCtrls.h"
#include "themed/buttons/KZUButton.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kW = BenchPhotoWidth(), kH = BenchPhotoHeight();

std::unique_ptr<TBitmap> Photo() { return BenchGrainPhoto(); }

// The wizard on the headless display in a 1920 x 1080 window, entered into
// one step with the photo fitted, its history in a folder of its own.
class TActionWorld {
 public:
  // `flow` as TFrm_Main::StepEnabled: size, highlight, colour, smoothing, blemish.
  explicit TActionWorld(const std::array<bool, 5>& flow) {
    saved_ = Application;
    Application = &app_;
    folder_ = GetTempPath() + "lumiqa-bench-actions-" + std::to_string(getpid());
    std::filesystem::create_directories(folder_);
    SetWizardFolder(folder_);
    app_.CreateForm(main_);
    main_->Show();
    main_->SetBounds(0, 0, 1920, 1080);
    session_.display.RunUntilIdle();
    photo_ = Photo();
    Reset();
    main_->FitPicture(WorkImage.get(), main_->StepForm->Image1, main_->StepForm->ScrollBox_Image1);
    main_->StepEnabled = {flow[0], flow[1], flow[2], flow[3], flow[4]};
    main_->Btn_NextClick(main_);
    session_.display.RunUntilIdle();
    History->Flush();
  }
  ~TActionWorld() {
    delete main_;
    app_.DestroyComponents();
    Application = saved_;
    SetWizardFolder("");
    std::filesystem::remove_all(folder_);
  }
  TFrm_Main* Main() const { return main_; }
  TStepPage* Page() const { return main_->StepForm; }
  void Idle() { session_.display.RunUntilIdle(); }
  THeadlessDisplay& Display() { return session_.display; }
  // The photo as it came, shown again at the fitted zoom (not timed).
  void Reset() {
    WorkImage = BitmapFromRows(BitmapRowsToRead(photo_.get()));
    if (main_->StepForm) {
      main_->FitPicture(WorkImage.get(), main_->StepForm->Image1, main_->StepForm->ScrollBox_Image1);
      Idle();
    }
  }

  // fn runs on the next modal form once it is up; its time stamp is taken
  // just before, so the caller times from there.
  void WhenModal(std::function<void(TForm*)> fn) {
    auto* t = new TTimer(&app_);
    t->SetInterval(20);
    t->SetOnTimer([this, t, fn](TObject*) {
      TForm* f = Screen->ActiveForm();
      if (!f || !f->Modal() || f == main_) return;
      t->SetEnabled(false);
      auto keep = fn;
      delete t;
      keep(f);
    });
  }

 private:
  THeadlessSession session_;
  TApplication app_{nullptr};
  TApplication* saved_ = nullptr;
  std::string folder_;
  TFrm_Main* main_ = nullptr;
  std::unique_ptr<TBitmap> photo_;
};

constexpr std::array<bool, 5> kSizeStep = {true, false, false, false, false};
constexpr std::array<bool, 5> kBlemishStep = {false, false, false, false, true};

void Report(benchmark::State& state) {
  state.SetLabel(std::to_string(kW) + "x" + std::to_string(kH));
  ReportPeakMemory(state);
}

// A left click of the eraser at radius 50 (display pixels) in the middle of
// the fitted picture: the fill, the display, the outline and the history push.
void BM_BlemishClick(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  TActionWorld world(kBlemishStep);
  auto* page = dynamic_cast<TFrm_Stain*>(world.Page());
  page->RoundCursor()->SetRadius(50);
  TImage* image = page->Image1;
  const TPoint centre = image->ClientToScreen(TPoint{image->Width() / 2, image->Height() / 2});
  world.Display().MouseMove(centre.X, centre.Y);
  world.Idle();
  for (auto _ : state) {
    const auto start = Clock::now();
    world.Display().Click(centre.X, centre.Y);
    world.Idle();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.PauseTiming();
    History->Flush();
    state.ResumeTiming();
  }
  Report(state);
}
BENCHMARK(BM_BlemishClick)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

// A turn chosen in the rotate dialog: the time runs from its OK.
void Rotate(benchmark::State& state, const std::function<void(TFrm_Rotate*)>& choose) {
  TBenchThreads threads(state.range(0));
  TActionWorld world(kSizeStep);
  auto* page = dynamic_cast<TFrm_Size*>(world.Page());
  for (auto _ : state) {
    Clock::time_point start;
    world.WhenModal([&](TForm* f) {
      auto* d = dynamic_cast<TFrm_Rotate*>(f);
      choose(d);
      start = Clock::now();
      d->Btn_OkClick(d->Btn_Ok);
    });
    page->Btn_RotateClick(nullptr);
    world.Idle();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.PauseTiming();
    History->Flush();
    world.Reset();
    state.ResumeTiming();
  }
  Report(state);
}

void BM_Rotate90(benchmark::State& state) {
  Rotate(state, [](TFrm_Rotate* d) {
    d->RB_P90D->SetChecked(true);
    d->RB_180DClick(d->RB_P90D);
  });
}
BENCHMARK(BM_Rotate90)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

void BM_Rotate3Point5(benchmark::State& state) {
  Rotate(state, [](TFrm_Rotate* d) {
    d->RB_POther->SetChecked(true);
    d->RB_180DClick(d->RB_POther);
    d->NEdt_POther->SetValue(3.5);
  });
}
BENCHMARK(BM_Rotate3Point5)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

}  // namespace

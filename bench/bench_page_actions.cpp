// The wizard's one-shot actions on a 12-megapixel photo (24 with
// LUMIQA_BENCH_MEGAPIXELS=24), driven through the real pages on the headless
// display: a blemish click, the size step's rotations, resize and crop
// through their dialogs and frame, and the JPEG save through the file
// dialog. Each time runs from the user's last input (the click, the
// dialog's OK, the double click on the frame) to the painted result, and the
// peak memory of the process is reported.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/dialogs/uLinkQuendrix.h"
#include "app/dialogs/uRotate.h"
#include "app/dialogs/uZoom.h"
#include "app/main/UBmpToJpg.h"
#include "app/main/uMain.h"
#include "app/main/uMain_History.h"
#include "app/pages/uSize.h"
#include "app/pages/uStain_Form.h"
#include "app/pixels/BitmapRows.h"
#include "app/tools/HandCutFrame.h"
#include "app/tools/RoundCursor.h"
#include "bench/BenchPhoto.h"
#include "bench/BenchThreads.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
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

  // fn runs on the next modal form once it is up (of class Form when one is
  // named); its time stamp is taken just before, so the caller times from
  // there.
  template <typename Form = TForm>
  void WhenModal(std::function<void(TForm*)> fn) {
    auto* t = new TTimer(&app_);
    t->SetInterval(20);
    t->SetOnTimer([this, t, fn](TObject*) {
      TForm* f = Screen->ActiveForm();
      if (!f || !f->Modal() || f == main_ || !dynamic_cast<Form*>(f)) return;
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
constexpr std::array<bool, 5> kSaveStep = {false, false, false, false, false};

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

// A resize to 5000 pixels wide (the height kept in scale) through the
// resize dialog, timed from its OK. The OK goes through the button as a
// click does, so its modal result closes the dialog.
void BM_Resize(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  TActionWorld world(kSizeStep);
  auto* page = dynamic_cast<TFrm_Size*>(world.Page());
  for (auto _ : state) {
    Clock::time_point start;
    world.WhenModal([&](TForm* f) {
      auto* d = dynamic_cast<TFrm_Zoom*>(f);
      d->SE_Width->SetValue(kW * 5 / 6);
      start = Clock::now();
      d->Btn_Ok->ButtonClick();
    });
    page->Btn_ZoomClick(nullptr);
    world.Idle();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.PauseTiming();
    History->Flush();
    world.Reset();
    state.ResumeTiming();
  }
  Report(state);
}
BENCHMARK(BM_Resize)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

// A crop to the middle of the display: the frame is laid (not timed), the
// time runs from the double click that takes it.
void BM_Crop(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  TActionWorld world(kSizeStep);
  auto* page = dynamic_cast<TFrm_Size*>(world.Page());
  for (auto _ : state) {
    state.PauseTiming();
    const int w = page->Image1->Width(), h = page->Image1->Height();
    page->CutFrame()->Start(w / 10, h / 10, w - w / 10, h - h / 10);
    world.Idle();
    state.ResumeTiming();
    const auto start = Clock::now();
    page->Image1DblClick(page->Image1);
    world.Idle();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.PauseTiming();
    History->Flush();
    world.Reset();
    state.ResumeTiming();
  }
  Report(state);
}
BENCHMARK(BM_Crop)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

// Opening a JPEG of the photo (quality 92) through the open dialog: the
// time runs from its OK to the fitted picture painted.
void BM_OpenJpeg(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  TActionWorld world(kSizeStep);
  const std::string name = "lumiqa-bench-open-" + std::to_string(getpid()) + ".jpg", file = GetTempPath() + name;
  {
    std::unique_ptr<TBitmap> photo = Photo();
    SaveAsJpeg(photo.get(), file, 92, nullptr);
  }
  for (auto _ : state) {
    Clock::time_point start;
    SetFileDialogTestHook([&](TFileDialogDriver& d) {
      d.Navigate(GetTempPath());
      d.TypeName(name);
      start = Clock::now();
      d.PressOk();
    });
    world.Main()->Modified = false;  // no question about dropping edits
    world.Main()->Btn_FileClick(nullptr);
    world.Idle();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  SetFileDialogTestHook(nullptr);
  std::filesystem::remove(file);
  Report(state);
}
BENCHMARK(BM_OpenJpeg)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

// The save step's JPEG save (quality 100) through the file dialog: the time
// runs from its OK to the after-save dialog.
void BM_SaveJpeg(benchmark::State& state) {
  TBenchThreads threads(state.range(0));
  TActionWorld world(kSaveStep);
  const std::string target = GetTempPath() + "lumiqa-bench-save-" + std::to_string(getpid()) + ".jpg";
  for (auto _ : state) {
    Clock::time_point start, end;
    SetFileDialogTestHook([&](TFileDialogDriver& d) {
      d.SetType(1);
      d.TypeName(target);
      d.Answers = {mrYes};
      start = Clock::now();
      d.PressOk();
    });
    world.WhenModal<TFrm_LinkQuendrix>([&](TForm* f) {
      end = Clock::now();
      f->SetModalResult(mrOk);
    });
    world.Main()->Btn_NextClick(world.Main());
    world.Idle();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  SetFileDialogTestHook(nullptr);
  std::filesystem::remove(target);
  Report(state);
}
BENCHMARK(BM_SaveJpeg)->ArgName("threads")->Arg(1)->Arg(AllBenchThreads())->UseManualTime()->Unit(
    benchmark::kMillisecond);

}  // namespace

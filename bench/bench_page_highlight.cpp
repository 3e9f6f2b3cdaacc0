// The highlight step's slider on a 12-megapixel portrait (4000 x 3000) with
// a face-sized rectangle: the whole finished-change handler (removal, paste
// into the picture, redisplay at the fitted zoom, re-attaching the frame,
// replacing the step's history entry) against the removal routine alone on
// the same patch, on the bitmap and on the mask's rows. The handler should
// cost at most the routine plus 30 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/tools/RectFrame.h"
#include "app/pixels/BitmapRows.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pages/uHighLight.h"
#include "app/main/uMain.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "bench/BenchPhoto.h"
#include "bench/BenchThreads.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "skin/controls/SkinCtrls_Slider.h"

namespace {

const int kW = BenchPhotoWidth(), kH = BenchPhotoHeight();
// The face's box: 1500 x 2000 of 4000 x 3000, about what a head-and-shoulders
// portrait holds.
const int kFaceLeft = kW * 1250 / 4000, kFaceTop = kH * 400 / 3000, kFaceWidth = kW * 1500 / 4000,
          kFaceHeight = kH * 2000 / 3000;

// Background, an oval of shaded skin with grain, and two shiny patches
// (forehead and nose) for the removal to work on.
std::unique_ptr<TBitmap> Portrait() {
  auto b = std::make_unique<TBitmap>(kW, kH, pf24bit);
  std::uint32_t seed = 2463534242u;
  const double cx = kFaceLeft + kFaceWidth / 2.0, cy = kFaceTop + kFaceHeight / 2.0;
  const double rx = kFaceWidth * 0.45, ry = kFaceHeight * 0.45;
  struct TShine {
    double x, y, r;
  } shines[] = {{cx, cy - ry * 0.55, 160}, {cx + 20, cy + 60, 90}};
  for (int y = 0; y < kH; ++y) {
    auto* p = static_cast<std::uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < kW; ++x, p += 3) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed & 7) - 3;
      const double fx = (x - cx) / rx, fy = (y - cy) / ry, d = fx * fx + fy * fy;
      if (d < 1) {
        double light = 1 - 0.25 * d;
        for (const TShine& s : shines) {
          const double sx = x - s.x, sy = y - s.y, e = (sx * sx + sy * sy) / (s.r * s.r);
          if (e < 1) light += 0.35 * (1 - e);
        }
        p[2] = std::uint8_t(std::min(255.0, 200 * light + grain));
        p[1] = std::uint8_t(std::min(255.0, 150 * light + grain));
        p[0] = std::uint8_t(std::min(255.0, 120 * light + grain));
      } else {
        p[0] = std::uint8_t(120 + grain), p[1] = std::uint8_t(90 + x * 40 / kW), p[2] = std::uint8_t(50 + grain);
      }
    }
  }
  return b;
}

// The wizard's main window on the headless display at the highlight step,
// with the face's rectangle drawn and its patch taken.
class THighLightStep {
 public:
  THighLightStep() {
    Application = &app_;
    folder_ = GetTempPath() + "lumiqa-bench-highlight-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder_);
    SetWizardFolder(folder_);
    app_.CreateForm(main_);
    main_->Show();
    session_.display.RunUntilIdle();
    WorkImage = Portrait();
    main_->FitPicture(WorkImage.get(), main_->StepForm->Image1, main_->StepForm->ScrollBox_Image1);
    main_->StepEnabled = {false, true, true, true, true};
    main_->Btn_NextClick(nullptr);
    session_.display.RunUntilIdle();
    page_ = dynamic_cast<TFrm_HighLight*>(main_->StepForm);
    // The rectangle as the mouse draws it, in display pixels.
    TImage* image = page_->Image1;
    const auto at = [](int v) { return int(std::floor(v * double(ZoomFactor))); };
    image->OnMouseDown(image, TMouseButton::mbLeft, 0, at(kFaceLeft), at(kFaceTop));
    image->OnMouseMove(image, ssLeft, at(kFaceLeft + kFaceWidth - 1), at(kFaceTop + kFaceHeight - 1));
    image->OnMouseUp(image, TMouseButton::mbLeft, 0, at(kFaceLeft + kFaceWidth - 1), at(kFaceTop + kFaceHeight - 1));
    session_.display.RunUntilIdle();
  }
  ~THighLightStep() {
    app_.DestroyComponents();
    WorkImage.reset();
    SetWizardFolder("");
    std::filesystem::remove_all(folder_);
    Application = saved_;
  }
  TFrm_HighLight* Page() const { return page_; }
  void Idle() { session_.display.RunUntilIdle(); }

 private:
  THeadlessSession session_;
  TApplication app_{nullptr};
  TApplication* saved_ = Application;
  TFrm_Main* main_ = nullptr;
  TFrm_HighLight* page_ = nullptr;
  std::string folder_;
};

void Label(benchmark::State& state, TFrm_HighLight* page) {
  const HighlightMask& mask = CurrentHighlightMask();
  std::int64_t shiny = 0;
  for (std::uint8_t h : mask.Highlight) shiny += h;
  state.SetLabel("patch " + std::to_string(page->Patch->Width()) + "x" + std::to_string(page->Patch->Height()) +
                 ", " + std::to_string(shiny) + " highlight pixels, zoom " + std::to_string(ZoomFactor));
}

// The slider's finished change, alternating between two amounts so every
// change replaces the rectangle's entry, with the paint it asks for.
void BM_HighlightSliderChange(benchmark::State& state) {
  THighLightStep step;
  TFrm_HighLight* page = step.Page();
  TBenchThreads threads(state.range(0));
  int amount = 40;
  for (auto _ : state) {
    amount = amount == 40 ? 80 : 40;
    page->Slider_Range->SetValue(amount);
    page->Slider_RangeChanged(page->Slider_Range);
    step.Idle();
  }
  Label(state, page);
  ReportPeakMemory(state);
}
BENCHMARK(BM_HighlightSliderChange)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond)->MinTime(3);

// The removal routine alone, on the same patch and mask.
void BM_HighlightRemovalRoutine(benchmark::State& state) {
  THighLightStep step;
  TFrm_HighLight* page = step.Page();
  int amount = 40;
  for (auto _ : state) {
    amount = amount == 40 ? 80 : 40;
    std::unique_ptr<TBitmap> result = ApplyHighlightRemoval(page->Patch.get(), amount);
    benchmark::DoNotOptimize(result->ScanLine(0));
  }
  Label(state, page);
}
BENCHMARK(BM_HighlightRemovalRoutine)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The routine on the rows of the mask the patch gave, as the handler calls
// it: the same pixels without the bitmap round trip.
void BM_HighlightRemovalRows(benchmark::State& state) {
  THighLightStep step;
  TFrm_HighLight* page = step.Page();
  int amount = 40;
  for (auto _ : state) {
    amount = amount == 40 ? 80 : 40;
    const RowImageBuffer result = ApplyHighlightRemoval(CurrentHighlightMask(), amount);
    benchmark::DoNotOptimize(result.Row(0));
  }
  Label(state, page);
}
BENCHMARK(BM_HighlightRemovalRows)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The mask made when the rectangle is set: skin test, the flood from the
// border, the brightest fifth and the regions with their rings.
void BM_HighlightMaskPreparation(benchmark::State& state) {
  THighLightStep step;
  TFrm_HighLight* page = step.Page();
  const RowImage patch = BitmapRowsToRead(page->Patch.get());
  TBenchThreads threads(state.range(0));
  for (auto _ : state) {
    const HighlightMask mask = PrepareHighlightMask(patch);
    benchmark::DoNotOptimize(mask.Highlight.data());
  }
  Label(state, page);
}
BENCHMARK(BM_HighlightMaskPreparation)->Apply(OneAndAllThreads)->Unit(benchmark::kMillisecond)->MinTime(2);

// The parts of the handler around the routine, each alone.
void BM_HighlightRedisplay(benchmark::State& state) {
  THighLightStep step;
  TFrm_HighLight* page = step.Page();
  for (auto _ : state) {
    Frm_Main->ShowPictureZoomed(WorkImage.get(), page->Image1, 0);
    page->Repaint();
    page->RectFrame()->Attach();
    step.Idle();
  }
  Label(state, page);
}
BENCHMARK(BM_HighlightRedisplay)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void BM_HighlightHistoryReplace(benchmark::State& state) {
  THighLightStep step;
  TFrm_HighLight* page = step.Page();
  HistoryPush(WorkImage.get());
  for (auto _ : state) HistoryReplaceCurrent(WorkImage.get());
  Label(state, page);
}
BENCHMARK(BM_HighlightHistoryReplace)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace

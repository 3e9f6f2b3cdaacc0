// Speed of the image view on a 24-megapixel photo (6000 x 4000) shown in a
// 1920 x 1080 view: recomposing the back buffer at 33 per cent without a
// filter and with the fast linear filter, each followed by the refresh of
// the window, and one step of a drag-scroll (the scroll, the composition
// and the refresh it paints at once); and the open dialog's preview of a
// 24-megapixel JPEG.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <memory>

#include "bench/BenchPhoto.h"
#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/view/pictoraview.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/User.h"

namespace {

constexpr int kViewW = 1920, kViewH = 1080, kPhotoW = 6000, kPhotoH = 4000;

class TBenchView {
 public:
  TBenchView() {
    StartImagingLibrary();
    saved_ = Application;
    Application = &app_;
    app_.CreateForm(form_);
    form_->SetBounds(0, 0, kViewW + 40, kViewH + 80);
    view_ = new TPictoraView(form_);
    view_->SetParent(form_);
    view_->SetBorderStyle(bsNone);
    view_->SetScrollBars(ssNone);
    view_->SetBounds(0, 0, kViewW, kViewH);
    TVQBitmap* img = view_->GetImage();
    img->Allocate(kPhotoW, kPhotoH, vqRGB24);
    std::uint32_t seed = 2463534242u;
    for (int y = 0; y < kPhotoH; ++y) {
      Byte* p = img->GetScanline(y);
      for (int x = 0; x < kPhotoW; ++x, p += 3) {
        seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
        p[0] = Byte(x * 150 / kPhotoW + (seed & 31));
        p[1] = Byte(y * 150 / kPhotoH + 50);
        p[2] = Byte((x + y) / 40);
      }
    }
    form_->Show();
    view_->Update();
    view_->SetZoom(33);
    UpdateWindow(view_->Handle());
  }
  ~TBenchView() {
    app_.DestroyComponents();
    Application = saved_;
    EndImagingLibrary();
  }
  TPictoraView* View() { return view_; }

 private:
  THeadlessSession session_;
  TApplication app_{nullptr};
  TApplication* saved_ = nullptr;
  TForm* form_ = nullptr;
  TPictoraView* view_ = nullptr;
};

void BenchRecompose(benchmark::State& state, TResampleFilter filter) {
  TBenchView b;
  TPictoraView* v = b.View();
  v->SetZoomFilter(filter);
  v->SetScrollXY(300, 200);
  for (auto _ : state) {
    v->Update();
    UpdateWindow(v->Handle());
  }
  state.counters["compositions"] = v->CompositionCount();
  ReportPeakMemory(state);
}

void BM_ViewRecompose24MPAt33NoFilter(benchmark::State& state) { BenchRecompose(state, rfNone); }
BENCHMARK(BM_ViewRecompose24MPAt33NoFilter)->Unit(benchmark::kMillisecond);

void BM_ViewRecompose24MPAt33FastLinear(benchmark::State& state) { BenchRecompose(state, rfFastLinear); }
BENCHMARK(BM_ViewRecompose24MPAt33FastLinear)->Unit(benchmark::kMillisecond);

// A drag moves the picture a few pixels per mouse move; each move scrolls,
// recomposes and refreshes at once. Arg: the zoom.
void BM_ViewDragScrollStep(benchmark::State& state) {
  TBenchView b;
  TPictoraView* v = b.View();
  v->SetZoom(double(state.range(0)));
  int step = 0;
  for (auto _ : state) {
    const int dx = (step++ & 1) ? 7 : -7;
    v->SetScrollXY(40 + dx, 40 + dx);
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_ViewDragScrollStep)->Arg(33)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond);

// The open dialog's preview of a 24-megapixel JPEG, from the selection in
// the file list to the picture painted in the pane (a scaled decode). Each
// round first selects a folder, which empties the pane.
void BM_PreviewJpeg24MP(benchmark::State& state) {
  THeadlessSession session;
  StartImagingLibrary();
  TApplication app(nullptr);
  TApplication* saved = Application;
  Application = &app;
  const std::string dir = GetTempPath() + "lumiqa-bench-preview-" + std::to_string(getpid());
  ForceDirectories(dir + "/folder");
  {
    TBitmap photo(kPhotoW, kPhotoH, pf24bit);
    for (int y = 0; y < kPhotoH; ++y) {
      Byte* p = static_cast<Byte*>(photo.ScanLine(y));
      for (int x = 0; x < kPhotoW; ++x, p += 3) {
        p[0] = Byte(x * 200 / kPhotoW + (y & 15));
        p[1] = Byte(y * 200 / kPhotoH);
        p[2] = Byte((x ^ y) & 63);
      }
    }
    TJPEGImage jpeg;
    jpeg.Assign(&photo);
    jpeg.SaveToFile(dir + "/photo.jpg");
  }
  TOpenPictoraDialog dialog(nullptr);
  dialog.SetInitialDir(dir);
  int shownWidth = 0;
  SetFileDialogTestHook([&](TFileDialogDriver& d) {
    for (auto _ : state) {
      state.PauseTiming();
      d.Select("folder");
      state.ResumeTiming();
      d.Select("photo.jpg");
    }
    if (auto* v = dynamic_cast<TPictoraView*>(dialog.FindComponent("PictoraView"))) shownWidth = v->ImageWidth();
    d.PressCancel();
  });
  dialog.Execute();
  SetFileDialogTestHook(nullptr);
  state.counters["decoded_width"] = shownWidth;
  DeleteFile(dir + "/photo.jpg");
  RemoveDir(dir + "/folder");
  RemoveDir(dir);
  Application = saved;
  EndImagingLibrary();
  ReportPeakMemory(state);
}
BENCHMARK(BM_PreviewJpeg24MP)->Unit(benchmark::kMillisecond);

}  // namespace

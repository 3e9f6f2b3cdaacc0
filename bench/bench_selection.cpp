// The selection tools on a full-screen (1920 x 1080) display: one marching
// ants tick of the crop frame, the rectangle frame and the lasso (drawing
// only, and with the repaint the headless display then does), and the whole
// re-render that ends a crop drag.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/tools/AntLine.h"
#include "app/tools/HandCutFrame.h"
#include "app/tools/RectFrame.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Timer.h"

namespace {

constexpr int kW = 1920, kH = 1080;

struct Screen1080 {
  THeadlessSession session;
  TApplication app{nullptr};
  TApplication* saved = Application;
  TImage* image = nullptr;

  Screen1080() {
    Application = &app;
    TForm* form = nullptr;
    app.CreateForm(form);
    form->SetBounds(0, 0, kW + 40, kH + 60);
    image = new TImage(form);
    image->SetParent(form);
    TBitmap b(kW, kH, pf24bit);
    image->Picture()->Assign(&b);
    const RowImage d = DisplayRows(image);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW * 3; ++x) d.Row(y)[x] = Byte(x * 7 + y * 3);
    form->Show();
    session.display.RunUntilIdle();
  }
  ~Screen1080() {
    app.DestroyComponents();
    Application = saved;
  }
  void Tick(TTimer* timer, bool paint) {
    timer->OnTimer()(timer);
    if (paint) session.display.RunUntilIdle();
  }
};

void BM_CropAntsTick(benchmark::State& state) {
  Screen1080 s;
  THandCutFrame frame(s.image);
  frame.Start(0, 0, kW - 1, kH - 1);
  for (auto _ : state) s.Tick(frame.Timer(), state.range(0) != 0);
}
BENCHMARK(BM_CropAntsTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RectAntsTick(benchmark::State& state) {
  Screen1080 s;
  TRectFrame frame(s.image);
  frame.Attach();
  s.image->OnMouseDown(s.image, TMouseButton::mbLeft, 0, 0, 0);
  s.image->OnMouseMove(s.image, 0, kW - 1, kH - 1);
  s.image->OnMouseUp(s.image, TMouseButton::mbLeft, 0, kW - 1, kH - 1);
  for (auto _ : state) s.Tick(frame.Timer(), state.range(0) != 0);
}
BENCHMARK(BM_RectAntsTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LassoAntsTick(benchmark::State& state) {
  Screen1080 s;
  TAntLine lasso(s.image);
  TImage* i = s.image;
  i->OnMouseDown(i, TMouseButton::mbLeft, 0, 0, 0);
  i->OnMouseMove(i, 0, kW - 1, 0);
  i->OnMouseMove(i, 0, kW - 1, kH - 1);
  i->OnMouseMove(i, 0, 0, kH - 1);
  i->OnMouseUp(i, TMouseButton::mbLeft, 0, 0, kH - 1);
  for (auto _ : state) s.Tick(lasso.Timer(), state.range(0) != 0);
  state.counters["path"] = double(lasso.Path().size());
}
BENCHMARK(BM_LassoAntsTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Press on the bottom-right corner, drag it, release: the whole re-render.
void BM_CropDragEnd(benchmark::State& state) {
  Screen1080 s;
  THandCutFrame frame(s.image);
  frame.Start(100, 100, kW - 101, kH - 101);
  TImage* i = s.image;
  int step = 0;
  for (auto _ : state) {
    const TRect f = frame.Frame();
    const int to = (step++ & 1) ? 20 : -20;
    i->OnMouseDown(i, TMouseButton::mbLeft, 0, f.Right, f.Bottom);
    i->OnMouseMove(i, 0, f.Right + to, f.Bottom + to);
    i->OnMouseUp(i, TMouseButton::mbLeft, 0, f.Right + to, f.Bottom + to);
  }
}
BENCHMARK(BM_CropDragEnd)->Unit(benchmark::kMillisecond)->UseRealTime();

// Drawing and closing a full-screen lasso, region and stray removal included.
void BM_LassoFullScreen(benchmark::State& state) {
  Screen1080 s;
  TAntLine lasso(s.image);
  TImage* i = s.image;
  for (auto _ : state) {
    i->OnMouseDown(i, TMouseButton::mbLeft, 0, 0, 0);
    i->OnMouseMove(i, 0, kW - 1, 0);
    i->OnMouseMove(i, 0, kW - 1, kH - 1);
    i->OnMouseMove(i, 0, 0, kH - 1);
    i->OnMouseUp(i, TMouseButton::mbLeft, 0, 0, kH - 1);
  }
}
BENCHMARK(BM_LassoFullScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

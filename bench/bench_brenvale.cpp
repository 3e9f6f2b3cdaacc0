// The skinned frame at the wizard's sizes: a full frame repaint of the main
// window (891 x 645) and of a maximized 1920 x 1080 window, the hit test
// across the frame, and a caption-button hover (enter and leave with the
// button's own redraw). Targets: repaint under 8 ms, hover under 1 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"

namespace {

const std::string kWizardSkin = std::string(LUMIQA_SOURCE_DIR) + "/resources/Skin/Skin.ini";

struct Scene {
  THeadlessSession session;
  TApplication app{nullptr};
  TApplication* saved = Application;
  TForm* form = nullptr;
  TspBrenvale* ctl = nullptr;
  bool ok = false;
  Scene(int w, int h) {
    Application = &app;
    session.display.SetMonitors({TMonitorRec{RECT{0, 0, 2560, 1440}, RECT{0, 0, 2560, 1400}, true}});
    app.CreateForm(form);
    form->SetBounds(0, 0, w, h);
    form->SetCaption("Lumiqa2011--轻松五步打造出您的Lumiqa");
    ctl = new TspBrenvale(form);
    auto* skin = new TspSkinData(form);
    ok = skin->LoadFromFile(kWizardSkin);
    ctl->SetSkinData(skin);
    form->Show();
    SetForegroundWindow(form->Handle());
    session.display.RunUntilIdle();
  }
  ~Scene() {
    app.DestroyComponents();
    Application = saved;
  }
};

void Repaint(benchmark::State& state, int w, int h) {
  Scene scene(w, h);
  if (!scene.ok) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  for (auto _ : state) SendMessage(scene.form->Handle(), WM_NCPAINT, 1, 0);
}

void BM_FrameRepaintWizard891x645(benchmark::State& state) { Repaint(state, 891, 645); }
BENCHMARK(BM_FrameRepaintWizard891x645)->Unit(benchmark::kMillisecond);

void BM_FrameRepaintMaximized1920x1080(benchmark::State& state) { Repaint(state, 1920, 1080); }
BENCHMARK(BM_FrameRepaintMaximized1920x1080)->Unit(benchmark::kMillisecond);

void BM_HitTestAcrossTheFrame(benchmark::State& state) {
  Scene scene(891, 645);
  if (!scene.ok) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  HWND h = scene.form->Handle();
  // A ring of points along the frame and through the caption.
  std::vector<LPARAM> points;
  for (int x = 0; x < 891; x += 7) {
    points.push_back(MAKELPARAM(x, 2));
    points.push_back(MAKELPARAM(x, 15));
    points.push_back(MAKELPARAM(x, 643));
  }
  for (int y = 0; y < 645; y += 7) {
    points.push_back(MAKELPARAM(1, y));
    points.push_back(MAKELPARAM(889, y));
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SendMessage(h, WM_NCHITTEST, 0, points[i]));
    if (++i == points.size()) i = 0;
  }
}
BENCHMARK(BM_HitTestAcrossTheFrame);

void BM_CaptionButtonHover(benchmark::State& state) {
  // Without the caption-button classes the root object stands in: the same
  // hover path, the same copy of the active image.
  const TspSkinObjectFactory saved = SkinObjectFactory();
  if (!SkinObjectFactory().FromDescription)
    SkinObjectFactory().FromDescription = [](TspBrenvale* c, TspDataSkinObject* d) {
      return std::make_unique<TspActiveSkinObject>(c, d);
    };
  Scene scene(891, 645);
  SkinObjectFactory() = saved;
  if (!scene.ok) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  // Every hover change redraws the button at once (no morph timer).
  scene.ctl->SkinData()->EnableSkinEffects = false;
  TspActiveSkinObject* button = nullptr;
  for (auto& o : scene.ctl->ObjectList)
    if (o->IDName == "closebutton") button = o.get();
  if (!button) {
    state.SkipWithError("no close button object");
    return;
  }
  // The stand-ins do not flow into the caption's button row; give the
  // button a place of its own.
  if (!button->Command() || button->Command() < 0) button->ObjectRect = TRect{400, 300, 430, 322};
  const TRect r = button->ObjectRect;
  const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
  scene.ctl->HoverTest(x, y, true);
  if (scene.ctl->HoveredObject() != button) {
    state.SkipWithError("the button does not hover (form not active?)");
    return;
  }
  // Away from the button: the middle of the window, where no object lies.
  for (auto _ : state) {
    scene.ctl->HoverTest(x, y, true);
    scene.ctl->HoverTest(445, 200, true);
  }
  if (scene.ctl->HoveredIndex != -1) state.SkipWithError("the hover did not follow");
}
BENCHMARK(BM_CaptionButtonHover)->Unit(benchmark::kMicrosecond);

}  // namespace

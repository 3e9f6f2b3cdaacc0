// Skinned controls at the wizard's sizes: one frame of a button's state
// morph (two faces composed and mixed) and one frame of a slider drag (the
// thumb moved and the slider repainted through its off-screen bitmap). Each
// must stay well under 2 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/SkinCtrls_Slider.h"

namespace {

const std::string kWizardSkin = std::string(LUMIQA_SOURCE_DIR) + "/resources/Skin/Skin.ini";

struct Scene {
  THeadlessSession session;
  TApplication app{nullptr};
  TApplication* saved = Application;
  TForm* form = nullptr;
  Scene() {
    Application = &app;
    app.CreateForm(form);
    form->SetBounds(100, 100, 400, 200);
    form->Show();
    session.display.RunUntilIdle();
  }
  ~Scene() {
    app.DestroyComponents();
    Application = saved;
  }
};

void BM_ButtonMorphFrame75x25(benchmark::State& state) {
  Scene scene;
  auto* skin = new TspSkinData(scene.form);
  if (!skin->LoadFromFile(kWizardSkin)) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  auto* b = new TspSkinButton(scene.form);
  b->SetParent(scene.form);
  b->SetSkinData(skin);
  b->SetBounds(10, 10, 75, 25);
  b->SetCaption("确  定");
  scene.session.display.RunUntilIdle();
  int step = 0;
  for (auto _ : state) {
    b->MorphRatio = 0.2 * (1 + step++ % 4);  // the four mixed frames of a fade
    b->Repaint();
  }
}
BENCHMARK(BM_ButtonMorphFrame75x25)->Unit(benchmark::kMicrosecond);

void BM_SliderDragFrame150x30(benchmark::State& state) {
  Scene scene;
  auto* sl = new TspSkinSlider(scene.form);
  sl->SetParent(scene.form);
  sl->SetBounds(10, 50, 150, 30);
  sl->SetOptions(soSmooth);
  sl->SetIncrement(1);
  sl->SetTransparent(true);
  scene.session.display.RunUntilIdle();
  int v = 0;
  for (auto _ : state) {
    v = (v + 7) % 101;
    sl->SetValue(v);
    sl->Update();
  }
}
BENCHMARK(BM_SliderDragFrame150x30)->Unit(benchmark::kMicrosecond);

}  // namespace

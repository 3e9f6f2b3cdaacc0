// Skinned controls that repaint on every change, at the wizard's sizes: one
// spin-edit step (value, both texts and the repaint of the field and its
// buttons), a numeric-edit keystroke's text change, and one status-bar
// paint with its grip, each in the default look and from the wizard's skin.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls_Panel.h"

namespace {

const std::string kWizardSkin = std::string(LUMIQA_SOURCE_DIR) + "/resources/Skin/Skin.ini";

struct Scene {
  THeadlessSession session;
  TApplication app{nullptr};
  TApplication* saved = Application;
  TForm* form = nullptr;
  TspSkinData* skin = nullptr;
  explicit Scene(bool skinned) {
    Application = &app;
    app.CreateForm(form);
    form->SetBounds(100, 100, 600, 300);
    if (skinned) {
      skin = new TspSkinData(form);
      if (!skin->LoadFromFile(kWizardSkin)) skin = nullptr;
    }
    form->Show();
    session.display.RunUntilIdle();
  }
  ~Scene() {
    app.DestroyComponents();
    Application = saved;
  }
};

void BM_SpinEditStep120x20(benchmark::State& state) {
  Scene scene(state.range(0) != 0);
  if (state.range(0) && !scene.skin) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  auto* sp = new TspSkinSpinEdit(scene.form);
  sp->SetParent(scene.form);
  sp->SetBounds(10, 10, 120, 20);
  if (scene.skin) sp->SetSkinData(scene.skin);
  scene.session.display.RunUntilIdle();
  for (auto _ : state) {
    sp->StepUp();
    sp->Update();
    sp->Edit()->Update();
  }
}
BENCHMARK(BM_SpinEditStep120x20)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_NumericEditKeystroke100x20(benchmark::State& state) {
  Scene scene(false);
  auto* ed = new TspSkinNumericEdit(scene.form);
  ed->SetParent(scene.form);
  ed->SetBounds(10, 40, 100, 20);
  ed->SetValueType(vtFloat);
  scene.session.display.RunUntilIdle();
  const char* texts[] = {"1", "12", "12.", "12.5", "12.50"};
  int i = 0;
  for (auto _ : state) {
    ed->SetText(texts[i++ % 5]);
    ed->Update();
  }
}
BENCHMARK(BM_NumericEditKeystroke100x20)->Unit(benchmark::kMicrosecond);

void BM_StatusBarPaint600x21(benchmark::State& state) {
  Scene scene(state.range(0) != 0);
  if (state.range(0) && !scene.skin) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  auto* bar = new TspSkinStatusBar(scene.form);
  bar->SetParent(scene.form);
  bar->SetSizeGrip(true);
  if (scene.skin) bar->SetSkinData(scene.skin);
  scene.session.display.RunUntilIdle();
  for (auto _ : state) bar->Repaint();
}
BENCHMARK(BM_StatusBarPaint600x21)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

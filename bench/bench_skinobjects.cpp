// Frame objects at the wizard's sizes: one caption redraw of an 800-pixel
// window (the strip built, the Chinese title shortened, placed and drawn),
// plain and with the glow effect, and one frame of a caption button's
// morph. A caption redraw runs on every activation change and window size
// step, so it must stay well under a frame (16 ms), the plain one under 2 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Objects.h"

namespace {

const std::string kWizardSkin = std::string(LUMIQA_SOURCE_DIR) + "/resources/Skin/Skin.ini";

struct Scene {
  THeadlessSession session;
  TApplication app{nullptr};
  TApplication* saved = Application;
  TForm* form = nullptr;
  TspBrenvale* controller = nullptr;
  TspSkinData* skin = nullptr;
  bool ok = false;
  Scene() {
    Application = &app;
    app.CreateForm(form);
    form->SetBounds(100, 100, 800, 600);
    form->SetCaption("Lumiqa 人像精修向导 — 五个简单步骤完成您的作品，打开、调整、保存");
    controller = new TspBrenvale(form);
    skin = new TspSkinData(form);
    ok = skin->LoadFromFile(kWizardSkin);
    controller->SetSkinData(skin);
    form->Show();
    session.display.RunUntilIdle();
  }
  ~Scene() {
    app.DestroyComponents();
    Application = saved;
  }
};

void CaptionRedraw(benchmark::State& state, bool glow) {
  Scene scene;
  if (!scene.ok) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  auto object = CreateCaptionObjectFromDescription(scene.controller, scene.skin->FindObject<TspDataSkinObject>("caption"));
  auto* caption = dynamic_cast<TspSkinCaptionObject*>(object.get());
  if (!caption) {
    state.SkipWithError("no caption in the wizard skin");
    return;
  }
  caption->ObjectRect = TRect{8, 4, 8 + 700, 4 + RectHeight(caption->SkinRect)};
  caption->GlowEffect = glow;
  caption->GlowSize = 4;
  TBitmap target(800, 40, pf24bit);
  for (auto _ : state) caption->Draw(target.Canvas(), true);
}

void BM_CaptionRedraw800(benchmark::State& state) { CaptionRedraw(state, false); }
BENCHMARK(BM_CaptionRedraw800)->Unit(benchmark::kMicrosecond);

void BM_CaptionRedrawGlow800(benchmark::State& state) { CaptionRedraw(state, true); }
BENCHMARK(BM_CaptionRedrawGlow800)->Unit(benchmark::kMicrosecond);

void BM_CaptionButtonMorphFrame(benchmark::State& state) {
  Scene scene;
  if (!scene.ok) {
    state.SkipWithError("wizard skin not found");
    return;
  }
  auto object =
      CreateCaptionObjectFromDescription(scene.controller, scene.skin->FindObject<TspDataSkinObject>("closebutton"));
  if (!object) {
    state.SkipWithError("no close button in the wizard skin");
    return;
  }
  object->ObjectRect = TRect{0, 0, RectWidth(object->SkinRect), RectHeight(object->SkinRect)};
  object->Active = true;
  TBitmap target(64, 32, pf24bit);
  int step = 0;
  for (auto _ : state) {
    object->MorphRatio = 0.2 * (1 + step++ % 4);  // the four mixed frames of a fade
    object->Draw(target.Canvas(), true);
  }
}
BENCHMARK(BM_CaptionButtonMorphFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

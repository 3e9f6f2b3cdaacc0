// Skinned popup menus with the wizard's skin and in the default look: one
// full paint of a ten-row level through its off-screen bitmap, and one
// hover step (the mouse moves from one row to the next: two rows redrawn
// on the window).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/SkinMenus.h"

namespace {

const std::string kWizardSkin = std::string(LUMIQA_SOURCE_DIR) + "/resources/Skin/Skin.ini";

struct Scene {
  THeadlessSession session;
  TApplication app{nullptr};
  TApplication* saved = Application;
  TForm* form = nullptr;
  TspSkinMenu* menu = nullptr;
  TPopupMenu* items = nullptr;
  TspSkinData* skin = nullptr;
  bool ok = true;
  explicit Scene(bool skinned) {
    Application = &app;
    app.CreateForm(form);
    form->SetBounds(100, 100, 400, 300);
    form->Show();
    menu = new TspSkinMenu(form, form);
    items = new TPopupMenu(form);
    for (int i = 0; i < 10; ++i) {
      auto* it = new TMenuItem(items);
      it->SetCaption(i == 4 ? "-" : "\xE8\x8F\x9C\xE5\x8D\x95\xE9\xA1\xB9 Item " + std::to_string(i));
      if (i == 2) it->SetShortCut(TextToShortCut("Ctrl+S"));
      if (i == 3) it->SetChecked(true);
      items->Items()->Add(it);
    }
    if (skinned) {
      skin = new TspSkinData(form);
      ok = skin->LoadFromFile(kWizardSkin);
    }
    menu->PopupMenu(nullptr, skin, 0, TRect{150, 150, 150, 150}, items->Items(), false);
    session.display.RunUntilIdle();
  }
  ~Scene() {
    menu->CloseAll();
    app.DestroyComponents();
    Application = saved;
  }
};

void PopupPaint(benchmark::State& state, bool skinned) {
  Scene scene(skinned);
  if (!scene.ok || scene.menu->PopupWindows.empty()) {
    state.SkipWithError("no menu");
    return;
  }
  TspSkinPopupWindow* w = scene.menu->PopupWindows[0].get();
  TBitmap target;
  target.SetSize(w->Width(), w->Height());
  for (auto _ : state) w->PaintTo(target.Canvas());
}
void BM_SkinPopupPaintWizardSkin(benchmark::State& state) { PopupPaint(state, true); }
void BM_SkinPopupPaintDefaultLook(benchmark::State& state) { PopupPaint(state, false); }
BENCHMARK(BM_SkinPopupPaintWizardSkin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SkinPopupPaintDefaultLook)->Unit(benchmark::kMicrosecond);

void HoverStep(benchmark::State& state, bool skinned) {
  Scene scene(skinned);
  if (!scene.ok || scene.menu->PopupWindows.empty()) {
    state.SkipWithError("no menu");
    return;
  }
  TspSkinPopupWindow* w = scene.menu->PopupWindows[0].get();
  const TRect a = w->Items[5]->Bounds, b = w->Items[6]->Bounds;
  int step = 0;
  for (auto _ : state) {
    const TRect& r = (step++ & 1) ? a : b;
    w->MouseMoveTo(r.Left + 10, r.Top + 3);
  }
}
void BM_SkinPopupHoverStepWizardSkin(benchmark::State& state) { HoverStep(state, true); }
void BM_SkinPopupHoverStepDefaultLook(benchmark::State& state) { HoverStep(state, false); }
BENCHMARK(BM_SkinPopupHoverStepWizardSkin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SkinPopupHoverStepDefaultLook)->Unit(benchmark::kMicrosecond);

}  // namespace

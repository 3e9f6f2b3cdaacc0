// An MDI main form with a skinned-form controller, and skinned MDI children
// with their own controllers, for the main menu bar and the MDI tabs bar.
#pragma once
#include <string>
#include <vector>

#include "platform/ui/menus/Menus.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/SkinMenus.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

namespace skinbars {

using namespace skinctl;

class SkinBarsTest : public SkinControlsTest {
 protected:
  TspBrenvale* ctl = nullptr;
  std::vector<std::string> clicks;

  // The test's form as the application's skinned MDI main form.
  void MakeMDIForm(int w = 600, int h = 400) {
    form->SetName("Main");
    form->SetCaption("Main");
    form->SetFormStyle(fsMDIForm);
    form->SetBounds(0, 0, w, h);
    ctl = new TspBrenvale(form);
    if (skin) ctl->SetSkinData(skin);
  }
  // A top-level item with sub-items (or a command without them) that log
  // their clicks.
  TMenuItem* AddItem(TMenu* menu, const std::string& name, const std::string& caption, Byte group,
                     std::vector<std::string> subs) {
    auto* top = new TMenuItem(menu->Owner());
    top->SetName(name);
    top->SetCaption(caption);
    top->SetGroupIndex(group);
    if (subs.empty()) top->OnClick = [this, name](TObject*) { clicks.push_back(name); };
    for (const std::string& s : subs) {
      auto* it = new TMenuItem(menu->Owner());
      it->SetCaption(s);
      it->OnClick = [this, s](TObject*) { clicks.push_back(s); };
      top->Add(it);
    }
    menu->Items()->Add(top);
    return top;
  }
  // A shown MDI child with a controller; freed when closed.
  TForm* Child(const std::string& name, const std::string& caption = "") {
    auto* c = new TForm(&app);
    c->SetName(name);
    c->SetCaption(caption.empty() ? name : caption);
    c->SetFormStyle(fsMDIChild);
    c->SetBounds(10, 10, 200, 150);
    c->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    auto* k = new TspBrenvale(c);
    if (skin) k->SetSkinData(skin);
    c->Show();
    Idle();
    return c;
  }
  // Through the application, so its message callback (the controller's
  // menu hook) sees the keys.
  void Idle() {
    app.ProcessMessages();
    s.display.RunUntilIdle();
  }
  void Advance(int ms) {
    s.display.AdvanceTime(ms);
    Idle();
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    Idle();
  }
  TspSkinMenu* Manager() { return ctl->SkinMenu; }
  bool MenuOpen() { return ctl->SkinMenu && ctl->SkinMenu->Visible; }
  // The first row's item of the first open menu level.
  TMenuItem* FirstOpenRow() {
    if (!MenuOpen() || Manager()->PopupWindows.empty() || Manager()->PopupWindows.front()->Items.empty())
      return nullptr;
    return Manager()->PopupWindows.front()->Items.front()->Item;
  }
  void Click(TControl* c, int x, int y) {
    Press(c, x, y);
    Release(c, x, y);
  }
  // Alt pressed and released alone: keyboard menu mode.
  void Alt() {
    s.display.KeyDown(VK_MENU);
    s.display.KeyUp(VK_MENU);
    Idle();
  }
};

}  // namespace skinbars

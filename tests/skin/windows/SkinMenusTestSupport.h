// A shown form on the headless display with a skinned menu manager, a
// stand-in controller that hands the manager to popup menus, a menu tree
// that logs its clicks, and pixel helpers. Snapshots go to
// $LUMIQA_SNAPSHOT_DIR as PNG when it is set.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/skin/engine/QuietSkinBroadcast.h"
#include "platform/graphics/DebugImage.h"
#include "platform/user/User.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/SkinMenus.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace skinmenus {

// What a skinned form's controller gives popup menus.
class TTestController : public TComponent, public TspSkinMenuController {
 public:
  TTestController(TCustomForm* form, std::vector<std::string>* log)
      : TComponent(form), form_(form), log_(log), menu(new TspSkinMenu(this, form)) {}
  TspSkinMenu* SkinMenuManager() override { return menu; }
  TspSkinData* MenusSkinDataOf() override { return skin; }
  TCustomForm* ControllerForm() override { return form_; }
  void SkinMenuOpened() override { log_->push_back("opened"); }
  void SkinMenuClosed() override { log_->push_back("closed-handling"); }
  TspSkinData* skin = nullptr;

 private:
  TCustomForm* form_;
  std::vector<std::string>* log_;

 public:
  TspSkinMenu* menu;
};

// A control that logs the skinned menu messages it gets.
class TLoggingControl : public TCustomControl {
 public:
  TLoggingControl(TComponent* owner, std::vector<std::string>* log) : TCustomControl(owner), log_(log) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == SP_MENU_CLOSED) log_->push_back("opener-closed");
    if (m.Msg == SP_MENU_COMMAND) log_->push_back("opener-command");
    TCustomControl::WndProc(m);
  }

 private:
  std::vector<std::string>* log_;
};

class SkinMenusTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TTestController* ctl = nullptr;
  TspSkinMenu* menu = nullptr;
  TspSkinPopupMenu* popup = nullptr;
  std::vector<std::string> log;

  void SetUp() override {
    savedBroadcast_ = SilenceSkinBroadcast();
    form = NewForm(100, 100, 400, 300);
    form->SetColor(0x000000FF);
    ctl = new TTestController(form, &log);
    menu = ctl->menu;
    popup = new TspSkinPopupMenu(form);
    form->Show();
    // The pointer rests away from where the menus open (it stays where the
    // last test left it otherwise, and the menus follow it).
    s.display.MouseMove(1, 1);
    Idle();
  }
  void TearDown() override { SkinBroadcast() = savedBroadcast_; }

  void Idle() {
    app.ProcessMessages();
    s.display.RunUntilIdle();
  }
  void Advance(int ms) {
    s.display.AdvanceTime(ms);
    Idle();
  }
  void LoadWizardSkin() {
    auto* sd = new TspSkinData(form);
    ASSERT_TRUE(sd->LoadFromFile(kWizardSkin)) << sd->LastLoadError;
    ctl->skin = sd;
  }
  // An item of root named by caption; it logs its click.
  TMenuItem* Add(TMenuItem* root, const std::string& caption, TShortCut sc = scNone) {
    auto* it = new TMenuItem(popup);
    it->SetCaption(caption);
    it->SetShortCut(sc);
    it->OnClick = [this, caption](TObject*) { log.push_back("click " + caption); };
    root->Add(it);
    return it;
  }
  // Open, Save..., -, Recent > (One, Two), Disabled (off), Exit
  void BuildMenu() {
    TMenuItem* root = popup->Items();
    Add(root, "&Open", TextToShortCut("Ctrl+O"));
    Add(root, "&Save...");
    Add(root, "-");
    TMenuItem* recent = Add(root, "&Recent");
    Add(recent, "O&ne");
    Add(recent, "&Two");
    Add(root, "&Disabled")->SetEnabled(false);
    Add(root, "E&xit");
  }
  TspSkinPopupWindow* Level(int i) const {
    return i < int(menu->PopupWindows.size()) ? menu->PopupWindows[std::size_t(i)].get() : nullptr;
  }
  int Levels() const { return int(menu->PopupWindows.size()); }
  std::string SelectedCaption(int level) const {
    TspSkinPopupWindow* w = Level(level);
    if (!w || w->SelectedRow < 0) return "";
    return w->Items[std::size_t(w->SelectedRow)]->Item->Caption();
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    Idle();
  }
  // The screen point at the middle of a row of a level.
  TPoint RowPoint(int level, int row) const {
    TspSkinPopupWindow* w = Level(level);
    RECT r{};
    GetWindowRect(w->Handle(), &r);
    const TRect b = w->Items[std::size_t(row)]->Bounds;
    return TPoint{r.Left + (b.Left + b.Right) / 2, r.Top + (b.Top + b.Bottom) / 2};
  }
  void MoveTo(TPoint p) {
    s.display.MouseMove(p.X, p.Y);
    Idle();
  }
  static TRect WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
  }
  TColor PixelOf(HWND h, int x, int y) { return TColor(s.display.PixelAt(h, x, y)); }
  void Snapshot(HWND h, const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    const TRect r = WindowRect(h);
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(r.Width(), r.Height());
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, PixelOf(h, x, y));
    SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }

 private:
  TspSkinBroadcast savedBroadcast_;
};

}  // namespace skinmenus

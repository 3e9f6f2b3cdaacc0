// The tray icon on the headless display's recorded notification area: the
// icon and its tip, clicks and double clicks by the double-click time, the
// menu, icon cycling, the re-add after the notification area restarts, and
// minimizing to and restoring from the tray through the controller.
#include <gtest/gtest.h>

#include "platform/graphics/ImageList.h"
#include "platform/ui/menus/Menus.h"
#include "skin/windows/SkinMenus.h"
#include "skin/windows/spTrayIcon.h"
#include "tests/skin/windows/BrenvaleObjectsTestSupport.h"

using namespace skinobj;

namespace {

class TrayIconTest : public BrenvaleObjectsTest {
 protected:
  TspTrayIcon* tray = nullptr;
  std::vector<std::string> log;

  void NewTray() {
    tray = new TspTrayIcon(form);
    tray->OnClick = [this](TObject*) { log.push_back("click"); };
    tray->OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
    tray->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int, int) {
      log.push_back(b == TMouseButton::mbLeft ? "down left" : b == TMouseButton::mbRight ? "down right" : "down middle");
    };
    tray->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int, int) {
      log.push_back(b == TMouseButton::mbLeft ? "up left" : b == TMouseButton::mbRight ? "up right" : "up middle");
    };
  }
  void Mouse(UINT msg) {
    ASSERT_TRUE(s.display.TrayMouse(tray->WindowHandle(), 1, msg));
    Idle();
  }
  TImageList* Icons(int n) {
    auto* list = new TImageList(form, 16, 16);
    for (int i = 0; i < n; ++i) {
      TBitmap b(16, 16, pf24bit);
      b.Canvas()->Brush()->SetColor(TColor(0x00100000 * (i + 1)));
      b.Canvas()->FillRect(TRect{0, 0, 16, 16});
      list->Add(&b, nullptr);
    }
    return list;
  }
};

TEST_F(TrayIconTest, ShowsItsIconWithTheTipCutTo127Characters) {
  NewTray();
  tray->SetIconList(Icons(1));
  tray->SetHint(std::string(200, 'h'));
  EXPECT_TRUE(tray->ShowIcon());
  ASSERT_EQ(s.display.TrayIcons.size(), 1u);
  const TTrayIconRec& r = s.display.TrayIcons[0];
  EXPECT_EQ(r.tip, std::string(127, 'h'));
  EXPECT_EQ(r.callbackMessage, 0x0800u);
  EXPECT_EQ(r.width, 16);
  EXPECT_EQ(r.argb[0] & 0xFFFFFF, 0x000010u);  // the list's first icon: 0x00100000 is blue 0x10
  tray->SetShowHint(false);
  EXPECT_EQ(s.display.TrayIcons[0].tip, "");
  EXPECT_TRUE(tray->HideIcon());
  EXPECT_TRUE(s.display.TrayIcons.empty());
  EXPECT_FALSE(tray->IconVisible());
}

TEST_F(TrayIconTest, AClickWaitsForTheDoubleClickTimeAndADoubleClickIsNoClick) {
  NewTray();
  tray->ShowIcon();
  const int dbl = int(GetDoubleClickTime());
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  EXPECT_EQ(log, (std::vector<std::string>{"down left", "up left"}));
  Advance(dbl + 1);
  EXPECT_EQ(log.back(), "click");
  log.clear();
  // Released after the double-click time: the click comes at the release.
  Mouse(WM_LBUTTONDOWN);
  Advance(dbl + 1);
  Mouse(WM_LBUTTONUP);
  EXPECT_EQ(log, (std::vector<std::string>{"down left", "click", "up left"}));
  log.clear();
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  Mouse(WM_LBUTTONDBLCLK);
  Mouse(WM_LBUTTONUP);
  Advance(dbl + 1);
  EXPECT_EQ(log, (std::vector<std::string>{"down left", "up left", "dblclick", "up left"}));
  log.clear();
  // Disabled: the icon's mouse is ignored.
  tray->Enabled = false;
  Mouse(WM_RBUTTONDOWN);
  EXPECT_TRUE(log.empty());
}

TEST_F(TrayIconTest, ADoubleClickRunsTheMenusDefaultItemUnlessTheLeftButtonPopsIt) {
  NewTray();
  auto* menu = new TspSkinPopupMenu(form);
  for (const char* c : {"One", "Two", "Three"}) {
    auto* it = new TMenuItem(menu);
    it->SetCaption(c);
    it->OnClick = [this, c](TObject*) { log.push_back(std::string("item ") + c); };
    menu->Items()->Add(it);
  }
  menu->Items()->Items(1)->SetDefault(true);
  tray->PopupMenu = menu;
  tray->ShowIcon();
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(log, (std::vector<std::string>{"dblclick", "item Two"}));
  log.clear();
  tray->PopupByLeftButton = true;
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(log, (std::vector<std::string>{"dblclick"}));
  // The right button pops the menu at the cursor, with the tray icon as
  // its popup component.
  bool popped = false;
  menu->OnPopup = [&](TObject*) { popped = true; };
  s.display.MouseMove(300, 200);
  Mouse(WM_RBUTTONDOWN);
  EXPECT_TRUE(popped);
  EXPECT_EQ(menu->PopupComponent(), tray);
}

TEST_F(TrayIconTest, CyclesThroughTheListAndKeepsTheIndexInRange) {
  NewTray();
  tray->SetIconList(Icons(5));
  tray->SetIconIndex(10);
  EXPECT_EQ(tray->IconIndex(), 4);
  std::vector<int> shown, next;
  tray->OnCycle = [&](TObject*, int n) {
    shown.push_back(tray->IconIndex());
    next.push_back(n);
  };
  tray->SetAnimateTimerInterval(100);
  tray->SetCycleIcons(true);
  for (int i = 0; i < 6; ++i) Advance(100);
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 0}));
  EXPECT_EQ(next, (std::vector<int>{1, 2, 3, 4, 5, 1}));
  // An empty list: index 0, nothing to cycle.
  tray->SetIconList(Icons(0));
  tray->SetIconIndex(3);
  EXPECT_EQ(tray->IconIndex(), 0);
  shown.clear();
  Advance(300);
  EXPECT_TRUE(shown.empty());
}

TEST_F(TrayIconTest, AfterTheNotificationAreaRestartsAVisibleIconComesBack) {
  NewTray();
  tray->ShowIcon();
  s.display.TrayLog.clear();
  s.display.TrayRestart();
  EXPECT_EQ(s.display.TrayLog, (std::vector<std::string>{"add 1"}));
  EXPECT_EQ(s.display.TrayIcons.size(), 1u);
  tray->HideIcon();
  s.display.TrayLog.clear();
  s.display.TrayRestart();
  EXPECT_TRUE(s.display.TrayLog.empty());
}

TEST_F(TrayIconTest, TheControllerMinimizesToTheTrayAndRestoresTheForms) {
  Show();
  std::vector<std::string> events;
  controller->OnMinimizeToTray = [&](TObject*) { events.push_back("to tray"); };
  controller->OnRestoreFromTray = [&](TObject*) { events.push_back("from tray"); };
  // Without a tray icon both do nothing.
  controller->MinimizeToTray();
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(IsIconic(form->Handle()));
  EXPECT_FALSE(app.Minimized());
  EXPECT_TRUE(events.empty());
  NewTray();
  tray->OnDblClick = nullptr;
  tray->ShowIcon();
  controller->SetTrayIcon(tray);
  // Linked without AlwaysShowInTray: hidden; it gets the tray menu and
  // the restore on double click.
  EXPECT_TRUE(s.display.TrayIcons.empty());
  EXPECT_EQ(tray->PopupMenu, controller->TrayPopupMenu);
  controller->MinimizeToTray();
  Idle();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(s.display.TrayIcons.size(), 1u);
  EXPECT_EQ(events, (std::vector<std::string>{"to tray"}));
  // As after a start in the tray: the application's own restore would not
  // show the main form; the tray's restore does.
  app.ShowMainForm = false;
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(IsIconic(form->Handle()));
  EXPECT_TRUE(s.display.TrayIcons.empty());
  EXPECT_EQ(events, (std::vector<std::string>{"to tray", "from tray"}));
  // AlwaysShowInTray keeps the icon after the restore.
  controller->AlwaysShowInTray = true;
  controller->MinimizeToTray();
  controller->RestoreFromTray();
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(s.display.TrayIcons.size(), 1u);
}

TEST_F(TrayIconTest, WithoutANotificationAreaTheFormStaysOnTheTaskBar) {
  Show();
  s.display.TrayAvailable = false;
  NewTray();
  controller->SetTrayIcon(tray);
  controller->MinimizeToTray();
  Idle();
  // Minimized but not hidden: the task bar brings it back.
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(IsIconic(form->Handle()));
  controller->RestoreFromTray();
  Idle();
  EXPECT_FALSE(IsIconic(form->Handle()));
}

}  // namespace

#include <gtest/gtest.h>

#include <tuple>

#include "tests/platform/ui/menus/MenuTestSupport.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/input/Focus.h"

namespace {

using MenuTrackTest = MenuFixture;

TEST_F(MenuTrackTest, RightClickPopsTheControlsMenuAtThePointAndKeysChooseAfterItCloses) {
  TMenuForm* f = NewMenuForm();
  auto* panel = new TTestWin(f);
  panel->SetParent(f);
  panel->SetBounds(10, 10, 100, 80);
  auto* pm = new TPopupMenu(f);
  TMenuItem* cut = NewItem(pm->Items(), "Cu&t", TShortCut(scCtrl | 'X'));
  TMenuItem* copy = NewItem(pm->Items(), "&Copy");
  NewItem(pm->Items(), "-");
  TMenuItem* paste = NewItem(pm->Items(), "&Paste");
  panel->SetPopupMenu(pm);
  f->Show();
  s.display.RunUntilIdle();
  TPoint at = panel->ClientToScreen(TPoint{20, 30});
  std::vector<std::string> log;
  TRect shownAt{};
  pm->OnPopup = [&](TObject* sender) {
    EXPECT_EQ(sender, pm);
    EXPECT_EQ(pm->PopupComponent(), panel);
    EXPECT_FALSE(MenuLoopActive());  // before the menu shows
    log.push_back("OnPopup");
  };
  for (TMenuItem* i : {cut, copy, paste})
    i->OnClick = [&log](TObject* s) {
      EXPECT_FALSE(MenuLoopActive());  // after the menu closed
      log.push_back("Click " + StripHotkey(static_cast<TMenuItem*>(s)->Caption()));
    };
  f->Log.clear();
  Click(at, TMouseButton::mbRight);
  s.display.KeyPress(VK_DOWN);
  s.display.KeyPress(VK_UP);  // wraps to the last item
  After(10, [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    EXPECT_EQ(MenuLevelSelected(0), paste);
    RECT r{};
    GetWindowRect(MenuLevelWindow(0), &r);
    shownAt = r;
    EXPECT_TRUE(s.display.Native(MenuLevelWindow(0))->topmost);
    s.display.KeyPress(VK_UP);  // over the separator
    s.display.KeyPress(VK_RETURN);
  });
  s.display.RunUntilIdle();
  EXPECT_EQ(shownAt.Left, at.X);
  EXPECT_EQ(shownAt.Top, at.Y);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(log, (std::vector<std::string>{"OnPopup", "Click Copy"}));
  ASSERT_GE(f->Log.size(), 4u);
  EXPECT_EQ(f->Log.front(), "enter");
  EXPECT_EQ(f->Log[1], "init ");  // the root item has no caption
  EXPECT_EQ(f->Log[f->Log.size() - 2], "select end");
  EXPECT_EQ(f->Log.back(), "exit");
}

TEST_F(MenuTrackTest, HoverOpensASubMenuAfterTheDelayAndAClickRunsTheItem) {
  TMenuForm* f = NewMenuForm();
  f->Show();
  auto* pm = new TPopupMenu(f);
  TMenuItem* open = NewItem(pm->Items(), "&Open");
  TMenuItem* recent = NewItem(pm->Items(), "&Recent");
  TMenuItem* one = NewItem(recent, "One");
  TMenuItem* two = NewItem(recent, "Two");
  TMenuItem* disabled = NewItem(pm->Items(), "Disabled");
  disabled->SetEnabled(false);
  int recentFilled = 0;
  recent->OnClick = [&](TObject*) { ++recentFilled; };  // runs as the sub-menu opens
  std::vector<TMenuItem*> clicked;
  for (TMenuItem* i : {open, one, two, disabled})
    i->OnClick = [&clicked](TObject* s) { clicked.push_back(static_cast<TMenuItem*>(s)); };
  s.display.RunUntilIdle();
  After(10, [&] { pm->Popup(200, 150); });
  After(20, [&] { Move(Center(MenuItemScreenRect(0, recent))); });
  After(220, [&] {
    EXPECT_EQ(MenuLevelSelected(0), recent);
    EXPECT_EQ(MenuLevelCount(), 1);  // the delay has not passed
  });
  After(430, [&] {
    ASSERT_EQ(MenuLevelCount(), 2);
    EXPECT_EQ(MenuLevelParent(1), recent);
    EXPECT_EQ(recentFilled, 1);
    RECT sub{}, top{};
    GetWindowRect(MenuLevelWindow(1), &sub);
    GetWindowRect(MenuLevelWindow(0), &top);
    EXPECT_GT(sub.Left, top.Left + (top.Right - top.Left) / 2);  // beside its parent
    // A press on a disabled row changes nothing.
    Click(Center(MenuItemScreenRect(0, disabled)));
  });
  After(440, [&] {
    EXPECT_EQ(MenuLevelCount(), 2);  // moving to a row without a sub-menu closes it only after the delay
    Move(Center(MenuItemScreenRect(1, two)));
  });
  After(900, [&] {
    ASSERT_EQ(MenuLevelCount(), 2);
    EXPECT_EQ(MenuLevelSelected(1), two);
    EXPECT_EQ(MenuLevelSelected(0), recent);
    Click(Center(MenuItemScreenRect(1, two)));
  });
  s.display.AdvanceTime(1000);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(clicked, (std::vector<TMenuItem*>{two}));
}

TEST_F(MenuTrackTest, AnOutsideClickClosesTheMenuAndReachesTheWindowUnderIt) {
  TMenuForm* f = NewMenuForm(100, 100, 400, 300);
  f->Show();
  auto* pm = new TPopupMenu(f);
  TMenuItem* item = NewItem(pm->Items(), "Item");
  int clicks = 0, downs = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  f->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  s.display.RunUntilIdle();
  After(10, [&] {
    pm->SetPopupComponent(f);
    pm->Popup(150, 150);
  });
  After(20, [&] {
    EXPECT_EQ(MenuLevelCount(), 1);
    Click(TPoint{450, 350});
  });
  s.display.AdvanceTime(100);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(downs, 1);
}

TEST_F(MenuTrackTest, AClickOnTheOwnersMenuBarClosesAPopupAndIsConsumed) {
  TMenuForm* f = NewMenuForm(100, 100, 400, 300);
  auto* menu = new TMainMenu(f);
  NewItem(NewItem(menu->Items(), "&File"), "Exit");
  f->SetMenu(menu);
  f->Show();
  auto* pm = new TPopupMenu(f);
  NewItem(pm->Items(), "Item");
  s.display.RunUntilIdle();
  int loops = 0;
  After(10, [&] {
    pm->SetPopupComponent(f);
    pm->Popup(250, 250);
  });
  After(20, [&] {
    f->Log.clear();
    Click(Center(BarItemScreenRect(f, 0)));
  });
  After(30, [&] { loops = int(std::count(f->Log.begin(), f->Log.end(), "enter")); });
  s.display.AdvanceTime(100);
  EXPECT_EQ(loops, 0);  // the press did not open the bar's menu
  EXPECT_FALSE(MenuLoopActive());
}

TEST_F(MenuTrackTest, APopupStaysOnTheWorkAreaAndHonoursItsAlignment) {
  TMenuForm* f = NewMenuForm();
  f->Show();
  auto* pm = new TPopupMenu(f);
  NewItem(pm->Items(), "A fairly long caption");
  NewItem(pm->Items(), "Second");
  s.display.RunUntilIdle();
  std::vector<RECT> rects;
  auto record = [&] {
    RECT r{};
    GetWindowRect(MenuLevelWindow(0), &r);
    rects.push_back(r);
    EndMenu();
  };
  After(10, [&] { pm->Popup(1270, 1020); });
  After(20, record);
  After(30, [&] {
    pm->Alignment = paRight;
    pm->Popup(600, 300);
  });
  After(40, record);
  After(50, [&] {
    pm->Alignment = paCenter;
    pm->Popup(600, 300);
  });
  After(60, record);
  s.display.AdvanceTime(100);
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].Right, 1270);  // flipped left of and above the point
  EXPECT_EQ(rects[0].Bottom, 1020);
  EXPECT_EQ(rects[1].Right, 600);
  EXPECT_EQ(rects[1].Top, 300);
  EXPECT_EQ((rects[2].Left + rects[2].Right) / 2, 600);
}

TEST_F(MenuTrackTest, SeparatorsAreReducedCheckMarksDrawnAndOwnerDrawItemsMeasured) {
  TMenuForm* f = NewMenuForm();
  f->Show();
  auto* pm = new TPopupMenu(f);
  TMenuItem* lead = NewItem(pm->Items(), "-");
  TMenuItem* checked = NewItem(pm->Items(), "Checked");
  checked->SetChecked(true);
  TMenuItem* drawn = NewItem(pm->Items(), "Drawn");
  TMenuItem* trail = NewItem(pm->Items(), "-");
  TOwnerDrawState lastState = 0;
  TRect drawnRect{};
  drawn->OnMeasureItem = [](TObject*, TCanvas*, int& w, int& h) {
    w = 150;
    h = 30;
  };
  drawn->OnAdvancedDrawItem = [&](TObject*, TCanvas* c, TRect r, TOwnerDrawState st) {
    lastState = st;
    drawnRect = r;
    c->FillRect(r);
  };
  s.display.RunUntilIdle();
  After(10, [&] { pm->Popup(200, 200); });
  After(20, [&] {
    EXPECT_EQ(MenuItemScreenRect(0, lead).Width(), 0);
    EXPECT_EQ(MenuItemScreenRect(0, trail).Width(), 0);
    EXPECT_EQ(MenuItemScreenRect(0, drawn).Height(), MenuRowHeight());  // OwnerDraw is off: not measured
    TRect row = MenuItemScreenRect(0, checked);
    EXPECT_EQ(row.Height(), MenuRowHeight());
    // The check mark's middle stroke, in the text colour, sits in the glyph column.
    HWND w = MenuLevelWindow(0);
    RECT wr{};
    GetWindowRect(w, &wr);
    int found = 0;
    for (int y = row.Top; y < row.Bottom; ++y)
      for (int x = row.Left; x < row.Left + 16; ++x)
        if (s.display.PixelAt(w, x - wr.Left, y - wr.Top) == ClassicRGB(clMenuText)) ++found;
    EXPECT_GT(found, 10);
    EndMenu();
  });
  After(30, [&] {
    pm->SetOwnerDraw(true);
    pm->Popup(200, 200);
  });
  After(40, [&] {
    TRect row = MenuItemScreenRect(0, drawn);
    EXPECT_EQ(row.Height(), 30);
    RECT wr{};
    GetWindowRect(MenuLevelWindow(0), &wr);
    EXPECT_GE(wr.Right - wr.Left, 150);
    Move(Center(row));
  });
  After(50, [&] {
    EXPECT_TRUE(lastState & odSelected);
    EXPECT_EQ(drawnRect.Height(), 30);
    EndMenu();
  });
  s.display.AdvanceTime(100);
  EXPECT_FALSE(MenuLoopActive());
}

TEST_F(MenuTrackTest, ASubMenuFreedWhileShownClosesAndTheLoopGoesOn) {
  TMenuForm* f = NewMenuForm();
  f->Show();
  auto* pm = new TPopupMenu(f);
  TMenuItem* keep = NewItem(pm->Items(), "Keep");
  TMenuItem* sub = NewItem(pm->Items(), "Sub");
  NewItem(sub, "Inner");
  int kept = 0;
  keep->OnClick = [&](TObject*) { ++kept; };
  s.display.RunUntilIdle();
  After(10, [&] { pm->Popup(200, 200); });
  After(20, [&] {
    Move(Center(MenuItemScreenRect(0, sub)));
    s.display.KeyPress(VK_RIGHT);
  });
  After(30, [&] {
    ASSERT_EQ(MenuLevelCount(), 2);
    delete sub;
  });
  After(40, [&] {
    EXPECT_EQ(MenuLevelCount(), 1);
    Click(Center(MenuItemScreenRect(0, keep)));
  });
  s.display.AdvanceTime(100);
  EXPECT_EQ(kept, 1);
}

TEST_F(MenuTrackTest, APopupItemMayFreeItsMenuAndItsControl) {
  TMenuForm* f = NewMenuForm();
  auto* panel = new TTestWin(f);
  panel->SetParent(f);
  panel->SetBounds(10, 10, 100, 80);
  auto* pm = new TPopupMenu(f);
  TMenuItem* kill = NewItem(pm->Items(), "&Kill");
  kill->OnClick = [&](TObject*) {
    delete panel;
    delete pm;
  };
  panel->SetPopupMenu(pm);
  f->Show();
  s.display.RunUntilIdle();
  Click(panel->ClientToScreen(TPoint{5, 5}), TMouseButton::mbRight);
  s.display.KeyPress('K');
  s.display.RunUntilIdle();
  EXPECT_EQ(f->ControlCount(), 0);
}

// ---- The form's bar ---------------------------------------------------------------------------

class MenuBarTest : public MenuFixture {
 protected:
  TMenuForm* f = nullptr;
  TMainMenu* menu = nullptr;
  TMenuItem *file = nullptr, *fileNew = nullptr, *exit = nullptr, *edit = nullptr, *undo = nullptr;
  std::vector<std::string> clicks;

  void SetUp() override {
    f = NewMenuForm(100, 100, 400, 300);
    menu = new TMainMenu(f);
    file = NewItem(menu->Items(), "&File");
    fileNew = NewItem(file, "&New", TShortCut(scCtrl | 'N'));
    NewItem(file, "-");
    exit = NewItem(file, "E&xit");
    edit = NewItem(menu->Items(), "&Edit");
    undo = NewItem(edit, "&Undo");
    for (TMenuItem* i : {fileNew, exit, undo})
      i->OnClick = [this](TObject* s) { clicks.push_back(StripHotkey(static_cast<TMenuItem*>(s)->Caption())); };
    f->SetMenu(menu);
    f->Show();
    s.display.RunUntilIdle();
  }
};

TEST_F(MenuBarTest, MousePressDropsAMenuThatFollowsTheBarAndEscapeBacksOut) {
  After(10, [&] { Click(Center(BarItemScreenRect(f, 0))); });
  After(20, [&] {
    bool open = false;
    EXPECT_EQ(MenuBarHotIndex(f->Handle(), &open), 0);
    EXPECT_TRUE(open);
    ASSERT_EQ(MenuLevelCount(), 1);
    EXPECT_EQ(MenuLevelParent(0), file);
    EXPECT_EQ(MenuLevelSelected(0), nullptr);
    RECT r{};
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.Top, BarItemScreenRect(f, 0).Bottom);  // dropped below its bar item
    // The hot bar item is drawn in the highlight colour.
    EXPECT_EQ(s.display.PixelAt(f->Handle(), BarItemScreenRect(f, 0).Left - 100 + 1, 2), ClassicRGB(clHighlight));
    Move(Center(BarItemScreenRect(f, 1)));
  });
  After(30, [&] {
    EXPECT_EQ(MenuLevelParent(0), edit);
    s.display.KeyPress(VK_ESCAPE);
  });
  After(40, [&] {
    bool open = true;
    EXPECT_EQ(MenuBarHotIndex(f->Handle(), &open), 1);
    EXPECT_FALSE(open);
    EXPECT_TRUE(MenuLoopActive());
    s.display.KeyPress(VK_ESCAPE);
  });
  s.display.AdvanceTime(100);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(MenuBarHotIndex(f->Handle(), nullptr), -1);
  EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuBarTest, AltAndAnAcceleratorOpenTheMenuAndArrowsAndEnterChoose) {
  s.display.KeyDown(VK_MENU);
  s.display.KeyPress('F');
  s.display.KeyUp(VK_MENU);
  s.display.KeyPress(VK_DOWN);  // past the separator
  After(10, [&] {
    EXPECT_EQ(MenuLevelParent(0), file);
    EXPECT_EQ(MenuLevelSelected(0), exit);
    s.display.KeyPress(VK_DOWN);  // wraps
    s.display.KeyPress(VK_RETURN);
  });
  app.ProcessMessages();
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(clicks, (std::vector<std::string>{"New"}));
  std::vector<std::string> want{"enter", "select", "init File"};  // the bar item, then its menu
  ASSERT_GE(f->Log.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(f->Log.begin(), f->Log.begin() + 3), want);
  EXPECT_EQ(f->Log.back(), "exit");
}

TEST_F(MenuBarTest, F10MakesTheBarHotAndArrowsMoveAcrossIt) {
  s.display.KeyPress(VK_F10);
  After(10, [&] {
    bool open = true;
    EXPECT_EQ(MenuBarHotIndex(f->Handle(), &open), 0);
    EXPECT_FALSE(open);
    s.display.KeyPress(VK_RIGHT);
    s.display.KeyPress(VK_DOWN);
  });
  After(20, [&] {
    EXPECT_EQ(MenuLevelParent(0), edit);
    EXPECT_EQ(MenuLevelSelected(0), undo);
    s.display.KeyPress(VK_LEFT);  // to the previous bar menu, dropped
  });
  After(30, [&] {
    EXPECT_EQ(MenuLevelParent(0), file);
    s.display.KeyPress('X');  // the accelerator chooses
  });
  s.display.AdvanceTime(100);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Exit"}));
}

TEST_F(MenuBarTest, AMenuCommandMayFreeItsOwnForm) {
  TMenuForm* main = NewMenuForm();  // not the bar's form
  (void)main;
  TMenuForm* doomed = f;
  bool ran = false;
  exit->OnClick = [&](TObject*) {
    ran = true;
    delete doomed;
  };
  s.display.KeyPress(VK_F10);
  s.display.KeyPress(VK_RETURN);  // drops File with New selected
  s.display.KeyPress(VK_UP);      // wraps to Exit
  s.display.KeyPress(VK_RETURN);
  s.display.RunUntilIdle();
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_TRUE(ran);
  for (int i = 0; i < Screen->CustomFormCount(); ++i) EXPECT_NE(Screen->CustomForms(i), doomed);
}

// ---- Closing with the application and the owner -------------------------------------------------

// How the menu loop stands when the application loses activation.
enum class TOpenMenu { PopupWithSubMenu, BarMenuWithSelection, BarHotOnly };

class MenuDeactivationTest : public MenuBarTest, public ::testing::WithParamInterface<TOpenMenu> {
 protected:
  TPopupMenu* pm = nullptr;

  void SetUp() override {
    MenuBarTest::SetUp();
    pm = new TPopupMenu(f);
    TMenuItem* item = NewItem(pm->Items(), "Item");
    TMenuItem* sub = NewItem(pm->Items(), "Sub");
    TMenuItem* inner = NewItem(sub, "Inner");
    for (TMenuItem* i : {item, inner})
      i->OnClick = [this](TObject* s) { clicks.push_back(StripHotkey(static_cast<TMenuItem*>(s)->Caption())); };
  }
  // Opens the menu the case names from 10 ms on; it stands from 30 ms.
  void OpenSoon() {
    switch (GetParam()) {
      case TOpenMenu::PopupWithSubMenu:
        After(10, [this] { pm->Popup(250, 250); });
        After(20, [this] {
          s.display.KeyPress(VK_DOWN);
          s.display.KeyPress(VK_DOWN);
          s.display.KeyPress(VK_RIGHT);  // Inner selected
        });
        break;
      case TOpenMenu::BarMenuWithSelection:
        After(10, [this] {
          s.display.KeyPress(VK_F10);
          s.display.KeyPress(VK_RETURN);  // File dropped, New selected
        });
        break;
      case TOpenMenu::BarHotOnly:
        After(10, [this] { s.display.KeyPress(VK_F10); });
        break;
    }
  }
};

TEST_P(MenuDeactivationTest, LosingActivationClosesEveryMenuWithoutACommand) {
  const int wantLevels = GetParam() == TOpenMenu::PopupWithSubMenu ? 2 : GetParam() == TOpenMenu::BarHotOnly ? 0 : 1;
  std::vector<HWND> windows;
  bool closed = false;
  int levelsAfter = -1, hotAfter = 0;
  OpenSoon();
  After(30, [&] {
    ASSERT_TRUE(MenuLoopActive());
    ASSERT_EQ(MenuLevelCount(), wantLevels);
    for (int l = 0; l < MenuLevelCount(); ++l) windows.push_back(MenuLevelWindow(l));
    f->Log.clear();
    NativeActivationChanged(f->Handle(), false);  // another application took the focus
  });
  After(40, [&] {
    closed = !MenuLoopActive();
    levelsAfter = MenuLevelCount();
    hotAfter = MenuBarHotIndex(f->Handle(), nullptr);
  });
  s.display.AdvanceTime(100);
  EXPECT_TRUE(closed);
  EXPECT_EQ(levelsAfter, 0);
  EXPECT_EQ(hotAfter, -1);
  for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
  EXPECT_TRUE(clicks.empty());
  ASSERT_GE(f->Log.size(), 2u);
  EXPECT_EQ(f->Log[f->Log.size() - 2], "select end");
  EXPECT_EQ(f->Log.back(), "exit");
}

INSTANTIATE_TEST_SUITE_P(Menus, MenuDeactivationTest,
                         ::testing::Values(TOpenMenu::PopupWithSubMenu, TOpenMenu::BarMenuWithSelection,
                                           TOpenMenu::BarHotOnly));

TEST_F(MenuBarTest, ActivationMovingToAnotherOfOurFormsKeepsTheMenuOpen) {
  TMenuForm* other = NewMenuForm(600, 100);
  other->Show();
  SetActiveWindow(f->Handle());
  s.display.RunUntilIdle();
  bool openAfterMove = false, closedAfterLoss = false;
  After(10, [&] { Click(Center(BarItemScreenRect(f, 0))); });
  After(20, [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    SetActiveWindow(other->Handle());
  });
  After(30, [&] {
    openAfterMove = MenuLevelCount() == 1;
    NativeActivationChanged(other->Handle(), false);  // now the application goes
  });
  After(40, [&] { closedAfterLoss = !MenuLoopActive(); });
  s.display.AdvanceTime(100);
  EXPECT_TRUE(openAfterMove);
  EXPECT_TRUE(closedAfterLoss);
  EXPECT_TRUE(clicks.empty());
}

// What happens to the menu's owner form while the menu is open, and how the
// menu came up (a right click and a bar press run the loop inside a message
// of the form's own controls).
enum class TOwnerFate { Hidden, Freed };
enum class TOpenedBy { Code, RightClick, BarPress };

class MenuOwnerGoneTest : public MenuFixture,
                          public ::testing::WithParamInterface<std::tuple<TOpenedBy, TOwnerFate>> {};

TEST_P(MenuOwnerGoneTest, TheMenuClosesWithoutACommandAndNothingIsTouchedAfterwards) {
  auto [openedBy, fate] = GetParam();
  TMenuForm* f = NewMenuForm(100, 100, 400, 300);
  NewMenuForm(600, 100)->Show();  // something to activate when f goes
  auto* menu = new TMainMenu(f);
  TMenuItem* file = NewItem(menu->Items(), "&File");
  TMenuItem* exit = NewItem(file, "E&xit");
  f->SetMenu(menu);
  auto* panel = new TTestWin(f);
  panel->SetParent(f);
  panel->SetBounds(10, 10, 100, 80);
  auto* pm = new TPopupMenu(f);
  TMenuItem* item = NewItem(pm->Items(), "Item");
  panel->SetPopupMenu(pm);
  int clicks = 0;
  for (TMenuItem* i : {exit, item}) i->OnClick = [&](TObject*) { ++clicks; };
  f->Show();
  SetActiveWindow(f->Handle());
  s.display.RunUntilIdle();
  HWND form = f->Handle();
  bool closed = false;
  After(10, [&, openedBy = openedBy] {
    switch (openedBy) {
      case TOpenedBy::Code:
        pm->SetPopupComponent(f);
        pm->Popup(250, 250);
        break;
      case TOpenedBy::RightClick: Click(panel->ClientToScreen(TPoint{5, 5}), TMouseButton::mbRight); break;
      case TOpenedBy::BarPress: Click(Center(BarItemScreenRect(f, 0))); break;
    }
  });
  After(20, [&, fate = fate] {
    ASSERT_EQ(MenuLevelCount(), 1);
    s.display.KeyPress(VK_DOWN);  // Exit or Item selected
    if (fate == TOwnerFate::Hidden)
      f->Hide();
    else
      delete f;  // frees the menus and the panel with it
  });
  After(30, [&] { closed = !MenuLoopActive(); });
  s.display.AdvanceTime(100);
  EXPECT_TRUE(closed);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(IsWindow(form) != FALSE, fate == TOwnerFate::Hidden);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, MenuOwnerGoneTest,
    ::testing::Combine(::testing::Values(TOpenedBy::Code, TOpenedBy::RightClick, TOpenedBy::BarPress),
                       ::testing::Values(TOwnerFate::Hidden, TOwnerFate::Freed)));

}  // namespace

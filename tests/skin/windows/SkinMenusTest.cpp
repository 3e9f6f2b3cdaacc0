#include "tests/skin/windows/SkinMenusTestSupport.h"

using namespace skinmenus;

TEST(SkinMenuCloseMessages, OnlyTheListedMessagesCloseMenus) {
  const UINT closing[] = {WM_MOVE,         WM_SIZE,         WM_ACTIVATE,     WM_KILLFOCUS,    WM_CANCELMODE,
                          WM_MOUSEACTIVATE, WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN, WM_LBUTTONDOWN,
                          WM_RBUTTONDOWN,  WM_MBUTTONDOWN,  WM_PARENTNOTIFY};
  for (UINT m : closing) EXPECT_TRUE(IsMenuCloseMessage(m)) << std::hex << m;
  const UINT other[] = {WM_MOUSEMOVE, WM_LBUTTONUP, WM_KEYDOWN, WM_PAINT, WM_TIMER, WM_SETFOCUS, WM_NCMOUSEMOVE};
  for (UINT m : other) EXPECT_FALSE(IsMenuCloseMessage(m)) << std::hex << m;
}

TEST_F(SkinMenusTest, PopupOpensBelowThePointWithTheFirstEnabledRowSelectedAndKeepsTheFocus) {
  BuildMenu();
  HWND focus = GetFocus();
  popup->Popup(300, 200);
  Idle();
  ASSERT_EQ(Levels(), 1);
  EXPECT_TRUE(menu->Visible);
  const TRect r = WindowRect(Level(0)->Handle());
  EXPECT_EQ(r.Left, 300);
  EXPECT_EQ(r.Top, 200);
  EXPECT_EQ(SelectedCaption(0), "&Open");
  EXPECT_TRUE(Level(0)->Items[0]->Preselected);
  EXPECT_EQ(GetFocus(), focus);
  EXPECT_EQ(GetActiveWindow(), form->Handle());
  EXPECT_EQ(popup->LastPopupPoint.X, 300);
  EXPECT_EQ(popup->LastPopupPoint.Y, 200);
  // Default look: 5 rows of 20, one separator of 4, frame 6.
  EXPECT_EQ(r.Height(), 5 * 20 + 4 + 6);
  EXPECT_EQ((std::vector<std::string>{"opened"}), log);
}

struct TKeyCase {
  const char* name;
  std::vector<int> keys;
  int levels;                       // open levels afterwards
  std::string selected;             // selected caption of the last level
  std::vector<std::string> clicks;  // item clicks logged
};

TEST_F(SkinMenusTest, KeySequences) {
  const TKeyCase cases[] = {
      {"down skips the separator", {VK_DOWN, VK_DOWN}, 1, "&Recent", {}},
      {"down skips the disabled row", {VK_DOWN, VK_DOWN, VK_DOWN}, 1, "E&xit", {}},
      {"down on the last row stays", {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN}, 1, "E&xit", {}},
      {"up from the first row goes to the last", {VK_UP}, 1, "E&xit", {}},
      {"right opens a sub-menu at once", {VK_DOWN, VK_DOWN, VK_RIGHT}, 2, "O&ne", {"click &Recent"}},
      {"left closes only the sub-menu", {VK_DOWN, VK_DOWN, VK_RIGHT, VK_LEFT}, 1, "&Recent", {"click &Recent"}},
      {"escape in a sub-menu closes it", {VK_DOWN, VK_DOWN, VK_RETURN, VK_ESCAPE}, 1, "&Recent", {"click &Recent"}},
      {"escape in the first level closes all", {VK_ESCAPE}, 0, "", {}},
      {"left in the first level does nothing", {VK_LEFT}, 1, "&Open", {}},
      {"enter runs the command", {VK_DOWN, VK_RETURN}, 0, "", {"click &Save..."}},
      {"mnemonic runs the command", {'X'}, 0, "", {"click E&xit"}},
      {"mnemonic opens a sub-menu", {'R'}, 2, "O&ne", {"click &Recent"}},
      {"mnemonic in the sub-menu", {'R', 'T'}, 0, "", {"click &Recent", "click &Two"}},
      {"mnemonic of a disabled row only selects it", {'D'}, 1, "&Disabled", {}},
  };
  for (const TKeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    popup->Items()->Clear();
    BuildMenu();
    popup->Popup(300, 200);
    Idle();
    for (int k : c.keys) Key(k);
    EXPECT_EQ(Levels(), c.levels);
    if (c.levels > 0) EXPECT_EQ(SelectedCaption(c.levels - 1), c.selected);
    std::vector<std::string> clicks;
    for (auto& l : log)
      if (l.rfind("click", 0) == 0) clicks.push_back(l);
    EXPECT_EQ(clicks, c.clicks);
    menu->CloseAll();
    Idle();
  }
}

TEST_F(SkinMenusTest, KeysReachTheFormAgainAfterTheMenuCloses) {
  BuildMenu();
  std::vector<int> formKeys;
  form->KeyPreview = true;
  form->OnKeyDown = [&](TObject*, Word& k, TShiftState) { formKeys.push_back(k); };
  popup->Popup(300, 200);
  Idle();
  Key(VK_DOWN);
  EXPECT_TRUE(formKeys.empty());
  Key(VK_ESCAPE);
  Key(VK_DOWN);
  EXPECT_EQ(formKeys, std::vector<int>{VK_DOWN});
}

TEST_F(SkinMenusTest, ACommandRunsAfterItsMenuHasClosed) {
  BuildMenu();
  auto* opener = new TLoggingControl(form, &log);
  opener->SetParent(form);
  opener->SetBounds(10, 10, 50, 20);
  popup->OnMenuClose = [this](TObject* sender) {
    log.push_back(std::string("menu-close ") + (sender == menu ? "by manager" : "other"));
  };
  auto* formLog = &log;
  TWndMethod old = form->WindowProc;
  form->WindowProc = TWndMethod::FromFunction(
      [formLog, old](TMessage& m) {
        if (m.Msg == SP_MENU_CLOSED) formLog->push_back("form-closed");
        old(m);
      },
      formLog);
  popup->Items()->Items(1)->OnClick = [this](TObject*) {
    log.push_back(Levels() == 0 && !menu->Visible ? "click after close" : "click while open");
  };
  popup->PopupAtButton(opener, TRect{300, 200, 340, 220}, false);
  Idle();
  log.clear();
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_EQ((std::vector<std::string>{"opener-closed", "menu-close by manager", "form-closed", "click after close",
                                      "opener-command"}),
            log);
  EXPECT_EQ(menu->CommandControl(), opener);
}

TEST_F(SkinMenusTest, ACommandThatFreesItsOpenerIsSafe) {
  BuildMenu();
  auto* opener = new TLoggingControl(form, &log);
  opener->SetParent(form);
  popup->Items()->Items(0)->OnClick = [&](TObject*) { delete opener; };
  popup->PopupAtButton(opener, TRect{300, 200, 340, 220}, false);
  Idle();
  Key(VK_RETURN);
  EXPECT_EQ(menu->CommandControl(), nullptr);
  EXPECT_EQ(Levels(), 0);
}

TEST_F(SkinMenusTest, ACommandThatFreesTheMenuItemsIsSafe) {
  BuildMenu();
  popup->Items()->Items(0)->OnClick = [&](TObject*) { popup->Items()->Clear(); };
  popup->Popup(300, 200);
  Idle();
  Key(VK_RETURN);
  Advance(100);
  EXPECT_EQ(popup->Items()->Count(), 0);
  EXPECT_EQ(Levels(), 0);
}

TEST_F(SkinMenusTest, MouseHoverSelectsAndASubMenuOpensAfterTheDelayUnlessLeft) {
  BuildMenu();
  popup->Popup(300, 200);
  Idle();
  MoveTo(RowPoint(0, 1));
  EXPECT_EQ(SelectedCaption(0), "&Save...");
  MoveTo(RowPoint(0, 3));
  EXPECT_EQ(SelectedCaption(0), "&Recent");
  Advance(400);
  EXPECT_EQ(Levels(), 1);
  MoveTo(RowPoint(0, 5));  // leaves before the delay
  Advance(600);
  EXPECT_EQ(Levels(), 1);
  MoveTo(RowPoint(0, 3));
  Advance(500);
  ASSERT_EQ(Levels(), 2);
  EXPECT_TRUE(Level(0)->Items[3]->SubMenuOpen);
  // The sub-menu lines its first row up with the parent row, just right of
  // the row.
  const TRect parent = WindowRect(Level(0)->Handle()), sub = WindowRect(Level(1)->Handle());
  EXPECT_EQ(sub.Left, parent.Left + Level(0)->Items[3]->Bounds.Right + 1);
  EXPECT_EQ(sub.Top, parent.Top + Level(0)->Items[3]->Bounds.Top - Level(1)->ItemsArea.Top);
  // Clicking a sub-menu row runs it.
  const TPoint p = RowPoint(1, 1);
  s.display.Click(p.X, p.Y);
  Idle();
  EXPECT_EQ(Levels(), 0);
  EXPECT_EQ(log.back(), "click &Two");
}

TEST_F(SkinMenusTest, TheFirstRowPreselectedStartsItsSubMenuDelayWhenTheMouseComes) {
  TMenuItem* sub = Add(popup->Items(), "&More");
  Add(sub, "A");
  Add(popup->Items(), "B");
  popup->Popup(300, 200);
  Idle();
  EXPECT_EQ(Levels(), 1);  // preselected by the keyboard rule: no sub-menu yet
  MoveTo(RowPoint(0, 0));
  EXPECT_EQ(Levels(), 1);
  Advance(500);
  EXPECT_EQ(Levels(), 2);
}

TEST_F(SkinMenusTest, APressOutsideTheMenuClosesItAndTheLevelsHoldThePointer) {
  BuildMenu();
  popup->Popup(300, 200);
  Idle();
  EXPECT_EQ(s.display.GrabbedWindow(), Level(0)->Handle());
  EXPECT_EQ(GetCapture(), Level(0)->Handle());
  s.display.Click(50, 50);
  Idle();
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(menu->Visible);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(s.display.GrabbedWindow(), nullptr);
  for (auto& l : log) EXPECT_NE(l.rfind("click", 0), 0u) << l;
}

TEST_F(SkinMenusTest, TheMenuClosesWhenTheApplicationLosesActivation) {
  BuildMenu();
  popup->Popup(300, 200);
  Idle();
  Advance(60);
  ASSERT_EQ(Levels(), 1);
  SetActiveWindow(nullptr);
  Advance(60);
  EXPECT_EQ(Levels(), 0);
}

TEST_F(SkinMenusTest, OpeningASecondMenuClosesTheFirstWithItsNotificationsAndDoesNotFade) {
  BuildMenu();
  menu->AlphaBlend = true;
  menu->AlphaBlendAnimation = true;
  auto* opener = new TLoggingControl(form, &log);
  opener->SetParent(form);
  popup->PopupAtButton(opener, TRect{300, 200, 340, 220}, false);
  Idle();
  EXPECT_EQ(Level(0)->FadeSteps.size(), 20u);  // 10, 20, ... 200
  EXPECT_EQ(Level(0)->FadeSteps.front(), 10);
  EXPECT_EQ(Level(0)->FadeSteps.back(), 200);
  log.clear();
  popup->Popup(100, 100);
  Idle();
  EXPECT_EQ(log, (std::vector<std::string>{"closed-handling", "opened", "opener-closed"}));
  ASSERT_EQ(Levels(), 1);
  EXPECT_TRUE(Level(0)->FadeSteps.empty());
  EXPECT_EQ(WindowRect(Level(0)->Handle()).Left, 100);
}

TEST_F(SkinMenusTest, OnlyTheFirstLevelFadesIn) {
  BuildMenu();
  menu->AlphaBlend = true;
  menu->AlphaBlendAnimation = true;
  menu->AlphaBlendValue = 100;
  popup->Popup(300, 200);
  Idle();
  EXPECT_EQ(Level(0)->FadeSteps, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  Key('R');
  ASSERT_EQ(Levels(), 2);
  EXPECT_TRUE(Level(1)->FadeSteps.empty());
  EXPECT_TRUE(GetWindowLong(Level(1)->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(SkinMenusTest, AMenuTallerThanTheWorkAreaOpensAtItsTopAndScrolls) {
  s.display.SetMonitors({TMonitorRec{Bounds(0, 0, 800, 300), Bounds(0, 0, 800, 300), true}});
  for (int i = 0; i < 30; ++i) Add(popup->Items(), "Row " + std::to_string(i));
  popup->Popup(100, 150);
  Idle();
  TspSkinPopupWindow* w = Level(0);
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->Scrolling);
  EXPECT_FALSE(w->ScrollingByLimit);
  const TRect r = WindowRect(w->Handle());
  EXPECT_EQ(r.Top, 0);
  EXPECT_EQ(r.Height(), 300);
  EXPECT_EQ(r.Left, 101);  // beside the point
  // 300 - 6 frame - 20 buttons: 13 rows of 20.
  EXPECT_EQ(w->PageCount, 13);
  EXPECT_EQ(w->FirstIndex, 0);
  // Down through the page: the last row of the page scrolls it.
  for (int i = 0; i < 12; ++i) Key(VK_DOWN);
  EXPECT_EQ(SelectedCaption(0), "Row 12");
  EXPECT_EQ(w->FirstIndex, 0);
  Key(VK_DOWN);
  EXPECT_EQ(SelectedCaption(0), "Row 13");
  EXPECT_EQ(w->FirstIndex, 1);
  EXPECT_TRUE(w->Items[13]->Shown);
  EXPECT_FALSE(w->Items[0]->Shown);
  // Resting on the lower button scrolls a row per 100 ms up to the end.
  const TRect down = w->ScrollButtonRect(2);
  MoveTo(TPoint{r.Left + down.Left + 5, r.Top + down.Top + 3});
  EXPECT_EQ(w->ScrollDirection, 2);
  Advance(100);
  EXPECT_EQ(w->FirstIndex, 2);
  for (int i = 0; i < 30; ++i) Advance(100);
  EXPECT_EQ(w->FirstIndex, 30 - 13);
  EXPECT_FALSE(w->CanScroll(2));
  EXPECT_EQ(w->ScrollDirection, 0);
  // Up from the first row of the list wraps the page to the last page.
  w->SelectRow(0, true);
  w->FirstIndex = 0;
  w->ScrollUp(true);
  EXPECT_EQ(w->FirstIndex, w->LastPageFirstIndex());
  EXPECT_EQ(w->LastPageFirstIndex(), 30 - 13);
  Snapshot(w->Handle(), "menu_default_scrolling");
}

TEST_F(SkinMenusTest, MaxMenuItemsInWindowLimitsTheHeightEvenWithSeparators) {
  menu->MaxMenuItemsInWindow = 5;
  for (int i = 0; i < 12; ++i) Add(popup->Items(), i % 4 == 3 ? "-" : "Row " + std::to_string(i));
  popup->Popup(100, 100);
  Idle();
  TspSkinPopupWindow* w = Level(0);
  EXPECT_TRUE(w->Scrolling);
  EXPECT_TRUE(w->ScrollingByLimit);
  EXPECT_EQ(w->Height(), 5 * 20 + 6 + 20);
  EXPECT_EQ(WindowRect(w->Handle()).Top, 100);  // placed as usual, not at the top
}

TEST_F(SkinMenusTest, PlacementAgainstTheWorkAreaEdges) {
  Add(popup->Items(), "One");
  Add(popup->Items(), "Two");
  TMenuItem* sub = Add(popup->Items(), "Sub");
  for (int i = 0; i < 5; ++i) Add(sub, "S" + std::to_string(i));
  const int H = 3 * 20 + 6;
  struct TCase {
    const char* name;
    TRect r;
    bool up;
    TPoint expect;
  } cases[] = {
      {"below the rectangle", {100, 100, 140, 120}, false, {100, 120}},
      {"near the bottom: above", {100, 1010, 140, 1020}, false, {100, 1010 - H}},
      {"near the right edge: pulled in", {1270, 100, 1280, 120}, false, {1280 - 0, 120}},
      {"up: above", {100, 500, 140, 520}, true, {100, 500 - H}},
      {"up near the top: below", {100, 10, 140, 30}, true, {100, 30}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    popup->PopupSkinMenuAtRect(c.r, c.up);
    Idle();
    ASSERT_EQ(Levels(), 1);
    const TRect w = WindowRect(Level(0)->Handle());
    if (std::string(c.name).find("right") != std::string::npos)
      EXPECT_EQ(w.Right, 1280);
    else
      EXPECT_EQ(w.Left, c.expect.X);
    EXPECT_EQ(w.Top, c.expect.Y);
    menu->CloseAll();
  }
  // A sub-menu of a row near the bottom moves up so its last row lines up
  // with the parent row.
  popup->Popup(100, 1024 - H);
  Idle();
  Key(VK_UP);
  Key(VK_RIGHT);
  ASSERT_EQ(Levels(), 2);
  const TRect parentRow = Level(0)->Items[2]->Bounds;
  const TRect p = WindowRect(Level(0)->Handle()), s2 = WindowRect(Level(1)->Handle());
  EXPECT_EQ(s2.Bottom, p.Top + parentRow.Bottom + Level(1)->ItemsArea.Top);
}

TEST_F(SkinMenusTest, PopupMenuWithoutAControllerShowsNothing) {
  auto* other = NewForm(10, 10, 100, 100);
  auto* lone = new TspSkinPopupMenu(other);
  Add(lone->Items(), "A");
  lone->Popup(10, 10);
  Idle();
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(menu->Visible);
}

TEST_F(SkinMenusTest, PopupMenuOfAnMdiChildShowsThroughTheMainFormsController) {
  form->SetFormStyle(fsMDIForm);
  LoadWizardSkin();
  TForm* child = nullptr;
  app.CreateForm(child);
  child->SetFormStyle(fsMDIChild);
  std::vector<std::string> childLog;
  auto* childCtl = new TTestController(child, &childLog);
  auto* childMenu = new TspSkinPopupMenu(child);
  auto* it = new TMenuItem(childMenu);
  it->SetCaption("Child item");
  childMenu->Items()->Add(it);
  childMenu->Popup(200, 200);
  Idle();
  EXPECT_EQ(Levels(), 1);
  EXPECT_FALSE(childCtl->menu->Visible);
  EXPECT_EQ(childMenu->SkinData(), ctl->skin);
  EXPECT_NE(Level(0)->Description, nullptr);
  menu->CloseAll();
}

TEST_F(SkinMenusTest, PopupAtEditNeedsASkin) {
  BuildMenu();
  auto* edit = new TLoggingControl(form, &log);
  edit->SetParent(form);
  popup->PopupAtEdit(edit, 200, 200);
  Idle();
  EXPECT_EQ(Levels(), 0);
  LoadWizardSkin();
  popup->PopupAtEdit(edit, 200, 200);
  Idle();
  EXPECT_EQ(Levels(), 1);
  EXPECT_EQ(menu->OpenerControl(), edit);
}

TEST_F(SkinMenusTest, AnItemWithoutSubItemsOrAStartIndexPastThemOpensNothing) {
  BuildMenu();
  auto* opener = new TLoggingControl(form, &log);
  opener->SetParent(form);
  TMenuItem* plain = popup->Items()->Items(0);
  menu->PopupMenu(opener, nullptr, 0, TRect{10, 10, 10, 10}, plain, false);
  EXPECT_EQ(Levels(), 0);
  EXPECT_EQ(menu->OpenerControl(), opener);
  menu->PopupMenu(nullptr, nullptr, 6, TRect{10, 10, 10, 10}, popup->Items(), false);
  EXPECT_EQ(Levels(), 0);
  menu->PopupMenu(nullptr, nullptr, 5, TRect{10, 10, 10, 10}, popup->Items(), false);
  ASSERT_EQ(Levels(), 1);
  EXPECT_EQ(Level(0)->Items.size(), 1u);
}

TEST_F(SkinMenusTest, PopupOfTwoItemsListsBothFromTheStartIndex) {
  BuildMenu();
  TMenuItem* extra = new TMenuItem(popup);
  Add(extra, "X1");
  Add(extra, "X2");
  menu->PopupMenu2(nullptr, nullptr, 5, TRect{10, 10, 10, 10}, popup->Items(), extra, false);
  Idle();
  ASSERT_EQ(Levels(), 1);
  std::vector<std::string> rows;
  for (auto& r : Level(0)->Items) rows.push_back(r->Item->Caption());
  EXPECT_EQ(rows, (std::vector<std::string>{"E&xit", "X1", "X2"}));
}

namespace {
// 打开, 保存 (checked), 选项 (radio, checked), -, 最近 >, 关闭 (BVL_CLOSE), -禁用- header.
void BuildLookMenu(TspSkinPopupMenu* popup) {
  auto add = [&](TMenuItem* root, const std::string& caption, const char* sc = nullptr) {
    auto* it = new TMenuItem(popup);
    it->SetCaption(caption);
    if (sc) it->SetShortCut(TextToShortCut(sc));
    root->Add(it);
    return it;
  };
  TMenuItem* root = popup->Items();
  add(root, "\xE6\x89\x93\xE5\xBC\x80(&O)", "Ctrl+O");
  add(root, "\xE4\xBF\x9D\xE5\xAD\x98(&S)", "Ctrl+S")->SetChecked(true);
  TMenuItem* radio = add(root, "Radio item");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  add(root, "-");
  TMenuItem* recent = add(root, "\xE6\x9C\x80\xE8\xBF\x91(&R)");
  add(recent, "One");
  add(root, "Disabled", "F5")->SetEnabled(false);
  add(root, "\xE5\x85\xB3\xE9\x97\xAD(&C)", "Alt+F4")->SetName("BVL_CLOSE");
}
}  // namespace

TEST_F(SkinMenusTest, Looks) {
  BuildLookMenu(popup);
  // Default look.
  popup->Popup(100, 100);
  Idle();
  TspSkinPopupWindow* w = Level(0);
  ASSERT_TRUE(w);
  HWND h = w->Handle();
  // The selected first row: navy frame, the selected fill inside.
  const TRect b0 = w->Items[0]->Bounds;
  EXPECT_EQ(PixelOf(h, b0.Left, b0.Top + 5), TColor(0x00800000));
  EXPECT_EQ(PixelOf(h, b0.Left + 1, b0.Top + 1), TColor(0x00D2BDB6));
  // A plain row: the glyph column in the button face, the rest window.
  const TRect b2 = w->Items[2]->Bounds;
  EXPECT_EQ(PixelOf(h, b2.Left + 1, b2.Top + 1), ColorToRGB(clBtnFace));
  EXPECT_EQ(PixelOf(h, b2.Right - 2, b2.Top + 1), ColorToRGB(clWindow));
  // The separator: one shadow line from the glyph column on.
  const TRect sep = w->Items[3]->Bounds;
  EXPECT_EQ(PixelOf(h, sep.Left + 19, sep.Top + 2), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelOf(h, sep.Left + 18, sep.Top + 2), ColorToRGB(clBtnFace));
  // The sub-menu arrow's tip column in the text colour.
  const TRect br = w->Items[4]->Bounds;
  const int ax = br.Left + (br.Width() - 2) - 7, ay = br.Top + 2 + (br.Height() - 4) / 2 - 4;
  EXPECT_EQ(PixelOf(h, ax, ay + 3), ColorToRGB(clWindowText));
  EXPECT_EQ(PixelOf(h, ax + 3, ay + 3), ColorToRGB(clWindowText));
  EXPECT_NE(PixelOf(h, ax + 4, ay + 3), ColorToRGB(clWindowText));
  // The check mark of the checked row starts at (I.Left + 3, middle - 4 + 5).
  const TRect b1 = w->Items[1]->Bounds;
  const int cy = b1.Top + 2 + (b1.Height() - 4) / 2 - 4;
  EXPECT_EQ(PixelOf(h, b1.Left + 2 + 3, cy + 5), ColorToRGB(clWindowText));
  Snapshot(h, "menu_default_look");
  menu->CloseAll();

  LoadWizardSkin();
  popup->SetSkinData(ctl->skin);
  popup->Popup(100, 100);
  Idle();
  w = Level(0);
  ASSERT_TRUE(w && w->Description && w->ItemDescription);
  // Rows are as high as the skin's row picture.
  EXPECT_EQ(w->Items[0]->Bounds.Height(), w->ItemDescription->skinrect.Height());
  EXPECT_EQ(w->Items[3]->Bounds.Height(), w->ItemDescription->dividerrect.Height());
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RIGHT);
  ASSERT_EQ(Levels(), 2);
  Snapshot(w->Handle(), "menu_wizard_skin");
  Snapshot(Level(1)->Handle(), "menu_wizard_skin_sub");
}

namespace {
constexpr TColor kRowNormal = 0x00E0E0E0, kRowActive = 0x00C08040, kRowFrame = 0x00004000;
// A 60 x 54 row picture: normal rows on top, active below, a divider last;
// a 40 x 40 frame picture with an 8-pixel frame.
TDibImage Bands(int w, const std::vector<std::pair<int, TColor>>& bands) {
  int h = 0;
  for (auto& b : bands) h += b.first;
  TDibImage img;
  img.Allocate(w, h, 24);
  int y = 0;
  for (auto& b : bands)
    for (int i = 0; i < b.first; ++i, ++y)
      for (int x = 0; x < w; ++x) {
        img.Row(y)[x * 3] = Byte(b.second >> 16);
        img.Row(y)[x * 3 + 1] = Byte(b.second >> 8);
        img.Row(y)[x * 3 + 2] = Byte(b.second);
      }
  return img;
}
std::string MenuSkinIni(const std::string& itemExtra) {
  return "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=2\n0=frame.bmp\n1=rows.bmp\n"
         "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=1\n0=menuitem:menuitem\n"
         "[menuitem]\nactivepictureindex=1\nskinrect=0,0,60,24\nactiveskinrect=0,24,60,48\n"
         "dividerrect=0,48,60,54\ntextrect=20,0,56,24\nfontname=Arial\nfontheight=14\n"
         "fontcolor=$00000000\nactivefontcolor=$00FFFFFF\nunenabledfontcolor=$00808080\n" +
         itemExtra +
         "[SKINCONTROLS]\ncount=0\n"
         "[POPUPWINDOW]\nwindowpictureindex=0\nmaskpictureindex=-1\nlefttoppoint=8,8\nrighttoppoint=32,8\n"
         "leftbottompoint=8,32\nrightbottompoint=32,32\nitemsrect=8,8,32,32\nscrollmarkercolor=$00808080\n"
         "scrollmarkeractivecolor=$00000000\nleftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n";
}
}  // namespace

class SkinMenusSkinTest : public SkinMenusTest {
 protected:
  void LoadMenuSkin(const std::string& itemExtra) {
    folder_.WriteBytes("frame.bmp", WriteBmp(Bands(40, {{40, kRowFrame}})));
    folder_.WriteBytes("rows.bmp", WriteBmp(Bands(60, {{24, kRowNormal}, {24, kRowActive}, {6, kRowFrame}})));
    folder_.WriteText("Skin.ini", MenuSkinIni(itemExtra));
    auto* sd = new TspSkinData(form);
    ASSERT_TRUE(sd->LoadFromFile(folder_.Path("Skin.ini"))) << sd->LastLoadError;
    ctl->skin = sd;
    popup->SetSkinData(sd);
  }
  TSkinFolder folder_;
};

TEST_F(SkinMenusSkinTest, RowsMorphInFiveTwentyMillisecondStepsAndBack) {
  LoadMenuSkin("morphing=1\nmorphkind=0\n");
  BuildMenu();
  popup->Popup(100, 100);
  Idle();
  TspSkinPopupWindow* w = Level(0);
  ASSERT_TRUE(w && w->ItemDescription);
  EXPECT_EQ(w->Width() >= 60, true);
  EXPECT_EQ(w->Items[0]->Bounds.Height(), 24);
  EXPECT_EQ(w->Items[2]->Bounds.Height(), 6);
  TspSkinMenuItem* first = w->Items[0].get();
  TspSkinMenuItem* second = w->Items[1].get();
  EXPECT_DOUBLE_EQ(first->MorphProgress, 0);
  for (int i = 1; i <= 5; ++i) {
    Advance(20);
    EXPECT_NEAR(first->MorphProgress, 0.2 * i, 1e-9) << i;
  }
  EXPECT_DOUBLE_EQ(first->MorphProgress, 1);
  const TRect b = first->Bounds;
  EXPECT_EQ(PixelOf(w->Handle(), b.Left + 2, b.Top + 2), kRowActive);
  Advance(20);
  EXPECT_FALSE(w->AnimationTimer->Enabled());
  Key(VK_DOWN);
  Advance(20);
  EXPECT_NEAR(first->MorphProgress, 0.8, 1e-9);
  EXPECT_NEAR(second->MorphProgress, 0.2, 1e-9);
  for (int i = 0; i < 4; ++i) Advance(20);
  EXPECT_DOUBLE_EQ(first->MorphProgress, 0);
  EXPECT_EQ(PixelOf(w->Handle(), b.Left + 2, b.Top + 2), kRowNormal);
}

TEST_F(SkinMenusSkinTest, ARowWithoutItsPictureLeavesTheSharedDescriptionAlone) {
  LoadMenuSkin("");
  auto* d = ctl->skin->FindObject<TspDataSkinMenuItem>("menuitem");
  ASSERT_TRUE(d);
  d->activepictureindex = -1;
  BuildMenu();
  popup->Popup(100, 100);
  Idle();
  TspSkinPopupWindow* w = Level(0);
  ASSERT_TRUE(w);
  // The skinned frame with rows in the default look.
  EXPECT_NE(w->Description, nullptr);
  EXPECT_EQ(w->ItemDescription, nullptr);
  EXPECT_EQ(w->Items[0]->Bounds.Height(), 20);
  EXPECT_EQ(d->skinrect, (TRect{0, 0, 60, 24}));
  EXPECT_EQ(d->activeskinrect, (TRect{0, 24, 60, 48}));
  EXPECT_EQ(PixelOf(w->Handle(), 2, 2), kRowFrame);
}

TEST_F(SkinMenusSkinTest, ASkinWithoutAPopupWindowDescriptionOpensInTheDefaultLook) {
  LoadMenuSkin("");
  ctl->skin->PopupWindow.windowpictureindex = -1;
  BuildMenu();
  popup->Popup(100, 100);
  Idle();
  ASSERT_TRUE(Level(0));
  EXPECT_EQ(Level(0)->Description, nullptr);
  EXPECT_EQ(Level(0)->ItemDescription, nullptr);
  EXPECT_EQ(PixelOf(Level(0)->Handle(), 0, 10), ColorToRGB(clBtnShadow));
}

TEST_F(SkinMenusTest, WithoutTheCaptureAPressOnTheFormClosesTheMenuAndStillReachesTheApplication) {
  BuildMenu();
  std::vector<UINT> seen;
  app.OnMessage = [&seen](MSG& m, bool&) { seen.push_back(m.message); };
  popup->Popup(300, 200);
  Idle();
  ReleaseCapture();  // taken away by someone else
  s.display.Click(150, 150);
  Idle();
  EXPECT_EQ(Levels(), 0);
  EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_LBUTTONDOWN)), seen.end());
  // The application's own callback is back in place.
  seen.clear();
  Key(VK_DOWN);
  EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_KEYDOWN)), seen.end());
}

TEST_F(SkinMenusSkinTest, FrameAnimationRunsUpWhileSelectedAndBackOnlyWithInactiveAnimation) {
  for (bool inactive : {false, true}) {
    SCOPED_TRACE(inactive ? "inactiveanimation" : "plain");
    LoadMenuSkin(std::string("animateskinrect=0,24,60,48\nframecount=2\nanimateinterval=30\ninactiveanimation=") +
                 (inactive ? "1\n" : "0\n"));
    popup->Items()->Clear();
    BuildMenu();
    popup->Popup(100, 100);
    Idle();
    TspSkinPopupWindow* w = Level(0);
    ASSERT_TRUE(w && w->ItemDescription);
    TspSkinMenuItem* first = w->Items[0].get();
    ASSERT_TRUE(first->AnimationApplies());
    EXPECT_EQ(w->AnimationTimer->Interval(), 30u);
    std::vector<int> frames;
    for (int i = 0; i < 4; ++i) {
      Advance(30);
      frames.push_back(first->AnimationFrame);
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 3}));
    EXPECT_FALSE(w->AnimationTimer->Enabled());
    Key(VK_DOWN);
    frames.clear();
    for (int i = 0; i < 4; ++i) {
      Advance(30);
      frames.push_back(first->AnimationFrame);
    }
    // Without inactiveanimation the row drops back to its normal look at once.
    EXPECT_EQ(frames, inactive ? (std::vector<int>{2, 1, 0, 0}) : (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(w->Items[1]->AnimationFrame, 3);
    menu->CloseAll();
  }
}

TEST_F(SkinMenusSkinTest, ADisabledCaptionFramedByDashesIsASectionHeader) {
  LoadMenuSkin("");
  // The header look: a "label" control drawn from the row picture, red text.
  folder_.WriteText("Skin.ini",
                    [] {
                      std::string ini = MenuSkinIni("");
                      const std::string from = "[SKINCONTROLS]\ncount=0\n";
                      ini.replace(ini.find(from), from.size(),
                                  "[SKINCONTROLS]\ncount=1\n0=label:label\n[label]\npictureindex=1\n"
                                  "skinrect=0,0,60,24\nlefttoppoint=4,0\nrighttoppoint=56,0\nleftbottompoint=4,24\n"
                                  "rightbottompoint=56,24\nclientrect=4,0,56,24\nfontname=Arial\nfontheight=14\n"
                                  "fontcolor=$000000FF\n");
                      return ini;
                    }());
  ASSERT_TRUE(ctl->skin->LoadFromFile(folder_.Path("Skin.ini"))) << ctl->skin->LastLoadError;
  Add(popup->Items(), "Plain");
  Add(popup->Items(), "-Section-")->SetEnabled(false);
  Add(popup->Items(), "-Section-");
  popup->Popup(100, 100);
  Idle();
  TspSkinPopupWindow* w = Level(0);
  ASSERT_TRUE(w && w->ItemDescription);
  auto redIn = [&](const TRect& b) {
    int n = 0;
    for (int y = b.Top; y < b.Bottom; ++y)
      for (int x = b.Left; x < b.Right; ++x) n += PixelOf(w->Handle(), x, y) == TColor(0x000000FF);
    return n;
  };
  EXPECT_GT(redIn(w->Items[1]->Bounds), 10);
  EXPECT_EQ(redIn(w->Items[2]->Bounds), 0);
  Snapshot(w->Handle(), "menu_section_header");
}

TEST_F(SkinMenusSkinTest, FreeingTheSkinWhileAMenuIsOpenClosesTheMenu) {
  LoadMenuSkin("");
  BuildMenu();
  auto* opener = new TLoggingControl(form, &log);
  opener->SetParent(form);
  popup->PopupAtButton(opener, TRect{100, 100, 140, 120}, false);
  Idle();
  ASSERT_EQ(Levels(), 1);
  ASSERT_NE(Level(0)->Description, nullptr);
  log.clear();
  delete ctl->skin;
  ctl->skin = nullptr;
  EXPECT_EQ(Levels(), 0);
  EXPECT_EQ(menu->SkinData, nullptr);
  EXPECT_EQ(popup->SkinData(), nullptr);
  EXPECT_EQ(log, std::vector<std::string>{"opener-closed"});
  Advance(100);  // the closed level is freed without touching the skin
  // The next menu opens in the default look.
  popup->Popup(100, 100);
  Idle();
  ASSERT_EQ(Levels(), 1);
  EXPECT_EQ(Level(0)->Description, nullptr);
}

TEST_F(SkinMenusTest, AnItemWhoseSubItemsAreAllHiddenOpensAFrameOnly) {
  Add(popup->Items(), "A")->SetVisible(false);
  Add(popup->Items(), "B")->SetVisible(false);
  popup->Popup(100, 100);
  Idle();
  ASSERT_EQ(Levels(), 1);
  EXPECT_TRUE(Level(0)->Items.empty());
  EXPECT_EQ(Level(0)->Height(), 6);
  EXPECT_EQ(Level(0)->SelectedRow, -1);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_EQ(Levels(), 1);
  Key(VK_ESCAPE);
  EXPECT_EQ(Levels(), 0);
  EXPECT_TRUE(TspSkinMenu::IsMenuCloseMessage(WM_NCRBUTTONDOWN));
}

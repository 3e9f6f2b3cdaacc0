// The skinned form's system menu, menu state and keyboard menu mode: the
// system menu opens through the form's skinned menu manager (right click on
// the caption, Alt+Space, the caption's system-menu button), its rows follow
// the window state and border icons, commands run after the menu closed,
// the keyboard drives the frame's main-menu items, keys and the wheel never
// reach the focused control while a menu is on, and the controller's menu
// properties reach the menus.
#include <algorithm>
#include <set>

#include "platform/ui/menus/Menus.h"
#include "skin/windows/Brenvale_Objects.h"
#include "tests/skin/windows/BrenvaleObjectsTestSupport.h"

namespace {

using namespace skinobj;

// A focusable control that logs what keys and wheel turns reach it.
class TKeyLog : public TCustomControl {
 public:
  explicit TKeyLog(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_KEYDOWN) Log.push_back("keydown " + std::to_string(m.WParam));
    if (m.Msg == WM_CHAR) Log.push_back("char " + std::to_string(m.WParam));
    if (m.Msg == WM_MOUSEWHEEL) Log.push_back("wheel");
    TCustomControl::WndProc(m);
  }
  std::vector<std::string> Log;
};

// The frame with a main-menu strip (26..46) below the caption, a close and a
// system-menu button, and a frame main-menu item description.
std::string MenuSkinIni() {
  return "[VERSION]\nskinversion=1\n[PICTURES]\npicture=frame.bmp\nactivepicturescount=1\n0=states.bmp\n"
         "[FORMINFO]\nclientrect=4,46,196,96\nlefttoppoint=30,30\nrighttoppoint=170,30\n"
         "leftbottompoint=30,90\nrightbottompoint=170,90\nleftstretch=1\ntopstretch=1\nrightstretch=1\n"
         "bottomstretch=1\ncaptionrect=24,2,196,24\nbuttonsrect=120,2,196,24\nbuttonsoffset=2\nborderwidth=4\n"
         "mainmenurect=4,26,196,46\n"
         "[SKINOBJECTS]\ncount=4\n0=caption:caption\n1=closebutton:stdbutton\n2=sysmenu:stdbutton\n"
         "3=MAINMENUITEM:mainmenuitem\n"
         "[caption]\nskinrect=40,0,110,24\ntextrect=4,2,60,22\ndefaultcaption=1\nfontname=Arial\nfontheight=14\n"
         "[closebutton]\ncommand=cmclose\nactivepictureindex=0\nskinrectinapicture=1\n"
         "skinrect=0,0,20,20\nactiveskinrect=20,0,40,20\ndownrect=40,0,60,20\n"
         "[sysmenu]\ncommand=cmsysmenu\nactivepictureindex=0\nskinrect=4,2,24,22\nactiveskinrect=20,0,40,20\n"
         "downrect=40,0,60,20\n"
         "[MAINMENUITEM]\nactivepictureindex=0\nskinrect=0,0,20,20\nactiveskinrect=20,0,40,20\n"
         "downrect=40,0,60,20\ntextrect=4,0,16,20\nfontname=Arial\nfontheight=12\nfontcolor=$00FFFFFF\n"
         "activefontcolor=$00FFFFFF\ndownfontcolor=$00FFFFFF\n"
         "[SKINCONTROLS]\ncount=0\n";
}

const std::string kClose = "\xE5\x85\xB3\xE9\x97\xAD(&C)";

class SysMenuTest : public BrenvaleObjectsTest {
 protected:
  TKeyLog* keys = nullptr;
  std::vector<std::string> log;

  void SetUp() override {
    BrenvaleObjectsTest::SetUp();
    keys = new TKeyLog(form);
    keys->SetParent(form);
    keys->SetBounds(10, 10, 60, 20);
    controller->OnSkinMenuOpen = [this](TObject*) { log.push_back("menu open"); };
    controller->OnSkinMenuClose = [this](TObject*) { log.push_back("menu close"); };
    controller->OnMainMenuEnter = [this](TObject*) { log.push_back("bar enter"); };
    controller->OnMainMenuExit = [this](TObject*) { log.push_back("bar exit"); };
    s.display.MouseMove(1, 1);
  }
  void TearDown() override {
    controller->OnSkinMenuOpen = controller->OnSkinMenuClose = nullptr;
    controller->OnMainMenuEnter = controller->OnMainMenuExit = nullptr;
    controller->OnMaximize = controller->OnMinimize = controller->OnChangeRollUpState = nullptr;
    form->OnClose = nullptr;
    BrenvaleObjectsTest::TearDown();
  }
  // A fresh form, controller and log for the next case of a table.
  void Restart() {
    TearDown();
    delete form;
    form = nullptr;
    skin = nullptr;
    log.clear();
    SetUp();
  }
  void ShowFocused() {
    Show();
    keys->SetFocus();
    Idle();
    ASSERT_EQ(GetFocus(), keys->Handle());
  }
  void LoadMenuSkin() {
    folder_.WriteBytes("frame.bmp", WriteBmp(FramePicture()));
    folder_.WriteBytes("states.bmp", WriteBmp(StatesPicture()));
    folder_.WriteText("Skin.ini", MenuSkinIni());
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    controller->SetSkinData(skin);
  }
  TspSkinMenu* Manager() const { return controller->SkinMenu; }
  int Levels() const { return int(Manager()->PopupWindows.size()); }
  TspSkinPopupWindow* Level(int i) const { return Manager()->PopupWindows[std::size_t(i)].get(); }
  std::vector<std::string> Rows(int level) const {
    std::vector<std::string> out;
    for (auto& r : Level(level)->Items) out.push_back(r->Item->Caption());
    return out;
  }
  std::string Selected(int level) const {
    if (level >= Levels()) return "";
    TspSkinPopupWindow* w = Level(level);
    if (w->SelectedRow < 0) return "";
    return w->Items[std::size_t(w->SelectedRow)]->Item->Caption();
  }
  TRect PopupRect(int level) const {
    RECT r{};
    GetWindowRect(Level(level)->Handle(), &r);
    return r;
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    Idle();
  }
  void AltWith(int vk) {
    s.display.KeyDown(VK_MENU);
    s.display.KeyPress(vk);
    s.display.KeyUp(VK_MENU);
    Idle();
  }
  TPoint Scr(int x, int y) const { return TPoint{form->Left() + x, form->Top() + y}; }
  void Click(int x, int y, TMouseButton b = TMouseButton::mbLeft) {
    const TPoint p = Scr(x, y);
    s.display.MouseMove(p.X, p.Y);
    Idle();
    s.display.MouseDown(p.X, p.Y, b);
    Idle();
    s.display.MouseUp(p.X, p.Y, b);
    Idle();
  }
  TspActiveSkinObject* SysButton() const {
    for (auto& o : controller->ObjectList)
      if (o->Command() == cmSysMenu) return o.get();
    return nullptr;
  }
  TPoint Middle(const TRect& r) const { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  // The caption band's middle, clear of its buttons.
  TPoint CaptionPoint() const {
    return controller->SkinApplied ? TPoint{100, 12} : TPoint{80, 3 + controller->CaptionHeight() / 2};
  }
  // The frame main-menu item lit or pressed, "" for none.
  std::string LitItem() const {
    for (auto& o : controller->ObjectList)
      if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get()); m && (m->Active || m->Down))
        return m->MenuItem->Caption();
    return "";
  }
  TMenuItem* AddItem(TMenuItem* parent, const std::string& caption) {
    auto* it = new TMenuItem(form);
    it->SetCaption(caption);
    it->OnClick = [this, caption](TObject*) { log.push_back("click " + caption); };
    parent->Add(it);
    return it;
  }
  // &File (&New, &Open, &Recent > (O&ne, &Two)), &Edit (&Undo), &Settings
  // (a command), &Help (&About).
  TMainMenu* BuildMainMenu() {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = AddItem(menu->Items(), "&File");
    AddItem(file, "&New");
    AddItem(file, "&Open");
    TMenuItem* recent = AddItem(file, "&Recent");
    AddItem(recent, "O&ne");
    AddItem(recent, "&Two");
    AddItem(AddItem(menu->Items(), "&Edit"), "&Undo");
    AddItem(menu->Items(), "&Settings");
    AddItem(AddItem(menu->Items(), "&Help"), "&About");
    controller->SetMainMenu(menu);
    return menu;
  }
  // The screen around the form and its popups, for looking at.
  void ScreenSnapshot(const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    std::vector<HWND> windows{form->Handle()};
    for (auto& w : Manager()->PopupWindows) windows.push_back(w->Handle());
    TRect all{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
    for (HWND h : windows) {
      RECT r{};
      GetWindowRect(h, &r);
      all.Left = std::min<int>(all.Left, r.Left);
      all.Top = std::min<int>(all.Top, r.Top);
      all.Right = std::max<int>(all.Right, r.Right);
      all.Bottom = std::max<int>(all.Bottom, r.Bottom);
    }
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(all.Right - all.Left, all.Bottom - all.Top);
    b.Canvas()->Brush()->SetColor(0x00303030);
    b.Canvas()->FillRect(TRect{0, 0, b.Width(), b.Height()});
    for (HWND h : windows) {
      RECT r{};
      GetWindowRect(h, &r);
      for (int y = 0; y < r.Bottom - r.Top; ++y)
        for (int x = 0; x < r.Right - r.Left; ++x) {
          const COLORREF c = s.display.PixelAt(h, x, y);
          if (c != CLR_INVALID) b.Canvas()->SetPixels(r.Left - all.Left + x, r.Top - all.Top + y, TColor(c));
        }
    }
    SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }
};

// ---- Opening ---------------------------------------------------------------------------------------------

TEST_F(SysMenuTest, TheSystemMenuOpensThroughTheSkinnedMenuByCaptionClickAltSpaceAndItsButton) {
  enum TWay { kRightClick, kAltSpace, kButton };
  struct TCase {
    const char* name;
    bool skin;
    TWay way;
  };
  const TCase cases[] = {
      {"default look, right click on the caption", false, kRightClick},
      {"default look, Alt+Space", false, kAltSpace},
      {"default look, the system-menu button", false, kButton},
      {"skin, right click on the caption", true, kRightClick},
      {"skin, Alt+Space", true, kAltSpace},
      {"skin, the system-menu button", true, kButton},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    if (c.skin) LoadMenuSkin();
    ShowFocused();
    TspActiveSkinObject* button = SysButton();
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->Enabled);
    const TRect b = button->ObjectRect;
    TPoint expected{};
    log.clear();
    switch (c.way) {
      case kRightClick: {
        const TPoint p = CaptionPoint();
        ASSERT_EQ(SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(Scr(p.X, p.Y).X, Scr(p.X, p.Y).Y)),
                  HTCAPTION);
        Click(p.X, p.Y, TMouseButton::mbRight);
        expected = Scr(p.X, p.Y);
        break;
      }
      case kAltSpace:
        AltWith(VK_SPACE);
        expected = Scr(b.Left, b.Bottom);
        break;
      case kButton: {
        const TPoint m = Middle(b);
        const TPoint p = Scr(m.X, m.Y);
        s.display.MouseMove(p.X, p.Y);
        Idle();
        s.display.MouseDown(p.X, p.Y);
        Idle();
        expected = Scr(b.Left, b.Bottom);
        EXPECT_TRUE(button->IsDown());
        s.display.MouseUp(p.X, p.Y);
        Idle();
        break;
      }
    }
    ASSERT_EQ(Levels(), 1);
    EXPECT_TRUE(Manager()->Visible);
    const TRect r = PopupRect(0);
    EXPECT_EQ(r.Left, expected.X);
    EXPECT_EQ(r.Top, expected.Y);
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"Mi&nimize", "Ma&ximize", "Ro&llUp", "-", kClose}));
    EXPECT_TRUE(controller->SkinMenuOpen);
    EXPECT_TRUE(controller->MessageHookInstalled());
    EXPECT_EQ(log, std::vector<std::string>{"menu open"});
    // The menu never takes the focus or the activation from the form.
    EXPECT_EQ(GetFocus(), keys->Handle());
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    Key(VK_ESCAPE);
    EXPECT_EQ(Levels(), 0);
    EXPECT_FALSE(controller->SkinMenuOpen);
    EXPECT_FALSE(controller->MessageHookInstalled());
    EXPECT_EQ(log, (std::vector<std::string>{"menu open", "menu close"}));
    EXPECT_FALSE(button->IsDown());
    EXPECT_EQ(controller->PressedIndex, -1);
    EXPECT_TRUE(keys->Log.empty());
  }
}

TEST_F(SysMenuTest, AltSpaceWithoutASystemMenuButtonOpensBelowTheCaptionsLeftEnd) {
  LoadWizardSkin();
  ShowFocused();
  ASSERT_EQ(SysButton(), nullptr);
  AltWith(VK_SPACE);
  ASSERT_EQ(Levels(), 1);
  const TRect cap = controller->FittedCaptionRect;
  EXPECT_EQ(PopupRect(0).Left, form->Left() + cap.Left);
  EXPECT_EQ(PopupRect(0).Top, form->Top() + cap.Bottom);
  // Without biSystemMenu there is no system menu to open.
  Key(VK_ESCAPE);
  controller->SetBorderIcons(spbiMinimize | spbiMaximize);
  AltWith(VK_SPACE);
  EXPECT_EQ(Levels(), 0);
  EXPECT_TRUE(keys->Log.empty());
}

TEST_F(SysMenuTest, RowsFollowTheWindowStateAndBorderIcons) {
  struct TCase {
    const char* name;
    TspBorderIcons icons;
    TspWindowState state;
    bool rolledUp;
    std::vector<std::string> rows;
  };
  const TspBorderIcons all = spbiSystemMenu | spbiMinimize | spbiMaximize | spbiRollUp;
  const TCase cases[] = {
      {"normal", all, spwsNormal, false, {"Mi&nimize", "Ma&ximize", "Ro&llUp", "-", kClose}},
      {"maximized: restore instead of maximize", all, spwsMaximized, false,
       {"Mi&nimize", "&Restore", "Ro&llUp", "-", kClose}},
      {"minimized: no minimize, no roll-up", all, spwsMinimized, false, {"Ma&ximize", "&Restore", "-", kClose}},
      {"rolled up: restore instead of roll-up", all, spwsNormal, true,
       {"Mi&nimize", "Ma&ximize", "&Restore", "-", kClose}},
      {"with the tray icon", all | spbiMinimizeToTray, spwsNormal, false,
       {"Mi&nimize", "Ma&ximize", "Ro&llUp", "Minimize to &Tray", "-", kClose}},
      {"only the system menu: close alone", spbiSystemMenu, spwsNormal, false, {kClose}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    ShowFocused();
    controller->SetBorderIcons(c.icons);
    if (c.rolledUp) controller->ChangeRollUpState(true);
    // A main form minimizes the application: the state is set directly.
    if (c.state == spwsMinimized)
      controller->WindowState = spwsMinimized;
    else if (c.state != spwsNormal)
      controller->ChangeWindowState(c.state);
    Idle();
    ASSERT_EQ(controller->RollUpState, c.rolledUp);
    ASSERT_EQ(controller->WindowState, c.state);
    controller->PopupSystemMenuAt(form->Left() + 30, form->Top() + 30);
    Idle();
    ASSERT_EQ(Levels(), 1);
    EXPECT_EQ(Rows(0), c.rows);
    // The close row carries Alt+F4.
    EXPECT_EQ(ShortCutToText(Level(0)->Items.back()->Item->ShortCut()), "Alt+F4");
    Key(VK_ESCAPE);
  }
}

TEST_F(SysMenuTest, AUserSystemMenuKeepsItsOwnItemsBetweenTheControllersAndClose) {
  ShowFocused();
  auto* user = new TPopupMenu(form);
  AddItem(user->Items(), "&About");
  AddItem(user->Items(), "&Options");
  controller->SystemMenu = user;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    if (round == 1) controller->ChangeWindowState(spwsMaximized);
    if (round == 2) controller->ChangeWindowState(spwsNormal);
    controller->PopupSystemMenuAt(form->Left() + 30, form->Top() + 30);
    Idle();
    ASSERT_EQ(Levels(), 1);
    const std::string middle = round == 1 ? "&Restore" : "Ma&ximize";
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"Mi&nimize", middle, "Ro&llUp", "&About", "&Options", kClose}));
    Key(VK_ESCAPE);
  }
  // Without UseDefaultSysMenu the user's menu shows as it is.
  controller->UseDefaultSysMenu = false;
  user->Items()->Clear();
  AddItem(user->Items(), "&Only");
  controller->PopupSystemMenuAt(form->Left() + 30, form->Top() + 30);
  Idle();
  ASSERT_EQ(Levels(), 1);
  EXPECT_EQ(Rows(0), std::vector<std::string>{"&Only"});
  Key(VK_ESCAPE);
}

// ---- Commands ----------------------------------------------------------------------------------------------

TEST_F(SysMenuTest, ACommandRunsAfterTheMenuClosed) {
  struct TCase {
    const char* name;
    std::vector<int> keys;
    std::string event;
  };
  const TCase cases[] = {
      {"maximize by its mnemonic", {'X'}, "maximize"},
      {"minimize by Enter on the first row", {VK_RETURN}, "minimize"},
      {"roll up by arrows and Enter", {VK_DOWN, VK_DOWN, VK_RETURN}, "rollup"},
      {"close by its mnemonic", {'C'}, "close"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    ShowFocused();
    auto note = [this](const std::string& what) {
      log.push_back(what + (Levels() == 0 && !controller->SkinMenuOpen && !Manager()->Visible ? " after close"
                                                                                               : " while open"));
    };
    controller->OnMaximize = [&](TObject*) { note("maximize"); };
    controller->OnMinimize = [&](TObject*) { note("minimize"); };
    controller->OnChangeRollUpState = [&](TObject*) { note("rollup"); };
    form->OnClose = [&](TObject*, TCloseAction& a) {
      note("close");
      a = caNone;
    };
    AltWith(VK_SPACE);
    ASSERT_EQ(Levels(), 1);
    log.clear();
    for (int k : c.keys) Key(k);
    EXPECT_EQ(log, (std::vector<std::string>{"menu close", c.event + " after close"}));
    EXPECT_FALSE(controller->MessageHookInstalled());
    EXPECT_TRUE(keys->Log.empty());
  }
}

TEST_F(SysMenuTest, DisableSystemMenuKeepsEveryRoadShut) {
  ShowFocused();
  controller->DisableSystemMenu = true;
  controller->UpdateBorderIcons();
  TspActiveSkinObject* button = SysButton();
  ASSERT_TRUE(button);
  EXPECT_FALSE(button->Enabled);
  const TPoint cp = CaptionPoint();
  Click(cp.X, cp.Y, TMouseButton::mbRight);
  EXPECT_EQ(Levels(), 0);
  AltWith(VK_SPACE);
  EXPECT_EQ(Levels(), 0);
  const TPoint m = Middle(button->ObjectRect);
  Click(m.X, m.Y);
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(controller->SkinMenuOpen);
  EXPECT_FALSE(controller->MessageHookInstalled());
  EXPECT_TRUE(log.empty());
  // Alt+Space is still the form's: it never reaches the focused control.
  EXPECT_TRUE(keys->Log.empty());
  // Allowed again, the same right click opens it.
  controller->DisableSystemMenu = false;
  Click(cp.X, cp.Y, TMouseButton::mbRight);
  EXPECT_EQ(Levels(), 1);
  Key(VK_ESCAPE);
}

TEST_F(SysMenuTest, WhileAMenuIsOpenNoKeyNorWheelReachesTheApplication) {
  ShowFocused();
  bool previousRan = false;
  app.OnMessage = [&](MSG&, bool&) { previousRan = true; };
  AltWith(VK_SPACE);
  ASSERT_EQ(Levels(), 1);
  previousRan = false;
  keys->Log.clear();
  for (int k : {int('Q'), int(VK_DOWN), int(VK_UP), int(VK_TAB)}) Key(k);
  const TPoint p = Scr(40, 40);
  s.display.Wheel(p.X, p.Y, 120);
  Idle();
  EXPECT_TRUE(keys->Log.empty());
  EXPECT_FALSE(previousRan);
  EXPECT_EQ(Levels(), 1);
  Key(VK_ESCAPE);
  ASSERT_EQ(Levels(), 0);
  // The application's own callback is back, and so are the keys.
  Key('Q');
  EXPECT_TRUE(previousRan);
  EXPECT_EQ(keys->Log.front(), "keydown " + std::to_string('Q'));
  app.OnMessage = nullptr;
}

// ---- Keyboard main-menu mode -------------------------------------------------------------------------------

TEST_F(SysMenuTest, KeyboardMainMenuMode) {
  enum : int { kAlt = -1, kF10 = -2 };
  struct TCase {
    const char* name;
    std::vector<int> keys;  // kAlt: a bare Alt tap; 'x' | 0x10000: Alt+x
    bool inMainMenu;
    std::string lit;
    int levels;
    std::string selected;  // in the last level
    std::vector<std::string> clicks;
  };
  const int altE = 0x10000 | 'E';
  const TCase cases[] = {
      {"Alt lights the first item", {kAlt}, true, "&File", 0, "", {}},
      {"F10 lights it too", {kF10}, true, "&File", 0, "", {}},
      {"Right moves on", {kAlt, VK_RIGHT}, true, "&Edit", 0, "", {}},
      {"Left wraps to the last item", {kAlt, VK_LEFT}, true, "&Help", 0, "", {}},
      {"Right wraps to the first", {kAlt, VK_LEFT, VK_RIGHT}, true, "&File", 0, "", {}},
      {"Down opens the lit item", {kAlt, VK_DOWN}, true, "&File", 1, "&New", {}},
      {"Enter opens it too", {kAlt, VK_RETURN}, true, "&File", 1, "&New", {}},
      {"Right with a menu open opens the next item's", {kAlt, VK_DOWN, VK_RIGHT}, true, "&Edit", 1, "&Undo", {}},
      {"Left with a menu open opens the previous item's", {kAlt, VK_DOWN, VK_LEFT}, true, "&Help", 1, "&About", {}},
      // A row's own click runs before its sub-menu opens (it may fill it).
      {"Right on a row with a sub-menu enters it", {kAlt, VK_DOWN, VK_UP, VK_RIGHT}, true, "&File", 2, "O&ne",
       {"click &Recent"}},
      {"Left in the sub-menu closes only it", {kAlt, VK_DOWN, VK_UP, VK_RIGHT, VK_LEFT}, true, "&File", 1,
       "&Recent", {"click &Recent"}},
      {"Escape closes the menu and keeps the bar lit", {kAlt, VK_DOWN, VK_ESCAPE}, true, "&File", 0, "", {}},
      {"a second Escape leaves the bar", {kAlt, VK_DOWN, VK_ESCAPE, VK_ESCAPE}, false, "", 0, "", {}},
      {"Alt again leaves the bar", {kAlt, kAlt}, false, "", 0, "", {}},
      {"Enter on a row runs it after the menu closed", {kAlt, VK_DOWN, VK_RETURN}, false, "", 0, "",
       {"click &New"}},
      {"a row's mnemonic runs it", {kAlt, VK_DOWN, 'O'}, false, "", 0, "", {"click &Open"}},
      {"a mnemonic opens its item", {kAlt, 'E'}, true, "&Edit", 1, "&Undo", {}},
      {"a mnemonic of a command item runs it", {kAlt, 'S'}, false, "", 0, "", {"click &Settings"}},
      {"Alt with a mnemonic from the form", {altE}, true, "&Edit", 1, "&Undo", {}},
      {"F4 is no accelerator of Settings", {kAlt, VK_F4}, true, "&File", 0, "", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    LoadMenuSkin();
    BuildMainMenu();
    ShowFocused();
    log.clear();
    for (int k : c.keys) {
      if (k == kAlt) {
        s.display.KeyPress(VK_MENU);
        Idle();
      } else if (k == kF10) {
        Key(VK_F10);
      } else if (k & 0x10000) {
        AltWith(k & 0xFFFF);
      } else {
        Key(k);
      }
    }
    EXPECT_EQ(controller->InMainMenu, c.inMainMenu);
    EXPECT_EQ(LitItem(), c.lit);
    EXPECT_EQ(Levels(), c.levels);
    if (c.levels > 0) EXPECT_EQ(Selected(c.levels - 1), c.selected);
    std::vector<std::string> clicks;
    for (auto& e : log)
      if (e.rfind("click ", 0) == 0) clicks.push_back(e);
    EXPECT_EQ(clicks, c.clicks);
    EXPECT_EQ(controller->MessageHookInstalled(), c.inMainMenu || c.levels > 0);
    EXPECT_TRUE(keys->Log.empty());
    EXPECT_EQ(GetFocus(), keys->Handle());
  }
}

TEST_F(SysMenuTest, AltF4ClosesTheFormAndIsNeverAFrameAccelerator) {
  LoadMenuSkin();
  BuildMainMenu();
  ShowFocused();
  bool closing = false;
  form->OnClose = [&](TObject*, TCloseAction& a) {
    closing = true;
    a = caNone;
  };
  AltWith(VK_F4);
  EXPECT_TRUE(closing);
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(controller->InMainMenu);
  EXPECT_EQ(std::count(log.begin(), log.end(), "click &Settings"), 0);
}

TEST_F(SysMenuTest, TheMainMenusShortCutsRunThroughTheForm) {
  LoadMenuSkin();
  TMainMenu* menu = BuildMainMenu();
  menu->Items()->Items(0)->Items(1)->SetShortCut(TextToShortCut("Ctrl+O"));
  ShowFocused();
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress('O');
  s.display.KeyUp(VK_CONTROL);
  Idle();
  EXPECT_EQ(log, std::vector<std::string>{"click &Open"});
  EXPECT_EQ(Levels(), 0);
  // An OnShortCut that takes the key comes first.
  log.clear();
  controller->OnShortCut = [](TWMKey&, bool& handled) { handled = true; };
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress('O');
  s.display.KeyUp(VK_CONTROL);
  Idle();
  EXPECT_TRUE(log.empty());
  AltWith(VK_SPACE);
  EXPECT_EQ(Levels(), 0);
  controller->OnShortCut = nullptr;
}

TEST_F(SysMenuTest, AMouseClickOnTheFormEndsMainMenuMode) {
  LoadMenuSkin();
  BuildMainMenu();
  ShowFocused();
  s.display.KeyPress(VK_MENU);
  Idle();
  Key(VK_DOWN);
  ASSERT_EQ(Levels(), 1);
  // The menu holds the pointer: a press outside it closes it all.
  Click(150, 80);
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(controller->InMainMenu);
  EXPECT_FALSE(controller->SkinMenuOpen);
  EXPECT_FALSE(controller->MessageHookInstalled());
  EXPECT_EQ(LitItem(), "");
  EXPECT_EQ(log, (std::vector<std::string>{"bar enter", "menu open", "menu close", "bar exit"}));
}

// ---- Properties and the tray menu --------------------------------------------------------------------------

TEST_F(SysMenuTest, TheControllersMenuPropertiesReachTheMenus) {
  struct TCase {
    const char* name;
    std::function<void(TspBrenvale*)> set;
    std::function<void(SysMenuTest*, TspSkinPopupWindow*)> check;
  };
  const TCase cases[] = {
      {"item height",
       [](TspBrenvale* c) {
         c->SetDefMenuItemHeight(31);
         c->SetDefMenuItemHeight(0);  // ignored
       },
       [](SysMenuTest*, TspSkinPopupWindow* w) {
         for (auto& r : w->Items)
           if (!r->IsSeparator()) EXPECT_EQ(r->Bounds.Height(), 31);
       }},
      {"item font",
       [](TspBrenvale* c) {
         TFont f;
         f.SetName("Times New Roman");
         f.SetHeight(19);
         c->SetDefMenuItemFont(&f);
       },
       [](SysMenuTest*, TspSkinPopupWindow* w) {
         EXPECT_EQ(w->Canvas()->Font()->Name(), "Times New Roman");
         EXPECT_EQ(w->Canvas()->Font()->Height(), 19);
       }},
      {"rows in a window",
       [](TspBrenvale* c) {
         c->SetMaxMenuItemsInWindow(2);
         c->SetMaxMenuItemsInWindow(-1);  // ignored
       },
       [](SysMenuTest*, TspSkinPopupWindow* w) {
         EXPECT_TRUE(w->Scrolling);
         EXPECT_EQ(w->PageCount, 2);
       }},
      {"alpha blend",
       [](TspBrenvale* c) {
         c->SetMenusAlphaBlend(true);
         c->SetMenusAlphaBlendValue(150);
       },
       [](SysMenuTest*, TspSkinPopupWindow* w) {
         EXPECT_TRUE(w->AlphaBlend);
         EXPECT_EQ(w->AlphaBlendValue, 150);
         EXPECT_TRUE(GetWindowLong(w->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
       }},
      {"fade-in",
       [](TspBrenvale* c) {
         c->SetMenusAlphaBlend(true);
         c->SetMenusAlphaBlendAnimation(true);
       },
       [](SysMenuTest*, TspSkinPopupWindow* w) {
         EXPECT_TRUE(w->AlphaBlendAnimation);
         ASSERT_FALSE(w->FadeSteps.empty());
         EXPECT_EQ(w->FadeSteps.back(), 200);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    ShowFocused();
    c.set(controller);
    controller->PopupSystemMenuAt(form->Left() + 30, form->Top() + 30);
    Advance(200);
    ASSERT_EQ(Levels(), 1);
    c.check(this, Level(0));
    Key(VK_ESCAPE);
  }
}

TEST_F(SysMenuTest, UseSkinFontInMenuChoosesBetweenTheSkinsFontAndTheDefaultOne) {
  LoadWizardSkin();
  ShowFocused();
  TFont f;
  f.SetName("Times New Roman");
  f.SetHeight(17);
  controller->SetDefMenuItemFont(&f);
  ASSERT_TRUE(controller->UseSkinFontInMenu());
  std::set<std::string> seen;
  for (bool useSkin : {true, false}) {
    controller->SetUseSkinFontInMenu(useSkin);
    EXPECT_EQ(controller->UseSkinFontInMenu(), useSkin);
    controller->PopupSystemMenuAt(form->Left() + 30, form->Top() + 30);
    Idle();
    ASSERT_EQ(Levels(), 1);
    const std::string name = Level(0)->Canvas()->Font()->Name();
    if (!useSkin) EXPECT_EQ(name, "Times New Roman");
    seen.insert(name);
    Key(VK_ESCAPE);
  }
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(SysMenuTest, TheTrayMenuIsBuiltWithTheBuiltInCaptionsAndFollowsTheSkin) {
  TspSkinPopupMenu* tray = controller->TrayPopupMenu;
  ASSERT_TRUE(tray);
  std::vector<std::string> rows;
  for (int i = 0; i < tray->Items()->Count(); ++i) rows.push_back(tray->Items()->Items(i)->Caption());
  EXPECT_EQ(rows, (std::vector<std::string>{"&Restore", "-", kClose}));
  EXPECT_EQ(tray->Items()->Items(0)->Name(), "TRAY_BVL_RESTORE");
  EXPECT_EQ(tray->Items()->Items(2)->Name(), "TRAY_BVL_CLOSE");
  EXPECT_EQ(ShortCutToText(tray->Items()->Items(2)->ShortCut()), "Alt+F4");
  EXPECT_EQ(tray->ControllerForm, form);
  LoadWizardSkin();
  EXPECT_EQ(tray->SkinData(), skin);
  controller->SetSkinData(nullptr);
  EXPECT_EQ(tray->SkinData(), nullptr);
}

// ---- Looks -------------------------------------------------------------------------------------------------

TEST_F(SysMenuTest, TheOpenSystemMenuInTheWizardsSkinAndInTheDefaultLook) {
  std::vector<TColor> firstRow;
  for (bool wizard : {false, true}) {
    SCOPED_TRACE(wizard ? "wizard's skin" : "default look");
    Restart();
    if (wizard) LoadWizardSkin();
    ShowFocused();
    const TPoint p = CaptionPoint();
    Click(p.X, p.Y, TMouseButton::mbRight);
    ASSERT_EQ(Levels(), 1);
    Advance(200);
    // The first row is lit: it differs from the second one.
    TspSkinPopupWindow* w = Level(0);
    const TRect r0 = w->Items[0]->Bounds, r1 = w->Items[1]->Bounds;
    int differ = 0;
    for (int x = r0.Left; x < r0.Right; ++x)
      differ += s.display.PixelAt(w->Handle(), x, r0.Top + 2) != s.display.PixelAt(w->Handle(), x, r1.Top + 2);
    EXPECT_GT(differ, (r0.Right - r0.Left) / 2);
    firstRow.push_back(TColor(s.display.PixelAt(w->Handle(), (r0.Left + r0.Right) / 2, r0.Top + 2)));
    ScreenSnapshot(wizard ? "sysmenu_wizard_skin" : "sysmenu_default_look");
    Key(VK_ESCAPE);
  }
  // The skin draws its own rows.
  EXPECT_NE(firstRow[0], firstRow[1]);
}

}  // namespace

namespace {

using namespace skinobj;

TEST_F(SysMenuTest, AFrameMenuItemOpensItsSubMenuThroughTheSkinnedMenusAndTheMouseMovesAlongTheBar) {
  LoadMenuSkin();
  BuildMainMenu();
  ShowFocused();
  auto item = [this](const std::string& caption) -> TspSkinMainMenuItem* {
    for (auto& o : controller->ObjectList)
      if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get()); m && m->MenuItem->Caption() == caption) return m;
    return nullptr;
  };
  TspSkinMainMenuItem* file = item("&File");
  TspSkinMainMenuItem* edit = item("&Edit");
  ASSERT_TRUE(file && edit);
  const TPoint f = Middle(file->ObjectRect), e = Middle(edit->ObjectRect);
  Click(f.X, f.Y);
  ASSERT_EQ(Levels(), 1);
  EXPECT_EQ(Rows(0), (std::vector<std::string>{"&New", "&Open", "&Recent"}));
  EXPECT_EQ(PopupRect(0).Left, form->Left() + file->ObjectRect.Left);
  EXPECT_EQ(PopupRect(0).Top, form->Top() + file->ObjectRect.Bottom);
  EXPECT_TRUE(file->Down);
  EXPECT_TRUE(controller->InMainMenu);
  // Along the bar with the menu open: the next item's menu opens.
  const TPoint p = Scr(e.X, e.Y);
  s.display.MouseMove(p.X, p.Y);
  Advance(100);
  ASSERT_EQ(Levels(), 1);
  EXPECT_EQ(Rows(0), std::vector<std::string>{"&Undo"});
  EXPECT_TRUE(edit->Down);
  EXPECT_FALSE(file->Down);
  // Into the menu and back onto the bar: the bar still follows the mouse.
  {
    const TRect r = PopupRect(0);
    s.display.MouseMove(r.Left + 5, r.Top + 5);
    Advance(100);
    const TPoint back = Scr(f.X, f.Y);
    s.display.MouseMove(back.X, back.Y);
    Advance(100);
    EXPECT_TRUE(file->Down);
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"&New", "&Open", "&Recent"}));
    s.display.MouseMove(p.X, p.Y);
    Advance(100);
    ASSERT_TRUE(edit->Down);
  }
  // A row's click runs after everything closed.
  const TRect r = PopupRect(0);
  const TRect row = Level(0)->Items[0]->Bounds;
  s.display.MouseMove(r.Left + Middle(row).X, r.Top + Middle(row).Y);
  Advance(100);
  s.display.Click(r.Left + Middle(row).X, r.Top + Middle(row).Y);
  Idle();
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(edit->Down);
  EXPECT_FALSE(controller->InMainMenu);
  EXPECT_FALSE(controller->MessageHookInstalled());
  EXPECT_EQ(log.back(), "click &Undo");
}

}  // namespace

namespace {

using namespace skinobj;

TEST_F(SysMenuTest, AnMdiChildsSystemMenuShowsThroughTheMainFormsController) {
  form->SetFormStyle(fsMDIForm);
  ShowFocused();
  TForm* child = nullptr;
  app.CreateForm(child);
  child->SetFormStyle(fsMDIChild);
  auto* childCtl = new TspBrenvale(child);
  std::vector<std::string> childLog;
  childCtl->OnSkinMenuClose = [&](TObject*) { childLog.push_back("menu close"); };
  child->Show();
  Idle();
  childCtl->PopupSystemMenuAt(form->Left() + 40, form->Top() + 60);
  Idle();
  ASSERT_EQ(Levels(), 1);
  EXPECT_FALSE(childCtl->SkinMenu->Visible);
  EXPECT_TRUE(childCtl->SkinMenuOpen);
  // An MDI child closes with Ctrl+F4.
  EXPECT_EQ(ShortCutToText(Level(0)->Items.back()->Item->ShortCut()), "Ctrl+F4");
  // The keys reach the main form's menu; closing it ends the child's menu
  // state too.
  Key(VK_ESCAPE);
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(childCtl->SkinMenuOpen);
  EXPECT_FALSE(childCtl->MessageHookInstalled());
  EXPECT_FALSE(controller->MessageHookInstalled());
  EXPECT_EQ(childLog, std::vector<std::string>{"menu close"});
  childCtl->OnSkinMenuClose = nullptr;
  delete child;
}

}  // namespace

namespace {

using namespace skinobj;

TEST_F(SysMenuTest, AnApplicationPopupMenuShowsThroughTheControllerAndAnEmptyOneLeavesNoMenuState) {
  ShowFocused();
  auto* popup = new TspSkinPopupMenu(form);
  AddItem(popup->Items(), "&One");
  AddItem(popup->Items(), "&Two");
  popup->Popup(form->Left() + 50, form->Top() + 60);
  Idle();
  ASSERT_EQ(Levels(), 1);
  EXPECT_TRUE(controller->SkinMenuOpen);
  EXPECT_TRUE(controller->MessageHookInstalled());
  Key('T');
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(controller->SkinMenuOpen);
  EXPECT_FALSE(controller->MessageHookInstalled());
  EXPECT_EQ(log, (std::vector<std::string>{"menu open", "menu close", "click &Two"}));
  EXPECT_TRUE(keys->Log.empty());
  // A menu with nothing to show opens nothing and leaves the keys alone.
  log.clear();
  auto* empty = new TspSkinPopupMenu(form);
  empty->Popup(form->Left() + 50, form->Top() + 60);
  Idle();
  EXPECT_EQ(Levels(), 0);
  EXPECT_FALSE(controller->SkinMenuOpen);
  EXPECT_FALSE(controller->MessageHookInstalled());
  Key('Q');
  EXPECT_EQ(keys->Log.front(), "keydown " + std::to_string('Q'));
}

}  // namespace

TEST_F(SysMenuTest, AltEntersMainMenuModeEvenWithoutMenuItemsAndEscapeEndsIt) {
  LoadMenuSkin();
  ShowFocused();
  log.clear();
  s.display.KeyPress(VK_MENU);
  Idle();
  EXPECT_TRUE(controller->InMainMenu);
  EXPECT_TRUE(controller->MessageHookInstalled());
  EXPECT_EQ(LitItem(), "");
  EXPECT_EQ(log, (std::vector<std::string>{"bar enter"}));
  // The mode holds the keys: none reaches the focused control.
  Key('A');
  EXPECT_TRUE(keys->Log.empty());
  Key(VK_ESCAPE);
  EXPECT_FALSE(controller->InMainMenu);
  EXPECT_FALSE(controller->MessageHookInstalled());
  EXPECT_EQ(log, (std::vector<std::string>{"bar enter", "bar exit"}));
}

TEST_F(SysMenuTest, AcceleratorsBeyondLettersAndDigitsOpenTheirItems) {
  LoadMenuSkin();
  auto* menu = new TMainMenu(form);
  AddItem(AddItem(menu->Items(), "&File"), "&New");
  AddItem(AddItem(menu->Items(), "Zoom &-"), "Out");
  AddItem(AddItem(menu->Items(), "Tools &/"), "Options");
  controller->SetMainMenu(menu);
  ShowFocused();
  const struct {
    int vk;
    const char* lit;
  } cases[] = {{VK_OEM_MINUS, "Zoom &-"}, {VK_OEM_2, "Tools &/"}, {VK_F1, "&File"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lit);
    if (controller->InMainMenu) Key(VK_ESCAPE), Key(VK_ESCAPE);
    s.display.KeyPress(VK_MENU);
    Idle();
    Key(c.vk);
    EXPECT_EQ(LitItem(), c.lit);
    // A function key is no accelerator: nothing opens.
    EXPECT_EQ(Levels(), c.vk == VK_F1 ? 0 : 1);
  }
}

// The skinned main menu bar on an MDI form: items laid out and tracked by
// the mouse, sub-menus switched by sliding along the bar, commands, the
// keyboard menu mode (Alt, arrows, accelerators, Escape), the overflow
// marker and its menu, the menu of the active child merged in, and a
// maximized child's system buttons; the default look and a fixture skin.
#include "skin/controls/Brenvale_MainMenuBar.h"

#include "tests/skin/controls/BrenvaleMainMenuBarTestSupport.h"

using namespace skinbars;

namespace {

constexpr TColor kBarNavy = 0x00800000, kBarHot = 0x00D2BDB6, kBarDown = 0x00B59385;

// The fixture picture's cells (SkinControlsTestSupport.h) as the bar, its
// items and its child buttons.
// itemKeys: more keys of the item description.
std::string MenuBarIni(const std::string& itemKeys = "") {
  return "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=1\n0=states.bmp\n"
         "[FORMINFO]\nborderwidth=1\n"
         "[SKINOBJECTS]\ncount=2\n0=baritem:mainmenubaritem\n1=barclose:mainmenubarbutton\n"
         "[baritem]\nactivepictureindex=0\nskinrect=0,0,40,20\nactiveskinrect=0,20,40,40\ndownrect=0,40,40,60\n"
         "textrect=4,2,36,18\nitemleftoffset=2\nitemrightoffset=2\nfontname=Arial\nfontheight=13\n"
         "fontcolor=$00FFFFFF\nactivefontcolor=$00FFFFFF\ndownfontcolor=$0000FFFF\nunenabledfontcolor=$00808080\n" +
         itemKeys +
         "[barclose]\nactivepictureindex=0\nskinrect=0,60,16,76\nactiveskinrect=0,20,16,36\n"
         "downrect=0,40,16,56\ncommand=cmclose\n"
         "[SKINCONTROLS]\ncount=1\n0=mainmenubar:mainmenubar\n"
         "[mainmenubar]\npictureindex=0\nskinrect=0,80,40,100\nitemsrect=2,0,38,20\nmenubaritem=baritem\n"
         "closebutton=barclose\ntrackmarkcolor=$000000FF\ntrackmarkactivecolor=$0000FF00\n"
         "[SKINCOLORS]\ncbtnface=$00F0F0F0\ncbtnhighlight=$00FFFFFF\ncbtnshadow=$00808080\n";
}

class MainMenuBarTest : public SkinBarsTest {
 protected:
  TspSkinMainMenuBar* bar = nullptr;
  TMainMenu* menu = nullptr;
  TMenuItem *file = nullptr, *edit = nullptr, *window = nullptr, *help = nullptr;

  std::string itemKeys;
  void LoadBarSkin() {
    folder_.WriteBytes("states.bmp", WriteBmp(FixturePicture()));
    folder_.WriteText("Skin.ini", MenuBarIni(itemKeys));
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
  }
  // The MDI form with its bar: File, Edit, Window with sub-items and a
  // Help command.
  void MakeBar(bool skinned = false, const char* fileCaption = "&File", const char* editCaption = "&Edit") {
    if (skinned) LoadBarSkin();
    MakeMDIForm();
    menu = new TMainMenu(form);
    file = AddItem(menu, "FileItem", fileCaption, 0, {"Open", "Save"});
    edit = AddItem(menu, "EditItem", editCaption, 1, {"Copy", "Paste"});
    window = AddItem(menu, "WindowItem", "&Window", 5, {"Tile"});
    help = AddItem(menu, "HelpItem", "&Help", 9, {});
    bar = new TspSkinMainMenuBar(form);
    bar->SetParent(form);
    bar->SetBrenvale(ctl);
    ctl->MainMenuBar = bar;
    bar->SetMainMenu(menu);
    if (skin) bar->SetSkinData(skin);
    Show();
    s.display.MouseMove(500, 500);
    Idle();
  }
  TspSkinMainMenuBarItem* Item(int i) {
    int n = 0;
    for (auto& o : bar->ObjectList)
      if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()); it && n++ == i) return it;
    return nullptr;
  }
  std::vector<std::string> ItemNames() {
    std::vector<std::string> out;
    for (auto& o : bar->ObjectList)
      if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get())) out.push_back(it->IDName);
    return out;
  }
  TspSkinMainMenuBarButton* Button(int i) {
    return i < bar->ButtonsCount ? dynamic_cast<TspSkinMainMenuBarButton*>(bar->ObjectList[std::size_t(i)].get())
                                 : nullptr;
  }
  TPoint Mid(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  void HoverItem(int i) {
    const TPoint p = Mid(Item(i)->ObjectRect);
    MoveTo(bar, p.X, p.Y);
    Advance(50);
  }
  void ClickItem(int i) {
    const TPoint p = Mid(Item(i)->ObjectRect);
    Click(bar, p.X, p.Y);
  }
};

// Items follow one another from the items rectangle's left edge, each its
// caption's width plus 12, spanning the bar's height less 2 at each edge.
TEST_F(MainMenuBarTest, DefaultItemsFollowOneAnotherAlongTheBar) {
  MakeBar();
  EXPECT_EQ(bar->Align(), alTop);
  EXPECT_EQ(bar->Height(), 22);
  ASSERT_EQ(ItemNames(), (std::vector<std::string>{"FileItem", "EditItem", "WindowItem", "HelpItem"}));
  EXPECT_EQ(Item(0)->ObjectRect.Left, 2);
  for (int i = 0; i < 4; ++i) {
    const TRect r = Item(i)->ObjectRect;
    EXPECT_EQ(r.Top, 2);
    EXPECT_EQ(r.Bottom, 20);
    if (i > 0) EXPECT_EQ(r.Left, Item(i - 1)->ObjectRect.Right);
    TBitmap scratch(1, 1, pf24bit);
    scratch.Canvas()->Font()->Assign(bar->DefItemFont());
    TRect m{0, 0, 0, 0};
    DrawWideText(scratch.Canvas(), Item(i)->MenuItem->Caption(), m, DT_CALCRECT | DT_CENTER);
    EXPECT_EQ(r.Width(), m.Width() + 12) << i;
  }
  // Nothing hovered: the button face all along.
  EXPECT_EQ(Pixel(bar, Item(1)->ObjectRect.Left, 5), TColor(ColorToRGB(clBtnFace)));
}

// Hover draws the navy frame around the hot fill; a press opens the item's
// sub-menu through the controller's menu manager and draws the down fill.
TEST_F(MainMenuBarTest, HoverHighlightsAndAPressOpensTheSubMenu) {
  MakeBar();
  HoverItem(1);
  const TRect r = Item(1)->ObjectRect;
  EXPECT_TRUE(Item(1)->Active);
  EXPECT_EQ(Pixel(bar, r.Left, r.Top + 5), kBarNavy);
  EXPECT_EQ(Pixel(bar, r.Left + 1, r.Top + 2), kBarHot);
  EXPECT_EQ(Pixel(bar, Item(0)->ObjectRect.Left + 1, 5), TColor(ColorToRGB(clBtnFace)));
  ClickItem(1);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), edit->Items(0));
  EXPECT_TRUE(Item(1)->Down);
  EXPECT_TRUE(ctl->InMainMenu);
  EXPECT_TRUE(bar->MenuActive);
  EXPECT_EQ(Pixel(bar, r.Left + 1, r.Top + 2), kBarDown);
  // The menu opens below the item.
  const TPoint below = bar->ClientToScreen(TPoint{r.Left, r.Bottom});
  RECT wr{};
  GetWindowRect(Manager()->PopupWindows.front()->Handle(), &wr);
  EXPECT_EQ(wr.Left, below.X);
  EXPECT_EQ(wr.Top, below.Y);
}

// With a menu open, sliding along the bar switches menus; leaving the bar
// keeps the open menu's item lit; a press elsewhere closes everything.
TEST_F(MainMenuBarTest, SlidingAlongTheBarSwitchesMenus) {
  MakeBar();
  ClickItem(0);
  ASSERT_EQ(FirstOpenRow(), file->Items(0));
  HoverItem(2);
  EXPECT_FALSE(Item(0)->Down);
  EXPECT_TRUE(Item(2)->Down);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), window->Items(0));
  // Away from the bar (not over the menu): the Window item stays lit.
  MoveTo(bar, 580, 300);
  Advance(50);
  EXPECT_TRUE(Item(2)->Down);
  EXPECT_TRUE(Item(2)->Active);
  Press(bar, 580, 300);
  Release(bar, 580, 300);
  Advance(100);
  EXPECT_FALSE(MenuOpen());
  EXPECT_FALSE(ctl->InMainMenu);
  EXPECT_FALSE(bar->MenuActive);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Item(i)->Down || Item(i)->Active) << i;
}

// A command item runs at once; a chosen row of a sub-menu runs after the
// menu closed.
TEST_F(MainMenuBarTest, CommandsRunFromTheBarAndFromItsMenus) {
  MakeBar();
  ClickItem(3);
  EXPECT_EQ(clicks, std::vector<std::string>{"HelpItem"});
  EXPECT_FALSE(MenuOpen());
  ClickItem(1);
  ASSERT_TRUE(MenuOpen());
  TspSkinPopupWindow* w = Manager()->PopupWindows.front().get();
  const TRect row = w->Items[1]->Bounds;
  const TPoint p = w->ClientToScreen(TPoint{(row.Left + row.Right) / 2, (row.Top + row.Bottom) / 2});
  s.display.MouseMove(p.X, p.Y);
  Advance(50);
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseUp(p.X, p.Y);
  Advance(100);
  EXPECT_EQ(clicks, (std::vector<std::string>{"HelpItem", "Paste"}));
  EXPECT_FALSE(MenuOpen());
  EXPECT_FALSE(Item(1)->Down);
}

// Alt lights the first item; the arrows move along the bar and wrap; Down
// opens the lit item; Escape closes the menu and keeps the item lit;
// Escape again leaves the mode.
TEST_F(MainMenuBarTest, AltArrowsAndEscapeDriveTheBar) {
  MakeBar();
  Alt();
  ASSERT_TRUE(ctl->InMainMenu);
  EXPECT_TRUE(bar->MenuActive);
  EXPECT_TRUE(Item(0)->Active);
  Key(VK_RIGHT);
  EXPECT_FALSE(Item(0)->Active);
  EXPECT_TRUE(Item(1)->Active);
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_TRUE(Item(3)->Active) << "Left from the first item wraps to the last";
  Key(VK_RIGHT);
  EXPECT_TRUE(Item(0)->Active) << "Right from the last wraps to the first";
  Key(VK_DOWN);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), file->Items(0));
  // With a menu open, Right moves the menu along the bar.
  Key(VK_RIGHT);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), edit->Items(0));
  EXPECT_TRUE(Item(1)->Down);
  Key(VK_ESCAPE);
  Advance(100);
  EXPECT_FALSE(MenuOpen());
  EXPECT_TRUE(ctl->InMainMenu);
  EXPECT_TRUE(Item(1)->Active);
  EXPECT_FALSE(Item(1)->Down);
  Key(VK_ESCAPE);
  EXPECT_FALSE(ctl->InMainMenu);
  EXPECT_FALSE(bar->MenuActive);
  EXPECT_FALSE(Item(1)->Active);
  EXPECT_FALSE(ctl->MessageHookInstalled());
}

// Return runs the lit command item; Alt a second time leaves the mode.
TEST_F(MainMenuBarTest, ReturnRunsTheLitCommandAndAltLeaves) {
  MakeBar();
  Alt();
  Key(VK_LEFT);
  ASSERT_TRUE(Item(3)->Active);
  Key(VK_RETURN);
  EXPECT_EQ(clicks, std::vector<std::string>{"HelpItem"});
  EXPECT_FALSE(ctl->InMainMenu);
  Alt();
  ASSERT_TRUE(ctl->InMainMenu);
  Alt();
  EXPECT_FALSE(ctl->InMainMenu);
  EXPECT_FALSE(bar->MenuActive);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Item(i)->Active) << i;
}

// Leaving the bar with no menu open drops the highlight.
TEST_F(MainMenuBarTest, LeavingTheBarDropsTheHighlight) {
  MakeBar();
  HoverItem(0);
  ASSERT_TRUE(Item(0)->Active);
  MoveTo(bar, 300, 200);
  Advance(50);
  EXPECT_FALSE(Item(0)->Active);
  EXPECT_EQ(bar->HoveredIndex, -1);
  EXPECT_EQ(Pixel(bar, Item(0)->ObjectRect.Left + 1, 3), TColor(ColorToRGB(clBtnFace)));
}

// An accelerator in menu mode opens its item's menu, or runs a command.
TEST_F(MainMenuBarTest, AcceleratorsOpenOrRunTheirItem) {
  MakeBar();
  Alt();
  Key('W');
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), window->Items(0));
  EXPECT_TRUE(Item(2)->Down);
  Key(VK_ESCAPE);
  Advance(100);
  Key('H');
  EXPECT_EQ(clicks, std::vector<std::string>{"HelpItem"});
  EXPECT_FALSE(ctl->InMainMenu);
  // Alt+letter without the mode: the form's short cut does the same.
  s.display.KeyDown(VK_MENU);
  s.display.KeyPress('E');
  s.display.KeyUp(VK_MENU);
  Idle();
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), edit->Items(0));
}

// Items that do not fit are disabled, the marker shows the arrow, and its
// menu lists the items from the first hidden one.
TEST_F(MainMenuBarTest, ItemsThatDoNotFitGoToTheOverflowMenu) {
  MakeBar();
  const int needed = Item(1)->ObjectRect.Right;
  // Room for File and Edit only (the last 5 pixels are the marker's).
  form->SetBounds(0, 0, 600, 400);
  const int frame = form->Width() - form->ClientWidth();
  form->SetBounds(0, 0, needed + 2 + 5 + frame, 400);
  bar->Invalidate();
  Idle();
  ASSERT_EQ(bar->Width(), needed + 7);
  EXPECT_TRUE(bar->Overflow);
  EXPECT_TRUE(Item(0)->Fits && Item(1)->Fits);
  EXPECT_FALSE(Item(2)->Fits);
  EXPECT_FALSE(Item(2)->Enabled);
  const TRect marker = bar->MarkerRect();
  EXPECT_EQ(marker.Right - marker.Left, 5);
  bool arrow = false;
  for (int y = marker.Top; y < marker.Bottom; ++y)
    for (int x = marker.Left; x < marker.Right; ++x) arrow |= Pixel(bar, x, y) == TColor(ColorToRGB(clBtnShadow));
  EXPECT_TRUE(arrow);
  Click(bar, marker.Left + 2, 10);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), window);
  EXPECT_EQ(Manager()->PopupWindows.front()->Items.size(), 2u);
  // Widened again, the items come back enabled.
  Key(VK_ESCAPE);
  Advance(100);
  form->SetBounds(0, 0, 600, 400);
  bar->Invalidate();
  Idle();
  EXPECT_TRUE(Item(2)->Fits && Item(2)->Enabled && Item(3)->Fits);
  EXPECT_FALSE(bar->Overflow);
}

// The active child's menu is merged in: parent items whose group index a
// child item has are replaced, and the rest is sorted by group index;
// activating another child merges its menu instead.
TEST_F(MainMenuBarTest, TheActiveChildsMenuIsMergedIn) {
  MakeBar();
  TForm* a = Child("ChildA");
  auto* am = new TMainMenu(a);
  AddItem(am, "AEdit", "A&Edit", 1, {"Undo"});
  AddItem(am, "ATools", "&Tools", 3, {"Options"});
  TForm* b = Child("ChildB");
  auto* bm = new TMainMenu(b);
  AddItem(bm, "BView", "&View", 2, {"Zoom"});
  a->Show();
  Idle();
  ASSERT_EQ(form->ActiveMDIChild(), a);
  EXPECT_TRUE(bar->MergedMenu);
  EXPECT_FALSE(bar->ScrollMenu);
  EXPECT_EQ(ItemNames(), (std::vector<std::string>{"FileItem", "AEdit", "ATools", "WindowItem", "HelpItem"}));
  b->Show();
  Idle();
  ASSERT_EQ(form->ActiveMDIChild(), b);
  EXPECT_EQ(ItemNames(), (std::vector<std::string>{"FileItem", "EditItem", "BView", "WindowItem", "HelpItem"}));
  // The child's items open and run like the bar's own.
  ClickItem(2);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(FirstOpenRow(), bm->Items()->Items(0)->Items(0));
  Key(VK_ESCAPE);
  Advance(100);
  // The child's menu goes with the child.
  b->Close();
  Idle();
  for (const std::string& n : ItemNames()) EXPECT_NE(n, "BView");
}

// A maximized child puts its system-menu button at the bar's left end and
// close, restore and minimize at its right end; the buttons act on the
// child and go when it is restored.
TEST_F(MainMenuBarTest, AMaximizedChildsButtonsSitAtTheEnds) {
  MakeBar();
  TForm* a = Child("ChildA");
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  ASSERT_TRUE(bar->ChildButtons);
  ASSERT_EQ(bar->ButtonsCount, 4);
  const int W = bar->Width();
  // Square buttons of the items rectangle's height (22 - 4), 2 apart.
  EXPECT_EQ(Button(0)->ObjectRect, (TRect{2, 2, 20, 20}));
  EXPECT_EQ(Button(0)->Command, mbcSysMenu);
  EXPECT_EQ(Button(1)->ObjectRect, (TRect{W - 20, 2, W - 2, 20}));
  EXPECT_EQ(Button(1)->Command, mbcClose);
  EXPECT_EQ(Button(2)->ObjectRect, (TRect{W - 40, 2, W - 22, 20}));
  EXPECT_EQ(Button(2)->Command, mbcRestore);
  EXPECT_EQ(Button(3)->ObjectRect, (TRect{W - 60, 2, W - 42, 20}));
  EXPECT_EQ(Button(3)->Command, mbcMinimize);
  EXPECT_EQ(Item(0)->ObjectRect.Left, 22);
  // The glyphs: the system-menu bar at (5..13, 8) of its button, the
  // minimize line at y 13 and 14.
  EXPECT_EQ(Pixel(bar, 2 + 6, 2 + 8), TColor(ColorToRGB(clBtnText)));
  EXPECT_EQ(Pixel(bar, W - 60 + 6, 2 + 13), TColor(ColorToRGB(clBtnText)));
  // Hover and press draw the default caption-button faces.
  const TPoint rp = Mid(Button(2)->ObjectRect);
  MoveTo(bar, rp.X, rp.Y);
  Advance(50);
  EXPECT_EQ(Pixel(bar, W - 39, 3), kBarHot);
  Press(bar, rp.X, rp.Y);
  EXPECT_EQ(Pixel(bar, W - 39, 3), kBarDown);
  Release(bar, rp.X, rp.Y);
  EXPECT_EQ(FindController(a)->WindowState, spwsNormal);
  EXPECT_FALSE(bar->ChildButtons);
  EXPECT_EQ(bar->ButtonsCount, 0);
  EXPECT_EQ(Item(0)->ObjectRect.Left, 2);
  // Maximized again: minimize, then the system menu, then close.
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  ASSERT_TRUE(bar->ChildButtons);
  const TPoint mp = Mid(Button(3)->ObjectRect);
  Click(bar, mp.X, mp.Y);
  EXPECT_EQ(FindController(a)->WindowState, spwsMinimized);
  EXPECT_FALSE(bar->ChildButtons);
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  const TPoint sp = Mid(Button(0)->ObjectRect);
  Press(bar, sp.X, sp.Y);
  ASSERT_TRUE(MenuOpen()) << "the child's system menu opens at the press";
  EXPECT_EQ(FirstOpenRow()->Name(), "BVL_MINITEM");
  EXPECT_TRUE(Button(0)->Down);
  Release(bar, sp.X, sp.Y);
  Key(VK_ESCAPE);
  Advance(100);
  EXPECT_FALSE(MenuOpen());
  EXPECT_FALSE(Button(0)->Down) << "the menu's close releases the button";
  const auto alive = a->AliveToken();
  const TPoint cp = Mid(Button(1)->ObjectRect);
  Click(bar, cp.X, cp.Y);
  Idle();
  EXPECT_FALSE(*alive);
  EXPECT_FALSE(bar->ChildButtons);
}

// A child without a minimize icon shows no minimize button, but its place
// stays; a double click on the system-menu button closes the child.
TEST_F(MainMenuBarTest, MissingIconsHideButtonsAndADoubleClickCloses) {
  MakeBar();
  TForm* a = Child("ChildA");
  FindController(a)->SetBorderIcons(spbiSystemMenu | spbiMaximize);
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  ASSERT_EQ(bar->ButtonsCount, 4);
  EXPECT_FALSE(Button(3)->Visible);
  EXPECT_TRUE(Button(0)->Visible && Button(1)->Visible && Button(2)->Visible);
  const int W = bar->Width();
  EXPECT_EQ(Button(3)->ObjectRect, (TRect{W - 60, 2, W - 42, 20}));
  EXPECT_EQ(Pixel(bar, W - 51, 10), TColor(ColorToRGB(clBtnFace))) << "nothing drawn where it would be";
  const auto alive = a->AliveToken();
  const TPoint sp = Mid(Button(0)->ObjectRect);
  const TPoint p = bar->ClientToScreen(sp);
  s.display.MouseMove(p.X, p.Y);
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseUp(p.X, p.Y);
  Idle();
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseUp(p.X, p.Y);
  Idle();
  Advance(100);
  EXPECT_FALSE(*alive);
  EXPECT_FALSE(MenuOpen());
}

// The fixture skin: the bar's strip, items from the item description's
// cells in each state, and a described close button.
TEST_F(MainMenuBarTest, TheSkinDrawsTheBarItemsAndButtons) {
  MakeBar(true);
  ASSERT_TRUE(bar->Skinned);
  EXPECT_EQ(bar->Height(), 20);
  // Item width: skinrect 40 + textrect left 4 - right 36 + text + 2.
  TBitmap scratch(1, 1, pf24bit);
  scratch.Canvas()->Font()->SetName("Arial");
  scratch.Canvas()->Font()->SetHeight(13);
  TRect m{0, 0, 0, 0};
  DrawWideText(scratch.Canvas(), "&File", m, DT_CALCRECT | DT_CENTER);
  EXPECT_EQ(Item(0)->ObjectRect, (TRect{2, 0, 2 + 40 + 4 - 36 + m.Width() + 2, 20}));
  const int x0 = Item(0)->ObjectRect.Left + 2;
  EXPECT_EQ(Pixel(bar, x0, 10), kNormal);
  HoverItem(0);
  EXPECT_EQ(Pixel(bar, x0, 10), kActive);
  ClickItem(0);
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(Pixel(bar, x0, 10), kDown);
  Key(VK_ESCAPE);
  Advance(100);
  Key(VK_ESCAPE);
  // Between and after the items: the bar's strip (the focused cell).
  EXPECT_EQ(Pixel(bar, bar->Width() - 10, 10), kFocused);
  TForm* a = Child("ChildA");
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  ASSERT_EQ(bar->ButtonsCount, 4);
  // The described close button keeps its 16 x 16 cell, centred vertically.
  const int W = bar->Width();
  EXPECT_TRUE(Button(1)->Skinned);
  EXPECT_EQ(Button(1)->ObjectRect, (TRect{W - 2 - 16, 2, W - 2, 18}));
  EXPECT_EQ(Pixel(bar, W - 10, 10), kDisabled);
  // The others name no object: default buttons of the rectangle's height.
  EXPECT_FALSE(Button(2)->Skinned);
  EXPECT_EQ(Button(2)->ObjectRect, (TRect{W - 20 - 20, 0, W - 20, 20}));
}

// With a morphing item description the hover fades in over five 25 ms
// steps of 0.2 and out again when the pointer leaves.
TEST_F(MainMenuBarTest, HoverMorphsTheSkinnedItem) {
  itemKeys = "morphing=1\nmorphkind=mkdefault\n";
  MakeBar(true);
  ASSERT_TRUE(Item(0)->CanMorphing());
  const int x0 = Item(0)->ObjectRect.Left + 2;
  HoverItem(0);
  ASSERT_TRUE(Item(0)->Active);
  EXPECT_TRUE(bar->MorphTimer->Enabled());
  const double before = Item(0)->MorphRatio;
  Advance(25);
  EXPECT_NEAR(Item(0)->MorphRatio, before + 0.2, 1e-9);
  const TColor mid = Pixel(bar, x0, 10);
  EXPECT_NE(mid, kNormal);
  EXPECT_NE(mid, kActive);
  Advance(125);
  EXPECT_DOUBLE_EQ(Item(0)->MorphRatio, 1.0);
  EXPECT_EQ(Pixel(bar, x0, 10), kActive);
  Advance(25);
  EXPECT_FALSE(bar->MorphTimer->Enabled()) << "the timer stops with nothing to morph";
  MoveTo(bar, Item(3)->ObjectRect.Right + 40, 10);
  Advance(50);
  EXPECT_FALSE(Item(0)->Active);
  Advance(150);
  EXPECT_DOUBLE_EQ(Item(0)->MorphRatio, 0.0);
  EXPECT_EQ(Pixel(bar, x0, 10), kNormal);
}

// A frame animation: the hovered item steps through the bands of its
// animation picture (stacked, as the item is lower than the picture) at
// the item's interval, then stays in the active look; leaving resets it.
TEST_F(MainMenuBarTest, HoverPlaysTheItemsFrameAnimation) {
  itemKeys = "animateskinrect=0,0,40,60\nframecount=3\nanimateinterval=30\n";
  MakeBar(true);
  ASSERT_TRUE(Item(0)->CanAnimate());
  const int x0 = Item(0)->ObjectRect.Left + 2;
  HoverItem(0);
  ASSERT_TRUE(bar->AnimateTimer->Enabled());
  EXPECT_EQ(bar->AnimateTimer->Interval(), 30u);
  const TColor frames[3] = {kNormal, kActive, kDown};
  for (int f = 1; f <= 3; ++f) {
    if (Item(0)->AnimFrame < f) Advance(30);
    ASSERT_EQ(Item(0)->AnimFrame, f);
    EXPECT_EQ(Pixel(bar, x0, 10), frames[f - 1]) << f;
  }
  Advance(30);
  EXPECT_EQ(Item(0)->AnimFrame, 4);
  EXPECT_EQ(Pixel(bar, x0, 10), kActive) << "after the last frame, the active look";
  Advance(30);
  EXPECT_FALSE(bar->AnimateTimer->Enabled());
  MoveTo(bar, 560, 10);
  Advance(50);
  EXPECT_EQ(Item(0)->AnimFrame, 0);
  EXPECT_EQ(Pixel(bar, x0, 10), kNormal);
}

// The short cuts of the bar's menu and of the merged child menu run from
// the main form's keys.
TEST_F(MainMenuBarTest, ShortCutsOfTheBarAndTheChildMenuRun) {
  MakeBar();
  file->Items(0)->SetShortCut(TextToShortCut("Ctrl+O"));
  TForm* a = Child("ChildA");
  auto* am = new TMainMenu(a);
  TMenuItem* tools = AddItem(am, "ATools", "&Tools", 3, {"Options"});
  tools->Items(0)->SetShortCut(TextToShortCut("Ctrl+U"));
  Child("ChildB");
  a->Show();
  Idle();
  ASSERT_TRUE(bar->MergedMenu);
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress('U');
  s.display.KeyPress('O');
  s.display.KeyUp(VK_CONTROL);
  Idle();
  EXPECT_EQ(clicks, (std::vector<std::string>{"Options", "Open"}));
}

// Snapshots of both looks with Chinese captions, for looking at.
TEST_F(MainMenuBarTest, SnapshotsOfBothLooks) {
  MakeBar(false, "\xE6\x96\x87\xE4\xBB\xB6(&F)", "\xE7\xBC\x96\xE8\xBE\x91(&E)");
  TForm* a = Child("ChildA");
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  HoverItem(1);
  EXPECT_EQ(Pixel(bar, Item(1)->ObjectRect.Left + 1, 3), kBarHot);
  Snapshot(bar, "mainmenubar_default");
}

TEST_F(MainMenuBarTest, SnapshotOfTheFixtureSkin) {
  MakeBar(true, "\xE6\x96\x87\xE4\xBB\xB6(&F)", "\xE7\xBC\x96\xE8\xBE\x91(&E)");
  TForm* a = Child("ChildA");
  FindController(a)->ChangeWindowState(spwsMaximized);
  Idle();
  HoverItem(1);
  EXPECT_EQ(Pixel(bar, Item(1)->ObjectRect.Left + 2, 10), kActive);
  Snapshot(bar, "mainmenubar_skin");
}

}  // namespace

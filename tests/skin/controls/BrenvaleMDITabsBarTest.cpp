// The MDI tabs bar with an MDI form of several skinned children: tabs that
// follow the children and their activation, the layout with and without
// hidden tabs, pressing, dragging to a new place, close buttons, the two
// drop-down lists, the child's system menu on a right click, stale
// indexes after a removal, and the default and skinned looks.
#include "skin/controls/Brenvale_MDITabsBar.h"

#include "skin/controls/SkinCtrls_MenuSpeedButton.h"
#include "tests/skin/controls/BrenvaleMainMenuBarTestSupport.h"

using namespace skinbars;

namespace {

constexpr TColor kTabHot = 0x00D2BDB6, kTabActive = 0x00B59385;

// The tab description and, for the button kind, the fixture button as
// "resizebutton".
std::string TabsIni(const char* bg = "0,80,40,100", bool resizeButton = false,
                    const std::string& band = "clientrect=0,0,40,20\n") {
  return std::string(
             "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=1\n0=states.bmp\n"
             "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=0\n"
             "[SKINCONTROLS]\ncount=2\n0=tab:tab\n1=resizebutton:button\n"
             "[tab]\npictureindex=0\ntabrect=0,0,40,20\nmouseintabrect=0,20,40,40\nactivetabrect=0,40,40,60\n"
             "tabsbgrect=") +
         bg +
         "\n" + band + "tableftoffset=2\ntabrightoffset=2\nfontname=Arial\nfontheight=13\n"
         "fontcolor=$00FFFFFF\nfocusfontcolor=$0000FFFF\nmouseinfontcolor=$00FFFF00\n"
         "closebuttonrect=0,62,12,74\nclosebuttonactiverect=0,22,12,34\n" +
         (resizeButton ? std::string("[resizebutton]\npictureindex=0\nskinrect=0,0,40,20\nactiveskinrect=0,20,40,40\n"
                                     "downskinrect=0,40,40,60\nlefttoppoint=4,4\nrighttoppoint=36,4\n"
                                     "leftbottompoint=4,16\nrightbottompoint=36,16\nclientrect=2,2,38,18\n"
                                     "leftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n"
                                     "fontcolor=$00FFFFFF\nactivefontcolor=$00FFFFFF\ndownfontcolor=$0000FFFF\n")
                       : std::string()) +
         "[SKINCOLORS]\ncbtnface=$00F0F0F0\ncbtnhighlight=$00FFFFFF\ncbtnshadow=$00808080\n";
}

class MDITabsBarTest : public SkinBarsTest {
 protected:
  TspSkinMDITabsBar* bar = nullptr;

  bool resizeButton = false;
  std::string band = "clientrect=0,0,40,20\n";
  void MakeTabs(int width = 415, const char* skinBg = nullptr) {
    if (skinBg) {
      folder_.WriteBytes("states.bmp", WriteBmp(FixturePicture()));
      folder_.WriteText("Skin.ini", TabsIni(skinBg, resizeButton, band));
      skin = new TspSkinData(form);
      ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    }
    MakeMDIForm(width + 40, 400);
    bar = new TspSkinMDITabsBar(form);
    bar->SetParent(form);
    bar->SetBounds(0, 0, width, 21);
    bar->SetBrenvale(ctl);
    ctl->MDITabsBar = bar;
    if (skin) bar->SetSkinData(skin);
    Show();
    s.display.MouseMove(700, 500);
    Idle();
  }
  std::vector<std::string> TabNames() {
    std::vector<std::string> out;
    for (auto& t : bar->Tabs) out.push_back(t->Child->Name());
    return out;
  }
  TspMDITab* Tab(int i) { return bar->Tabs[std::size_t(i)].get(); }
  void Layout() {
    bar->Invalidate();
    Idle();
  }
  TPoint Mid(int i) {
    const TRect r = Tab(i)->TabRect;
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void ClickTab(int i) {
    const TPoint p = Mid(i);
    Click(bar, p.X, p.Y);
  }
};

// A shown child gets a tab at the end; the active child's tab is the
// active one; a closed child's tab goes, and the list button with the last.
TEST_F(MDITabsBarTest, TabsFollowTheChildrenAndTheirActivation) {
  MakeTabs();
  EXPECT_EQ(bar->TabsButton, nullptr);
  TForm* a = Child("A");
  ASSERT_NE(bar->TabsButton, nullptr);
  EXPECT_EQ(bar->TabsButton->Align(), alLeft);
  EXPECT_EQ(bar->TabsButton->Width(), 15);
  TForm* b = Child("B");
  TForm* c = Child("C");
  ASSERT_EQ(TabNames(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_TRUE(Tab(2)->Active);
  EXPECT_FALSE(Tab(0)->Active || Tab(1)->Active);
  a->Show();
  Idle();
  EXPECT_TRUE(Tab(0)->Active);
  EXPECT_FALSE(Tab(2)->Active);
  // The active tab shows the active fill, the others the button face.
  Layout();
  EXPECT_EQ(Pixel(bar, 20, 3), kTabActive);
  EXPECT_EQ(Pixel(bar, 120, 3), TColor(ColorToRGB(clBtnFace)));
  b->Close();
  Idle();
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"A", "C"}));
  a->Close();
  c->Close();
  Idle();
  EXPECT_TRUE(bar->Tabs.empty());
  EXPECT_EQ(bar->TabsButton, nullptr);
}

// The layout: tabs of at most DefaultTabWidth from x = 15; the last tab
// takes the remainder when they are narrower; with MinTabWidth the tabs
// that do not fit are hidden and a right drop-down lists them.
TEST_F(MDITabsBarTest, TabsShareTheWidthAndHideBelowTheMinimum) {
  struct TCase {
    int width, tabs, minWidth;
    std::vector<TRect> rects;  // visible tabs
    int hidden;
  };
  const TCase cases[] = {
      {415, 4, 0, {{15, 0, 115, 21}, {115, 0, 215, 21}, {215, 0, 315, 21}, {315, 0, 415, 21}}, 0},
      {418, 5, 0, {{15, 0, 95, 21}, {95, 0, 175, 21}, {175, 0, 255, 21}, {255, 0, 335, 21}, {335, 0, 418, 21}}, 0},
      {418, 5, 90, {{15, 0, 105, 21}, {105, 0, 195, 21}, {195, 0, 285, 21}, {285, 0, 375, 21}}, 1},
  };
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.width * 100 + k.minWidth);
    MakeTabs(k.width);
    bar->MinTabWidth = k.minWidth;
    for (int i = 0; i < k.tabs; ++i) Child("T" + std::to_string(i));
    Layout();
    EXPECT_EQ(bar->HiddenCount, k.hidden);
    for (int i = 0; i < k.tabs; ++i) {
      if (i < int(k.rects.size())) {
        EXPECT_TRUE(Tab(i)->Visible);
        EXPECT_EQ(Tab(i)->TabRect, k.rects[std::size_t(i)]) << i;
      } else {
        EXPECT_FALSE(Tab(i)->Visible);
        EXPECT_EQ(Tab(i)->TabRect, (TRect{0, 0, 0, 0}));
      }
    }
    EXPECT_EQ(bar->HiddenTabsButton != nullptr, k.hidden > 0);
    if (bar->HiddenTabsButton) EXPECT_EQ(bar->HiddenTabsButton->Align(), alRight);
    while (form->MDIChildCount() > 0) delete form->MDIChildren(0);
    delete bar;
    delete ctl;
    Idle();
    skin = nullptr;
  }
}

// A child destroyed while shown takes its tab with it.
TEST_F(MDITabsBarTest, AChildDestroyedWhileShownLosesItsTab) {
  MakeTabs();
  Child("A");
  TForm* b = Child("B");
  Layout();
  MoveTo(bar, Mid(1).X, 10);
  ASSERT_EQ(bar->HoveredIndex, 1);
  delete b;
  Idle();
  EXPECT_EQ(TabNames(), std::vector<std::string>{"A"});
  EXPECT_EQ(bar->HoveredIndex, -1);
  MoveTo(bar, 60, 10);
  EXPECT_TRUE(Tab(0)->PointerInside);
}

// A press on a tab activates its child and restores it when minimized.
TEST_F(MDITabsBarTest, APressActivatesAndRestoresTheChild) {
  MakeTabs();
  TForm* a = Child("A");
  Child("B");
  Layout();
  FindController(a)->ChangeWindowState(spwsMinimized);
  Idle();
  std::vector<std::string> downs;
  bar->OnTabMouseDown = [&](TMouseButton, TShiftState, TspMDITab* t) { downs.push_back(t->Child->Name()); };
  bar->OnTabMouseUp = [&](TMouseButton, TShiftState, TspMDITab* t) { downs.push_back("up " + t->Child->Name()); };
  ClickTab(0);
  EXPECT_EQ(form->ActiveMDIChild(), a);
  EXPECT_EQ(FindController(a)->WindowState, spwsNormal);
  EXPECT_TRUE(Tab(0)->Active);
  EXPECT_EQ(downs, (std::vector<std::string>{"A", "up A"}));
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"A", "B"})) << "a press without a move reorders nothing";
}

// Dragging the first of four tabs 200 pixels right: it is drawn at
// 215..315 over the others, the drop marker stands at 315, and the release
// gives the order second, third, first, fourth.
TEST_F(MDITabsBarTest, DraggingATabPutsItAtTheDropPlace) {
  MakeTabs();
  for (const char* n : {"A", "B", "C", "D"}) Child(n);
  Layout();
  Press(bar, 65, 10);
  MoveTo(bar, 165, 10);
  MoveTo(bar, 265, 10);
  EXPECT_TRUE(bar->TabDragging);
  EXPECT_EQ(bar->DragOffset, 200);
  EXPECT_EQ(Tab(0)->TabRect, (TRect{215, 0, 315, 21}));
  EXPECT_EQ(bar->GetDropIndex(), 2);
  // The marker inverts three columns around x = 315 at the top row.
  const TColor under = Pixel(bar, 320, 0);
  EXPECT_EQ(Pixel(bar, 315, 0), TColor(~ColorToRGB(clBtnFace) & 0xFFFFFF));
  EXPECT_NE(under, Pixel(bar, 315, 0));
  Release(bar, 265, 10);
  EXPECT_FALSE(bar->TabDragging);
  EXPECT_EQ(bar->DraggedTabIndex, -1);
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"B", "C", "A", "D"}));
  EXPECT_EQ(Tab(2)->TabRect, (TRect{215, 0, 315, 21}));
  // Far to the right the last tab stops at the bar's end, and far to the
  // left a tab stops at 0; a vertical move alone starts no drag.
  Press(bar, 365, 10);
  MoveTo(bar, 365, 15);
  EXPECT_FALSE(bar->TabDragging);
  MoveTo(bar, 600, 10);
  EXPECT_EQ(Tab(3)->TabRect, (TRect{315, 0, 415, 21}));
  Release(bar, 600, 10);
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"B", "C", "A", "D"}));
  Press(bar, 165, 10);
  MoveTo(bar, -300, 10);
  EXPECT_EQ(Tab(1)->TabRect, (TRect{0, 0, 100, 21}));
  Release(bar, -300, 10);
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"C", "B", "A", "D"}));
}

// The default close button: a 14 x 14 box at w - 19 in a tab w wide,
// centred vertically; hovering turns its glyph white; a release inside it
// closes the child; a press that began on the tab's text closes nothing
// unless it ends on the button.
TEST_F(MDITabsBarTest, CloseButtonsCloseTheirChild) {
  MakeTabs();
  bar->ShowCloseButtons = true;
  TForm* a = Child("A");
  Child("B");
  Layout();
  const int w = Tab(0)->TabRect.Width();
  ASSERT_EQ(w, 100);
  EXPECT_EQ(Tab(0)->CloseButtonRect, (TRect{w - 19, 21 / 2 - 7, w - 5, 21 / 2 + 7}));
  const int cx = 15 + w - 19 + 7, cy = 10;
  MoveTo(bar, cx, cy);
  EXPECT_TRUE(Tab(0)->CloseMouseIn);
  bool white = false;
  for (int y = 3; y < 18; ++y)
    for (int x = 15 + w - 19; x < 15 + w - 5; ++x) white |= Pixel(bar, x, y) == TColor(0x00FFFFFF);
  EXPECT_TRUE(white);
  MoveTo(bar, 40, cy);
  EXPECT_FALSE(Tab(0)->CloseMouseIn);
  const auto alive = a->AliveToken();
  Press(bar, cx, cy);
  EXPECT_TRUE(Tab(0)->CloseDown);
  EXPECT_FALSE(bar->TabPressed);
  Release(bar, cx, cy);
  Idle();
  EXPECT_FALSE(*alive);
  EXPECT_EQ(TabNames(), std::vector<std::string>{"B"});
}

// The left drop-down lists every tab (the active one checked) and its rows
// activate children; the right one lists only hidden tabs.
TEST_F(MDITabsBarTest, TheDropDownsListTheTabs) {
  MakeTabs();
  TForm* a = Child("A", "Alpha");
  Child("B", "Beta");
  Child("C", "Gamma");
  Layout();
  Click(bar, 7, 10);
  ASSERT_TRUE(MenuOpen());
  TspSkinPopupWindow* w = Manager()->PopupWindows.front().get();
  ASSERT_EQ(w->Items.size(), 3u);
  EXPECT_EQ(w->Items[0]->Item->Name(), "A_BVLCHILDITEMBAR");
  EXPECT_EQ(w->Items[0]->Item->Caption(), "Alpha");
  EXPECT_TRUE(w->Items[0]->Item->RadioItem());
  EXPECT_FALSE(w->Items[0]->Item->Checked());
  EXPECT_TRUE(w->Items[2]->Item->Checked());
  const TRect row = w->Items[0]->Bounds;
  const TPoint p = w->ClientToScreen(TPoint{(row.Left + row.Right) / 2, (row.Top + row.Bottom) / 2});
  s.display.MouseMove(p.X, p.Y);
  Advance(50);
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseUp(p.X, p.Y);
  Advance(100);
  EXPECT_EQ(form->ActiveMDIChild(), a);
  EXPECT_TRUE(Tab(0)->Active);
  // Narrow tabs: two fit (30 + 2 x 150 <= 415 - ...), the third is listed
  // on the right.
  bar->MinTabWidth = 150;
  Layout();
  ASSERT_EQ(bar->HiddenCount, 1);
  ASSERT_NE(bar->HiddenTabsButton, nullptr);
  Click(bar, 415 - 7, 10);
  ASSERT_TRUE(MenuOpen());
  w = Manager()->PopupWindows.front().get();
  ASSERT_EQ(w->Items.size(), 1u);
  EXPECT_EQ(w->Items[0]->Item->Name(), "C_BVLCHILDITEMBARHIDE");
  Key(VK_ESCAPE);
  Advance(100);
  bar->MinTabWidth = 0;
  Layout();
  EXPECT_EQ(bar->HiddenTabsButton, nullptr);
}

// A right click opens the child's system menu through the main form's
// menu manager.
TEST_F(MDITabsBarTest, ARightClickOpensTheChildsSystemMenu) {
  MakeTabs();
  Child("A");
  Child("B");
  Layout();
  const TPoint p = bar->ClientToScreen(Mid(0));
  s.display.MouseMove(p.X, p.Y);
  s.display.MouseDown(p.X, p.Y, TMouseButton::mbRight);
  Idle();
  ASSERT_TRUE(MenuOpen());
  EXPECT_EQ(Manager()->PopupWindows.front()->Items.back()->Item->Name(), "BVL_CLOSE");
  RECT wr{};
  GetWindowRect(Manager()->PopupWindows.front()->Handle(), &wr);
  EXPECT_EQ(wr.Left, p.X);
  s.display.MouseUp(p.X, p.Y, TMouseButton::mbRight);
  Key(VK_ESCAPE);
  Advance(100);
  bar->SupportChildMenus = false;
  s.display.MouseDown(p.X, p.Y, TMouseButton::mbRight);
  s.display.MouseUp(p.X, p.Y, TMouseButton::mbRight);
  Idle();
  EXPECT_FALSE(MenuOpen());
}

// Removing a tab before the hovered one keeps the hover on the same tab;
// removing the dragged one ends the drag; nothing reads past the list.
TEST_F(MDITabsBarTest, RemovingATabKeepsTheIndexesOnTheirTabs) {
  MakeTabs();
  TForm* a = Child("A");
  Child("B");
  TForm* c = Child("C");
  Layout();
  MoveTo(bar, Mid(2).X, 10);
  ASSERT_EQ(bar->HoveredIndex, 2);
  a->Close();
  Idle();
  EXPECT_EQ(bar->HoveredIndex, 1);
  EXPECT_EQ(bar->LastHoveredIndex, 1);
  EXPECT_TRUE(Tab(1)->PointerInside);
  EXPECT_EQ(Tab(1)->Child, c);
  MoveTo(bar, 30, 10);
  EXPECT_EQ(bar->HoveredIndex, 0);
  EXPECT_FALSE(Tab(1)->PointerInside);
  // A drag whose tab goes ends.
  Press(bar, Mid(1).X, 10);
  MoveTo(bar, Mid(1).X - 40, 10);
  ASSERT_TRUE(bar->TabDragging);
  c->Close();
  Idle();
  EXPECT_FALSE(bar->TabDragging);
  EXPECT_EQ(bar->DraggedTabIndex, -1);
  Release(bar, 30, 10);
  EXPECT_EQ(TabNames(), std::vector<std::string>{"B"});
}

// The fixture skin: the bar's height from the tab rectangle, the three-part
// tabs in their states, the tiled background, and the skin's close button.
TEST_F(MDITabsBarTest, TheSkinDrawsTabsBackgroundAndCloseButtons) {
  MakeTabs(415, "0,80,40,100");
  EXPECT_EQ(bar->Height(), 20);
  Child("A");
  Child("B");
  Layout();
  EXPECT_EQ(Pixel(bar, 15 + 2, 10), kNormal);
  EXPECT_EQ(Pixel(bar, 115 + 2, 10), kDown) << "the active tab";
  MoveTo(bar, 60, 10);
  EXPECT_EQ(Pixel(bar, 15 + 2, 10), kActive) << "the hovered tab";
  EXPECT_EQ(Pixel(bar, 300, 10), kFocused) << "the tiled background";
  bar->ShowCloseButtons = true;
  bar->ChangeSkinData();
  Layout();
  EXPECT_EQ(bar->CloseSize, 12);
  // The button lands at A.Left = w - CloseSize - 5, centred: (83, 4).
  EXPECT_EQ(Tab(0)->CloseButtonRect, (TRect{83, 4, 95, 16}));
  EXPECT_EQ(Pixel(bar, 15 + 83 + 5, 4 + 5), kDisabled);
  Snapshot(bar, "mditabs_skin");
}

// A client rectangle 4 down makes a 4-pixel band under the tabs, drawn from
// the top of the skin rectangle; the bar grows by it and the drop-down
// buttons stand beside the tabs, not over the band.
TEST_F(MDITabsBarTest, TheBandUnderTheTabs) {
  band = "clientrect=0,4,40,20\nskinrect=0,60,40,80\nlefttoppoint=2,0\nrighttoppoint=38,0\n";
  MakeTabs(415, "0,80,40,100");
  EXPECT_EQ(bar->BottomHeight, 4);
  EXPECT_EQ(bar->Height(), 24);
  Child("A");
  Layout();
  ASSERT_NE(bar->TabsButton, nullptr);
  EXPECT_EQ(bar->TabsButton->Height(), 20);
  EXPECT_EQ(Tab(0)->TabRect, (TRect{15, 0, 115, 20}));
  // Rows 0 and 1 of the disabled cell are its border, 2 and 3 its fill.
  EXPECT_EQ(Pixel(bar, 200, 20), TColor(0));
  EXPECT_EQ(Pixel(bar, 200, 22), kDisabled);
}

// A description with an empty background rectangle fills the button face
// instead of dividing by its width.
TEST_F(MDITabsBarTest, AnEmptyBackgroundRectangleFillsTheButtonFace) {
  MakeTabs(415, "0,0,0,0");
  Child("A");
  Layout();
  EXPECT_EQ(Pixel(bar, 300, 10), TColor(ColorToRGB(clBtnFace)));
  EXPECT_EQ(Pixel(bar, 15 + 2, 10), kDown);
}

// The button kind draws each tab from the skin's "resizebutton" cells in
// the state of the tab, over the whole bar height; without that
// description no tab is drawn.
TEST_F(MDITabsBarTest, TheButtonKindDrawsTabsAsResizeButtons) {
  resizeButton = true;
  MakeTabs(415, "0,80,40,100");
  bar->SetTabKind(sptkButton);
  Child("A");
  Child("B");
  Layout();
  EXPECT_EQ(Pixel(bar, 15 + 2, 10), kNormal);
  EXPECT_EQ(Pixel(bar, 115 + 2, 10), kDown) << "the active tab";
  MoveTo(bar, 60, 10);
  EXPECT_EQ(Pixel(bar, 15 + 2, 10), kActive) << "the hovered tab";
  // The corners keep their 4-pixel border, the middle stretches.
  EXPECT_EQ(Pixel(bar, 115 + 1, 10), TColor(0));
  EXPECT_EQ(Pixel(bar, 215 - 2, 10), TColor(0));
}

TEST_F(MDITabsBarTest, TheButtonKindWithoutResizeButtonDrawsNoTabs) {
  MakeTabs(415, "0,80,40,100");
  bar->SetTabKind(sptkButton);
  Child("A");
  Layout();
  EXPECT_EQ(Pixel(bar, 15 + 2, 10), kFocused) << "the background shows";
}

// With UseSkinSize off the tabs are stretched from their cells to the
// bar's height.
TEST_F(MDITabsBarTest, WithoutSkinSizeTabsStretchToTheBar) {
  MakeTabs(415, "0,80,40,100");
  bar->UseSkinSize = false;
  bar->SetDefaultHeight(30);
  bar->ChangeSkinData();
  ASSERT_EQ(bar->Height(), 30);
  Child("A");
  Child("B");
  Layout();
  EXPECT_EQ(Pixel(bar, 15 + 2, 15), kNormal);
  EXPECT_EQ(Pixel(bar, 15 + 2, 28), TColor(0)) << "the cell's bottom border at the bar's bottom";
  EXPECT_EQ(Pixel(bar, 115 + 2, 15), kDown);
}

// The default look with Chinese captions, shortened to fit, for looking at.
TEST_F(MDITabsBarTest, SnapshotOfTheDefaultLook) {
  MakeTabs();
  bar->ShowCloseButtons = true;
  Child("A", "\xE7\x85\xA7\xE7\x89\x87\xE4\xB8\x80");
  Child("B", "\xE4\xBA\xBA\xE5\x83\x8F\xE7\x85\xA7\xE7\x89\x87\xE4\xBA\x8C\xE5\x8F\xB7\xE5\xBE\x88\xE9\x95\xBF");
  Child("C", "Photo three");
  Layout();
  MoveTo(bar, 60, 10);
  EXPECT_EQ(Pixel(bar, 17, 2), kTabHot);
  Snapshot(bar, "mditabs_default");
}

}  // namespace

// A skinned MDI form and its skinned children: the MDI client window's
// background and border, maximized children in the free client area and
// the parent's caption, refits after a resize or a skin load, minimized
// children back in their slots, and the children's window-menu items.
#include "skin/windows/Brenvale.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/menus/Menus.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

class BrenvaleMDITest : public BrenvaleTest {
 protected:
  TForm* main = nullptr;
  TspBrenvale* mainCtl = nullptr;

  // The application's main form as a skinned MDI form of 600 x 400.
  void SkinnedFrame(const TFixtureOptions& o = {}) {
    main = NewForm(0, 0, 600, 400);
    main->SetName("Main");
    main->SetCaption("Main");
    main->SetFormStyle(fsMDIForm);
    form = main;
    mainCtl = ctl = new TspBrenvale(main);
    LoadFixtureSkin(o);
    mainCtl->SetSkinData(skin);
    Show();
    ASSERT_NE(main->ClientHandle(), nullptr);
  }
  TForm* Child(const std::string& name, int x = 10, int y = 10) {
    auto* c = new TForm(&app);
    c->SetName(name);
    c->SetCaption(name);
    c->SetFormStyle(fsMDIChild);
    c->SetBounds(x, y, 200, 150);
    auto* k = new TspBrenvale(c);
    k->SetSkinData(skin);
    c->Show();
    Idle();
    return c;
  }
  static TspBrenvale* Ctl(TForm* f) { return FindController(f); }
  // The MDI client window's size.
  TSize ClientArea() {
    RECT r{};
    GetClientRect(main->ClientHandle(), &r);
    return TSize{r.Right, r.Bottom};
  }
  // A pixel of the MDI client window, in its client coordinates.
  TColor MDIPixel(int x, int y) {
    POINT o{x, y};
    ClientToScreen(main->ClientHandle(), &o);
    return TColor(s.display.PixelAt(main->Handle(), o.X - main->Left(), o.Y - main->Top()));
  }
};

// The hooked client window has no border and shows the skin's background:
// the frame picture's client part, or the MDI background picture when the
// skin names one; without a skin, the application workspace colour.
TEST_F(BrenvaleMDITest, TheClientWindowShowsTheSkinsBackgroundWithoutABorder) {
  SkinnedFrame();
  EXPECT_TRUE(mainCtl->MDIClientHooked());
  struct TCase {
    const char* name;
    const char* formInfo;  // nullptr: no skin
    TColor at0, at14;      // MDI-client pixels at (0, 0) and (14, 0)
  };
  const TCase cases[] = {
      {"frame picture", "", kClient, kClient},
      // The caption buttons' picture tiled: normal, active and down cells.
      {"MDI background picture", "mdibgpictureindex=0\n", kObjNormal, kObjActive},
      // A picture without pixels or an index past the list: the button
      // face, never a division by the picture's size.
      {"MDI picture without pixels", "mdibgpictureindex=1\n", TColor(ColorToRGB(clBtnFace)),
       TColor(ColorToRGB(clBtnFace))},
      {"MDI picture past the list", "mdibgpictureindex=9\n", TColor(ColorToRGB(clBtnFace)),
       TColor(ColorToRGB(clBtnFace))},
      {"no skin", nullptr, TColor(ColorToRGB(clAppWorkSpace)), TColor(ColorToRGB(clAppWorkSpace))},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.formInfo) {
      TFixtureOptions o;
      o.extraFormInfo = c.formInfo;
      std::string ini = FrameIni(o);
      // A second picture entry with no file.
      const std::string pictures = "activepicturescount=1\n0=buttons.bmp\n";
      ASSERT_NE(ini.find(pictures), std::string::npos);
      ini.replace(ini.find(pictures), pictures.size(), "activepicturescount=2\n0=buttons.bmp\n1=\n");
      folder_.WriteText("Skin.ini", ini);
      ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini")));
    } else {
      mainCtl->SetSkinData(nullptr);
    }
    Idle();
    RECT wr{}, cr{}, fc{};
    GetWindowRect(main->ClientHandle(), &wr);
    GetClientRect(main->ClientHandle(), &cr);
    GetClientRect(main->Handle(), &fc);
    EXPECT_EQ(wr.Right - wr.Left, cr.Right);
    EXPECT_EQ(wr.Bottom - wr.Top, cr.Bottom);
    EXPECT_EQ(cr.Right, fc.Right);
    EXPECT_EQ(cr.Bottom, fc.Bottom);
    EXPECT_EQ(MDIPixel(0, 0), c.at0);
    EXPECT_EQ(MDIPixel(14, 0), c.at14);
    if (c.at0 == c.at14) EXPECT_EQ(MDIPixel(cr.Right - 1, cr.Bottom - 1), c.at0);
  }
}

TEST_F(BrenvaleMDITest, AMaximizedChildFillsTheFreeAreaAndFollowsIt) {
  SkinnedFrame();
  TForm* doc = Child("Doc", 20, 30);
  TspBrenvale* k = Ctl(doc);
  const TRect normal = doc->BoundsRect();
  Snapshot("brenvale_mdi_child_normal");
  k->ChangeWindowState(spwsMaximized);
  Idle();
  Snapshot("brenvale_mdi_child_maximized");
  TSize area = ClientArea();
  EXPECT_EQ(doc->BoundsRect(), (TRect{0, 0, area.cx, area.cy}));
  // A zoomed child has no frame of its own; the parent's caption names it.
  EXPECT_EQ(doc->ClientWidth(), doc->Width());
  EXPECT_EQ(doc->ClientHeight(), doc->Height());
  EXPECT_TRUE(mainCtl->ChildMaximized);
  EXPECT_EQ(mainCtl->DefaultCaptionText(), "Main - [Doc]");

  main->SetBounds(0, 0, 700, 500);
  Idle();
  area = ClientArea();
  EXPECT_EQ(area.cx, 700 - 8);
  EXPECT_EQ(doc->BoundsRect(), (TRect{0, 0, area.cx, area.cy}));

  k->ChangeWindowState(spwsNormal);
  Idle();
  EXPECT_EQ(doc->BoundsRect(), normal);
  EXPECT_FALSE(mainCtl->ChildMaximized);
  EXPECT_EQ(mainCtl->DefaultCaptionText(), "Main");
  EXPECT_EQ(doc->ClientWidth(), 200 - 8);
}

// Controls aligned on the MDI form narrow the area maximized children get.
TEST_F(BrenvaleMDITest, AlignedControlsOfTheParentNarrowTheFreeArea) {
  SkinnedFrame();
  auto* bar = new TPanel(main);
  bar->SetParent(main);
  bar->SetAlign(alTop);
  bar->SetHeight(30);
  Idle();
  TForm* doc = Child("Doc");
  Ctl(doc)->ChangeWindowState(spwsMaximized);
  Idle();
  RECT fc{};
  GetClientRect(main->Handle(), &fc);
  EXPECT_EQ(doc->Width(), fc.Right);
  EXPECT_EQ(doc->Height(), fc.Bottom - 30);
}

// After a load of its own skin the MDI form refits maximized children and
// puts minimized ones back in their slots; another skin data's load does not.
TEST_F(BrenvaleMDITest, AfterASkinLoadChildrenAreRefittedAndReplaced) {
  SkinnedFrame();
  auto* other = new TspSkinData(main);
  TForm* big = Child("Big");
  TForm* small = Child("Small", 40, 40);
  Ctl(big)->ChangeWindowState(spwsMaximized);
  Ctl(small)->ChangeWindowState(spwsMinimized);
  Idle();
  const TSize area = ClientArea();
  const int slotH = Ctl(small)->MinFrameHeight();
  ASSERT_EQ(small->Top(), area.cy - slotH);
  for (TspSkinData* data : {other, skin}) {
    SCOPED_TRACE(data == skin ? "own skin data" : "another skin data");
    // Out of place, as after the parent's free area changed.
    big->SetBounds(5, 5, 100, 100);
    small->SetBounds(50, 60, small->Width(), small->Height());
    Idle();
    main->Perform(SKINMSG_AFTERLOAD, WPARAM(data), kSkinMessageLParam);
    Idle();
    if (data == other) {
      EXPECT_EQ(big->BoundsRect(), (TRect{5, 5, 105, 105}));
      EXPECT_EQ(small->Left(), 50);
    } else {
      EXPECT_EQ(big->BoundsRect(), (TRect{0, 0, area.cx, area.cy}));
      EXPECT_EQ(small->Left(), 0);
      EXPECT_EQ(small->Top(), area.cy - slotH);
    }
  }
}

TEST_F(BrenvaleMDITest, ChildrenAreListedInTheWindowMenu) {
  SkinnedFrame();
  auto* menu = new TMainMenu(main);
  auto* window = new TMenuItem(menu);
  window->SetCaption("&Window");
  menu->Items()->Add(window);
  main->SetWindowMenu(window);
  TForm* a = Child("A");
  TForm* b = Child("B", 60, 60);
  auto items = [&] {
    std::vector<std::string> out;
    for (int i = 0; i < window->Count(); ++i) {
      TMenuItem* it = window->Items(i);
      out.push_back(it->Name() + "=" + it->Caption() + (it->Checked() ? "*" : ""));
    }
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(items(), (V{"A_BVLCHILDITEM=A", "B_BVLCHILDITEM=B*"}));
  a->SetCaption("photo.jpg");
  Idle();
  EXPECT_EQ(items(), (V{"A_BVLCHILDITEM=photo.jpg", "B_BVLCHILDITEM=B*"}));
  // The item brings its child back: restored by its controller, shown on top.
  Ctl(a)->ChangeWindowState(spwsMinimized);
  Idle();
  window->Items(0)->Click();
  Idle();
  EXPECT_EQ(Ctl(a)->WindowState, spwsNormal);
  EXPECT_EQ(main->ActiveMDIChild(), a);
  EXPECT_EQ(items(), (V{"A_BVLCHILDITEM=photo.jpg*", "B_BVLCHILDITEM=B"}));
  // Hidden or gone, a child's item goes; the last one takes any left.
  b->Hide();
  Idle();
  EXPECT_EQ(items(), (V{"A_BVLCHILDITEM=photo.jpg*"}));
  delete a;
  Idle();
  EXPECT_EQ(items(), V{});
  // The window menu itself freed: the form forgets it.
  delete window;
  EXPECT_EQ(main->WindowMenu(), nullptr);
}

// An MDI form refuses the SkinnableForm switch while it has children.
TEST_F(BrenvaleMDITest, TheSwitchWaitsForAnMDIFormWithoutChildren) {
  SkinnedFrame();
  TForm* doc = Child("Doc");
  skin->SetSkinnableForm(false);
  Idle();
  EXPECT_TRUE(mainCtl->Skinnable);
  // Children take no part in the switch.
  EXPECT_TRUE(Ctl(doc)->Skinnable);
  delete doc;
  Idle();
  skin->SetSkinnableForm(true);
  skin->SetSkinnableForm(false);
  Idle();
  EXPECT_FALSE(mainCtl->Skinnable);
  EXPECT_TRUE(mainCtl->MDIClientHooked());
  skin->SetSkinnableForm(true);
  Idle();
  EXPECT_TRUE(mainCtl->Skinnable);
  EXPECT_EQ(MDIPixel(0, 0), kClient);
}

// What closes the MDI form's menus closes those of its active child too.
TEST_F(BrenvaleMDITest, ThePreStepOfTheParentReachesTheActiveChild) {
  SkinnedFrame();
  TForm* doc = Child("Doc");
  TspBrenvale* k = Ctl(doc);
  ASSERT_EQ(main->ActiveMDIChild(), doc);
  int closed = 0;
  k->OnSkinMenuClose = [&](TObject*) { ++closed; };
  // A menu the child's frame opened.
  k->SkinMenuOpen = true;
  main->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(k->SkinMenuOpen);
  EXPECT_EQ(closed, 1);
  // Messages outside the pre-step's list leave it open.
  k->SkinMenuOpen = true;
  main->Perform(WM_NULL, 0, 0);
  EXPECT_TRUE(k->SkinMenuOpen);
  k->SkinMenuOpen = false;
}

// A maximized child that goes takes the parent's maximized-child state with
// it: the caption no longer names it.
TEST_F(BrenvaleMDITest, AMaximizedChildThatGoesLeavesTheParentsCaption) {
  SkinnedFrame();
  TForm* keep = Child("Keep");
  TForm* doc = Child("Doc", 40, 40);
  Ctl(doc)->ChangeWindowState(spwsMaximized);
  Idle();
  ASSERT_TRUE(mainCtl->ChildMaximized);
  ASSERT_EQ(mainCtl->DefaultCaptionText(), "Main - [Doc]");
  delete doc;
  Idle();
  EXPECT_FALSE(mainCtl->ChildMaximized);
  EXPECT_EQ(mainCtl->DefaultCaptionText(), "Main");
  EXPECT_EQ(Ctl(keep)->WindowState, spwsNormal);
}

// The MDI form's title watch wraps the controller's procedure; freeing the
// controller leaves that wrapper calling what lay beneath it.
TEST_F(BrenvaleMDITest, AControllerFreedUnderTheTitleWatchPassesMessagesOn) {
  SkinnedFrame();
  TForm* doc = Child("Doc", 40, 40);
  ASSERT_NE(main->WindowProc.Object(), static_cast<const void*>(mainCtl));  // wrapped
  delete mainCtl;
  mainCtl = ctl = nullptr;
  main->SetCaption("Renamed");
  Idle();
  char text[64] = {};
  GetWindowText(main->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Renamed");
  doc->SetCaption("Doc 2");
  Idle();
  EXPECT_EQ(doc->Caption(), "Doc 2");
}

// The skinned menu speed button: which press opens which menu, the close
// that brings the button up again, a menu with nothing to show, the default
// look in each state, and the skinned faces of the menu-button kind, the
// generic tool button and the new style.
#include <gtest/gtest.h>

#include "platform/graphics/ImageList.h"
#include "skin/controls/SkinCtrls_MenuSpeedButton.h"
#include "skin/windows/SkinMenus.h"
#include "tests/skin/controls/SkinEditTestSupport.h"
#include "tests/skin/windows/SkinMenusTestSupport.h"

using namespace skinctl;

namespace {

// Records its drop-downs; the test closes it.
class TMenuButtonImagesStandIn : public TspImagesMenuBase {
 public:
  explicit TMenuButtonImagesStandIn(TComponent* AOwner) : TspImagesMenuBase(AOwner), images(this) {}
  TImageList images;
  std::vector<TRect> popups;
  bool open = false;
  TImageList* ImagesList() const override { return const_cast<TImageList*>(&images); }
  bool SelectedItem(int&, std::string&) const override { return false; }
  void PopupAtRect(const TRect& R) override {
    popups.push_back(R);
    open = true;
  }
  bool IsOpen() const override { return open; }
  void Close() {
    open = false;
    if (CloseNotify) CloseNotify();
  }
};

// Fixture picture cells (see FixturePicture): normal y 0, active y 20, down
// y 40, disabled y 60, focused y 80.
std::string MenuButtonIni() {
  const std::string face =
      "pictureindex=0\nlefttoppoint=4,4\nrighttoppoint=36,4\nleftbottompoint=4,16\nrightbottompoint=36,16\n"
      "clientrect=2,2,38,18\nleftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n"
      "fontname=Arial\nfontheight=12\nfontcolor=$0000FFFF\nactivefontcolor=$0000FFFF\ndownfontcolor=$0000FFFF\n"
      "disabledfontcolor=$00FFFFFF\n";
  const std::string states = "skinrect=0,0,40,20\nactiveskinrect=0,20,40,40\ndownskinrect=0,40,40,60\n";
  return "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=1\n0=states.bmp\n"
         "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=0\n"
         "[SKINCONTROLS]\ncount=4\n0=toolmenubutton:menubutton\n1=toolbutton:button\n"
         "2=resizetoolbutton:button\n3=vtracktoolbutton:button\n"
         "[toolmenubutton]\n" + face + states + "trackbuttonrect=28,0,40,20\n"
         "[toolbutton]\n" + face + states +
         "[resizetoolbutton]\n" + face + states +
         "[vtracktoolbutton]\n" + face +
         "skinrect=0,80,40,100\nactiveskinrect=0,80,40,100\ndownskinrect=0,60,40,80\n"
         "[SKINCOLORS]\ncbtnface=$00F0F0F0\ncbtntext=$00000000\ncbtnshadow=$00808080\n";
}

class SkinMenuSpeedButtonTest : public SkinBoxTest {
 protected:
  TspSkinMenuSpeedButton* NewButton(int w = 60, int h = 30) {
    auto* b = new TspSkinMenuSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(20, 20, w, h);
    b->OnClick = [this](TObject*) { log.push_back("click"); };
    b->OnShowTrackMenu = [this](TObject*) { log.push_back("show"); };
    b->OnHideTrackMenu = [this](TObject*) { log.push_back("hide"); };
    return b;
  }
  TMenuButtonImagesStandIn* NewImagesMenu() { return new TMenuButtonImagesStandIn(form); }
  void LoadMenuButtonSkin() {
    folder_.WriteBytes("states.bmp", WriteBmp(FixturePicture()));
    folder_.WriteText("Skin.ini", MenuButtonIni());
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
  }
  // Keys reach an open skinned menu through the application's message hook.
  void MenuKey(int vk) {
    s.display.KeyPress(vk);
    app.ProcessMessages();
    Idle();
  }
  void Click(TControl* c, int x, int y) {
    Press(c, x, y);
    Release(c, x, y);
  }
};

TEST_F(SkinMenuSpeedButtonTest, APressOpensThePopupMenuWithoutAClickAndItsCloseBringsTheButtonUp) {
  std::vector<std::string> menuLog;
  auto* ctl = new skinmenus::TTestController(form, &menuLog);
  auto* popup = new TspSkinPopupMenu(form);
  for (const char* caption : {"One", "Two"}) {
    auto* it = new TMenuItem(popup);
    it->SetCaption(caption);
    popup->Items()->Add(it);
  }
  TspSkinMenuSpeedButton* b = NewButton();
  b->SetCaption("Tool");
  b->SetSkinPopupMenu(popup);
  Show();
  Press(b, 10, 10);  // anywhere: not in track-button mode
  EXPECT_EQ(Take(), (Log{"show"}));
  EXPECT_TRUE(ctl->menu->Visible);
  EXPECT_TRUE(b->TrackPressed);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(Pixel(b, 2, 2), ColorToRGB(0x00B59385));
  Snapshot(b, "menuspeed_default_open");
  Release(b, 10, 10);
  EXPECT_TRUE(Take().empty());  // the release is the menu's, no click
  MenuKey(VK_ESCAPE);
  EXPECT_FALSE(ctl->menu->Visible);
  EXPECT_EQ(Take(), (Log{"hide"}));
  EXPECT_FALSE(b->TrackPressed);
  EXPECT_FALSE(b->Down());
  EXPECT_FALSE(b->PointerInside);
  EXPECT_EQ(Pixel(b, 2, 2), ColorToRGB(clBtnFace));
  // Removing the menu clears the reference: presses click again.
  delete popup;
  EXPECT_EQ(b->SkinPopupMenu(), nullptr);
  Click(b, 10, 10);
  EXPECT_EQ(Take(), (Log{"click"}));
}

TEST_F(SkinMenuSpeedButtonTest, InTrackButtonModeOnlyTheTrackAreaOpensTheMenu) {
  TspSkinMenuSpeedButton* b = NewButton(60, 30);
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinImagesMenu(menu);
  b->SetTrackButtonMode(true);
  Show();
  const struct {
    int x;
    bool opens;
  } presses[] = {{10, false}, {44, false}, {45, true}, {59, true}};
  for (const auto& p : presses) {
    EXPECT_EQ(b->IsInTrackArea(p.x, 5), p.opens) << p.x;
    Click(b, p.x, 5);
    if (p.opens) {
      EXPECT_EQ(Take(), (Log{"show"})) << p.x;
      EXPECT_TRUE(b->Down());
      menu->Close();
      EXPECT_EQ(Take(), (Log{"hide"})) << p.x;
      EXPECT_FALSE(b->Down());
    } else {
      EXPECT_EQ(Take(), (Log{"click"})) << p.x;
    }
  }
  // The drop-down lies at the button's screen rectangle.
  const TPoint o = b->ClientToScreen(TPoint{0, 0});
  ASSERT_EQ(menu->popups.size(), 2u);
  EXPECT_EQ(menu->popups[0], (TRect{o.X, o.Y, o.X + 60, o.Y + 30}));
  // The bottom track of the new style.
  b->SetNewStyle(true);
  b->SetTrackPosition(sptpBottom);
  EXPECT_EQ(b->SkinDataName(), "resizetoolbutton");
  EXPECT_TRUE(b->IsInTrackArea(5, 15));
  EXPECT_FALSE(b->IsInTrackArea(5, 14));
  // Without any menu nothing is a track area, whatever the mode.
  b->SetSkinImagesMenu(nullptr);
  EXPECT_FALSE(b->IsInTrackArea(59, 29));
  b->SetTrackButtonMode(false);
  EXPECT_FALSE(b->IsInTrackArea(10, 5));
  Click(b, 10, 5);
  EXPECT_EQ(Take(), (Log{"click"}));
}

TEST_F(SkinMenuSpeedButtonTest, WithBothMenusTheShowEventFiresBeforeEachDropDown) {
  std::vector<std::string> menuLog;
  new skinmenus::TTestController(form, &menuLog);
  auto* popup = new TspSkinPopupMenu(form);
  auto* it = new TMenuItem(popup);
  it->SetCaption("One");
  popup->Items()->Add(it);
  TspSkinMenuSpeedButton* b = NewButton();
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinPopupMenu(popup);
  b->SetSkinImagesMenu(menu);
  b->OnShowTrackMenu = [&](TObject*) {
    log.push_back(menu->popups.empty() ? "show before images" : "show after images");
  };
  Show();
  Press(b, 10, 10);
  EXPECT_EQ(Take(), (Log{"show before images", "show before images"}));
  EXPECT_EQ(menu->popups.size(), 1u);
}

TEST_F(SkinMenuSpeedButtonTest, AMenuWithNothingToShowLeavesTheButtonUp) {
  std::vector<std::string> menuLog;
  new skinmenus::TTestController(form, &menuLog);
  auto* popup = new TspSkinPopupMenu(form);  // no items
  TspSkinMenuSpeedButton* b = NewButton();
  b->SetSkinPopupMenu(popup);
  Show();
  Press(b, 10, 10);
  EXPECT_EQ(Take(), (Log{"show", "hide"}));
  EXPECT_FALSE(b->TrackPressed);
  EXPECT_FALSE(b->Down());
  Release(b, 10, 10);
  MoveTo(b, 200, 150);
  MoveTo(b, 10, 10);
  // Up and hot again, not stuck down.
  EXPECT_EQ(Pixel(b, 2, 2), ColorToRGB(0x00D2BDB6));
}

TEST_F(SkinMenuSpeedButtonTest, DefaultLookOfTheTwoPartsInEachState) {
  TspSkinMenuSpeedButton* b = NewButton(60, 30);
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinImagesMenu(menu);
  b->SetTrackButtonMode(true);
  b->SetCaption("Pick");
  Show();
  const TColor navy = 0x00800000, light = 0x00D2BDB6, dark = 0x00B59385;
  const struct {
    const char* what;
    std::function<void()> act;
    TColor mainFrame, mainFill, trackFrame, trackFill;
  } states[] = {
      {"normal", [] {}, clBtnShadow, clBtnFace, clBtnShadow, clBtnFace},
      {"hot", [&] { MoveTo(b, 10, 10); }, navy, light, navy, light},
      {"pressed", [&] { Press(b, 10, 10); }, navy, dark, navy, dark},
      {"released", [&] { Release(b, 10, 10); }, navy, light, navy, light},
      {"track", [&] { Press(b, 50, 10); }, navy, light, navy, dark},
      {"closed", [&] { menu->Close(), Idle(); }, clBtnShadow, clBtnFace, clBtnShadow, clBtnFace},
  };
  for (const auto& st : states) {
    st.act();
    // Main part (0..44): frame at x 44; track part (45..59): frame at x 45.
    EXPECT_EQ(Pixel(b, 44, 15), ColorToRGB(st.mainFrame)) << st.what;
    EXPECT_EQ(Pixel(b, 2, 2), ColorToRGB(st.mainFill)) << st.what;
    EXPECT_EQ(Pixel(b, 45, 15), ColorToRGB(st.trackFrame)) << st.what;
    EXPECT_EQ(Pixel(b, 47, 27), ColorToRGB(st.trackFill)) << st.what;
    Snapshot(b, std::string("menuspeed_default_track_") + st.what);
  }
  EXPECT_EQ(Take(), (Log{"click", "show", "hide"}));
  // The track arrow is drawn in the track area.
  bool arrow = false;
  for (int y = 0; y < 30 && !arrow; ++y)
    for (int x = 46; x < 59; ++x) arrow = arrow || Pixel(b, x, y) == ColorToRGB(clBtnText);
  EXPECT_TRUE(arrow);
}

TEST_F(SkinMenuSpeedButtonTest, FlatAtRestShowsOnlyContentAndArrow) {
  form->SetColor(0x00E0F0F0);
  TspSkinMenuSpeedButton* b = NewButton(60, 30);
  b->SetFlat(true);
  Show();
  EXPECT_EQ(Pixel(b, 0, 0), 0x00E0F0F0);
  EXPECT_EQ(Pixel(b, 2, 2), 0x00E0F0F0);
  int arrowLeft = 99;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x)
      if (Pixel(b, x, y) == ColorToRGB(clBtnText)) arrowLeft = std::min(arrowLeft, x);
  EXPECT_GE(arrowLeft, 45);  // in the right 15 columns
  Snapshot(b, "menuspeed_default_flat");
  MoveTo(b, 10, 10);
  EXPECT_EQ(Pixel(b, 2, 2), ColorToRGB(0x00D2BDB6));
}

TEST_F(SkinMenuSpeedButtonTest, SkinnedMenuButtonKindCopiesTheDownTrackPieceOverTheActiveFace) {
  LoadMenuButtonSkin();
  TspSkinMenuSpeedButton* b = NewButton(40, 20);
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinImagesMenu(menu);
  b->SetTrackButtonMode(true);
  b->SetSkinData(skin);
  Show();
  EXPECT_EQ(Pixel(b, 5, 10), kNormal);
  EXPECT_FALSE(b->IsInTrackArea(27, 10));
  EXPECT_TRUE(b->IsInTrackArea(28, 10));
  Press(b, 32, 10);
  EXPECT_TRUE(b->TrackPressed);
  EXPECT_EQ(Pixel(b, 5, 10), kActive);
  EXPECT_EQ(Pixel(b, 30, 10), kDown);
  Snapshot(b, "menuspeed_skin_menubutton_track");
  menu->Close();
  MoveTo(b, 200, 150);
  EXPECT_EQ(Pixel(b, 30, 10), kNormal);
}

TEST_F(SkinMenuSpeedButtonTest, SkinnedToolButtonDrawsMainAndTrackFacesByState) {
  LoadMenuButtonSkin();
  TspSkinMenuSpeedButton* b = NewButton(60, 30);
  b->SetSkinDataName("toolbutton");
  b->UseSkinSize = false;
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinImagesMenu(menu);
  b->SetTrackButtonMode(true);
  b->SetSkinData(skin);
  Show();
  const struct {
    const char* what;
    std::function<void()> act;
    TColor main, track;
  } states[] = {
      {"normal", [] {}, kNormal, kNormal},
      {"hot", [&] { MoveTo(b, 10, 10); }, kActive, kActive},
      {"pressed", [&] { Press(b, 10, 10); }, kDown, kDown},
      {"released", [&] { Release(b, 10, 10); }, kActive, kActive},
      {"track", [&] { Press(b, 52, 10); }, kActive, kDown},
  };
  for (const auto& st : states) {
    st.act();
    EXPECT_EQ(Pixel(b, 5, 26), st.main) << st.what;
    EXPECT_EQ(Pixel(b, 52, 26), st.track) << st.what;
    // The 2-pixel border of each face: the track face starts at x 45.
    EXPECT_EQ(Pixel(b, 45, 26), kBorder) << st.what;
    Snapshot(b, std::string("menuspeed_skin_toolbutton_") + st.what);
  }
  menu->Close();
  EXPECT_EQ(Take(), (Log{"click", "show", "hide"}));
}

TEST_F(SkinMenuSpeedButtonTest, NewStyleTakesTheTrackDescriptionUnderThePointer) {
  LoadMenuButtonSkin();
  TspSkinMenuSpeedButton* b = NewButton(60, 30);
  b->SetNewStyle(true);
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinImagesMenu(menu);
  b->SetTrackButtonMode(true);
  b->SetSkinData(skin);
  Show();
  EXPECT_EQ(Pixel(b, 5, 26), kNormal);
  EXPECT_EQ(Pixel(b, 52, 26), kNormal);  // whole, away from the pointer
  MoveTo(b, 10, 10);
  EXPECT_EQ(Pixel(b, 5, 26), kActive);
  EXPECT_EQ(Pixel(b, 52, 26), kFocused);  // "vtracktoolbutton", active
  Snapshot(b, "menuspeed_skin_newstyle_hot");
  Press(b, 52, 10);
  EXPECT_EQ(Pixel(b, 5, 26), kActive);     // the main face is not pressed
  EXPECT_EQ(Pixel(b, 52, 26), kDisabled);  // the track's down piece
  Snapshot(b, "menuspeed_skin_newstyle_track");
}

TEST_F(SkinMenuSpeedButtonTest, TabsBarArrowButtonDrawsItsArrowInTheFontColour) {
  LoadMenuButtonSkin();
  TspSkinMenuSpeedButton* b = NewButton(15, 20);
  b->SetSkinDataName("resizetoolbutton");
  b->UseSkinSize = false;
  b->ArrowMarker = true;
  b->ArrowKind = 4;
  b->SetSkinData(skin);
  Show();
  int n = 0, top = 99, bottom = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 15; ++x)
      if (Pixel(b, x, y) == 0x0000FFFF) {
        ++n;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GT(n, 3);
  // A down arrow: its widest row is at its top.
  int topRow = 0, bottomRow = 0;
  for (int x = 0; x < 15; ++x) {
    topRow += Pixel(b, x, top) == 0x0000FFFF;
    bottomRow += Pixel(b, x, bottom) == 0x0000FFFF;
  }
  EXPECT_GT(topRow, bottomRow);
  Snapshot(b, "menuspeed_skin_tabs_arrow");
}

}  // namespace

namespace {

TEST_F(SkinMenuSpeedButtonTest, TheSkinnedImagesMenuDropsDownAndItsPickShowsOnTheButton) {
  auto* images = new TImageList(form, 16, 16);
  const TColor colours[2] = {0x000000C0, 0x00C00000};
  for (TColor c : colours) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect{0, 0, 16, 16});
    images->Add(&b, nullptr);
  }
  auto* menu = new TspSkinImagesMenu(form);
  menu->SetImages(images);
  menu->SetColumnsCount(2);
  for (int i = 0; i < 2; ++i) menu->ImagesItems()->Add()->ImageIndex = i;
  menu->ItemIndex = 0;
  TspSkinMenuSpeedButton* b = NewButton(60, 30);
  b->UseImagesMenuImage = true;
  b->SetSkinImagesMenu(menu);
  Show();
  auto shows = [&](TColor c) {
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 45; ++x)
        if (Pixel(b, x, y) == c) return true;
    return false;
  };
  EXPECT_TRUE(shows(colours[0]));
  Press(b, 10, 10);
  ASSERT_TRUE(menu->IsOpen());
  EXPECT_TRUE(b->Down());
  // A click on the second cell closes the menu and brings the button up.
  RECT wr{};
  GetWindowRect(menu->PopupWindow()->Handle(), &wr);
  const TRect cell = menu->ImagesItems()->Items(1)->CellRect;
  const int x = wr.Left + (cell.Left + cell.Right) / 2, y = wr.Top + (cell.Top + cell.Bottom) / 2;
  s.display.MouseUp(x, y);  // the release of the opening press
  s.display.MouseMove(x, y);
  s.display.MouseDown(x, y);
  s.display.MouseUp(x, y);
  Idle();
  EXPECT_FALSE(menu->IsOpen());
  EXPECT_EQ(menu->ItemIndex, 1);
  EXPECT_EQ(Take(), (Log{"show", "hide"}));
  EXPECT_FALSE(b->Down());
  EXPECT_FALSE(b->TrackPressed);
  EXPECT_TRUE(shows(colours[1]));
  EXPECT_FALSE(shows(colours[0]));
  Snapshot(b, "menuspeed_images_pick");
}

}  // namespace

namespace {

TEST_F(SkinMenuSpeedButtonTest, NewStyleDefaultLookWithTheTrackAtTheBottom) {
  TspSkinMenuSpeedButton* b = NewButton(40, 50);
  TMenuButtonImagesStandIn* menu = NewImagesMenu();
  b->SetSkinImagesMenu(menu);
  b->SetNewStyle(true);
  b->SetTrackPosition(sptpBottom);
  b->SetTrackButtonMode(true);
  Show();
  const TColor navy = 0x00800000, light = 0x00D2BDB6, dark = 0x00B59385;
  // At rest: one face over the whole button.
  EXPECT_EQ(Pixel(b, 0, 34), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Pixel(b, 2, 34), ColorToRGB(clBtnFace));
  // Hovered: main part (0..34) and track (35..49) framed apart.
  MoveTo(b, 10, 10);
  EXPECT_EQ(Pixel(b, 5, 34), navy);
  EXPECT_EQ(Pixel(b, 5, 35), navy);
  EXPECT_EQ(Pixel(b, 2, 2), light);
  EXPECT_EQ(Pixel(b, 2, 47), light);
  // A press on the track: the track dark, the main part light.
  Press(b, 10, 40);
  EXPECT_TRUE(b->TrackPressed);
  EXPECT_EQ(Pixel(b, 2, 2), light);
  EXPECT_EQ(Pixel(b, 2, 47), dark);
  Snapshot(b, "menuspeed_newstyle_default_track");
  menu->Close();
  Idle();
  // A press on the main part: down, the track light.
  MoveTo(b, 200, 150);
  Press(b, 10, 10);
  EXPECT_FALSE(b->TrackPressed);
  EXPECT_EQ(Pixel(b, 2, 2), dark);
  EXPECT_EQ(Pixel(b, 2, 47), light);
  Release(b, 10, 10);
  EXPECT_EQ(Take(), (Log{"show", "hide", "click"}));
}

}  // namespace

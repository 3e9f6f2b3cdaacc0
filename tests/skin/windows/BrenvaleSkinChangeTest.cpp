// Skin changes at run time and the SkinnableForm switch: a form sized
// before its window exists, a new skin repainting the frame, broken skins,
// and the frame switched to the platform's own and back.
#include "skin/windows/Brenvale.h"
#include "platform/gdi/Gdi.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

class BrenvaleSkinChangeTest : public BrenvaleTest {
 protected:
  void Skinned(int w = 300, int h = 200) {
    NewForm(0, 0, 100, 100);  // the main form
    MakeForm(w, h);
    LoadFixtureSkin();
    ctl->SetSkinData(skin);
    Show();
  }
  // Whether the window's region holds the point (no region: the whole
  // window does).
  bool InRegion(int x, int y) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(form->Handle(), rgn);
    const bool in = kind == ERROR ? (x >= 0 && y >= 0 && x < form->Width() && y < form->Height())
                                  : PtInRegion(rgn, x, y) != FALSE;
    DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
    return in;
  }
  bool HasRegion() {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(form->Handle(), rgn);
    DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
    return kind != ERROR;
  }
  // The client rectangle's place in the window.
  TRect ClientInWindow() {
    RECT wr{}, cr{};
    GetWindowRect(form->Handle(), &wr);
    GetClientRect(form->Handle(), &cr);
    POINT o{0, 0};
    ClientToScreen(form->Handle(), &o);
    return TRect{o.X - wr.Left, o.Y - wr.Top, o.X - wr.Left + cr.Right, o.Y - wr.Top + cr.Bottom};
  }
};

// A client size given while the form has no window (in its layout, or
// before it is first shown) is the client the form shows: the frame is
// added around it, not cut out of it.
TEST_F(BrenvaleSkinChangeTest, ClientSizeGivenBeforeTheWindowExistsStaysTheClient) {
  NewForm(0, 0, 100, 100);  // the main form, owner of the skin
  form = NewForm(0, 0, 100, 100);
  LoadFixtureSkin();
  struct TCase {
    const char* name;
    bool skinned, inLayout;
    int frameW, frameH;  // what the frame adds
  };
  const TCase cases[] = {
      {"skin, in the layout", true, true, kPW - 112, kPH - 52},
      {"skin, after construction", true, false, kPW - 112, kPH - 52},
      {"default look, in the layout", false, true, 2 * kDefBorder, kDefCaptionHeight + 2 * kDefBorder},
      {"default look, after construction", false, false, 2 * kDefBorder, kDefCaptionHeight + 2 * kDefBorder},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TForm* f = nullptr;
    app.CreateForm(f);
    if (c.inLayout) f->BeginLayout();
    auto* k = new TspBrenvale(f);
    if (c.skinned) k->SetSkinData(skin);
    f->SetBounds(50, 50, 100, 100);
    f->SetClientWidth(240);
    f->SetClientHeight(150);
    if (c.inLayout) f->EndLayout();
    f->Show();
    Idle();
    EXPECT_EQ(f->ClientWidth(), 240);
    EXPECT_EQ(f->ClientHeight(), 150);
    EXPECT_EQ(f->Width(), 240 + c.frameW);
    EXPECT_EQ(f->Height(), 150 + c.frameH);
    delete f;
  }
}

TEST_F(BrenvaleSkinChangeTest, ANewSkinReachesTheFrameOfEveryForm) {
  Skinned();
  TForm* first = form;
  TspBrenvale* firstCtl = ctl;
  // A second skinned form on the same skin data.
  form = NewForm(500, 100, 260, 180);
  ctl = new TspBrenvale(form);
  ctl->SetSkinData(skin);
  Show();
  const TColor newTop = 0x00336699;
  TSkinFolder other;
  other.WriteBytes("frame.bmp", WriteBmp(FramePicture(newTop)));
  other.WriteBytes("mask.bmp", WriteBmp(MaskPicture()));
  other.WriteBytes("buttons.bmp", WriteBmp(ButtonsPicture()));
  TFixtureOptions o;
  o.borderwidth = 6;
  other.WriteText("Skin.ini", FrameIni(o));
  std::vector<std::string> changed;
  firstCtl->OnChangeSkinData = [&](TObject*) { changed.push_back("first"); };
  ctl->OnChangeSkinData = [&](TObject*) { changed.push_back("second"); };
  ASSERT_TRUE(skin->LoadFromFile(other.Path("Skin.ini")));
  Idle();
  EXPECT_EQ(changed, (std::vector<std::string>{"first", "second"}));
  for (TForm* f : {first, form}) {
    SCOPED_TRACE(f == first ? "first" : "second");
    form = f;
    EXPECT_EQ(Pixel(150, 10), newTop);
    EXPECT_EQ(Pixel(1, 100), kLeft);
    // Objects made anew from the new skin, drawn on the new frame.
    TspBrenvale* k = FindController(f);
    ASSERT_EQ(k->ObjectList.size(), 4u);
    EXPECT_TRUE(k->SkinApplied);
    EXPECT_FALSE(k->SkinChanging);
    EXPECT_EQ(Pixel(f->Width() - 17, 5), kObjNormal);
    // The region follows the new mask: the corners stay cut.
    EXPECT_FALSE(InRegion(0, 0));
    EXPECT_TRUE(InRegion(2, 0));
  }
}

// A skin that cannot be read (missing, without its sections, with a picture
// or a value that fails half-way) leaves the frame with the skin in use:
// the forms hear of no load.
TEST_F(BrenvaleSkinChangeTest, ABrokenSkinLeavesTheSkinInUse) {
  Skinned();
  ASSERT_EQ(Pixel(150, 10), kTop);
  int changes = 0;
  ctl->OnChangeSkinData = [&](TObject*) { ++changes; };
  TSkinFolder broken;
  broken.WriteText("NoInfo.ini", "[VERSION]\n[PICTURES]\npicture=frame.bmp\n[SKINOBJECTS]\n[SKINCONTROLS]\n");
  broken.WriteText("frame.bmp", "BM this is no bitmap");
  broken.WriteBytes("good.bmp", WriteBmp(FramePicture(0x00336699)));
  broken.WriteBytes("mask.bmp", WriteBmp(MaskPicture()));
  broken.WriteBytes("buttons.bmp", WriteBmp(ButtonsPicture()));
  broken.WriteText("BadPicture.ini", FrameIni({}));
  std::string badValue = FrameIni({});
  badValue.replace(badValue.find("picture=frame.bmp"), 17, "picture=good.bmp");
  badValue.replace(badValue.find("clientrect=4,24,116,76"), 22, "clientrect=4,,116,76");
  broken.WriteText("BadValue.ini", badValue);
  for (const char* file : {"Missing.ini", "NoInfo.ini", "BadPicture.ini", "BadValue.ini"}) {
    SCOPED_TRACE(file);
    EXPECT_FALSE(skin->LoadFromFile(broken.Path(file)));
    Idle();
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(ctl->SkinApplied);
    EXPECT_FALSE(ctl->SkinChanging);
    EXPECT_EQ(ctl->ObjectList.size(), 4u);
    EXPECT_EQ(Pixel(150, 10), kTop);
    EXPECT_EQ(form->ClientWidth(), 300 - 8);
  }
}

// A form whose skin data is empty keeps its default look when a load fails.
TEST_F(BrenvaleSkinChangeTest, ABrokenFirstSkinLeavesTheDefaultLook) {
  NewForm(0, 0, 100, 100);
  MakeForm(300, 200);
  skin = new TspSkinData(form);
  ctl->SetSkinData(skin);
  Show();
  TSkinFolder broken;
  broken.WriteText("frame.bmp", "BM this is no bitmap");
  broken.WriteText("Skin.ini", FrameIni({}));
  EXPECT_FALSE(skin->LoadFromFile(broken.Path("Skin.ini")));
  Idle();
  EXPECT_FALSE(ctl->SkinApplied);
  EXPECT_FALSE(ctl->SkinChanging);
  EXPECT_EQ(form->ClientWidth(), 300 - 2 * kDefBorder);
  EXPECT_NE(Obj("closebutton"), nullptr);
  // A good skin after it.
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  Idle();
  EXPECT_EQ(Pixel(150, 10), kTop);
}

TEST_F(BrenvaleSkinChangeTest, SkinnableFormSwitchesToThePlatformFrameAndBack) {
  Skinned();
  const TRect skinnedClient = ClientInWindow();
  ASSERT_EQ(skinnedClient, (TRect{4, 24, 296, 196}));
  ASSERT_TRUE(HasRegion());
  ASSERT_EQ(form->BorderIcons(), 0u);
  // The platform's frame for a form of this size and style.
  TForm* plain = NewForm(100, 400, 300, 200);
  plain->Show();
  Idle();
  RECT pc{};
  GetClientRect(plain->Handle(), &pc);

  skin->SetSkinnableForm(false);
  Idle();
  EXPECT_FALSE(ctl->Skinnable);
  EXPECT_EQ(form->Width(), 300);
  EXPECT_EQ(form->ClientWidth(), pc.Right);
  EXPECT_EQ(form->ClientHeight(), pc.Bottom);
  EXPECT_FALSE(HasRegion());
  EXPECT_TRUE(ctl->ObjectList.empty());
  EXPECT_EQ(form->BorderIcons(), biSystemMenu | biMinimize | biMaximize);
  EXPECT_NE(Pixel(150, 10), kTop);
  // The frame's messages reach the platform: its own hit test answers.
  EXPECT_EQ(HitAt(150, 2), LRESULT(DefWindowProc(form->Handle(), WM_NCHITTEST, 0,
                                                   MAKELPARAM(Scr(150, 2).X, Scr(150, 2).Y))));

  skin->SetSkinnableForm(true);
  Idle();
  EXPECT_TRUE(ctl->Skinnable);
  EXPECT_EQ(ClientInWindow(), skinnedClient);
  EXPECT_TRUE(HasRegion());
  EXPECT_FALSE(InRegion(0, 0));
  EXPECT_EQ(form->BorderIcons(), 0u);
  EXPECT_EQ(ctl->ObjectList.size(), 4u);
  EXPECT_EQ(Pixel(150, 10), kTop);
}

TEST_F(BrenvaleSkinChangeTest, SwitchingOffAMaximizedFormMaximizesItThePlatformsWay) {
  s.display.SetMonitors({TMonitorRec{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}, true}});
  Skinned();
  ctl->ChangeWindowState(spwsMaximized);
  Idle();
  ASSERT_EQ(form->BoundsRect(), (TRect{0, 0, 1280, 984}));
  std::vector<std::string> seen;
  form->OnHide = [&](TObject*) { seen.push_back("hide"); };
  form->OnShow = [&](TObject*) { seen.push_back("show"); };

  skin->SetSkinnableForm(false);
  Idle();
  EXPECT_EQ(seen, (std::vector<std::string>{"hide", "show"}));
  EXPECT_EQ(ctl->WindowState, spwsNormal);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_TRUE(form->Visible());

  seen.clear();
  skin->SetSkinnableForm(true);
  Idle();
  EXPECT_EQ(seen, (std::vector<std::string>{"hide", "show"}));
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(ctl->WindowState, spwsMaximized);
  EXPECT_EQ(form->BoundsRect(), (TRect{0, 0, 1280, 984}));
  EXPECT_EQ(Pixel(150, 10), kTop);
}

// Messages for another skin data leave the frame alone.
TEST_F(BrenvaleSkinChangeTest, MessagesOfAnotherSkinDataAreIgnored) {
  Skinned();
  auto* other = new TspSkinData(form);
  ASSERT_TRUE(other->LoadFromFile(folder_.Path("Skin.ini")));
  Idle();
  EXPECT_TRUE(ctl->SkinApplied);
  EXPECT_EQ(ctl->ObjectList.size(), 4u);
  other->SetSkinnableForm(false);
  Idle();
  EXPECT_TRUE(ctl->Skinnable);
  EXPECT_EQ(Pixel(150, 10), kTop);
}

// A skin data that does not skin forms, given to a shown skinned form, hands
// its frame to the platform at once, and the form's own skin data back
// takes it again.
TEST_F(BrenvaleSkinChangeTest, AssigningASkinDataThatDoesNotSkinFormsGivesThePlatformFrame) {
  Skinned();
  TForm* plain = NewForm(100, 400, 300, 200);
  plain->Show();
  Idle();
  RECT pc{};
  GetClientRect(plain->Handle(), &pc);
  auto* unskinned = new TspSkinData(form);
  unskinned->SetSkinnableForm(false);
  ASSERT_TRUE(unskinned->LoadFromFile(folder_.Path("Skin.ini")));
  ctl->SetSkinData(unskinned);
  Idle();
  EXPECT_FALSE(ctl->Skinnable);
  EXPECT_EQ(form->ClientWidth(), pc.Right);
  EXPECT_EQ(form->ClientHeight(), pc.Bottom);
  EXPECT_FALSE(HasRegion());
  ctl->SetSkinData(skin);
  Idle();
  EXPECT_TRUE(ctl->Skinnable);
  EXPECT_EQ(ClientInWindow(), (TRect{4, 24, 296, 196}));
  EXPECT_EQ(Pixel(150, 10), kTop);
}

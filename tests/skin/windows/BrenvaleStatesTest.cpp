// Window states, roll-up, magnetic edges and dragging, driven by messages
// and input as the window manager and the user send them.
#include "skin/windows/Brenvale.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

class BrenvaleStatesTest : public BrenvaleTest {
 protected:
  // A 1280 x 1024 monitor whose work area leaves a 40-pixel bar at the bottom.
  void WorkAreaWithBar() { s.display.SetMonitors({TMonitorRec{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}, true}}); }
  TForm* mainForm_ = nullptr;
  // A skinned form that is not the application's main form.
  void SkinnedSecondForm(int w = 300, int h = 200) {
    mainForm_ = NewForm(0, 0, 100, 100);
    MakeForm(w, h);
    LoadFixtureSkin();
    ctl->SetSkinData(skin);
    Show();
  }
  std::vector<std::string> events;
  void RecordStateEvents() {
    ctl->OnMaximize = [this](TObject*) { events.push_back("maximize"); };
    ctl->OnRestore = [this](TObject*) { events.push_back("restore"); };
    ctl->OnMinimize = [this](TObject*) { events.push_back("minimize"); };
    ctl->OnChangeRollUpState = [this](TObject*) { events.push_back(ctl->RollUpState ? "rollup" : "rolldown"); };
  }
};

TEST_F(BrenvaleStatesTest, MaximizeFillsTheWorkAreaAndRestoreGoesBack) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  RecordStateEvents();
  ctl->ChangeWindowState(spwsMaximized);
  Idle();
  EXPECT_EQ(form->BoundsRect(), (TRect{0, 0, 1280, 984}));
  EXPECT_EQ(ctl->WindowState, spwsMaximized);
  EXPECT_EQ(form->WindowState(), wsNormal);
  ctl->ChangeWindowState(spwsNormal);
  Idle();
  EXPECT_EQ(form->BoundsRect(), (TRect{100, 100, 400, 300}));
  EXPECT_EQ(events, (std::vector<std::string>{"maximize", "restore"}));
}

// One maximised state with the desktop: the skin's maximise is told to it,
// and what the desktop does (a window manager's shortcut, a task bar) the
// skin follows, so its own restore always brings the normal bounds back.
TEST_F(BrenvaleStatesTest, MaximiseAndRestoreStayInStepWithTheDesktop) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  const HWND h = form->Handle();
  const TRect normal{100, 100, 400, 300}, work{0, 0, 1280, 984};
  // As the X11 display reports a window manager's change: the state, then
  // the bounds it gave.
  auto desktop = [&](UINT sizeType, const TRect& r) {
    NativeStateChanged(h, sizeType);
    SetWindowPos(h, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    Idle();
  };
  struct TCase {
    const char* name;
    bool skinMaximises;  // else the desktop does
    bool skinRestores;   // else the desktop does
  } cases[] = {{"skin, skin", true, true}, {"skin, desktop", true, false},
               {"desktop, skin", false, true}, {"desktop, desktop", false, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.skinMaximises) {
      ctl->ChangeWindowState(spwsMaximized);
      Idle();
      EXPECT_TRUE(IsDesktopMaximized(h));
      desktop(SIZE_MAXIMIZED, work);  // the window manager's echo
      EXPECT_EQ(form->WindowState(), wsNormal);
    } else {
      desktop(SIZE_MAXIMIZED, work);
    }
    EXPECT_EQ(ctl->WindowState, spwsMaximized);
    EXPECT_EQ(form->BoundsRect(), work);
    if (c.skinRestores) {
      ctl->ChangeWindowState(spwsNormal);
      Idle();
    } else {
      desktop(SIZE_RESTORED, normal);
    }
    EXPECT_EQ(ctl->WindowState, spwsNormal);
    EXPECT_EQ(form->BoundsRect(), normal);
    EXPECT_FALSE(IsZoomed(h));
    EXPECT_FALSE(IsDesktopMaximized(h));
    EXPECT_EQ(form->WindowState(), wsNormal);
  }
}

TEST_F(BrenvaleStatesTest, WorkAreaAsLargeAsTheScreenLeavesAPixelAllRound) {
  s.display.SetMonitors({TMonitorRec{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 1024}, true}});
  SkinnedSecondForm();
  ctl->ChangeWindowState(spwsMaximized);
  Idle();
  EXPECT_EQ(form->BoundsRect(), (TRect{1, 1, 1279, 1023}));
}

TEST_F(BrenvaleStatesTest, MaximizedFormDoesNotMoveByItsCaption) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  ctl->ChangeWindowState(spwsMaximized);
  Idle();
  RECT r{300, 300, 600, 500};
  SendMessage(form->Handle(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, (RECT{0, 0, 1280, 984}));
}

TEST_F(BrenvaleStatesTest, CaptionDoubleClickMaximizesAndRestores) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  auto dblClick = [&] {
    const TPoint p = Scr(100, 10);
    SendMessage(form->Handle(), WM_NCLBUTTONDBLCLK, WPARAM(HTCAPTION), MAKELPARAM(p.X, p.Y));
    Idle();
  };
  dblClick();
  EXPECT_EQ(ctl->WindowState, spwsMaximized);
  dblClick();
  EXPECT_EQ(ctl->WindowState, spwsNormal);
  EXPECT_EQ(form->BoundsRect(), (TRect{100, 100, 400, 300}));
}

TEST_F(BrenvaleStatesTest, RollUpLeavesTheCaptionAndRollDownComesBack) {
  SkinnedSecondForm();
  RecordStateEvents();
  ctl->ChangeRollUpState(true);
  Idle();
  EXPECT_EQ(form->Height(), kPH - 52);
  // Rolling up again changes nothing (it would lose the height).
  ctl->ChangeRollUpState(true);
  ctl->ChangeRollUpState(false);
  Idle();
  EXPECT_EQ(form->Height(), 200);
  EXPECT_EQ(events, (std::vector<std::string>{"rollup", "rolldown"}));
}

TEST_F(BrenvaleStatesTest, RollUpNeedsItsBorderIcon) {
  SkinnedSecondForm();
  ctl->SetBorderIcons(spbiSystemMenu | spbiMaximize);
  ctl->ChangeRollUpState(true);
  EXPECT_FALSE(ctl->RollUpState);
  EXPECT_EQ(form->Height(), 200);
}

TEST_F(BrenvaleStatesTest, RolledUpAfterMaximizingRollsDownOnRestore) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  ctl->ChangeWindowState(spwsMaximized);
  ctl->ChangeRollUpState(true);
  Idle();
  EXPECT_TRUE(ctl->MaximizedRollUp);
  ctl->ChangeWindowState(spwsNormal);
  Idle();
  EXPECT_FALSE(ctl->RollUpState);
  EXPECT_EQ(form->BoundsRect(), (TRect{100, 100, 400, 300}));
}

TEST_F(BrenvaleStatesTest, RolledUpBeforeMaximizingStaysRolledUpAfterRestore) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  ctl->ChangeRollUpState(true);
  ctl->ChangeWindowState(spwsMaximized);
  ctl->ChangeWindowState(spwsNormal);
  Idle();
  EXPECT_TRUE(ctl->RollUpState);
}

TEST_F(BrenvaleStatesTest, MinimizedFormsFillSlotsAlongTheBottom) {
  WorkAreaWithBar();
  mainForm_ = NewForm(0, 0, 100, 100);
  std::vector<TForm*> forms;
  for (int i = 0; i < 3; ++i) {
    TForm* f = NewForm(100 + 10 * i, 100, 300, 200);
    auto* c = new TspBrenvale(f);
    f->Show();
    Idle();
    c->ChangeWindowState(spwsMinimized);
    Idle();
    forms.push_back(f);
  }
  // Default look: 130 x 25 slots from the work area's bottom-left.
  EXPECT_EQ(forms[0]->BoundsRect(), (TRect{0, 984 - 25, 130, 984}));
  EXPECT_EQ(forms[1]->BoundsRect(), (TRect{130, 984 - 25, 260, 984}));
  EXPECT_EQ(forms[2]->BoundsRect(), (TRect{260, 984 - 25, 390, 984}));
  FindController(forms[1])->ChangeWindowState(spwsNormal);
  Idle();
  EXPECT_EQ(forms[1]->BoundsRect(), (TRect{110, 100, 410, 300}));
}

TEST_F(BrenvaleStatesTest, MinimizingTheMainFormMinimizesTheApplication) {
  MakeForm();
  Show();
  bool minimized = false;
  app.OnMinimize = [&](TObject*) { minimized = true; };
  ctl->ChangeWindowState(spwsMinimized);
  Idle();
  EXPECT_TRUE(minimized);
  EXPECT_EQ(ctl->WindowState, spwsNormal);
}

TEST_F(BrenvaleStatesTest, RestoreWithoutSavedBoundsKeepsThePlace) {
  SkinnedSecondForm();
  ctl->WindowState = spwsMaximized;  // as after the application's own minimize and a state change
  ctl->ChangeWindowState(spwsNormal);
  Idle();
  EXPECT_EQ(form->BoundsRect(), (TRect{100, 100, 400, 300}));
}

TEST_F(BrenvaleStatesTest, MagneticEdgeSnapsAndLetsGoBeyondItsDistance) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  ctl->Magnetic = true;
  // The move loop starts with the cursor on the caption.
  s.display.MouseMove(200, 110);
  Idle();
  SendMessage(form->Handle(), WM_ENTERSIZEMOVE, 0, 0);
  auto moving = [&](int cursorX, int left) {
    s.display.MouseMove(cursorX, 110);
    Idle();
    RECT r{left, 100, left + 300, 300};
    SendMessage(form->Handle(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.Width(), 300);
    return r.Left;
  };
  EXPECT_EQ(moving(130, 30), 30);  // far from the edge
  EXPECT_EQ(moving(108, 8), 0);    // within 10: snapped, the anchor is x 108
  EXPECT_EQ(moving(104, 4), 0);    // stuck while the mouse stays within 10 of the anchor
  EXPECT_EQ(moving(99, -1), 0);
  EXPECT_EQ(moving(97, -3), -11);  // 11 away from the anchor: follows the mouse again
  EXPECT_EQ(moving(60, -40), -48);  // still with the mouse, as far from it as at the release
  // The right edge snaps the same way.
  EXPECT_EQ(moving(1150, 975), 980);
  SendMessage(form->Handle(), WM_EXITSIZEMOVE, 0, 0);
}

TEST_F(BrenvaleStatesTest, MagneticSnappingInTheMoveLoop) {
  WorkAreaWithBar();
  SkinnedSecondForm();
  ctl->Magnetic = true;
  // Drag the caption so that the form's left comes 6 pixels from the edge.
  const TPoint p = Scr(150, 10);
  s.display.MouseMove(p.X, p.Y);
  Idle();
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseMove(p.X - 50, p.Y);
  s.display.MouseMove(p.X - 94, p.Y);
  s.display.MouseUp(p.X - 94, p.Y);
  Idle();
  EXPECT_EQ(form->Left(), 0);
  EXPECT_EQ(form->Top(), 100);
}

TEST_F(BrenvaleStatesTest, FramelessFormDragsByItsClient) {
  WorkAreaWithBar();
  mainForm_ = NewForm(0, 0, 100, 100);
  MakeForm(300, 200);
  ctl->SetSupportNCArea(false);
  ctl->DraggAble = true;
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  Show();
  const TPoint o = form->ClientToScreen(TPoint{150, 100});
  const TPoint start{form->Left(), form->Top()};
  s.display.MouseMove(o.X, o.Y);
  Idle();
  s.display.MouseDown(o.X, o.Y);
  Idle();
  EXPECT_TRUE(ctl->ClientDragActive);
  s.display.MouseMove(o.X + 30, o.Y + 20);
  Idle();
  EXPECT_EQ(form->Left(), start.X + 30);
  EXPECT_EQ(form->Top(), start.Y + 20);
  s.display.MouseUp(o.X + 30, o.Y + 20);
  Idle();
  EXPECT_FALSE(ctl->ClientDragActive);
  s.display.MouseMove(o.X + 60, o.Y + 20);
  Idle();
  EXPECT_EQ(form->Left(), start.X + 30);
}

TEST_F(BrenvaleStatesTest, FirstShowCentresOnTheWorkArea) {
  WorkAreaWithBar();
  mainForm_ = NewForm(0, 0, 100, 100);
  form = NewForm(0, 0, 300, 200);
  ctl = new TspBrenvale(form);
  ctl->PositionInMonitor = sppDesktopCenter;
  Show();
  EXPECT_EQ(form->Left(), 640 - 150);
  EXPECT_EQ(form->Top(), 492 - 100);
}

TEST_F(BrenvaleStatesTest, ASkinWithoutFramePictureStillMinimizesToSlots) {
  WorkAreaWithBar();
  mainForm_ = NewForm(0, 0, 100, 100);
  // No frame picture: the skin asks for frames of no size at all.
  std::string ini = FrameIni({});
  ini.erase(ini.find("picture=frame.bmp\n"), std::string("picture=frame.bmp\n").size());
  folder_.WriteBytes("mask.bmp", WriteBmp(MaskPicture()));
  folder_.WriteBytes("buttons.bmp", WriteBmp(ButtonsPicture()));
  folder_.WriteText("Skin.ini", ini);
  auto* data = new TspSkinData(mainForm_);
  ASSERT_TRUE(data->LoadFromFile(folder_.Path("Skin.ini"))) << data->LastLoadError;
  std::vector<TForm*> forms;
  for (int i = 0; i < 2; ++i) {
    TForm* f = NewForm(100, 100, 300, 200);
    auto* c = new TspBrenvale(f);
    c->SetSkinData(data);
    f->Show();
    Idle();
    c->ChangeWindowState(spwsMinimized);
    Idle();
    forms.push_back(f);
  }
  // Slots of at least one pixel, side by side along the bottom.
  EXPECT_EQ(forms[0]->Left(), 0);
  EXPECT_EQ(forms[1]->Left(), forms[0]->Left() + forms[0]->Width());
  EXPECT_EQ(forms[1]->Top(), forms[0]->Top());
}

TEST_F(BrenvaleStatesTest, AFramelessFormKeepsItsSizeWithASkinWithoutFramePicture) {
  std::string ini = FrameIni({});
  ini.erase(ini.find("picture=frame.bmp\n"), std::string("picture=frame.bmp\n").size());
  folder_.WriteBytes("mask.bmp", WriteBmp(MaskPicture()));
  folder_.WriteBytes("buttons.bmp", WriteBmp(ButtonsPicture()));
  folder_.WriteText("Skin.ini", ini);
  MakeForm(300, 200);
  ctl->SetSupportNCArea(false);
  skin = new TspSkinData(form);
  ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
  ctl->SetSkinData(skin);
  Show();
  EXPECT_EQ(form->ClientWidth(), 300);
  EXPECT_EQ(form->ClientHeight(), 200);
  EXPECT_TRUE(ctl->Sizeable);
}

#include <gtest/gtest.h>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Timer.h"

using FormTest = FormsTest;

TEST_F(FormTest, ShowModalReturnsItsResultWhileTimersKeepFiring) {
  TForm* main = NewForm();
  main->Show();
  TForm* dialog = NewForm(0, 0, 200, 100);
  TTimer ticker(nullptr);
  int ticks = 0;
  bool mainDisabledDuringModal = false;
  ticker.SetInterval(40);
  ticker.SetOnTimer([&](TObject*) {
    ++ticks;
    if (ticks == 2) mainDisabledDuringModal = !IsWindowEnabled(main->Handle());
  });
  After(300, [&] { dialog->SetModalResult(mrYes); });
  Int64 start = s.clock.PeekMilliseconds();
  EXPECT_EQ(dialog->ShowModal(), mrYes);
  EXPECT_EQ(s.clock.PeekMilliseconds() - start, 300);
  EXPECT_EQ(ticks, 7);
  EXPECT_TRUE(mainDisabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_FALSE(dialog->Modal());
}

TEST_F(FormTest, ShowModalOnAVisibleFormRaises) {
  TForm* f = NewForm();
  f->Show();
  EXPECT_THROW(f->ShowModal(), EInvalidOperation);
}

TEST_F(FormTest, CloseQueryRefusalKeepsTheModalLoopGoing) {
  TForm* dialog = NewForm();
  int asked = 0;
  dialog->OnCloseQuery = [&](TObject*, bool& canClose) {
    ++asked;
    canClose = asked > 1;
  };
  After(100, [&] { dialog->SetModalResult(mrOk); });
  After(200, [&] {
    EXPECT_EQ(dialog->ModalResult(), mrNone);  // refused: reset
    EXPECT_TRUE(dialog->Visible());
    dialog->SetModalResult(mrCancel);
  });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST_F(FormTest, CloseQueryRefusalKeepsAModelessFormOpen) {
  TForm* main = NewForm();
  TForm* f = NewForm();
  f->Show();
  bool closed = false;
  f->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  f->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  f->Close();
  EXPECT_FALSE(closed);
  EXPECT_TRUE(f->Visible());
  EXPECT_EQ(app.MainForm(), main);
}

TEST_F(FormTest, CloseActions) {
  NewForm();  // the main form, so that closing the others does not end the program
  struct TCase {
    TCloseAction action;
    bool visible;
    TWindowState state;
  };
  for (TCase c : {TCase{caNone, true, wsNormal}, TCase{caHide, false, wsNormal}, TCase{caMinimize, true, wsMinimized}}) {
    SCOPED_TRACE(int(c.action));
    TForm* f = NewForm();
    f->Show();
    f->OnClose = [&](TObject*, TCloseAction& a) {
      EXPECT_EQ(a, caHide);
      a = c.action;
    };
    f->Close();
    s.display.RunUntilIdle();
    EXPECT_EQ(f->Visible(), c.visible);
    EXPECT_EQ(f->WindowState(), c.state);
    if (c.state == wsMinimized) {
      EXPECT_TRUE(IsIconic(f->Handle()));
    }
    delete f;
  }
}

TEST_F(FormTest, CaFreeDefersDestructionUntilTheHandlerHasReturned) {
  NewForm();
  TForm* f = NewForm();
  f->Show();
  auto alive = f->AliveToken();
  bool destroyed = false;
  f->OnDestroy = [&](TObject*) { destroyed = true; };
  f->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  // Closed from inside one of its own handlers, which goes on using the form.
  f->OnClick = [&](TObject* sender) {
    f->Close();
    EXPECT_TRUE(*alive);
    EXPECT_EQ(static_cast<TForm*>(sender)->Caption(), "still here");
  };
  f->SetCaption("still here");
  TPoint p = f->ClientToScreen(TPoint{20, 20});
  s.display.Click(p.X, p.Y);
  app.ProcessMessages();
  EXPECT_FALSE(*alive);
  EXPECT_TRUE(destroyed);
}

TEST_F(FormTest, FormFreedInsideItsOwnModalLoop) {
  TForm* main = NewForm();
  main->Show();
  TForm* dialog = NewForm();
  After(100, [&] { delete dialog; });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
}

TEST_F(FormTest, ClosingTheMainFormTerminates) {
  TForm* main = NewForm();
  main->Show();
  main->Close();
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
}

TEST_F(FormTest, ScreenCenterOnTheHeadlessMonitor) {
  struct TCase {
    TPosition position;
    int w, h, left, top;
  };
  const TCase cases[] = {
      {poScreenCenter, 400, 300, 440, 362},
      {poDesktopCenter, 400, 300, 440, 362},
      {poScreenCenter, 1279, 1023, 0, 0},
      {poDesigned, 400, 300, 10, 20},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.position));
    TForm* f = NewForm(10, 20, c.w, c.h);
    f->SetPosition(c.position);
    f->Show();
    EXPECT_EQ(f->Left(), c.left);
    EXPECT_EQ(f->Top(), c.top);
    RECT r;
    GetWindowRect(f->Handle(), &r);
    EXPECT_EQ(r.Left, c.left);
    EXPECT_EQ(r.Top, c.top);
    delete f;
  }
}

TEST_F(FormTest, OwnerAndMainFormCenter) {
  TForm* main = NewForm(100, 100, 600, 400);
  TForm* owned = new TForm(main);
  owned->SetBounds(0, 0, 200, 100);
  owned->SetPosition(poOwnerFormCenter);
  owned->Show();
  EXPECT_EQ(owned->Left(), 100 + (600 - 200) / 2);
  EXPECT_EQ(owned->Top(), 100 + (400 - 100) / 2);
  TForm* other = NewForm(0, 0, 100, 100);
  other->SetPosition(poMainFormCenter);
  other->Show();
  EXPECT_EQ(other->Left(), 350);
  EXPECT_EQ(other->Top(), 250);
}

TEST_F(FormTest, BorderStyleAndIconsMapToWindowStyles) {
  struct TCase {
    TFormBorderStyle border;
    TBorderIcons icons;
    DWORD want, notWant, exWant;
  };
  const TCase cases[] = {
      {bsSizeable, biSystemMenu | biMinimize | biMaximize, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP, 0},
      {bsSingle, biSystemMenu, WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX, 0},
      {bsDialog, biSystemMenu | biMinimize | biHelp, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX,
       WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP},
      {bsNone, biSystemMenu, WS_POPUP, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0},
      {bsToolWindow, biSystemMenu | biMaximize, WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MAXIMIZEBOX, WS_EX_TOOLWINDOW},
      {bsSizeToolWin, biSystemMenu, WS_CAPTION | WS_THICKFRAME, 0, WS_EX_TOOLWINDOW},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.border));
    TForm* f = NewForm();
    f->SetBorderStyle(c.border);
    f->SetBorderIcons(c.icons);
    DWORD style = DWORD(GetWindowLong(f->Handle(), GWL_STYLE));
    DWORD ex = DWORD(GetWindowLong(f->Handle(), GWL_EXSTYLE));
    EXPECT_EQ(style & c.want, c.want);
    EXPECT_EQ(style & c.notWant, 0u);
    EXPECT_EQ(ex & c.exWant, c.exWant);
    delete f;
  }
  TForm* top = NewForm();
  top->SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(GetWindowLong(top->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FormTest, ScreenFormsOrderAndActiveFormTracking) {
  TForm* a = NewForm(0, 0, 200, 200);
  TForm* b = NewForm(300, 0, 200, 200);
  TForm* c = NewForm(600, 0, 200, 200);
  ASSERT_EQ(Screen->FormCount(), 3);
  EXPECT_EQ(Screen->Forms(0), a);
  EXPECT_EQ(Screen->Forms(2), c);
  std::vector<std::string> events;
  a->OnActivate = [&](TObject*) { events.push_back("a+"); };
  a->OnDeactivate = [&](TObject*) { events.push_back("a-"); };
  b->OnActivate = [&](TObject*) { events.push_back("b+"); };
  a->Show();
  b->Show();
  s.display.RunUntilIdle();
  EXPECT_EQ(Screen->ActiveForm(), b);
  EXPECT_TRUE(b->Active());
  EXPECT_FALSE(a->Active());
  EXPECT_EQ(Screen->Forms(0), b);
  EXPECT_EQ(Screen->Forms(1), a);
  EXPECT_EQ(Screen->Forms(2), c);
  s.display.Click(50, 50);  // on a
  s.display.RunUntilIdle();
  EXPECT_EQ(Screen->ActiveForm(), a);
  EXPECT_EQ(Screen->Forms(0), a);
  EXPECT_EQ(events, (std::vector<std::string>{"a+", "a-", "b+", "a+"}));
  delete a;
  EXPECT_EQ(Screen->FormCount(), 2);
  EXPECT_NE(Screen->ActiveForm(), a);
}

namespace {
class TLoggingTimer : public TTimer {
 public:
  TLoggingTimer(TComponent* owner, std::vector<std::string>& log) : TTimer(owner), log_(log) {}
  void Loaded() override {
    log_.push_back("timer loaded");
    TTimer::Loaded();
  }
  std::vector<std::string>& log_;
};

std::vector<std::string> g_layoutLog;

class TLayoutForm : public TForm {
 public:
  explicit TLayoutForm(TComponent* owner) : TForm(owner), log_(g_layoutLog) {
    BeginLayout();
    SetCaption("Layout");
    SetClientWidth(320);
    timer = new TLoggingTimer(this, log_);
    loadingDuringLayout = (timer->ComponentState() & csLoading) != 0;
    OnCreate = [this](TObject*) { log_.push_back("create"); };
    EndLayout();
  }
  void Loaded() override {
    log_.push_back("form loaded");
    TForm::Loaded();
  }
  TLoggingTimer* timer = nullptr;
  bool loadingDuringLayout = false;
  std::vector<std::string>& log_;
};
}  // namespace

TEST_F(FormTest, LayoutLoadsComponentsThenTheFormThenCreates) {
  std::vector<std::string>& log = g_layoutLog;
  log.clear();
  TLayoutForm* f = nullptr;
  app.CreateForm(f);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->loadingDuringLayout);
  EXPECT_EQ(log, (std::vector<std::string>{"timer loaded", "form loaded", "create"}));
  EXPECT_EQ(app.MainForm(), f);
  EXPECT_EQ(f->ClientWidth(), 320);
  TLayoutForm* second = nullptr;
  app.CreateForm(second);
  EXPECT_EQ(app.MainForm(), f);
  log.clear();
}

TEST_F(FormTest, ReleaseFromAMouseHandlerOfAChildControl) {
  NewForm();
  TForm* f = NewForm();
  f->Show();
  auto* child = new TCustomControl(f);
  child->SetParent(f);
  child->SetBounds(10, 10, 50, 50);
  auto alive = f->AliveToken();
  child->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { f->Release(); };
  TPoint p = child->ClientToScreen(TPoint{5, 5});
  s.display.Click(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_FALSE(*alive);
}

TEST_F(FormTest, WindowStateFollowsTheWindow) {
  TForm* f = NewForm();
  f->SetWindowState(wsMaximized);
  f->Show();
  EXPECT_TRUE(IsZoomed(f->Handle()));
  f->SetWindowState(wsNormal);
  EXPECT_FALSE(IsZoomed(f->Handle()));
  ShowWindow(f->Handle(), SW_MINIMIZE);
  EXPECT_EQ(f->WindowState(), wsMinimized);
}

TEST_F(FormTest, MDIChildrenLiveInTheClientWindow) {
  TForm* main = NewForm(0, 0, 800, 600);
  main->SetFormStyle(fsMDIForm);
  main->Show();
  ASSERT_NE(main->ClientHandle(), nullptr);
  TForm* c1 = new TForm(&app);
  c1->SetFormStyle(fsMDIChild);
  c1->SetBounds(0, 0, 200, 150);
  c1->Show();
  TForm* c2 = new TForm(&app);
  c2->SetFormStyle(fsMDIChild);
  c2->SetBounds(50, 50, 200, 150);
  c2->Show();
  EXPECT_EQ(GetParent(c1->Handle()), main->ClientHandle());
  EXPECT_EQ(GetParent(c2->Handle()), main->ClientHandle());
  EXPECT_TRUE(c1->Showing());
  EXPECT_TRUE(IsWindowVisible(c2->Handle()));
  EXPECT_EQ(main->MDIChildCount(), 2);
  EXPECT_EQ(main->ActiveMDIChild(), c2);
  main->Next();
  EXPECT_EQ(main->ActiveMDIChild(), c1);
  c1->SetWindowState(wsMaximized);
  RECT client;
  GetClientRect(main->ClientHandle(), &client);
  EXPECT_EQ(c1->Width(), client.Width());
  EXPECT_EQ(c1->Height(), client.Height());
  c1->SetWindowState(wsNormal);
  EXPECT_EQ(c1->Width(), 200);
  main->Tile();
  EXPECT_EQ(c1->Width() + c2->Width(), client.Width());
}

namespace {

// AutoScroll: the range covers the children, bars show where it does not
// fit, ScrollInView brings a child into the client area.
TEST_F(FormTest, AutoScrollRangeBarsAndScrollInView) {
  struct {
    TRect child;
    bool horz, vert;
  } cases[] = {
      {Bounds(10, 10, 50, 50), false, false},
      {Bounds(10, 500, 50, 40), false, true},
      {Bounds(700, 10, 60, 40), true, false},
      {Bounds(600, 600, 80, 80), true, true},
  };
  for (auto& c : cases) {
    TForm* f = NewForm(50, 50, 400, 300);
    f->SetAutoScroll(true);
    f->Show();
    auto* child = new TPanel(f);
    child->SetParent(f);
    child->SetBoundsRect(c.child);
    s.display.RunUntilIdle();
    const auto style = GetWindowLong(f->Handle(), GWL_STYLE);
    EXPECT_EQ((style & WS_HSCROLL) != 0, c.horz) << c.child.Left;
    EXPECT_EQ((style & WS_VSCROLL) != 0, c.vert) << c.child.Left;
    EXPECT_EQ(f->ScrollRange(), (TSize{c.child.Right, c.child.Bottom}));

    f->ScrollInView(child);
    const TRect client = f->ClientRect();
    EXPECT_GE(child->Left(), 0);
    EXPECT_GE(child->Top(), 0);
    EXPECT_LE(child->Left() + child->Width(), client.Right);
    EXPECT_LE(child->Top() + child->Height(), client.Bottom);
    // The position is how far the content moved.
    EXPECT_EQ(child->Left() + f->ScrollPos().X, c.child.Left);
    EXPECT_EQ(child->Top() + f->ScrollPos().Y, c.child.Top);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    if (c.vert && GetScrollInfo(f->Handle(), SB_VERT, &si)) EXPECT_EQ(si.nPos, f->ScrollPos().Y);

    // Off again: back at the origin, no bars.
    f->SetAutoScroll(false);
    s.display.RunUntilIdle();
    EXPECT_EQ(child->BoundsRect(), c.child);
    EXPECT_EQ(GetWindowLong(f->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
    delete f;
  }
}

}  // namespace

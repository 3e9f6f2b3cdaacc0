#include <cstring>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

using ControlMessages = UiTest;

// A sub-classing hook as skins install them: saves the control's
// WindowProc, puts its own in front and chains to the saved one.
class THook {
 public:
  explicit THook(TControl* c) : control_(c), saved_(c->WindowProc) { c->WindowProc = TWndMethod(this, &THook::Proc); }
  void Unhook() { control_->WindowProc = saved_; }
  std::vector<UINT> seen;
  UINT Swallow = 0;
  void Proc(TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == Swallow) {
      m.Result = 77;
      return;
    }
    saved_(m);
  }

 private:
  TControl* control_;
  TWndMethod saved_;
};

TEST_F(ControlMessages, WindowProcReplacementChainsToTheSavedOne) {
  auto* w = Add<TTestWin>(host, 0, 0, 50, 50);
  ShowHost();
  TWndMethod original = w->WindowProc;
  THook outer(w);
  THook inner_(w);  // a second hook in front of the first
  EXPECT_FALSE(w->WindowProc == original);
  SendMessage(w->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("hooked"));
  EXPECT_EQ(w->Text(), "hooked");  // reached the control through both hooks
  EXPECT_EQ(inner_.seen.back(), UINT(WM_SETTEXT));
  EXPECT_EQ(outer.seen.back(), UINT(WM_SETTEXT));
  // Perform goes through the chain too, and a hook may answer itself.
  outer.Swallow = CM_HITTEST;
  EXPECT_EQ(w->Perform(CM_HITTEST, 0, 0), 77);
  inner_.Unhook();
  outer.Unhook();
  EXPECT_TRUE(w->WindowProc == original);
  std::size_t before = outer.seen.size();
  w->SetText("plain");
  EXPECT_EQ(outer.seen.size(), before);
  char buf[16] = {};
  GetWindowText(w->Handle(), buf, sizeof buf);
  EXPECT_STREQ(buf, "plain");
}

// Message methods by number: one of its own, the rest to DefaultHandler.
class TNumbered : public TTestWin {
 public:
  using TTestWin::TTestWin;
  static constexpr UINT WM_PING = WM_USER + 41;
  int pings = 0;
  std::vector<UINT> defaults;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_PING) {
      ++pings;
      m.Result = 5;
      return;
    }
    TTestWin::Dispatch(m);
  }
  void DefaultHandler(TMessage& m) override {
    if (m.Msg >= WM_USER) defaults.push_back(m.Msg);
    TTestWin::DefaultHandler(m);
  }
};

TEST_F(ControlMessages, MessageMethodsByNumberAndTheDefaultHandler) {
  auto* w = Add<TNumbered>(host, 0, 0, 50, 50);
  ShowHost();
  EXPECT_EQ(SendMessage(w->Handle(), TNumbered::WM_PING, 0, 0), 5);
  EXPECT_EQ(w->Perform(TNumbered::WM_PING, 0, 0), 5);
  EXPECT_EQ(w->pings, 2);
  SendMessage(w->Handle(), WM_USER + 42, 0, 0);
  EXPECT_EQ(w->defaults, (std::vector<UINT>{WM_USER + 42}));
}

TEST_F(ControlMessages, ParentReflectsNotificationsToTheChildThatSentThem) {
  class TReflected : public TTestWin {
   public:
    using TTestWin::TTestWin;
    std::vector<UINT> got;
    void Dispatch(TMessage& m) override {
      if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) {
        got.push_back(m.Msg);
        m.Result = 9;
        return;
      }
      TTestWin::Dispatch(m);
    }
  };
  auto* child = Add<TReflected>(host, 0, 0, 50, 50);
  ShowHost();
  HWND ch = child->Handle();
  EXPECT_EQ(SendMessage(host->Handle(), WM_COMMAND, MAKEWPARAM(1, 0x300), reinterpret_cast<LPARAM>(ch)), 9);
  NMHDR nm;
  nm.hwndFrom = ch;
  SendMessage(host->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
  SendMessage(host->Handle(), WM_CTLCOLOREDIT, 0, reinterpret_cast<LPARAM>(ch));
  SendMessage(host->Handle(), WM_HSCROLL, 0, reinterpret_cast<LPARAM>(ch));
  DRAWITEMSTRUCT di;
  di.hwndItem = ch;
  SendMessage(host->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&di));
  EXPECT_EQ(child->got, (std::vector<UINT>{CN_COMMAND, CN_NOTIFY, CN_CTLCOLOREDIT, CN_HSCROLL, CN_DRAWITEM}));
  // A menu command (no control) stays with the parent.
  SendMessage(host->Handle(), WM_COMMAND, 5, 0);
  EXPECT_EQ(child->got.size(), 5u);
}

TEST_F(ControlMessages, RecreateWndKeepsTextFontColourChildrenAndFocus) {
  auto* panel = Add<TTestWin>(host, 10, 10, 120, 100, clBlue);
  panel->ControlStyle |= csAcceptsControls;
  auto* edit = Add<TTestWin>(panel, 5, 5, 40, 20, clLime);
  edit->SetText("kept text");
  edit->Font()->SetName("Arial");
  ShowHost();
  edit->SetFocus();
  HWND oldPanel = panel->Handle(), oldEdit = edit->Handle();
  panel->RecreateWnd();
  s.display.RunUntilIdle();
  ASSERT_TRUE(panel->HandleAllocated());
  ASSERT_TRUE(edit->HandleAllocated());
  EXPECT_FALSE(IsWindow(oldPanel));
  EXPECT_FALSE(IsWindow(oldEdit));
  EXPECT_TRUE(edit->Focused());
  char buf[32] = {};
  GetWindowText(edit->Handle(), buf, sizeof buf);
  EXPECT_STREQ(buf, "kept text");
  EXPECT_EQ(edit->Font()->Name(), "Arial");
  EXPECT_TRUE(IsWindowVisible(edit->Handle()));
  EXPECT_EQ(FindControl(edit->Handle()), edit);
  EXPECT_EQ(FindControl(oldEdit), nullptr);
  EXPECT_EQ(Pixel(20, 20), COLORREF(clLime));
  EXPECT_EQ(Pixel(100, 80), COLORREF(clBlue));
}

TEST_F(ControlMessages, HandlesAreMadeWhenFirstNeeded) {
  auto* panel = Add<TTestWin>(host, 0, 0, 100, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* inner = Add<TTestWin>(panel, 0, 0, 10, 10);
  EXPECT_FALSE(host->HandleAllocated());
  EXPECT_FALSE(inner->HandleAllocated());
  HWND h = inner->Handle();  // brings its parents' windows with it
  EXPECT_TRUE(host->HandleAllocated());
  EXPECT_EQ(GetParent(h), panel->Handle());
  EXPECT_EQ(GetParent(panel->Handle()), host->Handle());
  auto* orphan = new TTestWin(nullptr);
  EXPECT_THROW(orphan->Handle(), EInvalidOperation);
  delete orphan;
}

TEST_F(ControlMessages, ParentWindowHostsAControlInAForeignWindow) {
  WNDCLASS wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "UiForeignHost";
  RegisterClass(&wc);
  HWND foreign = CreateWindowEx(0, "UiForeignHost", "", WS_POPUP | WS_VISIBLE, 300, 300, 200, 150, nullptr, nullptr,
                                nullptr, nullptr);
  auto* guest = new TTestWin(nullptr);
  guest->SetBounds(10, 20, 50, 40);
  guest->SetParentWindow(foreign);
  EXPECT_EQ(GetParent(guest->Handle()), foreign);
  EXPECT_TRUE(guest->Showing());
  EXPECT_EQ(guest->ClientOrigin(), (TPoint{310, 320}));
  // The foreign window goes first: the control just loses its window.
  DestroyWindow(foreign);
  EXPECT_FALSE(guest->HandleAllocated());
  delete guest;
  UnregisterClass("UiForeignHost", nullptr);
}

TEST_F(ControlMessages, TextChangeNotifiesOnlyOnRealChanges) {
  class TTextWatch : public TTestGraphic {
   public:
    using TTestGraphic::TTestGraphic;
    int changes = 0;
    void Dispatch(TMessage& m) override {
      if (m.Msg == CM_TEXTCHANGED) ++changes;
      TTestGraphic::Dispatch(m);
    }
  };
  auto* g = Add<TTextWatch>(host, 0, 0, 10, 10);
  g->SetCaption("one");
  g->SetCaption("one");
  g->SetText("two");
  EXPECT_EQ(g->changes, 2);
  EXPECT_EQ(g->Caption(), "two");
  char buf[8] = {};
  EXPECT_EQ(g->Perform(WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf)), 3);
  EXPECT_STREQ(buf, "two");
}

TEST_F(ControlMessages, ShowingFollowsTheParents) {
  auto* panel = Add<TTestWin>(host, 0, 0, 100, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* inner = Add<TTestWin>(panel, 0, 0, 10, 10);
  auto* g = Add<TTestGraphic>(panel, 20, 0, 10, 10);
  EXPECT_FALSE(inner->Showing());
  ShowHost();
  EXPECT_TRUE(inner->Showing());
  EXPECT_TRUE(g->Showing());
  EXPECT_TRUE(IsWindowVisible(inner->Handle()));
  panel->SetVisible(false);
  EXPECT_FALSE(inner->Showing());
  EXPECT_FALSE(g->Showing());
  EXPECT_FALSE(IsWindowVisible(inner->Handle()));
  inner->SetVisible(false);
  panel->SetVisible(true);
  EXPECT_FALSE(inner->Showing());
  EXPECT_FALSE(IsWindowVisible(inner->Handle()));  // hidden itself, even with its parent shown
  inner->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(inner->Handle()));
}

TEST_F(ControlMessages, ClientAndScreenCoordinates) {
  auto* panel = Add<TTestWin>(host, 10, 20, 100, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* g = Add<TTestGraphic>(panel, 5, 6, 10, 10);
  ShowHost();
  EXPECT_EQ(g->ClientOrigin(), (TPoint{115, 126}));
  EXPECT_EQ(g->ClientToScreen(TPoint{1, 2}), (TPoint{116, 128}));
  EXPECT_EQ(panel->ScreenToClient(TPoint{111, 121}), (TPoint{1, 1}));
  EXPECT_EQ(FindVCLWindow(TPoint{116, 128}), g);
  EXPECT_EQ(FindVCLWindow(TPoint{150, 150}), panel);
  host->SetClientWidth(250);
  EXPECT_EQ(host->Width(), 250);
}

TEST_F(ControlMessages, LoadingDefersAlignmentToLoaded) {
  host->SetLoading(true);
  auto* a = Add<TTestWin>(host, 0, 50, 10, 10);
  a->SetLoading(true);
  a->SetAlign(alTop);
  EXPECT_EQ(a->Top(), 50);
  a->SetLoading(false);
  host->SetLoading(false);
  EXPECT_EQ(a->BoundsRect(), Rect(0, 0, 300, 10));
}

}  // namespace

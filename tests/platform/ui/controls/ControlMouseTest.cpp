#include "tests/platform/ui/UiTestSupport.h"

namespace {

using ControlMouse = UiTest;

TEST_F(ControlMouse, GraphicControlGetsClicksInItsOwnCoordinates) {
  auto* g = Add<TTestGraphic>(host, 40, 30, 50, 50);
  auto* under = Add<TTestGraphic>(host, 0, 0, 200, 200);
  under->SendToBack();
  std::vector<std::string> log;
  g->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
    log.push_back("down " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  g->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  };
  g->OnClick = [&](TObject* s) { log.push_back(s == g ? "click" : "click?"); };
  under->OnClick = [&](TObject*) { log.push_back("under"); };
  ShowHost();
  Click(host, 45, 37);
  EXPECT_EQ(log, (std::vector<std::string>{"down 0 5,7", "click", "up 5,7"}));
  log.clear();
  Click(host, 150, 150);
  EXPECT_EQ(log, (std::vector<std::string>{"under"}));
  // A disabled graphic control lets the click through to what lies below.
  log.clear();
  g->SetEnabled(false);
  Click(host, 45, 37);
  EXPECT_EQ(log, (std::vector<std::string>{"under"}));
}

struct TClickCase {
  const char* name;
  bool aWindowed, bWindowed;
};

TEST_F(ControlMouse, PressOnOneControlAndReleaseOnAnotherClicksNeither) {
  const TClickCase cases[] = {
      {"graphic to graphic", false, false},
      {"graphic to windowed", false, true},
      {"windowed to graphic", true, false},
      {"windowed to windowed", true, true},
  };
  ShowHost();
  for (const TClickCase& c : cases) {
    auto make = [&](bool windowed, int left) -> TControl* {
      if (windowed) return Add<TTestWin>(host, left, 10, 40, 40);
      return Add<TTestGraphic>(host, left, 10, 40, 40);
    };
    TControl* a = make(c.aWindowed, 10);
    TControl* b = make(c.bWindowed, 100);
    int clicksA = 0, clicksB = 0;
    a->OnClick = [&](TObject*) { ++clicksA; };
    b->OnClick = [&](TObject*) { ++clicksB; };
    s.display.RunUntilIdle();
    TPoint pa = At(a, 5, 5), pb = At(b, 5, 5);
    s.display.MouseDown(pa.X, pa.Y);
    s.display.MouseMove(pb.X, pb.Y);
    s.display.MouseUp(pb.X, pb.Y);
    s.display.RunUntilIdle();
    EXPECT_EQ(clicksA, 0) << c.name;
    EXPECT_EQ(clicksB, 0) << c.name;
    // A release on B without a press there is no click, nor is a later
    // lone release on A.
    s.display.MouseUp(pa.X, pa.Y);
    s.display.RunUntilIdle();
    EXPECT_EQ(clicksA, 0) << c.name;
    s.clock.Advance(1000);
    Click(a, 5, 5);
    EXPECT_EQ(clicksA, 1) << c.name;
    s.clock.Advance(1000);
    delete a;
    delete b;
  }
}

TEST_F(ControlMouse, CaptureKeepsMovesComingOutsideTheControl) {
  auto* w = Add<TTestWin>(host, 10, 10, 40, 40);
  auto* g = Add<TTestGraphic>(host, 100, 10, 40, 40);
  std::vector<TPoint> wMoves, gMoves;
  w->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { wMoves.push_back({x, y}); };
  g->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { gMoves.push_back({x, y}); };
  ShowHost();
  TPoint p = At(w, 5, 5);
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseMove(p.X + 100, p.Y);
  s.display.RunUntilIdle();
  ASSERT_FALSE(wMoves.empty());
  EXPECT_EQ(wMoves.back(), (TPoint{105, 5}));
  EXPECT_TRUE(gMoves.empty());
  s.display.MouseUp(p.X + 100, p.Y);
  s.display.RunUntilIdle();
  EXPECT_FALSE(w->MouseCapture());
  // A graphic control captures through its parent.
  TPoint q = At(g, 5, 5);
  s.display.MouseDown(q.X, q.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(GetCaptureControl(), g);
  s.display.MouseMove(q.X - 100, q.Y + 100);
  s.display.RunUntilIdle();
  ASSERT_FALSE(gMoves.empty());
  EXPECT_EQ(gMoves.back(), (TPoint{-95, 105}));
  s.display.MouseUp(q.X - 100, q.Y + 100);
  s.display.RunUntilIdle();
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(ControlMouse, EnterAndLeaveAcrossGraphicAndWindowedControls) {
  auto* panel = Add<TTestWin>(host, 150, 10, 100, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* g = Add<TTestGraphic>(host, 10, 10, 50, 50);
  auto* inner = Add<TTestGraphic>(panel, 10, 10, 30, 30);
  std::vector<std::string> log;
  auto watch = [&](TControl* c, const std::string& name) {
    c->OnMouseEnter = [&log, name](TObject*) { log.push_back("enter " + name); };
    c->OnMouseLeave = [&log, name](TObject*) { log.push_back("leave " + name); };
  };
  watch(host, "host");
  watch(g, "g");
  watch(panel, "panel");
  watch(inner, "inner");
  ShowHost();
  MoveTo(At(host, 100, 150));
  MoveTo(At(g, 5, 5));
  MoveTo(At(g, 6, 6));  // no news inside the same control
  MoveTo(At(host, 100, 150));
  MoveTo(At(panel, 80, 80));
  MoveTo(At(inner, 5, 5));
  MoveTo(At(host, 100, 150));
  MoveTo(TPoint{1000, 900});  // off every window
  EXPECT_EQ(log, (std::vector<std::string>{"enter host", "leave host", "enter g", "leave g", "enter host",
                                           "leave host", "enter panel", "leave panel", "enter inner", "leave inner",
                                           "enter host", "leave host"}));
}

// Records the controls that parents hear of.
class TEnterWatcher : public TTestWin {
 public:
  using TTestWin::TTestWin;
  std::vector<TControl*> entered;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_MOUSEENTER && m.LParam) entered.push_back(reinterpret_cast<TControl*>(m.LParam));
    TTestWin::Dispatch(m);
  }
};

TEST_F(ControlMouse, ParentsHearWhichChildWasEntered) {
  auto* panel = Add<TEnterWatcher>(host, 10, 10, 100, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* g = Add<TTestGraphic>(panel, 10, 10, 30, 30);
  auto* w = Add<TTestWin>(panel, 50, 10, 30, 30);
  ShowHost();
  MoveTo(At(g, 2, 2));
  MoveTo(At(w, 2, 2));
  EXPECT_EQ(panel->entered, (std::vector<TControl*>{g, w}));
}

TEST_F(ControlMouse, ControlFreedInItsOwnClickHandler) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40);
  auto* w = Add<TTestWin>(host, 100, 10, 40, 40);
  auto* other = Add<TTestGraphic>(host, 200, 10, 40, 40);
  int ups = 0, otherClicks = 0;
  g->OnClick = [&](TObject*) { delete g; };
  g->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  w->OnClick = [&](TObject*) { delete w; };
  w->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  other->OnClick = [&](TObject*) { ++otherClicks; };
  ShowHost();
  Click(host, 20, 20);
  EXPECT_EQ(host->ControlCount(), 2);
  Click(host, 110, 20);
  EXPECT_EQ(host->ControlCount(), 1);
  EXPECT_EQ(ups, 0);  // nothing runs on a freed control
  Click(host, 210, 20);
  EXPECT_EQ(otherClicks, 1);
}

TEST_F(ControlMouse, HostFreedFromAGraphicChildsClick) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40);
  g->OnClick = [&](TObject*) {
    delete host;
    host = nullptr;
  };
  ShowHost();
  Click(g, 5, 5);
  EXPECT_EQ(host, nullptr);
}

TEST_F(ControlMouse, DoubleClicksOnlyWithTheirStyle) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40);
  int clicks = 0, doubles = 0;
  g->OnClick = [&](TObject*) { ++clicks; };
  g->OnDblClick = [&](TObject*) { ++doubles; };
  ShowHost();
  Click(g, 5, 5);
  Click(g, 5, 5);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(doubles, 1);
  s.clock.Advance(2000);
  clicks = doubles = 0;
  g->ControlStyle &= ~csDoubleClicks;
  Click(g, 5, 5);
  Click(g, 5, 5);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(doubles, 0);
}

TEST_F(ControlMouse, CursorComesFromTheControlUnderTheMouse) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40);
  auto* w = Add<TTestWin>(host, 100, 10, 40, 40);
  g->SetCursor(crHandPoint);
  w->SetCursor(crIBeam);
  host->SetCursor(crCross);
  ShowHost();
  MoveTo(At(g, 5, 5));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_HAND)));
  MoveTo(At(w, 5, 5));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_IBEAM)));
  MoveTo(At(host, 200, 150));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_CROSS)));
  ScreenCursorHook = [] { return crHourGlass; };
  MoveTo(At(g, 6, 6));
  ScreenCursorHook = nullptr;
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT)));
}

TEST_F(ControlMouse, RightClickAsksForTheContextPopupOfTheControlUnderIt) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40);
  auto* w = Add<TTestWin>(host, 100, 10, 40, 40);
  std::vector<std::string> log;
  g->OnContextPopup = [&](TObject*, TPoint p, bool& handled) {
    log.push_back("g " + std::to_string(p.X) + "," + std::to_string(p.Y));
    handled = true;
  };
  w->OnContextPopup = [&](TObject*, TPoint p, bool&) {
    log.push_back("w " + std::to_string(p.X) + "," + std::to_string(p.Y));
  };
  host->OnContextPopup = [&](TObject*, TPoint, bool&) { log.push_back("host"); };
  ShowHost();
  TPoint p = At(g, 3, 4);
  s.display.Click(p.X, p.Y, TMouseButton::mbRight);
  s.display.RunUntilIdle();
  TPoint q = At(w, 6, 7);
  s.display.Click(q.X, q.Y, TMouseButton::mbRight);
  s.display.RunUntilIdle();
  // Unhandled in w, the request goes on to its parent.
  EXPECT_EQ(log, (std::vector<std::string>{"g 3,4", "w 6,7", "host"}));
}

TEST_F(ControlMouse, WheelGoesToTheFocusedControlAndUpToItsParent) {
  auto* w = Add<TTestWin>(host, 10, 10, 40, 40);
  std::vector<std::string> log;
  w->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool&) { log.push_back("w down"); };
  host->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& handled) {
    log.push_back("host " + std::to_string(delta));
    handled = true;
  };
  ShowHost();
  w->SetFocus();
  TPoint p = At(w, 5, 5);
  s.display.Wheel(p.X, p.Y, -120);
  s.display.RunUntilIdle();
  EXPECT_EQ(log, (std::vector<std::string>{"w down", "host -120"}));
}

}  // namespace

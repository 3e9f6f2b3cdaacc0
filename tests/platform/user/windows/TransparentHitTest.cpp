// A window answering HTTRANSPARENT lets the mouse through to the window
// beneath it (next siblings, then the parent), for input, WindowFromPoint
// and ChildWindowFromPointEx alike; group boxes and labels rely on it.
#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

LRESULT Transparent(HWND, UINT m, WPARAM, LPARAM, bool& handled) {
  if (m != WM_NCHITTEST) return 0;
  handled = true;
  return HTTRANSPARENT;
}

class TransparentHitTest : public WindowTest {
 protected:
  HWND p, label, under, group, inner, back, overlay;

  void SetUp() override {
    WindowTest::SetUp();
    p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    label = Make("label", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, p);
    under = Make("under", WS_CHILD | WS_VISIBLE, 50, 30, 100, 50, p);
    group = Make("group", WS_CHILD | WS_VISIBLE, 150, 100, 100, 80, p);
    inner = Make("inner", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, group);
    SetWindowPos(label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    back = Make("back", WS_POPUP | WS_VISIBLE, 400, 0, 100, 100);
    overlay = Make("overlay", WS_POPUP | WS_VISIBLE, 420, 20, 50, 50, nullptr, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
    for (HWND h : {label, group, overlay}) Handle(h, Transparent);
    Pump();
    ClearLog();
  }
};

struct TPointCase {
  const char* name;
  int x, y;       // screen
  const char* window;        // WindowFromPoint and the click's receiver
  const char* childOfP;      // ChildWindowFromPointEx(p, ...), "" outside p
};

TEST_F(TransparentHitTest, MouseAndLookupsPassThroughTransparentWindows) {
  const TPointCase cases[] = {
      {"label alone: to the parent", 20, 20, "p", "p"},
      {"label over a sibling: to the sibling", 60, 40, "under", "under"},
      {"sibling alone", 120, 70, "under", "under"},
      {"a child of a transparent window still answers", 165, 115, "inner", "p"},
      {"transparent window's own area: to its parent", 200, 160, "p", "p"},
      {"top-level overlay: to the window below", 430, 30, "back", ""},
  };
  auto& names = TRecorder::Get().names;
  for (const TPointCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND found = WindowFromPoint(Point(c.x, c.y));
    EXPECT_EQ(names[found], c.window);
    if (*c.childOfP) {
      HWND child = ChildWindowFromPointEx(p, Point(c.x, c.y), CWP_SKIPINVISIBLE);
      EXPECT_EQ(names[child], c.childOfP);
      EXPECT_EQ(ChildWindowFromPoint(p, Point(c.x, c.y)), child);
    }
    ClearLog();
    InputMouseButton(TMouseButton::mbLeft, true, Point(c.x, c.y));
    InputMouseButton(TMouseButton::mbLeft, false, Point(c.x, c.y));
    Pump();
    std::vector<std::string> downs;
    for (const TLogEntry& e : TRecorder::Get().log)
      if (e.msg == WM_LBUTTONDOWN) downs.push_back(names[e.hwnd]);
    EXPECT_EQ(downs, std::vector<std::string>{c.window});
    // The cursor is set for the receiver with its own hit code, never HTERROR.
    for (const TLogEntry& e : TRecorder::Get().log)
      if (e.msg == WM_SETCURSOR) {
        EXPECT_EQ(names[reinterpret_cast<HWND>(e.wp)], c.window);
        EXPECT_EQ(SHORT(LOWORD(e.lp)), HTCLIENT);
      }
  }
}

TEST_F(TransparentHitTest, ClickThroughALabelAsksItThenTheParent) {
  InputMouseButton(TMouseButton::mbLeft, true, Point(20, 20));
  Pump();
  EXPECT_EQ(Trace({WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN}),
            (Strings{"label:NCHITTEST", "p:NCHITTEST", "p:SETCURSOR", "p:LBUTTONDOWN"}));
  auto down = TRecorder::Get().Of(p, WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].lp, MAKELPARAM(20, 20));
  InputMouseButton(TMouseButton::mbLeft, false, Point(20, 20));
  Pump();
}

TEST_F(TransparentHitTest, EverythingTransparentIsNoWindow) {
  Handle(p, Transparent);
  Handle(back, Transparent);
  EXPECT_EQ(WindowFromPoint(Point(20, 20)), nullptr);
  EXPECT_EQ(WindowFromPoint(Point(430, 30)), nullptr);
  InputMouseButton(TMouseButton::mbLeft, true, Point(20, 20));
  InputMouseButton(TMouseButton::mbLeft, false, Point(20, 20));
  Pump();
  EXPECT_TRUE(TRecorder::Get().Of(p, WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(TRecorder::Get().Of(p, WM_SETCURSOR).empty());
}

}  // namespace

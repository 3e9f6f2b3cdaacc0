#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

const std::vector<UINT> kAct = {WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_SETFOCUS, WM_KILLFOCUS};

TEST_F(WindowTest, SwitchingActivationBetweenTwoWindows) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  SetActiveWindow(a);
  ClearLog();
  EXPECT_EQ(SetActiveWindow(b), a);
  EXPECT_EQ(Trace(kAct), (Strings{"a:NCACTIVATE", "a:ACTIVATE", "b:NCACTIVATE", "b:ACTIVATE", "a:KILLFOCUS",
                                  "b:SETFOCUS"}));
  auto deact = TRecorder::Get().Of(a, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(deact[0].wp), WA_INACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(deact[0].lp), b);
  auto act = TRecorder::Get().Of(b, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(act[0].wp), WA_ACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(act[0].lp), a);
  EXPECT_EQ(TRecorder::Get().Of(a, WM_NCACTIVATE)[0].wp, WPARAM(FALSE));
  EXPECT_EQ(GetTopWindow(nullptr), b);  // activation raises
}

TEST_F(WindowTest, FocusMovesBetweenChildrenWithTheOtherWindowInWParam) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c1 = Make("c1", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, p);
  HWND c2 = Make("c2", WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, p);
  SetFocus(c1);
  ClearLog();
  EXPECT_EQ(SetFocus(c2), c1);
  EXPECT_EQ(Trace(kAct), (Strings{"c1:KILLFOCUS", "c2:SETFOCUS"}));
  EXPECT_EQ(reinterpret_cast<HWND>(TRecorder::Get().Of(c1, WM_KILLFOCUS)[0].wp), c2);
  EXPECT_EQ(reinterpret_cast<HWND>(TRecorder::Get().Of(c2, WM_SETFOCUS)[0].wp), c1);
  EXPECT_EQ(GetFocus(), c2);
}

TEST_F(WindowTest, FocusingAChildOfAnInactiveWindowActivatesItFirst) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a);
  EXPECT_EQ(GetActiveWindow(), b);
  ClearLog();
  SetFocus(c);
  EXPECT_EQ(Trace(kAct), (Strings{"b:NCACTIVATE", "b:ACTIVATE", "a:NCACTIVATE", "a:ACTIVATE", "b:KILLFOCUS",
                                  "a:SETFOCUS", "a:KILLFOCUS", "c:SETFOCUS"}));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), c);
}

TEST_F(WindowTest, DestroyingTheFocusedChildMovesFocusToItsParent) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, p);
  SetFocus(c);
  ClearLog();
  DestroyWindow(c);
  EXPECT_EQ(Trace({WM_KILLFOCUS, WM_SETFOCUS, WM_DESTROY}), (Strings{"c:KILLFOCUS", "p:SETFOCUS", "c:DESTROY"}));
  EXPECT_EQ(GetFocus(), p);
}

TEST_F(WindowTest, DestroyingTheActiveWindowActivatesTheNextOne) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  EXPECT_EQ(GetActiveWindow(), b);
  DestroyWindow(b);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  DestroyWindow(a);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, DisabledWindowsLoseFocusAndBeepOnClicks) {
  HWND main = Make("main", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND modal = Make("modal", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, main);
  EnableWindow(main, FALSE);
  Pump();
  ClearLog();
  int beeps = MessageBeepCount();
  InputMouseButton(TMouseButton::mbLeft, true, Point(10, 10));
  InputMouseButton(TMouseButton::mbLeft, false, Point(10, 10));
  Pump();
  EXPECT_TRUE(TRecorder::Get().Of(main, WM_LBUTTONDOWN).empty());
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  EXPECT_EQ(GetActiveWindow(), modal);
}

TEST_F(WindowTest, ChildrenOfADisabledWindowGetNoInputAndThePressFlashesTheModalWindow) {
  HWND main = Make("main", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND panel = Make("panel", WS_CHILD | WS_VISIBLE, 0, 0, 120, 120, main);
  HWND inner = Make("inner", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, panel);
  HWND modal = Make("modal", WS_POPUP | WS_VISIBLE, 300, 0, 100, 100, main);
  SetActiveWindow(modal);
  EnableWindow(main, FALSE);
  Pump();
  struct TCase {
    POINT at;
    const char* over;
  } cases[] = {{Point(20, 20), "inner"}, {Point(100, 100), "panel"}, {Point(150, 150), "main"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.over);
    ClearLog();
    const int beeps = MessageBeepCount();
    InputMouseButton(TMouseButton::mbLeft, true, c.at);
    InputMouseButton(TMouseButton::mbLeft, false, c.at);
    Pump();
    for (HWND h : {main, panel, inner}) {
      EXPECT_TRUE(TRecorder::Get().Of(h, WM_LBUTTONDOWN).empty());
      EXPECT_TRUE(TRecorder::Get().Of(h, WM_MOUSEACTIVATE).empty());
    }
    EXPECT_EQ(WindowFromPoint(c.at), main);
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
    EXPECT_EQ(GetActiveWindow(), modal);
    EXPECT_EQ(RunningFlashes(), 1);
    auto nc = TRecorder::Get().Of(modal, WM_NCACTIVATE);
    ASSERT_FALSE(nc.empty());
    EXPECT_EQ(nc.front().wp, WPARAM(FALSE));  // the first change dims the active caption
    for (int step = 0; step < 20; ++step) {
      clock.Advance(70);
      Pump();
    }
    EXPECT_EQ(RunningFlashes(), 0);
    EXPECT_EQ(TRecorder::Get().Of(modal, WM_NCACTIVATE).back().wp, WPARAM(TRUE));
  }
  // Nor does anything inside it take the keyboard.
  EXPECT_EQ(SetFocus(inner), nullptr);
  EXPECT_EQ(GetFocus(), modal);
  EnableWindow(main, TRUE);
  EnableWindow(panel, FALSE);
  EXPECT_EQ(SetFocus(inner), nullptr);
  SetFocus(main);
  EXPECT_EQ(GetFocus(), main);
}

}  // namespace

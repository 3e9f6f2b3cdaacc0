#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

const std::vector<UINT> kMouse = {WM_NCHITTEST,     WM_PARENTNOTIFY,  WM_MOUSEACTIVATE, WM_NCACTIVATE,
                                  WM_ACTIVATE,      WM_SETCURSOR,     WM_LBUTTONDOWN,   WM_LBUTTONUP,
                                  WM_LBUTTONDBLCLK, WM_MOUSEMOVE,     WM_NCLBUTTONDOWN, WM_NCLBUTTONUP,
                                  WM_NCLBUTTONDBLCLK, WM_CAPTURECHANGED, WM_SETFOCUS, WM_KILLFOCUS};

void Click(int x, int y) {
  InputMouseButton(TMouseButton::mbLeft, true, Point(x, y));
  InputMouseButton(TMouseButton::mbLeft, false, Point(x, y));
}

TEST_F(WindowTest, ClickOnAChildOfAnInactiveWindow) {
  HWND other = Make("other", WS_POPUP | WS_VISIBLE, 500, 500, 50, 50);
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, p);
  SetActiveWindow(other);
  Pump();
  ClearLog();
  Click(20, 30);
  Pump();
  EXPECT_EQ(Trace(kMouse),
            (Strings{"c:NCHITTEST", "p:PARENTNOTIFY", "c:MOUSEACTIVATE", "p:MOUSEACTIVATE", "other:NCACTIVATE",
                     "other:ACTIVATE", "p:NCACTIVATE", "p:ACTIVATE", "other:KILLFOCUS", "p:SETFOCUS", "c:SETCURSOR",
                     "p:SETCURSOR", "c:LBUTTONDOWN", "c:NCHITTEST", "c:SETCURSOR", "p:SETCURSOR", "c:LBUTTONUP"}));
  auto down = TRecorder::Get().Of(c, WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].lp, MAKELPARAM(10, 20));
  EXPECT_EQ(down[0].wp, MK_LBUTTON);
  auto pn = TRecorder::Get().Of(p, WM_PARENTNOTIFY);
  EXPECT_EQ(LOWORD(pn[0].wp), WM_LBUTTONDOWN);
  EXPECT_EQ(pn[0].lp, MAKELPARAM(20, 30));
  auto act = TRecorder::Get().Of(p, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(act[0].wp), WA_CLICKACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(act[0].lp), other);
  auto sc = TRecorder::Get().Of(c, WM_SETCURSOR);
  EXPECT_EQ(sc[0].lp, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
}

TEST_F(WindowTest, NoActivatePopupNeverTakesActivationOrFocus) {
  HWND form = Make("form", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND popup = Make("popup", WS_POPUP, 300, 0, 100, 100, form);
  ShowWindow(popup, SW_SHOWNA);
  Handle(popup, [](HWND, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_MOUSEACTIVATE) return 0;
    handled = true;
    return MA_NOACTIVATE;
  });
  Pump();
  ClearLog();
  Click(310, 10);
  Pump();
  EXPECT_EQ(GetActiveWindow(), form);
  EXPECT_EQ(GetFocus(), form);
  EXPECT_EQ(TRecorder::Get().Of(popup, WM_LBUTTONDOWN).size(), 1u);
  EXPECT_TRUE(TRecorder::Get().Of(popup, WM_ACTIVATE).empty());
}

struct TDblCase {
  const char* name;
  const char* cls;
  Int64 gapMs;
  int dx;
  Strings expected;
};

TEST_F(WindowTest, DoubleClicksNeedTheClassStyleTheTimeAndTheDistance) {
  const TDblCase cases[] = {
      {"double", "TestDblWnd", 300, 0, {"w:LBUTTONDOWN", "w:LBUTTONUP", "w:LBUTTONDBLCLK", "w:LBUTTONUP"}},
      {"at the limit", "TestDblWnd", 500, 2, {"w:LBUTTONDOWN", "w:LBUTTONUP", "w:LBUTTONDBLCLK", "w:LBUTTONUP"}},
      {"no class style", "TestWnd", 100, 0, {"w:LBUTTONDOWN", "w:LBUTTONUP", "w:LBUTTONDOWN", "w:LBUTTONUP"}},
      {"too late", "TestDblWnd", 501, 0, {"w:LBUTTONDOWN", "w:LBUTTONUP", "w:LBUTTONDOWN", "w:LBUTTONUP"}},
      {"too far", "TestDblWnd", 100, 3, {"w:LBUTTONDOWN", "w:LBUTTONUP", "w:LBUTTONDOWN", "w:LBUTTONUP"}},
  };
  for (const TDblCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, 0, c.cls);
    Pump();
    ClearLog();
    Click(50, 50);
    Pump();
    clock.Advance(c.gapMs);
    Click(50 + c.dx, 50);
    Pump();
    EXPECT_EQ(Trace({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}), c.expected);
    DestroyWindow(w);
    clock.Advance(1000);
  }
}

TEST_F(WindowTest, ThirdClickAfterADoubleClickIsASingleClick) {
  Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, 0, "TestDblWnd");
  Pump();
  ClearLog();
  for (int i = 0; i < 3; ++i) {
    Click(10, 10);
    clock.Advance(50);
  }
  Pump();
  EXPECT_EQ(Trace({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}), (Strings{"w:LBUTTONDOWN", "w:LBUTTONDBLCLK", "w:LBUTTONDOWN"}));
}

TEST_F(WindowTest, NonClientDoubleClickOnTheCaption) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, 0, "TestDblWnd");
  Handle(w, [](HWND h, UINT m, WPARAM, LPARAM lp, bool& handled) -> LRESULT {
    if (m != WM_NCHITTEST) return 0;
    handled = true;
    POINT p = LParamToPoint(lp);
    ScreenToClient(h, &p);
    return p.Y < 20 ? HTCAPTION : HTCLIENT;
  });
  Pump();
  ClearLog();
  // A caption press starts the move loop, which eats the button-up.
  Click(50, 5);
  Click(50, 5);
  Pump();
  EXPECT_EQ(Trace({WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_NCLBUTTONDBLCLK, WM_LBUTTONUP}),
            (Strings{"w:NCLBUTTONDOWN", "w:NCLBUTTONDBLCLK", "w:NCLBUTTONUP"}));
  auto dbl = TRecorder::Get().Of(w, WM_NCLBUTTONDBLCLK);
  EXPECT_EQ(dbl[0].wp, WPARAM(HTCAPTION));
  EXPECT_EQ(dbl[0].lp, MAKELPARAM(50, 5));
}

TEST_F(WindowTest, CaptureSendsEverythingAsClientMessagesWithoutHitTests) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100);
  HWND other = Make("other", WS_POPUP | WS_VISIBLE, 300, 300, 100, 100);
  Handle(w, [](HWND h, UINT m, WPARAM, LPARAM, bool&) -> LRESULT {
    if (m == WM_LBUTTONDOWN) SetCapture(h);
    if (m == WM_LBUTTONUP) ReleaseCapture();
    return 0;
  });
  SetActiveWindow(w);
  Pump();
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(150, 150));
  InputMouseMove(Point(90, 80));
  InputMouseMove(Point(350, 350));  // over the other window
  InputMouseButton(TMouseButton::mbLeft, false, Point(350, 350));
  Pump();
  EXPECT_EQ(Trace(kMouse), (Strings{"w:NCHITTEST", "w:SETCURSOR", "w:LBUTTONDOWN", "w:MOUSEMOVE", "w:MOUSEMOVE",
                                    "w:LBUTTONUP", "w:CAPTURECHANGED"}));
  auto moves = TRecorder::Get().Of(w, WM_MOUSEMOVE);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lp), -10);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].lp), -20);
  EXPECT_EQ(moves[0].wp, MK_LBUTTON);
  EXPECT_EQ(LParamToPoint(moves[1].lp), Point(250, 250));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(TRecorder::Get().Of(other, WM_NCHITTEST).empty());
}

TEST_F(WindowTest, NonClientHitsBecomeNcMessagesWithScreenPoints) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 50, 50, p, WS_EX_CLIENTEDGE);
  Pump();
  ClearLog();
  Click(11, 11);  // on the border
  Pump();
  auto down = TRecorder::Get().Of(c, WM_NCLBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wp, WPARAM(HTBORDER));
  EXPECT_EQ(down[0].lp, MAKELPARAM(11, 11));
  EXPECT_TRUE(TRecorder::Get().Of(c, WM_LBUTTONDOWN).empty());
}

TEST_F(WindowTest, ClientMessagesGoToTheWindowUnderTheMouseAfterHitTest) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Handle(w, [](HWND, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = m == WM_NCHITTEST;
    return HTOBJECT;  // no default action for this code
  });
  Pump();
  ClearLog();
  Click(10, 10);
  Pump();
  auto down = TRecorder::Get().Of(w, WM_NCLBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wp, WPARAM(HTOBJECT));
}

TEST_F(WindowTest, MouseLeaveIsPostedOnceWhenTheCursorLeaves) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Make("v", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  InputMouseMove(Point(10, 10));
  Pump();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = w;
  EXPECT_TRUE(TrackMouseEvent(&tme));
  ClearLog();
  InputMouseMove(Point(20, 20));
  Pump();
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_MOUSELEAVE).empty());
  InputMouseMove(Point(250, 20));
  InputMouseMove(Point(20, 20));
  InputMouseMove(Point(250, 20));
  Pump();
  EXPECT_EQ(TRecorder::Get().Of(w, WM_MOUSELEAVE).size(), 1u);
}

TEST_F(WindowTest, MouseHoverFiresAfterTheCursorRests) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  InputMouseMove(Point(10, 10));
  Pump();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_HOVER;
  tme.hwndTrack = w;
  tme.dwHoverTime = 100;
  TrackMouseEvent(&tme);
  clock.Advance(99);
  Pump();
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_MOUSEHOVER).empty());
  clock.Advance(1);
  Pump();
  auto hover = TRecorder::Get().Of(w, WM_MOUSEHOVER);
  ASSERT_EQ(hover.size(), 1u);
  EXPECT_EQ(hover[0].lp, MAKELPARAM(10, 10));
}

TEST_F(WindowTest, KeysGoToTheFocusWindowAndTranslateToChars) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
  SetFocus(c);
  Pump();
  ClearLog();
  InputKey(VK_SHIFT, true);
  InputKey('A', true);
  InputKey('A', false);
  InputKey(VK_SHIFT, false);
  InputKey('B', true);
  InputKey('B', false);
  Pump();
  EXPECT_EQ(Trace({WM_KEYDOWN, WM_KEYUP, WM_CHAR}), (Strings{"c:KEYDOWN", "c:KEYDOWN", "c:CHAR", "c:KEYUP", "c:KEYUP",
                                                            "c:KEYDOWN", "c:CHAR", "c:KEYUP"}));
  auto chars = TRecorder::Get().Of(c, WM_CHAR);
  EXPECT_EQ(chars[0].wp, WPARAM('A'));
  EXPECT_EQ(chars[1].wp, WPARAM('b'));
  auto ups = TRecorder::Get().Of(c, WM_KEYUP);
  EXPECT_TRUE(ups[0].lp & (LPARAM(1) << 30));
  EXPECT_TRUE(DWORD(ups[0].lp) & 0x80000000u);
  InputText("中a");
  Pump();
  chars = TRecorder::Get().Of(c, WM_CHAR);
  ASSERT_EQ(chars.size(), 4u);
  EXPECT_EQ(chars[2].wp, WPARAM(0x4E2D));
  EXPECT_EQ(chars[3].wp, WPARAM('a'));
}

TEST_F(WindowTest, KeyStateFollowsRetrievedMessages) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  SHORT during = 0;
  Handle(w, [&](HWND, UINT m, WPARAM, LPARAM, bool&) -> LRESULT {
    if (m == WM_KEYDOWN) during = GetKeyState(VK_CONTROL);
    return 0;
  });
  InputKey(VK_CONTROL, true);
  EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);  // not retrieved yet
  Pump();
  EXPECT_TRUE(during & 0x8000);
  InputKey(VK_CONTROL, false);
  Pump();
  EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
}

TEST_F(WindowTest, AltKeysAreSystemKeysAndAltF4Closes) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  Pump();
  ClearLog();
  InputKey(VK_MENU, true);
  InputKey(VK_F4, true);
  InputKey(VK_F4, false);
  InputKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(Trace({WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
            (Strings{"w:SYSKEYDOWN", "w:SYSKEYDOWN", "w:SYSCOMMAND", "w:CLOSE", "w:DESTROY"}));
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowTest, BareAltTapAsksForTheMenu) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  Pump();
  ClearLog();
  InputKey(VK_MENU, true);
  InputKey(VK_MENU, false);
  Pump();
  auto sc = TRecorder::Get().Of(w, WM_SYSCOMMAND);
  ASSERT_EQ(sc.size(), 1u);
  EXPECT_EQ(sc[0].wp, SC_KEYMENU);
}

TEST_F(WindowTest, WheelGoesToTheFocusWindowAndBubblesToItsParent) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
  SetFocus(c);
  Pump();
  ClearLog();
  InputMouseWheel(-WHEEL_DELTA, Point(150, 150));
  Pump();
  EXPECT_EQ(Trace({WM_MOUSEWHEEL}), (Strings{"c:MOUSEWHEEL", "p:MOUSEWHEEL"}));
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(TRecorder::Get().Of(c, WM_MOUSEWHEEL)[0].wp), -WHEEL_DELTA);
}

}  // namespace

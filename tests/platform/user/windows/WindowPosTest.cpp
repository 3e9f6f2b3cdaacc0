#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

const std::vector<UINT> kPos = {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED,
                                WM_MOVE, WM_SIZE, WM_SHOWWINDOW, WM_NCPAINT, WM_ERASEBKGND, WM_ACTIVATEAPP,
                                WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS};

struct TPosCase {
  const char* name;
  int x, y, cx, cy;
  UINT flags;
  Strings expected;
};

TEST_F(WindowTest, SetWindowPosMessageOrders) {
  const TPosCase cases[] = {
      {"move and size", 20, 30, 150, 120, SWP_NOZORDER | SWP_NOACTIVATE,
       {"w:POSCHANGING", "w:GETMINMAXINFO", "w:NCCALCSIZE", "w:NCPAINT", "w:ERASEBKGND", "w:POSCHANGED", "w:MOVE",
        "w:SIZE"}},
      {"move only", 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
       {"w:POSCHANGING", "w:POSCHANGED", "w:MOVE"}},
      {"size only", 0, 0, 90, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE,
       {"w:POSCHANGING", "w:GETMINMAXINFO", "w:NCCALCSIZE", "w:NCPAINT", "w:ERASEBKGND", "w:POSCHANGED", "w:SIZE"}},
      {"frame changed", 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED,
       {"w:POSCHANGING", "w:NCCALCSIZE", "w:NCPAINT", "w:ERASEBKGND", "w:POSCHANGED"}},
      {"nothing changes", 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
       {"w:POSCHANGING", "w:POSCHANGED"}},
  };
  for (const TPosCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_OVERLAPPED | WS_THICKFRAME | WS_VISIBLE, 0, 0, 100, 100);
    Pump();
    ClearLog();
    EXPECT_TRUE(SetWindowPos(w, nullptr, c.x, c.y, c.cx, c.cy, c.flags));
    // The erase is pending until the paint: drive it to see the whole order.
    Pump();
    EXPECT_EQ(Trace(kPos), c.expected);
    DestroyWindow(w);
  }
}

TEST_F(WindowTest, ShowingATopLevelWindowActivatesItAndErasesBeforePosChanged) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  ClearLog();
  EXPECT_FALSE(ShowWindow(w, SW_SHOW));
  EXPECT_EQ(Trace(kPos), (Strings{"w:SHOWWINDOW", "w:POSCHANGING", "w:ACTIVATEAPP", "w:NCACTIVATE", "w:ACTIVATE",
                                  "w:SETFOCUS", "w:NCPAINT", "w:ERASEBKGND", "w:POSCHANGED", "w:SIZE", "w:MOVE"}));
  auto show = TRecorder::Get().Of(w, WM_SHOWWINDOW);
  EXPECT_EQ(show[0].wp, WPARAM(TRUE));
  EXPECT_EQ(show[0].lp, 0);
  EXPECT_EQ(GetActiveWindow(), w);
  EXPECT_EQ(GetFocus(), w);
  EXPECT_TRUE(IsWindowVisible(w));
  // Already shown: SW_SHOW does nothing more.
  ClearLog();
  EXPECT_TRUE(ShowWindow(w, SW_SHOW));
  EXPECT_TRUE(Trace(kPos).empty());
}

TEST_F(WindowTest, ShowWithoutActivationLeavesTheActiveWindow) {
  HWND main = Make("main", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND popup = Make("popup", WS_POPUP, 0, 0, 50, 50, main);
  ClearLog();
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_TRUE(TRecorder::Get().Of(popup, WM_ACTIVATE).empty());
  SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetTopWindow(nullptr), popup);
  EXPECT_TRUE(GetWindowLongPtr(popup, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowTest, HidingSendsShowWindowFalseAndActivatesTheOwner) {
  HWND main = Make("main", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND dlg = Make("dlg", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, main);
  EXPECT_EQ(GetActiveWindow(), dlg);
  ClearLog();
  EXPECT_TRUE(ShowWindow(dlg, SW_HIDE));
  EXPECT_EQ(Trace({WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE}),
            (Strings{"dlg:SHOWWINDOW", "dlg:POSCHANGING", "dlg:NCACTIVATE", "dlg:ACTIVATE", "main:NCACTIVATE",
                     "main:ACTIVATE", "dlg:POSCHANGED"}));
  EXPECT_EQ(TRecorder::Get().Of(dlg, WM_SHOWWINDOW)[0].wp, WPARAM(FALSE));
  EXPECT_EQ(GetActiveWindow(), main);
}

TEST_F(WindowTest, PosChangingHandlerCanAlterTheProposal) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Handle(w, [](HWND, UINT m, WPARAM, LPARAM lp, bool&) -> LRESULT {
    if (m == WM_WINDOWPOSCHANGING) {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      pos->cx = std::max(pos->cx, 80);  // a minimum width
      pos->x = (pos->x / 10) * 10;      // snap
    }
    return 0;
  });
  MoveWindow(w, 37, 5, 20, 60, TRUE);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(30, 5, 80, 60));
}

TEST_F(WindowTest, NcCalcSizeAnswerSetsTheClientArea) {
  HWND w = Make("w", WS_POPUP, 100, 100, 200, 150);
  Handle(w, [](HWND, UINT m, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
    if (m == WM_NCCALCSIZE && wp) {
      RECT& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0];
      r.Left += 4;
      r.Top += 30;
      r.Right -= 4;
      r.Bottom -= 4;
      handled = true;
    }
    return 0;
  });
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c, Rect(0, 0, 192, 116));
  POINT p{0, 0};
  ClientToScreen(w, &p);
  EXPECT_EQ(p, Point(104, 130));
  auto size = TRecorder::Get().Of(w, WM_SIZE);
  EXPECT_EQ(size.back().lp, MAKELPARAM(192, 116));
}

TEST_F(WindowTest, CoordinateMappingThroughNestedChildren) {
  HWND top = Make("top", WS_POPUP, 100, 50, 400, 300);
  HWND c = Make("c", WS_CHILD | WS_BORDER, 10, 20, 200, 100, top);  // 1-pixel border
  HWND g = Make("g", WS_CHILD, 5, 6, 50, 50, c);
  POINT p{1, 2};
  ClientToScreen(g, &p);
  EXPECT_EQ(p, Point(100 + 10 + 1 + 5 + 1, 50 + 20 + 1 + 6 + 2));
  ScreenToClient(g, &p);
  EXPECT_EQ(p, Point(1, 2));
  POINT q{0, 0};
  int off = MapWindowPoints(g, top, &q, 1);
  EXPECT_EQ(q, Point(16, 27));
  EXPECT_EQ(off, int(MAKELONG(16, 27)));
  RECT r;
  GetWindowRect(g, &r);
  EXPECT_EQ(r, Bounds(116, 77, 50, 50));
}

TEST_F(WindowTest, WindowFromPointFindsTheDeepestVisibleEnabledWindow) {
  HWND top = Make("top", WS_POPUP | WS_VISIBLE, 100, 100, 300, 300);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 100, 100, top);
  HWND g = Make("g", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, c);
  HWND hidden = Make("hidden", WS_CHILD, 150, 10, 50, 50, top);
  HWND disabled = Make("disabled", WS_CHILD | WS_VISIBLE | WS_DISABLED, 150, 150, 50, 50, top);
  EXPECT_EQ(WindowFromPoint(Point(125, 125)), g);
  EXPECT_EQ(WindowFromPoint(Point(160, 160)), c);
  EXPECT_EQ(WindowFromPoint(Point(260, 120)), top);  // the hidden child is skipped
  EXPECT_EQ(WindowFromPoint(Point(260, 260)), top);  // so is the disabled one
  EXPECT_EQ(WindowFromPoint(Point(50, 50)), nullptr);
  EXPECT_EQ(ChildWindowFromPoint(top, Point(160, 20)), hidden);
  EXPECT_EQ(ChildWindowFromPointEx(top, Point(160, 20), CWP_SKIPINVISIBLE), top);
  EXPECT_EQ(ChildWindowFromPointEx(top, Point(160, 160), CWP_SKIPDISABLED), top);
  EXPECT_EQ(ChildWindowFromPoint(top, Point(500, 20)), nullptr);
  (void)disabled;
}

TEST_F(WindowTest, TopmostWindowsStayAboveOthers) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, WS_EX_TOPMOST);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  EXPECT_EQ(GetTopWindow(nullptr), a);
  EXPECT_EQ(WindowFromPoint(Point(5, 5)), a);
  BringWindowToTop(b);
  EXPECT_EQ(GetTopWindow(nullptr), a);
  SetWindowPos(a, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(b);
  EXPECT_EQ(GetTopWindow(nullptr), b);
  EXPECT_FALSE(GetWindowLongPtr(a, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowTest, MaximizeUsesTheWorkAreaAndRestoreGoesBack) {
  HWND w = Make("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 200, 100);
  ClearLog();
  ShowWindow(w, SW_SHOWMAXIMIZED);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(0, 0, 1280, 1024));
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_EQ(TRecorder::Get().Of(w, WM_SIZE).back().wp, SIZE_MAXIMIZED);
  ShowWindow(w, SW_RESTORE);
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(50, 60, 200, 100));
  EXPECT_EQ(TRecorder::Get().Of(w, WM_SIZE).back().wp, SIZE_RESTORED);
}

}  // namespace

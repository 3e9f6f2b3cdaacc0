#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

const std::vector<UINT> kLife = {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE,
                                 WM_PARENTNOTIFY, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
                                 WM_DESTROY, WM_NCDESTROY, WM_NCPAINT, WM_ERASEBKGND};

TEST_F(WindowTest, HiddenTopLevelCreationSendsMessagesInWindowsOrder) {
  HWND w = Make("top", WS_OVERLAPPED, 10, 20, 300, 200);
  ASSERT_NE(w, nullptr);
  // No WM_SIZE or WM_MOVE while hidden: they come with the first show.
  EXPECT_EQ(Trace(kLife), (Strings{"top:GETMINMAXINFO", "top:NCCREATE", "top:NCCALCSIZE", "top:CREATE"}));
  ClearLog();
  ShowWindow(w, SW_SHOWNORMAL);
  EXPECT_EQ(Trace({WM_SHOWWINDOW, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}),
            (Strings{"top:SHOWWINDOW", "top:POSCHANGED", "top:SIZE", "top:MOVE"}));
  auto size = TRecorder::Get().Of(w, WM_SIZE);
  ASSERT_EQ(size.size(), 1u);
  EXPECT_EQ(size[0].wp, SIZE_RESTORED);
  EXPECT_EQ(size[0].lp, MAKELPARAM(300, 200));
  auto move = TRecorder::Get().Of(w, WM_MOVE);
  EXPECT_EQ(move[0].lp, MAKELPARAM(10, 20));
}

struct TFirstShowCase {
  const char* name;
  DWORD style;
  bool resizeWhileHidden;
  int showCmd;
  Strings expected;  // from creation through the second show
};

TEST_F(WindowTest, SizeAndMoveReachATopLevelWindowWhenFirstShown) {
  const TFirstShowCase cases[] = {
      {"popup", WS_POPUP, false, SW_SHOW, {"w:SHOWWINDOW", "w:SIZE", "w:MOVE", "w:SHOWWINDOW", "w:SHOWWINDOW"}},
      // A popup created shown hears them right after WM_CREATE.
      {"visible at creation", WS_POPUP | WS_VISIBLE, false, SW_SHOW,
       {"w:SIZE", "w:MOVE", "w:SHOWWINDOW", "w:SHOWWINDOW", "w:SHOWWINDOW"}},
      // Reading chosen: DefWindowProc's WM_WINDOWPOSCHANGED tells a hidden
      // window of a resize, as documented, and the first show adds nothing.
      {"resized while hidden", WS_POPUP, true, SW_SHOW,
       {"w:MOVE", "w:SIZE", "w:SHOWWINDOW", "w:SHOWWINDOW", "w:SHOWWINDOW"}},
      {"shown without activation", WS_POPUP, false, SW_SHOWNA,
       {"w:SHOWWINDOW", "w:SIZE", "w:MOVE", "w:SHOWWINDOW", "w:SHOWWINDOW"}},
  };
  for (const TFirstShowCase& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLog();
    HWND w = Make("w", c.style, 10, 20, 120, 80);
    if (c.resizeWhileHidden) SetWindowPos(w, nullptr, 15, 25, 130, 90, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(w, c.showCmd);
    ShowWindow(w, SW_HIDE);
    ShowWindow(w, c.showCmd);
    EXPECT_EQ(Trace({WM_SIZE, WM_MOVE, WM_SHOWWINDOW}), c.expected);
    DestroyWindow(w);
  }
}

// The parent is hidden, so the child has nothing to paint yet.
TEST_F(WindowTest, VisibleChildNotifiesParentThenShows) {
  HWND p = Make("p", WS_POPUP, 0, 0, 200, 200);
  ClearLog();
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 5, 5, 50, 50, p);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Trace(kLife), (Strings{"c:NCCREATE", "c:NCCALCSIZE", "c:CREATE", "c:SIZE", "c:MOVE", "p:PARENTNOTIFY",
                                   "c:SHOWWINDOW", "c:POSCHANGING", "c:POSCHANGED"}));
  auto pn = TRecorder::Get().Of(p, WM_PARENTNOTIFY);
  EXPECT_EQ(LOWORD(pn[0].wp), WM_CREATE);
  EXPECT_EQ(reinterpret_cast<HWND>(pn[0].lp), c);
}

TEST_F(WindowTest, CreateFailsWhenNcCreateOrCreateRefuses) {
  // The procedure sees the window before CreateWindowEx returns, so refuse
  // through a class whose procedure fails on WM_CREATE.
  WNDCLASS wc;
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    TRecorder::Get().log.push_back(TLogEntry{h, m, wp, lp});
    if (m == WM_CREATE) return -1;
    return DefWindowProc(h, m, wp, lp);
  };
  wc.lpszClassName = "Refuse";
  ASSERT_NE(RegisterClass(&wc), 0);
  EXPECT_EQ(CreateWindowEx(0, "Refuse", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(Trace({WM_CREATE, WM_DESTROY, WM_NCDESTROY}), (Strings{"?:CREATE", "?:DESTROY", "?:NCDESTROY"}));
  HWND dead = TRecorder::Get().log.back().hwnd;
  EXPECT_FALSE(IsWindow(dead));
  EXPECT_TRUE(UnregisterClass("Refuse", nullptr));

  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    TRecorder::Get().log.push_back(TLogEntry{h, m, wp, lp});
    if (m == WM_NCCREATE) return FALSE;
    return DefWindowProc(h, m, wp, lp);
  };
  wc.lpszClassName = "RefuseNc";
  ASSERT_NE(RegisterClass(&wc), 0);
  ClearLog();
  EXPECT_EQ(CreateWindowEx(0, "RefuseNc", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(Trace({WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}), (Strings{"?:NCCREATE", "?:NCDESTROY"}));
  EXPECT_TRUE(UnregisterClass("RefuseNc", nullptr));
}

TEST_F(WindowTest, UnknownClassAndChildWithoutParentFail) {
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(CreateWindowEx(0, "TestWnd", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, DestroyOrderIsDestroyTopDownThenNcDestroyBottomUp) {
  HWND p = Make("p", WS_POPUP, 0, 0, 200, 200);
  HWND c = Make("c", WS_CHILD, 0, 0, 50, 50, p);
  Make("g", WS_CHILD, 0, 0, 10, 10, c);
  Make("c2", WS_CHILD, 60, 0, 50, 50, p);
  ClearLog();
  EXPECT_TRUE(DestroyWindow(p));
  EXPECT_EQ(Trace({WM_DESTROY, WM_NCDESTROY}),
            (Strings{"p:DESTROY", "c:DESTROY", "g:DESTROY", "c2:DESTROY", "g:NCDESTROY", "c:NCDESTROY", "c2:NCDESTROY",
                     "p:NCDESTROY"}));
  EXPECT_FALSE(IsWindow(p));
  EXPECT_FALSE(IsWindow(c));
}

TEST_F(WindowTest, DestroyingAChildNotifiesTheParentFirst) {
  HWND p = Make("p", WS_POPUP, 0, 0, 200, 200);
  HWND c = Make("c", WS_CHILD, 0, 0, 50, 50, p);
  ClearLog();
  DestroyWindow(c);
  EXPECT_EQ(Trace({WM_PARENTNOTIFY, WM_DESTROY, WM_NCDESTROY}), (Strings{"p:PARENTNOTIFY", "c:DESTROY", "c:NCDESTROY"}));
  EXPECT_EQ(GetWindow(p, GW_CHILD), nullptr);
}

TEST_F(WindowTest, NoParentNotifyStyleSilencesCreateAndDestroy) {
  HWND p = Make("p", WS_POPUP, 0, 0, 200, 200);
  ClearLog();
  HWND c = Make("c", WS_CHILD, 0, 0, 50, 50, p, WS_EX_NOPARENTNOTIFY);
  DestroyWindow(c);
  EXPECT_TRUE(TRecorder::Get().Of(p, WM_PARENTNOTIFY).empty());
}

TEST_F(WindowTest, OwnedWindowsAreDestroyedWithTheirOwner) {
  HWND owner = Make("owner", WS_POPUP, 0, 0, 200, 200);
  HWND owned = Make("owned", WS_POPUP, 0, 0, 50, 50, owner);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetParent(owned), owner);
  ClearLog();
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(Trace({WM_DESTROY}), (Strings{"owned:DESTROY", "owner:DESTROY"}));
}

TEST_F(WindowTest, WindowDestroyedInsideItsOwnHandlerIsSafe) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  int after = 0;
  Handle(w, [&](HWND h, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
    if (m == WM_USER) {
      DestroyWindow(h);
      // Still inside the handler of a dead window: calls must fail cleanly.
      EXPECT_FALSE(IsWindow(h));
      EXPECT_EQ(SendMessage(h, WM_USER + 1, 0, 0), 0);
      EXPECT_FALSE(PostMessage(h, WM_USER + 1, 0, 0));
      ++after;
      handled = true;
    }
    return 0;
  });
  PostMessage(w, WM_USER + 2, 0, 0);  // queued behind: must be dropped
  SendMessage(w, WM_USER, 0, 0);
  EXPECT_EQ(after, 1);
  Pump();
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_USER + 2).empty());
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_USER + 1).empty());
}

TEST_F(WindowTest, DestroyWindowCalledAgainFromWmDestroyDoesNotRecurse) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  Handle(w, [](HWND h, UINT m, WPARAM, LPARAM, bool&) -> LRESULT {
    if (m == WM_DESTROY) DestroyWindow(h);
    return 0;
  });
  ClearLog();
  EXPECT_TRUE(DestroyWindow(w));
  EXPECT_EQ(Trace({WM_DESTROY, WM_NCDESTROY}), (Strings{"w:DESTROY", "w:NCDESTROY"}));
}

// Sub-classing: the new procedure sees the message first and passes it on.
std::vector<std::string> g_chain;
WNDPROC g_prev = nullptr;
LRESULT SubclassProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER) g_chain.push_back("sub");
  if (m == WM_USER + 5) return 42;
  return CallWindowProc(g_prev, h, m, wp, lp);
}

TEST_F(WindowTest, SubclassingReplacesTheProcedureAndChainsToTheOldOne) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  g_chain.clear();
  g_prev = reinterpret_cast<WNDPROC>(SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  EXPECT_EQ(g_prev, RecordingProc);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(w, GWLP_WNDPROC)), SubclassProc);
  SendMessage(w, WM_USER, 0, 0);
  EXPECT_EQ(g_chain, (Strings{"sub"}));
  EXPECT_EQ(TRecorder::Get().Of(w, WM_USER).size(), 1u);
  EXPECT_EQ(SendMessage(w, WM_USER + 5, 0, 0), 42);
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_USER + 5).empty());
  SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_prev));
}

TEST_F(WindowTest, WindowLongsStylesAndUserData) {
  HWND w = Make("w", WS_POPUP | WS_BORDER, 0, 0, 100, 100, nullptr, WS_EX_TOOLWINDOW);
  EXPECT_EQ(DWORD(GetWindowLongPtr(w, GWL_STYLE)) & (WS_POPUP | WS_BORDER), WS_POPUP | WS_BORDER);
  EXPECT_EQ(DWORD(GetWindowLongPtr(w, GWL_EXSTYLE)), WS_EX_TOOLWINDOW);
  ClearLog();
  SetWindowLongPtr(w, GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_LAYERED);
  EXPECT_EQ(Trace({WM_STYLECHANGING, WM_STYLECHANGED}).size(), 2u);
  EXPECT_EQ(DWORD(GetWindowLongPtr(w, GWL_EXSTYLE)), WS_EX_TOOLWINDOW | WS_EX_LAYERED);
  EXPECT_EQ(SetWindowLongPtr(w, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLongPtr(w, GWLP_USERDATA), 1234);
  EXPECT_EQ(GetWindowLongPtr(nullptr, GWL_STYLE), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, TextGoesThroughTheProcedure) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  ClearLog();
  EXPECT_TRUE(SetWindowText(w, "Hello 世界"));
  EXPECT_EQ(TRecorder::Get().Of(w, WM_SETTEXT).size(), 1u);
  char buf[64];
  EXPECT_EQ(GetWindowText(w, buf, sizeof buf), int(std::string("Hello 世界").size()));
  EXPECT_STREQ(buf, "Hello 世界");
  EXPECT_EQ(GetWindowText(w, buf, 4), 3);
  EXPECT_STREQ(buf, "Hel");
  EXPECT_EQ(FindWindow("testwnd", "Hello 世界"), w);
}

TEST_F(WindowTest, TreeNavigationFollowsZOrder) {
  HWND p = Make("p", WS_POPUP, 0, 0, 200, 200);
  HWND a = Make("a", WS_CHILD, 0, 0, 10, 10, p);
  HWND b = Make("b", WS_CHILD, 0, 0, 10, 10, p);
  // The first child is on top: a new one goes to the bottom.
  EXPECT_EQ(GetWindow(p, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
  EXPECT_TRUE(IsChild(p, a));
  EXPECT_FALSE(IsChild(a, p));
  EXPECT_EQ(GetAncestor(a, GA_ROOT), p);
  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(p, GW_CHILD), b);
  int count = 0;
  EnumChildWindows(p, [](HWND, LPARAM lp) -> BOOL { ++*reinterpret_cast<int*>(lp); return TRUE; },
                   reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 2);
}

TEST_F(WindowTest, EnableWindowSendsCancelModeAndEnable) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  ClearLog();
  EXPECT_FALSE(EnableWindow(w, FALSE));
  EXPECT_FALSE(IsWindowEnabled(w));
  EXPECT_TRUE(EnableWindow(w, TRUE));
  EXPECT_EQ(Trace({WM_CANCELMODE, WM_ENABLE}), (Strings{"w:CANCELMODE", "w:ENABLE", "w:ENABLE"}));
  EXPECT_EQ(TRecorder::Get().Of(w, WM_ENABLE)[0].wp, WPARAM(FALSE));
}

TEST_F(WindowTest, ClassesCannotBeRegisteredTwiceOrDroppedWhileUsed) {
  WNDCLASS wc;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "TESTWND";
  EXPECT_EQ(RegisterClass(&wc), 0);  // names ignore case
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  EXPECT_FALSE(UnregisterClass("TestWnd", nullptr));
  DestroyWindow(w);
  char name[32];
  EXPECT_EQ(GetClassName(w, name, sizeof name), 0);
}

}  // namespace

// The X11 display under a real window manager (openbox): what it is asked
// for and what it reports back.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/backend/x11/X11Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;

LRESULT PlainProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all;
    GetClientRect(h, &all);
    HBRUSH fill = CreateSolidBrush(RGB(30, 144, 200));
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

class X11WindowManagerTest : public TX11Fixture {
 protected:
  void SetUp() override {
    StartX11(kScreenW, kScreenH, "X11WmTestWnd", PlainProc, 0x808080);
    if (IsSkipped() || HasFatalFailure()) return;
    StartWindowManager();
  }
  void TearDown() override { StopX11(); }

  HWND Create(DWORD exStyle, DWORD style, RECT r, HWND owner = nullptr) {
    return CreateWindowEx(exStyle, "X11WmTestWnd", "w", style, r.Left, r.Top, r.Width(), r.Height(), owner, nullptr,
                          nullptr, nullptr);
  }
  Window X(HWND h) { return Window(display->XWindowOf(h)); }

  // Position of w's frame in the window manager's stacking list, bottom 0;
  // -1 when it is not listed.
  int StackIndex(HWND h) {
    std::vector<long> list = Property(DefaultRootWindow(reader), "_NET_CLIENT_LIST_STACKING");
    auto it = std::find(list.begin(), list.end(), long(X(h)));
    return it == list.end() ? -1 : int(it - list.begin());
  }
};

TEST_F(X11WindowManagerTest, StackingNeverNamesWindowsTheManagerDoesNotManage) {
  // An application window that never shows, as the framework keeps one,
  // and a hidden top-level window above the forms in our own order.
  HWND app = Create(WS_EX_TOOLWINDOW, WS_POPUP, Bounds(0, 0, 0, 0), HWND_MESSAGE);
  ASSERT_TRUE(app);
  EXPECT_EQ(display->NativeOf(app), 0u) << "a message-only window needs nothing on the screen";
  HWND a = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 60, 200, 150), app);
  HWND b = Create(0, WS_OVERLAPPEDWINDOW, Bounds(300, 60, 200, 150), app);
  HWND hidden = Create(0, WS_OVERLAPPEDWINDOW, Bounds(100, 300, 80, 60));
  HWND popup = Create(WS_EX_TOOLWINDOW, WS_POPUP, Bounds(10, 10, 30, 30));
  ASSERT_TRUE(a && b && hidden && popup);
  SetWindowPos(hidden, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(a, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Viewable(X(a)) && StackIndex(a) >= 0; }));
  ShowWindow(b, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Viewable(X(b)) && StackIndex(b) >= 0; })) << "manager alive: " << WindowManagerAlive();
  EXPECT_TRUE(WindowManagerAlive());
  EXPECT_GT(StackIndex(b), StackIndex(a));

  // Raising the first form again is asked of the manager and honoured.
  SetWindowPos(hidden, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(a);
  SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return StackIndex(a) > StackIndex(b); }));
  // Minimised and hidden forms are no siblings either.
  ShowWindow(b, SW_MINIMIZE);
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(a);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return Viewable(X(popup)); }));
  ShowWindow(b, SW_RESTORE);
  EXPECT_TRUE(WaitUntil([&] { return Viewable(X(b)); }));
  EXPECT_TRUE(WindowManagerAlive()) << "the window manager went down";
  DestroyWindow(app);
}

}  // namespace

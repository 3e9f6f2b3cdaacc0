// The display calls beyond painting: icons, pointer clipping, the
// horizontal wheel, raising, and layered creation parameters.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "platform/user/input/Focus.h"

namespace {

std::vector<MSG> g_seen;

LRESULT NativeTestProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  g_seen.push_back(MSG{h, m, wp, lp, 0, {}});
  return DefWindowProc(h, m, wp, lp);
}

class HeadlessNativeTest : public ::testing::Test {
 protected:
  THeadlessSession session;
  THeadlessDisplay& display = session.display;

  void SetUp() override {
    WNDCLASS wc;
    wc.lpfnWndProc = NativeTestProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNFACE + 1));
    wc.lpszClassName = "NativeTestWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    g_seen.clear();
  }
  void TearDown() override {
    ClipCursor(nullptr);
    while (HWND h = GetTopWindow(nullptr)) DestroyWindow(h);
    display.RunUntilIdle();
    UnregisterClass("NativeTestWnd", nullptr);
    g_seen.clear();
  }
  HWND Make(DWORD style, int x, int y, int w, int h, DWORD ex = 0) {
    return CreateWindowEx(ex, "NativeTestWnd", "w", style | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr,
                          nullptr);
  }
  std::vector<MSG> Seen(UINT msg) const {
    std::vector<MSG> out;
    for (const MSG& m : g_seen)
      if (m.message == msg) out.push_back(m);
    return out;
  }
};

TEST_F(HeadlessNativeTest, BigIconReachesTheNativeWindowAsStraightArgb) {
  HWND w = Make(WS_OVERLAPPEDWINDOW, 10, 10, 200, 150);
  const auto* n = display.Native(w);
  ASSERT_NE(n, nullptr);
  EXPECT_TRUE(n->icon.empty());
  SendMessage(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIcon(nullptr, MAKEINTRESOURCE(IDI_ERROR))));
  EXPECT_TRUE(n->icon.empty());  // only the big icon is shown
  SendMessage(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIcon(nullptr, MAKEINTRESOURCE(IDI_ERROR))));
  ASSERT_EQ(n->iconWidth, 32);
  ASSERT_EQ(n->iconHeight, 32);
  ASSERT_EQ(n->icon.size(), 32u * 32u);
  EXPECT_EQ(n->icon[0], 0u);                      // outside the disc: clear
  EXPECT_EQ(n->icon[3 * 32 + 16], 0xFFC00000u);   // red, opaque
  EXPECT_EQ(n->icon[16 * 32 + 16], 0xFFFFFFFFu);  // the white cross
  SendMessage(w, WM_SETICON, ICON_BIG, 0);
  EXPECT_TRUE(n->icon.empty());
}

TEST_F(HeadlessNativeTest, ClipCursorKeepsInjectedMouseInside) {
  HWND w = Make(WS_POPUP, 0, 0, 300, 300);
  display.RunUntilIdle();
  RECT clip{50, 60, 150, 160};
  ClipCursor(&clip);
  display.RunUntilIdle();
  g_seen.clear();
  display.MouseMove(10, 10);
  display.Click(400, 500);
  display.RunUntilIdle();
  auto moves = Seen(WM_MOUSEMOVE);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(LParamToPoint(moves.front().lParam), Point(50, 60));
  auto downs = Seen(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, w);
  EXPECT_EQ(LParamToPoint(downs[0].lParam), Point(149, 159));
}

TEST_F(HeadlessNativeTest, SidewaysWheelReachesTheFocusWindowAndBubblesToItsParent) {
  HWND top = Make(WS_POPUP, 0, 0, 200, 200);
  HWND child = CreateWindowEx(0, "NativeTestWnd", "c", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top, nullptr, nullptr,
                              nullptr);
  SetFocus(child);
  display.RunUntilIdle();
  g_seen.clear();
  display.HWheel(30, 40, WHEEL_DELTA);
  display.HWheel(30, 40, -2 * WHEEL_DELTA);
  display.Wheel(30, 40, WHEEL_DELTA);
  display.RunUntilIdle();
  auto h = Seen(WM_MOUSEHWHEEL);
  ASSERT_EQ(h.size(), 4u);  // each one to the child, then passed on to the parent
  const struct {
    HWND hwnd;
    int delta;
  } expected[] = {{child, WHEEL_DELTA}, {top, WHEEL_DELTA}, {child, -2 * WHEEL_DELTA}, {top, -2 * WHEEL_DELTA}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(h[i].hwnd, expected[i].hwnd) << i;
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(h[i].wParam), expected[i].delta) << i;
    EXPECT_EQ(LParamToPoint(h[i].lParam), Point(30, 40)) << i;  // screen coordinates
  }
  EXPECT_EQ(Seen(WM_MOUSEWHEEL).size(), 2u);
}

TEST_F(HeadlessNativeTest, ActivationCallsRaiseAndFocusTheNativeWindow) {
  HWND a = Make(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  HWND b = Make(WS_OVERLAPPEDWINDOW, 50, 50, 100, 100);
  HWND hidden = CreateWindowEx(0, "NativeTestWnd", "h", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowEx(0, "NativeTestWnd", "c", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a, nullptr, nullptr,
                              nullptr);
  display.RunUntilIdle();
  const int a0 = display.Native(a)->activations, b0 = display.Native(b)->activations;
  struct TCase {
    const char* name;
    std::function<void()> call;
    HWND raised;
  };
  const TCase cases[] = {
      {"SetActiveWindow", [&] { SetActiveWindow(a); }, a},
      {"SetForegroundWindow", [&] { SetForegroundWindow(b); }, b},
      {"BringWindowToTop", [&] { BringWindowToTop(a); }, a},
      {"SetActiveWindow through a child", [&] { SetActiveWindow(child); }, a},
  };
  int expectA = a0, expectB = b0;
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    tc.call();
    display.RunUntilIdle();
    (tc.raised == a ? expectA : expectB)++;
    EXPECT_EQ(display.Native(a)->activations, expectA);
    EXPECT_EQ(display.Native(b)->activations, expectB);
    ASSERT_FALSE(display.Stacking().empty());
    EXPECT_EQ(display.Stacking().front(), tc.raised);
  }
  // Children and hidden windows have nothing to raise.
  BringWindowToTop(child);
  SetForegroundWindow(hidden);
  EXPECT_EQ(display.Native(a)->activations, expectA);
  EXPECT_EQ(display.Native(hidden)->activations, 0);
}

// The desktop (a window manager's Alt+Tab, a task bar) activates a window and
// stacks it itself; the window layer follows in its own order and asks the
// display for nothing, which a window manager would take as a new request.
TEST_F(HeadlessNativeTest, ActivationByTheDesktopAsksNoRestackOrActivation) {
  HWND a = Make(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  HWND b = Make(WS_OVERLAPPEDWINDOW, 50, 50, 100, 100);
  display.RunUntilIdle();
  ASSERT_EQ(GetTopWindow(nullptr), b);
  const int restacks = display.Native(a)->restacks, activations = display.Native(a)->activations;
  NativeActivationChanged(a, true);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetTopWindow(nullptr), a) << "our own order follows";
  EXPECT_EQ(display.Native(a)->restacks, restacks);
  EXPECT_EQ(display.Native(a)->activations, activations);
  // The program's own activation is a request to the display.
  const int bRestacks = display.Native(b)->restacks;
  SetActiveWindow(b);
  EXPECT_GT(display.Native(b)->restacks, bRestacks);
  EXPECT_EQ(display.Stacking().front(), b);
}

TEST_F(HeadlessNativeTest, LayeredWindowsSayItWhenCreated) {
  HWND plain = Make(WS_POPUP, 0, 0, 10, 10);
  HWND layered = Make(WS_POPUP, 0, 0, 10, 10, WS_EX_LAYERED);
  EXPECT_FALSE(display.Native(plain)->layeredAtCreation);
  EXPECT_TRUE(display.Native(layered)->layeredAtCreation);
}

}  // namespace

namespace {

TEST_F(HeadlessNativeTest, ShowCursorHidesThePointerOnlyBelowZero) {
  // The counter is process-wide: measure from where it stands.
  const int start = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  ASSERT_GE(start, 0);
  EXPECT_TRUE(display.CursorVisible());
  int count = start;
  while (count >= 0) count = ShowCursor(FALSE);
  EXPECT_FALSE(display.CursorVisible());
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_FALSE(display.CursorVisible());
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_FALSE(display.CursorVisible());
  while (count < start) count = ShowCursor(TRUE);
  EXPECT_TRUE(display.CursorVisible());
}

}  // namespace

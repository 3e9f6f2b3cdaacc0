#include "platform/backend/headless/HeadlessDisplay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> g_handler;

LRESULT TestProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (g_handler) {
    LRESULT r = g_handler(h, m, wp, lp);
    if (r != -12345) return r;
  }
  return DefWindowProc(h, m, wp, lp);
}

class HeadlessTest : public ::testing::Test {
 protected:
  THeadlessSession session;
  THeadlessDisplay& display = session.display;

  void SetUp() override {
    WNDCLASS wc;
    wc.lpfnWndProc = TestProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNFACE + 1));
    wc.lpszClassName = "HeadlessWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    g_handler = nullptr;
  }
  void TearDown() override {
    g_handler = nullptr;
    while (HWND h = GetTopWindow(nullptr)) DestroyWindow(h);
    display.RunUntilIdle();
    UnregisterClass("HeadlessWnd", nullptr);
  }
  HWND Popup(int x, int y, int w, int h, DWORD ex = 0) {
    return CreateWindowEx(ex, "HeadlessWnd", "popup", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr,
                          nullptr);
  }
};

TEST_F(HeadlessTest, DefaultMonitorAndConfiguredMonitors) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  display.SetMonitors({TMonitorRec{Bounds(0, 0, 1920, 1080), Bounds(0, 0, 1920, 1040), true},
                       TMonitorRec{Bounds(-1280, 0, 1280, 1024), Bounds(-1280, 0, 1280, 1024), false}});
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint(Point(-100, 500), MONITOR_DEFAULTTONULL), &mi));
  EXPECT_EQ(mi.rcMonitor, Bounds(-1280, 0, 1280, 1024));
  EXPECT_EQ(mi.dwFlags, 0u);
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, Bounds(0, 0, 1920, 1040));
  EXPECT_EQ(MonitorFromPoint(Point(5000, 5000), MONITOR_DEFAULTTONULL), nullptr);
  HWND w = Popup(-300, 10, 100, 100);
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcMonitor.Left, -1280);
}

TEST_F(HeadlessTest, PaintedPixelsArePresentedToTheNativeWindow) {
  g_handler = [](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m != WM_PAINT) return -12345;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r{10, 10, 20, 20};
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  };
  HWND w = Popup(100, 100, 50, 40, WS_EX_TOOLWINDOW);
  display.RunUntilIdle();
  const auto* n = display.Native(w);
  ASSERT_NE(n, nullptr);
  EXPECT_TRUE(n->visible);
  EXPECT_TRUE(n->popup) << "a tool popup";
  HWND form = Popup(200, 100, 50, 40);
  display.RunUntilIdle();
  ASSERT_NE(display.Native(form), nullptr);
  EXPECT_FALSE(display.Native(form)->popup) << "a borderless form is managed";
  EXPECT_EQ(n->bounds, Bounds(100, 100, 50, 40));
  EXPECT_EQ(display.PixelAt(w, 15, 15), RGB(255, 0, 0));
  EXPECT_EQ(display.PixelAt(w, 5, 5), GetSysColor(COLOR_BTNFACE));
  // Drawing outside WM_PAINT shows after the next idle.
  HDC dc = GetDC(w);
  SetPixel(dc, 1, 1, RGB(0, 0, 255));
  ReleaseDC(w, dc);
  EXPECT_NE(display.PixelAt(w, 1, 1), RGB(0, 0, 255));
  display.RunUntilIdle();
  EXPECT_EQ(display.PixelAt(w, 1, 1), RGB(0, 0, 255));
}

TEST_F(HeadlessTest, SnapshotWritesABmpFile) {
  HWND w = Popup(0, 0, 30, 20);
  display.RunUntilIdle();
  std::string path = ::testing::TempDir() + "headless_snapshot.bmp";
  ASSERT_TRUE(display.WriteBmp(w, path.c_str()));
  std::ifstream f(path, std::ios::binary);
  char magic[2] = {};
  f.read(magic, 2);
  EXPECT_EQ(magic[0], 'B');
  EXPECT_EQ(magic[1], 'M');
  std::remove(path.c_str());
}

TEST_F(HeadlessTest, NativeStateFollowsRegionOpacityFrameAndStacking) {
  HWND a = Popup(0, 0, 100, 100, WS_EX_LAYERED);
  HWND b = Popup(50, 50, 100, 100);
  HWND t = Popup(0, 0, 10, 10, WS_EX_TOPMOST);
  SetActiveWindow(a);
  EXPECT_EQ(display.Stacking(), (std::vector<HWND>{t, a, b}));
  SetWindowRgn(a, CreateEllipticRgn(0, 0, 100, 100), TRUE);
  ASSERT_TRUE(display.Native(a)->shape.has_value());
  EXPECT_FALSE(display.Native(a)->shape->Contains(1, 1));
  EXPECT_TRUE(display.Native(a)->shape->Contains(50, 50));
  SetLayeredWindowAttributes(a, 0, 128, LWA_ALPHA);
  EXPECT_EQ(display.Native(a)->opacity, 128);
  SetWindowLongPtr(a, GWL_EXSTYLE, 0);
  EXPECT_EQ(display.Native(a)->opacity, 255);
  SetCustomFrame(a, TRUE);
  EXPECT_TRUE(display.Native(a)->customFrame);
  SetWindowText(a, "Title");
  EXPECT_EQ(display.Native(a)->title, "Title");
  ShowWindow(b, SW_HIDE);
  EXPECT_FALSE(display.Native(b)->visible);
}

TEST_F(HeadlessTest, CaptureGrabsThePointer) {
  HWND w = Popup(0, 0, 100, 100);
  SetCapture(w);
  EXPECT_EQ(display.GrabbedWindow(), w);
  ReleaseCapture();
  EXPECT_EQ(display.GrabbedWindow(), nullptr);
}

TEST_F(HeadlessTest, AdvanceTimeFiresTimersInDueOrder) {
  std::vector<std::pair<Int64, std::uintptr_t>> fired;
  g_handler = [&](HWND, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m != WM_TIMER) return -12345;
    fired.push_back({session.clock.PeekMilliseconds() - 1000, wp});
    return 0;
  };
  HWND w = Popup(0, 0, 10, 10);
  SetTimer(w, 1, 30, nullptr);
  SetTimer(w, 2, 50, nullptr);
  display.AdvanceTime(100);
  EXPECT_EQ(fired, (std::vector<std::pair<Int64, std::uintptr_t>>{{30, 1}, {50, 2}, {60, 1}, {90, 1}, {100, 2}}));
  EXPECT_EQ(session.clock.PeekMilliseconds(), 1100);
}

TEST_F(HeadlessTest, InjectedClickReachesTheWindowUnderTheMouse) {
  std::vector<UINT> seen;
  g_handler = [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_MOUSEMOVE) seen.push_back(m);
    return -12345;
  };
  Popup(200, 200, 100, 100);
  display.MouseMove(250, 250);
  display.Click(250, 250);
  display.Click(10, 10);  // over no window: dropped
  display.RunUntilIdle();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}));
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p, Point(10, 10));
}

TEST_F(HeadlessTest, GetMessageWakesForAPostFromAnotherThread) {
  HWND w = Popup(0, 0, 10, 10);
  display.RunUntilIdle();
  std::thread worker([w] {
    std::this_thread::yield();
    PostMessage(w, WM_USER, 7, 0);
  });
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  worker.join();
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_EQ(m.wParam, 7u);
}

}  // namespace

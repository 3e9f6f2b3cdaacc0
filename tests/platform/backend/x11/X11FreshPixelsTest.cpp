// What a window painted reaches the X server without the program having to
// do anything more: while it goes on with other work right after the
// presentation, and, for a window just shown, while its message loop sits
// idle waiting for the server (under a window manager the window becomes
// viewable only later, and the server's exposure has to be answered).
#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/x11/X11Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Clock.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "tests/support/MissingPackage.h"

namespace {

constexpr UINT kWatchDone = WM_APP + 7;
constexpr COLORREF kFirst = RGB(200, 40, 160);
constexpr COLORREF kSecond = RGB(20, 210, 60);
constexpr COLORREF kThird = RGB(240, 200, 30);

// Fills its client with the colour in GWLP_USERDATA.
LRESULT FillProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all;
    GetClientRect(h, &all);
    HBRUSH fill = CreateSolidBrush(COLORREF(GetWindowLongPtr(h, GWLP_USERDATA)));
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

// Every point shows the colour on the server (0xRRGGBB).
bool ScreenShows(Display* dpy, const std::vector<POINT>& where, std::uint32_t colour) {
  for (const POINT& p : where) {
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), p.X, p.Y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return false;
    const std::uint32_t shown = std::uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    if (shown != colour) return false;
  }
  return true;
}

// Reads the screen until it shows the colour or a generous bound passes,
// pausing on the connection between reads (no other traffic comes to it).
bool ScreenComesToShow(Display* dpy, const std::vector<POINT>& where, std::uint32_t colour, int limitMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    if (ScreenShows(dpy, where, colour)) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    pollfd none{ConnectionNumber(dpy), 0, 0};
    poll(&none, 1, 2);
  }
}

enum class THelper { none, manager, compositor };

struct TCase {
  const char* name;
  THelper helper;  // openbox or xcompmgr on the server
  bool shm;        // presented through shared memory, else plain requests
};
void PrintTo(const TCase& c, std::ostream* os) { *os << c.name; }

class X11FreshPixelsTest : public TX11Fixture, public ::testing::WithParamInterface<TCase> {
 protected:
  void SetUp() override {
    const char* old = std::getenv(kNoShm);
    hadNoShm_ = old != nullptr;
    if (old) savedNoShm_ = old;
    // Read at the display's first presentation.
    if (GetParam().shm) unsetenv(kNoShm);
    else setenv(kNoShm, "1", 1);
    StartX11(kScreenW, kScreenH, "X11FreshWnd", FillProc, long(kRootColour));
    if (IsSkipped() || HasFatalFailure()) return;
    if (GetParam().helper == THelper::manager) StartWindowManager();
    if (GetParam().helper == THelper::compositor) {
      std::string why;
      if (!wm.Start("xcompmgr", {}, server.Name(), &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
      ASSERT_TRUE(WaitUntil([&] { return display->CompositorRunning(); })) << "xcompmgr never took the selection";
    }
  }
  void TearDown() override {
    StopX11();
    if (hadNoShm_) setenv(kNoShm, savedNoShm_.c_str(), 1);
    else unsetenv(kNoShm);
  }

  HWND Create(RECT r, COLORREF fill) {
    HWND h = CreateWindowEx(0, "X11FreshWnd", "w", WS_POPUP, r.Left, r.Top, r.Width(), r.Height(), nullptr, nullptr,
                            nullptr, nullptr);
    if (h) SetWindowLongPtr(h, GWLP_USERDATA, LONG_PTR(fill));
    return h;
  }

  // Nine points spread over the client area, on the screen.
  static std::vector<POINT> Grid(HWND h) {
    RECT c;
    GetClientRect(h, &c);
    POINT o{0, 0};
    ClientToScreen(h, &o);
    std::vector<POINT> out;
    for (int i = 1; i < 4; ++i)
      for (int j = 1; j < 4; ++j) out.push_back(POINT{o.X + c.Right * i / 4, o.Y + c.Bottom * j / 4});
    return out;
  }

  // Runs the program's message loop, idle but for what the server sends it,
  // while a client on another thread reads the screen until every point
  // shows the colour or the bound passes; that client then ends the loop.
  // True when the screen came to show the colour.
  bool ShownWithTheLoopIdle(HWND h, const std::vector<POINT>& where, std::uint32_t colour) {
    Display* watcher = XOpenDisplay(server.Name().c_str());
    if (!watcher) return false;
    std::atomic<bool> shown{false};
    std::thread t([&] {
      shown = ScreenComesToShow(watcher, where, colour);
      PostMessage(h, kWatchDone, 0, 0);
    });
    MSG m;
    while (GetMessage(&m, nullptr, 0, 0) > 0) {
      if (m.message == kWatchDone) break;
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    t.join();
    XCloseDisplay(watcher);
    return shown;
  }

 private:
  bool hadNoShm_ = false;
  std::string savedNoShm_;
};

TEST_P(X11FreshPixelsTest, AShownWindowReachesTheScreenWhileTheLoopIsIdle) {
  HWND h = Create(Bounds(60, 70, 200, 150), kFirst);
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNORMAL);
  EXPECT_TRUE(ShownWithTheLoopIdle(h, Grid(h), Rgb24(kFirst))) << "first shown";
  // Hidden, moved, grown and recoloured, then shown again: nothing of the
  // old pixels or of the screen below may stay.
  ShowWindow(h, SW_HIDE);
  SetWindowPos(h, nullptr, 150, 110, 300, 220, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowLongPtr(h, GWLP_USERDATA, LONG_PTR(kSecond));
  InvalidateRect(h, nullptr, TRUE);
  ShowWindow(h, SW_SHOWNORMAL);
  EXPECT_TRUE(ShownWithTheLoopIdle(h, Grid(h), Rgb24(kSecond))) << "shown again";
  // Grown while hidden, with nothing asking for a repaint: the new part
  // shows the window's pixels too.
  ShowWindow(h, SW_HIDE);
  SetWindowPos(h, nullptr, 100, 60, 380, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(h, SW_SHOWNORMAL);
  EXPECT_TRUE(ShownWithTheLoopIdle(h, Grid(h), Rgb24(kSecond))) << "grown while hidden";
}

TEST_P(X11FreshPixelsTest, APresentedPaintReachesTheScreenWhileTheProgramIsBusy) {
  HWND h = Create(Bounds(60, 70, 200, 150), kFirst);
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return ScreenShows(reader, Grid(h), Rgb24(kFirst)); }));
  // Small areas and the whole window, each painted and presented as the
  // loop does when it runs dry; after that the program goes on with other
  // work and never comes back to its loop while the screen is read.
  struct TRepaint {
    RECT area;  // client coordinates; empty: all
    COLORREF colour;
  } repaints[] = {{RECT{20, 20, 30, 28}, kSecond}, {RECT{}, kThird}, {RECT{150, 100, 152, 103}, kFirst}};
  for (const TRepaint& r : repaints) {
    SetWindowLongPtr(h, GWLP_USERDATA, LONG_PTR(r.colour));
    InvalidateRect(h, r.area.IsEmpty() ? nullptr : &r.area, FALSE);
    ProcessPendingMessages();
    std::vector<POINT> where;
    if (r.area.IsEmpty()) {
      where = Grid(h);
    } else {
      POINT p{(r.area.Left + r.area.Right) / 2, (r.area.Top + r.area.Bottom) / 2};
      ClientToScreen(h, &p);
      where = {p};
    }
    EXPECT_TRUE(ScreenComesToShow(reader, where, Rgb24(r.colour)))
        << "area " << r.area.Left << "," << r.area.Top << " in " << std::hex << r.colour;
  }
}

// A paint asked for now, or one the loop runs before a due timer, is on the
// screen while the program then works for long without pumping (the
// timer's handler stands for such work).
TEST_P(X11FreshPixelsTest, APaintAskedForNowOrBeforeATimerReachesTheScreenWhileTheProgramIsBusy) {
  HWND h = Create(Bounds(60, 70, 200, 150), kFirst);
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return ScreenShows(reader, Grid(h), Rgb24(kFirst)); }));
  enum class TWay { updateWindow, updateNow, dueTimer };
  // Each colour differs from every one the screen showed before it.
  struct TRepaint {
    const char* name;
    TWay way;
    COLORREF colour;
  } repaints[] = {{"UpdateWindow", TWay::updateWindow, kSecond},
                  {"RDW_UPDATENOW", TWay::updateNow, kThird},
                  {"before a due timer", TWay::dueTimer, RGB(30, 60, 230)}};
  for (const TRepaint& r : repaints) {
    SCOPED_TRACE(r.name);
    SetWindowLongPtr(h, GWLP_USERDATA, LONG_PTR(r.colour));
    if (r.way == TWay::updateWindow) {
      InvalidateRect(h, nullptr, FALSE);
      UpdateWindow(h);
      EXPECT_TRUE(ScreenComesToShow(reader, Grid(h), Rgb24(r.colour), 2000));
    } else if (r.way == TWay::updateNow) {
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      EXPECT_TRUE(ScreenComesToShow(reader, Grid(h), Rgb24(r.colour), 2000));
    } else {
      // Virtual time makes the timer due before the paint is taken.
      TVirtualClock clock{GetTickCount64()};
      TScopedClock scoped{clock};
      ASSERT_EQ(SetTimer(h, 5, 20, nullptr), 5u);
      clock.Advance(20);
      InvalidateRect(h, nullptr, FALSE);
      int timers = 0;
      bool shown = false;
      MSG m;
      for (int i = 0; i < 50 && timers == 0 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (m.message == WM_TIMER && m.hwnd == h) {
          KillTimer(h, 5);
          ++timers;
          shown = ScreenComesToShow(reader, Grid(h), Rgb24(r.colour), 2000);
          continue;
        }
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      KillTimer(h, 5);
      ASSERT_EQ(timers, 1);
      EXPECT_TRUE(shown);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Presentations, X11FreshPixelsTest,
                         ::testing::Values(TCase{"Shared", THelper::none, true},
                                           TCase{"Requests", THelper::none, false},
                                           TCase{"ManagedShared", THelper::manager, true},
                                           TCase{"ManagedRequests", THelper::manager, false},
                                           TCase{"CompositedShared", THelper::compositor, true},
                                           TCase{"CompositedRequests", THelper::compositor, false}),
                         [](const ::testing::TestParamInfo<TCase>& info) { return std::string(info.param.name); });

}  // namespace

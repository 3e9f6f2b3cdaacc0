// When painted pixels are handed to the display: a paint asked for now, or
// one followed by a due timer, must be presented before the program goes on
// with other work; a pass of the loop presents each window once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/system/Display.h"

namespace {

// Keeps what each native window was last shown, like a screen would.
class TRecordingDisplay final : public TDisplay {
 public:
  struct TShown {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    int presents = 0;
  };
  std::map<TNativeWindow, TShown> shown;
  std::map<HWND, TNativeWindow> natives;

  TNativeWindow CreateNativeWindow(const TNativeWindowParams& p) override {
    TNativeWindow n = next_++;
    natives[p.hwnd] = n;
    shown[n];
    return n;
  }
  void DestroyNativeWindow(TNativeWindow w) override { shown.erase(w); }
  void SetNativeBounds(TNativeWindow, const RECT&) override {}
  void ShowNativeWindow(TNativeWindow, bool, bool) override {}
  void SetNativeTitle(TNativeWindow, const std::string&) override {}
  void SetCustomFrame(TNativeWindow, bool) override {}
  void RestackNativeWindow(TNativeWindow, TNativeWindow, bool) override {}
  void Present(TNativeWindow w, const Surface& s, const std::vector<RECT>& dirty) override {
    auto it = shown.find(w);
    if (it == shown.end() || !s.Valid()) return;
    TShown& n = it->second;
    if (n.width != s.width || n.height != s.height) {
      n.width = s.width;
      n.height = s.height;
      n.pixels.assign(std::size_t(s.width) * std::size_t(s.height), 0);
    }
    for (const RECT& r : dirty) {
      int l = std::max(r.Left, 0), t = std::max(r.Top, 0);
      int rr = std::min(r.Right, s.width), b = std::min(r.Bottom, s.height);
      for (int y = t; y < b; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(s.Row(y));
        for (int x = l; x < rr; ++x) n.pixels[std::size_t(y) * std::size_t(s.width) + std::size_t(x)] = row[x];
      }
    }
    n.presents++;
  }
  void SetShape(TNativeWindow, const Region*) override {}
  void SetOpacity(TNativeWindow, Byte) override {}
  void GrabPointer(TNativeWindow) override {}
  std::vector<TMonitorRec> Monitors() override {
    return {TMonitorRec{Bounds(0, 0, 1280, 1024), Bounds(0, 0, 1280, 1024), true}};
  }
  // Virtual time jumps to the next timer; nothing else ever arrives.
  void WaitEvents(int timeoutMs) override {
    if (timeoutMs < 0) return;
    if (auto* vc = dynamic_cast<TVirtualClock*>(&CurrentClock())) vc->Advance(timeoutMs);
  }
  void Wake() override {}

  // The colour shown at (x, y) of a top-level window, as 0x00BBGGRR;
  // CLR_INVALID where nothing was ever presented.
  COLORREF ShownAt(HWND top, int x, int y) const {
    auto n = natives.find(top);
    if (n == natives.end()) return CLR_INVALID;
    auto it = shown.find(n->second);
    if (it == shown.end() || x < 0 || y < 0 || x >= it->second.width || y >= it->second.height) return CLR_INVALID;
    std::uint32_t p = it->second.pixels[std::size_t(y) * std::size_t(it->second.width) + std::size_t(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Presents(HWND top) const {
    auto n = natives.find(top);
    if (n == natives.end()) return 0;
    auto it = shown.find(n->second);
    return it == shown.end() ? 0 : it->second.presents;
  }

 private:
  TNativeWindow next_ = 1;
};

constexpr COLORREF kOld = RGB(0x20, 0x80, 0xC0);
constexpr COLORREF kNew = RGB(0xE0, 0x30, 0x10);

class PresentTest : public WindowTest {
 protected:
  TRecordingDisplay display;
  TDisplay* previous = nullptr;
  std::map<HWND, COLORREF> colours;

  void SetUp() override {
    previous = SetDisplay(&display);
    WindowTest::SetUp();
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetDisplay(previous);
  }

  // A window whose client area is filled with its colour on WM_PAINT.
  HWND Painted(const char* name, DWORD style, int x, int y, int w, int h, HWND parent = nullptr) {
    HWND hwnd = Make(name, style, x, y, w, h, parent);
    colours[hwnd] = kOld;
    Handle(hwnd, [this](HWND hw, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
      if (m != WM_PAINT) return 0;
      handled = true;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hw, &ps);
      RECT c;
      GetClientRect(hw, &c);
      HBRUSH b = CreateSolidBrush(colours[hw]);
      FillRect(dc, &c, b);
      DeleteObject(b);
      EndPaint(hw, &ps);
      return 0;
    });
    return hwnd;
  }
};

// The program asks for the paint now and then stays busy: no more pumping.
TEST_F(PresentTest, PaintAskedForNowIsShownAtOnce) {
  struct TCase {
    const char* name;
    bool child;
    void (*paintNow)(HWND top, HWND target);
  };
  const TCase cases[] = {
      {"UpdateWindow", false, [](HWND, HWND t) { UpdateWindow(t); }},
      {"RDW_UPDATENOW", false,
       [](HWND, HWND t) { RedrawWindow(t, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }},
      {"child's UpdateWindow", true, [](HWND, HWND t) { UpdateWindow(t); }},
      {"parent's RDW_UPDATENOW with children", true,
       [](HWND top, HWND) { RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }},
      {"all windows' RDW_UPDATENOW", true,
       [](HWND, HWND) { RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND top = Painted("top", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 80, 60);
    HWND target = c.child ? Painted("child", WS_CHILD | WS_VISIBLE, 20, 10, 30, 30, top) : top;
    Pump();
    // The child's spot in the top-level's coordinates.
    int x = c.child ? 25 : 5, y = c.child ? 15 : 5;
    ASSERT_EQ(display.ShownAt(top, x, y), kOld);
    colours[target] = kNew;
    InvalidateRect(target, nullptr, FALSE);
    c.paintNow(top, target);
    EXPECT_EQ(display.ShownAt(top, x, y), kNew);
    DestroyWindow(top);
    Pump();
  }
}

// A timer's handler may run long; what was painted before it must already
// be on the screen when it starts, however the loop is pumped.
TEST_F(PresentTest, PaintBeforeDueTimerIsShownWhenTheTimerRuns) {
  struct TCase {
    const char* name;
    bool child;
    bool getMessage;
  };
  const TCase cases[] = {
      {"top-level, PeekMessage", false, false},
      {"top-level, GetMessage", false, true},
      {"child, PeekMessage", true, false},
      {"child, GetMessage", true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND top = Painted("top", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 80, 60);
    HWND target = c.child ? Painted("child", WS_CHILD | WS_VISIBLE, 20, 10, 30, 30, top) : top;
    HWND timed = Make("timed", WS_POPUP, 0, 0, 10, 10);
    Pump();
    int x = c.child ? 25 : 5, y = c.child ? 15 : 5;
    ASSERT_EQ(display.ShownAt(top, x, y), kOld);
    std::vector<COLORREF> seen;
    Handle(timed, [&](HWND h, UINT m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
      if (m != WM_TIMER) return 0;
      handled = true;
      KillTimer(h, wp);
      seen.push_back(display.ShownAt(top, x, y));
      return 0;
    });
    SetTimer(timed, 1, 10, nullptr);
    clock.Advance(10);
    colours[target] = kNew;
    InvalidateRect(target, nullptr, FALSE);
    MSG m;
    if (c.getMessage) {
      // Paint first, then the timer.
      for (int i = 0; i < 8 && seen.empty(); ++i) {
        ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
        DispatchMessage(&m);
      }
    } else {
      for (int i = 0; i < 8 && seen.empty() && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessage(&m);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], kNew);
    DestroyWindow(timed);
    DestroyWindow(top);
    Pump();
  }
}

// Presenting costs a round trip to the server: several windows painted in
// one pass of the loop reach the display in one present, and a loop with
// nothing painted presents nothing.
TEST_F(PresentTest, OnePresentPerPassOfTheLoop) {
  HWND top = Painted("top", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 120, 60);
  HWND kids[3];
  for (int i = 0; i < 3; ++i) kids[i] = Painted("child", WS_CHILD | WS_VISIBLE, 5 + 35 * i, 10, 30, 30, top);
  Pump();
  int before = display.Presents(top);
  ASSERT_GT(before, 0);
  for (HWND k : kids) {
    colours[k] = kNew;
    InvalidateRect(k, nullptr, FALSE);
  }
  InvalidateRect(top, nullptr, FALSE);
  EXPECT_GE(Pump(), 4);
  EXPECT_EQ(display.Presents(top), before + 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(display.ShownAt(top, 10 + 35 * i, 15), kNew) << i;
  EXPECT_EQ(Pump(), 0);
  EXPECT_EQ(display.Presents(top), before + 1);
  // Nothing invalid: asking to paint now presents nothing either.
  UpdateWindow(top);
  EXPECT_EQ(display.Presents(top), before + 1);
}

}  // namespace

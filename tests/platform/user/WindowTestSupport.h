// A recording window class for message-order tests: every message a test
// window receives is logged, and a test can install its own handler per
// window and message in front of DefWindowProc.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/rtl/Clock.h"
#include "platform/user/User.h"

struct TLogEntry {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};

class TRecorder {
 public:
  using THandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool& handled)>;

  static TRecorder& Get() {
    static TRecorder r;
    return r;
  }
  std::vector<TLogEntry> log;
  std::map<HWND, THandler> handlers;
  std::map<HWND, std::string> names;

  // Messages of interest only, as "name:MSG" strings.
  std::vector<std::string> Trace(const std::vector<UINT>& keep) const {
    std::vector<std::string> out;
    for (const TLogEntry& e : log) {
      bool wanted = false;
      for (UINT k : keep) wanted = wanted || k == e.msg;
      if (!wanted) continue;
      auto it = names.find(e.hwnd);
      out.push_back((it == names.end() ? std::string("?") : it->second) + ":" + MessageName(e.msg));
    }
    return out;
  }
  std::vector<TLogEntry> Of(HWND h, UINT msg) const {
    std::vector<TLogEntry> out;
    for (const TLogEntry& e : log)
      if (e.hwnd == h && e.msg == msg) out.push_back(e);
    return out;
  }

  static std::string MessageName(UINT m) {
    static const std::map<UINT, const char*> names = {
        {WM_CREATE, "CREATE"}, {WM_DESTROY, "DESTROY"}, {WM_MOVE, "MOVE"}, {WM_SIZE, "SIZE"},
        {WM_ACTIVATE, "ACTIVATE"}, {WM_SETFOCUS, "SETFOCUS"}, {WM_KILLFOCUS, "KILLFOCUS"}, {WM_PAINT, "PAINT"},
        {WM_CLOSE, "CLOSE"}, {WM_ERASEBKGND, "ERASEBKGND"}, {WM_SHOWWINDOW, "SHOWWINDOW"},
        {WM_ACTIVATEAPP, "ACTIVATEAPP"}, {WM_SETCURSOR, "SETCURSOR"}, {WM_MOUSEACTIVATE, "MOUSEACTIVATE"},
        {WM_GETMINMAXINFO, "GETMINMAXINFO"}, {WM_WINDOWPOSCHANGING, "POSCHANGING"},
        {WM_WINDOWPOSCHANGED, "POSCHANGED"}, {WM_NCCREATE, "NCCREATE"}, {WM_NCDESTROY, "NCDESTROY"},
        {WM_NCCALCSIZE, "NCCALCSIZE"}, {WM_NCHITTEST, "NCHITTEST"}, {WM_NCPAINT, "NCPAINT"},
        {WM_NCACTIVATE, "NCACTIVATE"}, {WM_NCMOUSEMOVE, "NCMOUSEMOVE"}, {WM_NCLBUTTONDOWN, "NCLBUTTONDOWN"},
        {WM_NCLBUTTONUP, "NCLBUTTONUP"}, {WM_NCLBUTTONDBLCLK, "NCLBUTTONDBLCLK"}, {WM_KEYDOWN, "KEYDOWN"},
        {WM_KEYUP, "KEYUP"}, {WM_CHAR, "CHAR"}, {WM_SYSKEYDOWN, "SYSKEYDOWN"}, {WM_SYSKEYUP, "SYSKEYUP"},
        {WM_SYSCHAR, "SYSCHAR"}, {WM_SYSCOMMAND, "SYSCOMMAND"}, {WM_TIMER, "TIMER"},
        {WM_MOUSEMOVE, "MOUSEMOVE"}, {WM_LBUTTONDOWN, "LBUTTONDOWN"}, {WM_LBUTTONUP, "LBUTTONUP"},
        {WM_LBUTTONDBLCLK, "LBUTTONDBLCLK"}, {WM_RBUTTONDOWN, "RBUTTONDOWN"}, {WM_RBUTTONUP, "RBUTTONUP"},
        {WM_MOUSEWHEEL, "MOUSEWHEEL"}, {WM_PARENTNOTIFY, "PARENTNOTIFY"}, {WM_CAPTURECHANGED, "CAPTURECHANGED"},
        {WM_MOVING, "MOVING"}, {WM_SIZING, "SIZING"}, {WM_ENTERSIZEMOVE, "ENTERSIZEMOVE"},
        {WM_EXITSIZEMOVE, "EXITSIZEMOVE"}, {WM_MOUSELEAVE, "MOUSELEAVE"}, {WM_MOUSEHOVER, "MOUSEHOVER"},
        {WM_USER, "USER"}, {WM_ENABLE, "ENABLE"}, {WM_CANCELMODE, "CANCELMODE"}};
    auto it = names.find(m);
    return it == names.end() ? std::to_string(m) : it->second;
  }
};

inline LRESULT RecordingProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  TRecorder& r = TRecorder::Get();
  r.log.push_back(TLogEntry{h, m, wp, lp});
  auto it = r.handlers.find(h);
  if (it != r.handlers.end()) {
    bool handled = false;
    auto handler = it->second;  // the handler may replace itself
    LRESULT res = handler(h, m, wp, lp, handled);
    if (handled) return res;
  }
  return DefWindowProc(h, m, wp, lp);
}

// Registers the recording classes, destroys every window left at the end
// and keeps the clock virtual.
class WindowTest : public ::testing::Test {
 protected:
  TVirtualClock clock{10000};
  TScopedClock scoped{clock};

  void SetUp() override {
    WNDCLASS wc;
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_WINDOW + 1));
    wc.lpszClassName = "TestWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "TestDblWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    TRecorder::Get() = TRecorder{};
  }

  void TearDown() override {
    for (;;) {
      HWND h = GetTopWindow(nullptr);
      if (!h) break;
      DestroyWindow(h);
    }
    ProcessPendingMessages();
    TRecorder::Get() = TRecorder{};
    ReleaseCapture();
    for (int vk = 1; vk < 256; ++vk)
      if (GetAsyncKeyState(vk) & 0x8000) InputKey(vk, false);
    ProcessPendingMessages();
    UnregisterClass("TestWnd", nullptr);
    UnregisterClass("TestDblWnd", nullptr);
    // Keeps one test's clicks from pairing with the next test's.
    clock.Advance(10000);
  }

  HWND Make(const char* name, DWORD style, int x, int y, int w, int h, HWND parent = nullptr, DWORD ex = 0,
            const char* cls = "TestWnd") {
    HWND hwnd = CreateWindowEx(ex, cls, name, style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    TRecorder::Get().names[hwnd] = name;
    return hwnd;
  }
  void Handle(HWND h, TRecorder::THandler handler) { TRecorder::Get().handlers[h] = std::move(handler); }
  void ClearLog() { TRecorder::Get().log.clear(); }
  std::vector<std::string> Trace(const std::vector<UINT>& keep) { return TRecorder::Get().Trace(keep); }
  int Pump() { return ProcessPendingMessages(); }
};

using Strings = std::vector<std::string>;

// A top-level surface pixel as a colour; CLR_INVALID outside the surface.
inline COLORREF SurfacePixel(HWND top, int x, int y) {
  const Surface* s = WindowSurface(top);
  if (!s || x < 0 || y < 0 || x >= s->width || y >= s->height) return CLR_INVALID;
  std::uint32_t p = reinterpret_cast<const std::uint32_t*>(s->Row(y))[x];
  return RGB(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
}

// Window handles are table entries with a generation: the handle of a
// destroyed window fails every call even once a new window sits in its
// slot, and the special insert-after and target values are never windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/LastError.h"
#include "tests/platform/user/WindowTestSupport.h"

namespace {

std::uintptr_t WndHtBits(HWND h) { return reinterpret_cast<std::uintptr_t>(h); }

struct TWndHtCall {
  const char* name;
  std::function<LONG_PTR(HWND)> call;
  LONG_PTR failed;  // what the call gives for a handle that is not a window
};

std::vector<TWndHtCall> WndHtCalls() {
  return {
      {"IsWindow", [](HWND h) { return LONG_PTR(IsWindow(h)); }, FALSE},
      {"SendMessage", [](HWND h) { return LONG_PTR(SendMessage(h, WM_USER, 7, 9)); }, 0},
      {"PostMessage", [](HWND h) { return LONG_PTR(PostMessage(h, WM_USER, 7, 9)); }, FALSE},
      {"GetWindowLong", [](HWND h) { return GetWindowLong(h, GWLP_USERDATA); }, 0},
      {"SetWindowLong", [](HWND h) { return SetWindowLongPtr(h, GWLP_USERDATA, 555); }, 0},
      {"SetWindowText", [](HWND h) { return LONG_PTR(SetWindowText(h, "stale")); }, FALSE},
      {"ShowWindow", [](HWND h) { return LONG_PTR(ShowWindow(h, SW_HIDE)); }, FALSE},
      {"SetWindowPos",
       [](HWND h) { return LONG_PTR(SetWindowPos(h, HWND_TOP, 1, 1, 5, 5, SWP_NOACTIVATE | SWP_NOZORDER)); }, FALSE},
      {"DestroyWindow", [](HWND h) { return LONG_PTR(DestroyWindow(h)); }, FALSE},
  };
}

TEST_F(WindowTest, HandleCarriesTheWindowKindInItsTopBits) {
  HWND a = Make("a", WS_POPUP, 0, 0, 20, 20);
  HWND b = Make("b", WS_CHILD, 0, 0, 5, 5, a);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(WndHtBits(a) >> 28, 12u);
  EXPECT_EQ(WndHtBits(b) >> 28, 12u);
  EXPECT_LE(WndHtBits(a), 0xFFFFFFFFu);
  EXPECT_EQ(GetParent(b), a);
}

TEST_F(WindowTest, StaleHandleFailsEverywhereOnceItsSlotHoldsANewWindow) {
  HWND parent = Make("parent", WS_POPUP, 0, 0, 50, 50);
  ASSERT_NE(parent, nullptr);
  HWND stale = Make("old", WS_CHILD, 0, 0, 10, 10, parent);
  ASSERT_NE(stale, nullptr);
  ASSERT_TRUE(DestroyWindow(stale));

  // New windows until one takes the freed slot; the others stay alive so
  // every window made is new.
  std::vector<HWND> made;
  HWND reused = nullptr;
  for (int i = 0; i < 0x10000 && !reused; ++i) {
    HWND h = CreateWindowEx(0, "TestWnd", "new", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    if ((WndHtBits(h) & 0xFFFF) == (WndHtBits(stale) & 0xFFFF)) reused = h;
    else made.push_back(h);
  }
  ASSERT_NE(reused, nullptr);
  ASSERT_NE(reused, stale);
  ASSERT_EQ(SetWindowLongPtr(reused, GWLP_USERDATA, 4321), 0);
  TRecorder::Get().names[reused] = "live";
  ClearLog();

  for (const TWndHtCall& c : WndHtCalls()) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(c.call(stale), c.failed);
    // IsWindow answers a question; the calls that act report the bad handle.
    if (std::string(c.name) != "IsWindow") {
      EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    }
  }
  Pump();

  // The window in the slot heard nothing and kept its state.
  EXPECT_EQ(Trace({WM_USER, WM_SETTEXT, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_DESTROY}), Strings{});
  EXPECT_TRUE(IsWindow(reused));
  EXPECT_EQ(GetWindowLongPtr(reused, GWLP_USERDATA), 4321);
  char text[16] = {};
  EXPECT_EQ(GetWindowText(reused, text, sizeof text), 3);
  EXPECT_STREQ(text, "new");
  RECT r{};
  ASSERT_TRUE(GetWindowRect(reused, &r));
  EXPECT_EQ(r.Width(), 10);
  EXPECT_EQ(GetParent(reused), parent);
}

TEST_F(WindowTest, SpecialHandleValuesAreNeverWindows) {
  HWND a = Make("a", WS_POPUP, 0, 0, 20, 20);
  HWND b = Make("b", WS_POPUP, 0, 0, 20, 20);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  const std::pair<const char*, HWND> values[] = {
      {"HWND_BOTTOM", HWND_BOTTOM},       {"HWND_TOPMOST", HWND_TOPMOST},
      {"HWND_NOTOPMOST", HWND_NOTOPMOST}, {"HWND_MESSAGE", HWND_MESSAGE},
      {"HWND_BROADCAST", HWND_BROADCAST}, {"a brush", reinterpret_cast<HWND>(brush)},
  };
  for (const auto& [name, h] : values) {
    SCOPED_TRACE(name);
    SetLastError(0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(GetWindowLong(h, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  }
  DeleteObject(brush);

  // As insert-after values they keep their meaning.
  ASSERT_TRUE(SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_EQ(GetWindow(b, GW_HWNDLAST), a);
  ASSERT_TRUE(SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_EQ(GetWindow(b, GW_HWNDFIRST), a);
}

}  // namespace

#include <gtest/gtest.h>

#include "imaging/core/vqzutils.h"
#include "imaging/core/vqzutils_window.h"
#include "platform/user/User.h"

namespace {

HWND hooked = nullptr;
void RecordHook(HWND w) { hooked = w; }

HWND MakeWindow(int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "VqzUtilsWindowTest";
    RegisterClass(&wc);
    registered = true;
  }
  return CreateWindowEx(0, "VqzUtilsWindowTest", "dialog", WS_POPUP, 7, 9, w, h, nullptr, nullptr, nullptr, nullptr);
}

TEST(PlaceDialog, CentresAcrossAndAThirdDown) {
  PlaceDialogHook = nullptr;
  HWND w = MakeWindow(400, 300);
  ASSERT_NE(w, nullptr);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_EQ(sw, 1280);
  ASSERT_EQ(sh, 1024);
  PlaceDialogOnScreen(w);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(w, &r));
  EXPECT_EQ(r.Left, 440);  // (1280 - 400) div 2
  EXPECT_EQ(r.Top, 241);   // (1024 - 300) div 3
  EXPECT_EQ(r.Width(), 400);
  EXPECT_EQ(r.Height(), 300);
  DestroyWindow(w);
}

TEST(PlaceDialog, TheHookTakesOver) {
  HWND w = MakeWindow(100, 100);
  PlaceDialogHook = RecordHook;
  PlaceDialogOnScreen(w);
  EXPECT_EQ(hooked, w);
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.Left, 7);
  EXPECT_EQ(r.Top, 9);
  // The utilities module's start clears the hook.
  VqzUtilsStart();
  EXPECT_EQ(PlaceDialogHook, nullptr);
  VqzUtilsEnd();
  DestroyWindow(w);
}

TEST(PlaceDialog, NoSessionIsRemoteHere) { EXPECT_FALSE(IsRemoteSession()); }

}  // namespace

// Notification-area icons through the window layer's Shell_NotifyIcon on the
// headless display: adding, changing and removing, which fields a change
// touches, the tip's length, clicks back as the callback message, and the
// area restarting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/user/User.h"
#include "platform/user/system/NotifyIcon.h"

namespace {

std::vector<MSG> g_notifySeen;

LRESULT NotifyTestProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  g_notifySeen.push_back(MSG{h, m, wp, lp, 0, {}});
  return DefWindowProc(h, m, wp, lp);
}

class HeadlessNotifyIconTest : public ::testing::Test {
 protected:
  THeadlessSession session;
  THeadlessDisplay& display = session.display;
  HWND window = nullptr;

  void SetUp() override {
    WNDCLASS wc;
    wc.lpfnWndProc = NotifyTestProc;
    wc.lpszClassName = "NotifyTestWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    window = CreateWindowEx(0, "NotifyTestWnd", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_notifySeen.clear();
  }
  void TearDown() override {
    DestroyWindow(window);
    display.RunUntilIdle();
    UnregisterClass("NotifyTestWnd", nullptr);
  }
  NOTIFYICONDATAA Data(UINT flags, const std::string& tip = "", UINT callback = 0x0800) const {
    NOTIFYICONDATAA d;
    d.hWnd = window;
    d.uID = 7;
    d.uFlags = flags;
    d.uCallbackMessage = callback;
    std::memcpy(d.szTip, tip.data(), std::min<std::size_t>(tip.size(), sizeof(d.szTip)));
    return d;
  }
};

TEST_F(HeadlessNotifyIconTest, AddChangeAndRemoveWithTheFieldsEachCallNames) {
  NOTIFYICONDATAA add = Data(NIF_MESSAGE | NIF_TIP, "first");
  EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, &add));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &add));  // already there
  ASSERT_EQ(display.TrayIcons.size(), 1u);
  EXPECT_EQ(display.TrayIcons[0].tip, "first");
  // A change of the tip alone keeps the callback message.
  NOTIFYICONDATAA tip = Data(NIF_TIP, "second", 0x1234);
  EXPECT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &tip));
  EXPECT_EQ(display.TrayIcons[0].tip, "second");
  EXPECT_EQ(display.TrayIcons[0].callbackMessage, 0x0800u);
  // A full 128-byte tip without its NUL is read as 127 characters.
  NOTIFYICONDATAA full = Data(NIF_TIP, std::string(128, 't'));
  EXPECT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &full));
  EXPECT_EQ(display.TrayIcons[0].tip.size(), 127u);
  EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &add));
  EXPECT_TRUE(display.TrayIcons.empty());
  EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &add));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &tip));
  EXPECT_EQ(display.TrayLog, (std::vector<std::string>{"add 7", "modify 7", "modify 7", "delete 7"}));
}

TEST_F(HeadlessNotifyIconTest, WithoutANotificationAreaAddingFails) {
  display.TrayAvailable = false;
  NOTIFYICONDATAA add = Data(NIF_MESSAGE);
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &add));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &add));
  display.TrayAvailable = true;
  EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, &add));
  Shell_NotifyIcon(NIM_DELETE, &add);
}

TEST_F(HeadlessNotifyIconTest, ClicksComeBackAsTheCallbackMessageAndARestartIsAnnounced) {
  NOTIFYICONDATAA add = Data(NIF_MESSAGE);
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &add));
  EXPECT_TRUE(display.TrayMouse(window, 7, WM_RBUTTONUP));
  EXPECT_FALSE(display.TrayMouse(window, 8, WM_RBUTTONUP));
  display.RunUntilIdle();
  ASSERT_FALSE(g_notifySeen.empty());
  const MSG& m = g_notifySeen.back();
  EXPECT_EQ(m.message, 0x0800u);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(UINT(m.lParam), UINT(WM_RBUTTONUP));
  g_notifySeen.clear();
  display.TrayRestart();
  const UINT created = RegisterWindowMessage(kTaskbarCreatedMessage);
  EXPECT_TRUE(std::any_of(g_notifySeen.begin(), g_notifySeen.end(), [&](const MSG& s) { return s.message == created; }));
  // The area forgot the icon: it can be added again.
  EXPECT_TRUE(display.TrayIcons.empty());
  EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, &add));
  Shell_NotifyIcon(NIM_DELETE, &add);
}

}  // namespace

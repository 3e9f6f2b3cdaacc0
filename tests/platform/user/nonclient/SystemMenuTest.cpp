// The window menu: its standard items and their states by style and window
// state, the program's changes to it, the messages around opening it, where
// it opens, and the chosen command arriving after the loop.
#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

// "R+" Restore enabled, "M." Move grayed, "-" separator; C Close, * default.
std::string Describe(HMENU m) {
  std::string out;
  for (int i = 0; i < GetMenuItemCount(m); ++i) {
    const UINT state = GetMenuState(m, UINT(i), MF_BYPOSITION);
    if (state & MF_SEPARATOR) {
      out += "- ";
      continue;
    }
    switch (WPARAM(GetMenuItemID(m, i))) {
      case SC_RESTORE: out += 'R'; break;
      case SC_MOVE: out += 'M'; break;
      case SC_SIZE: out += 'S'; break;
      case SC_MINIMIZE: out += 'N'; break;
      case SC_MAXIMIZE: out += 'X'; break;
      case SC_CLOSE: out += 'C'; break;
      default: out += '?';
    }
    out += (state & (MF_GRAYED | MF_DISABLED)) ? '.' : '+';
    if (state & MF_DEFAULT) out += '*';
    out += ' ';
  }
  return out;
}

// Records what the tracker was shown, answers with a command.
struct TFakeTracker {
  std::string items;
  POINT at{};
  bool byKeyboard = false;
  int calls = 0;
  UINT answer = 0;
  size_t logSizeAtCall = 0;
};

class SystemMenuTest : public WindowTest {
 protected:
  TFakeTracker fake;
  void SetUp() override {
    WindowTest::SetUp();
    SetWindowMenuTracker([this](HWND, HMENU m, POINT at, bool keyboard) -> UINT {
      fake.items = Describe(m);
      fake.at = at;
      fake.byKeyboard = keyboard;
      ++fake.calls;
      fake.logSizeAtCall = TRecorder::Get().log.size();
      return fake.answer;
    });
  }
  void TearDown() override {
    SetWindowMenuTracker(nullptr);
    WindowTest::TearDown();
  }
};

struct TStateCase {
  const char* name;
  DWORD style;
  const char* items;
};

TEST_F(SystemMenuTest, StandardItemsFollowStyleAndState) {
  constexpr DWORD kFrame = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
  const TStateCase cases[] = {
      {"sizable with both boxes", kFrame | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
       "R. M+ S+ N+ X+ - C+* "},
      {"maximized", kFrame | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_MAXIMIZE, "R+ M. S. N+ X. - C+* "},
      {"minimized", kFrame | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_MINIMIZE, "R+ M+ S. N. X+ - C+* "},
      {"fixed frame, minimize box only", kFrame | WS_MINIMIZEBOX, "R. M+ S. N+ X. - C+* "},
      // A dialog is only moved and closed; a sizable one also sized.
      {"dialog", kFrame | WS_DLGFRAME, "M+ - C+* "},
      {"sizable dialog", kFrame | WS_THICKFRAME, "M+ S+ - C+* "},
  };
  for (const TStateCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", c.style, 100, 100, 200, 150);
    Pump();
    SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
    EXPECT_EQ(fake.items, c.items);
    DestroyWindow(w);
  }
}

TEST_F(SystemMenuTest, OpeningSendsInitMessagesAndPostsTheChosenCommandAfterTheLoop) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 100, 100, 200, 150);
  Pump();
  HMENU menu = GetSystemMenu(w, FALSE);
  ASSERT_TRUE(IsMenu(menu));
  // The program turns Move off whenever the menu opens.
  Handle(w, [&](HWND, UINT m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
    if (m == WM_INITMENUPOPUP) EnableMenuItem(reinterpret_cast<HMENU>(wp), UINT(SC_MOVE), MF_BYCOMMAND | MF_GRAYED);
    if (m == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_MINIMIZE) handled = true;
    return 0;
  });
  ClearLog();
  fake.answer = UINT(SC_MINIMIZE);
  SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
  ASSERT_EQ(fake.calls, 1);
  EXPECT_TRUE(fake.byKeyboard);
  EXPECT_EQ(fake.items, "R. M. S. N+ X. - C+* ");
  const std::vector<TLogEntry> before(TRecorder::Get().log.begin(),
                                      TRecorder::Get().log.begin() + std::ptrdiff_t(fake.logSizeAtCall));
  // The loop is entered first (not a TrackPopupMenu: wParam FALSE), then
  // the menu prepared.
  ASSERT_EQ(before.size(), 4u);
  EXPECT_EQ(before[1].msg, WM_ENTERMENULOOP);
  EXPECT_EQ(before[1].wp, WPARAM(FALSE));
  EXPECT_EQ(before[2].msg, WM_INITMENU);
  EXPECT_EQ(before[2].wp, reinterpret_cast<WPARAM>(menu));
  EXPECT_EQ(before[3].msg, WM_INITMENUPOPUP);
  EXPECT_EQ(before[3].wp, reinterpret_cast<WPARAM>(menu));
  EXPECT_EQ(before[3].lp, MAKELPARAM(0, TRUE));
  // Left once the menu has closed, before the command arrives.
  const auto exits = TRecorder::Get().Of(w, WM_EXITMENULOOP);
  ASSERT_EQ(exits.size(), 1u);
  EXPECT_EQ(exits[0].wp, WPARAM(FALSE));
  // Posted: nothing yet until the queue runs.
  EXPECT_EQ(TRecorder::Get().Of(w, WM_SYSCOMMAND).size(), 1u);
  Pump();
  auto commands = TRecorder::Get().Of(w, WM_SYSCOMMAND);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].wp, SC_MINIMIZE);
  EXPECT_EQ(commands[1].lp, 0);  // chosen by keyboard

  // Nothing chosen: no command. Without WS_SYSMENU the menu never opens.
  ClearLog();
  fake.answer = 0;
  SendMessage(w, WM_SYSCOMMAND, SC_MOUSEMENU | WPARAM(HTSYSMENU), 0);
  Pump();
  EXPECT_EQ(fake.calls, 2);
  EXPECT_FALSE(fake.byKeyboard);
  EXPECT_EQ(TRecorder::Get().Of(w, WM_SYSCOMMAND).size(), 1u);
  SetWindowLong(w, GWL_STYLE, GetWindowLong(w, GWL_STYLE) & ~LONG(WS_SYSMENU));
  SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
  EXPECT_EQ(fake.calls, 2);
}

TEST_F(SystemMenuTest, ProgramChangesStayUntilReverted) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX, 100, 100, 200,
                150);
  HMENU menu = GetSystemMenu(w, FALSE);
  EXPECT_EQ(GetSystemMenu(w, FALSE), menu);
  // Close turned off stays off; Maximize turned off is set again from the style.
  EXPECT_EQ(EnableMenuItem(menu, UINT(SC_CLOSE), MF_BYCOMMAND | MF_GRAYED), BOOL(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(menu, UINT(SC_MAXIMIZE), MF_BYCOMMAND | MF_GRAYED), BOOL(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(menu, 0x1234, MF_BYCOMMAND | MF_GRAYED), -1);
  EXPECT_TRUE(DeleteMenu(menu, UINT(SC_SIZE), MF_BYCOMMAND));
  EXPECT_FALSE(DeleteMenu(menu, UINT(SC_SIZE), MF_BYCOMMAND));
  EXPECT_TRUE(AppendMenu(menu, MF_STRING, 0x0110, "&About"));
  char text[16];
  EXPECT_EQ(GetMenuString(menu, UINT(SC_CLOSE), text, 5, MF_BYCOMMAND), 4);
  EXPECT_STREQ(text, "&Clo");
  SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
  EXPECT_EQ(fake.items, "R. M+ N. X+ - C.* ?+ ");
  // Reverting drops the copy: the old handle is gone, the standard one is back.
  EXPECT_EQ(GetSystemMenu(w, TRUE), nullptr);
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_EQ(GetMenuItemCount(menu), -1);
  SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
  EXPECT_EQ(fake.items, "R. M+ S+ N. X+ - C+* ");
  HMENU again = GetSystemMenu(w, FALSE);
  DestroyWindow(w);
  EXPECT_FALSE(IsMenu(again));
}

struct TAnchorCase {
  const char* name;
  DWORD style;
  DWORD ex;
  bool child;
  POINT at;  // expected screen point
};

TEST_F(SystemMenuTest, OpensBelowTheCaptionAtTheLeft) {
  HWND parent = Make("p", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
  const int frame = GetSystemMetrics(SM_CXFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
  const int dlg = GetSystemMetrics(SM_CXDLGFRAME);
  const TAnchorCase cases[] = {
      // The window manager draws a plain window's caption: the client's corner.
      {"top-level", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 0, false, POINT{50, 60}},
      {"child frame", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, true,
       POINT{110 + frame, 120 + frame + caption}},
      {"child dialog frame", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, 0, true,
       POINT{110 + dlg, 120 + dlg + caption}},
  };
  for (const TAnchorCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = c.child ? Make("c", c.style, 10, 20, 200, 150, parent, c.ex) : Make("w", c.style, 50, 60, 200, 150);
    Pump();
    SendMessage(w, WM_SYSCOMMAND, SC_MOUSEMENU | WPARAM(HTSYSMENU), 0);
    EXPECT_EQ(fake.at, c.at);
    DestroyWindow(w);
  }
}

TEST_F(SystemMenuTest, AltSpaceOpensTheTopLevelWindowsMenu) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 100, 100, 200, 150);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, w);
  Pump();
  SetFocus(c);
  Pump();
  fake.answer = UINT(SC_CLOSE);
  InputKey(VK_MENU, true);
  InputKey(VK_SPACE, true);
  InputKey(VK_SPACE, false);
  InputKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(fake.calls, 1);
  EXPECT_TRUE(fake.byKeyboard);
  EXPECT_FALSE(IsWindow(w));
}

}  // namespace

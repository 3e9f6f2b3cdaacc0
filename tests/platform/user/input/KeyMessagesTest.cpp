// Key messages as Windows sends them: menu keys through WM_SYSCHAR and
// SC_KEYMENU, Alt's release after another key, and the set-1 scan code and
// extended bit each key carries in lParam.
#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

std::string Describe(const TLogEntry& e) {
  std::string s = TRecorder::MessageName(e.msg) + " " + std::to_string(e.wp);
  if (e.msg == WM_SYSCOMMAND) s += " " + std::to_string(e.lp);
  return s;
}

std::vector<std::string> KeyTrace() {
  std::vector<std::string> out;
  for (const TLogEntry& e : TRecorder::Get().log)
    if (e.msg == WM_KEYDOWN || e.msg == WM_KEYUP || e.msg == WM_SYSKEYDOWN || e.msg == WM_SYSKEYUP ||
        e.msg == WM_CHAR || e.msg == WM_SYSCHAR || e.msg == WM_SYSCOMMAND)
      out.push_back(Describe(e));
  return out;
}

struct TKeyStep {
  int vk;
  bool down;
};

struct TSequenceCase {
  const char* name;
  std::vector<TKeyStep> keys;
  std::vector<std::string> messages;
};

TEST_F(WindowTest, MenuKeySequences) {
  const std::string sc = std::to_string(SC_KEYMENU);
  const TSequenceCase cases[] = {
      {"Alt+F: the character reaches SC_KEYMENU",
       {{VK_MENU, true}, {'F', true}, {'F', false}, {VK_MENU, false}},
       {"SYSKEYDOWN 18", "SYSKEYDOWN 70", "SYSCHAR 102", "SYSCOMMAND " + sc + " 102", "SYSKEYUP 70", "KEYUP 18"}},
      {"a bare Alt tap",
       {{VK_MENU, true}, {VK_MENU, false}},
       {"SYSKEYDOWN 18", "SYSKEYUP 18", "SYSCOMMAND " + sc + " 0"}},
      {"Alt let go before the letter",
       {{VK_MENU, true}, {'F', true}, {VK_MENU, false}, {'F', false}},
       {"SYSKEYDOWN 18", "SYSKEYDOWN 70", "SYSCHAR 102", "SYSCOMMAND " + sc + " 102", "KEYUP 18", "KEYUP 70"}},
      {"Alt+Shift: the shift counts as another key",
       {{VK_MENU, true}, {VK_SHIFT, true}, {VK_SHIFT, false}, {VK_MENU, false}},
       {"SYSKEYDOWN 18", "SYSKEYDOWN 16", "SYSKEYUP 16", "KEYUP 18"}},
      {"a second tap after Alt+F is a tap again",
       {{VK_MENU, true}, {'F', true}, {'F', false}, {VK_MENU, false}, {VK_MENU, true}, {VK_MENU, false}},
       {"SYSKEYDOWN 18", "SYSKEYDOWN 70", "SYSCHAR 102", "SYSCOMMAND " + sc + " 102", "SYSKEYUP 70", "KEYUP 18",
        "SYSKEYDOWN 18", "SYSKEYUP 18", "SYSCOMMAND " + sc + " 0"}},
      {"Alt+Tab belongs to the switcher",
       {{VK_MENU, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_MENU, false}},
       {"SYSKEYDOWN 18", "SYSKEYDOWN 9", "SYSCHAR 9", "SYSKEYUP 9", "KEYUP 18"}},
  };
  for (const TSequenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND child = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
    SetFocus(child);
    Pump();
    ClearLog();
    for (const TKeyStep& k : c.keys) InputKey(k.vk, k.down);
    Pump();
    EXPECT_EQ(KeyTrace(), c.messages);
    // The menu command goes to the frame, never to the focused child.
    EXPECT_TRUE(TRecorder::Get().Of(child, WM_SYSCOMMAND).empty());
    DestroyWindow(p);
  }
}

TEST_F(WindowTest, AltReleaseAfterAnotherKeyCarriesNoAltBit) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  Pump();
  ClearLog();
  InputKey(VK_MENU, true);
  InputKey('F', true);
  InputKey('F', false);
  InputKey(VK_MENU, false);
  Pump();
  auto ups = TRecorder::Get().Of(w, WM_KEYUP);
  ASSERT_EQ(ups.size(), 1u);
  // Reading chosen: a WM_KEYUP has context code 0, as every plain key-up.
  EXPECT_EQ(DWORD(ups[0].lp), 0xC0380001u);
  auto sysUp = TRecorder::Get().Of(w, WM_SYSKEYUP);
  ASSERT_EQ(sysUp.size(), 1u);
  EXPECT_EQ(DWORD(sysUp[0].lp), 0xE0210001u);  // F with Alt still held
}

// Alt+Tab: the window manager takes the keyboard at Tab, so Alt's release
// goes to it; on getting activation back the display reports what is down.
TEST_F(WindowTest, KeysLetGoElsewhereAreReleasedSilentlyOnSync) {
  struct TCase {
    const char* name;
    std::vector<int> held;      // pressed here, never released here
    std::vector<int> stillDown; // what the keyboard reports at the sync
    std::vector<std::string> messages;  // from the sync and typing F
  };
  const TCase cases[] = {
      {"Alt let go during Alt+Tab", {VK_MENU}, {}, {"KEYDOWN 70", "CHAR 102", "KEYUP 70"}},
      {"Shift still held", {VK_MENU, VK_SHIFT}, {VK_SHIFT}, {"KEYDOWN 70", "CHAR 70", "KEYUP 70"}},
      {"right Ctrl let go", {VK_RCONTROL}, {}, {"KEYDOWN 70", "CHAR 102", "KEYUP 70"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    Pump();
    for (int vk : c.held) InputKey(vk, true);
    Pump();
    ClearLog();
    std::vector<std::pair<int, TKeyCode>> down;
    for (int vk : c.stillDown) down.emplace_back(vk, DefaultKeyCode(vk));
    InputSyncKeys(down);
    InputKey('F', true);
    InputKey('F', false);
    Pump();
    EXPECT_EQ(KeyTrace(), c.messages);
    EXPECT_FALSE(GetKeyState(VK_MENU) & 0x8000);
    EXPECT_FALSE(GetAsyncKeyState(VK_MENU) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_RCONTROL) & 0x8000);
    for (int vk : c.stillDown) EXPECT_TRUE(GetKeyState(vk) & 0x8000) << vk;
    for (int vk : c.stillDown) InputKey(vk, false);
    Pump();
    DestroyWindow(w);
  }
}

struct TScanCase {
  const char* name;
  int vk;           // what the back end hands in
  bool explicitCode;
  TKeyCode code;    // when explicit
  int messageVk;    // wParam of the message
  DWORD downLp;     // lParam of the key-down
};

TEST_F(WindowTest, KeysCarryTheirScanCodeAndExtendedBit) {
  const TScanCase cases[] = {
      {"letter", 'A', false, {}, 'A', 0x001E0001u},
      {"digit", '7', false, {}, '7', 0x00080001u},
      {"Escape", VK_ESCAPE, false, {}, VK_ESCAPE, 0x00010001u},
      {"F12", VK_F12, false, {}, VK_F12, 0x00580001u},
      {"space", VK_SPACE, false, {}, VK_SPACE, 0x00390001u},
      {"left arrow", VK_LEFT, false, {}, VK_LEFT, 0x014B0001u},
      {"up arrow", VK_UP, false, {}, VK_UP, 0x01480001u},
      {"Insert", VK_INSERT, false, {}, VK_INSERT, 0x01520001u},
      {"Delete", VK_DELETE, false, {}, VK_DELETE, 0x01530001u},
      {"Home", VK_HOME, false, {}, VK_HOME, 0x01470001u},
      {"End", VK_END, false, {}, VK_END, 0x014F0001u},
      {"Page Up", VK_PRIOR, false, {}, VK_PRIOR, 0x01490001u},
      {"Page Down", VK_NEXT, false, {}, VK_NEXT, 0x01510001u},
      {"keypad Divide", VK_DIVIDE, false, {}, VK_DIVIDE, 0x01350001u},
      {"keypad 8", VK_NUMPAD0 + 8, false, {}, VK_NUMPAD0 + 8, 0x00480001u},
      {"keypad Multiply", VK_MULTIPLY, false, {}, VK_MULTIPLY, 0x00370001u},
      {"Enter", VK_RETURN, false, {}, VK_RETURN, 0x001C0001u},
      {"keypad Enter", VK_RETURN, true, {0x1C, true}, VK_RETURN, 0x011C0001u},
      {"keypad arrow, Num Lock off", VK_UP, true, {0x48, false}, VK_UP, 0x00480001u},
      {"left Ctrl", VK_CONTROL, false, {}, VK_CONTROL, 0x001D0001u},
      {"right Ctrl by its key", VK_RCONTROL, false, {}, VK_CONTROL, 0x011D0001u},
      {"right Ctrl by its code", VK_CONTROL, true, {0x1D, true}, VK_CONTROL, 0x011D0001u},
      {"left Shift", VK_SHIFT, false, {}, VK_SHIFT, 0x002A0001u},
      {"right Shift", VK_RSHIFT, false, {}, VK_SHIFT, 0x00360001u},
      {"right Alt", VK_RMENU, false, {}, VK_MENU, 0x21380001u},
      {"OEM comma", 0xBC, false, {}, 0xBC, 0x00330001u},
  };
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  SetFocus(w);
  Pump();
  for (const TScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLog();
    if (c.explicitCode) {
      InputKeyCode(c.vk, true, c.code);
      InputKeyCode(c.vk, false, c.code);
    } else {
      InputKey(c.vk, true);
      InputKey(c.vk, false);
    }
    Pump();
    std::vector<TLogEntry> msgs;
    for (const TLogEntry& e : TRecorder::Get().log)
      if (e.msg >= WM_KEYDOWN && e.msg <= WM_SYSKEYUP && e.msg != WM_CHAR && e.msg != WM_SYSCHAR) msgs.push_back(e);
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].wp, WPARAM(c.messageVk));
    EXPECT_EQ(DWORD(msgs[0].lp), c.downLp);
    // The key-up: same key, previous state and transition bits set.
    EXPECT_EQ(DWORD(msgs[1].lp), (c.downLp | 0xC0000000u) & ~(c.messageVk == VK_MENU ? 0u : 0x20000000u));
  }
}

TEST_F(WindowTest, SidesOfAModifierKeepTheGenericKeyDown) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  SetFocus(w);
  Pump();
  InputKey(VK_LCONTROL, true);
  InputKey(VK_RCONTROL, true);
  InputKey(VK_LCONTROL, false);
  Pump();
  EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
  EXPECT_TRUE(GetKeyState(VK_RCONTROL) & 0x8000);
  EXPECT_FALSE(GetKeyState(VK_LCONTROL) & 0x8000);
  InputKey(VK_RCONTROL, false);
  Pump();
  EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
  EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
}

TEST_F(WindowTest, ScanCodesMapBackToTheirKeys) {
  EXPECT_EQ(MapVirtualKey(VK_LEFT, MAPVK_VK_TO_VSC), 0x4Bu);
  EXPECT_EQ(MapVirtualKey(VK_RSHIFT, MAPVK_VK_TO_VSC), 0x36u);
  EXPECT_EQ(MapVirtualKey(0x36, MAPVK_VSC_TO_VK), UINT(VK_SHIFT));
  EXPECT_EQ(MapVirtualKey(0x1D, MAPVK_VSC_TO_VK), UINT(VK_CONTROL));
  EXPECT_EQ(MapVirtualKey(0x35, MAPVK_VSC_TO_VK), 0xBFu);
  EXPECT_EQ(MapVirtualKey(0x1E, MAPVK_VSC_TO_VK), UINT('A'));
  EXPECT_EQ(MapVirtualKey(0, MAPVK_VSC_TO_VK), 0u);
}

// One table behind TranslateMessage: the character (and message) a key
// makes with each set of modifiers, carrying the key-down's full lParam.
TEST_F(WindowTest, TranslationFollowsTheKeyboardTable) {
  struct TCase {
    const char* name;
    std::vector<int> modifiers;
    int vk;
    UINT msg;  // 0: no character at all
    UINT ch;
  };
  const TCase cases[] = {
      {"minus", {}, VK_OEM_MINUS, WM_CHAR, '-'},
      {"Shift+minus", {VK_SHIFT}, VK_OEM_MINUS, WM_CHAR, '_'},
      {"comma", {}, VK_OEM_COMMA, WM_CHAR, ','},
      {"Shift+quote", {VK_SHIFT}, VK_OEM_7, WM_CHAR, '"'},
      {"keypad plus", {}, VK_ADD, WM_CHAR, '+'},
      {"keypad 7", {}, VK_NUMPAD0 + 7, WM_CHAR, '7'},
      {"Ctrl+minus", {VK_CONTROL}, VK_OEM_MINUS, 0, 0},
      {"Ctrl+equals", {VK_CONTROL}, VK_OEM_PLUS, 0, 0},
      {"Ctrl+keypad minus", {VK_CONTROL}, VK_SUBTRACT, 0, 0},
      {"Ctrl+1", {VK_CONTROL}, '1', 0, 0},
      {"Ctrl+[ is Esc", {VK_CONTROL}, VK_OEM_4, WM_CHAR, 0x1B},
      {"Ctrl+backslash", {VK_CONTROL}, VK_OEM_5, WM_CHAR, 0x1C},
      {"Ctrl+Shift+minus", {VK_CONTROL, VK_SHIFT}, VK_OEM_MINUS, WM_CHAR, 0x1F},
      {"Ctrl+Enter", {VK_CONTROL}, VK_RETURN, WM_CHAR, '\n'},
      {"Ctrl+A", {VK_CONTROL}, 'A', WM_CHAR, 1},
      {"Alt+minus", {VK_MENU}, VK_OEM_MINUS, WM_SYSCHAR, '-'},
      {"Alt+comma", {VK_MENU}, VK_OEM_COMMA, WM_SYSCHAR, ','},
      {"Alt+F", {VK_MENU}, 'F', WM_SYSCHAR, 'f'},
      {"Ctrl+Alt+minus", {VK_CONTROL, VK_MENU}, VK_OEM_MINUS, 0, 0},
  };
  HWND w = Make("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100);
  SetFocus(w);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Pump();
    ClearLog();
    for (int m : c.modifiers) InputKey(m, true);
    InputKey(c.vk, true);
    InputKey(c.vk, false);
    for (auto it = c.modifiers.rbegin(); it != c.modifiers.rend(); ++it) InputKey(*it, false);
    Pump();
    std::vector<TLogEntry> chars = TRecorder::Get().Of(w, WM_CHAR), sys = TRecorder::Get().Of(w, WM_SYSCHAR);
    std::vector<TLogEntry> down = TRecorder::Get().Of(w, c.modifiers == std::vector<int>{VK_MENU} ? WM_SYSKEYDOWN : WM_KEYDOWN);
    if (!c.msg) {
      EXPECT_TRUE(chars.empty() && sys.empty());
      continue;
    }
    const std::vector<TLogEntry>& got = c.msg == WM_CHAR ? chars : sys;
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE((c.msg == WM_CHAR ? sys : chars).empty());
    EXPECT_EQ(got[0].wp, WPARAM(c.ch));
    ASSERT_FALSE(down.empty());
    EXPECT_EQ(got[0].lp, down.back().lp) << "the key-down's repeat count, scan code and flags";
    EXPECT_NE((got[0].lp >> 16) & 0xFF, 0) << "a scan code";
  }
}

TEST_F(WindowTest, VirtualKeysMapToTheirUnshiftedCharacter) {
  EXPECT_EQ(MapVirtualKey('A', MAPVK_VK_TO_CHAR), UINT('A'));
  EXPECT_EQ(MapVirtualKey(VK_OEM_MINUS, MAPVK_VK_TO_CHAR), UINT('-'));
  EXPECT_EQ(MapVirtualKey(VK_OEM_2, MAPVK_VK_TO_CHAR), UINT('/'));
  EXPECT_EQ(MapVirtualKey(VK_MULTIPLY, MAPVK_VK_TO_CHAR), UINT('*'));
  EXPECT_EQ(MapVirtualKey(VK_DIVIDE, MAPVK_VK_TO_CHAR), UINT('/'));
  EXPECT_EQ(MapVirtualKey(VK_F1, MAPVK_VK_TO_CHAR), 0u);
  EXPECT_EQ(MapVirtualKey(VK_LEFT, MAPVK_VK_TO_CHAR), 0u);
}

}  // namespace

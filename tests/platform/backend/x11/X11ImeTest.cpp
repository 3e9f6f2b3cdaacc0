// The preedit callbacks' bookkeeping, and their way into the window layer,
// without an input method: the callbacks are called as one would call them.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/user/input/Ime.h"
#include "platform/user/User.h"

#include "platform/backend/x11/X11State.h"

namespace {

// A draw whose text is wide characters (the locale-free encoding). It
// points into itself, so it is never copied.
struct TDraw {
  std::wstring chars;
  XIMText text{};
  XIMPreeditDrawCallbackStruct d{};
  TDraw(int caret, int first, int length, const wchar_t* s, bool withString = true) : chars(s ? s : L"") {
    d.caret = caret;
    d.chg_first = first;
    d.chg_length = length;
    if (!s) return;  // a deletion: no text at all
    text.length = static_cast<unsigned short>(chars.size());
    text.encoding_is_wchar = True;
    text.string.wide_char = withString ? chars.data() : nullptr;
    d.text = &text;
  }
  TDraw(const TDraw&) = delete;
  TDraw& operator=(const TDraw&) = delete;
};

TEST(X11Ime, PreeditDrawsEditTheTextAndKeepTheCaretInside) {
  struct Case {
    const char* name;
    std::u32string before;
    int caret, first, length;
    const wchar_t* text;  // nullptr: a deletion with no text
    bool withString;      // false: the text changes only looks
    std::u32string after;
    int caretAfter;
  } cases[] = {
      {"first draw", U"", 2, 0, 0, L"ni", true, U"ni", 2},
      {"replace all", U"ni", 1, 0, 2, L"你", true, U"你", 1},
      {"insert in the middle", U"ac", 2, 1, 0, L"b", true, U"abc", 2},
      {"deletion without text", U"abc", 1, 1, 2, nullptr, true, U"a", 1},
      {"looks only: the characters stay", U"abc", 3, 0, 3, L"xyz", false, U"abc", 3},
      {"out of range is clamped", U"ab", 9, 5, 7, L"c", true, U"abc", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDraw draw(c.caret, c.first, c.length, c.text, c.withString);
    std::u32string text = c.before;
    int caret = 0;
    ApplyX11PreeditDraw(text, caret, draw.d);
    EXPECT_EQ(text, c.after);
    EXPECT_EQ(caret, c.caretAfter);
  }
}

TEST(X11Ime, PreeditCaretMovesFollowTheirDirection) {
  const std::u32string t = U"ab cd ef";
  struct Case {
    int from;
    XIMCaretDirection dir;
    int position;
    int to;
  } cases[] = {
      {0, XIMForwardChar, 0, 1},   {0, XIMBackwardChar, 0, 0}, {1, XIMForwardWord, 0, 3},
      {4, XIMBackwardWord, 0, 3},  {3, XIMBackwardWord, 0, 0}, {4, XIMLineStart, 0, 0},
      {4, XIMLineEnd, 0, 8},       {4, XIMAbsolutePosition, 6, 6}, {4, XIMAbsolutePosition, 60, 8},
      {4, XIMCaretUp, 0, 4},       {8, XIMForwardChar, 0, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " dir " << int(c.dir));
    EXPECT_EQ(MoveX11PreeditCaret(t, c.from, c.dir, c.position), c.to);
  }
}

// A focused window recording its composition messages (the text with its
// cursor, "start", "end"), and an X11 state whose native carries a fake
// input context with callbacks, so the callbacks can be called directly.
std::vector<std::string> g_imeSeen;

class X11ImeCallbacks : public ::testing::Test {
 protected:
  THeadlessSession session;
  HWND w = nullptr;
  TX11State state;
  XIC fakeIc = reinterpret_cast<XIC>(&state);  // only compared, never used
  XIM asProcArg = reinterpret_cast<XIM>(fakeIc);
  XPointer me = reinterpret_cast<XPointer>(&state);
  TX11Native* n = nullptr;

  void SetUp() override {
    g_imeSeen.clear();
    WNDCLASS wc;
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == WM_IME_STARTCOMPOSITION) g_imeSeen.push_back("start");
      if (m == WM_IME_ENDCOMPOSITION) g_imeSeen.push_back("end");
      if (m == WM_IME_COMPOSITION && (lp & GCS_COMPSTR)) {
        HIMC himc = ImmGetContext(h);
        g_imeSeen.push_back(ImmCompositionText(himc, GCS_COMPSTR) + "@" +
                         std::to_string(ImmGetCompositionString(himc, GCS_CURSORPOS, nullptr, 0)));
        ImmReleaseContext(h, himc);
        return 0;
      }
      return DefWindowProc(h, m, wp, lp);
    };
    wc.lpszClassName = "X11ImeTestWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    w = CreateWindowEx(0, "X11ImeTestWnd", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                       nullptr);
    SetFocus(w);
    n = &state.natives[1];
    n->hwnd = w;
    n->ic = fakeIc;
    n->icCallbacks = true;
  }
  void TearDown() override {
    state.natives.clear();
    DestroyWindow(w);
    UnregisterClass("X11ImeTestWnd", nullptr);
  }
  void Draw(TDraw& d) { X11PreeditDraw(asProcArg, me, reinterpret_cast<XPointer>(&d.d)); }
};

// The callbacks find their window by its input context and report to the
// window layer, which the headless display delivers here.
TEST_F(X11ImeCallbacks, ReachTheFocusWindowAsComposition) {
  X11PreeditStart(fakeIc, me, nullptr);
  TDraw first(1, 0, 0, L"n");
  Draw(first);
  TDraw second(2, 1, 0, L"i");
  Draw(second);
  XIMPreeditCaretCallbackStruct caret{};
  caret.direction = XIMBackwardChar;
  X11PreeditCaret(asProcArg, me, reinterpret_cast<XPointer>(&caret));
  EXPECT_EQ(caret.position, 1);
  // A draw that clears the preedit, then the end.
  TDraw clear(0, 0, 2, nullptr);
  Draw(clear);
  X11PreeditDone(asProcArg, me, nullptr);
  // A clearing draw after the end is no new composition.
  Draw(clear);
  session.display.RunUntilIdle();
  EXPECT_EQ(g_imeSeen, (std::vector<std::string>{"start", "n@1", "ni@2", "ni@1", "@0", "end"}));
  EXPECT_FALSE(n->composing);
}

// What the input method reports while we reset its context is the
// composition the window layer already finished: none of it gets through,
// and the window's preedit is gone afterwards. The callbacks are called as
// a method would call them from inside Xutf8ResetIC.
TEST_F(X11ImeCallbacks, ResetSwallowsWhatTheyReport) {
  X11PreeditStart(fakeIc, me, nullptr);
  TDraw typed(2, 0, 0, L"ni");
  Draw(typed);
  session.display.RunUntilIdle();
  EXPECT_EQ(g_imeSeen, (std::vector<std::string>{"start", "ni@2"}));
  // The window layer ends its composition, then has the back end reset.
  g_imeSeen.clear();
  HIMC himc = ImmGetContext(w);
  EXPECT_TRUE(ImmNotifyIME(himc, NI_COMPOSITIONSTR, CPS_CANCEL, 0));
  EXPECT_EQ(g_imeSeen, (std::vector<std::string>{"end"}));
  g_imeSeen.clear();
  {
    TX11ImeReset reset(*n);
    TDraw cleared(0, 0, 2, nullptr);
    Draw(cleared);
    X11PreeditDone(asProcArg, me, nullptr);
    X11PreeditStart(fakeIc, me, nullptr);
    TDraw stray(1, 0, 0, L"x");
    Draw(stray);
  }
  EXPECT_FALSE(n->composing);
  EXPECT_TRUE(n->preedit.empty());
  EXPECT_EQ(n->preeditCaret, 0);
  // A done the method sends after the reset ends nothing more.
  X11PreeditDone(asProcArg, me, nullptr);
  session.display.RunUntilIdle();
  EXPECT_TRUE(g_imeSeen.empty());

  // The next composition is reported as usual.
  X11PreeditStart(fakeIc, me, nullptr);
  TDraw next(1, 0, 0, L"h");
  Draw(next);
  session.display.RunUntilIdle();
  EXPECT_EQ(g_imeSeen, (std::vector<std::string>{"start", "h@1"}));
}

}  // namespace

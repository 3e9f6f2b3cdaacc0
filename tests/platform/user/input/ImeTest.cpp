#include "platform/user/input/Ime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

// What a window saw of the input method: each message with the strings and
// cursor the context answered while it was being handled.
struct TImeSeen {
  HWND hwnd;
  std::string what;
  bool operator==(const TImeSeen&) const = default;
};

class ImeTest : public WindowTest {
 protected:
  std::vector<TImeSeen> seen;

  // Logs the IME messages h receives; `passOn` leaves them to DefWindowProc.
  void Watch(HWND h, bool passOn) {
    Handle(h, [this, passOn](HWND w, UINT m, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
      if (m == WM_IME_STARTCOMPOSITION) seen.push_back({w, "start"});
      if (m == WM_IME_ENDCOMPOSITION) seen.push_back({w, "end"});
      if (m == WM_IME_COMPOSITION) {
        HIMC himc = ImmGetContext(w);
        std::string e = "comp";
        if (lp & GCS_COMPSTR) e += " str=" + ImmCompositionText(himc, GCS_COMPSTR);
        if (lp & GCS_CURSORPOS) e += " cur=" + std::to_string(ImmGetCompositionString(himc, GCS_CURSORPOS, nullptr, 0));
        if (lp & GCS_RESULTSTR) e += " res=" + ImmCompositionText(himc, GCS_RESULTSTR);
        e += " wp=" + std::to_string(wp);
        ImmReleaseContext(w, himc);
        seen.push_back({w, e});
      }
      if (m == WM_CHAR) seen.push_back({w, "char " + std::to_string(wp)});
      handled = !passOn && (m == WM_IME_STARTCOMPOSITION || m == WM_IME_ENDCOMPOSITION || m == WM_IME_COMPOSITION);
      return 0;
    });
  }
};

TEST_F(ImeTest, FocusWindowGetsStartUpdatesThenResultAndEnd) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(w);
  Watch(w, false);
  Pump();
  InputImeCompose("n", 1);
  InputImeCompose("ni", 1);
  InputImeResult("你");
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{w, "start"},
                                         {w, "comp str=n cur=1 wp=110"},
                                         {w, "comp str=ni cur=1 wp=110"},
                                         {w, "comp res=你 wp=20320"},
                                         {w, "end"}}));
  // A handled result makes no characters.
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_CHAR).empty());
  // The result stays readable after the end.
  HIMC himc = ImmGetContext(w);
  EXPECT_EQ(ImmCompositionText(himc, GCS_RESULTSTR), "你");

  // Cancelled: the end alone, and the composition string is gone.
  seen.clear();
  InputImeStart();
  InputImeCompose("abc", 9);  // the cursor is kept inside the string
  InputImeEnd();
  InputImeEnd();  // nothing to end any more
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{w, "start"}, {w, "comp str=abc cur=3 wp=97"}, {w, "end"}}));
  EXPECT_EQ(ImmGetCompositionString(himc, GCS_COMPSTR, nullptr, 0), 0);
  // until the next composition, which had none.
  EXPECT_EQ(ImmGetCompositionString(himc, GCS_RESULTSTR, nullptr, 0), 0);
}

TEST_F(ImeTest, DefWindowProcTurnsTheResultIntoOneCharacterEach) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(w);
  Watch(w, true);
  Pump();
  InputImeResult("中a😀");
  InputText("z");
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{w, "start"},
                                         {w, "comp res=中a😀 wp=20013"},
                                         {w, "char 20013"},
                                         {w, "char 97"},
                                         {w, "char 128512"},
                                         {w, "end"},
                                         {w, "char 122"}}));
}

TEST_F(ImeTest, CompositionKeepsItsPlaceAmongKeysAndText) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(w);
  Watch(w, true);
  Pump();
  InputText("a");
  InputImeCompose("b", 1);
  InputText("c");
  InputImeEnd();
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{
                      {w, "char 97"}, {w, "start"}, {w, "comp str=b cur=1 wp=98"}, {w, "char 99"}, {w, "end"}}));
}

TEST_F(ImeTest, FocusMovingEndsTheCompositionInTheOldWindow) {
  HWND top = Make("top", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
  HWND a = Make("a", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top);
  HWND b = Make("b", WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, top);
  Watch(a, false);
  Watch(b, false);
  SetFocus(a);
  Pump();
  InputImeCompose("x", 1);
  Pump();
  SetFocus(b);
  InputImeCompose("xy", 2);
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{a, "start"},
                                         {a, "comp str=x cur=1 wp=120"},
                                         {a, "end"},
                                         {b, "start"},
                                         {b, "comp str=xy cur=2 wp=120"}}));
  // Only the composing window's context has the string.
  HIMC ha = ImmGetContext(a), hb = ImmGetContext(b);
  EXPECT_EQ(ImmCompositionText(ha, GCS_COMPSTR), "");
  EXPECT_EQ(ImmCompositionText(hb, GCS_COMPSTR), "xy");
  // A window destroyed while composing takes its context with it.
  DestroyWindow(b);
  EXPECT_EQ(ImmGetCompositionString(hb, GCS_COMPSTR, nullptr, 0), IMM_ERROR_GENERAL);
  EXPECT_EQ(ImmGetContext(b), nullptr);
  seen.clear();
  SetFocus(a);
  InputImeCompose("z", 1);
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{a, "start"}, {a, "comp str=z cur=1 wp=122"}}));
}

TEST_F(ImeTest, NotifyFinishesOnlyTheCompositionOfTheContextsWindow) {
  HWND top = Make("top", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
  HWND a = Make("a", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top);
  HWND b = Make("b", WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, top);
  Watch(a, false);
  Watch(b, false);
  SetFocus(a);
  Pump();
  HIMC ha = ImmGetContext(a), hb = ImmGetContext(b);
  struct Case {
    const char* name;
    DWORD index;
    std::vector<TImeSeen> seen;
  } cases[] = {
      {"complete", CPS_COMPLETE, {{a, "comp res=中 wp=20013"}, {a, "end"}}},
      {"cancel", CPS_CANCEL, {{a, "end"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InputImeCompose("中", 1);
    Pump();
    seen.clear();
    // Not b's composition, nor a request this layer knows.
    EXPECT_FALSE(ImmNotifyIME(hb, NI_COMPOSITIONSTR, c.index, 0));
    EXPECT_FALSE(ImmNotifyIME(ha, NI_COMPOSITIONSTR, 0x0002, 0));
    EXPECT_FALSE(ImmNotifyIME(ha, 0x0011, c.index, 0));
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(ImmNotifyIME(ha, NI_COMPOSITIONSTR, c.index, 0));
    EXPECT_EQ(seen, c.seen);
    EXPECT_EQ(ImmCompositionText(ha, GCS_COMPSTR), "");
    EXPECT_FALSE(ImmNotifyIME(ha, NI_COMPOSITIONSTR, c.index, 0));
  }
  // A composition started but still empty completes with no result.
  InputImeStart();
  Pump();
  seen.clear();
  EXPECT_TRUE(ImmNotifyIME(ha, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{a, "end"}}));
}

// The window handling the result may call back in, or run a message loop
// that delivers the input method's next composition: the first one still
// ends once, before the next starts, and the next is not ended with it.
TEST_F(ImeTest, CompletionSurvivesReentryFromTheResult) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(w);
  Pump();
  BOOL again = TRUE;
  bool nested = false;
  Handle(w, [&](HWND h, UINT m, WPARAM, LPARAM lp, bool& handled) -> LRESULT {
    if (m == WM_IME_STARTCOMPOSITION) seen.push_back({h, "start"});
    if (m == WM_IME_ENDCOMPOSITION) seen.push_back({h, "end"});
    if (m == WM_IME_COMPOSITION) {
      HIMC himc = ImmGetContext(h);
      if (lp & GCS_COMPSTR) seen.push_back({h, "str=" + ImmCompositionText(himc, GCS_COMPSTR)});
      if (lp & GCS_RESULTSTR) {
        seen.push_back({h, "res=" + ImmCompositionText(himc, GCS_RESULTSTR)});
        if (!nested) {
          nested = true;
          again = ImmNotifyIME(himc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
          InputImeCompose("n", 1);
          Pump();
        }
      }
    }
    handled = m == WM_IME_STARTCOMPOSITION || m == WM_IME_ENDCOMPOSITION || m == WM_IME_COMPOSITION;
    return 0;
  });
  InputImeCompose("x", 1);
  Pump();
  HIMC himc = ImmGetContext(w);
  EXPECT_TRUE(ImmNotifyIME(himc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
  EXPECT_FALSE(again);
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{w, "start"}, {w, "str=x"}, {w, "res=x"}, {w, "end"}, {w, "start"},
                                         {w, "str=n"}}));
  EXPECT_EQ(ImmCompositionText(himc, GCS_COMPSTR), "n");
}

TEST_F(ImeTest, WindowWithoutContextGetsResultsAsCharactersOnly) {
  HWND top = Make("top", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
  HWND a = Make("a", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top);
  HWND b = Make("b", WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, top);
  Watch(a, true);
  Watch(b, true);
  SetFocus(a);
  Pump();
  HIMC own = ImmGetContext(a);
  ASSERT_NE(own, nullptr);
  // Another window's context is not a's to take.
  EXPECT_EQ(ImmAssociateContext(a, ImmGetContext(b)), nullptr);
  EXPECT_EQ(ImmGetContext(a), own);
  EXPECT_EQ(ImmAssociateContext(a, nullptr), own);
  EXPECT_EQ(ImmGetContext(a), nullptr);
  EXPECT_EQ(ImmAssociateContext(a, nullptr), nullptr);
  InputImeStart();
  InputImeCompose("zh", 2);
  InputImeResult("中a");
  InputImeEnd();
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{a, "char 20013"}, {a, "char 97"}}));

  // Focus coming to it ends the composition elsewhere.
  SetFocus(b);
  InputImeCompose("x", 1);
  Pump();
  seen.clear();
  SetFocus(a);
  InputImeCompose("xy", 2);
  InputImeResult("好");
  Pump();
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{b, "end"}, {a, "char 22909"}}));

  // Its own context back: composing again; taking it away mid-way commits.
  EXPECT_EQ(ImmAssociateContext(a, own), nullptr);
  EXPECT_EQ(ImmGetContext(a), own);
  seen.clear();
  InputImeCompose("q", 1);
  Pump();
  EXPECT_EQ(ImmAssociateContext(a, nullptr), own);
  EXPECT_EQ(seen, (std::vector<TImeSeen>{{a, "start"},
                                         {a, "comp str=q cur=1 wp=113"},
                                         {a, "comp res=q wp=113"},
                                         {a, "char 113"},
                                         {a, "end"}}));
}

TEST_F(ImeTest, CompositionStringCopiesWhatFitsAndAnswersSizes) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(w);
  Watch(w, false);
  Pump();
  InputImeCompose("中文", 1);
  Pump();
  HIMC himc = ImmGetContext(w);
  ASSERT_NE(himc, nullptr);
  EXPECT_EQ(ImmGetContext(w), himc);
  EXPECT_EQ(ImmGetCompositionString(himc, GCS_COMPSTR, nullptr, 0), 6);
  char buf[8] = {};
  EXPECT_EQ(ImmGetCompositionString(himc, GCS_COMPSTR, buf, 4), 4);
  EXPECT_EQ(std::string(buf, 3), "中");
  EXPECT_EQ(ImmGetCompositionString(himc, GCS_COMPSTR, buf, sizeof buf), 6);
  EXPECT_EQ(std::string(buf, 6), "中文");
  EXPECT_EQ(ImmGetCompositionString(himc, GCS_CURSORPOS, nullptr, 0), 1);
  EXPECT_EQ(ImmGetCompositionString(himc, 0x4000, buf, sizeof buf), IMM_ERROR_GENERAL);
  EXPECT_TRUE(ImmReleaseContext(w, himc));
  // Broken UTF-8 from a back end reaches no window.
  InputImeCompose("a\xFF\x80" "b", 2);
  Pump();
  EXPECT_EQ(ImmCompositionText(himc, GCS_COMPSTR), "ab");
  InputImeEnd();
  Pump();
}

TEST_F(ImeTest, CompositionWindowGivesTheSpotOfTheFocusWindow) {
  HWND top = Make("top", WS_POPUP | WS_VISIBLE, 100, 50, 200, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 20, 80, 30, top);
  SetFocus(c);
  HWND where = nullptr;
  POINT spot{};
  int height = -1;
  EXPECT_FALSE(ImeCompositionSpot(&where, &spot, &height));
  HIMC himc = ImmGetContext(c);
  COMPOSITIONFORM f;
  f.dwStyle = CFS_POINT | CFS_RECT;
  f.ptCurrentPos = POINT{5, 3};
  f.rcArea = RECT{5, 3, 6, 19};
  ASSERT_TRUE(ImmSetCompositionWindow(himc, &f));
  COMPOSITIONFORM back;
  ASSERT_TRUE(ImmGetCompositionWindow(himc, &back));
  EXPECT_EQ(back.ptCurrentPos.X, 5);
  EXPECT_EQ(back.rcArea.Bottom, 19);
  ASSERT_TRUE(ImeCompositionSpot(&where, &spot, &height));
  EXPECT_EQ(where, c);
  EXPECT_EQ(spot.X, 100 + 10 + 5);
  EXPECT_EQ(spot.Y, 50 + 20 + 3);
  EXPECT_EQ(height, 16);
  // Another focus window that never said has no spot.
  SetFocus(top);
  EXPECT_FALSE(ImeCompositionSpot(&where, &spot, &height));
}

}  // namespace

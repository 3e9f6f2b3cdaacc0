#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/edits/Memo.h"
#include "platform/user/input/Ime.h"

namespace {

class EditImeTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TEdit* edit = nullptr;
  std::vector<int> codes;  // EN_* the form heard from the edit

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 160, 24);
    form->Show();
    TWndMethod old = form->WindowProc;
    form->WindowProc = TWndMethod::FromFunction(
        [this, old](TMessage& m) {
          if (m.Msg == WM_COMMAND && edit && reinterpret_cast<HWND>(m.LParam) == edit->Handle())
            codes.push_back(HIWORD(m.WParam));
          old(m);
        },
        this);
    s.display.RunUntilIdle();
    edit->SetFocus();
    s.display.RunUntilIdle();
  }
  // The form's procedure logs into this fixture: free it while the fixture lives.
  void TearDown() override { app.DestroyComponents(); }

  void Compose(const std::string& text, int cursor) {
    s.display.ComposeText(text, cursor);
    s.display.RunUntilIdle();
  }
  void Commit(const std::string& text) {
    s.display.CommitComposition(text);
    s.display.RunUntilIdle();
  }
  int Changes() const {
    int n = 0;
    for (int c : codes) n += c == EN_CHANGE;
    return n;
  }
  // The edit's client area as presented.
  std::vector<COLORREF> Shot() {
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    std::vector<COLORREF> px;
    for (int y = 0; y < edit->ClientHeight(); ++y)
      for (int x = 0; x < edit->ClientWidth(); ++x) {
        TPoint p = edit->ClientToScreen(TPoint{x, y});
        px.push_back(s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top));
      }
    return px;
  }
};

TEST_F(EditImeTest, CompositionShowsUnderlinedAtTheCaretWithoutChangingTheText) {
  edit->SetText("ab");
  edit->SetSelStart(1);
  s.display.RunUntilIdle();
  const std::vector<COLORREF> plain = Shot();
  codes.clear();
  Compose("xy", 2);
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(edit->CompositionText(), "xy");
  EXPECT_TRUE(codes.empty());
  EXPECT_FALSE(edit->Modified());
  EXPECT_FALSE(edit->CanUndo());
  const std::vector<COLORREF> composing = Shot();
  EXPECT_NE(composing, plain);

  // The same text typed, with the caret where the composition's is: the
  // only difference is the underline under the composed characters.
  s.display.CancelComposition();
  s.display.RunUntilIdle();
  EXPECT_EQ(Shot(), plain);
  edit->SetText("axyb");
  edit->SetSelStart(3);
  s.display.RunUntilIdle();
  const std::vector<COLORREF> typed = Shot();
  const int w = edit->ClientWidth();
  const int underlineY = edit->FormattingRect().Top + edit->LineHeight() - 1;
  const int from = LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, 1, 0));
  const int to = LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, 3, 0));
  const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
  int differing = 0;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const int x = int(i) % w, y = int(i) / w;
    const bool underline = y == underlineY && x >= from && x < to;
    if (underline) EXPECT_EQ(composing[i], ink) << x;
    if (composing[i] != typed[i]) {
      ++differing;
      EXPECT_TRUE(underline) << x << "," << y;
    }
  }
  EXPECT_GT(differing, 0);
}

TEST_F(EditImeTest, CommitTypesTheResultOnceAsOneUndoableRun) {
  edit->SetText("ab");
  edit->SetSelStart(1);
  codes.clear();
  Compose("n", 1);
  Compose("ni", 2);
  Compose("你", 1);
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(Changes(), 0);
  Commit("你好");
  EXPECT_EQ(edit->Text(), "a你好b");
  EXPECT_EQ(edit->SelStart(), 3);
  EXPECT_EQ(edit->CompositionText(), "");
  EXPECT_EQ(Changes(), 1);
  EXPECT_TRUE(edit->Modified());
  edit->Undo();
  EXPECT_EQ(edit->Text(), "ab");

  // Overwrite mode applies to the result as to typing.
  edit->SetText("abcd");
  edit->SetSelStart(1);
  edit->SetOverwrite(true);
  Commit("XY");
  EXPECT_EQ(edit->Text(), "aXYd");
}

TEST_F(EditImeTest, MaxLengthCutsTheResultButNotTheComposition) {
  edit->SetMaxLength(4);
  edit->SetText("ab");
  edit->SetSelStart(2);
  codes.clear();
  Compose("zhongwenzi", 10);
  EXPECT_EQ(edit->CompositionText(), "zhongwenzi");
  EXPECT_TRUE(codes.empty());
  Commit("中文字");
  EXPECT_EQ(edit->Text(), "ab中文");
  EXPECT_EQ(codes, (std::vector<int>{EN_MAXTEXT, EN_UPDATE, EN_CHANGE}));
  // Full: nothing goes in and nothing changes.
  codes.clear();
  Commit("字");
  EXPECT_EQ(edit->Text(), "ab中文");
  EXPECT_EQ(codes, (std::vector<int>{EN_MAXTEXT}));
}

TEST_F(EditImeTest, CancelLeavesTheTextAsItWas) {
  edit->SetText("abc");
  edit->SetSelStart(1);
  edit->SetSelLength(1);
  codes.clear();
  Compose("xyz", 3);
  s.display.CancelComposition();
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(edit->SelText(), "b");
  EXPECT_EQ(edit->CompositionText(), "");
  EXPECT_TRUE(codes.empty());
}

// The edit losing the focus keeps what was composed in it, in place of its
// selection; nothing of it follows the focus.
TEST_F(EditImeTest, FocusMovingToAnotherEditCommitsIntoTheFirst) {
  edit->SetText("abc");
  edit->SetSelStart(1);
  edit->SetSelLength(1);
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(60);
  s.display.RunUntilIdle();
  codes.clear();
  Compose("xyz", 3);
  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->Text(), "axyzc");
  EXPECT_EQ(edit->SelStart(), 4);
  EXPECT_EQ(edit->CompositionText(), "");
  EXPECT_EQ(Changes(), 1);
  EXPECT_EQ(other->Text(), "");
  EXPECT_EQ(other->CompositionText(), "");
  EXPECT_EQ(s.display.CompositionResets(), 1);
  EXPECT_FALSE(s.display.Composing());
  // The next composition belongs to the new focus alone.
  Compose("q", 1);
  EXPECT_EQ(other->CompositionText(), "q");
  Commit("Q");
  EXPECT_EQ(edit->Text(), "axyzc");
  EXPECT_EQ(other->Text(), "Q");
}

// The window layer's completion and cancel, through the headless input
// method: what the edit hears, what it keeps, and the back end's reset.
// The headless method reports its preedit as a result when reset; the
// layer must not deliver it a second time.
TEST_F(EditImeTest, NotifyCompletesOrCancelsThroughTheBackEnd) {
  std::vector<std::string> heard;
  TWndMethod old = edit->WindowProc;
  edit->WindowProc = TWndMethod::FromFunction(
      [&, old](TMessage& m) {
        if (m.Msg == WM_IME_STARTCOMPOSITION) heard.push_back("start");
        if (m.Msg == WM_IME_ENDCOMPOSITION) heard.push_back("end");
        if (m.Msg == WM_IME_COMPOSITION && (m.LParam & GCS_RESULTSTR)) {
          HIMC himc = ImmGetContext(edit->Handle());
          heard.push_back("result " + ImmCompositionText(himc, GCS_RESULTSTR));
          ImmReleaseContext(edit->Handle(), himc);
        }
        old(m);
      },
      this);
  struct Case {
    const char* name;
    DWORD index;
    std::vector<std::string> heard;
    const char* text;
  } cases[] = {
      {"complete", CPS_COMPLETE, {"start", "result 你好", "end"}, "a你好b"},
      {"cancel", CPS_CANCEL, {"start", "end"}, "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetText("ab");
    edit->SetSelStart(1);
    heard.clear();
    const int resets = s.display.CompositionResets();
    Compose("你好", 1);
    HIMC himc = ImmGetContext(edit->Handle());
    EXPECT_TRUE(ImmNotifyIME(himc, NI_COMPOSITIONSTR, c.index, 0));
    s.display.RunUntilIdle();
    EXPECT_EQ(heard, c.heard);
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(edit->CompositionText(), "");
    EXPECT_EQ(s.display.CompositionResets(), resets + 1);
    EXPECT_FALSE(s.display.Composing());
    // Nothing left to finish: no message, no reset.
    heard.clear();
    EXPECT_FALSE(ImmNotifyIME(himc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
    EXPECT_FALSE(ImmNotifyIME(himc, NI_COMPOSITIONSTR, CPS_CANCEL, 0));
    s.display.RunUntilIdle();
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(s.display.CompositionResets(), resets + 1);
    ImmReleaseContext(edit->Handle(), himc);
  }
  edit->WindowProc = old;
}

// A press inside the edit puts the composition in at the caret it was shown
// at; a left press then moves the caret to where it landed, which is where
// the user saw it, the composed text included.
TEST_F(EditImeTest, PressWhileComposingCommitsAtTheOldCaretFirst) {
  struct Case {
    const char* name;
    TMouseButton button;
    int caret;
  } cases[] = {{"left", TMouseButton::mbLeft, 1}, {"right", TMouseButton::mbRight, 5}};
  // The right click's menu would wait for the user.
  edit->OnContextPopup = [](TObject*, TPoint, bool& handled) { handled = true; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetText("abcdef");
    edit->SetSelStart(3);
    s.display.RunUntilIdle();
    Compose("XY", 2);
    // Between a and b, left of the composition: the same place before and after.
    const int x = LOWORD(SendMessage(edit->Handle(), EM_POSFROMCHAR, 1, 0));
    const TPoint at = edit->ClientToScreen(TPoint{x, edit->FormattingRect().Top + 2});
    s.display.Click(at.X, at.Y, c.button);
    s.display.RunUntilIdle();
    EXPECT_EQ(edit->Text(), "abcXYdef");
    EXPECT_EQ(edit->CompositionText(), "");
    EXPECT_EQ(edit->SelStart(), c.caret);
    EXPECT_EQ(edit->SelLength(), 0);
    EXPECT_FALSE(s.display.Composing());
  }
}

// WM_SETTEXT while composing: the composition is committed into the old
// text first (its own EN_CHANGE), then the new text replaces it all.
TEST_F(EditImeTest, SetTextWhileComposingCommitsThenReplaces) {
  edit->SetText("abc");
  edit->SetSelStart(2);
  std::vector<std::string> seen;
  edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
  Compose("中", 1);
  edit->SetText("new");
  EXPECT_EQ(seen, (std::vector<std::string>{"ab中c", "new"}));
  EXPECT_EQ(edit->Text(), "new");
  EXPECT_EQ(edit->CompositionText(), "");
  EXPECT_FALSE(edit->CanUndo());
  // The old composition's text never comes back.
  Commit("");
  EXPECT_EQ(edit->Text(), "new");
  edit->OnChange = nullptr;
}

// Every command that moves the caret or changes the text applies to the
// text with the composition committed into it, where it was shown.
TEST_F(EditImeTest, CommandsWhileComposingApplyAfterTheCommit) {
  const std::string replacement = "R";
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    const char* text;
    int selStart, selLength;
  } cases[] = {
      {"EM_SETSEL", EM_SETSEL, 0, 1, "aXYc", 0, 1},
      {"EM_REPLACESEL", EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()), "aXYRc", 4, 0},
      {"WM_PASTE", WM_PASTE, 0, 0, "aXYPc", 4, 0},
      // The commit leaves no selection, so nothing is cut or cleared.
      {"WM_CUT", WM_CUT, 0, 0, "aXYc", 3, 0},
      {"WM_CLEAR", WM_CLEAR, 0, 0, "aXYc", 3, 0},
      // Undo takes back the commit, restoring the selection it replaced.
      {"WM_UNDO", WM_UNDO, 0, 0, "abc", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetText("P");
    edit->SelectAll();
    edit->CopyToClipboard();
    edit->SetText("abc");
    edit->SetSelStart(1);
    edit->SetSelLength(1);
    codes.clear();
    Compose("XY", 2);
    SendMessage(edit->Handle(), c.msg, c.wp, c.lp);
    s.display.RunUntilIdle();
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(edit->SelStart(), c.selStart);
    EXPECT_EQ(edit->SelLength(), c.selLength);
    EXPECT_EQ(edit->CompositionText(), "");
    EXPECT_GE(Changes(), 1);  // the commit's
    EXPECT_FALSE(s.display.Composing());
  }
}

// No composition shows in a password edit: the pixels stay as they were
// while composing, and the result arrives as typed characters.
TEST_F(EditImeTest, PasswordEditTakesCommittedTextOnly) {
  edit->SetPasswordChar('*');
  edit->SetText("ab");
  edit->SetSelStart(2);
  s.display.RunUntilIdle();
  EXPECT_EQ(ImmGetContext(edit->Handle()), nullptr);
  const std::vector<COLORREF> before = Shot();
  std::vector<std::string> pressed;
  edit->OnKeyPress = [&](TObject*, std::string& key) { pressed.push_back(key); };
  codes.clear();
  Compose("zhong", 5);
  EXPECT_EQ(edit->CompositionText(), "");
  EXPECT_EQ(Shot(), before);
  Commit("中文");
  EXPECT_EQ(edit->Text(), "ab中文");
  EXPECT_EQ(pressed, (std::vector<std::string>{"中", "文"}));
  EXPECT_EQ(Changes(), 2);  // one per character, as typed
  EXPECT_NE(Shot(), before);

  // Without the mask, composition shows again.
  edit->SetPasswordChar(0);
  EXPECT_NE(ImmGetContext(edit->Handle()), nullptr);
  Compose("x", 1);
  EXPECT_EQ(edit->CompositionText(), "x");
  // Masking mid-composition commits what was composed, then composes no more.
  edit->SetPasswordChar('*');
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->Text(), "ab中文x");
  EXPECT_EQ(edit->CompositionText(), "");
  Compose("y", 1);
  EXPECT_EQ(edit->CompositionText(), "");
  edit->OnKeyPress = nullptr;
}

TEST_F(EditImeTest, KeyPressFiltersTheResultAsItFiltersTyping) {
  edit->SetText("");
  std::vector<std::string> pressed;
  edit->OnKeyPress = [&](TObject*, std::string& key) {
    pressed.push_back(key);
    if (key == "x") key.clear();  // refused
    if (key == "b") key = "B";    // replaced
  };
  codes.clear();
  Commit("axb中");
  EXPECT_EQ(pressed, (std::vector<std::string>{"a", "x", "b", "中"}));
  EXPECT_EQ(edit->Text(), "aB中");
  EXPECT_EQ(Changes(), 1);
}

TEST_F(EditImeTest, ReadOnlyShowsNoCompositionAndRefusesTheResult) {
  edit->SetText("abc");
  edit->SetReadOnly(true);
  Compose("x", 1);
  EXPECT_EQ(edit->CompositionText(), "");
  const int beeps = MessageBeepCount();
  Commit("x");
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
}

TEST_F(EditImeTest, MemoCompositionWrapsAndCommitsAtTheCaret) {
  TMemo* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 60, 120, 80);
  memo->SetText("first\r\nsecond");
  memo->SetFocus();
  s.display.RunUntilIdle();
  memo->SetSelStart(5);
  Compose("12345678901234567890123456789", 29);
  EXPECT_EQ(memo->Text(), "first\r\nsecond");
  EXPECT_EQ(memo->EditLines().size(), 2u);
  // The caret follows the composition to where it wrapped.
  POINT caret{};
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_GT(caret.Y, memo->FormattingRect().Top);
  Commit("12");
  EXPECT_EQ(memo->Text(), "first12\r\nsecond");
  EXPECT_EQ(memo->SelStart(), 7);
}

// Changing the memo's lines first commits the composition where it was
// shown; the change then applies to the text holding it.
TEST_F(EditImeTest, MemoLinesChangesApplyAfterTheCommit) {
  TMemo* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 60, 200, 80);
  struct Case {
    const char* name;
    std::function<void(TStrings*)> change;
    const char* text;
  } cases[] = {
      {"Put", [](TStrings* l) { l->Put(1, "two"); }, "oXYne\r\ntwo"},
      {"Add", [](TStrings* l) { l->Add("three"); }, "oXYne\r\nsecond\r\nthree"},
      {"Delete", [](TStrings* l) { l->Delete(1); }, "oXYne"},
      {"Clear", [](TStrings* l) { l->Clear(); }, ""},
      {"batch",
       [](TStrings* l) {
         l->BeginUpdate();
         l->Put(1, "2nd");
         l->EndUpdate();
       },
       "oXYne\r\n2nd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    memo->SetText("one\r\nsecond");
    memo->SetFocus();
    s.display.RunUntilIdle();
    memo->SetSelStart(1);
    Compose("XY", 2);
    c.change(memo->Lines());
    s.display.RunUntilIdle();
    EXPECT_EQ(memo->Text(), c.text);
    EXPECT_EQ(memo->CompositionText(), "");
    EXPECT_FALSE(s.display.Composing());
  }
}

// A control that knows nothing of input methods.
class TPlainControl : public TCustomControl {
 public:
  explicit TPlainControl(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  std::vector<std::string> Chars;

 protected:
  void KeyPress(std::string& Key) override {
    Chars.push_back(Key);
    TCustomControl::KeyPress(Key);
  }
  void Paint() override {}
};

TEST_F(EditImeTest, PlainControlReceivesTheResultAsCharacters) {
  auto* plain = new TPlainControl(form);
  plain->SetParent(form);
  plain->SetBounds(10, 60, 50, 50);
  plain->SetFocus();
  s.display.RunUntilIdle();
  Compose("zh", 2);
  EXPECT_TRUE(plain->Chars.empty());
  Commit("中a");
  EXPECT_EQ(plain->Chars, (std::vector<std::string>{"中", "a"}));
}

}  // namespace

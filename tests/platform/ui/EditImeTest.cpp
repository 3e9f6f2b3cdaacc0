#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormTestFixture.h"
#include "platform/ui/Edit.h"
#include "platform/ui/Memo.h"
#include "platform/user/Ime.h"

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

TEST_F(EditImeTest, CancelOrFocusLossLeavesTheTextAsItWas) {
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

  // The composition follows the focus: the edit left behind shows none.
  Compose("xyz", 3);
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  other->SetTop(60);
  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(edit->CompositionText(), "");
  Commit("Q");
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(other->Text(), "Q");
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

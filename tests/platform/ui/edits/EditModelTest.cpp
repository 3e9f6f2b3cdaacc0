#include "platform/ui/edits/EditModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Fixed advances: ASCII 6 px, anything else 12 px.
int FakeWidth(char32_t c) { return c < 0x80 ? 6 : 12; }

std::vector<std::string> Lines(const std::string& text, int wrap) {
  std::vector<std::string> out;
  for (const TEditLine& l : LayoutEditLines(text, true, wrap, FakeWidth, 48)) out.push_back(text.substr(l.start, l.end - l.start));
  return out;
}

TEST(EditModel, TypingReplacesTheSelection) {
  struct Case {
    const char* text;
    std::size_t anchor, caret;
    const char* typed;
    const char* expected;
    std::size_t caretAfter;
  } cases[] = {
      {"hello", 0, 5, "x", "x", 1},          // all selected
      {"hello", 1, 3, "EE", "hEElo", 3},     // middle, anchor first
      {"hello", 3, 1, "E", "hElo", 2},       // caret before anchor
      {"hello", 5, 5, "!", "hello!", 6},     // no selection: inserts
      {"中文字", 3, 6, "A", "中A字", 4},     // selection of one Chinese character
  };
  for (const Case& c : cases) {
    TEditModel m;
    m.SetText(c.text);
    m.SetSelection(c.anchor, c.caret);
    EXPECT_TRUE(m.Type(c.typed)) << c.text;
    EXPECT_EQ(m.Text(), c.expected);
    EXPECT_EQ(m.CaretPos(), c.caretAfter) << c.text;
    EXPECT_FALSE(m.HasSelection());
  }
}

TEST(EditModel, MaxLengthLimitsTypingAndPastingButNotSetText) {
  TEditModel m;
  m.SetMaxLength(3);
  EXPECT_TRUE(m.Type("ab"));
  EXPECT_TRUE(m.Type("c"));
  EXPECT_FALSE(m.Type("d"));
  EXPECT_EQ(m.Text(), "abc");
  // Over a selection there is room again.
  m.SetSelection(0, 1);
  EXPECT_TRUE(m.Type("Z"));
  EXPECT_EQ(m.Text(), "Zbc");
  // Setting the text ignores the limit.
  EXPECT_TRUE(m.SetText("longer than three"));
  EXPECT_EQ(m.Text(), "longer than three");
  // The limit counts characters, not bytes.
  TEditModel cjk;
  cjk.SetMaxLength(2);
  EXPECT_TRUE(cjk.Type("中"));
  EXPECT_TRUE(cjk.Type("文"));
  EXPECT_FALSE(cjk.Type("a"));
  EXPECT_EQ(cjk.CharCount(), 2);
}

TEST(EditModel, PasteCutAtFirstLineBreakAndAtMaxLength) {
  struct Case {
    const char* before;
    int maxLength;
    const char* clip;
    const char* expected;
  } cases[] = {
      {"", 0, "one\r\ntwo", "one"},
      {"", 0, "one\ntwo", "one"},
      {"", 0, "\r\ntwo", ""},
      {"ab", 5, "12345", "ab123"},
      {"ab", 4, "x\ny", "abx"},          // line break first, then the room
      {"ab", 4, "中文字符", "ab中文"},  // room counted in characters
      {"abcd", 4, "z", "abcd"},          // no room at all
  };
  for (const Case& c : cases) {
    TEditModel m;
    m.SetText(c.before);
    m.SetMaxLength(c.maxLength);
    m.SetSelection(m.Text().size(), m.Text().size());
    m.Paste(c.clip);
    EXPECT_EQ(m.Text(), c.expected) << c.clip;
  }
  // A memo keeps the line breaks (as CR LF) and still obeys the room.
  TEditModel memo(true);
  memo.SetMaxLength(6);
  memo.Paste("ab\ncd\r\nef");
  EXPECT_EQ(memo.Text(), "ab\r\ncd");
}

TEST(EditModel, UndoOfUndoRedoes) {
  TEditModel m;
  m.SetText("base");
  EXPECT_FALSE(m.CanUndo());
  m.SetSelection(4, 4);
  m.Type("1");
  m.Type("2");  // one run of typing, one undo step
  EXPECT_EQ(m.Text(), "base12");
  EXPECT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "base");
  EXPECT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "base12");
  // A deletion restores its text selected.
  m.SetSelection(0, 2);
  m.DeleteSelection();
  EXPECT_EQ(m.Text(), "se12");
  EXPECT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "base12");
  EXPECT_EQ(m.SelText(), "ba");
  EXPECT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "se12");
  // Setting the text empties the buffer.
  m.SetText("new");
  EXPECT_FALSE(m.CanUndo());
  EXPECT_FALSE(m.Undo());
}

TEST(EditModel, ChineseTextMovesAndDeletesByCharacter) {
  TEditModel m;
  m.SetText("中文ab字");
  EXPECT_EQ(m.CharCount(), 5);
  EXPECT_EQ(m.CharToByte(2), 6u);
  EXPECT_EQ(m.ByteToChar(7), 3);
  EXPECT_EQ(m.NextPos(0), 3u);
  EXPECT_EQ(m.PrevPos(m.Text().size()), 8u);
  // A position inside a character snaps to its start.
  m.SetSelection(1, 4);
  EXPECT_EQ(m.Anchor(), 0u);
  EXPECT_EQ(m.CaretPos(), 3u);
  EXPECT_EQ(m.SelText(), "中");
  m.SetSelection(m.Text().size(), m.Text().size());
  EXPECT_TRUE(m.Backspace());
  EXPECT_EQ(m.Text(), "中文ab");
  m.SetSelection(0, 0);
  EXPECT_TRUE(m.DeleteForward());
  EXPECT_EQ(m.Text(), "文ab");
  // Double click: the Chinese run, then the ASCII word.
  std::size_t s = 0, e = 0;
  m.WordAt(1, s, e);
  EXPECT_EQ(m.Text().substr(s, e - s), "文");
  m.WordAt(4, s, e);
  EXPECT_EQ(m.Text().substr(s, e - s), "ab");
}

TEST(EditModel, CrLfIsOneCaretStepAndStrayBytesAreCharacters) {
  TEditModel memo(true);
  memo.SetText("a\nb");
  EXPECT_EQ(memo.Text(), "a\r\nb");
  EXPECT_EQ(memo.NextPos(1), 3u);
  EXPECT_EQ(memo.PrevPos(3), 1u);
  memo.SetSelection(3, 3);
  memo.Backspace();
  EXPECT_EQ(memo.Text(), "ab");
  TEditModel bad;
  bad.SetText(std::string("x\xff\xe4y"));
  EXPECT_EQ(bad.CharCount(), 4);
  bad.SetSelection(4, 4);
  bad.Backspace();
  bad.Backspace();
  EXPECT_EQ(bad.Text(), std::string("x\xff"));
}

TEST(EditModel, WordsForControlArrows) {
  TEditModel m;
  m.SetText("one two,  three");
  EXPECT_EQ(m.NextWordPos(0), 4u);
  EXPECT_EQ(m.NextWordPos(4), 7u);
  EXPECT_EQ(m.PrevWordPos(15), 10u);
  EXPECT_EQ(m.PrevWordPos(10), 7u);
}

TEST(EditModel, CharCaseConvertsTextAndInput) {
  TEditModel m;
  m.SetText("Mixed Ünï");
  m.SetCharCase(ecUpperCase);
  EXPECT_EQ(m.Text(), "MIXED ÜNÏ");
  m.SetSelection(m.Text().size(), m.Text().size());
  m.Type("x");
  EXPECT_EQ(m.Text(), "MIXED ÜNÏX");
}

TEST(EditModel, OverwriteReplacesTheCharacterAfterTheCaret) {
  struct Case {
    const char* name;
    bool multiLine;
    const char* text;
    std::size_t anchor, caret;
    int maxLength;
    const char* typed;  // one Type call per character
    const char* expected;
    std::size_t caretAfter;
  } cases[] = {
      {"middle", false, "abcd", 1, 1, 0, "XY", "aXYd", 3},
      {"past the end appends", false, "abc", 2, 2, 0, "XYZ", "abXYZ", 5},
      {"at the end appends", false, "abc", 3, 3, 0, "X", "abcX", 4},
      {"selection is replaced as usual", false, "abcdef", 1, 3, 0, "X", "aXdef", 2},
      {"Chinese by character", false, "中文字", 3, 3, 0, "A", "中A字", 4},
      {"at MaxLength inside the text", false, "abc", 0, 0, 3, "XYZ", "XYZ", 3},
      {"at MaxLength at the end", false, "abc", 2, 2, 3, "XY", "abX", 3},
      {"never a line break", true, "ab\r\ncd", 1, 1, 0, "XY", "aXY\r\ncd", 3},
      {"a typed line break inserts", true, "abc", 1, 1, 0, "\r", "a\r\nbc", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TEditModel m(c.multiLine);
    m.SetText(c.text);
    m.SetMaxLength(c.maxLength);
    m.SetOverwrite(true);
    m.SetSelection(c.anchor, c.caret);
    for (std::size_t p = 0; c.typed[p];) {
      std::size_t q = Utf8Next(c.typed, p);
      m.Type(std::string(c.typed + p, q - p));
      p = q;
    }
    EXPECT_EQ(m.Text(), c.expected);
    EXPECT_EQ(m.CaretPos(), c.caretAfter);
  }
}

TEST(EditModel, OverwriteRunUndoesAsOneAndRestoresTheReplacedText) {
  TEditModel m;
  m.SetText("abcdef");
  m.SetOverwrite(true);
  m.SetSelection(1, 1);
  for (const char* ch : {"X", "Y", "Z"}) ASSERT_TRUE(m.Type(ch));
  EXPECT_EQ(m.Text(), "aXYZef");
  ASSERT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "abcdef");
  EXPECT_EQ(m.SelText(), "bcd");
  // Undo of the undo puts the whole run back.
  ASSERT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "aXYZef");

  // A run that overwrites to the end and then appends.
  m.SetText("ab");
  m.SetSelection(1, 1);
  for (const char* ch : {"1", "2", "3"}) ASSERT_TRUE(m.Type(ch));
  EXPECT_EQ(m.Text(), "a123");
  ASSERT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "ab");

  // A run that began by replacing a selection.
  m.SetText("abcd");
  m.SetSelection(1, 3);
  for (const char* ch : {"X", "Y"}) ASSERT_TRUE(m.Type(ch));
  EXPECT_EQ(m.Text(), "aXY");
  ASSERT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "abcd");
}

TEST(EditModel, OverwriteLeavesBackspaceDeleteAndPasteAlone) {
  TEditModel m;
  m.SetText("abcd");
  m.SetOverwrite(true);
  m.SetSelection(2, 2);
  ASSERT_TRUE(m.Backspace());
  EXPECT_EQ(m.Text(), "acd");
  EXPECT_EQ(m.CaretPos(), 1u);
  ASSERT_TRUE(m.DeleteForward());
  EXPECT_EQ(m.Text(), "ad");
  ASSERT_TRUE(m.Paste("XY"));
  EXPECT_EQ(m.Text(), "aXYd");
  // At MaxLength pasting still needs room even where typing may overwrite.
  m.SetMaxLength(4);
  m.SetSelection(0, 0);
  EXPECT_FALSE(m.Paste("Q"));
  EXPECT_TRUE(m.Type("Q"));
  EXPECT_EQ(m.Text(), "QXYd");
  // A character that would make the text grow past it is refused.
  m.SetSelection(4, 4);
  EXPECT_FALSE(m.Type("!"));
  EXPECT_EQ(m.Text(), "QXYd");
}

TEST(EditModel, TypedRunIsCutToMaxLength) {
  struct Case {
    bool overwrite;
    const char* text;
    std::size_t caret;
    int maxLength;
    const char* run;
    const char* expected;
    bool cut;
  } cases[] = {
      {false, "ab", 2, 4, "中文字", "ab中文", true},
      {false, "ab", 1, 0, "xyz", "axyzb", false},
      {false, "abcd", 1, 4, "x", "abcd", true},
      {true, "abcd", 1, 4, "xyz", "axyz", false},
      {true, "abcd", 2, 5, "xyzw", "abxyz", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " + " + c.run);
    TEditModel m;
    m.SetText(c.text);
    m.SetMaxLength(c.maxLength);
    m.SetOverwrite(c.overwrite);
    m.SetSelection(c.caret, c.caret);
    bool cut = !c.cut;
    m.TypeRun(c.run, &cut);
    EXPECT_EQ(m.Text(), c.expected);
    EXPECT_EQ(cut, c.cut);
  }
  // The run is one typed record, merged with typing around it.
  TEditModel m;
  m.SetText("ab");
  m.SetSelection(2, 2);
  ASSERT_TRUE(m.Type("c"));
  ASSERT_TRUE(m.TypeRun("中文"));
  ASSERT_TRUE(m.Type("d"));
  ASSERT_TRUE(m.Undo());
  EXPECT_EQ(m.Text(), "ab");
}

TEST(EditLayout, WrapsAtSpacesAndKeepsLongWordsWhole) {
  // 6 px per letter, 30 px: five letters a line; spaces hang.
  EXPECT_EQ(Lines("aaa bbb ccc", 30), (std::vector<std::string>{"aaa ", "bbb ", "ccc"}));
  EXPECT_EQ(Lines("abcdefghij", 30), (std::vector<std::string>{"abcde", "fghij"}));
  EXPECT_EQ(Lines("one\r\ntwo\r\n", 0), (std::vector<std::string>{"one", "two", ""}));
  EXPECT_EQ(Lines("", 30), (std::vector<std::string>{""}));
}

TEST(EditLayout, WrapsChineseBetweenIdeographsKeepingClosingPunctuation) {
  // 12 px per ideograph, 36 px: three a line.
  EXPECT_EQ(Lines("中文字符测试", 36), (std::vector<std::string>{"中文字", "符测试"}));
  // "。" may not start a line: it takes the ideograph before it along.
  EXPECT_EQ(Lines("中文字。测试", 36), (std::vector<std::string>{"中文", "字。测", "试"}));
  // Mixed: the ASCII word stays whole after the ideographs.
  EXPECT_EQ(Lines("中文abcd", 36), (std::vector<std::string>{"中文", "abcd"}));
}

TEST(EditLayout, CharPositionsExpandTabs) {
  std::string t = "a\tb";
  std::vector<int> xs = EditCharPositions(t, 0, t.size(), FakeWidth, 48);
  EXPECT_EQ(xs, (std::vector<int>{0, 6, 48, 54}));
}

}  // namespace

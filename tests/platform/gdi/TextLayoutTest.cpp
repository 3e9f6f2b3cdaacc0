#include "platform/gdi/TextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/CodePage.h"

namespace {

// A fake font: Latin letters 6 px, space 4, '.' 3, CJK 12; 16 px lines.
int FakeWidth(char32_t c) {
  if (c == U' ') return 4;
  if (c == U'.') return 3;
  if (IsCjkBreakChar(c)) return 12;
  return 6;
}

TextLayoutMetrics FakeMetrics() {
  TextLayoutMetrics m;
  m.lineHeight = 16;
  m.externalLeading = 2;
  m.aveCharWidth = 6;
  m.charWidth = FakeWidth;
  return m;
}

std::string LineText(const TextLayoutLine& line) {
  std::string s;
  for (const TextLayoutChar& c : line.chars) AppendUtf8(s, c.ch);
  return s;
}

std::vector<std::string> Lines(const TextLayoutResult& r) {
  std::vector<std::string> out;
  for (const TextLayoutLine& l : r.lines) out.push_back(LineText(l));
  return out;
}

TextLayoutResult Layout(std::string_view text, RECT rect, UINT format, TextLayoutParams params = {}) {
  return LayoutDrawText(text, rect, format, FakeMetrics(), params);
}

using Strings = std::vector<std::string>;

TEST(TextLayout, EmptyTextIsOneEmptyLineHigh) {
  // GDI measures an empty string as one line: DT_CALCRECT gives a zero-wide
  // rectangle of the line height, and the return value is that height.
  struct Case {
    UINT format;
    int height;
    RECT calc;
  };
  const Case cases[] = {
      {DT_CALCRECT, 16, Rect(10, 20, 10, 36)},
      {DT_CALCRECT | DT_SINGLELINE, 16, Rect(10, 20, 10, 36)},
      {DT_CALCRECT | DT_WORDBREAK, 16, Rect(10, 20, 10, 36)},
      {DT_CALCRECT | DT_EXTERNALLEADING, 18, Rect(10, 20, 10, 38)},
      {0, 16, Rect(10, 20, 10, 36)},
      {DT_SINGLELINE | DT_VCENTER, 48, Rect(10, 20, 10, 36)},  // bottom of the centred line
  };
  for (const Case& k : cases) {
    const auto r = Layout("", Rect(10, 20, 100, 100), k.format);
    ASSERT_EQ(r.lines.size(), 1u) << std::hex << k.format;
    EXPECT_TRUE(r.lines[0].chars.empty());
    EXPECT_EQ(r.height, k.height) << std::hex << k.format;
    EXPECT_EQ(r.calcRect, k.calc) << std::hex << k.format;
  }
}

TEST(TextLayout, LineBreaksSplitLinesAndTrailingBreakAddsEmptyLine) {
  struct Case {
    const char* text;
    UINT format;
    Strings lines;
  };
  const Case cases[] = {
      {"a\r\nb\nc\rd", 0, {"a", "b", "c", "d"}},
      {"abc\r\n", 0, {"abc", ""}},
      {"\n\n", 0, {"", "", ""}},
      {"a\r\nb", DT_SINGLELINE, {"ab"}},
  };
  for (const Case& c : cases) {
    const auto r = Layout(c.text, Rect(0, 0, 200, 100), c.format | DT_CALCRECT);
    EXPECT_EQ(Lines(r), c.lines) << c.text;
    EXPECT_EQ(r.height, int(c.lines.size()) * 16) << c.text;
    EXPECT_EQ(r.calcRect.Bottom, int(c.lines.size()) * 16) << c.text;
  }
}

TEST(TextLayout, CalcRectTakesWidestLine) {
  const auto r = Layout("ab\nabcd\na", Rect(5, 7, 300, 300), DT_CALCRECT);
  EXPECT_EQ(r.calcRect, Rect(5, 7, 5 + 24, 7 + 48));
  EXPECT_FALSE(r.drawChars);
}

TEST(TextLayout, WordBreakAtSpacesWithHangingSpaces) {
  // "hello world" = 5*6 + 4 + 5*6 = 64.
  const auto r = Layout("hello world   foo", Rect(0, 0, 64, 100), DT_WORDBREAK);
  EXPECT_EQ(Lines(r), (Strings{"hello world", "foo"}));
  EXPECT_EQ(r.lines[0].width, 64);
  EXPECT_EQ(r.lines[1].x, 0);
  EXPECT_EQ(r.lines[1].y, 16);
}

TEST(TextLayout, WordWiderThanLineOverflowsUnlessEditControl) {
  const auto plain = Layout("ab abcdefgh cd", Rect(0, 0, 30, 200), DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(Lines(plain), (Strings{"ab", "abcdefgh", "cd"}));
  EXPECT_EQ(plain.calcRect.Right, 48);  // the long word widens the rectangle

  const auto edit = Layout("ab abcdefgh cd", Rect(0, 0, 30, 200), DT_WORDBREAK | DT_EDITCONTROL | DT_CALCRECT);
  EXPECT_EQ(Lines(edit), (Strings{"ab", "abcde", "fgh", "cd"}));
  for (const auto& l : edit.lines) EXPECT_LE(l.width, 30);
}

TEST(TextLayout, ChineseWrapsBetweenIdeographsKeepingPunctuationRules) {
  const std::string text = "请在图像上用鼠标框选需要去除高光的区域，然后调整参数。";
  for (int width : {60, 84, 100, 130}) {
    const auto r = Layout(text, Rect(0, 0, width, 1000), DT_WORDBREAK);
    ASSERT_GT(r.lines.size(), 2u) << width;
    std::string joined;
    for (const auto& line : r.lines) {
      EXPECT_LE(line.width, width);
      ASSERT_FALSE(line.chars.empty());
      EXPECT_FALSE(IsNoBreakBefore(line.chars.front().ch)) << width << ": " << LineText(line);
      joined += LineText(line);
    }
    EXPECT_EQ(joined, text);
  }
  // Without full-width breaks the sentence is one unbreakable word.
  const auto r = Layout(text, Rect(0, 0, 60, 1000), DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK);
  EXPECT_EQ(r.lines.size(), 1u);
}

TEST(TextLayout, PunctuationMovesItsNeighbourAlong) {
  struct Case {
    const char* text;
    Strings lines;
  };
  // 36 px holds three ideographs.
  const Case cases[] = {
      {"一二三，四", {"一二", "三，四"}},   // "，" never starts a line
      {"一二三。", {"一二", "三。"}},
      {"一二（三", {"一二", "（三"}},      // "（" never ends one
      {"一二三四五六", {"一二三", "四五六"}},
      {"abc一二三", {"abc一", "二三"}},    // Latin then ideograph may break
  };
  for (const Case& c : cases) EXPECT_EQ(Lines(Layout(c.text, Rect(0, 0, 36, 100), DT_WORDBREAK)), c.lines) << c.text;
}

TEST(TextLayout, PrefixRules) {
  struct Case {
    const char* text;
    UINT format;
    const char* shown;
    int underlinedIndex;  // -1: none
  };
  const Case cases[] = {
      {"&File", 0, "File", 0},
      {"E&xit", 0, "Exit", 1},
      {"A&&B", 0, "A&B", -1},
      {"&&&Save", 0, "&Save", 1},
      {"abc&", 0, "abc", -1},
      {"&a&b", 0, "ab", 1},  // the last mark wins
      {"&File", DT_NOPREFIX, "&File", -1},
      {"&File", DT_HIDEPREFIX, "File", -1},
  };
  for (const Case& c : cases) {
    const auto r = Layout(c.text, Rect(10, 0, 200, 100), c.format);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(LineText(r.lines[0]), c.shown) << c.text;
    const auto& line = r.lines[0];
    if (c.underlinedIndex < 0) {
      EXPECT_EQ(line.underlineLeft, line.underlineRight) << c.text;
    } else {
      const auto& ch = line.chars[c.underlinedIndex];
      EXPECT_EQ(line.underlineLeft, 10 + ch.x) << c.text;
      EXPECT_EQ(line.underlineRight, 10 + ch.x + FakeWidth(ch.ch)) << c.text;
    }
  }
  const auto only = Layout("&File", Rect(0, 0, 200, 100), DT_PREFIXONLY);
  EXPECT_FALSE(only.drawChars);
  EXPECT_TRUE(only.drawUnderlines);
  EXPECT_EQ(only.lines[0].underlineRight - only.lines[0].underlineLeft, 6);
}

TEST(TextLayout, EllipsisRules) {
  struct Case {
    const char* text;
    UINT format;
    int width;
    const char* shown;
  };
  const Case cases[] = {
      {"abcdefghij", DT_END_ELLIPSIS, 40, "abcde..."},      // 30 + 9 fits, 36 + 9 does not
      {"abcdefghij", DT_END_ELLIPSIS, 60, "abcdefghij"},    // fits: untouched
      {"abcdefghij", DT_WORD_ELLIPSIS, 40, "abcde..."},
      {"abcdefghij", DT_END_ELLIPSIS, 5, "..."},
      {"c:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 90, "c:\\di...\\file.txt"},
      {"c:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 100, "c:\\dir...\\file.txt"},
      {"c:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 111, "c:\\dir\\sub\\file.txt"},  // fits exactly
      {"nopathhere", DT_PATH_ELLIPSIS, 40, "nopat..."},
      {"&Open file", DT_END_ELLIPSIS, 40, "Open ..."},
  };
  for (const Case& c : cases) {
    const auto r = Layout(c.text, Rect(0, 0, c.width, 20), c.format | DT_SINGLELINE);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(LineText(r.lines[0]), c.shown) << c.text << " in " << c.width;
    if (std::string(c.shown) != c.text && c.width >= 9) {
      EXPECT_LE(r.lines[0].width, c.width) << c.text;
    }
  }
}

TEST(TextLayout, EndEllipsisCutsALongWrappedWordWithoutDotsUnlessItEndsTheText) {
  // Lines 40 px wide; "abcdefghij" is 60. A word that overflows a line other
  // than the last is cut to what fits; the text's last line gets "...".
  struct Case {
    const char* text;
    UINT format;
    Strings lines;
  };
  const Case cases[] = {
      {"abcdefghij xy", DT_END_ELLIPSIS, {"abcdef", "xy"}},
      {"xy abcdefghij", DT_END_ELLIPSIS, {"xy", "abcde..."}},
      {"abcdefghij", DT_END_ELLIPSIS, {"abcde..."}},
      {"abcdefghij xy abcdefghij", DT_END_ELLIPSIS, {"abcdef", "xy", "abcde..."}},
      {"abcdefghij xy", DT_WORD_ELLIPSIS, {"abcde...", "xy"}},  // every word too long gets dots
      {"abcdefghij\nxy", DT_END_ELLIPSIS, {"abcdef", "xy"}},
  };
  for (const Case& k : cases) {
    const auto r = Layout(k.text, Rect(0, 0, 40, 100), k.format | DT_WORDBREAK);
    EXPECT_EQ(Lines(r), k.lines) << k.text;
    for (const auto& l : r.lines) EXPECT_LE(l.width, 40) << k.text;
  }
}

TEST(TextLayout, ModifyStringKeepsPrefixMarksAndAddsEllipsis) {
  const auto r = Layout("&Open file", Rect(0, 0, 40, 20), DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
  EXPECT_TRUE(r.modified);
  EXPECT_EQ(r.modifiedText, "&Open ...");
  const auto path = Layout("c:\\dir\\sub\\file.txt", Rect(0, 0, 100, 20), DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_EQ(path.modifiedText, "c:\\dir...\\file.txt");
  EXPECT_FALSE(Layout("abc", Rect(0, 0, 120, 20), DT_SINGLELINE | DT_END_ELLIPSIS).modified);
}

TEST(TextLayout, AlignmentAndVerticalPlacement) {
  const RECT rc = Rect(10, 20, 110, 60);  // 100 x 40, "abcd" is 24 wide
  struct Case {
    UINT format;
    int x, y, height;
  };
  const Case cases[] = {
      {DT_LEFT | DT_SINGLELINE, 10, 20, 16},
      {DT_CENTER | DT_SINGLELINE, 48, 20, 16},
      {DT_RIGHT | DT_SINGLELINE, 86, 20, 16},
      {DT_VCENTER | DT_SINGLELINE, 10, 32, 28},  // returns top to text bottom
      {DT_BOTTOM | DT_SINGLELINE, 10, 44, 40},
      {DT_VCENTER, 10, 20, 16},                   // needs DT_SINGLELINE
      {DT_BOTTOM | DT_CENTER, 48, 20, 16},
  };
  for (const Case& c : cases) {
    const auto r = Layout("abcd", rc, c.format);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].x, c.x) << std::hex << c.format;
    EXPECT_EQ(r.lines[0].y, c.y) << std::hex << c.format;
    EXPECT_EQ(r.height, c.height) << std::hex << c.format;
  }
}

TEST(TextLayout, TabsExpandToStops) {
  struct Case {
    UINT format;
    int tabLength;
    int xOfB;
  };
  const Case cases[] = {
      {DT_EXPANDTABS, 8, 48},
      {DT_EXPANDTABS, 2, 12},
      {DT_EXPANDTABS | DT_TABSTOP | (4u << 8), 8, 24},
      {0, 8, 12},  // an unexpanded tab is an ordinary character
  };
  for (const Case& c : cases) {
    TextLayoutParams p;
    p.tabLength = c.tabLength;
    const auto r = Layout("a\tb", Rect(0, 0, 300, 20), c.format, p);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].chars.back().ch, U'b');
    EXPECT_EQ(r.lines[0].chars.back().x, c.xOfB) << std::hex << c.format;
  }
}

TEST(TextLayout, EditControlDropsPartlyVisibleLines) {
  const auto plain = Layout("a\nb\nc", Rect(0, 0, 100, 40), 0);
  EXPECT_EQ(plain.lines.size(), 3u);
  const auto edit = Layout("a\nb\nc", Rect(0, 0, 100, 40), DT_EDITCONTROL);
  EXPECT_EQ(Lines(edit), (Strings{"a", "b"}));
  EXPECT_EQ(edit.lengthDrawn, 3u);  // "a\nb"
  const auto dots = Layout("a\nb\nc", Rect(0, 0, 100, 40), DT_EDITCONTROL | DT_END_ELLIPSIS);
  EXPECT_EQ(Lines(dots), (Strings{"a", "b..."}));
}

TEST(TextLayout, ExternalLeadingAndMarginsChangeGeometry) {
  const auto lead = Layout("a\nb", Rect(0, 0, 100, 100), DT_EXTERNALLEADING | DT_CALCRECT);
  EXPECT_EQ(lead.calcRect.Bottom, 36);
  TextLayoutParams p;
  p.leftMargin = 5;
  p.rightMargin = 7;
  const auto m = Layout("abcd", Rect(10, 0, 100, 100), DT_CALCRECT, p);
  EXPECT_EQ(m.calcRect.Right, 10 + 5 + 24 + 7);
  EXPECT_EQ(m.lines[0].x, 15);
  const auto right = Layout("abcd", Rect(10, 0, 100, 100), DT_RIGHT, p);
  EXPECT_EQ(right.lines[0].x, 100 - 7 - 24);
}

TEST(TextLayout, ClipFlags) {
  EXPECT_TRUE(Layout("a", Rect(0, 0, 10, 10), 0).clip);
  EXPECT_FALSE(Layout("a", Rect(0, 0, 10, 10), DT_NOCLIP).clip);
}

TEST(TextLayout, InvalidUtf8ShowsOneReplacementCharacterPerBadByte) {
  struct Case {
    std::string bytes;
    std::u32string chars;
  };
  const Case cases[] = {
      {"a\xC3\xA9", U"a\u00E9"},
      {"\xF0\x9F\x98\x80", U"\U0001F600"},
      {"\xC3", U"\uFFFD"},                      // truncated
      {"\xE4\xB8z", U"\uFFFD\uFFFDz"},          // truncated three-byte form
      {"\xC0\xAF", U"\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},  // surrogate
      {"\xFF&b", U"\uFFFDb"},
  };
  for (const Case& c : cases) {
    const auto r = Layout(c.bytes, Rect(0, 0, 300, 20), 0);
    ASSERT_EQ(r.lines.size(), 1u);
    std::u32string got;
    for (const auto& ch : r.lines[0].chars) got += ch.ch;
    EXPECT_EQ(got, c.chars);
  }
}

TEST(TextLayout, HugeAndHostileInputStaysBounded) {
  std::string text(200000, 'x');
  text += "\xFF\xFE&";
  const auto r = Layout(text, Rect(0, 0, 50, 50), DT_WORDBREAK | DT_END_ELLIPSIS | DT_EDITCONTROL);
  EXPECT_FALSE(r.lines.empty());
  for (const auto& l : r.lines) EXPECT_LE(l.width, 50);
  const auto neg = Layout("abc def", Rect(0, 0, -10, -10), DT_WORDBREAK | DT_CENTER | DT_VCENTER);
  EXPECT_EQ(Lines(neg), (Strings{"abc", "def"}));
}

}  // namespace

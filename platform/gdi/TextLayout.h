// DrawText's layout, apart from any device: splits UTF-8 text into lines,
// wraps, expands tabs, handles '&' prefixes and ellipses, and places every
// character. Widths come from a callback, so the layout is testable with a
// fake measurer and draws exactly what it measured.
//
// Rules (DT_* values as in GdiTypes.h):
// - CR, LF and CR LF end a line; a trailing break adds an empty line. With
//   DT_SINGLELINE they end nothing and are not drawn. Empty text is one
//   empty line, so it measures one line high.
// - DT_WORDBREAK breaks after spaces and, unless DT_NOFULLWIDTHCHARBREAK, on
//   either side of a CJK ideograph, kana, Hangul or fullwidth form, except
//   before closing punctuation ("，。、：；！？）」』】》" and ASCII ",.:;!?)]}%")
//   and after opening punctuation ("（「『【《“" and ASCII "([{"). Spaces at a
//   break hang past the line and do not count in its width. A word wider
//   than the line overflows, unless DT_EDITCONTROL, which breaks it between
//   characters.
// - '&' underlines the next character and is removed; "&&" is one '&'; a
//   final lone '&' is dropped. One underline per line (the last marked
//   character). DT_NOPREFIX keeps '&' as text, DT_HIDEPREFIX removes the
//   marks without underlining, DT_PREFIXONLY draws only the underline.
// - Ellipses ("...") apply to each line wider than the rectangle:
//   DT_END_ELLIPSIS and DT_WORD_ELLIPSIS cut characters from the end; with
//   DT_WORDBREAK, DT_END_ELLIPSIS cuts a word too long for a line other than
//   the last without adding "...";
//   DT_PATH_ELLIPSIS keeps the part after the last '\' or '/' and cuts the
//   middle. With DT_EDITCONTROL and DT_END_ELLIPSIS the last line shown gets
//   an ellipsis when lines below it are dropped.
// - DT_VCENTER and DT_BOTTOM act only with DT_SINGLELINE. DT_EDITCONTROL
//   drops lines that would be partly below the rectangle (the first line
//   always stays). DT_EXTERNALLEADING adds the font's external leading to
//   the line height. DT_TABSTOP puts the tab length in bits 8-15.
// - DT_CALCRECT: the rectangle keeps its left and top; its width becomes the
//   widest line plus margins, its height the lines' height.
// - Return value: the text height; with DT_SINGLELINE and DT_VCENTER or
//   DT_BOTTOM, the distance from the rectangle's top to the text's bottom.
// - DT_RTLREADING and DT_INTERNAL are ignored.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

// Reads the character at byte `pos` for display: a byte that does not start
// a valid UTF-8 sequence reads as U+FFFD and is skipped alone. `next`
// receives the offset after the character.
char32_t ReadTextChar(std::string_view text, std::size_t pos, std::size_t& next);

constexpr char32_t kReplacementChar = 0xFFFD;

struct TextLayoutMetrics {
  int lineHeight = 0;  // the font's cell height
  int externalLeading = 0;
  int aveCharWidth = 0;  // for tab stops
  // Advance of one character, character extra included.
  std::function<int(char32_t)> charWidth;
};

struct TextLayoutParams {
  int tabLength = 8;  // in average character widths
  int leftMargin = 0;
  int rightMargin = 0;
};

struct TextLayoutChar {
  char32_t ch = 0;
  int x = 0;  // left edge, from the line's x
};

struct TextLayoutLine {
  std::vector<TextLayoutChar> chars;  // drawable characters; tabs and '&' marks are gone
  int x = 0;  // left of the line, logical coordinates
  int y = 0;  // top of the line's cell
  int width = 0;
  // Prefix underline as absolute x from left to right (exclusive); none when equal.
  int underlineLeft = 0;
  int underlineRight = 0;
};

struct TextLayoutResult {
  std::vector<TextLayoutLine> lines;
  int lineHeight = 0;
  int height = 0;      // DrawText's return value
  RECT calcRect{};     // the DT_CALCRECT answer (always computed)
  bool drawChars = true;  // false for DT_CALCRECT and DT_PREFIXONLY
  bool drawUnderlines = true;
  bool clip = true;
  RECT clipRect{};
  // The text as DT_MODIFYSTRING leaves it (set when an ellipsis replaced part
  // of a one-line text).
  bool modified = false;
  std::string modifiedText;
  std::size_t lengthDrawn = 0;  // bytes of text up to the end of the last line shown
};

TextLayoutResult LayoutDrawText(std::string_view text, const RECT& rect, UINT format,
                                const TextLayoutMetrics& metrics, const TextLayoutParams& params = {});

// Character classes of the line breaker, exposed for tests and for callers
// that wrap text themselves.
bool IsCjkBreakChar(char32_t c);
bool IsNoBreakBefore(char32_t c);
bool IsNoBreakAfter(char32_t c);

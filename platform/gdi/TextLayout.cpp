#include "platform/gdi/TextLayout.h"

#include <algorithm>

#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/CodePage.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr char32_t kEllipsis[] = U"...";
constexpr int kDefaultTabChars = 8;

// A character of one source line after prefix handling.
struct Item {
  char32_t ch;
  std::size_t srcBegin;  // byte range in the text
  std::size_t srcEnd;
  bool underline;
};

struct Paragraph {
  std::vector<Item> items;
  std::size_t srcEnd;  // end of the line's text, before its break
};

bool IsBreakSpace(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

template <std::size_t N>
bool InList(char32_t c, const char32_t (&list)[N]) {
  return std::find(std::begin(list), std::end(list), c) != std::end(list);
}

// Measures and places characters along a line from a start position; tab
// stops count from the line's start.
class Placer {
 public:
  Placer(const TextLayoutMetrics& m, bool expandTabs, int tabWidth)
      : metrics_(m), expandTabs_(expandTabs), tabWidth_(std::max(tabWidth, 1)) {}

  int Advance(int x, char32_t c) const {
    if (c == U'\t' && expandTabs_) return (x / tabWidth_ + 1) * tabWidth_;
    return x + Width(c);
  }
  int Width(char32_t c) const { return metrics_.charWidth ? metrics_.charWidth(c) : 0; }
  int RunWidth(const std::vector<Item>& items, std::size_t begin, std::size_t end) const {
    int x = 0;
    for (std::size_t i = begin; i < end; ++i) x = Advance(x, items[i].ch);
    return x;
  }
  int TextWidth(std::u32string_view s) const {
    int x = 0;
    for (char32_t c : s) x = Advance(x, c);
    return x;
  }

 private:
  const TextLayoutMetrics& metrics_;
  bool expandTabs_;
  int tabWidth_;
};

std::vector<Paragraph> SplitParagraphs(std::string_view text, UINT format) {
  std::vector<Paragraph> paragraphs;
  if (text.empty()) {
    paragraphs.push_back(Paragraph{{}, 0});
    return paragraphs;
  }
  const bool single = format & DT_SINGLELINE;
  const bool prefixes = !(format & DT_NOPREFIX);
  Paragraph current;
  bool pendingPrefix = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t next = pos;
    const char32_t c = ReadTextChar(text, pos, next);
    if (c == U'\r' || c == U'\n') {
      if (!single) {
        current.srcEnd = pos;
        paragraphs.push_back(std::move(current));
        current = Paragraph{};
        pendingPrefix = false;
        if (c == U'\r' && next < text.size() && text[next] == '\n') ++next;
      }
      pos = next;
      continue;
    }
    if (prefixes && c == U'&' && !pendingPrefix) {
      pendingPrefix = true;
      pos = next;
      continue;
    }
    // "&&" is a literal '&'; any other character after '&' is marked.
    current.items.push_back(Item{c, pos, next, pendingPrefix && c != U'&'});
    pendingPrefix = false;
    pos = next;
  }
  current.srcEnd = text.size();
  paragraphs.push_back(std::move(current));
  return paragraphs;
}

bool CanBreakBefore(const std::vector<Item>& items, std::size_t i, bool cjkBreaks) {
  const char32_t prev = items[i - 1].ch, cur = items[i].ch;
  if (IsBreakSpace(cur)) return false;  // spaces hang at the end of a line
  if (IsBreakSpace(prev)) return true;
  if (!cjkBreaks) return false;
  if (!IsCjkBreakChar(prev) && !IsCjkBreakChar(cur)) return false;
  return !IsNoBreakBefore(cur) && !IsNoBreakAfter(prev);
}

struct LineSpan {
  std::size_t begin, end;  // item range shown
};

// Greedy line filling over the break opportunities.
std::vector<LineSpan> WrapParagraph(const std::vector<Item>& items, int avail, const Placer& placer, UINT format) {
  std::vector<LineSpan> spans;
  const bool cjkBreaks = !(format & DT_NOFULLWIDTHCHARBREAK);
  const bool breakWords = format & DT_EDITCONTROL;
  const std::size_t n = items.size();
  std::size_t start = 0;
  if (n == 0) {
    spans.push_back({0, 0});
    return spans;
  }
  while (start < n) {
    int x = 0;
    std::size_t lastBreak = kNone, end = n;
    bool overflow = false;
    for (std::size_t i = start; i < n; ++i) {
      if (i > start && CanBreakBefore(items, i, cjkBreaks)) {
        if (overflow) {
          end = i;
          break;
        }
        lastBreak = i;
      }
      const int nx = placer.Advance(x, items[i].ch);
      if (!overflow && i > start && nx > avail && !IsBreakSpace(items[i].ch)) {
        if (lastBreak != kNone) {
          end = lastBreak;
          break;
        }
        if (breakWords) {
          end = i;
          break;
        }
        overflow = true;
      }
      x = nx;
    }
    std::size_t shownEnd = end;
    if (end < n)
      while (shownEnd > start && IsBreakSpace(items[shownEnd - 1].ch)) --shownEnd;
    spans.push_back({start, shownEnd});
    start = end;
    if (start < n)
      while (start < n && IsBreakSpace(items[start].ch)) ++start;
  }
  return spans;
}

// A line being built: its characters and where they came from.
struct BuiltLine {
  std::vector<Item> items;
  std::size_t srcEnd = 0;
  bool ellipsized = false;
  std::string modifiedText;
};

std::vector<Item> EllipsisItems(std::size_t at) {
  std::vector<Item> dots;
  for (char32_t c : std::u32string_view(kEllipsis)) dots.push_back(Item{c, at, at, false});
  return dots;
}

// The longest prefix of items[0, limit) whose width plus `extra` fits.
std::size_t FittingPrefix(const std::vector<Item>& items, std::size_t limit, int extra, int avail,
                          const Placer& placer) {
  std::size_t keep = 0;
  int x = 0;
  for (std::size_t i = 0; i < limit; ++i) {
    x = placer.Advance(x, items[i].ch);
    if (x + extra > avail) break;
    keep = i + 1;
  }
  return keep;
}

// Cuts characters from the end until the rest plus "..." fits.
void EndEllipsis(BuiltLine& line, int avail, const Placer& placer) {
  const std::size_t keep =
      FittingPrefix(line.items, line.items.size(), placer.TextWidth(kEllipsis), avail, placer);
  const std::size_t at = keep > 0 ? line.items[keep - 1].srcEnd : (line.items.empty() ? 0 : line.items[0].srcBegin);
  line.items.resize(keep);
  auto dots = EllipsisItems(at);
  line.items.insert(line.items.end(), dots.begin(), dots.end());
  line.ellipsized = true;
}

// Keeps the last path component and as much of the start as fits.
void PathEllipsis(BuiltLine& line, int avail, const Placer& placer, bool alsoEnd) {
  std::size_t sep = kNone;
  for (std::size_t i = line.items.size(); i-- > 0;) {
    if (line.items[i].ch == U'\\' || line.items[i].ch == U'/') {
      sep = i;
      break;
    }
  }
  if (sep == kNone) {
    EndEllipsis(line, avail, placer);
    return;
  }
  std::vector<Item> tail(line.items.begin() + static_cast<std::ptrdiff_t>(sep), line.items.end());
  const int fixedWidth = placer.TextWidth(kEllipsis) + placer.RunWidth(tail, 0, tail.size());
  const std::size_t keep = FittingPrefix(line.items, sep, fixedWidth, avail, placer);
  const std::size_t at = keep > 0 ? line.items[keep - 1].srcEnd : line.items[0].srcBegin;
  line.items.resize(keep);
  auto dots = EllipsisItems(at);
  line.items.insert(line.items.end(), dots.begin(), dots.end());
  line.items.insert(line.items.end(), tail.begin(), tail.end());
  line.ellipsized = true;
  if (alsoEnd && placer.RunWidth(line.items, 0, line.items.size()) > avail) EndEllipsis(line, avail, placer);
}

// The source text with the line's cut-out parts replaced by "..."; prefix
// marks between kept characters stay.
std::string ModifiedSource(std::string_view text, const BuiltLine& line) {
  std::string out;
  std::size_t cursor = 0;
  bool cut = false;
  for (const Item& item : line.items) {
    if (item.srcBegin == item.srcEnd) {  // an inserted ellipsis character
      AppendUtf8(out, item.ch);
      cut = true;
      continue;
    }
    const std::size_t from = cut ? item.srcBegin : std::min(cursor, item.srcBegin);
    out.append(text.substr(from, item.srcEnd - from));
    cursor = item.srcEnd;
    cut = false;
  }
  return out;
}

}  // namespace

char32_t ReadTextChar(std::string_view text, std::size_t pos, std::size_t& next) {
  char32_t c = 0;
  const std::size_t length = DecodeUtf8Char(text, pos, c);
  next = pos + (length ? length : 1);
  return length ? c : kReplacementChar;
}

bool IsCjkBreakChar(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) ||    // Hangul Jamo
         (c >= 0x2E80 && c <= 0x2FFF) ||    // radicals
         (c >= 0x3000 && c <= 0x33FF) ||    // CJK punctuation, kana, compatibility
         (c >= 0x3400 && c <= 0x4DBF) ||    // extension A
         (c >= 0x4E00 && c <= 0x9FFF) ||    // unified ideographs
         (c >= 0xA000 && c <= 0xA4CF) ||    // Yi
         (c >= 0xAC00 && c <= 0xD7AF) ||    // Hangul syllables
         (c >= 0xF900 && c <= 0xFAFF) ||    // compatibility ideographs
         (c >= 0xFE30 && c <= 0xFE4F) ||    // compatibility forms
         (c >= 0xFF00 && c <= 0xFFEF) ||    // fullwidth forms
         (c >= 0x20000 && c <= 0x3FFFF);    // supplementary ideographs
}

bool IsNoBreakBefore(char32_t c) {
  static constexpr char32_t kList[] = {
      U')', U']', U'}', U',', U'.', U':', U';', U'!', U'?', U'%',
      0x3001, 0x3002, 0xFF0C, 0xFF0E, 0xFF1A, 0xFF1B, 0xFF01, 0xFF1F, 0xFF09, 0xFF3D, 0xFF5D,
      0x300D, 0x300F, 0x3011, 0x3015, 0x3009, 0x300B, 0x3017, 0x3019, 0x301B, 0x201D, 0x2019,
      0x2026, 0x30FC, 0xFF05, 0x3005, 0x00B7, 0x30FB};
  return InList(c, kList);
}

bool IsNoBreakAfter(char32_t c) {
  static constexpr char32_t kList[] = {U'(', U'[', U'{', 0xFF08, 0xFF3B, 0xFF5B, 0x300C, 0x300E, 0x3010,
                                       0x3014, 0x3008, 0x300A, 0x3016, 0x3018, 0x301A, 0x201C, 0x2018};
  return InList(c, kList);
}

TextLayoutResult LayoutDrawText(std::string_view text, const RECT& rect, UINT format,
                                const TextLayoutMetrics& metrics, const TextLayoutParams& params) {
  int tabChars = params.tabLength > 0 ? params.tabLength : kDefaultTabChars;
  if (format & DT_TABSTOP) {
    tabChars = static_cast<int>((format >> 8) & 0xFF);
    if (tabChars == 0) tabChars = kDefaultTabChars;
    format &= ~0xFF00u;
  }
  const bool single = format & DT_SINGLELINE;
  const bool wrap = (format & DT_WORDBREAK) && !single;
  const Placer placer(metrics, format & DT_EXPANDTABS, tabChars * std::max(metrics.aveCharWidth, 1));

  const int left = rect.Left + params.leftMargin;
  const int right = rect.Right - params.rightMargin;
  const int avail = right - left;
  const int lineHeight =
      std::max(0, metrics.lineHeight + ((format & DT_EXTERNALLEADING) ? metrics.externalLeading : 0));

  // Lines, wrapped and ellipsized.
  std::vector<BuiltLine> built;
  for (Paragraph& para : SplitParagraphs(text, format)) {
    std::vector<LineSpan> spans;
    if (wrap)
      spans = WrapParagraph(para.items, avail, placer, format);
    else
      spans.push_back({0, para.items.size()});
    for (std::size_t s = 0; s < spans.size(); ++s) {
      BuiltLine line;
      line.items.assign(para.items.begin() + static_cast<std::ptrdiff_t>(spans[s].begin),
                        para.items.begin() + static_cast<std::ptrdiff_t>(spans[s].end));
      line.srcEnd = s + 1 < spans.size() ? para.items[spans[s + 1].begin].srcBegin : para.srcEnd;
      built.push_back(std::move(line));
    }
  }

  const bool endEllipsis = format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS);
  // DT_END_ELLIPSIS marks only the end of the text: a wrapped word too long
  // for its line before the last is cut short without dots.
  const bool cutInnerWords = wrap && !(format & (DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS));
  for (std::size_t i = 0; i < built.size(); ++i) {
    BuiltLine& line = built[i];
    if (!endEllipsis && !(format & DT_PATH_ELLIPSIS)) break;
    if (placer.RunWidth(line.items, 0, line.items.size()) <= avail) continue;
    if (format & DT_PATH_ELLIPSIS)
      PathEllipsis(line, avail, placer, endEllipsis);
    else if (cutInnerWords && i + 1 < built.size())
      line.items.resize(FittingPrefix(line.items, line.items.size(), 0, avail, placer));
    else
      EndEllipsis(line, avail, placer);
  }

  TextLayoutResult result;
  result.lineHeight = lineHeight;
  result.lengthDrawn = text.size();

  // An edit control shows whole lines only.
  if ((format & DT_EDITCONTROL) && !(format & DT_CALCRECT) && lineHeight > 0 && built.size() > 1) {
    std::size_t fit = static_cast<std::size_t>(std::max(1, rect.Height() / lineHeight));
    if (fit < built.size()) {
      built.resize(fit);
      result.lengthDrawn = built.back().srcEnd;
      if (format & DT_END_ELLIPSIS) {
        BuiltLine& last = built.back();
        const int dots = placer.TextWidth(kEllipsis);
        if (placer.RunWidth(last.items, 0, last.items.size()) + dots > avail) {
          EndEllipsis(last, avail, placer);
        } else {
          auto e = EllipsisItems(last.srcEnd);
          last.items.insert(last.items.end(), e.begin(), e.end());
          last.ellipsized = true;
        }
      }
    }
  }

  if (built.size() == 1 && built[0].ellipsized) {
    result.modified = true;
    result.modifiedText = ModifiedSource(text, built[0]);
  }

  const int count = static_cast<int>(built.size());
  int top = rect.Top;
  if (single && count > 0) {
    if (format & DT_VCENTER)
      top = rect.Top + (rect.Height() - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      top = rect.Bottom - lineHeight;
  }

  int widest = 0;
  for (int i = 0; i < count; ++i) {
    const BuiltLine& b = built[static_cast<std::size_t>(i)];
    TextLayoutLine line;
    int x = 0;
    std::size_t underlined = kNone;
    for (const Item& item : b.items) {
      if (!(item.ch == U'\t' && (format & DT_EXPANDTABS))) {
        if (item.underline) underlined = line.chars.size();
        line.chars.push_back({item.ch, x});
      }
      x = placer.Advance(x, item.ch);
    }
    line.width = x;
    widest = std::max(widest, x);
    if (format & DT_RIGHT)
      line.x = right - x;
    else if (format & DT_CENTER)
      line.x = left + (avail - x) / 2;
    else
      line.x = left;
    line.y = top + i * lineHeight;
    if (underlined != kNone && !(format & DT_HIDEPREFIX)) {
      const TextLayoutChar& u = line.chars[underlined];
      line.underlineLeft = line.x + u.x;
      line.underlineRight = line.underlineLeft + placer.Width(u.ch);
    }
    result.lines.push_back(std::move(line));
  }

  const int textHeight = count * lineHeight;
  result.height = (single && (format & (DT_VCENTER | DT_BOTTOM)) && count > 0) ? top + lineHeight - rect.Top
                                                                               : textHeight;
  result.calcRect = rect;
  result.calcRect.Right = rect.Left + params.leftMargin + widest + params.rightMargin;
  result.calcRect.Bottom = rect.Top + textHeight;
  if (format & DT_CALCRECT) result.height = textHeight;
  result.drawChars = !(format & (DT_CALCRECT | DT_PREFIXONLY));
  result.drawUnderlines = !(format & (DT_CALCRECT | DT_HIDEPREFIX | DT_NOPREFIX));
  result.clip = !(format & DT_NOCLIP);
  result.clipRect = rect;
  return result;
}

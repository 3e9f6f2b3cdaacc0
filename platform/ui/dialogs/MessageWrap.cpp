#include "platform/ui/dialogs/MessageWrap.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/TextLayout.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Breaks one line (no line ends) into out, each piece within maxWidth.
void WrapLine(std::string_view line, int maxWidth, const std::function<int(std::string_view)>& width,
              std::string& out) {
  // Character starts, and whether a break may come before each.
  std::vector<std::size_t> starts;
  std::vector<char32_t> chars;
  for (std::size_t pos = 0, next = 0; pos < line.size(); pos = next) {
    chars.push_back(ReadTextChar(line, pos, next));
    starts.push_back(pos);
  }
  starts.push_back(line.size());
  const std::size_t n = chars.size();
  auto breakBefore = [&](std::size_t i) {
    if (i == 0 || i >= n) return false;
    const char32_t prev = chars[i - 1], c = chars[i];
    if (c == ' ' || IsNoBreakBefore(c) || IsNoBreakAfter(prev)) return false;
    if (prev == ' ' || prev == '/' || prev == '\\') return true;
    return IsCjkBreakChar(prev) || IsCjkBreakChar(c);
  };

  std::size_t first = 0;
  while (first < n) {
    auto span = [&](std::size_t a, std::size_t b) { return line.substr(starts[a], starts[b] - starts[a]); };
    if (width(span(first, n)) <= maxWidth) {
      out.append(span(first, n));
      return;
    }
    // The most characters that fit, at least one: widths grow with the text.
    std::size_t lo = first + 1, hi = n;
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo + 1) / 2;
      if (width(span(first, mid)) <= maxWidth) lo = mid;
      else hi = mid - 1;
    }
    // A space at the end hangs past the line: it may end it.
    std::size_t end = lo;
    while (end < n && chars[end] == ' ') ++end;
    std::size_t cut = end;
    if (end == lo) {
      // A break after the line's first character alone (a path's leading
      // separator) would waste the line: the characters are cut instead.
      cut = lo;
      while (cut > first + 1 && !breakBefore(cut)) --cut;
      if (cut <= first + 1) cut = lo;
    }
    std::size_t shown = cut;
    while (shown > first + 1 && chars[shown - 1] == ' ') --shown;
    out.append(span(first, shown));
    first = cut;
    while (first < n && chars[first] == ' ') ++first;
    if (first < n) out.push_back('\n');
  }
}

}  // namespace

std::string WrapMessageText(std::string_view text, int maxWidth, const std::function<int(std::string_view)>& width) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    WrapLine(text.substr(pos, end - pos), maxWidth, width, out);
    if (end == text.size()) break;
    // The message's own line end, kept as it was (CR LF stays one).
    std::size_t after = end + 1;
    if (text[end] == '\r' && after < text.size() && text[after] == '\n') ++after;
    out.append(text.substr(end, after - end));
    pos = after;
  }
  return out;
}

int MessageBoxMaxWidth() {
  TRect work = Screen->WorkAreaRect();
  if (TForm* active = Screen->ActiveForm())
    if (TMonitor* m = Screen->MonitorFromWindow(active->Handle(), mdNearest)) work = m->WorkareaRect();
  return std::max(200, work.Width() * 2 / 3);
}

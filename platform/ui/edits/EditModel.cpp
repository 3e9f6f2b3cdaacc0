#include "platform/ui/edits/EditModel.h"

#include <algorithm>
#include <cstdint>

#include "platform/gdi/TextLayout.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Types.h"

// ---- UTF-8 helpers ----------------------------------------------------------------
std::size_t Utf8Next(std::string_view s, std::size_t p) {
  if (p >= s.size()) return s.size();
  char32_t cp = 0;
  std::size_t n = DecodeUtf8Char(s, p, cp);
  return p + (n ? n : 1);
}

std::size_t Utf8Prev(std::string_view s, std::size_t p) {
  if (p == 0) return 0;
  if (p > s.size()) return s.size();
  std::size_t q = p - 1;
  while (q > 0 && p - q < 4 && (Byte(s[q]) & 0xC0) == 0x80) --q;
  char32_t cp = 0;
  return DecodeUtf8Char(s, q, cp) == p - q ? q : p - 1;
}

std::size_t Utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t p = 0; p < s.size(); p = Utf8Next(s, p)) ++n;
  return n;
}

std::string_view Utf8Left(std::string_view s, std::size_t n) {
  std::size_t p = 0;
  for (; n > 0 && p < s.size(); --n) p = Utf8Next(s, p);
  return s.substr(0, p);
}

char32_t Utf8At(std::string_view s, std::size_t p) {
  char32_t cp = 0;
  return DecodeUtf8Char(s, p, cp) ? cp : kReplacementChar;
}

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// Upper or lower case of ASCII and Latin-1 letters; lengths never change,
// so offsets into converted text stay valid.
std::string ConvertCase(std::string_view s, TEditCharCase cc) {
  std::string out(s);
  if (cc == ecNormal) return out;
  for (std::size_t p = 0; p < out.size();) {
    Byte b = Byte(out[p]);
    if (b < 0x80) {
      if (cc == ecUpperCase && b >= 'a' && b <= 'z') out[p] = char(b - 32);
      if (cc == ecLowerCase && b >= 'A' && b <= 'Z') out[p] = char(b + 32);
      ++p;
      continue;
    }
    std::size_t next = Utf8Next(out, p);
    char32_t c = Utf8At(out, p);
    char32_t converted = c;
    if (cc == ecUpperCase && c >= 0xE0 && c <= 0xFE && c != 0xF7) converted = c - 0x20;
    if (cc == ecLowerCase && c >= 0xC0 && c <= 0xDE && c != 0xD7) converted = c + 0x20;
    if (converted != c) {
      std::string enc;
      AppendUtf8(enc, converted);
      out.replace(p, next - p, enc);
    }
    p = next;
  }
  return out;
}

enum class TCharClass { Space, Break, Word, Cjk, Punct };

TCharClass ClassOf(char32_t c) {
  if (c == ' ' || c == '\t' || c == 0x3000) return TCharClass::Space;
  if (c == '\r' || c == '\n') return TCharClass::Break;
  if (IsCjkBreakChar(c)) return TCharClass::Cjk;
  if (c < 0x80) {
    bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return alnum ? TCharClass::Word : TCharClass::Punct;
  }
  return IsNoBreakBefore(c) || IsNoBreakAfter(c) ? TCharClass::Punct : TCharClass::Word;
}

}  // namespace

// ---- TEditModel -----------------------------------------------------------------------
std::string TEditModel::Prepare(std::string_view s) const {
  std::string t;
  if (!multiLine_) {
    std::size_t cut = s.find_first_of("\r\n");
    t = std::string(s.substr(0, cut));
  } else {
    t.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\r' || s[i] == '\n') {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        t += "\r\n";
      } else {
        t += s[i];
      }
    }
  }
  return ConvertCase(t, charCase_);
}

bool TEditModel::SetText(std::string_view s) {
  std::string t = Prepare(s);
  bool changed = t != text_;
  text_ = std::move(t);
  anchor_ = caret_ = 0;
  undo_ = {};
  Modified = false;
  return changed;
}

bool TEditModel::SetCharCase(TEditCharCase v) {
  charCase_ = v;
  std::string t = ConvertCase(text_, v);
  if (t == text_) return false;
  text_ = std::move(t);
  undo_ = {};
  return true;
}

std::size_t TEditModel::Snap(std::size_t p) const {
  if (p >= text_.size()) return text_.size();
  std::size_t q = p;
  while (q > 0 && p - q < 3 && (Byte(text_[q]) & 0xC0) == 0x80) --q;
  if (q != p && Utf8Next(text_, q) > p) p = q;
  if (multiLine_ && p > 0 && text_[p] == '\n' && text_[p - 1] == '\r') --p;
  return p;
}

void TEditModel::SetSelection(std::size_t anchor, std::size_t caret) {
  anchor_ = Snap(anchor);
  caret_ = Snap(caret);
  undo_.typing = false;
}

int TEditModel::ByteToChar(std::size_t byte) const {
  int n = 0;
  for (std::size_t p = 0; p < byte && p < text_.size(); p = Utf8Next(text_, p)) ++n;
  return n;
}

std::size_t TEditModel::CharToByte(int ch) const {
  if (ch < 0) return text_.size();
  std::size_t p = 0;
  for (; ch > 0 && p < text_.size(); --ch) p = Utf8Next(text_, p);
  return p;
}

std::size_t TEditModel::NextPos(std::size_t p) const {
  if (p >= text_.size()) return text_.size();
  if (multiLine_ && text_[p] == '\r' && p + 1 < text_.size() && text_[p + 1] == '\n') return p + 2;
  return Utf8Next(text_, p);
}

std::size_t TEditModel::PrevPos(std::size_t p) const {
  std::size_t q = Utf8Prev(text_, p);
  if (multiLine_ && q > 0 && text_[q] == '\n' && text_[q - 1] == '\r') --q;
  return q;
}

std::size_t TEditModel::NextWordPos(std::size_t p) const {
  if (p >= text_.size()) return text_.size();
  TCharClass c = ClassOf(Utf8At(text_, p));
  if (c == TCharClass::Break) return NextPos(p);
  if (c != TCharClass::Space)
    while (p < text_.size() && ClassOf(Utf8At(text_, p)) == c) p = NextPos(p);
  while (p < text_.size() && ClassOf(Utf8At(text_, p)) == TCharClass::Space) p = NextPos(p);
  return p;
}

std::size_t TEditModel::PrevWordPos(std::size_t p) const {
  if (p == 0) return 0;
  std::size_t q = PrevPos(p);
  if (ClassOf(Utf8At(text_, q)) == TCharClass::Break) return q;
  while (q > 0 && ClassOf(Utf8At(text_, q)) == TCharClass::Space) q = PrevPos(q);
  TCharClass c = ClassOf(Utf8At(text_, q));
  if (c == TCharClass::Space || c == TCharClass::Break) return c == TCharClass::Break ? NextPos(q) : q;
  while (q > 0) {
    std::size_t before = PrevPos(q);
    if (ClassOf(Utf8At(text_, before)) != c) break;
    q = before;
  }
  return q;
}

void TEditModel::WordAt(std::size_t p, std::size_t& start, std::size_t& end) const {
  p = Snap(p);
  if ((p >= text_.size() || IsBreak(text_[p])) && p > 0 && !IsBreak(text_[PrevPos(p)])) p = PrevPos(p);
  start = end = p;
  if (p >= text_.size() || IsBreak(text_[p])) return;
  TCharClass c = ClassOf(Utf8At(text_, p));
  while (start > 0) {
    std::size_t before = PrevPos(start);
    if (ClassOf(Utf8At(text_, before)) != c) break;
    start = before;
  }
  while (end < text_.size() && ClassOf(Utf8At(text_, end)) == c) end = NextPos(end);
}

void TEditModel::Replace(std::size_t start, std::size_t end, const std::string& s, bool typing) {
  // Overwriting removes as it types: what it removes lies right after the
  // run's removed text in the original, so the record grows on both sides.
  bool extend = typing && undo_.valid && undo_.typing && start == undo_.pos + undo_.inserted.size();
  if (extend) {
    undo_.removed += text_.substr(start, end - start);
    undo_.inserted += s;
  } else {
    undo_.valid = true;
    undo_.typing = typing;
    undo_.pos = start;
    undo_.removed = text_.substr(start, end - start);
    undo_.inserted = s;
  }
  text_.replace(start, end - start, s);
  anchor_ = caret_ = start + s.size();
  Modified = true;
}

std::string TEditModel::CutToRoom(const std::string& s) const {
  if (maxLength_ <= 0) return s;
  int selChars = ByteToChar(SelEndByte()) - ByteToChar(SelStartByte());
  int room = maxLength_ - (CharCount() - selChars);
  if (room <= 0) return {};
  std::string t(Utf8Left(s, std::size_t(room)));
  // Half a line break is no line break.
  if (!t.empty() && t.back() == '\r' && t.size() < s.size()) t.pop_back();
  return t;
}

bool TEditModel::OverwriteTarget(std::size_t& start, std::size_t& end) const {
  if (HasSelection() || caret_ >= text_.size() || IsBreak(text_[caret_])) return false;
  start = caret_;
  end = Utf8Next(text_, caret_);
  return true;
}

std::size_t TEditModel::FitTyped(const std::string& t) const {
  const bool over = overwrite_ && !HasSelection();
  // Characters overwriting can take before the line ends.
  int avail = 0;
  for (std::size_t p = caret_; over && p < text_.size() && !IsBreak(text_[p]); p = Utf8Next(text_, p)) ++avail;
  const int selChars = ByteToChar(SelEndByte()) - ByteToChar(SelStartByte());
  const int room = maxLength_ > 0 ? maxLength_ - (CharCount() - selChars) : INT32_MAX;
  int grown = 0;
  std::size_t p = 0;
  while (p < t.size()) {
    const bool crlf = t[p] == '\r' && p + 1 < t.size() && t[p + 1] == '\n';
    const std::size_t q = crlf ? p + 2 : Utf8Next(t, p);
    if (over && avail > 0 && !IsBreak(t[p])) {
      --avail;
    } else {
      const int n = crlf ? 2 : 1;
      if (grown + n > room) break;
      grown += n;
    }
    p = q;
  }
  return p;
}

void TEditModel::TypePrepared(const std::string& t) {
  std::size_t start = SelStartByte(), end = SelEndByte();
  if (overwrite_ && !HasSelection()) {
    std::size_t chars = 0;
    for (std::size_t p = 0; p < t.size(); p = Utf8Next(t, p))
      if (!IsBreak(t[p])) ++chars;
    for (; chars > 0 && end < text_.size() && !IsBreak(text_[end]); --chars) end = Utf8Next(text_, end);
  }
  Replace(start, end, t, true);
}

bool TEditModel::Type(std::string_view s) {
  std::string t = Prepare(s);
  if (t.empty() || FitTyped(t) < t.size()) return false;
  TypePrepared(t);
  return true;
}

bool TEditModel::TypeRun(std::string_view s, bool* cut) {
  std::string t = Prepare(s);
  std::size_t fit = FitTyped(t);
  if (cut) *cut = fit < t.size();
  if (fit == 0) return false;
  t.resize(fit);
  TypePrepared(t);
  return true;
}

bool TEditModel::Paste(std::string_view s) {
  std::string t = CutToRoom(Prepare(s));
  if (t.empty()) return false;
  Replace(SelStartByte(), SelEndByte(), t, false);
  return true;
}

bool TEditModel::ReplaceSel(std::string_view s, bool canUndo) {
  std::string t = CutToRoom(Prepare(s));
  if (t.empty() && !HasSelection()) return false;
  Replace(SelStartByte(), SelEndByte(), t, false);
  if (!canUndo) EmptyUndoBuffer();
  return true;
}

bool TEditModel::ReplaceRange(std::size_t start, std::size_t end, std::string_view s) {
  start = Snap(start);
  end = std::max(start, Snap(end));
  std::string t = Prepare(s);
  bool changed = text_.compare(start, end - start, t) != 0;
  Replace(start, end, t, false);
  undo_ = {};
  return changed;
}

bool TEditModel::DeleteSelection() {
  if (!HasSelection()) return false;
  Replace(SelStartByte(), SelEndByte(), std::string(), false);
  return true;
}

bool TEditModel::Backspace() {
  if (HasSelection()) return DeleteSelection();
  if (caret_ == 0) return false;
  Replace(PrevPos(caret_), caret_, std::string(), false);
  return true;
}

bool TEditModel::DeleteForward() {
  if (HasSelection()) return DeleteSelection();
  if (caret_ >= text_.size()) return false;
  Replace(caret_, NextPos(caret_), std::string(), false);
  return true;
}

bool TEditModel::Undo() {
  if (!undo_.valid) return false;
  UndoRecord r = undo_;
  text_.replace(r.pos, r.inserted.size(), r.removed);
  undo_.valid = true;
  undo_.typing = false;
  undo_.removed = r.inserted;
  undo_.inserted = r.removed;
  anchor_ = r.pos;
  caret_ = r.pos + r.removed.size();
  Modified = true;
  return r.removed != r.inserted;
}

// ---- Layout -------------------------------------------------------------------------------
namespace {

int Advance(char32_t c, int x, const TEditCharWidth& width, int tabWidth) {
  if (c != '\t') return width(c);
  if (tabWidth <= 0) return width(' ');
  return (x / tabWidth + 1) * tabWidth - x;
}

void WrapLine(std::string_view text, std::size_t start, std::size_t end, std::size_t next, int wrapWidth,
              const TEditCharWidth& width, int tabWidth, std::vector<TEditLine>& out) {
  std::size_t pos = start;
  while (true) {
    int x = 0;
    std::size_t lastBreak = std::string_view::npos;
    char32_t prev = 0;
    std::size_t i = pos;
    bool wrapped = false;
    while (i < end) {
      char32_t c = Utf8At(text, i);
      std::size_t after = Utf8Next(text, i);
      int w = Advance(c, x, width, tabWidth);
      if (c == ' ' || c == '\t' || c == 0x3000) {
        // Spaces hang past the edge; the next line starts after them.
        x += w;
        lastBreak = after;
      } else {
        if (i > pos && (IsCjkBreakChar(prev) || IsCjkBreakChar(c)) && !IsNoBreakBefore(c) && !IsNoBreakAfter(prev))
          lastBreak = i;
        if (x + w > wrapWidth && i > pos) {
          std::size_t brk = lastBreak != std::string_view::npos && lastBreak > pos ? lastBreak : i;
          out.push_back(TEditLine{pos, brk, brk});
          pos = brk;
          wrapped = true;
          break;
        }
        x += w;
      }
      prev = c;
      i = after;
    }
    if (!wrapped) {
      out.push_back(TEditLine{pos, end, next});
      return;
    }
  }
}

}  // namespace

std::vector<int> EditCharPositions(std::string_view text, std::size_t start, std::size_t end,
                                   const TEditCharWidth& width, int tabWidth) {
  std::vector<int> xs{0};
  int x = 0;
  for (std::size_t p = start; p < end && p < text.size(); p = Utf8Next(text, p)) {
    x += Advance(Utf8At(text, p), x, width, tabWidth);
    xs.push_back(x);
  }
  return xs;
}

std::vector<TEditLine> LayoutEditLines(std::string_view text, bool multiLine, int wrapWidth,
                                       const TEditCharWidth& width, int tabWidth) {
  std::vector<TEditLine> lines;
  if (!multiLine) {
    lines.push_back(TEditLine{0, text.size(), text.size()});
    return lines;
  }
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find_first_of("\r\n", start);
    bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::size_t next = last ? end : end + 1;
    if (!last && text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    if (wrapWidth > 0)
      WrapLine(text, start, end, next, wrapWidth, width, tabWidth, lines);
    else
      lines.push_back(TEditLine{start, end, next});
    if (last) break;
    start = next;
  }
  return lines;
}

#include "platform/ui/edits/Memo.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"

namespace {

// Lines of the text between CR LFs; a final CR LF ends the last line
// rather than starting an empty one.
std::vector<std::string> SplitLines(const std::string& t) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < t.size()) {
    std::size_t e = t.find("\r\n", start);
    if (e == std::string::npos) {
      lines.push_back(t.substr(start));
      return lines;
    }
    lines.push_back(t.substr(start, e - start));
    start = e + 2;
  }
  return lines;
}

// The inverse of SplitLines: an empty last line keeps a CR LF after it.
std::string JoinLines(const std::vector<std::string>& lines) {
  std::string t;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    t += lines[i];
    if (i + 1 < lines.size() || lines[i].empty()) t += "\r\n";
  }
  return t;
}

bool Inside(const std::string& t, std::size_t p) {
  if (p == 0 || p >= t.size()) return false;
  return (Byte(t[p]) & 0xC0) == 0x80 || (t[p] == '\n' && t[p - 1] == '\r');
}

}  // namespace

// ---- TMemoStrings ---------------------------------------------------------------------
std::vector<TMemoStrings::Range> TMemoStrings::Ranges() const {
  std::vector<Range> r;
  const std::string& t = memo_->model_.Text();
  std::size_t start = 0;
  while (start < t.size()) {
    std::size_t e = t.find("\r\n", start);
    if (e == std::string::npos) {
      r.push_back(Range{start, t.size(), t.size()});
      break;
    }
    r.push_back(Range{start, e, e + 2});
    start = e + 2;
  }
  return r;
}

void TMemoStrings::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) Error("List index out of bounds (%d)", index);
}

int TMemoStrings::Count() const { return batching_ ? int(batch_.size()) : int(Ranges().size()); }

std::string TMemoStrings::Strings(int index) const {
  if (batching_) {
    CheckIndex(index, int(batch_.size()));
    return batch_[std::size_t(index)];
  }
  std::vector<Range> r = Ranges();
  CheckIndex(index, int(r.size()));
  return memo_->model_.Text().substr(r[std::size_t(index)].start, r[std::size_t(index)].end - r[std::size_t(index)].start);
}

namespace {

// Rewrites only the part of the memo's text that differs, so the caret
// lands after the change.
template <class Apply>
void ApplyText(const std::string& from, const std::string& to, Apply apply) {
  std::size_t p = 0;
  const std::size_t limit = std::min(from.size(), to.size());
  while (p < limit && from[p] == to[p]) ++p;
  while (Inside(from, p) || Inside(to, p)) --p;
  std::size_t s = 0;
  while (s < limit - p && from[from.size() - 1 - s] == to[to.size() - 1 - s]) ++s;
  while (s > 0 && (Inside(from, from.size() - s) || Inside(to, to.size() - s))) --s;
  if (p == from.size() && p == to.size()) return;
  apply(p, from.size() - s, to.substr(p, to.size() - s - p));
}

}  // namespace

void TMemoStrings::SetUpdateState(bool updating) {
  if (updating) {
    // Settled first, so the batch starts from the text with the composition in it.
    if (!memo_->CompleteComposition()) return;
    batch_ = SplitLines(memo_->model_.Text());
    batching_ = true;
    return;
  }
  batching_ = false;
  std::vector<std::string> lines;
  lines.swap(batch_);
  ApplyText(memo_->model_.Text(), JoinLines(lines),
            [this](std::size_t a, std::size_t b, const std::string& s) { memo_->ReplaceRange(a, b, s); });
}

void TMemoStrings::Put(int index, const std::string& s) {
  if (batching_) {
    CheckIndex(index, int(batch_.size()));
    batch_[std::size_t(index)] = s;
    return;
  }
  if (!memo_->CompleteComposition()) return;
  std::vector<std::string> lines = SplitLines(memo_->model_.Text());
  CheckIndex(index, int(lines.size()));
  lines[std::size_t(index)] = s;
  ApplyText(memo_->model_.Text(), JoinLines(lines),
            [this](std::size_t a, std::size_t b, const std::string& t) { memo_->ReplaceRange(a, b, t); });
}

void TMemoStrings::Insert(int index, const std::string& s) {
  if (!batching_ && !memo_->CompleteComposition()) return;
  std::vector<std::string> lines = batching_ ? batch_ : SplitLines(memo_->model_.Text());
  CheckIndex(index, int(lines.size()) + 1);
  lines.insert(lines.begin() + index, s);
  if (batching_) {
    batch_.swap(lines);
    return;
  }
  ApplyText(memo_->model_.Text(), JoinLines(lines),
            [this](std::size_t a, std::size_t b, const std::string& t) { memo_->ReplaceRange(a, b, t); });
}

void TMemoStrings::Delete(int index) {
  if (!batching_ && !memo_->CompleteComposition()) return;
  std::vector<std::string> lines = batching_ ? batch_ : SplitLines(memo_->model_.Text());
  CheckIndex(index, int(lines.size()));
  lines.erase(lines.begin() + index);
  if (batching_) {
    batch_.swap(lines);
    return;
  }
  ApplyText(memo_->model_.Text(), JoinLines(lines),
            [this](std::size_t a, std::size_t b, const std::string& t) { memo_->ReplaceRange(a, b, t); });
}

void TMemoStrings::Clear() {
  if (batching_) {
    batch_.clear();
    return;
  }
  if (!memo_->CompleteComposition()) return;
  memo_->ReplaceRange(0, memo_->model_.Text().size(), std::string());
}

// ---- TCustomMemo ----------------------------------------------------------------------------
TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner, true),
      lines_(std::make_unique<TMemoStrings>(this)),
      canvas_(std::make_unique<TControlCanvas>(this)) {
  SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::PaintWindow(HDC DC) {
  TCustomEdit::PaintWindow(DC);
  if (!OnAfterPaint) return;
  auto alive = AliveToken();
  int saved = SaveDC(DC);
  canvas_->Lock();
  canvas_->SetHandle(DC);
  canvas_->Font()->Assign(Font());
  OnAfterPaint(this, canvas_.get());
  // The hook may have freed the memo, and its canvas with it.
  if (!*alive) {
    RestoreDC(DC, saved);
    return;
  }
  canvas_->SetHandle(nullptr);
  canvas_->Unlock();
  RestoreDC(DC, saved);
}

void TCustomMemo::SetLines(const TStrings* v) { lines_->Assign(v); }

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= ES_AUTOVSCROLL;
  if (!wordWrap_) Params.Style |= ES_AUTOHSCROLL;
  if (wantReturns_) Params.Style |= ES_WANTRETURN;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= WS_HSCROLL;
}

int TCustomMemo::WrapWidth() const { return wordWrap_ ? std::max(1, FormattingRect().Width()) : 0; }

void TCustomMemo::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  SetStyleBits(ES_AUTOHSCROLL, v ? 0 : ES_AUTOHSCROLL);
  LayoutChanged();
}

void TCustomMemo::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  RecreateWnd();
}

TPoint TCustomMemo::CaretPos() const {
  const std::vector<TEditLine>& lines = EditLines();
  const std::size_t c = model_.CaretPos();
  int i = 0;
  while (i + 1 < int(lines.size()) && lines[std::size_t(i) + 1].start <= c) ++i;
  return TPoint{model_.ByteToChar(c) - model_.ByteToChar(lines[std::size_t(i)].start), i};
}

void TCustomMemo::Dispatch(TMessage& Message) {
  TCustomEdit::Dispatch(Message);
  if (Message.Msg == WM_GETDLGCODE) {
    if (wantTabs_)
      Message.Result |= DLGC_WANTTAB;
    else
      Message.Result &= ~DLGC_WANTTAB;
    if (!wantReturns_) Message.Result &= ~DLGC_WANTALLKEYS;
  }
}

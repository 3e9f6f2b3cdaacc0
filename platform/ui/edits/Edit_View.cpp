// TCustomEdit's view: font metrics, lines, the formatting rectangle,
// scrolling, the caret, painting and mouse selection.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/edits/Edit.h"
#include "platform/user/input/Ime.h"

namespace {

// A memory DC with the font selected, for measuring before and outside paint.
class TMeasureDC {
 public:
  explicit TMeasureDC(TFont* font) : dc_(CreateCompatibleDC(nullptr)) { old_ = SelectObject(dc_, font->Handle()); }
  ~TMeasureDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  TMeasureDC(const TMeasureDC&) = delete;
  TMeasureDC& operator=(const TMeasureDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace

// ---- Metrics and layout ----------------------------------------------------------------
void TCustomEdit::RefreshMetrics() {
  if (metricsValid_) return;
  TMeasureDC dc(Font());
  TEXTMETRIC tm;
  GetTextMetrics(dc.Get(), &tm);
  lineHeight_ = std::max(1, int(tm.tmHeight));
  aveCharWidth_ = std::max(1, int(tm.tmAveCharWidth));
  widths_.clear();
  metricsValid_ = true;
}

int TCustomEdit::LineHeight() const {
  const_cast<TCustomEdit*>(this)->RefreshMetrics();
  return lineHeight_;
}

int TCustomEdit::CharWidth(char32_t c) const {
  auto it = widths_.find(c);
  if (it != widths_.end()) return it->second;
  TMeasureDC dc(Font());
  int w = 0;
  if (!GetCharWidth32(dc.Get(), UINT(c), UINT(c), &w)) w = aveCharWidth_;
  widths_[c] = w;
  return w;
}

TEditCharWidth TCustomEdit::WidthFunc() const {
  const char32_t mask = multiLine_ ? 0 : passwordChar_;
  return [this, mask](char32_t c) { return CharWidth(mask ? mask : c); };
}

int TCustomEdit::TabWidth() const { return multiLine_ ? aveCharWidth_ * 8 : 0; }

TRect TCustomEdit::FormattingRect() const {
  if (rectSet_) return rect_;
  TRect r = ClientRect();
  // Inside a sunken edge the text keeps a pixel off it on every side (top
  // and bottom when the line has room), besides the margins.
  if (borderStyle_ == bsSingle) {
    r.Left += 1;
    r.Right -= 1;
    if (r.Height() >= LineHeight() + 2) {
      r.Top += 1;
      r.Bottom -= 1;
    }
  }
  r.Left += leftMargin_;
  r.Right = std::max(r.Left, r.Right - rightMargin_);
  return r;
}

void TCustomEdit::Relayout() {
  RefreshMetrics();
  lines_ = LayoutEditLines(model_.Text(), multiLine_, WrapWidth(), WidthFunc(), TabWidth());
  contentWidth_ = 0;
  for (const TEditLine& line : lines_) contentWidth_ = std::max(contentWidth_, LineWidth(line) + 1);
  if (ShowsComposition()) BuildCompositionView();
}

void TCustomEdit::BuildCompositionView() {
  RefreshMetrics();
  const std::string& t = model_.Text();
  compStart_ = model_.SelStartByte();
  compEnd_ = compStart_ + compText_.size();
  compCaret_ = compStart_ + Utf8Left(compText_, std::size_t(std::max(compCursor_, 0))).size();
  viewText_ = t.substr(0, compStart_) + compText_ + t.substr(model_.SelEndByte());
  viewLines_ = LayoutEditLines(viewText_, multiLine_, WrapWidth(), WidthFunc(), TabWidth());
  for (const TEditLine& line : viewLines_)
    contentWidth_ = std::max(contentWidth_, PositionsIn(viewText_, line).back() + 1);
}

std::vector<int> TCustomEdit::PositionsIn(const std::string& text, const TEditLine& line) const {
  return EditCharPositions(text, line.start, line.end, WidthFunc(), TabWidth());
}

TAlignment TCustomEdit::EffectiveAlignment() const {
  DWORD a = WindowStyle() & (ES_CENTER | ES_RIGHT);
  return a == ES_CENTER ? taCenter : a == ES_RIGHT ? taRightJustify : taLeftJustify;
}

int TCustomEdit::AlignOffsetIn(const std::string& text, const TEditLine& line) const {
  TAlignment a = EffectiveAlignment();
  if (a == taLeftJustify) return 0;
  // One pixel stays free for the caret after the text.
  int spare = FormattingRect().Width() - (PositionsIn(text, line).back() + 1);
  if (spare <= 0) return 0;
  return a == taCenter ? spare / 2 : spare;
}

int TCustomEdit::LineOfPosIn(const std::vector<TEditLine>& lines, std::size_t p) {
  auto it = std::upper_bound(lines.begin(), lines.end(), p,
                             [](std::size_t v, const TEditLine& l) { return v < l.start; });
  return std::max(0, int(it - lines.begin()) - 1);
}

int TCustomEdit::VisibleLines() const { return std::max(1, FormattingRect().Height() / LineHeight()); }

TPoint TCustomEdit::PosToPoint(std::size_t p) const { return PointIn(model_.Text(), lines_, p); }

TPoint TCustomEdit::PointIn(const std::string& text, const std::vector<TEditLine>& lines, std::size_t p) const {
  const_cast<TCustomEdit*>(this)->RefreshMetrics();
  int i = LineOfPosIn(lines, p);
  const TEditLine& line = lines[std::size_t(i)];
  std::size_t idx = 0;
  for (std::size_t q = line.start; q < std::min(p, line.end); q = Utf8Next(text, q)) ++idx;
  std::vector<int> xs = PositionsIn(text, line);
  TRect fmt = FormattingRect();
  return TPoint{fmt.Left + AlignOffsetIn(text, line) + xs[std::min(idx, xs.size() - 1)] - scrollX_,
                fmt.Top + (i - topLine_) * lineHeight_};
}

std::size_t TCustomEdit::PosInLine(int index, int clientX) const {
  const TEditLine& line = lines_[std::size_t(std::clamp(index, 0, int(lines_.size()) - 1))];
  std::vector<int> xs = LinePositions(line);
  int x = clientX - FormattingRect().Left - AlignOffset(line) + scrollX_;
  std::size_t k = 0;
  while (k + 1 < xs.size() && x >= (xs[k] + xs[k + 1] + 1) / 2) ++k;
  std::size_t p = line.start;
  for (; k > 0 && p < line.end; --k) p = Utf8Next(model_.Text(), p);
  return p;
}

std::size_t TCustomEdit::PointToPos(TPoint pt) const {
  int lh = LineHeight();
  int dy = pt.Y - FormattingRect().Top;
  int rel = dy >= 0 ? dy / lh : -((-dy + lh - 1) / lh);
  return PosInLine(multiLine_ ? topLine_ + rel : 0, pt.X);
}

// ---- Scrolling ----------------------------------------------------------------------------------
void TCustomEdit::ScrollCaret() {
  if (ShowsComposition()) BuildCompositionView();
  const std::size_t p = ShownCaret();
  const int i = LineOfPosIn(ShownLines(), p);
  if (multiLine_) {
    int vis = VisibleLines();
    if (i < topLine_) topLine_ = i;
    if (i >= topLine_ + vis) topLine_ = i - vis + 1;
  }
  if (multiLine_ && WrapWidth() > 0) {
    scrollX_ = 0;
  } else {
    TPoint pt = PointIn(ShownText(), ShownLines(), p);
    TRect fmt = FormattingRect();
    if (pt.X < fmt.Left) scrollX_ -= fmt.Left - pt.X;
    if (pt.X >= fmt.Right) scrollX_ += pt.X - fmt.Right + 1;
  }
  ClampScroll();
}

void TCustomEdit::ClampScroll() {
  int maxTop = std::max(0, int(ShownLines().size()) - VisibleLines());
  topLine_ = std::clamp(topLine_, 0, multiLine_ ? maxTop : 0);
  int maxX = multiLine_ && WrapWidth() > 0 ? 0 : std::max(0, contentWidth_ - FormattingRect().Width());
  scrollX_ = std::clamp(scrollX_, 0, maxX);
}

void TCustomEdit::UpdateCaret() {
  if (!HandleAllocated() || GetFocus() != Handle()) return;
  if (WantedCaretWidth() != caretWidth_) {
    MakeCaret();
    return;
  }
  TPoint p = PointIn(ShownText(), ShownLines(), ShownCaret());
  SetCaretPos(p.X, p.Y);
  PlaceCompositionWindow();
}

void TCustomEdit::MakeCaret() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  caretWidth_ = WantedCaretWidth();
  CreateCaret(h, nullptr, caretWidth_, LineHeight());
  TPoint p = PointIn(ShownText(), ShownLines(), ShownCaret());
  SetCaretPos(p.X, p.Y);
  ShowCaret(h);
  PlaceCompositionWindow();
}

int TCustomEdit::WantedCaretWidth() const {
  const_cast<TCustomEdit*>(this)->RefreshMetrics();
  if (!model_.Overwrite() || model_.HasSelection() || ShowsComposition()) return 1;
  std::size_t start = 0, end = 0;
  if (!model_.OverwriteTarget(start, end)) return aveCharWidth_;
  // The advance of the character as laid out (a tab's reaches its stop).
  const TEditLine& line = lines_[std::size_t(LineOfPos(start))];
  std::size_t idx = 0;
  for (std::size_t q = line.start; q < start; q = Utf8Next(model_.Text(), q)) ++idx;
  std::vector<int> xs = LinePositions(line);
  if (idx + 1 >= xs.size()) return aveCharWidth_;
  return std::max(1, xs[idx + 1] - xs[idx]);
}

void TCustomEdit::PlaceCompositionWindow() {
  HWND h = Handle();
  HIMC himc = ImmGetContext(h);
  if (!himc) return;
  TPoint p = PointIn(ShownText(), ShownLines(), ShowsComposition() ? compStart_ : model_.CaretPos());
  COMPOSITIONFORM f;
  f.dwStyle = CFS_POINT | CFS_RECT;
  f.ptCurrentPos = p;
  f.rcArea = RECT{p.X, p.Y, p.X + std::max(caretWidth_, 1), p.Y + lineHeight_};
  ImmSetCompositionWindow(himc, &f);
  ImmReleaseContext(h, himc);
}

void TCustomEdit::UpdateScrollBars() {
  if (!HandleAllocated() || updatingBars_) return;
  DWORD style = WindowStyle();
  if (!(style & (WS_HSCROLL | WS_VSCROLL))) return;
  updatingBars_ = true;
  HWND h = Handle();
  // Showing a bar resizes the client area, which changes the page: twice is enough.
  for (int pass = 0; pass < 2; ++pass) {
    TRect before = ClientRect();
    if (style & WS_VSCROLL) {
      SCROLLINFO si;
      si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
      si.nMin = 0;
      si.nMax = int(ShownLines().size()) - 1;
      si.nPage = UINT(VisibleLines());
      si.nPos = topLine_;
      SetScrollInfo(h, SB_VERT, &si, TRUE);
    }
    if (style & WS_HSCROLL) {
      SCROLLINFO si;
      si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
      si.nMin = 0;
      si.nMax = WrapWidth() > 0 ? 0 : std::max(contentWidth_, FormattingRect().Width()) - 1;
      si.nPage = UINT(std::max(0, FormattingRect().Width()));
      si.nPos = scrollX_;
      SetScrollInfo(h, SB_HORZ, &si, TRUE);
    }
    if (ClientRect() == before) break;
    Relayout();
    ClampScroll();
  }
  updatingBars_ = false;
}

void TCustomEdit::ViewChanged() {
  if (ShowsComposition()) BuildCompositionView();
  ClampScroll();
  UpdateScrollBars();
  UpdateCaret();
  Invalidate();
}

void TCustomEdit::LayoutChanged() {
  Relayout();
  ClampScroll();
  ViewChanged();
}

void TCustomEdit::ScrollLines(int delta) {
  topLine_ += delta;
  ViewChanged();
}

int TCustomEdit::ThumbPos(const TMessage& m, int bar) const {
  // A drag of the bar reports 32 bits through nTrackPos; a position sent by
  // hand comes in the high word.
  int pos = HIWORD(m.WParam);
  SCROLLINFO si;
  si.fMask = SIF_POS | SIF_TRACKPOS;
  if (HandleAllocated() && GetScrollInfo(const_cast<TCustomEdit*>(this)->Handle(), bar, &si) &&
      si.nTrackPos != si.nPos)
    pos = si.nTrackPos;
  return pos;
}

void TCustomEdit::WMScroll(TMessage& m) {
  const int code = LOWORD(m.WParam);
  if (m.Msg == WM_HSCROLL) {
    const int page = FormattingRect().Width();
    switch (code) {
      case SB_LINELEFT: scrollX_ -= aveCharWidth_; break;
      case SB_LINERIGHT: scrollX_ += aveCharWidth_; break;
      case SB_PAGELEFT: scrollX_ -= page; break;
      case SB_PAGERIGHT: scrollX_ += page; break;
      case SB_THUMBTRACK: case SB_THUMBPOSITION: scrollX_ = ThumbPos(m, SB_HORZ); break;
      case SB_LEFT: scrollX_ = 0; break;
      case SB_RIGHT: scrollX_ = contentWidth_; break;
      default: return;
    }
  } else {
    const int page = VisibleLines();
    switch (code) {
      case SB_LINEUP: --topLine_; break;
      case SB_LINEDOWN: ++topLine_; break;
      case SB_PAGEUP: topLine_ -= page; break;
      case SB_PAGEDOWN: topLine_ += page; break;
      case SB_THUMBTRACK: case SB_THUMBPOSITION:
        if (m.Msg == EM_SCROLL) return;
        topLine_ = ThumbPos(m, SB_VERT);
        break;
      case SB_TOP: topLine_ = 0; break;
      case SB_BOTTOM: topLine_ = int(lines_.size()); break;
      default: return;
    }
  }
  m.Result = TRUE;
  ViewChanged();
}

// ---- Painting ------------------------------------------------------------------------------------
void TCustomEdit::Invalidate() {
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

HBRUSH TCustomEdit::ControlColors(HDC dc) {
  const bool stat = readOnly_ || !Enabled();
  const UINT msg = stat ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  LRESULT r = 0;
  HWND h = Handle();
  HWND parent = (GetWindowLongPtr(h, GWL_STYLE) & WS_CHILD) ? ::GetParent(h) : nullptr;
  if (parent)
    r = SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
  else
    r = Perform(CN_BASE + msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
  return r ? reinterpret_cast<HBRUSH>(r) : GetSysColorBrush(COLOR_WINDOW);
}

void TCustomEdit::WMEraseBkgnd(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  m.Result = 1;
  if (!dc || !HandleAllocated()) return;
  int saved = SaveDC(dc);
  HBRUSH brush = ControlColors(dc);
  if (brush && brush != reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH))) {
    TRect r = ClientRect();
    FillRect(dc, &r, brush);
  }
  RestoreDC(dc, saved);
}

void TCustomEdit::PaintWindow(HDC DC) {
  if (!HandleAllocated()) return;
  RefreshMetrics();
  HWND h = Handle();
  const bool focused = GetFocus() == h;
  if (focused) HideCaret(h);
  int saved = SaveDC(DC);
  ControlColors(DC);
  COLORREF text = Enabled() ? GetTextColor(DC) : GetSysColor(COLOR_GRAYTEXT);
  TRect fmt = FormattingRect();
  IntersectClipRect(DC, fmt.Left, fmt.Top, fmt.Right, fmt.Bottom);
  SelectObject(DC, Font()->Handle());
  // The composition takes the selection's place, so no selection shows.
  const bool showSel = (focused || !hideSelection_) && !ShowsComposition();
  HBRUSH underline = ShowsComposition() ? CreateSolidBrush(text) : nullptr;
  for (int i = topLine_; i < int(ShownLines().size()); ++i) {
    if (fmt.Top + (i - topLine_) * lineHeight_ >= fmt.Bottom) break;
    PaintLine(DC, i, fmt, text, showSel, underline);
  }
  if (underline) DeleteObject(underline);
  RestoreDC(DC, saved);
  if (focused) ShowCaret(h);
}

void TCustomEdit::PaintLine(HDC dc, int index, const TRect& fmt, COLORREF textColor, bool showSel,
                            HBRUSH underline) {
  const TEditLine& line = ShownLines()[std::size_t(index)];
  const std::string& s = ShownText();
  const std::vector<int> xs = PositionsIn(s, line);
  const int x0 = fmt.Left + AlignOffsetIn(s, line) - scrollX_;
  const int y = fmt.Top + (index - topLine_) * lineHeight_;
  const std::size_t selS = showSel ? model_.SelStartByte() : 0, selE = showSel ? model_.SelEndByte() : 0;
  const std::size_t compS = underline ? compStart_ : 0, compE = underline ? compEnd_ : 0;
  const int bkMode = GetBkMode(dc);
  const char32_t mask = multiLine_ ? 0 : passwordChar_;
  std::size_t p = line.start, ci = 0;
  while (p < line.end) {
    // A run of characters alike in selection and composition, none of them a tab.
    const bool sel = p >= selS && p < selE;
    const bool comp = p >= compS && p < compE;
    const bool tab = s[p] == '\t';
    std::size_t q = p, cj = ci;
    do {
      q = Utf8Next(s, q);
      ++cj;
    } while (!tab && q < line.end && s[q] != '\t' && (q >= selS && q < selE) == sel &&
             (q >= compS && q < compE) == comp);
    if (sel) {
      RECT r{x0 + xs[ci], y, x0 + xs[cj], y + lineHeight_};
      FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      SetBkMode(dc, TRANSPARENT);
    } else {
      SetTextColor(dc, textColor);
      SetBkMode(dc, bkMode);
    }
    if (!tab) {
      std::string run;
      if (mask) {
        for (std::size_t k = ci; k < cj; ++k) AppendUtf8(run, mask);
      } else {
        run = s.substr(p, q - p);
      }
      TextOut(dc, x0 + xs[ci], y, run.c_str(), int(run.size()));
    }
    if (comp) {
      RECT r{x0 + xs[ci], y + lineHeight_ - 1, x0 + xs[cj], y + lineHeight_};
      FillRect(dc, &r, underline);
    }
    p = q;
    ci = cj;
  }
  SetBkMode(dc, bkMode);
}

// ---- Keys that move the caret ----------------------------------------------------------------
void TCustomEdit::MoveCaretTo(std::size_t p, bool extend) {
  model_.SetSelection(extend ? model_.Anchor() : p, p);
  ScrollCaret();
  ViewChanged();
}

bool TCustomEdit::MoveKey(Word key, bool shift, bool ctrl) {
  const std::size_t c = model_.CaretPos();
  const TEditLine& line = lines_[std::size_t(LineOfPos(c))];
  std::size_t target = c;
  switch (key) {
    case VK_LEFT:
      target = !shift && !ctrl && model_.HasSelection() ? model_.SelStartByte()
               : ctrl                                    ? model_.PrevWordPos(c)
                                                         : model_.PrevPos(c);
      break;
    case VK_RIGHT:
      target = !shift && !ctrl && model_.HasSelection() ? model_.SelEndByte()
               : ctrl                                    ? model_.NextWordPos(c)
                                                         : model_.NextPos(c);
      break;
    case VK_HOME: target = ctrl || !multiLine_ ? 0 : line.start; break;
    case VK_END: target = ctrl || !multiLine_ ? model_.Text().size() : line.end; break;
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: {
      if (!multiLine_) return key == VK_UP || key == VK_DOWN;
      const int page = VisibleLines();
      const int delta = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -page : page;
      const int from = LineOfPos(c);
      const int to = std::clamp(from + delta, 0, int(lines_.size()) - 1);
      if (goalX_ < 0) goalX_ = PosToPoint(c).X;
      if (key == VK_PRIOR || key == VK_NEXT) topLine_ += to - from;
      ClampScroll();
      const int keep = goalX_;
      MoveCaretTo(to == from ? c : PosInLine(to, keep), shift);
      goalX_ = keep;
      return true;
    }
    default: return false;
  }
  goalX_ = -1;
  MoveCaretTo(target, shift);
  return true;
}

// ---- Mouse ------------------------------------------------------------------------------------------
void TCustomEdit::MouseSelect(TMessage& m) {
  const TPoint pt = m.Pos();
  HWND h = HandleAllocated() ? Handle() : nullptr;
  auto stopScrolling = [&] {
    if (autoScrolling_ && h) KillTimer(h, kAutoScrollTimer);
    autoScrolling_ = false;
  };
  switch (m.Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: {
      // The composition goes in at its caret; the press then places the caret.
      if (!CompleteComposition()) return;
      if (h && GetFocus() != h && CanFocus()) {
        auto alive = AliveToken();
        ::SetFocus(h);
        if (!*alive) return;
      }
      const std::size_t p = PointToPos(pt);
      if (m.Msg == WM_LBUTTONDBLCLK) {
        std::size_t s = 0, e = 0;
        model_.WordAt(p, s, e);
        model_.SetSelection(s, e);
        dragging_ = false;
      } else {
        model_.SetSelection((m.WParam & MK_SHIFT) ? model_.Anchor() : p, p);
        dragging_ = true;
        lastMouse_ = pt;
        if (h) SetCapture(h);
      }
      goalX_ = -1;
      ScrollCaret();
      ViewChanged();
      return;
    }
    case WM_MOUSEMOVE: {
      if (!dragging_ || !(m.WParam & MK_LBUTTON)) return;
      lastMouse_ = pt;
      model_.SetSelection(model_.Anchor(), PointToPos(pt));
      ScrollCaret();
      ViewChanged();
      const TRect fmt = FormattingRect();
      const bool outside =
          pt.X < fmt.Left || pt.X >= fmt.Right || (multiLine_ && (pt.Y < fmt.Top || pt.Y >= fmt.Bottom));
      if (outside && !autoScrolling_ && h) {
        SetTimer(h, kAutoScrollTimer, 100, nullptr);
        autoScrolling_ = true;
      } else if (!outside) {
        stopScrolling();
      }
      return;
    }
    case WM_LBUTTONUP:
      dragging_ = false;
      stopScrolling();
      if (h && GetCapture() == h) ReleaseCapture();
      return;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      stopScrolling();
      return;
    default: return;
  }
}

void TCustomEdit::AutoScrollTick() {
  if (!dragging_) {
    if (HandleAllocated()) KillTimer(Handle(), kAutoScrollTimer);
    autoScrolling_ = false;
    return;
  }
  const TRect fmt = FormattingRect();
  const TPoint pt = lastMouse_;
  const int oldX = scrollX_, oldTop = topLine_;
  if (pt.X < fmt.Left) scrollX_ -= aveCharWidth_;
  if (pt.X >= fmt.Right) scrollX_ += aveCharWidth_;
  if (multiLine_ && pt.Y < fmt.Top) --topLine_;
  if (multiLine_ && pt.Y >= fmt.Bottom) ++topLine_;
  ClampScroll();
  model_.SetSelection(model_.Anchor(), PointToPos(pt));
  ViewChanged();
  NotifyScroll(oldX, oldTop);
}

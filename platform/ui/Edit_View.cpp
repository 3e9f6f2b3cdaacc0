// TCustomEdit's view: font metrics, lines, the formatting rectangle,
// scrolling, the caret, painting and mouse selection.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Edit.h"

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
  r.Left += leftMargin_;
  r.Right = std::max(r.Left, r.Right - rightMargin_);
  return r;
}

void TCustomEdit::Relayout() {
  RefreshMetrics();
  lines_ = LayoutEditLines(model_.Text(), multiLine_, WrapWidth(), WidthFunc(), TabWidth());
  contentWidth_ = 0;
  for (const TEditLine& line : lines_) contentWidth_ = std::max(contentWidth_, LineWidth(line) + 1);
}

std::vector<int> TCustomEdit::LinePositions(const TEditLine& line) const {
  return EditCharPositions(model_.Text(), line.start, line.end, WidthFunc(), TabWidth());
}

TAlignment TCustomEdit::EffectiveAlignment() const {
  DWORD a = WindowStyle() & (ES_CENTER | ES_RIGHT);
  return a == ES_CENTER ? taCenter : a == ES_RIGHT ? taRightJustify : taLeftJustify;
}

int TCustomEdit::AlignOffset(const TEditLine& line) const {
  TAlignment a = EffectiveAlignment();
  if (a == taLeftJustify) return 0;
  // One pixel stays free for the caret after the text.
  int spare = FormattingRect().Width() - (LineWidth(line) + 1);
  if (spare <= 0) return 0;
  return a == taCenter ? spare / 2 : spare;
}

int TCustomEdit::LineOfPos(std::size_t p) const {
  auto it = std::upper_bound(lines_.begin(), lines_.end(), p,
                             [](std::size_t v, const TEditLine& l) { return v < l.start; });
  return std::max(0, int(it - lines_.begin()) - 1);
}

int TCustomEdit::VisibleLines() const { return std::max(1, FormattingRect().Height() / LineHeight()); }

TPoint TCustomEdit::PosToPoint(std::size_t p) const {
  const_cast<TCustomEdit*>(this)->RefreshMetrics();
  int i = LineOfPos(p);
  const TEditLine& line = lines_[std::size_t(i)];
  std::size_t idx = 0;
  for (std::size_t q = line.start; q < std::min(p, line.end); q = Utf8Next(model_.Text(), q)) ++idx;
  std::vector<int> xs = LinePositions(line);
  TRect fmt = FormattingRect();
  return TPoint{fmt.Left + AlignOffset(line) + xs[std::min(idx, xs.size() - 1)] - scrollX_,
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
  const std::size_t p = model_.CaretPos();
  const int i = LineOfPos(p);
  if (multiLine_) {
    int vis = VisibleLines();
    if (i < topLine_) topLine_ = i;
    if (i >= topLine_ + vis) topLine_ = i - vis + 1;
  }
  if (multiLine_ && WrapWidth() > 0) {
    scrollX_ = 0;
  } else {
    TPoint pt = PosToPoint(p);
    TRect fmt = FormattingRect();
    if (pt.X < fmt.Left) scrollX_ -= fmt.Left - pt.X;
    if (pt.X >= fmt.Right) scrollX_ += pt.X - fmt.Right + 1;
  }
  ClampScroll();
}

void TCustomEdit::ClampScroll() {
  int maxTop = std::max(0, int(lines_.size()) - VisibleLines());
  topLine_ = std::clamp(topLine_, 0, multiLine_ ? maxTop : 0);
  int maxX = multiLine_ && WrapWidth() > 0 ? 0 : std::max(0, contentWidth_ - FormattingRect().Width());
  scrollX_ = std::clamp(scrollX_, 0, maxX);
}

void TCustomEdit::UpdateCaret() {
  if (!HandleAllocated() || GetFocus() != Handle()) return;
  TPoint p = PosToPoint(model_.CaretPos());
  SetCaretPos(p.X, p.Y);
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
      si.nMax = int(lines_.size()) - 1;
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
  const bool showSel = focused || !hideSelection_;
  for (int i = topLine_; i < int(lines_.size()); ++i) {
    if (fmt.Top + (i - topLine_) * lineHeight_ >= fmt.Bottom) break;
    PaintLine(DC, i, fmt, text, showSel);
  }
  RestoreDC(DC, saved);
  if (focused) ShowCaret(h);
}

void TCustomEdit::PaintLine(HDC dc, int index, const TRect& fmt, COLORREF textColor, bool showSel) {
  const TEditLine& line = lines_[std::size_t(index)];
  const std::string& s = model_.Text();
  const std::vector<int> xs = LinePositions(line);
  const int x0 = fmt.Left + AlignOffset(line) - scrollX_;
  const int y = fmt.Top + (index - topLine_) * lineHeight_;
  const std::size_t selS = showSel ? model_.SelStartByte() : 0, selE = showSel ? model_.SelEndByte() : 0;
  const int bkMode = GetBkMode(dc);
  const char32_t mask = multiLine_ ? 0 : passwordChar_;
  std::size_t p = line.start, ci = 0;
  while (p < line.end) {
    // A run of characters alike in selection, none of them a tab.
    const bool sel = p >= selS && p < selE;
    const bool tab = s[p] == '\t';
    std::size_t q = p, cj = ci;
    do {
      q = Utf8Next(s, q);
      ++cj;
    } while (!tab && q < line.end && s[q] != '\t' && (q >= selS && q < selE) == sel);
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

#include "platform/ui/controls/TrackBar.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {
constexpr std::uintptr_t kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 300;
constexpr UINT kRepeatMs = 100;
constexpr int kChannelThickness = 4;
constexpr int kTickLength = 3;
constexpr int kEdgeGap = 4;  // from the control's side to the thumb
}  // namespace

TTrackBar::TTrackBar(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csCaptureMouse | csDoubleClicks | csOpaque | csSetCaption;
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
  SetColor(clBtnFace);
}

TTrackBar::~TTrackBar() {
  if (HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
}

// ---- Properties ----------------------------------------------------------------------

void TTrackBar::SetRange(int AMin, int AMax) {
  if (AMax < AMin) AMax = AMin;
  if (AMin == min_ && AMax == max_) return;
  min_ = AMin;
  max_ = AMax;
  Invalidate();
  SetPosition(position_);
}

void TTrackBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Invalidate();
  Changed();
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::SetOrientation(TTrackBarOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TTrackBar::SetFrequency(int v) {
  frequency_ = std::max(1, v);
  Invalidate();
}

void TTrackBar::SetTickMarks(TTickMark v) {
  tickMarks_ = v;
  Invalidate();
}

void TTrackBar::SetTickStyle(TTickStyle v) {
  tickStyle_ = v;
  Invalidate();
}

void TTrackBar::SetTick(int Value) {
  if (Value <= min_ || Value >= max_) return;
  if (std::find(ticks_.begin(), ticks_.end(), Value) == ticks_.end()) ticks_.push_back(Value);
  std::sort(ticks_.begin(), ticks_.end());
  Invalidate();
}

void TTrackBar::SetSelStart(int v) {
  selStart_ = v;
  Invalidate();
}

void TTrackBar::SetSelEnd(int v) {
  selEnd_ = v;
  Invalidate();
}

void TTrackBar::SetThumbLength(int v) {
  thumbLength_ = std::max(4, v);
  Invalidate();
}

// ---- Geometry ------------------------------------------------------------------------

int TTrackBar::ThumbBreadth() const { return std::max(5, thumbLength_ / 2 + 1); }

TRect TTrackBar::ChannelRect() const {
  const int margin = ThumbBreadth() / 2 + 2;
  const int before = (tickMarks_ != tmBottomRight && tickStyle_ != tsNone) ? kEdgeGap + kTickLength + 2 : kEdgeGap;
  const int cross = before + (thumbLength_ - kChannelThickness) / 2;
  if (Vertical()) return TRect{cross, margin, cross + kChannelThickness, std::max(margin + 1, Height() - margin)};
  return TRect{margin, cross, std::max(margin + 1, Width() - margin), cross + kChannelThickness};
}

int TTrackBar::PixelOf(int Pos) const {
  const TRect ch = ChannelRect();
  const int start = Vertical() ? ch.Top : ch.Left;
  const int len = (Vertical() ? ch.Height() : ch.Width()) - 1;
  if (max_ == min_) return start;
  return start + int((Int64(Pos) - min_) * len / (Int64(max_) - min_));
}

int TTrackBar::PosAt(int along) const {
  const TRect ch = ChannelRect();
  const int start = Vertical() ? ch.Top : ch.Left;
  const int len = (Vertical() ? ch.Height() : ch.Width()) - 1;
  if (len <= 0 || max_ == min_) return min_;
  // Nearest position to the pixel.
  const Int64 p = min_ + ((Int64(along) - start) * (Int64(max_) - min_) * 2 + len) / (Int64(len) * 2);
  return int(std::clamp<Int64>(p, min_, max_));
}

TRect TTrackBar::ThumbRect() const {
  const TRect ch = ChannelRect();
  const int center = PixelOf(position_);
  const int b = ThumbBreadth();
  const int crossStart = (Vertical() ? ch.Left : ch.Top) - (thumbLength_ - kChannelThickness) / 2;
  if (Vertical()) return TRect{crossStart, center - b / 2, crossStart + thumbLength_, center - b / 2 + b};
  return TRect{center - b / 2, crossStart, center - b / 2 + b, crossStart + thumbLength_};
}

std::vector<int> TTrackBar::TickPositions() const {
  std::vector<int> out;
  if (tickStyle_ == tsNone) return out;
  out.push_back(min_);
  if (tickStyle_ == tsAuto) {
    for (Int64 v = Int64(min_) + frequency_; v < max_; v += frequency_) out.push_back(int(v));
  } else {
    out.insert(out.end(), ticks_.begin(), ticks_.end());
  }
  if (max_ != min_) out.push_back(max_);
  return out;
}

// ---- Painting ------------------------------------------------------------------------

int TTrackBar::ThumbPoint() const {
  if (tickMarks_ == tmBoth) return 0;
  return tickMarks_ == tmBottomRight ? 1 : -1;
}

// The thumb is drawn in its own frame: `a` runs along the bar (the thumb's
// breadth), `c` across it (its length). Edges on the low side of either axis
// face the light (left or top on screen) and the high sides are shaded, so
// one set of rules serves all four directions. A pointed thumb ends in a
// point half its breadth long on the side of the ticks.
void TTrackBar::DrawThumb(HDC dc, const TRect& thumb) const {
  const bool vertical = Vertical();
  const int breadth = vertical ? thumb.Height() : thumb.Width();
  const int length = vertical ? thumb.Width() : thumb.Height();
  const int point = ThumbPoint();
  const int tip = point ? std::min(breadth / 2, length - 2) : 0;
  const TColor face = dragging_ ? clBtnHighlight : clBtnFace;
  // A run along the bar at depth c, from a0 to a1 (exclusive).
  auto run = [&](int c, int a0, int a1, TColor colour) {
    if (a1 <= a0) return;
    const TRect r = vertical ? TRect{thumb.Left + c, thumb.Top + a0, thumb.Left + c + 1, thumb.Top + a1}
                             : TRect{thumb.Left + a0, thumb.Top + c, thumb.Left + a1, thumb.Top + c + 1};
    FillSolid(dc, r, colour);
  };
  for (int c = 0; c < length; ++c) {
    // How far into the point this row lies (0 in the body).
    int k = 0;
    if (point > 0 && c >= length - tip) k = c - (length - tip) + 1;
    if (point < 0 && c < tip) k = tip - c;
    const int lo = k, hi = breadth - 1 - k;
    if (hi < lo) continue;
    if (hi == lo) {
      run(c, lo, lo + 1, point > 0 ? cl3DDkShadow : clBtnHighlight);
      continue;
    }
    const bool lowBase = point >= 0 && c == 0;  // a flat end facing the light
    const bool highBase = point <= 0 && c == length - 1;
    const bool highInner = point <= 0 && c == length - 2;
    if (lowBase) {
      run(c, lo, hi, clBtnHighlight);
      run(c, hi, hi + 1, cl3DDkShadow);
      continue;
    }
    if (highBase) {
      run(c, lo, hi + 1, cl3DDkShadow);
      continue;
    }
    if (highInner) {
      run(c, lo, lo + 1, clBtnHighlight);
      run(c, lo + 1, hi, clBtnShadow);
      run(c, hi, hi + 1, cl3DDkShadow);
      continue;
    }
    run(c, lo, lo + 1, clBtnHighlight);
    run(c, lo + 1, hi - 1, face);
    if (hi - 1 > lo) run(c, hi - 1, hi, clBtnShadow);
    run(c, hi, hi + 1, cl3DDkShadow);
  }
}

void TTrackBar::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  const TRect client = ClientRect();
  FillSolid(dc, client, Color());
  TRect ch = ChannelRect();
  Frame3D(dc, ch, clBtnShadow, clBtnHighlight, 1);
  FillSolid(dc, ch, clWindow);
  if (selEnd_ > selStart_) {
    TRect sel = Vertical() ? TRect{ch.Left, PixelOf(selStart_), ch.Right, PixelOf(selEnd_) + 1}
                           : TRect{PixelOf(selStart_), ch.Top, PixelOf(selEnd_) + 1, ch.Bottom};
    FillSolid(dc, sel, clHighlight);
  }
  // Ticks: a short line per tick beside the thumb (only a thousand at most,
  // so a huge range with frequency 1 stays cheap).
  const TRect thumb = ThumbRect();
  std::vector<int> ticks = TickPositions();
  if (ticks.size() > 1000) ticks = {min_, max_};
  for (int v : ticks) {
    const int p = PixelOf(v);
    if (tickMarks_ != tmTopLeft) {
      TRect t = Vertical() ? TRect{thumb.Right + 2, p, thumb.Right + 2 + kTickLength, p + 1}
                           : TRect{p, thumb.Bottom + 2, p + 1, thumb.Bottom + 2 + kTickLength};
      FillSolid(dc, t, clBtnText);
    }
    if (tickMarks_ != tmBottomRight) {
      TRect t = Vertical() ? TRect{thumb.Left - 2 - kTickLength, p, thumb.Left - 2, p + 1}
                           : TRect{p, thumb.Top - 2 - kTickLength, p + 1, thumb.Top - 2};
      FillSolid(dc, t, clBtnText);
    }
  }
  DrawThumb(dc, thumb);
  if (Focused()) {
    TRect f = client;
    c->DrawFocusRect(f);
  }
}

// ---- User moves ----------------------------------------------------------------------

void TTrackBar::NotifyParent(int Code) {
  if (!HandleAllocated()) return;
  HWND parent = GetParent(Handle());
  if (parent)
    SendMessage(parent, Vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(Code, position_),
                reinterpret_cast<LPARAM>(Handle()));
}

void TTrackBar::UserMove(int Pos, int Code) {
  auto alive = AliveToken();
  SetPosition(Pos);
  if (*alive) NotifyParent(Code);
}

void TTrackBar::PageTowardPress() {
  const int thumbCenter = PixelOf(position_);
  if (pressAlong_ == thumbCenter) return;
  const bool up = pressAlong_ < thumbCenter;
  const int code = up ? TB_PAGEUP : TB_PAGEDOWN;
  // Once the thumb has passed the press it stays.
  if (code != pageCode_) return;
  int target = position_ + (up ? -PageSize : PageSize);
  const int atPress = PosAt(pressAlong_);
  target = up ? std::max(target, atPress) : std::min(target, atPress);
  UserMove(target, code);
}

void TTrackBar::StopRepeat() {
  paging_ = false;
  if (HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
}

void TTrackBar::DefaultHandler(TMessage& Message) {
  TMessage& m = Message;
  if (m.Msg >= TBM_GETPOS && m.Msg <= TBM_GETTHUMBLENGTH) {
    HandleTBMessage(m);
    return;
  }
  auto alive = AliveToken();
  switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS; return;
    case WM_KEYDOWN: {
      int target = position_, code = -1;
      switch (m.WParam) {
        case VK_LEFT: case VK_UP: target -= LineSize; code = TB_LINEUP; break;
        case VK_RIGHT: case VK_DOWN: target += LineSize; code = TB_LINEDOWN; break;
        case VK_PRIOR: target -= PageSize; code = TB_PAGEUP; break;
        case VK_NEXT: target += PageSize; code = TB_PAGEDOWN; break;
        case VK_HOME: target = min_; code = TB_TOP; break;
        case VK_END: target = max_; code = TB_BOTTOM; break;
        default: break;
      }
      if (code < 0) break;
      UserMove(target, code);
      if (*alive) NotifyParent(TB_ENDTRACK);
      m.Result = 0;
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!Focused() && CanFocus()) {
        SetFocus();
        if (!*alive) return;
      }
      const TPoint p = m.Pos();
      const int along = Vertical() ? p.Y : p.X;
      const TRect thumb = ThumbRect();
      if (thumb.Contains(p)) {
        dragging_ = true;
        grab_ = along - PixelOf(position_);
        Invalidate();
      } else {
        paging_ = true;
        pressAlong_ = along;
        pageCode_ = along < PixelOf(position_) ? TB_PAGEUP : TB_PAGEDOWN;
        PageTowardPress();
        if (!*alive) return;
        if (paging_ && HandleAllocated()) SetTimer(Handle(), kRepeatTimer, kFirstRepeatMs, nullptr);
      }
      m.Result = 0;
      return;
    }
    case WM_MOUSEMOVE:
      if (dragging_) {
        const TPoint p = m.Pos();
        const int pos = PosAt((Vertical() ? p.Y : p.X) - grab_);
        if (pos != position_) UserMove(pos, TB_THUMBTRACK);
        m.Result = 0;
        return;
      }
      if (paging_) pressAlong_ = Vertical() ? m.YPos() : m.XPos();
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        Invalidate();
        NotifyParent(TB_THUMBPOSITION);
        if (!*alive) return;
        NotifyParent(TB_ENDTRACK);
        if (!*alive) return;
      } else if (paging_) {
        StopRepeat();
        NotifyParent(TB_ENDTRACK);
        if (!*alive) return;
      }
      break;
    case WM_TIMER:
      if (m.WParam == kRepeatTimer) {
        if (!paging_) {
          StopRepeat();
          return;
        }
        SetTimer(Handle(), kRepeatTimer, kRepeatMs, nullptr);
        PageTowardPress();
        m.Result = 0;
        return;
      }
      break;
    default: break;
  }
  TCustomControl::DefaultHandler(Message);
}

void TTrackBar::HandleTBMessage(TMessage& m) {
  const int lp = int(m.LParam);
  switch (m.Msg) {
    case TBM_GETPOS: m.Result = position_; return;
    case TBM_GETRANGEMIN: m.Result = min_; return;
    case TBM_GETRANGEMAX: m.Result = max_; return;
    case TBM_SETPOS: SetPosition(lp); return;
    case TBM_SETRANGE: SetRange(SHORT(LOWORD(std::uintptr_t(m.LParam))), SHORT(HIWORD(std::uintptr_t(m.LParam)))); return;
    case TBM_SETRANGEMIN: SetMin(lp); return;
    case TBM_SETRANGEMAX: SetMax(lp); return;
    case TBM_SETTIC: SetTick(lp); m.Result = 1; return;
    case TBM_CLEARTICS: ticks_.clear(); Invalidate(); return;
    case TBM_GETNUMTICS: m.Result = LRESULT(TickPositions().size()); return;
    case TBM_GETTIC: {
      // Ticks between the ends, by index.
      std::vector<int> t = TickPositions();
      const int i = int(m.WParam) + 1;
      m.Result = i >= 1 && i < int(t.size()) - 1 ? t[std::size_t(i)] : -1;
      return;
    }
    case TBM_GETTICPOS: {
      std::vector<int> t = TickPositions();
      const int i = int(m.WParam) + 1;
      m.Result = i >= 1 && i < int(t.size()) - 1 ? PixelOf(t[std::size_t(i)]) : -1;
      return;
    }
    case TBM_SETSEL:
      selStart_ = SHORT(LOWORD(std::uintptr_t(m.LParam)));
      selEnd_ = SHORT(HIWORD(std::uintptr_t(m.LParam)));
      Invalidate();
      return;
    case TBM_SETSELSTART: SetSelStart(lp); return;
    case TBM_SETSELEND: SetSelEnd(lp); return;
    case TBM_GETSELSTART: m.Result = selStart_; return;
    case TBM_GETSELEND: m.Result = selEnd_; return;
    case TBM_CLEARSEL: selStart_ = selEnd_ = 0; Invalidate(); return;
    case TBM_SETTICFREQ: SetFrequency(int(m.WParam)); return;
    case TBM_SETPAGESIZE: m.Result = PageSize; PageSize = lp; return;
    case TBM_GETPAGESIZE: m.Result = PageSize; return;
    case TBM_SETLINESIZE: m.Result = LineSize; LineSize = lp; return;
    case TBM_GETLINESIZE: m.Result = LineSize; return;
    case TBM_GETTHUMBRECT:
      if (m.LParam) *reinterpret_cast<RECT*>(m.LParam) = ThumbRect();
      return;
    case TBM_GETCHANNELRECT:
      if (m.LParam) *reinterpret_cast<RECT*>(m.LParam) = ChannelRect();
      return;
    case TBM_SETTHUMBLENGTH: SetThumbLength(int(m.WParam)); return;
    case TBM_GETTHUMBLENGTH: m.Result = thumbLength_; return;
    default: m.Result = 0; return;
  }
}

void TTrackBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CN_HSCROLL:
    case CN_VSCROLL: Message.Result = 0; return;  // our own notifications
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (*alive) Invalidate();
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

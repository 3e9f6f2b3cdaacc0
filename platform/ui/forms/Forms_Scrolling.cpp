// TScrollingWinControl: the scroll range of a form or scroll box.
#include <algorithm>

#include "platform/ui/forms/Forms.h"
#include "platform/user/nonclient/ScrollBars.h"
#include "platform/user/User.h"

namespace {
constexpr int kLineStep = 8;
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TScrollingWinControl::SetAutoScroll(bool v) {
  if (v == autoScroll_) return;
  autoScroll_ = v;
  if (!v && (pos_.X || pos_.Y)) SetScrollPos(TPoint{0, 0});
  UpdateScrollBars();
}

void TScrollingWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (updating_ || !HandleAllocated()) return;
  updating_ = true;
  TSize range{};
  if (autoScroll_)
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      if (!c->Visible() || c->Align() != alNone) continue;
      range.cx = std::max(range.cx, c->Left() + pos_.X + c->Width());
      range.cy = std::max(range.cy, c->Top() + pos_.Y + c->Height());
    }
  range_ = range;
  HWND h = Handle();
  // Decide both bars from the client area they would leave, not from the
  // bars shown now: content that fits once both are gone must not keep
  // each other's bar alive.
  RECT now;
  GetClientRect(h, &now);
  const LONG style = GetWindowLong(h, GWL_STYLE);
  const int barW = GetSystemMetrics(SM_CXVSCROLL), barH = GetSystemMetrics(SM_CYHSCROLL);
  const int bareW = now.Width() + ((style & WS_VSCROLL) ? barW : 0);
  const int bareH = now.Height() + ((style & WS_HSCROLL) ? barH : 0);
  bool needH = range.cx > bareW, needV = range.cy > bareH;
  if (needH && !needV) needV = range.cy > bareH - barH;
  if (needV && !needH) needH = range.cx > bareW - barW;
  for (int bar : {SB_HORZ, SB_VERT}) {
    const bool need = bar == SB_HORZ ? needH : needV;
    int extent = bar == SB_HORZ ? range.cx : range.cy;
    int page = bar == SB_HORZ ? bareW - (needV ? barW : 0) : bareH - (needH ? barH : 0);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = need ? extent - 1 : 0;
    si.nPage = need ? UINT(std::max(page, 1)) : 0;
    SetScrollInfo(h, bar, &si, TRUE);
  }
  // The page may have grown: keep the position inside the new range.
  RECT client;
  GetClientRect(h, &client);
  TPoint clamped{std::clamp(pos_.X, 0, std::max(0, range.cx - client.Width())),
                 std::clamp(pos_.Y, 0, std::max(0, range.cy - client.Height()))};
  updating_ = false;
  if (clamped.X != pos_.X || clamped.Y != pos_.Y) SetScrollPos(clamped);
}

void TScrollingWinControl::SetScrollPos(TPoint p) {
  TPoint old = pos_;
  pos_ = p;
  if (HandleAllocated()) {
    ::SetScrollPos(Handle(), SB_HORZ, p.X, TRUE);
    ::SetScrollPos(Handle(), SB_VERT, p.Y, TRUE);
  }
  if (old.X != p.X || old.Y != p.Y) ScrollBy(old.X - p.X, old.Y - p.Y);
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
  if (!AControl || !autoScroll_ || !HandleAllocated()) return;
  TRect client = ClientRect();
  TPoint p = pos_;
  if (AControl->Left() < 0) p.X += AControl->Left();
  else if (AControl->Left() + AControl->Width() > client.Width())
    p.X += std::min(AControl->Left(), AControl->Left() + AControl->Width() - client.Width());
  if (AControl->Top() < 0) p.Y += AControl->Top();
  else if (AControl->Top() + AControl->Height() > client.Height())
    p.Y += std::min(AControl->Top(), AControl->Top() + AControl->Height() - client.Height());
  SetScrollPos(p);
}

void TScrollingWinControl::WMScroll(TMessage& Message, bool horizontal) {
  int bar = horizontal ? SB_HORZ : SB_VERT;
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  if (!GetScrollInfo(Handle(), bar, &si)) return;
  int pos = si.nPos;
  switch (LOWORD(Message.WParam)) {
    case SB_LINEUP: pos -= kLineStep; break;
    case SB_LINEDOWN: pos += kLineStep; break;
    case SB_PAGEUP: pos -= int(si.nPage); break;
    case SB_PAGEDOWN: pos += int(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  pos = std::clamp(pos, si.nMin, std::max(si.nMin, si.nMax - std::max(int(si.nPage) - 1, 0)));
  TPoint p = pos_;
  (horizontal ? p.X : p.Y) = pos;
  SetScrollPos(p);
}

void TScrollingWinControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_HSCROLL || Message.Msg == WM_VSCROLL) {
    if (Message.LParam == 0) {  // our own bars, not a scroll bar control's notification
      WMScroll(Message, Message.Msg == WM_HSCROLL);
      return;
    }
  }
  TWinControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE) UpdateScrollBars();
}

#include "platform/ui/controls/ScrollBarCtrl.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
  ControlStyle = csFramed | csDoubleClicks | csOpaque;
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "SCROLLBAR");
  // The window layer keeps SB_CTL data only for windows of its own class.
  Params.WinClassName = "SCROLLBAR";
  Params.Style |= kind_ == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  SyncBar();
}

void TScrollBar::SyncBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = min_;
  si.nMax = max_;
  si.nPage = UINT(pageSize_);
  si.nPos = position_;
  SetScrollInfo(Handle(), SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind v) {
  if (v == kind_) return;
  kind_ = v;
  // A vertical bar stands up: the sizes swap.
  SetBounds(Left(), Top(), Height(), Width());
  if (HandleAllocated()) RecreateWnd();
}

int TScrollBar::MaxPosition() const { return std::max(min_, max_ - std::max(pageSize_ - 1, 0)); }

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
  if (AMax < AMin) throw EInvalidOperation("Scroll bar property out of range");
  min_ = AMin;
  max_ = AMax;
  pageSize_ = std::min(pageSize_, max_ - min_ + 1);
  const int pos = std::clamp(APosition, min_, MaxPosition());
  const bool moved = pos != position_;
  position_ = pos;
  SyncBar();
  if (moved) Change();
}

void TScrollBar::SetPageSize(int v) {
  v = std::clamp(v, 0, max_ - min_ + 1);
  if (v == pageSize_) return;
  pageSize_ = v;
  SetParams(position_, min_, max_);
  SyncBar();
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos) {
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::DoScroll(int Code, int Pos) {
  int pos = position_;
  TScrollCode code = scEndScroll;
  switch (Code) {
    case SB_LINEUP: code = scLineUp; pos -= SmallChange; break;
    case SB_LINEDOWN: code = scLineDown; pos += SmallChange; break;
    case SB_PAGEUP: code = scPageUp; pos -= LargeChange; break;
    case SB_PAGEDOWN: code = scPageDown; pos += LargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      code = Code == SB_THUMBTRACK ? scTrack : scPosition;
      // A drag reports 32 bits through nTrackPos; the message only 16.
      pos = Pos;
      SCROLLINFO si;
      si.fMask = SIF_POS | SIF_TRACKPOS;
      if (HandleAllocated() && GetScrollInfo(Handle(), SB_CTL, &si) && si.nTrackPos != si.nPos) pos = si.nTrackPos;
      break;
    }
    case SB_TOP: code = scTop; pos = min_; break;
    case SB_BOTTOM: code = scBottom; pos = MaxPosition(); break;
    case SB_ENDSCROLL: code = scEndScroll; break;
    default: return;
  }
  pos = std::clamp(pos, min_, MaxPosition());
  auto alive = AliveToken();
  Scroll(code, pos);
  if (!*alive) return;
  SetPosition(pos);
}

void TScrollBar::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; return;
    case WM_KEYDOWN: {
      int code = -1;
      switch (Message.WParam) {
        case VK_UP: case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN: case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: break;
      }
      if (code >= 0) {
        auto alive = AliveToken();
        DoScroll(code, 0);
        if (*alive) DoScroll(SB_ENDSCROLL, 0);
        Message.Result = 0;
        return;
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // A press focuses the bar before the class's tracking loop runs.
      auto alive = AliveToken();
      if (TabStop() && !Focused() && CanFocus()) SetFocus();
      if (!*alive) return;
      break;
    }
    default: break;
  }
  TWinControl::DefaultHandler(Message);
}

void TScrollBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL:
      DoScroll(LOWORD(Message.WParam), min_ < 0 ? SHORT(HIWORD(Message.WParam)) : int(HIWORD(Message.WParam)));
      Message.Result = 0;
      return;
    case WM_PAINT:
    case WM_ERASEBKGND:
      // The window class draws the whole bar.
      DefaultHandler(Message);
      return;
    case CM_ENABLEDCHANGED:
      // The bar looks different disabled: greyed arrows, no thumb.
      TWinControl::Dispatch(Message);
      if (HandleAllocated()) InvalidateRect(Handle(), nullptr, FALSE);
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

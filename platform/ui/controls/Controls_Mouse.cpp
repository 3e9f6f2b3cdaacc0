// Mouse handling: the click rule, capture, routing of a window's mouse
// messages to its graphic children, mouse enter and leave, the wheel, the
// cursor and context menus.
#include <cstdlib>

#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/Controls_Internal.h"

using namespace controls_internal;

namespace controls_internal {

void SetMouseControl(TControl* c) {
  if (c == mouseControl) return;
  TControl* old = mouseControl;
  mouseControl = c;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  // A leave handler may free c or move the mouse control on; Forget keeps
  // mouseControl honest, so only an unchanged c is entered.
  if (c && mouseControl == c) c->Perform(CM_MOUSEENTER, 0, 0);
}

void UpdateMouseControl() {
  POINT p{};
  GetCursorPos(&p);
  SetMouseControl(FindVCLWindow(p));
}

}  // namespace controls_internal

TControl* FindVCLWindow(TPoint Screen) {
  HWND desktop = GetDesktopWindow();
  for (HWND h = WindowFromPoint(Screen); h && h != desktop; h = GetAncestor(h, GA_PARENT)) {
    TWinControl* w = FindControl(h);
    if (!w) continue;
    POINT cp = Screen;
    ::ScreenToClient(h, &cp);
    if (TControl* g = w->ControlAtPos(cp, false)) return g;
    return w;
  }
  return nullptr;
}

// ---- TControl -----------------------------------------------------------------
bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool v) {
  if (v == MouseCapture()) return;
  SetCaptureControl(v ? this : nullptr);
}

void TControl::Click() {
  // A copy: the handler may free this control and its OnClick with it.
  if (TNotifyEvent h = OnClick) h(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::WMMouse(TMessage& Message) {
  auto alive = alive_;
  TShiftState shift = KeysToShiftState(Message.WParam);
  const int x = Message.XPos(), y = Message.YPos();
  const bool stdEvents = !(ControlStyle & csNoStdEvents);
  TMouseButton button = TMouseButton::mbLeft;
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
      DefaultHandler(Message);
      if (*alive && stdEvents) MouseMove(shift, x, y);
      return;

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SendCancelMode(this);
      if (!*alive) return;
      DefaultHandler(Message);
      if (!*alive) return;
      if (ControlStyle & csCaptureMouse) SetMouseCapture(true);
      if (pressedControl && pressedControl != this) pressedControl->ControlState &= ~csClicked;
      pressedControl = nullptr;
      if (Message.Msg == WM_LBUTTONDBLCLK) {
        shift |= ssDouble;
        if (ControlStyle & csClickEvents) DblClick();
        if (!*alive) return;
      } else if (ControlStyle & csClickEvents) {
        ControlState |= csClicked;
        pressedControl = this;
      }
      if (stdEvents) MouseDown(TMouseButton::mbLeft, shift, x, y);
      return;
    }

    case WM_LBUTTONUP: {
      DefaultHandler(Message);
      if (!*alive) return;
      if (ControlStyle & csCaptureMouse) SetMouseCapture(false);
      if (ControlState & csClicked) {
        ControlState &= ~csClicked;
        if (pressedControl == this) pressedControl = nullptr;
        // The release must land on the control the press started on.
        if (ClientRect().Contains(TPoint{x, y})) Click();
        if (!*alive) return;
      }
      if (stdEvents) MouseUp(TMouseButton::mbLeft, shift, x, y);
      return;
    }

    case WM_RBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_RBUTTONDOWN: button = TMouseButton::mbRight; break;
    case WM_MBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_MBUTTONDOWN: button = TMouseButton::mbMiddle; break;

    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      DefaultHandler(Message);
      if (*alive && stdEvents)
        MouseUp(Message.Msg == WM_RBUTTONUP ? TMouseButton::mbRight : TMouseButton::mbMiddle, shift, x, y);
      return;
    default: DefaultHandler(Message); return;
  }
  // Right and middle presses.
  DefaultHandler(Message);
  if (*alive && stdEvents) MouseDown(button, shift, x, y);
}

void TControl::CMMouseEnterLeave(TMessage& Message) {
  auto alive = alive_;
  // Parents hear of it with the control that was entered or left.
  if (parent_) parent_->Perform(Message.Msg, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
  if (!*alive || Message.LParam != 0) return;
  if (Message.Msg == CM_MOUSEENTER) {
    MouseEnter();
    if (*alive && OnMouseEnter) OnMouseEnter(this);
  } else {
    MouseLeave();
    if (*alive && OnMouseLeave) OnMouseLeave(this);
  }
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  auto alive = alive_;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (handled || !*alive) return true;
  // Fine-grained wheels send parts of a notch: whole notches make the
  // up and down events.
  wheelAccumulator_ += WheelDelta;
  while (std::abs(wheelAccumulator_) >= WHEEL_DELTA) {
    bool down = wheelAccumulator_ < 0;
    wheelAccumulator_ += down ? WHEEL_DELTA : -WHEEL_DELTA;
    handled = down ? DoMouseWheelDown(Shift, MousePos) : DoMouseWheelUp(Shift, MousePos);
    if (!*alive) return true;
  }
  return handled;
}

void TControl::WMMouseWheel(TMessage& Message) {
  TShiftState shift = KeysToShiftState(LOWORD(Message.WParam));
  int delta = GET_WHEEL_DELTA_WPARAM(Message.WParam);
  auto alive = alive_;
  if (DoMouseWheel(shift, delta, Message.Pos())) {
    Message.Result = 1;
    return;
  }
  if (*alive) DefaultHandler(Message);
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

bool TControl::DoPopupMenu(TPoint Screen) {
  if (!popupMenu_ || !PopupMenuHandler) return false;
  PopupMenuHandler(popupMenu_, this, Screen);
  return true;
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  auto alive = alive_;
  TPoint screen = Message.Pos();
  // From the keyboard the point is (-1, -1): the menu goes to the corner.
  bool fromKeyboard = screen.X == -1 && screen.Y == -1;
  TPoint local = fromKeyboard ? TPoint{0, 0} : ScreenToClient(screen);
  bool handled = false;
  DoContextPopup(local, handled);
  if (!*alive) return;
  Message.Result = handled ? 1 : 0;
  if (handled) return;
  if (popupMenu_) {
    SendCancelMode(nullptr);
    if (!*alive) return;
    if (DoPopupMenu(fromKeyboard ? ClientToScreen(TPoint{0, 0}) : screen)) Message.Result = 1;
    if (!*alive) return;
  }
  if (Message.Result == 0) DefaultHandler(Message);
}

// ---- TWinControl --------------------------------------------------------------------
TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls) const {
  auto hit = [&](TControl* c) {
    if (!c->visible_ || (!AllowDisabled && !c->enabled_)) return false;
    if (!c->BoundsRect().Contains(Pos)) return false;
    return c->Perform(CM_HITTEST, 0, PointToLParam(TPoint{Pos.X - c->left_, Pos.Y - c->top_})) != 0;
  };
  if (AllowWinControls)
    for (auto it = winControls_.rbegin(); it != winControls_.rend(); ++it)
      if (hit(*it)) return *it;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (hit(*it)) return *it;
  return nullptr;
}

bool TWinControl::IsMouseMessageForChild(TMessage& Message) {
  if (!handle_) return false;
  TControl* target = nullptr;
  if (GetCapture() == handle_) {
    if (captureControl && captureControl->parent_ == this) target = captureControl;
  } else {
    target = ControlAtPos(Message.Pos(), false);
  }
  if (!target) return false;
  TPoint p{Message.XPos() - target->left_, Message.YPos() - target->top_};
  Message.Result = target->Perform(Message.Msg, Message.WParam, PointToLParam(p));
  return true;
}

void TWinControl::WMSetCursor(TMessage& Message) {
  if (reinterpret_cast<HWND>(Message.WParam) == handle_ && SHORT(LOWORD(std::uintptr_t(Message.LParam))) == HTCLIENT) {
    TCursor c = ScreenCursorHook ? ScreenCursorHook() : crDefault;
    if (c == crDefault) {
      POINT p{};
      GetCursorPos(&p);
      ::ScreenToClient(handle_, &p);
      if (TControl* g = ControlAtPos(p, false)) c = g->Cursor();
      if (c == crDefault) c = Cursor();
    }
    if (c != crDefault) {
      ::SetCursor(CursorHandle(c));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMMouseLeave(TMessage& Message) {
  auto alive = alive_;
  if (mouseControl == this || (mouseControl && mouseControl->parent_ == this && !dynamic_cast<TWinControl*>(mouseControl)))
    UpdateMouseControl();
  if (*alive) DefaultHandler(Message);
}

void TWinControl::WMContextMenuWin(TMessage& Message) {
  if (Message.Result != 0) return;
  TPoint screen = Message.Pos();
  if (handle_ && !(screen.X == -1 && screen.Y == -1)) {
    POINT cp = screen;
    ::ScreenToClient(handle_, &cp);
    if (TControl* g = ControlAtPos(cp, false)) {
      auto alive = alive_;
      Message.Result = g->Perform(WM_CONTEXTMENU, 0, Message.LParam);
      if (!*alive || Message.Result != 0) return;
    }
  }
  WMContextMenu(Message);
}

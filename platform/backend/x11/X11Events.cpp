// X events handed to the window layer: mouse, focus, geometry changes made
// by the window manager, exposure and the window manager's protocols.
#include "platform/user/input/Focus.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/WindowPos.h"

#include "platform/backend/x11/X11Keys.h"
#include "platform/backend/x11/X11State.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xfixes.h>

namespace {

POINT RootPoint(int x, int y) { return POINT{x, y}; }

void OnButton(TX11State&, const XButtonEvent& ev) {
  const bool down = ev.type == ButtonPress;
  POINT pt = RootPoint(ev.x_root, ev.y_root);
  switch (ev.button) {
    case Button1: InputMouseButton(TMouseButton::mbLeft, down, pt); break;
    case Button2: InputMouseButton(TMouseButton::mbMiddle, down, pt); break;
    case Button3: InputMouseButton(TMouseButton::mbRight, down, pt); break;
    // The wheel is buttons 4 (away from the user) and 5; one notch a press.
    case Button4:
      if (down) InputMouseWheel(WHEEL_DELTA, pt);
      break;
    case Button5:
      if (down) InputMouseWheel(-WHEEL_DELTA, pt);
      break;
    // 6 and 7 scroll sideways: left, then right.
    case 6:
      if (down) InputMouseHWheel(-WHEEL_DELTA, pt);
      break;
    case 7:
      if (down) InputMouseHWheel(WHEEL_DELTA, pt);
      break;
    default: break;
  }
}

bool MoreMotionQueued(TX11State& s, Window w) {
  if (XEventsQueued(s.dpy, QueuedAlready) == 0) return false;
  XEvent next;
  XPeekEvent(s.dpy, &next);
  return next.type == MotionNotify && next.xmotion.window == w;
}

void OnConfigure(TX11State& s, const XConfigureEvent& ev, TX11Native& n) {
  // Reports older than our own latest move describe a replaced position.
  if (long(ev.serial - n.configureSerial) < 0) return;
  int x = ev.x, y = ev.y;
  if (!ev.send_event && n.framed) {
    // Inside a window manager's frame a real event's position is relative
    // to the frame, and the frame may not be in place yet (placing a window
    // reported (0, 0)); the manager's synthetic event tells where it went.
    x = n.bounds.Left;
    y = n.bounds.Top;
  }
  RECT r = Bounds(x, y, ev.width, ev.height);
  n.skipNextBounds = false;  // the manager has placed it
  if (r == n.bounds) return;
  n.bounds = r;
  RECT current{};
  if (GetWindowRect(n.hwnd, &current) && current == r) return;
  // Moved or sized from outside: drop-down lists and menus on it close.
  if (!n.popup) NativeMovedBySystem(n.hwnd);
  SetWindowPos(n.hwnd, nullptr, r.Left, r.Top, r.Width(), r.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void OnClientMessage(TX11State& s, const XClientMessageEvent& ev, TX11Native& n) {
  if (ev.message_type != s.atoms.wmProtocols || ev.format != 32) return;
  Atom protocol = Atom(ev.data.l[0]);
  if (protocol == s.atoms.wmDeleteWindow) {
    // The window manager's close button: as the caption's close button.
    PostMessage(n.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (protocol == s.atoms.wmTakeFocus) {
    TakeX11Focus(s, n, Time(ev.data.l[1]));
  } else if (protocol == s.atoms.netWmPing) {
    XEvent reply;
    reply.xclient = ev;
    reply.xclient.window = s.root;
    XSendEvent(s.dpy, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &reply);
  }
}

// Keys let go while another client held the keyboard (Alt after the window
// manager's Alt+Tab) never reach us as releases; the server's key map says
// what is really down.
void SyncKeysWithServer(TX11State& s) {
  char map[32] = {};
  XQueryKeymap(s.dpy, map);
  std::vector<std::pair<int, TKeyCode>> down;
  for (int kc = 8; kc < 256; ++kc) {
    if (!(static_cast<unsigned char>(map[kc / 8]) & (1u << (kc % 8)))) continue;
    const KeySym ks = XkbKeycodeToKeysym(s.dpy, KeyCode(kc), 0, 0);
    if (int vk = VirtualKeyFromKeysym(ks)) down.emplace_back(vk, KeyCodeFromKeysym(ks, vk));
  }
  InputSyncKeys(down);
}

void OnFocus(TX11State& s, const XFocusChangeEvent& ev, TX11Native& n) {
  // The keyboard comes back, from another window or from a grab (the
  // manager's Alt+Tab ending where it started).
  if (ev.type == FocusIn) SyncKeysWithServer(s);
  // Keyboard grabs and the pointer-root focus do not move activation.
  if (ev.mode == NotifyGrab || ev.mode == NotifyUngrab) return;
  if (ev.detail == NotifyPointer || ev.detail == NotifyPointerRoot || ev.detail == NotifyDetailNone) return;
  if (ev.type == FocusIn) {
    if (n.ic) XSetICFocus(n.ic);
    if (s.pendingDeactivate == n.hwnd) s.pendingDeactivate = nullptr;
    if (s.activeNative == n.hwnd) return;
    s.activeNative = n.hwnd;
    s.pendingDeactivate = nullptr;
    NativeActivationChanged(n.hwnd, true);
  } else {
    if (n.ic) XUnsetICFocus(n.ic);
    if (s.activeNative != n.hwnd) return;
    s.activeNative = nullptr;
    s.pendingDeactivate = n.hwnd;
  }
}

void HandleEvent(TX11State& s, XEvent& ev) {
  if (ev.type == MappingNotify) {
    XRefreshKeyboardMapping(&ev.xmapping);
    return;
  }
  if (HandleX11Selection(s, ev)) return;
  if (HandleX11Tray(s, ev)) return;
  if (s.haveFixes && ev.type == s.fixesEventBase + XFixesSelectionNotify) {
    s.compositorChanged = true;
    return;
  }
  TX11Native* n = s.FindX(ev.xany.window);
  if (!n) {
    // A release for a window that has gone since (Alt+F4 closing a dialog)
    // must still let the key go, or it stays held for every later key.
    if (ev.type == KeyRelease) HandleX11Key(s, ev.xkey, nullptr);
    return;
  }
  switch (ev.type) {
    case Expose:
      PutBacking(s, *n, Bounds(ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height));
      break;
    case ConfigureNotify: OnConfigure(s, ev.xconfigure, *n); break;
    case PropertyNotify:
      if (ev.xproperty.atom == s.atoms.netWmState || ev.xproperty.atom == s.atoms.wmState) ReadX11WindowState(s, *n);
      break;
    case ReparentNotify: {
      const bool framed = ev.xreparent.parent != s.root;
      if (framed && !n->framed) RepeatX11ShapesForFrame(s, *n);
      n->framed = framed;
      break;
    }
    case MapNotify: n->mapped = true; break;
    case UnmapNotify: n->mapped = false; break;
    case ClientMessage: OnClientMessage(s, ev.xclient, *n); break;
    case FocusIn:
    case FocusOut: OnFocus(s, ev.xfocus, *n); break;
    case KeyPress:
    case KeyRelease: HandleX11Key(s, ev.xkey, n); break;
    case ButtonPress:
    case ButtonRelease: OnButton(s, ev.xbutton); break;
    case MotionNotify:
      if (!MoreMotionQueued(s, n->window)) InputMouseMove(RootPoint(ev.xmotion.x_root, ev.xmotion.y_root));
      break;
    case EnterNotify:
    case LeaveNotify:
      // Crossings caused by grabs are no movement of the pointer.
      if (ev.xcrossing.mode == NotifyNormal && ev.xcrossing.detail != NotifyInferior)
        InputMouseMove(RootPoint(ev.xcrossing.x_root, ev.xcrossing.y_root));
      break;
    default: break;
  }
}

}  // namespace

int DrainX11Events(TX11State& s) {
  int handled = 0;
  while (!s.ioLost && XPending(s.dpy) > 0) {
    XEvent ev;
    XNextEvent(s.dpy, &ev);
    ++handled;
    // The input method may take key events for composing text.
    if (XFilterEvent(&ev, None)) continue;
    HandleEvent(s, ev);
  }
  if (HWND h = s.pendingDeactivate) {
    s.pendingDeactivate = nullptr;
    NativeActivationChanged(h, false);
  }
  return handled;
}

// What the window manager reads from our windows: decorations and allowed
// functions, focus input, group, type, state list and owner.
#include "platform/user/input/Focus.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowPos.h"

#include "platform/backend/x11/X11State.h"

#include <X11/Xatom.h>

namespace {

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr long kMwmFunctions = 1L << 0, kMwmDecorations = 1L << 1;
constexpr long kMwmFuncResize = 1L << 1, kMwmFuncMove = 1L << 2, kMwmFuncMinimize = 1L << 3,
               kMwmFuncMaximize = 1L << 4, kMwmFuncClose = 1L << 5;
constexpr long kMwmDecorBorder = 1L << 1, kMwmDecorResize = 1L << 2, kMwmDecorTitle = 1L << 3,
               kMwmDecorMenu = 1L << 4, kMwmDecorMinimize = 1L << 5, kMwmDecorMaximize = 1L << 6;

// A form without a caption (bsNone) that is not a popup: managed, but bare.
bool Borderless(const TX11Native& n) {
  return !n.popup && (n.style & WS_POPUP) && (n.style & WS_CAPTION) != WS_CAPTION;
}

Atom WindowType(TX11State& s, const TX11Native& n) {
  if (n.splash) return s.atoms.netWmWindowTypeSplash;
  // A popup the mouse goes through (a glow): an overlay of the kind
  // compositors draw without a shadow.
  if (n.popup && (n.exStyle & WS_EX_TRANSPARENT)) return s.atoms.netWmWindowTypeDnd;
  if (n.modal || (n.exStyle & WS_EX_DLGMODALFRAME)) return s.atoms.netWmWindowTypeDialog;
  if (n.toolWindow) return s.atoms.netWmWindowTypeUtility;
  return s.atoms.netWmWindowTypeNormal;
}

TX11Native* OwnerNative(TX11State& s, const TX11Native& n) {
  HWND owner = GetWindow(n.hwnd, GW_OWNER);
  return owner ? s.FindByHwnd(owner) : nullptr;
}

}  // namespace

void SetAtomList(TX11State& s, Window w, Atom property, const std::vector<Atom>& atoms) {
  if (atoms.empty()) {
    XDeleteProperty(s.dpy, w, property);
    return;
  }
  XChangeProperty(s.dpy, w, property, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(atoms.data()), int(atoms.size()));
}

void ApplyMotifHints(TX11State& s, const TX11Native& n) {
  if (n.popup) {
    XDeleteProperty(s.dpy, n.window, s.atoms.motifWmHints);
    return;
  }
  long hints[5] = {0, 0, 0, 0, 0};
  if (n.customFrame || Borderless(n)) {
    // The program draws whatever frame there is, and offers its own boxes.
    hints[0] = kMwmDecorations;
  } else {
    // Only what the frame's boxes offer, so a dialog cannot be minimised
    // away while its owner waits for it.
    // Managers that keep the functions of buttons they draw go by the
    // decorations as well.
    hints[0] = kMwmFunctions | kMwmDecorations;
    hints[1] = kMwmFuncMove | kMwmFuncClose;
    hints[2] = kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu;
    if (n.style & WS_THICKFRAME) {
      hints[1] |= kMwmFuncResize;
      hints[2] |= kMwmDecorResize;
    }
    if (n.style & WS_MINIMIZEBOX) {
      hints[1] |= kMwmFuncMinimize;
      hints[2] |= kMwmDecorMinimize;
    }
    if (n.style & WS_MAXIMIZEBOX) {
      hints[1] |= kMwmFuncMaximize;
      hints[2] |= kMwmDecorMaximize;
    }
  }
  XChangeProperty(s.dpy, n.window, s.atoms.motifWmHints, s.atoms.motifWmHints, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints), 5);
}

void WriteX11InputHint(TX11State& s, const TX11Native& n) {
  XWMHints wmh{};
  wmh.flags = InputHint | StateHint | WindowGroupHint;
  // A disabled window asks not to be given the focus; WM_TAKE_FOCUS still
  // tells us when it is chosen, and the modal window takes it instead.
  wmh.input = (n.style & WS_DISABLED) ? False : True;
  wmh.initial_state = NormalState;
  wmh.window_group = s.clipWindow;
  XSetWMHints(s.dpy, n.window, &wmh);
}

void WriteWmStateList(TX11State& s, const TX11Native& n) {
  std::vector<Atom> states;
  if (n.topmost) states.push_back(s.atoms.netWmStateAbove);
  // Owned windows have no task bar entry of their own, as on Windows.
  if (n.toolWindow || n.splash || OwnerNative(s, n)) states.push_back(s.atoms.netWmStateSkipTaskbar);
  if (n.splash) states.push_back(s.atoms.netWmStateSkipPager);
  if (n.modal) states.push_back(s.atoms.netWmStateModal);
  if (n.maximized) {
    states.push_back(s.atoms.netWmStateMaximizedVert);
    states.push_back(s.atoms.netWmStateMaximizedHorz);
  }
  SetAtomList(s, n.window, s.atoms.netWmState, states);
}

void SetWmState(TX11State& s, TX11Native& n, Atom state, bool on, Atom second) {
  if (n.popup) return;
  if (!n.shown) {
    WriteWmStateList(s, n);
    return;
  }
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = n.window;
  ev.xclient.message_type = s.atoms.netWmState;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = on ? 1 : 0;  // add or remove
  ev.xclient.data.l[1] = long(state);
  ev.xclient.data.l[2] = long(second);
  ev.xclient.data.l[3] = 1;  // from an application
  XSendEvent(s.dpy, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

bool IsX11Modal(const TX11Native& n) {
  if (n.popup || (n.style & WS_DISABLED)) return false;
  HWND owner = GetWindow(n.hwnd, GW_OWNER);
  return owner && !IsWindowEnabled(owner);
}

void UpdateX11Modal(TX11State& s, TX11Native& n) {
  const bool modal = IsX11Modal(n);
  if (modal == n.modal) return;
  n.modal = modal;
  SetAtomList(s, n.window, s.atoms.netWmWindowType, {WindowType(s, n)});
  SetWmState(s, n, s.atoms.netWmStateModal, modal);
}

void WriteX11ClickThrough(TX11State& s, TX11Native& n) {
  if (!(n.exStyle & WS_EX_TRANSPARENT)) return;
  // Compositors that draw shadows read these; 0 asks for none.
  long none = 0;
  for (Atom shadow : {s.atoms.comptonShadow, s.atoms.picomShadow})
    XChangeProperty(s.dpy, n.window, shadow, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&none),
                    1);
  SetX11InputShape(s, n, nullptr);
}

void WriteX11ManagerHints(TX11State& s, TX11Native& n) {
  WriteX11InputHint(s, n);
  WriteX11ClickThrough(s, n);
  SetAtomList(s, n.window, s.atoms.netWmWindowType, {WindowType(s, n)});
  if (!n.popup) WriteWmStateList(s, n);
  ApplyMotifHints(s, n);
  // Transient only for an owner that is a window of its own on the screen;
  // an owner without one (the application's) leaves the form on its own.
  TX11Native* o = OwnerNative(s, n);
  if (o && !n.popup) XSetTransientForHint(s.dpy, n.window, o->window);
  else XDeleteProperty(s.dpy, n.window, XA_WM_TRANSIENT_FOR);
}

void TakeX11Focus(TX11State& s, TX11Native& n, Time time) {
  TX11Native* target = &n;
  if (n.style & WS_DISABLED) {
    // The window layer brings the window n waits for forward.
    NativeActivationChanged(n.hwnd, true);
    target = s.FindByHwnd(GetActiveWindow());
    if (!target || target == &n) return;
  }
  if (!target->mapped) return;
  XSetInputFocus(s.dpy, target->window, RevertToParent, time);
}

void ReadX11WindowState(TX11State& s, TX11Native& n) {
  if (n.popup || !n.shown) return;  // withdrawn windows have no state
  bool managed = false, iconic = false, vert = false, horz = false, hidden = false;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(s.dpy, n.window, s.atoms.wmState, 0, 2, False, s.atoms.wmState, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32 && count >= 1) {
    managed = true;
    iconic = reinterpret_cast<long*>(data)[0] == IconicState;
  }
  if (data) XFree(data);
  data = nullptr;
  // Only a window manager sets WM_STATE; without one our own state list is
  // no news.
  if (!managed) return;
  if (XGetWindowProperty(s.dpy, n.window, s.atoms.netWmState, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 32) {
    const long* atoms = reinterpret_cast<long*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      vert |= Atom(atoms[i]) == s.atoms.netWmStateMaximizedVert;
      horz |= Atom(atoms[i]) == s.atoms.netWmStateMaximizedHorz;
      hidden |= Atom(atoms[i]) == s.atoms.netWmStateHidden;
    }
  }
  if (data) XFree(data);
  const bool minimized = iconic || hidden;
  const bool maximized = vert && horz;
  if (minimized == n.minimized && maximized == n.maximized) return;
  n.minimized = minimized;
  n.maximized = maximized;
  n.skipNextBounds = false;
  NativeStateChanged(n.hwnd, minimized ? SIZE_MINIMIZED : maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
}

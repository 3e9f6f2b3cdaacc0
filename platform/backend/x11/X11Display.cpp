#include "platform/backend/x11/X11Display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/user/windows/Window.h"

#include "platform/backend/x11/X11State.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>

namespace {

// ---- Errors ---------------------------------------------------------------
// Xlib's handlers are per process; errors are counted on the connection
// they came from. Everything runs on the GUI thread, but a test may open a
// second connection on another, hence the lock.
std::mutex g_connLock;
std::vector<TX11State*> g_connections;

int OnXError(Display* dpy, XErrorEvent*) {
  std::lock_guard<std::mutex> lock(g_connLock);
  for (TX11State* s : g_connections)
    if (s->dpy == dpy) s->errors++;
  return 0;
}

int OnXIOError(Display*) { return 0; }  // the exit handler decides

void OnXIOExit(Display*, void* data) {
  auto* s = static_cast<TX11State*>(data);
  s->ioLost = true;
  // Ended right here, before any caller could wait on the dead connection.
  if (s->endWhenLost) EndForLostDisplay("lumiqa: lost the connection to the X display " + s->displayName);
  // Returning keeps the program alive; the connection is unusable from now on.
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

unsigned Extent(int v) { return unsigned(std::max(1, v)); }

}  // namespace

// An EWMH window manager names its check window on the root.
bool WindowManagerRunning(TX11State& s) {
  Atom check = XInternAtom(s.dpy, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = XGetWindowProperty(s.dpy, s.root, check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                                  &data) == Success &&
               data && count == 1;
  if (data) XFree(data);
  return found;
}

void RegisterX11Connection(TX11State* s) {
  std::lock_guard<std::mutex> lock(g_connLock);
  g_connections.push_back(s);
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXIOError);
}

void UnregisterX11Connection(TX11State* s) {
  std::lock_guard<std::mutex> lock(g_connLock);
  g_connections.erase(std::remove(g_connections.begin(), g_connections.end(), s), g_connections.end());
}

TX11Native* TX11State::Find(Window w) {
  auto it = natives.find(w);
  return it == natives.end() ? nullptr : &it->second;
}

TX11Native* TX11State::FindX(Window w) {
  auto it = natives.find(w);
  if (it != natives.end() && it->second.window == w) return &it->second;
  for (auto& [id, n] : natives)
    if (n.window == w) return &n;
  return nullptr;
}

TX11Native* TX11State::FindByHwnd(HWND h) {
  for (auto& [id, n] : natives)
    if (n.hwnd == h) return &n;
  return nullptr;
}

Cursor TX11State::FontCursor(int shape) {
  auto it = fontCursors.find(shape);
  if (it != fontCursors.end()) return it->second;
  Cursor c = XCreateFontCursor(dpy, unsigned(shape));
  fontCursors[shape] = c;
  return c;
}

// ---- Connection -------------------------------------------------------------

std::unique_ptr<TX11Display> TX11Display::Open(const char* displayName) {
  // Input methods need the user's character type; keep the program's choice
  // when Xlib cannot use that locale.
  std::string oldCtype = std::setlocale(LC_CTYPE, nullptr) ? std::setlocale(LC_CTYPE, nullptr) : "C";
  if (oldCtype == "C" || oldCtype == "POSIX") {
    if (!std::setlocale(LC_CTYPE, "") || !XSupportsLocale()) std::setlocale(LC_CTYPE, oldCtype.c_str());
  }
  XSetLocaleModifiers("");

  // A write to a server that has gone must come back as an error, so the
  // lost-display path (hooks, one line, status 1) runs; the default SIGPIPE
  // would end the program before it. A handler the program set stays.
  struct sigaction pipe {};
  if (sigaction(SIGPIPE, nullptr, &pipe) == 0 && pipe.sa_handler == SIG_DFL) std::signal(SIGPIPE, SIG_IGN);

  auto s = std::make_unique<TX11State>();
  s->dpy = XOpenDisplay(displayName);
  if (!s->dpy) return nullptr;
  RegisterX11Connection(s.get());
  XSetIOErrorExitHandler(s->dpy, OnXIOExit, s.get());
  s->displayName = DisplayString(s->dpy);
  s->screen = DefaultScreen(s->dpy);
  s->root = RootWindow(s->dpy, s->screen);
  s->visual = DefaultVisual(s->dpy, s->screen);
  s->depth = DefaultDepth(s->dpy, s->screen);
  s->directPixels = (s->depth == 24 || s->depth == 32) && s->visual->red_mask == 0xFF0000 &&
                    s->visual->green_mask == 0xFF00 && s->visual->blue_mask == 0xFF;

  struct {
    Atom* slot;
    const char* name;
  } names[] = {{&s->atoms.wmProtocols, "WM_PROTOCOLS"},
               {&s->atoms.wmDeleteWindow, "WM_DELETE_WINDOW"},
               {&s->atoms.netWmPing, "_NET_WM_PING"},
               {&s->atoms.motifWmHints, "_MOTIF_WM_HINTS"},
               {&s->atoms.netWmWindowOpacity, "_NET_WM_WINDOW_OPACITY"},
               {&s->atoms.netWorkarea, "_NET_WORKAREA"},
               {&s->atoms.netCurrentDesktop, "_NET_CURRENT_DESKTOP"},
               {&s->atoms.netWmState, "_NET_WM_STATE"},
               {&s->atoms.netWmStateAbove, "_NET_WM_STATE_ABOVE"},
               {&s->atoms.netWmStateSkipTaskbar, "_NET_WM_STATE_SKIP_TASKBAR"},
               {&s->atoms.netWmWindowType, "_NET_WM_WINDOW_TYPE"},
               {&s->atoms.netWmWindowTypeNormal, "_NET_WM_WINDOW_TYPE_NORMAL"},
               {&s->atoms.netWmWindowTypeUtility, "_NET_WM_WINDOW_TYPE_UTILITY"},
               {&s->atoms.netWmName, "_NET_WM_NAME"},
               {&s->atoms.netWmPid, "_NET_WM_PID"},
               {&s->atoms.netWmUserTime, "_NET_WM_USER_TIME"},
               {&s->atoms.netRestackWindow, "_NET_RESTACK_WINDOW"},
               {&s->atoms.utf8String, "UTF8_STRING"},
               {&s->atoms.clipboard, "CLIPBOARD"},
               {&s->atoms.targets, "TARGETS"},
               {&s->atoms.lumiqaSelection, "LUMIQA_SELECTION"},
               {&s->atoms.netWmIcon, "_NET_WM_ICON"},
               {&s->atoms.netActiveWindow, "_NET_ACTIVE_WINDOW"},
               {&s->atoms.netClientListStacking, "_NET_CLIENT_LIST_STACKING"},
               {&s->atoms.wmTakeFocus, "WM_TAKE_FOCUS"},
               {&s->atoms.netWmStateModal, "_NET_WM_STATE_MODAL"},
               {&s->atoms.netWmWindowTypeDialog, "_NET_WM_WINDOW_TYPE_DIALOG"},
               {&s->atoms.netWmStateMaximizedVert, "_NET_WM_STATE_MAXIMIZED_VERT"},
               {&s->atoms.netWmStateMaximizedHorz, "_NET_WM_STATE_MAXIMIZED_HORZ"},
               {&s->atoms.netWmStateHidden, "_NET_WM_STATE_HIDDEN"},
               {&s->atoms.wmState, "WM_STATE"},
               {&s->atoms.wmChangeState, "WM_CHANGE_STATE"},
               {&s->atoms.netWmWindowTypeSplash, "_NET_WM_WINDOW_TYPE_SPLASH"},
               {&s->atoms.netWmStateSkipPager, "_NET_WM_STATE_SKIP_PAGER"},
               {&s->atoms.netWmWindowTypeDnd, "_NET_WM_WINDOW_TYPE_DND"},
               {&s->atoms.comptonShadow, "_COMPTON_SHADOW"},
               {&s->atoms.picomShadow, "_PICOM_SHADOW"}};
  for (auto& n : names) *n.slot = XInternAtom(s->dpy, n.name, False);

  // Held keys repeat as presses alone, as Windows repeats WM_KEYDOWN.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(s->dpy, True, &detectable);
  // The compositing manager of our screen owns this selection; XFixes tells
  // us when it comes or goes.
  s->atoms.netCmS = XInternAtom(s->dpy, ("_NET_WM_CM_S" + std::to_string(s->screen)).c_str(), False);
  int fixesError = 0;
  int fixesMajor = 0, fixesMinor = 0;
  // The version must be asked before the extension answers requests.
  s->haveFixes = XFixesQueryExtension(s->dpy, &s->fixesEventBase, &fixesError) != 0 &&
                 XFixesQueryVersion(s->dpy, &fixesMajor, &fixesMinor) != 0 && fixesMajor >= 1;
  if (s->haveFixes)
    XFixesSelectSelectionInput(s->dpy, s->root, s->atoms.netCmS,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
  s->compositor = XGetSelectionOwner(s->dpy, s->atoms.netCmS) != 0;
  // Never mapped: owns the clipboard and leads the group of our windows.
  s->clipWindow = XCreateSimpleWindow(s->dpy, s->root, -10, -10, 1, 1, 0, 0, 0);
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0) s->hostName = host;
  s->im = XOpenIM(s->dpy, nullptr, nullptr, nullptr);
  if (pipe2(s->wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    s->wakePipe[0] = s->wakePipe[1] = -1;
  }
  return std::unique_ptr<TX11Display>(new TX11Display(std::move(s)));
}

TX11Display::TX11Display(std::unique_ptr<TX11State> state) : s_(std::move(state)) {}

TX11Display::~TX11Display() {
  if (CurrentDisplay() == this) SetDisplay(nullptr);
  if (!s_->ioLost) {
    for (auto& [id, n] : s_->natives) {
      if (n.ic) XDestroyIC(n.ic);
      FreeBacking(n);
      XDestroyWindow(s_->dpy, n.window);
      FreeX11WindowResources(*s_, n);
    }
    FreeX11Cursors(*s_);
    FreeX11TrayIcons(*s_);
    if (s_->clipWindow) XDestroyWindow(s_->dpy, s_->clipWindow);
    if (s_->im) XCloseIM(s_->im);
  } else {
    for (auto& [id, n] : s_->natives) FreeBacking(n);
  }
  s_->natives.clear();
  XCloseDisplay(s_->dpy);
  UnregisterX11Connection(s_.get());
  for (int fd : s_->wakePipe)
    if (fd >= 0) close(fd);
}

bool TX11Display::ConnectionLost() const { return s_->ioLost; }

void TX11Display::SetEndWhenLost(bool end) { s_->endWhenLost = end; }
int TX11Display::ErrorCount() const { return s_->errors; }

TNativeWindow TX11Display::NativeOf(HWND topLevel) const {
  for (const auto& [id, n] : s_->natives)
    if (n.hwnd == topLevel) return TNativeWindow(id);
  return 0;
}

std::uintptr_t TX11Display::XWindowOf(HWND topLevel) const {
  TX11Native* n = s_->FindByHwnd(topLevel);
  return n ? std::uintptr_t(n->window) : 0;
}

bool TX11Display::CompositorRunning() {
  if (s_->ioLost) return false;
  return XGetSelectionOwner(s_->dpy, s_->atoms.netCmS) != 0;
}

int TX11Display::Sync() {
  if (s_->ioLost) return 0;
  XSync(s_->dpy, False);
  int n = DrainX11Events(*s_);
  FollowCompositor();
  UpdateX11Cursor(*s_);
  XFlush(s_->dpy);
  return n;
}

// ---- Windows ------------------------------------------------------------------

namespace {

void SetNormalHints(TX11State& s, const TX11Native& n) {
  XSizeHints* h = XAllocSizeHints();
  if (!h) return;
  // Static gravity: our rectangle is the client window's, not the frame's.
  h->flags = USPosition | PPosition | USSize | PSize | PWinGravity;
  h->x = n.bounds.Left;
  h->y = n.bounds.Top;
  h->width = int(Extent(n.bounds.Width()));
  h->height = int(Extent(n.bounds.Height()));
  h->win_gravity = StaticGravity;
  XSetWMNormalHints(s.dpy, n.window, h);
  XFree(h);
}

void SetX11Title(TX11State& s, const TX11Native& n) {
  // Both the old and the UTF-8 title, for window managers that read only one.
  XTextProperty prop{};
  char* list[] = {const_cast<char*>(n.title.c_str())};
  if (Xutf8TextListToTextProperty(s.dpy, list, 1, XStdICCTextStyle, &prop) >= Success) {
    XSetWMName(s.dpy, n.window, &prop);
    XFree(prop.value);
  }
  XChangeProperty(s.dpy, n.window, s.atoms.netWmName, s.atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(n.title.data()), int(n.title.size()));
}

bool StackableSibling(const TX11Native& n) { return !n.popup && n.shown && n.mapped && !n.layered && !n.minimized; }

// The child of the root holding w: its frame under a window manager.
Window RootChildOf(TX11State& s, Window w) {
  for (int depth = 0; depth < 16; ++depth) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(s.dpy, w, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    if (parent == root || !parent) return w;
    w = parent;
  }
  return 0;
}

// The window manager's stacking list already has `w` right above `below`.
bool DirectlyAbove(TX11State& s, Window w, Window below) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool above = false;
  if (XGetWindowProperty(s.dpy, s.root, s.atoms.netClientListStacking, 0, 4096, False, XA_WINDOW, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32) {
    const long* list = reinterpret_cast<const long*>(data);  // bottom to top
    for (unsigned long i = 0; i + 1 < count; ++i)
      if (Window(list[i]) == below) {
        above = Window(list[i + 1]) == w;
        break;
      }
  }
  if (data) XFree(data);
  return above;
}

}  // namespace

bool MakeX11Window(TX11State& s, TX11Native& n, const XVisualInfo* argb) {
  XSetWindowAttributes a{};
  a.background_pixmap = None;  // no flash of a background colour before the first present
  a.border_pixel = 0;
  a.override_redirect = n.popup ? True : False;
  a.save_under = n.popup ? True : False;
  a.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                 PointerMotionMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask | StructureNotifyMask |
                 PropertyChangeMask;
  unsigned long mask = CWBackPixmap | CWBorderPixel | CWOverrideRedirect | CWSaveUnder | CWEventMask;
  if (argb) {
    a.colormap = XCreateColormap(s.dpy, s.root, argb->visual, AllocNone);
    mask |= CWColormap;
  }
  const RECT& b = n.bounds;
  Window w = XCreateWindow(s.dpy, s.root, b.Left, b.Top, Extent(b.Width()), Extent(b.Height()), 0,
                           argb ? 32 : CopyFromParent, InputOutput, argb ? argb->visual : CopyFromParent, mask, &a);
  if (!w) {
    if (argb) XFreeColormap(s.dpy, a.colormap);
    return false;
  }
  n.window = w;
  n.argb = argb != nullptr;
  n.visual = argb ? argb->visual : nullptr;
  n.colormap = argb ? a.colormap : 0;
  n.gc = argb ? XCreateGC(s.dpy, w, 0, nullptr) : nullptr;
  n.ic = nullptr;

  Atom protocols[] = {s.atoms.wmDeleteWindow, s.atoms.netWmPing, s.atoms.wmTakeFocus};
  XSetWMProtocols(s.dpy, w, protocols, 3);
  XClassHint cls;
  char resName[] = "lumiqa", resClass[] = "Lumiqa";
  cls.res_name = resName;
  cls.res_class = resClass;
  XSetClassHint(s.dpy, w, &cls);
  long pid = long(getpid());
  XChangeProperty(s.dpy, w, s.atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&pid),
                  1);
  // The pid means something only on the machine named beside it.
  if (!s.hostName.empty())
    XChangeProperty(s.dpy, w, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(s.hostName.data()), int(s.hostName.size()));
  SetNormalHints(s, n);
  n.modal = IsX11Modal(n);
  WriteX11ManagerHints(s, n);
  SetX11Title(s, n);
  if (s.im) {
    n.ic = CreateX11InputContext(s, n, w);
    if (n.ic) {
      long imMask = 0;
      XGetICValues(n.ic, XNFilterEvents, &imMask, nullptr);
      XSelectInput(s.dpy, w, a.event_mask | imMask);
    }
  }
  return true;
}

TNativeWindow TX11Display::CreateNativeWindow(const TNativeWindowParams& p) {
  if (s_->ioLost) return 0;
  TX11State& s = *s_;
  // Layered windows get an ARGB visual when a compositor can blend them.
  XVisualInfo argb{};
  const bool useArgb =
      p.layered && CompositorRunning() && XMatchVisualInfo(s.dpy, s.screen, 32, TrueColor, &argb) && argb.visual;
  TX11Native n;
  n.hwnd = p.hwnd;
  n.bounds = p.bounds;
  n.popup = p.popup;
  n.customFrame = p.customFrame;
  n.topmost = p.topmost;
  n.toolWindow = p.toolWindow;
  n.title = p.title;
  n.style = p.style;
  n.exStyle = p.exStyle;
  if (!MakeX11Window(s, n, useArgb ? &argb : nullptr)) return 0;
  // The X window's id at creation names the native window for good, even
  // when the X window is made anew.
  const Window id = n.window;
  s.natives.emplace(id, std::move(n));
  s.cursorStale = true;
  return TNativeWindow(id);
}

void TX11Display::DestroyNativeWindow(TNativeWindow id) {
  TX11Native* n = s_->Find(Window(id));
  if (!n) return;
  if (s_->grab == n->window) GrabPointer(0);
  if (s_->pendingDeactivate == n->hwnd) s_->pendingDeactivate = nullptr;
  if (s_->activeNative == n->hwnd) s_->activeNative = nullptr;
  if (!s_->ioLost) {
    if (n->ic) XDestroyIC(n->ic);
    XDestroyWindow(s_->dpy, n->window);
  }
  FreeX11WindowResources(*s_, *n);
  FreeBacking(*n);
  s_->natives.erase(Window(id));
}

void TX11Display::SetNativeBounds(TNativeWindow id, const RECT& r) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  if (n->skipNextBounds) {
    n->skipNextBounds = false;
    return;
  }
  if (SameRect(n->bounds, r)) return;
  n->bounds = r;
  n->configureSerial = NextRequest(s_->dpy);
  SetNormalHints(*s_, *n);
  XMoveResizeWindow(s_->dpy, n->window, r.Left, r.Top, Extent(r.Width()), Extent(r.Height()));
}

void TX11Display::ShowNativeWindow(TNativeWindow id, bool show, bool activate) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost || n->shown == show) return;
  TX11State& s = *s_;
  if (show) {
    // A user time of 0 asks the window manager not to focus the window.
    if (!activate && !n->popup) {
      long zero = 0;
      XChangeProperty(s.dpy, n->window, s.atoms.netWmUserTime, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&zero), 1);
    } else {
      XDeleteProperty(s.dpy, n->window, s.atoms.netWmUserTime);
    }
    SetWmState(s, *n, s.atoms.netWmStateAbove, n->topmost);
    // Whether it is modal is known for sure only now: its owner is disabled
    // before it shows. The manager reads the type and state when it maps.
    n->modal = IsX11Modal(*n);
    WriteX11ManagerHints(s, *n);
    // Some window managers place a window anew when mapped; ask again.
    XMoveWindow(s.dpy, n->window, n->bounds.Left, n->bounds.Top);
    n->shown = true;
    if (!n->layered) XMapRaised(s.dpy, n->window);
  } else {
    n->shown = false;
    if (n->popup) XUnmapWindow(s.dpy, n->window);
    else XWithdrawWindow(s.dpy, n->window, s.screen);
    if (s.grab == n->window) GrabPointer(0);
  }
}

void TX11Display::SetNativeTitle(TNativeWindow id, const std::string& title) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  n->title = title;
  SetX11Title(*s_, *n);
}

void TX11Display::SetCustomFrame(TNativeWindow id, bool custom) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  n->customFrame = custom;
  ApplyMotifHints(*s_, *n);
}

void TX11Display::SetNativeStyle(TNativeWindow id, DWORD style, DWORD exStyle) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  const bool enabledChanged = ((n->style ^ style) & WS_DISABLED) != 0;
  const bool clickThrough = ((n->exStyle ^ exStyle) & WS_EX_TRANSPARENT) != 0;
  n->style = style;
  n->exStyle = exStyle;
  if (clickThrough && n->popup) WriteX11ManagerHints(*s_, *n);
  ApplyMotifHints(*s_, *n);
  WriteX11InputHint(*s_, *n);
  // Windows this one owns are modal while it is disabled.
  if (enabledChanged)
    for (auto& [oid, o] : s_->natives)
      if (GetWindow(o.hwnd, GW_OWNER) == n->hwnd) UpdateX11Modal(*s_, o);
  UpdateX11Modal(*s_, *n);
}

void TX11Display::RestackNativeWindow(TNativeWindow id, TNativeWindow above, bool topmost) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  TX11State& s = *s_;
  if (n->topmost != topmost) {
    n->topmost = topmost;
    SetWmState(s, *n, s.atoms.netWmStateAbove, topmost);
  }
  if (n->popup) {
    TX11Native* sibling = above ? s.Find(Window(above)) : nullptr;
    // A managed sibling sits in a frame: stack relative to that.
    const Window top = sibling && sibling->mapped ? RootChildOf(s, sibling->window) : 0;
    if (top) {
      XWindowChanges c{};
      c.sibling = top;
      c.stack_mode = Above;
      XConfigureWindow(s.dpy, n->window, CWSibling | CWStackMode, &c);
    } else if (topmost || sibling) {
      XRaiseWindow(s.dpy, n->window);
    } else {
      XLowerWindow(s.dpy, n->window);
    }
    return;
  }
  // Managed windows sit inside frames, so only the window manager can stack
  // them relative to each other, and it can only be asked about windows it
  // manages: hidden, minimised or override-redirect ones are skipped for the
  // next one down.
  TX11Native* sibling = nullptr;
  for (HWND h = above ? (s.Find(Window(above)) ? s.Find(Window(above))->hwnd : nullptr) : nullptr; h;
       h = GetWindow(h, GW_HWNDNEXT)) {
    TX11Native* c = s.FindByHwnd(h);
    if (c && c != n && StackableSibling(*c)) {
      sibling = c;
      break;
    }
  }
  if (!sibling) {
    // Above windows that do not show: where it is already.
    if (above && WindowManagerRunning(s)) return;
    // Bottom of the topmost layer is still above every normal window.
    if (topmost) {
      XRaiseWindow(s.dpy, n->window);
      return;
    }
    // The bottom of our windows is below the screen's other windows only
    // when one of ours shows above it. Alone, it stays where it is: lowering
    // the active window hands the focus to whatever then lies on top.
    bool oursAbove = false;
    for (HWND h = GetWindow(n->hwnd, GW_HWNDPREV); h && !oursAbove; h = GetWindow(h, GW_HWNDPREV)) {
      const TX11Native* c = s.FindByHwnd(h);
      oursAbove = c && c != n && !c->topmost && StackableSibling(*c);
    }
    if (oursAbove) XLowerWindow(s.dpy, n->window);
    return;
  }
  if (!StackableSibling(*n) || !WindowManagerRunning(s)) {
    if (!WindowManagerRunning(s)) {
      XWindowChanges c{};
      c.sibling = sibling->window;
      c.stack_mode = Above;
      XConfigureWindow(s.dpy, n->window, CWSibling | CWStackMode, &c);
    }
    return;  // the window manager places it when it maps it
  }
  if (DirectlyAbove(s, n->window, sibling->window)) return;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = n->window;
  ev.xclient.message_type = s.atoms.netRestackWindow;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 2;  // from a pager-like authority: honoured as asked
  ev.xclient.data.l[1] = long(sibling->window);
  ev.xclient.data.l[2] = Above;
  XSendEvent(s.dpy, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

void TX11Display::SetOpacity(TNativeWindow id, Byte alpha) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  n->opacity = alpha;
  if (alpha == 255) {
    XDeleteProperty(s_->dpy, n->window, s_->atoms.netWmWindowOpacity);
    return;
  }
  // The compositor scales 0..0xFFFFFFFF; 255 -> fully opaque.
  unsigned long value = (0xFFFFFFFFul / 255ul) * alpha;
  long v = long(value);
  XChangeProperty(s_->dpy, n->window, s_->atoms.netWmWindowOpacity, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&v), 1);
}

void TX11Display::GrabPointer(TNativeWindow id) {
  if (s_->ioLost) return;
  TX11State& s = *s_;
  TX11Native* n = id ? s.Find(Window(id)) : nullptr;
  if (!n || !n->shown) {
    if (s.grab) XUngrabPointer(s.dpy, CurrentTime);
    s.grab = 0;
    return;
  }
  // Owner events: our other windows still see the pointer by position; the
  // window layer routes by screen coordinates anyway.
  unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;
  if (XGrabPointer(s.dpy, n->window, True, mask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) ==
      GrabSuccess)
    s.grab = n->window;
  else
    s.grab = 0;
}

std::vector<TMonitorRec> TX11Display::Monitors() {
  if (s_->ioLost) return {TMonitorRec{Bounds(0, 0, 1280, 1024), Bounds(0, 0, 1280, 1024), true}};
  TX11State& s = *s_;
  TMonitorRec m;
  m.monitor = Bounds(0, 0, DisplayWidth(s.dpy, s.screen), DisplayHeight(s.dpy, s.screen));
  m.work = m.monitor;
  m.primary = true;
  // _NET_WORKAREA holds x, y, width, height per desktop.
  long desktop = 0;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(s.dpy, s.root, s.atoms.netCurrentDesktop, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data) {
    if (format == 32 && count == 1) desktop = reinterpret_cast<long*>(data)[0];
    XFree(data);
    data = nullptr;
  }
  if (XGetWindowProperty(s.dpy, s.root, s.atoms.netWorkarea, 0, 1024, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data) {
    const long* v = reinterpret_cast<long*>(data);
    if (format == 32 && desktop >= 0 && count >= std::size_t(desktop + 1) * 4) {
      const long* r = v + desktop * 4;
      RECT work = Bounds(int(r[0]), int(r[1]), int(r[2]), int(r[3]));
      work.Left = std::max(work.Left, m.monitor.Left);
      work.Top = std::max(work.Top, m.monitor.Top);
      work.Right = std::min(work.Right, m.monitor.Right);
      work.Bottom = std::min(work.Bottom, m.monitor.Bottom);
      if (!work.IsEmpty()) m.work = work;
    }
    XFree(data);
  }
  return {m};
}

// ---- Waiting ----------------------------------------------------------------------

void TX11Display::Wake() {
  if (s_->wakePipe[1] < 0) return;
  const char byte = 1;
  // A full pipe already holds a wake-up.
  ssize_t r = write(s_->wakePipe[1], &byte, 1);
  (void)r;
}

void TX11Display::ResetComposition() { ResetX11Compositions(*s_); }

bool TX11Display::TrayIcon(TTrayOp op, const TTrayIconRec& icon) {
  if (s_->ioLost) return false;
  return X11TrayIcon(*s_, op, icon);
}

void TX11Display::WaitEvents(int timeoutMs) {
  TX11State& s = *s_;
  // Before the input method reads the next keys: where the caret went.
  UpdateX11ImeSpot(s);
  if (!s.ioLost) {
    if (DrainX11Events(s) > 0) {
      FollowCompositor();
      UpdateX11Cursor(s);
      XFlush(s.dpy);
      return;
    }
    UpdateX11Cursor(s);
    XFlush(s.dpy);
  }
  // Flushing also reads what the server sent meanwhile into Xlib's queue,
  // where the socket no longer shows it: an exposure waiting there would
  // otherwise stay unanswered until the next timer or event.
  const bool queued = !s.ioLost && XEventsQueued(s.dpy, QueuedAlready) > 0;
  pollfd fds[2];
  int count = 0;
  if (s.wakePipe[0] >= 0) fds[count++] = pollfd{s.wakePipe[0], POLLIN, 0};
  if (!s.ioLost) fds[count++] = pollfd{ConnectionNumber(s.dpy), POLLIN, 0};
  int r = 0;
  do {
    r = poll(fds, nfds_t(count), queued ? 0 : timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (s.wakePipe[0] >= 0) {
    char buf[64];
    while (read(s.wakePipe[0], buf, sizeof buf) > 0) {
    }
  }
  if (!s.ioLost) {
    DrainX11Events(s);
    FollowCompositor();
    UpdateX11Cursor(s);
    if (!s.ioLost) XFlush(s.dpy);
  }
}

bool TX11Display::SetNativeMaximized(TNativeWindow id, bool maximized) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost || n->popup || !WindowManagerRunning(*s_)) return false;
  if (n->maximized == maximized) return false;
  n->maximized = maximized;
  SetWmState(*s_, *n, s_->atoms.netWmStateMaximizedVert, maximized, s_->atoms.netWmStateMaximizedHorz);
  // Shown: the manager sizes the frame to the work area itself. Not yet
  // shown: it maximises when it maps, from the state list.
  n->skipNextBounds = n->shown;
  return true;
}

void TX11Display::SetNativeRole(TNativeWindow id, TWindowRole role) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost || n->popup || n->splash == (role == TWindowRole::Splash)) return;
  n->splash = role == TWindowRole::Splash;
  // The manager reads the type when it maps the window (the hints are
  // written again then); a shown one hears of the task bar and pager
  // entries as a state change.
  if (!n->shown) WriteX11ManagerHints(*s_, *n);
  else SetWmState(*s_, *n, s_->atoms.netWmStateSkipTaskbar, n->splash, s_->atoms.netWmStateSkipPager);
}

void TX11Display::SetNativeMinimized(TNativeWindow id, bool minimized) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost || n->minimized == minimized) return;
  n->minimized = minimized;
  if (!n->shown || n->layered) return;
  if (!minimized) XMapRaised(s_->dpy, n->window);
  else if (n->popup || !WindowManagerRunning(*s_)) XUnmapWindow(s_->dpy, n->window);  // nothing to iconify into
  else XIconifyWindow(s_->dpy, n->window, s_->screen);
}

void TX11Display::SetLayeredContent(TNativeWindow id, const Surface* content) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  if (content && content->Valid() && content->bpp == 32) {
    n->content.resize(std::size_t(content->width) * std::size_t(content->height));
    for (int y = 0; y < content->height; ++y)
      std::memcpy(n->content.data() + std::size_t(y) * std::size_t(content->width), content->Row(y),
                  std::size_t(content->width) * 4);
    n->contentWidth = content->width;
    n->contentHeight = content->height;
  } else {
    n->content.clear();
    n->contentWidth = n->contentHeight = 0;
  }
  ShowLayeredContent(id);
}

void TX11Display::ShowLayeredContent(TNativeWindow id) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  const bool hasContent = !n->content.empty();
  Surface content;
  content.top = reinterpret_cast<Byte*>(n->content.data());
  content.pitch = std::ptrdiff_t(n->contentWidth) * 4;
  content.width = n->contentWidth;
  content.height = n->contentHeight;
  content.bpp = 32;
  // Asked, not remembered: the owner may have changed since the event loop
  // last ran.
  const bool blended = s_->compositor = CompositorRunning();
  // Became layered after creation, or a compositor came: made anew on the
  // ARGB visual when it can.
  if (hasContent && blended && !n->argb && RecreateAsArgb(id)) n = s_->Find(Window(id));
  if (n->argb && blended) {
    // An ARGB window under a compositor shows the content as it is.
    if (hasContent) {
      PutLayeredContent(*s_, *n, content);
    } else {
      SetX11InputShape(*s_, *n, nullptr);
      n->perPixelShown = false;  // the window layer repaints it next
    }
    return;
  }
  // Without a compositor nothing blends: the mostly opaque pixels show
  // through a shape and the faint ones are cut away.
  if (hasContent) {
    PutShapedLayeredContent(*s_, *n, content);
  } else if (n->alphaShaped || n->perPixelShown) {
    n->alphaShaped = false;
    n->alphaRects.clear();
    n->perPixelShown = false;  // the window layer repaints it next
    ApplyX11Shape(*s_, *n);
  }
}

void TX11Display::FollowCompositor() {
  if (!s_->compositorChanged || s_->ioLost) return;
  s_->compositorChanged = false;
  const bool now = XGetSelectionOwner(s_->dpy, s_->atoms.netCmS) != 0;
  if (now == s_->compositor) return;
  s_->compositor = now;
  std::vector<TNativeWindow> layered;
  for (auto& [id, n] : s_->natives)
    if (!n.content.empty()) layered.push_back(TNativeWindow(id));
  for (TNativeWindow id : layered) ShowLayeredContent(id);
}

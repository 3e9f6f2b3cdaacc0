// The X11 display under a real window manager (openbox): what it is asked
// for and what it reports back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <X11/keysym.h>

#include "platform/backend/x11/X11Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "tests/support/ScreenPng.h"

namespace {

LRESULT FillingProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all;
    GetClientRect(h, &all);
    HBRUSH fill = CreateSolidBrush(RGB(30, 144, 200));
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

class X11WindowManagerTest : public TX11Fixture {
 protected:
  void SetUp() override {
    StartX11(kScreenW, kScreenH, "X11WmTestWnd", FillingProc, 0x808080);
    if (IsSkipped() || HasFatalFailure()) return;
    StartWindowManager(manager_);
  }
  void TearDown() override { StopX11(); }

  HWND Create(DWORD exStyle, DWORD style, RECT r, HWND owner = nullptr) {
    return CreateWindowEx(exStyle, "X11WmTestWnd", "w", style, r.Left, r.Top, r.Width(), r.Height(), owner, nullptr,
                          nullptr, nullptr);
  }
  Window X(HWND h) { return Window(display->XWindowOf(h)); }
  bool Managed(HWND h) { return Viewable(X(h)) && !Property(X(h), "WM_STATE").empty(); }
  Window FocusedWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(reader, &focus, &revert);
    return focus;
  }
  // The manager has given h the focus and our side has taken it in: the
  // focus arrives after the map, and its activation restacks the window.
  bool Active(HWND h) { return FocusedWindow() == X(h) && GetActiveWindow() == h; }
  // As a task bar or a click on the frame would: asks the manager to
  // activate the window.
  void ManagerActivates(HWND h) { ManagerActivates(X(h)); }
  void ManagerActivates(Window w) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(reader, "_NET_ACTIVE_WINDOW", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2;  // from a pager
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(reader, DefaultRootWindow(reader), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(reader);
  }
  void Key(Window w, KeySym ks) {
    for (bool press : {true, false}) {
      XEvent ev{};
      ev.xkey.type = press ? kXKeyPress : kXKeyRelease;
      ev.xkey.display = reader;
      ev.xkey.window = w;
      ev.xkey.root = DefaultRootWindow(reader);
      ev.xkey.keycode = XKeysymToKeycode(reader, ks);
      ev.xkey.same_screen = True;
      XSendEvent(reader, w, False, press ? KeyPressMask : KeyReleaseMask, &ev);
    }
    XFlush(reader);
  }

  // Position of w's frame in the window manager's stacking list, bottom 0;
  // -1 when it is not listed.
  int StackIndex(HWND h) { return StackIndex(X(h)); }
  int StackIndex(Window w) {
    std::vector<long> list = Property(DefaultRootWindow(reader), "_NET_CLIENT_LIST_STACKING");
    auto it = std::find(list.begin(), list.end(), long(w));
    return it == list.end() ? -1 : int(it - list.begin());
  }

  // Another program's window, shown and given the focus by the manager.
  Window OtherProgramsWindow(RECT r) {
    Window w = XCreateSimpleWindow(reader, DefaultRootWindow(reader), r.Left, r.Top, unsigned(r.Width()),
                                   unsigned(r.Height()), 0, 0, 0xC0C0C0);
    XStoreName(reader, w, "other");
    XMapWindow(reader, w);
    XFlush(reader);
    return w;
  }

  // The manager gives the focus to another program and back to h, as Alt+Tab
  // or `wmctrl -a` do; h must keep it. Our answer to the focus is no new
  // request a manager could take as one to put it elsewhere.
  void ActivationByTheManagerHolds(HWND h) {
    const Window other = OtherProgramsWindow(Bounds(60, 60, 240, 160));
    ASSERT_TRUE(WaitUntil([&] { return Viewable(other) && StackIndex(other) >= 0; }));
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round);
      ManagerActivates(other);
      ASSERT_TRUE(WaitUntil([&] { return FocusedWindow() == other && GetActiveWindow() == nullptr; }))
          << "the other program never got the focus";
      // Meanwhile the program makes a window without a native one (the
      // framework's timers and its application window are such): it comes
      // first in our order, so the activation moves h above it.
      HWND messageOnly = Create(WS_EX_TOOLWINDOW, WS_POPUP, Bounds(0, 0, 0, 0), HWND_MESSAGE);
      ASSERT_EQ(GetTopWindow(nullptr), messageOnly);
      ManagerActivates(h);
      ASSERT_TRUE(WaitUntil([&] { return Active(h); })) << "the manager's focus never arrived, or left at once";
      ASSERT_TRUE(WindowManagerCaughtUp());
      EXPECT_EQ(FocusedWindow(), X(h)) << "the focus was taken back";
      EXPECT_EQ(GetActiveWindow(), h);
      EXPECT_GT(StackIndex(h), StackIndex(other)) << "the window went below the other program's";
      EXPECT_EQ(GetTopWindow(nullptr), h);
      DestroyWindow(messageOnly);
    }
    XDestroyWindow(reader, other);
    XSync(reader, False);
  }

  const char* manager_ = "openbox";
};

// Same, under xfwm4, which answers a restack of the active window by
// focusing whatever then lies on top.
class X11XfwmTest : public X11WindowManagerTest {
 protected:
  X11XfwmTest() { manager_ = "xfwm4"; }
};

TEST_F(X11WindowManagerTest, StackingNeverNamesWindowsTheManagerDoesNotManage) {
  // An application window that never shows, as the framework keeps one,
  // and a hidden top-level window above the forms in our own order.
  HWND app = Create(WS_EX_TOOLWINDOW, WS_POPUP, Bounds(0, 0, 0, 0), HWND_MESSAGE);
  ASSERT_TRUE(app);
  EXPECT_EQ(display->NativeOf(app), 0u) << "a message-only window needs nothing on the screen";
  HWND a = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 60, 200, 150), app);
  HWND b = Create(0, WS_OVERLAPPEDWINDOW, Bounds(300, 60, 200, 150), app);
  HWND hidden = Create(0, WS_OVERLAPPEDWINDOW, Bounds(100, 300, 80, 60));
  HWND popup = Create(WS_EX_TOOLWINDOW, WS_POPUP, Bounds(10, 10, 30, 30));
  ASSERT_TRUE(a && b && hidden && popup);
  SetWindowPos(hidden, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(a, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Viewable(X(a)) && StackIndex(a) >= 0 && Active(a); }))
      << "the first form was never shown and activated";
  ShowWindow(b, SW_SHOWNORMAL);
  // Until its activation is in, b would still come to the top over what the
  // steps below ask for.
  ASSERT_TRUE(WaitUntil([&] { return Viewable(X(b)) && StackIndex(b) >= 0 && Active(b); }))
      << "the second form was never shown and activated; manager alive: " << WindowManagerAlive();
  EXPECT_TRUE(WindowManagerAlive());
  EXPECT_GT(StackIndex(b), StackIndex(a));

  // Raising the first form again is asked of the manager and honoured.
  SetWindowPos(hidden, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(a);
  SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return StackIndex(a) > StackIndex(b); }));
  // Minimised and hidden forms are no siblings either.
  ShowWindow(b, SW_MINIMIZE);
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(a);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return Viewable(X(popup)); }));
  ShowWindow(b, SW_RESTORE);
  EXPECT_TRUE(WaitUntil([&] { return Viewable(X(b)); }));
  EXPECT_TRUE(WindowManagerAlive()) << "the window manager went down";
  DestroyWindow(app);
}

TEST_F(X11WindowManagerTest, BorderlessFormsAreManagedUndecoratedAndTakeTheFocus) {
  HWND other = Create(0, WS_OVERLAPPEDWINDOW, Bounds(300, 200, 200, 150));
  HWND bare = Create(0, WS_POPUP | WS_CLIPCHILDREN, Bounds(40, 50, 160, 100));
  HWND list = Create(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, WS_POPUP | WS_BORDER, Bounds(40, 160, 80, 60));
  ASSERT_TRUE(other && bare && list);
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(reader, X(bare), &wa));
  EXPECT_FALSE(wa.override_redirect) << "a borderless form is the manager's";
  ASSERT_TRUE(XGetWindowAttributes(reader, X(list), &wa));
  EXPECT_TRUE(wa.override_redirect) << "a drop-down list is not";
  ShowWindow(other, SW_SHOWNORMAL);
  ShowWindow(bare, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(bare) && Managed(other); }));
  std::vector<long> motif = Property(X(bare), "_MOTIF_WM_HINTS");
  ASSERT_GE(motif.size(), 3u);
  EXPECT_TRUE(motif[0] & 2) << "decorations given";
  EXPECT_EQ(motif[2], 0) << "and none";
  EXPECT_TRUE(WaitUntil([&] {
    std::vector<long> ext = Property(X(bare), "_NET_FRAME_EXTENTS");
    return ext.size() == 4 && ext[0] == 0 && ext[1] == 0 && ext[2] == 0 && ext[3] == 0;
  })) << "the manager draws no frame";
  POINT at = ScreenOrigin(X(bare));
  EXPECT_EQ(at.X, 40);
  EXPECT_EQ(at.Y, 50);

  // The manager gives it the focus, and keys typed reach it.
  ManagerActivates(other);
  ASSERT_TRUE(WaitUntil([&] { return FocusedWindow() == X(other) && GetActiveWindow() == other; }));
  ManagerActivates(bare);
  EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == X(bare) && GetActiveWindow() == bare; }));
  SetActiveWindow(other);
  EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == X(other); }));
  SetActiveWindow(bare);
  EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == X(bare); })) << "activated by the program too";
  ShowWindow(list, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return Viewable(X(list)); }));
  EXPECT_TRUE(Property(X(list), "WM_STATE").empty()) << "the list stays unmanaged";
}

TEST_F(X11WindowManagerTest, FocusFromTheManagerStaysAndKeepsTheWindowOnTop) {
  HWND h = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 40, 300, 200));
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(h) && Active(h); }));
  ActivationByTheManagerHolds(h);
}

TEST_F(X11XfwmTest, FocusFromTheManagerStays) {
  HWND h = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 40, 300, 200));
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(h) && Active(h); }));
  ActivationByTheManagerHolds(h);
}

// The program putting its only shown window on top of its own order does
// not send it below other programs' windows.
TEST_F(X11WindowManagerTest, TopOfOurOrderIsNeverTheBottomOfTheScreen) {
  HWND h = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 40, 300, 200));
  ASSERT_TRUE(h);
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(h) && Active(h); }));
  const Window other = OtherProgramsWindow(Bounds(60, 60, 240, 160));
  ASSERT_TRUE(WaitUntil([&] { return Viewable(other) && StackIndex(other) > StackIndex(h); }));
  ManagerActivates(h);
  ASSERT_TRUE(WaitUntil([&] { return Active(h) && StackIndex(h) > StackIndex(other); }));
  HWND app = Create(WS_EX_TOOLWINDOW, WS_POPUP, Bounds(0, 0, 0, 0), HWND_MESSAGE);
  ASSERT_EQ(GetTopWindow(nullptr), app);
  SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_EQ(GetTopWindow(nullptr), h);
  ASSERT_TRUE(WindowManagerCaughtUp());
  EXPECT_GT(StackIndex(h), StackIndex(other));
  EXPECT_EQ(FocusedWindow(), X(h));
  XDestroyWindow(reader, other);
}

int g_modalChars = 0;
HWND g_charTarget = nullptr;

LRESULT CharProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CHAR) {
    g_charTarget = h;
    ++g_modalChars;
    return 0;
  }
  return FillingProc(h, m, wp, lp);
}

TEST_F(X11WindowManagerTest, ModalFormsHoldWhileTheirOwnerIsDisabled) {
  HWND owner = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 40, 360, 260));
  ASSERT_TRUE(owner);
  ShowWindow(owner, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(owner) && FocusedWindow() == X(owner); }));
  // As ShowModal does: the owner is disabled, then the dialog shows.
  HWND dialog = CreateWindowEx(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE, "X11WmTestWnd", "dialog",
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 140, 120, 220, 120, owner,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(dialog);
  SetWindowLongPtr(owner, GWLP_WNDPROC, LONG_PTR(CharProc));
  SetWindowLongPtr(dialog, GWLP_WNDPROC, LONG_PTR(CharProc));
  EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(dialog) && FocusedWindow() == X(dialog); }));

  std::vector<long> transientFor = Property(X(dialog), "WM_TRANSIENT_FOR");
  ASSERT_EQ(transientFor.size(), 1u);
  EXPECT_EQ(Window(transientFor[0]), X(owner));
  EXPECT_TRUE(HasAtom(X(dialog), "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG"));
  EXPECT_TRUE(HasAtom(X(dialog), "_NET_WM_STATE", "_NET_WM_STATE_MODAL"));
  // What the frame offers: closing and moving, no minimising or maximising
  // (the Motif functions); the manager draws and allows no maximise.
  std::vector<long> motif = Property(X(dialog), "_MOTIF_WM_HINTS");
  ASSERT_GE(motif.size(), 3u);
  EXPECT_TRUE(motif[0] & 1) << "functions given";
  EXPECT_EQ(motif[1] & (8 | 16), 0) << "no minimise, no maximise";
  EXPECT_EQ(motif[1] & (4 | 32), 4 | 32) << "move and close";
  motif = Property(X(owner), "_MOTIF_WM_HINTS");
  ASSERT_GE(motif.size(), 3u);
  EXPECT_EQ(motif[1] & (8 | 16), 8 | 16) << "the owner's boxes stay";
  ASSERT_TRUE(WaitUntil([&] { return !Property(X(dialog), "_NET_WM_ALLOWED_ACTIONS").empty(); }));
  EXPECT_TRUE(HasAtom(X(dialog), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_CLOSE"));
  EXPECT_FALSE(HasAtom(X(dialog), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MAXIMIZE_HORZ"));
  EXPECT_FALSE(HasAtom(X(dialog), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_RESIZE"));
  EXPECT_TRUE(HasAtom(X(owner), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MAXIMIZE_HORZ"));
  XWMHints* hints = XGetWMHints(reader, X(owner));
  ASSERT_NE(hints, nullptr);
  EXPECT_TRUE(hints->flags & InputHint);
  EXPECT_FALSE(hints->input) << "the disabled owner asks for no focus";
  XFree(hints);

  // Chosen by the user (a click, the task bar): the dialog comes forward and
  // keeps the keys.
  ManagerActivates(owner);
  EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == X(dialog) && GetActiveWindow() == dialog; }));
  EXPECT_NE(GetActiveWindow(), owner);
  EXPECT_GT(StackIndex(dialog), StackIndex(owner));
  g_modalChars = 0;
  Key(FocusedWindow(), XK_a);
  ASSERT_TRUE(WaitUntil([&] { return g_modalChars > 0; }));
  EXPECT_EQ(g_charTarget, dialog) << "typed text lands in the dialog";
  MaybeSaveScreenshot(reader, "modal");

  // A manager that minimises it anyway (openbox keeps that action): choosing
  // the owner brings the dialog back.
  XIconifyWindow(reader, X(dialog), DefaultScreen(reader));
  XFlush(reader);
  ASSERT_TRUE(WaitUntil([&] { return !Viewable(X(dialog)); }));
  ManagerActivates(owner);
  EXPECT_TRUE(WaitUntil([&] { return Viewable(X(dialog)) && FocusedWindow() == X(dialog); }));

  // Closed: the owner takes the focus again and is no longer refused.
  EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
  SetActiveWindow(owner);
  EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == X(owner); }));
  hints = XGetWMHints(reader, X(owner));
  ASSERT_NE(hints, nullptr);
  EXPECT_TRUE(hints->input);
  XFree(hints);
}

int g_childPresses = 0;

LRESULT PressProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_LBUTTONDOWN || m == WM_MOUSEACTIVATE) ++g_childPresses;
  return CharProc(h, m, wp, lp);
}

TEST_F(X11WindowManagerTest, ClicksOnADisabledOwnersChildrenBeepAndKeepTheDialog) {
  HWND owner = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 40, 360, 260));
  ASSERT_TRUE(owner);
  HWND button = CreateWindowEx(0, "X11WmTestWnd", "button", WS_CHILD | WS_VISIBLE, 10, 10, 100, 30, owner, nullptr,
                               nullptr, nullptr);
  HWND edit = CreateWindowEx(0, "X11WmTestWnd", "edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 60, 200, 24, owner,
                             nullptr, nullptr, nullptr);
  for (HWND c : {button, edit}) SetWindowLongPtr(c, GWLP_WNDPROC, LONG_PTR(PressProc));
  ShowWindow(owner, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(owner) && FocusedWindow() == X(owner); }));
  HWND dialog = CreateWindowEx(WS_EX_DLGMODALFRAME, "X11WmTestWnd", "dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                               420, 120, 200, 120, owner, nullptr, nullptr, nullptr);
  SetWindowLongPtr(dialog, GWLP_WNDPROC, LONG_PTR(CharProc));
  EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(dialog) && Active(dialog); }));
  g_childPresses = 0;
  for (HWND target : {button, edit}) {
    const int beeps = MessageBeepCount();
    RECT r;
    GetWindowRect(target, &r);
    for (bool press : {true, false}) {
      XEvent ev{};
      ev.xbutton.type = press ? ButtonPress : ButtonRelease;
      ev.xbutton.display = reader;
      ev.xbutton.window = X(owner);
      ev.xbutton.root = DefaultRootWindow(reader);
      ev.xbutton.button = Button1;
      ev.xbutton.x_root = r.Left + 5;
      ev.xbutton.y_root = r.Top + 5;
      ev.xbutton.x = ev.xbutton.x_root - 40;
      ev.xbutton.y = ev.xbutton.y_root - 40;
      ev.xbutton.same_screen = True;
      XSendEvent(reader, X(owner), False, press ? ButtonPressMask : ButtonReleaseMask, &ev);
    }
    XFlush(reader);
    EXPECT_TRUE(WaitUntil([&] { return MessageBeepCount() == beeps + 1; })) << "the press beeps";
    Settle();
    EXPECT_EQ(g_childPresses, 0);
    EXPECT_TRUE(Active(dialog));
  }
  g_modalChars = 0;
  g_charTarget = nullptr;
  Key(FocusedWindow(), XK_a);
  ASSERT_TRUE(WaitUntil([&] { return g_modalChars > 0; }));
  EXPECT_EQ(g_charTarget, dialog) << "typed text lands in the dialog, not the owner's edit";
  EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
}

// The manager's Alt+Tab grabs the keyboard at Tab, so Alt's release goes to
// it; when the keyboard comes back the keys are read from the server.
TEST_F(X11WindowManagerTest, AltReleasedDuringTheManagersGrabIsLetGo) {
  HWND h = Create(0, WS_OVERLAPPEDWINDOW, Bounds(40, 40, 300, 200));
  ASSERT_TRUE(h);
  SetWindowLongPtr(h, GWLP_WNDPROC, LONG_PTR(CharProc));
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return Managed(h) && Active(h); }));
  XEvent ev{};
  ev.xkey.type = kXKeyPress;
  ev.xkey.display = reader;
  ev.xkey.window = X(h);
  ev.xkey.root = DefaultRootWindow(reader);
  ev.xkey.keycode = XKeysymToKeycode(reader, XK_Alt_L);
  ev.xkey.same_screen = True;
  XSendEvent(reader, X(h), False, KeyPressMask, &ev);
  XFlush(reader);
  ASSERT_TRUE(WaitUntil([&] { return (GetAsyncKeyState(VK_MENU) & 0x8000) != 0; }));
  // As the switcher does: grab, and let go where it started.
  ASSERT_EQ(XGrabKeyboard(reader, DefaultRootWindow(reader), False, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(reader, CurrentTime);
  XFlush(reader);
  EXPECT_TRUE(WaitUntil([&] { return (GetAsyncKeyState(VK_MENU) & 0x8000) == 0; }));
  g_modalChars = 0;
  Key(X(h), XK_a);
  EXPECT_TRUE(WaitUntil([&] { return g_modalChars > 0; })) << "a plain letter, not an Alt short-cut";
  EXPECT_FALSE(GetKeyState(VK_MENU) & 0x8000);
}

struct TMsg {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};
std::vector<TMsg> g_wmMsgs;

LRESULT LogProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_SIZE:
    case WM_MOVE:
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
    case WM_CHAR: g_wmMsgs.push_back({h, m, wp, lp}); break;
    default: break;
  }
  return FillingProc(h, m, wp, lp);
}

bool Got(HWND h, UINT msg, WPARAM wp) {
  for (const TMsg& m : g_wmMsgs)
    if (m.hwnd == h && m.msg == msg && m.wp == wp) return true;
  return false;
}

std::string DescribeMoves(HWND h) {
  std::string out;
  for (const TMsg& m : g_wmMsgs)
    if (m.hwnd == h && (m.msg == WM_MOVE || m.msg == WM_SIZE))
      out += (m.msg == WM_MOVE ? " move " : " size ") + std::to_string(short(LOWORD(m.lp))) + "," +
             std::to_string(short(HIWORD(m.lp)));
  return out;
}

class X11WindowStateTest : public X11WindowManagerTest {
 protected:
  HWND ShowLogged(RECT r) {
    HWND h = Create(0, WS_OVERLAPPEDWINDOW, r);
    if (!h) return nullptr;
    SetWindowLongPtr(h, GWLP_WNDPROC, LONG_PTR(LogProc));
    g_wmMsgs.clear();
    ShowWindow(h, SW_SHOWNORMAL);
    return h;
  }
  void AskManagerState(HWND h, bool add, const char* a, const char* b) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = X(h);
    ev.xclient.message_type = XInternAtom(reader, "_NET_WM_STATE", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = add ? 1 : 0;
    ev.xclient.data.l[1] = long(XInternAtom(reader, a, False));
    ev.xclient.data.l[2] = long(XInternAtom(reader, b, False));
    ev.xclient.data.l[3] = 2;
    XSendEvent(reader, DefaultRootWindow(reader), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(reader);
  }
  // The window layer's rectangle is where the X window's client is.
  bool AgreesWithServer(HWND h) {
    XWindowAttributes wa;
    if (!XGetWindowAttributes(reader, X(h), &wa)) return false;
    POINT at = ScreenOrigin(X(h));
    RECT r;
    return GetWindowRect(h, &r) && r == Bounds(at.X, at.Y, wa.width, wa.height);
  }
  // The frame the manager put around h, in root coordinates.
  RECT Frame(HWND h) {
    Window w = X(h), root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    for (;;) {
      if (!XQueryTree(reader, w, &root, &parent, &children, &count)) return RECT{};
      if (children) XFree(children);
      if (parent == root) break;
      w = parent;
    }
    XWindowAttributes wa;
    XGetWindowAttributes(reader, w, &wa);
    return Bounds(wa.x, wa.y, wa.width, wa.height);
  }
};

TEST_F(X11WindowStateTest, StatesTheManagerSetsReachTheWindowAsOnWindows) {
  const RECT normal = Bounds(100, 80, 240, 160);
  HWND h = ShowLogged(normal);
  ASSERT_TRUE(h);
  ASSERT_TRUE(WaitUntil([&] { return Managed(h) && AgreesWithServer(h); }));
  RECT r;
  ASSERT_TRUE(GetWindowRect(h, &r));
  EXPECT_EQ(r, normal);
  for (const TMsg& m : g_wmMsgs)
    if (m.msg == WM_MOVE) {
      EXPECT_NE(m.lp, 0) << "no move to (0,0) while mapping " << DescribeMoves(h);
    }

  // Maximised from the title bar.
  AskManagerState(h, true, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
  ASSERT_TRUE(WaitUntil([&] { return IsZoomed(h) && AgreesWithServer(h) && Frame(h).Width() == 640; }));
  EXPECT_TRUE(Got(h, WM_SIZE, SIZE_MAXIMIZED));
  EXPECT_FALSE(IsIconic(h));
  // Restored from the title bar.
  g_wmMsgs.clear();
  AskManagerState(h, false, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
  ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(h) && AgreesWithServer(h) && GetWindowRect(h, &r) && r == normal; }));
  EXPECT_TRUE(Got(h, WM_SIZE, SIZE_RESTORED));
  // Minimised, then restored from the task bar.
  g_wmMsgs.clear();
  XIconifyWindow(reader, X(h), DefaultScreen(reader));
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(h) != FALSE; }));
  EXPECT_TRUE(Got(h, WM_SIZE, SIZE_MINIMIZED));
  g_wmMsgs.clear();
  ManagerActivates(h);
  ASSERT_TRUE(WaitUntil([&] { return !IsIconic(h) && Viewable(X(h)); }));
  EXPECT_TRUE(Got(h, WM_SIZE, SIZE_RESTORED));
}

TEST_F(X11WindowStateTest, ProgramStatesAreAskedOfTheManager) {
  const RECT normal = Bounds(100, 80, 240, 160);
  HWND h = ShowLogged(normal);
  ASSERT_TRUE(h);
  ASSERT_TRUE(WaitUntil([&] { return Managed(h) && Active(h); }));
  ShowWindow(h, SW_SHOWMAXIMIZED);
  ASSERT_TRUE(WaitUntil([&] {
    return HasAtom(X(h), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_HORZ") && Frame(h).Width() == 640 &&
           AgreesWithServer(h);
  }));
  EXPECT_TRUE(IsZoomed(h));
  // The frame, title bar included, fills the screen and no more.
  const RECT frame = Frame(h);
  EXPECT_EQ(frame.Left, 0);
  EXPECT_EQ(frame.Top, 0);
  EXPECT_LE(frame.Bottom, 480);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_GT(r.Top, 0) << "the client sits below the title bar";
  MaybeSaveScreenshot(reader, "maximised");
  ShowWindow(h, SW_RESTORE);
  ASSERT_TRUE(WaitUntil([&] {
    return !HasAtom(X(h), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_HORZ") && AgreesWithServer(h) &&
           GetWindowRect(h, &r) && r == normal;
  }));
  EXPECT_FALSE(IsZoomed(h));

  // Minimised by the program, restored from the task bar: alive again.
  ShowWindow(h, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return !Viewable(X(h)) && !Property(X(h), "WM_STATE").empty() &&
                                     Property(X(h), "WM_STATE")[0] == IconicState; }));
  // Our side reads the manager's state when told of it: let it catch up with
  // what the server shows, or the restore below could be taken for news it
  // already had.
  Settle();
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(h) != FALSE; })) << "the minimised state never reached the window";
  g_wmMsgs.clear();
  ManagerActivates(h);
  // The focus reaches the server before our side reads it: wait for both.
  ASSERT_TRUE(WaitUntil([&] { return Viewable(X(h)) && !IsIconic(h) && FocusedWindow() == X(h); }));
  EXPECT_TRUE(WaitUntil([&] { return GetActiveWindow() == h; })) << "the focus given by the manager never arrived";
  EXPECT_TRUE(Got(h, WM_SIZE, SIZE_RESTORED));
  EXPECT_EQ(WindowFromPoint(POINT{normal.Left + 50, normal.Top + 50}), h) << "clicks reach it";
  EXPECT_EQ(GetActiveWindow(), h);
  g_wmMsgs.clear();
  Key(X(h), XK_b);
  EXPECT_TRUE(WaitUntil([&] { return Got(h, WM_CHAR, 'b'); })) << "keys reach it";
}

TEST_F(X11WindowStateTest, PopupsCloseWhenTheManagerMovesTheirForm) {
  HWND form = ShowLogged(Bounds(100, 80, 240, 160));
  ASSERT_TRUE(form);
  ASSERT_TRUE(WaitUntil([&] { return Managed(form) && AgreesWithServer(form); }));
  HWND list = Create(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, WS_POPUP | WS_BORDER,
                     Bounds(120, 260, 100, 80), form);
  ASSERT_TRUE(list);
  SetWindowLongPtr(list, GWLP_WNDPROC, LONG_PTR(LogProc));
  ShowWindow(list, SW_SHOWNOACTIVATE);
  SetCapture(list);
  ASSERT_TRUE(WaitUntil([&] { return Viewable(X(list)); }));
  g_wmMsgs.clear();
  // Dragged by its title bar: the manager moves the frame.
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = X(form);
  ev.xclient.message_type = XInternAtom(reader, "_NET_MOVERESIZE_WINDOW", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = StaticGravity | (1 << 8) | (1 << 9) | (2 << 12);
  ev.xclient.data.l[1] = 200;
  ev.xclient.data.l[2] = 150;
  XSendEvent(reader, DefaultRootWindow(reader), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XFlush(reader);
  ASSERT_TRUE(WaitUntil([&] {
    RECT r;
    return GetWindowRect(form, &r) && r.Left == 200 && r.Top == 150;
  }));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(Got(list, WM_CANCELMODE, 0)) << "the list holding the capture is told";
  EXPECT_TRUE(WaitUntil([&] { return Got(form, WM_CANCELMODE, 0); })) << "and a menu's loop would see it";
}

}  // namespace

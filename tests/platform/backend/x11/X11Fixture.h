// A private Xvfb with our X11 display installed and a second client that
// reads the screen back as a user would see it. Tests derive, call StartX11
// from SetUp and StopX11 from TearDown.
#pragma once
#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend/x11/X11Display.h"
#include "platform/user/User.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/MissingPackage.h"
#include "tests/support/Xlib.h"
#include <X11/extensions/Xfixes.h>

// The screen the X11 tests give Xvfb, and the root window's colour.
constexpr int kScreenW = 640, kScreenH = 480;
constexpr unsigned long kRootColour = 0x808080;
// Set, the display presents through XPutImage instead of MIT-SHM.
constexpr char kNoShm[] = "LUMIQA_X11_NOSHM";

// A colour as the server's 0xRRGGBB pixel.
inline std::uint32_t Rgb24(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class TX11Fixture : public ::testing::Test {
 protected:
  // Skips the test when Xvfb is missing. rootColour paints the root so that
  // no unpainted or unshaped pixel can be taken for ours; -1 leaves it.
  void StartX11(int width, int height, const char* className, WNDPROC proc, long rootColour = -1) {
    std::string why;
    if (!server.Start(width, height, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
    // Theme cursors hold still, so each cursor reads back as one look: an
    // animated one (the watch) reads back as an empty 1 x 1 holder until its
    // first frame, then as frames that change every few milliseconds.
    setenv("XCURSOR_ANIM", "0", 1);
    display = TX11Display::Open(server.Name().c_str());
    ASSERT_NE(display, nullptr);
    reader = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(reader, nullptr);
    if (rootColour >= 0) {
      XSetWindowBackground(reader, DefaultRootWindow(reader), static_cast<unsigned long>(rootColour));
      XClearWindow(reader, DefaultRootWindow(reader));
      XSync(reader, False);
    }
    previous = SetDisplay(display.get());
    WNDCLASS wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = className;
    ASSERT_NE(RegisterClass(&wc), 0);
    className_ = className;
  }

  // Starts a window manager on the server and waits until it has taken the
  // screen; skips the test when it is not installed. Call after StartX11.
  void StartWindowManager(const char* program = "openbox") {
    std::string why;
    std::vector<std::string> args;
    if (std::string(program) == "openbox") args = {"--sm-disable"};
    if (std::string(program) == "xfwm4") {
      // xfwm4 reads its settings from xfconf over a session bus, and exits
      // without one; its own compositor stays off.
      for (const char* needed : {"xfwm4", "dbus-run-session"})
        if (FindProgramOnPath(needed).empty()) LUMIQA_SKIP_MISSING_PACKAGE(std::string(needed) + " is not installed");
      // Its settings and caches go to a folder of the test's own.
      char folder[] = "/tmp/lumiqa-xfwm4-XXXXXX";
      ASSERT_NE(mkdtemp(folder), nullptr);
      wmHome_ = folder;
      if (!wm.Start("env",
                    {"NO_AT_BRIDGE=1", "XDG_CONFIG_HOME=" + wmHome_ + "/config", "XDG_CACHE_HOME=" + wmHome_ + "/cache",
                     "XDG_DATA_HOME=" + wmHome_ + "/data", "dbus-run-session", "--", "xfwm4", "--compositor=off"},
                    server.Name(), &why, true))
        LUMIQA_SKIP_MISSING_PACKAGE(why);
    } else if (!wm.Start(program, args, server.Name(), &why)) {
      LUMIQA_SKIP_MISSING_PACKAGE(why);
    }
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(WaitUntil([&] { return WindowManagerAlive(); })) << program << " never took the screen";
    // A manager drops map requests made before it has finished starting:
    // ready once a probe window of ours is managed, asking again as long as
    // it is not.
    Window probe = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 10, 10, 0, 0, 0);
    bool managed = false;
    for (int attempt = 0; attempt < 40 && !managed; ++attempt) {
      XUnmapWindow(reader, probe);
      XMapWindow(reader, probe);
      managed = WaitUntil([&] { return Viewable(probe) && !Property(probe, "WM_STATE").empty(); }, 500);
    }
    ASSERT_TRUE(managed) << program << " never managed a window";
    XDestroyWindow(reader, probe);
    XSync(reader, False);
  }

  // Everything our side has sent so far has been handled by the manager:
  // the requests of two clients reach it in the server's order, so once it
  // answers a request the reader makes after ours, ours are done.
  bool WindowManagerCaughtUp() {
    display->Sync();
    Window probe = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 10, 10, 0, 0, 0);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = probe;
    ev.xclient.message_type = XInternAtom(reader, "_NET_REQUEST_FRAME_EXTENTS", False);
    ev.xclient.format = 32;
    XSendEvent(reader, DefaultRootWindow(reader), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(reader);
    const bool answered = WaitUntil([&] { return !Property(probe, "_NET_FRAME_EXTENTS").empty(); });
    XDestroyWindow(reader, probe);
    XSync(reader, False);
    return answered;
  }

  // The window manager runs and still names its check window on the root.
  bool WindowManagerAlive() {
    if (!wm.Running()) return false;
    std::vector<long> check = Property(DefaultRootWindow(reader), "_NET_SUPPORTING_WM_CHECK");
    XWindowAttributes wa;
    return check.size() == 1 && XGetWindowAttributes(reader, Window(check[0]), &wa);
  }

  // Pumps both sides until done() holds; false when it has not after a
  // generous bound. Waits on the other clients' traffic, never a fixed time.
  template <class F>
  bool WaitUntil(F done, int limitMs = 10000) {
    if (!watchingRoot_) {
      XSelectInput(reader, DefaultRootWindow(reader), PropertyChangeMask | SubstructureNotifyMask);
      watchingRoot_ = true;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
      XSync(reader, False);
      while (XPending(reader)) {
        XEvent ev;
        XNextEvent(reader, &ev);
      }
      if (display) display->Sync();
      ProcessPendingMessages();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      pollfd p{ConnectionNumber(reader), POLLIN, 0};
      poll(&p, 1, 5);
    }
  }

  // A 32-bit property's values (atoms, windows and cardinals alike); empty
  // when missing.
  std::vector<long> Property(Window w, const char* name) {
    std::vector<long> out;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(reader, w, XInternAtom(reader, name, False), 0, 65536, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data && format == 32)
      out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data) XFree(data);
    return out;
  }
  bool HasAtom(Window w, const char* property, const char* atom) {
    const Atom a = XInternAtom(reader, atom, False);
    for (long v : Property(w, property))
      if (Atom(v) == a) return true;
    return false;
  }
  // Mapped and viewable (under a window manager: managed and shown).
  bool Viewable(Window w) {
    XWindowAttributes wa;
    return w && XGetWindowAttributes(reader, w, &wa) && wa.map_state == IsViewable;
  }
  // The position of w on the screen.
  POINT ScreenOrigin(Window w) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(reader, w, DefaultRootWindow(reader), 0, 0, &x, &y, &child);
    return POINT{x, y};
  }

  // Safe after a skipped or failed start.
  void StopX11() {
    while (HWND h = GetTopWindow(nullptr)) DestroyWindow(h);
    ProcessPendingMessages();
    if (!className_.empty()) UnregisterClass(className_.c_str(), nullptr);
    if (display) SetDisplay(previous);
    display.reset();
    if (reader) XCloseDisplay(reader);
    reader = nullptr;
    watchingRoot_ = false;
    wm.Stop();
    server.Stop();
    if (!wmHome_.empty()) {
      std::error_code failed;
      std::filesystem::remove_all(wmHome_, failed);
      EXPECT_FALSE(failed) << "the window manager's folder stays: " << failed.message();
    }
    wmHome_.clear();
  }

  // Everything either side sent is handled and on the screen.
  void Settle() {
    for (int i = 0; i < 3; ++i) {
      XSync(reader, False);
      display->Sync();
      ProcessPendingMessages();
    }
    display->Sync();
    XSync(reader, False);
  }

  // The cursor the server shows under the pointer: its name (theme cursors
  // have one, the blank cursor none), size, hot spot and pixels.
  std::vector<unsigned long> ShownCursor() {
    XSync(reader, False);
    XFixesCursorImage* img = XFixesGetCursorImage(reader);
    if (!img) return {};
    std::vector<unsigned long> out{img->atom, img->width, img->height, img->xhot, img->yhot};
    out.insert(out.end(), img->pixels, img->pixels + std::size_t(img->width) * img->height);
    XFree(img);
    return out;
  }

  // The server serves its clients in an order of its own: what our display
  // has flushed can still wait behind dozens of the reader's round trips.
  // Waits until the server's cursor satisfies `holds` without touching our
  // display, so a cursor it has not sent never arrives; false after the
  // bound. Sleeps on cursor notifications instead of asking again and
  // again, which would keep the server busy with the reader.
  template <class F>
  bool ServerCursorWhen(F holds, int limitMs = 10000) {
    XFixesSelectCursorInput(reader, DefaultRootWindow(reader), XFixesDisplayCursorNotifyMask);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
      if (holds(ShownCursor())) return true;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      // A notification read along with the last reply waits in Xlib's
      // queue, where the socket no longer shows it.
      if (XEventsQueued(reader, QueuedAlready) == 0) {
        pollfd p{ConnectionNumber(reader), POLLIN, 0};
        poll(&p, 1, int(left));
      }
      while (XPending(reader)) {
        XEvent ev;
        XNextEvent(reader, &ev);
      }
    }
  }
  bool ServerShowsCursor(const std::vector<unsigned long>& look, int limitMs = 10000) {
    return ServerCursorWhen([&](const std::vector<unsigned long>& shown) { return shown == look; }, limitMs);
  }

  // The screen's colour at (x, y) as 0xRRGGBB; 0xFFFFFFFF when unreadable.
  std::uint32_t ScreenPixel(int x, int y) {
    XImage* img = XGetImage(reader, DefaultRootWindow(reader), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xFFFFFFFF;
    std::uint32_t p = std::uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }

  TXvfbServer server;
  TChildProgram wm;
  std::unique_ptr<TX11Display> display;
  Display* reader = nullptr;
  TDisplay* previous = nullptr;

 private:
  std::string className_;
  bool watchingRoot_ = false;
  std::string wmHome_;  // the window manager's own settings folder, if any
};

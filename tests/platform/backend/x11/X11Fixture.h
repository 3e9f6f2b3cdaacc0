// A private Xvfb with our X11 display installed and a second client that
// reads the screen back as a user would see it. Tests derive, call StartX11
// from SetUp and StopX11 from TearDown.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/backend/x11/X11Display.h"
#include "platform/user/User.h"
#include "tests/support/XvfbServer.h"

#include <X11/Xlib.h>
// Xlib's Region type would clash with ours.
#define Region XlibRegion
#include <X11/Xutil.h>
#undef Region

class TX11Fixture : public ::testing::Test {
 protected:
  // Skips the test when Xvfb is missing. rootColour paints the root so that
  // no unpainted or unshaped pixel can be taken for ours; -1 leaves it.
  void StartX11(int width, int height, const char* className, WNDPROC proc, long rootColour = -1) {
    std::string why;
    if (!server.Start(width, height, &why)) GTEST_SKIP() << why;
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

  // Safe after a skipped or failed start.
  void StopX11() {
    while (HWND h = GetTopWindow(nullptr)) DestroyWindow(h);
    ProcessPendingMessages();
    if (!className_.empty()) UnregisterClass(className_.c_str(), nullptr);
    if (display) SetDisplay(previous);
    display.reset();
    if (reader) XCloseDisplay(reader);
    reader = nullptr;
    server.Stop();
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

  // The screen's colour at (x, y) as 0xRRGGBB; 0xFFFFFFFF when unreadable.
  std::uint32_t ScreenPixel(int x, int y) {
    XImage* img = XGetImage(reader, DefaultRootWindow(reader), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xFFFFFFFF;
    std::uint32_t p = std::uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }

  TXvfbServer server;
  std::unique_ptr<TX11Display> display;
  Display* reader = nullptr;
  TDisplay* previous = nullptr;

 private:
  std::string className_;
};

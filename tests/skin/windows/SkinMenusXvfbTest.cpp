// A skinned popup under a private Xvfb: it opens as an override-redirect
// window over the application's other windows, holds the pointer while it
// is open and closes on a press outside it. No window manager runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/backend/x11/X11Display.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/User.h"
#include "skin/windows/SkinMenus.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/MissingPackage.h"

#include "tests/support/Xlib.h"

namespace {

std::uint32_t ScreenPixel(Display* reader, int x, int y) {
  XImage* img = XGetImage(reader, DefaultRootWindow(reader), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return 0xFFFFFFFF;
  const std::uint32_t p = std::uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFF;
  XDestroyImage(img);
  return p;
}

// 0x00BBGGRR as the screen's 0xRRGGBB.
std::uint32_t AsScreen(TColor c) {
  const COLORREF v = ColorToRGB(c);
  return (std::uint32_t(GetRValue(v)) << 16) | (std::uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

bool PointerGrabbedByOthers(Display* reader) {
  const int r = XGrabPointer(reader, DefaultRootWindow(reader), False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                             kXNone, kXNone, CurrentTime);
  if (r == GrabSuccess) XUngrabPointer(reader, CurrentTime);
  XSync(reader, False);
  return r == AlreadyGrabbed;
}

TEST(SkinMenusXvfbTest, PopupOpensOverOtherWindowsHoldsThePointerAndClosesOnAPressOutside) {
  TXvfbServer server;
  std::string why;
  if (!server.Start(640, 480, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  std::unique_ptr<TX11Display> display = TX11Display::Open(server.Name().c_str());
  ASSERT_NE(display, nullptr);
  std::unique_ptr<Display, int (*)(Display*)> readerConn(XOpenDisplay(server.Name().c_str()), XCloseDisplay);
  Display* reader = readerConn.get();
  ASSERT_NE(reader, nullptr);
  struct TInstalled {
    TDisplay* previous;
    ~TInstalled() { SetDisplay(previous); }
  } installed{SetDisplay(display.get())};
  auto settle = [&] {
    for (int i = 0; i < 5; ++i) {
      XSync(reader, False);
      display->Sync();
      ProcessPendingMessages();
    }
    XSync(reader, False);
  };
  {
    TApplication app{nullptr};
    TApplication* saved = Application;
    Application = &app;
    TForm* owner = nullptr;
    app.CreateForm(owner);
    owner->SetBounds(20, 20, 300, 200);
    owner->SetColor(0x000000FF);
    TForm* other = nullptr;
    app.CreateForm(other);
    other->SetBounds(200, 150, 300, 250);
    other->SetColor(0x0000FF00);
    owner->Show();
    other->Show();
    settle();
    auto* menu = new TspSkinMenu(owner, owner);
    auto* items = new TPopupMenu(owner);
    for (const char* c : {"One", "Two", "Three"}) {
      auto* it = new TMenuItem(items);
      it->SetCaption(c);
      items->Items()->Add(it);
    }
    menu->PopupMenu(nullptr, nullptr, 0, TRect{260, 200, 260, 200}, items->Items(), false);
    settle();
    ASSERT_EQ(menu->PopupWindows.size(), 1u);
    HWND h = menu->PopupWindows[0]->Handle();
    const Window native = Window(display->NativeOf(h));
    ASSERT_NE(native, 0u);
    XWindowAttributes a{};
    bool viewable = false;
    for (int round = 0; round < 100 && !viewable; ++round) {
      settle();
      viewable = XGetWindowAttributes(reader, native, &a) && a.map_state == IsViewable;
    }
    ASSERT_TRUE(viewable);
    EXPECT_TRUE(a.override_redirect);
    RECT r{};
    GetWindowRect(h, &r);
    EXPECT_EQ(r.Left, 260);
    EXPECT_EQ(r.Top, 200);
    // Over the green form: the popup's shadow frame and its window-coloured
    // row area show there.
    std::uint32_t frame = 0, inside = 0;
    for (int round = 0; round < 100; ++round) {
      settle();
      frame = ScreenPixel(reader, r.Left, r.Top + 10);
      inside = ScreenPixel(reader, r.Right - 6, r.Top + 12);
      if (frame == AsScreen(clBtnShadow) && inside != 0x00FF00) break;
    }
    EXPECT_EQ(frame, AsScreen(clBtnShadow));
    EXPECT_NE(inside, 0x00FF00u);
    EXPECT_EQ(ScreenPixel(reader, r.Right + 5, r.Top + 10), 0x00FF00u);
    EXPECT_TRUE(PointerGrabbedByOthers(reader));

    // A press on the other form, outside the menu: the grab brings it to
    // the popup, which closes the menu.
    XEvent ev{};
    ev.xbutton.type = ButtonPress;
    ev.xbutton.window = native;
    ev.xbutton.root = DefaultRootWindow(reader);
    ev.xbutton.x = 400 - r.Left;
    ev.xbutton.y = 300 - r.Top;
    ev.xbutton.x_root = 400;
    ev.xbutton.y_root = 300;
    ev.xbutton.button = Button1;
    ev.xbutton.same_screen = True;
    XSendEvent(reader, native, False, ButtonPressMask, &ev);
    ev.xbutton.type = ButtonRelease;
    ev.xbutton.state = Button1Mask;
    XSendEvent(reader, native, False, ButtonReleaseMask, &ev);
    for (int round = 0; round < 100 && menu->Visible; ++round) settle();
    EXPECT_FALSE(menu->Visible);
    EXPECT_TRUE(menu->PopupWindows.empty());
    settle();
    EXPECT_FALSE(PointerGrabbedByOthers(reader));
    std::uint32_t uncovered = 0;
    for (int round = 0; round < 100 && uncovered != 0x00FF00u; ++round) {
      settle();
      uncovered = ScreenPixel(reader, r.Right - 6, r.Top + 12);
    }
    EXPECT_EQ(uncovered, 0x00FF00u);
    app.DestroyComponents();
    ProcessPendingMessages();
    Application = saved;
  }
}

}  // namespace

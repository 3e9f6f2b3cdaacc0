// The tray icon on a real X server: a small system-tray host started by the
// test owns _NET_SYSTEM_TRAY_S0 and embeds the icons that ask to dock; the
// icon docks, shows its picture and tip, and answers clicks. Without a host
// the icon cannot show and minimizing leaves the form on the task bar.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/graphics/ImageList.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/windows/spTrayIcon.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "tests/support/ScreenPng.h"

namespace {

// The tray host: a window at (560, 420) that owns the tray selection and
// reparents each icon that asks to dock into itself.
class TTrayHost {
 public:
  explicit TTrayHost(const std::string& displayName) {
    dpy = XOpenDisplay(displayName.c_str());
    if (!dpy) return;
    const Window root = DefaultRootWindow(dpy);
    window = XCreateSimpleWindow(dpy, root, 560, 420, 60, 40, 0, 0, 0x203040);
    XSelectInput(dpy, window, SubstructureNotifyMask);
    XMapWindow(dpy, window);
    opcode = XInternAtom(dpy, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom selection = XInternAtom(dpy, "_NET_SYSTEM_TRAY_S0", False);
    XSetSelectionOwner(dpy, selection, window, CurrentTime);
    // Announced to the clients watching the root.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = root;
    ev.xclient.message_type = XInternAtom(dpy, "MANAGER", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = CurrentTime;
    ev.xclient.data.l[1] = long(selection);
    ev.xclient.data.l[2] = long(window);
    XSendEvent(dpy, root, False, StructureNotifyMask, &ev);
    XSync(dpy, False);
  }
  ~TTrayHost() {
    if (dpy) XCloseDisplay(dpy);
  }
  // Handles the dock requests that have come.
  void Pump() {
    XSync(dpy, False);
    while (XPending(dpy)) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type == ClientMessage && ev.xclient.message_type == opcode && ev.xclient.data.l[1] == 0) {
        docked = Window(ev.xclient.data.l[2]);
        XReparentWindow(dpy, docked, window, 4, 4);
        XResizeWindow(dpy, docked, 22, 22);
        XMapWindow(dpy, docked);
        XSync(dpy, False);
      }
    }
  }
  // A press or release on the docked icon as the server would deliver it.
  void Button(bool press, unsigned button, Time time) {
    XEvent ev{};
    ev.xbutton.type = press ? ButtonPress : ButtonRelease;
    ev.xbutton.display = dpy;
    ev.xbutton.window = docked;
    ev.xbutton.root = DefaultRootWindow(dpy);
    ev.xbutton.x = ev.xbutton.y = 10;
    ev.xbutton.x_root = 560 + 4 + 10;
    ev.xbutton.y_root = 420 + 4 + 10;
    ev.xbutton.button = button;
    ev.xbutton.time = time;
    ev.xbutton.same_screen = True;
    XSendEvent(dpy, docked, False, press ? ButtonPressMask : ButtonReleaseMask, &ev);
    XFlush(dpy);
  }

  // The pointer entering or leaving the docked icon.
  void Crossing(bool enter) {
    XEvent ev{};
    ev.xcrossing.type = enter ? EnterNotify : LeaveNotify;
    ev.xcrossing.display = dpy;
    ev.xcrossing.window = docked;
    ev.xcrossing.root = DefaultRootWindow(dpy);
    ev.xcrossing.x_root = 560 + 4 + 10;
    ev.xcrossing.y_root = 420 + 4 + 10;
    ev.xcrossing.mode = NotifyNormal;
    ev.xcrossing.same_screen = True;
    XSendEvent(dpy, docked, False, enter ? EnterWindowMask : LeaveWindowMask, &ev);
    XFlush(dpy);
  }

  Display* dpy = nullptr;
  Window window = 0;
  Window docked = 0;
  Atom opcode = 0;
};

class TrayIconXvfbTest : public TX11Fixture {
 protected:
  std::unique_ptr<TApplication> app_;
  TApplication* savedApp_ = nullptr;
  TForm* form = nullptr;
  std::vector<std::string> log;

  void Start() {
    StartX11(kScreenW, kScreenH, "TrayXvfb", UnusedProc, long(kRootColour));
    if (IsSkipped() || HasFatalFailure()) return;
    savedApp_ = Application;
    app_ = std::make_unique<TApplication>(nullptr);
    Application = app_.get();
    app_->CreateForm(form);
    form->SetBounds(100, 80, 200, 120);
  }
  TspTrayIcon* NewTray() {
    auto* tray = new TspTrayIcon(form);
    auto* list = new TImageList(form, 16, 16);
    TBitmap b(16, 16, pf24bit);
    b.Canvas()->Brush()->SetColor(0x000000FF);
    b.Canvas()->FillRect(TRect{0, 0, 16, 16});
    list->Add(&b, nullptr);
    tray->SetIconList(list);
    tray->SetHint("Lumiqa tray");
    tray->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int, int) {
      log.push_back(b == TMouseButton::mbLeft ? "down left" : "down right");
    };
    tray->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
    tray->OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
    return tray;
  }
  void TearDown() override {
    if (app_) {
      app_->DestroyComponents();
      ProcessPendingMessages();
      Application = savedApp_;
      app_.reset();
    }
    StopX11();
  }

 private:
  static LRESULT UnusedProc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(h, m, wp, lp); }
};

TEST_F(TrayIconXvfbTest, TheIconDocksIntoTheTrayShowsItsPictureAndTipAndAnswersClicks) {
  Start();
  if (IsSkipped() || HasFatalFailure()) return;
  TTrayHost host(server.Name());
  ASSERT_NE(host.dpy, nullptr);
  TspTrayIcon* tray = NewTray();
  ASSERT_TRUE(tray->ShowIcon());
  ASSERT_TRUE(WaitUntil([&] {
    host.Pump();
    return host.docked != 0 && Viewable(host.docked);
  })) << "the icon never docked";
  // Embedded in the host, announcing XEmbed, named by the tip.
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  XQueryTree(reader, host.docked, &root, &parent, &children, &count);
  if (children) XFree(children);
  EXPECT_EQ(parent, host.window);
  EXPECT_EQ(Property(host.docked, "_XEMBED_INFO"), (std::vector<long>{0, 1}));
  char* name = nullptr;
  XFetchName(reader, host.docked, &name);
  EXPECT_EQ(std::string(name ? name : ""), "Lumiqa tray");
  if (name) XFree(name);
  // The picture fills the 22 x 22 icon: red.
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(560 + 4 + 11, 420 + 4 + 11) == 0xFF0000; }));
  MaybeSaveScreenshot(reader, "tray_docked");
  // The tip shows while the pointer is over the icon: a window of the root
  // named by it, near the pointer.
  auto tipWindow = [&]() -> Window {
    Window r = 0, p = 0, *kids = nullptr;
    unsigned n = 0;
    XQueryTree(reader, DefaultRootWindow(reader), &r, &p, &kids, &n);
    Window found = 0;
    for (unsigned i = 0; i < n && !found; ++i) {
      char* nm = nullptr;
      if (XFetchName(reader, kids[i], &nm) && nm && std::string(nm) == "Lumiqa tray" && Viewable(kids[i]))
        found = kids[i];
      if (nm) XFree(nm);
    }
    if (kids) XFree(kids);
    return found;
  };
  EXPECT_EQ(tipWindow(), Window(0));
  host.Crossing(true);
  ASSERT_TRUE(WaitUntil([&] { return tipWindow() != 0; })) << "no tip";
  const POINT tipAt = ScreenOrigin(tipWindow());
  EXPECT_NEAR(tipAt.Y, 420 + 4 + 10 - 8, 30);
  MaybeSaveScreenshot(reader, "tray_tip");
  host.Crossing(false);
  ASSERT_TRUE(WaitUntil([&] { return tipWindow() == 0; }));
  // A click and a double click.
  host.Button(true, Button1, 1000);
  host.Button(false, Button1, 1050);
  ASSERT_TRUE(WaitUntil([&] { return log.size() >= 2; }));
  EXPECT_EQ(log, (std::vector<std::string>{"down left", "up"}));
  host.Button(true, Button1, 1100);
  ASSERT_TRUE(WaitUntil([&] { return log.size() >= 3; }));
  EXPECT_EQ(log.back(), "dblclick");
  host.Button(true, Button3, 5000);
  ASSERT_TRUE(WaitUntil([&] { return log.size() >= 4; }));
  EXPECT_EQ(log.back(), "down right");
  // Hidden: the icon's window goes.
  const Window docked = host.docked;
  EXPECT_TRUE(tray->HideIcon());
  ASSERT_TRUE(WaitUntil([&] {
    XWindowAttributes wa;
    return !XGetWindowAttributes(reader, docked, &wa);
  }));
}

TEST_F(TrayIconXvfbTest, WithoutATrayTheIconCannotShowAndMinimizingLeavesTheFormOnTheTaskBar) {
  Start();
  if (IsSkipped() || HasFatalFailure()) return;
  form->Show();
  TspTrayIcon* tray = NewTray();
  EXPECT_FALSE(tray->ShowIcon());
  tray->MinimizeToTray = true;
  app_->Minimize();
  ProcessPendingMessages();
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(IsIconic(form->Handle()));
}

}  // namespace

namespace {

TEST_F(TrayIconXvfbTest, AnIconShownBeforeAnyTrayDocksWhenATrayStarts) {
  Start();
  if (IsSkipped() || HasFatalFailure()) return;
  TspTrayIcon* tray = NewTray();
  EXPECT_FALSE(tray->ShowIcon());  // no tray yet; the icon stays wanted
  EXPECT_TRUE(tray->IconVisible());
  TTrayHost host(server.Name());
  ASSERT_NE(host.dpy, nullptr);
  ASSERT_TRUE(WaitUntil([&] {
    host.Pump();
    return host.docked != 0 && Viewable(host.docked);
  })) << "the icon never docked into the new tray";
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(560 + 4 + 11, 420 + 4 + 11) == 0xFF0000; }));
}

}  // namespace

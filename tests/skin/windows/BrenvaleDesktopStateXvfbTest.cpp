// Under a private Xvfb with openbox: the skinned form's maximise and restore
// and the window manager's _NET_WM_STATE stay one state, whichever side
// changes it; the form's own caption buttons, pressed as the X server
// delivers the mouse, and another client's state request as wmctrl sends it.
#include "skin/windows/Brenvale_Object.h"
#include "tests/skin/windows/BrenvaleXvfbFixture.h"

using namespace brvtest;

namespace {

class BrenvaleDesktopStateXvfbTest : public TBrenvaleXvfbFixture {
 protected:
  void SetUp() override {
    // The real caption buttons, not the recording ones.
    SkinObjectFactory() = DefaultSkinObjectFactory();
    StartSkinnedForm("BrenvaleDesktopStateXvfbUnused", true, "openbox");
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(WaitUntil([&] { return Viewable(Native()) && !Property(Native(), "WM_STATE").empty(); }));
    Settle();
  }

  bool ServerSaysMaximised() {
    return HasAtom(Native(), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_VERT") &&
           HasAtom(Native(), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_HORZ");
  }
  bool ServerSaysNeither() {
    return !HasAtom(Native(), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_VERT") &&
           !HasAtom(Native(), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_HORZ");
  }
  // The form's bounds are where the server has its window.
  bool AgreesWithServer() {
    XWindowAttributes wa;
    if (!XGetWindowAttributes(reader, Native(), &wa)) return false;
    const POINT at = ScreenOrigin(Native());
    return form->BoundsRect() == TRect{at.X, at.Y, at.X + wa.width, at.Y + wa.height};
  }

  // A left click, as the server delivers it, on the middle of the caption
  // button named `id`.
  void ClickButton(const char* id) {
    TspActiveSkinObject* button = nullptr;
    for (auto& o : ctl->ObjectList)
      if (o->IDName == id) button = o.get();
    ASSERT_NE(button, nullptr) << id;
    const TRect r = button->ObjectRect;
    const int x = form->Left() + (r.Left + r.Right) / 2, y = form->Top() + (r.Top + r.Bottom) / 2;
    Button(x, y, true);
    Button(x, y, false);
  }

  // As `wmctrl -b add|remove,maximized_vert,maximized_horz` asks it.
  void OtherClientAsks(bool maximise) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = Native();
    ev.xclient.message_type = XInternAtom(reader, "_NET_WM_STATE", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = maximise ? 1 : 0;
    ev.xclient.data.l[1] = long(XInternAtom(reader, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    ev.xclient.data.l[2] = long(XInternAtom(reader, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    XSendEvent(reader, DefaultRootWindow(reader), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(reader);
  }
};

TEST_F(BrenvaleDesktopStateXvfbTest, MaximiseAndRestoreAreOneStateWithTheWindowManagers) {
  const TRect normal = form->BoundsRect();
  ASSERT_EQ(ctl->WindowState, spwsNormal);
  ASSERT_TRUE(ServerSaysNeither());

  // The skin's own maximise button: the window manager is told.
  ClickButton("maxbutton");
  EXPECT_TRUE(WaitUntil([&] { return ctl->WindowState == spwsMaximized && ServerSaysMaximised(); }))
      << "skin state " << int(ctl->WindowState);
  EXPECT_TRUE(WaitUntil([&] { return form->Width() >= 638 && AgreesWithServer(); }));
  ASSERT_TRUE(WindowManagerCaughtUp());
  Settle();
  EXPECT_EQ(ctl->WindowState, spwsMaximized) << "the manager's echo is no restore";
  // The same button restores, and the manager hears of that too.
  ClickButton("maxbutton");
  EXPECT_TRUE(WaitUntil([&] { return ctl->WindowState == spwsNormal && ServerSaysNeither(); }));
  EXPECT_TRUE(WaitUntil([&] { return form->BoundsRect() == normal && AgreesWithServer(); }))
      << form->Left() << "," << form->Top() << " " << form->Width() << "x" << form->Height();

  // Another program maximises it through the window manager: the skin
  // follows, and its restore button brings back the bounds it had.
  OtherClientAsks(true);
  EXPECT_TRUE(WaitUntil([&] { return ServerSaysMaximised() && ctl->WindowState == spwsMaximized; }))
      << "skin state " << int(ctl->WindowState);
  EXPECT_TRUE(WaitUntil([&] { return form->Width() >= 638 && AgreesWithServer(); }));
  ClickButton("maxbutton");
  EXPECT_TRUE(WaitUntil([&] { return ctl->WindowState == spwsNormal && ServerSaysNeither(); }))
      << "skin state " << int(ctl->WindowState);
  EXPECT_TRUE(WaitUntil([&] { return form->BoundsRect() == normal && AgreesWithServer(); }))
      << form->Left() << "," << form->Top() << " " << form->Width() << "x" << form->Height();

  // And a restore asked by another program after the skin's maximise.
  ClickButton("maxbutton");
  ASSERT_TRUE(WaitUntil([&] { return ctl->WindowState == spwsMaximized && ServerSaysMaximised(); }));
  OtherClientAsks(false);
  EXPECT_TRUE(WaitUntil([&] { return ctl->WindowState == spwsNormal && ServerSaysNeither(); }));
  EXPECT_TRUE(WaitUntil([&] { return form->BoundsRect() == normal && AgreesWithServer(); }))
      << form->Left() << "," << form->Top() << " " << form->Width() << "x" << form->Height();
  EXPECT_EQ(display->ErrorCount(), 0);
}

}  // namespace

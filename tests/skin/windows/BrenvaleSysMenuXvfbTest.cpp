// Under a private Xvfb: a skinned form's system menu opens as an
// override-redirect popup by a right click on the caption and by Alt+Space,
// holds the pointer, leaves the keyboard with the form, and closes by
// Escape, with the mouse and keys given as the X server delivers them.
#include "tests/skin/windows/BrenvaleXvfbFixture.h"
#include <X11/keysym.h>

using namespace brvtest;

namespace {

class BrenvaleSysMenuXvfbTest : public TBrenvaleXvfbFixture {
 protected:
  void SetUp() override {
    StartSkinnedForm("BrenvaleSysMenuXvfbUnused", false);
    if (IsSkipped() || HasFatalFailure()) return;
    Pump();
  }
  // As the application's loop runs: the messages pass its message callback
  // (the controller's menu hook) before they are dispatched.
  void Pump() {
    for (int i = 0; i < 8; ++i) {
      XSync(reader, False);
      display->Sync();
      app_->ProcessMessages();
    }
    XSync(reader, False);
  }
  void KeyEvent(KeySym sym, bool press, unsigned state) {
    XEvent ev{};
    ev.xkey.type = press ? kXKeyPress : kXKeyRelease;
    ev.xkey.display = reader;
    ev.xkey.window = Native();
    ev.xkey.root = DefaultRootWindow(reader);
    ev.xkey.keycode = XKeysymToKeycode(reader, sym);
    ev.xkey.state = state;
    ev.xkey.same_screen = True;
    XSendEvent(reader, Native(), False, press ? KeyPressMask : KeyReleaseMask, &ev);
    XFlush(reader);
  }
  bool PopupViewable() {
    if (ctl->SkinMenu->PopupWindows.empty()) return false;
    const Window w = Window(display->NativeOf(ctl->SkinMenu->PopupWindows[0]->Handle()));
    XWindowAttributes a{};
    return w && XGetWindowAttributes(reader, w, &a) && a.map_state == IsViewable && a.override_redirect;
  }
  bool PointerGrabbedByOthers() {
    const int r = XGrabPointer(reader, DefaultRootWindow(reader), False, ButtonPressMask, GrabModeAsync,
                               GrabModeAsync, kXNone, kXNone, CurrentTime);
    if (r == GrabSuccess) XUngrabPointer(reader, CurrentTime);
    XSync(reader, False);
    return r == AlreadyGrabbed;
  }
};

}  // namespace

TEST_F(BrenvaleSysMenuXvfbTest, RightClickOnTheCaptionAndAltSpaceOpenItAndEscapeClosesIt) {
  ASSERT_EQ(GetActiveWindow(), form->Handle());
  const HWND focus = GetFocus();
  struct TWay {
    const char* name;
    std::function<void()> open;
    TPoint at;
  };
  const TWay ways[] = {
      {"right click",
       [this] {
         Button(100 + 150, 80 + 10, true, Button3);
         Button(100 + 150, 80 + 10, false, Button3);
       },
       TPoint{100 + 150, 80 + 10}},
      {"Alt+Space",
       [this] {
         KeyEvent(XK_Alt_L, true, 0);
         KeyEvent(XK_space, true, Mod1Mask);
         KeyEvent(XK_space, false, Mod1Mask);
         KeyEvent(XK_Alt_L, false, Mod1Mask);
       },
       // Below the caption's left end (the fixture has no system-menu button).
       TPoint{100 + ctl->FittedCaptionRect.Left, 80 + ctl->FittedCaptionRect.Bottom}},
  };
  for (const TWay& w : ways) {
    SCOPED_TRACE(w.name);
    w.open();
    bool shown = false;
    for (int round = 0; round < 100 && !shown; ++round) {
      Pump();
      shown = PopupViewable();
    }
    ASSERT_TRUE(shown);
    RECT r{};
    GetWindowRect(ctl->SkinMenu->PopupWindows[0]->Handle(), &r);
    EXPECT_EQ(r.Left, w.at.X);
    EXPECT_EQ(r.Top, w.at.Y);
    EXPECT_TRUE(ctl->SkinMenuOpen);
    EXPECT_TRUE(PointerGrabbedByOthers());
    EXPECT_EQ(GetFocus(), focus);
    KeyEvent(XK_Escape, true, 0);
    KeyEvent(XK_Escape, false, 0);
    for (int round = 0; round < 100 && ctl->SkinMenu->Visible; ++round) Pump();
    EXPECT_FALSE(ctl->SkinMenu->Visible);
    EXPECT_FALSE(ctl->SkinMenuOpen);
    EXPECT_FALSE(PointerGrabbedByOthers());
  }
  EXPECT_EQ(display->ErrorCount(), 0);
}

// Under a private Xvfb: a form with a themed form panel shows its own frame
// (no window manager decorations, the title bar's picture and the border
// on the screen), moves by its caption, sizes by its edge and closes by its
// own close button, with the mouse given as the X server delivers it.
#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "themed/core/KZUThemes.h"
#include "themed/forms/KZUForm.h"

namespace {

constexpr long kThemedRoot = 0x808080;

std::uint32_t PictureRgb(const std::string& name, int x, int y) {
  TBitmap b;
  LoadThemeBitmap(name, b);
  return Rgb24(COLORREF(ColorToRGB(b.Canvas()->Pixels(x, y))));
}

class KZUFormXvfbTest : public TX11Fixture {
 protected:
  std::unique_ptr<TApplication> app_;
  TApplication* savedApp_ = nullptr;
  TForm* form = nullptr;
  TkzuForm* panel = nullptr;

  void SetUp() override {
    StartX11(640, 480, "KZUFormXvfbUnused", UnusedProc, kThemedRoot);
    if (IsSkipped() || HasFatalFailure()) return;
    savedApp_ = Application;
    app_ = std::make_unique<TApplication>(nullptr);
    Application = app_.get();
    TForm* mainForm = nullptr;
    app_->CreateForm(mainForm);  // so closing the themed form does not end the program
    app_->CreateForm(form);
    form->SetBounds(100, 80, 300, 200);
    form->SetCaption("Themed");
    panel = new TkzuForm(form);
    form->Show();
    Settle();
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
  Window Native() { return Window(display->NativeOf(form->Handle())); }
  void Send(XEvent& ev, long mask) {
    XSendEvent(reader, Native(), False, mask, &ev);
    XFlush(reader);
  }
  void Button(int x, int y, bool press) {
    XEvent ev{};
    ev.xbutton.type = press ? ButtonPress : ButtonRelease;
    ev.xbutton.display = reader;
    ev.xbutton.window = Native();
    ev.xbutton.root = DefaultRootWindow(reader);
    ev.xbutton.x_root = x;
    ev.xbutton.y_root = y;
    ev.xbutton.x = x - form->Left();
    ev.xbutton.y = y - form->Top();
    ev.xbutton.button = Button1;
    ev.xbutton.same_screen = True;
    Send(ev, press ? ButtonPressMask : ButtonReleaseMask);
  }
  void Motion(int x, int y, bool held) {
    XEvent ev{};
    ev.xmotion.type = MotionNotify;
    ev.xmotion.display = reader;
    ev.xmotion.window = Native();
    ev.xmotion.root = DefaultRootWindow(reader);
    ev.xmotion.x_root = x;
    ev.xmotion.y_root = y;
    ev.xmotion.x = x - form->Left();
    ev.xmotion.y = y - form->Top();
    ev.xmotion.state = held ? Button1Mask : 0;
    ev.xmotion.same_screen = True;
    Send(ev, PointerMotionMask);
  }
  void Pump() {
    for (int i = 0; i < 5; ++i) Settle();
  }

 private:
  static LRESULT UnusedProc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(h, m, wp, lp); }
};

TEST_F(KZUFormXvfbTest, ShowsItsOwnFrameUndecorated) {
  std::vector<long> hints = Property(Native(), "_MOTIF_WM_HINTS");
  ASSERT_EQ(hints.size(), 5u);
  EXPECT_EQ(hints[2], 0) << "no decorations";
  // The title bar's left picture, above the caption, and the black border.
  EXPECT_EQ(ScreenPixel(100 + 60, 80 + 1), PictureRgb("DEEPBLUE_TITLE_LEFT", 60, 1));
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 1), PictureRgb("DEEPBLUE_TITLE_CLIENT", 0, 1));
  EXPECT_EQ(ScreenPixel(100, 80 + 100), 0u);
  EXPECT_EQ(ScreenPixel(100 + 299, 80 + 100), 0u);
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 199), 0u);
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 100), Rgb24(COLORREF(panel->Color())));
  EXPECT_EQ(ScreenPixel(99, 80 + 100), std::uint32_t(kThemedRoot));
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(KZUFormXvfbTest, MovesByItsCaptionAndSizesByItsEdge) {
  Motion(100 + 150, 80 + 12, false);
  Pump();
  Button(100 + 150, 80 + 12, true);
  Motion(100 + 170, 80 + 42, true);
  Motion(100 + 190, 80 + 72, true);
  Button(100 + 190, 80 + 72, false);
  Pump();
  EXPECT_EQ(form->Left(), 140);
  EXPECT_EQ(form->Top(), 140);
  EXPECT_EQ(ScreenPixel(140 + 60, 140 + 1), PictureRgb("DEEPBLUE_TITLE_LEFT", 60, 1));
  // The right edge's band belongs to the form, though the panel covers it.
  Motion(140 + 298, 140 + 100, false);
  Pump();
  Button(140 + 298, 140 + 100, true);
  Motion(140 + 318, 140 + 100, true);
  Motion(140 + 338, 140 + 100, true);
  Button(140 + 338, 140 + 100, false);
  Pump();
  EXPECT_EQ(form->Width(), 340);
  EXPECT_EQ(ScreenPixel(140 + 339, 140 + 100), 0u);  // the border followed
}

TEST_F(KZUFormXvfbTest, ClosesByItsOwnCloseButton) {
  bool closed = false;
  form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  TkzuTitleBar* bar = panel->TitleBar();
  int close = -1;
  for (int i = 0; i < bar->Buttons()->Count(); ++i)
    if (bar->Buttons()->Items(i)->ButtonType() == TkzuTitleBarBtnType::kzuClose) close = i;
  ASSERT_GE(close, 0);
  const TRect r = bar->ButtonRect(close);
  const TPoint c = bar->ClientToScreen(TPoint{r.Left + r.Width() / 2, r.Top + r.Height() / 2});
  Motion(c.X, c.Y, false);
  Pump();
  EXPECT_EQ(bar->HotButton(), close);
  Button(c.X, c.Y, true);
  Button(c.X, c.Y, false);
  Pump();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 1), std::uint32_t(kThemedRoot));
}

}  // namespace

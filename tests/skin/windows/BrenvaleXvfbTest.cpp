// Under a private Xvfb: a skinned form shows undecorated and shaped by its
// skin, moves by its caption, sizes by its edge and closes by its own close
// button, with the mouse given as the X server delivers it.
#include "tests/skin/windows/BrenvaleXvfbFixture.h"

using namespace brvtest;

namespace {

std::uint32_t Rgb24(TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

class BrenvaleXvfbTest : public TBrenvaleXvfbFixture {
 protected:
  void SetUp() override {
    StartSkinnedForm("BrenvaleXvfbUnused", true);
    if (IsSkipped() || HasFatalFailure()) return;
    Settle();
  }

  void Motion(int x, int y) {
    XEvent ev{};
    ev.xmotion.type = MotionNotify;
    ev.xmotion.display = reader;
    ev.xmotion.window = Native();
    ev.xmotion.root = DefaultRootWindow(reader);
    ev.xmotion.x_root = x;
    ev.xmotion.y_root = y;
    ev.xmotion.x = x - form->Left();
    ev.xmotion.y = y - form->Top();
    ev.xmotion.state = Button1Mask;
    ev.xmotion.same_screen = True;
    XSendEvent(reader, Native(), False, PointerMotionMask, &ev);
    XFlush(reader);
  }
  // Runs the program's side until the X events sent so far are handled.
  void Pump() {
    for (int i = 0; i < 5; ++i) Settle();
  }
};

}  // namespace

TEST_F(BrenvaleXvfbTest, ShowsShapedAndUndecoratedWithItsSkin) {
  Atom motif = XInternAtom(reader, "_MOTIF_WM_HINTS", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(reader, Native(), motif, 0, 5, False, AnyPropertyType, &type, &format, &count, &after,
                               &data),
            Success);
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(count, 5u);
  EXPECT_EQ(reinterpret_cast<long*>(data)[2], 0) << "no decorations";
  XFree(data);
  // The frame as the skin draws it, and the masked corner showing the root.
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 10), Rgb24(kTop));
  EXPECT_EQ(ScreenPixel(100 + 1, 80 + 100), Rgb24(kLeft));
  EXPECT_EQ(ScreenPixel(100 + 298, 80 + 100), Rgb24(kRight));
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 198), Rgb24(kBottom));
  EXPECT_EQ(ScreenPixel(100 + 283, 80 + 5), Rgb24(kObjNormal));
  EXPECT_EQ(ScreenPixel(100, 80), std::uint32_t(kRoot));
  EXPECT_EQ(ScreenPixel(100 + 299, 80 + 199), std::uint32_t(kRoot));
  EXPECT_EQ(display->ErrorCount(), 0);
}

TEST_F(BrenvaleXvfbTest, MovesByItsCaptionAndSizesByItsEdge) {
  Motion(100 + 150, 80 + 10);
  Button(100 + 150, 80 + 10, true);
  Motion(100 + 170, 80 + 40);
  Motion(100 + 190, 80 + 70);
  Button(100 + 190, 80 + 70, false);
  Pump();
  EXPECT_EQ(form->Left(), 140);
  EXPECT_EQ(form->Top(), 140);
  EXPECT_EQ(ScreenPixel(140 + 150, 140 + 10), Rgb24(kTop));
  // The right edge.
  Motion(140 + 298, 140 + 100);
  Button(140 + 298, 140 + 100, true);
  Motion(140 + 338, 140 + 100);
  Button(140 + 338, 140 + 100, false);
  Pump();
  EXPECT_EQ(form->Width(), 340);
  EXPECT_EQ(ScreenPixel(140 + 338, 140 + 100), Rgb24(kRight));
  EXPECT_EQ(ScreenPixel(140 + 323, 140 + 5), Rgb24(kObjNormal));  // the close button followed
}

TEST_F(BrenvaleXvfbTest, ClosesByItsOwnCloseButton) {
  bool closed = false;
  form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  // The recording close button closes the form as the real one does.
  for (auto& o : ctl->ObjectList)
    if (o->IDName == "closebutton")
      static_cast<TRecordingObject*>(o.get())->OnDown = [this] { ctl->CloseForm(); };
  Motion(100 + 289, 80 + 10);
  Pump();
  Button(100 + 289, 80 + 10, true);
  Button(100 + 289, 80 + 10, false);
  Pump();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ScreenPixel(100 + 150, 80 + 10), std::uint32_t(kRoot));
}

// Switched off by its skin data, the form goes back to the window manager's
// frame: decorated again and no longer shaped; switched on, undecorated and
// shaped once more.
TEST_F(BrenvaleXvfbTest, TheSkinnableSwitchHandsTheFrameToTheWindowManagerAndBack) {
  auto decorations = [this] {
    Atom motif = XInternAtom(reader, "_MOTIF_WM_HINTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(reader, Native(), motif, 0, 5, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
      // Without the decorations flag the window manager decorates.
      const long* hints = reinterpret_cast<long*>(data);
      value = count == 5 && (hints[0] & 2) ? hints[2] : 1;
      XFree(data);
    } else if (data == nullptr) {
      value = 1;  // no hints: decorated
    }
    return value;
  };
  ASSERT_EQ(decorations(), 0);
  ASSERT_EQ(ScreenPixel(100, 80), std::uint32_t(kRoot));
  TspSkinData* skin = ctl->SkinData();
  skin->SetSkinnableForm(false);
  Pump();
  EXPECT_FALSE(ctl->Skinnable);
  EXPECT_NE(decorations(), 0);
  EXPECT_NE(ScreenPixel(form->Left(), form->Top()), std::uint32_t(kRoot));
  skin->SetSkinnableForm(true);
  Pump();
  EXPECT_EQ(decorations(), 0);
  EXPECT_EQ(ScreenPixel(form->Left() + 150, form->Top() + 10), Rgb24(kTop));
  EXPECT_EQ(ScreenPixel(form->Left(), form->Top()), std::uint32_t(kRoot));
  EXPECT_EQ(display->ErrorCount(), 0);
}

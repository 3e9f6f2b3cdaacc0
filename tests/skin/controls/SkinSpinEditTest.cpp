// The spin edit and the up-down: stepping by buttons with their repeat on
// the virtual clock, keys and the wheel, typing within the limits, the
// order of OnChange, and both looks.
#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "tests/skin/controls/SkinEditTestSupport.h"

using namespace skinctl;

namespace {

class SkinSpinEditTest : public SkinBoxTest {
 protected:
  TspSkinSpinEdit* sp = nullptr;
  TEdit* other = nullptr;
  int now = 0;  // virtual milliseconds since the fixture's start
  void SetUp() override {
    SkinBoxTest::SetUp();
    sp = new TspSkinSpinEdit(form);
    sp->SetParent(form);
    sp->SetBounds(20, 20, 120, 20);
    sp->OnChange = [this](TObject*) { log.push_back("change " + sp->Text() + " @" + std::to_string(now)); };
    sp->OnUpButtonClick = [this](TObject*) { log.push_back("up"); };
    sp->OnDownButtonClick = [this](TObject*) { log.push_back("down"); };
    other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(20, 80, 100, 20);
    Show();
  }
  void TearDown() override {
    sp->OnChange = nullptr;
    sp->OnUpButtonClick = sp->OnDownButtonClick = nullptr;
    SkinBoxTest::TearDown();
  }
  void Wait(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      now += 10;
      Advance(10);
    }
  }
  TPoint UpButton() { return At(sp, sp->Width() - 9, 5); }
  TPoint DownButton() { return At(sp, sp->Width() - 9, 14); }
  void PressAt(TPoint p) {
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseDown(p.X, p.Y);
    Idle();
  }
  void ReleaseAt(TPoint p) {
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseUp(p.X, p.Y);
    Idle();
  }
  void FocusEdit() {
    sp->Edit()->SetFocus();
    Idle();
    sp->Edit()->SelectAll();
    Key(VK_DELETE);
    Take();
  }
};

TEST_F(SkinSpinEditTest, ConstructedAsTheWizardsDialogsUseIt) {
  EXPECT_EQ(sp->Text(), "0");
  EXPECT_EQ(sp->Edit()->Text(), "0");
  EXPECT_EQ(sp->SkinDataName(), "spinedit");
  EXPECT_EQ(sp->ValueType(), vtInteger);
  EXPECT_EQ(sp->Increment, 1.0);
  // The default layout: buttons at the right, the edit centred beside them.
  EXPECT_EQ(sp->Buttons().B[0].R, (TRect{103, 2, 118, 10}));
  EXPECT_EQ(sp->Buttons().B[1].R, (TRect{103, 10, 118, 18}));
  EXPECT_EQ(sp->Edit()->Left(), 2);
  EXPECT_EQ(sp->Edit()->Width(), 101);
  EXPECT_EQ(sp->Edit()->Top(), 10 - sp->Edit()->Height() / 2);
  EXPECT_TRUE(Take().empty());
}

// When a held button steps, on the virtual clock.
TEST_F(SkinSpinEditTest, ButtonClicksAndRepeatTiming) {
  const struct {
    const char* what;
    int holdMs;
    Log events;
  } cases[] = {
      {"300 ms click: one step on release", 300, {"change 1 @300", "up"}},
      {"1050 ms hold", 1050,
       {"change 1 @600", "change 2 @700", "change 3 @800", "change 4 @900", "change 5 @1000", "change 6 @1050",
        "up"}},
  };
  for (const auto& c : cases) {
    sp->SetValue(0);
    Take();
    now = 0;
    PressAt(UpButton());
    Wait(c.holdMs);
    ReleaseAt(UpButton());
    EXPECT_EQ(Take(), c.events) << c.what;
  }
  // Leaving a held button stops the repeat; coming back repeats every 50 ms.
  sp->SetValue(0);
  Take();
  now = 0;
  PressAt(DownButton());
  Wait(600);
  EXPECT_EQ(Take(), (Log{"change -1 @600"}));
  MoveTo(sp, 40, 10);
  EXPECT_EQ(sp->Buttons().Hot, -1);
  EXPECT_TRUE(sp->Buttons().B[1].down);
  EXPECT_EQ(GetCapture(), sp->Handle());
  Wait(300);
  EXPECT_TRUE(Take().empty());
  const TPoint back = DownButton();
  s.display.MouseMove(back.X, back.Y);
  Idle();
  Wait(100);
  EXPECT_EQ(Take(), (Log{"change -2 @950", "change -3 @1000"}));
  // Released away from the button: no step, no click.
  ReleaseAt(At(sp, 40, 10));
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(sp->Buttons().B[1].down);
}

TEST_F(SkinSpinEditTest, KeysAndWheelStepWithTheirCallbacks) {
  FocusEdit();
  Key(VK_UP);
  Key(VK_UP);
  Key(VK_DOWN);
  EXPECT_EQ(Take(), (Log{"change 1 @0", "up", "change 2 @0", "up", "change 1 @0", "down"}));
  // The wheel turned away from the user decreases the value.
  const TPoint p = At(sp->Edit(), 5, 5);
  s.display.Wheel(p.X, p.Y, 120);
  Idle();
  EXPECT_EQ(Take(), (Log{"change 0 @0", "down"}));
  s.display.Wheel(p.X, p.Y, -120);
  Idle();
  EXPECT_EQ(Take(), (Log{"change 1 @0", "up"}));
}

TEST_F(SkinSpinEditTest, TypingWithinLimitsAndTheCanonicalTextOnLeaving) {
  // The upper bound first: a lower bound above the upper one clamps every
  // value to the upper bound.
  sp->SetMaxValue(99);
  sp->SetMinValue(10);
  EXPECT_EQ(sp->Value(), 10);
  FocusEdit();
  const struct {
    const char* keys;
    const char* shown;
    double value;
    Log events;
  } steps[] = {
      {"1", "1", 10, {}},             // near side: stays as typed, the value is already the bound
      {"5", "15", 15, {"change 15 @0"}},
      {"0", "99", 99, {"change 150 @0"}},  // the event sees the typed text, then it is rewritten
      {"x", "99", 99, {}},             // refused
  };
  for (const auto& st : steps) {
    Type(st.keys);
    EXPECT_EQ(sp->Edit()->Text(), st.shown) << st.keys;
    EXPECT_EQ(sp->Text(), st.shown) << st.keys;
    EXPECT_EQ(sp->Value(), st.value) << st.keys;
    EXPECT_EQ(Take(), st.events) << st.keys;
  }
  sp->Edit()->SelectAll();
  Type("-");
  EXPECT_EQ(sp->Value(), 99);
  other->SetFocus();
  Idle();
  EXPECT_EQ(sp->Edit()->Text(), "99");
  EXPECT_TRUE(Take().empty());
}

TEST_F(SkinSpinEditTest, SetValueFiresEveryTimeButNotInsideItsOwnEvent) {
  sp->SetValue(0);
  sp->SetValue(0);
  EXPECT_EQ(Take(), (Log{"change 0 @0", "change 0 @0"}));
  sp->SetValueType(vtFloat);
  sp->SetValue(12.3);
  EXPECT_EQ(sp->Edit()->Text(), "12.30");
  sp->SetValueType(vtInteger);
  sp->SetValue(2.5);
  EXPECT_EQ(sp->Edit()->Text(), "2");
  EXPECT_EQ(sp->Value(), 2.5);
  Take();
  // A handler that corrects the value: one event, the edit shows the correction.
  sp->OnChange = [this](TObject*) {
    log.push_back("change " + sp->Text());
    if (sp->Value() > 50) sp->SetValue(50);
  };
  sp->SetValue(70);
  EXPECT_EQ(Take(), (Log{"change 70"}));
  EXPECT_EQ(sp->Value(), 50);
  EXPECT_EQ(sp->Edit()->Text(), "50");
  // An integer type rounds the increment, never to 0.
  sp->SetValueType(vtFloat);
  sp->Increment = 0.4;
  sp->SetValueType(vtInteger);
  EXPECT_EQ(sp->Increment, 1.0);
  sp->SetValueType(vtFloat);
  sp->Increment = 2.6;
  sp->SetValueType(vtInteger);
  EXPECT_EQ(sp->Increment, 3.0);
}

TEST_F(SkinSpinEditTest, UnconvertibleTextAndADisabledEditor) {
  FocusEdit();
  Type("99999999999");  // beyond the integer range: the value stays
  EXPECT_EQ(sp->Value(), 999999999);
  EXPECT_EQ(sp->Edit()->Text(), "99999999999");
  sp->Edit()->SelectAll();
  Key(VK_DELETE);
  sp->SetValueType(vtFloat);
  Type("-.");
  EXPECT_EQ(sp->Edit()->Text(), "-.");
  sp->SetValue(7);
  Take();
  // Without the editor nothing changes the text but the buttons and keys.
  sp->SetEditorEnabled(false);
  ASSERT_TRUE(PutClipboardText("123"));
  const int beeps = MessageBeepCount();
  sp->Edit()->SelectAll();
  Type("5");
  Key(VK_DELETE);
  With(VK_CONTROL, 'V');
  With(VK_CONTROL, 'X');
  Key(VK_BACK);
  EXPECT_EQ(sp->Edit()->Text(), "7.00");
  EXPECT_EQ(MessageBeepCount() - beeps, 2);
  Key(VK_UP);
  EXPECT_EQ(sp->Value(), 8);
}

TEST_F(SkinSpinEditTest, DefaultLookInEachButtonState) {
  form->SetColor(clWhite);
  sp->SetValue(42);
  Idle();
  EXPECT_EQ(Pixel(sp, 0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Pixel(sp, 1, 1), ColorToRGB(clBtnFace));
  EXPECT_EQ(Pixel(sp, 104, 3), ColorToRGB(clBtnFace));
  Snapshot(sp, "spin_default");
  const TPoint up = UpButton();
  s.display.MouseMove(up.X, up.Y);
  Idle();
  EXPECT_TRUE(sp->Buttons().B[0].hot);
  EXPECT_EQ(Pixel(sp, 103, 2), 0x00800000);
  EXPECT_EQ(Pixel(sp, 104, 3), 0x00D2BDB6);
  Snapshot(sp, "spin_default_hot");
  s.display.MouseDown(up.X, up.Y);
  Idle();
  EXPECT_EQ(Pixel(sp, 104, 3), 0x00B59385);
  Snapshot(sp, "spin_default_down");
  s.display.MouseUp(up.X, up.Y);
  Idle();
  sp->SetEnabled(false);
  Idle();
  EXPECT_EQ(sp->Edit()->Font()->Color(), clGrayText);
  Snapshot(sp, "spin_default_disabled");
}

TEST_F(SkinSpinEditTest, WizardSkinFaceButtonsAndTheStretchedLayout) {
  LoadWizardSkin();
  form->SetColor(clBtnFace);
  sp->SetSkinData(skin);
  sp->SetValue(640);
  Idle();
  ASSERT_NE(sp->ControlIndex, -1);
  EXPECT_EQ(sp->Height(), 24);
  EXPECT_TRUE(sp->Edit()->TransparentMode());
  TBitmap* pic = skin->GetActivePicture(5);
  ASSERT_NE(pic, nullptr);
  // The up button keeps its place at the right edge of the wider face.
  EXPECT_EQ(sp->Buttons().B[0].R, (TRect{103, 2, 118, 12}));
  EXPECT_EQ(Pixel(sp, 0, 0), pic->Canvas()->Pixels(0, 0));
  Snapshot(sp, "spin_wizard");
  const TPoint up = At(sp, 110, 6);
  s.display.MouseMove(up.X, up.Y);
  Idle();
  EXPECT_TRUE(sp->MouseOver());
  EXPECT_EQ(Pixel(sp, 104, 3), pic->Canvas()->Pixels(1, 49));
  Snapshot(sp, "spin_wizard_hot");
  // Without the skin's size the buttons share the stretched height in two
  // halves of their union.
  sp->UseSkinSize = false;
  sp->SetBounds(20, 20, 120, 40);
  Idle();
  EXPECT_EQ(sp->Height(), 40);
  const TRect u = sp->Buttons().B[0].R, d = sp->Buttons().B[1].R;
  EXPECT_EQ(u.Top, 2);
  EXPECT_EQ(u.Bottom, d.Top);
  EXPECT_EQ(d.Bottom, 38);
  EXPECT_EQ(u.Bottom, 20);
  Snapshot(sp, "spin_wizard_stretched");
}

class SkinUpDownTest : public SkinBoxTest {};

TEST_F(SkinUpDownTest, PositionStepsLimitsAndLayouts) {
  auto* ud = new TspSkinUpDown(form);
  ud->SetParent(form);
  ud->SetBounds(20, 20, 40, 20);
  ud->OnChange = [&](TObject*) { log.push_back("change " + std::to_string(ud->Position())); };
  ud->OnUpButtonClick = [&](TObject*) { log.push_back("up"); };
  ud->OnDownButtonClick = [&](TObject*) { log.push_back("down"); };
  Show();
  // Horizontal: down on the left, up on the right.
  EXPECT_EQ(ud->Buttons().B[1].R, (TRect{0, 0, 20, 20}));
  EXPECT_EQ(ud->Buttons().B[0].R, (TRect{20, 0, 40, 20}));
  Press(ud, 30, 10);
  Release(ud, 30, 10);
  Press(ud, 5, 10);
  Release(ud, 5, 10);  // at 0 already: the step below Min is ignored
  EXPECT_EQ(Take(), (Log{"change 1", "up", "change 0", "down"}));
  // Released anywhere, it still steps.
  Press(ud, 30, 10);
  Release(ud, 100, 60);
  EXPECT_EQ(Take(), (Log{"change 1", "up"}));
  // Bounds pull the position in without an event.
  ud->SetMin(5);
  EXPECT_EQ(ud->Position(), 5);
  ud->SetPosition(200);
  EXPECT_EQ(ud->Position(), 5);
  EXPECT_TRUE(Take().empty());
  ud->SetPosition(5);
  EXPECT_EQ(Take(), (Log{"change 5"}));
  // Increment 0: the click is reported, nothing steps, nothing repeats.
  ud->SetIncrement(0);
  Press(ud, 30, 10);
  Advance(1000);
  Release(ud, 30, 10);
  EXPECT_EQ(Take(), (Log{"up"}));
  ud->SetOrientation(udVertical);
  EXPECT_EQ(ud->Buttons().B[0].R, (TRect{0, 0, 40, 10}));
  MoveTo(ud, 20, 15);
  Snapshot(ud, "updown_default_vertical_hot");
  ud->OnChange = nullptr;
  ud->OnUpButtonClick = ud->OnDownButtonClick = nullptr;
}

}  // namespace

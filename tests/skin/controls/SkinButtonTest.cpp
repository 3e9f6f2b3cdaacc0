#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/edits/Edit.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

using namespace skinctl;

namespace {

constexpr TColor kNavy = 0x00800000, kHotFill = 0x00D2BDB6, kDownFill = 0x00B59385;

class SkinButtonTest : public SkinControlsTest {
 protected:
  TspSkinButton* NewButton(int x, int y, const std::string& caption = "OK") {
    auto* b = new TspSkinButton(form);
    b->SetParent(form);
    b->SetBounds(x, y, 75, 25);
    b->SetCaption(caption);
    b->OnClick = [this, b](TObject* sender) {
      EXPECT_EQ(sender, b);
      clicks.push_back(GetTickCount());
    };
    return b;
  }
  // A plain focusable control to move the focus to.
  TEdit* NewPlain(int x, int y) {
    auto* e = new TEdit(form);
    e->SetParent(form);
    e->SetBounds(x, y, 60, 25);
    return e;
  }
  std::vector<DWORD> clicks;
};

// Each state of the default look, driven by mouse, keys and code: the frame
// pixel and the fill pixel identify the look.
TEST_F(SkinButtonTest, DefaultLookShowsEachStateWithoutTimers) {
  TspSkinButton* b = NewButton(20, 20);
  TEdit* other = NewPlain(200, 20);
  Show();
  other->SetFocus();
  Idle();
  struct State {
    const char* name;
    std::function<void()> enter;
    TColor frame, fill;
  } states[] = {
      {"normal", [] {}, clBtnShadow, clBtnFace},
      {"hot", [&] { MoveTo(b, 30, 12); }, kNavy, kHotFill},
      {"pressed", [&] { Press(b, 30, 12); }, kNavy, kDownFill},
      {"released-hot", [&] { Release(b, 30, 12); }, kNavy, kHotFill},
      {"focused", [&] { MoveTo(form, 5, 200); }, kNavy, kHotFill},
      {"left-focus", [&] { other->SetFocus(); Idle(); }, clBtnShadow, clBtnFace},
      {"disabled", [&] { b->SetEnabled(false); Idle(); }, clBtnShadow, clBtnFace},
  };
  for (const State& st : states) {
    st.enter();
    Snapshot(b, std::string("button_default_") + st.name);
    EXPECT_EQ(Pixel(b, 0, 12), ColorToRGB(st.frame)) << st.name;
    EXPECT_EQ(Pixel(b, 3, 3), ColorToRGB(st.fill)) << st.name;
    EXPECT_FALSE(b->Morphing()) << st.name;
  }
  // The press on "pressed" clicked once on release; the caption is drawn.
  EXPECT_EQ(clicks.size(), 1u);
  b->SetEnabled(true);
  Idle();
  bool text = false;
  for (int x = 20; x < 55 && !text; ++x)
    for (int y = 6; y < 19 && !text; ++y) text = Pixel(b, x, y) != ColorToRGB(clBtnFace);
  EXPECT_TRUE(text);
}

// The same states from the fixture skin, each from its own rectangle.
TEST_F(SkinButtonTest, SkinnedLookDrawsEachStateFromItsRectangle) {
  LoadFixtureSkin();
  TspSkinButton* b = NewButton(20, 20);
  b->SetSkinData(skin);
  TEdit* other = NewPlain(200, 20);
  Show();
  other->SetFocus();
  Idle();
  EXPECT_EQ(b->ControlIndex, 0);
  struct State {
    const char* name;
    std::function<void()> enter;
    TColor fill;
  } states[] = {
      {"normal", [] {}, kNormal},
      {"hot", [&] { MoveTo(b, 30, 12); }, kActive},
      {"pressed", [&] { Press(b, 30, 12); }, kDown},
      {"focused", [&] { Release(b, 30, 12); MoveTo(form, 5, 200); }, kFocused},
      {"disabled", [&] { other->SetFocus(); b->SetEnabled(false); Idle(); }, kDisabled},
  };
  for (const State& st : states) {
    st.enter();
    Snapshot(b, std::string("button_skin_") + st.name);
    EXPECT_EQ(Pixel(b, 6, 6), ColorToRGB(st.fill)) << st.name;
    EXPECT_EQ(Pixel(b, 0, 0), ColorToRGB(kBorder)) << st.name;
    // The nine-part image keeps the 2-pixel frame at the far corner too.
    EXPECT_EQ(Pixel(b, b->Width() - 1, b->Height() - 1), ColorToRGB(kBorder)) << st.name;
  }
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(SkinButtonTest, DefaultButtonIsHighlightedAndEnterClicksTheFocusedSkinnedButton) {
  LoadFixtureSkin();
  TspSkinButton* ok = NewButton(20, 20, "OK");
  TspSkinButton* other = NewButton(120, 20, "Other");
  TEdit* plain = NewPlain(220, 20);
  for (TspSkinButton* b : {ok, other}) b->SetSkinData(skin);
  ok->SetDefault(true);
  Show();
  plain->SetFocus();
  Idle();
  EXPECT_TRUE(ok->ActiveDefault);
  EXPECT_TRUE(ok->PointerInside);
  Snapshot(ok, "button_skin_default");
  EXPECT_EQ(Pixel(ok, 6, 6), ColorToRGB(kActive));
  // Stays highlighted when the pointer passes over and leaves.
  MoveTo(ok, 10, 10);
  MoveTo(form, 5, 200);
  EXPECT_EQ(Pixel(ok, 6, 6), ColorToRGB(kActive));
  Key(VK_RETURN);
  ASSERT_EQ(clicks.size(), 1u);
  // Another skinned button takes the focus: it becomes the one Enter
  // clicks, and the default one loses its highlight.
  int otherClicks = 0;
  other->OnClick = [&](TObject*) { ++otherClicks; };
  other->SetFocus();
  Idle();
  EXPECT_FALSE(ok->ActiveDefault);
  EXPECT_FALSE(ok->PointerInside);
  EXPECT_EQ(Pixel(ok, 6, 6), ColorToRGB(kNormal));
  Key(VK_RETURN);
  EXPECT_EQ(otherClicks, 1);
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(SkinButtonTest, ReleaseOutsideGivesNoClickAndLeavesTheButtonUp) {
  TspSkinButton* b = NewButton(20, 20);
  Show();
  Press(b, 10, 10);
  EXPECT_TRUE(b->Down());
  MoveTo(form, 300, 150);
  EXPECT_FALSE(b->PointerInside);
  // Up again; highlighted only because the press gave it the focus.
  EXPECT_EQ(Pixel(b, 3, 3), ColorToRGB(kHotFill));
  Release(form, 300, 150);
  EXPECT_FALSE(b->Down());
  EXPECT_TRUE(clicks.empty());
  // A right press does nothing of the button's.
  const TPoint p = At(b, 10, 10);
  s.display.Click(p.X, p.Y, TMouseButton::mbRight);
  Idle();
  EXPECT_FALSE(b->Down());
  EXPECT_TRUE(clicks.empty());
}

TEST_F(SkinButtonTest, AutoRepeatClicksAfterTheDelayThenEveryIntervalAndOnceOnRelease) {
  TspSkinButton* b = NewButton(20, 20);
  b->RepeatMode = true;
  b->RepeatInterval = 100;
  Show();
  Press(b, 10, 10);
  const DWORD start = GetTickCount();
  EXPECT_TRUE(clicks.empty());
  Advance(499);
  EXPECT_TRUE(clicks.empty());
  Advance(1);
  Advance(100);
  Advance(100);
  ASSERT_EQ(clicks.size(), 3u);
  EXPECT_EQ(clicks[0] - start, 500u);
  EXPECT_EQ(clicks[1] - start, 600u);
  EXPECT_EQ(clicks[2] - start, 700u);
  // Leaving stops the repeat; coming back over it starts it again.
  MoveTo(form, 300, 150);
  EXPECT_FALSE(b->Repeating());
  Advance(1000);
  EXPECT_EQ(clicks.size(), 3u);
  MoveTo(b, 10, 10);
  EXPECT_TRUE(b->Repeating());
  Release(b, 10, 10);
  EXPECT_EQ(clicks.size(), 4u);
  EXPECT_FALSE(b->Repeating());
  Advance(1000);
  EXPECT_EQ(clicks.size(), 4u);
}

// A dialog's OK (Default) and Cancel (Cancel) buttons end ShowModal with
// their ModalResult, by mouse, Enter and Escape; Shift+Escape does nothing.
TEST_F(SkinButtonTest, ButtonsEndAModalFormWithTheirModalResult) {
  LoadFixtureSkin();
  TForm* main = form;
  main->Show();
  Idle();
  auto make = [&](TForm* dialog, int x, const std::string& caption, TModalResult result) {
    auto* b = new TspSkinButton(dialog);
    b->SetParent(dialog);
    b->SetBounds(x, 20, 75, 25);
    b->SetCaption(caption);
    b->SetSkinData(skin);
    b->ModalResult = result;
    return b;
  };
  struct Case {
    const char* how;
    TModalResult expected;
  } cases[] = {{"click-ok", mrOk}, {"enter", mrOk}, {"escape", mrCancel}, {"click-cancel", mrCancel},
               {"shift-escape", mrNone}};
  for (const Case& c : cases) {
    TForm* dialog = NewForm(150, 150, 260, 120);
    TspSkinButton* ok = make(dialog, 20, "OK", mrOk);
    TspSkinButton* cancel = make(dialog, 120, "Cancel", mrCancel);
    ok->SetDefault(true);
    cancel->Cancel = true;
    int okClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    const std::string how = c.how;
    After(50, [&, how] {
      if (how == "click-ok" || how == "click-cancel") {
        const TPoint p = (how == "click-ok" ? ok : cancel)->ClientToScreen(TPoint{10, 10});
        s.display.MouseMove(p.X, p.Y);
        s.display.Click(p.X, p.Y);
      } else if (how == "enter") {
        s.display.KeyPress(VK_RETURN);
      } else if (how == "escape") {
        s.display.KeyPress(VK_ESCAPE);
      } else {
        s.display.KeyDown(VK_SHIFT);
        s.display.KeyPress(VK_ESCAPE);
        s.display.KeyUp(VK_SHIFT);
      }
    });
    if (c.expected == mrNone) After(500, [&] { dialog->SetModalResult(mrAbort); });
    const TModalResult result = dialog->ShowModal();
    EXPECT_EQ(result, c.expected == mrNone ? mrAbort : c.expected) << c.how;
    EXPECT_EQ(okClicks, c.expected == mrOk ? 1 : 0) << c.how;
    delete dialog;
  }
}

TEST_F(SkinButtonTest, MorphFadesInFiveStepsOfTwentyMillisecondsAndBack) {
  LoadFixtureSkin(true);
  TspSkinButton* b = NewButton(20, 20);
  b->SetSkinData(skin);
  b->SetTabStop(false);  // a shown form focuses its first tab stop; the morph runs between unfocused looks
  Show();
  MoveTo(b, 10, 10);
  EXPECT_TRUE(b->Morphing());
  std::vector<TColor> seen;
  for (int tick = 0; tick < 6; ++tick) {
    Advance(20);
    seen.push_back(Pixel(b, 6, 6));
  }
  EXPECT_DOUBLE_EQ(b->MorphRatio, 1.0);
  EXPECT_FALSE(b->Morphing());
  // Steps 1-4 lie strictly between the normal and the active red channel,
  // rising; the fifth and the settling tick show the active look.
  const int from = GetRValue(ColorToRGB(kNormal)), to = GetRValue(ColorToRGB(kActive));
  int last = from;
  for (int i = 0; i < 4; ++i) {
    const int r = GetRValue(seen[std::size_t(i)]);
    EXPECT_GT(r, last) << i;
    EXPECT_LT(r, to) << i;
    last = r;
  }
  EXPECT_EQ(seen[4], ColorToRGB(kActive));
  EXPECT_EQ(seen[5], ColorToRGB(kActive));
  MoveTo(form, 300, 150);
  Advance(120);
  EXPECT_DOUBLE_EQ(b->MorphRatio, 0.0);
  EXPECT_EQ(Pixel(b, 6, 6), ColorToRGB(kNormal));
  EXPECT_FALSE(b->Morphing());
}

TEST_F(SkinButtonTest, GroupedButtonsKeepOneDown) {
  TspSkinButton* a = NewButton(20, 20, "A");
  TspSkinButton* b = NewButton(120, 20, "B");
  for (TspSkinButton* x : {a, b}) x->SetGroupIndex(1);
  EXPECT_FALSE(a->CanFocused());
  EXPECT_FALSE(a->TabStop());
  Show();
  Press(a, 10, 10);
  EXPECT_EQ(clicks.size(), 1u);  // a grouped button clicks on the press
  Release(a, 10, 10);
  EXPECT_TRUE(a->Down());
  Press(b, 10, 10);
  Release(b, 10, 10);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(Pixel(b, 3, 3), ColorToRGB(kDownFill));
  EXPECT_EQ(clicks.size(), 2u);
  // With AllowAllUp a second press on the down button releases it and
  // clicks on the release.
  b->AllowAllUp = true;
  Press(b, 10, 10);
  EXPECT_EQ(clicks.size(), 2u);
  Release(b, 10, 10);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(clicks.size(), 3u);
}

TEST_F(SkinButtonTest, SpaceClicksOnReleaseAndTheSkinKeyIsLookedUpAtEachPaint) {
  LoadFixtureSkin();
  TspSkinButton* b = NewButton(20, 20);
  b->SetSkinData(skin);
  Show();
  b->SetFocus();
  Idle();
  s.display.KeyDown(VK_SPACE);
  Idle();
  EXPECT_TRUE(b->Down());
  EXPECT_TRUE(clicks.empty());
  s.display.KeyUp(VK_SPACE);
  Idle();
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_FALSE(b->Down());
  // A key the skin does not hold gives the default look at the next paint.
  b->SetSkinDataName("nosuchkey");
  b->Repaint();
  Idle();
  EXPECT_EQ(b->ControlIndex, -1);
  EXPECT_EQ(Pixel(b, 0, 12), ColorToRGB(kNavy));  // focused default look
  // A freed skin data is forgotten.
  b->SetSkinDataName("button");
  delete skin;
  skin = nullptr;
  EXPECT_EQ(b->SkinData(), nullptr);
  b->Repaint();
  Idle();
  EXPECT_EQ(b->ControlIndex, -1);
}

}  // namespace

#include "themed/buttons/KZUButton.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/themed/support/ThemedTestFixture.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/rtl/Exceptions.h"

namespace {

using S = TkzuUIStyle;

// Records the events of controls in the order they come.
struct EventLog {
  std::vector<std::string> Events;
  void Watch(TkzuCustomButton* c, const std::string& name) {
    c->OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int, int) { Events.push_back(name + ".down"); };
    c->OnMouseUp = [this, name](TObject*, TMouseButton, TShiftState, int, int) { Events.push_back(name + ".up"); };
    c->OnClick = [this, name, c](TObject*) {
      auto* ex = dynamic_cast<TkzuCustomButtonEx*>(c);
      Events.push_back(name + ".click" + (ex ? (ex->Checked() ? "+" : "-") : ""));
    };
    c->OnMouseEnter = [this, name](TObject*) { Events.push_back(name + ".enter"); };
    c->OnMouseExit = [this, name](TObject*) { Events.push_back(name + ".exit"); };
    c->OnEnter = [this, name](TObject*) { Events.push_back(name + ".focus"); };
  }
  int Count(const std::string& e) const { return int(std::count(Events.begin(), Events.end(), e)); }
};

class KZUButtonTest : public ThemedTest {};

TEST_F(KZUButtonTest, NewCheckBoxAndRadioButtonDefaults) {
  auto* box = new TkzuCheckBox(form);
  EXPECT_EQ(box->Caption(), "kzuCheckBox");
  EXPECT_EQ(box->Width(), 93);
  EXPECT_EQ(box->Height(), 17);
  EXPECT_TRUE(box->TabStop());
  EXPECT_FALSE(box->Checked());
  EXPECT_FALSE(box->Transparent());
  EXPECT_FALSE(box->PictureTransparent);
  EXPECT_EQ(box->UIStyle(), S::DeepBlue);
  EXPECT_EQ(box->PicNormalResName(), "DEEPBLUE_CHECKBOX_UNCHECK");

  auto* radio = new TkzuRadioButton(form);
  EXPECT_EQ(radio->Caption(), "kzuRadioButton");
  EXPECT_EQ(radio->Height(), 17);
  EXPECT_TRUE(radio->PictureTransparent);
  EXPECT_EQ(radio->GroupIndex, 0);
  EXPECT_EQ(radio->PicNormalResName(), "DEEPBLUE_RADIOBUTTON_UNCHECK");
}

TEST_F(KZUButtonTest, LookDecidesTransparency) {
  const std::pair<S, bool> cases[] = {{S::MacOS, true},   {S::Protein, true},   {S::WinXP, false},
                                      {S::DeepBlue, false}, {S::BlueGlass, false}};
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  for (auto [style, transparent] : cases) {
    box->SetUIStyle(style);
    EXPECT_EQ(box->Transparent(), transparent) << int(style);
    EXPECT_FALSE(box->PictureTransparent);  // check-box pictures are drawn as they are
  }
  box->SetUIStyle(S::Custom);  // keeps what it had
  EXPECT_FALSE(box->Transparent());
}

TEST_F(KZUButtonTest, AutoSizeFollowsPictureFontAndCaption) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10, S::WinXP);
  box->Font()->SetHeight(-13);
  box->SetCaption("Keep ratio");
  box->SetAutoSize(true);
  TBitmap scratch(1, 1);
  scratch.Canvas()->Font()->Assign(box->Font());
  const int text = scratch.Canvas()->TextWidth("Keep ratio");
  EXPECT_EQ(box->Height(), 19);
  EXPECT_EQ(box->Width(), 21 + text);

  box->SetCaption("Keep the ratio of the sides");
  EXPECT_EQ(box->Width(), 21 + scratch.Canvas()->TextWidth("Keep the ratio of the sides"));
  box->Font()->SetHeight(-20);
  EXPECT_EQ(box->Height(), 26);
  box->SetBounds(10, 10, 300, 60);  // a resize snaps back while AutoSize is on
  EXPECT_EQ(box->Height(), 26);
  EXPECT_LT(box->Width(), 300);

  // MacOS pictures are taller than the font: the picture sets the height.
  box->Font()->SetHeight(-11);
  box->SetUIStyle(S::MacOS);
  EXPECT_EQ(box->Height(), 17 + 4);
}

TEST_F(KZUButtonTest, MouseClickTogglesWithEventsInOrder) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  EventLog log;
  log.Watch(box, "box");
  ClickOn(box);
  EXPECT_TRUE(box->Checked());
  const std::vector<std::string> want = {"box.enter", "box.down", "box.focus", "box.click+", "box.up"};
  EXPECT_EQ(log.Events, want);
  EXPECT_TRUE(box->Focused());
  ClickOn(box);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(log.Count("box.click-"), 1);
  MoveAway();
  EXPECT_EQ(log.Events.back(), "box.exit");
}

TEST_F(KZUButtonTest, ReleaseOutsideOrDoubleClickCountsPresses) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  EventLog log;
  log.Watch(box, "box");
  Press(box);
  EXPECT_TRUE(box->MouseIsDown());
  TPoint away = Screen(box, 200, 8);
  s.display.MouseMove(away.X, away.Y);
  s.display.MouseUp(away.X, away.Y);
  s.display.RunUntilIdle();
  EXPECT_FALSE(box->Checked());
  EXPECT_FALSE(box->MouseIsDown());
  EXPECT_EQ(log.Count("box.click+"), 0);

  // A quick second click is two clicks: the control takes no double clicks.
  s.display.AdvanceTime(1000);
  TPoint p = Screen(box, 4, 8);
  s.display.Click(p.X, p.Y);
  s.display.Click(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(log.Count("box.click+"), 1);
  EXPECT_EQ(log.Count("box.click-"), 1);
}

TEST_F(KZUButtonTest, SpaceAndEnterToggleOnceOnRelease) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  box->SetFocus();
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  for (int vk : {VK_SPACE, VK_RETURN}) {
    const bool before = box->Checked();
    s.display.KeyDown(vk);
    s.display.RunUntilIdle();
    EXPECT_TRUE(box->MouseIsDown());
    EXPECT_EQ(box->Checked(), before);  // nothing until the release
    s.display.KeyUp(vk);
    s.display.RunUntilIdle();
    EXPECT_NE(box->Checked(), before) << vk;
    EXPECT_FALSE(box->MouseIsDown());
  }
  EXPECT_EQ(clicks, 2);
  // A release without a press on the control does nothing.
  s.display.KeyUp(VK_SPACE);
  s.display.RunUntilIdle();
  EXPECT_EQ(clicks, 2);
  // Nor does space on a disabled control.
  box->SetEnabled(false);
  Key(VK_SPACE);
  EXPECT_EQ(clicks, 2);
}

TEST_F(KZUButtonTest, AcceleratorClicksVisibleEnabledControlsOnly) {
  auto* shown = Make<TkzuCheckBox>(form, 10, 10);
  shown->SetCaption("&Keep");
  auto* page = new TPanel(form);
  page->SetBounds(200, 10, 150, 80);
  page->SetParent(form);
  auto* hidden = Make<TkzuCheckBox>(page, 5, 5);
  hidden->SetCaption("&Hide");
  page->SetVisible(false);
  auto* disabled = Make<TkzuCheckBox>(form, 10, 40);
  disabled->SetCaption("&Off");
  disabled->SetEnabled(false);

  AltKey('K');
  EXPECT_TRUE(shown->Checked());
  EXPECT_TRUE(shown->Focused());
  AltKey('H');
  EXPECT_FALSE(hidden->Checked());
  AltKey('O');
  EXPECT_FALSE(disabled->Checked());
}

TEST_F(KZUButtonTest, RadioGroupsByParentAndGroupIndex) {
  auto* a = Make<TkzuRadioButton>(form, 10, 10);
  auto* b = Make<TkzuRadioButton>(form, 10, 30);
  auto* other = Make<TkzuRadioButton>(form, 10, 50);
  other->GroupIndex = 1;
  auto* panel = new TPanel(form);
  panel->SetBounds(200, 10, 150, 80);
  panel->SetParent(form);
  auto* inPanel = Make<TkzuRadioButton>(panel, 5, 5);

  inPanel->SetChecked(true);
  other->SetChecked(true);
  ClickOn(a);
  EXPECT_TRUE(a->Checked());
  ClickOn(b);
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(other->Checked());    // another group index
  EXPECT_TRUE(inPanel->Checked());  // another parent, same group index

  // Clicking a checked radio button keeps it checked and still fires OnClick.
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  ClickOn(b);
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(clicks, 1);

  // Unchecked by code: the group is left without a checked member.
  b->SetChecked(false);
  EXPECT_FALSE(a->Checked());
  EXPECT_FALSE(b->Checked());
}

TEST_F(KZUButtonTest, ArrowsMoveTheFocusBetweenRadioButtons) {
  auto* a = Make<TkzuRadioButton>(form, 10, 10);
  auto* b = Make<TkzuRadioButton>(form, 10, 30);
  auto* c = Make<TkzuRadioButton>(form, 10, 50);
  a->SetFocus();
  Key(VK_DOWN);
  EXPECT_TRUE(b->Focused());
  Key(VK_DOWN);
  EXPECT_TRUE(c->Focused());
  Key(VK_UP);
  EXPECT_TRUE(b->Focused());
  // Focus alone checks nothing; Space checks the focused one.
  EXPECT_FALSE(a->Checked() || b->Checked() || c->Checked());
  Key(VK_SPACE);
  EXPECT_TRUE(b->Checked());
}

struct StateCase {
  bool Checked;
  bool Enabled;
  const char* Normal;
  const char* MouseOn;
  const char* MouseDown;
};

TEST_F(KZUButtonTest, PictureNamesFollowCheckedAndEnabled) {
  const StateCase boxCases[] = {
      {false, true, "WINXP_CHECKBOX_NORMAL_UNCHECK", "WINXP_CHECKBOX_MOUSEON_UNCHECK",
       "WINXP_CHECKBOX_MOUSEDOWN_UNCHECK"},
      {true, true, "WINXP_CHECKBOX_NORMAL_CHECK", "WINXP_CHECKBOX_MOUSEON_CHECK", "WINXP_CHECKBOX_MOUSEDOWN_CHECK"},
      {true, false, "WINXP_CHECKBOX_DISABLE_CHECK", "WINXP_CHECKBOX_MOUSEON_CHECK", "WINXP_CHECKBOX_MOUSEDOWN_CHECK"},
      {false, false, "WINXP_CHECKBOX_DISABLE_UNCHECK", "WINXP_CHECKBOX_MOUSEON_UNCHECK",
       "WINXP_CHECKBOX_MOUSEDOWN_UNCHECK"},
  };
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  auto* radio = Make<TkzuRadioButton>(form, 10, 40, S::Protein);
  for (const StateCase& c : boxCases) {
    box->SetEnabled(c.Enabled);
    box->SetChecked(c.Checked);
    EXPECT_EQ(box->PicNormalResName(), c.Normal);
    EXPECT_EQ(box->PicMouseOnResName(), c.MouseOn);
    EXPECT_EQ(box->PicMouseDownResName(), c.MouseDown);
    std::string r = c.Normal;
    radio->SetEnabled(c.Enabled);
    radio->SetChecked(c.Checked);
    EXPECT_EQ(radio->PicNormalResName(),
              std::string("PROTEIN_RADIOBUTTON_") + (c.Enabled ? "" : "DISABLE_") + (c.Checked ? "CHECK" : "UNCHECK"));
  }
}

// The picture a control shows, read back from the screen at the picture's
// place, against the theme picture itself.
bool ShowsPicture(ThemedTest& t, TkzuCheckBox* box, const std::string& name) {
  TBitmap pic;
  LoadThemeBitmap(name, pic);
  const int y0 = (box->ClientHeight() - pic.Height()) / 2;
  for (int y = 0; y < pic.Height(); ++y)
    for (int x = 0; x < pic.Width(); ++x) {
      const COLORREF want = COLORREF(pic.Canvas()->Pixels(x, y));
      if (x > 0 && want == COLORREF(pic.Canvas()->Pixels(0, 0)) && box->PictureTransparent) continue;
      if (t.At(box, 1 + x, y0 + y) != want) return false;
    }
  return true;
}

TEST_F(KZUButtonTest, PaintShowsTheStatesPicture) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  box->SetChecked(true);
  s.display.RunUntilIdle();
  EXPECT_TRUE(ShowsPicture(*this, box, "WINXP_CHECKBOX_NORMAL_CHECK"));
  MoveOver(box);
  EXPECT_TRUE(ShowsPicture(*this, box, "WINXP_CHECKBOX_MOUSEON_CHECK"));
  Press(box);
  EXPECT_TRUE(ShowsPicture(*this, box, "WINXP_CHECKBOX_MOUSEDOWN_CHECK"));
  Release(box);
  MoveAway();
  EXPECT_TRUE(ShowsPicture(*this, box, "WINXP_CHECKBOX_NORMAL_UNCHECK"));

  // Disabled and checked: the disabled picture and grey text.
  box->SetChecked(true);
  box->SetEnabled(false);
  s.display.RunUntilIdle();
  EXPECT_TRUE(ShowsPicture(*this, box, "WINXP_CHECKBOX_DISABLE_CHECK"));
  bool grey = false, black = false;
  for (int y = 0; y < box->Height(); ++y)
    for (int x = 20; x < box->Width(); ++x) {
      grey |= At(box, x, y) == 0x808080;
      black |= At(box, x, y) == 0x000000;
    }
  EXPECT_TRUE(grey);
  EXPECT_FALSE(black);
  box->SetEnabled(true);
  s.display.RunUntilIdle();
  EXPECT_TRUE(ShowsPicture(*this, box, "WINXP_CHECKBOX_NORMAL_CHECK"));
}

TEST_F(KZUButtonTest, TransparentControlShowsItsParent) {
  auto* panel = new TPanel(form);
  panel->SetBounds(10, 10, 300, 100);
  panel->SetColor(TColor(0x2040C0));
  panel->SetParent(form);
  auto* radio = Make<TkzuRadioButton>(panel, 10, 10, S::MacOS);  // MacOS: transparent
  radio->SetColor(TColor(0x00FF00));
  ASSERT_TRUE(radio->Transparent());
  s.display.RunUntilIdle();
  EXPECT_EQ(At(radio, radio->Width() - 2, 1), 0x2040C0);
  // The radio picture's corner is keyed out to the parent as well.
  EXPECT_EQ(At(radio, 1, (radio->Height() - 17) / 2), 0x2040C0);
  radio->SetTransparent(false);
  s.display.RunUntilIdle();
  EXPECT_EQ(At(radio, radio->Width() - 2, 1), 0x00FF00);
}

TEST_F(KZUButtonTest, MissingPicturesPaintWithoutFailing) {
  auto* custom = Make<TkzuCheckBox>(form, 10, 10, S::Custom);
  EXPECT_EQ(custom->PicNormalResName(), "");
  auto* foreign = Make<TkzuCheckBox>(form, 10, 40, S::WinXP);
  foreign->SetResHandle(reinterpret_cast<TkzuResHandle>(1));  // another module: nothing loads
  foreign->SetAutoSize(false);
  EXPECT_NO_THROW(s.display.RunUntilIdle());
  EXPECT_NO_THROW(ClickOn(custom));
  EXPECT_TRUE(custom->Checked());
  // The Custom look lays the caption out from x = 4.
  bool textAt4 = false;
  for (int y = 0; y < custom->Height(); ++y) textAt4 |= At(custom, 5, y) == 0x000000 || At(custom, 4, y) == 0x000000;
  EXPECT_TRUE(textAt4);
}

TEST_F(KZUButtonTest, FocusMarkGoesRoundTheCaption) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  box->SetCaption("Focus");
  box->SetAutoSize(true);
  s.display.RunUntilIdle();
  const std::vector<COLORREF> before = Pixels(box);
  box->SetFocus();
  const std::vector<COLORREF> after = Pixels(box);
  int changed = 0, inPicture = 0;
  for (int i = 0; i < int(before.size()); ++i)
    if (before[i] != after[i]) {
      ++changed;
      inPicture += i % box->Width() < 15;
    }
  EXPECT_GT(changed, 20);
  EXPECT_EQ(inPicture, 0);
}

// The focus mark keeps a clear pixel between itself and the caption's ink
// on every side, with the small Chinese caption of the colour step's box.
TEST_F(KZUButtonTest, FocusMarkKeepsClearOfTheCaption) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10);
  box->SetCaption("皮肤增强补光");
  box->SetParentFont(false);
  box->Font()->SetName("宋体");
  box->Font()->SetHeight(-12);
  box->Font()->SetCharset(GB2312_CHARSET);
  box->SetBounds(10, 10, 100, 17);
  s.display.RunUntilIdle();
  const std::vector<COLORREF> before = Pixels(box);
  box->SetFocus();
  const std::vector<COLORREF> after = Pixels(box);
  struct TBox {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    void Add(int x, int y) {
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  } mark, ink;
  const int w = box->Width();
  for (int i = 0; i < int(before.size()); ++i) {
    const int x = i % w, y = i / w;
    if (x < 14) continue;  // the box picture
    if (before[i] != after[i]) mark.Add(x, y);
    if (before[i] == 0x000000) ink.Add(x, y);
  }
  ASSERT_GE(mark.right, 0);
  ASSERT_GE(ink.right, 0);
  EXPECT_GE(ink.top - mark.top, 2) << "top";
  EXPECT_GE(mark.bottom - ink.bottom, 2) << "bottom";
  EXPECT_GE(ink.left - mark.left, 2) << "left";
  EXPECT_GE(mark.right - ink.right, 2) << "right";
  EXPECT_LT(mark.bottom, box->Height());
}

TEST_F(KZUButtonTest, HeldButtonRepeatsOnTheClock) {
  auto* button = Make<TkzuButton>(form, 10, 10, S::DeepBlue);
  int ticks = 0;
  button->OnMouseContinuouslyDown = [&](TObject*) { ++ticks; };
  button->MouseContinuouslyDownInterval = 50;
  Press(button, 10, 10);
  s.display.AdvanceTime(260);
  s.display.RunUntilIdle();
  EXPECT_EQ(ticks, 5);
  Release(button, 10, 10);
  s.display.AdvanceTime(500);
  s.display.RunUntilIdle();
  EXPECT_EQ(ticks, 5);
}

TEST_F(KZUButtonTest, PushButtonNamesAndLook) {
  auto* button = Make<TkzuButton>(form, 10, 10, S::DeepBlue);
  EXPECT_EQ(button->Width(), 80);
  EXPECT_EQ(button->Height(), 27);
  EXPECT_EQ(button->PicNormalResName(), "");  // themed: the names read empty
  EXPECT_FALSE(button->Transparent());

  button->SetUIStyle(S::MacOS);
  EXPECT_EQ(button->Height(), 23);
  button->SetBounds(10, 10, 120, 40);
  EXPECT_EQ(button->Height(), 23);
  EXPECT_EQ(button->Width(), 120);

  button->SetUIStyle(S::BlueGlass);
  EXPECT_TRUE(button->Transparent());
  EXPECT_TRUE(button->PictureTransparent);

  button->SetPicNormalResName("WINXP_BUTTON_NORMAL");
  EXPECT_EQ(button->UIStyle(), S::Custom);
  EXPECT_EQ(button->PicNormalResName(), "WINXP_BUTTON_NORMAL");
  EXPECT_TRUE(button->AutoSize());
  EXPECT_EQ(button->Width(), 18);  // sized to its own picture
  EXPECT_EQ(button->Height(), 21);
}

TEST_F(KZUButtonTest, PushButtonStretchesItsPictureByNineParts) {
  auto* button = Make<TkzuButton>(form, 10, 10, S::WinXP);
  button->SetBounds(10, 10, 120, 40);
  button->SetCaption("");
  s.display.RunUntilIdle();
  // Corners unscaled, the middle from the picture's middle band.
  EXPECT_EQ(At(button, 0, 0), ThemePixel("WINXP_BUTTON_NORMAL", 0, 0));
  EXPECT_EQ(At(button, 119, 39), ThemePixel("WINXP_BUTTON_NORMAL", 17, 20));
  EXPECT_EQ(At(button, 1, 20), ThemePixel("WINXP_BUTTON_NORMAL", 1, 10));
  EXPECT_EQ(At(button, 60, 20), ThemePixel("WINXP_BUTTON_NORMAL", 9, 10));
  MoveOver(button, 60, 20);
  EXPECT_EQ(At(button, 2, 20), ThemePixel("WINXP_BUTTON_MOUSEON", 2, 10));
}

TEST_F(KZUButtonTest, DefaultAndCancelAnswerEnterAndEscape) {
  auto* ok = Make<TkzuButton>(form, 10, 10);
  ok->SetDefault(true);
  ok->ModalResult = mrOk;
  auto* cancel = Make<TkzuButton>(form, 100, 10);
  cancel->SetCancel(true);
  cancel->ModalResult = mrCancel;
  auto* box = Make<TkzuCheckBox>(form, 10, 60);
  int okClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](TObject*) { ++okClicks; };
  cancel->OnClick = [&](TObject*) { ++cancelClicks; };
  box->SetFocus();
  Key(VK_ESCAPE);
  EXPECT_EQ(cancelClicks, 1);
  EXPECT_EQ(form->ModalResult(), mrCancel);
  Key(VK_RETURN);
  EXPECT_EQ(okClicks, 1);
  EXPECT_EQ(form->ModalResult(), mrOk);
  EXPECT_FALSE(box->Checked());  // Enter went to the default button
  // A check box's click leaves the form's result at none.
  ClickOn(box);
  EXPECT_EQ(form->ModalResult(), mrNone);
}

TEST_F(KZUButtonTest, TwoImageGlyphShowsItsRightHalfWhenDisabled) {
  auto* button = Make<TkzuButton>(form, 10, 10, S::DeepBlue);
  button->SetCaption("");
  TBitmap glyph(16, 8, pf24bit);
  glyph.Canvas()->Brush()->SetColor(TColor(0xFF00FF));
  glyph.Canvas()->FillRect(TRect{0, 0, 16, 8});
  glyph.Canvas()->Brush()->SetColor(TColor(0x0000FF));
  glyph.Canvas()->FillRect(TRect{1, 1, 7, 7});
  glyph.Canvas()->Brush()->SetColor(TColor(0x00FF00));
  glyph.Canvas()->FillRect(TRect{9, 1, 15, 7});
  button->SetGlyph(&glyph);
  s.display.RunUntilIdle();
  const int gx = (80 - 8 - 0 - 4) / 2, gy = (27 - 8) / 2;
  EXPECT_EQ(At(button, gx + 4, gy + 4), 0x0000FF);
  button->SetEnabled(false);
  s.display.RunUntilIdle();
  EXPECT_EQ(At(button, gx + 4, gy + 4), 0x00FF00);
}

// Where the glyph lands against the caption, for each layout.
TEST_F(KZUButtonTest, GlyphLayoutsPlaceTheGlyphBesideTheCaption) {
  auto* button = Make<TkzuButton>(form, 10, 10, S::DeepBlue);
  button->SetBounds(10, 10, 120, 60);
  button->SetCaption("Go");
  TBitmap glyph(8, 8, pf24bit);
  glyph.Canvas()->Brush()->SetColor(TColor(0xFF00FF));
  glyph.Canvas()->FillRect(TRect{0, 0, 8, 8});
  glyph.Canvas()->Brush()->SetColor(TColor(0x0000FF));
  glyph.Canvas()->FillRect(TRect{1, 1, 7, 7});
  button->SetGlyph(&glyph);
  struct Case {
    TkzuButtonLayout Layout;
    int Dx, Dy;  // sign of glyph minus caption on each axis (0: centred alike)
  };
  const Case cases[] = {{blGlyphLeft, -1, 0}, {blGlyphRight, 1, 0}, {blGlyphTop, 0, -1}, {blGlyphBottom, 0, 1}};
  for (const Case& c : cases) {
    button->SetLayout(c.Layout);
    s.display.RunUntilIdle();
    // The glyph's red square, found on screen.
    int gx = -1, gy = -1;
    for (int y = 0; y < button->Height() && gx < 0; ++y)
      for (int x = 0; x < button->Width(); ++x)
        if (At(button, x, y) == 0x0000FF) {
          gx = x;
          gy = y;
          break;
        }
    ASSERT_GE(gx, 0) << c.Layout;
    const TPoint cap = button->CaptionPos();
    if (c.Dx < 0) EXPECT_LT(gx + 7, cap.X) << c.Layout;
    if (c.Dx > 0) EXPECT_GT(gx, cap.X) << c.Layout;
    if (c.Dy < 0) EXPECT_LT(gy + 7, cap.Y) << c.Layout;
    if (c.Dy > 0) EXPECT_GT(gy, cap.Y) << c.Layout;
    // The caption is drawn where the layout put it.
    bool text = false;
    for (int y = cap.Y; y < cap.Y + 14 && y < button->Height(); ++y)
      for (int x = cap.X; x < cap.X + 14 && x < button->Width(); ++x) text |= At(button, x, y) == 0x000000;
    EXPECT_TRUE(text) << c.Layout;
  }
}

TEST_F(KZUButtonTest, ImageButtonFallsBackToItsNormalPicture) {
  auto* button = new TkzuImageButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 30, 20);
  TPicture normal, hot;
  normal.Bitmap()->SetSize(30, 20);
  normal.Bitmap()->Canvas()->Brush()->SetColor(TColor(0x0000FF));
  normal.Bitmap()->Canvas()->FillRect(TRect{0, 0, 30, 20});
  hot.Bitmap()->SetSize(30, 20);
  hot.Bitmap()->Canvas()->Brush()->SetColor(TColor(0x00FF00));
  hot.Bitmap()->Canvas()->FillRect(TRect{0, 0, 30, 20});
  button->SetPicNormal(&normal);
  button->SetPicMouseOn(&hot);
  s.display.RunUntilIdle();
  EXPECT_EQ(At(button, 15, 10), 0x0000FF);
  MoveOver(button, 15, 10);
  EXPECT_EQ(At(button, 15, 10), 0x00FF00);
  Press(button, 15, 10);
  EXPECT_EQ(At(button, 15, 10), 0x0000FF);  // no PicMouseDown: the normal one
  Release(button, 15, 10);
}

}  // namespace

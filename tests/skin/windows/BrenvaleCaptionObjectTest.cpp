// The caption object: the strip built for the window width, the text placed
// by alignment and shortened with "...", light and shadow copies, the glow
// effects by activity, the MDI child's caption, the activation animation
// and the frame main-menu items' fitting. Snapshots of the wizard's caption
// with each text effect go to $LUMIQA_SNAPSHOT_DIR.
#include "platform/ui/menus/Menus.h"
#include "tests/skin/windows/BrenvaleObjectsTestSupport.h"

using namespace skinobj;

namespace {

constexpr TColor kWhite = 0x00FFFFFF, kGrey = 0x00808080;

class BrenvaleCaptionTest : public BrenvaleObjectsTest {
 protected:
  std::unique_ptr<TspSkinCaptionObject> caption;

  void SetUpCaption(int width = 300) {
    LoadFixtureSkin();
    Show();
    ASSERT_TRUE(controller->IsFormActive());
    caption = Make<TspSkinCaptionObject>("caption");
    caption->ObjectRect = TRect{0, 0, width, 24};
  }
  // The caption drawn alone; the bounding box of its text of colour ink.
  TRect DrawCaption(TBitmap& b, TColor ink = kWhite) {
    DrawInto(*caption, b, caption->ObjectRect.Right, 24);
    return Ink(b, ink, TRect{0, 0, caption->ObjectRect.Right, 24});
  }
};

TEST_F(BrenvaleCaptionTest, StripStretchesKeepingItsEndsAndTextRectangleGrowsWithIt) {
  SetUpCaption(300);
  EXPECT_EQ(caption->Place(), 1);
  const TRect tr = caption->CurrentTextRect();
  EXPECT_EQ(tr, (TRect{4, 2, 300 + 150 - 180, 22}));
  // Active: the strip from the active image, its ends kept (30 and 10 columns
  // by the corner points), the middle stretched.
  TBitmap b;
  DrawCaption(b);
  EXPECT_EQ(Px(b, 0, 0), kAnim[0]);
  EXPECT_EQ(Px(b, 29, 23), kAnim[0]);
  EXPECT_EQ(Px(b, 299, 23), kAnim[2]);
  EXPECT_EQ(Px(b, 290, 0), kAnim[2]);
  caption->ObjectRect = TRect{0, 0, 180, 24};
  EXPECT_EQ(caption->Place(), 0);
}

TEST_F(BrenvaleCaptionTest, TextIsPlacedByAlignment) {
  SetUpCaption(300);
  const TRect tr = caption->CurrentTextRect();
  struct Case {
    Byte alignment;
    const char* name;
  } cases[] = {{0, "left"}, {1, "right"}, {2, "centre"}};
  int centre300 = 0;
  for (const Case& c : cases) {
    caption->Alignment = c.alignment;
    TBitmap b;
    const TRect ink = DrawCaption(b);
    ASSERT_GT(ink.Width(), 0) << c.name;
    EXPECT_GE(ink.Left, tr.Left) << c.name;
    EXPECT_LE(ink.Right, tr.Right) << c.name;
    // Vertically centred in the text rectangle.
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2, (tr.Top + tr.Bottom) / 2, 3) << c.name;
    switch (c.alignment) {
      case 0:
        EXPECT_LE(ink.Left - tr.Left, 2);
        break;
      case 1:
        EXPECT_LE(tr.Right - ink.Right, 2);
        break;
      case 2:
        EXPECT_NEAR((ink.Left + ink.Right) / 2, (tr.Left + tr.Right) / 2, 2);
        centre300 = (ink.Left + ink.Right) / 2;
        break;
    }
  }
  // The text rectangle widens with the window; a centred text follows.
  caption->ObjectRect = TRect{0, 0, 400, 24};
  TBitmap b;
  const TRect ink = DrawCaption(b);
  EXPECT_NEAR((ink.Left + ink.Right) / 2, centre300 + 50, 1);
}

TEST_F(BrenvaleCaptionTest, LongCaptionEndsInDotsAndFits) {
  SetUpCaption(200);
  form->SetCaption("A caption far too long for the narrow window it belongs to & more");
  const TRect tr = caption->CurrentTextRect();
  TBitmap b;
  const TRect ink = DrawCaption(b);
  ASSERT_GT(ink.Width(), 0);
  EXPECT_LE(ink.Right, tr.Right);
  TBitmap m(1, 1, pf24bit);
  m.Canvas()->Font()->SetName("Arial");
  m.Canvas()->Font()->SetHeight(14);
  const int dots = m.Canvas()->TextWidth("...");
  const int letter = m.Canvas()->TextWidth("W");
  EXPECT_GE(ink.Right, tr.Right - dots - letter);  // shortened only as far as needed
  // It ends in three separate marks, the dots.
  int marks = 0;
  bool inMark = false;
  for (int x = ink.Right - dots + 1; x < ink.Right; ++x) {
    bool any = false;
    for (int y = ink.Top; y < ink.Bottom; ++y) any |= Px(b, x, y) == kWhite;
    if (any && !inMark) ++marks;
    inMark = any;
  }
  EXPECT_EQ(marks, 3);
  // A Chinese title shortens by whole characters.
  form->SetCaption("人像照片精修向导，五个简单步骤完成您的作品");
  const TRect cjk = DrawCaption(b);
  EXPECT_GT(cjk.Width(), 0);
  EXPECT_LE(cjk.Right, tr.Right);
  Snapshot(b, "caption_cjk_ellipsis");
}

TEST_F(BrenvaleCaptionTest, AmpersandIsShownNotTakenAsAnAccelerator) {
  SetUpCaption(300);
  form->SetCaption("A&B");
  TBitmap withAmp;
  const TRect a = DrawCaption(withAmp);
  form->SetCaption("AB");
  TBitmap without;
  const TRect b = DrawCaption(without);
  EXPECT_GT(a.Width(), b.Width() + 3);
}

TEST_F(BrenvaleCaptionTest, LightUpLeftAndShadowDownRightOfTheText) {
  SetUpCaption(300);
  caption->Light = true;
  caption->ActiveLightColor = 0x000000FF;
  caption->Shadow = true;
  caption->ActiveShadowColor = 0x00FF0000;
  TBitmap b;
  const TRect text = DrawCaption(b);
  const TRect all{0, 0, 300, 24};
  const TRect light = Ink(b, 0x000000FF, all), shadow = Ink(b, 0x00FF0000, all);
  EXPECT_EQ(light.Left, text.Left - 1);
  EXPECT_EQ(light.Top, text.Top - 1);
  EXPECT_EQ(shadow.Right, text.Right + 1);
  EXPECT_EQ(shadow.Bottom, text.Bottom + 1);
  Snapshot(b, "caption_fixture_light_shadow");
}

TEST_F(BrenvaleCaptionTest, GlowFollowsActivityWhenTheInactiveGlowIsOff) {
  SetUpCaption(300);
  caption->GlowEffect = true;
  caption->GlowInactiveEffect = false;
  caption->GlowSize = 3;
  caption->GlowActiveColor = caption->GlowColor = 0x0000FFFF;
  TBitmap active;
  DrawCaption(active);
  const TRect all{0, 0, 300, 24};
  EXPECT_GT(Colours(active, all), 3);  // the halo's blend of colours
  TForm* other = NewForm(400, 400, 100, 100);
  other->Show();
  Idle();
  ASSERT_FALSE(controller->IsFormActive());
  TBitmap inactive;
  const TRect ink = DrawCaption(inactive, kGrey);
  EXPECT_GT(ink.Width(), 0);
  EXPECT_EQ(Colours(inactive, all), 2);  // strip and plain text only
  caption->GlowInactiveEffect = true;
  DrawCaption(inactive, kGrey);
  EXPECT_GT(Colours(inactive, all), 3);
}

TEST_F(BrenvaleCaptionTest, TextFrameGrowsWithTheText) {
  SetUpCaption(300);
  // The restore row as the frame: 20-column ends (kRestore, kRestoreInactive)
  // around a tiled middle.
  caption->FrameRect = TRect{0, 20, 80, 40};
  caption->FrameTextRect = TRect{20, 2, 60, 18};
  caption->FrameLeftOffset = caption->FrameRightOffset = 20;
  const TRect all{0, 0, 300, 24};
  auto frameWidth = [&](const std::string& text) {
    form->SetCaption(text);
    TBitmap b;
    DrawCaption(b);
    return Ink(b, kRestoreInactive, all).Right - Ink(b, kRestore, all).Left;
  };
  TBitmap m(1, 1, pf24bit);
  m.Canvas()->Font()->SetName("Arial");
  m.Canvas()->Font()->SetHeight(14);
  const int a = frameWidth("Ab"), b = frameWidth("A longer caption");
  EXPECT_EQ(a, m.Canvas()->TextWidth("Ab") + 80 - 40);
  EXPECT_EQ(b - a, m.Canvas()->TextWidth("A longer caption") - m.Canvas()->TextWidth("Ab"));
}

TEST_F(BrenvaleObjectsTest, MdiParentShowsTheMaximizedChildsCaption) {
  form->SetFormStyle(fsMDIForm);
  LoadFixtureSkin();
  Show();
  TForm* child = nullptr;
  app.CreateForm(child);
  child->SetFormStyle(fsMDIChild);
  child->SetCaption("photo.jpg");
  auto* childController = new TspBrenvale(child);
  child->Show();
  Idle();
  ASSERT_EQ(form->MDIChildCount(), 1);
  auto caption = Make<TspSkinCaptionObject>("caption");
  controller->ChildMaximized = true;
  EXPECT_EQ(caption->Text(), "Lumiqa");
  childController->WindowState = spwsMaximized;
  EXPECT_EQ(caption->Text(), "Lumiqa - [photo.jpg]");
  controller->ChildMaximized = false;
  EXPECT_EQ(caption->Text(), "Lumiqa");
}

TEST_F(BrenvaleCaptionTest, ActivationAnimationKeepsTheInactiveTextUntilTheLastFrame) {
  SetUpCaption(180);
  caption->AnimateSkinRect = TRect{0, 40, 180, 64};
  caption->FrameCount = 3;
  caption->AnimateInterval = 25;
  ASSERT_TRUE(caption->CanAnimate());
  TBitmap before;
  DrawCaption(before);  // the frame's paint comes first and sets the activity
  caption->ActivationChanged(true);
  EXPECT_EQ(caption->AnimFrame, 1);
  for (int frame = 1; frame <= 3; ++frame) {
    TBitmap b;
    const TRect grey = DrawCaption(b, kGrey);
    EXPECT_EQ(Px(b, 1, 1), kAnim[frame - 1]) << frame;
    EXPECT_GT(grey.Width(), 0) << frame;
    EXPECT_TRUE(caption->AnimateTick()) << frame;
  }
  EXPECT_EQ(caption->AnimFrame, 4);
  TBitmap b;
  EXPECT_GT(DrawCaption(b).Width(), 0);  // the active (white) text now
  EXPECT_FALSE(caption->AnimateTick());
  // Going inactive with InActiveAnimation runs the frames backwards.
  caption->InActiveAnimation = true;
  TForm* other = NewForm(400, 400, 100, 100);
  other->Show();
  Idle();
  ASSERT_FALSE(controller->IsFormActive());
  DrawCaption(b, kGrey);
  caption->ActivationChanged(true);
  EXPECT_EQ(caption->AnimFrame, 3);
  int steps = 0;
  while (caption->AnimateTick() && steps < 10) ++steps;
  EXPECT_EQ(caption->AnimFrame, 0);
  EXPECT_EQ(steps, 3);
}

TEST_F(BrenvaleCaptionTest, CaptionPaintHandlerReplacesTheText) {
  SetUpCaption(300);
  int calls = 0;
  controller->OnCaptionPaint = [&](TCanvas*, TRect& r, bool active) {
    ++calls;
    EXPECT_EQ(r, caption->ObjectRect);
    EXPECT_TRUE(active);
  };
  TBitmap b;
  DrawCaption(b);
  EXPECT_EQ(Count(b, kWhite, TRect{0, 0, 300, 24}), 0);
  EXPECT_EQ(calls, 1);
  controller->OnCaptionPaint = nullptr;
}

TEST_F(BrenvaleCaptionTest, EmptyTextRectangleDrawsTheStripOnly) {
  SetUpCaption(300);
  caption->TextRect = TRect{0, 0, 0, 0};
  TBitmap b;
  DrawCaption(b);
  EXPECT_EQ(Count(b, kWhite, TRect{0, 0, 300, 24}), 0);
  EXPECT_NE(Px(b, 150, 12), 0x00FF00FF);
}

// ---- Wizard skin: each text effect ------------------------------------------------------------------

TEST_F(BrenvaleObjectsTest, WizardCaptionWithEachTextEffect) {
  LoadWizardSkin();
  form->SetCaption("Lumiqa 人像精修 — 五步完成");
  Show();
  struct Effect {
    const char* name;
    std::function<void(TspSkinCaptionObject&)> set;
  } effects[] = {
      {"plain", [](TspSkinCaptionObject&) {}},
      {"shadow", [](TspSkinCaptionObject& c) {
         c.Shadow = true;
         c.ActiveShadowColor = 0x00402010;
       }},
      {"light", [](TspSkinCaptionObject& c) {
         c.Light = true;
         c.ActiveLightColor = 0x00F0C090;
         c.ActiveFontColor = 0x00402010;
       }},
      {"glow", [](TspSkinCaptionObject& c) {
         c.GlowEffect = true;
         c.GlowSize = 4;
         c.GlowActiveColor = 0x0000C0FF;
         c.ActiveFontColor = 0x00202020;
       }},
      {"vistaglow", [](TspSkinCaptionObject& c) {
         c.VistaGlowEffect = true;
         c.GlowActiveColor = 0x00FFFFFF;
         c.ActiveFontColor = 0x00000000;
       }},
      {"reflection", [](TspSkinCaptionObject& c) {
         c.ReflectionEffect = true;
         c.ReflectionActiveColor = 0x00FFFFFF;
         c.ReflectionOffset = -6;
       }},
      {"centred", [](TspSkinCaptionObject& c) { c.Alignment = 2; }},
  };
  std::set<std::vector<TColor>> looks;
  const int h = RectHeight(skin->FindObject<TspDataSkinObject>("caption")->skinrect);
  TBitmap sheet(420, int(std::size(effects)) * (h + 2), pf24bit);
  int y0 = 0;
  for (const Effect& e : effects) {
    auto c = Make<TspSkinCaptionObject>("caption");
    c->ObjectRect = TRect{0, 0, 420, h};
    e.set(*c);
    // The frame paints the strip, the caption its text over it.
    TBitmap b;
    c->BuildStripImage(&b, c->Picture, c->SkinRect, true);
    ASSERT_EQ(b.Width(), 420);
    c->Draw(b.Canvas(), false);
    std::vector<TColor> px;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) px.push_back(Px(b, x, y));
    looks.insert(px);
    sheet.Canvas()->Draw(0, y0, &b);
    y0 += h + 2;
  }
  EXPECT_EQ(looks.size(), std::size(effects));
  Snapshot(sheet, "wizard_caption_effects");
}

TEST_F(BrenvaleObjectsTest, WizardSkinnedWindowShowsItsCaptionAndButtons) {
  LoadWizardSkin();
  form->SetCaption("Lumiqa 人像精修");
  Show();
  ASSERT_TRUE(controller->SkinApplied);
  TBitmap shot(form->Width(), form->Height(), pf24bit);
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x)
      shot.Canvas()->SetPixels(x, y, TColor(s.display.PixelAt(form->Handle(), x, y)));
  Snapshot(shot, "wizard_window_active");
  auto* caption = Object<TspSkinCaptionObject>("caption");
  auto* close = Object<TspSkinStdButtonObject>("closebutton");
  ASSERT_TRUE(caption && close);
  // The active caption's white text lies in the caption's text rectangle.
  const TRect text = Ink(shot, 0x00FFFFFF, caption->ObjectRect);
  EXPECT_GT(text.Width(), 20);
  // The close button shows its normal face at its place.
  TBitmap face;
  DrawInto(*close, face, close->ObjectRect.Right, close->ObjectRect.Bottom);
  const TRect r = close->ObjectRect;
  int same = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) same += Px(shot, x, y) == Px(face, x, y);
  EXPECT_EQ(same, RectWidth(r) * RectHeight(r));
}

// ---- Frame main-menu items ---------------------------------------------------------------------------

TEST_F(BrenvaleObjectsTest, MainMenuItemsThatDoNotFitAreHiddenAndComeBack) {
  LoadFixtureSkin();
  Show();
  // A description like the frame menu item's, built in code.
  TspDataSkinMainMenuItem d("MAINMENUITEM");
  d.activepictureindex = 0;
  d.skinrect = TRect{0, 0, 20, 20};
  d.activeskinrect = TRect{20, 0, 40, 20};
  d.textrect = TRect{4, 0, 16, 20};
  d.fontname = "Arial";
  d.fontheight = 12;
  d.fontcolor = 0x00FFFFFF;
  TMainMenu* menu = new TMainMenu(form);
  std::vector<TMenuItem*> items;
  for (const char* text : {"File", "Edit", "View"}) {
    auto* mi = new TMenuItem(menu);
    mi->SetCaption(text);
    menu->Items()->Add(mi);
    items.push_back(mi);
  }
  std::vector<TspSkinMainMenuItem*> objects;
  for (TMenuItem* mi : items) {
    auto o = CreateMainMenuItemObject(controller, &d, mi);
    objects.push_back(static_cast<TspSkinMainMenuItem*>(o.get()));
    controller->ObjectList.push_back(std::move(o));
  }
  controller->FittedMainMenuRect = TRect{10, 30, 200, 50};
  TBitmap b;
  b.SetSize(300, 60);
  for (TspSkinMainMenuItem* o : objects) o->Draw(b.Canvas(), true);
  for (TspSkinMainMenuItem* o : objects) {
    EXPECT_TRUE(o->Fits);
    EXPECT_TRUE(o->Enabled);
  }
  EXPECT_EQ(objects[0]->ObjectRect.Left, 10);
  EXPECT_EQ(objects[1]->ObjectRect.Left, objects[0]->ObjectRect.Right);
  EXPECT_EQ(objects[0]->ObjectRect.Top, 30);
  // Narrower: the last item no longer fits, is not drawn and does not react.
  controller->FittedMainMenuRect.Right = objects[2]->ObjectRect.Right - 1;
  for (TspSkinMainMenuItem* o : objects) o->Draw(b.Canvas(), true);
  EXPECT_FALSE(objects[2]->Fits);
  EXPECT_FALSE(objects[2]->Enabled);
  EXPECT_TRUE(objects[1]->Fits);
  // Wider again: it comes back with its own enabled state.
  controller->FittedMainMenuRect.Right = 300;
  for (TspSkinMainMenuItem* o : objects) o->Draw(b.Canvas(), true);
  EXPECT_TRUE(objects[2]->Fits);
  EXPECT_TRUE(objects[2]->Enabled);
}

}  // namespace

// A strip taller than the caption holds its frames one below the other.
TEST_F(BrenvaleCaptionTest, AVerticalAnimationStripGivesItsFramesTopToBottom) {
  SetUpCaption(180);
  caption->AnimateSkinRect = TRect{0, 0, 20, 40};  // the normal cell above the restore cell
  caption->FrameCount = 2;
  caption->AnimateInterval = 25;
  ASSERT_TRUE(caption->CanAnimate());
  TBitmap before;
  DrawCaption(before);
  caption->ActivationChanged(true);
  const TColor expected[2] = {kNormal, kRestore};
  for (int frame = 1; frame <= 2; ++frame) {
    ASSERT_EQ(caption->AnimFrame, frame);
    TBitmap b;
    DrawCaption(b, kGrey);
    EXPECT_EQ(Px(b, 1, 1), expected[frame - 1]) << frame;
    EXPECT_EQ(Px(b, 1, 22), expected[frame - 1]) << frame;
    caption->AnimateTick();
  }
}

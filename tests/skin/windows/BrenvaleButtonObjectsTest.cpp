// Buttons and caption buttons of a skinned frame: their images in each state,
// hover, press and release sequences, groups, the mask hit test, the morph
// on the controller's timer, the restore images and hints, the window
// commands and their order against the events, and the default look.
#include "skin/windows/SkinHint.h"
#include "tests/skin/windows/BrenvaleObjectsTestSupport.h"

using namespace skinobj;

namespace {

TEST_F(BrenvaleObjectsTest, ButtonImageFollowsHoverPressAndRelease) {
  LoadFixtureSkin();
  Show();
  auto close = Make<TspSkinStdButtonObject>("closebutton");
  close->ObjectRect = TRect{0, 0, 20, 20};
  ASSERT_TRUE(controller->IsFormActive());
  struct Step {
    const char* name;
    std::function<void()> act;
    TColor expected;
  } steps[] = {
      {"normal", [] {}, kNormal},
      {"hovered", [&] { close->MouseEnter(); }, kActive},
      {"pressed", [&] { close->MouseDown(5, 5, TMouseButton::mbLeft); }, kDown},
      {"pressed, pointer left", [&] { close->MouseLeave(); }, kNormal},
      {"pressed, back over it", [&] { close->MouseEnter(); }, kDown},
  };
  for (const Step& st : steps) {
    st.act();
    TBitmap b;
    DrawInto(*close, b, 20, 20);
    EXPECT_EQ(Px(b, 10, 10), st.expected) << st.name;
  }
  // Released over it: normal or hovered, no longer down.
  close->Enabled = true;
  TBitmap b;
  close->MouseLeave();
  EXPECT_EQ(events, (std::vector<std::string>{"enter closebutton", "leave closebutton", "enter closebutton",
                                              "leave closebutton"}));
  // Released away from it: no command, no up event.
  events.clear();
  bool closed = false;
  form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  close->MouseUp(50, 50, TMouseButton::mbLeft);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(close->Down);
}

TEST_F(BrenvaleObjectsTest, InactiveAndDisabledImages) {
  LoadFixtureSkin();
  Show();
  auto close = Make<TspSkinStdButtonObject>("closebutton");
  auto max = Make<TspSkinStdButtonObject>("maxbutton");
  close->ObjectRect = max->ObjectRect = TRect{0, 0, 20, 20};
  TBitmap b;
  max->Enabled = false;
  DrawInto(*max, b, 20, 20);
  EXPECT_EQ(Px(b, 3, 3), kDisabled);
  // The form loses activation: the inactive image.
  TForm* other = NewForm(400, 400, 100, 100);
  other->Show();
  Idle();
  ASSERT_FALSE(controller->IsFormActive());
  DrawInto(*close, b, 20, 20);
  EXPECT_EQ(Px(b, 3, 3), kInactive);
  // Disabled wins over inactive only when it has no inactive image of its own.
  DrawInto(*max, b, 20, 20);
  EXPECT_EQ(Px(b, 3, 3), kDisabled);
}

TEST_F(BrenvaleObjectsTest, NormalImageIsLeftToTheFrameWhileItPaintsTheWhole) {
  LoadFixtureSkin();
  auto painted = Make<TspSkinButtonObject>("plain");
  painted->SkinRectInAPicture = false;  // its normal image lies in the frame picture
  painted->Picture = &skin->Picture;
  painted->SkinRect = painted->ObjectRect = TRect{0, 0, 20, 20};
  TBitmap b;
  DrawInto(*painted, b, 20, 20, 0x00FF00FF, false);
  EXPECT_EQ(Px(b, 5, 5), 0x00FF00FF);
  DrawInto(*painted, b, 20, 20, 0x00FF00FF, true);
  EXPECT_EQ(Px(b, 5, 5), kBand);
}

TEST_F(BrenvaleObjectsTest, WithoutActiveImageNothingChangesButEventsFire) {
  LoadFixtureSkin();
  Show();
  auto plain = Make<TspSkinButtonObject>("plain");
  plain->ObjectRect = TRect{0, 0, 20, 20};
  EXPECT_TRUE(IsNullRect(plain->ActiveSkinRect));
  plain->MouseEnter();
  EXPECT_FALSE(plain->IsMorphing() && plain->CanMorphing() && plain->MorphRatio != 0.0);
  Advance(200);
  EXPECT_EQ(plain->MorphRatio, 0.0);
  TBitmap b;
  DrawInto(*plain, b, 20, 20);
  EXPECT_EQ(Px(b, 5, 5), kNormal);
  plain->MouseLeave();
  EXPECT_EQ(events, (std::vector<std::string>{"enter plain", "leave plain"}));
}

TEST_F(BrenvaleObjectsTest, MaskDecidesTheHitAndOnlyPureBlackCounts) {
  LoadFixtureSkin();
  auto close = Make<TspSkinStdButtonObject>("closebutton");
  ASSERT_TRUE(close->MaskPicture);
  struct Case {
    int x, y;
    bool inside;
  } cases[] = {{5, 5, true}, {19, 19, true}, {0, 5, false}, {1, 5, false}, {2, 0, true},
               {20, 5, false}, {5, 20, false}, {-1, 5, false}, {5, -1, false}};
  for (const Case& c : cases) EXPECT_EQ(close->HitTest(c.x, c.y), c.inside) << c.x << "," << c.y;
  // Without a mask everything inside the rectangle counts.
  auto max = Make<TspSkinStdButtonObject>("maxbutton");
  EXPECT_TRUE(max->HitTest(0, 0));
}

TEST_F(BrenvaleObjectsTest, GroupedButtonsReleaseEachOtherAndStayDown) {
  LoadFixtureSkin();
  Show();
  auto* first = Object<TspSkinButtonObject>("first");
  auto* second = Object<TspSkinButtonObject>("second");
  ASSERT_TRUE(first && second);
  first->MouseEnter();
  first->MouseDown(1, 1, TMouseButton::mbLeft);
  first->MouseUp(1, 1, TMouseButton::mbLeft);
  first->MouseLeave();
  EXPECT_TRUE(first->Down);  // grouped: stays down after the mouse left
  TBitmap b;
  DrawInto(*first, b, first->ObjectRect.Right, first->ObjectRect.Bottom);
  EXPECT_EQ(Px(b, first->ObjectRect.Left + 5, first->ObjectRect.Top + 5), kDown);
  second->MouseEnter();
  second->MouseDown(1, 1, TMouseButton::mbLeft);
  EXPECT_TRUE(second->Down);
  EXPECT_FALSE(first->Down);
  // Pressing the pressed one again changes nothing.
  second->MouseDown(1, 1, TMouseButton::mbLeft);
  EXPECT_TRUE(second->Down);
}

TEST_F(BrenvaleObjectsTest, MorphRunsFiveStepsOfTheControllersTimerAndStaysInRange) {
  LoadFixtureSkin(true);
  Show();
  auto* close = Object<TspSkinStdButtonObject>("closebutton");
  ASSERT_TRUE(close);
  ASSERT_TRUE(close->CanMorphing());
  close->MouseEnter();
  for (int tick = 1; tick <= 5; ++tick) {
    Advance(25);
    EXPECT_NEAR(close->MorphRatio, 0.2 * tick, 1e-9) << tick;
  }
  Advance(100);
  EXPECT_EQ(close->MorphRatio, 1.0);
  EXPECT_FALSE(controller->MorphTimer->Enabled());
  // Halfway back, the image is a mix of the two.
  close->MouseLeave();
  Advance(50);
  EXPECT_NEAR(close->MorphRatio, 0.6, 1e-9);
  TBitmap b;
  const TRect r = close->ObjectRect;
  DrawInto(*close, b, r.Right, r.Bottom);
  const TColor mid = Px(b, r.Left + 10, r.Top + 10);
  EXPECT_NE(mid, kNormal);
  EXPECT_NE(mid, kActive);
  for (int i = 0; i < 20; ++i) close->MorphStep();
  EXPECT_EQ(close->MorphRatio, 0.0);
  close->Active = true;
  for (int i = 0; i < 20; ++i) close->MorphStep();
  EXPECT_EQ(close->MorphRatio, 1.0);
}

TEST_F(BrenvaleObjectsTest, MaximizeButtonShowsRestoreImagesAndHintWhileMaximized) {
  LoadFixtureSkin();
  Show();
  auto* max = Object<TspSkinStdButtonObject>("maxbutton");
  ASSERT_TRUE(max);
  const TRect r = max->ObjectRect;
  TBitmap b;
  max->MouseEnter();
  EXPECT_EQ(max->Hint, controller->UseDefaultObjectHint ? max->NormalHint : "Max it");
  max->MouseDown(r.Left + 2, r.Top + 2, TMouseButton::mbLeft);
  max->MouseUp(r.Left + 2, r.Top + 2, TMouseButton::mbLeft);
  ASSERT_EQ(controller->WindowState, spwsMaximized);
  struct Step {
    const char* name;
    std::function<void()> act;
    TColor expected;
  } steps[] = {
      {"restore", [&] { max->Active = false; max->PointerInside = false; }, kRestore},
      {"restore hovered", [&] { max->MouseEnter(); }, kRestoreActive},
      {"restore pressed", [&] { max->MouseDown(1, 1, TMouseButton::mbLeft); }, kRestoreDown},
  };
  for (const Step& st : steps) {
    st.act();
    DrawInto(*max, b, max->ObjectRect.Right, max->ObjectRect.Bottom);
    EXPECT_EQ(Px(b, max->ObjectRect.Left + 5, max->ObjectRect.Top + 5), st.expected) << st.name;
  }
  EXPECT_EQ(max->Hint, max->RestoreHint);
  EXPECT_FALSE(max->RestoreHint.empty());
}

TEST_F(BrenvaleObjectsTest, CloseFiresItsEventBeforeClosingOtherCommandsAfterTheirCommand) {
  LoadFixtureSkin();
  Show();
  auto* close = Object<TspSkinStdButtonObject>("closebutton");
  auto* max = Object<TspSkinStdButtonObject>("maxbutton");
  ASSERT_TRUE(close && max);
  form->OnClose = [&](TObject*, TCloseAction& action) {
    events.push_back("closing");
    action = caNone;
  };
  controller->OnMouseUpEvent = [&](const std::string& id, int, int, const TRect&, TMouseButton) {
    events.push_back("up " + id + (controller->WindowState == spwsMaximized ? " (maximized)" : ""));
  };
  for (TspSkinStdButtonObject* b : {max, close}) {
    b->MouseEnter();
    b->MouseDown(b->ObjectRect.Left + 1, b->ObjectRect.Top + 1, TMouseButton::mbLeft);
    b->MouseUp(b->ObjectRect.Left + 1, b->ObjectRect.Top + 1, TMouseButton::mbLeft);
  }
  // Maximized before its up event; the close button's up event before closing.
  EXPECT_EQ(events, (std::vector<std::string>{"enter maxbutton", "up maxbutton (maximized)", "enter closebutton",
                                              "up closebutton (maximized)", "closing"}));
}

TEST_F(BrenvaleObjectsTest, UserObjectIsPaintedByTheProgram) {
  LoadFixtureSkin();
  auto painted = Make<TspUserObject>("painted");
  int calls = 0;
  controller->OnPaintEvent = [&](const std::string& id, TCanvas* c, const TRect& r) {
    ++calls;
    EXPECT_EQ(id, "painted");
    c->Brush()->SetColor(0x00123456);
    c->FillRect(r);
  };
  TBitmap b;
  DrawInto(*painted, b, 100, 30);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Px(b, 65, 10), 0x00123456);
  EXPECT_EQ(Px(b, 50, 10), 0x00FF00FF);
}

// ---- Default look ---------------------------------------------------------------------------------

TEST_F(BrenvaleObjectsTest, DefaultLookButtonsInTheirStates) {
  Show();
  struct Case {
    TspSkinCommand command;
    const char* name;
  } commands[] = {{cmClose, "close"},   {cmMaximize, "max"},     {cmMinimize, "min"},
                  {cmSysMenu, "sysmenu"}, {cmRollUp, "rollup"}, {cmMinimizeToTray, "tray"}};
  const TColor face = TColor(GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
  const TColor text = TColor(GetSysColor(COLOR_BTNTEXT) & 0xFFFFFF);
  for (const Case& c : commands) {
    auto b = CreateDefaultCaptionButton(controller, c.name, c.command);
    auto* btn = static_cast<TspSkinStdButtonObject*>(b.get());
    btn->ObjectRect = TRect{0, 0, 17, 17};
    TBitmap bmp;
    DrawInto(*btn, bmp, 17, 17);
    EXPECT_EQ(Px(bmp, 0, 0), face) << c.name;
    EXPECT_GT(Ink(bmp, text, TRect{0, 0, 17, 17}).Width(), 0) << c.name;  // a glyph
    Snapshot(bmp, std::string("default_button_") + c.name + "_normal");
    btn->PointerInside = true;
    DrawInto(*btn, bmp, 17, 17);
    EXPECT_EQ(Px(bmp, 0, 0), 0x00800000) << c.name;
    EXPECT_EQ(Px(bmp, 1, 1), 0x00D2BDB6) << c.name;
    btn->Down = true;
    DrawInto(*btn, bmp, 17, 17);
    EXPECT_EQ(Px(bmp, 16, 16), 0x00800000) << c.name;
    EXPECT_EQ(Px(bmp, 1, 1), 0x00B59385) << c.name;
    Snapshot(bmp, std::string("default_button_") + c.name + "_down");
    btn->Enabled = false;
    btn->Down = btn->PointerInside = false;
    DrawInto(*btn, bmp, 17, 17);
    EXPECT_EQ(Count(bmp, text, TRect{0, 0, 17, 17}), 0) << c.name;
    EXPECT_GT(Count(bmp, TColor(GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF), TRect{0, 0, 17, 17}), 0) << c.name;
  }
}

TEST_F(BrenvaleObjectsTest, DefaultLookGlyphFollowsTheWindowState) {
  Show();
  auto b = CreateDefaultCaptionButton(controller, "maxbutton", cmMaximize);
  b->ObjectRect = TRect{0, 0, 17, 17};
  TBitmap normal, maximized;
  DrawInto(*b, normal, 17, 17);
  controller->WindowState = spwsMaximized;
  DrawInto(*b, maximized, 17, 17);
  controller->WindowState = spwsNormal;
  bool differs = false;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 17; ++x) differs |= Px(normal, x, y) != Px(maximized, x, y);
  EXPECT_TRUE(differs);
}

TEST_F(BrenvaleObjectsTest, DefaultLookButtonRepaintsOnHoverAndPress) {
  Show();
  auto* close = Object<TspSkinStdButtonObject>("closebutton");
  ASSERT_TRUE(close);
  ASSERT_FALSE(close->Skinned);
  ASSERT_FALSE(IsNullRect(close->ObjectRect));
  const TRect r = close->ObjectRect;
  auto pixel = [&](int x, int y) { return TColor(s.display.PixelAt(form->Handle(), x, y)); };
  const TColor before = pixel(r.Left + 1, r.Top + 1);
  close->MouseEnter();
  Idle();
  EXPECT_EQ(pixel(r.Left, r.Top), 0x00800000);
  EXPECT_EQ(pixel(r.Left + 1, r.Top + 1), 0x00D2BDB6);
  close->MouseDown(r.Left + 2, r.Top + 2, TMouseButton::mbLeft);
  Idle();
  EXPECT_EQ(pixel(r.Left + 1, r.Top + 1), 0x00B59385);
  close->MouseLeave();
  Idle();
  EXPECT_EQ(pixel(r.Left + 1, r.Top + 1), before);
}

// ---- Wizard skin ------------------------------------------------------------------------------------

TEST_F(BrenvaleObjectsTest, WizardSkinCaptionButtonsInEachState) {
  LoadWizardSkin();
  Show();
  TBitmap sheet(4 * 3 * 32, 24, pf24bit);
  int sheetX = 0;
  for (const char* id : {"closebutton", "maxbutton", "minbutton"}) {
    auto* b = Object<TspSkinStdButtonObject>(id);
    ASSERT_TRUE(b) << id;
    const TRect r = b->ObjectRect;
    ASSERT_FALSE(IsNullRect(r)) << id;
    std::set<std::vector<TColor>> looks;
    struct State {
      const char* name;
      std::function<void()> enter;
    } states[] = {
        {"normal", [] {}},
        {"hot", [&] { b->MouseEnter(); Advance(200); }},
        {"pressed", [&] { b->MouseDown(r.Left + 1, r.Top + 1, TMouseButton::mbLeft); }},
        {"restore", [&] {
           b->MouseLeave();  // released away from it: no command
           b->MouseUp(r.Left + 1, r.Top + 1, TMouseButton::mbLeft);
           Advance(200);
           controller->WindowState = spwsMaximized;
         }},
    };
    for (const State& st : states) {
      st.enter();
      TBitmap bmp;
      DrawInto(*b, bmp, r.Right, r.Bottom);
      std::vector<TColor> px;
      for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) px.push_back(Px(bmp, x, y));
      looks.insert(px);
      EXPECT_GE(Colours(bmp, r), 2) << id << " " << st.name;  // a glyph on its face
      sheet.Canvas()->CopyRect(TRect{sheetX, 0, sheetX + RectWidth(r), RectHeight(r)}, bmp.Canvas(), r);
      sheetX += RectWidth(r) + 2;
    }
    controller->WindowState = spwsNormal;
    EXPECT_FALSE(b->Down) << id;
    // Normal, hot and pressed differ; only the maximize button has restore
    // images (the others show their normal face again).
    EXPECT_EQ(int(looks.size()), std::string(id) == "maxbutton" ? 4 : 3) << id;
  }
  Snapshot(sheet, "wizard_caption_buttons_normal_hot_pressed_restore");
}

TEST_F(BrenvaleObjectsTest, HoveredCaptionButtonShowsItsHintThroughTheSkinnedHint) {
  LoadFixtureSkin();
  auto* hint = new TspSkinHint(form);
  controller->SetSkinHint(hint);
  controller->ShowObjectHint = true;
  Show();
  ASSERT_TRUE(controller->IsFormActive());
  auto* close = Object<TspSkinStdButtonObject>("closebutton");
  ASSERT_TRUE(close);
  const TRect r = close->ObjectRect;
  // The fixture's caption spans the buttons and comes first in the list.
  Object<TspSkinCaptionObject>("caption")->ObjectRect.Right = r.Left - 60;
  // The mouse rests on the button (the hover timer keeps polling it).
  s.display.MouseMove(form->Left() + r.Left + 5, form->Top() + r.Top + 5);
  Idle();
  controller->HoverTest(r.Left + 5, r.Top + 5, true);
  ASSERT_TRUE(close->PointerInside);
  Advance(app.HintPause - 1);
  EXPECT_FALSE(hint->HintWindow->HandleAllocated() && IsWindowVisible(hint->HintWindow->Handle()));
  Advance(1);
  ASSERT_TRUE(hint->HintWindow->HandleAllocated() && IsWindowVisible(hint->HintWindow->Handle()));
  EXPECT_EQ(hint->HintWindow->Caption(), close->Hint);
  EXPECT_FALSE(close->Hint.empty());
  // Leaving the button hides it.
  s.display.MouseMove(form->Left() + 150, form->Top() + 120);
  Advance(100);
  EXPECT_FALSE(IsWindowVisible(hint->HintWindow->Handle()));
}

}  // namespace

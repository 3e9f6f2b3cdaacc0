// Frame objects: border icons, default hints, hover and mouse routing as
// the user's mouse drives them, and objects freed from their own handlers.
#include "skin/windows/Brenvale.h"
#include "skin/engine/SkinStrings.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

class BrenvaleFrameTest : public BrenvaleTest {
 protected:
  void Skinned() {
    MakeForm(300, 200);
    LoadFixtureSkin();
    ctl->SetSkinData(skin);
    Show();
  }
  using Log = std::vector<std::string>;
};

TEST_F(BrenvaleFrameTest, HoverEntersAndLeavesAsTheMouseMoves) {
  Skinned();
  TRecordingObject* close = Obj("closebutton");
  TRecordingObject* max = Obj("maxbutton");
  // The hover timer, running since the skin came, finds the button.
  MoveTo(289, 10);
  Advance(50);
  EXPECT_EQ(close->Log, (Log{"enter"}));
  EXPECT_EQ(Pixel(289, 10), kObjActive);
  // The hover timer follows the mouse from one button to the next.
  MoveTo(273, 10);
  Advance(50);
  EXPECT_EQ(close->Log, (Log{"enter", "leave"}));
  EXPECT_EQ(max->Log, (Log{"enter"}));
  EXPECT_EQ(Pixel(289, 10), kObjNormal);
  EXPECT_EQ(Pixel(273, 10), kObjActive);
  // Into the client area: nothing hovered, and the timer stops itself.
  MoveTo(150, 100);
  Advance(50);
  EXPECT_EQ(max->Log, (Log{"enter", "leave"}));
  EXPECT_EQ(ctl->HoveredIndex, -1);
  Advance(50);
  EXPECT_FALSE(ctl->HoverTimer->Enabled());
}

TEST_F(BrenvaleFrameTest, HoveringAButtonRepaintsOnlyThatButton) {
  Skinned();
  TRecordingObject* close = Obj("closebutton");
  TRecordingObject* max = Obj("maxbutton");
  const int closeDraws = close->Draws, maxDraws = max->Draws;
  MoveTo(289, 10);
  Advance(50);
  EXPECT_EQ(close->Draws, closeDraws + 1);
  EXPECT_EQ(max->Draws, maxDraws);
}

TEST_F(BrenvaleFrameTest, ClickOnAButtonIsRoutedAndReleasedInside) {
  Skinned();
  std::vector<std::string> events;
  ctl->OnMouseDownEvent = [&](const std::string& id, int x, int y, const TRect&, TMouseButton) {
    events.push_back("down " + id + " " + std::to_string(x) + "," + std::to_string(y));
  };
  ctl->OnMouseUpEvent = [&](const std::string& id, int, int, const TRect&, TMouseButton) {
    events.push_back("up " + id);
  };
  TRecordingObject* close = Obj("closebutton");
  MoveTo(289, 10);
  Advance(50);
  Press(289, 10);
  EXPECT_EQ(GetCapture(), form->Handle());
  EXPECT_EQ(ctl->PressedIndex, 1);
  Release(289, 10);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(ctl->PressedIndex, -1);
  EXPECT_EQ(close->Log, (Log{"enter", "down 289,10", "up -1,-1 inside"}));
  EXPECT_EQ(events, (std::vector<std::string>{"down closebutton 289,10", "up closebutton"}));
}

TEST_F(BrenvaleFrameTest, WhileHeldNoOtherButtonLightsAndReleaseOutsideIsOutside) {
  Skinned();
  TRecordingObject* close = Obj("closebutton");
  TRecordingObject* max = Obj("maxbutton");
  Press(289, 10);
  MoveTo(273, 10);
  Advance(50);
  EXPECT_EQ(max->Log, Log{});
  EXPECT_EQ(close->Log, (Log{"enter", "down 289,10", "leave"}));
  Release(273, 10);
  EXPECT_EQ(close->Log.back(), "up -1,-1 outside");
  EXPECT_EQ(max->Log, Log{});
}

TEST_F(BrenvaleFrameTest, ACaptionClickThatMovesTheFormDoesNotReachTheObjects) {
  Skinned();
  TRecordingObject* caption = Obj("caption");
  const TPoint p = Scr(100, 10);
  s.display.MouseMove(p.X, p.Y);
  Idle();
  s.display.MouseDown(p.X, p.Y);
  s.display.MouseMove(p.X + 20, p.Y + 5);
  s.display.MouseUp(p.X + 20, p.Y + 5);
  Idle();
  EXPECT_EQ(form->Left(), 120);
  for (const std::string& e : caption->Log) EXPECT_NE(e.rfind("down", 0), 0u) << e;
  EXPECT_FALSE(ctl->InSizeMove);
}

TEST_F(BrenvaleFrameTest, BorderIconsDecideWhichButtonsShow) {
  MakeForm(300, 200);
  Show();
  EXPECT_TRUE(Obj("maxbutton")->Visible);
  ctl->SetBorderIcons(spbiSystemMenu | spbiMinimize);
  EXPECT_FALSE(Obj("maxbutton")->Visible);
  EXPECT_FALSE(Obj("maxbutton")->Enabled);
  EXPECT_FALSE(Obj("rollupbutton")->Visible);
  // The flow closes the gap.
  ctl->LayoutDefaultButtons();
  EXPECT_EQ(Obj("minbutton")->ObjectRect, (TRect{263, 4, 280, 21}));
  ctl->DisableSystemMenu = true;
  ctl->UpdateBorderIcons();
  EXPECT_FALSE(Obj("sysmenubutton")->Enabled);
  ctl->HideCaptionButtons = true;
  ctl->UpdateBorderIcons();
  EXPECT_FALSE(Obj("closebutton")->Visible);
}

// A form built in code sets its controller while its layout loads, when
// the setters only store; the icons must still reach the frame's buttons.
TEST_F(BrenvaleFrameTest, BorderIconsSetWhileTheLayoutLoadsReachTheButtons) {
  form = NewForm(100, 100, 300, 200);
  form->BeginLayout();
  ctl = new TspBrenvale(form);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  ctl->SetBorderIcons(spbiSystemMenu);
  form->EndLayout();
  Show();
  ASSERT_NE(Obj("maxbutton"), nullptr);
  EXPECT_FALSE(Obj("maxbutton")->Visible);
  EXPECT_FALSE(Obj("minbutton")->Visible);
  EXPECT_TRUE(Obj("closebutton")->Visible);
}

TEST_F(BrenvaleFrameTest, HiddenButtonsOfTheFramePictureStayButNeverReact) {
  Skinned();
  TRecordingObject* close = Obj("closebutton");
  close->SkinRectInAPicture = false;  // its image is part of the frame picture
  ctl->HideCaptionButtons = true;
  ctl->UpdateBorderIcons();
  EXPECT_TRUE(close->Visible);
  EXPECT_FALSE(close->Enabled);
  EXPECT_FALSE(Obj("maxbutton")->Visible);  // draws itself: gone
  ctl->HoverTest(289, 10, true);
  EXPECT_EQ(ctl->HoveredIndex, -1);
  EXPECT_EQ(close->Log, Log{});
}

TEST_F(BrenvaleFrameTest, DefaultHintsFollowTheResourceStrings) {
  Skinned();
  EXPECT_EQ(Obj("closebutton")->Hint, "Close");
  EXPECT_EQ(Obj("maxbutton")->Hint, "Maximize");
  EXPECT_EQ(Obj("maxbutton")->NormalHint, "Maximize");
  EXPECT_EQ(Obj("maxbutton")->RestoreHint, "Restore");
  TspResourceStrData res(nullptr);
  TStringList lines;
  lines.Add("CLOSEBUTTON_HINT=Schließen");
  res.SetResStrings(&lines);
  skin->SetResourceStrData(&res);
  ctl->UpdateDefaultHints();
  EXPECT_EQ(Obj("closebutton")->Hint, "Schließen");
  skin->SetResourceStrData(nullptr);
}

TEST_F(BrenvaleFrameTest, AnObjectMayFreeTheObjectsFromItsOwnHandler) {
  Skinned();
  TRecordingObject* close = Obj("closebutton");
  close->OnDown = [this] { ctl->FreeObjects(); };
  Press(289, 10);
  EXPECT_TRUE(ctl->ObjectList.empty());
  Release(289, 10);
  EXPECT_EQ(ctl->PressedIndex, -1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(BrenvaleFrameTest, RemovingTheSkinDataGoesBackToTheDefaultLook) {
  Skinned();
  ctl->MenusSkinData = skin;
  delete skin;
  skin = nullptr;
  EXPECT_EQ(ctl->SkinData(), nullptr);
  EXPECT_EQ(ctl->MenusSkinData, nullptr);
  EXPECT_FALSE(ctl->SkinApplied);
  Idle();
  // Default caption buttons, drawn without touching the freed skin.
  EXPECT_NE(Obj("closebutton"), nullptr);
  EXPECT_EQ(form->ClientWidth(), 300 - 6);
}

TEST_F(BrenvaleFrameTest, SkinLoadRebuildsTheObjects) {
  Skinned();
  TRecordingObject* before = Obj("closebutton");
  ASSERT_NE(before, nullptr);
  ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini")));
  Idle();
  ASSERT_EQ(ctl->ObjectList.size(), 4u);
  EXPECT_TRUE(ctl->SkinApplied);
  EXPECT_FALSE(ctl->SkinChanging);
}

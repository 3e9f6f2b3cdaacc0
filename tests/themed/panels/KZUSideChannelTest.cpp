// The side channel: starting closed, opening by mouse or click, sliding,
// closing when the mouse leaves, pinning, resize limits, and a channel
// freed in the middle of a slide.
#include <gtest/gtest.h>

#include "platform/ui/controls/SpeedButton.h"
#include "platform/ui/forms/Timer.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/panels/KZUSideChannel.h"

namespace {

class KZUSideChannelTest : public ThemedTest {
 protected:
  TkzuSideChannel* NewChannel(int openWidth = 160) {
    auto* c = new TkzuSideChannel(form);
    c->SetParent(form);
    c->SetWidth(openWidth);
    c->SetCaption("Tools");
    s.display.RunUntilIdle();
    return c;
  }
  int Current(TkzuSideChannel* c) { return c->TControl::Width(); }
};

TEST_F(KZUSideChannelTest, StartsClosedAsWideAsItsSideBar) {
  auto* c = NewChannel();
  EXPECT_EQ(c->SideBarWidth(), 10);
  EXPECT_EQ(Current(c), 10);
  EXPECT_EQ(c->Width(), 160);
  EXPECT_FALSE(c->PinButton()->Visible());
  EXPECT_EQ(c->TitlePanel()->Caption(), "");
  EXPECT_EQ(c->Left(), 0);  // docked to the left edge
}

TEST_F(KZUSideChannelTest, QuickMoveOpensInOneStepAndSlowOpeningSlidesBy15) {
  auto* c = NewChannel(100);
  std::vector<int> widths;
  c->OnResize = [&](TObject*) { widths.push_back(c->TControl::Width()); };
  int pops = 0;
  c->OnPop = [&](TObject*) { ++pops; };
  c->Pop(false);
  // 10 -> 25 ... 85 in steps, then straight to 100.
  EXPECT_EQ(widths, (std::vector<int>{25, 40, 55, 70, 85, 100}));
  EXPECT_EQ(pops, 1);
  EXPECT_EQ(c->TitlePanel()->Caption(), "Tools");
  EXPECT_TRUE(c->PinButton()->Visible());
  c->Push(true);
  widths.clear();
  c->QuickMove = true;
  c->SetSideBarWidth(10);
  c->Pop(c->QuickMove);
  EXPECT_EQ(widths, (std::vector<int>{100}));
}

TEST_F(KZUSideChannelTest, MouseOverTheBarOpensAndLeavingClosesAfterTheTimer) {
  auto* c = NewChannel();
  c->QuickMove = true;
  MoveOver(c->SideBar(), 5, 120);
  EXPECT_EQ(Current(c), 160);
  EXPECT_TRUE(c->AutoCloseTimer()->Enabled());
  // Still inside: stays open.
  MoveOver(c, 80, 60);
  s.display.AdvanceTime(600);
  s.display.RunUntilIdle();
  EXPECT_EQ(Current(c), 160);
  MoveOver(form, 300, 200);
  s.display.AdvanceTime(600);
  s.display.RunUntilIdle();
  EXPECT_EQ(Current(c), 10);
  EXPECT_FALSE(c->AutoCloseTimer()->Enabled());
}

TEST_F(KZUSideChannelTest, ClickModeOpensOnlyOnAClick) {
  auto* c = NewChannel();
  c->QuickMove = true;
  c->PopupMode = TkzuSideChannelPopupMode::kzuMouseClick;
  MoveOver(c->SideBar(), 5, 120);
  EXPECT_EQ(Current(c), 10);
  ClickOn(c->SideBar(), 5, 120);
  EXPECT_EQ(Current(c), 160);
}

TEST_F(KZUSideChannelTest, PinnedChannelStaysOpenAfterTheMouseLeaves) {
  auto* c = NewChannel();
  c->QuickMove = true;
  c->SetStayOn(true);
  EXPECT_EQ(Current(c), 160);
  EXPECT_TRUE(c->PinButton()->Down());
  EXPECT_FALSE(c->AutoCloseTimer()->Enabled());
  MoveOver(form, 300, 200);
  s.display.AdvanceTime(2000);
  s.display.RunUntilIdle();
  EXPECT_EQ(Current(c), 160);
  // Releasing the pin by a click lets the timer close it.
  ClickOn(c->PinButton(), 5, 5);
  EXPECT_FALSE(c->StayOn());
  MoveOver(form, 300, 200);
  s.display.AdvanceTime(600);
  s.display.RunUntilIdle();
  EXPECT_EQ(Current(c), 10);
  c->SetStayOn(false);
  EXPECT_EQ(Current(c), 10);
}

TEST_F(KZUSideChannelTest, OpenChannelRefusesBelow50AndRemembersAWiderWidth) {
  auto* c = NewChannel();
  c->Pop(true);
  c->TControl::SetWidth(40);
  EXPECT_EQ(Current(c), 160);
  c->TControl::SetWidth(220);
  EXPECT_EQ(Current(c), 220);
  c->Push(true);
  EXPECT_EQ(Current(c), 10);
  c->Pop(true);
  EXPECT_EQ(Current(c), 220);
}

TEST_F(KZUSideChannelTest, RightAlignDocksToTheRightEdge) {
  auto* c = NewChannel();
  c->SetAlign(TkzuSideChannelAlign::kzuRight);
  s.display.RunUntilIdle();
  EXPECT_EQ(c->Left() + Current(c), form->ClientWidth());
}

TEST_F(KZUSideChannelTest, FreedWhileSlidingStopsTheSlide) {
  auto* c = NewChannel(200);
  int steps = 0;
  TForm* doomed = form;
  form = nullptr;
  auto formAlive = doomed->AliveToken();
  c->OnResize = [&](TObject*) {
    // Freed later, by the message the slide's own pump takes.
    if (++steps == 2) doomed->Release();
  };
  int pops = 0;
  c->OnPop = [&](TObject*) { ++pops; };
  c->Pop(false);
  EXPECT_FALSE(*formAlive);
  EXPECT_EQ(pops, 0);
  EXPECT_EQ(steps, 2);
}

TEST_F(KZUSideChannelTest, SnapshotOpenAndClosed) {
  auto* c = NewChannel();
  auto* d = NewChannel();
  d->SetAlign(TkzuSideChannelAlign::kzuRight);
  d->SetCaption("图层");
  d->Pop(true);
  s.display.RunUntilIdle();
  // The bar's picture sits on the closed channel's side bar.
  EXPECT_EQ(At(c->BarButton(), 5, 40), ThemePixel("SIDECHANNEL_BAR_NORMAL", 5, 40));
  SaveFormSheet("themed_sidechannel");
}

}  // namespace

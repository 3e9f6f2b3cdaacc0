#include "platform/ui/TrackBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "FormTestFixture.h"

namespace {

class TrackBarTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TTrackBar* tb = nullptr;
  std::vector<std::pair<DWORD, int>> changes;  // time and position

  void SetUp() override {
    form = NewForm(100, 100, 300, 200);
    form->Show();
    tb = new TTrackBar(form);
    tb->SetParent(form);
    tb->SetBounds(10, 10, 210, 45);
    tb->SetRange(0, 100);
    tb->PageSize = 10;
    tb->OnChange = [this](TObject*) { changes.emplace_back(GetTickCount(), tb->Position()); };
    s.display.RunUntilIdle();
  }
  TPoint At(int x, int y) { return tb->ClientToScreen(TPoint{x, y}); }
  RECT Rect(UINT msg) {
    RECT r{};
    SendMessage(tb->Handle(), msg, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }
};

TEST_F(TrackBarTest, ChannelAndThumbRectanglesFollowThePosition) {
  const RECT ch = Rect(TBM_GETCHANNELRECT);
  EXPECT_EQ(TRect(ch), tb->ChannelRect());
  EXPECT_GT(ch.Right - ch.Left, 150);
  for (int pos : {0, 50, 100}) {
    SendMessage(tb->Handle(), TBM_SETPOS, TRUE, pos);
    EXPECT_EQ(SendMessage(tb->Handle(), TBM_GETPOS, 0, 0), pos);
    const RECT th = Rect(TBM_GETTHUMBRECT);
    EXPECT_EQ((th.Left + th.Right) / 2, ch.Left + pos * (ch.Right - ch.Left - 1) / 100) << pos;
    EXPECT_LT(th.Top, ch.Top);
    EXPECT_GT(th.Bottom, ch.Bottom);
  }
  SendMessage(tb->Handle(), TBM_SETPOS, TRUE, 500);
  EXPECT_EQ(tb->Position(), 100);
  SendMessage(tb->Handle(), TBM_SETTHUMBLENGTH, 10, 0);
  EXPECT_EQ(SendMessage(tb->Handle(), TBM_GETTHUMBLENGTH, 0, 0), 10);
  EXPECT_EQ(Rect(TBM_GETTHUMBRECT).Bottom - Rect(TBM_GETTHUMBRECT).Top, 10);
  tb->SetFrequency(25);
  EXPECT_EQ(tb->TickPositions(), (std::vector<int>{0, 25, 50, 75, 100}));
  EXPECT_EQ(SendMessage(tb->Handle(), TBM_GETNUMTICS, 0, 0), 5);
  EXPECT_EQ(SendMessage(tb->Handle(), TBM_GETTIC, 0, 0), 25);
}

TEST_F(TrackBarTest, PressBesideTheThumbPagesAndRepeatsOnTheClock) {
  const DWORD start = GetTickCount();
  const TPoint p = At(tb->PixelOf(45), 20);  // right of the thumb at 0
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(1000);
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  // Pages at once, after 300 ms, then every 100 ms until the thumb reaches 45.
  ASSERT_EQ(changes.size(), 5u);
  const std::vector<int> positions{10, 20, 30, 40, 45};
  for (std::size_t i = 0; i < changes.size(); ++i) EXPECT_EQ(changes[i].second, positions[i]);
  EXPECT_EQ(changes[0].first - start, 0u);
  EXPECT_EQ(changes[1].first - start, 300u);
  EXPECT_EQ(changes[2].first - start, 400u);
  EXPECT_EQ(changes[4].first - start, 600u);
}

TEST_F(TrackBarTest, ReleaseStopsTheRepeat) {
  const TPoint p = At(tb->PixelOf(90), 20);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(350);
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(1000);
  EXPECT_EQ(tb->Position(), 20);
}

TEST_F(TrackBarTest, DraggingTheThumbTracksThePointer) {
  tb->SetPosition(20);
  changes.clear();
  const RECT th = Rect(TBM_GETTHUMBRECT);
  const int cx = (th.Left + th.Right) / 2, cy = (th.Top + th.Bottom) / 2;
  TPoint p = At(cx, cy);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_TRUE(tb->Dragging());
  TPoint q = At(tb->PixelOf(70), cy);
  s.display.MouseMove(q.X, q.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(tb->Position(), 70);
  TPoint far = At(tb->Width() + 100, cy + 50);
  s.display.MouseMove(far.X, far.Y);
  s.display.MouseUp(far.X, far.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(tb->Position(), 100);
  EXPECT_FALSE(tb->Dragging());
  EXPECT_EQ(changes.size(), 2u);
}

TEST_F(TrackBarTest, KeysStepByLineAndPage) {
  tb->LineSize = 3;
  tb->SetFocus();
  struct Case {
    int vk;
    int expect;
  } cases[] = {{VK_RIGHT, 3}, {VK_DOWN, 6}, {VK_LEFT, 3}, {VK_NEXT, 13}, {VK_PRIOR, 3}, {VK_END, 100}, {VK_HOME, 0}};
  for (const Case& c : cases) {
    s.display.KeyPress(c.vk);
    s.display.RunUntilIdle();
    EXPECT_EQ(tb->Position(), c.expect) << c.vk;
  }
}

TEST_F(TrackBarTest, VerticalBarHasMinAtTheTop) {
  tb->SetOrientation(trVertical);
  EXPECT_EQ(tb->Width(), 45);
  s.display.RunUntilIdle();
  tb->SetPosition(100);
  const RECT th = Rect(TBM_GETTHUMBRECT), ch = Rect(TBM_GETCHANNELRECT);
  EXPECT_EQ((th.Top + th.Bottom) / 2, ch.Bottom - 1);
  const TPoint p = At((ch.Left + ch.Right) / 2, ch.Top + 2);
  s.display.Click(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(tb->Position(), 90);
}

TEST_F(TrackBarTest, FreedInItsOwnOnChange) {
  tb->OnChange = [this](TObject*) { delete tb; };
  const TPoint p = At(tb->PixelOf(50), 20);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(1000);
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(form->ControlCount(), 0);
}

}  // namespace

#include "platform/ui/controls/TrackBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"

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

// The thumb points toward the ticks: its two corners on that side are the
// bar's background and the middle of that side is the outline's tip; with
// ticks on both sides it is a plain rectangle. The bars are written next to
// the test program (track_bars.bmp) for a look.
TEST_F(TrackBarTest, ThumbPointsTowardItsTicks) {
  struct TCase {
    TTrackBarOrientation orientation;
    TTickMark marks;
    int dx, dy;  // the direction it points in; none for both
    TRect bounds;
  };
  const TCase cases[] = {
      {trHorizontal, tmBottomRight, 0, 1, {4, 4, 154, 49}},   {trHorizontal, tmTopLeft, 0, -1, {4, 54, 154, 99}},
      {trHorizontal, tmBoth, 0, 0, {4, 104, 154, 149}},       {trVertical, tmBottomRight, 1, 0, {170, 4, 215, 154}},
      {trVertical, tmTopLeft, -1, 0, {220, 4, 265, 154}},     {trVertical, tmBoth, 0, 0, {270, 4, 315, 154}},
  };
  delete tb;
  form->SetBounds(100, 100, 340, 200);
  const COLORREF back = ClassicRGB(clYellow);
  std::vector<TTrackBar*> bars;
  for (const TCase& c : cases) {
    auto* bar = new TTrackBar(form);
    bar->SetParent(form);
    bar->SetColor(clYellow);
    bar->SetRange(0, 10);
    bar->SetPosition(4);
    bar->SetTickMarks(c.marks);
    bar->SetOrientation(c.orientation);
    bar->SetBounds(c.bounds.Left, c.bounds.Top, c.bounds.Width(), c.bounds.Height());
    bars.push_back(bar);
  }
  s.display.RunUntilIdle();
  const std::string bmp = ProgramFolder() + "track_bars.bmp";
  EXPECT_TRUE(s.display.WriteBmp(form->Handle(), bmp.c_str())) << bmp;
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TCase& c = cases[i];
    TTrackBar* bar = bars[i];
    SCOPED_TRACE(i);
    auto at = [&](int px, int py) {
      const TPoint p = bar->ClientToScreen(TPoint{px, py});
      return s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top);
    };
    const TRect t = bar->ThumbRect();
    const TPoint corners[4] = {{t.Left, t.Top}, {t.Right - 1, t.Top}, {t.Left, t.Bottom - 1}, {t.Right - 1, t.Bottom - 1}};
    for (const TPoint& p : corners) {
      // A corner is cut away when it lies on the pointed side.
      const bool pointed = (c.dx > 0 && p.X == t.Right - 1) || (c.dx < 0 && p.X == t.Left) ||
                           (c.dy > 0 && p.Y == t.Bottom - 1) || (c.dy < 0 && p.Y == t.Top);
      EXPECT_EQ(at(p.X, p.Y) == back, pointed) << p.X << "," << p.Y;
    }
    if (c.dx || c.dy) {
      const int mx = c.dx > 0 ? t.Right - 1 : c.dx < 0 ? t.Left : (t.Left + t.Right) / 2;
      const int my = c.dy > 0 ? t.Bottom - 1 : c.dy < 0 ? t.Top : (t.Top + t.Bottom) / 2;
      EXPECT_NE(at(mx, my), back);
      // The point narrows one pixel a row on each side.
      const int sx = c.dy ? 1 : 0, sy = c.dx ? 1 : 0;
      EXPECT_EQ(at(mx - sx, my - sy), back);
      EXPECT_EQ(at(mx + sx, my + sy), back);
      EXPECT_NE(at(mx - sx - c.dx, my - sy - c.dy), back);
      EXPECT_NE(at(mx + sx - c.dx, my + sy - c.dy), back);
    }
  }
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

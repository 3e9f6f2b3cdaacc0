#include "app/tools/HandCutFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "SelectionSupport.h"
#include "platform/ui/forms/Timer.h"

namespace {

// The display a crop shows: inside as it was, outside darkened by 70, the
// edges in ants of the given phase, the 7 x 7 handle outlines white, drawn
// before the ants when the timer has redrawn them since.
RowImageBuffer CropModel(const RowImage& orig, TRect f, int phase, bool antsOverHandles) {
  RowImageBuffer m = RowImageBuffer::CopyOf(orig);
  for (int y = 0; y < orig.Height; ++y)
    for (int x = 0; x < orig.Width; ++x)
      if (x < f.Left || x > f.Right || y < f.Top || y > f.Bottom)
        for (int c = 0; c < 3; ++c)
          m.Row(y)[x * 3 + c] = Byte(std::max(0, orig.Row(y)[x * 3 + c] - 70));
  auto set = [&](int x, int y, Byte v) {
    if (x >= 0 && y >= 0 && x < orig.Width && y < orig.Height)
      for (int c = 0; c < 3; ++c) m.Row(y)[x * 3 + c] = v;
  };
  auto ants = [&] {
    for (int x = f.Left; x <= f.Right; ++x) {
      set(x, f.Top, AntBlack(x, f.Left, phase) ? 0 : 255);
      set(x, f.Bottom, AntBlack(x, f.Left, phase) ? 0 : 255);
    }
    for (int y = f.Top; y <= f.Bottom; ++y) {
      set(f.Left, y, AntBlack(y, f.Top, phase) ? 0 : 255);
      set(f.Right, y, AntBlack(y, f.Top, phase) ? 0 : 255);
    }
  };
  if (!antsOverHandles) ants();
  for (TPoint c : {TPoint{f.Left, f.Top}, TPoint{f.Left, f.Bottom}, TPoint{f.Right, f.Top}, TPoint{f.Right, f.Bottom}})
    for (int d = -3; d <= 3; ++d) {
      set(c.X + d, c.Y - 3, 255);
      set(c.X + d, c.Y + 3, 255);
      set(c.X - 3, c.Y + d, 255);
      set(c.X + 3, c.Y + d, 255);
    }
  if (antsOverHandles) ants();
  return m;
}

class HandCutFrameTest : public PictureSelectionFixture {
 protected:
  void SetUp() override { MakePicture(400, 300); }
};

TEST_F(HandCutFrameTest, StartDarkensOutsideAndDrawsAntsAndInclusiveHandles) {
  THandCutFrame frame(image);
  EXPECT_TRUE(frame.Idle());
  EXPECT_TRUE(image->AutoSize());
  EXPECT_TRUE(image->Stretch());
  frame.Start(100, 50, 299, 199);
  EXPECT_FALSE(frame.Idle());
  EXPECT_TRUE(frame.Timer()->Enabled());
  EXPECT_EQ(frame.Timer()->Interval(), 100u);
  const RowImage d = DisplayRows(image);
  for (int x : {99, 300})
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(d.Row(120)[x * 3 + c], std::max(0, orig.Row(120)[x * 3 + c] - 70)) << x;
  EXPECT_TRUE(Pixel(d, 150, 120, PatternByte(150, 120, 0), PatternByte(150, 120, 1), PatternByte(150, 120, 2)));
  // The handles' far edges (x + 3, y + 3) are drawn too.
  EXPECT_TRUE(Pixel(d, 302, 202, 255, 255, 255));
  EXPECT_TRUE(Pixel(d, 97, 47, 255, 255, 255));
  ExpectDisplay(CropModel(orig, TRect{100, 50, 299, 199}, 0, false));
  if (const char* dir = std::getenv("LUMIQA_SNAPSHOTS"))
    image->Picture()->SaveToFile(std::string(dir) + "/crop_frame.bmp");
}

TEST_F(HandCutFrameTest, AntsMarchOnePixelPerTickOnTheVirtualClock) {
  THandCutFrame frame(image);
  frame.Start(100, 50, 299, 199);
  int ticks = 0;
  for (int n : {1, 3, 9, 10, 13}) {
    SCOPED_TRACE(n);
    s.display.AdvanceTime(Int64(n - ticks) * 100);
    ticks = n;
    EXPECT_EQ(frame.Phase(), n % 10);
    ExpectDisplay(CropModel(orig, TRect{100, 50, 299, 199}, (n - 1) % 10, true));
  }
}

TEST_F(HandCutFrameTest, EachTickReachesTheScreen) {
  THandCutFrame frame(image);
  frame.Start(100, 50, 299, 199);
  s.display.RunUntilIdle();
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const TPoint origin = image->ClientToScreen(TPoint{0, 0});
  auto shown = [&](int x, int y) {
    return s.display.PixelAt(form->Handle(), origin.X - wr.Left + x, origin.Y - wr.Top + y);
  };
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    s.display.AdvanceTime(100);
    const RowImage d = DisplayRows(image);
    std::vector<TPoint> edge;
    for (int i = 0; i < 200; ++i) {
      edge.push_back({100 + i, 50});
      edge.push_back({100 + i, 199});
    }
    for (int i = 0; i < 150; ++i) {
      edge.push_back({100, 50 + i});
      edge.push_back({299, 50 + i});
    }
    for (TPoint p : edge) {
      const Byte* px = d.Row(p.Y) + p.X * 3;
      ASSERT_EQ(shown(p.X, p.Y), COLORREF(px[2] | px[1] << 8 | px[0] << 16)) << p.X << "," << p.Y;
    }
  }
}

TEST_F(HandCutFrameTest, CornerDragsResizeAndLeaveNoResidue) {
  struct Case {
    Word rw, rh;
    TRect start;
    TPoint press, to;
    TRect want;
  } cases[] = {
      {0, 0, {100, 50, 299, 199}, {100, 50}, {150, 80}, {150, 80, 299, 199}},
      {0, 0, {100, 50, 299, 199}, {97, 47}, {120, 60}, {120, 60, 299, 199}},  // outside, within 3
      {0, 0, {100, 50, 299, 199}, {301, 201}, {350, 250}, {100, 50, 350, 250}},
      {0, 0, {100, 50, 299, 199}, {299, 50}, {320, 20}, {100, 20, 320, 199}},
      {0, 0, {100, 50, 299, 199}, {100, 199}, {50, 280}, {50, 50, 299, 280}},
      {0, 0, {100, 50, 299, 199}, {100, 50}, {350, 250}, {299, 199, 350, 250}},  // across the anchor
      {0, 0, {100, 50, 299, 199}, {299, 199}, {500, 400}, {100, 50, 399, 299}},  // held on the picture
      {3, 4, {0, 0, 50, 50}, {50, 50}, {100, 100}, {0, 0, 75, 100}},
      {4, 3, {0, 0, 50, 50}, {50, 50}, {100, 100}, {0, 0, 100, 75}},
      {3, 4, {200, 100, 300, 200}, {200, 100}, {100, 0}, {150, 0, 300, 200}},
      // 1 : 1 on a square drag sets the height from the width plus one: kept on the picture.
      {1, 1, {0, 0, 50, 50}, {50, 50}, {299, 299}, {0, 0, 299, 299}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.press.X << "," << c.press.Y << " to " << c.to.X << "," << c.to.Y);
    THandCutFrame frame(image);
    frame.RatioWidth = c.rw;
    frame.RatioHeight = c.rh;
    frame.Start(c.start.Left, c.start.Top, c.start.Right, c.start.Bottom);
    Down(image, c.press.X, c.press.Y);
    EXPECT_TRUE(frame.Dragging());
    EXPECT_FALSE(frame.Timer()->Enabled());  // ants rest during a drag
    Move(image, (c.press.X + c.to.X) / 2, (c.press.Y + c.to.Y) / 2);
    Move(image, c.to.X, c.to.Y);
    Up(image, c.to.X, c.to.Y);
    EXPECT_EQ(frame.Frame(), c.want);
    EXPECT_TRUE(frame.Timer()->Enabled());
    ExpectDisplay(CropModel(orig, c.want, 0, false));
    frame.Cancel();
    ExpectDisplay(orig);
  }
}

TEST_F(HandCutFrameTest, MovesKeepTheSizeAndStayOnThePicture) {
  struct Case {
    TPoint press, to;
    TRect want;
  } cases[] = {
      {{150, 100}, {170, 130}, {120, 80, 319, 229}},
      {{150, 100}, {1000, -500}, {200, 0, 399, 149}},
      {{290, 190}, {-50, 400}, {0, 150, 199, 299}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.to.X << "," << c.to.Y);
    THandCutFrame frame(image);
    frame.Start(100, 50, 299, 199);
    Drag(image, c.press, c.to);
    EXPECT_EQ(frame.Frame(), c.want);
    ExpectDisplay(CropModel(orig, c.want, 0, false));
    frame.Cancel();
  }
}

TEST_F(HandCutFrameTest, CancelRestoresEveryPixelAndTheHandlers) {
  THandCutFrame frame(image);
  frame.Start(100, 50, 299, 199);
  s.display.AdvanceTime(700);
  Drag(image, {100, 50}, {30, 20});
  s.display.AdvanceTime(300);
  Drag(image, {150, 100}, {250, 180});
  frame.Cancel();
  EXPECT_TRUE(frame.Idle());
  EXPECT_FALSE(frame.Timer()->Enabled());
  EXPECT_EQ(image->Cursor(), crDefault);
  ExpectDisplay(orig);
  s.display.AdvanceTime(500);
  ExpectDisplay(orig);  // no tick draws after the end
  const int before = downs;
  Drag(image, {150, 100}, {200, 150});
  EXPECT_EQ(downs, before + 1);  // the page's own handler again
  ExpectDisplay(orig);
  frame.Cancel();  // nothing to cancel
  ExpectDisplay(orig);
}

TEST_F(HandCutFrameTest, FinishHandsOverTheFrameOnlyWhenThereIsOne) {
  THandCutFrame frame(image);
  TRect r{-9, -9, -9, -9};
  EXPECT_FALSE(frame.Finish(r));
  EXPECT_EQ(r, (TRect{-9, -9, -9, -9}));
  frame.Start(100, 50, 299, 199);
  // The top-left corner dropped on its anchor: an empty frame is not a crop.
  Down(image, 100, 50);
  Move(image, 299, 199);
  Up(image, 299, 199);
  EXPECT_EQ(frame.Frame(), (TRect{0, 0, 0, 0}));
  EXPECT_FALSE(frame.Finish(r));
  EXPECT_FALSE(frame.Idle());
  // A new frame from the corner at (0, 0).
  Drag(image, {0, 0}, {40, 30});
  ASSERT_TRUE(frame.Finish(r));
  EXPECT_EQ(r, (TRect{0, 0, 40, 30}));
  EXPECT_TRUE(frame.Idle());
  EXPECT_FALSE(frame.Timer()->Enabled());
  // The display is left darkened for the caller to replace.
  ExpectDisplay(CropModel(orig, TRect{0, 0, 40, 30}, 0, false));
  EXPECT_FALSE(frame.Finish(r));
}

TEST_F(HandCutFrameTest, ChainsToTheControlsHandlersAndSetsCursors) {
  THandCutFrame frame(image);
  frame.Start(100, 50, 299, 199);
  Down(image, 150, 100, TMouseButton::mbRight);
  EXPECT_FALSE(frame.Dragging());
  Up(image, 150, 100, TMouseButton::mbRight);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
  struct Case {
    int x, y;
    TCursor cursor;
  } cases[] = {{101, 51, crSizeNWSE}, {298, 198, crSizeNWSE}, {302, 47, crSizeNESW},
               {100, 199, crSizeNESW}, {200, 100, crSizeAll}, {10, 10, crDefault}};
  for (const Case& c : cases) {
    Move(image, c.x, c.y);
    EXPECT_EQ(image->Cursor(), c.cursor) << c.x << "," << c.y;
  }
  EXPECT_EQ(moves, 6);
  Drag(image, {150, 100}, {160, 110});
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(ups, 2);
  // A move that did not move ends without the page's handler; the ants go on.
  Down(image, 150, 100);
  Up(image, 150, 100);
  EXPECT_EQ(ups, 2);
  EXPECT_TRUE(frame.Timer()->Enabled());
}

TEST_F(HandCutFrameTest, AFramePastThePictureIsHeldOnIt) {
  THandCutFrame frame(image);
  frame.Start(-20, 250, 500, 900);
  EXPECT_EQ(frame.Frame(), (TRect{0, 250, 399, 299}));
  ExpectDisplay(CropModel(orig, TRect{0, 250, 399, 299}, 0, false));
}

TEST_F(HandCutFrameTest, DestroyedWhileCroppingGivesTheHandlersBack) {
  {
    THandCutFrame frame(image);
    frame.Start(100, 50, 299, 199);
  }
  Down(image, 150, 100);
  EXPECT_EQ(downs, 1);
}

}  // namespace

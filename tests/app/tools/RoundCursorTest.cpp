#include "app/tools/RoundCursor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "SelectionSupport.h"
#include "app/tools/MyImage.h"

namespace {

// The picture with the circle of radius r about c inverted, clipped.
RowImageBuffer CircleModel(const RowImage& orig, TPoint c, int r) {
  RowImageBuffer m = RowImageBuffer::CopyOf(orig);
  for (int y = 0; y < orig.Height; ++y)
    for (int x = 0; x < orig.Width; ++x) {
      const double dx = x - c.X, dy = y - c.Y;
      if (std::nearbyint(std::sqrt(dx * dx + dy * dy)) == r)
        for (int k = 0; k < 3; ++k) m.Row(y)[x * 3 + k] = Byte(255 - m.Row(y)[x * 3 + k]);
    }
  return m;
}

TEST(InvertCircle, InvertsExactlyThePixelsAtTheRoundedRadius) {
  struct Case {
    TPoint c;
    int r;
  } cases[] = {{{30, 25}, 15}, {{30, 25}, 1}, {{30, 25}, 2}, {{2, 3}, 5},     {{58, 48}, 20},
               {{30, 25}, 50}, {{-10, 25}, 12}, {{30, 25}, 0}, {{900, 900}, 5}, {{30, 25}, 7}};
  RowImageBuffer picture(60, 50);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 180; ++x) picture.Row(y)[x] = Byte(x * 13 + y * 7);
  const RowImageBuffer orig = RowImageBuffer::CopyOf(picture);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.c.X << "," << c.c.Y << " r " << c.r);
    InvertCircle(picture, c.c, c.r);
    const TPoint at = FirstDifference(picture, CircleModel(orig, c.c, c.r));
    EXPECT_EQ(at, (TPoint{-1, -1})) << at.X << "," << at.Y;
    InvertCircle(picture, c.c, c.r);
    EXPECT_EQ(FirstDifference(picture, orig), (TPoint{-1, -1}));
  }
}

class RoundCursorTest : public SelectionFixture {
 protected:
  TMyImage* image = nullptr;
  RowImageBuffer orig;
  std::vector<std::string> events;

  void SetUp() override {
    MakeForm();
    image = new TMyImage(form);
    image->SetParent(form);
    image->SetBounds(20, 30, 200, 150);
    ShowPattern(image, 200, 150);
    s.display.RunUntilIdle();
    orig = Snapshot(image);
    image->TImage::OnMouseEnter = [this](TObject*) { events.push_back("control enter"); };
    image->TImage::OnMouseLeave = [this](TObject*) { events.push_back("control leave"); };
    image->OnMouseEnter = [this](TObject* s) { events.push_back(s == image ? "enter" : "enter?"); };
    image->OnMouseLeave = [this](TObject* s) { events.push_back(s == image ? "leave" : "leave?"); };
    image->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
      events.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    };
    image->OnMouseMove = [this](TObject*, TShiftState, int, int) { events.push_back("move"); };
    image->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); };
  }
  void MoveOn(int x, int y) {
    const TPoint p = image->ClientToScreen(TPoint{x, y});
    s.display.MouseMove(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void MoveOff() {
    const TPoint p = form->ClientToScreen(TPoint{600, 400});
    s.display.MouseMove(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void ExpectDisplay(const RowImage& want) { ExpectShows(image, want); }
};

TEST_F(RoundCursorTest, EnterAndLeaveFireAfterTheControlsOwnHandling) {
  MoveOn(50, 50);
  MoveOn(60, 50);
  MoveOff();
  const std::vector<std::string> want = {"control enter", "enter", "move", "move", "control leave", "leave"};
  EXPECT_EQ(events, want);
  MoveOn(10, 10);
  EXPECT_EQ(events.back(), "move");
  EXPECT_EQ(events[events.size() - 2], "enter");
}

TEST_F(RoundCursorTest, TheOutlineFollowsTheMouseAndLeavesNoTrace) {
  TRoundCursor eraser(image);
  EXPECT_EQ(eraser.Radius(), 15);
  EXPECT_EQ(eraser.Position(), (TPoint{-1, -1}));
  for (TPoint p : {TPoint{50, 50}, TPoint{53, 51}, TPoint{5, 140}, TPoint{199, 0}, TPoint{100, 75}}) {
    SCOPED_TRACE(testing::Message() << p.X << "," << p.Y);
    MoveOn(p.X, p.Y);
    EXPECT_EQ(eraser.Position(), p);
    ExpectDisplay(CircleModel(orig, p, 15));
  }
  if (const char* dir = std::getenv("LUMIQA_SNAPSHOTS"))
    image->Picture()->SaveToFile(std::string(dir) + "/round_cursor.bmp");
  eraser.SetRadius(30);
  EXPECT_EQ(eraser.Radius(), 30);
  ExpectDisplay(CircleModel(orig, TPoint{100, 75}, 30));
  MoveOff();
  EXPECT_EQ(eraser.Position(), (TPoint{-1, -1}));
  ExpectDisplay(orig);
  eraser.SetRadius(5);  // nothing shown: nothing drawn
  ExpectDisplay(orig);
  // The page's handlers still hear everything, after the eraser.
  EXPECT_EQ(events.front(), "control enter");
  EXPECT_EQ(std::count(events.begin(), events.end(), "move"), 5);
  EXPECT_EQ(events.back(), "leave");
}

TEST_F(RoundCursorTest, ALeftPressErasesWhereItIsEvenWithoutAMoveBefore) {
  TRoundCursor eraser(image);
  std::vector<std::pair<TPoint, int>> erased;
  eraser.OnErase = [&](TPoint p, int r) { erased.push_back({p, r}); };
  // A press with no move before it (a tap): not at (-1, -1).
  Down(image, 40, 60);
  ASSERT_EQ(erased.size(), 1u);
  EXPECT_EQ(erased[0].first, (TPoint{40, 60}));
  EXPECT_EQ(erased[0].second, 15);
  ExpectDisplay(CircleModel(orig, TPoint{40, 60}, 15));
  Up(image, 40, 60);
  Move(image, 70, 80);
  Down(image, 70, 80, TMouseButton::mbRight);
  EXPECT_EQ(erased.size(), 1u);
  Down(image, 70, 80);
  ASSERT_EQ(erased.size(), 2u);
  EXPECT_EQ(erased[1].first, (TPoint{70, 80}));
  ExpectDisplay(CircleModel(orig, TPoint{70, 80}, 15));
  const std::vector<std::string> tail(events.end() - 5, events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"down 40,60", "up", "move", "down 70,80", "down 70,80"}));
}

TEST_F(RoundCursorTest, DestroyGivesTheFiveHandlersBack) {
  {
    TRoundCursor eraser(image);
    MoveOn(50, 50);
    MoveOff();
  }
  events.clear();
  MoveOn(50, 50);
  Down(image, 50, 50);
  Up(image, 50, 50);
  MoveOff();
  const std::vector<std::string> want = {"control enter", "enter", "move", "down 50,50", "up", "control leave", "leave"};
  EXPECT_EQ(events, want);
  ExpectDisplay(orig);
}

}  // namespace

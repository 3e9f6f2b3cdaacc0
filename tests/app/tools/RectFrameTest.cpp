#include "app/tools/RectFrame.h"

#include <gtest/gtest.h>

#include <vector>

#include "SelectionSupport.h"
#include "platform/ui/forms/Timer.h"

namespace {

// The picture with the rectangle's edges in ants of the given phase.
RowImageBuffer RectModel(const RowImage& orig, TRect f, int phase) {
  RowImageBuffer m = RowImageBuffer::CopyOf(orig);
  auto set = [&](int x, int y, bool black) {
    for (int c = 0; c < 3; ++c) m.Row(y)[x * 3 + c] = black ? 0 : 255;
  };
  for (int x = f.Left; x <= f.Right; ++x) {
    set(x, f.Top, AntBlack(x, f.Left, phase));
    set(x, f.Bottom, AntBlack(x, f.Left, phase));
  }
  for (int y = f.Top; y <= f.Bottom; ++y) {
    set(f.Left, y, AntBlack(y, f.Top, phase));
    set(f.Right, y, AntBlack(y, f.Top, phase));
  }
  return m;
}

class RectFrameTest : public PictureSelectionFixture {
 protected:
  std::vector<bool> told;
  std::unique_ptr<TRectFrame> frame;

  void SetUp() override {
    MakePicture(400, 300);
    frame = std::make_unique<TRectFrame>(image);
    frame->OnSelection = [this](bool selected) { told.push_back(selected); };
  }
  void TearDown() override { frame.reset(); }
};

TEST_F(RectFrameTest, DetachedUntilAttached) {
  Drag(image, {10, 10}, {50, 50});
  EXPECT_FALSE(frame->HasRect());
  EXPECT_EQ(downs, 1);
  ExpectDisplay(orig);
}

TEST_F(RectFrameTest, DragsDrawNormalisedRectanglesAndTellTheOwner) {
  struct Case {
    TPoint from, to;
    TRect want;
  } cases[] = {
      {{10, 20}, {110, 80}, {10, 20, 110, 80}},
      {{120, 90}, {10, 20}, {10, 20, 120, 90}},  // pressed outside the last one
      {{300, 10}, {250, 60}, {250, 10, 300, 60}},
      {{350, 250}, {900, -40}, {350, 0, 399, 250}},  // held on the picture
  };
  frame->Attach();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from.X << "," << c.from.Y);
    told.clear();
    Drag(image, c.from, c.to);
    TRect r;
    ASSERT_TRUE(frame->GetRect(r));
    EXPECT_EQ(r, c.want);
    EXPECT_EQ(told, std::vector<bool>{true});
    EXPECT_TRUE(frame->Timer()->Enabled());
    // The previous rectangle's edges are gone: only this one shows.
    ExpectDisplay(RectModel(orig, c.want, 0));
  }
  s.display.AdvanceTime(400);
  EXPECT_EQ(frame->Phase(), 4);
  ExpectDisplay(RectModel(orig, cases[3].want, 3));
}

TEST_F(RectFrameTest, AClickDropsTheRectangleWithoutChaining) {
  frame->Attach();
  Drag(image, {10, 20}, {110, 80});
  const int ups0 = ups;
  told.clear();
  Down(image, 200, 200);
  Up(image, 200, 200);
  EXPECT_FALSE(frame->HasRect());
  TRect r;
  EXPECT_FALSE(frame->GetRect(r));
  EXPECT_EQ(frame->Frame(), (TRect{0, 0, 0, 0}));
  EXPECT_EQ(told, std::vector<bool>{false});
  EXPECT_EQ(ups, ups0);
  ExpectDisplay(orig);
}

TEST_F(RectFrameTest, MovesKeepTheSizeAndStayOnThePicture) {
  struct Case {
    TPoint press, to;
    TRect want;
  } cases[] = {
      {{50, 50}, {70, 40}, {30, 20, 130, 80}},
      {{50, 50}, {1000, 1000}, {299, 239, 399, 299}},
      {{100, 85}, {-300, -300}, {0, 0, 100, 60}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.to.X << "," << c.to.Y);
    frame->Attach();
    Drag(image, {10, 30}, {110, 90});
    told.clear();
    s.display.AdvanceTime(300);
    Drag(image, c.press, c.to);
    EXPECT_EQ(frame->Frame(), c.want);
    EXPECT_TRUE(frame->HasRect());
    EXPECT_EQ(told, std::vector<bool>{true});
    ExpectDisplay(RectModel(orig, c.want, 0));
    frame->Clear(false);
    ExpectDisplay(orig);
  }
}

TEST_F(RectFrameTest, CursorShowsTheMoveInsideAndHandlersChain) {
  frame->Attach();
  Move(image, 50, 50);
  EXPECT_EQ(image->Cursor(), crDefault);
  Drag(image, {10, 30}, {110, 90});
  Move(image, 50, 50);
  EXPECT_EQ(image->Cursor(), crSizeAll);
  Move(image, 111, 50);
  EXPECT_EQ(image->Cursor(), crDefault);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(moves, 5);
  EXPECT_EQ(ups, 1);
  Down(image, 50, 50, TMouseButton::mbRight);
  EXPECT_EQ(downs, 2);
}

TEST_F(RectFrameTest, ClearErasesOrKeepsAndTells) {
  frame->Attach();
  Drag(image, {10, 30}, {110, 90});
  s.display.AdvanceTime(700);
  told.clear();
  frame->Clear(true);
  EXPECT_EQ(told, std::vector<bool>{false});
  EXPECT_FALSE(frame->Timer()->Enabled());
  ExpectDisplay(RectModel(orig, TRect{10, 30, 110, 90}, 6));
  frame->Clear(false);  // nothing left to clear
  EXPECT_EQ(told.size(), 1u);

  frame->Attach();
  ShowPattern(image, 400, 300);
  frame->Attach();
  Drag(image, {10, 30}, {110, 90});
  s.display.AdvanceTime(700);
  frame->Clear(false);
  ExpectDisplay(orig);
}

TEST_F(RectFrameTest, RescaleScalesAndClampsToTheNewDisplay) {
  struct Case {
    int w, h;         // display before
    TRect rect;
    int nw, nh;       // display after
    double factor;
    bool kept;
    TRect want;
  } cases[] = {
      {400, 300, {10, 20, 30, 40}, 800, 600, 2.0, true, {20, 40, 60, 80}},
      // Halves go to even: 2.5 -> 2, 7.5 -> 8.
      {400, 300, {5, 15, 25, 35}, 200, 150, 0.5, true, {2, 8, 12, 18}},
      // From 2.0 to 1.5 on an odd width: 0.75 x 2001 = 1500.75 rounds past the 1501-pixel display.
      {2002, 60, {1000, 10, 2001, 59}, 1501, 45, 0.75, true, {750, 8, 1500, 44}},
      {400, 300, {300, 200, 399, 299}, 100, 75, 0.25, true, {75, 50, 99, 74}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.factor);
    ShowPattern(image, c.w, c.h);
    frame->Attach();
    Drag(image, {c.rect.Left, c.rect.Top}, {c.rect.Right, c.rect.Bottom});
    ASSERT_EQ(frame->Frame(), c.rect);
    told.clear();
    ShowPattern(image, c.nw, c.nh);
    const RowImageBuffer shown = Snapshot(image);
    frame->Attach();
    frame->Rescale(true, c.factor);
    EXPECT_EQ(frame->HasRect(), c.kept);
    EXPECT_EQ(frame->Frame(), c.want);
    EXPECT_TRUE(told.empty());
    s.display.AdvanceTime(100);
    ExpectDisplay(RectModel(shown, c.want, 0));
    frame->Clear(false);
    ExpectDisplay(shown);
  }
}

TEST_F(RectFrameTest, RescaleWithoutARectangleOrWithABadFactorDoesNothing) {
  frame->Attach();
  frame->Rescale(false, 2.0);
  EXPECT_FALSE(frame->HasRect());
  EXPECT_FALSE(frame->Timer()->Enabled());
  Drag(image, {10, 30}, {110, 90});
  for (double bad : {0.0, -1.0, std::nan("")}) {
    frame->Rescale(false, bad);
    EXPECT_EQ(frame->Frame(), (TRect{10, 30, 110, 90}));
  }
}

}  // namespace

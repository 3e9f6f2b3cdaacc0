// The themed track bar and scroll bar: geometry, setters, dragging,
// paging with its repeat, the arrows' repeat, and the thumb.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "platform/graphics/Picture.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/bars/KZUScrollBar.h"
#include "themed/bars/KZUTrackBar.h"
#include "themed/panels/KZUImagePanel.h"

namespace {

using S = TkzuUIStyle;

class KZUTrackBarTest : public ThemedTest {
 protected:
  TkzuTrackBar* NewBar(S look = S::WinXP, int width = 200) {
    auto* t = Make<TkzuTrackBar>(form, 10, 10, look);
    t->SetWidth(width);
    s.display.RunUntilIdle();
    return t;
  }
  std::vector<int> changes;
  void Record(TkzuTrackBar* t) {
    t->OnChange = [this, t](TObject* sender) {
      EXPECT_EQ(sender, t);
      changes.push_back(t->Position());
    };
  }
  void DragTo(TControl* c, int x, int y) {
    TPoint p = Screen(c, x, y);
    s.display.MouseMove(p.X, p.Y);
    s.display.RunUntilIdle();
  }
};

TEST_F(KZUTrackBarTest, CreatedWithDefaultsAndTheLookPictures) {
  TkzuTrackBar* t = NewBar();
  EXPECT_EQ(t->Min(), 0);
  EXPECT_EQ(t->Max(), 100);
  EXPECT_EQ(t->Position(), 0);
  EXPECT_EQ(t->PageSize(), 10);
  EXPECT_EQ(t->Orientation(), kzuHorizontal);
  EXPECT_EQ(t->Color(), GetThemeColor(S::WinXP, 79));
  // WinXP's slider is 11 x 20 and its bar 4 high: the bar is as high as the slider.
  EXPECT_EQ(t->Slider()->Width(), 11);
  EXPECT_EQ(t->Slider()->Height(), 20);
  EXPECT_EQ(t->Height(), 20);
  EXPECT_EQ(t->BarImage()->Height(), 4);
}

TEST_F(KZUTrackBarTest, PositionClampsAndRangeSettersStoreUnchecked) {
  TkzuTrackBar* t = NewBar();
  Record(t);
  t->SetPosition(150);
  EXPECT_EQ(t->Position(), 100);
  t->SetPosition(-5);
  EXPECT_EQ(t->Position(), 0);
  t->SetPosition(60);
  t->SetMax(40);  // stored, the position stays
  EXPECT_EQ(t->Max(), 40);
  EXPECT_EQ(t->Position(), 60);
  EXPECT_EQ(changes, (std::vector<int>{100, 0, 60}));
  t->SetPageSize(150);
  EXPECT_EQ(t->PageSize(), 10);
  t->SetPageSize(0);
  EXPECT_EQ(t->PageSize(), 0);
}

TEST_F(KZUTrackBarTest, OnChangeOnlyForANewPosition) {
  TkzuTrackBar* t = NewBar();
  Record(t);
  t->SetPosition(30);
  t->SetPosition(30);
  t->SetMin(0);
  t->SetMax(100);
  EXPECT_EQ(changes, (std::vector<int>{30}));
}

TEST_F(KZUTrackBarTest, SliderGeometryTable) {
  TkzuTrackBar* t = NewBar(S::WinXP, 211);  // sw 11: 200 pixels of travel
  struct Case {
    int min, max, pos, left;
  } cases[] = {{0, 100, 0, 0}, {0, 100, 50, 100}, {0, 100, 100, 200}, {-50, 50, 0, 100},
               {10, 10, 10, 0}, {0, 1000, 333, 66}};
  for (const Case& c : cases) {
    t->SetMin(c.min);
    t->SetMax(c.max);
    t->SetPosition(c.pos);
    EXPECT_EQ(t->PositionToSliderPos().X, c.left) << c.min << ".." << c.max << " @" << c.pos;
    EXPECT_EQ(t->Slider()->Left(), c.left) << c.min << ".." << c.max << " @" << c.pos;
    EXPECT_EQ(t->Slider()->Top(), 0);
  }
  t->SetMin(0);
  t->SetMax(100);
  EXPECT_EQ(t->PointToPosition(5, 0), 0);    // the slider's centre at the start
  EXPECT_EQ(t->PointToPosition(105, 0), 50);
  EXPECT_EQ(t->PointToPosition(205, 0), 100);
  EXPECT_EQ(t->PointToPosition(0, 0), -2);   // truncated toward zero: (0-5)*100/200
  t->SetMax(0);
  EXPECT_EQ(t->PointToPosition(150, 0), 0);  // Max = Min: every point is Min
}

TEST_F(KZUTrackBarTest, NewRangeMovesTheSliderEvenWithTheSamePosition) {
  TkzuTrackBar* t = NewBar(S::WinXP, 211);
  t->SetPosition(50);
  EXPECT_EQ(t->Slider()->Left(), 100);
  t->SetMax(200);
  EXPECT_EQ(t->Position(), 50);
  EXPECT_EQ(t->Slider()->Left(), 50);
  t->SetWidth(411);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->Slider()->Left(), 100);
}

TEST_F(KZUTrackBarTest, WideRangesDoNotOverflow) {
  TkzuTrackBar* t = NewBar(S::WinXP, 211);
  t->SetMin(INT_MIN);
  t->SetMax(INT_MAX);
  t->SetPosition(0);
  EXPECT_EQ(t->Slider()->Left(), 100);
  t->SetPosition(INT_MAX);
  EXPECT_EQ(t->Slider()->Left(), 200);
  EXPECT_EQ(t->PointToPosition(205, 0), INT_MAX);
}

TEST_F(KZUTrackBarTest, DraggingTheSliderSetsThePositionAndReportsEachChange) {
  TkzuTrackBar* t = NewBar(S::WinXP, 211);
  Record(t);
  TkzuImagePanel* slider = t->Slider();
  Press(slider, 5, 10);
  EXPECT_TRUE(t->Dragging());
  DragTo(t, 105, 10);
  EXPECT_EQ(t->Position(), 50);
  EXPECT_EQ(slider->Left(), 100);
  DragTo(t, 105, 10);  // no move of the value, no report
  DragTo(t, 400, 10);  // past the end: slider and value at their ends
  EXPECT_EQ(t->Position(), 100);
  EXPECT_EQ(slider->Left(), 200);
  DragTo(t, -50, 10);
  EXPECT_EQ(t->Position(), 0);
  EXPECT_EQ(slider->Left(), 0);
  Release(t, -50, 10);
  EXPECT_FALSE(t->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(changes, (std::vector<int>{50, 100, 0}));
  DragTo(t, 150, 10);  // released: moves do nothing
  EXPECT_EQ(t->Position(), 0);
}

TEST_F(KZUTrackBarTest, PressOnTheBarPagesAndRepeatsEvery500ms) {
  TkzuTrackBar* t = NewBar(S::WinXP, 211);
  Record(t);
  Press(t, 180, 10);  // right of the slider, toward 87
  EXPECT_EQ(t->Position(), 10);
  s.display.AdvanceTime(499);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->Position(), 10);
  s.display.AdvanceTime(1);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->Position(), 20);
  for (int i = 0; i < 10; ++i) {
    s.display.AdvanceTime(500);
    s.display.RunUntilIdle();
  }
  EXPECT_EQ(t->Position(), 87);  // never past the pressed point
  Release(t, 180, 10);
  EXPECT_FALSE(t->Repeating());
  s.display.AdvanceTime(2000);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->Position(), 87);
  // Back toward the start.
  Press(t, 10, 10);
  EXPECT_EQ(t->Position(), 77);
  Release(t, 10, 10);
  EXPECT_EQ(changes.front(), 10);
  EXPECT_EQ(changes.back(), 77);
}

TEST_F(KZUTrackBarTest, LeavingTheBarStopsThePaging) {
  TkzuTrackBar* t = NewBar(S::WinXP, 211);
  Press(t, 180, 10);
  EXPECT_TRUE(t->Repeating());
  DragTo(t, 180, 60);
  EXPECT_FALSE(t->Repeating());
  s.display.AdvanceTime(1000);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->Position(), 10);
  Release(t, 180, 60);
}

TEST_F(KZUTrackBarTest, VerticalTurnsTheBarAndUsesTheVerticalSlider) {
  TkzuTrackBar* t = NewBar(S::WinXP);
  t->SetOrientation(kzuVertical);
  t->SetHeight(111);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->Slider()->Width(), 18);
  EXPECT_EQ(t->Slider()->Height(), 11);
  EXPECT_EQ(t->Width(), 18);
  t->SetPosition(100);
  EXPECT_EQ(t->Slider()->Top(), 100);
  EXPECT_EQ(t->Slider()->Left(), 0);
  EXPECT_EQ(t->PointToPosition(0, 55), 50);
}

TEST_F(KZUTrackBarTest, CustomLookDrawsItsOwnBarUnscaled) {
  TkzuTrackBar* t = NewBar(S::Custom);
  TBitmap b(30, 6, pfDevice);
  b.Canvas()->Brush()->SetColor(TColor(0x0000FF));
  b.Canvas()->FillRect(TRect{0, 0, 30, 6});
  TPicture p;
  p.SetGraphic(&b);
  t->SetBarImage(&p);
  t->SetColor(TColor(0x00FF00));
  t->SetSliderVisible(false);
  s.display.RunUntilIdle();
  // The slider keeps the picture it had, so the cross size stays its height.
  EXPECT_EQ(t->Height(), std::max(6, t->Slider()->Height()));
  const int top = (t->Height() - 6) / 2;
  EXPECT_EQ(At(t, 5, top), COLORREF(0x0000FF));
  EXPECT_EQ(At(t, 29, top + 5), COLORREF(0x0000FF));
  EXPECT_EQ(At(t, 30, top), COLORREF(0x00FF00));
  EXPECT_EQ(At(t, 5, top + 6), COLORREF(0x00FF00));
}

TEST_F(KZUTrackBarTest, HandlerMayFreeTheBar) {
  TkzuTrackBar* t = NewBar();
  t->OnChange = [t](TObject*) { delete t; };
  t->SetPosition(10);
  s.display.RunUntilIdle();
}

class KZUScrollBarTest : public KZUTrackBarTest {
 protected:
  TkzuScrollBar* NewScroll(S look = S::WinXP) {
    auto* b = Make<TkzuScrollBar>(form, 300, 10, look);
    s.display.RunUntilIdle();
    return b;
  }
};

TEST_F(KZUScrollBarTest, LaysOutArrowsAndTrack) {
  TkzuScrollBar* b = NewScroll();
  // WinXP arrows are 16 x 17.
  EXPECT_EQ(b->Height(), 185);
  EXPECT_EQ(b->Width(), 16);
  EXPECT_EQ(b->UpButton()->Top(), 0);
  EXPECT_EQ(b->Track()->Top(), 17);
  EXPECT_EQ(b->Track()->Height(), 185 - 17 - 17 - 1);
  EXPECT_EQ(b->DownButton()->Top(), 185 - 17);
  EXPECT_EQ(b->Color(), GetThemeColor(S::WinXP, 84));
  EXPECT_EQ(b->Track()->Color(), GetThemeColor(S::WinXP, 84));
  b->SetOrientation(kzuHorizontal);
  b->SetWidth(200);
  s.display.RunUntilIdle();
  EXPECT_EQ(b->Height(), 16);
  EXPECT_EQ(b->UpButton()->Width(), 17);
  EXPECT_EQ(b->Track()->Left(), 17);
  EXPECT_EQ(b->Track()->Width(), 200 - 34);
  EXPECT_EQ(b->DownButton()->Left(), 200 - 17);
}

TEST_F(KZUScrollBarTest, ThumbLengthFromPageSizeOrLineButton) {
  TkzuScrollBar* b = NewScroll();
  const int track = b->Track()->Height();
  struct Case {
    int page, line, length;
  } cases[] = {{50, 0, 50 * track / 100}, {5, 0, 10 * track / 100}, {100, 0, track}, {50, 5, 18}, {50, 40, 40}};
  for (const Case& c : cases) {
    b->SetLineButton(c.line);
    b->SetPageSize(c.page);
    EXPECT_EQ(b->Track()->Slider()->Height(), c.length) << c.page << "/" << c.line;
    EXPECT_EQ(b->Track()->Slider()->Width(), 16);
  }
  EXPECT_EQ(b->LineButton(), 40);
  b->SetLineButton(5);
  EXPECT_EQ(b->LineButton(), 18);
}

TEST_F(KZUScrollBarTest, ThumbStaysOnTheTrackWhenItGrows) {
  TkzuScrollBar* b = NewScroll();
  b->SetPosition(100);
  b->SetLineButton(100);
  TkzuTrackBar* t = b->Track();
  EXPECT_EQ(t->Slider()->Top() + t->Slider()->Height(), t->Height());
}

TEST_F(KZUScrollBarTest, ArrowsStepEvery100msWhileHeld) {
  TkzuScrollBar* b = NewScroll();
  b->SetPosition(50);
  b->SmallChange = 3;
  std::vector<int> seen;
  b->SetOnChange([&](TObject*) { seen.push_back(b->Position()); });
  ClickOn(b->DownButton(), 8, 8);  // a short click does not step
  EXPECT_EQ(b->Position(), 50);
  Press(b->DownButton(), 8, 8);
  s.display.AdvanceTime(100);
  s.display.RunUntilIdle();
  s.display.AdvanceTime(100);
  s.display.RunUntilIdle();
  Release(b->DownButton(), 8, 8);
  EXPECT_EQ(b->Position(), 56);
  Press(b->UpButton(), 8, 8);
  s.display.AdvanceTime(100);
  s.display.RunUntilIdle();
  Release(b->UpButton(), 8, 8);
  EXPECT_EQ(b->Position(), 53);
  EXPECT_EQ(seen, (std::vector<int>{53, 56, 53}));
}

TEST_F(KZUScrollBarTest, PassesValuesToTheTrack) {
  TkzuScrollBar* b = NewScroll();
  b->SetMax(500);
  b->SetMin(20);
  b->SetPosition(600);
  EXPECT_EQ(b->Track()->Max(), 500);
  EXPECT_EQ(b->Track()->Min(), 20);
  EXPECT_EQ(b->Position(), 500);
  b->SetLargeChange(30);
  EXPECT_EQ(b->PageSize(), 30);
  b->SetColor(TColor(0x123456));
  EXPECT_EQ(b->Track()->Color(), TColor(0x123456));
  b->SetSliderVisible(false);
  EXPECT_FALSE(b->Track()->GetSliderVisible());
}

}  // namespace

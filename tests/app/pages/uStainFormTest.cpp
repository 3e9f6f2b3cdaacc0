// The blemish step's page in the wizard: the eraser's outline over the
// picture, a click filling the disc as the routine does at the current zoom
// with one history entry each, the wheel sizing the eraser through the main
// window, and a click with nothing to fill from changing nothing.
#include <cstdint>

#include "app/tools/HandCutFrame.h"
#include "app/tools/MyImage.h"
#include "app/pixels/RotateImage.h"
#include "app/tools/RoundCursor.h"
#include "app/main/uMain_History.h"
#include "app/main/uMain_View.h"
#include "app/pixels/uStain.h"
#include "app/pages/uStain_Form.h"
#include "platform/ui/forms/Screen.h"
#include "tests/app/tools/SelectionSupport.h"
#include "tests/app/pages/PageTestSupport.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

// Blemishes on skin: grain over a gradient with dark spots.
std::unique_ptr<TBitmap> SpottedPicture(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  std::uint32_t seed = 0x2545F491u;
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed % 9) - 4;
      const bool spot = ((x - 60) * (x - 60) + (y - 50) * (y - 50) < 36) || ((x % 40 - 20) * (x % 40 - 20) < 4 && y % 30 < 3);
      row[x * 3] = ClampByte((spot ? 30 : 130 + x / 4) + grain);
      row[x * 3 + 1] = ClampByte((spot ? 35 : 150 + y / 4) + grain);
      row[x * 3 + 2] = ClampByte((spot ? 50 : 200) + grain);
    }
  }
  return b;
}

class StainPage : public WizardTest {
 protected:
  TFrm_Stain* Stain() const { return dynamic_cast<TFrm_Stain*>(Page()); }
  TImage* Image() const { return Page()->Image1; }

  // Opens the picture and goes straight on to the blemish step.
  void Enter(std::unique_ptr<TBitmap> picture) {
    EnterStep(picture.get(), {false, false, false, false, true}, stepStain);
    ASSERT_NE(Stain(), nullptr);
  }
  TPoint OnImage(TPoint p) const { return Image()->ClientToScreen(p); }
  void MoveTo(TPoint p) {
    const TPoint at = OnImage(p);
    s.display.MouseMove(at.X, at.Y);
    Idle();
  }
  void ClickAt(TPoint p) {
    MoveTo(p);
    const TPoint at = OnImage(p);
    s.display.Click(at.X, at.Y);
    Idle();
  }
  // One notch of the wheel over the picture: down (towards the user) or up.
  void Wheel(bool down) {
    const TPoint at = OnImage(TPoint{5, 5});
    s.display.Wheel(at.X, at.Y, down ? -120 : 120);
    Idle();
  }
  // The display as it should be: WorkImage at the zoom, with the outline
  // when one is shown.
  RowImageBuffer ExpectedDisplay(TPoint outline, int radius) const {
    const TSize size = DisplaySize(WorkImage->Width(), WorkImage->Height(), ZoomFactor);
    std::unique_ptr<TBitmap> copy = StretchCopy(WorkImage.get(), size.cx, size.cy);
    RowImageBuffer d = RowImageBuffer::CopyOf(BitmapRows(copy.get()));
    if (outline != TRoundCursor::NoPosition) InvertCircle(d, outline, radius);
    return d;
  }
  void ExpectDisplay(TPoint outline, int radius) { EXPECT_SAME(DisplayRows(Image()), ExpectedDisplay(outline, radius)); }
};

TEST_F(StainPage, ThePageHoldsTheEraserOnItsPictureControl) {
  Enter(SpottedPicture(240, 180));
  TFrm_Stain* p = Stain();
  EXPECT_EQ(p->Caption(), "痘痣去除");
  ASSERT_NE(p->MyImage1(), nullptr);
  EXPECT_EQ(static_cast<TImage*>(p->MyImage1()), p->Image1);
  EXPECT_EQ(p->Image1->ClassName(), "TMyImage");
  ASSERT_EQ(p->TLbl_Help->Lines()->Count(), 2);
  EXPECT_EQ(p->TLbl_Help->Lines()->Strings(1),
            "使用魔术擦点击各个黑痣或者污点，即可以去除皮肤上的黑痣、痘、以及污点。滚动滚轮可以调节魔术擦的大小");
  ASSERT_NE(p->RoundCursor(), nullptr);
  EXPECT_EQ(p->RoundCursor()->Radius(), 15);
  ASSERT_NE(Eraser, nullptr);
  EXPECT_EQ(Eraser->Radius(), 15);
  EXPECT_EQ(History->Count(), 1);
  // The picture shows with the outline where the mouse is.
  MoveTo(TPoint{60, 50});
  EXPECT_EQ(p->RoundCursor()->Position(), (TPoint{60, 50}));
  ExpectDisplay(TPoint{60, 50}, 15);
  Snapshot(main, "stain_page");
  ClickAt(TPoint{60, 50});
  EXPECT_EQ(History->Count(), 2);
  Snapshot(main, "stain_page_erased");
  // Leaving the step ends the eraser.
  Click(main->Btn_Next);
  EXPECT_EQ(Eraser, nullptr);
}

TEST_F(StainPage, AClickFillsTheDiscAsTheRoutineDoesAtTheZoom) {
  Enter(SpottedPicture(240, 180));
  ASSERT_EQ(ZoomFactor, 1.0f);
  struct TCase {
    int zoomOut;  // zoom-out clicks before
    float zoom;
    TPoint at;
  } cases[] = {
      {0, 1.0f, {60, 50}},  {0, 1.0f, {100, 100}}, {0, 1.0f, {3, 170}},
      {2, 0.5f, {30, 25}},  {0, 0.5f, {100, 80}},  {0, 0.5f, {0, 0}},
  };
  int entries = 1;
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zoom << " at " << c.at.X << "," << c.at.Y);
    for (int i = 0; i < c.zoomOut; ++i) Click(main->Btn_ZoomOut);
    ASSERT_EQ(ZoomFactor, c.zoom);
    std::unique_ptr<TBitmap> expected = Copy(WorkImage.get());
    ASSERT_TRUE(ErasePatch(expected.get(), c.at, 15, ZoomFactor));
    ASSERT_GT(MaxDifference(*expected, *WorkImage), 0) << "the click must have something to remove";
    ClickAt(c.at);
    EXPECT_EQ(MaxDifference(*WorkImage, *expected), 0);
    // One entry per click, and the new display with the outline back on it.
    EXPECT_EQ(History->Count(), ++entries);
    EXPECT_EQ(History->Index(), entries - 1);
    EXPECT_EQ(Entry(entries - 1, *expected), 0);
    EXPECT_TRUE(main->Btn_Undo->Enabled());
    ExpectDisplay(c.at, 15);
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
}

TEST_F(StainPage, TheWheelSizesTheEraserWithinItsLimits) {
  Enter(SpottedPicture(240, 180));
  TFrm_Stain* p = Stain();
  MoveTo(TPoint{120, 90});
  struct TCase {
    bool down;
    int notches;
    int radius;
  } cases[] = {{true, 3, 18}, {false, 1, 17}, {false, 12, 5}, {false, 3, 5}, {true, 45, 50}, {true, 2, 50}, {false, 1, 49}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.down ? "down " : "up ") << c.notches);
    for (int i = 0; i < c.notches; ++i) Wheel(c.down);
    EXPECT_EQ(p->RoundCursor()->Radius(), c.radius);
    EXPECT_EQ(Eraser->Radius(), c.radius);
    ExpectDisplay(TPoint{120, 90}, c.radius);
  }
  // The next click works with the new size.
  std::unique_ptr<TBitmap> expected = Copy(WorkImage.get());
  ErasePatch(expected.get(), TPoint{120, 90}, 49, ZoomFactor);
  ClickAt(TPoint{120, 90});
  EXPECT_EQ(MaxDifference(*WorkImage, *expected), 0);
}

TEST_F(StainPage, TheWheelDoesNothingWithoutTheEraser) {
  Enter(SpottedPicture(240, 180));
  Click(main->Btn_Next);
  ASSERT_EQ(main->CurrentStep, 7);
  ASSERT_EQ(Eraser, nullptr);
  bool handled = true;
  main->FormMouseWheelDown(main, 0, TPoint{}, handled);
  main->FormMouseWheelUp(main, 0, TPoint{}, handled);
  Wheel(true);
  EXPECT_EQ(main->CurrentStep, 7);
}

TEST_F(StainPage, MovingTheMouseLeavesNoTrace) {
  Enter(SpottedPicture(240, 180));
  std::unique_ptr<TBitmap> before = Copy(WorkImage.get());
  for (TPoint p : {TPoint{10, 10}, TPoint{11, 12}, TPoint{239, 179}, TPoint{120, 0}, TPoint{60, 50}}) {
    SCOPED_TRACE(testing::Message() << p.X << "," << p.Y);
    MoveTo(p);
    ExpectDisplay(p, 15);
  }
  // Off the picture the display is the picture alone.
  const TPoint away = Page()->Pnl_Tool1->ClientToScreen(TPoint{50, 300});
  s.display.MouseMove(away.X, away.Y);
  Idle();
  EXPECT_EQ(Stain()->RoundCursor()->Position(), TRoundCursor::NoPosition);
  ExpectDisplay(TRoundCursor::NoPosition, 0);
  EXPECT_EQ(MaxDifference(*WorkImage, *before), 0);
  EXPECT_EQ(History->Count(), 1);
}

TEST_F(StainPage, AClickWithTheRingWhollyOffThePictureChangesNothing) {
  Enter(SpottedPicture(400, 300));
  while (ZoomFactor > ZoomTable[0]) Click(main->Btn_ZoomOut);
  ASSERT_EQ(ZoomFactor, ZoomTable[0]);
  const TPoint centre{Image()->Width() / 2, Image()->Height() / 2};
  MoveTo(centre);
  for (int i = 0; i < 35; ++i) Wheel(true);
  ASSERT_EQ(Stain()->RoundCursor()->Radius(), 50);
  // Radius 299 in the picture about its centre: every ring pixel is off it.
  std::unique_ptr<TBitmap> before = Copy(WorkImage.get());
  ClickAt(centre);
  EXPECT_EQ(MaxDifference(*WorkImage, *before), 0);
  EXPECT_EQ(History->Count(), 1);
  EXPECT_FALSE(main->Btn_Undo->Enabled());
  EXPECT_EQ(Screen->Cursor(), crDefault);
  // A smaller eraser there works again.
  for (int i = 0; i < 40; ++i) Wheel(false);
  ClickAt(centre);
  EXPECT_EQ(History->Count(), 2);
  EXPECT_GT(MaxDifference(*WorkImage, *before), 0);
}

TEST_F(StainPage, UndoAndRedoWalkTheClicks) {
  Enter(SpottedPicture(240, 180));
  std::vector<std::unique_ptr<TBitmap>> states;
  states.push_back(Copy(WorkImage.get()));
  for (TPoint p : {TPoint{60, 50}, TPoint{20, 30}, TPoint{200, 150}}) {
    ClickAt(p);
    states.push_back(Copy(WorkImage.get()));
  }
  ASSERT_EQ(History->Count(), 4);
  MoveTo(TPoint{100, 100});
  struct TMove {
    bool undo;
    int state;
    bool canUndo, canRedo;
  } moves[] = {{true, 2, true, true},  {true, 1, true, true},  {true, 0, false, true},
               {true, 0, false, true}, {false, 1, true, true}, {false, 2, true, true}};
  for (const TMove& m : moves) {
    SCOPED_TRACE(testing::Message() << (m.undo ? "undo to " : "redo to ") << m.state);
    Click(m.undo ? main->Btn_Undo : main->Btn_Redo);
    EXPECT_EQ(MaxDifference(*WorkImage, *states[size_t(m.state)]), 0);
    EXPECT_EQ(main->Btn_Undo->Enabled(), m.canUndo);
    EXPECT_EQ(main->Btn_Redo->Enabled(), m.canRedo);
  }
  // A click after an undo drops the redo tail.
  ClickAt(TPoint{120, 90});
  EXPECT_EQ(History->Count(), 4);
  EXPECT_FALSE(main->Btn_Redo->Enabled());
  Click(main->Btn_Undo);
  EXPECT_EQ(MaxDifference(*WorkImage, *states[2]), 0);
}

}  // namespace

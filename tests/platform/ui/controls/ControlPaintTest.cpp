#include "platform/graphics/Bitmap.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

using ControlPaint = UiTest;

TEST_F(ControlPaint, GraphicControlsPaintInChildOrderClippedToTheirBounds) {
  auto* red = Add<TTestGraphic>(host, 10, 10, 50, 50, clRed);
  Add<TTestGraphic>(host, 30, 30, 50, 50, clBlue);
  auto* wide = Add<TTestGraphic>(host, 150, 20, 20, 20, clLime);
  wide->Overflow = 15;
  ShowHost();
  EXPECT_EQ(Pixel(5, 5), COLORREF(clWhite));  // the host's own background
  EXPECT_EQ(Pixel(20, 20), COLORREF(clRed));
  EXPECT_EQ(Pixel(40, 40), COLORREF(clBlue));  // the later child lies above
  EXPECT_EQ(Pixel(75, 75), COLORREF(clBlue));
  EXPECT_EQ(Pixel(160, 30), COLORREF(clLime));
  EXPECT_EQ(Pixel(145, 15), COLORREF(clWhite));  // painting past its bounds is clipped away
  EXPECT_EQ(Pixel(172, 42), COLORREF(clWhite));

  red->BringToFront();
  s.display.RunUntilIdle();
  EXPECT_EQ(Pixel(40, 40), COLORREF(clRed));
  red->SendToBack();
  s.display.RunUntilIdle();
  EXPECT_EQ(Pixel(40, 40), COLORREF(clBlue));
}

TEST_F(ControlPaint, GraphicControlUnderAWindowedSiblingStaysCovered) {
  Add<TTestGraphic>(host, 0, 0, 100, 100, clRed);
  Add<TTestWin>(host, 50, 50, 100, 100, clBlue);
  ShowHost();
  EXPECT_EQ(Pixel(25, 25), COLORREF(clRed));
  EXPECT_EQ(Pixel(75, 75), COLORREF(clBlue));
  EXPECT_EQ(Pixel(125, 125), COLORREF(clBlue));
}

TEST_F(ControlPaint, ChangesRepaintAndHiddenControlsLeaveTheirArea) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40, clRed);
  auto* w = Add<TTestWin>(host, 100, 10, 40, 40, clRed);
  ShowHost();
  g->SetColor(clBlue);
  w->SetColor(clLime);
  s.display.RunUntilIdle();
  EXPECT_EQ(Pixel(20, 20), COLORREF(clBlue));
  EXPECT_EQ(Pixel(110, 20), COLORREF(clLime));
  g->SetVisible(false);
  w->SetVisible(false);
  s.display.RunUntilIdle();
  EXPECT_EQ(Pixel(20, 20), COLORREF(clWhite));
  EXPECT_EQ(Pixel(110, 20), COLORREF(clWhite));
  g->SetVisible(true);
  g->SetLeft(60);
  s.display.RunUntilIdle();
  EXPECT_EQ(Pixel(20, 20), COLORREF(clWhite));
  EXPECT_EQ(Pixel(70, 20), COLORREF(clBlue));
}

TEST_F(ControlPaint, OpaqueGraphicRepaintsAtOnceWithoutTheLoop) {
  auto* g = Add<TTestGraphic>(host, 10, 10, 40, 40, clRed);
  g->ControlStyle |= csOpaque;
  ShowHost();
  int before = g->Paints;
  g->Repaint();
  EXPECT_EQ(g->Paints, before + 1);
}

TEST_F(ControlPaint, PaintMessageWithADcPaintsIntoThatDc) {
  auto* w = Add<TTestWin>(host, 0, 0, 30, 20, clBlue);
  Add<TTestGraphic>(w, 10, 5, 5, 5, clRed)->SetParent(w);
  ShowHost();
  TBitmap bmp;
  bmp.SetWidth(30);
  bmp.SetHeight(20);
  bmp.Canvas()->Brush()->SetColor(clWhite);
  bmp.Canvas()->FillRect(Rect(0, 0, 30, 20));
  int before = w->Paints;
  w->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), 0);
  EXPECT_EQ(w->Paints, before + 1);
  EXPECT_EQ(bmp.Canvas()->Pixels(2, 2), clBlue);
  EXPECT_EQ(bmp.Canvas()->Pixels(11, 6), clRed);  // graphic children too
}

TEST_F(ControlPaint, ColourAndFontFollowTheParentUntilSetOwn) {
  auto* panel = Add<TTestWin>(host, 0, 0, 100, 100);
  panel->ControlStyle |= csAcceptsControls;
  auto* child = Add<TTestGraphic>(panel, 0, 0, 10, 10);
  child->SetParentColor(true);
  panel->SetColor(clYellow);
  EXPECT_EQ(child->Color(), clYellow);
  EXPECT_TRUE(child->ParentColor());
  child->SetColor(clRed);
  EXPECT_FALSE(child->ParentColor());
  panel->SetColor(clAqua);
  EXPECT_EQ(child->Color(), clRed);

  EXPECT_TRUE(child->ParentFont());
  panel->Font()->SetSize(14);
  EXPECT_EQ(child->Font()->Size(), 14);
  child->Font()->SetName("Arial");
  EXPECT_FALSE(child->ParentFont());
  panel->Font()->SetSize(20);
  EXPECT_EQ(child->Font()->Size(), 14);
}

}  // namespace

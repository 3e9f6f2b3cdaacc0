#include "platform/graphics/Canvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"

namespace {

// A white 24-bit bitmap to draw on.
struct Sheet {
  TBitmap bmp{10, 10, pf24bit};
  TCanvas* c;
  Sheet() : c(bmp.Canvas()) {
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 10, 10));
  }
  TColor At(int x, int y) { return c->Pixels(x, y); }
};

TEST(Canvas, RectangleExcludesRightAndBottomEdges) {
  Sheet s;
  s.c->Pen()->SetColor(clBlack);
  s.c->Brush()->SetColor(clRed);
  s.c->Rectangle(1, 1, 5, 4);
  EXPECT_EQ(s.At(1, 1), clBlack);
  EXPECT_EQ(s.At(4, 3), clBlack);  // last column and row inside
  EXPECT_EQ(s.At(2, 2), clRed);
  EXPECT_EQ(s.At(5, 3), clWhite);
  EXPECT_EQ(s.At(4, 4), clWhite);
}

TEST(Canvas, LineToLeavesOutTheEndPointAndMovesThePen) {
  Sheet s;
  s.c->Pen()->SetColor(clBlue);
  s.c->MoveTo(0, 2);
  s.c->LineTo(4, 2);
  EXPECT_EQ(s.At(3, 2), clBlue);
  EXPECT_EQ(s.At(4, 2), clWhite);
  EXPECT_EQ(s.c->PenPos(), Point(4, 2));
}

TEST(Canvas, ToolChangesReachTheNextCall) {
  Sheet s;
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    s.c->Pen()->SetColor(colours[i]);
    s.c->MoveTo(0, i);
    s.c->LineTo(3, i);
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.At(1, i), colours[i]) << i;
  s.c->Brush()->SetColor(clYellow);
  s.c->FillRect(Rect(5, 5, 6, 6));
  EXPECT_EQ(s.At(5, 5), clYellow);
}

TEST(Canvas, NotPenTwiceRestoresThePixels) {
  Sheet s;
  s.bmp.Canvas()->SetPixels(2, 3, TColor(0x123456));
  s.c->Pen()->SetMode(pmNot);
  for (int pass = 0; pass < 2; ++pass) {
    s.c->MoveTo(0, 3);
    s.c->LineTo(6, 3);
    if (pass == 0) {
      EXPECT_EQ(s.At(2, 3), TColor(0xEDCBA9));
      EXPECT_EQ(s.At(0, 3), clBlack);
    }
  }
  EXPECT_EQ(s.At(2, 3), TColor(0x123456));
  EXPECT_EQ(s.At(0, 3), clWhite);
}

TEST(Canvas, ClearBrushLeavesTheInsideAlone) {
  Sheet s;
  s.c->Brush()->SetColor(clLime);
  s.c->FillRect(Rect(0, 0, 10, 10));
  s.c->Brush()->SetStyle(bsClear);
  s.c->Pen()->SetColor(clRed);
  s.c->Rectangle(2, 2, 8, 8);
  EXPECT_EQ(s.At(2, 2), clRed);
  EXPECT_EQ(s.At(4, 4), clLime);
}

TEST(Canvas, SystemColoursResolveThroughTheTable) {
  Sheet s;
  s.c->Brush()->SetColor(clBtnFace);
  s.c->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(s.At(1, 1), TColor(SysColorToRGB(15)));
  s.c->SetPixels(5, 5, clHighlight);
  EXPECT_EQ(s.At(5, 5), TColor(SysColorToRGB(13)));
}

TEST(Canvas, CopyRectStretchesWithTheCopyMode) {
  Sheet s;
  TBitmap src(2, 1, pf24bit);
  src.Canvas()->SetPixels(0, 0, clRed);
  src.Canvas()->SetPixels(1, 0, clBlue);
  s.c->CopyRect(Rect(0, 0, 4, 2), src.Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(s.At(0, 0), clRed);
  EXPECT_EQ(s.At(1, 1), clRed);
  EXPECT_EQ(s.At(2, 0), clBlue);
  EXPECT_EQ(s.At(3, 1), clBlue);
  EXPECT_EQ(s.At(4, 0), clWhite);
  s.c->CopyMode = SRCINVERT;  // red ^ red = black
  s.c->CopyRect(Rect(0, 0, 1, 1), src.Canvas(), Rect(0, 0, 1, 1));
  EXPECT_EQ(s.At(0, 0), clBlack);
}

TEST(Canvas, BrushCopyReplacesTheKeyColourWithTheBrush) {
  Sheet s;
  TBitmap src(2, 1, pf24bit);
  src.Canvas()->SetPixels(0, 0, clFuchsia);
  src.Canvas()->SetPixels(1, 0, clBlue);
  s.c->Brush()->SetColor(clYellow);
  s.c->BrushCopy(Rect(0, 0, 2, 1), &src, Rect(0, 0, 2, 1), clFuchsia);
  EXPECT_EQ(s.At(0, 0), clYellow);
  EXPECT_EQ(s.At(1, 0), clBlue);
}

TEST(Canvas, TextOutMovesThePenByTheTextWidth) {
  Sheet s;
  s.c->Font()->SetName("Arial");
  s.c->Font()->SetHeight(-12);
  s.c->Font()->SetColor(clBlack);
  TSize ext = s.c->TextExtent("Hi");
  EXPECT_GT(ext.cx, 0);
  EXPECT_GT(ext.cy, 0);
  EXPECT_EQ(s.c->TextWidth("Hi"), ext.cx);
  EXPECT_EQ(s.c->TextHeight("Hi"), ext.cy);
  s.c->TextOut(1, 0, "Hi");
  EXPECT_EQ(s.c->PenPos(), Point(1 + ext.cx, 0));
}

TEST(Canvas, TextBackgroundFollowsTheBrushStyle) {
  TBitmap b(40, 20, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clLime);
  c->FillRect(Rect(0, 0, 40, 20));
  c->Font()->SetColor(clBlack);
  c->Brush()->SetColor(clRed);
  c->TextOut(0, 0, "  ");  // spaces: only the background shows
  EXPECT_EQ(c->Pixels(1, 1), clRed);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(20, 0, "  ");
  EXPECT_EQ(c->Pixels(21, 1), clLime);
}

TEST(Canvas, ClipRectOfABitmapIsItsSize) {
  TBitmap b(7, 5, pf24bit);
  EXPECT_EQ(b.Canvas()->ClipRect(), Rect(0, 0, 7, 5));
}

TEST(Canvas, LockExcludesOtherThreads) {
  TBitmap b(2, 2, pf24bit);
  TCanvas* c = b.Canvas();
  c->Lock();
  EXPECT_EQ(c->LockCount(), 1);
  std::atomic<bool> got{true};
  std::thread t([&] { got = c->TryLock(); });
  t.join();
  EXPECT_FALSE(got);
  c->Unlock();
  std::thread t2([&] {
    got = c->TryLock();
    if (got) c->Unlock();
  });
  t2.join();
  EXPECT_TRUE(got);
  EXPECT_EQ(c->LockCount(), 0);
}

TEST(Canvas, WithoutAHandleRaises) {
  TCanvas c;
  EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

}  // namespace

namespace {

TEST(Canvas, ShapesFillWithTheBrushAndOutlineWithThePen) {
  Sheet s;
  s.c->Pen()->SetColor(clBlack);
  s.c->Brush()->SetColor(clRed);
  const TPoint tri[] = {{0, 0}, {8, 0}, {0, 8}};
  s.c->Polygon(tri, 3);
  EXPECT_EQ(s.At(2, 2), clRed);
  EXPECT_EQ(s.At(0, 0), clBlack);
  EXPECT_EQ(s.At(8, 8), clWhite);

  Sheet e;
  e.c->Pen()->SetColor(clBlue);
  e.c->Brush()->SetColor(clLime);
  e.c->Ellipse(1, 1, 9, 9);
  EXPECT_EQ(e.At(5, 5), clLime);
  EXPECT_EQ(e.At(1, 1), clWhite);  // the corner lies outside the ellipse

  Sheet r;
  r.c->Pen()->SetStyle(psClear);
  r.c->Brush()->SetColor(clYellow);
  r.c->RoundRect(0, 0, 10, 10, 4, 4);
  EXPECT_EQ(r.At(5, 0), clYellow);
  EXPECT_EQ(r.At(0, 0), clWhite);
}

TEST(Canvas, FloodFillUsesTheBrush) {
  Sheet s;
  s.c->Pen()->SetColor(clBlack);
  s.c->Brush()->SetStyle(bsClear);
  s.c->Rectangle(2, 2, 7, 7);
  s.c->Brush()->SetColor(clAqua);
  s.c->FloodFill(4, 4, clWhite, fsSurface);
  EXPECT_EQ(s.At(4, 4), clAqua);
  EXPECT_EQ(s.At(2, 2), clBlack);
  EXPECT_EQ(s.At(0, 0), clWhite);  // outside the frame
  s.c->Brush()->SetColor(clRed);
  s.c->FloodFill(0, 0, clBlack, fsBorder);
  EXPECT_EQ(s.At(0, 0), clRed);
  EXPECT_EQ(s.At(4, 4), clAqua);
}

TEST(Canvas, FocusRectTwiceRestoresAndFrameRectUsesTheBrush) {
  Sheet s;
  s.c->DrawFocusRect(Rect(1, 1, 8, 8));
  EXPECT_NE(s.At(1, 1), clWhite);
  s.c->DrawFocusRect(Rect(1, 1, 8, 8));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(s.At(i, 1), clWhite) << i;
  s.c->Brush()->SetColor(clPurple);
  s.c->FrameRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(s.At(3, 3), clPurple);
  EXPECT_EQ(s.At(1, 1), clWhite);
}

TEST(Canvas, TextRectClipsToItsRectangle) {
  TBitmap b(40, 20, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clLime);
  c->FillRect(Rect(0, 0, 40, 20));
  c->Brush()->SetColor(clRed);
  c->TextRect(Rect(0, 0, 5, 20), 0, 0, "      ");  // wider than the rectangle
  EXPECT_EQ(c->Pixels(2, 2), clRed);
  EXPECT_EQ(c->Pixels(6, 2), clLime);
}

}  // namespace

namespace {

int CountColour(TCanvas* c, int w, int h, TColor colour) {
  int n = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) n += c->Pixels(x, y) == colour;
  return n;
}

// Drawing straight on Handle() with the calls outside the canvas uses the
// canvas's current font, pen and brush, including changes made since the
// last canvas call.
TEST(Canvas, HandleComesWithTheCurrentFontPenAndBrush) {
  TBitmap b(80, 40, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 80, 40));
  c->Font()->SetName("Arial");
  c->Font()->SetHeight(-24);
  c->Font()->SetColor(clRed);
  c->Brush()->SetStyle(bsClear);
  const TSize canvasExtent = c->TextExtent("W");

  SIZE handleExtent{};
  ASSERT_TRUE(GetTextExtentPoint32(c->Handle(), "W", 1, &handleExtent));
  EXPECT_EQ(handleExtent.cx, canvasExtent.cx);
  EXPECT_EQ(handleExtent.cy, canvasExtent.cy);
  RECT r{0, 0, 40, 40};
  DrawText(c->Handle(), "W", 1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE);
  EXPECT_GT(CountColour(c, 40, 40, clRed), 20);

  // A change after the first Handle() reaches the next one.
  c->Font()->SetColor(clBlue);
  r = RECT{40, 0, 80, 40};
  DrawText(c->Handle(), "W", 1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE);
  EXPECT_GT(CountColour(c, 80, 40, clBlue), 20);

  c->Pen()->SetColor(clGreen);
  MoveToEx(c->Handle(), 0, 39, nullptr);
  LineTo(c->Handle(), 80, 39);
  EXPECT_EQ(c->Pixels(60, 39), clGreen);
}

}  // namespace

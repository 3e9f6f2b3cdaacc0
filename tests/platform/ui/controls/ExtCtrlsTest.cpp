#include "platform/ui/controls/ExtCtrls.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/nonclient/ScrollBars.h"

namespace {

class ExtCtrlsTest : public FormsTest {
 protected:
  TForm* form = nullptr;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    form->SetColor(clBtnFace);
    form->Show();
    s.display.RunUntilIdle();
  }
  template <class T>
  T* Make(TWinControl* parent, int x, int y, int w, int h) {
    T* c = new T(form);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
  }
  COLORREF At(TControl* c, int x, int y) {
    TPoint p = c->ClientToScreen(TPoint{x, y});
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top);
  }
  // One letter per pixel (see Letter) along a row or a column of a control.
  char Letter(COLORREF p) {
    const std::pair<char, TColor> keys[] = {{'H', clBtnHighlight}, {'S', clBtnShadow}, {'F', clBtnFace},
                                            {'K', clBlack},         {'R', clRed},       {'D', cl3DDkShadow}};
    for (auto& [k, c] : keys)
      if (p == Sys(c)) return k;
    return '?';
  }
  std::string Diagonal(TControl* c, int n, bool fromBottomRight) {
    std::string out;
    for (int i = 0; i < n; ++i)
      out += fromBottomRight ? Letter(At(c, c->Width() - 1 - i, c->Height() - 1 - i)) : Letter(At(c, i, i));
    return out;
  }
  std::string Row(TControl* c, int y, int x0, int x1) {
    std::string out;
    for (int x = x0; x < x1; ++x) out += Letter(At(c, x, y));
    return out;
  }
  void Paint() { s.display.RunUntilIdle(); }
};

// ---- Panel ----------------------------------------------------------------------------

TEST_F(ExtCtrlsTest, PanelRingsAndClientArea) {
  struct Case {
    TBevelCut outer, inner;
    int bevelWidth, borderWidth;
    const char* topLeft;      // diagonal from (0,0)
    const char* bottomRight;  // diagonal from (w-1,h-1)
    int inset;
  } cases[] = {
      {bvRaised, bvNone, 1, 0, "HFFFFF", "SFFFFF", 1},
      {bvLowered, bvRaised, 2, 1, "SSFHHF", "HHFSSF", 5},
      {bvNone, bvLowered, 1, 3, "FFFSFF", "FFFHFF", 4},
      {bvSpace, bvRaised, 2, 0, "FFHHFF", "FFSSFF", 4},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.topLeft);
    TPanel* p = Make<TPanel>(form, 20, 20, 120, 60);
    p->SetBevelOuter(k.outer);
    p->SetBevelInner(k.inner);
    p->SetBevelWidth(k.bevelWidth);
    p->SetBorderWidth(k.borderWidth);
    TPanel* child = Make<TPanel>(p, 0, 0, 10, 10);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), (TRect{k.inset, k.inset, 120 - k.inset, 60 - k.inset}));
    child->SetVisible(false);
    Paint();
    EXPECT_EQ(Diagonal(p, 6, false), k.topLeft);
    EXPECT_EQ(Diagonal(p, 6, true), k.bottomRight);
    delete p;
  }
}

TEST_F(ExtCtrlsTest, PanelCaptionFollowsAlignment) {
  struct Case {
    TAlignment align;
    int from, to;  // where the caption's ink must lie (200 wide)
  } cases[] = {{taLeftJustify, 1, 70}, {taCenter, 65, 135}, {taRightJustify, 130, 199}};
  for (const Case& k : cases) {
    TPanel* p = Make<TPanel>(form, 10, 10, 200, 40);
    p->SetCaption("Caption");
    p->SetAlignment(k.align);
    Paint();
    int first = -1, last = -1;
    for (int x = 0; x < 200; ++x)
      for (int y = 0; y < 40; ++y)
        if (At(p, x, y) == Sys(clBtnText)) {
          if (first < 0) first = x;
          last = x;
        }
    EXPECT_GE(first, k.from) << int(k.align);
    EXPECT_LE(last, k.to) << int(k.align);
    delete p;
  }
}

TEST_F(ExtCtrlsTest, PanelBorderStyleAndParentBackground) {
  TPanel* p = Make<TPanel>(form, 10, 10, 100, 50);
  p->SetColor(clRed);
  p->SetBevelOuter(bvNone);
  Paint();
  EXPECT_EQ(At(p, 5, 5), Sys(clRed));
  p->SetParentBackground(true);
  Paint();
  EXPECT_EQ(At(p, 5, 5), Sys(clBtnFace));
  p->SetBorderStyle(bsSingle);
  EXPECT_NE(GetWindowLong(p->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(p->ClientWidth(), 96);
}

// ---- Image ----------------------------------------------------------------------------

void FillBitmap(TBitmap* b, int w, int h, TColor c) {
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(c);
  b->Canvas()->FillRect(TRect{0, 0, w, h});
}

TEST_F(ExtCtrlsTest, ImageDestRect) {
  struct Case {
    int pw, ph;
    bool center, stretch, proportional;
    TRect want;
  } cases[] = {
      {40, 10, false, false, false, TRect{0, 0, 40, 10}},
      {40, 10, true, false, false, TRect{30, 20, 70, 30}},
      {40, 10, false, true, false, TRect{0, 0, 100, 50}},
      {40, 10, false, true, true, TRect{0, 0, 100, 25}},
      {40, 10, true, true, true, TRect{0, 12, 100, 37}},
      {40, 10, false, false, true, TRect{0, 0, 40, 10}},   // proportional never enlarges alone
      {300, 100, false, false, true, TRect{0, 0, 100, 33}},
      {100, 200, true, false, true, TRect{37, 0, 62, 50}},
  };
  for (const Case& k : cases) {
    TImage* img = Make<TImage>(form, 0, 0, 100, 50);
    FillBitmap(img->Picture()->Bitmap(), k.pw, k.ph, clRed);
    img->SetCenter(k.center);
    img->SetStretch(k.stretch);
    img->SetProportional(k.proportional);
    EXPECT_EQ(img->DestRect(), k.want) << k.pw << "x" << k.ph << " " << k.center << k.stretch << k.proportional;
    delete img;
  }
}

TEST_F(ExtCtrlsTest, ImageAutoSizeAndStretchedPaint) {
  TImage* img = Make<TImage>(form, 10, 10, 100, 50);
  img->SetAutoSize(true);
  FillBitmap(img->Picture()->Bitmap(), 30, 20, clRed);
  EXPECT_EQ(img->Width(), 30);
  EXPECT_EQ(img->Height(), 20);
  img->SetAutoSize(false);
  img->SetBounds(10, 10, 90, 60);
  img->SetStretch(true);
  Paint();
  EXPECT_EQ(At(img, 0, 0), Sys(clRed));
  EXPECT_EQ(At(img, 89, 59), Sys(clRed));
}

TEST_F(ExtCtrlsTest, DrawingOnTheImageCanvasShowsAtTheNextPaint) {
  TImage* img = Make<TImage>(form, 10, 10, 60, 40);
  ASSERT_EQ(img->Picture()->Graphic(), nullptr);
  TCanvas* c = img->Canvas();  // makes a bitmap the size of the control
  EXPECT_EQ(img->Picture()->Width(), 60);
  EXPECT_EQ(img->Picture()->Height(), 40);
  c->Brush()->SetColor(clRed);
  c->FillRect(TRect{0, 0, 60, 40});
  Paint();
  EXPECT_EQ(At(img, 30, 20), Sys(clRed));
  c->Brush()->SetColor(clBlack);
  c->FillRect(TRect{0, 0, 10, 10});
  Paint();
  EXPECT_EQ(At(img, 5, 5), Sys(clBlack));
  EXPECT_EQ(At(img, 30, 20), Sys(clRed));
}

TEST_F(ExtCtrlsTest, ImageCanvasOfANonBitmapPictureRaises) {
  TImage* img = Make<TImage>(form, 10, 10, 60, 40);
  TIcon icon;
  img->Picture()->SetGraphic(&icon);
  EXPECT_THROW(img->Canvas(), EInvalidOperation);
}

TEST_F(ExtCtrlsTest, TransparentImageShowsWhatIsBehindItsTransparentColour) {
  TShape* back = Make<TShape>(form, 0, 0, 100, 100);
  back->Brush()->SetColor(clBlack);
  TImage* img = Make<TImage>(form, 10, 10, 40, 40);
  TBitmap* b = img->Picture()->Bitmap();
  FillBitmap(b, 40, 40, clWhite);  // the bottom-left pixel: white is transparent
  b->Canvas()->Brush()->SetColor(clRed);
  b->Canvas()->FillRect(TRect{10, 10, 30, 30});
  Paint();
  EXPECT_EQ(At(img, 2, 2), Sys(clWhite));
  img->SetTransparent(true);
  Paint();
  EXPECT_EQ(At(img, 2, 2), Sys(clBlack));
  EXPECT_EQ(At(img, 20, 20), Sys(clRed));
}

// ---- Shape ----------------------------------------------------------------------------

TEST_F(ExtCtrlsTest, ShapeKinds) {
  struct Case {
    TShapeType type;
    const char* row0;   // row 0, columns 0..59 sampled at 0, 9, 10, 30, 49, 50, 59
    const char* row20;  // row 20, same columns
  } cases[] = {
      {stRectangle, "KKKKKKK", "KRRRRRK"},
      {stSquare, "FFKKKFF", "FFKRKFF"},
      {stRoundRect, "FKKKKKF", "KRRRRRK"},
      {stRoundSquare, "FFFKFFF", "FFKRKFF"},
      {stEllipse, "FFFKFFF", "KRRRRRK"},
      {stCircle, "FFFKFFF", "FFKRKFF"},
  };
  const int cols[] = {0, 9, 10, 30, 49, 50, 59};
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.type));
    TShape* sh = Make<TShape>(form, 20, 20, 60, 40);
    sh->Brush()->SetColor(clRed);
    sh->Pen()->SetColor(clBlack);
    sh->SetShape(k.type);
    Paint();
    std::string r0, r20;
    for (int x : cols) {
      r0 += Letter(At(sh, x, 0));
      r20 += Letter(At(sh, x, 20));
    }
    EXPECT_EQ(r0, k.row0);
    EXPECT_EQ(r20, k.row20);
    delete sh;
  }
}

TEST_F(ExtCtrlsTest, WidePenStaysInsideTheShape) {
  TShape* sh = Make<TShape>(form, 20, 20, 60, 40);
  sh->Brush()->SetColor(clRed);
  sh->Pen()->SetWidth(3);
  Paint();
  EXPECT_EQ(Row(sh, 20, 0, 4), "KKKR");
  EXPECT_EQ(Row(sh, 20, 56, 60), "RKKK");
  EXPECT_EQ(Letter(At(sh, 30, 0)), 'K');
  EXPECT_EQ(Letter(At(sh, 30, 39)), 'K');
  EXPECT_EQ(Letter(At(sh, 30, 3)), 'R');
}

// ---- Bevel ----------------------------------------------------------------------------

TEST_F(ExtCtrlsTest, BevelShapesAndStyles) {
  struct Case {
    TBevelShape shape;
    TBevelStyle style;
    const char* column;  // x = 20, rows 0..3 then rows 36..39 (40 high)
    const char* row;     // y = 20, columns 0..3 then 56..59 (60 wide)
  } cases[] = {
      {bsBox, bsLowered, "SFFFFFFH", "SFFFFFFH"},
      {bsBox, bsRaised, "HFFFFFFS", "HFFFFFFS"},
      {bsFrame, bsLowered, "SHFFFFSH", "SHFFFFSH"},
      {bsTopLine, bsLowered, "SHFFFFFF", "FFFFFFFF"},
      {bsBottomLine, bsRaised, "FFFFFFHS", "FFFFFFFF"},
      {bsLeftLine, bsLowered, "FFFFFFFF", "SHFFFFFF"},
      {bsRightLine, bsLowered, "FFFFFFFF", "FFFFFFSH"},
      {bsSpacer, bsLowered, "FFFFFFFF", "FFFFFFFF"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.shape) * 10 + int(k.style));
    TBevel* b = Make<TBevel>(form, 20, 20, 60, 40);
    b->SetShape(k.shape);
    b->SetStyle(k.style);
    Paint();
    std::string col, row;
    for (int y : {0, 1, 2, 3, 36, 37, 38, 39}) col += Letter(At(b, 20, y));
    for (int x : {0, 1, 2, 3, 56, 57, 58, 59}) row += Letter(At(b, x, 20));
    EXPECT_EQ(col, k.column);
    EXPECT_EQ(row, k.row);
    delete b;
  }
}

// ---- Scroll box -------------------------------------------------------------------------

TEST_F(ExtCtrlsTest, ScrollBoxRangeFollowsChildrenAndScrollsThem) {
  TScrollBox* box = Make<TScrollBox>(form, 10, 10, 200, 100);
  TPanel* far = Make<TPanel>(box, 10, 250, 50, 30);
  Paint();
  EXPECT_NE(GetWindowLong(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(box->ScrollRange().cy, 280);
  EXPECT_NE(GetWindowLong(box->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_STYLE) & WS_HSCROLL, 0);
  // The bar takes room from the client area.
  EXPECT_EQ(box->ClientWidth(), 200 - 4 - GetSystemMetrics(SM_CXVSCROLL));
  box->SetScrollPos(TPoint{0, 200});
  EXPECT_EQ(far->Top(), 50);
  EXPECT_EQ(box->ScrollRange().cy, 280);  // measured back at position 0
  // Moving the child back inside drops the bar.
  box->SetScrollPos(TPoint{0, 0});
  far->SetTop(20);
  Paint();
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
}

// Content that fits the client area once neither bar is shown drops both,
// even when each bar alone would make room too small for the other side.
TEST_F(ExtCtrlsTest, ScrollBoxDropsBothBarsWhenTheContentFitsWithoutThem) {
  TScrollBox* box = Make<TScrollBox>(form, 10, 10, 200, 100);
  TPanel* child = Make<TPanel>(box, 0, 60, 196, 96);
  Paint();
  const LONG both = WS_HSCROLL | WS_VSCROLL;
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_STYLE) & both, both);
  child->SetTop(0);
  Paint();
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_STYLE) & both, 0);
  EXPECT_EQ(box->ClientWidth(), 196);
  EXPECT_EQ(box->ClientHeight(), 96);
  // One pixel more on one side needs that bar, and then the other too.
  child->SetWidth(197);
  Paint();
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_STYLE) & both, both);
}

}  // namespace

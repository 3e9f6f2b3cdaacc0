#include "platform/ui/controls/ComCtrls.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/gdi/DeviceContext.h"  // Surface
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/menus/Menus.h"

namespace {

class ComCtrlsTest : public FormsTest {
 protected:
  TForm* form = nullptr;

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    form->SetColor(clBtnFace);
    form->Show();
    s.display.RunUntilIdle();
  }
  template <class T>
  T* Make(int x, int y, int w, int h) {
    T* c = new T(form);
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    return c;
  }
  TPoint InForm(TControl* c, int x, int y) {
    TPoint p = c->ClientToScreen(TPoint{x, y});
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return TPoint{p.X - wr.Left, p.Y - wr.Top};
  }
  COLORREF At(TControl* c, int x, int y) {
    TPoint p = InForm(c, x, y);
    return s.display.PixelAt(form->Handle(), p.X, p.Y);
  }
  // What has been painted so far, presented or not.
  COLORREF Painted(TControl* c, int x, int y) {
    const Surface* surface = WindowSurface(form->Handle());
    TPoint p = InForm(c, x, y);
    const std::uint8_t* px = surface->Row(p.Y) + p.X * 4;
    return RGB(px[2], px[1], px[0]);
  }
  int Count(TControl* c, TRect r, COLORREF colour) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += At(c, x, y) == colour;
    return n;
  }
  void Paint() { s.display.RunUntilIdle(); }
};

// ---- Status bar ---------------------------------------------------------------------------

TEST_F(ComCtrlsTest, StatusPanelsLayOutFromTheLeftAndTheLastTakesTheRest) {
  auto* bar = new TStatusBar(form);
  bar->SetParent(form);
  EXPECT_EQ(bar->Align(), alBottom);
  EXPECT_EQ(bar->Width(), form->ClientWidth());
  const int w = bar->Width(), h = bar->Height();
  for (int width : {50, 80, 40}) bar->Panels()->Add()->SetWidth(width);
  ASSERT_TRUE(bar->SizeGripShown());  // a sizeable form
  EXPECT_EQ(bar->PanelRect(0), (TRect{0, 2, 48, h}));
  EXPECT_EQ(bar->PanelRect(1), (TRect{50, 2, 128, h}));
  EXPECT_EQ(bar->PanelRect(2), (TRect{130, 2, w - SizeGripSize, h}));
  EXPECT_EQ(bar->PanelRect(3), TRect{});
  bar->SetSizeGrip(false);
  EXPECT_EQ(bar->PanelRect(2).Right, w);
  bar->SetSimplePanel(true);
  EXPECT_EQ(bar->PanelRect(0), (TRect{0, 2, w, h}));
}

TEST_F(ComCtrlsTest, StatusBarDrawsPanelsTextAndGrip) {
  auto* bar = new TStatusBar(form);
  bar->SetParent(form);
  TStatusPanel* first = bar->Panels()->Add();
  first->SetWidth(100);
  first->SetText("Ready");
  TStatusPanel* second = bar->Panels()->Add();
  second->SetAlignment(taRightJustify);
  second->SetBevel(pbRaised);
  Paint();
  const int h = bar->Height(), w = bar->Width();
  // Lowered first panel, raised second; ink of "Ready" in the first only.
  EXPECT_EQ(At(bar, 0, 2), Sys(clBtnShadow));
  EXPECT_EQ(At(bar, 97, h - 1), Sys(clBtnHighlight));
  EXPECT_EQ(At(bar, 100, 2), Sys(clBtnHighlight));
  EXPECT_GT(Count(bar, TRect{0, 2, 98, h}, Sys(clBtnText)), 10);
  EXPECT_EQ(Count(bar, TRect{100, 2, w - SizeGripSize, h}, Sys(clBtnText)), 0);
  // A later change repaints; right alignment puts the ink at the far end.
  second->SetText("Right");
  Paint();
  EXPECT_GT(Count(bar, TRect{w - SizeGripSize - 50, 2, w - SizeGripSize, h}, Sys(clBtnText)), 10);
  EXPECT_EQ(Count(bar, TRect{102, 2, 200, h}, Sys(clBtnText)), 0);
  // The grip's grooves in the corner; gone on a form that cannot be resized.
  EXPECT_EQ(At(bar, w - 2, h - 1), Sys(clBtnShadow));
  EXPECT_EQ(At(bar, w - 4, h - 1), Sys(clBtnHighlight));
  form->SetBorderStyle(bsSingle);
  EXPECT_FALSE(bar->SizeGripShown());
}

TEST_F(ComCtrlsTest, StatusBarSitsAtTheBottomOfTheClientUnderAMainMenu) {
  // The menu bar takes the top of the window; bottom-aligned controls go to
  // the bottom of what is left, whenever the menu comes.
  for (bool menuFirst : {true, false}) {
    SCOPED_TRACE(menuFirst);
    TForm* f = NewForm(50, 50, 300, 200);
    auto* menu = new TMainMenu(f);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&File");
    menu->Items()->Add(item);
    auto* bar = new TStatusBar(f);
    bar->SetParent(f);
    bar->SetSimpleText("Ready");
    bar->SetSimplePanel(true);
    int clientWithout = f->ClientHeight();
    if (menuFirst) f->SetMenu(menu);
    f->Show();
    Paint();
    if (!menuFirst) f->SetMenu(menu);
    Paint();
    ASSERT_LT(f->ClientHeight(), clientWithout);
    EXPECT_EQ(bar->Top() + bar->Height(), f->ClientHeight());
    EXPECT_EQ(bar->Width(), f->ClientWidth());
    // The bar's text shows.
    int ink = 0;
    RECT wr{};
    GetWindowRect(f->Handle(), &wr);
    for (int y = 0; y < bar->Height(); ++y)
      for (int x = 0; x < 60; ++x) {
        TPoint p = bar->ClientToScreen(TPoint{x, y});
        ink += s.display.PixelAt(f->Handle(), p.X - wr.Left, p.Y - wr.Top) == Sys(clBtnText);
      }
    EXPECT_GT(ink, 10);
    delete f;
  }
}

TEST_F(ComCtrlsTest, SimplePanelShowsOnlyTheSimpleText) {
  auto* bar = new TStatusBar(form);
  bar->SetParent(form);
  bar->Panels()->Add()->SetText("Panel");
  bar->SetSimpleText("Simple");
  bar->SetSimplePanel(true);
  Paint();
  const int h = bar->Height();
  const int simpleInk = Count(bar, TRect{0, 2, 120, h}, Sys(clBtnText));
  EXPECT_GT(simpleInk, 10);
  bar->SetSimpleText("");
  Paint();
  EXPECT_EQ(Count(bar, TRect{0, 2, 120, h}, Sys(clBtnText)), 0);
}

TEST_F(ComCtrlsTest, OwnerDrawnPanelsGoToOnDrawPanel) {
  auto* bar = new TStatusBar(form);
  bar->SetParent(form);
  bar->Panels()->Add()->SetText("Text");
  TStatusPanel* drawn = bar->Panels()->Add();
  drawn->SetStyle(psOwnerDraw);
  int calls = 0;
  TRect got{};
  bar->OnDrawPanel = [&](TStatusBar* sb, TStatusPanel* panel, const TRect& r) {
    ++calls;
    EXPECT_EQ(panel, drawn);
    got = r;
    sb->Canvas()->Brush()->SetColor(clRed);
    sb->Canvas()->FillRect(r);
  };
  Paint();
  EXPECT_GE(calls, 1);
  TRect outer = bar->PanelRect(1);
  EXPECT_EQ(got, (TRect{outer.Left + 1, outer.Top + 1, outer.Right - 1, outer.Bottom - 1}));
  EXPECT_EQ(At(bar, got.Left + 5, got.Top + 3), Sys(clRed));
  EXPECT_EQ(At(bar, outer.Left, outer.Top), Sys(clBtnShadow));  // the bevel is still ours
}

// ---- Progress bar ---------------------------------------------------------------------------

TEST_F(ComCtrlsTest, ProgressPositionStaysInRange) {
  TProgressBar* p = Make<TProgressBar>(10, 10, 150, 16);
  EXPECT_EQ(p->Min(), 0);
  EXPECT_EQ(p->Max(), 100);
  p->SetPosition(150);
  EXPECT_EQ(p->Position(), 100);
  p->SetPosition(-3);
  EXPECT_EQ(p->Position(), 0);
  p->SetPosition(60);
  p->SetRange(0, 50);
  EXPECT_EQ(p->Position(), 50);
  p->SetMin(70);  // above Max: Max follows
  EXPECT_EQ(p->Max(), 70);
  EXPECT_EQ(p->Position(), 70);
}

TEST_F(ComCtrlsTest, StepItWrapsAndStepByStops) {
  struct Case {
    int min, max, pos, step;
    int stepIt, stepBy;  // positions after StepIt, and after StepBy(step) from pos
  } cases[] = {
      {0, 100, 50, 10, 60, 60},       {0, 100, 95, 10, 5, 100},   {0, 100, 90, 10, 100, 100},
      {0, 100, 5, -10, 95, 0},        {10, 20, 18, 25, 13, 20},   {5, 5, 5, 3, 5, 5},
      {0, INT_MAX, INT_MAX - 1, INT_MAX, INT_MAX - 1, INT_MAX},
  };
  for (const Case& k : cases) {
    TProgressBar* p = Make<TProgressBar>(10, 10, 150, 16);
    p->SetRange(k.min, k.max);
    p->SetStep(k.step);
    p->SetPosition(k.pos);
    p->StepIt();
    EXPECT_EQ(p->Position(), k.stepIt) << k.pos << "+" << k.step;
    p->SetPosition(k.pos);
    p->StepBy(k.step);
    EXPECT_EQ(p->Position(), k.stepBy) << k.pos << "+" << k.step;
    delete p;
  }
}

TEST_F(ComCtrlsTest, SmoothBarFillsItsShareOfTheInside) {
  TProgressBar* p = Make<TProgressBar>(10, 10, 104, 16);  // inside: 100 x 12
  p->SetSmooth(true);
  for (int pos : {0, 25, 100}) {
    p->SetPosition(pos);
    Paint();
    EXPECT_EQ(Count(p, TRect{0, 8, 104, 9}, Sys(clHighlight)), pos) << pos;
  }
  EXPECT_EQ(At(p, 0, 0), Sys(clBtnShadow));
  EXPECT_EQ(At(p, 103, 15), Sys(clBtnHighlight));
  EXPECT_EQ(At(p, 1, 8), Sys(clBtnFace));  // padding ring
  EXPECT_EQ(At(p, 2, 8), Sys(clHighlight));
}

TEST_F(ComCtrlsTest, ChunkedBarLeavesGapsAndVerticalBarFillsUpwards) {
  TProgressBar* p = Make<TProgressBar>(10, 10, 104, 16);
  p->SetPosition(50);
  Paint();
  const int chunk = ProgressChunkLength(12);
  EXPECT_EQ(At(p, 2, 8), Sys(clHighlight));
  EXPECT_EQ(At(p, 2 + chunk, 8), Sys(clBtnFace));
  EXPECT_EQ(At(p, 2 + chunk + ProgressChunkGap, 8), Sys(clHighlight));
  EXPECT_EQ(At(p, 2 + 90, 8), Sys(clBtnFace));
  p->SetSmooth(true);
  p->SetOrientation(pbVertical);
  EXPECT_EQ(p->Width(), 16);
  EXPECT_EQ(p->Height(), 104);
  Paint();
  EXPECT_EQ(At(p, 8, 101), Sys(clHighlight));
  EXPECT_EQ(At(p, 8, 52), Sys(clHighlight));
  EXPECT_EQ(At(p, 8, 51), Sys(clBtnFace));
}

TEST_F(ComCtrlsTest, UpdatePaintsAPositionChangeAtOnce) {
  TProgressBar* p = Make<TProgressBar>(10, 10, 104, 16);
  p->SetSmooth(true);
  Paint();
  p->SetPosition(50);
  EXPECT_EQ(Painted(p, 40, 8), Sys(clBtnFace));  // only invalidated so far
  p->Update();
  EXPECT_EQ(Painted(p, 40, 8), Sys(clHighlight));
  EXPECT_EQ(Painted(p, 60, 8), Sys(clBtnFace));
}

}  // namespace

namespace {

// The grip answers the corner's hit code, and dragging it sizes the form.
TEST_F(ComCtrlsTest, DraggingTheSizeGripResizesTheForm) {
  auto* sb = Make<TStatusBar>(0, 0, 10, 19);
  Paint();
  ASSERT_TRUE(sb->SizeGripShown());
  auto hit = [&](int x, int y) {
    TPoint p = sb->ClientToScreen(TPoint{x, y});
    return SendMessage(sb->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  };
  const int w = sb->Width(), h = sb->Height();
  struct {
    int x, y;
    LRESULT expected;
  } cases[] = {{w - 1, h - 1, HTBOTTOMRIGHT}, {w - SizeGripSize, 1, HTBOTTOMRIGHT},
               {w - SizeGripSize - 1, h - 1, HTCLIENT}, {5, 5, HTCLIENT}};
  for (auto& c : cases) EXPECT_EQ(hit(c.x, c.y), c.expected) << c.x << "," << c.y;

  const TRect before = form->BoundsRect();
  TPoint grip = sb->ClientToScreen(TPoint{w - 4, h - 4});
  s.display.MouseMove(grip.X, grip.Y);
  s.display.MouseDown(grip.X, grip.Y);
  s.display.MouseMove(grip.X + 30, grip.Y + 20);
  s.display.MouseUp(grip.X + 30, grip.Y + 20);
  Paint();
  EXPECT_EQ(form->BoundsRect(), Bounds(before.Left, before.Top, before.Width() + 30, before.Height() + 20));
  // The bar followed the form's new bottom edge.
  EXPECT_EQ(sb->Top() + sb->Height(), form->ClientHeight());

  // No grip on a fixed-size form: the corner is plain client area.
  form->SetBorderStyle(bsSingle);
  EXPECT_FALSE(sb->SizeGripShown());
  EXPECT_EQ(hit(w - 1, h - 1), HTCLIENT);
}

}  // namespace

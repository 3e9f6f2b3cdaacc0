#include "platform/ui/controls/ToolBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

class ToolBarTest : public UiTest {
 protected:
  TToolBar* bar = nullptr;
  std::vector<std::string> clicks;

  void SetUp() override {
    UiTest::SetUp();
    ShowHost();
    bar = new TToolBar(host);
    bar->SetParent(host);
  }
  TToolButton* AddButton(TToolButtonStyle style, const std::string& name) {
    auto* b = new TToolButton(host);
    b->SetStyle(style);
    b->SetCaption(name);
    b->SetParent(bar);
    b->OnClick = [this, name](TObject*) { clicks.push_back(name); };
    return b;
  }
  COLORREF BarPixel(TControl* c, int x, int y) {
    TPoint p = host->ScreenToClient(At(c, x, y));
    return Pixel(p.X, p.Y);
  }
};

TEST_F(ToolBarTest, ButtonsLayOutLeftToRightAndWrap) {
  EXPECT_EQ(bar->Align(), alTop);
  EXPECT_EQ(bar->Width(), host->ClientWidth());
  auto* a = AddButton(tbsButton, "a");
  auto* sep = AddButton(tbsSeparator, "-");
  auto* c = AddButton(tbsDropDown, "c");
  EXPECT_EQ(a->BoundsRect(), (TRect{0, 0, 23, 22}));
  EXPECT_EQ(sep->BoundsRect(), (TRect{23, 0, 31, 22}));
  EXPECT_EQ(c->BoundsRect(), (TRect{31, 0, 31 + 23 + 13, 22}));
  EXPECT_EQ(bar->ButtonCount(), 3);
  EXPECT_EQ(bar->Buttons(2), c);
  bar->SetButtonSize(150, 30);
  EXPECT_EQ(bar->RowCount(), 2);  // 150 + 8 + 163 no longer fits in 300
  EXPECT_EQ(c->BoundsRect(), (TRect{0, 30, 163, 60}));
  bar->SetWrapable(false);
  EXPECT_EQ(bar->RowCount(), 1);
  EXPECT_EQ(c->Top(), 0);
  a->SetWrap(true);
  EXPECT_EQ(sep->BoundsRect(), (TRect{0, 30, 8, 60}));
  EXPECT_EQ(c->BoundsRect(), (TRect{8, 30, 171, 60}));
  delete sep;
  EXPECT_EQ(bar->ButtonCount(), 2);
  EXPECT_EQ(c->BoundsRect(), (TRect{0, 30, 163, 60}));
  bar->SetShowCaptions(true);
  c->SetCaption("a much longer caption than fits");
  EXPECT_GT(c->Width(), 163);
}

TEST_F(ToolBarTest, CheckButtonsToggleAndGroupsKeepOneDown) {
  auto* plain = AddButton(tbsButton, "plain");
  auto* toggle = AddButton(tbsCheck, "toggle");
  auto* g1 = AddButton(tbsCheck, "g1");
  auto* g2 = AddButton(tbsCheck, "g2");
  g1->SetGrouped(true);
  g2->SetGrouped(true);
  s.display.RunUntilIdle();
  Click(plain, 5, 5);
  EXPECT_FALSE(plain->Down());
  Click(toggle, 5, 5);
  EXPECT_TRUE(toggle->Down());
  Click(toggle, 5, 5);
  EXPECT_FALSE(toggle->Down());
  Click(g1, 5, 5);
  Click(g2, 5, 5);
  EXPECT_FALSE(g1->Down());
  EXPECT_TRUE(g2->Down());
  Click(g2, 5, 5);  // the group keeps one down
  EXPECT_TRUE(g2->Down());
  g2->AllowAllUp = true;
  Click(g2, 5, 5);
  EXPECT_FALSE(g2->Down());
  // A release away from the button does not click.
  TPoint in = At(plain, 5, 5), out = At(plain, 5, 80);
  s.display.MouseDown(in.X, in.Y);
  s.display.RunUntilIdle();
  EXPECT_TRUE(plain->Pressed());
  s.display.MouseMove(out.X, out.Y);
  s.display.MouseUp(out.X, out.Y);
  s.display.RunUntilIdle();
  EXPECT_FALSE(plain->Pressed());
  EXPECT_EQ(clicks, (std::vector<std::string>{"plain", "toggle", "toggle", "g1", "g2", "g2", "g2"}));
}

TEST_F(ToolBarTest, HotTrackingAndCustomDrawWithStates) {
  bar->SetFlat(true);
  auto* a = AddButton(tbsButton, "a");
  auto* b = AddButton(tbsCheck, "b");
  b->SetDown(true);
  struct Call {
    TToolButton* button;
    TCustomDrawState state;
  };
  std::vector<Call> calls;
  std::vector<TRect> barRects;
  bar->OnCustomDraw = [&](TToolBar*, const TRect& r, bool&) { barRects.push_back(r); };
  bar->OnCustomDrawButton = [&](TToolBar*, TToolButton* button, TCustomDrawState st, bool& defaultDraw) {
    calls.push_back({button, st});
    if (button == a && (st & cdsHot)) {
      a->Canvas()->Brush()->SetColor(clRed);
      a->Canvas()->FillRect(a->ClientRect());
      defaultDraw = false;
    }
  };
  s.display.RunUntilIdle();
  ASSERT_FALSE(barRects.empty());
  EXPECT_EQ(barRects.back(), bar->ClientRect());
  EXPECT_EQ(BarPixel(a, 0, 0), ClassicRGB(clBtnFace));  // flat: no frame while cold
  calls.clear();
  MoveTo(At(a, 5, 5));
  EXPECT_EQ(bar->HotButton(), a);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().button, a);
  EXPECT_EQ(calls.back().state, cdsHot);
  EXPECT_EQ(BarPixel(a, 10, 10), ClassicRGB(clRed));
  calls.clear();
  MoveTo(At(b, 5, 5));
  EXPECT_EQ(bar->HotButton(), b);
  bool sawB = false;
  for (const Call& c : calls)
    if (c.button == b) {
      sawB = true;
      EXPECT_EQ(c.state, cdsHot | cdsChecked);
    }
  EXPECT_TRUE(sawB);
  EXPECT_EQ(BarPixel(a, 10, 10), ClassicRGB(clBtnFace));  // a redrawn cold
  EXPECT_EQ(BarPixel(b, 0, 0), ClassicRGB(clBtnShadow));  // down: sunken frame
  MoveTo(At(bar, 200, 10));
  EXPECT_EQ(bar->HotButton(), nullptr);
}

TEST_F(ToolBarTest, ButtonFreedInsideItsOnClick) {
  auto* a = AddButton(tbsCheck, "a");
  a->OnClick = [&](TObject*) { delete a; };
  Click(a, 5, 5);
  EXPECT_EQ(bar->ButtonCount(), 0);
  AddButton(tbsButton, "b");
  delete bar;  // with buttons still on it
  EXPECT_EQ(host->ControlCount(), 0);
}

}  // namespace

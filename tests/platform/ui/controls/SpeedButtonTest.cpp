#include "platform/ui/controls/SpeedButton.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

class SpeedButtonTest : public UiTest {
 protected:
  std::vector<TSpeedButton*> buttons;
  std::vector<int> clicks;

  void SetUp() override {
    UiTest::SetUp();
    ShowHost();
  }
  void MakeGroup(int n, int group, bool allowAllUp) {
    for (int i = 0; i < n; ++i) {
      auto* b = new TSpeedButton(host);
      b->SetParent(host);
      b->SetBounds(10 + i * 30, 10, 25, 25);
      b->SetGroupIndex(group);
      b->SetAllowAllUp(allowAllUp);
      b->OnClick = [this, i](TObject*) { clicks.push_back(i); };
      buttons.push_back(b);
    }
    s.display.RunUntilIdle();
  }
  std::vector<bool> DownStates() {
    std::vector<bool> out;
    for (auto* b : buttons) out.push_back(b->Down());
    return out;
  }
  COLORREF ButtonPixel(TControl* c, int x, int y) { return Pixel(c->Left() + x, c->Top() + y); }
};

TEST_F(SpeedButtonTest, GroupWithoutAllowAllUpKeepsOneDown) {
  MakeGroup(3, 1, false);
  Click(buttons[1], 5, 5);
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, true, false}));
  Click(buttons[2], 5, 5);
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, false, true}));
  Click(buttons[2], 5, 5);  // stays down, still clicks
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, false, true}));
  buttons[2]->SetDown(false);  // refused from code as well
  EXPECT_TRUE(buttons[2]->Down());
  buttons[0]->SetDown(true);
  EXPECT_EQ(DownStates(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(clicks, (std::vector<int>{1, 2, 2}));
}

TEST_F(SpeedButtonTest, GroupWithAllowAllUpLetsTheDownButtonGoUp) {
  MakeGroup(2, 4, true);
  Click(buttons[0], 5, 5);
  EXPECT_EQ(DownStates(), (std::vector<bool>{true, false}));
  Click(buttons[0], 5, 5);
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, false}));
  Click(buttons[1], 5, 5);
  buttons[0]->SetDown(true);
  EXPECT_EQ(DownStates(), (std::vector<bool>{true, false}));
  // A release outside the button neither toggles nor clicks.
  TPoint in = At(buttons[1], 5, 5), out = At(buttons[1], 5, 60);
  s.display.MouseDown(in.X, in.Y);
  s.display.MouseMove(out.X, out.Y);
  s.display.MouseUp(out.X, out.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(DownStates(), (std::vector<bool>{true, false}));
  EXPECT_EQ(clicks, (std::vector<int>{0, 0, 1}));
}

TEST_F(SpeedButtonTest, UngroupedButtonNeverStaysDownAndShowsThePressedLook) {
  MakeGroup(1, 0, false);
  TSpeedButton* b = buttons[0];
  b->SetDown(true);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(ButtonPixel(b, 0, 0), ClassicRGB(clBtnHighlight));  // raised: light top-left
  TPoint p = At(b, 5, 5);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(b->State(), bsDown);
  EXPECT_NE(ButtonPixel(b, 0, 0), ClassicRGB(clBtnHighlight));  // sunken while held
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(b->State(), bsUp);
  EXPECT_EQ(clicks, (std::vector<int>{0}));

  // A flat button shows no frame until the mouse is over it.
  b->SetFlat(true);
  host->SetColor(clBtnFace);
  MoveTo(At(b, 40, 40));
  EXPECT_EQ(ButtonPixel(b, 0, 0), ClassicRGB(clBtnFace));
  MoveTo(At(b, 5, 5));
  EXPECT_TRUE(b->MouseInControl());
  EXPECT_EQ(ButtonPixel(b, 0, 0), ClassicRGB(clBtnHighlight));
}

TEST_F(SpeedButtonTest, GlyphImagesFollowTheStateAndTheLayout) {
  MakeGroup(1, 7, true);
  TSpeedButton* b = buttons[0];
  b->SetBounds(10, 10, 40, 30);
  TBitmap glyph;
  glyph.SetWidth(32);
  glyph.SetHeight(8);
  const TColor colours[] = {clRed, clBlue, clYellow, clLime};
  for (int i = 0; i < 4; ++i) {
    glyph.Canvas()->Brush()->SetColor(colours[i]);
    glyph.Canvas()->FillRect(TRect{i * 8, 0, i * 8 + 8, 8});
  }
  glyph.Canvas()->SetPixels(0, 7, clFuchsia);  // the transparent colour
  b->SetGlyph(&glyph);
  b->SetNumGlyphs(4);
  b->SetMargin(3);
  s.display.RunUntilIdle();
  // Left layout, margin 3, centred vertically: the glyph at (3, 11).
  EXPECT_EQ(ButtonPixel(b, 5, 13), ClassicRGB(clRed));
  EXPECT_EQ(ButtonPixel(b, 3, 18), ClassicRGB(clBtnFace));  // the transparent corner
  b->SetEnabled(false);
  s.display.RunUntilIdle();
  EXPECT_EQ(ButtonPixel(b, 5, 13), ClassicRGB(clBlue));
  b->SetEnabled(true);
  TPoint p = At(b, 20, 20);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(ButtonPixel(b, 6, 14), ClassicRGB(clYellow));  // pressed: one pixel down and right
  s.display.MouseUp(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(ButtonPixel(b, 6, 14), ClassicRGB(clLime));
  b->SetLayout(blGlyphRight);
  b->SetDown(false);
  s.display.RunUntilIdle();
  EXPECT_EQ(ButtonPixel(b, 40 - 3 - 4, 13), ClassicRGB(clRed));
}

}  // namespace

// The themed progress bar, picture panel, group box and check group.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Picture.h"
#include "platform/rtl/StringList.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/bars/KZUProgressBar.h"
#include "themed/panels/KZUGroupBox.h"
#include "themed/panels/KZUImagePanel.h"

namespace {

using S = TkzuUIStyle;

std::unique_ptr<TPicture> Solid(int w, int h, TColor colour) {
  TBitmap b(w, h, pfDevice);
  b.Canvas()->Brush()->SetColor(colour);
  b.Canvas()->FillRect(TRect{0, 0, w, h});
  auto p = std::make_unique<TPicture>();
  p->SetGraphic(&b);
  return p;
}

class KZUPanelsTest : public ThemedTest {};

TEST_F(KZUPanelsTest, ProgressPercentAndFill) {
  auto* p = Make<TkzuProgressBar>(form, 10, 10);
  EXPECT_EQ(p->Width(), 150);
  EXPECT_EQ(p->Height(), 12);
  EXPECT_EQ(p->Caption(), "50%");
  struct Case {
    int min, max, pos;
    std::string text;
    int filled100;
  } cases[] = {{0, 200, 50, "25%", 25}, {0, 200, 300, "150%", 100}, {0, 100, 0, "0%", 0},
               {5, 5, 5, "0%", 0},      {10, 0, 5, "50%", 0},        {INT_MIN, INT_MAX, 0, "50%", 50}};
  for (const Case& c : cases) {
    p->SetMin(c.min);
    p->SetMax(c.max);
    p->SetPosition(c.pos);
    EXPECT_EQ(p->Caption(), c.text) << c.min << ".." << c.max << " @" << c.pos;
    EXPECT_EQ(p->FilledLength(100), c.filled100) << c.min << ".." << c.max << " @" << c.pos;
  }
}

TEST_F(KZUPanelsTest, ProgressThicknessAndTurning) {
  auto* p = Make<TkzuProgressBar>(form, 10, 10);
  p->SetHeight(20);
  EXPECT_EQ(p->Height(), 12);
  p->SetOrientation(kzuVertical);
  EXPECT_EQ(p->Width(), 12);
  EXPECT_EQ(p->Height(), 150);
  s.display.RunUntilIdle();
  EXPECT_FALSE(p->ShowCaption());  // a vertical bar shows no text
  // and painting it did not queue another paint
  EXPECT_EQ(s.display.RunUntilIdle(), 0);
}

TEST_F(KZUPanelsTest, ProgressPaintsPictureColourCaptionAndBorder) {
  auto* p = Make<TkzuProgressBar>(form, 10, 10, S::Custom);
  auto pic = Solid(4, 10, TColor(0x0000FF));
  p->SetPicture(pic.get());
  p->SetColor(TColor(0x00FF00));
  p->SetBorderColor(TColor(0xFF0000));
  p->SetShowCaption(false);
  p->SetWidth(101);
  p->SetPosition(50);
  s.display.RunUntilIdle();
  EXPECT_EQ(At(p, 0, 5), COLORREF(0xFF0000));
  EXPECT_EQ(At(p, 10, 5), COLORREF(0x0000FF));
  EXPECT_EQ(At(p, 49, 5), COLORREF(0x0000FF));
  EXPECT_EQ(At(p, 50, 5), COLORREF(0x00FF00));
  // At Min nothing is filled: the colour starts at x = 1, and a smart
  // caption stays hidden.
  p->SetPosition(0);
  p->SetShowCaption(true);
  p->SetSmartShowCaption(true);
  p->SetCaptionColor(TColor(0x000000));
  s.display.RunUntilIdle();
  for (int x = 1; x < 100; ++x) ASSERT_EQ(At(p, x, 5), COLORREF(0x00FF00)) << x;
  p->SetSmartShowCaption(false);
  s.display.RunUntilIdle();
  bool text = false;
  for (int x = 1; x < 100; ++x) text |= At(p, x, 5) == COLORREF(0x000000);
  EXPECT_TRUE(text);
}

TEST_F(KZUPanelsTest, ImagePanelAutoSizeAndFill) {
  auto* ip = Make<TkzuImagePanel>(form, 10, 10);
  ip->SetBounds(10, 10, 100, 60);
  ip->SetColor(TColor(0x00FF00));
  ip->SetAlign(alTop);
  ip->SetAutoSize(true);
  auto pic = Solid(30, 20, TColor(0x0000FF));
  ip->SetPicture(pic.get());
  s.display.RunUntilIdle();
  EXPECT_EQ(ip->Height(), 20);
  EXPECT_EQ(ip->Width(), form->ClientWidth());  // aligned to the top: keeps its width
  // The picture does not cover the panel: the rest is Color.
  EXPECT_EQ(At(ip, 5, 5), COLORREF(0x0000FF));
  EXPECT_EQ(At(ip, 50, 5), COLORREF(0x00FF00));
  ip->SetDrawStyle(kzuTile);
  s.display.RunUntilIdle();
  EXPECT_EQ(At(ip, 50, 5), COLORREF(0x0000FF));
}

TEST_F(KZUPanelsTest, ImagePanelCaptionAligned) {
  auto* ip = Make<TkzuImagePanel>(form, 10, 10);
  ip->SetBounds(10, 10, 200, 30);
  ip->SetColor(TColor(0xFFFFFF));
  ip->Font()->SetColor(TColor(0x000000));
  ip->SetCaption("Text");
  ip->SetAlignment(taLeftJustify);
  s.display.RunUntilIdle();
  auto darkIn = [&](int x0, int x1) {
    for (int x = x0; x < x1; ++x)
      for (int y = 0; y < 30; ++y)
        if (At(ip, x, y) == COLORREF(0)) return true;
    return false;
  };
  EXPECT_TRUE(darkIn(0, 40));
  EXPECT_FALSE(darkIn(150, 200));
  ip->SetAlignment(taRightJustify);
  s.display.RunUntilIdle();
  EXPECT_FALSE(darkIn(0, 40));
  EXPECT_TRUE(darkIn(150, 200));
}

TEST_F(KZUPanelsTest, GroupBoxDisablesItsControlsAndDrawsItsFrame) {
  auto* g = Make<TkzuGroupBox>(form, 10, 10);
  g->SetCaption("Options");
  g->SetBorderColor(TColor(0x0000FF));
  auto* cb = Make<TkzuCheckBox>(g, 10, 30);
  cb->SetCaption("One");
  s.display.RunUntilIdle();
  const int y = std::abs(g->Font()->Height()) / 2 + 1;
  EXPECT_EQ(At(g, 0, 50), COLORREF(0x0000FF));
  EXPECT_EQ(At(g, g->Width() - 1, 50), COLORREF(0x0000FF));
  EXPECT_EQ(At(g, 50, g->Height() - 1), COLORREF(0x0000FF));
  EXPECT_EQ(At(g, g->Width() - 5, y), COLORREF(0x0000FF));
  g->SetEnabled(false);
  EXPECT_FALSE(cb->Enabled());
  g->SetEnabled(true);
  EXPECT_TRUE(cb->Enabled());
}

TEST_F(KZUPanelsTest, CheckGroupLaysOutColumnByColumn) {
  auto* g = Make<TkzuCheckGroup>(form, 10, 10);
  g->SetBounds(10, 10, 300, 120);
  g->SetColumns(2);
  for (const char* s : {"a", "b", "c", "d", "e"}) g->Items()->Add(s);
  s.display.RunUntilIdle();
  ASSERT_EQ(g->ButtonCount(), 5);
  const TRect c = g->ContentRect();
  const int top = c.Top + 8, rows = 3, rowH = (c.Bottom - top) / rows, y0 = top + ((c.Bottom - top) % rows) / 2;
  const int colW = (300 - 10) / 2;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(g->Buttons(i)->Left(), (i / 3) * colW + 8) << i;
    EXPECT_EQ(g->Buttons(i)->Top(), (i % 3) * rowH + y0) << i;
    EXPECT_EQ(g->Buttons(i)->Caption(), std::string(1, char('a' + i)));
  }
}

TEST_F(KZUPanelsTest, CheckGroupDropsTheLastButtonsAndClicksReachOnClick) {
  auto* g = Make<TkzuCheckGroup>(form, 10, 10);
  g->SetBounds(10, 10, 300, 140);
  for (const char* s : {"a", "b", "c", "d"}) g->Items()->Add(s);
  s.display.RunUntilIdle();
  g->Buttons(0)->SetChecked(true);
  TkzuCheckBox* first = g->Buttons(0);
  g->Items()->Delete(3);
  g->Items()->Delete(2);
  EXPECT_EQ(g->ButtonCount(), 2);
  EXPECT_EQ(g->Buttons(0), first);
  EXPECT_TRUE(first->Checked());
  int clicks = 0;
  g->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, g);
    ++clicks;
  };
  s.display.RunUntilIdle();
  ClickOn(g->Buttons(1), 4, 4);
  EXPECT_TRUE(g->Buttons(1)->Checked());
  ClickOn(g, g->Width() - 10, g->Height() - 10);
  EXPECT_EQ(clicks, 2);
  g->SetColumns(0);
  EXPECT_EQ(g->Columns(), 1);
  g->SetTopMargin(-1);
  EXPECT_EQ(g->TopMargin(), 8);
}

TEST_F(KZUPanelsTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    form->SetColor(GetThemeColor(looks[li], 9));
    auto* p0 = Make<TkzuProgressBar>(form, 10, 10, looks[li]);
    p0->SetPosition(0);
    auto* p1 = Make<TkzuProgressBar>(form, 10, 30, looks[li]);
    p1->SetPosition(35);
    auto* p2 = Make<TkzuProgressBar>(form, 10, 50, looks[li]);
    p2->SetPosition(100);
    auto* pv = Make<TkzuProgressBar>(form, 180, 10, looks[li]);
    pv->SetOrientation(kzuVertical);
    pv->SetPosition(70);
    auto* g = Make<TkzuGroupBox>(form, 210, 10);
    g->SetBorderColor(GetThemeColor(looks[li], 8));
    g->SetCaption("Group");
    auto* gd = Make<TkzuGroupBox>(form, 210, 130);
    gd->SetCaption("Disabled group");
    gd->SetEnabled(false);
    auto* cg = Make<TkzuCheckGroup>(form, 10, 170, looks[li]);
    cg->SetColumns(2);
    cg->SetCaption("Check group");
    for (const char* s : {"First", "Second", "Third"}) cg->Items()->Add(s);
    cg->Buttons(1)->SetChecked(true);
    s.display.RunUntilIdle();
    EXPECT_NE(At(p1, 20, 6), At(p1, 140, 6)) << names[li];
    // A full bar is the picture to its end, never the bar colour.
    EXPECT_NE(At(p2, 147, 6), COLORREF(ColorToRGB(p2->Color()))) << names[li];
    SaveFormSheet(std::string("themed_panels_") + names[li]);
    for (TControl* c : std::vector<TControl*>{p0, p1, p2, pv, g, gd, cg}) delete c;
    s.display.RunUntilIdle();
  }
}

}  // namespace

#include "platform/ui/controls/Tabs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

class TabsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ShowHost();
  }
  void ClickTab(TCustomTabControl* c, int i) {
    TRect r = c->TabRect(i);
    Click(c, r.Left + 4, r.Top + r.Height() / 2);
  }
};

TEST_F(TabsTest, TabControlChangesOnClickAndKeysAndOnChangingCanRefuse) {
  auto* tc = new TTabControl(host);
  tc->SetParent(host);
  tc->SetBounds(0, 0, 280, 150);
  for (const char* t : {"One", "Two", "Three"}) tc->Tabs()->Add(t);
  s.display.RunUntilIdle();
  EXPECT_EQ(tc->TabIndex(), 0);
  for (int i = 0; i < 3; ++i) {
    TRect r = tc->TabRect(i);
    EXPECT_FALSE(r.IsEmpty());
    EXPECT_EQ(tc->IndexOfTabAt(r.Left + 1, r.Top + 1), i);
    if (i) {
      EXPECT_EQ(r.Left, tc->TabRect(i - 1).Right);
    }
  }
  EXPECT_EQ(tc->IndexOfTabAt(270, 5), -1);
  EXPECT_TRUE(tc->TabRect(3).IsEmpty());
  EXPECT_GE(tc->DisplayRect().Top, tc->TabRect(0).Bottom);

  std::vector<std::string> log;
  bool allow = true;
  tc->OnChanging = [&](TObject*, bool& ok) {
    log.push_back("changing from " + std::to_string(tc->TabIndex()));
    ok = allow;
  };
  tc->OnChange = [&](TObject*) { log.push_back("change to " + std::to_string(tc->TabIndex())); };
  ClickTab(tc, 2);
  EXPECT_EQ(tc->TabIndex(), 2);
  allow = false;
  ClickTab(tc, 1);
  EXPECT_EQ(tc->TabIndex(), 2);
  allow = true;
  Key(VK_LEFT);  // the click focused the control
  EXPECT_EQ(tc->TabIndex(), 1);
  tc->SetTabIndex(0);  // from code: no events
  EXPECT_EQ(log, (std::vector<std::string>{"changing from 0", "change to 2", "changing from 2", "changing from 2",
                                           "change to 1"}));
  tc->Tabs()->Delete(2);
  tc->Tabs()->Delete(1);
  tc->SetTabIndex(0);
  tc->Tabs()->Delete(0);
  EXPECT_EQ(tc->TabIndex(), -1);
}

TEST_F(TabsTest, MultiLineWrapsRowsAndBottomTabsMirror) {
  auto* tc = new TTabControl(host);
  tc->SetParent(host);
  tc->SetBounds(0, 0, 160, 150);
  for (int i = 0; i < 8; ++i) tc->Tabs()->Add("Tab " + std::to_string(i));
  EXPECT_EQ(tc->RowCount(), 1);
  const int singleTop = tc->DisplayRect().Top;
  EXPECT_GT(tc->TabRect(7).Right, tc->Width());  // cut at the edge
  tc->SetMultiLine(true);
  ASSERT_GT(tc->RowCount(), 1);
  const int h = tc->TabRect(0).Height();
  EXPECT_EQ(tc->DisplayRect().Top, singleTop + (tc->RowCount() - 1) * h);
  for (int i = 0; i < 8; ++i) EXPECT_LE(tc->TabRect(i).Right, tc->Width());
  EXPECT_EQ(tc->TabRect(7).Top, tc->TabRect(0).Top + (tc->RowCount() - 1) * h);

  tc->SetTabPosition(tpBottom);
  EXPECT_EQ(tc->TabRect(0).Bottom, tc->Height() - 2);
  EXPECT_LT(tc->TabRect(7).Top, tc->TabRect(0).Top);
  EXPECT_LE(tc->DisplayRect().Bottom, tc->TabRect(0).Top);
  EXPECT_EQ(tc->DisplayRect().Top, 4);
  s.display.RunUntilIdle();
  ClickTab(tc, 5);
  EXPECT_EQ(tc->TabIndex(), 5);
}

TEST_F(TabsTest, PageControlShowsTheActiveSheetAndFollowsTabVisibility) {
  auto* pc = new TPageControl(host);
  pc->SetParent(host);
  pc->SetBounds(10, 10, 260, 160);
  std::vector<TTabSheet*> sheets;
  for (const char* caption : {"General", "Colour", "Size"}) {
    auto* sheet = new TTabSheet(host);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pc);
    sheets.push_back(sheet);
  }
  s.display.RunUntilIdle();
  EXPECT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_EQ(sheets[0]->BoundsRect(), pc->DisplayRect());
  EXPECT_TRUE(sheets[0]->Visible());
  EXPECT_FALSE(sheets[1]->Visible());

  int changes = 0;
  pc->OnChange = [&](TObject*) { ++changes; };
  pc->OnChanging = [&](TObject*, bool& ok) { ok = pc->ActivePage() != sheets[2]; };
  ClickTab(pc, 2);
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_EQ(pc->ActivePageIndex(), 2);
  EXPECT_TRUE(sheets[2]->Visible());
  EXPECT_FALSE(sheets[0]->Visible());
  ClickTab(pc, 0);  // refused while on the last page
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_EQ(changes, 1);
  pc->OnChanging = nullptr;

  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(sheets[2]->TabIndex(), 1);
  EXPECT_EQ(sheets[1]->TabIndex(), -1);
  ClickTab(pc, 0);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  pc->SelectNextPage(true);  // skips the hidden tab
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_EQ(changes, 3);

  pc->SetHeight(200);  // the sheet follows the display area
  EXPECT_EQ(sheets[2]->BoundsRect(), pc->DisplayRect());
  sheets[2]->SetPageIndex(0);
  EXPECT_EQ(pc->Pages(0), sheets[2]);
  delete sheets[2];  // the active page goes: the next one with a tab comes up
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_TRUE(sheets[0]->Visible());
  delete pc;  // frees the remaining sheets
  EXPECT_EQ(host->ControlCount(), 0);
}

TEST_F(TabsTest, CtrlTabSwitchesThePagesAroundTheFocus) {
  // An outer page control A|B|C; page B holds an inner one X|Y.
  auto page = [this](TPageControl* pc, const char* caption) {
    auto* sheet = new TTabSheet(host);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pc);
    auto* w = new TTestWin(host);
    w->SetName(std::string("w") + caption);
    w->SetTabStop(true);
    w->SetBounds(5, 5, 40, 20);
    w->SetParent(sheet);
    return sheet;
  };
  auto* outer = new TPageControl(host);
  outer->SetParent(host);
  outer->SetBounds(0, 0, 290, 190);
  TTabSheet* a = page(outer, "A");
  TTabSheet* b = page(outer, "B");
  TTabSheet* c = page(outer, "C");
  auto* inner = new TPageControl(host);
  inner->SetParent(b);
  inner->SetBounds(50, 30, 200, 120);
  TTabSheet* x = page(inner, "X");
  TTabSheet* y = page(inner, "Y");
  s.display.RunUntilIdle();
  auto ctrlTab = [this](bool shift) {
    s.display.KeyDown(VK_CONTROL);
    if (shift) s.display.KeyDown(VK_SHIFT);
    s.display.KeyPress(VK_TAB);
    if (shift) s.display.KeyUp(VK_SHIFT);
    s.display.KeyUp(VK_CONTROL);
    s.display.RunUntilIdle();
  };
  auto focusedIn = [](TTabSheet* sheet) {
    TWinControl* f = FocusedControl();
    return f && sheet->ContainsControl(f) && f != sheet;
  };

  static_cast<TWinControl*>(a->Controls(0))->SetFocus();
  s.display.RunUntilIdle();
  ctrlTab(true);  // backwards from the first page wraps to the last
  EXPECT_EQ(outer->ActivePage(), c);
  EXPECT_TRUE(focusedIn(c)) << "the focus follows onto the shown page";
  ctrlTab(false);
  EXPECT_EQ(outer->ActivePage(), a);
  ctrlTab(false);
  EXPECT_EQ(outer->ActivePage(), b);
  EXPECT_TRUE(focusedIn(b));

  // With the focus inside the inner control, it is the inner one that turns.
  static_cast<TWinControl*>(x->Controls(0))->SetFocus();
  s.display.RunUntilIdle();
  ctrlTab(false);
  EXPECT_EQ(inner->ActivePage(), y);
  EXPECT_EQ(outer->ActivePage(), b);
  EXPECT_TRUE(focusedIn(y));
  ctrlTab(true);
  EXPECT_EQ(inner->ActivePage(), x);
  EXPECT_EQ(outer->ActivePage(), b);

  // A refused change keeps the page, and the key does not reach the outer one.
  inner->OnChanging = [](TObject*, bool& ok) { ok = false; };
  ctrlTab(false);
  EXPECT_EQ(inner->ActivePage(), x);
  EXPECT_EQ(outer->ActivePage(), b);
  inner->OnChanging = nullptr;

  // An inner control with one page leaves the key to the outer one.
  delete y;
  ctrlTab(false);
  EXPECT_EQ(outer->ActivePage(), c);

  // Plain Tab still moves the focus, not the page.
  Key(VK_TAB);
  EXPECT_EQ(outer->ActivePage(), c);
}

TEST_F(TabsTest, TabsThatDoNotFitScrollWithTheArrowPair) {
  for (TTabPosition pos : {tpTop, tpBottom}) {
    SCOPED_TRACE(pos == tpTop ? "top" : "bottom");
    auto* tc = new TTabControl(host);
    tc->SetParent(host);
    tc->SetBounds(0, 0, 200, 120);
    tc->SetTabPosition(pos);
    for (int i = 0; i < 8; ++i) tc->Tabs()->Add("Tab " + std::to_string(i));
    s.display.RunUntilIdle();
    const TRect arrows = tc->ScrollerRect();
    ASSERT_FALSE(arrows.IsEmpty());
    EXPECT_EQ(arrows.Right, tc->Width());
    EXPECT_GE(arrows.Top, tc->TabRect(0).Top);
    EXPECT_LE(arrows.Bottom, tc->TabRect(0).Bottom);
    EXPECT_EQ(tc->FirstVisibleTab(), 0);
    // A point on the arrows is no tab even where a tab lies beneath.
    EXPECT_EQ(tc->IndexOfTabAt(arrows.Left + 2, arrows.Top + 2), -1);
    auto left = [&] { Click(tc, arrows.Left + 3, arrows.Top + arrows.Height() / 2); };
    auto right = [&] { Click(tc, arrows.Right - 3, arrows.Top + arrows.Height() / 2); };

    right();
    EXPECT_EQ(tc->FirstVisibleTab(), 1);
    EXPECT_EQ(tc->TabIndex(), 0);  // the arrows do not change the tab
    const TRect t1 = tc->TabRect(1);
    EXPECT_EQ(t1.Left, 2);
    EXPECT_LE(tc->TabRect(0).Right, t1.Left);
    EXPECT_EQ(tc->IndexOfTabAt(t1.Left + 1, t1.Top + 2), 1);
    EXPECT_EQ(tc->IndexOfTabAt(0, t1.Top + 2), -1);
    // Until the last tab ends left of the arrows, then no further.
    int clicks = 1;
    while (tc->TabRect(7).Right > arrows.Left && clicks < 20) {
      right();
      ++clicks;
    }
    const int most = tc->FirstVisibleTab();
    EXPECT_EQ(most, clicks);
    EXPECT_LT(most, 7);
    right();
    EXPECT_EQ(tc->FirstVisibleTab(), most);
    EXPECT_EQ(tc->TabRect(most).Left, 2);
    left();
    EXPECT_EQ(tc->FirstVisibleTab(), most - 1);
    ClickTab(tc, most);
    EXPECT_EQ(tc->TabIndex(), most);
    for (int i = 0; i < 20; ++i) left();
    EXPECT_EQ(tc->FirstVisibleTab(), 0);
    EXPECT_EQ(tc->TabRect(0).Left, 2);
    // Keys bring the chosen tab into view.
    for (int i = most; i < 7; ++i) Key(VK_RIGHT);
    EXPECT_EQ(tc->TabIndex(), 7);
    EXPECT_EQ(tc->FirstVisibleTab(), most);
    EXPECT_LE(tc->TabRect(7).Right, arrows.Left);
    for (int i = 7; i > 0; --i) Key(VK_LEFT);
    EXPECT_EQ(tc->TabIndex(), 0);
    EXPECT_EQ(tc->FirstVisibleTab(), 0);

    // Room for every tab, or several rows: no arrows and no shift.
    right();
    tc->SetWidth(2000);
    EXPECT_TRUE(tc->ScrollerRect().IsEmpty());
    EXPECT_EQ(tc->FirstVisibleTab(), 0);
    EXPECT_EQ(tc->TabRect(0).Left, 2);
    tc->SetWidth(200);
    tc->SetMultiLine(true);
    EXPECT_TRUE(tc->ScrollerRect().IsEmpty());
    EXPECT_GT(tc->RowCount(), 1);
    delete tc;
  }
}

TEST_F(TabsTest, SelectedTabKeepsItsDarkRightEdgeOverTheNextTab) {
  // The selected tab is two pixels wider on each side, over its neighbours.
  for (TTabPosition position : {tpTop, tpBottom}) {
    SCOPED_TRACE(position);
    auto* tc = new TTabControl(host);
    tc->SetParent(host);
    tc->SetBounds(0, 0, 280, 150);
    tc->SetTabPosition(position);
    for (const char* t : {"One", "Two", "Three"}) tc->Tabs()->Add(t);
    for (int selected : {0, 1}) {
      tc->SetTabIndex(selected);
      s.display.RunUntilIdle();
      const TRect r = tc->TabRect(selected);
      const int y = r.Top + r.Height() / 2;
      TPoint dark = host->ScreenToClient(At(tc, r.Right + 1, y));
      TPoint shadow = host->ScreenToClient(At(tc, r.Right, y));
      EXPECT_EQ(Pixel(dark.X, dark.Y), ClassicRGB(cl3DDkShadow)) << selected;
      EXPECT_EQ(Pixel(shadow.X, shadow.Y), ClassicRGB(clBtnShadow)) << selected;
    }
    delete tc;
  }
}

// The selected tab opens into its page: no frame line runs between them,
// above the page or below it.
TEST_F(TabsTest, TheSelectedTabOpensIntoThePage) {
  for (TTabPosition position : {tpTop, tpBottom}) {
    const bool top = position == tpTop;
    SCOPED_TRACE(top ? "top" : "bottom");
    auto* tc = new TTabControl(host);
    tc->SetParent(host);
    tc->SetBounds(10, 10, 280, 150);
    tc->SetTabPosition(position);
    for (const char* t : {"One", "Two", "Three"}) tc->Tabs()->Add(t);
    tc->SetTabIndex(1);
    s.display.RunUntilIdle();
    if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      s.display.WriteBmp(host->Handle(), (std::string(dir) + (top ? "/tabs_top.bmp" : "/tabs_bottom.bmp")).c_str());
    const TRect r = tc->TabRect(1), page = tc->DisplayRect();
    const int x = (r.Left + r.Right) / 2 + 8;  // clear of the caption
    // The two frame lines on the tabs' side of the page.
    const int edge = top ? page.Top - 4 : page.Bottom + 2;
    for (int y = edge; y < edge + 2; ++y) {
      const TPoint p = host->ScreenToClient(At(tc, x, y));
      EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(tc->Color())) << y;
    }
    // Beside the selected tab the frame lines stay.
    const TPoint beside = host->ScreenToClient(At(tc, tc->TabRect(0).Left + 6, top ? page.Top - 4 : page.Bottom + 3));
    EXPECT_NE(Pixel(beside.X, beside.Y), ClassicRGB(tc->Color()));
    delete tc;
  }
}

}  // namespace

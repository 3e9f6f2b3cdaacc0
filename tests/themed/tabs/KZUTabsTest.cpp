// The themed tab control and page control: tab widths, clicks and keys of
// the strip, TabIndex rules, page insertion, removal, order and
// visibility, and the strip in every look.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/StringList.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/tabs/KZUPageControl.h"
#include "themed/tabs/KZUTabControl.h"

namespace {

using S = TkzuUIStyle;

class KZUTabsTest : public ThemedTest {
 protected:
  TkzuTabSheet* AddSheet(TkzuPageControl* pc, const std::string& caption) {
    auto* t = new TkzuTabSheet(form);
    t->SetCaption(caption);
    t->SetParent(pc);
    s.display.RunUntilIdle();
    return t;
  }
  std::vector<int> active;
  void Record(TkzuTab* t) {
    t->OnTabActive = [this, t](TObject* sender, int i) {
      EXPECT_EQ(sender, t);
      active.push_back(i);
    };
  }
  // The strip point in the middle of tab i.
  TPoint TabCentre(TkzuTab* t, int i) {
    int x = t->LeftMargin();
    for (int j = 0; j < i; ++j) x += t->TopPanel()->TabWidth(j);
    return TPoint{x + t->TopPanel()->TabWidth(i) / 2, t->TopPanel()->TabRowHeight() / 2};
  }
};

TEST_F(KZUTabsTest, NewTabControlHasTab1AndPageControlNone) {
  auto* t = Place<TkzuTabControl>(10, 10, 300, 120);
  ASSERT_EQ(t->Tabs()->Count(), 1);
  EXPECT_EQ(t->Tabs()->Strings(0), "Tab1");
  EXPECT_EQ(t->TabIndex(), 0);
  EXPECT_EQ(t->TopPanel()->Height(), GetThemeInteger(S::DeepBlue, 73));
  auto* p = Place<TkzuPageControl>(10, 140, 300, 120);
  EXPECT_EQ(p->TopPanel()->Tabs()->Count(), 0);
  EXPECT_EQ(p->PageCount(), 0);
  EXPECT_EQ(p->ActivePage(), nullptr);
}

TEST_F(KZUTabsTest, TabWidthsFromCaptions) {
  auto* t = Place<TkzuTabControl>(10, 10, 380, 120);
  TStringList l;
  l.Add("");
  l.Add("i");
  l.Add("Adjust colours");
  t->SetTabs(&l);
  s.display.RunUntilIdle();
  TBitmap measure(4, 4, pfDevice);
  TCanvas* c = measure.Canvas();
  c->Font()->Assign(t->TabFont());
  EXPECT_EQ(t->TopPanel()->TabWidth(0), 80);
  EXPECT_EQ(t->TopPanel()->TabWidth(1), std::max(15, c->TextWidth("i") + 20));
  EXPECT_EQ(t->TopPanel()->TabWidth(2), c->TextWidth("Adjust colours") + 20);
  EXPECT_EQ(t->TopPanel()->TabWidth(3), -1);
}

TEST_F(KZUTabsTest, TabIndexRules) {
  auto* t = Place<TkzuTabControl>(10, 10, 300, 120);
  Record(t);
  t->Tabs()->Add("Two");
  t->SetTabIndex(1);
  EXPECT_EQ(t->TabIndex(), 1);
  t->SetTabIndex(2);  // the count: unchanged
  EXPECT_EQ(t->TabIndex(), 1);
  t->SetTabIndex(-1);
  EXPECT_EQ(t->TabIndex(), -1);
  EXPECT_EQ(active, (std::vector<int>{1, -1}));
  t->Tabs()->Clear();
  t->SetTabIndex(0);
  EXPECT_EQ(t->TabIndex(), -1);
}

TEST_F(KZUTabsTest, ClickingATabSelectsItAndTellsOnce) {
  auto* t = Place<TkzuTabControl>(10, 10, 300, 120);
  t->Tabs()->Add("Second");
  t->Tabs()->Add("Third");
  s.display.RunUntilIdle();
  Record(t);
  TPoint p = TabCentre(t, 2);
  ClickOn(t->TopPanel(), p.X, p.Y);
  EXPECT_EQ(t->TabIndex(), 2);
  p = TabCentre(t, 0);
  ClickOn(t->TopPanel(), p.X, p.Y);
  EXPECT_EQ(t->TabIndex(), 0);
  ClickOn(t->TopPanel(), 2, p.Y);  // the margin: no tab
  EXPECT_EQ(t->TabIndex(), 0);
  EXPECT_EQ(active, (std::vector<int>{2, 0}));
}

TEST_F(KZUTabsTest, OnTabActiveQuietWhileLoading) {
  auto* t = Place<TkzuTabControl>(10, 10, 300, 120);
  t->Tabs()->Add("Two");
  Record(t);
  t->SetLoading(true);
  t->SetTabIndex(1);
  t->SetLoading(false);
  EXPECT_EQ(t->TabIndex(), 1);
  EXPECT_TRUE(active.empty());
}

TEST_F(KZUTabsTest, ManyTabsStayInBounds) {
  auto* t = Place<TkzuTabControl>(10, 10, 380, 120);
  for (int i = 0; i < 80; ++i) t->Tabs()->Add("T" + std::to_string(i));
  t->TopPanel()->SetTabVisibleFlag(70, false);
  s.display.RunUntilIdle();
  EXPECT_EQ(t->TopPanel()->TabWidth(70), 0);
  EXPECT_TRUE(t->TopPanel()->TabVisibleFlag(75));
  t->SetTabIndex(79);
  EXPECT_EQ(t->TabIndex(), 79);
}

TEST_F(KZUTabsTest, CustomLookStillDrawsPlainTabs) {
  auto* t = Place<TkzuTabControl>(10, 10, 300, 120);
  t->TopPanel()->SetUIStyle(S::Custom);
  s.display.RunUntilIdle();
  EXPECT_GT(t->TopPanel()->Height(), 0);
  EXPECT_GT(t->TopPanel()->TabWidth(0), 0);
  Record(t);
  t->Tabs()->Add("Two");
  s.display.RunUntilIdle();
  TPoint p = TabCentre(t, 1);
  ClickOn(t->TopPanel(), p.X, p.Y);
  EXPECT_EQ(t->TabIndex(), 1);
}

TEST_F(KZUTabsTest, PagesAreAddedActivatedAndShownByTheirTabs) {
  auto* pc = Place<TkzuPageControl>(10, 10, 380, 200);
  Record(pc);
  std::vector<std::string> shown;
  TkzuTabSheet* a = AddSheet(pc, "Size");
  a->OnShow = [&](TObject*) { shown.push_back("Size"); };
  TkzuTabSheet* b = AddSheet(pc, "Colour");
  b->OnShow = [&](TObject*) { shown.push_back("Colour"); };
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), b);
  EXPECT_EQ(a->PageIndex(), 0);
  EXPECT_EQ(b->PageIndex(), 1);
  EXPECT_EQ(pc->TopPanel()->Tabs()->Strings(1), "Colour");
  EXPECT_EQ(a->Color(), pc->Color());
  EXPECT_EQ(b->BorderColor(), pc->BorderColor());
  TPoint p = TabCentre(pc, 0);
  ClickOn(pc->TopPanel(), p.X, p.Y);
  EXPECT_EQ(pc->ActivePage(), a);
  EXPECT_EQ(shown, (std::vector<std::string>{"Size"}));
  EXPECT_EQ(active.back(), 0);
  // The shown page lies on top of the other.
  EXPECT_EQ(ChildWindowFromPoint(pc->Handle(), POINT{50, 100}), a->Handle());
  b->SetCaption("Colours");
  EXPECT_EQ(pc->TopPanel()->Tabs()->Strings(1), "Colours");
}

TEST_F(KZUTabsTest, MovingAndRemovingPages) {
  auto* pc = Place<TkzuPageControl>(10, 10, 380, 200);
  TkzuTabSheet* a = AddSheet(pc, "A");
  TkzuTabSheet* b = AddSheet(pc, "B");
  TkzuTabSheet* c = AddSheet(pc, "C");
  c->SetPageIndex(0);
  EXPECT_EQ(pc->Pages(0), c);
  EXPECT_EQ(a->PageIndex(), 1);
  EXPECT_EQ(pc->TopPanel()->Tabs()->Strings(0), "C");
  EXPECT_EQ(pc->ActivePage(), c);
  c->SetPageIndex(7);
  EXPECT_EQ(c->PageIndex(), 0);
  // Removing the first page leaves no page active.
  delete c;
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(a->PageIndex(), 0);
  pc->SetActivePage(b);
  b->SetParent(form);  // taken off: the previous page becomes active
  EXPECT_EQ(pc->PageCount(), 1);
  EXPECT_EQ(b->PageControl(), nullptr);
  EXPECT_EQ(pc->ActivePage(), a);
  delete b;
}

TEST_F(KZUTabsTest, HidingTheActiveTabSelectsANeighbour) {
  auto* pc = Place<TkzuPageControl>(10, 10, 380, 200);
  TkzuTabSheet* a = AddSheet(pc, "A");
  TkzuTabSheet* b = AddSheet(pc, "B");
  TkzuTabSheet* c = AddSheet(pc, "C");
  c->SetTabVisible(false);
  EXPECT_EQ(pc->ActivePage(), b);
  EXPECT_FALSE(c->TabVisible());
  s.display.RunUntilIdle();
  EXPECT_EQ(pc->TopPanel()->TabWidth(2), 0);
  pc->SetActivePage(a);
  a->SetTabVisible(false);
  EXPECT_EQ(pc->ActivePage(), b);  // none before it: the next visible one
  c->SetTabVisible(true);
  EXPECT_EQ(pc->ActivePage(), c);
}

TEST_F(KZUTabsTest, AFormLookReachesControlsOnPages) {
  auto* pc = Place<TkzuPageControl>(10, 10, 380, 200);
  TkzuTabSheet* a = AddSheet(pc, "A");
  auto* box = Make<TkzuCheckBox>(a, 10, 10, S::DeepBlue);
  // The page control hands the look through its sheets to their controls.
  ApplyUIStyleToFormChildren(form, S::Protein);
  EXPECT_EQ(box->UIStyle(), S::Protein);
  EXPECT_EQ(pc->UIStyle(), S::DeepBlue);
  ApplyUIStyleToChildren(form, S::Protein);
  EXPECT_EQ(pc->UIStyle(), S::Protein);
  EXPECT_EQ(a->Color(), pc->Color());
}

TEST_F(KZUTabsTest, FreeingThePageControlFreesItsSheetsSafely) {
  auto* pc = Place<TkzuPageControl>(10, 10, 380, 200);
  AddSheet(pc, "A");
  AddSheet(pc, "B");
  delete pc;
  s.display.RunUntilIdle();
}

TEST_F(KZUTabsTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    form->SetColor(GetThemeColor(looks[li], 9));
    auto* t = Place<TkzuTabControl>(10, 10, 380, 100);
    t->SetUIStyle(looks[li]);
    t->Tabs()->Add("Second tab");
    t->Tabs()->Add("");
    t->SetTabIndex(1);
    auto* pc = Place<TkzuPageControl>(10, 130, 380, 150);
    pc->SetUIStyle(looks[li]);
    AddSheet(pc, "Size");
    AddSheet(pc, "Colour");
    s.display.RunUntilIdle();
    // Active and inactive tabs are drawn differently.
    const TPoint p0 = TabCentre(t, 0), p1 = TabCentre(t, 1);
    EXPECT_NE(At(t->TopPanel(), p0.X, 3), At(t->TopPanel(), p1.X, 3)) << names[li];
    EXPECT_EQ(At(t, 0, t->Height() - 1), COLORREF(t->BorderColor())) << names[li];
    SaveFormSheet(std::string("themed_tabs_") + names[li]);
    delete t;
    delete pc;
    s.display.RunUntilIdle();
  }
}

}  // namespace

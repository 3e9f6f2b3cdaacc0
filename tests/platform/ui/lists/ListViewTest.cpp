#include "platform/ui/lists/ListView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

class ListViewTest : public UiTest {
 protected:
  TListView* lv = nullptr;

  void Make(TViewStyle style, int items, int w = 250, int h = 150) {
    ShowHost();
    lv = new TListView(host);
    lv->SetParent(host);
    lv->SetBounds(0, 0, w, h);
    lv->SetViewStyle(style);
    for (const char* name : {"Name", "Size"}) {
      TListColumn* c = lv->Columns()->Add();
      c->SetCaption(name);
      c->SetWidth(100);
    }
    for (int i = 0; i < items; ++i) {
      TListItem* it = lv->Items()->Add();
      it->SetCaption("item " + std::to_string(i));
      it->SubItems()->Add(std::to_string(i * 10));
    }
    s.display.RunUntilIdle();
  }
  SCROLLINFO Info(int bar) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(lv->Handle(), bar, &si);
    return si;
  }
  bool BarShown(int bar) {
    return (GetWindowLong(lv->Handle(), GWL_STYLE) & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
  }
  void ClickItem(int index, int modifier = 0) {
    TRect r = lv->Items()->Item(index)->DisplayRect(drLabel);
    if (modifier) s.display.KeyDown(modifier);
    Click(lv, r.Left + 3, r.Top + 3);
    if (modifier) s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
  }
  std::vector<int> SelectedIndexes() {
    std::vector<int> out;
    for (int i = 0; i < lv->Items()->Count(); ++i)
      if (lv->Items()->Item(i)->Selected()) out.push_back(i);
    return out;
  }
  void Chord(int modifier, int vk) {
    s.display.KeyDown(modifier);
    s.display.KeyPress(vk);
    s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
  }
};

TEST_F(ListViewTest, ReportScrollInfoFollowsItemsColumnsAndSize) {
  Make(vsReport, 3);
  EXPECT_FALSE(BarShown(SB_VERT));
  const int rowH = lv->RowHeight();
  const TRect header = lv->HeaderRect();
  EXPECT_GT(header.Height(), 0);
  EXPECT_EQ(lv->Items()->Item(1)->DisplayRect(drBounds), (TRect{0, header.Bottom + rowH, 200, header.Bottom + 2 * rowH}));
  for (int i = 3; i < 40; ++i) lv->Items()->Add()->SetCaption("more");
  ASSERT_TRUE(BarShown(SB_VERT));
  auto page = [&] { return (lv->ClientHeight() - header.Height()) / rowH; };
  SCROLLINFO si = Info(SB_VERT);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 39);
  EXPECT_EQ(int(si.nPage), page());
  EXPECT_EQ(lv->Perform(LVM_GETCOUNTPERPAGE, 0, 0), page());
  EXPECT_EQ(lv->Perform(LVM_GETITEMCOUNT, 0, 0), 40);

  SendMessage(lv->Handle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(lv->Perform(LVM_GETTOPINDEX, 0, 0), 40 - page());
  lv->SetHeight(lv->Height() + 3 * rowH);  // taller: the top comes back
  EXPECT_EQ(lv->TopItem()->Index(), 40 - page());
  EXPECT_EQ(Info(SB_VERT).nPos, 40 - page());
  EXPECT_EQ(int(Info(SB_VERT).nPage), page());
  while (lv->Items()->Count() > 5) lv->Items()->Delete(0);
  EXPECT_FALSE(BarShown(SB_VERT));
  EXPECT_EQ(lv->TopItem()->Index(), 0);

  // The horizontal bar runs over the columns' width in pixels.
  lv->Columns()->Items(1)->SetWidth(400);
  ASSERT_TRUE(BarShown(SB_HORZ));
  si = Info(SB_HORZ);
  EXPECT_EQ(si.nMax, 499);
  EXPECT_EQ(int(si.nPage), lv->ClientWidth());
  SendMessage(lv->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60), 0);
  EXPECT_EQ(lv->Items()->Item(0)->DisplayRect(drBounds).Left, -60);
  EXPECT_EQ(GetScrollPos(lv->Handle(), SB_HORZ), 60);
}

TEST_F(ListViewTest, MouseSelectsWithCtrlAndShiftAndReportsColumnsAndDoubleClicks) {
  Make(vsReport, 8);
  lv->SetMultiSelect(true);
  std::vector<std::string> events;
  lv->OnSelectItem = [&](TObject*, TListItem* it, bool sel) {
    events.push_back(std::to_string(it->Index()) + (sel ? "+" : "-"));
  };
  ClickItem(2);
  EXPECT_TRUE(lv->Focused());
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{2}));
  ClickItem(5, VK_SHIFT);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{2, 3, 4, 5}));
  ClickItem(3, VK_CONTROL);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(lv->ItemFocused()->Index(), 3);
  ClickItem(6);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{6}));
  EXPECT_EQ(events, (std::vector<std::string>{"2+", "3+", "4+", "5+", "3-", "2-", "4-", "5-", "6+"}));
  // Outside row select only the first column hits; with it the whole row does.
  TRect row = lv->Items()->Item(1)->DisplayRect(drBounds);
  Click(lv, 150, row.Top + 2);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{}));
  lv->SetRowSelect(true);
  Click(lv, 150, row.Top + 2);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1}));

  TListColumn* clicked = nullptr;
  lv->OnColumnClick = [&](TObject*, TListColumn* c) { clicked = c; };
  Click(lv, 130, lv->HeaderRect().Top + 3);
  EXPECT_EQ(clicked, lv->Columns()->Items(1));
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1}));  // the header leaves the selection alone

  int dbl = 0;
  lv->OnDblClick = [&](TObject*) { ++dbl; };
  s.clock.Advance(1000);
  ClickItem(0);
  ClickItem(0);
  EXPECT_EQ(dbl, 1);
}

TEST_F(ListViewTest, KeysMoveSelectionAndScroll) {
  Make(vsReport, 30);
  lv->SetMultiSelect(true);
  lv->SetFocus();
  s.display.RunUntilIdle();
  const int page = lv->VisibleRowCount();
  Key(VK_DOWN);  // nothing focused yet: the first item
  EXPECT_EQ(lv->ItemIndex(), 0);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{2}));
  Chord(VK_SHIFT, VK_DOWN);
  Chord(VK_SHIFT, VK_DOWN);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{2, 3, 4}));
  Key(VK_NEXT);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{4 + page}));
  EXPECT_EQ(lv->TopItem()->Index(), 5);  // the focused item is the last whole row
  Key(VK_END);
  EXPECT_EQ(lv->ItemIndex(), 29);
  EXPECT_EQ(lv->TopItem()->Index(), 30 - page);
  Key(VK_HOME);
  EXPECT_EQ(lv->ItemIndex(), 0);
  EXPECT_EQ(lv->TopItem()->Index(), 0);
  TPoint p = At(lv, 20, 40);
  s.display.Wheel(p.X, p.Y, -WHEEL_DELTA);
  s.display.RunUntilIdle();
  EXPECT_EQ(lv->TopItem()->Index(), 3);
  EXPECT_EQ(lv->Perform(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 0);
  EXPECT_EQ(lv->Perform(LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ListViewTest, CustomDrawRunsForVisibleItemsAndCanReplaceTheDrawing) {
  Make(vsReport, 50);
  SendMessage(lv->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), 0);
  std::vector<int> drawn;
  lv->OnCustomDrawItem = [&](TListView* sender, TListItem* it, TCustomDrawState, bool& defaultDraw) {
    drawn.push_back(it->Index());
    const TRect r = it->DisplayRect(drBounds);
    EXPECT_GE(r.Top, sender->HeaderRect().Bottom);
    EXPECT_LT(r.Top, sender->ClientHeight());
    if (it->Index() == 11) {
      sender->Canvas()->Brush()->SetColor(clRed);
      sender->Canvas()->FillRect(r);
      defaultDraw = false;
    } else if (it->Index() == 12) {
      sender->Canvas()->Brush()->SetColor(clYellow);  // the default drawing uses it
    }
  };
  lv->Invalidate();
  s.display.RunUntilIdle();
  const int page = lv->VisibleRowCount();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), 10);
  // Whole rows plus at most one cut row: nothing above or below the view.
  EXPECT_GE(drawn.back(), 10 + page - 1);
  EXPECT_LE(drawn.back(), 10 + page);
  EXPECT_EQ(int(drawn.size()), drawn.back() - 9);
  auto pixel = [&](int index, int x) {
    TRect r = lv->Items()->Item(index)->DisplayRect(drBounds);
    TPoint p = host->ScreenToClient(At(lv, x, r.Bottom - 1));
    return Pixel(p.X, p.Y);
  };
  EXPECT_EQ(pixel(11, 120), ClassicRGB(clRed));
  EXPECT_EQ(pixel(12, 190), ClassicRGB(clYellow));
  EXPECT_EQ(pixel(13, 190), ClassicRGB(clWindow));
}

TEST_F(ListViewTest, ListStyleFillsColumnsAndScrollsByColumns) {
  Make(vsList, 40, 250, 120);
  const int per = (lv->ClientHeight() - GetSystemMetrics(SM_CYHSCROLL) * 0) / lv->RowHeight();
  TRect first = lv->Items()->Item(0)->DisplayRect(drBounds);
  TRect next = lv->Items()->Item(1)->DisplayRect(drBounds);
  EXPECT_EQ(next.Top, first.Bottom);
  const int perColumn = lv->ClientHeight() / lv->RowHeight();
  EXPECT_LE(perColumn, per);
  TRect second = lv->Items()->Item(perColumn)->DisplayRect(drBounds);
  EXPECT_EQ(second.Left, first.Right);
  EXPECT_EQ(second.Top, 0);
  EXPECT_FALSE(BarShown(SB_VERT));
  ASSERT_TRUE(BarShown(SB_HORZ));
  const int columns = (40 + perColumn - 1) / perColumn;
  SCROLLINFO si = Info(SB_HORZ);
  EXPECT_EQ(si.nMax, columns - 1);
  EXPECT_EQ(int(si.nPage), lv->ClientWidth() / first.Width());
  EXPECT_EQ(lv->GetItemAt(second.Left + 3, second.Top + 3), lv->Items()->Item(perColumn));
  lv->SetFocus();
  Key(VK_RIGHT);  // from nothing focused: the first item
  Key(VK_RIGHT);
  EXPECT_EQ(lv->ItemIndex(), perColumn);
  Key(VK_END);
  EXPECT_EQ(lv->Perform(LVM_GETTOPINDEX, 0, 0), (columns - int(si.nPage)) * perColumn);
  EXPECT_EQ(GetScrollPos(lv->Handle(), SB_HORZ), columns - int(si.nPage));
}

TEST_F(ListViewTest, ItemsAndTheViewMayBeFreedInsideTheirEvents) {
  Make(vsReport, 6);
  std::vector<void*> deleted;
  lv->OnDeletion = [&](TObject*, TListItem* it) { deleted.push_back(it->Data); };
  lv->Items()->Item(2)->Data = &deleted;
  lv->OnSelectItem = [&](TObject*, TListItem* it, bool sel) {
    if (sel && it->Index() == 2) it->Delete();
  };
  ClickItem(2);
  EXPECT_EQ(lv->Items()->Count(), 5);
  EXPECT_EQ(deleted, (std::vector<void*>{&deleted}));
  EXPECT_EQ(lv->Selected(), nullptr);
  lv->OnSelectItem = nullptr;
  ClickItem(1);
  lv->OnChange = [&](TObject*, TListItem*, TItemChange) { delete lv; };
  ClickItem(3);
  EXPECT_EQ(host->ControlCount(), 0);
}

// Both icon views: a row-major grid of cells, scrolled vertically by rows.
TEST_F(ListViewTest, IconViewsLayOutRowMajorGridsAndScrollByRows) {
  for (TViewStyle style : {vsIcon, vsSmallIcon}) {
    SCOPED_TRACE(style == vsIcon ? "icon" : "small icon");
    Make(style, 5, 250, 250);
    auto* large = new TImageList(host, 48, 40);
    lv->SetLargeImages(large);
    auto rect = [&](int i, TDisplayCode code = drBounds) { return lv->Items()->Item(i)->DisplayRect(code); };
    const TRect c0 = rect(0);
    const int cols = lv->ClientWidth() / c0.Width();
    ASSERT_GE(cols, 2);
    EXPECT_EQ(c0.Left, 0);
    EXPECT_EQ(c0.Top, 0);
    EXPECT_EQ(rect(1).Left, c0.Right);
    EXPECT_EQ(rect(1).Top, 0);
    if (cols < 5) {
      EXPECT_EQ(rect(cols).Left, 0);
      EXPECT_EQ(rect(cols).Top, c0.Bottom);
    }
    if (style == vsIcon) {
      // The large image sits centred above a centred caption.
      const TRect icon = rect(0, drIcon), label = rect(0, drLabel);
      EXPECT_EQ(icon.Width(), 48);
      EXPECT_EQ(icon.Height(), 40);
      EXPECT_EQ(icon.Left - c0.Left, c0.Right - icon.Right);
      EXPECT_GT(label.Top, icon.Bottom - 1);
      EXPECT_LE(label.Bottom, c0.Bottom);
      EXPECT_LE(std::abs((label.Left - c0.Left) - (c0.Right - label.Right)), 1);
      EXPECT_EQ(lv->GetItemAt(icon.Left + 2, icon.Top + 2), lv->Items()->Item(0));
      EXPECT_EQ(lv->GetItemAt(c0.Left + 1, icon.Top + 2), nullptr);  // beside the image: nothing
    } else {
      EXPECT_EQ(c0.Height(), lv->RowHeight());
      EXPECT_LT(rect(0, drIcon).Right, rect(0, drLabel).Right);
    }
    EXPECT_FALSE(BarShown(SB_VERT));
    EXPECT_FALSE(BarShown(SB_HORZ));

    // Adding: the vertical bar runs over rows of cells.
    for (int i = 5; i < 120; ++i) lv->Items()->Add()->SetCaption("more " + std::to_string(i));
    ASSERT_TRUE(BarShown(SB_VERT));
    EXPECT_FALSE(BarShown(SB_HORZ));
    auto expectBar = [&] {
      const int n = lv->ClientWidth() / rect(0).Width(), rows = (lv->Items()->Count() + n - 1) / n;
      const int page = lv->ClientHeight() / rect(0).Height();
      const SCROLLINFO si = Info(SB_VERT);
      EXPECT_EQ(si.nMax, rows - 1);
      EXPECT_EQ(int(si.nPage), page);
      EXPECT_EQ(lv->VisibleRowCount(), page * n);
      return rows - page;
    };
    int most = expectBar();
    SendMessage(lv->Handle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(GetScrollPos(lv->Handle(), SB_VERT), most);
    const int perRow = lv->ClientWidth() / rect(0).Width();
    EXPECT_EQ(lv->TopItem()->Index(), most * perRow);
    EXPECT_EQ(rect(most * perRow).Top, 0);
    // Resizing changes the cells per row and keeps the position in range.
    lv->SetWidth(lv->Width() + 2 * rect(0).Width());
    most = expectBar();
    EXPECT_EQ(GetScrollPos(lv->Handle(), SB_VERT), most);
    // Removing: the bar goes away and the view returns to the top.
    while (lv->Items()->Count() > 3) lv->Items()->Delete(0);
    EXPECT_FALSE(BarShown(SB_VERT));
    EXPECT_EQ(rect(0).Top, 0);
    delete lv;
    delete large;
  }
}

TEST_F(ListViewTest, IconViewsSelectByMouseAndMoveInTheGridWithArrows) {
  for (TViewStyle style : {vsIcon, vsSmallIcon}) {
    SCOPED_TRACE(style == vsIcon ? "icon" : "small icon");
    Make(style, 40, 250, 150);
    const int cols = lv->ClientWidth() / lv->Items()->Item(0)->DisplayRect(drBounds).Width();
    ASSERT_GE(cols, 2);
    ClickItem(cols + 1);
    EXPECT_EQ(lv->ItemIndex(), cols + 1);
    // The highlight is drawn where the label says.
    const TRect label = lv->Items()->Item(cols + 1)->DisplayRect(drLabel);
    TPoint p = host->ScreenToClient(At(lv, label.Left + 1, label.Bottom - 2));
    EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(clHighlight));
    const TRect cell = lv->Items()->Item(cols + 1)->DisplayRect(drBounds);
    p = host->ScreenToClient(At(lv, cell.Left, cell.Bottom - 1));
    if (style == vsIcon) {
      EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(clWindow));
    }
    struct Step {
      int vk;
      int expected;
    };
    const Step steps[] = {
        {VK_RIGHT, cols + 2}, {VK_UP, 2}, {VK_UP, 2}, {VK_LEFT, 1}, {VK_DOWN, cols + 1}, {VK_DOWN, 2 * cols + 1},
        {VK_END, 39},         {VK_DOWN, 39}, {VK_HOME, 0},
    };
    for (const Step& st : steps) {
      Key(st.vk);
      EXPECT_EQ(lv->ItemIndex(), st.expected) << "key " << st.vk;
    }
    // Moving down past the view scrolls it by rows.
    const int page = lv->VisibleRowCount() / cols;
    for (int i = 0; i < page; ++i) Key(VK_DOWN);
    EXPECT_EQ(lv->ItemIndex(), page * cols);
    EXPECT_EQ(GetScrollPos(lv->Handle(), SB_VERT), 1);
    EXPECT_EQ(lv->TopItem()->Index(), cols);
    const TRect r = lv->Items()->Item(page * cols)->DisplayRect(drLabel);
    EXPECT_EQ(lv->GetItemAt(r.Left + 2, r.Top + 2), lv->Items()->Item(page * cols));
    delete lv;
  }
}

}  // namespace

// The report view edits the caption, the first column, and nothing else.
TEST_F(ListViewTest, ReportViewEditsTheFirstColumnOnly) {
  Make(vsReport, 4);
  lv->SetRowSelect(true);
  int editing = 0;
  lv->OnEditing = [&](TObject*, TListItem*, bool&) { ++editing; };
  const TRect label = lv->Items()->Item(1)->DisplayRect(drLabel);
  ClickItem(1);
  s.display.AdvanceTime(1000);
  // A second click in the sub-item's column selects the row but never edits.
  Click(lv, 150, label.Top + 3);
  s.display.AdvanceTime(1000);
  EXPECT_EQ(editing, 0);
  EXPECT_FALSE(lv->IsEditing());
  ClickItem(1);
  s.display.AdvanceTime(1000);
  ASSERT_TRUE(lv->IsEditing());
  EXPECT_EQ(lv->ItemEditing(), lv->Items()->Item(1));
  const TRect box = lv->Editor()->BoundsRect();
  EXPECT_GE(box.Left, label.Left);
  EXPECT_LT(box.Left, lv->Columns()->Items(0)->Width());
  s.display.Text("renamed");
  Key(VK_RETURN);
  EXPECT_EQ(lv->Items()->Item(1)->Caption(), "renamed");
  EXPECT_EQ(lv->Items()->Item(1)->SubItems()->Strings(0), "10");
}

TEST_F(ListViewTest, AlphaSortOrdersCaptionsIgnoringCaseAndKeepsTheSelection) {
  Make(vsReport, 0);
  lv->SetMultiSelect(true);
  for (const char* c : {"delta", "Bravo", "alpha", "charlie", "bravo"}) lv->Items()->Add()->SetCaption(c);
  TListItem* charlie = lv->Items()->Item(3);
  ClickItem(3);
  ClickItem(0, VK_SHIFT);  // anchor on charlie, delta..charlie selected
  lv->AlphaSort();
  std::vector<std::string> order;
  for (int i = 0; i < lv->Items()->Count(); ++i) order.push_back(lv->Items()->Item(i)->Caption());
  // Equal captions keep their order: "Bravo" was added before "bravo".
  EXPECT_EQ(order, (std::vector<std::string>{"alpha", "Bravo", "bravo", "charlie", "delta"}));
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{0, 1, 3, 4}));
  EXPECT_EQ(lv->ItemFocused()->Caption(), "delta");
  // The range anchor moved with charlie.
  ClickItem(4, VK_SHIFT);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{3, 4}));
  EXPECT_EQ(lv->Items()->Item(3), charlie);
}

TEST_F(ListViewTest, CustomSortOrdersByTheComparisonWithoutSelectionEvents) {
  Make(vsReport, 6);
  lv->SetMultiSelect(true);
  ClickItem(1);
  ClickItem(4, VK_CONTROL);  // anchor and focus on item 4
  TListItem* four = lv->Items()->Item(4);
  int events = 0;
  lv->OnSelectItem = [&](TObject*, TListItem*, bool) { ++events; };
  lv->OnChange = [&](TObject*, TListItem*, TItemChange) { ++events; };
  // By the number in the second column, largest first.
  lv->CustomSort([](TListItem* a, TListItem* b) {
    return std::stoi(b->SubItems()->Strings(0)) - std::stoi(a->SubItems()->Strings(0));
  });
  std::vector<std::string> order;
  for (int i = 0; i < lv->Items()->Count(); ++i) order.push_back(lv->Items()->Item(i)->Caption());
  EXPECT_EQ(order, (std::vector<std::string>{"item 5", "item 4", "item 3", "item 2", "item 1", "item 0"}));
  EXPECT_EQ(events, 0);
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1, 4}));
  EXPECT_EQ(lv->ItemFocused(), four);
  lv->OnChange = nullptr;
  ClickItem(3, VK_SHIFT);  // the range runs from the anchor where it went
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1, 2, 3}));
}

// In the icon views the editor sits on the caption under the icon; the
// small-icon view edits by the same second click.
TEST_F(ListViewTest, IconViewsEditTheCaptionInPlace) {
  for (TViewStyle style : {vsIcon, vsSmallIcon}) {
    SCOPED_TRACE(style == vsIcon ? "icon" : "small icon");
    Make(style, 6);
    TListItem* item = lv->Items()->Item(4);
    ClickItem(4);
    s.display.AdvanceTime(1000);
    ClickItem(4);
    s.display.AdvanceTime(1000);
    ASSERT_TRUE(lv->IsEditing());
    EXPECT_EQ(lv->ItemEditing(), item);
    const TRect box = lv->Editor()->BoundsRect(), label = item->DisplayRect(drLabel);
    EXPECT_GE(box.Top, style == vsIcon ? item->DisplayRect(drIcon).Bottom : label.Top - 1);
    EXPECT_LT(box.Top, label.Bottom);
    EXPECT_GE(box.Left, label.Left);
    EXPECT_LE(box.Right, lv->ClientWidth());
    s.display.Text("moved");
    Key(VK_RETURN);
    EXPECT_EQ(item->Caption(), "moved");
    delete lv;
    s.display.AdvanceTime(1000);
  }
}

namespace {

TEST_F(ListViewTest, UnfocusedSelectionIsHiddenOrDrawnInTheFaceColour) {
  // (has focus, hide selection) -> the label's background, in each view.
  struct TCase {
    bool focused;
    bool hide;
    TColor back;
  };
  for (TViewStyle style : {vsReport, vsIcon}) {
    SCOPED_TRACE(style);
    Make(style, 3);
    auto* other = Add<TTestWin>(host, 260, 0, 30, 30);
    other->SetTabStop(true);
    ClickItem(1);
    ASSERT_EQ(lv->ItemIndex(), 1);
    for (TCase c : {TCase{true, true, clHighlight}, TCase{false, true, clWindow}, TCase{false, false, clBtnFace},
                    TCase{true, false, clHighlight}}) {
      SCOPED_TRACE(testing::Message() << c.focused << c.hide);
      lv->HideSelection = c.hide;
      if (c.focused)
        lv->SetFocus();
      else
        other->SetFocus();
      lv->Invalidate();
      s.display.RunUntilIdle();
      const TRect label = lv->Items()->Item(1)->DisplayRect(drLabel);
      TPoint p = host->ScreenToClient(At(lv, label.Left + 1, label.Bottom - 2));
      EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(c.back));
    }
    delete other;
    delete lv;
  }
}

// Icon captions stop after two lines with "..." unless the item is selected
// and focused in the focused view, which shows the whole caption over the
// items below. The view is written next to the test program
// (list_view_icons.bmp) for a look.
TEST_F(ListViewTest, IconCaptionsStopAfterTwoLinesUnlessSelectedAndFocused) {
  Make(vsIcon, 6);
  const std::string longCaption = "Holiday snaps from the old mountain village";
  for (int i : {0, 1}) lv->Items()->Item(i)->SetCaption(longCaption);
  auto* other = Add<TTestWin>(host, 260, 0, 30, 30);
  other->SetTabStop(true);
  s.display.RunUntilIdle();
  TListItem* item = lv->Items()->Item(0);
  const int line = TextCellHeight(lv->Font());
  const COLORREF ink = ClassicRGB(clWindowText);
  auto pixel = [&](int x, int y) {
    TPoint p = host->ScreenToClient(At(lv, x, y));
    return Pixel(p.X, p.Y);
  };
  // Columns holding `colour` in the rows [top, bottom) of the label.
  auto columns = [&](const TRect& label, int top, int bottom, COLORREF colour) {
    std::vector<int> rowsPerColumn(std::size_t(label.Width()), 0);
    for (int x = label.Left; x < label.Right; ++x)
      for (int y = top; y < bottom; ++y) rowsPerColumn[std::size_t(x - label.Left)] += pixel(x, y) == colour;
    return rowsPerColumn;
  };

  // Unselected: two lines, the second ending in three dots on the baseline.
  TRect label = item->DisplayRect(drLabel);
  ASSERT_EQ(label.Height(), 2 * line);
  std::vector<int> second = columns(label, label.Top + line, label.Bottom, ink);
  int right = int(second.size()) - 1;
  while (right >= 0 && second[std::size_t(right)] == 0) --right;
  ASSERT_GT(right, 12);
  // From the right: three runs of ink at most two pixels tall, then letters.
  int runs = 0, x = right;
  while (x >= 0 && runs < 3) {
    EXPECT_LE(second[std::size_t(x)], 2) << x;
    if (second[std::size_t(x)] && (x == 0 || !second[std::size_t(x - 1)])) ++runs;
    --x;
  }
  EXPECT_EQ(runs, 3);
  EXPECT_LT(right - x, 16);
  EXPECT_GT(*std::max_element(second.begin(), second.begin() + std::max(1, x)), 2);
  // Selected in the focused view, the whole caption shows, highlighted.
  lv->SetFocus();
  ClickItem(0);
  ASSERT_TRUE(item->Selected() && item->Focused());
  label = item->DisplayRect(drLabel);
  EXPECT_GT(label.Height(), 2 * line);
  EXPECT_GT(label.Bottom, lv->Items()->Item(3)->DisplayRect(drIcon).Top);
  const std::string bmp = ProgramFolder() + "list_view_icons.bmp";
  EXPECT_TRUE(s.display.WriteBmp(host->Handle(), bmp.c_str())) << bmp;
  const COLORREF text = ClassicRGB(clHighlightText);
  std::vector<int> third = columns(label, label.Top + 2 * line, label.Top + 3 * line, text);
  EXPECT_GT(std::count_if(third.begin(), third.end(), [](int n) { return n > 0; }), 5);
  EXPECT_EQ(pixel(label.Left + 1, label.Bottom - 2), ClassicRGB(clHighlight));
  // Its lower lines answer the mouse, not the item beneath them.
  EXPECT_EQ(lv->GetItemAt(label.Left + 2, label.Bottom - 2), item);
  // Another item selected: the first folds again and the area below is clean.
  const TRect unfolded = label;
  ClickItem(2);
  EXPECT_EQ(item->DisplayRect(drLabel).Height(), 2 * line);
  for (int y = label.Top + 2 * line; y < unfolded.Bottom; ++y)
    for (int x = unfolded.Left; x < unfolded.Right; ++x)
      ASSERT_NE(pixel(x, y), ClassicRGB(clHighlight)) << x << "," << y;
  // Without the focus the selection folds too.
  ClickItem(1);
  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_EQ(lv->Items()->Item(1)->DisplayRect(drLabel).Height(), 2 * line);
  delete other;
}

TEST_F(ListViewTest, HeaderButtonShowsPressedWhileHeldAndClicksOnReleaseOverIt) {
  Make(vsReport, 3);
  std::vector<TListColumn*> clicked;
  lv->OnColumnClick = [&](TObject*, TListColumn* c) { clicked.push_back(c); };
  const int y = lv->HeaderRect().Top + 3;
  auto pixel = [&](int x, int yy) {
    TPoint p = host->ScreenToClient(At(lv, x, yy));
    return Pixel(p.X, p.Y);
  };
  // (release at x) -> the columns clicked.
  struct TCase {
    int releaseX;
    std::vector<int> clicks;
  };
  for (TCase c : {TCase{20, {0}}, TCase{150, {}}, TCase{20, {0}}}) {
    SCOPED_TRACE(c.releaseX);
    clicked.clear();
    TPoint down = At(lv, 10, y);
    s.display.MouseDown(down.X, down.Y);
    s.display.RunUntilIdle();
    EXPECT_TRUE(clicked.empty()) << "nothing happens on the press";
    // Pushed: a flat shadow ring instead of the raised highlight.
    EXPECT_EQ(pixel(0, lv->HeaderRect().Top), ClassicRGB(clBtnShadow));
    if (c.releaseX != 20) {
      MoveTo(At(lv, c.releaseX, y));
      EXPECT_EQ(pixel(0, lv->HeaderRect().Top), ClassicRGB(clBtnHighlight)) << "raised while away";
    }
    TPoint up = At(lv, c.releaseX, y);
    MoveTo(up);
    s.display.MouseUp(up.X, up.Y);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);
    EXPECT_EQ(pixel(0, lv->HeaderRect().Top), ClassicRGB(clBtnHighlight));
    std::vector<TListColumn*> expected;
    for (int i : c.clicks) expected.push_back(lv->Columns()->Items(i));
    EXPECT_EQ(clicked, expected);
  }
}

// A multi-select report view dragged from empty space draws a dotted
// marquee and selects the items it covers, Ctrl keeping what was selected;
// held below the items it scrolls on and takes the rows coming into view.
TEST_F(ListViewTest, AMarqueeFromEmptySpaceSelectsTheItemsItCovers) {
  Make(vsReport, 30);
  lv->SetMultiSelect(true);
  const int rowH = lv->RowHeight(), top = lv->HeaderRect().Bottom;
  auto rowY = [&](int row) { return top + (row - lv->TopItem()->Index()) * rowH + rowH / 2; };
  auto pixel = [&](int x, int y) {
    TPoint p = host->ScreenToClient(At(lv, x, y));
    return Pixel(p.X, p.Y);
  };
  // Dots along a run of the marquee's top edge, in the empty second column.
  auto dots = [&](int y) {
    int n = 0;
    for (int x = 130; x < 150; ++x)
      if (pixel(x, y) != Sys(clWindow)) ++n;
    return n;
  };
  auto drag = [&](TPoint from, TPoint to, int modifier, std::function<void()> whileHeld) {
    if (modifier) s.display.KeyDown(modifier);
    TPoint a = At(lv, from.X, from.Y), b = At(lv, to.X, to.Y);
    s.display.MouseDown(a.X, a.Y);
    s.display.RunUntilIdle();
    MoveTo(TPoint{(a.X + b.X) / 2, (a.Y + b.Y) / 2});
    MoveTo(b);
    if (whileHeld) whileHeld();
    s.display.MouseUp(b.X, b.Y);
    s.display.RunUntilIdle();
    if (modifier) s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);
  };
  ASSERT_EQ(lv->GetItemAt(150, rowY(1)), nullptr);
  ClickItem(4);
  ASSERT_EQ(SelectedIndexes(), (std::vector<int>{4}));
  ASSERT_EQ(lv->TopItem()->Index(), 0);

  struct TCase {
    const char* what;
    int fromRow, toRow, modifier;
    std::vector<int> selected;
  } cases[] = {
      {"down over three rows", 1, 3, 0, {1, 2, 3}},
      {"up, a new selection", 6, 5, 0, {5, 6}},
      {"with Ctrl, added", 1, 2, VK_CONTROL, {1, 2, 5, 6}},
      {"not reaching the captions", 4, 4, 0, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const int toX = c.fromRow == c.toRow ? 130 : 20;
    int held = -1;
    drag(TPoint{150, rowY(c.fromRow)}, TPoint{toX, rowY(c.toRow)}, c.modifier, [&] {
      held = dots(rowY(c.fromRow));
      if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"); dir && c.modifier)
        s.display.WriteBmp(host->Handle(), (std::string(dir) + "/list_view_marquee.bmp").c_str());
    });
    EXPECT_EQ(SelectedIndexes(), c.selected);
    // Dotted while held (every other pixel of the run), gone after.
    EXPECT_GE(held, 9);
    EXPECT_LE(held, 11);
    EXPECT_EQ(dots(rowY(c.fromRow)), 0);
  }

  // Deleting an item ends the marquee: moving on selects nothing more.
  drag(TPoint{150, rowY(1)}, TPoint{20, rowY(2)}, 0, [&] {
    lv->Items()->Delete(20);
    MoveTo(At(lv, 20, rowY(4)));
  });
  EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1, 2}));

  // Held below the items, the view scrolls on and the marquee takes the new rows.
  // The rows down to the one at the bottom edge, the partly shown one too.
  const int shown = (lv->ClientHeight() - 1 - top) / rowH + 1;
  int topWhileHeld = -1;
  drag(TPoint{150, rowY(1)}, TPoint{20, lv->ClientHeight() + 20}, 0, [&] {
    s.display.AdvanceTime(250);
    topWhileHeld = lv->TopItem()->Index();
  });
  EXPECT_GE(topWhileHeld, 5);  // one row on the move, one each 50 ms after
  const std::vector<int> selected = SelectedIndexes();
  ASSERT_FALSE(selected.empty());
  EXPECT_EQ(selected.front(), 1);
  EXPECT_EQ(selected.back(), topWhileHeld + shown - 1);
  EXPECT_EQ(int(selected.size()), selected.back());
  // Once let go nothing scrolls any more.
  s.display.AdvanceTime(500);
  EXPECT_EQ(lv->TopItem()->Index(), topWhileHeld);
}

}  // namespace

#include "platform/ui/lists/Grids.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

namespace {

class GridsTest : public UiTest {
 protected:
  template <class T = TDrawGrid>
  T* MakeGrid(int w, int h) {
    ShowHost();
    auto* g = new T(host);
    g->SetParent(host);
    g->SetBounds(0, 0, w, h);
    s.display.RunUntilIdle();
    return g;
  }
  SCROLLINFO Info(TWinControl* c, int bar) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(c->Handle(), bar, &si);
    return si;
  }
  bool BarShown(TWinControl* c, int bar) {
    return (GetWindowLong(c->Handle(), GWL_STYLE) & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
  }
  COLORREF GridPixel(TControl* c, int x, int y) {
    TPoint p = host->ScreenToClient(At(c, x, y));
    return Pixel(p.X, p.Y);
  }
  void Chord(int modifier, int vk) {
    s.display.KeyDown(modifier);
    s.display.KeyPress(vk);
    s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
  }
};

TEST_F(GridsTest, CellRectAndMouseToCellFollowSizesLinesAndScrolling) {
  auto* g = MakeGrid(300, 190);
  g->SetColCount(8);
  g->SetRowCount(12);
  g->SetDefaultColWidth(40);
  g->SetDefaultRowHeight(20);
  g->SetColWidths(2, 60);
  g->SetRowHeights(3, 30);
  EXPECT_EQ(g->CellRect(0, 0), (TRect{0, 0, 40, 20}));
  EXPECT_EQ(g->CellRect(2, 1), (TRect{82, 21, 142, 41}));
  EXPECT_EQ(g->CellRect(1, 3), (TRect{41, 63, 81, 93}));
  EXPECT_EQ(g->CellRect(1, 4), (TRect{41, 94, 81, 114}));
  g->SetLeftCol(2);
  g->SetTopRow(3);
  EXPECT_EQ(g->LeftCol(), 2);
  EXPECT_EQ(g->TopRow(), 3);
  EXPECT_TRUE(g->CellRect(1, 1).IsEmpty());  // scrolled out
  EXPECT_EQ(g->CellRect(0, 3), (TRect{0, 21, 40, 51}));
  EXPECT_EQ(g->CellRect(2, 0), (TRect{41, 0, 101, 20}));
  EXPECT_EQ(g->CellRect(3, 4), (TRect{102, 52, 142, 72}));
  struct Case {
    int x, y, col, row;
  } cases[] = {
      {0, 0, 0, 0},   {40, 20, 0, 0},  // the grid line belongs to the cell before it
      {41, 21, 2, 3}, {101, 51, 2, 3}, {102, 52, 3, 4}, {-1, 5, -1, -1}, {5, 5000, -1, -1},
  };
  for (const Case& c : cases) {
    int col = 99, row = 99;
    g->MouseToCell(c.x, c.y, col, row);
    EXPECT_EQ(std::make_pair(col, row), std::make_pair(c.col, c.row)) << c.x << "," << c.y;
  }
}

TEST_F(GridsTest, ScrollInfoFollowsCountsSizesAndThumbRequests) {
  auto* g = MakeGrid(250, 110);
  g->SetColCount(3);
  g->SetDefaultRowHeight(20);
  g->SetRowCount(30);
  // Rows of 21 pixels below a fixed row of 21: whole rows that fit the client.
  auto fitting = [&] { return (g->ClientHeight() - 21) / 21; };
  ASSERT_TRUE(BarShown(g, SB_VERT));
  EXPECT_FALSE(BarShown(g, SB_HORZ));
  SCROLLINFO si = Info(g, SB_VERT);
  EXPECT_EQ(si.nMin, 1);
  EXPECT_EQ(si.nMax, 29);
  EXPECT_EQ(int(si.nPage), fitting());
  EXPECT_EQ(g->VisibleRowCount(), fitting());

  g->SetRowCount(1 + fitting());  // everything fits now
  EXPECT_FALSE(BarShown(g, SB_VERT));
  g->SetRowCount(30);
  EXPECT_TRUE(BarShown(g, SB_VERT));

  SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(g->TopRow(), 30 - fitting());
  EXPECT_EQ(Info(g, SB_VERT).nPos, 30 - fitting());
  g->SetHeight(g->Height() + 42);  // two more rows fit: the top row comes back
  EXPECT_EQ(g->TopRow(), 30 - fitting());
  si = Info(g, SB_VERT);
  EXPECT_EQ(int(si.nPage), fitting());
  EXPECT_EQ(si.nPos, g->TopRow());

  SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), 0);
  EXPECT_EQ(g->TopRow(), 10);
  EXPECT_EQ(GetScrollPos(g->Handle(), SB_VERT), 10);
  // Thumb tracking moves the rows only with goThumbTracking.
  SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 12), 0);
  EXPECT_EQ(g->TopRow(), 10);
  g->SetOptions(g->Options() | goThumbTracking);
  SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 12), 0);
  EXPECT_EQ(g->TopRow(), 12);

  // A press on the bar's down arrow scrolls one row.
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(g->Handle(), OBJID_VSCROLL, &sbi));
  s.display.Click(sbi.rcScrollBar.Left + 3, sbi.rcScrollBar.Bottom - 3);
  s.display.RunUntilIdle();
  EXPECT_EQ(g->TopRow(), 13);

  // Wider columns call for the horizontal bar, which shortens the client.
  const int before = g->ClientHeight();
  g->SetDefaultColWidth(200);
  EXPECT_TRUE(BarShown(g, SB_HORZ));
  EXPECT_LT(g->ClientHeight(), before);
  EXPECT_EQ(int(Info(g, SB_VERT).nPage), fitting());
}

TEST_F(GridsTest, KeysMoveTheCurrentCellAndKeepItInView) {
  auto* g = MakeGrid(250, 130);
  g->SetColCount(6);
  g->SetRowCount(40);
  g->SetFocus();
  s.display.RunUntilIdle();
  const int page = g->VisibleRowCount();
  ASSERT_GT(page, 1);
  struct Step {
    int modifier, vk, col, row;
  } steps[] = {
      {0, VK_RIGHT, 2, 1},  {0, VK_DOWN, 2, 2},  {0, VK_DOWN, 2, 3},          {0, VK_LEFT, 1, 3},
      {0, VK_LEFT, 1, 3},   {0, VK_UP, 1, 2},    {0, VK_END, 5, 2},           {0, VK_HOME, 1, 2},
      {0, VK_NEXT, 1, 2 + page}, {0, VK_PRIOR, 1, 2}, {VK_CONTROL, VK_END, 5, 39}, {VK_CONTROL, VK_HOME, 1, 1},
  };
  for (const Step& st : steps) {
    if (st.modifier) Chord(st.modifier, st.vk);
    else Key(st.vk);
    EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(st.col, st.row)) << "vk " << st.vk;
    EXPECT_FALSE(g->CellRect(g->Col(), g->Row()).IsEmpty()) << "vk " << st.vk;
    EXPECT_GE(g->Row(), g->TopRow());
    EXPECT_LT(g->Row(), g->TopRow() + std::max(1, g->VisibleRowCount()));
  }
  Chord(VK_SHIFT, VK_DOWN);
  Chord(VK_SHIFT, VK_RIGHT);
  EXPECT_EQ(g->Selection(), (TGridRect{1, 1, 2, 2}));
  Key(VK_DOWN);  // a plain move collapses the range
  EXPECT_EQ(g->Selection(), (TGridRect{2, 3, 2, 3}));

  // Tab moves on only with goTabs, wrapping to the next row.
  Key(VK_END);
  g->SetOptions(g->Options() | goTabs);
  Key(VK_TAB);
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(1, 4));
  Chord(VK_SHIFT, VK_TAB);
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(5, 3));
}

TEST_F(GridsTest, MouseSelectsCellsAndRangesAndOnSelectCellCanRefuse) {
  auto* g = MakeGrid(300, 160);
  g->SetDefaultColWidth(40);
  g->SetDefaultRowHeight(20);
  auto mid = [&](int c, int r) {
    TRect rc = g->CellRect(c, r);
    return At(g, rc.Left + 5, rc.Top + 5);
  };
  Click(g, g->CellRect(2, 3).Left + 5, g->CellRect(2, 3).Top + 5);
  EXPECT_TRUE(g->Focused());
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(2, 3));

  TPoint from = mid(1, 1), to = mid(3, 2);
  s.display.MouseDown(from.X, from.Y);
  s.display.MouseMove(to.X, to.Y);
  s.display.MouseUp(to.X, to.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(g->Selection(), (TGridRect{1, 1, 3, 2}));
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(3, 2));

  Click(g, 5, 5);  // a fixed cell changes nothing
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(3, 2));

  g->SetOptions(g->Options() | goRowSelect);
  EXPECT_EQ(g->Selection().Left, 1);
  EXPECT_EQ(g->Selection().Right, g->ColCount() - 1);

  std::vector<std::pair<int, int>> asked;
  g->OnSelectCell = [&](TObject*, int c, int r, bool& can) {
    asked.emplace_back(c, r);
    can = c != 4;
  };
  g->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine);
  TPoint refused = mid(4, 4);
  s.display.Click(refused.X, refused.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(3, 2));
  Key(VK_DOWN);
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(3, 3));
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{4, 4}, {3, 3}}));
}

TEST_F(GridsTest, DrawCellVisitsOnlyVisibleCellsWithTheirRectsAndStates) {
  auto* g = MakeGrid(230, 120);
  g->SetColCount(10);
  g->SetRowCount(20);
  g->SetDefaultColWidth(50);
  g->SetDefaultRowHeight(20);
  g->SetFocus();
  struct Call {
    int c, r;
    TRect rect;
    TGridDrawState state;
  };
  std::vector<Call> calls;
  g->OnDrawCell = [&](TObject*, int c, int r, const TRect& rect, TGridDrawState st) {
    calls.push_back({c, r, rect, st});
  };
  g->SetRow(6);
  g->SetCol(4);
  g->SetTopRow(5);
  g->SetLeftCol(3);
  calls.clear();
  g->Invalidate();
  s.display.RunUntilIdle();
  ASSERT_FALSE(calls.empty());
  std::set<std::pair<int, int>> seen;
  for (const Call& c : calls) {
    seen.insert({c.c, c.r});
    EXPECT_EQ(c.rect, g->CellRect(c.c, c.r)) << c.c << "," << c.r;
    EXPECT_LT(c.rect.Left, g->ClientWidth());
    EXPECT_LT(c.rect.Top, g->ClientHeight());
    const bool fixed = c.c == 0 || c.r == 0;
    EXPECT_EQ((c.state & gdFixed) != 0, fixed);
    EXPECT_EQ((c.state & gdFocused) != 0, c.c == 4 && c.r == 6);
    EXPECT_EQ((c.state & gdSelected) != 0, c.c == 4 && c.r == 6);
  }
  EXPECT_EQ(seen.size(), calls.size());  // each cell once
  // Columns 0, 3, 4, 5, 6 (partly) and rows 0, 5...9 (partly): nothing scrolled out.
  const int cols = 1 + (g->ClientWidth() - 51 + 50) / 51, rows = 1 + (g->ClientHeight() - 21 + 20) / 21;
  EXPECT_EQ(int(calls.size()), cols * rows);
  for (auto [c, r] : seen) {
    EXPECT_TRUE(c == 0 || c >= 3);
    EXPECT_TRUE(r == 0 || r >= 5);
  }
}

TEST_F(GridsTest, StringGridKeepsCellsAndDrawsTextAndSelectionColours) {
  auto* g = MakeGrid<TStringGrid>(300, 160);
  g->SetCells(1, 1, "W");
  TObject marker;
  g->SetObjects(2, 2, &marker);
  g->SetRowCount(3);
  g->SetRowCount(10);
  EXPECT_EQ(g->Cells(1, 1), "W");
  EXPECT_EQ(g->Objects(2, 2), &marker);
  g->SetColCount(2);
  g->SetColCount(5);
  EXPECT_EQ(g->Objects(2, 2), nullptr);  // the column was dropped
  EXPECT_EQ(g->Cells(4, 9), "");
  EXPECT_THROW(g->SetCells(5, 0, "x"), EInvalidGridOperation);
  EXPECT_THROW(g->SetFixedRows(10), EInvalidGridOperation);

  g->SetFocus();
  g->SetSelection(TGridRect{1, 1, 2, 2});
  s.display.RunUntilIdle();
  const TRect focusedCell = g->CellRect(1, 1), other = g->CellRect(2, 2);
  EXPECT_EQ(GridPixel(g, other.Left + 30, other.Bottom - 2), ClassicRGB(clHighlight));
  // The focused cell keeps the window colour and shows its text.
  EXPECT_EQ(GridPixel(g, focusedCell.Right - 3, focusedCell.Bottom - 3), ClassicRGB(clWindow));
  int dark = 0;
  for (int y = focusedCell.Top + 1; y < focusedCell.Bottom - 1; ++y)
    for (int x = focusedCell.Left + 1; x < focusedCell.Left + 20; ++x)
      dark += GridPixel(g, x, y) == ClassicRGB(clWindowText);
  EXPECT_GT(dark, 5);
  // goDrawFocusSelected paints the focused cell selected as well.
  g->SetOptions(g->Options() | goDrawFocusSelected);
  s.display.RunUntilIdle();
  EXPECT_EQ(GridPixel(g, focusedCell.Right - 3, focusedCell.Bottom - 3), ClassicRGB(clHighlight));
}

TEST_F(GridsTest, GridFreedInsideOnSelectCellDoesNotCrash) {
  auto* g = MakeGrid(300, 160);
  g->OnSelectCell = [&](TObject*, int, int, bool&) { delete g; };
  TRect rc = g->CellRect(2, 2);
  Click(g, rc.Left + 3, rc.Top + 3);
  EXPECT_EQ(host->ControlCount(), 0);
}

// Counts the size notifications.
class TSizeCountingGrid : public TDrawGrid {
 public:
  explicit TSizeCountingGrid(TComponent* owner) : TDrawGrid(owner) {}
  int colChanges = 0, rowChanges = 0;

 protected:
  void ColWidthsChanged() override { ++colChanges; }
  void RowHeightsChanged() override { ++rowChanges; }
};

// Cells of 40 x 20 with one-pixel lines: column lines at x 40, 81, 122...,
// row lines at y 20, 41, 62...
class GridsSizingTest : public GridsTest {
 protected:
  template <class T = TDrawGrid>
  T* MakeSizingGrid(TGridOptions sizing, int w = 300, int h = 160) {
    auto* g = MakeGrid<T>(w, h);
    g->SetDefaultColWidth(40);
    g->SetDefaultRowHeight(20);
    g->SetOptions(g->Options() | sizing);
    s.display.RunUntilIdle();
    return g;
  }
  void Press(TControl* c, int x, int y) {
    TPoint p = At(c, x, y);
    s.display.MouseDown(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void Drag(TControl* c, int x, int y) { MoveTo(At(c, x, y)); }
  void Release(TControl* c, int x, int y) {
    TPoint p = At(c, x, y);
    s.display.MouseUp(p.X, p.Y);
    s.display.RunUntilIdle();
  }
};

TEST_F(GridsSizingTest, SplitCursorShowsOnlyOnBoundariesWithinTheFixedCells) {
  auto* g = MakeSizingGrid(0);
  const HCURSOR h = CursorHandle(crHSplit), v = CursorHandle(crVSplit);
  const HCURSOR arrow = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  ASSERT_NE(h, v);
  const TGridOptions both = goColSizing | goRowSizing;
  struct Case {
    TGridOptions options;
    int x, y;
    HCURSOR expected;
  } cases[] = {
      {both, 81, 5, h},    {both, 78, 5, h},     {both, 84, 5, h},     // the line and 3 pixels either side
      {both, 77, 5, arrow}, {both, 85, 5, arrow}, {both, 60, 5, arrow},
      {both, 81, 30, arrow},                                         // below the fixed row
      {both, 5, 41, v},    {both, 5, 38, v},     {both, 5, 44, v},    {both, 5, 45, arrow},
      {both, 60, 41, arrow},                                         // right of the fixed column
      {both, 40, 20, h},                                             // both: the column first
      {goRowSizing, 81, 5, arrow}, {goColSizing, 5, 41, arrow}, {goRowSizing, 40, 20, v},
  };
  for (const Case& c : cases) {
    g->SetOptions((g->Options() & ~both) | c.options);
    MoveTo(At(g, c.x, c.y));
    EXPECT_EQ(GetCursor(), c.expected) << c.x << "," << c.y << " options " << c.options;
  }
}

TEST_F(GridsSizingTest, DraggingAColumnBoundarySizesLiveAheadOfSelection) {
  auto* g = MakeSizingGrid<TSizeCountingGrid>(goColSizing);
  ASSERT_TRUE(g->Options() & goRangeSelect);
  g->colChanges = g->rowChanges = 0;
  Press(g, 81, 5);
  EXPECT_EQ(GetCapture(), g->Handle());
  Drag(g, 101, 90);  // over the cells: sizing, not selecting
  EXPECT_EQ(g->ColWidths(1), 60);
  EXPECT_GT(g->colChanges, 0);
  EXPECT_EQ(g->rowChanges, 0);
  EXPECT_EQ(g->Selection(), (TGridRect{1, 1, 1, 1}));
  EXPECT_EQ(g->CellRect(2, 1).Left, 102);
  Drag(g, 10, 90);  // no narrower than nothing
  EXPECT_EQ(g->ColWidths(1), 0);
  EXPECT_EQ(g->ColWidths(0), 40);
  Release(g, 10, 90);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(g->ColWidths(1), 0);
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(1, 1));

  // Column 1's line now follows column 0's at x 41: the nearer one wins,
  // so the hidden column can be dragged open again.
  Press(g, 43, 5);
  Drag(g, 73, 5);
  Release(g, 73, 5);
  EXPECT_EQ(g->ColWidths(1), 30);
  EXPECT_EQ(g->ColWidths(0), 40);
  // Without grid lines both boundaries stand at x 40: the later one wins.
  g->SetGridLineWidth(0);
  g->SetColWidths(1, 0);
  Press(g, 40, 5);
  Drag(g, 60, 5);
  Release(g, 60, 5);
  EXPECT_EQ(g->ColWidths(1), 20);
  EXPECT_EQ(g->ColWidths(0), 40);
  g->SetGridLineWidth(1);

  // Away from the boundaries a press still selects.
  const TRect cell = g->CellRect(3, 2);
  Click(g, cell.Left + 10, cell.Top + 5);
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(3, 2));
  EXPECT_EQ(g->ColWidths(3), 40);
}

TEST_F(GridsSizingTest, EscOrALostCaptureDuringADragPutsTheSizeBack) {
  enum Cancel { Escape, Released, TakenByAnother };
  for (Cancel cancel : {Escape, Released, TakenByAnother}) {
    SCOPED_TRACE(cancel);
    auto* g = MakeSizingGrid<TSizeCountingGrid>(goColSizing | goRowSizing);
    Press(g, 5, 41);
    Drag(g, 5, 70);
    ASSERT_EQ(g->RowHeights(1), 49);
    const int changes = g->rowChanges;
    switch (cancel) {
      case Escape: Key(VK_ESCAPE); break;
      case Released: ReleaseCapture(); break;
      case TakenByAnother: SetCapture(host->Handle()); break;
    }
    s.display.RunUntilIdle();
    EXPECT_EQ(g->RowHeights(1), 20);
    EXPECT_GT(g->rowChanges, changes);  // told of the way back too
    ReleaseCapture();
    Drag(g, 5, 90);
    Release(g, 5, 90);
    EXPECT_EQ(g->RowHeights(1), 20);
    EXPECT_EQ(g->ColWidths(0), 40);
    delete g;
  }
}

TEST_F(GridsSizingTest, DraggingARowBoundaryInTheFixedColumnSizesTheRow) {
  auto* g = MakeSizingGrid<TSizeCountingGrid>(goRowSizing);
  g->colChanges = g->rowChanges = 0;
  Press(g, 5, 41);
  Drag(g, 5, 71);
  EXPECT_EQ(g->RowHeights(1), 50);
  EXPECT_GT(g->rowChanges, 0);
  Release(g, 5, 71);
  EXPECT_EQ(g->colChanges, 0);
  EXPECT_EQ(g->CellRect(1, 2).Top, 72);
  EXPECT_EQ(g->RowHeights(0), 20);
  EXPECT_EQ(g->RowHeights(2), 20);
  // The same line outside the fixed column belongs to a cell.
  Press(g, 100, 71);
  Release(g, 100, 71);
  EXPECT_EQ(g->RowHeights(1), 50);
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(2, 1));
}

TEST_F(GridsSizingTest, SizingUpdatesTheScrollInformation) {
  auto* g = MakeSizingGrid(goColSizing);
  g->SetRowCount(3);
  ASSERT_FALSE(BarShown(g, SB_HORZ));
  // Column 2 to 190: the columns no longer fit.
  Press(g, 122, 5);
  Drag(g, 272, 5);
  Release(g, 272, 5);
  ASSERT_EQ(g->ColWidths(2), 190);
  ASSERT_TRUE(BarShown(g, SB_HORZ));
  // The largest left column still shows the last column whole.
  const int room = g->ClientWidth() - 41;
  int maxLeft = g->ColCount() - 1, used = 41;
  while (maxLeft > 1 && used + g->ColWidths(maxLeft - 1) + 1 <= room) used += g->ColWidths(--maxLeft) + 1;
  SCROLLINFO si = Info(g, SB_HORZ);
  EXPECT_EQ(si.nMin, 1);
  EXPECT_EQ(si.nMax, 4);
  EXPECT_EQ(int(si.nPage), g->ColCount() - maxLeft);
  EXPECT_EQ(maxLeft, 3);
  SendMessage(g->Handle(), WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(g->LeftCol(), maxLeft);

  // Narrowed back from its line at x 272.
  SendMessage(g->Handle(), WM_HSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  Press(g, 272, 5);
  Drag(g, 122, 5);
  Release(g, 122, 5);
  EXPECT_EQ(g->ColWidths(2), 40);
  EXPECT_FALSE(BarShown(g, SB_HORZ));
  EXPECT_EQ(g->LeftCol(), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/Grids.h"

namespace {

// Column 2 is read-only.
class TReadOnlyColumnGrid : public TStringGrid {
 public:
  explicit TReadOnlyColumnGrid(TComponent* owner) : TStringGrid(owner) {}

 protected:
  bool CanEditShow() override { return Col() != 2 && TStringGrid::CanEditShow(); }
};

// Cells of at most three characters.
class TShortCellGrid : public TStringGrid {
 public:
  explicit TShortCellGrid(TComponent* owner) : TStringGrid(owner) {}

 protected:
  int GetEditLimit() override { return 3; }
};

struct SetCall {
  int col, row;
  std::string value;
  bool operator==(const SetCall&) const = default;
};

// Sees every SetEditText, also those the string grid would drop.
class TSetRecordingGrid : public TStringGrid {
 public:
  explicit TSetRecordingGrid(TComponent* owner) : TStringGrid(owner) {}
  std::vector<SetCall> calls;

 protected:
  void SetEditText(int ACol, int ARow, const std::string& Value) override {
    calls.push_back({ACol, ARow, Value});
    TStringGrid::SetEditText(ACol, ARow, Value);
  }
};

class GridsEditTest : public UiTest {
 protected:
  std::vector<SetCall> sets;

  // 6 x 12 cells of 50 x 20, each holding "c<col>r<row>"; focused.
  template <class T = TStringGrid>
  T* MakeGrid(TGridOptions extra = goEditing, int w = 300, int h = 160) {
    ShowHost();
    auto* g = new T(host);
    g->SetParent(host);
    g->SetBounds(0, 0, w, h);
    g->SetDefaultColWidth(50);
    g->SetDefaultRowHeight(20);
    g->SetColCount(6);
    g->SetRowCount(12);
    for (int c = 0; c < 6; ++c)
      for (int r = 0; r < 12; ++r) g->SetCells(c, r, Name(c, r));
    g->SetOptions(g->Options() | extra);
    g->OnSetEditText = [this](TObject*, int c, int r, const std::string& v) { sets.push_back({c, r, v}); };
    g->SetFocus();
    s.display.RunUntilIdle();
    return g;
  }
  static std::string Name(int c, int r) { return "c" + std::to_string(c) + "r" + std::to_string(r); }
  static bool Shown(TCustomGrid* g) { return g->InplaceEditor() && g->InplaceEditor()->Visible(); }
  void Type(const char* text) {
    s.display.Text(text);
    s.display.RunUntilIdle();
  }
  void Chord(int modifier, int vk) {
    s.display.KeyDown(modifier);
    s.display.KeyPress(vk);
    s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
  }
  void ClickCell(TCustomGrid* g, int c, int r) {
    TRect rc = g->CellRect(c, r);
    Click(g, rc.Left + 5, rc.Top + 5);
  }
  // The editor stands over (c, r), shows its text and has the focus.
  void ExpectEditing(TCustomGrid* g, int c, int r, const std::string& text) {
    ASSERT_TRUE(Shown(g));
    TInplaceEdit* e = g->InplaceEditor();
    EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(c, r));
    EXPECT_EQ(e->BoundsRect(), g->CellRect(c, r));
    EXPECT_EQ(e->Text(), text);
    EXPECT_TRUE(e->Focused());
  }
};

TEST_F(GridsEditTest, F2EnterDoubleClickAndTypingShowTheEditorOnlyWithGoEditing) {
  enum How { F2, Enter, DoubleClick, Typing };
  struct Case {
    How how;
    bool editing;
  } cases[] = {{F2, true},     {Enter, true},     {DoubleClick, true},  {Typing, true},
               {F2, false},    {Enter, false},    {DoubleClick, false}, {Typing, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "how " << c.how << " editing " << c.editing);
    auto* g = MakeGrid(c.editing ? goEditing : 0);
    g->SetCol(2);
    g->SetRow(3);
    switch (c.how) {
      case F2: Key(VK_F2); break;
      case Enter: Key(VK_RETURN); break;
      case DoubleClick:
        ClickCell(g, 2, 3);
        EXPECT_FALSE(Shown(g));  // a single click only selects
        ClickCell(g, 2, 3);
        break;
      case Typing: Type("x"); break;
    }
    EXPECT_EQ(g->EditorMode(), c.editing);
    if (!c.editing) {
      EXPECT_FALSE(Shown(g));
      EXPECT_TRUE(g->Focused());
      EXPECT_EQ(g->Cells(2, 3), "c2r3");
    } else if (c.how == Typing) {
      // The character replaces the text, the caret after it.
      ExpectEditing(g, 2, 3, "x");
      EXPECT_EQ(g->InplaceEditor()->SelStart(), 1);
      EXPECT_EQ(g->InplaceEditor()->SelLength(), 0);
      EXPECT_EQ(g->Cells(2, 3), "x");
    } else {
      // The whole text selected; nothing written yet.
      ExpectEditing(g, 2, 3, "c2r3");
      EXPECT_EQ(g->InplaceEditor()->SelStart(), 0);
      EXPECT_EQ(g->InplaceEditor()->SelLength(), 4);
      EXPECT_TRUE(sets.empty());
    }
    delete g;
    sets.clear();
    s.clock.Advance(1000);  // keeps the next double click apart
  }
}

TEST_F(GridsEditTest, SetEditTextFollowsTheTypingAndTheCommit) {
  auto* g = MakeGrid();
  g->SetCol(1);
  g->SetRow(2);
  Type("ab");
  EXPECT_EQ(g->Cells(1, 2), "ab");
  EXPECT_EQ(sets, (std::vector<SetCall>{{1, 2, "a"}, {1, 2, "ab"}}));
  s.display.KeyPress(VK_BACK);
  s.display.RunUntilIdle();
  EXPECT_EQ(g->Cells(1, 2), "a");
  sets.clear();
  Key(VK_RETURN);
  // One more call with the final text, then the editor is gone.
  EXPECT_EQ(sets, (std::vector<SetCall>{{1, 2, "a"}}));
  EXPECT_FALSE(Shown(g));
  EXPECT_FALSE(g->EditorMode());
  EXPECT_TRUE(g->Focused());
  // An edit that changes nothing writes nothing.
  sets.clear();
  Key(VK_F2);
  Key(VK_RETURN);
  Key(VK_F2);
  Key(VK_ESCAPE);
  EXPECT_TRUE(sets.empty());
  EXPECT_EQ(g->Cells(1, 2), "a");
}

TEST_F(GridsEditTest, EnterKeepsTheTypedTextAndEscPutsBackTheTextFromBefore) {
  struct Case {
    int key;
    const char* expected;
  } cases[] = {{VK_RETURN, "new"}, {VK_ESCAPE, "c1r1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto* g = MakeGrid();
    Key(VK_F2);
    Type("new");
    ASSERT_EQ(g->Cells(1, 1), "new");
    Key(c.key);
    EXPECT_EQ(g->Cells(1, 1), c.expected);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.back(), (SetCall{1, 1, c.expected}));
    EXPECT_FALSE(Shown(g));
    EXPECT_FALSE(g->EditorMode());
    EXPECT_TRUE(g->Focused());
    delete g;
    sets.clear();
  }
}

TEST_F(GridsEditTest, CanEditShowKeepsAReadOnlyColumnFromEditing) {
  auto* g = MakeGrid<TReadOnlyColumnGrid>(goEditing | goTabs);
  g->SetCol(2);
  Key(VK_F2);
  Type("q");
  ClickCell(g, 2, 1);
  ClickCell(g, 2, 1);
  EXPECT_FALSE(Shown(g));
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(g->Cells(2, 1), "c2r1");
  EXPECT_TRUE(sets.empty());

  // Passing through the column hides the editor and it comes back after.
  s.clock.Advance(1000);
  g->SetCol(1);
  Key(VK_F2);
  ExpectEditing(g, 1, 1, "c1r1");
  Key(VK_TAB);
  EXPECT_EQ(g->Col(), 2);
  EXPECT_FALSE(Shown(g));
  EXPECT_TRUE(g->Focused());
  Type("z");
  EXPECT_EQ(g->Cells(2, 1), "c2r1");
  Key(VK_TAB);
  ExpectEditing(g, 3, 1, "c3r1");
}

TEST_F(GridsEditTest, RowKeysCommitAndTakeTheEditorAlongWhileLeftAndRightStayInTheText) {
  auto* g = MakeGrid(goEditing | goRangeSelect);
  g->SetCol(2);
  g->SetRow(5);
  const int page = g->VisibleRowCount();
  ASSERT_GT(page, 2);
  struct Step {
    int vk;
    int row;
  } steps[] = {{VK_DOWN, 6}, {VK_UP, 5}, {VK_NEXT, 5 + page}, {VK_PRIOR, 5}};
  Key(VK_F2);
  // The editor keeps the focus all along, even where the rows scroll.
  int exits = 0;
  g->InplaceEditor()->OnExit = [&](TObject*) { ++exits; };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.vk);
    const int from = g->Row();
    Type("v");
    Key(st.vk);
    EXPECT_EQ(g->Cells(2, from), "v");
    ExpectEditing(g, 2, st.row, st.row == 5 ? "v" : Name(2, st.row));
    EXPECT_EQ(g->InplaceEditor()->SelLength(), int(g->InplaceEditor()->Text().size()));
  }
  EXPECT_GT(g->TopRow(), 1);
  EXPECT_EQ(exits, 0);
  // Left and Right move the caret, not the cell.
  Type("abc");
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(g->Col(), 2);
  EXPECT_EQ(g->InplaceEditor()->SelStart(), 1);
  Key(VK_RIGHT);
  EXPECT_EQ(g->InplaceEditor()->SelStart(), 2);
  EXPECT_EQ(g->Col(), 2);
  // With goEditing a shifted move is a plain move: no range around an editor.
  Chord(VK_SHIFT, VK_DOWN);
  EXPECT_EQ(g->Selection(), (TGridRect{2, 6, 2, 6}));
  EXPECT_EQ(g->Cells(2, 5), "abc");
  // The editor still has the focus; its exit on teardown must not reach
  // this test's counter.
  g->InplaceEditor()->OnExit = nullptr;
}

TEST_F(GridsEditTest, TabMovesTheEditorOnlyWithGoTabsAndOtherwiseLeavesTheGrid) {
  auto* g = MakeGrid(goEditing | goTabs);
  auto* next = Add<TTestWin>(host, 0, 170, 50, 20);
  next->SetTabStop(true);
  s.display.RunUntilIdle();
  g->SetCol(4);
  Key(VK_F2);
  Type("t");
  Key(VK_TAB);
  EXPECT_EQ(g->Cells(4, 1), "t");
  ExpectEditing(g, 5, 1, "c5r1");
  Key(VK_TAB);  // wraps to the next row
  ExpectEditing(g, 1, 2, "c1r2");
  Chord(VK_SHIFT, VK_TAB);
  ExpectEditing(g, 5, 1, "c5r1");

  g->SetOptions(g->Options() & ~goTabs);
  Type("u");
  Key(VK_TAB);
  EXPECT_TRUE(next->Focused());
  EXPECT_EQ(std::make_pair(g->Col(), g->Row()), std::make_pair(5, 1));
  // Leaving the grid commits and ends the edit.
  EXPECT_EQ(g->Cells(5, 1), "u");
  EXPECT_EQ(sets.back(), (SetCall{5, 1, "u"}));
  EXPECT_FALSE(Shown(g));
  EXPECT_FALSE(g->EditorMode());
}

TEST_F(GridsEditTest, MovingTheCurrentCellByMouseOrCodeCommitsAndMovesTheEditor) {
  auto* g = MakeGrid();
  Key(VK_F2);
  Type("m");
  ClickCell(g, 3, 2);
  EXPECT_EQ(g->Cells(1, 1), "m");
  ExpectEditing(g, 3, 2, "c3r2");
  Type("n");
  g->SetRow(4);
  EXPECT_EQ(g->Cells(3, 2), "n");
  ExpectEditing(g, 3, 4, "c3r4");
  // A refused move keeps the editor where it is, its text committed.
  g->OnSelectCell = [](TObject*, int, int, bool& can) { can = false; };
  Type("o");
  Key(VK_DOWN);
  ExpectEditing(g, 3, 4, "o");
  EXPECT_EQ(g->Cells(3, 4), "o");
}

TEST_F(GridsEditTest, TheWheelOverTheEditorCommitsAndMovesTheRow) {
  auto* g = MakeGrid();
  Key(VK_F2);
  Type("w");
  TRect rc = g->CellRect(1, 1);
  TPoint p = g->ClientToScreen(TPoint{rc.Left + 5, rc.Top + 5});
  s.display.Wheel(p.X, p.Y, -120);
  s.display.RunUntilIdle();
  EXPECT_EQ(g->Cells(1, 1), "w");
  ExpectEditing(g, 1, 2, "c1r2");
  s.display.Wheel(p.X, p.Y, 120);
  s.display.RunUntilIdle();
  ExpectEditing(g, 1, 1, "w");
}

TEST_F(GridsEditTest, EditorFollowsScrollingAndHidesWhileItsCellIsOutOfView) {
  auto* g = MakeGrid(goEditing, 220, 120);
  g->SetCol(2);
  g->SetRow(2);
  Key(VK_F2);
  g->SetTopRow(2);
  ExpectEditing(g, 2, 2, "c2r2");
  g->SetLeftCol(2);
  ExpectEditing(g, 2, 2, "c2r2");
  EXPECT_EQ(g->InplaceEditor()->Left(), 51);

  SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(g->TopRow(), 3);
  EXPECT_FALSE(Shown(g));
  EXPECT_TRUE(g->EditorMode());
  EXPECT_TRUE(g->Focused());  // the focus stays in the grid
  SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
  ExpectEditing(g, 2, 2, "c2r2");

  g->SetLeftCol(3);
  EXPECT_FALSE(Shown(g));
  // Typing brings the cell back into view.
  Type("w");
  ExpectEditing(g, 2, 2, "w");
  EXPECT_EQ(g->LeftCol(), 2);
}

TEST_F(GridsEditTest, EditorFollowsColumnWidthsRowHeightsAndSizingDrags) {
  auto* g = MakeGrid(goEditing | goColSizing);
  g->SetCol(2);
  g->SetRow(2);
  Key(VK_F2);
  g->SetColWidths(1, 80);
  ExpectEditing(g, 2, 2, "c2r2");
  g->SetRowHeights(2, 33);
  ExpectEditing(g, 2, 2, "c2r2");
  EXPECT_EQ(g->InplaceEditor()->Height(), 33);
  g->SetDefaultColWidth(40);
  ExpectEditing(g, 2, 2, "c2r2");

  // A drag of column 2's boundary in the fixed row widens the editor live.
  const TRect head = g->CellRect(2, 0);
  TPoint from = At(g, head.Right, 5), to = At(g, head.Right + 25, 5);
  s.display.MouseDown(from.X, from.Y);
  s.display.MouseMove(to.X, to.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(g->InplaceEditor()->Width(), 65);
  s.display.MouseUp(to.X, to.Y);
  s.display.RunUntilIdle();
  ExpectEditing(g, 2, 2, "c2r2");
}

TEST_F(GridsEditTest, ShrinkingTheCountsBelowTheEditedCellIsSafe) {
  struct Case {
    int cols, rows;
  } cases[] = {{6, 4}, {3, 12}, {2, 2}, {5, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols << "x" << c.rows);
    auto* g = MakeGrid<TSetRecordingGrid>();
    g->SetCol(4);
    g->SetRow(8);
    Key(VK_F2);
    Type("lost");
    g->calls.clear();
    int exits = 0;
    g->InplaceEditor()->OnExit = [&](TObject*) { ++exits; };
    g->SetColCount(c.cols);
    g->SetRowCount(c.rows);
    EXPECT_EQ(exits, 0);  // moved, never hidden on the way
    // Nothing is written to a cell that no longer exists.
    for (const SetCall& call : g->calls) {
      EXPECT_LT(call.col, c.cols);
      EXPECT_LT(call.row, c.rows);
    }
    // A surviving cell keeps its edit; otherwise the editor moves on with
    // the current cell and shows that cell's text.
    const bool kept = c.cols > 4 && c.rows > 8;
    const int col = std::min(4, c.cols - 1), row = std::min(8, c.rows - 1);
    ExpectEditing(g, col, row, kept ? "lost" : Name(col, row));
    Type("k");
    const std::string typed = kept ? "lostk" : "k";
    EXPECT_EQ(g->Cells(col, row), typed);
    Key(VK_RETURN);
    EXPECT_EQ(g->Cells(col, row), typed);
    EXPECT_FALSE(Shown(g));
    delete g;
    sets.clear();
  }
}

TEST_F(GridsEditTest, FreeingTheEditorOrTheGridWhileEditingIsSafe) {
  auto* g = MakeGrid();
  Key(VK_F2);
  Type("a");
  delete g->InplaceEditor();
  EXPECT_EQ(g->InplaceEditor(), nullptr);
  g->SetFocus();
  Key(VK_DOWN);
  Key(VK_F2);
  ExpectEditing(g, 1, 2, "c1r2");

  // The grid goes with an edit in progress: nothing calls back into it.
  Type("b");
  const std::size_t before = sets.size();
  delete g;
  s.display.RunUntilIdle();
  EXPECT_EQ(sets.size(), before);
  EXPECT_EQ(host->ControlCount(), 0);

  // Freed from its own OnSetEditText while typing.
  g = MakeGrid();
  g->OnSetEditText = [&](TObject*, int, int, const std::string&) { delete g; };
  Type("c");
  EXPECT_EQ(host->ControlCount(), 0);
}

TEST_F(GridsEditTest, AlwaysShowEditorShowsWheneverTheGridHasTheFocus) {
  auto* g = MakeGrid(goEditing | goAlwaysShowEditor);
  auto* other = Add<TTestWin>(host, 0, 170, 50, 20);
  other->SetTabStop(true);
  s.display.RunUntilIdle();
  ExpectEditing(g, 1, 1, "c1r1");
  Key(VK_DOWN);
  ExpectEditing(g, 1, 2, "c1r2");
  Type("s");
  Key(VK_ESCAPE);  // puts the text back but keeps editing
  ExpectEditing(g, 1, 2, "c1r2");
  EXPECT_EQ(g->Cells(1, 2), "c1r2");
  Type("t");
  Key(VK_RETURN);
  ExpectEditing(g, 1, 2, "t");
  EXPECT_EQ(g->Cells(1, 2), "t");

  other->SetFocus();
  s.display.RunUntilIdle();
  EXPECT_TRUE(other->Focused());
  g->SetFocus();
  s.display.RunUntilIdle();
  ExpectEditing(g, 1, 2, "t");
  // goRowSelect turns the editor off.
  g->SetOptions(g->Options() | goRowSelect);
  EXPECT_FALSE(Shown(g));
  EXPECT_TRUE(g->Focused());
}

TEST_F(GridsEditTest, CodeSettingTheEditedCellReloadsTheEditor) {
  auto* g = MakeGrid();
  Key(VK_F2);
  Type("abc");
  g->SetCells(2, 1, "other");  // not the edited cell
  ExpectEditing(g, 1, 1, "abc");
  g->SetCells(1, 1, "code");
  ExpectEditing(g, 1, 1, "code");
  sets.clear();
  Key(VK_RETURN);
  EXPECT_EQ(g->Cells(1, 1), "code");
  EXPECT_TRUE(sets.empty());  // nothing typed since the reload
}

TEST_F(GridsEditTest, TheEditorIsDrawnOverItsCellWhenTheGridRepaints) {
  auto* g = MakeGrid();
  g->SetSelection(TGridRect{1, 1, 1, 1});
  Key(VK_F2);
  g->Invalidate();
  s.display.RunUntilIdle();
  // The grid, unfocused, would paint the selected cell in the highlight;
  // the editor shows the window colour right of its text.
  const TRect cell = g->CellRect(1, 1);
  TPoint p = host->ScreenToClient(At(g, cell.Right - 3, cell.Bottom - 3));
  EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(clWindow));
  // Hidden, it leaves the grid's own drawing of the cell.
  g->InplaceEditor()->SetColor(clRed);
  Key(VK_ESCAPE);
  EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(clWindow));
  g->SetOptions(g->Options() | goDrawFocusSelected);
  s.display.RunUntilIdle();
  EXPECT_EQ(Pixel(p.X, p.Y), ClassicRGB(clHighlight));
}

TEST_F(GridsEditTest, GetEditLimitCapsWhatTheUserTypes) {
  auto* g = MakeGrid<TShortCellGrid>();
  Type("abcdef");
  ExpectEditing(g, 1, 1, "abc");
  Key(VK_RETURN);
  EXPECT_EQ(g->Cells(1, 1), "abc");
}

TEST_F(GridsEditTest, DrawGridTakesTheTextFromItsEvents) {
  ShowHost();
  auto* g = new TDrawGrid(host);
  g->SetParent(host);
  g->SetOptions(g->Options() | goEditing);
  std::vector<std::pair<int, int>> asked;
  g->OnGetEditText = [&](TObject*, int c, int r, std::string& v) {
    asked.emplace_back(c, r);
    v = "v" + std::to_string(c * 10 + r);
  };
  g->OnSetEditText = [this](TObject*, int c, int r, const std::string& v) { sets.push_back({c, r, v}); };
  g->SetFocus();
  g->SetCol(2);
  g->SetRow(3);
  Key(VK_F2);
  ExpectEditing(g, 2, 3, "v23");
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{2, 3}}));
  s.display.KeyPress(VK_END);
  Type("!");
  EXPECT_EQ(sets, (std::vector<SetCall>{{2, 3, "v23!"}}));
}

}  // namespace

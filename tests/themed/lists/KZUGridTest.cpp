// The themed grids: colours by look, cells filled focused over selected
// over plain, fixed text in its own colour, and the flat frame.
#include <gtest/gtest.h>

#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/lists/KZUGrid.h"

namespace {

using S = TkzuUIStyle;

class KZUGridTest : public ThemedTest {
 protected:
  template <class G>
  G* NewGrid(S look) {
    auto* g = Place<G>(10, 10, 260, 130);
    g->SetUIStyle(look);
    g->SetColCount(4);
    g->SetRowCount(4);
    g->SetDefaultColWidth(50);
    g->SetDefaultRowHeight(24);
    s.display.RunUntilIdle();
    return g;
  }
  // The presented pixel in the middle of a cell.
  COLORREF CellPixel(TCustomGrid* g, int col, int row) {
    const TRect r = g->CellRect(col, row);
    return At(g, r.Left + r.Width() / 2, r.Top + r.Height() / 2);
  }
};

TEST_F(KZUGridTest, NewGridsTakeTheLooksColours) {
  auto* g = NewGrid<TkzuDrawGrid>(S::WinXP);
  EXPECT_EQ(g->BorderColor(), GetThemeColor(S::WinXP, 8));
  EXPECT_EQ(g->FixedColor(), GetThemeColor(S::WinXP, 12));
  EXPECT_EQ(g->Color(), GetThemeColor(S::WinXP, 9));
  EXPECT_EQ(g->FixedFontColor(), GetThemeColor(S::WinXP, 13));
  EXPECT_EQ(g->FontColor(), GetThemeColor(S::WinXP, 16));
  EXPECT_EQ(g->FocusedColor(), TColor(0x008000));
  EXPECT_EQ(g->SelectedColor(), TColor(0x00FFFF));
  EXPECT_FALSE(g->Ctl3D());
  g->SetFontColor(0x112233);
  EXPECT_EQ(g->Font()->Color(), TColor(0x112233));
  // Custom keeps what was set.
  g->SetUIStyle(S::Custom);
  EXPECT_EQ(g->Color(), GetThemeColor(S::WinXP, 9));
}

TEST_F(KZUGridTest, FocusedWinsOverSelectedOverPlain) {
  auto* g = NewGrid<TkzuDrawGrid>(S::DeepBlue);
  g->SetOptions(g->Options() | goRangeSelect);
  g->SetFocus();
  g->SetCol(1);
  g->SetRow(1);
  g->SetSelection(TGridRect{1, 1, 2, 2});
  s.display.RunUntilIdle();
  EXPECT_EQ(CellPixel(g, 1, 1), COLORREF(g->FocusedColor()));  // current, focused and selected
  EXPECT_EQ(CellPixel(g, 2, 2), COLORREF(g->SelectedColor()));
  EXPECT_EQ(CellPixel(g, 3, 3), COLORREF(g->Color()));
  EXPECT_EQ(CellPixel(g, 0, 2), COLORREF(g->FixedColor()));
  // The flat frame: border colour outside, the grid's colour inside it.
  EXPECT_EQ(g->ClientWidth(), g->Width() - 2);
  EXPECT_EQ(At(g, -1, 50), COLORREF(g->BorderColor()));
}

TEST_F(KZUGridTest, FixedTextIsDrawnInFixedFontColor) {
  auto* g = NewGrid<TkzuStringGrid>(S::DeepBlue);
  g->SetCells(1, 0, "█████");
  g->SetCells(1, 2, "█████");
  s.display.RunUntilIdle();
  const TRect fixed = g->CellRect(1, 0), plain = g->CellRect(1, 2);
  auto has = [&](const TRect& r, TColor c) {
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (At(g, x, y) == COLORREF(c)) return true;
    return false;
  };
  EXPECT_TRUE(has(fixed, g->FixedFontColor()));
  EXPECT_TRUE(has(plain, g->FontColor()));
  EXPECT_FALSE(has(plain, g->FixedFontColor()));
}

TEST_F(KZUGridTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    auto* g = NewGrid<TkzuStringGrid>(looks[li]);
    g->SetCells(1, 0, "名称");
    g->SetCells(2, 0, "Size");
    g->SetCells(1, 1, "照片.jpg");
    g->SetCells(2, 1, "1024");
    g->SetCells(0, 1, "1");
    g->SetFocus();
    s.display.RunUntilIdle();
    EXPECT_EQ(CellPixel(g, 3, 3), COLORREF(g->Color())) << names[li];
    SaveFormSheet(std::string("themed_grid_") + names[li]);
    delete g;
    s.display.RunUntilIdle();
  }
}

}  // namespace

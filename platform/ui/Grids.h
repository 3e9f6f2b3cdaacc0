// Draw grid and string grid: cells in columns and rows, the first FixedCols
// columns and FixedRows rows fixed (never scrolled, never selected), the
// rest scrolled a whole cell at a time through the window's own scroll
// bars. Every cell is followed by a grid line GridLineWidth wide on its
// right and bottom; CellRect excludes it.
//
// Scroll information (kept right after every change of counts, sizes,
// options and client size): the vertical bar runs from FixedRows to
// RowCount - 1 with the page such that the largest position is the largest
// TopRow; the horizontal bar likewise in columns.
//
// Painting visits only the cells in view. With DefaultDrawing the canvas
// brush and font are set for the cell's state and the cell is filled
// before DrawCell; TStringGrid's DrawCell then writes the cell's text with
// TextRect in those colours, so an override may set other colours and call
// the inherited DrawCell.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Controls.h"

LUMIQA_EXCEPTION(EInvalidGridOperation, Exception)

using TGridOptions = unsigned;
constexpr TGridOptions goFixedVertLine = 1u << 0;
constexpr TGridOptions goFixedHorzLine = 1u << 1;
constexpr TGridOptions goVertLine = 1u << 2;
constexpr TGridOptions goHorzLine = 1u << 3;
constexpr TGridOptions goRangeSelect = 1u << 4;
constexpr TGridOptions goDrawFocusSelected = 1u << 5;
constexpr TGridOptions goRowSizing = 1u << 6;
constexpr TGridOptions goColSizing = 1u << 7;
constexpr TGridOptions goRowMoving = 1u << 8;
constexpr TGridOptions goColMoving = 1u << 9;
constexpr TGridOptions goEditing = 1u << 10;
constexpr TGridOptions goTabs = 1u << 11;
constexpr TGridOptions goRowSelect = 1u << 12;
constexpr TGridOptions goAlwaysShowEditor = 1u << 13;
constexpr TGridOptions goThumbTracking = 1u << 14;

using TGridDrawState = unsigned;
constexpr TGridDrawState gdSelected = 1u << 0;
constexpr TGridDrawState gdFocused = 1u << 1;
constexpr TGridDrawState gdFixed = 1u << 2;

struct TGridCoord {
  int X = 0, Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// Cell coordinates, both corners included.
struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TGridRect&) const = default;
  bool Contains(int c, int r) const { return c >= Left && c <= Right && r >= Top && r <= Bottom; }
};

class TCustomGrid;
using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomGrid"; }

  int ColCount() const { return colCount_; }
  void SetColCount(int v);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int v);
  // Must stay below the counts (EInvalidGridOperation otherwise).
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int v);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int v);
  int DefaultColWidth() const { return defaultColWidth_; }
  // Resets every column to the new width.
  void SetDefaultColWidth(int v);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int v);
  int ColWidths(int i) const;
  void SetColWidths(int i, int v);
  int RowHeights(int i) const;
  void SetRowHeights(int i, int v);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int v);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions v);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor v);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool v);
  // Which of the window's scroll bars the grid may show (when needed).
  bool ScrollBarH() const { return scrollH_; }
  bool ScrollBarV() const { return scrollV_; }
  void SetScrollBars(bool horizontal, bool vertical);

  // The current cell; setting one asks SelectCell and scrolls it into view.
  int Col() const { return cur_.X; }
  void SetCol(int v) { FocusCell(v, cur_.Y, true); }
  int Row() const { return cur_.Y; }
  void SetRow(int v) { FocusCell(cur_.X, v, true); }
  TGridRect Selection() const { return selection_; }
  // Sets the range with the current cell at its top-left corner.
  void SetSelection(const TGridRect& v);
  int TopRow() const { return topLeft_.Y; }
  void SetTopRow(int v) { MoveTopLeft(topLeft_.X, v); }
  int LeftCol() const { return topLeft_.X; }
  void SetLeftCol(int v) { MoveTopLeft(v, topLeft_.Y); }
  // Whole scrollable columns / rows in view from LeftCol / TopRow.
  int VisibleColCount() const;
  int VisibleRowCount() const;
  // Client rectangle of a cell in view (grid line excluded); empty otherwise.
  TRect CellRect(int ACol, int ARow) const;
  // The cell under a client point; -1, -1 outside every cell in view.
  void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
  TGridCoord MouseCoord(int X, int Y) const;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
  virtual bool SelectCell(int ACol, int ARow);
  virtual void TopLeftChanged();
  virtual void SizeChanged(int /*OldColCount*/, int /*OldRowCount*/) {}
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Recomputes the scroll bars and keeps TopRow/LeftCol in range.
  void UpdateScrollBars();

 private:
  int ColExtent(int c) const { return ColWidths(c) + gridLineWidth_; }
  int RowExtent(int r) const { return RowHeights(r) + gridLineWidth_; }
  int FixedWidth() const;
  int FixedHeight() const;
  // The largest LeftCol / TopRow that still shows the last column / row.
  int MaxLeftCol() const;
  int MaxTopRow() const;
  // Left edge of column c in view (or where it would be), and of row r.
  int ColX(int c) const;
  int RowY(int r) const;
  // Makes (c, r) current, extending the range from the anchor when asked.
  void FocusCell(int c, int r, bool moveAnchor);
  void MoveTopLeft(int c, int r);
  void ClampInView();
  void ChangeSize(int cols, int rows);
  TGridRect RangeOf(TGridCoord a, TGridCoord b) const;
  void Scroll(bool horizontal, WPARAM wp);
  void DrawLines(HDC dc, const TRect& cell, bool fixed, bool vert, bool horz);

  int colCount_ = 5, rowCount_ = 5, fixedCols_ = 1, fixedRows_ = 1;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24, gridLineWidth_ = 1;
  std::vector<int> colWidths_, rowHeights_;
  TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
  TColor fixedColor_ = clBtnFace;
  bool defaultDrawing_ = true;
  bool scrollH_ = true, scrollV_ = true;
  TGridCoord cur_{1, 1}, anchor_{1, 1}, topLeft_{1, 1};
  TGridRect selection_{1, 1, 1, 1};
  bool selecting_ = false;
  bool updatingBars_ = false;
};

class TDrawGrid : public TCustomGrid {
 public:
  explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
  std::string ClassName() const override { return "TDrawGrid"; }
};

// Cells and their objects survive count changes for the cells that remain.
class TStringGrid : public TDrawGrid {
 public:
  explicit TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}
  std::string ClassName() const override { return "TStringGrid"; }
  std::string Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& v);
  TObject* Objects(int ACol, int ARow) const;
  void SetObjects(int ACol, int ARow, TObject* v);

 protected:
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  void SizeChanged(int OldColCount, int OldRowCount) override;

 private:
  struct Cell {
    std::string text;
    TObject* object = nullptr;
  };
  const Cell* Find(int c, int r) const;
  Cell& At(int c, int r);
  std::vector<std::vector<Cell>> cols_;  // [col][row], grown on first write
};

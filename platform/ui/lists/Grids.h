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
//
// Editing (goEditing): F2, Enter, a double click on the current cell or a
// printable character typed on the grid shows TInplaceEdit over the current
// cell (a typed character replaces the text; otherwise all of it is
// selected). With goAlwaysShowEditor the editor shows whenever the grid has
// the focus. The editor reads GetEditText; SetEditText is called after every
// change of the editor's text and once more when an edited text is committed
// (Enter, moving to another cell, the focus leaving the grid), so the cell
// follows the typing as the classic grid's does. Esc puts back the text from
// before the edit, through SetEditText as well; both end the edit unless
// goAlwaysShowEditor keeps it. Up, Down, PgUp, PgDn (and Tab with goTabs) in
// the editor move the current cell, and the editor follows it, as it does
// any move of the current cell; Left and Right move in the text. On a cell
// CanEditShow refuses the editor hides and EditorMode stays, so it comes
// back on the next editable cell. The editor follows scrolling and sizes,
// hidden while its cell is out of view. goRangeSelect is ignored with
// goEditing, so an editor never stands in a range.
//
// Sizing (goColSizing, goRowSizing): within the fixed rows, a column's
// boundary (its grid line and SizingMargin pixels either side, the nearest
// boundary winning, the later on a tie so a column dragged down to nothing
// can be dragged open again) shows crHSplit and a press drags it; row
// boundaries within the fixed columns likewise with crVSplit. The size
// follows the mouse; Esc or a lost capture puts it back.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/edits/Edit.h"

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
using TGetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, std::string& Value)>;
using TSetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, const std::string& Value)>;
class TInplaceEdit;

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;
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

  // On: the editor is wanted over the current cell (shown where
  // CanEditShow agrees). Turning it off commits the text.
  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool v);
  // nullptr until the first edit; owned by the grid.
  TInplaceEdit* InplaceEditor() const { return inplace_; }

  // Pixels either side of a boundary that still grab it for sizing.
  static constexpr int SizingMargin = 3;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
  virtual bool SelectCell(int ACol, int ARow);
  virtual void TopLeftChanged();
  virtual void SizeChanged(int /*OldColCount*/, int /*OldRowCount*/) {}
  // Called after widths or heights changed (by code or by dragging), once
  // the scroll bars and the editor have followed.
  virtual void ColWidthsChanged() {}
  virtual void RowHeightsChanged() {}
  // Whether the editor may show over the current cell.
  virtual bool CanEditShow();
  virtual std::string GetEditText(int /*ACol*/, int /*ARow*/) { return std::string(); }
  virtual void SetEditText(int /*ACol*/, int /*ARow*/, const std::string& /*Value*/) {}
  // The editor's MaxLength (0: none).
  virtual int GetEditLimit() { return 0; }
  void ShowEditor();
  void HideEditor();
  // The text of a cell changed other than through the editor: an editor
  // over that cell shows the new text.
  void CellTextChanged(int ACol, int ARow);
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(std::string& Key) override;
  void DoExit() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Recomputes the scroll bars and keeps TopRow/LeftCol in range.
  void UpdateScrollBars();

 private:
  friend class TInplaceEdit;
  enum class TSizingAxis { None, Col, Row };
  struct TSizingHit {
    TSizingAxis axis = TSizingAxis::None;
    int index = -1;
  };
  // Holds the editor's placement back while the grid moves several things
  // at once; the last step places it.
  struct TEditorLock {
    explicit TEditorLock(TCustomGrid* g) : grid(g), alive(g->AliveToken()) { ++g->editorLock_; }
    ~TEditorLock() {
      if (*alive) --grid->editorLock_;
    }
    TEditorLock(const TEditorLock&) = delete;
    TEditorLock& operator=(const TEditorLock&) = delete;
    TCustomGrid* grid;
    std::shared_ptr<const bool> alive;
  };
  bool RangeSelect() const { return (options_ & goRangeSelect) && !(options_ & goEditing); }
  bool FocusInGrid() const;
  // ---- Editor (Grids_Edit.cpp) ----
  bool EditorActive() const { return inplace_ && editCell_.X >= 0; }
  // Shows, moves or hides the editor after the current cell or the editor
  // mode changed; commits the text of the cell it leaves.
  void UpdateEdit();
  // Puts the editor over its cell, or hides it while the cell is out of view.
  void PlaceEditor();
  void HideEditorWindow();
  void LoadEditor(TGridCoord cell);
  void CommitEdit();
  // SetEditText with the editor's text, marked as coming from the editor.
  void WriteEditText(const std::string& text);
  void HideEdit(bool commit);
  void RestoreEdit();
  void EditorChanged();
  // The editor's cell is gone or became fixed: forget it without writing.
  void DropLostEditCell();
  // ---- Sizing (Grids_Sizing.cpp) ----
  TSizingHit SizingHitAt(int X, int Y) const;
  void BeginSizing(const TSizingHit& hit, int X, int Y);
  void MoveSizing(int X, int Y);
  void EndSizing(bool restore);
  bool SetSizingCursor(TMessage& Message);
  void ApplySize(TSizingAxis axis, int index, int size);

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

  TInplaceEdit* inplace_ = nullptr;
  bool editorMode_ = false;
  TGridCoord editCell_{-1, -1};  // the cell whose text the editor holds
  std::string editOriginal_;     // its text before the edit, for Esc
  bool editModified_ = false;    // changed since loaded or last committed
  int editorLock_ = 0;           // placement waits while the current cell moves
  bool editorBusy_ = false;      // the grid itself moves the focus
  bool writingEdit_ = false;     // inside SetEditText from the editor

  TSizingAxis sizingAxis_ = TSizingAxis::None;
  int sizingIndex_ = -1, sizingStart_ = 0, sizingOriginal_ = 0;
};

// The grid's in-place editor: a borderless edit over the current cell, a
// child of the grid. Up, Down, PgUp, PgDn, Enter, Esc (and Tab with goTabs)
// go to the grid; everything else edits the text.
class TInplaceEdit : public TEdit {
 public:
  explicit TInplaceEdit(TCustomGrid* AGrid);
  ~TInplaceEdit() override;
  std::string ClassName() const override { return "TInplaceEdit"; }
  // nullptr once the grid is going.
  TCustomGrid* Grid() const { return grid_; }
  void Dispatch(TMessage& Message) override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Change() override;

 private:
  friend class TCustomGrid;
  TCustomGrid* grid_;
  bool loading_ = false;  // the grid sets the text: not a user's change
};

class TDrawGrid : public TCustomGrid {
 public:
  explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
  std::string ClassName() const override { return "TDrawGrid"; }
  TGetEditEvent OnGetEditText;
  TSetEditEvent OnSetEditText;

 protected:
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;
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
  // Cells, then OnGetEditText / OnSetEditText.
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;

 private:
  struct Cell {
    std::string text;
    TObject* object = nullptr;
  };
  const Cell* Find(int c, int r) const;
  Cell& At(int c, int r);
  std::vector<std::vector<Cell>> cols_;  // [col][row], grown on first write
};

#include "platform/ui/lists/Grids.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks | csClickEvents;
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() {
  // The editor goes with the grid's children; from here on it must not
  // call back, and nothing may make a new one.
  Destroying();
  if (inplace_) inplace_->grid_ = nullptr;
  inplace_ = nullptr;
}

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;  // the editor keeps its pixels
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

// ---- Sizes ------------------------------------------------------------------------------

int TCustomGrid::ColWidths(int i) const {
  if (i < 0 || i >= colCount_) return 0;
  return i < int(colWidths_.size()) ? colWidths_[i] : defaultColWidth_;
}

int TCustomGrid::RowHeights(int i) const {
  if (i < 0 || i >= rowCount_) return 0;
  return i < int(rowHeights_.size()) ? rowHeights_[i] : defaultRowHeight_;
}

void TCustomGrid::SetColWidths(int i, int v) {
  if (i < 0 || i >= colCount_) throw EInvalidGridOperation("Grid index out of range");
  v = std::max(v, 0);
  if (int(colWidths_.size()) <= i) colWidths_.resize(colCount_, defaultColWidth_);
  if (colWidths_[i] == v) return;
  colWidths_[i] = v;
  auto alive = AliveToken();
  UpdateScrollBars();
  if (!*alive) return;
  Invalidate();
  ColWidthsChanged();
}

void TCustomGrid::SetRowHeights(int i, int v) {
  if (i < 0 || i >= rowCount_) throw EInvalidGridOperation("Grid index out of range");
  v = std::max(v, 0);
  if (int(rowHeights_.size()) <= i) rowHeights_.resize(rowCount_, defaultRowHeight_);
  if (rowHeights_[i] == v) return;
  rowHeights_[i] = v;
  auto alive = AliveToken();
  UpdateScrollBars();
  if (!*alive) return;
  Invalidate();
  RowHeightsChanged();
}

void TCustomGrid::SetDefaultColWidth(int v) {
  defaultColWidth_ = std::max(v, 0);
  colWidths_.clear();
  auto alive = AliveToken();
  UpdateScrollBars();
  if (!*alive) return;
  Invalidate();
  ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int v) {
  defaultRowHeight_ = std::max(v, 0);
  rowHeights_.clear();
  auto alive = AliveToken();
  UpdateScrollBars();
  if (!*alive) return;
  Invalidate();
  RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int v) {
  v = std::max(v, 0);
  if (v == gridLineWidth_) return;
  gridLineWidth_ = v;
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions v) {
  if (v == options_) return;
  const TGridOptions old = options_;
  options_ = v;
  selection_ = RangeOf(anchor_, cur_);
  Invalidate();
  if (!(v & goEditing)) {
    if (old & goEditing) HideEditor();
    return;
  }
  auto alive = AliveToken();
  if ((v & goAlwaysShowEditor) && FocusInGrid()) {
    ShowEditor();
    if (!*alive) return;
  }
  UpdateEdit();  // goRowSelect, for one, turns the editor off
}

void TCustomGrid::SetFixedColor(TColor v) {
  if (v == fixedColor_) return;
  fixedColor_ = v;
  Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool v) {
  if (v == defaultDrawing_) return;
  defaultDrawing_ = v;
  Invalidate();
}

void TCustomGrid::SetScrollBars(bool horizontal, bool vertical) {
  scrollH_ = horizontal;
  scrollV_ = vertical;
  UpdateScrollBars();
}

// ---- Counts -----------------------------------------------------------------------------

void TCustomGrid::SetColCount(int v) {
  if (v < 1) v = 1;
  if (v <= fixedCols_) fixedCols_ = v - 1;
  ChangeSize(v, rowCount_);
}

void TCustomGrid::SetRowCount(int v) {
  if (v < 1) v = 1;
  if (v <= fixedRows_) fixedRows_ = v - 1;
  ChangeSize(colCount_, v);
}

void TCustomGrid::SetFixedCols(int v) {
  if (v < 0 || v >= colCount_) throw EInvalidGridOperation("Fixed column count must be less than column count");
  fixedCols_ = v;
  ChangeSize(colCount_, rowCount_);
}

void TCustomGrid::SetFixedRows(int v) {
  if (v < 0 || v >= rowCount_) throw EInvalidGridOperation("Fixed row count must be less than row count");
  fixedRows_ = v;
  ChangeSize(colCount_, rowCount_);
}

void TCustomGrid::ChangeSize(int cols, int rows) {
  const int oldCols = colCount_, oldRows = rowCount_;
  colCount_ = cols;
  rowCount_ = rows;
  if (int(colWidths_.size()) > cols) colWidths_.resize(cols);
  if (int(rowHeights_.size()) > rows) rowHeights_.resize(rows);
  auto clampCoord = [&](TGridCoord& p) {
    p.X = std::clamp(p.X, fixedCols_, std::max(fixedCols_, cols - 1));
    p.Y = std::clamp(p.Y, fixedRows_, std::max(fixedRows_, rows - 1));
  };
  clampCoord(cur_);
  clampCoord(anchor_);
  clampCoord(topLeft_);
  selection_ = RangeOf(anchor_, cur_);
  DropLostEditCell();
  auto alive = AliveToken();
  {
    TEditorLock lock(this);
    SizeChanged(oldCols, oldRows);
    if (!*alive) return;
    UpdateScrollBars();
    if (!*alive) return;
  }
  Invalidate();
  UpdateEdit();
}

TGridRect TCustomGrid::RangeOf(TGridCoord a, TGridCoord b) const {
  TGridRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
  if (!RangeSelect()) r = TGridRect{b.X, b.Y, b.X, b.Y};
  if (options_ & goRowSelect) {
    r.Left = fixedCols_;
    r.Right = colCount_ - 1;
  }
  return r;
}

// ---- Geometry ---------------------------------------------------------------------------

int TCustomGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < fixedCols_; ++c) w += ColExtent(c);
  return w;
}

int TCustomGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < fixedRows_; ++r) h += RowExtent(r);
  return h;
}

int TCustomGrid::MaxLeftCol() const {
  const int room = ClientWidth() - FixedWidth();
  int used = 0, c = colCount_ - 1;
  for (; c >= fixedCols_; --c) {
    used += ColExtent(c);
    if (used > room) break;
  }
  // c is the first column that did not fit; the one after it is the answer.
  return std::clamp(c + 1, fixedCols_, std::max(fixedCols_, colCount_ - 1));
}

int TCustomGrid::MaxTopRow() const {
  const int room = ClientHeight() - FixedHeight();
  int used = 0, r = rowCount_ - 1;
  for (; r >= fixedRows_; --r) {
    used += RowExtent(r);
    if (used > room) break;
  }
  return std::clamp(r + 1, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
}

int TCustomGrid::ColX(int c) const {
  int x = 0;
  if (c < fixedCols_) {
    for (int i = 0; i < c; ++i) x += ColExtent(i);
    return x;
  }
  x = FixedWidth();
  for (int i = topLeft_.X; i < c; ++i) x += ColExtent(i);
  return x;
}

int TCustomGrid::RowY(int r) const {
  int y = 0;
  if (r < fixedRows_) {
    for (int i = 0; i < r; ++i) y += RowExtent(i);
    return y;
  }
  y = FixedHeight();
  for (int i = topLeft_.Y; i < r; ++i) y += RowExtent(i);
  return y;
}

int TCustomGrid::VisibleColCount() const {
  const int w = ClientWidth();
  int x = FixedWidth(), n = 0;
  for (int c = topLeft_.X; c < colCount_ && x + ColWidths(c) <= w; ++c, ++n) x += ColExtent(c);
  return n;
}

int TCustomGrid::VisibleRowCount() const {
  const int h = ClientHeight();
  int y = FixedHeight(), n = 0;
  for (int r = topLeft_.Y; r < rowCount_ && y + RowHeights(r) <= h; ++r, ++n) y += RowExtent(r);
  return n;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= rowCount_) return TRect{};
  if ((ACol >= fixedCols_ && ACol < topLeft_.X) || (ARow >= fixedRows_ && ARow < topLeft_.Y)) return TRect{};
  const int x = ColX(ACol), y = RowY(ARow);
  if (x >= ClientWidth() || y >= ClientHeight()) return TRect{};
  return TRect{x, y, x + ColWidths(ACol), y + RowHeights(ARow)};
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
  TGridCoord c = MouseCoord(X, Y);
  ACol = c.X;
  ARow = c.Y;
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
  TGridCoord out{-1, -1};
  if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return out;
  // A point on a cell's grid line belongs to that cell.
  auto find = [](int p, int count, int fixed, int first, auto extent) {
    int edge = 0;
    for (int i = 0; i < fixed; ++i) {
      edge += extent(i);
      if (p < edge) return i;
    }
    for (int i = first; i < count; ++i) {
      edge += extent(i);
      if (p < edge) return i;
    }
    return -1;
  };
  const int c = find(X, colCount_, fixedCols_, topLeft_.X, [this](int i) { return ColExtent(i); });
  const int r = find(Y, rowCount_, fixedRows_, topLeft_.Y, [this](int i) { return RowExtent(i); });
  if (c < 0 || r < 0) return out;
  return TGridCoord{c, r};
}

// ---- Scrolling --------------------------------------------------------------------------

void TCustomGrid::UpdateScrollBars() {
  if (updatingBars_) return;
  updatingBars_ = true;
  if (HandleAllocated()) {
    HWND h = Handle();
    // Showing one bar narrows the client and may call for the other: repeat
    // until the client size no longer changes.
    for (int pass = 0; pass < 3; ++pass) {
      const TRect before = ClientRect();
      auto set = [&](int bar, bool allowed, int first, int count, int maxPos) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = first;
        si.nMax = std::max(first, count - 1);
        si.nPage = allowed && maxPos > first ? UINT(count - maxPos) : UINT(si.nMax - first + 1);
        si.nPos = bar == SB_VERT ? topLeft_.Y : topLeft_.X;
        if (!allowed || maxPos <= first) {
          si.nMin = 0;
          si.nMax = 0;
          si.nPage = 0;
          si.nPos = 0;
        }
        SetScrollInfo(h, bar, &si, TRUE);
      };
      set(SB_HORZ, scrollH_, fixedCols_, colCount_, MaxLeftCol());
      set(SB_VERT, scrollV_, fixedRows_, rowCount_, MaxTopRow());
      if (ClientRect() == before) break;
    }
  }
  updatingBars_ = false;
  // A larger client (or fewer cells) may leave the top-left past its end.
  const TGridCoord clamped{std::min(topLeft_.X, MaxLeftCol()), std::min(topLeft_.Y, MaxTopRow())};
  if (!(clamped == topLeft_)) MoveTopLeft(clamped.X, clamped.Y);
  // Sizes and the client decide where the editor's cell is.
  PlaceEditor();
}

void TCustomGrid::MoveTopLeft(int c, int r) {
  c = std::clamp(c, fixedCols_, MaxLeftCol());
  r = std::clamp(r, fixedRows_, MaxTopRow());
  if (c == topLeft_.X && r == topLeft_.Y) return;
  topLeft_ = TGridCoord{c, r};
  if (HandleAllocated()) {
    if (scrollH_) ::SetScrollPos(Handle(), SB_HORZ, c, TRUE);
    if (scrollV_) ::SetScrollPos(Handle(), SB_VERT, r, TRUE);
  }
  Invalidate();
  PlaceEditor();
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::ClampInView() {
  TGridCoord tl = topLeft_;
  if (cur_.X < tl.X) tl.X = cur_.X;
  if (cur_.Y < tl.Y) tl.Y = cur_.Y;
  // Move the top-left on until the current cell fits (or is the first one).
  auto fits = [](int from, int to, int room, auto extent, auto size) {
    int used = 0;
    for (int i = from; i < to; ++i) used += extent(i);
    return used + size(to) <= room;
  };
  const int roomW = ClientWidth() - FixedWidth(), roomH = ClientHeight() - FixedHeight();
  while (tl.X < cur_.X && !fits(tl.X, cur_.X, roomW, [this](int i) { return ColExtent(i); },
                                [this](int i) { return ColWidths(i); }))
    ++tl.X;
  while (tl.Y < cur_.Y && !fits(tl.Y, cur_.Y, roomH, [this](int i) { return RowExtent(i); },
                                [this](int i) { return RowHeights(i); }))
    ++tl.Y;
  MoveTopLeft(tl.X, tl.Y);
}

void TCustomGrid::Scroll(bool horizontal, WPARAM wp) {
  const int code = LOWORD(wp);
  const int bar = horizontal ? SB_HORZ : SB_VERT;
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  if (!GetScrollInfo(Handle(), bar, &si)) return;
  // Thumb requests carry the position in the high word, as the bar's own
  // tracking sends them and as a mirroring bar may.
  int pos = horizontal ? topLeft_.X : topLeft_.Y;
  const int page = std::max(1, horizontal ? VisibleColCount() : VisibleRowCount());
  switch (code) {
    case SB_LINEUP: --pos; break;
    case SB_LINEDOWN: ++pos; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
      if (!(options_ & goThumbTracking)) return;
      pos = HIWORD(wp);
      break;
    case SB_THUMBPOSITION: pos = HIWORD(wp); break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = horizontal ? colCount_ : rowCount_; break;
    default: return;
  }
  if (horizontal) MoveTopLeft(pos, topLeft_.Y);
  else MoveTopLeft(topLeft_.X, pos);
}

// ---- Current cell and selection -------------------------------------------------------

bool TCustomGrid::SelectCell(int ACol, int ARow) {
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  return can;
}

void TCustomGrid::FocusCell(int c, int r, bool moveAnchor) {
  if (colCount_ <= fixedCols_ || rowCount_ <= fixedRows_) return;
  c = std::clamp(c, fixedCols_, colCount_ - 1);
  r = std::clamp(r, fixedRows_, rowCount_ - 1);
  auto alive = AliveToken();
  if (!(c == cur_.X && r == cur_.Y)) {
    CommitEdit();
    if (!*alive) return;
    if (!SelectCell(c, r) || !*alive) return;
  }
  cur_ = TGridCoord{c, r};
  if (moveAnchor || !RangeSelect()) anchor_ = cur_;
  selection_ = RangeOf(anchor_, cur_);
  Invalidate();
  {
    // The editor moves once, after the scrolling, straight to the new cell.
    TEditorLock lock(this);
    ClampInView();
    if (!*alive) return;
  }
  UpdateEdit();
}

void TCustomGrid::SetSelection(const TGridRect& v) {
  TGridRect s{std::clamp(v.Left, fixedCols_, colCount_ - 1), std::clamp(v.Top, fixedRows_, rowCount_ - 1),
              std::clamp(v.Right, fixedCols_, colCount_ - 1), std::clamp(v.Bottom, fixedRows_, rowCount_ - 1)};
  FocusCell(s.Left, s.Top, true);
  if (!(cur_ == TGridCoord{s.Left, s.Top})) return;  // refused
  anchor_ = TGridCoord{s.Right, s.Bottom};
  selection_ = RangeOf(anchor_, cur_);
  Invalidate();
}

// ---- Input ------------------------------------------------------------------------------

bool TCustomGrid::FocusInGrid() const {
  if (!HandleAllocated()) return false;
  HWND focus = GetFocus();
  return focus && (focus == const_cast<TCustomGrid*>(this)->Handle() ||
                   (inplace_ && inplace_->HandleAllocated() && focus == inplace_->Handle()));
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  if (Button == TMouseButton::mbLeft && CanFocus() && !FocusInGrid()) {
    SetFocus();
    if (!*alive) return;
  }
  if (Button == TMouseButton::mbLeft) {
    // A boundary in the fixed cells sizes before anything selects.
    const TSizingHit hit = SizingHitAt(X, Y);
    if (hit.axis != TSizingAxis::None) {
      BeginSizing(hit, X, Y);
    } else {
      TGridCoord cell = MouseCoord(X, Y);
      if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
        const bool extend = (Shift & ssShift) && RangeSelect();
        FocusCell(cell.X, cell.Y, !extend);
        if (!*alive) return;
        if ((Shift & ssDouble) && (options_ & goEditing) && cell == cur_) {
          ShowEditor();
          if (!*alive) return;
        } else {
          selecting_ = true;
        }
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  if (sizingAxis_ != TSizingAxis::None) {
    auto alive = AliveToken();
    MoveSizing(X, Y);
    if (!*alive) return;
  } else if (selecting_ && RangeSelect()) {
    TGridCoord cell = MouseCoord(std::clamp(X, 0, std::max(0, ClientWidth() - 1)),
                                 std::clamp(Y, 0, std::max(0, ClientHeight() - 1)));
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && !(cell == cur_)) {
      auto alive = AliveToken();
      FocusCell(cell.X, cell.Y, false);
      if (!*alive) return;
    }
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) selecting_ = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TCustomControl::KeyDown(Key, Shift);
  if (!*alive || Key == 0) return;
  if (sizingAxis_ != TSizingAxis::None) {
    if (Key == VK_ESCAPE) EndSizing(true);
    return;
  }
  switch (Key) {
    case VK_F2:
      if (options_ & goEditing) ShowEditor();
      return;
    case VK_RETURN:
      if (EditorActive()) {
        CommitEdit();
        if (!*alive) return;
        if (options_ & goAlwaysShowEditor) {
          if (inplace_) inplace_->SelectAll();
        } else {
          HideEditor();
        }
      } else if (options_ & goEditing) {
        ShowEditor();
      }
      return;
    case VK_ESCAPE: RestoreEdit(); return;
    default: break;
  }
  const bool extend = (Shift & ssShift) && RangeSelect();
  TGridCoord to = cur_;
  const bool rowSelect = options_ & goRowSelect;
  switch (Key) {
    case VK_LEFT: if (rowSelect) MoveTopLeft(topLeft_.X - 1, topLeft_.Y); else --to.X; break;
    case VK_RIGHT: if (rowSelect) MoveTopLeft(topLeft_.X + 1, topLeft_.Y); else ++to.X; break;
    case VK_UP: --to.Y; break;
    case VK_DOWN: ++to.Y; break;
    case VK_PRIOR: to.Y -= std::max(1, VisibleRowCount()); break;
    case VK_NEXT: to.Y += std::max(1, VisibleRowCount()); break;
    case VK_HOME:
      if (Shift & ssCtrl) to.Y = fixedRows_;
      to.X = fixedCols_;
      break;
    case VK_END:
      if (Shift & ssCtrl) to.Y = rowCount_ - 1;
      to.X = colCount_ - 1;
      break;
    case VK_TAB:
      if (!(options_ & goTabs)) return;
      if (Shift & ssShift) {
        if (--to.X < fixedCols_) {
          to.X = colCount_ - 1;
          --to.Y;
        }
      } else if (++to.X >= colCount_) {
        to.X = fixedCols_;
        ++to.Y;
      }
      if (to.Y < fixedRows_ || to.Y >= rowCount_) return;
      FocusCell(to.X, to.Y, true);
      return;
    default: return;
  }
  FocusCell(to.X, to.Y, !extend);
}

void TCustomGrid::KeyPress(std::string& Key) {
  auto alive = AliveToken();
  TCustomControl::KeyPress(Key);
  if (!*alive || Key.empty() || !(options_ & goEditing)) return;
  char32_t ch = 0;
  if (!DecodeUtf8Char(Key, 0, ch) || ch < 32 || ch == 127) return;
  ShowEditor();
  if (!*alive || !EditorActive() || !inplace_->Visible()) return;
  // Typed as the editor's own: the selected text goes, limits apply.
  SendMessage(inplace_->Handle(), WM_CHAR, WPARAM(ch), 0);
  if (*alive) Key.clear();
}

void TCustomGrid::DoExit() {
  auto alive = AliveToken();
  if (options_ & goAlwaysShowEditor) CommitEdit();
  else HideEditor();
  if (*alive) TCustomControl::DoExit();
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  FocusCell(cur_.X, cur_.Y + 1, true);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  FocusCell(cur_.X, cur_.Y - 1, true);
  return true;
}

void TCustomGrid::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | ((options_ & goTabs) ? DLGC_WANTTAB : 0) |
                       ((options_ & goEditing) ? DLGC_WANTCHARS : 0);
      return;
    case CM_WANTSPECIALKEY:
      // Esc ends a drag rather than closing the dialog.
      Message.Result = Message.WParam == VK_ESCAPE && sizingAxis_ != TSizingAxis::None;
      if (Message.Result) return;
      break;
    case WM_SETCURSOR:
      if (SetSizingCursor(Message)) return;
      break;
    case WM_LBUTTONUP:
      if (sizingAxis_ != TSizingAxis::None) {
        auto alive = AliveToken();
        MoveSizing(Message.XPos(), Message.YPos());
        if (!*alive) return;
        // Ended before the capture goes, which would otherwise cancel it.
        EndSizing(false);
        if (!*alive) return;
      }
      break;
    case WM_CAPTURECHANGED:
      if (sizingAxis_ != TSizingAxis::None) {
        auto alive = AliveToken();
        EndSizing(true);
        if (!*alive) return;
      }
      break;
    case WM_SETFOCUS: {
      Invalidate();
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (!*alive || editorBusy_) return;
      if ((options_ & goEditing) && (options_ & goAlwaysShowEditor)) ShowEditor();
      else PlaceEditor();  // an editor in view takes the focus over
      return;
    }
    case WM_ERASEBKGND:
      Message.Result = 1;  // Paint covers every pixel
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (Message.LParam == 0) {
        Scroll(Message.Msg == WM_HSCROLL, Message.WParam);
        return;
      }
      break;
    case WM_KILLFOCUS:
      Invalidate();  // the focused cell's look follows the focus
      break;
    case CM_CANCELMODE:
      selecting_ = false;
      if (sizingAxis_ != TSizingAxis::None && reinterpret_cast<TControl*>(Message.LParam) != this) {
        auto alive = AliveToken();
        EndSizing(true);
        if (!*alive) return;
      }
      break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE) UpdateScrollBars();
  else if (Message.Msg == CM_FONTCHANGED) Invalidate();
}

// ---- Painting ---------------------------------------------------------------------------

void TCustomGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomGrid::DrawLines(HDC dc, const TRect& cell, bool fixed, bool vert, bool horz) {
  if (gridLineWidth_ <= 0) return;
  const TColor line = fixed ? clBtnShadow : clBtnFace;
  const TColor gap = fixed ? fixedColor_ : Color();
  const int w = gridLineWidth_;
  FillSolid(dc, TRect{cell.Right, cell.Top, cell.Right + w, cell.Bottom + w}, vert ? line : gap);
  FillSolid(dc, TRect{cell.Left, cell.Bottom, cell.Right + w, cell.Bottom + w}, horz ? line : gap);
}

void TCustomGrid::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  HDC dc = canvas->Handle();
  const TRect client = ClientRect();
  const bool focused = Focused();
  const TRect clip = canvas->ClipRect();
  // Visible columns and rows: the fixed ones, then from the top-left on.
  auto collect = [](int count, int fixed, int first, int limit, auto extent) {
    std::vector<int> out;
    int edge = 0;
    for (int i = 0; i < count && edge < limit; ++i) {
      if (i == fixed && first > i) i = first;
      if (i >= count) break;
      out.push_back(i);
      edge += extent(i);
    }
    return out;
  };
  const std::vector<int> cols = collect(colCount_, fixedCols_, topLeft_.X, client.Width(),
                                        [this](int i) { return ColExtent(i); });
  const std::vector<int> rows = collect(rowCount_, fixedRows_, topLeft_.Y, client.Height(),
                                        [this](int i) { return RowExtent(i); });
  auto alive = AliveToken();
  int y = 0, right = 0, bottom = 0;
  for (int r : rows) {
    int x = 0;
    for (int c : cols) {
      const TRect cell{x, y, x + ColWidths(c), y + RowHeights(r)};
      x += ColExtent(c);
      right = x;
      if (cell.Right + gridLineWidth_ <= clip.Left || cell.Left >= clip.Right ||
          cell.Bottom + gridLineWidth_ <= clip.Top || cell.Top >= clip.Bottom)
        continue;
      const bool fixed = c < fixedCols_ || r < fixedRows_;
      TGridDrawState state = 0;
      if (fixed) state |= gdFixed;
      else {
        if (selection_.Contains(c, r)) state |= gdSelected;
        if (c == cur_.X && r == cur_.Y && focused) state |= gdFocused;
      }
      if (defaultDrawing_) {
        // The focused cell keeps the window colour unless asked otherwise.
        const bool highlighted = !fixed && (state & gdSelected) &&
                                 (!(state & gdFocused) || (options_ & (goDrawFocusSelected | goRowSelect)));
        canvas->Brush()->SetColor(fixed ? fixedColor_ : highlighted ? clHighlight : Color());
        canvas->Font()->SetColor(highlighted ? clHighlightText : Font()->Color());
        canvas->FillRect(cell);
      }
      DrawCell(c, r, cell, state);
      if (!*alive) return;
      if (defaultDrawing_ && fixed) {
        TRect edge = cell;
        DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
      }
      if (defaultDrawing_ && (state & gdFocused) && !(options_ & goRowSelect)) DrawFocusRect(dc, &cell);
      const bool vert = fixed ? (options_ & goFixedVertLine) : (options_ & goVertLine);
      const bool horz = fixed ? (options_ & goFixedHorzLine) : (options_ & goHorzLine);
      DrawLines(dc, cell, fixed, vert, horz);
    }
    y += RowExtent(r);
    bottom = y;
  }
  if (focused && defaultDrawing_ && (options_ & goRowSelect)) {
    TRect rowRect = CellRect(fixedCols_ < colCount_ ? std::max(fixedCols_, topLeft_.X) : 0, cur_.Y);
    if (!rowRect.IsEmpty()) {
      rowRect.Right = right - gridLineWidth_;
      DrawFocusRect(dc, &rowRect);
    }
  }
  // The area past the last cell.
  FillSolid(dc, TRect{right, 0, client.Right, client.Bottom}, Color());
  FillSolid(dc, TRect{0, bottom, right, client.Bottom}, Color());
}

// ---- TStringGrid --------------------------------------------------------------------------

const TStringGrid::Cell* TStringGrid::Find(int c, int r) const {
  if (c < 0 || c >= int(cols_.size()) || r < 0 || r >= int(cols_[c].size())) return nullptr;
  return &cols_[c][r];
}

TStringGrid::Cell& TStringGrid::At(int c, int r) {
  if (c < 0 || r < 0 || c >= ColCount() || r >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
  if (int(cols_.size()) <= c) cols_.resize(c + 1);
  if (int(cols_[c].size()) <= r) cols_[c].resize(r + 1);
  return cols_[c][r];
}

std::string TStringGrid::Cells(int ACol, int ARow) const {
  const Cell* cell = Find(ACol, ARow);
  return cell ? cell->text : std::string();
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& v) {
  Cell& cell = At(ACol, ARow);
  if (cell.text == v) return;
  cell.text = v;
  if (HandleAllocated()) {
    const TRect r = CellRect(ACol, ARow);
    if (!r.IsEmpty()) InvalidateRect(Handle(), &r, FALSE);
  }
  CellTextChanged(ACol, ARow);
}

TObject* TStringGrid::Objects(int ACol, int ARow) const {
  const Cell* cell = Find(ACol, ARow);
  return cell ? cell->object : nullptr;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject* v) { At(ACol, ARow).object = v; }

void TStringGrid::SizeChanged(int, int) {
  if (int(cols_.size()) > ColCount()) cols_.resize(ColCount());
  for (auto& col : cols_)
    if (int(col.size()) > RowCount()) col.resize(RowCount());
}

std::string TStringGrid::GetEditText(int ACol, int ARow) {
  std::string v = Cells(ACol, ARow);
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, v);
  return v;
}

void TStringGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return;
  SetCells(ACol, ARow, Value);
  TDrawGrid::SetEditText(ACol, ARow, Value);
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
  TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

// The grid's in-place editor: when it shows, where it stands, and how its
// text goes back to the cells (see Grids.h for the rules).
#include <algorithm>

#include "platform/ui/lists/Grids.h"
#include "platform/user/User.h"

// ---- TInplaceEdit -----------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TCustomGrid* AGrid) : TEdit(AGrid), grid_(AGrid) {
  SetVisible(false);
  SetBorderStyle(bsNone);
  SetTabStop(false);
  SetParent(AGrid);
}

TInplaceEdit::~TInplaceEdit() {
  // Freed by someone else while the grid lives: the grid forgets it first.
  if (grid_ && grid_->inplace_ == this) {
    grid_->inplace_ = nullptr;
    grid_->editCell_ = TGridCoord{-1, -1};
    grid_->editModified_ = false;
  }
}

void TInplaceEdit::Dispatch(TMessage& Message) {
  TEdit::Dispatch(Message);
  if (Message.Msg == WM_GETDLGCODE) {
    // Enter and Esc end the edit rather than press the dialog's buttons.
    Message.Result |= DLGC_WANTALLKEYS;
    if (grid_ && (grid_->Options() & goTabs)) Message.Result |= DLGC_WANTTAB;
  }
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TEdit::KeyDown(Key, Shift);
  if (!*alive || Key == 0 || !grid_) return;
  bool toGrid = false;
  switch (Key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_RETURN: case VK_ESCAPE: toGrid = true; break;
    case VK_TAB: toGrid = (grid_->Options() & goTabs) != 0; break;
    default: break;
  }
  if (!toGrid) return;
  grid_->KeyDown(Key, Shift);
  if (*alive) Key = 0;
}

void TInplaceEdit::Change() {
  auto alive = AliveToken();
  TEdit::Change();
  if (*alive && grid_ && !loading_) grid_->EditorChanged();
}

// ---- Edit text hooks ----------------------------------------------------------------------

bool TCustomGrid::CanEditShow() {
  return (options_ & goEditing) && !(options_ & goRowSelect) && HandleAllocated() &&
         !(ComponentState() & csDestroying) && cur_.X >= fixedCols_ && cur_.Y >= fixedRows_ &&
         cur_.X < colCount_ && cur_.Y < rowCount_;
}

std::string TDrawGrid::GetEditText(int ACol, int ARow) {
  std::string v;
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, v);
  return v;
}

void TDrawGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
  // A copy: the handler may free the grid and its OnSetEditText with it.
  if (TSetEditEvent h = OnSetEditText) h(this, ACol, ARow, Value);
}

// ---- Editor mode ------------------------------------------------------------------------

void TCustomGrid::SetEditorMode(bool v) {
  if (v) ShowEditor();
  else HideEditor();
}

void TCustomGrid::ShowEditor() {
  if (!CanEditShow()) return;
  auto alive = AliveToken();
  editorMode_ = true;
  ClampInView();
  if (!*alive) return;
  UpdateEdit();
}

void TCustomGrid::HideEditor() {
  editorMode_ = false;
  HideEdit(true);
}

void TCustomGrid::UpdateEdit() {
  if (!editorMode_ || !CanEditShow()) {
    // The mode stays: the editor comes back on the next editable cell.
    HideEdit(true);
    return;
  }
  auto alive = AliveToken();
  if (!(editCell_ == cur_)) {
    CommitEdit();
    if (!*alive) return;
    LoadEditor(cur_);
    if (!*alive) return;
  }
  PlaceEditor();
}

void TCustomGrid::LoadEditor(TGridCoord cell) {
  auto alive = AliveToken();
  const std::string text = GetEditText(cell.X, cell.Y);
  if (!*alive) return;
  const int limit = GetEditLimit();
  if (!*alive) return;
  if (!inplace_) inplace_ = new TInplaceEdit(this);
  TInplaceEdit* e = inplace_;
  auto editAlive = e->AliveToken();
  e->SetColor(Color());
  e->SetMaxLength(std::max(0, limit));
  e->loading_ = true;
  e->SetText(text);
  if (!*editAlive || !*alive) return;
  e->loading_ = false;
  // Undo must not reach the text of the cell before.
  e->ClearUndo();
  editCell_ = cell;
  editOriginal_ = text;
  editModified_ = false;
  e->SelectAll();
}

void TCustomGrid::PlaceEditor() {
  if (!inplace_ || editorLock_ > 0) return;
  if (!EditorActive()) {
    HideEditorWindow();
    return;
  }
  const TRect r = CellRect(editCell_.X, editCell_.Y);
  if (r.IsEmpty()) {
    HideEditorWindow();
    return;
  }
  auto alive = AliveToken();
  const bool focusIn = FocusInGrid();
  inplace_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  if (!*alive || !inplace_) return;
  inplace_->SetVisible(true);
  if (!*alive || !inplace_) return;
  if (focusIn && !inplace_->Focused() && inplace_->CanFocus()) {
    editorBusy_ = true;
    inplace_->SetFocus();
    if (*alive) editorBusy_ = false;
  }
}

void TCustomGrid::HideEditorWindow() {
  if (!inplace_ || !inplace_->Visible()) return;
  auto alive = AliveToken();
  // The focus goes back to the grid rather than out of it.
  if (inplace_->Focused() && HandleAllocated()) {
    editorBusy_ = true;
    ::SetFocus(Handle());
    if (!*alive) return;
    editorBusy_ = false;
  }
  if (inplace_) inplace_->SetVisible(false);
}

void TCustomGrid::CommitEdit() {
  if (!EditorActive() || !editModified_) return;
  editModified_ = false;
  const std::string text = inplace_->Text();
  editOriginal_ = text;
  WriteEditText(text);
}

void TCustomGrid::WriteEditText(const std::string& text) {
  auto alive = AliveToken();
  const bool outer = writingEdit_;
  writingEdit_ = true;
  SetEditText(editCell_.X, editCell_.Y, text);
  if (*alive) writingEdit_ = outer;
}

void TCustomGrid::CellTextChanged(int ACol, int ARow) {
  if (writingEdit_ || !EditorActive() || !(editCell_ == TGridCoord{ACol, ARow})) return;
  // The code's text wins over an edit in progress, as a reload does.
  LoadEditor(editCell_);
}

void TCustomGrid::HideEdit(bool commit) {
  if (!inplace_) return;
  auto alive = AliveToken();
  if (commit) {
    CommitEdit();
    if (!*alive) return;
  }
  editCell_ = TGridCoord{-1, -1};
  editModified_ = false;
  HideEditorWindow();
}

void TCustomGrid::RestoreEdit() {
  if (!EditorActive()) return;
  auto alive = AliveToken();
  if (inplace_->Text() != editOriginal_) {
    // Through SetEditText like the typing, so the cell has its text back.
    inplace_->SetText(editOriginal_);
    if (!*alive || !EditorActive()) return;
  }
  editModified_ = false;
  if (options_ & goAlwaysShowEditor) inplace_->SelectAll();
  else HideEditor();
}

void TCustomGrid::EditorChanged() {
  if (!EditorActive()) return;
  editModified_ = true;
  WriteEditText(inplace_->Text());
}

void TCustomGrid::DropLostEditCell() {
  if (editCell_.X < 0) return;
  if (editCell_.X >= fixedCols_ && editCell_.Y >= fixedRows_ && editCell_.X < colCount_ && editCell_.Y < rowCount_)
    return;
  editCell_ = TGridCoord{-1, -1};
  editModified_ = false;
}

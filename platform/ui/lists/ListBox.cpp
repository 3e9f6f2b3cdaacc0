#include "platform/ui/lists/ListBox.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/ListBox_Internal.h"

using namespace listbox;


// ---- TListBoxStrings ------------------------------------------------------------------

int TListBoxStrings::Count() const { return listBox_->Count(); }

std::string TListBoxStrings::Strings(int index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
  return listBox_->data_[std::size_t(index)].Text;
}

void TListBoxStrings::Put(int index, const std::string& s) {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
  if (listBox_->Sorted()) {
    // A new text may belong elsewhere: take the item out and add it again.
    TObject* object = Objects(index);
    Delete(index);
    AddObject(s, object);
    return;
  }
  listBox_->data_[std::size_t(index)].Text = s;
  listBox_->InvalidateItem(index);
}

TObject* TListBoxStrings::Objects(int index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
  return listBox_->data_[std::size_t(index)].Object;
}

void TListBoxStrings::PutObject(int index, TObject* object) {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
  listBox_->ListMessage(LB_SETITEMDATA, WPARAM(index), reinterpret_cast<LPARAM>(object));
}

int TListBoxStrings::Add(const std::string& s) {
  LRESULT r = listBox_->ListMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  if (r < 0) throw EOutOfResources("Cannot add a list box item");
  return int(r);
}

void TListBoxStrings::Insert(int index, const std::string& s) {
  // An insert at an index would break the order, so sorted lists refuse it.
  if (listBox_->Sorted()) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
  listBox_->ListMessage(LB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(s.c_str()));
}

void TListBoxStrings::Delete(int index) {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
  listBox_->ListMessage(LB_DELETESTRING, WPARAM(index), 0);
}

void TListBoxStrings::Clear() { listBox_->ListMessage(LB_RESETCONTENT, 0, 0); }

void TListBoxStrings::Exchange(int index1, int index2) {
  if (index1 < 0 || index1 >= Count()) Error("List index out of bounds (%d)", index1);
  if (index2 < 0 || index2 >= Count()) Error("List index out of bounds (%d)", index2);
  auto& a = listBox_->data_[std::size_t(index1)];
  auto& b = listBox_->data_[std::size_t(index2)];
  std::swap(a.Text, b.Text);
  std::swap(a.Object, b.Object);
  std::swap(a.Height, b.Height);
  listBox_->Invalidate();
}

void TListBoxStrings::SetUpdateState(bool updating) {
  listBox_->updateCount_ += updating ? 1 : -1;
  if (!updating && listBox_->updateCount_ == 0) {
    listBox_->UpdateScrollBar();
    listBox_->Invalidate();
  }
}

// ---- TCustomListBox: construction and properties -------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<TListBoxStrings>(this)) {
  // Clicks come from selection changes, not from presses.
  ControlStyle = csSetCaption | csDoubleClicks | csOpaque | csCaptureMouse;
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= columns_ > 0 ? WS_HSCROLL : WS_VSCROLL;
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
  TCustomControl::CreateWnd();
  hasHScroll_ = (GetWindowLongPtr(Handle(), GWL_STYLE) & WS_HSCROLL) != 0;
  UpdateScrollBar();
}

LRESULT TCustomListBox::ListMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (HandleAllocated()) return SendMessage(Handle(), Msg, WParam, LParam);
  return Perform(Msg, WParam, LParam);
}

int TCustomListBox::ItemIndex() const { return caret_; }

void TCustomListBox::SetItemIndex(int v) {
  if (v < -1 || v >= Count()) v = -1;
  if (multiSelect_) {
    // Multi-selection lists move the caret only, leaving the selection.
    int old = caret_;
    caret_ = v;
    if (v >= 0) anchor_ = v;
    InvalidateItem(old);
    InvalidateItem(v);
  } else {
    CollapseSelectionTo(v);
  }
  if (v >= 0) MakeVisible(v);
}

void TCustomListBox::CollapseSelectionTo(int Index) {
  for (int i = 0; i < Count(); ++i) {
    bool sel = i == Index;
    if (data_[std::size_t(i)].Selected != sel) {
      data_[std::size_t(i)].Selected = sel;
      InvalidateItem(i);
    }
  }
  InvalidateItem(caret_);
  caret_ = Index;
  anchor_ = Index;
  InvalidateItem(Index);
}

int TCustomListBox::ItemHeight() const {
  if (itemHeight_ > 0) return itemHeight_;
  return FixedHeight();
}

void TCustomListBox::SetItemHeight(int v) {
  if (v <= 0 || v > kMaxItemHeight || v == itemHeight_) return;
  itemHeight_ = v;
  UpdateScrollBar();
  Invalidate();
}

int TCustomListBox::FixedHeight() const {
  if (itemHeight_ > 0) return itemHeight_;
  if (style_ != lbStandard) return kOwnerDrawDefaultHeight;
  if (fontHeight_ <= 0) fontHeight_ = std::max(1, TextCellHeight(Font()));
  return fontHeight_;
}

int TCustomListBox::HeightOf(int Index) const {
  if (style_ == lbOwnerDrawVariable && columns_ == 0) return data_[std::size_t(Index)].Height;
  return FixedHeight();
}

void TCustomListBox::SetStyle(TListBoxStyle v) {
  if (v == style_) return;
  style_ = v;
  if (style_ == lbOwnerDrawVariable)
    for (int i = 0; i < Count(); ++i) MeasureItem(i, data_[std::size_t(i)].Height);
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetSorted(bool v) {
  if (v == sorted_) return;
  sorted_ = v;
  if (!v || data_.size() < 2) return;
  std::vector<std::size_t> order(data_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return AnsiCompareText(data_[a].Text, data_[b].Text) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(data_.size());
  int newCaret = -1, newAnchor = -1;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (int(order[i]) == caret_) newCaret = int(i);
    if (int(order[i]) == anchor_) newAnchor = int(i);
    sorted.push_back(std::move(data_[order[i]]));
  }
  data_ = std::move(sorted);
  caret_ = newCaret;
  anchor_ = newAnchor;
  Invalidate();
}

void TCustomListBox::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  if (!v) CollapseSelectionTo(caret_ >= 0 && data_[std::size_t(caret_)].Selected ? caret_ : -1);
}

void TCustomListBox::SetExtendedSelect(bool v) { extendedSelect_ = v; }

void TCustomListBox::SetColumns(int v) {
  v = std::max(0, v);
  if (v == columns_) return;
  bool recreate = (v == 0) != (columns_ == 0);
  columns_ = v;
  top_ = 0;
  if (recreate && HandleAllocated()) RecreateWnd();
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetBorderStyle(TBorderStyle v) {
  if (v != bsNone) v = bsSingle;
  if (v == borderStyle_) return;
  borderStyle_ = v;
  if (HandleAllocated()) RecreateWnd();
}

bool TCustomListBox::Selected(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return data_[std::size_t(Index)].Selected;
}

void TCustomListBox::SetSelected(int Index, bool v) {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  if (!multiSelect_) {
    if (v) CollapseSelectionTo(Index);
    else if (caret_ == Index) CollapseSelectionTo(-1);
    return;
  }
  if (data_[std::size_t(Index)].Selected == v) return;
  data_[std::size_t(Index)].Selected = v;
  InvalidateItem(Index);
}

int TCustomListBox::SelCount() const {
  if (!multiSelect_) return -1;  // as LB_GETSELCOUNT answers single-selection lists
  return int(std::count_if(data_.begin(), data_.end(), [](const TItem& i) { return i.Selected; }));
}

void TCustomListBox::SelectAll() {
  if (!multiSelect_) return;
  SelectRange(0, Count() - 1, true);
}

void TCustomListBox::ClearSelection() {
  if (!multiSelect_) {
    CollapseSelectionTo(-1);
    return;
  }
  SelectRange(0, Count() - 1, false);
}

void TCustomListBox::DeleteSelected() {
  for (int i = Count() - 1; i >= 0; --i)
    if (data_[std::size_t(i)].Selected) items_->Delete(i);
}

bool TCustomListBox::SelectRange(int From, int To, bool Select) {
  if (From > To) std::swap(From, To);
  From = std::max(From, 0);
  To = std::min(To, Count() - 1);
  bool changed = false;
  for (int i = From; i <= To; ++i) {
    if (data_[std::size_t(i)].Selected == Select) continue;
    data_[std::size_t(i)].Selected = Select;
    InvalidateItem(i);
    changed = true;
  }
  return changed;
}

// ---- Layout ----------------------------------------------------------------------------

int TCustomListBox::RowsPerColumn() const { return std::max(1, ClientHeight() / FixedHeight()); }

TRect TCustomListBox::ItemRect(int Index) const {
  if (Index < 0 || Index >= Count()) return TRect{};
  const int h = FixedHeight();
  if (columns_ > 0) {
    const int rows = RowsPerColumn();
    const int colWidth = std::max(1, ClientWidth() / columns_);
    const int col = Index / rows - top_ / rows;
    const int row = Index % rows;
    return TRect{col * colWidth, row * h, (col + 1) * colWidth, (row + 1) * h};
  }
  // Items span the extent when it is wider than the client area.
  const int left = -scrollX_, right = std::max(ClientWidth(), ScrollsSideways() ? hExtent_ : 0) - scrollX_;
  if (style_ != lbOwnerDrawVariable) {
    const int y = (Index - top_) * h;
    return TRect{left, y, right, y + h};
  }
  int y = 0;
  if (Index >= top_) {
    for (int i = top_; i < Index; ++i) y += data_[std::size_t(i)].Height;
  } else {
    for (int i = Index; i < top_; ++i) y -= data_[std::size_t(i)].Height;
  }
  return TRect{left, y, right, y + HeightOf(Index)};
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) const {
  const int past = Existing ? -1 : Count();
  if (!ClientRect().Contains(Pos)) return past;
  int index = -1;
  if (columns_ > 0) {
    const int rows = RowsPerColumn();
    const int colWidth = std::max(1, ClientWidth() / columns_);
    const int row = Pos.Y / FixedHeight();
    if (row >= rows) return past;
    index = top_ + (Pos.X / colWidth) * rows + row;
  } else if (style_ != lbOwnerDrawVariable) {
    index = top_ + Pos.Y / FixedHeight();
  } else {
    int y = 0;
    for (int i = top_; i < Count(); ++i) {
      y += data_[std::size_t(i)].Height;
      if (Pos.Y < y) return i;
    }
    return past;
  }
  return index < Count() ? index : past;
}

int TCustomListBox::VisibleItemCount() const {
  if (columns_ > 0) return RowsPerColumn() * columns_;
  if (style_ != lbOwnerDrawVariable) return std::max(1, ClientHeight() / FixedHeight());
  int y = 0, n = 0;
  for (int i = top_; i < Count(); ++i) {
    y += data_[std::size_t(i)].Height;
    if (y > ClientHeight()) break;
    ++n;
  }
  return std::max(1, n);
}

int TCustomListBox::MaxTop() const {
  const int n = Count();
  if (columns_ > 0) {
    const int rows = RowsPerColumn();
    const int cols = (n + rows - 1) / rows;
    return std::max(0, cols - columns_) * rows;
  }
  if (style_ != lbOwnerDrawVariable) return std::max(0, n - std::max(1, ClientHeight() / FixedHeight()));
  // The first item from which every later item fits.
  int y = 0, top = n;
  while (top > 0 && y + data_[std::size_t(top - 1)].Height <= ClientHeight()) y += data_[std::size_t(--top)].Height;
  return std::min(top, std::max(0, n - 1));
}

void TCustomListBox::UpdateScrollBar() {
  if (updateCount_ > 0 || inScrollUpdate_) return;
  inScrollUpdate_ = true;
  // Showing or hiding a bar changes the client size, which can change what
  // fits: settle in a few rounds.
  for (int round = 0; round < 3; ++round) {
    const int maxTop = MaxTop();
    top_ = std::clamp(top_, 0, maxTop);
    if (columns_ > 0) top_ -= top_ % RowsPerColumn();
    scrollX_ = std::clamp(scrollX_, 0, MaxScrollX());
    if (!HandleAllocated()) break;
    const TRect before = ClientRect();
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (columns_ > 0) {
      const int rows = RowsPerColumn();
      const int cols = (Count() + rows - 1) / rows;
      si.nMin = 0;
      si.nMax = std::max(cols - 1, 0);
      si.nPage = UINT(std::max(1, columns_));
      si.nPos = top_ / rows;
      SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    } else {
      si.nMin = 0;
      si.nMax = std::max(Count() - 1, 0);
      // The page is what fits at the end, so the last position is MaxTop.
      si.nPage = UINT(std::max(1, Count() - maxTop));
      si.nPos = top_;
      SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
      if (ScrollsSideways()) {
        // A page as wide as the extent hides the bar.
        SCROLLINFO hi;
        hi.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        hi.nMin = 0;
        hi.nMax = std::max(hExtent_ - 1, 0);
        hi.nPage = UINT(std::max(ClientWidth(), 0));
        hi.nPos = scrollX_;
        SetScrollInfo(Handle(), SB_HORZ, &hi, TRUE);
      }
    }
    if (ClientRect() == before) break;
  }
  inScrollUpdate_ = false;
}

int TCustomListBox::MaxScrollX() const { return ScrollsSideways() ? std::max(0, hExtent_ - ClientWidth()) : 0; }

void TCustomListBox::SetScrollX(int v) {
  v = std::clamp(v, 0, MaxScrollX());
  if (v == scrollX_) return;
  scrollX_ = v;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetTopIndex(int v) {
  v = std::clamp(v, 0, MaxTop());
  if (columns_ > 0) v -= v % RowsPerColumn();
  if (v == top_) return;
  top_ = v;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MakeVisible(int Index) {
  if (Index < 0 || Index >= Count()) return;
  if (columns_ > 0) {
    const int rows = RowsPerColumn();
    const int first = top_ / rows, col = Index / rows;
    if (col < first) SetTopIndex(col * rows);
    else if (col >= first + columns_) SetTopIndex((col - columns_ + 1) * rows);
    return;
  }
  if (Index < top_) {
    SetTopIndex(Index);
    return;
  }
  // Move the top down until Index ends inside the client area.
  int top = top_;
  auto bottomOf = [&](int t) {
    int y = 0;
    for (int i = t; i <= Index; ++i) y += HeightOf(i);
    return y;
  };
  if (style_ != lbOwnerDrawVariable) {
    const int visible = std::max(1, ClientHeight() / FixedHeight());
    if (Index >= top + visible) top = Index - visible + 1;
  } else {
    while (top < Index && bottomOf(top) > ClientHeight()) ++top;
  }
  SetTopIndex(top);
}

void TCustomListBox::InvalidateItem(int Index) {
  if (!HandleAllocated() || Index < 0 || Index >= Count()) return;
  TRect r = ItemRect(Index);
  if (r.Bottom <= 0 || r.Top >= ClientHeight() || r.Right <= 0 || r.Left >= ClientWidth()) return;
  InvalidateRect(Handle(), &r, FALSE);
}

void TCustomListBox::Resize() {
  UpdateScrollBar();
  Invalidate();
  TCustomControl::Resize();
}

// ---- Items -----------------------------------------------------------------------------

int TCustomListBox::SortedPosition(const std::string& Text) const {
  auto it = std::upper_bound(data_.begin(), data_.end(), Text, [](const std::string& t, const TItem& item) {
    return AnsiCompareText(t, item.Text) < 0;
  });
  return int(it - data_.begin());
}

int TCustomListBox::InsertItem(int Index, const std::string& Text, TObject* Object) {
  if (Index < 0 || Index > Count()) Index = Count();
  TItem item;
  item.Text = Text;
  item.Object = Object;
  item.Height = FixedHeight();
  data_.insert(data_.begin() + Index, std::move(item));
  if (caret_ >= Index) ++caret_;
  if (anchor_ >= Index) ++anchor_;
  if (style_ == lbOwnerDrawVariable) {
    auto alive = AliveToken();
    int h = FixedHeight();
    MeasureItem(Index, h);
    if (!*alive) return Index;
    if (Index < Count()) data_[std::size_t(Index)].Height = std::clamp(h, 1, kMaxItemHeight);
  }
  UpdateScrollBar();
  Invalidate();
  return Index;
}

void TCustomListBox::DeleteItem(int Index) {
  data_.erase(data_.begin() + Index);
  if (caret_ == Index) caret_ = multiSelect_ ? std::min(Index, Count() - 1) : -1;
  else if (caret_ > Index) --caret_;
  if (anchor_ == Index) anchor_ = -1;
  else if (anchor_ > Index) --anchor_;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::ResetContent() {
  data_.clear();
  caret_ = anchor_ = -1;
  top_ = 0;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

// ---- Painting ----------------------------------------------------------------------------

void TCustomListBox::Paint() {
  auto alive = AliveToken();
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  const TRect client = ClientRect();
  TRect clip = c->ClipRect();
  const bool focused = Focused();
  int drawn = 0;
  // Only the items in view: from the top item until the area is full.
  const int last = columns_ > 0 ? std::min(Count(), top_ + RowsPerColumn() * (columns_ + 1)) : Count();
  int bottom = 0;
  for (int i = top_; i < last; ++i) {
    TRect r = ItemRect(i);
    if (columns_ == 0 && r.Top >= client.Bottom) break;
    if (columns_ > 0 && r.Left >= client.Right) break;
    bottom = std::max(bottom, r.Bottom);
    if (r.Right <= clip.Left || r.Left >= clip.Right || r.Bottom <= clip.Top || r.Top >= clip.Bottom) continue;
    TOwnerDrawState state = 0;
    if (data_[std::size_t(i)].Selected) state |= odSelected;
    if (focused && i == caret_) state |= odFocused;
    if (!Enabled()) state |= odDisabled;
    PaintItem(i, r, state);
    if (!*alive) return;
    ++drawn;
  }
  lastPaintItems_ = drawn;
  // The area no item covers.
  c->Brush()->SetColor(Color());
  if (columns_ > 0) {
    const int rows = RowsPerColumn();
    const int colWidth = std::max(1, client.Width() / columns_);
    for (int col = 0; col <= columns_; ++col) {
      int first = top_ + col * rows;
      int filled = std::clamp(Count() - first, 0, rows);
      TRect r{col * colWidth, filled * FixedHeight(), (col + 1) * colWidth, client.Bottom};
      if (col == columns_) r = TRect{col * colWidth, 0, client.Right, client.Bottom};
      if (!r.IsEmpty()) c->FillRect(r);
    }
  } else if (bottom < client.Bottom) {
    c->FillRect(TRect{0, std::max(bottom, 0), client.Right, client.Bottom});
  }
  if (focused && caret_ < 0 && Count() == 0) c->DrawFocusRect(TRect{0, 0, client.Right, FixedHeight()});
  if (OnAfterPaint) OnAfterPaint(this, c);
}

void TCustomListBox::PaintItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  auto alive = AliveToken();
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  if (State & odSelected) {
    c->Brush()->SetColor(clHighlight);
    c->Font()->SetColor(clHighlightText);
  } else {
    c->Brush()->SetColor(Color());
  }
  if (State & odDisabled) c->Font()->SetColor(clGrayText);
  if (style_ != lbStandard) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = HandleAllocated() ? UINT(GetWindowLongPtr(Handle(), GWL_ID)) : 0;
    dis.itemID = UINT(Index);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = OdsFromState(State);
    dis.hwndItem = HandleAllocated() ? Handle() : nullptr;
    dis.hDC = c->Handle();
    dis.rcItem = Rect;
    dis.itemData = reinterpret_cast<std::uintptr_t>(data_[std::size_t(Index)].Object);
    Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  } else {
    DefaultDrawItem(Index, Rect, State);
  }
  if (*alive && (State & odFocused)) c->DrawFocusRect(Rect);
}

void TCustomListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem) OnDrawItem(this, Index, Rect, State);
  else DefaultDrawItem(Index, Rect, State);
}

void TCustomListBox::DefaultDrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  (void)State;
  TCanvas* c = Canvas();
  c->FillRect(Rect);
  c->Brush()->SetStyle(bsClear);
  const int th = c->TextHeight("Wg");
  c->TextRect(Rect, Rect.Left + kTextIndent, Rect.Top + (Rect.Height() - th) / 2, data_[std::size_t(Index)].Text);
  c->Brush()->SetStyle(bsSolid);
}


#include "platform/ui/lists/ListView.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

namespace {
constexpr int kIconGap = 2;
constexpr int kItemTextMargin = 4;
constexpr int kWheelRows = 3;
constexpr int kIconCellMin = 76;
constexpr int kIconDefault = 32;
constexpr int kIconLabelLines = 2;
// Whole lines only, the last one shown ending in "..." when more follow; a
// word wider than the cell breaks between characters.
constexpr UINT kIconTextFlags = DT_WORDBREAK | DT_EDITCONTROL | DT_CENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
}  // namespace

// ---- Columns ------------------------------------------------------------------------

void TListColumn::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  Changed(false);
}

void TListColumn::SetWidth(int v) {
  v = std::max(v, 0);
  if (v == width_) return;
  width_ = v;
  Changed(false);
}

void TListColumn::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Changed(false);
}

void TListColumn::Assign(const TPersistent* Source) {
  if (auto* c = dynamic_cast<const TListColumn*>(Source)) {
    caption_ = c->caption_;
    width_ = c->width_;
    alignment_ = c->alignment_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

TListColumns::TListColumns(TListView* Owner)
    : TCollection(CollectionItemClassOf<TListColumn>(), Owner), owner_(Owner) {}

void TListColumns::Update(TCollectionItem* Item) {
  TCollection::Update(Item);
  owner_->LayoutChanged();
}

// ---- Items --------------------------------------------------------------------------

TListItem::TListItem(TListItems* Owner) : owner_(Owner), subItems_(std::make_unique<TStringList>()) {
  subItems_->OnChange = [this](TObject*) {
    if (TListView* v = ListView()) v->InvalidateItem(this);
  };
}

TListItem::~TListItem() { *alive_ = false; }

TListView* TListItem::ListView() const { return owner_ ? owner_->Owner() : nullptr; }
int TListItem::Index() const { return owner_ ? owner_->IndexOf(this) : -1; }

void TListItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  if (TListView* lv = ListView()) lv->ItemChanged(this, ctText);
}

void TListItem::SetImageIndex(int v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  if (TListView* lv = ListView()) lv->ItemChanged(this, ctImage);
}

void TListItem::SetSelected(bool v) {
  if (TListView* lv = ListView()) {
    if (v && !lv->MultiSelect()) lv->SelectOnly(this);
    else lv->ChangeSelected(this, v);
  } else {
    selected_ = v;
  }
}

void TListItem::SetFocused(bool v) {
  TListView* lv = ListView();
  if (!lv) {
    focused_ = v;
  } else if (v) {
    lv->ChangeFocused(this);
  } else if (focused_) {
    focused_ = false;
    lv->InvalidateItem(this);
  }
}

TRect TListItem::DisplayRect(TDisplayCode Code) const {
  TListView* lv = ListView();
  if (!lv) return TRect{};
  TRect b = lv->ItemBounds(Index());
  if (lv->viewStyle_ == vsIcon) {
    const TPoint img = lv->IconSize();
    const TRect icon{b.Left + (b.Width() - img.X) / 2, b.Top + kIconGap, b.Left + (b.Width() - img.X) / 2 + img.X,
                     b.Top + kIconGap + img.Y};
    const TRect label = IconLabel(lv->LabelUnfolded(this));
    switch (Code) {
      case drIcon: return icon;
      case drLabel: return label;
      case drSelectBounds:
        return TRect{std::min(icon.Left, label.Left), icon.Top, std::max(icon.Right, label.Right), label.Bottom};
      default: return b;
    }
  }
  TImageList* images = lv->ImagesInUse();
  const int icon = images ? images->Width() + kIconGap : 0;
  TRect label = b;
  if (!lv->IsList()) label.Right = b.Left + (lv->Columns()->Count() ? lv->Columns()->Items(0)->Width() : b.Width());
  label.Left = std::min(label.Right, b.Left + icon);
  switch (Code) {
    case drIcon: return TRect{b.Left, b.Top, b.Left + icon, b.Bottom};
    case drLabel: return label;
    case drSelectBounds: return lv->RowSelect() ? b : TRect{b.Left, b.Top, label.Right, b.Bottom};
    default: return b;
  }
}

// The label is the wrapped caption's own extent: at most two lines, or every
// line when unfolded.
TRect TListItem::IconLabel(bool unfolded) const {
  TListView* lv = ListView();
  const TRect b = lv->ItemBounds(Index());
  const int room = b.Width() - 2 * kItemTextMargin;
  const TRect m = MeasureClassicText(lv->Font(), caption_, TRect{0, 0, room, 0}, kIconTextFlags);
  const int w = std::min(room, m.Width()) + 2 * kItemTextMargin;
  const int line = TextCellHeight(lv->Font());
  const int h = unfolded ? std::max(m.Height(), line) : std::clamp(m.Height(), line, kIconLabelLines * line);
  const int top = b.Top + kIconGap + lv->IconSize().Y + kIconGap;
  return TRect{b.Left + (b.Width() - w) / 2, top, b.Left + (b.Width() - w) / 2 + w, top + h};
}

void TListItem::MakeVisible(bool) {
  if (TListView* lv = ListView()) lv->EnsureVisible(Index());
}

void TListItem::Delete() {
  if (owner_) owner_->Delete(Index());
}

bool TListItem::EditCaption() {
  TListView* lv = ListView();
  return lv && lv->BeginEdit(this);
}

void TListItem::CancelEdit() {
  TListView* lv = ListView();
  if (lv && lv->ItemEditing() == this) lv->EndEdit(true);
}

TListItems::~TListItems() = default;

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int Index) {
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  items_.insert(items_.begin() + Index, std::make_unique<TListItem>(this));
  if (owner_->anchor_ >= Index) ++owner_->anchor_;
  if (updateCount_ == 0) owner_->LayoutChanged();
  return items_[Index].get();
}

void TListItems::Delete(int Index) {
  TListItem* item = Item(Index);
  auto view = owner_->AliveToken();
  auto alive = item->AliveToken();
  owner_->ItemDeleting(item);
  if (!*view || !*alive) return;  // freed by the deletion event
  const int at = IndexOf(item);
  std::unique_ptr<TListItem> gone = std::move(items_[at]);
  items_.erase(items_.begin() + at);
  if (owner_->anchor_ > at) --owner_->anchor_;
  else if (owner_->anchor_ == at) owner_->anchor_ = -1;
  if (updateCount_ == 0) owner_->LayoutChanged();
}

void TListItems::Clear() {
  owner_->EndEdit(true);
  BeginUpdate();
  auto view = owner_->AliveToken();
  while (Count() > 0 && *view) Delete(Count() - 1);
  if (*view) EndUpdate();
}

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return items_[Index].get();
}

int TListItems::IndexOf(const TListItem* Item) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].get() == Item) return i;
  return -1;
}

void TListItems::BeginUpdate() { ++updateCount_; }

void TListItems::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) owner_->LayoutChanged();
}

// ---- The control: properties ----------------------------------------------------------

TListView::TListView(TComponent* AOwner)
    : TCustomControl(AOwner),
      items_(std::make_unique<TListItems>(this)),
      columns_(std::make_unique<TListColumns>(this)) {
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks | csClickEvents | csDisplayDragImage;
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 250, 150);
}

TListView::~TListView() {
  // The editor goes without ending events; the view is half gone for them.
  editing_.Destroy();
  editItem_ = nullptr;
  clickItem_ = nullptr;
  OnDeletion = nullptr;
  OnSelectItem = nullptr;
  OnChange = nullptr;
  items_->items_.clear();
}

void TListView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

void TListView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == smallImages_) smallImages_ = nullptr;
  if (AComponent == largeImages_) largeImages_ = nullptr;
  if (!smallImages_ || !largeImages_) LayoutChanged();
}

void TListView::SetViewStyle(TViewStyle v) {
  if (v == viewStyle_) return;
  EndEdit(true);
  viewStyle_ = v;
  topIndex_ = 0;
  hScroll_ = 0;
  LayoutChanged();
}

void TListView::SetSmallImages(TImageList* v) {
  if (v == smallImages_) return;
  if (smallImages_) smallImages_->RemoveFreeNotification(this);
  smallImages_ = v;
  if (v) v->FreeNotification(this);
  LayoutChanged();
}

void TListView::SetLargeImages(TImageList* v) {
  if (v == largeImages_) return;
  if (largeImages_) largeImages_->RemoveFreeNotification(this);
  largeImages_ = v;
  if (v) v->FreeNotification(this);
  LayoutChanged();
}

void TListView::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  if (!v)
    if (TListItem* first = Selected()) SelectOnly(first);
}

void TListView::SetRowSelect(bool v) {
  if (v == rowSelect_) return;
  rowSelect_ = v;
  Invalidate();
}

void TListView::SetShowColumnHeaders(bool v) {
  if (v == showColumnHeaders_) return;
  showColumnHeaders_ = v;
  LayoutChanged();
}

// ---- Layout ---------------------------------------------------------------------------

int TListView::RowHeight() const {
  TImageList* images = ImagesInUse();
  return std::max(TextCellHeight(Font()) + 2, images ? images->Height() + 1 : 0);
}

TRect TListView::HeaderRect() const {
  if (IsList() || !showColumnHeaders_) return TRect{};
  return TRect{0, 0, ClientWidth(), TextCellHeight(Font()) + 6};
}

TRect TListView::ItemArea() const {
  TRect a = ClientRect();
  a.Top = std::min(a.Bottom, HeaderRect().Bottom);
  return a;
}

int TListView::ColumnsWidth() const {
  int w = 0;
  for (int i = 0; i < columns_->Count(); ++i) w += columns_->Items(i)->Width();
  return w;
}

int TListView::ListColumnWidth() const {
  if (listColWidth_ < 0) {
    int widest = 0;
    for (int i = 0; i < items_->Count(); ++i)
      widest = std::max(widest, MeasureClassicText(Font(), items_->Item(i)->Caption(), TRect{}, DT_SINGLELINE).Width());
    TImageList* images = ImagesInUse();
    listColWidth_ = widest + 2 * kItemTextMargin + (images ? images->Width() + kIconGap : 0);
  }
  return std::max(listColWidth_, 16);
}

TPoint TListView::IconSize() const {
  return largeImages_ ? TPoint{largeImages_->Width(), largeImages_->Height()} : TPoint{kIconDefault, kIconDefault};
}

TPoint TListView::GridCell() const {
  if (viewStyle_ == vsSmallIcon) return TPoint{ListColumnWidth(), RowHeight()};
  const TPoint img = IconSize();
  return TPoint{std::max(kIconCellMin, img.X + 2 * kItemTextMargin),
                3 * kIconGap + img.Y + kIconLabelLines * TextCellHeight(Font()) + kIconGap};
}

int TListView::GridColumns() const { return std::max(1, ItemArea().Width() / GridCell().X); }
int TListView::GridRows() const { return (items_->Count() + GridColumns() - 1) / GridColumns(); }
int TListView::GridPage() const { return std::max(1, ItemArea().Height() / GridCell().Y); }

int TListView::ItemsPerColumn() const { return std::max(1, ItemArea().Height() / RowHeight()); }

int TListView::VisibleRowCount() const {
  const TRect a = ItemArea();
  if (IsGrid()) return GridPage() * GridColumns();
  if (!IsList()) return std::max(0, a.Height() / RowHeight());
  return ItemsPerColumn() * std::max(1, a.Width() / ListColumnWidth());
}

TRect TListView::ItemBounds(int index) const {
  const TRect a = ItemArea();
  const int h = RowHeight();
  if (IsGrid()) {
    const TPoint cell = GridCell();
    const int cols = GridColumns();
    const int x = (index % cols) * cell.X, y = a.Top + (index / cols - topIndex_) * cell.Y;
    return TRect{x, y, x + cell.X, y + cell.Y};
  }
  if (IsList()) {
    const int per = ItemsPerColumn(), w = ListColumnWidth();
    const int x = (index / per - hScroll_) * w, y = a.Top + (index % per) * h;
    return TRect{x, y, x + w, y + h};
  }
  const int y = a.Top + (index - topIndex_) * h;
  const int width = columns_->Count() ? ColumnsWidth() : a.Width();
  return TRect{-hScroll_, y, -hScroll_ + width, y + h};
}

TListItem* TListView::GetItemAt(int X, int Y) const {
  const TRect a = ItemArea();
  if (!a.Contains(TPoint{X, Y})) return nullptr;
  int index;
  if (IsGrid()) {
    // An unfolded caption lies over the cells below it.
    if (TListItem* f = viewStyle_ == vsIcon ? ItemFocused() : nullptr;
        f && LabelUnfolded(f) && f->DisplayRect(drLabel).Contains(TPoint{X, Y}))
      return f;
    const TPoint cell = GridCell();
    const int col = X / cell.X;
    if (col >= GridColumns()) return nullptr;
    index = (topIndex_ + (Y - a.Top) / cell.Y) * GridColumns() + col;
    if (index < 0 || index >= items_->Count()) return nullptr;
    // Only the drawn image and caption answer, not the empty rest of the cell.
    TListItem* item = items_->Item(index);
    const TPoint p{X, Y};
    if (viewStyle_ == vsSmallIcon) return item->DisplayRect(drBounds).Contains(p) ? item : nullptr;
    return item->DisplayRect(drIcon).Contains(p) || item->DisplayRect(drLabel).Contains(p) ? item : nullptr;
  }
  if (IsList()) {
    const int col = X / ListColumnWidth() + hScroll_, row = (Y - a.Top) / RowHeight();
    if (row >= ItemsPerColumn()) return nullptr;
    index = col * ItemsPerColumn() + row;
  } else {
    index = topIndex_ + (Y - a.Top) / RowHeight();
  }
  if (index < 0 || index >= items_->Count()) return nullptr;
  TListItem* item = items_->Item(index);
  // Outside row select only the item's own column answers.
  const TRect hit = item->DisplayRect(IsList() ? drBounds : drSelectBounds);
  return hit.Contains(TPoint{X, Y}) ? item : nullptr;
}

TListItem* TListView::TopItem() const {
  const int i = IsGrid() ? topIndex_ * GridColumns() : IsList() ? hScroll_ * ItemsPerColumn() : topIndex_;
  return i < items_->Count() ? items_->Item(i) : nullptr;
}

void TListView::LayoutChanged() {
  listColWidth_ = -1;
  UpdateScrollBars();
  Invalidate();
  PlaceEditor();
}

void TListView::UpdateScrollBars() {
  if (updatingBars_) return;
  updatingBars_ = true;
  auto alive = AliveToken();
  if (HandleAllocated()) {
    HWND h = Handle();
    for (int pass = 0; pass < 3; ++pass) {
      const TRect before = ClientRect();
      SCROLLINFO v, hz;
      v.fMask = hz.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      const int count = items_->Count();
      if (IsGrid()) {
        const int rows = GridRows(), page = GridPage();
        hScroll_ = 0;
        topIndex_ = std::clamp(topIndex_, 0, std::max(0, rows - page));
        if (rows > page) {
          v.nMax = rows - 1;
          v.nPage = UINT(page);
          v.nPos = topIndex_;
        }
      } else if (IsList()) {
        const int per = ItemsPerColumn(), cols = (count + per - 1) / per;
        const int page = std::max(1, ItemArea().Width() / ListColumnWidth());
        hScroll_ = std::clamp(hScroll_, 0, std::max(0, cols - page));
        if (cols > page) {
          hz.nMax = cols - 1;
          hz.nPage = UINT(page);
          hz.nPos = hScroll_;
        }
      } else {
        const int page = VisibleRowCount();
        topIndex_ = std::clamp(topIndex_, 0, std::max(0, count - page));
        if (count > page) {
          v.nMax = count - 1;
          v.nPage = UINT(std::max(page, 1));
          v.nPos = topIndex_;
        }
        const int width = ColumnsWidth(), room = ClientWidth();
        hScroll_ = std::clamp(hScroll_, 0, std::max(0, width - room));
        if (columns_->Count() && width > room) {
          hz.nMax = width - 1;
          hz.nPage = UINT(room);
          hz.nPos = hScroll_;
        }
      }
      SetScrollInfo(h, SB_VERT, &v, TRUE);
      SetScrollInfo(h, SB_HORZ, &hz, TRUE);
      if (ClientRect() == before) break;
    }
  }
  if (*alive) updatingBars_ = false;
}

void TListView::SetTopIndex(int v) {
  const int most = IsGrid() ? GridRows() - GridPage() : items_->Count() - VisibleRowCount();
  v = std::clamp(v, 0, std::max(0, most));
  if (v == topIndex_) return;
  EndEdit(true);
  topIndex_ = v;
  if (HandleAllocated()) ::SetScrollPos(Handle(), SB_VERT, v, TRUE);
  Invalidate();
}

void TListView::SetHScroll(int v) {
  int most;
  if (IsGrid()) {
    most = 0;
  } else if (IsList()) {
    const int per = ItemsPerColumn(), cols = (items_->Count() + per - 1) / per;
    most = cols - std::max(1, ItemArea().Width() / ListColumnWidth());
  } else {
    most = ColumnsWidth() - ClientWidth();
  }
  v = std::clamp(v, 0, std::max(0, most));
  if (v == hScroll_) return;
  EndEdit(true);
  hScroll_ = v;
  if (HandleAllocated()) ::SetScrollPos(Handle(), SB_HORZ, v, TRUE);
  Invalidate();
}

void TListView::Scroll(int DX, int DY) {
  if (IsGrid()) {
    SetTopIndex(topIndex_ + DY / GridCell().Y);
  } else if (IsList()) {
    SetHScroll(hScroll_ + DX / ListColumnWidth());
  } else {
    SetHScroll(hScroll_ + DX);
    SetTopIndex(topIndex_ + DY / RowHeight());
  }
}

void TListView::EnsureVisible(int index) {
  if (index < 0 || index >= items_->Count()) return;
  if (IsGrid()) {
    const int row = index / GridColumns(), page = GridPage();
    if (row < topIndex_) SetTopIndex(row);
    else if (row >= topIndex_ + page) SetTopIndex(row - page + 1);
    return;
  }
  if (IsList()) {
    const int col = index / ItemsPerColumn(), page = std::max(1, ItemArea().Width() / ListColumnWidth());
    if (col < hScroll_) SetHScroll(col);
    else if (col >= hScroll_ + page) SetHScroll(col - page + 1);
    return;
  }
  const int page = std::max(1, VisibleRowCount());
  if (index < topIndex_) SetTopIndex(index);
  else if (index >= topIndex_ + page) SetTopIndex(index - page + 1);
}

// ---- Selection ------------------------------------------------------------------------

TListItem* TListView::Selected() const {
  for (int i = 0; i < items_->Count(); ++i)
    if (items_->Item(i)->selected_) return items_->Item(i);
  return nullptr;
}

void TListView::SetSelected(TListItem* v) {
  if (v) SelectOnly(v);
  else ClearSelection();
}

TListItem* TListView::ItemFocused() const {
  for (int i = 0; i < items_->Count(); ++i)
    if (items_->Item(i)->focused_) return items_->Item(i);
  return nullptr;
}

void TListView::SetItemFocused(TListItem* v) {
  if (v) ChangeFocused(v);
  else if (TListItem* f = ItemFocused()) f->SetFocused(false);
}

int TListView::ItemIndex() const {
  TListItem* s = Selected();
  return s ? s->Index() : -1;
}

void TListView::SetItemIndex(int v) {
  if (v < 0 || v >= items_->Count()) ClearSelection();
  else SelectOnly(items_->Item(v));
}

int TListView::SelCount() const {
  int n = 0;
  for (int i = 0; i < items_->Count(); ++i) n += items_->Item(i)->selected_;
  return n;
}

void TListView::ClearSelection() {
  auto alive = AliveToken();
  for (int i = 0; *alive && i < items_->Count(); ++i)
    if (items_->Item(i)->selected_ && !ChangeSelected(items_->Item(i), false)) return;
}

void TListView::SelectAll() {
  if (multiSelect_) SelectRange(0, items_->Count() - 1);
}

bool TListView::ChangeSelected(TListItem* item, bool v) {
  if (item->selected_ == v) return true;
  auto alive = AliveToken();
  auto itemAlive = item->AliveToken();
  item->selected_ = v;
  InvalidateItem(item);
  if (OnChange) OnChange(this, item, ctState);
  if (!*alive) return false;
  if (*itemAlive && OnSelectItem) OnSelectItem(this, item, v);
  return *alive;
}

bool TListView::ChangeFocused(TListItem* item) {
  for (int i = 0; i < items_->Count(); ++i) {
    TListItem* other = items_->Item(i);
    if (other != item && other->focused_) {
      other->focused_ = false;
      InvalidateItem(other);
    }
  }
  if (!item->focused_) {
    item->focused_ = true;
    InvalidateItem(item);
  }
  EnsureVisible(item->Index());
  return true;
}

bool TListView::SelectOnly(TListItem* item) {
  auto alive = AliveToken();
  auto itemAlive = item->AliveToken();
  for (int i = 0; i < items_->Count(); ++i) {
    TListItem* other = items_->Item(i);
    if (other != item && other->selected_ && !ChangeSelected(other, false)) return false;
    if (!*itemAlive) return true;
  }
  if (!ChangeSelected(item, true)) return false;
  if (!*itemAlive) return true;
  anchor_ = item->Index();
  ChangeFocused(item);
  return *alive;
}

bool TListView::SelectRange(int from, int to) {
  if (from > to) std::swap(from, to);
  for (int i = 0; i < items_->Count(); ++i)
    if (!ChangeSelected(items_->Item(i), i >= from && i <= to)) return false;
  return true;
}

void TListView::ItemChanged(TListItem* item, TItemChange change) {
  listColWidth_ = -1;
  if (IsList() && change == ctText) LayoutChanged();
  else InvalidateItem(item);
  if (OnChange) OnChange(this, item, change);
}

void TListView::ItemDeleting(TListItem* item) {
  // The marquee's kept selection is by position: a deletion ends it.
  EndMarquee();
  if (item == clickItem_) {
    clickItem_ = nullptr;
    editing_.DisarmClick();
  }
  if (editing_.Active() && item == editItem_) EndEdit(true);
  if (OnDeletion) OnDeletion(this, item);
}

// ---- Label editing --------------------------------------------------------------------

TRect TListView::EditorRect(const TListItem* item) const {
  TRect r = item->DisplayRect(drLabel);
  // The editor's text lines up with the drawn caption (border and margin).
  if (viewStyle_ != vsIcon) r.Left += kItemTextMargin - 2;
  return r;
}

bool TListView::BeginEdit(TListItem* item) {
  if (ReadOnly || !item || item->ListView() != this || items_->IndexOf(item) < 0) return false;
  if (editing_.Active() && editItem_ == item) return true;
  auto alive = AliveToken();
  auto itemAlive = item->AliveToken();
  if (editing_.Active()) {
    EndEdit(false);
    if (!*alive || !*itemAlive) return false;
  }
  clickItem_ = nullptr;
  editing_.DisarmClick();
  // The edited item becomes the selected, focused one, as the keys expect.
  if (!item->selected_ && (!SelectOnly(item) || !*itemAlive)) return false;
  if (!item->focused_) ChangeFocused(item);
  bool allow = true;
  if (OnEditing) OnEditing(this, item, allow);
  if (!*alive || !*itemAlive || !allow || ReadOnly || editing_.Active() || !CanFocus()) return false;
  EnsureVisible(item->Index());
  editItem_ = item;
  editing_.Open(item->caption_, EditorRect(item), [this](bool cancel) { EndEdit(cancel); });
  return true;
}

void TListView::EndEdit(bool Cancel) {
  if (!editing_.Active()) return;
  TListItem* item = editItem_;
  auto itemAlive = item->AliveToken();
  std::string text = editing_.Editor()->Text();
  editItem_ = nullptr;
  auto alive = AliveToken();
  editing_.Close();
  if (!*alive || Cancel || !*itemAlive) return;
  if (OnEdited) OnEdited(this, item, text);
  if (*alive && *itemAlive) item->SetCaption(text);
}

void TListView::AlphaSort() {
  CustomSort([](TListItem* a, TListItem* b) { return AnsiCompareText(a->caption_, b->caption_); });
}

void TListView::CustomSort(const TLVCompare& Compare) {
  EndEdit(true);
  if (!Compare) return;
  auto& v = items_->items_;
  const TListItem* anchor = anchor_ >= 0 && anchor_ < int(v.size()) ? v[anchor_].get() : nullptr;
  std::stable_sort(v.begin(), v.end(), [&](const std::unique_ptr<TListItem>& a, const std::unique_ptr<TListItem>& b) {
    return Compare(a.get(), b.get()) < 0;
  });
  anchor_ = anchor ? items_->IndexOf(anchor) : -1;
  LayoutChanged();
}

void TListView::PlaceEditor() {
  if (editing_.Active()) editing_.Place(EditorRect(editItem_));
}

void TListView::ClickTimerFired() {
  TListItem* item = clickItem_;
  auto itemAlive = std::move(clickItemAlive_);
  clickItem_ = nullptr;
  if (item && itemAlive && *itemAlive && item->selected_ && item->focused_ && Focused()) BeginEdit(item);
}

bool TListView::LabelUnfolded(const TListItem* item) const {
  return viewStyle_ == vsIcon && item->selected_ && item->focused_ && Focused();
}

void TListView::InvalidateItem(const TListItem* item) {
  if (!HandleAllocated() || items_->updateCount_ > 0) return;
  const int i = items_->IndexOf(item);
  if (i < 0) return;
  TRect r = ItemBounds(i);
  r.Right = std::max(r.Right, ClientWidth());  // selection and focus may reach the edge
  // A caption that is or was unfolded reaches over the items below.
  if (viewStyle_ == vsIcon) r.Bottom = std::max(r.Bottom, item->IconLabel(true).Bottom);
  InvalidateRect(Handle(), &r, FALSE);
}

// ---- Input ----------------------------------------------------------------------------

namespace {
constexpr UINT_PTR kMarqueeTimer = 0x4D51;
constexpr UINT kMarqueeScrollMs = 50;
}  // namespace

void TListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  // Any press, the second of a double click too, stops a pending edit.
  clickItem_ = nullptr;
  editing_.DisarmClick();
  EndSearch();
  const bool wasFocused = Focused();
  if (CanFocus() && !Focused()) {
    SetFocus();
    if (!*alive) return;
  }
  if (Button == TMouseButton::mbLeft && HeaderRect().Contains(TPoint{X, Y})) {
    // A header button clicks on the release over it, as a push button does.
    pressedColumn_ = HeaderColumnAt(X, Y);
    pressedOver_ = pressedColumn_ >= 0;
    if (pressedOver_) {
      const TRect header = HeaderRect();
      InvalidateRect(Handle(), &header, FALSE);
    }
  } else if (Button == TMouseButton::mbLeft || Button == TMouseButton::mbRight) {
    TListItem* item = GetItemAt(X, Y);
    // A plain second click on the caption of the selected, focused item.
    const bool editClick = wasFocused && !ReadOnly && item && Button == TMouseButton::mbLeft &&
                           !(Shift & (ssShift | ssCtrl | ssDouble)) && item->selected_ && item->focused_ &&
                           item->DisplayRect(drLabel).Contains(TPoint{X, Y});
    if (editClick) {
      clickItem_ = item;
      clickItemAlive_ = item->AliveToken();
    }
    if (!item) {
      if (Button == TMouseButton::mbLeft && !(Shift & ssCtrl) && !ClearSelection_(alive)) return;
      if (Button == TMouseButton::mbLeft && multiSelect_ && viewStyle_ == vsReport && ItemArea().Contains(TPoint{X, Y})) {
        marquee_ = true;
        marqueeKept_.assign(size_t(items_->Count()), false);
        if (Shift & ssCtrl)
          for (int i = 0; i < items_->Count(); ++i) marqueeKept_[size_t(i)] = items_->Item(i)->selected_;
        marqueeFrom_ = marqueeTo_ = ToContent(TPoint{X, Y});
        marqueeMouse_ = TPoint{X, Y};
      }
    } else if (multiSelect_ && (Shift & ssCtrl) && Button == TMouseButton::mbLeft) {
      anchor_ = item->Index();
      if (!ChangeSelected(item, !item->selected_)) return;
      ChangeFocused(item);
    } else if (multiSelect_ && (Shift & ssShift) && anchor_ >= 0) {
      const int to = item->Index();
      if (!SelectRange(anchor_, to)) return;
      if (to < items_->Count()) ChangeFocused(items_->Item(to));
    } else if (!(Button == TMouseButton::mbRight && item->selected_)) {
      if (!SelectOnly(item)) return;
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

int TListView::HeaderColumnAt(int X, int Y) const {
  if (!HeaderRect().Contains(TPoint{X, Y})) return -1;
  int x = -hScroll_;
  for (int i = 0; i < columns_->Count(); ++i) {
    const int w = columns_->Items(i)->Width();
    if (X >= x && X < x + w) return i;
    x += w;
  }
  return -1;
}

void TListView::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::MouseMove(Shift, X, Y);
  if (!*alive) return;
  if (marquee_) {
    if (Shift & ssLeft) MarqueeTo(TPoint{X, Y});
    else EndMarquee();
    return;
  }
  if (pressedColumn_ < 0) return;
  const bool over = HeaderColumnAt(X, Y) == pressedColumn_;
  if (over == pressedOver_) return;
  pressedOver_ = over;
  const TRect header = HeaderRect();
  InvalidateRect(Handle(), &header, FALSE);
}

void TListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  if (Button == TMouseButton::mbLeft) EndMarquee();
  if (Button == TMouseButton::mbLeft && pressedColumn_ >= 0) {
    const int column = pressedColumn_;
    const bool click = HeaderColumnAt(X, Y) == column && column < columns_->Count();
    pressedColumn_ = -1;
    pressedOver_ = false;
    const TRect header = HeaderRect();
    InvalidateRect(Handle(), &header, FALSE);
    if (click && OnColumnClick) {
      OnColumnClick(this, columns_->Items(column));
      if (!*alive) return;
    }
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (!*alive || !clickItem_) return;
  // The timer starts at the release, so a long press never edits.
  if (Button == TMouseButton::mbLeft && *clickItemAlive_ && clickItem_->selected_ &&
      clickItem_->DisplayRect(drLabel).Contains(TPoint{X, Y}))
    editing_.ArmClick();
  else
    clickItem_ = nullptr;
}

TPoint TListView::ToContent(TPoint client) const {
  return TPoint{client.X + hScroll_, client.Y - ItemArea().Top + topIndex_ * RowHeight()};
}

TRect TListView::MarqueeClientRect() const {
  const TPoint origin = ToContent(TPoint{0, 0});
  return TRect{std::min(marqueeFrom_.X, marqueeTo_.X) - origin.X, std::min(marqueeFrom_.Y, marqueeTo_.Y) - origin.Y,
               std::max(marqueeFrom_.X, marqueeTo_.X) - origin.X, std::max(marqueeFrom_.Y, marqueeTo_.Y) - origin.Y};
}

// Stretches the marquee to the mouse, scrolling a row while the mouse is
// above or below the items (and on a timer while it stays there), and
// selects the rows it covers besides those Ctrl kept.
void TListView::MarqueeTo(TPoint client) {
  if (!marquee_ || !HandleAllocated()) return;
  auto alive = AliveToken();
  marqueeMouse_ = client;
  const TRect area = ItemArea();
  const bool above = client.Y < area.Top, below = client.Y >= area.Bottom;
  if (above) SetTopIndex(topIndex_ - 1);
  else if (below) SetTopIndex(topIndex_ + 1);
  if ((above || below) != marqueeScrolling_) {
    marqueeScrolling_ = above || below;
    if (marqueeScrolling_) SetTimer(Handle(), kMarqueeTimer, kMarqueeScrollMs, nullptr);
    else KillTimer(Handle(), kMarqueeTimer);
  }
  TRect old = MarqueeClientRect();
  // The marquee stops at the edge of the items; scrolling brings more in.
  marqueeTo_ = ToContent(TPoint{std::clamp(client.X, area.Left, area.Right - 1), std::clamp(client.Y, area.Top, area.Bottom - 1)});
  const TRect now = MarqueeClientRect();
  // What a click would take counts: the first column's caption, or the row with row select.
  const TRect box{now.Left, now.Top, now.Right + 1, now.Bottom + 1};
  for (int i = 0; i < items_->Count() && i < int(marqueeKept_.size()); ++i) {
    const TRect r = items_->Item(i)->DisplayRect(drSelectBounds);
    const bool covered = box.Left < r.Right && r.Left < box.Right && box.Top < r.Bottom && r.Top < box.Bottom;
    const bool want = covered || marqueeKept_[size_t(i)];
    if (items_->Item(i)->selected_ != want && !ChangeSelected(items_->Item(i), want)) return;
    if (!*alive || !marquee_) return;
  }
  old = TRect{std::min(old.Left, now.Left) - 1, std::min(old.Top, now.Top) - 1, std::max(old.Right, now.Right) + 2,
              std::max(old.Bottom, now.Bottom) + 2};
  InvalidateRect(Handle(), &old, FALSE);
}

void TListView::EndMarquee() {
  if (!marquee_) return;
  const TRect r = MarqueeClientRect();
  marquee_ = false;
  marqueeKept_.clear();
  if (!HandleAllocated()) return;
  if (marqueeScrolling_) KillTimer(Handle(), kMarqueeTimer);
  marqueeScrolling_ = false;
  const TRect old{r.Left - 1, r.Top - 1, r.Right + 2, r.Bottom + 2};
  InvalidateRect(Handle(), &old, FALSE);
}

bool TListView::ClearSelection_(const std::shared_ptr<const bool>& alive) {
  ClearSelection();
  return *alive;
}

void TListView::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  clickItem_ = nullptr;
  editing_.DisarmClick();
  TCustomControl::KeyDown(Key, Shift);
  if (!*alive || Key == 0 || items_->Count() == 0) return;
  TListItem* focused = ItemFocused();
  if (Key == VK_F2) {
    if (TListItem* item = focused ? focused : Selected()) BeginEdit(item);
    return;
  }
  const int cur = focused ? focused->Index() : -1;
  const int page = std::max(1, IsList() ? ItemsPerColumn() : VisibleRowCount());
  int to = cur;
  const int cols = IsGrid() ? GridColumns() : 1;
  const bool grid = IsGrid() && (Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT ||
                                 Key == VK_PRIOR || Key == VK_NEXT);
  if (grid) {
    const int step = Key == VK_LEFT || Key == VK_RIGHT ? 1 : Key == VK_UP || Key == VK_DOWN ? cols : GridPage() * cols;
    const bool back = Key == VK_LEFT || Key == VK_UP || Key == VK_PRIOR;
    to = back ? cur - step : cur + step;
    // Vertical moves keep the column: they stop at the first or last row.
    if (cur >= 0 && step >= cols) {
      while (to < 0) to += cols;
      while (to >= items_->Count() && to - cols >= 0) to -= cols;
    }
  } else switch (Key) {
    case VK_UP: to = cur - 1; break;
    case VK_DOWN: to = cur + 1; break;
    case VK_LEFT:
      if (!IsList()) return SetHScroll(hScroll_ - 8);
      to = cur - page;
      break;
    case VK_RIGHT:
      if (!IsList()) return SetHScroll(hScroll_ + 8);
      to = cur + page;
      break;
    case VK_PRIOR: to = cur - (IsList() ? VisibleRowCount() : page); break;
    case VK_NEXT: to = cur + (IsList() ? VisibleRowCount() : page); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = items_->Count() - 1; break;
    case VK_SPACE:
      if (focused && multiSelect_ && (Shift & ssCtrl)) ChangeSelected(focused, !focused->selected_);
      else if (focused && !focused->selected_) SelectOnly(focused);
      return;
    default: return;
  }
  EndSearch();
  if (cur < 0) to = 0;
  to = Clamp(to);
  TListItem* target = items_->Item(to);
  if (multiSelect_ && (Shift & ssShift)) {
    if (anchor_ < 0) anchor_ = std::max(cur, 0);
    if (!SelectRange(anchor_, to)) return;
    if (to < items_->Count()) ChangeFocused(items_->Item(to));
  } else if (multiSelect_ && (Shift & ssCtrl)) {
    ChangeFocused(target);
  } else {
    SelectOnly(target);
  }
}

bool TListView::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  const int steps = -WheelDelta / WHEEL_DELTA * kWheelRows;
  if (IsGrid()) SetTopIndex(topIndex_ + (steps > 0 ? 1 : -1));
  else if (IsList()) SetHScroll(hScroll_ + (steps > 0 ? 1 : -1));
  else SetTopIndex(topIndex_ + steps);
  return true;
}

void TListView::Dispatch(TMessage& Message) {
  bool fired = false;
  if (editing_.HandleMessage(Message, fired)) {
    if (fired) ClickTimerFired();
    return;
  }
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_TIMER:
      if (Message.WParam != kMarqueeTimer) break;
      // The button held above or below the items without moving: keep scrolling.
      if (marquee_ && (GetKeyState(VK_LBUTTON) & 0x8000)) MarqueeTo(marqueeMouse_);
      else EndMarquee();
      return;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      EndMarquee();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      EndSearch();
      Invalidate();
      break;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      if (Message.LParam != 0) break;
      const bool horizontal = Message.Msg == WM_HSCROLL;
      const int code = LOWORD(Message.WParam), thumb = HIWORD(Message.WParam);
      const int pos = horizontal ? hScroll_ : topIndex_;
      const int line = horizontal && !IsList() ? 8 : 1;
      const int page = horizontal ? (IsList() ? std::max(1, ItemArea().Width() / ListColumnWidth()) : ClientWidth())
                       : IsGrid()   ? GridPage()
                                    : std::max(1, VisibleRowCount());
      int to = pos;
      switch (code) {
        case SB_LINEUP: to = pos - line; break;
        case SB_LINEDOWN: to = pos + line; break;
        case SB_PAGEUP: to = pos - page; break;
        case SB_PAGEDOWN: to = pos + page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: to = thumb; break;
        case SB_TOP: to = 0; break;
        case SB_BOTTOM: to = 1 << 20; break;
        default: return;
      }
      if (horizontal) SetHScroll(to);
      else SetTopIndex(to);
      return;
    }
    case LVM_GETITEMCOUNT: Message.Result = items_->Count(); return;
    case LVM_GETTOPINDEX: {
      TListItem* top = TopItem();
      Message.Result = top ? top->Index() : 0;
      return;
    }
    case LVM_GETCOUNTPERPAGE: Message.Result = VisibleRowCount(); return;
    case LVM_GETSELECTEDCOUNT: Message.Result = SelCount(); return;
    case LVM_ENSUREVISIBLE:
      EnsureVisible(int(Message.WParam));
      Message.Result = 1;
      return;
    case LVM_SCROLL:
      Scroll(int(intptr_t(Message.WParam)), int(Message.LParam));
      Message.Result = 1;
      return;
    case LVM_GETNEXTITEM: {
      const int start = int(intptr_t(Message.WParam));
      Message.Result = -1;
      for (int i = std::max(start + 1, 0); i < items_->Count(); ++i) {
        TListItem* it = items_->Item(i);
        if (((Message.LParam & LVNI_SELECTED) && !it->selected_) || ((Message.LParam & LVNI_FOCUSED) && !it->focused_))
          continue;
        Message.Result = i;
        return;
      }
      return;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(Message.LParam);
      const int i = int(Message.WParam);
      if (!r || i < 0 || i >= items_->Count()) return;
      const int code = r->Left;
      *r = items_->Item(i)->DisplayRect(code == LVIR_ICON ? drIcon : code == LVIR_LABEL ? drLabel : drBounds);
      Message.Result = 1;
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE || Message.Msg == CM_FONTCHANGED) LayoutChanged();
}

// ---- Painting -------------------------------------------------------------------------

void TListView::DrawItem(int index, const TRect& bounds) {
  TListItem* item = items_->Item(index);
  TCanvas* canvas = Canvas();
  const bool showSel = Focused() || !HideSelection;
  // Without the focus a selection kept visible is drawn in the face colour.
  const TColor selBack = Focused() ? clHighlight : clBtnFace;
  const TColor selText = Focused() ? clHighlightText : clBtnText;
  TCustomDrawState state = 0;
  if (item->selected_) state |= cdsSelected;
  if (item->focused_ && Focused()) state |= cdsFocused;
  canvas->Brush()->SetColor(Color());
  canvas->Font()->Assign(Font());
  if (OnCustomDrawItem) {
    bool defaultDraw = true;
    auto alive = AliveToken();
    OnCustomDrawItem(this, item, state, defaultDraw);
    if (!*alive || !defaultDraw || index >= items_->Count() || items_->Item(index) != item) return;
  }
  HDC dc = canvas->Handle();
  const TColor back = canvas->Brush()->Color();
  const TColor text = canvas->Font()->Color();
  if (viewStyle_ == vsIcon) {
    FillSolid(dc, bounds, back);
    const TRect icon = item->DisplayRect(drIcon), label = item->DisplayRect(drLabel);
    if (largeImages_ && item->imageIndex_ >= 0 && item->imageIndex_ < largeImages_->Count())
      largeImages_->Draw(canvas, icon.Left, icon.Top, item->imageIndex_, Enabled());
    const bool highlighted = item->selected_ && showSel;
    if (highlighted) FillSolid(dc, label, selBack);
    TRect t{label.Left + kItemTextMargin, label.Top, label.Right - kItemTextMargin, label.Bottom};
    DrawClassicText(dc, canvas->Font(), highlighted ? selText : text, item->caption_, t, kIconTextFlags,
                    Enabled());
    if (state & cdsFocused) DrawFocusRect(dc, &label);
    return;
  }
  FillSolid(dc, TRect{bounds.Left, bounds.Top, IsList() ? bounds.Right : std::max(bounds.Right, ClientWidth()), bounds.Bottom},
            back);
  TImageList* images = ImagesInUse();
  if (images && item->imageIndex_ >= 0 && item->imageIndex_ < images->Count()) {
    const TPoint at = ImageOrigin(item);
    images->Draw(canvas, at.X, at.Y, item->imageIndex_, Enabled());
  }
  const TRect label = item->DisplayRect(drLabel);
  TRect sel = rowSelect_ && !IsList() ? TRect{label.Left, bounds.Top, bounds.Right, bounds.Bottom} : label;
  if (!rowSelect_ || IsList()) {
    TRect m = MeasureClassicText(Font(), item->caption_, TRect{}, DT_SINGLELINE);
    sel.Right = std::min(label.Right, label.Left + m.Width() + 2 * kItemTextMargin);
  }
  const bool highlighted = item->selected_ && showSel;
  if (highlighted) FillSolid(dc, sel, selBack);
  TRect t{label.Left + kItemTextMargin, label.Top, label.Right - kItemTextMargin, label.Bottom};
  DrawClassicText(dc, canvas->Font(), highlighted ? selText : text, item->caption_, t,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, Enabled());
  if (!IsList()) {
    int x = bounds.Left;
    for (int c = 0; c < columns_->Count(); ++c) {
      TListColumn* col = columns_->Items(c);
      if (c > 0 && c - 1 < item->subItems_->Count()) {
        TRect st{x + kItemTextMargin, bounds.Top, x + col->Width() - kItemTextMargin, bounds.Bottom};
        const bool hi = highlighted && rowSelect_;
        DrawClassicText(dc, canvas->Font(), hi ? selText : text, item->subItems_->Strings(c - 1), st,
                        DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX |
                            AlignmentToDrawTextFlag(col->Alignment()),
                        Enabled());
      }
      x += col->Width();
    }
  }
  if (state & cdsFocused) DrawFocusRect(dc, &sel);
}

void TListView::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  HDC dc = canvas->Handle();
  const TRect client = ClientRect();
  const TRect clip = canvas->ClipRect();
  const TRect header = HeaderRect();
  if (!header.IsEmpty()) {
    int x = -hScroll_;
    for (int i = 0; i < columns_->Count() && x < client.Right; ++i) {
      TListColumn* col = columns_->Items(i);
      const TRect r{x, header.Top, x + col->Width(), header.Bottom};
      x += col->Width();
      if (r.Right <= 0 || r.IsEmpty()) continue;
      TRect area = DrawButtonFace(dc, r, i == pressedColumn_ && pressedOver_ ? bfsPushed : 0);
      area.Left += kItemTextMargin;
      area.Right -= kItemTextMargin;
      DrawClassicText(dc, Font(), clBtnText, col->Caption(), area,
                      DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | AlignmentToDrawTextFlag(col->Alignment()));
    }
    if (x < client.Right) DrawButtonFace(dc, TRect{x, header.Top, client.Right + 2, header.Bottom}, 0);
  }
  const TRect area = ItemArea();
  FillSolid(dc, area, Color());
  auto alive = AliveToken();
  int first = 0, last = -1;
  if (IsGrid()) {
    const int cols = GridColumns();
    first = topIndex_ * cols;
    last = std::min(items_->Count() - 1, first + (area.Height() / GridCell().Y + 1) * cols - 1);
  } else if (IsList()) {
    const int per = ItemsPerColumn(), cols = area.Width() / ListColumnWidth() + 1;
    first = hScroll_ * per;
    last = std::min(items_->Count() - 1, first + cols * per - 1);
  } else {
    first = topIndex_;
    last = std::min(items_->Count() - 1, topIndex_ + area.Height() / RowHeight());
  }
  // An unfolded caption lies over the items below it, so it comes last.
  TListItem* unfolded = nullptr;
  if (viewStyle_ == vsIcon)
    if (TListItem* f = ItemFocused(); f && LabelUnfolded(f)) unfolded = f;
  for (int i = first; i <= last && i < items_->Count(); ++i) {
    const TRect b = ItemBounds(i);
    if (b.Bottom <= clip.Top || b.Top >= clip.Bottom || b.Left >= clip.Right) continue;
    if (b.Top >= area.Bottom || b.Left >= area.Right) continue;
    if (items_->Item(i) == unfolded) continue;
    DrawItem(i, b);
    if (!*alive) return;
  }
  // The marquee, dotted as a focus rectangle, over the items it covers.
  if (marquee_) {
    TRect m = MarqueeClientRect();
    m.Right += 1;
    m.Bottom += 1;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.Left, area.Top, area.Right, area.Bottom);
    DrawFocusRect(dc, &m);
    RestoreDC(dc, saved);
  }
  if (unfolded) {
    const int i = unfolded->Index();
    const TRect b = ItemBounds(i);
    const TRect reach{b.Left, b.Top, b.Right, std::max(b.Bottom, unfolded->DisplayRect(drLabel).Bottom)};
    if (reach.Bottom > clip.Top && reach.Top < clip.Bottom && reach.Left < clip.Right && reach.Right > clip.Left &&
        reach.Bottom > area.Top && b.Top < area.Bottom)
      DrawItem(i, b);
  }
}

TPoint TListView::ImageOrigin(const TListItem* item) const {
  if (viewStyle_ == vsIcon) {
    const TRect icon = item->DisplayRect(drIcon);
    return TPoint{icon.Left, icon.Top};
  }
  const TRect b = ItemBounds(item->Index());
  const TImageList* images = ImagesInUse();
  return TPoint{b.Left + 1, b.Top + (b.Height() - (images ? images->Height() : 0)) / 2};
}

void TListView::DoStartDrag(TDragObject*& DragObject) {
  auto alive = AliveToken();
  TCustomControl::DoStartDrag(DragObject);
  if (!*alive) return;
  dragImage_.Clear();
  POINT p{};
  GetCursorPos(&p);
  const TPoint at = ScreenToClient(p);
  const TListItem* item = GetItemAt(at.X, at.Y);
  if (!item) return;
  const TPoint image = ImageOrigin(item);
  CopyDragImage(dragImage_, ImagesInUse(), item->imageIndex_, TPoint{at.X - image.X, at.Y - image.Y});
}

TDragImageList* TListView::GetDragImages() {
  return dragImage_.Count() && SelCount() <= 1 ? &dragImage_ : nullptr;
}

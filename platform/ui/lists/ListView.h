// The list view, drawn plainly: report view (a header row of columns, one
// row per item, sub-items in the later columns) and list view (items in
// columns filled top to bottom). The icon view puts each large image above
// its centred caption (wrapped to two lines) in cells filled left to right,
// top to bottom; the small-icon view puts the small image left of the caption
// in the same row-major grid. Both scroll vertically by whole rows of cells.
//
// Report view scrolls vertically by whole rows (the bar runs over item
// indexes, the page is the number of whole rows in view) and horizontally
// by pixels over the columns' total width. List view scrolls horizontally
// by whole columns of items. The scroll information is right after every
// change of items, columns, view style and size.
//
// Labels are edited in place (LabelEditor.h) unless ReadOnly is set. An edit
// starts by a second click on the caption of the item that is already
// selected and focused (once the double-click time passes without another
// click), by F2, or by TListItem::EditCaption; OnEditing may refuse it.
// Enter or the loss of focus commits through OnEdited, which may change the
// text; Esc cancels. The report view edits the first column only.
// Scrolling, a new view style, sorting, deleting the edited item, clearing
// the items and freeing the view cancel the edit.
//
// Typing finds an item (ListView_Search.cpp): printable characters select
// and focus the next item whose caption starts with them, ignoring case, as
// the list box does (ItemSearch.h). Characters typed less than
// SearchTimeout() apart extend the text, which is then looked for from the
// focused item on; a pause starts a new search after the focused item. One
// character typed again and again steps through the items starting with
// it. A space only extends a search; a click or a moving key ends it.
//
// Items and the list view may be freed from inside any of its events.
#pragma once
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/DragImageList.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/edits/LabelEditor.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/system/UiMessages.h"

class TListView;
class TListItems;

// ---- Messages the list view answers -------------------------------------------------
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;   // WParam: start (-1: from the top); LParam: LVNI_*
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;   // LParam: RECT*, Left holds LVIR_*
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_SCROLL = LVM_FIRST + 20;        // WParam: dx pixels; LParam: dy pixels
constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
constexpr LPARAM LVNI_ALL = 0x0000;
constexpr LPARAM LVNI_FOCUSED = 0x0001;
constexpr LPARAM LVNI_SELECTED = 0x0002;
constexpr int LVIR_BOUNDS = 0;
constexpr int LVIR_ICON = 1;
constexpr int LVIR_LABEL = 2;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

// ---- Columns ------------------------------------------------------------------------
class TListColumn : public TCollectionItem {
 public:
  explicit TListColumn(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}
  std::string ClassName() const override { return "TListColumn"; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  void Assign(const TPersistent* Source) override;

 private:
  std::string caption_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
};

class TListColumns : public TCollection {
 public:
  explicit TListColumns(TListView* Owner);
  std::string ClassName() const override { return "TListColumns"; }
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* Items(int Index) const { return static_cast<TListColumn*>(TCollection::Items(Index)); }
  TListColumn* operator[](int Index) const { return Items(Index); }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TListView* owner_;
};

// ---- Items --------------------------------------------------------------------------
class TListItem : public TPersistent {
 public:
  explicit TListItem(TListItems* Owner);
  ~TListItem() override;
  std::string ClassName() const override { return "TListItem"; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  // Changes to the sub-items repaint the item.
  TStringList* SubItems() const { return subItems_.get(); }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  bool Selected() const { return selected_; }
  void SetSelected(bool v);
  bool Focused() const { return focused_; }
  void SetFocused(bool v);
  void* Data = nullptr;
  int Index() const;
  TListView* ListView() const;
  TListItems* Owner() const { return owner_; }
  // Client rectangle of the item (or a part of it), where it is laid out
  // whether in view or not.
  TRect DisplayRect(TDisplayCode Code) const;
  void MakeVisible(bool PartialOK);
  void Delete();
  // Starts editing the caption in place; false when refused or read-only.
  bool EditCaption();
  // Cancels the edit of this item's caption, if it is being edited.
  void CancelEdit();
  std::shared_ptr<const bool> AliveToken() const { return alive_; }

 private:
  friend class TListView;
  friend class TListItems;
  TRect IconLabel(bool unfolded) const;
  TListItems* owner_;
  std::string caption_;
  std::unique_ptr<TStringList> subItems_;
  int imageIndex_ = -1;
  bool selected_ = false;
  bool focused_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TListItems : public TPersistent {
 public:
  explicit TListItems(TListView* Owner) : owner_(Owner) {}
  ~TListItems() override;
  std::string ClassName() const override { return "TListItems"; }
  TListItem* Add();
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int Count() const { return int(items_.size()); }
  TListItem* Item(int Index) const;
  TListItem* operator[](int Index) const { return Item(Index); }
  int IndexOf(const TListItem* Item) const;
  // Inside an update the view is laid out and repainted once, at the end.
  void BeginUpdate();
  void EndUpdate();
  TListView* Owner() const { return owner_; }

 private:
  friend class TListItem;
  friend class TListView;
  TListView* owner_;
  std::vector<std::unique_ptr<TListItem>> items_;
  int updateCount_ = 0;
};

using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
// <0, 0 or >0 as Item1 goes before, with or after Item2.
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2)>;
using TLVCustomDrawItemEvent =
    std::function<void(TListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;

// ---- The control ----------------------------------------------------------------------
class TListView : public TCustomControl {
 public:
  explicit TListView(TComponent* AOwner);
  ~TListView() override;
  std::string ClassName() const override { return "TListView"; }

  TListItems* Items() const { return items_.get(); }
  TListColumns* Columns() const { return columns_.get(); }
  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle v);
  TImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TImageList* v);
  TImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TImageList* v);
  bool MultiSelect() const { return multiSelect_; }
  // Turning it off keeps only the first selected item.
  void SetMultiSelect(bool v);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  bool ReadOnly = false;  // true: no label editing, whether by mouse, F2 or code
  bool HideSelection = true;
  bool ShowColumnHeaders() const { return showColumnHeaders_; }
  void SetShowColumnHeaders(bool v);

  // The first selected item, or nullptr; setting it selects only that item.
  TListItem* Selected() const;
  void SetSelected(TListItem* v);
  TListItem* ItemFocused() const;
  void SetItemFocused(TListItem* v);
  int ItemIndex() const;
  void SetItemIndex(int v);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  TListItem* TopItem() const;
  // Whole rows (report) or items (list) in view.
  int VisibleRowCount() const;
  TListItem* GetItemAt(int X, int Y) const;
  // Scrolls by pixels (report rows round to whole rows).
  void Scroll(int DX, int DY);
  // Client rectangle of the header row (empty outside report view).
  TRect HeaderRect() const;
  int RowHeight() const;
  bool IsEditing() const { return editing_.Active(); }
  // The in-place editor while a caption is edited, else nullptr.
  TCustomEdit* Editor() const { return editing_.Editor(); }
  TListItem* ItemEditing() const { return editing_.Active() ? editItem_ : nullptr; }
  // Ends the edit: Cancel keeps the caption, else OnEdited and the new caption.
  void EndEdit(bool Cancel);
  // Orders the items by caption ignoring case, equal ones kept in order;
  // the selection and focus stay with their items.
  void AlphaSort();
  // Orders the items by Compare, equal ones kept in order; the selection and
  // focus stay with their items and no selection event fires.
  void CustomSort(const TLVCompare& Compare);
  // How long after a typed character the next one still extends the search:
  // twice the double-click time, so it follows the user's own pace (a second
  // at the default).
  static DWORD SearchTimeout();

  TLVSelectItemEvent OnSelectItem;
  TLVChangeEvent OnChange;
  TLVColumnClickEvent OnColumnClick;
  TLVDeletedEvent OnDeletion;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(std::string& Key) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // A drag from an item shows the item's image where it lies, the pointer
  // keeping its place on it; none when several items are selected.
  void DoStartDrag(TDragObject*& DragObject) override;

 public:
  TDragImageList* GetDragImages() override;

 private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumns;
  bool IsList() const { return viewStyle_ != vsReport; }
  bool IsGrid() const { return viewStyle_ == vsIcon || viewStyle_ == vsSmallIcon; }
  // The icon views' cell size, cells per row, rows in all and whole rows in view.
  TPoint GridCell() const;
  int GridColumns() const;
  int GridRows() const;
  int GridPage() const;
  TPoint IconSize() const;
  int ListColumnWidth() const;
  int ItemsPerColumn() const;
  int ColumnsWidth() const;
  // The item area below the header.
  TRect ItemArea() const;
  TRect ItemBounds(int index) const;
  void LayoutChanged();
  void UpdateScrollBars();
  void SetTopIndex(int v);
  void SetHScroll(int v);
  void EnsureVisible(int index);
  int Clamp(int index) const { return std::max(0, std::min(index, Items()->Count() - 1)); }
  // Selection changes with their events; false when the view was freed.
  bool ChangeSelected(TListItem* item, bool v);
  bool ChangeFocused(TListItem* item);
  bool SelectOnly(TListItem* item);
  bool SelectRange(int from, int to);
  bool ClearSelection_(const std::shared_ptr<const bool>& alive);
  void ItemChanged(TListItem* item, TItemChange change);
  void ItemDeleting(TListItem* item);
  // In the icon view the focused item's caption shows whole while it is
  // selected and the view has the focus; any other stops after two lines.
  bool LabelUnfolded(const TListItem* item) const;
  void InvalidateItem(const TListItem* item);
  void DrawItem(int index, const TRect& bounds);
  bool BeginEdit(TListItem* item);
  TRect EditorRect(const TListItem* item) const;
  // After a relayout: the editor follows its item.
  void PlaceEditor();
  void ClickTimerFired();
  // Type-to-find (ListView_Search.cpp).
  void SearchChar(char32_t Ch);
  void EndSearch() { search_.clear(); }
  TImageList* ImagesInUse() const { return IsList() && viewStyle_ == vsIcon ? largeImages_ : smallImages_; }
  // Where the item's image is drawn.
  TPoint ImageOrigin(const TListItem* item) const;
  TDragImageList dragImage_{nullptr};

  std::unique_ptr<TListItems> items_;
  std::unique_ptr<TListColumns> columns_;
  TViewStyle viewStyle_ = vsIcon;
  TImageList* smallImages_ = nullptr;
  TImageList* largeImages_ = nullptr;
  bool multiSelect_ = false;
  bool rowSelect_ = false;
  bool showColumnHeaders_ = true;
  int topIndex_ = 0;   // report: first row; icon views: first row of cells
  int hScroll_ = 0;    // report: pixels; list: columns
  int anchor_ = -1;
  bool updatingBars_ = false;
  mutable int listColWidth_ = -1;  // measured on demand
  TLabelEditing editing_{this};
  TListItem* editItem_ = nullptr;
  // The item a second click may start editing when the click timer fires.
  TListItem* clickItem_ = nullptr;
  // The header button held down (-1: none), and whether the mouse is over it.
  int pressedColumn_ = -1;
  bool pressedOver_ = false;
  int HeaderColumnAt(int X, int Y) const;
  std::shared_ptr<const bool> clickItemAlive_;
  // The marquee dragged from empty space in a multi-select report view: its
  // corners in content pixels (the rows' own coordinates, so scrolling
  // carries it with them), the selection Ctrl keeps, and the last mouse point.
  bool marquee_ = false;
  bool marqueeScrolling_ = false;
  TPoint marqueeFrom_{}, marqueeTo_{}, marqueeMouse_{};
  std::vector<bool> marqueeKept_;
  TPoint ToContent(TPoint client) const;
  TRect MarqueeClientRect() const;
  void MarqueeTo(TPoint client);
  void EndMarquee();
  std::string search_;    // the text typed so far; empty when no search runs
  DWORD searchTick_ = 0;  // when its last character came
};

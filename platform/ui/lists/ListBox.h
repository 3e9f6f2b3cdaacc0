// The list box and the check list box, drawn plainly over a window of our
// own. Items live in the control (so a new window keeps them); the vertical
// bar is the window's standard bar, set after every change of the items,
// item heights, top index or size, and hidden when every item fits.
//
// Every change of the items goes through the window's LB_* messages when the
// window exists (through WindowProc otherwise), so a control that replaces
// the procedure sees adds, inserts, deletes, LB_SETCOUNT and
// LB_RESETCONTENT and can act after them.
//
// A user change of the selection sends WM_COMMAND/LBN_SELCHANGE to the
// parent, then runs OnClick; a double click sends LBN_DBLCLK, then runs
// OnDblClick. Changes made in code notify nobody.
//
// A one-column list made with WS_HSCROLL scrolls its items sideways in
// pixels when the horizontal extent (LB_SETHORIZONTALEXTENT, ScrollWidth)
// is wider than the client area, showing the horizontal bar only then.
#pragma once
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/StdCtrls.h"

// ---- List box messages, styles and notifications ------------------------------
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;
constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
constexpr UINT LB_SETCOLUMNWIDTH = 0x0195;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMRECT = 0x0198;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SELITEMRANGE = 0x019B;
constexpr UINT LB_SETANCHORINDEX = 0x019C;
constexpr UINT LB_GETANCHORINDEX = 0x019D;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr UINT LB_SETCOUNT = 0x01A7;
constexpr UINT LB_ITEMFROMPOINT = 0x01A9;
constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;

constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;

constexpr Word LBN_SELCHANGE = 1;
constexpr Word LBN_DBLCLK = 2;

// Owner-draw actions and states of DRAWITEMSTRUCT.
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;

// ---- Owner drawing ------------------------------------------------------------------

// Rect is in the control's client coordinates; the control's Canvas draws
// on the paint DC with the control's font and the state's colours set.
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;
// Runs at the end of each paint, the canvas still on the paint DC.
using TAfterPaintEvent = std::function<void(TObject* Sender, TCanvas* Canvas)>;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox;

// The Items of a list box: the control's own storage seen as TStrings.
class TListBoxStrings : public TStrings {
 public:
  explicit TListBoxStrings(TCustomListBox* ListBox) : listBox_(ListBox) {}
  std::string ClassName() const override { return "TListBoxStrings"; }
  int Count() const override;
  std::string Strings(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* object) override;
  // Sorted lists place the string where it belongs and answer that index.
  int Add(const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;

 protected:
  void SetUpdateState(bool updating) override;

 private:
  TCustomListBox* listBox_;
};

class TCustomListBox : public TCustomControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  std::string ClassName() const override { return "TCustomListBox"; }

  TStrings* Items() const { return items_.get(); }
  void SetItems(const TStrings* v) { items_->Assign(v); }
  int Count() const { return int(data_.size()); }
  void Clear() { items_->Clear(); }

  // The focused item in single selection; the caret item otherwise. -1: none.
  int ItemIndex() const;
  void SetItemIndex(int v);
  int TopIndex() const { return top_; }
  void SetTopIndex(int v);
  // Standard style: the font's line height, unless set; owner-draw: as set.
  int ItemHeight() const;
  void SetItemHeight(int v);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle v);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  // MultiSelect with ExtendedSelect (the default) is LBS_EXTENDEDSEL
  // (Shift and Ctrl); without it, LBS_MULTIPLESEL (each click toggles).
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool v);
  // More than 0: items flow down then across in this many visible columns,
  // scrolled sideways a column at a time.
  int Columns() const { return columns_; }
  void SetColumns(int v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  // The horizontal extent in pixels (LB_SETHORIZONTALEXTENT).
  int ScrollWidth() const { return hExtent_; }
  void SetScrollWidth(int v) { ListMessage(LB_SETHORIZONTALEXTENT, WPARAM(std::max(v, 0)), 0); }
  // Pixels the items are scrolled to the left.
  int HorzScrollPos() const { return scrollX_; }

  bool Selected(int Index) const;
  void SetSelected(int Index, bool v);
  int SelCount() const;
  void SelectAll();
  void ClearSelection();
  void DeleteSelected();

  // Client rectangle of an item (empty when out of range); items above the
  // top or past the bottom get the rectangles they would have.
  TRect ItemRect(int Index) const;
  // The item under a client point; with Existing false a point below the
  // last item answers Count(), else -1.
  int ItemAtPos(TPoint Pos, bool Existing) const;
  // Items that fit wholly in the client area from TopIndex (at least 1).
  int VisibleItemCount() const;

  // Moves the view: "thumb position p" puts item p on top.
  void ScrollTo(int Top) { SetTopIndex(Top); }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TAfterPaintEvent OnAfterPaint;
  // Counts of items drawn by the last paint (to keep paints cheap).
  int LastPaintItemCount() const { return lastPaintItems_; }

  void Dispatch(TMessage& Message) override;
  // The list's own behaviour (what a native list does behind the
  // framework's handlers): LB_* messages, keys, presses, scrolling.
  void DefaultHandler(TMessage& Message) override;

 protected:
  friend class TListBoxStrings;
  struct TItem {
    std::string Text;
    TObject* Object = nullptr;
    bool Selected = false;
    int Height = 0;  // lbOwnerDrawVariable only
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
  };

  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

  // Draws one item: owner-draw styles go through CN_DRAWITEM to DrawItem,
  // others through DefaultDrawItem. The check list draws its box first.
  virtual void PaintItem(int Index, const TRect& Rect, TOwnerDrawState State);
  virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
  // Fills the rectangle in the state's colours and draws the text.
  void DefaultDrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  // After a selection change by the user: LBN_SELCHANGE then OnClick.
  virtual void UserSelChange();
  void NotifyParent(Word Code);
  // Key and press handling a derived list may call or replace.
  virtual void ListKeyDown(Word Key, TShiftState Shift);
  virtual void ListMouseDown(int Index, TPoint Pos, TShiftState Shift, bool Double);
  virtual void ListChar(char32_t Ch);
  // LB_* through the window when it exists (a replaced procedure sees it),
  // else through WindowProc.
  LRESULT ListMessage(UINT Msg, WPARAM WParam, LPARAM LParam);
  // Moves the caret to Index as a click would: false when nothing changed.
  bool MoveCaretTo(int Index, TShiftState Shift, bool FromMouse);
  void UpdateScrollBar();
  void InvalidateItem(int Index);
  // Brings Index into view.
  void MakeVisible(int Index);

  // Storage for the Items adapter and the LB_* messages.
  int InsertItem(int Index, const std::string& Text, TObject* Object);
  void DeleteItem(int Index);
  void ResetContent();
  std::vector<TItem> data_;
  bool TakesFocusOnClick = true;
  int caret_ = -1;  // the focused item
  int anchor_ = -1;

 private:
  // Positions and sizes in the current layout.
  int FixedHeight() const;
  int HeightOf(int Index) const;
  int RowsPerColumn() const;
  int SortedPosition(const std::string& Text) const;
  bool SelectRange(int From, int To, bool Select);
  void HandleLBMessage(TMessage& Message);
  void HandleScroll(int Code, int Pos, bool Horizontal);
  // A held button drags the caret to the item under p; outside the items
  // the list scrolls a step, and on a timer while the button stays held.
  void DragCaretTo(TPoint p);
  void StopAutoScroll();
  void ApplyBorder();
  void CollapseSelectionTo(int Index);

  int MaxTop() const;
  // Sideways scrolling of a one-column list by its extent.
  bool ScrollsSideways() const { return columns_ == 0 && hasHScroll_; }
  int MaxScrollX() const;
  void SetScrollX(int v);
  std::unique_ptr<TListBoxStrings> items_;
  int hExtent_ = 0;
  int scrollX_ = 0;
  bool hasHScroll_ = false;  // made with WS_HSCROLL (the bar clears the bit when hidden)
  int top_ = 0;
  mutable int fontHeight_ = 0;
  bool inScrollUpdate_ = false;
  int itemHeight_ = 0;  // 0: follows the font (standard style)
  TListBoxStyle style_ = lbStandard;
  bool sorted_ = false;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  int columns_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  int updateCount_ = 0;
  bool dragging_ = false;
  bool autoScrolling_ = false;
  TPoint dragPoint_{};  // the held pointer, client coordinates
  int wheelRemainder_ = 0;
  int lastPaintItems_ = 0;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
  std::string ClassName() const override { return "TListBox"; }
};

// ---- Check list box ------------------------------------------------------------------
// A box before each item; a press on an enabled item's box or Space cycles
// its state (grayed only with AllowGrayed) and runs OnClickCheck.
class TCheckListBox : public TCustomListBox {
 public:
  explicit TCheckListBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCheckListBox"; }

  bool Checked(int Index) const { return State(Index) == cbChecked; }
  void SetChecked(int Index, bool v) { SetState(Index, v ? cbChecked : cbUnchecked); }
  TCheckBoxState State(int Index) const;
  void SetState(int Index, TCheckBoxState v);
  bool ItemEnabled(int Index) const;
  void SetItemEnabled(int Index, bool v);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  // Flat boxes: a one-pixel frame instead of the sunken well.
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  // Width of the box column before the item text.
  int CheckWidth() const;
  TNotifyEvent OnClickCheck;

  void Dispatch(TMessage& Message) override;

 protected:
  void PaintItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
  void ListKeyDown(Word Key, TShiftState Shift) override;
  // Cycles the state of an enabled item and runs OnClickCheck.
  void ToggleCheck(int Index);

 private:
  bool allowGrayed_ = false;
  bool flat_ = true;
};

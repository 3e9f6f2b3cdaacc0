// The combo box drawn plainly: a 2-pixel sunken edge of its own (no
// non-client border), the selection field or an edit part, and the drop
// button; its list is a list box in a popup window (WS_POPUP, a tool window
// that never takes activation) shown below the combo, or above it when the
// work area has no room below. csSimple keeps the list as a child below the
// edit part instead.
//
// The edit part of csDropDown and csSimple is an edit control (Edit.h)
// without a border: clipboard, undo, mouse selection and its context menu
// work as in any edit, while the combo's keys (arrows, F4, Enter, Esc) go to
// the combo first. Selection positions count characters.
//
// Order of events:
//   dropping (button press, F4, Alt+Down): CBN_DROPDOWN, OnDropDown, then
//   the list shows;
//   choosing an item with the mouse: the list hides, CBN_SELENDOK,
//   CBN_CLOSEUP, OnCloseUp, then CBN_SELCHANGE, OnClick, OnSelect (OnChange
//   when OnSelect is unset) - close-up always comes before select;
//   arrow keys (dropped or not): CBN_SELCHANGE, OnClick, OnSelect/OnChange
//   for each move; Enter closes (CBN_SELENDOK, CBN_CLOSEUP, OnCloseUp);
//   a press outside the list, Esc, losing the focus: the list hides with the
//   selection it had before it dropped, CBN_SELENDCANCEL, CBN_CLOSEUP,
//   OnCloseUp;
//   typing in the edit part: CBN_EDITCHANGE, OnChange.
// Every notification goes to the parent as WM_COMMAND first.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/lists/ListBox.h"

constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_SETEDITSEL = 0x0142;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
constexpr UINT CB_SETITEMHEIGHT = 0x0153;
constexpr UINT CB_GETITEMHEIGHT = 0x0154;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
constexpr UINT CB_SETDROPPEDWIDTH = 0x0160;
constexpr UINT CB_GETCOMBOBOXINFO = 0x0164;
constexpr LRESULT CB_ERR = -1;

constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD CBS_SORT = 0x0100;

constexpr Word CBN_SELCHANGE = 1;
constexpr Word CBN_DBLCLK = 2;
constexpr Word CBN_SETFOCUS = 3;
constexpr Word CBN_KILLFOCUS = 4;
constexpr Word CBN_EDITCHANGE = 5;
constexpr Word CBN_EDITUPDATE = 6;
constexpr Word CBN_DROPDOWN = 7;
constexpr Word CBN_CLOSEUP = 8;
constexpr Word CBN_SELENDOK = 9;
constexpr Word CBN_SELENDCANCEL = 10;

struct COMBOBOXINFO {
  DWORD cbSize = sizeof(COMBOBOXINFO);
  RECT rcItem{};    // the selection field or edit part, client coordinates
  RECT rcButton{};  // the drop button, client coordinates
  DWORD stateButton = 0;  // STATE_SYSTEM_PRESSED while dropped; INVISIBLE for csSimple
  HWND hwndCombo = nullptr;
  HWND hwndItem = nullptr;  // the edit part, or the combo itself
  HWND hwndList = nullptr;
};
// FALSE when hwnd is no combo box.
BOOL GetComboBoxInfo(HWND hwnd, COMBOBOXINFO* info);

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboListBox;
class TComboEdit;

class TCustomComboBox : public TCustomControl {
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  std::string ClassName() const override { return "TCustomComboBox"; }

  TStrings* Items() const;
  void SetItems(const TStrings* v) { Items()->Assign(v); }
  int ItemIndex() const;
  // Sets the selection and the text; no events.
  void SetItemIndex(int v);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle v);
  bool DroppedDown() const { return dropped_; }
  void SetDroppedDown(bool v);
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int v) { dropDownCount_ = v < 1 ? 1 : v; }
  // Height of the items in the list (CB_SETITEMHEIGHT 0..).
  int ItemHeight() const;
  void SetItemHeight(int v);
  bool Sorted() const;
  void SetSorted(bool v);
  // csDropDown: typing completes the text from the first matching item.
  bool AutoComplete = true;
  // Typing in the edit part drops the list.
  bool AutoDropDown = false;
  int SelStart() const;
  int SelLength() const;
  void SelectAll();

  // Client rectangles of the selection field (edit part) and the button.
  TRect ItemRect() const;
  TRect ButtonRect() const;
  COMBOBOXINFO ComboBoxInfo();
  // The list's window (created hidden on first use).
  TCustomListBox* ListBox() const;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TAfterPaintEvent OnAfterPaint;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  friend class TComboListBox;
  friend class TComboEdit;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void SetTextBuf(const std::string& v) override;
  virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();

 private:
  bool Editable() const { return style_ == csDropDown || style_ == csSimple; }
  int FieldHeight() const;
  void Notify(Word Code);
  // Shows the list under (or over) the combo; runs the drop events first.
  void DoDropDown();
  // Hides the list; accept keeps the list's selection, else restores the
  // committed one. byChoice: a mouse choice, followed by the select events.
  void DoCloseUp(bool accept, bool byChoice);
  // A user change of the selection: text, CBN_SELCHANGE, OnClick, OnSelect.
  void SelChanged();
  bool ComboKey(Word Key, TShiftState Shift);
  void MoveSelection(int Index);
  void EditChanged();
  void LayoutParts();
  void SyncEditText();
  void HandleCBMessage(TMessage& Message);

  std::unique_ptr<TComboListBox> list_;
  TComboEdit* edit_ = nullptr;  // a child control, freed with the combo
  TComboBoxStyle style_ = csDropDown;
  bool dropped_ = false;
  bool closing_ = false;
  int dropDownCount_ = 8;
  int committed_ = -1;
  int fieldHeight_ = 0;  // CB_SETITEMHEIGHT -1; 0: from the font
  int droppedWidth_ = 0;
  int wheelRemainder_ = 0;
};

class TComboBox : public TCustomComboBox {
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
  std::string ClassName() const override { return "TComboBox"; }
};

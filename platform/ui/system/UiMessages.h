// The framework's message record, its own notifications (CM_*) and the
// messages a parent reflects back to the child control they concern (CN_*),
// plus the window messages and records of control notifications that the
// window layer itself does not use.
//
// Numbering: the framework's numbers sit in the WM_APP range, away from
// WM_USER-based messages (0x0400-0x7FFF, where private control messages
// and the libraries' 0x4C9-0x50E, 0x590, 0x591, 0x0800, 0x1F58 live), from
// the libraries' high numbers (0xB1B2, 0xB1C9, 0xBC4B) and from
// RegisterWindowMessage's range (0xC000-0xFFFF):
//   CM_BASE 0xA000: notifications, 0xA000-0xA0FF;
//   CN_BASE 0xA400: CN_BASE + a WM_* number below 0x400, 0xA400-0xA7FF.
#pragma once
#include <cstdint>

#include "platform/user/User.h"

// A message as the framework's controls see it: Result is what the window
// procedure returns.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  Word WParamLo() const { return LOWORD(WParam); }
  Word WParamHi() const { return HIWORD(WParam); }
  Word LParamLo() const { return LOWORD(std::uintptr_t(LParam)); }
  Word LParamHi() const { return HIWORD(std::uintptr_t(LParam)); }
  // Mouse messages: the point packed in LParam, sign-extended.
  int XPos() const { return GET_X_LPARAM(LParam); }
  int YPos() const { return GET_Y_LPARAM(LParam); }
  TPoint Pos() const { return TPoint{XPos(), YPos()}; }
};

// ---- Window messages the window layer leaves to controls ---------------------
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_DELETEITEM = 0x002D;
constexpr UINT WM_VKEYTOITEM = 0x002E;
constexpr UINT WM_CHARTOITEM = 0x002F;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_COMPAREITEM = 0x0039;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// Key data (LParam of key messages), high word.
constexpr Word KF_EXTENDED = 0x0100;
constexpr Word KF_ALTDOWN = 0x2000;
constexpr Word KF_REPEAT = 0x4000;
constexpr Word KF_UP = 0x8000;

// ---- Records of control notifications ------------------------------------------
struct NMHDR {
  HWND hwndFrom = nullptr;
  std::uintptr_t idFrom = 0;
  UINT code = 0;
};

constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem{};
  std::uintptr_t itemData = 0;
};

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  std::uintptr_t itemData = 0;
};

// ---- Framework notifications ------------------------------------------------------
constexpr UINT CM_BASE = 0xA000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;          // LParam: the control keeping the mode
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;           // WParam: key; Result non-zero: handled
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;          // WParam: character code; Result non-zero: handled
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;        // LParam: the newly focused TWinControl
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;            // LParam: client point; Result non-zero: hit
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;     // WParam: new visibility
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
// LParam 0 at the control entered or left; forwarded up the parent chain
// with LParam = that control.
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;     // WParam: key; Result non-zero: the control wants it
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;  // WParam: control; LParam: 1 inserted, 0 removed
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;           // WParam: key; LParam: the control; Result: handled
// WParam: a TDragMessage; LParam: the TDragRec. Result: accepted (enter,
// move) or the target control (find target).
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;           // LParam: THintInfo* of the hint layer
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;      // WParam: control; LParam: 1 inserting, 0 removing
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;
constexpr UINT CM_PARENTBACKGROUNDCHANGED = CM_BASE + 68;
// A top-level control offers a dialog key to each ancestor of the focused
// control, innermost first (WParam: key); a non-zero result takes it.
constexpr UINT CM_FOCUSPATHKEY = CM_BASE + 90;

// ---- Reflected messages: the parent sends CN_BASE + msg to the child control
// named in a WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM,
// WM_*ITEM, WM_HSCROLL or WM_VSCROLL it received.
constexpr UINT CN_BASE = 0xA400;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// Owner-draw state of an item, shared by menus, list and combo boxes.
using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = 1u << 0;
constexpr TOwnerDrawState odGrayed = 1u << 1;
constexpr TOwnerDrawState odDisabled = 1u << 2;
constexpr TOwnerDrawState odChecked = 1u << 3;
constexpr TOwnerDrawState odFocused = 1u << 4;
constexpr TOwnerDrawState odDefault = 1u << 5;
constexpr TOwnerDrawState odHotLight = 1u << 6;
constexpr TOwnerDrawState odInactive = 1u << 7;
constexpr TOwnerDrawState odNoAccel = 1u << 8;
constexpr TOwnerDrawState odNoFocusRect = 1u << 9;
constexpr TOwnerDrawState odReserved1 = 1u << 10;
constexpr TOwnerDrawState odReserved2 = 1u << 11;
constexpr TOwnerDrawState odComboBoxEdit = 1u << 12;

// Custom-draw state of a list-view item or tool button.
using TCustomDrawState = unsigned;
constexpr TCustomDrawState cdsSelected = 1u << 0;
constexpr TCustomDrawState cdsGrayed = 1u << 1;
constexpr TCustomDrawState cdsDisabled = 1u << 2;
constexpr TCustomDrawState cdsChecked = 1u << 3;
constexpr TCustomDrawState cdsFocused = 1u << 4;
constexpr TCustomDrawState cdsDefault = 1u << 5;
constexpr TCustomDrawState cdsHot = 1u << 6;

// The window menu: each window with WS_SYSMENU has a menu of window commands
// (Restore, Move, Size, Minimize, Maximize, Close), made from the standard
// one the first time GetSystemMenu asks for it and freed with the window.
// The items carry the SC_* commands; DefWindowProc sets their enabled state
// from the window's style and state each time the menu opens (Close keeps
// what the program set), sends WM_INITMENU and WM_INITMENUPOPUP (system flag
// in the high word), tracks it, and posts the chosen command as
// WM_SYSCOMMAND once the menu has closed.
//
// Menus here are flat lists of command items and separators. The menu
// windows belong to the framework above this layer, so tracking goes through
// a hook the framework installs (SetWindowMenuTracker); without one the
// menu does not open.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/user/UserTypes.h"

using UINT_PTR = std::uintptr_t;

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MF_SYSMENU = 0x2000;
constexpr UINT MF_MOUSESELECT = 0x8000;

constexpr UINT WM_INITMENUPOPUP = 0x0117;  // WParam: HMENU of the sub-menu; LParam: (index, system)
constexpr UINT WM_MENUSELECT = 0x011F;     // WParam: (command or index, MF_* flags); LParam: HMENU
constexpr UINT WM_MENUCHAR = 0x0120;

// The window's own copy of its window menu (made on first use), or with
// revert the copy dropped and nullptr returned, so the standard one comes back.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
BOOL IsMenu(HMENU menu);
int GetMenuItemCount(HMENU menu);
// The command of the item at a position; 0 for a separator, -1 (as UINT) when none.
UINT GetMenuItemID(HMENU menu, int pos);
// MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR and MF_DEFAULT of an item
// named by command or position (MF_BYPOSITION); -1 (as UINT) when none.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// The item's text (a tab parts the short-cut text), truncated to max - 1
// bytes; its length, 0 when none.
int GetMenuString(HMENU menu, UINT item, char* text, int max, UINT flags);
// Returns the item's previous MF_GRAYED/MF_DISABLED state, or -1 when none.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT item, UINT flags);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text);
BOOL InsertMenu(HMENU menu, UINT before, UINT flags, UINT_PTR id, const char* text);

// Shows a window menu at a screen point (its top-left corner) and runs the
// loop; returns the chosen command or 0. byKeyboard selects the first item.
using TWindowMenuTracker = std::function<UINT(HWND owner, HMENU menu, POINT at, bool byKeyboard)>;
void SetWindowMenuTracker(TWindowMenuTracker tracker);

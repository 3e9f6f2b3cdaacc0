// The menu windows and the menu loop. A popup menu or a form's bar is
// tracked in a modal loop (as TrackPopupMenu does): mouse and key input is
// taken by the loop, every other message is dispatched as usual, so timers
// and painting go on. Each open level is a WS_POPUP tool window that never
// takes the focus (MA_NOACTIVATE), drawn in the classic look.
//
// Mouse: hovering selects a row; a row with a sub-menu opens it after the
// SPI_GETMENUSHOWDELAY delay (moving to another row closes it after the same
// delay); pressing a sub-menu row opens it at once; releasing on an enabled
// plain row chooses it. A button press outside every menu ends the loop:
// on the owner's menu bar the press is consumed (as Windows does), anywhere
// else it stays in the queue and reaches the window under it afterwards.
// Keys: Up/Down (wrapping, separators skipped), Home/End (first and last
// item), Page Up/Down (one viewport of rows, no wrapping), Right opens a
// sub-menu (or the next bar menu), Left closes one (or goes to the previous
// bar menu), Enter opens or chooses, Esc closes one level, a character
// chooses or opens the item it is the '&' accelerator of (several: cycles
// through them), Alt or F10 ends the loop.
//
// A level whose rows do not fit the height of its work area (a drop-down:
// the room below or above its bar item) is limited to it and shows its rows
// from a first row on, between two arrow strips drawn embossed at the ends.
// Resting on a strip scrolls one row per 100 ms tick, pressing it scrolls a
// row at once, the wheel scrolls the level under the pointer (else the
// deepest) SPI_GETWHEELSCROLLLINES rows a notch, and the keys and
// accelerators scroll the row they select into view. Scrolling a level
// closes the sub-menus it shows.
//
// The loop ends without a command, closing every level as Esc would, when
// the application loses activation (WM_ACTIVATEAPP(FALSE): no window of ours
// is active any more), or when the owner window is destroyed or hidden.
//
// The owner window gets WM_ENTERMENULOOP, WM_INITMENUPOPUP (before each
// level shows, after which the sub-menu item's OnClick may still fill it),
// WM_MENUSELECT on each selection change and (0xFFFF, 0) at the end, then
// WM_EXITMENULOOP. The loop returns the chosen command; the caller posts it,
// so OnClick runs after every menu window is gone. Menus changed or freed
// while shown follow at once (a freed sub-menu closes).
#pragma once
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/ui/menus/Menus.h"

// A popup of Root's items at a screen point, placed by Alignment and kept on
// the point's monitor work area. Returns the chosen command or 0.
Word TrackMenuPopup(TMenuItem* Root, TPoint At, TPopupAlignment Alignment, HWND Owner);
// The loop on a form's menu bar. OpenIndex (an index into Root's items)
// drops that menu at once; -1 starts with the first bar item hot and
// nothing dropped (Alt, F10). ByKeyboard selects the first row of menus
// that drop. Returns the chosen command or 0.
Word TrackMenuBar(HWND Form, TMenuItem* Root, int OpenIndex, bool ByKeyboard);
// Ends the running menu loop without a command (WM_CANCELMODE does too).
// Keyboard menus in a chain, as Windows runs a bar and the window menus:
// once armed, the next loop started (a bar or a window menu) ends when Left
// or Right would move past its ends, instead of wrapping. The direction it
// left by (-1 or +1, 0 otherwise) is taken afterwards, which disarms.
void ArmMenuChain();
int TakeMenuChainLeave();
void EndMenu();
bool MenuLoopActive();

// ---- Queries on the running loop (tests, skinned code) -----------------------------
// Open levels: 0 is the popup or the bar's drop-down.
int MenuLevelCount();
HWND MenuLevelWindow(int Level);
// The item shown at Level whose sub-items are listed (nullptr: no such level).
TMenuItem* MenuLevelParent(int Level);
// Screen rectangle of the part of Item's row shown at Level; empty when it
// is not listed there or scrolled out of view.
TRect MenuItemScreenRect(int Level, const TMenuItem* Item);
// The selected item at Level, or nullptr.
TMenuItem* MenuLevelSelected(int Level);
// The first item shown at Level (later than the first item when scrolled).
TMenuItem* MenuLevelTopItem(int Level);
// A scrolling level's arrow strip in screen coordinates (Direction -1: the
// upper one, +1: the lower one); empty when the level does not scroll.
TRect MenuScrollArrowScreenRect(int Level, int Direction);
// The bar item shown hot on Form (index into its root's items) or -1;
// *Open tells whether its menu is dropped.
int MenuBarHotIndex(HWND Form, bool* Open);

// Called by the menu objects on every change; shown menus re-measure.
void NotifyMenuTracking();

// Row metrics of the classic look, for the bar and for tests.
int MenuRowHeight();

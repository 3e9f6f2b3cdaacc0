// The utilities that work on windows: placing a dialog on the screen, the
// terminal-server test of the views, the owner window of a component, and
// the scroll-bar wrappers that address either the standard or the flat
// scroll bars of a window.
#pragma once

#include "platform/user/nonclient/ScrollBars.h"
#include "platform/user/UserTypes.h"

class TComponent;

// Called by PlaceDialogOnScreen instead of placing the window itself.
using TVQPlaceDialogHook = void (*)(HWND window);
extern TVQPlaceDialogHook PlaceDialogHook;

// Moves the window, without resizing, reordering or activating it, to the
// middle of the screen across and a third of the way down; or hands it to
// PlaceDialogHook when one is set.
void PlaceDialogOnScreen(HWND window);

// True in a terminal-server session.
bool IsRemoteSession();

// The window handle of the first windowed control up the owner chain of
// component (the component itself included); nullptr when that control has
// no window yet or there is none.
HWND FindOwnerWindow(TComponent* component);

// Each wrapper calls the standard scroll-bar function, or with Flat the flat
// one, and returns what it returns.
BOOL ScrollBarSetRange(HWND Handle, int Bar, int Min, int Max, bool Redraw, bool Flat);
int ScrollBarSetInfo(HWND Handle, int Bar, const SCROLLINFO& Info, bool Redraw, bool Flat);
// Sets only the page (SIF_PAGE); a negative page counts as 0.
int ScrollBarSetPage(HWND Handle, int Bar, int Page, bool Redraw, bool Flat);
int ScrollBarSetPos(HWND Handle, int Bar, int Pos, bool Redraw, bool Flat);
BOOL ScrollBarEnable(HWND Handle, int Bar, UINT Arrows, bool Flat);
BOOL ScrollBarShow(HWND Handle, int Bar, bool Show, bool Flat);

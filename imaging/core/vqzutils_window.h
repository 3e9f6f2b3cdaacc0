// The utilities that work on windows: placing a dialog on the screen and the
// terminal-server test of the views.
#pragma once

#include "platform/user/UserTypes.h"

// Called by PlaceDialogOnScreen instead of placing the window itself.
using TVQPlaceDialogHook = void (*)(HWND window);
extern TVQPlaceDialogHook PlaceDialogHook;

// Moves the window, without resizing, reordering or activating it, to the
// middle of the screen across and a third of the way down; or hands it to
// PlaceDialogHook when one is set.
void PlaceDialogOnScreen(HWND window);

// True in a terminal-server session.
bool IsRemoteSession();

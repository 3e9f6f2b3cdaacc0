// Keyboard focus and activation. Activating a top-level window sends
// WM_NCACTIVATE and WM_ACTIVATE to the one losing activation, then to the
// one gaining it (WM_ACTIVATEAPP when the application gains or loses its
// first or last active window), then moves the focus: WM_KILLFOCUS to the
// old focus, WM_SETFOCUS to the new.
#pragma once
#include "platform/user/UserTypes.h"

HWND SetFocus(HWND hwnd);  // nullptr: no window has the focus
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

// For the back end: the native window of w gained or lost the input focus.
void NativeActivationChanged(HWND topLevel, bool active);

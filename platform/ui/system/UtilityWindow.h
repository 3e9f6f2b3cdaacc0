// Hidden utility windows with a procedure of their own (the framework's
// AllocateHWnd): timers, the tray and other non-visual components receive
// their messages through one.
#pragma once
#include <functional>

#include "platform/user/UserTypes.h"

// Returns the message's result; messages it does not want go to
// DefWindowProc through the window's own default.
using TUtilityWndProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A hidden top-level window that is never shown and never activated.
HWND AllocateHWnd(TUtilityWndProc proc);
// Destroys the window; safe from inside its own procedure, which keeps
// running on a copy of the handler until it returns.
void DeallocateHWnd(HWND hwnd);

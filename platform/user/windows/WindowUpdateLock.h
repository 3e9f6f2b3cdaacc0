// LockWindowUpdate: while a window is locked, drawing through DCs of it and
// its descendants goes nowhere (except DCs got with DCX_LOCKWINDOWUPDATE);
// unlocking invalidates the whole window, frame and children, so what was
// drawn meanwhile gets painted. One window at a time.
#pragma once
#include "platform/user/UserTypes.h"

// nullptr unlocks. FALSE while another window is locked.
BOOL LockWindowUpdate(HWND hwnd);

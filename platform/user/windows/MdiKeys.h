// The document keys of an MDI frame: called by a program's message loop
// before TranslateMessage, with the frame's MDI client window.
// Ctrl+F4 closes the active child, Ctrl+F6 and Ctrl+Tab bring up the next
// child, Ctrl+Shift+F6 and Ctrl+Shift+Tab the previous one, and Alt+-
// opens the active child's window menu. Each goes to the child as
// WM_SYSCOMMAND (SC_CLOSE, SC_NEXTWINDOW, SC_PREVWINDOW, SC_KEYMENU '-');
// the client names the active child through WM_MDIGETACTIVE. TRUE when the
// key was taken, and the message must not be translated or dispatched.
#pragma once
#include "platform/user/UserTypes.h"

BOOL TranslateMDISysAccel(HWND client, MSG* msg);

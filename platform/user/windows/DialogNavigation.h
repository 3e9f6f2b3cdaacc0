// Dialog navigation in Windows' order: the controls of a dialog (or any
// parent) are taken in z-order, top first, and a child with
// WS_EX_CONTROLPARENT that is visible and enabled lends its own controls in
// its place. Only visible, enabled controls are found.
#pragma once
#include "platform/user/UserTypes.h"

// The next (or previous) control after `control` with WS_TABSTOP, wrapping
// round; with no control, the first (or last). `control` itself when no
// other qualifies, nullptr when none does.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// The next (or previous) control of `control`'s group: a group starts at a
// control with WS_GROUP and runs up to the next one; the search wraps
// within the group. `control` itself when no other qualifies.
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

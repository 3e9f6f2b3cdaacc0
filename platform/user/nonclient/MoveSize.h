// DefWindowProc's move and size loop: a nested message loop under capture
// from a caption or border press until the button comes up. It sends
// WM_ENTERSIZEMOVE at the press, then per mouse move WM_MOVING or WM_SIZING
// with the proposed rectangle (which the window may change) before applying
// it, and WM_EXITSIZEMOVE at the end. The button-up is consumed; Esc puts
// the window back where it started.
#pragma once
#include "platform/user/UserTypes.h"

struct WND;
void RunMoveSizeLoop(WND* w, int hit, POINT startScreen);
// The same loop started from the window menu (a move or size command
// without a caption or edge): the arrow keys move the window, or for a size
// the first arrow picks the edge and a crossing arrow adds the corner, by
// 8 pixels a press (1 with Ctrl); Enter or a press keeps the result, Esc
// puts the window back.
void RunKeyboardMoveSizeLoop(WND* w, bool size);
// DefWindowProc's press on a caption button: follows the mouse under
// capture until the button comes up and tells whether it came up over the
// same button (WM_NCHITTEST answering `hit`).
bool TrackCaptionButton(WND* w, int hit);

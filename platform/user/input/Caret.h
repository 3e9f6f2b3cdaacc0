// The caret: one per application, owned by a window. CreateCaret makes it
// hidden; ShowCaret and HideCaret are counted (as many shows as hides before
// it appears again; a show with nothing to undo does nothing). While shown
// it blinks on the layer's clock. It is composited when a window is
// presented, inverting the presented pixels only, so painting can never
// leave inverted pixels behind. It goes away with its window.
#pragma once
#include "platform/user/UserTypes.h"

// bitmap nullptr: solid; (HBITMAP)1: grey; else the bitmap's colours are
// XORed onto the window (snapshot taken here). Width or height 0: the
// border metrics.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// nullptr: the caret's own window.
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);  // client coordinates of the caret's window
BOOL GetCaretPos(POINT* p);
// INFINITE (0xFFFFFFFF): no blinking.
BOOL SetCaretBlinkTime(UINT ms);
UINT GetCaretBlinkTime();

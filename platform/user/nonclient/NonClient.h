// DefWindowProc's non-client area. Child and popup windows get the standard
// borders (WS_BORDER, WS_DLGFRAME, WS_THICKFRAME, WS_EX_CLIENTEDGE,
// WS_EX_STATICEDGE), a caption for a child with WS_CAPTION, and room for
// the scroll bars of WS_HSCROLL/WS_VSCROLL. A top-level window with a
// caption has no non-client area of its own: the window manager decorates
// it, unless a procedure answers WM_NCCALCSIZE (and asks for a custom frame).
#pragma once
#include "platform/user/UserTypes.h"

// Tells the display that the program paints this top-level window's frame.
BOOL SetCustomFrame(HWND hwnd, BOOL custom);
BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD exStyle);

struct WND;
// Default handling, used by DefWindowProc; rects in window-relative terms.
void DefaultNcCalcSize(WND* w, RECT* proposed);
int DefaultNcHitTest(WND* w, POINT screen);
void DefaultNcPaint(WND* w);
// The default frame and scroll bars, into a DC whose origin is the window's corner.
void DrawDefaultFrame(WND* w, HDC dc);

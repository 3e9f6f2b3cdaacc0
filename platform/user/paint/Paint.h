// Invalidation, WM_PAINT, device contexts over a top-level window's pixels
// and window regions.
//
// Update regions accumulate per window with an erase flag. WM_PAINT comes
// when the queue holds nothing else, parents before children, topmost
// sibling first. BeginPaint sends WM_NCPAINT when the frame is invalid and
// WM_ERASEBKGND when erasing is pending. Invalidating a window without
// WS_CLIPCHILDREN invalidates the children it covers too. Drawing through
// any DC lands on the top-level surface and is presented when idle.
#pragma once
#include "platform/user/windows/Layered.h"
#include "platform/user/UserTypes.h"

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase);  // client coordinates
BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* r);
BOOL ValidateRgn(HWND hwnd, HRGN rgn);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN rgn, UINT flags);
BOOL GetUpdateRect(HWND hwnd, RECT* r, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase);

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);        // client area; nullptr: a screen-compatible memory DC
HDC GetWindowDC(HWND hwnd);  // whole window, origin at its top-left corner
// DCX_WINDOW, DCX_CLIPCHILDREN, DCX_CLIPSIBLINGS, DCX_INTERSECTRGN and
// DCX_EXCLUDERGN (the region in screen coordinates, as WM_NCPAINT gives it).
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);

// Takes ownership of rgn (window coordinates) and frees the region it
// replaces; nullptr removes the region. Clips painting and hit testing.
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw);
// Copies the window region into rgn; ERROR when the window has none.
int GetWindowRgn(HWND hwnd, HRGN rgn);

// The pixels of a top-level window as last painted (tests, snapshots).
struct Surface;
const Surface* WindowSurface(HWND topLevel);

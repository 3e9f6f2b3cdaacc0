// Window geometry, visibility, z-order and coordinate mapping. Each change
// sends what Windows sends: WM_WINDOWPOSCHANGING (the window may alter the
// proposal), WM_NCCALCSIZE on a size or frame change, the redraw, then
// WM_WINDOWPOSCHANGED, whose default handling sends WM_SIZE and WM_MOVE.
// Programmatic changes are not clamped to WM_GETMINMAXINFO.
#pragma once
#include "platform/user/UserTypes.h"

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Returns whether the window was visible before. A minimized top-level
// window keeps its rectangle (GetWindowRect, WM_MOVE stay as they were),
// is iconified by the display, and is skipped by WindowFromPoint, so it
// takes no mouse input until restored.
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL BringWindowToTop(HWND hwnd);
// The native window's state changed outside the program (the window
// manager maximised, minimised or restored it): SIZE_MAXIMIZED,
// SIZE_MINIMIZED or SIZE_RESTORED. The style follows and the window gets
// WM_SIZE of that type, as on Windows; its bounds come separately.
void NativeStateChanged(HWND topLevel, UINT sizeType);
// The window manager is moving or sizing a top-level window: popups that
// hang on it (a drop-down list holding the capture, a menu's loop) close,
// as on Windows when a move starts.
void NativeMovedBySystem(HWND topLevel);
// For a top-level window that places itself when maximised (a custom
// frame): tells the desktop it is maximised or not, without moving it or
// changing its style; call before placing it. When the desktop restores it
// from its side, the window gets WM_SIZE with SIZE_RESTORED while
// IsDesktopMaximized is false. FALSE also ends a maximised state the
// desktop gave it (WS_MAXIMIZE).
BOOL SetDesktopMaximized(HWND hwnd, BOOL maximized);
BOOL IsDesktopMaximized(HWND hwnd);
// The bounds a maximised window goes back to; its rectangle otherwise.
BOOL GetRestoredRect(HWND hwnd, RECT* r);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);

BOOL GetWindowRect(HWND hwnd, RECT* r);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* r);  // origin 0,0
BOOL ClientToScreen(HWND hwnd, POINT* p);
BOOL ScreenToClient(HWND hwnd, POINT* p);
// Returns the offset as MAKELONG(dx, dy); nullptr stands for the screen.
int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT count);

constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;

// The deepest visible, enabled window under a screen point, window regions
// respected, passing over windows whose WM_NCHITTEST answers HTTRANSPARENT;
// nullptr where none of ours is.
HWND WindowFromPoint(POINT screen);
// A direct child under a client point of parent (children answering
// HTTRANSPARENT passed over), parent itself when no child is there, nullptr
// outside the parent.
HWND ChildWindowFromPoint(HWND parent, POINT client);
HWND ChildWindowFromPointEx(HWND parent, POINT client, UINT flags);

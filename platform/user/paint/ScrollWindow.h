// Scrolling window and DC pixels. The bits inside the scroll rectangle move
// by (dx, dy), landing only inside the clip rectangle and only where the
// window is visible; the area of scroll ∩ clip that received no bits is the
// update region (client or logical coordinates). ScrollWindowEx also moves
// the window's pending update region with the bits, moves the children with
// SW_SCROLLCHILDREN, and with SW_INVALIDATE invalidates the update region
// (SW_ERASE: with erasing, done at the next BeginPaint). Both return the
// region's type (NULLREGION, SIMPLEREGION, COMPLEXREGION; ERROR on failure).
#pragma once
#include "platform/user/UserTypes.h"

constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;
constexpr UINT SW_SMOOTHSCROLL = 0x0010;  // scrolls at once

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect,
                   UINT flags);
// SW_INVALIDATE | SW_ERASE, and the children move when scroll is nullptr.
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip);
// Moves the bits of any DC (32-, 24-, 16- or 8-bit surfaces) without
// invalidating anything; the update region is in logical coordinates.
BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect);

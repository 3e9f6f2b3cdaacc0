// Layered windows (WS_EX_LAYERED). Either constant attributes with painted
// pixels (SetLayeredWindowAttributes: LWA_ALPHA opacity, LWA_COLORKEY
// transparent colour) or per-pixel content that replaces painting
// (UpdateLayeredWindow); a window uses one or the other until its layered
// style is cleared. Clearing WS_EX_LAYERED makes it opaque and painted again.
#pragma once
#include "platform/user/UserTypes.h"

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, Byte alpha, DWORD flags);
// The flags as set (LWA_ALPHA stays reported at 255). FALSE for a window
// whose content comes from UpdateLayeredWindow.
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, Byte* alpha, DWORD* flags);

// Top-level windows only. pptDst / psize move and size the window (nullptr
// keeps them). hdcSrc (nullptr keeps the content) gives psize pixels at
// pptSrc: premultiplied with per-pixel alpha under ULW_ALPHA and
// AC_SRC_ALPHA, else opaque; ULW_ALPHA scales by SourceConstantAlpha,
// ULW_COLORKEY makes crKey transparent, ULW_OPAQUE ignores alpha. hdcDst is
// not used.
BOOL UpdateLayeredWindow(HWND hwnd, HDC hdcDst, const POINT* pptDst, const SIZE* psize, HDC hdcSrc,
                         const POINT* pptSrc, COLORREF crKey, const BLENDFUNCTION* pblend, DWORD flags);

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

// Caption buttons drawn anywhere (an MDI frame's menu bar): the face and
// glyph the layer's own captions use, filling the whole rectangle.
constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_CAPTIONMIN = 0x0001;
constexpr UINT DFCS_CAPTIONMAX = 0x0002;
constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state);

struct WND;
// Default handling, used by DefWindowProc; rects in window-relative terms.
void DefaultNcCalcSize(WND* w, RECT* proposed);
int DefaultNcHitTest(WND* w, POINT screen);
void DefaultNcPaint(WND* w);
// The default frame and scroll bars, into a DC whose origin is the window's corner.
void DrawDefaultFrame(WND* w, HDC dc);

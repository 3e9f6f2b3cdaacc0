// Standard scroll bars: the non-client bars of WS_HSCROLL / WS_VSCROLL and
// the SB_CTL data of a "SCROLLBAR" control (SBS_HORZ / SBS_VERT).
//
// Positions are clamped to [nMin, nMax - max(nPage - 1, 0)] and the page to
// nMax - nMin + 1 whenever any of them changes. Setting the range or page of
// a window bar shows it when it is needed (nPage < nMax - nMin + 1) and hides
// it when not, which reruns WM_NCCALCSIZE at once; with SIF_DISABLENOSCROLL
// an unneeded bar is disabled instead. A press on a bar runs a tracking loop
// that sends WM_HSCROLL / WM_VSCROLL: SB_LINE* and SB_PAGE* at the press and
// again after 200 ms, then every 50 ms while the cursor stays on the part
// pressed (a page click stops once the thumb reaches the cursor);
// SB_THUMBTRACK for each new thumb position while dragging, and at the
// release SB_THUMBPOSITION (thumb only) then SB_ENDSCROLL. The thumb stays
// where the cursor puts it however far the cursor strays from the bar.
#pragma once
#include "platform/user/UserTypes.h"

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_LTUP = 0x0001;
constexpr UINT ESB_DISABLE_LEFT = 0x0001;
constexpr UINT ESB_DISABLE_UP = 0x0001;
constexpr UINT ESB_DISABLE_RTDN = 0x0002;
constexpr UINT ESB_DISABLE_RIGHT = 0x0002;
constexpr UINT ESB_DISABLE_DOWN = 0x0002;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;

constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;

// Messages of the "SCROLLBAR" control. SBM_SETPOS: wParam the position,
// lParam redraw; returns the previous position. SBM_SETRANGE(REDRAW):
// wParam min, lParam max; returns the previous position when the range
// moved it, else 0. SBM_GETRANGE: wParam and lParam point at min and max.
// SBM_ENABLE_ARROWS: wParam ESB_*. SBM_SETSCROLLINFO: wParam redraw,
// lParam the SCROLLINFO; returns the position. SBM_GETSCROLLINFO and
// SBM_GETSCROLLBARINFO: lParam the record to fill.
// The focused control answers the arrow keys, Page Up/Down, Home and End
// with WM_HSCROLL / WM_VSCROLL to its parent (lParam: the control), each
// followed by SB_ENDSCROLL.
constexpr UINT SBM_SETPOS = 0x00E0;
constexpr UINT SBM_GETPOS = 0x00E1;
constexpr UINT SBM_SETRANGE = 0x00E2;
constexpr UINT SBM_GETRANGE = 0x00E3;
constexpr UINT SBM_ENABLE_ARROWS = 0x00E4;
constexpr UINT SBM_SETRANGEREDRAW = 0x00E6;
constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;
constexpr UINT SBM_GETSCROLLBARINFO = 0x00EB;

constexpr LONG OBJID_CLIENT = LONG(0xFFFFFFFC);
constexpr LONG OBJID_VSCROLL = LONG(0xFFFFFFFB);
constexpr LONG OBJID_HSCROLL = LONG(0xFFFFFFFA);

constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x00000001;
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x00008000;
constexpr DWORD STATE_SYSTEM_OFFSCREEN = 0x00010000;
constexpr int CCHILDREN_SCROLLBAR = 5;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

// Rectangle in screen coordinates; thumb edges relative to its top (vertical)
// or left (horizontal). rgstate: the bar, the top/left arrow, the page area
// before the thumb, the thumb, the page area after it, the bottom/right arrow.
struct SCROLLBARINFO {
  DWORD cbSize = sizeof(SCROLLBARINFO);
  RECT rcScrollBar{};
  int dxyLineButton = 0;
  int xyThumbTop = 0;
  int xyThumbBottom = 0;
  int reserved = 0;
  DWORD rgstate[CCHILDREN_SCROLLBAR + 1] = {};
};

// Returns the position after the change.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
// FALSE when the window has no such bar or nothing was asked for. Outside
// tracking nTrackPos equals nPos.
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
// Returns the previous position.
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
// An empty range (min == max) hides a window bar.
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
// FALSE when the arrows already were in that state.
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info);

// Flat scroll bars look and behave like the standard ones.
BOOL InitializeFlatSB(HWND hwnd);
LONG UninitializeFlatSB(HWND hwnd);  // S_OK (0)
inline int FlatSB_SetScrollInfo(HWND h, int bar, const SCROLLINFO* si, BOOL redraw) {
  return SetScrollInfo(h, bar, si, redraw);
}
inline BOOL FlatSB_GetScrollInfo(HWND h, int bar, SCROLLINFO* si) { return GetScrollInfo(h, bar, si); }
inline int FlatSB_SetScrollPos(HWND h, int bar, int pos, BOOL redraw) { return SetScrollPos(h, bar, pos, redraw); }
inline int FlatSB_GetScrollPos(HWND h, int bar) { return GetScrollPos(h, bar); }
inline BOOL FlatSB_SetScrollRange(HWND h, int bar, int lo, int hi, BOOL redraw) {
  return SetScrollRange(h, bar, lo, hi, redraw);
}
inline BOOL FlatSB_GetScrollRange(HWND h, int bar, int* lo, int* hi) { return GetScrollRange(h, bar, lo, hi); }
inline BOOL FlatSB_ShowScrollBar(HWND h, int bar, BOOL show) { return ShowScrollBar(h, bar, show); }
inline BOOL FlatSB_EnableScrollBar(HWND h, int bar, UINT arrows) { return EnableScrollBar(h, UINT(bar), arrows); }

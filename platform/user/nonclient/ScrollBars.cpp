#include "platform/user/nonclient/ScrollBars.h"

#include <strings.h>

#include <algorithm>
#include <cstddef>

#include "platform/gdi/Gdi.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/nonclient/ScrollBarsInternal.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowPos.h"

namespace {

bool ValidBar(int bar) { return bar == SB_HORZ || bar == SB_VERT || bar == SB_CTL; }

DWORD BarStyle(int bar) { return bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL; }

std::int64_t RangeOf(const TScrollBarData& d) { return std::int64_t(d.max) - d.min + 1; }

void Clamp(TScrollBarData& d) {
  if (d.max < d.min) d.max = d.min;
  if (std::int64_t(d.page) > RangeOf(d)) d.page = UINT(std::min<std::int64_t>(RangeOf(d), 0xFFFFFFFF));
  d.pos = std::clamp(d.pos, d.min, MaxScrollPos(d));
}

bool Needed(const TScrollBarData& d) { return d.max > d.min && std::int64_t(d.page) < RangeOf(d); }

// Shows or hides window bars; the frame change reruns WM_NCCALCSIZE.
void SetBarsShown(WND* w, DWORD bits, bool show) {
  DWORD style = show ? (w->style | bits) : (w->style & ~bits);
  if (style == w->style) return;
  w->style = style;
  SetWindowPos(HandleOf(w), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void FillBox(HDC dc, const RECT& r, int color) { FillRect(dc, &r, GetSysColorBrush(color)); }

// A solid triangle pointing in one of four directions, centred in box.
void DrawArrowGlyph(HDC dc, const RECT& box, TBarPart part, bool vertical, bool enabled) {
  int size = std::max(1, (std::min(box.Width(), box.Height()) - 4) / 3);
  int cx = box.Left + box.Width() / 2, cy = box.Top + box.Height() / 2;
  bool toStart = part == TBarPart::LeftArrow;
  HBRUSH brush = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  for (int i = 0; i < size; ++i) {
    // Row i of the triangle, counted from its tip.
    int half = i;
    int along = toStart ? -size / 2 + i : size / 2 - i;
    RECT row = vertical ? Bounds(cx - half, cy + along, 2 * half + 1, 1) : Bounds(cx + along, cy - half, 1, 2 * half + 1);
    FillRect(dc, &row, brush);
  }
}

void DrawButtonBox(HDC dc, RECT r, bool pressed) {
  FillBox(dc, r, COLOR_BTNFACE);
  if (pressed) FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  else DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
}

RECT PartRect(const TBarGeometry& g, int from, int to) {
  return g.vertical ? Rect(g.rect.Left, g.rect.Top + from, g.rect.Right, g.rect.Top + to)
                    : Rect(g.rect.Left + from, g.rect.Top, g.rect.Left + to, g.rect.Bottom);
}

TScrollBarData* BarForCall(HWND hwnd, int bar, bool create) {
  WND* w = LiveWindow(hwnd);
  if (!w || !ValidBar(bar)) {
    if (w) SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return ScrollBarData(w, bar, create);
}

// A disabled scroll-bar control shows both arrows disabled and no thumb.
UINT ArrowsOf(const WND* w, int bar, const TScrollBarData& d) {
  return bar == SB_CTL && (w->style & WS_DISABLED) ? UINT(ESB_DISABLE_BOTH) : UINT(d.arrows);
}

}  // namespace

bool IsScrollBarControl(const WND* w) { return strcasecmp(w->cls->name.c_str(), "SCROLLBAR") == 0; }

TScrollBarData* ScrollBarData(WND* w, int bar, bool create) {
  if (bar == SB_CTL ? !IsScrollBarControl(w) : (!w->scrollBars && !(w->style & BarStyle(bar)) && !create))
    return nullptr;
  if (!w->scrollBars) {
    w->scrollBars = std::make_shared<TWindowScrollBars>();
    w->scrollBars->bars[SB_CTL].max = 0;  // a control starts with an empty range
  }
  return &w->scrollBars->bars[bar];
}

bool ScrollBarVisible(const WND* w, int bar) {
  if (bar == SB_CTL) return IsScrollBarControl(w) && (w->style & WS_VISIBLE);
  return (w->style & BarStyle(bar)) != 0;
}

int MaxScrollPos(const TScrollBarData& d) {
  std::int64_t m = std::int64_t(d.max) - std::max<std::int64_t>(std::int64_t(d.page) - 1, 0);
  return int(std::max<std::int64_t>(m, d.min));
}

TBarGeometry ScrollBarGeometry(WND* w, int bar) {
  TBarGeometry g;
  RECT c = ClientInWindow(w);
  if (bar == SB_CTL) {
    g.rect = Bounds(0, 0, c.Width(), c.Height());
    g.vertical = (w->style & SBS_VERT) != 0;
  } else if (bar == SB_VERT) {
    g.rect = (w->style & WS_VSCROLL) ? Bounds(c.Right, c.Top, GetSystemMetrics(SM_CXVSCROLL), c.Height())
                                      : Bounds(c.Right, c.Top, 0, c.Height());
    g.vertical = true;
  } else {
    g.rect = (w->style & WS_HSCROLL) ? Bounds(c.Left, c.Bottom, c.Width(), GetSystemMetrics(SM_CYHSCROLL))
                                      : Bounds(c.Left, c.Bottom, c.Width(), 0);
  }
  g.length = g.vertical ? g.rect.Height() : g.rect.Width();
  g.arrow = GetSystemMetrics(g.vertical ? SM_CYVSCROLL : SM_CXHSCROLL);
  if (g.length < 2 * g.arrow) g.arrow = g.length / 2;
  const TScrollBarData* d = ScrollBarData(w, bar, false);
  TScrollBarData defaults;
  if (!d) d = &defaults;
  int track = g.length - 2 * g.arrow;
  if (ArrowsOf(w, bar, *d) == ESB_DISABLE_BOTH || !Needed(*d) || track <= 0) return g;
  std::int64_t len = d->page ? std::int64_t(track) * d->page / RangeOf(*d)
                             : GetSystemMetrics(g.vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
  len = std::max<std::int64_t>(len, kMinThumbLength);
  if (len > track) return g;
  g.thumbLen = int(len);
  int pos = d->tracking ? d->trackPos : d->pos;
  std::int64_t span = std::int64_t(MaxScrollPos(*d)) - d->min;
  std::int64_t free = track - g.thumbLen;
  g.thumbPos = g.arrow + int(span > 0 ? free * (std::int64_t(pos) - d->min) / span : 0);
  return g;
}

TBarPart ScrollBarPartAt(const TBarGeometry& g, POINT p) {
  if (!g.rect.Contains(p)) return TBarPart::None;
  int at = g.vertical ? p.Y - g.rect.Top : p.X - g.rect.Left;
  if (at < g.arrow) return TBarPart::LeftArrow;
  if (at >= g.length - g.arrow) return TBarPart::RightArrow;
  if (!g.thumbLen) return TBarPart::None;
  if (at < g.thumbPos) return TBarPart::PageLeft;
  if (at < g.thumbPos + g.thumbLen) return TBarPart::Thumb;
  return TBarPart::PageRight;
}

int ScrollPosFromThumb(const TScrollBarData& d, const TBarGeometry& g, int thumbPos) {
  std::int64_t free = g.length - 2 * g.arrow - g.thumbLen;
  if (free <= 0) return d.min;
  std::int64_t t = std::clamp<std::int64_t>(thumbPos - g.arrow, 0, free);
  std::int64_t span = std::int64_t(MaxScrollPos(d)) - d.min;
  return int(d.min + (t * span + free / 2) / free);
}

void DrawScrollBar(HDC dc, WND* w, int bar, const TBarGeometry& g) {
  if (g.rect.IsEmpty()) return;
  const TScrollBarData* d = ScrollBarData(w, bar, false);
  TScrollBarData defaults;
  if (!d) d = &defaults;
  FillBox(dc, g.rect, COLOR_SCROLLBAR);
  RECT a = PartRect(g, 0, g.arrow), b = PartRect(g, g.length - g.arrow, g.length);
  DrawButtonBox(dc, a, d->pressed == TBarPart::LeftArrow);
  DrawButtonBox(dc, b, d->pressed == TBarPart::RightArrow);
  const UINT arrows = ArrowsOf(w, bar, *d);
  DrawArrowGlyph(dc, a, TBarPart::LeftArrow, g.vertical, !(arrows & ESB_DISABLE_LTUP));
  DrawArrowGlyph(dc, b, TBarPart::RightArrow, g.vertical, !(arrows & ESB_DISABLE_RTDN));
  if (!g.thumbLen) return;
  if (d->pressed == TBarPart::PageLeft) FillBox(dc, PartRect(g, g.arrow, g.thumbPos), COLOR_3DDKSHADOW);
  if (d->pressed == TBarPart::PageRight)
    FillBox(dc, PartRect(g, g.thumbPos + g.thumbLen, g.length - g.arrow), COLOR_3DDKSHADOW);
  DrawButtonBox(dc, PartRect(g, g.thumbPos, g.thumbPos + g.thumbLen), false);
}

void DrawWindowScrollBars(WND* w, HDC dc) {
  if (w->style & WS_VSCROLL) DrawScrollBar(dc, w, SB_VERT, ScrollBarGeometry(w, SB_VERT));
  if (w->style & WS_HSCROLL) DrawScrollBar(dc, w, SB_HORZ, ScrollBarGeometry(w, SB_HORZ));
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT c = ClientInWindow(w);
    FillBox(dc, Bounds(c.Right, c.Bottom, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)), COLOR_BTNFACE);
  }
}

void RedrawScrollBar(WND* w, int bar) {
  if (!IsReallyVisible(w) || !ScrollBarVisible(w, bar)) return;
  HDC dc = bar == SB_CTL ? GetDC(HandleOf(w)) : GetWindowDC(HandleOf(w));
  if (!dc) return;
  DrawScrollBar(dc, w, bar, ScrollBarGeometry(w, bar));
  ReleaseDC(HandleOf(w), dc);
}

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* si, BOOL redraw) {
  if (!si || si->cbSize < offsetof(SCROLLINFO, nTrackPos)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  TScrollBarData* d = BarForCall(hwnd, bar, true);
  if (!d) return 0;
  WND* w = LiveWnd(hwnd);
  TWindowPin pin(w);
  TScrollBarData before = *d;
  if (si->fMask & SIF_RANGE) {
    d->min = si->nMin;
    d->max = si->nMax;
  }
  if (si->fMask & SIF_PAGE) d->page = si->nPage;
  if (si->fMask & SIF_POS) d->pos = si->nPos;
  Clamp(*d);
  bool shownChange = false;
  if (si->fMask & (SIF_RANGE | SIF_PAGE)) {
    bool needed = Needed(*d);
    if (si->fMask & SIF_DISABLENOSCROLL) {
      if (!needed) d->arrows = ESB_DISABLE_BOTH;
      else if (d->arrows == ESB_DISABLE_BOTH) d->arrows = ESB_ENABLE_BOTH;
    } else if (bar != SB_CTL && ScrollBarVisible(w, bar) != needed) {
      shownChange = true;
      SetBarsShown(w, BarStyle(bar), needed);
      if (w->dead) return 0;
      d = ScrollBarData(w, bar, true);
    }
  }
  bool changed = before.min != d->min || before.max != d->max || before.page != d->page || before.pos != d->pos ||
                 before.arrows != d->arrows;
  if (redraw && changed && !shownChange) RedrawScrollBar(w, bar);
  return w->dead ? 0 : d->pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* si) {
  if (!si || si->cbSize < offsetof(SCROLLINFO, nTrackPos)) return FALSE;
  TScrollBarData* d = BarForCall(hwnd, bar, false);
  if (!d || !(si->fMask & SIF_ALL)) return FALSE;
  if (si->fMask & SIF_RANGE) {
    si->nMin = d->min;
    si->nMax = d->max;
  }
  if (si->fMask & SIF_PAGE) si->nPage = d->page;
  if (si->fMask & SIF_POS) si->nPos = d->pos;
  if ((si->fMask & SIF_TRACKPOS) && si->cbSize >= sizeof(SCROLLINFO)) si->nTrackPos = d->tracking ? d->trackPos : d->pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  TScrollBarData* d = BarForCall(hwnd, bar, true);
  if (!d) return 0;
  int old = d->pos;
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  TScrollBarData* d = BarForCall(hwnd, bar, false);
  return d ? d->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (!BarForCall(hwnd, bar, true)) return FALSE;
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = minPos;
  si.nMax = maxPos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return IsWindow(hwnd);
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  TScrollBarData* d = BarForCall(hwnd, bar, false);
  if (minPos) *minPos = d ? d->min : 0;
  if (maxPos) *maxPos = d ? d->max : 0;
  return d ? TRUE : FALSE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  if (bar == SB_CTL) {
    if (!IsScrollBarControl(w)) return FALSE;
    ShowWindow(HandleOf(w), show ? SW_SHOW : SW_HIDE);
    return TRUE;
  }
  DWORD bits = bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : 0;
  if (!bits) return FALSE;
  ScrollBarData(w, bar == SB_BOTH ? SB_HORZ : bar, true);
  SetBarsShown(w, bits, show != FALSE);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  TWindowPin pin(w);
  bool changed = false;
  for (int b : {SB_HORZ, SB_VERT, SB_CTL}) {
    bool wanted = bar == UINT(b) || (bar == UINT(SB_BOTH) && b != SB_CTL);
    if (!wanted) continue;
    TScrollBarData* d = ScrollBarData(w, b, b != SB_CTL);
    if (!d || d->arrows == (arrows & ESB_DISABLE_BOTH)) continue;
    d->arrows = arrows & ESB_DISABLE_BOTH;
    changed = true;
    RedrawScrollBar(w, b);
    if (w->dead) return FALSE;
  }
  return changed ? TRUE : FALSE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info) {
  WND* w = LiveWindow(hwnd);
  if (!w || !info || info->cbSize != sizeof(SCROLLBARINFO)) return FALSE;
  int bar = object == OBJID_VSCROLL ? SB_VERT : object == OBJID_HSCROLL ? SB_HORZ : object == OBJID_CLIENT ? SB_CTL : -1;
  if (bar < 0 || (bar == SB_CTL && !IsScrollBarControl(w))) return FALSE;
  TBarGeometry g = ScrollBarGeometry(w, bar);
  const TScrollBarData* d = ScrollBarData(w, bar, false);
  TScrollBarData defaults;
  if (!d) d = &defaults;
  POINT o = bar == SB_CTL ? ClientOriginScreen(w) : WindowOriginScreen(w);
  info->rcScrollBar = RECT{g.rect.Left + o.X, g.rect.Top + o.Y, g.rect.Right + o.X, g.rect.Bottom + o.Y};
  info->dxyLineButton = g.arrow;
  info->xyThumbTop = g.thumbLen ? g.thumbPos : 0;
  info->xyThumbBottom = g.thumbLen ? g.thumbPos + g.thumbLen : 0;
  info->reserved = 0;
  for (DWORD& s : info->rgstate) s = 0;
  if (!ScrollBarVisible(w, bar) || !IsReallyVisible(w)) info->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (d->arrows == ESB_DISABLE_BOTH) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if (d->arrows & ESB_DISABLE_LTUP) info->rgstate[1] |= STATE_SYSTEM_UNAVAILABLE;
  if (d->arrows & ESB_DISABLE_RTDN) info->rgstate[5] |= STATE_SYSTEM_UNAVAILABLE;
  if (!g.thumbLen)
    for (int i : {2, 3, 4}) info->rgstate[i] |= STATE_SYSTEM_INVISIBLE;
  if (d->pressed != TBarPart::None) info->rgstate[int(d->pressed)] |= STATE_SYSTEM_PRESSED;
  return TRUE;
}

BOOL InitializeFlatSB(HWND hwnd) { return IsWindow(hwnd); }
LONG UninitializeFlatSB(HWND) { return 0; }

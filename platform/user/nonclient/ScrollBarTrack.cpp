// The scroll-bar tracking loop and the "SCROLLBAR" control class.
#include "platform/gdi/Gdi.h"
#include "platform/user/windows/DefWindowProc.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/nonclient/ScrollBarsInternal.h"
#include "platform/user/input/Timers.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowClass.h"
#include "platform/user/windows/WindowPos.h"

namespace {

// Auto-repeat of arrow and page presses.
constexpr UINT kFirstRepeatMs = 200;
constexpr UINT kRepeatMs = 50;
constexpr std::uintptr_t kRepeatTimerId = 0xFFF5C011;

POINT BarLocal(const WND* w, int bar, POINT screen) {
  POINT o = bar == SB_CTL ? ClientOriginScreen(w) : WindowOriginScreen(w);
  return POINT{screen.X - o.X, screen.Y - o.Y};
}

int Along(const TBarGeometry& g, POINT local) { return g.vertical ? local.Y - g.rect.Top : local.X - g.rect.Left; }

int CodeFor(TBarPart part) {
  switch (part) {
    case TBarPart::LeftArrow: return SB_LINEUP;
    case TBarPart::RightArrow: return SB_LINEDOWN;
    case TBarPart::PageLeft: return SB_PAGEUP;
    case TBarPart::PageRight: return SB_PAGEDOWN;
    default: return -1;
  }
}

void SetPressed(WND* w, int bar, TBarPart part) {
  TScrollBarData* d = ScrollBarData(w, bar, false);
  if (!d || d->pressed == part) return;
  d->pressed = part;
  RedrawScrollBar(w, bar);
}

}  // namespace

void TrackScrollBar(WND* w, int bar, POINT screen) {
  TScrollBarData* d = ScrollBarData(w, bar, false);
  if (!d || d->arrows == ESB_DISABLE_BOTH) return;
  TBarGeometry g = ScrollBarGeometry(w, bar);
  const TBarPart part = ScrollBarPartAt(g, BarLocal(w, bar, screen));
  if (part == TBarPart::None || (part == TBarPart::LeftArrow && (d->arrows & ESB_DISABLE_LTUP)) ||
      (part == TBarPart::RightArrow && (d->arrows & ESB_DISABLE_RTDN)))
    return;
  TWindowPin pin(w);
  // A control tells its parent (or owner), naming itself in lParam.
  WND* target = bar == SB_CTL ? (w->IsChild() ? w->parent : w->owner) : w;
  const std::uint64_t targetSerial = target ? target->serial : 0;
  const HWND targetHandle = HandleOf(target);
  const UINT msg = g.vertical ? WM_VSCROLL : WM_HSCROLL;
  const LPARAM lp = bar == SB_CTL ? reinterpret_cast<LPARAM>(HandleOf(w)) : 0;
  auto notify = [&](int code, int pos) {
    if (target && WindowSerial(targetHandle) == targetSerial) SendMessage(targetHandle, msg, MAKEWPARAM(code, pos), lp);
  };
  const int code = CodeFor(part);
  const bool thumb = part == TBarPart::Thumb;
  const int grab = thumb ? Along(g, BarLocal(w, bar, screen)) - g.thumbPos : 0;
  POINT cursor = screen;

  SetCapture(HandleOf(w));
  d->pressed = part;
  if (thumb) {
    d->tracking = true;
    d->trackPos = d->pos;
  }
  RedrawScrollBar(w, bar);
  if (!thumb) {
    notify(code, 0);
    if (!w->dead) SetTimer(HandleOf(w), kRepeatTimerId, kFirstRepeatMs, nullptr);
  }
  bool quit = false;
  int quitCode = 0;
  MSG m;
  while (!w->dead && GetCapture() == HandleOf(w)) {
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (m.message == WM_QUIT) {
      quit = true;
      quitCode = int(m.wParam);
      break;
    }
    if (m.message == WM_TIMER && m.hwnd == HandleOf(w) && m.wParam == kRepeatTimerId) {
      SetTimer(HandleOf(w), kRepeatTimerId, kRepeatMs, nullptr);
      // Repeats only while the cursor is on the part pressed: a page click
      // stops once the thumb has come under the cursor.
      if (ScrollBarPartAt(ScrollBarGeometry(w, bar), BarLocal(w, bar, cursor)) == part) notify(code, 0);
      continue;
    }
    if (m.message == WM_MOUSEMOVE && m.hwnd == HandleOf(w)) {
      cursor = m.pt;
      g = ScrollBarGeometry(w, bar);
      d = ScrollBarData(w, bar, false);
      if (!d) break;
      if (thumb) {
        int pos = ScrollPosFromThumb(*d, g, Along(g, BarLocal(w, bar, cursor)) - grab);
        if (pos != d->trackPos) {
          d->trackPos = pos;
          RedrawScrollBar(w, bar);
          notify(SB_THUMBTRACK, pos);
        }
      } else {
        SetPressed(w, bar, ScrollBarPartAt(g, BarLocal(w, bar, cursor)) == part ? part : TBarPart::None);
      }
      continue;
    }
    if (m.message == WM_LBUTTONUP && m.hwnd == HandleOf(w)) break;
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (!w->dead) KillTimer(HandleOf(w), kRepeatTimerId);
  if (!w->dead && GetCapture() == HandleOf(w)) ReleaseCapture();
  if (!w->dead && (d = ScrollBarData(w, bar, false))) {
    d->pressed = TBarPart::None;
    if (thumb) notify(SB_THUMBPOSITION, d->trackPos);
    if (!w->dead && (d = ScrollBarData(w, bar, false))) {
      d->tracking = false;
      RedrawScrollBar(w, bar);
    }
  }
  notify(SB_ENDSCROLL, 0);
  if (quit) PostQuitMessage(quitCode);
}

void TrackWindowScrollBar(WND* w, int hit, POINT screen) {
  int bar = hit == HTVSCROLL ? SB_VERT : SB_HORZ;
  if (ScrollBarVisible(w, bar)) TrackScrollBar(w, bar, screen);
}

namespace {

// The scroll request a key makes, or -1.
int KeyScrollCode(WPARAM vk) {
  switch (vk) {
    case VK_LEFT: case VK_UP: return SB_LINEUP;
    case VK_RIGHT: case VK_DOWN: return SB_LINEDOWN;
    case VK_PRIOR: return SB_PAGEUP;
    case VK_NEXT: return SB_PAGEDOWN;
    case VK_HOME: return SB_TOP;
    case VK_END: return SB_BOTTOM;
  }
  return -1;
}

LRESULT SetRange(HWND h, int minPos, int maxPos, BOOL redraw) {
  const int before = GetScrollPos(h, SB_CTL);
  SetScrollRange(h, SB_CTL, minPos, maxPos, redraw);
  const int after = GetScrollPos(h, SB_CTL);
  return after != before ? before : 0;
}

LRESULT ScrollBarControlProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  WND* w = LiveWindow(h);
  if (!w) return 0;
  switch (m) {
    case SBM_SETPOS: return SetScrollPos(h, SB_CTL, int(wp), lp != 0);
    case SBM_GETPOS: return GetScrollPos(h, SB_CTL);
    case SBM_SETRANGE: return SetRange(h, int(wp), int(lp), FALSE);
    case SBM_SETRANGEREDRAW: return SetRange(h, int(wp), int(lp), TRUE);
    case SBM_GETRANGE: {
      int lo = 0, hi = 0;
      GetScrollRange(h, SB_CTL, &lo, &hi);
      if (int* p = reinterpret_cast<int*>(wp)) *p = lo;
      if (int* p = reinterpret_cast<int*>(lp)) *p = hi;
      return 0;
    }
    case SBM_ENABLE_ARROWS: return EnableScrollBar(h, SB_CTL, UINT(wp));
    case SBM_SETSCROLLINFO: return SetScrollInfo(h, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lp), wp != 0);
    case SBM_GETSCROLLINFO: return GetScrollInfo(h, SB_CTL, reinterpret_cast<SCROLLINFO*>(lp));
    case SBM_GETSCROLLBARINFO:
      return GetScrollBarInfo(h, OBJID_CLIENT, reinterpret_cast<SCROLLBARINFO*>(lp));
    case WM_GETDLGCODE: return 0x0001;  // DLGC_WANTARROWS
    case WM_KEYDOWN: {
      const int code = KeyScrollCode(wp);
      HWND parent = GetParent(h);
      if (code < 0 || !parent) return 0;
      const UINT msg = (w->style & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
      TWindowPin pin(w);
      SendMessage(parent, msg, WPARAM(code), reinterpret_cast<LPARAM>(h));
      if (!w->dead && IsWindow(parent)) SendMessage(parent, msg, SB_ENDSCROLL, reinterpret_cast<LPARAM>(h));
      return 0;
    }
    case WM_CREATE: ScrollBarData(w, SB_CTL, true); return 0;
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (dc) DrawScrollBar(dc, w, SB_CTL, ScrollBarGeometry(w, SB_CTL));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p = LParamToPoint(lp);
      ClientToScreen(h, &p);
      TrackScrollBar(w, SB_CTL, p);
      return 0;
    }
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

[[maybe_unused]] const bool g_scrollBarClassRegistered = [] {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ScrollBarControlProc;
  wc.lpszClassName = "SCROLLBAR";
  return RegisterClass(&wc) != 0;
}();

}  // namespace

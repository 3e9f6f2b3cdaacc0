#include "platform/user/windows/DefWindowProc.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/user/input/Cursors.h"
#include "platform/user/input/Focus.h"
#include "platform/user/input/Ime.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/nonclient/MoveSize.h"
#include "platform/user/nonclient/NonClient.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

bool g_altTap = false;  // Alt pressed with no other key since

HBRUSH BackgroundBrush(const WND* w) {
  HBRUSH b = w->cls->wc.hbrBackground;
  auto v = reinterpret_cast<std::uintptr_t>(b);
  if (v > 0 && v <= 31) return GetSysColorBrush(int(v) - 1);
  return b;
}

LRESULT EraseBackground(WND* w, HDC dc) {
  HBRUSH b = BackgroundBrush(w);
  if (!b) return 0;
  RECT r{0, 0, w->client.Width(), w->client.Height()};
  FillRect(dc, &r, b);
  return 1;
}

LRESULT SetCursorDefault(WND* w, WPARAM wp, LPARAM lp) {
  if (w->IsChild() && SendMessage(HandleOf(w->parent), WM_SETCURSOR, wp, lp)) return TRUE;
  int hit = SHORT(LOWORD(lp));
  UINT mouseMsg = HIWORD(lp);
  if (hit == HTERROR) {
    if (mouseMsg == WM_LBUTTONDOWN || mouseMsg == WM_RBUTTONDOWN || mouseMsg == WM_MBUTTONDOWN) {
      MessageBeep(0);
      ShowWaitedForWindow(w);
    }
    return FALSE;
  }
  if (hit == HTCLIENT) {
    if (w->cls->wc.hCursor) SetCursor(w->cls->wc.hCursor);
    return FALSE;
  }
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(CursorForHitTest(hit))));
  return FALSE;
}

// A press in the frame: moving and sizing go through WM_SYSCOMMAND, so a
// window can refuse them there; caption buttons act on release over them.
LRESULT NcLeftButtonDown(WND* w, int hit, LPARAM lp) {
  if (hit == HTHSCROLL || hit == HTVSCROLL) {
    TrackWindowScrollBar(w, hit, LParamToPoint(lp));
    return 0;
  }
  const bool moveOrSize = hit == HTCAPTION || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT);
  if (!moveOrSize && hit != HTSYSMENU && hit != HTCLOSE && hit != HTMINBUTTON && hit != HTMAXBUTTON) return 0;
  // A grayed button does nothing.
  if ((hit == HTCLOSE && !WindowCommandEnabled(w, SC_CLOSE)) || (hit == HTMINBUTTON && !(w->style & WS_MINIMIZEBOX)) ||
      (hit == HTMAXBUTTON && !(w->style & WS_MAXIMIZEBOX)))
    return 0;
  if (!w->IsChild() && GetActiveWindow() != HandleOf(TopLevelOf(w))) SetActiveWindow(HandleOf(TopLevelOf(w)));
  if (w->dead) return 0;
  if (hit == HTCAPTION) {
    SendMessage(HandleOf(w), WM_SYSCOMMAND, SC_MOVE | WPARAM(HTCAPTION), lp);
  } else if (moveOrSize) {
    SendMessage(HandleOf(w), WM_SYSCOMMAND, SC_SIZE + WPARAM(hit - HTLEFT + 1), lp);
  } else if (hit == HTSYSMENU) {
    // The window menu opens on the press, as a menu does.
    if (w->style & WS_SYSMENU) SendMessage(HandleOf(w), WM_SYSCOMMAND, SC_MOUSEMENU | WPARAM(HTSYSMENU), lp);
  } else if (TrackCaptionButton(w, hit)) {
    POINT pt;
    GetCursorPos(&pt);
    WPARAM cmd = hit == HTCLOSE ? SC_CLOSE
                 : hit == HTMINBUTTON ? ((w->style & WS_MINIMIZE) ? SC_RESTORE : SC_MINIMIZE)
                                      : ((w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE);
    SendMessage(HandleOf(w), WM_SYSCOMMAND, cmd, PointToLParam(pt));
  }
  return 0;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  TWindowPin pin(w);
  switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_NCCALCSIZE: {
      RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
      if (r) DefaultNcCalcSize(w, r);
      return 0;
    }
    case WM_NCHITTEST: return DefaultNcHitTest(w, LParamToPoint(lp));
    case WM_NCPAINT: DefaultNcPaint(w); return 0;
    case WM_NCACTIVATE:
      w->frameActive = wp != FALSE;
      if (w->rect != w->client) DefaultNcPaint(w);
      return TRUE;
    case WM_ERASEBKGND: return EraseBackground(w, reinterpret_cast<HDC>(wp));
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(HandleOf(w), &ps);
      EndPaint(HandleOf(w), &ps);
      return 0;
    }
    case WM_PRINT: DefaultPrint(w, reinterpret_cast<HDC>(wp), lp); return 0;
    case WM_SETICON: {
      if (wp != ICON_BIG && wp != ICON_SMALL) return 0;
      HICON& slot = wp == ICON_BIG ? w->bigIcon : w->smallIcon;
      HICON old = slot;
      slot = reinterpret_cast<HICON>(lp);
      if (wp == ICON_BIG) PassIconToDisplay(w);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      if (wp == ICON_BIG) return reinterpret_cast<LRESULT>(w->bigIcon);
      if (wp == ICON_SMALL) return reinterpret_cast<LRESULT>(w->smallIcon);
      if (wp == ICON_SMALL2) return reinterpret_cast<LRESULT>(w->smallIcon ? w->smallIcon : w->bigIcon);
      return 0;
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lp);
      w->text = text ? text : "";
      if (w->native && CurrentDisplay()) CurrentDisplay()->SetNativeTitle(w->native, w->text);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lp);
      if (!buf || wp == 0) return 0;
      std::size_t n = std::min<std::size_t>(w->text.size(), std::size_t(wp) - 1);
      std::memcpy(buf, w->text.data(), n);
      buf[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
    case WM_CLOSE: DestroyWindow(HandleOf(w)); return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_CLOSE: SendMessage(HandleOf(w), WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(HandleOf(w), SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(HandleOf(w), SW_SHOWMAXIMIZED); break;
        case SC_RESTORE: ShowWindow(HandleOf(w), SW_RESTORE); break;
        case SC_MOUSEMENU: OpenWindowMenu(w, false); break;
        // Alt+Space; other characters belong to a menu bar, which this window lacks.
        // Alt+- is an MDI child's own window menu.
        case SC_KEYMENU:
          if (lp == LPARAM(' ') || (lp == LPARAM('-') && (w->exStyle & WS_EX_MDICHILD))) OpenWindowMenu(w, true);
          break;
        // An MDI child hands on to its client, which knows the order.
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
          if ((w->exStyle & WS_EX_MDICHILD) && w->parent)
            SendMessage(HandleOf(w->parent), WM_MDINEXT, reinterpret_cast<WPARAM>(hwnd), (wp & 0xFFF0) == SC_PREVWINDOW);
          break;
        // The low bits name the caption or edge the mouse took.
        // Without them (the window menu) the keys drive the loop.
        case SC_MOVE:
          if ((wp & 0x000F) == WPARAM(HTCAPTION)) RunMoveSizeLoop(w, HTCAPTION, LParamToPoint(lp));
          else if ((wp & 0x000F) == 0) RunKeyboardMoveSizeLoop(w, false);
          break;
        case SC_SIZE:
          if ((wp & 0x000F) >= WPARAM(WMSZ_LEFT) && (wp & 0x000F) <= WPARAM(WMSZ_BOTTOMRIGHT))
            RunMoveSizeLoop(w, int(wp & 0x000F) + HTLEFT - 1, LParamToPoint(lp));
          else if ((wp & 0x000F) == 0) RunKeyboardMoveSizeLoop(w, true);
          break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wp == WPARAM(VK_MENU)) {
        g_altTap = true;
      } else {
        g_altTap = false;
        if (wp == WPARAM(VK_F4) && (lp & (1 << 29)) && WindowCommandEnabled(TopLevelOf(w), SC_CLOSE))
          SendMessage(HandleOf(TopLevelOf(w)), WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_KEYDOWN: g_altTap = false; return 0;
    case WM_SYSKEYUP:
      if ((wp == WPARAM(VK_MENU) && g_altTap) || wp == WPARAM(VK_F10))
        SendMessage(HandleOf(TopLevelOf(w)), WM_SYSCOMMAND, SC_KEYMENU, 0);
      g_altTap = false;
      return 0;
    case WM_SYSCHAR:
      // Alt+character asks the frame for its menu; Alt+Tab and Alt+Esc belong
      // to the window switcher.
      if ((lp & (LPARAM(1) << 29)) && wp != WPARAM(VK_TAB) && wp != WPARAM(VK_ESCAPE))
        SendMessage(HandleOf(TopLevelOf(w)), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(wp));
      return 0;
    case WM_MOUSEACTIVATE:
      if (w->IsChild()) {
        if (LRESULT r = SendMessage(HandleOf(w->parent), WM_MOUSEACTIVATE, wp, lp)) return r;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR: return SetCursorDefault(w, wp, lp);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      if (w->IsChild()) return SendMessage(HandleOf(w->parent), msg, wp, lp);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) {
        HWND f = GetFocus();
        if (!f || GetAncestor(f, GA_ROOT) != HandleOf(w)) SetFocus(HandleOf(w));
      }
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == HandleOf(w)) ReleaseCapture();
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (pos && !(pos->flags & SWP_NOSIZE) && ((w->style & WS_THICKFRAME) || !(w->style & (WS_POPUP | WS_CHILD)))) {
        MINMAXINFO mmi;
        mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
        mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        SendMessage(HandleOf(w), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (!pos) return 0;
      if (!(pos->flags & SWP_NOCLIENTMOVE)) SendMessage(HandleOf(w), WM_MOVE, 0, MAKELPARAM(w->client.Left, w->client.Top));
      if (!w->dead && !(pos->flags & SWP_NOCLIENTSIZE)) {
        WPARAM type = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        w->sizedOnce = true;
        SendMessage(HandleOf(w), WM_SIZE, type, MAKELPARAM(w->client.Width(), w->client.Height()));
      }
      return 0;
    }
    case WM_NCLBUTTONDOWN: return NcLeftButtonDown(w, int(wp), lp);
    case WM_NCLBUTTONDBLCLK:
      // A second click on a bar scrolls again.
      if (wp == WPARAM(HTHSCROLL) || wp == WPARAM(HTVSCROLL)) {
        TrackWindowScrollBar(w, int(wp), LParamToPoint(lp));
        return 0;
      }
      if (wp == WPARAM(HTCAPTION) && (w->style & WS_MAXIMIZEBOX))
        SendMessage(HandleOf(w), WM_SYSCOMMAND, (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lp);
      else if (wp == WPARAM(HTSYSMENU) && (w->style & WS_SYSMENU) && WindowCommandEnabled(w, SC_CLOSE))
        SendMessage(HandleOf(w), WM_SYSCOMMAND, SC_CLOSE, lp);
      return 0;
    case WM_RBUTTONUP: {
      POINT p = LParamToPoint(lp);
      ClientToScreen(HandleOf(w), &p);
      SendMessage(HandleOf(w), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(HandleOf(w)), PointToLParam(p));
      return 0;
    }
    case WM_CONTEXTMENU:
      if (w->IsChild()) SendMessage(HandleOf(w->parent), msg, wp, lp);
      return 0;
    case WM_IME_STARTCOMPOSITION: case WM_IME_ENDCOMPOSITION: case WM_IME_COMPOSITION:
      return DefImeWindowProc(HandleOf(w), msg, wp, lp);
  }
  return 0;
}

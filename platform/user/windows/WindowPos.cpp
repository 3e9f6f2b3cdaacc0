#include "platform/user/windows/WindowPos.h"

#include <algorithm>

#include "platform/user/input/Focus.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/system/Monitors.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

POINT Add(POINT a, POINT b) { return POINT{a.X + b.X, a.Y + b.Y}; }

RECT Union(const RECT& a, const RECT& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return RECT{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

bool IsTopmost(const WND* w) { return (w->exStyle & WS_EX_TOPMOST) != 0; }

bool Intersects(const RECT& a, const RECT& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

int g_windowPosOrderShown = 0;

void RestackNative(WND* w) {
  TDisplay* d = CurrentDisplay();
  if (!d || !w->native || g_windowPosOrderShown > 0) return;
  auto& tops = TopLevelWindows();
  auto it = std::find(tops.begin(), tops.end(), w);
  TNativeWindow above = 0;
  for (auto j = it + 1; j != tops.end(); ++j)
    if ((*j)->native && IsTopmost(*j) == IsTopmost(w)) {
      above = (*j)->native;
      break;
    }
  d->RestackNativeWindow(w->native, above, IsTopmost(w));
}

void FixupFlags(WND* w, WINDOWPOS& wp) {
  bool visible = (w->style & WS_VISIBLE) != 0;
  if (visible) wp.flags &= ~SWP_SHOWWINDOW;
  else wp.flags &= ~SWP_HIDEWINDOW;
  if (wp.cx < 0) wp.cx = 0;
  if (wp.cy < 0) wp.cy = 0;
  if (wp.cx == w->rect.Width() && wp.cy == w->rect.Height()) wp.flags |= SWP_NOSIZE;
  if (wp.x == w->rect.Left && wp.y == w->rect.Top) wp.flags |= SWP_NOMOVE;
  if (wp.hwndInsertAfter == HandleOf(w)) wp.flags |= SWP_NOZORDER;
}

// A child that changed places among its siblings: whichever of it and an
// overlapping sibling came out on top shows parts it had behind the other.
void ExposeRestacked(WND* w, const std::vector<WND*>& before) {
  const auto& after = SiblingList(w);
  auto index = [](const std::vector<WND*>& list, const WND* x) { return std::find(list.begin(), list.end(), x) - list.begin(); };
  const auto wasAt = index(before, w), nowAt = index(after, w);
  bool rose = false;
  std::vector<WND*> exposed;
  for (WND* s : after) {
    if (s == w || !(s->style & WS_VISIBLE) || !Intersects(s->rect, w->rect)) continue;
    const bool wasAbove = index(before, s) < wasAt, nowAbove = index(after, s) < nowAt;
    if (wasAbove && !nowAbove) rose = true;
    if (!wasAbove && nowAbove) exposed.push_back(s);
  }
  if (rose) InvalidateWindowArea(w, Region(Bounds(0, 0, w->rect.Width(), w->rect.Height())), true, true, true);
  for (WND* s : exposed)
    InvalidateWindowArea(s, Region(Bounds(0, 0, s->rect.Width(), s->rect.Height())), true, true, true);
}

bool CaptureInside(WND* w) {
  HWND c = GetCapture();
  return c && (c == HandleOf(w) || IsChild(HandleOf(w), c));
}

}  // namespace

TNativeOrderShown::TNativeOrderShown() { ++g_windowPosOrderShown; }
TNativeOrderShown::~TNativeOrderShown() { --g_windowPosOrderShown; }

POINT WindowOriginScreen(const WND* w) {
  POINT p{w->rect.Left, w->rect.Top};
  return w->IsChild() ? Add(ClientOriginScreen(w->parent), p) : p;
}

POINT ClientOriginScreen(const WND* w) {
  POINT p{w->client.Left, w->client.Top};
  return w->IsChild() ? Add(ClientOriginScreen(w->parent), p) : p;
}

POINT WindowOriginInSurface(const WND* w) {
  POINT o = WindowOriginScreen(w);
  const WND* top = w;
  while (top->IsChild()) top = top->parent;
  return POINT{o.X - top->rect.Left, o.Y - top->rect.Top};
}

namespace {

// The list operation of ZOrderInsert on a sibling list.
void ZOrderPlace(std::vector<WND*>& sibs, WND* w, HWND after, std::vector<WND*>* ownedOut) {
  sibs.erase(std::remove(sibs.begin(), sibs.end(), w), sibs.end());
  if (w->IsChild()) {
    if (after == HWND_BOTTOM) {
      sibs.push_back(w);
    } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
      sibs.insert(sibs.begin(), w);
    } else {
      auto it = std::find(sibs.begin(), sibs.end(), LiveWnd(after));
      sibs.insert(it == sibs.end() ? sibs.begin() : it + 1, w);
    }
    return;
  }
  auto firstNormal = std::find_if(sibs.begin(), sibs.end(), [](WND* t) { return !IsTopmost(t); });
  if (after == HWND_BOTTOM) {
    sibs.push_back(w);
  } else if (after == HWND_TOPMOST || (after == HWND_TOP && IsTopmost(w))) {
    sibs.insert(sibs.begin(), w);
  } else if (after == HWND_TOP || after == HWND_NOTOPMOST) {
    sibs.insert(firstNormal, w);
  } else {
    auto it = std::find(sibs.begin(), sibs.end(), LiveWnd(after));
    if (it == sibs.end()) {
      sibs.insert(firstNormal, w);
    } else {
      // Stay inside the window's own layer.
      auto pos = it + 1;
      if (IsTopmost(w)) pos = std::min(pos, std::find_if(sibs.begin(), sibs.end(), [](WND* t) { return !IsTopmost(t); }));
      else pos = std::max(pos, std::find_if(sibs.begin(), sibs.end(), [](WND* t) { return !IsTopmost(t); }));
      sibs.insert(pos, w);
    }
  }
  // Owned windows stay above their owner.
  std::vector<WND*> owned;
  for (WND* t : sibs)
    if (t->owner == w) owned.push_back(t);
  for (WND* t : owned) {
    auto ti = std::find(sibs.begin(), sibs.end(), t);
    auto wi = std::find(sibs.begin(), sibs.end(), w);
    if (ti > wi && IsTopmost(t) == IsTopmost(w)) {
      sibs.erase(ti);
      sibs.insert(std::find(sibs.begin(), sibs.end(), w), t);
    }
  }
  if (ownedOut) *ownedOut = std::move(owned);
}

}  // namespace

void ZOrderInsert(WND* w, HWND after) {
  if (!w->IsChild()) {
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    else if (after == HWND_NOTOPMOST || after == HWND_BOTTOM) w->exStyle &= ~WS_EX_TOPMOST;
  }
  std::vector<WND*> owned;
  ZOrderPlace(SiblingList(w), w, after, &owned);
  if (w->IsChild()) return;
  RestackNative(w);
  for (WND* t : owned) RestackNative(t);
}

bool ZOrderWouldChange(WND* w, HWND after) {
  std::vector<WND*> sibs = SiblingList(w);
  ZOrderPlace(sibs, w, after, nullptr);
  return sibs != SiblingList(w);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!MainThreadCheck()) return FALSE;
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  TWindowPin pin(w);
  WINDOWPOS wp{HandleOf(w), insertAfter, x, y, cx, cy, flags};
  if (flags & SWP_NOSIZE) {
    wp.cx = w->rect.Width();
    wp.cy = w->rect.Height();
  }
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.Left;
    wp.y = w->rect.Top;
  }
  FixupFlags(w, wp);
  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    SendMessage(HandleOf(w), WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (w->dead) return FALSE;
    if (wp.flags & SWP_NOSIZE) {
      wp.cx = w->rect.Width();
      wp.cy = w->rect.Height();
    }
    if (wp.flags & SWP_NOMOVE) {
      wp.x = w->rect.Left;
      wp.y = w->rect.Top;
    }
    FixupFlags(w, wp);
  }
  const RECT oldRect = w->rect;
  const RECT oldClient = w->client;
  const bool wasVisible = (w->style & WS_VISIBLE) != 0;
  RECT newRect = Bounds(wp.x, wp.y, wp.cx, wp.cy);
  RECT newClient;
  if (!(wp.flags & SWP_NOSIZE) || (wp.flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = newRect;
    p.rgrc[1] = oldRect;
    p.rgrc[2] = oldClient;
    p.lppos = &wp;
    SendMessage(HandleOf(w), WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    if (w->dead) return FALSE;
    newClient = p.rgrc[0];
  } else {
    int dx = newRect.Left - oldRect.Left, dy = newRect.Top - oldRect.Top;
    newClient = RECT{oldClient.Left + dx, oldClient.Top + dy, oldClient.Right + dx, oldClient.Bottom + dy};
  }
  w->rect = newRect;
  w->client = newClient;
  if (newClient.Width() == oldClient.Width() && newClient.Height() == oldClient.Height()) wp.flags |= SWP_NOCLIENTSIZE;
  if (newClient.Left == oldClient.Left && newClient.Top == oldClient.Top) wp.flags |= SWP_NOCLIENTMOVE;
  std::vector<WND*> stackBefore;
  if (!(wp.flags & SWP_NOZORDER) && w->IsChild()) stackBefore = SiblingList(w);
  if (!(wp.flags & SWP_NOZORDER)) ZOrderInsert(w, wp.hwndInsertAfter);
  if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  const bool nowVisible = (w->style & WS_VISIBLE) != 0;
  const bool sized = !(wp.flags & SWP_NOSIZE);
  const bool moved = !(wp.flags & SWP_NOMOVE);

  TDisplay* d = CurrentDisplay();
  if (!w->IsChild()) {
    if (sized) EnsureSurface(w);
    if ((sized || moved) && d && w->native) d->SetNativeBounds(w->native, w->rect);
    if (d && w->native && (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
      d->ShowNativeWindow(w->native, nowVisible, nowVisible && !(wp.flags & SWP_NOACTIVATE));
  }
  if (sized || moved || (wp.flags & SWP_FRAMECHANGED)) UpdateWindowDCs(TopLevelOf(w));

  bool eraseNow = false;
  if (!(wp.flags & SWP_NOREDRAW)) {
    bool geometry = sized || moved || !(wp.flags & SWP_NOZORDER) || (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW));
    if (w->IsChild() && geometry) {
      RECT area{};
      if (wasVisible) area = oldRect;
      if (nowVisible) area = Union(area, newRect);
      if (!area.IsEmpty()) InvalidateParentArea(w, area);
    }
    if (w->IsChild() && nowVisible && wasVisible && !stackBefore.empty()) ExposeRestacked(w, stackBefore);
    bool whole = (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)) || sized || (moved && w->IsChild());
    if (nowVisible && whole) {
      // A window coming into view shows every visible descendant too, even
      // under WS_CLIPCHILDREN: children made visible while it was hidden
      // were never painted.
      // A client that moved on the surface moves its children's pixels away
      // from them: they are painted again where they now are.
      const bool clientShifted =
          w->IsChild() ? !(wp.flags & SWP_NOCLIENTMOVE)
                       : newClient.Left - newRect.Left != oldClient.Left - oldRect.Left ||
                             newClient.Top - newRect.Top != oldClient.Top - oldRect.Top;
      if ((wp.flags & SWP_SHOWWINDOW) || clientShifted)
        RedrawWindow(HandleOf(w), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      else
        InvalidateWindowArea(w, Region(Bounds(0, 0, newRect.Width(), newRect.Height())), true, true, true);
      eraseNow = true;
    }
  }
  if (wp.flags & SWP_HIDEWINDOW) {
    if (CaptureInside(w)) ReleaseCapture();
    if (w->IsChild()) {
      if (HWND f = GetFocus(); f && (f == HandleOf(w) || IsChild(HandleOf(w), f))) SetFocus(HandleOf(w->parent));
    } else {
      ActiveWindowHidden(w);
    }
    if (w->dead) return TRUE;
  }
  if ((wp.flags & SWP_SHOWWINDOW) && !w->IsChild() && !(wp.flags & SWP_NOACTIVATE)) {
    ActivateForShow(w);
    if (w->dead) return TRUE;
  }
  // The frame and background are painted before WM_WINDOWPOSCHANGED; the
  // client waits for WM_PAINT.
  if (eraseNow && nowVisible && !(wp.flags & SWP_DEFERERASE)) {
    ErasePendingNow(w);
    if (w->dead) return TRUE;
  }
  SendMessage(HandleOf(w), WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  if (!MainThreadCheck()) return FALSE;
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  TWindowPin pin(w);
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  if (cmd == SW_HIDE) {
    if (!wasVisible) return FALSE;
    SendMessage(HandleOf(w), WM_SHOWWINDOW, FALSE, 0);
    if (w->dead) return wasVisible;
    SetWindowPos(HandleOf(w), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | (w->IsChild() ? SWP_NOACTIVATE : 0));
    return wasVisible;
  }
  bool activate = !w->IsChild() && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWNA && cmd != SW_SHOWMINNOACTIVE;
  UINT swp = SWP_NOSIZE | SWP_NOMOVE;
  RECT target = w->rect;
  bool minimize = cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE;
  const bool wasMinimized = (w->style & WS_MINIMIZE) != 0;
  if (minimize) {
    if (cmd == SW_MINIMIZE) activate = false;
    w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
  } else if (cmd == SW_SHOWMAXIMIZED) {
    if (!(w->style & WS_MAXIMIZE)) w->normalRect = w->rect;
    w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    MONITORINFO mi;
    GetMonitorInfo(MonitorFromWindow(HandleOf(w), MONITOR_DEFAULTTONEAREST), &mi);
    target = w->IsChild() ? RECT{0, 0, w->parent->client.Width(), w->parent->client.Height()} : mi.rcWork;
    swp = SWP_FRAMECHANGED;
  } else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) {
    if (w->style & WS_MAXIMIZE) {
      target = w->normalRect;
      swp = SWP_FRAMECHANGED;
    }
    w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
  } else if (wasVisible) {
    return wasVisible;  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE on a shown window
  }
  if (!wasVisible) {
    SendMessage(HandleOf(w), WM_SHOWWINDOW, TRUE, 0);
    if (w->dead) return wasVisible;
    swp |= SWP_SHOWWINDOW;
  }
  if (!activate) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
  // A window manager maximises and restores itself, frame and all.
  if (!w->IsChild() && w->native && CurrentDisplay() && (swp & SWP_FRAMECHANGED))
    CurrentDisplay()->SetNativeMaximized(w->native, (w->style & WS_MAXIMIZE) != 0);
  SetWindowPos(HandleOf(w), HWND_TOP, target.Left, target.Top, target.Width(), target.Height(), swp);
  if (w->dead) return wasVisible;
  // A window hears its size and place when first shown, unless a move or
  // resize while hidden already told it.
  if (!w->sizedOnce) {
    w->sizedOnce = true;
    if (!minimize) {
      WPARAM type = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
      SendMessage(HandleOf(w), WM_SIZE, type, MAKELPARAM(w->client.Width(), w->client.Height()));
      if (w->dead) return wasVisible;
    }
    SendMessage(HandleOf(w), WM_MOVE, 0, MAKELPARAM(w->client.Left, w->client.Top));
    if (w->dead) return wasVisible;
  }
  if (wasMinimized != minimize && !w->IsChild() && w->native && CurrentDisplay())
    CurrentDisplay()->SetNativeMinimized(w->native, minimize);
  if (minimize) {
    SendMessage(HandleOf(w), WM_SIZE, SIZE_MINIMIZED, 0);
    if (!w->dead && GetActiveWindow() == HandleOf(w) && cmd == SW_MINIMIZE) ActiveWindowHidden(w);
  }
  return wasVisible;
}

void NativeStateChanged(HWND hwnd, UINT sizeType) {
  WND* w = LiveWindow(hwnd);
  if (!w || w->IsChild()) return;
  const DWORD before = w->style & (WS_MINIMIZE | WS_MAXIMIZE);
  const DWORD after = sizeType == SIZE_MAXIMIZED ? WS_MAXIMIZE : sizeType == SIZE_MINIMIZED ? WS_MINIMIZE : 0;
  TWindowPin pin(w);
  if (w->selfMaximized) {
    // The desktop echoing the program's own maximise changes nothing; its
    // restore is the program's to carry out.
    if (sizeType == SIZE_MAXIMIZED) return;
    if (sizeType == SIZE_RESTORED && before == 0) {
      w->selfMaximized = false;
      SendMessage(HandleOf(w), WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client.Width(), w->client.Height()));
      return;
    }
  }
  if (before == after) return;
  if (after == WS_MAXIMIZE && before == 0) w->normalRect = w->rect;
  w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | after;
  SendMessage(HandleOf(w), WM_SIZE, sizeType, after == WS_MINIMIZE ? 0 : MAKELPARAM(w->client.Width(), w->client.Height()));
  if (w->dead) return;
  if (after == WS_MINIMIZE && GetActiveWindow() == HandleOf(w)) ActiveWindowHidden(w);
  else if (before == WS_MINIMIZE) InvalidateRect(HandleOf(w), nullptr, TRUE);  // live and painted again
}

BOOL SetDesktopMaximized(HWND hwnd, BOOL maximized) {
  WND* w = LiveWindow(hwnd);
  if (!w || w->IsChild()) return FALSE;
  const bool on = maximized != FALSE;
  if (on) {
    if (w->selfMaximized || (w->style & WS_MAXIMIZE)) return TRUE;
    w->selfMaximized = true;
    w->normalRect = w->rect;
  } else {
    if (!w->selfMaximized && !(w->style & WS_MAXIMIZE)) return TRUE;
    w->selfMaximized = false;
    w->style &= ~WS_MAXIMIZE;
  }
  if (w->native && CurrentDisplay()) CurrentDisplay()->SetNativeMaximized(w->native, on);
  return TRUE;
}

BOOL IsDesktopMaximized(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  return w && w->selfMaximized ? TRUE : FALSE;
}

BOOL GetRestoredRect(HWND hwnd, RECT* r) {
  WND* w = LiveWindow(hwnd);
  if (!w || !r) return FALSE;
  *r = ((w->style & WS_MAXIMIZE) || w->selfMaximized) && w->normalRect.Width() > 0 ? w->normalRect : w->rect;
  return TRUE;
}

void NativeMovedBySystem(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w || w->IsChild()) return;
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  // A menu's loop ends on a WM_CANCELMODE it retrieves.
  if (LiveWindow(hwnd)) PostMessage(hwnd, WM_CANCELMODE, 0, 0);
}

BOOL BringWindowToTop(HWND hwnd) {
  if (!SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE)) return FALSE;
  if (WND* w = LiveWindow(hwnd); w && !w->IsChild()) RaiseNative(w);
  return TRUE;
}

BOOL IsIconic(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* r) {
  WND* w = LiveWindow(hwnd);
  if (!w || !r) return FALSE;
  POINT o = WindowOriginScreen(w);
  *r = Bounds(o.X, o.Y, w->rect.Width(), w->rect.Height());
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* r) {
  WND* w = LiveWindow(hwnd);
  if (!w || !r) return FALSE;
  *r = RECT{0, 0, std::max(0, w->client.Width()), std::max(0, w->client.Height())};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
  WND* w = LiveWindow(hwnd);
  if (!w || !p) return FALSE;
  *p = Add(*p, ClientOriginScreen(w));
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
  WND* w = LiveWindow(hwnd);
  if (!w || !p) return FALSE;
  POINT o = ClientOriginScreen(w);
  *p = POINT{p->X - o.X, p->Y - o.Y};
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT count) {
  POINT a{}, b{};
  if (from) {
    WND* w = LiveWindow(from);
    if (!w) return 0;
    a = ClientOriginScreen(w);
  }
  if (to) {
    WND* w = LiveWindow(to);
    if (!w) return 0;
    b = ClientOriginScreen(w);
  }
  int dx = a.X - b.X, dy = a.Y - b.Y;
  for (UINT i = 0; pts && i < count; ++i) pts[i] = POINT{pts[i].X + dx, pts[i].Y + dy};
  return int(MAKELONG(dx, dy));
}

namespace {

bool ContainsScreenPoint(const WND* w, POINT screen) {
  POINT o = WindowOriginScreen(w);
  POINT local{screen.X - o.X, screen.Y - o.Y};
  if (!Bounds(0, 0, w->rect.Width(), w->rect.Height()).Contains(local)) return false;
  return WindowRegionContains(w, local);
}

bool MouseGoesThrough(const WND* top) {
  return (top->exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT);
}

WND* DeepestChild(WND* w, POINT screen) {
  if (w->style & WS_DISABLED) return w;
  POINT co = ClientOriginScreen(w);
  if (!Bounds(co.X, co.Y, w->client.Width(), w->client.Height()).Contains(screen)) return w;
  for (WND* c : w->children) {
    if (!(c->style & WS_VISIBLE) || !ContainsScreenPoint(c, screen)) continue;
    if (c->style & WS_DISABLED) return w;
    return DeepestChild(c, screen);
  }
  return w;
}

}  // namespace

namespace {

// A window whose WM_NCHITTEST answers HTTRANSPARENT lets the mouse through
// to what lies beneath it: its next siblings, then its parent. A disabled
// window is not asked and neither are its children, however enabled: a
// disabled top-level window takes the point as HTERROR, a disabled child
// leaves it to its parent.
WND* HitBelow(WND* w, POINT screen, int* hit) {
  if (w->style & WS_DISABLED) {
    *hit = HTERROR;
    return w;
  }
  TWindowPin pin(w);
  POINT co = ClientOriginScreen(w);
  if (Bounds(co.X, co.Y, w->client.Width(), w->client.Height()).Contains(screen)) {
    std::vector<WND*> kids = w->children;  // a hit test may restack them
    for (WND* c : kids) {
      if (!IsLive(c) || !(c->style & WS_VISIBLE) || !ContainsScreenPoint(c, screen)) continue;
      if (c->style & WS_DISABLED) break;
      if (WND* found = HitBelow(c, screen, hit)) return found;
      if (w->dead) return nullptr;
    }
  }
  int code = int(SendMessage(HandleOf(w), WM_NCHITTEST, 0, PointToLParam(screen)));
  if (w->dead || code == HTTRANSPARENT) return nullptr;
  *hit = code;
  return w;
}

}  // namespace

WND* WindowHitFromPoint(POINT screen, int* hit) {
  int code = HTNOWHERE;
  std::vector<WND*> tops = TopLevelWindows();
  for (WND* t : tops) {
    if (!IsLive(t)) continue;
    // A minimized window keeps its rectangle but is not on the screen.
    if (!(t->style & WS_VISIBLE) || (t->style & WS_MINIMIZE) || !ContainsScreenPoint(t, screen)) continue;
    // Clear pixels of a layered window let the mouse through, and so does
    // all of one that is also WS_EX_TRANSPARENT.
    if (LayeredPointTransparent(t, POINT{screen.X - t->rect.Left, screen.Y - t->rect.Top})) continue;
    if (MouseGoesThrough(t)) continue;
    if (WND* w = HitBelow(t, screen, &code)) {
      if (hit) *hit = code;
      return w;
    }
  }
  return nullptr;
}

WND* WindowUnderPoint(POINT screen) {
  for (WND* t : TopLevelWindows()) {
    if (!(t->style & WS_VISIBLE) || (t->style & WS_MINIMIZE) || !ContainsScreenPoint(t, screen)) continue;
    if (LayeredPointTransparent(t, POINT{screen.X - t->rect.Left, screen.Y - t->rect.Top}) || MouseGoesThrough(t))
      continue;
    return DeepestChild(t, screen);
  }
  return nullptr;
}

HWND WindowFromPoint(POINT screen) { return HandleOf(WindowHitFromPoint(screen, nullptr)); }

HWND ChildWindowFromPointEx(HWND parent, POINT client, UINT flags) {
  WND* p = LiveWindow(parent);
  if (!p) return nullptr;
  if (!RECT{0, 0, p->client.Width(), p->client.Height()}.Contains(client)) return nullptr;
  POINT screen = Add(client, ClientOriginScreen(p));
  TWindowPin pin(p);
  std::vector<WND*> kids = p->children;
  for (WND* c : kids) {
    if (!IsLive(c)) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (!ContainsScreenPoint(c, screen)) continue;
    // As WindowFromPoint: a child answering HTTRANSPARENT is passed over.
    if (!(c->style & WS_DISABLED) && SendMessage(HandleOf(c), WM_NCHITTEST, 0, PointToLParam(screen)) == HTTRANSPARENT) continue;
    if (p->dead) return nullptr;
    return HandleOf(c);
  }
  return HandleOf(p->dead ? nullptr : p);
}

HWND ChildWindowFromPoint(HWND parent, POINT client) { return ChildWindowFromPointEx(parent, client, CWP_ALL); }

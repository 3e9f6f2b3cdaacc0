#include "platform/user/input/Focus.h"

#include <optional>

#include "platform/user/input/MessageQueue.h"
#include "platform/user/nonclient/Flash.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

WND* g_active = nullptr;
WND* g_focus = nullptr;

bool CanActivate(const WND* w) {
  return w && !w->dead && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED) && !(w->exStyle & WS_EX_NOACTIVATE) &&
         !(w->style & WS_MINIMIZE);
}

// byDesktop: the display reported w active, and has stacked it already.
void SetActiveInternal(WND* w, int how, bool byDesktop = false) {
  if (w == g_active) return;
  WND* old = g_active;
  const HWND oldHandle = HandleOf(old);
  TWindowPin pinOld(old), pinNew(w);
  if (old && IsLive(old)) {
    SendMessage(oldHandle, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(HandleOf(w)));
    if (IsLive(old))
      SendMessage(oldHandle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (old->style & WS_MINIMIZE) ? 1 : 0),
                  reinterpret_cast<LPARAM>(HandleOf(w)));
  }
  if (w && !IsLive(w)) w = nullptr;
  g_active = w;
  if (!w) {
    if (old && IsLive(old)) SendMessage(oldHandle, WM_ACTIVATEAPP, FALSE, 0);
    if (g_focus) SetFocus(nullptr);
    return;
  }
  if (!old) SendMessage(HandleOf(w), WM_ACTIVATEAPP, TRUE, 0);
  if (w->dead || g_active != w) return;
  // Coming to the top is a position change the window hears of.
  if (ZOrderWouldChange(w, HWND_TOP)) {
    std::optional<TNativeOrderShown> shown;
    if (byDesktop) shown.emplace();
    SetWindowPos(HandleOf(w), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (w->dead || g_active != w) return;
  }
  SendMessage(HandleOf(w), WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(oldHandle));
  if (w->dead || g_active != w) return;
  SendMessage(HandleOf(w), WM_ACTIVATE, MAKEWPARAM(how, (w->style & WS_MINIMIZE) ? 1 : 0), reinterpret_cast<LPARAM>(oldHandle));
  if (w->dead || g_active != w) return;
  // The focus follows activation unless the handler put it inside w.
  if (!g_focus || TopLevelOf(g_focus) != w) SetFocus(HandleOf(w));
}

WND* NextToActivate(WND* leaving) {
  if (leaving->owner && CanActivate(leaving->owner)) return leaving->owner;
  for (WND* t : TopLevelWindows())
    if (t != leaving && CanActivate(t) && !(t->exStyle & WS_EX_TOOLWINDOW)) return t;
  return nullptr;
}

}  // namespace

void ActivateForShow(WND* w) {
  if (CanActivate(w)) SetActiveInternal(w, WA_ACTIVE);
}

void SetActiveWindowByClick(WND* top) { SetActiveInternal(top, WA_CLICKACTIVE); }

void ActiveWindowHidden(WND* w) {
  if (g_active != w) return;
  SetActiveInternal(NextToActivate(w), WA_ACTIVE);
}

void FocusWindowGone(WND* w) {
  if (g_focus == w) g_focus = nullptr;
  if (g_active == w) g_active = nullptr;
}

HWND GetFocus() { return HandleOf(g_focus); }
HWND GetActiveWindow() { return HandleOf(g_active); }
HWND GetForegroundWindow() { return HandleOf(g_active); }

HWND SetActiveWindow(HWND hwnd) {
  WND* old = g_active;
  const HWND oldHandle = HandleOf(old);
  if (!hwnd) {
    SetActiveInternal(nullptr, WA_INACTIVE);
    return oldHandle;
  }
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  w = TopLevelOf(w);
  if (w->style & WS_DISABLED) return nullptr;
  TWindowPin pin(w);
  SetActiveInternal(w, WA_ACTIVE);
  if (!w->dead) RaiseNative(w);
  return oldHandle;
}

BOOL SetForegroundWindow(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  w = TopLevelOf(w);
  TWindowPin pin(w);
  SetActiveInternal(w, WA_ACTIVE);
  if (!w->dead) RaiseNative(w);
  return TRUE;
}

void RaiseNative(WND* top) {
  TDisplay* d = CurrentDisplay();
  if (d && top->native && !top->IsChild() && (top->style & WS_VISIBLE)) d->ActivateNativeWindow(top->native);
}

HWND SetFocus(HWND hwnd) {
  if (!MainThreadCheck()) return nullptr;
  WND* old = g_focus;
  HWND oldHandle = HandleOf(old);
  if (!hwnd) {
    if (!old) return nullptr;
    g_focus = nullptr;
    if (IsLive(old)) SendMessage(HandleOf(old), WM_KILLFOCUS, 0, 0);
    return oldHandle;
  }
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  // A disabled window and everything inside it take no keyboard input.
  for (WND* a = w; a; a = a->IsChild() ? a->parent : nullptr)
    if (a->style & WS_DISABLED) return nullptr;
  TWindowPin pin(w);
  WND* top = TopLevelOf(w);
  if (top != g_active) {
    SetActiveInternal(top, WA_ACTIVE);
    if (w->dead) return nullptr;
    old = old == g_focus ? old : g_focus;
    oldHandle = HandleOf(old);
  }
  if (g_focus == w) return oldHandle;
  WND* prev = g_focus;
  const HWND prevHandle = HandleOf(prev);
  g_focus = w;
  if (prev && IsLive(prev)) SendMessage(prevHandle, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w->handle), 0);
  if (g_focus == w && !w->dead) SendMessage(w->handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(prevHandle), 0);
  return oldHandle;
}

namespace {

// The enabled, shown window that owns nothing enabled in front of it, found
// through the windows `top` owns, directly or through other owned windows:
// the modal window to bring forward when a disabled owner is chosen.
WND* EnabledOwnedWindow(WND* top) {
  for (WND* t : TopLevelWindows()) {
    if (t == top || !CanActivate(t)) continue;
    for (WND* o = t->owner; o; o = o->owner)
      if (o == top) return t;
  }
  return nullptr;
}

}  // namespace

void ShowWaitedForWindow(WND* disabled) {
  WND* modal = EnabledOwnedWindow(TopLevelOf(disabled));
  if (!modal) return;
  TWindowPin pin(modal);
  if (g_active != modal) SetActiveInternal(modal, WA_ACTIVE);
  if (modal->dead) return;
  RaiseNative(modal);
  FLASHWINFO flash;
  flash.hwnd = HandleOf(modal);
  flash.dwFlags = FLASHW_CAPTION | FLASHW_TIMER;
  flash.uCount = kWaitedForFlashes;
  flash.dwTimeout = kWaitedForFlashMs;
  FlashWindowEx(&flash);
}

void NativeActivationChanged(HWND topLevel, bool active) {
  WND* w = LiveWindow(topLevel);
  if (!w) return;
  if (active && (TopLevelOf(w)->style & WS_DISABLED)) {
    // A disabled window takes no activation; as on Windows, the window it
    // waits for comes forward instead.
    if (WND* modal = EnabledOwnedWindow(TopLevelOf(w))) {
      TWindowPin pin(modal);
      SetActiveInternal(modal, WA_ACTIVE);
      if (!modal->dead) RaiseNative(modal);
    }
    return;
  }
  if (active) SetActiveInternal(TopLevelOf(w), WA_ACTIVE, true);
  else if (g_active == TopLevelOf(w)) SetActiveInternal(nullptr, WA_INACTIVE);
}

#include "platform/user/nonclient/Flash.h"

#include <map>

#include "platform/user/input/Caret.h"
#include "platform/user/input/Focus.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/input/Timers.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

struct TFlash {
  std::uint64_t serial = 0;
  bool shownActive = false;  // the caption as last sent
  bool timed = false;
  UINT left = 0;             // caption changes still to come; 0 with `endless`
  bool endless = false;
};

std::map<HWND, TFlash>& Flashes() {
  static std::map<HWND, TFlash> flashes;
  return flashes;
}
std::uintptr_t g_timer = 0;
UINT g_interval = 0;

bool ReallyActive(HWND h) { return GetActiveWindow() == h; }

// The entry of a live window, forgetting one left by a window now gone.
TFlash* Entry(HWND h) {
  auto it = Flashes().find(h);
  if (it == Flashes().end()) return nullptr;
  if (it->second.serial != WindowSerial(h)) {
    Flashes().erase(it);
    return nullptr;
  }
  return &it->second;
}

void Show(HWND h, bool active) {
  SendMessage(h, WM_NCACTIVATE, active ? TRUE : FALSE, 0);
}

void StopTimerIfIdle() {
  for (auto& [h, f] : Flashes())
    if (f.timed) return;
  if (g_timer) KillTimer(nullptr, g_timer);
  g_timer = 0;
}

void Tick(HWND, UINT, std::uintptr_t, DWORD) {
  std::vector<HWND> due;
  for (auto& [h, f] : Flashes())
    if (f.timed) due.push_back(h);
  for (HWND h : due) {
    TFlash* f = Entry(h);
    if (!f) continue;
    if (!f->endless && f->left == 0) {
      // Done: the caption shows the real state again.
      Flashes().erase(h);
      if (IsWindow(h)) Show(h, ReallyActive(h));
      continue;
    }
    if (!f->endless) --f->left;
    f->shownActive = !f->shownActive;
    bool shown = f->shownActive;
    Show(h, shown);
  }
  StopTimerIfIdle();
}

}  // namespace

BOOL FlashWindow(HWND hwnd, BOOL invert) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  TFlash* f = Entry(hwnd);
  bool was = f ? f->shownActive : ReallyActive(hwnd);
  bool now = invert ? !was : ReallyActive(hwnd);
  if (!f) f = &(Flashes()[hwnd] = TFlash{w->serial, was});
  f->shownActive = now;
  if (!invert && !f->timed) Flashes().erase(hwnd);
  Show(hwnd, now);
  return was ? TRUE : FALSE;
}

BOOL FlashWindowEx(const FLASHWINFO* info) {
  if (!info || info->cbSize != sizeof(FLASHWINFO)) return FALSE;
  HWND h = info->hwnd;
  WND* w = LiveWindow(h);
  if (!w) return FALSE;
  TFlash* f = Entry(h);
  bool was = f ? f->shownActive : ReallyActive(h);
  if (!(info->dwFlags & FLASHW_CAPTION)) {
    // Stopping (or a task-bar flash only, which no display here shows).
    if (f) {
      Flashes().erase(h);
      Show(h, ReallyActive(h));
      StopTimerIfIdle();
    }
    return was ? TRUE : FALSE;
  }
  if (!f) f = &(Flashes()[h] = TFlash{w->serial, was});
  f->timed = true;
  f->endless = info->uCount == 0;
  // The first change happens now, the rest on the timer.
  f->left = f->endless ? 0 : info->uCount - 1;
  f->shownActive = !f->shownActive;
  const bool shown = f->shownActive;
  UINT interval = info->dwTimeout ? UINT(info->dwTimeout) : GetCaretBlinkTime();
  if (!g_timer || interval != g_interval) {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = SetTimer(nullptr, 0, interval, Tick);
    g_interval = interval;
  }
  Show(h, shown);
  return was ? TRUE : FALSE;
}

int RunningFlashes() {
  int n = 0;
  for (auto& [h, f] : Flashes())
    if (f.timed && f.serial == WindowSerial(h)) ++n;
  return n;
}

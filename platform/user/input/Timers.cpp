#include "platform/user/input/Timers.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/rtl/Clock.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

struct TTimerRec {
  UINT interval = 0;
  Int64 due = 0;
  Int64 order = 0;  // equal due times fire in the order they were set
  TIMERPROC proc = nullptr;
};

using TKey = std::pair<HWND, std::uintptr_t>;
std::map<TKey, TTimerRec>& Timers() {
  static std::map<TKey, TTimerRec> timers;
  return timers;
}
Int64 g_order = 0;
std::uintptr_t g_nextThreadTimerId = 0x7FFF;

Int64 Now() { return GetTickCount64(); }

}  // namespace

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc) {
  if (!MainThreadCheck()) return 0;
  if (hwnd && !LiveWindow(hwnd)) return 0;
  if (!hwnd) {
    if (!id || !Timers().count({nullptr, id})) id = ++g_nextThreadTimerId;
  }
  TTimerRec& t = Timers()[{hwnd, id}];
  t.interval = std::max(elapseMs, USER_TIMER_MINIMUM);
  t.due = Now() + t.interval;
  t.order = ++g_order;
  t.proc = proc;
  return hwnd && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, std::uintptr_t id) {
  auto it = Timers().find({hwnd, id});
  if (it == Timers().end()) return FALSE;
  Timers().erase(it);
  return TRUE;
}

void KillWindowTimers(WND* w) {
  auto& timers = Timers();
  for (auto it = timers.lower_bound({w->handle, 0}); it != timers.end() && it->first.first == w->handle;) it = timers.erase(it);
}

int MillisecondsToNextTimer() {
  if (Timers().empty()) return -1;
  Int64 best = INT64_MAX;
  for (auto& [key, t] : Timers()) best = std::min(best, t.due);
  return int(std::max<Int64>(0, std::min<Int64>(best - Now(), 0x7FFFFFFF)));
}

bool TakeDueTimer(MSG* out, bool remove) {
  Int64 now = Now();
  auto best = Timers().end();
  for (auto it = Timers().begin(); it != Timers().end(); ++it) {
    if (it->second.due > now) continue;
    if (best == Timers().end() || it->second.due < best->second.due ||
        (it->second.due == best->second.due && it->second.order < best->second.order))
      best = it;
  }
  if (best == Timers().end()) return false;
  *out = MSG{};
  out->hwnd = best->first.first;
  out->message = WM_TIMER;
  out->wParam = best->first.second;
  out->lParam = reinterpret_cast<LPARAM>(best->second.proc);
  out->time = DWORD(now);
  if (remove) {
    // Coalesced: the next one is a full interval from now, however late.
    best->second.due = now + best->second.interval;
    best->second.order = ++g_order;
  }
  return true;
}

#include "platform/user/system/Monitors.h"

#include <algorithm>
#include <climits>

#include "platform/user/system/Display.h"
#include "platform/user/windows/WindowPos.h"

namespace {

// Handles are 1-based indexes into the current monitor list.
std::vector<TMonitorRec> List() {
  std::vector<TMonitorRec> list;
  if (TDisplay* d = CurrentDisplay()) list = d->Monitors();
  if (list.empty()) list.push_back(TMonitorRec{Bounds(0, 0, 1280, 1024), Bounds(0, 0, 1280, 1024), true});
  return list;
}

HMONITOR Handle(std::size_t i) { return reinterpret_cast<HMONITOR>(i + 1); }

std::size_t Primary(const std::vector<TMonitorRec>& list) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].primary) return i;
  return 0;
}

Int64 Overlap(const RECT& a, const RECT& b) {
  Int64 w = std::min(a.Right, b.Right) - std::max(a.Left, b.Left);
  Int64 h = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top);
  return w > 0 && h > 0 ? w * h : 0;
}

Int64 Distance(const RECT& r, const RECT& m) {
  Int64 dx = std::max({Int64(m.Left) - r.Right + 1, Int64(r.Left) - m.Right + 1, Int64(0)});
  Int64 dy = std::max({Int64(m.Top) - r.Bottom + 1, Int64(r.Top) - m.Bottom + 1, Int64(0)});
  return dx * dx + dy * dy;
}

}  // namespace

HMONITOR MonitorFromRect(const RECT* r, DWORD flags) {
  if (!r) return nullptr;
  auto list = List();
  Int64 best = 0;
  std::size_t bestIndex = SIZE_MAX;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (Int64 o = Overlap(*r, list[i].monitor); o > best) {
      best = o;
      bestIndex = i;
    }
  if (bestIndex != SIZE_MAX) return Handle(bestIndex);
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (flags == MONITOR_DEFAULTTOPRIMARY) return Handle(Primary(list));
  Int64 nearest = INT64_MAX;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (Int64 d = Distance(*r, list[i].monitor); d < nearest) {
      nearest = d;
      bestIndex = i;
    }
  return Handle(bestIndex);
}

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  RECT r = Bounds(pt.X, pt.Y, 1, 1);
  return MonitorFromRect(&r, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : Handle(Primary(List()));
  if (r.IsEmpty()) r = Bounds(r.Left, r.Top, 1, 1);
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  auto list = List();
  std::size_t i = reinterpret_cast<std::uintptr_t>(monitor);
  if (!info || i == 0 || i > list.size()) return FALSE;
  info->rcMonitor = list[i - 1].monitor;
  info->rcWork = list[i - 1].work;
  info->dwFlags = list[i - 1].primary ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

BOOL EnumDisplayMonitors(HDC, const RECT* clip, MONITORENUMPROC proc, LPARAM lp) {
  auto list = List();
  for (std::size_t i = 0; i < list.size(); ++i) {
    RECT r = list[i].monitor;
    if (clip && Overlap(*clip, r) == 0) continue;
    if (!proc(Handle(i), nullptr, &r, lp)) return FALSE;
  }
  return TRUE;
}

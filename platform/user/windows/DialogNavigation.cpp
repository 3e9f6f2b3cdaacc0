#include "platform/user/windows/DialogNavigation.h"

#include <algorithm>
#include <vector>

#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

bool Usable(const WND* w) { return IsReallyVisible(w) && !(w->style & WS_DISABLED); }

// The controls in navigation order: z-order, control parents opened up.
void Collect(const WND* parent, std::vector<WND*>& out, int depth) {
  if (depth > 64) return;  // deeper nesting than any dialog has
  for (WND* c : parent->children) {
    if (c->dead) continue;
    if ((c->exStyle & WS_EX_CONTROLPARENT) && Usable(c) && !c->children.empty())
      Collect(c, out, depth + 1);
    else
      out.push_back(c);
  }
}

std::vector<WND*> Controls(WND* dialog) {
  std::vector<WND*> out;
  Collect(dialog, out, 0);
  return out;
}

// Steps from index `from` through `list` (wrapping) to the first window
// `accept` takes; from -1 starts before the first (or after the last).
template <typename Accept>
WND* Step(const std::vector<WND*>& list, int from, bool previous, Accept accept) {
  const int n = int(list.size());
  if (n == 0) return nullptr;
  int i = from < 0 ? (previous ? n : -1) : from;
  for (int k = 0; k < n; ++k) {
    i = previous ? (i - 1 + n) % n : (i + 1) % n;
    if (accept(list[std::size_t(i)])) return list[std::size_t(i)];
  }
  return nullptr;
}

// The live control (null when none is given) and the dialog's controls;
// false when the dialog or a given control is gone.
bool Resolve(HWND dialog, HWND control, WND*& c, std::vector<WND*>& list) {
  WND* d = LiveWindow(dialog);
  if (!d) return false;
  c = control ? LiveWindow(control) : nullptr;
  if (control && !c) return false;
  list = Controls(d);
  return true;
}

}  // namespace

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  WND* c = nullptr;
  std::vector<WND*> list;
  if (!Resolve(dialog, control, c, list)) return nullptr;
  auto at = std::find(list.begin(), list.end(), c);
  const int from = at == list.end() ? -1 : int(at - list.begin());
  auto tabStop = [](const WND* w) { return (w->style & WS_TABSTOP) && Usable(w); };
  WND* next = Step(list, from, previous != FALSE, tabStop);
  return HandleOf(next ? next : c);
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  WND* c = nullptr;
  std::vector<WND*> list;
  if (!Resolve(dialog, control, c, list)) return nullptr;
  if (list.empty()) return nullptr;
  auto at = std::find(list.begin(), list.end(), c);
  const int pos = at == list.end() ? 0 : int(at - list.begin());
  // The group around pos: back to its WS_GROUP control (or the first), on
  // to the control before the next WS_GROUP one (or the last).
  int first = pos;
  while (first > 0 && !(list[std::size_t(first)]->style & WS_GROUP)) --first;
  int last = pos;
  while (last + 1 < int(list.size()) && !(list[std::size_t(last) + 1]->style & WS_GROUP)) ++last;
  const std::vector<WND*> group(list.begin() + first, list.begin() + last + 1);
  WND* next = Step(group, at == list.end() ? -1 : pos - first, previous != FALSE, Usable);
  return HandleOf(next ? next : c);
}

#include "platform/user/windows/WindowUpdateLock.h"

#include "platform/user/paint/Paint.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

WND* g_locked = nullptr;
HWND g_lockedHandle = nullptr;
std::uint64_t g_lockedSerial = 0;

WND* Locked() {
  if (g_locked && WindowSerial(g_lockedHandle) != g_lockedSerial) g_locked = nullptr;
  return g_locked;
}

}  // namespace

bool IsUpdateLocked(const WND* w) {
  const WND* locked = Locked();
  for (; locked && w; w = w->IsChild() ? w->parent : nullptr)
    if (w == locked) return true;
  return false;
}

BOOL LockWindowUpdate(HWND hwnd) {
  WND* old = Locked();
  if (!hwnd) {
    if (!old) return FALSE;
    g_locked = nullptr;
    UpdateWindowDCs(TopLevelOf(old));
    RedrawWindow(HandleOf(old), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
  }
  WND* w = LiveWindow(hwnd);
  if (!w || (old && old != w)) return FALSE;
  g_locked = w;
  g_lockedHandle = w->handle;
  g_lockedSerial = w->serial;
  UpdateWindowDCs(TopLevelOf(w));
  return TRUE;
}

#include "imaging/core/vqzutils_window.h"

#include "platform/user/SysMetrics.h"
#include "platform/user/WindowPos.h"

TVQPlaceDialogHook PlaceDialogHook = nullptr;

namespace {
// GetSystemMetrics index of the terminal-server flag.
constexpr int kRemoteSessionMetric = 0x1000;
}  // namespace

void PlaceDialogOnScreen(HWND window) {
  if (PlaceDialogHook) {
    PlaceDialogHook(window);
    return;
  }
  RECT r{};
  if (!window || !GetWindowRect(window, &r)) return;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - r.Width()) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - r.Height()) / 3;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsRemoteSession() { return GetSystemMetrics(kRemoteSessionMetric) != 0; }

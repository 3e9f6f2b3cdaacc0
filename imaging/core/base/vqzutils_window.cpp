#include "imaging/core/base/vqzutils_window.h"

#include <algorithm>

#include "platform/ui/controls/Controls.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/WindowPos.h"

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

HWND FindOwnerWindow(TComponent* component) {
  for (TComponent* c = component; c; c = c->Owner()) {
    if (auto* control = dynamic_cast<TWinControl*>(c)) {
      // Asking for Handle would create a window as a side effect.
      return control->HandleAllocated() ? control->Handle() : nullptr;
    }
  }
  return nullptr;
}

// ---- scroll bars -----------------------------------------------------------------

BOOL ScrollBarSetRange(HWND Handle, int Bar, int Min, int Max, bool Redraw, bool Flat) {
  return Flat ? FlatSB_SetScrollRange(Handle, Bar, Min, Max, Redraw) : SetScrollRange(Handle, Bar, Min, Max, Redraw);
}

int ScrollBarSetInfo(HWND Handle, int Bar, const SCROLLINFO& Info, bool Redraw, bool Flat) {
  return Flat ? FlatSB_SetScrollInfo(Handle, Bar, &Info, Redraw) : SetScrollInfo(Handle, Bar, &Info, Redraw);
}

int ScrollBarSetPage(HWND Handle, int Bar, int Page, bool Redraw, bool Flat) {
  static_assert(sizeof(SCROLLINFO) == 28, "the scroll information record is 28 bytes");
  SCROLLINFO info{};
  info.cbSize = sizeof(SCROLLINFO);
  info.fMask = SIF_PAGE;
  info.nPage = UINT(std::max(Page, 0));
  return ScrollBarSetInfo(Handle, Bar, info, Redraw, Flat);
}

int ScrollBarSetPos(HWND Handle, int Bar, int Pos, bool Redraw, bool Flat) {
  return Flat ? FlatSB_SetScrollPos(Handle, Bar, Pos, Redraw) : SetScrollPos(Handle, Bar, Pos, Redraw);
}

BOOL ScrollBarEnable(HWND Handle, int Bar, UINT Arrows, bool Flat) {
  return Flat ? FlatSB_EnableScrollBar(Handle, Bar, Arrows) : EnableScrollBar(Handle, UINT(Bar), Arrows);
}

BOOL ScrollBarShow(HWND Handle, int Bar, bool Show, bool Flat) {
  return Flat ? FlatSB_ShowScrollBar(Handle, Bar, Show) : ShowScrollBar(Handle, Bar, Show);
}

#include "platform/user/Cursors.h"

#include <map>

namespace {
HCURSOR g_current = nullptr;
int g_showCount = 0;
}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
  static std::map<int, UserCursor> system;
  auto id = reinterpret_cast<std::uintptr_t>(name);
  if (instance || id == 0 || id > 0xFFFF) return nullptr;
  switch (int(id)) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW: case IDC_SIZENWSE:
    case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL: case IDC_NO: case IDC_HAND:
    case IDC_APPSTARTING: case IDC_HELP: break;
    default: return nullptr;
  }
  UserCursor& c = system[int(id)];
  c.systemId = int(id);
  return &c;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = g_current;
  g_current = cursor;
  return old;
}

HCURSOR GetCursor() { return g_current; }

int ShowCursor(BOOL show) { return show ? ++g_showCount : --g_showCount; }

int CursorForHitTest(int hit) {
  switch (hit) {
    case HTLEFT: case HTRIGHT: return IDC_SIZEWE;
    case HTTOP: case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT: case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT: case HTBOTTOMLEFT: return IDC_SIZENESW;
    case HTCLIENT: return 0;
  }
  return IDC_ARROW;
}

#include "platform/user/windows/MdiKeys.h"

#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/Window.h"

BOOL TranslateMDISysAccel(HWND client, MSG* msg) {
  if (!msg || !IsWindow(client)) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
  HWND child = reinterpret_cast<HWND>(SendMessage(client, WM_MDIGETACTIVE, 0, 0));
  if (!child || !IsWindow(child) || !IsWindowEnabled(child)) return FALSE;
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  const bool alt = (msg->lParam & (LPARAM(1) << 29)) != 0;
  WPARAM command = 0;
  LPARAM param = 0;
  if (ctrl && !alt) {
    switch (int(msg->wParam)) {
      case VK_F4:
        command = shift ? 0 : SC_CLOSE;
        break;
      case VK_F6:
      case VK_TAB:
        command = shift ? SC_PREVWINDOW : SC_NEXTWINDOW;
        break;
      default:
        break;
    }
  } else if (alt && !ctrl && (msg->wParam == WPARAM(VK_OEM_MINUS) || msg->wParam == WPARAM(VK_SUBTRACT))) {
    command = SC_KEYMENU;
    param = '-';
  }
  if (!command) return FALSE;
  SendMessage(child, WM_SYSCOMMAND, command, param);
  return TRUE;
}

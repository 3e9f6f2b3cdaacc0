// The notification-area icon call: one icon per (window, id), shown by the
// display's notification area (the freedesktop system tray on X11). Mouse
// messages on the icon come back to the window as its callback message,
// wParam the id and lParam the mouse message (WM_LBUTTONDOWN and so on).
#pragma once
#include "platform/user/UserTypes.h"

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;

constexpr UINT NIF_MESSAGE = 0x1;
constexpr UINT NIF_ICON = 0x2;
constexpr UINT NIF_TIP = 0x4;

// Sent to top-level windows when the notification area (re)appears.
constexpr const char* kTaskbarCreatedMessage = "TaskbarCreated";

struct NOTIFYICONDATAA {
  DWORD cbSize = sizeof(NOTIFYICONDATAA);
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  char szTip[128] = {};
};

// NIM_ADD fails for an icon already there or without a notification area;
// NIM_MODIFY and NIM_DELETE fail for an icon not there. Fields not named in
// uFlags keep their values. The tip is read up to its first NUL, at most
// 127 bytes.
BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data);
inline BOOL Shell_NotifyIcon(DWORD message, const NOTIFYICONDATAA* data) { return Shell_NotifyIconA(message, data); }

// The display's notification area (re)appeared, empty: the icons shown are
// forgotten and every top-level window is sent the registered
// "TaskbarCreated" message, on which their owners add their icons again.
void NotifyAreaRestarted();

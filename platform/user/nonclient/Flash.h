// Flashing a window's caption: each step sends WM_NCACTIVATE with the
// opposite of the caption's shown state, so a frame drawn by a controller
// flashes as well as the default one. A timed flash runs on a thread timer
// (the layer's clock) and leaves the caption as the window's real
// activation says.
#pragma once
#include "platform/user/UserTypes.h"

struct FLASHWINFO {
  UINT cbSize = sizeof(FLASHWINFO);
  HWND hwnd = nullptr;
  DWORD dwFlags = 0;
  UINT uCount = 0;     // caption changes; with FLASHW_TIMER 0 means until stopped
  DWORD dwTimeout = 0; // ms between changes, 0: the caret blink time
};

constexpr DWORD FLASHW_STOP = 0;
constexpr DWORD FLASHW_CAPTION = 0x1;
constexpr DWORD FLASHW_TRAY = 0x2;
constexpr DWORD FLASHW_ALL = FLASHW_CAPTION | FLASHW_TRAY;
constexpr DWORD FLASHW_TIMER = 0x4;

// Inverts the caption once (invert FALSE: back to the real state). Returns
// whether the caption was shown active before.
BOOL FlashWindow(HWND hwnd, BOOL invert);
BOOL FlashWindowEx(const FLASHWINFO* info);
// The number of timed flashes still running (tests).
int RunningFlashes();

// Window and callback timers on the layer's clock (GetTickCount). WM_TIMER
// is generated when nothing else waits; a timer that fell behind produces
// one message, not a burst. Killing a timer inside its own handler is safe.
#pragma once
#include <cstdint>

#include "platform/user/UserTypes.h"

constexpr UINT USER_TIMER_MINIMUM = 10;

// hwnd nullptr: a thread timer; the returned id is then chosen here.
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, std::uintptr_t id);
// Milliseconds until the next timer is due (0 if one is due now), -1 if none.
int MillisecondsToNextTimer();

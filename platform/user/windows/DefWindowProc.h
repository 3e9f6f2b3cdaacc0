// The default window procedure, the end of every procedure chain.
#pragma once
#include "platform/user/UserTypes.h"

constexpr UINT WM_CONTEXTMENU = 0x007B;

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// A button drawn in a window's frame or menu bar held down by the mouse: a
// nested loop under capture until the left button comes up. Over tells
// whether a screen point is on the button; Show draws it sunk (true) or
// raised as the mouse moves on and off it. Esc, a quit or losing the
// capture cancels. TRUE when the button came up over it.
#pragma once
#include <functional>

#include "platform/user/UserTypes.h"

BOOL TrackButtonPress(HWND hwnd, const std::function<bool(POINT)>& Over, const std::function<void(bool)>& Show);

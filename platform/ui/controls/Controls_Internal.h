// State the control modules share: the window-to-control table and the
// controls that hold the mouse, the capture and the focus. Every entry is
// cleared when its control is freed.
#pragma once
#include <map>
#include <unordered_map>

#include "platform/ui/controls/Controls.h"

namespace controls_internal {

extern std::unordered_map<HWND, TWinControl*> windows;
extern TWinControl* creating;        // bound to the first message of the window being made
extern TControl* captureControl;     // a graphic control capturing through its parent
extern TControl* mouseControl;       // under the mouse, as last announced
extern TControl* pressedControl;     // holds csClicked from its left press
extern std::map<TWinControl*, TWinControl*> lastFocused;  // top-level -> its focused control
extern unsigned eatChar;             // the character of a dialog key that was used up

// Called by ~TControl.
void Forget(TControl* c);
// Announces CM_MOUSELEAVE / CM_MOUSEENTER when the control under the mouse changes.
void SetMouseControl(TControl* c);
// Re-checks which control is under the mouse now.
void UpdateMouseControl();

bool IsAncestorOrSelf(const TControl* ancestor, const TControl* c);

}  // namespace controls_internal

// What the wizard's small modal dialogs share: the dialog frame and font,
// themed radio buttons, spin edits and the OK / Cancel pair.
#pragma once
#include <utility>

#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"

class TForm;
class TWinControl;
class TkzuRadioButton;
class TspSkinButton;
class TspSkinData;
class TspSkinSpinEdit;

// Name, caption, dialog border, centred on the main window, the wizard's font.
void BeginDialog(TForm* form, const char* name, const char* caption, int fontHeight = -12);
// A WinXP-style radio button of the form's one group, sized to its caption.
TkzuRadioButton* DialogRadio(TForm* form, const char* name, const char* caption, int left, int top,
                             TNotifyEvent onClick);
// An integer spin edit stepping by 1, at most five characters.
TspSkinSpinEdit* DialogSpin(TForm* form, TWinControl* parent, const char* name, const TRect& bounds);
// OK (the default button) and Cancel (the cancel button, modal result Cancel),
// 75 by 25 at `top`, each `margin` from its side of a client `clientWidth` wide.
std::pair<TspSkinButton*, TspSkinButton*> DialogButtons(TForm* form, int top, int margin, int clientWidth,
                                                        TspSkinData* skinData = nullptr,
                                                        const char* ok = "确 定", const char* cancel = "取 消");

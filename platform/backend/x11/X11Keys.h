// X keysyms to the window layer's virtual-key codes.
#pragma once
#include "platform/user/input/Input.h"

// The virtual key of a keysym (0: none). Letters map to their upper-case
// key whatever the case of the keysym; keypad keysyms to the numpad keys.
int VirtualKeyFromKeysym(unsigned long keysym);
// The scan code and extended bit of the key a keysym came from.
TKeyCode KeyCodeFromKeysym(unsigned long keysym, int vk);
struct TKeyModifiers {
  bool shift = false, ctrl = false, alt = false, capsLock = false;
};
// Whether the key's character comes from TranslateMessage's table, so the
// back end must not also hand in the text it produced: for every key the
// table knows when Ctrl or Alt is held (they follow Windows' rules, not the
// X server's) or when the X text is the table's. Otherwise (another
// layout, a dead key) the back end types its text and marks the press.
bool KeyTranslatesToChar(int vk, const char* utf8, TKeyModifiers mods = {});

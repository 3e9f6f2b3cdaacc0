// X keysyms to the window layer's virtual-key codes.
#pragma once
#include "platform/user/input/Input.h"

// The virtual key of a keysym (0: none). Letters map to their upper-case
// key whatever the case of the keysym; keypad keysyms to the numpad keys.
int VirtualKeyFromKeysym(unsigned long keysym);
// The scan code and extended bit of the key a keysym came from.
TKeyCode KeyCodeFromKeysym(unsigned long keysym, int vk);
// The key's WM_CHAR comes from TranslateMessage, so the back end must not
// also hand in the text it produced.
bool KeyTranslatesToChar(int vk, const char* utf8);

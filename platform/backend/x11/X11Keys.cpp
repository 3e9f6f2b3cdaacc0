#include "platform/backend/x11/X11Keys.h"

#include <cstring>

#include "platform/user/input/Input.h"

#include <X11/keysym.h>

namespace {

// Virtual keys the window layer does not name.
constexpr int VK_SEPARATOR = 0x6C;

struct TKeyPair {
  unsigned long keysym;
  int vk;
};

constexpr TKeyPair kKeys[] = {
    {XK_BackSpace, VK_BACK},   {XK_Tab, VK_TAB},          {XK_ISO_Left_Tab, VK_TAB},   {XK_Clear, VK_CLEAR},
    {XK_Return, VK_RETURN},    {XK_Pause, VK_PAUSE},      {XK_Scroll_Lock, VK_SCROLL}, {XK_Escape, VK_ESCAPE},
    {XK_Delete, VK_DELETE},    {XK_Home, VK_HOME},        {XK_Left, VK_LEFT},          {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},      {XK_Down, VK_DOWN},        {XK_Prior, VK_PRIOR},        {XK_Next, VK_NEXT},
    {XK_End, VK_END},          {XK_Insert, VK_INSERT},    {XK_Print, VK_SNAPSHOT},     {XK_Menu, VK_APPS},
    {XK_Num_Lock, VK_NUMLOCK}, {XK_Caps_Lock, VK_CAPITAL}, {XK_space, VK_SPACE},
    // Left and right modifiers arrive as the generic key, as Windows sends them.
    {XK_Shift_L, VK_SHIFT},    {XK_Shift_R, VK_SHIFT},    {XK_Control_L, VK_CONTROL},  {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},       {XK_Alt_R, VK_MENU},       {XK_Meta_L, VK_MENU},        {XK_Meta_R, VK_MENU},
    {XK_ISO_Level3_Shift, VK_MENU}, {XK_Super_L, VK_LWIN}, {XK_Super_R, VK_RWIN},
    // Keypad: with Num Lock off the keys move the cursor, as on Windows.
    {XK_KP_0, VK_NUMPAD0},     {XK_KP_1, VK_NUMPAD0 + 1}, {XK_KP_2, VK_NUMPAD0 + 2},   {XK_KP_3, VK_NUMPAD0 + 3},
    {XK_KP_4, VK_NUMPAD0 + 4}, {XK_KP_5, VK_NUMPAD0 + 5}, {XK_KP_6, VK_NUMPAD0 + 6},   {XK_KP_7, VK_NUMPAD0 + 7},
    {XK_KP_8, VK_NUMPAD0 + 8}, {XK_KP_9, VK_NUMPAD0 + 9}, {XK_KP_Multiply, VK_MULTIPLY}, {XK_KP_Add, VK_ADD},
    {XK_KP_Separator, VK_SEPARATOR}, {XK_KP_Subtract, VK_SUBTRACT}, {XK_KP_Decimal, VK_DECIMAL},
    {XK_KP_Divide, VK_DIVIDE}, {XK_KP_Enter, VK_RETURN},  {XK_KP_Home, VK_HOME},       {XK_KP_Left, VK_LEFT},
    {XK_KP_Up, VK_UP},         {XK_KP_Right, VK_RIGHT},   {XK_KP_Down, VK_DOWN},       {XK_KP_Prior, VK_PRIOR},
    {XK_KP_Next, VK_NEXT},     {XK_KP_End, VK_END},       {XK_KP_Begin, VK_CLEAR},     {XK_KP_Insert, VK_INSERT},
    {XK_KP_Delete, VK_DELETE}, {XK_KP_Space, VK_SPACE},   {XK_KP_Tab, VK_TAB},
    {XK_semicolon, VK_OEM_1},  {XK_colon, VK_OEM_1},      {XK_equal, VK_OEM_PLUS},     {XK_plus, VK_OEM_PLUS},
    {XK_comma, VK_OEM_COMMA},  {XK_less, VK_OEM_COMMA},   {XK_minus, VK_OEM_MINUS},    {XK_underscore, VK_OEM_MINUS},
    {XK_period, VK_OEM_PERIOD}, {XK_greater, VK_OEM_PERIOD}, {XK_slash, VK_OEM_2},     {XK_question, VK_OEM_2},
    {XK_grave, VK_OEM_3},      {XK_asciitilde, VK_OEM_3}, {XK_bracketleft, VK_OEM_4},  {XK_braceleft, VK_OEM_4},
    {XK_backslash, VK_OEM_5},  {XK_bar, VK_OEM_5},        {XK_bracketright, VK_OEM_6}, {XK_braceright, VK_OEM_6},
    {XK_apostrophe, VK_OEM_7}, {XK_quotedbl, VK_OEM_7},
};

}  // namespace

int VirtualKeyFromKeysym(unsigned long ks) {
  if (ks >= XK_a && ks <= XK_z) return int('A' + (ks - XK_a));
  if (ks >= XK_A && ks <= XK_Z) return int(ks);
  if (ks >= XK_0 && ks <= XK_9) return int(ks);
  if (ks >= XK_F1 && ks <= XK_F24) return VK_F1 + int(ks - XK_F1);
  for (const TKeyPair& k : kKeys)
    if (k.keysym == ks) return k.vk;
  return 0;
}

TKeyCode KeyCodeFromKeysym(unsigned long ks, int vk) {
  TKeyCode code = DefaultKeyCode(vk);
  switch (ks) {
    case XK_Control_R: case XK_Alt_R: case XK_Meta_R: case XK_ISO_Level3_Shift:
    case XK_KP_Enter: case XK_KP_Divide:
      code.extended = true;
      break;
    case XK_Shift_R: code.scan = 0x36; break;
    // The keypad's cursor keys share the cursor block's scan codes unextended.
    case XK_KP_Home: case XK_KP_Left: case XK_KP_Up: case XK_KP_Right: case XK_KP_Down: case XK_KP_Prior:
    case XK_KP_Next: case XK_KP_End: case XK_KP_Begin: case XK_KP_Insert: case XK_KP_Delete:
      code.extended = false;
      break;
    default: break;
  }
  return code;
}

bool KeyTranslatesToChar(int vk, const char* utf8, TKeyModifiers mods) {
  if (!utf8 || !utf8[0]) return false;
  const auto first = static_cast<unsigned char>(utf8[0]);
  if (!utf8[1] && (first < 0x20 || first == 0x7F)) return true;  // control characters come only from the table
  if (vk <= 0 || vk > 255 || !KeyCharacter(vk, false, false, false, false)) return false;
  if (mods.ctrl || mods.alt) return true;
  const UINT table = KeyCharacter(vk, mods.shift, false, false, mods.capsLock);
  return table < 0x80 && !utf8[1] && first == table;
}

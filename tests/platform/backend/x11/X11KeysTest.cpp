#include "platform/backend/x11/X11Keys.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/user/input/Input.h"

#include <X11/keysym.h>

namespace {

TEST(X11Keys, LettersAndDigitsMapToTheirKeyWhateverTheCase) {
  EXPECT_EQ(VirtualKeyFromKeysym(XK_a), 'A');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_z), 'Z');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Q), 'Q');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_0), '0');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_9), '9');
}

TEST(X11Keys, FunctionAndEditingKeys) {
  EXPECT_EQ(VirtualKeyFromKeysym(XK_F1), VK_F1);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_F12), VK_F12);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_F24), 0x87);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Home), VK_HOME);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_End), VK_END);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Prior), VK_PRIOR);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Next), VK_NEXT);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Insert), VK_INSERT);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Delete), VK_DELETE);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_BackSpace), VK_BACK);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Tab), VK_TAB);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_ISO_Left_Tab), VK_TAB);  // Shift+Tab
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Return), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Escape), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_space), VK_SPACE);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Up), VK_UP);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Right), VK_RIGHT);
}

TEST(X11Keys, ModifiersArriveAsTheGenericKeys) {
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Shift_R), VK_SHIFT);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Control_L), VK_CONTROL);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Alt_R), VK_MENU);
}

TEST(X11Keys, KeypadFollowsNumLock) {
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_7), VK_NUMPAD0 + 7);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Home), VK_HOME);  // Num Lock off
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Delete), VK_DELETE);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Decimal), VK_DECIMAL);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Enter), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Divide), VK_DIVIDE);
}

TEST(X11Keys, PunctuationAndUnknownKeysyms) {
  EXPECT_EQ(VirtualKeyFromKeysym(XK_comma), 0xBC);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_less), 0xBC);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_bracketleft), 0xDB);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_eacute), 0);
  EXPECT_EQ(VirtualKeyFromKeysym(0x1000000 + 0x4E2D), 0);  // a Unicode keysym
}

TEST(X11Keys, TextIsHandedInOnlyWhenTranslationWouldNotMakeIt) {
  TKeyModifiers none, shift, ctrl, alt, caps;
  shift.shift = true;
  ctrl.ctrl = true;
  alt.alt = true;
  caps.capsLock = true;
  struct TCase {
    int vk;
    const char* text;
    TKeyModifiers mods;
    bool byTable;
  };
  const TCase cases[] = {
      {'A', "a", none, true},
      {'A', "A", caps, true},
      {'1', "!", shift, true},
      {VK_SPACE, " ", none, true},
      {VK_NUMPAD0 + 3, "3", none, true},
      {VK_RETURN, "\r", none, true},
      {VK_DELETE, "\x7f", none, true},  // Delete makes no character
      {VK_OEM_COMMA, ",", none, true},
      {VK_OEM_COMMA, "<", shift, true},
      {VK_ADD, "+", none, true},
      // With Ctrl or Alt the table decides, whatever the X server made.
      {VK_OEM_MINUS, "-", ctrl, true},
      {VK_SUBTRACT, "-", ctrl, true},
      {VK_OEM_COMMA, ",", alt, true},
      {VK_OEM_4, "\x1b", ctrl, true},
      // Characters the table does not give: the back end types them.
      {'E', "\xC3\xA9", none, false},  // a dead-key or layout character
      {VK_OEM_PLUS, "*", shift, false},  // another layout's shifted key
      {0, "\xE4\xB8\xAD\xE6\x96\x87", none, false},  // committed by an input method
      {0, "&", none, false},
      {VK_OEM_COMMA, "", none, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.vk) + " " + c.text);
    EXPECT_EQ(KeyTranslatesToChar(c.vk, c.text, c.mods), c.byTable);
  }
}

}  // namespace

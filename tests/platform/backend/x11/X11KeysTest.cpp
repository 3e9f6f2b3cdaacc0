#include "platform/backend/x11/X11Keys.h"

#include <gtest/gtest.h>

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
  EXPECT_TRUE(KeyTranslatesToChar('A', "a"));
  EXPECT_TRUE(KeyTranslatesToChar('1', "!"));
  EXPECT_TRUE(KeyTranslatesToChar(VK_SPACE, " "));
  EXPECT_TRUE(KeyTranslatesToChar(VK_NUMPAD0 + 3, "3"));
  EXPECT_TRUE(KeyTranslatesToChar(VK_RETURN, "\r"));
  EXPECT_TRUE(KeyTranslatesToChar(VK_DELETE, "\x7f")) << "Delete makes no character";
  EXPECT_FALSE(KeyTranslatesToChar(0xBC, ","));
  EXPECT_FALSE(KeyTranslatesToChar(VK_ADD, "+"));
  EXPECT_FALSE(KeyTranslatesToChar('E', "\xC3\xA9"));  // a dead-key or layout character
  EXPECT_FALSE(KeyTranslatesToChar(0, "\xE4\xB8\xAD\xE6\x96\x87"));  // committed by an input method
  EXPECT_FALSE(KeyTranslatesToChar(0, "&"));
}

}  // namespace

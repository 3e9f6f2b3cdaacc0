// Keyboard: virtual keys from the key's keysym, text through the input
// method.
#include <string>

#include "platform/backend/x11/X11Keys.h"
#include "platform/user/Input.h"

#include "platform/backend/x11/X11State.h"

#include <X11/keysym.h>

namespace {

// XLookupString gives Latin-1.
std::string Latin1ToUtf8(const char* s, int len) {
  std::string out;
  for (int i = 0; i < len; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The text a key press makes, and its keysym (with the modifiers applied).
std::string LookupText(XKeyEvent& ev, TX11Native* n, KeySym* keysym) {
  *keysym = NoSymbol;
  if (n && n->ic) {
    char small[64];
    Status status = 0;
    int len = Xutf8LookupString(n->ic, &ev, small, int(sizeof small), keysym, &status);
    if (status == XBufferOverflow) {
      std::string big(std::size_t(len), '\0');
      len = Xutf8LookupString(n->ic, &ev, big.data(), len, keysym, &status);
      big.resize(std::size_t(std::max(len, 0)));
      return (status == XLookupChars || status == XLookupBoth) ? big : std::string();
    }
    if (status != XLookupKeySym && status != XLookupBoth) *keysym = NoSymbol;
    if (status != XLookupChars && status != XLookupBoth) return {};
    return std::string(small, std::size_t(std::max(len, 0)));
  }
  char buf[64];
  int len = XLookupString(&ev, buf, int(sizeof buf), keysym, nullptr);
  return Latin1ToUtf8(buf, len);
}

}  // namespace

void HandleX11Key(TX11State&, XKeyEvent& ev, TX11Native* n) {
  const bool down = ev.type == KeyPress;
  KeySym ks = NoSymbol;
  std::string text;
  if (down) {
    text = LookupText(ev, n, &ks);
  } else {
    char buf[16];
    XLookupString(&ev, buf, int(sizeof buf), &ks, nullptr);
  }
  int vk = 0;
  // Text an input method commits arrives with no key at all.
  if (ev.keycode != 0) {
    // The keypad's meaning follows Num Lock; other keys are named by their
    // unshifted symbol, so Shift+1 is still the key '1'.
    if (IsKeypadKey(ks)) vk = VirtualKeyFromKeysym(ks);
    if (!vk) vk = VirtualKeyFromKeysym(XLookupKeysym(&ev, 0));
    if (!vk) vk = VirtualKeyFromKeysym(ks);
  }
  if (vk) InputKey(vk, down);
  if (down && !text.empty() && !KeyTranslatesToChar(vk, text.c_str())) InputText(text.c_str());
}

// Keyboard: virtual keys from the key's keysym, text through the input
// method, and the input method's preedit turned into composition (Ime.h).
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/backend/x11/X11Keys.h"
#include "platform/rtl/CodePage.h"
#include "platform/user/input/Ime.h"
#include "platform/user/input/Input.h"
#include "platform/user/windows/Window.h"

#include "platform/backend/x11/X11State.h"

#include <X11/keysym.h>

namespace {

std::string Utf32ToUtf8(const std::u32string& s) {
  std::string out;
  for (char32_t c : s)
    if (c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) AppendUtf8(out, c);
  return out;
}

bool HasString(const XIMText& t) {
  return t.encoding_is_wchar ? t.string.wide_char != nullptr : t.string.multi_byte != nullptr;
}

// The text's characters; a multi-byte string is in the locale's encoding.
std::u32string TextOf(const XIMText& t) {
  std::u32string out;
  if (t.encoding_is_wchar) {
    for (unsigned short i = 0; i < t.length && t.string.wide_char[i]; ++i) out += char32_t(t.string.wide_char[i]);
    return out;
  }
  const char* p = t.string.multi_byte;
  std::size_t left = std::strlen(p);
  std::mbstate_t st{};
  while (left > 0) {
    wchar_t wc = 0;
    std::size_t r = std::mbrtowc(&wc, p, left, &st);
    if (r == 0) break;
    if (r == std::size_t(-1) || r == std::size_t(-2)) {
      // Not in the locale's encoding: skip the byte.
      st = std::mbstate_t{};
      ++p;
      --left;
      continue;
    }
    out += char32_t(wc);
    p += r;
    left -= r;
  }
  return out;
}

TX11Native* NativeOfIc(TX11State& s, XIC ic) {
  for (auto& [id, n] : s.natives)
    if (n.ic == ic) return &n;
  return nullptr;
}

TX11Native* NativeOfIc(TX11State& s, XIM ic) { return NativeOfIc(s, reinterpret_cast<XIC>(ic)); }

void ReportPreedit(TX11Native& n) {
  // An empty preedit outside a composition (cleared after a commit) is no news.
  if (n.preedit.empty() && !n.composing) return;
  n.composing = true;
  InputImeCompose(Utf32ToUtf8(n.preedit), n.preeditCaret);
}

// XLookupString gives Latin-1.
std::string Latin1ToUtf8(const char* s, int len) {
  std::string out;
  for (int i = 0; i < len; ++i) AppendUtf8(out, static_cast<unsigned char>(s[i]));
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
  KeySym from = NoSymbol;
  // Text an input method commits arrives with no key at all.
  if (ev.keycode != 0) {
    // The keypad's meaning follows Num Lock; other keys are named by their
    // unshifted symbol, so Shift+1 is still the key '1'.
    if (IsKeypadKey(ks)) vk = VirtualKeyFromKeysym(from = ks);
    if (!vk) vk = VirtualKeyFromKeysym(from = XLookupKeysym(&ev, 0));
    if (!vk) vk = VirtualKeyFromKeysym(from = ks);
  }
  TKeyModifiers mods;
  mods.shift = (ev.state & ShiftMask) != 0;
  mods.ctrl = (ev.state & ControlMask) != 0;
  mods.alt = (ev.state & Mod1Mask) != 0;
  mods.capsLock = (ev.state & LockMask) != 0;
  const bool typesText = down && !text.empty() && !KeyTranslatesToChar(vk, text.c_str(), mods);
  if (vk) {
    TKeyCode code = KeyCodeFromKeysym(from, vk);
    code.charFromBackEnd = typesText;
    InputKeyCode(vk, down, code);
  }
  if (down && !text.empty() && ev.keycode == 0 && n && n->icCallbacks) {
    // A commit of the input method we show the preedit of: its result.
    n->composing = false;
    InputImeResult(text);
    return;
  }
  if (typesText) InputText(text.c_str());
}

// ---- Input method ---------------------------------------------------------------

void ApplyX11PreeditDraw(std::u32string& text, int& caret, const XIMPreeditDrawCallbackStruct& d) {
  const int len = int(text.size());
  const int first = std::clamp(d.chg_first, 0, len);
  const int count = std::clamp(d.chg_length, 0, len - first);
  if (!d.text || HasString(*d.text))
    text.replace(std::size_t(first), std::size_t(count), d.text ? TextOf(*d.text) : std::u32string());
  caret = std::clamp(d.caret, 0, int(text.size()));
}

int MoveX11PreeditCaret(const std::u32string& text, int caret, XIMCaretDirection direction, int position) {
  const int len = int(text.size());
  auto space = [&](int i) { return text[std::size_t(i)] == U' '; };
  int c = std::clamp(caret, 0, len);
  switch (direction) {
    case XIMForwardChar: ++c; break;
    case XIMBackwardChar: --c; break;
    case XIMForwardWord:
      while (c < len && !space(c)) ++c;
      while (c < len && space(c)) ++c;
      break;
    case XIMBackwardWord:
      while (c > 0 && space(c - 1)) --c;
      while (c > 0 && !space(c - 1)) --c;
      break;
    case XIMLineStart: c = 0; break;
    case XIMLineEnd: c = len; break;
    case XIMAbsolutePosition: c = position; break;
    default: break;  // one line: up, down and the line moves stay
  }
  return std::clamp(c, 0, len);
}

int X11PreeditStart(XIC ic, XPointer state, XPointer) {
  TX11Native* n = NativeOfIc(*reinterpret_cast<TX11State*>(state), ic);
  if (n && !n->resetting) {
    n->preedit.clear();
    n->preeditCaret = 0;
    n->composing = true;
    InputImeStart();
  }
  return -1;  // no limit on the preedit's length
}

void X11PreeditDone(XIM ic, XPointer state, XPointer) {
  TX11Native* n = NativeOfIc(*reinterpret_cast<TX11State*>(state), ic);
  if (!n || n->resetting) return;
  n->preedit.clear();
  n->preeditCaret = 0;
  if (n->composing) InputImeEnd();
  n->composing = false;
}

void X11PreeditDraw(XIM ic, XPointer state, XPointer call) {
  TX11Native* n = NativeOfIc(*reinterpret_cast<TX11State*>(state), ic);
  if (!n || !call || n->resetting) return;
  ApplyX11PreeditDraw(n->preedit, n->preeditCaret, *reinterpret_cast<XIMPreeditDrawCallbackStruct*>(call));
  ReportPreedit(*n);
}

void X11PreeditCaret(XIM ic, XPointer state, XPointer call) {
  TX11Native* n = NativeOfIc(*reinterpret_cast<TX11State*>(state), ic);
  if (!n || !call || n->resetting) return;
  auto* c = reinterpret_cast<XIMPreeditCaretCallbackStruct*>(call);
  n->preeditCaret = MoveX11PreeditCaret(n->preedit, n->preeditCaret, c->direction, c->position);
  c->position = n->preeditCaret;
  ReportPreedit(*n);
}

TX11ImeReset::~TX11ImeReset() {
  n_.resetting = false;
  n_.preedit.clear();
  n_.preeditCaret = 0;
  n_.composing = false;
}

namespace {

// A commit of the input method: a key press it made, with no key.
Bool IsCommitFor(Display*, XEvent* ev, XPointer window) {
  return ev->type == KeyPress && ev->xkey.keycode == 0 &&
         ev->xkey.window == Window(reinterpret_cast<std::uintptr_t>(window));
}

}  // namespace

void ResetX11Compositions(TX11State& s) {
  if (s.ioLost) return;
  for (auto& [id, n] : s.natives) {
    if (!n.ic || !n.icCallbacks || (!n.composing && n.preedit.empty())) continue;
    {
      TX11ImeReset reset(n);
      // What it returns is the preedit, which the window layer already
      // turned into the result or dropped.
      if (char* left = Xutf8ResetIC(n.ic)) XFree(left);
    }
    // An input method that commits what it had when reset does so while
    // answering; that text is already the window layer's result.
    XEvent ev;
    while (XCheckIfEvent(s.dpy, &ev, &IsCommitFor, reinterpret_cast<XPointer>(std::uintptr_t(n.window)))) {
    }
  }
}

namespace {

bool OffersStyle(XIM im, XIMStyle wanted) {
  XIMStyles* styles = nullptr;
  if (XGetIMValues(im, XNQueryInputStyle, &styles, nullptr) != nullptr || !styles) return false;
  bool found = false;
  for (unsigned short i = 0; i < styles->count_styles; ++i) found = found || styles->supported_styles[i] == wanted;
  XFree(styles);
  return found;
}

}  // namespace

XIC CreateX11InputContext(TX11State& s, TX11Native& n, Window w) {
  n.icCallbacks = false;
  n.spotSet = false;
  if (!s.im) return nullptr;
  constexpr XIMStyle onTheSpot = XIMPreeditCallbacks | XIMStatusNothing;
  if (OffersStyle(s.im, onTheSpot)) {
    XPointer me = reinterpret_cast<XPointer>(&s);
    s.preeditStart = XICCallback{me, &X11PreeditStart};
    s.preeditDone = XIMCallback{me, &X11PreeditDone};
    s.preeditDraw = XIMCallback{me, &X11PreeditDraw};
    s.preeditCaret = XIMCallback{me, &X11PreeditCaret};
    XVaNestedList preedit =
        XVaCreateNestedList(0, XNPreeditStartCallback, &s.preeditStart, XNPreeditDoneCallback, &s.preeditDone,
                            XNPreeditDrawCallback, &s.preeditDraw, XNPreeditCaretCallback, &s.preeditCaret, nullptr);
    XIC ic = preedit ? XCreateIC(s.im, XNInputStyle, onTheSpot, XNClientWindow, w, XNFocusWindow, w,
                                 XNPreeditAttributes, preedit, nullptr)
                     : nullptr;
    if (preedit) XFree(preedit);
    if (ic) {
      n.icCallbacks = true;
      return ic;
    }
  }
  return XCreateIC(s.im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, w, XNFocusWindow, w,
                   nullptr);
}

void UpdateX11ImeSpot(TX11State& s) {
  if (!s.im || s.ioLost) return;
  HWND h = nullptr;
  POINT p{};
  int lineHeight = 0;
  if (!ImeCompositionSpot(&h, &p, &lineHeight)) return;
  TX11Native* n = s.FindByHwnd(GetAncestor(h, GA_ROOT));
  if (!n || !n->ic) return;
  // The spot is where the next character's baseline starts.
  XPoint spot{short(p.X - n->bounds.Left), short(p.Y + lineHeight - n->bounds.Top)};
  if (n->spotSet && spot.x == n->spot.x && spot.y == n->spot.y) return;
  XVaNestedList attrs = XVaCreateNestedList(0, XNSpotLocation, &spot, nullptr);
  if (!attrs) return;
  XSetICValues(n->ic, XNPreeditAttributes, attrs, nullptr);
  XFree(attrs);
  n->spotSet = true;
  n->spot = spot;
}

// The pointer's look over our windows: font cursors for the system
// cursors, pixmap cursors made from cursor images, a blank one while
// ShowCursor's counter is below 0.
#include "platform/backend/x11/X11CursorBits.h"

#include <algorithm>
#include <iterator>

#include "platform/gdi/DeviceContext.h"
#include "platform/user/input/Cursors.h"

#include "platform/backend/x11/X11State.h"

#include <X11/cursorfont.h>

namespace {

GdiIcon* CheckCursor(HCURSOR c) { return GdiIconFromHandle(c); }

unsigned FontCursorFor(int id) {
  switch (id) {
    case IDC_IBEAM: return XC_xterm;
    case IDC_WAIT:
    case IDC_APPSTARTING: return XC_watch;
    case IDC_CROSS: return XC_crosshair;
    case IDC_UPARROW: return XC_sb_up_arrow;
    case IDC_SIZENWSE: return XC_bottom_right_corner;
    case IDC_SIZENESW: return XC_bottom_left_corner;
    case IDC_SIZEWE: return XC_sb_h_double_arrow;
    case IDC_SIZENS: return XC_sb_v_double_arrow;
    case IDC_SIZEALL: return XC_fleur;
    case IDC_NO: return XC_X_cursor;
    case IDC_HAND: return XC_hand2;
    case IDC_HELP: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

constexpr int kBlankCursor = -1;

Cursor BlankCursor(TX11State& s) {
  auto it = s.fontCursors.find(kBlankCursor);
  if (it != s.fontCursors.end()) return it->second;
  char zero = 0;
  Pixmap p = XCreateBitmapFromData(s.dpy, s.root, &zero, 1, 1);
  XColor black{};
  Cursor c = XCreatePixmapCursor(s.dpy, p, p, &black, &black, 0, 0);
  XFreePixmap(s.dpy, p);
  s.fontCursors[kBlankCursor] = c;
  return c;
}

Cursor MakeImageCursor(TX11State& s, HCURSOR c) {
  TX11CursorBits bits;
  if (!X11CursorBitsOf(c, bits)) return 0;
  Pixmap source = XCreateBitmapFromData(s.dpy, s.root, reinterpret_cast<const char*>(bits.source.data()),
                                        unsigned(bits.width), unsigned(bits.height));
  Pixmap mask = XCreateBitmapFromData(s.dpy, s.root, reinterpret_cast<const char*>(bits.mask.data()),
                                      unsigned(bits.width), unsigned(bits.height));
  Cursor xc = 0;
  if (source && mask) {
    XColor fg{}, bg{};
    bg.red = bg.green = bg.blue = 0xFFFF;
    xc = XCreatePixmapCursor(s.dpy, source, mask, &fg, &bg, unsigned(bits.hotSpot.X), unsigned(bits.hotSpot.Y));
  }
  if (source) XFreePixmap(s.dpy, source);
  if (mask) XFreePixmap(s.dpy, mask);
  return xc;
}

void FreeImageCursor(TX11State& s, std::map<const void*, TX11ImageCursor>::iterator it) {
  if (!s.ioLost && it->second.cursor) XFreeCursor(s.dpy, it->second.cursor);
  s.imageCursors.erase(it);
}

// Cursors destroyed without DestroyCursor (DestroyIcon) leave entries behind.
void SweepImageCursors(TX11State& s) {
  for (auto it = s.imageCursors.begin(); it != s.imageCursors.end();) {
    auto next = std::next(it);
    if (!CheckCursor(static_cast<HCURSOR>(const_cast<void*>(it->first)))) FreeImageCursor(s, it);
    it = next;
  }
}

// Cached per cursor object; a new object at a freed one's address has
// another fingerprint and gets its own cursor.
Cursor ImageCursor(TX11State& s, HCURSOR c, std::uint64_t fingerprint) {
  auto it = s.imageCursors.find(c);
  if (it != s.imageCursors.end()) {
    if (it->second.fingerprint == fingerprint) return it->second.cursor;
    FreeImageCursor(s, it);
  }
  Cursor xc = MakeImageCursor(s, c);
  if (xc) s.imageCursors[c] = TX11ImageCursor{xc, fingerprint};
  return xc;
}

}  // namespace

bool X11CursorBitsOf(HCURSOR cursor, TX11CursorBits& out) {
  const GdiIcon* i = CheckCursor(cursor);
  if (!i || i->width <= 0 || i->height <= 0) return false;
  const std::size_t count = std::size_t(i->width) * std::size_t(i->height);
  if (i->color.size() < count || (!i->hasAlpha && i->mask.size() < count)) return false;
  out.width = i->width;
  out.height = i->height;
  out.hotSpot = POINT{std::clamp(i->hotSpot.X, 0, i->width - 1), std::clamp(i->hotSpot.Y, 0, i->height - 1)};
  const int row = (i->width + 7) / 8;
  out.source.assign(std::size_t(row) * std::size_t(i->height), 0);
  out.mask.assign(out.source.size(), 0);
  for (int y = 0; y < i->height; ++y)
    for (int x = 0; x < i->width; ++x) {
      const std::size_t k = std::size_t(y) * std::size_t(i->width) + std::size_t(x);
      const std::uint32_t c = i->color[k];
      bool opaque = false, dark = false;
      if (i->hasAlpha) {
        opaque = (c >> 24) >= 0x80;
      } else if (i->mask[k]) {
        // Inverting pixels: X cannot invert the screen, and black shows on
        // most backgrounds.
        opaque = dark = (c & 0xFFFFFF) != 0;
      } else {
        opaque = true;
      }
      if (opaque && !dark) {
        const unsigned luma = (((c >> 16) & 0xFF) * 299 + ((c >> 8) & 0xFF) * 587 + (c & 0xFF) * 114) / 1000;
        dark = luma < 128;
      }
      const std::size_t byte = std::size_t(y * row + x / 8);
      const auto bit = static_cast<unsigned char>(1u << (x % 8));
      if (opaque) out.mask[byte] |= bit;
      if (opaque && dark) out.source[byte] |= bit;
    }
  return true;
}

std::uint64_t X11CursorFingerprint(HCURSOR cursor) {
  const GdiIcon* i = CheckCursor(cursor);
  if (!i) return 0;
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&h](std::uint64_t v) {
    h ^= v;
    h *= 1099511628211ull;
  };
  mix(std::uint64_t(std::uint32_t(i->width)));
  mix(std::uint64_t(std::uint32_t(i->height)));
  mix(std::uint64_t(std::uint32_t(i->hotSpot.X)));
  mix(std::uint64_t(std::uint32_t(i->hotSpot.Y)));
  mix(i->hasAlpha ? 1 : 0);
  for (std::uint32_t c : i->color) mix(c);
  for (Byte m : i->mask) mix(m);
  return h ? h : 1;
}

void UpdateX11Cursor(TX11State& s) {
  if (s.ioLost || s.natives.empty()) return;
  // Swept on every pass: a cursor freed as an icon after another one was
  // shown leaves its entry behind until then.
  SweepImageCursors(s);
  HCURSOR c = GetCursor();
  GdiIcon* icon = CheckCursor(c);
  const bool image = icon && icon->systemId == 0 && !s.cursorHidden;
  const std::uint64_t fingerprint = image ? X11CursorFingerprint(c) : 0;
  if (c == s.shownCursor && fingerprint == s.shownFingerprint && !s.cursorStale) return;
  s.shownCursor = c;
  s.shownFingerprint = fingerprint;
  s.cursorStale = false;
  Cursor xc = 0;
  if (s.cursorHidden || !icon) xc = BlankCursor(s);
  else if (image) xc = ImageCursor(s, c, fingerprint);
  if (!xc) xc = s.FontCursor(int(FontCursorFor(icon ? icon->systemId : 0)));
  for (auto& [id, n] : s.natives) {
    XDefineCursor(s.dpy, n.window, xc);
    n.cursor = xc;
  }
}

void FreeX11Cursors(TX11State& s) {
  while (!s.imageCursors.empty()) FreeImageCursor(s, s.imageCursors.begin());
  if (!s.ioLost)
    for (auto& [shape, c] : s.fontCursors) XFreeCursor(s.dpy, c);
  s.fontCursors.clear();
}

void TX11Display::SetCursorVisible(bool visible) {
  if (s_->cursorHidden == !visible) return;
  s_->cursorHidden = !visible;
  s_->cursorStale = true;
  UpdateX11Cursor(*s_);
  if (!s_->ioLost) XFlush(s_->dpy);
}

void TX11Display::CursorChanged() {
  if (s_->ioLost) return;
  UpdateX11Cursor(*s_);
  XFlush(s_->dpy);
}

void TX11Display::CursorDestroyed(HCURSOR cursor) {
  auto it = s_->imageCursors.find(cursor);
  if (it == s_->imageCursors.end()) return;
  // Windows showing it keep it until redefined; the server frees it then.
  FreeImageCursor(*s_, it);
  if (s_->shownCursor == cursor) s_->cursorStale = true;
}

std::uintptr_t TX11Display::WindowCursor(TNativeWindow id) const {
  const TX11Native* n = s_->Find(Window(id));
  return n ? std::uintptr_t(n->cursor) : 0;
}

bool TX11Display::IsImageCursor(std::uintptr_t cursor) const {
  for (const auto& [key, entry] : s_->imageCursors)
    if (entry.cursor == Cursor(cursor)) return true;
  return false;
}

bool TX11Display::IsBlankCursor(std::uintptr_t cursor) const {
  auto it = s_->fontCursors.find(kBlankCursor);
  return cursor && it != s_->fontCursors.end() && it->second == Cursor(cursor);
}

// Notification-area icons on X11: a small window per icon, docked into the
// system tray by the freedesktop protocol (a dock request to the owner of
// _NET_SYSTEM_TRAY_S<screen>, which embeds it by XEmbed). Clicks on it go
// back to the icon's window as its callback message; the tray shows the
// window's name as the tip.
#include "platform/backend/x11/X11State.h"

#include <algorithm>
#include <string>

#include "platform/user/input/MessageQueue.h"
#include "platform/user/input/Input.h"
#include "platform/user/system/NotifyIcon.h"
#include "platform/user/windows/Window.h"

namespace {

constexpr long kSystemTrayRequestDock = 0;
constexpr long kXEmbedMapped = 1;
constexpr int kTrayIconSize = 22;

Atom TrayAtom(TX11State& s, const std::string& name) { return XInternAtom(s.dpy, name.c_str(), False); }

Atom TraySelection(TX11State& s) { return TrayAtom(s, "_NET_SYSTEM_TRAY_S" + std::to_string(s.screen)); }

Window TrayManager(TX11State& s) { return XGetSelectionOwner(s.dpy, TraySelection(s)); }

// A tray announces itself to the root window when it starts: watched from
// the first icon on, so icons come (back) when a tray (re)starts.
void TrayWatchRoot(TX11State& s) {
  if (s.trayWatching) return;
  s.trayWatching = true;
  XWindowAttributes wa{};
  XGetWindowAttributes(s.dpy, s.root, &wa);
  XSelectInput(s.dpy, s.root, wa.your_event_mask | StructureNotifyMask);
}

void TrayName(TX11State& s, Window w, const std::string& tip) {
  XStoreName(s.dpy, w, tip.c_str());
  XChangeProperty(s.dpy, w, s.atoms.netWmName, s.atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(tip.data()), int(tip.size()));
}

// A straight 0x00RRGGBB colour as a pixel of the screen's visual.
unsigned long TrayPixel(const Visual* v, std::uint32_t rgb) {
  auto place = [](unsigned long mask, unsigned value) {
    if (!mask) return 0ul;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int bits = 0;
    while ((mask >> (shift + bits)) & 1) ++bits;
    return (static_cast<unsigned long>(value >> (8 - std::min(bits, 8))) << shift) & mask;
  };
  return place(v->red_mask, (rgb >> 16) & 0xFF) | place(v->green_mask, (rgb >> 8) & 0xFF) |
         place(v->blue_mask, rgb & 0xFF);
}

// The icon scaled to the window, its clear pixels left to the tray's
// background.
void TrayPaint(TX11State& s, Window w, const TX11TrayIcon& t) {
  XClearWindow(s.dpy, w);
  if (t.argb.empty() || t.iconWidth <= 0 || t.iconHeight <= 0) return;
  GC gc = XCreateGC(s.dpy, w, 0, nullptr);
  const int side = std::min(t.width, t.height);
  const int ox = (t.width - side) / 2, oy = (t.height - side) / 2;
  for (int y = 0; y < side; ++y) {
    const int sy = y * t.iconHeight / side;
    for (int x = 0; x < side; ++x) {
      const std::uint32_t c = t.argb[std::size_t(sy) * std::size_t(t.iconWidth) + std::size_t(x * t.iconWidth / side)];
      if ((c >> 24) < 128) continue;
      XSetForeground(s.dpy, gc, TrayPixel(s.visual, c & 0xFFFFFF));
      XDrawPoint(s.dpy, w, gc, ox + x, oy + y);
    }
  }
  XFreeGC(s.dpy, gc);
}

// The tip in a small window below the pointer, in the server's fixed font
// (trays show no tips of their own for embedded icons).
void TrayShowTip(TX11State& s, TX11TrayIcon& t, int rootX, int rootY) {
  if (t.tip.empty() || t.tipWindow) return;
  XFontStruct* font = XLoadQueryFont(s.dpy, "fixed");
  const int w = (font ? XTextWidth(font, t.tip.data(), int(t.tip.size())) : int(t.tip.size()) * 6) + 8;
  const int h = (font ? font->ascent + font->descent : 13) + 6;
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = TrayPixel(s.visual, 0xFFFFE1);
  a.border_pixel = TrayPixel(s.visual, 0x000000);
  const int screenW = DisplayWidth(s.dpy, s.screen), screenH = DisplayHeight(s.dpy, s.screen);
  const int x = std::max(0, std::min(rootX, screenW - w - 2));
  const int y = rootY + 20 + h > screenH ? std::max(0, rootY - h - 8) : rootY + 20;
  t.tipWindow = XCreateWindow(s.dpy, s.root, x, y, unsigned(w), unsigned(h), 1, CopyFromParent, InputOutput,
                              CopyFromParent, CWOverrideRedirect | CWBackPixel | CWBorderPixel, &a);
  TrayName(s, t.tipWindow, t.tip);
  XSelectInput(s.dpy, t.tipWindow, ExposureMask);
  XMapRaised(s.dpy, t.tipWindow);
  if (font) XFreeFont(s.dpy, font);
  XFlush(s.dpy);
}

void TrayHideTip(TX11State& s, TX11TrayIcon& t) {
  if (!t.tipWindow) return;
  XDestroyWindow(s.dpy, t.tipWindow);
  t.tipWindow = 0;
  XFlush(s.dpy);
}

void TrayPaintTip(TX11State& s, const TX11TrayIcon& t) {
  XFontStruct* font = XLoadQueryFont(s.dpy, "fixed");
  GC gc = XCreateGC(s.dpy, t.tipWindow, 0, nullptr);
  XSetForeground(s.dpy, gc, TrayPixel(s.visual, 0x000000));
  if (font) XSetFont(s.dpy, gc, font->fid);
  XDrawString(s.dpy, t.tipWindow, gc, 4, 3 + (font ? font->ascent : 10), t.tip.data(), int(t.tip.size()));
  XFreeGC(s.dpy, gc);
  if (font) XFreeFont(s.dpy, font);
}

Window TrayFind(TX11State& s, HWND hwnd, UINT id) {
  for (const auto& [w, t] : s.trayIcons)
    if (t.hwnd == hwnd && t.id == id) return w;
  return 0;
}

void TrayPost(const TX11TrayIcon& t, UINT mouseMessage) {
  PostMessage(t.hwnd, t.callbackMessage, WPARAM(t.id), LPARAM(mouseMessage));
}

}  // namespace

bool X11TrayIcon(TX11State& s, TTrayOp op, const TTrayIconRec& icon) {
  Window w = TrayFind(s, icon.hwnd, icon.id);
  switch (op) {
    case TTrayOp::Add: {
      if (w) return false;
      TrayWatchRoot(s);
      const Window manager = TrayManager(s);
      if (!manager) return false;
      XSetWindowAttributes a{};
      a.background_pixmap = ParentRelative;
      a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask |
                     EnterWindowMask | LeaveWindowMask;
      w = XCreateWindow(s.dpy, s.root, 0, 0, kTrayIconSize, kTrayIconSize, 0, CopyFromParent, InputOutput,
                        CopyFromParent, CWBackPixmap | CWEventMask, &a);
      const long info[2] = {0, kXEmbedMapped};
      const Atom xembedInfo = TrayAtom(s, "_XEMBED_INFO");
      XChangeProperty(s.dpy, w, xembedInfo, xembedInfo, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(info), 2);
      TrayName(s, w, icon.tip);
      TX11TrayIcon& t = s.trayIcons[w];
      t.hwnd = icon.hwnd;
      t.id = icon.id;
      t.callbackMessage = icon.callbackMessage;
      t.argb = icon.argb;
      t.iconWidth = icon.width;
      t.iconHeight = icon.height;
      t.tip = icon.tip;
      XEvent ev{};
      ev.xclient.type = ClientMessage;
      ev.xclient.window = manager;
      ev.xclient.message_type = TrayAtom(s, "_NET_SYSTEM_TRAY_OPCODE");
      ev.xclient.format = 32;
      ev.xclient.data.l[0] = CurrentTime;
      ev.xclient.data.l[1] = kSystemTrayRequestDock;
      ev.xclient.data.l[2] = long(w);
      XSendEvent(s.dpy, manager, False, NoEventMask, &ev);
      XFlush(s.dpy);
      return true;
    }
    case TTrayOp::Modify: {
      if (!w) return false;
      TX11TrayIcon& t = s.trayIcons[w];
      t.callbackMessage = icon.callbackMessage;
      t.argb = icon.argb;
      t.iconWidth = icon.width;
      t.iconHeight = icon.height;
      if (t.tip != icon.tip) TrayHideTip(s, t);
      t.tip = icon.tip;
      TrayName(s, w, icon.tip);
      TrayPaint(s, w, t);
      XFlush(s.dpy);
      return true;
    }
    case TTrayOp::Delete:
      if (!w) return false;
      TrayHideTip(s, s.trayIcons[w]);
      s.trayIcons.erase(w);
      XDestroyWindow(s.dpy, w);
      XFlush(s.dpy);
      return true;
  }
  return false;
}

void FreeX11TrayIcons(TX11State& s) {
  for (auto& [w, t] : s.trayIcons) {
    TrayHideTip(s, t);
    XDestroyWindow(s.dpy, w);
  }
  s.trayIcons.clear();
}

bool HandleX11Tray(TX11State& s, XEvent& ev) {
  if (ev.type == ClientMessage && ev.xclient.window == s.root && ev.xclient.format == 32 &&
      ev.xclient.message_type == TrayAtom(s, "MANAGER") && Atom(ev.xclient.data.l[1]) == TraySelection(s)) {
    // A new tray: the icons docked into the one before are gone with it.
    FreeX11TrayIcons(s);
    NotifyAreaRestarted();
    return true;
  }
  for (auto& [w, t] : s.trayIcons)
    if (t.tipWindow && t.tipWindow == ev.xany.window) {
      if (ev.type == Expose && ev.xexpose.count == 0) TrayPaintTip(s, t);
      return true;
    }
  auto it = s.trayIcons.find(ev.xany.window);
  if (it == s.trayIcons.end()) return false;
  TX11TrayIcon& t = it->second;
  switch (ev.type) {
    case Expose:
      if (ev.xexpose.count == 0) TrayPaint(s, ev.xany.window, t);
      break;
    case ConfigureNotify:
      t.width = std::max(ev.xconfigure.width, 1);
      t.height = std::max(ev.xconfigure.height, 1);
      break;
    case EnterNotify: TrayShowTip(s, t, ev.xcrossing.x_root, ev.xcrossing.y_root); break;
    case LeaveNotify: TrayHideTip(s, t); break;
    case MotionNotify:
      InputMouseMove(POINT{ev.xmotion.x_root, ev.xmotion.y_root});
      TrayPost(t, WM_MOUSEMOVE);
      break;
    case ButtonPress: {
      TrayHideTip(s, t);
      const unsigned b = ev.xbutton.button;
      if (b < 1 || b > 3) break;
      InputMouseMove(POINT{ev.xbutton.x_root, ev.xbutton.y_root});
      const bool dbl = b == t.lastButton && ev.xbutton.time - t.lastPress <= Time(GetDoubleClickTime());
      t.lastButton = dbl ? 0 : b;
      t.lastPress = ev.xbutton.time;
      static constexpr UINT down[3] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
      static constexpr UINT dblclk[3] = {WM_LBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_RBUTTONDBLCLK};
      TrayPost(t, dbl ? dblclk[b - 1] : down[b - 1]);
      break;
    }
    case ButtonRelease: {
      const unsigned b = ev.xbutton.button;
      if (b < 1 || b > 3) break;
      static constexpr UINT up[3] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
      TrayPost(t, up[b - 1]);
      break;
    }
    default: break;
  }
  return true;
}

std::uintptr_t TX11Display::TrayWindowOf(HWND hwnd, UINT id) const { return TrayFind(*s_, hwnd, id); }

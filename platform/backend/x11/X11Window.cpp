// Window properties and requests beyond creation: the icon.
#include "platform/backend/x11/X11Display.h"
#include "platform/user/input/Ime.h"

#include <vector>

#include "platform/backend/x11/X11State.h"

#include <X11/Xatom.h>

namespace {

void WriteIcon(TX11State& s, const TX11Native& n) {
  if (n.icon.empty()) {
    XDeleteProperty(s.dpy, n.window, s.atoms.netWmIcon);
    return;
  }
  XChangeProperty(s.dpy, n.window, s.atoms.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(n.icon.data()), int(n.icon.size()));
}

}  // namespace

void TX11Display::SetIcon(TNativeWindow id, const Surface* argb) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  n->icon.clear();
  if (argb && argb->Valid() && argb->bpp == 32) {
    // Width, height, then one ARGB value per pixel; format 32 travels as long.
    n->icon.reserve(2 + std::size_t(argb->width) * std::size_t(argb->height));
    n->icon.push_back(argb->width);
    n->icon.push_back(argb->height);
    for (int y = 0; y < argb->height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(argb->Row(y));
      for (int x = 0; x < argb->width; ++x) n->icon.push_back(long(row[x]));
    }
  }
  WriteIcon(*s_, *n);
}

bool TX11Display::RecreateAsArgb(TNativeWindow id) {
  TX11Native* n = s_->Find(Window(id));
  TX11State& s = *s_;
  if (!n || s.ioLost || n->argb || !CompositorRunning()) return false;
  s.compositor = true;
  XVisualInfo argb{};
  if (!XMatchVisualInfo(s.dpy, s.screen, 32, TrueColor, &argb) || !argb.visual) return false;
  const Window old = n->window;
  XIC oldIc = n->ic;
  n->configureSerial = NextRequest(s.dpy);
  if (!MakeX11Window(s, *n, &argb)) {
    n->window = old;
    n->ic = oldIc;
    return false;
  }
  // The backing was in the old visual's format.
  FreeBacking(*n);
  n->perPixelShown = false;
  n->alphaShaped = false;
  n->alphaRects.clear();
  n->inputShaped = false;
  if (n->opacity != 255) SetOpacity(id, n->opacity);
  WriteIcon(s, *n);
  ApplyX11Shape(s, *n);
  if (n->cursor) XDefineCursor(s.dpy, n->window, n->cursor);
  // Right above the old window, which is still in place. Under a window
  // manager a managed window's sibling is a frame, out of our reach.
  if (n->popup || !WindowManagerRunning(s)) {
    XWindowChanges c{};
    c.sibling = old;
    c.stack_mode = Above;
    XConfigureWindow(s.dpy, n->window, CWSibling | CWStackMode, &c);
  }
  n->layered = false;
  n->mapped = false;  // the new X window reports its own map and frame
  n->framed = false;
  if (n->shown && !n->minimized) XMapWindow(s.dpy, n->window);
  const bool grabbed = s.grab == old;
  if (oldIc) XDestroyIC(oldIc);
  // The new context knows nothing of a preedit the old one had going.
  if (n->composing) {
    n->composing = false;
    n->preedit.clear();
    InputImeEnd();
  }
  XDestroyWindow(s.dpy, old);
  if (grabbed) {
    s.grab = 0;
    GrabPointer(id);
  }
  return true;
}

bool TX11Display::IsArgbWindow(TNativeWindow id) const {
  const TX11Native* n = s_->Find(Window(id));
  return n && n->argb;
}

void TX11Display::ActivateNativeWindow(TNativeWindow id) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost || !n->shown || n->layered) return;
  TX11State& s = *s_;
  XRaiseWindow(s.dpy, n->window);
  if (n->popup) return;  // override-redirect windows take no focus
  // Under a window manager activation is a request; without one we set
  // the focus ourselves once the window is viewable.
  if (!WindowManagerRunning(s)) {
    XWindowAttributes wa{};
    if (XGetWindowAttributes(s.dpy, n->window, &wa) && wa.map_state == IsViewable)
      XSetInputFocus(s.dpy, n->window, RevertToParent, CurrentTime);
    return;
  }
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = n->window;
  ev.xclient.message_type = s.atoms.netActiveWindow;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 1;  // from an application
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(s.dpy, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

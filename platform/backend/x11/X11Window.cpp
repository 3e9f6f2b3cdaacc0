// Window properties and requests beyond creation: the icon.
#include "platform/backend/x11/X11Display.h"

#include <vector>

#include "platform/backend/x11/X11State.h"

#include <X11/Xatom.h>

void TX11Display::SetIcon(TNativeWindow id, const Surface* argb) {
  TX11Native* n = s_->Find(Window(id));
  if (!n || s_->ioLost) return;
  if (!argb || !argb->Valid() || argb->bpp != 32) {
    XDeleteProperty(s_->dpy, n->window, s_->atoms.netWmIcon);
    return;
  }
  // Width, height, then one ARGB value per pixel; format 32 travels as long.
  std::vector<long> data;
  data.reserve(2 + std::size_t(argb->width) * std::size_t(argb->height));
  data.push_back(argb->width);
  data.push_back(argb->height);
  for (int y = 0; y < argb->height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(argb->Row(y));
    for (int x = 0; x < argb->width; ++x) data.push_back(long(row[x]));
  }
  XChangeProperty(s_->dpy, n->window, s_->atoms.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data.data()), int(data.size()));
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

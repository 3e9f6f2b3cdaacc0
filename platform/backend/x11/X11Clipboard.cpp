// The CLIPBOARD selection as UTF-8 text. Text larger than one request
// (the INCR protocol) is not handled, nor text over MaxClipboardBytes.
#include <poll.h>

#include <chrono>
#include <climits>

#include "platform/backend/x11/X11State.h"

#include <X11/Xatom.h>

namespace {

constexpr int kConvertTimeoutMs = 1000;

void Answer(TX11State& s, const XSelectionRequestEvent& req) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = s.dpy;
  reply.xselection.requestor = req.requestor;
  reply.xselection.selection = req.selection;
  reply.xselection.target = req.target;
  reply.xselection.time = req.time;
  reply.xselection.property = None;  // refused unless set below
  // Old clients leave the property out and mean the target's name.
  Atom property = req.property ? req.property : req.target;
  if (req.selection == s.atoms.clipboard && s.ownsClipboard && s.clipText) {
    if (req.target == s.atoms.targets) {
      Atom offered[] = {s.atoms.targets, s.atoms.utf8String};
      XChangeProperty(s.dpy, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(offered), 2);
      reply.xselection.property = property;
    } else if (req.target == s.atoms.utf8String) {
      XChangeProperty(s.dpy, req.requestor, property, s.atoms.utf8String, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(s.clipText->data()), int(s.clipText->size()));
      reply.xselection.property = property;
    }
  }
  XSendEvent(s.dpy, req.requestor, False, NoEventMask, &reply);
}

}  // namespace

bool HandleX11Selection(TX11State& s, XEvent& ev) {
  if (ev.type == SelectionRequest) {
    Answer(s, ev.xselectionrequest);
    return true;
  }
  if (ev.type == SelectionClear && ev.xselectionclear.window == s.clipWindow) {
    // Another client took the clipboard; its text is read on demand.
    if (ev.xselectionclear.selection == s.atoms.clipboard) {
      s.ownsClipboard = false;
      s.clipText.reset();
    }
    return true;
  }
  return false;
}

void TX11Display::SetClipboardText(const std::optional<std::string>& text) {
  TX11State& s = *s_;
  s.clipText = text;
  if (s.ioLost) return;
  XSetSelectionOwner(s.dpy, s.atoms.clipboard, text ? s.clipWindow : None, CurrentTime);
  s.ownsClipboard = text && XGetSelectionOwner(s.dpy, s.atoms.clipboard) == s.clipWindow;
}

std::optional<std::string> TX11Display::GetClipboardText() {
  TX11State& s = *s_;
  if (s.ioLost || s.ownsClipboard) return s.clipText;
  if (XGetSelectionOwner(s.dpy, s.atoms.clipboard) == None) return std::nullopt;
  XDeleteProperty(s.dpy, s.clipWindow, s.atoms.lumiqaSelection);
  XConvertSelection(s.dpy, s.atoms.clipboard, s.atoms.utf8String, s.atoms.lumiqaSelection, s.clipWindow, CurrentTime);
  XFlush(s.dpy);
  // Other events stay queued for the next WaitEvents.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kConvertTimeoutMs);
  XEvent ev;
  for (;;) {
    if (s.ioLost) return std::nullopt;
    if (XCheckTypedWindowEvent(s.dpy, s.clipWindow, SelectionNotify, &ev)) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd p{ConnectionNumber(s.dpy), POLLIN, 0};
    poll(&p, 1, int(left.count()));
  }
  if (ev.xselection.property == None) return std::nullopt;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  // The size first: another client decides it, and Xlib would allocate it.
  if (XGetWindowProperty(s.dpy, s.clipWindow, s.atoms.lumiqaSelection, 0, 0, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) != Success)
    return std::nullopt;
  if (data) XFree(data);
  data = nullptr;
  if (after > MaxClipboardBytes) {
    XDeleteProperty(s.dpy, s.clipWindow, s.atoms.lumiqaSelection);
    return std::nullopt;
  }
  // Lengths count 32-bit units.
  if (XGetWindowProperty(s.dpy, s.clipWindow, s.atoms.lumiqaSelection, 0, long((after + 3) / 4), True,
                         AnyPropertyType, &type, &format, &count, &after, &data) != Success)
    return std::nullopt;
  std::optional<std::string> text;
  if (data && format == 8 && type == s.atoms.utf8String) {
    text = std::string(reinterpret_cast<char*>(data), count);
  } else if (data && format == 8 && type == XA_STRING) {
    text.emplace();  // Latin-1
    for (unsigned long i = 0; i < count; ++i) {
      unsigned char c = data[i];
      if (c < 0x80) {
        *text += char(c);
      } else {
        *text += char(0xC0 | (c >> 6));
        *text += char(0x80 | (c & 0x3F));
      }
    }
  }
  if (data) XFree(data);
  return text;
}

// Presentation through MIT-SHM: the server reads the pixels from a segment
// we share with it, so a large dirty area does not travel through the socket.
#include "platform/backend/x11/X11Shm.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include "platform/backend/x11/X11State.h"

namespace {

// A segment id means nothing to a server on another machine; only a Unix
// socket or a loopback address reaches one sharing our memory.
bool LocalConnection(int fd) {
  sockaddr_storage peer{};
  socklen_t len = sizeof peer;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return false;
  if (peer.ss_family == AF_UNIX) return true;
  if (peer.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&peer);
    return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
  }
  if (peer.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&peer);
    if (IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr)) return true;
    return IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr) && in6->sin6_addr.s6_addr[12] == 127;
  }
  return false;
}

bool ShmUsable(TX11State& s) {
  if (!s.shm.checked) {
    s.shm.checked = true;
    const char* off = std::getenv("LUMIQA_X11_NOSHM");
    const bool forcedOff = off && *off && std::strcmp(off, "0") != 0;
    s.shm.usable = !forcedOff && LocalConnection(ConnectionNumber(s.dpy)) && XShmQueryExtension(s.dpy);
  }
  return s.shm.usable && !s.ioLost;
}

void DestroyImage(TX11ShmSegment& seg) {
  if (seg.info.shmaddr) shmdt(seg.info.shmaddr);
  if (seg.image) {
    seg.image->data = nullptr;  // the segment held the pixels
    XDestroyImage(seg.image);
  }
  seg.image = nullptr;
  seg.info = XShmSegmentInfo{0, -1, nullptr, False};
  seg.owner = nullptr;
}

// A segment of the backing's size and layout, attached to the server.
bool EnsureSegment(TX11State& s, TX11Native& n) {
  TX11ShmSegment& seg = n.shm;
  const XImage* src = n.image;
  // A window made anew with another visual keeps its record: match the depth too.
  if (seg.image && seg.image->width == src->width && seg.image->height == src->height && seg.image->depth == src->depth)
    return true;
  FreeX11ShmSegment(seg);
  XImage* img = XShmCreateImage(s.dpy, n.argb ? n.visual : s.visual, unsigned(src->depth), ZPixmap, nullptr,
                                &seg.info, unsigned(src->width), unsigned(src->height));
  if (!img) return false;
  seg.image = img;
  // Rows are copied byte for byte from the backing.
  if (img->bits_per_pixel != src->bits_per_pixel || img->byte_order != src->byte_order) {
    DestroyImage(seg);
    return false;
  }
  seg.info.shmid = shmget(IPC_PRIVATE, std::size_t(img->bytes_per_line) * std::size_t(img->height), IPC_CREAT | 0600);
  if (seg.info.shmid < 0) {
    DestroyImage(seg);
    return false;
  }
  void* addr = shmat(seg.info.shmid, nullptr, 0);
  if (addr == reinterpret_cast<void*>(-1)) {
    shmctl(seg.info.shmid, IPC_RMID, nullptr);
    DestroyImage(seg);
    return false;
  }
  seg.info.shmaddr = static_cast<char*>(addr);
  seg.info.readOnly = True;  // the server only reads it
  img->data = seg.info.shmaddr;
  // Errors of earlier requests must not be taken for a refused segment.
  XSync(s.dpy, False);
  const int errorsBefore = s.errors;
  XShmAttach(s.dpy, &seg.info);
  XSync(s.dpy, False);
  // Both sides hold it now (or the server never will): the kernel frees it
  // with the last detach, even if this process dies.
  shmctl(seg.info.shmid, IPC_RMID, nullptr);
  if (s.errors != errorsBefore || s.ioLost) {
    // A remote or restricted server: plain requests from now on.
    s.shm.usable = false;
    DestroyImage(seg);
    return false;
  }
  seg.owner = &s;
  return true;
}

}  // namespace

void FreeX11ShmSegment(TX11ShmSegment& seg) {
  if (seg.owner && !seg.owner->ioLost) XShmDetach(seg.owner->dpy, &seg.info);
  DestroyImage(seg);
}

bool PutX11ShmRects(TX11State& s, TX11Native& n, GC gc, const std::vector<RECT>& rects) {
  if (!n.image || !ShmUsable(s) || n.image->bits_per_pixel % 8 != 0 || !EnsureSegment(s, n)) return false;
  const XImage* src = n.image;
  XImage* dst = n.shm.image;
  const std::ptrdiff_t pixelBytes = src->bits_per_pixel / 8;
  for (const RECT& r : rects) {
    const std::size_t bytes = std::size_t(r.Width()) * std::size_t(pixelBytes);
    for (int y = r.Top; y < r.Bottom; ++y) {
      const std::ptrdiff_t off = std::ptrdiff_t(r.Left) * pixelBytes;
      std::memcpy(dst->data + std::ptrdiff_t(y) * dst->bytes_per_line + off,
                  src->data + std::ptrdiff_t(y) * src->bytes_per_line + off, bytes);
    }
  }
  for (const RECT& r : rects)
    XShmPutImage(s.dpy, n.window, gc, dst, r.Left, r.Top, r.Left, r.Top, unsigned(r.Width()), unsigned(r.Height()),
                 False);
  // The next presentation writes the segment again: wait until the server
  // has read it. One round trip per presentation is simpler than tracking
  // completion events and keeps the segment free between presentations.
  XSync(s.dpy, False);
  return true;
}

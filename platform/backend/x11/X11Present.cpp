// What a native window shows: its pixels and its shape.
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/backend/x11/X11Display.h"
#include "platform/backend/x11/X11State.h"

#define Region XlibRegion
#include <X11/extensions/shape.h>
#undef Region

namespace {

// An 8-bit channel placed into a visual's channel mask.
unsigned long Channel(unsigned v, unsigned long mask) {
  if (!mask) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  unsigned long scaled = bits >= 8 ? (unsigned long)v << (bits - 8) : (unsigned long)v >> (8 - bits);
  return (scaled << shift) & mask;
}

bool EnsureBacking(TX11State& s, TX11Native& n, int width, int height) {
  if (n.image && n.width == width && n.height == height) return true;
  FreeBacking(n);
  XImage* img = XCreateImage(s.dpy, s.visual, unsigned(s.depth), ZPixmap, 0, nullptr, unsigned(width),
                             unsigned(height), 32, 0);
  if (!img) return false;
  if constexpr (std::endian::native == std::endian::little) img->byte_order = LSBFirst;
  else img->byte_order = MSBFirst;
  n.backing.assign((std::size_t(img->bytes_per_line) * std::size_t(height) + 3) / 4, 0);
  img->data = reinterpret_cast<char*>(n.backing.data());
  n.image = img;
  n.width = width;
  n.height = height;
  return true;
}

bool Direct(const TX11State& s, const TX11Native& n) { return s.directPixels && n.image->bits_per_pixel == 32; }

void CopyRect(TX11State& s, TX11Native& n, const Surface& src, const RECT& r) {
  XImage* img = n.image;
  if (Direct(s, n) && src.IsBGRX()) {
    const std::size_t bytes = std::size_t(r.Width()) * 4;
    for (int y = r.Top; y < r.Bottom; ++y)
      std::memcpy(img->data + std::ptrdiff_t(y) * img->bytes_per_line + std::ptrdiff_t(r.Left) * 4,
                  src.Row(y) + std::ptrdiff_t(r.Left) * 4, bytes);
    return;
  }
  // Other visuals: per pixel through the masks (not the common case).
  const Visual* v = s.visual;
  for (int y = r.Top; y < r.Bottom; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(src.Row(y));
    for (int x = r.Left; x < r.Right; ++x) {
      std::uint32_t p = row[x];
      unsigned long px = Channel((p >> 16) & 0xFF, v->red_mask) | Channel((p >> 8) & 0xFF, v->green_mask) |
                         Channel(p & 0xFF, v->blue_mask);
      XPutPixel(img, x, y, px);
    }
  }
}

}  // namespace

void FreeBacking(TX11Native& n) {
  if (n.image) {
    n.image->data = nullptr;  // the vector owns the pixels
    XDestroyImage(n.image);
    n.image = nullptr;
  }
  n.backing.clear();
  n.backing.shrink_to_fit();
  n.width = n.height = 0;
}

void PutBacking(TX11State& s, TX11Native& n, const RECT& area) {
  if (!n.image || s.ioLost) return;
  RECT r{std::max(area.Left, 0), std::max(area.Top, 0), std::min(area.Right, n.width), std::min(area.Bottom, n.height)};
  if (r.IsEmpty()) return;
  XPutImage(s.dpy, n.window, DefaultGC(s.dpy, s.screen), n.image, r.Left, r.Top, r.Left, r.Top, unsigned(r.Width()),
            unsigned(r.Height()));
}

void TX11Display::Present(TNativeWindow id, const Surface& src, const std::vector<RECT>& dirty) {
  TX11State& s = *s_;
  TX11Native* n = s.Find(Window(id));
  if (!n || s.ioLost || !src.Valid() || src.bpp != 32) return;
  const bool resized = n->width != src.width || n->height != src.height;
  if (!EnsureBacking(s, *n, src.width, src.height)) return;
  // A new size leaves nothing of the old backing valid.
  std::vector<RECT> areas = resized ? std::vector<RECT>{RECT{0, 0, src.width, src.height}} : dirty;
  for (const RECT& d : areas) {
    RECT r{std::max(d.Left, 0), std::max(d.Top, 0), std::min(d.Right, src.width), std::min(d.Bottom, src.height)};
    if (r.IsEmpty()) continue;
    CopyRect(s, *n, src, r);
    if (n->shown) PutBacking(s, *n, r);
  }
}

void TX11Display::SetShape(TNativeWindow id, const Region* shape) {
  TX11State& s = *s_;
  TX11Native* n = s.Find(Window(id));
  if (!n || s.ioLost) return;
  if (!shape) {
    XShapeCombineMask(s.dpy, n->window, ShapeBounding, 0, 0, None, ShapeSet);
    return;
  }
  std::vector<RECT> rects = shape->Rects();
  std::vector<XRectangle> xr;
  xr.reserve(rects.size());
  for (const RECT& r : rects) {
    // XRectangle holds 16-bit values; a window region never needs more.
    RECT c{std::clamp(r.Left, -32768, 32767), std::clamp(r.Top, -32768, 32767), std::clamp(r.Right, -32768, 32767),
           std::clamp(r.Bottom, -32768, 32767)};
    if (c.IsEmpty()) continue;
    xr.push_back(XRectangle{short(c.Left), short(c.Top), (unsigned short)c.Width(), (unsigned short)c.Height()});
  }
  // Region rectangles are y-x banded, which lets the server skip sorting.
  XShapeCombineRectangles(s.dpy, n->window, ShapeBounding, 0, 0, xr.data(), int(xr.size()), ShapeSet, YXBanded);
}

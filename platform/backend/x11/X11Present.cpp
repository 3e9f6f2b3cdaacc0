// What a native window shows: its pixels (painted, or per-pixel layered
// content on an ARGB window) and its shape (region and colour key).
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/backend/x11/X11Display.h"
#include "platform/backend/x11/X11State.h"

#define Region XlibRegion
#include <X11/extensions/shape.h>
#undef Region

namespace {

std::vector<XRectangle> ToXRects(const std::vector<RECT>& rects);

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
  XImage* img = XCreateImage(s.dpy, n.argb ? n.visual : s.visual, n.argb ? 32u : unsigned(s.depth), ZPixmap, 0, nullptr,
                             unsigned(width),
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

// Runs of pixels with alpha >= minAlpha on one row, as one-row rectangles.
void AlphaRuns(const std::uint32_t* row, int width, int y, std::uint32_t minAlpha, std::vector<RECT>& out) {
  int x = 0;
  while (x < width) {
    while (x < width && (row[x] >> 24) < minAlpha) ++x;
    const int start = x;
    while (x < width && (row[x] >> 24) >= minAlpha) ++x;
    if (x > start) out.push_back(RECT{start, y, x, y + 1});
  }
}

bool Direct(const TX11State& s, const TX11Native& n) {
  if (n.image->bits_per_pixel != 32) return false;
  const Visual* v = n.argb ? n.visual : s.visual;
  return v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 && v->blue_mask == 0xFF && (n.argb || s.directPixels);
}

GC GcFor(TX11State& s, const TX11Native& n) { return n.gc ? n.gc : DefaultGC(s.dpy, s.screen); }

void CopyRect(TX11State& s, TX11Native& n, const Surface& src, const RECT& r) {
  XImage* img = n.image;
  if (Direct(s, n) && src.IsBGRX()) {
    const std::size_t bytes = std::size_t(r.Width()) * 4;
    for (int y = r.Top; y < r.Bottom; ++y) {
      char* dst = img->data + std::ptrdiff_t(y) * img->bytes_per_line + std::ptrdiff_t(r.Left) * 4;
      std::memcpy(dst, src.Row(y) + std::ptrdiff_t(r.Left) * 4, bytes);
      // Painted pixels are opaque; an ARGB window would read X as alpha.
      if (n.argb)
        for (int x = 0; x < r.Width(); ++x) reinterpret_cast<std::uint32_t*>(dst)[x] |= 0xFF000000u;
    }
    return;
  }
  // Other visuals: per pixel through the masks (not the common case).
  const Visual* v = s.visual;
  for (int y = r.Top; y < r.Bottom; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(src.Row(y));
    for (int x = r.Left; x < r.Right; ++x) {
      std::uint32_t p = row[x];
      unsigned long px = Channel((p >> 16) & 0xFF, v->red_mask) | Channel((p >> 8) & 0xFF, v->green_mask) |
                         Channel(p & 0xFF, v->blue_mask) | (n.argb ? 0xFF000000ul : 0ul);
      XPutPixel(img, x, y, px);
    }
  }
}

}  // namespace

void FreeBacking(TX11Native& n) {
  FreeX11ShmSegment(n.shm);
  if (n.image) {
    n.image->data = nullptr;  // the vector owns the pixels
    XDestroyImage(n.image);
    n.image = nullptr;
  }
  n.backing.clear();
  n.backing.shrink_to_fit();
  n.width = n.height = 0;
}

namespace {

// Shows areas of the backing: through shared memory when the server is
// local, else as plain requests.
void PutBackingRects(TX11State& s, TX11Native& n, const std::vector<RECT>& areas) {
  if (!n.image || s.ioLost) return;
  std::vector<RECT> rects;
  rects.reserve(areas.size());
  for (const RECT& a : areas) {
    RECT r{std::max(a.Left, 0), std::max(a.Top, 0), std::min(a.Right, n.width), std::min(a.Bottom, n.height)};
    if (!r.IsEmpty()) rects.push_back(r);
  }
  if (rects.empty() || PutX11ShmRects(s, n, GcFor(s, n), rects)) return;
  for (const RECT& r : rects)
    XPutImage(s.dpy, n.window, GcFor(s, n), n.image, r.Left, r.Top, r.Left, r.Top, unsigned(r.Width()),
              unsigned(r.Height()));
  // Small areas would wait in Xlib's buffer until the program next waits
  // for events, which a busy program may not do for a long while.
  XFlush(s.dpy);
}

}  // namespace

void PutBacking(TX11State& s, TX11Native& n, const RECT& area) { PutBackingRects(s, n, {area}); }

void TX11Display::Present(TNativeWindow id, const Surface& src, const std::vector<RECT>& dirty) {
  TX11State& s = *s_;
  TX11Native* n = s.Find(Window(id));
  if (!n || s.ioLost || !src.Valid() || src.bpp != 32) return;
  // Per-pixel content stays on screen; painted pixels wait for its end.
  if (n->perPixelShown) return;
  const bool resized = n->width != src.width || n->height != src.height;
  if (!EnsureBacking(s, *n, src.width, src.height)) return;
  // A new size leaves nothing of the old backing valid.
  std::vector<RECT> areas = resized ? std::vector<RECT>{RECT{0, 0, src.width, src.height}} : dirty;
  std::vector<RECT> copied;
  copied.reserve(areas.size());
  for (const RECT& d : areas) {
    RECT r{std::max(d.Left, 0), std::max(d.Top, 0), std::min(d.Right, src.width), std::min(d.Bottom, src.height)};
    if (r.IsEmpty()) continue;
    CopyRect(s, *n, src, r);
    copied.push_back(r);
  }
  // All areas in one batch: shared memory waits once per presentation.
  if (n->shown) PutBackingRects(s, *n, copied);
  if (n->colorKey != CLR_INVALID) ApplyX11Shape(s, *n);
}

void PutLayeredContent(TX11State& s, TX11Native& n, const Surface& content) {
  if (!n.argb || !content.Valid() || content.bpp != 32 || !EnsureBacking(s, n, content.width, content.height)) return;
  // Blended by the compositor: no cut-out shape, but clicks on fully
  // transparent pixels go through to what is below.
  if (n.alphaShaped) {
    n.alphaShaped = false;
    n.alphaRects.clear();
    ApplyX11Shape(s, n);
  }
  std::vector<RECT> input;
  XImage* img = n.image;
  for (int y = 0; y < content.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(content.Row(y));
    AlphaRuns(row, content.width, y, 1, input);
    if (Direct(s, n)) {
      // Premultiplied BGRA is the ARGB visual's own layout.
      std::memcpy(img->data + std::ptrdiff_t(y) * img->bytes_per_line, row, std::size_t(content.width) * 4);
      continue;
    }
    const Visual* v = n.visual;
    for (int x = 0; x < content.width; ++x) {
      const std::uint32_t p = row[x];
      XPutPixel(img, x, y,
                Channel((p >> 16) & 0xFF, v->red_mask) | Channel((p >> 8) & 0xFF, v->green_mask) |
                    Channel(p & 0xFF, v->blue_mask) | (unsigned long)(p & 0xFF000000u));
    }
  }
  n.perPixelShown = true;
  SetX11InputShape(s, n, &input);
  if (n.shown) PutBacking(s, n, RECT{0, 0, content.width, content.height});
  if (n.colorKey != CLR_INVALID) ApplyX11Shape(s, n);
}

void SetX11InputShape(TX11State& s, TX11Native& n, const std::vector<RECT>* rects) {
  if (s.ioLost) return;
  // A layered window that is transparent to the mouse (a glow) takes no
  // click anywhere.
  static const std::vector<RECT> kNowhere;
  if (n.exStyle & WS_EX_TRANSPARENT) rects = &kNowhere;
  if (!rects) {
    if (!n.inputShaped) return;
    XShapeCombineMask(s.dpy, n.window, ShapeInput, 0, 0, None, ShapeSet);
    n.inputShaped = false;
    n.inputRects.clear();
    return;
  }
  n.inputRects = ToXRects(*rects);
  XShapeCombineRectangles(s.dpy, n.window, ShapeInput, 0, 0, n.inputRects.data(), int(n.inputRects.size()), ShapeSet,
                          YXBanded);
  n.inputShaped = true;
}

void RepeatX11ShapesForFrame(TX11State& s, TX11Native& n) {
  if (s.ioLost) return;
  ApplyX11Shape(s, n);
  if (n.inputShaped)
    XShapeCombineRectangles(s.dpy, n.window, ShapeInput, 0, 0, n.inputRects.data(), int(n.inputRects.size()),
                            ShapeSet, YXBanded);
}

void PutShapedLayeredContent(TX11State& s, TX11Native& n, const Surface& content) {
  if (!content.Valid() || content.bpp != 32 || !EnsureBacking(s, n, content.width, content.height)) return;
  constexpr std::uint32_t kShownAlpha = 128;
  XImage* img = n.image;
  // An ARGB window left without a compositor shows its colour bits as they
  // are: opaque straight colours there too.
  const Visual* v = n.argb ? n.visual : s.visual;
  const unsigned long opaque = n.argb ? 0xFF000000ul : 0;
  n.alphaRects.clear();
  for (int y = 0; y < content.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(content.Row(y));
    AlphaRuns(row, content.width, y, kShownAlpha, n.alphaRects);
    for (int x = 0; x < content.width; ++x) {
      const std::uint32_t p = row[x];
      const std::uint32_t a = p >> 24;
      if (a < kShownAlpha) continue;
      // Back to the straight colour: the pixel is shown without blending.
      auto straight = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
      const std::uint32_t r = straight((p >> 16) & 0xFF), g = straight((p >> 8) & 0xFF), b = straight(p & 0xFF);
      XPutPixel(img, x, y, Channel(r, v->red_mask) | Channel(g, v->green_mask) | Channel(b, v->blue_mask) | opaque);
    }
  }
  n.alphaShaped = true;
  n.perPixelShown = true;
  SetX11InputShape(s, n, nullptr);  // the bounding shape cuts clicks too
  ApplyX11Shape(s, n);
  if (n.shown) PutBacking(s, n, RECT{0, 0, content.width, content.height});
}

void FreeX11WindowResources(TX11State& s, TX11Native& n) {
  if (!s.ioLost) {
    if (n.gc) XFreeGC(s.dpy, n.gc);
    if (n.colormap) XFreeColormap(s.dpy, n.colormap);
  }
  n.gc = nullptr;
  n.colormap = 0;
}

namespace {

std::vector<XRectangle> ToXRects(const std::vector<RECT>& rects) {
  std::vector<XRectangle> xr;
  xr.reserve(rects.size());
  for (const RECT& r : rects) {
    // XRectangle holds 16-bit values; a window region never needs more.
    RECT c{std::clamp(r.Left, -32768, 32767), std::clamp(r.Top, -32768, 32767), std::clamp(r.Right, -32768, 32767),
           std::clamp(r.Bottom, -32768, 32767)};
    if (c.IsEmpty()) continue;
    xr.push_back(XRectangle{short(c.Left), short(c.Top), (unsigned short)c.Width(), (unsigned short)c.Height()});
  }
  return xr;
}

// Runs of presented pixels that differ from the key, one row at a time.
std::vector<XRectangle> KeyRects(const TX11State& s, const TX11Native& n) {
  std::vector<XRectangle> out;
  if (!n.image || !Direct(s, n)) return out;
  const std::uint32_t key = (GetRValue(n.colorKey) << 16) | (GetGValue(n.colorKey) << 8) | GetBValue(n.colorKey);
  for (int y = 0; y < n.height && y < 32768; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(n.image->data + std::ptrdiff_t(y) * n.image->bytes_per_line);
    int x = 0;
    while (x < n.width && x < 32768) {
      while (x < n.width && (row[x] & 0xFFFFFF) == key) ++x;
      const int start = x;
      while (x < n.width && (row[x] & 0xFFFFFF) != key) ++x;
      if (x > start) out.push_back(XRectangle{short(start), short(y), (unsigned short)(x - start), 1});
    }
  }
  return out;
}

}  // namespace

void ApplyX11Shape(TX11State& s, TX11Native& n) {
  if (s.ioLost) return;
  const bool keyed = n.colorKey != CLR_INVALID && n.image && Direct(s, n);
  if (!keyed && !n.hasRegion && !n.alphaShaped) {
    XShapeCombineMask(s.dpy, n.window, ShapeBounding, 0, 0, None, ShapeSet);
    return;
  }
  if (keyed) {
    std::vector<XRectangle> k = KeyRects(s, n);
    // One-row rectangles in row order, left to right: banded.
    XShapeCombineRectangles(s.dpy, n.window, ShapeBounding, 0, 0, k.data(), int(k.size()), ShapeSet, YXBanded);
  }
  if (n.hasRegion) {
    std::vector<XRectangle> r = ToXRects(n.regionRects);
    XShapeCombineRectangles(s.dpy, n.window, ShapeBounding, 0, 0, r.data(), int(r.size()),
                            keyed ? ShapeIntersect : ShapeSet, YXBanded);
  }
  if (n.alphaShaped) {
    std::vector<XRectangle> r = ToXRects(n.alphaRects);
    XShapeCombineRectangles(s.dpy, n.window, ShapeBounding, 0, 0, r.data(), int(r.size()),
                            keyed || n.hasRegion ? ShapeIntersect : ShapeSet, YXBanded);
  }
}

void TX11Display::SetColorKey(TNativeWindow id, COLORREF key) {
  TX11State& s = *s_;
  TX11Native* n = s.Find(Window(id));
  if (!n || s.ioLost || n->colorKey == key) return;
  n->colorKey = key;
  ApplyX11Shape(s, *n);
}

void TX11Display::SetShape(TNativeWindow id, const Region* shape) {
  TX11State& s = *s_;
  TX11Native* n = s.Find(Window(id));
  if (!n || s.ioLost) return;
  n->hasRegion = shape != nullptr;
  n->regionRects = shape ? shape->Rects() : std::vector<RECT>{};
  ApplyX11Shape(s, *n);
}

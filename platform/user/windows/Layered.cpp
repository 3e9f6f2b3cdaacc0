#include "platform/user/windows/Layered.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

TDisplay* DisplayOf(const WND* w) { return !w->IsChild() && w->native ? CurrentDisplay() : nullptr; }

bool IsLayered(WND* w) {
  if (w->exStyle & WS_EX_LAYERED) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

std::uint32_t Scale(std::uint32_t px, unsigned a) {
  auto ch = [&](int shift) { return ((((px >> shift) & 0xFF) * a + 127) / 255) << shift; };
  return ch(0) | ch(8) | ch(16) | ch(24);
}

std::uint32_t KeyBits(COLORREF key) {
  return key == CLR_INVALID ? 0xFFFFFFFF
                            : (std::uint32_t(GetRValue(key)) << 16) | (std::uint32_t(GetGValue(key)) << 8) | GetBValue(key);
}

// Turns UpdateLayeredWindow's source pixels into what the display shows:
// premultiplied BGRA.
struct TComposer {
  bool perPixel = false;
  bool keyed = false;
  unsigned constant = 255;
  std::uint32_t key = 0xFFFFFFFF;

  explicit TComposer(const WND* w) {
    const bool opaque = (w->ulwFlags & ULW_OPAQUE) || !(w->ulwFlags & (ULW_ALPHA | ULW_COLORKEY));
    perPixel = !opaque && (w->ulwFlags & ULW_ALPHA) && (w->ulwBlend.AlphaFormat & AC_SRC_ALPHA);
    constant = (w->ulwFlags & ULW_ALPHA) && !opaque ? w->ulwBlend.SourceConstantAlpha : 255;
    key = KeyBits(w->ulwKey);
    keyed = (w->ulwFlags & ULW_COLORKEY) && !(w->ulwFlags & ULW_OPAQUE);
  }
  std::uint32_t operator()(std::uint32_t p) const {
    if (keyed && (p & 0xFFFFFF) == key) return 0;
    if (!perPixel) p = (p & 0xFFFFFF) | 0xFF000000;
    if (constant != 255) p = Scale(p, constant);
    return p;
  }
};

std::vector<std::uint32_t> Compose(const WND* w) {
  std::vector<std::uint32_t> out = w->layeredPixels;
  const TComposer compose(w);
  for (std::uint32_t& p : out) p = compose(p);
  return out;
}

void SendContent(WND* w) {
  TDisplay* d = DisplayOf(w);
  if (!d) return;
  std::vector<std::uint32_t> px = Compose(w);
  Surface s;
  s.top = reinterpret_cast<Byte*>(px.data());
  s.pitch = std::ptrdiff_t(w->layeredSize.cx) * 4;
  s.width = w->layeredSize.cx;
  s.height = w->layeredSize.cy;
  s.bpp = 32;
  d->SetLayeredContent(w->native, &s);
}

// Source pixels as BGRA; outside the source they are transparent black.
std::vector<std::uint32_t> ReadSource(HDC src, POINT at, SIZE size) {
  std::vector<std::uint32_t> out(std::size_t(size.cx) * std::size_t(size.cy), 0);
  DeviceContext* dc = GdiCheckDC(src);
  if (!dc) return out;
  const Surface& s = dc->surface;
  const bool direct = s.Valid() && s.IsBGRX();
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      std::uint32_t& o = out[std::size_t(y) * std::size_t(size.cx) + std::size_t(x)];
      if (direct) {
        int sx = dc->SX(at.X + x), sy = dc->SY(at.Y + y);
        if (sx >= 0 && sy >= 0 && sx < s.width && sy < s.height) o = reinterpret_cast<const std::uint32_t*>(s.Row(sy))[sx];
      } else {
        COLORREF c = GetPixel(src, at.X + x, at.Y + y);
        if (c != CLR_INVALID) o = (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) | GetBValue(c);
      }
    }
  }
  return out;
}

void Resize(WND* w, SIZE size) {
  if (w->layeredSize == size) return;
  std::vector<std::uint32_t> px(std::size_t(size.cx) * std::size_t(size.cy), 0);
  int cw = std::min(size.cx, w->layeredSize.cx), ch = std::min(size.cy, w->layeredSize.cy);
  for (int y = 0; y < ch; ++y)
    std::copy_n(w->layeredPixels.begin() + std::ptrdiff_t(y) * w->layeredSize.cx, cw,
                px.begin() + std::ptrdiff_t(y) * size.cx);
  w->layeredPixels.swap(px);
  w->layeredSize = size;
}

}  // namespace

bool LayeredPointTransparent(const WND* w, POINT local) {
  if (w->IsChild() || !(w->exStyle & WS_EX_LAYERED)) return false;
  if (w->perPixel) {
    if (local.X < 0 || local.Y < 0 || local.X >= w->layeredSize.cx || local.Y >= w->layeredSize.cy) return true;
    const std::uint32_t p = w->layeredPixels[std::size_t(local.Y) * std::size_t(w->layeredSize.cx) + std::size_t(local.X)];
    return (TComposer(w)(p) >> 24) == 0;
  }
  if (!w->layeredSet) return false;
  if ((w->layeredFlags & LWA_ALPHA) && w->alpha == 0) return true;
  if (w->colorKey == CLR_INVALID) return false;
  const Surface& s = w->surface;
  if (!s.Valid() || local.X < 0 || local.Y < 0 || local.X >= s.width || local.Y >= s.height) return false;
  const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(s.Row(local.Y))[local.X];
  return (p & 0xFFFFFF) == KeyBits(w->colorKey);
}

void ResetLayered(WND* w) {
  const bool hadContent = w->perPixel;
  w->layeredSet = false;
  w->alpha = 255;
  w->colorKey = CLR_INVALID;
  w->layeredFlags = 0;
  w->perPixel = false;
  w->layeredPixels.clear();
  w->layeredSize = SIZE{};
  if (TDisplay* d = DisplayOf(w)) {
    d->SetOpacity(w->native, 255);
    d->SetColorKey(w->native, CLR_INVALID);
    if (hadContent) d->SetLayeredContent(w->native, nullptr);
  }
  // Painted pixels were not shown while the content replaced them.
  if (hadContent) RedrawWindow(HandleOf(w), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, Byte alpha, DWORD flags) {
  WND* w = LiveWindow(hwnd);
  if (!w || !IsLayered(w)) return FALSE;
  if (w->perPixel) {
    w->perPixel = false;
    if (TDisplay* d = DisplayOf(w)) d->SetLayeredContent(w->native, nullptr);
    RedrawWindow(HandleOf(w), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  w->layeredSet = true;
  w->layeredFlags = flags & (LWA_ALPHA | LWA_COLORKEY);
  w->alpha = (flags & LWA_ALPHA) ? alpha : 255;
  w->colorKey = (flags & LWA_COLORKEY) ? key : CLR_INVALID;
  if (TDisplay* d = DisplayOf(w)) {
    d->SetOpacity(w->native, w->alpha);
    d->SetColorKey(w->native, w->colorKey);
  }
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, Byte* alpha, DWORD* flags) {
  WND* w = LiveWindow(hwnd);
  if (!w || !IsLayered(w) || !w->layeredSet || w->perPixel) return FALSE;
  if (key) *key = w->colorKey == CLR_INVALID ? 0 : w->colorKey;
  if (alpha) *alpha = w->alpha;
  if (flags) *flags = w->layeredFlags;
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, const POINT* pptDst, const SIZE* psize, HDC hdcSrc, const POINT* pptSrc,
                         COLORREF crKey, const BLENDFUNCTION* pblend, DWORD flags) {
  WND* w = LiveWindow(hwnd);
  if (!w || !IsLayered(w)) return FALSE;
  if (w->IsChild() || w->layeredSet || (psize && (psize->cx <= 0 || psize->cy <= 0)) ||
      ((flags & ULW_ALPHA) && !pblend)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TWindowPin pin(w);
  SIZE size = psize ? *psize : SIZE{w->rect.Width(), w->rect.Height()};
  UINT swp = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
  if (!pptDst) swp |= SWP_NOMOVE;
  if (!psize) swp |= SWP_NOSIZE;
  if (!(swp & SWP_NOMOVE) || !(swp & SWP_NOSIZE)) {
    POINT at = pptDst ? *pptDst : POINT{w->rect.Left, w->rect.Top};
    SetWindowPos(HandleOf(w), nullptr, at.X, at.Y, size.cx, size.cy, swp);
    if (w->dead) return FALSE;
  }
  if (hdcSrc) {
    w->layeredPixels = ReadSource(hdcSrc, pptSrc ? *pptSrc : POINT{0, 0}, size);
    w->layeredSize = size;
  } else {
    Resize(w, size);
  }
  w->ulwFlags = flags;
  if (pblend) w->ulwBlend = *pblend;
  w->ulwKey = (flags & ULW_COLORKEY) ? crKey : CLR_INVALID;
  w->perPixel = true;
  SendContent(w);
  return TRUE;
}

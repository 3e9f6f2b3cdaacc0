#include "platform/user/paint/ScrollWindow.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/WindowPos.h"

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? RECT{} : r;
}

// Copies into `dest` (surface coordinates) the pixels found (dx, dy) away,
// through a copy of the source so overlapping moves read unmoved pixels.
bool MovePixels(const Surface& s, const Region& dest, int dx, int dy) {
  if (dest.IsEmpty() || !s.Valid()) return true;
  if (s.bpp % 8 != 0) return false;
  const int bytes = s.bpp / 8;
  RECT box = dest.Box();
  RECT src = Intersect(RECT{box.Left - dx, box.Top - dy, box.Right - dx, box.Bottom - dy}, Bounds(0, 0, s.width, s.height));
  if (src.IsEmpty()) return true;
  const std::size_t rowBytes = std::size_t(src.Width()) * std::size_t(bytes);
  std::vector<Byte> copy(rowBytes * std::size_t(src.Height()));
  for (int y = src.Top; y < src.Bottom; ++y)
    std::memcpy(&copy[std::size_t(y - src.Top) * rowBytes], s.Row(y) + std::ptrdiff_t(src.Left) * bytes, rowBytes);
  for (const RECT& r0 : dest.Rects()) {
    RECT r = Intersect(r0, RECT{src.Left + dx, src.Top + dy, src.Right + dx, src.Bottom + dy});
    for (int y = r.Top; y < r.Bottom; ++y) {
      const Byte* from = &copy[std::size_t(y - dy - src.Top) * rowBytes + std::size_t(r.Left - dx - src.Left) * bytes];
      std::memcpy(s.Row(y) + std::ptrdiff_t(r.Left) * bytes, from, std::size_t(r.Width()) * std::size_t(bytes));
    }
  }
  return true;
}

// The moved area and the update region, both in the caller's coordinates.
struct TScrollResult {
  Region moved;
  Region invalid;
};

TScrollResult Scroll(const Region& visible, const RECT& scroll, const RECT& clip, int dx, int dy) {
  TScrollResult r;
  Region src = visible;
  src.IntersectRect(scroll);
  src.Offset(dx, dy);
  src.IntersectRect(clip);
  r.moved = Region::Combine(src, visible, Region::Op::And);
  r.invalid = Region(Intersect(scroll, clip));
  r.invalid = Region::Combine(r.invalid, r.moved, Region::Op::Diff);
  return r;
}

int Report(const Region& invalid, HRGN update, RECT* updateRect) {
  if (GdiRegion* g = GdiCheck(update, OBJ_REGION)) g->rgn = invalid;
  if (updateRect) *updateRect = invalid.IsEmpty() ? RECT{} : invalid.Box();
  return invalid.Complexity();
}

}  // namespace

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* prcScroll, const RECT* prcClip, HRGN update, RECT* updateRect,
                   UINT flags) {
  WND* w = LiveWindow(hwnd);
  if (!w) return ERROR;
  TWindowPin pin(w);
  const RECT client = Bounds(0, 0, w->client.Width(), w->client.Height());
  const RECT scroll = prcScroll ? Intersect(*prcScroll, client) : client;
  const RECT clip = prcClip ? Intersect(*prcClip, client) : client;
  const bool children = (flags & SW_SCROLLCHILDREN) != 0;
  const RECT ciw = Bounds(w->client.Left - w->rect.Left, w->client.Top - w->rect.Top, w->client.Width(), w->client.Height());

  // Bits move only where the window shows; children stay unless they move too.
  WND* top = TopLevelOf(w);
  const POINT co{WindowOriginInSurface(w).X + ciw.Left, WindowOriginInSurface(w).Y + ciw.Top};
  Region visible;
  if (!IsUpdateLocked(w)) {
    visible = VisibleRegion(w, true, !children, true);
    visible.Offset(-co.X, -co.Y);
  }
  TScrollResult r = Scroll(visible, scroll, clip, dx, dy);
  Region movedOnSurface = r.moved;
  movedOnSurface.Offset(co.X, co.Y);
  EnsureSurface(top);
  MovePixels(top->surface, movedOnSurface, dx, dy);
  top->dirty = Region::Combine(top->dirty, movedOnSurface, Region::Op::Or);

  // The pending update region travels with the bits.
  Region pending = w->update;
  pending.IntersectRect(ciw);
  pending.Offset(-ciw.Left, -ciw.Top);
  if (!pending.IsEmpty()) {
    Region inScroll = pending;
    inScroll.IntersectRect(scroll);
    inScroll.Offset(dx, dy);
    inScroll.IntersectRect(clip);
    Region kept = Region::Combine(pending, Region(Intersect(scroll, clip)), Region::Op::Diff);
    Region moved = Region::Combine(kept, inScroll, Region::Op::Or);
    moved.Offset(ciw.Left, ciw.Top);
    w->update = Region::Combine(Region::Combine(w->update, Region(ciw), Region::Op::Diff), moved, Region::Op::Or);
  }

  if (children) {
    std::vector<WND*> kids = w->children;
    for (WND* k : kids) {
      if (!IsLive(k) || (prcScroll && Intersect(k->rect, scroll).IsEmpty())) continue;
      SetWindowPos(HandleOf(k), nullptr, k->rect.Left + dx, k->rect.Top + dy, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
      if (w->dead) return ERROR;
    }
  }
  if ((flags & SW_INVALIDATE) && !r.invalid.IsEmpty()) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    if (GdiRegion* g = GdiCheck(rgn, OBJ_REGION)) g->rgn = r.invalid;
    RedrawWindow(HandleOf(w), nullptr, rgn, RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0) | (children ? RDW_ALLCHILDREN : 0));
    DeleteObject(rgn);
  }
  return Report(r.invalid, update, updateRect);
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  UINT flags = SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN);
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr, flags) != ERROR ? TRUE : FALSE;
}

BOOL ScrollDC(HDC hdc, int dx, int dy, const RECT* prcScroll, const RECT* prcClip, HRGN update, RECT* updateRect) {
  DeviceContext* dc = GdiCheckDC(hdc);
  if (!dc) return FALSE;
  // Surface coordinates from here on.
  auto toSurface = [&](const RECT& r) { return RECT{dc->SX(r.Left), dc->SY(r.Top), dc->SX(r.Right), dc->SY(r.Bottom)}; };
  const Region& visible = dc->EffectiveClip();
  const RECT all = visible.IsEmpty() ? RECT{} : visible.Box();
  const RECT scroll = prcScroll ? toSurface(*prcScroll) : all;
  const RECT clip = prcClip ? toSurface(*prcClip) : all;
  TScrollResult r = Scroll(visible, scroll, clip, dx, dy);
  if (!MovePixels(dc->surface, r.moved, dx, dy)) return FALSE;
  if (WND* w = LiveWnd(WindowFromDC(hdc))) {
    WND* top = TopLevelOf(w);
    top->dirty = Region::Combine(top->dirty, r.moved, Region::Op::Or);
  }
  r.invalid = Region::Combine(r.invalid, visible, Region::Op::And);
  // Back to logical coordinates.
  r.invalid.Offset(-dc->SX(0), -dc->SY(0));
  Report(r.invalid, update, updateRect);
  return TRUE;
}

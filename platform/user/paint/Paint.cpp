#include "platform/user/paint/Paint.h"

#include <algorithm>
#include <optional>

#include "platform/gdi/Gdi.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowPos.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

struct TWindowDC {
  HDC dc = nullptr;
  WND* w = nullptr;  // nullptr: screen DC, or the window is gone
  bool client = true;
  bool clipChildren = false;
  bool clipSiblings = false;
  std::optional<Region> extra;    // intersect, local (client or window) coordinates
  std::optional<Region> exclude;  // subtract, local coordinates
  bool lockOk = false;            // DCX_LOCKWINDOWUPDATE: draws while locked
};

std::vector<TWindowDC>& DCs() {
  static std::vector<TWindowDC> dcs;
  return dcs;
}

std::uint32_t g_dummyPixel = 0;
Surface DummySurface() {
  Surface s;
  s.top = reinterpret_cast<Byte*>(&g_dummyPixel);
  s.pitch = 4;
  s.width = s.height = 1;
  return s;
}

RECT WindowBox(const WND* w) { return Bounds(0, 0, w->rect.Width(), w->rect.Height()); }

const Region* RegionOf(const WND* w) {
  GdiRegion* r = GdiCheck(w->region, OBJ_REGION);
  return r ? &r->rgn : nullptr;
}

// A window's shape (rectangle and region) in surface coordinates.
Region ShapeInSurface(const WND* w) {
  POINT o = WindowOriginInSurface(w);
  Region r(Bounds(o.X, o.Y, w->rect.Width(), w->rect.Height()));
  if (const Region* wr = RegionOf(w)) {
    Region shaped = *wr;
    shaped.Offset(o.X, o.Y);
    r = Region::Combine(r, shaped, Region::Op::And);
  }
  return r;
}

void SubtractHigherSiblings(Region& rgn, WND* cur) {
  auto& sibs = SiblingList(cur);
  for (WND* s : sibs) {
    if (s == cur) break;
    if (s->style & WS_VISIBLE) rgn = Region::Combine(rgn, ShapeInSurface(s), Region::Op::Diff);
  }
}

Region LocalToSurface(const Region& local, const WND* w, bool client) {
  Region r = local;
  POINT o = WindowOriginInSurface(w);
  if (client) {
    RECT c = ClientInWindow(w);
    o.X += c.Left;
    o.Y += c.Top;
  }
  r.Offset(o.X, o.Y);
  return r;
}

void Recompute(TWindowDC& rec) {
  if (!rec.w) return;
  WND* top = TopLevelOf(rec.w);
  Region vis = VisibleRegion(rec.w, rec.client, rec.clipChildren, rec.clipSiblings);
  if (rec.extra) vis = Region::Combine(vis, LocalToSurface(*rec.extra, rec.w, rec.client), Region::Op::And);
  if (rec.exclude) vis = Region::Combine(vis, LocalToSurface(*rec.exclude, rec.w, rec.client), Region::Op::Diff);
  if (!rec.lockOk && IsUpdateLocked(rec.w)) vis.Clear();
  POINT o = WindowOriginInSurface(rec.w);
  if (rec.client) {
    RECT c = ClientInWindow(rec.w);
    o.X += c.Left;
    o.Y += c.Top;
  }
  if (DeviceContext* dc = GdiCheckDC(rec.dc)) dc->surface = top->surface;
  SetSurfaceDCOrigin(rec.dc, o, &vis);
}

HDC MakeDC(WND* w, bool client, bool clipChildren, bool clipSiblings, std::optional<Region> extra,
           std::optional<Region> exclude = std::nullopt, bool lockOk = false) {
  WND* top = TopLevelOf(w);
  EnsureSurface(top);
  Region empty;
  HDC dc = CreateSurfaceDC(top->surface, POINT{0, 0}, &empty);
  if (!dc) return nullptr;
  TWindowDC rec{dc, w, client, clipChildren, clipSiblings, std::move(extra), std::move(exclude), lockOk};
  Recompute(rec);
  DCs().push_back(std::move(rec));
  return dc;
}

bool NeedsPaint(const WND* w) { return !w->update.IsEmpty() || w->internalPaint; }

WND* FindInTree(WND* w) {
  if (!(w->style & WS_VISIBLE)) return nullptr;
  if (NeedsPaint(w)) return w;
  for (WND* c : w->children)
    if (WND* p = FindInTree(c)) return p;
  return nullptr;
}

enum class Kids { Default, All, None };

bool WantsChildren(const WND* w, Kids kids) {
  return kids == Kids::All || (kids == Kids::Default && !(w->style & WS_CLIPCHILDREN));
}

void Invalidate(WND* w, const Region& area0, bool erase, bool frame, Kids kids) {
  if (!IsReallyVisible(w)) return;
  Region area = Region::Combine(area0, Region(WindowBox(w)), Region::Op::And);
  if (!frame) area.IntersectRect(ClientInWindow(w));
  if (area.IsEmpty()) return;
  w->update = Region::Combine(w->update, area, Region::Op::Or);
  if (erase) w->erasePending = true;
  // RDW_FRAME always brings a WM_NCPAINT, as on Windows.
  if (frame || !Region::Combine(area, Region(ClientInWindow(w)), Region::Op::Diff).IsEmpty()) w->ncPending = true;
  if (!WantsChildren(w, kids)) return;
  RECT c = ClientInWindow(w);
  for (WND* k : w->children) {
    if (!(k->style & WS_VISIBLE)) continue;
    Region part = area;
    part.Offset(-(c.Left + k->rect.Left), -(c.Top + k->rect.Top));
    Invalidate(k, part, erase, true, kids == Kids::None ? Kids::Default : kids);
  }
}

void Validate(WND* w, const std::optional<Region>& area, Kids kids) {
  if (area) {
    w->update = Region::Combine(w->update, *area, Region::Op::Diff);
  } else {
    w->update.Clear();
    w->internalPaint = false;
  }
  if (w->update.IsEmpty()) w->erasePending = w->ncPending = w->erasedEarly = false;
  if (!WantsChildren(w, kids)) return;
  RECT c = ClientInWindow(w);
  for (WND* k : w->children) {
    std::optional<Region> part;
    if (area) {
      part = *area;
      part->Offset(-(c.Left + k->rect.Left), -(c.Top + k->rect.Top));
    }
    Validate(k, part, kids == Kids::None ? Kids::Default : kids);
  }
}

void PaintNow(WND* w, bool children) {
  if (!IsLive(w) || !IsReallyVisible(w)) return;
  TWindowPin pin(w);
  if (NeedsPaint(w)) SendMessage(HandleOf(w), WM_PAINT, 0, 0);
  if (!children || w->dead) return;
  std::vector<WND*> kids = w->children;
  for (WND* k : kids)
    if (IsLive(k)) PaintNow(k, true);
}

void PresentSurface(TDisplay* d, WND* t) {
  if (t->dirty.IsEmpty()) return;
  // Per-pixel layered windows show their UpdateLayeredWindow content.
  if (d && t->native && (t->style & WS_VISIBLE) && !t->perPixel) {
    Region caret = ToggleCaretOverlay(t);
    if (!caret.IsEmpty()) t->dirty = Region::Combine(t->dirty, caret, Region::Op::Or);
    d->Present(t->native, t->surface, t->dirty.Rects());
    if (!caret.IsEmpty()) ToggleCaretOverlay(t);
  }
  t->dirty.Clear();
}

// Whoever asks to paint now (often before long work) expects to see the
// result now, not when the queue next runs dry.
void UpdateNow(WND* w, bool children) {
  if (!IsLive(w) || !IsReallyVisible(w)) return;
  TWindowPin pin(w);
  PaintNow(w, children);
  if (w->dead) return;
  WND* top = TopLevelOf(w);
  if (top && IsLive(top)) PresentSurface(CurrentDisplay(), top);
}

// Update region within the client area, in client coordinates.
Region ClientUpdate(const WND* w) {
  RECT c = ClientInWindow(w);
  Region r = Region::Combine(w->update, Region(c), Region::Op::And);
  r.Offset(-c.Left, -c.Top);
  return r;
}

// The update region reaches into the frame (window coordinates).
bool FrameInvalid(const WND* w) {
  return !Region::Combine(w->update, Region(ClientInWindow(w)), Region::Op::Diff).IsEmpty();
}

// WM_NCPAINT paints the frame: its part of the update region is done.
void SendNcPaint(WND* w) {
  w->ncPending = false;
  w->update.IntersectRect(ClientInWindow(w));
  SendMessage(HandleOf(w), WM_NCPAINT, 1, 0);
}

// A parent without WS_CLIPCHILDREN paints over its children's frames too.
// Descendants that repaint afterwards (their update region is pending) get
// the covered part of their frame back, so their WM_PAINT brings the
// WM_NCPAINT that redraws it, and erase again a background they erased
// ahead of the parent.
void ReclaimCoveredFrames(WND* w, const Region& surfaceArea) {
  if (w->style & WS_CLIPCHILDREN) return;
  for (WND* k : w->children) {
    if (!(k->style & WS_VISIBLE)) continue;
    if (NeedsPaint(k)) {
      POINT o = WindowOriginInSurface(k);
      Region frame = Region::Combine(ShapeInSurface(k), surfaceArea, Region::Op::And);
      frame.Offset(-o.X, -o.Y);
      if (k->erasedEarly && !Region::Combine(frame, k->update, Region::Op::And).IsEmpty()) k->erasePending = true;
      frame = Region::Combine(frame, Region(ClientInWindow(k)), Region::Op::Diff);
      if (!frame.IsEmpty()) k->update = Region::Combine(k->update, frame, Region::Op::Or);
    }
    ReclaimCoveredFrames(k, surfaceArea);
  }
}

void ReclaimFramesUnder(WND* w, const Region& clientArea) {
  if (!(w->style & WS_CLIPCHILDREN) && !w->children.empty() && !clientArea.IsEmpty())
    ReclaimCoveredFrames(w, LocalToSurface(clientArea, w, true));
}

Region RegionFromArgs(WND* w, const RECT* r, HRGN rgn, bool frame) {
  RECT c = ClientInWindow(w);
  Region area;
  if (GdiRegion* g = GdiCheck(rgn, OBJ_REGION)) {
    area = g->rgn;
    area.Offset(c.Left, c.Top);
  } else if (r) {
    area = Region(RECT{r->Left + c.Left, r->Top + c.Top, r->Right + c.Left, r->Bottom + c.Top});
  } else {
    area = Region(frame ? WindowBox(w) : c);
  }
  return area;
}

}  // namespace

Region VisibleRegion(WND* w, bool client, bool clipChildren, bool clipSiblings) {
  if (!IsReallyVisible(w)) return Region();
  POINT o = WindowOriginInSurface(w);
  Region rgn = ShapeInSurface(w);
  if (client) {
    RECT c = ClientInWindow(w);
    rgn.IntersectRect(Bounds(o.X + c.Left, o.Y + c.Top, c.Width(), c.Height()));
  }
  if (clipSiblings && w->IsChild()) SubtractHigherSiblings(rgn, w);
  for (WND* cur = w; cur->IsChild(); cur = cur->parent) {
    WND* p = cur->parent;
    if (cur != w && (cur->style & WS_CLIPSIBLINGS)) SubtractHigherSiblings(rgn, cur);
    POINT po = WindowOriginInSurface(p);
    RECT pc = ClientInWindow(p);
    rgn.IntersectRect(Bounds(po.X + pc.Left, po.Y + pc.Top, pc.Width(), pc.Height()));
    rgn = Region::Combine(rgn, ShapeInSurface(p), Region::Op::And);
  }
  if (clipChildren)
    for (WND* k : w->children)
      if (k->style & WS_VISIBLE) rgn = Region::Combine(rgn, ShapeInSurface(k), Region::Op::Diff);
  return rgn;
}

bool WindowRegionContains(const WND* w, POINT p) {
  const Region* r = RegionOf(w);
  return !r || r->Contains(p.X, p.Y);
}

void EnsureSurface(WND* top) {
  int wdt = std::max(1, top->rect.Width()), hgt = std::max(1, top->rect.Height());
  if (top->surface.width == wdt && top->surface.height == hgt && !top->pixels.empty()) return;
  std::vector<std::uint32_t> pixels(std::size_t(wdt) * std::size_t(hgt), 0);
  int cw = std::min(wdt, top->surface.width), ch = std::min(hgt, top->surface.height);
  for (int y = 0; y < ch && !top->pixels.empty(); ++y)
    std::copy_n(top->pixels.begin() + std::ptrdiff_t(y) * top->surface.width, cw, pixels.begin() + std::ptrdiff_t(y) * wdt);
  top->pixels.swap(pixels);
  top->surface = Surface{};
  top->surface.top = reinterpret_cast<Byte*>(top->pixels.data());
  top->surface.pitch = std::ptrdiff_t(wdt) * 4;
  top->surface.width = wdt;
  top->surface.height = hgt;
  top->surface.bpp = 32;
  top->dirty = Region(Bounds(0, 0, wdt, hgt));
  UpdateWindowDCs(top);
}

void InvalidateWindowArea(WND* w, const Region& area, bool erase, bool frame, bool children) {
  Invalidate(w, area, erase, frame, children ? Kids::Default : Kids::None);
}

void InvalidateParentArea(WND* w, const RECT& parentCoords) {
  WND* p = w->parent;
  RECT c = ClientInWindow(p);
  Region area(RECT{parentCoords.Left + c.Left, parentCoords.Top + c.Top, parentCoords.Right + c.Left,
                   parentCoords.Bottom + c.Top});
  Invalidate(p, area, true, false, Kids::Default);
}

void ErasePendingNow(WND* w) {
  TWindowPin pin(w);
  if (w->ncPending || FrameInvalid(w)) {
    SendNcPaint(w);
    if (w->dead) return;
  }
  if (w->erasePending) {
    w->erasePending = false;
    Region area = ClientUpdate(w);
    ReclaimFramesUnder(w, area);
    HDC dc = MakeDC(w, true, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0, area);
    LRESULT r = SendMessage(HandleOf(w), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(HandleOf(w), dc);
    if (!w->dead) w->erasedEarly = true;
    if (!r && !w->dead) w->eraseFailed = true;
  }
}

WND* FindWindowToPaint() {
  for (WND* t : TopLevelWindows())
    if (WND* w = FindInTree(t)) return w;
  return nullptr;
}

void PresentDirtySurfaces() {
  TDisplay* d = CurrentDisplay();
  for (WND* t : TopLevelWindows()) PresentSurface(d, t);
}

void ForgetWindowDCs(WND* w) {
  for (TWindowDC& rec : DCs()) {
    if (!rec.w || (rec.w != w && TopLevelOf(rec.w) != w)) continue;
    // Drawing through a DC that outlives its window goes nowhere.
    rec.w = nullptr;
    Region empty;
    if (DeviceContext* dc = GdiCheckDC(rec.dc)) dc->surface = DummySurface();
    SetSurfaceDCOrigin(rec.dc, POINT{0, 0}, &empty);
  }
}

void UpdateWindowDCs(WND* top) {
  for (TWindowDC& rec : DCs())
    if (rec.w && TopLevelOf(rec.w) == top) Recompute(rec);
}

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
  return RedrawWindow(hwnd, r, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* r) { return RedrawWindow(hwnd, r, nullptr, RDW_VALIDATE | RDW_NOCHILDREN); }
BOOL ValidateRgn(HWND hwnd, HRGN rgn) { return RedrawWindow(hwnd, nullptr, rgn, RDW_VALIDATE | RDW_NOCHILDREN); }

BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN rgn, UINT flags) {
  if (!hwnd) {
    std::vector<WND*> tops = TopLevelWindows();
    for (WND* t : tops)
      if (IsLive(t)) RedrawWindow(HandleOf(t), r, rgn, flags);
    return TRUE;
  }
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  TWindowPin pin(w);
  Kids kids = (flags & RDW_ALLCHILDREN) ? Kids::All : (flags & RDW_NOCHILDREN) ? Kids::None : Kids::Default;
  if (flags & RDW_INVALIDATE) {
    Invalidate(w, RegionFromArgs(w, r, rgn, (flags & RDW_FRAME) != 0), (flags & RDW_ERASE) != 0,
               (flags & RDW_FRAME) != 0, kids);
  } else if (flags & RDW_VALIDATE) {
    std::optional<Region> area;
    if (r || rgn) area = RegionFromArgs(w, r, rgn, false);
    Validate(w, area, kids);
    if (flags & RDW_NOFRAME) w->ncPending = false;
  }
  if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
  if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  if (flags & RDW_NOERASE) w->erasePending = false;
  // With RDW_UPDATENOW each window erases in its own WM_PAINT, parents
  // first, so none erases ahead of a parent that then paints over it.
  if ((flags & RDW_ERASENOW) && !(flags & RDW_UPDATENOW)) {
    ErasePendingNow(w);
    if (w->dead) return TRUE;
    if (kids == Kids::All) {
      std::vector<WND*> list = w->children;
      for (WND* k : list)
        if (IsLive(k)) RedrawWindow(HandleOf(k), nullptr, nullptr, RDW_ERASENOW | RDW_ALLCHILDREN);
    }
  }
  if (flags & RDW_UPDATENOW) UpdateNow(w, kids != Kids::None);
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  UpdateNow(w, true);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* r, BOOL erase) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  if (erase) ErasePendingNow(w);
  if (w->dead) return FALSE;
  Region u = ClientUpdate(w);
  if (r) *r = u.IsEmpty() ? RECT{} : u.Box();
  return u.IsEmpty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  WND* w = LiveWindow(hwnd);
  GdiRegion* g = GdiCheck(rgn, OBJ_REGION);
  if (!w || !g) return ERROR;
  if (erase) ErasePendingNow(w);
  if (w->dead) return ERROR;
  g->rgn = ClientUpdate(w);
  return g->rgn.Complexity();
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  WND* w = LiveWindow(hwnd);
  if (!w || !ps) return nullptr;
  TWindowPin pin(w);
  if (w->ncPending || FrameInvalid(w)) {
    SendNcPaint(w);
    if (w->dead) return nullptr;
  }
  Region area = ClientUpdate(w);
  ReclaimFramesUnder(w, area);
  bool erase = w->erasePending;
  bool eraseFailed = w->eraseFailed;
  w->update.Clear();
  w->internalPaint = false;
  w->erasePending = false;
  w->eraseFailed = false;
  w->erasedEarly = false;
  HDC dc = MakeDC(w, true, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0, area);
  *ps = PAINTSTRUCT{};
  ps->hdc = dc;
  ps->rcPaint = area.IsEmpty() ? RECT{} : area.Box();
  ps->fErase = eraseFailed ? TRUE : FALSE;
  if (erase) ps->fErase = SendMessage(HandleOf(w), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  if (!hwnd) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) DCs().push_back(TWindowDC{dc, nullptr, true, false, false, std::nullopt, std::nullopt, false});
    return dc;
  }
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  bool client = !(flags & DCX_WINDOW);
  std::optional<Region> extra, exclude;
  if (GdiRegion* g = GdiCheck(clip, OBJ_REGION); g && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    Region local = g->rgn;
    POINT o = client ? ClientOriginScreen(w) : WindowOriginScreen(w);
    local.Offset(-o.X, -o.Y);
    if (flags & DCX_INTERSECTRGN) extra = local;
    else exclude = local;
  }
  return MakeDC(w, client, (flags & DCX_CLIPCHILDREN) != 0, (flags & DCX_CLIPSIBLINGS) != 0, extra, exclude,
                (flags & DCX_LOCKWINDOWUPDATE) != 0);
}

HDC GetDC(HWND hwnd) {
  WND* w = hwnd ? LiveWindow(hwnd) : nullptr;
  if (hwnd && !w) return nullptr;
  DWORD flags = 0;
  if (w && (w->style & WS_CLIPCHILDREN)) flags |= DCX_CLIPCHILDREN;
  if (w && (w->style & WS_CLIPSIBLINGS)) flags |= DCX_CLIPSIBLINGS;
  return GetDCEx(hwnd, nullptr, flags);
}

HDC GetWindowDC(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w) return nullptr;
  DWORD flags = DCX_WINDOW;
  if (w->style & WS_CLIPCHILDREN) flags |= DCX_CLIPCHILDREN;
  if (w->style & WS_CLIPSIBLINGS) flags |= DCX_CLIPSIBLINGS;
  return GetDCEx(hwnd, nullptr, flags);
}

int ReleaseDC(HWND, HDC dc) {
  auto& dcs = DCs();
  auto it = std::find_if(dcs.begin(), dcs.end(), [&](const TWindowDC& r) { return r.dc == dc; });
  if (it == dcs.end()) return 0;
  if (it->w) {
    WND* top = TopLevelOf(it->w);
    if (DeviceContext* d = GdiCheckDC(dc); d && d->visRgn) top->dirty = Region::Combine(top->dirty, *d->visRgn, Region::Op::Or);
  }
  DeleteDC(dc);
  dcs.erase(it);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  for (const TWindowDC& r : DCs())
    if (r.dc == dc) return HandleOf(r.w);
  return nullptr;
}

int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  if (rgn && !GdiCheck(rgn, OBJ_REGION)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  TWindowPin pin(w);
  const Region* oldShape = RegionOf(w);
  const Region before = oldShape ? *oldShape : Region(WindowBox(w));
  if (w->region && w->region != rgn) DeleteObject(w->region);
  w->region = rgn;
  if (!w->IsChild() && w->native && CurrentDisplay()) CurrentDisplay()->SetShape(w->native, RegionOf(w));
  UpdateWindowDCs(TopLevelOf(w));
  SetWindowPos(HandleOf(w), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0 : SWP_NOREDRAW));
  if (redraw && !w->dead && IsReallyVisible(w)) {
    if (w->IsChild()) InvalidateParentArea(w, w->rect);
    Invalidate(w, Region(WindowBox(w)), true, true, Kids::Default);
    // What the old region hid comes into view for every descendant there,
    // frames included: they painted clipped by it (a window sized before
    // its region follows).
    const Region* newShape = RegionOf(w);
    const Region shown =
        Region::Combine(newShape ? *newShape : Region(WindowBox(w)), before, Region::Op::Diff);
    if (!shown.IsEmpty()) Invalidate(w, shown, true, true, Kids::All);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  WND* w = LiveWindow(hwnd);
  GdiRegion* g = GdiCheck(rgn, OBJ_REGION);
  const Region* own = w ? RegionOf(w) : nullptr;
  if (!g || !own) return ERROR;
  g->rgn = *own;
  return g->rgn.Complexity();
}

const Surface* WindowSurface(HWND hwnd) {
  WND* w = LiveWindow(hwnd);
  if (!w || w->IsChild()) return nullptr;
  EnsureSurface(w);
  return &w->surface;
}

// DrawEdge: the classic two-line 3-D borders in the system colours.
#include <cstdint>
#include <limits>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

namespace {

void Line(DeviceContext& dc, const RECT& r, COLORREF c) {
  PaintRect(dc, LogicalToSurface(dc, r), SolidPaint(ColorToPixel(c)), R2_COPYPEN);
}

// One one-pixel border: top and left first, then bottom and right over
// them, so the top-right and bottom-left corners take the second colour.
void Border(DeviceContext& dc, const RECT& r, UINT flags, COLORREF tl, COLORREF br) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  if (flags & BF_TOP) Line(dc, RECT{r.Left, r.Top, r.Right, r.Top + 1}, tl);
  if (flags & BF_LEFT) Line(dc, RECT{r.Left, r.Top, r.Left + 1, r.Bottom}, tl);
  if (flags & BF_BOTTOM) Line(dc, RECT{r.Left, r.Bottom - 1, r.Right, r.Bottom}, br);
  if (flags & BF_RIGHT) Line(dc, RECT{r.Right - 1, r.Top, r.Right, r.Bottom}, br);
}

// One pixel, saturating: rectangles at the limits of int neither wrap nor
// overflow, and the adjusted rectangle never turns inside out.
int Step(int v, int by) {
  const std::int64_t s = std::int64_t(v) + by;
  return s > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
         : s < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                : int(s);
}

RECT Deflate(RECT r, UINT flags) {
  if (flags & BF_LEFT) r.Left = Step(r.Left, 1);
  if (flags & BF_TOP) r.Top = Step(r.Top, 1);
  if (flags & BF_RIGHT) r.Right = Step(r.Right, -1);
  if (flags & BF_BOTTOM) r.Bottom = Step(r.Bottom, -1);
  return r;
}

}  // namespace

BOOL DrawEdge(HDC h, RECT* rc, UINT edge, UINT flags) {
  DeviceContext* dc = GdiCheckDC(h);
  if (!dc || !rc) return FALSE;
  RECT r = *rc;
  const COLORREF light = GdiSysColor(COLOR_3DLIGHT), hilight = GdiSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GdiSysColor(COLOR_BTNSHADOW), dark = GdiSysColor(COLOR_3DDKSHADOW);
  const COLORREF face = GdiSysColor(COLOR_BTNFACE);
  const bool soft = flags & BF_SOFT;
  COLORREF oTL = 0, oBR = 0, iTL = 0, iBR = 0;
  bool outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  if (flags & BF_MONO) {
    oTL = oBR = GdiSysColor(COLOR_WINDOWFRAME);
    iTL = iBR = GdiSysColor(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    oTL = oBR = shadow;
    iTL = iBR = face;
  } else {
    if (edge & BDR_RAISEDOUTER) {
      oTL = soft ? hilight : light;
      oBR = dark;
    } else if (edge & BDR_SUNKENOUTER) {
      oTL = soft ? dark : shadow;
      oBR = hilight;
    }
    if (edge & BDR_RAISEDINNER) {
      iTL = soft ? light : hilight;
      iBR = shadow;
    } else if (edge & BDR_SUNKENINNER) {
      iTL = soft ? shadow : dark;
      iBR = light;
    }
  }
  if (flags & BF_DIAGONAL) {
    // A diagonal edge: one line across the rectangle in the outer colours.
    HPEN pen = CreatePen(PS_SOLID, 1, (flags & (BF_TOP | BF_LEFT)) == (BF_TOP | BF_LEFT) ? oBR : oTL);
    HGDIOBJ old = SelectObject(h, pen);
    POINT p;
    MoveToEx(h, 0, 0, &p);
    bool up = (flags & BF_BOTTOM) ? !(flags & BF_LEFT) : (flags & BF_RIGHT);
    if (up) {
      MoveToEx(h, r.Left, Step(r.Bottom, -1), nullptr);
      LineTo(h, r.Right, Step(r.Top, -1));
    } else {
      MoveToEx(h, r.Left, r.Top, nullptr);
      LineTo(h, r.Right, r.Bottom);
    }
    MoveToEx(h, p.X, p.Y, nullptr);
    SelectObject(h, old);
    DeleteObject(pen);
    if (flags & BF_ADJUST) *rc = RECT{r.Left, r.Top, r.Left, r.Top};
    return TRUE;
  }
  if (outer) {
    Border(*dc, r, flags, oTL, oBR);
    r = Deflate(r, flags);
  }
  if (inner) {
    Border(*dc, r, flags, iTL, iBR);
    r = Deflate(r, flags);
  }
  if ((flags & BF_MIDDLE) && r.Right > r.Left && r.Bottom > r.Top)
    Line(*dc, r, (flags & BF_MONO) ? GdiSysColor(COLOR_WINDOW) : face);
  if (flags & BF_ADJUST) *rc = r;
  return TRUE;
}

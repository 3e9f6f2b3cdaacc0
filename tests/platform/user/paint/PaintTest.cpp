#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace {

// Paints the whole client area of a window in one colour.
TRecorder::THandler PaintWith(COLORREF color) {
  return [color](HWND h, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_PAINT) return 0;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    HBRUSH b = CreateSolidBrush(color);
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    handled = true;
    return 0;
  };
}

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);

// The parent's invalid area covers the child, frame included.
TEST_F(WindowTest, PaintComesOnlyWhenTheQueueIsEmptyParentsFirst) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, p);
  Pump();
  ClearLog();
  InvalidateRect(p, nullptr, TRUE);
  PostMessage(c, WM_USER, 0, 0);
  Pump();
  EXPECT_EQ(Trace({WM_USER, WM_PAINT, WM_ERASEBKGND, WM_NCPAINT}),
            (Strings{"c:USER", "p:PAINT", "p:ERASEBKGND", "c:PAINT", "c:NCPAINT", "c:ERASEBKGND"}));
}

TEST_F(WindowTest, ClipChildrenKeepsTheParentsPaintOffItsChildren) {
  struct TCase {
    DWORD parentStyle;
    Strings paints;
    COLORREF underChildAfterParentOnlyPaint;
  };
  const TCase cases[] = {
      {0, {"p:PAINT", "c:PAINT"}, kBlue},
      {WS_CLIPCHILDREN, {"p:PAINT"}, kBlue},
  };
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.parentStyle);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE | tc.parentStyle, 0, 0, 100, 100);
    HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, p);
    Handle(p, PaintWith(kRed));
    Handle(c, PaintWith(kBlue));
    Pump();
    EXPECT_EQ(SurfacePixel(p, 5, 5), kRed);
    EXPECT_EQ(SurfacePixel(p, 20, 20), kBlue);
    ClearLog();
    InvalidateRect(p, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Trace({WM_PAINT}), tc.paints);
    EXPECT_EQ(SurfacePixel(p, 20, 20), tc.underChildAfterParentOnlyPaint);
    // Painting the parent outside WM_PAINT honours WS_CLIPCHILDREN too.
    HDC dc = GetDC(p);
    RECT all{0, 0, 100, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(p, dc);
    EXPECT_EQ(SurfacePixel(p, 20, 20), tc.parentStyle ? kBlue : kWhite);
    DestroyWindow(p);
  }
}

TEST_F(WindowTest, ClipSiblingsKeepsALowerSiblingUnderTheUpperOne) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
  // The first child created stays on top.
  HWND high = Make("high", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 25, 25, 50, 50, p);
  HWND low = Make("low", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 50, 50, p);
  Handle(low, PaintWith(kRed));
  Handle(high, PaintWith(kBlue));
  Pump();
  InvalidateRect(low, nullptr, FALSE);
  Pump();
  EXPECT_EQ(SurfacePixel(p, 10, 10), kRed);
  EXPECT_EQ(SurfacePixel(p, 30, 30), kBlue);  // high stays on top
}

TEST_F(WindowTest, BeginPaintErasesThroughTheProcedureChainAndReportsTheArea) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Pump();
  RECT r{10, 20, 30, 40};
  InvalidateRect(w, &r, TRUE);
  RECT u;
  EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u, r);
  PAINTSTRUCT ps;
  ClearLog();
  HDC dc = BeginPaint(w, &ps);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(Trace({WM_ERASEBKGND}), (Strings{"w:ERASEBKGND"}));
  EXPECT_EQ(ps.rcPaint, r);
  EXPECT_FALSE(ps.fErase);  // the default procedure erased with the class brush
  RECT clip;
  GetClipBox(dc, &clip);
  EXPECT_EQ(clip, r);
  EndPaint(w, &ps);
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
  // Invalidation without erase: no WM_ERASEBKGND.
  InvalidateRect(w, nullptr, FALSE);
  ClearLog();
  Pump();
  EXPECT_EQ(Trace({WM_PAINT, WM_ERASEBKGND}), (Strings{"w:PAINT"}));
}

TEST_F(WindowTest, EraseBackgroundReturningZeroLeavesFEraseSet) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Pump();
  Handle(w, [](HWND, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = m == WM_ERASEBKGND;
    return 0;
  });
  InvalidateRect(w, nullptr, TRUE);
  PAINTSTRUCT ps;
  BeginPaint(w, &ps);
  EXPECT_TRUE(ps.fErase);
  EndPaint(w, &ps);
}

TEST_F(WindowTest, UpdateWindowPaintsAtOnceAndValidateRectCancels) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Pump();
  InvalidateRect(w, nullptr, TRUE);
  ClearLog();
  UpdateWindow(w);
  EXPECT_EQ(Trace({WM_PAINT}), (Strings{"w:PAINT"}));
  InvalidateRect(w, nullptr, TRUE);
  ValidateRect(w, nullptr);
  ClearLog();
  Pump();
  EXPECT_TRUE(Trace({WM_PAINT}).empty());
}

TEST_F(WindowTest, RedrawWindowFlags) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w);
  Pump();
  ClearLog();
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ERASENOW | RDW_NOCHILDREN);
  EXPECT_EQ(Trace({WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (Strings{"w:NCPAINT", "w:ERASEBKGND"}));
  RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW);
  EXPECT_EQ(Trace({WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (Strings{"w:NCPAINT", "w:ERASEBKGND", "w:PAINT"}));
  ClearLog();
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(Trace({WM_PAINT}), (Strings{"w:PAINT", "c:PAINT"}));
  ClearLog();
  RedrawWindow(w, nullptr, nullptr, RDW_INTERNALPAINT);
  Pump();
  EXPECT_EQ(Trace({WM_PAINT}), (Strings{"w:PAINT"}));
}

TEST_F(WindowTest, WindowRegionClipsPaintingAndHitTesting) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 40, 40, p);
  Handle(p, PaintWith(kRed));
  Handle(c, PaintWith(kBlue));
  HRGN first = CreateRectRgn(0, 0, 40, 40);
  EXPECT_EQ(SetWindowRgn(c, first, TRUE), 1);
  HRGN rgn = CreateRectRgn(0, 0, 20, 20);  // top-left quarter only
  EXPECT_EQ(SetWindowRgn(c, rgn, TRUE), 1);
  EXPECT_EQ(GetObjectType(first), 0u);  // the replaced region was freed
  Pump();
  EXPECT_EQ(SurfacePixel(p, 10, 10), kBlue);
  EXPECT_EQ(SurfacePixel(p, 30, 30), kRed);
  EXPECT_EQ(WindowFromPoint(Point(10, 10)), c);
  EXPECT_EQ(WindowFromPoint(Point(30, 30)), p);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(c, copy), SIMPLEREGION);
  RECT box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box, Rect(0, 0, 20, 20));
  DeleteObject(copy);
  SetWindowRgn(c, nullptr, TRUE);
  EXPECT_EQ(GetObjectType(rgn), 0u);
  EXPECT_EQ(WindowFromPoint(Point(30, 30)), c);
}

// A window sized before its region follows (a skinned form maximised): its
// children paint their frames at once, clipped by the old region; what the
// new region shows of them is painted again, frames too, whatever
// WS_CLIPCHILDREN says.
TEST_F(WindowTest, AGrowingRegionRepaintsTheChildFramesItUncovers) {
  static const COLORREF kGreen = RGB(0, 200, 0);
  HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 20, 20, p);
  Handle(p, PaintWith(kRed));
  Handle(c, [](HWND h, UINT m, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
    if (m == WM_NCPAINT) {
      HDC dc = GetWindowDC(h);
      RECT r;
      GetWindowRect(h, &r);
      RECT all{0, 0, r.Width(), r.Height()};
      HBRUSH b = CreateSolidBrush(kGreen);
      FillRect(dc, &all, b);
      DeleteObject(b);
      ReleaseDC(h, dc);
      handled = true;
      return 0;
    }
    return PaintWith(kBlue)(h, m, wp, lp, handled);
  });
  SetWindowRgn(p, CreateRectRgn(0, 0, 50, 50), TRUE);
  Pump();
  SetWindowPos(c, nullptr, 10, 10, 80, 80, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowRgn(p, nullptr, TRUE);
  Pump();
  const struct {
    int x, y;
    COLORREF expected;
  } points[] = {{20, 10, kGreen}, {80, 10, kGreen}, {10, 80, kGreen}, {89, 60, kGreen},
                {60, 89, kGreen}, {30, 30, kBlue},  {70, 70, kBlue},  {95, 95, kRed}};
  for (const auto& pt : points)
    EXPECT_EQ(SurfacePixel(p, pt.x, pt.y), pt.expected) << pt.x << "," << pt.y;
}

TEST_F(WindowTest, WindowDCCoversTheFrameAndClientDCStartsAtTheClient) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 30, 30, p);
  Pump();
  HDC wdc = GetWindowDC(c);
  SetPixel(wdc, 0, 0, kRed);
  ReleaseDC(c, wdc);
  HDC cdc = GetDC(c);
  SetPixel(cdc, 0, 0, kBlue);
  SetPixel(cdc, -1, -1, kBlue);  // outside the client area: clipped
  ReleaseDC(c, cdc);
  EXPECT_EQ(SurfacePixel(p, 10, 10), kRed);
  EXPECT_EQ(SurfacePixel(p, 11, 11), kBlue);
}

TEST_F(WindowTest, DCOutlivingItsWindowDrawsNowhere) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HDC dc = GetDC(w);
  DestroyWindow(w);
  RECT r{0, 0, 100, 100};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));  // must not touch freed pixels
  EXPECT_EQ(ReleaseDC(w, dc), 1);
}

TEST_F(WindowTest, MovingAChildRepaintsWhatItUncovered) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, p);
  Handle(p, PaintWith(kRed));
  Handle(c, PaintWith(kBlue));
  Pump();
  EXPECT_EQ(SurfacePixel(p, 5, 5), kBlue);
  MoveWindow(c, 50, 50, 20, 20, TRUE);
  Pump();
  EXPECT_EQ(SurfacePixel(p, 5, 5), kRed);
  EXPECT_EQ(SurfacePixel(p, 55, 55), kBlue);
  ShowWindow(c, SW_HIDE);
  Pump();
  EXPECT_EQ(SurfacePixel(p, 55, 55), kRed);
}

// A parent without WS_CLIPCHILDREN paints over its child's frame (and over
// a background the child erased when it was shown or moved); the child's
// update region covers its whole window, so its WM_PAINT brings a
// WM_NCPAINT that draws the border and scroll bars again, and the erase.
TEST_F(WindowTest, ChildFrameSurvivesTheParentsRepaint) {
  struct TCase {
    const char* name;
    DWORD parentStyle;
    std::function<void(HWND p, HWND c)> action;
    Strings order;
  };
  const TCase cases[] = {
      {"first paint", 0, [](HWND, HWND) {}, {"p:PAINT", "p:ERASEBKGND", "c:PAINT", "c:NCPAINT", "c:ERASEBKGND"}},
      {"parent invalidated", 0, [](HWND p, HWND) { InvalidateRect(p, nullptr, TRUE); },
       {"p:PAINT", "p:ERASEBKGND", "c:PAINT", "c:NCPAINT", "c:ERASEBKGND"}},
      {"parent invalidated over the bar only", 0,
       [](HWND p, HWND) {
         RECT r{85, 40, 105, 50};  // the child's client edge and its bar
         InvalidateRect(p, &r, TRUE);
       },
       {"p:PAINT", "p:ERASEBKGND", "c:PAINT", "c:NCPAINT", "c:ERASEBKGND"}},
      {"child moved", 0, [](HWND, HWND c) { MoveWindow(c, 12, 12, 100, 100, TRUE); },
       {"c:NCPAINT", "c:ERASEBKGND", "p:PAINT", "p:ERASEBKGND", "c:PAINT", "c:NCPAINT", "c:ERASEBKGND"}},
      {"clipping parent", WS_CLIPCHILDREN, [](HWND p, HWND) { InvalidateRect(p, nullptr, TRUE); },
       {"p:PAINT", "p:ERASEBKGND"}},
  };
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    ClearLog();
    HWND p = Make("p", WS_POPUP | WS_VISIBLE | tc.parentStyle, 0, 0, 200, 200);
    HWND c = Make("c", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL, 10, 10, 100, 100, p);
    Handle(p, PaintWith(kRed));
    ClearLog();
    if (std::string(tc.name) != "first paint") Pump(), ClearLog();
    tc.action(p, c);
    Pump();
    EXPECT_EQ(Trace({WM_PAINT, WM_ERASEBKGND, WM_NCPAINT}), tc.order);
    RECT w;
    GetWindowRect(c, &w);
    SCROLLBARINFO v, h;
    ASSERT_TRUE(GetScrollBarInfo(c, OBJID_VSCROLL, &v));
    ASSERT_TRUE(GetScrollBarInfo(c, OBJID_HSCROLL, &h));
    EXPECT_EQ(SurfacePixel(p, 5, 5), kRed);
    EXPECT_EQ(SurfacePixel(p, w.Left, w.Top), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(SurfacePixel(p, w.Right - 1, w.Bottom - 1), GetSysColor(COLOR_WINDOWFRAME));
    const int vx = (v.rcScrollBar.Left + v.rcScrollBar.Right) / 2;
    const int hy = (h.rcScrollBar.Top + h.rcScrollBar.Bottom) / 2;
    EXPECT_EQ(SurfacePixel(p, vx, v.rcScrollBar.Top + v.xyThumbBottom + 5), GetSysColor(COLOR_SCROLLBAR));
    EXPECT_EQ(SurfacePixel(p, h.rcScrollBar.Left + h.xyThumbBottom + 5, hy), GetSysColor(COLOR_SCROLLBAR));
    EXPECT_EQ(SurfacePixel(p, w.Left + 20, w.Top + 20), GetSysColor(COLOR_WINDOW));
    DestroyWindow(p);
  }
}

}  // namespace

namespace {

// Children made visible under a hidden parent (a dialog's controls, created
// before it shows) are painted when the parent comes into view.
TEST_F(WindowTest, ShowingAWindowPaintsChildrenMadeVisibleWhileItWasHidden) {
  for (DWORD clip : {DWORD(0), DWORD(WS_CLIPCHILDREN)}) {
    SCOPED_TRACE(clip);
    HWND p = Make("p", WS_POPUP | clip, 0, 0, 100, 100);
    HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, p);
    HWND g = Make("g", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, c);
    Handle(p, PaintWith(kRed));
    Handle(c, PaintWith(kBlue));
    Handle(g, PaintWith(kWhite));
    Pump();
    ShowWindow(p, SW_SHOW);
    Pump();
    EXPECT_EQ(SurfacePixel(p, 5, 5), kRed);
    EXPECT_EQ(SurfacePixel(p, 12, 12), kBlue);
    EXPECT_EQ(SurfacePixel(p, 17, 17), kWhite);
    DestroyWindow(p);
  }
}

}  // namespace

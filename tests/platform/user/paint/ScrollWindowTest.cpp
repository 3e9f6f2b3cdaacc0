#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace {

// Row y of the client area gets a colour of its own.
// A 32-bit top-down DIB selected into a new memory DC.
HDC MakeBitmapDC(int w, int h, HBITMAP* bm) {
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = -h;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  *bm = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, *bm);
  return dc;
}

void FreeBitmapDC(HDC dc, HBITMAP bm) {
  DeleteDC(dc);
  DeleteObject(bm);
}

COLORREF RowColor(int y) { return RGB(y, 255 - y, 7); }

TRecorder::THandler PaintRows() {
  return [](HWND h, UINT m, WPARAM, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_PAINT) return 0;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    for (int y = 0; y < r.Bottom; ++y) {
      HBRUSH b = CreateSolidBrush(RowColor(y));
      RECT row = Rect(0, y, r.Right, y + 1);
      FillRect(dc, &row, b);
      DeleteObject(b);
    }
    EndPaint(h, &ps);
    handled = true;
    return 0;
  };
}

class ScrollWindowTest : public WindowTest {
 protected:
  HWND p = nullptr;
  void SetUp() override {
    WindowTest::SetUp();
    p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
    Handle(p, PaintRows());
    Pump();
    ClearLog();
  }
};

TEST_F(ScrollWindowTest, MovesPixelsAndInvalidatesTheUncoveredStrip) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  RECT rc{};
  EXPECT_EQ(ScrollWindowEx(p, 0, -20, nullptr, nullptr, rgn, &rc, SW_INVALIDATE), SIMPLEREGION);
  EXPECT_EQ(rc, Rect(0, 80, 100, 100));
  RECT box;
  EXPECT_EQ(GetRgnBox(rgn, &box), SIMPLEREGION);
  EXPECT_EQ(box, rc);
  EXPECT_EQ(SurfacePixel(p, 50, 0), RowColor(20));
  EXPECT_EQ(SurfacePixel(p, 50, 79), RowColor(99));
  RECT upd;
  ASSERT_TRUE(GetUpdateRect(p, &upd, FALSE));
  EXPECT_EQ(upd, Rect(0, 80, 100, 100));
  Pump();
  EXPECT_EQ(Trace({WM_PAINT, WM_ERASEBKGND}), (Strings{"p:PAINT"}));  // no SW_ERASE
  ClearLog();
  ScrollWindowEx(p, 0, 5, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  Pump();
  EXPECT_EQ(Trace({WM_PAINT, WM_ERASEBKGND}), (Strings{"p:PAINT", "p:ERASEBKGND"}));
  DeleteObject(rgn);
}

TEST_F(ScrollWindowTest, ScrollAndClipRectanglesLimitTheMove) {
  RECT scroll = Rect(0, 0, 100, 50);
  RECT rc;
  EXPECT_EQ(ScrollWindowEx(p, 0, 10, &scroll, &scroll, nullptr, &rc, 0), SIMPLEREGION);
  EXPECT_EQ(rc, Rect(0, 0, 100, 10));
  EXPECT_EQ(SurfacePixel(p, 5, 10), RowColor(0));
  EXPECT_EQ(SurfacePixel(p, 5, 49), RowColor(39));
  EXPECT_EQ(SurfacePixel(p, 5, 50), RowColor(50));  // outside the clip: untouched
  RECT upd;
  EXPECT_FALSE(GetUpdateRect(p, &upd, FALSE));  // nothing invalidated without SW_INVALIDATE
  // Scrolling both ways leaves an L-shaped strip.
  EXPECT_EQ(ScrollWindowEx(p, -10, -10, nullptr, nullptr, nullptr, &rc, 0), COMPLEXREGION);
  EXPECT_EQ(rc, Rect(0, 0, 100, 100));
  EXPECT_EQ(ScrollWindowEx(p, 0, 0, nullptr, nullptr, nullptr, &rc, 0), NULLREGION);
}

TEST_F(ScrollWindowTest, PendingUpdateRegionMovesWithTheBits) {
  RECT inv = Rect(0, 50, 100, 60);
  InvalidateRect(p, &inv, FALSE);
  ScrollWindowEx(p, 0, -20, nullptr, nullptr, nullptr, nullptr, 0);
  RECT upd;
  ASSERT_TRUE(GetUpdateRect(p, &upd, FALSE));
  EXPECT_EQ(upd, Rect(0, 30, 100, 40));
}

TEST_F(ScrollWindowTest, ChildrenMoveOnlyWhenAsked) {
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 50, 20, 20, p);
  Pump();
  ScrollWindowEx(p, 0, -20, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  RECT r;
  GetWindowRect(c, &r);
  EXPECT_EQ(r.Top, 50);
  ScrollWindowEx(p, 0, -20, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_SCROLLCHILDREN);
  GetWindowRect(c, &r);
  EXPECT_EQ(r.Top, 30);
  ASSERT_TRUE(ScrollWindow(p, 5, 0, nullptr, nullptr));  // no rectangle: children move
  GetWindowRect(c, &r);
  EXPECT_EQ(r.Left, 15);
  RECT part = Rect(0, 0, 100, 100);
  ScrollWindow(p, 5, 0, &part, nullptr);
  GetWindowRect(c, &r);
  EXPECT_EQ(r.Left, 15);
}

TEST(ScrollDCTest, MovesMemoryPixelsAndReportsTheUncoveredArea) {
  HBITMAP bm;
  HDC dc = MakeBitmapDC(10, 10, &bm);
  SetPixel(dc, 2, 2, RGB(255, 0, 0));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  RECT rc;
  ASSERT_TRUE(ScrollDC(dc, 3, 1, nullptr, nullptr, rgn, &rc));
  EXPECT_EQ(GetPixel(dc, 5, 3), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 5, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 0, 0));  // uncovered pixels keep what they had
  EXPECT_EQ(rc, Rect(0, 0, 10, 10));
  EXPECT_EQ(GetRgnBox(rgn, &rc), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(rgn, 1, 5));
  EXPECT_TRUE(PtInRegion(rgn, 5, 0));
  EXPECT_FALSE(PtInRegion(rgn, 5, 5));
  DeleteObject(rgn);
  FreeBitmapDC(dc, bm);
}

TEST_F(ScrollWindowTest, LockedWindowDrawsNothingUntilUnlocked) {
  HWND other = Make("o", WS_POPUP | WS_VISIBLE, 200, 0, 50, 50);
  Pump();
  ASSERT_TRUE(LockWindowUpdate(p));
  EXPECT_FALSE(LockWindowUpdate(other));
  HDC dc = GetDC(p);
  RECT all = Rect(0, 0, 100, 100);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(p, dc);
  EXPECT_EQ(SurfacePixel(p, 50, 50), RowColor(50));
  dc = GetDCEx(p, nullptr, DCX_LOCKWINDOWUPDATE);
  RECT one = Rect(0, 0, 1, 1);
  FillRect(dc, &one, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(p, dc);
  EXPECT_EQ(SurfacePixel(p, 0, 0), RGB(0, 0, 0));
  ClearLog();
  ASSERT_TRUE(LockWindowUpdate(nullptr));
  EXPECT_FALSE(LockWindowUpdate(nullptr));
  Pump();
  EXPECT_EQ(Trace({WM_PAINT}), (Strings{"p:PAINT"}));
  EXPECT_EQ(SurfacePixel(p, 0, 0), RowColor(0));
}

TEST_F(WindowTest, PrintDrawsFrameClientAndChildrenIntoTheDC) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 30, 30, p);
  HWND g = Make("g", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, c);
  Handle(g, [](HWND, UINT m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_PRINTCLIENT) return 0;
    RECT big = Rect(-50, -50, 100, 100);  // more than its area: the clip keeps it in
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(reinterpret_cast<HDC>(wp), &big, red);
    DeleteObject(red);
    handled = true;
    return 0;
  });
  HBITMAP bm;
  HDC dc = MakeBitmapDC(30, 30, &bm);
  ClearLog();
  SendMessage(c, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  EXPECT_EQ(Trace({WM_ERASEBKGND, WM_PAINT}), (Strings{"c:ERASEBKGND", "g:ERASEBKGND"}));
  EXPECT_EQ(TRecorder::Get().Of(g, WM_PRINTCLIENT).size(), 1u);
  EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(GetPixel(dc, 29, 29), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(GetPixel(dc, 1 + 4, 1 + 4), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(GetPixel(dc, 1 + 5, 1 + 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1 + 14, 1 + 14), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1 + 15, 1 + 15), GetSysColor(COLOR_WINDOW));
  // Without PRF_NONCLIENT the frame stays as it was.
  RECT all = Rect(0, 0, 30, 30);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SendMessage(c, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 1), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(GetPixel(dc, 1 + 5, 1 + 5), GetSysColor(COLOR_WINDOW));  // no children asked for
  // PRF_CHECKVISIBLE skips hidden windows.
  ShowWindow(c, SW_HIDE);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SendMessage(c, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CHECKVISIBLE | PRF_NONCLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  FreeBitmapDC(dc, bm);
}

std::vector<std::string> g_propNames;
BOOL RecordProp(HWND, const char* name, HANDLE) {
  g_propNames.push_back(name);
  return TRUE;
}

TEST_F(WindowTest, PropertiesByNameAndAtom) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  int a = 1, b = 2;
  EXPECT_EQ(EnumProps(w, RecordProp), -1);
  ASSERT_TRUE(SetProp(w, "Skin", &a));
  ASSERT_TRUE(SetProp(w, reinterpret_cast<const char*>(std::uintptr_t(0xC001)), &b));
  EXPECT_EQ(GetProp(w, "SKIN"), &a);
  EXPECT_EQ(GetProp(w, reinterpret_cast<const char*>(std::uintptr_t(0xC001))), &b);
  EXPECT_EQ(GetProp(w, "other"), nullptr);
  ASSERT_TRUE(SetProp(w, "skin", &b));  // replaces
  EXPECT_EQ(GetProp(w, "Skin"), &b);
  g_propNames.clear();
  EXPECT_EQ(EnumProps(w, RecordProp), TRUE);
  EXPECT_EQ(g_propNames, (std::vector<std::string>{"#49153", "Skin"}));
  EXPECT_EQ(RemoveProp(w, "SKIN"), &b);
  EXPECT_EQ(RemoveProp(w, "SKIN"), nullptr);
  DestroyWindow(w);
  EXPECT_EQ(GetProp(w, "Skin"), nullptr);
  EXPECT_FALSE(SetProp(w, "Skin", &a));
}

TEST_F(WindowTest, MinimizedWindowKeepsItsPlaceButTakesNoMouse) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  ASSERT_EQ(WindowFromPoint(Point(50, 50)), w);
  ClearLog();
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(WindowFromPoint(Point(50, 50)), nullptr);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Bounds(0, 0, 100, 100));
  auto sizes = TRecorder::Get().Of(w, WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().wp, SIZE_MINIMIZED);
  ShowWindow(w, SW_RESTORE);
  EXPECT_EQ(WindowFromPoint(Point(50, 50)), w);
}

}  // namespace

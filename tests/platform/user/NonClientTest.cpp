#include <gtest/gtest.h>

#include "WindowTestSupport.h"

namespace {

struct TFrameCase {
  const char* name;
  DWORD style;
  DWORD ex;
  RECT client;  // in window coordinates of a 100x80 child
};

TEST_F(WindowTest, DefaultChildFramesSplitTheWindow) {
  const TFrameCase cases[] = {
      {"plain", 0, 0, Rect(0, 0, 100, 80)},
      {"border", WS_BORDER, 0, Rect(1, 1, 99, 79)},
      {"client edge", 0, WS_EX_CLIENTEDGE, Rect(2, 2, 98, 78)},
      {"border and client edge", WS_BORDER, WS_EX_CLIENTEDGE, Rect(3, 3, 97, 77)},
      {"static edge", 0, WS_EX_STATICEDGE, Rect(1, 1, 99, 79)},
      {"dialog frame", WS_DLGFRAME, 0, Rect(3, 3, 97, 77)},
      {"vertical scroll bar", WS_VSCROLL, 0, Rect(0, 0, 83, 80)},
      {"both scroll bars and border", WS_BORDER | WS_VSCROLL | WS_HSCROLL, 0, Rect(1, 1, 82, 62)},
      {"caption", WS_CAPTION, 0, Rect(3, 26, 97, 77)},
  };
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  for (const TFrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_CHILD | WS_VISIBLE | c.style, 10, 10, 100, 80, p, c.ex);
    POINT o{0, 0};
    ClientToScreen(w, &o);
    RECT wr, cr;
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    EXPECT_EQ(Bounds(o.X - wr.Left, o.Y - wr.Top, cr.Right, cr.Bottom), c.client);
    RECT adjusted = c.client;
    AdjustWindowRectEx(&adjusted, c.style | WS_CHILD, FALSE, c.ex);
    EXPECT_EQ(adjusted, Rect(0, 0, 100, 80));
    DestroyWindow(w);
  }
}

struct THitCase {
  int x, y;  // window coordinates
  int hit;
};

TEST_F(WindowTest, DefaultHitTestCodes) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  HWND w = Make("w", WS_CHILD | WS_VISIBLE | WS_THICKFRAME | WS_CAPTION | WS_VSCROLL | WS_HSCROLL, 0, 0, 200, 200, p);
  const int b = 4;  // SM_CXFRAME / 2
  const THitCase cases[] = {
      {0, 0, HTTOPLEFT},       {199, 0, HTTOPRIGHT},   {0, 199, HTBOTTOMLEFT}, {199, 199, HTBOTTOMRIGHT},
      {0, 100, HTLEFT},        {199, 100, HTRIGHT},    {100, 0, HTTOP},        {100, 199, HTBOTTOM},
      {100, b + 5, HTCAPTION}, {100, 100, HTCLIENT},   {200 - b - 5, 100, HTVSCROLL},
      {100, 200 - b - 5, HTHSCROLL}, {200 - b - 5, 200 - b - 5, HTGROWBOX}, {250, 250, HTNOWHERE},
  };
  for (const THitCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), c.hit);
  }
}

TEST_F(WindowTest, DefaultNcPaintDrawsTheClientEdge) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
  Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 40, 40, p, WS_EX_CLIENTEDGE);
  Pump();
  const Surface* s = WindowSurface(p);
  auto px = [&](int x, int y) { return reinterpret_cast<const std::uint32_t*>(s->Row(y))[x] & 0xFFFFFF; };
  auto bgrx = [](COLORREF c) { return std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c); };
  // Sunken: shadow on the outer top-left, highlight on the outer bottom-right.
  EXPECT_EQ(px(10, 10), bgrx(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(px(49, 49), bgrx(GetSysColor(COLOR_BTNHIGHLIGHT)));
  EXPECT_EQ(px(20, 20), bgrx(GetSysColor(COLOR_WINDOW)));
}

}  // namespace

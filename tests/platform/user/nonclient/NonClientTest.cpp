#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "tests/platform/user/WindowTestSupport.h"

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
      // The sizing frame is SM_CXFRAME wide, as the metric says.
      {"thick frame", WS_THICKFRAME, 0, Rect(8, 8, 92, 72)},
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
  const int b = GetSystemMetrics(SM_CXFRAME);
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

struct TNamedHit {
  const char* name;
  int x, y;  // window coordinates
  int hit;
};

// Caption of a 200x150 child with a thick frame: border 8, caption 23 high,
// buttons 23 wide.
TEST_F(WindowTest, ChildCaptionReportsItsButtons) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400);
  HWND w = Make("w", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                0, 0, 200, 150, p);
  HWND plain = Make("plain", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_BORDER, 0, 200, 200, 150, p);
  HWND tool = Make("tool", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX, 200, 200, 200, 150, p,
                   WS_EX_TOOLWINDOW);
  const struct {
    HWND w;
    TNamedHit c;
  } cases[] = {
      {w, {"window menu", 10, 15, HTSYSMENU}},   {w, {"caption", 80, 15, HTCAPTION}},
      {w, {"close", 185, 15, HTCLOSE}},          {w, {"close's left column", 169, 15, HTCLOSE}},
      {w, {"maximize", 168, 15, HTMAXBUTTON}},   {w, {"maximize's left column", 146, 15, HTMAXBUTTON}},
      {w, {"minimize", 145, 15, HTMINBUTTON}},   {w, {"minimize's left column", 123, 15, HTMINBUTTON}},
      {w, {"caption before minimize", 122, 15, HTCAPTION}}, {w, {"below the caption", 100, 31, HTCLIENT}},
      {plain, {"no window menu", 10, 15, HTCAPTION}}, {plain, {"no close", 185, 15, HTCAPTION}},
      {tool, {"tool close", 185, 15, HTCLOSE}},  {tool, {"tool: no icon, no maximize", 10, 15, HTCAPTION}},
      {tool, {"tool: beside close", 160, 15, HTCAPTION}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.c.name);
    RECT r;
    GetWindowRect(c.w, &r);
    EXPECT_EQ(SendMessage(c.w, WM_NCHITTEST, 0, MAKELPARAM(r.Left + c.c.x, r.Top + c.c.y)), c.c.hit);
  }
}

// A top-level window that answers WM_NCCALCSIZE itself with a 6-pixel frame
// and a 30-pixel caption band: the default hit test reads the frame from the
// style (SM_CXFRAME when sizable) and takes the band above the client area
// as the caption.
TEST_F(WindowTest, OwnFrameHitTestFollowsStyleAndRectangles) {
  auto ownFrame = [](HWND, UINT m, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
    if (m != WM_NCCALCSIZE) return 0;
    handled = true;
    RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
    r->Left += 6;
    r->Right -= 6;
    r->Bottom -= 6;
    r->Top += 36;
    return 0;
  };
  HWND sizable = Make("sizable", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  HWND fixed = Make("fixed", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 100, 400, 300, 200);
  for (HWND h : {sizable, fixed}) {
    Handle(h, ownFrame);
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  RECT cr;
  GetClientRect(sizable, &cr);
  ASSERT_EQ(cr, Rect(0, 0, 288, 158));
  const int f = GetSystemMetrics(SM_CXFRAME);
  const struct {
    HWND w;
    TNamedHit c;
  } cases[] = {
      {sizable, {"top left", 0, 0, HTTOPLEFT}},        {sizable, {"top right", 299, 0, HTTOPRIGHT}},
      {sizable, {"bottom left", 0, 199, HTBOTTOMLEFT}}, {sizable, {"bottom right", 299, 199, HTBOTTOMRIGHT}},
      {sizable, {"corner along the left edge", 2, 20, HTTOPLEFT}},
      {sizable, {"left", 2, 100, HTLEFT}},             {sizable, {"right", 297, 100, HTRIGHT}},
      {sizable, {"top", 150, 1, HTTOP}},               {sizable, {"bottom", 150, 198, HTBOTTOM}},
      {sizable, {"top frame's inner row", 150, f - 1, HTTOP}},
      {sizable, {"caption", 150, f, HTCAPTION}},       {sizable, {"caption's last row", 150, 35, HTCAPTION}},
      {sizable, {"client", 150, 36, HTCLIENT}},        {sizable, {"close", 280, 20, HTCLOSE}},
      {sizable, {"maximize", 260, 20, HTMAXBUTTON}},   {sizable, {"minimize", 240, 20, HTMINBUTTON}},
      {sizable, {"window menu", 20, 20, HTSYSMENU}},
      {fixed, {"fixed edge", 1, 100, HTBORDER}},       {fixed, {"fixed top edge", 150, 1, HTBORDER}},
      {fixed, {"fixed caption", 150, 10, HTCAPTION}},  {fixed, {"fixed close", 285, 10, HTCLOSE}},
      {fixed, {"fixed: no maximize box", 260, 10, HTCAPTION}},
      {fixed, {"fixed bottom", 150, 197, HTBORDER}},   {fixed, {"outside", 150, 250, HTNOWHERE}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.c.name);
    RECT r;
    GetWindowRect(c.w, &r);
    EXPECT_EQ(SendMessage(c.w, WM_NCHITTEST, 0, MAKELPARAM(r.Left + c.c.x, r.Top + c.c.y)), c.c.hit);
  }
}

// SM_CXFRAME is the sizing frame the layer draws: the frame's face runs
// to it and the client starts right after.
TEST_F(WindowTest, DrawnSizingFrameIsSmCxFrameWide) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
  Make("c", WS_CHILD | WS_VISIBLE | WS_THICKFRAME, 10, 10, 60, 60, p);
  Pump();
  const Surface* s = WindowSurface(p);
  auto px = [&](int x, int y) { return reinterpret_cast<const std::uint32_t*>(s->Row(y))[x] & 0xFFFFFF; };
  auto bgrx = [](COLORREF c) { return std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c); };
  const int f = GetSystemMetrics(SM_CXFRAME);
  ASSERT_EQ(GetSystemMetrics(SM_CYFRAME), f);
  EXPECT_EQ(px(10 + f - 1, 40), bgrx(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(px(10 + f, 40), bgrx(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(px(40, 10 + f - 1), bgrx(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(px(40, 10 + f), bgrx(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(px(69 - f + 1, 40), bgrx(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(px(69 - f, 40), bgrx(GetSysColor(COLOR_WINDOW)));
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

// Repainting only the frame of a child with a sizing or dialog frame leaves
// the client as its owner painted it.
TEST_F(WindowTest, DefaultFramePaintLeavesTheClientAlone) {
  const std::pair<const char*, DWORD> frames[] = {{"sizing", WS_THICKFRAME},
                                                  {"dialog", WS_DLGFRAME},
                                                  {"captioned sizing", WS_CAPTION | WS_THICKFRAME}};
  for (const auto& [name, style] : frames) {
    SCOPED_TRACE(name);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 120, 120);
    HWND c = Make("c", WS_CHILD | WS_VISIBLE | style, 10, 10, 80, 80, p);
    Pump();
    RECT client{};
    GetClientRect(c, &client);
    POINT at{client.Width() / 2, client.Height() / 2};
    ClientToScreen(c, &at);
    HDC dc = GetDC(c);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &client, red);
    DeleteObject(red);
    ReleaseDC(c, dc);
    SendMessage(c, WM_NCPAINT, 1, 0);
    const Surface* s = WindowSurface(p);
    const auto px = reinterpret_cast<const std::uint32_t*>(s->Row(at.Y))[at.X] & 0xFFFFFF;
    EXPECT_EQ(px, 0xFF0000u);  // BGRX red
    const auto frame = reinterpret_cast<const std::uint32_t*>(s->Row(40))[12] & 0xFFFFFF;
    EXPECT_NE(frame, 0xFF0000u);
    DestroyWindow(p);
  }
}

// A child frame's caption follows WM_NCACTIVATE, not the top-level
// window's activation, and a window without an icon shows the
// application's in its icon slot.
TEST_F(WindowTest, ChildCaptionFollowsNcActivateAndShowsTheDefaultIcon) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 300, 200);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 10, 10, 200, 120, p);
  Pump();
  ASSERT_EQ(GetActiveWindow(), p);
  const Surface* s = WindowSurface(p);
  auto bgrx = [](COLORREF c) { return std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c); };
  const int f = GetSystemMetrics(SM_CXFRAME);
  const int y = 10 + f + GetSystemMetrics(SM_CYCAPTION) / 2;
  auto px = [&](int x) { return reinterpret_cast<const std::uint32_t*>(s->Row(y))[x] & 0xFFFFFF; };
  EXPECT_EQ(px(110), bgrx(GetSysColor(COLOR_INACTIVECAPTION)));
  SendMessage(c, WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(px(110), bgrx(GetSysColor(COLOR_ACTIVECAPTION)));
  SendMessage(c, WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(px(110), bgrx(GetSysColor(COLOR_INACTIVECAPTION)));
  int drawn = 0;
  for (int x = 10 + f + 2; x < 10 + f + 2 + GetSystemMetrics(SM_CXSMICON); ++x)
    if (px(x) != bgrx(GetSysColor(COLOR_INACTIVECAPTION))) ++drawn;
  EXPECT_GT(drawn, 0);
}

}  // namespace

// Where a new window goes among its siblings, as on Windows: a child to the
// bottom (the first child stays on top), a top-level window to the top.
#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/Gdi.h"

namespace {

std::vector<std::string> ChildrenTopDown(HWND p) {
  std::vector<std::string> out;
  for (HWND h = GetWindow(p, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) out.push_back(TRecorder::Get().names[h]);
  return out;
}

LRESULT PaintSolid(HWND h, UINT m, WPARAM, LPARAM, bool& handled) {
  if (m != WM_PAINT) return 0;
  handled = true;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  HBRUSH b = CreateSolidBrush(COLORREF(GetWindowLongPtr(h, GWLP_USERDATA)));
  FillRect(dc, &r, b);
  DeleteObject(b);
  EndPaint(h, &ps);
  return 0;
}

struct TOverlapCase {
  const char* name;
  DWORD style;  // of both children
  const char* raise;  // child brought to the top first, "" for none
  std::vector<std::string> order;
  const char* onTop;  // answers the overlap's hit test and shows there
};

TEST_F(WindowTest, OverlappingChildrenFollowCreationOrderFirstOnTop) {
  const TOverlapCase cases[] = {
      {"clipping siblings", WS_CLIPSIBLINGS, "", {"first", "second", "third"}, "first"},
      {"second raised", WS_CLIPSIBLINGS, "second", {"second", "first", "third"}, "second"},
      {"third raised", WS_CLIPSIBLINGS, "third", {"third", "first", "second"}, "third"},
  };
  for (const TOverlapCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 200, 200);
    HWND first = Make("first", WS_CHILD | WS_VISIBLE | c.style, 10, 10, 100, 100, p);
    HWND second = Make("second", WS_CHILD | WS_VISIBLE | c.style, 50, 50, 100, 100, p);
    HWND third = Make("third", WS_CHILD | WS_VISIBLE | c.style, 30, 30, 100, 100, p);
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
    HWND kids[] = {first, second, third};
    for (int i = 0; i < 3; ++i) {
      SetWindowLongPtr(kids[i], GWLP_USERDATA, LONG_PTR(colours[i]));
      Handle(kids[i], PaintSolid);
    }
    Pump();
    // Raised once painted: what the others hid of it shows now.
    if (*c.raise)
      SetWindowPos(std::string(c.raise) == "second" ? second : third, HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump();
    EXPECT_EQ(ChildrenTopDown(p), c.order);
    auto& names = TRecorder::Get().names;
    EXPECT_EQ(names[WindowFromPoint(Point(60, 60))], c.onTop);
    EXPECT_EQ(names[ChildWindowFromPoint(p, Point(60, 60))], c.onTop);
    HWND top = std::string(c.onTop) == "first" ? first : std::string(c.onTop) == "second" ? second : third;
    const COLORREF want = COLORREF(GetWindowLongPtr(top, GWLP_USERDATA));
    const Surface* s = WindowSurface(p);
    std::uint32_t px = reinterpret_cast<const std::uint32_t*>(s->Row(60))[60] & 0xFFFFFF;
    EXPECT_EQ(px, std::uint32_t(GetRValue(want)) << 16 | std::uint32_t(GetGValue(want)) << 8 | GetBValue(want));
    DestroyWindow(p);
  }
}

TEST_F(WindowTest, NewTopLevelWindowsGoOnTopTopmostStaysAbove) {
  Make("a", WS_POPUP, 0, 0, 10, 10);
  Make("t", WS_POPUP, 0, 0, 10, 10, nullptr, WS_EX_TOPMOST);
  Make("b", WS_POPUP, 0, 0, 10, 10);
  std::vector<std::string> order;
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) order.push_back(TRecorder::Get().names[h]);
  EXPECT_EQ(order, (std::vector<std::string>{"t", "b", "a"}));
}

}  // namespace

#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

struct TRedrawCase {
  const char* name;
  DWORD parentStyle;
  DWORD childStyle;
  DWORD childEx;
};

// Windows erases and paints each window of the tree once for one
// RedrawWindow, whatever clipping the windows ask for.
TEST_F(WindowTest, RedrawAllChildrenErasesAndPaintsEachWindowOnce) {
  const TRedrawCase cases[] = {
      {"clipping children", WS_CLIPCHILDREN, 0, 0},
      {"not clipping children", 0, 0, 0},
      {"children with frames", 0, WS_BORDER, WS_EX_CLIENTEDGE},
      {"clipping siblings", 0, WS_CLIPSIBLINGS, 0},
  };
  for (const TRedrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE | c.parentStyle, 0, 0, 200, 200);
    Make("a", WS_CHILD | WS_VISIBLE | c.childStyle, 10, 10, 100, 100, p, c.childEx);
    HWND b = Make("b", WS_CHILD | WS_VISIBLE | c.childStyle, 50, 50, 100, 100, p, c.childEx);
    Make("g", WS_CHILD | WS_VISIBLE | c.childStyle, 5, 5, 40, 40, b, c.childEx);
    Pump();
    ClearLog();
    RedrawWindow(p, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    std::vector<std::string> trace = Trace({WM_ERASEBKGND, WM_PAINT});
    std::sort(trace.begin(), trace.end());
    EXPECT_EQ(trace, (Strings{"a:ERASEBKGND", "a:PAINT", "b:ERASEBKGND", "b:PAINT", "g:ERASEBKGND", "g:PAINT",
                              "p:ERASEBKGND", "p:PAINT"}));
    DestroyWindow(p);
  }
}

}  // namespace

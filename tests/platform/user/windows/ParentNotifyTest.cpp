#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

struct TNotifyCase {
  const char* name;
  DWORD bEx, gEx;  // extended styles of the child b and its child g
  Strings told;    // who hears of g's creation, of a click on g, of g's end
};

// p > b > g: each window tells its parent unless it carries
// WS_EX_NOPARENTNOTIFY, which also stops the news going further up.
TEST_F(WindowTest, NoParentNotifyStopsTheNewsAtThatWindow) {
  const TNotifyCase cases[] = {
      {"everyone tells", 0, 0, {"b", "p"}},
      {"g keeps quiet", 0, WS_EX_NOPARENTNOTIFY, {}},
      {"b keeps quiet", WS_EX_NOPARENTNOTIFY, 0, {"b"}},
  };
  for (const TNotifyCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND b = Make("b", WS_CHILD | WS_VISIBLE, 10, 10, 150, 150, p, c.bEx);
    auto told = [&](UINT event) {
      Strings out;
      for (const TLogEntry& e : TRecorder::Get().log)
        if (e.msg == WM_PARENTNOTIFY && LOWORD(e.wp) == event) out.push_back(TRecorder::Get().names[e.hwnd]);
      return out;
    };
    ClearLog();
    HWND g = Make("g", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, b, c.gEx);
    EXPECT_EQ(told(WM_CREATE), c.told);
    Pump();
    ClearLog();
    InputMouseButton(TMouseButton::mbLeft, true, Point(30, 30));
    InputMouseButton(TMouseButton::mbLeft, false, Point(30, 30));
    Pump();
    EXPECT_EQ(TRecorder::Get().Of(g, WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(told(WM_LBUTTONDOWN), c.told);
    ClearLog();
    DestroyWindow(g);
    EXPECT_EQ(told(WM_DESTROY), c.told);
    DestroyWindow(p);
  }
}

}  // namespace

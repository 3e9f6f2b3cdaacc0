// Message orders of the window layer against Windows' logs: raising by an
// activating click, destroying a shown child, creating a shown popup.
#include <gtest/gtest.h>

#include <functional>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

class MessageOrderTest : public WindowTest {
 public:
  using WindowTest::ClearLog;
  using WindowTest::Make;
  using WindowTest::Pump;
};

TEST_F(MessageOrderTest, SequencesMatchWindows) {
  const std::vector<UINT> kept = {WM_CREATE,           WM_SIZE,     WM_MOVE,       WM_SHOWWINDOW, WM_WINDOWPOSCHANGING,
                                  WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE, WM_DESTROY,    WM_NCDESTROY,
                                  WM_PARENTNOTIFY,     WM_SETFOCUS};
  struct TCase {
    const char* name;
    std::function<void(MessageOrderTest&)> act;
    Strings expected;
  };
  const TCase cases[] = {
      {"a click raises the window it activates",
       [](MessageOrderTest& t) {
         HWND back = t.Make("back", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
         t.Make("front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 0, 300, 200);
         t.Pump();
         ASSERT_NE(GetActiveWindow(), back);
         t.ClearLog();
         InputMouseButton(TMouseButton::mbLeft, true, POINT{50, 100});
         InputMouseButton(TMouseButton::mbLeft, false, POINT{50, 100});
         t.Pump();
         EXPECT_EQ(GetTopWindow(nullptr), back);
       },
       {"front:NCACTIVATE", "front:ACTIVATE", "back:POSCHANGING", "back:POSCHANGED", "back:NCACTIVATE",
        "back:ACTIVATE", "back:SETFOCUS"}},
      {"destroying a shown child",
       [](MessageOrderTest& t) {
         HWND parent = t.Make("parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
         HWND child = t.Make("child", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent);
         t.Pump();
         t.ClearLog();
         DestroyWindow(child);
       },
       {"parent:PARENTNOTIFY", "child:SHOWWINDOW", "child:POSCHANGING", "child:POSCHANGED", "child:DESTROY",
        "child:NCDESTROY"}},
      {"a popup created shown",
       [](MessageOrderTest& t) {
         t.ClearLog();
         HWND p = CreateWindowEx(0, "TestWnd", "popup", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr,
                                 nullptr, nullptr);
         TRecorder::Get().names[p] = "popup";
       },
       {"popup:CREATE", "popup:SIZE", "popup:MOVE", "popup:SHOWWINDOW", "popup:POSCHANGING", "popup:NCACTIVATE",
        "popup:ACTIVATE", "popup:SETFOCUS", "popup:POSCHANGED"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.act(*this);
    EXPECT_EQ(Trace(kept), c.expected);
    TearDown();
    SetUp();
  }
}

}  // namespace

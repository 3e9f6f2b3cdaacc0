// Dialog navigation follows Windows' order: z-order, the first child created
// on top, control parents opened up, hidden and disabled controls passed
// over, tab stops for Tab and WS_GROUP runs for the arrows.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/user/windows/DialogNavigation.h"

namespace {

class DialogNavigationTest : public WindowTest {
 protected:
  std::map<std::string, HWND> w;
  // a b | c d [e1 e2] | f: a, c and f start groups; d is disabled, e2 hidden,
  // c no tab stop; e is a control parent holding e1 and e2.
  void SetUp() override {
    WindowTest::SetUp();
    HWND dlg = Make("dlg", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
    w["dlg"] = dlg;
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    w["a"] = Make("a", kChild | WS_TABSTOP | WS_GROUP, 0, 0, 10, 10, dlg);
    w["b"] = Make("b", kChild | WS_TABSTOP, 0, 20, 10, 10, dlg);
    w["c"] = Make("c", kChild | WS_GROUP, 0, 40, 10, 10, dlg);
    w["d"] = Make("d", kChild | WS_TABSTOP | WS_DISABLED, 0, 60, 10, 10, dlg);
    w["e"] = Make("e", kChild | WS_TABSTOP, 0, 80, 100, 100, dlg, WS_EX_CONTROLPARENT);
    w["e1"] = Make("e1", kChild | WS_TABSTOP, 0, 0, 10, 10, w["e"]);
    w["e2"] = Make("e2", WS_CHILD | WS_TABSTOP, 0, 20, 10, 10, w["e"]);
    w["f"] = Make("f", kChild | WS_TABSTOP | WS_GROUP, 0, 200, 10, 10, dlg);
  }
  std::string Name(HWND h) { return h ? TRecorder::Get().names[h] : "null"; }
};

struct TNavCase {
  const char* from;  // "" for none
  bool previous;
  const char* to;
};

TEST_F(DialogNavigationTest, TabGoesThroughTabStopsInZOrder) {
  const TNavCase cases[] = {
      {"a", false, "b"},  {"b", false, "e1"}, {"e1", false, "f"}, {"f", false, "a"},  {"", false, "a"},
      {"", true, "f"},    {"a", true, "f"},   {"f", true, "e1"},  {"e1", true, "b"},  {"c", false, "e1"},
  };
  for (const TNavCase& c : cases) {
    SCOPED_TRACE(std::string(c.from) + (c.previous ? " back" : " on"));
    HWND from = *c.from ? w[c.from] : nullptr;
    EXPECT_EQ(Name(GetNextDlgTabItem(w["dlg"], from, c.previous)), c.to);
  }
  // Raising b puts it first; a container that is disabled hides its controls.
  SetWindowPos(w["b"], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Name(GetNextDlgTabItem(w["dlg"], nullptr, FALSE)), "b");
  EXPECT_EQ(Name(GetNextDlgTabItem(w["dlg"], w["b"], FALSE)), "a");
  EnableWindow(w["e"], FALSE);
  EXPECT_EQ(Name(GetNextDlgTabItem(w["dlg"], w["a"], FALSE)), "f");
  // The only tab stop left finds itself.
  for (const char* n : {"a", "b"}) SetWindowLong(w[n], GWL_STYLE, GetWindowLong(w[n], GWL_STYLE) & ~LONG(WS_TABSTOP));
  EXPECT_EQ(Name(GetNextDlgTabItem(w["dlg"], w["f"], FALSE)), "f");
}

TEST_F(DialogNavigationTest, ArrowsStayInTheGroup) {
  const TNavCase cases[] = {
      {"a", false, "b"},  {"b", false, "a"},  {"a", true, "b"},   {"c", false, "e1"},
      {"e1", false, "c"}, {"c", true, "e1"},  {"f", false, "f"},  {"e1", true, "c"},
  };
  for (const TNavCase& c : cases) {
    SCOPED_TRACE(std::string(c.from) + (c.previous ? " back" : " on"));
    EXPECT_EQ(Name(GetNextDlgGroupItem(w["dlg"], w[c.from], c.previous)), c.to);
  }
}

}  // namespace

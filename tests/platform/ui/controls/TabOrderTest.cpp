// Controls tab in the order they were created (TabOrder). Their windows
// stand in the order of the controls, the last one on top as a control
// added later covers the ones before it, whichever window was made first;
// Windows' dialog navigation walks those windows in z-order, so over the
// framework's windows it runs against the tab order, as it does over the
// framework's forms on Windows (the framework moves the focus itself).
#include <string>
#include <vector>

#include "platform/user/windows/DialogNavigation.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

using TabOrder = UiTest;

struct TTabCase {
  const char* name;
  std::vector<int> handlesFirst;  // controls whose windows are made before the host shows
};

TEST_F(TabOrder, TabGoesInCreationOrderAndWindowsStandInControlOrder) {
  const TTabCase cases[] = {
      {"windows made on showing", {}},
      {"the last control's window made first", {4}},
      {"windows made backwards", {4, 3, 2, 1, 0}},
  };
  for (const TTabCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A hidden host each time, so no window is made before the case asks.
    delete host;
    host = new TTestHost();
    host->SetBounds(100, 100, 300, 200);
    // a, b, a panel holding p1 and p2, then e; every one a tab stop.
    auto* a = Add<TTestWin>(host, 0, 0, 20, 20);
    auto* b = Add<TTestWin>(host, 30, 0, 20, 20);
    auto* panel = Add<TTestWin>(host, 0, 50, 200, 60);
    panel->ControlStyle |= csAcceptsControls;
    auto* p1 = Add<TTestWin>(panel, 0, 0, 20, 20);
    auto* p2 = Add<TTestWin>(panel, 30, 0, 20, 20);
    auto* e = Add<TTestWin>(host, 60, 0, 20, 20);
    const std::vector<TWinControl*> order{a, b, p1, p2, e};
    for (TWinControl* w : order) static_cast<TTestWin*>(w)->SetTabStop(true);
    const std::vector<TWinControl*> roots{a, b, panel, panel, e};
    for (int i : c.handlesFirst) roots[std::size_t(i)]->HandleNeeded();
    EXPECT_EQ(a->TabOrder(), 0);
    EXPECT_EQ(b->TabOrder(), 1);
    EXPECT_EQ(panel->TabOrder(), 2);
    EXPECT_EQ(e->TabOrder(), 3);
    ShowHost();
    a->SetFocus();
    s.display.RunUntilIdle();

    std::vector<TWinControl*> tabbed{a}, navigated{a};
    HWND at = a->Handle();
    for (std::size_t i = 1; i <= order.size(); ++i) {
      Key(VK_TAB);
      for (TWinControl* w : order)
        if (w->Focused()) tabbed.push_back(w);
      at = GetNextDlgTabItem(host->Handle(), at, FALSE);
      for (TWinControl* w : order)
        if (w->Handle() == at) navigated.push_back(w);
    }
    EXPECT_EQ(tabbed, (std::vector<TWinControl*>{a, b, p1, p2, e, a}));
    EXPECT_EQ(navigated, (std::vector<TWinControl*>{a, e, p2, p1, b, a}));
    EXPECT_EQ(GetNextDlgTabItem(host->Handle(), a->Handle(), TRUE), b->Handle());
    s.display.KeyDown(VK_SHIFT);
    Key(VK_TAB);
    s.display.KeyUp(VK_SHIFT);
    s.display.RunUntilIdle();
    EXPECT_TRUE(e->Focused());
    // The last control created is the top window, the first the bottom one.
    EXPECT_EQ(GetWindow(host->Handle(), GW_CHILD), e->Handle());
    EXPECT_EQ(GetWindow(e->Handle(), GW_HWNDLAST), a->Handle());
    for (TWinControl* w : std::vector<TWinControl*>{e, panel, b, a}) delete w;
    s.display.RunUntilIdle();
  }
}

}  // namespace

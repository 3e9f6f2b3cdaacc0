#include <gtest/gtest.h>

#include <memory>

#include "imaging/core/base/vqzutils.h"
#include "imaging/core/base/vqzutils_window.h"
#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/User.h"

namespace {

HWND hooked = nullptr;
void RecordHook(HWND w) { hooked = w; }

HWND MakeWindow(int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "VqzUtilsWindowTest";
    RegisterClass(&wc);
    registered = true;
  }
  return CreateWindowEx(0, "VqzUtilsWindowTest", "dialog", WS_POPUP, 7, 9, w, h, nullptr, nullptr, nullptr, nullptr);
}

TEST(PlaceDialog, CentresAcrossAndAThirdDown) {
  PlaceDialogHook = nullptr;
  HWND w = MakeWindow(400, 300);
  ASSERT_NE(w, nullptr);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_EQ(sw, 1280);
  ASSERT_EQ(sh, 1024);
  PlaceDialogOnScreen(w);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(w, &r));
  EXPECT_EQ(r.Left, 440);  // (1280 - 400) div 2
  EXPECT_EQ(r.Top, 241);   // (1024 - 300) div 3
  EXPECT_EQ(r.Width(), 400);
  EXPECT_EQ(r.Height(), 300);
  DestroyWindow(w);
}

TEST(PlaceDialog, TheHookTakesOver) {
  HWND w = MakeWindow(100, 100);
  PlaceDialogHook = RecordHook;
  PlaceDialogOnScreen(w);
  EXPECT_EQ(hooked, w);
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.Left, 7);
  EXPECT_EQ(r.Top, 9);
  // The utilities module's start clears the hook.
  VqzUtilsStart();
  EXPECT_EQ(PlaceDialogHook, nullptr);
  VqzUtilsEnd();
  DestroyWindow(w);
}

TEST(PlaceDialog, NoSessionIsRemoteHere) { EXPECT_FALSE(IsRemoteSession()); }

// ---- owner window ----------------------------------------------------------------

TEST(OwnerWindow, FirstWindowedControlUpTheOwnerChain) {
  THeadlessSession s;
  auto* form = new TCustomForm(nullptr);
  auto* plain = new TComponent(form);
  auto* inner = new TComponent(plain);
  auto* graphic = new TGraphicControl(inner);
  // No window yet: none, and none is created by asking.
  EXPECT_EQ(FindOwnerWindow(inner), nullptr);
  EXPECT_FALSE(form->HandleAllocated());
  const HWND h = form->Handle();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(FindOwnerWindow(inner), h);
  EXPECT_EQ(FindOwnerWindow(graphic), h);  // a graphic control has no window of its own
  EXPECT_EQ(FindOwnerWindow(form), h);
  // A windowed control owned by the form answers with its own window.
  auto* panel = new TCustomControl(form);
  panel->SetParent(form);
  auto* onPanel = new TComponent(panel);
  // The first windowed control decides, even while it has no window.
  ASSERT_FALSE(panel->HandleAllocated());
  EXPECT_EQ(FindOwnerWindow(onPanel), nullptr);
  const HWND ph = panel->Handle();
  EXPECT_NE(ph, h);
  EXPECT_EQ(FindOwnerWindow(onPanel), ph);
  // Without any windowed control on the chain: none.
  TComponent loose(nullptr);
  TComponent child(&loose);
  EXPECT_EQ(FindOwnerWindow(&child), nullptr);
  EXPECT_EQ(FindOwnerWindow(nullptr), nullptr);
  delete form;
}

// ---- scroll-bar wrappers -------------------------------------------------------

SCROLLINFO QueryBar(HWND h, int bar) {
  SCROLLINFO si{};
  si.cbSize = sizeof(SCROLLINFO);
  si.fMask = SIF_ALL;
  EXPECT_TRUE(GetScrollInfo(h, bar, &si));
  return si;
}

LONG BarObject(int bar) { return bar == SB_HORZ ? OBJID_HSCROLL : bar == SB_VERT ? OBJID_VSCROLL : OBJID_CLIENT; }

SCROLLBARINFO BarState(HWND h, int bar) {
  SCROLLBARINFO sbi;
  EXPECT_TRUE(GetScrollBarInfo(h, BarObject(bar), &sbi));
  return sbi;
}

struct TBarCase {
  const char* name;
  int bar;
  bool flat;
};

class ScrollBarWrappers : public ::testing::TestWithParam<TBarCase> {
 protected:
  THeadlessSession s;
  HWND parent = nullptr;
  HWND target = nullptr;  // the window whose bar the wrappers address

  void SetUp() override {
    DestroyWindow(MakeWindow(1, 1));  // registers the class
    parent = CreateWindowEx(0, "VqzUtilsWindowTest", "p", WS_POPUP | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 50, 50,
                            300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    target = parent;
    if (GetParam().bar == SB_CTL) {
      target = CreateWindowEx(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 10, 134, 17, parent, nullptr,
                              nullptr, nullptr);
      ASSERT_NE(target, nullptr);
    }
    if (GetParam().flat) {
      ASSERT_TRUE(InitializeFlatSB(target));
    }
  }
  void TearDown() override {
    if (GetParam().flat) {
      EXPECT_EQ(UninitializeFlatSB(target), 0);
    }
    DestroyWindow(parent);
    s.display.RunUntilIdle();
  }
  // The window bar not addressed, which must never change.
  int OtherBar() const { return GetParam().bar == SB_VERT ? SB_HORZ : SB_VERT; }
};

TEST_P(ScrollBarWrappers, RangePagePositionAndInfoReachTheBar) {
  const int bar = GetParam().bar;
  const bool flat = GetParam().flat;
  const SCROLLINFO otherBefore = QueryBar(parent, OtherBar());

  EXPECT_TRUE(ScrollBarSetRange(target, bar, 10, 209, true, flat));
  SCROLLINFO si = QueryBar(target, bar);
  EXPECT_EQ(si.nMin, 10);
  EXPECT_EQ(si.nMax, 209);
  EXPECT_EQ(si.nPos, 10);

  // The page alone changes: range and position stay.
  ScrollBarSetPage(target, bar, 50, true, flat);
  si = QueryBar(target, bar);
  EXPECT_EQ(si.nPage, 50u);
  EXPECT_EQ(si.nMin, 10);
  EXPECT_EQ(si.nMax, 209);
  EXPECT_EQ(si.nPos, 10);

  // The previous position comes back; the new one is held to the last page.
  EXPECT_EQ(ScrollBarSetPos(target, bar, 500, true, flat), 10);
  si = QueryBar(target, bar);
  EXPECT_EQ(si.nPos, 160);

  SCROLLINFO change{};
  change.cbSize = sizeof(SCROLLINFO);
  change.fMask = SIF_RANGE | SIF_POS;
  change.nMin = 0;
  change.nMax = 99;
  change.nPage = 7;  // not in the mask
  change.nPos = 30;
  EXPECT_EQ(ScrollBarSetInfo(target, bar, change, true, flat), 30);
  si = QueryBar(target, bar);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 99);
  EXPECT_EQ(si.nPage, 50u);
  EXPECT_EQ(si.nPos, 30);

  // A page below nothing is no page.
  ScrollBarSetPage(target, bar, -5, false, flat);
  si = QueryBar(target, bar);
  EXPECT_EQ(si.nPage, 0u);
  EXPECT_EQ(si.nPos, 30);
  EXPECT_EQ(si.nMax, 99);

  if (bar != SB_CTL) {
    const SCROLLINFO other = QueryBar(parent, OtherBar());
    EXPECT_EQ(other.nMin, otherBefore.nMin);
    EXPECT_EQ(other.nMax, otherBefore.nMax);
    EXPECT_EQ(other.nPage, otherBefore.nPage);
    EXPECT_EQ(other.nPos, otherBefore.nPos);
  }
}

TEST_P(ScrollBarWrappers, EnableAndShowReachTheBar) {
  const int bar = GetParam().bar;
  const bool flat = GetParam().flat;
  ScrollBarSetRange(target, bar, 0, 99, true, flat);
  ScrollBarSetPage(target, bar, 10, true, flat);
  s.display.RunUntilIdle();
  ASSERT_EQ(BarState(target, bar).rgstate[0], 0u);

  EXPECT_TRUE(ScrollBarEnable(target, bar, ESB_DISABLE_LTUP, flat));
  EXPECT_FALSE(ScrollBarEnable(target, bar, ESB_DISABLE_LTUP, flat));  // already so
  SCROLLBARINFO sbi = BarState(target, bar);
  EXPECT_EQ(sbi.rgstate[1], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(sbi.rgstate[5], 0u);
  EXPECT_TRUE(ScrollBarEnable(target, bar, ESB_DISABLE_BOTH, flat));
  EXPECT_EQ(BarState(target, bar).rgstate[0], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_TRUE(ScrollBarEnable(target, bar, ESB_ENABLE_BOTH, flat));
  sbi = BarState(target, bar);
  EXPECT_EQ(sbi.rgstate[0], 0u);
  EXPECT_EQ(sbi.rgstate[1], 0u);
  if (bar != SB_CTL) {
    EXPECT_EQ(BarState(parent, OtherBar()).rgstate[1], 0u);
  }

  EXPECT_TRUE(ScrollBarShow(target, bar, false, flat));
  EXPECT_EQ(BarState(target, bar).rgstate[0], STATE_SYSTEM_INVISIBLE);
  EXPECT_TRUE(ScrollBarShow(target, bar, true, flat));
  EXPECT_EQ(BarState(target, bar).rgstate[0], 0u);
}

INSTANTIATE_TEST_SUITE_P(StandardAndFlat, ScrollBarWrappers,
                         ::testing::Values(TBarCase{"Horizontal", SB_HORZ, false}, TBarCase{"Vertical", SB_VERT, false},
                                           TBarCase{"Control", SB_CTL, false},
                                           TBarCase{"FlatHorizontal", SB_HORZ, true},
                                           TBarCase{"FlatVertical", SB_VERT, true},
                                           TBarCase{"FlatControl", SB_CTL, true}),
                         [](const ::testing::TestParamInfo<TBarCase>& info) { return std::string(info.param.name); });

}  // namespace

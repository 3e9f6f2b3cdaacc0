#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace {

struct TScrollEvent {
  int code;
  int pos;
  DWORD time;
};

// Logs WM_VSCROLL / WM_HSCROLL of a window (or of a control's parent).
std::vector<TScrollEvent> ScrollEvents(HWND h, UINT msg = WM_VSCROLL) {
  std::vector<TScrollEvent> out;
  for (const TLogEntry& e : TRecorder::Get().Of(h, msg)) out.push_back(TScrollEvent{LOWORD(e.wp), SHORT(HIWORD(e.wp)), 0});
  return out;
}

std::vector<int> Codes(const std::vector<TScrollEvent>& ev) {
  std::vector<int> out;
  for (const TScrollEvent& e : ev) out.push_back(e.code);
  return out;
}

SCROLLINFO Info(UINT mask, int nMin = 0, int nMax = 0, UINT page = 0, int pos = 0) {
  SCROLLINFO si;
  si.fMask = mask;
  si.nMin = nMin;
  si.nMax = nMax;
  si.nPage = page;
  si.nPos = pos;
  return si;
}

SCROLLINFO Query(HWND h, int bar) {
  SCROLLINFO si = Info(SIF_ALL);
  EXPECT_TRUE(GetScrollInfo(h, bar, &si));
  return si;
}

struct TClampCase {
  const char* name;
  SCROLLINFO start;  // applied with SIF_ALL first
  SCROLLINFO change;
  int min, max;
  UINT page;
  int pos;
  bool barShown;
};

TEST_F(WindowTest, ScrollInfoClampsPageAndPosition) {
  const TClampCase cases[] = {
      {"position past the last page", Info(SIF_ALL, 0, 99, 10, 0), Info(SIF_POS, 0, 0, 0, 95), 0, 99, 10, 90, true},
      {"position before the start", Info(SIF_ALL, 0, 99, 10, 50), Info(SIF_POS, 0, 0, 0, -5), 0, 99, 10, 0, true},
      {"page larger than the range", Info(SIF_ALL, 0, 99, 10, 50), Info(SIF_PAGE, 0, 0, 200), 0, 99, 100, 0, false},
      {"no page reaches the maximum", Info(SIF_ALL, 0, 99, 10, 0), Info(SIF_PAGE | SIF_POS, 0, 0, 0, 99), 0, 99, 0, 99,
       true},
      {"page of one reaches the maximum", Info(SIF_ALL, 0, 99, 10, 0), Info(SIF_PAGE | SIF_POS, 0, 0, 1, 99), 0, 99, 1,
       99, true},
      {"narrower range pulls the position in", Info(SIF_ALL, 0, 99, 10, 50), Info(SIF_RANGE, 10, 20), 10, 20, 10, 11,
       true},
      {"page equal to the range", Info(SIF_ALL, 0, 99, 10, 50), Info(SIF_PAGE, 0, 0, 100), 0, 99, 100, 0, false},
      {"page one short of the range", Info(SIF_ALL, 0, 99, 10, 50), Info(SIF_PAGE, 0, 0, 99), 0, 99, 99, 1, true},
      {"empty range", Info(SIF_ALL, 0, 99, 10, 50), Info(SIF_RANGE, 5, 5), 5, 5, 1, 5, false},
      {"negative range", Info(SIF_ALL, -50, 50, 0, 0), Info(SIF_POS, 0, 0, 0, -60), -50, 50, 0, -50, true},
  };
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  for (const TClampCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make("w", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 10, 100, 100, p);
    SetScrollInfo(w, SB_VERT, &c.start, TRUE);
    EXPECT_EQ(SetScrollInfo(w, SB_VERT, &c.change, TRUE), c.pos);
    SCROLLINFO si = Query(w, SB_VERT);
    EXPECT_EQ(si.nMin, c.min);
    EXPECT_EQ(si.nMax, c.max);
    EXPECT_EQ(si.nPage, c.page);
    EXPECT_EQ(si.nPos, c.pos);
    EXPECT_EQ(si.nTrackPos, c.pos);  // not tracking
    EXPECT_EQ((GetWindowLong(w, GWL_STYLE) & WS_VSCROLL) != 0, c.barShown);
    DestroyWindow(w);
  }
}

TEST_F(WindowTest, ScrollBarDefaultsAndSimpleCalls) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  HWND none = Make("none", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
  SCROLLINFO si = Info(SIF_ALL);
  EXPECT_FALSE(GetScrollInfo(none, SB_VERT, &si));
  HWND w = Make("w", WS_CHILD | WS_VISIBLE | WS_HSCROLL, 0, 0, 100, 100, p);
  int lo = -1, hi = -1;
  ASSERT_TRUE(GetScrollRange(w, SB_HORZ, &lo, &hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 100);
  SCROLLINFO nothing = Info(0);
  EXPECT_FALSE(GetScrollInfo(w, SB_HORZ, &nothing));
  EXPECT_EQ(SetScrollPos(w, SB_HORZ, 40, TRUE), 0);
  EXPECT_EQ(SetScrollPos(w, SB_HORZ, 400, TRUE), 40);
  EXPECT_EQ(GetScrollPos(w, SB_HORZ), 100);
  // An empty range hides the bar and gives its room back to the client.
  RECT cr;
  GetClientRect(w, &cr);
  EXPECT_EQ(cr.Bottom, 83);
  EXPECT_TRUE(SetScrollRange(w, SB_HORZ, 0, 0, TRUE));
  GetClientRect(w, &cr);
  EXPECT_EQ(cr.Bottom, 100);
  EXPECT_EQ(GetScrollPos(w, SB_HORZ), 0);
}

TEST_F(WindowTest, ClientShrinksWhenABarIsNeededAndGrowsWhenNot) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  HWND w = Make("w", WS_CHILD | WS_VISIBLE, 10, 10, 100, 80, p);
  Pump();
  ClearLog();
  SCROLLINFO si = Info(SIF_RANGE | SIF_PAGE, 0, 199, 80);
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  RECT cr;
  GetClientRect(w, &cr);
  EXPECT_EQ(cr, Rect(0, 0, 83, 80));
  EXPECT_EQ(Trace({WM_NCCALCSIZE, WM_SIZE}), (Strings{"w:NCCALCSIZE", "w:SIZE"}));
  auto sizes = TRecorder::Get().Of(w, WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].lp, MAKELPARAM(83, 80));

  // Everything fits: the bar goes away.
  si = Info(SIF_PAGE, 0, 0, 200);
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  GetClientRect(w, &cr);
  EXPECT_EQ(cr, Rect(0, 0, 100, 80));

  // Kept but disabled when asked to.
  si = Info(SIF_PAGE, 0, 0, 80);
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  si = Info(SIF_PAGE | SIF_DISABLENOSCROLL, 0, 0, 200);
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  GetClientRect(w, &cr);
  EXPECT_EQ(cr, Rect(0, 0, 83, 80));
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(sbi.rgstate[3], STATE_SYSTEM_INVISIBLE);
  // Needed again: enabled again.
  si = Info(SIF_PAGE | SIF_DISABLENOSCROLL, 0, 0, 50);
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rgstate[0], 0u);

  EXPECT_TRUE(ShowScrollBar(w, SB_BOTH, FALSE));
  GetClientRect(w, &cr);
  EXPECT_EQ(cr, Rect(0, 0, 100, 80));
  EXPECT_TRUE(ShowScrollBar(w, SB_HORZ, TRUE));
  GetClientRect(w, &cr);
  EXPECT_EQ(cr, Rect(0, 0, 100, 63));
}

// A vertical bar 134 pixels long: 17-pixel arrows and a 100-pixel track, so
// with range 0..99 and page 10 the thumb is 10 pixels and one pixel of
// thumb travel is one unit of position.
class ScrollTrackTest : public WindowTest {
 protected:
  HWND parent = nullptr;
  HWND w = nullptr;
  // The bar's left edge and top in screen coordinates.
  int barX = 0, barY = 0;

  void SetUp() override {
    WindowTest::SetUp();
    parent = Make("p", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 50, 300, 300);
    w = Make("w", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 20, 100, 134, parent);
    SCROLLINFO si = Info(SIF_ALL, 0, 99, 10, 45);
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    barX = 100 + 10 + 83;
    barY = 50 + 20;
    Pump();
    ClearLog();
  }
  POINT At(int y) const { return Point(barX + 8, barY + y); }
};

TEST_F(ScrollTrackTest, ScrollBarInfoReportsTheGeometry) {
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rcScrollBar, Rect(barX, barY, barX + 17, barY + 134));
  EXPECT_EQ(sbi.dxyLineButton, 17);
  EXPECT_EQ(sbi.xyThumbTop, 17 + 45);
  EXPECT_EQ(sbi.xyThumbBottom, 17 + 45 + 10);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sbi.rgstate[i], 0u) << i;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_HSCROLL, &sbi));
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_INVISIBLE);
  EXPECT_TRUE(EnableScrollBar(w, SB_VERT, ESB_DISABLE_UP));
  EXPECT_FALSE(EnableScrollBar(w, SB_VERT, ESB_DISABLE_UP));
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rgstate[1], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(sbi.rgstate[5], 0u);
  SCROLLBARINFO wrongSize;
  wrongSize.cbSize = 12;
  EXPECT_FALSE(GetScrollBarInfo(w, OBJID_VSCROLL, &wrongSize));
}

TEST_F(ScrollTrackTest, BarIsDrawnWithTheThumbWhereThePositionSaysIt) {
  const Surface* s = WindowSurface(parent);
  auto px = [&](int y) {
    std::uint32_t v = reinterpret_cast<const std::uint32_t*>(s->Row(y))[10 + 83 + 8];
    return RGB(int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF));
  };
  const int top = 20;  // the child's top in the parent's surface
  EXPECT_EQ(px(top + 17 + 45 + 5), GetSysColor(COLOR_BTNFACE));  // thumb
  EXPECT_EQ(px(top + 17 + 20), GetSysColor(COLOR_SCROLLBAR));     // track above
  EXPECT_EQ(px(top + 17 + 80), GetSysColor(COLOR_SCROLLBAR));     // track below
  SetScrollPos(w, SB_VERT, 0, TRUE);
  EXPECT_EQ(px(top + 17 + 5), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(px(top + 17 + 45 + 5), GetSysColor(COLOR_SCROLLBAR));
}

TEST_F(ScrollTrackTest, ThumbDragSendsTrackPositionsThenPositionThenEnd) {
  std::vector<int> trackPosSeen;
  Handle(w, [&](HWND h, UINT m, WPARAM wp, LPARAM, bool&) -> LRESULT {
    if (m == WM_VSCROLL && LOWORD(wp) == SB_THUMBTRACK) {
      SCROLLINFO si = Info(SIF_TRACKPOS | SIF_POS);
      GetScrollInfo(h, SB_VERT, &si);
      trackPosSeen.push_back(si.nTrackPos);
      EXPECT_EQ(si.nPos, 45);  // the application moves the position itself
      SCROLLBARINFO sbi;
      GetScrollBarInfo(h, OBJID_VSCROLL, &sbi);
      EXPECT_EQ(sbi.rgstate[3], STATE_SYSTEM_PRESSED);
    }
    return 0;
  });
  const int grabY = 17 + 45 + 5;
  InputMouseButton(TMouseButton::mbLeft, true, At(grabY));
  InputMouseMove(At(grabY + 10));
  InputMouseMove(At(grabY + 20));
  InputMouseMove(At(grabY + 20));   // no change, no message
  InputMouseMove(Point(barX + 300, barY + grabY + 21));  // far off the bar: still tracks
  InputMouseMove(At(grabY + 500));  // clamps at the last page
  InputMouseButton(TMouseButton::mbLeft, false, At(grabY + 500));
  Pump();
  auto ev = ScrollEvents(w);
  ASSERT_EQ(Codes(ev), (std::vector<int>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION,
                                         SB_ENDSCROLL}));
  EXPECT_EQ(ev[0].pos, 55);
  EXPECT_EQ(ev[1].pos, 65);
  EXPECT_EQ(ev[2].pos, 66);
  EXPECT_EQ(ev[3].pos, 90);
  EXPECT_EQ(ev[4].pos, 90);
  EXPECT_EQ(trackPosSeen, (std::vector<int>{55, 65, 66, 90}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 45);
  SCROLLBARINFO sbi;
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  EXPECT_EQ(sbi.rgstate[3], 0u);
  EXPECT_EQ(sbi.xyThumbTop, 17 + 45);  // back where the position is
}

TEST_F(ScrollTrackTest, ArrowPressRepeatsAfterTheDelayThenEvery50Ms) {
  std::vector<DWORD> times;
  DWORD pressedState = 0;
  Handle(w, [&](HWND h, UINT m, WPARAM wp, LPARAM, bool&) -> LRESULT {
    if (m == WM_VSCROLL && LOWORD(wp) == SB_LINEDOWN) {
      times.push_back(GetTickCount());
      SCROLLBARINFO sbi;
      GetScrollBarInfo(h, OBJID_VSCROLL, &sbi);
      pressedState = sbi.rgstate[5];
      if (times.size() == 4) InputMouseButton(TMouseButton::mbLeft, false, At(130));
    }
    return 0;
  });
  InputMouseButton(TMouseButton::mbLeft, true, At(130));
  Pump();
  EXPECT_EQ(Codes(ScrollEvents(w)), (std::vector<int>{SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_ENDSCROLL}));
  ASSERT_EQ(times.size(), 4u);
  EXPECT_EQ(times[1] - times[0], 200u);
  EXPECT_EQ(times[2] - times[0], 250u);
  EXPECT_EQ(times[3] - times[0], 300u);
  EXPECT_EQ(pressedState, STATE_SYSTEM_PRESSED);
  EXPECT_EQ(GetCapture(), nullptr);
}

POINT g_releaseAt{};
std::uintptr_t g_releaseTimer = 0;
void ReleaseButton(HWND, UINT, std::uintptr_t, DWORD) {
  KillTimer(nullptr, g_releaseTimer);
  InputMouseButton(TMouseButton::mbLeft, false, g_releaseAt);
}

TEST_F(ScrollTrackTest, PagePressRepeatsUntilTheThumbReachesTheCursor) {
  SetScrollPos(w, SB_VERT, 0, TRUE);
  std::vector<DWORD> times;
  Handle(w, [&](HWND h, UINT m, WPARAM wp, LPARAM, bool&) -> LRESULT {
    if (m == WM_VSCROLL && LOWORD(wp) == SB_PAGEDOWN) {
      times.push_back(GetTickCount());
      SetScrollPos(h, SB_VERT, GetScrollPos(h, SB_VERT) + 10, TRUE);
    }
    return 0;
  });
  // Thumb at 17..27; the cursor at 77 is reached when the position is 60.
  g_releaseAt = At(77);
  g_releaseTimer = SetTimer(nullptr, 0, 1000, ReleaseButton);
  DWORD start = GetTickCount();
  InputMouseButton(TMouseButton::mbLeft, true, At(77));
  Pump();
  auto ev = ScrollEvents(w);
  EXPECT_EQ(Codes(ev), (std::vector<int>{SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEDOWN,
                                         SB_ENDSCROLL}));
  ASSERT_EQ(times.size(), 6u);
  EXPECT_EQ(times[0], start);
  EXPECT_EQ(times[5] - times[0], 400u);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 60);
  EXPECT_GE(GetTickCount() - start, 1000u);  // held until the release
}

TEST_F(ScrollTrackTest, DisabledArrowIgnoresPresses) {
  EnableScrollBar(w, SB_VERT, ESB_DISABLE_DOWN);
  InputMouseButton(TMouseButton::mbLeft, true, At(130));
  InputMouseButton(TMouseButton::mbLeft, false, At(130));
  InputMouseButton(TMouseButton::mbLeft, true, At(5));
  InputMouseButton(TMouseButton::mbLeft, false, At(5));
  Pump();
  EXPECT_EQ(Codes(ScrollEvents(w)), (std::vector<int>{SB_LINEUP, SB_ENDSCROLL}));
}

TEST_F(ScrollTrackTest, WindowDestroyedInsideTheScrollHandlerEndsTheLoop) {
  Handle(w, [&](HWND, UINT m, WPARAM, LPARAM, bool&) -> LRESULT {
    if (m == WM_VSCROLL) DestroyWindow(parent);
    return 0;
  });
  InputMouseButton(TMouseButton::mbLeft, true, At(130));
  Pump();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(GetCapture(), nullptr);
  InputMouseButton(TMouseButton::mbLeft, false, At(130));
  Pump();
}

TEST_F(WindowTest, ScrollBarControlNotifiesItsParent) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 100, 100, 300, 300);
  HWND sb = CreateWindowEx(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 10, 134, 17, p, nullptr, nullptr,
                           nullptr);
  ASSERT_NE(sb, nullptr);
  SCROLLINFO si = Info(SIF_ALL);
  ASSERT_TRUE(GetScrollInfo(sb, SB_CTL, &si));
  EXPECT_EQ(si.nMax, 0);  // a control starts empty
  si = Info(SIF_ALL, 0, 99, 10, 0);
  SetScrollInfo(sb, SB_CTL, &si, TRUE);
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(sb, OBJID_CLIENT, &sbi));
  EXPECT_EQ(sbi.rcScrollBar, Bounds(110, 110, 134, 17));
  EXPECT_EQ(sbi.xyThumbTop, 17);
  Pump();
  ClearLog();
  InputMouseButton(TMouseButton::mbLeft, true, Point(110 + 130, 115));
  InputMouseButton(TMouseButton::mbLeft, false, Point(110 + 130, 115));
  Pump();
  auto msgs = TRecorder::Get().Of(p, WM_HSCROLL);
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(LOWORD(msgs[0].wp), SB_LINERIGHT);
  EXPECT_EQ(msgs[0].lp, reinterpret_cast<LPARAM>(sb));
  EXPECT_EQ(LOWORD(msgs[1].wp), SB_ENDSCROLL);
  // SB_CTL calls need a scroll-bar control.
  EXPECT_FALSE(GetScrollInfo(p, SB_CTL, &si));
}

}  // namespace

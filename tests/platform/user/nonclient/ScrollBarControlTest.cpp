#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

HWND MakeBar(HWND parent, DWORD sbs, RECT r) {
  return CreateWindowEx(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | sbs, r.Left, r.Top, r.Width(), r.Height(), parent,
                        nullptr, nullptr, nullptr);
}

TEST_F(WindowTest, ScrollBarControlAnswersItsMessages) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 100, 100, 300, 300);
  HWND sb = MakeBar(p, SBS_VERT, Bounds(20, 10, 17, 150));
  ASSERT_NE(sb, nullptr);
  int lo = -1, hi = -1;
  auto range = [&] {
    SendMessage(sb, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  };
  struct TStep {
    const char* name;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    LRESULT result;
    int pos, min, max;
  };
  // SETPOS returns the previous position; SETRANGE the previous position
  // only when the new range moved it.
  const TStep steps[] = {
      {"range", SBM_SETRANGE, 0, 50, 0, 0, 0, 50},
      {"position", SBM_SETPOS, 30, TRUE, 0, 30, 0, 50},
      {"position clamped", SBM_SETPOS, 80, FALSE, 30, 50, 0, 50},
      {"range moves the position", SBM_SETRANGEREDRAW, 0, 20, 50, 20, 0, 20},
      {"range keeps the position", SBM_SETRANGE, 10, 100, 0, 20, 10, 100},
      {"range moves it up", SBM_SETRANGE, 40, 60, 20, 40, 40, 60},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(SendMessage(sb, s.msg, s.wp, s.lp), s.result);
    EXPECT_EQ(SendMessage(sb, SBM_GETPOS, 0, 0), s.pos);
    range();
    EXPECT_EQ(lo, s.min);
    EXPECT_EQ(hi, s.max);
  }
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 100;
  si.nPage = 10;
  si.nPos = 95;
  EXPECT_EQ(SendMessage(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si)), 91);  // 100 - 10 + 1
  SCROLLINFO got;
  got.fMask = SIF_ALL;
  ASSERT_TRUE(SendMessage(sb, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&got)));
  EXPECT_EQ(got.nPos, 91);
  EXPECT_EQ(got.nPage, 10u);
  EXPECT_EQ(got.nMax, 100);
  EXPECT_TRUE(SendMessage(sb, SBM_ENABLE_ARROWS, ESB_DISABLE_UP, 0));
  EXPECT_FALSE(SendMessage(sb, SBM_ENABLE_ARROWS, ESB_DISABLE_UP, 0));  // already so
  SCROLLBARINFO sbi;
  ASSERT_TRUE(SendMessage(sb, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&sbi)));
  EXPECT_EQ(sbi.rcScrollBar, Bounds(120, 110, 17, 150));
  EXPECT_EQ(sbi.rgstate[1], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(sbi.rgstate[5], 0u);
  EXPECT_EQ(SendMessage(sb, WM_GETDLGCODE, 0, 0), 0x0001);  // wants the arrow keys
}

TEST_F(WindowTest, ScrollBarControlKeysScrollThroughItsParent) {
  struct TKey {
    int vk;
    int code;  // -1: no message
  };
  const TKey keys[] = {{VK_UP, SB_LINEUP},     {VK_LEFT, SB_LINELEFT}, {VK_DOWN, SB_LINEDOWN},
                       {VK_RIGHT, SB_LINERIGHT}, {VK_PRIOR, SB_PAGEUP}, {VK_NEXT, SB_PAGEDOWN},
                       {VK_HOME, SB_TOP},        {VK_END, SB_BOTTOM},   {VK_SPACE, -1},
                       {'A', -1}};
  for (DWORD sbs : {DWORD(SBS_VERT), DWORD(SBS_HORZ)}) {
    SCOPED_TRACE(sbs);
    HWND p = Make("p", WS_POPUP | WS_VISIBLE, 100, 100, 300, 300);
    HWND sb = MakeBar(p, sbs, sbs == SBS_VERT ? Bounds(20, 10, 17, 150) : Bounds(20, 10, 150, 17));
    SendMessage(sb, SBM_SETRANGE, 0, 100);
    SetFocus(sb);
    Pump();
    const UINT expectMsg = sbs == SBS_VERT ? WM_VSCROLL : WM_HSCROLL;
    const UINT otherMsg = sbs == SBS_VERT ? WM_HSCROLL : WM_VSCROLL;
    for (const TKey& k : keys) {
      SCOPED_TRACE(k.vk);
      ClearLog();
      InputKey(k.vk, true);
      InputKey(k.vk, false);
      Pump();
      auto msgs = TRecorder::Get().Of(p, expectMsg);
      EXPECT_TRUE(TRecorder::Get().Of(p, otherMsg).empty());
      if (k.code < 0) {
        EXPECT_TRUE(msgs.empty());
        continue;
      }
      ASSERT_EQ(msgs.size(), 2u);
      EXPECT_EQ(msgs[0].wp, WPARAM(k.code));
      EXPECT_EQ(msgs[1].wp, WPARAM(SB_ENDSCROLL));
      for (const TLogEntry& e : msgs) EXPECT_EQ(e.lp, reinterpret_cast<LPARAM>(sb));
    }
    // The control leaves the position to the parent, as on a click.
    EXPECT_EQ(SendMessage(sb, SBM_GETPOS, 0, 0), 0);
    DestroyWindow(p);
  }
}

}  // namespace

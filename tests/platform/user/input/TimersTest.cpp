#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

int g_procCalls = 0;
void CountingTimerProc(HWND, UINT, std::uintptr_t, DWORD) { ++g_procCalls; }

TEST_F(WindowTest, TimerFiresEachIntervalOnTheVirtualClock) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(SetTimer(w, 7, 100, nullptr), 7u);
  for (int i = 0; i < 3; ++i) {
    clock.Advance(99);
    Pump();
    EXPECT_EQ(TRecorder::Get().Of(w, WM_TIMER).size(), std::size_t(i));
    clock.Advance(1);
    Pump();
    EXPECT_EQ(TRecorder::Get().Of(w, WM_TIMER).size(), std::size_t(i + 1));
  }
  EXPECT_EQ(TRecorder::Get().Of(w, WM_TIMER)[0].wp, 7u);
  EXPECT_TRUE(KillTimer(w, 7));
  EXPECT_FALSE(KillTimer(w, 7));
  clock.Advance(1000);
  Pump();
  EXPECT_EQ(TRecorder::Get().Of(w, WM_TIMER).size(), 3u);
}

TEST_F(WindowTest, LateTimerIsCoalescedIntoOneMessage) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  SetTimer(w, 1, 20, nullptr);
  clock.Advance(500);
  Pump();
  EXPECT_EQ(TRecorder::Get().Of(w, WM_TIMER).size(), 1u);
}

TEST_F(WindowTest, TimerKilledOrWindowDestroyedInsideItsHandler) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  HWND v = Make("v", WS_POPUP, 0, 0, 10, 10);
  Handle(w, [](HWND h, UINT m, WPARAM wp, LPARAM, bool&) -> LRESULT {
    if (m == WM_TIMER) KillTimer(h, wp);
    return 0;
  });
  Handle(v, [](HWND h, UINT m, WPARAM, LPARAM, bool&) -> LRESULT {
    if (m == WM_TIMER) DestroyWindow(h);
    return 0;
  });
  SetTimer(w, 1, 10, nullptr);
  SetTimer(v, 1, 10, nullptr);
  for (int i = 0; i < 5; ++i) {
    clock.Advance(10);
    Pump();
  }
  EXPECT_EQ(TRecorder::Get().Of(w, WM_TIMER).size(), 1u);
  EXPECT_EQ(TRecorder::Get().Of(v, WM_TIMER).size(), 1u);
  EXPECT_FALSE(IsWindow(v));
  EXPECT_EQ(MillisecondsToNextTimer(), -1);
}

TEST_F(WindowTest, TimersFallingDueTogetherFireInDueOrder) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  SetTimer(w, 2, 30, nullptr);
  SetTimer(w, 1, 20, nullptr);
  clock.Advance(40);
  Pump();
  auto t = TRecorder::Get().Of(w, WM_TIMER);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].wp, 1u);
  EXPECT_EQ(t[1].wp, 2u);
}

TEST_F(WindowTest, CallbackTimerWithoutWindow) {
  g_procCalls = 0;
  std::uintptr_t id = SetTimer(nullptr, 0, 50, CountingTimerProc);
  EXPECT_NE(id, 0u);
  clock.Advance(50);
  Pump();
  EXPECT_EQ(g_procCalls, 1);
  KillTimer(nullptr, id);
  clock.Advance(50);
  Pump();
  EXPECT_EQ(g_procCalls, 1);
}

TEST_F(WindowTest, GetMessageWaitsOnTheVirtualClockForTheNextTimer) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  SetTimer(w, 3, 250, nullptr);
  Int64 before = clock.PeekMilliseconds();
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(clock.PeekMilliseconds() - before, 250);
  KillTimer(w, 3);
}

}  // namespace

#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(VirtualClock, TickCountFollowsAdvancesAndWrapsAt32Bits) {
  struct Case {
    Int64 startMs;
    Int64 advanceMs;
    Int64 tick64;
    DWORD tick32;
  };
  const Case cases[] = {
      {0, 0, 0, 0},
      {0, 1500, 1500, 1500},
      {1000, 49, 1049, 1049},
      {0xFFFFFFFFLL - 5, 10, 0x100000004LL, 4},
      {0xFFFFFFFFLL, 1, 0x100000000LL, 0},
  };
  for (const Case& c : cases) {
    TVirtualClock clock(c.startMs);
    TScopedClock scope(clock);
    clock.Advance(c.advanceMs);
    EXPECT_EQ(GetTickCount64(), c.tick64) << c.startMs << "+" << c.advanceMs;
    EXPECT_EQ(GetTickCount(), c.tick32) << c.startMs << "+" << c.advanceMs;
    // Elapsed time across the wrap comes out right in unsigned arithmetic.
    EXPECT_EQ(static_cast<DWORD>(GetTickCount() - static_cast<DWORD>(c.startMs)), static_cast<DWORD>(c.advanceMs));
  }
}

TEST(VirtualClock, SleepAdvancesInsteadOfBlockingAndTellsTheListener) {
  TVirtualClock clock(100);
  TScopedClock scope(clock);
  std::vector<Int64> heard;
  clock.SetListener([&](Int64 now) { heard.push_back(now); });
  Sleep(250);
  Sleep(0);
  clock.Advance(5);
  EXPECT_EQ(GetTickCount64(), 355);
  EXPECT_EQ(heard, (std::vector<Int64>{350, 350, 355}));
}

TEST(VirtualClock, ListenerMayReadAndAdvanceTheClock) {
  TVirtualClock clock;
  TScopedClock scope(clock);
  int calls = 0;
  clock.SetListener([&](Int64) {
    ++calls;
    // A timer that fires and sleeps on: re-entry must not deadlock.
    if (GetTickCount() < 30) clock.Advance(10);
  });
  clock.Advance(10);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(clock.PeekMilliseconds(), 30);
}

TEST(VirtualClock, BusyWaitSeesTimeMoveThroughDrift) {
  TVirtualClock clock(0, 250);
  TScopedClock scope(clock);
  int listened = 0;
  clock.SetListener([&](Int64) { ++listened; });
  const DWORD start = GetTickCount();  // 250 us
  int reads = 0;
  while (GetTickCount() - start < 5) ++reads;
  // Every read moves a quarter millisecond: 18 reads fall short of 5 ms and
  // the 19th ends the loop. Drift never calls the listener.
  EXPECT_EQ(reads, 18);
  EXPECT_EQ(clock.PeekMicroseconds(), 5000);
  EXPECT_EQ(listened, 0);
}

TEST(VirtualClock, WithoutDriftReadsDoNotMoveTime) {
  TVirtualClock clock(7);
  TScopedClock scope(clock);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(GetTickCount(), 7u);
  clock.SetDrift(1000);
  EXPECT_EQ(GetTickCount(), 8u);
  clock.SetDrift(0);
  EXPECT_EQ(GetTickCount(), 8u);
}

TEST(VirtualClock, ConcurrentReadsEachDriftExactlyOnce) {
  TVirtualClock clock(0, 3);
  TScopedClock scope(clock);
  constexpr int kThreads = 4, kReads = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([] {
      Int64 last = 0;
      for (int i = 0; i < kReads; ++i) {
        Int64 c;
        QueryPerformanceCounter(&c);
        ASSERT_GT(c, last);
        last = c;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(clock.PeekMicroseconds(), Int64{kThreads} * kReads * 3);
}

TEST(VirtualClock, PerformanceCounterCountsMicroseconds) {
  TVirtualClock clock(2);
  TScopedClock scope(clock);
  Int64 freq = 0, before = 0, after = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(&freq));
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  clock.AdvanceMicroseconds(1234);
  ASSERT_TRUE(QueryPerformanceCounter(&after));
  EXPECT_EQ(freq, 1000000);
  EXPECT_EQ(before, 2000);
  EXPECT_EQ(after - before, 1234);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
  EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
}

TEST(Clock, ScopedClockRestoresTheOneBefore) {
  TClock* real = &CurrentClock();
  {
    TVirtualClock outer(10);
    TScopedClock a(outer);
    {
      TVirtualClock inner(20);
      TScopedClock b(inner);
      EXPECT_EQ(GetTickCount64(), 20);
    }
    EXPECT_EQ(GetTickCount64(), 10);
  }
  EXPECT_EQ(&CurrentClock(), real);
  EXPECT_EQ(SetClock(nullptr), real);
}

TEST(RealClock, IsMonotonicAndSleepWaits) {
  ASSERT_NE(dynamic_cast<TRealClock*>(&CurrentClock()), nullptr);
  const Int64 t0 = CurrentClock().Microseconds();
  Sleep(2);
  const Int64 t1 = CurrentClock().Microseconds();
  EXPECT_GE(t1 - t0, 2000);
}

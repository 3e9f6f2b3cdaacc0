#include "platform/rtl/ParallelRows.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Restores the default thread count when a test ends.
struct ThreadCount {
  explicit ThreadCount(int n) { SetParallelThreadCount(n); }
  ~ThreadCount() { SetParallelThreadCount(0); }
};

// How often each row was handed to a band, over one call.
std::vector<int> Visits(int rows, int minBand) {
  std::vector<std::atomic<int>> seen(std::max(rows, 0));
  ParallelRows(
      rows,
      [&](int begin, int end) {
        ASSERT_LE(0, begin);
        ASSERT_LE(begin, end);
        ASSERT_LE(end, rows);
        EXPECT_TRUE(end - begin >= minBand || end == rows) << begin << ".." << end;
        for (int y = begin; y < end; ++y) ++seen[y];
      },
      minBand);
  std::vector<int> out;
  for (auto& s : seen) out.push_back(s.load());
  return out;
}

TEST(ParallelRows, EveryRowRunsOnceForAnyThreadCountAndBandSize) {
  struct Case {
    int threads, rows, minBand;
  } cases[] = {{1, 7, 1},  {2, 1, 1},  {2, 2, 1},    {3, 7, 1},   {3, 100, 7},
               {8, 3, 1},  {8, 9, 4},  {8, 1000, 1}, {8, 1001, 64}, {5, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.rows << " rows, bands of " << c.minBand);
    ThreadCount count(c.threads);
    EXPECT_EQ(Visits(c.rows, c.minBand), std::vector<int>(c.rows, 1));
  }
}

TEST(ParallelRows, SameBytesWhateverTheThreadCount) {
  // Each row's bytes depend on its neighbours in the source, as a filter's do.
  const int w = 97, h = 61;
  std::vector<unsigned char> src(w * h);
  for (int i = 0; i < w * h; ++i) src[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
  auto run = [&](int threads) {
    ThreadCount count(threads);
    std::vector<unsigned char> out(w * h);
    ParallelRows(h, [&](int begin, int end) {
      for (int y = begin; y < end; ++y)
        for (int x = 0; x < w; ++x) {
          const int up = y > 0 ? src[(y - 1) * w + x] : 0, down = y + 1 < h ? src[(y + 1) * w + x] : 0;
          out[y * w + x] = static_cast<unsigned char>((up + 2 * src[y * w + x] + down) / 4);
        }
    });
    return out;
  };
  const std::vector<unsigned char> one = run(1);
  for (int threads : {2, 3, 8}) EXPECT_EQ(run(threads), one) << threads << " threads";
}

TEST(ParallelRows, UsesSeveralThreadsAndTheCaller) {
  ThreadCount count(4);
  std::mutex lock;
  std::vector<std::thread::id> ids;
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> waiting{0};
  // Every band waits until four bands run at once, which only happens when
  // four threads take part (bounded by time, so a broken pool fails, not
  // hangs).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  ParallelRows(
      4,
      [&](int, int) {
        {
          std::lock_guard<std::mutex> hold(lock);
          ids.push_back(std::this_thread::get_id());
        }
        ++waiting;
        while (waiting.load() < 4 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
      },
      1);
  ASSERT_EQ(ids.size(), 4u);
  EXPECT_EQ(waiting.load(), 4);
  EXPECT_NE(std::find(ids.begin(), ids.end(), caller), ids.end());
  EXPECT_EQ(std::set<std::thread::id>(ids.begin(), ids.end()).size(), 4u);
}

TEST(ParallelRows, ABandsExceptionReachesTheCallerAndThePoolStaysUsable) {
  ThreadCount count(3);
  EXPECT_THROW(ParallelRows(300,
                            [](int begin, int end) {
                              if (begin <= 150 && 150 < end) throw std::runtime_error("row 150");
                            }),
               std::runtime_error);
  EXPECT_EQ(Visits(300, 1), std::vector<int>(300, 1));
}

TEST(ParallelRows, ACallFromInsideABandRunsOnItsThread) {
  ThreadCount count(4);
  std::vector<std::atomic<int>> seen(40 * 30);
  ParallelRows(40, [&](int begin, int end) {
    for (int y = begin; y < end; ++y)
      ParallelRows(30, [&](int b, int e) {
        for (int x = b; x < e; ++x) ++seen[y * 30 + x];
      });
  });
  for (auto& s : seen) EXPECT_EQ(s.load(), 1);
}

TEST(ParallelRows, CallsFromTwoThreadsAtOnceBothFinish) {
  ThreadCount count(4);
  std::vector<int> a, b;
  std::thread other([&] { a = Visits(5000, 3); });
  b = Visits(7000, 5);
  other.join();
  EXPECT_EQ(a, std::vector<int>(5000, 1));
  EXPECT_EQ(b, std::vector<int>(7000, 1));
}

// The default is read once per process, so each case runs in a fresh one.
TEST(ParallelRowsDeathTest, DefaultFollowsTheAffinityMaskAndTheEnvironment) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        cpu_set_t one;
        CPU_ZERO(&one);
        sched_getaffinity(0, sizeof one, &one);
        int first = 0;
        while (!CPU_ISSET(first, &one)) ++first;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        sched_setaffinity(0, sizeof one, &one);
        unsetenv("LUMIQA_THREADS");
        std::exit(ParallelThreadCount());
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        setenv("LUMIQA_THREADS", "3", 1);
        std::exit(ParallelThreadCount());
      },
      testing::ExitedWithCode(3), "");
}

}  // namespace

#include "platform/rtl/ParallelRows.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kMaxThreads = 64;
// Several bands per thread, so one slow band (a busy core) does not hold up
// the call while the other threads wait.
constexpr int kBandsPerThread = 4;

std::atomic<int> forcedThreads{0};
thread_local bool insideBand = false;

int DefaultThreadCount() {
  static const int count = [] {
    if (const char* env = std::getenv("LUMIQA_THREADS")) {
      const int n = std::atoi(env);
      if (n >= 1) return std::min(n, kMaxThreads);
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::clamp(CPU_COUNT(&set), 1, kMaxThreads);
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
  }();
  return count;
}

struct TJob {
  const std::function<void(int, int)>* body = nullptr;
  int rows = 0;
  int bands = 0;
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::atomic<bool> failed{false};
  std::exception_ptr error;
  std::mutex errorLock;

  // Takes bands until none is left; returns after the last one it ran.
  void Work() {
    insideBand = true;
    for (;;) {
      const int band = next.fetch_add(1);
      if (band >= bands) break;
      if (!failed.load()) {
        const int begin = int(std::int64_t(rows) * band / bands);
        const int end = int(std::int64_t(rows) * (band + 1) / bands);
        try {
          (*body)(begin, end);
        } catch (...) {
          std::lock_guard<std::mutex> hold(errorLock);
          if (!error) error = std::current_exception();
          failed = true;
        }
      }
      done.fetch_add(1);
    }
    insideBand = false;
  }
};

class TPool {
 public:
  ~TPool() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  // False when another thread's call holds the pool.
  bool Run(TJob& job, int threads) {
    std::unique_lock<std::mutex> busy(busy_, std::try_to_lock);
    if (!busy.owns_lock()) return false;
    Grow(threads - 1);
    {
      std::lock_guard<std::mutex> hold(lock_);
      job_ = &job;
      helpers_ = threads - 1;
      ++generation_;
    }
    wake_.notify_all();
    job.Work();
    // Every band has been taken; wait for the ones still running, then for
    // the helpers to let go of the job before it leaves the caller's frame.
    std::unique_lock<std::mutex> hold(lock_);
    finished_.wait(hold, [&] { return job.done.load() >= job.bands && active_ == 0; });
    job_ = nullptr;
    return true;
  }

 private:
  void Grow(int wanted) {
    while (int(workers_.size()) < wanted) {
      const int index = int(workers_.size());
      try {
        workers_.emplace_back([this, index] { Loop(index); });
      } catch (const std::system_error&) {
        break;  // no more threads to be had: the others take the bands
      }
    }
  }

  void Loop(int index) {
    unsigned seen = 0;
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      wake_.wait(hold, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      if (index >= helpers_ || !job_) continue;
      TJob* job = job_;
      ++active_;
      hold.unlock();
      job->Work();
      hold.lock();
      --active_;
      finished_.notify_all();
    }
  }

  std::mutex busy_;  // one call at a time
  std::mutex lock_;
  std::condition_variable wake_, finished_;
  std::vector<std::thread> workers_;
  TJob* job_ = nullptr;
  int helpers_ = 0;
  int active_ = 0;
  unsigned generation_ = 0;
  bool stopping_ = false;
};

TPool& Pool() {
  static TPool pool;
  return pool;
}

}  // namespace

int ParallelThreadCount() {
  const int forced = forcedThreads.load();
  return forced > 0 ? forced : DefaultThreadCount();
}

void SetParallelThreadCount(int threads) { forcedThreads = std::clamp(threads, 0, kMaxThreads); }

void ParallelRows(int rows, const std::function<void(int begin, int end)>& body, int minBand) {
  if (rows <= 0) return;
  minBand = std::max(1, minBand);
  const int threads = std::min(ParallelThreadCount(), std::max(1, rows / minBand));
  if (threads <= 1 || insideBand) {
    body(0, rows);
    return;
  }
  TJob job;
  job.body = &body;
  job.rows = rows;
  job.bands = std::min(rows / minBand, threads * kBandsPerThread);
  if (!Pool().Run(job, threads)) {
    body(0, rows);
    return;
  }
  if (job.error) std::rethrow_exception(job.error);
}

// One switchable clock behind GetTickCount, Sleep and the high-resolution
// counter. The real clock follows the monotonic system clock; a
// TVirtualClock only moves when told to (Advance, Sleep) or, when drift is
// on, a little on every read so that busy-waits on GetTickCount end.
#pragma once
#include <atomic>
#include <functional>
#include <mutex>

#include "platform/rtl/Types.h"

class TClock {
 public:
  TClock() = default;
  TClock(const TClock&) = delete;
  TClock& operator=(const TClock&) = delete;
  virtual ~TClock() = default;

  // Monotonic time in microseconds since an arbitrary fixed point.
  virtual Int64 Microseconds() = 0;
  virtual void Sleep(DWORD ms) = 0;
};

class TRealClock final : public TClock {
 public:
  Int64 Microseconds() override;
  // Sleep(0) gives up the rest of the time slice.
  void Sleep(DWORD ms) override;
};

class TVirtualClock final : public TClock {
 public:
  // Called after each Advance or Sleep with the new time in milliseconds, on
  // the thread that moved the clock and outside the clock's lock (so it may
  // read the clock or advance it again). Drift never calls it: a listener
  // that reads GetTickCount would otherwise re-enter itself.
  using TAdvanceListener = std::function<void(Int64 nowMs)>;

  // Time starts at startMs (a start near 2^32 tests the 32-bit wrap).
  // driftMicroseconds is how far every read moves the clock; 0 freezes time
  // between explicit advances, for tests that count milliseconds exactly.
  explicit TVirtualClock(Int64 startMs = 0, Int64 driftMicroseconds = 0);

  Int64 Microseconds() override;
  // Advances by ms instead of blocking, then yields so that real threads
  // polled in a Sleep loop can make progress.
  void Sleep(DWORD ms) override;

  void Advance(Int64 ms);
  void AdvanceMicroseconds(Int64 us);
  // Reads without drift: for listeners and tests that must not move time.
  Int64 PeekMicroseconds() const { return now_.load(); }
  Int64 PeekMilliseconds() const { return now_.load() / 1000; }

  void SetDrift(Int64 microsecondsPerRead) { drift_.store(microsecondsPerRead); }
  Int64 Drift() const { return drift_.load(); }

  void SetListener(TAdvanceListener listener);

 private:
  std::atomic<Int64> now_;
  std::atomic<Int64> drift_;
  mutable std::mutex listenerLock_;
  TAdvanceListener listener_;
};

// Installs clock (nullptr: the real clock) and returns the one it replaces.
// The caller keeps the clock alive while it is installed.
TClock* SetClock(TClock* clock);
TClock& CurrentClock();

// Installs a clock for one scope and restores the previous one.
class TScopedClock {
 public:
  explicit TScopedClock(TClock& clock) : previous_(SetClock(&clock)) {}
  ~TScopedClock() { SetClock(previous_); }
  TScopedClock(const TScopedClock&) = delete;
  TScopedClock& operator=(const TScopedClock&) = delete;

 private:
  TClock* previous_;
};

// Milliseconds; the 32-bit count wraps after about 49.7 days.
DWORD GetTickCount();
Int64 GetTickCount64();
void Sleep(DWORD ms);
// Counts microseconds: the frequency is always 1,000,000.
BOOL QueryPerformanceCounter(Int64* count);
BOOL QueryPerformanceFrequency(Int64* frequency);

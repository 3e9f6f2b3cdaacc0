#include "platform/rtl/Clock.h"

#include <chrono>
#include <thread>

namespace {

TRealClock& RealClock() {
  static TRealClock* clock = new TRealClock;  // outlives every static user
  return *clock;
}

std::atomic<TClock*> installed{nullptr};

}  // namespace

Int64 TRealClock::Microseconds() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void TRealClock::Sleep(DWORD ms) {
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TVirtualClock::TVirtualClock(Int64 startMs, Int64 driftMicroseconds)
    : now_(startMs * 1000), drift_(driftMicroseconds) {}

Int64 TVirtualClock::Microseconds() {
  Int64 d = drift_.load();
  if (d == 0) return now_.load();
  return now_.fetch_add(d) + d;
}

void TVirtualClock::Sleep(DWORD ms) {
  Advance(ms);
  std::this_thread::yield();
}

void TVirtualClock::Advance(Int64 ms) { AdvanceMicroseconds(ms * 1000); }

void TVirtualClock::AdvanceMicroseconds(Int64 us) {
  if (us < 0) us = 0;  // monotonic: time never runs back
  const Int64 after = now_.fetch_add(us) + us;
  TAdvanceListener listener;
  {
    std::lock_guard<std::mutex> guard(listenerLock_);
    listener = listener_;
  }
  if (listener) listener(after / 1000);
}

void TVirtualClock::SetListener(TAdvanceListener listener) {
  std::lock_guard<std::mutex> guard(listenerLock_);
  listener_ = std::move(listener);
}

TClock* SetClock(TClock* clock) {
  TClock* previous = installed.exchange(clock);
  return previous ? previous : &RealClock();
}

TClock& CurrentClock() {
  TClock* c = installed.load();
  return c ? *c : RealClock();
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

Int64 GetTickCount64() { return CurrentClock().Microseconds() / 1000; }

void Sleep(DWORD ms) { CurrentClock().Sleep(ms); }

BOOL QueryPerformanceCounter(Int64* count) {
  if (!count) return 0;
  *count = CurrentClock().Microseconds();
  return 1;
}

BOOL QueryPerformanceFrequency(Int64* frequency) {
  if (!frequency) return 0;
  *frequency = 1000000;
  return 1;
}

// Threads and locks: TThread with the framework's Synchronize model,
// TCriticalSection, TEvent/TSimpleEvent and interlocked counters.
//
// Synchronize and Queue put work on one process-wide queue that the main
// (GUI) thread drains with CheckSynchronize. The window layer installs
// WakeMainThread to post itself a message when work arrives, so that its
// loop calls CheckSynchronize soon.
#pragma once
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/rtl/Events.h"
#include "platform/rtl/LastError.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

constexpr DWORD INFINITE = 0xFFFFFFFFu;

// A small positive number per thread, never 0, stable for the thread's life.
DWORD GetCurrentThreadId();
// The thread that started the process (captured during static start-up).
extern DWORD MainThreadID;
bool IsMainThread();

using TThreadMethod = std::function<void()>;

// Called (from any thread) whenever work is queued for the main thread.
extern std::function<void()> WakeMainThread;
// Runs the work queued for the main thread; waits up to timeoutMs (real
// time) for some to arrive when none is queued. Returns whether any ran.
// Raises EThread when called from another thread. An exception from a
// Queue'd method leaves CheckSynchronize; the rest of the queue stays.
bool CheckSynchronize(DWORD timeoutMs = 0);

class TThread : public TObject {
 public:
  // The OS thread starts at Start/Resume. A class that is created running
  // (CreateSuspended false) starts in AfterConstruction, which the most
  // derived constructor calls last or the creator calls through New<T>:
  // the base constructor cannot start it, as Execute would run on a half
  // built object.
  explicit TThread(bool CreateSuspended);
  // An unfinished thread is terminated and waited for. By then the derived
  // part is gone, so a class whose Execute uses its own members ends with
  // Terminate(); WaitFor(); in its own destructor.
  ~TThread() override;
  std::string ClassName() const override { return "TThread"; }

  template <class T, class... Args>
  static T* New(Args&&... args) {
    T* t = new T(std::forward<Args>(args)...);
    t->AfterConstruction();
    return t;
  }
  void AfterConstruction();

  // Raises EThread on a thread that was already started.
  void Start();
  // Start for a suspended thread; nothing for one that runs.
  void Resume();
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  bool Started() const;
  bool Finished() const { return finished_.load(); }
  // Waits for Execute (and OnTerminate) to end and returns ReturnValue. On the
  // main thread it keeps draining the Synchronize queue while waiting, so a
  // worker blocked in Synchronize cannot deadlock it. Raises EThread for a
  // suspended thread that would never end, or when a thread waits for itself.
  int WaitFor();

  HANDLE Handle() const { return const_cast<TThread*>(this); }
  DWORD ThreadID() const { return threadId_; }

  // Set before Start; the thread frees itself after Execute and OnTerminate.
  bool FreeOnTerminate = false;
  // Runs on the main thread after Execute ends.
  TNotifyEvent OnTerminate;

  // The exception that escaped Execute, if any: kept, never rethrown.
  std::exception_ptr FatalException() const;
  std::string FatalExceptionMessage() const;

  // Runs method on the main thread and waits for it; runs at once on the
  // main thread. An exception raised by method is raised again here.
  static void Synchronize(const TThreadMethod& method);
  // Queues method for the main thread without waiting; runs at once on the
  // main thread.
  static void Queue(TThreadMethod method);
  // Removes queued work that has not run yet, e.g. before the objects it
  // uses go away.
  static void RemoveQueuedEvents();

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  int ReturnValue = 0;

 private:
  void Run();
  void Launch();

  mutable std::mutex stateLock_;
  std::condition_variable stateChanged_;
  std::thread thread_;
  bool createSuspended_;
  bool constructed_ = false;
  bool started_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  DWORD threadId_;
  std::exception_ptr fatal_;
};

// Recursive, as the framework's critical section: the owning thread may
// enter again and must leave as often.
class TCriticalSection : public TObject {
 public:
  std::string ClassName() const override { return "TCriticalSection"; }
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

// Waits run in real time (they synchronise real threads).
class TEvent : public TObject {
 public:
  // A manual-reset event stays set until ResetEvent; an auto-reset one
  // releases one waiter and resets itself.
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : manualReset_(ManualReset), signaled_(InitialState) {}
  std::string ClassName() const override { return "TEvent"; }
  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(DWORD timeoutMs = INFINITE);

 private:
  std::mutex lock_;
  std::condition_variable cond_;
  bool manualReset_;
  bool signaled_;
};

class TSimpleEvent : public TEvent {
 public:
  TSimpleEvent() : TEvent(true, false) {}
  std::string ClassName() const override { return "TSimpleEvent"; }
};

// Increment and Decrement return the new value; Exchange and
// CompareExchange the value before the call.
LongInt InterlockedIncrement(LongInt& target);
LongInt InterlockedDecrement(LongInt& target);
LongInt InterlockedExchange(LongInt& target, LongInt value);
LongInt InterlockedCompareExchange(LongInt& target, LongInt exchange, LongInt comparand);

#include "platform/rtl/Threads.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"

namespace {

// Runs a function as its Execute.
class TLambdaThread : public TThread {
 public:
  TLambdaThread(bool suspended, std::function<int(TLambdaThread&)> body)
      : TThread(suspended), body_(std::move(body)) {}
  ~TLambdaThread() override {
    Terminate();
    if (Started() && !Finished() && !FreeOnTerminate) WaitFor();
    if (destroyed) destroyed->SetEvent();
  }
  bool IsTerminated() const { return Terminated(); }
  TEvent* destroyed = nullptr;

 protected:
  void Execute() override { ReturnValue = body_(*this); }

 private:
  std::function<int(TLambdaThread&)> body_;
};

// Drains the main thread's queue until done() or a generous deadline.
template <class Pred>
bool PumpUntil(Pred done) {
  for (int i = 0; i < 5000 && !done(); ++i) CheckSynchronize(2);
  return done();
}

class Threads : public ::testing::Test {
 protected:
  void TearDown() override {
    TThread::RemoveQueuedEvents();
    WakeMainThread = nullptr;
  }
};

}  // namespace

TEST_F(Threads, WaitForReturnsTheReturnValueOfExecute) {
  TLambdaThread t(false, [](TLambdaThread&) { return 42; });
  t.AfterConstruction();
  EXPECT_EQ(t.WaitFor(), 42);
  EXPECT_TRUE(t.Finished());
  EXPECT_FALSE(t.FatalException());
}

TEST_F(Threads, SuspendedThreadRunsOnlyAfterStartAndStartsOnce) {
  std::atomic<int> runs{0};
  TLambdaThread t(true, [&](TLambdaThread&) { return ++runs; });
  t.AfterConstruction();
  EXPECT_FALSE(t.Started());
  EXPECT_THROW(t.WaitFor(), EThread);  // would never end
  EXPECT_EQ(runs.load(), 0);
  t.Start();
  EXPECT_THROW(t.Start(), EThread);
  t.Resume();  // harmless on a running thread
  EXPECT_EQ(t.WaitFor(), 1);
  EXPECT_EQ(runs.load(), 1);
}

TEST_F(Threads, CreatedRunningStartsThroughNewOrAtWaitFor) {
  TLambdaThread* a = TThread::New<TLambdaThread>(false, [](TLambdaThread&) { return 7; });
  EXPECT_TRUE(a->Started());
  EXPECT_EQ(a->WaitFor(), 7);
  delete a;
  // Without AfterConstruction the thread is not lost: WaitFor starts it.
  TLambdaThread b(false, [](TLambdaThread&) { return 8; });
  EXPECT_EQ(b.WaitFor(), 8);
}

TEST_F(Threads, IdentityOfMainAndWorkerThreads) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(GetCurrentThreadId(), MainThreadID);
  EXPECT_NE(MainThreadID, 0u);
  std::atomic<DWORD> inside{0};
  std::atomic<bool> workerIsMain{true};
  TLambdaThread t(true, [&](TLambdaThread&) {
    inside = GetCurrentThreadId();
    workerIsMain = IsMainThread();
    return 0;
  });
  TLambdaThread other(true, [](TLambdaThread&) { return 0; });
  const DWORD before = t.ThreadID();  // known before the thread runs
  t.Start();
  t.WaitFor();
  EXPECT_NE(before, 0u);
  EXPECT_EQ(inside.load(), before);
  EXPECT_NE(other.ThreadID(), before);
  EXPECT_NE(before, MainThreadID);
  EXPECT_FALSE(workerIsMain.load());
  EXPECT_NE(t.Handle(), nullptr);
}

TEST_F(Threads, ExceptionEscapingExecuteIsKeptNotFatal) {
  struct Case {
    std::function<void()> raise;
    std::string message;
  };
  const Case cases[] = {
      {[] { throw EConvertError("'x' is not a valid integer value"); }, "'x' is not a valid integer value"},
      {[] { throw std::runtime_error("plain"); }, "plain"},
      {[] { throw 5; }, "Unknown exception"},
  };
  for (const Case& c : cases) {
    TLambdaThread t(true, [&](TLambdaThread&) {
      c.raise();
      return 1;
    });
    t.Start();
    EXPECT_EQ(t.WaitFor(), 0);
    EXPECT_TRUE(t.FatalException());
    EXPECT_EQ(t.FatalExceptionMessage(), c.message);
  }
}

TEST_F(Threads, TerminateEndsAPollingLoopAndDestructorWaits) {
  TEvent running;
  std::atomic<bool> ended{false};
  {
    TLambdaThread t(true, [&](TLambdaThread& self) {
      running.SetEvent();
      while (!self.IsTerminated()) Sleep(0);
      ended = true;
      return 0;
    });
    t.Start();
    ASSERT_EQ(running.WaitFor(5000), wrSignaled);
    EXPECT_FALSE(t.Finished());
  }  // terminates and waits
  EXPECT_TRUE(ended.load());
}

TEST_F(Threads, SynchronizeRunsOnTheMainThreadAndWakesIt) {
  std::atomic<int> wakes{0};
  WakeMainThread = [&] { ++wakes; };
  std::vector<int> order;  // touched only on the main thread
  bool ranOnMain = true;
  TLambdaThread t(true, [&](TLambdaThread&) {
    for (int i = 0; i < 3; ++i)
      TThread::Synchronize([&, i] {
        ranOnMain = ranOnMain && IsMainThread();
        order.push_back(i);
      });
    return 0;
  });
  t.Start();
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
  t.WaitFor();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(wakes.load(), 3);
}

TEST_F(Threads, SynchronizeAndQueueOnTheMainThreadRunAtOnce) {
  int n = 0;
  TThread::Synchronize([&] { ++n; });
  TThread::Queue([&] { ++n; });
  EXPECT_EQ(n, 2);
  EXPECT_FALSE(CheckSynchronize(0));
}

TEST_F(Threads, ExceptionInSynchronizedMethodIsRaisedInTheWorker) {
  std::string caught;
  TLambdaThread t(true, [&](TLambdaThread&) {
    try {
      TThread::Synchronize([] { throw EInvalidOperation("no parent window"); });
    } catch (const EInvalidOperation& e) {
      caught = e.Message();
    }
    return 0;
  });
  t.Start();
  t.WaitFor();  // drains the queue while it waits
  EXPECT_EQ(caught, "no parent window");
  EXPECT_FALSE(t.FatalException());
}

TEST_F(Threads, QueuedMethodsRunInOrderAndCanBeRemoved) {
  std::vector<int> order;
  // Not WaitFor: on the main thread it would run the queue while waiting.
  auto finish = [](TThread& t) {
    while (!t.Finished()) Sleep(0);
  };
  TLambdaThread t(true, [&](TLambdaThread&) {
    for (int i = 0; i < 4; ++i) TThread::Queue([&order, i] { order.push_back(i); });
    return 0;
  });
  t.Start();
  finish(t);
  EXPECT_TRUE(order.empty());  // the worker did not wait for them
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));

  TLambdaThread u(true, [&](TLambdaThread&) {
    TThread::Queue([&order] { order.push_back(99); });
    return 0;
  });
  u.Start();
  finish(u);
  TThread::RemoveQueuedEvents();
  EXPECT_FALSE(CheckSynchronize(0));
  EXPECT_EQ(order.size(), 4u);
}

TEST_F(Threads, ExceptionFromQueuedMethodLeavesCheckSynchronizeAndKeepsTheRest) {
  int ran = 0;
  TLambdaThread t(true, [&](TLambdaThread&) {
    TThread::Queue([] { throw Exception("queued failure"); });
    TThread::Queue([&ran] { ++ran; });
    return 0;
  });
  t.Start();
  while (!t.Finished()) Sleep(0);
  EXPECT_THROW(CheckSynchronize(0), Exception);
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(ran, 1);
}

TEST_F(Threads, CheckSynchronizeWaitsForWorkAndRefusesOtherThreads) {
  EXPECT_FALSE(CheckSynchronize(3));
  int ran = 0;
  TLambdaThread t(true, [&](TLambdaThread&) {
    TThread::Queue([&ran] { ++ran; });
    CheckSynchronize(0);  // raises: not the main thread
    return 1;
  });
  t.Start();
  EXPECT_TRUE(PumpUntil([&] { return ran == 1; }));
  t.WaitFor();
  EXPECT_EQ(t.FatalExceptionMessage(), "CheckSynchronize called from a thread that is not the main thread");
}

TEST_F(Threads, OnTerminateRunsOnTheMainThreadAfterExecute) {
  std::atomic<bool> executed{false};
  bool sawExecuted = false, onMain = false;
  TObject* sender = nullptr;
  TLambdaThread t(true, [&](TLambdaThread&) {
    executed = true;
    return 0;
  });
  t.OnTerminate = [&](TObject* s) {
    sender = s;
    onMain = IsMainThread();
    sawExecuted = executed.load();
  };
  t.Start();
  t.WaitFor();
  EXPECT_EQ(sender, &t);
  EXPECT_TRUE(onMain);
  EXPECT_TRUE(sawExecuted);
}

TEST_F(Threads, FreeOnTerminateFreesTheThreadItself) {
  TEvent destroyed;
  bool terminated = false;
  auto* t = new TLambdaThread(true, [](TLambdaThread&) { return 0; });
  t->FreeOnTerminate = true;
  t->destroyed = &destroyed;
  t->OnTerminate = [&](TObject*) { terminated = true; };
  EXPECT_THROW(t->WaitFor(), EThread);  // never started: refused
  t->Start();
  ASSERT_TRUE(PumpUntil([&] { return terminated; }));
  EXPECT_EQ(destroyed.WaitFor(5000), wrSignaled);
}

TEST_F(Threads, WaitForFromAnotherWorker) {
  TEvent go;
  TLambdaThread target(true, [&](TLambdaThread&) {
    go.WaitFor();
    return 5;
  });
  std::atomic<int> seen{0};
  TLambdaThread waiter(true, [&](TLambdaThread&) {
    seen = target.WaitFor();
    return 0;
  });
  target.Start();
  waiter.Start();
  go.SetEvent();
  waiter.WaitFor();
  EXPECT_EQ(seen.load(), 5);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
  TCriticalSection cs;
  cs.Enter();
  cs.Acquire();  // the same thread again
  auto tryFromOther = [&] {
    bool got = false;
    std::thread other([&] {
      got = cs.TryEnter();
      if (got) cs.Leave();
    });
    other.join();
    return got;
  };
  EXPECT_FALSE(tryFromOther());
  cs.Release();
  EXPECT_FALSE(tryFromOther());  // still held once
  cs.Leave();
  EXPECT_TRUE(tryFromOther());
}

TEST(CriticalSection, ProtectsASharedCounter) {
  TCriticalSection cs;
  long plain = 0;
  LongInt interlocked = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        cs.Enter();
        ++plain;
        cs.Leave();
        InterlockedIncrement(interlocked);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(plain, 40000);
  EXPECT_EQ(interlocked, 40000);
}

TEST(Event, ManualAndAutoResetStates) {
  struct Case {
    bool manual;
    bool initial;
    std::vector<TWaitResult> firstWaits;  // WaitFor(0) twice in a row
  };
  const Case cases[] = {
      {true, false, {wrTimeout, wrTimeout}},
      {true, true, {wrSignaled, wrSignaled}},
      {false, false, {wrTimeout, wrTimeout}},
      {false, true, {wrSignaled, wrTimeout}},
  };
  for (const Case& c : cases) {
    TEvent e(c.manual, c.initial);
    std::vector<TWaitResult> got{e.WaitFor(0), e.WaitFor(0)};
    EXPECT_EQ(got, c.firstWaits) << c.manual << c.initial;
    e.SetEvent();
    EXPECT_EQ(e.WaitFor(1), wrSignaled);
    EXPECT_EQ(e.WaitFor(0), c.manual ? wrSignaled : wrTimeout);
    e.SetEvent();
    e.ResetEvent();
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
  }
  TSimpleEvent simple;
  EXPECT_EQ(simple.WaitFor(0), wrTimeout);
  simple.SetEvent();
  EXPECT_EQ(simple.WaitFor(0), wrSignaled);
  EXPECT_EQ(simple.WaitFor(0), wrSignaled);
}

TEST(Event, AutoResetReleasesOneWaiterPerSet) {
  TEvent e(false, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i)
    waiters.emplace_back([&] {
      if (e.WaitFor(INFINITE) == wrSignaled) ++released;
    });
  e.SetEvent();
  while (released.load() == 0) std::this_thread::yield();
  // The first set was used up by the waiter it released.
  EXPECT_EQ(e.WaitFor(0), wrTimeout);
  e.SetEvent();
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released.load(), 2);
  // Had the first set released both waiters, nobody would have used up the
  // second, and the event would still be signalled.
  EXPECT_EQ(e.WaitFor(0), wrTimeout);
}

TEST(Interlocked, ReturnValuesAndWrapAround) {
  LongInt v = INT_MAX;
  EXPECT_EQ(InterlockedIncrement(v), INT_MIN);
  EXPECT_EQ(v, INT_MIN);
  EXPECT_EQ(InterlockedDecrement(v), INT_MAX);
  v = 1;
  EXPECT_EQ(InterlockedDecrement(v), 0);
  EXPECT_EQ(InterlockedExchange(v, 9), 0);
  EXPECT_EQ(v, 9);
  struct Case {
    LongInt start, exchange, comparand, returned, after;
  };
  const Case cases[] = {{9, 4, 9, 9, 4}, {9, 4, 8, 9, 9}, {-1, 0, -1, -1, 0}};
  for (const Case& c : cases) {
    LongInt target = c.start;
    EXPECT_EQ(InterlockedCompareExchange(target, c.exchange, c.comparand), c.returned);
    EXPECT_EQ(target, c.after);
  }
}

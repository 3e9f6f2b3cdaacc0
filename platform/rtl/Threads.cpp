#include "platform/rtl/Threads.h"

#include <deque>
#include <memory>

#include "platform/rtl/Exceptions.h"

namespace {

constinit std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

DWORD NewThreadId() { return nextThreadId.fetch_add(1); }

struct SyncItem {
  TThreadMethod method;
  bool waited = false;  // Synchronize (a worker waits) or Queue (nobody does)
  bool done = false;
  std::exception_ptr error;
};

// The main thread's work queue. One condition serves three waits: the main
// thread waiting for work or for a thread to finish, and workers waiting for
// their Synchronize call to be done.
struct SyncQueue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<SyncItem>> items;
};

SyncQueue& Sync() {
  static SyncQueue* queue = new SyncQueue;  // workers may outlive static destruction
  return *queue;
}

void Post(const std::shared_ptr<SyncItem>& item) {
  SyncQueue& q = Sync();
  {
    std::lock_guard<std::mutex> guard(q.lock);
    q.items.push_back(item);
  }
  q.changed.notify_all();
  if (WakeMainThread) WakeMainThread();
}

void NotifyMainThread() {
  SyncQueue& q = Sync();
  { std::lock_guard<std::mutex> guard(q.lock); }
  q.changed.notify_all();
}

}  // namespace

DWORD GetCurrentThreadId() {
  if (currentThreadId == 0) currentThreadId = NewThreadId();
  return currentThreadId;
}

// Static start-up runs on the thread that started the process.
DWORD MainThreadID = GetCurrentThreadId();

bool IsMainThread() { return GetCurrentThreadId() == MainThreadID; }

std::function<void()> WakeMainThread;

bool CheckSynchronize(DWORD timeoutMs) {
  if (!IsMainThread()) throw EThread("CheckSynchronize called from a thread that is not the main thread");
  SyncQueue& q = Sync();
  std::unique_lock<std::mutex> lock(q.lock);
  auto pending = [&] { return !q.items.empty(); };
  if (!pending() && timeoutMs != 0) {
    if (timeoutMs == INFINITE)
      q.changed.wait(lock, pending);
    else
      q.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), pending);
  }
  bool ran = false;
  while (!q.items.empty()) {
    std::shared_ptr<SyncItem> item = q.items.front();
    q.items.pop_front();
    lock.unlock();
    std::exception_ptr error;
    try {
      item->method();
    } catch (...) {
      error = std::current_exception();
    }
    ran = true;
    lock.lock();
    item->done = true;
    item->error = error;
    q.changed.notify_all();
    if (error && !item->waited) {
      lock.unlock();
      std::rethrow_exception(error);
    }
  }
  return ran;
}

TThread::TThread(bool CreateSuspended) : createSuspended_(CreateSuspended), threadId_(NewThreadId()) {}

TThread::~TThread() {
  bool running;
  {
    std::lock_guard<std::mutex> guard(stateLock_);
    running = started_ && !finished_.load();
  }
  if (running && GetCurrentThreadId() != threadId_) {
    Terminate();
    // A queued method that raises while we wait must not escape a
    // destructor; the wait goes on until the thread has ended.
    while (!finished_.load()) {
      try {
        WaitFor();
      } catch (...) {
      }
    }
  }
  if (thread_.joinable()) {
    // A thread that frees itself cannot join itself.
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

void TThread::AfterConstruction() {
  std::lock_guard<std::mutex> guard(stateLock_);
  constructed_ = true;
  if (!createSuspended_ && !started_) Launch();
}

void TThread::Start() {
  std::lock_guard<std::mutex> guard(stateLock_);
  if (started_) throw EThread("Cannot call Start on a running or finished thread");
  Launch();
}

void TThread::Resume() {
  std::lock_guard<std::mutex> guard(stateLock_);
  if (!started_) Launch();
}

bool TThread::Started() const {
  std::lock_guard<std::mutex> guard(stateLock_);
  return started_;
}

void TThread::Launch() {
  started_ = true;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    started_ = false;
    throw EThread(std::string("Thread creation error: ") + e.what());
  }
}

void TThread::Run() {
  currentThreadId = threadId_;
  std::exception_ptr fatal;
  try {
    Execute();
  } catch (...) {
    fatal = std::current_exception();
  }
  try {
    DoTerminate();
  } catch (...) {
    if (!fatal) fatal = std::current_exception();
  }
  const bool freeSelf = FreeOnTerminate;
  {
    std::lock_guard<std::mutex> guard(stateLock_);
    fatal_ = fatal;
    finished_.store(true);
    stateChanged_.notify_all();
  }
  NotifyMainThread();
  if (freeSelf) delete this;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor() {
  if (GetCurrentThreadId() == threadId_) throw EThread("A thread cannot wait for itself");
  {
    std::unique_lock<std::mutex> lock(stateLock_);
    if (!started_) {
      // Created running but nobody called AfterConstruction: construction
      // is over by now, so start it rather than wait forever.
      if (createSuspended_) throw EThread("Cannot wait for a thread that was never started");
      Launch();
    }
    if (!IsMainThread()) {
      stateChanged_.wait(lock, [this] { return finished_.load(); });
      return ReturnValue;
    }
  }
  // The main thread keeps serving Synchronize while it waits.
  SyncQueue& q = Sync();
  while (!finished_.load()) {
    {
      std::unique_lock<std::mutex> lock(q.lock);
      q.changed.wait(lock, [&] { return finished_.load() || !q.items.empty(); });
    }
    CheckSynchronize(0);
  }
  std::lock_guard<std::mutex> guard(stateLock_);
  return ReturnValue;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard<std::mutex> guard(stateLock_);
  return fatal_;
}

std::string TThread::FatalExceptionMessage() const {
  std::exception_ptr e = FatalException();
  if (!e) return {};
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
    return "Unknown exception";
  }
}

void TThread::Synchronize(const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  auto item = std::make_shared<SyncItem>();
  item->method = method;
  item->waited = true;
  Post(item);
  SyncQueue& q = Sync();
  std::unique_lock<std::mutex> lock(q.lock);
  q.changed.wait(lock, [&] { return item->done; });
  if (item->error) std::rethrow_exception(item->error);
}

void TThread::Queue(TThreadMethod method) {
  if (IsMainThread()) {
    method();
    return;
  }
  auto item = std::make_shared<SyncItem>();
  item->method = std::move(method);
  Post(item);
}

void TThread::RemoveQueuedEvents() {
  SyncQueue& q = Sync();
  std::lock_guard<std::mutex> guard(q.lock);
  // Synchronize calls stay: their callers are blocked until they run.
  std::erase_if(q.items, [](const std::shared_ptr<SyncItem>& item) { return !item->waited; });
}

void TEvent::SetEvent() {
  // Notified under the lock: a waiter may free the event as soon as it wakes.
  std::lock_guard<std::mutex> guard(lock_);
  signaled_ = true;
  if (manualReset_)
    cond_.notify_all();
  else
    cond_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> guard(lock_);
  signaled_ = false;
}

TWaitResult TEvent::WaitFor(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(lock_);
  auto isSet = [this] { return signaled_; };
  if (timeoutMs == INFINITE)
    cond_.wait(lock, isSet);
  else if (!cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
    return wrTimeout;
  if (!manualReset_) signaled_ = false;
  return wrSignaled;
}

// Atomic arithmetic wraps; the returned new value must wrap the same way.
LongInt InterlockedIncrement(LongInt& target) {
  return static_cast<LongInt>(static_cast<LongWord>(std::atomic_ref<LongInt>(target).fetch_add(1)) + 1u);
}

LongInt InterlockedDecrement(LongInt& target) {
  return static_cast<LongInt>(static_cast<LongWord>(std::atomic_ref<LongInt>(target).fetch_sub(1)) - 1u);
}

LongInt InterlockedExchange(LongInt& target, LongInt value) {
  return std::atomic_ref<LongInt>(target).exchange(value);
}

LongInt InterlockedCompareExchange(LongInt& target, LongInt exchange, LongInt comparand) {
  std::atomic_ref<LongInt>(target).compare_exchange_strong(comparand, exchange);
  return comparand;  // the value found, whether or not it was replaced
}

#include "platform/user/input/MessageQueue.h"

#include <strings.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Threads.h"
#include "platform/user/windows/DefWindowProc.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/Timers.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

struct TPosted {
  MSG msg;
  std::uint64_t serial = 0;  // of msg.hwnd; 0 for thread messages
};

struct TCrossSend {
  HWND hwnd = nullptr;
  std::uint64_t serial = 0;
  UINT msg = 0;
  WPARAM wp = 0;
  LPARAM lp = 0;
  LRESULT result = 0;
  bool done = false;
};

struct TQueue {
  std::mutex lock;
  std::condition_variable cv;
  std::deque<TPosted> posted;
  std::deque<std::shared_ptr<TCrossSend>> sends;
  bool quit = false;
  int quitCode = 0;
  bool syncWanted = false;
};

TQueue& Queue() {
  static TQueue q;
  return q;
}

int g_inCrossSend = 0;
MSG g_lastMsg;
bool g_wakeHookInstalled = false;

void WakeGuiThread() {
  Queue().cv.notify_all();
  if (TDisplay* d = CurrentDisplay()) d->Wake();
}

}  // namespace

void InstallWakeHook() {
  if (g_wakeHookInstalled) return;
  g_wakeHookInstalled = true;
  // Work queued before the hook existed still needs a run.
  {
    std::lock_guard<std::mutex> lock(Queue().lock);
    Queue().syncWanted = true;
  }
  WakeMainThread = [] {
    {
      std::lock_guard<std::mutex> lock(Queue().lock);
      Queue().syncWanted = true;
    }
    WakeGuiThread();
  };
}

namespace {

bool InRange(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

bool MatchesWindow(HWND filter, HWND h) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return h == nullptr;
  return h == filter || (LiveWnd(h) && IsChild(filter, h));
}

void RunCrossThreadSends() {
  TQueue& q = Queue();
  for (;;) {
    std::shared_ptr<TCrossSend> s;
    {
      std::lock_guard<std::mutex> lock(q.lock);
      if (q.sends.empty()) return;
      s = q.sends.front();
      q.sends.pop_front();
    }
    LRESULT r = 0;
    WND* w = LiveWindow(s->hwnd);
    if (w && w->serial == s->serial) {
      ++g_inCrossSend;
      try {
        r = CallProc(w, s->msg, s->wp, s->lp);
      } catch (...) {
        --g_inCrossSend;
        std::lock_guard<std::mutex> lock(q.lock);
        s->done = true;
        q.cv.notify_all();
        throw;
      }
      --g_inCrossSend;
    }
    std::lock_guard<std::mutex> lock(q.lock);
    s->result = r;
    s->done = true;
    q.cv.notify_all();
  }
}

bool TakePosted(MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
  TQueue& q = Queue();
  std::lock_guard<std::mutex> lock(q.lock);
  for (auto it = q.posted.begin(); it != q.posted.end();) {
    if (it->serial && WindowSerial(it->msg.hwnd) != it->serial) {
      it = q.posted.erase(it);  // its window died after the post
      continue;
    }
    if (MatchesWindow(filter, it->msg.hwnd) && InRange(it->msg.message, lo, hi)) {
      *out = it->msg;
      if (remove) q.posted.erase(it);
      return true;
    }
    ++it;
  }
  return false;
}

void WaitForWork() {
  int timeout = MillisecondsToNextTimer();
  if (TDisplay* d = CurrentDisplay()) {
    d->WaitEvents(timeout);
    return;
  }
  // No display: a virtual clock jumps to the next timer; otherwise wait
  // for another thread's post.
  if (timeout >= 0) {
    if (auto* vc = dynamic_cast<TVirtualClock*>(&CurrentClock())) {
      vc->Advance(timeout);
      return;
    }
  }
  TQueue& q = Queue();
  std::unique_lock<std::mutex> lock(q.lock);
  if (!q.posted.empty() || !q.sends.empty() || q.syncWanted) return;
  if (timeout < 0)
    q.cv.wait(lock);
  else
    q.cv.wait_for(lock, std::chrono::milliseconds(timeout));
}

}  // namespace

bool MainThreadCheck() {
  if (IsMainThread()) return true;
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

LRESULT CallProc(WND* w, UINT msg, WPARAM wp, LPARAM lp) {
  TWindowPin pin(w);
  WNDPROC proc = w->proc ? w->proc : DefWindowProc;
  return proc(HandleOf(w), msg, wp, lp);
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!proc) return 0;
  return proc(hwnd, msg, wp, lp);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (hwnd == HWND_BROADCAST) {
    std::vector<WND*> tops = TopLevelWindows();
    for (WND* t : tops)
      if (IsLive(t)) CallProc(t, msg, wp, lp);
    return 0;
  }
  if (!IsMainThread()) {
    auto s = std::make_shared<TCrossSend>();
    s->hwnd = hwnd;
    s->serial = WindowSerial(hwnd);
    if (!s->serial) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    s->msg = msg;
    s->wp = wp;
    s->lp = lp;
    TQueue& q = Queue();
    {
      std::lock_guard<std::mutex> lock(q.lock);
      q.sends.push_back(s);
    }
    WakeGuiThread();
    std::unique_lock<std::mutex> lock(q.lock);
    q.cv.wait(lock, [&] { return s->done; });
    return s->result;
  }
  WND* w = LiveWindow(hwnd);
  if (!w) return 0;
  return CallProc(w, msg, wp, lp);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TPosted p;
  if (hwnd == HWND_BROADCAST) {
    std::vector<WND*> tops = TopLevelWindows();
    for (WND* t : tops) PostMessage(HandleOf(t), msg, wp, lp);
    return TRUE;
  }
  if (hwnd) {
    p.serial = WindowSerial(hwnd);
    if (!p.serial) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  p.msg.hwnd = hwnd;
  p.msg.message = msg;
  p.msg.wParam = wp;
  p.msg.lParam = lp;
  p.msg.time = GetTickCount();
  p.msg.pt = InputCursorPos();
  {
    std::lock_guard<std::mutex> lock(Queue().lock);
    Queue().posted.push_back(p);
  }
  WakeGuiThread();
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wp, LPARAM lp) {
  if (threadId != MainThreadID) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return PostMessage(nullptr, msg, wp, lp);
}

void DropPostedMessagesFor(WND* w) {
  std::lock_guard<std::mutex> lock(Queue().lock);
  auto& posted = Queue().posted;
  for (auto it = posted.begin(); it != posted.end();)
    it = (it->msg.hwnd == HandleOf(w) && it->serial == w->serial) ? posted.erase(it) : it + 1;
}

BOOL PeekMessage(MSG* out, HWND hwnd, UINT lo, UINT hi, UINT removeFlags) {
  if (!out || !MainThreadCheck()) return FALSE;
  InstallWakeHook();
  bool remove = (removeFlags & PM_REMOVE) != 0;
  RunCrossThreadSends();
  {
    bool sync = false;
    {
      std::lock_guard<std::mutex> lock(Queue().lock);
      std::swap(sync, Queue().syncWanted);
    }
    if (sync) CheckSynchronize(0);
  }
  bool found = TakePosted(out, hwnd, lo, hi, remove);
  if (!found && !hwnd) {
    std::lock_guard<std::mutex> lock(Queue().lock);
    if (Queue().quit) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = WPARAM(Queue().quitCode);
      if (remove) Queue().quit = false;
      found = true;
    }
  }
  if (!found && !hwnd && (InRange(WM_MOUSEMOVE, lo, hi) || InRange(WM_KEYDOWN, lo, hi) || (lo == 0 && hi == 0)))
    found = TakeInputMessage(out, remove);
  if (!found && InRange(WM_PAINT, lo, hi)) {
    CheckHoverTimeouts();
    if (TakePosted(out, hwnd, lo, hi, remove)) {
      found = true;
    } else if (WND* p = FindWindowToPaint(); p && MatchesWindow(hwnd, HandleOf(p))) {
      *out = MSG{};
      out->hwnd = HandleOf(p);
      out->message = WM_PAINT;
      out->time = GetTickCount();
      out->pt = InputCursorPos();
      found = true;
    }
  }
  // Painted pixels reach the screen before a timer's handler, which may
  // run long or keep the queue from ever running dry.
  if (!found) PresentDirtySurfaces();
  if (!found && InRange(WM_TIMER, lo, hi)) found = TakeDueTimer(out, remove);
  if (!found) return FALSE;
  if (remove) g_lastMsg = *out;
  return TRUE;
}

BOOL GetMessage(MSG* out, HWND hwnd, UINT lo, UINT hi) {
  if (!out || !MainThreadCheck()) return -1;
  while (!PeekMessage(out, hwnd, lo, hi, PM_REMOVE)) WaitForWork();
  return out->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage() {
  if (!MainThreadCheck()) return FALSE;
  MSG m;
  while (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) WaitForWork();
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  WND* w = LiveWindow(msg->hwnd);
  if (!w) return 0;
  return CallProc(w, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> lock(Queue().lock);
  Queue().quit = true;
  Queue().quitCode = exitCode;
}

UINT RegisterWindowMessage(const char* name) {
  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
  };
  static std::map<std::string, UINT, NoCaseLess> names;
  static UINT next = 0xC000;
  if (!name || !*name) return 0;
  auto it = names.find(name);
  if (it != names.end()) return it->second;
  return names[name] = next++;
}

BOOL InSendMessage() { return g_inCrossSend > 0 ? TRUE : FALSE; }
DWORD GetMessageTime() { return g_lastMsg.time; }
DWORD GetMessagePos() { return MAKELONG(g_lastMsg.pt.X, g_lastMsg.pt.Y); }

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  if (processId) *processId = 1;
  return IsWindow(hwnd) ? MainThreadID : 0;
}

int ProcessPendingMessages(int maxMessages) {
  int n = 0;
  MSG m;
  while (n < maxMessages && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
    ++n;
  }
  return n;
}

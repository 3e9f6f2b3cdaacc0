#include <gtest/gtest.h>

#include <thread>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/rtl/Threads.h"

namespace {

TEST_F(WindowTest, PostedMessagesArriveInOrderBeforeInputAndPaint) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Pump();
  ClearLog();
  InvalidateRect(w, nullptr, FALSE);
  InputMouseMove(Point(10, 10));
  PostMessage(w, WM_USER + 1, 0, 0);
  PostMessage(w, WM_USER + 2, 0, 0);
  Pump();
  EXPECT_EQ(Trace({WM_USER + 1, WM_USER + 2, WM_MOUSEMOVE, WM_PAINT}),
            (Strings{"w:1025", "w:1026", "w:MOUSEMOVE", "w:PAINT"}));
}

TEST_F(WindowTest, PostsFromAnotherThreadArriveOnTheGuiThread) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  std::vector<DWORD> threads;
  Handle(w, [&](HWND, UINT m, WPARAM, LPARAM, bool&) -> LRESULT {
    if (m >= WM_USER) threads.push_back(GetCurrentThreadId());
    return 0;
  });
  std::thread worker([w] {
    for (int i = 0; i < 200; ++i) PostMessage(w, WM_USER + UINT(i), 0, 0);
    PostThreadMessage(MainThreadID, WM_APP, 0, 0);  // ends the loop below
  });
  int received = 0;
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    if (m.hwnd == nullptr && m.message == WM_APP) break;
    if (m.hwnd == w) {
      EXPECT_EQ(m.message, WM_USER + UINT(received));
      ++received;
    }
    DispatchMessage(&m);
  }
  worker.join();
  EXPECT_EQ(received, 200);
  for (DWORD t : threads) EXPECT_EQ(t, MainThreadID);
}

TEST_F(WindowTest, PostToAWindowDestroyedBeforeRetrievalIsDropped) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  std::thread worker([w] { PostMessage(w, WM_USER, 0, 0); });
  worker.join();
  DestroyWindow(w);
  // A new window may reuse the address; it must not get the old post.
  HWND v = Make("v", WS_POPUP, 0, 0, 100, 100);
  Pump();
  EXPECT_TRUE(TRecorder::Get().Of(w, WM_USER).empty());
  EXPECT_TRUE(TRecorder::Get().Of(v, WM_USER).empty());
}

TEST_F(WindowTest, SendFromAnotherThreadRunsOnTheGuiThreadAndReturnsTheResult) {
  HWND w = Make("w", WS_POPUP, 0, 0, 100, 100);
  BOOL inSend = FALSE;
  Handle(w, [&](HWND, UINT m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_USER) return 0;
    handled = true;
    inSend = InSendMessage();
    EXPECT_TRUE(IsMainThread());
    return LRESULT(wp * 2);
  });
  LRESULT result = 0;
  std::thread worker([&] { result = SendMessage(w, WM_USER, 21, 0); });
  MSG m;
  while (result == 0) {
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    else std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(inSend);
  EXPECT_FALSE(InSendMessage());
}

TEST_F(WindowTest, ReentrantSendMessageNestsSynchronously) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("b", WS_POPUP, 0, 0, 10, 10);
  Handle(a, [b](HWND, UINT m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_USER) return 0;
    handled = true;
    return wp == 0 ? 0 : 1 + SendMessage(b, WM_USER, wp - 1, 0);
  });
  Handle(b, [a](HWND, UINT m, WPARAM wp, LPARAM, bool& handled) -> LRESULT {
    if (m != WM_USER) return 0;
    handled = true;
    return wp == 0 ? 0 : 1 + SendMessage(a, WM_USER, wp - 1, 0);
  });
  EXPECT_EQ(SendMessage(a, WM_USER, 10, 0), 10);
}

TEST_F(WindowTest, QuitMessageEndsGetMessageAfterPostedMessages) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  PostQuitMessage(3);
  PostMessage(w, WM_USER, 0, 0);
  MSG m;
  EXPECT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WindowTest, RegisteredMessagesAreSharedByName) {
  UINT a = RegisterWindowMessage("TaskbarCreated");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(RegisterWindowMessage("taskbarcreated"), a);
  EXPECT_NE(RegisterWindowMessage("Other"), a);
}

TEST_F(WindowTest, SynchronizeFromAWorkerRunsInTheMessageLoop) {
  Make("w", WS_POPUP, 0, 0, 10, 10);
  bool ran = false;
  std::thread worker([&] { TThread::Queue([&] { ran = true; }); });
  worker.join();
  for (int i = 0; i < 100 && !ran; ++i) Pump();
  EXPECT_TRUE(ran);
}

}  // namespace

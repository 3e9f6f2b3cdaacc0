// Sending, posting and retrieving messages on the GUI thread's queue.
// Retrieval order follows Windows: messages sent from other threads, posted
// messages, WM_QUIT, input, WM_PAINT (only when nothing else waits), then
// WM_TIMER. PostMessage and PostThreadMessage may be called from any thread;
// a message for a window destroyed before retrieval is dropped.
#pragma once
#include "platform/user/UserTypes.h"

// Synchronous and re-entrant; from another thread it waits until the GUI
// thread has handled the message.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// hwnd nullptr posts a thread message to the GUI thread.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wp, LPARAM lp);
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
LRESULT DispatchMessage(const MSG* msg);
BOOL WaitMessage();
void PostQuitMessage(int exitCode);
UINT RegisterWindowMessage(const char* name);
// True while handling a message sent from another thread.
BOOL InSendMessage();
DWORD GetMessageTime();
DWORD GetMessagePos();
// Threads that own the window layer's queue: the process's main thread.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

// Retrieves, translates and dispatches until nothing is left (paint, due
// timers and presentation included) without waiting. Returns the number of
// messages dispatched, or stops early after maxMessages (a window that never
// validates its WM_PAINT would otherwise loop for ever). A WM_QUIT found is
// put back so that the caller's GetMessage loop still sees it.
int ProcessPendingMessages(int maxMessages = 100000);

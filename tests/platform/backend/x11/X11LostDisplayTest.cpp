// A program whose X server goes away ends: its shutdown hooks run, one line
// says why, and the exit status says it failed. Run in a child process, as
// the end is the whole process's.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/backend/BackendSelect.h"
#include "platform/user/User.h"
#include "tests/support/XvfbServer.h"
#include "tests/support/MissingPackage.h"

namespace {

// Reads what the fd gives until `until` is in it, EOF, or the bound passes.
std::string ReadUntil(int fd, const std::string& until, int limitMs) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (got.find(until) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, int(left.count())) <= 0) continue;
    char buf[256];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  return got;
}

// waitpid that gives up after limitMs; watches the child through a pidfd.
pid_t WaitChild(pid_t child, int* status, int limitMs) {
  const int fd = int(syscall(SYS_pidfd_open, child, 0));
  if (fd >= 0) {
    pollfd p{fd, POLLIN, 0};
    (void)poll(&p, 1, limitMs);
    close(fd);
  }
  return waitpid(child, status, WNOHANG);
}

LRESULT Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(h, m, wp, lp); }

// The child: the program's own display on `name`, a shown window, a hook
// that reports on `hookFd`, then the message loop until something ends it.
[[noreturn]] void RunProgram(const std::string& name, int readyFd, int hookFd, int errFd) {
  dup2(errFd, 2);
  setenv("DISPLAY", name.c_str(), 1);
  setenv("LUMIQA_BACKEND", "x11", 1);
  auto backend = InstallDefaultBackend();
  if (!backend || backend->Kind() != TBackendKind::X11) _exit(3);
  // A write to the lost server must fail, not raise SIGPIPE past the hooks.
  struct sigaction pipe {};
  if (sigaction(SIGPIPE, nullptr, &pipe) != 0 || pipe.sa_handler != SIG_IGN) _exit(5);
  AddShutdownHook([hookFd] { (void)!write(hookFd, "first ", 6); });
  AddShutdownHook([hookFd] { (void)!write(hookFd, "last ", 5); });
  WNDCLASS wc;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = "LostDisplayWnd";
  RegisterClass(&wc);
  HWND w = CreateWindowEx(0, "LostDisplayWnd", "w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 100, 80, nullptr,
                          nullptr, nullptr, nullptr);
  if (!w) _exit(4);
  ProcessPendingMessages();
  (void)!write(readyFd, "ready", 5);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
  _exit(0);  // a quit without anyone asking: as wrong as hanging
}

TEST(X11LostDisplayTest, ProgramEndsWithAMessageAndAFailureStatusAfterItsHooks) {
  TXvfbServer server;
  std::string why;
  if (!server.Start(320, 240, &why)) LUMIQA_SKIP_MISSING_PACKAGE(why);
  int ready[2], hooks[2], err[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(hooks), 0);
  ASSERT_EQ(pipe(err), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    close(hooks[0]);
    close(err[0]);
    RunProgram(server.Name(), ready[1], hooks[1], err[1]);
  }
  close(ready[1]);
  close(hooks[1]);
  close(err[1]);
  EXPECT_EQ(ReadUntil(ready[0], "ready", 20000), "ready");
  server.Stop();
  // The child ends on its own: its stderr closes when it does.
  const std::string message = ReadUntil(err[0], "\x01", 20000);
  // Its stderr closes a moment before the kernel makes it a zombie: wait for
  // that state, within a bound.
  int status = 0;
  pid_t done = WaitChild(child, &status, 20000);
  if (done != child) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ADD_FAILURE() << "the program kept running without its display";
  }
  EXPECT_TRUE(WIFEXITED(status)) << "ended by a signal";
  if (WIFEXITED(status)) EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadUntil(hooks[0], "\x01", 5000), "last first ") << "the hooks ran, last added first";
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
  EXPECT_NE(message.find("X display " + server.Name()), std::string::npos) << message;
  close(ready[0]);
  close(hooks[0]);
  close(err[0]);
}

}  // namespace

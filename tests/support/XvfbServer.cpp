#include "tests/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

std::string FindOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string all = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string candidate = all.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Starts Xvfb on :number; the server writes the number to the pipe once it
// accepts connections, or exits when the number is taken.
bool TryDisplay(const std::string& exe, int number, int width, int height, pid_t* pid) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  std::string display = ":" + std::to_string(number);
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::string fd = std::to_string(fds[1]);
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) {
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    execl(exe.c_str(), "Xvfb", display.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-br",
          "-displayfd", fd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (child < 0) {
    close(fds[0]);
    return false;
  }
  // Bounded wait for the server's answer; EOF means it gave up.
  std::string got;
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    int r = poll(&p, 1, 10000);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    char buf[16];
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
    if (got.find('\n') != std::string::npos) break;
  }
  close(fds[0]);
  if (got.empty() || std::atoi(got.c_str()) != number) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return false;
  }
  *pid = child;
  return true;
}

}  // namespace

bool TXvfbServer::Start(int width, int height, std::string* why) {
  std::string exe = FindOnPath("Xvfb");
  if (exe.empty()) {
    *why = "Xvfb is not installed";
    return false;
  }
  // Spread parallel test processes over different numbers.
  const int base = 100 + int(getpid() % 400);
  for (int i = 0; i < 40; ++i) {
    int number = base + i * 7;
    if (TryDisplay(exe, number, width, height, &pid_)) {
      name_ = ":" + std::to_string(number);
      return true;
    }
  }
  *why = "no free display number for Xvfb";
  return false;
}

void TXvfbServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

#include "tests/support/ChildProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

std::string FindProgramOnPath(const char* program) {
  // A path names the program itself.
  if (std::string(program).find('/') != std::string::npos) return access(program, X_OK) == 0 ? program : "";
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

bool TChildProgram::Start(const std::string& program, const std::vector<std::string>& args,
                          const std::string& display, std::string* why, bool ownGroup) {
  Stop();
  std::string exe = FindProgramOnPath(program.c_str());
  if (exe.empty()) {
    *why = program + " is not installed";
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    if (ownGroup) setpgid(0, 0);
    int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    setenv("DISPLAY", display.c_str(), 1);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  if (child < 0) {
    *why = "cannot fork for " + program;
    return false;
  }
  // Also here, so the group exists before Stop could name it.
  if (ownGroup) setpgid(child, child);
  pid_ = child;
  status_ = 0;
  group_ = ownGroup;
  return true;
}

bool TChildProgram::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == 0) return true;
  if (r == pid_) status_ = status;
  pid_ = -1;
  return false;
}

void TChildProgram::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

void TChildProgram::Stop() {
  if (pid_ <= 0) return;
  kill(group_ ? -pid_ : pid_, SIGTERM);
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_) status_ = status;
  pid_ = -1;
}

#include "tests/support/ChildProgram.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A member of the process group still runs: a zombie left to a parent that
// never reaps it does not count.
bool ChildProgramGroupRuns(pid_t group) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  bool runs = false;
  while (dirent* e = readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%s/stat", e->d_name);
    FILE* f = std::fopen(path, "r");
    if (!f) continue;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    // pid (name) state ppid pgrp ...; the name may hold spaces and brackets.
    const char* end = read ? std::strrchr(line, ')') : nullptr;
    char state = 0;
    int parent = 0, pgrp = 0;
    if (end && std::sscanf(end + 1, " %c %d %d", &state, &parent, &pgrp) == 3 && pgrp == group && state != 'Z' &&
        state != 'X') {
      runs = true;
      break;
    }
  }
  closedir(proc);
  return runs;
}

// Waits, polling, until no member of the group runs; false after `ms`.
bool ChildProgramGroupEnds(pid_t group, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (ChildProgramGroupRuns(group)) {
    if (std::chrono::steady_clock::now() > end) return false;
    poll(nullptr, 0, 5);
  }
  return true;
}

}  // namespace

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
  // The helpers it started end too before anything of theirs is removed.
  if (group_ && !ChildProgramGroupEnds(pid_, 5000)) {
    kill(-pid_, SIGKILL);
    ChildProgramGroupEnds(pid_, 5000);
  }
  pid_ = -1;
}

// Another program run beside a display test (a window manager, a
// compositor) on the test's own X server; ended when freed.
#pragma once
#include <string>
#include <vector>
#include <sys/types.h>

class TChildProgram {
 public:
  TChildProgram() = default;
  ~TChildProgram() { Stop(); }
  TChildProgram(const TChildProgram&) = delete;
  TChildProgram& operator=(const TChildProgram&) = delete;

  // False with the reason when the program is not installed or cannot start.
  // Its output goes to /dev/null; DISPLAY is set to `display`. With
  // `ownGroup` it leads a process group of its own and Stop ends the whole
  // group, for programs that start helpers (a session bus and its services).
  bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& display,
             std::string* why, bool ownGroup = false);
  // Still running (not exited, not killed by a signal).
  bool Running();
  // How it ended, as waitpid reports (only after Running() gave false).
  int ExitStatus() const { return status_; }
  void Stop();
  // Sends a signal (while it runs).
  void Signal(int sig);

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool group_ = false;
};

// The full path of program on PATH (a name with a '/' is taken as the
// path itself); empty when not found.
std::string FindProgramOnPath(const char* program);

// The program's start: the real executable as a second instance and without
// a display, and the start sequence (splash, title, main window, loop) on
// the headless display.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/main/uMain.h"
#include "app/main/uMain_Program.h"
#include "platform/rtl/Clock.h"
#include "platform/sys/NamedMutex.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

struct TRun {
  int status = -1;  // exit status, or -1 when it did not exit by itself
  std::string err;
};

// Runs the real program with this environment (nothing inherited), its
// standard error collected; killed after 20 seconds.
TRun RunLumiqa(const std::map<std::string, std::string>& env) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return {};
  std::vector<std::string> vars;
  for (const auto& [k, v] : env) vars.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipefd[1], 2);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    close(pipefd[0]);
    char* argv[] = {const_cast<char*>(LUMIQA_EXE), nullptr};
    execve(LUMIQA_EXE, argv, envp.data());
    _exit(127);
  }
  close(pipefd[1]);
  TRun run;
  // Stand-alone processes here run in real time; the bound only stops a
  // broken program from hanging the suite.
  fcntl(pipefd[0], F_SETFL, O_NONBLOCK);
  int status = 0;
  for (int waited = 0; waited < 2000; ++waited) {
    char buf[256];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0) run.err.append(buf, size_t(n));
    if (waitpid(pid, &status, WNOHANG) == pid) {
      while ((n = read(pipefd[0], buf, sizeof buf)) > 0) run.err.append(buf, size_t(n));
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      close(pipefd[0]);
      return run;
    }
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  close(pipefd[0]);
  return run;
}

class WizardProgram : public ::testing::Test {
 protected:
  std::string runtime;
  void SetUp() override {
    runtime = GetTempPath() + "lumiqa-runtime-" + std::to_string(getpid());
    std::filesystem::create_directories(runtime);
    setenv("LUMIQA_RUNTIME_DIR", runtime.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("LUMIQA_RUNTIME_DIR");
    std::filesystem::remove_all(runtime);
  }
};

TEST_F(WizardProgram, ASecondInstanceEndsSilently) {
  HANDLE first = CreateMutexA(nullptr, FALSE, "Orvane");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(GetLastError(), ERROR_ALREADY_EXISTS);
  // No display either: only the guard can make it end well.
  const TRun run = RunLumiqa({{"LUMIQA_RUNTIME_DIR", runtime}, {"HOME", runtime}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  CloseHandle(first);
}

// A lock folder others may write to gives no guard; the program ends
// before showing anything instead of running beside another instance
// (the headless display would otherwise keep it running).
TEST_F(WizardProgram, AGuardItCannotTakeStopsItBeforeItStarts) {
  const std::string open = runtime + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  const TRun run = RunLumiqa({{"LUMIQA_RUNTIME_DIR", open}, {"HOME", runtime}, {"LUMIQA_BACKEND", "headless"}});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("single-instance lock"), std::string::npos) << run.err;
}

TEST_F(WizardProgram, WithoutADisplayItSaysSoInOneLineAndFails) {
  const TRun run = RunLumiqa({{"LUMIQA_RUNTIME_DIR", runtime}, {"HOME", runtime}});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.status, -1);
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  EXPECT_NE(run.err.find("display"), std::string::npos) << run.err;
}

class WizardStart : public FormsTest {};

TEST_F(WizardStart, SplashThenTitleThenTheMainWindowUntilItCloses) {
  StartImagingLibrary();
  const std::string dir = GetTempPath() + "lumiqa-start-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  SetWizardFolder(dir);
  const Cardinal start = GetTickCount();
  bool checked = false;
  After(10, [&] {
    checked = true;
    // The splash held the start for 1.5 s and is gone again.
    EXPECT_GE(GetTickCount() - start, 1500u);
    EXPECT_EQ(app.Title(), "Lumiqa");
    ASSERT_NE(app.MainForm(), nullptr);
    EXPECT_EQ(app.MainForm()->ClassName(), "TFrm_Main");
    EXPECT_EQ(app.MainForm(), Frm_Main);
    EXPECT_TRUE(Frm_Main->Visible());
    for (int i = 0; i < Screen->CustomFormCount(); ++i)
      EXPECT_NE(Screen->CustomForms(i)->ClassName(), "TFrm_Splash");
    Frm_Main->Close();
  });
  RunWizard();
  EXPECT_TRUE(checked);
  app.DestroyComponents();
  EXPECT_EQ(Frm_Main, nullptr);
  EXPECT_FALSE(DirectoryExists(dir + "/HisBmpDir"));
  SetWizardFolder("");
  std::filesystem::remove_all(dir);
  EndImagingLibrary();
}

}  // namespace

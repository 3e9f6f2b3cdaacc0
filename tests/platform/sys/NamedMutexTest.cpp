#include "platform/sys/NamedMutex.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/sys/Shell.h"

extern char** environ;

namespace {

// When started as a holder, the binary takes the mutex named in
// LUMIQA_MUTEX_HOLDER, reports the error code on stdout and keeps the lock
// until its stdin closes, before any test runs.
struct HolderRole {
  HolderRole() {
    const char* name = std::getenv("LUMIQA_MUTEX_HOLDER");
    if (!name) return;
    HANDLE h = CreateMutexA(nullptr, 0, name);
    const std::string line = std::to_string(h ? GetLastError() : 0xFFFFFFFFu) + "\n";
    if (::write(STDOUT_FILENO, line.data(), line.size()) < 0) _exit(2);
    char c;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    _exit(0);
  }
} holderRole;

class Holder {
 public:
  explicit Holder(const std::string& name) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back("LUMIQA_MUTEX_HOLDER=" + name);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    char* argv[] = {self.data(), nullptr};
    if (::posix_spawn(&pid_, self.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
  }
  ~Holder() {
    Release();
    ::close(fromChild_);
  }

  // The error code the holder got, or -1 when it did not answer in time.
  long Reported() {
    pollfd p{fromChild_, POLLIN, 0};
    if (pid_ <= 0 || ::poll(&p, 1, 20000) != 1) return -1;
    char buf[32] = {};
    if (::read(fromChild_, buf, sizeof buf - 1) <= 0) return -1;
    return std::strtol(buf, nullptr, 10);
  }
  void Release() {
    if (toChild_ >= 0) ::close(toChild_);
    toChild_ = -1;
    Reap();
  }
  void Kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    Reap();
  }

 private:
  void Reap() {
    if (pid_ <= 0) return;
    int status;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
};

class NamedMutex : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/lumiqa-mutex-test-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
    ::setenv("LUMIQA_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("LUMIQA_RUNTIME_DIR");
    DeleteFolderTree(dir_);
  }
  std::string dir_;
};

}  // namespace

TEST_F(NamedMutex, HolderInAnotherProcessMakesItAlreadyExistUntilItEnds) {
  const std::string name = "Orvane";
  for (bool kill : {false, true}) {
    Holder holder(name);
    ASSERT_EQ(holder.Reported(), 0);  // the first holder gets it cleanly

    SetLastError(ERROR_SUCCESS);
    HANDLE second = CreateMutexA(nullptr, 0, name.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));

    // However the holder ends, even killed, its lock goes with it.
    if (kill)
      holder.Kill();
    else
      holder.Release();
    SetLastError(ERROR_INVALID_DATA);
    HANDLE mine = CreateMutexA(nullptr, 0, name.c_str());
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "kill=" << kill;

    // And now this process is the one that refuses another.
    Holder late(name);
    EXPECT_EQ(late.Reported(), static_cast<long>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CloseHandle(mine));
  }
}

TEST_F(NamedMutex, SecondCreateInTheSameProcessUntilTheFirstCloses) {
  HANDLE first = CreateMutexA(nullptr, 1, "Local\\Lumiqa test");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE second = CreateMutexA(nullptr, 0, "Lumiqa test");  // same name without the prefix
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HANDLE other = CreateMutexA(nullptr, 0, "Lumiqa test 2");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  // Closing the handle that never got the lock leaves the lock in place.
  EXPECT_TRUE(CloseHandle(second));
  HANDLE third = CreateMutexA(nullptr, 0, "Lumiqa test");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(CloseHandle(third));
  EXPECT_TRUE(CloseHandle(first));
  HANDLE fourth = CreateMutexA(nullptr, 0, "Lumiqa test");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(fourth));
  EXPECT_TRUE(CloseHandle(other));
}

TEST_F(NamedMutex, UnnamedMutexesNeverCollide) {
  HANDLE a = CreateMutexA(nullptr, 0, nullptr);
  HANDLE b = CreateMutexA(nullptr, 0, "");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_TRUE(CloseHandle(b));
}

TEST_F(NamedMutex, LockFileNamesStayInsideTheRuntimeFolder) {
  struct Case {
    std::string name, file;
  };
  const Case cases[] = {
      {"Orvane", "Orvane.lock"},
      {"Global\\Orvane", "Orvane.lock"},
      {"local\\Orvane", "Orvane.lock"},
      {"a/b\\c", "a_b_c.lock"},
      {"..", "_..lock"},
      {"../../etc/passwd", "_._.._etc_passwd.lock"},
      {".hidden", "_hidden.lock"},
      {"tab\there", "tab_here.lock"},
      {"照片向导", "照片向导.lock"},
      {"", ""},
      {std::string(251, 'x'), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MutexLockFileName(c.name), c.file) << c.name;

  HANDLE h = CreateMutexA(nullptr, 0, "../escape");
  ASSERT_NE(h, nullptr);
  struct stat st;
  EXPECT_EQ(::stat((dir_ + "/_._escape.lock").c_str(), &st), 0);
  EXPECT_NE(::stat((dir_ + "/../escape.lock").c_str(), &st), 0);
  CloseHandle(h);

  EXPECT_EQ(CreateMutexA(nullptr, 0, std::string(300, 'y').c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(NamedMutex, MissingRuntimeFolderFailsWithNoHandle) {
  ::setenv("LUMIQA_RUNTIME_DIR", (dir_ + "/missing").c_str(), 1);
  EXPECT_EQ(CreateMutexA(nullptr, 0, "Orvane"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// Sets or unsets one variable for the scope, then puts it back.
class TEnvScope {
 public:
  TEnvScope(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) saved_ = v, had_ = true;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~TEnvScope() {
    if (had_)
      ::setenv(name_, saved_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string saved_;
  bool had_ = false;
};

TEST_F(NamedMutex, RuntimeFolderDoesNotFollowTheEnvironment) {
  EXPECT_EQ(MutexRuntimeFolder(), dir_);
  ::unsetenv("LUMIQA_RUNTIME_DIR");
  std::string plain;
  {
    TEnvScope xdg("XDG_RUNTIME_DIR", nullptr);
    plain = MutexRuntimeFolder();
  }
  ASSERT_FALSE(plain.empty());
  EXPECT_NE(plain.rfind("/tmp", 0), 0u) << plain;
  for (const char* xdgValue : {"/run/user/4242", "/tmp", dir_.c_str()})
    for (const char* home : {"/nonexistent", dir_.c_str()}) {
      TEnvScope xdg("XDG_RUNTIME_DIR", xdgValue);
      TEnvScope h("HOME", home);
      EXPECT_EQ(MutexRuntimeFolder(), plain) << xdgValue << " " << home;
    }
}

// Two runs of one user, one started with $XDG_RUNTIME_DIR and one without,
// with the old shared fallback /tmp/lumiqa-<uid> made first by someone else:
// the second still sees the first.
TEST_F(NamedMutex, OneLockForEveryRunOfTheUser) {
  ::unsetenv("LUMIQA_RUNTIME_DIR");
  const std::string planted = "/tmp/lumiqa-" + std::to_string(::getuid());
  bool plantedHere = false;
  if (::mkdir(planted.c_str(), 0777) == 0) {
    plantedHere = true;
    ::chmod(planted.c_str(), 0777);
    if (::getuid() == 0) ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
  }
  const std::string name = "lumiqa-guard-test-" + std::to_string(::getpid());
  for (bool holderHasXdg : {true, false}) {
    SCOPED_TRACE(holderHasXdg);
    long reported;
    {
      TEnvScope xdg("XDG_RUNTIME_DIR", holderHasXdg ? dir_.c_str() : nullptr);
      Holder holder(name);
      reported = holder.Reported();
      ASSERT_EQ(reported, 0);
      TEnvScope other("XDG_RUNTIME_DIR", holderHasXdg ? nullptr : dir_.c_str());
      SetLastError(ERROR_SUCCESS);
      HANDLE second = CreateMutexA(nullptr, 0, name.c_str());
      ASSERT_NE(second, nullptr);
      EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
      CloseHandle(second);
    }
  }
  ::unlink((MutexRuntimeFolder() + "/" + MutexLockFileName(name)).c_str());
  if (plantedHere) ::rmdir(planted.c_str());
}

// A lock folder someone else could write to, or that is not a real folder,
// gives no handle at all rather than a lock that guards nothing.
TEST_F(NamedMutex, FolderOthersControlFailsClosed) {
  const std::string open = dir_ + "/open", link = dir_ + "/link", theirs = dir_ + "/theirs";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
  ASSERT_EQ(::symlink(dir_.c_str(), link.c_str()), 0);
  std::vector<std::string> refused = {open, link};
  if (::getuid() == 0) {
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    refused.push_back(theirs);
  }
  for (const std::string& folder : refused) {
    ::setenv("LUMIQA_RUNTIME_DIR", folder.c_str(), 1);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(CreateMutexA(nullptr, 0, "Orvane"), nullptr) << folder;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << folder;
  }
}

TEST(Handles, CloseHandleRefusesHandlesThatAreNotLive) {
  HANDLE h = CreateMutexA(nullptr, 0, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_NE(HandleObject(h), nullptr);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(HandleObject(h), nullptr);
  int notAHandle = 0;
  for (HANDLE bad : {h, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, static_cast<HANDLE>(&notAHandle)}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
}

TEST(Handles, RegisteredKindsAreClosedThroughCloseHandle) {
  struct Probe : THandleObject {
    explicit Probe(int* closed) : closed_(closed) {}
    ~Probe() override { ++*closed_; }
    int* closed_;
  };
  int closed = 0;
  HANDLE h = RegisterHandle(std::make_unique<Probe>(&closed));
  EXPECT_NE(dynamic_cast<Probe*>(HandleObject(h)), nullptr);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(closed, 1);
}

TEST(LastError, IsKeptPerThread) {
  SetLastError(ERROR_ALREADY_EXISTS);
  DWORD seenInOther = 1;
  std::thread other([&] {
    seenInOther = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_EQ(seenInOther, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

#include "platform/sys/Shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/LastError.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string MakeTempDir(const char* tag) {
  std::string templ = std::string("/tmp/lumiqa-") + tag + "-XXXXXX";
  return ::mkdtemp(templ.data()) ? templ : std::string();
}

// Waits for a file another process writes, in short steps with a generous
// deadline: the opener runs detached, so there is nothing to join.
bool WaitForFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!Exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// No child of ours is left unreaped (a zombie stays waitable).
bool NoChildLeft() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    siginfo_t info{};
    const int rc = ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT);
    if (rc != 0 && errno == ECHILD) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

class ShellOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("shell");
    ASSERT_FALSE(dir_.empty());
    out_ = dir_ + "/argv.out";
    // Records its arguments, NUL-separated, then the folder it ran in.
    const std::string opener = dir_ + "/opener.sh";
    WriteFile(opener,
              "#!/bin/sh\n"
              "{ for a in \"$@\"; do printf '%s\\000' \"$a\"; done; pwd; } > \"$LUMIQA_OPENER_OUT.tmp\"\n"
              "mv \"$LUMIQA_OPENER_OUT.tmp\" \"$LUMIQA_OPENER_OUT\"\n");
    ASSERT_EQ(::chmod(opener.c_str(), 0700), 0);
    ::setenv("LUMIQA_OPENER", opener.c_str(), 1);
    ::setenv("LUMIQA_OPENER_OUT", out_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("LUMIQA_OPENER");
    ::unsetenv("LUMIQA_OPENER_OUT");
    DeleteFolderTree(dir_);
  }

  // The arguments the opener got and the folder it ran in.
  bool Received(std::vector<std::string>& args, std::string& cwd) {
    if (!WaitForFile(out_)) return false;
    std::ifstream in(out_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string all = ss.str();
    ::unlink(out_.c_str());
    args.clear();
    std::size_t pos = 0, nul;
    while ((nul = all.find('\0', pos)) != std::string::npos) {
      args.push_back(all.substr(pos, nul - pos));
      pos = nul + 1;
    }
    cwd = all.substr(pos);
    if (!cwd.empty() && cwd.back() == '\n') cwd.pop_back();
    return true;
  }

  std::string dir_, out_;
};

}  // namespace

TEST_F(ShellOpen, FileNameArrivesAsOneUntouchedArgument) {
  struct Case {
    std::string file;      // created in the temp folder unless a URL
    std::string expected;  // what the opener must receive
  };
  const std::string d = dir_ + "/";
  const Case cases[] = {
      {d + "with space.jpg", d + "with space.jpg"},
      {d + "quote's \"double\".png", d + "quote's \"double\".png"},
      {d + "semi;colon && echo x.txt", d + "semi;colon && echo x.txt"},
      {d + "$(touch PWNED).txt", d + "$(touch PWNED).txt"},
      {d + "`touch PWNED2`|x>y.txt", d + "`touch PWNED2`|x>y.txt"},
      {"http://example.com/a b?x=1&y=$(id);z", "http://example.com/a b?x=1&y=$(id);z"},
  };
  for (const Case& c : cases) {
    if (c.file[0] == '/') WriteFile(c.file, "x");
    // Run in the temp folder, where an injected "touch" would leave its mark.
    EXPECT_GT(ShellExecuteA(nullptr, "open", c.file.c_str(), nullptr, dir_.c_str(), SW_SHOWNORMAL), 32) << c.file;
    std::vector<std::string> args;
    std::string cwd;
    ASSERT_TRUE(Received(args, cwd)) << c.file;
    EXPECT_EQ(args, std::vector<std::string>{c.expected});
  }
  EXPECT_FALSE(Exists(d + "PWNED"));
  EXPECT_FALSE(Exists(d + "PWNED2"));
  EXPECT_TRUE(NoChildLeft());
}

TEST_F(ShellOpen, RunsInTheGivenFolderAndGuardsNamesThatLookLikeOptions) {
  ASSERT_EQ(::mkdir((dir_ + "/sub").c_str(), 0700), 0);
  WriteFile(dir_ + "/sub/-rf", "x");
  EXPECT_GT(ShellExecuteA(nullptr, nullptr, "-rf", "", (dir_ + "/sub").c_str(), SW_SHOW), 32);
  std::vector<std::string> args;
  std::string cwd;
  ASSERT_TRUE(Received(args, cwd));
  EXPECT_EQ(args, std::vector<std::string>{"./-rf"});
  char real[4096];
  ASSERT_NE(::realpath((dir_ + "/sub").c_str(), real), nullptr);
  EXPECT_EQ(cwd, real);
  EXPECT_TRUE(NoChildLeft());
}

TEST_F(ShellOpen, FailuresAreSmallNumbers) {
  WriteFile(dir_ + "/a.txt", "x");
  const std::string file = dir_ + "/a.txt";
  struct Case {
    const char* operation;
    std::string file;
    const char* parameters;
    std::string directory;
    std::intptr_t result;
  };
  const Case cases[] = {
      {"open", dir_ + "/missing.txt", nullptr, "", SE_ERR_FNF},
      {"open", "", nullptr, "", SE_ERR_FNF},
      {"print", file, nullptr, "", SE_ERR_NOASSOC},
      {"open", file, "--new-window", "", SE_ERR_NOASSOC},
      {"open", file, nullptr, dir_ + "/nowhere", SE_ERR_PNF},
      {"open", "relative-missing.txt", nullptr, dir_, SE_ERR_FNF},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShellExecuteA(nullptr, c.operation, c.file.c_str(), c.parameters,
                            c.directory.empty() ? nullptr : c.directory.c_str(), SW_SHOW),
              c.result)
        << c.operation << " " << c.file;
  EXPECT_EQ(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOW), SE_ERR_FNF);

  ::setenv("LUMIQA_OPENER", (dir_ + "/no-such-opener").c_str(), 1);
  EXPECT_EQ(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
  EXPECT_FALSE(Exists(out_));
}

namespace {

class DeleteTree : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = MakeTempDir("delete");
    ASSERT_FALSE(base_.empty());
    root_ = base_ + "/HisBmpDir";
    outside_ = base_ + "/outside";
    for (const std::string& d : {root_, root_ + "/a", root_ + "/a/b", outside_})
      ASSERT_EQ(::mkdir(d.c_str(), 0700), 0) << d;
    WriteFile(root_ + "/1.bmp", "x");
    WriteFile(root_ + "/a/b/2.bmp", "x");
    WriteFile(outside_ + "/keep.txt", "keep");
    ASSERT_EQ(::symlink(outside_.c_str(), (root_ + "/link-to-dir").c_str()), 0);
    ASSERT_EQ(::symlink((outside_ + "/keep.txt").c_str(), (root_ + "/a/link-to-file").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent/target", (root_ + "/a/b/dangling").c_str()), 0);
  }
  void TearDown() override { DeleteFolderTree(base_); }

  std::string base_, root_, outside_;
};

}  // namespace

TEST_F(DeleteTree, RemovesTheTreeButNothingLinksPointTo) {
  EXPECT_TRUE(DeleteFolderTree(root_));
  EXPECT_FALSE(Exists(root_));
  EXPECT_TRUE(Exists(outside_ + "/keep.txt"));
  EXPECT_TRUE(Exists(outside_));
}

TEST_F(DeleteTree, LinkGivenAsTheFolderLosesOnlyTheLink) {
  const std::string link = base_ + "/link";
  ASSERT_EQ(::symlink(outside_.c_str(), link.c_str()), 0);
  EXPECT_TRUE(DeleteFolderTree(link));
  EXPECT_FALSE(Exists(link));
  EXPECT_TRUE(Exists(outside_ + "/keep.txt"));
}

TEST_F(DeleteTree, MissingFolderIsAnError) {
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(DeleteFolderTree(base_ + "/nothing-here"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFolderTree(""));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(DeleteTree, UnremovableEntryIsReportedAfterRemovingTheRest) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  ASSERT_EQ(::chmod((root_ + "/a/b").c_str(), 0500), 0);
  EXPECT_FALSE(DeleteFolderTree(root_));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Exists(root_ + "/a/b/2.bmp"));
  EXPECT_FALSE(Exists(root_ + "/1.bmp"));
  ::chmod((root_ + "/a/b").c_str(), 0700);
}

TEST_F(DeleteTree, FileOperationDeletesEveryPathOfTheList) {
  const std::string second = base_ + "/other";
  ASSERT_EQ(::mkdir(second.c_str(), 0700), 0);
  WriteFile(second + "/x", "x");
  const std::string from = root_ + '\0' + second + '\0';  // the list ends with a second '\0'

  SHFILEOPSTRUCTA copy;
  copy.wFunc = FO_COPY;
  copy.pFrom = from.c_str();
  EXPECT_NE(SHFileOperationA(&copy), 0);
  EXPECT_TRUE(Exists(root_));

  SHFILEOPSTRUCTA del;
  del.wFunc = FO_DELETE;
  del.pFrom = from.c_str();
  del.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  EXPECT_EQ(SHFileOperationA(&del), 0);
  EXPECT_FALSE(Exists(root_));
  EXPECT_FALSE(Exists(second));
  EXPECT_TRUE(Exists(outside_ + "/keep.txt"));

  EXPECT_EQ(SHFileOperationA(&del), static_cast<int>(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(SHFileOperationA(nullptr), 0);
}

#include "platform/rtl/FileUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A fresh folder per test, removed with everything in it afterwards.
class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = "/tmp/lumiqa-fileutils-XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ + "/";
  }
  void TearDown() override { RemoveTree(ExcludeTrailingPathDelimiter(dir_)); }

  static void RemoveTree(const std::string& path) {
    TSearchRec f;
    if (FindFirst(path + "/*", faAnyFile, f) == 0) {
      do {
        if (f.Name == "." || f.Name == "..") continue;
        const std::string child = path + "/" + f.Name;
        if ((f.Attr & faDirectory) != 0) {
          RemoveTree(child);
        } else {
          ::unlink(child.c_str());
        }
      } while (FindNext(f) == 0);
      FindClose(f);
    }
    ::rmdir(path.c_str());
  }

  void Touch(const std::string& name, const std::string& content = "") {
    std::ofstream(dir_ + name, std::ios::binary) << content;
  }

  std::string dir_;
};

TEST(FilePaths, SplitsNames) {
  struct Case {
    const char* name;
    const char* path;
    const char* dir;
    const char* file;
    const char* ext;
  } cases[] = {
      {"/a/b/c.txt", "/a/b/", "/a/b", "c.txt", ".txt"},
      {"/a/b.d/c", "/a/b.d/", "/a/b.d", "c", ""},  // a dotted folder is not an extension
      {"c.tar.gz", "", "", "c.tar.gz", ".gz"},
      {"/root.bmp", "/", "/", "root.bmp", ".bmp"},
      {"/a/b/", "/a/b/", "/a/b", "", ""},
      {"noext.", "", "", "noext.", "."},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileDir(c.name), c.dir) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
  }
}

TEST(FilePaths, ChangesExtensionsAndDelimiters) {
  EXPECT_EQ(ChangeFileExt("/a/b.bmp", ".jpg"), "/a/b.jpg");
  EXPECT_EQ(ChangeFileExt("/a.d/b", ".jpg"), "/a.d/b.jpg");
  EXPECT_EQ(ChangeFileExt("b.tar.gz", ""), "b.tar");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a//"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FilePaths, NativePathJoinsProgramLiterals) {
  EXPECT_EQ(NativePath("/opt/lumiqa/\\Skin\\Skin.ini"), "/opt/lumiqa/Skin/Skin.ini");
  EXPECT_EQ(NativePath("/opt/lumiqa\\HisBmpDir"), "/opt/lumiqa/HisBmpDir");
  EXPECT_EQ(NativePath("a//b\\\\c"), "a/b/c");
  EXPECT_EQ(NativePath(ProgramFolder() + "\\Skin\\Skin.ini"), ProgramFolder() + "Skin/Skin.ini");
}

TEST(FilePaths, ExpandFileNameResolvesDots) {
  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandFileName("/a//b/"), "/a/b/");
  EXPECT_EQ(ExpandFileName("/../.."), "/");
  EXPECT_EQ(ExpandFileName("x/../y.txt"), IncludeTrailingPathDelimiter(GetCurrentDir()) + "y.txt");
}

TEST(FilePaths, ProgramFileNameIsThisExecutable) {
  const std::string exe = ProgramFileName();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe[0], '/');
  EXPECT_TRUE(FileExists(exe));
  EXPECT_EQ(ProgramFolder(), ExtractFilePath(exe));
  EXPECT_EQ(ProgramFolder().back(), '/');
}

TEST_F(FileUtilsTest, ExistenceSizeAndAge) {
  Touch("f.txt", "hello");
  ASSERT_TRUE(CreateDir(dir_ + "sub"));
  EXPECT_TRUE(FileExists(dir_ + "f.txt"));
  EXPECT_FALSE(FileExists(dir_ + "sub"));
  EXPECT_FALSE(FileExists(dir_ + "missing"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(std::string("/tmp\0/x", 7)));
  EXPECT_TRUE(DirectoryExists(dir_ + "sub"));
  EXPECT_FALSE(DirectoryExists(dir_ + "f.txt"));
  EXPECT_EQ(FileSize(dir_ + "f.txt"), 5);
  EXPECT_EQ(FileSize(dir_ + "missing"), -1);
  EXPECT_EQ(FileSize(dir_ + "sub"), -1);
  EXPECT_GT(FileAge(dir_ + "f.txt"), 0);
  EXPECT_EQ(FileAge(dir_ + "missing"), -1);
}

TEST_F(FileUtilsTest, FoldersAreCreatedAndRemoved) {
  EXPECT_TRUE(ForceDirectories(dir_ + "a/b/c/"));
  EXPECT_TRUE(DirectoryExists(dir_ + "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir_ + "a/b/c"));  // already there
  EXPECT_FALSE(CreateDir(dir_ + "a"));
  EXPECT_FALSE(CreateDir(dir_ + "x/y"));
  Touch("file");
  EXPECT_FALSE(ForceDirectories(dir_ + "file/sub"));
  EXPECT_FALSE(RemoveDir(dir_ + "a"));  // not empty
  EXPECT_FALSE(DeleteFile(dir_ + "a/b/c"));
  EXPECT_TRUE(RemoveDir(dir_ + "a/b/c"));
  EXPECT_FALSE(DirectoryExists(dir_ + "a/b/c"));
}

TEST_F(FileUtilsTest, DeleteAndRename) {
  Touch("one", "1");
  Touch("two", "2");
  EXPECT_FALSE(RenameFile(dir_ + "one", dir_ + "two"));  // never replaces
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(FileSize(dir_ + "two"), 1);
  EXPECT_TRUE(FileExists(dir_ + "one"));
  EXPECT_TRUE(RenameFile(dir_ + "one", dir_ + "three"));
  EXPECT_FALSE(FileExists(dir_ + "one"));
  EXPECT_TRUE(FileExists(dir_ + "three"));
  EXPECT_TRUE(DeleteFile(dir_ + "three"));
  EXPECT_FALSE(DeleteFile(dir_ + "three"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileUtilsTest, FindListsMatchingEntriesInNameOrder) {
  Touch("b.BMP", "xx");
  Touch("a.bmp", "x");
  Touch("c.jpg");
  Touch(".hidden.bmp");
  ASSERT_TRUE(CreateDir(dir_ + "d.bmp"));

  const auto list = [&](const std::string& mask, int attr) {
    std::vector<std::string> names;
    TSearchRec f;
    if (FindFirst(dir_ + mask, attr, f) == 0) {
      do names.push_back(f.Name);
      while (FindNext(f) == 0);
    }
    FindClose(f);
    return names;
  };
  EXPECT_EQ(list("*.bmp", 0), (std::vector<std::string>{"a.bmp", "b.BMP"}));
  EXPECT_EQ(list("*.bmp", faDirectory | faHidden),
            (std::vector<std::string>{".hidden.bmp", "a.bmp", "b.BMP", "d.bmp"}));
  EXPECT_EQ(list("?.jpg", faAnyFile), (std::vector<std::string>{"c.jpg"}));
  EXPECT_EQ(list("*.*", faDirectory),
            (std::vector<std::string>{".", "..", "a.bmp", "b.BMP", "c.jpg", "d.bmp"}));

  TSearchRec f;
  ASSERT_EQ(FindFirst(dir_ + "b.bmp", faAnyFile, f), 0);
  EXPECT_EQ(f.Name, "b.BMP");
  EXPECT_EQ(f.Size, 2);
  EXPECT_EQ(f.Attr & (faArchive | faDirectory), faArchive);
  EXPECT_EQ(FindNext(f), static_cast<int>(ERROR_NO_MORE_FILES));
  EXPECT_EQ(FindNext(f), static_cast<int>(ERROR_NO_MORE_FILES));
  FindClose(f);
  EXPECT_EQ(FindFirst(dir_ + "*.png", faAnyFile, f), static_cast<int>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirst(dir_ + "nowhere/*", faAnyFile, f), static_cast<int>(ERROR_PATH_NOT_FOUND));
}

TEST(MatchesMask, WildcardsIgnoreCase) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"Skin.INI", "*.ini", true},  {"skin.ini", "s?in.*", true}, {"a", "*.*", true},
      {"abc", "a*c", true},         {"ac", "a*c", true},          {"abcd", "a*c", false},
      {"abc", "??", false},         {"", "*", true},              {"x.bmp.bak", "*.bmp", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
  }
}

TEST(TempFiles, TempPathFollowsTmpdir) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(GetTempPath(), "/var/tmp/");
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(GetTempPath(), "/tmp/");
  if (old) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

TEST_F(FileUtilsTest, TempFileNamesAreUniqueCreatedAndPrefixed) {
  std::vector<std::string> names(200);
  // Four threads at once: uniqueness must not depend on one caller.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < 200; i += 4) names[i] = GetTempFileName(dir_, "pictora");
    });
  }
  for (std::thread& th : threads) th.join();
  std::set<std::string> distinct;
  for (const std::string& n : names) {
    ASSERT_FALSE(n.empty());
    EXPECT_EQ(ExtractFilePath(n), dir_);
    EXPECT_EQ(ExtractFileName(n).rfind("pictora", 0), 0u) << n;
    EXPECT_TRUE(FileExists(n)) << n;
    EXPECT_EQ(FileSize(n), 0) << n;
    distinct.insert(n);
  }
  EXPECT_EQ(distinct.size(), names.size());
}

TEST_F(FileUtilsTest, TempFileNameFailsCleanly) {
  EXPECT_EQ(GetTempFileName(dir_ + "missing", "pic"), "");
  EXPECT_EQ(GetTempFileName(dir_, "../escape"), "");
  const std::string inDirWithoutSlash = GetTempFileName(ExcludeTrailingPathDelimiter(dir_), "p");
  EXPECT_EQ(ExtractFilePath(inDirWithoutSlash), dir_);
}

}  // namespace

#include "platform/rtl/SafeSave.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

namespace {

class SafeSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lumiqa_safesave_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  void TearDown() override {
    SafeSaveFaults() = TSafeSaveFaults{};
    ::chmod(dir_.c_str(), 0700);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    if (DIR* d = ::opendir(dir_.c_str())) {
      while (dirent* e = ::readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
      ::closedir(d);
    }
    return names;
  }
  std::string dir_;
};

// Bytes that are not text in any reading, so nothing could have re-encoded them.
const std::string kOld = std::string("old\xFF\xFF\0content\r\n", 15);
const std::string kNew(100000, 'n');

void WriteNew(TStream& out) {
  for (std::size_t i = 0; i < kNew.size(); i += 1000) out.WriteBuffer(kNew.data() + i, 1000);
}

}  // namespace

TEST_F(SafeSaveTest, ReplacesTheContentKeepingModeAndLinks) {
  const std::string real = Write("real.dat", kOld);
  ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
  const std::string link = Path("link.dat");
  ASSERT_EQ(::symlink("real.dat", link.c_str()), 0);
  SafeSaveFile(link, WriteNew);
  EXPECT_EQ(Bytes(real), kNew);
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(Names(), (std::set<std::string>{"link.dat", "real.dat"}));

  SafeSaveFile(Path("fresh.dat"), std::string("new file"));
  EXPECT_EQ(Bytes(Path("fresh.dat")), "new file");
}

// Every way a save can fail half-way leaves the old file byte for byte and
// no temporary file behind, and says which file and why.
TEST_F(SafeSaveTest, AFailureAnywhereLeavesTheOldFileAndNoTemporaryFile) {
  struct Case {
    const char* name;
    TSafeSaveFaults faults;
    const char* reason;  // in the message
    int code;            // the errno value the exception carries
  } cases[] = {
      {"disk full mid-write", {0, 0, 0, 4567, {}}, "No space left on device", ENOSPC},
      {"disk full at the first byte", {0, 0, 0, 0, {}}, "No space left on device", ENOSPC},
      {"flush to disk fails", {0, EIO, 0, -1, {}}, "Input/output error", EIO},
      {"rename fails", {0, 0, EXDEV, -1, {}}, "Invalid cross-device link", EXDEV},
      {"folder refuses new files", {EACCES, 0, 0, -1, {}}, "Cannot create a temporary file", EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("target.ini", kOld);
    std::string temp;
    SafeSaveFaults() = c.faults;
    SafeSaveFaults().TempCreated = [&](const std::string& name) { temp = name; };
    try {
      SafeSaveFile(path, WriteNew);
      ADD_FAILURE() << "no exception";
    } catch (const ESaveError& e) {
      EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(c.reason), std::string::npos) << e.Message();
      EXPECT_EQ(e.ErrorCode(), c.code);
    }
    SafeSaveFaults() = TSafeSaveFaults{};
    EXPECT_EQ(Bytes(path), kOld);
    EXPECT_EQ(Names(), std::set<std::string>{"target.ini"});
    // The fault struck after the temporary file existed, and it is gone.
    EXPECT_EQ(temp.empty(), c.faults.CreateTemp != 0);
  }
}

// A scratch save is never flushed (an injected flush failure cannot reach
// it) but keeps every other rule: whole or not at all, old file kept.
TEST_F(SafeSaveTest, ScratchSavesSkipTheFlushAndKeepTheOtherRules) {
  struct Case {
    const char* name;
    TSafeSaveFaults faults;
    TSaveSync sync;
    bool saved;
  } cases[] = {
      {"flush fails, durable", {0, EIO, 0, -1, {}}, TSaveSync::Durable, false},
      {"flush fails, scratch", {0, EIO, 0, -1, {}}, TSaveSync::Scratch, true},
      {"disk full, scratch", {0, 0, 0, 4567, {}}, TSaveSync::Scratch, false},
      {"rename fails, scratch", {0, 0, EXDEV, -1, {}}, TSaveSync::Scratch, false},
      {"no fault, scratch", {0, 0, 0, -1, {}}, TSaveSync::Scratch, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("entry.bmp", kOld);
    ::chmod(path.c_str(), 0640);
    SafeSaveFaults() = c.faults;
    bool raised = false;
    try {
      SafeSaveFile(path, WriteNew, c.sync);
    } catch (const EFCreateError&) {
      raised = true;
    }
    SafeSaveFaults() = TSafeSaveFaults{};
    EXPECT_EQ(raised, !c.saved);
    EXPECT_EQ(Bytes(path), c.saved ? kNew : kOld);
    EXPECT_EQ(Names(), std::set<std::string>{"entry.bmp"});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
  }
}

TEST_F(SafeSaveTest, AWriterThatIgnoresAShortWriteStillFails) {
  const std::string path = Write("target.dat", kOld);
  SafeSaveFaults().DiskSpace = 10;
  EXPECT_THROW(SafeSaveFile(path, [](TStream& out) { out.Write(kNew.data(), 100); }), EFCreateError);
  EXPECT_EQ(Bytes(path), kOld);
  EXPECT_EQ(Names(), std::set<std::string>{"target.dat"});
}

// The run-time library's own whole-file writers save the same way.
TEST_F(SafeSaveTest, ListsAndMemoryStreamsSaveWholeOrNotAtAll) {
  TStringList lines;
  lines.SetText(kNew);
  TMemoryStream memory;
  memory.WriteBuffer(kNew.data(), Int64(kNew.size()));
  const std::function<void(const std::string&)> savers[] = {
      [&](const std::string& path) { lines.SaveToFile(path); },
      [&](const std::string& path) { memory.SaveToFile(path); },
  };
  for (const auto& save : savers) {
    const std::string path = Write("target.txt", kOld);
    SafeSaveFaults().DiskSpace = 50;
    EXPECT_THROW(save(path), EFCreateError);
    SafeSaveFaults() = TSafeSaveFaults{};
    EXPECT_EQ(Bytes(path), kOld);
    EXPECT_EQ(Names(), std::set<std::string>{"target.txt"});
    save(path);
    EXPECT_EQ(Bytes(path).substr(0, 1000), kNew.substr(0, 1000));
  }
}

TEST_F(SafeSaveTest, TheWritersOwnErrorPassesUnchangedAfterCleanUp) {
  const std::string path = Write("target.dat", kOld);
  EXPECT_THROW(SafeSaveFile(path,
                            [](TStream& out) {
                              out.WriteBuffer("partial", 7);
                              throw EInvalidGraphic("cannot encode");
                            }),
               EInvalidGraphic);
  EXPECT_EQ(Bytes(path), kOld);
  EXPECT_EQ(Names(), std::set<std::string>{"target.dat"});
}

TEST_F(SafeSaveTest, RefusesReadOnlyFilesAndWhatIsNotARegularFile) {
  const std::string readOnly = Write("ro.dat", kOld);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);  // no write bit: refused for root too
  const std::string fifo = Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(Path("folder").c_str(), 0700), 0);
  struct Case {
    std::string path, reason;
    int code;
  } cases[] = {
      {readOnly, "read-only", EACCES},
      {fifo, "not a regular file", EISDIR},
      {Path("folder"), "not a regular file", EISDIR},
      {"", "No file name", EINVAL},
      {Path("no/such/folder.dat"), "No such file or directory", ENOENT},
  };
  for (const Case& c : cases) {
    bool called = false;
    try {
      SafeSaveFile(c.path, [&](TStream&) { called = true; });
      ADD_FAILURE() << c.path << ": no exception";
    } catch (const ESaveError& e) {
      EXPECT_NE(e.Message().find(c.reason), std::string::npos) << e.Message();
      EXPECT_EQ(e.ErrorCode(), c.code) << c.path;
    }
    EXPECT_FALSE(called) << c.path;
  }
  EXPECT_EQ(Bytes(readOnly), kOld);
  EXPECT_EQ(Names(), (std::set<std::string>{"fifo", "folder", "ro.dat"}));
}

// The same refusal as the injected one above, through real permissions.
TEST_F(SafeSaveTest, ANonWritableFolderFailsInsteadOfRewritingInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may add files to any folder; the injected case covers it";
  const std::string path = Write("target.dat", kOld);
  ASSERT_EQ(::chmod(dir_.c_str(), 0500), 0);
  EXPECT_THROW(SafeSaveFile(path, WriteNew), EFCreateError);
  ASSERT_EQ(::chmod(dir_.c_str(), 0700), 0);
  EXPECT_EQ(Bytes(path), kOld);
  EXPECT_EQ(Names(), std::set<std::string>{"target.dat"});
}

TEST_F(SafeSaveTest, ReadersRefuseWhatIsNotARegularFileWithoutBlocking) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(Path("folder").c_str(), 0700), 0);
  for (const std::string& path : {fifo, Path("folder"), std::string("/dev/null"), Path("missing"),
                                  std::string("a\0b", 3)}) {
    EXPECT_THROW(CheckRegularFile(path), EFOpenError) << path;
    EXPECT_THROW(ReadRegularFile(path, 1000), EFOpenError) << path;
  }
  const std::string file = Write("file.dat", kOld);
  EXPECT_NO_THROW(CheckRegularFile(file));
  EXPECT_EQ(ReadRegularFile(file, Int64(kOld.size())), kOld);
  EXPECT_THROW(ReadRegularFile(file, Int64(kOld.size()) - 1), EReadError);
  EXPECT_EQ(ReadRegularFile(Write("empty.dat", ""), 0), "");
}

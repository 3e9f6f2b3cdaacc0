#include "app/main/uMain_History.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <set>
#include <vector>

#include "app/pixels/RotateImage.h"
#include "tests/app/TempFolder.h"
#include "platform/rtl/SafeSave.h"

namespace {

// A small picture whose every pixel says which one it is.
std::unique_ptr<TBitmap> Picture(int tag, int w = 12, int h = 9) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    auto* p = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x, p += 3) p[0] = Byte(tag), p[1] = Byte(x), p[2] = Byte(y);
  }
  return b;
}

// The tag of a picture made by Picture, or -1 when it is not one.
int TagOf(const std::unique_ptr<TBitmap>& b) {
  if (!b || b->PixelFormat() != pf24bit) return -1;
  const int tag = static_cast<const Byte*>(b->ScanLine(0))[0];
  auto expected = Picture(tag, b->Width(), b->Height());
  for (int y = 0; y < b->Height(); ++y)
    if (std::memcmp(b->ScanLine(y), expected->ScanLine(y), std::size_t(b->Width()) * 3) != 0) return -1;
  return tag;
}

// Every name in a folder but the lock the living history holds there.
std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  TSearchRec rec;
  for (int r = FindFirst(folder + "/*", faAnyFile, rec); r == 0; r = FindNext(rec))
    if (rec.Name != "." && rec.Name != ".." && rec.Name != ".lock") names.insert(rec.Name);
  FindClose(rec);
  return names;
}

// Points XDG_CACHE_HOME somewhere for one test.
class CacheHome {
 public:
  explicit CacheHome(const std::string& path) {
    const char* old = std::getenv("XDG_CACHE_HOME");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("XDG_CACHE_HOME", path.c_str(), 1);
  }
  ~CacheHome() {
    if (had_)
      ::setenv("XDG_CACHE_HOME", old_.c_str(), 1);
    else
      ::unsetenv("XDG_CACHE_HOME");
  }

 private:
  bool had_ = false;
  std::string old_;
};

// The folder's parent, and whether its name is "<prefix><pid>-XXXXXX".
std::string Parent(const std::string& folder) { return folder.substr(0, folder.rfind('/')); }
bool OwnName(const std::string& folder, const std::string& prefix = "") {
  const std::string name = folder.substr(folder.rfind('/') + 1);
  const std::string start = prefix + std::to_string(::getpid()) + "-";
  return name.size() == start.size() + 6 && name.compare(0, start.size(), start) == 0;
}

TEST(StepHistory, LivesBesideTheProgramWhenItCan) {
  TTempFolder program;
  std::string folder;
  {
    TStepHistory h(program.Path());
    folder = h.Folder();
    EXPECT_EQ(Parent(folder), program / "HisBmpDir");
    EXPECT_TRUE(OwnName(folder)) << folder;
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_EQ(h.Index(), -1);
    EXPECT_EQ(h.Count(), 0);
    EXPECT_FALSE(h.CanUndo());
    EXPECT_FALSE(h.CanRedo());
  }
  EXPECT_FALSE(DirectoryExists(folder));
  EXPECT_FALSE(DirectoryExists(program / "HisBmpDir"));
}

TEST(StepHistory, FallsBackToThePerUserCacheFolder) {
  TTempFolder program, cache;
  CacheHome home(cache.Path());
  // Something that is not a folder stands where the history would go.
  WriteAll(program / "HisBmpDir", "not a folder");
  std::string folder;
  {
    TStepHistory h(program.Path());
    folder = h.Folder();
    EXPECT_EQ(Parent(folder), cache / "lumiqa/HisBmpDir");
    EXPECT_TRUE(OwnName(folder)) << folder;
    EXPECT_TRUE(h.Push(Picture(1).get()));
    EXPECT_TRUE(FileExists(folder + "/0.bmp"));
  }
  EXPECT_FALSE(DirectoryExists(folder));
  EXPECT_EQ(ReadAll(program / "HisBmpDir"), "not a folder");
  // A history folder another user made, or a link standing for one, is not
  // shared either.
  TTempFolder other, shared;
  ASSERT_TRUE(CreateDir(other / "HisBmpDir"));
  ASSERT_TRUE(CreateDir(program / "linked-program"));
  ASSERT_EQ(::symlink(shared.Path().c_str(), (program / "linked-program/HisBmpDir").c_str()), 0);
  std::vector<std::string> folders = {program / "linked-program"};
  // Giving a folder away takes the rights to do so.
  if (::chown((other / "HisBmpDir").c_str(), ::geteuid() + 4321, ::getegid()) == 0) folders.push_back(other.Path());
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    TStepHistory h(folder);
    EXPECT_EQ(Parent(h.Folder()), cache / "lumiqa/HisBmpDir");
  }
  EXPECT_TRUE(FilesIn(shared.Path()).empty());
  // Without a program folder at all, the same.
  TStepHistory h("");
  EXPECT_EQ(Parent(h.Folder()), cache / "lumiqa/HisBmpDir");
}

// Two runs beside one program (the single-instance guard may have let a
// second one through): each undo gives back its own pictures.
TEST(StepHistory, TwoRunsNeverShareEntries) {
  TTempFolder program;
  TStepHistory a(program.Path()), b(program.Path());
  ASSERT_NE(a.Folder(), b.Folder());
  EXPECT_EQ(Parent(a.Folder()), Parent(b.Folder()));
  ASSERT_TRUE(a.Push(Picture(1).get()));
  ASSERT_TRUE(b.Push(Picture(5).get()));
  ASSERT_TRUE(a.Push(Picture(2).get()));
  ASSERT_TRUE(b.Push(Picture(6).get()));
  EXPECT_EQ(TagOf(a.Undo()), 1);
  EXPECT_EQ(TagOf(b.Undo()), 5);
}

// Folders 0700 and entries 0600 even under a umask that would open them to
// everyone, wherever the history ends up.
TEST(StepHistory, FoldersAndEntriesArePrivateWhateverTheUmask) {
  TTempFolder program, cache, blocked;
  WriteAll(blocked / "file", "");
  struct Case {
    const char* where;
    std::function<void()> arrange;
    std::string cacheHome;
  };
  const Case cases[] = {
      {"beside the program", [] {}, cache.Path()},
      {"cache", [&] { WriteAll(program / "HisBmpDir", "x"); }, cache.Path()},
      {"temporary folder", [&] { WriteAll(program / "HisBmpDir", "x"); }, blocked / "file"},
  };
  // Put back however the loop ends.
  struct TUmask {
    mode_t old = ::umask(0);
    ~TUmask() { ::umask(old); }
  } openMask;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    c.arrange();
    CacheHome home(c.cacheHome);
    TStepHistory h(program.Path());
    ASSERT_FALSE(h.Folder().empty());
    ASSERT_TRUE(h.Push(Picture(1).get()));
    ASSERT_TRUE(h.Push(Picture(2).get()));
    ASSERT_TRUE(h.ReplaceCurrent(Picture(3).get()));
    std::vector<std::string> folders = {h.Folder()};
    if (std::string(c.where) != "temporary folder") folders.push_back(Parent(h.Folder()));
    else EXPECT_TRUE(OwnName(h.Folder(), "lumiqa-HisBmpDir-")) << h.Folder();
    for (const std::string& f : folders) {
      struct stat st;
      ASSERT_EQ(::lstat(f.c_str(), &st), 0) << f;
      EXPECT_EQ(st.st_mode & 0777, 0700u) << f;
    }
    for (const std::string& name : FilesIn(h.Folder())) {
      struct stat st;
      ASSERT_EQ(::lstat((h.Folder() + "/" + name).c_str(), &st), 0) << name;
      EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
    EXPECT_EQ(FilesIn(h.Folder()).size(), 2u);
  }
}

// A run that ends without its clean-up (killed, crashed) leaves its folder;
// the next history removes it once that process is gone, never while it
// lives, and never a file the history did not make.
TEST(StepHistory, AKilledRunsHistoryIsRemovedAtTheNextStart) {
  TTempFolder program, cache;
  CacheHome home(cache.Path());
  int toChild[2], fromChild[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(fromChild), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(toChild[1]);
    TStepHistory* h = new TStepHistory(program.Path());
    h->Push(Picture(1).get());
    h->Push(Picture(2).get());
    const std::string line = h->Folder() + "\n";
    if (::write(fromChild[1], line.data(), line.size()) < 0) _exit(1);
    char c;
    while (::read(toChild[0], &c, 1) > 0) {
    }
    _exit(0);  // no destructor: the folder stays as a killed run's would
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  std::string folder;
  char c;
  while (::read(fromChild[0], &c, 1) == 1 && c != '\n') folder += c;
  ::close(fromChild[0]);
  ASSERT_EQ(Parent(folder), program / "HisBmpDir");
  ASSERT_EQ(FilesIn(folder), (std::set<std::string>{"0.bmp", "1.bmp"}));
  {
    // The other run still lives: its folder is left alone.
    TStepHistory h(program.Path());
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"0.bmp", "1.bmp"}));
  }
  ::close(toChild[1]);
  int status;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(DirectoryExists(folder));
  // A stale folder of the cache root that holds a file of someone else's
  // keeps that file (and so the folder); one with no lock file yet whose
  // process is gone goes too.
  const std::string cacheRoot = cache / "lumiqa/HisBmpDir";
  ASSERT_TRUE(ForceDirectories(cacheRoot + "/" + std::to_string(child) + "-abcdef"));
  ASSERT_TRUE(ForceDirectories(cacheRoot + "/" + std::to_string(child) + "-ghijkl"));
  WriteAll(cacheRoot + "/" + std::to_string(child) + "-abcdef/3.bmp", "entry");
  WriteAll(cacheRoot + "/" + std::to_string(child) + "-ghijkl/3.bmp", "entry");
  WriteAll(cacheRoot + "/" + std::to_string(child) + "-ghijkl/notes.txt", "mine");
  // Names the history never makes are not touched.
  ASSERT_TRUE(ForceDirectories(cacheRoot + "/photos"));
  WriteAll(cacheRoot + "/photos/1.bmp", "a photo");
  // Entries an earlier layout wrote straight into the folder beside the
  // program go too, and only they.
  const std::string programRoot = program / "HisBmpDir";
  WriteAll(programRoot + "/1.bmp", "an old entry");
  WriteAll(programRoot + "/.1.bmp.abcdefgh.tmp", "half an old entry");
  WriteAll(programRoot + "/notes.txt", "mine");
  {
    TStepHistory h(program.Path());
    EXPECT_FALSE(DirectoryExists(folder));
    EXPECT_FALSE(DirectoryExists(cacheRoot + "/" + std::to_string(child) + "-abcdef"));
    EXPECT_EQ(FilesIn(cacheRoot + "/" + std::to_string(child) + "-ghijkl"), (std::set<std::string>{"notes.txt"}));
    EXPECT_EQ(ReadAll(cacheRoot + "/photos/1.bmp"), "a photo");
    EXPECT_FALSE(FileExists(programRoot + "/1.bmp"));
    EXPECT_FALSE(FileExists(programRoot + "/.1.bmp.abcdefgh.tmp"));
    EXPECT_EQ(ReadAll(programRoot + "/notes.txt"), "mine");
  }
}

TEST(StepHistory, RotateTwiceUndoTwiceThenPushDropsTheRedoTail) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.Push(Picture(10).get()));  // as the step found it
  EXPECT_FALSE(h.CanUndo());
  ASSERT_TRUE(h.Push(Picture(11).get()));
  ASSERT_TRUE(h.Push(Picture(12).get()));
  EXPECT_EQ(h.Index(), 2);
  EXPECT_TRUE(h.CanUndo());
  EXPECT_FALSE(h.CanRedo());

  EXPECT_EQ(TagOf(h.Undo()), 11);
  EXPECT_EQ(TagOf(h.Undo()), 10);
  EXPECT_EQ(h.Index(), 0);
  EXPECT_FALSE(h.CanUndo());
  EXPECT_TRUE(h.CanRedo());
  EXPECT_EQ(h.Undo(), nullptr);  // nothing before the first entry
  EXPECT_EQ(h.Index(), 0);

  EXPECT_EQ(TagOf(h.Redo()), 11);
  EXPECT_EQ(TagOf(h.Undo()), 10);

  ASSERT_TRUE(h.Push(Picture(13).get()));
  EXPECT_FALSE(h.CanRedo());
  EXPECT_TRUE(h.CanUndo());
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(FilesIn(h.Folder()), (std::set<std::string>{"0.bmp", "1.bmp"}));
  EXPECT_EQ(h.Redo(), nullptr);
  EXPECT_EQ(TagOf(h.Undo()), 10);
  EXPECT_EQ(TagOf(h.Redo()), 13);
}

TEST(StepHistory, ReplacesTheCurrentEntryAndKeepsTheFirst) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.ReplaceCurrent(Picture(1).get()));  // empty: a plain push
  ASSERT_TRUE(h.Push(Picture(2).get()));
  ASSERT_TRUE(h.ReplaceCurrent(Picture(3).get()));
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(h.Index(), 1);
  EXPECT_EQ(TagOf(h.Undo()), 1);
  EXPECT_EQ(TagOf(h.Redo()), 3);
  // After an undo, replacing entry 1 (position moved to 0, then a push)
  // keeps the picture before in entry 0.
  EXPECT_EQ(TagOf(h.Undo()), 1);
  h.SetIndex(0);
  ASSERT_TRUE(h.Push(Picture(4).get()));
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(TagOf(h.Undo()), 1);
  EXPECT_EQ(TagOf(h.Redo()), 4);
  h.SetIndex(99);
  EXPECT_EQ(h.Index(), 1);
  h.SetIndex(-7);
  EXPECT_EQ(h.Index(), -1);
}

TEST(StepHistory, AFailedWriteLeavesTheHistoryAsItWas) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.Push(Picture(1).get()));
  ASSERT_TRUE(h.Push(Picture(2).get()));
  ASSERT_TRUE(h.Push(Picture(3).get()));
  EXPECT_EQ(TagOf(h.Undo()), 2);
  const std::pair<std::function<void(TSafeSaveFaults&)>, int> faults[] = {
      {[](TSafeSaveFaults& f) { f.CreateTemp = EACCES; }, EACCES},
      {[](TSafeSaveFaults& f) { f.Rename = EXDEV; }, EXDEV},
      {[](TSafeSaveFaults& f) { f.DiskSpace = 10; }, ENOSPC},
  };
  for (const auto& [fault, code] : faults) {
    {
      FaultGuard guard;
      fault(SafeSaveFaults());
      EXPECT_FALSE(h.Push(Picture(9).get()));
      EXPECT_EQ(h.LastFailure(), code);
      EXPECT_FALSE(h.ReplaceCurrent(Picture(9).get()));
      EXPECT_EQ(h.LastFailure(), code);
    }
    EXPECT_EQ(h.Index(), 1);
    EXPECT_EQ(h.Count(), 3);
    EXPECT_TRUE(h.CanRedo());
    EXPECT_EQ(FilesIn(h.Folder()), (std::set<std::string>{"0.bmp", "1.bmp", "2.bmp"}));
  }
  // The entries are still the pictures they were.
  EXPECT_EQ(TagOf(h.Redo()), 3);
  EXPECT_EQ(TagOf(h.Undo()), 2);
  EXPECT_EQ(TagOf(h.Undo()), 1);
  EXPECT_FALSE(h.Push(nullptr));
  TBitmap empty;
  EXPECT_FALSE(h.Push(&empty));
  EXPECT_EQ(h.Count(), 3);
}

// Entries last as long as their step: they are written whole, but never
// flushed to the disk, which would cost more than a slider's edit.
TEST(StepHistory, EntriesAreNotFlushedToTheDisk) {
  TTempFolder program;
  TStepHistory h(program.Path());
  FaultGuard guard;
  // A flush would fail; no push asks for one.
  SafeSaveFaults().Sync = EIO;
  ASSERT_TRUE(h.Push(Picture(1).get()));
  ASSERT_TRUE(h.Push(Picture(2).get()));
  ASSERT_TRUE(h.ReplaceCurrent(Picture(3).get()));
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(FilesIn(h.Folder()), (std::set<std::string>{"0.bmp", "1.bmp"}));
  EXPECT_EQ(TagOf(h.Undo()), 1);
  EXPECT_EQ(TagOf(h.Redo()), 3);
}

TEST(StepHistory, DeletesOnlyItsOwnFiles) {
  TTempFolder program;
  std::string folder;
  {
    TStepHistory h(program.Path());
    folder = h.Folder();
    WriteAll(folder + "/notes.txt", "someone else's");
    WriteAll(folder + "/7.bmp", "not an entry of ours");
    ASSERT_TRUE(h.Push(Picture(1).get()));
    ASSERT_TRUE(h.Push(Picture(2).get()));
    h.Clear();
    EXPECT_EQ(h.Index(), -1);
    EXPECT_EQ(h.Count(), 0);
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"7.bmp", "notes.txt"}));
    ASSERT_TRUE(h.Push(Picture(3).get()));
  }
  // The folder stays because it is not empty; what was not ours is intact.
  EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"7.bmp", "notes.txt"}));
  EXPECT_EQ(ReadAll(folder + "/notes.txt"), "someone else's");
}

TEST(StepHistory, AnUnreadableEntryGivesNoPictureAfterMoving) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.Push(Picture(1).get()));
  ASSERT_TRUE(h.Push(Picture(2).get()));
  WriteAll(h.EntryFile(0), "damaged");
  EXPECT_EQ(h.Undo(), nullptr);
  EXPECT_EQ(h.Index(), 0);
  EXPECT_EQ(TagOf(h.Redo()), 2);
  // A deleted entry file is no error when the history is cleared.
  ASSERT_TRUE(DeleteFile(h.EntryFile(0)));
  h.Clear();
  EXPECT_TRUE(FilesIn(h.Folder()).empty());
}

TEST(StepHistory, EntriesAreTwentyFourBitFilesWhateverThePicture) {
  TTempFolder program;
  TStepHistory h(program.Path());
  TBitmap deep(6, 5, pf32bit);
  ASSERT_TRUE(h.Push(&deep));
  EXPECT_EQ(deep.PixelFormat(), pf32bit);  // the caller's picture is left alone
  const std::string bytes = ReadAll(h.EntryFile(0));
  ASSERT_GT(bytes.size(), 30u);
  EXPECT_EQ(Byte(bytes[28]), 24);
  EXPECT_EQ(h.EntryFile(3), h.Folder() + "/3.bmp");
}

// A slider's entries answer at once: the writer is held inside its first
// write while every call below returns (one that waited for the write would
// never return), and the entry being written answers a redo from memory.
TEST(StepHistory, KeptEntriesAnswerWhileTheirFileIsStillBeingWritten) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.Push(Picture(1).get()));
  std::promise<void> release;
  const std::shared_future<void> go = release.get_future().share();
  int started = 0;  // written by the writer before it waits, read after the flush
  {
    FaultGuard guard;
    SafeSaveFaults().TempCreated = [go, &started](const std::string&) {
      ++started;
      go.wait();
    };
    ASSERT_TRUE(h.PushLater(Picture(2).get()));
    ASSERT_TRUE(h.ReplaceCurrentLater(Picture(3).get()));
    ASSERT_TRUE(h.ReplaceCurrentLater(Picture(4).get()));
    EXPECT_EQ(h.Count(), 2);
    EXPECT_EQ(h.Index(), 1);
    EXPECT_TRUE(h.InMemory(1));
    EXPECT_FALSE(FileExists(h.EntryFile(1)));
    EXPECT_EQ(TagOf(h.Undo()), 1);
    EXPECT_TRUE(h.InMemory(1));  // not written yet, so still held
    EXPECT_EQ(TagOf(h.Redo()), 4);
    EXPECT_FALSE(FileExists(h.EntryFile(1)));
    release.set_value();
    h.Flush();
  }
  // The first change's write, if it had begun, ended before the last one's.
  EXPECT_GE(started, 1);
  EXPECT_LE(started, 2);
  EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::Written);
  EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::None);
  EXPECT_EQ(TagOf(LoadPicture(h.EntryFile(1))), 4);
  EXPECT_EQ(FilesIn(h.Folder()), (std::set<std::string>{"0.bmp", "1.bmp"}));
  // Written, the entries leave memory and answer from their files.
  EXPECT_FALSE(h.InMemory(1));
  EXPECT_FALSE(h.InMemory(0));
  EXPECT_EQ(TagOf(h.Undo()), 1);
  EXPECT_EQ(TagOf(h.Redo()), 4);
}

// A write behind the user's back that fails keeps the entry in memory,
// where undo and redo still find it, and is reported once.
TEST(StepHistory, AFailedLaterWriteKeepsTheEntryInMemoryAndIsReportedOnce) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.Push(Picture(1).get()));
  ASSERT_TRUE(h.PushLater(Picture(2).get()));
  h.Flush();
  EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::Written);
  const std::pair<std::function<void(TSafeSaveFaults&)>, int> faults[] = {
      {[](TSafeSaveFaults& f) { f.CreateTemp = EACCES; }, EACCES},
      {[](TSafeSaveFaults& f) { f.Rename = EXDEV; }, EXDEV},
      {[](TSafeSaveFaults& f) { f.DiskSpace = 10; }, ENOSPC},
  };
  int tag = 20;
  for (const auto& [fault, code] : faults) {
    SCOPED_TRACE(code);
    ++tag;
    {
      FaultGuard guard;
      fault(SafeSaveFaults());
      EXPECT_TRUE(h.ReplaceCurrentLater(Picture(tag).get()));
      h.Flush();
    }
    EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::Failed);
    EXPECT_EQ(h.LastFailure(), code);
    EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::None);
    EXPECT_EQ(h.Count(), 2);
    EXPECT_TRUE(h.InMemory(1));
    // The file is still the last one written; the entry is the new picture.
    EXPECT_EQ(TagOf(LoadPicture(h.EntryFile(1))), 2);
    EXPECT_EQ(TagOf(h.Undo()), 1);
    EXPECT_TRUE(h.InMemory(1));
    EXPECT_EQ(TagOf(h.Redo()), tag);
  }
  // Writing works again.
  ASSERT_TRUE(h.ReplaceCurrentLater(Picture(30).get()));
  h.Flush();
  EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::Written);
  EXPECT_EQ(TagOf(LoadPicture(h.EntryFile(1))), 30);
  EXPECT_FALSE(h.PushLater(nullptr));
  TBitmap empty;
  EXPECT_FALSE(h.ReplaceCurrentLater(&empty));
  EXPECT_EQ(h.Count(), 2);
}

// Leaving the step while writes are queued or running leaves no file:
// queued writes are dropped and a running one ends before the files go.
TEST(StepHistory, ClearingLeavesNoFileOfAWriteStillQueued) {
  TTempFolder program;
  TStepHistory h(program.Path());
  ASSERT_TRUE(h.Push(Picture(1).get()));
  std::promise<void> release;
  const std::shared_future<void> go = release.get_future().share();
  {
    FaultGuard guard;
    SafeSaveFaults().TempCreated = [go](const std::string&) { go.wait(); };
    ASSERT_TRUE(h.PushLater(Picture(2).get()));
    ASSERT_TRUE(h.PushLater(Picture(3).get()));
    ASSERT_TRUE(h.PushLater(Picture(4).get()));
    release.set_value();
    h.Clear();
    h.Flush();
  }
  EXPECT_EQ(h.Count(), 0);
  EXPECT_TRUE(FilesIn(h.Folder()).empty());
  EXPECT_EQ(h.TakeWriteResult(), TStepHistory::TWrites::None);
}

// An entry pushed to be kept while shared stays in memory as long as the
// caller's picture holds the same pixels, and leaves memory when it does
// not: an undo to it reads no file meanwhile.
TEST(StepHistory, AnEntryKeptWhileSharedAnswersWithoutItsFile) {
  TTempFolder program;
  TStepHistory h(program.Path());
  auto before = Picture(1);
  ASSERT_TRUE(h.Push(before.get(), true));
  ASSERT_TRUE(h.Push(Picture(2).get()));
  EXPECT_TRUE(h.InMemory(0));
  EXPECT_FALSE(h.InMemory(1));
  ASSERT_TRUE(DeleteFile(h.EntryFile(0)));
  EXPECT_EQ(TagOf(h.Undo()), 1);
  EXPECT_EQ(TagOf(h.Redo()), 2);
  // Written over in place, the caller's picture copies itself away; the
  // entry then holds the only copy and leaves memory at the next call.
  static_cast<Byte*>(before->ScanLine(0))[0] = 99;
  EXPECT_EQ(h.Undo(), nullptr);  // its file is gone
  EXPECT_FALSE(h.InMemory(0));
  // Without asking, nothing is kept.
  auto other = Picture(3);
  ASSERT_TRUE(h.Push(other.get()));
  ASSERT_TRUE(h.Push(Picture(4).get()));
  EXPECT_FALSE(h.InMemory(1));
}

}  // namespace

#include "app/main/uMain_History.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "app/pixels/RotateImage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"

namespace {

constexpr const char* kFolderName = "HisBmpDir";
// Per-process folders in the shared temporary folder carry this prefix; in
// the history roots they are named "<pid>-XXXXXX".
constexpr const char* kTempPrefix = "lumiqa-HisBmpDir-";
// Held (flock) by the living process that owns the folder.
constexpr const char* kLockName = ".lock";

// A real folder owned by us, nothing else (a link, another user's folder).
bool OwnFolder(const std::string& folder) {
  struct stat st;
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// A root to hold per-process folders: made if needed, ours, and private.
// Permission bits alone do not tell whether a folder can take a new one
// (read-only mounts, root), so the caller's mkdtemp has the last word.
bool UsableRoot(const std::string& folder) {
  if (folder.empty() || !ForceDirectories(folder) || !OwnFolder(folder)) return false;
  return ::chmod(folder.c_str(), 0700) == 0;
}

std::string CacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return ExcludeTrailingPathDelimiter(xdg);
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return ExcludeTrailingPathDelimiter(home) + "/.cache";
  return {};
}

// The folders that hold per-process history folders, in the order they are
// tried; the shared temporary folder comes after them.
std::vector<std::string> Roots(const std::string& programFolder) {
  std::vector<std::string> roots;
  if (!programFolder.empty()) roots.push_back(IncludeTrailingPathDelimiter(programFolder) + kFolderName);
  if (const std::string cache = CacheFolder(); !cache.empty()) roots.push_back(cache + "/lumiqa/" + kFolderName);
  return roots;
}

std::string TempRoot() { return ExcludeTrailingPathDelimiter(GetTempPath()); }

bool AllDigits(const std::string& s, std::size_t from, std::size_t to) {
  if (from >= to || to > s.size()) return false;
  for (std::size_t i = from; i < to; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// The pid in a history folder's name (prefix, "<pid>-", six characters of
// mkdtemp), or -1 when the name is not one the history makes.
long FolderPid(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  const std::size_t dash = name.find('-', prefix.size());
  if (dash == std::string::npos || dash - prefix.size() > 10 || name.size() - dash - 1 != 6 ||
      !AllDigits(name, prefix.size(), dash))
    return -1;
  return std::stol(name.substr(prefix.size(), dash - prefix.size()));
}

// Names the history writes into its folder: "N.bmp", the lock, and the
// safe save's temporary ".N.bmp.xxxxxxxx.tmp" (with "-old" when moved aside).
bool HistoryFileName(const std::string& name) {
  if (name == kLockName) return true;
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) return AllDigits(name, 0, name.size() - 4);
  std::string n = name;
  if (n.size() > 4 && n.compare(n.size() - 4, 4, "-old") == 0) n.resize(n.size() - 4);
  if (n.size() < 1 + 1 + 5 + 8 + 4 || n[0] != '.' || n.compare(n.size() - 4, 4, ".tmp") != 0) return false;
  const std::size_t bmp = n.find(".bmp.");
  return bmp != std::string::npos && AllDigits(n, 1, bmp) && bmp + 5 + 8 + 4 == n.size();
}

// Takes the folder's lock file without waiting: the descriptor, or -1 when
// a living process holds it (or it cannot be opened).
int TryLock(const std::string& folder, bool create) {
  const std::string lock = folder + "/" + kLockName;
  const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT | O_EXCL : 0), 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Deletes the regular files in folder whose names the history writes (the
// lock aside), nothing else.
void RemoveHistoryFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir))
    if (e->d_name != std::string(kLockName) && HistoryFileName(e->d_name)) names.emplace_back(e->d_name);
  ::closedir(dir);
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

// Removes the history folder of a run that is gone: only the names the
// history makes, and the folder itself when that leaves it empty.
void RemoveIfStale(const std::string& folder, long pid) {
  if (!OwnFolder(folder)) return;
  const int fd = TryLock(folder, false);
  if (fd < 0) {
    // A folder without its lock file may be one being set up: only a pid
    // that is gone makes it stale.
    struct stat st;
    if (::lstat((folder + "/" + kLockName).c_str(), &st) == 0) return;
    if (pid <= 0 || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH) return;
  }
  RemoveHistoryFiles(folder);
  ::unlink((folder + "/" + kLockName).c_str());
  if (fd >= 0) ::close(fd);
  ::rmdir(folder.c_str());
}

void RemoveStaleIn(const std::string& root, const std::string& prefix) {
  DIR* dir = ::opendir(root.c_str());
  if (!dir) return;
  std::vector<std::pair<std::string, long>> found;
  while (const dirent* e = ::readdir(dir)) {
    const long pid = FolderPid(e->d_name, prefix);
    if (pid >= 0) found.emplace_back(e->d_name, pid);
  }
  ::closedir(dir);
  for (const auto& [name, pid] : found) RemoveIfStale(root + "/" + name, pid);
}

}  // namespace

void RemoveStaleHistory(const std::string& programFolder) {
  for (const std::string& root : Roots(programFolder)) {
    if (!OwnFolder(root)) continue;
    // Entries straight in the root are left by runs of the earlier layout,
    // which wrote there; no run writes there now.
    RemoveHistoryFiles(root);
    RemoveStaleIn(root, "");
  }
  RemoveStaleIn(TempRoot(), kTempPrefix);
}

// Writes entry files one after another on a thread of its own. A written
// job lets its picture go at once, so a picture the history no longer holds
// is freed there and then (the GDI's handle registry is locked); cancelled
// jobs go on the history's thread.
class TStepHistory::TWriter {
 public:
  struct TJob {
    std::uint64_t ticket = 0;
    int position = 0;
    std::string file;
    std::shared_ptr<TBitmap> picture;
  };
  struct TDone {
    std::uint64_t ticket = 0;
    bool written = false;
    int error = 0;
  };

  ~TWriter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  void Queue(TJob job) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(job));
      if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    changed_.notify_all();
  }

  // Drops the queued jobs for positions from `from` on, and waits while the
  // running one is for a position from `waitFrom` on (its file is about to
  // be deleted or written by the caller).
  void Cancel(int from, int waitFrom) {
    std::deque<TJob> dropped;
    std::unique_lock<std::mutex> lock(mutex_);
    for (auto it = queue_.begin(); it != queue_.end();) {
      if (it->position >= from) {
        dropped.push_back(std::move(*it));
        it = queue_.erase(it);
      } else {
        ++it;
      }
    }
    changed_.wait(lock, [&] { return !running_ || runningPosition_ < waitFrom; });
  }

  void WaitIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() && !running_; });
  }

  std::vector<TDone> TakeDone() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(done_, {});
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, nothing left to write
      TJob job = std::move(queue_.front());
      queue_.pop_front();
      running_ = true;
      runningPosition_ = job.position;
      lock.unlock();
      TDone done{job.ticket, false, 0};
      try {
        TBitmap* picture = job.picture.get();
        SafeSaveFile(job.file, [picture](TStream& out) { picture->SaveToStream(out); }, TSaveSync::Scratch);
        ::chmod(job.file.c_str(), 0600);
        done.written = true;
      } catch (const ESaveError& e) {
        done.error = e.ErrorCode();
      } catch (...) {
        done.error = 0;
      }
      job.picture.reset();
      lock.lock();
      done_.push_back(std::move(done));
      running_ = false;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TJob> queue_;
  std::vector<TDone> done_;
  bool running_ = false;
  int runningPosition_ = -1;
  bool stop_ = false;
  std::thread thread_;
};

TStepHistory::TStepHistory(const std::string& programFolder) : writer_(std::make_unique<TWriter>()) {
  RemoveStaleHistory(programFolder);
  const std::string pid = std::to_string(::getpid());
  std::vector<std::pair<std::string, std::string>> candidates;
  for (const std::string& root : Roots(programFolder)) candidates.emplace_back(root, root + "/" + pid + "-XXXXXX");
  candidates.emplace_back(std::string(), TempRoot() + "/" + kTempPrefix + pid + "-XXXXXX");
  for (auto& [root, pattern] : candidates) {
    if (!root.empty() && !UsableRoot(root)) continue;
    // mkdtemp makes the folder 0700 whatever the umask, under a name no
    // other process has, so no two runs ever share entries.
    if (!::mkdtemp(pattern.data())) continue;
    lock_ = TryLock(pattern, true);
    if (lock_ < 0) {
      ::rmdir(pattern.c_str());
      continue;
    }
    folder_ = pattern;
    root_ = root;
    return;
  }
  failure_ = errno;
}

TStepHistory::~TStepHistory() {
  Clear();
  writer_.reset();
  if (folder_.empty()) return;
  ::unlink((folder_ + "/" + kLockName).c_str());
  ::close(lock_);
  // Each fails, and so keeps the folder, when anything else is in it.
  RemoveDir(folder_);
  if (!root_.empty()) RemoveDir(root_);
}

std::string TStepHistory::EntryFile(int position) const {
  return folder_ + "/" + std::to_string(position) + ".bmp";
}

void TStepHistory::DropFrom(int position) {
  if (position < 0) position = 0;
  // No write may bring back a file deleted here.
  writer_->Cancel(position, position);
  while (Count() > position && Count() > 0) {
    DeleteFile(entries_.back().file);  // a missing file is no error
    entries_.pop_back();
  }
}

void TStepHistory::Collect() {
  for (TWriter::TDone& done : writer_->TakeDone()) {
    // A write for an entry replaced or dropped since says nothing.
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [&done](const TEntry& e) { return e.ticket == done.ticket; });
    if (entry == entries_.end()) continue;
    if (done.written) {
      entry->ticket = 0;
      wroteSinceAsked_ = true;
    } else {
      // The entry keeps its picture in memory and its ticket, so it stays.
      failedSinceAsked_ = true;
      failure_ = done.error;
    }
  }
  Trim();
}

// A written entry leaves memory, so the picture it shared is the caller's
// alone again (written over in place without a copy, or reused); one pushed
// with keepShared stays while its pixels are shared, which costs nothing.
void TStepHistory::Trim() {
  for (TEntry& e : entries_)
    if (e.held && e.ticket == 0 && !(e.keepWhileShared && e.held->SharesPixels())) e.held.reset();
}

bool TStepHistory::Push(TBitmap* bitmap, bool keepShared) {
  Collect();
  if (!bitmap || bitmap->Empty()) return false;
  if (folder_.empty()) return false;  // failure_ says why there is none
  const int position = index_ + 1;
  const std::string name = EntryFile(position);
  // A write asked for earlier must not land after this one.
  writer_->Cancel(position, position);
  try {
    // Entries are 24-bit files whatever the picture holds; the caller's
    // bitmap is left as it is. They live as long as the step, so they are
    // not flushed to the disk: a flush of a 12-megapixel entry costs more
    // than the edit it records.
    const auto save = [&name](TBitmap* b) {
      SafeSaveFile(name, [b](TStream& out) { b->SaveToStream(out); }, TSaveSync::Scratch);
    };
    if (bitmap->PixelFormat() == pf24bit) {
      save(bitmap);
    } else {
      TBitmap copy;
      copy.Assign(bitmap);
      copy.SetPixelFormat(pf24bit);
      save(&copy);
    }
    // Private whatever the umask; the folder already keeps others out.
    ::chmod(name.c_str(), 0600);
  } catch (const ESaveError& e) {
    failure_ = e.ErrorCode();
    return false;
  } catch (...) {
    failure_ = 0;
    return false;
  }
  // Asked for, a 24-bit picture stays in memory too, sharing the caller's
  // pixels, for as long as Trim keeps it.
  std::shared_ptr<TBitmap> held;
  if (keepShared && bitmap->PixelFormat() == pf24bit) {
    held = std::make_shared<TBitmap>();
    held->ShareFrom(*bitmap);
  }
  // The new file took the place of the entry at position, if there was one.
  if (position < Count()) {
    DropFrom(position + 1);
    entries_[std::size_t(position)] = TEntry{name, held, 0, keepShared};
  } else {
    entries_.push_back(TEntry{name, held, 0, keepShared});
  }
  index_ = position;
  Trim();
  return true;
}

bool TStepHistory::ReplaceCurrent(TBitmap* bitmap) {
  if (index_ < 0) return Push(bitmap);
  --index_;
  if (Push(bitmap)) return true;
  ++index_;
  return false;
}

bool TStepHistory::Keep(TBitmap* bitmap, bool keepShared) {
  const int position = index_ + 1;
  // Only queued writes of this entry are dropped: one already running ends
  // first, and the new file replaces it, so nobody waits for it.
  writer_->Cancel(position, position + 1);
  auto held = std::make_shared<TBitmap>();
  if (bitmap->PixelFormat() == pf24bit) {
    held->ShareFrom(*bitmap);
  } else {
    held->Assign(bitmap);
    held->SetPixelFormat(pf24bit);
  }
  TEntry entry{EntryFile(position), held, ++tickets_, keepShared && bitmap->PixelFormat() == pf24bit};
  if (position < Count()) {
    DropFrom(position + 1);
    entries_[std::size_t(position)] = entry;
  } else {
    entries_.push_back(entry);
  }
  index_ = position;
  if (folder_.empty())
    failedSinceAsked_ = true;  // kept in memory only; failure_ says why
  else
    writer_->Queue(TWriter::TJob{entry.ticket, position, entry.file, held});
  Trim();
  return true;
}

bool TStepHistory::PushLater(TBitmap* bitmap, bool keepShared) {
  Collect();
  if (!bitmap || bitmap->Empty()) return false;
  return Keep(bitmap, keepShared);
}

bool TStepHistory::ReplaceCurrentLater(TBitmap* bitmap) {
  Collect();
  if (!bitmap || bitmap->Empty()) return false;
  if (index_ >= 0) --index_;
  return Keep(bitmap);
}

void TStepHistory::Flush() {
  writer_->WaitIdle();
  Collect();
}

TStepHistory::TWrites TStepHistory::TakeWriteResult() {
  Collect();
  const TWrites result = failedSinceAsked_ ? TWrites::Failed : wroteSinceAsked_ ? TWrites::Written : TWrites::None;
  failedSinceAsked_ = wroteSinceAsked_ = false;
  return result;
}

bool TStepHistory::InMemory(int position) const {
  return position >= 0 && position < Count() && entries_[std::size_t(position)].held != nullptr;
}

namespace {
std::unique_ptr<TBitmap> SharedCopy(const TBitmap& held) {
  auto b = std::make_unique<TBitmap>();
  b->ShareFrom(held);
  return b;
}
}  // namespace

std::unique_ptr<TBitmap> TStepHistory::Undo() {
  Collect();
  if (index_ <= 0) return nullptr;
  --index_;
  const TEntry& e = entries_[std::size_t(index_)];
  std::unique_ptr<TBitmap> picture = e.held ? SharedCopy(*e.held) : LoadPicture(e.file);
  Trim();
  return picture;
}

std::unique_ptr<TBitmap> TStepHistory::Redo() {
  Collect();
  if (index_ < 0 || index_ >= Count() - 1) return nullptr;
  ++index_;
  const TEntry& e = entries_[std::size_t(index_)];
  std::unique_ptr<TBitmap> picture = e.held ? SharedCopy(*e.held) : LoadPicture(e.file);
  Trim();
  return picture;
}

void TStepHistory::Clear() {
  DropFrom(0);
  index_ = -1;
  Collect();
}

void TStepHistory::SetIndex(int index) {
  index_ = std::max(-1, std::min(index, Count() - 1));
  Trim();
}

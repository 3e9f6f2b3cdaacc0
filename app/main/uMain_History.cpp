#include "app/main/uMain_History.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "app/pixels/RotateImage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"

namespace {

constexpr const char* kFolderName = "HisBmpDir";

// True when the folder exists (made if needed), is a real folder of ours
// and a file can be created in it: permission bits alone do not tell, on
// read-only mounts or as root. A folder another user made (a program folder
// open to everyone) would mix two users' entries, so it is not used.
bool UsableFolder(const std::string& folder) {
  if (folder.empty() || !ForceDirectories(folder) || !DirectoryExists(folder)) return false;
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  const std::string probe = GetTempFileName(folder, ".probe");
  if (probe.empty()) return false;
  DeleteFile(probe);
  return true;
}

std::string CacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return ExcludeTrailingPathDelimiter(xdg);
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return ExcludeTrailingPathDelimiter(home) + "/.cache";
  return {};
}

std::string PickFolder(const std::string& programFolder) {
  if (!programFolder.empty()) {
    const std::string beside = IncludeTrailingPathDelimiter(programFolder) + kFolderName;
    if (UsableFolder(beside)) return beside;
  }
  const std::string perProcess = std::string(kFolderName) + "-" + std::to_string(::getpid());
  const std::string cache = CacheFolder();
  if (!cache.empty()) {
    const std::string folder = cache + "/lumiqa/" + perProcess;
    if (UsableFolder(folder)) return folder;
  }
  std::string pattern = GetTempPath() + "lumiqa-" + perProcess + "-XXXXXX";
  if (::mkdtemp(pattern.data())) return pattern;
  return {};
}

}  // namespace

TStepHistory::TStepHistory(const std::string& programFolder) : folder_(PickFolder(programFolder)) {}

TStepHistory::~TStepHistory() {
  Clear();
  // Fails, and so keeps the folder, when anything else is in it.
  if (!folder_.empty()) RemoveDir(folder_);
}

std::string TStepHistory::EntryFile(int position) const {
  return folder_ + "/" + std::to_string(position) + ".bmp";
}

void TStepHistory::DropFrom(int position) {
  while (Count() > position && Count() > 0) {
    DeleteFile(files_.back());  // a missing file is no error
    files_.pop_back();
  }
}

bool TStepHistory::Push(TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty() || folder_.empty()) return false;
  const int position = index_ + 1;
  const std::string name = EntryFile(position);
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
  } catch (...) {
    return false;
  }
  // The new file took the place of the entry at position, if there was one.
  if (position < Count()) {
    DropFrom(position + 1);
    files_[std::size_t(position)] = name;
  } else {
    files_.push_back(name);
  }
  index_ = position;
  return true;
}

bool TStepHistory::ReplaceCurrent(TBitmap* bitmap) {
  if (index_ < 0) return Push(bitmap);
  --index_;
  if (Push(bitmap)) return true;
  ++index_;
  return false;
}

std::unique_ptr<TBitmap> TStepHistory::Undo() {
  if (index_ <= 0) return nullptr;
  --index_;
  return LoadPicture(files_[std::size_t(index_)]);
}

std::unique_ptr<TBitmap> TStepHistory::Redo() {
  if (index_ < 0 || index_ >= Count() - 1) return nullptr;
  ++index_;
  return LoadPicture(files_[std::size_t(index_)]);
}

void TStepHistory::Clear() {
  DropFrom(0);
  index_ = -1;
}

void TStepHistory::SetIndex(int index) { index_ = std::max(-1, std::min(index, Count() - 1)); }

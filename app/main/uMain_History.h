// The per-step undo and redo history of whole pictures, kept as numbered
// 24-bit BMP files (0.bmp, 1.bmp ...) in a folder of its own. No user
// interface: the caller sets the undo and redo buttons from CanUndo and
// CanRedo.
//
// Each process has a folder of its own, made by mkdtemp (0700) as
// "<pid>-XXXXXX" in "HisBmpDir" beside the program when that can be
// written and is the user's own, else in the user's cache folder
// ($XDG_CACHE_HOME or ~/.cache, lumiqa/HisBmpDir), else as
// "lumiqa-HisBmpDir-<pid>-XXXXXX" in the temporary folder. So two users or
// two instances never share entries, whatever the single-instance guard
// says (a "HisBmpDir" another user made, or a link, is passed over).
// Entry files are 0600 whatever the umask. The process holds a lock on
// ".lock" in its folder while it lives; only the history's own files are
// ever deleted, and folders are removed only when nothing else is in them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"

// Removes the history folders of this user's runs that are gone (killed,
// crashed): their lock is free. Only names the history makes are deleted.
// Every new history does this first.
void RemoveStaleHistory(const std::string& programFolder);

class TStepHistory {
 public:
  // programFolder: the folder of the executable (with or without a
  // trailing separator).
  explicit TStepHistory(const std::string& programFolder);
  ~TStepHistory();
  TStepHistory(const TStepHistory&) = delete;
  TStepHistory& operator=(const TStepHistory&) = delete;

  // Drops the entries after the current one and appends the bitmap as the
  // new current entry. The file is written before anything else changes:
  // when the write fails (or there is no bitmap) the history stays as it
  // was and the result is false.
  // keepShared: the entry also stays in memory, sharing the bitmap's pixels,
  // while they are shared with a picture held elsewhere (for a caller that
  // never writes that bitmap in place, which would copy it).
  bool Push(TBitmap* bitmap, bool keepShared = false);
  // Replaces the current entry (and drops the ones after it); with no
  // entries it is a plain push. Same failure rule as Push.
  bool ReplaceCurrent(TBitmap* bitmap);
  // The same two answered at once, for a slider's every change: the entry
  // is kept in memory (its pixels shared with the caller's bitmap until
  // one side writes) and its file is written by the history's own thread.
  // A write that fails keeps the entry in memory; TakeWriteResult tells.
  // False only when there is no picture. keepShared as for Push: once
  // written, the entry still stays while its pixels are shared.
  bool PushLater(TBitmap* bitmap, bool keepShared = false);
  bool ReplaceCurrentLater(TBitmap* bitmap);
  // Waits until every write asked for has ended.
  void Flush();
  // Takes in the writes that ended: entries written leave memory (see
  // InMemory), so their pictures may be the caller's alone again.
  void Collect();
  // What the writes that ended since the last call came to: none ended,
  // all wrote their files, or at least one failed (LastFailure says why).
  enum class TWrites { None, Written, Failed };
  TWrites TakeWriteResult();
  // Whether the entry at position is held in memory: until its file is
  // written, and, for one pushed with keepShared, while its pixels are
  // shared with a picture the program holds anyway.
  bool InMemory(int position) const;
  // One entry back or forward, from memory when it is held there, else read
  // from its file: nullptr when there is no such entry. A file that cannot
  // be read also gives nullptr, after the position has moved.
  std::unique_ptr<TBitmap> Undo();
  std::unique_ptr<TBitmap> Redo();
  // Deletes every entry's file; the history is empty afterwards.
  void Clear();

  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ >= 0 && index_ < Count() - 1; }
  // The entry the working picture corresponds to; -1 when empty.
  int Index() const { return index_; }
  int Count() const { return int(entries_.size()); }
  // The errno value of the last failed write (ENOSPC, EACCES...); 0 when
  // nothing more is known.
  int LastFailure() const { return failure_; }
  // Where the entry files live (no trailing separator); empty when no
  // folder could be made, in which case every push fails.
  const std::string& Folder() const { return folder_; }
  // Moves the current position (clamped to -1 .. Count() - 1), so that the
  // next push replaces the entry after it.
  void SetIndex(int index);
  // The file name of the entry at position.
  std::string EntryFile(int position) const;

 private:
  class TWriter;
  struct TEntry {
    std::string file;
    std::shared_ptr<TBitmap> held;  // the picture in memory, or nullptr
    std::uint64_t ticket = 0;       // the write asked for it; 0 once written
    bool keepWhileShared = false;
  };
  void DropFrom(int position);
  bool Keep(TBitmap* bitmap, bool keepShared = false);
  void Trim();
  std::string folder_;
  std::string root_;  // the folder holding folder_, removed when left empty
  int lock_ = -1;     // flock held on folder_/.lock for the process's life
  int failure_ = 0;
  std::vector<TEntry> entries_;
  int index_ = -1;
  std::uint64_t tickets_ = 0;
  bool wroteSinceAsked_ = false, failedSinceAsked_ = false;
  std::unique_ptr<TWriter> writer_;
};

// The per-step undo and redo history of whole pictures, kept as numbered
// 24-bit BMP files (0.bmp, 1.bmp ...) in a folder of its own. No user
// interface: the caller sets the undo and redo buttons from CanUndo and
// CanRedo.
//
// The folder is "HisBmpDir" beside the program when that folder can be
// written, else a per-process folder in the user's cache folder
// ($XDG_CACHE_HOME or ~/.cache, lumiqa/HisBmpDir-<pid>), else a new private
// folder in the temporary folder; so two users or two instances never share
// one (a "HisBmpDir" another user made, or a link, is passed over). Only the
// history's own entry files are ever deleted, and the folder
// is removed at the end only when nothing else is left in it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"

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
  bool Push(TBitmap* bitmap);
  // Replaces the current entry (and drops the ones after it); with no
  // entries it is a plain push. Same failure rule as Push.
  bool ReplaceCurrent(TBitmap* bitmap);
  // One entry back or forward, read from its file: nullptr when there is no
  // such entry. A file that cannot be read also gives nullptr, after the
  // position has moved.
  std::unique_ptr<TBitmap> Undo();
  std::unique_ptr<TBitmap> Redo();
  // Deletes every entry's file; the history is empty afterwards.
  void Clear();

  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ >= 0 && index_ < Count() - 1; }
  // The entry the working picture corresponds to; -1 when empty.
  int Index() const { return index_; }
  int Count() const { return int(files_.size()); }
  // Where the entry files live (no trailing separator); empty when no
  // folder could be made, in which case every push fails.
  const std::string& Folder() const { return folder_; }
  // Moves the current position (clamped to -1 .. Count() - 1), so that the
  // next push replaces the entry after it.
  void SetIndex(int index);
  // The file name of the entry at position.
  std::string EntryFile(int position) const;

 private:
  void DropFrom(int position);
  std::string folder_;
  std::vector<std::string> files_;
  int index_ = -1;
};

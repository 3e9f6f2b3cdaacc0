// Whole-file saves that never damage what was there, and the check that
// keeps readers away from what is not a regular file.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/rtl/Exceptions.h"

class TStream;

// Saves a whole file: `write` fills a new temporary file in the target's
// folder, which is flushed to disk (fsync) and renamed over fileName in one
// step, so readers see the old content or the new, never half of either.
// The new file keeps the old one's permission bits (and owner when allowed);
// a new target gets 0666 less the umask. A symbolic link is written through:
// the file it names is replaced and the link stays.
//
// Refused before anything is written: an empty name, an existing target
// that is not a regular file (folder, FIFO, device), and a read-only target
// (no write permission for us, or no write bit at all, which stops root as
// well). A folder that cannot take the temporary file fails the save; the
// file is never rewritten in place.
//
// On any failure the temporary file is removed, the target is left byte
// for byte as it was, and ESaveError (an EFCreateError) "Cannot save file
// \"name\". reason" is raised with the errno value that says why. An exception `write` raises for its own reasons (not a failed
// write to the stream) is passed on unchanged after the same clean-up.
//
// A scratch file (TSaveSync::Scratch), one the program makes for itself and
// drops when it ends, is not flushed: it keeps every rule above while the
// system runs, and only a crash of the whole system may lose it.
class ESaveError : public EFCreateError {
 public:
  ESaveError(std::string message, int errorCode) : EFCreateError(std::move(message)), errorCode_(errorCode) {}
  // ENOSPC, EDQUOT, EACCES, EROFS...; EACCES for a read-only target, EISDIR
  // for a target that is not a regular file, EINVAL for a bad name.
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

enum class TSaveSync { Durable, Scratch };
void SafeSaveFile(const std::string& fileName, const std::function<void(TStream& out)>& write,
                  TSaveSync sync = TSaveSync::Durable);

// The same for bytes already in memory.
void SafeSaveFile(const std::string& fileName, const std::string& bytes);

// Failures injected into SafeSaveFile, for tests: each step fails with the
// given errno value when it is not 0. Reset to the defaults when done
// (TSafeSaveFaults{} assigned back).
struct TSafeSaveFaults {
  int CreateTemp = 0;  // creating the temporary file (EACCES: a folder we may not add to)
  int Sync = 0;        // fsync of the temporary file (EIO)
  int Rename = 0;      // renaming it over the target
  // Writes that would make the temporary file larger than this fail with
  // ENOSPC after writing what still fits, as on a full disk; -1: no limit.
  std::int64_t DiskSpace = -1;
  // Told the temporary file's name once it exists.
  std::function<void(const std::string& tempName)> TempCreated;
};
TSafeSaveFaults& SafeSaveFaults();

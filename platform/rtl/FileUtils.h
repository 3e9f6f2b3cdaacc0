// Files and paths: name splitting, existence tests, folders, listing, temp
// files and the program's own location. Paths use '/'; NativePath turns the
// Windows-style literals of program paths ("\Skin\Skin.ini") into real ones.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/LastError.h"
#include "platform/rtl/Types.h"

constexpr char PathDelim = '/';

// Everything up to and including the last '/' ("" when there is none).
std::string ExtractFilePath(std::string_view fileName);
// As ExtractFilePath without the trailing '/', except for the root "/".
std::string ExtractFileDir(std::string_view fileName);
// The part after the last '/'.
std::string ExtractFileName(std::string_view fileName);
// The last '.' of the name part and what follows, "" when the name has none.
std::string ExtractFileExt(std::string_view fileName);
// Replaces the extension (or appends `ext` when there is none); `ext` carries
// its dot.
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);
// Drops trailing '/' characters but keeps the root "/".
std::string ExcludeTrailingPathDelimiter(std::string_view path);
// Absolute path against the current folder with ".", ".." and doubled '/'
// resolved textually (symbolic links are not followed).
std::string ExpandFileName(std::string_view fileName);
// '\' becomes '/', and runs of separators that joining produces collapse to
// one, so ProgramFolder() + "\\Skin\\Skin.ini" is a valid path.
std::string NativePath(std::string_view path);

std::string GetCurrentDir();

// Regular files only (a folder is not a file); symbolic links are followed.
bool FileExists(std::string_view fileName);
bool DirectoryExists(std::string_view dir);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view dir);
// One folder; false when it exists already or the parent is missing.
bool CreateDir(std::string_view dir);
// Regular files (and links) only; never removes a folder.
bool DeleteFile(std::string_view fileName);
// Empty folders only.
bool RemoveDir(std::string_view dir);
// False, leaving both alone, when `newName` exists already.
bool RenameFile(std::string_view oldName, std::string_view newName);
// Modification time in seconds since 1970-01-01 UTC; -1 when missing.
Int64 FileAge(std::string_view fileName);
// Size in bytes; -1 when missing or not a regular file.
Int64 FileSize(std::string_view fileName);

// ---- reading files named by a file or a user ------------------------------

// Raises EFOpenError "Cannot open file \"name\". reason" unless the name
// (symbolic links followed) is an existing regular file. Readers call it
// before opening a name that came from a file or a user: opening a FIFO
// blocks until a writer comes, and a device or folder is not a file's data.
void CheckRegularFile(std::string_view fileName);
// The whole content of a regular file of at most maxBytes. Raises what
// CheckRegularFile raises, EFOpenError when it cannot be opened, EReadError
// when it is larger than maxBytes or a read fails. A FIFO swapped in after
// the check is refused without blocking.
std::string ReadRegularFile(std::string_view fileName, Int64 maxBytes);

// ---- listing ----------------------------------------------------------------

constexpr int faReadOnly = 0x01;   // we may not write it
constexpr int faHidden = 0x02;     // name starts with '.'
constexpr int faSysFile = 0x04;    // devices, pipes, sockets
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;    // every regular file
constexpr int faSymLink = 0x40;
constexpr int faAnyFile = 0x3F;

struct TSearchRecState;

struct TSearchRec {
  Int64 Time = 0;  // modification time as FileAge gives it
  Int64 Size = 0;
  int Attr = 0;
  std::string Name;  // the name alone, without the folder
  int ExcludeAttr = 0;
  std::shared_ptr<TSearchRecState> FindHandle;
};

// Lists the folder of `pathMask` ("dir/*.bmp"; a mask without a folder means
// the current one). '*' and '?' match ignoring case; "*.*" matches every name.
// Regular files are always listed; hidden, system and folder entries only
// when their attribute is in `attr` (folders include "." and ".."). Entries
// come in name order. Returns 0 on success, else ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND or ERROR_NO_MORE_FILES.
int FindFirst(std::string_view pathMask, int attr, TSearchRec& f);
int FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);
// The mask matcher FindFirst uses.
bool MatchesMask(std::string_view name, std::string_view mask);

// ---- temp files and the program ---------------------------------------------

// $TMPDIR when set and not empty, else "/tmp"; always with a trailing '/'.
std::string GetTempPath();
// Atomically creates a new empty file in `dir` (GetTempPath() when empty)
// whose name starts with `prefix` and returns its path. Returns "" when the
// file cannot be created (missing folder, no rights, a '/' in the prefix).
std::string GetTempFileName(std::string_view dir, std::string_view prefix);

// The running executable's absolute path.
std::string ProgramFileName();
// Its folder with a trailing '/'.
std::string ProgramFolder();

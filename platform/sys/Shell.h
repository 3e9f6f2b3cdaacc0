// Shell services: opening a file or URL with the desktop's opener, and
// deleting a folder tree (the shell file-operation stand-in).
#pragma once
#include <cstdint>
#include <string>

#include "platform/rtl/ShowCommands.h"
#include "platform/rtl/Types.h"

// ShellExecute's result: above 32 on success, one of these on failure.
constexpr std::intptr_t SE_ERR_FNF = 2;
constexpr std::intptr_t SE_ERR_PNF = 3;
constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;
constexpr std::intptr_t SE_ERR_OOM = 8;
constexpr std::intptr_t SE_ERR_NOASSOC = 31;

// Opens file (a URL or a path) with xdg-open, or with the program named by
// $LUMIQA_OPENER. The opener gets file as one argument (never through a
// shell), runs detached in directory (when given) and is reaped in the
// background. Only the "open" and "explore" verbs (or none) are supported;
// parameters have no stand-in and are refused with SE_ERR_NOASSOC. A local
// path that does not exist gives SE_ERR_FNF; a missing opener SE_ERR_NOASSOC.
std::intptr_t ShellExecuteA(void* hwnd, const char* operation, const char* file, const char* parameters,
                            const char* directory, int showCmd);

// Deletes path and everything under it. Symbolic links are removed, never
// followed, so nothing outside the tree is touched. A plain file is deleted
// too. Returns false (last error set) when anything could not be removed,
// after removing all it could.
bool DeleteFolderTree(const std::string& path);

// The file operation shape: only FO_DELETE is supported; confirmation and
// progress flags do not apply (nothing is ever asked or shown).
constexpr UINT FO_MOVE = 1;
constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr UINT FO_RENAME = 4;
using FILEOP_FLAGS = Word;
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x0400;

struct SHFILEOPSTRUCTA {
  void* hwnd = nullptr;
  UINT wFunc = 0;
  // One or more paths, each ended by '\0', the list ended by a second '\0'.
  const char* pFrom = nullptr;
  const char* pTo = nullptr;
  FILEOP_FLAGS fFlags = 0;
  BOOL fAnyOperationsAborted = 0;
  void* hNameMappings = nullptr;
  const char* lpszProgressTitle = nullptr;
};

// Returns 0 on success, else an error code (the last error).
int SHFileOperationA(SHFILEOPSTRUCTA* op);

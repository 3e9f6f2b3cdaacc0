#include "platform/sys/Shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/rtl/LastError.h"

extern char** environ;

namespace {

constexpr std::intptr_t kShellSuccess = 42;

bool SameTextAscii(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char x = *a, y = *b;
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return *a == *b;
}

// A scheme of two or more characters, so that "C:" is not taken for one.
bool IsUrl(const std::string& s) {
  std::size_t i = 0;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (s.empty() || !alpha(s[0])) return false;
  for (i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ':') return i >= 2;
    if (!alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void ReapInBackground(pid_t pid) {
  auto reap = [pid] {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  };
  try {
    std::thread(reap).detach();
  } catch (const std::system_error&) {
    reap();  // no thread to spare: wait here rather than leave a zombie
  }
}

std::intptr_t ErrorFromSpawn(int err) {
  switch (err) {
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOMEM: return SE_ERR_OOM;
    default: return SE_ERR_NOASSOC;  // no opener to run
  }
}

// Removes everything inside the open directory dirFd; returns the first
// errno met (0 if none) after trying every entry.
int RemoveContents(int dirFd) {
  const int listFd = ::dup(dirFd);
  if (listFd < 0) return errno;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    const int err = errno;
    ::close(listFd);
    return err;
  }
  // Names first, deletions after: the listing is not disturbed.
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
  }
  ::closedir(dir);

  int firstError = 0;
  auto note = [&](int err) {
    if (!firstError) firstError = err;
  };
  for (const std::string& name : names) {
    struct stat st;
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) note(errno);
      continue;
    }
    if (!S_ISDIR(st.st_mode)) {
      // Symbolic links included: the link goes, its target stays.
      if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) note(errno);
      continue;
    }
    // O_NOFOLLOW: should the folder be swapped for a link meanwhile, the
    // open fails instead of descending outside the tree.
    const int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) {
      note(errno);
      continue;
    }
    const int err = RemoveContents(sub);
    ::close(sub);
    if (err) note(err);
    if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) note(errno);
  }
  return firstError;
}

}  // namespace

std::intptr_t ShellExecuteA(void* /*hwnd*/, const char* operation, const char* file, const char* parameters,
                            const char* directory, int /*showCmd*/) {
  if (operation && *operation && !SameTextAscii(operation, "open") && !SameTextAscii(operation, "explore"))
    return SE_ERR_NOASSOC;
  if (parameters && *parameters) return SE_ERR_NOASSOC;
  if (!file || !*file) return SE_ERR_FNF;
  const std::string dir = directory ? directory : "";
  if (!dir.empty() && !IsDirectory(dir)) return SE_ERR_PNF;

  std::string target = file;
  if (!IsUrl(target)) {
    const std::string resolved = (target[0] == '/' || dir.empty()) ? target : dir + "/" + target;
    struct stat st;
    if (::stat(resolved.c_str(), &st) != 0) return SE_ERR_FNF;
    // A name starting with '-' would be read as an option.
    if (target[0] == '-') target = "./" + target;
  }

  const char* opener = std::getenv("LUMIQA_OPENER");
  if (!opener || !*opener) opener = "xdg-open";

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  // The opener starts clean: no signals blocked or ignored by us, and in a
  // session of its own so that it outlives a terminal we were started from.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

  std::string program = opener;
  char* argv[] = {program.data(), target.data(), nullptr};
  pid_t pid = 0;
  const int err = ::posix_spawnp(&pid, opener, &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (err != 0) return ErrorFromSpawn(err);
  ReapInBackground(pid);
  return kShellSuccess;
}

bool DeleteFolderTree(const std::string& path) {
  if (path.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    if (::unlink(path.c_str()) != 0) {
      SetLastError(ErrorFromErrno(errno));
      return false;
    }
    return true;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  int err = RemoveContents(fd);
  ::close(fd);
  if (::rmdir(path.c_str()) != 0 && !err) err = errno;
  if (err) {
    SetLastError(ErrorFromErrno(err));
    return false;
  }
  return true;
}

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
  if (!op || !op->pFrom) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<int>(ERROR_INVALID_PARAMETER);
  }
  op->fAnyOperationsAborted = 0;
  if (op->wFunc != FO_DELETE) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<int>(ERROR_NOT_SUPPORTED);
  }
  DWORD firstError = ERROR_SUCCESS;
  for (const char* p = op->pFrom; *p; p += std::strlen(p) + 1) {
    if (!DeleteFolderTree(p) && firstError == ERROR_SUCCESS) firstError = GetLastError();
  }
  SetLastError(firstError);
  return static_cast<int>(firstError);
}

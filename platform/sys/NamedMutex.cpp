#include "platform/sys/NamedMutex.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

// Keeps the lock file open; the lock goes with the descriptor.
class TNamedMutex final : public THandleObject {
 public:
  explicit TNamedMutex(int fd) : fd_(fd) {}
  ~TNamedMutex() override {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  int fd_;
};

// Room for ".lock" within a file name of 255 bytes.
constexpr std::size_t kMaxNameBytes = 250;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= s.size()) return false;
    char a = s[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// A folder for lock files must be a real directory of ours that nobody
// else can write to: one another user made first could hold or swap our
// lock file, and the guard would let two instances run.
bool UsablePrivateFolder(const std::string& dir, int* why) {
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) {
    *why = errno;
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *why = EACCES;
    return false;
  }
  return true;
}

// The user's home from the password database, so the folder does not
// change with the environment a run was started from.
std::string HomeFolder() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(std::size_t(size > 0 && size < (1 << 20) ? size : 16384));
  passwd pw{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && pw.pw_dir &&
      pw.pw_dir[0] == '/')
    return pw.pw_dir;
  const char* home = std::getenv("HOME");
  return home && home[0] == '/' ? home : "";
}

// Makes dir (0700) and its missing parents (0700 as well: they are new
// folders in the user's home).
bool MakePrivateFolder(const std::string& dir) {
  std::size_t at = 1;
  while (at <= dir.size()) {
    std::size_t next = dir.find('/', at);
    if (next == std::string::npos) next = dir.size();
    const std::string part = dir.substr(0, next);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    at = next + 1;
  }
  return true;
}

}  // namespace

std::string MutexRuntimeFolder() {
  if (const char* v = std::getenv("LUMIQA_RUNTIME_DIR"); v && *v) return v;
  // Not $XDG_RUNTIME_DIR: a run started without it (or with another) would
  // look elsewhere and find no lock. The session's runtime folder is the
  // same for every run of the user; without one the lock lives in the
  // user's cache folder.
  const std::string runtime = "/run/user/" + std::to_string(::getuid());
  int why = 0;
  if (UsablePrivateFolder(runtime, &why)) return runtime;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.cache/lumiqa";
}

std::string MutexLockFileName(const std::string& name) {
  std::string base = name;
  for (const char* prefix : {"Global\\", "Local\\"}) {
    if (StartsWithNoCase(base, prefix)) {
      base.erase(0, std::char_traits<char>::length(prefix));
      break;
    }
  }
  if (base.empty() || base.size() > kMaxNameBytes) return {};
  for (char& c : base) {
    const unsigned char u = static_cast<unsigned char>(c);
    // Bytes of UTF-8 sequences are safe in a file name; controls and
    // separators are not.
    const bool safe = u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_' || c == ' ';
    if (!safe) c = '_';
  }
  // No ".", "..", or hidden files.
  if (base[0] == '.') base[0] = '_';
  return base + ".lock";
}

HANDLE CreateMutexA(void* /*attributes*/, BOOL /*initialOwner*/, const char* name) {
  if (!name || !*name) {
    SetLastError(ERROR_SUCCESS);
    return RegisterHandle(std::make_unique<TNamedMutex>(-1));
  }
  const std::string file = MutexLockFileName(name);
  if (file.empty()) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  const std::string dir = MutexRuntimeFolder();
  if (dir.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  if (!std::getenv("LUMIQA_RUNTIME_DIR")) MakePrivateFolder(dir);
  // Fails closed: no folder of ours, no handle, and the caller cannot
  // mistake that for being the only instance.
  if (int why = 0; !UsablePrivateFolder(dir, &why)) {
    SetLastError(ErrorFromErrno(why));
    return nullptr;
  }
  const std::string path = dir + "/" + file;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return nullptr;
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  const int lockErrno = errno;
  if (rc != 0 && lockErrno != EWOULDBLOCK) {
    ::close(fd);
    SetLastError(ErrorFromErrno(lockErrno));
    return nullptr;
  }
  HANDLE h = RegisterHandle(std::make_unique<TNamedMutex>(fd));
  // Held elsewhere: a handle all the same, with the "already exists" code.
  SetLastError(rc == 0 ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
  return h;
}

#include "platform/sys/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

// The fallback under /tmp is shared with every user: accept it only as a
// real directory of ours that nobody else can write to.
bool UsablePrivateFolder(const std::string& dir) {
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string MutexRuntimeFolder() {
  for (const char* var : {"LUMIQA_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "/tmp/lumiqa-" + std::to_string(::getuid());
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
  if (!std::getenv("LUMIQA_RUNTIME_DIR") && !std::getenv("XDG_RUNTIME_DIR")) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
      SetLastError(ErrorFromErrno(errno));
      return nullptr;
    }
    if (!UsablePrivateFolder(dir)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
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

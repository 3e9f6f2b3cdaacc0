#include "platform/rtl/FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

// NUL inside a name would silently cut the path short at the system call.
bool ToCPath(std::string_view in, std::string& out) {
  if (in.empty() || in.find('\0') != std::string_view::npos) return false;
  out.assign(in);
  return true;
}

bool StatPath(std::string_view name, struct stat& st) {
  std::string p;
  return ToCPath(name, p) && ::stat(p.c_str(), &st) == 0;
}

std::size_t NameStart(std::string_view fileName) {
  const std::size_t slash = fileName.rfind(PathDelim);
  return slash == std::string_view::npos ? 0 : slash + 1;
}

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

bool FailErrno() { return Fail(ErrorFromErrno(errno)); }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

struct TSearchRecState {
  std::vector<TSearchRec> entries;
  std::size_t next = 0;
};

std::string ExtractFilePath(std::string_view fileName) {
  return std::string(fileName.substr(0, NameStart(fileName)));
}

std::string ExtractFileDir(std::string_view fileName) {
  std::size_t n = NameStart(fileName);
  if (n > 1) --n;  // keep "/" alone for a name in the root
  return std::string(fileName.substr(0, n));
}

std::string ExtractFileName(std::string_view fileName) {
  return std::string(fileName.substr(NameStart(fileName)));
}

std::string ExtractFileExt(std::string_view fileName) {
  const std::string_view name = fileName.substr(NameStart(fileName));
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view ext) {
  const std::size_t start = NameStart(fileName);
  const std::size_t dot = fileName.rfind('.');
  const std::size_t cut = (dot == std::string_view::npos || dot < start) ? fileName.size() : dot;
  std::string out(fileName.substr(0, cut));
  out += ext;
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != PathDelim) out += PathDelim;
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::size_t n = path.size();
  while (n > 1 && path[n - 1] == PathDelim) --n;
  return std::string(path.substr(0, n));
}

std::string NativePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == '\\') c = PathDelim;
    if (c == PathDelim && !out.empty() && out.back() == PathDelim) continue;
    out += c;
  }
  return out;
}

std::string GetCurrentDir() {
  std::vector<char> buf(4096);
  // Deep folders need more room; stop at a size no real path reaches.
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE || buf.size() >= (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

std::string ExpandFileName(std::string_view fileName) {
  std::string full;
  if (!fileName.empty() && fileName[0] == PathDelim) {
    full.assign(fileName);
  } else {
    full = IncludeTrailingPathDelimiter(GetCurrentDir());
    full += fileName;
  }
  std::vector<std::string_view> parts;
  const std::string_view f = full;
  std::size_t i = 0;
  while (i <= f.size()) {
    std::size_t j = f.find(PathDelim, i);
    if (j == std::string_view::npos) j = f.size();
    const std::string_view part = f.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const std::string_view part : parts) {
    out += PathDelim;
    out += part;
  }
  // A name that ended in '/' still names a folder.
  if (out.empty() || (!fileName.empty() && fileName.back() == PathDelim)) out += PathDelim;
  return out;
}

bool FileExists(std::string_view fileName) {
  struct stat st;
  return StatPath(fileName, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view dir) {
  struct stat st;
  return StatPath(dir, st) && S_ISDIR(st.st_mode);
}

bool CreateDir(std::string_view dir) {
  std::string p;
  if (!ToCPath(dir, p)) return Fail(ERROR_INVALID_NAME);
  return ::mkdir(p.c_str(), 0777) == 0 || FailErrno();
}

bool ForceDirectories(std::string_view dir) {
  const std::string d = ExcludeTrailingPathDelimiter(dir);
  if (d.empty() || d.find('\0') != std::string::npos) return false;
  if (DirectoryExists(d)) return true;
  const std::string parent = ExtractFileDir(d);
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  // Another process may make it between our test and mkdir.
  return CreateDir(d) || DirectoryExists(d);
}

bool DeleteFile(std::string_view fileName) {
  std::string p;
  struct stat st;
  if (!ToCPath(fileName, p)) return Fail(ERROR_INVALID_NAME);
  if (::lstat(p.c_str(), &st) != 0) return FailErrno();
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  return ::unlink(p.c_str()) == 0 || FailErrno();
}

bool RemoveDir(std::string_view dir) {
  std::string p;
  if (!ToCPath(dir, p)) return Fail(ERROR_INVALID_NAME);
  return ::rmdir(p.c_str()) == 0 || FailErrno();
}

bool RenameFile(std::string_view oldName, std::string_view newName) {
  std::string from, to;
  if (!ToCPath(oldName, from) || !ToCPath(newName, to)) return Fail(ERROR_INVALID_NAME);
  // rename() would replace the target; the framework's call refuses instead.
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return FailErrno();
  // File systems without the flag: a checked rename.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS);
  return ::rename(from.c_str(), to.c_str()) == 0 || FailErrno();
}

Int64 FileAge(std::string_view fileName) {
  struct stat st;
  if (!StatPath(fileName, st)) return -1;
  return static_cast<Int64>(st.st_mtime);
}

Int64 FileSize(std::string_view fileName) {
  struct stat st;
  if (!StatPath(fileName, st) || !S_ISREG(st.st_mode)) return -1;
  return static_cast<Int64>(st.st_size);
}

// ---- reading files named by a file or a user ------------------------------

namespace {
[[noreturn]] void RaiseCannotOpen(std::string_view fileName, const std::string& reason) {
  throw EFOpenError("Cannot open file \"" + std::string(fileName) + "\". " + reason);
}

void CheckRegularStat(std::string_view fileName, const struct stat& st) {
  if (S_ISDIR(st.st_mode)) RaiseCannotOpen(fileName, "It is a folder");
  if (!S_ISREG(st.st_mode)) RaiseCannotOpen(fileName, "It is not a regular file");
}
}  // namespace

void CheckRegularFile(std::string_view fileName) {
  std::string p;
  if (!ToCPath(fileName, p)) RaiseCannotOpen(fileName, "Invalid file name");
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) RaiseCannotOpen(fileName, std::strerror(errno));
  CheckRegularStat(fileName, st);
}

std::string ReadRegularFile(std::string_view fileName, Int64 maxBytes) {
  CheckRegularFile(fileName);
  const std::string p(fileName);
  // Non-blocking, so a FIFO put under the name since the check cannot
  // stall the open; fstat then sees what was really opened.
  int fd;
  do {
    fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseCannotOpen(fileName, std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0) RaiseCannotOpen(fileName, std::strerror(errno));
  CheckRegularStat(fileName, st);
  const auto tooLarge = [&] {
    throw EReadError("File \"" + std::string(fileName) + "\" is too large (more than " + std::to_string(maxBytes) +
                     " bytes)");
  };
  if (maxBytes < 0 || st.st_size > maxBytes) tooLarge();
  // One byte more than the size: a file that grows while it is read is
  // seen growing, and stays within the limit or is refused.
  std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (static_cast<Int64>(got) > maxBytes) tooLarge();
      bytes.resize(static_cast<std::size_t>(std::min<Int64>(static_cast<Int64>(got) * 2, maxBytes + 1)));
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError("Cannot read file \"" + std::string(fileName) + "\". " + std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (static_cast<Int64>(got) > maxBytes) tooLarge();
  bytes.resize(got);
  return bytes;
}

// ---- listing ----------------------------------------------------------------

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*") return true;
  // Iterative wildcard match with one back-tracking point: linear in
  // practice and never recursive, whatever the mask.
  std::size_t n = 0, m = 0;
  std::size_t starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || FoldAscii(mask[m]) == FoldAscii(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

namespace {

int AttributesOf(const std::string& path, const std::string& name, const struct stat& st) {
  int attr = 0;
  if (S_ISDIR(st.st_mode)) {
    attr |= faDirectory;
  } else if (S_ISREG(st.st_mode)) {
    attr |= faArchive;
  } else {
    attr |= faSysFile;
  }
  if (name.size() > 1 && name[0] == '.' && name != "..") attr |= faHidden;
  if (::access(path.c_str(), W_OK) != 0) attr |= faReadOnly;
  return attr;
}

int NextEntry(TSearchRec& f) {
  TSearchRecState* s = f.FindHandle.get();
  if (s == nullptr || s->next >= s->entries.size()) return static_cast<int>(ERROR_NO_MORE_FILES);
  const TSearchRec& e = s->entries[s->next++];
  f.Name = e.Name;
  f.Size = e.Size;
  f.Attr = e.Attr;
  f.Time = e.Time;
  return 0;
}

}  // namespace

int FindFirst(std::string_view pathMask, int attr, TSearchRec& f) {
  FindClose(f);
  const std::string folder = ExtractFilePath(pathMask);
  const std::string mask = ExtractFileName(pathMask);
  std::string dirPath;
  if (!ToCPath(folder.empty() ? std::string_view(".") : std::string_view(folder), dirPath)) {
    return static_cast<int>(ERROR_PATH_NOT_FOUND);
  }
  if (mask.empty() || mask.find('\0') != std::string::npos) return static_cast<int>(ERROR_FILE_NOT_FOUND);
  DIR* dir = ::opendir(dirPath.c_str());
  if (dir == nullptr) return static_cast<int>(ERROR_PATH_NOT_FOUND);
  auto state = std::make_shared<TSearchRecState>();
  // Folders, hidden and system entries are opt-in, as in the framework.
  const int excluded = ~attr & (faHidden | faSysFile | faDirectory);
  const std::string prefix = IncludeTrailingPathDelimiter(dirPath);
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (!MatchesMask(name, mask)) continue;
    const std::string path = prefix + name;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) continue;
    TSearchRec e;
    e.Name = name;
    e.Attr = AttributesOf(path, name, st);
    if ((e.Attr & excluded) != 0) continue;
    e.Size = S_ISREG(st.st_mode) ? static_cast<Int64>(st.st_size) : 0;
    e.Time = static_cast<Int64>(st.st_mtime);
    state->entries.push_back(std::move(e));
  }
  ::closedir(dir);
  std::sort(state->entries.begin(), state->entries.end(),
            [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });
  if (state->entries.empty()) return static_cast<int>(ERROR_FILE_NOT_FOUND);
  f.ExcludeAttr = excluded;
  f.FindHandle = std::move(state);
  return NextEntry(f);
}

int FindNext(TSearchRec& f) { return NextEntry(f); }

void FindClose(TSearchRec& f) { f.FindHandle.reset(); }

// ---- temp files and the program ---------------------------------------------

std::string GetTempPath() {
  const char* env = std::getenv("TMPDIR");
  const std::string dir = (env != nullptr && env[0] != '\0') ? std::string(env) : std::string("/tmp");
  return IncludeTrailingPathDelimiter(dir);
}

std::string GetTempFileName(std::string_view dir, std::string_view prefix) {
  if (prefix.find(PathDelim) != std::string_view::npos || prefix.find('\0') != std::string_view::npos ||
      dir.find('\0') != std::string_view::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return std::string();
  }
  std::string templ = dir.empty() ? GetTempPath() : IncludeTrailingPathDelimiter(dir);
  templ += prefix;
  templ += "XXXXXX";
  // mkstemp creates the file exclusively, so two callers never share a name.
  const int fd = ::mkstemp(templ.data());
  if (fd < 0) {
    FailErrno();
    return std::string();
  }
  ::close(fd);
  return templ;
}

std::string ProgramFileName() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
    if (buf.size() >= (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
}

std::string ProgramFolder() { return ExtractFilePath(ProgramFileName()); }

#include "platform/rtl/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

namespace {

[[noreturn]] void Fail(const std::string& fileName, const std::string& reason, int err) {
  throw ESaveError("Cannot save file \"" + fileName + "\". " + reason, err);
}

[[noreturn]] void Fail(const std::string& fileName, int err) { Fail(fileName, std::strerror(err), err); }

// The temporary file as a stream: remembers the first OS error so the save
// can name it, and applies the injected disk limit.
class TTempFileStream : public THandleStream {
 public:
  explicit TTempFileStream(int fd) : THandleStream(fd) {}
  int Error = 0;

  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (count <= 0) return 0;
    const std::int64_t limit = SafeSaveFaults().DiskSpace;
    std::int64_t allowed = count;
    if (limit >= 0) {
      const std::int64_t pos = Seek(0, soCurrent);
      allowed = pos < 0 || pos >= limit ? 0 : std::min(count, limit - pos);
    }
    errno = 0;
    const std::int64_t n = allowed > 0 ? THandleStream::Write(buffer, allowed) : 0;
    if (n < count && Error == 0) Error = n < allowed && errno != 0 ? errno : ENOSPC;
    return n;
  }
};

// A name next to the target that no one else uses; O_EXCL makes sure. The
// umask applies to a new file's mode, as it would to the target itself.
int CreateTempNear(const std::string& target, std::string& tempName) {
  if (int e = SafeSaveFaults().CreateTemp) {
    errno = e;
    return -1;
  }
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device entropy;
  std::minstd_rand pick(entropy());
  const std::string dir = ExtractFilePath(target);
  std::string base = ".";
  base += ExtractFileName(target).substr(0, 200);
  base += '.';
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = dir + base;
    for (int i = 0; i < 8; ++i) name += kDigits[pick() % 36];
    name += ".tmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) {
      tempName = name;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Makes the rename itself last across a crash; a folder that cannot be
// synced (some file systems) does not fail the save.
void SyncFolder(const std::string& target) {
  const std::string dir = ExtractFileDir(target);
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TSafeSaveFaults& SafeSaveFaults() {
  static TSafeSaveFaults faults;
  return faults;
}

void SafeSaveFile(const std::string& fileName, const std::function<void(TStream& out)>& write, TSaveSync sync) {
  if (fileName.empty()) Fail(fileName, "No file name", EINVAL);
  if (fileName.find('\0') != std::string::npos) Fail(fileName, "Invalid file name", EINVAL);
  std::string target = fileName;
  struct stat st {};
  const bool exists = ::stat(fileName.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode)) Fail(fileName, "It is not a regular file", EISDIR);
    // Root may write any file; a file without a single write bit is still
    // meant to stay as it is.
    if (::access(fileName.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) Fail(fileName, "The file is read-only", EACCES);
    // Through a symbolic link: replace the file it names, keep the link.
    if (char* real = ::realpath(fileName.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  } else if (errno != ENOENT) {
    Fail(fileName, errno);
  }

  std::string tempName;
  const int fd = CreateTempNear(target, tempName);
  if (fd < 0) {
    const int err = errno;
    Fail(fileName, "Cannot create a temporary file in \"" + ExtractFileDir(target) + "\" (" + std::strerror(err) + ")",
         err);
  }
  if (SafeSaveFaults().TempCreated) SafeSaveFaults().TempCreated(tempName);

  TTempFileStream out(fd);
  const auto abandon = [&] {
    ::close(fd);
    ::unlink(tempName.c_str());
  };
  try {
    write(out);
  } catch (...) {
    const int err = out.Error;
    abandon();
    if (err != 0) Fail(fileName, err);
    throw;
  }
  if (out.Error != 0) {
    // The writer ignored a short write; the file is not what it meant.
    const int err = out.Error;
    abandon();
    Fail(fileName, err);
  }
  if (exists) {
    // Best effort: only root may give the file back to another owner.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
      const int err = errno;
      abandon();
      Fail(fileName, err);
    }
  }
  const bool durable = sync == TSaveSync::Durable;
  int err = durable ? SafeSaveFaults().Sync : 0;
  if (err == 0 && durable && ::fsync(fd) != 0) err = errno;
  if (err != 0) {
    abandon();
    Fail(fileName, err);
  }
  if (::close(fd) != 0) {
    err = errno;
    ::unlink(tempName.c_str());
    Fail(fileName, err);
  }
  // A file renamed over another makes ext4 write it out at once; a scratch
  // file moves the old one aside first, and puts it back if the new one
  // cannot take its place.
  std::string aside;
  if (!durable && exists) {
    aside = tempName;
    aside += "-old";
    if (::rename(target.c_str(), aside.c_str()) != 0) aside.clear();
  }
  err = SafeSaveFaults().Rename;
  if (err == 0 && ::rename(tempName.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    if (!aside.empty()) ::rename(aside.c_str(), target.c_str());
    ::unlink(tempName.c_str());
    Fail(fileName, err);
  }
  if (!aside.empty()) ::unlink(aside.c_str());
  if (durable) SyncFolder(target);
}

void SafeSaveFile(const std::string& fileName, const std::string& bytes) {
  SafeSaveFile(fileName, [&](TStream& out) { out.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size())); });
}

#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Resources.h"
#include "platform/rtl/SafeSave.h"

namespace {
// One OS call moves at most this much, well under SSIZE_MAX everywhere.
constexpr std::int64_t kMaxTransfer = std::int64_t{1} << 30;
constexpr std::int64_t kCopyBlock = 64 * 1024;
// Memory streams grow in blocks of this size.
constexpr std::int64_t kMemoryDelta = 8 * 1024;

// The position origin + offset, or -1 when it is negative or overflows.
std::int64_t SeekTarget(std::int64_t base, std::int64_t offset) {
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) return -1;
  return target;
}
}  // namespace

// ---- TStream ----------------------------------------------------------------

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count <= 0) return;
  auto* p = static_cast<unsigned char*>(buffer);
  // Pipes and terminals may hand over less than asked without being at the end.
  while (count > 0) {
    std::int64_t n = Read(p, count);
    if (n <= 0) throw EReadError("Stream read error");
    p += n;
    count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count <= 0) return;
  auto* p = static_cast<const unsigned char*>(buffer);
  while (count > 0) {
    std::int64_t n = Write(p, count);
    if (n <= 0) throw EWriteError("Stream write error");
    p += n;
    count -= n;
  }
}

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, soCurrent);
  std::int64_t end = Seek(0, soEnd);
  if (pos >= 0) Seek(pos, soBeginning);
  return end < 0 ? 0 : end;
}

void TStream::SetSize(std::int64_t) {}

std::int64_t TStream::CopyFrom(TStream* source, std::int64_t count) {
  if (!source || count < 0) return 0;
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(count, kCopyBlock)));
  std::int64_t left = count;
  while (left > 0) {
    std::int64_t n = std::min(left, kCopyBlock);
    source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// ---- THandleStream ------------------------------------------------------------

std::int64_t THandleStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || handle_ < 0) return 0;
  ssize_t n;
  do {
    n = ::read(handle_, buffer, static_cast<std::size_t>(std::min(count, kMaxTransfer)));
  } while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : n;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0 || handle_ < 0) return 0;
  auto* p = static_cast<const unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n = ::write(handle_, p + done, static_cast<std::size_t>(std::min(count - done, kMaxTransfer)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int whence = origin == soCurrent ? SEEK_CUR : origin == soEnd ? SEEK_END : SEEK_SET;
  off_t r = ::lseek(handle_, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

std::int64_t THandleStream::Size() {
  struct stat st {};
  if (::fstat(handle_, &st) == 0 && S_ISREG(st.st_mode)) return st.st_size;
  return TStream::Size();
}

void THandleStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw EStreamError("Invalid stream size");
  std::int64_t pos = Seek(0, soCurrent);
  if (::ftruncate(handle_, static_cast<off_t>(newSize)) != 0)
    throw EStreamError(std::string("Cannot set the stream size: ") + std::strerror(errno));
  if (pos > newSize) Seek(0, soEnd);
}

void THandleStream::ReadBufferAt(void* buffer, std::int64_t count, std::int64_t offset) {
  if (count <= 0) return;
  if (offset < 0) throw EReadError("Stream read error: negative offset");
  auto* p = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    const ssize_t n = ::pread(handle_, p, static_cast<std::size_t>(std::min(count, kMaxTransfer)), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(std::string("Stream read error: ") + std::strerror(errno));
    if (n == 0) throw EReadError("Stream read error: read past the end");
    p += n;
    count -= n;
    offset += n;
  }
}

void THandleStream::WriteBufferAt(const void* buffer, std::int64_t count, std::int64_t offset) {
  if (count <= 0) return;
  if (offset < 0) throw EWriteError("Stream write error: negative offset");
  auto* p = static_cast<const unsigned char*>(buffer);
  while (count > 0) {
    const ssize_t n = ::pwrite(handle_, p, static_cast<std::size_t>(std::min(count, kMaxTransfer)), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError(std::string("Stream write error: ") + std::strerror(n < 0 ? errno : ENOSPC));
    p += n;
    count -= n;
    offset += n;
  }
}

void THandleStream::Reserve(std::int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  if (size == 0) return;
  int r;
  do {
    r = ::posix_fallocate(handle_, 0, static_cast<off_t>(size));
  } while (r == EINTR);
  if (r != 0) throw EStreamError(std::string("Cannot reserve room for the file: ") + std::strerror(r));
}

// ---- TFileStream ----------------------------------------------------------------

namespace {
[[noreturn]] void RaiseOpenError(bool create, const std::string& fileName, const std::string& reason) {
  std::string text = (create ? "Cannot create file \"" : "Cannot open file \"") + fileName + "\". " + reason;
  if (create) throw EFCreateError(text);
  throw EFOpenError(text);
}
}  // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode, unsigned rights)
    : THandleStream(-1), fileName_(fileName) {
  const bool create = (mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (mode & 3) {
      case fmOpenRead: flags |= O_RDONLY; break;
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: RaiseOpenError(false, fileName, "Invalid open mode");
    }
  }
  int fd;
  do {
    fd = ::open(fileName.c_str(), flags, static_cast<mode_t>(rights));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseOpenError(create, fileName, std::strerror(errno));

  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    RaiseOpenError(create, fileName, std::strerror(EISDIR));
  }

  const unsigned share = mode & 0xF0u;
  int lock = 0;
  if (share == fmShareExclusive || share == fmShareDenyRead) lock = LOCK_EX;
  else if (share == fmShareDenyWrite) lock = LOCK_SH;
  if (lock != 0) {
    int r;
    do {
      r = ::flock(fd, lock | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
      ::close(fd);
      RaiseOpenError(create, fileName, "The file is in use by another process");
    }
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

// ---- TCustomMemoryStream --------------------------------------------------------

void TCustomMemoryStream::SetPointer(void* memory, std::int64_t size) {
  memory_ = memory;
  size_ = size < 0 ? 0 : size;
}

std::int64_t TCustomMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  std::int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, static_cast<const unsigned char*>(memory_) + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TCustomMemoryStream::Write(const void*, std::int64_t) { return 0; }

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = origin == soCurrent ? position_ : origin == soEnd ? size_ : 0;
  std::int64_t target = SeekTarget(base, offset);
  if (target < 0) return -1;
  position_ = target;
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
  if (stream && size_ > 0) stream->WriteBuffer(memory_, size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  SafeSaveFile(fileName, [this](TStream& out) { SaveToStream(&out); });
}

// ---- TMemoryStream ----------------------------------------------------------------

TMemoryStream::~TMemoryStream() { std::free(Memory()); }

void TMemoryStream::SetCapacity(std::int64_t newCapacity) {
  if (newCapacity < Size()) newCapacity = Size();
  if (newCapacity > kMaxSize) throw EStreamError("Out of memory while expanding memory stream");
  if (newCapacity == capacity_) return;
  void* p = nullptr;
  if (newCapacity == 0) {
    std::free(Memory());
  } else {
    p = std::realloc(Memory(), static_cast<std::size_t>(newCapacity));
    if (!p) throw EStreamError("Out of memory while expanding memory stream");
  }
  capacity_ = newCapacity;
  SetPointer(p, Size());
}

void TMemoryStream::Reserve(std::int64_t needed) {
  if (needed <= capacity_) return;
  if (needed > kMaxSize) throw EStreamError("Out of memory while expanding memory stream");
  // Grow by half again so a run of small writes stays linear.
  std::int64_t grown = std::max(needed, capacity_ + capacity_ / 2);
  grown = (grown + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
  SetCapacity(std::min(grown, kMaxSize));
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw EStreamError("Invalid stream size");
  std::int64_t old = Size();
  Reserve(newSize);
  auto* mem = static_cast<unsigned char*>(Memory());
  if (newSize > old) std::memset(mem + old, 0, static_cast<std::size_t>(newSize - old));
  SetPointer(mem, newSize);
  if (position_ > newSize) position_ = newSize;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  std::int64_t end = 0;
  if (__builtin_add_overflow(position_, count, &end) || end > kMaxSize)
    throw EStreamError("Out of memory while expanding memory stream");
  if (end > Size()) {
    // Zero-fills the gap a seek beyond the end left, so no stale heap bytes
    // end up in the stream.
    SetSize(end);
  }
  std::memcpy(static_cast<unsigned char*>(Memory()) + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

void TMemoryStream::Clear() {
  std::free(Memory());
  SetPointer(nullptr, 0);
  capacity_ = 0;
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  if (!stream || stream == this) return;
  stream->SetPosition(0);
  std::int64_t count = stream->Size();
  SetSize(count);
  if (count > 0) stream->ReadBuffer(Memory(), count);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// ---- TStringStream ----------------------------------------------------------------

TStringStream::TStringStream(const std::string& data) {
  WriteString(data);
  position_ = 0;
}

std::string TStringStream::DataString() const {
  if (!Memory()) return std::string();
  return std::string(static_cast<const char*>(Memory()), static_cast<std::size_t>(StoredSize()));
}

std::string TStringStream::ReadString(std::int64_t count) {
  if (count <= 0) return std::string();
  std::int64_t left = Size() - position_;
  std::string s(static_cast<std::size_t>(std::max<std::int64_t>(0, std::min(count, left))), '\0');
  if (!s.empty()) Read(s.data(), static_cast<std::int64_t>(s.size()));
  return s;
}

void TStringStream::WriteString(const std::string& s) { WriteBuffer(s.data(), static_cast<std::int64_t>(s.size())); }

// ---- TResourceStream ----------------------------------------------------------------

TResourceStream::TResourceStream(const std::string& resName, const std::string& resType)
    : TResourceStream(0, resName, resType) {}

TResourceStream::TResourceStream(std::uintptr_t, const std::string& resName, const std::string& resType) {
  TResourceData res = FindResourceData(resType, resName);
  if (!res) throw EResNotFound("Resource " + resName + " not found");
  // Read-only: Write is refused, so the cast never leads to a store.
  SetPointer(const_cast<unsigned char*>(res.Data), static_cast<std::int64_t>(res.Size));
}

std::int64_t TResourceStream::Write(const void*, std::int64_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

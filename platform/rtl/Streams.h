// Streams: the abstract TStream and its file, memory, string and resource
// kinds. ReadBuffer and WriteBuffer raise on a short transfer.
//
// Positions and counts are 64-bit. Read or Write with a count <= 0 moves
// nothing and returns 0. A Seek that would land before the start (or
// overflow) fails: it returns -1 and leaves the position where it was.
#pragma once
#include <cstdint>
#include <string>

#include "platform/rtl/Object.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
 public:
  std::string ClassName() const override { return "TStream"; }

  // Transfer up to count bytes; return how many moved (0 at the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  // Raise EReadError / EWriteError when fewer than count bytes move.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t pos) { Seek(pos, soBeginning); }
  // The base finds the size by seeking to the end and back.
  virtual std::int64_t Size();
  // The base does nothing (read-only kinds keep it so).
  virtual void SetSize(std::int64_t newSize);

  // Copies count bytes from source's position; count 0 copies the whole
  // source from its start. Returns the bytes copied; a negative count
  // copies nothing.
  std::int64_t CopyFrom(TStream* source, std::int64_t count);
};

// TFileStream modes: one access value or'ed with one share value, or
// fmCreate (which opens read-write, creating or emptying the file).
constexpr unsigned fmCreate = 0xFF00;
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

// A stream over a file descriptor it does not own. Read and Write return 0
// on an OS error, so ReadBuffer/WriteBuffer report it (a full disk is a
// short write). Seek returns -1 on a descriptor that cannot seek.
class THandleStream : public TStream {
 public:
  explicit THandleStream(int handle) : handle_(handle) {}
  std::string ClassName() const override { return "THandleStream"; }
  int Handle() const { return handle_; }

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Truncates or extends the file; raises EStreamError when the OS refuses.
  // A position beyond the new end moves to the end.
  void SetSize(std::int64_t newSize) override;

  // Exactly count bytes at offset, leaving the position alone. A short
  // transfer raises EReadError (a read past the end) or EWriteError, with
  // the OS's reason ("No space left on device") in the message.
  void ReadBufferAt(void* buffer, std::int64_t count, std::int64_t offset);
  void WriteBufferAt(const void* buffer, std::int64_t count, std::int64_t offset);
  // Gives the file real blocks for its first size bytes (growing it when it
  // is shorter), so that writing within them later cannot fail for want of
  // space. Raises EStreamError with the reason when the disk cannot hold them.
  void Reserve(std::int64_t size);

 protected:
  int handle_;
};

// Opens a file by the framework's modes; raises EFOpenError "Cannot open
// file \"name\". reason" or, for fmCreate, EFCreateError "Cannot create
// file ...". Directories are refused.
//
// Share flags are advisory locks (flock), honoured between TFileStreams and
// other flock users, in this process too, never by plain readers/writers:
// fmShareExclusive and fmShareDenyRead take an exclusive lock,
// fmShareDenyWrite a shared one (so deny-write readers coexist), and
// fmShareCompat/fmShareDenyNone none. A conflicting lock fails the open.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& fileName, unsigned mode, unsigned rights = 0666);
  ~TFileStream() override;
  std::string ClassName() const override { return "TFileStream"; }
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// A stream over one block of memory. Reads and seeks work on the block;
// writing is left to the derived kinds (the base writes nothing and returns
// 0), so a view over foreign memory is a small derived class.
class TCustomMemoryStream : public TStream {
 public:
  std::string ClassName() const override { return "TCustomMemoryStream"; }
  void* Memory() const { return memory_; }

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Seeking beyond the end is allowed; reads there return 0.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return size_; }

  void SaveToStream(TStream* stream);
  // Through SafeSaveFile: a failed save raises EFCreateError and leaves the
  // file as it was.
  void SaveToFile(const std::string& fileName);

 protected:
  void SetPointer(void* memory, std::int64_t size);
  std::int64_t StoredSize() const { return size_; }
  std::int64_t position_ = 0;

 private:
  void* memory_ = nullptr;
  std::int64_t size_ = 0;
};

// A growable memory stream it owns. Writing past the end grows it and
// zero-fills any gap left by a seek beyond the end.
class TMemoryStream : public TCustomMemoryStream {
 public:
  // Largest size a memory stream grows to; beyond it SetSize and Write raise
  // EStreamError instead of asking the allocator for absurd amounts.
  static constexpr std::int64_t kMaxSize = std::int64_t{16} << 30;

  TMemoryStream() = default;
  ~TMemoryStream() override;
  std::string ClassName() const override { return "TMemoryStream"; }

  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Keeps the content up to newSize (new bytes are zero); a position beyond
  // the new end moves to the end. Raises EStreamError when out of memory.
  void SetSize(std::int64_t newSize) override;
  void Clear();
  std::int64_t Capacity() const { return capacity_; }
  void SetCapacity(std::int64_t newCapacity);

  // Replaces the content with the whole of stream (from its start) or of
  // the file; the position goes back to 0.
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const std::string& fileName);

 private:
  void Reserve(std::int64_t needed);
  std::int64_t capacity_ = 0;
};

// A memory stream holding a byte string.
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(const std::string& data = std::string());
  std::string ClassName() const override { return "TStringStream"; }
  std::string DataString() const;
  // Reads up to count bytes from the position.
  std::string ReadString(std::int64_t count);
  void WriteString(const std::string& s);
};

// Read-only view of an embedded resource, found by name and type ignoring
// case ("LumiqaSelfTest", "RCDATA"). A missing resource raises EResNotFound
// "Resource %s not found"; Write raises EStreamError.
class TResourceStream : public TCustomMemoryStream {
 public:
  TResourceStream(const std::string& resName, const std::string& resType);
  // The instance handle is accepted for the framework's shape; 0 means this
  // module and every resource lives in this module.
  TResourceStream(std::uintptr_t instance, const std::string& resName, const std::string& resType);
  std::string ClassName() const override { return "TResourceStream"; }
  std::int64_t Write(const void* buffer, std::int64_t count) override;
};

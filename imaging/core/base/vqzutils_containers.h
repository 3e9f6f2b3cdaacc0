// The library's own small containers and streams: typed lists of fixed-size
// items, a growable byte array, a hash set of values, the temporary-file
// buffer behind file-backed bitmaps, a counting stream, a read-only stream
// over foreign memory and the checked stream writes of every file writer.
// None of them is locked; each is used by one thread at a time.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class TFileStream;

// A list of Count items of ItemSize bytes each, in one block.
class TVQList : public TObject {
 public:
  TVQList() = default;
  ~TVQList() override = default;
  std::string ClassName() const override { return "TVQList"; }

  int Count() const { return count_; }
  int ItemSize() const { return itemSize_; }
  Byte* Items() { return items_.get(); }
  const Byte* Items() const { return items_.get(); }
  // Bit 0 is set by every change and cleared by Clear.
  Byte Modified = 0;

  // Resizes to n items, keeping the first min(Count, n); new items are zero.
  // Raises EListError for a negative n or a block beyond 2 GiB.
  virtual void SetCount(int n);
  // Out-of-range indexes are ignored.
  virtual void Delete(int index);
  virtual void Clear();
  // A null list is ignored.
  virtual void Assign(const TVQList* list);

  // Appends ItemSize bytes from item; returns the new index.
  int Add(const void* item);
  // Address of an item; raises EListError for an index outside the list.
  Byte* GetItem(int index);
  const Byte* GetItem(int index) const;

 protected:
  void SetItemSize(int size) { itemSize_ = size; }

 private:
  int count_ = 0;
  int itemSize_ = 0;
  std::unique_ptr<Byte[]> items_;
};

class TVQIntegerList : public TVQList {
 public:
  TVQIntegerList() { TVQIntegerList::Clear(); }
  std::string ClassName() const override { return "TVQIntegerList"; }
  void Clear() override;
  void Assign(const TVQList* list) override;
  std::int32_t RangeLow = 0, RangeHigh = 0, RangeStep = 0, Current = 0;
};

class TVQDoubleList : public TVQList {
 public:
  TVQDoubleList() { TVQDoubleList::Clear(); }
  std::string ClassName() const override { return "TVQDoubleList"; }
  void Clear() override;
  void Assign(const TVQList* list) override;
  double RangeLow = 0, RangeHigh = 0, RangeStep = 0, Current = 0;
};

class TVQRecordList : public TVQList {
 public:
  // Raises EListError for an item size below 1.
  explicit TVQRecordList(int itemSize);
  std::string ClassName() const override { return "TVQRecordList"; }
  Byte* GetRecord(int index) { return GetItem(index); }
  int AddRecord(const void* record) { return Add(record); }
};

// Bytes that grow and shrink in steps of Block so that appending one byte
// at a time seldom reallocates.
class TVQByteArray : public TObject {
 public:
  TVQByteArray();
  std::string ClassName() const override { return "TVQByteArray"; }

  static constexpr Int64 Block = 8192;
  // Sizes beyond this raise EOutOfMemory instead of asking for absurd blocks.
  static constexpr Int64 MaxSize = Int64{1} << 31;

  Int64 Size() const { return size_; }
  Int64 Capacity() const { return capacity_; }
  Byte* Data() { return data_.get(); }
  const Byte* Data() const { return data_.get(); }

  void SetSize(Int64 n);
  void AppendByte(Byte b);
  // Reads up to count bytes from the stream's position onto the end and
  // returns how many came; the array grows only by what was read.
  Int64 AppendFromStream(TStream* stream, Int64 count);

 private:
  void Reallocate(Int64 capacity);
  Int64 size_ = 0;
  Int64 capacity_ = 0;
  std::unique_ptr<Byte[]> data_;
};

struct THash1Item {
  std::uintptr_t Value = 0;
  THash1Item* Next = nullptr;
  void* Data = nullptr;
};

// A set of values (packed colours or pointers) in 2^Bits buckets with
// separate chaining.
class THash1 : public TObject {
 public:
  // Bits is clamped to 0..24.
  explicit THash1(int bits);
  ~THash1() override;
  std::string ClassName() const override { return "THash1"; }

  int Bits() const { return bits_; }
  int BucketCount() const { return static_cast<int>(bucketCount_); }
  int Count() const { return count_; }

  // True when the value was added, false when it was there already.
  bool Insert(std::uintptr_t value);
  // As Insert; also hands back the bucket and the chain item made for the
  // value (null when it went straight into an empty bucket).
  bool InsertEx(std::uintptr_t value, int& bucket, THash1Item*& item);
  bool Contains(std::uintptr_t value) const;
  // The data pointer of a bucket, carried into the chain item of the
  // bucket's first value when the bucket becomes a chain. Raises EListError
  // for a bucket outside the set.
  void*& BucketData(int bucket);

 private:
  enum : Byte { kEmpty = 0, kOne = 1, kChain = 2 };
  struct Bucket {
    std::uintptr_t Value = 0;
    THash1Item* First = nullptr;
    void* Data = nullptr;
    Byte State = kEmpty;
  };
  struct FreeBuckets {
    void operator()(Bucket* p) const;
  };
  int bits_;
  int count_ = 0;
  std::size_t bucketCount_;
  // Zeroed memory is all empty buckets, so a big table costs nothing until
  // it is used; only the chains made are walked when the set goes.
  std::unique_ptr<Bucket[], FreeBuckets> buckets_;
  std::vector<std::size_t> chains_;
};

// Access of a mapped view.
constexpr int vqRead = 1;
constexpr int vqWrite = 2;
constexpr int vqReadWrite = 3;

// A temporary file whose ranges are worked on through heap copies ("views")
// that are written back on release when mapped for writing, or as rows paged
// through one window of whole rows.
class TVQFileBuffer : public TObject {
 public:
  TVQFileBuffer() = default;
  ~TVQFileBuffer() override;
  std::string ClassName() const override { return "TVQFileBuffer"; }

  const std::string& FileName() const { return fileName_; }

  // Creates the file (a fresh temporary one when fileName is empty), sets its
  // size and reserves its blocks, so that writing it later cannot fail for
  // want of space; false, with no file, when it cannot be created or sized.
  bool Allocate(const std::string& fileName, Int64 size);
  bool IsAllocated() const { return stream_ != nullptr; }
  Int64 FileSize() const;
  void SetSize(Int64 size);

  // A heap block of size bytes standing for the range at offset; filled from
  // the file for read access. Raises EReadError when the range lies outside
  // the file or there is no file.
  Byte* MapView(int access, Int64 size, Int64 offset);
  // Writes the block back when it was mapped for writing, then frees it.
  // Unknown addresses are ignored.
  void ReleaseView(Byte* address);
  void ReleaseAllViews();
  int ViewCount() const { return static_cast<int>(views_.size()); }

  // Copies size bytes at offset into the same range of other; nothing
  // unless both have a file. Raises EReadError when the range lies outside
  // this file.
  void CopyTo(TVQFileBuffer* other, Int64 size, Int64 offset);

  // Releases the views, closes and deletes the file; paged rows are dropped
  // unwritten.
  void Free();

  // ---- whole rows ------------------------------------------------------------

  // A window holds about this many bytes of rows, and at least one row.
  static constexpr Int64 WindowBytes = Int64{1} << 20;
  // Reads the file as rowCount rows of rowLength bytes from offset 0. Drops
  // the current window unwritten.
  void SetRowLayout(Int64 rowLength, Int64 rowCount);
  // The row's address inside the window of whole rows kept in memory; a row
  // outside the window writes the window back and loads the one around it.
  // With read access the window holds the file's bytes, with write access
  // only it starts zeroed; rows handed out with write access are written
  // back when the window moves and by FlushRows. The address stays valid
  // while the window holds the row, at least until the next PageRow. A
  // read or write that fails raises EReadError or EWriteError naming the
  // file and the reason, and drops the window; so does a row outside the
  // file.
  Byte* PageRow(Int64 row, int access);
  // Writes back the rows handed out for writing; the window stays.
  void FlushRows();
  void DiscardRows();

 private:
  void LoadWindow(Int64 row, int access);
  void WriteWindow();
  struct View {
    Int64 Offset;
    Int64 Size;
    std::unique_ptr<Byte[]> Block;
    int Access;
  };
  std::string fileName_;
  std::vector<View> views_;
  std::unique_ptr<TFileStream> stream_;

  Int64 rowLength_ = 0;
  Int64 rowCount_ = 0;
  Int64 windowRows_ = 0;    // capacity of the window in rows
  Int64 windowFirst_ = -1;  // first row held; -1 when no window is loaded
  Int64 windowCount_ = 0;   // rows held
  Int64 previousFirst_ = -1;  // first row of the window before, for the walking direction
  int windowAccess_ = 0;
  std::unique_ptr<Byte[]> window_;
  std::vector<bool> written_;  // rows of the window handed out for writing
};

// A stream that only counts: Read and Write move the position, and the size
// follows the furthest position reached.
class TNulStream : public TStream {
 public:
  std::string ClassName() const override { return "TNulStream"; }
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // From the end the offset is subtracted: soEnd with 10 lands 10 before the
  // end. A target before the start fails with -1.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return size_; }

 private:
  std::int64_t Advance(std::int64_t count);
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
};

// A read-only stream over the caller's block, which it never owns or resizes.
class TVQMemStream : public TCustomMemoryStream {
 public:
  TVQMemStream(const void* data, std::int64_t size);
  std::string ClassName() const override { return "TVQMemStream"; }
  std::int64_t Write(const void* buffer, std::int64_t count) override { return 0; }
  void SetSize(std::int64_t newSize) override {}
};

// Writes the block; when the stream takes fewer bytes, or fails with a
// stream error, sets aborting instead of raising.
void SafeStreamWrite(TStream* stream, bool& aborting, const void* data, Int64 length);
// Writes the text and CR LF; raises EWriteError on a short write.
void WriteLine(TStream* stream, const std::string& text);

#include "imaging/core/base/vqzutils_containers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace {

constexpr Int64 kMaxListBytes = Int64{1} << 31;
constexpr Int64 kCopyPiece = 1048576;
constexpr int kMaxHashBits = 24;
const char kTempPrefix[] = "pictora";

}  // namespace

// ---- lists ---------------------------------------------------------------------

void TVQList::SetCount(int n) {
  if (n < 0 || Int64{n} * itemSize_ > kMaxListBytes) throw EListError("List count out of bounds");
  const std::size_t bytes = static_cast<std::size_t>(n) * static_cast<std::size_t>(itemSize_);
  std::unique_ptr<Byte[]> block(bytes ? new Byte[bytes]() : nullptr);
  const std::size_t keep = static_cast<std::size_t>(std::min(count_, n)) * static_cast<std::size_t>(itemSize_);
  if (keep) std::memcpy(block.get(), items_.get(), keep);
  items_ = std::move(block);
  count_ = n;
  Modified |= 1;
}

void TVQList::Delete(int index) {
  if (index < 0 || index >= count_) return;
  const std::size_t size = static_cast<std::size_t>(itemSize_);
  Byte* base = items_.get();
  std::memmove(base + index * size, base + (index + 1) * size, (static_cast<std::size_t>(count_ - index) - 1) * size);
  --count_;
  Modified |= 1;
}

void TVQList::Clear() {
  count_ = 0;
  items_.reset();
  Modified = 0;
}

void TVQList::Assign(const TVQList* list) {
  if (!list || list == this) return;
  const std::size_t bytes = static_cast<std::size_t>(list->count_) * static_cast<std::size_t>(list->itemSize_);
  std::unique_ptr<Byte[]> block(bytes ? new Byte[bytes] : nullptr);
  if (bytes) std::memcpy(block.get(), list->items_.get(), bytes);
  items_ = std::move(block);
  count_ = list->count_;
  itemSize_ = list->itemSize_;
  Modified = list->Modified;
}

int TVQList::Add(const void* item) {
  SetCount(count_ + 1);
  if (item && itemSize_ > 0) std::memcpy(GetItem(count_ - 1), item, static_cast<std::size_t>(itemSize_));
  return count_ - 1;
}

Byte* TVQList::GetItem(int index) {
  if (index < 0 || index >= count_) throw EListError("List index out of bounds");
  return items_.get() + static_cast<std::size_t>(index) * static_cast<std::size_t>(itemSize_);
}

const Byte* TVQList::GetItem(int index) const { return const_cast<TVQList*>(this)->GetItem(index); }

void TVQIntegerList::Clear() {
  TVQList::Clear();
  SetItemSize(sizeof(std::int32_t));
  RangeLow = RangeHigh = RangeStep = Current = 0;
}

void TVQIntegerList::Assign(const TVQList* list) {
  TVQList::Assign(list);
  if (auto* typed = dynamic_cast<const TVQIntegerList*>(list)) {
    RangeLow = typed->RangeLow;
    RangeHigh = typed->RangeHigh;
    RangeStep = typed->RangeStep;
    Current = typed->Current;
  }
}

void TVQDoubleList::Clear() {
  TVQList::Clear();
  SetItemSize(sizeof(double));
  RangeLow = RangeHigh = RangeStep = Current = 0;
}

void TVQDoubleList::Assign(const TVQList* list) {
  TVQList::Assign(list);
  if (auto* typed = dynamic_cast<const TVQDoubleList*>(list)) {
    RangeLow = typed->RangeLow;
    RangeHigh = typed->RangeHigh;
    RangeStep = typed->RangeStep;
    Current = typed->Current;
  }
}

TVQRecordList::TVQRecordList(int itemSize) {
  if (itemSize < 1) throw EListError("Record size out of bounds");
  SetItemSize(itemSize);
}

// ---- byte array ------------------------------------------------------------------

TVQByteArray::TVQByteArray() { Reallocate(Block); }

void TVQByteArray::Reallocate(Int64 capacity) {
  std::unique_ptr<Byte[]> block(new Byte[static_cast<std::size_t>(capacity)]());
  if (size_ > 0) std::memcpy(block.get(), data_.get(), static_cast<std::size_t>(std::min(size_, capacity)));
  data_ = std::move(block);
  capacity_ = capacity;
}

void TVQByteArray::SetSize(Int64 n) {
  if (n < 0 || n > MaxSize) throw EOutOfMemory("Byte array size out of range");
  if (n > capacity_ || n < capacity_ - Block) Reallocate(n + Block);
  size_ = n;
}

void TVQByteArray::AppendByte(Byte b) {
  SetSize(size_ + 1);
  data_[static_cast<std::size_t>(size_ - 1)] = b;
}

Int64 TVQByteArray::AppendFromStream(TStream* stream, Int64 count) {
  if (!stream || count <= 0) return 0;
  // A count read from a file may claim more than the stream holds: never
  // grow by more than is left, or, when that is unknown, grow piece by piece.
  const Int64 pos = stream->Position(), end = stream->Size();
  const bool known = pos >= 0 && end >= pos;
  if (known) count = std::min(count, end - pos);
  const Int64 piece = known ? count : kCopyPiece;
  Int64 total = 0;
  while (total < count) {
    const Int64 want = std::min(count - total, piece);
    const Int64 at = size_;
    SetSize(at + want);
    const Int64 got = std::max<Int64>(0, stream->Read(data_.get() + at, want));
    SetSize(at + got);
    total += got;
    if (got < want) break;
  }
  return total;
}

// ---- hash set ----------------------------------------------------------------------

void THash1::FreeBuckets::operator()(Bucket* p) const { std::free(p); }

THash1::THash1(int bits)
    : bits_(std::clamp(bits, 0, kMaxHashBits)),
      bucketCount_(std::size_t{1} << bits_),
      buckets_(static_cast<Bucket*>(std::calloc(bucketCount_, sizeof(Bucket)))) {
  if (!buckets_) throw EOutOfMemory("Out of memory");
}

THash1::~THash1() {
  for (std::size_t index : chains_) {
    const Bucket& b = buckets_[index];
    for (THash1Item* it = b.First; it;) {
      THash1Item* next = it->Next;
      delete it;
      it = next;
    }
  }
}

bool THash1::Insert(std::uintptr_t value) {
  int bucket;
  THash1Item* item;
  return InsertEx(value, bucket, item);
}

bool THash1::InsertEx(std::uintptr_t value, int& bucket, THash1Item*& item) {
  bucket = static_cast<int>(value & (bucketCount_ - 1));
  item = nullptr;
  Bucket& b = buckets_[static_cast<std::size_t>(bucket)];
  switch (b.State) {
    case kEmpty:
      b.Value = value;
      b.State = kOne;
      break;
    case kOne: {
      if (b.Value == value) return false;
      item = new THash1Item{value, nullptr, nullptr};
      b.First = new THash1Item{b.Value, item, b.Data};
      b.State = kChain;
      chains_.push_back(static_cast<std::size_t>(bucket));
      break;
    }
    default: {
      THash1Item* last = nullptr;
      for (THash1Item* it = b.First; it; it = it->Next) {
        if (it->Value == value) return false;
        last = it;
      }
      item = new THash1Item{value, nullptr, nullptr};
      last->Next = item;
      break;
    }
  }
  ++count_;
  return true;
}

void*& THash1::BucketData(int bucket) {
  if (bucket < 0 || bucket >= BucketCount()) throw EListError("Bucket index out of bounds");
  return buckets_[static_cast<std::size_t>(bucket)].Data;
}

bool THash1::Contains(std::uintptr_t value) const {
  const Bucket& b = buckets_[value & (bucketCount_ - 1)];
  if (b.State == kOne) return b.Value == value;
  if (b.State == kChain)
    for (const THash1Item* it = b.First; it; it = it->Next)
      if (it->Value == value) return true;
  return false;
}

// ---- file buffer -----------------------------------------------------------------

TVQFileBuffer::~TVQFileBuffer() {
  try {
    Free();
  } catch (const Exception&) {
    // A view that cannot be written back must not keep the file alive.
    views_.clear();
    stream_.reset();
    DeleteFile(fileName_);
  }
}

namespace {

// The stream's message carries the OS's reason after a colon.
std::string FileError(const char* what, const std::string& fileName, const Exception& e) {
  const std::string& m = e.Message();
  const std::size_t colon = m.find(": ");
  return std::string("Cannot ") + what + " the temporary file \"" + fileName + "\"" +
         (colon == std::string::npos ? std::string() : m.substr(colon));
}

}  // namespace

bool TVQFileBuffer::Allocate(const std::string& fileName, Int64 size) {
  Free();
  if (size < 0) return false;
  std::string name = fileName;
  if (name.empty()) {
    const std::string folder = TempFolder.empty() ? GetTempPath() : TempFolder;
    CreateFolderPath(folder);
    name = GetTempFileName(folder, kTempPrefix);
    if (name.empty()) return false;
  }
  try {
    stream_ = std::make_unique<TFileStream>(name, fmCreate);
    fileName_ = name;
    stream_->SetSize(size);
    if (stream_->Size() != size) throw EStreamError("Cannot size file");
    stream_->Reserve(size);
  } catch (const Exception&) {
    stream_.reset();
    DeleteFile(name);
    fileName_.clear();
    return false;
  }
  return true;
}

Int64 TVQFileBuffer::FileSize() const { return stream_ ? stream_->Size() : 0; }

void TVQFileBuffer::SetSize(Int64 size) {
  if (!stream_ || size < 0) return;
  FlushRows();
  DiscardRows();
  stream_->SetSize(size);
}

Byte* TVQFileBuffer::MapView(int access, Int64 size, Int64 offset) {
  if (!stream_) throw EReadError("No file to map");
  if (size < 0 || offset < 0 || offset > stream_->Size() - size) throw EReadError("View outside the file");
  std::unique_ptr<Byte[]> block(new Byte[static_cast<std::size_t>(size ? size : 1)]());
  if ((access & vqRead) && size > 0) {
    stream_->SetPosition(offset);
    stream_->ReadBuffer(block.get(), size);
  }
  Byte* address = block.get();
  views_.push_back({offset, size, std::move(block), access});
  return address;
}

void TVQFileBuffer::ReleaseView(Byte* address) {
  auto it = std::find_if(views_.begin(), views_.end(), [&](const View& v) { return v.Block.get() == address; });
  if (it == views_.end()) return;
  View view = std::move(*it);
  views_.erase(it);
  if ((view.Access & vqWrite) && stream_ && view.Size > 0) {
    stream_->SetPosition(view.Offset);
    stream_->WriteBuffer(view.Block.get(), view.Size);
  }
}

void TVQFileBuffer::ReleaseAllViews() {
  while (!views_.empty()) ReleaseView(views_.back().Block.get());
}

void TVQFileBuffer::CopyTo(TVQFileBuffer* other, Int64 size, Int64 offset) {
  if (!other || other == this || !stream_ || !other->stream_) return;
  ReleaseAllViews();
  FlushRows();
  other->ReleaseAllViews();
  other->DiscardRows();
  if (size < 0 || offset < 0 || offset > stream_->Size() - size) throw EReadError("Copy outside the file");
  // A whole-file copy goes through the streams like any other: deleting the
  // destination first would lose it if the copy then failed.
  if (offset == 0 && size == stream_->Size()) other->stream_->SetSize(size);
  std::unique_ptr<Byte[]> piece(new Byte[static_cast<std::size_t>(std::min(size, kCopyPiece) + 1)]);
  stream_->SetPosition(offset);
  other->stream_->SetPosition(offset);
  for (Int64 done = 0; done < size;) {
    const Int64 n = std::min(size - done, kCopyPiece);
    stream_->ReadBuffer(piece.get(), n);
    other->stream_->WriteBuffer(piece.get(), n);
    done += n;
  }
}

void TVQFileBuffer::Free() {
  DiscardRows();
  window_.reset();
  written_.clear();
  rowLength_ = rowCount_ = windowRows_ = 0;
  if (!stream_) {
    views_.clear();
    return;
  }
  ReleaseAllViews();
  stream_.reset();
  DeleteFile(fileName_);
  fileName_.clear();
}

// ---- whole rows ---------------------------------------------------------------

void TVQFileBuffer::SetRowLayout(Int64 rowLength, Int64 rowCount) {
  DiscardRows();
  previousFirst_ = -1;
  rowLength_ = rowLength > 0 ? rowLength : 0;
  rowCount_ = rowLength_ > 0 && rowCount > 0 ? rowCount : 0;
  windowRows_ = rowCount_ > 0 ? std::clamp<Int64>(WindowBytes / rowLength_, 1, rowCount_) : 0;
  window_.reset();
  written_.assign(static_cast<std::size_t>(windowRows_), false);
}

void TVQFileBuffer::DiscardRows() {
  windowFirst_ = -1;
  windowCount_ = 0;
  windowAccess_ = 0;
  std::fill(written_.begin(), written_.end(), false);
}

void TVQFileBuffer::WriteWindow() {
  if (windowFirst_ < 0 || !stream_) return;
  // Runs of rows handed out for writing; rows never handed out keep the
  // file's bytes even when the window was never read.
  try {
    for (Int64 i = 0; i < windowCount_;) {
      if (!written_[static_cast<std::size_t>(i)]) {
        ++i;
        continue;
      }
      Int64 j = i;
      while (j < windowCount_ && written_[static_cast<std::size_t>(j)]) written_[static_cast<std::size_t>(j++)] = false;
      stream_->WriteBufferAt(window_.get() + i * rowLength_, (j - i) * rowLength_, (windowFirst_ + i) * rowLength_);
      i = j;
    }
  } catch (const EStreamError& e) {
    DiscardRows();
    throw EWriteError(FileError("write", fileName_, e));
  }
}

void TVQFileBuffer::FlushRows() { WriteWindow(); }

void TVQFileBuffer::LoadWindow(Int64 row, int access) {
  WriteWindow();
  DiscardRows();
  if (!stream_ || row < 0 || row >= rowCount_) throw EReadError("Row outside the temporary file");
  if (!window_) window_.reset(new Byte[static_cast<std::size_t>(windowRows_ * rowLength_)]);
  // Walking up the rows, the window ends at the row; otherwise it starts
  // there, so either way of walking reads each row once.
  Int64 first = row + 1 == previousFirst_ ? row - windowRows_ + 1 : row;
  first = std::clamp<Int64>(first, 0, rowCount_ - windowRows_);
  const Int64 count = std::min(windowRows_, rowCount_ - first);
  if (access & vqRead) {
    try {
      stream_->ReadBufferAt(window_.get(), count * rowLength_, first * rowLength_);
    } catch (const EStreamError& e) {
      throw EReadError(FileError("read", fileName_, e));
    }
  } else {
    std::memset(window_.get(), 0, static_cast<std::size_t>(count * rowLength_));
  }
  windowFirst_ = previousFirst_ = first;
  windowCount_ = count;
  windowAccess_ = access;
}

Byte* TVQFileBuffer::PageRow(Int64 row, int access) {
  const bool held = windowFirst_ >= 0 && row >= windowFirst_ && row < windowFirst_ + windowCount_;
  // A window loaded for writing only holds zeros where nothing was written,
  // not the file's bytes, so a reader needs it loaded again.
  if (!held || ((access & vqRead) && !(windowAccess_ & vqRead))) LoadWindow(row, access);
  const Int64 i = row - windowFirst_;
  if (access & vqWrite) {
    written_[static_cast<std::size_t>(i)] = true;
    windowAccess_ |= vqWrite;
  }
  return window_.get() + i * rowLength_;
}

// ---- streams ------------------------------------------------------------------------

std::int64_t TNulStream::Advance(std::int64_t count) {
  if (count <= 0) return 0;
  std::int64_t end;
  if (__builtin_add_overflow(position_, count, &end)) return 0;
  position_ = end;
  if (position_ > size_) size_ = position_;
  return count;
}

std::int64_t TNulStream::Read(void*, std::int64_t count) { return Advance(count); }
std::int64_t TNulStream::Write(const void*, std::int64_t count) { return Advance(count); }

std::int64_t TNulStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t target;
  bool overflow;
  switch (origin) {
    case soBeginning:
      target = offset;
      overflow = false;
      break;
    case soCurrent:
      overflow = __builtin_add_overflow(position_, offset, &target);
      break;
    default:
      overflow = __builtin_sub_overflow(size_, offset, &target);
      break;
  }
  if (overflow || target < 0) return -1;
  position_ = target;
  if (origin != soEnd && position_ > size_) size_ = position_;
  return position_;
}

TVQMemStream::TVQMemStream(const void* data, std::int64_t size) {
  SetPointer(const_cast<void*>(data), data && size > 0 ? size : 0);
}

void SafeStreamWrite(TStream* stream, bool& aborting, const void* data, Int64 length) {
  if (length <= 0) {
    if (length < 0) aborting = true;
    return;
  }
  if (!stream || !data) {
    aborting = true;
    return;
  }
  try {
    if (stream->Write(data, length) < length) aborting = true;
  } catch (const EStreamError&) {
    aborting = true;
  }
}

void WriteLine(TStream* stream, const std::string& text) {
  std::string line = text;
  line += "\r\n";
  stream->WriteBuffer(line.data(), static_cast<std::int64_t>(line.size()));
}

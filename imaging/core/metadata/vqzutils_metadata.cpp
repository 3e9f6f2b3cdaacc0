#include "imaging/core/metadata/vqzutils_metadata.h"

#include <cstring>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr Byte kTag = 0x1C;
// "Photoshop 3.0", a zero byte, "8BIM", resource 0x0404, an empty name and
// the four-byte size, filled in last.
constexpr Byte kWrapper[26] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0,
                               '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0};
constexpr int kWrapperSizeAt = 22;
// Record 2, dataset 0 (the record version), length 2, version 2.
constexpr Byte kPlainHeader[7] = {kTag, 2, 0, 0, 2, 0, 2};
// Lengths above this take the extended form.
constexpr std::uint32_t kShortLengthMax = 32767;

std::vector<Byte> Copy(const void* data, int length) {
  const Byte* p = static_cast<const Byte*>(data);
  return length > 0 && p ? std::vector<Byte>(p, p + length) : std::vector<Byte>();
}

void CheckMarkerLength(int length) {
  if (length < 0 || length > TVQMarkerList::MaxMarkerLength)
    throw EInvalidOperation("Marker length " + std::to_string(length) + " outside 0..65535");
}

}  // namespace

// ---- markers -------------------------------------------------------------------------

void TVQMarkerList::Check(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError("Marker index out of bounds (" + std::to_string(index) + ")");
}

const Byte* TVQMarkerList::GetMarkerData(int index) const {
  Check(index);
  return data_[static_cast<std::size_t>(index)].data();
}

Byte TVQMarkerList::GetMarkerType(int index) const {
  Check(index);
  return types_[static_cast<std::size_t>(index)];
}

int TVQMarkerList::GetMarkerLength(int index) const {
  Check(index);
  return static_cast<int>(data_[static_cast<std::size_t>(index)].size());
}

int TVQMarkerList::IndexOf(Byte type) const {
  for (std::size_t i = 0; i < types_.size(); ++i)
    if (types_[i] == type) return static_cast<int>(i);
  return -1;
}

void TVQMarkerList::AddMarker(Byte type, const void* data, int length) {
  CheckMarkerLength(length);
  data_.push_back(Copy(data, length));
  types_.push_back(type);
}

void TVQMarkerList::SetMarker(int index, Byte type, const void* data, int length) {
  Check(index);
  CheckMarkerLength(length);
  data_[static_cast<std::size_t>(index)] = Copy(data, length);
  types_[static_cast<std::size_t>(index)] = type;
}

void TVQMarkerList::DeleteMarker(int index) {
  Check(index);
  data_.erase(data_.begin() + index);
  types_.erase(types_.begin() + index);
}

void TVQMarkerList::Clear() {
  data_.clear();
  types_.clear();
}

void TVQMarkerList::Assign(const TVQMarkerList* other) {
  if (!other || other == this) return;
  data_ = other->data_;
  types_ = other->types_;
}

// ---- IPTC ----------------------------------------------------------------------------

void TVQIPTCInfoList::Check(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError("IPTC index out of bounds (" + std::to_string(index) + ")");
}

int TVQIPTCInfoList::GetRecord(int index) const {
  Check(index);
  return Items[static_cast<std::size_t>(index)].Record;
}

int TVQIPTCInfoList::GetDataSet(int index) const {
  Check(index);
  return Items[static_cast<std::size_t>(index)].DataSet;
}

const Byte* TVQIPTCInfoList::GetData(int index) const {
  Check(index);
  return Buffers[static_cast<std::size_t>(index)].data();
}

int TVQIPTCInfoList::AddItem(int record, int dataSet, const void* data, int length) {
  if (length < 0) throw EInvalidOperation("Negative IPTC data length");
  Items.push_back({record, dataSet, length});
  Buffers.push_back(Copy(data, length));
  UserChanged = true;
  return GetCount() - 1;
}

void TVQIPTCInfoList::Clear() {
  Items.clear();
  Buffers.clear();
  UserChanged = true;
}

void TVQIPTCInfoList::Assign(const TVQIPTCInfoList* other) {
  if (!other) return;
  if (other != this) {
    Items = other->Items;
    Buffers = other->Buffers;
  }
  UserChanged = true;
}

void TVQIPTCInfoList::SaveToBuffer(Byte*& buffer, int& length, bool withWrapper) const {
  buffer = nullptr;
  length = 0;
  if (Items.empty()) return;
  std::vector<Byte> out;
  if (withWrapper)
    out.assign(std::begin(kWrapper), std::end(kWrapper));
  else
    out.assign(std::begin(kPlainHeader), std::end(kPlainHeader));
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < Items.size(); ++i) {
    const TVQIPTCItem& item = Items[i];
    // The record version is the header's; an empty dataset says nothing.
    if ((item.Record == 2 && item.DataSet == 0) || item.Length <= 0) continue;
    const std::uint32_t n = static_cast<std::uint32_t>(item.Length);
    out.push_back(kTag);
    out.push_back(static_cast<Byte>(item.Record));
    out.push_back(static_cast<Byte>(item.DataSet));
    if (n <= kShortLengthMax) {
      out.push_back(static_cast<Byte>(n >> 8));
      out.push_back(static_cast<Byte>(n));
      total += n + 5;
    } else {
      const Byte extended[6] = {0x80, 0x04, Byte(n >> 24), Byte(n >> 16), Byte(n >> 8), Byte(n)};
      out.insert(out.end(), extended, extended + 6);
      total += std::uint64_t(n) + 9;
    }
    const std::vector<Byte>& data = Buffers[i];
    out.insert(out.end(), data.begin(), data.end());
  }
  if (out.size() % 2) out.push_back(0);
  if (out.size() > 0x7FFFFFFFu) throw EInvalidOperation("IPTC block too large");
  if (withWrapper) {
    const std::uint32_t size = static_cast<std::uint32_t>(total);
    out[kWrapperSizeAt] = Byte(size >> 24);
    out[kWrapperSizeAt + 1] = Byte(size >> 16);
    out[kWrapperSizeAt + 2] = Byte(size >> 8);
    out[kWrapperSizeAt + 3] = Byte(size);
  }
  buffer = new Byte[out.size()];
  std::memcpy(buffer, out.data(), out.size());
  length = static_cast<int>(out.size());
}

void TVQIPTCInfoList::LoadFromBuffer(const void* data, int length) {
  Items.clear();
  Buffers.clear();
  const Byte* p = static_cast<const Byte*>(data);
  const std::uint64_t size = p && length > 0 ? std::uint64_t(length) : 0;
  std::uint64_t at = 0;
  // Our own wrapper's size field may hold a 0x1C byte: skip the wrapper
  // rather than take that byte for a dataset.
  if (size >= sizeof kWrapper && std::memcmp(p, kWrapper, kWrapperSizeAt) == 0) at = sizeof kWrapper;
  while (at < size && p[at] != kTag) ++at;
  while (at < size && p[at] == kTag && size - at > 5) {
    const int record = p[at + 1], dataSet = p[at + 2];
    std::uint64_t n = 0, start = 0;
    if (p[at + 3] & 0x80) {
      // Extended form: the next 15 bits count the length bytes that follow.
      const unsigned count = ((p[at + 3] & 0x7Fu) << 8) | p[at + 4];
      if (count < 1 || count > 4 || size - at < 5 + std::uint64_t(count)) break;
      for (unsigned k = 0; k < count; ++k) n = (n << 8) | p[at + 5 + k];
      start = at + 5 + count;
    } else {
      n = (std::uint64_t(p[at + 3]) << 8) | p[at + 4];
      start = at + 5;
    }
    if (n > size - start || n > 0x7FFFFFFFu) break;
    Items.push_back({record, dataSet, static_cast<std::int32_t>(n)});
    Buffers.emplace_back(p + start, p + start + n);
    at = start + n;
  }
  UserChanged = false;
}

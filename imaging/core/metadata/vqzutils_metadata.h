// Metadata that travels with an image through a load and a save: the JPEG
// markers kept as raw bytes for writing back, and the IPTC records with
// their encoding into the IPTC byte format, optionally inside a Photoshop
// image-resource block. Accessors raise EListError for an index outside the
// list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TVQMarkerList : public TObject {
 public:
  // The longest marker a JPEG segment can hold.
  static constexpr int MaxMarkerLength = 65535;

  std::string ClassName() const override { return "TVQMarkerList"; }
  int GetCount() const { return static_cast<int>(types_.size()); }
  const Byte* GetMarkerData(int index) const;
  Byte GetMarkerType(int index) const;
  int GetMarkerLength(int index) const;
  // The first marker of the type, -1 if none.
  int IndexOf(Byte type) const;
  // Copies of length bytes of data; a marker longer than MaxMarkerLength
  // (or of negative length) raises EInvalidOperation and changes nothing,
  // as a shortened one would be a corrupt segment.
  void AddMarker(Byte type, const void* data, int length);
  void SetMarker(int index, Byte type, const void* data, int length);
  void DeleteMarker(int index);
  void Clear();
  // Copies every marker of other in order; a missing list is ignored.
  void Assign(const TVQMarkerList* other);

 private:
  void Check(int index) const;
  std::vector<std::vector<Byte>> data_;
  std::vector<Byte> types_;
};

// One IPTC dataset.
struct TVQIPTCItem {
  std::int32_t Record = 0;
  std::int32_t DataSet = 0;
  std::int32_t Length = 0;
};

class TVQIPTCInfoList : public TObject {
 public:
  std::string ClassName() const override { return "TVQIPTCInfoList"; }
  int GetCount() const { return static_cast<int>(Items.size()); }
  int GetRecord(int index) const;
  int GetDataSet(int index) const;
  const Byte* GetData(int index) const;
  // Appends a copy of length bytes of data; returns the new index.
  int AddItem(int record, int dataSet, const void* data, int length);
  void Clear();
  // Copies other's items; a missing list is ignored.
  void Assign(const TVQIPTCInfoList* other);
  // A new block (free it with delete[]) holding the items in the IPTC byte
  // format after the Photoshop wrapper or the plain version header; an
  // empty list gives none and length 0.
  void SaveToBuffer(Byte*& buffer, int& length, bool withWrapper) const;
  // Replaces the items by those of the block, from its first 0x1C tag to the
  // last whole dataset.
  void LoadFromBuffer(const void* data, int length);

  std::vector<TVQIPTCItem> Items;
  std::vector<std::vector<Byte>> Buffers;
  // Set by every change through this interface, cleared by LoadFromBuffer.
  bool UserChanged = false;

 private:
  void Check(int index) const;
};

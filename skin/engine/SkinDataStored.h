// Stored skins: a whole skin (frame pictures, active pictures and the ini
// text) packed into one stream and compressed, kept in a form's layout or a
// file instead of a folder.
//
// Packed stream, int32 little-endian: version (2 written, up to 3 read), the
// bitmap records of that version (one byte, 0 followed by a BMP file or
// nonzero for an empty picture), the active-picture count and that many BMP
// files, then the ini text with CR LF line ends. The compressed skin file and
// a list item's "Skin" data are int32 version, int32 size N and N bytes of
// compressed skin; "CompressedData" is the compressed bytes alone.
#pragma once
#include <memory>
#include <string>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"

// Ini sections that both the folder loader and the stored skin read.
constexpr const char* kSection_VERSION = "VERSION";
constexpr const char* kSection_PICTURES = "PICTURES";

// Packed and compressed-file versions.
constexpr std::int32_t kStoredSkinWriteVersion = 2;
constexpr std::int32_t kStoredSkinMaxVersion = 3;

class TspCompressedStoredSkin : public TComponent {
 public:
  explicit TspCompressedStoredSkin(TComponent* AOwner);
  std::string ClassName() const override { return "TspCompressedStoredSkin"; }

  // The compressed skin; size 0 when nothing is stored.
  TMemoryStream PackedStream;
  std::string Description;
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value);
  const std::string& CompressedFileName() const { return compressedFileName_; }
  void SetCompressedFileName(const std::string& value);

  bool IsEmpty() const;
  // Packs and compresses the skin of an ini file. Returns false, keeping
  // the old content, when a required section is missing; raises when the
  // ini cannot be read or a picture cannot be read as a BMP file within the
  // skin's picture budget, again keeping the old content.
  bool LoadFromSkinIniFile(const std::string& iniPath);
  void SaveCompressedToStream(TStream& stream);
  // Writes the compressed skin file format (as SaveCompressedToStream)
  // through SafeSaveFile: a failed save raises and leaves the file as it was.
  void SaveToCompressedFile(const std::string& path);
  // Read the compressed skin file format from the start of stream / from a
  // file. A version above the supported one, or a size that is negative or
  // beyond the bytes present, leaves the stored skin empty (false). A file
  // that cannot be opened or is not a regular file raises EFOpenError.
  bool LoadCompressedFromStream(TStream& stream);
  bool LoadFromCompressedFile(const std::string& path);

  // The raw-data property "CompressedData".
  static constexpr const char* kCompressedDataProperty = "CompressedData";
  void ReadCompressedData(TStream& stream);
  void WriteCompressedData(TStream& stream);

  // Design mode and form loading, as the owning component sees them.
  bool DesignTimeEdit() const;

 private:
  bool ReadCompressedFile(TStream& stream);

  std::string fileName_;
  std::string compressedFileName_;
};

class TspSkinListItem : public TCollectionItem {
 public:
  explicit TspSkinListItem(TCollection* collection);
  std::string ClassName() const override { return "TspSkinListItem"; }
  std::string DisplayName() const override { return Name; }
  void Assign(const TPersistent* source) override;

  std::unique_ptr<TspCompressedStoredSkin> StoredSkin;
  std::string Description;
  std::string Name;
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value);
  const std::string& CompressedFileName() const { return compressedFileName_; }
  void SetCompressedFileName(const std::string& value);

  // The raw-data property "Skin", in the compressed skin file format.
  static constexpr const char* kSkinProperty = "Skin";
  void ReadSkin(TStream& stream);
  void WriteSkin(TStream& stream);

 private:
  friend class TspSkinListItems;
  void NameByIndex();
  bool DesignTimeEdit() const;

  std::string fileName_;
  std::string compressedFileName_;
};

class TspCompressedSkinList;

class TspSkinListItems : public TCollection {
 public:
  explicit TspSkinListItems(TspCompressedSkinList* owner);
  std::string ClassName() const override { return "TspSkinListItems"; }
  TspSkinListItem* Add() { return static_cast<TspSkinListItem*>(TCollection::Add()); }
  TspSkinListItem* Items(int index) const { return static_cast<TspSkinListItem*>(TCollection::Items(index)); }

 protected:
  void Notify(TCollectionItem* item, TCollectionNotification action) override;
};

class TspCompressedSkinList : public TComponent {
 public:
  explicit TspCompressedSkinList(TComponent* AOwner);
  std::string ClassName() const override { return "TspCompressedSkinList"; }
  TspSkinListItems* Skins() { return &skins_; }
  const TspSkinListItems* Skins() const { return &skins_; }
  void SetSkins(const TspSkinListItems* value) { skins_.Assign(value); }

 private:
  TspSkinListItems skins_;
};

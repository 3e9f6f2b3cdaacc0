#include "skin/engine/SkinDataStored.h"

#include <cstring>
#include <iterator>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/StringList.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataIni.h"
#include "skin/engine/spzlibcompress.h"

namespace {

// The smallest BMP file: file header and core header.
constexpr std::int64_t kMinBmpFileBytes = 14 + 12;
constexpr std::uint8_t kBitmapPresent = 0;
constexpr std::uint8_t kBitmapEmpty = 1;

void WriteI32(TStream& stream, std::int32_t value) {
  const std::uint32_t u = static_cast<std::uint32_t>(value);
  const std::uint8_t b[4] = {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)};
  stream.WriteBuffer(b, 4);
}

// Raises EReadError when the stream ends first.
std::int32_t ReadI32(TStream& stream) {
  std::uint8_t b[4];
  stream.ReadBuffer(b, 4);
  return static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                   std::uint32_t(b[3]) << 24);
}

// False instead of raising when the stream ends first.
bool TryReadI32(TStream& stream, std::int32_t& value) {
  std::uint8_t b[4];
  if (stream.Read(b, 4) != 4) return false;
  value = static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                    std::uint32_t(b[3]) << 24);
  return true;
}

// The ini's lines as they are on disk, each ended by CR LF.
void WriteIniLines(TStream& stream, const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t stop = bytes.find_first_of("\r\n", i);
    if (stop == std::string::npos) stop = bytes.size();
    out.append(bytes, i, stop - i);
    out += "\r\n";
    i = stop;
    if (i < bytes.size()) i += (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
  }
  stream.WriteBuffer(out.data(), std::int64_t(out.size()));
}

void WriteBitmapRecord(TStream& stream, TBitmap& picture) {
  if (picture.Empty()) {
    stream.WriteBuffer(&kBitmapEmpty, 1);
    return;
  }
  stream.WriteBuffer(&kBitmapPresent, 1);
  picture.SaveToStream(stream);
}

// A BMP picture of the skin, counted against one budget for the whole skin.
void LoadBmp(const std::string& folder, const std::string& name, TBitmap& picture, std::uint64_t& budgetUsed) {
  picture.Assign(nullptr);
  if (name.empty()) return;
  LoadSkinPicture(ResolveSkinFile(folder, name), false, picture, kMaxSkinPictureBytes - budgetUsed);
  budgetUsed += std::uint64_t(picture.RowBytes()) * std::uint64_t(picture.Height());
}

bool DesignTime(const TComponent* c) {
  return c && (c->ComponentState() & csDesigning) && !(c->ComponentState() & csLoading);
}

}  // namespace

// --- TspCompressedStoredSkin -------------------------------------------------------

TspCompressedStoredSkin::TspCompressedStoredSkin(TComponent* AOwner) : TComponent(AOwner) {}

bool TspCompressedStoredSkin::IsEmpty() const { return const_cast<TMemoryStream&>(PackedStream).Size() == 0; }

bool TspCompressedStoredSkin::DesignTimeEdit() const { return DesignTime(this); }

void TspCompressedStoredSkin::SetFileName(const std::string& value) {
  if (DesignTimeEdit()) {
    fileName_ = ExtractFileName(value);
    LoadFromSkinIniFile(value);
  } else {
    fileName_ = value;
  }
}

void TspCompressedStoredSkin::SetCompressedFileName(const std::string& value) {
  if (DesignTimeEdit()) {
    compressedFileName_ = ExtractFileName(value);
    LoadFromCompressedFile(value);
  } else {
    compressedFileName_ = value;
  }
}

bool TspCompressedStoredSkin::LoadFromSkinIniFile(const std::string& iniPath) {
  const std::string path = NativePath(iniPath);
  // One read for both uses, so the text and the sections agree.
  const std::string text = ReadRegularFile(path, TCustomIniFile::kMaxFileBytes);
  TMemIniFile ini;
  ini.SetBytes(text);
  if (!MissingSkinSection(ini).empty()) return false;
  const std::string folder = ExtractFilePath(path);

  // Built aside, so that a picture that fails keeps the old content.
  TMemoryStream packed;
  WriteI32(packed, kStoredSkinWriteVersion);
  TBitmap picture;
  std::uint64_t budgetUsed = 0;
  for (const char* key : {"picture", "inactivepicture", "mask", "rolluppicture", "rollupmask"}) {
    LoadBmp(folder, ini.ReadString(kSection_PICTURES, key, ""), picture, budgetUsed);
    WriteBitmapRecord(packed, picture);
  }
  TStringList names;
  ReadSkinList(ini, kSection_PICTURES, "activepictures", &names);
  WriteI32(packed, names.Count());
  for (int i = 0; i < names.Count(); ++i) {
    LoadBmp(folder, names[i], picture, budgetUsed);
    picture.SaveToStream(packed);
  }
  WriteIniLines(packed, text);

  TMemoryStream compressed;
  CompressSkinStream(packed, compressed);
  PackedStream.Clear();
  compressed.SetPosition(0);
  PackedStream.CopyFrom(&compressed, compressed.Size());
  return true;
}

void TspCompressedStoredSkin::SaveToCompressedFile(const std::string& path) {
  SafeSaveFile(NativePath(path), [this](TStream& out) { SaveCompressedToStream(out); });
}

void TspCompressedStoredSkin::SaveCompressedToStream(TStream& stream) {
  WriteI32(stream, kStoredSkinWriteVersion);
  const std::int64_t size = PackedStream.Size();
  WriteI32(stream, static_cast<std::int32_t>(size));
  if (size > 0) stream.WriteBuffer(PackedStream.Memory(), size);
}

bool TspCompressedStoredSkin::ReadCompressedFile(TStream& stream) {
  PackedStream.Clear();
  std::int32_t version = 0, size = 0;
  if (!TryReadI32(stream, version) || version > kStoredSkinMaxVersion) return false;
  if (!TryReadI32(stream, size) || size <= 0) return false;
  // The size comes from the file: it must fit in what is there.
  const std::int64_t remaining = stream.Size() - stream.Position();
  if (size > remaining) return false;
  PackedStream.SetSize(size);
  if (stream.Read(PackedStream.Memory(), size) != size) {
    PackedStream.Clear();
    return false;
  }
  PackedStream.SetPosition(0);
  return true;
}

bool TspCompressedStoredSkin::LoadCompressedFromStream(TStream& stream) {
  PackedStream.Clear();
  stream.SetPosition(0);
  return ReadCompressedFile(stream);
}

bool TspCompressedStoredSkin::LoadFromCompressedFile(const std::string& path) {
  PackedStream.Clear();
  const std::string name = NativePath(path);
  CheckRegularFile(name);
  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  return ReadCompressedFile(file);
}

void TspCompressedStoredSkin::ReadCompressedData(TStream& stream) {
  PackedStream.Clear();
  PackedStream.CopyFrom(&stream, 0);
  PackedStream.SetPosition(0);
}

void TspCompressedStoredSkin::WriteCompressedData(TStream& stream) {
  const std::int64_t size = PackedStream.Size();
  if (size > 0) stream.WriteBuffer(PackedStream.Memory(), size);
}

// --- list ----------------------------------------------------------------------------

TspSkinListItem::TspSkinListItem(TCollection* collection)
    : TCollectionItem(collection), StoredSkin(std::make_unique<TspCompressedStoredSkin>(nullptr)) {
  NameByIndex();
}

void TspSkinListItem::NameByIndex() {
  if (Index() >= 0) Name = "spSkin" + std::to_string(Index());
}

bool TspSkinListItem::DesignTimeEdit() const {
  return Collection() && DesignTime(dynamic_cast<const TComponent*>(Collection()->Owner()));
}

void TspSkinListItem::Assign(const TPersistent* source) {
  const auto* item = dynamic_cast<const TspSkinListItem*>(source);
  if (!item) {
    TCollectionItem::Assign(source);
    return;
  }
  Description = item->Description;
  Name = item->Name;
  fileName_ = item->fileName_;
  compressedFileName_ = item->compressedFileName_;
  TMemoryStream& from = item->StoredSkin->PackedStream;
  StoredSkin->PackedStream.Clear();
  if (from.Size() > 0) StoredSkin->PackedStream.WriteBuffer(from.Memory(), from.Size());
  StoredSkin->PackedStream.SetPosition(0);
}

void TspSkinListItem::SetFileName(const std::string& value) {
  if (DesignTimeEdit()) {
    fileName_ = ExtractFileName(value);
    StoredSkin->LoadFromSkinIniFile(value);
  } else {
    fileName_ = value;
  }
}

void TspSkinListItem::SetCompressedFileName(const std::string& value) {
  if (DesignTimeEdit()) {
    compressedFileName_ = ExtractFileName(value);
    StoredSkin->LoadFromCompressedFile(value);
  } else {
    compressedFileName_ = value;
  }
}

void TspSkinListItem::ReadSkin(TStream& stream) { StoredSkin->LoadCompressedFromStream(stream); }

void TspSkinListItem::WriteSkin(TStream& stream) { StoredSkin->SaveCompressedToStream(stream); }

TspSkinListItems::TspSkinListItems(TspCompressedSkinList* owner)
    : TCollection(CollectionItemClassOf<TspSkinListItem>(), owner) {}

void TspSkinListItems::Notify(TCollectionItem* item, TCollectionNotification action) {
  TCollection::Notify(item, action);
  auto* skin = dynamic_cast<TspSkinListItem*>(item);
  if (action == cnAdded && skin && skin->Name.empty()) skin->NameByIndex();
}

TspCompressedSkinList::TspCompressedSkinList(TComponent* AOwner) : TComponent(AOwner), skins_(this) {}

// --- loading into the skin data ----------------------------------------------------------

// Everything of a stored skin that can be checked before the current skin
// is touched: the whole stream unpacked, every picture decoded within the
// budget and the ini parsed with its sections present.
struct TspSkinData::TStagedSkin {
  TBitmap Picture, InactivePicture, Mask, RollUpPicture, RollUpMask;
  std::vector<std::unique_ptr<TBitmap>> ActivePictures;
  TMemIniFile Ini;
  std::uint64_t PictureBytes = 0;
};

bool TspSkinData::LoadFromCompressedStoredSkin(TspCompressedStoredSkin* stored) {
  if (!stored || stored->IsEmpty()) return false;
  // A stored skin that is damaged, cut short or incomplete fails like a
  // missing ini: the skin in use stays and no message is sent.
  std::unique_ptr<TStagedSkin> staged;
  if (!Attempt([&] { staged = StagePackedSkin(stored->PackedStream); })) return false;
  return RunLoad([&] { ApplyStagedSkin(*staged); });
}

void TspSkinData::ReadPackedPicture(TStream& stream, TBitmap& picture) {
  TBmpReadLimits limits;
  limits.MaxBytes = PictureBytesLeft();
  limits.MaxPixels = kMaxSkinPicturePixels;
  picture.LoadFromStream(stream, limits);
  ChargePictureBytes(std::uint64_t(picture.RowBytes()) * std::uint64_t(picture.Height()));
}

std::unique_ptr<TspSkinData::TStagedSkin> TspSkinData::StagePackedSkin(TStream& packed) {
  auto staged = std::make_unique<TStagedSkin>();
  pictureBytes_ = 0;
  TMemoryStream data;
  DecompressSkinStream(data, packed, kMaxInflatedSkinBytes, true);
  data.SetPosition(0);

  const std::int32_t version = ReadI32(data);
  if (version > kStoredSkinMaxVersion) throw EReadError("Unsupported stored skin version");
  const auto record = [&](TBitmap& picture) {
    std::uint8_t flag = kBitmapEmpty;
    data.ReadBuffer(&flag, 1);
    if (flag == kBitmapPresent) ReadPackedPicture(data, picture);
  };
  record(staged->Picture);
  if (version == 2 || version == 3) record(staged->InactivePicture);
  record(staged->Mask);
  if (version == 1 || version == 2) {
    record(staged->RollUpPicture);
    record(staged->RollUpMask);
  }

  const std::int32_t count = ReadI32(data);
  // Each picture takes at least a minimal BMP file of what is left.
  if (count > (data.Size() - data.Position()) / kMinBmpFileBytes)
    throw EReadError("Stored skin holds fewer pictures than it counts");
  for (std::int32_t i = 0; i < count; ++i) {
    staged->ActivePictures.push_back(std::make_unique<TBitmap>());
    ReadPackedPicture(data, *staged->ActivePictures.back());
  }

  const std::int64_t rest = data.Size() - data.Position();
  staged->Ini.SetBytes(std::string(static_cast<const char*>(data.Memory()) + data.Position(), std::size_t(rest)));
  const std::string missing = MissingSkinSection(staged->Ini);
  if (!missing.empty()) throw EReadError("Stored skin lacks the section " + missing);
  staged->PictureBytes = pictureBytes_;
  return staged;
}

void TspSkinData::ApplyStagedSkin(TStagedSkin& staged) {
  ClearAll();
  Picture.Assign(&staged.Picture);
  InactivePicture.Assign(&staged.InactivePicture);
  Mask.Assign(&staged.Mask);
  RollUpPicture.Assign(&staged.RollUpPicture);
  RollUpMask.Assign(&staged.RollUpMask);
  ActivePictures = std::move(staged.ActivePictures);
  pictureBytes_ = staged.PictureBytes;

  const TMemIniFile& ini = staged.Ini;
  skinname = ini.ReadString(kSection_VERSION, "skinname", "");
  skinauthor = ini.ReadString(kSection_VERSION, "skinauthor", "");
  authoremail = ini.ReadString(kSection_VERSION, "authoremail", "");
  authorurl = ini.ReadString(kSection_VERSION, "authorurl", "");
  skincomments = ini.ReadString(kSection_VERSION, "skincomments", "");
  PictureName = ini.ReadString(kSection_PICTURES, "picture", "");
  MaskName = ini.ReadString(kSection_PICTURES, "mask", "");
  RollUpPictureName = ini.ReadString(kSection_PICTURES, "rolluppicture", "");
  RollUpMaskName = ini.ReadString(kSection_PICTURES, "rollupmask", "");
  ReadSkinList(ini, kSection_PICTURES, "activepictures", &ActivePictureNames);

  LoadFormInfo(ini);
  PopupWindow.LoadFromIni(ini);
  HintWindow.LoadFromIni(ini);
  SkinColors.LoadFromIni(ini);
  LoadSkinAreas(ini);
  LoadSkinObjects(ini);
  LoadSkinControls(ini);
}

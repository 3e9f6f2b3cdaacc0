#include "skin/engine/SkinData.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>

#include "platform/graphics/ByteReader.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/input/Cursors.h"
#include "platform/user/input/MessageQueue.h"
#include "skin/engine/SkinDataStored.h"

namespace {

const char* const kSection_FORMINFO = "FORMINFO";
const char* const kSection_SKINOBJECTS = "SKINOBJECTS";
const char* const kSection_SKINCONTROLS = "SKINCONTROLS";
const char* const kSection_CURSORS = "CURSORS";
const char* const kSection_SKINAREAS = "SKINAREAS";

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName) {
  const std::string bytes = ReadRegularFile(fileName, kMaxSkinPictureFileBytes);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// A read-only stream over bytes already in memory.
class TByteViewStream : public TCustomMemoryStream {
 public:
  explicit TByteViewStream(const std::vector<std::uint8_t>& bytes) {
    SetPointer(const_cast<std::uint8_t*>(bytes.data()), static_cast<std::int64_t>(bytes.size()));
  }
};

// Rows padded to 4 bytes; saturates instead of wrapping for absurd sizes.
std::uint64_t PixelBlockBytes(std::int64_t width, std::int64_t height, int bitCount) {
  const std::uint64_t stride = std::uint64_t((width * bitCount + 31) / 32 * 4);
  if (height > 0 && stride > UINT64_MAX / std::uint64_t(height)) return UINT64_MAX;
  return stride * std::uint64_t(height);
}

// The size a DIB header at r gives; false for headers the decoder refuses
// anyway, which are left to it. An icon image's height counts its mask too.
struct DibSize {
  std::int64_t Width = 0, Height = 0;
  int BitCount = 0;
};
bool ReadDibSize(TByteReader& r, bool iconImage, DibSize& size) {
  constexpr std::uint32_t kCoreHeaderSize = 12;
  if (r.U32() == kCoreHeaderSize) {
    size.Width = r.U16();
    size.Height = r.U16();
  } else {
    size.Width = r.I32();
    size.Height = std::abs(std::int64_t(r.I32()));
  }
  r.Skip(2);  // planes
  size.BitCount = r.U16();
  if (iconImage) size.Height /= 2;
  return size.Width > 0 && size.Height > 0 && size.BitCount > 0 && size.BitCount <= 32;
}

// 16-bit images count as 32 bits, the most the decoder makes of them.
std::uint64_t DibPixelBytes(const DibSize& size) {
  return PixelBlockBytes(size.Width, size.Height, size.BitCount == 16 ? 32 : size.BitCount);
}

// The pixel memory a BMP file's header asks for, read before decoding: a
// small run-length file may claim gigabytes.
std::uint64_t BmpPixelBytes(const std::vector<std::uint8_t>& bytes) {
  constexpr std::size_t kFileHeaderSize = 14;
  TByteReader r(bytes.data(), bytes.size());
  r.Skip(kFileHeaderSize);
  DibSize size;
  return ReadDibSize(r, false, size) ? DibPixelBytes(size) : 0;
}

// What decoding a cursor or icon file costs: every image it lists, each
// with its colour image and its mask, however many entries share one
// image. PNG images (not decoded here) and damaged entries count 0; the
// decoder refuses the latter.
std::uint64_t CursorPixelBytes(const std::vector<std::uint8_t>& bytes) {
  constexpr std::size_t kDirHeaderSize = 6, kDirEntrySize = 16, kCountAt = 4, kOffsetInEntry = 12;
  std::uint64_t total = 0;
  try {
    TByteReader r(bytes.data(), bytes.size());
    r.Seek(kCountAt);
    const std::uint16_t count = r.U16();
    for (std::uint16_t i = 0; i < count; ++i) {
      r.Seek(kDirHeaderSize + std::size_t(i) * kDirEntrySize + kOffsetInEntry);
      const std::uint32_t offset = r.U32();
      if (offset > bytes.size() || bytes.size() - offset < 8) continue;
      if (std::memcmp(bytes.data() + offset, "\x89PNG", 4) == 0) continue;
      TByteReader image(bytes.data() + offset, bytes.size() - offset);
      DibSize size;
      try {
        if (!ReadDibSize(image, true, size)) continue;
      } catch (const EInvalidGraphic&) {
        continue;
      }
      // Decoded, every image becomes 32-bit colour and a byte of mask per
      // pixel, whatever depth the file stores it at.
      const std::uint64_t cost =
          PixelBlockBytes(size.Width, size.Height, 32) + PixelBlockBytes(size.Width, size.Height, 8);
      total = std::min(UINT64_MAX / 2, total + std::min(UINT64_MAX / 4, cost));
    }
  } catch (const EInvalidGraphic&) {
    // A directory cut short: what it listed so far.
  }
  return total;
}

void CheckPictureSize(std::uint64_t bytes, std::uint64_t maxBytes, const std::string& fileName) {
  if (bytes > maxBytes) throw EInvalidGraphic("Picture \"" + fileName + "\" is too large");
}

}  // namespace

namespace {
[[noreturn]] void RefuseSkinFile(const std::string& name) {
  throw EFOpenError("Cannot open file \"" + MessageExcerpt(name) + "\". It lies outside the skin's folder");
}

bool InsideFolder(const std::string& folder, const std::string& path) {
  char* realFolder = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr);
  char* realPath = ::realpath(path.c_str(), nullptr);
  bool inside = true;
  if (realFolder && realPath) {
    const std::string f = IncludeTrailingPathDelimiter(realFolder), p = realPath;
    inside = p.size() > f.size() && p.compare(0, f.size(), f) == 0;
  }
  std::free(realFolder);
  std::free(realPath);
  return inside;
}
}  // namespace

// A skin made on Windows may name its files in another case than they have
// on disk; the exact name wins, else the first name in the folder that
// matches ignoring case.
std::string ResolveSkinFile(const std::string& folder, const std::string& name) {
  // Names come from the skin: nothing may reach outside its folder.
  if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() >= 2 && name[1] == ':')) RefuseSkinFile(name);
  std::size_t start = 0;
  for (;;) {
    const std::size_t stop = name.find_first_of("/\\", start);
    if (name.compare(start, stop == std::string::npos ? std::string::npos : stop - start, "..") == 0)
      RefuseSkinFile(name);
    if (stop == std::string::npos) break;
    start = stop + 1;
  }
  std::string path = NativePath(folder + name);
  if (!FileExists(path)) {
    const std::string dir = ExtractFilePath(path);
    const std::string wanted = ExtractFileName(path);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string candidate = it->path().filename().string();
      if (SameText(candidate, wanted)) {
        path = dir + candidate;
        break;
      }
    }
  }
  // A symbolic link inside the folder may still lead out of it.
  if (!InsideFolder(folder, path)) RefuseSkinFile(name);
  return path;
}

namespace {

// The JPEG test of a skin is on the name as written, case-sensitive.
bool IsJpegName(const std::string& name) {
  return name.find(".jpg") != std::string::npos || name.find(".jpeg") != std::string::npos;
}

std::uintptr_t LoadCursorFileHandle(const std::string& fileName) {
  return reinterpret_cast<std::uintptr_t>(LoadCursorFromFile(fileName));
}

// The cursors this engine put into the screen's table, by slot: a later skin
// that replaces or empties a slot frees what it put there.
std::map<int, HCURSOR>& SkinScreenCursors() {
  static std::map<int, HCURSOR> owned;
  return owned;
}

void SetScreenCursor(int slot, std::uintptr_t handle) {
  const HCURSOR cursor = reinterpret_cast<HCURSOR>(handle);
  std::map<int, HCURSOR>& owned = SkinScreenCursors();
  HCURSOR old = nullptr;
  if (auto it = owned.find(slot); it != owned.end()) {
    old = it->second;
    owned.erase(it);
  }
  // One file named by several slots is one cursor in all of them: it goes
  // when the last slot lets it go.
  const auto held = [&owned](HCURSOR c) {
    return std::any_of(owned.begin(), owned.end(), [c](const auto& entry) { return entry.second == c; });
  };
  if (Screen) {
    Screen->SetCursors(slot, cursor);
    if (cursor) owned[slot] = cursor;
  } else if (cursor && !held(cursor)) {
    DestroyCursor(cursor);
  }
  if (old && old != cursor && !held(old)) DestroyCursor(old);
}

}  // namespace

void LoadSkinPicture(const std::string& fileName, bool jpeg, TBitmap& picture, std::uint64_t maxBytes) {
  picture.Assign(nullptr);
  const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  TByteViewStream stream(bytes);
  if (jpeg) {
    // Only the header is read here; the size is checked before decoding.
    TJPEGImage image;
    image.LoadFromStream(stream);
    picture.SetPixelFormat(pfDevice);
    CheckPictureSize(PixelBlockBytes(image.Width(), image.Height(), TBitmap::BitsOf(pfDevice)), maxBytes, fileName);
    picture.SetSize(image.Width(), image.Height());
    picture.Canvas()->Draw(0, 0, &image);
  } else {
    CheckPictureSize(BmpPixelBytes(bytes), maxBytes, fileName);
    picture.LoadFromStream(stream);
  }
}

TspSkinBroadcast& SkinBroadcast() {
  static TspSkinBroadcast broadcast;
  return broadcast;
}

TspSkinCursorTable& SkinCursorTable() {
  static TspSkinCursorTable table{LoadCursorFileHandle, SetScreenCursor};
  return table;
}

// --- construction ------------------------------------------------------------

TspSkinData::TspSkinData(TComponent* AOwner) : TComponent(AOwner) {}

TspSkinData::~TspSkinData() {
  Empty = true;
  ClearObjects();
  if (resourceStrData_) resourceStrData_->RemoveFreeNotification(this);
  if (compressedStoredSkin_) compressedStoredSkin_->RemoveFreeNotification(this);
  if (skinList_) skinList_->RemoveFreeNotification(this);
}

// --- properties ----------------------------------------------------------------

void TspSkinData::SetSkinnableForm(bool value) {
  if (value == skinnableForm_) return;
  skinnableForm_ = value;
  if (!(ComponentState() & (csDesigning | csLoading))) SendSkinDataMessage(SKINMSG_SKINNABLECHANGED);
}

void TspSkinData::SetResourceStrData(TspResourceStrData* value) {
  if (value != resourceStrData_) {
    if (resourceStrData_) resourceStrData_->RemoveFreeNotification(this);
    resourceStrData_ = value;
    if (value) value->FreeNotification(this);
  }
  if (!(ComponentState() & csDesigning)) SendSkinDataMessage(SKINMSG_RESSTRCHANGED);
}

namespace {

template <class T>
void Relink(TComponent* self, T*& field, T* value) {
  if (value == field) return;
  if (field) field->RemoveFreeNotification(self);
  field = value;
  if (value) value->FreeNotification(self);
}

}  // namespace

void TspSkinData::SetCompressedStoredSkin(TspCompressedStoredSkin* value) {
  Relink(this, compressedStoredSkin_, value);
  if (value && !(ComponentState() & csDesigning)) LoadFromCompressedStoredSkin(value);
}

void TspSkinData::SetSkinList(TspCompressedSkinList* value) {
  Relink(this, skinList_, value);
  if (value && !(ComponentState() & csDesigning)) LoadStoredSkinAt(skinIndex_);
}

void TspSkinData::SetSkinIndex(int value) {
  if (value == skinIndex_) return;
  if (!skinList_) {
    skinIndex_ = value;
    return;
  }
  if (value < 0 || value >= skinList_->Skins()->Count()) return;
  skinIndex_ = value;
  if (!(ComponentState() & csDesigning)) LoadStoredSkinAt(value);
}

void TspSkinData::LoadStoredSkinAt(int index) {
  if (!skinList_ || index < 0 || index >= skinList_->Skins()->Count()) return;
  LoadFromCompressedStoredSkin(skinList_->Skins()->Items(index)->StoredSkin.get());
}

void TspSkinData::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == resourceStrData_) resourceStrData_ = nullptr;
  if (AComponent == compressedStoredSkin_) compressedStoredSkin_ = nullptr;
  if (AComponent == skinList_) skinList_ = nullptr;
}

// --- look-ups --------------------------------------------------------------------

namespace {

template <class List, class NameOf>
int IndexByName(const List& list, const std::string& name, NameOf nameOf) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (nameOf(*list[i]) == name) return static_cast<int>(i);
  return -1;
}

}  // namespace

int TspSkinData::GetControlIndex(const std::string& name) const {
  return IndexByName(SkinControls, name, [](const TspDataSkinControl& c) -> const std::string& { return c.SectionName; });
}

int TspSkinData::GetObjectIndex(const std::string& name) const {
  return IndexByName(SkinObjects, name, [](const TspDataSkinObject& o) -> const std::string& { return o.SectionName; });
}

int TspSkinData::GetAreaIndex(const std::string& name) const {
  return IndexByName(SkinAreas, name, [](const TspDataSkinArea& a) -> const std::string& { return a.AreaName; });
}

TBitmap* TspSkinData::GetActivePicture(int index) const {
  if (index < 0 || index >= static_cast<int>(ActivePictures.size())) return nullptr;
  TBitmap* p = ActivePictures[std::size_t(index)].get();
  return p->Empty() ? nullptr : p;
}

int TspSkinData::CursorSlot(int cursorIndex) const {
  if (cursorIndex < 0 || cursorIndex >= CursorNames.Count()) return 0;
  return startcursorindex + cursorIndex;
}

bool TspSkinData::FrameUsable() const {
  if (Picture.Empty()) return false;
  const int pw = Picture.Width(), ph = Picture.Height();
  const TRect& c = clientrect;
  if (c.IsEmpty() || c.Left < 0 || c.Top < 0 || c.Right > pw || c.Bottom > ph) return false;
  for (const TPoint& p : {lefttoppoint, righttoppoint, leftbottompoint, rightbottompoint})
    if (p.X > pw || p.Y > ph) return false;
  // All corners at 0,0 means a frame drawn at the picture's own size.
  const bool fixed = lefttoppoint == TPoint{} && righttoppoint == TPoint{} && leftbottompoint == TPoint{} &&
                     rightbottompoint == TPoint{};
  if (fixed) return true;
  return lefttoppoint.X < righttoppoint.X && leftbottompoint.X < rightbottompoint.X &&
         lefttoppoint.Y < leftbottompoint.Y && righttoppoint.Y < rightbottompoint.Y;
}

// --- clearing ----------------------------------------------------------------------

void TspSkinData::ClearObjects() {
  SkinAreas.clear();
  SkinObjects.clear();
  SkinControls.clear();
  ActivePictures.clear();
  PopupWindow.windowpictureindex = -1;
  HintWindow.windowpictureindex = -1;
  ActivePictureNames.Clear();
  CursorNames.Clear();
  SkinColors.SetDefault();
}

void TspSkinData::ClearAll() {
  ClearObjects();
  for (TBitmap* p : {&Picture, &InactivePicture, &Mask, &RollUpPicture, &RollUpMask}) p->Assign(nullptr);
  PictureName.clear();
  InactivePictureName.clear();
  MaskName.clear();
  RollUpPictureName.clear();
  RollUpMaskName.clear();
  pictureBytes_ = 0;
  Empty = true;
}

// --- messages ----------------------------------------------------------------------

namespace {

// Forgets each watched component as it is freed, so a broadcast can skip
// forms that a receiver freed while it ran.
class TFreeWatch : public TComponent {
 public:
  TFreeWatch() : TComponent(nullptr) {}
  ~TFreeWatch() override {
    for (TComponent* c : live_) c->RemoveFreeNotification(this);
  }
  void Watch(TComponent* c) {
    if (c && std::find(live_.begin(), live_.end(), c) == live_.end()) {
      live_.push_back(c);
      c->FreeNotification(this);
    }
  }
  bool Alive(const TComponent* c) const { return std::find(live_.begin(), live_.end(), c) != live_.end(); }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) live_.erase(std::remove(live_.begin(), live_.end(), AComponent), live_.end());
  }

 private:
  std::vector<TComponent*> live_;
};

bool IsFrameworkForm(const TComponent* c) { return dynamic_cast<const TCustomForm*>(c) != nullptr; }

std::vector<TComponent*> ScreenForms() {
  std::vector<TComponent*> forms;
  if (!Screen) return forms;
  for (int i = 0; i < Screen->FormCount(); ++i) forms.push_back(Screen->Forms(i));
  return forms;
}

// A form without a window yet gets the message through the same procedure
// chain, rather than having a window made for it as a side effect.
void SendToForm(TComponent* component, unsigned msg, WPARAM wParam, LPARAM lParam) {
  auto* form = dynamic_cast<TCustomForm*>(component);
  if (!form) return;
  if (form->HandleAllocated())
    SendMessage(form->Handle(), msg, wParam, lParam);
  else
    form->Perform(msg, wParam, lParam);
}

}  // namespace

void TspSkinData::SendSkinDataMessage(unsigned msg) {
  const TspSkinBroadcast& hook = SkinBroadcast();
  const bool hooked = static_cast<bool>(hook.Send);
  const auto isForm = hooked ? hook.IsForm : std::function<bool(const TComponent*)>(IsFrameworkForm);
  const auto forms = hooked ? hook.Forms : std::function<std::vector<TComponent*>()>(ScreenForms);
  const auto send = hooked ? hook.Send : std::function<void(TComponent*, unsigned, WPARAM, LPARAM)>(SendToForm);

  const WPARAM wParam = reinterpret_cast<WPARAM>(this);
  TComponent* ownerForm = Owner() && isForm && isForm(Owner()) ? Owner() : nullptr;
  if (ownerForm) send(ownerForm, msg, wParam, kSkinMessageLParam);
  // Receivers may create or free forms: walk the list as it stands after the
  // owner and skip any form freed or being freed by the time its turn comes.
  const std::vector<TComponent*> snapshot = forms ? forms() : std::vector<TComponent*>{};
  TFreeWatch watch;
  for (TComponent* form : snapshot) watch.Watch(form);
  const auto stillThere = [&](TComponent* form) {
    if (!watch.Alive(form) || (form->ComponentState() & csDestroying)) return false;
    // A form on its way out leaves the list before it is freed.
    const std::vector<TComponent*> now = forms();
    return std::find(now.begin(), now.end(), form) != now.end();
  };
  for (TComponent* form : snapshot) {
    if (form == ownerForm || !stillThere(form)) continue;
    send(form, msg, wParam, kSkinMessageLParam);
  }
}

// --- loading -----------------------------------------------------------------------

std::string MissingSkinSection(const TCustomIniFile& ini) {
  for (const char* section : {kSection_VERSION, kSection_PICTURES, kSection_FORMINFO, kSection_SKINOBJECTS,
                              kSection_SKINCONTROLS})
    if (!ini.SectionExists(section)) return section;
  return std::string();
}

bool TspSkinData::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TMemIniFile> ini;
  try {
    ini = std::make_unique<TMemIniFile>(fileName);
  } catch (const Exception& e) {
    LastLoadError = e.Message();
    return false;
  }
  if (const std::string missing = MissingSkinSection(*ini); !missing.empty()) {
    LastLoadError = "Missing section " + missing;
    return false;
  }

  const std::string folder = ExtractFilePath(NativePath(fileName));
  // A skin in use is replaced only by one that loads whole: the new one is
  // read aside first, so a picture or value that fails half-way leaves the
  // forms with the skin they have.
  if (!Empty) {
    TspSkinData trial(nullptr);
    trial.trialLoad_ = true;
    if (!Attempt([&] { trial.LoadSkin(*ini, folder); })) return false;
  }
  return RunLoad([&] { LoadSkin(*ini, folder); });
}

bool TspSkinData::Attempt(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const std::bad_alloc&) {
    LastLoadError = "Out of memory";
  } catch (const std::exception& e) {
    LastLoadError = e.what();
  }
  return false;
}

bool TspSkinData::RunLoad(const std::function<void()>& load) {
  Empty = true;
  SkinLoading = true;
  SendSkinDataMessage(SKINMSG_BEFORELOAD);
  if (!Attempt(load)) {
    // Forms freed their skinned parts on 0x4C9; they must hear that the load
    // ended so they go back to their default look.
    ClearAll();
    ResetFormInfo();
    ResetGeneral();
    Empty = true;
    SkinLoading = false;
    SendSkinDataMessage(SKINMSG_LOADED);
    SendSkinDataMessage(SKINMSG_AFTERLOAD);
    return false;
  }
  LastLoadError.clear();
  Empty = false;
  SendSkinDataMessage(SKINMSG_LOADED);
  SkinLoading = false;
  SendSkinDataMessage(SKINMSG_AFTERLOAD);
  return true;
}

void TspSkinData::LoadSkin(const TCustomIniFile& ini, const std::string& folder) {
  ClearAll();

  skinname = ini.ReadString(kSection_VERSION, "skinname", "");
  skinauthor = ini.ReadString(kSection_VERSION, "skinauthor", "");
  authoremail = ini.ReadString(kSection_VERSION, "authoremail", "");
  authorurl = ini.ReadString(kSection_VERSION, "authorurl", "");
  skincomments = ini.ReadString(kSection_VERSION, "skincomments", "");

  PictureName = ini.ReadString(kSection_PICTURES, "picture", "");
  InactivePictureName = ini.ReadString(kSection_PICTURES, "inactivepicture", "");
  MaskName = ini.ReadString(kSection_PICTURES, "mask", "");
  RollUpPictureName = ini.ReadString(kSection_PICTURES, "rolluppicture", "");
  RollUpMaskName = ini.ReadString(kSection_PICTURES, "rollupmask", "");
  LoadFramePicture(folder, PictureName, Picture);
  LoadFramePicture(folder, InactivePictureName, InactivePicture);
  LoadFramePicture(folder, MaskName, Mask);
  LoadFramePicture(folder, RollUpPictureName, RollUpPicture);
  LoadFramePicture(folder, RollUpMaskName, RollUpMask);

  LoadActivePictures(ini, folder);
  LoadCursors(ini, folder);
  LoadFormInfo(ini);
  PopupWindow.LoadFromIni(ini);
  HintWindow.LoadFromIni(ini);
  SkinColors.LoadFromIni(ini);
  LoadSkinAreas(ini);
  LoadSkinObjects(ini);
  LoadSkinControls(ini);
}

std::uint64_t TspSkinData::PictureBytesLeft() const {
  return PictureBudget - std::min(pictureBytes_, PictureBudget);
}

void TspSkinData::ChargePictureBytes(std::uint64_t bytes) {
  if (bytes > PictureBytesLeft())
    throw EOutOfMemory("The skin's pictures are too large");
  pictureBytes_ += bytes;
}

void TspSkinData::LoadFramePicture(const std::string& folder, const std::string& name, TBitmap& picture) {
  picture.Assign(nullptr);
  if (name.empty()) return;
  // Each picture may take only what the skin's earlier pictures left over.
  LoadSkinPicture(ResolveSkinFile(folder, name), IsJpegName(name), picture, PictureBytesLeft());
  ChargePictureBytes(std::uint64_t(picture.RowBytes()) * std::uint64_t(picture.Height()));
}

void TspSkinData::LoadActivePictures(const TCustomIniFile& ini, const std::string& folder) {
  ReadSkinList(ini, kSection_PICTURES, "activepictures", &ActivePictureNames);
  for (int i = 0; i < ActivePictureNames.Count(); ++i) {
    ActivePictures.push_back(std::make_unique<TBitmap>());
    LoadFramePicture(folder, ActivePictureNames[i], *ActivePictures.back());
  }
}

void TspSkinData::LoadCursors(const TCustomIniFile& ini, const std::string& folder) {
  startcursorindex = std::clamp(ini.ReadInteger(kSection_CURSORS, "startcursorindex", 1), 1, kMaxStartCursorIndex);
  ReadSkinList(ini, kSection_CURSORS, "cursors", &CursorNames);
  const TspSkinCursorTable& table = SkinCursorTable();
  // Each file is counted and decoded once however many slots name it; the
  // slots share its cursor.
  std::map<std::string, std::uintptr_t> loaded;
  for (int i = 0; i < CursorNames.Count(); ++i) {
    // A cursor that cannot be read (missing, outside the folder, not a
    // file) leaves its slot with the default cursor; one that can is
    // counted against the skin's budget at its decoded size before it is
    // decoded.
    std::string path;
    try {
      path = ResolveSkinFile(folder, CursorNames[i]);
      if (!loaded.count(path)) ChargePictureBytes(CursorPixelBytes(ReadWholeFile(path)));
    } catch (const EStreamError&) {
      path.clear();
    }
    if (trialLoad_) {
      if (!path.empty()) loaded.emplace(path, 0);
      continue;
    }
    std::uintptr_t handle = 0;
    if (auto it = loaded.find(path); it != loaded.end()) {
      handle = it->second;
    } else if (!path.empty()) {
      handle = table.LoadCursorFromFile ? table.LoadCursorFromFile(path) : 0;
      loaded.emplace(path, handle);
    }
    if (table.SetCursor) table.SetCursor(startcursorindex + i, handle);
  }
}

void TspSkinData::ResetGeneral() {
  for (std::string* text : {&skinname, &skinauthor, &authoremail, &authorurl, &skincomments}) text->clear();
  startcursorindex = 1;
  // What a skin without these sections gives.
  const TMemIniFile none;
  PopupWindow.LoadFromIni(none);
  HintWindow.LoadFromIni(none);
}

void TspSkinData::ResetFormInfo() {
  lefttoppoint = righttoppoint = leftbottompoint = rightbottompoint = TPoint{};
  clientrect = buttonsrect = captionrect = maskrectarea = mainmenurect = iconrect = sizegriparea = TRect{};
  bgpictureindex = mdibgpictureindex = cursorindex = -1;
  leftstretch = rightstretch = topstretch = bottomstretch = stretcheffect = mdibgstretcheffect = false;
  stretchtype = mdibgstretchtype = stFull;
  buttonsoffset = borderwidth = formminwidth = 0;
  buttonsinleft = mainmenupopupup = mditabstransparent = mainmenubartransparent = false;
  autorenderinginactiveimage = false;
  inactiveeffect = ieBrightness;
  hittestlefttoppoint = hittestrighttoppoint = hittestleftbottompoint = hittestrightbottompoint = TPoint{};
  rollupleftpoint = rolluprightpoint = TPoint{};
  statusbarname.clear();
}

void TspSkinData::LoadFormInfo(const TCustomIniFile& ini) {
  const std::string s = kSection_FORMINFO;
  lefttoppoint = ReadSkinPoint(ini, s, "lefttoppoint");
  righttoppoint = ReadSkinPoint(ini, s, "righttoppoint");
  leftbottompoint = ReadSkinPoint(ini, s, "leftbottompoint");
  rightbottompoint = ReadSkinPoint(ini, s, "rightbottompoint");
  clientrect = ReadSkinRect(ini, s, "clientrect");
  bgpictureindex = ini.ReadInteger(s, "bgpictureindex", -1);
  mdibgpictureindex = ini.ReadInteger(s, "mdibgpictureindex", -1);
  leftstretch = ReadSkinFlag(ini, s, "leftstretch");
  rightstretch = ReadSkinFlag(ini, s, "rightstretch");
  topstretch = ReadSkinFlag(ini, s, "topstretch");
  bottomstretch = ReadSkinFlag(ini, s, "bottomstretch");
  stretcheffect = ReadSkinFlag(ini, s, "stretcheffect");
  stretchtype = ReadStretchType(ini, s, "stretchtype");
  mdibgstretcheffect = ReadSkinFlag(ini, s, "mdibgstretcheffect");
  mdibgstretchtype = ReadStretchType(ini, s, "mdibgstretchtype");
  buttonsrect = ReadSkinRect(ini, s, "buttonsrect");
  captionrect = ReadSkinRect(ini, s, "captionrect");
  buttonsoffset = ini.ReadInteger(s, "buttonsoffset", 0);
  buttonsinleft = ReadSkinFlag(ini, s, "buttonsinleft");
  maskrectarea = ReadSkinRect(ini, s, "maskrectarea");
  hittestlefttoppoint = ReadSkinPoint(ini, s, "hittestlefttoppoint");
  hittestrighttoppoint = ReadSkinPoint(ini, s, "hittestrighttoppoint");
  hittestleftbottompoint = ReadSkinPoint(ini, s, "hittestleftbottompoint");
  hittestrightbottompoint = ReadSkinPoint(ini, s, "hittestrightbottompoint");
  rollupleftpoint = ReadSkinPoint(ini, s, "rollupleftpoint");
  rolluprightpoint = ReadSkinPoint(ini, s, "rolluprightpoint");

  if (!MaskName.empty()) {
    if (maskrectarea.IsEmpty()) {
      maskrectarea = clientrect;
    } else {
      maskrectarea = TRect{std::min(maskrectarea.Left, clientrect.Left), std::min(maskrectarea.Top, clientrect.Top),
                           std::max(maskrectarea.Right, clientrect.Right),
                           std::max(maskrectarea.Bottom, clientrect.Bottom)};
    }
    const auto fill = [](TPoint& hit, const TPoint& corner) {
      if (hit.X == 0 || hit.Y == 0) hit = corner;
    };
    fill(hittestlefttoppoint, lefttoppoint);
    fill(hittestrighttoppoint, righttoppoint);
    fill(hittestleftbottompoint, leftbottompoint);
    fill(hittestrightbottompoint, rightbottompoint);
  }

  mainmenurect = ReadSkinRect(ini, s, "mainmenurect");
  iconrect = ReadSkinRect(ini, s, "iconrect");
  mainmenupopupup = ReadSkinFlag(ini, s, "mainmenupopupup");
  borderwidth = ini.ReadInteger(s, "borderwidth", 0);
  formminwidth = ini.ReadInteger(s, "formminwidth", 0);
  mditabstransparent = ReadSkinFlag(ini, s, "mditabstransparent");
  mainmenubartransparent = ReadSkinFlag(ini, s, "mainmenubartransparent");
  cursorindex = ini.ReadInteger(s, "cursorindex", -1);
  autorenderinginactiveimage = ReadSkinFlag(ini, s, "autorenderinginactiveimage");
  inactiveeffect = ReadInactiveEffect(ini, s, "inactiveeffect");

  if (rightbottompoint.X != lefttoppoint.X && rightbottompoint.Y != lefttoppoint.Y) {
    const TRect& c = clientrect;
    lefttoppoint.X = std::max(lefttoppoint.X, c.Left);
    lefttoppoint.Y = std::max(lefttoppoint.Y, c.Top);
    righttoppoint.X = std::min(righttoppoint.X, c.Right);
    righttoppoint.Y = std::max(righttoppoint.Y, c.Top);
    leftbottompoint.X = std::max(leftbottompoint.X, c.Left);
    leftbottompoint.Y = std::min(leftbottompoint.Y, c.Bottom);
    rightbottompoint.X = std::min(rightbottompoint.X, c.Right);
    rightbottompoint.Y = std::min(rightbottompoint.Y, c.Bottom);
  }

  sizegriparea = ReadSkinRect(ini, s, "sizegriparea");
  statusbarname = ini.ReadString(s, "statusbarname", "");
}

void TspSkinData::LoadSkinAreas(const TCustomIniFile& ini) {
  const int count = std::min(ini.ReadInteger(kSection_SKINAREAS, "count", 0), kMaxSkinListCount);
  for (int i = 0; i < count; ++i) {
    std::string name, rectText;
    TRect bounds;
    if (SplitSkinEntry(ini.ReadString(kSection_SKINAREAS, IntToStr(i), ""), name, rectText))
      bounds = ParseSkinRect(rectText);
    SkinAreas.push_back(std::make_unique<TspDataSkinArea>(name, bounds));
  }
}

namespace {
// A description list: "count", then entries "name:kind" keyed 0..count-1,
// each made by its kind's factory and read from its own section.
template <class T, class Factory>
void LoadDescriptions(const TCustomIniFile& ini, const char* section, Factory make,
                      std::vector<std::unique_ptr<T>>& list) {
  const int count = std::min(ini.ReadInteger(section, "count", 0), kMaxSkinListCount);
  for (int i = 0; i < count; ++i) {
    std::string name, kind;
    SplitSkinEntry(ini.ReadString(section, IntToStr(i), ""), name, kind);
    std::unique_ptr<T> item = make(kind, name);
    if (!item) continue;
    item->LoadFromIni(ini);
    list.push_back(std::move(item));
  }
}
}  // namespace

void TspSkinData::LoadSkinObjects(const TCustomIniFile& ini) {
  LoadDescriptions(ini, kSection_SKINOBJECTS, CreateSkinObject, SkinObjects);
}

void TspSkinData::LoadSkinControls(const TCustomIniFile& ini) {
  LoadDescriptions(ini, kSection_SKINCONTROLS, CreateSkinControl, SkinControls);
}

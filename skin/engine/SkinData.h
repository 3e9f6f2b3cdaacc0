// TspSkinData: the skin data component. It reads a skin (one ini file and the
// pictures and cursor files it names, relative to the ini's folder) into
// memory: frame pictures, the ActivePictures list, the FORMINFO frame
// geometry, areas, object and control descriptions, colours and the popup
// and hint window looks. Skinned forms and controls find their description
// by name (GetControlIndex / FindControl) and draw from its pictures.
//
// A skin is untrusted input. Look-ups by name check the description's class,
// picture indexes go through GetActivePicture (null when out of range),
// cursor indexes through CursorSlot, list counts are capped, and a skin that
// fails part-way leaves the component empty with the forms told that the load
// ended, instead of raising into the caller.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/engine/SkinStrings.h"

class TCustomIniFile;
class TStream;
class TspCompressedStoredSkin;
class TspCompressedSkinList;

// The first of the sections VERSION, PICTURES, FORMINFO, SKINOBJECTS and
// SKINCONTROLS that ini lacks (a section without keys counts as missing),
// "" when it has them all: a skin needs every one.
std::string MissingSkinSection(const TCustomIniFile& ini);

// Largest picture or cursor file read, and the most decoded picture memory
// one skin load may take, every picture and cursor counted (checked before
// each is decoded, from its header); beyond either the load fails.
constexpr std::int64_t kMaxSkinPictureFileBytes = std::int64_t{64} << 20;
constexpr std::uint64_t kMaxSkinPictureBytes = std::uint64_t{512} << 20;

// Reads a BMP file into picture, or, when jpeg is set, decodes a JPEG file and
// draws it at 0,0 into picture, which takes the JPEG's size (a device-format
// bitmap). Raises EFOpenError when the file cannot be read or is not a
// regular file, EReadError when it is larger than kMaxSkinPictureFileBytes,
// EInvalidGraphic when it cannot be decoded or its pixels would take more
// than maxBytes.
void LoadSkinPicture(const std::string& fileName, bool jpeg, TBitmap& picture,
                     std::uint64_t maxBytes = kMaxSkinPictureBytes);

// Most pixels one picture of a stored skin may have.
constexpr std::uint64_t kMaxSkinPicturePixels = std::uint64_t{1} << 26;

// folder + name; when no file has that exact name, the first one in the
// folder whose name matches ignoring case. A name that would leave the
// folder (empty, absolute, a drive, a ".." part with either slash, or a
// symbolic link leading out) raises EFOpenError, as a missing file does.
// Sub-folders are fine.
std::string ResolveSkinFile(const std::string& folder, const std::string& name);

// Skin messages, sent with wParam = the TspSkinData and lParam = 1000.
constexpr unsigned SKINMSG_BEFORELOAD = 0x4C9;
constexpr unsigned SKINMSG_LOADED = 0x4CA;
constexpr unsigned SKINMSG_AFTERLOAD = 0x4CB;
constexpr unsigned SKINMSG_RESSTRCHANGED = 0x4FA;
constexpr unsigned SKINMSG_SKINNABLECHANGED = 0x50E;
constexpr LPARAM kSkinMessageLParam = 1000;

// Where skin messages go. By default (Send empty) to the framework's forms:
// the skin data's owner when it is a form, then every form of Screen->Forms
// in list order, each through SendMessage to its window (Perform while it has
// none). A test may set Send to route them elsewhere; Forms and IsForm then
// stand in for the screen's list and the form test.
struct TspSkinBroadcast {
  // The forms in list order.
  std::function<std::vector<TComponent*>()> Forms;
  // Whether a component (the skin data's owner) is a form.
  std::function<bool(const TComponent*)> IsForm;
  // Synchronous send to one form.
  std::function<void(TComponent* form, unsigned msg, WPARAM wParam, LPARAM lParam)> Send;
};
TspSkinBroadcast& SkinBroadcast();

// Where a skin's cursors go. By default the platform's LoadCursorFromFile
// loads them into Screen->Cursors; a cursor that replaces or empties a slot
// this engine filled before frees the one it put there. Tests may replace
// either function.
struct TspSkinCursorTable {
  // A cursor handle (HCURSOR) for a cursor file, 0 when it cannot be loaded.
  std::function<std::uintptr_t(const std::string& fileName)> LoadCursorFromFile;
  // Puts a handle in a slot; 0 removes the slot (it shows the default cursor).
  std::function<void(int slot, std::uintptr_t handle)> SetCursor;
};
TspSkinCursorTable& SkinCursorTable();

// The highest first slot a skin may ask for, so slots never overflow.
constexpr int kMaxStartCursorIndex = 30000;

class TspSkinData : public TComponent {
 public:
  explicit TspSkinData(TComponent* AOwner);
  ~TspSkinData() override;
  std::string ClassName() const override { return "TspSkinData"; }

  // --- properties ----------------------------------------------------------
  bool SkinnableForm() const { return skinnableForm_; }
  void SetSkinnableForm(bool value);
  bool EnableSkinEffects = true;
  bool ShowButtonGlowFrames = true;
  bool ShowCaptionButtonGlowFrames = true;
  TspResourceStrData* ResourceStrData() const { return resourceStrData_; }
  void SetResourceStrData(TspResourceStrData* value);
  TspCompressedStoredSkin* CompressedStoredSkin() const { return compressedStoredSkin_; }
  void SetCompressedStoredSkin(TspCompressedStoredSkin* value);
  TspCompressedSkinList* SkinList() const { return skinList_; }
  void SetSkinList(TspCompressedSkinList* value);
  int SkinIndex() const { return skinIndex_; }
  void SetSkinIndex(int value);

  // --- state ---------------------------------------------------------------
  bool Empty = true;
  bool SkinLoading = false;
  // Why the last load failed ("" after a success).
  std::string LastLoadError;
  // The most decoded picture memory one load may take, every picture and
  // cursor counted each time it is named; a load past it fails.
  std::uint64_t PictureBudget = kMaxSkinPictureBytes;

  // --- content -------------------------------------------------------------
  TspSkinColors SkinColors;
  TspDataSkinPopupWindow PopupWindow;
  TspDataSkinHintWindow HintWindow;
  TBitmap Picture, InactivePicture, Mask, RollUpPicture, RollUpMask;
  std::string PictureName, InactivePictureName, MaskName, RollUpPictureName, RollUpMaskName;
  std::vector<std::unique_ptr<TBitmap>> ActivePictures;
  TStringList ActivePictureNames;
  TStringList CursorNames;
  std::vector<std::unique_ptr<TspDataSkinArea>> SkinAreas;
  std::vector<std::unique_ptr<TspDataSkinObject>> SkinObjects;
  std::vector<std::unique_ptr<TspDataSkinControl>> SkinControls;
  std::string skinname, skinauthor, authoremail, authorurl, skincomments;
  int startcursorindex = 1;

  // --- FORMINFO ------------------------------------------------------------
  TPoint lefttoppoint, righttoppoint, leftbottompoint, rightbottompoint;
  TRect clientrect;
  int bgpictureindex = -1, mdibgpictureindex = -1;
  bool leftstretch = false, rightstretch = false, topstretch = false, bottomstretch = false;
  bool stretcheffect = false;
  TspStretchType stretchtype = stFull;
  bool mdibgstretcheffect = false;
  TspStretchType mdibgstretchtype = stFull;
  TRect buttonsrect, captionrect;
  int buttonsoffset = 0;
  bool buttonsinleft = false;
  TRect maskrectarea;
  TPoint hittestlefttoppoint, hittestrighttoppoint, hittestleftbottompoint, hittestrightbottompoint;
  TPoint rollupleftpoint, rolluprightpoint;
  TRect mainmenurect, iconrect;
  bool mainmenupopupup = false;
  int borderwidth = 0, formminwidth = 0;
  bool mditabstransparent = false, mainmenubartransparent = false;
  int cursorindex = -1;
  bool autorenderinginactiveimage = false;
  TspInactiveEffect inactiveeffect = ieBrightness;
  TRect sizegriparea;
  std::string statusbarname;

  // --- operations ----------------------------------------------------------
  // True when the skin loaded. A missing file or one without the sections
  // VERSION, PICTURES, FORMINFO, SKINOBJECTS and SKINCONTROLS changes nothing
  // and sends nothing. While a skin is in use, a new one that fails (a
  // picture or value that cannot be read) is found out before anything is
  // touched: false, the skin in use kept, nothing sent. An empty component
  // that fails while loading stays empty, sends 0x4CA and 0x4CB all the same
  // and sets LastLoadError.
  bool LoadFromFile(const std::string& fileName);
  // The same for a stored compressed skin: an empty one (or none) changes
  // nothing. Corrupt or truncated data, a version above the supported one,
  // a picture that cannot be decoded within the budget, or an ini without
  // the five sections fails before anything is touched (false, the skin in
  // use stays, nothing is sent); only an ini value that cannot be read
  // fails part-way like a broken ini. The CURSORS section is not read.
  bool LoadFromCompressedStoredSkin(TspCompressedStoredSkin* stored);

  // First entry with exactly this name (case-sensitive), -1 when none.
  int GetControlIndex(const std::string& name) const;
  int GetObjectIndex(const std::string& name) const;
  int GetAreaIndex(const std::string& name) const;
  // The description of that name when it is of class T (or derived), else
  // null: a skin naming the wrong kind gives the default look.
  template <class T>
  T* FindControl(const std::string& name) const {
    const int i = GetControlIndex(name);
    return i < 0 ? nullptr : dynamic_cast<T*>(SkinControls[std::size_t(i)].get());
  }
  template <class T>
  T* FindObject(const std::string& name) const {
    const int i = GetObjectIndex(name);
    return i < 0 ? nullptr : dynamic_cast<T*>(SkinObjects[std::size_t(i)].get());
  }
  // ActivePictures[index], or null for -1, an index out of range or an empty
  // picture.
  TBitmap* GetActivePicture(int index) const;
  // The cursor-table slot of a description's cursorindex; 0 (the default
  // cursor) for -1 or an index past the skin's cursors.
  int CursorSlot(int cursorIndex) const;
  // Whether the skinned frame can be drawn: a frame picture, a non-empty
  // clientrect inside it and corner points in order inside the picture.
  // Otherwise forms keep the default frame while controls stay skinned.
  bool FrameUsable() const;

  void ClearObjects();
  void ClearAll();
  void SendSkinDataMessage(unsigned msg);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void ResetFormInfo();
  // The version texts, the first cursor slot and the popup and hint looks,
  // so that nothing of a skin that failed stays visible.
  void ResetGeneral();
  // Runs `step`; a failure it raises becomes LastLoadError and false.
  bool Attempt(const std::function<void()>& step);
  // Runs one load between the skin messages; see LoadFromFile.
  bool RunLoad(const std::function<void()>& load);
  struct TStagedSkin;
  std::unique_ptr<TStagedSkin> StagePackedSkin(TStream& packed);
  void ApplyStagedSkin(TStagedSkin& staged);
  void ReadPackedPicture(TStream& stream, TBitmap& picture);
  void LoadStoredSkinAt(int index);
  void LoadSkin(const TCustomIniFile& ini, const std::string& folder);
  // Counts decoded bytes against the load's budget; raises EOutOfMemory
  // beyond it.
  void ChargePictureBytes(std::uint64_t bytes);
  std::uint64_t PictureBytesLeft() const;
  void LoadFramePicture(const std::string& folder, const std::string& name, TBitmap& picture);
  void LoadActivePictures(const TCustomIniFile& ini, const std::string& folder);
  void LoadCursors(const TCustomIniFile& ini, const std::string& folder);
  void LoadFormInfo(const TCustomIniFile& ini);
  void LoadSkinAreas(const TCustomIniFile& ini);
  void LoadSkinObjects(const TCustomIniFile& ini);
  void LoadSkinControls(const TCustomIniFile& ini);

  bool skinnableForm_ = true;
  TspResourceStrData* resourceStrData_ = nullptr;
  TspCompressedStoredSkin* compressedStoredSkin_ = nullptr;
  TspCompressedSkinList* skinList_ = nullptr;
  int skinIndex_ = 0;
  std::uint64_t pictureBytes_ = 0;
  // A trial load reads everything but leaves the application's cursors.
  bool trialLoad_ = false;
};

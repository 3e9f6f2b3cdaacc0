#include "skin/engine/SkinDataStored.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SafeSave.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/spzlibcompress.h"
#include "tests/skin/engine/SkinTestUtil.h"
#include "tests/skin/engine/StreamBytes.h"

namespace {

const char* const kStoredSkinIni =
    "[VERSION]\r\nskinname=Stored\r\nskinauthor=team\r\n"
    "[PICTURES]\r\npicture=frame.bmp\r\nmask=mask.bmp\r\ninactivepicture=inactive.bmp\r\n"
    "activepicturescount=2\r\n0=button.bmp\r\n1=Photo.BMP\r\n"
    "[FORMINFO]\r\nclientrect=4,28,156,96\r\nlefttoppoint=40,40\r\nrighttoppoint=120,40\r\n"
    "leftbottompoint=40,80\r\nrightbottompoint=120,80\r\nborderwidth=4\r\n"
    "[CURSORS]\r\ncursorscount=1\r\n0=a.cur\r\n"
    "[SKINAREAS]\r\ncount=1\r\n0=top:1,2,3,4\r\n"
    "[SKINOBJECTS]\r\ncount=1\r\n0=caption:caption\r\n[caption]\r\ntextrect=4,0,140,18\r\n"
    "[SKINCONTROLS]\r\ncount=2\r\n0=button:button\r\n1=slider:slider\r\n"
    "[button]\r\npictureindex=0\r\nskinrect=0,0,64,25\r\n"
    "[SKINCOLORS]\r\ncbtnface=$00F0F0F0\r\n";

void PutI32(Bytes& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
}

void PutBmp(Bytes& b, int w, int h, std::uint8_t blue) {
  const Bytes bmp = WriteBmp(TSkinFolder::Solid(w, h, blue));
  b.insert(b.end(), bmp.begin(), bmp.end());
}

const char* const kMinimalIni =
    "[VERSION]\r\nskinname=raw\r\n[PICTURES]\r\npicture=p.bmp\r\n[FORMINFO]\r\nborderwidth=2\r\n"
    "[SKINOBJECTS]\r\ncount=0\r\n[SKINCONTROLS]\r\ncount=0\r\n";

void PutText(Bytes& b, const std::string& text) { b.insert(b.end(), text.begin(), text.end()); }

// Compresses a hand-made packed stream into a stored skin.
void Store(TspCompressedStoredSkin& stored, const Bytes& packed) {
  TMemoryStream source;
  if (!packed.empty()) source.WriteBuffer(packed.data(), std::int64_t(packed.size()));
  stored.PackedStream.Clear();
  CompressSkinStream(source, stored.PackedStream);
}

bool SamePixels(TBitmap& a, TBitmap& b) {
  const TDibImage x = a.ToDib(), y = b.ToDib();
  return x.Width == y.Width && x.Height == y.Height && x.BitCount == y.BitCount && x.Bits == y.Bits;
}

class SkinDataStored : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.WriteBytes("frame.bmp", WriteBmp(TSkinFolder::Halves(160, 100, 20, {1, 2, 3, 0}, {9, 8, 7, 0})));
    folder_.WriteBmp("mask.bmp", 160, 100);
    folder_.WriteBytes("inactive.bmp", WriteBmp(TSkinFolder::Halves(160, 100, 50, {5, 5, 5, 0}, {6, 6, 6, 0})));
    folder_.WriteBmp("button.bmp", 64, 100);
    folder_.WriteBytes("photo.bmp", WriteBmp(TSkinFolder::Solid(7, 3, 0x77)));
    folder_.WriteCursor("a.cur", 1, 2);
    folder_.WriteText("Skin.ini", kStoredSkinIni);
    saved_ = SkinBroadcast();
    SkinBroadcast().Forms = [this] { return std::vector<TComponent*>{&form_}; };
    SkinBroadcast().IsForm = [this](const TComponent* c) { return c == &form_; };
    SkinBroadcast().Send = [this](TComponent*, unsigned msg, WPARAM, LPARAM) {
      messages_.push_back(msg);
      states_.push_back({data_.Empty, data_.SkinLoading});
    };
    savedCursors_ = SkinCursorTable();
    SkinCursorTable().LoadCursorFromFile = [](const std::string&) { return std::uintptr_t{0}; };
    SkinCursorTable().SetCursor = [this](int slot, std::uintptr_t) { cursorSlots_.push_back(slot); };
  }
  void TearDown() override {
    SkinBroadcast() = saved_;
    SkinCursorTable() = savedCursors_;
  }
  // A stored skin refused before the load began: the skin loaded from
  // Skin.ini is still in use and the forms heard nothing.
  void ExpectOldSkinKept(const std::string& what) {
    EXPECT_FALSE(data_.Empty) << what;
    EXPECT_FALSE(data_.SkinLoading) << what;
    EXPECT_FALSE(data_.LastLoadError.empty()) << what;
    EXPECT_EQ(data_.skinname, "Stored") << what;
    EXPECT_EQ(data_.SkinControls.size(), 2u) << what;
    EXPECT_EQ(data_.ActivePictures.size(), 2u) << what;
    EXPECT_EQ(data_.Picture.Width(), 160) << what;
    EXPECT_TRUE(messages_.empty()) << what;
  }

  TSkinFolder folder_;
  TComponent form_{nullptr};
  TspSkinData data_{nullptr};
  TspCompressedStoredSkin stored_{nullptr};
  std::vector<unsigned> messages_;
  std::vector<std::pair<bool, bool>> states_;
  std::vector<int> cursorSlots_;
  TspSkinBroadcast saved_;
  TspSkinCursorTable savedCursors_;
};

TEST_F(SkinDataStored, RoundTripMatchesIniLoad) {
  TspSkinData fromIni(nullptr);
  ASSERT_TRUE(fromIni.LoadFromFile(folder_.Path("Skin.ini"))) << fromIni.LastLoadError;
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  ASSERT_FALSE(stored_.IsEmpty());
  messages_.clear();
  states_.clear();
  cursorSlots_.clear();
  ASSERT_TRUE(data_.LoadFromCompressedStoredSkin(&stored_)) << data_.LastLoadError;

  EXPECT_EQ(messages_, (std::vector<unsigned>{SKINMSG_BEFORELOAD, SKINMSG_LOADED, SKINMSG_AFTERLOAD}));
  EXPECT_EQ(states_, (std::vector<std::pair<bool, bool>>{{true, true}, {false, true}, {false, false}}));
  EXPECT_FALSE(data_.Empty);
  EXPECT_EQ(data_.skinname, "Stored");
  EXPECT_EQ(data_.skinauthor, fromIni.skinauthor);
  EXPECT_EQ(data_.PictureName, "frame.bmp");
  EXPECT_EQ(data_.MaskName, "mask.bmp");
  EXPECT_EQ(data_.InactivePictureName, "");  // names are not restored for it
  EXPECT_TRUE(SamePixels(data_.Picture, fromIni.Picture));
  EXPECT_TRUE(SamePixels(data_.Mask, fromIni.Mask));
  EXPECT_TRUE(SamePixels(data_.InactivePicture, fromIni.InactivePicture));
  EXPECT_TRUE(data_.RollUpPicture.Empty());
  ASSERT_EQ(data_.ActivePictures.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i)
    EXPECT_TRUE(SamePixels(*data_.ActivePictures[i], *fromIni.ActivePictures[i])) << i;
  EXPECT_EQ(data_.ActivePictureNames[1], "Photo.BMP");
  EXPECT_EQ(data_.clientrect, fromIni.clientrect);
  EXPECT_EQ(data_.lefttoppoint, fromIni.lefttoppoint);
  EXPECT_EQ(data_.borderwidth, 4);
  EXPECT_EQ(data_.SkinColors.cbtnface, fromIni.SkinColors.cbtnface);
  ASSERT_EQ(data_.SkinAreas.size(), 1u);
  EXPECT_EQ(data_.SkinAreas[0]->AreaName, "top");
  EXPECT_EQ(data_.GetObjectIndex("caption"), 0);
  EXPECT_EQ(data_.SkinControls.size(), fromIni.SkinControls.size());
  auto* button = data_.FindControl<TspDataSkinButtonControl>("button");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->skinrect, (TRect{0, 0, 64, 25}));
  // Cursors stay out of a stored skin.
  EXPECT_EQ(data_.CursorNames.Count(), 0);
  EXPECT_TRUE(cursorSlots_.empty());
}

TEST_F(SkinDataStored, BuildFailureKeepsOldContent) {
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  TMemoryStream before;
  stored_.WriteCompressedData(before);
  std::string text = kStoredSkinIni;
  text.replace(text.find("mask.bmp"), 8, "none.bmp");
  folder_.WriteText("Missing.ini", text);
  EXPECT_THROW(stored_.LoadFromSkinIniFile(folder_.Path("Missing.ini")), EFOpenError);
  folder_.WriteText("NoControls.ini", "[VERSION]\r\na=1\r\n[PICTURES]\r\nb=1\r\n");
  EXPECT_FALSE(stored_.LoadFromSkinIniFile(folder_.Path("NoControls.ini")));
  TMemoryStream after;
  stored_.WriteCompressedData(after);
  EXPECT_EQ(Contents(after), Contents(before));
}

TEST_F(SkinDataStored, VersionDecidesWhichBitmapsAreRead) {
  // Each record holds a picture of its own width to tell them apart.
  const struct {
    std::int32_t version;
    std::vector<int> widths;  // Picture, InactivePicture, Mask, RollUpPicture, RollUpMask; 0 = empty
  } cases[] = {
      {0, {1, 0, 3, 0, 0}}, {1, {1, 0, 3, 4, 5}}, {2, {1, 2, 3, 4, 5}}, {3, {1, 2, 3, 0, 0}}, {-2, {1, 0, 3, 0, 0}},
  };
  for (const auto& c : cases) {
    Bytes packed;
    PutI32(packed, c.version);
    for (int w : c.widths) {
      if (w == 0) continue;
      packed.push_back(0);
      PutBmp(packed, w, 2, 0x10);
    }
    PutI32(packed, 0);
    PutText(packed, kMinimalIni);
    Store(stored_, packed);
    ASSERT_TRUE(data_.LoadFromCompressedStoredSkin(&stored_)) << c.version << data_.LastLoadError;
    TBitmap* pictures[] = {&data_.Picture, &data_.InactivePicture, &data_.Mask, &data_.RollUpPicture,
                           &data_.RollUpMask};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(pictures[i]->Width(), c.widths[std::size_t(i)]) << c.version << " " << i;
    EXPECT_EQ(data_.skinname, "raw");
    EXPECT_EQ(data_.borderwidth, 2);
  }
}

TEST_F(SkinDataStored, NonzeroRecordByteMeansEmpty) {
  Bytes packed;
  PutI32(packed, 0);
  packed.push_back(2);
  packed.push_back(0);
  PutBmp(packed, 6, 6, 1);
  PutI32(packed, 1);
  PutBmp(packed, 9, 4, 2);
  PutText(packed, kMinimalIni);
  Store(stored_, packed);
  ASSERT_TRUE(data_.LoadFromCompressedStoredSkin(&stored_)) << data_.LastLoadError;
  EXPECT_TRUE(data_.Picture.Empty());
  EXPECT_EQ(data_.Mask.Width(), 6);
  ASSERT_EQ(data_.ActivePictures.size(), 1u);
  EXPECT_EQ(data_.ActivePictures[0]->Width(), 9);
}

TEST_F(SkinDataStored, IniWithoutActivePicturesStoresCountZero) {
  folder_.WriteBmp("p.bmp", 4, 4);
  folder_.WriteText("Min.ini", kMinimalIni);
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Min.ini")));
  TMemoryStream packed;
  DecompressSkinStream(packed, stored_.PackedStream);
  const Bytes b = Contents(packed);
  const Bytes bmp = WriteBmp(TSkinFolder::Solid(4, 4));
  // version, picture record, four empty records, count 0, then the ini.
  const std::size_t countAt = 4 + 1 + bmp.size() + 4;
  ASSERT_GT(b.size(), countAt + 4);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(Bytes(b.begin() + 5 + std::ptrdiff_t(bmp.size()), b.begin() + std::ptrdiff_t(countAt)),
            (Bytes{1, 1, 1, 1}));
  EXPECT_EQ(Bytes(b.begin() + std::ptrdiff_t(countAt), b.begin() + std::ptrdiff_t(countAt) + 4), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(std::string(b.begin() + std::ptrdiff_t(countAt) + 4, b.end()), kMinimalIni);
}

// Every malformed, cut-short or incomplete stored skin is refused before
// the load begins, so the skin in use stays.
TEST_F(SkinDataStored, MalformedPackedStreamsFailKeepingTheSkinInUse) {
  const auto head = [](std::int32_t version) {
    Bytes b;
    PutI32(b, version);
    return b;
  };
  std::vector<std::pair<const char*, Bytes>> cases;
  cases.push_back({"version above 3", head(4)});
  cases.push_back({"empty", {}});
  {
    Bytes b = head(0);
    b.push_back(0);
    PutBmp(b, 4, 4, 1);
    b.resize(b.size() - 10);
    cases.push_back({"truncated bitmap", b});
  }
  {
    Bytes b = head(0);
    b.push_back(0);
    const Bytes big = TSkinFolder::RunLengthBmp(30000, 30000);
    b.insert(b.end(), big.begin(), big.end());
    cases.push_back({"picture beyond the pixel limit", b});
  }
  {
    Bytes b = head(0);
    b.push_back(1);
    b.push_back(1);
    PutI32(b, 1000000000);
    PutText(b, kMinimalIni);
    cases.push_back({"active count beyond the data", b});
  }
  {
    Bytes b = head(0);
    b.push_back(1);
    b.push_back(1);
    PutI32(b, 2);
    PutBmp(b, 3, 3, 1);
    PutBmp(b, 3, 3, 1);
    b.resize(b.size() - 20);
    cases.push_back({"last active picture short", b});
  }
  {
    Bytes b = head(0);
    b.push_back(0);
    PutBmp(b, 4, 4, 1);
    b.push_back(1);
    PutI32(b, 0);
    cases.push_back({"ends before the ini", b});
  }
  {
    Bytes b = head(0);
    b.push_back(1);
    b.push_back(1);
    PutI32(b, 0);
    const std::string text = kMinimalIni;
    PutText(b, text.substr(0, text.find("[SKINOBJECTS]")));
    cases.push_back({"ini cut before the description sections", b});
  }
  {
    Bytes b = head(0);
    b.push_back(1);
    b.push_back(1);
    PutI32(b, 0);
    PutText(b, std::string(kMinimalIni) + "[x]\r\nk=" + std::string(TCustomIniFile::kMaxLineBytes, 'v') + "\r\n");
    cases.push_back({"ini line over the limit", b});
  }
  ASSERT_TRUE(data_.LoadFromFile(folder_.Path("Skin.ini"))) << data_.LastLoadError;
  for (const auto& [what, packed] : cases) {
    Store(stored_, packed);
    messages_.clear();
    EXPECT_FALSE(data_.LoadFromCompressedStoredSkin(&stored_)) << what;
    ExpectOldSkinKept(what);
  }
}

TEST_F(SkinDataStored, CorruptOrCutCompressedDataFailsKeepingTheSkinInUse) {
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  const Bytes whole = Contents(stored_.PackedStream);
  const Bytes corrupt[] = {{0x78, 0x20, 0, 0, 0, 1, 3, 0},
                           {0x78, 0x9C, 0xFF, 0xFF},
                           {1, 2, 3},
                           Bytes(whole.begin(), whole.end() - 40),  // cut short: a valid prefix
                           Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2))};
  ASSERT_TRUE(data_.LoadFromFile(folder_.Path("Skin.ini"))) << data_.LastLoadError;
  for (const Bytes& bytes : corrupt) {
    stored_.PackedStream.Clear();
    stored_.PackedStream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    messages_.clear();
    EXPECT_FALSE(data_.LoadFromCompressedStoredSkin(&stored_));
    ExpectOldSkinKept(std::to_string(bytes.size()) + " bytes");
  }
}

// A value that cannot be read only shows part-way: the load ends cleared,
// with nothing of the failed skin left, the version texts included.
TEST_F(SkinDataStored, AValueThatCannotBeReadFailsPartWayAndClearsEverything) {
  Bytes b;
  PutI32(b, 0);
  b.push_back(0);
  PutBmp(b, 4, 4, 1);
  b.push_back(1);
  PutI32(b, 0);
  std::string text = kMinimalIni;
  text += "[SKINAREAS]\r\ncount=1\r\n0=top:1,2\r\n[CURSORS]\r\nstartcursorindex=9\r\n";
  PutText(b, text);
  Store(stored_, b);
  ASSERT_TRUE(data_.LoadFromFile(folder_.Path("Skin.ini"))) << data_.LastLoadError;
  messages_.clear();
  EXPECT_FALSE(data_.LoadFromCompressedStoredSkin(&stored_));
  EXPECT_TRUE(data_.Empty);
  EXPECT_FALSE(data_.SkinLoading);
  EXPECT_TRUE(data_.Picture.Empty());
  EXPECT_TRUE(data_.SkinControls.empty());
  for (const std::string* text : {&data_.skinname, &data_.skinauthor, &data_.authoremail, &data_.authorurl,
                                  &data_.skincomments})
    EXPECT_EQ(*text, "");
  EXPECT_EQ(data_.borderwidth, 0);
  EXPECT_EQ(messages_, (std::vector<unsigned>{SKINMSG_BEFORELOAD, SKINMSG_LOADED, SKINMSG_AFTERLOAD}));
}

TEST_F(SkinDataStored, CompressedFileSavesWholeOrNotAtAll) {
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  const std::string path = folder_.Path("skin.skn");
  stored_.SaveToCompressedFile(path);
  TspCompressedStoredSkin back(nullptr);
  ASSERT_TRUE(back.LoadFromCompressedFile(path));
  EXPECT_EQ(Contents(back.PackedStream), Contents(stored_.PackedStream));

  // A save that fails mid-way leaves the old file.
  std::ifstream in(path, std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TspCompressedStoredSkin other(nullptr);
  folder_.WriteText("Min.ini", kMinimalIni);
  folder_.WriteBmp("p.bmp", 4, 4);
  ASSERT_TRUE(other.LoadFromSkinIniFile(folder_.Path("Min.ini")));
  SafeSaveFaults().DiskSpace = 20;
  EXPECT_THROW(other.SaveToCompressedFile(path), EFCreateError);
  SafeSaveFaults() = TSafeSaveFaults{};
  std::ifstream again(path, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), before);

  // A compressed file name that is a FIFO is refused without blocking.
  ASSERT_EQ(::mkfifo(folder_.Path("fifo.skn").c_str(), 0600), 0);
  EXPECT_THROW(back.LoadFromCompressedFile(folder_.Path("fifo.skn")), EFOpenError);
}

TEST_F(SkinDataStored, EmptyStoredSkinChangesNothing) {
  ASSERT_TRUE(data_.LoadFromFile(folder_.Path("Skin.ini")));
  messages_.clear();
  EXPECT_FALSE(data_.LoadFromCompressedStoredSkin(&stored_));
  EXPECT_FALSE(data_.LoadFromCompressedStoredSkin(nullptr));
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(data_.Empty);
  EXPECT_EQ(data_.skinname, "Stored");
}

TEST_F(SkinDataStored, CompressedFileHeaderIsChecked) {
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  TMemoryStream file;
  stored_.SaveCompressedToStream(file);
  const Bytes good = Contents(file);
  const std::int32_t n = std::int32_t(good.size() - 8);
  const auto with = [&](std::int32_t version, std::int32_t size, std::size_t cut = 0) {
    Bytes b;
    PutI32(b, version);
    PutI32(b, size);
    b.insert(b.end(), good.begin() + 8, good.end() - std::ptrdiff_t(cut));
    return b;
  };
  const struct {
    const char* what;
    Bytes bytes;
    bool stored;
  } cases[] = {
      {"as written", with(2, n), true},
      {"version 3", with(3, n), true},
      {"negative version", with(-1, n), true},
      {"version 4", with(4, n), false},
      {"size 0", with(2, 0), false},
      {"negative size", with(2, -5), false},
      {"size beyond the data", with(2, n, 1), false},
      {"header only", Bytes{2, 0, 0}, false},
  };
  for (const auto& c : cases) {
    TspCompressedStoredSkin other(nullptr);
    TMemoryStream in;
    in.WriteBuffer(c.bytes.data(), std::int64_t(c.bytes.size()));
    EXPECT_EQ(other.LoadCompressedFromStream(in), c.stored) << c.what;
    EXPECT_EQ(other.IsEmpty(), !c.stored) << c.what;
    folder_.WriteBytes("skin.skn", c.bytes);
    TspCompressedStoredSkin fromFile(nullptr);
    EXPECT_EQ(fromFile.LoadFromCompressedFile(folder_.Path("skin.skn")), c.stored) << c.what;
    if (c.stored) {
      EXPECT_EQ(Contents(other.PackedStream), Contents(stored_.PackedStream)) << c.what;
      EXPECT_EQ(Contents(fromFile.PackedStream), Contents(stored_.PackedStream)) << c.what;
    }
  }
  EXPECT_EQ(Bytes(good.begin(), good.begin() + 4), (Bytes{2, 0, 0, 0}));
}

TEST_F(SkinDataStored, ListItemsAreNamedAndSkinPropertyRoundTrips) {
  TspCompressedSkinList list(nullptr);
  TspSkinListItem* first = list.Skins()->Add();
  list.Skins()->Add();
  TspSkinListItem* third = list.Skins()->Add();
  EXPECT_EQ(first->Name, "spSkin0");
  EXPECT_EQ(third->Name, "spSkin2");
  EXPECT_EQ(third->DisplayName(), "spSkin2");
  ASSERT_TRUE(first->StoredSkin->LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  TMemoryStream property;
  first->WriteSkin(property);
  third->ReadSkin(property);
  EXPECT_EQ(Contents(third->StoredSkin->PackedStream), Contents(first->StoredSkin->PackedStream));

  TspCompressedSkinList copy(nullptr);
  copy.SetSkins(list.Skins());
  ASSERT_EQ(copy.Skins()->Count(), 3);
  EXPECT_EQ(copy.Skins()->Items(0)->Name, "spSkin0");
  EXPECT_EQ(Contents(copy.Skins()->Items(0)->StoredSkin->PackedStream),
            Contents(first->StoredSkin->PackedStream));
}

TEST_F(SkinDataStored, CompressedDataPropertyIsTheRawBytes) {
  ASSERT_TRUE(stored_.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
  TMemoryStream property;
  stored_.WriteCompressedData(property);
  EXPECT_EQ(Contents(property), Contents(stored_.PackedStream));
  property.SetPosition(0);
  TspCompressedStoredSkin other(nullptr);
  other.ReadCompressedData(property);
  EXPECT_EQ(Contents(other.PackedStream), Contents(stored_.PackedStream));
}

TEST_F(SkinDataStored, PropertiesLoadAndIndexFollowsTheList) {
  TspCompressedSkinList list(nullptr);
  for (int i = 0; i < 3; ++i) list.Skins()->Add();
  ASSERT_TRUE(list.Skins()->Items(1)->StoredSkin->LoadFromSkinIniFile(folder_.Path("Skin.ini")));

  data_.SetSkinIndex(5);
  EXPECT_EQ(data_.SkinIndex(), 5);  // no list: just kept
  data_.SetSkinIndex(0);
  data_.SetSkinList(&list);  // entry 0 is empty: nothing loads
  EXPECT_TRUE(messages_.empty());
  data_.SetSkinIndex(5);
  EXPECT_EQ(data_.SkinIndex(), 0);
  data_.SetSkinIndex(1);
  EXPECT_EQ(data_.SkinIndex(), 1);
  EXPECT_FALSE(data_.Empty);
  EXPECT_EQ(data_.skinname, "Stored");
  EXPECT_EQ(messages_.size(), 3u);

  {
    TspCompressedStoredSkin stored(nullptr);
    ASSERT_TRUE(stored.LoadFromSkinIniFile(folder_.Path("Skin.ini")));
    messages_.clear();
    data_.SetCompressedStoredSkin(&stored);
    EXPECT_EQ(messages_.size(), 3u);
    EXPECT_EQ(data_.CompressedStoredSkin(), &stored);
  }
  EXPECT_EQ(data_.CompressedStoredSkin(), nullptr);
  EXPECT_EQ(data_.SkinList(), &list);
}

// A component in design mode, as a form designer would hold it.
class TDesignStoredSkin : public TspCompressedStoredSkin {
 public:
  TDesignStoredSkin() : TspCompressedStoredSkin(nullptr) { SetState(ComponentState() | csDesigning); }
  void SetFormLoading() { SetState(ComponentState() | csLoading); }
};

TEST_F(SkinDataStored, FileNamesLoadOnlyWhileDesigning) {
  TspCompressedStoredSkin running(nullptr);
  running.SetFileName(folder_.Path("Skin.ini"));
  EXPECT_EQ(running.FileName(), folder_.Path("Skin.ini"));
  EXPECT_TRUE(running.IsEmpty());

  TDesignStoredSkin designing;
  designing.SetFileName(folder_.Path("Skin.ini"));
  EXPECT_EQ(designing.FileName(), "Skin.ini");
  ASSERT_FALSE(designing.IsEmpty());

  TMemoryStream file;
  designing.SaveCompressedToStream(file);
  folder_.WriteBytes("skin.skn", Contents(file));
  TDesignStoredSkin other;
  other.SetCompressedFileName(folder_.Path("skin.skn"));
  EXPECT_EQ(other.CompressedFileName(), "skin.skn");
  EXPECT_EQ(Contents(other.PackedStream), Contents(designing.PackedStream));

  TDesignStoredSkin loadingForm;
  loadingForm.SetFormLoading();
  loadingForm.SetFileName(folder_.Path("Skin.ini"));
  EXPECT_TRUE(loadingForm.IsEmpty());
}

TEST_F(SkinDataStored, RemovedListIsForgotten) {
  auto list = std::make_unique<TspCompressedSkinList>(nullptr);
  data_.SetSkinList(list.get());
  list.reset();
  EXPECT_EQ(data_.SkinList(), nullptr);
  data_.SetSkinIndex(7);
  EXPECT_EQ(data_.SkinIndex(), 7);
}

}  // namespace

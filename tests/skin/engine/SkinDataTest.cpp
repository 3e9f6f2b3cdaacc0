#include "skin/engine/SkinData.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/user/input/Cursors.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace {

const char* const kSkinIni = R"([VERSION]
skinname=Plain
skinauthor=team
[PICTURES]
picture=frame.bmp
activepicturescount=3
0=button.bmp
1=photo.jpg
2=
[FORMINFO]
clientrect=4,28,156,96
lefttoppoint=40,40
righttoppoint=120,40
leftbottompoint=40,80
rightbottompoint=120,80
borderwidth=4
inactiveeffect=iegrayscale
statusbarname=statusbar
[CURSORS]
startcursorindex=5
cursorscount=3
0=a.cur
1=missing.cur
2=c.cur
[SKINAREAS]
count=3
0=top:1,2,3,4
1=nocolon
2=bottom:5,6,7,8
[SKINOBJECTS]
count=4
0=caption:caption
1=closebutton:stdbutton
2=junk:nosuchkind
3=broken
[caption]
textrect=4,0,140,18
[closebutton]
command=cmclose
[SKINCONTROLS]
count=5
0=button:button
1=stdlabel:stdlabel
2=button:panel
3=statusbar:button
4=slider:slider
[button]
pictureindex=0
skinrect=0,0,64,25
[slider]
pictureindex=7
[SKINCOLORS]
cbtnface=$00F0F0F0
)";

// Records every skin message together with the skin data's state.
struct Recorder {
  struct Entry {
    TComponent* form;
    unsigned msg;
    WPARAM wParam;
    LPARAM lParam;
    bool empty;
    bool loading;
  };
  std::vector<Entry> log;
  std::vector<TComponent*> forms;
  TspSkinData* data = nullptr;
};

class SkinDataLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.WriteBmp("frame.bmp", 160, 100);
    folder_.WriteBmp("button.bmp", 64, 100);
    folder_.WriteJpeg("photo.jpg", 8, 6);
    folder_.WriteCursor("a.cur", 1, 2);
    folder_.WriteCursor("c.cur", 3, 4);
    folder_.WriteText("Skin.ini", kSkinIni);

    owner_ = std::make_unique<TComponent>(nullptr);
    other1_ = std::make_unique<TComponent>(nullptr);
    other2_ = std::make_unique<TComponent>(nullptr);
    rec_.forms = {other1_.get(), owner_.get(), other2_.get()};
    saved_ = SkinBroadcast();
    SkinBroadcast().Forms = [this] { return rec_.forms; };
    SkinBroadcast().IsForm = [this](const TComponent* c) {
      return std::find(rec_.forms.begin(), rec_.forms.end(), c) != rec_.forms.end();
    };
    SkinBroadcast().Send = [this](TComponent* form, unsigned msg, WPARAM w, LPARAM l) {
      rec_.log.push_back({form, msg, w, l, rec_.data->Empty, rec_.data->SkinLoading});
    };
    savedCursors_ = SkinCursorTable();
    SkinCursorTable().SetCursor = [this](int slot, std::uintptr_t h) {
      if (auto it = cursors_.find(slot); it != cursors_.end()) {
        DestroyCursor(reinterpret_cast<HCURSOR>(it->second));
        cursors_.erase(it);
      }
      if (h) cursors_[slot] = h;
    };
    data_ = new TspSkinData(owner_.get());
    rec_.data = data_;
  }
  void TearDown() override {
    owner_.reset();  // frees the skin data
    for (const auto& [slot, h] : cursors_) DestroyCursor(reinterpret_cast<HCURSOR>(h));
    SkinBroadcast() = saved_;
    SkinCursorTable() = savedCursors_;
  }
  std::vector<unsigned> Messages() const {
    std::vector<unsigned> out;
    for (const auto& e : rec_.log) out.push_back(e.msg);
    return out;
  }

  TSkinFolder folder_;
  std::unique_ptr<TComponent> owner_, other1_, other2_;
  Recorder rec_;
  TspSkinBroadcast saved_;
  TspSkinCursorTable savedCursors_;
  std::map<int, std::uintptr_t> cursors_;
  TspSkinData* data_ = nullptr;
};

TEST_F(SkinDataLoad, LoadsSectionsPicturesAndDescriptions) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini"))) << data_->LastLoadError;
  EXPECT_FALSE(data_->Empty);
  EXPECT_FALSE(data_->SkinLoading);
  EXPECT_EQ(data_->skinname, "Plain");
  EXPECT_EQ(data_->Picture.Width(), 160);
  EXPECT_EQ(data_->Picture.Height(), 100);
  ASSERT_EQ(data_->ActivePictures.size(), 3u);
  EXPECT_EQ(data_->ActivePictures[0]->Width(), 64);
  EXPECT_EQ(data_->ActivePictures[1]->Width(), 8);  // decoded as JPEG by its name
  EXPECT_EQ(data_->ActivePictures[1]->Height(), 6);
  EXPECT_TRUE(data_->ActivePictures[2]->Empty());
  EXPECT_EQ(data_->inactiveeffect, ieGrayScale);
  EXPECT_EQ(data_->SkinColors.cbtnface, 0xF0F0F0);
  EXPECT_EQ(data_->SkinColors.cwindow, 0);  // missing colour keys are black
  EXPECT_TRUE(data_->FrameUsable());
}

TEST_F(SkinDataLoad, LookupsAreExactAndTyped) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  // Unknown kinds and entries without a colon are passed over.
  EXPECT_EQ(data_->SkinObjects.size(), 2u);
  ASSERT_EQ(data_->SkinControls.size(), 5u);
  EXPECT_EQ(data_->GetControlIndex("button"), 0);
  EXPECT_EQ(data_->GetControlIndex("Button"), -1);
  EXPECT_EQ(data_->GetControlIndex("nothing"), -1);
  EXPECT_EQ(data_->GetObjectIndex("closebutton"), 1);
  EXPECT_EQ(data_->GetAreaIndex("bottom"), 2);
  EXPECT_EQ(data_->GetAreaIndex(""), 1);  // an area without a colon has no name
  EXPECT_TRUE(data_->SkinAreas[1]->AreaBounds.IsEmpty());
  EXPECT_EQ(data_->SkinAreas[2]->AreaBounds, (TRect{5, 6, 7, 8}));
  // Of two descriptions named "button" the first is found; a wrong class
  // for a name counts as no description.
  ASSERT_NE(data_->FindControl<TspDataSkinButtonControl>("button"), nullptr);
  EXPECT_EQ(data_->FindControl<TspDataSkinButtonControl>("button")->skinrect, (TRect{0, 0, 64, 25}));
  EXPECT_EQ(data_->FindControl<TspDataSkinPanelControl>("statusbar"), nullptr);
  EXPECT_NE(data_->FindObject<TspDataSkinStdButton>("closebutton"), nullptr);
  EXPECT_EQ(data_->FindObject<TspDataSkinCaption>("closebutton"), nullptr);
}

TEST_F(SkinDataLoad, PictureIndexesAreBounded) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_NE(data_->GetActivePicture(0), nullptr);
  EXPECT_EQ(data_->GetActivePicture(2), nullptr);  // listed with an empty name
  EXPECT_EQ(data_->GetActivePicture(data_->FindControl<TspDataSkinSlider>("slider")->pictureindex), nullptr);
  EXPECT_EQ(data_->GetActivePicture(-1), nullptr);
  EXPECT_EQ(data_->GetActivePicture(-7), nullptr);
}

TEST_F(SkinDataLoad, BmpPicturesKeepTheirPixelsRowsFromTheTop) {
  const TDibColor red{0, 0, 0xFF, 0}, blue{0x20, 0, 0, 0};
  folder_.WriteBytes("frame.bmp", ::WriteBmp(TSkinFolder::Halves(160, 100, 1, red, blue)));
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini"))) << data_->LastLoadError;
  TBitmap& p = data_->Picture;
  ASSERT_EQ(p.PixelFormat(), pf24bit);
  const auto* top = static_cast<const std::uint8_t*>(p.ScanLine(0));
  const auto* next = static_cast<const std::uint8_t*>(p.ScanLine(1));
  const auto* bottom = static_cast<const std::uint8_t*>(p.ScanLine(99));
  EXPECT_EQ((std::vector<int>{top[0], top[1], top[2]}), (std::vector<int>{0, 0, 0xFF}));
  EXPECT_EQ((std::vector<int>{next[0], next[1], next[2]}), (std::vector<int>{0x20, 0, 0}));
  EXPECT_EQ((std::vector<int>{bottom[159 * 3], bottom[159 * 3 + 1], bottom[159 * 3 + 2]}),
            (std::vector<int>{0x20, 0, 0}));
  // The list pictures come through the same way.
  const auto* button = static_cast<const std::uint8_t*>(data_->GetActivePicture(0)->ScanLine(50));
  EXPECT_EQ(button[63 * 3], 0x20);
}

TEST_F(SkinDataLoad, PictureFileOverTheFileCapFailsTheLoad) {
  folder_.WriteBmp("frame.bmp", 160, 100);
  std::filesystem::resize_file(folder_.Path("frame.bmp"), std::uintmax_t(kMaxSkinPictureFileBytes) + 1);
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_NE(data_->LastLoadError.find("too large"), std::string::npos) << data_->LastLoadError;
  EXPECT_TRUE(data_->Picture.Empty());
}

TEST_F(SkinDataLoad, SmallFileClaimingMorePixelsThanASkinMayHoldFailsTheLoad) {
  // 24000 x 24000 at one byte each is past the skin's pixel budget.
  static_assert(std::uint64_t{24000} * 24000 > kMaxSkinPictureBytes);
  folder_.WriteBytes("frame.bmp", TSkinFolder::RunLengthBmp(24000, 24000));
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_NE(data_->LastLoadError.find("too large"), std::string::npos) << data_->LastLoadError;
  EXPECT_TRUE(data_->Picture.Empty());
}

TEST_F(SkinDataLoad, CursorsFillSlotsFromStartIndex) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_EQ(data_->startcursorindex, 5);
  EXPECT_TRUE(cursors_.count(5));
  EXPECT_FALSE(cursors_.count(6));  // a file that does not load empties its slot
  EXPECT_TRUE(cursors_.count(7));
  EXPECT_EQ(data_->CursorSlot(2), 7);
  EXPECT_EQ(data_->CursorSlot(-1), 0);
  EXPECT_EQ(data_->CursorSlot(3), 0);
}

TEST_F(SkinDataLoad, StartCursorIndexBelowOneBecomesOne) {
  std::string ini = kSkinIni;
  ini.replace(ini.find("startcursorindex=5"), 18, "startcursorindex=0");
  folder_.WriteText("Skin.ini", ini);
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_EQ(data_->startcursorindex, 1);
  EXPECT_TRUE(cursors_.count(1));
}

TEST_F(SkinDataLoad, MessagesGoToOwnerFirstThenOtherFormsWithArguments) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  ASSERT_EQ(rec_.log.size(), 9u);
  const unsigned order[] = {SKINMSG_BEFORELOAD, SKINMSG_LOADED, SKINMSG_AFTERLOAD};
  for (std::size_t m = 0; m < 3; ++m) {
    const Recorder::Entry* e = &rec_.log[m * 3];
    EXPECT_EQ(e[0].form, owner_.get());
    EXPECT_EQ(e[1].form, other1_.get());
    EXPECT_EQ(e[2].form, other2_.get());
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(e[k].msg, order[m]);
      EXPECT_EQ(e[k].wParam, reinterpret_cast<WPARAM>(data_));
      EXPECT_EQ(e[k].lParam, 1000);
    }
  }
  // 0x4C9: empty and loading; 0x4CA: loaded, still loading; 0x4CB: done.
  EXPECT_TRUE(rec_.log[0].empty && rec_.log[0].loading);
  EXPECT_TRUE(!rec_.log[3].empty && rec_.log[3].loading);
  EXPECT_TRUE(!rec_.log[6].empty && !rec_.log[6].loading);
}

TEST_F(SkinDataLoad, FormFreedDuringBroadcastIsSkipped) {
  SkinBroadcast().Send = [this](TComponent* form, unsigned msg, WPARAM w, LPARAM l) {
    rec_.log.push_back({form, msg, w, l, false, false});
    if (form == owner_.get()) rec_.forms.erase(rec_.forms.begin());  // other1 goes away
  };
  data_->SendSkinDataMessage(SKINMSG_RESSTRCHANGED);
  ASSERT_EQ(rec_.log.size(), 2u);
  EXPECT_EQ(rec_.log[1].form, other2_.get());
}

TEST_F(SkinDataLoad, MissingFileOrSectionChangesNothingAndSendsNothing) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  rec_.log.clear();
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("nothere.ini")));
  for (const char* section : {"[VERSION]", "[PICTURES]", "[FORMINFO]", "[SKINOBJECTS]", "[SKINCONTROLS]"}) {
    std::string ini = kSkinIni;
    ini.replace(ini.find(section), std::string(section).size(), "[RENAMED]");
    folder_.WriteText("partial.ini", ini);
    EXPECT_FALSE(data_->LoadFromFile(folder_.Path("partial.ini"))) << section;
  }
  // A section header with no key does not count.
  folder_.WriteText("emptysection.ini", "[VERSION]\n[PICTURES]\na=1\n[FORMINFO]\na=1\n[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=0\n");
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("emptysection.ini")));
  EXPECT_TRUE(rec_.log.empty());
  EXPECT_FALSE(data_->Empty);
  EXPECT_EQ(data_->skinname, "Plain");
  EXPECT_EQ(data_->SkinControls.size(), 5u);
}

struct BrokenSkin {
  const char* what;
  const char* from;
  const char* to;
};

// An empty component that fails part-way stays empty and tells the forms
// the load ended; one with a skin in use keeps it and tells nobody.
TEST_F(SkinDataLoad, SkinFailingPartWayEndsEmptyAndTellsTheForms) {
  folder_.WriteBytes("bad.bmp", {'B', 'M', 1, 2, 3});
  const BrokenSkin cases[] = {
      {"empty point", "lefttoppoint=40,40", "lefttoppoint="},
      {"missing picture", "picture=frame.bmp", "picture=gone.bmp"},
      {"corrupt picture", "0=button.bmp", "0=bad.bmp"},
      {"uppercase JPG holding JPEG data is read as BMP", "1=photo.jpg", "1=photo.JPG"},
      {"bad area rectangle", "0=top:1,2,3,4", "0=top:1,2"},
      {"bad description rectangle", "textrect=4,0,140,18", "textrect=4,,140,18"},
  };
  for (const BrokenSkin& c : cases) {
    // A skin in use first, the broken one read over it.
    ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
    const std::string name = data_->skinname;
    const std::map<int, std::uintptr_t> cursors = cursors_;
    std::string ini = kSkinIni;
    ini.replace(ini.find(c.from), std::string(c.from).size(), c.to);
    if (std::string(c.what).find("JPG") != std::string::npos) {
      std::filesystem::copy_file(folder_.Path("photo.jpg"), folder_.Path("photo.JPG"),
                                 std::filesystem::copy_options::overwrite_existing);
    }
    folder_.WriteText("broken.ini", ini);
    rec_.log.clear();
    EXPECT_FALSE(data_->LoadFromFile(folder_.Path("broken.ini"))) << c.what;
    EXPECT_FALSE(data_->LastLoadError.empty()) << c.what;
    EXPECT_FALSE(data_->Empty) << c.what;
    EXPECT_FALSE(data_->SkinLoading) << c.what;
    EXPECT_FALSE(data_->Picture.Empty()) << c.what;
    EXPECT_TRUE(data_->FrameUsable()) << c.what;
    EXPECT_FALSE(data_->SkinControls.empty()) << c.what;
    EXPECT_EQ(data_->skinname, name) << c.what;
    EXPECT_EQ(cursors_, cursors) << c.what;
    EXPECT_TRUE(Messages().empty()) << c.what;
    // The same from an empty component.
    delete data_;
    data_ = new TspSkinData(owner_.get());
    rec_.data = data_;
    rec_.log.clear();
    EXPECT_FALSE(data_->LoadFromFile(folder_.Path("broken.ini"))) << c.what;
    EXPECT_FALSE(data_->LastLoadError.empty()) << c.what;
    EXPECT_TRUE(data_->Empty) << c.what;
    EXPECT_FALSE(data_->SkinLoading) << c.what;
    EXPECT_TRUE(data_->SkinControls.empty()) << c.what;
    EXPECT_TRUE(data_->ActivePictures.empty()) << c.what;
    EXPECT_TRUE(data_->Picture.Empty()) << c.what;
    EXPECT_FALSE(data_->FrameUsable()) << c.what;
    // Nothing of the failed skin stays visible, its general texts included.
    EXPECT_EQ(data_->skinname, "") << c.what;
    EXPECT_EQ(data_->skinauthor, "") << c.what;
    EXPECT_EQ(data_->startcursorindex, 1) << c.what;
    const std::vector<unsigned> msgs = Messages();
    ASSERT_EQ(msgs.size(), 9u) << c.what;
    EXPECT_EQ(msgs[0], SKINMSG_BEFORELOAD);
    EXPECT_EQ(msgs[3], SKINMSG_LOADED);
    EXPECT_EQ(msgs[6], SKINMSG_AFTERLOAD);
  }
}

// A skin's names reach only into its own folder: any other name is
// refused the way a missing file is, even when the file exists.
TEST_F(SkinDataLoad, NamesThatLeaveTheSkinFolderAreRefused) {
  // The skin lives one level down; "outside" files sit beside its folder.
  std::filesystem::create_directories(folder_.Path("skin/sub"));
  for (const char* name : {"frame.bmp", "skin/sub/inner.bmp", "outside.bmp"}) folder_.WriteBmp(name, 160, 100);
  folder_.WriteCursor("outside.cur", 1, 1);
  std::filesystem::create_symlink(folder_.Path("outside.bmp"), folder_.Path("skin/link.bmp"));
  const std::string skin = folder_.Path("skin/Skin.ini");
  const auto write = [&](const std::string& picture, const std::string& cursor) {
    std::string ini = kSkinIni;
    ini.replace(ini.find("picture=frame.bmp"), 17, "picture=" + picture);
    ini.replace(ini.find("activepicturescount=3"), 21, "activepicturescount=0");
    ini.replace(ini.find("cursorscount=3"), 14, "cursorscount=1");
    ini.replace(ini.find("0=a.cur"), 7, "0=" + cursor);
    folder_.WriteText("skin/Skin.ini", ini);
  };
  for (const std::string& name :
       {std::string("../outside.bmp"), std::string("..\\outside.bmp"), std::string("sub/../../outside.bmp"),
        std::string("sub\\..\\..\\outside.bmp"), folder_.Path("outside.bmp"), std::string("\\outside.bmp"),
        std::string("C:\\outside.bmp"), std::string("link.bmp")}) {
    write(name, "inner.cur");
    EXPECT_FALSE(data_->LoadFromFile(skin)) << name;
    EXPECT_NE(data_->LastLoadError.find("outside the skin's folder"), std::string::npos) << data_->LastLoadError;
  }
  // Sub-folders are inside, with either slash; a cursor outside leaves
  // its slot to the default cursor and the skin loads.
  std::filesystem::copy_file(folder_.Path("outside.cur"), folder_.Path("skin/sub/inner.cur"));
  int loaded = 0;
  SkinCursorTable().LoadCursorFromFile = [&](const std::string& fileName) {
    ++loaded;
    return reinterpret_cast<std::uintptr_t>(LoadCursorFromFile(fileName));
  };
  for (const char* name : {"sub/inner.bmp", "sub\\inner.bmp"}) {
    write(name, "../outside.cur");
    loaded = 0;
    ASSERT_TRUE(data_->LoadFromFile(skin)) << name << ": " << data_->LastLoadError;
    EXPECT_EQ(data_->Picture.Width(), 160);
    EXPECT_FALSE(cursors_.count(5));
    EXPECT_EQ(loaded, 0);
  }
  write("sub/inner.bmp", "sub\\inner.cur");
  ASSERT_TRUE(data_->LoadFromFile(skin)) << data_->LastLoadError;
  EXPECT_TRUE(cursors_.count(5));
}

// A FIFO, a device or a folder where a file should be is refused at once:
// the load never waits for a writer.
TEST_F(SkinDataLoad, WhatIsNotARegularFileIsRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo(folder_.Path("fifo.bmp").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(folder_.Path("fifo.cur").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(folder_.Path("fifo.ini").c_str(), 0600), 0);
  std::filesystem::create_directories(folder_.Path("folder.bmp"));
  for (const char* picture : {"fifo.bmp", "folder.bmp"}) {
    std::string ini = kSkinIni;
    ini.replace(ini.find("0=button.bmp"), 12, std::string("0=") + picture);
    folder_.WriteText("Skin.ini", ini);
    EXPECT_FALSE(data_->LoadFromFile(folder_.Path("Skin.ini"))) << picture;
    EXPECT_NE(data_->LastLoadError.find(std::string("Cannot open file \"") + folder_.Path(picture)), std::string::npos)
        << data_->LastLoadError;
  }
  std::string ini = kSkinIni;
  ini.replace(ini.find("0=a.cur"), 7, "0=fifo.cur");
  folder_.WriteText("Skin.ini", ini);
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini"))) << data_->LastLoadError;
  EXPECT_FALSE(cursors_.count(5));
  EXPECT_TRUE(cursors_.count(7));
  rec_.log.clear();
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("fifo.ini")));
  EXPECT_TRUE(rec_.log.empty());
  EXPECT_FALSE(data_->Empty);
}

// One budget per load counts every picture and cursor, each time it is
// named, and refuses the one that would pass it before decoding it.
TEST_F(SkinDataLoad, PicturesAndCursorsShareOneBudgetPerLoad) {
  std::string ini = kSkinIni;
  ini.replace(ini.find("activepicturescount=3"), 21, "activepicturescount=2");
  ini.replace(ini.find("1=photo.jpg"), 11, "1=button.bmp");
  folder_.WriteText("Skin.ini", ini);
  std::vector<std::string> decoded;
  SkinCursorTable().LoadCursorFromFile = [&](const std::string& fileName) {
    decoded.push_back(ExtractFileName(fileName));
    return std::uintptr_t{0};
  };
  // The frame (160 x 100), the button twice (64 x 100), all 24-bit; two
  // 16 x 16 cursors as decoded, 32-bit with a byte of mask per pixel (a
  // third is missing).
  const std::uint64_t total = 480 * 100 + 2 * (192 * 100) + 2 * (16 * 64 + 16 * 16);
  data_->PictureBudget = total;
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini"))) << data_->LastLoadError;
  EXPECT_EQ(decoded, (std::vector<std::string>{"a.cur", "c.cur"}));
  data_->PictureBudget = total - 1;
  decoded.clear();
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_NE(data_->LastLoadError.find("too large"), std::string::npos) << data_->LastLoadError;
  EXPECT_EQ(decoded, std::vector<std::string>{"a.cur"});  // the last one was refused undecoded
  data_->PictureBudget = total - 2 * (16 * 64 + 16 * 16) - 1;
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("Skin.ini")));  // the second button passes it

  // A cursor header claiming nine 4000 x 4000 32-bit images (64 MB each,
  // one image named by every entry) is refused at the default budget from
  // a file of a few hundred bytes, never decoded.
  data_->PictureBudget = kMaxSkinPictureBytes;
  constexpr std::size_t kImage = 6 + 9 * 16;
  std::vector<std::uint8_t> cur(kImage + 40, 0);
  cur[2] = 2;
  cur[4] = 9;
  for (std::size_t i = 0; i < 9; ++i) {
    PutU32(&cur[6 + i * 16 + 8], 40);
    PutU32(&cur[6 + i * 16 + 12], kImage);
  }
  PutU32(&cur[kImage], 40);
  PutU32(&cur[kImage + 4], 4000);
  PutU32(&cur[kImage + 8], 8000);
  PutU16(&cur[kImage + 12], 1);
  PutU16(&cur[kImage + 14], 32);
  folder_.WriteBytes("huge.cur", cur);
  ini.replace(ini.find("2=c.cur"), 7, "2=huge.cur");
  folder_.WriteText("Skin.ini", ini);
  decoded.clear();
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_NE(data_->LastLoadError.find("too large"), std::string::npos) << data_->LastLoadError;
  EXPECT_EQ(decoded, std::vector<std::string>{"a.cur"});
}

// A hundred slots naming one cursor file: it is counted and decoded once,
// at its decoded size, and every slot gets that one cursor.
TEST_F(SkinDataLoad, ACursorNamedManyTimesIsDecodedAndCountedOnce) {
  std::string ini = kSkinIni;
  const std::size_t at = ini.find("[CURSORS]");
  ASSERT_NE(at, std::string::npos);
  std::string cursors = "[CURSORS]\nstartcursorindex=5\ncursorscount=100\n";
  for (int i = 0; i < 100; ++i) cursors += std::to_string(i) + "=a.cur\n";
  const std::size_t end = ini.find("\n[", at + 1);
  ini = ini.substr(0, at) + cursors + (end == std::string::npos ? "" : ini.substr(end + 1));
  folder_.WriteText("many.ini", ini);
  std::vector<std::string> decoded;
  std::map<int, std::uintptr_t> slots;
  SkinCursorTable().LoadCursorFromFile = [&](const std::string& fileName) {
    decoded.push_back(ExtractFileName(fileName));
    return std::uintptr_t{0xC0};
  };
  SkinCursorTable().SetCursor = [&](int slot, std::uintptr_t handle) { slots[slot] = handle; };
  // The frame and the button (24-bit), the photo (32-bit), then exactly one
  // decoded cursor.
  const std::uint64_t pictures = 480 * 100 + 192 * 100 + 32 * 6;
  data_->PictureBudget = pictures + 16 * 64 + 16 * 16;
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("many.ini"))) << data_->LastLoadError;
  EXPECT_EQ(decoded, std::vector<std::string>{"a.cur"});
  ASSERT_EQ(slots.size(), 100u);
  for (const auto& [slot, handle] : slots) EXPECT_EQ(handle, std::uintptr_t{0xC0}) << slot;
  // One byte less and the one cursor no longer fits.
  data_->PictureBudget -= 1;
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("many.ini")));
}

TEST_F(SkinDataLoad, OverLongIniTextFailsBeforeTheLoad) {
  std::string ini = kSkinIni;
  ini += "[extra]\nvalue=" + std::string(TCustomIniFile::kMaxLineBytes, 'v') + "\n";
  folder_.WriteText("long.ini", ini);
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  rec_.log.clear();
  EXPECT_FALSE(data_->LoadFromFile(folder_.Path("long.ini")));
  EXPECT_NE(data_->LastLoadError.find("value=vvvv"), std::string::npos) << data_->LastLoadError;
  EXPECT_LT(data_->LastLoadError.size(), 300u);
  EXPECT_TRUE(rec_.log.empty());
  EXPECT_EQ(data_->skinname, "Plain");
}

TEST_F(SkinDataLoad, LoadingTwiceGivesTheSameLists) {
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini")));
  EXPECT_EQ(data_->SkinControls.size(), 5u);
  EXPECT_EQ(data_->SkinObjects.size(), 2u);
  EXPECT_EQ(data_->SkinAreas.size(), 3u);
  EXPECT_EQ(data_->ActivePictures.size(), 3u);
  EXPECT_EQ(data_->CursorNames.Count(), 3);
}

TEST_F(SkinDataLoad, PictureNamesMatchFilesInAnotherCase) {
  std::string ini = kSkinIni;
  ini.replace(ini.find("picture=frame.bmp"), 17, "picture=FRAME.BMP");
  folder_.WriteText("Skin.ini", ini);
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("Skin.ini"))) << data_->LastLoadError;
  EXPECT_EQ(data_->PictureName, "FRAME.BMP");
  EXPECT_EQ(data_->Picture.Width(), 160);
}

TEST_F(SkinDataLoad, HugeCountsAreCappedWithoutHanging) {
  folder_.WriteText("huge.ini",
                    "[VERSION]\nskinname=x\n[PICTURES]\nactivepicturescount=2000000000\n"
                    "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=2000000000\n[SKINCONTROLS]\ncount=2000000000\n"
                    "[SKINAREAS]\ncount=2000000000\n[CURSORS]\ncursorscount=2000000000\nstartcursorindex=2147483647\n");
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("huge.ini"))) << data_->LastLoadError;
  EXPECT_EQ(data_->ActivePictures.size(), std::size_t(kMaxSkinListCount));
  EXPECT_EQ(data_->SkinControls.size(), 0u);
  EXPECT_EQ(data_->SkinAreas.size(), std::size_t(kMaxSkinListCount));
  EXPECT_EQ(data_->startcursorindex, kMaxStartCursorIndex);
  EXPECT_EQ(data_->GetActivePicture(0), nullptr);
}

TEST_F(SkinDataLoad, FormInfoMaskRulesAndCornerPull) {
  folder_.WriteBmp("mask.bmp", 160, 100);
  folder_.WriteText("mask.ini",
                    "[VERSION]\nskinname=m\n[PICTURES]\npicture=frame.bmp\nmask=mask.bmp\n"
                    "[FORMINFO]\nclientrect=10,20,110,120\nlefttoppoint=5,5\nrightbottompoint=150,150\n"
                    "righttoppoint=150,5\nleftbottompoint=5,150\nhittestlefttoppoint=0,15\n"
                    "hittestrighttoppoint=7,8\n[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=0\n");
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("mask.ini"))) << data_->LastLoadError;
  EXPECT_EQ(data_->maskrectarea, (TRect{10, 20, 110, 120}));
  EXPECT_EQ(data_->hittestlefttoppoint, (TPoint{5, 5}));  // taken before the pull
  EXPECT_EQ(data_->hittestrighttoppoint, (TPoint{7, 8}));
  EXPECT_EQ(data_->lefttoppoint, (TPoint{10, 20}));
  EXPECT_EQ(data_->rightbottompoint, (TPoint{110, 120}));
  EXPECT_EQ(data_->righttoppoint, (TPoint{110, 20}));
  EXPECT_EQ(data_->leftbottompoint, (TPoint{10, 120}));
  EXPECT_FALSE(data_->FrameUsable());  // client area reaches past the 100-pixel-high picture
}

TEST_F(SkinDataLoad, CornersNotPulledWhenTheyShareAnAxis) {
  folder_.WriteText("same.ini",
                    "[VERSION]\nskinname=m\n[PICTURES]\na=1\n[FORMINFO]\nclientrect=10,20,110,120\n"
                    "lefttoppoint=0,0\nrightbottompoint=0,50\n[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=0\n");
  ASSERT_TRUE(data_->LoadFromFile(folder_.Path("same.ini")));
  EXPECT_EQ(data_->lefttoppoint, (TPoint{0, 0}));
  EXPECT_EQ(data_->rightbottompoint, (TPoint{0, 50}));
  EXPECT_EQ(data_->bgpictureindex, -1);
  EXPECT_EQ(data_->cursorindex, -1);
  EXPECT_FALSE(data_->FrameUsable());  // no frame picture
}

TEST_F(SkinDataLoad, PropertyMessages) {
  data_->SetSkinnableForm(true);
  EXPECT_TRUE(rec_.log.empty());
  data_->SetSkinnableForm(false);
  EXPECT_EQ(Messages(), std::vector<unsigned>(3, SKINMSG_SKINNABLECHANGED));
  rec_.log.clear();
  auto* strings = new TspResourceStrData(owner_.get());
  data_->SetResourceStrData(strings);
  data_->SetResourceStrData(strings);
  EXPECT_EQ(Messages(), std::vector<unsigned>(6, SKINMSG_RESSTRCHANGED));
  data_->SetSkinIndex(5);
  EXPECT_EQ(data_->SkinIndex(), 5);
}

TEST_F(SkinDataLoad, RemovedResourceStringsAreForgotten) {
  auto strings = std::make_unique<TspResourceStrData>(nullptr);
  data_->SetResourceStrData(strings.get());
  rec_.log.clear();
  strings.reset();
  EXPECT_EQ(data_->ResourceStrData(), nullptr);
  EXPECT_TRUE(rec_.log.empty());
}

TEST(SkinData, FreshComponentState) {
  TspSkinData data(nullptr);
  EXPECT_TRUE(data.Empty);
  EXPECT_FALSE(data.SkinLoading);
  EXPECT_TRUE(data.SkinnableForm());
  EXPECT_EQ(data.startcursorindex, 1);
  EXPECT_EQ(data.bgpictureindex, -1);
  EXPECT_EQ(data.mdibgpictureindex, -1);
  EXPECT_EQ(data.cursorindex, -1);
  EXPECT_EQ(data.SkinColors.cbtnface, 0);
  EXPECT_EQ(data.HintWindow.fontheight, 12);
  EXPECT_EQ(data.GetControlIndex("button"), -1);
}

TEST(SkinData, FixtureSkinUnderTestData) {
  TspSkinData data(nullptr);
  ASSERT_TRUE(data.LoadFromFile(std::string(LUMIQA_TEST_DATA) + "/skins/minimal/Skin.ini")) << data.LastLoadError;
  EXPECT_EQ(data.skinname, "Minimal");
  EXPECT_NE(data.FindControl<TspDataSkinStdLabelControl>("stdlabel"), nullptr);
  EXPECT_EQ(data.FindControl<TspDataSkinStdLabelControl>("stdlabel")->activefontcolor, 0x800000);
  EXPECT_EQ(data.GetControlIndex("edit"), 1);
}

TEST(SkinPicture, JpegIsDrawnIntoADeviceBitmapOfItsSize) {
  TSkinFolder folder;
  const TDibColor white{0xFF, 0xFF, 0xFF, 0}, black{};
  // Rows split on an 8-row block edge, so the halves survive compression.
  const TDibImage img = TSkinFolder::Halves(24, 16, 8, white, black);
  TJpegEncodeOptions grey;
  grey.Grayscale = true;
  folder.WriteBytes("colour.jpg", EncodeJpeg(img));
  folder.WriteBytes("grey.jpg", EncodeJpeg(img, grey));
  for (const char* name : {"colour.jpg", "grey.jpg"}) {
    TBitmap picture;
    LoadSkinPicture(folder.Path(name), true, picture);
    ASSERT_EQ(picture.Width(), 24) << name;
    ASSERT_EQ(picture.Height(), 16) << name;
    EXPECT_EQ(picture.PixelFormat(), pfDevice) << name;
    const auto* top = static_cast<const std::uint8_t*>(picture.ScanLine(0));
    const auto* bottom = static_cast<const std::uint8_t*>(picture.ScanLine(15));
    for (int c = 0; c < 3; ++c) {
      EXPECT_GE(top[23 * 4 + c], 0xF0) << name;
      EXPECT_LE(bottom[c], 0x10) << name;
    }
  }
}

TEST(SkinPicture, PixelLimitIsCheckedBeforeDecoding) {
  TSkinFolder folder;
  folder.WriteBytes("rle.bmp", TSkinFolder::RunLengthBmp(2000, 2000));  // 4,000,000 bytes decoded
  TBitmap bmp;
  EXPECT_THROW(LoadSkinPicture(folder.Path("rle.bmp"), false, bmp, 3999999), EInvalidGraphic);
  EXPECT_TRUE(bmp.Empty());
  LoadSkinPicture(folder.Path("rle.bmp"), false, bmp, 4000000);
  EXPECT_EQ(bmp.Width(), 2000);
  EXPECT_EQ(bmp.PixelFormat(), pf8bit);

  folder.WriteJpeg("photo.jpg", 64, 64);  // 16384 bytes as a device bitmap
  TBitmap jpeg;
  EXPECT_THROW(LoadSkinPicture(folder.Path("photo.jpg"), true, jpeg, 16383), EInvalidGraphic);
  EXPECT_TRUE(jpeg.Empty());
  LoadSkinPicture(folder.Path("photo.jpg"), true, jpeg, 16384);
  EXPECT_EQ(jpeg.Width(), 64);
}

TEST(SkinPicture, MissingOrDamagedFilesRaise) {
  TSkinFolder folder;
  TBitmap picture;
  EXPECT_THROW(LoadSkinPicture(folder.Path("gone.bmp"), false, picture), EFOpenError);
  ASSERT_EQ(::mkfifo(folder.Path("fifo.jpg").c_str(), 0600), 0);
  EXPECT_THROW(LoadSkinPicture(folder.Path("fifo.jpg"), true, picture), EFOpenError);
  folder.WriteBytes("short.bmp", {'B', 'M', 9});
  EXPECT_THROW(LoadSkinPicture(folder.Path("short.bmp"), false, picture), EInvalidGraphic);
  folder.WriteBytes("short.jpg", {0xFF, 0xD8, 0xFF});
  EXPECT_THROW(LoadSkinPicture(folder.Path("short.jpg"), true, picture), EInvalidGraphic);
  EXPECT_TRUE(picture.Empty());
}

}  // namespace

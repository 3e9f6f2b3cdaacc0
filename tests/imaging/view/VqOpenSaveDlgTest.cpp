// The open and save dialogs driven headless: picking, changing the type,
// the default extension following it, the overwrite prompt, refusals,
// cancelling, and what a caller reads afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/coders/giflzw.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "tests/imaging/view/WizardSaveFilter.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace {

// Records what the dialogs ask of their pane.
class TRecordingPane : public TVQPreviewPane {
 public:
  explicit TRecordingPane(std::vector<std::string>& log) : log_(log) {}
  void SetCaptions(TMsgLanguage language) override { log_.push_back("captions " + std::to_string(language)); }
  void SetPreviewCheckVisible(bool v) override { log_.push_back(std::string("check ") + (v ? "shown" : "hidden")); }
  void SetPlayButtonVisible(bool v) override { log_.push_back(std::string("play ") + (v ? "shown" : "hidden")); }
  void SetAdvancedButton(bool visible, const TRect& r, TNotifyEvent onClick) override {
    Advanced = std::move(onClick);
    log_.push_back(std::string("advanced ") + (visible ? "shown" : "hidden") + " at " + std::to_string(r.Left) + "," +
                   std::to_string(r.Top) + " " + std::to_string(r.Width()) + "x" + std::to_string(r.Height()));
  }
  void SetAdvancedEnabled(bool v) override { log_.push_back(std::string("advanced ") + (v ? "on" : "off")); }
  void Place(HWND hook, const TRect& client, const TRect& placeholder, bool previewActive, bool extended) override {
    Hook = hook;
    Client = client;
    Placeholder = placeholder;
    log_.push_back(std::string("place") + (previewActive ? " picture" : "") + (extended ? " info" : ""));
  }
  void Preview(const std::string& fileName) override { log_.push_back("preview " + ExtractFileName(fileName)); }
  void Clear() override { log_.push_back("clear"); }
  void ApplyZoom() override { log_.push_back("zoom"); }
  void SetBorderStyle(TVQDBorderStyle s) override { log_.push_back("border " + std::to_string(s)); }
  TResampleFilter ZoomFilter() const override { return Zoom; }
  void SetZoomFilter(TResampleFilter f) override { Zoom = f; }

  HWND Hook = nullptr;
  TNotifyEvent Advanced;  // what the advanced button's click runs
  TResampleFilter Zoom = rfNone;
  TRect Client{}, Placeholder{};

 private:
  std::vector<std::string>& log_;
};

// A component with save parameters, as the I/O components and views have:
// one "quality" that its save-parameters dialog sets to 95.
class TParamsComponent : public TComponent, public IVQSaveParamsLink {
 public:
  explicit TParamsComponent(std::vector<std::string>& log) : TComponent(nullptr), log_(log) {}
  int Quality = 80;
  bool Empty = false;
  bool HasLanguage = false;
  TMsgLanguage Language = msSystem;

  bool SaveParamsLanguage(TMsgLanguage& language) const override {
    if (HasLanguage) language = Language;
    return HasLanguage;
  }
  bool SaveParamsEmpty() const override { return Empty; }
  struct TBackup : TVQSaveParamsBackup {
    int quality = 0;
  };
  std::unique_ptr<TVQSaveParamsBackup> BackupSaveParams() const override {
    auto b = std::make_unique<TBackup>();
    b->quality = Quality;
    return b;
  }
  void RestoreSaveParams(const TVQSaveParamsBackup& b) override {
    Quality = static_cast<const TBackup&>(b).quality;
    log_.push_back("restore");
  }
  void SaveFormatChanged(int fileType) override { log_.push_back("format " + std::to_string(fileType)); }
  void ShowSaveParams(int fileType, std::uint16_t pages) override {
    log_.push_back("params " + std::to_string(fileType) + " pages " + std::to_string(pages));
    Quality = 95;
  }

 private:
  std::vector<std::string>& log_;
};

class PictoraDialogs : public FormsTest {
 protected:
  std::string dir;
  std::vector<std::string> pane;
  std::vector<std::string> events;

  void SetUp() override {
    StartImagingLibrary();
    // The dialogs' filter indices here are those of a build without the
    // GIF coders.
    DefGifLzwDecompress = nullptr;
    DefGifLzwCompress = nullptr;
    static int counter = 0;
    dir = GetTempPath() + "lumiqa-pictoradlg-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    ASSERT_TRUE(ForceDirectories(dir + "/sub"));
    for (const char* f : {"b.jpg", "c.png", "notes.txt"}) Touch(f);
  }
  void TearDown() override {
    DefGifLzwDecompress = GifLzwDecode;
    DefGifLzwCompress = GifLzwEncode;
    SetFileDialogTestHook(nullptr);
    TSearchRec r;
    if (FindFirst(dir + "/*", 0, r) == 0) {
      do DeleteFile(dir + "/" + r.Name);
      while (FindNext(r) == 0);
      FindClose(r);
    }
    RemoveDir(dir + "/sub");
    RemoveDir(dir);
    EndImagingLibrary();
  }
  void Touch(const std::string& name) { std::ofstream(dir + "/" + name) << "x"; }
  void Drive(std::function<void(TFileDialogDriver&)> fn) { SetFileDialogTestHook(std::move(fn)); }
  TRecordingPane* Record(TOpenPictoraDialog& d) {
    auto p = std::make_unique<TRecordingPane>(pane);
    TRecordingPane* raw = p.get();
    d.SetPreviewPane(std::move(p));
    return raw;
  }
  // Every event with what the dialog reads live at that moment.
  void Watch(TOpenPictoraDialog& d) {
    auto live = [&d] {
      return " " + ExtractFileName(d.FileName()) + " " + std::to_string(d.FilterIndex()) +
             (d.Handle() ? "" : " (no window)");
    };
    d.OnShow = [this, live](TObject*) { events.push_back("show" + live()); };
    d.OnFolderChange = [this, live](TObject*) { events.push_back("folder" + live()); };
    d.OnSelectionChange = [this, live](TObject*) { events.push_back("sel" + live()); };
    d.OnTypeChange = [this, live](TObject*) { events.push_back("type" + live()); };
    d.OnCanClose = [this, live](TObject*, bool&) { events.push_back("canclose" + live()); };
    d.OnClose = [this, live](TObject*) { events.push_back("close" + live()); };
  }
};

TEST_F(PictoraDialogs, OpenPicksAFileWithEventsInOrder) {
  TOpenPictoraDialog d(&app);
  Record(d);
  Watch(d);
  d.SetInitialDir(dir + "/");
  d.MsgLanguage = msGerman;
  std::vector<std::string> list;
  Drive([&](TFileDialogDriver& dr) {
    list = dr.List();
    dr.Select("b.jpg");
    dr.PressOk();
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(list, (std::vector<std::string>{"sub/", "b.jpg", "c.png"}));
  EXPECT_EQ(events, (std::vector<std::string>{"show  1", "folder  1", "sel b.jpg 1", "canclose b.jpg 1",
                                              "close b.jpg 1"}));
  EXPECT_EQ(d.FileName(), dir + "/b.jpg");
  EXPECT_EQ(d.FilterIndex(), 1);
  ASSERT_EQ(d.Files()->Count(), 1);
  EXPECT_EQ(d.Files()->Strings(0), dir + "/b.jpg");
  EXPECT_EQ(d.Handle(), nullptr);
  EXPECT_EQ(pane, (std::vector<std::string>{"captions 3", "check shown", "play shown", "place picture info",
                                            "preview b.jpg", "clear"}));
}

TEST_F(PictoraDialogs, PropertiesThatDoMoreThanStore) {
  TOpenPictoraDialog d(&app);
  Record(d);
  struct Dir {
    const char* set;
    const char* kept;
  };
  for (const Dir& c : {Dir{"/tmp/", "/tmp"}, Dir{"/tmp", "/tmp"}, Dir{"/", "/"}, Dir{"", ""}, Dir{"a//", "a/"}}) {
    d.SetInitialDir(c.set);
    EXPECT_EQ(d.InitialDir(), c.kept) << c.set;
  }
  EXPECT_FALSE(d.ShowAllFrames);
  d.SetAlwaysAnimate(true);
  EXPECT_TRUE(d.ShowAllFrames);
  d.SetAlwaysAnimate(false);
  EXPECT_TRUE(d.ShowAllFrames);
  d.SetPreviewBorderStyle(vqpsCropShadow);
  EXPECT_EQ(d.PreviewBorderStyle(), vqpsCropShadow);

  // Animating always: no play button; the selected frame starts at 0.
  d.SetInitialDir(dir);
  d.SetAlwaysAnimate(true);
  d.ExtendedDialog = false;
  d.SelectedFrame = 4;
  int frameDuringRun = -1;
  d.OnShow = [&](TObject*) { frameDuringRun = d.SelectedFrame; };
  Drive([](TFileDialogDriver& dr) { dr.PressCancel(); });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(frameDuringRun, 0);
  EXPECT_EQ(pane, (std::vector<std::string>{"border 2", "captions 0", "check shown", "play hidden", "place picture",
                                            "clear"}));
}

TEST_F(PictoraDialogs, ChangingTheTypeFiltersTheListAndIsReadAfterwards) {
  TOpenPictoraDialog d(&app);
  Record(d);
  Watch(d);
  d.SetInitialDir(dir);
  std::vector<std::string> list;
  Drive([&](TFileDialogDriver& dr) {
    dr.SetType(3);  // JPEG Bitmap
    dr.SetType(3);
    list = dr.List();
    dr.Select("b.jpg");
    dr.PressOk();
  });
  ASSERT_TRUE(d.Execute());
  EXPECT_EQ(list, (std::vector<std::string>{"sub/", "b.jpg"}));
  EXPECT_EQ(events, (std::vector<std::string>{"show  1", "folder  1", "type  3", "sel b.jpg 3", "canclose b.jpg 3",
                                              "close b.jpg 3"}));
  EXPECT_EQ(d.FilterIndex(), 3);
}

TEST_F(PictoraDialogs, CancelKeepsNameIndexAndFiles) {
  TOpenPictoraDialog d(&app);
  d.SetInitialDir(dir);
  d.SetFileName("keep.png");
  d.SetFilterIndex(2);
  Drive([&](TFileDialogDriver& dr) {
    dr.SetType(3);
    dr.Select("b.jpg");
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.FileName(), "keep.png");
  EXPECT_EQ(d.FilterIndex(), 2);
  EXPECT_EQ(d.Files()->Count(), 0);
}

TEST_F(PictoraDialogs, ARefusalKeepsTheDialogOpenAndTheStoredName) {
  TOpenPictoraDialog d(&app);
  d.SetInitialDir(dir);
  d.SetFileName("before.jpg");
  int refusals = 0;
  d.OnCanClose = [&](TObject*, bool& canClose) {
    ++refusals;
    canClose = false;
  };
  bool stayedOpen = false;
  Drive([&](TFileDialogDriver& dr) {
    dr.Select("b.jpg");
    dr.PressOk();
    stayedOpen = !dr.Closed();
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(refusals, 1);
  EXPECT_EQ(d.FileName(), "before.jpg");

  // Refused once, then accepted.
  d.OnCanClose = [&](TObject*, bool& canClose) { canClose = ++refusals > 2; };
  Drive([&](TFileDialogDriver& dr) {
    dr.Select("c.png");
    dr.PressOk();
    dr.PressOk();
  });
  EXPECT_TRUE(d.Execute());
  EXPECT_EQ(refusals, 3);
  EXPECT_EQ(d.FileName(), dir + "/c.png");
}

TEST_F(PictoraDialogs, SeveralFilesWithMultiSelect) {
  TOpenPictoraDialog d(&app);
  d.SetInitialDir(dir);
  d.Options |= OptionBit(ofAllowMultiSelect);
  Drive([&](TFileDialogDriver& dr) {
    dr.SelectMany({"b.jpg", "c.png"});
    dr.PressOk();
  });
  ASSERT_TRUE(d.Execute());
  ASSERT_EQ(d.Files()->Count(), 2);
  EXPECT_EQ(d.Files()->Strings(0), dir + "/b.jpg");
  EXPECT_EQ(d.Files()->Strings(1), dir + "/c.png");
  EXPECT_EQ(d.FileName(), dir + "/b.jpg");
}

// The wizard's save dialog: its own filter, no pane, no advanced button.
class WizardSave : public PictoraDialogs {
 protected:
  std::unique_ptr<TSavePictoraDialog> d;
  void SetUp() override {
    PictoraDialogs::SetUp();
    d = std::make_unique<TSavePictoraDialog>(&app);
    d->ExOptions = 0;
    d->AutoSetFilter = false;
    d->Filter = kWizardSaveFilter;
    d->MsgLanguage = msUser;
    d->SetInitialDir(dir);
  }
  void TearDown() override {
    d.reset();
    PictoraDialogs::TearDown();
  }
};

TEST_F(WizardSave, TheNameBoxTakesTheExtensionOfTheChosenType) {
  struct Case {
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"photo.jpg", "photo.bmp"}, {"my.photo.jpg", "my.photo.bmp"}, {"sub/photo.jpg", "sub/photo.bmp"},
      {"photo", "photo.bmp"},     {"", ""},                         {"sub/", "sub/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    std::string shown;
    Drive([&](TFileDialogDriver& dr) {
      dr.TypeName(c.typed);
      dr.SetType(2);
      shown = dr.NameText();
      dr.PressCancel();
    });
    d->SetFilterIndex(1);
    EXPECT_FALSE(d->Execute());
    EXPECT_EQ(shown, c.shown);
  }
}

TEST_F(WizardSave, ATypedNameGetsTheDefaultExtensionOfTheType) {
  Record(*d);
  d->SetFileName(dir + "/b.jpg");
  d->SetFilterIndex(0);
  int shownType = 0;
  Drive([&](TFileDialogDriver& dr) {
    shownType = dr.TypeIndex();
    dr.Select("b.jpg");  // no preview: the selection only reaches the event
    dr.SetType(2);
    dr.TypeName("result");
    dr.PressOk();
  });
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(shownType, 1);
  EXPECT_EQ(d->FileName(), dir + "/result.bmp");
  EXPECT_EQ(d->FilterIndex(), 2);
  EXPECT_EQ(pane, (std::vector<std::string>{"advanced hidden at 474,0 75x23", "captions 12", "check hidden",
                                            "advanced on", "play shown", "place info", "advanced on", "clear"}));
}

TEST_F(WizardSave, IndexZeroIsTakenFromTheName) {
  d->SetFileName(dir + "/PHOTO.BMP");
  d->SetFilterIndex(0);
  int shownType = 0, freeRight = -1;
  std::string shownName;
  Drive([&](TFileDialogDriver& dr) {
    shownType = dr.TypeIndex();
    shownName = dr.NameText();
    RECT c{};
    GetClientRect(d->Handle(), &c);
    freeRight = c.Right - d->GetStaticRect().Right;
    dr.PressOk();
  });
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(shownType, 2);
  EXPECT_EQ(shownName, "PHOTO.BMP");
  // No picture panel: the template keeps only a margin right of the controls.
  const TFileDialogTemplate t = PictoraTemplate(kVQTemplateNoPicture);
  EXPECT_EQ(freeRight, t.Width - t.Placeholder.Right);
  EXPECT_LT(freeRight, 20);
  EXPECT_EQ(d->FilterIndex(), 2);
  EXPECT_EQ(d->FileName(), dir + "/PHOTO.BMP");
}

TEST_F(WizardSave, OverwritingAsksFirst) {
  d->Options |= OptionBit(ofOverwritePrompt);
  std::vector<std::string> prompts;
  bool openAfterNo = false;
  Drive([&](TFileDialogDriver& dr) {
    dr.TypeName("b.jpg");
    dr.Answers = {mrNo};
    dr.PressOk();
    openAfterNo = !dr.Closed();
    dr.Answers = {mrYes};
    dr.PressOk();
    prompts = dr.Prompts;
  });
  ASSERT_TRUE(d->Execute());
  EXPECT_TRUE(openAfterNo);
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0], "b.jpg already exists.\nDo you want to replace it?");
  EXPECT_EQ(d->FileName(), dir + "/b.jpg");
}

TEST_F(WizardSave, AWildcardTypeGivesNoExtension) {
  d->Filter = "JPEG|*.jpg|All files|*.*";
  Drive([&](TFileDialogDriver& dr) {
    dr.SetType(2);
    dr.TypeName("notes");
    dr.PressOk();
  });
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), dir + "/notes");
}

TEST_F(WizardSave, CancelCompletesAStoredNameWithoutExtensionOnly) {
  struct Case {
    const char* stored;
    int type;
    const char* after;
  };
  for (const Case& c : {Case{"draft", 1, "draft.jpg"}, Case{"draft", 2, "draft.bmp"}, Case{"a.png", 2, "a.png"},
                        Case{"", 1, ""}, Case{"/tmp/", 1, "/tmp/"}}) {
    SCOPED_TRACE(std::string(c.stored) + " " + std::to_string(c.type));
    d->SetFileName(c.stored);
    d->SetFilterIndex(c.type);
    Drive([](TFileDialogDriver& dr) { dr.PressCancel(); });
    EXPECT_FALSE(d->Execute());
    EXPECT_EQ(d->FileName(), c.after);
  }
}

TEST_F(PictoraDialogs, AdvancedButtonFollowsTheFormatOfTheName) {
  TSavePictoraDialog d(&app);
  Record(d);
  d.SetInitialDir(dir);
  d.SetFileName("x.png");
  Drive([&](TFileDialogDriver& dr) {
    dr.SetType(12);  // PostScript: no parameters page
    dr.SetType(2);   // JPEG
    dr.SetType(5);   // icon: no page
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  std::vector<std::string> advanced;
  for (const std::string& e : pane)
    if (e.rfind("advanced", 0) == 0) advanced.push_back(e);
  EXPECT_EQ(advanced, (std::vector<std::string>{"advanced shown at 474,0 75x23", "advanced on", "advanced off",
                                                "advanced on", "advanced off"}));

  pane.clear();
  d.ShowPlacesBar = false;
  d.ExOptions = SaveDlgBit(sdShowPreview);
  std::vector<std::string> places{"unset"};
  Drive([&](TFileDialogDriver& dr) {
    places = dr.Places();
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_TRUE(places.empty());
  EXPECT_EQ(pane.front(), "advanced hidden at 333,0 75x23");
}

TEST_F(PictoraDialogs, FormatOfTheStoredName) {
  TSavePictoraDialog d(&app);
  struct Case {
    const char* name;
    const char* defaultExt;
    int type, pages;
  };
  for (const Case& c : {Case{"a.TIF", "", 1, 8}, Case{"a", ".png", 8, 128}, Case{"a", "png", 8, 128},
                        Case{"a.wmf", "", 9, 0}, Case{"a.xyz", "jpg", 0, 0}, Case{"", "", 0, 0}}) {
    SCOPED_TRACE(c.name);
    d.SetFileName(c.name);
    d.DefaultExt = c.defaultExt;
    TVQNameFormat f = d.NameFormat();
    EXPECT_EQ(f.FileType, c.type);
    EXPECT_EQ(f.DialogPages, c.pages);
  }
}

TEST_F(PictoraDialogs, ThePaneGetsTheAreaBesideTheStandardControls) {
  TOpenPictoraDialog d(&app);
  TRecordingPane* p = Record(d);
  d.SetInitialDir(dir);
  TRect statics{}, hookClient{};
  std::vector<std::string> outside;
  Drive([&](TFileDialogDriver& dr) {
    statics = d.GetStaticRect();
    RECT c{};
    GetClientRect(d.Handle(), &c);
    hookClient = c;
    TForm* f = dr.Form();
    for (int i = 0; i < f->ControlCount(); ++i) {
      TControl* ctl = f->Controls(i);
      TRect b = ctl->BoundsRect();
      if (ctl->Visible() && (b.Left < statics.Left || b.Top < statics.Top || b.Right > statics.Right ||
                             b.Bottom > statics.Bottom))
        outside.push_back(ctl->Name());
    }
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_TRUE(outside.empty()) << outside.front();
  EXPECT_EQ(p->Placeholder, statics);
  EXPECT_EQ(p->Client, hookClient);
  const TFileDialogTemplate t = PictoraTemplate(kVQTemplate);
  EXPECT_EQ(hookClient.Right - statics.Right, t.Width - t.Placeholder.Right);
  EXPECT_EQ(hookClient.Bottom - statics.Bottom, t.Height - t.Placeholder.Bottom);
  // Room for the picture panel and the information panel.
  EXPECT_GE(hookClient.Right - statics.Right, 145);
  EXPECT_GE(hookClient.Bottom - statics.Bottom, 52);
  EXPECT_EQ(d.GetStaticRect(), TRect{});
}

TEST_F(PictoraDialogs, TheDialogStandsCentredAThirdDownAndAnswersHelp) {
  TOpenPictoraDialog d(&app);
  d.SetInitialDir(dir);
  d.HelpContext = 55;
  RECT wr{};
  Drive([&](TFileDialogDriver& dr) {
    s.display.RunUntilIdle();
    GetWindowRect(dr.Dialog(), &wr);
    SendMessage(app.Handle(), RegisterWindowMessage("commdlg_help"), 0, 0);
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(wr.Left, (GetSystemMetrics(SM_CXSCREEN) - wr.Width()) / 2);
  EXPECT_EQ(wr.Top, (GetSystemMetrics(SM_CYSCREEN) - wr.Height()) / 3);
  EXPECT_EQ(app.LastHelpContext(), 55);
}

TEST_F(PictoraDialogs, SnapshotsShowTheDialogsWithTheirPaneArea) {
  for (bool save : {false, true}) {
    SCOPED_TRACE(save);
    std::unique_ptr<TOpenPictoraDialog> d;
    if (save) {
      auto sd = std::make_unique<TSavePictoraDialog>(&app);
      sd->ExOptions = 0;
      sd->AutoSetFilter = false;
      sd->Filter = "JPEG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp";
      sd->SetFileName(dir + "/b.jpg");
      d = std::move(sd);
    } else {
      d = std::make_unique<TOpenPictoraDialog>(&app);
    }
    d->SetInitialDir(dir);
    int face = 0, area = 0;
    Drive([&](TFileDialogDriver& dr) {
      dr.Select("b.jpg");
      s.display.RunUntilIdle();
      const std::string bmp = ProgramFolder() + (save ? "save_pictora_dialog.bmp" : "open_pictora_dialog.bmp");
      EXPECT_TRUE(s.display.WriteBmp(dr.Dialog(), bmp.c_str())) << bmp;
      // The area the pane will fill is the dialog's plain face.
      RECT wr{};
      GetWindowRect(dr.Dialog(), &wr);
      TRect st = d->GetStaticRect();
      RECT c{};
      GetClientRect(d->Handle(), &c);
      TPoint o = dr.Form()->ClientToScreen(TPoint{0, 0});
      for (int y = 0; y < c.Bottom; ++y)
        for (int x = 0; x < c.Right; ++x) {
          if (x < st.Right && y < st.Bottom) continue;
          ++area;
          face += s.display.PixelAt(dr.Dialog(), o.X - wr.Left + x, o.Y - wr.Top + y) == ClassicRGB(clBtnFace);
        }
      dr.PressCancel();
    });
    EXPECT_FALSE(d->Execute());
    EXPECT_GT(area, 0);
    // The save dialog without a preview keeps the plain face there; the
    // open dialog's pane shows its picture view (white and black squares
    // around the picture) in it.
    if (save)
      EXPECT_EQ(face, area);
    else
      EXPECT_LT(face, area * 9 / 10);
  }
}

}  // namespace

namespace {

TEST_F(PictoraDialogs, TheZoomFilterIsThePanesAndStartsFastLinear) {
  TOpenPictoraDialog d(&app);
  EXPECT_EQ(d.ZoomFilter(), rfFastLinear);
  d.SetZoomFilter(rfLanczos3);
  EXPECT_EQ(d.ZoomFilter(), rfLanczos3);
  // A pane put in place takes the setting over.
  TRecordingPane* p = Record(d);
  EXPECT_EQ(p->Zoom, rfLanczos3);
  for (TResampleFilter f : {rfNone, rfBicubic, rfNearest}) {
    d.SetZoomFilter(f);
    EXPECT_EQ(p->Zoom, f);
    p->Zoom = rfHermite;  // the view changed it: the dialog reads it through
    EXPECT_EQ(d.ZoomFilter(), rfHermite);
  }
  d.SetInitialDir(dir);
  Drive([](TFileDialogDriver& dr) { dr.PressCancel(); });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.ZoomFilter(), rfHermite);
  TSavePictoraDialog s(&app);
  EXPECT_EQ(s.ZoomFilter(), rfFastLinear);
}

TEST_F(PictoraDialogs, AttachedPictoraIOTakesOnlyComponentsWithSaveParameters) {
  TSavePictoraDialog d(&app);
  std::vector<std::string> log;
  auto plain = std::make_unique<TComponent>(nullptr);
  d.SetAttachedPictoraIO(plain.get());
  EXPECT_EQ(d.AttachedPictoraIO(), nullptr);

  auto io = std::make_unique<TParamsComponent>(log);
  io->HasLanguage = true;
  io->Language = msGerman;
  d.SetAttachedPictoraIO(io.get());
  EXPECT_EQ(d.AttachedPictoraIO(), io.get());
  EXPECT_EQ(d.MsgLanguage, msGerman);
  for (TComponent* refused : {static_cast<TComponent*>(nullptr), plain.get()}) {
    d.SetAttachedPictoraIO(refused);
    EXPECT_EQ(d.AttachedPictoraIO(), io.get());
  }

  // A component without a language of its own (a view) leaves the dialog's.
  auto view = std::make_unique<TParamsComponent>(log);
  d.MsgLanguage = msItalian;
  d.SetAttachedPictoraIO(view.get());
  EXPECT_EQ(d.AttachedPictoraIO(), view.get());
  EXPECT_EQ(d.MsgLanguage, msItalian);
  io.reset();  // no longer attached: nothing changes
  EXPECT_EQ(d.AttachedPictoraIO(), view.get());
  view.reset();
  EXPECT_EQ(d.AttachedPictoraIO(), nullptr);
  EXPECT_TRUE(log.empty());
}

TEST_F(PictoraDialogs, TheAdvancedButtonEditsTheAttachedParametersUntilCancelled) {
  for (bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "confirmed" : "cancelled");
    std::vector<std::string> log;
    TParamsComponent io(log);
    TSavePictoraDialog d(&app);
    TRecordingPane* p = Record(d);
    d.SetInitialDir(dir);
    d.SetFileName("x.png");
    d.SetAttachedPictoraIO(&io);
    int during = 0;
    Drive([&](TFileDialogDriver& dr) {
      ASSERT_TRUE(p->Advanced);
      p->Advanced(nullptr);  // PNG: its page
      dr.SetType(5);         // icon: no page, so a click does nothing
      p->Advanced(nullptr);
      dr.SetType(2);  // JPEG
      p->Advanced(nullptr);
      during = io.Quality;
      if (confirm) {
        dr.TypeName("out");
        dr.PressOk();
      } else {
        dr.PressCancel();
      }
    });
    EXPECT_EQ(d.Execute(), confirm);
    EXPECT_EQ(during, 95);
    EXPECT_EQ(io.Quality, confirm ? 95 : 80);
    std::vector<std::string> expected = {"format 8", "params 8 pages 128", "format 6", "format 3", "params 3 pages 4"};
    if (!confirm) expected.push_back("restore");
    EXPECT_EQ(log, expected);
  }
}

TEST_F(PictoraDialogs, ASourceWithoutImagesOrFreedWhileOpen) {
  std::vector<std::string> log;
  auto io = std::make_unique<TParamsComponent>(log);
  io->Empty = true;
  TSavePictoraDialog d(&app);
  Record(d);
  d.SetInitialDir(dir);
  d.SetAttachedPictoraIO(io.get());
  int runs = 0;
  Drive([&](TFileDialogDriver& dr) {
    ++runs;
    io.reset();  // the component goes while the dialog is open
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(pane.empty());
  EXPECT_TRUE(log.empty());

  io->Empty = false;
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(d.AttachedPictoraIO(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"format 0"}));  // nothing restored into a freed component
}

TEST_F(WizardSave, TheOldStyleOptionTakesTheDefaultExtensionFromTheName) {
  struct Case {
    bool oldStyle;
    const char* defaultExt;
    const char* stored;
    const char* saved;
  };
  const Case cases[] = {
      {false, "", "photo.bmp", "result.jpg"},  // the chosen pair's
      {true, "", "photo.bmp", "result.bmp"},   // the stored name's
      {true, "png", "photo.bmp", "result.png"},
      {true, "", "photo", "result.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stored) + (c.oldStyle ? " old style" : "") + " " + c.defaultExt);
    d->Options = OptionBit(ofHideReadOnly) | (c.oldStyle ? OptionBit(ofOldStyleDialog) : 0);
    d->DefaultExt = c.defaultExt;
    d->SetFileName(dir + "/" + c.stored);
    d->SetFilterIndex(1);
    Drive([&](TFileDialogDriver& dr) {
      dr.TypeName("result");
      dr.PressOk();
    });
    ASSERT_TRUE(d->Execute());
    EXPECT_EQ(d->FileName(), dir + "/" + c.saved);
  }
}

}  // namespace

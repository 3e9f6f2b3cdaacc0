// The file dialog's places bar: where its entries come from, what a click
// does, and the switch that hides it.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/platform/ui/dialogs/FileDialogTestFixture.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/ui/dialogs/FileDialogComponents.h"
#include "platform/ui/controls/StdCtrls.h"

namespace {

using namespace filedialogtest;

class FileDialogPlacesTest : public FileDialogFixture {
 protected:
  std::string home;

  void SetUp() override {
    FileDialogFixture::SetUp();
    home = dir + "/home";
    ASSERT_TRUE(ForceDirectories(home + "/Desktop"));
    ASSERT_TRUE(ForceDirectories(home + "/Pictures"));
    ASSERT_TRUE(ForceDirectories(home + "/Bilder"));
    ASSERT_TRUE(ForceDirectories(home + "/.config"));
    ASSERT_TRUE(ForceDirectories(dir + "/docs"));
    ASSERT_TRUE(ForceDirectories(dir + "/conf"));
  }
  void WriteUserDirs(const std::string& folder, const std::string& text) {
    std::ofstream(folder + "/user-dirs.dirs") << text;
  }
};

TEST_F(FileDialogPlacesTest, PlacesComeFromTheUserDirsFileOrTheHomeFolder) {
  const std::string userDirs =
      "# written by xdg-user-dirs-update\n"
      "XDG_DESKTOP_DIR=\"$HOME/\"\n"
      "XDG_DOCUMENTS_DIR=\"" + dir + "/docs\"\n"
      "  XDG_PICTURES_DIR = \"$HOME/Bilder\"  \n"
      "XDG_MUSIC_DIR=\"$HOME/Music\"\n";
  struct TCase {
    const char* what;
    std::string file;    // folder the user-dirs file goes in ("" for none)
    std::string text;
    std::string homeArg;
    std::string configArg;
    std::vector<TFileDialogPlace> places;
  };
  const TFileDialogPlace root{"File System", "/"};
  const TCase cases[] = {
      {"no file: the folders below home that exist", "", "", home, "",
       {{"Home", home}, {"Desktop", home + "/Desktop"}, {"Pictures", home + "/Pictures"}, root}},
      {"the file in home/.config", home + "/.config", userDirs, home, "",
       {{"Home", home}, {"Documents", dir + "/docs"}, {"Pictures", home + "/Bilder"}, root}},
      {"the file in XDG_CONFIG_HOME", dir + "/conf", userDirs, home + "/", dir + "/conf",
       {{"Home", home}, {"Documents", dir + "/docs"}, {"Pictures", home + "/Bilder"}, root}},
      {"a missing or odd entry", home + "/.config",
       "XDG_PICTURES_DIR=\"$HOME/Gone\"\nXDG_DOCUMENTS_DIR=relative/docs\n", home, "",
       {{"Home", home}, {"Desktop", home + "/Desktop"}, root}},
      {"the last line wins", home + "/.config",
       "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_PICTURES_DIR=\"$HOME/Pictures\"\n", home, "",
       {{"Home", home}, {"Desktop", home + "/Desktop"}, {"Pictures", home + "/Pictures"}, root}},
      {"no home", "", "", "", "", {root}},
      {"a home that is not there", "", "", dir + "/nobody", "", {root}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFile(home + "/.config/user-dirs.dirs");
    DeleteFile(dir + "/conf/user-dirs.dirs");
    if (!c.file.empty()) WriteUserDirs(c.file, c.text);
    EXPECT_EQ(FileDialogPlaces(c.homeArg, c.configArg), c.places);
  }
}

TEST_F(FileDialogPlacesTest, APlaceButtonGoesToItsFolder) {
  WriteUserDirs(dir + "/conf", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  std::ofstream(home + "/Bilder/holiday.jpg") << "x";
  TScopedEnv envHome("HOME", home);
  TScopedEnv envConfig("XDG_CONFIG_HOME", dir + "/conf");
  Hook();
  std::vector<std::string> places;
  std::string afterClick, afterPress;
  std::vector<std::string> listAfterClick;
  bool upAtRoot = true, upAtHome = false;
  Drive([&](TFileDialogDriver& d) {
    places = d.Places();
    // A real click on the Pictures button.
    TWinControl* bar = dynamic_cast<TWinControl*>(d.Form()->FindComponent("PlacesBar"));
    ASSERT_NE(bar, nullptr);
    TControl* pictures = nullptr;
    for (int i = 0; i < bar->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TButton*>(bar->Controls(i)); b && b->Caption() == "Pictures") pictures = b;
    ASSERT_NE(pictures, nullptr);
    TPoint p = pictures->ClientToScreen(TPoint{pictures->Width() / 2, pictures->Height() / 2});
    s.display.Click(p.X, p.Y);
    app.ProcessMessages();
    afterClick = d.Folder();
    listAfterClick = d.List();
    d.PressPlace("File System");
    afterPress = d.Folder();
    upAtRoot = dynamic_cast<TControl*>(d.Form()->FindComponent("UpButton"))->Enabled();
    d.PressPlace("Home");
    upAtHome = dynamic_cast<TControl*>(d.Form()->FindComponent("UpButton"))->Enabled();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(places, (std::vector<std::string>{"Home", "Desktop", "Pictures", "File System"}));
  EXPECT_EQ(afterClick, home + "/Bilder");
  EXPECT_EQ(listAfterClick, (std::vector<std::string>{"holiday.jpg"}));
  EXPECT_EQ(afterPress, "/");
  EXPECT_FALSE(upAtRoot);  // nothing above the root
  EXPECT_TRUE(upAtHome);
  EXPECT_EQ(log.folders, (std::vector<std::string>{dir, home + "/Bilder", "/", home}));
}

TEST_F(FileDialogPlacesTest, TheSwitchHidesTheBarAndGivesItsRoomBack) {
  TScopedEnv envHome("HOME", home);
  struct TCase {
    DWORD flagsEx;
    bool shown;
  };
  int nameLeft[2] = {0, 0};
  for (TCase c : {TCase{0, true}, TCase{OFN_EX_NOPLACESBAR, false}}) {
    SCOPED_TRACE(c.flagsEx);
    ofn.FlagsEx = c.flagsEx;
    std::vector<std::string> places;
    bool barExists = false;
    Drive([&](TFileDialogDriver& d) {
      places = d.Places();
      barExists = d.Form()->FindComponent("PlacesBar") != nullptr;
      nameLeft[c.shown] = dynamic_cast<TControl*>(d.Form()->FindComponent("NameBox"))->Left();
    });
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_EQ(barExists, c.shown);
    EXPECT_EQ(places.empty(), !c.shown);
  }
  EXPECT_EQ(nameLeft[1] - nameLeft[0], kFileDlgPlacesWidth);
}

TEST_F(FileDialogPlacesTest, TheComponentPassesTheSwitch) {
  TScopedEnv envHome("HOME", home);
  for (bool hide : {false, true}) {
    SCOPED_TRACE(hide);
    TOpenDialog dialog(&app);
    dialog.InitialDir = dir;
    if (hide) dialog.OptionsEx = ExOptionBit(ofExNoPlacesBar);
    std::vector<std::string> places;
    SetFileDialogTestHook([&](TFileDialogDriver& d) { places = d.Places(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(places.empty(), hide);
  }
}

}  // namespace

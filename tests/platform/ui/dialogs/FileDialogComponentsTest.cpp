#include "platform/ui/dialogs/FileDialogComponents.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/rtl/FileUtils.h"

namespace {

class FileDialogComponentsTest : public FormsTest {
 protected:
  std::string dir;

  void SetUp() override {
    static int counter = 0;
    dir = GetTempPath() + "lumiqa-filedialogc-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    ASSERT_TRUE(ForceDirectories(dir + "/sub"));
    for (const char* f : {"one.jpg", "two.jpg", "three.png"}) std::ofstream(dir + "/" + f) << "x";
  }
  void TearDown() override {
    SetFileDialogTestHook(nullptr);
    for (const char* f : {"one.jpg", "two.jpg", "three.png"}) DeleteFile(dir + "/" + f);
    RemoveDir(dir + "/sub");
    RemoveDir(dir);
  }
};

TEST_F(FileDialogComponentsTest, EventsRunInOrderAndCanCloseRefuses) {
  TSaveDialog dialog(&app);
  dialog.Filter = "JPEG|*.jpg|All files|*.*";
  dialog.DefaultExt = "jpg";
  dialog.InitialDir = dir;
  std::vector<std::string> events;
  int refusals = 1;
  dialog.OnShow = [&](TObject*) { events.push_back("show"); };
  dialog.OnFolderChange = [&](TObject*) { events.push_back("folder"); };
  dialog.OnSelectionChange = [&](TObject*) { events.push_back("sel"); };
  dialog.OnTypeChange = [&](TObject*) { events.push_back("type " + std::to_string(dialog.FilterIndex)); };
  dialog.OnCanClose = [&](TObject*, bool& canClose) {
    events.push_back("canclose " + ExtractFileName(dialog.FileName));
    canClose = refusals-- <= 0;
  };
  dialog.OnClose = [&](TObject*) { events.push_back("close"); };
  std::vector<std::string> list;
  SetFileDialogTestHook([&](TFileDialogDriver& d) {
    list = d.List();
    d.SetType(2);
    d.TypeName("result");
    d.PressOk();
    d.PressOk();
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(list, (std::vector<std::string>{"sub/", "one.jpg", "two.jpg"}));
  EXPECT_EQ(events, (std::vector<std::string>{"show", "folder", "type 2", "canclose result.jpg", "canclose result.jpg",
                                              "close"}));
  EXPECT_EQ(dialog.FileName, dir + "/result.jpg");
  EXPECT_EQ(dialog.FilterIndex, 2);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST_F(FileDialogComponentsTest, FilesHoldEveryChosenPath) {
  TOpenDialog dialog(&app);
  dialog.Filter = "JPEG|*.jpg";
  dialog.InitialDir = dir;
  dialog.Options |= OptionBit(ofAllowMultiSelect) | OptionBit(ofFileMustExist);
  SetFileDialogTestHook([](TFileDialogDriver& d) {
    d.Select("one.jpg");
    d.AddToSelection("two.jpg");
    d.PressOk();
  });
  ASSERT_TRUE(dialog.Execute());
  ASSERT_EQ(dialog.Files()->Count(), 2);
  EXPECT_EQ(dialog.Files()->Strings(0), dir + "/one.jpg");
  EXPECT_EQ(dialog.Files()->Strings(1), dir + "/two.jpg");
  EXPECT_EQ(dialog.FileName, dir + "/one.jpg");
}

TEST_F(FileDialogComponentsTest, CancelLeavesTheFileNameAlone) {
  TOpenDialog dialog(&app);
  dialog.FileName = dir + "/one.jpg";
  std::string shownName;
  SetFileDialogTestHook([&](TFileDialogDriver& d) {
    shownName = d.NameText();
    d.PressCancel();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(shownName, "one.jpg");
  EXPECT_EQ(dialog.FileName, dir + "/one.jpg");
}

}  // namespace

// What the file dialog's name box takes: quoted names, folders to go to and
// patterns to filter by.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tests/platform/ui/dialogs/FileDialogTestFixture.h"
#include "platform/ui/dialogs/FileDialog.h"

namespace {

using namespace filedialogtest;

class FileDialogNamesTest : public FileDialogFixture {};

TEST(FileDialogNames, SplitsQuotedNames) {
  struct TCase {
    const char* text;
    std::vector<std::string> names;
  };
  const TCase cases[] = {
      {"", {}},
      {"   ", {}},
      {"  photo one.jpg ", {"photo one.jpg"}},
      {"\"a.jpg\" \"b c.jpg\"", {"a.jpg", "b c.jpg"}},
      {"\"a.jpg\"\"b.jpg\"", {"a.jpg", "b.jpg"}},
      {" \"only.jpg\" ", {"only.jpg"}},
      {"\"a.jpg\" loose.png \"b.jpg\"", {"a.jpg", "loose.png", "b.jpg"}},
      {"\"\" \"a.jpg\"", {"a.jpg"}},
      {"\"open end.jpg", {"open end.jpg"}},
      {"\"/abs/中文.jpg\" \"rel/x\"", {"/abs/中文.jpg", "rel/x"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitFileNames(c.text), c.names);
  }
}

TEST_F(FileDialogNamesTest, QuotedNamesResolveEachWithTheDefaultExtensionAndChecks) {
  ASSERT_TRUE(ForceDirectories(dir + "/zeta"));
  std::ofstream(dir + "/zeta/z.png") << "x";
  struct TCase {
    DWORD flags;
    std::string typed;
    std::vector<std::string> paths;  // empty: the dialog stays open
    std::string prompt;              // what the one error message names, if any
  };
  const std::string multi = "\"b\" \"A.JPG\" \"new\"";
  const TCase cases[] = {
      {OFN_ALLOWMULTISELECT, multi, {dir + "/b.jpg", dir + "/A.JPG", dir + "/new.jpg"}, ""},
      {OFN_ALLOWMULTISELECT, "\"zeta/z.png\" \"" + dir + "/zeta/y\"", {dir + "/zeta/z.png", dir + "/zeta/y.jpg"}, ""},
      {OFN_ALLOWMULTISELECT, "\"" + dir + "/zeta/z.png\" \"c.png\"", {dir + "/zeta/z.png", dir + "/c.png"}, ""},
      {OFN_ALLOWMULTISELECT, "\"../" + ExtractFileName(dir) + "/b.jpg\" \"c.png\"", {dir + "/b.jpg", dir + "/c.png"}, ""},
      {OFN_ALLOWMULTISELECT, "\"b.jpg\"", {dir + "/b.jpg"}, ""},
      {OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, "\"b\" \"missing\" \"c.png\"", {}, "missing.jpg"},
      {OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, "\"b\" \"c.png\"", {dir + "/b.jpg", dir + "/c.png"}, ""},
      {OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST, "\"b\" \"nowhere/x\"", {}, dir + "/nowhere"},
      {OFN_ALLOWMULTISELECT, "\"b.jpg\" \"zeta\"", {}, "zeta"},
      {OFN_ALLOWMULTISELECT, "\"b.jpg\" \"*.png\"", {}, "*.png"},
      {0, "\"b.jpg\"", {dir + "/b.jpg"}, ""},
      {0, "\"photo one\"", {dir + "/photo one.jpg"}, ""},
      {0, "\"b.jpg\" \"c.png\"", {}, "\"b.jpg\" \"c.png\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    ofn.Flags = c.flags;
    ofn.lpstrDefExt = "jpg";
    buffer[0] = '\0';
    std::vector<std::string> prompts;
    bool closed = false;
    Drive([&](TFileDialogDriver& d) {
      d.TypeName(c.typed);
      d.PressOk();
      closed = d.Closed();
      prompts = d.Prompts;
    });
    EXPECT_EQ(bool(GetOpenFileName(&ofn)), !c.paths.empty());
    EXPECT_EQ(closed, !c.paths.empty());
    if (c.paths.empty()) {
      ASSERT_EQ(prompts.size(), 1u);
      EXPECT_EQ(prompts[0].substr(0, c.prompt.size() + 1), c.prompt + "\n");
    } else {
      EXPECT_TRUE(prompts.empty());
      EXPECT_EQ(ResultPaths(ofn), c.paths);
    }
  }
}

TEST_F(FileDialogNamesTest, SeveralNamesAreWrittenBelowTheFolderHoldingThemAll) {
  ofn.Flags = OFN_ALLOWMULTISELECT;
  Drive([&](TFileDialogDriver& d) {
    d.TypeName("\"zeta/one.jpg\" \"b.jpg\"");
    d.PressOk();
  });
  ASSERT_TRUE(GetSaveFileName(&ofn));
  std::string expected = dir + std::string("\0zeta/one.jpg\0b.jpg\0\0", 22);
  EXPECT_EQ(std::string(buffer, expected.size()), expected);
  EXPECT_EQ(ofn.nFileOffset, dir.size() + 1);
  EXPECT_EQ(ofn.nFileExtension, 0);
}

TEST_F(FileDialogNamesTest, TypedFoldersAreEnteredAndNotifiedInOrder) {
  std::string home = dir + "/zeta";
  ASSERT_TRUE(ForceDirectories(home + "/pics"));
  TScopedEnv env("HOME", home);
  struct TCase {
    std::string typed;
    std::string folder;
  };
  const TCase cases[] = {
      {"Alpha", dir + "/Alpha"},
      {"Alpha/", dir + "/Alpha"},
      {"a.b", dir + "/a.b"},  // a folder's dot is no extension
      {"./zeta/../Alpha", dir + "/Alpha"},
      {"..", ExtractFileDir(dir)},
      {dir + "/zeta/pics", dir + "/zeta/pics"},
      {"\"Alpha\"", dir + "/Alpha"},
      {"~", home},
      {"~/pics", home + "/pics"},
      {"/", "/"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    ofn.Flags = 0;
    ofn.lpstrDefExt = "jpg";
    Hook();
    log = THookLog();
    std::vector<UINT> events;
    std::string folder, name;
    bool closed = true;
    Drive([&](TFileDialogDriver& d) {
      log.events.clear();
      log.folders.clear();
      log.specsAtFolderChange.clear();
      d.TypeName(c.typed);
      d.PressOk();
      events = log.events;
      folder = d.Folder();
      name = d.NameText();
      closed = d.Closed();
    });
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_FALSE(closed);
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(name, "");
    EXPECT_EQ(events, (std::vector<UINT>{CDN_FOLDERCHANGE, CDN_SELCHANGE}));
    // By the notice the folder has changed and the name box is cleared.
    EXPECT_EQ(log.folders, (std::vector<std::string>{c.folder}));
    EXPECT_EQ(log.specsAtFolderChange, (std::vector<std::string>{""}));
  }
}

TEST_F(FileDialogNamesTest, APatternFiltersTheListInsteadOfConfirming) {
  std::ofstream(dir + "/zeta/z.jpg") << "x";
  std::ofstream(dir + "/zeta/z.png") << "x";
  struct TCase {
    std::string typed;
    std::string folder;
    std::vector<std::string> list;
    std::string nameAfter;
  };
  const TCase cases[] = {
      {"*.png", dir, {"a.b/", "Alpha/", "zeta/", "c.png"}, "*.png"},
      {"*.PNG;*.txt", dir, {"a.b/", "Alpha/", "zeta/", "c.png", "notes.txt"}, "*.PNG;*.txt"},
      {"?.jpg", dir, {"a.b/", "Alpha/", "zeta/", "A.JPG", "b.jpg"}, "?.jpg"},
      {"\"*.png\"", dir, {"a.b/", "Alpha/", "zeta/", "c.png"}, "*.png"},
      {"zeta/*.png", dir + "/zeta", {"z.png"}, "*.png"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    Hook();
    std::vector<std::string> list;
    std::string folder, name;
    bool closed = true;
    Drive([&](TFileDialogDriver& d) {
      d.TypeName(c.typed);
      d.PressOk();
      list = d.List();
      folder = d.Folder();
      name = d.NameText();
      closed = d.Closed();
    });
    log = THookLog();
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_FALSE(closed);
    EXPECT_EQ(list, c.list);
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(name, c.nameAfter);
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), CDN_FILEOK), 0);
  }
}

TEST_F(FileDialogNamesTest, FilteringAwayTheSelectedFileIsASelectionChange) {
  Hook();
  ofn.nFilterIndex = 2;
  std::vector<UINT> keptEvents, lostEvents;
  std::vector<std::string> keptSelection, lostSelection;
  Drive([&](TFileDialogDriver& d) {
    d.Select("c.png");
    log.events.clear();
    d.TypeName("*.png");
    d.PressOk();
    keptEvents = log.events;
    keptSelection = d.Selection();
    d.TypeName("*.jpg");
    d.PressOk();
    lostEvents = log.events;
    lostSelection = d.Selection();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(keptSelection, (std::vector<std::string>{"c.png"}));
  EXPECT_EQ(keptEvents, (std::vector<UINT>{}));
  EXPECT_EQ(lostSelection, (std::vector<std::string>{}));
  EXPECT_EQ(lostEvents, (std::vector<UINT>{CDN_SELCHANGE}));
}

}  // namespace

// The file dialog's list view, driven with the mouse and keyboard.
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <fstream>

#include "FileDialogTestFixture.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/ListView.h"

namespace {

using namespace filedialogtest;

class FileDialogListTest : public FileDialogFixture {
 protected:
  static TListView* ListOf(TFileDialogDriver& d) { return dynamic_cast<TListView*>(d.Form()->FindComponent("FileList")); }
  // Clicks the row of an item (with a modifier key held when given), far
  // enough in time from the last click not to make a double click.
  void ClickItem(TFileDialogDriver& d, const std::string& name, int modifier = 0, bool twice = false) {
    TListView* lv = ListOf(d);
    int i = 0;
    while (i < lv->Items()->Count() && lv->Items()->Item(i)->Caption() != name) ++i;
    ASSERT_LT(i, lv->Items()->Count()) << name;
    TRect r = lv->Items()->Item(i)->DisplayRect(drLabel);
    TPoint p = lv->ClientToScreen(TPoint{r.Left + 3, r.Top + 3});
    s.display.AdvanceTime(1000);
    if (modifier) s.display.KeyDown(modifier);
    s.display.Click(p.X, p.Y);
    if (twice) s.display.Click(p.X, p.Y);
    if (modifier) s.display.KeyUp(modifier);
    app.ProcessMessages();
  }
  size_t Count(UINT code) const { return size_t(std::count(log.events.begin(), log.events.end(), code)); }
};

TEST_F(FileDialogListTest, ReportShowsFoldersFirstWithSizeTypeAndDate) {
  ASSERT_TRUE(CreateDir(dir + "/.cache"));
  std::ofstream(dir + "/big.jpg") << std::string(2049, 'x');
  // Noon UTC mid-month: the same day in every time zone.
  utimbuf times{1592222400, 1592222400};  // 2020-06-15 12:00 UTC
  ASSERT_EQ(utime((dir + "/big.jpg").c_str(), &times), 0);
  struct TCase {
    DWORD flags;
    std::vector<std::string> list;
  };
  const TCase cases[] = {
      {0, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "b.jpg", "big.jpg", "中文 照片.jpg"}},
      {OFN_FORCESHOWHIDDEN,
       {".cache/", "a.b/", "Alpha/", "zeta/", "-dash.jpg", ".hidden.jpg", "A.JPG", "b.jpg", "big.jpg", "中文 照片.jpg"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.flags);
    ofn.Flags = c.flags;
    std::vector<std::string> list, captions, columns;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> images;
    TViewStyle style = vsIcon;
    Drive([&](TFileDialogDriver& d) {
      list = d.List();
      TListView* lv = ListOf(d);
      style = lv->ViewStyle();
      for (int i = 0; i < lv->Columns()->Count(); ++i) columns.push_back(lv->Columns()->Items(i)->Caption());
      for (int i = 0; i < lv->Items()->Count(); ++i) {
        TListItem* it = lv->Items()->Item(i);
        captions.push_back(it->Caption());
        images.push_back(it->ImageIndex());
        std::vector<std::string> row{it->Caption()};
        for (int k = 0; k < it->SubItems()->Count(); ++k) row.push_back(it->SubItems()->Strings(k));
        rows.push_back(row);
      }
    });
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_EQ(list, c.list);
    EXPECT_EQ(style, vsReport);
    EXPECT_EQ(columns, (std::vector<std::string>{"Name", "Size", "Type", "Date modified"}));
    // The list view shows exactly what the driver lists, folders by their icon.
    ASSERT_EQ(captions.size(), c.list.size());
    for (size_t i = 0; i < c.list.size(); ++i) {
      bool folder = c.list[i].back() == '/';
      EXPECT_EQ(captions[i], folder ? c.list[i].substr(0, c.list[i].size() - 1) : c.list[i]);
      EXPECT_EQ(images[i] == 0, folder) << captions[i];
    }
    auto row = [&](const std::string& name) {
      for (const auto& r : rows)
        if (r[0] == name) return r;
      return std::vector<std::string>{};
    };
    ASSERT_EQ(row("zeta").size(), 4u);
    EXPECT_EQ(row("zeta")[1], "");
    EXPECT_EQ(row("zeta")[2], "Folder");
    std::vector<std::string> big = row("big.jpg");
    ASSERT_EQ(big.size(), 4u);
    EXPECT_EQ(big[1], "3 KB");
    EXPECT_EQ(big[2], "JPG file");
    EXPECT_EQ(big[3].substr(0, 11), "2020-06-15 ");
    EXPECT_EQ(big[3].size(), 16u);
    EXPECT_EQ(row("b.jpg")[1], "1 KB");
  }
}

TEST_F(FileDialogListTest, CtrlAndShiftClicksSelectSeveralFilesAsQuotedNames) {
  ofn.Flags = OFN_ALLOWMULTISELECT;
  Hook();
  std::vector<std::string> names;
  std::vector<size_t> notices;
  Drive([&](TFileDialogDriver& d) {
    log.events.clear();
    ClickItem(d, "b.jpg");
    names.push_back(d.NameText());
    notices.push_back(Count(CDN_SELCHANGE));
    ClickItem(d, "-dash.jpg", VK_CONTROL);
    names.push_back(d.NameText());
    notices.push_back(Count(CDN_SELCHANGE));
    ClickItem(d, "zeta", VK_CONTROL);  // a folder joins the selection, not the names
    names.push_back(d.NameText());
    notices.push_back(Count(CDN_SELCHANGE));
    ClickItem(d, "zeta", VK_CONTROL);
    ClickItem(d, "b.jpg", VK_CONTROL);  // Ctrl-click again takes it out
    names.push_back(d.NameText());
    ClickItem(d, "A.JPG", VK_SHIFT);  // from the last Ctrl-clicked item
    names.push_back(d.NameText());
    notices.push_back(Count(CDN_SELCHANGE));
    d.PressOk();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(names, (std::vector<std::string>{"b.jpg", "\"-dash.jpg\" \"b.jpg\"", "\"-dash.jpg\" \"b.jpg\"", "-dash.jpg",
                                             "\"A.JPG\" \"b.jpg\""}));
  // One notice per click, however many items each click changed.
  EXPECT_EQ(notices, (std::vector<size_t>{1, 2, 3, 6}));
  EXPECT_EQ(ResultPaths(ofn), (std::vector<std::string>{dir + "/A.JPG", dir + "/b.jpg"}));
}

TEST_F(FileDialogListTest, WithoutMultiSelectACtrlClickStillSelectsOne) {
  std::vector<std::string> selection;
  std::string name;
  Drive([&](TFileDialogDriver& d) {
    ClickItem(d, "b.jpg");
    ClickItem(d, "A.JPG", VK_CONTROL);
    selection = d.Selection();
    name = d.NameText();
    d.PressOk();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(selection, (std::vector<std::string>{"A.JPG"}));
  EXPECT_EQ(name, "A.JPG");
  EXPECT_EQ(std::string(buffer), dir + "/A.JPG");
}

TEST_F(FileDialogListTest, ClicksAndKeysNotifyOncePerSelectionChange) {
  Hook();
  ofn.nFilterIndex = 2;
  std::vector<size_t> notices;
  std::vector<std::string> names, selectionAfterEmptyClick;
  Drive([&](TFileDialogDriver& d) {
    log.events.clear();
    ClickItem(d, "b.jpg");
    ClickItem(d, "b.jpg");  // the same item again: no change
    notices.push_back(Count(CDN_SELCHANGE));
    ClickItem(d, "c.png");
    notices.push_back(Count(CDN_SELCHANGE));
    names.push_back(d.NameText());
    s.display.KeyPress(VK_DOWN);
    app.ProcessMessages();
    notices.push_back(Count(CDN_SELCHANGE));
    names.push_back(d.NameText());
    s.display.KeyPress(VK_HOME);  // a folder: the name box keeps its name
    app.ProcessMessages();
    notices.push_back(Count(CDN_SELCHANGE));
    names.push_back(d.NameText());
    // Below the last row: nothing selected, which is a change too.
    TListView* lv = ListOf(d);
    TPoint p = lv->ClientToScreen(TPoint{20, lv->ClientHeight() - 3});
    s.display.AdvanceTime(1000);
    s.display.Click(p.X, p.Y);
    app.ProcessMessages();
    notices.push_back(Count(CDN_SELCHANGE));
    selectionAfterEmptyClick = d.Selection();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(notices, (std::vector<size_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(names, (std::vector<std::string>{"c.png", "notes.txt", "notes.txt"}));
  EXPECT_TRUE(selectionAfterEmptyClick.empty());
  // The hook's file path is the selected item, a folder too; with none
  // selected, the name box in the folder.
  EXPECT_EQ(log.pathsAtSelChange, (std::vector<std::string>{dir + "/b.jpg", dir + "/c.png", dir + "/notes.txt",
                                                             dir + "/a.b", dir + "/notes.txt"}));
}

TEST_F(FileDialogListTest, DoubleClickOrEnterOnAFolderEntersIt) {
  std::ofstream(dir + "/zeta/inside.jpg") << "x";
  Hook();
  std::string afterDouble, afterEnter, afterFileEnter;
  bool closedBeforeFile = true;
  std::vector<std::string> listInZeta;
  Drive([&](TFileDialogDriver& d) {
    ClickItem(d, "zeta", 0, true);
    afterDouble = d.Folder();
    listInZeta = d.List();
    d.Up();
    ClickItem(d, "Alpha");
    s.display.KeyPress(VK_RETURN);
    app.ProcessMessages();
    afterEnter = d.Folder();
    closedBeforeFile = d.Closed();
    d.Up();
    ClickItem(d, "b.jpg");
    s.display.KeyPress(VK_RETURN);
    app.ProcessMessages();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(afterDouble, dir + "/zeta");
  EXPECT_EQ(listInZeta, (std::vector<std::string>{"inside.jpg"}));
  EXPECT_EQ(afterEnter, dir + "/Alpha");
  EXPECT_FALSE(closedBeforeFile);
  EXPECT_EQ(std::string(buffer), dir + "/b.jpg");
  EXPECT_EQ(log.folders, (std::vector<std::string>{dir, dir + "/zeta", dir, dir + "/Alpha", dir}));
}

}  // namespace

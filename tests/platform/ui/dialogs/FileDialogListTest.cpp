// The file dialog's list view, driven with the mouse and keyboard.
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <fstream>

#include "tests/platform/ui/dialogs/FileDialogTestFixture.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/ui/lists/ListView.h"

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
  // A file of a size, modified at a time (seconds).
  void WriteFile(const std::string& name, size_t size, long time) {
    std::ofstream(dir + "/" + name) << std::string(size, 'x');
    SetTime(name, time);
  }
  void SetTime(const std::string& name, long time) {
    utimbuf times{time, time};
    ASSERT_EQ(utime((dir + "/" + name).c_str(), &times), 0) << name;
  }
  // Distinct sizes and times, none in the order of the names; folders
  // last, as adding to a folder touches its time.
  void SortableFiles() {
    const long day = 86400, base = 1600000000;
    WriteFile("-dash.jpg", 1, base + 6 * day);
    WriteFile("A.JPG", 10, base + 5 * day);
    WriteFile("c.png", 5000, base + 4 * day);
    WriteFile("中文 照片.jpg", 2000, base + 3 * day);
    WriteFile("b.jpg", 3000, base + 2 * day);
    WriteFile("notes.txt", 4000, base + 1 * day);
    SetTime("a.b", base + 3 * day);
    SetTime("Alpha", base + 2 * day);
    SetTime("zeta", base + 1 * day);
  }
  // Clicks a column's header with the mouse.
  void ClickHeader(TFileDialogDriver& d, int column) {
    TListView* lv = ListOf(d);
    int x = 0;
    for (int i = 0; i < column; ++i) x += lv->Columns()->Items(i)->Width();
    TPoint p = lv->ClientToScreen(TPoint{x + 5, lv->HeaderRect().Top + 3});
    s.display.AdvanceTime(1000);
    s.display.Click(p.X, p.Y);
    app.ProcessMessages();
  }
  // The list view's captions, folders marked as the driver marks them, so
  // they compare with List(): the two must stay in step.
  static std::vector<std::string> Shown(TFileDialogDriver& d) {
    TListView* lv = ListOf(d);
    std::vector<std::string> names;
    for (int i = 0; i < lv->Items()->Count(); ++i) {
      TListItem* it = lv->Items()->Item(i);
      names.push_back(it->Caption() + (it->ImageIndex() == 0 ? "/" : ""));
    }
    return names;
  }
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

TEST_F(FileDialogListTest, ColumnClicksSortFoldersFirstAndAgainReverse) {
  SortableFiles();
  ofn.nFilterIndex = 2;  // all files
  using TList = std::vector<std::string>;
  struct TStep {
    int column;
    TList list;
  };
  const TStep steps[] = {
      {1, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "中文 照片.jpg", "b.jpg", "notes.txt", "c.png"}},
      {1, {"zeta/", "Alpha/", "a.b/", "c.png", "notes.txt", "b.jpg", "中文 照片.jpg", "A.JPG", "-dash.jpg"}},
      {2, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "b.jpg", "中文 照片.jpg", "c.png", "notes.txt"}},
      {3, {"zeta/", "Alpha/", "a.b/", "notes.txt", "b.jpg", "中文 照片.jpg", "c.png", "A.JPG", "-dash.jpg"}},
      {3, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "c.png", "中文 照片.jpg", "b.jpg", "notes.txt"}},
      {0, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "b.jpg", "c.png", "notes.txt", "中文 照片.jpg"}},
      {0, {"zeta/", "Alpha/", "a.b/", "中文 照片.jpg", "notes.txt", "c.png", "b.jpg", "A.JPG", "-dash.jpg"}},
      {2, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "b.jpg", "中文 照片.jpg", "c.png", "notes.txt"}},
      {2, {"zeta/", "Alpha/", "a.b/", "notes.txt", "c.png", "中文 照片.jpg", "b.jpg", "A.JPG", "-dash.jpg"}},
  };
  std::vector<TList> lists, shown;
  TList first, byMouse;
  std::string sizeOfC;
  Drive([&](TFileDialogDriver& d) {
    first = d.List();
    for (const TStep& st : steps) {
      d.ClickColumn(st.column);
      lists.push_back(d.List());
      shown.push_back(Shown(d));
    }
    // The row's other columns travel with it.
    TListView* lv = ListOf(d);
    for (int i = 0; i < lv->Items()->Count(); ++i)
      if (lv->Items()->Item(i)->Caption() == "c.png") sizeOfC = lv->Items()->Item(i)->SubItems()->Strings(0);
    // The mouse on the Size header sorts as the driver does.
    ClickHeader(d, 1);
    byMouse = d.List();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(first, steps[5].list);  // by name until a header is clicked
  ASSERT_EQ(lists.size(), std::size(steps));
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(lists[i], steps[i].list) << "step " << i;
    EXPECT_EQ(shown[i], steps[i].list) << "step " << i;
  }
  EXPECT_EQ(sizeOfC, "5 KB");
  EXPECT_EQ(byMouse, steps[0].list);
}

TEST_F(FileDialogListTest, SortingKeepsTheSelectionAndSendsNoSelectionNotice) {
  SortableFiles();
  ofn.nFilterIndex = 2;
  ofn.Flags = OFN_ALLOWMULTISELECT;
  Hook();
  std::vector<std::string> before, after, afterType;
  std::string focused, nameBefore, nameAfter, nameAfterClick;
  size_t noticesAfterSort = 99, noticesAfterType = 99, typeNotices = 0, noticesAfterClick = 0;
  Drive([&](TFileDialogDriver& d) {
    ClickItem(d, "c.png");
    ClickItem(d, "中文 照片.jpg", VK_CONTROL);
    before = d.Selection();
    nameBefore = d.NameText();
    log.events.clear();
    ClickHeader(d, 1);  // by size: the two swap places
    app.ProcessMessages();
    noticesAfterSort = Count(CDN_SELCHANGE);
    after = d.Selection();
    focused = ListOf(d)->ItemFocused() ? ListOf(d)->ItemFocused()->Caption() : "";
    nameAfter = d.NameText();
    // Listing again keeps the same selection: still nothing to notify.
    d.SetType(2);
    noticesAfterType = Count(CDN_SELCHANGE);
    typeNotices = Count(CDN_TYPECHANGE);
    afterType = d.Selection();
    // A real change afterwards is one notice, its names in the new order.
    ClickItem(d, "b.jpg", VK_CONTROL);
    noticesAfterClick = Count(CDN_SELCHANGE);
    nameAfterClick = d.NameText();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(before, (std::vector<std::string>{"c.png", "中文 照片.jpg"}));
  EXPECT_EQ(noticesAfterSort, 0u);
  EXPECT_EQ(after, (std::vector<std::string>{"中文 照片.jpg", "c.png"}));
  EXPECT_EQ(focused, "中文 照片.jpg");
  EXPECT_EQ(nameAfter, nameBefore);
  EXPECT_EQ(noticesAfterType, 0u);
  EXPECT_EQ(typeNotices, 1u);
  EXPECT_EQ(afterType, after);
  EXPECT_EQ(noticesAfterClick, 1u);
  EXPECT_EQ(nameAfterClick, "\"中文 照片.jpg\" \"b.jpg\" \"c.png\"");
}

TEST_F(FileDialogListTest, SortIsKeptAcrossNavigationAndTypeChanges) {
  SortableFiles();
  std::ofstream(dir + "/zeta/small.jpg") << std::string(5, 'x');
  std::ofstream(dir + "/zeta/large.jpg") << std::string(900, 'x');
  std::ofstream(dir + "/zeta/medium.png") << std::string(300, 'x');
  ASSERT_TRUE(CreateDir(dir + "/zeta/inner"));
  ASSERT_TRUE(CreateDir(dir + "/zeta/Outer"));
  ofn.nFilterIndex = 2;
  std::vector<std::string> inZeta, backUp, jpegOnly;
  Drive([&](TFileDialogDriver& d) {
    d.ClickColumn(1);
    d.ClickColumn(1);  // by size, largest first
    d.DoubleClick("zeta/");
    inZeta = d.List();
    d.Up();
    backUp = d.List();
    d.SetType(1);
    jpegOnly = d.List();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(inZeta, (std::vector<std::string>{"Outer/", "inner/", "large.jpg", "medium.png", "small.jpg"}));
  EXPECT_EQ(backUp, (std::vector<std::string>{"zeta/", "Alpha/", "a.b/", "c.png", "notes.txt", "b.jpg", "中文 照片.jpg",
                                              "A.JPG", "-dash.jpg"}));
  EXPECT_EQ(jpegOnly,
            (std::vector<std::string>{"zeta/", "Alpha/", "a.b/", "b.jpg", "中文 照片.jpg", "A.JPG", "-dash.jpg"}));
}

}  // namespace

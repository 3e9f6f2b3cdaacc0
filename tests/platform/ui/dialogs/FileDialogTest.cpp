#include "platform/ui/dialogs/FileDialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "tests/platform/ui/dialogs/FileDialogTestFixture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/edits/Edit.h"
#include "platform/user/User.h"

namespace {

using namespace filedialogtest;

UINT_PTR ThrowingHook(HWND, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_NOTIFY && reinterpret_cast<OFNOTIFY*>(lp)->hdr.code == CDN_INITDONE) throw Exception("hook failed");
  return 0;
}

class FileDialogTest : public FileDialogFixture {};

TEST_F(FileDialogTest, ListsFoldersFirstThenMatchingFilesIgnoringCase) {
  struct TCase {
    DWORD flags;
    int type;
    std::vector<std::string> list;
  };
  const TCase cases[] = {
      {0, 1, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "b.jpg", "中文 照片.jpg"}},
      {OFN_FORCESHOWHIDDEN, 1, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", ".hidden.jpg", "A.JPG", "b.jpg", "中文 照片.jpg"}},
      {0, 2, {"a.b/", "Alpha/", "zeta/", "-dash.jpg", "A.JPG", "b.jpg", "c.png", "notes.txt", "中文 照片.jpg"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.type);
    ofn.Flags = c.flags;
    ofn.nFilterIndex = DWORD(c.type);
    std::vector<std::string> seen;
    Drive([&](TFileDialogDriver& d) { seen = d.List(); });
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_EQ(seen, c.list);
  }
}

TEST_F(FileDialogTest, TypeListChangesTheListAndAWildcardNameFiltersIt) {
  std::vector<std::string> afterType, afterWildcard;
  int index = 0;
  Drive([&](TFileDialogDriver& d) {
    d.SetType(2);
    afterType = d.List();
    index = d.TypeIndex();
    d.TypeName("*.png");
    d.PressOk();
    afterWildcard = d.List();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(afterType.size(), 9u);
  EXPECT_EQ(afterWildcard, (std::vector<std::string>{"a.b/", "Alpha/", "zeta/", "c.png"}));
}

TEST_F(FileDialogTest, HookGetsItsNotificationsInOrder) {
  ofn.Flags = OFN_ENABLEHOOK;
  ofn.lpfnHook = RecordingHook;
  std::vector<UINT> beforeShow;
  Drive([&](TFileDialogDriver& d) {
    beforeShow = log.events;
    d.Select("b.jpg");
    d.SetType(2);
    d.DoubleClick("zeta/");
    d.TypeName("new.jpg");
    d.PressOk();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(log.initParam, reinterpret_cast<LPARAM>(&ofn));
  EXPECT_EQ(beforeShow, (std::vector<UINT>{WM_INITDIALOG, CDN_INITDONE, CDN_FOLDERCHANGE}));
  EXPECT_EQ(log.events, (std::vector<UINT>{WM_INITDIALOG, CDN_INITDONE, CDN_FOLDERCHANGE, CDN_SELCHANGE, CDN_TYPECHANGE,
                                           CDN_SELCHANGE, CDN_FOLDERCHANGE, CDN_SELCHANGE, CDN_FILEOK, WM_DESTROY}));
  EXPECT_EQ(std::string(buffer), dir + "/zeta/new.jpg");
  EXPECT_EQ(ofn.nFilterIndex, 2u);
  EXPECT_EQ(log.pathAtFileOk, dir + "/zeta/new.jpg");
  EXPECT_EQ(log.specAtFileOk, "new.jpg");
  EXPECT_EQ(log.folderAtFileOk, dir + "/zeta");
  EXPECT_FALSE(IsWindow(log.hookWindow));
}

TEST_F(FileDialogTest, HookRefusesOkAndTheDialogStaysOpen) {
  ofn.Flags = OFN_ENABLEHOOK;
  ofn.lpfnHook = RecordingHook;
  log.refusals = 1;
  bool closedAfterRefusal = true;
  std::string nameAfterRefusal;
  Drive([&](TFileDialogDriver& d) {
    d.Select("b.jpg");
    d.PressOk();
    closedAfterRefusal = d.Closed();
    nameAfterRefusal = d.NameText();
    d.PressOk();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_FALSE(closedAfterRefusal);
  EXPECT_EQ(nameAfterRefusal, "b.jpg");
  EXPECT_EQ(std::count(log.events.begin(), log.events.end(), CDN_FILEOK), 2);
  EXPECT_EQ(std::string(buffer), dir + "/b.jpg");
  EXPECT_EQ(ofn.nFileOffset, dir.size() + 1);
  EXPECT_EQ(ofn.nFileExtension, dir.size() + 3);
}

TEST_F(FileDialogTest, AppendsTheDefaultExtensionWhenTheNameHasNone) {
  struct TCase {
    const char* defExt;
    const char* typed;
    std::string result;
    bool different;
  };
  const TCase cases[] = {
      {"jpg", "photo", "/photo.jpg", false},      {".jpg", "photo", "/photo.jpg", false},
      {"jpg", "photo.png", "/photo.png", true},   {"JPG", "photo.jpg", "/photo.jpg", false},
      {"*.jpg", "photo", "/photo", false},        {"jpg", "a.b/photo", "/a.b/photo.jpg", false},
      {"jpg", "-lead 空格", "/-lead 空格.jpg", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    ofn.lpstrDefExt = c.defExt;
    ofn.Flags = 0;
    buffer[0] = '\0';
    Drive([&](TFileDialogDriver& d) {
      d.TypeName(c.typed);
      d.PressOk();
    });
    ASSERT_TRUE(GetSaveFileName(&ofn));
    EXPECT_EQ(std::string(buffer), dir + c.result);
    EXPECT_EQ((ofn.Flags & OFN_EXTENSIONDIFFERENT) != 0, c.different);
  }
}

TEST_F(FileDialogTest, AsksBeforeOverwritingAnExistingFile) {
  struct TCase {
    DWORD flags;
    const char* name;
    std::vector<int> answers;
    size_t prompts;
    bool closedAfterFirst;
  };
  const TCase cases[] = {
      {OFN_OVERWRITEPROMPT, "b.jpg", {mrNo, mrYes}, 2, false},
      {OFN_OVERWRITEPROMPT, "b.jpg", {mrYes}, 1, true},
      {OFN_OVERWRITEPROMPT, "fresh.jpg", {}, 0, true},
      {0, "b.jpg", {}, 0, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    ofn.Flags = c.flags;
    size_t prompts = 0;
    bool closed = false;
    Drive([&](TFileDialogDriver& d) {
      d.Answers.assign(c.answers.begin(), c.answers.end());
      d.TypeName(c.name);
      d.PressOk();
      closed = d.Closed();
      if (!closed) d.PressOk();
      prompts = d.Prompts.size();
    });
    ASSERT_TRUE(GetSaveFileName(&ofn));
    EXPECT_EQ(prompts, c.prompts);
    EXPECT_EQ(closed, c.closedAfterFirst);
    EXPECT_EQ(std::string(buffer), dir + "/" + c.name);
  }
}

TEST_F(FileDialogTest, MustExistAndCreatePromptKeepTheDialogOpen) {
  struct TCase {
    DWORD flags;
    const char* typed;
    int answer;
    bool closed;
    size_t prompts;
  };
  const TCase cases[] = {
      {OFN_FILEMUSTEXIST, "missing.jpg", mrNo, false, 1},
      {OFN_FILEMUSTEXIST, "b.jpg", mrNo, true, 0},
      {OFN_PATHMUSTEXIST, "nowhere/x.jpg", mrNo, false, 1},
      {OFN_PATHMUSTEXIST, "missing.jpg", mrNo, true, 0},
      {OFN_CREATEPROMPT, "missing.jpg", mrNo, false, 1},
      {OFN_CREATEPROMPT, "missing.jpg", mrYes, true, 1},
      {OFN_FILEMUSTEXIST | OFN_NOVALIDATE, "missing.jpg", mrNo, true, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    ofn.Flags = c.flags;
    bool closed = false;
    size_t prompts = 0;
    Drive([&](TFileDialogDriver& d) {
      d.Answers.push_back(c.answer);
      d.TypeName(c.typed);
      d.PressOk();
      closed = d.Closed();
      prompts = d.Prompts.size();
    });
    EXPECT_EQ(bool(GetOpenFileName(&ofn)), c.closed);
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(prompts, c.prompts);
  }
}

TEST_F(FileDialogTest, MultiSelectionGivesTheFolderThenTheNames) {
  ofn.Flags = OFN_ALLOWMULTISELECT;
  std::string nameText;
  Drive([&](TFileDialogDriver& d) {
    d.Select("b.jpg");
    d.AddToSelection("A.JPG");
    nameText = d.NameText();
    d.PressOk();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(nameText, "\"A.JPG\" \"b.jpg\"");
  std::string expected = dir + std::string("\0A.JPG\0b.jpg\0\0", 14);
  EXPECT_EQ(std::string(buffer, expected.size()), expected);
  EXPECT_EQ(ofn.nFileOffset, dir.size() + 1);
}

TEST_F(FileDialogTest, CancelReturnsFalseWithNoError) {
  ofn.lStructSize = 3;
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
  ofn.lStructSize = sizeof ofn;
  std::strcpy(buffer, "keep");
  Drive([](TFileDialogDriver& d) {
    d.Select("b.jpg");
    d.PressCancel();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_STREQ(buffer, "keep");
}

TEST_F(FileDialogTest, TooSmallABufferFailsWithItsSize) {
  char small[8] = {};
  ofn.lpstrFile = small;
  ofn.nMaxFile = sizeof small;
  Drive([](TFileDialogDriver& d) {
    d.Select("b.jpg");
    d.PressOk();
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
  Word need = 0;
  std::memcpy(&need, small, sizeof need);
  EXPECT_EQ(need, dir.size() + 7);
}

TEST_F(FileDialogTest, InitialNameWithAFolderOpensThatFolder) {
  std::string initial = dir + "/zeta/picture.jpg";
  std::strcpy(buffer, initial.c_str());
  ofn.lpstrInitialDir = nullptr;
  std::string folder, name;
  Drive([&](TFileDialogDriver& d) {
    folder = d.Folder();
    name = d.NameText();
    d.Up();
    EXPECT_EQ(d.Folder(), dir);
  });
  EXPECT_FALSE(GetSaveFileName(&ofn));
  EXPECT_EQ(folder, dir + "/zeta");
  EXPECT_EQ(name, "picture.jpg");
}

TEST_F(FileDialogTest, TemplateGivesTheHookAWindowWithRoomForItsChildren) {
  ofn.Flags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  ofn.lpfnHook = RecordingHook;
  ofn.lpTemplateName = "TEST_TEMPLATE";
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_FINDRESFAILURE);

  RegisterFileDialogTemplate("TEST_TEMPLATE", TFileDialogTemplate{700, 400, Rect(2, 4, 282, 300)});
  // The places bar sits inside the placeholder, so it widens it by its own
  // width; hidden, the placeholder is only as wide as the standard controls.
  struct TCase {
    DWORD flagsEx;
    int barWidth;
  };
  for (TCase c : {TCase{0, kFileDlgPlacesWidth}, TCase{OFN_EX_NOPLACESBAR, 0}}) {
    SCOPED_TRACE(c.flagsEx);
    ofn.FlagsEx = c.flagsEx;
    RECT hookClient{}, dialogClient{};
    bool readOnlyHidden = false;
    TRect standard{1 << 20, 1 << 20, 0, 0};  // what the standard controls cover
    Drive([&](TFileDialogDriver& d) {
      GetClientRect(log.hookWindow, &hookClient);
      GetClientRect(d.Dialog(), &dialogClient);
      SendMessage(d.Dialog(), CDM_HIDECONTROL, kFileDlgIdReadOnly, 0);
      SendMessage(d.Dialog(), CDM_SETCONTROLTEXT, kFileDlgIdName, reinterpret_cast<LPARAM>("set.jpg"));
      readOnlyHidden = !dynamic_cast<TControl*>(d.Form()->FindComponent("ReadOnly"))->Visible();
      EXPECT_EQ(d.NameText(), "set.jpg");
      for (const char* name : {"PlacesBar", "FolderBar", "UpButton", "FileList", "NameBox", "OK", "TypeList", "Cancel"}) {
        auto* ctl = dynamic_cast<TControl*>(d.Form()->FindComponent(name));
        if (!ctl) continue;
        standard.Left = std::min(standard.Left, ctl->Left());
        standard.Top = std::min(standard.Top, ctl->Top());
        standard.Right = std::max(standard.Right, ctl->Left() + ctl->Width());
        standard.Bottom = std::max(standard.Bottom, ctl->Top() + ctl->Height());
      }
    });
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_EQ(hookClient.Right, dialogClient.Right);
    EXPECT_EQ(hookClient.Bottom, dialogClient.Bottom);
    // The placeholder grows to the standard controls; the free area is kept.
    int placeholderRight = 2 + 440 + c.barWidth;
    EXPECT_EQ(dialogClient.Right, placeholderRight + (700 - 282));
    EXPECT_EQ(dialogClient.Bottom, 4 + 300 + (400 - 300));
    EXPECT_GE(standard.Left, 2);
    EXPECT_GE(standard.Top, 4);
    EXPECT_LE(standard.Right, placeholderRight);
    EXPECT_LE(standard.Bottom, 4 + 300);
    EXPECT_TRUE(readOnlyHidden);
  }
  UnregisterFileDialogTemplate("TEST_TEMPLATE");
}

TEST_F(FileDialogTest, EnterInTheNameBoxPressesOkAndEscCancels) {
  struct TCase {
    int key;
    BOOL result;
  };
  for (TCase c : {TCase{VK_RETURN, TRUE}, TCase{VK_ESCAPE, FALSE}}) {
    SCOPED_TRACE(c.key);
    bool closed = false;
    Drive([&](TFileDialogDriver& d) {
      d.TypeName("b.jpg");
      dynamic_cast<TEdit*>(d.Form()->FindComponent("NameBox"))->SetFocus();
      s.display.KeyPress(c.key);
      app.ProcessMessages();
      closed = d.Closed();
    });
    EXPECT_EQ(GetOpenFileName(&ofn), c.result);
    EXPECT_TRUE(closed);
    if (c.result) {
      EXPECT_EQ(std::string(buffer), dir + "/b.jpg");
    }
  }
}

TEST_F(FileDialogTest, OddAndLongFolderNamesWork) {
  std::string deep = dir;
  for (int i = 0; i < 16; ++i) deep += "/-长 路径 folder " + std::to_string(i);
  ASSERT_TRUE(ForceDirectories(deep));
  std::ofstream(deep + "/图 1.jpg") << "x";
  ASSERT_GT(deep.size(), 300u);
  std::string first;
  Drive([&](TFileDialogDriver& d) {
    d.DoubleClick("-长 路径 folder 0/");
    first = d.Folder();
    d.Navigate(deep);
    d.Select("图 1.jpg");
    d.PressOk();
  });
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(first, dir + "/-长 路径 folder 0");
  EXPECT_EQ(std::string(buffer), deep + "/图 1.jpg");
}

TEST_F(FileDialogTest, HookExceptionGoesToTheApplication) {
  ofn.Flags = OFN_ENABLEHOOK;
  ofn.lpfnHook = ThrowingHook;
  std::string reported;
  app.OnException = [&](TObject*, const Exception& e) { reported = e.Message(); };
  Drive([](TFileDialogDriver& d) {
    d.Select("b.jpg");
    d.PressOk();
  });
  EXPECT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(reported, "hook failed");
  EXPECT_EQ(std::string(buffer), dir + "/b.jpg");
}

}  // namespace

namespace {

// Every pixel of the dialog's window, as presented.
std::vector<COLORREF> Pixels(HWND dialog, THeadlessDisplay& display) {
  RECT r{};
  GetWindowRect(dialog, &r);
  std::vector<COLORREF> px;
  for (int y = 0; y < r.Bottom - r.Top; ++y)
    for (int x = 0; x < r.Right - r.Left; ++x) px.push_back(display.PixelAt(dialog, x, y));
  return px;
}

TEST_F(FileDialogTest, AHookLeavesTheDialogLookingAsWithout) {
  // The hook's window lies under the standard controls; it must neither
  // hide the labels nor leave its area unpainted.
  std::vector<COLORREF> plain, hooked;
  for (bool withHook : {false, true}) {
    SCOPED_TRACE(withHook);
    ofn.Flags = withHook ? OFN_ENABLEHOOK : 0;
    ofn.lpfnHook = withHook ? RecordingHook : nullptr;
    Drive([&](TFileDialogDriver& d) {
      s.display.RunUntilIdle();
      (withHook ? hooked : plain) = Pixels(d.Dialog(), s.display);
      RECT wr{};
      GetWindowRect(d.Dialog(), &wr);
      for (int id : {kFileDlgIdFolderLabel, kFileDlgIdNameLabel, kFileDlgIdTypeLabel}) {
        TControl* label = nullptr;
        for (int i = 0; i < d.Form()->ControlCount(); ++i)
          if (d.Form()->Controls(i)->Tag == id) label = d.Form()->Controls(i);
        ASSERT_NE(label, nullptr) << id;
        TPoint o = label->ClientToScreen(TPoint{0, 0});
        int ink = 0, face = 0;
        for (int y = 0; y < label->Height(); ++y)
          for (int x = 0; x < label->Width(); ++x) {
            COLORREF c = s.display.PixelAt(d.Dialog(), o.X - wr.Left + x, o.Y - wr.Top + y);
            ink += c == ClassicRGB(clBtnText);
            face += c == ClassicRGB(clBtnFace);
          }
        EXPECT_GT(ink, 15) << id;
        EXPECT_GT(face, label->Width() * label->Height() / 2) << id;
      }
    });
    EXPECT_FALSE(GetOpenFileName(&ofn));
  }
  ASSERT_FALSE(plain.empty());
  ASSERT_EQ(plain.size(), hooked.size());
  int differing = 0;
  for (size_t i = 0; i < plain.size(); ++i) differing += plain[i] != hooked[i];
  EXPECT_EQ(differing, 0);
}

}  // namespace

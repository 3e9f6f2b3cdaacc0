#include "platform/ui/FileDialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "FormTestFixture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/Edit.h"
#include "platform/user/User.h"

namespace {

constexpr char kFilter[] = "JPEG images\0*.jpg;*.jpeg\0All files\0*.*\0";

void RemoveTree(const std::string& dir) {
  TSearchRec r;
  if (FindFirst(dir + "/*", faDirectory | faHidden | faSysFile, r) == 0) {
    do {
      if (r.Name == "." || r.Name == "..") continue;
      std::string path = dir + "/" + r.Name;
      if ((r.Attr & faDirectory) && !(r.Attr & faSymLink))
        RemoveTree(path);
      else
        DeleteFile(path);
    } while (FindNext(r) == 0);
    FindClose(r);
  }
  RemoveDir(dir);
}

// What the hook saw, in order; the hook is a plain function, so it is global.
struct THookLog {
  std::vector<UINT> events;  // WM_INITDIALOG, WM_DESTROY, or a CDN_ code
  LPARAM initParam = 0;
  int refusals = 0;  // CDN_FILEOKs still to refuse
  std::string pathAtFileOk;
  std::string specAtFileOk;
  std::string folderAtFileOk;
  HWND hookWindow = nullptr;
};
THookLog* g_log = nullptr;

std::string Query(HWND dialog, UINT msg) {
  LRESULT need = SendMessage(dialog, msg, 0, 0);
  std::string text(size_t(need), '\0');
  SendMessage(dialog, msg, WPARAM(need), reinterpret_cast<LPARAM>(text.data()));
  text.resize(text.empty() ? 0 : text.size() - 1);
  return text;
}

UINT_PTR RecordingHook(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  if (!g_log) return 0;
  if (msg == WM_INITDIALOG) {
    g_log->events.push_back(msg);
    g_log->initParam = lp;
    g_log->hookWindow = hwnd;
  } else if (msg == WM_DESTROY) {
    g_log->events.push_back(msg);
  } else if (msg == WM_NOTIFY) {
    auto* n = reinterpret_cast<OFNOTIFY*>(lp);
    g_log->events.push_back(n->hdr.code);
    if (n->hdr.code == CDN_FILEOK) {
      HWND dialog = GetParent(hwnd);
      g_log->pathAtFileOk = Query(dialog, CDM_GETFILEPATH);
      g_log->specAtFileOk = Query(dialog, CDM_GETSPEC);
      g_log->folderAtFileOk = Query(dialog, CDM_GETFOLDERPATH);
      if (g_log->refusals > 0) {
        --g_log->refusals;
        SetWindowLong(hwnd, DWLP_MSGRESULT, 1);
        return 1;
      }
    }
  }
  return 0;
}

UINT_PTR ThrowingHook(HWND, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_NOTIFY && reinterpret_cast<OFNOTIFY*>(lp)->hdr.code == CDN_INITDONE) throw Exception("hook failed");
  return 0;
}

class FileDialogTest : public FormsTest {
 protected:
  std::string dir;
  char buffer[4096] = {};
  OPENFILENAME ofn;
  THookLog log;

  void SetUp() override {
    static int counter = 0;
    dir = GetTempPath() + "lumiqa-filedialog-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    ASSERT_TRUE(ForceDirectories(dir));
    for (const char* f : {"b.jpg", "A.JPG", "c.png", ".hidden.jpg", "-dash.jpg", "中文 照片.jpg", "notes.txt"}) Touch(f);
    ASSERT_TRUE(CreateDir(dir + "/zeta"));
    ASSERT_TRUE(CreateDir(dir + "/Alpha"));
    ASSERT_TRUE(CreateDir(dir + "/a.b"));
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = sizeof buffer;
    ofn.lpstrInitialDir = dir.c_str();
    g_log = &log;
  }
  void TearDown() override {
    SetFileDialogTestHook(nullptr);
    g_log = nullptr;
    RemoveTree(dir);
  }
  void Touch(const std::string& name) { std::ofstream(dir + "/" + name) << "x"; }
  void Drive(std::function<void(TFileDialogDriver&)> fn) { SetFileDialogTestHook(std::move(fn)); }
};

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
  RECT hookClient{}, dialogClient{};
  bool readOnlyHidden = false;
  Drive([&](TFileDialogDriver& d) {
    GetClientRect(log.hookWindow, &hookClient);
    GetClientRect(d.Dialog(), &dialogClient);
    SendMessage(d.Dialog(), CDM_HIDECONTROL, kFileDlgIdReadOnly, 0);
    SendMessage(d.Dialog(), CDM_SETCONTROLTEXT, kFileDlgIdName, reinterpret_cast<LPARAM>("set.jpg"));
    readOnlyHidden = !dynamic_cast<TControl*>(d.Form()->FindComponent("ReadOnly"))->Visible();
    EXPECT_EQ(d.NameText(), "set.jpg");
  });
  EXPECT_FALSE(GetOpenFileName(&ofn));
  UnregisterFileDialogTemplate("TEST_TEMPLATE");
  EXPECT_EQ(hookClient.Right, dialogClient.Right);
  EXPECT_EQ(hookClient.Bottom, dialogClient.Bottom);
  // The placeholder grows to the standard controls; the free area is kept.
  EXPECT_EQ(dialogClient.Right, 2 + 440 + (700 - 282));
  EXPECT_EQ(dialogClient.Bottom, 4 + 300 + (400 - 300));
  EXPECT_TRUE(readOnlyHidden);
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

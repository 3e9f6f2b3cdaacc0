// The file dialog tests' fixture: a fresh folder of files and sub-folders
// per test, a recording hook, and the driver installed through Drive().
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/user/User.h"

namespace filedialogtest {

constexpr char kFilter[] = "JPEG images\0*.jpg;*.jpeg\0All files\0*.*\0";

inline void RemoveTree(const std::string& dir) {
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
  // The folder and the name box at each CDN_FOLDERCHANGE.
  std::vector<std::string> folders;
  std::vector<std::string> specsAtFolderChange;
  // CDM_GETFILEPATH at each CDN_SELCHANGE.
  std::vector<std::string> pathsAtSelChange;
  HWND hookWindow = nullptr;
};
inline THookLog* g_log = nullptr;

inline std::string Query(HWND dialog, UINT msg) {
  LRESULT need = SendMessage(dialog, msg, 0, 0);
  std::string text(size_t(need), '\0');
  SendMessage(dialog, msg, WPARAM(need), reinterpret_cast<LPARAM>(text.data()));
  text.resize(text.empty() ? 0 : text.size() - 1);
  return text;
}

inline UINT_PTR RecordingHook(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
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
    HWND dialog = GetParent(hwnd);
    if (n->hdr.code == CDN_FOLDERCHANGE) {
      g_log->folders.push_back(Query(dialog, CDM_GETFOLDERPATH));
      g_log->specsAtFolderChange.push_back(Query(dialog, CDM_GETSPEC));
    }
    if (n->hdr.code == CDN_SELCHANGE) g_log->pathsAtSelChange.push_back(Query(dialog, CDM_GETFILEPATH));
    if (n->hdr.code == CDN_FILEOK) {
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

// Sets an environment variable for a scope and puts back what was there.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~TScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The paths a result holds: one path, or with multi-select a folder and
// names below it, up to an empty name.
inline std::vector<std::string> ResultPaths(const OPENFILENAME& ofn) {
  std::vector<std::string> parts;
  for (const char* p = ofn.lpstrFile; *p; p += std::string(p).size() + 1) {
    parts.push_back(p);
    if (!(ofn.Flags & OFN_ALLOWMULTISELECT)) break;
  }
  if (parts.size() <= 1) return parts;
  std::vector<std::string> paths;
  for (size_t i = 1; i < parts.size(); ++i) paths.push_back(IncludeTrailingPathDelimiter(parts[0]) + parts[i]);
  return paths;
}

class FileDialogFixture : public FormsTest {
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
  void Hook() {
    ofn.Flags |= OFN_ENABLEHOOK;
    ofn.lpfnHook = RecordingHook;
  }
};

}  // namespace filedialogtest

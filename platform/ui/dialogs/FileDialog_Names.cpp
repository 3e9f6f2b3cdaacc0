// The file dialog's name box: what a typed text means (names, quoted names,
// a folder to go to, a pattern to filter by), the checks on OK, and the
// result written back into the request.
#include <algorithm>
#include <cstring>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/dialogs/FileDialog_Internal.h"
#include "platform/rtl/StockTexts.h"

using namespace filedlg;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The deepest folder holding every path (all absolute), at worst the root.
std::string CommonFolder(const std::vector<std::string>& paths) {
  std::string base = ExtractFileDir(paths[0]);
  auto holdsAll = [&](const std::string& dir) {
    std::string prefix = IncludeTrailingPathDelimiter(dir);
    return std::all_of(paths.begin(), paths.end(),
                       [&](const std::string& p) { return p.compare(0, prefix.size(), prefix) == 0; });
  };
  while (base != "/" && !holdsAll(base)) base = ExtractFileDir(base);
  return base;
}

}  // namespace

std::vector<std::string> SplitFileNames(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty()) return {};
  if (t.find('"') == std::string::npos) return {t};
  std::vector<std::string> names;
  size_t i = 0;
  while (i < t.size()) {
    if (t[i] == '"') {
      size_t end = t.find('"', i + 1);
      if (end == std::string::npos) end = t.size();
      std::string name = t.substr(i + 1, end - i - 1);
      if (!Trim(name).empty()) names.push_back(name);
      i = end + 1;
    } else if (IsBlank(t[i])) {
      ++i;
    } else {
      size_t end = i;
      while (end < t.size() && !IsBlank(t[end]) && t[end] != '"') ++end;
      names.push_back(t.substr(i, end - i));
      i = end;
    }
  }
  return names;
}

std::string TFileDialogForm::Resolve(const std::string& name) const {
  std::string path;
  if (!home.empty() && (name == "~" || name.compare(0, 2, "~/") == 0))
    path = home + name.substr(1);
  else if (!name.empty() && name[0] == '/')
    path = name;
  else
    path = IncludeTrailingPathDelimiter(folder) + name;
  return ExcludeTrailingPathDelimiter(ExpandFileName(path));
}

std::string TFileDialogForm::FilePath() const {
  if (!confirming.empty()) return confirming[0];
  std::vector<std::string> selected = SelectedNames();
  if (!selected.empty()) return Resolve(selected[0]);
  std::vector<std::string> names = SplitFileNames(nameBox->Text());
  if (names.empty()) return IncludeTrailingPathDelimiter(folder);
  return Resolve(names[0]);
}

void TFileDialogForm::ApplyPattern(const std::string& name) {
  size_t slash = name.rfind('/');
  std::string mask = slash == std::string::npos ? name : name.substr(slash + 1);
  std::string dir = folder;
  if (slash != std::string::npos) {
    std::string dirPart = name.substr(0, slash + 1);
    dir = Resolve(dirPart);
    if (HasWildcard(dirPart) || !DirectoryExists(dir)) {
      Ask(dirPart + "\n" + StockText("The folder does not exist. Check the path and try again."), false);
      return;
    }
  }
  pattern = mask;
  nameBox->SetText(mask);
  if (dir != folder) {
    Navigate(dir, true);
    return;
  }
  Refill(true);
  FlushSelection();
}

bool TFileDialogForm::WriteResult(const std::vector<std::string>& paths) {
  std::string out;
  if (paths.size() == 1) {
    out = paths[0];
  } else {
    // A folder holding them all, then the names below it, each
    // NUL-terminated, then (below) one more NUL.
    std::string base = CommonFolder(paths);
    size_t skip = IncludeTrailingPathDelimiter(base).size();
    out = base;
    out.push_back('\0');
    for (const std::string& p : paths) {
      out += p.substr(skip);
      if (&p != &paths.back()) out.push_back('\0');
    }
  }
  // With multi-select a reader walks the names up to an empty one, so even
  // one path gets its second NUL, or stale bytes after it read as names.
  if (ofn->Flags & OFN_ALLOWMULTISELECT) out.push_back('\0');
  if (!ofn->lpstrFile || ofn->nMaxFile < out.size() + 1) {
    SetDialogError(FNERR_BUFFERTOOSMALL);
    if (ofn->lpstrFile && ofn->nMaxFile >= 2) {
      // The size it needs, in the buffer's first two bytes.
      Word need = Word(std::min<size_t>(out.size() + 1, 0xFFFF));
      std::memcpy(ofn->lpstrFile, &need, sizeof need);
    }
    return false;
  }
  std::memcpy(ofn->lpstrFile, out.data(), out.size());
  ofn->lpstrFile[out.size()] = '\0';
  std::string first = paths.size() == 1 ? paths[0] : out.substr(0, out.find('\0'));
  size_t slash = paths.size() == 1 ? first.rfind('/') : std::string::npos;
  ofn->nFileOffset = Word(paths.size() == 1 ? slash + 1 : first.size() + 1);
  std::string ext = paths.size() == 1 ? ExtractFileExt(first) : std::string();
  ofn->nFileExtension = Word(ext.empty() ? 0 : first.size() - ext.size() + 1);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0 && paths.size() == 1) {
    std::string title = ExtractFileName(first);
    size_t n = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.data(), n);
    ofn->lpstrFileTitle[n] = '\0';
  }
  return true;
}

void TFileDialogForm::Ok() {
  FlushSelection();
  // Enter (or OK) on a folder chosen in the list opens it.
  if (list->Focused()) {
    std::vector<std::string> selected = SelectedNames();
    if (selected.size() == 1 && selected[0].back() == '/') {
      Navigate(Resolve(selected[0]), true);
      return;
    }
  }
  std::string text = Trim(nameBox->Text());
  std::vector<std::string> names = SplitFileNames(text);
  if (names.empty()) return;
  bool multi = (ofn->Flags & OFN_ALLOWMULTISELECT) != 0;
  auto invalid = [&](const std::string& name) { Ask(name + "\nThe file name is not valid.", false); };
  if (names.size() > 1 && !multi) return invalid(text);
  if (names.size() == 1) {
    if (HasWildcard(names[0])) return ApplyPattern(names[0]);
    std::string path = Resolve(names[0]);
    if (DirectoryExists(path)) {
      nameBox->SetText("");
      Navigate(path, true);
      return;
    }
  }

  std::vector<std::string> paths;
  for (const std::string& name : names) {
    std::string path = Resolve(name);
    // Among several names a pattern or a folder cannot be opened.
    if (HasWildcard(name) || DirectoryExists(path)) return invalid(name);
    if (!defExt.empty() && ExtractFileExt(path).empty()) path += "." + defExt;
    paths.push_back(path);
  }

  bool validate = !(ofn->Flags & OFN_NOVALIDATE);
  for (const std::string& path : paths) {
    std::string dir = ExtractFileDir(path);
    if (validate && (ofn->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !DirectoryExists(dir)) {
      Ask(dir + "\n" + StockText("The folder does not exist. Check the path and try again."), false);
      return;
    }
    if (FileExists(path)) {
      if (save && (ofn->Flags & OFN_OVERWRITEPROMPT) &&
          Ask(StockFormat("%s already exists.\nDo you want to replace it?", {ExtractFileName(path)}), true) != mrYes)
        return;
    } else if (validate && (ofn->Flags & OFN_FILEMUSTEXIST)) {
      Ask(ExtractFileName(path) + "\n" + StockText("File not found. Check the file name and try again."), false);
      return;
    } else if (validate && (ofn->Flags & OFN_CREATEPROMPT)) {
      if (Ask(StockFormat("%s does not exist.\nDo you want to create it?", {ExtractFileName(path)}), true) != mrYes) return;
    }
  }

  DWORD savedIndex = ofn->nFilterIndex;
  ofn->nFilterIndex = DWORD(TypeIndex() > 0 ? TypeIndex() : 1);
  if (!WriteResult(paths)) {
    SetModalResult(mrAbort);
    return;
  }
  confirming = paths;
  auto alive = AliveToken();
  LRESULT refused = Notify(CDN_FILEOK);
  if (!*alive) return;
  confirming.clear();
  if (refused != 0) {
    ofn->nFilterIndex = savedIndex;
    return;
  }
  if (readOnly->Checked())
    ofn->Flags |= OFN_READONLY;
  else
    ofn->Flags &= ~OFN_READONLY;
  bool different = !defExt.empty() && std::any_of(paths.begin(), paths.end(), [&](const std::string& p) {
    std::string ext = ExtractFileExt(p);
    return !SameText(ext.empty() ? ext : ext.substr(1), defExt);
  });
  if (different)
    ofn->Flags |= OFN_EXTENSIONDIFFERENT;
  else
    ofn->Flags &= ~OFN_EXTENSIONDIFFERENT;
  confirmed = true;
  SetModalResult(mrOk);
}

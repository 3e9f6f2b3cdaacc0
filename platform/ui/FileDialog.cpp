#include "platform/ui/FileDialog.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Application.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/StdCtrls.h"
#include "platform/user/User.h"

namespace {

constexpr UINT kRunTestHook = WM_APP + 0x3F1;
constexpr const char* kHookClass = "LumiqaFileDialogHook";
constexpr int kMargin = 8;
constexpr int kRow = 23;
constexpr int kLabelWidth = 80;
constexpr int kButtonWidth = 75;
constexpr int kMinWidth = 440;
constexpr int kMinHeight = 300;

DWORD g_lastError = 0;
TFileDialogTestHook g_testHook;

std::map<std::string, TFileDialogTemplate>& Templates() {
  static std::map<std::string, TFileDialogTemplate> templates;
  return templates;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// Patterns are ';'-separated; spaces around each are not part of it.
bool MatchesAny(const std::string& name, const std::string& patterns) {
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string p = Trim(patterns.substr(start, end - start));
    if (!p.empty() && MatchesMask(name, p)) return true;
    start = end + 1;
  }
  return false;
}

struct TFilterPair {
  std::string description;
  std::string patterns;
};

std::vector<TFilterPair> ParseFilter(const char* filter) {
  std::vector<TFilterPair> pairs;
  if (!filter) return pairs;
  const char* p = filter;
  while (*p) {
    TFilterPair pair;
    pair.description = p;
    p += pair.description.size() + 1;
    if (!*p) break;
    pair.patterns = p;
    p += pair.patterns.size() + 1;
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

// Copies text and its NUL when it fits; returns the size it needs.
LRESULT CopyOut(const std::string& text, WPARAM size, LPARAM buffer) {
  LRESULT need = LRESULT(text.size() + 1);
  if (buffer && size >= WPARAM(need)) std::memcpy(reinterpret_cast<char*>(buffer), text.c_str(), text.size() + 1);
  return need;
}

LRESULT HookWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

void EnsureHookClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASS wc;
  wc.lpfnWndProc = HookWndProc;
  wc.cbWndExtra = 3 * int(sizeof(LONG_PTR));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_BTNFACE + 1));
  wc.lpszClassName = kHookClass;
  RegisterClass(&wc);
  registered = true;
}

// The dialog procedure sees every message; what it leaves (returns 0 for) is
// default-processed, except the dialog-only ones.
LRESULT HookWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto hook = reinterpret_cast<LPOFNHOOKPROC>(GetWindowLongPtr(hwnd, DWLP_DLGPROC));
  UINT_PTR handled = 0;
  // A hook's exception goes to the application, never through the window layer.
  try {
    if (hook) handled = hook(hwnd, msg, wp, lp);
  } catch (...) {
    if (Application) Application->HandleException(nullptr);
    handled = 0;
  }
  if (msg == WM_NOTIFY) return handled ? GetWindowLongPtr(hwnd, DWLP_MSGRESULT) : 0;
  if (msg == WM_INITDIALOG) return LRESULT(handled);
  if (handled) return GetWindowLongPtr(hwnd, DWLP_MSGRESULT);
  return DefWindowProc(hwnd, msg, wp, lp);
}

}  // namespace

// ---- the dialog form ---------------------------------------------------------

class TFileDialogForm : public TForm {
 public:
  TFileDialogForm(OPENFILENAME* ofn, bool save);
  ~TFileDialogForm() override;

  // Sets up the hook window and the folder, sends the opening notifications.
  void Start();
  void Dispatch(TMessage& Message) override;

  struct TEntry {
    std::string name;
    bool folder = false;
  };

  OPENFILENAME* ofn;
  bool save;
  std::string folder;
  std::vector<TFilterPair> filters;
  std::string pattern;  // the list's current patterns
  std::string defExt;
  std::vector<TEntry> entries;
  HWND hook = nullptr;
  TFileDialogDriver* driver = nullptr;
  bool confirmed = false;

  TEdit* folderBar = nullptr;
  TButton* upButton = nullptr;
  TListBox* list = nullptr;
  TLabel* nameLabel = nullptr;
  TEdit* nameBox = nullptr;
  TLabel* typeLabel = nullptr;
  TComboBox* typeList = nullptr;
  TCheckBox* readOnly = nullptr;
  TButton* okButton = nullptr;
  TButton* cancelButton = nullptr;

  void Navigate(const std::string& dir, bool notify);
  void Refill();
  void SelChanged();
  void TypeChanged();
  void ListDblClick();
  void Ok();
  std::string FilePath() const;
  int TypeIndex() const { return typeList->ItemIndex() + 1; }
  LRESULT Notify(UINT code);
  int Ask(const std::string& text, bool question);
  TControl* ControlById(int id) const;

 private:
  void Build(const TFileDialogTemplate* tpl);
  std::vector<std::string> SelectedFiles() const;
  bool WriteResult(const std::vector<std::string>& paths);
};

TFileDialogForm::TFileDialogForm(OPENFILENAME* o, bool s) : TForm(Application), ofn(o), save(s) {
  filters = ParseFilter(ofn->lpstrFilter);
  if (ofn->lpstrDefExt) {
    defExt = ofn->lpstrDefExt;
    if (!defExt.empty() && defExt[0] == '.') defExt.erase(0, 1);
    if (HasWildcard(defExt)) defExt.clear();
  }
}

TFileDialogForm::~TFileDialogForm() {
  // The hook window dies first, so the hook sees WM_DESTROY while the
  // standard controls still exist.
  if (hook && IsWindow(hook)) DestroyWindow(hook);
}

void TFileDialogForm::Build(const TFileDialogTemplate* tpl) {
  BeginLayout();
  bool sizing = (ofn->Flags & OFN_ENABLESIZING) != 0;
  SetBorderStyle(sizing ? bsSizeable : bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  KeyPreview = true;
  SetCaption(ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open"));

  TRect area = Rect(0, 0, kMinWidth, kMinHeight);
  int freeRight = 0, freeBelow = 0;
  if (tpl) {
    area = tpl->Placeholder;
    area.Right = area.Left + std::max(area.Width(), kMinWidth);
    area.Bottom = area.Top + std::max(area.Height(), kMinHeight);
    freeRight = std::max(0, tpl->Width - tpl->Placeholder.Right);
    freeBelow = std::max(0, tpl->Height - tpl->Placeholder.Bottom);
  }
  SetClientSize(area.Right + freeRight, area.Bottom + freeBelow);

  // With a template the free area holds the hook's children, which do not
  // follow a resize, so only the plain dialog stretches its controls.
  TAnchors stretch = tpl ? akLeft | akTop : akLeft | akTop | akRight | akBottom;
  TAnchors bottomRow = tpl ? akLeft | akTop : akLeft | akBottom | akRight;
  TAnchors bottomButton = tpl ? akLeft | akTop : akRight | akBottom;

  int x = area.Left + kMargin, y = area.Top + kMargin;
  int w = area.Width() - 2 * kMargin;
  auto label = [&](const char* text, int id, int top) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetCaption(text);
    l->SetBounds(x, top + 4, kLabelWidth, kRow - 4);
    l->Tag = id;
    return l;
  };
  label("Look in:", kFileDlgIdFolderLabel, y);
  folderBar = new TEdit(this);
  folderBar->SetName("FolderBar");
  folderBar->SetParent(this);
  folderBar->SetReadOnly(true);
  folderBar->SetBounds(x + kLabelWidth, y, w - kLabelWidth - kButtonWidth - kMargin, kRow);
  folderBar->Tag = kFileDlgIdFolder;
  if (!tpl) folderBar->SetAnchors(akLeft | akTop | akRight);
  upButton = new TButton(this);
  upButton->SetName("UpButton");
  upButton->SetParent(this);
  upButton->SetCaption("Up");
  upButton->SetBounds(x + w - kButtonWidth, y, kButtonWidth, kRow);
  if (!tpl) upButton->SetAnchors(akRight | akTop);
  upButton->OnClick = [this](TObject*) { Navigate(ExtractFileDir(ExcludeTrailingPathDelimiter(folder)), true); };

  int bottom = area.Bottom - kMargin;
  bool showReadOnly = !(ofn->Flags & OFN_HIDEREADONLY);
  int rowsBelow = 2 * (kRow + kMargin) + (showReadOnly ? kRow : 0);
  list = new TListBox(this);
  list->SetName("FileList");
  list->SetParent(this);
  list->SetBounds(x, y + kRow + kMargin, w, bottom - rowsBelow - (y + kRow + kMargin));
  list->SetMultiSelect((ofn->Flags & OFN_ALLOWMULTISELECT) != 0);
  list->SetExtendedSelect((ofn->Flags & OFN_ALLOWMULTISELECT) != 0);
  list->SetAnchors(stretch);
  list->Tag = kFileDlgIdList;
  list->OnClick = [this](TObject*) { SelChanged(); };
  list->OnDblClick = [this](TObject*) { ListDblClick(); };

  int nameTop = list->Top() + list->Height() + kMargin;
  nameLabel = label("File name:", kFileDlgIdNameLabel, nameTop);
  nameLabel->SetAnchors(tpl ? akLeft | akTop : akLeft | akBottom);
  nameBox = new TEdit(this);
  nameBox->SetName("NameBox");
  nameBox->SetParent(this);
  nameBox->SetBounds(x + kLabelWidth, nameTop, w - kLabelWidth - kButtonWidth - kMargin, kRow);
  nameBox->SetAnchors(bottomRow);
  nameBox->Tag = kFileDlgIdName;
  okButton = new TButton(this);
  okButton->SetName("OK");
  okButton->SetParent(this);
  okButton->SetCaption(save ? "&Save" : "&Open");
  okButton->SetBounds(x + w - kButtonWidth, nameTop, kButtonWidth, kRow);
  okButton->SetAnchors(bottomButton);
  okButton->SetDefault(true);
  okButton->Tag = kFileDlgIdOk;
  okButton->OnClick = [this](TObject*) { Ok(); };

  int typeTop = nameTop + kRow + kMargin;
  typeLabel = label("Files of type:", kFileDlgIdTypeLabel, typeTop);
  typeLabel->SetAnchors(tpl ? akLeft | akTop : akLeft | akBottom);
  typeList = new TComboBox(this);
  typeList->SetName("TypeList");
  typeList->SetParent(this);
  typeList->SetStyle(csDropDownList);
  typeList->SetBounds(x + kLabelWidth, typeTop, w - kLabelWidth - kButtonWidth - kMargin, kRow);
  typeList->SetAnchors(bottomRow);
  typeList->Tag = kFileDlgIdType;
  for (const TFilterPair& f : filters) typeList->Items()->Add(f.description);
  typeList->OnChange = [this](TObject*) { TypeChanged(); };
  cancelButton = new TButton(this);
  cancelButton->SetName("Cancel");
  cancelButton->SetParent(this);
  cancelButton->SetCaption("Cancel");
  cancelButton->SetBounds(x + w - kButtonWidth, typeTop, kButtonWidth, kRow);
  cancelButton->SetAnchors(bottomButton);
  cancelButton->SetCancel(true);
  cancelButton->ModalResult = mrCancel;
  cancelButton->Tag = kFileDlgIdCancel;

  readOnly = new TCheckBox(this);
  readOnly->SetName("ReadOnly");
  readOnly->SetParent(this);
  readOnly->SetCaption("Open as &read-only");
  readOnly->SetBounds(x + kLabelWidth, typeTop + kRow + kMargin, 200, kRow - 4);
  readOnly->SetAnchors(tpl ? akLeft | akTop : akLeft | akBottom);
  readOnly->SetChecked((ofn->Flags & OFN_READONLY) != 0);
  readOnly->SetVisible(showReadOnly);
  readOnly->Tag = kFileDlgIdReadOnly;

  SetActiveControl(nameBox);
  EndLayout();
}

void TFileDialogForm::Start() {
  const TFileDialogTemplate* tpl = nullptr;
  if ((ofn->Flags & OFN_ENABLETEMPLATE) && ofn->lpTemplateName) tpl = &Templates().at(ofn->lpTemplateName);
  Build(tpl);

  int index = int(ofn->nFilterIndex);
  if (index < 1 || index > int(filters.size())) index = 1;
  if (!filters.empty()) {
    typeList->SetItemIndex(index - 1);
    pattern = filters[size_t(index - 1)].patterns;
  } else {
    pattern = "*";
  }

  // An initial name holding a folder opens that folder.
  std::string name = ofn->lpstrFile ? std::string(ofn->lpstrFile) : std::string();
  std::string dir = ofn->lpstrInitialDir && *ofn->lpstrInitialDir ? ofn->lpstrInitialDir : GetCurrentDir();
  if (name.find('/') != std::string::npos) {
    std::string nameDir = ExtractFileDir(name[0] == '/' ? name : IncludeTrailingPathDelimiter(dir) + name);
    if (DirectoryExists(nameDir)) dir = nameDir;
    name = ExtractFileName(name);
  }
  if (!DirectoryExists(dir)) dir = GetCurrentDir();
  nameBox->SetText(name);
  Navigate(ExpandFileName(dir), false);

  if (ofn->Flags & OFN_ENABLEHOOK) {
    EnsureHookClass();
    hook = CreateWindowEx(0, kHookClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, ClientWidth(),
                          ClientHeight(), Handle(), nullptr, nullptr, nullptr);
    SetWindowPos(hook, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowLongPtr(hook, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(ofn->lpfnHook));
    SendMessage(hook, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(ofn));
    Notify(CDN_INITDONE);
    Notify(CDN_FOLDERCHANGE);
  }
}

LRESULT TFileDialogForm::Notify(UINT code) {
  if (!hook || !IsWindow(hook)) return 0;
  OFNOTIFY n;
  n.hdr.hwndFrom = Handle();
  n.hdr.code = code;
  n.lpOFN = ofn;
  SetWindowLongPtr(hook, DWLP_MSGRESULT, 0);
  return SendMessage(hook, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

void TFileDialogForm::Refill() {
  entries.clear();
  bool hidden = (ofn->Flags & OFN_FORCESHOWHIDDEN) != 0;
  TSearchRec rec;
  if (FindFirst(IncludeTrailingPathDelimiter(folder) + "*", faDirectory | faHidden, rec) == 0) {
    do {
      if (rec.Name == "." || rec.Name == "..") continue;
      if (!hidden && rec.Name[0] == '.') continue;
      bool isDir = (rec.Attr & faDirectory) != 0;
      if (!isDir && !MatchesAny(rec.Name, pattern)) continue;
      entries.push_back({rec.Name, isDir});
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
    if (a.folder != b.folder) return a.folder;
    std::string la = Lower(a.name), lb = Lower(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  list->Items()->BeginUpdate();
  list->Items()->Clear();
  for (const TEntry& e : entries) list->Items()->Add(e.folder ? e.name + "/" : e.name);
  list->Items()->EndUpdate();
}

void TFileDialogForm::Navigate(const std::string& dir, bool notify) {
  if (!DirectoryExists(dir)) return;
  folder = dir;
  folderBar->SetText(folder);
  Refill();
  if (notify) {
    Notify(CDN_FOLDERCHANGE);
    Notify(CDN_SELCHANGE);
  }
}

void TFileDialogForm::SelChanged() {
  std::vector<std::string> files = SelectedFiles();
  if (files.size() == 1) {
    nameBox->SetText(files[0]);
  } else if (files.size() > 1) {
    std::string text;
    for (const std::string& f : files) text += (text.empty() ? "\"" : " \"") + f + "\"";
    nameBox->SetText(text);
  }
  Notify(CDN_SELCHANGE);
}

void TFileDialogForm::TypeChanged() {
  int i = typeList->ItemIndex();
  if (i < 0 || i >= int(filters.size())) return;
  pattern = filters[size_t(i)].patterns;
  ofn->nFilterIndex = DWORD(i + 1);
  Refill();
  Notify(CDN_TYPECHANGE);
}

void TFileDialogForm::ListDblClick() {
  int i = list->ItemIndex();
  if (i < 0 || i >= int(entries.size())) return;
  if (entries[size_t(i)].folder) {
    Navigate(IncludeTrailingPathDelimiter(folder) + entries[size_t(i)].name, true);
  } else {
    nameBox->SetText(entries[size_t(i)].name);
    Ok();
  }
}

std::vector<std::string> TFileDialogForm::SelectedFiles() const {
  std::vector<std::string> files;
  for (int i = 0; i < int(entries.size()) && i < list->Count(); ++i)
    if (!entries[size_t(i)].folder && (list->MultiSelect() ? list->Selected(i) : list->ItemIndex() == i))
      files.push_back(entries[size_t(i)].name);
  return files;
}

std::string TFileDialogForm::FilePath() const {
  std::string text = nameBox->Text();
  if (!text.empty() && text[0] == '/') return text;
  return IncludeTrailingPathDelimiter(folder) + text;
}

int TFileDialogForm::Ask(const std::string& text, bool question) {
  if (driver) {
    driver->Prompts.push_back(text);
    if (!question) return mrOk;
    int answer = mrNo;
    if (!driver->Answers.empty()) {
      answer = driver->Answers.front();
      driver->Answers.pop_front();
    }
    return answer;
  }
  if (!question) return MessageDlg(text, mtWarning, {mbOK}, 0);
  return MessageDlg(text, mtWarning, mbYesNo, 0);
}

bool TFileDialogForm::WriteResult(const std::vector<std::string>& paths) {
  std::string out;
  if (paths.size() == 1) {
    out = paths[0];
  } else {
    // Folder, then the names, each NUL-terminated, then one more NUL.
    out = ExcludeTrailingPathDelimiter(folder);
    out.push_back('\0');
    for (const std::string& p : paths) {
      out += ExtractFileName(p);
      out.push_back('\0');
    }
  }
  if (!ofn->lpstrFile || ofn->nMaxFile < out.size() + 1) {
    g_lastError = FNERR_BUFFERTOOSMALL;
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
  std::string text = Trim(nameBox->Text());
  std::vector<std::string> paths;
  std::vector<std::string> selected = SelectedFiles();
  if (selected.size() > 1) {
    for (const std::string& s : selected) paths.push_back(IncludeTrailingPathDelimiter(folder) + s);
  } else {
    if (text.empty()) return;
    if (HasWildcard(text)) {
      pattern = text;
      Refill();
      return;
    }
    std::string path = text[0] == '/' ? text : IncludeTrailingPathDelimiter(folder) + text;
    if (DirectoryExists(path)) {
      Navigate(ExpandFileName(path), true);
      nameBox->SetText("");
      return;
    }
    if (!defExt.empty() && ExtractFileExt(path).empty()) path += "." + defExt;
    paths.push_back(path);
  }

  bool validate = !(ofn->Flags & OFN_NOVALIDATE);
  for (const std::string& path : paths) {
    std::string dir = ExtractFileDir(path);
    if (validate && (ofn->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !DirectoryExists(dir)) {
      Ask(dir + "\nThe folder does not exist. Check the path and try again.", false);
      return;
    }
    if (FileExists(path)) {
      if (save && (ofn->Flags & OFN_OVERWRITEPROMPT) &&
          Ask(ExtractFileName(path) + " already exists.\nDo you want to replace it?", true) != mrYes)
        return;
    } else if (validate && (ofn->Flags & OFN_FILEMUSTEXIST)) {
      Ask(ExtractFileName(path) + "\nFile not found. Check the file name and try again.", false);
      return;
    } else if (validate && (ofn->Flags & OFN_CREATEPROMPT)) {
      if (Ask(ExtractFileName(path) + " does not exist.\nDo you want to create it?", true) != mrYes) return;
    }
  }

  DWORD savedIndex = ofn->nFilterIndex;
  ofn->nFilterIndex = DWORD(TypeIndex() > 0 ? TypeIndex() : 1);
  if (!WriteResult(paths)) {
    SetModalResult(mrAbort);
    return;
  }
  if (Notify(CDN_FILEOK) != 0) {
    ofn->nFilterIndex = savedIndex;
    return;
  }
  if (readOnly->Checked())
    ofn->Flags |= OFN_READONLY;
  else
    ofn->Flags &= ~OFN_READONLY;
  std::string ext = paths.size() == 1 ? ExtractFileExt(paths[0]) : std::string();
  if (!defExt.empty() && Lower(ext.empty() ? ext : ext.substr(1)) != Lower(defExt))
    ofn->Flags |= OFN_EXTENSIONDIFFERENT;
  else
    ofn->Flags &= ~OFN_EXTENSIONDIFFERENT;
  confirmed = true;
  SetModalResult(mrOk);
}

TControl* TFileDialogForm::ControlById(int id) const {
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* c = dynamic_cast<TControl*>(Components(i));
    if (c && c->Tag == id) return c;
  }
  return nullptr;
}

void TFileDialogForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CDM_GETSPEC: Message.Result = CopyOut(nameBox->Text(), Message.WParam, Message.LParam); return;
    case CDM_GETFILEPATH: {
      std::vector<std::string> files = SelectedFiles();
      std::string path = files.size() > 1 ? IncludeTrailingPathDelimiter(folder) + files[0] : FilePath();
      Message.Result = CopyOut(path, Message.WParam, Message.LParam);
      return;
    }
    case CDM_GETFOLDERPATH: Message.Result = CopyOut(folder, Message.WParam, Message.LParam); return;
    case CDM_SETCONTROLTEXT: {
      TControl* c = ControlById(int(Message.WParam));
      const char* text = reinterpret_cast<const char*>(Message.LParam);
      if (c) c->SetText(text ? text : "");
      return;
    }
    case CDM_HIDECONTROL: {
      if (TControl* c = ControlById(int(Message.WParam))) c->SetVisible(false);
      return;
    }
    case CDM_SETDEFEXT: {
      const char* text = reinterpret_cast<const char*>(Message.LParam);
      defExt = text ? text : "";
      if (!defExt.empty() && defExt[0] == '.') defExt.erase(0, 1);
      if (HasWildcard(defExt)) defExt.clear();
      return;
    }
    case kRunTestHook: {
      TFileDialogDriver d(this);
      driver = &d;
      auto alive = AliveToken();
      try {
        g_testHook(d);
      } catch (...) {
        if (*alive) driver = nullptr;
        throw;
      }
      if (!*alive) return;
      driver = nullptr;
      if (ModalResult() == mrNone) SetModalResult(mrCancel);
      return;
    }
    default: break;
  }
  TForm::Dispatch(Message);
}

// ---- the calls ---------------------------------------------------------------

namespace {

BOOL RunFileDialog(OPENFILENAME* ofn, bool save) {
  g_lastError = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAME)) {
    g_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if ((ofn->Flags & OFN_ENABLETEMPLATE) &&
      (!ofn->lpTemplateName || Templates().find(ofn->lpTemplateName) == Templates().end())) {
    g_lastError = CDERR_FINDRESFAILURE;
    return FALSE;
  }

  std::unique_ptr<TFileDialogForm> form(new TFileDialogForm(ofn, save));
  form->AfterConstruction();
  form->Start();
  if (g_testHook) PostMessage(form->Handle(), kRunTestHook, 0, 0);
  auto alive = form->AliveToken();
  form->ShowModal();
  if (!*alive) {
    (void)form.release();
    return FALSE;
  }
  bool ok = form->confirmed;
  return ok ? TRUE : FALSE;
}

}  // namespace

BOOL GetOpenFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, false); }
BOOL GetSaveFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, true); }
DWORD CommDlgExtendedError() { return g_lastError; }

void RegisterFileDialogTemplate(const std::string& name, const TFileDialogTemplate& t) { Templates()[name] = t; }
void UnregisterFileDialogTemplate(const std::string& name) { Templates().erase(name); }
void SetFileDialogTestHook(TFileDialogTestHook hook) { g_testHook = std::move(hook); }

// ---- the driver ----------------------------------------------------------------

std::vector<std::string> TFileDialogDriver::List() const {
  std::vector<std::string> names;
  for (int i = 0; i < form_->list->Count(); ++i) names.push_back(form_->list->Items()->Strings(i));
  return names;
}
std::string TFileDialogDriver::Folder() const { return form_->folder; }
std::string TFileDialogDriver::NameText() const { return form_->nameBox->Text(); }
int TFileDialogDriver::TypeIndex() const { return form_->TypeIndex(); }
TForm* TFileDialogDriver::Form() const { return form_; }
HWND TFileDialogDriver::Dialog() const { return form_->Handle(); }
bool TFileDialogDriver::Closed() const { return form_->ModalResult() != mrNone; }

static int IndexOfName(TFileDialogForm* form, const std::string& name) {
  std::string bare = !name.empty() && name.back() == '/' ? name.substr(0, name.size() - 1) : name;
  for (size_t i = 0; i < form->entries.size(); ++i)
    if (form->entries[i].name == bare) return int(i);
  return -1;
}

void TFileDialogDriver::Select(const std::string& name) {
  int i = IndexOfName(form_, name);
  if (form_->list->MultiSelect()) form_->list->ClearSelection();
  form_->list->SetItemIndex(i);
  if (form_->list->MultiSelect() && i >= 0) form_->list->SetSelected(i, true);
  form_->SelChanged();
}

void TFileDialogDriver::AddToSelection(const std::string& name) {
  int i = IndexOfName(form_, name);
  if (i < 0) return;
  if (form_->list->MultiSelect()) form_->list->SetSelected(i, true);
  form_->list->SetItemIndex(i);
  if (form_->list->MultiSelect()) form_->list->SetSelected(i, true);
  form_->SelChanged();
}

void TFileDialogDriver::DoubleClick(const std::string& name) {
  Select(name);
  form_->ListDblClick();
}

void TFileDialogDriver::Navigate(const std::string& folder) { form_->Navigate(ExpandFileName(folder), true); }
void TFileDialogDriver::Up() { form_->upButton->Click(); }

void TFileDialogDriver::SetType(int index) {
  form_->typeList->SetItemIndex(index - 1);
  form_->TypeChanged();
}

void TFileDialogDriver::TypeName(const std::string& text) { form_->nameBox->SetText(text); }
void TFileDialogDriver::PressOk() { form_->Ok(); }
void TFileDialogDriver::PressCancel() { form_->cancelButton->Click(); }

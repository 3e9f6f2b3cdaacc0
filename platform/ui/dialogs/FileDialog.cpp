#include "platform/ui/dialogs/FileDialog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/dialogs/FileDialog_Internal.h"
#include "platform/user/User.h"
#include "platform/rtl/StockTexts.h"

namespace filedlg {

namespace {
DWORD g_lastError = 0;
}

void SetDialogError(DWORD code) { g_lastError = code; }

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

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

}  // namespace filedlg

using namespace filedlg;

namespace {

constexpr UINT kRunTestHook = WM_APP + 0x3F1;
constexpr const char* kHookClass = "LumiqaFileDialogHook";
constexpr int kMargin = 8;
constexpr int kRow = 23;
constexpr int kLabelWidth = 80;
constexpr int kButtonWidth = 75;
constexpr int kMinWidth = 440;
constexpr int kMinHeight = 300;
// Without a template nothing holds the size down, so the list gets room.
constexpr int kPlainWidth = 560;
constexpr int kPlainHeight = 420;
constexpr int kPlaceHeight = 40;
constexpr int kPlaceGap = 4;

TFileDialogTestHook g_testHook;

std::map<std::string, TFileDialogTemplate>& Templates() {
  static std::map<std::string, TFileDialogTemplate> templates;
  return templates;
}

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

std::string NormaliseDefExt(std::string ext) {
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (HasWildcard(ext)) ext.clear();
  return ext;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
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

TFileDialogForm::TFileDialogForm(OPENFILENAME* o, bool s) : TForm(Application), ofn(o), save(s) {
  filters = ParseFilter(ofn->lpstrFilter);
  if (ofn->lpstrDefExt) defExt = NormaliseDefExt(ofn->lpstrDefExt);
  home = Env("HOME");
  if (!(ofn->FlagsEx & OFN_EX_NOPLACESBAR)) places = FileDialogPlaces(home, Env("XDG_CONFIG_HOME"));
}

TFileDialogForm::~TFileDialogForm() {
  // The hook window dies first, so the hook sees WM_DESTROY while the
  // standard controls still exist.
  if (hook && IsWindow(hook)) DestroyWindow(hook);
}

void TFileDialogForm::BuildPlaces(int x, int y, int height, bool stretch) {
  placesBar = new TPanel(this);
  placesBar->SetName("PlacesBar");
  placesBar->SetParent(this);
  placesBar->SetCaption("");
  placesBar->SetBevelOuter(bvLowered);
  placesBar->SetBounds(x, y, kFileDlgPlacesWidth - kMargin, height);
  placesBar->Tag = kFileDlgIdPlaces;
  if (stretch) placesBar->SetAnchors(akLeft | akTop | akBottom);
  int top = kPlaceGap;
  for (const TFileDialogPlace& place : places) {
    auto* b = new TButton(this);
    b->SetParent(placesBar);
    b->SetCaption(place.Caption);
    b->SetBounds(kPlaceGap, top, placesBar->Width() - 2 * kPlaceGap, kPlaceHeight);
    b->SetTabStop(false);
    b->Hint = place.Path;
    b->SetShowHint(true);
    std::string path = place.Path;
    b->OnClick = [this, path](TObject*) { Navigate(path, true); };
    placeButtons.push_back(b);
    top += kPlaceHeight + kPlaceGap;
  }
}

void TFileDialogForm::Build(const TFileDialogTemplate* tpl) {
  BeginLayout();
  bool sizing = (ofn->Flags & OFN_ENABLESIZING) != 0;
  SetBorderStyle(sizing ? bsSizeable : bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  KeyPreview = true;
  SetCaption(ofn->lpstrTitle ? ofn->lpstrTitle : StockText(save ? "Save As" : "Open"));

  // The places bar sits inside the placeholder, left of the standard
  // controls, so it widens the placeholder's minimum and the free area
  // right of and below the placeholder stays the hook's.
  bool showPlaces = !(ofn->FlagsEx & OFN_EX_NOPLACESBAR);
  int placesWidth = showPlaces ? kFileDlgPlacesWidth : 0;
  int minWidth = kMinWidth + placesWidth;
  TRect area = Rect(0, 0, kPlainWidth + placesWidth, kPlainHeight);
  int freeRight = 0, freeBelow = 0;
  if (tpl) {
    area = tpl->Placeholder;
    area.Right = area.Left + std::max(area.Width(), minWidth);
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

  if (showPlaces) BuildPlaces(area.Left + kMargin, area.Top + kMargin, area.Height() - 2 * kMargin, !tpl);

  int x = area.Left + kMargin + placesWidth, y = area.Top + kMargin;
  int w = area.Width() - 2 * kMargin - placesWidth;
  auto label = [&](const std::string& text, int id, int top) {
    // Windowed, so the hook's window beneath the controls cannot hide it.
    auto* l = new TStaticText(this);
    l->SetParent(this);
    l->SetCaption(text);
    l->SetBounds(x, top + 4, kLabelWidth, kRow - 4);
    l->Tag = id;
    return l;
  };
  label(StockText("Look in:"), kFileDlgIdFolderLabel, y);
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
  upButton->SetCaption(StockText("Up"));
  upButton->SetBounds(x + w - kButtonWidth, y, kButtonWidth, kRow);
  if (!tpl) upButton->SetAnchors(akRight | akTop);
  upButton->OnClick = [this](TObject*) { Navigate(ExtractFileDir(ExcludeTrailingPathDelimiter(folder)), true); };

  int bottom = area.Bottom - kMargin;
  bool showReadOnly = !(ofn->Flags & OFN_HIDEREADONLY);
  int rowsBelow = 2 * (kRow + kMargin) + (showReadOnly ? kRow : 0);
  int listTop = y + kRow + kMargin;
  BuildList(x, listTop, w, bottom - rowsBelow - listTop, stretch);

  int nameTop = list->Top() + list->Height() + kMargin;
  nameLabel = label(StockText("File name:"), kFileDlgIdNameLabel, nameTop);
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
  okButton->SetCaption(StockText(save ? "&Save" : "&Open"));
  okButton->SetBounds(x + w - kButtonWidth, nameTop, kButtonWidth, kRow);
  okButton->SetAnchors(bottomButton);
  okButton->SetDefault(true);
  okButton->Tag = kFileDlgIdOk;
  okButton->OnClick = [this](TObject*) { Ok(); };

  int typeTop = nameTop + kRow + kMargin;
  typeLabel = label(StockText("Files of type:"), kFileDlgIdTypeLabel, typeTop);
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
  cancelButton->SetCaption(StockText("Cancel"));
  cancelButton->SetBounds(x + w - kButtonWidth, typeTop, kButtonWidth, kRow);
  cancelButton->SetAnchors(bottomButton);
  cancelButton->SetCancel(true);
  cancelButton->ModalResult = mrCancel;
  cancelButton->Tag = kFileDlgIdCancel;

  readOnly = new TCheckBox(this);
  readOnly->SetName("ReadOnly");
  readOnly->SetParent(this);
  readOnly->SetCaption(StockText("Open as &read-only"));
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
  Navigate(ExcludeTrailingPathDelimiter(ExpandFileName(dir)), false);

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

void TFileDialogForm::Navigate(const std::string& dir, bool notify) {
  if (!DirectoryExists(dir)) return;
  folder = dir;
  folderBar->SetText(folder);
  upButton->SetEnabled(folder != "/");
  Refill(false);
  // The list starts over: nothing selected, and no older notice pending.
  notifiedSelection_.clear();
  if (notify) {
    Notify(CDN_FOLDERCHANGE);
    Notify(CDN_SELCHANGE);
  }
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
    case CDM_GETFILEPATH: Message.Result = CopyOut(FilePath(), Message.WParam, Message.LParam); return;
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
      defExt = NormaliseDefExt(text ? text : "");
      return;
    }
    case kSelectionChanged:
      selectionPosted_ = false;
      FlushSelection();
      return;
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
  SetDialogError(0);
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAME)) {
    SetDialogError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  if ((ofn->Flags & OFN_ENABLETEMPLATE) &&
      (!ofn->lpTemplateName || Templates().find(ofn->lpTemplateName) == Templates().end())) {
    SetDialogError(CDERR_FINDRESFAILURE);
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

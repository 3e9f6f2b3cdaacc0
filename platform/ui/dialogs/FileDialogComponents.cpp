#include "platform/ui/dialogs/FileDialogComponents.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/FileUtils.h"
#include "platform/ui/forms/Application.h"
#include "platform/user/User.h"

namespace {

// The request flag of each option, in TOpenOption order (0: no flag).
constexpr DWORD kOptionFlags[] = {
    OFN_READONLY,          OFN_OVERWRITEPROMPT,     OFN_HIDEREADONLY,   OFN_NOCHANGEDIR,         OFN_SHOWHELP,
    OFN_NOVALIDATE,        OFN_ALLOWMULTISELECT,    OFN_EXTENSIONDIFFERENT, OFN_PATHMUSTEXIST,   OFN_FILEMUSTEXIST,
    OFN_CREATEPROMPT,      OFN_SHAREAWARE,          OFN_NOREADONLYRETURN, OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON,
    OFN_NOLONGNAMES,       0,                       OFN_NODEREFERENCELINKS, OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING,
    OFN_DONTADDTORECENT,   OFN_FORCESHOWHIDDEN,
};
static_assert(sizeof kOptionFlags / sizeof kOptionFlags[0] == ofForceShowHidden + 1);

// "a|b|c|d" as NUL-separated pairs ending with an empty string.
std::string FilterPairs(const std::string& filter) {
  std::string out;
  for (char c : filter) out.push_back(c == '|' ? '\0' : c);
  if (!out.empty()) out.push_back('\0');
  out.push_back('\0');
  return out;
}

constexpr size_t kResultRoom = 65536;

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner), files_(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

UINT_PTR TOpenDialog::Hook(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAME*>(lp);
    SetWindowLongPtr(hwnd, DWLP_USER, ofn->lCustData);
    return 0;
  }
  auto* self = reinterpret_cast<TOpenDialog*>(GetWindowLongPtr(hwnd, DWLP_USER));
  if (!self) return 0;
  try {
    if (msg == WM_DESTROY) {
      if (self->OnClose) self->OnClose(self);
      return 0;
    }
    if (msg != WM_NOTIFY) return 0;
    auto* n = reinterpret_cast<OFNOTIFY*>(lp);
    self->handle_ = GetParent(hwnd);
    switch (n->hdr.code) {
      case CDN_INITDONE:
        if (self->OnShow) self->OnShow(self);
        break;
      case CDN_SELCHANGE:
        if (self->OnSelectionChange) self->OnSelectionChange(self);
        break;
      case CDN_FOLDERCHANGE:
        if (self->OnFolderChange) self->OnFolderChange(self);
        break;
      case CDN_TYPECHANGE:
        self->FilterIndex = int(n->lpOFN->nFilterIndex);
        if (self->OnTypeChange) self->OnTypeChange(self);
        break;
      case CDN_FILEOK: {
        self->ReadResult(*n->lpOFN);
        bool canClose = true;
        if (self->OnCanClose) self->OnCanClose(self, canClose);
        if (!canClose) {
          SetWindowLongPtr(hwnd, DWLP_MSGRESULT, 1);
          return 1;
        }
        break;
      }
      default: break;
    }
  } catch (...) {
    Application->HandleException(self);
  }
  return 0;
}

std::vector<std::string> FileDialogResultPaths(const OPENFILENAME& ofn) {
  std::vector<std::string> paths;
  // Never past the buffer: the names run to an empty one or to its end.
  const char* p = ofn.lpstrFile;
  const char* end = ofn.lpstrFile + ofn.nMaxFile;
  auto next = [&](const char* at) { return std::string(at, std::find(at, end, '\0')); };
  std::string first = next(p);
  p = first.size() < ofn.nMaxFile ? p + first.size() + 1 : end;
  if ((ofn.Flags & OFN_ALLOWMULTISELECT) && p < end && *p) {
    for (std::string name; p < end && !(name = next(p)).empty(); p += name.size() + 1)
      paths.push_back(name[0] == '/' ? name : IncludeTrailingPathDelimiter(first) + name);
  } else {
    paths.push_back(first);
  }
  return paths;
}

void TOpenDialog::ReadResult(const OPENFILENAME& ofn) {
  files_->Clear();
  for (const std::string& path : FileDialogResultPaths(ofn)) files_->Add(path);
  FileName = files_->Strings(0);
  FilterIndex = int(ofn.nFilterIndex);
}

bool TOpenDialog::Execute() {
  std::string filter = FilterPairs(Filter);
  std::vector<char> buffer(FileName.size() + kResultRoom, '\0');
  FileName.copy(buffer.data(), FileName.size());
  OPENFILENAME ofn;
  ofn.hwndOwner = Application->Handle();
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = DWORD(FilterIndex);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK;
  for (int o = ofReadOnly; o <= ofForceShowHidden; ++o)
    if (Options & OptionBit(TOpenOption(o))) ofn.Flags |= kOptionFlags[o];
  if (OptionsEx & ExOptionBit(ofExNoPlacesBar)) ofn.FlagsEx |= OFN_EX_NOPLACESBAR;
  if (!Template.empty()) {
    ofn.Flags |= OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = Template.c_str();
  }
  ofn.lCustData = reinterpret_cast<LPARAM>(this);
  ofn.lpfnHook = &TOpenDialog::Hook;
  BOOL ok = RunDialog(ofn);
  handle_ = nullptr;
  if (!ok) return false;
  ReadResult(ofn);
  auto setOption = [&](TOpenOption o, bool on) { Options = on ? Options | OptionBit(o) : Options & ~OptionBit(o); };
  setOption(ofReadOnly, (ofn.Flags & OFN_READONLY) != 0);
  setOption(ofExtensionDifferent, (ofn.Flags & OFN_EXTENSIONDIFFERENT) != 0);
  return true;
}

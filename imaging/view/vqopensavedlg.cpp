#include "imaging/view/vqopensavedlg.h"

#include <algorithm>
#include <vector>

#include "imaging/io/component/pictoraio_formats.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"

// ---- templates ------------------------------------------------------------------

namespace {

struct TDialogUnits {
  int Width, Height;
  int PlaceholderLeft, PlaceholderTop, PlaceholderWidth, PlaceholderHeight;
};

// The template font's dialog base units: half the average letter width
// rounded, and the line height.
TSize DialogBaseUnits() {
  static const TSize units = [] {
    TBitmap bmp;
    bmp.SetSize(1, 1);
    TCanvas* c = bmp.Canvas();
    c->Font()->SetName("Helv");
    c->Font()->SetSize(8);
    const int letters = c->TextWidth("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return TSize{(letters / 26 + 1) / 2, c->TextHeight("Ay")};
  }();
  return units;
}

TFileDialogTemplate FromDialogUnits(const TDialogUnits& d) {
  const TSize u = DialogBaseUnits();
  auto x = [&](int dlu) { return dlu * u.cx / 4; };
  auto y = [&](int dlu) { return dlu * u.cy / 8; };
  TFileDialogTemplate t;
  t.Width = x(d.Width);
  t.Height = y(d.Height);
  t.Placeholder = Rect(x(d.PlaceholderLeft), y(d.PlaceholderTop), x(d.PlaceholderLeft + d.PlaceholderWidth),
                       y(d.PlaceholderTop + d.PlaceholderHeight));
  return t;
}

void RegisterPictoraTemplates() {
  RegisterFileDialogTemplate(kVQTemplate, PictoraTemplate(kVQTemplate));
  RegisterFileDialogTemplate(kVQTemplateNoPicture, PictoraTemplate(kVQTemplateNoPicture));
}

// ---- filter texts ---------------------------------------------------------------

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(sep, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::string Join(const std::vector<std::string>& parts, const std::string& sep) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? sep : "") + parts[i];
  return out;
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// "a|b|c|d" as the platform's NUL-separated pairs.
std::string ZeroSeparated(const std::string& filter) {
  std::string out;
  for (char c : filter) out.push_back(c == '|' ? '\0' : c);
  if (!out.empty()) out.push_back('\0');
  out.push_back('\0');
  return out;
}

int PairCount(const std::string& filter) { return filter.empty() ? 0 : int(Split(filter, '|').size() + 1) / 2; }

// A text the dialog window answers with a CDM_GET* message, however long.
std::string QueryDialog(HWND dialog, UINT msg) {
  if (!dialog) return "";
  LRESULT need = SendMessage(dialog, msg, 0, 0);
  if (need <= 0) return "";
  std::string text(std::size_t(need), '\0');
  SendMessage(dialog, msg, WPARAM(need), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::size_t(need) - 1);
  return text;
}

// The request flag of each option in TOpenOption order; the old style maps
// to the explorer bit, which is then inverted.
constexpr DWORD kOptionFlags[] = {
    OFN_READONLY,        OFN_OVERWRITEPROMPT,   OFN_HIDEREADONLY,      OFN_NOCHANGEDIR,
    OFN_SHOWHELP,        OFN_NOVALIDATE,        OFN_ALLOWMULTISELECT,  OFN_EXTENSIONDIFFERENT,
    OFN_PATHMUSTEXIST,   OFN_FILEMUSTEXIST,     OFN_CREATEPROMPT,      OFN_SHAREAWARE,
    OFN_NOREADONLYRETURN, OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON,   OFN_NOLONGNAMES,
    OFN_EXPLORER,        OFN_NODEREFERENCELINKS, OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING,
    OFN_DONTADDTORECENT, OFN_FORCESHOWHIDDEN,
};
static_assert(std::size(kOptionFlags) == ofForceShowHidden + 1);

// Room for the chosen names beyond the initial one.
constexpr std::size_t kNameRoom = 1 << 16;
constexpr std::size_t kMultiNameRoom = 1 << 20;

// The dialog whose platform dialog is being created: the hook binds its
// window to it. One dialog of this kind opens at a time.
TVQCommonDialog* g_creating = nullptr;

}  // namespace

TFileDialogTemplate PictoraTemplate(const std::string& name) {
  if (name == kVQTemplate) return FromDialogUnits({382, 181, 2, 4, 278, 145});
  if (name == kVQTemplateNoPicture) return FromDialogUnits({288, 171, 10, 4, 270, 145});
  return {};
}

std::string FilterPattern(const std::string& filter, int index) {
  std::vector<std::string> parts = Split(filter, '|');
  std::size_t at = std::size_t(index) * 2 - 1;
  if (index < 1 || filter.empty() || at >= parts.size()) return "";
  return parts[at];
}

std::string PatternExtension(const std::string& pattern) {
  const std::size_t dot = pattern.find('.'), semicolon = pattern.find(';');
  if (dot == std::string::npos || (semicolon != std::string::npos && semicolon < dot)) return "";
  const std::string ext = pattern.substr(dot, semicolon == std::string::npos ? std::string::npos : semicolon - dot);
  return HasWildcard(ext) ? "" : ext;
}

int FilterIndexFromName(const std::string& filter, const std::string& fileName) {
  std::string name = ExtractFileName(LowerCase(fileName));
  if (!name.empty() && name[0] == '.') name.erase(0, 1);
  const std::string ext = ExtractFileExt(name);
  if (ext.empty()) return 1;
  const int pairs = PairCount(filter);
  for (int i = 1; i <= pairs; ++i)
    for (const std::string& p : Split(FilterPattern(filter, i), ';'))
      if (SameText(Trim(p), "*" + ext)) return i;
  return 1;
}

std::string BuildPictoraFilter(bool forSave, bool addAvi, const std::string& extra, TMsgLanguage language) {
  UpdateGifFormatProcs();
  std::string pairs;
  std::vector<std::string> all;
  for (int i = 0; i < FileFormatCount(); ++i) {
    const TVQFormatInfo* row = FileFormatAt(i);
    if (forSave ? !row->WriteProc : !row->ReadProc) continue;
    std::vector<std::string> exts = Split(row->ExtensionList, ';');
    std::vector<std::string> patterns;
    for (const std::string& e : exts) patterns.push_back("*." + LowerCase(e));
    pairs += "|" + row->Description + " (" + UpperCase(row->ExtensionList) + ")|" + Join(patterns, ";");
    all.push_back(Join(patterns, ";"));
  }
  // Video files are read only, so only the open dialog offers them.
  if (addAvi && !forSave) {
    all.push_back("*.avi");
    pairs += "|" + GetWord(125, language) + " (AVI)|*.avi";
  }
  const std::string more = Trim(extra);
  if (!more.empty()) {
    pairs += "|" + more;
    std::vector<std::string> parts = Split(more, '|');
    std::vector<std::string> patterns;
    for (std::size_t i = 1; i < parts.size(); i += 2) patterns.push_back(Trim(parts[i]));
    all.push_back(Join(patterns, ";"));
  }
  if (forSave) return pairs.empty() ? pairs : pairs.substr(1);
  return GetWord(124, language) + "|" + Join(all, ";") + pairs;
}

std::string DefaultSaveFilter() {
  UpdateGifFormatProcs();
  const TVQFormatInfo* gif = FormatInfoByType(ioGIF);
  std::string f = "JPEG Bitmap (JPG)|*.jpg";
  if (gif && gif->WriteProc) f += "|CompuServe Bitmap (GIF)|*.gif";
  f += "|TIFF Bitmap (TIF)|*.tif|PaintBrush (PCX)|*.pcx|Portable Network Graphics (PNG)|*.png"
       "|Windows Bitmap (BMP)|*.bmp|OS/2 Bitmap (BMP)|*.bmp|Targa Bitmap (TGA)|*.tga"
       "|Portable PixMap (PXM)|*.pxm|Portable PixMap (PPM)|*.ppm|Portable GreyMap (PGM)|*.pgm"
       "|Portable Bitmap (PBM)|*.pbm|JPEG2000 (JP2)|*.jp2|JPEG2000 Code Stream (J2K)|*.j2k"
       "|Multipage PCX (DCX)|*.dcx";
  return f;
}

// ---- the common base ----------------------------------------------------------------

// The hook procedure and the window procedure that routes the bound hook
// window's messages to its dialog object.
struct TVQDialogHooks {
  static void Bind(HWND hwnd, WPARAM wp, LPARAM lp) {
    TVQCommonDialog* d = g_creating;
    if (!d) return;
    g_creating = nullptr;
    d->handle_ = hwnd;
    SetWindowLongPtr(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    d->defWndProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    Proc(hwnd, WM_INITDIALOG, wp, lp);
  }

  static UINT_PTR Explorer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
      Bind(hwnd, wp, lp);
    } else if (msg == WM_NOTIFY && reinterpret_cast<OFNOTIFY*>(lp)->hdr.code == CDN_INITDONE) {
      Centre(GetParent(hwnd));
    }
    return 0;
  }

  // Across the screen and a third of the way down, as the library's dialogs
  // always stood.
  static void Centre(HWND dialog) {
    RECT r{};
    if (!dialog || !GetWindowRect(dialog, &r)) return;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - r.Width()) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - r.Height()) / 3;
    // The platform's dialog is a form that would centre itself again when
    // shown; it keeps this place instead.
    if (auto* form = dynamic_cast<TCustomForm*>(FindControl(dialog))) {
      form->SetPosition(poDesigned);
      form->SetBounds(x, y, r.Width(), r.Height());
    } else {
      SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* d = reinterpret_cast<TVQCommonDialog*>(GetWindowLongPtr(hwnd, DWLP_USER));
    if (!d) return DefWindowProc(hwnd, msg, wp, lp);
    TMessage m;
    m.Msg = msg;
    m.WParam = wp;
    m.LParam = lp;
    try {
      d->WndProc(m);
    } catch (...) {
      if (Application) Application->HandleException(d);
    }
    return m.Result;
  }
};

TVQCommonDialog::TVQCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
TVQCommonDialog::~TVQCommonDialog() {
  if (g_creating == this) g_creating = nullptr;
}

HWND TVQCommonDialog::DialogWindow() const { return handle_ ? GetParent(handle_) : nullptr; }

void TVQCommonDialog::CallDefault(TMessage& Message) {
  if (handle_ && defWndProc_ && IsWindow(handle_))
    Message.Result = CallWindowProc(defWndProc_, handle_, Message.Msg, Message.WParam, Message.LParam);
}

void TVQCommonDialog::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_INITDIALOG:
      DoShow();
      Message.Result = 0;
      return;
    case WM_DESTROY:
      CallDefault(Message);
      DoClose();
      return;
    case WM_NCDESTROY:
      CallDefault(Message);
      handle_ = nullptr;
      return;
    default:
      CallDefault(Message);
  }
}

bool TVQCommonDialog::MessageHook(TMessage& Message) {
  static const UINT helpMessage = RegisterWindowMessage("commdlg_help");
  if (Message.Msg != helpMessage || HelpContext == 0) return false;
  if (Application) Application->HelpContext(HelpContext);
  return true;
}

BOOL TVQCommonDialog::TaskModalDialog(TDialogFunc DialogFunc, OPENFILENAME& DialogData) {
  HWND active = GetActiveWindow();
  TWindowHook hook(this, &TVQCommonDialog::MessageHook);
  if (Application) Application->HookMainWindow(hook);
  auto restore = [&] {
    g_creating = nullptr;
    handle_ = nullptr;
    if (Application) Application->UnhookMainWindow(hook);
    if (active && IsWindow(active)) SetActiveWindow(active);
  };
  g_creating = this;
  BOOL result = FALSE;
  try {
    result = DialogFunc(&DialogData);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

void TVQCommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TVQCommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

// ---- the open dialog -----------------------------------------------------------------

TOpenPictoraDialog::TOpenPictoraDialog(TComponent* AOwner)
    : TVQCommonDialog(AOwner), files_(std::make_unique<TStringList>()) {
  RegisterPictoraTemplates();
  UpdateGifFormatProcs();
  Filter = BuildPictoraFilter(false, AddAviFilter, ExtraFilter, MsgLanguage);
  pane_ = CreatePreviewPane(*this);
  pane_->SetCaptions(MsgLanguage);
}

TOpenPictoraDialog::~TOpenPictoraDialog() = default;

void TOpenPictoraDialog::SetPreviewPane(std::unique_ptr<TVQPreviewPane> pane) {
  if (!pane) return;
  pane->SetZoomFilter(pane_->ZoomFilter());
  pane_ = std::move(pane);
}

std::string TOpenPictoraDialog::FileName() const {
  return Handle() ? QueryDialog(DialogWindow(), CDM_GETFILEPATH) : fileName_;
}

int TOpenPictoraDialog::FilterIndex() const { return Handle() ? currentFilterIndex_ : filterIndex_; }

void TOpenPictoraDialog::SetInitialDir(const std::string& v) {
  initialDir_ = v.size() > 1 && v.back() == '/' ? v.substr(0, v.size() - 1) : v;
}

void TOpenPictoraDialog::SetAlwaysAnimate(bool v) {
  alwaysAnimate_ = v;
  if (v) ShowAllFrames = true;
}

void TOpenPictoraDialog::SetPreviewBorderStyle(TVQDBorderStyle v) {
  borderStyle_ = v;
  pane_->SetBorderStyle(v);
}

bool TOpenPictoraDialog::Execute() {
  templateName_ = kVQTemplate;
  previewActive_ = true;
  pane_->SetCaptions(MsgLanguage);
  pane_->SetPreviewCheckVisible(true);
  if (AutoSetFilter) Filter = BuildPictoraFilter(false, AddAviFilter, ExtraFilter, MsgLanguage);
  return DoExecute(GetOpenFileName) != FALSE;
}

BOOL TOpenPictoraDialog::DoExecute(TDialogFunc DialogFunc) {
  pane_->SetPlayButtonVisible(!alwaysAnimate_);
  SelectedFrame = 0;
  files_->Clear();

  const std::string filter = ZeroSeparated(Filter);
  if (filterIndex_ == 0) filterIndex_ = FilterIndexFromName(Filter, fileName_);
  // The platform shows the first pair for an index beyond the last; so does
  // everything that follows the shown pair.
  currentFilterIndex_ = filterIndex_ >= 1 && filterIndex_ <= PairCount(Filter) ? filterIndex_ : 1;
  currentPattern_.clear();

  const bool multi = (Options & OptionBit(ofAllowMultiSelect)) != 0;
  std::vector<char> names(fileName_.size() + (multi ? kMultiNameRoom : kNameRoom) + 2, '\0');
  std::copy(fileName_.begin(), fileName_.end(), names.begin());

  OPENFILENAME ofn;
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = DWORD(currentFilterIndex_);
  ofn.lpstrFile = names.data();
  ofn.nMaxFile = DWORD(names.size());
  ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.Flags = OFN_ENABLEHOOK;
  for (int o = ofReadOnly; o <= ofForceShowHidden; ++o)
    if (Options & OptionBit(TOpenOption(o))) ofn.Flags |= kOptionFlags[o];
  ofn.Flags ^= OFN_EXPLORER;

  std::string defExt = DefaultExt;
  if (defExt.empty() && !(ofn.Flags & OFN_EXPLORER)) {
    defExt = ExtractFileExt(fileName_);
    if (!defExt.empty()) defExt.erase(0, 1);
  }
  if (defExt.empty()) defExt = PatternExtension(FilterPattern(Filter, currentFilterIndex_));
  ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();

  ofn.lpfnHook = &TVQDialogHooks::Explorer;
  if (!templateName_.empty()) {
    ofn.Flags |= OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = templateName_.c_str();
  }
  if (Application) {
    ofn.hwndOwner = Application->Handle();
  } else {
    for (TComponent* c = Owner(); c; c = c->Owner())
      if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
        ofn.hwndOwner = w->Handle();
        break;
      }
  }
  if (!ShowPlacesBar) ofn.FlagsEx |= OFN_EX_NOPLACESBAR;

  BOOL result = TaskModalDialog(DialogFunc, ofn);
  if (!result) return result;
  ReadNames(ofn);
  auto setOption = [&](TOpenOption o, bool on) { Options = on ? Options | OptionBit(o) : Options & ~OptionBit(o); };
  setOption(ofReadOnly, (ofn.Flags & OFN_READONLY) != 0);
  setOption(ofExtensionDifferent, (ofn.Flags & OFN_EXTENSIONDIFFERENT) != 0);
  filterIndex_ = int(ofn.nFilterIndex);
  return result;
}

void TOpenPictoraDialog::ReadNames(const OPENFILENAME& ofn) {
  files_->Clear();
  for (const std::string& path : FileDialogResultPaths(ofn)) files_->Add(path);
  fileName_ = files_->Strings(0);
}

void TOpenPictoraDialog::WndProc(TMessage& Message) {
  // The pane is placed at CDN_INITDONE, once the standard controls exist.
  if (Message.Msg == WM_INITDIALOG) {
    Message.Result = 0;
    return;
  }
  if (Message.Msg == WM_NOTIFY) {
    auto* n = reinterpret_cast<OFNOTIFY*>(Message.LParam);
    switch (n->hdr.code) {
      case CDN_INITDONE:
        currentPattern_ = FilterPattern(Filter, currentFilterIndex_);
        DoShow();
        break;
      case CDN_SELCHANGE:
        DoSelectionChange();
        break;
      case CDN_FOLDERCHANGE:
        DoFolderChange();
        break;
      case CDN_TYPECHANGE: {
        const int index = int(n->lpOFN->nFilterIndex);
        currentPattern_ = FilterPattern(Filter, index);
        // A pattern with wildcards gives no extension, and the dialog then
        // appends none.
        const std::string ext = PatternExtension(currentPattern_);
        SendMessage(DialogWindow(), CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(ext.c_str()));
        if (index != currentFilterIndex_) {
          currentFilterIndex_ = index;
          DoTypeChange();
        }
        break;
      }
      case CDN_FILEOK: {
        const std::string kept = fileName_;
        ReadNames(*n->lpOFN);
        bool canClose = true;
        DoCanClose(canClose);
        files_->Clear();
        if (!canClose) {
          // The refused name is no choice: the stored one stays.
          fileName_ = kept;
          Message.Result = 1;
          SetWindowLongPtr(Handle(), DWLP_MSGRESULT, 1);
          return;
        }
        break;
      }
      default:
        break;
    }
  }
  TVQCommonDialog::WndProc(Message);
}

TRect TOpenPictoraDialog::GetStaticRect() const {
  RECT client{};
  if (!Handle() || !GetClientRect(Handle(), &client)) return TRect{};
  const TFileDialogTemplate t = PictoraTemplate(templateName_);
  if (t.Width == 0) return client;
  // The platform keeps the area right of and below the placeholder as the
  // template has it and gives the standard controls the rest.
  return Rect(t.Placeholder.Left, t.Placeholder.Top, client.Right - (t.Width - t.Placeholder.Right),
              client.Bottom - (t.Height - t.Placeholder.Bottom));
}

void TOpenPictoraDialog::ApplyZoom() { pane_->ApplyZoom(); }

void TOpenPictoraDialog::DoShow() {
  RECT client{};
  GetClientRect(Handle(), &client);
  pane_->Place(Handle(), client, GetStaticRect(), previewActive_, ExtendedDialog);
  TVQCommonDialog::DoShow();
}

void TOpenPictoraDialog::DoClose() {
  TVQCommonDialog::DoClose();
  pane_->Clear();
}

void TOpenPictoraDialog::DoCanClose(bool& CanClose) {
  if (OnCanClose) OnCanClose(this, CanClose);
}

void TOpenPictoraDialog::DoSelectionChange() {
  if (previewActive_) pane_->Preview(FileName());
  if (OnSelectionChange) OnSelectionChange(this);
}

void TOpenPictoraDialog::DoFolderChange() {
  if (OnFolderChange) OnFolderChange(this);
}

void TOpenPictoraDialog::DoTypeChange() {
  if (OnTypeChange) OnTypeChange(this);
}

// ---- the save dialog -----------------------------------------------------------------

TSavePictoraDialog::TSavePictoraDialog(TComponent* AOwner) : TOpenPictoraDialog(AOwner) {
  Filter = DefaultSaveFilter();
}

void TSavePictoraDialog::SetAttachedPictoraIO(TComponent* v) {
  auto* link = dynamic_cast<IVQSaveParamsLink*>(v);
  if (!link || v == attached_) return;
  if (attached_) attached_->RemoveFreeNotification(this);
  attached_ = v;
  attached_->FreeNotification(this);
  TMsgLanguage language;
  if (link->SaveParamsLanguage(language)) MsgLanguage = language;
}

void TSavePictoraDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TOpenPictoraDialog::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == attached_) attached_ = nullptr;
}

bool TSavePictoraDialog::Execute() {
  if (IVQSaveParamsLink* link = Link(); link && link->SaveParamsEmpty()) return false;
  previewActive_ = (ExOptions & SaveDlgBit(sdShowPreview)) != 0;
  templateName_ = previewActive_ ? kVQTemplate : kVQTemplateNoPicture;
  if (AutoSetFilter) Filter = BuildPictoraFilter(true, AddAviFilter, ExtraFilter, MsgLanguage);
  const TRect advanced = ShowPlacesBar ? Bounds(474, 0, 75, 23) : Bounds(333, 0, 75, 23);
  PreviewPane()->SetAdvancedButton((ExOptions & SaveDlgBit(sdShowAdvanced)) != 0, advanced,
                                   [this](TObject* sender) { AdvancedClick(sender); });
  PreviewPane()->SetCaptions(MsgLanguage);
  PreviewPane()->SetPreviewCheckVisible(previewActive_);
  // What the advanced button may change goes back when the user cancels,
  // or when the dialog fails.
  std::unique_ptr<TVQSaveParamsBackup> backup = Link() ? Link()->BackupSaveParams() : nullptr;
  auto restore = [&] {
    if (backup && Link()) Link()->RestoreSaveParams(*backup);
  };
  UpdateAdvanced();
  BOOL result = FALSE;
  try {
    result = DoExecute(GetSaveFileName);
  } catch (...) {
    restore();
    throw;
  }
  if (!result) restore();
  // A name without extension takes the chosen pair's; an empty one stays
  // empty.
  const std::string name = TOpenPictoraDialog::FileName();
  if (!ExtractFileName(name).empty() && ExtractFileExt(name).empty())
    SetFileName(name + PatternExtension(CurrentPattern()));
  return result != FALSE;
}

TVQNameFormat TSavePictoraDialog::NameFormat() const {
  auto lookUp = [](std::string ext) {
    ext = LowerCase(ext);
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    const TVQFormatInfo* row = FormatInfoByExtension(ext);
    return row ? TVQNameFormat{row->FileType, row->DialogPages} : TVQNameFormat{};
  };
  std::string ext = ExtractFileExt(FileName());
  TVQNameFormat f = lookUp(ext.empty() ? DefaultExt : ext);
  if (f.DialogPages == 0 && !CurrentPattern().empty()) {
    const std::string& pattern = CurrentPattern();
    f = lookUp(pattern.substr(pattern.rfind('.') == std::string::npos ? pattern.size() : pattern.rfind('.')));
  }
  return f;
}

void TSavePictoraDialog::UpdateAdvanced() {
  const TVQNameFormat f = NameFormat();
  if (IVQSaveParamsLink* link = Link()) link->SaveFormatChanged(f.FileType);
  PreviewPane()->SetAdvancedEnabled(f.DialogPages != 0);
}

void TSavePictoraDialog::AdvancedClick(TObject*) {
  const TVQNameFormat f = NameFormat();
  if (f.DialogPages == 0) return;
  if (IVQSaveParamsLink* link = Link()) link->ShowSaveParams(f.FileType, f.DialogPages);
}

void TSavePictoraDialog::UpdateExtension() {
  const std::string ext = PatternExtension(CurrentPattern());
  const std::string text = QueryDialog(DialogWindow(), CDM_GETSPEC);
  const std::string name = ExtractFileName(text);
  if (ext.empty() || name.empty()) return;
  // Only the last extension of the name changes; its folder part and any
  // other dots stay as typed.
  const std::string kept = ExtractFilePath(text) + name.substr(0, name.size() - ExtractFileExt(name).size());
  const std::string now = kept + ext;
  SendMessage(DialogWindow(), CDM_SETCONTROLTEXT, WPARAM(kFileDlgIdName), reinterpret_cast<LPARAM>(now.c_str()));
}

void TSavePictoraDialog::DoTypeChange() {
  UpdateExtension();
  UpdateAdvanced();
  TOpenPictoraDialog::DoTypeChange();
}

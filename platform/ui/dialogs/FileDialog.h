// The open and save dialogs: GetOpenFileName/GetSaveFileName as our own modal
// form built in code (places bar, folder bar with an Up button, file list as
// a report-style list view, name box, type list, read-only box, OK and
// Cancel), with the hook window, the template area and the CDN_*
// notifications in their order, and the CDM_* commands a hook sends to its
// parent. TOpenDialog/TSaveDialog (FileDialogComponents.h) sit on top.
//
// The name box takes one name, several quoted ones ("a.jpg" "b.jpg", with
// OFN_ALLOWMULTISELECT), a folder to go to (absolute, relative, "..", "~"
// for the home folder) or a pattern with wildcards to filter the list by.
//
// Dialog templates are not resources here: a template name given with
// OFN_ENABLETEMPLATE is looked up in a small registry (sizes in pixels) and
// the hook gets an empty child window of that size to fill.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/forms/Forms.h"
#include "platform/ui/system/UiMessages.h"

using UINT_PTR = std::uintptr_t;
using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAME {
  DWORD lStructSize = sizeof(OPENFILENAME);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  // Pairs of description and ';'-separated patterns, NUL-separated, ending
  // with an empty string ("Bitmaps\0*.bmp\0All\0*.*\0\0").
  const char* lpstrFilter = nullptr;
  char* lpstrCustomFilter = nullptr;  // ignored
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;  // 1-based; 0 or out of range means the first
  char* lpstrFile = nullptr;  // in: initial name (may hold a folder); out: result
  DWORD nMaxFile = 0;
  char* lpstrFileTitle = nullptr;  // out: the name alone, when given
  DWORD nMaxFileTitle = 0;
  const char* lpstrInitialDir = nullptr;
  const char* lpstrTitle = nullptr;
  DWORD Flags = 0;
  Word nFileOffset = 0;
  Word nFileExtension = 0;
  const char* lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  const char* lpTemplateName = nullptr;
  void* pvReserved = nullptr;
  DWORD dwReserved = 0;
  DWORD FlagsEx = 0;  // OFN_EX_*
};
using LPOPENFILENAME = OPENFILENAME*;

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;  // we never change the current folder
constexpr DWORD OFN_SHOWHELP = 0x00000010;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x00000080;  // ignored
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_SHAREAWARE = 0x00004000;  // ignored
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;  // ignored
constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;  // ignored
constexpr DWORD OFN_NONETWORKBUTTON = 0x00020000;  // ignored
constexpr DWORD OFN_NOLONGNAMES = 0x00040000;  // ignored
constexpr DWORD OFN_EXPLORER = 0x00080000;  // always explorer style
constexpr DWORD OFN_NODEREFERENCELINKS = 0x00100000;  // ignored
constexpr DWORD OFN_LONGNAMES = 0x00200000;
constexpr DWORD OFN_ENABLEINCLUDENOTIFY = 0x00400000;  // ignored
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr DWORD OFN_DONTADDTORECENT = 0x02000000;  // ignored
constexpr DWORD OFN_FORCESHOWHIDDEN = 0x10000000;
// FlagsEx: no places bar.
constexpr DWORD OFN_EX_NOPLACESBAR = 0x00000001;

// CommDlgExtendedError codes.
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_FINDRESFAILURE = 0x0006;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

constexpr UINT WM_INITDIALOG = 0x0110;

struct OFNOTIFY {
  NMHDR hdr;
  OPENFILENAME* lpOFN = nullptr;
  char* pszFile = nullptr;  // CDN_SHAREVIOLATION only
};

constexpr UINT CDN_FIRST = UINT(-601);
constexpr UINT CDN_INITDONE = UINT(-601);
constexpr UINT CDN_SELCHANGE = UINT(-602);
constexpr UINT CDN_FOLDERCHANGE = UINT(-603);
constexpr UINT CDN_SHAREVIOLATION = UINT(-604);
constexpr UINT CDN_HELP = UINT(-605);
constexpr UINT CDN_FILEOK = UINT(-606);
constexpr UINT CDN_TYPECHANGE = UINT(-607);

// Commands a hook sends to GetParent(hook window). The GET ones take the
// buffer size in WParam and the buffer in LParam and return the size the
// text needs with its NUL (copying only when it fits).
constexpr UINT CDM_FIRST = WM_USER + 100;
constexpr UINT CDM_GETSPEC = CDM_FIRST + 0;
constexpr UINT CDM_GETFILEPATH = CDM_FIRST + 1;
constexpr UINT CDM_GETFOLDERPATH = CDM_FIRST + 2;
constexpr UINT CDM_SETCONTROLTEXT = CDM_FIRST + 4;  // WParam id, LParam text
constexpr UINT CDM_HIDECONTROL = CDM_FIRST + 5;     // WParam id
constexpr UINT CDM_SETDEFEXT = CDM_FIRST + 6;       // LParam text

// The hook window's extra bytes, as a dialog's.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = int(sizeof(LONG_PTR));
constexpr int DWLP_USER = 2 * int(sizeof(LONG_PTR));

// Ids of the standard controls (GetDlgItem of the dialog, CDM_* commands).
constexpr int kFileDlgIdOk = 1;          // IDOK
constexpr int kFileDlgIdCancel = 2;      // IDCANCEL
constexpr int kFileDlgIdReadOnly = 0x0410;  // chx1
constexpr int kFileDlgIdTypeLabel = 0x0441;  // stc2
constexpr int kFileDlgIdNameLabel = 0x0442;  // stc3
constexpr int kFileDlgIdFolderLabel = 0x0443;  // stc4
constexpr int kFileDlgIdList = 0x0460;   // lst1
constexpr int kFileDlgIdType = 0x0470;   // cmb1
constexpr int kFileDlgIdFolder = 0x0471;  // cmb2
constexpr int kFileDlgIdName = 0x0480;   // edt1 (1152)
constexpr int kFileDlgIdPlaces = 0x04A0;  // ctl1

// The width the places bar takes left of the standard controls, gap included.
constexpr int kFileDlgPlacesWidth = 88;

BOOL GetOpenFileName(OPENFILENAME* ofn);
BOOL GetSaveFileName(OPENFILENAME* ofn);
// 0 after success and after Cancel; the failure's code otherwise.
DWORD CommDlgExtendedError();

// ---- templates -------------------------------------------------------------
// A child template in pixels: its whole size and the placeholder the standard
// controls are laid out in (enlarged to their minimum size; the area right of
// and below it stays free for the hook's children).
struct TFileDialogTemplate {
  int Width = 0;
  int Height = 0;
  TRect Placeholder{};
};
void RegisterFileDialogTemplate(const std::string& name, const TFileDialogTemplate& t);
void UnregisterFileDialogTemplate(const std::string& name);

// ---- places ------------------------------------------------------------------
// The places bar's entries: the home folder, the desktop, documents and
// pictures folders (from the XDG user-dirs file in configHome, else
// home/Desktop and so on) when they exist, and the file system root. An
// empty configHome means home/.config. The dialog passes HOME and
// XDG_CONFIG_HOME as they are when it starts.
struct TFileDialogPlace {
  std::string Caption;
  std::string Path;
  bool operator==(const TFileDialogPlace&) const = default;
};
std::vector<TFileDialogPlace> FileDialogPlaces(const std::string& home, const std::string& configHome);

// The names in the name box's text: each quoted name ("a b.jpg" "c.jpg"),
// and each run outside quotes split at blanks when any quote is present;
// otherwise the trimmed text as one name. An unclosed quote runs to the end.
std::vector<std::string> SplitFileNames(const std::string& text);

// ---- headless driver -------------------------------------------------------
class TFileDialogForm;

// Acts on a running dialog as the user would. Names are as the list shows
// them; folders carry a trailing '/'.
class TFileDialogDriver {
 public:
  explicit TFileDialogDriver(TFileDialogForm* form) : form_(form) {}
  std::vector<std::string> List() const;
  std::string Folder() const;
  std::string NameText() const;
  int TypeIndex() const;  // 1-based
  TForm* Form() const;
  HWND Dialog() const;
  // Clicks an item (a plain click: the only selection).
  void Select(const std::string& name);
  // Ctrl-clicks an item into a multiple selection.
  void AddToSelection(const std::string& name);
  // Selects exactly these items (the first as a plain click, the others as
  // Ctrl-clicks).
  void SelectMany(const std::vector<std::string>& names);
  // The selected items in list order, folders with their '/'.
  std::vector<std::string> Selection() const;
  void DoubleClick(const std::string& name);
  // Clicks a column's header (0 name, 1 size, 2 type, 3 date modified).
  void ClickColumn(int index);
  void Navigate(const std::string& folder);
  void Up();
  // The places bar's captions, top to bottom (empty when it is hidden).
  std::vector<std::string> Places() const;
  void PressPlace(const std::string& caption);
  void SetType(int index);  // 1-based
  void TypeName(const std::string& text);
  void PressOk();
  void PressCancel();
  bool Closed() const;

  // Answers to the prompts (mrYes, mrNo...), taken in order; mrNo when none
  // is left. Every prompt and error message shown is recorded.
  std::deque<int> Answers;
  std::vector<std::string> Prompts;

 private:
  TFileDialogForm* form_;
};

// Runs once each dialog is shown, inside its modal loop. The dialog is
// cancelled if still open when the hook returns, so a test never hangs.
using TFileDialogTestHook = std::function<void(TFileDialogDriver&)>;
void SetFileDialogTestHook(TFileDialogTestHook hook);

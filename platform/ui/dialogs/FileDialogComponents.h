// TOpenDialog and TSaveDialog: the framework's file dialog components over
// GetOpenFileName/GetSaveFileName, with their events run from the hook.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/dialogs/FileDialog.h"

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
// A set of TOpenOption bits: OptionBit(ofReadOnly) | ...
using TOpenOptions = unsigned;
constexpr TOpenOptions OptionBit(TOpenOption o) { return 1u << o; }

enum TOpenOptionEx { ofExNoPlacesBar };
using TOpenOptionsEx = unsigned;
constexpr TOpenOptionsEx ExOptionBit(TOpenOptionEx o) { return 1u << o; }

// The paths a confirmed request holds: its one path, or with
// OFN_ALLOWMULTISELECT a folder followed by names below it (a name that is
// absolute stands alone). Never reads past the buffer.
std::vector<std::string> FileDialogResultPaths(const OPENFILENAME& ofn);

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  std::string ClassName() const override { return "TOpenDialog"; }

  std::string FileName;
  // "Description|patterns|Description|patterns".
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string DefaultExt;
  std::string Title;
  // A template name from the registry of FileDialog.h; empty for none.
  std::string Template;
  TOpenOptions Options = OptionBit(ofHideReadOnly) | OptionBit(ofEnableSizing);
  TOpenOptionsEx OptionsEx = 0;
  // The chosen paths, one per line, after Execute.
  TStrings* Files() const { return files_.get(); }
  // The dialog window while it runs, else nullptr.
  HWND Handle() const { return handle_; }

  virtual bool Execute();

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnFolderChange;
  TNotifyEvent OnTypeChange;
  TCloseQueryEvent OnCanClose;

 protected:
  virtual BOOL RunDialog(OPENFILENAME& ofn) { return GetOpenFileName(&ofn); }

 private:
  static UINT_PTR Hook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void ReadResult(const OPENFILENAME& ofn);
  std::unique_ptr<TStringList> files_;
  HWND handle_ = nullptr;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  std::string ClassName() const override { return "TSaveDialog"; }

 protected:
  BOOL RunDialog(OPENFILENAME& ofn) override { return GetSaveFileName(&ofn); }
};

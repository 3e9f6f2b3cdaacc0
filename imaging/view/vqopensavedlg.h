// The imaging library's open and save dialogs: the platform's file dialog
// with a child template whose free area holds the preview pane, run through
// a hook that binds the template's window to the dialog object.
//
// Filters are "description|patterns|description|patterns", several patterns
// of a pair separated by ';'. The filter is built from the format registry
// unless AutoSetFilter is off. While a dialog runs, FileName() and
// FilterIndex() read what it shows; afterwards they hold the choice.
#pragma once
#include <memory>
#include <string>

#include "imaging/core/base/vqwords.h"
#include "imaging/view/vqopensavedlg_pane.h"
#include "imaging/view/vqopensavedlg_params.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/ui/dialogs/FileDialogComponents.h"

struct TMessage;

// Template names, registered with the platform's file dialog when a dialog
// is created: the first leaves room for the picture panel right of the
// standard controls and the information panel below them, the second only
// below.
constexpr char kVQTemplate[] = "IDD_VQTEMPLATE";
constexpr char kVQTemplateNoPicture[] = "IDD_VQTEMPLATE1";
// The templates in pixels, from their dialog units and the template font.
TFileDialogTemplate PictoraTemplate(const std::string& name);

// ---- filters -------------------------------------------------------------------

// The pattern part of the index-th pair (1-based); "" beyond the last.
std::string FilterPattern(const std::string& filter, int index);
// The extension a pattern gives a name: from its first '.' up to its first
// ';' (".jpg" for "*.jpg;*.jpeg"); "" when it has none or holds a wildcard.
std::string PatternExtension(const std::string& pattern);
// The 1-based pair one of whose patterns is "*" + the name's extension,
// ignoring case; 1 when none is.
int FilterIndexFromName(const std::string& filter, const std::string& fileName);
// The filter of the open dialog (forSave false: an "all graphics" pair
// first, then every readable format, the video pair when addAvi, then
// extra) or of the save dialog (every writable format, then extra).
std::string BuildPictoraFilter(bool forSave, bool addAvi, const std::string& extra, TMsgLanguage language);
// The save dialog's filter while AutoSetFilter is off.
std::string DefaultSaveFilter();

// ---- the dialogs -------------------------------------------------------------------

// Runs a platform file dialog modally with a hook: binds the hook window
// to this object, centres the dialog, and carries the events and help. The
// platform's dialog has the explorer style only (its controls, its
// notifications and the template beside them), so ofOldStyleDialog keeps
// the explorer hook and layout; what it does change is the default
// extension, which comes from FileName when DefaultExt is empty.
class TVQCommonDialog : public TComponent {
 public:
  explicit TVQCommonDialog(TComponent* AOwner);
  ~TVQCommonDialog() override;
  std::string ClassName() const override { return "TVQCommonDialog"; }

  TMsgLanguage MsgLanguage = msSystem;
  bool Ctl3D = true;
  int HelpContext = 0;
  TNotifyEvent OnClose;
  TNotifyEvent OnShow;
  bool ShowPlacesBar = true;
  // Places the information panel and shows the picture's texts and zoom.
  bool ExtendedDialog = true;

  // The hook window while the dialog runs, else nullptr.
  HWND Handle() const { return handle_; }
  virtual bool Execute() = 0;

 protected:
  using TDialogFunc = BOOL (*)(OPENFILENAME*);
  virtual void WndProc(TMessage& Message);
  // Messages of the application's main window while the dialog runs.
  virtual bool MessageHook(TMessage& Message);
  virtual BOOL TaskModalDialog(TDialogFunc DialogFunc, OPENFILENAME& DialogData);
  virtual void DoClose();
  virtual void DoShow();
  // Passes a message to the hook window's own procedure.
  void CallDefault(TMessage& Message);
  // The platform dialog's window (the hook window's parent).
  HWND DialogWindow() const;

  std::string templateName_;

 private:
  friend struct TVQDialogHooks;
  HWND handle_ = nullptr;
  WNDPROC defWndProc_ = nullptr;
};

// The open dialog.
class TOpenPictoraDialog : public TVQCommonDialog {
 public:
  explicit TOpenPictoraDialog(TComponent* AOwner);
  ~TOpenPictoraDialog() override;
  std::string ClassName() const override { return "TOpenPictoraDialog"; }

  bool Execute() override;

  std::string DefaultExt;
  // Description and pattern pairs; the built filter unless replaced.
  std::string Filter;
  std::string Title;
  TOpenOptions Options = OptionBit(ofHideReadOnly);
  // Replace Filter by the built one at each Execute.
  bool AutoSetFilter = true;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  bool ShowAllFrames = false;
  // The built open filter offers video files.
  bool AddAviFilter = true;
  // More pairs for a built filter.
  std::string ExtraFilter;
  // The thumbnail last selected in a multi-frame preview; 0 at each run.
  int SelectedFrame = 0;

  // The live path while the dialog runs, the stored one otherwise.
  std::string FileName() const;
  void SetFileName(const std::string& v) { fileName_ = v; }
  // 1-based; 0 means: from FileName's extension at the next run.
  int FilterIndex() const;
  void SetFilterIndex(int v) { filterIndex_ = v; }
  const std::string& InitialDir() const { return initialDir_; }
  // Drops one trailing '/', but keeps the root.
  void SetInitialDir(const std::string& v);
  bool AlwaysAnimate() const { return alwaysAnimate_; }
  // On also shows all frames.
  void SetAlwaysAnimate(bool v);
  TVQDBorderStyle PreviewBorderStyle() const { return borderStyle_; }
  void SetPreviewBorderStyle(TVQDBorderStyle v);
  // The filter the preview zooms with: the pane's view's own setting, read
  // and written through (rfFastLinear in a new dialog).
  TResampleFilter ZoomFilter() const { return pane_->ZoomFilter(); }
  void SetZoomFilter(TResampleFilter v) { pane_->SetZoomFilter(v); }
  // Every confirmed path after a run.
  TStrings* Files() const { return files_.get(); }

  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnFolderChange;
  TNotifyEvent OnTypeChange;
  TCloseQueryEvent OnCanClose;

  TVQPreviewPane* PreviewPane() const { return pane_.get(); }
  // Puts another pane in place (the dialog owns it); it takes the zoom
  // filter of the one it replaces.
  void SetPreviewPane(std::unique_ptr<TVQPreviewPane> pane);
  // The standard controls' area in the hook window's client coordinates;
  // empty without a window.
  virtual TRect GetStaticRect() const;
  virtual void ApplyZoom();

 protected:
  void WndProc(TMessage& Message) override;
  void DoShow() override;
  void DoClose() override;
  virtual void DoCanClose(bool& CanClose);
  virtual void DoSelectionChange();
  virtual void DoFolderChange();
  virtual void DoTypeChange();
  // Runs the platform dialog with the hook and reads the result.
  BOOL DoExecute(TDialogFunc DialogFunc);
  // The pattern of the pair the dialog shows (set while it runs).
  const std::string& CurrentPattern() const { return currentPattern_; }
  bool previewActive_ = true;

 private:
  void ReadNames(const OPENFILENAME& ofn);

  std::unique_ptr<TVQPreviewPane> pane_;
  std::unique_ptr<TStringList> files_;
  std::string fileName_;
  int filterIndex_ = 1;
  int currentFilterIndex_ = 1;
  std::string currentPattern_;
  std::string initialDir_;
  bool alwaysAnimate_ = false;
  TVQDBorderStyle borderStyle_ = vqpsDefault;
};

// The save dialog.
enum TVQSaveDlgOptItem { sdShowPreview, sdShowAdvanced };
using TVQSaveDlgOpt = unsigned;
constexpr TVQSaveDlgOpt SaveDlgBit(TVQSaveDlgOptItem o) { return 1u << o; }

// What the format of a name gives the advanced button.
struct TVQNameFormat {
  int FileType = 0;
  std::uint16_t DialogPages = 0;
};

class TSavePictoraDialog : public TOpenPictoraDialog {
 public:
  explicit TSavePictoraDialog(TComponent* AOwner);
  std::string ClassName() const override { return "TSavePictoraDialog"; }

  // False at once, showing nothing, when the attached component holds no
  // image. Cancelled, the attached component's parameters are put back as
  // they were before; confirmed, they stay as the advanced button left them.
  bool Execute() override;

  TVQSaveDlgOpt ExOptions = SaveDlgBit(sdShowPreview) | SaveDlgBit(sdShowAdvanced);

  // The component whose save parameters the advanced button edits. Only a
  // component implementing IVQSaveParamsLink is taken (nullptr and others
  // leave the property as it is); it returns to nullptr when that
  // component is destroyed, and a component with a language gives it to
  // MsgLanguage.
  TComponent* AttachedPictoraIO() const { return attached_; }
  void SetAttachedPictoraIO(TComponent* v);

  // The format of the live name's extension, else DefaultExt's, else the
  // last extension of the pair's pattern.
  TVQNameFormat NameFormat() const;

 protected:
  void DoTypeChange() override;
  // Gives the name box the extension of the chosen pair.
  virtual void UpdateExtension();
  // The advanced button is enabled when the name's format has pages; the
  // attached component hears the format.
  void UpdateAdvanced();
  // The advanced button's click: the attached component's save-parameters
  // dialog for the name's format, when that format has pages.
  void AdvancedClick(TObject* Sender);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  IVQSaveParamsLink* Link() const { return dynamic_cast<IVQSaveParamsLink*>(attached_); }
  TComponent* attached_ = nullptr;
};

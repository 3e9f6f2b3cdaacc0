// The wizard's main window: title panel, toolbar, task panel, status bar and
// the step machine that docks one step page at a time into Pnl_Main. It owns
// the program-wide state every step reads: the working image, the picture as
// loaded, the display zoom and the step history.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"

class TBitmap;
class TOpenPictoraDialog;
class TSavePictoraDialog;
class TspBrenvale;
class TspSkinButton;
class TspSkinData;
class TspSkinMessage;
class TStepHistory;
class TStepPage;

// The seven step codes of CurrentStep.
enum TWizardStep { stepOpen = 1, stepSize, stepHighLight, stepColor, stepSmooth, stepStain, stepSave };

// What the crop guard needs of the size step's crop frame.
class TCropFrameLink {
 public:
  virtual ~TCropFrameLink() = default;
  virtual bool Active() const = 0;
  // Restores the display and makes the frame idle.
  virtual void Cancel() = 0;
};

// What the zoom and history actions need of the highlight step's rectangle
// frame and the colour step's lasso.
class TSelectionLink {
 public:
  virtual ~TSelectionLink() = default;
  // Binds the tool to the page's new display copy.
  virtual void Attach() {}
  // Scales the selection by factor; noRestore leaves the display as it is.
  virtual void Rescale(bool noRestore, double factor) = 0;
  // Drops the selection; noRestore leaves the display as it is.
  virtual void Clear(bool noRestore) = 0;
};

// What the mouse wheel needs of the blemish step's eraser.
class TEraserLink {
 public:
  virtual ~TEraserLink() = default;
  virtual int Radius() const = 0;
  // Redraws the outline at the new radius.
  virtual void SetRadius(int r) = 0;
};

class TFrm_Main;

// ---- Program-wide state ---------------------------------------------------------------
// The largest picture the wizard opens: every step works on the whole
// picture while the user waits, and each history entry holds all of it.
// Larger ones are refused with a message that says so.
constexpr std::uint64_t WizardMaxPixels = 100'000'000;

extern TFrm_Main* Frm_Main;
// The full-resolution 24-bit picture every step reads and writes.
extern std::unique_ptr<TBitmap> WorkImage;
// The picture as it stood when the open page was last left.
extern std::unique_ptr<TBitmap> OriginalImage;
extern float ZoomFactor;
// The current step's history; exists while the main window does.
extern std::unique_ptr<TStepHistory> History;
// Set by the steps that own these tools while their page is shown.
extern TCropFrameLink* CropFrame;
extern TSelectionLink* RectSelection;
extern TSelectionLink* Lasso;
extern TEraserLink* Eraser;

// The folder the history and the skin are found beside: the program's own,
// unless a test points it elsewhere (empty restores the default).
std::string WizardFolder();
void SetWizardFolder(const std::string& folder);

// ---- History wrappers: the history's rules plus the undo and redo buttons ----------
void HistoryStart();
void HistoryEnd();
// Writes the entry before it answers; a failure is told at once. keepShared
// as TStepHistory::Push.
void HistoryPush(TBitmap* bitmap, bool keepShared = false);
// For a slider's changes, an eraser click or a dialog's result: answered at
// once, the entry kept in memory and written behind the user's back; a write
// that fails is told at the next history action (push, replace, undo, redo,
// leaving the step).
void HistoryKeep(TBitmap* bitmap, bool keepShared = false);
// Replaces the entry WorkImage corresponds to, as HistoryKeep does.
void HistoryReplaceCurrent(TBitmap* bitmap);
std::unique_ptr<TBitmap> HistoryUndo();
std::unique_ptr<TBitmap> HistoryRedo();
void HistoryClear();

// Marks a modal dialog or message of the wizard for as long as it is up.
// The handler that opened it still runs beneath, on the page it started
// from, so the main window refuses to change the page, open, zoom, undo or
// close meanwhile, even when its own input reaches it.
class TWizardModal {
 public:
  TWizardModal();
  ~TWizardModal();
  TWizardModal(const TWizardModal&) = delete;
  TWizardModal& operator=(const TWizardModal&) = delete;
};
bool WizardModalRunning();

// The first enabled step after `step` among 2..6, else 7.
int NextEnabledStep(const std::array<bool, 5>& stepEnabled, int step);

// The name a save writes: the chosen name with a recognised picture
// extension (.jpg, .jpeg, .bmp, any case) replaced by `ext`, else with
// `ext` appended.
std::string SaveTargetName(const std::string& chosen, const std::string& ext);

class TFrm_Main : public TForm {
 public:
  explicit TFrm_Main(TComponent* AOwner);
  ~TFrm_Main() override;
  std::string ClassName() const override { return "TFrm_Main"; }

  // ---- Components ----
  TPanel* Pnl_Title = nullptr;
  TImage* Img_Title1 = nullptr;
  TImage* Img_Title2 = nullptr;
  TspSkinButton* Btn_File = nullptr;
  TspSkinButton* Btn_Next = nullptr;
  TspSkinButton* Btn_ZoomIn = nullptr;
  TspSkinButton* Btn_ZoomOut = nullptr;
  TspSkinButton* Btn_Fit = nullptr;
  TspSkinButton* Btn_Actual = nullptr;
  TspSkinButton* Btn_Undo = nullptr;
  TspSkinButton* Btn_Redo = nullptr;
  TPanel* Pnl_Task = nullptr;
  TStatusBar* StatusBar = nullptr;
  TPanel* Pnl_Main = nullptr;
  TspSkinMessage* MessageBox = nullptr;
  TOpenPictoraDialog* OpenPictureDialog = nullptr;
  TSavePictoraDialog* SavePictureDialog = nullptr;
  TspSkinData* SkinData = nullptr;
  TspBrenvale* SkinForm = nullptr;

  // ---- State ----
  // Entry k-1 says whether step k+1 (2..6) belongs to the flow.
  std::array<bool, 5> StepEnabled{true, true, true, true, true};
  int CurrentStep = stepOpen;
  TStepPage* StepForm = nullptr;
  bool Modified = false;

  // ---- Interfaces ----
  int NextEnabledStep(int step) const { return ::NextEnabledStep(StepEnabled, step); }
  std::string NextStepHint(int step) const;
  void ShowStep(int step);
  void ShowImageSize();
  void ShowZoomRatio();
  void SetButtonGlyph(TspSkinButton* button, const std::string& name);
  void SetNextState(int kind);
  void SetZoomInState(bool on);
  void SetZoomOutState(bool on);
  void SetFitState(bool on);
  void SetActualState(bool on);
  void SetUndoState(bool on);
  void SetRedoState(bool on);
  // Returns when no crop is under way or the user agrees to cancel it;
  // otherwise ends the calling action with the silent abort.
  void ConfirmCancelCrop();
  // Fits the picture into the scroll box (nothing without a picture).
  void FitPicture(TBitmap* picture, TImage* image, TScrollBox* scrollBox);
  // Direction -1 / +1: one zoom step smaller / larger; 0: the current zoom.
  void ShowPictureZoomed(TBitmap* bitmap, TImage* image, int direction);
  // Asks with the skinned message dialog; returns the modal result.
  int Ask(const std::string& text, int dlgType, bool yesNo);
  // The question before closing with changes not saved, with the buttons
  // in the wizard's own words: mrYes, mrNo or mrCancel.
  int AskSaveChanges();

  // ---- Handlers ----
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormDestroy(TObject* Sender);
  // Unsaved changes are asked about: yes saves (and closes once saved), no
  // closes, cancel stays. Never while a modal dialog of the wizard is up.
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormResize(TObject* Sender);
  void Btn_NextClick(TObject* Sender);
  void Btn_FileClick(TObject* Sender);
  void Pnl_TaskDblClick(TObject* Sender);
  void Btn_ZoomInClick(TObject* Sender);
  void Btn_ZoomOutClick(TObject* Sender);
  void Btn_FitClick(TObject* Sender);
  void Btn_ActualClick(TObject* Sender);
  void Btn_UndoClick(TObject* Sender);
  void Btn_RedoClick(TObject* Sender);
  // The wheel sizes the blemish step's eraser, within 5..50.
  void FormMouseWheelDown(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  void FormMouseWheelUp(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);

 private:
  void BuildLayout();
  TspSkinButton* ToolButton(const std::string& name, const std::string& hint);
  void SetButtonState(TspSkinButton* button, bool on, const std::string& glyph);
  // The zoom actions of the toolbar: change (direction -1/+1, or 2 for fit)
  // on the current page, keeping step 3's and 4's selections in step.
  void ChangeZoom(int action);
  void SaveAction();
  // Runs a slider's work still waiting for input, so an action comes after it.
  void FinishStepWork();
  void ShowHistoryPicture(std::unique_ptr<TBitmap> picture);
  // Opens fileName into WorkImage; false (and WorkImage kept) when it cannot.
  bool OpenPicture(const std::string& fileName);
  bool destroyed_ = false;
};

#include "app/main/uMain.h"

#include <algorithm>

#include "app/main/WizardPictures.h"
#include "app/pages/uColor.h"
#include "app/pages/uHighLight.h"
#include "app/main/UBmpToJpg.h"
#include "app/main/uMain_History.h"
#include "platform/ui/forms/Screen.h"
#include "app/main/uMain_View.h"
#include "app/dialogs/uOpenFile.h"
#include "app/dialogs/uSaveFile.h"
#include "app/pages/uSize.h"
#include "app/pages/uSmooth_Form.h"
#include "app/pages/uStain_Form.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"

TFrm_Main* Frm_Main = nullptr;
std::unique_ptr<TBitmap> WorkImage;
std::unique_ptr<TBitmap> OriginalImage;
float ZoomFactor = 0.0f;
std::unique_ptr<TStepHistory> History;
TCropFrameLink* CropFrame = nullptr;
TSelectionLink* RectSelection = nullptr;
TSelectionLink* Lasso = nullptr;
TEraserLink* Eraser = nullptr;

namespace {

int g_modalDepth = 0;

std::string& WizardFolderOverride() {
  static std::string folder;
  return folder;
}

template <class TPage>
TStepPage* MakePage(TComponent* owner) {
  return TCustomForm::New<TPage>(owner);
}

struct TStepText {
  const char* task;
  const char* nextHint;
  TStepPage* (*make)(TComponent* owner);
};
// By step code 1..7.
const TStepText kSteps[8] = {
    {"", "", nullptr},
    {"打开文件", "", MakePage<TFrm_OpenFile>},
    {"尺寸调整", "后一页 尺寸调整", MakePage<TFrm_Size>},
    {"高光去除", "后一页 高光去除", MakePage<TFrm_HighLight>},
    {"色彩优化", "后一页 色彩优化", MakePage<TFrm_Color>},
    {"细节优化", "后一页 细节优化", MakePage<TFrm_Smooth>},
    {"痘痣去除", "后一页 痘痣去除", MakePage<TFrm_Stain>},
    {"保存照片", "后一页 保存照片", MakePage<TFrm_SaveFile>},
};

constexpr int kToolTop = 8;
constexpr int kToolSize = 25;

// The open button's glyph, which its stored layout carries rather than the
// resources: a yellow folder.
std::unique_ptr<TBitmap> FileGlyph() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(20, 20);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(TRect{0, 0, 20, 20});
  c->Pen()->SetColor(TColor(0x00307090));
  c->Brush()->SetColor(TColor(0x0060C8F0));
  const TPoint back[] = {{2, 4}, {8, 4}, {10, 6}, {17, 6}, {17, 16}, {2, 16}};
  c->Polygon(back, 6);
  c->Brush()->SetColor(TColor(0x0080E0FF));
  const TPoint front[] = {{2, 16}, {5, 9}, {19, 9}, {17, 16}};
  c->Polygon(front, 4);
  return b;
}

}  // namespace

std::string WizardFolder() {
  if (!WizardFolderOverride().empty()) return WizardFolderOverride();
  return ExcludeTrailingPathDelimiter(ProgramFolder());
}

void SetWizardFolder(const std::string& folder) { WizardFolderOverride() = folder; }

TWizardModal::TWizardModal() { ++g_modalDepth; }
TWizardModal::~TWizardModal() { --g_modalDepth; }
bool WizardModalRunning() { return g_modalDepth > 0; }

// ---- History -------------------------------------------------------------------------

namespace {
void ShowHistoryButtons() {
  if (!Frm_Main || !History) return;
  Frm_Main->SetRedoState(History->CanRedo());
  Frm_Main->SetUndoState(History->CanUndo());
}

// Set once the user has heard that history writes fail; a write that works
// again clears it, so a later failure is told again, and a run of failures
// (a slider's every change) is told once.
bool HistoryFailureTold = false;

void TellHistoryResult(bool written) {
  if (written) {
    HistoryFailureTold = false;
    return;
  }
  if (HistoryFailureTold || !Frm_Main) return;
  HistoryFailureTold = true;
  // The write may fail inside work that holds the hourglass; the question
  // is answered with the normal pointer.
  TScreenCursorGuard pointer(crDefault);
  Frm_Main->Ask("这一步无法保存到历史记录，因此不能撤销。\r原因：" + SaveFailureReason(History->LastFailure()),
                mtWarning, false);
}
// Writes made behind the user's back since the last action: a failure is
// told now, at the next thing the user does.
void TellBackgroundWrites() {
  if (!History) return;
  switch (History->TakeWriteResult()) {
    case TStepHistory::TWrites::Failed:
      TellHistoryResult(false);
      break;
    case TStepHistory::TWrites::Written:
      TellHistoryResult(true);
      break;
    case TStepHistory::TWrites::None:
      break;
  }
}
}  // namespace

void HistoryStart() {
  History = std::make_unique<TStepHistory>(WizardFolder());
  HistoryFailureTold = false;
}

void HistoryEnd() { History.reset(); }

void HistoryPush(TBitmap* bitmap, bool keepShared) {
  if (!bitmap || !History) return;
  TellBackgroundWrites();
  const bool written = History->Push(bitmap, keepShared);
  ShowHistoryButtons();
  TellHistoryResult(written);
}

void HistoryKeep(TBitmap* bitmap, bool keepShared) {
  if (!bitmap || !History) return;
  TellBackgroundWrites();
  History->PushLater(bitmap, keepShared);
  ShowHistoryButtons();
}

void HistoryReplaceCurrent(TBitmap* bitmap) {
  if (!bitmap || !History) return;
  TellBackgroundWrites();
  History->ReplaceCurrentLater(bitmap);
  ShowHistoryButtons();
}

std::unique_ptr<TBitmap> HistoryUndo() {
  if (!History) return nullptr;
  TellBackgroundWrites();
  std::unique_ptr<TBitmap> b = History->Undo();
  ShowHistoryButtons();
  return b;
}

std::unique_ptr<TBitmap> HistoryRedo() {
  if (!History) return nullptr;
  TellBackgroundWrites();
  std::unique_ptr<TBitmap> b = History->Redo();
  ShowHistoryButtons();
  return b;
}

void HistoryClear() {
  if (!History) return;
  TellBackgroundWrites();
  History->Clear();
  ShowHistoryButtons();
}

int NextEnabledStep(const std::array<bool, 5>& stepEnabled, int step) {
  int k = step;
  while (k < 6 && k >= 1 && !stepEnabled[size_t(k - 1)]) ++k;
  return k + 1;
}

// ---- The form ----------------------------------------------------------------------------

TFrm_Main::TFrm_Main(TComponent* AOwner) : TForm(AOwner) {
  Frm_Main = this;
  BuildLayout();
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnResize = [this](TObject* s) { FormResize(s); };
  OnMouseWheelDown = [this](TObject* s, TShiftState sh, TPoint p, bool& h) { FormMouseWheelDown(s, sh, p, h); };
  OnMouseWheelUp = [this](TObject* s, TShiftState sh, TPoint p, bool& h) { FormMouseWheelUp(s, sh, p, h); };
}

TFrm_Main::~TFrm_Main() {
  // The destroy handler needs this class's members, which are gone by the
  // time the base destructor would call it.
  OnDestroy = nullptr;
  FormDestroy(this);
  if (Frm_Main == this) Frm_Main = nullptr;
}

TspSkinButton* TFrm_Main::ToolButton(const std::string& name, const std::string& hint) {
  auto* b = new TspSkinButton(this);
  b->SetName(name);
  b->SetParent(Pnl_Title);
  b->SetSkinData(SkinData);
  b->SetSkinDataName("button");
  b->SetBounds(0, kToolTop, kToolSize, kToolSize);
  b->SetNumGlyphs(1);
  b->SetSpacing(1);
  b->SetLayout(blGlyphBottom);
  b->SetCaption("");
  b->Hint = hint;
  b->SetShowHint(true);
  return b;
}

void TFrm_Main::BuildLayout() {
  BeginLayout();
  SetName("Frm_Main");
  SetCaption("Lumiqa2011--轻松五步打造出您的Lumiqa");
  SetPosition(poScreenCenter);
  Font()->SetName("宋体");
  Font()->SetHeight(-16);
  Font()->SetCharset(GB2312_CHARSET);
  SetBounds(0, 0, 883, 611);

  SkinData = new TspSkinData(this);
  SkinData->SetName("SkinData");
  SkinData->SetSkinnableForm(true);
  SkinData->EnableSkinEffects = true;
  SkinData->ShowButtonGlowFrames = true;
  SkinData->ShowCaptionButtonGlowFrames = true;
  SkinData->SetSkinIndex(0);

  SkinForm = new TspBrenvale(this);
  SkinForm->SetName("SkinForm");
  SkinForm->SetSkinData(SkinData);
  SkinForm->MinWidth = 800;
  SkinForm->MinHeight = 600;
  SkinForm->Sizeable = true;
  SkinForm->Magnetic = true;
  SkinForm->MagneticSize = 10;
  SkinForm->SetBorderIcons(spbiSystemMenu | spbiMinimize | spbiMaximize);
  SkinForm->PositionInMonitor = sppDesktopCenter;
  SkinForm->SetDefMenuItemHeight(20);
  // The layout's client area stays whatever frame the skin brings.
  SkinForm->ClientWidth = 883;
  SkinForm->ClientHeight = 611;
  if (std::unique_ptr<TBitmap> logo = LoadWizardBitmap("LOGO")) SkinForm->SetLogoBitMap(logo.get());

  MessageBox = new TspSkinMessage(this);
  MessageBox->SetName("MessageBox");
  MessageBox->SetSkinData(SkinData);
  MessageBox->ButtonSkinDataName = "button";
  MessageBox->MessageLabelSkinDataName = "stdlabel";
  for (TFont* f : {MessageBox->DefaultFont(), MessageBox->DefaultButtonFont()}) {
    f->SetName("宋体");
    f->SetHeight(14);
    f->SetCharset(GB2312_CHARSET);
  }
  MessageBox->UseSkinFont = true;
  MessageBox->AlphaBlend = false;

  OpenPictureDialog = new TOpenPictoraDialog(this);
  OpenPictureDialog->SetName("OpenPictureDialog");
  OpenPictureDialog->Filter = "*.jpg;*.bmp|*.jpg;*.bmp";
  OpenPictureDialog->Title = "打开图片";
  OpenPictureDialog->Options = OptionBit(ofHideReadOnly) | OptionBit(ofPathMustExist) |
                               OptionBit(ofFileMustExist) | OptionBit(ofEnableSizing);
  OpenPictureDialog->AutoSetFilter = false;
  OpenPictureDialog->ExtendedDialog = false;

  SavePictureDialog = new TSavePictoraDialog(this);
  SavePictureDialog->SetName("SavePictureDialog");
  SavePictureDialog->Filter = "*.jpg|*.jpg|*.bmp|*.bmp";
  SavePictureDialog->Options = OptionBit(ofOverwritePrompt) | OptionBit(ofHideReadOnly);
  SavePictureDialog->AutoSetFilter = false;
  SavePictureDialog->ExOptions = 0;
  SavePictureDialog->MsgLanguage = msUser;

  Pnl_Title = new TPanel(this);
  Pnl_Title->SetName("Pnl_Title");
  Pnl_Title->SetParent(this);
  Pnl_Title->SetCaption("");
  Pnl_Title->SetBevelOuter(bvNone);
  Pnl_Title->SetColor(clCream);
  Pnl_Title->SetHeight(41);
  Pnl_Title->SetAlign(alTop);

  Img_Title1 = new TImage(this);
  Img_Title1->SetName("Img_Title1");
  Img_Title1->SetParent(Pnl_Title);
  Img_Title1->SetAutoSize(true);
  if (std::unique_ptr<TBitmap> b = LoadWizardBitmap("TITLE1")) Img_Title1->Picture()->Assign(b.get());
  Img_Title1->SetAlign(alLeft);

  Img_Title2 = new TImage(this);
  Img_Title2->SetName("Img_Title2");
  Img_Title2->SetParent(Pnl_Title);
  Img_Title2->SetStretch(true);
  if (std::unique_ptr<TBitmap> b = LoadWizardBitmap("TITLE2")) {
    Img_Title2->Picture()->Assign(b.get());
    Img_Title2->SetWidth(b->Width());
  }
  Img_Title2->SetAlign(alRight);

  Btn_File = ToolButton("Btn_File", "打开图片");
  Btn_File->SetGlyph(FileGlyph().get());
  Btn_File->OnClick = [this](TObject* s) { Btn_FileClick(s); };
  Btn_Next = ToolButton("Btn_Next", "后一页");
  Btn_Next->OnClick = [this](TObject* s) { Btn_NextClick(s); };
  Btn_ZoomIn = ToolButton("Btn_ZoomIn", "放大");
  Btn_ZoomIn->OnClick = [this](TObject* s) { Btn_ZoomInClick(s); };
  Btn_ZoomOut = ToolButton("Btn_ZoomOut", "缩小");
  Btn_ZoomOut->OnClick = [this](TObject* s) { Btn_ZoomOutClick(s); };
  Btn_Fit = ToolButton("Btn_Fit", "适合屏幕");
  Btn_Fit->OnClick = [this](TObject* s) { Btn_FitClick(s); };
  Btn_Actual = ToolButton("Btn_Actual", "实际大小");
  Btn_Actual->OnClick = [this](TObject* s) { Btn_ActualClick(s); };
  Btn_Undo = ToolButton("Btn_Undo", "撤销");
  Btn_Undo->OnClick = [this](TObject* s) { Btn_UndoClick(s); };
  Btn_Redo = ToolButton("Btn_Redo", "重做");
  Btn_Redo->OnClick = [this](TObject* s) { Btn_RedoClick(s); };
  // Undo and redo keep to the right edge; the rest is placed by FormResize.
  Btn_Redo->SetLeft(Pnl_Title->Width() - 12 - kToolSize);
  Btn_Undo->SetLeft(Btn_Redo->Left() - 4 - kToolSize);
  Btn_Undo->SetAnchors(akTop | akRight);
  Btn_Redo->SetAnchors(akTop | akRight);

  Pnl_Task = new TPanel(this);
  Pnl_Task->SetName("Pnl_Task");
  Pnl_Task->SetParent(Pnl_Title);
  Pnl_Task->SetBounds(0, kToolTop, 337, 26);
  Pnl_Task->SetBevelOuter(bvLowered);
  Pnl_Task->SetColor(clSkyBlue);
  Pnl_Task->SetCaption(kSteps[stepOpen].task);
  Pnl_Task->SetParentFont(false);
  Pnl_Task->Font()->SetName("华文细黑");
  Pnl_Task->Font()->SetHeight(-16);
  Pnl_Task->Font()->SetCharset(GB2312_CHARSET);
  Pnl_Task->Font()->SetStyle(fsBold);
  Pnl_Task->Hint = "双击自定义流程";
  Pnl_Task->SetShowHint(true);
  Pnl_Task->OnDblClick = [this](TObject* s) { Pnl_TaskDblClick(s); };

  StatusBar = new TStatusBar(this);
  StatusBar->SetName("StatusBar");
  StatusBar->SetParent(this);
  for (int w : {450, 250, 50}) StatusBar->Panels()->Add()->SetWidth(w);
  // The bar keeps the system's smaller font rather than the form's, so its
  // texts fit its height.
  StatusBar->SetParentFont(false);
  StatusBar->Font()->SetName("宋体");
  StatusBar->Font()->SetHeight(-12);
  StatusBar->Font()->SetCharset(GB2312_CHARSET);

  Pnl_Main = new TPanel(this);
  Pnl_Main->SetName("Pnl_Main");
  Pnl_Main->SetParent(this);
  Pnl_Main->SetCaption("");
  Pnl_Main->SetBevelOuter(bvNone);
  Pnl_Main->SetAlign(alClient);

  SetNextState(0);
  SetZoomInState(false);
  SetZoomOutState(false);
  SetFitState(false);
  SetActualState(false);
  SetUndoState(false);
  SetRedoState(false);
  EndLayout();
  // The skinned frame is added around the client area once the window
  // exists, so the client size is set afterwards.
  HandleNeeded();
  SetClientWidth(883);
  SetClientHeight(611);
  FormResize(this);
}

// ---- Small interfaces ----------------------------------------------------------------------

std::string TFrm_Main::NextStepHint(int step) const {
  if (step < stepOpen || step > stepStain) return "";
  const int next = NextEnabledStep(step);
  if (next < stepSize || next > stepSave) return "";
  return kSteps[next].nextHint;
}

void TFrm_Main::ShowImageSize() {
  if (!WorkImage) return;
  StatusBar->Panels()->Items(1)->SetText(" 当前图像大小: " + std::to_string(WorkImage->Width()) + "*" +
                                          std::to_string(WorkImage->Height()));
}

void TFrm_Main::ShowZoomRatio() {
  if (!WorkImage) return;
  StatusBar->Panels()->Items(2)->SetText(" 缩放比例：" + std::to_string(Round(double(ZoomFactor) * 100)) + "%");
}

void TFrm_Main::SetButtonGlyph(TspSkinButton* button, const std::string& name) {
  if (std::unique_ptr<TBitmap> glyph = LoadWizardBitmap(name)) button->SetGlyph(glyph.get());
  button->Refresh();
}

void TFrm_Main::SetButtonState(TspSkinButton* button, bool on, const std::string& glyph) {
  button->SetEnabled(on);
  SetButtonGlyph(button, on ? glyph : glyph + "1");
}

void TFrm_Main::SetNextState(int kind) {
  switch (kind) {
    case 0:
      SetButtonState(Btn_Next, false, "Next");
      break;
    case 1:
      SetButtonState(Btn_Next, true, "Next");
      break;
    case 2:
      Btn_Next->SetEnabled(true);
      SetButtonGlyph(Btn_Next, "Save");
      break;
    default:
      break;
  }
}

void TFrm_Main::SetZoomInState(bool on) { SetButtonState(Btn_ZoomIn, on, "ZoomIn"); }
void TFrm_Main::SetZoomOutState(bool on) { SetButtonState(Btn_ZoomOut, on, "ZoomOut"); }
void TFrm_Main::SetFitState(bool on) { SetButtonState(Btn_Fit, on, "Fit"); }
void TFrm_Main::SetActualState(bool on) { SetButtonState(Btn_Actual, on, "Actual"); }
void TFrm_Main::SetUndoState(bool on) { SetButtonState(Btn_Undo, on, "Undo"); }
void TFrm_Main::SetRedoState(bool on) { SetButtonState(Btn_Redo, on, "Redo"); }

int TFrm_Main::Ask(const std::string& text, int dlgType, bool yesNo) {
  TWizardModal modal;
  return MessageBox->MessageDlg(text, TMsgDlgType(dlgType), yesNo ? mbYesNo : TMsgDlgButtons{mbOK}, 0);
}

int TFrm_Main::AskSaveChanges() {
  TWizardModal modal;
  std::unique_ptr<TspMessageForm> form(CreateSkinMessageForm(
      "图片已修改，是否保存？", mtConfirmation, mbYesNoCancel, kSpMessageDefaultPos, kSpMessageDefaultPos,
      MessageBox->AlphaBlendValue, MessageBox->AlphaBlendAnimation, MessageBox->AlphaBlend, MessageBox->UseSkinFont,
      MessageBox->DefaultButtonFont(), MessageBox->DefaultFont(), MessageBox->MessageLabelSkinDataName,
      MessageBox->ButtonSkinDataName, MessageBox->CtrlSkinData(), MessageBox->SkinData()));
  for (auto [name, caption] : {std::pair{"Yes", "是"}, std::pair{"No", "否"}, std::pair{"Cancel", "取消"}})
    if (auto* b = dynamic_cast<TspSkinButton*>(form->FindComponent(name))) b->SetCaption(caption);
  auto alive = form->AliveToken();
  const int result = form->ShowModal();
  if (!*alive) (void)form.release();
  return result;
}

void TFrm_Main::ConfirmCancelCrop() {
  if (!CropFrame || !CropFrame->Active()) return;
  const int answer = Ask(
      "当前正在执行裁切动作，是否需要取消裁切？\r如果选择【Yes】按钮，则取消当前裁切。\r"
      "如果选择【No 】按钮，则继续当前操作。",
      mtWarning, true);
  if (answer != mrYes) Abort();
  // The answer may have come after the step changed under the dialog.
  if (CropFrame) CropFrame->Cancel();
}

// ---- Form events ----------------------------------------------------------------------------

void TFrm_Main::FormCreate(TObject*) {
  StepEnabled.fill(true);
  StepForm = nullptr;
  WorkImage.reset();
  OriginalImage.reset();
  HistoryStart();
  // A missing or unusable skin leaves the default look, without a word.
  const std::string skinIni = NativePath(WizardFolder() + "\\Skin\\Skin.ini");
  SkinData->LoadFromFile(skinIni);
  // The skin carries the skin library's texts in the wizard's language
  // (window menu, message dialog, edit menu), whatever the locale.
  auto* strings = new TspResourceStrData(this);
  if (LoadSkinResStrings(strings, skinIni)) SkinData->SetResourceStrData(strings);
  else delete strings;
}

void TFrm_Main::FormShow(TObject*) {
  CurrentStep = stepOpen;
  ShowStep(stepOpen);
}

void TFrm_Main::FormCloseQuery(TObject*, bool& CanClose) {
  if (WizardModalRunning()) {
    CanClose = false;
    return;
  }
  if (!Modified || !WorkImage) return;
  switch (AskSaveChanges()) {
    case mrYes:
      SaveAction();
      // A cancelled or failed save keeps the window and the work.
      CanClose = !Modified;
      break;
    case mrNo:
      break;
    default:
      CanClose = false;
      break;
  }
}

void TFrm_Main::FormDestroy(TObject*) {
  if (destroyed_) return;
  destroyed_ = true;
  delete StepForm;
  StepForm = nullptr;
  WorkImage.reset();
  OriginalImage.reset();
  HistoryEnd();
}

void TFrm_Main::FormResize(TObject*) {
  if (!Pnl_Task || !Btn_Redo) return;
  const int W = Width();
  Pnl_Task->SetLeft((W - Pnl_Task->Width() - 100) / 2);
  Btn_File->SetLeft(Pnl_Task->Left() - Btn_File->Width() - 4);
  Btn_Next->SetLeft(Pnl_Task->Left() + Pnl_Task->Width() + 4);
  const int R = Btn_Next->Left() + Btn_Next->Width();
  Btn_ZoomIn->SetLeft(R + ((Btn_Undo->Left() - R - (4 * Btn_ZoomIn->Width() + 12)) / 2));
  Btn_ZoomOut->SetLeft(Btn_ZoomIn->Left() + Btn_ZoomIn->Width() + 4);
  Btn_Fit->SetLeft(Btn_ZoomOut->Left() + Btn_ZoomOut->Width() + 4);
  Btn_Actual->SetLeft(Btn_Fit->Left() + Btn_Fit->Width() + 4);
}

void TFrm_Main::FormMouseWheelDown(TObject*, TShiftState, TPoint, bool& Handled) {
  if (!Eraser || WizardModalRunning()) return;
  Eraser->SetRadius(std::min(50, Eraser->Radius() + 1));
  Handled = true;
}

void TFrm_Main::FormMouseWheelUp(TObject*, TShiftState, TPoint, bool& Handled) {
  if (!Eraser || WizardModalRunning()) return;
  Eraser->SetRadius(std::max(5, Eraser->Radius() - 1));
  Handled = true;
}

// ---- The step machine ------------------------------------------------------------------------

void TFrm_Main::ShowStep(int step) {
  if (step < stepOpen || step > stepSave) return;
  delete StepForm;
  StepForm = nullptr;
  StepForm = kSteps[step].make(this);
  Pnl_Task->SetCaption(kSteps[step].task);
  if (step == stepOpen) {
    Btn_Next->Hint = NextStepHint(stepOpen);
    SetNextState(0);
    SetZoomInState(false);
    SetZoomOutState(false);
    SetFitState(false);
    SetActualState(false);
    SetUndoState(false);
    SetRedoState(false);
  } else if (step < stepSave) {
    Btn_Next->Hint = NextStepHint(step);
    Modified = true;
  } else {
    Btn_Next->Hint = "保存照片";
    SetNextState(2);
  }
  StepForm->SetParent(Pnl_Main);
  StepForm->SetAlign(alClient);
  StepForm->Show();
  // A later page is painted once its picture is in place: until then the
  // screen keeps the page before, rather than an empty grey one.
  if (step == stepOpen) Repaint();
}

void TFrm_Main::Btn_NextClick(TObject*) {
  if (WizardModalRunning()) return;
  FinishStepWork();
  ConfirmCancelCrop();
  if (CurrentStep > stepStain) {
    SaveAction();
    return;
  }
  // Every later step works on the picture: there is no going on without one.
  if (!WorkImage) return;
  CurrentStep = NextEnabledStep(CurrentStep);
  ShowStep(CurrentStep);
  ShowPictureZoomed(WorkImage.get(), StepForm->Image1, 0);
  CentrePicture(StepForm->Image1, StepForm->ScrollBox_Image1);
  if (CurrentStep == stepHighLight && RectSelection) RectSelection->Attach();
  // Shown before the step's own work starts.
  Repaint();
  if (CurrentStep == stepSmooth) {
    if (StepForm->RunFirstPass()) {
      ShowPictureZoomed(WorkImage.get(), StepForm->Image1, 0);
      HistoryKeep(WorkImage.get());
    }
  }
}

// ---- View and zoom ------------------------------------------------------------------------------

void TFrm_Main::FitPicture(TBitmap* picture, TImage* image, TScrollBox* scrollBox) {
  if (!picture || picture->Empty()) return;
  ZoomFactor = FitZoom(picture->Width(), picture->Height(), scrollBox->Width(), scrollBox->Height());
  if (ZoomFactor != 1.0f) {
    const TSize size = DisplaySize(picture->Width(), picture->Height(), ZoomFactor);
    image->Picture()->TakeGraphic(StretchCopy(picture, size.cx, size.cy));
  } else {
    image->Picture()->Assign(picture);
  }
  SetZoomInState(true);
  SetZoomOutState(ZoomFactor > ZoomTable[0]);
}

void TFrm_Main::ShowPictureZoomed(TBitmap* bitmap, TImage* image, int direction) {
  if (!bitmap || bitmap->Empty()) return;
  if (!StepZoom(ZoomFactor, direction, bitmap->Width(), bitmap->Height())) return;
  const TSize size = DisplaySize(bitmap->Width(), bitmap->Height(), ZoomFactor);
  // The display copy is made for the control alone: it takes it as it is.
  image->Picture()->TakeGraphic(StretchCopy(bitmap, size.cx, size.cy));
  if (ZoomFactor == ZoomTable[6]) {
    SetZoomInState(false);
  } else if (ZoomFactor != ZoomTable[0]) {
    SetZoomInState(true);
    SetZoomOutState(true);
  } else {
    SetZoomOutState(false);
  }
}

void TFrm_Main::ChangeZoom(int action) {
  if (WizardModalRunning()) return;
  FinishStepWork();
  ConfirmCancelCrop();
  if (!StepForm) return;
  TImage* image = StepForm->Image1;
  TScrollBox* box = StepForm->ScrollBox_Image1;
  const float old = ZoomFactor;
  if (action == 0) FitPicture(WorkImage.get(), image, box);
  else ShowPictureZoomed(WorkImage.get(), image, action);
  CentrePicture(image, box);
  if (old > 0) {
    const double factor = double(ZoomFactor) / double(old);
    if (CurrentStep == stepHighLight && RectSelection) {
      RectSelection->Attach();
      RectSelection->Rescale(true, factor);
    } else if (CurrentStep == stepColor && Lasso) {
      Lasso->Rescale(true, factor);
    }
  }
  ShowZoomRatio();
}

void TFrm_Main::Btn_ZoomInClick(TObject*) { ChangeZoom(+1); }
void TFrm_Main::Btn_ZoomOutClick(TObject*) { ChangeZoom(-1); }
void TFrm_Main::Btn_FitClick(TObject*) { ChangeZoom(0); }

void TFrm_Main::Btn_ActualClick(TObject*) {
  if (WizardModalRunning()) return;
  FinishStepWork();
  ConfirmCancelCrop();
  if (!StepForm) return;
  const float old = ZoomFactor;
  if (WorkImage) StepForm->Image1->Picture()->Assign(WorkImage.get());
  CentrePicture(StepForm->Image1, StepForm->ScrollBox_Image1);
  if (old > 0) {
    if (CurrentStep == stepHighLight && RectSelection) {
      RectSelection->Attach();
      RectSelection->Rescale(true, 1.0 / double(old));
    } else if (CurrentStep == stepColor && Lasso) {
      Lasso->Rescale(true, 1.0 / double(old));
    }
  }
  ZoomFactor = 1.0f;
  ShowZoomRatio();
  SetZoomInState(true);
  SetZoomOutState(true);
}

// ---- Undo and redo -------------------------------------------------------------------------------

void TFrm_Main::FinishStepWork() {
  if (StepForm) StepForm->RunLatestWorkNow();
}

void TFrm_Main::Btn_UndoClick(TObject*) {
  if (WizardModalRunning()) return;
  FinishStepWork();
  ConfirmCancelCrop();
  ShowHistoryPicture(HistoryUndo());
}

void TFrm_Main::Btn_RedoClick(TObject*) {
  if (WizardModalRunning()) return;
  FinishStepWork();
  ConfirmCancelCrop();
  ShowHistoryPicture(HistoryRedo());
}

void TFrm_Main::ShowHistoryPicture(std::unique_ptr<TBitmap> picture) {
  if (picture && StepForm && CurrentStep > stepOpen && CurrentStep < stepSave) {
    WorkImage = std::move(picture);
    ShowPictureZoomed(WorkImage.get(), StepForm->Image1, 0);
    switch (CurrentStep) {
      case stepSize:
        CentrePicture(StepForm->Image1, StepForm->ScrollBox_Image1);
        break;
      case stepHighLight:
        if (RectSelection) {
          RectSelection->Attach();
          RectSelection->Clear(true);
        }
        break;
      case stepColor:
        if (Lasso) Lasso->Clear(true);
        break;
      default:
        break;
    }
  }
  ShowImageSize();
}

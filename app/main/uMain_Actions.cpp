// The main window's file actions: opening a photo, the flow dialog and
// saving the result.
#include <memory>

#include "app/pixels/RotateImage.h"
#include "app/main/UBmpToJpg.h"
#include "app/main/uFlow.h"
#include "app/dialogs/uLinkQuendrix.h"
#include "app/main/uMain.h"
#include "app/main/uMain_Page.h"
#include "app/main/uMain_View.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Screen.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"

namespace {

// Why a picture file gave no picture, for the user.
std::string OpenFailureReason(const std::string& fileName, TPictureRefusal why) {
  if (why == TPictureRefusal::Missing) return "文件不存在或无法访问。";
  const std::string kind = fileName.size() >= 3 ? UpperCase(fileName.substr(fileName.size() - 3)) : "";
  if (kind != "JPG" && kind != "BMP") return "只能打开 JPG 和 BMP 格式的图片。";
  if (why == TPictureRefusal::TooLarge) return "图片太大：本程序只能处理 1 亿像素以内的图片。";
  return "文件已损坏，或不是有效的图片。";
}

}  // namespace

std::string SaveTargetName(const std::string& chosen, const std::string& ext) {
  const std::string current = LowerCase(ExtractFileExt(chosen));
  if (current == ".jpg" || current == ".jpeg" || current == ".bmp") return ChangeFileExt(chosen, ext);
  return chosen + ext;
}

bool TFrm_Main::OpenPicture(const std::string& fileName) {
  std::unique_ptr<TBitmap> picture;
  TPictureLoadNotes notes;
  TPictureRefusal why = TPictureRefusal::None;
  {
    TScreenCursorGuard hourglass(crHourGlass);
    picture = LoadPicture(fileName, WizardMaxPixels, &why, &notes);
  }
  if (!picture || picture->Empty()) {
    // The current picture stays; the user learns why nothing changed.
    Ask("无法打开图片文件：\r" + fileName + "\r" + OpenFailureReason(fileName, why), mtError, false);
    return false;
  }
  WorkImage = std::move(picture);
  FitPicture(WorkImage.get(), StepForm->Image1, StepForm->ScrollBox_Image1);
  CentrePicture(StepForm->Image1, StepForm->ScrollBox_Image1);
  StatusBar->Panels()->Items(0)->SetText(fileName);
  ShowImageSize();
  ShowZoomRatio();
  SetNextState(1);
  SetFitState(true);
  SetActualState(true);
  // What the file holds is the user's and stays open; the grey that stands
  // in for the rest could pass for the photo itself.
  if (notes.Truncated) Ask("图片文件已损坏，图片的下部缺失：\r" + fileName, mtWarning, false);
  return true;
}

void TFrm_Main::Btn_FileClick(TObject*) {
  if (WizardModalRunning()) return;
  FinishStepWork();
  ConfirmCancelCrop();
  if (Modified &&
      Ask("是否撤销当前的操作？\r如果选择【Yes】按钮，则撤销所有操作。\r如果选择【No 】按钮，则继续当前操作。",
          mtWarning, true) == mrNo)
    return;
  if (CurrentStep != stepOpen) {
    CurrentStep = stepOpen;
    ShowStep(stepOpen);
  }
  bool chosen = false;
  {
    TWizardModal modal;
    chosen = OpenPictureDialog->Execute();
  }
  if (chosen) OpenPicture(OpenPictureDialog->FileName());
  Modified = false;
}

void TFrm_Main::Pnl_TaskDblClick(TObject*) {
  if (WizardModalRunning()) return;
  TWizardModal modal;
  std::unique_ptr<TFrm_Flow> flow(TCustomForm::New<TFrm_Flow>(this, SkinData, MessageBox));
  for (size_t k = 0; k < StepEnabled.size(); ++k) flow->CB_Step[k]->SetChecked(StepEnabled[k]);
  if (flow->ShowModal() == mrOk)
    for (size_t k = 0; k < StepEnabled.size(); ++k) StepEnabled[k] = flow->CB_Step[k]->Checked();
  flow.reset();
  if (CurrentStep < stepSave) Btn_Next->Hint = NextStepHint(CurrentStep);
}

void TFrm_Main::SaveAction() {
  if (!WorkImage) return;
  SavePictureDialog->SetFileName(OpenPictureDialog->FileName());
  {
    TWizardModal modal;
    if (!SavePictureDialog->Execute()) return;
  }
  const std::string chosen = SavePictureDialog->FileName();
  const int index = SavePictureDialog->FilterIndex();
  if (index != 1 && index != 2) return;
  const std::string target = SaveTargetName(chosen, index == 1 ? ".jpg" : ".bmp");
  // The dialog asked about the name as typed; a different name that exists
  // is asked about here, before anything is written over it.
  if (target != chosen && FileExists(target) &&
      Ask("文件“" + ExtractFileName(target) + "”已经存在。\r是否替换现有文件？", mtWarning, true) != mrYes)
    return;
  bool saved = false;
  std::string reason;
  {
    TScreenCursorGuard hourglass(crHourGlass);
    if (index == 1) saved = SaveAsJpeg(WorkImage.get(), target, 100, &reason);
    else saved = SavePictureAsBmp(WorkImage.get(), target, &reason);
  }
  if (!saved) {
    Ask("保存图片失败：\r" + target + (reason.empty() ? "" : "\r" + reason), mtError, false);
    return;
  }
  Modified = false;
  TWizardModal modal;
  std::unique_ptr<TFrm_LinkQuendrix> done(TCustomForm::New<TFrm_LinkQuendrix>(this));
  done->ShowModal();
}

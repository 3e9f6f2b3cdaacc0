#include "app/dialogs/uOpenFile.h"

#include "app/main/uMain.h"
#include "platform/graphics/Bitmap.h"

TFrm_OpenFile::TFrm_OpenFile(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_OpenFile");
  BuildCommonLayout("打开文件",
                    {"帮助", "双击任务栏，可自定义打造流程", "点击【打开】按钮，选择图像文件。",
                     "接下来，开始您的打造历程吧！", ""},
                    kDefaultHelpHeight);
  OnDestroy = &TFrm_OpenFile::FormDestroy;
  EndLayout();
}

// Runs from the form's destructor, so it touches only program-wide state.
void TFrm_OpenFile::FormDestroy(TObject*) {
  if (!OriginalImage) {
    OriginalImage = std::make_unique<TBitmap>();
    OriginalImage->SetPixelFormat(pf24bit);
  }
  // Shared, copy on write: the steps that replace the picture never copy
  // it, and one that writes it in place copies it once.
  if (WorkImage) OriginalImage->ShareFrom(*WorkImage);
}

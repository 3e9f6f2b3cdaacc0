#include "app/dialogs/uSaveFile.h"

#include "app/main/uMain.h"

TFrm_SaveFile::TFrm_SaveFile(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_SaveFile");
  BuildCommonLayout("保存照片",
                    {"帮助", "至此，您的打造历程已经全部完成！", "按下鼠标将显示原图，可以进行效果比对。",
                     "点击【保存】按钮，将图片保存至文件。", ""},
                    kDefaultHelpHeight);
  Image1->SetCursor(crHandPoint);
  Image1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    Image1MouseDown(s, b, sh, x, y);
  };
  Image1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    Image1MouseUp(s, b, sh, x, y);
  };
  EndLayout();
}

void TFrm_SaveFile::Image1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  if (Frm_Main) Frm_Main->ShowPictureZoomed(OriginalImage.get(), Image1, 0);
}

void TFrm_SaveFile::Image1MouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  if (Frm_Main) Frm_Main->ShowPictureZoomed(WorkImage.get(), Image1, 0);
}

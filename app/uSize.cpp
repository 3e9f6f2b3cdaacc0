#include "app/uSize.h"

#include "app/uMain.h"

TFrm_Size::TFrm_Size(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Size");
  BuildCommonLayout("尺寸调整", {"帮助", "点击【旋转】按钮，按照设定角度对图像进行旋转。", "点击【裁切】按钮，用裁切框对图像进行裁切。按下鼠标拖动裁切框至合适的大小和位置，之后双击图像就可以完成裁切。右键单击则取消裁切。", "点击【缩放】按钮，按照重新设置的大小尺寸对图像进行缩放。"}, 295);
  // The step's history starts with the picture as the step found it and
  // ends with the page.
  OnCreate = [](TObject*) { HistoryPush(WorkImage.get()); };
  OnDestroy = [](TObject*) { HistoryClear(); };
  EndLayout();
}

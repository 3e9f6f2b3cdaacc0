#include "app/uColor.h"

#include "app/uMain.h"

TFrm_Color::TFrm_Color(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Color");
  BuildCommonLayout("色彩优化", {"帮助", "使用套索工具选中脸部肤色区域例如脸颊，之后系统自动进行色彩优化。", "选择皮肤增强补光，会对肤色进行增亮，比较适合于人像特写照片。", "点击【优化色彩层次】按钮，可以提升照片的层次感。对于发虚的照片，尤为适用"}, 458);
  // The step's history starts with the picture as the step found it and
  // ends with the page.
  OnCreate = [](TObject*) { HistoryPush(WorkImage.get()); };
  OnDestroy = [](TObject*) { HistoryClear(); };
  EndLayout();
}

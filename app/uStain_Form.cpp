#include "app/uStain_Form.h"

#include "app/uMain.h"

TFrm_Stain::TFrm_Stain(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Stain");
  BuildCommonLayout("痘痣去除", {"帮助", "使用魔术擦点击各个黑痣或者污点，即可以去除皮肤上的黑痣、痘、以及污点。滚动滚轮可以调节魔术擦的大小"}, kDefaultHelpHeight);
  // The step's history starts with the picture as the step found it and
  // ends with the page.
  OnCreate = [](TObject*) { HistoryPush(WorkImage.get()); };
  OnDestroy = [](TObject*) { HistoryClear(); };
  EndLayout();
}

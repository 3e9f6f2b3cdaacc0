#include "app/uSmooth_Form.h"

#include "app/uMain.h"

TFrm_Smooth::TFrm_Smooth(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_Smooth");
  BuildCommonLayout("细节优化", {"帮助", "调节各项参数即可进行不同程度的平滑处理。"}, kDefaultHelpHeight);
  // The step's history starts with the picture as the step found it and
  // ends with the page.
  OnCreate = [](TObject*) { HistoryPush(WorkImage.get()); };
  OnDestroy = [](TObject*) { HistoryClear(); };
  EndLayout();
}

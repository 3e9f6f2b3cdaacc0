#include "app/uHighLight.h"

#include "app/uMain.h"

TFrm_HighLight::TFrm_HighLight(TComponent* AOwner) : TStepPage(AOwner) {
  BeginLayout();
  SetName("Frm_HighLight");
  BuildCommonLayout("高光去除", {"帮助", "使用矩形选框工具选中存在高光的肤色区域，例如脸部，然后选择调整幅度，自动去除高光。"}, kDefaultHelpHeight);
  // The step's history starts with the picture as the step found it and
  // ends with the page.
  OnCreate = [](TObject*) { HistoryPush(WorkImage.get()); };
  OnDestroy = [](TObject*) { HistoryClear(); };
  EndLayout();
}

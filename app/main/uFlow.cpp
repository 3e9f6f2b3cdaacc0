#include "app/main/uFlow.h"

#include <tuple>

#include "app/dialogs/WizardDialog.h"
#include "app/main/WizardPictures.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Bitmap.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "skin/windows/Brenvale.h"

namespace {
constexpr int kFlowClientWidth = 283, kFlowClientHeight = 426;
constexpr int kFlowHeight = 373;
constexpr int kStepWidth = 255, kStepHeight = 31;
constexpr int kArrowSize = 20;
// A step panel, a gap, the arrow and a gap.
constexpr int kStepPitch = kStepHeight + 2 + kArrowSize + 2;
constexpr int kFirstStepTop = 6;

const char* const kStepCaptions[7] = {"打开文件",        "第一步.尺寸调整", "第二步.高光去除", "第三步.色彩优化",
                                      "第四步.细节优化", "第五步.痘痣去除", "保存照片"};
}  // namespace

TFrm_Flow::TFrm_Flow(TComponent* AOwner, TspSkinData* skinData, TspSkinMessage* messageBox)
    : TForm(AOwner), messageBox_(messageBox) {
  BeginLayout();
  BeginDialog(this, "Frm_Flow", "自定义打造流程", -13);
  SetBorderIcons(0);

  SkinForm = new TspBrenvale(this);
  SkinForm->SetName("SkinForm");
  SkinForm->SetSkinData(skinData);
  SkinForm->Sizeable = false;
  SkinForm->DisableSystemMenu = true;
  SkinForm->SetBorderIcons(spbiSystemMenu);
  SkinForm->MaximizeOnFullScreen = true;
  SkinForm->ClientWidth = kFlowClientWidth;
  SkinForm->ClientHeight = kFlowClientHeight;

  Pnl_Flow = new TPanel(this);
  Pnl_Flow->SetName("Pnl_Flow");
  Pnl_Flow->SetParent(this);
  Pnl_Flow->SetBounds(0, 0, kFlowClientWidth, kFlowHeight);
  Pnl_Flow->SetAlign(alTop);
  Pnl_Flow->SetCaption("");
  Pnl_Flow->SetBevelInner(bvLowered);
  Pnl_Flow->SetColor(clCream);

  std::unique_ptr<TBitmap> arrow = LoadWizardBitmap("ARROW");
  const int left = (kFlowClientWidth - kStepWidth) / 2;
  for (int i = 0; i < 7; ++i) {
    TPanel* p = new TPanel(this);
    p->SetName("Pnl_Step" + std::to_string(i + 1));
    p->SetParent(Pnl_Flow);
    p->SetBounds(left, kFirstStepTop + i * kStepPitch, kStepWidth, kStepHeight);
    p->SetCaption(kStepCaptions[i]);
    p->SetColor(clMoneyGreen);
    p->SetParentFont(false);
    p->Font()->Assign(Font());
    p->Font()->SetStyle(fsBold);
    Pnl_Step[size_t(i)] = p;
    if (i < 6) {
      TImage* a = new TImage(this);
      a->SetName("Img_Arrow" + std::to_string(i + 1));
      a->SetParent(Pnl_Flow);
      a->SetBounds((kFlowClientWidth - kArrowSize) / 2, kFirstStepTop + i * kStepPitch + kStepHeight + 2, kArrowSize,
                   kArrowSize);
      a->SetTransparent(true);
      if (arrow) a->Picture()->Assign(arrow.get());
      Img_Arrow[size_t(i)] = a;
    }
  }
  for (int k = 0; k < 5; ++k) {
    TCheckBox* cb = new TCheckBox(this);
    cb->SetName("CB_Step" + std::to_string(k + 1));
    cb->SetParent(Pnl_Step[size_t(k + 1)]);
    cb->SetBounds(40, (kStepHeight - 17) / 2, 17, 17);
    cb->SetCaption("");
    CB_Step[size_t(k)] = cb;
  }

  std::tie(Btn_OK, Btn_Cancel) = DialogButtons(this, kFlowHeight + (kFlowClientHeight - kFlowHeight - 25) / 2, 48,
                                               kFlowClientWidth, skinData, "确  定", "取  消");
  Btn_OK->SetName("Btn_OK");
  Btn_OK->OnClick = [this](TObject* s) { Btn_OKClick(s); };

  EndLayout();
  HandleNeeded();
  SetClientWidth(kFlowClientWidth);
  SetClientHeight(kFlowClientHeight);
}

void TFrm_Flow::Btn_OKClick(TObject*) {
  for (TCheckBox* cb : CB_Step)
    if (cb->Checked()) {
      SetModalResult(mrOk);
      return;
    }
  if (messageBox_) messageBox_->MessageDlg("必须选中一个步骤！", mtError, TMsgDlgButtons{mbOK}, 0);
}

#include "app/dialogs/uCut.h"

#include <algorithm>
#include <tuple>

#include "app/dialogs/WizardDialog.h"
#include "app/main/uMain.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/StdCtrls.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/controls/spMessages.h"
#include "themed/buttons/KZUButton.h"

namespace {
constexpr int kClientWidth = 193, kClientHeight = 125;
constexpr double kMaxRatio = 65535;

bool UsableRatio(double v) { return v >= 1 && v <= kMaxRatio; }
}  // namespace

TRect CropStartFrame(int x0, int y0, int a, int b, int ratioWidth, int ratioHeight) {
  int e = std::min(a, b) / 2;
  int f = e;
  if (ratioWidth != 0 && ratioHeight != 0) {
    if (ratioHeight < ratioWidth) f = int(Round(double(e) * ratioHeight / ratioWidth));
    else e = int(Round(double(e) * ratioWidth / ratioHeight));
  }
  // A tiny display or a steep ratio would give a frame with no inside.
  e = std::max(e, 1);
  f = std::max(f, 1);
  const int left = x0 + (a - e) / 2, top = y0 + (b - f) / 2;
  return TRect{left, top, left + e - 1, top + f - 1};
}

TFrm_Cut::TFrm_Cut(TComponent* AOwner) : TForm(AOwner) {
  BeginLayout();
  BeginDialog(this, "Frm_Cut", "图片裁切");

  auto radio = [this](const char* name, const char* caption, int top) {
    return DialogRadio(this, name, caption, 16, top, [this](TObject* s) { RB_FreeClick(s); });
  };
  RB_Free = radio("RB_Free", "自由裁切", 10);
  RB_Scale = radio("RB_Scale", "按宽高比例裁切", 32);

  auto label = [this](const char* name, const char* caption, int left) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(this);
    l->SetCaption(caption);
    l->SetLeft(left);
    l->SetTop(60);
    return l;
  };
  auto spin = [this](const char* name, int left, double value) {
    TspSkinSpinEdit* e = DialogSpin(this, this, name, TRect{left, 56, left + 54, 56 + 21});
    e->SetValue(value);
    return e;
  };
  Lbl_Width = label("Lbl_Width", "宽：", 20);
  SE_Width = spin("SE_Width", 44, 3);
  Lbl_Height = label("Lbl_Height", "高：", 104);
  SE_Height = spin("SE_Height", 128, 4);

  std::tie(Btn_Ok, Btn_Cancel) = DialogButtons(this, 90, 14, kClientWidth);
  Btn_Ok->ModalResult = mrOk;
  Btn_Ok->OnClick = [this](TObject* s) { Btn_OkClick(s); };
  RB_Scale->SetChecked(true);

  EndLayout();
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);
}

void TFrm_Cut::RB_FreeClick(TObject*) {
  const bool fixed = RB_Scale->Checked();
  SE_Width->SetEnabled(fixed);
  SE_Height->SetEnabled(fixed);
}

void TFrm_Cut::Btn_OkClick(TObject*) {
  if (!RB_Scale->Checked() || (UsableRatio(SE_Width->Value()) && UsableRatio(SE_Height->Value()))) return;
  // The ratio's numbers are kept in 16 bits and 0 would mean a free crop.
  SetModalResult(mrNone);
  if (Frm_Main) Frm_Main->Ask("宽高比例的数值必须在 1 到 65535 之间。", mtError, false);
}

#include "app/dialogs/uRotate.h"

#include <cmath>
#include <tuple>

#include "app/dialogs/WizardDialog.h"
#include "platform/gdi/GdiTypes.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinCtrls.h"
#include "themed/buttons/KZUButton.h"

namespace {
constexpr int kRotateClientWidth = 200, kRotateClientHeight = 176;
constexpr int kRadioLeft = 16, kEditLeft = 128, kEditWidth = 56;
}  // namespace

double NormaliseAngle(double angle) {
  if (!std::isfinite(angle)) return 0;
  double c = std::fmod(angle, 360.0);
  if (c < 0) c += 360.0;
  // A whole turn added to a tiny negative rest can round up to 360.
  if (c >= 360.0) c = 0;
  return c;
}

TFrm_Rotate::TFrm_Rotate(TComponent* AOwner) : TForm(AOwner) {
  BeginLayout();
  BeginDialog(this, "Frm_Rotate", "旋转角度");

  auto radio = [this](const char* name, const char* caption, int top) {
    return DialogRadio(this, name, caption, kRadioLeft, top, [this](TObject* s) { RB_180DClick(s); });
  };
  RB_180D = radio("RB_180D", "180 度", 12);
  RB_P90D = radio("RB_P90D", "顺时针 90度", 36);
  RB_N90D = radio("RB_N90D", "逆时针 90度", 60);
  RB_POther = radio("RB_POther", "顺时针任意角度", 86);
  RB_NOther = radio("RB_NOther", "逆时针任意角度", 112);

  auto edit = [this](const char* name, int top) {
    auto* e = new TspSkinNumericEdit(this);
    e->SetName(name);
    e->SetParent(this);
    e->SetSkinDataName("edit");
    e->SetValueType(vtFloat);
    e->SetMaxLength(5);
    e->SetBounds(kEditLeft, top - 2, kEditWidth, 21);
    e->SetText("0");
    return e;
  };
  NEdt_POther = edit("NEdt_POther", 86);
  NEdt_NOther = edit("NEdt_NOther", 112);
  NEdt_NOther->SetEnabled(false);

  std::tie(Btn_Ok, Btn_Cancel) = DialogButtons(this, 142, 18, kRotateClientWidth);
  Btn_Ok->OnClick = [this](TObject* s) { Btn_OkClick(s); };
  RB_POther->SetChecked(true);

  EndLayout();
  SetClientWidth(kRotateClientWidth);
  SetClientHeight(kRotateClientHeight);
}

void TFrm_Rotate::RB_180DClick(TObject*) {
  const bool positive = RB_POther->Checked(), negative = RB_NOther->Checked();
  NEdt_POther->SetEnabled(positive);
  NEdt_NOther->SetEnabled(negative);
  TspSkinNumericEdit* open = positive ? NEdt_POther : negative ? NEdt_NOther : nullptr;
  if (open && open->CanFocus()) open->SetFocus();
}

void TFrm_Rotate::Btn_OkClick(TObject*) {
  if (RB_180D->Checked()) Angle = 180;
  else if (RB_P90D->Checked()) Angle = 90;
  else if (RB_N90D->Checked()) Angle = -90;
  else if (RB_POther->Checked()) Angle = NEdt_POther->Value();
  else Angle = -NEdt_NOther->Value();
  SetModalResult(mrOk);
}

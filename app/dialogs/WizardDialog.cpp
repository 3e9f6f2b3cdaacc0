#include "app/dialogs/WizardDialog.h"

#include "platform/gdi/GdiTypes.h"
#include "platform/ui/forms/Forms.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls.h"
#include "themed/buttons/KZUButton.h"

void BeginDialog(TForm* form, const char* name, const char* caption, int fontHeight) {
  form->SetName(name);
  form->SetCaption(caption);
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poMainFormCenter);
  form->Font()->SetName("宋体");
  form->Font()->SetHeight(fontHeight);
  form->Font()->SetCharset(GB2312_CHARSET);
}

TkzuRadioButton* DialogRadio(TForm* form, const char* name, const char* caption, int left, int top,
                             TNotifyEvent onClick) {
  auto* r = new TkzuRadioButton(form);
  r->SetName(name);
  r->SetParent(form);
  r->SetUIStyle(TkzuUIStyle::WinXP);
  r->GroupIndex = 0;
  r->SetCaption(caption);
  r->SetLeft(left);
  r->SetTop(top);
  r->SetAutoSize(true);
  r->OnClick = std::move(onClick);
  return r;
}

TspSkinSpinEdit* DialogSpin(TForm* form, TWinControl* parent, const char* name, const TRect& bounds) {
  auto* e = new TspSkinSpinEdit(form);
  e->SetName(name);
  e->SetParent(parent);
  e->SetSkinDataName("spinedit");
  e->SetValueType(vtInteger);
  e->Increment = 1;
  e->SetMaxLength(5);
  e->SetBounds(bounds.Left, bounds.Top, bounds.Right - bounds.Left, bounds.Bottom - bounds.Top);
  return e;
}

std::pair<TspSkinButton*, TspSkinButton*> DialogButtons(TForm* form, int top, int margin, int clientWidth,
                                                        TspSkinData* skinData, const char* ok,
                                                        const char* cancel) {
  auto button = [&](const char* name, const char* caption, int left) {
    auto* b = new TspSkinButton(form);
    b->SetName(name);
    b->SetParent(form);
    if (skinData) b->SetSkinData(skinData);
    b->SetSkinDataName("button");
    b->SetBounds(left, top, 75, 25);
    b->SetCaption(caption);
    return b;
  };
  TspSkinButton* okButton = button("Btn_Ok", ok, margin);
  okButton->SetDefault(true);
  TspSkinButton* cancelButton = button("Btn_Cancel", cancel, clientWidth - margin - 75);
  cancelButton->Cancel = true;
  cancelButton->ModalResult = mrCancel;
  return {okButton, cancelButton};
}

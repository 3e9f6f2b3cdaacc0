#include "skin/controls/spMessages.h"

#include <algorithm>

#include "platform/graphics/Icon.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/dialogs/MessageWrap.h"
#include "platform/ui/forms/Application.h"
#include "platform/user/input/Cursors.h"
#include "skin/controls/SkinCtrls.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"

namespace {

struct TButtonInfo {
  const char* name;
  const char* key;
  TModalResult result;
};

constexpr TButtonInfo kButtons[] = {
    {"Yes", "MSG_BTN_YES", mrYes},
    {"No", "MSG_BTN_NO", mrNo},
    {"OK", "MSG_BTN_OK", mrOk},
    {"Cancel", "MSG_BTN_CANCEL", mrCancel},
    {"Abort", "MSG_BTN_ABORT", mrAbort},
    {"Retry", "MSG_BTN_RETRY", mrRetry},
    {"Ignore", "MSG_BTN_IGNORE", mrIgnore},
    {"All", "MSG_BTN_ALL", mrAll},
    {"NoToAll", "MSG_BTN_NOTOALL", mrNoToAll},
    {"YesToAll", "MSG_BTN_YESTOALL", mrYesToAll},
    {"Help", "MSG_BTN_HELP", mrNone},
};

constexpr const char* kCaptionKeys[] = {"MSG_CAP_WARNING", "MSG_CAP_ERROR", "MSG_CAP_INFORMATION", "MSG_CAP_CONFIRM"};
constexpr int kIcons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};

constexpr int kButtonWidth = 70;
constexpr int kButtonGap = 10;

bool ValidButton(TMsgDlgBtn b) { return b >= mbYes && b <= mbHelp; }

// The skin's button height, or 25 without a usable button description.
int ButtonHeight(const TspSkinData* CtrlSkinData, const std::string& ButtonSkinDataName) {
  if (!CtrlSkinData || CtrlSkinData->Empty) return 25;
  const auto* d = CtrlSkinData->FindControl<TspDataSkinButtonControl>(ButtonSkinDataName);
  if (!d) return 25;
  return d->skinrect.Height();
}

}  // namespace

std::string SkinMessageButtonCaption(TMsgDlgBtn Button, const TspSkinData* CtrlSkinData) {
  if (!ValidButton(Button)) return {};
  return GetSkinResStr(CtrlSkinData, kButtons[Button].key);
}

std::string SkinMessageCaption(TMsgDlgType DlgType, const TspSkinData* CtrlSkinData) {
  if (DlgType == mtCustom || DlgType < mtWarning || DlgType > mtCustom) return Application ? Application->Title() : "";
  return GetSkinResStr(CtrlSkinData, kCaptionKeys[DlgType]);
}

// ---- TspMessageForm ----------------------------------------------------------------------------

TspMessageForm::TspMessageForm(TComponent* AOwner, int X, int Y) : TForm(AOwner) {
  SetBorderStyle(bsDialog);
  KeyPreview = true;
  if (X < -10000) {
    SetPosition(poScreenCenter);
  } else {
    SetLeft(X);
    SetTop(Y);
  }
  DSF = new TspBrenvale(this);
  DSF->SetBorderIcons(0);
  DSF->Sizeable = false;
}

void TspMessageForm::HelpButtonClick(TObject*) {
  if (Application) Application->HelpContext(HelpContext);
}

// ---- Builder -----------------------------------------------------------------------------------

TspMessageForm* CreateSkinMessageForm(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int X,
                                      int Y, Byte AlphaBlendValue, bool AlphaBlendAnimation, bool AlphaBlend,
                                      bool UseSkinFont, const TFont* ButtonFont, const TFont* LabelFont,
                                      const std::string& LabelSkinDataName, const std::string& ButtonSkinDataName,
                                      TspSkinData* CtrlSkinData, TspSkinData* SkinData) {
  auto* form = new TspMessageForm(Application, X, Y);
  try {
    TspBrenvale* c = form->DSF;
    c->SetSkinData(SkinData);
    c->MenusSkinData = CtrlSkinData;
    c->SetAlphaBlend(AlphaBlend);
    c->AlphaBlendAnimation = AlphaBlendAnimation;
    c->SetAlphaBlendValue(AlphaBlendValue);

    const int buttonHeight = ButtonHeight(CtrlSkinData, ButtonSkinDataName);
    // The texts come from the controls' skin when it carries texts, else
    // from the frame's skin, so a skin's own language reaches the dialog
    // whichever of the two the program set.
    const TspSkinData* texts =
        (CtrlSkinData && CtrlSkinData->ResourceStrData()) || !SkinData || !SkinData->ResourceStrData() ? CtrlSkinData
                                                                                                        : SkinData;
    int n = 0;
    for (int b = mbYes; b <= mbHelp; ++b)
      if (Buttons.Contains(TMsgDlgBtn(b))) ++n;
    const int rowWidth = n == 0 ? 0 : kButtonWidth * n + kButtonGap * n - kButtonGap;

    form->SetCaption(SkinMessageCaption(DlgType, texts));

    auto* label = new TspSkinStdLabel(form);
    label->SetName("Message");
    label->SetParent(form);
    form->Message = label;
    if (LabelFont) {
      label->Font()->Assign(LabelFont);
      label->SetDefaultFont(LabelFont);
    }
    label->UseSkinFont() = UseSkinFont;
    label->SkinDataName() = LabelSkinDataName;
    label->SetSkinData(CtrlSkinData);
    label->SetAutoSize(true);
    label->SetCaption(Msg);
    // The box stays within its share of the work area: long lines, paths
    // too, are broken to the room beside the icon, measured by the label
    // itself, which knows the font the skin gives it.
    const int room = std::max(100, MessageBoxMaxWidth() - 50 - 40 - (form->Width() - form->ClientWidth()));
    if (label->Width() > room)
      label->SetCaption(WrapMessageText(Msg, room, [label](std::string_view line) {
        label->SetCaption(std::string(line));
        return label->Width();
      }));
    label->SetLeft(50);
    label->SetTop(15);
    const int labelRight = label->Left() + label->Width();

    auto* image = new TImage(form);
    image->SetName("Image");
    image->SetParent(form);
    if (DlgType >= mtWarning && DlgType < mtCustom) {
      if (HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(kIcons[DlgType]))) image->Picture()->Icon()->SetHandle(icon);
    }
    image->SetBounds(5, std::max(10, label->Top() + label->Height() / 2 - 16), 32, 32);

    form->SetClientHeight(buttonHeight + label->Height() + 50);
    form->SetClientWidth(rowWidth < labelRight ? labelRight + 40 : rowWidth + 40);

    const int maxWidth = c->MaxFrameWidth();
    if (maxWidth < form->Width())
      form->SetWidth(maxWidth);
    else if (form->Width() < c->MinFrameWidth())
      form->SetWidth(c->MinFrameWidth());

    const TMsgDlgBtn defaultBtn = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : mbRetry;
    const TMsgDlgBtn cancelBtn = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
    const int clientWidth = form->ClientWidth();
    const int top = form->ClientHeight() - buttonHeight - 10;
    int x = (clientWidth - rowWidth) / 2;
    for (int b = mbYes; b <= mbHelp; ++b) {
      const TMsgDlgBtn btn = TMsgDlgBtn(b);
      if (!Buttons.Contains(btn)) continue;
      auto* button = new TspSkinButton(form);
      button->SetParent(form);
      button->SetName(kButtons[b].name);
      button->SetCanFocused(true);
      button->SetCaption(SkinMessageButtonCaption(btn, texts));
      button->ModalResult = kButtons[b].result;
      if (btn == defaultBtn) button->SetDefault(true);
      if (btn == cancelBtn) button->Cancel = true;
      button->SetDefaultHeight(buttonHeight);
      button->SetBounds(x, top, kButtonWidth, buttonHeight);
      if (ButtonFont) button->SetDefaultFont(ButtonFont);
      button->UseSkinFont = UseSkinFont;
      if (btn == mbHelp) button->OnClick = [form](TObject* s) { form->HelpButtonClick(s); };
      button->SetSkinDataName(ButtonSkinDataName);
      button->SetSkinData(CtrlSkinData);
      x += kButtonWidth + kButtonGap;
    }
  } catch (...) {
    delete form;
    throw;
  }
  form->AfterConstruction();
  return form;
}

// ---- TspSkinMessage ----------------------------------------------------------------------------

TspSkinMessage::TspSkinMessage(TComponent* AOwner)
    : TComponent(AOwner), defaultFont_(std::make_unique<TFont>()), defaultButtonFont_(std::make_unique<TFont>()) {
  for (TFont* f : {defaultFont_.get(), defaultButtonFont_.get()}) {
    f->SetName("Arial");
    f->SetHeight(14);
    f->SetStyle(0);
  }
}

TspSkinMessage::~TspSkinMessage() {
  if (skinData_) skinData_->RemoveFreeNotification(this);
  if (ctrlSkinData_ && ctrlSkinData_ != skinData_) ctrlSkinData_->RemoveFreeNotification(this);
}

void TspSkinMessage::SetSkinData(TspSkinData* value) {
  if (value == skinData_) return;
  if (skinData_ && skinData_ != ctrlSkinData_) skinData_->RemoveFreeNotification(this);
  skinData_ = value;
  if (value) value->FreeNotification(this);
}

void TspSkinMessage::SetCtrlSkinData(TspSkinData* value) {
  if (value == ctrlSkinData_) return;
  if (ctrlSkinData_ && ctrlSkinData_ != skinData_) ctrlSkinData_->RemoveFreeNotification(this);
  ctrlSkinData_ = value;
  if (value) value->FreeNotification(this);
}

void TspSkinMessage::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // One skin data is often given for both.
  if (AComponent == skinData_) skinData_ = nullptr;
  if (AComponent == ctrlSkinData_) ctrlSkinData_ = nullptr;
}

int TspSkinMessage::MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  std::unique_ptr<TspMessageForm> form(CreateSkinMessageForm(
      Msg, DlgType, Buttons, kSpMessageDefaultPos, kSpMessageDefaultPos, AlphaBlendValue, AlphaBlendAnimation,
      AlphaBlend, UseSkinFont, defaultButtonFont_.get(), defaultFont_.get(), MessageLabelSkinDataName,
      ButtonSkinDataName, ctrlSkinData_, skinData_));
  form->HelpContext = HelpCtx;
  auto alive = form->AliveToken();
  const int result = form->ShowModal();
  // A handler may have freed the dialog already.
  if (!*alive) (void)form.release();
  return result;
}

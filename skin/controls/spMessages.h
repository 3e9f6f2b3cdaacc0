// TspSkinMessage: the skinned message box. Each MessageDlg builds a
// TspMessageForm with its own TspBrenvale (so the frame follows SkinData),
// the type's stock icon, a skinned label with the text and a centred row of
// skinned buttons (drawn from CtrlSkinData), shows it modally and frees it.
//
// It lives beside the skinned controls rather than with the controller
// because it builds on both.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"

class TspBrenvale;
class TspSkinButton;
class TspSkinData;
class TspSkinStdLabel;

using TspMessageSetShowPosEvent = std::function<void(int& AX, int& AY, int AWidth, int AHeight)>;

// An X (or Y) below this asks for the screen centre.
constexpr int kSpMessageDefaultPos = -10001;

class TspMessageForm : public TForm {
 public:
  // X below -10000: centred on the screen; else at (X, Y).
  TspMessageForm(TComponent* AOwner, int X, int Y);
  std::string ClassName() const override { return "TspMessageForm"; }

  TspBrenvale* DSF = nullptr;
  TspSkinStdLabel* Message = nullptr;
  // The help button's click: the application's help for HelpContext.
  void HelpButtonClick(TObject* Sender);
};

// The builder MessageDlg uses: the dialog, not yet shown; the caller shows
// it and frees it.
TspMessageForm* CreateSkinMessageForm(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int X,
                                      int Y, Byte AlphaBlendValue, bool AlphaBlendAnimation, bool AlphaBlend,
                                      bool UseSkinFont, const TFont* ButtonFont, const TFont* LabelFont,
                                      const std::string& LabelSkinDataName, const std::string& ButtonSkinDataName,
                                      TspSkinData* CtrlSkinData, TspSkinData* SkinData);

// The caption a button of the dialog shows and the dialog's caption for a
// type: from CtrlSkinData's resource strings when it has them, else the
// built-in text.
std::string SkinMessageButtonCaption(TMsgDlgBtn Button, const TspSkinData* CtrlSkinData);
std::string SkinMessageCaption(TMsgDlgType DlgType, const TspSkinData* CtrlSkinData);

class TspSkinMessage : public TComponent {
 public:
  explicit TspSkinMessage(TComponent* AOwner);
  ~TspSkinMessage() override;
  std::string ClassName() const override { return "TspSkinMessage"; }

  // ---- Published properties ----
  // Kept for the caller; the dialog does not read them.
  bool ShowAgainFlag = false;
  bool ShowAgainFlagValue = false;
  TspMessageSetShowPosEvent OnSetShowPos;

  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  Byte AlphaBlendValue = 200;
  std::string ButtonSkinDataName = "button";
  std::string MessageLabelSkinDataName = "stdlabel";
  bool UseSkinFont = true;

  TspSkinData* SkinData() const { return skinData_; }
  void SetSkinData(TspSkinData* value);
  TspSkinData* CtrlSkinData() const { return ctrlSkinData_; }
  void SetCtrlSkinData(TspSkinData* value);
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* value) { defaultFont_->Assign(value); }
  TFont* DefaultButtonFont() const { return defaultButtonFont_.get(); }
  void SetDefaultButtonFont(const TFont* value) { defaultButtonFont_->Assign(value); }

  // Msg is UTF-8. Returns the modal result of the button pressed (mrNone
  // when the dialog was closed otherwise).
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TspSkinData* skinData_ = nullptr;
  TspSkinData* ctrlSkinData_ = nullptr;
  std::unique_ptr<TFont> defaultFont_, defaultButtonFont_;
};

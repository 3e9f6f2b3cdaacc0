// The flow dialog: the user switches the five retouching steps on and off.
// Opening and saving always belong to the flow, so their panels carry no box.
#pragma once
#include <array>

#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/controls/StdCtrls.h"

class TspBrenvale;
class TspSkinButton;
class TspSkinData;
class TspSkinMessage;

class TFrm_Flow : public TForm {
 public:
  // skinData and messageBox are the main window's (either may be null).
  TFrm_Flow(TComponent* AOwner, TspSkinData* skinData, TspSkinMessage* messageBox);
  std::string ClassName() const override { return "TFrm_Flow"; }

  TPanel* Pnl_Flow = nullptr;
  std::array<TPanel*, 7> Pnl_Step{};    // Pnl_Step1 .. Pnl_Step7
  std::array<TImage*, 6> Img_Arrow{};   // Img_Arrow1 .. Img_Arrow6
  std::array<TCheckBox*, 5> CB_Step{};  // CB_Step1 .. CB_Step5, for steps 2..6
  TspSkinButton* Btn_OK = nullptr;
  TspSkinButton* Btn_Cancel = nullptr;
  TspBrenvale* SkinForm = nullptr;

  void Btn_OKClick(TObject* Sender);

 private:
  TspSkinMessage* messageBox_;
};

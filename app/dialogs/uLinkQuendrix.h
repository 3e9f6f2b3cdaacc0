// The dialog shown after a save: a thank-you picture that opens the
// project's web page when clicked.
#pragma once
#include "platform/ui/forms/Forms.h"
#include "skin/controls/SkinExCtrls.h"

// The project's web address, opened by a click on the after-save picture.
constexpr const char* LumiqaHomePage = "https://lumiqa.example.org/";

class TFrm_LinkQuendrix : public TForm {
 public:
  explicit TFrm_LinkQuendrix(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_LinkQuendrix"; }

  TspSkinLinkImage* LinkImage_quendrix = nullptr;
};

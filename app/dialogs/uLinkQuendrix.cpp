#include "app/dialogs/uLinkQuendrix.h"

#include "app/main/WizardPictures.h"
#include "platform/ui/forms/Screen.h"

namespace {

void Frm_LinkQuendrixLayout(TFrm_LinkQuendrix& f) {
  f.SetName("Frm_LinkQuendrix");
  f.SetCaption("保存成功");
  f.SetBorderStyle(bsDialog);
  f.SetPosition(poMainFormCenter);
  f.SetClientWidth(500);
  f.SetClientHeight(511);
  auto* link = new TspSkinLinkImage(&f);
  f.LinkImage_quendrix = link;
  link->SetName("LinkImage_quendrix");
  link->SetParent(&f);
  link->SetBounds(0, 0, 500, 511);
  link->SetAutoSize(true);
  link->SetCursor(crHandPoint);
  link->URL = LumiqaHomePage;
  // Kept as the JPEG it is stored as.
  if (auto picture = LoadWizardJpeg("LINKPIC")) link->Picture()->SetGraphic(picture.get());
}

}  // namespace

TFrm_LinkQuendrix::TFrm_LinkQuendrix(TComponent* AOwner) : TForm(AOwner) { Frm_LinkQuendrixLayout(*this); }

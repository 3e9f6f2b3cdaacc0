#include "app/dialogs/uSplash.h"

#include "app/main/WizardPictures.h"
#include "platform/rtl/Clock.h"
#include "platform/ui/forms/Application.h"
#include "platform/user/windows/Window.h"

namespace {

void Frm_SplashLayout(TFrm_Splash& f) {
  f.SetName("Frm_Splash");
  f.SetBorderStyle(bsNone);
  f.SetPosition(poDesktopCenter);
  f.SetClientWidth(520);
  f.SetClientHeight(390);
  f.Img_Splash = new TImage(&f);
  f.Img_Splash->SetName("Img_Splash");
  f.Img_Splash->SetParent(&f);
  f.Img_Splash->SetBounds(0, 0, 520, 390);
  f.Img_Splash->SetAutoSize(true);
  f.Img_Splash->SetStretch(true);
  if (auto picture = LoadWizardBitmap("SPLASH")) f.Img_Splash->Picture()->Assign(picture.get());
}

}  // namespace

TFrm_Splash::TFrm_Splash(TComponent* AOwner) : TForm(AOwner) { Frm_SplashLayout(*this); }

void ShowSplash(TFrm_Splash* splash) {
  if (!splash) return;
  splash->SetBorderStyle(bsNone);
  // Named as the program and kept out of the task bar and the switcher.
  if (Application) splash->SetCaption(Application->Title());
  SetWindowRole(splash->Handle(), TWindowRole::Splash);
  splash->Show();
  splash->Update();
  // Painted pixels reach the screen when the queue runs dry: let it, so the
  // picture shows during the wait and not after it.
  if (Application) Application->ProcessMessages();
  Sleep(SplashMilliseconds);
}

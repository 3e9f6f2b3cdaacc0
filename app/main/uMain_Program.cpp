#include "app/main/uMain_Program.h"

#include "app/main/uMain.h"
#include "app/dialogs/uSplash.h"
#include "app/main/WizardPictures.h"
#include "platform/ui/forms/Application.h"
#include "platform/user/system/Display.h"

void RunWizard() {
  Application->Initialize();
  Application->SetTitle("Lumiqa");
  if (std::unique_ptr<TIcon> icon = LoadWizardIcon("MAINICON")) Application->Icon()->Assign(icon.get());
  TFrm_Splash* splash = TCustomForm::New<TFrm_Splash>(Application);
  ShowSplash(splash);
  // A lost display ends the program without closing the window: the
  // history's files go all the same.
  const int cleanup = AddShutdownHook([] { HistoryEnd(); });
  TFrm_Main* main = nullptr;
  Application->CreateForm(main);
  splash->Close();
  delete splash;
  Application->Run();
  RemoveShutdownHook(cleanup);
}

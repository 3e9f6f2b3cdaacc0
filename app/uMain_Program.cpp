#include "app/uMain_Program.h"

#include "app/uMain.h"
#include "app/uSplash.h"
#include "platform/ui/Application.h"

void RunWizard() {
  Application->Initialize();
  TFrm_Splash* splash = TCustomForm::New<TFrm_Splash>(Application);
  ShowSplash(splash);
  Application->SetTitle("Lumiqa");
  TFrm_Main* main = nullptr;
  Application->CreateForm(main);
  splash->Close();
  delete splash;
  Application->Run();
}

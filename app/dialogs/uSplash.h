// The start-up splash: a borderless window of 520 x 390 in the middle of the
// desktop showing the picture "SPLASH".
#pragma once
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"

class TFrm_Splash : public TForm {
 public:
  explicit TFrm_Splash(TComponent* AOwner);
  std::string ClassName() const override { return "TFrm_Splash"; }

  TImage* Img_Splash = nullptr;
};

// How long the splash stays, in milliseconds.
constexpr unsigned SplashMilliseconds = 1500;

// Shows the splash borderless as the desktop's splash window, named as the
// application, paints it at once and blocks for
// SplashMilliseconds on the platform's clock (the virtual clock in headless
// runs, so nothing waits there).
void ShowSplash(TFrm_Splash* splash);

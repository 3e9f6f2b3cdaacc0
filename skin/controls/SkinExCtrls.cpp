#include "skin/controls/SkinExCtrls.h"

#include "skin/controls/SkinExCtrls_Shell.h"

TspShellOpen& SkinLinkOpener() {
  static TspShellOpen open = SkinShellOpen;
  return open;
}

TspSkinLinkImage::TspSkinLinkImage(TComponent* AOwner) : TImage(AOwner) {
  ControlStyle |= csClickEvents;
  SetAutoSize(true);
  SetCursor(crHandPoint);
}

void TspSkinLinkImage::Click() {
  auto alive = AliveToken();
  TImage::Click();
  if (!*alive || URL.empty()) return;
  if (const TspShellOpen& open = SkinLinkOpener()) open(URL);
}

// The object classes the controller makes, by description class. The object
// modules set these functions; a null function (or result) makes nothing.
#include "skin/windows/Brenvale_Object.h"
#include "skin/windows/Brenvale_Objects.h"

TspSkinObjectFactory DefaultSkinObjectFactory() {
  TspSkinObjectFactory factory;
  factory.FromDescription = CreateCaptionObjectFromDescription;
  factory.CaptionButton = CreateDefaultCaptionButton;
  factory.MainMenuItem = CreateMainMenuItemObject;
  return factory;
}

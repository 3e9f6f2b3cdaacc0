// The object classes the controller makes, by description class. The object
// modules set these functions; a null function (or result) makes nothing.
#include "skin/windows/Brenvale_Object.h"

TspSkinObjectFactory DefaultSkinObjectFactory() { return TspSkinObjectFactory{}; }

// A picture refused for its size against a budget, not for damage: callers
// tell the user it is too large rather than broken. It is still an
// EInvalidGraphic, so code that only asks "could it be read" need not care.
#pragma once
#include "platform/rtl/Exceptions.h"

LUMIQA_EXCEPTION(EPictureTooLarge, EInvalidGraphic)

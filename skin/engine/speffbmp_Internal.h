// Rounding shared by the effect routines.
#pragma once
#include "platform/rtl/Types.h"

namespace speffbmp {

// Nearest integer, halves to even; NaN gives 0 and huge values are capped.
int RoundToInt(double v);
Byte ClampRGB(int v);

}  // namespace speffbmp

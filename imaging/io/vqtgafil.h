// TGA filter of the imaging library. So far: the plausibility test that
// content detection uses.
#pragma once
#include "platform/rtl/Streams.h"

// True when the 18-byte header at the stream's position has colour map type
// 0 or 1, image type 1, 2, 3, 9, 10 or 11 and pixel depth 1, 4, 8, 16, 24 or
// 32; the position is restored.
bool IsTgaStream(TStream* Stream);

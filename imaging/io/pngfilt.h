// PNG filter of the imaging library (libpng glue). So far: the content test
// that content detection uses.
#pragma once
#include "platform/rtl/Streams.h"

// True when the stream, from its position, starts with the first four bytes
// of the PNG signature and holds at least eight bytes; the position is
// restored.
bool IsPngStream(TStream* Stream);

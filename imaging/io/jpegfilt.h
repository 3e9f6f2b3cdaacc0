// JPEG filter of the imaging library (libjpeg glue). So far: the search for
// the start of the JPEG data that content detection uses.
#pragma once
#include <cstdint>

#include "platform/rtl/Streams.h"

// The first of the 100 positions from the stream's position on at which the
// bytes FF D8 FF stand, or -1 when none does; the position is restored.
std::int64_t FindJpegStart(TStream* Stream);

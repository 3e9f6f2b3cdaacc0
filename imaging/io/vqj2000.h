// JPEG 2000 filter of the imaging library (OpenJPEG glue). So far: the two
// content tests that content detection uses.
#pragma once
#include "platform/rtl/Streams.h"

// The JP2 signature box (00 00 00 0C 6A 50 20 20 0D 0A 87 0A) at the stream's
// position; the position is restored.
bool IsJp2Stream(TStream* Stream);
// A code stream: start of code stream and SIZ markers (FF 4F FF 51) at the
// stream's position; the position is restored.
bool IsJ2kStream(TStream* Stream);

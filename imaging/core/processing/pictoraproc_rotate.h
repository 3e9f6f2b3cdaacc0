// Turning and mirroring a bitmap in place: quarter turns and flips move
// whole pixels of every format (the alpha channel moves with them); other
// angles turn a 24-bit picture by three shears, and a 1-bit one by mapping
// each result pixel back into the source.
#pragma once
#include <cstdint>

#include "imaging/core/base/vqzutils_progress.h"
#include "platform/rtl/Types.h"

class TVQBitmap;

// Degrees, counter-clockwise on the screen. background is R x 65536 +
// G x 256 + B. A 1-bit bitmap goes to RotateBits1 (white background when
// all three bytes are non-zero). Other formats turn by quarters exactly;
// the rest of the angle (within +-45) is sheared in 24 bits, so 8-bit,
// 16-bit, float and CMYK pictures become 24-bit only for such angles. An
// alpha channel turns too, transparent where the background comes in. An
// angle that is not finite leaves the bitmap unchanged.
void RotateBitmap(TVQBitmap* bitmap, double angle, bool antialias, std::uint32_t background,
                  TVQProgressRec* progress = nullptr);

// direction 0 mirrors left to right, 1 top to bottom; every format, with
// the alpha channel.
void FlipBitmap(TVQBitmap* bitmap, int direction);

// Quarter turns into a destination allocated here at the turned size, in
// the source's format with its palette and alpha channel.
void Rotate90Clockwise(TVQBitmap* source, TVQBitmap* destination);
void Rotate90CounterClockwise(TVQBitmap* source, TVQBitmap* destination);

// The 1-bit path: 90 counter-clockwise, -90 and 270 clockwise, 180 and
// -180 a half turn, exactly; any other angle maps each result pixel back to
// the source, set outside the source when whiteBackground.
void RotateBits1(TVQBitmap* bitmap, bool whiteBackground, TVQProgressRec* progress, double angle);

#include "imaging/io/pngfilt.h"

#include <png.h>

#include "imaging/io/pictoraio_formats.h"

bool IsPngStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  png_byte signature[8];
  if (!ReadExact(Stream, signature, sizeof signature)) return false;
  // Four bytes decide, as the reader's own check does: "\x89PNG".
  return png_sig_cmp(signature, 0, 4) == 0;
}

// Scaled drawing of an image into a 24-bit image: what the row operations
// of TVQBitmap::RenderToTVQBitmap receive.
#pragma once
#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/render/vqzutils_blend.h"

struct TVQStretchArgs {
  Byte* const* DestRows = nullptr;  // by destination row
  TVQBitmap* Dest = nullptr;
  int YScale = 16384, XScale = 16384;  // source per destination pixel, 16384 = 1:1
  int LastRow = -1, FirstRow = 0, LastCol = -1, FirstCol = 0;
  int XDst = 0, YDst = 0, XSrc = 0, YSrc = 0;  // the clamped origins
  const int* RowTable = nullptr;  // source row of destination row YDst + i
  const int* ColTable = nullptr;  // source column of destination column XDst + i
  bool AlphaInUse = false;
  int Opacity = 255;
  TVQBlendOperation BlendOp = boCopy;
  bool RowReplicate = false;
};

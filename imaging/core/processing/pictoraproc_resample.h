// The resampling filters of the imaging library, by which images are
// resized and views draw zoomed pictures.
#pragma once
#include "platform/rtl/Types.h"

enum TResampleFilter : Byte {
  rfNone,
  rfTriangle,
  rfHermite,
  rfBell,
  rfBSpline,
  rfLanczos3,
  rfMitchell,
  rfNearest,
  rfLinear,
  rfFastLinear,
  rfBilinear,
  rfBicubic
};

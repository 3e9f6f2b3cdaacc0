// Layer blend operations: how a source pixel combines with the destination
// pixel under it when a 24-bit layer is drawn.
#pragma once
#include "platform/rtl/Types.h"

enum TVQBlendOperation : Byte {
  boCopy,
  boAdd,
  boDifference,
  boDivide,
  boMultiply,
  boOr,
  boAnd,
  boXor,
  boLighten,
  boDarken,
  boAverage,
  boScreen,
  boNegation,
  boExclusion,
  boOverlay,
  boHardLight,
  boSoftLight,
  boSoftLight2,
  boColorDodge,
  boColorBurn,
  boReverseDodge,
  boReverseBurn,
  boSoftDodge,
  boSoftBurn,
  boReflect,
  boGlow,
  boFreeze,
  boHeat,
  boLinearBurn,
  boInterpolate,
  boStamp,
  boRedOnly,
  boGreenOnly,
  boBlueOnly,
  boHue,
  boSaturation,
  boColor,
  boHueLightness
};

// The operations up to boStamp work on each channel alone.
constexpr bool BlendIsPerChannel(int op) { return op <= boStamp; }

// One channel: source s over destination d (0-255). Operations past
// boStamp return d.
Byte BlendChannel(int op, int s, int d);

// A whole pixel (blue, green, red): the result replaces d. Values above
// boHueLightness leave d as it is.
void BlendPixel(int op, const Byte* s, Byte* d);

// The 256 x 256 results of a per-channel operation, indexed s x 256 + d;
// built once per operation.
const Byte* BlendTable(int op);

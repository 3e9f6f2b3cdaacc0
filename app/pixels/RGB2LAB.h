// sRGB bytes to CIE XYZ and L*a*b* (D50 white) and back, in double precision.
#pragma once
#include "platform/rtl/Types.h"

struct TXyz {
  double X = 0, Y = 0, Z = 0;
};
struct TLab {
  double L = 0, a = 0, b = 0;
};
struct TRgbBytes {
  Byte R = 0, G = 0, B = 0;
  friend bool operator==(const TRgbBytes&, const TRgbBytes&) = default;
};

TXyz RgbToXyz(Byte R, Byte G, Byte B);
TLab XyzToLab(const TXyz& xyz);
TXyz LabToXyz(const TLab& lab);
TRgbBytes XyzToRgb(const TXyz& xyz);

TLab RgbToLab(Byte R, Byte G, Byte B);
TRgbBytes LabToRgb(double L, double a, double b);

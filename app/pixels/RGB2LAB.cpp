#include "app/pixels/RGB2LAB.h"

#include <cmath>

namespace {

constexpr double kWhiteX = 0.9643, kWhiteY = 1.0, kWhiteZ = 0.8251;
constexpr double kEpsilon = 0.008856, kSlope = 7.787, kOffset = 16.0 / 116.0;

double Linearise(Byte c) {
  double v = c / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double LabF(double t) { return t > kEpsilon ? std::pow(t, 1.0 / 3.0) : kSlope * t + kOffset; }

double LabFInverse(double t) {
  double cube = t * t * t;
  return cube > kEpsilon ? cube : (t - kOffset) / kSlope;
}

Byte Encode(double v) {
  v = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
  double scaled = v * 255;
  if (!(scaled > 0))  // also NaN from a negative root
    return 0;
  if (scaled >= 255)
    return 255;
  return Byte(std::lrint(scaled));
}

}  // namespace

TXyz RgbToXyz(Byte R, Byte G, Byte B) {
  double r = Linearise(R), g = Linearise(G), b = Linearise(B);
  return TXyz{0.4361 * r + 0.3851 * g + 0.1431 * b, 0.2225 * r + 0.7169 * g + 0.0606 * b,
              0.0139 * r + 0.0971 * g + 0.7141 * b};
}

TLab XyzToLab(const TXyz& xyz) {
  double fx = LabF(xyz.X / kWhiteX), fy = LabF(xyz.Y / kWhiteY), fz = LabF(xyz.Z / kWhiteZ);
  return TLab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

TXyz LabToXyz(const TLab& lab) {
  double fy = (lab.L + 16) / 116, fx = fy + lab.a / 500, fz = fy - lab.b / 200;
  return TXyz{kWhiteX * LabFInverse(fx), kWhiteY * LabFInverse(fy), kWhiteZ * LabFInverse(fz)};
}

TRgbBytes XyzToRgb(const TXyz& xyz) {
  double r = 3.1336 * xyz.X - 1.6168 * xyz.Y - 0.4907 * xyz.Z;
  double g = -0.9787 * xyz.X + 1.9161 * xyz.Y + 0.0335 * xyz.Z;
  double b = 0.0721 * xyz.X - 0.2291 * xyz.Y + 1.4054 * xyz.Z;
  return TRgbBytes{Encode(r), Encode(g), Encode(b)};
}

TLab RgbToLab(Byte R, Byte G, Byte B) { return XyzToLab(RgbToXyz(R, G, B)); }

TRgbBytes LabToRgb(double L, double a, double b) { return XyzToRgb(LabToXyz(TLab{L, a, b})); }

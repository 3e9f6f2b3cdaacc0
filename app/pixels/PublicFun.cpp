#include "app/pixels/PublicFun.h"

#include <algorithm>
#include <cmath>

#include "app/pixels/RowImage.h"

double SkinLikelihood(int R, int G, int B) {
  double cb = 128 - 37.797 * R / 255 - 74.203 * G / 255 + 112.0 * B / 255;
  double cr = 112.0 * R / 255 + 128 - 93.786 * G / 255 - 18.214 * B / 255;
  double x = cb - 117.4361, y = cr - 156.5599;
  return std::exp(-(x * (299.4574 * x - 12.143 * y) + y * (160.1301 * y - 12.143 * x)) / 47804.69095874 / 2);
}

THsv RgbToHsv(int R, int G, int B) {
  const int mx = std::max({R, G, B}), mn = std::min({R, G, B});
  THsv hsv;
  int s = mx == 0 ? 0 : RoundEven(double(mx - mn) * 255 / mx);
  if (s != 0) {
    const double delta = mx - mn;
    int h;
    if (R == mx)
      h = RoundEven((G - B) * 60 / delta);
    else if (G == mx)
      h = RoundEven((B - R) * 60 / delta) + 120;
    else
      h = RoundEven((R - G) * 60 / delta) + 240;
    hsv.H = h < 0 ? h + 360 : h;
  }
  hsv.S = RoundEven(s * 100 / 255.0);
  hsv.V = RoundEven(mx * 100 / 255.0);
  return hsv;
}

TRgb HsvToRgb(int H, int S, int V) {
  const int s = RoundEven(S * 255 / 100.0), v = RoundEven(V * 255 / 100.0);
  if (s == 0)
    return TRgb{ClampByte(v), ClampByte(v), ClampByte(v)};
  if (H == 360)
    H = 0;
  const int f = H % 60;
  const int p = v - s * v / 255, q = v - s * v * f / 15300, t = v - s * v * (60 - f) / 15300;
  int r, g, b;
  switch (H / 60) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
  }
  return TRgb{ClampByte(r), ClampByte(g), ClampByte(b)};
}

#include "imaging/core/colour/pictoraproc_colorspace.h"

#include <cmath>

namespace {

double ColorSpaceWrapOnce(double h) {
  if (h < 0) return h + 1;
  if (h > 1) return h - 1;
  return h;
}

double ColorSpaceClampUnit(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

}  // namespace

double HueToChannel(double m1, double m2, double h) {
  h = ColorSpaceWrapOnce(h);
  if (6 * h < 1) return m1 + (m2 - m1) * 6 * h;
  if (2 * h < 1) return m2;
  if (3 * h < 2) return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
  return m1;
}

void RGBToHSL(std::uint32_t rgb, double& hue, double& saturation, double& lightness) {
  const double r = ((rgb >> 16) & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0, b = (rgb & 0xFF) / 255.0;
  const double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
  lightness = (mx + mn) / 2;
  if (mx == mn) {
    hue = 0;
    saturation = 0;
    return;
  }
  const double d = mx - mn;
  saturation = lightness >= 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
  double h;
  if (mx == r)
    h = (g - b) / d;
  else if (mx != g)
    h = (r - g) / d + 4;
  else
    h = (b - r) / d + 2;
  h /= 6;
  if (h < 0) h += 1;
  hue = h;
}

void HSLToRGB(Byte& blue, Byte& green, Byte& red, double lightness, double saturation, double hue) {
  const double h = ColorSpaceWrapOnce(hue);
  const double s = ColorSpaceClampUnit(saturation), l = ColorSpaceClampUnit(lightness);
  if (s == 0) {
    red = green = blue = RoundToByte(l * 255);
    return;
  }
  const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double m1 = 2 * l - m2;
  red = RoundToByte(HueToChannel(m1, m2, h + 1.0 / 3.0) * 255);
  green = RoundToByte(HueToChannel(m1, m2, h) * 255);
  blue = RoundToByte(HueToChannel(m1, m2, h - 1.0 / 3.0) * 255);
}

const TVQYUVTerms& YUVTerms() {
  static const TVQYUVTerms& terms = *[] {
    static TVQYUVTerms t;
    for (int i = 0; i < 256; ++i) {
      t.Luma[i] = 1.164 * (i - 16);
      t.BlueU[i] = 2.018 * (i - 128);
      t.GreenV[i] = 0.813 * (i - 128);
      t.GreenU[i] = 0.391 * (i - 128);
      t.RedV[i] = 1.596 * (i - 128);
      t.LumaK[i] = 1164 * (i - 16);
      t.BlueUK[i] = 2018 * (i - 128);
      t.GreenVK[i] = 813 * (i - 128);
      t.GreenUK[i] = 391 * (i - 128);
      t.RedVK[i] = 1596 * (i - 128);
    }
    for (int y = 0; y < 256; ++y)
      for (int c = 0; c < 256; ++c) {
        t.Blue[y << 8 | c] = YUVThousandthsToByte(t.LumaK[y] + t.BlueUK[c], [&] { return t.Luma[y] + t.BlueU[c]; });
        t.Red[y << 8 | c] = YUVThousandthsToByte(t.LumaK[y] + t.RedVK[c], [&] { return t.Luma[y] + t.RedV[c]; });
      }
    return &t;
  }();
  return terms;
}

void YUVToRGB(int y, int u, int v, Byte& blue, Byte& green, Byte& red) {
  // Samples outside a byte take the formula directly.
  if ((y | u | v) & ~0xFF) {
    const double l = 1.164 * (y - 16);
    blue = RoundToByte(l + 2.018 * (u - 128));
    green = RoundToByte(l - 0.813 * (v - 128) - 0.391 * (u - 128));
    red = RoundToByte(l + 1.596 * (v - 128));
    return;
  }
  Byte bgr[3];
  YUVToBGR(YUVTerms(), static_cast<Byte>(y), static_cast<Byte>(u), static_cast<Byte>(v), bgr);
  blue = bgr[0];
  green = bgr[1];
  red = bgr[2];
}

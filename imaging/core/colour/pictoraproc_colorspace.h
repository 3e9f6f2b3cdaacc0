// Colour-space conversions of single colours: RGB to hue, saturation and
// lightness and back (the hue, saturation and colour blend operations
// work through them), and one YUV sample to RGB (the video-frame import).
#pragma once
#include <cstdint>

#include "platform/rtl/Types.h"

// rgb packs red in bits 16..23, green in 8..15, blue in 0..7. Hue,
// saturation and lightness come out as fractions 0..1; grey has hue and
// saturation 0.
void RGBToHSL(std::uint32_t rgb, double& hue, double& saturation, double& lightness);
// The hue is wrapped once into 0..1, saturation and lightness are clamped
// to 0..1; each channel is rounded (halves to even) and clamped to 0..255.
void HSLToRGB(Byte& blue, Byte& green, Byte& red, double lightness, double saturation, double hue);
// One channel of HSLToRGB from the hue moved by the channel's third: h is
// wrapped once into 0..1, m1 and m2 are the low and high levels.
double HueToChannel(double m1, double m2, double h);
// Studio-range YUV (luma 16..235, chroma centred on 128) to RGB, each
// channel rounded (halves to even) and clamped to 0..255.
void YUVToRGB(int y, int u, int v, Byte& blue, Byte& green, Byte& red);

// The terms of YUVToRGB per sample value, as doubles and as exact
// thousandths (the constants have three decimals), so whole frames convert
// in integers and give the single-sample routine's bytes.
struct TVQYUVTerms {
  double Luma[256];     // 1.164 (Y - 16)
  double BlueU[256];    // 2.018 (U - 128)
  double GreenV[256];   // 0.813 (V - 128)
  double GreenU[256];   // 0.391 (U - 128)
  double RedV[256];     // 1.596 (V - 128)
  std::int32_t LumaK[256], BlueUK[256], GreenVK[256], GreenUK[256], RedVK[256];
  // Blue and red depend on two samples each: their bytes by Y x 256 + U
  // and Y x 256 + V.
  Byte Blue[256 * 256], Red[256 * 256];
};
const TVQYUVTerms& YUVTerms();

// Rounds (halves to even) and clamps into a byte; NaN gives 0.
inline Byte RoundToByte(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<Byte>(__builtin_nearbyint(value));
}

// A channel given in exact thousandths: rounded to the nearest integer and
// clamped. An exact half is where the double formula's own rounding error
// decides, so that case (rare) asks it.
template <class Formula>
inline Byte YUVThousandthsToByte(std::int32_t thousandths, Formula formula) {
  // Biased to stay positive, so the division by a constant is a multiply.
  const std::uint32_t biased = static_cast<std::uint32_t>(thousandths + 1000000);
  const std::uint32_t rest = biased % 1000;
  if (rest == 500) [[unlikely]]
    return RoundToByte(formula());
  const std::int32_t whole = static_cast<std::int32_t>(biased / 1000) - 1000 + (rest > 500 ? 1 : 0);
  const std::int32_t low = whole > 0 ? whole : 0;
  return static_cast<Byte>(low < 255 ? low : 255);
}

// One pixel as blue, green, red bytes at bgr.
inline void YUVToBGR(const TVQYUVTerms& t, Byte y, Byte u, Byte v, Byte* bgr) {
  bgr[0] = t.Blue[y << 8 | u];
  bgr[1] = YUVThousandthsToByte(t.LumaK[y] - t.GreenVK[v] - t.GreenUK[u],
                                [&] { return t.Luma[y] - t.GreenV[v] - t.GreenU[u]; });
  bgr[2] = t.Red[y << 8 | v];
}

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
// Studio-range YUV (luma 16..235, chroma centred on 128) to RGB, each
// channel rounded (halves to even) and clamped to 0..255.
void YUVToRGB(int y, int u, int v, Byte& blue, Byte& green, Byte& red);

// The terms of YUVToRGB per sample value, so whole frames convert with the
// same arithmetic (and so the same bytes) without repeating the products.
struct TVQYUVTerms {
  double Luma[256];     // 1.164 (Y - 16)
  double BlueU[256];    // 2.018 (U - 128)
  double GreenV[256];   // 0.813 (V - 128)
  double GreenU[256];   // 0.391 (U - 128)
  double RedV[256];     // 1.596 (V - 128)
};
const TVQYUVTerms& YUVTerms();
// Rounds (halves to even) and clamps into a byte; NaN gives 0.
inline Byte RoundToByte(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<Byte>(__builtin_lrint(value));
}
// One pixel as blue, green, red bytes at bgr.
inline void YUVToBGR(const TVQYUVTerms& t, Byte y, Byte u, Byte v, Byte* bgr) {
  const double l = t.Luma[y];
  bgr[0] = RoundToByte(l + t.BlueU[u]);
  bgr[1] = RoundToByte(l - t.GreenV[v] - t.GreenU[u]);
  bgr[2] = RoundToByte(l + t.RedV[v]);
}

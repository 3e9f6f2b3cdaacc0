#include "imaging/core/render/vqzutils_blend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils.h"
#include "imaging/core/colour/pictoraproc_colorspace.h"

namespace {

inline int BlendClamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// The cosine table is filled at library start; a caller that draws
// before that still gets the right values.
void BlendEnsureCosineTable() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (CosineTable[255] == 0) BuildCosineTable();
  });
}

void BlendHSL(int op, const Byte* s, Byte* d) {
  double sh, ss, sl, dh, ds, dl;
  RGBToHSL((std::uint32_t(s[2]) << 16) | (std::uint32_t(s[1]) << 8) | s[0], sh, ss, sl);
  RGBToHSL((std::uint32_t(d[2]) << 16) | (std::uint32_t(d[1]) << 8) | d[0], dh, ds, dl);
  double h = dh, sat = ds, l = dl;
  switch (op) {
    case boHue: h = sh; break;
    case boSaturation: sat = ss; break;
    case boColor: h = sh, sat = ss; break;
    default: h = sh, l = sl; break;  // boHueLightness
  }
  HSLToRGB(d[0], d[1], d[2], l, sat, h);
}

}  // namespace

Byte BlendChannel(int op, int s, int d) {
  switch (op) {
    case boCopy: return static_cast<Byte>(s);
    case boAdd: return static_cast<Byte>(BlendClamp(d + s));
    case boDifference: return static_cast<Byte>(std::abs(d - s));
    case boDivide: return static_cast<Byte>(BlendClamp(d / std::clamp(s, 1, 255)));
    case boMultiply: return static_cast<Byte>(s * d / 256);
    case boOr: return static_cast<Byte>(d | s);
    case boAnd: return static_cast<Byte>(d & s);
    case boXor: return static_cast<Byte>(d ^ s);
    case boLighten: return static_cast<Byte>(std::max(d, s));
    case boDarken: return static_cast<Byte>(std::min(d, s));
    case boAverage: return static_cast<Byte>((d + s) / 2);
    case boScreen: return static_cast<Byte>(255 - (255 - d) * (255 - s) / 256);
    case boNegation: return static_cast<Byte>(255 - std::abs(255 - s - d));
    case boExclusion: return static_cast<Byte>(BlendClamp(s + d - s * d / 128));
    case boOverlay: return static_cast<Byte>(BlendClamp(d < 128 ? s * d / 128 : 255 - (255 - s) * (255 - d) / 128));
    case boHardLight: return static_cast<Byte>(BlendClamp(s < 128 ? s * d / 128 : 255 - (255 - s) * (255 - d) / 128));
    case boSoftLight: {
      const double a = s / 255.0, b = d / 255.0;
      const double r = a >= 0.5 ? std::sqrt(b) * (2 * a - 1) + 2 * b * (1 - a) : b * b * (1 - 2 * a) + 2 * a * b;
      return static_cast<Byte>(BlendClamp(static_cast<int>(r * 255)));
    }
    case boSoftLight2: {
      const int m = s * d / 256;
      const int c = 255 - (255 - d) * (255 - s) / 256 - m;
      return static_cast<Byte>(BlendClamp(m + d * c / 256));
    }
    case boColorDodge: return static_cast<Byte>(s == 255 ? 255 : std::min(d * 256 / (255 - s), 255));
    case boColorBurn: return static_cast<Byte>(s == 0 ? 0 : std::max(255 - (255 - d) * 256 / s, 0));
    case boReverseDodge: return static_cast<Byte>(d == 255 ? 255 : std::min(s * 256 / (255 - d), 255));
    case boReverseBurn: return static_cast<Byte>(d == 0 ? 0 : std::max(255 - (255 - s) * 256 / d, 0));
    case boSoftDodge:
      if (s + d < 256) return static_cast<Byte>(s == 255 ? 255 : std::min(d * 128 / (255 - s), 255));
      return static_cast<Byte>(std::max(255 - (255 - s) * 128 / d, 0));
    case boSoftBurn:
      if (s + d < 256) return static_cast<Byte>(d == 255 ? 255 : std::min(s * 128 / (255 - d), 255));
      return static_cast<Byte>(std::max(255 - (255 - d) * 128 / s, 0));
    case boReflect: return static_cast<Byte>(s == 255 ? 255 : std::min(d * d / (255 - s), 255));
    case boGlow: return static_cast<Byte>(d == 255 ? 255 : std::min(s * s / (255 - d), 255));
    case boFreeze: return static_cast<Byte>(s == 0 ? 0 : std::max(255 - (255 - d) * (255 - d) / s, 0));
    case boHeat: return static_cast<Byte>(d == 0 ? 0 : std::max(255 - (255 - s) * (255 - s) / d, 0));
    case boLinearBurn: return static_cast<Byte>(BlendClamp(d + s - 256));
    case boInterpolate:
      BlendEnsureCosineTable();
      return static_cast<Byte>(std::min(CosineTable[s] + CosineTable[d], 255));
    case boStamp: return static_cast<Byte>(BlendClamp(d + 2 * s - 256));
    default: return static_cast<Byte>(d);
  }
}

void BlendPixel(int op, const Byte* s, Byte* d) {
  if (BlendIsPerChannel(op)) {
    const Byte* t = BlendTable(op);
    for (int c = 0; c < 3; ++c) d[c] = t[s[c] * 256 + d[c]];
    return;
  }
  switch (op) {
    case boRedOnly: d[2] = s[2]; break;
    case boGreenOnly: d[1] = s[1]; break;
    case boBlueOnly: d[0] = s[0]; break;
    case boHue:
    case boSaturation:
    case boColor:
    case boHueLightness: BlendHSL(op, s, d); break;
    default: break;
  }
}

const Byte* BlendTable(int op) {
  static std::array<std::unique_ptr<Byte[]>, boStamp + 1> tables;
  static std::array<std::once_flag, boStamp + 1> once;
  if (!BlendIsPerChannel(op) || op < 0) return nullptr;
  std::call_once(once[static_cast<std::size_t>(op)], [op] {
    auto t = std::make_unique<Byte[]>(256 * 256);
    for (int s = 0; s < 256; ++s)
      for (int d = 0; d < 256; ++d) t[static_cast<std::size_t>(s * 256 + d)] = BlendChannel(op, s, d);
    tables[static_cast<std::size_t>(op)] = std::move(t);
  });
  return tables[static_cast<std::size_t>(op)].get();
}

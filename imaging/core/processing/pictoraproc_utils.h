// Small routines the whole imaging library uses for colours, clamping and
// ordering, and the table of named 3 x 3 convolution presets.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Types.h"

class TBitmap;

// Trunc(x), plus 1 when the fraction is above 0.
int CeilInt(double x);
// Trunc(x), minus 1 when the fraction is below 0.
int FloorInt(double x);

inline TRGBPixel MakeRGB(Byte r, Byte g, Byte b) { return TRGBPixel{b, g, r}; }
// Grey of a packed RGB value (red in bits 16..23) with the global weights.
inline int RGBGrayLevel(std::uint32_t rgb) {
  return static_cast<int>(((rgb >> 16) & 0xFF) * GrayWeightRed + ((rgb >> 8) & 0xFF) * GrayWeightGreen +
                          (rgb & 0xFF) * GrayWeightBlue) /
         100;
}
// Exchanges bytes 0 and 2 and clears byte 3: packed RGB to TColor and back.
inline std::uint32_t RGBTripleToColor(std::uint32_t v) {
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}
// System colours are resolved first.
TRGBPixel ColorToRGBTriple(TColor color);

inline double MinFloat(double a, double b) { return b >= a ? a : b; }
inline double MaxFloat(double a, double b) { return b > a ? b : a; }
inline int IMin(int a, int b) { return a < b ? a : b; }
inline int IMax(int a, int b) { return a > b ? a : b; }
inline int ClampInt(int value, int low, int high) { return value <= low ? low : value < high ? value : high; }
inline Byte ClampByte(int value) { return static_cast<Byte>(value < 0 ? 0 : value > 255 ? 255 : value); }
inline void SwapInt(int& a, int& b) {
  const int t = a;
  a = b;
  b = t;
}
inline void SwapByte(Byte& a, Byte& b) {
  const Byte t = a;
  a = b;
  b = t;
}
// Bytes 0..2 of two 32-bit values are equal.
inline bool SameRGB(std::uint32_t a, std::uint32_t b) { return ((a ^ b) & 0xFFFFFFu) == 0; }
// Puts the corners in ascending order.
void OrderRect(int& x1, int& y1, int& x2, int& y2);
// Exchange the first and third byte of count triples in place.
void SwapPaletteRB(TRGBPixel* palette, int count);
void SwapRB(TRGBPixel* triples, int count);
// Copies count triples, exchanging the first and third byte of each.
void CopySwapRB(TRGBPixel* dst, const TRGBPixel* src, int count);

// Makes destination a copy of source's size, pixel format, pixels and colour
// table; an empty source leaves a 1 x 1 destination in its format.
void CopyVclBitmap(TBitmap* source, TBitmap* destination);
std::unique_ptr<TBitmap> CloneVclBitmap(TBitmap* source);

// A 3 x 3 convolution kernel, row by row, and its divisor.
struct FilterPreset {
  std::int32_t Values[3][3];
  std::int32_t Divisor;
};

// The presets and their names, in the order they were added.
extern std::vector<FilterPreset> FilterPresets;
extern std::vector<std::string> FilterPresetNames;
void AddFilterPreset(const FilterPreset& preset, const std::string& name);
void BuildFilterPresets();
void FreeFilterPresets();

// Module start: the bit-expansion table, then the filter presets. End frees
// the presets. Counted like the other modules' starts.
void PictoraProcStart();
void PictoraProcEnd();

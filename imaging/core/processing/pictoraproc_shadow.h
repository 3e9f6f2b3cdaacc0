// Alpha-channel effects for thumbnails: a Gaussian blur of grey and 24-bit
// pictures, a soft drop shadow cast by a picture's alpha channel, and
// rounded transparent corners.
#pragma once
#include <array>
#include <cstdint>

#include "imaging/core/base/vqzutils_progress.h"
#include "platform/rtl/Types.h"

class TVQBitmap;

// Integer weights w[-100..100] in units of 1/65536, kept at Weights[i + 100];
// only w[-HalfWidth..HalfWidth] are used.
struct TGaussianKernel {
  std::array<int, 201> Weights{};
  int HalfWidth = 1;
  int W(int i) const { return Weights[static_cast<std::size_t>(i + 100)]; }
};

// The weights are normalised by their sum, so a flat picture stays flat;
// the half-width is the largest i (at least 1) with a non-zero weight.
TGaussianKernel GaussianKernel(double radius);

// Blurs an 8-bit grey or 24-bit picture in place, rows first, then columns,
// edges repeated. Other formats and a radius not above 0 are left alone.
void GaussianBlur(TVQBitmap* bitmap, TVQProgressRec* progress, double radius);

// Off: the blur takes its plain loops instead of the vector ones (the same
// bytes either way; for tests).
void SetGaussianSimd(bool enabled);

// Casts a soft shadow of shadowColor (packed RGB, red in bits 16..23) from
// the picture's alpha channel, moved by the offsets and blurred by radius;
// enlarge first grows the canvas around the picture to make room for it.
void AddSoftShadow(TVQBitmap* bitmap, int offsetX, int offsetY, TVQProgressRec* progress,
                   std::uint32_t shadowColor, bool enlarge, double radius);

// Makes the four corners transparent along a curve of the radii.
void RoundAlphaCorners(TVQBitmap* bitmap, int radiusX, int radiusY);

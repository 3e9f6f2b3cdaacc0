// Per-channel tone curves that carry a channel's mean to a target value.
#pragma once
#include <array>

#include "app/pixels/BitmapRows.h"
#include "app/pixels/RowImage.h"

// The curve of one channel with mean m and target t, as a table of the 256
// input values: m goes to t, 0 and 255 stay, the change fades quadratically.
std::array<Byte, 256> ChannelCurve(Byte mean, Byte target);

// Bends red, green and blue of the whole picture in place; means and targets
// are given red, green, blue.
void ChannelCurveAdjust(const RowImage& bitmap, const std::array<Byte, 3>& means,
                        const std::array<Byte, 3>& targets);
// In place on a framework bitmap, converted to 24 bits first.
void ChannelCurveAdjust(TBitmap* bitmap, const std::array<Byte, 3>& means, const std::array<Byte, 3>& targets);
